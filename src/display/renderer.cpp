#include "display/renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "brush/merge_modes.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "mask/mask_store.h"

namespace oka::display {
namespace {

ViewSettings g_view;

// One entry of the visible list.
struct Entry {
    const uint16_t* pixels;
    int32_t stride;
    int32_t mode;
    uint32_t opacity;
    bool alpha_locked;
    bool mask_above;  // the next entry up is a "Layer Mask" layer
};

struct Scene {
    std::array<Entry, kLayerCount> list;
    int32_t count = 0;
    int32_t current = -1;       // entry showing the stroke, or -1
    bool background = false;    // entry 0 is layer 1
    // Paint layer.
    const uint16_t* paint = nullptr;
    int32_t paint_stride = 0;
    int32_t paint_mode = 0;
    uint32_t paint_strength = 0, paint_opacity = 0;
    bool keep_alpha_engine = false;
    // Trace, mask and overlay.
    const uint16_t* trace = nullptr;
    int32_t trace_stride = 0;
    const uint16_t* mask = nullptr;  // null unless shown
    int32_t width = 0;
    bool overlay_full = false;
    uint32_t tint1[3] = {}, tint2[3] = {};
    uint16_t omega = 65535;
};

// Normal, the most common rule, written out here so the pixel loop keeps it
// inline; the same operations in the same order as the merge-mode table's
// Normal, so the results are identical:
//   a = A / 65535, d = Af, S = c a / 65280, D = Cf d
//   X = S + D (1 - a), alpha = a + d - a d (clamped), Cf' = clamp01(X / alpha)
inline double clamp01(double v) noexcept {
    v = v > 0.0 ? v : 0.0;
    return v < 1.0 ? v : 1.0;
}
[[gnu::always_inline]] inline void blend_normal(const uint32_t px[4], float acc[4]) noexcept {
    const double a = px[3] * (1.0 / 65535.0), d = acc[3];
    const double sa = a * (1.0 / 65280.0);
    double alpha = a + d - a * d;
    alpha = clamp01(alpha);
    for (int c = 0; c < 3; ++c) {
        const double S = px[c] * sa, D = double(acc[c]) * d;
        acc[c] = float(clamp01((S + D * (1.0 - a)) / alpha));
    }
    acc[3] = float(alpha);
}

// The composite of one canvas pixel (cx, cy) as 16-bit R, G, B, A.
[[gnu::always_inline]] inline void composite(const Scene& sc, int32_t cx, int32_t cy, uint32_t out[4]) noexcept {
    const size_t at = size_t(cy);
    float F[4] = {0, 0, 0, 0};
    uint32_t I[4] = {0, 0, 0, 0};
    bool floats = false;
    for (int32_t k = 0; k < sc.count; ++k) {
        const Entry& e = sc.list[size_t(k)];
        const uint16_t* p = e.pixels + at * size_t(e.stride) + size_t(cx) * 4;
        uint32_t px[4] = {p[0], p[1], p[2], p[3]};
        const bool first_bg = k == 0 && sc.background;
        if (first_bg) px[3] = 65535;
        const bool current = k == sc.current;
        if (px[3] == 0 && e.mode <= 31 && !current) continue;
        if (current) {
            // The stroke in progress, merged as the commit will merge it.
            const uint16_t* q = sc.paint + at * size_t(sc.paint_stride) + size_t(cx) * 4;
            int32_t r = int32_t(px[0]), g = int32_t(px[1]), b = int32_t(px[2]), a = int32_t(px[3]);
            const int32_t sa = int32_t((uint32_t(q[3]) * (sc.paint_strength + 1)) >> 8);
            // Under a merge mode a transparent stroke pixel changes nothing:
            // most of the layer is not under the stroke.
            if (sa != 0 || sc.paint_mode > 30) merge_pixel(&r, &g, &b, &a, q[0], q[1], q[2], sa, sc.paint_mode, int32_t(sc.paint_opacity),
                        e.alpha_locked || sc.keep_alpha_engine);
            px[0] = uint32_t(r), px[1] = uint32_t(g), px[2] = uint32_t(b), px[3] = uint32_t(a);
        }
        if (e.mask_above) {
            const Entry& m = sc.list[size_t(k + 1)];
            const uint16_t* q = m.pixels + at * size_t(m.stride) + size_t(cx) * 4;
            // A := A * grey >> 16 where the mask layer has any alpha.
            if (q[3] > 0) px[3] = (px[3] * ((uint32_t(q[0]) + q[1] + q[2]) / 3)) >> 16;
            if (first_bg) px[3] = 65535;
        }
        // Merge modes need no preparation: the rule is the mode.
        const int32_t rule = e.mode >= 0 && e.mode <= 30 ? e.mode : prepare_render_pixel(e.mode, px, sc.omega);
        if (e.opacity < 255) px[3] = ((e.opacity + 1) * px[3]) >> 8;
        if (F[3] == 0.0f) {
            if (rule == 20 || rule == 21 || (rule >= 27 && rule <= 29)) {
                std::fill_n(F, 4, 0.0f);
                std::fill_n(I, 4, 0u);
            } else {
                std::copy_n(px, 4, I);
                F[0] = float(px[0]) / 65280.0f, F[1] = float(px[1]) / 65280.0f, F[2] = float(px[2]) / 65280.0f;
                F[3] = float(px[3]) / 65535.0f;
            }
            floats = false;
        } else if (px[3] >= 0xFF00 && rule == 0) {
            I[0] = px[0], I[1] = px[1], I[2] = px[2], I[3] = 65535;
            F[0] = float(px[0]) / 65280.0f, F[1] = float(px[1]) / 65280.0f, F[2] = float(px[2]) / 65280.0f;
            F[3] = 1.0f;
            floats = false;
        } else {
            if (rule == 0)
                blend_normal(px, F);
            else
                blend_render_float(rule, px, F);
            floats = true;
        }
    }
    if (floats) {
        out[0] = uint32_t(std::clamp(int64_t(double(F[0]) * 65280.0), int64_t(0), int64_t(65535)));
        out[1] = uint32_t(std::clamp(int64_t(double(F[1]) * 65280.0), int64_t(0), int64_t(65535)));
        out[2] = uint32_t(std::clamp(int64_t(double(F[2]) * 65280.0), int64_t(0), int64_t(65535)));
        out[3] = uint32_t(std::clamp(int64_t(double(F[3]) * 65535.0), int64_t(0), int64_t(65535)));
    } else {
        std::copy_n(I, 4, out);
    }
}

// Tracing, checkerboard and output for one destination pixel.
inline void finish(const Scene& sc, uint32_t c[4], int32_t cx, int32_t cy, uint8_t* d) noexcept {
    if (sc.trace) {
        const uint16_t* t = sc.trace + size_t(cy) * size_t(sc.trace_stride) + size_t(cx) * 4;
        for (int i = 0; i < 3; ++i) c[i] = (c[i] + t[i]) >> 1;
    }
    const bool odd = (((cx >> 5) + (cy >> 5)) & 1) != 0;
    if (c[3] < 65535) {
        // Checkerboard squares of 32 canvas pixels: white and 0x9FFF grey.
        const uint32_t k = odd ? 0x9FFFu : 65535u, A = c[3];
        for (int i = 0; i < 3; ++i) c[i] = (((A * c[i]) >> 8) + (((65535u - A) * k) >> 8)) >> 8;
    }
    if (sc.mask) {
        uint32_t m = sc.mask[size_t(cy) * size_t(sc.width) + size_t(cx)];
        if (m < 65535) {
            if (!sc.overlay_full) m = (m >> 1) + 32767;
            const uint32_t inv = 65535 - m;
            const uint32_t* T = odd ? sc.tint1 : sc.tint2;
            d[0] = uint8_t((((m * c[2]) >> 8) + ((inv * T[2]) >> 8)) >> 16);
            d[1] = uint8_t((((m * c[1]) >> 8) + ((inv * T[1]) >> 8)) >> 16);
            d[2] = uint8_t((((m * c[0]) >> 8) + ((inv * T[0]) >> 8)) >> 16);
            return;
        }
    }
    d[0] = uint8_t(c[2] >> 8);
    d[1] = uint8_t(c[1] >> 8);
    d[2] = uint8_t(c[0] >> 8);
}

bool build_scene(Scene& sc) noexcept {
    EngineState& e = engine();
    const Layer* cur = current_layer();
    if (!cur) return false;
    const Layer& pl = e.paint_layer;
    const bool paint = pl.present() && pl.width == e.width && pl.height == e.height;
    // Only canvas-sized layers are drawn: every read is at canvas positions.
    for (int32_t i = 1; i < kLayerCount; ++i) {
        const Layer& l = e.layers[size_t(i)];
        if (!l.present() || !l.visible || l.mode == kModeTexturize3 || !e.has_canvas_geometry(l)) continue;
        Entry& en = sc.list[size_t(sc.count)];
        en = {l.pixels.data(), l.stride, l.mode, l.opacity, l.alpha_locked != 0, false};
        if (i == kBackgroundLayer && sc.count == 0) sc.background = true;
        if (paint && &l == cur) sc.current = sc.count;
        ++sc.count;
    }
    for (int32_t k = 0; k + 1 < sc.count; ++k) sc.list[size_t(k)].mask_above = sc.list[size_t(k + 1)].mode == kModeLayerMask;
    if (paint) {
        sc.paint = pl.pixels.data();
        sc.paint_stride = pl.stride;
        sc.paint_mode = pl.mode;
        sc.paint_strength = pl.strength;
        sc.paint_opacity = pl.opacity;
    }
    sc.keep_alpha_engine = brush::tool().alpha_locked != 0;
    const Layer* tr = e.trace;
    if (e.tracing_mode && tr && tr->present() && e.has_canvas_geometry(*tr)) {
        sc.trace = tr->pixels.data();
        sc.trace_stride = tr->stride;
    }
    if (mask::mask_displayed() && e.mask_enabled && e.mask) sc.mask = e.mask.data();
    sc.width = e.width;
    const mask::OverlayOptions& o = mask::overlay_options();
    sc.overlay_full = o.full != 0;
    for (int i = 0; i < 3; ++i) {
        sc.tint1[i] = uint32_t(std::clamp(o.colour1[i], 0, 65535));
        sc.tint2[i] = uint32_t(std::clamp(o.colour2[i], 0, 65535));
    }
    sc.omega = alpha_layer_opacity();
    return true;
}

}  // namespace

ViewSettings& view_settings() noexcept { return g_view; }

int32_t render(uint8_t* dest, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height) noexcept {
    EngineState& e = engine();
    Scene sc;
    if (!build_scene(sc)) return 0;
    if (!dest) return 1;
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (int64_t{x} + width > e.width) width = e.width - x;
    if (int64_t{y} + height > e.height) height = e.height - y;
    if (width <= 0 || height <= 0 || g_view.view_width <= 0 || g_view.view_height <= 0) return 1;

    const int32_t N = e.zoom;
    const float s = e.scale;
    if (!std::isfinite(s)) return 1;

    // Canvas column and row of every destination column and row. The three
    // regimes differ only here; the pixel loop below is shared.
    //   one to one:    c = x + j
    //   reduction:     c advances by the integer part of a running sum of s
    //   magnification: c = x + j / N, each canvas pixel composited once
    std::vector<int32_t> cols, rows;
    int32_t rep = 1;  // destination pixels per composited canvas pixel
    try {
        if (s == float(N)) {
            for (int32_t j = 0; j < std::min(width, g_view.view_width); ++j) cols.push_back(x + j);
            for (int32_t i = 0; i < std::min(height, g_view.view_height); ++i) rows.push_back(y + i);
        } else if (s > float(N)) {
            auto steps = [s](int32_t start, int32_t length, int32_t limit, int32_t end, std::vector<int32_t>& out) {
                const int64_t n = std::min<int64_t>(int64_t(float(length) / s), limit);
                int64_t c = start;
                float f = 0.0f;
                for (int64_t k = 0; k < n && c < end; ++k) {
                    out.push_back(int32_t(c));
                    f += s;
                    const float adv = std::floor(f);
                    c += int64_t(adv);
                    f -= adv;
                }
            };
            steps(x, width, g_view.view_width, e.width, cols);
            steps(y, height, g_view.view_height, e.height, rows);
        } else {
            if (N < 1) return 1;
            rep = N;
            const int64_t nc = std::min<int64_t>(int64_t(N) * width, g_view.view_width);
            const int64_t nr = std::min<int64_t>(int64_t(N) * height, g_view.view_height);
            for (int64_t j = 0; j < nc; j += N) cols.push_back(x + int32_t(j / N));
            for (int64_t i = 0; i < nr; ++i) rows.push_back(y + int32_t(i / N));
            // The last block may be cut by the view width.
            const int64_t last = nc - int64_t(cols.size() - 1) * N;
            if (!cols.empty() && last < N) rep = -int32_t(last);  // marks a short last block
        }
    } catch (...) {
        return 1;
    }
    const int64_t ncols = int64_t(cols.size()), nrows = int64_t(rows.size());
    const int32_t block = rep < 0 ? N : rep;
    const int32_t last_block = rep < 0 ? -rep : rep;
    // Every destination row reads shared planes and writes only itself.
#pragma omp parallel for schedule(static) if (ncols * nrows > 4096)
    for (int64_t i = 0; i < nrows; ++i) {
        uint8_t* d = dest + ptrdiff_t(stride) * i;
        const int32_t cy = rows[size_t(i)];
        uint32_t base[4], c[4];
        for (int64_t j = 0; j < ncols; ++j) {
            const int32_t cx = cols[size_t(j)];
            composite(sc, cx, cy, base);
            const int32_t n = j + 1 == ncols ? last_block : block;
            for (int32_t r = 0; r < n; ++r, d += 3) {
                std::copy_n(base, 4, c);
                finish(sc, c, cx, cy, d);
            }
        }
    }
    return 1;
}

int32_t set_scale(int32_t zoom, float scale) noexcept {
    engine().zoom = zoom;
    engine().scale = scale;
    return zoom;
}
int32_t set_view_size(int32_t width, int32_t height) noexcept {
    g_view.view_width = width;
    g_view.view_height = height;
    return width;
}
int32_t set_offset(int32_t x, int32_t y) noexcept {
    engine().offset_x = x;
    engine().offset_y = y;
    return x;
}
int32_t set_aoi(int32_t a, int32_t b, int32_t c, int32_t d) noexcept {
    g_view.aoi[0] = a, g_view.aoi[1] = b, g_view.aoi[2] = c, g_view.aoi[3] = d;
    return d;
}
int32_t set_tracing_mode(int32_t flag) noexcept {
    engine().tracing_mode = uint8_t(flag & 0xFF);
    return engine().tracing_mode;
}

}  // namespace oka::display
