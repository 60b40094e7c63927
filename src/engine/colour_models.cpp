// Colour model conversions. See colour_models.h for the conventions; the
// comments here give the maths of each step.
#include "engine/colour_models.h"

#include <cmath>

namespace oka {

namespace {

// Integer part of a channel already scaled to 0..255, low eight bits kept.
// A value that an int cannot hold (or NaN) gives 0, which is what a
// truncating conversion's "integer indefinite" result leaves in the low byte.
inline uint8_t trunc_low_byte(double c255) noexcept {
    if (!(c255 > -2147483649.0 && c255 < 2147483648.0)) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(c255) & 0xFF);
}

inline Rgb8 channels_to_bytes(double r, double g, double b) noexcept {
    return {trunc_low_byte(r * 255), trunc_low_byte(g * 255), trunc_low_byte(b * 255)};
}

inline double max3(double a, double b, double c) noexcept { return a > b ? (a > c ? a : c) : (b > c ? b : c); }
inline double min3(double a, double b, double c) noexcept { return a < b ? (a < c ? a : c) : (b < c ? b : c); }

// sRGB companding: linear light from a normalised channel and back.
constexpr double kInv1055 = 0.9478672985781991;   // 1 / 1.055
constexpr double kInv1292 = 0.07739938080495357;  // 1 / 12.92
constexpr double kInv24 = 0.4166666666666667;     // 1 / 2.4

inline double srgb_to_linear(double c) noexcept {
    return c > 0.04045 ? std::pow((c + 0.055) * kInv1055, 2.4) : c * kInv1292;
}
inline double linear_to_srgb(double c) noexcept {
    return c > 0.0031308 ? 1.055 * std::pow(c, kInv24) - 0.055 : 12.92 * c;
}

// Scaled to 0..255, truncated toward zero, clamped to a byte.
inline uint8_t clamp_byte(double c) noexcept {
    const double v = c * 255;
    if (!(v > 0)) return 0;  // negatives and NaN
    if (v >= 255) return 255;
    return static_cast<uint8_t>(static_cast<int32_t>(v));
}

// CIE L*a*b* companding with the linear toe below (6/29)^3.
constexpr double kLabEpsilon = 0.008856;
constexpr double kLabKappa = 7.787;
constexpr double k16Over116 = 0.13793103448275862;
constexpr double kInvWhiteX = 0.010521110608435826;  // 1 / 95.047
constexpr double kInvWhiteZ = 0.009184170164304804;  // 1 / 108.883
constexpr double kInv116 = 0.008620689655172414;
constexpr double kInvKappa = 0.1284191601386927;  // 1 / 7.787

inline double lab_f(double t) noexcept { return t > kLabEpsilon ? std::pow(t, 1.0 / 3.0) : kLabKappa * t + k16Over116; }
inline double lab_f_inverse(double f) noexcept {
    const double f3 = f * f * f;
    return f3 > kLabEpsilon ? f3 : (f - k16Over116) * kInvKappa;
}

inline double non_negative(double v) noexcept { return v < 0 ? 0 : v; }

// One HSL channel from its hue (already wrapped once into 0..360): a ramp up
// over 0..60, flat top to 180, ramp down to 240, floor beyond.
inline double hsl_channel(double m1, double m2, double x) noexcept {
    if (x < 60) return m1 + (m2 - m1) * x / 60;
    if (x < 180) return m2;
    if (x < 240) return m1 + (m2 - m1) * (240 - x) / 60;
    return m1;
}

inline double wrap_once(double x) noexcept {
    if (x > 360) return x - 360;
    if (x < 0) return x + 360;
    return x;
}

}  // namespace

Hsv RgbToHsv(int32_t r, int32_t g, int32_t b) noexcept {
    const double rn = r * kInv255, gn = g * kInv255, bn = b * kInv255;
    const double mx = max3(rn, gn, bn);
    const double d = mx - min3(rn, gn, bn);
    if (d == 0) return {-1.0, 0.0, mx};
    return {RgbToHue(r, g, b), d / mx, mx};
}

Rgb8 HsvToRgb(double h, double s, double v) noexcept {
    if (s == 0) return channels_to_bytes(v, v, v);
    if (h == 360) h = 0;
    const double x = h / 60;
    const double i = std::floor(x);
    const double f = x - i;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    // Sector 0..5; anything else (a hue outside 0..360, NaN) falls through
    // to the "all channels s" case without converting an unrepresentable i.
    const int sector = (i >= 0 && i <= 5) ? static_cast<int>(i) : -1;
    switch (sector) {
        case 0: return channels_to_bytes(v, t, p);
        case 1: return channels_to_bytes(q, v, p);
        case 2: return channels_to_bytes(p, v, t);
        case 3: return channels_to_bytes(p, q, v);
        case 4: return channels_to_bytes(t, p, v);
        case 5: return channels_to_bytes(v, p, q);
        default: return channels_to_bytes(s, s, s);
    }
}

