// Blend buffers: creation and selection, pick-up, mask copy, mixing under
// every mix type, tinting, filters, and the bad-input guarantees.
#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <random>
#include <vector>

#include "brush/blend_buffers.h"
#include "brush/mix_ops.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "okacore.h"

namespace {

using oka::engine;
using oka::brush::tool;
using Px = std::array<uint16_t, 4>;

class BlendBuffers : public ::testing::Test {
protected:
    static constexpr int W = 16, H = 12, N = 8;
    void SetUp() override {
        OKA_CreateImage(nullptr, W, H, N, 0);
        ASSERT_EQ(OKA_CreateLayer(2, W, H), 1);
        OKA_SetLayer(2);
        auto& t = tool();
        t.size = 4;
        t.blend_strength = 256;
        t.colour = {1000, 2000, 3000, 65535};
        OKA_SetMixMode(0, 128);
    }
    void TearDown() override { OKA_DeleteImage(); }
    static Px cell(int i, int j) {
        const uint16_t* p = engine().blend_selected->pixels.data() + size_t(i) * N * 4 + size_t(j) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    static void set_cell(int i, int j, Px v) {
        uint16_t* p = engine().blend_selected->pixels.data() + size_t(i) * N * 4 + size_t(j) * 4;
        for (int c = 0; c < 4; ++c) p[c] = v[size_t(c)];
    }
    static void put(int x, int y, Px v) {
        uint16_t* p = engine().layers[2].pixels.data() + (size_t(y) * W + x) * 4;
        for (int c = 0; c < 4; ++c) p[c] = v[size_t(c)];
    }
};

TEST_F(BlendBuffers, CountAndSelectionClamp) {
    OKA_SetBlendBufferCount(25);
    EXPECT_EQ(engine().blend_count, 20);
    OKA_SelectBlendBuffer(30);
    EXPECT_EQ(engine().blend_selected, &engine().blend[19]);
    OKA_SelectBlendBuffer(-4);
    EXPECT_EQ(engine().blend_selected, &engine().blend[0]);
    OKA_SetBlendBufferCount(0);
    EXPECT_EQ(engine().blend_selected, nullptr);
    // Without buffers every operation does nothing.
    OKA_CopyBlendBufferSurface(5, 5, 128, 0);
    OKA_MixBlendBufferSurface(5, 5, 128);
    OKA_DoColorBlendBuffer(5, 5, 1, 2, 3, 0, 128);
    OKA_FilterBlendBuffer(290, 0);
    OKA_ClearBlendBuffer();
    OKA_FillBlendBuffer(0, 0, 1, 2);
    OKA_SetBlendBufferCount(-3);
    EXPECT_EQ(engine().blend_count, 0);
}

TEST_F(BlendBuffers, CopyWeightsBetweenCanvasAndBrush) {
    OKA_Clear(10, 20, 255, 255);  // (2560, 5120, 65280, 65280)
    OKA_CopyBlendBufferSurface(8, 6, 0, 0);
    // Weight 0 takes the canvas, each colour + 1 and capped at 0xFF00.
    EXPECT_EQ(cell(0, 0), (Px{2561, 5121, 0xFF00, 65280}));
    EXPECT_EQ(cell(3, 3), (Px{2561, 5121, 0xFF00, 65280}));
    OKA_CopyBlendBufferSurface(8, 6, 256, 0);
    EXPECT_EQ(cell(1, 2), (Px{1001, 2001, 3001, 65535}));
    // Half way: (canvas * 128 + brush * 128) >> 8, + 1.
    OKA_CopyBlendBufferSurface(8, 6, 128, 0);
    EXPECT_EQ(cell(2, 2), (Px{(2560 + 1000) / 2 + 1, (5120 + 2000) / 2 + 1, (65280 + 3000) / 2 + 1,
                              uint16_t((65280u * 128 + 65535u * 128) >> 8)}));
}

TEST_F(BlendBuffers, CopyAtTheCornerPrefillsOutsideCells) {
    OKA_Clear(50, 50, 50, 255);
    // n = 4 at (0, 0): canvas square (-2, -2)..(1, 1); cells (2..3, 2..3) are on the canvas.
    OKA_CopyBlendBufferSurface(0, 0, 100, 0);
    EXPECT_EQ(cell(0, 0), (Px{1000, 2000, 3000, 100 << 8}));
    EXPECT_EQ(cell(3, 1), (Px{1000, 2000, 3000, 100 << 8}));
    EXPECT_EQ(cell(2, 2)[3], uint16_t((65280u * 156 + 65535u * 100) >> 8));
    // A full weight keeps the clipped cells opaque instead of wrapping 256 << 8 to 0.
    OKA_CopyBlendBufferSurface(0, 0, 256, 0);
    EXPECT_EQ(cell(0, 0)[3], 65535);
    // With the flag, clipped cells only become opaque; a transparent canvas
    // pixel gets the brush colour with alpha (256 - c) << 8.
    set_cell(0, 0, {7, 7, 7, 7});
    put(0, 0, {0, 0, 0, 0});
    OKA_CopyBlendBufferSurface(0, 0, 0, 1);
    EXPECT_EQ(cell(0, 0), (Px{7, 7, 7, 65535}));
    EXPECT_EQ(cell(2, 2), (Px{1000, 2000, 3000, 65535}));
}

TEST_F(BlendBuffers, CopyUnderTheMaskUsesEffectiveAlpha) {
    OKA_Clear(0, 0, 0, 255);
    engine().mask[size_t(6) * W + 8] = 32768;
    OKA_CopyBlendBufferSurface(8, 6, 0, 0);
    // m' = (32768 * 65535) >> 16 = 32767; a = trunc(32767 / 65535 * 65280) = 32639.
    EXPECT_EQ(cell(2, 2)[3], 32639);
    engine().mask_enabled = 0;
    OKA_CopyBlendBufferSurface(8, 6, 0, 0);
    EXPECT_EQ(cell(2, 2)[3], 65280);
}

TEST_F(BlendBuffers, MaskCopy) {
    // Black brush: fully open value 65535.
    tool().colour = {0, 0, 0, 65535};
    engine().mask[size_t(6) * W + 8] = 1000;
    OKA_DoCopyBlendBufferMask(8, 6, 0);
    const uint16_t* p = engine().blend_selected->pixels.data();
    EXPECT_EQ(p[2 * N * 4 + 2], 1001);
    EXPECT_EQ(p[0], 0xFF00) << "65535 + 1 capped";
    OKA_DoCopyBlendBufferMask(8, 6, 256);
    EXPECT_EQ(p[2 * N * 4 + 2], 0xFF00);
    // A white brush closes: 0xFF00 - 65280 = 0, so weight 256 gives 0 + 1.
    tool().colour = {65280, 65280, 65280, 65535};
    OKA_DoCopyBlendBufferMask(0, 0, 256);
    EXPECT_EQ(p[0], 0) << "clipped cells take the brush value";
    EXPECT_EQ(p[2 * N * 4 + 2], 1);
}

// Each rule on S = 0x8000 (buffer / source) and D = 0x4000 (canvas).
struct RuleRow {
    uint32_t type;
    uint32_t x;
};

TEST(MixRules, EachRuleOnOneColour) {
    const RuleRow rows[] = {
        {33, 8192},  {34, 40961}, {35, 16384}, {36, 32768}, {37, 16384}, {38, 49152}, {39, 32768},
        {40, 16384}, {41, 16386}, {42, 16384}, {43, 32769}, {44, 0},     {45, 8192},  {46, 21845},
        {47, 49152}, {48, 0},     {261, 43690}, {262, 32767}, {295, 0x8000}, {999, 0x8000},
    };
    oka::brush::MixContext k;
    k.posterize_shift = 12;
    const uint32_t s[3] = {0x8000, 0x8000, 0x8000}, d[3] = {0x4000, 0x4000, 0x4000};
    for (const auto& r : rows) {
        const auto o = oka::brush::mix_colour(r.type, s, d, k);
        EXPECT_EQ(o.x[0], r.x) << r.type;
    }
    // Every listed type has a rule; the table has no duplicates.
    std::vector<uint32_t> seen;
    for (const auto& e : oka::brush::kMixTypes) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), e.type), 0) << e.type;
        seen.push_back(e.type);
    }
    EXPECT_EQ(seen.size(), 35u);
}

