/*
 * okacore: a 16-bit raster painting engine.
 *
 * The public C interface. A host loads libokacore (okacore.dll on Windows)
 * and drives one document through these flat exports. Conventions:
 *   - Exports never throw. A failure inside a guarded export records a fixed
 *     "<Name> Excpt" text, readable with OKA_GetLastError(); the engine never
 *     clears that text itself.
 *   - Absent layers, planes and null buffers make an export do nothing (or
 *     return 0).
 *   - Layers are RGBA64: four unsigned 16-bit channels; 8-bit values widen by
 *     v << 8 (255 -> 65280) and narrow to their high byte.
 *   - On 32-bit Windows every export uses __stdcall and is exported under its
 *     decorated name (_Name@N).
 *   - okacore.dll reads BMP, TGA and PCX images only: PNG, JPEG, TIFF and GIF files fail to load there.
 *   - The host calls from one thread; calls must not overlap.
 */
#ifndef OKACORE_H
#define OKACORE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define OKA_CALL __stdcall
#  if defined(OKACORE_BUILDING)
     /* Exported by the module-definition file under the decorated names. */
#    define OKA_API
#  else
#    define OKA_API __declspec(dllimport)
#  endif
#else
#  define OKA_CALL
#  if defined(OKACORE_BUILDING)
#    define OKA_API __attribute__((visibility("default")))
#  else
#    define OKA_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Document lifetime, errors and memory -------------------------------- */

/** Create the document: host window, canvas width/height (each 0..10000, else 100), max brush size N, reserved. */
OKA_API void OKA_CALL OKA_CreateImage(void* hostWindow, int32_t width, int32_t height, int32_t maxBrush, int32_t reserved);
/** Rebuild every plane but the layers at a new size (same arguments and clamping as OKA_CreateImage). */
OKA_API void OKA_CALL OKA_NewSize(void* hostWindow, int32_t width, int32_t height, int32_t maxBrush, int32_t reserved);
/** Release the document: every plane, the undo history and every layer plane. */
OKA_API void OKA_CALL OKA_DeleteImage(void);
/** Store the random seed and reseed the calling thread's generator. */
OKA_API void OKA_CALL OKA_SetRandomSeed(uint32_t seed);
/** Copy at most 511 characters of text into the last-error text (null clears nothing). */
OKA_API void OKA_CALL OKA_SetLastError(const char* text);
/** Address of the engine's 512-byte last-error text. */
OKA_API const char* OKA_CALL OKA_GetLastError(void);
/** Store the host's start directory when shorter than 1024 characters. */
OKA_API void OKA_CALL OKA_SetStartDir(const char* path);
/** Release a block from OKA_Alloc; null is ignored. */
OKA_API void OKA_CALL OKA_Free(void* block);
/** Copy count bytes when both pointers are non-null and count > 0 (overlap allowed). */
OKA_API void OKA_CALL OKA_Memcpy(void* dst, const void* src, int32_t count);
/** Return the pointer unchanged (address of a host buffer for languages without pointers). */
OKA_API void* OKA_CALL BankAdrs(void* block);
/** Allocate size bytes from the run-time heap, giving up undo history when short; null on failure. */
OKA_API void* OKA_CALL OKA_Alloc(int32_t size);
/** Cap the engine's large blocks at mb megabytes (0 = no limit); also read from OKACORE_MEMORY_LIMIT_MB at load. */
OKA_API void OKA_CALL OKA_SetMemoryLimitMB(int32_t mb);
/** 1 once after a display or system-setting change was reported, else 0. */
OKA_API int32_t OKA_CALL OKA_IsDisplayChanged(void);

/* ---- Layers -------------------------------------------------------------- */

/** Create (or clear) layer index 0..271 at width x height; layer 1 is white, others transparent. 1 on success. */
OKA_API int32_t OKA_CALL OKA_CreateLayer(int32_t index, int32_t width, int32_t height);
/** Release the layer's pixels; options stay. */
OKA_API void OKA_CALL OKA_DeleteLayer(int32_t index);
/** Make an existing layer current and take the undo back buffers from it. */
OKA_API void OKA_CALL OKA_SetLayer(int32_t index);
/** Set visibility, alpha lock, opacity percent (x 2.56) and mode by exact name (unknown or null -> "Normal" = 0). */
OKA_API void OKA_CALL OKA_SetLayerOptions(int32_t index, uint8_t visible, uint8_t alphaLocked, int32_t opacityPercent, const char* modeName);
/** Current layer index. */
OKA_API int32_t OKA_CALL OKA_GetLayerNum(void);
/** Number of layers whose pixels exist (layers 0 and 1 included). */
OKA_API int32_t OKA_CALL OKA_GetLayerCount(void);
/** Exchange two complete layer records (pixels and options); the current index keeps its table position. */
OKA_API void OKA_CALL OKA_SwapLayers(int32_t a, int32_t b);
/** Build the texture plane from a canvas-sized layer; 0 when the layer is absent/not canvas-sized or memory fails. */
OKA_API int32_t OKA_CALL OKA_CreateTexture(int32_t index);
/** Release the texture plane. */
OKA_API void OKA_CALL OKA_DeleteTexture(void);

/* ---- Blend buffers ------------------------------------------------------- */

