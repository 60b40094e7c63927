// Document lifetime, the error text, the random arrays and the small
// memory exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_state.h"
#include "engine/lifecycle.h"
#include "engine/random.h"
#include "okacore.h"
#include "platform/display_events.h"

namespace {

using oka::engine;

class Document : public ::testing::Test {
protected:
    void TearDown() override { OKA_DeleteImage(); }
};

struct ClampCase {
    int32_t w, h, expect_w, expect_h;
};

TEST_F(Document, CreateClampsEdgesAsSpecified) {
    const ClampCase cases[] = {
        {-5, 20000, 100, 100}, {10000, 10, 10000, 10}, {10001, 0, 100, 0}, {0, 0, 0, 0}, {1, -1, 1, 100},
    };
    for (const auto& c : cases) {
        OKA_CreateImage(nullptr, c.w, c.h, 8, 0);
        EXPECT_EQ(engine().width, c.expect_w) << c.w;
        EXPECT_EQ(engine().height, c.expect_h) << c.h;
        EXPECT_EQ(engine().stride, c.expect_w * 4);
        EXPECT_EQ(engine().mask.size(), size_t(c.expect_w) * c.expect_h);
        OKA_DeleteImage();
    }
}

TEST_F(Document, CreateSetsViewMaskAndPlanes) {
    OKA_CreateImage(reinterpret_cast<void*>(0x1234), 40, 30, 16, 7);
    const auto& e = engine();
    EXPECT_EQ(e.zoom, 1);
    EXPECT_EQ(e.scale, 1.0f);
    EXPECT_EQ(e.offset_x, 0);
    EXPECT_EQ(e.offset_y, 0);
    EXPECT_EQ(e.reserved, 7);
    EXPECT_EQ(e.brush_stride, 64);
    EXPECT_EQ(e.mask_enabled, 1);
    EXPECT_EQ(e.mask_stride, 80);
    for (size_t i = 0; i < e.mask.size(); ++i) ASSERT_EQ(e.mask[i], 65535) << i;
    for (const auto& l : e.layers) EXPECT_FALSE(l.present());
    EXPECT_EQ(e.trace, &e.layers[0]);
    for (const auto& g : e.grit) EXPECT_EQ(g.size(), size_t(41 * 41));
    EXPECT_EQ(e.brush_shape.size(), size_t(16 * 16));
    EXPECT_EQ(e.blend_count, 1);
    EXPECT_EQ(e.blend_selected, &e.blend[0]);
    EXPECT_EQ(e.undo_back_layer.size(), size_t(40 * 30 * 4));
    EXPECT_EQ(e.undo_back_mask.size(), size_t(40 * 30));
    EXPECT_EQ(OKA_GetLayerCount(), 0);
}

TEST_F(Document, UndoMemoryCountsBothBackBuffers) {
    OKA_CreateImage(nullptr, 1000, 1000, 8, 0);
    EXPECT_EQ(engine().undo_memory_kb, 9765);
}

TEST_F(Document, RandomArraysFollowTheSeed) {
    OKA_SetRandomSeed(0);
    OKA_CreateImage(nullptr, 4, 4, 4, 0);
    const auto& e = engine();
    ASSERT_EQ(e.rand_a.length, 1000000u);
    // The generator's first output after seeding with 0 is 38.
    EXPECT_EQ(e.rand_a.data[0], 38);
    EXPECT_EQ(e.rand_b.data[0], 38);
    // Both arrays come from the same state, reduced by their own moduli.
    oka::Lcg g{0};
    for (size_t i = 0; i < 1000; ++i) {
        const int32_t v = g.next();
        ASSERT_EQ(e.rand_a.data[i], v % 255) << i;
        ASSERT_EQ(e.rand_b.data[i], v % 254) << i;
    }
    for (size_t i = 0; i < e.rand_a.length; ++i) {
        ASSERT_LT(e.rand_a.data[i], 255);
        ASSERT_LT(e.rand_b.data[i], 254);
    }
}

TEST_F(Document, RandomArraysRegenerateOnlyForANewSeed) {
    OKA_SetRandomSeed(5);
    OKA_CreateImage(nullptr, 4, 4, 4, 0);
    const uint8_t* a = engine().rand_a.data.data();
    std::vector<uint8_t> before(a, a + 64);
    OKA_NewSize(nullptr, 8, 8, 4, 0);
    EXPECT_EQ(engine().rand_a.data.data(), a) << "unchanged seed must keep the array";
    OKA_SetRandomSeed(6);
    OKA_NewSize(nullptr, 8, 8, 4, 0);
    EXPECT_EQ(engine().rand_a.seed, 6u);
    EXPECT_EQ(engine().rand_b.seed, 6u);
    EXPECT_NE(std::vector<uint8_t>(engine().rand_a.data.data(), engine().rand_a.data.data() + 64), before);
    // The arrays survive deletion.
    OKA_DeleteImage();
    EXPECT_TRUE(engine().rand_a.data);
}

TEST_F(Document, GeneratorStateIsPerThread) {
    oka::rng_seed(0);
    EXPECT_EQ(oka::rng_next(), 38);
    int32_t other = -1;
    std::thread t([&] { other = oka::rng_next(); });  // fresh thread starts at state 1
    t.join();
    oka::Lcg g{1};
    EXPECT_EQ(other, g.next());
}

TEST_F(Document, NewSizeRebuildsPlanesButKeepsLayers) {
    OKA_CreateImage(nullptr, 20, 10, 8, 0);
    ASSERT_EQ(OKA_CreateLayer(2, 20, 10), 1);
    OKA_SetLayer(2);
    OKA_Clear(10, 20, 30, 40);
    OKA_NewSize(nullptr, 50, 60, 12, 0);
    const auto& e = engine();
    EXPECT_EQ(e.width, 50);
    EXPECT_EQ(e.height, 60);
    EXPECT_EQ(e.mask.size(), size_t(3000));
    EXPECT_EQ(e.brush_shape.size(), size_t(144));
    const auto& l = e.layers[2];
    ASSERT_TRUE(l.present());
    EXPECT_EQ(l.width, 20);
    EXPECT_EQ(l.height, 10);
    EXPECT_EQ(l.pixels[0], 10 << 8);
    EXPECT_EQ(l.pixels[3], 40 << 8);
    EXPECT_EQ(OKA_GetLayerNum(), 2);
}

TEST_F(Document, DeleteReleasesEverythingButOptions) {
    OKA_CreateImage(nullptr, 20, 10, 8, 0);
    OKA_CreateLayer(3, 20, 10);
    OKA_SetLayerOptions(3, 1, 1, 50, "Screen");
    OKA_DeleteImage();
    const auto& e = engine();
    EXPECT_FALSE(e.mask);
    EXPECT_FALSE(e.undo_back_layer);
    EXPECT_FALSE(e.brush_shape);
    EXPECT_EQ(e.blend_count, 0);
    for (const auto& g : e.grit) EXPECT_FALSE(g);
    EXPECT_FALSE(e.layers[3].present());
    EXPECT_EQ(e.layers[3].mode, 2);
    EXPECT_EQ(e.layers[3].opacity, 128);
    // Operations on the empty engine do nothing and a new document works.
    OKA_SetLayer(3);
    OKA_Clear(1, 2, 3, 4);
    OKA_CreateImage(nullptr, 5, 5, 4, 0);
    EXPECT_EQ(OKA_CreateLayer(3, 5, 5), 1);
}

TEST_F(Document, HugeCanvasWorksOrFailsCleanly) {
    OKA_SetLastError("");
    OKA_SetMemoryLimitMB(256);
    OKA_CreateImage(nullptr, 10000, 10000, 64, 0);
    EXPECT_STREQ(OKA_GetLastError(), "CreateImage Excpt");
    OKA_SetMemoryLimitMB(0);
    // The engine stays usable after the failure.
    OKA_DeleteImage();
    OKA_CreateImage(nullptr, 10, 10, 4, 0);
    EXPECT_EQ(OKA_CreateLayer(2, 10, 10), 1);
}

TEST_F(Document, AbsurdBrushSizeFailsCleanly) {
    OKA_SetLastError("");
    OKA_SetMemoryLimitMB(64);
    OKA_CreateImage(nullptr, 10, 10, INT32_MAX, 0);
    OKA_SetMemoryLimitMB(0);
    EXPECT_EQ(engine().brush_max, 10000);
    EXPECT_STREQ(OKA_GetLastError(), "CreateImage Excpt");
    OKA_DeleteImage();
    OKA_CreateImage(nullptr, 10, 10, -7, 0);
    EXPECT_EQ(engine().brush_max, 0);
    EXPECT_EQ(engine().blend_count, 1);
}

TEST(LastError, TruncatesTo511AndIsTheEngineBuffer) {
    std::string long_text(600, 'x');
    long_text[510] = 'y';
    OKA_SetLastError(long_text.c_str());
    const char* p = OKA_GetLastError();
    EXPECT_EQ(std::strlen(p), 511u);
    EXPECT_EQ(p[510], 'y');
    OKA_SetLastError("abc");
    EXPECT_EQ(OKA_GetLastError(), p);
    EXPECT_STREQ(p, "abc");
    OKA_SetLastError(nullptr);
    EXPECT_STREQ(p, "abc");
}

TEST(StartDir, AcceptsUnder1024Characters) {
    OKA_SetStartDir("/first");
    EXPECT_STREQ(engine().start_dir, "/first");
    std::string p1024(1024, 'a'), p1023(1023, 'b');
    OKA_SetStartDir(p1024.c_str());
    EXPECT_STREQ(engine().start_dir, "/first");
    OKA_SetStartDir(p1023.c_str());
    EXPECT_EQ(std::string(engine().start_dir), p1023);
    OKA_SetStartDir(nullptr);
    EXPECT_EQ(std::string(engine().start_dir), p1023);
}

TEST(SmallMemoryExports, MemcpyFreeBankAdrs) {
    char src[8] = "abcdefg", dst[8] = {};
    OKA_Memcpy(dst, nullptr, 8);
    OKA_Memcpy(nullptr, src, 8);
    OKA_Memcpy(dst, src, -1);
    EXPECT_EQ(dst[0], 0);
    OKA_Memcpy(dst, src, 8);
    EXPECT_STREQ(dst, "abcdefg");
    OKA_Free(nullptr);
    int x = 0;
    EXPECT_EQ(BankAdrs(&x), &x);
    void* block = OKA_Alloc(100);
    ASSERT_NE(block, nullptr);
    OKA_Free(block);
    EXPECT_EQ(OKA_Alloc(-1), nullptr);
}

TEST(DisplayEvents, MessageTableSetsTheFlag) {
    using oka::platform::WindowMessage;
    using oka::platform::internal_window_message;
    struct Row {
        WindowMessage msg;
        uintptr_t wparam;
        int32_t sets;
    };
    const Row rows[] = {
        {WindowMessage::DisplayChange, 0, 1},  {WindowMessage::SettingChange, 0, 1},
        {WindowMessage::UserChanged, 0, 1},    {WindowMessage::ActivateApp, 0, 0},
        {WindowMessage::ActivateApp, 1, 1},    {WindowMessage::ActivateApp, 7, 1},
        {WindowMessage::PowerBroadcast, 1, 0}, {WindowMessage::PowerBroadcast, 7, 1},
        {WindowMessage::Destroy, 0, 0},        {WindowMessage::Close, 0, 0},
        {WindowMessage::Other, 7, 0},
    };
    OKA_IsDisplayChanged();
    for (const auto& r : rows) {
        EXPECT_EQ(internal_window_message(r.msg, r.wparam), 0);
        EXPECT_EQ(OKA_IsDisplayChanged(), r.sets) << int(r.msg) << " " << r.wparam;
        EXPECT_EQ(OKA_IsDisplayChanged(), 0);
    }
}

}  // namespace
