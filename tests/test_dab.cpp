// Dabs and the paint layer: exact pixels for each branch of the dab, the
// mask dab, locks, grit, clipping, threads, and committing strokes.
#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <limits>
#include <vector>

#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "history/undo_store.h"
#include "okacore.h"

namespace {

using oka::engine;
using oka::brush::tool;
using Px = std::array<uint16_t, 4>;

class Dab : public ::testing::Test {
protected:
    static constexpr int W = 40, H = 40, N = 64;
    void SetUp() override {
        OKA_CreateImage(nullptr, W, H, N, 0);
        ASSERT_EQ(OKA_CreateLayer(2, W, H), 1);
        // Layer options outlive documents: start from plain ones.
        OKA_SetLayerOptions(2, 1, 0, 100, "Normal");
        OKA_SetLayer(2);
        engine().mask_enabled = 0;
        tool() = oka::brush::ToolState{};
        brush(1);
        shape_fill(65535);
        OKA_SetMixMode(32, 256);
    }
    void TearDown() override { OKA_DeleteImage(); }
    // A brush of edge n sampling itself one to one, full alpha, no grit.
    static void brush(int n) {
        auto& t = tool();
        t.size = n;
        t.sampled_size = n;
        for (int i = 0; i < n; ++i) t.scale[size_t(i)] = i;
        t.alpha_percent = 100;
        t.alpha_factor = 128;
        t.density = 255;
    }
    static void shape_fill(uint16_t v) { std::fill_n(engine().brush_shape.data(), N * N, v); }
    static Px at(int x, int y, int layer = 2) {
        const auto& l = layer < 0 ? engine().paint_layer : engine().layers[size_t(layer)];
        const uint16_t* p = l.pixels.data() + (size_t(y) * l.width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    static void put(int x, int y, Px v, int layer = 2) {
        uint16_t* p = engine().layers[size_t(layer)].pixels.data() + (size_t(y) * W + x) * 4;
        for (int c = 0; c < 4; ++c) p[c] = v[size_t(c)];
    }
};

struct MixCase {
    const char* what;
    uint32_t type, m;
    uint16_t coverage;
    Px dst;
    std::array<int32_t, 3> colour;
    Px expect;
};

TEST_F(Dab, MixBranchesGiveExactPixels) {
    const MixCase cases[] = {
        {"normal, full, over black", 32, 256, 65535, {0, 0, 0, 65535}, {65280, 0, 0}, {65278, 0, 0, 65535}},
        {"normal, half, over black", 32, 256, 32768, {0, 0, 0, 65535}, {65280, 0, 0}, {32639, 0, 0, 65535}},
        {"normal, full, over clear", 32, 256, 65535, {0, 0, 0, 0}, {65280, 0, 0}, {65280, 0, 0, 65534}},
        {"normal, half, over clear", 32, 256, 32768, {0, 0, 0, 0}, {65280, 0, 0}, {65280, 0, 0, 32767}},
        {"lighten, half", 36, 256, 32768, {1000, 40000, 3000, 65535}, {32768, 32768, 32768}, {16885, 40001, 17885, 65535}},
        {"screen, half, white", 34, 256, 32768, {65535, 65535, 65535, 65535}, {65280, 65280, 65280}, {65535, 65535, 65535, 65535}},
        // Multiply (the premultiplied rule) of 65280 over an opaque mid grey at full coverage:
        // u = 65535 * 65535 / 65535 = 65535, s' = 65279, d' = 32767, A = 65535,
        // X = (0 + 0 + 32767 * 65279 / 65535) * 65535 / 65535 = 32639
        {"multiply, full", 1, 256, 65535, {32768, 32768, 32768, 65535}, {65280, 65280, 65280}, {32639, 32639, 32639, 65535}},
        // Amount blend with m = 128 halves a darken: X = ((128 S >> 4) + (min * 128 >> 4)) >> 4.
        {"darken, m 128", 35, 128, 65535, {1000, 1000, 1000, 65535}, {65280, 65280, 65280}, {33140, 33140, 33140, 65535}},
    };
    for (const auto& c : cases) {
        OKA_SetMixMode(c.type, c.m);
        shape_fill(c.coverage);
        put(10, 10, c.dst);
        OKA_DrawDabGrit(10, 10, c.colour[0], c.colour[1], c.colour[2]);
        EXPECT_EQ(at(10, 10), c.expect) << c.what;
    }
}

TEST_F(Dab, EraseAndBlobLock) {
    shape_fill(32768);
    put(5, 5, {100, 200, 300, 65535});
    tool().erase = 1;
    OKA_DrawDabGrit(5, 5, 0, 0, 0);
    EXPECT_EQ(at(5, 5), (Px{100, 200, 300, 32766}));
    EXPECT_EQ(tool().erase, 0) << "the flag lasts one dab";
    shape_fill(65535);
    tool().erase = 1;
    tool().blob_locked = 1;
    put(5, 5, {100, 200, 300, 65535});
    put(6, 6, {1, 1, 1, 8000});
    brush(2);
    OKA_DrawDabGrit(6, 6, 0, 0, 0);
    EXPECT_EQ(at(5, 5)[3], 9216);
    EXPECT_EQ(at(6, 6)[3], 8000) << "thin alpha is left under the blob lock";
}

TEST_F(Dab, LocksDecideWhatIsWritten) {
    ASSERT_EQ(OKA_CreateLayer(1, W, H), 1);
    OKA_SetLayer(1);
    engine().layers[1].pixels[3] = 1000;
    OKA_DrawDabGrit(0, 0, 0x1200, 0, 0);
    EXPECT_EQ(at(0, 0, 1)[3], 1000) << "no alpha on the background without a paint layer";
    EXPECT_NE(at(0, 0, 1)[0], 65535);
    OKA_SetLayer(2);
    tool().colour_locked = 1;
    put(3, 3, {7, 7, 7, 0});
    OKA_DrawDabGrit(3, 3, 0xFF00, 0xFF00, 0xFF00);
    EXPECT_EQ(at(3, 3), (Px{7, 7, 7, 65534}));
    tool().colour_locked = 0;
    OKA_SetLayerOptions(2, 1, 1, 100, "Normal");
    put(3, 3, {7, 7, 7, 0});
    OKA_DrawDabGrit(3, 3, 0xFF00, 0, 0);
    EXPECT_EQ(at(3, 3), (Px{0xFF00, 0, 0, 0}));
}

TEST_F(Dab, LowBytesAreCleared) {
    OKA_DrawDabGrit(4, 4, 255, 255, 255);
    EXPECT_EQ(at(4, 4), (Px{0, 0, 0, 65534}));
}

TEST_F(Dab, CornerDabClipsAndWidensTheDirtyRectangle) {
    brush(10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) engine().brush_shape[size_t(y) * N + x] = uint16_t(y >= 5 && x >= 5 ? 65535 : 0);
    oka::history::reset_dirty_rect();
    OKA_DrawDabGrit(0, 0, 0xFF00, 0, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(at(x, y)[3], (x < 5 && y < 5) ? 65534 : 0) << x << "," << y;
    const auto d = oka::history::dirty_rect();
    EXPECT_EQ(d.x0, 0);
    EXPECT_EQ(d.y0, 0);
    EXPECT_EQ(d.x1, 5);
    EXPECT_EQ(d.y1, 5);
}

TEST_F(Dab, GritDensity) {
    auto& t = tool();
    t.grit_cell_size = 1;
    t.drawing_length = 1000;
    t.drawing_counter = 5;  // no switch: read buffer 0 at offset 0
    t.grit_buffer = 0;
    t.grit_offset = 0;
    brush(2);
    uint8_t* g = engine().grit[0].data();
    g[0] = 0, g[1] = 3, g[N] = 200, g[N + 1] = 255;
    for (int density : {255, 0, 3}) {
        OKA_Clear(0, 0, 0, 0);
        t.density = density;
        OKA_DrawDabGrit(10, 10, 0xFF00, 0, 0);
        const int drawn = (at(9, 9)[3] != 0) + (at(10, 9)[3] != 0) + (at(9, 10)[3] != 0) + (at(10, 10)[3] != 0);
        EXPECT_EQ(drawn, density == 255 ? 4 : density == 0 ? 1 : 2) << density;
    }
}

TEST_F(Dab, SmudgeMixesTheBlendBufferAndRemixes) {
    auto& t = tool();
    t.blend_strength = 256;
    t.blend_inverse = 0;
    t.blend_remix = 1;
    uint16_t* cell = engine().blend_selected->pixels.data();
    cell[0] = 40000, cell[1] = 0, cell[2] = 0, cell[3] = 65535;
    put(10, 10, {0, 20000, 0, 65535});
    shape_fill(32768);
    OKA_DrawDabGrit(10, 10, 0, 0, 0);
    // i = 32768: X = ((i D >> 8) + (v S >> 8)) >> 8, A the same on alphas.
    EXPECT_EQ(at(10, 10), (Px{20000, 10000, 0, 65535}));
    // Remix with bs 256, bi 0: ((D * 0 + 256 S) >> 8) + 1.
    EXPECT_EQ(cell[0], 40001);
    EXPECT_EQ(cell[3], 65535);
}

TEST_F(Dab, MaskDab) {
    shape_fill(65535);
    tool().mask_maker = 1;
    engine().mask[size_t(10) * W + 10] = 0;
    OKA_DrawDabGrit(10, 10, 0, 0, 0);
    EXPECT_EQ(engine().mask[size_t(10) * W + 10], 65534);
    EXPECT_EQ(tool().mask_maker, 1) << "the mask maker stays on";
    shape_fill(32768);
    engine().mask[size_t(10) * W + 10] = 0;
    OKA_DrawDabGrit(10, 10, 0, 0, 0);
    EXPECT_EQ(engine().mask[size_t(10) * W + 10], 32767);
    engine().mask[size_t(10) * W + 10] = 65535;
    OKA_DrawDabGritMask(10, 10);  // colour from the last dab: black
    tool().colour = {65280, 65280, 65280, 65535};
    engine().mask[size_t(10) * W + 10] = 65535;
    OKA_DrawDabGritMask(10, 10);
    EXPECT_EQ(engine().mask[size_t(10) * W + 10], 32767);
    EXPECT_EQ(at(10, 10), (Px{0, 0, 0, 0})) << "the layer is untouched";
}

TEST_F(Dab, BadInputDrawsNothingOutside) {
    brush(30);
    for (int x : {-100000, -20, 0, 39, 60, 100000})
        for (int y : {-100000, -3, 20, 100000}) OKA_DrawDabGrit(x, y, 0xFF00, 0, 0);
    tool().size = 5000;  // larger than N
    tool().sampled_size = 5000;
    for (int i = 0; i < 1000; ++i) tool().scale[size_t(i)] = i * 5;
    OKA_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    tool().sampled_size = 0;
    OKA_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    tool().size = 10;
    tool().sampled_size = 10;
    tool().rotate_mode = 1;
    tool().sine = 1.0f, tool().cosine = 0.0f;
    tool().blend_strength = 256;
    tool().blend_remix = 1;
    OKA_DrawDabGrit(1, 1, 0xFF00, 0, 0);
    engine().current = nullptr;  // no current layer, no paint layer
    OKA_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    OKA_DeleteImage();
    OKA_DrawDabGrit(20, 20, 0xFF00, 0, 0);  // no document at all
    OKA_DrawDabGritMask(20, 20);
    SUCCEED();
}

TEST(DabThreads, RowsSplitAmongThreadsGiveTheSamePixels) {
    for (int rows : {35, 36, 120}) {
        std::vector<std::vector<uint16_t>> out;
        for (int threads : {1, 2}) {
            omp_set_num_threads(threads);
            OKA_CreateImage(nullptr, 200, 200, 128, 0);
            OKA_CreateLayer(2, 200, 200);
            OKA_SetLayer(2);
            tool() = oka::brush::ToolState{};
            auto& t = tool();
            t.size = rows, t.sampled_size = rows, t.alpha_percent = 60, t.alpha_factor = 76, t.density = 255;
            for (int i = 0; i < rows; ++i) t.scale[size_t(i)] = i;
            for (int i = 0; i < 128 * 128; ++i) engine().brush_shape[size_t(i)] = uint16_t(i * 37);
            OKA_SetMixMode(40, 200);
            OKA_Clear(10, 200, 30, 180);
            OKA_DrawDabGrit(100, 100, 0x8000, 0x4000, 0x2000);
            OKA_DrawDabGrit(110, 95, 0x1000, 0xF000, 0x2000);
            std::vector<uint16_t> px(200 * 200 * 4);
            OKA_GetLayerData(px.data(), 2);
            out.push_back(px);
            OKA_DeleteImage();
        }
        EXPECT_EQ(out[0], out[1]) << rows;
    }
}

// ---- Paint layer ------------------------------------------------------------------

TEST_F(Dab, PaintLayerOptions) {
    EXPECT_EQ(OKA_CreatePaintLayer(100, 100, "Normal"), 0);
    EXPECT_EQ(engine().paint_layer.opacity, 256);
    EXPECT_EQ(engine().paint_layer.strength, 255);
    brush(10);
    OKA_DrawDabGrit(20, 30, 0xFF00, 0, 0);
    const auto& p = engine().paint_layer;
    EXPECT_EQ((std::array<int32_t, 4>{p.ext_left, p.ext_top, p.ext_right, p.ext_bottom}),
              (std::array<int32_t, 4>{15, 25, 25, 35}));
    EXPECT_EQ(OKA_CreatePaintLayer(50, 50, "Multiply"), 1);
    EXPECT_EQ(p.opacity, 128);
    EXPECT_EQ(p.strength, 127);
    EXPECT_EQ(p.ext_right, 25) << "a second create keeps the stroke";
    EXPECT_EQ(at(20, 30, -1)[3], 65534);
    const std::string fifty(50, 'x');
    EXPECT_EQ(OKA_CreatePaintLayer(100, 100, fifty.c_str()), 0);
    EXPECT_STREQ(p.mode_name, "Multiply");
    EXPECT_EQ(at(20, 30)[3], 0) << "the layer waits for the merge";
}

TEST_F(Dab, MergeTouchesOnlyTheExtents) {
    OKA_CreatePaintLayer(100, 100, "Normal");
    OKA_MergePaintLayer(2);  // empty extents: nothing happens
    EXPECT_EQ(OKA_IsLayerTransparent(2), 1);
    brush(10);
    OKA_DrawDabGrit(20, 30, 0xFF00, 0, 0);
    // Paint outside the extents too, to see that the merge ignores it.
    engine().paint_layer.pixels[3] = 65535;
    OKA_MergePaintLayer(2);
    EXPECT_EQ(at(0, 0)[3], 0);
    EXPECT_EQ(at(15, 25)[3], 65534);
    EXPECT_EQ(at(24, 34)[3], 65534);
    EXPECT_EQ(at(25, 34)[3], 0);
    EXPECT_EQ(at(20, 30, -1)[3], 0) << "merged and cleared";
    EXPECT_EQ(engine().paint_layer.ext_left, W);
    // Extents beyond the plane, out to the ends of the integer range, merge
    // the whole plane and nothing outside it.
    for (const int32_t far : {5000, std::numeric_limits<int32_t>::max()}) {
        OKA_Clear(0, 0, 0, 0);
        uint16_t* p = engine().paint_layer.pixels.data();
        p[3] = 65535;
        p[(size_t(H) * W - 1) * 4 + 3] = 65535;
        OKA_SetPaintLayerExtents(-far - (far > 5000 ? 1 : 0), -far, far, far);
        OKA_MergePaintLayer(2);
        EXPECT_EQ(at(0, 0)[3], 65535) << far;
        EXPECT_EQ(at(W - 1, H - 1)[3], 65535) << far;
    }
    OKA_MergePaintLayer(200);  // absent layer: no write
    OKA_MergePaintLayer(-1);
}

TEST_F(Dab, StrokeIsNeverMoreOpaqueThanItsOpacity) {
    // One dab, then two hundred overlapping ones: the committed alpha is the
    // same, held at the paint layer's opacity (128 of 256, within one step).
    auto stroke_max = [&](int dabs) {
        OKA_Clear(0, 0, 0, 0);
        OKA_CreatePaintLayer(50, 100, "Normal");
        brush(8);
        for (int i = 0; i < dabs; ++i) OKA_DrawDabGrit(10 + i % 5, 10 + i % 3, 0x8000, 0x4000, 0);
        OKA_MergePaintLayer(2);
        uint16_t m = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) m = std::max(m, at(x, y)[3]);
        return m;
    };
    const uint16_t one = stroke_max(1), many = stroke_max(200);
    EXPECT_GT(one, 32000);
    EXPECT_EQ(many, one);
    EXPECT_LE(many, (129 * 65535) >> 8);
}

TEST_F(Dab, BlurredAlphaKeepsSolidCoverage) {
    OKA_CreatePaintLayer(100, 100, "Normal");
    uint16_t* p = engine().paint_layer.pixels.data();
    p[(size_t(5) * W + 5) * 4 + 3] = 61440;
    p[(size_t(5) * W + 6) * 4 + 3] = 61439;
    OKA_BlurPaintLayerAlpha();
    EXPECT_EQ(at(5, 5, -1)[3], 65535);
    // (239 * 2 * 2 + 240 * 2 + 8) / 16 = 90 from the 3 x 3 binomial weights.
    EXPECT_EQ(at(6, 5, -1)[3], ((239 * 4 + 240 * 2 + 8) / 16) << 8);
    EXPECT_EQ(at(20, 20, -1)[3], 0);
    OKA_DeletePaintLayer();
    OKA_BlurPaintLayerAlpha();
    EXPECT_FALSE(engine().paint_layer.present());
}

}  // namespace
