// Host-window services. Without a window system (Linux) they do nothing
// and report 0.
#pragma once

#include <cstdint>

namespace oka::platform {

// Switch the window's redrawing on or off; the window system's result.
int32_t set_window_redraw(void* window, int32_t flag) noexcept;
// Invalidate and erase the whole window and its children; the result.
int32_t redraw_window(void* window) noexcept;

}  // namespace oka::platform
