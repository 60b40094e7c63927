// Whole-canvas transfers against a plain memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_state.h"
#include "okacore.h"

namespace {

constexpr int kEdge = 4096;
constexpr size_t kPixels = size_t(kEdge) * kEdge;

struct Canvas {
    std::vector<uint8_t> rgba;
    Canvas() : rgba(kPixels * 4) {
        OKA_CreateImage(nullptr, kEdge, kEdge, 16, 0);
        OKA_CreateLayer(2, kEdge, kEdge);
        OKA_SetLayer(2);
        std::mt19937 rng(1);
        for (auto& v : rgba) v = uint8_t(rng());
        // Mask and texture both on: every weighted pixel does the full work.
        auto& e = oka::engine();
        for (size_t i = 0; i < kPixels; ++i) e.mask[i] = uint16_t(rng());
        e.texture = oka::Buffer<uint8_t>::allocate(kPixels);
        for (size_t i = 0; i < kPixels; ++i) e.texture[i] = uint8_t(4 + rng() % 120);
    }
};

Canvas& canvas() {
    static Canvas c;
    return c;
}

void BM_MemcpyLayerBytes(benchmark::State& st) {
    std::vector<uint8_t> a(kPixels * 8, 1), b(kPixels * 8);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(a.size()));
}

// Bytes moved: 4 read from the host image + 8 read and 8 written in the layer.
void BM_LoadRGBA32LayerWeighted(benchmark::State& st) {
    auto& c = canvas();
    omp_set_num_threads(int(st.range(0)));
    for (auto _ : st) OKA_LoadRGBA32Layer(c.rgba.data(), kEdge * 4, 2, 0, 0, kEdge, kEdge, 1);
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 20);
}

void BM_GetRGBA32Layer(benchmark::State& st) {
    auto& c = canvas();
    omp_set_num_threads(int(st.range(0)));
    for (auto _ : st) OKA_GetRGBA32Layer(c.rgba.data(), kEdge * 4, 2);
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 12);
}

void BM_Clear(benchmark::State& st) {
    canvas();
    for (auto _ : st) OKA_Clear(10, 20, 30, 40);
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 8);
}

void BM_CompressedRoundTrip(benchmark::State& st) {
    auto& c = canvas();
    OKA_LoadRGBA32Layer(c.rgba.data(), kEdge * 4, 2, 0, 0, kEdge, kEdge, 0);
    // A painting-like layer compresses; random noise would not.
    OKA_Clear(200, 100, 50, 255);
    std::vector<uint8_t> z(kPixels * 5);
    for (auto _ : st) {
        const int32_t n = OKA_GetRGBA32LayerCompressed(z.data(), 0, int32_t(z.size()), 2, 1);
        benchmark::DoNotOptimize(OKA_LoadRGBA32LayerCompressed(z.data(), 0, n, 2));
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 4 * 2);
}

BENCHMARK(BM_MemcpyLayerBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRGBA32LayerWeighted)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetRGBA32Layer)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressedRoundTrip)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
