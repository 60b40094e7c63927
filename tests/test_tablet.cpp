// Tablet input: the exports over a scripted back end, the evdev decoder with
// synthetic events, and the real evdev back end on a machine without a pen.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "okacore.h"
#include "platform/tablet_backend.h"

#if defined(__linux__)
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/tablet_evdev_linux.h"
#endif

namespace {

using oka::platform::TabletBackend;
using oka::platform::TabletContext;
using oka::platform::TabletPacket;
using oka::platform::TabletPressureAxis;

// What the scripted back end answers and what it was asked; shared with the
// test after the back end has been handed to the engine.
struct Script {
    bool has_axis = true;
    TabletPressureAxis axis{0, 1023};
    TabletContext open_result = 7;
    int32_t queue_result = 1;
    int32_t close_result = 1;
    int32_t origin_result = 1;
    int32_t origin_x = 0;
    int32_t origin_y = 0;
    int32_t claimed_count = -1;  // >= 0: get_packets reports this count regardless
    bool throw_on_get = false;
    std::deque<TabletPacket> queue;

    int opens = 0;
    void* opened_window = nullptr;
    int32_t queue_size = 0;
    std::vector<TabletContext> closed;
    struct Get {
        int32_t max;
        bool copied;
    };
    std::vector<Get> gets;
    void* origin_window = nullptr;
};

class ScriptedBackend final : public TabletBackend {
public:
    explicit ScriptedBackend(std::shared_ptr<Script> s) : s_(std::move(s)) {}
    bool pressure_axis(TabletPressureAxis& axis) override {
        if (s_->has_axis) axis = s_->axis;
        return s_->has_axis;
    }
    TabletContext open(void* window) override {
        ++s_->opens;
        s_->opened_window = window;
        return s_->open_result;
    }
    int32_t set_queue_size(TabletContext, int32_t packets) override {
        s_->queue_size = packets;
        return s_->queue_result;
    }
    int32_t get_packets(TabletContext, int32_t max_packets, TabletPacket* out) override {
        if (s_->throw_on_get) throw std::runtime_error("device gone");
        s_->gets.push_back({max_packets, out != nullptr});
        int32_t n = 0;
        while (n < max_packets && !s_->queue.empty()) {
            if (out) out[n] = s_->queue.front();
            s_->queue.pop_front();
            ++n;
        }
        return s_->claimed_count >= 0 ? s_->claimed_count : n;
    }
    int32_t close(TabletContext context) override {
        s_->closed.push_back(context);
        return s_->close_result;
    }
    int32_t client_origin(void* window, int32_t& x, int32_t& y) override {
        s_->origin_window = window;
        if (s_->origin_result) {
            x = s_->origin_x;
            y = s_->origin_y;
        }
        return s_->origin_result;
    }

private:
    std::shared_ptr<Script> s_;
};

void* const kWindow = reinterpret_cast<void*>(uintptr_t{0x1234});

class Tablet : public ::testing::Test {
protected:
    void SetUp() override {
        script = std::make_shared<Script>();
        oka::platform::set_tablet_backend(std::make_unique<ScriptedBackend>(script));
    }
    void TearDown() override { oka::platform::set_tablet_backend(nullptr); }

    void queue(std::initializer_list<TabletPacket> packets) {
        for (const TabletPacket& p : packets) script->queue.push_back(p);
    }
    // Opens a context on the scripted axis and reads the given packets.
    int32_t open_with(std::initializer_list<TabletPacket> packets) {
        EXPECT_NE(OKA_InitTablet(kWindow), 0);
        queue(packets);
        return OKA_ReadTabletPackets();
    }

