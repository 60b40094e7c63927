// Pen tablet service on top of the system's tablet back end.
#include "platform/tablet.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/tablet_backend.h"

namespace oka::platform {
namespace {

constexpr uint32_t kPressureAfterReset = 10;
// Pressure regained per read without a fresh packet: a pen that stopped
// reporting climbs back to full pressure in four reads.
constexpr uint32_t kPressureClimb = 25;
// Packets thrown away when a stroke starts: more than any queue holds.
constexpr int32_t kResetDiscard = 1000;

struct TabletState {
    std::unique_ptr<TabletBackend> backend;
    TabletContext context = 0;
    void* window = nullptr;
    int32_t origin_x = 0;
    int32_t origin_y = 0;
    float pressure_scale = 0.0f;
    std::array<TabletPacket, kTabletPacketCapacity> packets{};
    int32_t packet_count = 0;
    uint32_t last_pressure = kTabletFullPressure;
};

TabletState& state() {
    static TabletState s;
    return s;
}

TabletBackend& backend() {
    TabletState& s = state();
    if (!s.backend) s.backend = make_system_tablet_backend();
    return *s.backend;
}

// The packet at index, or null when the index is not below the count of the
// last read (the count never exceeds the buffer).
const TabletPacket* packet_at(uint32_t index) {
    const TabletState& s = state();
    if (!s.context || index >= static_cast<uint32_t>(s.packet_count)) return nullptr;
    return &s.packets[index];
}

// Integer part of raw × scale. The product is formed in double from the
// single-precision scale, so an axis 0..2047 (scale 100/2047 rounded to
// float, slightly below the true value) gives 2047 × scale = 99.999999..,
// i.e. 99. A raw value beyond the axis maximum saturates at full pressure
// instead of overflowing the integer conversion.
uint32_t scaled_pressure(uint32_t raw, float scale) {
    const double p = static_cast<double>(raw) * static_cast<double>(scale);
    if (!(p < static_cast<double>(kTabletFullPressure))) return kTabletFullPressure;
    return static_cast<uint32_t>(p);
}

}  // namespace

void set_tablet_backend(std::unique_ptr<TabletBackend> b) {
    TabletState& s = state();
    s = TabletState{};
    s.backend = std::move(b);
}

int32_t tablet_init(void* window) {
    TabletState& s = state();
    s.window = window;
    TabletBackend& b = backend();
    TabletPressureAxis axis;
    if (!b.pressure_axis(axis)) return 0;
    // scale = 100 / (max − min), the difference taken as unsigned. An axis
    // without extent carries no pressure at all.
    const uint32_t range = static_cast<uint32_t>(axis.max) - static_cast<uint32_t>(axis.min);
    if (range == 0) return 0;
    s.pressure_scale = static_cast<float>(100.0 / static_cast<double>(range));
    // An already open context is left to the back end, which releases it
    // with itself.
    s.context = b.open(window);
    if (!s.context) return 0;
    return b.set_queue_size(s.context, kTabletPacketCapacity);
}

int32_t tablet_set_origin() {
    TabletState& s = state();
    if (!s.context) return 0;
    int32_t x = 0, y = 0;
    const int32_t r = backend().client_origin(s.window, x, y);
    s.origin_x = x;
    s.origin_y = y;
    return r;
}

int32_t tablet_close() {
    TabletState& s = state();
    if (!s.context) return 0;
    const int32_t r = backend().close(s.context);
    s.context = 0;
    return r;
}

int32_t tablet_reset_pressure() {
    TabletState& s = state();
    s.last_pressure = kPressureAfterReset;
    if (!s.context) return 0;
    return backend().get_packets(s.context, kResetDiscard, nullptr);
}

int32_t tablet_read_packets() {
    TabletState& s = state();
    s.packet_count = 0;
    if (!s.context) return 0;
    const int32_t n = backend().get_packets(s.context, kTabletPacketCapacity, s.packets.data());
    s.packet_count = std::clamp(n, 0, kTabletPacketCapacity);
    return s.packet_count;
}

uint32_t tablet_pressure(uint32_t index) {
    TabletState& s = state();
    if (!s.context) return s.last_pressure;
    const TabletPacket* p = packet_at(index);
    if (!p) {
        const uint32_t reported = s.last_pressure;
        s.last_pressure = std::min(s.last_pressure + kPressureClimb, kTabletFullPressure);
        return reported;
    }
    s.last_pressure = std::max(scaled_pressure(p->pressure, s.pressure_scale), 1u);
    return s.last_pressure;
}

uint32_t tablet_raw_pressure(uint32_t index) {
    const TabletPacket* p = packet_at(index);
    return p ? scaled_pressure(p->pressure, state().pressure_scale) : 0;
}

int32_t tablet_is_invert(uint32_t index) {
    const TabletPacket* p = packet_at(index);
    return p && (p->status & kTabletStatusInvert) ? 1 : 0;
}

uint32_t tablet_status(uint32_t index) {
    const TabletPacket* p = packet_at(index);
    return p ? p->status : 0;
}

// Positions relative to the host window's client area; the subtraction wraps
// like the 32-bit arithmetic of the packet fields.
int32_t tablet_x(uint32_t index) {
    const TabletPacket* p = packet_at(index);
    return p ? static_cast<int32_t>(static_cast<uint32_t>(p->x) - static_cast<uint32_t>(state().origin_x)) : 0;
}

int32_t tablet_y(uint32_t index) {
    const TabletPacket* p = packet_at(index);
    return p ? static_cast<int32_t>(static_cast<uint32_t>(p->y) - static_cast<uint32_t>(state().origin_y)) : 0;
}

}  // namespace oka::platform