/** (Re)create count (0..20) N x N RGBA64 blend buffers and select buffer 0. */
OKA_API void OKA_CALL OKA_SetBlendBufferCount(int32_t count);
/** Select blend buffer index, clamped to 0..count-1. */
OKA_API void OKA_CALL OKA_SelectBlendBuffer(int32_t index);
/** Pick up the canvas-geometry RGBA64 plane under a dab at (x, y); weight 0..256 toward the brush colour; flag keeps colour in clipped cells. */
OKA_API void OKA_CALL OKA_DoCopyBlendBuffer(int32_t x, int32_t y, const void* plane, int32_t weight, int32_t flag);
/** Pick up from the current layer. */
OKA_API void OKA_CALL OKA_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t weight, int32_t flag);
/** Pick up from a layer. */
OKA_API void OKA_CALL OKA_CopyBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t weight);
/** Pick up from the history image (the layer as last taken for undo). */
OKA_API void OKA_CALL OKA_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t weight);
/** Same as OKA_CopyBlendBufferHistory. */
OKA_API void OKA_CALL OKA_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t weight);
/** Pick up from the trace layer (layer 0) when it exists. */
OKA_API void OKA_CALL OKA_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t weight);
/** Copy the mask under a dab into 16-bit cells, weighted toward the brush colour's mask value. */
OKA_API void OKA_CALL OKA_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t weight);
/** Mix a canvas-geometry RGBA64 plane into the buffer with strength 0..256 under the mix type. */
OKA_API void OKA_CALL OKA_DoMixBlendBuffer(int32_t x, int32_t y, const void* plane, int32_t strength);
/** Mix from the current layer. */
OKA_API void OKA_CALL OKA_MixBlendBufferSurface(int32_t x, int32_t y, int32_t strength);
/** Mix from a layer. */
OKA_API void OKA_CALL OKA_MixBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength);
/** Mix from the history image. */
OKA_API void OKA_CALL OKA_MixBlendBufferHistory(int32_t x, int32_t y, int32_t strength);
/** Same as OKA_MixBlendBufferHistory. */
OKA_API void OKA_CALL OKA_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength);
/** Mix from the trace layer when it exists. */
OKA_API void OKA_CALL OKA_MixBlendBufferTrace(int32_t x, int32_t y, int32_t strength);
/** Tint the buffer square toward 8-bit (r, g, b) with strength 0..256; reserved is not read. */
OKA_API void OKA_CALL OKA_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t reserved, int32_t strength);
/** Set the whole selected buffer to 0. */
OKA_API void OKA_CALL OKA_ClearBlendBuffer(void);
/** Fill the first N x N x 2 bytes of the selected buffer with the low byte of c x 256 + d (a, b unused). */
OKA_API void OKA_CALL OKA_FillBlendBuffer(int32_t a, int32_t b, int32_t c, int32_t d);
/** Grey (289), invert (290) or threshold (291 below, 292 above percent) the n x n square. */
OKA_API void OKA_CALL OKA_FilterBlendBuffer(int32_t kind, int32_t percent);
/** Set the mix type and value; returns the posterize shift trunc(16 (value - 127) / 127). */
OKA_API int32_t OKA_CALL OKA_SetMixMode(uint32_t type, uint32_t value);

/* ---- Dabs and the paint layer ------------------------------------------------- */
/* A dab paints into the paint layer when it exists, else into the current
   layer. Without per-pixel noise a dab's pixels do not depend on the thread
   count; with pixel colour or luminance vary, rows drawn by worker threads
   use the workers' generators, which restart at every reseed: the result is
   repeatable for a given seed, thread count and call sequence. */

/** Stamp the brush centred on canvas pixel (x, y) with 16-bit r, g, b (low bytes cleared). */
OKA_API void OKA_CALL OKA_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
/** Stamp the brush into the selection mask (black opens, white closes). */
OKA_API void OKA_CALL OKA_DrawDabGritMask(int32_t x, int32_t y);
/** Make the paint layer if needed and set the stroke's opacity, strength and mode by name; returns the mode number. */
OKA_API int32_t OKA_CALL OKA_CreatePaintLayer(int32_t opacityPercent, int32_t strengthPercent, const char* modeName);
/** Clear the paint layer to transparent and empty its extents. */
OKA_API void OKA_CALL OKA_ClearPaintLayer(void);
/** Older clear: the plane becomes 65535 except the touched rectangle, which becomes 0. */
OKA_API void OKA_CALL OKA_ClearPaintLayer_old(void);
/** Merge the touched rectangle into a layer with the paint layer's mode, opacity and strength, then clear it. */
OKA_API void OKA_CALL OKA_MergePaintLayer(int32_t index);
/** Set the paint layer's extents (right and bottom exclusive); merging clips them to the planes. */
OKA_API void OKA_CALL OKA_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom);
/** Exchange the whole paint layer record with a layer's. */
OKA_API void OKA_CALL OKA_SwapPaintLayer(int32_t index);
/** Release the paint layer's plane; dabs then paint into the current layer. */
OKA_API void OKA_CALL OKA_DeletePaintLayer(void);
/** Soften the paint layer's alpha edge (a 3 x 3 blur; alpha of 61440 and above stays opaque). */
OKA_API void OKA_CALL OKA_BlurPaintLayerAlpha(void);

/* ---- Pixel transfer ------------------------------------------------------ */

