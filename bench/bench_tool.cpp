// Tool set-up costs: the tool call for a 500-pixel brush with grit, and a
// brush shape loaded from a 1024 x 1024 PNG.
#include <benchmark/benchmark.h>

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "okacore.h"

namespace {

constexpr int kBrush = 500;

void BM_SetToolGrit500(benchmark::State& state) {
    OKA_CreateImage(nullptr, 1000, 1000, kBrush, 0);
    OKA_SetSize(kBrush);
    for (auto _ : state) {
        // Cell size 2, about half the cells drawn, most of their pixels set;
        // round shape with a soft rim.
        OKA_SetTool(1.0f, 2, 128, 200, 128, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
    }
    OKA_DeleteImage();
}
BENCHMARK(BM_SetToolGrit500)->Unit(benchmark::kMillisecond);

std::string write_shape_png() {
    const int w = 1024, h = 1024;
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            const int dx = x - w / 2, dy = y - h / 2;
            const int v = 255 - std::min(255, (dx * dx + dy * dy) / 1024);
            p[0] = p[1] = p[2] = static_cast<uint8_t>(v ^ ((x * 7 + y * 13) & 15));
            p[3] = 255;
        }
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = PNG_FORMAT_RGBA;
    const std::string path = "/tmp/okacore_bench_shape_1024.png";
    png_image_write_to_file(&img, path.c_str(), 0, px.data(), 0, nullptr);
    return path;
}

void BM_SetBrushShapePng1024(benchmark::State& state) {
    const std::string path = write_shape_png();
    OKA_CreateImage(nullptr, 1000, 1000, kBrush, 0);
    OKA_SetSize(kBrush);
    OKA_SetTool(1.0f, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
    for (auto _ : state) {
        OKA_UnloadBrushShape();  // load and decode every time, no reuse
        OKA_SetBrushShape(path.c_str(), 0);
    }
    OKA_UnloadBrushShape();
    OKA_DeleteImage();
    std::remove(path.c_str());
}
BENCHMARK(BM_SetBrushShapePng1024)->Unit(benchmark::kMillisecond);

}  // namespace
