// Building the selection mask from pixels, and the way back.
//
// Markers test each pixel of a canvas-sized host picture (RGBA32 or RGB24,
// tightly packed, top row first) or of a flood map, and write one mask value
// into every pixel that passes; the others keep theirs, so successive calls
// add up. The value written for a mask strength s (0..255) is the mask
// store's mask::value_from_strength(s), (65535 - s) * 256 kept to 16 bits:
// strength 0 writes 65280 (still open in the high byte), strength 255
// writes 0 (fully masked).
//
// Every function does nothing when the document has no mask plane or the
// picture it reads is null; functions on the current layer also do nothing
// without one, and touch only the part of the layer that lies on the canvas.
// None of them saves an undo step; the host does so around them.
#pragma once

#include <cstdint>

namespace oka {

// A host percentage as an 8-bit tolerance: p * 2.56 truncated toward zero,
// so 100 gives 256 and everything matches; 1 gives 2.
int64_t percent_tolerance(int32_t percent) noexcept;
// Grey of a 16-bit pixel as a mask value: 65280 - c, 0 above 65280, 65535
// at 255 or less (a black layer opens the mask, a white one masks it).
constexpr uint16_t mask_value_from_grey16(uint32_t c) noexcept {
    return c > 65280 ? 0 : (c > 255 ? static_cast<uint16_t>(65280 - c) : 65535);
}

// ---- From the current layer: every canvas pixel is rewritten ----------------

// c = (R + G + B) / 3 of the 16-bit channels.
void mask_from_layer_grey() noexcept;
// c = (3R + 4G + B) >> 3.
void mask_from_layer_luma() noexcept;
// mask = the 16-bit alpha.
void mask_from_layer_alpha() noexcept;

// ---- Marking from host pictures -----------------------------------------------

// R, G, B equal (r, g, b) exactly; alpha is ignored.
void mark_rgba_colour(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept;
void mark_rgb24_colour(const uint8_t* rgb, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept;
// Each channel within t = percent_tolerance(tolerance) of its target.
void mark_rgba_colour_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                            int32_t strength) noexcept;
// abs(A - alpha) <= t.
void mark_rgba_alpha_range(const uint8_t* rgba, int32_t alpha, int32_t tolerance, int32_t strength) noexcept;
// abs((R + G + B) / 3 - (r + g + b) / 3) <= t, integer averages.
void mark_rgba_luminance_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                               int32_t strength) noexcept;
// HSV hue within T = trunc(tolerance * 1.8) degrees of the target's hue on
// the wrapped circle; a grey's hue is -1 (matches grey targets always).
void mark_rgba_hue_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                         int32_t strength) noexcept;
// HSL hue within hue_tol * 180 degrees (wrapped, not truncated), and
// saturation and lightness within their tolerances on the 0..1 scale.
void mark_rgba_hsl_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, double hue_tol, double sat_tol,
                         double light_tol, int32_t strength) noexcept;
// Flood-map byte equal to 1.
void mark_flood(const uint8_t* flood, int32_t strength) noexcept;
// Any of the four bytes differs between a and b; writes value (low 16 bits)
// itself rather than a strength.
void mark_difference(const uint8_t* a, const uint8_t* b, int32_t value) noexcept;

// ---- The mask into the current layer --------------------------------------------

// R = G = B = min(65535 - m, 65280), A = 65535.
void layer_from_mask() noexcept;
// kind 0: A = m; 1: A = min(A + m, 65535); 2: A = max(A - m, 0); other: nothing.
void layer_alpha_from_mask(int32_t kind) noexcept;

// ---- The mask applied to a host picture's alpha ------------------------------------

// The picture holds canvas rectangle x0..x1 x y0..y1 (inclusive) with its
// first pixel at (x0, y0) and rows stride bytes apart. Each alpha byte a
// becomes (a * (h + 1)) >> 8 for the mask's high byte h (0 -> 0, 255 -> a).
// Only the part of the rectangle on the canvas is visited.
void apply_mask_to_alpha_rect(uint8_t* rgba, int32_t stride, int32_t x0, int32_t y0, int32_t x1,
                              int32_t y1) noexcept;
// The same over a canvas-sized, tightly packed picture.
void apply_mask_to_alpha(uint8_t* rgba) noexcept;

namespace detail {
// The hue-range marker with its 8-lane build allowed or not; where the CPU
// has no such build both run the 4-lane one. Every build gives the same
// mask (tests compare them over all colours).
void mark_rgba_hue_range_lanes(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                               int32_t strength, bool allow_wide) noexcept;
}  // namespace detail

}  // namespace oka
