// Tool state: the setters, the scale table, the tool call's order of work,
// and the grit buffers from the random arrays and from grey images.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "brush/grit.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/random.h"
#include "image_fixtures.h"
#include "imaging/image_ops.h"
#include "okacore.h"

namespace {

using oka::engine;
using oka::brush::tool;
using fixtures::Bytes;

class ToolState : public ::testing::Test {
protected:
    void SetUp() override { OKA_SetLastError(""); }
    void TearDown() override {
        OKA_DeleteImage();
        OKA_SetRandomSeed(0);
    }
    // The tool call with grit settings; everything else plain.
    static void set_grit(int cell, int tc, int tf, const char* grit_path = "", int drawing_length = 5) {
        OKA_SetTool(1.0f, cell, tc, tf, 0, 0, drawing_length, 0, 0, 0, 0, 0, 0, grit_path, "", 0);
    }
    static std::vector<Bytes> grit_copy() {
        std::vector<Bytes> out;
        for (const auto& g : engine().grit) out.emplace_back(g.data(), g.data() + g.size());
        return out;
    }
    static void fill_grit(uint8_t v) {
        for (auto& g : engine().grit) std::memset(g.data(), v, g.size());
    }
};

TEST_F(ToolState, ColourSetters) {
    OKA_SetColor(255, 128, 0);
    EXPECT_EQ(tool().colour.r, 65280);
    EXPECT_EQ(tool().colour.g, 32768);
    EXPECT_EQ(tool().colour.b, 0);
    EXPECT_EQ(tool().colour.a, 65535);
    OKA_SetColor(256, -1, 1000);  // x 256 kept to 16 bits
    EXPECT_EQ(tool().colour.r, 0);
    EXPECT_EQ(tool().colour.g, 65280);
    EXPECT_EQ(tool().colour.b, 59392);
    OKA_SetColor16(70000, 5, 65535);
    EXPECT_EQ(tool().colour.r, 70000 - 65536);
    EXPECT_EQ(tool().colour.g, 5);
    EXPECT_EQ(tool().colour.b, 65535);
    EXPECT_EQ(tool().colour.a, 65535);
    OKA_SetColorBanks(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(tool().banks[k].r, (3 * k + 1) * 256);
        EXPECT_EQ(tool().banks[k].g, (3 * k + 2) * 256);
        EXPECT_EQ(tool().banks[k].a, 65535);
    }
    EXPECT_EQ(tool().banks[3].b, 65280);
}

TEST_F(ToolState, SmallSetters) {
    OKA_SetDensity(256);
    EXPECT_EQ(tool().density, 255);
    OKA_SetDensity(0);
    EXPECT_EQ(tool().density, -1);
    const int alpha[][2] = {{100, 128}, {50, 64}, {33, 42}, {0, 0}, {1, 1}};
    for (const auto& a : alpha) {
        OKA_SetAlpha(a[0]);
        EXPECT_EQ(tool().alpha_percent, a[0]);
        EXPECT_EQ(tool().alpha_factor, a[1]) << a[0];
    }
    OKA_SetBlendStrength(100);
    EXPECT_EQ(tool().blend_inverse, 156);
    OKA_SetBlendStrength(0);  // the inverse keeps its value
    EXPECT_EQ(tool().blend_strength, 0);
    EXPECT_EQ(tool().blend_inverse, 156);
    OKA_SetBlendPrimaryColorStrength(56);
    OKA_SetBlendPrimaryColorStrength(0);
    EXPECT_EQ(tool().primary_inverse, 200);
    OKA_SetBlendRemix(0x301);
    EXPECT_EQ(tool().blend_remix, 1);
    OKA_SetAlphaLevel(40000);
    EXPECT_EQ(tool().alpha_level, 40000u);
    OKA_SetShapeBlur(30);
    EXPECT_EQ(tool().shape_blur, 30);
    OKA_SetShapeBlur(0);

    tool().drawing_counter = 3;
    OKA_DecDrawingLength();
    EXPECT_EQ(tool().drawing_counter, 2);
    OKA_TempDisableBlend();
    OKA_SetMaskMakerOn();
    OKA_SetEraseModeOn();
    EXPECT_EQ(tool().temp_blend_disable, 1);
    EXPECT_EQ(tool().mask_maker, 1);
    EXPECT_EQ(tool().erase, 1);
}

TEST_F(ToolState, RotationUsesTheFiveDigitPi) {
    OKA_SetRotateBrushMode(1, 90);
    EXPECT_EQ(tool().rotate_mode, 1);
    EXPECT_EQ(tool().rotation_degrees, 90);
    const double angle = 90 * (1.0 / 180.0) * 3.14159;
    EXPECT_EQ(tool().angle, static_cast<float>(angle));
    EXPECT_EQ(tool().cosine, static_cast<float>(std::cos(angle)));
    EXPECT_NEAR(tool().cosine, 1.3e-6, 0.05e-6);  // not 0
    EXPECT_EQ(tool().sine, 1.0f);
}

struct ScaleCase {
    int n, s, sampled;
    std::vector<int> entries;
};

TEST_F(ToolState, ScaleTables) {
    // No document: sizes up to 1000 are accepted as given.
    OKA_DeleteImage();
    const ScaleCase cases[] = {
        {10, 4, 4, {1, 3, 6, 8}},
        {10, 0, 1, {5}},      // below 1: one entry, trunc(n / 2)
        {10, 25, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},  // above n: the identity
        {7, 3, 3, {1, 3, 5}},
        {9, 6, 6, {0, 2, 3, 5, 6, 8}},  // step 1.5 from 0.75
        {0, 5, 0, {}},                  // a size-0 brush has no columns
    };
    for (const auto& c : cases) {
        OKA_SetSize(c.n);
        OKA_SetScaleSize(c.s);
        ASSERT_EQ(tool().sampled_size, c.sampled) << c.n << "/" << c.s;
        for (size_t i = 0; i < c.entries.size(); ++i) EXPECT_EQ(tool().scale[i], c.entries[i]) << c.n << "/" << c.s;
    }
    OKA_SetSize(1000);
    EXPECT_EQ(tool().size, 1000);
    OKA_SetScaleSize(5000);
    EXPECT_EQ(tool().sampled_size, 999);
    EXPECT_EQ(tool().scale[0], 0);
    EXPECT_EQ(tool().scale[998], 999);
    OKA_SetSize(5000);
    EXPECT_EQ(tool().size, 1000);
    OKA_SetSize(-4);
    EXPECT_EQ(tool().size, 0);
    EXPECT_EQ(tool().sampled_size, 0);
}

TEST_F(ToolState, ScaleEntriesAreCentresOfEqualParts) {
    // Entry i is floor((2i + 1) n / (2s)) exactly, except where that ratio
    // is a whole number and the running sum may land just below it.
    for (int n = 1; n <= 120; ++n) {
        OKA_SetSize(n);
        for (int s = 1; s <= n; ++s) {
            OKA_SetScaleSize(s);
            for (int i = 0; i < s; ++i) {
                const long num = static_cast<long>(2 * i + 1) * n, den = 2L * s;
                const int e = tool().scale[static_cast<size_t>(i)];
                ASSERT_LT(e, n);
                if (num % den == 0)
                    ASSERT_TRUE(e == num / den || e == num / den - 1) << n << "/" << s << " " << i;
                else
                    ASSERT_EQ(e, num / den) << n << "/" << s << " " << i;
            }
        }
    }
}

TEST_F(ToolState, SizeFollowsTheDocumentsMaximumBrush) {
    OKA_CreateImage(nullptr, 50, 50, 24, 0);
    OKA_SetSize(100);
    EXPECT_EQ(tool().size, 24);
    EXPECT_EQ(tool().sampled_size, 24);
    EXPECT_EQ(tool().scale[23], 23);
}

TEST_F(ToolState, ToolCallStoresArgumentsAndClearsOneDabFlags) {
    OKA_CreateImage(nullptr, 20, 20, 16, 0);
    OKA_SetRandomSeed(1234);
    OKA_SetSize(8);
    tool().mix_type = 99;
    OKA_TempDisableBlend();
    OKA_SetMaskMakerOn();
    OKA_SetEraseModeOn();
    OKA_SetTool(0.75f, 0, 5, 6, 0x1FF, 9, 11, 100, 40, 0x102, 0x1AB, 0x100, 0x1CD, "", "", 42);
    const auto& t = tool();
    EXPECT_EQ(t.intensity, 0.75f);
    EXPECT_EQ(t.grit_cell_size, 0);
    EXPECT_EQ(t.grit_cell_threshold, 5);
    EXPECT_EQ(t.grit_fill_threshold, 6);
    EXPECT_EQ(t.edge_softness, 255);
    EXPECT_EQ(t.colour_vary, 9);
    EXPECT_EQ(t.drawing_length, 11);
    EXPECT_EQ(t.blend_strength, 100);
    EXPECT_EQ(t.blend_inverse, 156);
    EXPECT_EQ(t.primary_strength, 40);
    EXPECT_EQ(t.primary_inverse, 216);
    EXPECT_EQ(t.blend_remix, 2);
    EXPECT_EQ(t.reserved1, 0xAB);
    EXPECT_EQ(t.invert_shape, 0);  // only the low byte counts
    EXPECT_EQ(t.reserved2, 0xCD);
    EXPECT_EQ(t.shape_effect_value, 42);
    EXPECT_EQ(t.mix_type, 32u);
    EXPECT_EQ(t.temp_blend_disable, 0);
    EXPECT_EQ(t.mask_maker, 0);
    EXPECT_EQ(t.erase, 0);
    // With grit off and a round shape nothing draws from the generator
    // after the reseed.
    EXPECT_EQ(oka::rng_state(), 1234u);
    // Strengths of 0 keep the inverses.
    OKA_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    EXPECT_EQ(t.blend_inverse, 156);
    EXPECT_EQ(t.primary_inverse, 216);
    EXPECT_STREQ(OKA_GetLastError(), "");
}

TEST_F(ToolState, ToolCallWithoutDocumentIsHarmless) {
    OKA_SetSize(10);
    set_grit(2, 200, 200, "/nonexistent.png");
    OKA_SetBrushShape("/nonexistent.png", 0);
    EXPECT_STREQ(OKA_GetLastError(), "");
}

// Grit with cell size 1 and thresholds above every byte: each cell reads a
// byte of A, takes v from B, reads one more byte of A and sets its single
// pixel. So row r of a buffer is B[b_r], B[b_r + 1], ... with b_r = u x 30
// for the row's second generator output u (30 = (10^6 - 1) / 32767), laid
// out at pitch N; rows wider than N run into the next, later rows win.
TEST_F(ToolState, GritFromRandomArraysFollowsTheCursorRule) {
    const int N = 32, n = 10, m = n + 25;
    OKA_CreateImage(nullptr, 40, 40, N, 0);
    OKA_SetSize(n);
    const uint32_t seed = engine().random_seed;
    set_grit(1, 256, 256, "", 9);

    oka::Lcg rng{seed};
    const uint8_t* B = engine().rand_b.data.data();
    for (int k = 0; k < oka::kGritBufferCount; ++k) {
        Bytes expect(static_cast<size_t>(N + 25) * (N + 25), 255);
        for (int r = 0; r < m; ++r) {
            rng.next();
            const size_t b = static_cast<size_t>(rng.next()) * 30;
            for (int x = 0; x < m; ++x) expect[static_cast<size_t>(r) * N + x] = B[b + x];
        }
        const Bytes got(engine().grit[k].data(), engine().grit[k].data() + engine().grit[k].size());
        ASSERT_EQ(got, expect) << "buffer " << k;
    }
    EXPECT_EQ(tool().grit_buffer, 19);
    EXPECT_EQ(tool().grit_offset, 0u);
    EXPECT_EQ(tool().grit_position(), engine().grit[19].data());
    EXPECT_EQ(tool().drawing_counter, 9);
}

TEST_F(ToolState, GritIsReproducibleFromTheSeed) {
    OKA_CreateImage(nullptr, 40, 40, 48, 0);
    OKA_SetSize(20);
    set_grit(3, 120, 180);
    const auto first = grit_copy();
    fill_grit(0);
    set_grit(3, 120, 180);
    EXPECT_EQ(grit_copy(), first);
    OKA_SetRandomSeed(99);
    set_grit(3, 120, 180);
    EXPECT_NE(grit_copy(), first);

    // Cells are c x c blocks of one value (window 45 fits the pitch 48),
    // values come from B (0..253), and grain exists but is not everywhere.
    size_t drawn = 0;
    const auto& g = engine().grit[4];
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 45; ++x) {
            const uint8_t v = g[static_cast<size_t>(y) * 48 + x];
            if (v == 255) continue;
            ++drawn;
            EXPECT_LE(v, 253);
            const int cy = y / 3 * 3, cx = x / 3 * 3;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const uint8_t w = g[static_cast<size_t>(cy + i) * 48 + cx + j];
                    EXPECT_TRUE(w == v || w == 255);
                }
        }
    EXPECT_GT(drawn, 0u);
    EXPECT_LT(drawn, 45u * 45u);
    for (int y = 0; y < 45; ++y)
        for (int x = 45; x < 48; ++x) EXPECT_EQ(g[static_cast<size_t>(y) * 48 + x], 255);
}

