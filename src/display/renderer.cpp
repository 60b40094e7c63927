// Floating-point exceptions are never enabled in the engine, so the
// accumulator's per-pixel choices may evaluate every branch and select:
// that turns them into vector code. Results are unchanged.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-trapping-math")
#endif

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
#include "engine/vector_clones.h"
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
    bool paint_skips_clear = true;  // the stroke's mode leaves a pixel under a clear one as it is
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

// ---- The row pipeline --------------------------------------------------------
//
// A destination row is composited in chunks of kChunk columns. For each
// visible entry, bottom to top, the chunk's layer pixels are loaded into
// planes (R, G, B, A) with every per-pixel step before the blend applied
// (background alpha, the stroke in progress, the mask layer above, the
// alpha-mode preparation, the opacity); then the entry's rule blends the
// whole chunk at once onto the accumulator, whose planes are
//   F: straight colour (1.0 = 65280) and alpha (1.0 = 65535), as floats;
//   I: the exact 16-bit pixel, valid while `floats` is false;
// and a per-pixel choice keeps, restarts or replaces each accumulated pixel:
//   skip     a transparent pixel of a merge-mode entry changes nothing
//            (not on the current entry, where the stroke may still paint);
//   restart  over an empty accumulator (alpha 0) the pixel is taken as it is
//            (or as (0, 0, 0, 0) for the rules that give that over clear);
//   copy     "Normal" with alpha >= 0xFF00 replaces the pixel (alpha 1);
//   blend    otherwise the rule's floating-point result.
// Each step is a loop over arrays with the mode fixed for the whole chunk.
constexpr int32_t kChunk = kRenderChunk;

struct Chunk {
    // s: entry pixels, prepared; acc: the accumulator F; out: blend results.
    RenderBlendChunk b;
    // The integer copy and the flags are 32-bit like the planes beside them,
    // so the loops that mix them run at one vector width.
    alignas(64) int32_t I[4][kChunk];    // accumulator, integer copy
    alignas(64) int32_t floats[kChunk];  // 1 where F holds the value
    alignas(64) int32_t skip[kChunk];    // 1 where the entry changes nothing
    alignas(64) int32_t out[4][kChunk];  // composited 16-bit R, G, B, A
    alignas(64) uint16_t aos[kChunk * 4];    // staging for the prepared path
    alignas(64) uint16_t paint[kChunk * 4];  // stroke pixels under the chunk
};

// The columns of one chunk: canvas columns x0 .. x0 + m - 1 when `cols` is
// null, else cols[0 .. m - 1].
struct Columns {
    const int32_t* cols;
    int32_t x0, m;
};

inline const uint16_t* pixel_at(const uint16_t* row, const Columns& c, int32_t j) noexcept {
    return row + size_t(c.cols ? c.cols[j] : c.x0 + j) * 4;
}

// Packed RGBA64 pixels to planes.
inline void to_planes(const uint16_t* aos, int32_t m, Chunk& ch) noexcept {
    for (int32_t j = 0; j < m; ++j) {
        ch.b.s[0][j] = aos[j * 4 + 0];
        ch.b.s[1][j] = aos[j * 4 + 1];
        ch.b.s[2][j] = aos[j * 4 + 2];
        ch.b.s[3][j] = aos[j * 4 + 3];
    }
}
// Mark the pixels whose alpha (in packed pixels) is 0 as skipped when the
// entry skips them; false when every pixel is skipped.
inline bool mark_skips(const uint16_t* aos, int32_t m, bool skip_clear, Chunk& ch) noexcept {
    if (!skip_clear) {
        std::fill_n(ch.skip, m, 0);
        return true;
    }
    int32_t live = 0;
    for (int32_t j = 0; j < m; ++j) {
        ch.skip[j] = aos[j * 4 + 3] == 0;
        live |= aos[j * 4 + 3];
    }
    return live != 0;
}
inline void gather_packed(const uint16_t* row, const Columns& c, uint16_t* out) noexcept {
    if (!c.cols) {
        std::memcpy(out, row + size_t(c.x0) * 4, size_t(c.m) * 8);
        return;
    }
    for (int32_t j = 0; j < c.m; ++j) std::memcpy(out + j * 4, row + size_t(c.cols[j]) * 4, 8);
}