/** Fill every pixel of the current layer with the widened 8-bit colour (mask and lock ignored). */
OKA_API void OKA_CALL OKA_Clear(int32_t r, int32_t g, int32_t b, int32_t a);
/** Narrow a canvas-sized layer into dst (RGBA32, dstStride bytes per row; dst must hold canvas height rows). */
OKA_API void OKA_CALL OKA_GetRGBA32Layer(void* dst, int32_t dstStride, int32_t layer);
/** Copy the canvas-sized part of a layer into dst (RGBA64, dstStride bytes per row). */
OKA_API void OKA_CALL OKA_GetRGBA64Layer(void* dst, int32_t dstStride, int32_t layer);
/** Copy the w x h rectangle at (x, y) of a layer into dst (dst holds w x h; parts outside the layer are left untouched). */
OKA_API void OKA_CALL OKA_GetRGBA64LayerRect(void* dst, int32_t dstStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);
/** Copy a canvas-sized RGBA64 src into a layer. */
OKA_API void OKA_CALL OKA_SetRGBA64Layer(const void* src, int32_t srcStride, int32_t layer);
/** Copy the layer's width x height x 8 bytes to dst. */
OKA_API void OKA_CALL OKA_GetLayerData(void* dst, int32_t layer);
/** Copy width x height x 8 bytes from src into the layer. */
OKA_API void OKA_CALL OKA_SetLayerData(const void* src, int32_t layer);
/** Copy one layer's plane into another (their top-left overlap when sizes differ). */
OKA_API void OKA_CALL OKA_CopyLayerData(int32_t srcLayer, int32_t dstLayer);
/** Narrow h rows of w RGBA64 pixels at src to RGB24 at dst (pointers address the rectangle; x, y unused). */
OKA_API void OKA_CALL OKA_GetRGB24FromRGBA64Rect(void* dst, int32_t dstStride, const void* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);
/** Narrow a canvas-sized RGBA64 buffer to RGB24. */
OKA_API void OKA_CALL OKA_GetRGB24FromRGBA64(void* dst, int32_t dstStride, const void* src, int32_t srcStride);
/** Narrow h rows of w RGBA64 pixels at src to RGBA32 at dst (x, y unused). */
OKA_API void OKA_CALL OKA_GetRGBA32FromRGBA64Rect(void* dst, int32_t dstStride, const void* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);
/** Narrow a w x h RGBA64 buffer to RGBA32. */
OKA_API void OKA_CALL OKA_GetRGBA32FromRGBA64(void* dst, int32_t dstStride, int32_t w, int32_t h, const void* src, int32_t srcStride);
/** Rectangle of a canvas-geometry RGBA64 src to packed RGBA32 (clipped; a rectangle reaching the canvas edge loses its last column/row; pitch is the clipped w x 4). */
OKA_API void OKA_CALL OKA_RGBA64RectToRGBA32(const void* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcStridePixels, int32_t reserved, void* dst);
/** Rectangle of an RGBA64 src to packed RGB24 (not clipped: src must hold it). */
OKA_API void OKA_CALL OKA_RGBA64RectToRGBA24(const void* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcStridePixels, int32_t reserved, void* dst);
/** Narrow the current layer to a canvas-sized RGB24 buffer. */
OKA_API void OKA_CALL OKA_GetRGB24(void* dst, int32_t dstStride);
/** Narrow a layer to a canvas-sized RGB24 buffer. */
OKA_API void OKA_CALL OKA_GetRGB24Layer(void* dst, int32_t dstStride, int32_t layer);
/** Grey RGB24 image of the current layer's alpha. */
OKA_API void OKA_CALL OKA_GetRGB24FromAlpha(void* dst, int32_t dstStride);
/** Narrow the current layer to a canvas-sized RGBA32 buffer. */
OKA_API void OKA_CALL OKA_GetRGBA32(void* dst, int32_t dstStride);
/** zlib stream of the layer as a canvas-sized RGBA32 image into dst (capacity bytes); byte count, 0 on failure. */
OKA_API int32_t OKA_CALL OKA_GetRGBA32LayerCompressed(void* dst, int32_t reserved, int32_t capacity, int32_t layer, int32_t level);
/** Load a B,G,R 24-bit image into the current layer (alpha 65535), at most the canvas size. */
OKA_API void OKA_CALL OKA_Load(const void* src, int32_t srcStride, int32_t w, int32_t h);
/** Load a canvas-sized RGB24 image into the current layer's colour, weighted by mask and texture when asked. */
OKA_API void OKA_CALL OKA_LoadRGB24(const void* src, int32_t srcStride, int32_t weighted);
/** Load the first byte of each RGB24 pixel into the current layer's non-zero alphas. */
OKA_API void OKA_CALL OKA_LoadRGB24ToAlpha(const void* src, int32_t srcStride, int32_t weighted);
/** Load a w x h RGBA32 image at (x, y) into a layer (clipped to the layer), through mask and texture when weighted. */
OKA_API void OKA_CALL OKA_LoadRGBA32Layer(const void* src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h, int32_t weighted);
/** Load an RGBA32 image of the current layer's size into it. */
OKA_API void OKA_CALL OKA_LoadRGBA32(const void* src, int32_t srcStride, int32_t weighted);
/** Weighted OKA_LoadRGBA32Layer. */
OKA_API void OKA_CALL OKA_LoadRGBA32Into(const void* src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);
/** Inflate a zlib RGBA32 image of exactly the layer's size and load it unweighted; 1 on success, 0 (nothing loaded) otherwise. */
OKA_API int32_t OKA_CALL OKA_LoadRGBA32LayerCompressed(const void* src, int32_t reserved, int32_t srcSize, int32_t layer);
/** Write one pixel (16-bit r, g, b as high bytes) of a host RGB24 buffer when (x, y) is on the canvas. */
OKA_API void OKA_CALL OKA_SetPixelRGB24(void* dst, int32_t dstStride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
/** Fill the current layer with the widened colour through the mask. */
OKA_API void OKA_CALL OKA_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a);
/** Fill the current layer through mask, texture and alpha lock (a weighted load of the colour). */
OKA_API void OKA_CALL OKA_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a);
/** Fill a canvas-sized RGBA64 buffer with a 16-bit colour. */
OKA_API void OKA_CALL OKA_ClearRGBA64(void* dst, int32_t dstStride, int32_t r, int32_t g, int32_t b, int32_t a);
/** Fill a canvas-sized RGBA32 buffer. */
OKA_API void OKA_CALL OKA_ClearRGBA32(void* dst, int32_t dstStride, int32_t r, int32_t g, int32_t b, int32_t a);
/** Fill a packed w x h RGBA32 buffer. */
OKA_API void OKA_CALL OKA_ClearRGBA32Buf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a);
/** Alpha becomes 65535 - alpha over the layer. */
OKA_API void OKA_CALL OKA_InvertAlpha(int32_t layer);
/** Alpha becomes 255 - alpha in a canvas-sized RGBA32 buffer. */
OKA_API void OKA_CALL OKA_InvertAlpha_RGBA32(void* dst);
/** Every alpha of the layer becomes the 16-bit value. */
OKA_API void OKA_CALL OKA_SetLayerAlpha(int32_t layer, int32_t alpha);
/** Fold a merge-mode layer's opacity into its alpha ((A x opacity) >> 8) and set opacity 256. */
OKA_API void OKA_CALL OKA_NormalizeLayerAlpha(int32_t layer);
/** Pixels of the current layer with alpha below 256 become (r x 257, g x 257, b x 257, 0). */
OKA_API void OKA_CALL OKA_SetColorAlpha(int32_t r, int32_t g, int32_t b);
/** In a packed w x h RGBA32 buffer, pixels of alpha 0 get r, g, b. */
OKA_API void OKA_CALL OKA_SetColorAlphaRGBABuf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b);
/** Every pixel of a packed w x h RGBA32 buffer gets r, g, b. */
OKA_API void OKA_CALL OKA_SetColorRGBABuf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b);
/** In a canvas-sized RGBA32 buffer, pixels equal to the key colour get alpha 0. */
OKA_API void OKA_CALL OKA_SetAlphaFromRGBAImageColor(void* dst, int32_t r, int32_t g, int32_t b);
/** Inclusive bounding box of non-transparent pixels (none: canvas width, canvas height, 0, 0). */
OKA_API void OKA_CALL OKA_FindDataExtentsLayer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);
/** 1 when the layer is absent or some alpha is below 65280. */
OKA_API int32_t OKA_CALL OKA_IsLayerTransparent(int32_t layer);
/** 1 when every pixel equals the first. */
OKA_API int32_t OKA_CALL OKA_IsSingleColor(int32_t layer);
/** Red of the current layer at (x, y); 0 outside. */
OKA_API int32_t OKA_CALL OKA_GetRed64(int32_t x, int32_t y);
/** Green of the current layer at (x, y); 0 outside. */
OKA_API int32_t OKA_CALL OKA_GetGreen64(int32_t x, int32_t y);
/** Blue of the current layer at (x, y); 0 outside. */
OKA_API int32_t OKA_CALL OKA_GetBlue64(int32_t x, int32_t y);
/** Alpha of the current layer at (x, y); 0 outside. */
OKA_API int32_t OKA_CALL OKA_GetAlpha64(int32_t x, int32_t y);
/** 65535 - mask value (protection); 0 outside, with the mask disabled or no current layer. */
OKA_API int32_t OKA_CALL OKA_GetMask64(int32_t x, int32_t y);
/** Packed RGBA of a canvas-geometry RGBA64 plane at (x, y) clamped into the canvas; 0 for null. */
OKA_API uint32_t OKA_CALL OKA_GetRGBAAt(int32_t x, int32_t y, const void* plane);
/** Packed RGBA of the current layer. */
OKA_API uint32_t OKA_CALL OKA_GetRGBAAtSurface(int32_t x, int32_t y);
/** Packed RGBA of the undo back buffer. */
OKA_API uint32_t OKA_CALL OKA_GetRGBAAtUnderLayer(int32_t x, int32_t y);
/** Packed RGBA of a layer. */
OKA_API uint32_t OKA_CALL OKA_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer);
/** Packed RGBA of the trace layer; 0 when it has no pixels. */
OKA_API uint32_t OKA_CALL OKA_GetRGBAAtTrace(int32_t x, int32_t y);
/** Packed ARGB of a canvas-geometry RGBA64 plane; 16777215 outside the canvas, 0 for null. */
OKA_API uint32_t OKA_CALL OKA_GetColorAt(int32_t x, int32_t y, const void* plane);
/** Packed ARGB of the current layer. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtSurface(int32_t x, int32_t y);
/** Packed ARGB of the undo back buffer. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtUnderLayer(int32_t x, int32_t y);
/** Packed ARGB of a layer. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtLayer(int32_t x, int32_t y, int32_t layer);
/** Packed ARGB of the trace layer. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtTrace(int32_t x, int32_t y);
/** Packed ARGB of the newest undoable step's layer copy at canvas (x, y); 16777215 outside its rectangle, 0 without a step. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtHistory(int32_t x, int32_t y);
/** Encode one canvas row of a layer as RGBA32 runs (dst holds 5 x canvas width bytes); byte count, 0 when absent. */
OKA_API int32_t OKA_CALL OKA_GetRGBA32LayerLineRLE(void* dst, int32_t layer, int32_t row);
/** Decode RGBA32 runs into one row of a layer (never past the row). */
OKA_API void OKA_CALL OKA_PutRGBA32LayerLineRLE(const void* src, int32_t layer, int32_t row);
/** Encode one mask row as 8-bit runs (dst holds 2 x canvas width bytes); byte count, 0 without a mask. */
OKA_API int32_t OKA_CALL OKA_GetMaskLineRLE(void* dst, int32_t row);
/** Decode 8-bit runs into one mask row (values become v << 8). */
OKA_API void OKA_CALL OKA_PutMaskLineRLE(const void* src, int32_t row);
/** Copy the mask plane (width x height x 2 bytes) out. */
OKA_API void OKA_CALL OKA_GetMaskData16(void* dst);
/** Copy width x height x 2 bytes into the mask plane. */
OKA_API void OKA_CALL OKA_SetMaskData16(const void* src);

