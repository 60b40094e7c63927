// The layer compositor: every mode through OKA_MergeLayer against the
// long-double reference (with mask layers, opacities and the same-alpha
// rules), the document merge and its background and trace rules, clipping
// of rectangles outside the planes, host pictures, the merged picker, and
// identical results for any thread count.
#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "brush/merge_modes.h"
#include "engine/compositor.h"
#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "engine/memory.h"
#include "merge_reference.h"
#include "okacore.h"

namespace {

using oka::engine;
using Px = std::array<uint16_t, 4>;

constexpr int kW = 16, kH = 12;

int32_t draw(std::mt19937& rng) {
    static constexpr int32_t kSpecial[] = {0,     1,     255,   256,   8191,  9214,  9215,  32767,
                                           32768, 65279, 65280, 65535, 32640, 8190,  32512, 32513};
    std::uniform_int_distribution<int> pick(0, 2 * int(std::size(kSpecial)) - 1);
    const int k = pick(rng);
    if (k < int(std::size(kSpecial))) return kSpecial[k];
    return std::uniform_int_distribution<int32_t>(0, 65535)(rng);
}

class Compositor : public ::testing::Test {
protected:
    void SetUp() override {
        OKA_CreateImage(nullptr, kW, kH, 4, 0);
        OKA_SetAlphaLayerOpacity(100);
    }
    void TearDown() override {
        OKA_DeleteImage();
        for (int i = 0; i < oka::kLayerCount; ++i) engine().layers[size_t(i)].visible = 0;
        OKA_SetAlphaLayerOpacity(100);
    }
    static oka::Layer& L(int i) { return engine().layers[size_t(i)]; }
    static Px at(int layer, int x, int y) {
        const uint16_t* p = L(layer).pixels.data() + (size_t(y) * L(layer).stride + size_t(x) * 4);
        return {p[0], p[1], p[2], p[3]};
    }
    static void put(int layer, int x, int y, Px v) {
        uint16_t* p = L(layer).pixels.data() + (size_t(y) * L(layer).stride + size_t(x) * 4);
        for (int c = 0; c < 4; ++c) p[c] = v[c];
    }
    static void fill(int layer, Px v) {
        for (int y = 0; y < L(layer).height; ++y)
            for (int x = 0; x < L(layer).width; ++x) put(layer, x, y, v);
    }
    static void randomise(int layer, std::mt19937& rng) {
        for (int y = 0; y < L(layer).height; ++y)
            for (int x = 0; x < L(layer).width; ++x)
                put(layer, x, y, {uint16_t(draw(rng)), uint16_t(draw(rng)), uint16_t(draw(rng)), uint16_t(draw(rng))});
    }
    static void make(int layer, const char* mode, int percent = 100, uint8_t visible = 1) {
        ASSERT_EQ(OKA_CreateLayer(layer, kW, kH), 1);
        OKA_SetLayerOptions(layer, visible, 0, percent, mode);
    }
};

std::string show(const Px& p) {
    return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," + std::to_string(p[3]);
}

bool matches(const mref::Outcome& o, const Px& before, const Px& after, bool keep = false) {
    const int64_t b[4] = {before[0], before[1], before[2], before[3]};
    const int64_t a[4] = {after[0], after[1], after[2], after[3]};
    return mref::matches(o, b, a, keep);
}

// Every mode, alone and under a mask layer, in its own alpha mode and
// another, at random opacities: each pixel of the destination against the
// reference.
TEST_F(Compositor, MergeLayerAgreesWithTheReferenceForEveryMode) {
    std::mt19937 rng(42);
    OKA_SetAlphaLayerOpacity(61);
    const int64_t omega = oka::alpha_layer_opacity();
    for (const auto& m : oka::layer_mode_table()) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool masked = variant & 1, same = (variant & 2) && m.number >= 32;
            const int percent = int(rng() % 101);
            make(2, m.name, percent);
            make(3, same ? m.name : "Normal", 100, 0);  // hidden: the mask search passes it
            if (masked) make(4, "Layer Mask");
            else OKA_DeleteLayer(4);
            randomise(2, rng);
            randomise(3, rng);
            if (masked) randomise(4, rng);
            std::vector<Px> before;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) before.push_back(at(3, x, y));
            OKA_MergeLayer(2, 3);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const Px s = at(2, x, y), d = before[size_t(y * kW + x)];
                    const int64_t src[4] = {s[0], s[1], s[2], s[3]}, dst[4] = {d[0], d[1], d[2], d[3]};
                    int64_t mask[4];
                    if (masked) {
                        const Px mp = at(4, x, y);
                        for (int c = 0; c < 4; ++c) mask[c] = mp[c];
                    }
                    const mref::Outcome o = mref::composite(dst, src, masked ? mask : nullptr, 255, m.number,
                                                            L(2).opacity, same, omega);
                    ASSERT_TRUE(matches(o, d, at(3, x, y)))
                        << m.name << (masked ? " masked" : "") << (same ? " same alpha" : "") << " opacity "
                        << L(2).opacity << " src " << show(s) << " dst " << show(d) << " -> " << show(at(3, x, y));
                }
        }
    }
}

