#include "brush/paint_layer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "brush/tool_state.h"
#include "engine/compositor.h"
#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "imaging/blur.h"

namespace oka::brush {
namespace {

void empty_extents(Layer& p) noexcept {
    const EngineState& e = engine();
    p.ext_left = e.width;
    p.ext_top = e.height;
    p.ext_right = 0;
    p.ext_bottom = 0;
}

}  // namespace

int32_t create_paint_layer(int32_t opacity_percent, int32_t strength_percent, const char* mode_name) {
    EngineState& e = engine();
    Layer& p = e.paint_layer;
    if (!p.present()) {
        p.width = e.width;
        p.height = e.height;
        p.stride = e.width * 4;
        p.pixels = new_short_undo_reduce(e.canvas_pixels() * 4);
        p.ext_left = 0, p.ext_top = 0, p.ext_right = e.width, p.ext_bottom = e.height;
        clear_paint_layer();
    }
    if (mode_name && strnlen(mode_name, kModeNameCapacity) < kModeNameCapacity)
        std::memcpy(p.mode_name, mode_name, std::strlen(mode_name) + 1);
    p.visible = 1;
    p.alpha_locked = 0;
    // percent x 2.56 and percent x 2.559, truncated, kept in their ranges.
    p.opacity = uint16_t(std::clamp<int64_t>(int64_t(opacity_percent) * 256 / 100, 0, 256));
    p.strength = uint16_t(std::clamp<int64_t>(int64_t(strength_percent) * 2559 / 1000, 0, 255));
    p.mode = layer_mode_from_name(mode_name);
    return p.mode;
}

void clear_paint_layer() noexcept {
    Layer& p = engine().paint_layer;
    if (!p.present()) return;
    std::memset(p.pixels.data(), 0, p.pixels.bytes());
    empty_extents(p);
}

void clear_paint_layer_old() noexcept {
    Layer& p = engine().paint_layer;
    if (!p.present()) return;
    std::memset(p.pixels.data(), 0xFF, p.pixels.bytes());
    // Only the touched rectangle, clamped to the plane, returns to 0.
    const int32_t l = std::max(p.ext_left, 0), t = std::max(p.ext_top, 0);
    const int32_t r = std::min(p.ext_right, p.width), b = std::min(p.ext_bottom, p.height);
    for (int32_t y = t; y < b; ++y)
        if (r > l) std::memset(p.pixels.data() + size_t(y) * p.stride + size_t(l) * 4, 0, size_t(r - l) * 8);
    empty_extents(p);
}

void merge_paint_layer(int32_t index) noexcept {
    EngineState& e = engine();
    Layer& p = e.paint_layer;
    if (!p.present()) return;
    Layer* target = present_layer(index);
    const Layer* cur = current_layer();
    if (target) {
        // The extents are whatever the dabs or the host set; clipped to the
        // plane before their difference is taken (far-out values would
        // overflow it). The source and destination corners are equal, so
        // this is the clipping the compositor would do.
        const int32_t left = std::clamp(p.ext_left, 0, p.width), top = std::clamp(p.ext_top, 0, p.height);
        const int32_t right = std::clamp(p.ext_right, 0, p.width), bottom = std::clamp(p.ext_bottom, 0, p.height);
        CompositeArgs a;
        a.src = view_of(p);
        a.src_x = left;
        a.src_y = top;
        a.width = right - left;
        a.height = bottom - top;
        a.dst = view_of(*target);
        a.dst_x = left;
        a.dst_y = top;
        a.mode = p.mode;
        a.opacity = p.opacity;
        a.strength = p.strength;
        // The current layer's lock (whatever index is merged into) or the
        // engine-wide lock keeps the destination alpha.
        a.keep_alpha = (cur && cur->alpha_locked) || tool().alpha_locked != 0;
        // Empty extents give a size of 0 or less: nothing to merge.
        if (a.width > 0 && a.height > 0) composite(a);
    }
    clear_paint_layer();
}

void set_paint_layer_extents(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept {
    Layer& p = engine().paint_layer;
    p.ext_left = left, p.ext_top = top, p.ext_right = right, p.ext_bottom = bottom;
}

void swap_paint_layer(int32_t index) noexcept {
    if (Layer* l = layer_at(index)) std::swap(*l, engine().paint_layer);
}

void delete_paint_layer() noexcept { engine().paint_layer.pixels.reset(); }

void blur_paint_layer_alpha() {
    Layer& p = engine().paint_layer;
    if (!p.present() || p.width <= 0 || p.height <= 0) return;
    const size_t n = size_t(p.width) * size_t(p.height);
    Buffer<uint8_t> first = new_char_undo_reduce(n);
    Buffer<uint8_t> second = new_char_undo_reduce(n);
    if (!first || !second) return;  // both are released on return
    for (int32_t y = 0; y < p.height; ++y) {
        const uint16_t* s = p.pixels.data() + size_t(y) * p.stride;
        uint8_t* d = first.data() + size_t(y) * p.width;
        for (int32_t x = 0; x < p.width; ++x) d[x] = uint8_t(s[x * 4 + 3] >> 8);
    }
    if (!imaging::blur_grey_3x3(first.data(), p.width, p.height, p.width, second.data(), p.width, 100)) return;
    // Solid coverage (high byte 240 and up) stays fully opaque; the rest
    // takes the blurred value.
    for (int32_t y = 0; y < p.height; ++y) {
        uint16_t* s = p.pixels.data() + size_t(y) * p.stride;
        const uint8_t* before = first.data() + size_t(y) * p.width;
        const uint8_t* after = second.data() + size_t(y) * p.width;
        for (int32_t x = 0; x < p.width; ++x) s[x * 4 + 3] = before[x] >= 240 ? 65535 : uint16_t(after[x] << 8);
    }
}

}  // namespace oka::brush
