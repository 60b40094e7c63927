// Brush shapes: the procedural round tips value by value, shapes loaded
// from image files, source reuse, clean fallbacks, and the scan smoothing
// behind the shape blur.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "brush/brush_shape.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "image_fixtures.h"
#include "imaging/scan_smooth.h"
#include "okacore.h"

namespace {

using fixtures::Bytes;
using oka::engine;
using oka::brush::tool;

constexpr int kN = 32;

// Sets softness, invert and intensity through the tool call, with grit
// off, and builds the shape from `path`.
void set_tool_shape(float intensity, int softness, int invert, const char* path = "", int effect = 0) {
    OKA_SetTool(intensity, 0, 0, 0, softness, 0, 7, 0, 0, 0, 0, invert, 0, "", path, effect);
}

// The n x n corner of the N-pitched shape plane.
std::vector<uint16_t> shape(int n) {
    std::vector<uint16_t> out;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) out.push_back(engine().brush_shape[static_cast<size_t>(y) * kN + x]);
    return out;
}

bool zero_outside(int n) {
    for (int y = 0; y < kN; ++y)
        for (int x = 0; x < kN; ++x)
            if ((x >= n || y >= n) && engine().brush_shape[static_cast<size_t>(y) * kN + x] != 0) return false;
    return true;
}

class BrushShape : public ::testing::Test {
protected:
    void SetUp() override {
        OKA_CreateImage(nullptr, 64, 64, kN, 0);
        OKA_UnloadBrushShape();
        OKA_SetShapeBlur(0);
        OKA_SetLastError("");
    }
    void TearDown() override {
        OKA_UnloadBrushShape();
        OKA_DeleteImage();
    }
};

struct RoundCase {
    int n, softness, invert;
    float intensity;
    std::vector<uint16_t> expect;
};

TEST_F(BrushShape, RoundTipValues) {
    const uint16_t F = 65535, H = 32767;
    const RoundCase cases[] = {
        {1, 0, 0, 1.0f, {F}},
        {1, 0, 0, 0.5f, {H}},  // trunc(65535 x 0.5)
        {1, 255, 0, 1.0f, {F}},
        {1, 0, 0, 3.0f, {F}},    // above 1: saturates
        {1, 0, 0, -1.0f, {0}},   // negative: nothing
        {2, 0, 0, 1.0f, {F, F, F, F}},
        {2, 255, 0, 1.0f, {19194, 19194, 19194, 19194}},  // (1 - 0.7071) x 65535
        // Size 4, hard edge: the corners (distance 2.12 > 2) are 0.
        {4, 0, 0, 0.5f, {0, H, H, 0, H, H, H, H, H, H, H, H, 0, H, H, 0}},
        {4, 255, 0, 1.0f, {0, 13725, 13725, 0, 13725, 42364, 42364, 13725, 13725, 42364, 42364, 13725, 0, 13725, 13725, 0}},
        {4, 128, 0, 1.0f, {0, 27342, 27342, 0, 27342, F, F, 27342, 27342, F, F, 27342, 0, 27342, 27342, 0}},
        // Inverted: 65535 - v inside the circle, 0 outside.
        {4, 255, 1, 1.0f, {0, 51809, 51809, 0, 51809, 23170, 23170, 51809, 51809, 23170, 23170, 51809, 0, 51809, 51809, 0}},
        {4, 0, 1, 1.0f, std::vector<uint16_t>(16, 0)},
        {5, 0, 0, 1.0f, {0, F, F, F, 0, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, 0, F, F, F, 0}},
    };
    for (const auto& c : cases) {
        OKA_SetSize(c.n);
        set_tool_shape(c.intensity, c.softness, c.invert);
        EXPECT_EQ(shape(c.n), c.expect) << "n " << c.n << " soft " << c.softness << " inv " << c.invert;
        EXPECT_TRUE(zero_outside(c.n));
    }
}

