#include "brush/dab.h"

#include <algorithm>
#include <cmath>

#include "brush/blend_buffers.h"
#include "brush/mix_ops.h"
#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/random.h"
#include "history/undo_store.h"

namespace oka::brush {
namespace {

constexpr int32_t kParallelRows = 35;

inline uint32_t clamp16(int64_t v) noexcept { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 65535)); }

// Everything a row needs, fixed before the rows run.
struct DabSetup {
    // Geometry.
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // exclusive right/bottom
    int32_t col_clip = 0, row_clip = 0;
    int32_t n = 0, n_sampled = 0, h = 0;
    int32_t N = 0;
    const int32_t* scale = nullptr;
    // Planes.
    uint16_t* dst = nullptr;
    int32_t dst_stride = 0;  // 16-bit units
    const uint16_t* shape = nullptr;
    const uint8_t* grit = nullptr;  // at the current grit position
    const uint16_t* mask = nullptr;  // null when the mask is disabled
    const uint8_t* texture = nullptr;
    uint16_t* blend = nullptr;  // selected blend buffer
    int32_t width = 0;          // canvas width: mask and texture pitch
    // Switches.
    bool smudging = false, coverage_masking = false, erase = false, rotate = false, remix = false;
    bool colour_locked = false, write_alpha = false, blob = false, image_brush = false, solid = false;
    bool paint_layer = false;
    // Values.
    uint32_t K[4] = {};
    uint32_t P[4] = {};
    uint32_t primary = 0, primary_inverse = 0;
    uint32_t density = 0;
    uint32_t alpha_factor = 128;
    bool scale_alpha = false;
    uint32_t alpha_level = 0;
    int32_t pcv = 0, plv = 0;
    const RandomByteArray* colour_noise = nullptr;
    const RandomByteArray* lum_noise = nullptr;
    uint32_t mix_type = 0, m = 0;
    uint32_t bs = 0, bi = 0;
    float sine = 0, cosine = 0;
    MixContext ctx;
};

// Luminance vary of one channel with noise byte b:
//   f = ((128 - plv / 2) + (b mod plv)) / 256 (32-bit float)
//   f > 0.5: c' = (65535 - c)(f - 0.5) 2 + c   (toward white)
//   else:    c' = c - c (0.5 - f) 2             (toward black)
inline uint32_t lum_vary(uint32_t c, uint32_t b, int32_t plv) noexcept {
    const float f = float((128 - (plv >> 1)) + int32_t(b % uint32_t(plv))) * (1.0f / 256.0f);
    const float r = f > 0.5f ? float(65535 - c) * (f - 0.5f) * 2.0f + float(c) : float(c) - float(c) * (0.5f - f) * 2.0f;
    return clamp16(int64_t(r));
}

// Pixel colour vary offset: ((pcv AND NOT 1) - 2 (b mod pcv)) * 128.
inline int64_t colour_offset(uint32_t b, int32_t pcv) noexcept {
    return (int64_t(pcv & ~1) - 2 * int64_t(b % uint32_t(pcv))) * 128;
}

struct Cursor {
    const uint8_t* data = nullptr;
    size_t length = 0, at = 0;
    uint32_t next() noexcept {
        const uint32_t v = data[at];
        if (++at >= length) at = 0;
        return v;
    }
};

inline Cursor start_cursor(const RandomByteArray* a, int32_t N) noexcept {
    Cursor c;
    if (!a || !a->data || a->length == 0) return c;
    c.data = a->data.data();
    c.length = a->length;
    c.at = size_t(uint32_t(rng_next()) % uint32_t(std::max(N, 1))) % c.length;
    return c;
}

// The sample position of dab column k, row j, as shape column sx, row sy.
inline bool sample(const DabSetup& s, int32_t k, int32_t j, int32_t& sx, int32_t& sy) noexcept {
    sx = s.scale[k];
    sy = s.scale[j];
    if (s.rotate) {
        const float u = float(sx - s.h), w = float(sy - s.h);
        const int32_t rx = int32_t(u * s.cosine - w * s.sine) + s.h;
        const int32_t ry = int32_t(u * s.sine + w * s.cosine) + s.h;
        if (rx >= 0 && rx < s.n && ry >= 0 && ry < s.n) sx = rx, sy = ry;
    }
    return sx >= 0 && sy >= 0 && sx < s.n && sy < s.n;
}

