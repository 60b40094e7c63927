// The view renderer: output bytes of each regime on small documents,
// worked out from the compositing rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "brush/merge_modes.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "okacore.h"

namespace {

using oka::engine;
using Px = std::array<uint16_t, 4>;
using Bgr = std::array<uint8_t, 3>;

class Render : public ::testing::Test {
protected:
    static constexpr int W = 64, H = 64;
    void SetUp() override {
        OKA_CreateImage(nullptr, W, H, 16, 0);
        for (int i : {1, 2}) {
            ASSERT_EQ(OKA_CreateLayer(i, W, H), 1);
            OKA_SetLayerOptions(i, 1, 0, 100, "Normal");
        }
        OKA_SetLayer(2);
        OKA_SetViewSize(1000, 1000);
        OKA_SetScale(1, 1.0f);
        OKA_SetTracingMode(0);
        OKA_DisplayMask(0);
        OKA_SetAlphaLocked(0);
    }
    void TearDown() override { OKA_DeleteImage(); }
    static void put(int layer, int x, int y, Px v) {
        uint16_t* p = engine().layers[size_t(layer)].pixels.data() + (size_t(y) * W + x) * 4;
        for (int c = 0; c < 4; ++c) p[c] = v[size_t(c)];
    }
    static void fill(int layer, Px v) {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) put(layer, x, y, v);
    }
    // Render the whole canvas one to one into a packed picture.
    std::vector<uint8_t> shot(int w = W, int h = H) {
        std::vector<uint8_t> out(size_t(w) * h * 3, 0xEE);
        EXPECT_EQ(OKA_Render(out.data(), w * 3, 0, 0, W, H), 1);
        return out;
    }
    static Bgr at(const std::vector<uint8_t>& v, int x, int y, int w = W) {
        const uint8_t* p = v.data() + (size_t(y) * w + x) * 3;
        return {p[0], p[1], p[2]};
    }
    // The checkerboard of a transparent pixel at canvas (cx, cy).
    static uint8_t checker(int cx, int cy) { return ((cx >> 5) + (cy >> 5)) % 2 ? 0x9F : 0xFF; }
};

TEST_F(Render, BackgroundAloneIsItsHighBytes) {
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    put(1, 3, 4, {0x1234, 0x5678, 0x9ABC, 0});  // its alpha is ignored
    const auto v = shot();
    EXPECT_EQ(at(v, 3, 4), (Bgr{0x9A, 0x56, 0x12}));
    EXPECT_EQ(at(v, 0, 0), (Bgr{0xFF, 0xFF, 0xFF}));
}

TEST_F(Render, NothingVisibleShowsTheCheckerboard) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    const auto v = shot();
    for (auto [x, y] : {std::pair{0, 0}, {31, 31}, {32, 0}, {0, 33}, {40, 40}, {63, 10}})
        EXPECT_EQ(at(v, x, y)[0], checker(x, y)) << x << "," << y;
}

TEST_F(Render, NoCurrentLayerDrawsNothing) {
    engine().current = nullptr;
    std::vector<uint8_t> out(W * H * 3, 0xEE);
    EXPECT_EQ(OKA_Render(out.data(), W * 3, 0, 0, W, H), 0);
    EXPECT_EQ(out[0], 0xEE);
}

TEST_F(Render, LayerModesOverTheDocument) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    fill(2, {0x8000, 0x8000, 0x8000, 65535});
    // Mode 29 never shows.
    ASSERT_EQ(OKA_CreateLayer(3, W, H), 1);
    fill(3, {0, 0, 0, 65535});
    OKA_SetLayerOptions(3, 1, 0, 100, "Texturize3");
    EXPECT_EQ(at(shot(), 5, 5), (Bgr{0x80, 0x80, 0x80}));
    // An opaque Normal layer replaces exactly.
    OKA_SetLayerOptions(3, 1, 0, 100, "Normal");
    put(3, 5, 5, {0x1100, 0x2200, 0x3300, 65535});
    EXPECT_EQ(at(shot(), 5, 5), (Bgr{0x33, 0x22, 0x11}));
    // Multiply at full alpha: (c1/65280) (c2/65280) 65280, truncated.
    OKA_SetLayerOptions(3, 1, 0, 100, "Multiply");
    put(3, 5, 5, {0x8000, 0xFF00, 0, 65535});
    const auto v = shot();
    EXPECT_EQ(at(v, 5, 5)[2], uint8_t(int(0x8000 * (0x8000 / 65280.0)) >> 8));
    EXPECT_EQ(at(v, 5, 5)[1], 0x80);
    EXPECT_EQ(at(v, 5, 5)[0], 0x00);
}

