// Blend buffers: the smudge colour memory, up to 20 N x N RGBA64 squares
// that travel with a stroke. Every operation works on the n x n square at
// the top-left of the selected buffer (n the brush size, at most N); cell
// (i, j) stands for canvas pixel (x - n/2 + j, y - n/2 + i).
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace oka::brush {

// Recreate count buffers (clamped to 0..20) and select buffer 0. When count
// equals the current count only buffer 0 is selected.
void set_blend_buffer_count(int32_t count);
// Select index clamped to 0..count-1; nothing when there are no buffers.
void select_blend_buffer(int32_t index) noexcept;

// Mix settings chosen with OKA_SetMixMode (the type itself lives in the
// tool state). value v, its inverse 256 - v, trunc(10 (v - 127) / 127) and
// the posterize shift trunc(16 (v - 127) / 127).
struct MixSettings {
    uint32_t value = 0;
    uint32_t inverse = 256;
    int32_t tenths = 0;
    int32_t posterize_shift = 0;
};
MixSettings& mix_settings() noexcept;
// Store the type and value; returns the posterize shift.
int32_t set_mix_mode(uint32_t type, uint32_t value) noexcept;

// A canvas-geometry RGBA64 source the copy and mix operations read.
struct SourcePlane {
    const uint16_t* data = nullptr;
    int32_t width = 0, height = 0, stride = 0;  // stride in 16-bit units
};
SourcePlane host_plane(const void* plane) noexcept;  // canvas geometry
SourcePlane layer_plane(const Layer* layer) noexcept;
SourcePlane history_plane() noexcept;

// Pick-up: copy the canvas under a dab into the buffer, weight c toward the
// brush colour (0 = canvas, 256 = brush).
void copy_blend_buffer(int32_t x, int32_t y, const SourcePlane& src, int32_t weight, uint32_t flag) noexcept;
void copy_blend_buffer_mask(int32_t x, int32_t y, int32_t weight) noexcept;
// Mix the canvas under a dab into the buffer with strength s (0..256) under
// the current mix type.
void mix_blend_buffer(int32_t x, int32_t y, const SourcePlane& src, int32_t strength) noexcept;
void colour_blend_buffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept;
void clear_blend_buffer() noexcept;
void fill_blend_buffer(int32_t c, int32_t d) noexcept;
void filter_blend_buffer(int32_t kind, int32_t percent) noexcept;

}  // namespace oka::brush