/* ---- Undo history and fade --------------------------------------------------- */

/** Store one undo step of the dirty rectangle for the current layer and/or the mask (low byte of each flag). */
OKA_API void OKA_CALL OKA_SaveUndoBuffer(int32_t saveLayer, int32_t saveMask);
/** Copy layer `layer` and the mask into the undo back buffers (nothing while paused). */
OKA_API void OKA_CALL OKA_SaveUndoBackBuffer(int32_t layer);
/** Undo the next undoable step (selecting its layer); a step whose layer has no pixels is dropped. */
OKA_API void OKA_CALL OKA_Undo(void);
/** Redo the step undone last; a step whose layer has no pixels is dropped. */
OKA_API void OKA_CALL OKA_Redo(void);
/** 1 when a step can be undone, else 0. */
OKA_API int32_t OKA_CALL OKA_CanUndo(void);
/** 1 when a step can be redone, else 0. */
OKA_API int32_t OKA_CALL OKA_CanRedo(void);
/** Number of undone (redoable) steps. */
OKA_API uint32_t OKA_CALL OKA_GetRedoCount(void);
/** Number of stored steps, undoable and redoable. */
OKA_API int32_t OKA_CALL OKA_GetUndoCount(void);
/** Clear the history and keep min(levels, 500) steps (negative keeps 0); returns the stored count. */
OKA_API int32_t OKA_CALL OKA_SetUndoLevels(int32_t levels);
/** mb != 0: manual budget of mb MB; 0: automatic budget from free memory. Returns the budget in KB. */
OKA_API int32_t OKA_CALL OKA_SetUndoMB(int32_t mb);
/** Undo budget in MB (an automatic budget is recomputed first). */
OKA_API int32_t OKA_CALL OKA_GetTotalUndoMemory(void);
/** Undo memory in use (back buffers and stored steps) in MB. */
OKA_API int32_t OKA_CALL OKA_GetCurrentUndoMemory(void);
/** Forget every step, clear the pause and the dirty rectangle, refresh the back buffers. */
OKA_API void OKA_CALL OKA_ClearUndo(void);
/** Discard redo steps, then give up the oldest steps until kb kilobytes were freed. */
OKA_API void OKA_CALL OKA_ReduceUndo(int32_t kb);
/** Suspend saving, undoing and redoing. */
OKA_API void OKA_CALL OKA_PauseUndo(void);
/** Resume saving, undoing and redoing. */
OKA_API void OKA_CALL OKA_ResumeUndo(void);
/** Mark the whole canvas changed for the next undo save. */
OKA_API void OKA_CALL OKA_InvalidateDirtyUndoCanvas(void);
/** Exchange the next undo step's layer pixels with its layer without moving the redo count; 0 when nothing is undone. */
OKA_API int32_t OKA_CALL OKA_StartFade(void);
/** Fade progress: accepted and ignored. */
OKA_API void OKA_CALL OKA_UpdateFade(int32_t value);
/** End of a fade: does nothing. */
OKA_API void OKA_CALL OKA_EndFade(void);
/** Grid switch: accepted and ignored. */
OKA_API void OKA_CALL OKA_SetGrid(int32_t value);
/** Grid spacing: accepted and ignored. */
OKA_API void OKA_CALL OKA_SetGridSpacing(int32_t value);