TEST_F(Render, AlphaModesAndEmptyResults) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    ASSERT_EQ(OKA_CreateLayer(3, W, H), 1);
    OKA_SetLayerOptions(3, 1, 0, 100, "Alpha Filter");
    EXPECT_EQ(at(shot(), 40, 3), (Bgr{0xFF, 0xFF, 0xFF})) << "alpha 0 everywhere shows opaque white";
    fill(3, {0x1000, 0x2000, 0x3000, 65535});
    for (const char* mode : {"Color", "Hard Color", "Texturize", "Texturize2", "Alpha Shader Texture2"}) {
        OKA_SetLayerOptions(3, 1, 0, 100, mode);
        EXPECT_EQ(at(shot(), 40, 3)[0], checker(40, 3)) << mode << " over nothing leaves the pixel empty";
    }
}

TEST_F(Render, MaskLayerScalesTheLayerBelow) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    fill(2, {0xFF00, 0, 0, 65535});
    ASSERT_EQ(OKA_CreateLayer(3, W, H), 1);
    OKA_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    put(3, 0, 0, {0x8000, 0x8000, 0x8000, 65535});  // grey: halves the alpha
    put(3, 1, 0, {0, 0, 0, 0});                     // transparent: no effect
    const auto v = shot();
    // A = 65535 * 32768 >> 16 = 32767 over nothing, then the checkerboard:
    // ((A c >> 8) + ((65535 - A) 65535 >> 8)) >> 8.
    const uint32_t A = 32767;
    EXPECT_EQ(at(v, 0, 0)[2], uint8_t(((((A * 0xFF00) >> 8) + (((65535 - A) * 65535u) >> 8)) >> 8) >> 8));
    EXPECT_EQ(at(v, 0, 0)[0], uint8_t(((((65535 - A) * 65535u) >> 8) >> 8) >> 8));
    EXPECT_EQ(at(v, 1, 0), (Bgr{0, 0, 0xFF}));
    EXPECT_EQ(at(v, 2, 0), (Bgr{0, 0, 0xFF})) << "the mask layer never shows itself";
    // Directly above the background it does nothing.
    OKA_SetLayerOptions(1, 1, 0, 100, "Normal");
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    put(3, 0, 0, {0, 0, 0, 65535});
    EXPECT_EQ(at(shot(), 0, 0), (Bgr{0xFF, 0xFF, 0xFF}));
}

TEST_F(Render, StrokeShowsOnTheCurrentLayer) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    OKA_CreatePaintLayer(100, 100, "Normal");
    uint16_t* p = engine().paint_layer.pixels.data() + (size_t(7) * W + 7) * 4;
    p[0] = 0xFF00, p[1] = 0, p[2] = 0, p[3] = 65535;
    EXPECT_EQ(at(shot(), 7, 7), (Bgr{0, 0, 0xFF})) << "a transparent current-layer pixel still shows the stroke";
    EXPECT_EQ(at(shot(), 8, 7)[0], checker(8, 7));
    // Hidden current layer: no stroke.
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    EXPECT_EQ(at(shot(), 7, 7)[0], checker(7, 7));
}

TEST_F(Render, TracingAveragesTheTraceLayer) {
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    ASSERT_EQ(OKA_CreateLayer(0, W, H), 1);
    fill(0, {0, 0, 0, 65535});
    fill(1, {0xFF00, 0x8000, 0x0000, 65535});
    OKA_SetTracingMode(1);
    EXPECT_EQ(at(shot(), 9, 9), (Bgr{0x00, 0x40, 0x7F}));
}

