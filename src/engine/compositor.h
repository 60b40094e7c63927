// The layer compositor: merges a rectangle of one RGBA64 plane into another
// under a layer mode, an opacity, a strength, an optional mask layer and an
// optional alpha lock. Behind every merge of the engine: flattening layers,
// the merged document, committing strokes, host pictures and effect results.
//
// Rectangles are clipped to both planes (and the mask plane is read only
// where it exists), so no argument can lead outside a plane. Rows are shared
// among threads only where every pixel reads and writes its own position,
// which makes the result independent of the thread count.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace oka {

struct CompositeArgs {
    Rgba64View src;  // plane merged from; width and height bound the reads
    int32_t src_x = 0, src_y = 0, width = 0, height = 0;
    Rgba64View mask;        // a mask layer's plane, read at the source coordinates
    int32_t mask_mode = 0;  // 51 ("Layer Mask"): the mask plane scales the source alpha
    Rgba64View dst;         // plane merged into
    int32_t dst_x = 0, dst_y = 0;
    int32_t mode = 0;        // layer mode number; others merge as 0
    int32_t opacity = 256;   // 0..256, 255 and 256 are full
    int32_t strength = 255;  // 0..255
    bool keep_alpha = false;
    bool same_alpha = false;  // source and destination share this alpha mode
};

// Nothing happens when either plane is absent or the rectangle misses them.
void composite(const CompositeArgs& args) noexcept;

// Layer a over layer b across the canvas, with a's mode, opacity and mask
// layer; b's alpha lock is not honoured.
void merge_layer(int32_t a, int32_t b) noexcept;
// Layer a's canvas rectangle (x, y, w, h) over a packed w x h RGBA64 buffer.
void merge_layer_into_rect(int32_t a, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept;
void merge_layer_into(int32_t a, uint16_t* dst) noexcept;
// The document as seen: dst cleared, the background copied when its visible
// byte is 1, then every visible layer 2..271 merged in order.
void merge_rect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept;
void merge_document(uint16_t* dst) noexcept;
// A canvas-sized RGBA32 picture (widened) over a layer.
void merge_rgba32_layer(const uint8_t* picture, int32_t index, int32_t mode, int32_t opacity);
// Packed ARGB (high bytes) of the merged document at one canvas pixel;
// 16777215 outside the canvas. Throws std::bad_alloc when the one-pixel
// buffer cannot be had.
uint32_t color_at_merged(int32_t x, int32_t y);

}  // namespace oka
