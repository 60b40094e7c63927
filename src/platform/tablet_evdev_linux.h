// Pen tablets through the Linux input event interface (evdev).
//
// The back end finds a pen device among /dev/input/event* at run time and
// turns its event stream into tablet packets. The event-to-packet decoding is
// kept apart from the device files so that it can be exercised with
// synthetic events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/tablet_backend.h"

namespace oka::platform {

// One input event: the type, code and value of the kernel's record (the
// time stamp is not needed).
struct EvdevEvent {
    uint16_t type = 0;
    uint16_t code = 0;
    int32_t value = 0;
};

struct EvdevAxisRange {
    int32_t min = 0;
    int32_t max = 0;
};

// Where the device's axes map to. A screen size of 0 leaves positions in
// device units counted from the axis minimum.
struct EvdevPenGeometry {
    EvdevAxisRange x;
    EvdevAxisRange y;
    EvdevAxisRange pressure;
    int32_t screen_width = 0;
    int32_t screen_height = 0;
};

// The device's state as read back with the state queries after the kernel
// dropped events.
struct EvdevPenSnapshot {
    int32_t x = 0;
    int32_t y = 0;
    int32_t pressure = 0;
    bool pen = false;     // a pen-type tool is in proximity
    bool rubber = false;  // the eraser end is in proximity
};

// Turns one device's event stream into packets: one packet per report
// (SYN_REPORT) while a tool is in proximity, and one marked out of proximity
// when it leaves. The queue keeps the newest packets up to its limit.
class EvdevPenDecoder {
public:
    explicit EvdevPenDecoder(const EvdevPenGeometry& geometry);

    // Queue length in packets (at least 1); the oldest packets beyond it are
    // dropped.
    void set_queue_limit(std::size_t packets);
    void feed(const EvdevEvent& e);
    // True after the kernel reported lost events and the report they belong
    // to has ended; the caller then passes the device state to resync().
    bool needs_resync() const { return needs_resync_; }
    // Takes over the device state. With emit, a packet for that state is
    // queued (flagged as following lost packets).
    void resync(const EvdevPenSnapshot& s, bool emit);
    int32_t take(int32_t max_packets, TabletPacket* out);
    std::size_t queued() const { return queue_.size(); }

    // Normal pressure in axis units counted from the axis minimum, clamped to
    // the axis.
    uint32_t pressure_units(int32_t value) const;
    int32_t screen_x(int32_t value) const;
    int32_t screen_y(int32_t value) const;

private:
    void report();
    void push(TabletPacket p);

    EvdevPenGeometry geometry_;
    std::deque<TabletPacket> queue_;
    std::size_t limit_ = 8;
    int32_t x_ = 0;
    int32_t y_ = 0;
    int32_t pressure_ = 0;
    bool pen_ = false;
    bool rubber_ = false;
    bool was_near_ = false;
    bool was_rubber_ = false;
    bool changed_ = false;
    bool dropping_ = false;
    bool needs_resync_ = false;
    bool lost_ = false;
};

// The evdev back end scanning the given directory for event devices.
std::unique_ptr<TabletBackend> make_evdev_tablet_backend(const char* directory = "/dev/input");

}  // namespace oka::platform