TEST_F(Render, MaskOverlay) {
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    fill(1, {0, 0, 0, 65535});
    OKA_SetMaskOptions(255, 0, 0, 0, 0, 255, 0);  // colour 1 red (odd squares), colour 2 blue (even)
    OKA_DisplayMask(1);
    engine().mask[0] = 0;
    auto v = shot();
    // Half strength: m = 32767, inv = 32768; blue tint on an even square.
    EXPECT_EQ(at(v, 0, 0), (Bgr{uint8_t(((32768u * 0xFF00) >> 8) >> 16), 0, 0}));
    EXPECT_EQ(at(v, 1, 0), (Bgr{0, 0, 0}));
    OKA_SetMaskOptions(255, 0, 0, 0, 0, 255, 1);
    v = shot();
    EXPECT_EQ(at(v, 0, 0), (Bgr{uint8_t(((65535u * 0xFF00) >> 8) >> 16), 0, 0}));
    OKA_EnableMask(0);
    EXPECT_EQ(at(shot(), 0, 0), (Bgr{0, 0, 0}));
}

TEST_F(Render, ReductionPointSamples) {
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    for (int x = 0; x < W; ++x) put(1, x, 0, {uint16_t(x << 8), 0, 0, 65535});
    OKA_SetScale(1, 2.0f);
    std::vector<uint8_t> out(64 * 3, 0xEE);
    OKA_Render(out.data(), 0, 1, 0, 61, 2);  // width 61: trunc(61 / 2) = 30 columns, one row
    for (int j = 0; j < 30; ++j) EXPECT_EQ(out[size_t(j) * 3 + 2], 1 + 2 * j) << j;
    EXPECT_EQ(out[30 * 3], 0xEE) << "nothing past the last column";
}

TEST_F(Render, MagnificationReplicatesAndScalesTheCheckerboard) {
    OKA_SetLayerOptions(1, 0, 0, 100, "Normal");
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    OKA_SetScale(3, 1.0f);
    OKA_SetViewSize(151, 2);
    std::vector<uint8_t> out(200 * 2 * 3, 0xEE);
    OKA_Render(out.data(), 200 * 3, 0, 0, W, H);
    // Canvas squares of 32 become 96 destination pixels.
    EXPECT_EQ(out[95 * 3], 0xFF);
    EXPECT_EQ(out[96 * 3], 0x9F);
    EXPECT_EQ(out[(200 + 150) * 3], 0x9F) << "a block cut short by the view width";
    EXPECT_EQ(out[(200 + 151) * 3], 0xEE) << "nothing past the view width";
    // Equal factors select one to one, whatever their size.
    OKA_SetScale(2, 2.0f);
    OKA_SetViewSize(W, H);
    fill(1, {0x4000, 0x4000, 0x4000, 65535});
    OKA_SetLayerOptions(1, 1, 0, 100, "Normal");
    const auto v = shot();
    EXPECT_EQ(at(v, 63, 63), (Bgr{0x40, 0x40, 0x40}));
}

TEST_F(Render, NegativeStrideAndViewLimits) {
    OKA_SetLayerOptions(2, 0, 0, 100, "Normal");
    put(1, 0, 0, {0x0100, 0x0200, 0x0300, 65535});
    put(1, 0, 1, {0x0400, 0x0500, 0x0600, 65535});
    std::vector<uint8_t> out(2 * 3 * 2, 0xEE);
    OKA_SetViewSize(2, 2);
    // Bottom-up: the first row at the end of the buffer, the next above it.
    OKA_Render(out.data() + 6, -6, 0, 0, W, H);
    EXPECT_EQ(out[6], 0x03);
    EXPECT_EQ(out[0], 0x06);
    OKA_SetViewSize(0, 100);
    std::vector<uint8_t> guard(16, 0xEE);
    OKA_Render(guard.data(), 3, 0, 0, W, H);
    EXPECT_EQ(guard[0], 0xEE) << "a view size of 0 writes nothing";
}

TEST_F(Render, BadViewsWriteNothingOutside) {
    std::vector<uint8_t> out(8 * 8 * 3 + 16, 0xEE);
    OKA_SetViewSize(8, 8);
    struct Case {
        int32_t zoom;
        float scale;
        int32_t x, y, w, h;
    } cases[] = {
        {0, 1.0f, 0, 0, W, H},       {-3, 1.0f, 0, 0, W, H},       {1, 0.0f, 0, 0, W, H},
        {1, std::numeric_limits<float>::quiet_NaN(), 0, 0, W, H},   {1000000, 1.0f, 0, 0, W, H},
        {1, 1e30f, 0, 0, W, H},      {1, 1.0f, -100, -100, 5, 5},  {1, 1.0f, 60, 60, 100, 100},
        {1, 1.0f, W, H, 10, 10},     {1, 1.0f, 0, 0, -5, 10},      {1, 1.0f, INT32_MAX, 0, INT32_MAX, 1},
    };
    for (const auto& c : cases) {
        OKA_SetScale(c.zoom, c.scale);
        OKA_Render(out.data(), 8 * 3, c.x, c.y, c.w, c.h);
        for (size_t i = 8 * 8 * 3; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << c.zoom << " " << c.scale;
    }
}

}  // namespace

