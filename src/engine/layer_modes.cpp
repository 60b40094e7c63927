#include "engine/layer_modes.h"

#include <array>
#include <cstring>

namespace oka {
namespace {

// Note "Silhoulette": the stored spelling is what hosts and files pass.
constexpr std::array<LayerModeEntry, 53> kModes{{
    {0, "Normal", "MERGE_NORMAL"},
    {1, "Multiply", "MERGE_MULTIPLY"},
    {2, "Screen", "MERGE_SCREEN"},
    {3, "Darken", "MERGE_DARKEN"},
    {4, "Lighten", "MERGE_LIGHTEN"},
    {5, "Difference", "MERGE_DIFFERENCE"},
    {6, "Negation", "MERGE_NEGATION"},
    {7, "Exclusion", "MERGE_EXCLUSION"},
    {8, "AND", "MERGE_AND"},
    {9, "OR", "MERGE_OR"},
    {10, "XOR", "MERGE_XOR"},
    {11, "Overlay", "MERGE_OVERLAY"},
    {12, "Hard Light", "MERGE_HARD_LIGHT"},
    {13, "Soft Light", "MERGE_SOFT_LIGHT"},
    {14, "Dodge", "MERGE_DODGE"},
    {15, "Burn", "MERGE_BURN"},
    {16, "Reflect", "MERGE_REFLECT"},
    {17, "Glow", "MERGE_GLOW"},
    {18, "Add", "MERGE_ADD"},
    {19, "Subtract", "MERGE_SUBTRACT"},
    {20, "Color", "MERGE_COLOR"},
    {21, "Hard Color", "MERGE_HARD_COLOR"},
    {22, "Colorize", "MERGE_COLORIZE"},
    {23, "HSL Hue", "MERGE_HSL_HUE"},
    {24, "HSL Sat", "MERGE_HSL_SAT"},
    {25, "HSL Lum", "MERGE_HSL_LUM"},
    {26, "HSL Color", "MERGE_HSL_COLOR"},
    {27, "Texturize", "MERGE_TEXTURIZE"},
    {28, "Texturize2", "MERGE_TEXTURIZE2"},
    {29, "Texturize3", "MERGE_TEXTURIZE3"},
    {30, "Silhoulette", "MERGE_SILHOUETTE"},
    {32, "Alpha Normal", nullptr},
    {33, "Alpha Filter", nullptr},
    {34, "Alpha Black Outline", nullptr},
    {35, "Alpha Outline Tint 1", nullptr},
    {36, "Alpha Outline Tint 2", nullptr},
    {37, "Alpha Invert", nullptr},
    {38, "Alpha Shader", nullptr},
    {39, "Alpha Shader Color", nullptr},
    {40, "Alpha Shader Texture2", nullptr},
    {41, "Alpha Highlight Texture2", nullptr},
    {42, "Alpha Smooth", nullptr},
    {43, "Alpha Smooth2", nullptr},
    {44, "Alpha Smooth Lum", nullptr},
    {45, "Alpha Smooth Lum2", nullptr},
    {46, "Alpha Smooth Lum3", nullptr},
    {47, "Alpha Smooth Lum4", nullptr},
    {48, "Alpha Smooth Lum5", nullptr},
    {49, "Alpha Overlay Outline", nullptr},
    {50, "Alpha Highlight", nullptr},
    {51, "Layer Mask", nullptr},
    {52, "Luminance Alpha", nullptr},
    {53, "Luminance Alpha Invert", nullptr},
}};

}  // namespace

std::span<const LayerModeEntry> layer_mode_table() { return kModes; }

int32_t layer_mode_from_name(const char* name) noexcept {
    if (!name) return kModeNormal;
    for (const auto& m : kModes)
        if (std::strcmp(m.name, name) == 0) return m.number;
    return kModeNormal;
}

const char* layer_mode_name(int32_t mode) noexcept {
    for (const auto& m : kModes)
        if (m.number == mode) return m.name;
    return nullptr;
}

}  // namespace oka
