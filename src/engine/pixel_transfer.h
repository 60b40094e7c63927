// Moving pixels between host buffers and layers.
#pragma once

#include <cstdint>

namespace oka {

// Every pixel of the current layer becomes the widened colour (v << 8).
void clear_current(int32_t r, int32_t g, int32_t b, int32_t a) noexcept;
// Narrow a canvas-sized layer into an RGBA32 host buffer.
void get_rgba32_layer(uint8_t* dst, int32_t dst_stride, int32_t layer) noexcept;

}  // namespace oka
