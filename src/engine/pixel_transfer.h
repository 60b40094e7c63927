// Moving pixels between host buffers and layers, fills, alpha edits,
// queries and single-pixel pickers.
//
// Host strides are in bytes and may be negative (bottom-up buffers). Every
// operation on a layer stays inside the layer's own plane: canvas-sized
// transfers cover the overlap of the canvas and the layer, and rectangles
// are clipped to the layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_state.h"

namespace oka {

// ---- Weights of the masked loads ------------------------------------------
//
// A canvas pixel's weight starts at 65535.
//   texture: t = 2 * texture value; t = 0 -> 0, t >= 255 -> unchanged,
//            otherwise ((t + 1) * 65535) >> 8
//   mask:    m = high byte of the mask value; m = 0 -> 0, m = 255 ->
//            unchanged, otherwise (w * (m + 1)) >> 8
inline uint32_t load_weight(const uint8_t* texture, const uint16_t* mask) noexcept {
    uint32_t w = 65535;
    if (texture) {
        const uint32_t t = 2u * *texture;
        if (t == 0) w = 0;
        else if (t < 255) w = ((t + 1) * 65535u) >> 8;
    }
    if (mask) {
        const uint32_t m = *mask >> 8;
        if (m == 0) w = 0;
        else if (m != 255) w = (w * (m + 1)) >> 8;
    }
    return w;
}

// One channel blended with a partial weight w (0 < w < 65535):
//   S = source byte * 256, O = the layer's value, c = 65535 - w,
//   result = (((S * w) >> 8) + ((O * c) >> 8)) >> 8   (unsigned 32-bit)
inline uint16_t blend_channel(uint32_t s16, uint32_t o, uint32_t w) noexcept {
    return static_cast<uint16_t>((((s16 * w) >> 8) + ((o * (65535u - w)) >> 8)) >> 8);
}

// ---- Layer <-> RGBA64 ----------------------------------------------------
void get_rgba64_layer(uint8_t* dst, ptrdiff_t dst_stride, int32_t layer) noexcept;
void get_rgba64_layer_rect(uint8_t* dst, ptrdiff_t dst_stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                           int32_t h) noexcept;
void set_rgba64_layer(const uint8_t* src, ptrdiff_t src_stride, int32_t layer) noexcept;
void get_layer_data(void* dst, int32_t layer) noexcept;
void set_layer_data(const void* src, int32_t layer) noexcept;
void copy_layer_data(int32_t from, int32_t to) noexcept;

// ---- RGBA64 buffers -> 8-bit buffers --------------------------------------
void rgba64_rect_to_8bit(uint8_t* dst, ptrdiff_t dst_stride, const uint8_t* src, ptrdiff_t src_stride, int32_t w,
                         int32_t h, bool with_alpha) noexcept;
void rgba64_rect_to_rgba32_clipped(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                   int32_t src_stride_px, uint8_t* dst) noexcept;
void rgba64_rect_to_rgb24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t src_stride_px,
                          uint8_t* dst) noexcept;

// ---- Layers -> 8-bit buffers ----------------------------------------------
enum class Narrow { Rgb24, AlphaGrey24, Rgba32 };
void get_layer_8bit(uint8_t* dst, ptrdiff_t dst_stride, Layer* layer, Narrow format) noexcept;
void get_rgba32_layer(uint8_t* dst, int32_t dst_stride, int32_t layer) noexcept;
// Compressed canvas-sized RGBA32 image of the layer; byte count or 0.
int32_t get_rgba32_layer_compressed(uint8_t* dst, int32_t capacity, int32_t layer, int32_t level);

