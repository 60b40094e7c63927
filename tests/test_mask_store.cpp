// The mask store: switches, overlay options, fill, invert, pictures in
// and out, and the three combine modes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine_state.h"
#include "mask/mask_store.h"
#include "okacore.h"

namespace {

using oka::engine;

constexpr int32_t kW = 5, kH = 3;

class MaskStore : public ::testing::Test {
protected:
    void SetUp() override { OKA_CreateImage(nullptr, kW, kH, 4, 0); }
    void TearDown() override { OKA_DeleteImage(); }
    static uint16_t& M(int32_t x, int32_t y) { return engine().mask[size_t(y) * kW + size_t(x)]; }
    static void set_all(uint16_t v) {
        for (size_t i = 0; i < size_t(kW * kH); ++i) engine().mask[i] = v;
    }
    // A canvas-sized RGB24 picture with padded rows, all one colour.
    struct Picture {
        int32_t stride = kW * 3 + 4;
        std::vector<uint8_t> px;
        Picture(uint8_t r, uint8_t g, uint8_t b) : px(size_t(stride) * kH, 0xEE) {
            for (int32_t y = 0; y < kH; ++y)
                for (int32_t x = 0; x < kW; ++x) set(x, y, r, g, b);
        }
        void set(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
            uint8_t* p = &px[size_t(y) * stride + size_t(x) * 3];
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
        const uint8_t* at(int32_t x, int32_t y) const { return &px[size_t(y) * stride + size_t(x) * 3]; }
    };
};

TEST_F(MaskStore, NewCanvasSavesAllBlack) {
    Picture pic(9, 9, 9);
    OKA_SaveMask(pic.px.data(), pic.stride);
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(pic.at(x, y)[c], 0);
        for (int32_t i = kW * 3; i < pic.stride; ++i) ASSERT_EQ(pic.px[size_t(y) * pic.stride + i], 0xEE);
    }
}

TEST_F(MaskStore, LoadAndSaveConvertGreys) {
    struct Row {
        uint8_t r, g, b;
        uint16_t value;
        uint8_t saved;
    };
    const Row rows[] = {
        {0, 0, 0, 65535, 0},      {1, 1, 1, 65024, 1},     {255, 255, 255, 0, 255},
        {3, 0, 0, 65024, 1},      {100, 50, 0, 52480, 50},  // grey (150) / 3 = 50
        {2, 0, 0, 65535, 0},  // grey 2 / 3 = 0: black
    };
    Picture pic(0, 0, 0);
    for (size_t i = 0; i < std::size(rows); ++i) pic.set(int32_t(i % kW), int32_t(i / kW), rows[i].r, rows[i].g, rows[i].b);
    set_all(1234);
    OKA_LoadMask(pic.px.data(), pic.stride, kW, kH);
    Picture out(9, 9, 9);
    OKA_SaveMask(out.px.data(), out.stride);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const int32_t x = int32_t(i % kW), y = int32_t(i / kW);
        EXPECT_EQ(M(x, y), rows[i].value) << i;
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out.at(x, y)[c], rows[i].saved) << i;
    }
}

TEST_F(MaskStore, LoadKeepsValuesOutsideItsRectangleAndStaysOnTheCanvas) {
    set_all(1000);
    Picture pic(255, 255, 255);
    OKA_LoadMask(pic.px.data(), pic.stride, 2, 1);
    EXPECT_EQ(M(0, 0), 0);
    EXPECT_EQ(M(1, 0), 0);
    EXPECT_EQ(M(2, 0), 1000);
    EXPECT_EQ(M(0, 1), 1000);
    // A size beyond the canvas is kept to it (the picture is canvas-sized).
    OKA_LoadMask(pic.px.data(), pic.stride, 1000, 1000);
    EXPECT_EQ(M(kW - 1, kH - 1), 0);
    OKA_LoadMask(nullptr, pic.stride, kW, kH);
    OKA_LoadMask(pic.px.data(), pic.stride, -1, kH);
}

TEST_F(MaskStore, ClearFillsFromBrushScaleColour) {
    struct Row {
        int32_t r, g, b;
        uint16_t value;
    };
    const Row rows[] = {
        {0, 0, 0, 65535},           {65280, 65280, 65280, 0}, {255, 255, 255, 65535},
        {256, 256, 256, 65024},     {32768, 0, 0, 54358},  // a = 10922: 65280 - 10922
        {-300, 0, 0, 65535},        {70000, 70000, 70000, uint16_t(65280 - 70000)},
    };
    for (const Row& k : rows) {
        OKA_ClearMask(k.r, k.g, k.b);
        for (size_t i = 0; i < size_t(kW * kH); ++i) ASSERT_EQ(engine().mask[i], k.value) << k.r;
    }
}

