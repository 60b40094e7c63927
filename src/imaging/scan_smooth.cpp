#include "imaging/scan_smooth.h"

#include <algorithm>

namespace oka::imaging {

void scan_passes(int32_t w, int32_t h, ScanPass out[8]) noexcept {
    const ScanPass passes[8] = {
        {true, 0, w - 2, +1, 0, h - 2, +1},      {true, w - 1, 1, -1, h - 1, 1, -1},
        {true, w - 1, 1, -1, 1, h - 1, +1},      {true, 0, w - 2, +1, h - 1, 1, -1},
        {false, 0, w - 2, +1, 0, h - 2, +1},     {false, w - 1, 1, -1, h - 1, 1, -1},
        {false, w - 1, 1, -1, 0, h - 2, +1},     {false, 0, w - 2, +1, h - 1, 1, -1},
    };
    std::copy(passes, passes + 8, out);
}

namespace {

uint32_t weight_of(double s) {
    if (!(s > 0.0)) return 0;  // also NaN
    if (s >= 1.0) return 65535;
    return static_cast<uint32_t>(s * 65535.0);
}

}  // namespace

void value_smooth(uint8_t* img, int32_t w, int32_t h, size_t stride, double s1, double s2) {
    const uint32_t w1 = weight_of(s1), w2 = weight_of(s2);
    if (w1 == 0 && w2 == 0) return;  // no pair can change
    scan_smooth(img, w, h, stride, [w1, w2](const uint8_t* p, uint8_t* q, const uint8_t*) {
        const uint32_t a = scan_grey(p), b = scan_grey(q);
        const uint32_t wt = a > b ? w1 : (a < b ? w2 : 0);
        if (wt == 0) return;
        for (int c = 0; c < 4; ++c) {
            const uint32_t v = (((wt * q[c]) >> 8) + ((p[c] * (65535u - wt)) >> 8)) >> 8;
            q[c] = static_cast<uint8_t>(std::min<uint32_t>(v, 255));
        }
    });
}

}  // namespace oka::imaging
