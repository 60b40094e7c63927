// Colour model conversions: the published reference numbers, the tie and
// truncation rules, and exhaustive RGB -> HSV/HSL -> RGB round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/colour_models.h"

namespace {

using namespace oka;

struct HsvCase {
    int r, g, b;
    double h, s, v;
};

TEST(ColourModels, RgbToHsvReferenceColours) {
    const HsvCase cases[] = {
        {128, 128, 128, -1, 0, 128 / 255.0},  // no chroma: hue -1
        {0, 0, 0, -1, 0, 0},
        {255, 0, 0, 0, 1, 1},
        {0, 0, 255, 240, 1, 1},
        {0, 255, 0, 120, 1, 1},
        {255, 255, 0, 60, 1, 1},   // red/green tie
        {0, 255, 255, 180, 1, 1},  // green/blue tie
        {255, 0, 255, 300, 1, 1},  // red/blue tie
        {255, 0, 1, 360 - 60.0 / 255, 1, 1},  // negative sector wraps by +360
        {200, 100, 50, 20, 150 / 200.0, 200 / 255.0},
    };
    for (const auto& c : cases) {
        const Hsv hsv = RgbToHsv(c.r, c.g, c.b);
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_NEAR(hsv.h, c.h, 1e-9);
        EXPECT_NEAR(hsv.s, c.s, 1e-12);
        EXPECT_NEAR(hsv.v, c.v, 1e-12);
        EXPECT_LT(hsv.h, 360.0);
        EXPECT_EQ(RgbToHue(c.r, c.g, c.b), hsv.h) << "the hue alone matches the full conversion bit for bit";
    }
}

// The hue as the conversion is written out step by step (branches, red
// tested first, then blue, then green); the engine's branch-free form must
// agree with it bit for bit on every colour, or hue-range masks would
// differ from the conversion's hue at the edges of their arcs.
double hue_as_written(int r8, int g8, int b8) {
    const double r = r8 * 0.00392156862745098, g = g8 * 0.00392156862745098, b = b8 * 0.00392156862745098;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double d = mx - mn;
    if (d == 0) return -1;
    double h;
    if (r == mx)
        h = (g - b) / d;
    else if (g != mx)
        h = (r - g) / d + 4;
    else
        h = (b - r) / d + 2;
    h *= 60;
    if (h < 0) h += 360;
    return h;
}

TEST(ColourModels, BranchFreeHueMatchesTheStepsOnEveryColour) {
    long mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) mismatches += RgbToHue(r, g, b) != hue_as_written(r, g, b);
    EXPECT_EQ(mismatches, 0);
}

TEST(ColourModels, RgbToHslReferenceColours) {
    const HsvCase cases[] = {
        // r, g, b, h, s, l
        {128, 128, 128, 0, 0, 128 / 255.0},  // a grey has hue 0, not -1
        {255, 0, 0, 0, 1, 0.5},
        {0, 255, 0, 120, 1, 0.5},
        {0, 0, 255, 240, 1, 0.5},
        {0, 127, 0, 120, 1, 127 / 510.0},
        {255, 128, 128, 0, 1, 383 / 510.0},  // l >= 0.5 branch: d / (2 - max - min)
        {200, 100, 50, 20, 150.0 / 250.0, 250 / 510.0},
    };
    for (const auto& c : cases) {
        const Hsl hsl = RgbToHsl(c.r, c.g, c.b);
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_NEAR(hsl.h, c.h, 1e-9);
        EXPECT_NEAR(hsl.s, c.s, 1e-12);
        EXPECT_NEAR(hsl.l, c.v, 1e-12);
    }
}

struct ToRgbCase {
    double a, b, c;
    Rgb8 want;
};

TEST(ColourModels, HsvToRgbTruncatesAndWraps) {
    const ToRgbCase cases[] = {
        {360, 1, 1, {255, 0, 0}},   // 360 reads as 0
        {0, 1, 1, {255, 0, 0}},
        {30, 1, 1, {255, 127, 0}},  // 127.5 truncates, no rounding
        {240, 1, 1, {0, 0, 255}},
        {-1, 0, 0.5, {127, 127, 127}},  // s = 0: v everywhere, whatever the hue
        {400, 0.5, 1, {127, 127, 127}},  // sector 6: s in every channel
        {-30, 0.25, 1, {63, 63, 63}},    // sector -1: likewise
        {0, 0, 2, {254, 254, 254}},      // 510 keeps its low byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b << "," << c.c);
        EXPECT_EQ(HsvToRgb(c.a, c.b, c.c), c.want);
    }
    EXPECT_EQ(HsvToRgb(std::nan(""), 1, 1), (Rgb8{255, 255, 255})) << "NaN hue takes the out-of-range path";
}

