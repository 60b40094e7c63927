// System information exports.
#include "api/guard.h"
#include "engine/engine_state.h"
#include "platform/system_info.h"

namespace sys = oka::platform;

extern "C" {

OKA_API int32_t OKA_CALL OKA_GetTotalPhyMemory(void) { return sys::megabytes(sys::memory_status().total_physical); }
OKA_API int32_t OKA_CALL OKA_GetAvailPhyMemory(void) { return sys::megabytes(sys::memory_status().avail_physical); }
OKA_API int32_t OKA_CALL OKA_GetTotalPgMemory(void) { return sys::megabytes(sys::memory_status().total_commit); }
OKA_API int32_t OKA_CALL OKA_GetAvailPgMemory(void) { return sys::megabytes(sys::memory_status().avail_commit); }
OKA_API int32_t OKA_CALL OKA_GetTotalVirMemory(void) { return sys::megabytes(sys::memory_status().total_virtual); }
OKA_API int32_t OKA_CALL OKA_GetAvailVirMemory(void) { return sys::megabytes(sys::memory_status().avail_virtual); }

OKA_API int32_t OKA_CALL OKA_GetWindowBackgroundColor(void) { return sys::desktop_metric(sys::DesktopMetric::FaceColor); }
OKA_API int32_t OKA_CALL OKA_GetWindowTextColor(void) { return sys::desktop_metric(sys::DesktopMetric::TextColor); }
OKA_API int32_t OKA_CALL OKA_GetWindowCaptionSize(void) { return sys::desktop_metric(sys::DesktopMetric::CaptionHeight); }
OKA_API int32_t OKA_CALL OKA_GetWindowSmallCaptionSize(void) {
    return sys::desktop_metric(sys::DesktopMetric::SmallCaptionHeight);
}
OKA_API int32_t OKA_CALL OKA_GetWindowFixedFrameSize(void) { return sys::desktop_metric(sys::DesktopMetric::FixedFrame); }

OKA_API int32_t OKA_CALL OKA_IsCompositionEnabled(void) { return sys::composition_enabled(); }
OKA_API const char* OKA_CALL OKA_GetDirInfo(void) { return sys::system_directory(); }

OKA_API int32_t OKA_CALL OKA_RenameFile(const char* oldName, const char* newName) {
    return sys::rename_file(oldName, newName);
}

OKA_API int32_t OKA_CALL OKA_SetWindowBasePos(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return sys::set_window_restored_rect(oka::engine().host_window, left, top, right, bottom);
}

}  // extern "C"
