// Linux tablet back end: pen tablets through the kernel's input event
// devices.
//
// A pen device is an event device that reports absolute X, Y and pressure and
// knows the pen tool (BTN_TOOL_PEN). Device files are opened only when the
// host asks for a tablet, so a machine without one, or a user without access
// to /dev/input, simply has no tablet. The device is not grabbed: like a
// system-wide context, the pen keeps moving the desktop pointer.
#include "platform/tablet_evdev_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace oka::platform {

// ---- decoder ----------------------------------------------------------------

namespace {

bool is_pen_tool(uint16_t code) {
    return code == BTN_TOOL_PEN || code == BTN_TOOL_BRUSH || code == BTN_TOOL_PENCIL || code == BTN_TOOL_AIRBRUSH;
}

// Device coordinate v in [min, max] to a pixel of an extent of n pixels:
// (v − min) × n / (max − min + 1), so the axis's max − min + 1 positions
// cover the pixels evenly; clamped to 0 .. n − 1. Without a screen size the
// device units from the minimum are kept.
int32_t map_axis(int32_t v, const EvdevAxisRange& r, int32_t n) {
    const int64_t d = static_cast<int64_t>(v) - r.min;
    if (n <= 0) return static_cast<int32_t>(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
    const int64_t span = std::max<int64_t>(static_cast<int64_t>(r.max) - r.min + 1, 1);
    return static_cast<int32_t>(std::clamp<int64_t>(d * n / span, 0, n - 1));
}

}  // namespace

EvdevPenDecoder::EvdevPenDecoder(const EvdevPenGeometry& geometry) : geometry_(geometry) {}

void EvdevPenDecoder::set_queue_limit(std::size_t packets) {
    limit_ = std::max<std::size_t>(packets, 1);
    while (queue_.size() > limit_) queue_.pop_front();
}

uint32_t EvdevPenDecoder::pressure_units(int32_t value) const {
    const int64_t span = std::max<int64_t>(static_cast<int64_t>(geometry_.pressure.max) - geometry_.pressure.min, 0);
    return static_cast<uint32_t>(std::clamp<int64_t>(static_cast<int64_t>(value) - geometry_.pressure.min, 0, span));
}

int32_t EvdevPenDecoder::screen_x(int32_t value) const { return map_axis(value, geometry_.x, geometry_.screen_width); }
int32_t EvdevPenDecoder::screen_y(int32_t value) const { return map_axis(value, geometry_.y, geometry_.screen_height); }

void EvdevPenDecoder::feed(const EvdevEvent& e) {
    if (e.type == EV_SYN) {
        if (e.code == SYN_DROPPED) {
            // Everything up to the end of the current report is unreliable.
            dropping_ = true;
            lost_ = true;
        } else if (e.code == SYN_REPORT) {
            if (dropping_) {
                dropping_ = false;
                needs_resync_ = true;
            } else if (changed_) {
                report();
            }
        }
        return;
    }
    if (dropping_) return;
    if (e.type == EV_ABS) {
        switch (e.code) {
            case ABS_X: x_ = e.value; break;
            case ABS_Y: y_ = e.value; break;
            case ABS_PRESSURE: pressure_ = e.value; break;
            default: return;
        }
        changed_ = true;
    } else if (e.type == EV_KEY) {
        if (e.code == BTN_TOOL_RUBBER) {
            rubber_ = e.value != 0;
        } else if (is_pen_tool(e.code)) {
            pen_ = e.value != 0;
        } else {
            return;
        }
        changed_ = true;
    }
}

void EvdevPenDecoder::resync(const EvdevPenSnapshot& s, bool emit) {
    x_ = s.x;
    y_ = s.y;
    pressure_ = s.pressure;
    pen_ = s.pen;
    rubber_ = s.rubber;
    needs_resync_ = false;
    if (emit) {
        report();
    } else {
        was_near_ = pen_ || rubber_;
        was_rubber_ = rubber_;
        changed_ = false;
    }
}

// One packet for the state at the end of a report. A tool in proximity gives
// its position and pressure, with the invert bit for the eraser end; a tool
// that just left gives one last packet at its last position, without
// pressure, marked out of proximity.
void EvdevPenDecoder::report() {
    changed_ = false;
    const bool near = pen_ || rubber_;
    if (!near && !was_near_) return;
    TabletPacket p;
    p.x = screen_x(x_);
    p.y = screen_y(y_);
    if (near) {
        p.status = rubber_ ? kTabletStatusInvert : 0;
        p.pressure = pressure_units(pressure_);
    } else {
        p.status = kTabletStatusOutOfProximity | (was_rubber_ ? kTabletStatusInvert : 0);
        p.pressure = 0;
    }
    was_near_ = near;
    was_rubber_ = rubber_;
    push(p);
}

void EvdevPenDecoder::push(TabletPacket p) {
    if (queue_.size() >= limit_) {
        queue_.pop_front();
        lost_ = true;
    }
    if (lost_) {
        p.status |= kTabletStatusQueueError;
        lost_ = false;
    }
    queue_.push_back(p);
}

int32_t EvdevPenDecoder::take(int32_t max_packets, TabletPacket* out) {
    if (max_packets <= 0) return 0;
    const std::size_t n = std::min(queue_.size(), static_cast<std::size_t>(max_packets));
    if (out) std::copy_n(queue_.begin(), n, out);
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int32_t>(n);
}

// ---- device files -----------------------------------------------------------

namespace {

constexpr std::size_t kMaxQueue = 4096;

bool test_bit(const unsigned char* bits, unsigned bit) { return (bits[bit / 8] >> (bit % 8)) & 1; }

bool abs_range(int fd, unsigned code, EvdevAxisRange& r) {
    input_absinfo info{};
    if (ioctl(fd, EVIOCGABS(code), &info) < 0) return false;
    r.min = info.minimum;
    r.max = info.maximum;
    return true;
}

// Whether the open device is a pen tablet with a pressure axis; fills the
// axis ranges when it is.
bool probe_pen(int fd, EvdevPenGeometry& g) {
    unsigned char types[(EV_MAX + 8) / 8] = {};
    unsigned char abs[(ABS_MAX + 8) / 8] = {};
    unsigned char keys[(KEY_MAX + 8) / 8] = {};
    if (ioctl(fd, EVIOCGBIT(0, sizeof types), types) < 0) return false;
    if (!test_bit(types, EV_ABS) || !test_bit(types, EV_KEY)) return false;
    if (ioctl(fd, EVIOCGBIT(EV_ABS, sizeof abs), abs) < 0) return false;
    if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) < 0) return false;
    if (!test_bit(abs, ABS_X) || !test_bit(abs, ABS_Y) || !test_bit(abs, ABS_PRESSURE)) return false;
    if (!test_bit(keys, BTN_TOOL_PEN)) return false;
    return abs_range(fd, ABS_X, g.x) && abs_range(fd, ABS_Y, g.y) && abs_range(fd, ABS_PRESSURE, g.pressure) &&
           g.pressure.max > g.pressure.min;
}

