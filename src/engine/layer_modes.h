// The one table of layer modes: numbers 0..30 are merge modes, 32..53 alpha
// modes. Name lookup, the compositor's dispatch, the renderer and the script
// constants all come from this table.
#pragma once

#include <cstdint>
#include <span>

namespace oka {

enum LayerMode : int32_t {
    kModeNormal = 0,
    kModeTexturize3 = 29,
    kModeSilhouette = 30,
    kModeLastMerge = 30,
    kModeAlphaNormal = 32,
    kModeLayerMask = 51,
    kModeLastAlpha = 53,
};

struct LayerModeEntry {
    int32_t number;
    const char* name;      // the exact, case-sensitive name the host passes
    const char* constant;  // script constant name, or nullptr for alpha modes
};

std::span<const LayerModeEntry> layer_mode_table();

// Exact, case-sensitive lookup; unknown names and null give 0 ("Normal").
int32_t layer_mode_from_name(const char* name) noexcept;
// Name of a mode number, or nullptr for 31 and numbers outside the table.
const char* layer_mode_name(int32_t mode) noexcept;

}  // namespace oka
