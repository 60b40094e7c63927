// RGB24 / RGBA32 picture converters.
#include "mask/picture_convert.h"

#include <cstddef>

#include "engine/engine_state.h"
#include "mask/mask_from_pixels.h"

namespace oka {

namespace {

// Pixel count of a width x height picture, 0 when either is below 1.
size_t picture_pixels(int32_t width, int32_t height) noexcept {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

}  // namespace

void replace_alpha_range(uint8_t* rgba, int32_t alpha, int32_t tolerance, int32_t r, int32_t g, int32_t b,
                         int32_t a) noexcept {
    if (!rgba) return;
    const int64_t t = percent_tolerance(tolerance);
    const uint8_t px[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
    const size_t n = engine().canvas_pixels();
    for (size_t i = 0; i < n; ++i) {
        uint8_t* p = rgba + 4 * i;
        const int64_t d = int64_t{p[3]} - alpha;
        if ((d < 0 ? -d : d) <= t) {
            p[0] = px[0];
            p[1] = px[1];
            p[2] = px[2];
            p[3] = px[3];
        }
    }
}

void rgba_alpha_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept {
    if (!dst || !src) return;
    const size_t n = picture_pixels(width, height);
    for (size_t i = 0; i < n; ++i) dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = src[4 * i + 3];
}

void rgb24_to_rgba_alpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept {
    if (!dst || !src) return;
    const size_t n = picture_pixels(width, height);
    for (size_t i = 0; i < n; ++i)
        dst[4 * i + 3] = static_cast<uint8_t>((src[3 * i] + src[3 * i + 1] + src[3 * i + 2]) / 3);
}

void rgb24_to_rgba(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept {
    if (!dst || !src) return;
    const size_t n = picture_pixels(width, height);
    for (size_t i = 0; i < n; ++i) {
        dst[4 * i] = src[3 * i];
        dst[4 * i + 1] = src[3 * i + 1];
        dst[4 * i + 2] = src[3 * i + 2];
    }
}

void rgba_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept {
    if (!dst || !src) return;
    const size_t n = picture_pixels(width, height);
    for (size_t i = 0; i < n; ++i) {
        dst[3 * i] = src[4 * i];
        dst[3 * i + 1] = src[4 * i + 1];
        dst[3 * i + 2] = src[4 * i + 2];
    }
}

}  // namespace oka