TEST_F(MaskStore, InvertTwiceRestores) {
    for (size_t i = 0; i < size_t(kW * kH); ++i) engine().mask[i] = uint16_t(i * 4000);
    OKA_InvertMask();
    for (size_t i = 0; i < size_t(kW * kH); ++i) ASSERT_EQ(engine().mask[i], uint16_t(65535 - i * 4000));
    OKA_InvertMask();
    for (size_t i = 0; i < size_t(kW * kH); ++i) ASSERT_EQ(engine().mask[i], uint16_t(i * 4000));
}

TEST_F(MaskStore, CombineModes) {
    struct Row {
        const char* mode;
        uint8_t grey;
        uint16_t before, after;
    };
    const Row rows[] = {
        {"Add", 0, 1000, 1000},        {"Subtract", 0, 1000, 1000},   {"Replace", 0, 1000, 1000},
        {"Add", 255, 65535, 255},      {"Add", 255, 0, 0},            {"Add", 10, 5000, 5000 - 2560},
        {"Subtract", 255, 0, 65280},   {"Subtract", 255, 65535, 65535}, {"Subtract", 10, 100, 2660},
        {"Replace", 255, 40000, 0},    {"Replace", 10, 7, 65280 - 2560},
        {"add", 255, 65535, 255},      {"Nonsense", 10, 5000, 2440},
    };
    for (const Row& k : rows) {
        SCOPED_TRACE(k.mode);
        set_all(k.before);
        Picture pic(k.grey, k.grey, k.grey);
        OKA_CombineMask(pic.px.data(), pic.stride, 0, 999, k.mode);
        for (size_t i = 0; i < size_t(kW * kH); ++i) ASSERT_EQ(engine().mask[i], k.after) << int(k.grey);
    }
}

TEST_F(MaskStore, CombineWithInvertActsOnlyOnBlack) {
    set_all(50000);
    Picture pic(200, 200, 200);
    pic.set(1, 1, 0, 0, 0);
    OKA_CombineMask(pic.px.data(), pic.stride, 1, 128, "Add");
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) EXPECT_EQ(M(x, y), (x == 1 && y == 1) ? 50000 - 32768 : 50000);
    // Only the low byte of the switch counts: 257 is 1, 2 is not.
    set_all(50000);
    OKA_CombineMask(pic.px.data(), pic.stride, 257, 128, "Subtract");
    EXPECT_EQ(M(1, 1), 65535);
    EXPECT_EQ(M(0, 0), 50000);
    set_all(50000);
    OKA_CombineMask(pic.px.data(), pic.stride, 2, 128, "Replace");
    EXPECT_EQ(M(0, 0), 65280 - 200 * 256);
    EXPECT_EQ(M(1, 1), 50000);
}

TEST_F(MaskStore, SwitchesAndOverlayOptions) {
    OKA_EnableMask(0);
    EXPECT_EQ(engine().mask_enabled, 0);
    OKA_EnableMask(0x101);
    EXPECT_EQ(engine().mask_enabled, 1);
    OKA_EnableMask(0x100);
    EXPECT_EQ(engine().mask_enabled, 0);
    OKA_DisplayMask(0x203);
    EXPECT_EQ(oka::mask::mask_displayed(), 3);
    OKA_SetMaskOptions(255, 1, 0, 10, 20, 30, 7);
    const auto& o = oka::mask::overlay_options();
    EXPECT_EQ(o.colour1[0], 65280);
    EXPECT_EQ(o.colour1[1], 256);
    EXPECT_EQ(o.colour2[2], 7680);
    EXPECT_EQ(o.full, 7);
    // A new canvas turns the mask back on and opens it.
    OKA_NewSize(nullptr, 4, 4, 4, 0);
    EXPECT_EQ(engine().mask_enabled, 1);
    EXPECT_EQ(engine().mask[15], 65535);
    EXPECT_EQ(oka::mask::mask_displayed(), 3) << "display options keep the host's setting";
}

TEST(MaskStoreValues, StrengthAndGreyConversions) {
    EXPECT_EQ(oka::mask::value_from_strength(0), 65280);
    EXPECT_EQ(oka::mask::value_from_strength(255), 0);
    EXPECT_EQ(oka::mask::value_from_strength(1), 65024);
    for (uint32_t g = 1; g < 256; ++g) EXPECT_EQ(oka::mask::grey_from_value(oka::mask::value_from_grey(g)), g);
}

TEST(MaskStoreNoDocument, OperationsDoNothing) {
    OKA_DeleteImage();
    uint8_t pic[3 * 16] = {};
    OKA_InvertMask();
    OKA_ClearMask(0, 0, 0);
    OKA_SaveMask(pic, 12);
    OKA_LoadMask(pic, 12, 4, 4);
    OKA_CombineMask(pic, 12, 0, 0, "Add");
    EXPECT_FALSE(engine().mask);
}

}  // namespace
