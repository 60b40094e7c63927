// Masks built from a 4096 x 4096 picture, next to plain passes over the same
// memory: reading the layer's RGBA64 plane, and reading the RGBA32 picture
// while writing one mask value per pixel (the traffic every marker has).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_state.h"
#include "mask/mask_from_pixels.h"
#include "okacore.h"

namespace {

constexpr int kEdge = 4096;
constexpr size_t kPixels = size_t(kEdge) * kEdge;

// A colourful picture: smooth hue and value ramps with per-pixel noise, so
// that every hue sector, both tie-free and tied maxima, and long runs of
// nearly equal colours all occur. The current layer holds the same pixels
// widened.
struct MaskCanvas {
    std::vector<uint8_t> rgba;
    MaskCanvas() : rgba(kPixels * 4) {
        auto& e = oka::engine();
        if (e.width != kEdge || e.height != kEdge || !e.mask) OKA_CreateImage(nullptr, kEdge, kEdge, 16, 0);
        if (!oka::present_layer(2)) OKA_CreateLayer(2, kEdge, kEdge);
        OKA_SetLayer(2);
        std::mt19937 rng(7);
        for (int y = 0; y < kEdge; ++y)
            for (int x = 0; x < kEdge; ++x) {
                uint8_t* p = &rgba[(size_t(y) * kEdge + x) * 4];
                const int n = int(rng() % 9) - 4;
                p[0] = uint8_t(std::clamp((x >> 4) + n, 0, 255));
                p[1] = uint8_t(std::clamp((y >> 4) - n, 0, 255));
                p[2] = uint8_t(std::clamp(((x + y) >> 5) + n, 0, 255));
                p[3] = uint8_t(rng());
            }
        uint16_t* l = oka::engine().layers[2].pixels.data();
        for (size_t i = 0; i < kPixels * 4; ++i) l[i] = uint16_t(rgba[i] << 8);
    }
};

MaskCanvas& canvas() {
    static MaskCanvas c;
    return c;
}

// Bytes counted for the markers: 4 read from the picture, 2 written to the mask.
void set_marker_bytes(benchmark::State& st) { st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 6); }

void BM_PlainPassLayerMemory(benchmark::State& st) {
    canvas();
    const uint64_t* p = reinterpret_cast<const uint64_t*>(oka::engine().layers[2].pixels.data());
    for (auto _ : st) {
        uint64_t acc = 0;
        for (size_t i = 0; i < kPixels; ++i) acc += p[i];
        benchmark::DoNotOptimize(acc);
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(kPixels) * 8);
}

void BM_PlainPassPictureToMask(benchmark::State& st) {
    auto& c = canvas();
    uint16_t* m = oka::engine().mask.data();
    for (auto _ : st) {
        const uint8_t* p = c.rgba.data();
        for (size_t i = 0; i < kPixels; ++i) m[i] = uint16_t(p[4 * i + 3] << 8);
        benchmark::DoNotOptimize(m);
    }
    set_marker_bytes(st);
}

void BM_HueRangeMask(benchmark::State& st) {
    auto& c = canvas();
    for (auto _ : st) OKA_CreateMaskFromRGBAImageHueRange(c.rgba.data(), 200, 90, 40, 15, 200);
    set_marker_bytes(st);
}

// The same with the 8-lane build refused: what a CPU without AVX2 runs.
void BM_HueRangeMaskFourLanes(benchmark::State& st) {
    auto& c = canvas();
    for (auto _ : st) oka::detail::mark_rgba_hue_range_lanes(c.rgba.data(), 200, 90, 40, 15, 200, false);
    set_marker_bytes(st);
}

void BM_LuminanceRangeMask(benchmark::State& st) {
    auto& c = canvas();
    for (auto _ : st) OKA_CreateMaskFromRGBAImageLuminanceRange(c.rgba.data(), 120, 100, 80, 20, 200);
    set_marker_bytes(st);
}

void BM_ColourRangeMask(benchmark::State& st) {
    auto& c = canvas();
    for (auto _ : st) OKA_CreateMaskFromRGBAImageColorRange(c.rgba.data(), 120, 100, 80, 20, 200);
    set_marker_bytes(st);
}

void BM_HslRangeMask(benchmark::State& st) {
    auto& c = canvas();
    for (auto _ : st) OKA_CreateMaskFromRGBAImageHSLRange(c.rgba.data(), 200, 90, 40, 0.1, 0.3, 0.3, 200);
    set_marker_bytes(st);
}

}  // namespace

BENCHMARK(BM_PlainPassLayerMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPassPictureToMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueRangeMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueRangeMaskFourLanes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuminanceRangeMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourRangeMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HslRangeMask)->Unit(benchmark::kMillisecond);
