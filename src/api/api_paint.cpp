// Dab and paint layer exports.
#include "api/guard.h"
#include "brush/dab.h"
#include "brush/paint_layer.h"

using oka::api::guarded;
namespace br = oka::brush;

extern "C" {

OKA_API void OKA_CALL OKA_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
    guarded("DrawDabGrit Excpt", [&] { br::draw_dab(x, y, r, g, b); });
}

OKA_API void OKA_CALL OKA_DrawDabGritMask(int32_t x, int32_t y) {
    guarded("DrawDabGritMask Excpt", [&] { br::draw_mask_dab(x, y); });
}

OKA_API int32_t OKA_CALL OKA_CreatePaintLayer(int32_t opacityPercent, int32_t strengthPercent, const char* modeName) {
    return guarded("CreatePaintLayer Excpt", 0,
                   [&] { return br::create_paint_layer(opacityPercent, strengthPercent, modeName); });
}

OKA_API void OKA_CALL OKA_ClearPaintLayer(void) {
    guarded("ClearPaintLayer Excpt", [&] { br::clear_paint_layer(); });
}

OKA_API void OKA_CALL OKA_ClearPaintLayer_old(void) {
    guarded("ClearPaintLayer_old Excpt", [&] { br::clear_paint_layer_old(); });
}

OKA_API void OKA_CALL OKA_MergePaintLayer(int32_t index) {
    guarded("MergePaintLayer Excpt", [&] { br::merge_paint_layer(index); });
}

OKA_API void OKA_CALL OKA_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    guarded("SetPaintLayerExtents Excpt", [&] { br::set_paint_layer_extents(left, top, right, bottom); });
}

OKA_API void OKA_CALL OKA_SwapPaintLayer(int32_t index) {
    guarded("SwapPaintLayer Excpt", [&] { br::swap_paint_layer(index); });
}

OKA_API void OKA_CALL OKA_DeletePaintLayer(void) {
    guarded("DeletePaintLayer Excpt", [&] { br::delete_paint_layer(); });
}

OKA_API void OKA_CALL OKA_BlurPaintLayerAlpha(void) {
    guarded("BlurPaintLayerAlpha Excpt", [&] { br::blur_paint_layer_alpha(); });
}

}  // extern "C"
