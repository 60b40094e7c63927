// Machine and desktop facts the host asks for. Each platform provides one
// implementation file.
#pragma once

#include <cstdint>

namespace oka::platform {

struct MemoryStatus {
    uint64_t total_physical = 0;
    uint64_t avail_physical = 0;
    uint64_t total_commit = 0;
    uint64_t avail_commit = 0;
    uint64_t total_virtual = 0;
    uint64_t avail_virtual = 0;
};

MemoryStatus memory_status() noexcept;

// Bytes to whole megabytes, keeping the low 32 bits of the count as the
// signed result the interface returns.
inline int32_t megabytes(uint64_t bytes) noexcept { return static_cast<int32_t>(static_cast<uint32_t>(bytes >> 20)); }

enum class DesktopMetric { FaceColor, TextColor, CaptionHeight, SmallCaptionHeight, FixedFrame };
int32_t desktop_metric(DesktopMetric m) noexcept;

int32_t composition_enabled() noexcept;
// System resource directory; the text stays valid until the next call.
const char* system_directory() noexcept;
int32_t rename_file(const char* from, const char* to) noexcept;
int32_t set_window_restored_rect(void* window, int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept;

}  // namespace oka::platform