TEST(MixRules, WholeColourRules) {
    using oka::brush::MixKind;
    oka::brush::MixContext k;
    k.banks = {{{100, 101, 102}, {200, 201, 202}, {300, 301, 302}, {400, 401, 402}}};
    k.brush = {1000, 2000, 3000};
    struct Row {
        uint32_t type;
        uint32_t lum;  // grey source of this value
        uint32_t x0;
        MixKind kind;
    };
    const uint32_t D = 5000;
    const Row rows[] = {
        {249, 32766, 100, MixKind::Plain}, {249, 32767, 200, MixKind::Plain},
        {250, 43689, 200, MixKind::Plain}, {250, 43690, 300, MixKind::Plain},
        {251, 49150, 300, MixKind::Plain}, {251, 49151, 400, MixKind::Plain},
        {252, 0, 100, MixKind::Plain},     {252, 32767, 200, MixKind::Plain},
        {252, 65535, 300, MixKind::Plain}, {253, 100, 100, MixKind::Plain},
        {253, 40000, D, MixKind::Plain},   {254, 32767, D, MixKind::Plain},
        {254, 32768, 100, MixKind::Plain}, {255, 20478, 100, MixKind::Plain},
        {255, 30000, 30000, MixKind::Plain}, {255, 49152, 200, MixKind::Plain},
        {256, 20478, D, MixKind::TakeD},   {256, 20479, 20479, MixKind::Plain},
        {257, 49152, D, MixKind::TakeD},   {258, 60000, D, MixKind::TakeD},
        {258, 30000, 30000, MixKind::Plain}, {259, 12287, 100, MixKind::Plain},
        {259, 12288, D, MixKind::TakeD},   {260, 57343, 100, MixKind::Plain},
        {260, 57342, D, MixKind::TakeD},   {340, 9, 32767, MixKind::Grey},
        {387, 6000, D, MixKind::TakeD},    {387, 4000, 4000, MixKind::Plain},
        {388, 4000, D, MixKind::TakeD},    {425, 0, 0, MixKind::Plain},
        {425, 32766, (1000u * ((2 * 32766) >> 8)) >> 8, MixKind::Plain},
        // lum 32767 puts t at -1 in the upper branch; it is held at 0.
        {425, 32767, 1000, MixKind::Plain},
        {425, 65535, (1000u * (256 - 255) + 65535u * 255) >> 8, MixKind::Plain},
    };
    for (const auto& r : rows) {
        const uint32_t s[3] = {r.lum, r.lum, r.lum}, d[3] = {D, D, D};
        const auto o = oka::brush::mix_colour(r.type, s, d, k);
        EXPECT_EQ(o.x[0], r.x0) << r.type << " lum " << r.lum;
        EXPECT_EQ(o.kind, r.kind) << r.type << " lum " << r.lum;
    }
}

