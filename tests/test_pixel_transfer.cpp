// Pixel transfer: widening and narrowing, the weighted load and its
// branches, fills, alpha edits, queries, pickers and compressed transfers.
#include <gtest/gtest.h>
#include <omp.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_state.h"
#include "engine/pixel_transfer.h"
#include "history/undo_store.h"
#include "okacore.h"

namespace {

using oka::engine;
using Px = std::array<uint16_t, 4>;

class PixelTransfer : public ::testing::Test {
protected:
    static constexpr int W = 6, H = 4;
    void SetUp() override {
        OKA_CreateImage(nullptr, W, H, 4, 0);
        ASSERT_EQ(OKA_CreateLayer(2, W, H), 1);
        OKA_SetLayerOptions(2, 1, 0, 100, "Normal");  // options outlive documents
        OKA_SetLayer(2);
    }
    void TearDown() override { OKA_DeleteImage(); }
    static oka::Layer& L(int i = 2) { return engine().layers[size_t(i)]; }
    static Px at(int x, int y, int i = 2) {
        const uint16_t* p = L(i).pixels.data() + (size_t(y) * L(i).width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    static void put(int x, int y, Px v, int i = 2) {
        std::memcpy(L(i).pixels.data() + (size_t(y) * L(i).width + x) * 4, v.data(), 8);
    }
    static void fill_mask(uint16_t v) { std::fill_n(engine().mask.data(), W * H, v); }
    static void make_texture(uint8_t v) {
        engine().texture = oka::Buffer<uint8_t>::allocate(W * H);
        std::fill_n(engine().texture.data(), W * H, v);
    }
    // A canvas-sized RGBA32 image of one colour.
    static std::vector<uint8_t> image(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        std::vector<uint8_t> v(W * H * 4);
        for (size_t i = 0; i < v.size(); i += 4) v[i] = r, v[i + 1] = g, v[i + 2] = b, v[i + 3] = a;
        return v;
    }
};

TEST_F(PixelTransfer, WidenAndNarrowRoundTrip) {
    auto img = image(255, 0, 128, 255);
    OKA_LoadRGBA32Layer(img.data(), W * 4, 2, 0, 0, W, H, 0);
    EXPECT_EQ(at(3, 2), (Px{65280, 0, 32768, 65280}));
    std::vector<uint8_t> back(W * H * 4);
    OKA_GetRGBA32Layer(back.data(), W * 4, 2);
    EXPECT_EQ(back, img);
    std::vector<uint8_t> rgb(W * H * 3);
    OKA_GetRGB24(rgb.data(), W * 3);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[2], 128);
    OKA_GetRGB24FromAlpha(rgb.data(), W * 3);
    EXPECT_EQ(rgb[5], 255);
}

TEST_F(PixelTransfer, UnweightedLoadOfTransparentSource) {
    auto img = image(10, 20, 30, 0);
    put(0, 0, {1, 2, 3, 4});
    OKA_LoadRGBA32Layer(img.data(), W * 4, 2, 0, 0, W, H, 0);
    EXPECT_EQ(at(0, 0), (Px{0, 0, 0, 0}));
    OKA_SetLayerOptions(2, 1, 1, 100, "Normal");
    put(0, 0, {1, 2, 3, 4});
    OKA_LoadRGBA32Layer(img.data(), W * 4, 2, 0, 0, W, H, 0);
    EXPECT_EQ(at(0, 0), (Px{2560, 5120, 7680, 4}));
}

struct WeightCase {
    const char* what;
    int mask;     // -1: mask disabled
    int texture;  // -1: no texture plane
    Px layer;
    std::array<uint8_t, 4> src;
    Px expect;
};

TEST_F(PixelTransfer, WeightedLoadBranches) {
    // Expected values from w and c = 65535 - w:
    //   blend = (((S * w) >> 8) + ((O * c) >> 8)) >> 8
    const WeightCase cases[] = {
        {"mask 0 changes nothing", 0, -1, {7, 8, 9, 10}, {255, 255, 255, 255}, {7, 8, 9, 10}},
        {"full mask stores", 65535, -1, {7, 8, 9, 10}, {1, 2, 3, 4}, {256, 512, 768, 1024}},
        {"full mask, transparent source keeps colour", 65535, -1, {7, 8, 9, 10}, {1, 2, 3, 0}, {256, 512, 768, 0}},
        {"mask byte 127 gives w 32767", 127 << 8, -1, {0, 0, 0, 65280}, {255, 255, 255, 255},
         {32639, 32639, 32639, 65279}},
        {"transparent layer takes colour, scaled alpha", 127 << 8, -1, {5, 5, 5, 0}, {10, 20, 30, 200},
         {2560, 5120, 7680, uint16_t((200u * 256 * 32767) >> 16)}},
        {"transparent source fades alpha only", 127 << 8, -1, {5, 6, 7, 40000}, {10, 20, 30, 0},
         {5, 6, 7, uint16_t((40000u * 32768) >> 16)}},
        {"texture 100 gives w 51455", -1, 100, {0, 0, 0, 65280}, {255, 0, 0, 255},
         {uint16_t(((65280u * 51455) >> 8) >> 8), 0, 0, uint16_t((((65280u * 51455) >> 8) + ((65280u * 14080) >> 8)) >> 8)}},
        {"texture 128 is full weight", -1, 128, {1, 1, 1, 1}, {2, 2, 2, 2}, {512, 512, 512, 512}},
    };
    for (const auto& c : cases) {
        engine().texture.reset();
        engine().mask_enabled = c.mask >= 0;
        fill_mask(c.mask >= 0 ? uint16_t(c.mask) : 0);
        if (c.texture >= 0) make_texture(uint8_t(c.texture));
        put(1, 1, c.layer);
        std::vector<uint8_t> img = image(c.src[0], c.src[1], c.src[2], c.src[3]);
        OKA_LoadRGBA32Layer(img.data(), W * 4, 2, 0, 0, W, H, 1);
        EXPECT_EQ(at(1, 1), c.expect) << c.what;
    }
}

TEST_F(PixelTransfer, WeightedLoadHonoursAlphaLock) {
    OKA_SetLayerOptions(2, 1, 1, 100, "Normal");
    fill_mask(127 << 8);
    put(0, 0, {0, 0, 0, 1234});
    auto img = image(255, 255, 255, 255);
    OKA_LoadRGBA32Into(img.data(), W * 4, 2, 0, 0, W, H);
    EXPECT_EQ(at(0, 0), (Px{32639, 32639, 32639, 1234}));
}

TEST_F(PixelTransfer, RectanglesAreClippedToTheLayer) {
    // A 4 x 4 source placed at (-2, 2): only its right half of the top two
    // rows lands, at columns 0..1 and rows 2..3.
    std::vector<uint8_t> src(4 * 4 * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i);
    OKA_LoadRGBA32Layer(src.data(), 16, 2, -2, 2, 4, 4, 0);
    EXPECT_EQ(at(0, 2), (Px{8 << 8, 9 << 8, 10 << 8, 11 << 8}));
    EXPECT_EQ(at(1, 3), (Px{28 << 8, 29 << 8, 30 << 8, 31 << 8}));
    EXPECT_EQ(at(2, 2), (Px{0, 0, 0, 0}));
    OKA_LoadRGBA32Layer(src.data(), 16, 2, 100000, -100000, 4, 4, 1);
    OKA_LoadRGBA32Layer(src.data(), 16, 2, 0, 0, -5, 4, 0);
    // Reading a rectangle half outside writes only the inside part, in place.
    std::vector<uint16_t> out(4 * 4 * 4, 7);
    OKA_GetRGBA64LayerRect(out.data(), 32, 2, -2, 2, 4, 4);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[8], 8 << 8);
    EXPECT_EQ(out[16 * 2], 7) << "row 2 of the rectangle lies below the layer";
}

TEST_F(PixelTransfer, LayersSmallerThanTheCanvasAreReadInsideOnly) {
    ASSERT_EQ(OKA_CreateLayer(3, 2, 2), 1);
    OKA_SetLayerAlpha(3, 65535);
    std::vector<uint8_t> out(W * H * 4, 9);
    OKA_GetRGBA32Layer(out.data(), W * 4, 3);
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[2 * 4 + 3], 9);
    EXPECT_EQ(OKA_GetColorAtLayer(4, 1, 3), 0u);
    EXPECT_EQ(OKA_GetRGBAAtLayer(5, 3, 3), 0x000000FFu) << "clamped into the 2 x 2 plane";
}

