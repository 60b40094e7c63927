// Linux sources of the system information: /proc/meminfo for physical and
// commit figures, /proc/self/status and the address-space limit for the
// process's virtual memory. There is no window system here, so desktop
// metrics are fixed values of a typical desktop theme.
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

#include "platform/system_info.h"

namespace oka::platform {
namespace {

// Value of "Key:   N kB" lines in a /proc file, in bytes; 0 when absent.
uint64_t proc_kb(const char* path, const char* key) noexcept {
    FILE* f = std::fopen(path, "r");
    if (!f) return 0;
    char line[256];
    const size_t klen = std::strlen(key);
    uint64_t value = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, klen) == 0 && line[klen] == ':') {
            unsigned long long kb = 0;
            if (std::sscanf(line + klen + 1, "%llu", &kb) == 1) value = static_cast<uint64_t>(kb) << 10;
            break;
        }
    }
    std::fclose(f);
    return value;
}

// x86-64 user address space: 47 bits.
constexpr uint64_t kUserAddressSpace = uint64_t{1} << 47;

}  // namespace

MemoryStatus memory_status() noexcept {
    MemoryStatus s;
    s.total_physical = proc_kb("/proc/meminfo", "MemTotal");
    s.avail_physical = proc_kb("/proc/meminfo", "MemAvailable");
    s.total_commit = proc_kb("/proc/meminfo", "CommitLimit");
    const uint64_t committed = proc_kb("/proc/meminfo", "Committed_AS");
    s.avail_commit = s.total_commit > committed ? s.total_commit - committed : 0;
    s.total_virtual = kUserAddressSpace;
    rlimit rl{};
    if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < kUserAddressSpace)
        s.total_virtual = rl.rlim_cur;
    const uint64_t used = proc_kb("/proc/self/status", "VmSize");
    s.avail_virtual = s.total_virtual > used ? s.total_virtual - used : 0;
    return s;
}

int32_t desktop_metric(DesktopMetric m) noexcept {
    switch (m) {
        case DesktopMetric::FaceColor: return 0x00F0F0F0;  // 0x00BBGGRR light grey
        case DesktopMetric::TextColor: return 0x00000000;
        case DesktopMetric::CaptionHeight: return 23;
        case DesktopMetric::SmallCaptionHeight: return 23;
        case DesktopMetric::FixedFrame: return 3;
    }
    return 0;
}

int32_t composition_enabled() noexcept { return 0; }

const char* system_directory() noexcept {
    static char dir[260];
    std::snprintf(dir, sizeof dir, "%s", "/usr/share");
    return dir;
}

int32_t rename_file(const char* from, const char* to) noexcept {
    if (!from || !to) return 0;
    return std::rename(from, to) == 0 ? 1 : 0;
}

int32_t set_window_restored_rect(void*, int32_t, int32_t, int32_t, int32_t) noexcept { return 0; }

}  // namespace oka::platform