/* ---- Selection mask store ---------------------------------------------------- */

/** Set the mask enabled flag (low byte): while 0 every edit ignores the mask. */
OKA_API void OKA_CALL OKA_EnableMask(int32_t on);
/** Set the mask display flag (low byte): the view tints masked pixels while it and the enabled flag are set. */
OKA_API void OKA_CALL OKA_DisplayMask(int32_t on);
/** Overlay colours 1 and 2 (8-bit channels, stored x 256) and the full-strength flag. */
OKA_API void OKA_CALL OKA_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full);
/** Every mask value m becomes 65535 - m. */
OKA_API void OKA_CALL OKA_InvertMask(void);
/** Fill the mask from a 16-bit-scale colour: grey (r+g+b)/3 <= 255 opens (65535), else 65280 - grey. */
OKA_API void OKA_CALL OKA_ClearMask(int32_t r, int32_t g, int32_t b);
/** Write the mask as a canvas-sized RGB24 picture (black open, white masked), stride bytes per row. */
OKA_API void OKA_CALL OKA_SaveMask(void* picture, int32_t stride);
/** Set the top-left width x height mask values (kept to the canvas) from an RGB24 mask picture. */
OKA_API void OKA_CALL OKA_LoadMask(const void* picture, int32_t stride, int32_t width, int32_t height);
/** Combine a canvas-sized RGB24 picture into the mask by "Add", "Subtract" or "Replace" (other names: "Add"). */
OKA_API void OKA_CALL OKA_CombineMask(const void* picture, int32_t stride, int32_t invert, int32_t amount, const char* mode);

/* ---- Run-length row codecs --------------------------------------------------- */

/** Compress count RGBA64 pixels to 5-byte RGBA32 runs (dst holds 5 x count bytes); bytes written, 0 on null or count <= 0. */
OKA_API int32_t OKA_CALL OKA_RLECompressRGBA64ToRGBA32(const void* src, void* dst, int32_t count);
/** Expand RGBA32 runs into exactly count RGBA64 pixels (channel = byte << 8); pointer past the last pixel written. */
OKA_API void* OKA_CALL OKA_RLEUncompressRGBA32ToRGBA64(const void* src, void* dst, int32_t count);
/** Compress count 16-bit values to 2-byte G8 runs (dst holds 2 x count bytes); bytes written, 0 on null or count <= 0. */
OKA_API int32_t OKA_CALL OKA_RLECompressG16ToG8(const void* src, void* dst, int32_t count);
/** Expand G8 runs into exactly count 16-bit values (value = byte << 8). */
OKA_API void OKA_CALL OKA_RLEUncompressG8ToG16(const void* src, void* dst, int32_t count);

/* ---- Merge modes and layer compositor ---------------------------------------- */

