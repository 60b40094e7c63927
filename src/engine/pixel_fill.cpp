// Fills, alpha edits, layer queries and single-pixel pickers.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/pixel_rows.h"
#include "engine/pixel_transfer.h"
#include "history/undo_store.h"

namespace oka {
namespace {

inline uint8_t* row_at(uint8_t* base, ptrdiff_t stride, int32_t y) noexcept { return base + stride * y; }

// Apply f(pixel) to every pixel of the layer's own plane.
template <class F>
void for_each_pixel(Layer& l, F&& f) noexcept {
    const Rgba64View v = view_of(l);
    for (int32_t y = 0; y < v.height; ++y) {
        uint16_t* p = v.row(y);
        for (int32_t x = 0; x < v.width; ++x, p += 4) f(p);
    }
}

}  // namespace

// ---- Fills ------------------------------------------------------------------------

void clear_current(int32_t r, int32_t g, int32_t b, int32_t a) noexcept {
    Layer* l = current_layer();
    if (!l) return;
    const uint16_t px[4] = {widen8(r), widen8(g), widen8(b), widen8(a)};
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < v.height; ++y) fill_row_rgba64(v.row(y), v.width, px);
}

void clear_masked(int32_t r, int32_t g, int32_t b, int32_t a) noexcept {
    EngineState& e = engine();
    Layer* l = current_layer();
    if (!l) return;
    if (!e.mask_enabled || !e.mask) {
        clear_current(r, g, b, a);
        return;
    }
    // Through the mask m: 65535 stores the colour, 0 keeps the pixel, any
    // other value blends R, G, B with weight m and makes the pixel opaque.
    const uint16_t px[4] = {widen8(r), widen8(g), widen8(b), widen8(a)};
    const int32_t w = std::min(l->width, e.width), h = std::min(l->height, e.height);
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < h; ++y) {
        uint16_t* d = v.row(y);
        const uint16_t* m = e.mask.data() + size_t(y) * e.width;
        for (int32_t x = 0; x < w; ++x, d += 4) {
            const uint32_t wt = m[x];
            if (wt == 0) continue;
            if (wt == 65535) {
                std::memcpy(d, px, sizeof px);
                continue;
            }
            for (int c = 0; c < 3; ++c) d[c] = blend_channel(px[c], d[c], wt);
            d[3] = 65535;
        }
    }
}

