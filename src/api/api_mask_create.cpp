// Exports that build the mask from pixels, turn it back into pixels, and
// convert the host's RGB24 / RGBA32 pictures.
#include "api/guard.h"
#include "mask/mask_from_pixels.h"
#include "mask/picture_convert.h"

using oka::api::guarded;

namespace {
inline const uint8_t* in8(const void* p) noexcept { return static_cast<const uint8_t*>(p); }
inline uint8_t* out8(void* p) noexcept { return static_cast<uint8_t*>(p); }
}  // namespace

extern "C" {

OKA_API void OKA_CALL OKA_CreateMaskFromImage(void) {
    guarded("CreateMaskFromImage Excpt", [&] { oka::mask_from_layer_grey(); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromImageLuma(void) {
    guarded("CreateMaskFromImageLuma Excpt", [&] { oka::mask_from_layer_luma(); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromAlpha(void) {
    guarded("CreateMaskFromAlpha Excpt", [&] { oka::mask_from_layer_alpha(); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageColor(void* picture, int32_t r, int32_t g, int32_t b,
                                                       int32_t strength) {
    guarded("CreateMaskFromRGBAImageColor Excpt", [&] { oka::mark_rgba_colour(in8(picture), r, g, b, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGB24ImageColor(void* picture, int32_t r, int32_t g, int32_t b,
                                                        int32_t strength) {
    guarded("CreateMaskFromRGB24ImageColor Excpt", [&] { oka::mark_rgb24_colour(in8(picture), r, g, b, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageColorRange(void* picture, int32_t r, int32_t g, int32_t b,
                                                            int32_t tolerance, int32_t strength) {
    guarded("CreateMaskFromRGBAImageColorRange Excpt",
            [&] { oka::mark_rgba_colour_range(in8(picture), r, g, b, tolerance, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageAlphaRange(void* picture, int32_t alpha, int32_t tolerance,
                                                            int32_t strength) {
    guarded("CreateMaskFromRGBAImageAlphaRange Excpt",
            [&] { oka::mark_rgba_alpha_range(in8(picture), alpha, tolerance, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageLuminanceRange(void* picture, int32_t r, int32_t g, int32_t b,
                                                                int32_t tolerance, int32_t strength) {
    guarded("CreateMaskFromRGBAImageLuminanceRange Excpt",
            [&] { oka::mark_rgba_luminance_range(in8(picture), r, g, b, tolerance, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageHueRange(void* picture, int32_t r, int32_t g, int32_t b,
                                                          int32_t tolerance, int32_t strength) {
    guarded("CreateMaskFromRGBAImageHueRange Excpt",
            [&] { oka::mark_rgba_hue_range(in8(picture), r, g, b, tolerance, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromRGBAImageHSLRange(void* picture, int32_t r, int32_t g, int32_t b,
                                                          double hueTol, double satTol, double lightTol,
                                                          int32_t strength) {
    guarded("CreateMaskFromRGBAImageHSLRange Excpt",
            [&] { oka::mark_rgba_hsl_range(in8(picture), r, g, b, hueTol, satTol, lightTol, strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromFloodMask(void* floodMap, int32_t strength) {
    guarded("CreateMaskFromFloodMask Excpt", [&] { oka::mark_flood(in8(floodMap), strength); });
}

OKA_API void OKA_CALL OKA_CreateMaskFromDiff_RGBA32(void* a, void* b, int32_t value) {
    guarded("CreateMaskFromDiff_RGBA32 Excpt", [&] { oka::mark_difference(in8(a), in8(b), value); });
}

OKA_API void OKA_CALL OKA_CreateImageFromMask(void) {
    guarded("CreateImageFromMask Excpt", [&] { oka::layer_from_mask(); });
}

OKA_API void OKA_CALL OKA_CreateAlphaFromMask(int32_t kind) {
    guarded("CreateAlphaFromMask Excpt", [&] { oka::layer_alpha_from_mask(kind); });
}

OKA_API void OKA_CALL OKA_ApplyMaskToAlphaRect_RGBA32(void* picture, int32_t stride, int32_t x0, int32_t y0,
                                                      int32_t x1, int32_t y1) {
    guarded("ApplyMaskToAlphaRect_RGBA32 Excpt",
            [&] { oka::apply_mask_to_alpha_rect(out8(picture), stride, x0, y0, x1, y1); });
}

OKA_API void OKA_CALL OKA_ApplyMaskToAlpha_RGBA32(void* picture) {
    guarded("ApplyMaskToAlpha_RGBA32 Excpt", [&] { oka::apply_mask_to_alpha(out8(picture)); });
}

OKA_API void OKA_CALL OKA_ReplaceFromRGBAImageAlphaRange(void* picture, int32_t alpha, int32_t tolerance, int32_t r,
                                                         int32_t g, int32_t b, int32_t a) {
    guarded("ReplaceFromRGBAImageAlphaRange Excpt",
            [&] { oka::replace_alpha_range(out8(picture), alpha, tolerance, r, g, b, a); });
}

OKA_API void OKA_CALL OKA_RGBAlphaToRGB(void* dst, int32_t width, int32_t height, void* src) {
    guarded("RGBAlphaToRGB Excpt", [&] { oka::rgba_alpha_to_rgb24(out8(dst), width, height, in8(src)); });
}

OKA_API void OKA_CALL OKA_RGBToRGBAlpha(void* dst, int32_t width, int32_t height, void* src) {
    guarded("RGBToRGBAlpha Excpt", [&] { oka::rgb24_to_rgba_alpha(out8(dst), width, height, in8(src)); });
}

OKA_API void OKA_CALL OKA_RGBToRGBA(void* dst, int32_t width, int32_t height, void* src) {
    guarded("RGBToRGBA Excpt", [&] { oka::rgb24_to_rgba(out8(dst), width, height, in8(src)); });
}

OKA_API void OKA_CALL OKA_RGBAToRGB(void* dst, int32_t width, int32_t height, void* src) {
    guarded("RGBAToRGB Excpt", [&] { oka::rgba_to_rgb24(out8(dst), width, height, in8(src)); });
}

}  // extern "C"
