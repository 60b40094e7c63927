#include "imaging/blur.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace oka::imaging {

bool blur_grey_3x3(const uint8_t* src, int32_t w, int32_t h, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                   int32_t amount_percent) noexcept {
    if (!src || !dst || w <= 0 || h <= 0) return false;
    const int32_t amount = std::clamp(amount_percent, 0, 100);
    // Horizontal pass into 16-bit rows (sums up to 4 * 255), then vertical.
    std::vector<uint16_t> rows;
    try {
        rows.resize(size_t(w) * 3);
    } catch (...) {
        return false;
    }
    auto horizontal = [&](int32_t y, uint16_t* out) {
        const uint8_t* s = src + std::ptrdiff_t(y) * src_stride;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t l = s[std::max(x - 1, 0)], c = s[x], r = s[std::min(x + 1, w - 1)];
            out[x] = uint16_t(l + 2 * c + r);
        }
    };
    uint16_t* ring[3] = {rows.data(), rows.data() + w, rows.data() + 2 * size_t(w)};
    horizontal(0, ring[1]);
    horizontal(0, ring[0]);
    for (int32_t y = 0; y < h; ++y) {
        horizontal(std::min(y + 1, h - 1), ring[2]);
        const uint8_t* s = src + std::ptrdiff_t(y) * src_stride;
        uint8_t* d = dst + std::ptrdiff_t(y) * dst_stride;
        for (int32_t x = 0; x < w; ++x) {
            // Rounded (sum + 8) / 16, then the amount blend toward it.
            const uint32_t blurred = (uint32_t(ring[0][x]) + 2u * ring[1][x] + ring[2][x] + 8u) >> 4;
            d[x] = uint8_t((blurred * uint32_t(amount) + uint32_t(s[x]) * uint32_t(100 - amount) + 50) / 100);
        }
        uint16_t* t = ring[0];
        ring[0] = ring[1];
        ring[1] = ring[2];
        ring[2] = t;
    }
    return true;
}

}  // namespace oka::imaging