    std::shared_ptr<Script> script;
};

// Every reader's answer while no context is open.
void expect_reader_defaults(uint32_t index, int32_t pressure) {
    SCOPED_TRACE(index);
    EXPECT_EQ(OKA_ReadTabletPressure(index), pressure);
    EXPECT_EQ(OKA_ReadRawTabletPressure(index), 0);
    EXPECT_EQ(OKA_IsPacketInvert(index), 0);
    EXPECT_EQ(OKA_PacketStatus(index), 0u);
    EXPECT_EQ(OKA_ReadTabletX(index), 0);
    EXPECT_EQ(OKA_ReadTabletY(index), 0);
}

TEST_F(Tablet, WithoutAContextEveryCallGivesItsDefault) {
    for (uint32_t index : {0u, 1u, 255u, 256u}) expect_reader_defaults(index, 100);
    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
    EXPECT_EQ(OKA_SetTabletOrigin(), 0);
    EXPECT_EQ(OKA_CloseTablet(), 0);
    // The reset still sets the starting pressure; without a context the
    // pressure then stays where it is instead of climbing.
    EXPECT_EQ(OKA_ResetTabletPressure(), 0);
    EXPECT_EQ(OKA_ReadTabletPressure(0), 10);
    EXPECT_EQ(OKA_ReadTabletPressure(0), 10);
    EXPECT_TRUE(script->gets.empty());
    EXPECT_TRUE(script->closed.empty());
    EXPECT_EQ(script->origin_window, nullptr);
}

TEST_F(Tablet, InitFailsWithoutAUsablePressureAxis) {
    struct Case {
        bool has_axis;
        TabletPressureAxis axis;
    };
    for (const Case& c : {Case{false, {0, 1023}}, Case{true, {0, 0}}, Case{true, {512, 512}}}) {
        SetUp();
        script->has_axis = c.has_axis;
        script->axis = c.axis;
        script->queue.push_back({0, 5, 5, 1023});
        EXPECT_EQ(OKA_InitTablet(kWindow), 0);
        EXPECT_EQ(script->opens, 0);
        EXPECT_EQ(OKA_ReadTabletPackets(), 0);
        expect_reader_defaults(0, 100);
    }
}

TEST_F(Tablet, InitOpensTheContextWithA256PacketQueue) {
    script->queue_result = 1;
    EXPECT_EQ(OKA_InitTablet(kWindow), 1);
    EXPECT_EQ(script->opens, 1);
    EXPECT_EQ(script->opened_window, kWindow);
    EXPECT_EQ(script->queue_size, 256);
}

TEST_F(Tablet, InitReturnsTheQueueResultButKeepsTheContext) {
    script->queue_result = 0;
    EXPECT_EQ(OKA_InitTablet(kWindow), 0);
    queue({{0, 1, 2, 1023}});
    EXPECT_EQ(OKA_ReadTabletPackets(), 1);
    EXPECT_EQ(OKA_ReadTabletX(0), 1);
}

TEST_F(Tablet, InitReturnsZeroWhenTheContextCannotBeOpened) {
    script->open_result = 0;
    EXPECT_EQ(OKA_InitTablet(kWindow), 0);
    EXPECT_EQ(script->queue_size, 0);
    queue({{0, 1, 2, 1023}});
    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
    EXPECT_TRUE(script->gets.empty());
}

TEST_F(Tablet, SecondInitLeavesTheFirstContextOpen) {
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    script->open_result = 9;
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    EXPECT_EQ(script->opens, 2);
    EXPECT_TRUE(script->closed.empty());
    EXPECT_EQ(OKA_CloseTablet(), 1);
    EXPECT_EQ(script->closed, std::vector<TabletContext>{9});
}

// pressure = trunc(raw × float(100 / (max − min))), raised to 1; the raw
// reader skips the raise.
TEST_F(Tablet, PressureScale) {
    struct Case {
        TabletPressureAxis axis;
        uint32_t raw;
        int32_t pressure;
        int32_t raw_pressure;
    };
    const Case cases[] = {
        {{0, 1023}, 1023, 100, 100},
        {{0, 1023}, 5, 1, 0},  // 0.488 truncates to 0
        {{0, 1023}, 0, 1, 0},
        {{0, 1023}, 512, 50, 50},  // 50.05
        {{0, 1023}, 11, 1, 1},     // 1.075
        {{0, 2047}, 2047, 99, 99},  // float scale is just below 100/2047
        {{0, 2047}, 1024, 50, 50},  // 50.024
        {{100, 1123}, 1023, 100, 100},
        {{0, 255}, 128, 50, 50},  // 50.196
        // A minimum above the maximum wraps the unsigned range to
        // 2^32 − 5: every pressure is below 1.
        {{10, 5}, 1000000, 1, 0},
        // Raw values beyond the axis saturate at full pressure.
        {{0, 1023}, 5000, 100, 100},
        {{0, 1}, 0xFFFFFFFFu, 100, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.axis.min << ".." << c.axis.max << " raw " << c.raw);
        SetUp();
        script->axis = c.axis;
        ASSERT_EQ(open_with({{0, 0, 0, c.raw}}), 1);
        EXPECT_EQ(OKA_ReadRawTabletPressure(0), c.raw_pressure);
        EXPECT_EQ(OKA_ReadTabletPressure(0), c.pressure);
    }
}

TEST_F(Tablet, PressureClimbsBackWithoutFreshPackets) {
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    queue({{0, 0, 0, 1}, {0, 0, 0, 2}, {0, 0, 0, 3}});
    EXPECT_EQ(OKA_ResetTabletPressure(), 3);
    ASSERT_EQ(script->gets.size(), 1u);
    EXPECT_EQ(script->gets[0].max, 1000);
    EXPECT_FALSE(script->gets[0].copied);
    EXPECT_TRUE(script->queue.empty());

    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
    for (int32_t expected : {10, 35, 60, 85, 100, 100}) EXPECT_EQ(OKA_ReadTabletPressure(0), expected);

    // A fresh packet sets the last pressure; reading beyond the count
    // reports it once more and climbs from there.
    queue({{0, 0, 0, 5}});
    ASSERT_EQ(OKA_ReadTabletPackets(), 1);
    EXPECT_EQ(OKA_ReadTabletPressure(0), 1);
    EXPECT_EQ(OKA_ReadTabletPressure(1), 1);
    EXPECT_EQ(OKA_ReadTabletPressure(1), 26);
    // The raw reader leaves the last pressure alone.
    EXPECT_EQ(OKA_ReadRawTabletPressure(0), 0);
    EXPECT_EQ(OKA_ReadTabletPressure(7), 51);
}

TEST_F(Tablet, PacketsAreReadByIndexBelowTheCount) {
    ASSERT_EQ(open_with({{0x00, 10, 20, 1023}, {0x10, -5, 30, 512}, {0x21, 40, -7, 0}}), 3);
    ASSERT_EQ(script->gets.back().max, 256);
    const struct {
        uint32_t status;
        int32_t x, y, invert, raw;
    } expected[] = {{0x00, 10, 20, 0, 100}, {0x10, -5, 30, 1, 50}, {0x21, 40, -7, 0, 0}};
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(OKA_PacketStatus(i), expected[i].status);
        EXPECT_EQ(OKA_ReadTabletX(i), expected[i].x);
        EXPECT_EQ(OKA_ReadTabletY(i), expected[i].y);
        EXPECT_EQ(OKA_IsPacketInvert(i), expected[i].invert);
        EXPECT_EQ(OKA_ReadRawTabletPressure(i), expected[i].raw);
    }
    // At or beyond the count, inside or outside the buffer: 0.
    for (uint32_t i : {3u, 255u, 256u, 1000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(OKA_PacketStatus(i), 0u);
        EXPECT_EQ(OKA_ReadTabletX(i), 0);
        EXPECT_EQ(OKA_ReadTabletY(i), 0);
        EXPECT_EQ(OKA_IsPacketInvert(i), 0);
        EXPECT_EQ(OKA_ReadRawTabletPressure(i), 0);
    }
    // A later, shorter read hides the older packets still in the buffer.
    queue({{0x10, 1, 1, 1}});
    EXPECT_EQ(OKA_ReadTabletPackets(), 1);
    EXPECT_EQ(OKA_ReadTabletX(1), 0);
    EXPECT_EQ(OKA_PacketStatus(2), 0u);
}

TEST_F(Tablet, AFullQueueIsReadIn256PacketSteps) {
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    for (int32_t i = 0; i < 300; ++i) script->queue.push_back({0, i, -i, 0});
    EXPECT_EQ(OKA_ReadTabletPackets(), 256);
    EXPECT_EQ(OKA_ReadTabletX(255), 255);
    EXPECT_EQ(OKA_ReadTabletY(255), -255);
    EXPECT_EQ(OKA_ReadTabletPackets(), 44);
    EXPECT_EQ(OKA_ReadTabletX(43), 299);
    EXPECT_EQ(OKA_ReadTabletX(44), 0);
    // A back end claiming more packets than the buffer holds cannot widen
    // the readable range past it.
    script->claimed_count = 100000;
    EXPECT_EQ(OKA_ReadTabletPackets(), 256);
    EXPECT_EQ(OKA_ReadTabletX(256), 0);
    script->claimed_count = -3;
    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
}

TEST_F(Tablet, InvertFollowsStatusBit0x10) {
    const struct {
        uint32_t status;
        int32_t invert;
    } cases[] = {{0x10, 1}, {0x20, 0}, {0x00, 0}, {0x11, 1}, {0x0F, 0}, {0xFFFFFFFF, 1}};
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    for (const auto& c : cases) script->queue.push_back({c.status, 0, 0, 0});
    ASSERT_EQ(OKA_ReadTabletPackets(), 6);
    for (uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(OKA_IsPacketInvert(i), cases[i].invert) << std::hex << cases[i].status;
        EXPECT_EQ(OKA_PacketStatus(i), cases[i].status);
    }
}

TEST_F(Tablet, PositionsAreRelativeToTheClientOrigin) {
    ASSERT_EQ(open_with({{0, 130, 70, 0}}), 1);
    // Before any origin is set it is 0, 0.
    EXPECT_EQ(OKA_ReadTabletX(0), 130);
    EXPECT_EQ(OKA_ReadTabletY(0), 70);
    script->origin_x = 100;
    script->origin_y = 50;
    EXPECT_EQ(OKA_SetTabletOrigin(), 1);
    EXPECT_EQ(script->origin_window, kWindow);
    EXPECT_EQ(OKA_ReadTabletX(0), 30);
    EXPECT_EQ(OKA_ReadTabletY(0), 20);
    // A failed lookup leaves the origin at the point's starting value, 0, 0.
    script->origin_result = 0;
    EXPECT_EQ(OKA_SetTabletOrigin(), 0);
    EXPECT_EQ(OKA_ReadTabletX(0), 130);
    EXPECT_EQ(OKA_ReadTabletY(0), 70);
}

TEST_F(Tablet, CloseEndsTheContext) {
    ASSERT_EQ(open_with({{0x10, 3, 4, 1023}}), 1);
    script->close_result = 1;
    EXPECT_EQ(OKA_CloseTablet(), 1);
    EXPECT_EQ(script->closed, std::vector<TabletContext>{7});
    // The buffer is no longer readable and nothing reaches the back end.
    const std::size_t gets = script->gets.size();
    queue({{0, 1, 1, 1}});
    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
    EXPECT_EQ(OKA_ResetTabletPressure(), 0);
    EXPECT_EQ(script->gets.size(), gets);
    expect_reader_defaults(0, 10);
    EXPECT_EQ(OKA_CloseTablet(), 0);
    EXPECT_EQ(script->closed.size(), 1u);
}

TEST_F(Tablet, BackEndFailureIsCaughtAtTheExport) {
    EXPECT_NE(OKA_InitTablet(kWindow), 0);
    script->throw_on_get = true;
    EXPECT_EQ(OKA_ReadTabletPackets(), 0);
    EXPECT_STREQ(OKA_GetLastError(), "ReadTabletPackets Excpt");
    EXPECT_EQ(OKA_ResetTabletPressure(), 0);
    EXPECT_STREQ(OKA_GetLastError(), "ResetTabletPressure Excpt");
}

#if defined(__linux__)

using oka::platform::EvdevEvent;
using oka::platform::EvdevPenDecoder;
using oka::platform::EvdevPenGeometry;
using oka::platform::EvdevPenSnapshot;
using oka::platform::kTabletStatusInvert;
using oka::platform::kTabletStatusOutOfProximity;
using oka::platform::kTabletStatusQueueError;

// A 10000 × 6000 unit tablet with pressure 0..2047 on a 1000 × 600 screen.
EvdevPenGeometry test_geometry() {
    EvdevPenGeometry g;
    g.x = {0, 9999};
    g.y = {0, 5999};
    g.pressure = {0, 2047};
    g.screen_width = 1000;
    g.screen_height = 600;
    return g;
}

constexpr EvdevEvent kSyn{EV_SYN, SYN_REPORT, 0};
EvdevEvent abs_event(uint16_t code, int32_t v) { return {EV_ABS, code, v}; }
EvdevEvent key_event(uint16_t code, int32_t v) { return {EV_KEY, code, v}; }

void feed(EvdevPenDecoder& d, std::initializer_list<EvdevEvent> events) {
    for (const EvdevEvent& e : events) d.feed(e);
}

std::vector<TabletPacket> take_all(EvdevPenDecoder& d) {
    std::vector<TabletPacket> out(d.queued());
    const int32_t n = d.take(static_cast<int32_t>(out.size()), out.data());
    out.resize(static_cast<std::size_t>(n));
    return out;
}

TEST(EvdevDecoder, AxesMapOntoTheScreen) {
    EvdevPenGeometry g = test_geometry();
    g.pressure = {10, 1033};
    const EvdevPenDecoder d(g);
    // pixel = (v − min) × n / (max − min + 1), clamped to the screen.
    EXPECT_EQ(d.screen_x(0), 0);
    EXPECT_EQ(d.screen_x(5000), 500);
    EXPECT_EQ(d.screen_x(9999), 999);
    EXPECT_EQ(d.screen_x(12000), 999);
    EXPECT_EQ(d.screen_x(-40), 0);
    EXPECT_EQ(d.screen_y(5999), 599);
    EXPECT_EQ(d.screen_y(2999), 299);  // 2999 × 600 / 6000 = 299.9
    // Pressure counted from the axis minimum and kept on the axis.
    EXPECT_EQ(d.pressure_units(10), 0u);
    EXPECT_EQ(d.pressure_units(5), 0u);
    EXPECT_EQ(d.pressure_units(1033), 1023u);
    EXPECT_EQ(d.pressure_units(4000), 1023u);

    EvdevPenGeometry units = test_geometry();
    units.x = {-100, 100};
    units.screen_width = 0;
    EXPECT_EQ(EvdevPenDecoder(units).screen_x(-100), 0);
    EXPECT_EQ(EvdevPenDecoder(units).screen_x(50), 150);
}

TEST(EvdevDecoder, PenStrokeEraserAndLeaving) {
    EvdevPenDecoder d(test_geometry());
    d.set_queue_limit(256);
    // Movement while no tool is near gives nothing.
    feed(d, {abs_event(ABS_X, 100), kSyn});
    EXPECT_EQ(d.queued(), 0u);
    feed(d, {key_event(BTN_TOOL_PEN, 1), abs_event(ABS_X, 1000), abs_event(ABS_Y, 3000), abs_event(ABS_PRESSURE, 0),
             kSyn,                                         // hover
             abs_event(ABS_PRESSURE, 2047), kSyn,          // touch
             kSyn,                                         // nothing changed
             abs_event(ABS_X, 2000), kSyn,                 // move
             key_event(BTN_TOOL_PEN, 0), key_event(BTN_TOOL_RUBBER, 1), abs_event(ABS_PRESSURE, 700), kSyn,
             key_event(BTN_TOOL_RUBBER, 0), abs_event(ABS_PRESSURE, 0), kSyn,  // eraser leaves
             abs_event(ABS_X, 50), kSyn});                                      // out of range again
    const std::vector<TabletPacket> p = take_all(d);
    ASSERT_EQ(p.size(), 5u);
    const TabletPacket expected[] = {
        {0, 100, 300, 0},
        {0, 100, 300, 2047},
        {0, 200, 300, 2047},
        {kTabletStatusInvert, 200, 300, 700},
        {kTabletStatusOutOfProximity | kTabletStatusInvert, 200, 300, 0},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(p[i].status, expected[i].status);
        EXPECT_EQ(p[i].x, expected[i].x);
        EXPECT_EQ(p[i].y, expected[i].y);
        EXPECT_EQ(p[i].pressure, expected[i].pressure);
    }
}

TEST(EvdevDecoder, OverflowKeepsTheNewestAndFlagsTheLoss) {
    EvdevPenDecoder d(test_geometry());
    d.set_queue_limit(2);
    feed(d, {key_event(BTN_TOOL_PEN, 1), abs_event(ABS_X, 0), kSyn, abs_event(ABS_X, 10), kSyn,
             abs_event(ABS_X, 20), kSyn});
    ASSERT_EQ(d.queued(), 2u);
    // Taking with no destination discards.
    EXPECT_EQ(d.take(1, nullptr), 1);
    TabletPacket p;
    EXPECT_EQ(d.take(5, &p), 1);
    EXPECT_EQ(p.x, 2);
    EXPECT_EQ(p.status, kTabletStatusQueueError);
    EXPECT_EQ(d.take(5, &p), 0);
}

TEST(EvdevDecoder, DroppedEventsResyncFromTheDeviceState) {
    EvdevPenDecoder d(test_geometry());
    d.set_queue_limit(16);
    feed(d, {key_event(BTN_TOOL_PEN, 1), abs_event(ABS_X, 1000), kSyn});
    feed(d, {{EV_SYN, SYN_DROPPED, 0}, abs_event(ABS_X, 9000), kSyn});
    EXPECT_TRUE(d.needs_resync());
    EvdevPenSnapshot s;
    s.x = 3000;
    s.y = 600;
    s.pressure = 1024;
    s.rubber = true;
    d.resync(s, true);
    EXPECT_FALSE(d.needs_resync());
    const std::vector<TabletPacket> p = take_all(d);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].x, 100);
    EXPECT_EQ(p[1].status, kTabletStatusQueueError | kTabletStatusInvert);
    EXPECT_EQ(p[1].x, 300);
    EXPECT_EQ(p[1].y, 60);
    EXPECT_EQ(p[1].pressure, 1024u);
}