// Coverage of a pixel before the mask: shape, alpha factor, texture.
inline uint32_t base_coverage(const DabSetup& s, size_t i, int32_t c, int32_t row) noexcept {
    uint32_t v = s.shape[i];
    if (s.scale_alpha) v = (v * s.alpha_factor) >> 7;
    if (s.texture) {
        const uint32_t t = s.texture[size_t(row) * s.width + c];
        if (t < 255) v = (t * v) >> 8;
    }
    return v;
}

// The mix of one pixel for types 33 and below (premultiplied rules).
inline void mix_low(const DabSetup& s, const uint32_t S[4], uint32_t v, uint32_t D[3], uint32_t dA, uint32_t X[3],
                    uint32_t& A) noexcept {
    if (dA == 0) {
        X[0] = S[0], X[1] = S[1], X[2] = S[2];
        A = (v * S[3]) >> 16;
        D[0] = D[1] = D[2] = 0;
        return;
    }
    if (s.smudging && s.mix_type == 32) {
        // i = 65536 - v;  A = ((i dA >> 8) + (v Sa >> 8)) >> 8
        const uint32_t i = 65536u - v;
        A = (((i * dA) >> 8) + ((v * S[3]) >> 8)) >> 8;
        for (int c = 0; c < 3; ++c) X[c] = S[3] == 0 ? D[c] : (((i * D[c]) >> 8) + ((v * S[c]) >> 8)) >> 8;
        return;
    }
    if (s.erase) {
        A = ((65535u - v) * dA) >> 16;
        X[0] = D[0], X[1] = D[1], X[2] = D[2];
        return;
    }
    if (s.mix_type == 32) {
        // u = v Sa >> 16;  A = ((65535 - dA) u >> 16) + dA
        // X = ((((65535 - u)(D dA >> 16)) AND 0xFFFF0000) + ((u S >> 16) << 16)) / A
        const uint32_t u = (v * S[3]) >> 16;
        A = (((65535u - dA) * u) >> 16) + dA;
        for (int c = 0; c < 3; ++c) {
            const uint32_t num = (((65535u - u) * ((D[c] * dA) >> 16)) & 0xFFFF0000u) + (((u * S[c]) >> 16) << 16);
            X[c] = A ? num / A : 0;
        }
        return;
    }
    // The premultiplied multiply rule, with s' = u S >> 16 and d' = D dA >> 16:
    //   X = (((65535 - u) d' / 65535) + ((65535 - dA) s' / 65535) + (d' s' / 65535)) 65535 / A
    // (64-bit: the numerator can pass 32 bits.)
    const uint64_t u = (uint64_t(v) * S[3]) / 65535;
    A = uint32_t(((65535u - dA) * u) / 65535 + dA);
    for (int c = 0; c < 3; ++c) {
        const uint64_t sp = (u * S[c]) >> 16, dp = (uint64_t(D[c]) * dA) >> 16;
        const uint64_t sum = ((65535 - u) * dp) / 65535 + ((65535 - dA) * sp) / 65535 + (dp * sp) / 65535;
        X[c] = A ? uint32_t(std::min<uint64_t>(sum * 65535 / A, 65535)) : 0;
    }
}

