// The engine's last-error text: 512 bytes, always terminated, never cleared
// by the engine itself.
#pragma once

namespace oka {

constexpr int kLastErrorSize = 512;

void set_last_error(const char* text) noexcept;
const char* last_error() noexcept;

}  // namespace oka
