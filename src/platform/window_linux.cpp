#include "platform/window.h"

namespace oka::platform {

int32_t set_window_redraw(void*, int32_t) noexcept { return 0; }
int32_t redraw_window(void*) noexcept { return 0; }

}  // namespace oka::platform
