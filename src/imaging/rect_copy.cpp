#include "imaging/rect_copy.h"

#include <algorithm>
#include <cstring>

namespace oka::imaging {

Rect copy_rect(const ImageView& dst, int32_t dst_x, int32_t dst_y, const ConstImageView& src, Rect from) noexcept {
    if (dst.empty() || src.empty() || dst.pixel_bytes != src.pixel_bytes || from.empty()) return {};
    // 64-bit throughout: corners near the int32 limits must not wrap while
    // being moved by the clipping below.
    int64_t sx = from.x, sy = from.y, w = from.width, h = from.height;
    int64_t tx = dst_x, ty = dst_y;
    // Cut to the source: a part left of or above it shifts the target by as
    // much as it removes.
    if (sx < 0) { tx -= sx; w += sx; sx = 0; }
    if (sy < 0) { ty -= sy; h += sy; sy = 0; }
    w = std::min<int64_t>(w, src.width - sx);
    h = std::min<int64_t>(h, src.height - sy);
    // Then to the destination, moving the source corner the same way.
    if (tx < 0) { sx -= tx; w += tx; tx = 0; }
    if (ty < 0) { sy -= ty; h += ty; ty = 0; }
    w = std::min<int64_t>(w, dst.width - tx);
    h = std::min<int64_t>(h, dst.height - ty);
    if (w <= 0 || h <= 0) return {};

    const size_t pb = static_cast<size_t>(dst.pixel_bytes);
    const size_t row_bytes = static_cast<size_t>(w) * pb;
    const int32_t rows = static_cast<int32_t>(h);
    const uint8_t* s = src.row(static_cast<int32_t>(sy)) + static_cast<size_t>(sx) * pb;
    uint8_t* d = dst.row(static_cast<int32_t>(ty)) + static_cast<size_t>(tx) * pb;
    if (row_bytes == static_cast<size_t>(src.stride) && row_bytes == static_cast<size_t>(dst.stride)) {
        // Both sides contiguous over these rows: one block.
        std::memcpy(d, s, row_bytes * static_cast<size_t>(rows));
    } else {
        for (int32_t y = 0; y < rows; ++y, s += src.stride, d += dst.stride) std::memcpy(d, s, row_bytes);
    }
    return {static_cast<int32_t>(tx), static_cast<int32_t>(ty), static_cast<int32_t>(w), rows};
}

Rect put_block(const ImageView& plane, int32_t x, int32_t y, const ConstImageView& block) noexcept {
    return copy_rect(plane, x, y, block, {0, 0, block.width, block.height});
}

Rect get_block(const ImageView& block, const ConstImageView& plane, int32_t x, int32_t y) noexcept {
    const Rect written = copy_rect(block, 0, 0, plane, {x, y, block.width, block.height});
    if (written.empty()) return {};
    // Block pixel (i, j) faces plane pixel (x + i, y + j).
    return {static_cast<int32_t>(int64_t{written.x} + x), static_cast<int32_t>(int64_t{written.y} + y),
            written.width, written.height};
}

}  // namespace oka::imaging
