// Blend buffer exports: the smudge colour memory.
#include "api/guard.h"
#include "brush/blend_buffers.h"

using oka::api::guarded;
namespace bb = oka::brush;

extern "C" {

OKA_API void OKA_CALL OKA_SetBlendBufferCount(int32_t count) {
    guarded("SetBlendBufferCount Excpt", [&] { bb::set_blend_buffer_count(count); });
}

OKA_API void OKA_CALL OKA_SelectBlendBuffer(int32_t index) {
    guarded("SelectBlendBuffer Excpt", [&] { bb::select_blend_buffer(index); });
}

OKA_API void OKA_CALL OKA_DoCopyBlendBuffer(int32_t x, int32_t y, const void* plane, int32_t weight, int32_t flag) {
    guarded("DoCopyBlendBuffer Excpt", [&] { bb::copy_blend_buffer(x, y, bb::host_plane(plane), weight, uint32_t(flag)); });
}

OKA_API void OKA_CALL OKA_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t weight, int32_t flag) {
    guarded("CopyBlendBufferSurface Excpt",
            [&] { bb::copy_blend_buffer(x, y, bb::layer_plane(oka::current_layer()), weight, uint32_t(flag)); });
}

OKA_API void OKA_CALL OKA_CopyBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t weight) {
    guarded("CopyBlendBufferLayer Excpt",
            [&] { bb::copy_blend_buffer(x, y, bb::layer_plane(oka::present_layer(layer)), weight, 0); });
}

OKA_API void OKA_CALL OKA_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t weight) {
    guarded("CopyBlendBufferHistory Excpt", [&] { bb::copy_blend_buffer(x, y, bb::history_plane(), weight, 0); });
}

OKA_API void OKA_CALL OKA_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t weight) {
    guarded("CopyBlendBufferUnderLayer Excpt", [&] { bb::copy_blend_buffer(x, y, bb::history_plane(), weight, 0); });
}

OKA_API void OKA_CALL OKA_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t weight) {
    guarded("CopyBlendBufferTrace Excpt",
            [&] { bb::copy_blend_buffer(x, y, bb::layer_plane(oka::engine().trace), weight, 0); });
}

OKA_API void OKA_CALL OKA_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t weight) {
    guarded("DoCopyBlendBufferMask Excpt", [&] { bb::copy_blend_buffer_mask(x, y, weight); });
}

OKA_API void OKA_CALL OKA_DoMixBlendBuffer(int32_t x, int32_t y, const void* plane, int32_t strength) {
    guarded("DoMixBlendBuffer Excpt", [&] { bb::mix_blend_buffer(x, y, bb::host_plane(plane), strength); });
}

OKA_API void OKA_CALL OKA_MixBlendBufferSurface(int32_t x, int32_t y, int32_t strength) {
    guarded("MixBlendBufferSurface Excpt",
            [&] { bb::mix_blend_buffer(x, y, bb::layer_plane(oka::current_layer()), strength); });
}

OKA_API void OKA_CALL OKA_MixBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength) {
    guarded("MixBlendBufferLayer Excpt",
            [&] { bb::mix_blend_buffer(x, y, bb::layer_plane(oka::present_layer(layer)), strength); });
}

OKA_API void OKA_CALL OKA_MixBlendBufferHistory(int32_t x, int32_t y, int32_t strength) {
    guarded("MixBlendBufferHistory Excpt", [&] { bb::mix_blend_buffer(x, y, bb::history_plane(), strength); });
}

OKA_API void OKA_CALL OKA_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength) {
    guarded("MixBlendBufferUnderLayer Excpt", [&] { bb::mix_blend_buffer(x, y, bb::history_plane(), strength); });
}

OKA_API void OKA_CALL OKA_MixBlendBufferTrace(int32_t x, int32_t y, int32_t strength) {
    guarded("MixBlendBufferTrace Excpt",
            [&] { bb::mix_blend_buffer(x, y, bb::layer_plane(oka::engine().trace), strength); });
}

OKA_API void OKA_CALL OKA_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t reserved,
                                             int32_t strength) {
    (void)reserved;
    guarded("DoColorBlendBuffer Excpt", [&] { bb::colour_blend_buffer(x, y, r, g, b, strength); });
}

OKA_API void OKA_CALL OKA_ClearBlendBuffer(void) {
    guarded("ClearBlendBuffer Excpt", [&] { bb::clear_blend_buffer(); });
}

OKA_API void OKA_CALL OKA_FillBlendBuffer(int32_t a, int32_t b, int32_t c, int32_t d) {
    (void)a, (void)b;
    guarded("FillBlendBuffer Excpt", [&] { bb::fill_blend_buffer(c, d); });
}

OKA_API void OKA_CALL OKA_FilterBlendBuffer(int32_t kind, int32_t percent) {
    guarded("FilterBlendBuffer Excpt", [&] { bb::filter_blend_buffer(kind, percent); });
}

OKA_API int32_t OKA_CALL OKA_SetMixMode(uint32_t type, uint32_t value) {
    return guarded("SetMixMode Excpt", 0, [&] { return bb::set_mix_mode(type, value); });
}

}  // extern "C"
