// Rectangle copies between pixel planes: the first piece of the engine's
// own image library. Every image passes as a non-owning view (pointer,
// width, height, row stride in bytes, bytes per pixel); nothing here
// allocates or owns memory.
//
// All copies clip: a rectangle that reaches outside the source or the
// destination is cut to the part inside both, so no call ever reads or
// writes outside the views it is given, whatever the coordinates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::imaging {

// A packed plane of width x height pixels of pixel_bytes bytes, rows
// stride bytes apart. A view with no data or no pixels is empty, and every
// operation on an empty view does nothing.
struct ImageView {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;  // bytes from one row to the next
    int32_t pixel_bytes = 0;

    bool empty() const noexcept { return !data || width <= 0 || height <= 0 || pixel_bytes <= 0; }
    uint8_t* row(int32_t y) const noexcept { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// Read-only twin of ImageView; any ImageView converts to it.
struct ConstImageView {
    const uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;
    int32_t pixel_bytes = 0;

    ConstImageView() = default;
    ConstImageView(const uint8_t* d, int32_t w, int32_t h, ptrdiff_t s, int32_t pb) noexcept
        : data(d), width(w), height(h), stride(s), pixel_bytes(pb) {}
    ConstImageView(const ImageView& v) noexcept  // NOLINT: implicit by design
        : data(v.data), width(v.width), height(v.height), stride(v.stride), pixel_bytes(v.pixel_bytes) {}

    bool empty() const noexcept { return !data || width <= 0 || height <= 0 || pixel_bytes <= 0; }
    const uint8_t* row(int32_t y) const noexcept { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// View of a plane of elements of type T with `channels` elements per pixel
// and rows stride_elements elements apart (the engine's planes: RGBA64 is
// uint16_t x 4, the mask uint16_t x 1).
template <class T>
ImageView plane_view(T* data, int32_t width, int32_t height, ptrdiff_t stride_elements, int32_t channels) noexcept {
    return {reinterpret_cast<uint8_t*>(data), width, height, stride_elements * static_cast<ptrdiff_t>(sizeof(T)),
            channels * static_cast<int32_t>(sizeof(T))};
}
template <class T>
ConstImageView plane_view(const T* data, int32_t width, int32_t height, ptrdiff_t stride_elements,
                          int32_t channels) noexcept {
    return {reinterpret_cast<const uint8_t*>(data), width, height,
            stride_elements * static_cast<ptrdiff_t>(sizeof(T)), channels * static_cast<int32_t>(sizeof(T))};
}

// A rectangle in pixels: top-left corner and size (not inclusive corners).
struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool empty() const noexcept { return width <= 0 || height <= 0; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Copy the rectangle `from` of src to dst with its top-left corner at
// (dst_x, dst_y). The rectangle is clipped to src and, at its destination
// position, to dst. Returns the part written, in dst coordinates (empty
// when nothing was copied, including when the pixel sizes differ).
// src and dst must not overlap unless they are the same plane with
// identical geometry and the rectangles do not overlap.
Rect copy_rect(const ImageView& dst, int32_t dst_x, int32_t dst_y, const ConstImageView& src, Rect from) noexcept;

// Overlay at full opacity: the whole of block goes into plane with its
// top-left corner at (x, y), clipped to the plane.
Rect put_block(const ImageView& plane, int32_t x, int32_t y, const ConstImageView& block) noexcept;

// The reverse: fill block from the rectangle of the plane whose top-left
// corner is (x, y) and whose size is the block's, clipped to the plane
// (block pixels facing nothing keep their contents). The result is in
// plane coordinates.
Rect get_block(const ImageView& block, const ConstImageView& plane, int32_t x, int32_t y) noexcept;

}  // namespace oka::imaging
