// Pixel transfer exports: loads, reads, fills, alpha edits, queries, pickers.
#include <cstddef>

#include "api/guard.h"
#include "engine/pixel_transfer.h"

using oka::api::guarded;

namespace {
inline uint8_t* u8(void* p) { return static_cast<uint8_t*>(p); }
inline const uint8_t* cu8(const void* p) { return static_cast<const uint8_t*>(p); }
}  // namespace

extern "C" {

OKA_API void OKA_CALL OKA_Clear(int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("Clear Excpt", [&] { oka::clear_current(r, g, b, a); });
}

OKA_API void OKA_CALL OKA_GetRGBA32Layer(void* dst, int32_t dstStride, int32_t layer) {
    guarded("GetRGBA32Layer Excpt", [&] { oka::get_rgba32_layer(u8(dst), dstStride, layer); });
}

OKA_API void OKA_CALL OKA_GetRGBA64Layer(void* dst, int32_t dstStride, int32_t layer) {
    guarded("GetRGBA64Layer Excpt", [&] { oka::get_rgba64_layer(u8(dst), dstStride, layer); });
}

OKA_API void OKA_CALL OKA_GetRGBA64LayerRect(void* dst, int32_t dstStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("GetRGBA64LayerRect Excpt", [&] { oka::get_rgba64_layer_rect(u8(dst), dstStride, layer, x, y, w, h); });
}

OKA_API void OKA_CALL OKA_SetRGBA64Layer(const void* src, int32_t srcStride, int32_t layer) {
    guarded("SetRGBA64Layer Excpt", [&] { oka::set_rgba64_layer(cu8(src), srcStride, layer); });
}

OKA_API void OKA_CALL OKA_GetLayerData(void* dst, int32_t layer) {
    guarded("GetLayerData Excpt", [&] { oka::get_layer_data(dst, layer); });
}

OKA_API void OKA_CALL OKA_SetLayerData(const void* src, int32_t layer) {
    guarded("SetLayerData Excpt", [&] { oka::set_layer_data(src, layer); });
}

OKA_API void OKA_CALL OKA_CopyLayerData(int32_t srcLayer, int32_t dstLayer) {
    guarded("CopyLayerData Excpt", [&] { oka::copy_layer_data(srcLayer, dstLayer); });
}

OKA_API void OKA_CALL OKA_GetRGB24FromRGBA64Rect(void* dst, int32_t dstStride, const void* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("GetRGB24FromRGBA64Rect Excpt", [&] { oka::rgba64_rect_to_8bit(u8(dst), dstStride, cu8(src), srcStride, w, h, false); (void)x; (void)y; });
}

OKA_API void OKA_CALL OKA_GetRGB24FromRGBA64(void* dst, int32_t dstStride, const void* src, int32_t srcStride) {
    guarded("GetRGB24FromRGBA64 Excpt", [&] { oka::rgba64_rect_to_8bit(u8(dst), dstStride, cu8(src), srcStride, oka::engine().width, oka::engine().height, false); });
}

OKA_API void OKA_CALL OKA_GetRGBA32FromRGBA64Rect(void* dst, int32_t dstStride, const void* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("GetRGBA32FromRGBA64Rect Excpt", [&] { oka::rgba64_rect_to_8bit(u8(dst), dstStride, cu8(src), srcStride, w, h, true); (void)x; (void)y; });
}

OKA_API void OKA_CALL OKA_GetRGBA32FromRGBA64(void* dst, int32_t dstStride, int32_t w, int32_t h, const void* src, int32_t srcStride) {
    guarded("GetRGBA32FromRGBA64 Excpt", [&] { oka::rgba64_rect_to_8bit(u8(dst), dstStride, cu8(src), srcStride, w, h, true); });
}

OKA_API void OKA_CALL OKA_RGBA64RectToRGBA32(const void* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcStridePixels, int32_t reserved, void* dst) {
    guarded("RGBA64RectToRGBA32 Excpt", [&] { oka::rgba64_rect_to_rgba32_clipped(static_cast<const uint16_t*>(src), x, y, w, h, srcStridePixels, u8(dst)); (void)reserved; });
}

OKA_API void OKA_CALL OKA_RGBA64RectToRGBA24(const void* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcStridePixels, int32_t reserved, void* dst) {
    guarded("RGBA64RectToRGBA24 Excpt", [&] { oka::rgba64_rect_to_rgb24(static_cast<const uint16_t*>(src), x, y, w, h, srcStridePixels, u8(dst)); (void)reserved; });
}

OKA_API void OKA_CALL OKA_GetRGB24(void* dst, int32_t dstStride) {
    guarded("GetRGB24 Excpt", [&] { oka::get_layer_8bit(u8(dst), dstStride, oka::current_layer(), oka::Narrow::Rgb24); });
}

OKA_API void OKA_CALL OKA_GetRGB24Layer(void* dst, int32_t dstStride, int32_t layer) {
    guarded("GetRGB24Layer Excpt", [&] { oka::get_layer_8bit(u8(dst), dstStride, oka::present_layer(layer), oka::Narrow::Rgb24); });
}

OKA_API void OKA_CALL OKA_GetRGB24FromAlpha(void* dst, int32_t dstStride) {
    guarded("GetRGB24FromAlpha Excpt", [&] { oka::get_layer_8bit(u8(dst), dstStride, oka::current_layer(), oka::Narrow::AlphaGrey24); });
}

OKA_API void OKA_CALL OKA_GetRGBA32(void* dst, int32_t dstStride) {
    guarded("GetRGBA32 Excpt", [&] { oka::get_layer_8bit(u8(dst), dstStride, oka::current_layer(), oka::Narrow::Rgba32); });
}

OKA_API int32_t OKA_CALL OKA_GetRGBA32LayerCompressed(void* dst, int32_t reserved, int32_t capacity, int32_t layer, int32_t level) {
    return guarded("GetRGBA32Layer Excpt", int32_t{0}, [&]() -> int32_t { (void)reserved; return oka::get_rgba32_layer_compressed(u8(dst), capacity, layer, level); });
}

OKA_API void OKA_CALL OKA_Load(const void* src, int32_t srcStride, int32_t w, int32_t h) {
    guarded("Load Excpt", [&] { oka::load_bgr24(cu8(src), srcStride, w, h); });
}

OKA_API void OKA_CALL OKA_LoadRGB24(const void* src, int32_t srcStride, int32_t weighted) {
    guarded("LoadRGB24 Excpt", [&] { oka::load_rgb24(cu8(src), srcStride, weighted != 0); });
}

OKA_API void OKA_CALL OKA_LoadRGB24ToAlpha(const void* src, int32_t srcStride, int32_t weighted) {
    guarded("LoadRGB24ToAlpha Excpt", [&] { oka::load_rgb24_to_alpha(cu8(src), srcStride, weighted != 0); });
}

OKA_API void OKA_CALL OKA_LoadRGBA32Layer(const void* src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h, int32_t weighted) {
    guarded("LoadRGBA32Layer Excpt", [&] { oka::load_rgba32_layer(cu8(src), srcStride, layer, x, y, w, h, weighted != 0); });
}

OKA_API void OKA_CALL OKA_LoadRGBA32(const void* src, int32_t srcStride, int32_t weighted) {
    guarded("LoadRGBA32 Excpt", [&] { oka::load_rgba32_current(cu8(src), srcStride, weighted != 0); });
}

OKA_API void OKA_CALL OKA_LoadRGBA32Into(const void* src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("LoadRGBA32Into Excpt", [&] { oka::load_rgba32_layer(cu8(src), srcStride, layer, x, y, w, h, true); });
}

OKA_API int32_t OKA_CALL OKA_LoadRGBA32LayerCompressed(const void* src, int32_t reserved, int32_t srcSize, int32_t layer) {
    return guarded("LoadRGBA32LayerCompressed Excpt", int32_t{0}, [&]() -> int32_t { (void)reserved; return oka::load_rgba32_layer_compressed(cu8(src), srcSize, layer); });
}

OKA_API void OKA_CALL OKA_SetPixelRGB24(void* dst, int32_t dstStride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
    guarded("SetPixelRGB24 Excpt", [&] { oka::set_pixel_rgb24(u8(dst), dstStride, x, y, r, g, b); });
}

OKA_API void OKA_CALL OKA_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("ClearMasked Excpt", [&] { oka::clear_masked(r, g, b, a); });
}

