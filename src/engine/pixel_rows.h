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

// RGBA64 -> RGB24: the high bytes of R, G, B.
inline void narrow_row_rgba64_to_rgb24(const uint16_t* src, uint8_t* dst, int32_t width) noexcept {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = narrow16(src[0]);
        dst[1] = narrow16(src[1]);
        dst[2] = narrow16(src[2]);
    }
}

// RGBA64 alpha -> grey RGB24: the alpha's high byte three times.
inline void alpha_row_rgba64_to_grey24(const uint16_t* src, uint8_t* dst, int32_t width) noexcept {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) dst[0] = dst[1] = dst[2] = narrow16(src[3]);
}

// RGB24 (or BGR24 with swap) -> RGBA64 colour channels; alpha is left alone
// unless set_alpha, which stores it.
inline void widen_row_rgb24_to_rgba64(const uint8_t* src, uint16_t* dst, int32_t width, bool swap_rb,
                                      bool set_alpha, uint16_t alpha) noexcept {
    const int r = swap_rb ? 2 : 0, b = swap_rb ? 0 : 2;
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = widen8(src[r]);
        dst[1] = widen8(src[1]);
        dst[2] = widen8(src[b]);
        if (set_alpha) dst[3] = alpha;
    }
}

inline void fill_row_rgba32(uint8_t* dst, int32_t width, const uint8_t px[4]) noexcept {
    for (int32_t x = 0; x < width; ++x, dst += 4) {
        dst[0] = px[0];
        dst[1] = px[1];
        dst[2] = px[2];
        dst[3] = px[3];
    }
}

}  // namespace oka