// The compositor's own strength and alpha lock (used by stroke commits and
// effect write-back), across modes.
TEST_F(Compositor, StrengthAndKeepAlphaFollowTheReference) {
    std::mt19937 rng(8);
    make(2, "Normal");
    make(3, "Normal", 100, 0);
    for (int32_t mode : {0, 1, 13, 20, 28, 34, 41, 52}) {
        for (int32_t strength : {0, 100, 254, 255}) {
            for (bool keep : {false, true}) {
                randomise(2, rng);
                randomise(3, rng);
                std::vector<Px> before;
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) before.push_back(at(3, x, y));
                oka::CompositeArgs a;
                a.src = oka::view_of(L(2));
                a.dst = oka::view_of(L(3));
                a.width = kW;
                a.height = kH;
                a.mode = mode;
                a.opacity = 200;
                a.strength = strength;
                a.keep_alpha = keep;
                oka::composite(a);
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const Px sp = at(2, x, y), d = before[size_t(y * kW + x)];
                        const int64_t src[4] = {sp[0], sp[1], sp[2], sp[3]}, dst[4] = {d[0], d[1], d[2], d[3]};
                        const mref::Outcome o = mref::composite(dst, src, nullptr, strength, mode, 200, false, 65535);
                        ASSERT_TRUE(matches(o, d, at(3, x, y), keep))
                            << "mode " << mode << " strength " << strength << " keep " << keep << " src " << show(sp)
                            << " dst " << show(d) << " -> " << show(at(3, x, y));
                    }
            }
        }
    }
}

TEST_F(Compositor, OpacityZeroStillContributesAnd255Equals256) {
    make(2, "Normal", 0);
    make(3, "Normal");
    fill(2, {65280, 0, 0, 65535});
    fill(3, {0, 0, 65280, 65535});
    OKA_MergeLayer(2, 3);
    // A = (1 x 65535) >> 8 = 255: a faint red over the blue.
    EXPECT_EQ(at(3, 0, 0), (Px{254, 0, 65025, 65535}));

    std::mt19937 rng(3);
    std::vector<Px> results[2];
    for (int k = 0; k < 2; ++k) {
        rng.seed(3);
        make(2, "Overlay");
        make(3, "Normal");
        randomise(2, rng);
        randomise(3, rng);
        L(2).opacity = uint16_t(255 + k);
        OKA_MergeLayer(2, 3);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) results[k].push_back(at(3, x, y));
    }
    EXPECT_EQ(results[0], results[1]);
}

