// Colour models: 8-bit RGB to and from HSV, HSL, CIE XYZ, CIE L*a*b* and
// CMY/CMYK.
//
// Every part of the engine that thinks in another colour model (selections
// by hue, the hue/saturation adjustments, filters, the script functions)
// calls these, so the numbers below are the engine's one definition of each
// conversion: the constants, the points where a double is truncated to a
// byte and the order in which ties between channels are broken.
//
// Conventions shared by all functions:
//   - RGB inputs are integers, meant to lie in 0..255. They are normalised
//     as c * kInv255 (a product, not a division: the two differ in the last
//     bit for some c, and hue tests compare doubles exactly).
//   - Model values are doubles: hue in degrees; saturation, value,
//     lightness and CMYK components in 0..1; X, Y, Z on the 0..100 scale
//     (Y = 100 for white, D65 2-degree observer); L* in 0..100.
//   - A byte result is the integer part of channel * 255 (truncation toward
//     zero, never rounding) keeping only its low eight bits. Nothing is
//     clamped, so inputs outside the documented ranges wrap; a value that
//     does not fit an int (or NaN) yields 0. XyzToRgb is the one converter
//     that clamps to 0..255.
//
// All functions are pure, thread-safe and noexcept.
#pragma once

#include <cstdint>

namespace oka {

inline constexpr double kInv255 = 0.00392156862745098;

// Reference white, D65 2-degree observer, Y = 100 scale.
inline constexpr double kWhiteX = 95.047;
inline constexpr double kWhiteY = 100.000;
inline constexpr double kWhiteZ = 108.883;

struct Rgb8 {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};
struct Hsv {
    double h = 0, s = 0, v = 0;  // h in [0, 360), or -1 without chroma
};
struct Hsl {
    double h = 0, s = 0, l = 0;  // h in [0, 360]; 0 for a grey
};
struct Xyz {
    double x = 0, y = 0, z = 0;
};
struct Lab {
    double l = 0, a = 0, b = 0;
};
struct Cmyk {
    double c = 0, m = 0, y = 0, k = 0;
};

// Hue of an RGB colour exactly as RgbToHsv computes it (-1 for a grey);
// exposed so that hue tests over whole pictures need not compute s and v.
inline double RgbToHue(int32_t r, int32_t g, int32_t b) noexcept;

// v = max; s = (max - min) / max; h from the channel holding the maximum,
// red tested first, then blue, then green. A grey gives h = -1, s = 0.
Hsv RgbToHsv(int32_t r, int32_t g, int32_t b) noexcept;
// Sector formula; a hue of exactly 360 is read as 0. s = 0 gives v in all
// channels; a hue outside 0..360 (sector not 0..5) gives s in all channels.
Rgb8 HsvToRgb(double h, double s, double v) noexcept;

// l = (max + min) / 2; a grey gives h = 0, s = 0.
Hsl RgbToHsl(int32_t r, int32_t g, int32_t b) noexcept;
// Two-point (m1, m2) formula with the hue wrapped once into 0..360.
Rgb8 HslToRgb(double h, double s, double l) noexcept;

// sRGB companding and the sRGB/D65 matrix; negative results become 0.
Xyz RgbToXyz(int32_t r, int32_t g, int32_t b) noexcept;
// Inverse matrix and companding; bytes truncated, then clamped to 0..255.
Rgb8 XyzToRgb(double x, double y, double z) noexcept;

Lab XyzToLab(double x, double y, double z) noexcept;
// Negative X, Y, Z results become 0.
Xyz LabToXyz(double l, double a, double b) noexcept;

// XyzToLab(RgbToXyz(r, g, b)) and XyzToRgb(LabToXyz(l, a, b)).
Lab RgbToLab(int32_t r, int32_t g, int32_t b) noexcept;
Rgb8 LabToRgb(double l, double a, double b) noexcept;

// Under-colour removal: k = min(1, c, m, y); the rest rescaled by 1 - k.
// Callers starting from RGB bytes pass c = 1 - r/255 and so on.
Cmyk CmyToCmyk(double c, double m, double y) noexcept;
// Each of c, m, y becomes c * (1 - k) + k; then r = (1 - c) * 255 truncated.
Rgb8 CmykToRgb(double c, double m, double y, double k) noexcept;

// ---------------------------------------------------------------------------

inline double RgbToHue(int32_t r8, int32_t g8, int32_t b8) noexcept {
    const double r = r8 * kInv255, g = g8 * kInv255, b = b8 * kInv255;
    const double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    const double d = mx - mn;
    // Sector of the channel holding the maximum, red tested first, then blue
    // (green not the maximum), then green:
    //   red   h = (g - b) / d
    //   blue  h = (r - g) / d + 4
    //   green h = (b - r) / d + 2
    // then h * 60, plus 360 when negative. Written with selects instead of
    // branches so that loops over pictures vectorise; adding 0 in the red
    // sector changes no value (g - b is never -0). A grey (d = 0) is -1.
    const bool red = r == mx;
    const bool blue = !red && g != mx;
    const double num = red ? g - b : (blue ? r - g : b - r);
    const double off = red ? 0.0 : (blue ? 4.0 : 2.0);
    double h = (num / (d == 0 ? 1.0 : d) + off) * 60;
    h = h < 0 ? h + 360 : h;
    return d == 0 ? -1.0 : h;
}

}  // namespace oka