/** Merge source (srcR, srcG, srcB, srcA) into *dest by mode (0..30 merge, 32..53 alpha, others as 0), strength 0..255; keepAlpha leaves destA. */
OKA_API void OKA_CALL OKA_MergePixel(int32_t* destR, int32_t* destG, int32_t* destB, int32_t* destA, int32_t srcR, int32_t srcG, int32_t srcB, int32_t srcA, int32_t mode, int32_t strength, uint8_t keepAlpha);
/** Set the alpha layer opacity used by the alpha modes: percent x 0.01 x 65535, truncated (kept within 0..65535). */
OKA_API void OKA_CALL OKA_SetAlphaLayerOpacity(int32_t percent);
/** Merge layer a over layer b across the canvas with a's mode, opacity and mask layer (b's alpha lock ignored). */
OKA_API void OKA_CALL OKA_MergeLayer(int32_t a, int32_t b);
/** Merge layer a's canvas rectangle (x, y, w, h) into a packed w x h RGBA64 buffer (clipped to the layer). */
OKA_API void OKA_CALL OKA_MergeLayerIntoRect(int32_t a, void* dst, int32_t x, int32_t y, int32_t w, int32_t h);
/** OKA_MergeLayerIntoRect over the whole canvas. */
OKA_API void OKA_CALL OKA_MergeLayerInto(int32_t a, void* dst);
/** The merged document's rectangle into a packed w x h RGBA64 buffer: cleared, background copied when visible is 1, layers 2..271 merged. */
OKA_API void OKA_CALL OKA_MergeRect(void* dst, int32_t x, int32_t y, int32_t w, int32_t h);
/** OKA_MergeRect over the whole canvas. */
OKA_API void OKA_CALL OKA_Merge(void* dst);
/** Widen a canvas-sized RGBA32 picture and merge it into a layer by mode and opacity 0..255. */
OKA_API void OKA_CALL OKA_MergeRGBA32Layer(void* picture, int32_t layer, int32_t mode, int32_t opacity);
/** Packed ARGB of the merged document at (x, y); 16777215 outside the canvas, 0 when memory fails. */
OKA_API uint32_t OKA_CALL OKA_GetColorAtMerged(int32_t x, int32_t y);

/* ---- Tool and brush state ---------------------------------------------------- */

/** Set the brush in one call: reseed, store, rebuild the 20 grit buffers (cellSize != 0), fill them from gritImagePath, rebuild the shape from shapePath, set mix type 32, clear the one-dab flags. */
OKA_API void OKA_CALL OKA_SetTool(float intensity, int32_t cellSize, int32_t cellThreshold, int32_t fillThreshold, int32_t edgeSoftness, int32_t colourVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryStrength, int32_t remix, int32_t reserved1, int32_t invert, int32_t reserved2, const char* gritImagePath, const char* shapePath, int32_t effectValue);
/** Brush colour from 8-bit channels: (r x 256, g x 256, b x 256, 65535). */
OKA_API void OKA_CALL OKA_SetColor(int32_t r, int32_t g, int32_t b);
/** Brush colour from 16-bit channels: (r, g, b, 65535). */
OKA_API void OKA_CALL OKA_SetColor16(int32_t r, int32_t g, int32_t b);
/** Colour banks 1..4 from 8-bit channels, each widened x 256 with alpha 65535. */
OKA_API void OKA_CALL OKA_SetColorBanks(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3, int32_t r4, int32_t g4, int32_t b4);
/** Brush size and sampled size n (0..1000, at most N while a document exists); identity scale table. */
OKA_API void OKA_CALL OKA_SetSize(int32_t n);
/** Sampled size s (1..min(n, 999)) and its scale table: entry i = trunc(n/s/2 + i x n/s). */
OKA_API void OKA_CALL OKA_SetScaleSize(int32_t s);
/** Shape blur in percent: 0 resamples a shape image sharply, 1..100 smooths it first. */
OKA_API void OKA_CALL OKA_SetShapeBlur(int32_t percent);
/** Blend strength 0..256; the inverse 256 - s is updated only for s > 0. */
OKA_API void OKA_CALL OKA_SetBlendStrength(int32_t s);
/** Primary colour strength 0..256; the inverse 256 - p is updated only for p > 0. */
OKA_API void OKA_CALL OKA_SetBlendPrimaryColorStrength(int32_t p);
/** Blend remix flag (low byte). */
OKA_API void OKA_CALL OKA_SetBlendRemix(int32_t flag);
/** Grit density d - 1: dabs skip pixels whose grit value is above it. */
OKA_API void OKA_CALL OKA_SetDensity(int32_t d);
/** Brush alpha percent; the factor is trunc(percent x 1.28). */
OKA_API void OKA_CALL OKA_SetAlpha(int32_t percent);
/** Per-dab colour vary range. */
OKA_API void OKA_CALL OKA_SetColorVary(int32_t v);
/** Engine-wide alpha lock. */
OKA_API void OKA_CALL OKA_SetAlphaLocked(int32_t flag);
/** Colour lock: dabs change alpha only. */
OKA_API void OKA_CALL OKA_SetColorLocked(int32_t flag);
/** Blob lock: dabs write alpha only where both alphas exceed 8191. */
OKA_API void OKA_CALL OKA_SetBlobLocked(int32_t flag);
/** Alpha level (0..65535); above 0 every painted pixel gets it. */
OKA_API void OKA_CALL OKA_SetAlphaLevel(uint32_t level);
/** Image-brush mode: a smudge source's alpha scales the coverage. */
OKA_API void OKA_CALL OKA_SetImageBrushMode(int32_t flag);
/** Solid mode: every covered pixel gets full coverage. */
OKA_API void OKA_CALL OKA_SetSolidBrushMode(int32_t flag);
/** Rotate mode (1 rotates shape sampling) and angle in degrees. */
OKA_API void OKA_CALL OKA_SetRotateBrushMode(int32_t mode, int32_t degrees);
/** Per-pixel colour vary; v > 0 generates its noise (3N bytes). */
OKA_API void OKA_CALL OKA_SetPixColorVary(int32_t v);
/** Per-pixel luminance vary; v > 0 generates its noise (3N bytes). */
OKA_API void OKA_CALL OKA_SetPixLumVary(int32_t v);
/** Count one dab off the current grit buffer. */
OKA_API void OKA_CALL OKA_DecDrawingLength(void);
/** Paint the next dab without the blend buffer. */
OKA_API void OKA_CALL OKA_TempDisableBlend(void);
/** Divert dabs to the selection mask until the next OKA_SetTool. */
OKA_API void OKA_CALL OKA_SetMaskMakerOn(void);
/** Make the next dab erase. */
OKA_API void OKA_CALL OKA_SetEraseModeOn(void);
/** Rebuild the brush shape from an image file (reused when path and effect value match) or as the round tip. */
OKA_API void OKA_CALL OKA_SetBrushShape(const char* path, int32_t effectValue);
/** Older shape builder: image files only, no blur, integer-centre round tip. */
OKA_API void OKA_CALL OKA_SetBrushShape_ORIGINAL(const char* path, int32_t effectValue);
/** Release the loaded brush shape image. */
OKA_API void OKA_CALL OKA_UnloadBrushShape(void);

