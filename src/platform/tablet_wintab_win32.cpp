// Pen tablets through WinTab. Wintab32.dll is not linked: it is loaded the
// first time a tablet function is needed, so the engine loads and runs on
// machines without a tablet driver, and every call whose library or entry
// point is missing answers 0. The library stays loaded from then on.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/tablet_backend.h"

namespace oka::platform {
namespace {

// The WinTab declarations this back end uses (the interface's published
// layout; no header of it ships with the compiler).
using HCTX = HANDLE;
using FIX32 = DWORD;
using WTPKT = DWORD;

constexpr UINT kWtiDefContext = 3;   // WTI_DEFCONTEXT
constexpr UINT kWtiDevices = 100;    // WTI_DEVICES
constexpr UINT kDvcNPressure = 15;   // DVC_NPRESSURE
constexpr UINT kCxoSystem = 0x0001;  // CXO_SYSTEM: the context moves the system cursor too
constexpr WTPKT kPkStatus = 0x0002;
constexpr WTPKT kPkX = 0x0080;
constexpr WTPKT kPkY = 0x0100;
constexpr WTPKT kPkNormalPressure = 0x0400;
// Packets carry the selected fields in bit order: status, x, y, pressure,
// which is exactly TabletPacket.
constexpr WTPKT kPacketData = kPkStatus | kPkX | kPkY | kPkNormalPressure;
static_assert(kPacketData == 0x582);

struct Axis {
    LONG min;
    LONG max;
    UINT units;
    FIX32 resolution;
};
static_assert(sizeof(Axis) == 16);

constexpr size_t kContextNameLength = 40;

struct LogContextA {
    char name[kContextNameLength];
    UINT options;
    UINT status;
    UINT locks;
    UINT msg_base;
    UINT device;
    UINT pkt_rate;
    WTPKT pkt_data;
    WTPKT pkt_mode;
    WTPKT move_mask;
    DWORD btn_dn_mask;
    DWORD btn_up_mask;
    LONG in_org_x, in_org_y, in_org_z;
    LONG in_ext_x, in_ext_y, in_ext_z;
    LONG out_org_x, out_org_y, out_org_z;
    LONG out_ext_x, out_ext_y, out_ext_z;
    FIX32 sens_x, sens_y, sens_z;
    BOOL sys_mode;
    int sys_org_x, sys_org_y;
    int sys_ext_x, sys_ext_y;
    FIX32 sys_sens_x, sys_sens_y;
};
static_assert(sizeof(LogContextA) == 172);

using WTInfoAFn = UINT(WINAPI*)(UINT, UINT, LPVOID);
using WTOpenAFn = HCTX(WINAPI*)(HWND, LogContextA*, BOOL);
using WTCloseFn = BOOL(WINAPI*)(HCTX);
using WTPacketsGetFn = int(WINAPI*)(HCTX, int, LPVOID);
using WTQueueSizeSetFn = BOOL(WINAPI*)(HCTX, int);

template <class Fn>
Fn entry(HMODULE lib, const char* name) {
    // Through void*: a FARPROC is a generic code address, not this type.
    return lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
}

struct Wintab {
    WTInfoAFn info = nullptr;
    WTOpenAFn open = nullptr;
    WTCloseFn close = nullptr;
    WTPacketsGetFn packets_get = nullptr;
    WTQueueSizeSetFn queue_size_set = nullptr;
};

// Loads Wintab32.dll once per process. Critical-error and open-file error
// boxes are suppressed while it loads (SEM_FAILCRITICALERRORS |
// SEM_NOOPENFILEERRORBOX), and the caller's error mode is restored after.
const Wintab& wintab() {
    static const Wintab w = [] {
        Wintab t;
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE lib = LoadLibraryA("Wintab32.dll");
        SetErrorMode(previous);
        t.info = entry<WTInfoAFn>(lib, "WTInfoA");
        t.open = entry<WTOpenAFn>(lib, "WTOpenA");
        t.close = entry<WTCloseFn>(lib, "WTClose");
        t.packets_get = entry<WTPacketsGetFn>(lib, "WTPacketsGet");
        t.queue_size_set = entry<WTQueueSizeSetFn>(lib, "WTQueueSizeSet");
        return t;
    }();
    return w;
}

HCTX handle(TabletContext c) { return reinterpret_cast<HCTX>(c); }

class WintabBackend final : public TabletBackend {
public:
    ~WintabBackend() override {
        const Wintab& w = wintab();
        if (w.close)
            for (TabletContext c : open_) w.close(handle(c));
    }

    bool pressure_axis(TabletPressureAxis& axis) override {
        const Wintab& w = wintab();
        if (!w.info) return false;
        Axis a{};
        if (w.info(kWtiDevices, kDvcNPressure, &a) == 0) return false;
        axis.min = a.min;
        axis.max = a.max;
        return true;
    }

    TabletContext open(void* window) override {
        const Wintab& w = wintab();
        if (!w.info || !w.open) return 0;
        LogContextA lc{};
        if (w.info(kWtiDefContext, 0, &lc) == 0) return 0;
        std::memset(lc.name, 0, sizeof lc.name);
        static const char kName[] = "okacore tablet context";
        static_assert(sizeof kName <= kContextNameLength);
        std::memcpy(lc.name, kName, sizeof kName);
        lc.options = kCxoSystem;
        lc.pkt_data = kPacketData;
        lc.pkt_mode = 0;  // every field absolute
        lc.move_mask = kPacketData;
        lc.btn_up_mask = lc.btn_dn_mask;
        // Output in screen pixels, y growing downward: a negative extent
        // flips the tablet's upward y.
        lc.out_org_x = 0;
        lc.out_org_y = 0;
        lc.out_ext_x = GetSystemMetrics(SM_CXSCREEN);
        lc.out_ext_y = -GetSystemMetrics(SM_CYSCREEN);
        HCTX ctx = w.open(static_cast<HWND>(window), &lc, TRUE);
        if (!ctx) return 0;
        const auto c = reinterpret_cast<TabletContext>(ctx);
        open_.push_back(c);
        return c;
    }

    int32_t set_queue_size(TabletContext context, int32_t packets) override {
        const Wintab& w = wintab();
        return w.queue_size_set ? w.queue_size_set(handle(context), packets) : 0;
    }

    int32_t get_packets(TabletContext context, int32_t max_packets, TabletPacket* out) override {
        const Wintab& w = wintab();
        return w.packets_get ? w.packets_get(handle(context), max_packets, out) : 0;
    }

    int32_t close(TabletContext context) override {
        const Wintab& w = wintab();
        if (!w.close) return 0;
        for (auto it = open_.begin(); it != open_.end(); ++it) {
            if (*it == context) {
                open_.erase(it);
                break;
            }
        }
        return w.close(handle(context));
    }

    int32_t client_origin(void* window, int32_t& x, int32_t& y) override {
        POINT p{0, 0};
        const BOOL ok = ClientToScreen(static_cast<HWND>(window), &p);
        if (ok) {
            x = p.x;
            y = p.y;
        }
        return ok;
    }

private:
    std::vector<TabletContext> open_;
};

}  // namespace

std::unique_ptr<TabletBackend> make_system_tablet_backend() { return std::make_unique<WintabBackend>(); }

}  // namespace oka::platform