// The mask layer's step: A := A ((R' + G' + B') / 3) >> 16 wherever the
// mask layer's pixel has alpha. `alpha` holds the block's alphas, `step`
// values apart (4 in packed pixels, 1 in a plane).
template <class T>
void mask_alpha(const Entry& mk, int32_t cy, const Columns& c, const T*, int32_t step, T* alpha) noexcept {
    const uint16_t* mrow = mk.pixels + size_t(cy) * size_t(mk.stride);
    for (int32_t j = 0; j < c.m; ++j) {
        const uint16_t* q = pixel_at(mrow, c, j);
        const uint32_t A = uint32_t(alpha[j * step]), grey = (uint32_t(q[0]) + q[1] + q[2]) / 3;
        alpha[j * step] = q[3] > 0 ? T((A * grey) >> 16) : T(A);
    }
}

// Load entry k's pixels under the chunk into ch.s and mark the skipped
// ones. Returns false when every pixel is skipped (the entry leaves the
// chunk as it is).
bool load_entry(const Scene& sc, int32_t k, int32_t cy, const Columns& c, Chunk& ch) noexcept {
    const Entry& e = sc.list[size_t(k)];
    const int32_t m = std::clamp(c.m, 0, kChunk);
    const uint16_t* row = e.pixels + size_t(cy) * size_t(e.stride);
    const bool first_bg = k == 0 && sc.background;
    const bool current = k == sc.current;
    const RenderPrepFn prep = render_preparation(e.mode);
    // Where the stroke has no pixel under the block and its mode writes
    // nothing for a clear source, the merge would change nothing: skipped.
    bool stroke = current;
    if (stroke && sc.paint_skips_clear) {
        const uint16_t* prow = sc.paint + size_t(cy) * size_t(sc.paint_stride);
        uint32_t any = 0;
        for (int32_t j = 0; j < m; ++j) any |= pixel_at(prow, c, j)[3];
        stroke = any != 0;
    }
    // The stroke merge and the preparations work on packed pixels, so those
    // entries (and gathered columns) are staged; the other steps run on the
    // planes.
    const uint16_t* src = row + size_t(c.x0) * 4;
    if (stroke || prep || c.cols) {
        gather_packed(row, c, ch.aos);
        src = ch.aos;
    }
    // Step order: background alpha, skip test, stroke, mask layer,
    // preparation, opacity.
    if (first_bg && (stroke || prep))
        for (int32_t j = 0; j < m; ++j) ch.aos[j * 4 + 3] = 65535;
    if (first_bg)
        std::fill_n(ch.skip, m, 0);  // alpha 65535: nothing is skipped
    else if (!mark_skips(src, m, e.mode <= 31 && !current, ch))
        return false;
    if (stroke) {
        // The stroke in progress, merged as the commit will merge it: the
        // paint layer's own row kernel over the block, with its strength
        // scaling the stroke alpha and its opacity after the preparation.
        gather_packed(sc.paint + size_t(cy) * size_t(sc.paint_stride), c, ch.paint);
        MergeRow r;
        r.src = ch.paint;
        r.dst = ch.aos;
        r.n = m;
        r.strength = sc.paint_strength;
        r.opacity = sc.paint_opacity;
        r.omega = sc.omega;
        r.keep_alpha = e.alpha_locked || sc.keep_alpha_engine;
        merge_mode_info(sc.paint_mode).pixel(r);
    }
    if (prep) {
        if (e.mask_above) {
            mask_alpha(sc.list[size_t(k + 1)], cy, c, ch.aos, 4, ch.aos + 3);
            if (first_bg)
                for (int32_t j = 0; j < m; ++j) ch.aos[j * 4 + 3] = 65535;
        }
        for (int32_t j = 0; j < m; ++j) {
            uint32_t p[4] = {ch.aos[j * 4], ch.aos[j * 4 + 1], ch.aos[j * 4 + 2], ch.aos[j * 4 + 3]};
            prep(p, sc.omega);
            for (int i = 0; i < 4; ++i) ch.aos[j * 4 + i] = uint16_t(p[i]);
        }
        to_planes(ch.aos, m, ch);
    } else {
        to_planes(src, m, ch);
        if (e.mask_above) mask_alpha(sc.list[size_t(k + 1)], cy, c, ch.b.s[3], 1, ch.b.s[3]);
        if (first_bg) std::fill_n(ch.b.s[3], m, 65535);
    }
    if (e.opacity < 255) {
        // A := (opacity + 1) A >> 8
        const int32_t o1 = int32_t(e.opacity) + 1;
        for (int32_t j = 0; j < m; ++j) ch.b.s[3][j] = (o1 * ch.b.s[3][j]) >> 8;
    }
    return true;
}