TEST(ColourModels, HslToRgbTruncatesAndWraps) {
    const ToRgbCase cases[] = {
        {0, 1, 0.5, {255, 0, 0}},
        {120, 1, 0.25, {0, 127, 0}},
        {240, 1, 0.5, {0, 0, 255}},
        {360, 1, 0.5, {255, 0, 0}},
        {30, 1, 0.5, {255, 127, 0}},
        {77, 0, 0.5, {127, 127, 127}},  // s = 0: integer part of l * 255
        {0, 1, 0.75, {255, 127, 127}},  // l >= 0.5: m2 = l + s - l*s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b << "," << c.c);
        EXPECT_EQ(HslToRgb(c.a, c.b, c.c), c.want);
    }
}

TEST(ColourModels, XyzAndLabReferenceNumbers) {
    // sRGB primaries under the D65 matrix are its columns (x 100).
    const Xyz red = RgbToXyz(255, 0, 0);
    EXPECT_NEAR(red.x, 41.24, 1e-9);
    EXPECT_NEAR(red.y, 21.26, 1e-9);
    EXPECT_NEAR(red.z, 1.93, 1e-9);
    const Xyz white = RgbToXyz(255, 255, 255);
    EXPECT_NEAR(white.x, 95.05, 1e-9);
    EXPECT_NEAR(white.y, 100.0, 1e-9);
    EXPECT_NEAR(white.z, 108.9, 1e-9);
    // Below the 0.04045 knee the curve is linear: 10/255/12.92.
    EXPECT_NEAR(RgbToXyz(0, 10, 0).y, 0.7152 * 10 / 255.0 / 12.92 * 100, 1e-12);

    const Lab lw = RgbToLab(255, 255, 255);
    EXPECT_NEAR(lw.l, 100.0, 1e-6);
    EXPECT_NEAR(lw.a, 0.0, 0.02);  // the four-digit matrix leaves white a hair off neutral
    EXPECT_NEAR(lw.b, 0.0, 0.02);
    // Pure red is linear 1 in one channel, so its XYZ is the matrix column
    // and CIELAB follows from the textbook cube roots.
    const Lab lr = RgbToLab(255, 0, 0);
    const double fy = std::cbrt(0.2126), fx = std::cbrt(41.24 / 95.047), fz = std::cbrt(1.93 / 108.883);
    EXPECT_NEAR(lr.l, 116 * fy - 16, 1e-9);
    EXPECT_NEAR(lr.a, 500 * (fx - fy), 1e-9);
    EXPECT_NEAR(lr.b, 200 * (fy - fz), 1e-9);
    // A dark blue sits on the linear toe of f: y = 0.0722 * lin(30/255).
    const double y30 = 0.0722 * std::pow((30 / 255.0 + 0.055) / 1.055, 2.4);
    ASSERT_LT(y30, 0.008856);
    EXPECT_NEAR(RgbToLab(0, 0, 30).l, 116 * (7.787 * y30 + 16.0 / 116) - 16, 1e-9);
    const Lab lk = RgbToLab(0, 0, 0);
    EXPECT_NEAR(lk.l, 0.0, 1e-12);

    // Blue lands on 254.98 before truncation.
    EXPECT_EQ(LabToRgb(100, 0, 0), (Rgb8{255, 255, 254}));
    EXPECT_EQ(LabToRgb(0, 0, 0), (Rgb8{0, 0, 0}));
    // Out of gamut clamps instead of wrapping; negative XYZ is floored at 0.
    EXPECT_EQ(XyzToRgb(-50, -50, -50), (Rgb8{0, 0, 0}));
    EXPECT_EQ(XyzToRgb(500, 500, 500), (Rgb8{255, 255, 255}));
    const Xyz neg = LabToXyz(0, -500, 500);
    EXPECT_EQ(neg.z, 0.0);
    EXPECT_GE(neg.x, 0.0);
}

