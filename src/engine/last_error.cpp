#include "engine/last_error.h"

#include <cstring>

namespace oka {
namespace {
char g_last_error[kLastErrorSize];
}

void set_last_error(const char* text) noexcept {
    if (!text) return;
    // At most 511 characters; the final byte is never written, so the text
    // stays terminated whatever the caller passes.
    size_t n = strnlen(text, kLastErrorSize - 1);
    std::memcpy(g_last_error, text, n);
    g_last_error[n] = '\0';
}

const char* last_error() noexcept { return g_last_error; }

}  // namespace oka
