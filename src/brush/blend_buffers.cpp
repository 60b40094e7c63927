#include "brush/blend_buffers.h"

#include <algorithm>
#include <cstring>

#include "engine/engine_state.h"

namespace oka::brush {

void set_blend_buffer_count(int32_t count) {
    EngineState& e = engine();
    count = std::clamp(count, 0, kBlendBufferMax);
    if (count == e.blend_count) {
        select_blend_buffer(0);
        return;
    }
    for (auto& b : e.blend) b.pixels.reset();
    const size_t n = static_cast<size_t>(e.brush_max) * static_cast<size_t>(e.brush_max) * 4;
    for (int32_t i = 0; i < count; ++i) {
        BlendBuffer& b = e.blend[static_cast<size_t>(i)];
        b.pixels = new_short_undo_reduce(n);
        if (b.pixels) std::memset(b.pixels.data(), 0, b.pixels.bytes());
        b.stride = e.brush_max * 4;
    }
    e.blend_count = count;
    select_blend_buffer(0);
}

void select_blend_buffer(int32_t index) noexcept {
    EngineState& e = engine();
    if (e.blend_count <= 0) {
        e.blend_selected = nullptr;
        return;
    }
    index = std::clamp(index, 0, e.blend_count - 1);
    e.blend_selected = &e.blend[static_cast<size_t>(index)];
}

}  // namespace oka::brush