// ---- The whole pipeline against the compositing steps, pixel by pixel ----
//
// Seeded random documents (every layer mode, opacities, a mask layer, a
// stroke on the current layer, tracing, the mask tint, wider than one
// block of the row pipeline) rendered in each regime, against a reference
// that follows the steps for one canvas pixel at a time with the engine's
// single-pixel rules (OKA_MergePixel's, the alpha-mode preparation and the
// floating-point blend).
namespace oracle {

constexpr int W = 300, H = 6;

uint16_t* pixel(const oka::Layer& l, int x, int y) {
    return const_cast<uint16_t*>(l.pixels.data()) + size_t(y) * size_t(l.stride) + size_t(x) * 4;
}

// 16-bit composite of canvas pixel (cx, cy).
std::array<uint32_t, 4> composite(int cx, int cy) {
    const oka::EngineState& e = engine();
    std::vector<int> list;
    for (int i = 1; i < oka::kLayerCount; ++i) {
        const oka::Layer& l = e.layers[size_t(i)];
        if (l.present() && l.visible && l.mode != 29 && l.width == W && l.height == H) list.push_back(i);
    }
    const bool background = !list.empty() && list[0] == 1;
    const oka::Layer& paint = e.paint_layer;
    float F[4] = {0, 0, 0, 0};
    uint32_t I[4] = {0, 0, 0, 0};
    bool floats = false;
    for (size_t k = 0; k < list.size(); ++k) {
        const oka::Layer& l = e.layers[size_t(list[k])];
        const uint16_t* q = pixel(l, cx, cy);
        int32_t px[4] = {q[0], q[1], q[2], q[3]};
        const bool first_bg = k == 0 && background;
        if (first_bg) px[3] = 65535;
        const bool current = paint.present() && list[k] == e.current_index;
        if (px[3] == 0 && l.mode <= 31 && !current) continue;
        if (current) {
            const uint16_t* p = pixel(paint, cx, cy);
            const bool keep = l.alpha_locked || oka::brush::tool().alpha_locked;
            OKA_MergePixel(&px[0], &px[1], &px[2], &px[3], p[0], p[1], p[2], (p[3] * (paint.strength + 1)) >> 8,
                           paint.mode, std::min<int>(paint.opacity, 255), keep);
        }
        if (k + 1 < list.size() && e.layers[size_t(list[k + 1])].mode == 51) {
            const uint16_t* m = pixel(e.layers[size_t(list[k + 1])], cx, cy);
            if (m[3] > 0) px[3] = int32_t((uint32_t(px[3]) * ((uint32_t(m[0]) + m[1] + m[2]) / 3)) >> 16);
            if (first_bg) px[3] = 65535;
        }
        uint32_t u[4] = {uint32_t(px[0]), uint32_t(px[1]), uint32_t(px[2]), uint32_t(px[3])};
        const int32_t rule = oka::prepare_render_pixel(l.mode, u, oka::alpha_layer_opacity());
        if (l.opacity < 255) u[3] = ((l.opacity + 1) * u[3]) >> 8;
        if (F[3] == 0.0f) {
            const bool zero = rule == 20 || rule == 21 || (rule >= 27 && rule <= 29);
            for (int c = 0; c < 4; ++c) I[c] = zero ? 0 : u[c];
            for (int c = 0; c < 3; ++c) F[c] = zero ? 0.0f : float(u[c]) / 65280.0f;
            F[3] = zero ? 0.0f : float(u[3]) / 65535.0f;
            floats = false;
        } else if (u[3] >= 0xFF00 && rule == 0) {
            for (int c = 0; c < 3; ++c) I[c] = u[c], F[c] = float(u[c]) / 65280.0f;
            I[3] = 65535, F[3] = 1.0f;
            floats = false;
        } else {
            oka::blend_render_float(rule, u, F);
            floats = true;
        }
    }
    if (!floats) return {I[0], I[1], I[2], I[3]};
    std::array<uint32_t, 4> out{};
    for (int c = 0; c < 4; ++c)
        out[size_t(c)] = uint32_t(std::clamp(int64_t(double(F[c]) * (c == 3 ? 65535.0 : 65280.0)), int64_t(0), int64_t(65535)));
    return out;
}

// Tracing, checkerboard and mask tint of the composite: B, G, R.
Bgr shown(int cx, int cy, bool tracing, bool masked, bool full, const uint32_t tint1[3], const uint32_t tint2[3]) {
    std::array<uint32_t, 4> c = composite(cx, cy);
    if (tracing) {
        const uint16_t* t = pixel(engine().layers[0], cx, cy);
        for (int i = 0; i < 3; ++i) c[size_t(i)] = (c[size_t(i)] + t[i]) >> 1;
    }
    const bool odd = ((cx >> 5) + (cy >> 5)) % 2 != 0;
    if (c[3] < 65535) {
        const uint32_t k = odd ? 0x9FFF : 65535, A = c[3];
        for (int i = 0; i < 3; ++i) c[size_t(i)] = (((A * c[size_t(i)]) >> 8) + (((65535 - A) * k) >> 8)) >> 8;
    }
    uint32_t m = masked ? engine().mask[size_t(cy) * W + size_t(cx)] : 65535;
    if (m < 65535) {
        if (!full) m = (m >> 1) + 32767;
        const uint32_t* T = odd ? tint1 : tint2;
        Bgr b{};
        for (int i = 0; i < 3; ++i)
            b[size_t(i)] = uint8_t((((m * c[size_t(2 - i)]) >> 8) + (((65535 - m) * T[2 - i]) >> 8)) >> 16);
        return b;
    }
    return {uint8_t(c[2] >> 8), uint8_t(c[1] >> 8), uint8_t(c[0] >> 8)};
}

}  // namespace oracle