/* ---- Colour models and masks from pixels ------------------------------------- */
/* Pictures are canvas-sized and tightly packed unless a stride is given. A
   mask strength s (0..255) marks with (255 - s) * 256; percent tolerances
   become t = p * 2.56 truncated (100 matches everything). */

/** Mask from the current layer's grey (R + G + B) / 3: 65280 - grey, 0 above 65280, 65535 at 255 or less. */
OKA_API void OKA_CALL OKA_CreateMaskFromImage(void);
/** Mask from the current layer's luma (3R + 4G + B) >> 3, mapped as OKA_CreateMaskFromImage. */
OKA_API void OKA_CALL OKA_CreateMaskFromImageLuma(void);
/** Mask = the current layer's 16-bit alpha. */
OKA_API void OKA_CALL OKA_CreateMaskFromAlpha(void);
/** Mark pixels of an RGBA32 picture whose R, G, B equal r, g, b (alpha ignored). */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageColor(void* picture, int32_t r, int32_t g, int32_t b, int32_t strength);
/** Mark pixels of an RGB24 picture whose R, G, B equal r, g, b. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGB24ImageColor(void* picture, int32_t r, int32_t g, int32_t b, int32_t strength);
/** Mark RGBA32 pixels whose R, G and B each lie within the percent tolerance of r, g, b. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageColorRange(void* picture, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t strength);
/** Mark RGBA32 pixels whose alpha lies within the percent tolerance of alpha. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageAlphaRange(void* picture, int32_t alpha, int32_t tolerance, int32_t strength);
/** Mark RGBA32 pixels whose (R + G + B) / 3 lies within the percent tolerance of (r + g + b) / 3. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageLuminanceRange(void* picture, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t strength);
/** Mark RGBA32 pixels whose HSV hue lies within tolerance * 1.8 (truncated) degrees of the hue of r, g, b, wrapping at 360. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageHueRange(void* picture, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t strength);
/** Mark RGBA32 pixels within hueTol * 180 degrees of HSL hue and within satTol, lightTol (0..1) of the HSL of r, g, b. */
OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageHSLRange(void* picture, int32_t r, int32_t g, int32_t b, double hueTol, double satTol, double lightTol, int32_t strength);
/** Mark pixels whose byte in the canvas-sized flood map is 1. */
OKA_API void OKA_CALL OKA_CreateMaskFromFloodMask(void* floodMap, int32_t strength);
/** Set the mask to value (16-bit) where any byte of the RGBA32 pictures a and b differs. */
OKA_API void OKA_CALL OKA_CreateMaskFromDiff_RGBA32(void* a, void* b, int32_t value);
/** Current layer becomes grey min(65535 - mask, 65280), alpha 65535 (open areas black). */
OKA_API void OKA_CALL OKA_CreateImageFromMask(void);
/** Current layer alpha from the mask: kind 0 = mask, 1 = alpha + mask (at most 65535), 2 = alpha - mask (at least 0). */
OKA_API void OKA_CALL OKA_CreateAlphaFromMask(int32_t kind);
/** Weight the alpha of an RGBA32 picture holding canvas rectangle x0..x1, y0..y1 (inclusive) by the mask's high byte. */
OKA_API void OKA_CALL OKA_ApplyMaskToAlphaRect_RGBA32(void* picture, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
/** Weight the alpha of a canvas-sized RGBA32 picture by the mask's high byte. */
OKA_API void OKA_CALL OKA_ApplyMaskToAlpha_RGBA32(void* picture);
/** In a canvas-sized RGBA32 picture, replace pixels whose alpha is within the percent tolerance of alpha by (r, g, b, a). */
OKA_API void OKA_CALL OKA_ReplaceFromRGBAImageAlphaRange(void* picture, int32_t alpha, int32_t tolerance, int32_t r, int32_t g, int32_t b, int32_t a);
/** Grey RGB24 picture of an RGBA32 picture's alpha (width x height, packed). */
OKA_API void OKA_CALL OKA_RGBAlphaToRGB(void* dst, int32_t width, int32_t height, void* src);
/** RGBA32 alpha = (R + G + B) / 3 of an RGB24 picture; colour bytes kept. */
OKA_API void OKA_CALL OKA_RGBToRGBAlpha(void* dst, int32_t width, int32_t height, void* src);
/** Copy RGB24 colour bytes into an RGBA32 picture; alpha bytes kept. */
OKA_API void OKA_CALL OKA_RGBToRGBA(void* dst, int32_t width, int32_t height, void* src);
/** Copy the colour bytes of an RGBA32 picture into an RGB24 picture. */
OKA_API void OKA_CALL OKA_RGBAToRGB(void* dst, int32_t width, int32_t height, void* src);

/* ---- Tablet input ---- */

/** Open a pen-tablet context on the host window; 0 without a tablet, access to it or a pressure axis. */
OKA_API int32_t OKA_CALL OKA_InitTablet(void* hostWindow);
/** Tablet origin = screen position of the host window's client area; the platform result, 0 without a context. */
OKA_API int32_t OKA_CALL OKA_SetTabletOrigin(void);
/** Close the tablet context; the platform result, 0 without a context. */
OKA_API int32_t OKA_CALL OKA_CloseTablet(void);
/** Last pressure = 10 and discard up to 1000 queued packets; the count discarded, 0 without a context. */
OKA_API int32_t OKA_CALL OKA_ResetTabletPressure(void);
/** Pull up to 256 queued packets into the packet buffer; the packet count (0 without a context). */
OKA_API int32_t OKA_CALL OKA_ReadTabletPackets(void);
/** Pressure 1..100 of a packet; beyond the count the last pressure, which then climbs by 25 up to 100. */
OKA_API int32_t OKA_CALL OKA_ReadTabletPressure(uint32_t index);
/** Pressure 0..100 of a packet, not remembered; 0 beyond the packet count or without a context. */
OKA_API int32_t OKA_CALL OKA_ReadRawTabletPressure(uint32_t index);
/** 1 when the packet comes from the pen's eraser end (status bit 0x10), else 0. */
OKA_API int32_t OKA_CALL OKA_IsPacketInvert(uint32_t index);
/** Status word of a packet; 0 beyond the packet count or without a context. */
OKA_API uint32_t OKA_CALL OKA_PacketStatus(uint32_t index);
/** Packet x minus the tablet origin x; 0 beyond the packet count or without a context. */
OKA_API int32_t OKA_CALL OKA_ReadTabletX(uint32_t index);
/** Packet y minus the tablet origin y; 0 beyond the packet count or without a context. */
OKA_API int32_t OKA_CALL OKA_ReadTabletY(uint32_t index);

/* ---- View ---------------------------------------------------------------------- */

/** Composite canvas rectangle (x, y, w, h) into a B,G,R picture (stride bytes, may be negative) at the view's zoom and scale, at most view-size columns and rows; 0 without a current layer. */
OKA_API int32_t OKA_CALL OKA_Render(void* dest, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height);
/** Set the magnification N and the reduction scale s (s == N: one to one; s > N: reduce by s; s < N: magnify by N); returns N. */
OKA_API int32_t OKA_CALL OKA_SetScale(int32_t zoom, float scale);
/** Most destination columns and rows one render writes; returns width. */
OKA_API int32_t OKA_CALL OKA_SetViewSize(int32_t width, int32_t height);
/** Store the view offset (not read by the engine); returns x. */
OKA_API int32_t OKA_CALL OKA_SetOffset(int32_t x, int32_t y);
/** Store an area of interest (not read by the engine); returns d. */
OKA_API int32_t OKA_CALL OKA_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d);
/** Average the trace layer into the view when the low byte is non-zero; returns it. */
OKA_API int32_t OKA_CALL OKA_SetTracingMode(int32_t flag);
/** Switch a window's redrawing; 0 without a window system. */
OKA_API int32_t OKA_CALL OKA_SetWindowRedraw(void* window, int32_t flag);
/** Invalidate and redraw a window; 0 without a window system. */
OKA_API int32_t OKA_CALL OKA_RedrawWindow(void* window);

