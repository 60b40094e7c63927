// Layer table exports.
#include "api/guard.h"
#include "engine/engine_state.h"
#include "engine/layers.h"

using oka::api::guarded;

extern "C" {

OKA_API int32_t OKA_CALL OKA_CreateLayer(int32_t index, int32_t width, int32_t height) {
    return guarded("CreateLayer Excpt", 0, [&] { return oka::create_layer(index, width, height); });
}

OKA_API void OKA_CALL OKA_DeleteLayer(int32_t index) {
    guarded("DeleteLayer Excpt", [&] { oka::delete_layer(index); });
}

OKA_API void OKA_CALL OKA_SetLayer(int32_t index) {
    guarded("SetLayer Excpt", [&] { oka::set_layer(index); });
}

OKA_API void OKA_CALL OKA_SetLayerOptions(int32_t index, uint8_t visible, uint8_t alphaLocked, int32_t opacityPercent,
                                          const char* modeName) {
    guarded("SetLayerOptions Excpt",
            [&] { oka::set_layer_options(index, visible, alphaLocked, opacityPercent, modeName); });
}

OKA_API int32_t OKA_CALL OKA_GetLayerNum(void) { return oka::engine().current_index; }

OKA_API int32_t OKA_CALL OKA_GetLayerCount(void) { return oka::layer_count(); }

OKA_API void OKA_CALL OKA_SwapLayers(int32_t a, int32_t b) {
    guarded("SwapLayers Excpt", [&] { oka::swap_layers(a, b); });
}

OKA_API int32_t OKA_CALL OKA_CreateTexture(int32_t index) {
    return guarded("CreateTexture Excpt", 0, [&] { return oka::create_texture(index); });
}

OKA_API void OKA_CALL OKA_DeleteTexture(void) { oka::delete_texture(); }

}  // extern "C"
