// View exports: rendering and the view settings.
#include "api/guard.h"
#include "display/renderer.h"
#include "platform/window.h"

using oka::api::guarded;
namespace view = oka::display;

extern "C" {

OKA_API int32_t OKA_CALL OKA_Render(void* dest, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height) {
    return guarded("Render Excpt", 0,
                   [&] { return view::render(static_cast<uint8_t*>(dest), stride, x, y, width, height); });
}

OKA_API int32_t OKA_CALL OKA_SetScale(int32_t zoom, float scale) { return view::set_scale(zoom, scale); }
OKA_API int32_t OKA_CALL OKA_SetViewSize(int32_t width, int32_t height) { return view::set_view_size(width, height); }
OKA_API int32_t OKA_CALL OKA_SetOffset(int32_t x, int32_t y) { return view::set_offset(x, y); }
OKA_API int32_t OKA_CALL OKA_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d) { return view::set_aoi(a, b, c, d); }
OKA_API int32_t OKA_CALL OKA_SetTracingMode(int32_t flag) { return view::set_tracing_mode(flag); }

OKA_API int32_t OKA_CALL OKA_SetWindowRedraw(void* window, int32_t flag) {
    return oka::platform::set_window_redraw(window, flag);
}

OKA_API int32_t OKA_CALL OKA_RedrawWindow(void* window) { return oka::platform::redraw_window(window); }

}  // extern "C"
