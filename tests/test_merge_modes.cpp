// Merge modes: OKA_MergePixel against the worked examples of the rules, the
// alpha-mode preparations against their table, and every mode against the
// straightforward long-double transcription in merge_reference.h over many
// seeded random pixels.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include "brush/merge_modes.h"
#include "engine/layer_modes.h"
#include "merge_reference.h"
#include "okacore.h"

namespace {

using Px = std::array<int32_t, 4>;

Px merge(Px d, int32_t r, int32_t g, int32_t b, int32_t a, int32_t mode, int32_t strength = 255, bool keep = false) {
    OKA_MergePixel(&d[0], &d[1], &d[2], &d[3], r, g, b, a, mode, strength, keep ? 1 : 0);
    return d;
}

class MergeModes : public ::testing::Test {
protected:
    void SetUp() override { OKA_SetAlphaLayerOpacity(100); }
    void TearDown() override { OKA_SetAlphaLayerOpacity(100); }
};

struct Example {
    const char* what;
    Px dst;
    std::array<int32_t, 4> src;  // R, G, B, A
    int32_t mode, strength;
    bool keep;
    Px expected;
};

TEST_F(MergeModes, WorkedExamples) {
    const Example cases[] = {
        {"normal, opaque source copies", {1, 2, 3, 100}, {65280, 0, 0, 65535}, 0, 255, false, {65280, 0, 0, 65535}},
        {"normal, half red over blue", {0, 0, 65280, 65535}, {65280, 0, 0, 32768}, 0, 255, false, {32640, 0, 32639, 65535}},
        {"strength 127 halves the alpha", {0, 0, 0, 0}, {5, 6, 7, 65535}, 0, 127, false, {5, 6, 7, 32767}},
        {"multiply grey over white", {65280, 65280, 65280, 65535}, {32640, 32640, 32640, 65535}, 1, 255, false,
         {32640, 32640, 32640, 65535}},
        {"screen grey over grey", {32640, 32640, 32640, 65535}, {32640, 32640, 32640, 65535}, 2, 255, false,
         {48960, 48960, 48960, 65535}},
        {"difference", {65280, 0, 32640, 65535}, {65280, 65280, 0, 65535}, 5, 255, false, {0, 65280, 32640, 65535}},
        {"add clamps colour and alpha", {32640, 32640, 32640, 65535}, {32640, 32640, 32640, 65535}, 18, 255, false,
         {65280, 65280, 65280, 65535}},
        {"difference over transparent copies", {9, 9, 9, 0}, {100, 200, 300, 40000}, 5, 255, false,
         {100, 200, 300, 40000}},
        {"color over transparent clears", {9, 9, 9, 0}, {100, 200, 300, 40000}, 20, 255, false, {0, 0, 0, 0}},
        {"alpha 0 in a merge mode writes nothing", {9, 8, 7, 0}, {100, 200, 300, 0}, 5, 255, false, {9, 8, 7, 0}},
        {"alpha filter merges white even at alpha 0", {1000, 2000, 3000, 65535}, {1, 2, 3, 0}, 33, 255, false,
         {65535, 65535, 65535, 65535}},
        {"keep alpha", {0, 0, 65280, 32768}, {65280, 0, 0, 32768}, 0, 255, true, {43520, 0, 21759, 32768}},
        {"layer mask leaves an opaque pixel", {1, 2, 3, 65535}, {65535, 65535, 65535, 65535}, 51, 255, false,
         {1, 2, 3, 65535}},
        {"layer mask leaves a clear pixel", {0, 0, 0, 0}, {65535, 0, 0, 65535}, 51, 255, false, {0, 0, 0, 0}},
        {"burn: black over a full channel takes the else branch, over more than full the quotient is infinite",
         {65280, 65280, 65535, 65535}, {0, 0, 0, 65535}, 15, 255, false, {0, 0, 65280, 65535}},
        {"texturize2 over transparent clears", {5, 5, 5, 0}, {100, 200, 300, 40000}, 28, 255, false, {0, 0, 0, 0}},
        {"shader texture (40 merges as 28) over transparent clears", {5, 5, 5, 0}, {100, 200, 300, 40000}, 40, 255,
         false, {0, 0, 0, 0}},
    };
    for (const Example& e : cases) {
        const Px got = merge(e.dst, e.src[0], e.src[1], e.src[2], e.src[3], e.mode, e.strength, e.keep);
        EXPECT_EQ(got, e.expected) << e.what;
    }
}

TEST_F(MergeModes, BoundaryExamplesWithinOneUnit) {
    // Luminance alpha: one third of full white, exactly on a boundary.
    const Px lum = merge({0, 0, 0, 65535}, 65535, 0, 0, 65535, 52);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(lum[c] == 21844 || lum[c] == 21845) << lum[c];
    EXPECT_EQ(lum[3], 65535);
    // Texturize3 keeps the destination, whatever the source.
    const Px dst{12345, 54321, 65280, 40000};
    for (int32_t s : {0, 1, 32768, 65535}) {
        const Px got = merge(dst, s, 65535 - s, s / 2, 30000 + s / 3, 29);
        for (int c = 0; c < 4; ++c) EXPECT_LE(std::abs(got[c] - dst[c]), 1) << "channel " << c;
    }
}

TEST_F(MergeModes, UnknownNumbersMergeAsNormal) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> v(0, 65535);
    for (int i = 0; i < 2000; ++i) {
        const Px d{v(rng), v(rng), v(rng), i % 4 == 0 ? 0 : v(rng)};
        const int32_t r = v(rng), g = v(rng), b = v(rng), a = i % 5 == 0 ? 0 : v(rng);
        const Px normal = merge(d, r, g, b, a, 0);
        for (int32_t mode : {31, -1, 54, 1000, INT32_MIN, INT32_MAX}) ASSERT_EQ(merge(d, r, g, b, a, mode), normal);
    }
}

