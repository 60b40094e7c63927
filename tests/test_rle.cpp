// Run-length row codecs: record layout, run splitting, the cut-short last
// run, null and empty inputs, and round trips against the high-byte rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/rle_codec.h"
#include "okacore.h"

namespace {

namespace rle = oka::rle;

std::vector<uint16_t> rgba_row(size_t n, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    std::vector<uint16_t> v;
    for (size_t i = 0; i < n; ++i) v.insert(v.end(), {r, g, b, a});
    return v;
}

TEST(Rle, LongRunSplitsAt255) {
    const auto row = rgba_row(600, 0x1234, 0x5678, 0x9ABC, 0xFFFF);
    std::vector<uint8_t> out(5 * 600, 0xEE);
    ASSERT_EQ(OKA_RLECompressRGBA64ToRGBA32(row.data(), out.data(), 600), 15);
    const uint8_t want[15] = {255, 0x12, 0x56, 0x9A, 0xFF, 255, 0x12, 0x56, 0x9A, 0xFF, 90, 0x12, 0x56, 0x9A, 0xFF};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], want[i]) << i;
    EXPECT_EQ(out[15], 0xEE) << "nothing past the stream";

    const std::vector<uint16_t> mask(600, 0x80FF);
    std::vector<uint8_t> g(2 * 600);
    ASSERT_EQ(OKA_RLECompressG16ToG8(mask.data(), g.data(), 600), 6);
    const uint8_t gwant[6] = {255, 0x80, 255, 0x80, 90, 0x80};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(g[i], gwant[i]) << i;
}

TEST(Rle, AllDifferentCostsAFullRecordEach) {
    const size_t n = 300;  // keys 0..255 then again: every neighbour differs
    std::vector<uint16_t> row, mask;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t v = uint16_t((i % 256) << 8);
        row.insert(row.end(), {v, 0, 0, 0});
        mask.push_back(v);
    }
    std::vector<uint8_t> out(5 * n), g(2 * n);
    EXPECT_EQ(OKA_RLECompressRGBA64ToRGBA32(row.data(), out.data(), int32_t(n)), int32_t(5 * n));
    EXPECT_EQ(OKA_RLECompressG16ToG8(mask.data(), g.data(), int32_t(n)), int32_t(2 * n));
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(out[5 * i], 1);
        EXPECT_EQ(g[2 * i], 1);
        EXPECT_EQ(g[2 * i + 1], uint8_t(i % 256));
    }
}

TEST(Rle, LowBytesDoNotBreakARun) {
    std::vector<uint16_t> row, mask;
    for (uint16_t lo = 0; lo < 10; ++lo) {
        row.insert(row.end(), {uint16_t(0x4000 | lo), uint16_t(0x2000 | (lo * 25)), 0x10FF, uint16_t(0xFF00 | lo)});
        mask.push_back(uint16_t(0x7700 | (lo * 20)));
    }
    uint8_t out[50], g[20];
    ASSERT_EQ(OKA_RLECompressRGBA64ToRGBA32(row.data(), out, 10), 5);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 0x40);
    EXPECT_EQ(out[2], 0x20);
    EXPECT_EQ(out[3], 0x10);
    EXPECT_EQ(out[4], 0xFF);
    ASSERT_EQ(OKA_RLECompressG16ToG8(mask.data(), g, 10), 2);
    EXPECT_EQ(g[0], 10);
    EXPECT_EQ(g[1], 0x77);
}