TEST_F(ToolState, GritThresholdsAndCellSizesAtTheEdges) {
    OKA_CreateImage(nullptr, 40, 40, 40, 0);
    OKA_SetSize(40);
    struct {
        int cell, tc, tf;
        bool all_blank;
    } cases[] = {
        {2, 0, 256, true},    // no cell passes
        {2, 256, 0, true},    // cells pass, no pixel does
        {-3, 256, 256, true}, // a negative cell size draws nothing
        {64, 256, 256, false},       // one cell larger than the window
        {400000, 256, 256, false},   // one cell, a short stride
        {700000, 256, 256, false},   // 10^6 - 2c below zero: the unsigned stride wraps
    };
    for (const auto& c : cases) {
        fill_grit(7);
        set_grit(c.cell, c.tc, c.tf);
        bool blank = true;
        for (const auto& g : engine().grit)
            for (size_t i = 0; i < g.size(); ++i) blank &= g[i] == 255;
        EXPECT_EQ(blank, c.all_blank) << c.cell;
        EXPECT_EQ(tool().grit_buffer, 19);
    }
    // Cell size 0: the buffers are not touched at all.
    fill_grit(7);
    set_grit(0, 256, 256);
    for (const auto& g : engine().grit)
        for (size_t i = 0; i < g.size(); ++i) ASSERT_EQ(g[i], 7);
}

