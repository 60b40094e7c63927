// Pen tablet service: one context on the host's window, a buffer of the
// packets pulled in the last input cycle, and readers of each packet's
// position, pressure and eraser state.
//
// The host's cycle: tablet_set_origin() when its window moves,
// tablet_read_packets() once per input event, then the per-index readers for
// 0 .. count - 1; tablet_reset_pressure() at the start of a stroke.
#pragma once

#include <cstdint>

namespace oka::platform {

inline constexpr int32_t kTabletPacketCapacity = 256;
inline constexpr uint32_t kTabletFullPressure = 100;

// Opens a context on the window. Returns the queue-size result (non-zero)
// when a context is open, 0 without a tablet, without a usable pressure axis
// or when the context cannot be opened.
int32_t tablet_init(void* window);
// Origin := screen position of the host window's client area.
int32_t tablet_set_origin();
int32_t tablet_close();
int32_t tablet_reset_pressure();
int32_t tablet_read_packets();

// Pressure 1..100 of a packet; beyond the packet count the last pressure,
// which then climbs back towards 100.
uint32_t tablet_pressure(uint32_t index);
// Pressure 0..100 of a packet, not raised to 1 and not remembered.
uint32_t tablet_raw_pressure(uint32_t index);
int32_t tablet_is_invert(uint32_t index);
uint32_t tablet_status(uint32_t index);
int32_t tablet_x(uint32_t index);
int32_t tablet_y(uint32_t index);

}  // namespace oka::platform