TEST(ColourModels, LabRoundTripStaysWithinOneStep) {
    // Forward and inverse matrices are four-digit roundings of each other,
    // so a round trip may lose a step to truncation but never more.
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const Lab lab = RgbToLab(r, g, b);
                const Rgb8 back = LabToRgb(lab.l, lab.a, lab.b);
                ASSERT_LE(std::abs(back.r - r), 1) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(back.g - g), 1) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(back.b - b), 1) << r << "," << g << "," << b;
            }
}

TEST(ColourModels, CmykReferenceNumbers) {
    struct Case {
        double c, m, y;
        double want[4];
    } const cases[] = {
        {1, 1, 1, {0, 0, 0, 1}},
        {0.5, 0.75, 1, {0, 0.5, 1, 0.5}},
        {0, 0, 0, {0, 0, 0, 0}},
        {1.5, 1.5, 1.5, {0, 0, 0, 1}},  // k never exceeds 1
    };
    for (const auto& c : cases) {
        const Cmyk k = CmyToCmyk(c.c, c.m, c.y);
        EXPECT_DOUBLE_EQ(k.c, c.want[0]);
        EXPECT_DOUBLE_EQ(k.m, c.want[1]);
        EXPECT_DOUBLE_EQ(k.y, c.want[2]);
        EXPECT_DOUBLE_EQ(k.k, c.want[3]);
    }
    EXPECT_EQ(CmykToRgb(0, 0, 0, 0), (Rgb8{255, 255, 255}));
    EXPECT_EQ(CmykToRgb(0, 0, 0, 1), (Rgb8{0, 0, 0}));
    EXPECT_EQ(CmykToRgb(0, 0.5, 1, 0.5), (Rgb8{127, 63, 0}));
    EXPECT_EQ(CmykToRgb(-1, 0, 0, 0), (Rgb8{254, 255, 255})) << "510 keeps its low byte, no clamping";
    // RGB -> CMY -> CMYK -> RGB loses at most the truncation step.
    for (int v = 0; v < 256; v += 3) {
        const Cmyk k = CmyToCmyk(1 - v / 255.0, 1 - (255 - v) / 255.0, 1 - (v / 2) / 255.0);
        const Rgb8 back = CmykToRgb(k.c, k.m, k.y, k.k);
        EXPECT_LE(std::abs(back.r - v), 1);
        EXPECT_LE(std::abs(back.g - (255 - v)), 1);
        EXPECT_LE(std::abs(back.b - v / 2), 1);
    }
}

// Every one of the 2^24 colours through HSV or HSL and back: each channel
// comes back as itself or, where the double lands a hair below the integer,
// one less (truncation, never rounding up). Under the sanitizers the full
// sweep is too slow, so only every 7th blue level is visited there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kBlueStep = 7;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kBlueStep = 7;
#else
constexpr int kBlueStep = 1;
#endif
#else
constexpr int kBlueStep = 1;
#endif

inline bool within_truncation(int got, int want) { return got == want || got == want - 1; }

template <class To, class Back>
void round_trip_all(To to, Back back, long* exact_out) {
    long bad = 0, exact = 0;
    int first_bad = -1;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; b += kBlueStep) {
                const auto m = to(r, g, b);
                const Rgb8 o = back(m);
                const bool ok = within_truncation(o.r, r) & within_truncation(o.g, g) & within_truncation(o.b, b);
                exact += (o.r == r) & (o.g == g) & (o.b == b);
                if (!ok) {
                    if (first_bad < 0) first_bad = (r << 16) | (g << 8) | b;
                    ++bad;
                }
            }
    EXPECT_EQ(bad, 0) << "first failing colour 0x" << std::hex << first_bad;
    *exact_out = exact;
}

TEST(ColourModels, HsvRoundTripOverEveryColour) {
    long exact = 0;
    round_trip_all(RgbToHsv, [](const Hsv& m) { return HsvToRgb(m.h, m.s, m.v); }, &exact);
    EXPECT_GT(exact, 0);
}

TEST(ColourModels, HslRoundTripOverEveryColour) {
    long exact = 0;
    round_trip_all(RgbToHsl, [](const Hsl& m) { return HslToRgb(m.h, m.s, m.l); }, &exact);
    EXPECT_GT(exact, 0);
}

}  // namespace
