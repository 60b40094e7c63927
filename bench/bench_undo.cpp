// Undo store and row codec throughput: a save + undo + redo of a 256 x 256
// rectangle on a 4096 x 4096 canvas (only the rectangle is copied, so the
// canvas size must not show), and both codecs on a 10,000-pixel row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/engine_state.h"
#include "engine/rle_codec.h"
#include "history/undo_store.h"
#include "okacore.h"

namespace {

void BM_SaveUndoRedo256On4096(benchmark::State& state) {
    OKA_CreateImage(nullptr, 4096, 4096, 16, 0);
    OKA_CreateLayer(2, 4096, 4096);
    OKA_SetLayer(2);
    OKA_SetUndoLevels(20);
    OKA_SetUndoMB(512);
    oka::Layer& l = oka::engine().layers[2];
    uint16_t v = 0;
    for (auto _ : state) {
        // A stroke's worth of change: one row of the rectangle and the
        // dirty rectangle a dab sequence would leave.
        ++v;
        for (int32_t x = 1000; x < 1256; ++x) l.pixels[(size_t(1000) * 4096 + size_t(x)) * 4] = v;
        oka::history::widen_dirty_rect(1000, 1000, 1255, 1255);
        OKA_SaveUndoBuffer(1, 1);
        OKA_Undo();
        OKA_Redo();
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    OKA_DeleteImage();
}
BENCHMARK(BM_SaveUndoRedo256On4096)->Unit(benchmark::kMicrosecond);

// A row with runs of varying length and some noise, as a painted row has.
std::vector<uint16_t> sample_row(size_t n) {
    std::vector<uint16_t> row;
    row.reserve(n * 4);
    uint32_t s = 1;
    for (size_t i = 0; i < n; ++i) {
        s = s * 214013u + 2531011u;
        const uint16_t base = uint16_t((i / 37) << 10);
        const uint16_t noise = (i % 5 == 0) ? uint16_t(s >> 16) : 0;
        row.insert(row.end(), {uint16_t(base ^ noise), base, uint16_t(base + 0x80), 0xFFFF});
    }
    return row;
}

constexpr size_t kRow = 10000;

void BM_RleEncodeRgba(benchmark::State& state) {
    const auto row = sample_row(kRow);
    std::vector<uint8_t> out(oka::rle::rgba_stream_capacity(kRow));
    for (auto _ : state) benchmark::DoNotOptimize(oka::rle::encode_rgba64(row.data(), kRow, out.data()));
    state.SetItemsProcessed(state.iterations() * kRow);
}
BENCHMARK(BM_RleEncodeRgba);

void BM_RleDecodeRgba(benchmark::State& state) {
    const auto row = sample_row(kRow);
    std::vector<uint8_t> stream(oka::rle::rgba_stream_capacity(kRow));
    const size_t bytes = oka::rle::encode_rgba64(row.data(), kRow, stream.data());
    std::vector<uint16_t> out(kRow * 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(oka::rle::decode_rgba32(stream.data(), bytes, out.data(), kRow));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRow);
}
BENCHMARK(BM_RleDecodeRgba);

void BM_RleEncodeGrey(benchmark::State& state) {
    const auto row = sample_row(kRow);
    std::vector<uint16_t> mask(kRow);
    for (size_t i = 0; i < kRow; ++i) mask[i] = row[4 * i];
    std::vector<uint8_t> out(oka::rle::grey_stream_capacity(kRow));
    for (auto _ : state) benchmark::DoNotOptimize(oka::rle::encode_g16(mask.data(), kRow, out.data()));
    state.SetItemsProcessed(state.iterations() * kRow);
}
BENCHMARK(BM_RleEncodeGrey);

void BM_RleDecodeGrey(benchmark::State& state) {
    const auto row = sample_row(kRow);
    std::vector<uint16_t> mask(kRow);
    for (size_t i = 0; i < kRow; ++i) mask[i] = row[4 * i];
    std::vector<uint8_t> stream(oka::rle::grey_stream_capacity(kRow));
    const size_t bytes = oka::rle::encode_g16(mask.data(), kRow, stream.data());
    std::vector<uint16_t> out(kRow);
    for (auto _ : state) {
        benchmark::DoNotOptimize(oka::rle::decode_g8(stream.data(), bytes, out.data(), kRow));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRow);
}
BENCHMARK(BM_RleDecodeGrey);

}  // namespace