template <class Rule>
inline void mix_high(const DabSetup& s, uint32_t S[4], uint32_t v, uint32_t D[3], uint32_t dA, uint32_t X[3],
                     uint32_t& A) noexcept {
    // 1. Adjust D toward S where the destination is thin.
    if (dA == 0) {
        D[0] = S[0], D[1] = S[1], D[2] = S[2];
    } else if (dA < 65535) {
        const uint32_t k = std::min<uint32_t>(3 * (((65535u - dA) * v) >> 16), 65535);
        for (int c = 0; c < 3; ++c) D[c] = ((((65535u - k) * D[c]) >> 8) + ((k * S[c]) >> 8)) >> 8;
    }
    // 2.
    uint32_t sa = s.erase ? 0 : S[3];
    A = sa;
    // 3. The colour rule.
    MixOut o;
    Rule::apply(S, D, (S[0] + S[1] + S[2]) / 3, s.ctx, o);
    bool amount = true;
    switch (o.kind) {
        case MixKind::Plain: break;
        case MixKind::TakeD:
            o.x[0] = D[0], o.x[1] = D[1], o.x[2] = D[2];
            A = dA;
            amount = false;
            break;
        case MixKind::NoAmount: amount = false; break;
        case MixKind::Grey:
            D[0] = D[1] = D[2] = 32767;
            A = (S[0] + S[1] + S[2]) / 3;
            amount = false;
            break;
    }
    // 4. Amount blend: X = (((256 - m) S >> 4) + (X m >> 4)) >> 4.
    for (int c = 0; c < 3; ++c)
        X[c] = amount ? ((((256u - s.m) * S[c]) >> 4) + ((o.x[c] * s.m) >> 4)) >> 4 : o.x[c];
    // 5. Coverage.
    if (v < 65535) {
        const uint32_t i = 65536u - v;
        A = (((A * v) >> 8) + ((i * dA) >> 8)) >> 8;
        for (int c = 0; c < 3; ++c) X[c] = std::min<uint32_t>(65535, ((((X[c] * v) >> 8) + ((i * D[c]) >> 8)) >> 8) + 1);
    }
}

// Simple: no rotation, grit, texture, noise or smudging, the common case
// of plain painting; those branches then drop out of the loop at compile
// time.
template <class Rule, bool Low, bool Simple>
void draw_row(const DabSetup& s, int32_t row) noexcept {
    Cursor colour_cur, lum_cur;
    if (!Simple && s.pcv > 0) colour_cur = start_cursor(s.colour_noise, s.N);
    if (!Simple && s.plv > 0) lum_cur = start_cursor(s.lum_noise, s.N);
    const int32_t j = row - s.top + s.row_clip;
    uint16_t* d = s.dst + size_t(row) * s.dst_stride + size_t(s.left) * 4;
    const uint16_t* mrow = s.mask ? s.mask + size_t(row) * s.width : nullptr;
    for (int32_t c = s.left; c < s.right; ++c, d += 4) {
        const int32_t k = c - s.left + s.col_clip;
        int32_t sx, sy;
        if constexpr (Simple) {
            sx = s.scale[k], sy = s.scale[j];
            if (sx < 0 || sy < 0 || sx >= s.n || sy >= s.n) continue;
        } else {
            if (!sample(s, k, j, sx, sy)) continue;
        }
        const size_t i = size_t(sy) * s.N + size_t(sx);
        if (!Simple && s.grit && s.grit[i] > s.density) continue;
        uint32_t v;
        if constexpr (Simple) {
            v = s.shape[i];
            if (s.scale_alpha) v = (v * s.alpha_factor) >> 7;
        } else {
            v = base_coverage(s, i, c, row);
        }
        uint32_t m = 65535;
        if (mrow) {
            m = mrow[c];
            if (s.coverage_masking && m < 65535) v = (m * v) >> 16;
        }
        if (v == 0) continue;
        if (s.solid) v = 65535;

        // 7. Source colour.
        uint32_t S[4];
        uint16_t* cell = nullptr;
        if (!Simple && s.smudging && s.blend) {
            cell = s.blend + size_t(sy) * size_t(s.N) * 4 + size_t(sx) * 4;
            S[0] = cell[0], S[1] = cell[1], S[2] = cell[2], S[3] = cell[3];
            if (s.image_brush && S[3] < 65535) {
                v = std::max<uint32_t>((v * S[3]) >> 16, 1);
                S[3] = 65535;
            }
            if (s.pcv > 0) {
                const int64_t off = colour_offset(colour_cur.next(), s.pcv);
                for (int ch = 0; ch < 3; ++ch) S[ch] = clamp16(int64_t(S[ch]) + off);
            }
            if (s.plv > 0) {
                const uint32_t b = lum_cur.next();
                for (int ch = 0; ch < 3; ++ch) S[ch] = lum_vary(S[ch], b, s.plv);
            }
            if (s.primary != 0)
                for (int ch = 0; ch < 4; ++ch) S[ch] = clamp16((int64_t(s.primary_inverse) * S[ch] + s.P[ch]) >> 8);
        } else {
            S[0] = s.K[0], S[1] = s.K[1], S[2] = s.K[2], S[3] = s.K[3];
            if (!Simple && s.pcv > 0) {
                const int64_t off = colour_offset(colour_cur.next(), s.pcv);
                for (int ch = 0; ch < 4; ++ch) S[ch] = clamp16(int64_t(s.K[ch]) + off);
            }
            if (!Simple && s.plv > 0) {
                const uint32_t b = lum_cur.next();
                for (int ch = 0; ch < 3; ++ch) S[ch] = lum_vary(s.K[ch], b, s.plv);
            }
        }

        // 8. Mix.
        uint32_t D[3] = {d[0], d[1], d[2]};
        const uint32_t dA = d[3];
        uint32_t X[3], A;
        if constexpr (Low)
            mix_low(s, S, v, D, dA, X, A);
        else
            mix_high<Rule>(s, S, v, D, dA, X, A);

        // 9. Remix: the smudge colour picks up what was painted.
        if (cell && s.remix) {
            if (S[3] == 0) {
                cell[0] = uint16_t(D[0]), cell[1] = uint16_t(D[1]), cell[2] = uint16_t(D[2]);
                cell[3] = uint16_t((dA * s.bi) >> 8);
            } else if (dA != 0) {
                for (int ch = 0; ch < 3; ++ch) cell[ch] = uint16_t(std::min<uint32_t>(65535, ((D[ch] * s.bi + s.bs * S[ch]) >> 8) + 1));
                cell[3] = uint16_t(clamp16((int64_t(S[3]) * s.bs + int64_t(dA) * s.bi) >> 8));
            } else {
                cell[0] = uint16_t(S[0]), cell[1] = uint16_t(S[1]), cell[2] = uint16_t(S[2]);
                cell[3] = uint16_t((S[3] * s.bs) >> 8);
            }
        }

        // 10. Write under the locks.
        if (!s.erase) {
            if (!s.colour_locked) d[0] = uint16_t(clamp16(X[0])), d[1] = uint16_t(clamp16(X[1])), d[2] = uint16_t(clamp16(X[2]));
            if (s.write_alpha && (!s.blob || (dA > 8191 && A > 8191))) {
                uint32_t out = A;
                if (s.coverage_masking) {
                    if (s.alpha_level > 0) out = s.alpha_level;
                } else {
                    if (s.alpha_level > 0) out = s.alpha_level;
                    if (mrow && m < out) out = m;
                }
                d[3] = uint16_t(clamp16(out));
            }
        } else if (!s.blob) {
            d[3] = uint16_t(clamp16(A));
        } else if (dA > 8191) {
            d[3] = uint16_t(clamp16(std::max<uint32_t>(A, 9216)));
        }
    }
}