TEST_F(BrushShape, InvertedOddTipIsZeroAtCentreAndRisesToTheRim) {
    OKA_SetSize(3);
    set_tool_shape(1.0f, 255, 1);
    const auto s = shape(3);
    EXPECT_EQ(s[4], 0);        // centre: v = 65535 there
    EXPECT_EQ(s[0], 61786);    // corner at 1.414 of radius 1.5: 65535 - 3748.01
    EXPECT_NEAR(s[1], 43690, 1);  // edge at 1.0: 65535 x (1 - 1/3), on a float rounding boundary
    OKA_SetSize(6);
    set_tool_shape(1.0f, 255, 1);
    const auto e = shape(6);
    // Even size: the four middle pixels sit 0.707 from the centre.
    EXPECT_EQ(e[2 * 6 + 2], 15446);  // 65535 - (3 - 0.7071) / 3 x 65535 = 15446.7
    EXPECT_LT(e[2 * 6 + 2], e[2 * 6 + 1]);
    EXPECT_EQ(e[0], 0);  // outside
}

TEST_F(BrushShape, OriginalBuilderMeasuresFromTheIntegerCentre) {
    const uint16_t F = 65535;
    OKA_SetSize(4);
    set_tool_shape(1.0f, 0, 0);
    OKA_SetBrushShape_ORIGINAL("", 0);
    EXPECT_EQ(shape(4), (std::vector<uint16_t>{0, 0, F, 0, 0, F, F, F, F, F, F, F, 0, F, F, F}));
    OKA_SetTool(1.0f, 0, 0, 0, 255, 0, 7, 0, 0, 0, 0, 0, 0, "", "", 0);
    OKA_SetBrushShape_ORIGINAL("", 0);
    const auto s = shape(4);
    EXPECT_EQ(s[2 * 4 + 2], F);      // distance 0
    EXPECT_EQ(s[2 * 4 + 1], 32767);  // distance 1 of radius 2
    EXPECT_EQ(s[2 * 4 + 0], 0);      // distance 2: on the circle, value 0
    OKA_SetSize(1);
    OKA_SetBrushShape_ORIGINAL("x", 0);  // one character: the round tip
    EXPECT_EQ(shape(1), (std::vector<uint16_t>{F}));
}

class BrushShapeFiles : public BrushShape {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string p = fixtures::temp_path(name);
        fixtures::write_file(p, bytes);
        files_.push_back(p);
        return p;
    }
    void TearDown() override {
        for (const auto& f : files_) std::remove(f.c_str());
        BrushShape::TearDown();
    }
    std::vector<std::string> files_;
};

// n x n grey ramp with distinct values, as RGBA with r = g = b.
Bytes grey_rgba(int n, int base) {
    Bytes px;
    for (int i = 0; i < n * n; ++i) {
        const uint8_t v = static_cast<uint8_t>(base + i * 7);
        px.insert(px.end(), {v, v, v, 255});
    }
    return px;
}

std::vector<uint16_t> widened_grey(const Bytes& rgba, float intensity = 1.0f) {
    std::vector<uint16_t> out;
    for (size_t i = 0; i < rgba.size(); i += 4) out.push_back(static_cast<uint16_t>(rgba[i] * 256 * intensity));
    return out;
}