// Blend the loaded entry onto the accumulator by `rule`. The choice per
// pixel is written as selects so the loop runs as vector code. kFirst: the
// accumulator is still empty (nothing before was loaded), so every pixel
// that is not skipped restarts and every skipped one stays empty; the
// accumulator is written whole without being read.
template <bool kFirst>
OKA_VECTOR_CLONES void accumulate(Chunk& ch, int32_t m, int32_t rule) noexcept {
    m = std::clamp(m, 0, kChunk);
    const bool normal = rule == 0;
    const bool zero_rule = rule == 20 || rule == 21 || (rule >= 27 && rule <= 29);
    auto& F = ch.b.acc;
    const auto& S = ch.b.s;
    const auto& B = ch.b.out;
    if constexpr (!kFirst) {
        // The floating-point blend runs only over groups of 16 pixels where
        // some pixel is neither skipped, nor over an empty accumulator,
        // nor an opaque "Normal" copy.
        constexpr int32_t kGroup = 16;
        int32_t need[kChunk / kGroup] = {};
        for (int32_t g = 0; g * kGroup < m; ++g) {
            int32_t any = 0;
            for (int32_t j = g * kGroup; j < std::min(m, (g + 1) * kGroup); ++j)
                any |= !ch.skip[j] & (F[3][j] != 0.0f) & !(normal & (S[3][j] >= 0xFF00));
            need[g] = any;
        }
        for (int32_t g = 0; g * kGroup < m;) {
            if (!need[g]) {
                ++g;
                continue;
            }
            int32_t h = g + 1;
            while (h * kGroup < m && need[h]) ++h;
            blend_render_chunk(rule, ch.b, g * kGroup, std::min(h * kGroup, m));
            g = h;
        }
    }
    for (int32_t j = 0; j < m; ++j) {
        const int32_t A = S[3][j];
        const bool keep = ch.skip[j] != 0;
        const float olda = kFirst ? 0.0f : F[3][j];
        const bool fresh = olda == 0.0f;
        const bool copy = normal & (A >= 0xFF00);
        // Restart (fresh) or copy: the pixel itself, alpha 1 for a copy;
        // (0, 0, 0, 0) for a restart under the rules that give it.
        const bool take = (!keep) & (fresh | copy);
        const bool zero = fresh & zero_rule;
        const bool mixed = (!keep) & (!fresh) & (!copy);
        // Every value is loaded before the choice, so the choice is a select.
        const auto colour = [&](int i) {
            const float q = float(S[i][j]) / 65280.0f, b = kFirst ? 0.0f : B[i][j], old = kFirst ? 0.0f : F[i][j];
            const float f = zero ? 0.0f : q;
            const int32_t v = zero ? 0 : S[i][j], old_i = kFirst ? 0 : ch.I[i][j];
            F[i][j] = take ? f : mixed ? b : old;
            ch.I[i][j] = take ? v : old_i;
        };
        colour(0);
        colour(1);
        colour(2);
        const float qa = float(A) / 65535.0f, ba = kFirst ? 0.0f : B[3][j];
        const float fa = zero ? 0.0f : fresh ? qa : 1.0f;
        const int32_t va = zero ? 0 : fresh ? A : 65535, old_ia = kFirst ? 0 : ch.I[3][j],
                      old_fl = kFirst ? 0 : ch.floats[j];
        F[3][j] = take ? fa : mixed ? ba : olda;
        ch.I[3][j] = take ? va : old_ia;
        ch.floats[j] = take ? 0 : mixed ? 1 : old_fl;
    }
}

// The composited 16-bit pixels of the chunk: the integer copy, or the float
// scaled (colour 1.0 = 65280, alpha 1.0 = 65535), clamped and truncated.
OKA_VECTOR_CLONES void resolve(Chunk& ch, int32_t m) noexcept {
    m = std::clamp(m, 0, kChunk);
    for (int i = 0; i < 4; ++i) {
        const double scale = i == 3 ? 65535.0 : 65280.0;
        for (int32_t j = 0; j < m; ++j) {
            double v = double(ch.b.acc[i][j]) * scale;
            v = v > 0.0 ? v : 0.0;
            v = v < 65535.0 ? v : 65535.0;
            ch.out[i][j] = ch.floats[j] ? int32_t(v) : ch.I[i][j];
        }
    }
}

