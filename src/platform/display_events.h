// The engine's internal window, reduced to its message table. A window
// system back end (or a test) feeds it the events it sees; the engine only
// needs the display-changed flag they set.
#pragma once

#include <cstdint>

namespace oka::platform {

enum class WindowMessage {
    Destroy,
    Close,
    SettingChange,
    UserChanged,
    DisplayChange,
    ActivateApp,
    PowerBroadcast,
    Other,
};

// Handle one message as the internal window procedure would; returns its
// result (0 for every message the engine handles).
intptr_t internal_window_message(WindowMessage msg, uintptr_t wparam) noexcept;

// 1 and clears the flag when it is set, else 0.
int32_t take_display_changed() noexcept;

}  // namespace oka::platform