TEST_F(PixelTransfer, Pickers) {
    put(0, 0, {0x1200, 0x3400, 0x5600, 0x7800});
    EXPECT_EQ(OKA_GetColorAtSurface(-1, 0), 16777215u);
    EXPECT_EQ(OKA_GetRGBAAtSurface(-1, 0), 0x12345678u);
    EXPECT_EQ(OKA_GetColorAtSurface(0, 0), 0x78123456u);
    EXPECT_EQ(OKA_GetColorAt(0, 0, L().pixels.data()), 0x78123456u);
    EXPECT_EQ(OKA_GetColorAt(0, 0, nullptr), 0u);
    EXPECT_EQ(OKA_GetRed64(0, 0), 0x1200);
    EXPECT_EQ(OKA_GetAlpha64(0, 0), 0x7800);
    EXPECT_EQ(OKA_GetBlue64(W, 0), 0);
    EXPECT_EQ(OKA_GetRGBAAtTrace(0, 0), 0u) << "no trace layer";
    engine().mask[0] = 0;
    EXPECT_EQ(OKA_GetMask64(0, 0), 65535);
    engine().mask_enabled = 0;
    EXPECT_EQ(OKA_GetMask64(0, 0), 0);
}

TEST_F(PixelTransfer, FillsThroughTheMask) {
    OKA_Clear(0, 0, 0, 0);
    put(0, 0, {40000, 40000, 40000, 100});
    engine().mask[0] = 32768;
    engine().mask[1] = 0;
    OKA_ClearMasked(0, 0, 0, 0);
    const uint16_t half = uint16_t((40000u * 32767) >> 16);  // ((0 + ((O * c) >> 8)) >> 8)
    EXPECT_EQ(at(0, 0), (Px{half, half, half, 65535}));
    EXPECT_EQ(at(1, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(at(2, 0), (Px{0, 0, 0, 0}));
    OKA_ClearMasked(1, 2, 3, 4);
    EXPECT_EQ(at(2, 0), (Px{256, 512, 768, 1024}));
    // With an alpha lock the masked-alpha fill keeps alpha.
    OKA_SetLayerOptions(2, 1, 1, 100, "Normal");
    engine().mask_enabled = 0;
    OKA_ClearMaskedAlpha(9, 9, 9, 9);
    EXPECT_EQ(at(2, 0), (Px{2304, 2304, 2304, 1024}));
}

TEST_F(PixelTransfer, AlphaEdits) {
    OKA_SetLayerOptions(2, 1, 0, 50, "Normal");
    OKA_SetLayerAlpha(2, 65280);
    OKA_NormalizeLayerAlpha(2);
    EXPECT_EQ(at(0, 0)[3], 32640);
    EXPECT_EQ(L().opacity, 256);
    OKA_NormalizeLayerAlpha(2);
    EXPECT_EQ(at(0, 0)[3], 32640);
    put(0, 0, {1, 1, 1, 200});
    put(1, 0, {1, 1, 1, 256});
    OKA_SetColorAlpha(255, 0, 0);
    EXPECT_EQ(at(0, 0), (Px{65535, 0, 0, 0}));
    EXPECT_EQ(at(1, 0), (Px{1, 1, 1, 256}));
    OKA_InvertAlpha(2);
    EXPECT_EQ(at(1, 0)[3], 65279);
    uint8_t buf[8] = {1, 2, 3, 0, 4, 5, 6, 7};
    OKA_SetColorAlphaRGBABuf(buf, 2, 1, 9, 9, 9);
    EXPECT_EQ(buf[0], 9);
    EXPECT_EQ(buf[4], 4);
    OKA_SetColorRGBABuf(buf, 2, 1, 8, 8, 8);
    EXPECT_EQ(buf[4], 8);
    EXPECT_EQ(buf[7], 7);
}

TEST_F(PixelTransfer, QueriesOnLayers) {
    int32_t l = -1, t = -1, r = -1, b = -1;
    OKA_FindDataExtentsLayer(2, &l, &t, &r, &b);
    EXPECT_EQ((std::array<int32_t, 4>{l, t, r, b}), (std::array<int32_t, 4>{W, H, 0, 0}));
    put(4, 1, {0, 0, 0, 1});
    put(2, 3, {0, 0, 0, 1});
    OKA_FindDataExtentsLayer(2, &l, &t, &r, &b);
    EXPECT_EQ((std::array<int32_t, 4>{l, t, r, b}), (std::array<int32_t, 4>{2, 1, 4, 3}));
    OKA_FindDataExtentsLayer(9, &l, &t, &r, &b);  // absent: outputs untouched
    EXPECT_EQ(l, 2);
    EXPECT_EQ(OKA_IsSingleColor(2), 0);
    EXPECT_EQ(OKA_IsLayerTransparent(2), 1);
    OKA_Clear(1, 2, 3, 255);
    EXPECT_EQ(OKA_IsSingleColor(2), 1);
    EXPECT_EQ(OKA_IsLayerTransparent(2), 0);
    EXPECT_EQ(OKA_IsLayerTransparent(9), 1);
    EXPECT_EQ(OKA_IsSingleColor(9), 0);
}

TEST_F(PixelTransfer, RectToRgba32LosesTheEdgeColumn) {
    OKA_Clear(1, 2, 3, 4);
    std::vector<uint8_t> out(W * H * 4, 0xEE);
    OKA_RGBA64RectToRGBA32(L().pixels.data(), 0, 0, W, 2, W, 0, out.data());
    // W - 1 columns at a pitch of (W - 1) * 4, two rows.
    EXPECT_EQ(out[(W - 1) * 4 * 2 - 1], 4);
    EXPECT_EQ(out[(W - 1) * 4 * 2], 0xEE);
}

TEST_F(PixelTransfer, Rgb24Loads) {
    std::vector<uint8_t> rgb(W * H * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 10, rgb[i + 1] = 20, rgb[i + 2] = 30;
    OKA_Load(rgb.data(), W * 3, 1000, 1000);  // B, G, R order; clamped to the canvas
    EXPECT_EQ(at(5, 3), (Px{30 << 8, 20 << 8, 10 << 8, 65535}));
    OKA_LoadRGB24(rgb.data(), W * 3, 0);
    EXPECT_EQ(at(0, 0), (Px{10 << 8, 20 << 8, 30 << 8, 65535}));
    // The alpha load has its own weights: mask m weighs (w * m) >> 16.
    put(0, 0, {0, 0, 0, 0});
    put(1, 0, {0, 0, 0, 65280});
    fill_mask(32768);
    OKA_LoadRGB24ToAlpha(rgb.data(), W * 3, 1);
    EXPECT_EQ(at(0, 0)[3], 0) << "transparent pixels are skipped";
    const uint32_t w = (65535u * 32768) >> 16;
    EXPECT_EQ(at(1, 0)[3], uint16_t((((2560u * w) >> 8) + ((65280u * (65535 - w)) >> 8)) >> 8));
    std::vector<uint8_t> buf(W * H * 3, 0);
    OKA_SetPixelRGB24(buf.data(), W * 3, 1, 1, 0xAB00, 0xCD00, 0xEF00);
    OKA_SetPixelRGB24(buf.data(), W * 3, W, 1, 1, 1, 1);
    EXPECT_EQ(buf[(W + 1) * 3 + 2], 0xEF);
}

TEST_F(PixelTransfer, CompressedRoundTripAndRejects) {
    auto img = image(1, 2, 3, 4);
    img[5] = 99;
    OKA_LoadRGBA32Layer(img.data(), W * 4, 2, 0, 0, W, H, 0);
    std::vector<uint8_t> z(1024);
    const int32_t n = OKA_GetRGBA32LayerCompressed(z.data(), 0, int32_t(z.size()), 2, 6);
    ASSERT_GT(n, 0);
    std::vector<uint8_t> raw(W * H * 4);
    uLongf rn = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rn, z.data(), uLong(n)), Z_OK);
    EXPECT_EQ(raw, img);
    EXPECT_EQ(OKA_GetRGBA32LayerCompressed(z.data(), 0, 4, 2, 6), 0) << "capacity too small";
    EXPECT_EQ(OKA_GetRGBA32LayerCompressed(z.data(), 0, 1024, 2, 42), 0) << "bad level";

    ASSERT_EQ(OKA_CreateLayer(3, W, H), 1);
    EXPECT_EQ(OKA_LoadRGBA32LayerCompressed(z.data(), 0, n, 3), 1);
    EXPECT_EQ(std::memcmp(L(3).pixels.data(), L(2).pixels.data(), W * H * 8), 0);

    auto compress_bytes = [](const std::vector<uint8_t>& v) {
        std::vector<uint8_t> out(compressBound(uLong(v.size())));
        uLongf on = uLongf(out.size());
        compress(out.data(), &on, v.data(), uLong(v.size()));
        out.resize(on);
        return out;
    };
    OKA_Clear(0, 0, 0, 0);
    OKA_SetLayer(3);
    OKA_Clear(0, 0, 0, 0);
    const std::vector<uint8_t> short_img(W * H * 4 - 4, 200), long_img(W * H * 4 + 4, 200);
    const auto zs = compress_bytes(short_img), zl = compress_bytes(long_img);
    std::vector<uint8_t> corrupt(z.begin(), z.begin() + n);
    corrupt[n / 2] ^= 0x5A;
    struct Bad {
        const char* what;
        const uint8_t* data;
        int32_t size;
    } bad[] = {{"too short", zs.data(), int32_t(zs.size())},
               {"too long", zl.data(), int32_t(zl.size())},
               {"truncated", z.data(), n - 3},
               {"corrupt", corrupt.data(), n},
               {"garbage", img.data(), 16},
               {"empty", z.data(), 0}};
    for (const auto& b : bad) {
        EXPECT_EQ(OKA_LoadRGBA32LayerCompressed(b.data, 0, b.size, 3), 0) << b.what;
        EXPECT_EQ(OKA_IsLayerTransparent(3), 1) << b.what;
        EXPECT_EQ(at(0, 0, 3), (Px{0, 0, 0, 0})) << b.what;
    }
}

TEST_F(PixelTransfer, RowRunLengthTransfers) {
    // Mask row: 65535 comes back as 65280, others keep their high byte.
    uint16_t* m = engine().mask.data() + W;  // row 1
    const uint16_t values[W] = {65535, 65535, 0x12FF, 0x1200, 0, 1};
    std::copy(values, values + W, m);
    std::vector<uint8_t> stream(2 * W);
    const int32_t n = OKA_GetMaskLineRLE(stream.data(), 1);
    EXPECT_EQ(n, 2 * 3) << "runs: 0xFF.. x2, 0x12.. x2, 0x00.. x2";
    std::fill(m, m + W, uint16_t(7));
    OKA_PutMaskLineRLE(stream.data(), 1);
    const uint16_t expect[W] = {65280, 65280, 0x1200, 0x1200, 0, 0};
    EXPECT_TRUE(std::equal(m, m + W, expect));
    EXPECT_EQ(OKA_GetMaskLineRLE(stream.data(), H), 0);
    EXPECT_EQ(OKA_GetMaskLineRLE(stream.data(), -1), 0);
    OKA_PutMaskLineRLE(stream.data(), H);

    // Layer row through RGBA32 runs.
    put(0, 2, {0x1234, 0x5678, 0x9ABC, 0xFFFF});
    std::vector<uint8_t> rs(5 * W);
    const int32_t k = OKA_GetRGBA32LayerLineRLE(rs.data(), 2, 2);
    EXPECT_EQ(k, 10);
    OKA_Clear(0, 0, 0, 0);
    OKA_PutRGBA32LayerLineRLE(rs.data(), 2, 2);
    EXPECT_EQ(at(0, 2), (Px{0x1200, 0x5600, 0x9A00, 0xFF00}));
    EXPECT_EQ(OKA_GetRGBA32LayerLineRLE(rs.data(), 9, 2), 0);
    // A stream claiming more pixels than the row holds stops at the row's end.
    const uint8_t big[5] = {255, 1, 2, 3, 4};
    OKA_PutRGBA32LayerLineRLE(big, 2, 3);
    EXPECT_EQ(at(W - 1, 3), (Px{256, 512, 768, 1024}));
    EXPECT_EQ(at(0, 1), (Px{0, 0, 0, 0})) << "other rows untouched";

    // Raw mask copies.
    std::vector<uint16_t> raw(W * H, 0x4242);
    OKA_SetMaskData16(raw.data());
    std::vector<uint16_t> back(W * H);
    OKA_GetMaskData16(back.data());
    EXPECT_EQ(back, raw);
}

TEST_F(PixelTransfer, HistoryPickerReadsOnlyInsideTheStep) {
    EXPECT_EQ(OKA_GetColorAtHistory(1, 1), 0u) << "no step yet";
    OKA_SetUndoLevels(10);
    put(2, 1, {0x1100, 0x2200, 0x3300, 0xFF00});
    OKA_SaveUndoBackBuffer(2);  // the before-image holds the pixel above
    put(2, 1, {0, 0, 0, 0});
    // A step over the rectangle (1, 1)..(3, 2): dirty the canvas there.
    oka::history::reset_dirty_rect();
    oka::history::widen_dirty_rect(1, 1, 3, 2);
    OKA_SaveUndoBuffer(1, 0);
    EXPECT_EQ(OKA_GetColorAtHistory(2, 1), 0xFF112233u);
    EXPECT_EQ(OKA_GetColorAtHistory(0, 0), 16777215u) << "outside the step's rectangle";
    EXPECT_EQ(OKA_GetColorAtHistory(5, 3), 16777215u);
    EXPECT_EQ(OKA_GetColorAtHistory(-1, 1), 16777215u);
}

TEST_F(PixelTransfer, NullBuffersAndAbsentLayersDoNothing) {
    OKA_LoadRGBA32Layer(nullptr, 0, 2, 0, 0, W, H, 1);
    OKA_GetRGBA32Layer(nullptr, 0, 2);
    OKA_GetRGBA64Layer(nullptr, 0, 2);
    OKA_SetLayerData(nullptr, 2);
    OKA_GetLayerData(nullptr, 2);
    OKA_Load(nullptr, 0, W, H);
    OKA_ClearRGBA32Buf(nullptr, 5, 5, 1, 1, 1, 1);
    OKA_InvertAlpha_RGBA32(nullptr);
    std::vector<uint8_t> buf(W * H * 8);
    OKA_GetRGBA64Layer(buf.data(), W * 8, 77);
    OKA_GetRGBA64Layer(buf.data(), W * 8, -1);
    OKA_SetRGBA64Layer(buf.data(), W * 8, 300);
    OKA_CopyLayerData(2, 300);
    EXPECT_EQ(OKA_GetLayerCount(), 1);
    EXPECT_EQ(OKA_IsLayerTransparent(2), 1);
}

// The weighted load shares rows among threads; every thread count must
// give the same bytes.
TEST(PixelTransferThreads, WeightedLoadIsThreadCountInvariant) {
    const int W = 97, H = 61;
    OKA_CreateImage(nullptr, W, H, 4, 0);
    OKA_CreateLayer(2, W, H);
    OKA_SetLayer(2);
    std::mt19937 rng(7);
    std::vector<uint8_t> src(size_t(W) * H * 4);
    for (auto& v : src) v = uint8_t(rng());
    for (size_t i = 0; i < size_t(W) * H; ++i) engine().mask[i] = uint16_t(rng());
    engine().texture = oka::Buffer<uint8_t>::allocate(size_t(W) * H);
    for (size_t i = 0; i < size_t(W) * H; ++i) engine().texture[i] = uint8_t(4 + rng() % 247);
    std::vector<uint16_t> base(size_t(W) * H * 4);
    for (auto& v : base) v = uint16_t(rng());
    std::vector<std::vector<uint16_t>> results;
    for (int threads : {1, 2, 3}) {
        omp_set_num_threads(threads);
        OKA_SetLayerData(base.data(), 2);
        OKA_LoadRGBA32Layer(src.data(), W * 4, 2, 0, 0, W, H, 1);
        std::vector<uint16_t> out(base.size());
        OKA_GetLayerData(out.data(), 2);
        results.push_back(out);
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    EXPECT_NE(results[0], base);
    OKA_DeleteImage();
}

}  // namespace