TEST_F(BrushShapeFiles, ShapeFromEachFormatAtItsOwnSize) {
    const int n = 6;
    const Bytes px = grey_rgba(n, 20);
    Bytes grey;
    for (size_t i = 0; i < px.size(); i += 4) grey.push_back(px[i]);
    const struct {
        const char* name;
        Bytes data;
    } files[] = {
        {"shape.png", fixtures::png_bytes(n, n, PNG_FORMAT_GRAY, grey)},
        {"shape.bmp", fixtures::bmp24_bytes(n, n, px)},
        {"shape.tga", fixtures::tga32_bytes(n, n, px)},
    };
    OKA_SetSize(n);
    for (const auto& f : files) {
        const std::string path = write(f.name, f.data);
        // Invert and softness belong to the round tip; an image ignores them.
        set_tool_shape(1.0f, 255, 1, path.c_str());
        EXPECT_EQ(shape(n), widened_grey(px)) << f.name;
        EXPECT_TRUE(zero_outside(n));
        EXPECT_EQ(oka::brush::shape_source().width, n);
        set_tool_shape(0.5f, 0, 0, path.c_str(), 1);
        EXPECT_EQ(shape(n), widened_grey(px, 0.5f)) << f.name;
    }
    EXPECT_STREQ(OKA_GetLastError(), "");
}

TEST_F(BrushShapeFiles, JpegShapeIsCloseToItsGrey) {
    const Bytes grey(16 * 16, 100);
    const std::string path = write("flat.jpg", fixtures::jpeg_bytes(16, 16, 1, grey));
    OKA_SetSize(16);
    set_tool_shape(1.0f, 0, 0, path.c_str());
    for (uint16_t v : shape(16)) EXPECT_NEAR(v, 100 * 256, 2 * 256);
}

TEST_F(BrushShapeFiles, LargerImageIsAveragedDown) {
    // 16 x 16 made of constant 2 x 2 blocks shrinks to 8 x 8 block values.
    Bytes grey(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) grey[static_cast<size_t>(y) * 16 + x] = static_cast<uint8_t>((x / 2) * 30 + (y / 2));
    const std::string path = write("blocks.png", fixtures::png_bytes(16, 16, PNG_FORMAT_GRAY, grey));
    OKA_SetSize(8);
    set_tool_shape(1.0f, 0, 0, path.c_str());
    const auto s = shape(8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(s[static_cast<size_t>(y) * 8 + x], (x * 30 + y) * 256) << x << "," << y;
    EXPECT_EQ(tool().drawing_counter, 7);
}

TEST_F(BrushShapeFiles, OriginalBuilderLoadsSmallImagesToo) {
    Bytes grey(2 * 2, 90);
    const std::string path = write("tiny.png", fixtures::png_bytes(2, 2, PNG_FORMAT_GRAY, grey));
    OKA_SetSize(4);
    set_tool_shape(1.0f, 0, 0);
    OKA_SetBrushShape_ORIGINAL(path.c_str(), 0);
    EXPECT_EQ(shape(4), std::vector<uint16_t>(16, 90 * 256));
}

TEST_F(BrushShapeFiles, SourceIsReusedForTheSamePathAndEffectValue) {
    const int n = 4;
    const Bytes px = grey_rgba(n, 50);
    const std::string path = write("reuse.bmp", fixtures::bmp24_bytes(n, n, px));
    OKA_SetSize(n);
    set_tool_shape(1.0f, 0, 0, path.c_str(), 3);
    ASSERT_EQ(shape(n), widened_grey(px));
    std::remove(path.c_str());

    // Same path and value: no file access, the held source serves.
    OKA_SetBrushShape(path.c_str(), 3);
    EXPECT_EQ(shape(n), widened_grey(px));
    // Same path, another value: loaded afresh, and the file is gone.
    set_tool_shape(1.0f, 0, 0);
    const auto round = shape(n);
    OKA_SetBrushShape(path.c_str(), 4);
    EXPECT_EQ(shape(n), round);
    EXPECT_FALSE(oka::brush::shape_source().held());

    // After an unload the path and value stay, but the next build loads.
    fixtures::write_file(path, fixtures::bmp24_bytes(n, n, px));
    OKA_SetBrushShape(path.c_str(), 4);
    ASSERT_EQ(shape(n), widened_grey(px));
    OKA_UnloadBrushShape();
    EXPECT_EQ(oka::brush::shape_source().width, 0);
    EXPECT_EQ(oka::brush::shape_source().height, 0);
    EXPECT_STREQ(oka::brush::shape_source().path, path.c_str());
    std::remove(path.c_str());
    OKA_SetBrushShape(path.c_str(), 4);
    EXPECT_EQ(shape(n), round);
}

TEST_F(BrushShapeFiles, UnreadableFilesLeaveTheRoundTipSilently) {
    const int n = 6;
    OKA_SetSize(n);
    set_tool_shape(1.0f, 100, 0);
    const auto round = shape(n);

    Bytes png = fixtures::png_bytes(n, n, PNG_FORMAT_GRAY, Bytes(n * n, 200));
    Bytes huge = png;
    huge[16] = 0x7F;  // width 2^31 - 1 ...
    huge[20] = 0x7F;  // ... and height alike
    const struct {
        const char* name;
        Bytes data;
    } bad[] = {
        {"empty.png", {}},
        {"text.png", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}},
        {"cut.png", Bytes(png.begin(), png.begin() + static_cast<ptrdiff_t>(png.size() / 2))},
        {"huge.png", huge},
        {"zero.bmp", fixtures::bmp_header(0, 0, 24, 0, 0, 54, 54)},
        {"cut.tga", Bytes(fixtures::tga_header(2, 100, 100, 24, 0))},
    };
    for (const auto& b : bad) {
        const std::string path = write(b.name, b.data);
        OKA_SetBrushShape(path.c_str(), 0);
        EXPECT_EQ(shape(n), round) << b.name;
        EXPECT_FALSE(oka::brush::shape_source().held()) << b.name;
    }
    OKA_SetBrushShape(fixtures::temp_path("missing.png").c_str(), 0);
    EXPECT_EQ(shape(n), round);
    const std::string long_path(1500, 'a');
    OKA_SetBrushShape(long_path.c_str(), 0);
    EXPECT_EQ(shape(n), round);
    OKA_SetBrushShape(nullptr, 0);
    EXPECT_EQ(shape(n), round);
    // Failures to load are not errors of the call.
    EXPECT_STREQ(OKA_GetLastError(), "");
}

