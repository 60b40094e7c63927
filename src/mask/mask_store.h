// The selection mask: one 16-bit value per canvas pixel (engine().mask,
// rows width values apart), 65535 open (an edit applies in full) down to
// 0 masked, honoured while engine().mask_enabled is set. This module owns
// the switches, the overlay options the view renderer reads, and the
// whole-plane operations the host calls directly.
//
// The host exchanges the mask as an RGB24 picture where black is open and
// white masked: a pixel's grey g = (R + G + B) / 3 becomes 65535 when
// g = 0 and (255 - g) * 256 otherwise; a mask value m is shown as the grey
// 255 - (m >> 8).
#pragma once

#include <cstdint>

namespace oka::mask {

// ---- Value conversions shared with the rest of the engine ----

// Mask value of a picture grey 0..255.
constexpr uint16_t value_from_grey(uint32_t g) noexcept {
    return g == 0 ? uint16_t{65535} : static_cast<uint16_t>((255 - (g & 0xFF)) << 8);
}
// Picture grey of a mask value.
constexpr uint8_t grey_from_value(uint16_t m) noexcept { return static_cast<uint8_t>(255 - (m >> 8)); }
// Mask value that marks pixels with strength s (0..255): (65535 - s) * 256
// kept to 16 bits, which is (255 - s) * 256.
constexpr uint16_t value_from_strength(int32_t s) noexcept {
    return static_cast<uint16_t>((65535u - static_cast<uint32_t>(s)) << 8);
}
// Mask value of a colour on the 16-bit brush scale (8-bit value * 256):
// a = (r + g + b) / 3; a <= 255 (black) opens the pixel (65535), otherwise
// 65280 - a kept to 16 bits, so the white 65280 masks it fully (0).
uint16_t value_from_colour(int32_t r, int32_t g, int32_t b) noexcept;

// ---- Switches and overlay options ----

struct OverlayOptions {
    int32_t colour1[3] = {0, 0, 0};  // R, G, B on the 16-bit scale (8-bit * 256)
    int32_t colour2[3] = {0, 0, 0};
    int32_t full = 0;                // non-zero: full-strength tint, else half
};

void enable_mask(uint8_t on) noexcept;
void display_mask(uint8_t on) noexcept;
uint8_t mask_displayed() noexcept;
// Each colour channel is stored as value * 256; full as given.
void set_mask_options(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full) noexcept;
const OverlayOptions& overlay_options() noexcept;

// ---- Whole-plane operations (nothing without a mask plane) ----

// m -> 65535 - m for every value.
void invert_mask() noexcept;
// Every value becomes value_from_colour(r, g, b).
void clear_mask(int32_t r, int32_t g, int32_t b) noexcept;
// Write the canvas-sized mask picture: pixel (x, y) at y * stride + x * 3.
void save_mask(uint8_t* picture, int32_t stride) noexcept;
// Set the top-left width x height values from a picture of that size;
// width and height are kept to the canvas, the rest of the mask is kept.
void load_mask(const uint8_t* picture, int32_t stride, int32_t width, int32_t height) noexcept;

// How a picture combines into the mask; the names are the host's.
enum class CombineMode { Add, Subtract, Replace };
struct CombineModeName {
    const char* name;
    CombineMode mode;
};
// The mode of a name (exact, case-sensitive); any other name is Add.
CombineMode combine_mode_from_name(const char* name) noexcept;
// Per value m and picture amount d = v * 256 (v the pixel's grey, or with
// invert_byte 1 the amount for black pixels and 0 for others); d <= 255
// changes nothing. Add: max(m - d, 0). Subtract: min(m + d, 65535).
// Replace: 65280 - d kept to 16 bits.
uint16_t combine_value(uint16_t m, int64_t d, CombineMode mode) noexcept;
// Combine a canvas-sized picture into the mask.
void combine_mask(const uint8_t* picture, int32_t stride, int32_t invert, int32_t amount, const char* mode) noexcept;

}  // namespace oka::mask