TEST_F(Compositor, MaskLayerGreyScalesTheSourceAlpha) {
    make(2, "Normal");
    make(3, "Normal", 100, 0);
    make(4, "Layer Mask");
    fill(2, {65280, 0, 0, 65535});
    fill(3, {0, 0, 0, 0});
    put(4, 0, 0, {0, 0, 0, 0});                  // transparent: no masking
    put(4, 1, 0, {0, 0, 0, 65535});              // opaque black: hidden
    put(4, 2, 0, {32768, 32768, 32768, 65535});  // mid grey: a x 32768 >> 16
    OKA_MergeLayer(2, 3);
    EXPECT_EQ(at(3, 0, 0), (Px{65280, 0, 0, 65535}));
    EXPECT_EQ(at(3, 1, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(at(3, 2, 0), (Px{65280, 0, 0, 32767}));
    // A visible layer of another mode in between ends the search.
    fill(3, {0, 0, 0, 0});
    L(3).visible = 1;
    OKA_MergeLayer(2, 3);
    EXPECT_EQ(at(3, 1, 0), (Px{65280, 0, 0, 65535}));
}

TEST_F(Compositor, SameAlphaModeCopiesSourcePixelsWithAlpha) {
    make(2, "Alpha Black Outline", 50);
    make(3, "Alpha Black Outline");
    put(2, 0, 0, {100, 200, 300, 40000});
    put(2, 1, 0, {100, 200, 300, 0});
    put(2, 2, 0, {100, 200, 300, 0});
    put(3, 0, 0, {9, 9, 9, 65535});
    put(3, 1, 0, {9, 9, 9, 65535});
    put(3, 2, 0, {9, 9, 9, 0});
    OKA_MergeLayer(2, 3);
    EXPECT_EQ(at(3, 0, 0), (Px{100, 200, 300, (129 * 40000) >> 8}));  // colour kept, alpha x opacity
    EXPECT_EQ(at(3, 1, 0), (Px{9, 9, 9, 65535}));                    // a = 0: unchanged
    EXPECT_EQ(at(3, 2, 0), (Px{0, 0, 0, 0}));                        // ... or cleared without alpha
}

TEST_F(Compositor, HighlightTextureLeavesPreparedSourceOnClearPixels) {
    make(2, "Alpha Highlight Texture2");
    make(3, "Normal");
    put(2, 0, 0, {20000, 30000, 40000, 20000});
    put(3, 0, 0, {0, 0, 0, 0});
    OKA_MergeLayer(2, 3);
    // sa < 32767 keeps the colour with A = sa - 2 (32767 - sa): 0 here.
    EXPECT_EQ(at(3, 0, 0), (Px{0, 0, 0, 0}));
    put(2, 0, 0, {20000, 30000, 40000, 30000});
    OKA_MergeLayer(2, 3);
    EXPECT_EQ(at(3, 0, 0), (Px{20000, 30000, 40000, 30000 - 2 * (32767 - 30000)}));
    // The single-pixel merge clears there instead.
    int32_t r = 0, g = 0, b = 0, a = 0;
    OKA_MergePixel(&r, &g, &b, &a, 20000, 30000, 40000, 30000, 41, 255, 0);
    EXPECT_EQ(r + g + b + a, 0);
}

TEST_F(Compositor, MergeLayerWithItselfAndItsMaskIsPerPixel) {
    std::mt19937 rng(11);
    make(2, "Screen", 70);
    make(3, "Layer Mask");
    randomise(2, rng);
    randomise(3, rng);
    std::vector<Px> s2, s3;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) s2.push_back(at(2, x, y)), s3.push_back(at(3, x, y));
    OKA_MergeLayer(2, 2);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Px p = s2[size_t(y * kW + x)], m = s3[size_t(y * kW + x)];
            const int64_t px[4] = {p[0], p[1], p[2], p[3]}, mk[4] = {m[0], m[1], m[2], m[3]};
            ASSERT_TRUE(matches(mref::composite(px, px, mk, 255, 2, L(2).opacity, false, 65535), p, at(2, x, y)));
        }
    // Into its own mask layer: each mask pixel is read before it is written.
    std::vector<Px> now2;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) now2.push_back(at(2, x, y));
    OKA_MergeLayer(2, 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Px p = now2[size_t(y * kW + x)], m = s3[size_t(y * kW + x)];
            const int64_t px[4] = {p[0], p[1], p[2], p[3]}, mk[4] = {m[0], m[1], m[2], m[3]};
            ASSERT_TRUE(matches(mref::composite(mk, px, mk, 255, 2, L(2).opacity, false, 65535), m, at(3, x, y)));
        }
}