int open_event_device(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

// Event device files of the directory in their numeric order, so the same
// tablet is chosen on every scan.
std::vector<std::string> event_devices(const std::string& directory) {
    std::vector<std::pair<long, std::string>> found;
    if (DIR* d = ::opendir(directory.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            if (std::strncmp(e->d_name, "event", 5) != 0) continue;
            char* end = nullptr;
            const long n = std::strtol(e->d_name + 5, &end, 10);
            if (end == e->d_name + 5 || *end != '\0') continue;
            found.emplace_back(n, directory + "/" + e->d_name);
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found) paths.push_back(std::move(f.second));
    return paths;
}

// Reads "A<sep>B" integers from the first line of a small text file.
bool read_pair(const std::string& path, char sep, int32_t& a, int32_t& b) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    const char format[] = {'%', 'd', sep, '%', 'd', '\0'};
    const bool ok = std::fscanf(f, format, &a, &b) == 2 && a > 0 && b > 0;
    std::fclose(f);
    return ok;
}

// Size of the screen the pen maps onto: the framebuffer's, else the preferred
// mode of the first connected display output. 0, 0 when neither is known.
void screen_size(int32_t& w, int32_t& h) {
    w = h = 0;
    if (read_pair("/sys/class/graphics/fb0/virtual_size", ',', w, h)) return;
    const std::string drm = "/sys/class/drm";
    DIR* d = ::opendir(drm.c_str());
    if (!d) return;
    std::vector<std::string> outputs;
    while (const dirent* e = ::readdir(d))
        if (std::strchr(e->d_name, '-')) outputs.push_back(drm + "/" + e->d_name);
    ::closedir(d);
    std::sort(outputs.begin(), outputs.end());
    for (const std::string& o : outputs) {
        char status[32] = {};
        FILE* f = std::fopen((o + "/status").c_str(), "r");
        if (!f) continue;
        const bool connected = std::fgets(status, sizeof status, f) && std::strncmp(status, "connected", 9) == 0;
        std::fclose(f);
        if (connected && read_pair(o + "/modes", 'x', w, h)) return;
        w = h = 0;
    }
}

EvdevPenSnapshot read_state(int fd) {
    EvdevPenSnapshot s;
    input_absinfo info{};
    if (ioctl(fd, EVIOCGABS(ABS_X), &info) >= 0) s.x = info.value;
    if (ioctl(fd, EVIOCGABS(ABS_Y), &info) >= 0) s.y = info.value;
    if (ioctl(fd, EVIOCGABS(ABS_PRESSURE), &info) >= 0) s.pressure = info.value;
    unsigned char keys[(KEY_MAX + 8) / 8] = {};
    if (ioctl(fd, EVIOCGKEY(sizeof keys), keys) >= 0) {
        s.pen = test_bit(keys, BTN_TOOL_PEN) || test_bit(keys, BTN_TOOL_BRUSH) || test_bit(keys, BTN_TOOL_PENCIL) ||
                test_bit(keys, BTN_TOOL_AIRBRUSH);
        s.rubber = test_bit(keys, BTN_TOOL_RUBBER);
    }
    return s;
}

class EvdevTabletBackend final : public TabletBackend {
public:
    explicit EvdevTabletBackend(std::string directory) : directory_(std::move(directory)) {}
    ~EvdevTabletBackend() override {
        for (auto& [handle, c] : contexts_) ::close(c.fd);
    }

    bool pressure_axis(TabletPressureAxis& axis) override {
        EvdevPenGeometry g;
        const int fd = find_pen(g);
        if (fd < 0) return false;
        ::close(fd);
        // Pressures are delivered counted from the axis minimum.
        axis.min = 0;
        axis.max = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(g.pressure.max) - g.pressure.min, INT32_MAX));
        return true;
    }

    TabletContext open(void*) override {
        EvdevPenGeometry g;
        const int fd = find_pen(g);
        if (fd < 0) return 0;
        screen_size(g.screen_width, g.screen_height);
        Context c{fd, EvdevPenDecoder(g)};
        // A pen already near the tablet is taken as the starting state.
        c.decoder.resync(read_state(fd), false);
        const TabletContext handle = ++last_handle_;
        contexts_.emplace(handle, std::move(c));
        return handle;
    }

    int32_t set_queue_size(TabletContext context, int32_t packets) override {
        Context* c = find(context);
        if (!c || packets < 1 || static_cast<std::size_t>(packets) > kMaxQueue) return 0;
        c->decoder.set_queue_limit(static_cast<std::size_t>(packets));
        return 1;
    }

    int32_t get_packets(TabletContext context, int32_t max_packets, TabletPacket* out) override {
        Context* c = find(context);
        if (!c) return 0;
        pump(*c);
        return c->decoder.take(max_packets, out);
    }

    int32_t close(TabletContext context) override {
        auto it = contexts_.find(context);
        if (it == contexts_.end()) return 0;
        ::close(it->second.fd);
        contexts_.erase(it);
        return 1;
    }

    // The engine is not told which window system the host uses, so the host
    // window's position is unknown here: positions stay screen positions.
    int32_t client_origin(void*, int32_t&, int32_t&) override { return 0; }