OKA_API void OKA_CALL OKA_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("ClearMaskedAlpha Excpt", [&] { oka::clear_masked_alpha(r, g, b, a); });
}

OKA_API void OKA_CALL OKA_ClearRGBA64(void* dst, int32_t dstStride, int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("ClearRGBA64 Excpt", [&] { oka::clear_rgba64(u8(dst), dstStride, r, g, b, a); });
}

OKA_API void OKA_CALL OKA_ClearRGBA32(void* dst, int32_t dstStride, int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("ClearRGBA32 Excpt", [&] { oka::clear_rgba32(u8(dst), dstStride, oka::engine().width, oka::engine().height, r, g, b, a); });
}

OKA_API void OKA_CALL OKA_ClearRGBA32Buf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("ClearRGBA32Buf Excpt", [&] { oka::clear_rgba32(u8(dst), ptrdiff_t{w} * 4, w, h, r, g, b, a); });
}

OKA_API void OKA_CALL OKA_InvertAlpha(int32_t layer) {
    guarded("InvertAlpha Excpt", [&] { oka::invert_alpha(layer); });
}

OKA_API void OKA_CALL OKA_InvertAlpha_RGBA32(void* dst) {
    guarded("InvertAlpha_RGBA32 Excpt", [&] { oka::invert_alpha_rgba32(u8(dst)); });
}