// The document, pixel for pixel, is: cleared, the background copied when
// its visible byte is 1, then each visible layer from 2 up merged into the
// rectangle with its mask layer.
TEST_F(Compositor, MergeRectIsTheLayersInOrder) {
    std::mt19937 rng(5);
    make(0, "Normal");  // trace layer: never merged
    fill(0, {65280, 65280, 0, 65535});
    make(1, "Normal");
    make(2, "Multiply", 80);
    make(3, "Layer Mask");
    make(5, "Soft Light", 60, 2);  // visible byte 2 counts as visible
    make(6, "HSL Hue", 100, 0);    // hidden
    make(7, "Alpha Smooth Lum4", 90);
    for (int i : {1, 2, 3, 5, 6, 7}) randomise(i, rng);
    const int x = 3, y = 2, w = 9, h = 7;
    std::vector<uint16_t> got(size_t(w * h * 4), 0xBEEF), want(size_t(w * h * 4), 0);
    OKA_MergeRect(got.data(), x, y, w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            for (int c = 0; c < 4; ++c) want[size_t((j * w + i) * 4 + c)] = at(1, x + i, y + j)[size_t(c)];
    for (int i : {2, 3, 5, 7}) OKA_MergeLayerIntoRect(i, want.data(), x, y, w, h);
    EXPECT_EQ(got, want);

    // One pixel, and the picker.
    std::vector<uint16_t> one(4);
    OKA_MergeRect(one.data(), x + 4, y + 5, 1, 1);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(one[size_t(c)], got[size_t((5 * w + 4) * 4 + c)]);
    const uint32_t argb = (uint32_t(one[3] >> 8) << 24) | (uint32_t(one[0] >> 8) << 16) | (uint32_t(one[1] >> 8) << 8) |
                          uint32_t(one[2] >> 8);
    EXPECT_EQ(OKA_GetColorAtMerged(x + 4, y + 5), argb);
    EXPECT_EQ(OKA_GetColorAtMerged(-1, 0), 16777215u);
    EXPECT_EQ(OKA_GetColorAtMerged(0, kH), 16777215u);
}

TEST_F(Compositor, BackgroundIsCopiedOnlyForVisibleByteOne) {
    make(1, "Normal");
    make(2, "Normal", 100, 2);
    fill(1, {1000, 2000, 3000, 65535});
    fill(2, {0, 0, 0, 0});
    put(2, 1, 1, {65280, 0, 0, 65535});
    std::vector<uint16_t> out(size_t(kW * kH * 4), 7);
    OKA_Merge(out.data());
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[3], 65535);
    EXPECT_EQ(out[size_t((kW + 1) * 4)], 65280);
    // The background's own pixels come back exactly when it is the only layer.
    L(2).visible = 0;
    put(1, 2, 3, {1, 65535, 65280, 12345});
    OKA_Merge(out.data());
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int c = 0; c < 4; ++c) ASSERT_EQ(out[size_t((y * kW + x) * 4 + c)], at(1, x, y)[size_t(c)]);
    // Visible byte 2: not copied, the result stays cleared.
    L(1).visible = 2;
    OKA_Merge(out.data());
    for (uint16_t v : out) ASSERT_EQ(v, 0);
}

TEST_F(Compositor, RectanglesOutsideThePlanesAreClipped) {
    make(2, "Normal");
    fill(2, {65280, 0, 0, 65535});
    // Partly outside: the part beyond the layer stays as it was.
    const int w = kW + 6, h = kH + 4;
    std::vector<uint16_t> buf(size_t(w * h * 4), 777);
    OKA_MergeLayerIntoRect(2, buf.data(), -3, -2, w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const bool inside = i - 3 >= 0 && i - 3 < kW && j - 2 >= 0 && j - 2 < kH;
            ASSERT_EQ(buf[size_t((j * w + i) * 4)], inside ? 65280 : 777) << i << "," << j;
        }
    // MergeRect clears everything first.
    OKA_MergeRect(buf.data(), -3, -2, w, h);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[size_t((2 * w + 3) * 4)], 65280);
    // Wholly outside, absurd sizes and absent planes: nothing, and no access.
    std::vector<uint16_t> small(16, 5);
    OKA_MergeLayerIntoRect(2, small.data(), kW, 0, 2, 2);
    OKA_MergeLayerIntoRect(2, small.data(), INT32_MAX, INT32_MAX, 2, 2);
    OKA_MergeLayerIntoRect(2, small.data(), INT32_MIN, INT32_MIN, 2, 2);
    OKA_MergeLayerIntoRect(2, small.data(), 0, 0, 0, 2);
    OKA_MergeLayerIntoRect(2, small.data(), 0, 0, -2, 2);
    OKA_MergeLayerIntoRect(9, small.data(), 0, 0, 2, 2);
    OKA_MergeLayerIntoRect(2, nullptr, 0, 0, 2, 2);
    for (uint16_t v : small) EXPECT_EQ(v, 5);
    OKA_MergeRect(nullptr, 0, 0, 2, 2);
    OKA_MergeRect(small.data(), 0, 0, -1, 5);
    for (uint16_t v : small) EXPECT_EQ(v, 5);
    make(1, "Normal");  // a background to copy, far outside it
    OKA_MergeRect(small.data(), INT32_MAX - 1, INT32_MAX - 1, 2, 2);
    for (uint16_t v : small) EXPECT_EQ(v, 0);
    OKA_Merge(nullptr);
    OKA_MergeLayer(2, 9);
    OKA_MergeLayer(9, 2);
    OKA_MergeLayer(-1, 400);
    EXPECT_EQ(at(2, 0, 0), (Px{65280, 0, 0, 65535}));
}