TEST_F(ToolState, LargeCellsWrapInsideTheRandomArrays) {
    // N = 600, c = 600: the first cell row reads 600 x 600 + 600 x 25 + 2
    // bytes of A from a cursor up to 983010, past the end of its 10^6 bytes
    // whenever the row's first output u1 is above 20833. Check that seed 0
    // gives such a row, so that the build below really wraps.
    const int N = 600, c = 600;
    const size_t reads = size_t{600} * 600 + 600 * 25 + 2;
    oka::Lcg rng{0};
    bool wraps = false;
    for (int k = 0; k < oka::kGritBufferCount; ++k) {
        const uint32_t u1 = static_cast<uint32_t>(rng.next());
        for (int i = 0; i < 3; ++i) rng.next();
        wraps |= size_t{u1} * 30 + reads > 1000000;
    }
    ASSERT_TRUE(wraps);
    OKA_SetRandomSeed(0);
    OKA_CreateImage(nullptr, 10, 10, N, 0);
    OKA_SetSize(N);
    set_grit(c, 256, 256);
    // Every window pixel is drawn, with values from B.
    for (const auto& g : engine().grit)
        for (int y = 0; y < N + 25; y += 97)
            for (int x = 0; x < N; x += 89) ASSERT_LE(g[static_cast<size_t>(y) * N + x], 253);
}

