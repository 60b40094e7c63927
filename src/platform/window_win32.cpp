// Host-window services through the window manager.
#include <windows.h>

#include "platform/window.h"

namespace oka::platform {

int32_t set_window_redraw(void* window, int32_t flag) noexcept {
    // The switch is the flag's low byte.
    const WPARAM on = static_cast<WPARAM>(flag & 0xFF);
    return static_cast<int32_t>(SendMessageA(static_cast<HWND>(window), WM_SETREDRAW, on, 0));
}

int32_t redraw_window(void* window) noexcept {
    return RedrawWindow(static_cast<HWND>(window), nullptr, nullptr,
                        RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace oka::platform
