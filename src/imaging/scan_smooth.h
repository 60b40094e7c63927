// Eight-pass scan smoothing of RGBA32 images, in place.
//
// Each pass walks the image along rows (horizontal passes) or columns
// (vertical passes) and hands a pair rule the pixel p and its successor q
// on the scan line; the rule may rewrite q, and since q is the next step's
// p, a change travels along the line. The passes, as (x0, x1, dx, y0, y1,
// dy) with the end values excluded:
//
//   1 horizontal  0, W-2, +1    0, H-2, +1      5 vertical  same as 1
//   2 horizontal  W-1, 1, -1    H-1, 1, -1      6 vertical  same as 2
//   3 horizontal  W-1, 1, -1    1, H-1, +1      7 vertical  W-1, 1, -1   0, H-2, +1
//   4 horizontal  0, W-2, +1    H-1, 1, -1      8 vertical  0, W-2, +1   H-1, 1, -1
//
// q is (x + dx, y) in a horizontal pass and (x, y + dy) in a vertical one,
// so the four corner pixels are never written. A range whose start lies
// beyond its end (images under 3 pixels in a direction) visits nothing.
// The value smoothing rule is the brush shape blur and the "Value Blur"
// filter; the other scan filters bring their own rules.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::imaging {

struct ScanPass {
    bool horizontal;
    int32_t x0, x1, dx, y0, y1, dy;
};

// The eight passes for a W x H image, in order.
void scan_passes(int32_t w, int32_t h, ScanPass out[8]) noexcept;

// grey(pixel) = (R + G + B) / 3, integer division.
inline uint32_t scan_grey(const uint8_t* px) noexcept { return (uint32_t{px[0]} + px[1] + px[2]) / 3u; }

// Runs the eight passes; rule(p, q, diag) gets pointers to the 4-byte
// pixels p, q and the diagonal neighbour (x + dx, y + dy), which always lies
// inside the image. Rows are `stride` bytes apart.
template <class Rule>
void scan_smooth(uint8_t* img, int32_t w, int32_t h, size_t stride, Rule&& rule) {
    if (!img || w < 1 || h < 1) return;
    ScanPass passes[8];
    scan_passes(w, h, passes);
    for (const ScanPass& s : passes) {
        const ptrdiff_t step_q = s.horizontal ? s.dx * 4 : s.dy * static_cast<ptrdiff_t>(stride);
        const ptrdiff_t step_diag = s.dx * 4 + s.dy * static_cast<ptrdiff_t>(stride);
        for (int32_t y = s.y0; s.dy > 0 ? y < s.y1 : y > s.y1; y += s.dy) {
            uint8_t* row = img + static_cast<size_t>(y) * stride;
            for (int32_t x = s.x0; s.dx > 0 ? x < s.x1 : x > s.x1; x += s.dx) {
                uint8_t* p = row + static_cast<size_t>(x) * 4;
                rule(static_cast<const uint8_t*>(p), p + step_q, static_cast<const uint8_t*>(p + step_diag));
            }
        }
    }
}

// Value smoothing: with a = grey(p), b = grey(q), the weight is
// w1 = trunc(s1 x 65535) when a > b, w2 = trunc(s2 x 65535) when a < b,
// none when equal. For w > 0 each channel of q becomes
//   ((w x q >> 8) + (p x (65535 - w) >> 8)) >> 8, clamped to 0..255,
// so w near 65535 keeps q and a small w pulls q to p. Fractions outside
// 0..1 are clamped.
void value_smooth(uint8_t* img, int32_t w, int32_t h, size_t stride, double s1, double s2);

}  // namespace oka::imaging