// Tracing, checkerboard and mask tint of the composited chunk (16-bit R, G,
// B, A in ch.out at canvas columns c, row cy), leaving the output bytes in
// ch.out[0..2] as B, G, R. One loop over the planes with every choice a
// select; gathered columns, tracing and the mask are chosen once per chunk.
template <bool kGather, bool kTrace, bool kMask>
OKA_VECTOR_CLONES void finish_chunk(const Scene& sc, const Columns& c, int32_t cy, Chunk& ch) noexcept {
    const int32_t m = std::clamp(c.m, 0, kChunk);
    const uint16_t* trace = kTrace ? sc.trace + size_t(cy) * size_t(sc.trace_stride) : nullptr;
    const uint16_t* mask = kMask ? sc.mask + size_t(cy) * size_t(sc.width) : nullptr;
    const uint32_t t1[3] = {sc.tint1[0], sc.tint1[1], sc.tint1[2]}, t2[3] = {sc.tint2[0], sc.tint2[1], sc.tint2[2]};
    const bool full = sc.overlay_full;
    auto& o = ch.out;
    for (int32_t j = 0; j < m; ++j) {
        const int32_t cx = kGather ? c.cols[j] : c.x0 + j;
        uint32_t col[3] = {uint32_t(o[0][j]), uint32_t(o[1][j]), uint32_t(o[2][j])};
        const uint32_t A = uint32_t(o[3][j]);
        if constexpr (kTrace) {
            // Tracing: c := (c + T) >> 1.
            const uint16_t* t = trace + size_t(cx) * 4;
            for (int i = 0; i < 3; ++i) col[i] = (col[i] + t[i]) >> 1;
        }
        // Checkerboard squares of 32 canvas pixels, white (even) and 0x9FFF
        // grey (odd), under a pixel with A < 65535:
        //   c := ((A c >> 8) + ((65535 - A) k >> 8)) >> 8
        const bool odd = (((cx >> 5) + (cy >> 5)) & 1) != 0;
        const uint32_t k = odd ? 0x9FFFu : 65535u;
        for (int i = 0; i < 3; ++i) {
            const uint32_t checked = (((A * col[i]) >> 8) + (((65535u - A) * k) >> 8)) >> 8;
            col[i] = A < 65535 ? checked : col[i];
        }
        uint32_t out[3] = {col[2] >> 8, col[1] >> 8, col[0] >> 8};
        if constexpr (kMask) {
            // Mask tint where m < 65535 (half strength unless full):
            //   byte = ((m c >> 8) + ((65535 - m) T >> 8)) >> 16
            uint32_t mv = mask[cx];
            const bool tinted = mv < 65535;
            mv = full ? mv : (mv >> 1) + 32767;
            const uint32_t inv = 65535 - mv;
            for (int i = 0; i < 3; ++i) {
                const uint32_t T = odd ? t1[2 - i] : t2[2 - i];
                const uint32_t v = (((mv * col[2 - i]) >> 8) + ((inv * T) >> 8)) >> 16;
                out[i] = tinted ? v : out[i];
            }
        }
        for (int i = 0; i < 3; ++i) o[i][j] = int32_t(out[i]);
    }
}

