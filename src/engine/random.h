// The engine's random generator: a linear congruential generator
//   state <- state * 214013 + 2531011 (mod 2^32), output (state >> 16) & 32767
// with its state kept per thread. A thread that never reseeded starts at 1.
#pragma once

#include <cstdint>

namespace oka {

void rng_seed(uint32_t seed) noexcept;
int32_t rng_next() noexcept;  // 0..32767
uint32_t rng_state() noexcept;

// A generator value usable without thread-local state (worker loops that
// need reproducible streams keep their own).
struct Lcg {
    uint32_t state;
    int32_t next() noexcept {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 32767u);
    }
};

}  // namespace oka