TEST_F(BrushShapeFiles, ShapeBlurPullsOnlyLighterPixels) {
    // Left half black, right half white, 8 x 8 at its own size.
    const int n = 8;
    Bytes grey(n * n);
    for (int i = 0; i < n * n; ++i) grey[i] = (i % n) < 4 ? 0 : 255;
    const std::string path = write("split.png", fixtures::png_bytes(n, n, PNG_FORMAT_GRAY, grey));
    OKA_SetSize(n);
    set_tool_shape(1.0f, 0, 0, path.c_str());
    const auto sharp = shape(n);
    OKA_SetShapeBlur(100);  // weight 0: the copy stays as it was
    OKA_SetBrushShape(path.c_str(), 0);
    EXPECT_EQ(shape(n), sharp);
    OKA_SetShapeBlur(50);
    OKA_SetBrushShape(path.c_str(), 0);
    const auto soft = shape(n);
    for (int y = 1; y < n - 1; ++y) {
        EXPECT_LT(soft[static_cast<size_t>(y) * n + 4], 65280) << y;  // first white column pulled towards black
        for (int x = 0; x < 4; ++x) EXPECT_EQ(soft[static_cast<size_t>(y) * n + x], 0) << x << "," << y;
    }
}

TEST_F(BrushShape, SizeAboveTheMaximumBrushIsClamped) {
    OKA_SetSize(kN + 40);
    EXPECT_EQ(tool().size, kN);
    set_tool_shape(1.0f, 0, 0);
    EXPECT_EQ(engine().brush_shape[0], 0);                                             // corner of a 32 tip
    EXPECT_EQ(engine().brush_shape[static_cast<size_t>(16) * kN + 16], 65535);        // centre
}

// ---- Scan smoothing ------------------------------------------------------

using oka::imaging::value_smooth;