OKA_API void OKA_CALL OKA_SetLayerAlpha(int32_t layer, int32_t alpha) {
    guarded("SetLayerAlpha Excpt", [&] { oka::set_layer_alpha(layer, alpha); });
}

OKA_API void OKA_CALL OKA_NormalizeLayerAlpha(int32_t layer) {
    guarded("NormalizeLayerAlpha Excpt", [&] { oka::normalize_layer_alpha(layer); });
}

OKA_API void OKA_CALL OKA_SetColorAlpha(int32_t r, int32_t g, int32_t b) {
    guarded("SetColorAlpha Excpt", [&] { oka::set_color_alpha(r, g, b); });
}

OKA_API void OKA_CALL OKA_SetColorAlphaRGBABuf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b) {
    guarded("SetColorAlphaRGBABuf Excpt", [&] { oka::set_rgb_in_rgba32(u8(dst), w, h, r, g, b, true); });
}

OKA_API void OKA_CALL OKA_SetColorRGBABuf(void* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b) {
    guarded("SetColorRGBABuf Excpt", [&] { oka::set_rgb_in_rgba32(u8(dst), w, h, r, g, b, false); });
}

OKA_API void OKA_CALL OKA_SetAlphaFromRGBAImageColor(void* dst, int32_t r, int32_t g, int32_t b) {
    guarded("SetAlphaFromRGBAImageColor Excpt", [&] { oka::key_color_to_alpha(u8(dst), r, g, b); });
}

OKA_API void OKA_CALL OKA_FindDataExtentsLayer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) {
    guarded("FindDataExtentsLayer Excpt", [&] { oka::find_data_extents(layer, left, top, right, bottom); });
}

OKA_API int32_t OKA_CALL OKA_IsLayerTransparent(int32_t layer) {
    return guarded("IsLayerTransparent Excpt", int32_t{0}, [&]() -> int32_t { return oka::is_layer_transparent(layer); });
}

OKA_API int32_t OKA_CALL OKA_IsSingleColor(int32_t layer) {
    return guarded("IsSingleColor Excpt", int32_t{0}, [&]() -> int32_t { return oka::is_single_color(layer); });
}

OKA_API int32_t OKA_CALL OKA_GetRed64(int32_t x, int32_t y) {
    return guarded("GetRed64 Excpt", int32_t{0}, [&]() -> int32_t { return oka::current_channel_at(x, y, 0); });
}

OKA_API int32_t OKA_CALL OKA_GetGreen64(int32_t x, int32_t y) {
    return guarded("GetGreen64 Excpt", int32_t{0}, [&]() -> int32_t { return oka::current_channel_at(x, y, 1); });
}