// ---- 8-bit buffers -> layers ----------------------------------------------
void load_bgr24(const uint8_t* src, ptrdiff_t stride, int32_t w, int32_t h) noexcept;
void load_rgb24(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept;
void load_rgb24_to_alpha(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept;
// The weighted load: src pixel (col - x, row - y) into layer pixel (col, row).
void load_rgba32_layer(const uint8_t* src, ptrdiff_t stride, Layer* layer, int32_t x, int32_t y, int32_t w,
                       int32_t h, bool weighted) noexcept;
void load_rgba32_layer(const uint8_t* src, ptrdiff_t stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                       int32_t h, bool weighted) noexcept;
// The load on the current layer at (0, 0) over the layer's own size.
void load_rgba32_current(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept;
// 1 when the zlib stream inflated to exactly the layer's size and loaded.
int32_t load_rgba32_layer_compressed(const uint8_t* src, int32_t size, int32_t layer);
void set_pixel_rgb24(uint8_t* dst, ptrdiff_t stride, int32_t x, int32_t y, int32_t r, int32_t g,
                     int32_t b) noexcept;

// ---- Row run-length transfers and raw mask copies --------------------------
// Encode one canvas-wide row of a layer (clipped to the layer) or of the
// mask; returns the stream's byte count, 0 when there is nothing to read.
int32_t get_layer_line_rle(uint8_t* dst, int32_t layer, int32_t row) noexcept;
void put_layer_line_rle(const uint8_t* src, int32_t layer, int32_t row) noexcept;
int32_t get_mask_line_rle(uint8_t* dst, int32_t row) noexcept;
void put_mask_line_rle(const uint8_t* src, int32_t row) noexcept;
void get_mask_data16(void* dst) noexcept;
void set_mask_data16(const void* src) noexcept;

// ---- Fills ------------------------------------------------------------------
void clear_current(int32_t r, int32_t g, int32_t b, int32_t a) noexcept;
void clear_masked(int32_t r, int32_t g, int32_t b, int32_t a) noexcept;
void clear_masked_alpha(int32_t r, int32_t g, int32_t b, int32_t a);
void clear_rgba64(uint8_t* dst, ptrdiff_t stride, int32_t r, int32_t g, int32_t b, int32_t a) noexcept;
void clear_rgba32(uint8_t* dst, ptrdiff_t stride, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b,
                  int32_t a) noexcept;

// ---- Alpha edits ----------------------------------------------------------
void invert_alpha(int32_t layer) noexcept;
void invert_alpha_rgba32(uint8_t* dst) noexcept;
void set_layer_alpha(int32_t layer, int32_t alpha) noexcept;
void normalize_layer_alpha(int32_t layer) noexcept;
void set_color_alpha(int32_t r, int32_t g, int32_t b) noexcept;
void set_rgb_in_rgba32(uint8_t* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b,
                       bool only_transparent) noexcept;
void key_color_to_alpha(uint8_t* dst, int32_t r, int32_t g, int32_t b) noexcept;

// ---- Queries --------------------------------------------------------------
void find_data_extents(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) noexcept;
int32_t is_layer_transparent(int32_t layer) noexcept;
int32_t is_single_color(int32_t layer) noexcept;

// ---- Pickers ----------------------------------------------------------------
int32_t current_channel_at(int32_t x, int32_t y, int channel) noexcept;
int32_t mask_protection_at(int32_t x, int32_t y) noexcept;
// Packed R<<24|G<<16|B<<8|A of a plane with the given geometry, x and y
// clamped into it; 0 for a null plane.
uint32_t packed_rgba_at(const uint16_t* plane, int32_t width, int32_t height, int32_t stride, int32_t x,
                        int32_t y) noexcept;
// Packed A<<24|R<<16|G<<8|B; 16777215 outside width x height; 0 for null.
uint32_t packed_argb_at(const uint16_t* plane, int32_t width, int32_t height, int32_t stride, int32_t x,
                        int32_t y) noexcept;
enum class PickSource { Surface, UnderLayer, Layer, Trace };
uint32_t pick_rgba(PickSource s, int32_t x, int32_t y, int32_t layer = 0) noexcept;
uint32_t pick_argb(PickSource s, int32_t x, int32_t y, int32_t layer = 0) noexcept;
// Packed ARGB from the layer block of the most recent undoable step, read
// at canvas (x, y) inside the step's rectangle; 16777215 outside it (and
// outside the canvas), 0 when there is no such step.
uint32_t pick_argb_history(int32_t x, int32_t y) noexcept;

}  // namespace oka
