// Engine memory: counted large blocks, the engine memory limit, and the
// undo-reducing allocators that give up history before they give up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace oka {

// Overflow-checked size arithmetic. Every plane size goes through these so
// that an absurd width x height x channels from the host fails cleanly
// instead of wrapping to a small allocation.
inline bool checked_mul(size_t a, size_t b, size_t* out) {
    return !__builtin_mul_overflow(a, b, out);
}
inline bool checked_mul3(size_t a, size_t b, size_t c, size_t* out) {
    size_t t;
    return checked_mul(a, b, &t) && checked_mul(t, c, out);
}

// Limit on the bytes held by counted blocks; 0 means no limit.
void set_memory_limit_bytes(size_t bytes);
size_t memory_limit_bytes();
size_t memory_in_use();

// Counted raw allocation. Throws std::bad_alloc when the heap fails or the
// engine memory limit would be exceeded. Zero bytes still yields a distinct
// block, so an empty plane differs from an absent one.
void* counted_alloc(size_t bytes);
void counted_free(void* p, size_t bytes) noexcept;

// Move-only owner of n elements of T from the counted heap. Contents are
// uninitialised after allocate(). A default-constructed Buffer is the
// engine's "null plane".
template <class T>
class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    Buffer(Buffer&& o) noexcept : p_(std::exchange(o.p_, nullptr)), n_(std::exchange(o.n_, 0)) {}
    Buffer& operator=(Buffer&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
            n_ = std::exchange(o.n_, 0);
        }
        return *this;
    }
    ~Buffer() { reset(); }

    // Throws std::bad_alloc on overflow, heap failure or the memory limit.
    static Buffer allocate(size_t n) {
        size_t bytes;
        if (!checked_mul(n, sizeof(T), &bytes)) throw std::bad_alloc();
        Buffer b;
        b.p_ = static_cast<T*>(counted_alloc(bytes));
        b.n_ = n;
        return b;
    }

    void reset() noexcept {
        if (p_) counted_free(p_, n_ * sizeof(T));
        p_ = nullptr;
        n_ = 0;
    }

    T* data() noexcept { return p_; }
    const T* data() const noexcept { return p_; }
    size_t size() const noexcept { return n_; }
    size_t bytes() const noexcept { return n_ * sizeof(T); }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T& operator[](size_t i) noexcept { return p_[i]; }
    const T& operator[](size_t i) const noexcept { return p_[i]; }

private:
    T* p_ = nullptr;
    size_t n_ = 0;
};

// The undo-reducing allocators. Each tries to allocate; on failure, while
// the undo store still has something to give up, it reduces the history by
// the request's size in kilobytes and tries again. The loop ends (null
// result) when the store has nothing left or a reduction freed nothing.
Buffer<uint8_t> new_char_undo_reduce(size_t n);
Buffer<uint16_t> new_short_undo_reduce(size_t n);
// Host-facing variant over the plain run-time heap (released with free()).
void* alloc_undo_reduce(int32_t size);

}  // namespace oka
