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