uint8_t ramp(int x, int y) { return static_cast<uint8_t>(x * 3 + y * 5); }

std::string write_grey_png(const std::string& name, int w, int h) {
    Bytes grey(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) grey[static_cast<size_t>(y) * w + x] = ramp(x, y);
    const std::string path = fixtures::temp_path(name);
    fixtures::write_file(path, fixtures::png_bytes(w, h, PNG_FORMAT_GRAY, grey));
    return path;
}

TEST_F(ToolState, GritFromImageTakesWindowsAtRandomOffsets) {
    const int N = 40, n = 10, m = n + 25, W = 64, H = 50;
    OKA_CreateImage(nullptr, 40, 40, N, 0);
    OKA_SetSize(n);
    const std::string path = write_grey_png("grit.png", W, H);
    set_grit(0, 0, 0, path.c_str(), 4);
    oka::Lcg rng{engine().random_seed};
    for (int k = 0; k < oka::kGritBufferCount; ++k) {
        const int x0 = rng.next() % (W - m), y0 = rng.next() % (H - m);
        const auto& g = engine().grit[k];
        for (int y = 0; y < N + 25; ++y)
            for (int x = 0; x < N; ++x) {
                const size_t i = static_cast<size_t>(y) * N + x;
                if (i >= g.size()) break;
                const uint8_t expect = (x < m && y < m) ? ramp(x0 + x, y0 + y) : 255;
                ASSERT_EQ(g[i], expect) << k << " " << x << "," << y;
            }
    }
    EXPECT_EQ(tool().drawing_counter, 4);
    EXPECT_EQ(tool().grit_buffer, 19);
    std::remove(path.c_str());
}

