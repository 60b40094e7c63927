#include "engine/layers.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "history/undo_store.h"

namespace oka {

int32_t create_layer(int32_t index, int32_t width, int32_t height) {
    Layer* l = layer_at(index);
    if (!l) return 0;
    // A negative edge can never describe a plane; treat it as empty so the
    // size products below stay meaningful.
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (l->present() && (l->width != width || l->height != height)) l->pixels.reset();
    l->width = width;
    l->height = height;
    l->stride = static_cast<int32_t>(std::min<int64_t>(int64_t{width} * 4, INT32_MAX));
    if (!l->present()) {
        size_t n;
        if (!checked_mul3(static_cast<size_t>(width), static_cast<size_t>(height), 4, &n)) return 0;
        l->pixels = new_short_undo_reduce(n);
    }
    if (!l->present()) return 0;
    // Layer 1 is the background: opaque white. Every other layer starts
    // transparent black.
    const uint16_t fill = (index == kBackgroundLayer) ? 65535 : 0;
    std::fill_n(l->pixels.data(), l->pixels.size(), fill);
    return 1;
}

void delete_layer(int32_t index) noexcept {
    if (Layer* l = layer_at(index)) l->pixels.reset();
}

int32_t compute_top_index() noexcept {
    EngineState& e = engine();
    for (int32_t i = kLayerCount - 1; i >= 1; --i)
        if (e.layers[static_cast<size_t>(i)].present()) return i;
    return 1;
}

int32_t layer_count() noexcept {
    int32_t n = 0;
    for (const auto& l : engine().layers) n += l.present() ? 1 : 0;
    return n;
}

uint8_t texture_value(uint16_t r, uint16_t g, uint16_t b) noexcept {
    const uint32_t v = (uint32_t{r} + g + b) / 768;
    return static_cast<uint8_t>(std::clamp<uint32_t>(v, 4, 250));
}

int32_t create_texture(int32_t index) {
    EngineState& e = engine();
    Layer* l = present_layer(index);
    // The texture is read over the canvas size, so only a canvas-sized
    // layer can feed it; anything else would read past the plane.
    if (!l || !e.has_canvas_geometry(*l)) return 0;
    if (!e.texture) {
        e.texture = new_char_undo_reduce(e.canvas_pixels());
        if (!e.texture) return 0;
    }
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < e.height; ++y) {
        const uint16_t* s = v.row(y);
        uint8_t* t = e.texture.data() + static_cast<size_t>(y) * e.width;
        for (int32_t x = 0; x < e.width; ++x, s += 4) t[x] = texture_value(s[0], s[1], s[2]);
    }
    return 1;
}

void delete_texture() noexcept { engine().texture.reset(); }

void set_layer_options(int32_t index, uint8_t visible, uint8_t alpha_locked, int32_t opacity_percent,
                       const char* mode_name) {
    EngineState& e = engine();
    Layer* l = layer_at(index);
    if (!l) return;
    if (l->mode == kModeTexturize3) delete_texture();
    l->visible = visible;
    l->alpha_locked = alpha_locked;
    l->strength = 255;
    l->mode_name[0] = '\0';
    // percent x 2.56 truncated toward zero, in integers: p * 256 / 100.
    // Kept inside 0..256: the compositor's arithmetic assumes it.
    const int64_t opacity = static_cast<int64_t>(opacity_percent) * 256 / 100;
    l->opacity = static_cast<uint16_t>(std::clamp<int64_t>(opacity, 0, 256));
    if (mode_name && strnlen(mode_name, kModeNameCapacity) < kModeNameCapacity)
        std::memcpy(l->mode_name, mode_name, std::strlen(mode_name) + 1);
    l->mode = layer_mode_from_name(mode_name);
    e.top_index = compute_top_index();
    if (l != e.current && l->visible && l->mode == kModeTexturize3) create_texture(index);
}

void set_layer(int32_t index) {
    EngineState& e = engine();
    Layer* l = present_layer(index);
    if (!l) return;
    if (l->mode == kModeTexturize3) delete_texture();
    Layer* previous = e.current;
    if (previous && previous != l && previous->present() && previous->visible && previous->mode == kModeTexturize3)
        create_texture(static_cast<int32_t>(previous - e.layers.data()));
    e.current_index = index;
    e.current = l;
    history::save_back_buffer();
}

void swap_layers(int32_t a, int32_t b) noexcept {
    Layer* la = layer_at(a);
    Layer* lb = layer_at(b);
    if (!la || !lb || la == lb) return;
    std::swap(*la, *lb);
}

int32_t mask_layer_above(int32_t a) noexcept {
    EngineState& e = engine();
    if (a < 0) a = -1;
    for (int32_t i = a + 1; i <= e.top_index && i < kLayerCount; ++i) {
        const Layer& l = e.layers[static_cast<size_t>(i)];
        if (!l.present() || !l.visible) continue;
        return l.mode == kModeLayerMask ? i : 0;
    }
    return 0;
}

}  // namespace oka
