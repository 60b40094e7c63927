#include "brush/blend_buffers.h"

#include <algorithm>
#include <cstring>

#include "brush/mix_ops.h"
#include "brush/tool_state.h"

namespace oka::brush {
namespace {

MixSettings g_mix;

// The square a dab at (x, y) covers, clipped to the source plane.
struct Square {
    int32_t left, top, right, bottom;  // inclusive canvas rectangle
    int32_t row_offset, col_offset;    // buffer cell of (left, top)
    int32_t n;
    bool clipped;
    bool empty() const noexcept { return right < left || bottom < top; }
};

// n is the brush size, limited to the buffer edge N so the square always
// lies inside the N x N buffer.
int32_t square_size() noexcept {
    return std::clamp(tool().size, 0, engine().brush_max);
}

Square clip_square(int32_t x, int32_t y, int32_t width, int32_t height) noexcept {
    Square s{};
    s.n = square_size();
    // 64-bit: dabs far outside the canvas must not overflow.
    int64_t left = int64_t{x} - s.n / 2, top = int64_t{y} - s.n / 2;
    int64_t right = left + s.n - 1, bottom = top + s.n - 1;
    int64_t col = 0, row = 0;
    if (left < 0) col = -left, left = 0, s.clipped = true;
    if (top < 0) row = -top, top = 0, s.clipped = true;
    if (right > width - 1) right = int64_t{width} - 1, s.clipped = true;
    if (bottom > height - 1) bottom = int64_t{height} - 1, s.clipped = true;
    if (col >= s.n || row >= s.n || right < left || bottom < top) {
        s.left = 0, s.right = -1, s.top = 0, s.bottom = -1;
        return s;
    }
    s.left = int32_t(left), s.top = int32_t(top), s.right = int32_t(right), s.bottom = int32_t(bottom);
    s.col_offset = int32_t(col), s.row_offset = int32_t(row);
    return s;
}

// Selected buffer's plane, or null when there is none.
uint16_t* selected_plane() noexcept {
    BlendBuffer* b = engine().blend_selected;
    return (b && b->pixels) ? b->pixels.data() : nullptr;
}
inline uint16_t* cell(uint16_t* plane, int32_t row, int32_t col) noexcept {
    return plane + size_t(row) * size_t(engine().brush_stride) + size_t(col) * 4;
}

// Alpha a pixel contributes under the selection mask:
//   m' = 65535 when m = 65535, else (m * 65535) >> 16;  a = trunc(m' / 65535 * A)
inline uint32_t effective_alpha(uint32_t alpha, const uint16_t* mask) noexcept {
    // An open mask value gives m' = 65535 and so A itself.
    if (!mask || *mask == 65535) return alpha;
    const uint32_t m = (uint32_t{*mask} * 65535u) >> 16;
    return static_cast<uint32_t>(double(m) / 65535.0 * double(alpha));
}
inline const uint16_t* mask_at(int32_t x, int32_t y) noexcept {
    EngineState& e = engine();
    if (!e.mask_enabled || !e.mask || x >= e.width || y >= e.height) return nullptr;
    return e.mask.data() + size_t(y) * e.width + x;
}

// An alpha shifted up from an 8-bit weight: 256 << 8 does not fit 16 bits,
// and a full weight must stay fully opaque rather than wrap to 0.
inline uint16_t weight_alpha(int32_t w) noexcept { return uint16_t(std::min(w << 8, 65535)); }

inline uint16_t cap_ff00(uint32_t v) noexcept { return uint16_t(std::min<uint32_t>(v, 0xFF00)); }

MixContext mix_context() noexcept {
    const ToolState& t = tool();
    MixContext k;
    for (int i = 0; i < 4; ++i) k.banks[size_t(i)] = {t.banks[size_t(i)].r, t.banks[size_t(i)].g, t.banks[size_t(i)].b};
    k.brush = {t.colour.r, t.colour.g, t.colour.b};
    k.posterize_shift = uint32_t(g_mix.posterize_shift) & 31;
    return k;
}

// One row of the mix: canvas row src (already at the square's left), buffer
// row buf (at its column offset), count pixels.
template <class Rule>
void mix_row(const uint16_t* src, uint16_t* buf, const uint16_t* mask, int32_t count, uint32_t S, uint32_t T,
             const MixContext& k) noexcept {
    for (int32_t i = 0; i < count; ++i, src += 4, buf += 4) {
        const uint32_t a = effective_alpha(src[3], mask ? mask + i : nullptr);
        if (a == 0) {
            buf[3] = uint16_t((uint32_t{buf[3]} * T) >> 16);
            continue;
        }
        if (S == 0) continue;
        if (buf[3] == 0) {
            buf[0] = cap_ff00(src[0]);
            buf[1] = cap_ff00(src[1]);
            buf[2] = cap_ff00(src[2]);
            buf[3] = uint16_t(a);
            continue;
        }
        const uint32_t b[3] = {buf[0], buf[1], buf[2]};
        const uint32_t l[3] = {src[0], src[1], src[2]};
        MixOut o;
        Rule::apply(b, l, (b[0] + b[1] + b[2]) / 3, k, o);
        uint32_t ba = buf[3];
        if (o.kind == MixKind::TakeD) ba = a;
        if (o.kind == MixKind::Grey) ba = (b[0] + b[1] + b[2]) / 3;
        // B' blended toward the canvas with strength S, each channel + 1.
        for (int c = 0; c < 3; ++c) buf[c] = cap_ff00(((((o.x[c] * T) >> 8) + ((l[c] * S) >> 8)) >> 8) + 1);
        buf[3] = uint16_t((((ba * T) >> 8) + ((a * S) >> 8)) >> 8);
    }
}

}  // namespace

MixSettings& mix_settings() noexcept { return g_mix; }

int32_t set_mix_mode(uint32_t type, uint32_t value) noexcept {
    tool().mix_type = type;
    g_mix.value = value;
    g_mix.inverse = 256u - value;
    // trunc toward zero of 10 (v - 127) / 127 and 16 (v - 127) / 127.
    const int64_t v = int64_t(value) - 127;
    g_mix.tenths = int32_t(10 * v / 127);
    g_mix.posterize_shift = int32_t(16 * v / 127);
    return g_mix.posterize_shift;
}

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

SourcePlane host_plane(const void* plane) noexcept {
    const EngineState& e = engine();
    return {static_cast<const uint16_t*>(plane), e.width, e.height, e.stride};
}

SourcePlane layer_plane(const Layer* l) noexcept {
    if (!l || !l->present()) return {};
    // A layer is read over its overlap with the canvas.
    const EngineState& e = engine();
    return {l->pixels.data(), std::min(l->width, e.width), std::min(l->height, e.height), l->stride};
}

SourcePlane history_plane() noexcept {
    const EngineState& e = engine();
    if (!e.undo_back_layer || e.undo_back_layer.size() < e.canvas_pixels() * 4) return {};
    return {e.undo_back_layer.data(), e.width, e.height, e.stride};
}

void copy_blend_buffer(int32_t x, int32_t y, const SourcePlane& src, int32_t weight, uint32_t flag) noexcept {
    const ToolState& t = tool();
    uint16_t* plane = selected_plane();
    if (t.blend_strength == 0 || !plane || !src.data) return;
    const uint32_t c = uint32_t(std::clamp(weight, 0, 256));
    const bool flagged = (flag & 0xFF) != 0;
    const Square sq = clip_square(x, y, src.width, src.height);
    if (sq.clipped) {
        for (int32_t i = 0; i < sq.n; ++i) {
            uint16_t* p = cell(plane, i, 0);
            for (int32_t j = 0; j < sq.n; ++j, p += 4) {
                if (flagged) {
                    p[3] = 65535;
                } else {
                    p[0] = t.colour.r, p[1] = t.colour.g, p[2] = t.colour.b;
                    p[3] = weight_alpha(int32_t(c));
                }
            }
        }
    }
    if (sq.empty()) return;
    const uint32_t brush[3] = {t.colour.r, t.colour.g, t.colour.b};
    for (int32_t cy = sq.top; cy <= sq.bottom; ++cy) {
        const uint16_t* s = src.data + size_t(cy) * src.stride + size_t(sq.left) * 4;
        uint16_t* p = cell(plane, sq.row_offset + cy - sq.top, sq.col_offset);
        for (int32_t cx = sq.left; cx <= sq.right; ++cx, s += 4, p += 4) {
            const uint32_t a = effective_alpha(s[3], mask_at(cx, cy));
            if (a == 0) {
                p[0] = t.colour.r, p[1] = t.colour.g, p[2] = t.colour.b;
                p[3] = weight_alpha(int32_t(flagged ? 256 - c : c));
                continue;
            }
            // Weight 0 takes the canvas, 256 the brush; each channel + 1.
            for (int ch = 0; ch < 3; ++ch) p[ch] = cap_ff00(((s[ch] * (256 - c) + brush[ch] * c) >> 8) + 1);
            p[3] = uint16_t(std::min<uint32_t>((a * (256 - c) + uint32_t{t.colour.a} * c) >> 8, 65535));
        }
    }
}

void copy_blend_buffer_mask(int32_t x, int32_t y, int32_t weight) noexcept {
    EngineState& e = engine();
    const ToolState& t = tool();
    uint16_t* plane = selected_plane();
    if (t.blend_strength == 0 || !plane || !e.mask) return;
    const uint32_t c = uint32_t(std::clamp(weight, 0, 256));
    // Black opens the mask fully, white closes it.
    const uint32_t g = (uint32_t{t.colour.r} + t.colour.g + t.colour.b) / 3;
    const uint32_t value = g < 256 ? 65535u : 0xFF00u - std::min(g, 0xFF00u);
    const Square sq = clip_square(x, y, e.width, e.height);
    // Mask cells are single 16-bit values, rows N * 4 values apart.
    if (sq.clipped)
        for (int32_t i = 0; i < sq.n; ++i) std::fill_n(plane + size_t(i) * e.brush_stride, sq.n, uint16_t(value));
    if (sq.empty()) return;
    for (int32_t cy = sq.top; cy <= sq.bottom; ++cy) {
        const uint16_t* m = e.mask.data() + size_t(cy) * e.width + sq.left;
        uint16_t* p = plane + size_t(sq.row_offset + cy - sq.top) * e.brush_stride + sq.col_offset;
        for (int32_t cx = sq.left; cx <= sq.right; ++cx) *p++ = cap_ff00(((*m++ * (256 - c) + value * c) >> 8) + 1);
    }
}

void mix_blend_buffer(int32_t x, int32_t y, const SourcePlane& src, int32_t strength) noexcept {
    const ToolState& t = tool();
    uint16_t* plane = selected_plane();
    if (t.blend_strength == 0 || !plane || !src.data) return;
    const Square sq = clip_square(x, y, src.width, src.height);
    if (sq.empty()) return;
    const uint32_t S = uint32_t(std::clamp(strength, 0, 256)) * 256 > 65535 ? 65535u
                                                                           : uint32_t(std::clamp(strength, 0, 256)) * 256;
    const uint32_t T = 65536u - S;
    const MixContext k = mix_context();
    const int32_t count = sq.right - sq.left + 1;
    with_mix_op(t.mix_type, [&]<class Rule>() {
        // Each row touches only its own buffer row and canvas row.
#pragma omp parallel for schedule(static) if (sq.bottom - sq.top > 35)
        for (int32_t cy = sq.top; cy <= sq.bottom; ++cy) {
            const uint16_t* s = src.data + size_t(cy) * src.stride + size_t(sq.left) * 4;
            uint16_t* b = cell(plane, sq.row_offset + cy - sq.top, sq.col_offset);
            mix_row<Rule>(s, b, mask_at(sq.left, cy), count, S, T, k);
        }
    });
}

void colour_blend_buffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept {
    const EngineState& e = engine();
    const ToolState& t = tool();
    uint16_t* plane = selected_plane();
    if (t.blend_strength == 0 || !plane) return;
    const Square sq = clip_square(x, y, e.width, e.height);
    if (sq.empty()) return;
    const uint32_t f = std::min<uint32_t>(uint32_t(std::clamp(strength, 0, 256)) << 8, 65535);
    const uint32_t col[3] = {uint32_t(r & 255) << 8, uint32_t(g & 255) << 8, uint32_t(b & 255) << 8};
    for (int32_t i = 0; i <= sq.bottom - sq.top; ++i) {
        uint16_t* p = cell(plane, sq.row_offset + i, sq.col_offset);
        for (int32_t j = 0; j <= sq.right - sq.left; ++j, p += 4) {
            if (p[3] == 0) {
                p[0] = uint16_t(col[0]), p[1] = uint16_t(col[1]), p[2] = uint16_t(col[2]);
                continue;
            }
            for (int ch = 0; ch < 3; ++ch)
                p[ch] = cap_ff00(((((p[ch] * (65536 - f)) >> 8) + ((col[ch] * f) >> 8)) >> 8) + 1);
        }
    }
}

void clear_blend_buffer() noexcept {
    BlendBuffer* b = engine().blend_selected;
    if (b && b->pixels) std::memset(b->pixels.data(), 0, b->pixels.bytes());
}

void fill_blend_buffer(int32_t c, int32_t d) noexcept {
    // The first N * N * 2 bytes take the low byte of c * 256 + d.
    BlendBuffer* b = engine().blend_selected;
    if (!b || !b->pixels) return;
    const size_t n = std::min(b->pixels.bytes(), size_t(engine().brush_max) * size_t(engine().brush_max) * 2);
    std::memset(b->pixels.data(), int((uint32_t(c) * 256u + uint32_t(d)) & 0xFF), n);
}

void filter_blend_buffer(int32_t kind, int32_t percent) noexcept {
    uint16_t* plane = selected_plane();
    if (!plane) return;
    const int32_t n = square_size();
    const uint32_t threshold = uint32_t(std::clamp<int64_t>(int64_t(double(percent) * 655.35), 0, 65535));
    for (int32_t i = 0; i < n; ++i) {
        uint16_t* p = cell(plane, i, 0);
        for (int32_t j = 0; j < n; ++j, p += 4) {
            switch (kind) {
                case 289: p[0] = p[1] = p[2] = uint16_t((uint32_t{p[0]} + p[1] + p[2]) / 3); break;
                case 290: for (int c = 0; c < 3; ++c) p[c] = uint16_t(65535 - p[c]); break;
                case 291: for (int c = 0; c < 3; ++c) if (p[c] < threshold) p[c] = 0; break;
                case 292: for (int c = 0; c < 3; ++c) if (p[c] > threshold) p[c] = 0xFF00; break;
                default: return;
            }
        }
    }
}

}  // namespace oka::brush
