// Smudge pick-up and mixing of a 200-pixel brush.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <random>
#include <vector>

#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "okacore.h"

namespace {

void setup_canvas() {
    static bool done = false;
    if (done) return;
    done = true;
    OKA_CreateImage(nullptr, 1024, 1024, 256, 0);
    OKA_CreateLayer(2, 1024, 1024);
    OKA_SetLayer(2);
    std::mt19937 rng(5);
    std::vector<uint16_t> px(size_t(1024) * 1024 * 4);
    for (auto& v : px) v = uint16_t(rng());
    OKA_SetLayerData(px.data(), 2);
    oka::brush::tool().size = 200;
    oka::brush::tool().blend_strength = 256;
}

void BM_PickUp200(benchmark::State& st) {
    setup_canvas();
    for (auto _ : st) OKA_CopyBlendBufferSurface(500, 500, 64, 0);
    st.counters["Mpix/s"] = benchmark::Counter(double(st.iterations()) * 40000 / 1e6, benchmark::Counter::kIsRate);
}

void BM_Mix200(benchmark::State& st) {
    setup_canvas();
    omp_set_num_threads(int(st.range(1)));
    OKA_SetMixMode(uint32_t(st.range(0)), 128);
    OKA_CopyBlendBufferSurface(500, 500, 64, 0);
    for (auto _ : st) OKA_MixBlendBufferSurface(510, 505, 100);
    st.counters["Mpix/s"] = benchmark::Counter(double(st.iterations()) * 40000 / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PickUp200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mix200)->ArgsProduct({{0, 42, 252}, {1, 2}})->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