// Composite one chunk of a destination row and write it: each composited
// pixel fills `rep` destination pixels (the last one `last_rep`).
// `ahead` names the consecutive columns of the block that comes next, to be
// fetched early (none when n is 0).
struct Ahead {
    int32_t row = 0, x0 = 0, n = 0;
};
void render_chunk(const Scene& sc, int32_t cy, const Columns& c, const Ahead& ahead, Chunk& ch, uint8_t* d,
                  int32_t rep, int32_t last_rep) noexcept {
    const int32_t m = c.m;
    // The planes are read in bursts of one block per layer; each layer's
    // next block is asked for as this one is loaded, so the memory fetches
    // run under the arithmetic, spread over the block.
    const auto fetch = [&](const uint16_t* plane, int32_t stride) {
        if (ahead.n <= 0) return;
        const char* p = reinterpret_cast<const char*>(plane + size_t(ahead.row) * size_t(stride) + size_t(ahead.x0) * 4);
        for (size_t b = 0; b < size_t(ahead.n) * 8; b += 64) __builtin_prefetch(p + b);
    };
    if (sc.current >= 0) fetch(sc.paint, sc.paint_stride);
    bool empty = true;  // nothing accumulated yet
    for (int32_t k = 0; k < sc.count; ++k) {
        fetch(sc.list[size_t(k)].pixels, sc.list[size_t(k)].stride);
        if (!load_entry(sc, k, cy, c, ch)) continue;
        const int32_t rule = render_rule(sc.list[size_t(k)].mode);
        empty ? accumulate<true>(ch, m, rule) : accumulate<false>(ch, m, rule);
        empty = false;
    }
    if (empty) {
        for (int i = 0; i < 4; ++i) std::fill_n(ch.b.acc[i], m, 0.0f), std::fill_n(ch.I[i], m, 0);
        std::fill_n(ch.floats, m, 0);
    }
    resolve(ch, m);
    using Finish = void (*)(const Scene&, const Columns&, int32_t, Chunk&) noexcept;
    static constexpr Finish kFinish[8] = {
        finish_chunk<false, false, false>, finish_chunk<false, false, true>, finish_chunk<false, true, false>,
        finish_chunk<false, true, true>,   finish_chunk<true, false, false>, finish_chunk<true, false, true>,
        finish_chunk<true, true, false>,   finish_chunk<true, true, true>};
    kFinish[(c.cols ? 4 : 0) | (sc.trace ? 2 : 0) | (sc.mask ? 1 : 0)](sc, c, cy, ch);
    const auto& o = ch.out;
    if (rep == 1 && last_rep == 1) {
        for (int32_t j = 0; j < m; ++j, d += 3) d[0] = uint8_t(o[0][j]), d[1] = uint8_t(o[1][j]), d[2] = uint8_t(o[2][j]);
        return;
    }
    for (int32_t j = 0; j < m; ++j) {
        const int32_t n = j + 1 == m ? last_rep : rep;
        for (int32_t r = 0; r < n; ++r, d += 3) d[0] = uint8_t(o[0][j]), d[1] = uint8_t(o[1][j]), d[2] = uint8_t(o[2][j]);
    }
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
        // Alpha modes prepare even a clear source pixel; the merge modes
        // (and numbers outside the table, which merge as "Normal") skip it.
        sc.paint_skips_clear = !(pl.mode >= 32 && pl.mode <= 53);
        sc.paint_strength = std::min<uint32_t>(pl.strength, 255);
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
    if (ncols == 0 || nrows == 0) return 1;
    const int32_t block = rep < 0 ? N : rep;
    const int32_t last_block = rep < 0 ? -rep : rep;
    // One to one and magnified, the columns are consecutive: the planes are
    // read in place.
    const bool consecutive = !(s > float(N));
    // Destination rows showing the same canvas row (magnification) are
    // identical: each run of them is composited once and copied.
    std::vector<int64_t> runs;
    try {
        for (int64_t i = 0; i < nrows; ++i)
            if (i == 0 || rows[size_t(i)] != rows[size_t(i - 1)]) runs.push_back(i);
    } catch (...) {
        return 1;
    }
    const int64_t nruns = int64_t(runs.size());
    const size_t row_bytes = size_t(ncols - 1) * size_t(block) * 3 + size_t(last_block) * 3;
    // Every run reads shared planes and writes only its own rows.
#pragma omp parallel for schedule(dynamic, 8) if (ncols * nrows > 4096)
    for (int64_t u = 0; u < nruns; ++u) {
        const int64_t first = runs[size_t(u)], end = u + 1 < nruns ? runs[size_t(u + 1)] : nrows;
        const int32_t cy = rows[size_t(first)];
        uint8_t* d = dest + ptrdiff_t(stride) * first;
        Chunk ch;
        for (int64_t j0 = 0; j0 < ncols; j0 += kChunk) {
            const int32_t m = int32_t(std::min<int64_t>(kChunk, ncols - j0));
            const Columns c{consecutive ? nullptr : cols.data() + j0, cols[size_t(j0)], m};
            const bool last = j0 + m == ncols;
            // The next block of this row, or the first of the next run's row.
            Ahead ahead;
            if (consecutive && !last)
                ahead = {cy, c.x0 + m, int32_t(std::min<int64_t>(kChunk, ncols - j0 - m))};
            else if (consecutive && end < nrows)
                ahead = {rows[size_t(end)], cols[0], int32_t(std::min<int64_t>(kChunk, ncols))};
            render_chunk(sc, cy, c, ahead, ch, d + size_t(j0) * size_t(block) * 3, block, last ? last_block : block);
        }
        for (int64_t i = first + 1; i < end; ++i) std::memcpy(dest + ptrdiff_t(stride) * i, d, row_bytes);
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
