#include "engine/random.h"

#include <atomic>

namespace oka {
namespace {

// Every reseed starts a new epoch. A thread that draws under an older epoch
// than the current one and did not reseed itself restarts from state 1, as
// a fresh thread would. Worker threads of parallel loops never reseed, so
// after the host seeds the engine their draws depend only on the seed, the
// thread count and the calls made since: noisy dabs are reproducible.
std::atomic<uint32_t> g_epoch{0};

struct ThreadRng {
    Lcg lcg{1};
    uint32_t epoch = 0;
};
thread_local ThreadRng t_rng;

inline Lcg& current() noexcept {
    const uint32_t e = g_epoch.load(std::memory_order_relaxed);
    if (t_rng.epoch != e) {
        t_rng.lcg.state = 1;
        t_rng.epoch = e;
    }
    return t_rng.lcg;
}

}  // namespace

void rng_seed(uint32_t seed) noexcept {
    const uint32_t e = g_epoch.fetch_add(1, std::memory_order_relaxed) + 1;
    t_rng.lcg.state = seed;
    t_rng.epoch = e;
}
int32_t rng_next() noexcept { return current().next(); }
uint32_t rng_state() noexcept { return current().state; }

}  // namespace oka