TEST_F(MergeModes, AlphaLayerOpacity) {
    struct {
        int32_t percent;
        int32_t omega;
    } const cases[] = {{100, 65535}, {50, 32767}, {0, 0}, {33, 21626}, {150, 65535}, {-5, 0}};
    for (const auto& c : cases) {
        OKA_SetAlphaLayerOpacity(c.percent);
        EXPECT_EQ(oka::alpha_layer_opacity(), c.omega) << c.percent;
        // "Alpha Black Outline" gives a partly transparent source black with alpha Omega.
        const Px got = merge({0, 0, 0, 0}, 100, 200, 300, 100, 34);
        if (c.omega == 0)
            EXPECT_EQ(got, (Px{0, 0, 0, 0}));
        else
            EXPECT_EQ(got, (Px{0, 0, 0, c.omega})) << c.percent;
    }
}

TEST_F(MergeModes, BadPointersAndRangesAreSafe) {
    int32_t r = 1, g = 2, b = 3, a = 4;
    OKA_MergePixel(nullptr, &g, &b, &a, 65280, 0, 0, 65535, 0, 255, 0);
    OKA_MergePixel(&r, &g, &b, nullptr, 65280, 0, 0, 65535, 0, 255, 0);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(a, 4);
    // Out-of-range channels are clamped to 16 bits, strength to 0..255.
    EXPECT_EQ(merge({0, 0, 0, 0}, 70000, -5, 65535, 99999, 0), (Px{65535, 0, 65535, 65535}));
    EXPECT_EQ(merge({0, 0, 0, 0}, 1, 2, 3, 65535, 0, 1000), (Px{1, 2, 3, 65535}));
    EXPECT_EQ(merge({0, 0, 0, 0}, 1, 2, 3, 65535, 0, -7), (Px{1, 2, 3, 255}));
}

// Every preparation, for every source alpha, seen through the compositor's
// kernel over a transparent destination: there the prepared colour and
// alpha are stored as they are (or (0, 0, 0, 0) when the alpha is 0).
TEST_F(MergeModes, AlphaPreparationsMatchTheirTable) {
    const uint16_t omega = 40000;
    const std::array<std::array<int64_t, 3>, 3> colours{{{0, 0, 0}, {65535, 65535, 65535}, {1000, 30000, 65280}}};
    for (int32_t mode = 32; mode <= 53; ++mode) {
        const oka::MergeModeInfo& info = oka::merge_mode_info(mode);
        for (const auto& col : colours) {
            for (int64_t sa = 0; sa <= 65535; ++sa) {
                const uint16_t src[4] = {uint16_t(col[0]), uint16_t(col[1]), uint16_t(col[2]), uint16_t(sa)};
                uint16_t dst[4] = {0, 0, 0, 0};
                oka::MergeRow row;
                row.src = src;
                row.dst = dst;
                row.n = 1;
                row.omega = omega;
                info.composite(row);
                const int64_t before[4] = {0, 0, 0, 0};
                const int64_t srcpx[4] = {col[0], col[1], col[2], sa};
                const mref::Outcome o = mref::composite(before, srcpx, nullptr, 255, mode, 256, false, omega);
                const int64_t after[4] = {dst[0], dst[1], dst[2], dst[3]};
                ASSERT_TRUE(mref::matches(o, before, after, false))
                    << oka::layer_mode_name(mode) << " sa=" << sa << " colour " << col[0] << "," << col[1] << ","
                    << col[2] << " -> " << dst[0] << "," << dst[1] << "," << dst[2] << "," << dst[3];
            }
        }
    }
}