private:
    struct Context {
        int fd;
        EvdevPenDecoder decoder;
    };

    Context* find(TabletContext h) {
        auto it = contexts_.find(h);
        return it == contexts_.end() ? nullptr : &it->second;
    }

    // An open descriptor of the first pen device, with its axes; -1 if none
    // can be opened.
    int find_pen(EvdevPenGeometry& g) const {
        for (const std::string& path : event_devices(directory_)) {
            const int fd = open_event_device(path);
            if (fd < 0) continue;
            if (probe_pen(fd, g)) return fd;
            ::close(fd);
        }
        return -1;
    }

    // Moves every event the kernel has queued into the decoder.
    static void pump(Context& c) {
        input_event events[64];
        for (;;) {
            const ssize_t n = ::read(c.fd, events, sizeof events);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // EAGAIN: drained; other errors: device gone
            const std::size_t count = static_cast<std::size_t>(n) / sizeof(input_event);
            for (std::size_t i = 0; i < count; ++i) {
                c.decoder.feed({events[i].type, events[i].code, events[i].value});
                if (c.decoder.needs_resync()) c.decoder.resync(read_state(c.fd), true);
            }
        }
    }

    std::string directory_;
    std::map<TabletContext, Context> contexts_;
    TabletContext last_handle_ = 0;
};

}  // namespace

std::unique_ptr<TabletBackend> make_evdev_tablet_backend(const char* directory) {
    return std::make_unique<EvdevTabletBackend>(directory ? directory : "/dev/input");
}

std::unique_ptr<TabletBackend> make_system_tablet_backend() { return make_evdev_tablet_backend(); }

}  // namespace oka::platform
