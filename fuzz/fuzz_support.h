// Shared helpers of the fuzz targets: a check that aborts with a message
// (libFuzzer then saves the input), and a reader that turns the input bytes
// into numbers, choices and blocks. Running out of input yields zeros, so
// every prefix of an input is itself a valid input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define FUZZ_CHECK(cond, ...)                                                          \
    do {                                                                               \
        if (!(cond)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #cond); \
            std::fprintf(stderr, __VA_ARGS__);                                         \
            std::fputc('\n', stderr);                                                  \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(data ? size : 0) {}

    bool empty() const noexcept { return pos_ >= n_; }
    size_t remaining() const noexcept { return n_ - pos_; }

    uint8_t u8() noexcept { return pos_ < n_ ? p_[pos_++] : 0; }
    uint16_t u16() noexcept { return static_cast<uint16_t>(u8() | u8() << 8); }
    uint32_t u32() noexcept { return u16() | static_cast<uint32_t>(u16()) << 16; }
    int32_t i32() noexcept { return static_cast<int32_t>(u32()); }
    bool flag() noexcept { return u8() & 1; }

    // 0..n-1 (n >= 1), from one byte when n <= 256.
    uint32_t below(uint32_t n) noexcept { return n <= 256 ? u8() % n : u32() % n; }
    // lo..hi inclusive.
    int32_t range(int32_t lo, int32_t hi) noexcept {
        const uint32_t span = static_cast<uint32_t>(int64_t{hi} - lo + 1);
        return static_cast<int32_t>(int64_t{lo} + below(span));
    }
    // An integer that is usually small and in range but sometimes extreme:
    // the values a host gets wrong (negatives, zero, huge).
    int32_t wild(int32_t lo, int32_t hi) noexcept {
        switch (u8() & 15) {
            case 0: return static_cast<int32_t>(u32());
            case 1: return -static_cast<int32_t>(u8());
            case 2: return hi + static_cast<int32_t>(u8());
            case 3: return 0;
            default: return range(lo, hi);
        }
    }

    // The next n bytes (fewer at the end of the input).
    std::vector<uint8_t> bytes(size_t n) {
        n = n < remaining() ? n : remaining();
        std::vector<uint8_t> v(p_ + pos_, p_ + pos_ + n);
        pos_ += n;
        return v;
    }
    const uint8_t* rest() const noexcept { return p_ + pos_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

// FNV-1a over a block, chained through h.
inline uint64_t hash_bytes(const void* data, size_t n, uint64_t h = 1469598103934665603ull) noexcept {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

}  // namespace fuzz