TEST_F(Compositor, LayersOfOtherSizesMergeTheirOverlap) {
    ASSERT_EQ(OKA_CreateLayer(2, 5, 4), 1);
    OKA_SetLayerOptions(2, 1, 0, 100, "Normal");
    make(3, "Normal", 100, 0);
    ASSERT_EQ(OKA_CreateLayer(4, 2, 2), 1);  // a small mask layer above layer 2
    OKA_SetLayerOptions(4, 1, 0, 100, "Layer Mask");
    fill(2, {65280, 0, 0, 65535});
    fill(4, {0, 0, 0, 65535});  // black: hides where it exists
    OKA_MergeLayer(2, 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool red = x < 5 && y < 4 && !(x < 2 && y < 2);
            ASSERT_EQ(at(3, x, y), red ? (Px{65280, 0, 0, 65535}) : (Px{0, 0, 0, 0})) << x << "," << y;
        }
    // Merging the big layer into the small one stays inside the small one.
    fill(3, {0, 65280, 0, 65535});
    OKA_SetLayerOptions(4, 0, 0, 100, "Normal");
    OKA_MergeLayer(3, 2);
    EXPECT_EQ(at(2, 4, 3), (Px{0, 65280, 0, 65535}));
}

TEST_F(Compositor, CompositeClipsAnyArguments) {
    make(2, "Normal");
    make(3, "Normal");
    fill(2, {65280, 0, 0, 65535});
    oka::CompositeArgs a;
    a.src = oka::view_of(L(2));
    a.dst = oka::view_of(L(3));
    a.mode = 0;
    const int32_t cases[][6] = {
        // src_x, src_y, width, height, dst_x, dst_y
        {-5, -5, 8, 8, 2, 2},  {10, 8, 50, 50, 0, 0}, {0, 0, kW, kH, 12, 9}, {INT32_MAX, 0, INT32_MAX, 5, 0, 0},
        {0, 0, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, {3, 3, 2, 2, -2, -2},
    };
    for (const auto& c : cases) {
        fill(3, {0, 0, 0, 0});
        a.src_x = c[0], a.src_y = c[1], a.width = c[2], a.height = c[3], a.dst_x = c[4], a.dst_y = c[5];
        oka::composite(a);
        // Exactly the destination pixels whose source lies in both planes change.
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int64_t i = int64_t{x} - c[4], j = int64_t{y} - c[5];
                const int64_t sx = c[0] + i, sy = c[1] + j;
                const bool hit = i >= 0 && j >= 0 && i < c[2] && j < c[3] && sx >= 0 && sy >= 0 && sx < kW && sy < kH;
                ASSERT_EQ(at(3, x, y)[0], hit ? 65280 : 0) << x << "," << y;
            }
    }
    a.src.data = nullptr;
    oka::composite(a);  // absent source: nothing
}