TEST(RenderOracle, EveryRegimeMatchesThePixelSteps) {
    using namespace oracle;
    const auto modes = oka::layer_mode_table();
    std::mt19937 rng(20261211);
    auto rnd = [&](uint32_t n) { return uint32_t(rng() % n); };
    for (int scene = 0; scene < 24; ++scene) {
        SCOPED_TRACE(scene);
        OKA_CreateImage(nullptr, W, H, 16, 0);
        OKA_SetAlphaLocked(int32_t(rnd(4) == 0));
        OKA_SetAlphaLayerOpacity(int32_t(rnd(101)));
        const int layers = 2 + int(rnd(6));
        for (int i = 0; i <= layers; ++i) {
            ASSERT_EQ(OKA_CreateLayer(i, W, H), 1);
            const char* mode = modes[rnd(uint32_t(modes.size()))].name;
            if (i == 3 && rnd(2)) mode = "Layer Mask";
            OKA_SetLayerOptions(i, uint8_t(rnd(5) != 0), uint8_t(rnd(5) == 0), rnd(3) ? 100 : int32_t(rnd(101)),
                                i == 1 && rnd(2) ? "Normal" : mode);
            // Pixels in runs: transparent, opaque, partly transparent, any.
            const oka::Layer& l = engine().layers[size_t(i)];
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    uint16_t* p = pixel(l, x, y);
                    const uint32_t kind = (uint32_t(x) / 7 + uint32_t(y) + uint32_t(i)) % 4;
                    for (int c = 0; c < 3; ++c) p[c] = uint16_t(rnd(3) == 0 ? 0xFF00 : rnd(65536));
                    p[3] = kind == 0 ? 0 : kind == 1 ? 65535 : uint16_t(rnd(65536));
                }
        }
        OKA_SetLayer(1 + int32_t(rnd(uint32_t(layers))));
        if (rnd(4) != 0) {
            OKA_CreatePaintLayer(int32_t(rnd(101)), int32_t(rnd(101)), modes[rnd(uint32_t(modes.size()))].name);
            const oka::Layer& p = engine().paint_layer;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    uint16_t* q = pixel(p, x, y);
                    if (x % 3 == 0) continue;
                    for (int c = 0; c < 4; ++c) q[c] = uint16_t(rnd(65536));
                }
        }
        const bool tracing = rnd(3) == 0, masked = rnd(3) == 0, full = rnd(2) == 0;
        OKA_SetTracingMode(tracing);
        OKA_DisplayMask(masked);
        OKA_EnableMask(1);
        const uint32_t t1[3] = {rnd(256), rnd(256), rnd(256)}, t2[3] = {rnd(256), rnd(256), rnd(256)};
        OKA_SetMaskOptions(int32_t(t1[0]), int32_t(t1[1]), int32_t(t1[2]), int32_t(t2[0]), int32_t(t2[1]),
                           int32_t(t2[2]), full);
        const uint32_t tint1[3] = {t1[0] * 256, t1[1] * 256, t1[2] * 256}, tint2[3] = {t2[0] * 256, t2[1] * 256, t2[2] * 256};
        for (size_t i = 0; i < size_t(W) * H; ++i) engine().mask[i] = uint16_t(rnd(3) == 0 ? 65535 : rnd(65536));

        // The expected picture of every canvas pixel once.
        std::vector<Bgr> want(size_t(W) * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) want[size_t(y) * W + size_t(x)] = shown(x, y, tracing, masked, full, tint1, tint2);

        struct View {
            int32_t zoom;
            float scale;
        };
        for (const View v : {View{1, 1.0f}, View{1, 2.5f}, View{3, 1.0f}}) {
            SCOPED_TRACE(v.zoom * 10 + int(v.scale * 10));
            const int vw = 2 * W, vh = 3 * H;
            OKA_SetScale(v.zoom, v.scale);
            OKA_SetViewSize(vw, vh);
            std::vector<uint8_t> out(size_t(vw) * vh * 3, 0xEE);
            ASSERT_EQ(OKA_Render(out.data(), vw * 3, 1, 0, W - 1, H), 1);
            // Destination column j and row i show canvas (cols[j], rows[i]).
            std::vector<int> cols, rows;
            if (v.scale == 1.0f && v.zoom == 1) {
                for (int j = 0; j < W - 1; ++j) cols.push_back(1 + j);
                for (int i = 0; i < H; ++i) rows.push_back(i);
            } else if (v.zoom == 3) {
                for (int j = 0; j < 3 * (W - 1); ++j) cols.push_back(1 + j / 3);
                for (int i = 0; i < 3 * H; ++i) rows.push_back(i / 3);
            } else {
                // 2.5 canvas pixels per destination pixel, a running sum.
                float f = 0.0f;
                for (int c = 1, j = 0; j < int((W - 1) / 2.5f); ++j) {
                    cols.push_back(c);
                    f += 2.5f;
                    c += int(f), f -= std::floor(f);
                }
                f = 0.0f;
                for (int c = 0, i = 0; i < int(H / 2.5f); ++i) {
                    rows.push_back(c);
                    f += 2.5f;
                    c += int(f), f -= std::floor(f);
                }
            }
            cols.resize(std::min<size_t>(cols.size(), size_t(vw)));
            rows.resize(std::min<size_t>(rows.size(), size_t(vh)));
            int bad = 0;
            for (size_t i = 0; i < rows.size(); ++i)
                for (size_t j = 0; j < cols.size(); ++j) {
                    const uint8_t* d = out.data() + (i * size_t(vw) + j) * 3;
                    const Bgr got{d[0], d[1], d[2]}, exp = want[size_t(rows[i]) * W + size_t(cols[j])];
                    if (got != exp && ++bad <= 3)
                        ADD_FAILURE() << "pixel (" << j << ", " << i << ") canvas (" << cols[j] << ", " << rows[i]
                                      << "): got " << int(got[0]) << "," << int(got[1]) << "," << int(got[2])
                                      << " want " << int(exp[0]) << "," << int(exp[1]) << "," << int(exp[2]);
                }
            EXPECT_EQ(bad, 0);
            if (cols.size() < size_t(vw)) EXPECT_EQ(out[cols.size() * 3], 0xEE) << "nothing past the last column";
            if (rows.size() < size_t(vh)) EXPECT_EQ(out[rows.size() * size_t(vw) * 3], 0xEE) << "nor the last row";
        }
        OKA_DeleteImage();
    }
    OKA_SetAlphaLocked(0);
    OKA_SetAlphaLayerOpacity(100);
    OKA_SetTracingMode(0);
    OKA_DisplayMask(0);
}
