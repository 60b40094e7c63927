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
 *   - The host calls from one thread; calls must not overlap.
 */
#ifndef OKACORE_H
#define OKACORE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define OKA_CALL __stdcall
#  if defined(OKACORE_BUILDING)
#    define OKA_API __declspec(dllexport)
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

/* ---- Undo history and fade --------------------------------------------------- */

/* ---- Selection mask store ---------------------------------------------------- */

/* ---- Run-length row codecs --------------------------------------------------- */

/* ---- Merge modes and layer compositor ---------------------------------------- */

/* ---- Tool and brush state ---------------------------------------------------- */

/* ---- Colour models and masks from pixels ------------------------------------- */

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