TEST(Rle, SinglePixelAndEmptyCounts) {
    const uint16_t px[4] = {0xABCD, 0x0102, 0xFF00, 0x00FF};
    uint8_t out[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(OKA_RLECompressRGBA64ToRGBA32(px, out, 1), 5);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 0xAB);
    EXPECT_EQ(out[4], 0x00);
    EXPECT_EQ(OKA_RLECompressG16ToG8(px, out, 1), 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 0xAB);

    // A count of 0 or less describes no pixels: nothing is read or written.
    uint8_t untouched[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(OKA_RLECompressRGBA64ToRGBA32(px, untouched, 0), 0);
    EXPECT_EQ(OKA_RLECompressG16ToG8(px, untouched, -3), 0);
    EXPECT_EQ(untouched[0], 0xEE);

    const uint8_t stream[5] = {3, 1, 2, 3, 4};
    uint16_t dst[4] = {9, 9, 9, 9};
    EXPECT_EQ(OKA_RLEUncompressRGBA32ToRGBA64(stream, dst, 0), static_cast<void*>(dst));
    OKA_RLEUncompressG8ToG16(stream, dst, 0);
    for (uint16_t v : dst) EXPECT_EQ(v, 9);
}

TEST(Rle, NullBuffersTouchNothing) {
    uint16_t px[4] = {1, 2, 3, 4};
    uint8_t out[5] = {};
    EXPECT_EQ(OKA_RLECompressRGBA64ToRGBA32(nullptr, out, 1), 0);
    EXPECT_EQ(OKA_RLECompressRGBA64ToRGBA32(px, nullptr, 1), 0);
    EXPECT_EQ(OKA_RLECompressG16ToG8(nullptr, out, 1), 0);
    EXPECT_EQ(OKA_RLECompressG16ToG8(px, nullptr, 1), 0);
    EXPECT_EQ(OKA_RLEUncompressRGBA32ToRGBA64(nullptr, px, 1), static_cast<void*>(px));
    EXPECT_EQ(OKA_RLEUncompressRGBA32ToRGBA64(out, nullptr, 1), nullptr);
    OKA_RLEUncompressG8ToG16(nullptr, px, 1);
    OKA_RLEUncompressG8ToG16(out, nullptr, 1);
    EXPECT_EQ(px[0], 1);
}

TEST(Rle, DecodeStopsAtCountCuttingTheLastRun) {
    // Records: 3 x A, a zero-length record, 4 x B: 7 pixels in all.
    const uint8_t stream[15] = {3, 0x11, 0x22, 0x33, 0x44, 0, 0x99, 0x99, 0x99, 0x99, 4, 0x55, 0x66, 0x77, 0x88};
    std::vector<uint16_t> dst(4 * 8, 0xBEEF);
    void* end = OKA_RLEUncompressRGBA32ToRGBA64(stream, dst.data(), 5);
    EXPECT_EQ(end, static_cast<void*>(dst.data() + 20));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dst[4 * i + 0], 0x1100);
        EXPECT_EQ(dst[4 * i + 3], 0x4400);
    }
    for (int i = 3; i < 5; ++i) {
        EXPECT_EQ(dst[4 * i + 0], 0x5500);
        EXPECT_EQ(dst[4 * i + 3], 0x8800);
    }
    for (size_t i = 20; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0xBEEF) << i;

    const uint8_t g[6] = {2, 0x10, 0, 0xAA, 200, 0x20};
    std::vector<uint16_t> m(10, 0xBEEF);
    OKA_RLEUncompressG8ToG16(g, m.data(), 6);
    const uint16_t want[10] = {0x1000, 0x1000, 0x2000, 0x2000, 0x2000, 0x2000, 0xBEEF, 0xBEEF, 0xBEEF, 0xBEEF};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(m[i], want[i]) << i;
}

TEST(Rle, BoundedDecodeReadsOnlyWholeRecordsInside) {
    const uint8_t stream[7] = {2, 1, 2, 3, 4, 9, 0x50};  // one record and 2 stray bytes
    std::vector<uint16_t> dst(4 * 4, 7);
    const rle::DecodeResult r = rle::decode_rgba32(stream, sizeof stream, dst.data(), 4);
    EXPECT_EQ(r.pixels, 2u);
    EXPECT_EQ(r.bytes, 5u);
    EXPECT_EQ(dst[8], 7) << "the stream ran out before count";

    const uint8_t g[3] = {5, 0x30, 4};
    std::vector<uint16_t> m(8, 7);
    const rle::DecodeResult rg = rle::decode_g8(g, sizeof g, m.data(), 8);
    EXPECT_EQ(rg.pixels, 5u);
    EXPECT_EQ(rg.bytes, 2u);
    EXPECT_EQ(m[4], 0x3000);
    EXPECT_EQ(m[5], 7);
}

TEST(Rle, RoundTripKeepsHighBytes) {
    // A row mixing long runs, runs broken by low bytes only, and noise.
    std::vector<uint16_t> row;
    uint32_t state = 12345;
    for (size_t i = 0; i < 1000; ++i) {
        state = state * 1103515245u + 12345u;
        const uint16_t noise = uint16_t(state >> 8);
        const uint16_t v = i < 400 ? uint16_t(0xFF00 | (i & 0xFF)) : (i < 700 ? uint16_t(i / 50 << 8) : noise);
        row.insert(row.end(), {v, uint16_t(v ^ 0x0F0F), noise, 0xFFFF});
    }
    const size_t n = row.size() / 4;
    std::vector<uint8_t> s(rle::rgba_stream_capacity(n));
    const int32_t bytes = OKA_RLECompressRGBA64ToRGBA32(row.data(), s.data(), int32_t(n));
    ASSERT_GT(bytes, 0);
    ASSERT_EQ(bytes % 5, 0);
    size_t total = 0;
    for (int32_t i = 0; i < bytes; i += 5) total += s[size_t(i)];
    EXPECT_EQ(total, n) << "the runs add up to the row";
    std::vector<uint16_t> back(row.size(), 1);
    OKA_RLEUncompressRGBA32ToRGBA64(s.data(), back.data(), int32_t(n));
    for (size_t i = 0; i < row.size(); ++i) ASSERT_EQ(back[i], uint16_t(row[i] & 0xFF00)) << i;

    std::vector<uint16_t> mask(n);
    for (size_t i = 0; i < n; ++i) mask[i] = row[4 * i];
    std::vector<uint8_t> gs(rle::grey_stream_capacity(n));
    const int32_t gbytes = OKA_RLECompressG16ToG8(mask.data(), gs.data(), int32_t(n));
    std::vector<uint16_t> mback(n, 1);
    OKA_RLEUncompressG8ToG16(gs.data(), mback.data(), int32_t(n));
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(mback[i], uint16_t(mask[i] & 0xFF00)) << i;
    EXPECT_LT(gbytes, int32_t(2 * n));
}

}  // namespace
