// Masks built from pixels, the mask turned back into pixels, and the
// RGB24 / RGBA32 converters, on small pictures with exact expected masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/colour_models.h"
#include "engine/engine_state.h"
#include "mask/mask_from_pixels.h"
#include "okacore.h"

namespace {

using oka::engine;

constexpr int W = 4, H = 3, N = W * H;
constexpr uint16_t kSeed = 12345;  // a mask value no marker writes in these tests

using Picture = std::vector<uint8_t>;
using MaskValues = std::vector<uint16_t>;

class MaskFromPixels : public ::testing::Test {
protected:
    void SetUp() override {
        OKA_CreateImage(nullptr, W, H, 4, 0);
        ASSERT_EQ(OKA_CreateLayer(2, W, H), 1);
        OKA_SetLayer(2);
        fill_mask(kSeed);
    }
    void TearDown() override { OKA_DeleteImage(); }

    static void fill_mask(uint16_t v) {
        for (int i = 0; i < N; ++i) engine().mask[size_t(i)] = v;
    }
    static void set_mask(const MaskValues& m) {
        for (int i = 0; i < N; ++i) engine().mask[size_t(i)] = m[size_t(i)];
    }
    static MaskValues mask() { return MaskValues(engine().mask.data(), engine().mask.data() + N); }
    // Mask expected after marking: `value` where pass[i], the seed elsewhere.
    static MaskValues marked(const std::vector<int>& pass, uint16_t value) {
        MaskValues m(N, kSeed);
        for (int i = 0; i < N; ++i)
            if (pass[size_t(i)]) m[size_t(i)] = value;
        return m;
    }
    static uint16_t* layer_px(int i) { return engine().current->pixels.data() + 4 * i; }
    static void set_layer_px(int i, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        uint16_t* p = layer_px(i);
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
    // An RGBA32 picture from a list of pixels, the rest (1, 2, 3, 4).
    static Picture rgba(std::initializer_list<std::array<int, 4>> px) {
        Picture p(N * 4);
        for (int i = 0; i < N; ++i) p[size_t(4 * i)] = 1, p[size_t(4 * i + 1)] = 2, p[size_t(4 * i + 2)] = 3,
                                    p[size_t(4 * i + 3)] = 4;
        int i = 0;
        for (const auto& c : px) {
            for (int k = 0; k < 4; ++k) p[size_t(4 * i + k)] = uint8_t(c[size_t(k)]);
            ++i;
        }
        return p;
    }
};

// ---- strength and the layer-based builders -----------------------------------------

TEST_F(MaskFromPixels, StrengthBecomesMaskValueLow16Bits) {
    struct Case {
        int strength;
        uint16_t value;
    } const cases[] = {
        {0, 65280}, {255, 0}, {128, 32512}, {1, 65024},
        {256, 65280},  // (65535 - 256) * 256 = 0xFEFF00 -> 0xFF00
        {-1, 0},       // 65536 * 256 -> 0
    };
    Picture flood(N, 0);
    flood[5] = 1;
    for (const auto& c : cases) {
        fill_mask(kSeed);
        OKA_CreateMaskFromFloodMask(flood.data(), c.strength);
        SCOPED_TRACE(c.strength);
        EXPECT_EQ(mask(), marked({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, c.value));
    }
}

TEST_F(MaskFromPixels, GreyLumaAndAlphaOfTheLayer) {
    // (R, G, B, A) -> grey mask, luma mask, alpha mask
    struct Case {
        uint16_t r, g, b, a;
        uint16_t grey, luma;
    } const cases[] = {
        {255, 255, 255, 0, 65535, 65535},      // grey of 255 or less opens
        {256, 256, 256, 1, 65024, 65024},      // first grey above 255
        {65280, 65280, 65280, 7, 0, 0},        // white masks fully
        {65535, 65535, 65535, 65535, 0, 0},
        {0, 0, 0, 65280, 65535, 65535},
        {32768, 32768, 32768, 100, 32512, 32512},
        {8000, 0, 0, 3, 65280 - 2666, 65280 - 3000},  // luma 3/8 red
        {0, 8000, 0, 4, 65280 - 2666, 65280 - 4000},  // 4/8 green
        {0, 0, 8000, 5, 65280 - 2666, 65280 - 1000},  // 1/8 blue
        {65535, 65535, 0, 9, 65280 - 43690, 65280 - 57343},  // (3 + 4) * 65535 >> 3, sum before shift
        {65535, 0, 65535, 9, 65280 - 43690, 65535 - 255 - 32767},
        {1000, 1000, 1001, 8, 65280 - 1000, 65280 - 1000},
    };
    static_assert(sizeof(cases) / sizeof(cases[0]) == N);
    for (int i = 0; i < N; ++i) set_layer_px(i, cases[i].r, cases[i].g, cases[i].b, cases[i].a);
    MaskValues grey, luma, alpha;
    for (const auto& c : cases) grey.push_back(c.grey), luma.push_back(c.luma), alpha.push_back(c.a);

    OKA_CreateMaskFromImage();
    EXPECT_EQ(mask(), grey);
    fill_mask(kSeed);
    OKA_CreateMaskFromImageLuma();
    EXPECT_EQ(mask(), luma);
    fill_mask(kSeed);
    OKA_CreateMaskFromAlpha();
    EXPECT_EQ(mask(), alpha);
}

TEST_F(MaskFromPixels, LayerBuildersTouchOnlyTheLayerPartOnTheCanvas) {
    // A layer narrower and shorter than the canvas (2 x 2 of 4 x 3).
    ASSERT_EQ(OKA_CreateLayer(3, 2, 2), 1);
    OKA_SetLayer(3);
    OKA_CreateMaskFromAlpha();  // new layer: alpha 0
    EXPECT_EQ(mask(), (MaskValues{0, 0, kSeed, kSeed, 0, 0, kSeed, kSeed, kSeed, kSeed, kSeed, kSeed}));
    // And one larger than the canvas: only the canvas's pixels are read.
    ASSERT_EQ(OKA_CreateLayer(4, 6, 5), 1);
    OKA_SetLayer(4);
    OKA_CreateMaskFromImage();
    EXPECT_EQ(mask(), MaskValues(N, 65535));
    OKA_CreateImageFromMask();
    const oka::Layer& big = engine().layers[4];
    EXPECT_EQ(big.pixels[size_t(4 * W + 3)], 0) << "column 4 lies off the canvas";
    EXPECT_EQ(big.pixels[size_t(3 * big.stride + 3)], 0) << "row 3 lies off the canvas";
    EXPECT_EQ(big.pixels[size_t(2 * big.stride + 4 * 3 + 3)], 65535);
}

// ---- the way back into the layer ---------------------------------------------------

TEST_F(MaskFromPixels, ImageFromMaskIsLightWhereMasked) {
    set_mask({65535, 0, 255, 256, 32768, 65280, 1, 65534, 0, 0, 0, 0});
    const uint16_t grey[N] = {0, 65280, 65280, 65279, 32767, 255, 65280, 1, 65280, 65280, 65280, 65280};
    OKA_CreateImageFromMask();
    for (int i = 0; i < N; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(layer_px(i)[0], grey[i]);
        EXPECT_EQ(layer_px(i)[1], grey[i]);
        EXPECT_EQ(layer_px(i)[2], grey[i]);
        EXPECT_EQ(layer_px(i)[3], 65535);
    }
}

TEST_F(MaskFromPixels, ImageFromFreshMaskIsOpaqueBlack) {
    OKA_DeleteImage();
    OKA_CreateImage(nullptr, W, H, 4, 0);
    ASSERT_EQ(OKA_CreateLayer(1, W, H), 1);  // background: opaque white
    OKA_SetLayer(1);
    OKA_CreateImageFromMask();
    for (int i = 0; i < N; ++i)
        EXPECT_EQ((std::array<uint16_t, 4>{layer_px(i)[0], layer_px(i)[1], layer_px(i)[2], layer_px(i)[3]}),
                  (std::array<uint16_t, 4>{0, 0, 0, 65535}));
}

TEST_F(MaskFromPixels, AlphaFromMaskByKind) {
    const uint16_t alpha[N] = {65535, 65535, 0, 1000, 1000, 1000, 60000, 60000, 0, 5, 65535, 30000};
    const uint16_t m[N] = {65535, 0, 65535, 500, 1000, 2000, 10000, 5535, 0, 4, 1, 30000};
    struct Case {
        int kind;
        uint16_t want[N];
    } const cases[] = {
        {0, {65535, 0, 65535, 500, 1000, 2000, 10000, 5535, 0, 4, 1, 30000}},
        {1, {65535, 65535, 65535, 1500, 2000, 3000, 65535, 65535, 0, 9, 65535, 60000}},
        {2, {0, 65535, 0, 500, 0, 0, 50000, 54465, 0, 1, 65534, 0}},
        {3, {65535, 65535, 0, 1000, 1000, 1000, 60000, 60000, 0, 5, 65535, 30000}},  // unchanged
        {-1, {65535, 65535, 0, 1000, 1000, 1000, 60000, 60000, 0, 5, 65535, 30000}},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < N; ++i) set_layer_px(i, 1, 2, 3, alpha[i]);
        set_mask(MaskValues(m, m + N));
        OKA_CreateAlphaFromMask(c.kind);
        SCOPED_TRACE(c.kind);
        for (int i = 0; i < N; ++i) {
            EXPECT_EQ(layer_px(i)[3], c.want[i]) << "pixel " << i;
            EXPECT_EQ(layer_px(i)[0], 1) << "colour untouched";
        }
        EXPECT_EQ(mask(), MaskValues(m, m + N)) << "the mask is only read";
    }
}

// ---- marking from host pictures ------------------------------------------------------

TEST_F(MaskFromPixels, ExactColourRgbaAndRgb24) {
    const Picture p = rgba({{10, 20, 30, 0}, {10, 20, 30, 255}, {10, 20, 31, 255}, {11, 20, 30, 9},
                            {10, 21, 30, 9}, {10, 20, 30, 77}});
    OKA_CreateMaskFromRGBAImageColor(const_cast<uint8_t*>(p.data()), 10, 20, 30, 255);
    EXPECT_EQ(mask(), marked({1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, 0)) << "alpha is ignored";

    fill_mask(kSeed);  // 266 = 10 + 256: never equals a byte, even by its low byte
    OKA_CreateMaskFromRGBAImageColor(const_cast<uint8_t*>(p.data()), 266, 20, 30, 255);
    EXPECT_EQ(mask(), MaskValues(N, kSeed));

    Picture rgb(N * 3, 7);
    rgb[3] = 10, rgb[4] = 20, rgb[5] = 30;      // pixel 1
    rgb[33] = 10, rgb[34] = 20, rgb[35] = 30;   // pixel 11
    rgb[6] = 10, rgb[7] = 20, rgb[8] = 29;      // pixel 2: off by one
    fill_mask(kSeed);
    OKA_CreateMaskFromRGB24ImageColor(rgb.data(), 10, 20, 30, 0);
    EXPECT_EQ(mask(), marked({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 65280));
    fill_mask(kSeed);
    OKA_CreateMaskFromRGB24ImageColor(rgb.data(), 7, 7, 7, 100);
    EXPECT_EQ(mask(), marked({1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0}, 155 * 256));
}

TEST_F(MaskFromPixels, ColourRangeByPercentTolerance) {
    // Target (100, 150, 200); 1 percent gives t = 2.
    const Picture p = rgba({{100, 150, 200, 0}, {102, 148, 202, 0}, {103, 150, 200, 0}, {100, 147, 200, 0},
                            {100, 150, 203, 0}, {98, 152, 198, 0}, {0, 0, 0, 0}, {255, 255, 255, 0}});
    struct Case {
        int tolerance;
        std::vector<int> pass;
    } const cases[] = {
        {0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {1, {1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
        {2, {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}},  // t = 5
        {100, std::vector<int>(N, 1)},               // t = 256: everything
        {-1, std::vector<int>(N, 0)},                // negative: nothing
    };
    for (const auto& c : cases) {
        fill_mask(kSeed);
        OKA_CreateMaskFromRGBAImageColorRange(const_cast<uint8_t*>(p.data()), 100, 150, 200, c.tolerance, 10);
        SCOPED_TRACE(c.tolerance);
        EXPECT_EQ(mask(), marked(c.pass, 245 * 256));
    }
    // A target outside 0..255 is compared as given: 300 is within 256 of 44 and up.
    fill_mask(kSeed);
    OKA_CreateMaskFromRGBAImageColorRange(const_cast<uint8_t*>(p.data()), 300, 150, 200, 100, 255);
    EXPECT_EQ(mask(), marked({1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0}, 0)) << "reds 0 and 1 are over 256 from 300";
}

TEST_F(MaskFromPixels, AlphaRange) {
    const Picture p = rgba({{0, 0, 0, 128}, {0, 0, 0, 130}, {0, 0, 0, 131}, {0, 0, 0, 126}, {0, 0, 0, 125},
                            {0, 0, 0, 0}, {0, 0, 0, 255}});
    OKA_CreateMaskFromRGBAImageAlphaRange(const_cast<uint8_t*>(p.data()), 128, 1, 255);
    EXPECT_EQ(mask(), marked({1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, 0));
    fill_mask(kSeed);
    OKA_CreateMaskFromRGBAImageAlphaRange(const_cast<uint8_t*>(p.data()), 0, 0, 255);
    EXPECT_EQ(mask(), marked({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, 0));
}

TEST_F(MaskFromPixels, LuminanceRangeUsesIntegerAverages) {
    // Target grey (30, 30, 31): average 30. t = 2.
    const Picture p = rgba({{28, 28, 29, 0},    // 85 / 3 = 28: in
                            {27, 27, 28, 0},    // 82 / 3 = 27: out
                            {32, 32, 34, 0},    // 98 / 3 = 32: in
                            {32, 33, 34, 0},    // 99 / 3 = 33: out
                            {90, 0, 0, 0},      // 30: in
                            {0, 0, 0, 0}});
    OKA_CreateMaskFromRGBAImageLuminanceRange(const_cast<uint8_t*>(p.data()), 30, 30, 31, 1, 255);
    EXPECT_EQ(mask(), marked({1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 0)) << "(1,2,3) averages 2, far from 30";
    // A negative target average (-90 / 3 = -30) with t = 256 passes averages up to 226.
    const Picture q = rgba({{226, 226, 228, 0}, {227, 227, 227, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}});
    fill_mask(kSeed);
    OKA_CreateMaskFromRGBAImageLuminanceRange(const_cast<uint8_t*>(q.data()), -90, 0, 0, 100, 255);
    EXPECT_EQ(mask(), marked({1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 0));
}

TEST_F(MaskFromPixels, HueRangeWrapsAndTreatsGreyAsMinusOne) {
    // Target (255, 0, 21): hue 360 - 60 * 21/255 = 355.06. Tolerance 10: T = 18.
    const Picture p = rgba({{255, 42, 0, 0},     // hue 9.88: 14.82 away across 360 -> in
                            {255, 0, 85, 0},     // hue 340: 15.06 away -> in
                            {255, 85, 0, 0},     // hue 20: 24.94 away -> out
                            {255, 0, 110, 0},    // hue 334.1: 20.9 away -> out
                            {50, 50, 50, 0},     // grey, hue -1: 356.06 - 360 = 3.94 away -> in
                            {0, 255, 0, 0},      // hue 120 -> out
                            {128, 0, 11, 0},     // hue 354.8, darker: value does not matter -> in
                            {255, 0, 21, 0}});   // the target itself
    OKA_CreateMaskFromRGBAImageHueRange(const_cast<uint8_t*>(p.data()), 255, 0, 21, 10, 255);
    EXPECT_EQ(mask(), marked({1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0}, 0)) << "(1,2,3) has hue 210";
}

TEST_F(MaskFromPixels, HueRangeGreyTargetAndTruncatedTolerance) {
    const Picture p = rgba({{128, 128, 128, 0}, {0, 0, 0, 0}, {255, 255, 255, 0}, {255, 0, 0, 0},
                            {255, 3, 0, 0},  // hue 0.71: 1.71 from -1
                            {0, 0, 255, 0}, {1, 1, 1, 0}, {1, 1, 1, 0}, {1, 1, 1, 0}, {1, 1, 1, 0},
                            {1, 1, 1, 0}, {1, 1, 1, 0}});
    // Tolerance 0: greys only.
    OKA_CreateMaskFromRGBAImageHueRange(const_cast<uint8_t*>(p.data()), 7, 7, 7, 0, 255);
    EXPECT_EQ(mask(), marked({1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1}, 0));
    // Tolerance 1: T = trunc(1.8) = 1 takes red (1 from -1) but not hue 0.71.
    fill_mask(kSeed);
    OKA_CreateMaskFromRGBAImageHueRange(const_cast<uint8_t*>(p.data()), 7, 7, 7, 1, 255);
    EXPECT_EQ(mask(), marked({1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1}, 0));
}

TEST_F(MaskFromPixels, HslRangeHueSaturationLightness) {
    // Target red: H 0, S 1, L 0.5.
    const Picture p = rgba({{255, 0, 50, 0},   // H 348.2, S 1, L 0.5
                            {255, 6, 0, 0},    // H 1.41: inside 1.8 only because T is not truncated
                            {128, 0, 0, 0},    // L 0.251
                            {200, 50, 50, 0},  // S 0.6, L 0.49
                            {128, 128, 128, 0},  // grey: H 0, S 0
                            {0, 255, 255, 0},  // H 180
                            {255, 10, 0, 0}});  // H 2.35
    struct Case {
        double hue, sat, light;
        std::vector<int> pass;
    } const cases[] = {
        {0.1, 0.1, 0.1, {1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}},
        {0.01, 0.1, 0.1, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0.1, 0.5, 0.3, {1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0}},
        {1.0, 1.0, 1.0, std::vector<int>(N, 1)},
        {0.1, 0.1, -0.1, std::vector<int>(N, 0)},
    };
    for (const auto& c : cases) {
        fill_mask(kSeed);
        OKA_CreateMaskFromRGBAImageHSLRange(const_cast<uint8_t*>(p.data()), 255, 0, 0, c.hue, c.sat, c.light, 55);
        SCOPED_TRACE(testing::Message() << c.hue << " " << c.sat << " " << c.light);
        EXPECT_EQ(mask(), marked(c.pass, 200 * 256));
    }
}

TEST_F(MaskFromPixels, FloodMapMarksOnlyOnes) {
    const Picture flood = {1, 0, 2, 255, 1, 1, 0, 0, 3, 0, 0, 1};
    OKA_CreateMaskFromFloodMask(const_cast<uint8_t*>(flood.data()), 200);
    EXPECT_EQ(mask(), marked({1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1}, 55 * 256));
}

TEST_F(MaskFromPixels, DifferenceOfTwoPicturesWritesTheValueItself) {
    const Picture a = rgba({});
    Picture b = a;
    OKA_CreateMaskFromDiff_RGBA32(const_cast<uint8_t*>(a.data()), b.data(), 777);
    EXPECT_EQ(mask(), MaskValues(N, kSeed)) << "equal pictures change nothing";
    b[4 * 1 + 0] ^= 1;   // red
    b[4 * 6 + 2] ^= 128;  // blue
    b[4 * 11 + 3] = 0;    // alpha alone
    OKA_CreateMaskFromDiff_RGBA32(const_cast<uint8_t*>(a.data()), b.data(), 70000);
    EXPECT_EQ(mask(), marked({0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, uint16_t(70000 - 65536)));
}

// ---- the mask applied to a host picture's alpha --------------------------------------

TEST_F(MaskFromPixels, ApplyMaskToAlphaWeightsByHighByte) {
    set_mask({65535, 65280, 32768, 255, 0, 256, 511, 65279, 49152, 65535, 65535, 65535});
    // a * (h + 1) >> 8 with a = 200: h 255 keeps, h 0 clears.
    const int want[N] = {200, 200, 100, 0, 0, 1, 1, 199, 150, 200, 200, 200};
    Picture p = rgba({});
    for (int i = 0; i < N; ++i) p[size_t(4 * i + 3)] = 200;
    OKA_ApplyMaskToAlpha_RGBA32(p.data());
    for (int i = 0; i < N; ++i) {
        EXPECT_EQ(p[size_t(4 * i + 3)], want[i]) << "pixel " << i;
        EXPECT_EQ(p[size_t(4 * i)], 1) << "colour untouched";
    }
}

TEST_F(MaskFromPixels, ApplyMaskToAlphaRectStrideAndClipping) {
    // Mask high byte = 16 * column + row, so each position is recognisable.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) engine().mask[size_t(y * W + x)] = uint16_t((16 * x + y) << 8);
    auto expect_alpha = [](int a, int x, int y) { return (a * (16 * x + y + 1)) >> 8; };

    // Rectangle (1, 1)..(2, 2) in a picture with 3 spare bytes per row.
    const int stride = 2 * 4 + 3;
    Picture p(size_t(stride * 2), 255);
    OKA_ApplyMaskToAlphaRect_RGBA32(p.data(), stride, 1, 1, 2, 2);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) EXPECT_EQ(p[size_t(r * stride + 4 * c + 3)], expect_alpha(255, 1 + c, 1 + r));
        for (int k = 8; k < stride; ++k) EXPECT_EQ(p[size_t(r * stride + k)], 255) << "row padding untouched";
    }

    // A rectangle hanging off the canvas on every side: only the canvas part is
    // visited, and the picture keeps its origin at (-1, -1).
    const int w = W + 2, h = H + 2;
    Picture q(size_t(w * h * 4), 255);
    OKA_ApplyMaskToAlphaRect_RGBA32(q.data(), w * 4, -1, -1, W, H);
    for (int y = -1; y <= H; ++y)
        for (int x = -1; x <= W; ++x) {
            const bool on = x >= 0 && x < W && y >= 0 && y < H;
            EXPECT_EQ(q[size_t(((y + 1) * w + (x + 1)) * 4 + 3)], on ? expect_alpha(255, x, y) : 255)
                << x << "," << y;
        }

    // Backwards rectangles do nothing.
    Picture r(64, 255);
    OKA_ApplyMaskToAlphaRect_RGBA32(r.data(), 16, 2, 0, 1, 2);
    OKA_ApplyMaskToAlphaRect_RGBA32(r.data(), 16, 0, 2, 1, 1);
    OKA_ApplyMaskToAlphaRect_RGBA32(r.data(), 16, 100, 100, 200, 200);  // wholly off the canvas
    EXPECT_EQ(r, Picture(64, 255));
}

// ---- picture converters -----------------------------------------------------------------

TEST_F(MaskFromPixels, ReplaceFromAlphaRange) {
    Picture p = rgba({{9, 9, 9, 100}, {9, 9, 9, 102}, {9, 9, 9, 103}, {9, 9, 9, 98}, {9, 9, 9, 0}});
    const MaskValues before = mask();
    OKA_ReplaceFromRGBAImageAlphaRange(p.data(), 100, 1, 10, 20, 30, 300);  // a = 300 stores 44
    const Picture want = rgba({{10, 20, 30, 44}, {10, 20, 30, 44}, {9, 9, 9, 103}, {10, 20, 30, 44}, {9, 9, 9, 0}});
    EXPECT_EQ(p, want);
    EXPECT_EQ(mask(), before);
}

TEST_F(MaskFromPixels, Rgb24AndRgba32Converters) {
    // A 3 x 1 picture of its own size (not the canvas's).
    const Picture rgb = {10, 20, 30, 255, 255, 254, 0, 0, 1};
    const Picture rgba32 = {1, 2, 3, 40, 5, 6, 7, 80, 9, 10, 11, 120};

    Picture d = rgba32;
    OKA_RGBToRGBAlpha(d.data(), 3, 1, const_cast<uint8_t*>(rgb.data()));
    EXPECT_EQ(d, (Picture{1, 2, 3, 20, 5, 6, 7, 254, 9, 10, 11, 0}));

    d = rgba32;
    OKA_RGBToRGBA(d.data(), 3, 1, const_cast<uint8_t*>(rgb.data()));
    EXPECT_EQ(d, (Picture{10, 20, 30, 40, 255, 255, 254, 80, 0, 0, 1, 120}));

    Picture g(9, 99);
    OKA_RGBAlphaToRGB(g.data(), 3, 1, const_cast<uint8_t*>(rgba32.data()));
    EXPECT_EQ(g, (Picture{40, 40, 40, 80, 80, 80, 120, 120, 120}));

    OKA_RGBAToRGB(g.data(), 3, 1, const_cast<uint8_t*>(rgba32.data()));
    EXPECT_EQ(g, (Picture{1, 2, 3, 5, 6, 7, 9, 10, 11}));

    // Sizes below 1 and null pictures do nothing.
    Picture keep = g;
    OKA_RGBAToRGB(g.data(), 0, 5, const_cast<uint8_t*>(rgba32.data()));
    OKA_RGBAToRGB(g.data(), -3, -1, const_cast<uint8_t*>(rgba32.data()));
    OKA_RGBAToRGB(g.data(), 3, 1, nullptr);
    OKA_RGBToRGBA(nullptr, 3, 1, const_cast<uint8_t*>(rgb.data()));
    EXPECT_EQ(g, keep);
}

// ---- bad input ------------------------------------------------------------------------------

TEST_F(MaskFromPixels, NullPicturesChangeNothing) {
    OKA_CreateMaskFromRGBAImageColor(nullptr, 1, 2, 3, 255);
    OKA_CreateMaskFromRGB24ImageColor(nullptr, 1, 2, 3, 255);
    OKA_CreateMaskFromRGBAImageColorRange(nullptr, 1, 2, 3, 100, 255);
    OKA_CreateMaskFromRGBAImageAlphaRange(nullptr, 1, 100, 255);
    OKA_CreateMaskFromRGBAImageLuminanceRange(nullptr, 1, 2, 3, 100, 255);
    OKA_CreateMaskFromRGBAImageHueRange(nullptr, 1, 2, 3, 100, 255);
    OKA_CreateMaskFromRGBAImageHSLRange(nullptr, 1, 2, 3, 1, 1, 1, 255);
    OKA_CreateMaskFromFloodMask(nullptr, 255);
    Picture a = rgba({});
    OKA_CreateMaskFromDiff_RGBA32(a.data(), nullptr, 0);
    OKA_CreateMaskFromDiff_RGBA32(nullptr, a.data(), 0);
    OKA_ApplyMaskToAlpha_RGBA32(nullptr);
    OKA_ApplyMaskToAlphaRect_RGBA32(nullptr, 16, 0, 0, 1, 1);
    OKA_ReplaceFromRGBAImageAlphaRange(nullptr, 0, 100, 0, 0, 0, 0);
    EXPECT_EQ(mask(), MaskValues(N, kSeed));
}

TEST_F(MaskFromPixels, MissingMaskPlaneOrLayerDoesNothing) {
    OKA_DeleteLayer(2);  // the current layer loses its pixels
    OKA_CreateMaskFromImage();
    OKA_CreateMaskFromImageLuma();
    OKA_CreateMaskFromAlpha();
    OKA_CreateImageFromMask();
    OKA_CreateAlphaFromMask(0);
    EXPECT_EQ(mask(), MaskValues(N, kSeed));

    ASSERT_EQ(OKA_CreateLayer(2, W, H), 1);
    OKA_SetLayer(2);
    for (int i = 0; i < N; ++i) set_layer_px(i, 100, 200, 300, 400);
    engine().mask.reset();  // no mask plane
    Picture p = rgba({});
    Picture p2(p.size(), 0);
    Picture flood(N, 1);
    OKA_CreateMaskFromImage();
    OKA_CreateMaskFromAlpha();
    OKA_CreateImageFromMask();
    OKA_CreateAlphaFromMask(2);
    OKA_CreateMaskFromRGBAImageColor(p.data(), 1, 2, 3, 255);
    OKA_CreateMaskFromRGBAImageHueRange(p.data(), 1, 2, 3, 100, 255);
    OKA_CreateMaskFromFloodMask(flood.data(), 255);
    OKA_CreateMaskFromDiff_RGBA32(p.data(), p2.data(), 0);
    const Picture before = p;
    OKA_ApplyMaskToAlpha_RGBA32(p.data());
    EXPECT_EQ(p, before);
    for (int i = 0; i < N; ++i) EXPECT_EQ(layer_px(i)[3], 400);
    EXPECT_FALSE(engine().mask);

    OKA_DeleteImage();  // no document at all
    OKA_CreateMaskFromFloodMask(flood.data(), 255);
    OKA_ApplyMaskToAlpha_RGBA32(p.data());
    OKA_ApplyMaskToAlphaRect_RGBA32(p.data(), W * 4, 0, 0, W - 1, H - 1);
    EXPECT_EQ(p, before);
}

}  // namespace

// ---- the hue-range marker against the rule, over every colour ------------------------------

// Under the sanitizers only every 7th blue level is laid out.
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

TEST(MaskHueRangeAllColours, BothLaneBuildsMatchTheRuleExactly) {
    // One pixel per colour on a canvas 4096 wide.
    std::vector<uint8_t> pic;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; b += kBlueStep) pic.insert(pic.end(), {uint8_t(r), uint8_t(g), uint8_t(b), 0});
    const size_t n = pic.size() / 4;
    ASSERT_EQ(n % 4096, 0u);
    OKA_CreateImage(nullptr, 4096, int32_t(n / 4096), 4, 0);
    ASSERT_TRUE(engine().mask);
    uint16_t* m = engine().mask.data();

    struct Case {
        int r, g, b, tolerance;
    } const cases[] = {
        {255, 0, 0, 10},    // edges at 18 and 342 degrees: hues 60 * 3/10 are exact ties
        {200, 100, 0, 0},   // T = 0 around hue 30: only equal hues pass
        {255, 0, 21, 10},   // arc across the 0/360 seam
        {7, 7, 7, 0},       // grey target: greys only
        {7, 7, 7, 1},       // T = 1 around -1
        {10, 200, 90, 50},  // T = 90
        {0, 0, 255, 33},    // T = 59
        {1, 2, 3, 100},     // T = 180: everything
    };
    for (const auto& c : cases) {
        const double t = std::trunc(c.tolerance * 1.8);
        const double h0 = oka::RgbToHsv(c.r, c.g, c.b).h;
        std::vector<uint8_t> pass(n);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = &pic[4 * i];
            const double d = oka::RgbToHsv(p[0], p[1], p[2]).h - h0;
            pass[i] = std::fabs(d) <= t || std::fabs(d + 360) <= t || std::fabs(d - 360) <= t;
        }
        ASSERT_GT(std::count(pass.begin(), pass.end(), 1), 0);
        for (int wide = 0; wide < 2; ++wide) {
            std::fill(m, m + n, kSeed);
            oka::detail::mark_rgba_hue_range_lanes(pic.data(), c.r, c.g, c.b, c.tolerance, 255, wide != 0);
            size_t wrong = 0, first = 0;
            for (size_t i = 0; i < n; ++i)
                if (m[i] != (pass[i] ? 0 : kSeed) && wrong++ == 0) first = i;
            SCOPED_TRACE(testing::Message() << "target " << c.r << "," << c.g << "," << c.b << " tolerance "
                                            << c.tolerance << (wide ? " wide" : " narrow"));
            EXPECT_EQ(wrong, 0u) << "first wrong colour " << int(pic[4 * first]) << "," << int(pic[4 * first + 1])
                                 << "," << int(pic[4 * first + 2]);
        }
    }
    OKA_DeleteImage();
}
