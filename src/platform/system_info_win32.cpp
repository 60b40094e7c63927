// Windows sources of the system information: the memory status record,
// the system colours and metrics, desktop composition through dwmapi.dll
// (loaded per call, so the engine also loads where it is missing), the
// Windows directory and the host window's placement.
#include <windows.h>

#include <cstdio>

#include "platform/system_info.h"

namespace oka::platform {

MemoryStatus memory_status() noexcept {
    // The status call is not checked: should it fail, every figure stays 0.
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    GlobalMemoryStatusEx(&m);
    MemoryStatus s;
    s.total_physical = m.ullTotalPhys;
    s.avail_physical = m.ullAvailPhys;
    s.total_commit = m.ullTotalPageFile;
    s.avail_commit = m.ullAvailPageFile;
    s.total_virtual = m.ullTotalVirtual;
    s.avail_virtual = m.ullAvailVirtual;
    return s;
}

int32_t desktop_metric(DesktopMetric m) noexcept {
    switch (m) {
        case DesktopMetric::FaceColor: return static_cast<int32_t>(GetSysColor(COLOR_BTNFACE));  // 0x00BBGGRR
        case DesktopMetric::TextColor: return static_cast<int32_t>(GetSysColor(COLOR_BTNTEXT));
        case DesktopMetric::CaptionHeight: return GetSystemMetrics(SM_CYCAPTION);
        case DesktopMetric::SmallCaptionHeight: return GetSystemMetrics(SM_CYSMCAPTION);
        case DesktopMetric::FixedFrame: return GetSystemMetrics(SM_CYDLGFRAME);
    }
    return 0;
}

int32_t composition_enabled() noexcept {
    HMODULE dwm = LoadLibraryA("dwmapi.dll");
    if (!dwm) return 0;
    using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
    // Through void*: a FARPROC is a generic code address, not this type.
    const auto query = reinterpret_cast<IsCompositionEnabled>(
        reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
    BOOL enabled = FALSE;
    const int32_t result = query && SUCCEEDED(query(&enabled)) && enabled ? 1 : 0;
    FreeLibrary(dwm);
    return result;
}

const char* system_directory() noexcept {
    static char dir[MAX_PATH];
    // 0 means failure and a count of MAX_PATH or more that the buffer was
    // too small; either way the buffer holds nothing usable.
    const UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) dir[0] = '\0';
    return dir;
}

int32_t rename_file(const char* from, const char* to) noexcept {
    if (!from || !to) return 0;
    return std::rename(from, to) == 0 ? 1 : 0;
}

int32_t set_window_restored_rect(void* window, int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept {
    HWND hwnd = static_cast<HWND>(window);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp)) return 0;
    // right and bottom arrive as exclusive edges and are stored inclusive;
    // the step down wraps like the 32-bit arithmetic it stands for.
    wp.rcNormalPosition.left = left;
    wp.rcNormalPosition.top = top;
    wp.rcNormalPosition.right = static_cast<LONG>(static_cast<uint32_t>(right) - 1u);
    wp.rcNormalPosition.bottom = static_cast<LONG>(static_cast<uint32_t>(bottom) - 1u);
    return SetWindowPlacement(hwnd, &wp);
}

}  // namespace oka::platform
