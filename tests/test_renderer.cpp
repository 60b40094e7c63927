// The view renderer: output bytes of each regime on small documents,
// worked out from the compositing rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/engine_state.h"
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