// The differential test: every mode number, random pixels drawn half from
// the values where the rules change behaviour, against the reference.
int32_t draw(std::mt19937& rng) {
    static constexpr int32_t kSpecial[] = {0,     1,     255,   256,   8191,  9214,  9215,  32767,
                                           32768, 65279, 65280, 65535, 32640, 8160,  8190,  12287};
    std::uniform_int_distribution<int> pick(0, 2 * int(std::size(kSpecial)) - 1);
    const int k = pick(rng);
    if (k < int(std::size(kSpecial))) return kSpecial[k];
    return std::uniform_int_distribution<int32_t>(0, 65535)(rng);
}

TEST_F(MergeModes, EveryModeAgreesWithTheReference) {
    OKA_SetAlphaLayerOpacity(73);
    const int64_t omega = oka::alpha_layer_opacity();
    std::vector<int32_t> modes;
    for (const auto& m : oka::layer_mode_table()) modes.push_back(m.number);
    modes.push_back(31);
    modes.push_back(99);
    std::mt19937 rng(20240611);
    int boundary = 0, total = 0;
    for (int32_t mode : modes) {
        for (int i = 0; i < 6000; ++i) {
            const Px d{draw(rng), draw(rng), draw(rng), draw(rng)};
            const int32_t s[3] = {draw(rng), draw(rng), draw(rng)};
            const int32_t sa = draw(rng);
            const int32_t strength = i % 4 == 0 ? int32_t(rng() % 256) : 255;
            const bool keep = i % 7 == 0;
            const Px got = merge(d, s[0], s[1], s[2], sa, mode, strength, keep);
            const int64_t before[4] = {d[0], d[1], d[2], d[3]};
            const int64_t after[4] = {got[0], got[1], got[2], got[3]};
            const int64_t src[3] = {s[0], s[1], s[2]};
            const mref::Outcome o = mref::merge_pixel(before, src, sa, mode, strength, omega);
            ASSERT_TRUE(mref::matches(o, before, after, keep))
                << "mode " << mode << " dst " << d[0] << "," << d[1] << "," << d[2] << "," << d[3] << " src " << s[0]
                << "," << s[1] << "," << s[2] << "," << sa << " strength " << strength << " keep " << keep
                << " -> " << got[0] << "," << got[1] << "," << got[2] << "," << got[3] << " expected "
                << (o.colour[0].empty() ? -1.0L : o.colour[0][0]) << ","
                << (o.colour[1].empty() ? -1.0L : o.colour[1][0]) << ","
                << (o.colour[2].empty() ? -1.0L : o.colour[2][0]) << "," << o.alpha;
            if (o.written && !o.exact) {
                ++total;
                for (int c = 0; c < 3; ++c)
                    if (after[c] != int64_t(std::floor(o.colour[c][0]))) ++boundary;
            }
        }
    }
    // Boundary cases are the exception: a value computed in floating point
    // lands exactly on an integer only for special inputs.
    EXPECT_LT(boundary, total / 20) << boundary << " of " << total;
}

// The renderer's per-pixel entry points use the same preparations and rules.
TEST_F(MergeModes, RendererPreparationMatchesTheTable) {
    std::mt19937 rng(31);
    const uint32_t omega = 50000;
    for (const auto& m : oka::layer_mode_table()) {
        for (int i = 0; i < 3000; ++i) {
            const int64_t s[3] = {draw(rng), draw(rng), draw(rng)};
            const int64_t a = draw(rng);
            uint32_t px[4] = {uint32_t(s[0]), uint32_t(s[1]), uint32_t(s[2]), uint32_t(a)};
            const int32_t rule = oka::prepare_render_pixel(m.number, px, omega);
            const mref::Prepared p = mref::prepare(m.number, s, a, omega);
            ASSERT_EQ(rule, p.mode) << m.name;
            ASSERT_EQ(px[3], uint32_t(p.A)) << m.name << " sa " << a;
            for (int c = 0; c < 3; ++c) ASSERT_EQ(px[c], uint32_t(p.s[c])) << m.name << " sa " << a;
        }
    }
    uint32_t px[4] = {1, 2, 3, 4};
    EXPECT_EQ(oka::prepare_render_pixel(77, px, omega), 0);
    EXPECT_EQ(px[3], 4u);
}