TEST_F(BlendBuffers, MixRules) {
    OKA_Clear(0, 0, 0, 255);
    // Transparent canvas: colour kept, alpha scaled by T / 65536.
    put(8, 6, {9, 9, 9, 0});
    set_cell(2, 2, {100, 200, 300, 40000});
    OKA_MixBlendBufferSurface(8, 6, 64);
    EXPECT_EQ(cell(2, 2), (Px{100, 200, 300, uint16_t((40000u * (65536 - 64 * 256)) >> 16)}));
    // Empty cell: the canvas pixel is copied whatever the type.
    OKA_SetMixMode(36, 128);
    put(8, 6, {1234, 65535, 3, 777});
    set_cell(2, 2, {5, 5, 5, 0});
    OKA_MixBlendBufferSurface(8, 6, 64);
    EXPECT_EQ(cell(2, 2), (Px{1234, 0xFF00, 3, 777}));
    // Type 261 quantises the buffer before the strength blend; canvas 0.
    OKA_SetMixMode(261, 128);
    put(8, 6, {0, 0, 0, 65535});
    set_cell(2, 2, {0x2A00, 0x2AAA, 0x2A00, 65535});
    OKA_MixBlendBufferSurface(8, 6, 1);
    const uint32_t S = 256, T = 65536 - S;
    EXPECT_EQ(cell(2, 2)[0], 1);
    EXPECT_EQ(cell(2, 2)[1], uint16_t(((((0x5555u * T) >> 8) + 0) >> 8) + 1));
    EXPECT_EQ(cell(2, 2)[3], uint16_t((((65535u * T) >> 8) + ((65535u * S) >> 8)) >> 8));
    // Strength 0: non-transparent pixels leave the cell alone.
    set_cell(2, 2, {1, 2, 3, 4});
    OKA_MixBlendBufferSurface(8, 6, 0);
    EXPECT_EQ(cell(2, 2), (Px{1, 2, 3, 4}));
    // "Take the canvas" types also take its alpha before the blend.
    OKA_SetMixMode(256, 128);
    put(8, 6, {3000, 3000, 3000, 20000});
    set_cell(2, 2, {100, 100, 100, 60000});
    OKA_MixBlendBufferSurface(8, 6, 128);
    EXPECT_EQ(cell(2, 2)[3], 20000);
}

