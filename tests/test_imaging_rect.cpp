// Clipped rectangle copies between planes and blocks, checked against a
// pixel-by-pixel reference that tests every coordinate on its own.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "imaging/rect_copy.h"

namespace {

using oka::imaging::copy_rect;
using oka::imaging::get_block;
using oka::imaging::plane_view;
using oka::imaging::put_block;
using oka::imaging::Rect;

constexpr uint16_t kSentinel = 0xDEAD;

struct Plane {
    int32_t w, h, channels, pad;  // pad: extra elements at the end of each row
    std::vector<uint16_t> px;
    Plane(int32_t w_, int32_t h_, int32_t c, int32_t pad_ = 0) : w(w_), h(h_), channels(c), pad(pad_) {
        px.assign(size_t(stride()) * h, kSentinel);
    }
    int32_t stride() const { return w * channels + pad; }
    uint16_t& at(int32_t x, int32_t y, int32_t c) { return px[size_t(y) * stride() + size_t(x) * channels + c]; }
    oka::imaging::ImageView view() { return plane_view(px.data(), w, h, stride(), channels); }
};

// Source pixels carry their own coordinates so a misplaced copy shows.
Plane numbered(int32_t w, int32_t h, int32_t channels, int32_t pad) {
    Plane p(w, h, channels, pad);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < channels; ++c) p.at(x, y, c) = uint16_t(y * 1000 + x * 10 + c);
    return p;
}

struct CopyCase {
    const char* name;
    int32_t dst_x, dst_y;
    Rect from;
};

TEST(ImagingRect, CopyMatchesPerPixelReference) {
    const CopyCase cases[] = {
        {"inside", 2, 1, {1, 2, 3, 2}},
        {"source corner left/above", 1, 1, {-2, -1, 4, 3}},
        {"target left/above", -2, -3, {0, 0, 5, 5}},
        {"past right/bottom of both", 5, 4, {4, 3, 10, 10}},
        {"entirely outside source", 0, 0, {7, 0, 3, 3}},
        {"entirely outside target", 6, 0, {0, 0, 2, 2}},
        {"empty rectangle", 0, 0, {1, 1, 0, 4}},
        {"whole", 0, 0, {0, 0, 7, 5}},
        {"far coordinates", INT32_MAX - 2, INT32_MIN + 1, {INT32_MIN, INT32_MAX - 1, 5, 5}},
    };
    for (const CopyCase& k : cases) {
        SCOPED_TRACE(k.name);
        Plane src = numbered(7, 5, 4, 3);
        Plane dst(6, 5, 4, 2);
        const Rect r = copy_rect(dst.view(), k.dst_x, k.dst_y, src.view(), k.from);
        int64_t written = 0;
        for (int32_t y = 0; y < dst.h; ++y)
            for (int32_t x = 0; x < dst.w; ++x) {
                const int64_t sx = int64_t{x} - k.dst_x + k.from.x, sy = int64_t{y} - k.dst_y + k.from.y;
                const bool in_rect = sx >= k.from.x && sx < int64_t{k.from.x} + k.from.width && sy >= k.from.y &&
                                     sy < int64_t{k.from.y} + k.from.height;
                const bool in_src = sx >= 0 && sx < src.w && sy >= 0 && sy < src.h;
                const bool copied = in_rect && in_src;
                written += copied;
                for (int32_t c = 0; c < 4; ++c) {
                    const uint16_t want = copied ? src.at(int32_t(sx), int32_t(sy), c) : kSentinel;
                    ASSERT_EQ(dst.at(x, y, c), want) << x << "," << y;
                }
            }
        EXPECT_EQ(int64_t{r.width} * r.height, written);
        // Row padding of the target is never written.
        for (int32_t y = 0; y < dst.h; ++y)
            for (int32_t i = dst.w * 4; i < dst.stride(); ++i) ASSERT_EQ(dst.px[size_t(y) * dst.stride() + i], kSentinel);
    }
}

TEST(ImagingRect, BlockRoundTripThroughPlaneClips) {
    Plane plane = numbered(8, 6, 1, 0);
    Plane block(4, 3, 1);
    // Block hanging over the right edge: only its first 2 columns face the plane.
    const Rect got = get_block(block.view(), plane.view(), 6, 2);
    EXPECT_EQ(got, (Rect{6, 2, 2, 3}));
    for (int32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(block.at(0, y, 0), plane.at(6, y + 2, 0));
        EXPECT_EQ(block.at(1, y, 0), plane.at(7, y + 2, 0));
        EXPECT_EQ(block.at(2, y, 0), kSentinel);
    }
    for (auto& v : block.px) v = 7;
    const Rect put = put_block(plane.view(), -1, 4, block.view());
    EXPECT_EQ(put, (Rect{0, 4, 3, 2}));
    EXPECT_EQ(plane.at(0, 4, 0), 7);
    EXPECT_EQ(plane.at(2, 5, 0), 7);
    EXPECT_EQ(plane.at(3, 5, 0), uint16_t(5 * 1000 + 3 * 10));
    EXPECT_EQ(plane.at(0, 3, 0), uint16_t(3 * 1000));
}

TEST(ImagingRect, MismatchedOrEmptyViewsCopyNothing) {
    Plane rgba = numbered(4, 4, 4, 0);
    Plane grey(4, 4, 1);
    EXPECT_TRUE(copy_rect(grey.view(), 0, 0, rgba.view(), {0, 0, 4, 4}).empty());
    for (uint16_t v : grey.px) ASSERT_EQ(v, kSentinel);
    oka::imaging::ImageView none;
    EXPECT_TRUE(copy_rect(none, 0, 0, rgba.view(), {0, 0, 4, 4}).empty());
    EXPECT_TRUE(put_block(grey.view(), 0, 0, none).empty());
}

}  // namespace