OKA_API int32_t OKA_CALL OKA_GetBlue64(int32_t x, int32_t y) {
    return guarded("GetBlue64 Excpt", int32_t{0}, [&]() -> int32_t { return oka::current_channel_at(x, y, 2); });
}

OKA_API int32_t OKA_CALL OKA_GetAlpha64(int32_t x, int32_t y) {
    return guarded("GetAlpha64 Excpt", int32_t{0}, [&]() -> int32_t { return oka::current_channel_at(x, y, 3); });
}

OKA_API int32_t OKA_CALL OKA_GetMask64(int32_t x, int32_t y) {
    return guarded("GetMask64 Excpt", int32_t{0}, [&]() -> int32_t { return oka::mask_protection_at(x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetRGBAAt(int32_t x, int32_t y, const void* plane) {
    return guarded("GetRGBAAt Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::packed_rgba_at(static_cast<const uint16_t*>(plane), oka::engine().width, oka::engine().height, oka::engine().stride, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetRGBAAtSurface(int32_t x, int32_t y) {
    return guarded("GetRGBAAtSurface Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_rgba(oka::PickSource::Surface, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetRGBAAtUnderLayer(int32_t x, int32_t y) {
    return guarded("GetRGBAAtUnderLayer Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_rgba(oka::PickSource::UnderLayer, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer) {
    return guarded("GetRGBAAtLayer Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_rgba(oka::PickSource::Layer, x, y, layer); });
}

OKA_API uint32_t OKA_CALL OKA_GetRGBAAtTrace(int32_t x, int32_t y) {
    return guarded("GetRGBAAtTrace Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_rgba(oka::PickSource::Trace, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAt(int32_t x, int32_t y, const void* plane) {
    return guarded("GetColorAt Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::packed_argb_at(static_cast<const uint16_t*>(plane), oka::engine().width, oka::engine().height, oka::engine().stride, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAtSurface(int32_t x, int32_t y) {
    return guarded("GetColorAtSurface Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_argb(oka::PickSource::Surface, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAtUnderLayer(int32_t x, int32_t y) {
    return guarded("GetColorAtUnderLayer Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_argb(oka::PickSource::UnderLayer, x, y); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAtLayer(int32_t x, int32_t y, int32_t layer) {
    return guarded("GetColorAtLayer Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_argb(oka::PickSource::Layer, x, y, layer); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAtTrace(int32_t x, int32_t y) {
    return guarded("GetColorAtTrace Excpt", uint32_t{0}, [&]() -> uint32_t { return oka::pick_argb(oka::PickSource::Trace, x, y); });
}

OKA_API int32_t OKA_CALL OKA_GetRGBA32LayerLineRLE(void* dst, int32_t layer, int32_t row) {
    return guarded("GetRGBA32LayerLineRLE Excpt", int32_t{0}, [&]() -> int32_t { return oka::get_layer_line_rle(u8(dst), layer, row); });
}

OKA_API void OKA_CALL OKA_PutRGBA32LayerLineRLE(const void* src, int32_t layer, int32_t row) {
    guarded("PutRGBA32LayerLineRLE Excpt", [&] { oka::put_layer_line_rle(cu8(src), layer, row); });
}

OKA_API int32_t OKA_CALL OKA_GetMaskLineRLE(void* dst, int32_t row) {
    return guarded("GetMaskLineRLE Excpt", int32_t{0}, [&]() -> int32_t { return oka::get_mask_line_rle(u8(dst), row); });
}

OKA_API void OKA_CALL OKA_PutMaskLineRLE(const void* src, int32_t row) {
    guarded("PutMaskLineRLE Excpt", [&] { oka::put_mask_line_rle(cu8(src), row); });
}

OKA_API void OKA_CALL OKA_GetMaskData16(void* dst) {
    guarded("GetMaskData16 Excpt", [&] { oka::get_mask_data16(dst); });
}

OKA_API void OKA_CALL OKA_SetMaskData16(const void* src) {
    guarded("SetMaskData16 Excpt", [&] { oka::set_mask_data16(src); });
}
OKA_API uint32_t OKA_CALL OKA_GetColorAtHistory(int32_t x, int32_t y) {
    return guarded("GetColorAtHistory Excpt", uint32_t{0}, [&] { return oka::pick_argb_history(x, y); });
}

}  // extern "C"
