// Small whole-image operations on 8-bit pixel buffers: grey conversion,
// red/blue swap and a clipped overlay. Buffers are rows of packed pixels
// with an explicit row stride in bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::imaging {

// Luma of an 8-bit colour with the weights 0.299, 0.587, 0.114 in 16-bit
// fixed point (19595 + 38470 + 7471 = 65536), rounded: white stays 255 and
// black 0.
constexpr uint8_t grey_of(uint32_t r, uint32_t g, uint32_t b) noexcept {
    return static_cast<uint8_t>((r * 19595u + g * 38470u + b * 7471u + 32768u) >> 16);
}

// w x h pixels of `channels` bytes (1, 3 or 4; the first three are R, G, B)
// to one grey byte each. Other channel counts do nothing.
void to_grey8(const uint8_t* src, int32_t w, int32_t h, int32_t channels, size_t src_stride, uint8_t* dst,
              size_t dst_stride) noexcept;

// Exchange bytes 0 and 2 of every 4-byte pixel (RGBA <-> BGRA).
void swap_red_blue(uint8_t* px, int32_t w, int32_t h, size_t stride) noexcept;

// Place src (sw x sh) on dst (dw x dh) with its top-left at (x, y); both
// have `channels` bytes per pixel. Only the overlapping part is touched.
// opacity 1 copies; below 1 each byte becomes src x a + dst x (1 - a)
// (a = opacity in 1/256 steps, rounded). Returns false when nothing
// overlaps or an argument is invalid.
bool overlay(uint8_t* dst, int32_t dw, int32_t dh, int32_t channels, size_t dst_stride, const uint8_t* src, int32_t sw,
             int32_t sh, size_t src_stride, int32_t x, int32_t y, double opacity) noexcept;

}  // namespace oka::imaging
