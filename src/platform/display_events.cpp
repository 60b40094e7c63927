#include "platform/display_events.h"

#include <atomic>

namespace oka::platform {
namespace {
std::atomic<uint8_t> g_display_changed{0};

// Application activation counts as a display change for wParam 1 and 7;
// power broadcasts only for 7 (resume from suspend).
constexpr uintptr_t kActivateActive = 1;
constexpr uintptr_t kActivateOrResume = 7;
}  // namespace

intptr_t internal_window_message(WindowMessage msg, uintptr_t wparam) noexcept {
    switch (msg) {
        case WindowMessage::SettingChange:
        case WindowMessage::UserChanged:
        case WindowMessage::DisplayChange:
            g_display_changed = 1;
            break;
        case WindowMessage::ActivateApp:
            if (wparam == kActivateActive || wparam == kActivateOrResume) g_display_changed = 1;
            break;
        case WindowMessage::PowerBroadcast:
            if (wparam == kActivateOrResume) g_display_changed = 1;
            break;
        case WindowMessage::Destroy:
        case WindowMessage::Close:
        case WindowMessage::Other:
            break;
    }
    return 0;
}

int32_t take_display_changed() noexcept { return g_display_changed.exchange(0) ? 1 : 0; }

}  // namespace oka::platform