// 3 x 3 RGBA, black and opaque, with one pixel set to grey level v.
Bytes three_by_three(int x, int y, uint8_t v) {
    Bytes img(3 * 3 * 4, 0);
    for (size_t i = 3; i < img.size(); i += 4) img[i] = 255;
    uint8_t* p = &img[(static_cast<size_t>(y) * 3 + x) * 4];
    p[0] = p[1] = p[2] = v;
    return img;
}

TEST(ScanSmooth, LighterPixelAfterDarkerIsPulledByTheSecondWeight) {
    // (1, 0) is q of the single pair that pass 1 visits on row 0.
    Bytes img = three_by_three(1, 0, 255);
    value_smooth(img.data(), 3, 3, 12, 0.0, 0.5);  // w2 = 32767
    EXPECT_EQ(img[4], 127);
    EXPECT_EQ(img[7], 254);  // alpha too: (32638 + 32640) >> 8, the shifts lose a level
    img = three_by_three(1, 0, 255);
    value_smooth(img.data(), 3, 3, 12, 1.0, 1.0);  // w = 65535: only the shifts' rounding
    EXPECT_EQ(img[4], 254);
    img = three_by_three(1, 0, 255);
    value_smooth(img.data(), 3, 3, 12, 0.5, 0.0);  // the pair runs dark -> light: w2 = 0
    EXPECT_EQ(img, three_by_three(1, 0, 255));
    // A darker pixel after a lighter one is left alone with s1 = 0.
    Bytes dark = three_by_three(0, 0, 255);  // p = (0, 0) white, q = (1, 0) black
    value_smooth(dark.data(), 3, 3, 12, 0.0, 1.0);
    EXPECT_EQ(dark[4], 0);
}

TEST(ScanSmooth, UniformImagesCornersAndZeroWeightsAreUntouched) {
    Bytes flat(9 * 7 * 4, 0);
    for (size_t i = 0; i < flat.size(); ++i) flat[i] = static_cast<uint8_t>(90 + i % 4);
    Bytes copy = flat;
    value_smooth(copy.data(), 9, 7, 36, 0.7, 0.3);
    EXPECT_EQ(copy, flat);

    Bytes noisy(9 * 7 * 4);
    for (size_t i = 0; i < noisy.size(); ++i) noisy[i] = static_cast<uint8_t>(i * 97 + 13);
    copy = noisy;
    value_smooth(copy.data(), 9, 7, 36, 0.0, 0.0);
    EXPECT_EQ(copy, noisy);
    value_smooth(copy.data(), 9, 7, 36, 0.4, 0.6);
    EXPECT_NE(copy, noisy);
    for (size_t corner : {size_t{0}, size_t{8}, size_t{6 * 9}, size_t{6 * 9 + 8}})
        for (int c = 0; c < 4; ++c) EXPECT_EQ(copy[corner * 4 + c], noisy[corner * 4 + c]) << corner;
}

TEST(ScanSmooth, PassesStayInsideTinyImages) {
    // Each pair the passes visit must lie inside the image; images under 3
    // pixels in a direction visit nothing along it.
    for (int w = 1; w <= 4; ++w)
        for (int h = 1; h <= 4; ++h) {
            int pairs = 0;
            std::vector<uint8_t> img(static_cast<size_t>(w) * h * 4, 0);
            const uint8_t* lo = img.data();
            const uint8_t* hi = img.data() + img.size();
            oka::imaging::scan_smooth(img.data(), w, h, static_cast<size_t>(w) * 4,
                                      [&](const uint8_t* p, uint8_t* q, const uint8_t* d) {
                                          ++pairs;
                                          EXPECT_TRUE(p >= lo && p < hi && q >= lo && q < hi && d >= lo && d < hi);
                                      });
            if (w < 3 || h < 3) EXPECT_EQ(pairs, 0) << w << "x" << h;
            else EXPECT_GT(pairs, 0);
        }
}

}  // namespace
