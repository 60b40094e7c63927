// Repaint cost: the renderer over large documents.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <random>
#include <vector>

#include "okacore.h"

namespace {

constexpr int kEdge = 4096;

// A 4096 x 4096 document: opaque background, `layers` partly transparent
// layers cycling through Normal, Multiply and Overlay, and a stroke in the
// paint layer on the current layer.
void build(int layers) {
    static int built = -1;
    if (built == layers) return;
    built = layers;
    OKA_DeleteImage();
    OKA_CreateImage(nullptr, kEdge, kEdge, 64, 0);
    OKA_CreateLayer(1, kEdge, kEdge);
    OKA_SetLayerOptions(1, 1, 0, 100, "Normal");
    const char* modes[] = {"Normal", "Multiply", "Overlay"};
    std::vector<uint8_t> px(size_t(kEdge) * kEdge * 4);
    std::mt19937 rng(9);
    for (int i = 0; i < layers - 1; ++i) {
        const int idx = 2 + i;
        OKA_CreateLayer(idx, kEdge, kEdge);
        OKA_SetLayerOptions(idx, 1, 0, 90, modes[i % 3]);
        for (size_t k = 0; k < px.size(); k += 4) {
            px[k] = uint8_t(rng()), px[k + 1] = uint8_t(k >> 12), px[k + 2] = uint8_t(i * 40);
            px[k + 3] = (k / 4) % 3 == 0 ? 0 : uint8_t(128 + (rng() & 127));
        }
        OKA_LoadRGBA32Layer(px.data(), kEdge * 4, idx, 0, 0, kEdge, kEdge, 0);
    }
    OKA_SetLayer(layers > 1 ? 2 : 1);
    OKA_CreatePaintLayer(100, 100, "Normal");
    OKA_SetSize(64);
    OKA_SetTool(1.0f, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    for (int i = 0; i < 200; ++i) OKA_DrawDabGrit(100 + i * 15, 300 + (i % 7) * 40, 0xC000, 0x2000, 0x2000);
}

void BM_RenderOneToOne(benchmark::State& st) {
    const int layers = int(st.range(0));
    const int w = int(st.range(1)), h = int(st.range(2));
    omp_set_num_threads(int(st.range(3)));
    build(layers);
    OKA_SetScale(1, 1.0f);
    OKA_SetViewSize(w, h);
    std::vector<uint8_t> out(size_t(w) * h * 3);
    for (auto _ : st) OKA_Render(out.data(), w * 3, 0, 0, w, h);
    st.counters["Mpix/s"] = benchmark::Counter(double(st.iterations()) * w * h / 1e6, benchmark::Counter::kIsRate);
}

void BM_RenderReduce4(benchmark::State& st) {
    omp_set_num_threads(int(st.range(0)));
    build(4);
    OKA_SetScale(1, 4.0f);
    OKA_SetViewSize(1920, 1080);
    std::vector<uint8_t> out(size_t(1920) * 1080 * 3);
    for (auto _ : st) OKA_Render(out.data(), 1920 * 3, 0, 0, kEdge, kEdge);
}

void BM_RenderZoom8(benchmark::State& st) {
    omp_set_num_threads(int(st.range(0)));
    build(4);
    OKA_SetScale(8, 1.0f);
    OKA_SetViewSize(1920, 1080);
    std::vector<uint8_t> out(size_t(1920) * 1080 * 3);
    for (auto _ : st) OKA_Render(out.data(), 1920 * 3, 1000, 1000, 240, 135);
}

BENCHMARK(BM_RenderOneToOne)
    ->Args({4, 1920, 1080, 1})
    ->Args({4, 1920, 1080, 2})
    ->Args({1, 4096, 4096, 2})
    ->Args({4, 4096, 4096, 2})
    ->Args({16, 4096, 4096, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RenderReduce4)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderZoom8)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
