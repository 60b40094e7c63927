// The layer table: creation, options and the mode table, selection,
// swapping, the mask-layer query and the texture plane.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "engine/layers.h"
#include "okacore.h"

namespace {

using oka::engine;

class Layers : public ::testing::Test {
protected:
    void SetUp() override { OKA_CreateImage(nullptr, 8, 6, 4, 0); }
    void TearDown() override { OKA_DeleteImage(); }
    static const oka::Layer& L(int i) { return engine().layers[size_t(i)]; }
};

TEST_F(Layers, CreateFillsBackgroundWhiteOthersClear) {
    ASSERT_EQ(OKA_CreateLayer(1, 8, 6), 1);
    ASSERT_EQ(OKA_CreateLayer(5, 8, 6), 1);
    for (size_t i = 0; i < 8 * 6 * 4; ++i) {
        ASSERT_EQ(L(1).pixels[i], 65535);
        ASSERT_EQ(L(5).pixels[i], 0);
    }
    EXPECT_EQ(L(5).stride, 32);
}

TEST_F(Layers, CreateReusesSameSizeAndReallocatesOtherSize) {
    ASSERT_EQ(OKA_CreateLayer(5, 8, 6), 1);
    OKA_SetLayer(5);
    OKA_Clear(1, 2, 3, 4);
    const uint16_t* before = L(5).pixels.data();
    ASSERT_EQ(OKA_CreateLayer(5, 8, 6), 1);
    EXPECT_EQ(L(5).pixels.data(), before);
    EXPECT_EQ(L(5).pixels[0], 0) << "recreating clears";
    ASSERT_EQ(OKA_CreateLayer(5, 3, 2), 1);
    EXPECT_EQ(L(5).pixels.size(), size_t(3 * 2 * 4));
    EXPECT_EQ(L(5).width, 3);
}

TEST_F(Layers, CreateRejectsBadIndicesAndKeepsOptions) {
    EXPECT_EQ(OKA_CreateLayer(272, 8, 6), 0);
    EXPECT_EQ(OKA_CreateLayer(-1, 8, 6), 0);
    EXPECT_EQ(OKA_GetLayerCount(), 0);
    OKA_SetLayerOptions(4, 1, 0, 100, "Overlay");
    ASSERT_EQ(OKA_CreateLayer(4, 8, 6), 1);
    EXPECT_EQ(L(4).mode, 11);
    EXPECT_EQ(L(4).visible, 1);
}

TEST_F(Layers, CreateFailsCleanlyOnAbsurdSizes) {
    EXPECT_EQ(OKA_CreateLayer(3, -4, 6), 1) << "negative edges make an empty plane";
    EXPECT_EQ(L(3).width, 0);
    OKA_SetMemoryLimitMB(64);
    EXPECT_EQ(OKA_CreateLayer(3, 100000, 100000), 0);
    EXPECT_FALSE(L(3).present());
    EXPECT_EQ(L(3).width, 100000) << "the new size stays stored";
    OKA_SetMemoryLimitMB(0);
}

TEST_F(Layers, CountIncludesTraceAndBackground) {
    OKA_CreateLayer(0, 8, 6);
    OKA_CreateLayer(1, 8, 6);
    OKA_CreateLayer(2, 8, 6);
    EXPECT_EQ(OKA_GetLayerCount(), 3);
    OKA_DeleteLayer(2);
    OKA_DeleteLayer(300);
    OKA_DeleteLayer(-3);
    EXPECT_EQ(OKA_GetLayerCount(), 2);
}

struct OptionCase {
    int32_t percent;
    const char* name;
    uint16_t opacity;
    int32_t mode;
};

TEST_F(Layers, OptionsConvertOpacityAndLookUpModes) {
    const std::string fifty(50, 'N');
    const OptionCase cases[] = {
        {100, "Multiply", 256, 1},    {33, "multiply", 84, 0},      {0, "Silhoulette", 0, 30},
        {50, "Alpha Normal", 128, 32}, {100, "Layer Mask", 256, 51}, {100, "Luminance Alpha Invert", 256, 53},
        {100, fifty.c_str(), 256, 0}, {100, nullptr, 256, 0},       {150, "Normal", 256, 0},
        {-20, "Normal", 0, 0},
    };
    for (const auto& c : cases) {
        OKA_SetLayerOptions(7, 1, 1, c.percent, c.name);
        EXPECT_EQ(L(7).opacity, c.opacity) << c.percent;
        EXPECT_EQ(L(7).mode, c.mode) << (c.name ? c.name : "(null)");
        EXPECT_EQ(L(7).strength, 255);
        EXPECT_EQ(L(7).alpha_locked, 1);
    }
    OKA_SetLayerOptions(7, 1, 0, 100, fifty.c_str());
    EXPECT_STREQ(L(7).mode_name, "");
    OKA_SetLayerOptions(7, 1, 0, 100, "Hard Light");
    EXPECT_STREQ(L(7).mode_name, "Hard Light");
    OKA_SetLayerOptions(272, 1, 0, 100, "Screen");  // ignored, no crash
    OKA_SetLayerOptions(-1, 1, 0, 100, "Screen");
}

TEST(LayerModeTable, EveryNameRoundTrips) {
    int count = 0;
    for (const auto& m : oka::layer_mode_table()) {
        EXPECT_EQ(oka::layer_mode_from_name(m.name), m.number);
        EXPECT_STREQ(oka::layer_mode_name(m.number), m.name);
        EXPECT_EQ(m.constant != nullptr, m.number <= 30);
        ++count;
    }
    EXPECT_EQ(count, 53);
    EXPECT_EQ(oka::layer_mode_name(31), nullptr);
    EXPECT_EQ(oka::layer_mode_name(54), nullptr);
}

TEST_F(Layers, TopIndexFollowsOptions) {
    OKA_CreateLayer(9, 8, 6);
    OKA_SetLayerOptions(9, 1, 0, 100, "Normal");
    EXPECT_EQ(engine().top_index, 9);
    OKA_DeleteLayer(9);
    OKA_SetLayerOptions(2, 1, 0, 100, "Normal");
    EXPECT_EQ(engine().top_index, 1);
}

TEST_F(Layers, SetLayerIgnoresAbsentLayers) {
    OKA_CreateLayer(2, 8, 6);
    OKA_SetLayer(2);
    OKA_SetLayer(3);
    OKA_SetLayer(-1);
    OKA_SetLayer(100000);
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(engine().current, &engine().layers[2]);
}

TEST_F(Layers, SwapExchangesRecordsCurrentKeepsPosition) {
    OKA_CreateLayer(2, 8, 6);
    OKA_CreateLayer(3, 4, 2);
    OKA_SetLayerOptions(3, 1, 1, 50, "Screen");
    OKA_SetLayer(2);
    OKA_SwapLayers(2, 3);
    EXPECT_EQ(L(2).width, 4);
    EXPECT_EQ(L(2).mode, 2);
    EXPECT_EQ(L(2).opacity, 128);
    EXPECT_EQ(L(3).width, 8);
    EXPECT_EQ(engine().current, &engine().layers[2]);
    OKA_SwapLayers(2, 400);
    OKA_SwapLayers(-2, 3);
    EXPECT_EQ(L(2).width, 4);
}

TEST_F(Layers, MaskLayerAboveExaminesOnlyTheFirstVisible) {
    for (int i = 2; i <= 4; ++i) OKA_CreateLayer(i, 8, 6);
    OKA_SetLayerOptions(2, 1, 0, 100, "Normal");
    OKA_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    OKA_SetLayerOptions(4, 1, 0, 100, "Layer Mask");
    EXPECT_EQ(oka::mask_layer_above(2), 3);
    OKA_SetLayerOptions(3, 0, 0, 100, "Layer Mask");
    EXPECT_EQ(oka::mask_layer_above(2), 4);
    OKA_SetLayerOptions(3, 1, 0, 100, "Normal");
    EXPECT_EQ(oka::mask_layer_above(2), 0);
    EXPECT_EQ(oka::mask_layer_above(4), 0);
    EXPECT_EQ(oka::mask_layer_above(-50), 0);
    EXPECT_EQ(oka::mask_layer_above(1000), 0);
}

TEST_F(Layers, TextureValuesFromGreyLevels) {
    struct Row {
        uint8_t v;
        uint8_t texture;
    };
    // floor(3 * v * 256 / 768) = v, clamped to 4..250.
    const Row rows[] = {{255, 250}, {0, 4}, {128, 128}, {3, 4}, {4, 4}, {250, 250}, {251, 250}};
    OKA_CreateLayer(2, 8, 6);
    OKA_CreateLayer(3, 8, 6);
    OKA_SetLayer(2);
    for (const auto& r : rows) {
        engine().current = &engine().layers[3];
        OKA_Clear(r.v, r.v, r.v, 0);
        OKA_SetLayer(2);
        ASSERT_EQ(OKA_CreateTexture(3), 1);
        for (size_t i = 0; i < 48; ++i) ASSERT_EQ(engine().texture[i], r.texture) << int(r.v);
    }
    EXPECT_EQ(oka::texture_value(32768, 32768, 32768), 128);
    EXPECT_EQ(OKA_CreateTexture(9), 0) << "absent layer";
    OKA_CreateLayer(9, 3, 3);
    EXPECT_EQ(OKA_CreateTexture(9), 0) << "not canvas-sized";
    OKA_DeleteTexture();
    EXPECT_FALSE(engine().texture);
}

TEST_F(Layers, TextureFollowsTheTexturizeLayer) {
    OKA_CreateLayer(2, 8, 6);
    OKA_CreateLayer(3, 8, 6);
    OKA_SetLayer(2);
    OKA_SetLayerOptions(3, 1, 0, 100, "Texturize3");
    EXPECT_TRUE(engine().texture) << "visible, not current texture layer builds the plane";
    OKA_SetLayer(3);
    EXPECT_FALSE(engine().texture) << "editing the texture layer releases it";
    OKA_SetLayer(2);
    EXPECT_TRUE(engine().texture) << "leaving it rebuilds it";
    OKA_SetLayerOptions(3, 0, 0, 100, "Normal");
    EXPECT_FALSE(engine().texture);
}

}  // namespace