TEST_F(ToolState, SmallGritImageRepeatsItsEdges) {
    const int N = 40, n = 10, m = n + 25;
    OKA_CreateImage(nullptr, 40, 40, N, 0);
    OKA_SetSize(n);
    const std::string path = write_grey_png("small_grit.png", 20, 12);
    set_grit(0, 0, 0, path.c_str());
    const uint32_t before = oka::rng_state();
    EXPECT_EQ(before, engine().random_seed);  // no offsets drawn: the image is smaller than the window
    for (const auto& g : engine().grit)
        for (int y = 0; y < m; ++y)
            for (int x = 0; x < m; ++x)
                ASSERT_EQ(g[static_cast<size_t>(y) * N + x], ramp(std::min(x, 19), std::min(y, 11))) << x << "," << y;
    std::remove(path.c_str());
}

TEST_F(ToolState, GritImageIsSkippedForLargeBrushesAndOnFailure) {
    OKA_CreateImage(nullptr, 40, 40, 600, 0);
    const std::string path = write_grey_png("big_grit.png", 30, 30);
    OKA_SetSize(575);  // window 600: too large for a grit image
    fill_grit(7);
    set_grit(0, 0, 0, path.c_str());
    EXPECT_EQ(engine().grit[0][0], 7);
    OKA_SetSize(574);
    set_grit(0, 0, 0, path.c_str());
    EXPECT_EQ(engine().grit[0][0], ramp(0, 0));

    // A missing or broken image leaves whatever the buffers held.
    OKA_SetSize(20);
    fill_grit(7);
    set_grit(0, 0, 0, fixtures::temp_path("no_such_grit.png").c_str());
    const std::string broken = fixtures::temp_path("broken_grit.png");
    fixtures::write_file(broken, Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
    set_grit(0, 0, 0, broken.c_str());
    for (const auto& g : engine().grit) EXPECT_EQ(g[0], 7);
    EXPECT_STREQ(OKA_GetLastError(), "");
    std::remove(path.c_str());
    std::remove(broken.c_str());
}

TEST_F(ToolState, RenderedImagesAreTiledOverTheGritField) {
    // A rendered effect chain is tiled over 600 x 600 before the windows
    // are taken, so a 7 x 5 image repeats with those periods.
    const int N = 40, n = 10, m = n + 25;
    OKA_CreateImage(nullptr, 40, 40, N, 0);
    OKA_SetSize(n);
    const Bytes tile = fixtures::pattern_rgba(7, 5, true);
    oka::rng_seed(4321);
    ASSERT_TRUE(oka::brush::fill_grit_from_tile(tile.data(), 7, 5));
    oka::Lcg rng{4321};
    for (int k = 0; k < oka::kGritBufferCount; ++k) {
        const int x0 = rng.next() % (600 - m), y0 = rng.next() % (600 - m);
        for (int y = 0; y < m; ++y)
            for (int x = 0; x < m; ++x) {
                const uint8_t* p = &tile[(static_cast<size_t>((y0 + y) % 5) * 7 + (x0 + x) % 7) * 4];
                ASSERT_EQ(engine().grit[k][static_cast<size_t>(y) * N + x], oka::imaging::grey_of(p[0], p[1], p[2]))
                    << k << " " << x << "," << y;
            }
    }
}

TEST_F(ToolState, PixelNoiseArrays) {
    OKA_CreateImage(nullptr, 10, 10, 32, 0);
    OKA_SetRandomSeed(77);
    OKA_SetPixColorVary(0);
    EXPECT_FALSE(tool().pix_colour_noise.data);
    OKA_SetPixColorVary(12);
    OKA_SetPixLumVary(30);
    EXPECT_EQ(tool().pix_colour_vary, 12);
    EXPECT_EQ(tool().pix_lum_vary, 30);
    ASSERT_EQ(tool().pix_colour_noise.length, 96u);
    ASSERT_EQ(tool().pix_lum_noise.length, 96u);
    oka::Lcg a{77}, b{77};
    for (size_t i = 0; i < 96; ++i) {
        EXPECT_EQ(tool().pix_colour_noise.data[i], static_cast<uint8_t>(a.next() % 1000));  // low byte of 0..999
        EXPECT_EQ(tool().pix_lum_noise.data[i], static_cast<uint8_t>(b.next() % 256));
    }
}

}  // namespace