// A plane merged into itself at an offset reads pixels that the same call
// has already written; the result is that of merging pixel after pixel,
// rows top to bottom.
TEST_F(Compositor, OverlappingSelfMergeRunsInOrder) {
    std::mt19937 rng(21);
    make(2, "Normal");
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            put(2, x, y, {uint16_t(rng()), uint16_t(rng()), uint16_t(rng()), uint16_t(20000 + rng() % 40000)});
    std::vector<std::array<int32_t, 4>> want(size_t(kW * kH));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Px p = at(2, x, y);
            want[size_t(y * kW + x)] = {p[0], p[1], p[2], p[3]};
        }
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x + 1 < kW; ++x) {
            const auto s = want[size_t(y * kW + x)];
            auto& d = want[size_t(y * kW + x + 1)];
            OKA_MergePixel(&d[0], &d[1], &d[2], &d[3], s[0], s[1], s[2], s[3], 0, 255, 0);
        }
    oka::CompositeArgs a;
    a.src = a.dst = oka::view_of(L(2));
    a.width = kW - 1;
    a.height = kH;
    a.dst_x = 1;
    oka::composite(a);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const auto& w = want[size_t(y * kW + x)];
            ASSERT_EQ(at(2, x, y), (Px{uint16_t(w[0]), uint16_t(w[1]), uint16_t(w[2]), uint16_t(w[3])})) << x << "," << y;
        }
}

TEST_F(Compositor, RGBA32PictureMergesWidened) {
    make(2, "Alpha Normal");
    std::mt19937 rng(9);
    randomise(2, rng);
    std::vector<uint8_t> pic(size_t(kW * kH * 4));
    for (auto& v : pic) v = uint8_t(rng());
    for (int mode : {0, 13, 32, 44, 60}) {
        std::vector<Px> before;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) before.push_back(at(2, x, y));
        OKA_MergeRGBA32Layer(pic.data(), 2, mode, 200);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint8_t* p = &pic[size_t((y * kW + x) * 4)];
                const int64_t src[4] = {p[0] << 8, p[1] << 8, p[2] << 8, p[3] << 8};
                const Px d = before[size_t(y * kW + x)];
                const int64_t dst[4] = {d[0], d[1], d[2], d[3]};
                // Same alpha only when the mode is the layer's own alpha mode.
                const mref::Outcome o = mref::composite(dst, src, nullptr, 255, mode, 200, mode == 32, 65535);
                ASSERT_TRUE(matches(o, d, at(2, x, y))) << "mode " << mode << " at " << x << "," << y;
            }
    }
    OKA_MergeRGBA32Layer(nullptr, 2, 0, 255);
    OKA_MergeRGBA32Layer(pic.data(), 77, 0, 255);
}

TEST_F(Compositor, RGBA32PictureWithoutMemoryMergesNothing) {
    OKA_CreateImage(nullptr, 400, 400, 4, 0);
    ASSERT_EQ(OKA_CreateLayer(2, 400, 400), 1);
    std::vector<uint8_t> pic(size_t(400 * 400 * 4), 255);
    // Room for less than the 1.2 MB temporary plane.
    oka::set_memory_limit_bytes(oka::memory_in_use() + (1u << 20));
    OKA_SetLastError("");
    OKA_MergeRGBA32Layer(pic.data(), 2, 0, 255);
    oka::set_memory_limit_bytes(0);
    EXPECT_EQ(at(2, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_STREQ(OKA_GetLastError(), "");
    OKA_MergeRGBA32Layer(pic.data(), 2, 0, 255);
    EXPECT_EQ(at(2, 0, 0), (Px{65280, 65280, 65280, 65280}));
}

TEST_F(Compositor, ResultsDoNotDependOnTheThreadCount) {
    OKA_CreateImage(nullptr, 300, 280, 4, 0);
    std::mt19937 rng(77);
    const char* modes[] = {"Normal", "Overlay", "Layer Mask", "HSL Color", "Alpha Smooth"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(OKA_CreateLayer(2 + i, 300, 280), 1);
        OKA_SetLayerOptions(2 + i, 1, 0, 70 + i * 5, modes[i]);
        randomise(2 + i, rng);
    }
    std::vector<uint16_t> out[2];
    for (int k = 0; k < 2; ++k) {
        omp_set_num_threads(k + 1);
        out[k].assign(size_t(300 * 280 * 4), 0);
        OKA_Merge(out[k].data());
    }
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(out[0], out[1]);
}

}  // namespace