// The real back end over device directories that hold no pen: none at all,
// an empty one, and a plain file posing as an event device.
TEST(EvdevTablet, NoPenMeansNoTablet) {
    const std::string dir = ::testing::TempDir() + "oka_tablet_input";
    ::mkdir(dir.c_str(), 0700);
    const std::string fake = dir + "/event0";
    if (FILE* f = std::fopen(fake.c_str(), "w")) {
        std::fputs("not a device", f);
        std::fclose(f);
    }
    for (const std::string& d : {std::string("/nonexistent/input"), dir}) {
        SCOPED_TRACE(d);
        oka::platform::set_tablet_backend(oka::platform::make_evdev_tablet_backend(d.c_str()));
        EXPECT_EQ(OKA_InitTablet(kWindow), 0);
        EXPECT_EQ(OKA_ReadTabletPackets(), 0);
        EXPECT_EQ(OKA_ReadTabletPressure(0), 100);
        EXPECT_EQ(OKA_CloseTablet(), 0);
    }
    std::remove(fake.c_str());
    ::rmdir(dir.c_str());
    oka::platform::set_tablet_backend(nullptr);
}

TEST(EvdevTablet, SystemBackEndOnThisMachine) {
    oka::platform::set_tablet_backend(nullptr);
    TabletPressureAxis axis;
    if (oka::platform::make_system_tablet_backend()->pressure_axis(axis)) GTEST_SKIP() << "a pen tablet is attached";
    EXPECT_EQ(OKA_InitTablet(nullptr), 0);
    EXPECT_EQ(OKA_ReadTabletPressure(0), 100);
    EXPECT_EQ(OKA_SetTabletOrigin(), 0);
}

#endif

}  // namespace
