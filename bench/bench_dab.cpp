// Dabs: the hot path of painting.
#include <benchmark/benchmark.h>
#include <omp.h>

#include "okacore.h"

namespace {

enum Variant { kPlain = 0, kGritVary = 1, kSmudge = 2 };

void setup(int diameter, int variant, bool paint_layer) {
    OKA_DeleteImage();
    OKA_CreateImage(nullptr, 2048, 2048, 256, 0);
    OKA_CreateLayer(2, 2048, 2048);
    OKA_SetLayerOptions(2, 1, 0, 100, "Normal");
    OKA_SetLayer(2);
    OKA_Clear(200, 180, 160, 255);
    OKA_SetSize(diameter);
    // Soft round tip; grit and colour vary for variant 1, smudging for 2.
    const int cell = variant == kGritVary ? 4 : 0;
    const int blend = variant == kSmudge ? 200 : 0;
    OKA_SetTool(1.0f, cell, 128, 128, 200, variant == kGritVary ? 20 : 0, 50, blend, 0, 0, 0, 0, 0, "", "", 0);
    OKA_SetDensity(variant == kGritVary ? 200 : 256);
    if (variant == kGritVary) OKA_SetPixColorVary(10);
    if (variant == kSmudge) OKA_CopyBlendBufferSurface(1000, 1000, 0, 0);
    if (paint_layer) OKA_CreatePaintLayer(100, 100, "Normal");
}

void BM_Dab(benchmark::State& st) {
    const int diameter = int(st.range(0)), variant = int(st.range(1));
    const bool paint_layer = st.range(2) != 0;
    omp_set_num_threads(int(st.range(3)));
    setup(diameter, variant, paint_layer);
    int i = 0;
    for (auto _ : st) {
        OKA_DrawDabGrit(200 + (i * 7) % 1600, 200 + (i * 13) % 1600, 0x8000, 0x4000, 0x2000);
        ++i;
    }
    st.counters["dabs/s"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
    st.counters["Mpix/s"] =
        benchmark::Counter(double(st.iterations()) * diameter * diameter / 1e6, benchmark::Counter::kIsRate);
}

// diameter, variant, into the paint layer, threads
BENCHMARK(BM_Dab)
    ->ArgsProduct({{16, 64, 200}, {kPlain}, {1, 0}, {1, 2}})
    ->ArgsProduct({{16, 64, 200}, {kGritVary, kSmudge}, {1}, {1, 2}})
    ->UseRealTime();

}  // namespace
