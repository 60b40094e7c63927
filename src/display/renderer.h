// The view renderer: composites the visible document (with the stroke in
// progress, the trace layer, the checkerboard and the mask tint) into the
// host's 24-bit B, G, R picture at any zoom.
#pragma once

#include <cstdint>

namespace oka::display {

struct ViewSettings {
    int32_t view_width = 0, view_height = 0;
    int32_t aoi[4] = {0, 0, 0, 0};
};
ViewSettings& view_settings() noexcept;

// Returns 0 without drawing when the current layer has no plane, else 1.
int32_t render(uint8_t* dest, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height) noexcept;

int32_t set_scale(int32_t zoom, float scale) noexcept;
int32_t set_view_size(int32_t width, int32_t height) noexcept;
int32_t set_offset(int32_t x, int32_t y) noexcept;
int32_t set_aoi(int32_t a, int32_t b, int32_t c, int32_t d) noexcept;
int32_t set_tracing_mode(int32_t flag) noexcept;

}  // namespace oka::display