// Grit switch: a new random buffer and offset once the counter runs out.
void switch_grit(ToolState& t, int32_t N) noexcept {
    if (t.grit_cell_size == 0 || t.drawing_counter >= 1) return;
    int32_t k;
    // A different start than the current position (at most a few draws).
    for (int guard = 0;; ++guard) {
        k = rng_next() % kGritBufferCount;
        if (!(k == t.grit_buffer && t.grit_offset == 0) || guard > 1000) break;
    }
    const int32_t row_off = rng_next() % 25;
    const int32_t col_off = rng_next() % 25;
    t.grit_buffer = k;
    t.grit_offset = size_t(row_off) * size_t(N) + size_t(col_off);
    t.drawing_counter = t.drawing_length;
}

// The dab rectangle of steps 3 and 9: left/top at the centre minus n'/2,
// clipped to the canvas, with the columns and rows cut at the left and top.
struct Rect {
    int32_t left, top, right, bottom, col_clip, row_clip;
};
Rect dab_rect(int32_t x, int32_t y, int32_t n_sampled, int32_t W, int32_t H) noexcept {
    int64_t left = int64_t{x} - n_sampled / 2, top = int64_t{y} - n_sampled / 2;
    int64_t right = left + n_sampled, bottom = top + n_sampled;
    int64_t cc = 0, rc = 0;
    if (left < 0) cc = -left, left = 0;
    if (top < 0) rc = -top, top = 0;
    right = std::min<int64_t>(right, W);
    bottom = std::min<int64_t>(bottom, H);
    // Far outside: an empty rectangle held inside 32 bits.
    left = std::min<int64_t>(left, W);
    top = std::min<int64_t>(top, H);
    right = std::max(right, left);
    bottom = std::max(bottom, top);
    return {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom), int32_t(std::min<int64_t>(cc, INT32_MAX)),
            int32_t(std::min<int64_t>(rc, INT32_MAX))};
}