TEST_F(MergeModes, RendererBlendFollowsTheRules) {
    // Normal, as the renderer states it: Ao = Af + a (1 - Af), colour
    // (c / 65280 a + Cf Af (1 - a)) / Ao.
    float acc[4] = {0.25f, 0.5f, 1.0f, 0.5f};
    const uint32_t px[4] = {65280, 32640, 0, 16384};
    oka::blend_render_float(0, px, acc);
    const double a = 16384 / 65535.0, ao = 0.5 + a * 0.5;
    const double want[3] = {(1.0 * a + 0.25 * 0.5 * (1 - a)) / ao, (0.5 * a + 0.5 * 0.5 * (1 - a)) / ao,
                            (0.0 + 1.0 * 0.5 * (1 - a)) / ao};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(acc[c], want[c], 1e-6);
    EXPECT_NEAR(acc[3], ao, 1e-6);

    // Every rule over an opaque accumulator whose colours are exact in
    // floats (multiples of 255): the reference's merge, within the one unit
    // the float storage can cost.
    std::mt19937 rng(32);
    for (int32_t rule = 0; rule <= 30; ++rule) {
        for (int i = 0; i < 2000; ++i) {
            const int64_t t[4] = {255 * int64_t(rng() % 257), 255 * int64_t(rng() % 257), 255 * int64_t(rng() % 257),
                                  65535};
            const int64_t s[3] = {draw(rng), draw(rng), draw(rng)};
            const int64_t sa = 1 + rng() % 65535;
            float f[4] = {float(t[0] / 65280.0), float(t[1] / 65280.0), float(t[2] / 65280.0), 1.0f};
            const uint32_t q[4] = {uint32_t(s[0]), uint32_t(s[1]), uint32_t(s[2]), uint32_t(sa)};
            oka::blend_render_float(rule, q, f);
            const mref::Prepared p{{s[0], s[1], s[2]}, sa, rule, false};
            const mref::Outcome o = mref::finish(p, t, false);
            if (o.exact) continue;  // the opaque Normal copy is not the renderer's business here
            for (int c = 0; c < 3; ++c) {
                const int64_t got = int64_t(double(f[c]) * 65280.0);
                ASSERT_TRUE(std::any_of(o.colour[c].begin(), o.colour[c].end(),
                                        [&](mref::LD v) { return std::llabs(got - int64_t(std::floor(v))) <= 1; }))
                    << "rule " << rule << " channel " << c << " got " << got << " want " << o.colour[c][0];
            }
        }
    }
}

// The renderer's block blend (one division per pixel where that provably
// gives the same float) against the single-pixel blend, bit for bit, for
// every rule, over opaque, partly transparent and nearly empty
// accumulators, on sub-ranges of the block; pixels outside the range are
// left alone.
TEST_F(MergeModes, RendererBlockBlendEqualsTheSinglePixelBlend) {
    std::mt19937 rng(33);
    static oka::RenderBlendChunk chunk;
    const float accAlpha[] = {1.0f, 0.5f, 1.0f / 65535.0f, 0.999f, 0.25f};
    for (int32_t rule = 0; rule <= 30; ++rule) {
        for (int round = 0; round < 12; ++round) {
            for (int32_t j = 0; j < oka::kRenderChunk; ++j) {
                for (int c = 0; c < 3; ++c) chunk.s[c][j] = int32_t(draw(rng));
                chunk.s[3][j] = int32_t(rng() % 65536);
                for (int c = 0; c < 3; ++c) chunk.acc[c][j] = float(rng() % 65281) / 65280.0f;
                chunk.acc[3][j] = round % 2 ? accAlpha[rng() % 5] : float(1 + rng() % 65535) / 65535.0f;
                for (int c = 0; c < 4; ++c) chunk.out[c][j] = -7.0f;
            }
            const int32_t begin = int32_t(rng() % 40), end = oka::kRenderChunk - int32_t(rng() % 40);
            oka::blend_render_chunk(rule, chunk, begin, end);
            for (int32_t j = 0; j < oka::kRenderChunk; ++j) {
                if (j < begin || j >= end) {
                    for (int c = 0; c < 4; ++c) ASSERT_EQ(chunk.out[c][j], -7.0f) << "rule " << rule << " pixel " << j;
                    continue;
                }
                const uint32_t px[4] = {uint32_t(chunk.s[0][j]), uint32_t(chunk.s[1][j]), uint32_t(chunk.s[2][j]),
                                        uint32_t(chunk.s[3][j])};
                float acc[4] = {chunk.acc[0][j], chunk.acc[1][j], chunk.acc[2][j], chunk.acc[3][j]};
                oka::blend_render_float(rule, px, acc);
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(std::bit_cast<uint32_t>(chunk.out[c][j]), std::bit_cast<uint32_t>(acc[c]))
                        << "rule " << rule << " pixel " << j << " channel " << c;
            }
        }
    }
}

}  // namespace
