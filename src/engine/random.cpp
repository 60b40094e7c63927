#include "engine/random.h"

namespace oka {
namespace {
thread_local Lcg t_rng{1};
}

void rng_seed(uint32_t seed) noexcept { t_rng.state = seed; }
int32_t rng_next() noexcept { return t_rng.next(); }
uint32_t rng_state() noexcept { return t_rng.state; }

}  // namespace oka