void widen_extents(Layer& p, const Rect& r) noexcept {
    p.ext_left = std::min(p.ext_left, r.left);
    p.ext_top = std::min(p.ext_top, r.top);
    p.ext_right = std::max(p.ext_right, r.right);
    p.ext_bottom = std::max(p.ext_bottom, r.bottom);
}

void clear_one_dab_flags(ToolState& t) noexcept {
    t.temp_blend_disable = 0;
    t.mask_maker = 0;
    t.erase = 0;
}

}  // namespace

void draw_dab(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
    EngineState& e = engine();
    ToolState& t = tool();
    // 1. The low bytes are cleared: the host passes value x 256.
    t.colour = {uint16_t(r & 0xFF00), uint16_t(g & 0xFF00), uint16_t(b & 0xFF00), 65535};
    if (t.mask_maker) {
        draw_mask_dab(x, y);
        return;
    }
    DabSetup s;
    s.N = e.brush_max;
    s.n = t.shape_size();
    s.n_sampled = std::clamp(t.sampled_size, 0, kMaxSampledSize);
    s.h = s.n / 2;
    s.smudging = t.blend_strength != 0 && !t.temp_blend_disable;
    const bool have_paint = static_cast<bool>(e.paint_layer.pixels);
    s.paint_layer = have_paint;
    s.coverage_masking = s.smudging || t.erase || !have_paint;

    // 5. Dab colour with colour vary; 6. erase.
    int64_t K[4] = {t.colour.r, t.colour.g, t.colour.b, t.colour.a};
    if (t.colour_vary > 0) {
        const int64_t dv = (int64_t(t.colour_vary / 2) - rng_next() % t.colour_vary) * 256;
        for (auto& c : K) c = clamp16(c + dv);
    }
    if (t.erase) K[0] = K[1] = K[2] = 65535, K[3] = 0;
    for (int c = 0; c < 4; ++c) s.K[c] = uint32_t(K[c]);
    // 7. Grit switch; 8. primary term.
    switch_grit(t, s.N);
    if (t.primary_strength > 0) {
        s.primary = uint32_t(t.primary_strength);
        for (int c = 0; c < 4; ++c) s.P[c] = s.primary * s.K[c];
    }
    s.primary_inverse = uint32_t(std::clamp(t.primary_inverse, 0, 256));

    // 9. Rectangle; 10. dirty rectangle and extents (even when nothing shows).
    const Rect rc = dab_rect(x, y, s.n_sampled, e.width, e.height);
    history::widen_dirty_rect(rc.left, rc.top, rc.right, rc.bottom);
    if (have_paint) widen_extents(e.paint_layer, rc);

    // Destination: the paint layer, else the current layer; only where it
    // lies on the canvas (the mask and texture are canvas-sized).
    Layer* dst = have_paint ? &e.paint_layer : current_layer();
    const bool drawable = dst && dst->present() && e.brush_shape && s.n > 0 && s.n_sampled > 0 &&
                          e.brush_shape.size() >= size_t(s.N) * size_t(s.N);
    if (drawable) {
        s.left = rc.left, s.top = rc.top, s.col_clip = rc.col_clip, s.row_clip = rc.row_clip;
        s.right = std::min(rc.right, dst->width);
        s.bottom = std::min(rc.bottom, dst->height);
        s.dst = dst->pixels.data();
        s.dst_stride = dst->stride;
        s.shape = e.brush_shape.data();
        s.scale = t.scale.data();
        s.width = e.width;
        // Grit, only when its whole window lies inside the buffer.
        if (t.grit_cell_size != 0) {
            const uint8_t* g0 = t.grit_position();
            const Buffer<uint8_t>& gb = e.grit[size_t(std::clamp(t.grit_buffer, 0, kGritBufferCount - 1))];
            if (g0 && t.grit_offset + size_t(s.N) * size_t(s.N) <= gb.size()) s.grit = g0;
        }
        s.density = uint32_t(std::max(t.density, 0));
        s.scale_alpha = t.alpha_percent < 100;
        s.alpha_factor = uint32_t(std::max(t.alpha_factor, 0));
        if (e.mask_enabled && e.mask) s.mask = e.mask.data();
        if (e.texture) s.texture = e.texture.data();
        BlendBuffer* bb = e.blend_selected;
        if (bb && bb->pixels && bb->pixels.size() >= size_t(s.N) * size_t(s.N) * 4) s.blend = bb->pixels.data();
        s.erase = t.erase != 0;
        s.rotate = t.rotate_mode == 1;
        s.sine = t.sine, s.cosine = t.cosine;
        s.remix = s.smudging && t.blend_remix != 0;
        s.colour_locked = t.colour_locked != 0;
        const Layer* cur = current_layer();
        const bool layer_unlocked = cur && !cur->alpha_locked && t.alpha_locked == 0 && e.current_index > 1;
        s.write_alpha = layer_unlocked || have_paint;
        s.blob = t.blob_locked != 0;
        s.image_brush = t.image_brush_mode != 0;
        s.solid = t.solid_mode != 0;
        s.alpha_level = std::min<uint32_t>(t.alpha_level, 65535);
        s.pcv = t.pix_colour_vary, s.plv = t.pix_lum_vary;
        s.colour_noise = &t.pix_colour_noise;
        s.lum_noise = &t.pix_lum_noise;
        s.mix_type = t.mix_type;
        s.m = std::min<uint32_t>(mix_settings().value, 256);
        s.bs = uint32_t(std::clamp(t.blend_strength, 0, 256));
        s.bi = uint32_t(std::clamp(t.blend_inverse, 0, 256));
        for (int i = 0; i < 4; ++i) s.ctx.banks[size_t(i)] = {t.banks[size_t(i)].r, t.banks[size_t(i)].g, t.banks[size_t(i)].b};
        // Type 425 tints the brush colour before colour vary.
        s.ctx.brush = {t.colour.r, t.colour.g, t.colour.b};
        s.ctx.posterize_shift = uint32_t(mix_settings().posterize_shift) & 31;

        // 11. Rows: shared among threads above 35; serial when rotated rows
        // could remix the same blend-buffer cell.
        const bool parallel = s.bottom - s.top > kParallelRows && !(s.remix && s.rotate);
        auto rows = [&](auto kernel) {
#pragma omp parallel for schedule(static) if (parallel)
            for (int32_t row = s.top; row < s.bottom; ++row) kernel(s, row);
        };
        const bool simple = !s.rotate && !s.grit && !s.texture && s.pcv <= 0 && s.plv <= 0 && !s.smudging;
        if (s.mix_type <= 33) {
            if (simple)
                rows(draw_row<mixop::KeepSource, true, true>);
            else
                rows(draw_row<mixop::KeepSource, true, false>);
        } else {
            with_mix_op(s.mix_type, [&]<class Rule>() {
                if (simple)
                    rows(draw_row<Rule, false, true>);
                else
                    rows(draw_row<Rule, false, false>);
            });
        }
    }
    // 12.
    clear_one_dab_flags(t);
}

