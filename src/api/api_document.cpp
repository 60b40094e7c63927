// Document lifetime, errors and memory exports.
#include <cstdlib>
#include <cstring>

#include "api/guard.h"
#include "engine/lifecycle.h"
#include "engine/memory.h"
#include "platform/display_events.h"

using oka::api::guarded;

extern "C" {

OKA_API void OKA_CALL OKA_CreateImage(void* hostWindow, int32_t width, int32_t height, int32_t maxBrush,
                                      int32_t reserved) {
    guarded("CreateImage Excpt", [&] { oka::create_image(hostWindow, width, height, maxBrush, reserved); });
}

OKA_API void OKA_CALL OKA_NewSize(void* hostWindow, int32_t width, int32_t height, int32_t maxBrush,
                                  int32_t reserved) {
    guarded("NewSize Excpt", [&] { oka::new_size(hostWindow, width, height, maxBrush, reserved); });
}

OKA_API void OKA_CALL OKA_DeleteImage(void) {
    guarded("DeleteImage Excpt", [&] { oka::delete_image(); });
}

OKA_API void OKA_CALL OKA_SetRandomSeed(uint32_t seed) {
    guarded("SetRandomSeed Excpt", [&] { oka::set_random_seed(seed); });
}

OKA_API void OKA_CALL OKA_SetLastError(const char* text) { oka::set_last_error(text); }

OKA_API const char* OKA_CALL OKA_GetLastError(void) { return oka::last_error(); }

OKA_API void OKA_CALL OKA_SetStartDir(const char* path) {
    guarded("SetStartDir Excpt", [&] { oka::set_start_dir(path); });
}

OKA_API void OKA_CALL OKA_Free(void* block) { std::free(block); }

OKA_API void OKA_CALL OKA_Memcpy(void* dst, const void* src, int32_t count) {
    // memmove: callers pass disjoint areas, but overlap costs nothing to allow.
    if (dst && src && count > 0) std::memmove(dst, src, static_cast<size_t>(count));
}

OKA_API void* OKA_CALL BankAdrs(void* block) { return block; }

OKA_API void* OKA_CALL OKA_Alloc(int32_t size) {
    return guarded("Alloc Excpt", static_cast<void*>(nullptr), [&] { return oka::alloc_undo_reduce(size); });
}

OKA_API void OKA_CALL OKA_SetMemoryLimitMB(int32_t mb) {
    oka::set_memory_limit_bytes(mb > 0 ? static_cast<size_t>(mb) << 20 : 0);
}

OKA_API int32_t OKA_CALL OKA_IsDisplayChanged(void) { return oka::platform::take_display_changed(); }

}  // extern "C"
