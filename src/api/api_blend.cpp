// Blend buffer exports.
#include "api/guard.h"
#include "brush/blend_buffers.h"

using oka::api::guarded;

extern "C" {

OKA_API void OKA_CALL OKA_SetBlendBufferCount(int32_t count) {
    guarded("SetBlendBufferCount Excpt", [&] { oka::brush::set_blend_buffer_count(count); });
}

OKA_API void OKA_CALL OKA_SelectBlendBuffer(int32_t index) {
    guarded("SelectBlendBuffer Excpt", [&] { oka::brush::select_blend_buffer(index); });
}

}  // extern "C"
