#include "engine/pixel_transfer.h"

#include <algorithm>

#include "engine/engine_state.h"
#include "engine/pixel_rows.h"

namespace oka {

void clear_current(int32_t r, int32_t g, int32_t b, int32_t a) noexcept {
    Layer* l = current_layer();
    if (!l) return;
    const uint16_t px[4] = {widen8(r), widen8(g), widen8(b), widen8(a)};
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < v.height; ++y) fill_row_rgba64(v.row(y), v.width, px);
}

void get_rgba32_layer(uint8_t* dst, int32_t dst_stride, int32_t layer) noexcept {
    EngineState& e = engine();
    Layer* l = present_layer(layer);
    if (!dst || !l) return;
    // The host buffer is canvas-sized; a layer of another size is read only
    // where both overlap.
    const int32_t w = std::min(e.width, l->width);
    const int32_t h = std::min(e.height, l->height);
    const Rgba64View v = view_of(*l);
#pragma omp parallel for schedule(static) if (static_cast<int64_t>(w) * h > 1000)
    for (int32_t y = 0; y < h; ++y) narrow_row_rgba64_to_rgba32(v.row(y), dst + static_cast<ptrdiff_t>(y) * dst_stride, w);
}

}  // namespace oka
