#include "engine/memory.h"

#include <atomic>
#include <cstdlib>
#include <exception>

#include "engine/last_error.h"
#include "history/undo_store.h"

namespace oka {
namespace {

size_t limit_from_environment() {
    const char* v = std::getenv("OKACORE_MEMORY_LIMIT_MB");
    if (!v || !*v) return 0;
    char* end = nullptr;
    long long mb = std::strtoll(v, &end, 10);
    if (end == v || mb <= 0) return 0;
    return static_cast<size_t>(mb) << 20;
}

std::atomic<size_t> g_limit{limit_from_environment()};
std::atomic<size_t> g_in_use{0};

// Reserve bytes against the limit; false when they do not fit.
bool reserve(size_t bytes) {
    const size_t limit = g_limit.load(std::memory_order_relaxed);
    size_t cur = g_in_use.load(std::memory_order_relaxed);
    for (;;) {
        size_t next;
        if (__builtin_add_overflow(cur, bytes, &next)) return false;
        if (limit != 0 && next > limit) return false;
        if (g_in_use.compare_exchange_weak(cur, next, std::memory_order_relaxed)) return true;
    }
}

// One pass of the retry loop shared by the three allocators: try, and on
// failure give up history worth kb kilobytes. Returns true to try again.
bool give_up_history(uint32_t kb) {
    if (!history::has_history()) return false;
    // A reduction that frees nothing (a request under 1 KB, or undo steps
    // that hold no blocks) would otherwise spin forever.
    return history::reduce_undo(static_cast<int32_t>(kb)) > 0;
}

template <class T>
Buffer<T> undo_reduce_buffer(size_t n, size_t bytes, const char* excpt) {
    try {
        for (;;) {
            try {
                return Buffer<T>::allocate(n);
            } catch (const std::bad_alloc&) {
            }
            const uint32_t kb = bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu >> 10 : static_cast<uint32_t>(bytes) >> 10;
            if (!give_up_history(kb)) return {};
        }
    } catch (...) {
        set_last_error(excpt);
        return {};
    }
}

}  // namespace

void set_memory_limit_bytes(size_t bytes) { g_limit.store(bytes, std::memory_order_relaxed); }
size_t memory_limit_bytes() { return g_limit.load(std::memory_order_relaxed); }
size_t memory_in_use() { return g_in_use.load(std::memory_order_relaxed); }

void* counted_alloc(size_t bytes) {
    if (!reserve(bytes)) throw std::bad_alloc();
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) {
        g_in_use.fetch_sub(bytes, std::memory_order_relaxed);
        throw std::bad_alloc();
    }
    return p;
}

void counted_free(void* p, size_t bytes) noexcept {
    if (!p) return;
    std::free(p);
    g_in_use.fetch_sub(bytes, std::memory_order_relaxed);
}

Buffer<uint8_t> new_char_undo_reduce(size_t n) {
    return undo_reduce_buffer<uint8_t>(n, n, "x_NewCharUndoReduce Excpt");
}

Buffer<uint16_t> new_short_undo_reduce(size_t n) {
    size_t bytes;
    // A byte count beyond 32 bits asks for 0xFFFFFFFF bytes, which fails.
    if (!checked_mul(n, 2, &bytes) || bytes > 0xFFFFFFFFull) bytes = 0xFFFFFFFFull;
    return undo_reduce_buffer<uint16_t>(n, bytes, "x_NewShortUndoReduce Excpt");
}

void* alloc_undo_reduce(int32_t size) {
    if (size < 0) return nullptr;
    const size_t bytes = static_cast<size_t>(size);
    for (;;) {
        // Host blocks are released by free() without a size, so they are not
        // counted; they must still fit under the limit to be handed out.
        const size_t limit = memory_limit_bytes();
        void* p = nullptr;
        if (limit == 0 || memory_in_use() + bytes <= limit) p = std::malloc(bytes ? bytes : 1);
        if (p) return p;
        if (!give_up_history(static_cast<uint32_t>(size / 1024))) return nullptr;
    }
}

}  // namespace oka