void clear_masked_alpha(int32_t r, int32_t g, int32_t b, int32_t a) {
    EngineState& e = engine();
    Layer* l = current_layer();
    if (!l) return;
    if ((!e.mask_enabled || !e.mask) && !l->alpha_locked) {
        clear_current(r, g, b, a);
        return;
    }
    // A weighted load of a flat colour image: one row of the colour read
    // with stride 0 serves every row, and the load covers the part of the
    // layer that lies on the canvas.
    const int32_t w = std::min(l->width, e.width), h = std::min(l->height, e.height);
    if (w <= 0 || h <= 0) return;
    std::vector<uint8_t> row(size_t(w) * 4);
    const uint8_t px[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
    fill_row_rgba32(row.data(), w, px);
    load_rgba32_layer(row.data(), 0, l, 0, 0, w, h, true);
}

void clear_rgba64(uint8_t* dst, ptrdiff_t stride, int32_t r, int32_t g, int32_t b, int32_t a) noexcept {
    const EngineState& e = engine();
    if (!dst) return;
    const uint16_t px[4] = {uint16_t(r), uint16_t(g), uint16_t(b), uint16_t(a)};
    for (int32_t y = 0; y < e.height; ++y) fill_row_rgba64(reinterpret_cast<uint16_t*>(row_at(dst, stride, y)), e.width, px);
}

void clear_rgba32(uint8_t* dst, ptrdiff_t stride, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b,
                  int32_t a) noexcept {
    if (!dst || w <= 0 || h <= 0) return;
    const uint8_t px[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
    for (int32_t y = 0; y < h; ++y) fill_row_rgba32(row_at(dst, stride, y), w, px);
}

// ---- Alpha edits --------------------------------------------------------------------

void invert_alpha(int32_t layer) noexcept {
    if (Layer* l = present_layer(layer)) for_each_pixel(*l, [](uint16_t* p) { p[3] = uint16_t(65535 - p[3]); });
}

void invert_alpha_rgba32(uint8_t* dst) noexcept {
    if (!dst) return;
    const size_t n = engine().canvas_pixels();
    for (size_t i = 0; i < n; ++i) dst[i * 4 + 3] = uint8_t(255 - dst[i * 4 + 3]);
}

void set_layer_alpha(int32_t layer, int32_t alpha) noexcept {
    if (Layer* l = present_layer(layer)) for_each_pixel(*l, [a = uint16_t(alpha)](uint16_t* p) { p[3] = a; });
}

void normalize_layer_alpha(int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    // Alpha modes keep their opacity: it means something else to them.
    if (!l || l->mode > 31) return;
    const uint32_t op = l->opacity;
    for_each_pixel(*l, [op](uint16_t* p) { p[3] = uint16_t((p[3] * op) >> 8); });
    l->opacity = 256;
}

void set_color_alpha(int32_t r, int32_t g, int32_t b) noexcept {
    Layer* l = current_layer();
    if (!l) return;
    // This fill widens by v * 257 so that 255 is full intensity.
    const uint16_t c[3] = {uint16_t((r & 255) * 257), uint16_t((g & 255) * 257), uint16_t((b & 255) * 257)};
    for_each_pixel(*l, [&c](uint16_t* p) {
        if (p[3] < 256) {
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            p[3] = 0;
        }
    });
}

void set_rgb_in_rgba32(uint8_t* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b,
                       bool only_transparent) noexcept {
    if (!dst || w <= 0 || h <= 0) return;
    const size_t n = size_t(w) * size_t(h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t* p = dst + i * 4;
        if (only_transparent && p[3] != 0) continue;
        p[0] = uint8_t(r);
        p[1] = uint8_t(g);
        p[2] = uint8_t(b);
    }
}

void key_color_to_alpha(uint8_t* dst, int32_t r, int32_t g, int32_t b) noexcept {
    if (!dst) return;
    const size_t n = engine().canvas_pixels();
    for (size_t i = 0; i < n; ++i) {
        uint8_t* p = dst + i * 4;
        if (p[0] == uint8_t(r) && p[1] == uint8_t(g) && p[2] == uint8_t(b)) p[3] = 0;
    }
}

// ---- Queries --------------------------------------------------------------------------

void find_data_extents(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) noexcept {
    Layer* l = present_layer(layer);
    if (!l) return;
    const EngineState& e = engine();
    int32_t x0 = e.width, y0 = e.height, x1 = 0, y1 = 0;
    bool any = false;
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < v.height; ++y) {
        const uint16_t* p = v.row(y);
        for (int32_t x = 0; x < v.width; ++x, p += 4) {
            if (p[3] == 0) continue;
            if (!any) {
                x0 = x1 = x;
                y0 = y1 = y;
                any = true;
            }
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    if (left) *left = x0;
    if (top) *top = y0;
    if (right) *right = x1;
    if (bottom) *bottom = y1;
}

int32_t is_layer_transparent(int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (!l) return 1;
    const size_t n = size_t(l->width) * size_t(l->height);
    const uint16_t* p = l->pixels.data();
    for (size_t i = 0; i < n; ++i)
        if (p[i * 4 + 3] < 65280) return 1;
    return 0;
}

int32_t is_single_color(int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (!l) return 0;
    const size_t n = size_t(l->width) * size_t(l->height);
    const uint16_t* p = l->pixels.data();
    for (size_t i = 1; i < n; ++i)
        if (std::memcmp(p + i * 4, p, 8) != 0) return 0;
    return 1;
}

// ---- Pickers ----------------------------------------------------------------------------

int32_t current_channel_at(int32_t x, int32_t y, int channel) noexcept {
    const EngineState& e = engine();
    Layer* l = current_layer();
    if (!l || x < 0 || y < 0 || x >= e.width || y >= e.height || x >= l->width || y >= l->height) return 0;
    return view_of(*l).row(y)[size_t(x) * 4 + size_t(channel)];
}

int32_t mask_protection_at(int32_t x, int32_t y) noexcept {
    const EngineState& e = engine();
    if (!current_layer() || !e.mask_enabled || !e.mask || x < 0 || y < 0 || x >= e.width || y >= e.height) return 0;
    return 65535 - e.mask[size_t(y) * e.width + size_t(x)];
}

uint32_t packed_rgba_at(const uint16_t* plane, int32_t width, int32_t height, int32_t stride, int32_t x,
                        int32_t y) noexcept {
    if (!plane || width <= 0 || height <= 0) return 0;
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    const uint16_t* p = plane + int64_t{y} * stride + int64_t{x} * 4;
    return uint32_t(narrow16(p[0])) << 24 | uint32_t(narrow16(p[1])) << 16 | uint32_t(narrow16(p[2])) << 8 |
           narrow16(p[3]);
}

uint32_t packed_argb_at(const uint16_t* plane, int32_t width, int32_t height, int32_t stride, int32_t x,
                        int32_t y) noexcept {
    if (!plane) return 0;
    if (x < 0 || y < 0 || x >= width || y >= height) return 16777215;
    const uint16_t* p = plane + int64_t{y} * stride + int64_t{x} * 4;
    return uint32_t(narrow16(p[3])) << 24 | uint32_t(narrow16(p[0])) << 16 | uint32_t(narrow16(p[1])) << 8 |
           narrow16(p[2]);
}

namespace {

struct Plane {
    const uint16_t* data;
    int32_t width, height, stride;
};

// The plane a picker reads, in its own geometry. A layer smaller than the
// canvas is read only inside itself.
Plane pick_plane(PickSource s, int32_t layer) noexcept {
    EngineState& e = engine();
    auto of = [&e](const Layer* l) -> Plane {
        if (!l || !l->present()) return {nullptr, 0, 0, 0};
        return {l->pixels.data(), std::min(e.width, l->width), std::min(e.height, l->height), l->stride};
    };
    switch (s) {
        case PickSource::Surface: return of(current_layer());
        case PickSource::Layer: return of(present_layer(layer));
        case PickSource::Trace: return of(e.trace);
        case PickSource::UnderLayer:
            if (!e.undo_back_layer || e.undo_back_layer.size() < e.canvas_pixels() * 4) return {nullptr, 0, 0, 0};
            return {e.undo_back_layer.data(), e.width, e.height, e.stride};
    }
    return {nullptr, 0, 0, 0};
}

}  // namespace

uint32_t pick_rgba(PickSource s, int32_t x, int32_t y, int32_t layer) noexcept {
    const Plane p = pick_plane(s, layer);
    return packed_rgba_at(p.data, p.width, p.height, p.stride, x, y);
}

uint32_t pick_argb(PickSource s, int32_t x, int32_t y, int32_t layer) noexcept {
    const EngineState& e = engine();
    const Plane p = pick_plane(s, layer);
    if (!p.data) return 0;
    // Outside the canvas is "white, transparent"; inside the canvas but
    // beyond a smaller layer reads as transparent black.
    if (x < 0 || y < 0 || x >= e.width || y >= e.height) return 16777215;
    if (x >= p.width || y >= p.height) return 0;
    return packed_argb_at(p.data, p.width, p.height, p.stride, x, y);
}

uint32_t pick_argb_history(int32_t x, int32_t y) noexcept {
    // The step that an undo would restore next: the newest not yet undone.
    const int32_t position = int32_t(history::redo_count()) + 1;
    const uint16_t* block = history::step_layer_block(position);
    if (!block) return 0;
    const history::StepInfo s = history::step_info(position);
    const EngineState& e = engine();
    if (x < 0 || y < 0 || x >= e.width || y >= e.height) return 16777215;
    // The block covers only the step's rectangle: offset by its corner and
    // never read beyond it.
    const int32_t w = s.x1 - s.x0 + 1, h = s.y1 - s.y0 + 1;
    return packed_argb_at(block, w, h, w * 4, x - s.x0, y - s.y0);
}

}  // namespace oka
