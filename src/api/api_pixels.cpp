// Pixel transfer exports.
#include "api/guard.h"
#include "engine/pixel_transfer.h"

using oka::api::guarded;

extern "C" {

OKA_API void OKA_CALL OKA_Clear(int32_t r, int32_t g, int32_t b, int32_t a) {
    guarded("Clear Excpt", [&] { oka::clear_current(r, g, b, a); });
}

OKA_API void OKA_CALL OKA_GetRGBA32Layer(void* dst, int32_t dstStride, int32_t layer) {
    guarded("GetRGBA32Layer Excpt",
            [&] { oka::get_rgba32_layer(static_cast<uint8_t*>(dst), dstStride, layer); });
}

}  // extern "C"
