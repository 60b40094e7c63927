// Separable resampling: kernel names and codes, exact results where the
// kernels' definitions fix them, and invariants every kernel keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/image_ops.h"
#include "imaging/resample.h"

namespace {

using oka::imaging::resample;
using oka::imaging::resample_code;
using oka::imaging::resample_kernels;

TEST(Resample, KernelNamesAndCodes) {
    const struct {
        const char* name;
        int32_t code;
    } table[] = {
        {"Box", 0},      {"Triangle", 1}, {"Hamming", 2},  {"Gaussian", 3},      {"Bell", 4},
        {"B-Spline", 5}, {"Cubic 1", 6},  {"Cubic 2", 7},  {"Lanczos3", 8},      {"Mitchell", 9},
        {"Sinc", 10},    {"Hermite", 11}, {"Hanning", 12}, {"Catrom", 13},       {"Area Average", 15},
        {"Bicubic", 17}, {"Nearest Neighbor", 18},         {"Bilinear", 18},
    };
    for (const auto& row : table) EXPECT_EQ(resample_code(row.name), row.code) << row.name;
    // Names are exact and case-sensitive; anything else is Lanczos3.
    EXPECT_EQ(resample_code("lanczos3"), 8);
    EXPECT_EQ(resample_code("Area average"), 8);
    EXPECT_EQ(resample_code(""), 8);
    EXPECT_EQ(resample_code(nullptr), 8);
    EXPECT_EQ(oka::imaging::resample_kernel(14), nullptr);
    EXPECT_EQ(oka::imaging::resample_kernel(16), nullptr);
}

TEST(Resample, UniformImageStaysUniformForEveryKernel) {
    std::vector<uint8_t> s8(7 * 5 * 4);
    std::vector<uint16_t> s16(7 * 5 * 4);
    for (size_t i = 0; i < s8.size(); i += 4) {
        s8[i] = 10, s8[i + 1] = 128, s8[i + 2] = 250, s8[i + 3] = 255;
        s16[i] = 1000, s16[i + 1] = 33333, s16[i + 2] = 65535, s16[i + 3] = 0;
    }
    const int sizes[][2] = {{3, 2}, {7, 5}, {16, 11}, {1, 1}};
    for (const auto& k : resample_kernels()) {
        for (const auto& sz : sizes) {
            std::vector<uint8_t> d8(static_cast<size_t>(sz[0]) * sz[1] * 4, 1);
            std::vector<uint16_t> d16(d8.size(), 1);
            ASSERT_TRUE(resample<uint8_t>(s8.data(), 7, 5, 28, d8.data(), sz[0], sz[1], sz[0] * 4, 4, k.code));
            ASSERT_TRUE(resample<uint16_t>(s16.data(), 7, 5, 28, d16.data(), sz[0], sz[1], sz[0] * 4, 4, k.code));
            for (size_t i = 0; i < d8.size(); ++i) {
                ASSERT_EQ(d8[i], s8[i % 4]) << k.name << " " << sz[0] << "x" << sz[1];
                ASSERT_EQ(d16[i], s16[i % 4]) << k.name << " " << sz[0] << "x" << sz[1];
            }
        }
    }
}

TEST(Resample, SameSizeIsIdentityForInterpolatingKernels) {
    // Kernels that are 1 at 0 and 0 at every other integer reproduce the
    // image; the smoothing ones (Gaussian, Bell, B-Spline, Mitchell,
    // Cubic 2) do not, by design.
    const char* names[] = {"Box",     "Triangle", "Hamming", "Cubic 1",      "Lanczos3",        "Sinc",
                           "Hermite", "Hanning",  "Catrom",  "Area Average", "Nearest Neighbor", "Bicubic"};
    std::vector<uint8_t> src(9 * 6 * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 53 + 7);
    for (const char* n : names) {
        std::vector<uint8_t> dst(src.size());
        ASSERT_TRUE(resample<uint8_t>(src.data(), 9, 6, 27, dst.data(), 9, 6, 27, 3, resample_code(n)));
        EXPECT_EQ(dst, src) << n;
    }
}

TEST(Resample, AreaAverageIsTheMeanOfEachBlock) {
    // 4 x 2 -> 2 x 1: each output is the mean of a 2 x 2 block.
    const uint8_t src[] = {0, 100, 10, 20, 40, 60, 30, 40};
    uint8_t dst[2];
    ASSERT_TRUE(resample<uint8_t>(src, 4, 2, 4, dst, 2, 1, 2, 1, 15));
    EXPECT_EQ(dst[0], (0 + 100 + 40 + 60) / 4);
    EXPECT_EQ(dst[1], (10 + 20 + 30 + 40) / 4);
    // 16-bit, 3 -> 1 in one direction.
    const uint16_t s16[] = {1000, 2000, 6000};
    uint16_t d16[1];
    ASSERT_TRUE(resample<uint16_t>(s16, 3, 1, 3, d16, 1, 1, 1, 1, 15));
    EXPECT_EQ(d16[0], 3000);
}

TEST(Resample, TriangleUpscaleIsLinearBetweenCentres) {
    // Two pixels to four: destination centres fall at source positions
    // -0.25, 0.25, 0.75, 1.25 relative to the first centre, the outer two
    // clamp to the edge pixels.
    const uint8_t s8[] = {0, 255};
    uint8_t d8[4];
    ASSERT_TRUE(resample<uint8_t>(s8, 2, 1, 2, d8, 4, 1, 4, 1, 1));
    EXPECT_EQ(d8[0], 0);
    EXPECT_EQ(d8[1], 64);   // 63.75
    EXPECT_EQ(d8[2], 191);  // 191.25
    EXPECT_EQ(d8[3], 255);
    const uint16_t s16[] = {0, 65535};
    uint16_t d16[4];
    ASSERT_TRUE(resample<uint16_t>(s16, 1, 2, 1, d16, 1, 4, 1, 1, 1));  // the vertical pass alike
    EXPECT_EQ(d16[1], 16384);  // 16383.75
    EXPECT_EQ(d16[2], 49151);  // 49151.25
}

TEST(Resample, NearestDuplicatesPixels) {
    const uint8_t src[] = {1, 2, 3, 4};  // 2 x 2
    uint8_t dst[16];
    ASSERT_TRUE(resample<uint8_t>(src, 2, 2, 2, dst, 4, 4, 4, 1, 18));
    const uint8_t expect[] = {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(dst[i], expect[i]) << i;
}

TEST(Resample, ShrinkingFiltersTheWholeFootprint) {
    // Alternating 0/255 columns halved: a kernel stretched over the source
    // sees both phases and gives mid-grey; point sampling would give 0 or 255.
    std::vector<uint8_t> src(64 * 2);
    for (size_t i = 0; i < src.size(); ++i) src[i] = (i % 2) ? 255 : 0;
    for (const char* n : {"Lanczos3", "Bicubic", "Triangle", "Area Average"}) {
        std::vector<uint8_t> dst(32 * 2);
        ASSERT_TRUE(resample<uint8_t>(src.data(), 64, 2, 64, dst.data(), 32, 2, 32, 1, resample_code(n)));
        for (int x = 3; x < 29; ++x) EXPECT_NEAR(dst[x], 127.5, 2.0) << n << " " << x;
    }
}

TEST(Resample, RejectsInvalidArgumentsWithoutWriting) {
    const uint8_t src[16] = {};
    uint8_t dst[16];
    std::fill(std::begin(dst), std::end(dst), 99);
    EXPECT_FALSE(resample<uint8_t>(src, 2, 2, 8, dst, 2, 2, 8, 4, 14));       // unknown code
    EXPECT_FALSE(resample<uint8_t>(nullptr, 2, 2, 8, dst, 2, 2, 8, 4, 8));    // null source
    EXPECT_FALSE(resample<uint8_t>(src, 0, 2, 8, dst, 2, 2, 8, 4, 8));        // empty source
    EXPECT_FALSE(resample<uint8_t>(src, 2, 2, 8, dst, 2, -1, 8, 4, 8));       // negative size
    EXPECT_FALSE(resample<uint8_t>(src, 2, 2, 4, dst, 2, 2, 8, 4, 8));        // stride below a row
    EXPECT_FALSE(resample<uint8_t>(src, 2, 2, 8, dst, 2, 2, 8, 5, 8));        // five channels
    for (uint8_t v : dst) EXPECT_EQ(v, 99);
}

TEST(ImageOps, GreyRedBlueSwapAndOverlay) {
    using oka::imaging::grey_of;
    EXPECT_EQ(grey_of(255, 255, 255), 255);
    EXPECT_EQ(grey_of(0, 0, 0), 0);
    EXPECT_EQ(grey_of(255, 0, 0), 76);   // 0.299 x 255 = 76.2
    EXPECT_EQ(grey_of(0, 255, 0), 150);  // 0.587 x 255 = 149.7
    EXPECT_EQ(grey_of(0, 0, 255), 29);   // 0.114 x 255 = 29.1
    for (int v = 0; v < 256; ++v) ASSERT_EQ(grey_of(v, v, v), v);

    uint8_t px[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    oka::imaging::swap_red_blue(px, 2, 1, 8);
    const uint8_t swapped[8] = {3, 2, 1, 4, 7, 6, 5, 8};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(px[i], swapped[i]);

    // 2 x 2 source placed at (-1, 2) on a 3 x 3 field: only its top-right
    // pixel lands, at (0, 2).
    uint8_t field[9] = {};
    const uint8_t tile[4] = {1, 2, 3, 4};
    EXPECT_TRUE(oka::imaging::overlay(field, 3, 3, 1, 3, tile, 2, 2, 2, -1, 2, 1.0));
    const uint8_t expect[9] = {0, 0, 0, 0, 0, 0, 2, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(field[i], expect[i]) << i;
    EXPECT_FALSE(oka::imaging::overlay(field, 3, 3, 1, 3, tile, 2, 2, 2, 3, 0, 1.0));  // fully outside
    // Half opacity mixes half and half.
    uint8_t mix[1] = {100};
    const uint8_t top[1] = {200};
    EXPECT_TRUE(oka::imaging::overlay(mix, 1, 1, 1, 1, top, 1, 1, 1, 0, 0, 0.5));
    EXPECT_EQ(mix[0], 150);
}

}  // namespace