Hsl RgbToHsl(int32_t r8, int32_t g8, int32_t b8) noexcept {
    const double r = r8 * kInv255, g = g8 * kInv255, b = b8 * kInv255;
    const double mx = max3(r, g, b), mn = min3(r, g, b);
    const double l = (mx + mn) / 2;
    const double d = mx - mn;
    if (d == 0) return {0.0, 0.0, l};
    const double s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    // Distance of each channel below the maximum, as a fraction of the
    // chroma, shifted by half a sector: the hue offset inside a sector.
    const double dr = ((mx - r) / 6 + d / 2) / d;
    const double dg = ((mx - g) / 6 + d / 2) / d;
    const double db = ((mx - b) / 6 + d / 2) / d;
    double h = 0;
    if (r == mx)
        h = db - dg;
    else if (g == mx)
        h = 1.0 / 3.0 + dr - db;
    else if (b == mx)
        h = 2.0 / 3.0 + dg - dr;
    if (h < 0) h += 1;
    if (h > 1) h -= 1;
    return {h * 360, s, l};
}

Rgb8 HslToRgb(double h, double s, double l) noexcept {
    if (s == 0) {
        const uint8_t c = trunc_low_byte(l * 255);
        return {c, c, c};
    }
    const double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    return channels_to_bytes(hsl_channel(m1, m2, wrap_once(h + 120)), hsl_channel(m1, m2, wrap_once(h)),
                             hsl_channel(m1, m2, wrap_once(h - 120)));
}

Xyz RgbToXyz(int32_t r8, int32_t g8, int32_t b8) noexcept {
    const double r = srgb_to_linear(r8 * kInv255) * 100;
    const double g = srgb_to_linear(g8 * kInv255) * 100;
    const double b = srgb_to_linear(b8 * kInv255) * 100;
    return {non_negative(0.4124 * r + 0.3576 * g + 0.1805 * b), non_negative(0.2126 * r + 0.7152 * g + 0.0722 * b),
            non_negative(0.0193 * r + 0.1192 * g + 0.9505 * b)};
}

Rgb8 XyzToRgb(double X, double Y, double Z) noexcept {
    const double x = X * 0.01, y = Y * 0.01, z = Z * 0.01;
    const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z;
    const double g = -0.9689 * x + 1.8758 * y + 0.0415 * z;
    const double b = 0.0557 * x - 0.2040 * y + 1.0570 * z;
    return {clamp_byte(linear_to_srgb(r)), clamp_byte(linear_to_srgb(g)), clamp_byte(linear_to_srgb(b))};
}

Lab XyzToLab(double X, double Y, double Z) noexcept {
    const double fx = lab_f(X * kInvWhiteX);
    const double fy = lab_f(Y * 0.01);
    const double fz = lab_f(Z * kInvWhiteZ);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Xyz LabToXyz(double l, double a, double b) noexcept {
    const double fy = (l + 16) * kInv116;
    const double fx = fy + a * 0.002;
    const double fz = fy - b * 0.005;
    return {non_negative(kWhiteX * lab_f_inverse(fx)), non_negative(kWhiteY * lab_f_inverse(fy)),
            non_negative(kWhiteZ * lab_f_inverse(fz))};
}

Lab RgbToLab(int32_t r, int32_t g, int32_t b) noexcept {
    const Xyz xyz = RgbToXyz(r, g, b);
    return XyzToLab(xyz.x, xyz.y, xyz.z);
}

Rgb8 LabToRgb(double l, double a, double b) noexcept {
    const Xyz xyz = LabToXyz(l, a, b);
    return XyzToRgb(xyz.x, xyz.y, xyz.z);
}

Cmyk CmyToCmyk(double c, double m, double y) noexcept {
    double k = 1;
    if (c < k) k = c;
    if (m < k) k = m;
    if (y < k) k = y;
    if (k == 1) return {0, 0, 0, 1};
    return {(c - k) / (1 - k), (m - k) / (1 - k), (y - k) / (1 - k), k};
}

Rgb8 CmykToRgb(double c, double m, double y, double k) noexcept {
    c = c * (1 - k) + k;
    m = m * (1 - k) + k;
    y = y * (1 - k) + k;
    return channels_to_bytes(1 - c, 1 - m, 1 - y);
}

}  // namespace oka
