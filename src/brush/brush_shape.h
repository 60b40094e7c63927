// Brush shape: the N x N plane of 16-bit coverage values (engine().
// brush_shape, row pitch N) that every dab samples, built from an image
// file (kept as the "shape source" for reuse) or as a procedural round tip.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::brush {

constexpr size_t kShapePathCapacity = 1024;  // up to 1023 characters + terminator

// What is known about the loaded shape image. Its RGBA32 pixels live in
// engine().brush_shape_source; width and height are 0 when none is held.
// The path and effect value stay after an unload, so the next build loads
// afresh instead of reusing.
struct ShapeSource {
    int32_t width = 0;
    int32_t height = 0;
    char path[kShapePathCapacity] = {};
    int32_t effect_value = 0;

    bool held() const noexcept;
};

const ShapeSource& shape_source() noexcept;

// Rebuild the plane from `path` (reusing the held source when path and
// effect value match), or as the round tip when the path is shorter than
// two characters or cannot be made into a shape. The round tip measures
// from the half-pixel centre n/2 and each pixel's centre.
void set_brush_shape(const char* path, int32_t effect_value);
// The older builder: image files only, no shape blur, a different kernel
// choice, and a round tip measured between integer pixel positions and the
// integer centre n / 2.
void set_brush_shape_original(const char* path, int32_t effect_value);
// Release the held source image (width and height become 0).
void unload_brush_shape() noexcept;

enum class RoundCentre { half_pixel, integer };

// The procedural round tip into plane (row pitch `pitch`, n x n written):
// radius r = n/2; rim s = softness/255 x r; inside the inner radius r - s
// the value is 65535, across the rim it falls linearly to 0, outside r it
// is 0. The stored value is v x intensity, or |v - 65535| x intensity
// inside the circle when inverted, truncated and saturated to 0..65535.
void build_round_shape(uint16_t* plane, size_t pitch, int32_t n, uint8_t softness, bool invert, float intensity,
                       RoundCentre centre) noexcept;

}  // namespace oka::brush