/* ---- System information -------------------------------------------------- */

/** Total physical memory in MiB. */
OKA_API int32_t OKA_CALL OKA_GetTotalPhyMemory(void);
/** Available physical memory in MiB. */
OKA_API int32_t OKA_CALL OKA_GetAvailPhyMemory(void);
/** Commit limit (physical memory plus swap as the kernel counts it) in MiB. */
OKA_API int32_t OKA_CALL OKA_GetTotalPgMemory(void);
/** Commit limit minus committed memory in MiB. */
OKA_API int32_t OKA_CALL OKA_GetAvailPgMemory(void);
/** The process's virtual address space in MiB (the address-space limit when one is set), low 32 bits. */
OKA_API int32_t OKA_CALL OKA_GetTotalVirMemory(void);
/** The process's unused virtual address space in MiB, low 32 bits. */
OKA_API int32_t OKA_CALL OKA_GetAvailVirMemory(void);
/** Desktop face colour 0x00BBGGRR (fixed light grey without a window system). */
OKA_API int32_t OKA_CALL OKA_GetWindowBackgroundColor(void);
/** Desktop text colour 0x00BBGGRR (black without a window system). */
OKA_API int32_t OKA_CALL OKA_GetWindowTextColor(void);
/** Caption height in pixels. */
OKA_API int32_t OKA_CALL OKA_GetWindowCaptionSize(void);
/** Small caption height in pixels. */
OKA_API int32_t OKA_CALL OKA_GetWindowSmallCaptionSize(void);
/** Fixed dialog frame size in pixels. */
OKA_API int32_t OKA_CALL OKA_GetWindowFixedFrameSize(void);
/** 1 when desktop composition is on; always 0 on Linux. */
OKA_API int32_t OKA_CALL OKA_IsCompositionEnabled(void);
/** The system resource directory: the Windows directory on Windows, "/usr/share" on Linux. */
OKA_API const char* OKA_CALL OKA_GetDirInfo(void);
/** Rename a file; 1 on success, 0 on failure or null names. */
OKA_API int32_t OKA_CALL OKA_RenameFile(const char* oldName, const char* newName);
/** Set the host window's restored rectangle (exclusive right/bottom); 0 without a window system. */
OKA_API int32_t OKA_CALL OKA_SetWindowBasePos(int32_t left, int32_t top, int32_t right, int32_t bottom);

#ifdef __cplusplus
}
#endif

#endif /* OKACORE_H */
