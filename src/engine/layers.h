// The layer table: creation, options, selection, swapping, and the texture
// plane derived from a "Texturize3" layer.
#pragma once

#include <cstdint>

namespace oka {

int32_t create_layer(int32_t index, int32_t width, int32_t height);
void delete_layer(int32_t index) noexcept;
void set_layer(int32_t index);
void set_layer_options(int32_t index, uint8_t visible, uint8_t alpha_locked, int32_t opacity_percent,
                       const char* mode_name);
int32_t layer_count() noexcept;
void swap_layers(int32_t a, int32_t b) noexcept;
int32_t create_texture(int32_t index);
void delete_texture() noexcept;

// Highest index 1..271 whose pixels exist, 1 when there is none.
int32_t compute_top_index() noexcept;
// Index of the mask layer (mode 51) directly above a, or 0 (see layers.cpp).
int32_t mask_layer_above(int32_t a) noexcept;
// Texture value of an RGBA64 pixel: floor((R + G + B) / 768) clamped to 4..250.
uint8_t texture_value(uint16_t r, uint16_t g, uint16_t b) noexcept;

}  // namespace oka
