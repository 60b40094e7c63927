// The dab rasteriser: one stamp of the brush shape, centred on a canvas
// pixel, into the paint layer (or the current layer when there is none),
// or into the selection mask.
//
// Determinism: without per-pixel noise (pixel colour and luminance vary) a
// dab's pixels do not depend on the thread count. With noise, rows drawn by
// worker threads take their noise cursors from the workers' own generators;
// those restart whenever the host reseeds, so a dab sequence is repeatable
// for a given seed and thread count.
#pragma once

#include <cstdint>

namespace oka::brush {

// r, g, b are 16-bit channels; their low bytes are cleared.
void draw_dab(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
void draw_mask_dab(int32_t x, int32_t y);

}  // namespace oka::brush
