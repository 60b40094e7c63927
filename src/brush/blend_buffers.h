// Blend buffers: the smudge colour memory, up to 20 N x N RGBA64 squares.
#pragma once

#include <cstdint>

namespace oka::brush {

// Recreate count buffers (clamped to 0..20) and select buffer 0. When count
// equals the current count only buffer 0 is selected.
void set_blend_buffer_count(int32_t count);
// Select index clamped to 0..count-1; nothing when there are no buffers.
void select_blend_buffer(int32_t index) noexcept;

}  // namespace oka::brush
