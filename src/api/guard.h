// The export boundary. Every export is a thin shim of one shape:
//
//   OKA_API R OKA_CALL OKA_Name(args) {
//       return guarded("Name Excpt", fallback, [&] { ... one call ... });
//   }
//
// Nothing escapes to the host: any exception records the export's fixed
// message in the last-error text and the export returns its fallback.
#pragma once

#include <utility>

#include "engine/last_error.h"
#include "okacore.h"

namespace oka::api {

template <class F>
void guarded(const char* excpt, F&& body) noexcept {
    try {
        std::forward<F>(body)();
    } catch (...) {
        set_last_error(excpt);
    }
}

template <class R, class F>
R guarded(const char* excpt, R fallback, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        set_last_error(excpt);
        return fallback;
    }
}

}  // namespace oka::api
