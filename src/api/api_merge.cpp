// Merge mode and layer compositor exports, and the merged-document picker.
#include "api/guard.h"
#include "brush/merge_modes.h"
#include "engine/compositor.h"

using oka::api::guarded;

extern "C" {

OKA_API void OKA_CALL OKA_MergePixel(int32_t* destR, int32_t* destG, int32_t* destB, int32_t* destA, int32_t srcR,
                                     int32_t srcG, int32_t srcB, int32_t srcA, int32_t mode, int32_t strength,
                                     uint8_t keepAlpha) {
    guarded("MergePixel Excpt", [&] {
        oka::merge_pixel(destR, destG, destB, destA, srcR, srcG, srcB, srcA, mode, strength, keepAlpha != 0);
    });
}

OKA_API void OKA_CALL OKA_SetAlphaLayerOpacity(int32_t percent) {
    guarded("SetAlphaLayerOpacity Excpt", [&] { oka::set_alpha_layer_opacity(percent); });
}

OKA_API void OKA_CALL OKA_MergeLayer(int32_t a, int32_t b) {
    guarded("MergeLayer Excpt", [&] { oka::merge_layer(a, b); });
}

OKA_API void OKA_CALL OKA_MergeLayerIntoRect(int32_t a, void* dst, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("MergeLayerIntoRect Excpt",
            [&] { oka::merge_layer_into_rect(a, static_cast<uint16_t*>(dst), x, y, w, h); });
}

OKA_API void OKA_CALL OKA_MergeLayerInto(int32_t a, void* dst) {
    guarded("MergeLayerInto Excpt", [&] { oka::merge_layer_into(a, static_cast<uint16_t*>(dst)); });
}

OKA_API void OKA_CALL OKA_MergeRect(void* dst, int32_t x, int32_t y, int32_t w, int32_t h) {
    guarded("MergeRect Excpt", [&] { oka::merge_rect(static_cast<uint16_t*>(dst), x, y, w, h); });
}

OKA_API void OKA_CALL OKA_Merge(void* dst) {
    guarded("Merge Excpt", [&] { oka::merge_document(static_cast<uint16_t*>(dst)); });
}

OKA_API void OKA_CALL OKA_MergeRGBA32Layer(void* picture, int32_t layer, int32_t mode, int32_t opacity) {
    guarded("OKA_MergeRGBA32Layer Excpt",
            [&] { oka::merge_rgba32_layer(static_cast<const uint8_t*>(picture), layer, mode, opacity); });
}

OKA_API uint32_t OKA_CALL OKA_GetColorAtMerged(int32_t x, int32_t y) {
    return guarded("OKA_GetColorAtMerged Excpt", uint32_t{0}, [&] { return oka::color_at_merged(x, y); });
}

}  // extern "C"
