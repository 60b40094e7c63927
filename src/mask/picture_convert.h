// Small converters between the host's RGB24 and RGBA32 pictures, used
// around the mask builders. None touches the mask.
#pragma once

#include <cstdint>

namespace oka {

// In a canvas-sized RGBA32 picture, every pixel with abs(A - alpha) <= t
// (t = percent_tolerance(tolerance)) becomes the bytes (r, g, b, a).
void replace_alpha_range(uint8_t* rgba, int32_t alpha, int32_t tolerance, int32_t r, int32_t g, int32_t b,
                         int32_t a) noexcept;

// The four take their own width and height; both pictures are tightly
// packed (rows of width * 3 or width * 4 bytes). Nothing happens for a null
// picture or a width or height below 1.

// RGBA32 alpha -> grey RGB24 (alpha in all three channels).
void rgba_alpha_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept;
// RGB24 -> RGBA32 alpha = (R + G + B) / 3; the colour bytes are kept.
void rgb24_to_rgba_alpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept;
// RGB24 colour -> RGBA32 colour; the alpha bytes are kept.
void rgb24_to_rgba(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept;
// RGBA32 colour -> RGB24; alpha dropped.
void rgba_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) noexcept;

}  // namespace oka
