// The paint layer: the stroke accumulation plane. Dabs paint into it while
// it exists; the stroke is committed once, with the paint layer's mode,
// opacity and strength, by merging its touched rectangle into a layer.
#pragma once

#include <cstdint>

namespace oka::brush {

// Make the plane if needed, then set the stroke's options; returns the mode.
int32_t create_paint_layer(int32_t opacity_percent, int32_t strength_percent, const char* mode_name);
void clear_paint_layer() noexcept;
void clear_paint_layer_old() noexcept;
void merge_paint_layer(int32_t index) noexcept;
void set_paint_layer_extents(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept;
void swap_paint_layer(int32_t index) noexcept;
void delete_paint_layer() noexcept;
void blur_paint_layer_alpha();

}  // namespace oka::brush
