// The layer compositor: OKA_MergeLayer of a 4096 x 4096 layer in modes 0
// ("Normal"), 1 ("Multiply"), 11 ("Overlay"), 13 ("Soft Light") and 23
// ("HSL Hue") with (a) an opaque source, (b) a 50 % alpha source over an
// opaque destination, (c) a sparse source (90 % transparent); and
// OKA_MergeRect of 8 such layers. Rates are layer megapixels per second.
//
// "Mpix/s" is wall-clock throughput; "Mpix/cpu-s" divides by the CPU time of
// the whole process (every worker thread), i.e. throughput per busy core,
// which stays meaningful when other work shares the machine.
//
// Run: okacore_bench --benchmark_filter=Merge --benchmark_min_time=0.1
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <time.h>

#include "engine/engine_state.h"
#include "okacore.h"

namespace {

constexpr int kEdge = 4096;
constexpr int kStack = 8;  // layers 2..9 for OKA_MergeRect
constexpr int kDest = 10;  // destination of OKA_MergeLayer
constexpr const char* kCaseName[] = {"opaque", "half alpha", "sparse"};

struct Rng {
    uint64_t s;
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return uint32_t(s >> 16);
    }
};

// Fill a layer: (0) opaque random colours, (1) random colours at alpha
// 32768, (2) transparent except one opaque run covering a tenth of each row.
void fill_layer(int index, int which, uint64_t seed) {
    oka::Layer& l = oka::engine().layers[size_t(index)];
    Rng rng{seed * 0x9E3779B97F4A7C15ull + 1};
    for (int y = 0; y < kEdge; ++y) {
        uint16_t* p = l.pixels.data() + size_t(y) * l.stride;
        const int run0 = int(rng.next() % (kEdge - kEdge / 10));
        for (int x = 0; x < kEdge; ++x, p += 4) {
            const uint32_t r = rng.next(), g = rng.next();
            p[0] = uint16_t(r);
            p[1] = uint16_t(r >> 16);
            p[2] = uint16_t(g);
            if (which == 0) p[3] = 65535;
            else if (which == 1) p[3] = 32768;
            else p[3] = (x >= run0 && x < run0 + kEdge / 10) ? 65535 : 0;
            if (which == 2 && p[3] == 0) p[0] = p[1] = p[2] = 0;
        }
    }
}

// Document: layers 2..9 and 10 at 4096 x 4096, filled for one source case.
int g_loaded = -1;
void load(int which) {
    if (oka::engine().width != kEdge) {
        OKA_CreateImage(nullptr, kEdge, kEdge, 64, 0);
        for (int i = 2; i <= kDest; ++i) OKA_CreateLayer(i, kEdge, kEdge);
        OKA_SetLayerOptions(kDest, 0, 0, 100, "Normal");
        fill_layer(kDest, 0, 99);
    }
    if (g_loaded == which) return;
    for (int i = 2; i < 2 + kStack; ++i) fill_layer(i, which, uint64_t(i));
    g_loaded = which;
}

double process_cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Both rates for `pixels` per iteration, given the CPU time the loop used.
void report(benchmark::State& st, double pixels, double cpu_seconds) {
    st.counters["Mpix/s"] = benchmark::Counter(double(st.iterations()) * pixels / 1e6, benchmark::Counter::kIsRate);
    st.counters["Mpix/cpu-s"] = double(st.iterations()) * pixels / 1e6 / cpu_seconds;
}

const char* mode_name(int mode) {
    switch (mode) {
        case 1: return "Multiply";
        case 11: return "Overlay";
        case 13: return "Soft Light";
        case 23: return "HSL Hue";
        default: return "Normal";
    }
}

// Args: mode, source case, threads.
void BM_MergeLayer(benchmark::State& st) {
    const int mode = int(st.range(0)), which = int(st.range(1));
    load(which);
    omp_set_num_threads(int(st.range(2)));
    OKA_SetLayerOptions(2, 1, 0, 100, mode_name(mode));
    const double cpu0 = process_cpu_seconds();
    for (auto _ : st) OKA_MergeLayer(2, kDest);
    report(st, double(kEdge) * kEdge, process_cpu_seconds() - cpu0);
    st.SetLabel(kCaseName[which]);
}

// Args: source case, mixed modes (0: all "Normal", 1: the five modes in
// turn), threads. The rate counts every layer's pixels.
void BM_MergeRect8(benchmark::State& st) {
    const int which = int(st.range(0));
    load(which);
    omp_set_num_threads(int(st.range(2)));
    static constexpr int kModes[] = {0, 1, 11, 13, 23, 0, 1, 11};
    for (int i = 0; i < kStack; ++i) OKA_SetLayerOptions(2 + i, 1, 0, 100, mode_name(st.range(1) ? kModes[i] : 0));
    oka::Layer& dst = oka::engine().layers[kDest];
    const double cpu0 = process_cpu_seconds();
    for (auto _ : st) OKA_MergeRect(dst.pixels.data(), 0, 0, kEdge, kEdge);
    report(st, double(kStack) * kEdge * kEdge, process_cpu_seconds() - cpu0);
    for (int i = 0; i < kStack; ++i) OKA_SetLayerOptions(2 + i, 0, 0, 100, "Normal");
    st.SetLabel(std::string(kCaseName[which]) + (st.range(1) ? ", mixed modes" : ", normal"));
}

// Memory speed for comparison: one 4096 x 4096 RGBA64 plane copied into
// another (the traffic of an opaque merge minus the destination read).
void BM_PlaneCopyReference(benchmark::State& st) {
    load(0);
    omp_set_num_threads(int(st.range(0)));
    const oka::Layer& src = oka::engine().layers[2];
    oka::Layer& dst = oka::engine().layers[kDest];
    const size_t row = size_t(kEdge) * 8;
    const double cpu0 = process_cpu_seconds();
    for (auto _ : st) {
#pragma omp parallel for schedule(static)
        for (int y = 0; y < kEdge; ++y)
            std::memcpy(dst.pixels.data() + size_t(y) * dst.stride, src.pixels.data() + size_t(y) * src.stride, row);
        benchmark::ClobberMemory();
    }
    report(st, double(kEdge) * kEdge, process_cpu_seconds() - cpu0);
}

BENCHMARK(BM_MergeLayer)
    ->ArgsProduct({{0, 1, 11, 13, 23}, {0, 1, 2}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlaneCopyReference)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeRect8)->ArgsProduct({{0, 1, 2}, {0, 1}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