TEST_F(BlendBuffers, ColourFilterClearFill) {
    set_cell(0, 0, {100, 200, 300, 0});
    set_cell(0, 1, {0, 0, 0, 500});
    OKA_DoColorBlendBuffer(2, 2, 10, 20, 30, 999, 256);
    EXPECT_EQ(cell(0, 0), (Px{2560, 5120, 7680, 0}));
    // f = 65535: ((C * 1) >> 8 + (c * 65535) >> 8) >> 8, + 1.
    EXPECT_EQ(cell(0, 1), (Px{uint16_t(((2560u * 65535 >> 8) >> 8) + 1), uint16_t(((5120u * 65535 >> 8) >> 8) + 1),
                              uint16_t(((7680u * 65535 >> 8) >> 8) + 1), 500}));
    set_cell(1, 1, {1000, 40000, 65535, 9});
    OKA_FilterBlendBuffer(290, 0);
    OKA_FilterBlendBuffer(290, 0);
    EXPECT_EQ(cell(1, 1), (Px{1000, 40000, 65535, 9}));
    OKA_FilterBlendBuffer(291, 50);  // t = 32767
    EXPECT_EQ(cell(1, 1), (Px{0, 40000, 65535, 9}));
    OKA_FilterBlendBuffer(292, 50);
    EXPECT_EQ(cell(1, 1), (Px{0, 0xFF00, 0xFF00, 9}));
    OKA_FilterBlendBuffer(289, 0);
    EXPECT_EQ(cell(1, 1), (Px{43520, 43520, 43520, 9}));
    OKA_FillBlendBuffer(0, 0, 1, 0x34);
    EXPECT_EQ(cell(0, 0)[0], 0x3434);
    OKA_ClearBlendBuffer();
    EXPECT_EQ(cell(3, 3), (Px{0, 0, 0, 0}));
}

TEST_F(BlendBuffers, SetMixModeDerivedValues) {
    struct Row {
        uint32_t v;
        int32_t shift;
    } rows[] = {{127, 0}, {254, 16}, {0, -16}, {200, 9}, {100, -3}};
    for (const auto& r : rows) {
        EXPECT_EQ(OKA_SetMixMode(295, r.v), r.shift) << r.v;
        EXPECT_EQ(oka::brush::mix_settings().inverse, 256 - r.v);
    }
    EXPECT_EQ(tool().mix_type, 295u);
}

TEST_F(BlendBuffers, BadInputStaysInsideTheBuffers) {
    OKA_Clear(1, 2, 3, 255);
    tool().size = 1000;  // larger than N: limited to the N x N buffer
    for (int x : {-100000, -5, 0, 7, 15, 100000})
        for (int y : {-100000, 0, 11, 100000}) {
            OKA_CopyBlendBufferSurface(x, y, 128, 0);
            OKA_CopyBlendBufferLayer(2, x, y, 300);
            OKA_CopyBlendBufferLayer(271, x, y, 128);
            OKA_CopyBlendBufferLayer(-9, x, y, 128);
            OKA_CopyBlendBufferTrace(x, y, 128);
            OKA_CopyBlendBufferHistory(x, y, -20);
            OKA_DoCopyBlendBufferMask(x, y, 128);
            OKA_MixBlendBufferSurface(x, y, 500);
            OKA_MixBlendBufferUnderLayer(x, y, 128);
            OKA_DoColorBlendBuffer(x, y, 1, 2, 3, 0, 128);
        }
    OKA_FilterBlendBuffer(290, 0);
    // A smaller layer is read only inside itself.
    ASSERT_EQ(OKA_CreateLayer(3, 3, 3), 1);
    OKA_MixBlendBufferLayer(3, 8, 8, 128);
    tool().blend_strength = 0;
    set_cell(0, 0, {1, 1, 1, 1});
    OKA_CopyBlendBufferSurface(8, 6, 0, 0);
    EXPECT_EQ(cell(0, 0), (Px{1, 1, 1, 1})) << "no effect while the blend strength is 0";
}

TEST(BlendBufferThreads, MixIsThreadCountInvariant) {
    const int W = 300, H = 260, N = 200;
    OKA_CreateImage(nullptr, W, H, N, 0);
    OKA_CreateLayer(2, W, H);
    OKA_SetLayer(2);
    std::mt19937 rng(3);
    std::vector<uint16_t> px(size_t(W) * H * 4);
    for (auto& v : px) v = uint16_t(rng());
    OKA_SetLayerData(px.data(), 2);
    for (size_t i = 0; i < size_t(W) * H; ++i) engine().mask[i] = uint16_t(rng() | 0x8000);
    tool().size = 200;
    tool().blend_strength = 256;
    for (uint32_t type : {33u, 42u, 252u}) {
        std::vector<std::vector<uint16_t>> out;
        for (int threads : {1, 2, 3}) {
            omp_set_num_threads(threads);
            OKA_SetMixMode(type, 128);
            OKA_CopyBlendBufferSurface(140, 120, 40, 0);
            OKA_MixBlendBufferSurface(150, 125, 100);
            OKA_MixBlendBufferSurface(145, 130, 60);
            const auto& b = engine().blend_selected->pixels;
            out.emplace_back(b.data(), b.data() + b.size());
        }
        EXPECT_EQ(out[0], out[1]) << type;
        EXPECT_EQ(out[0], out[2]) << type;
    }
    OKA_DeleteImage();
}

}  // namespace
