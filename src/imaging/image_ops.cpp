#include "imaging/image_ops.h"

#include <algorithm>
#include <cstring>

namespace oka::imaging {

void to_grey8(const uint8_t* src, int32_t w, int32_t h, int32_t channels, size_t src_stride, uint8_t* dst,
              size_t dst_stride) noexcept {
    if (!src || !dst || w <= 0 || h <= 0) return;
    if (channels != 1 && channels != 3 && channels != 4) return;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * src_stride;
        uint8_t* d = dst + static_cast<size_t>(y) * dst_stride;
        if (channels == 1) {
            std::memcpy(d, s, static_cast<size_t>(w));
            continue;
        }
        for (int32_t x = 0; x < w; ++x, s += channels) d[x] = grey_of(s[0], s[1], s[2]);
    }
}

void swap_red_blue(uint8_t* px, int32_t w, int32_t h, size_t stride) noexcept {
    if (!px || w <= 0 || h <= 0) return;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* p = px + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < w; ++x, p += 4) std::swap(p[0], p[2]);
    }
}

bool overlay(uint8_t* dst, int32_t dw, int32_t dh, int32_t channels, size_t dst_stride, const uint8_t* src, int32_t sw,
             int32_t sh, size_t src_stride, int32_t x, int32_t y, double opacity) noexcept {
    if (!dst || !src || channels < 1 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
    if (!(opacity > 0.0)) return false;  // also rejects NaN
    // Overlap in destination coordinates, in 64 bits so x + sw cannot wrap.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + sw, dw), y1 = std::min<int64_t>(int64_t{y} + sh, dh);
    if (x0 >= x1 || y0 >= y1) return false;
    const size_t bytes = static_cast<size_t>(x1 - x0) * static_cast<size_t>(channels);
    const uint32_t a = opacity >= 1.0 ? 256u : static_cast<uint32_t>(opacity * 256.0 + 0.5);
    for (int64_t row = y0; row < y1; ++row) {
        uint8_t* d = dst + static_cast<size_t>(row) * dst_stride + static_cast<size_t>(x0) * channels;
        const uint8_t* s =
            src + static_cast<size_t>(row - y) * src_stride + static_cast<size_t>(x0 - x) * static_cast<size_t>(channels);
        if (a >= 256) {
            std::memcpy(d, s, bytes);
        } else {
            for (size_t i = 0; i < bytes; ++i) d[i] = static_cast<uint8_t>((s[i] * a + d[i] * (256 - a) + 128) >> 8);
        }
    }
    return true;
}

}  // namespace oka::imaging
