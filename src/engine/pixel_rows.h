// Conversion row kernels shared by every transfer: widen, narrow, fill.
// 8-bit v widens to v << 8 (255 -> 65280); 16-bit narrows to its high byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka {

constexpr uint16_t widen8(int32_t v) noexcept { return static_cast<uint16_t>((v & 0xFF) << 8); }
constexpr uint8_t narrow16(uint32_t v) noexcept { return static_cast<uint8_t>((v >> 8) & 0xFF); }

inline void fill_row_rgba64(uint16_t* dst, int32_t width, const uint16_t px[4]) noexcept {
    for (int32_t x = 0; x < width; ++x, dst += 4) {
        dst[0] = px[0];
        dst[1] = px[1];
        dst[2] = px[2];
        dst[3] = px[3];
    }
}

inline void narrow_row_rgba64_to_rgba32(const uint16_t* src, uint8_t* dst, int32_t width) noexcept {
    for (ptrdiff_t i = 0, n = static_cast<ptrdiff_t>(width) * 4; i < n; ++i) dst[i] = narrow16(src[i]);
}

inline void widen_row_rgba32_to_rgba64(const uint8_t* src, uint16_t* dst, int32_t width) noexcept {
    for (ptrdiff_t i = 0, n = static_cast<ptrdiff_t>(width) * 4; i < n; ++i) dst[i] = widen8(src[i]);
}

}  // namespace oka
