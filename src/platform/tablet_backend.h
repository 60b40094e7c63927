// What the tablet service needs from the operating system's pen input.
//
// The tablet logic (pressure scaling, the packet buffer, the per-index
// readers) is the same everywhere; only the way pen packets reach the engine
// differs by system. Each system supplies one back end behind this interface
// (see make_system_tablet_backend), and tests install their own.
//
// The interface is deliberately free of any system's types: window handles
// are opaque pointers and contexts are opaque non-zero integers.
#pragma once

#include <cstdint>
#include <memory>

namespace oka::platform {

// One pen packet, four 32-bit fields in this order: status word, x and y in
// screen pixels (y grows downward), normal pressure in the units of the
// pressure axis.
struct TabletPacket {
    uint32_t status = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t pressure = 0;
};
static_assert(sizeof(TabletPacket) == 16, "a packet is four 32-bit fields");

// Status word bits.
inline constexpr uint32_t kTabletStatusOutOfProximity = 0x01;  // pen left the tablet's range
inline constexpr uint32_t kTabletStatusQueueError = 0x02;      // packets were lost before this one
inline constexpr uint32_t kTabletStatusInvert = 0x10;          // the pen's eraser end is in use

// Range of the normal-pressure axis as the device reports it.
struct TabletPressureAxis {
    int32_t min = 0;
    int32_t max = 0;
};

// Opaque handle of an open context; 0 means none.
using TabletContext = std::uintptr_t;

class TabletBackend {
public:
    virtual ~TabletBackend() = default;

    // The pressure axis of the pen device; false when there is no tablet, no
    // access to it or no pressure axis.
    virtual bool pressure_axis(TabletPressureAxis& axis) = 0;

    // Opens an enabled context delivering absolute packets (status, x, y,
    // normal pressure) for the host window; positions are screen pixels with
    // y growing downward. 0 on failure. Contexts stay owned by the back end:
    // one the caller never closes is released with the back end.
    virtual TabletContext open(void* window) = 0;

    // Sets the context's packet queue length; non-zero on success.
    virtual int32_t set_queue_size(TabletContext context, int32_t packets) = 0;

    // Takes up to max_packets of the oldest queued packets off the queue,
    // copying them to out unless out is null (then they are discarded).
    // Returns how many were taken.
    virtual int32_t get_packets(TabletContext context, int32_t max_packets, TabletPacket* out) = 0;

    // Closes the context; non-zero on success.
    virtual int32_t close(TabletContext context) = 0;

    // Screen position of the window's client-area point (0, 0). Returns
    // non-zero on success; on failure x and y are left as they were.
    virtual int32_t client_origin(void* window, int32_t& x, int32_t& y) = 0;
};

// The back end of the system the engine was built for. Each system's
// tablet_*_<system>.cpp defines it.
std::unique_ptr<TabletBackend> make_system_tablet_backend();

// Replaces the back end the tablet service uses and starts the tablet state
// afresh (no context, origin 0, 0, no packets, last pressure 100). A null
// back end means the system one, created again on the next use.
void set_tablet_backend(std::unique_ptr<TabletBackend> backend);

}  // namespace oka::platform