void draw_mask_dab(int32_t x, int32_t y) {
    EngineState& e = engine();
    ToolState& t = tool();
    const int32_t N = e.brush_max;
    const int32_t n = t.shape_size();
    const int32_t n_sampled = std::clamp(t.sampled_size, 0, kMaxSampledSize);
    const int32_t h = n / 2;
    const bool smudging = t.blend_strength != 0 && !t.temp_blend_disable;

    // 2. Black opens the mask fully, the widened white closes it.
    const uint32_t g = (uint32_t{t.colour.r} + t.colour.g + t.colour.b) / 3;
    int64_t M = g < 256 ? 65535 : 65280 - int64_t(g);
    if (t.colour_vary > 0) M = clamp16(M + (int64_t(t.colour_vary / 2) - rng_next() % t.colour_vary) * 256);
    if (t.erase) M = 65535;
    M = clamp16(M);
    switch_grit(t, N);
    const int64_t PM = t.primary_strength > 0 ? int64_t(t.primary_strength) * M : 0;

    const Rect rc = dab_rect(x, y, n_sampled, e.width, e.height);
    history::widen_dirty_rect(rc.left, rc.top, rc.right, rc.bottom);

    if (e.mask && e.brush_shape && n > 0 && e.brush_shape.size() >= size_t(N) * size_t(N)) {
        const uint8_t* grit = nullptr;
        if (t.grit_cell_size != 0) {
            const uint8_t* g0 = t.grit_position();
            const Buffer<uint8_t>& gb = e.grit[size_t(std::clamp(t.grit_buffer, 0, kGritBufferCount - 1))];
            if (g0 && t.grit_offset + size_t(N) * size_t(N) <= gb.size()) grit = g0;
        }
        BlendBuffer* bb = e.blend_selected;
        uint16_t* blend = (bb && bb->pixels && bb->pixels.size() >= size_t(N) * size_t(N) * 4) ? bb->pixels.data() : nullptr;
        DabSetup s;
        s.N = N, s.n = n, s.h = h, s.scale = t.scale.data(), s.rotate = t.rotate_mode == 1;
        s.sine = t.sine, s.cosine = t.cosine;
        s.shape = e.brush_shape.data(), s.width = e.width;
        s.scale_alpha = t.alpha_percent < 100;
        s.alpha_factor = uint32_t(std::max(t.alpha_factor, 0));
        if (e.texture) s.texture = e.texture.data();
        const uint32_t density = uint32_t(std::max(t.density, 0));
        const uint32_t bs = uint32_t(std::clamp(t.blend_strength, 0, 256)), bi = uint32_t(std::clamp(t.blend_inverse, 0, 256));
        const uint32_t pinv = uint32_t(std::clamp(t.primary_inverse, 0, 256));
        const bool remix = smudging && t.blend_remix != 0;
        // Noise cursors carry on from row to row; picked again only when a
        // row could run past the end of the array.
        Cursor colour_cur, lum_cur;
        for (int32_t row = rc.top; row < rc.bottom; ++row) {
            if (t.pix_colour_vary > 0 && (!colour_cur.data || colour_cur.at + size_t(n_sampled) >= colour_cur.length))
                colour_cur = start_cursor(&t.pix_colour_noise, N);
            if (t.pix_lum_vary > 0 && (!lum_cur.data || lum_cur.at + size_t(n_sampled) >= lum_cur.length))
                lum_cur = start_cursor(&t.pix_lum_noise, N);
            const int32_t j = row - rc.top + rc.row_clip;
            uint16_t* mrow = e.mask.data() + size_t(row) * e.width;
            for (int32_t c = rc.left; c < rc.right; ++c) {
                const int32_t k = c - rc.left + rc.col_clip;
                int32_t sx, sy;
                if (!sample(s, k, j, sx, sy)) continue;
                const size_t i = size_t(sy) * N + size_t(sx);
                if (grit && grit[i] > density) continue;
                uint32_t v = base_coverage(s, i, c, row);
                if (v == 0) continue;
                if (t.solid_mode) v = 65535;
                uint16_t* cell = nullptr;
                int64_t V;
                if (smudging && blend) {
                    cell = blend + size_t(sy) * size_t(N) * 4 + size_t(sx);
                    V = *cell;
                    if (t.pix_colour_vary > 0 && colour_cur.data) V = clamp16(V + colour_offset(colour_cur.next(), t.pix_colour_vary));
                    if (t.pix_lum_vary > 0 && lum_cur.data) V = lum_vary(uint32_t(V), lum_cur.next(), t.pix_lum_vary);
                    if (t.primary_strength != 0) V = clamp16((int64_t(pinv) * V + PM) >> 8);
                } else {
                    V = M;
                    if (t.pix_colour_vary > 0 && colour_cur.data) V = clamp16(M + colour_offset(colour_cur.next(), t.pix_colour_vary));
                    if (t.pix_lum_vary > 0 && lum_cur.data) V = lum_vary(uint32_t(M), lum_cur.next(), t.pix_lum_vary);
                }
                const uint32_t O = mrow[c];
                if (cell && remix) *cell = uint16_t(std::min<int64_t>(65535, ((int64_t(bi) * O + int64_t(bs) * V) >> 8) + 1));
                mrow[c] = uint16_t(clamp16(((((65536u - v) * O) >> 8) + ((v * uint32_t(V)) >> 8)) >> 8));
            }
        }
    }
    // Only the temporary blend disable is cleared: the mask maker and erase
    // flags stay until the tool is set again.
    t.temp_blend_disable = 0;
}

}  // namespace oka::brush
