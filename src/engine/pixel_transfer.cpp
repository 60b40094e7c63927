#include "engine/pixel_transfer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "engine/pixel_rows.h"
#include "engine/rle_codec.h"

namespace oka {
namespace {

// Rows of more than 1000 pixels in all are shared among threads; each
// thread writes its own rows, so the result does not depend on the count.
constexpr int64_t kParallelPixels = 1000;

inline uint8_t* row_at(uint8_t* base, ptrdiff_t stride, int32_t y) noexcept { return base + stride * y; }
inline const uint8_t* row_at(const uint8_t* base, ptrdiff_t stride, int32_t y) noexcept {
    return base + stride * y;
}

// The part of a canvas-sized transfer that exists in the layer.
struct Extent {
    int32_t w, h;
};
inline Extent canvas_overlap(const Layer& l) noexcept {
    const EngineState& e = engine();
    return {std::max(0, std::min(e.width, l.width)), std::max(0, std::min(e.height, l.height))};
}

// Mask row for weighting, or null when the mask does not take part.
inline const uint16_t* mask_row(int32_t y) noexcept {
    EngineState& e = engine();
    if (!e.mask_enabled || !e.mask) return nullptr;
    return e.mask.data() + static_cast<size_t>(y) * e.width;
}
inline const uint8_t* texture_row(int32_t y) noexcept {
    EngineState& e = engine();
    if (!e.texture) return nullptr;
    return e.texture.data() + static_cast<size_t>(y) * e.width;
}
inline bool weighting_active() noexcept {
    const EngineState& e = engine();
    return (e.mask_enabled && e.mask) || e.texture;
}

// ---- the RGBA32 load row kernels ------------------------------------------
// Unweighted, unlocked: a transparent source pixel clears the layer pixel,
// any other stores its four widened channels.
void load_row_plain(const uint8_t* s, uint16_t* d, int32_t n) noexcept {
    for (int32_t i = 0; i < n; ++i, s += 4, d += 4) {
        if (s[3] == 0) {
            d[0] = d[1] = d[2] = d[3] = 0;
        } else {
            d[0] = widen8(s[0]);
            d[1] = widen8(s[1]);
            d[2] = widen8(s[2]);
            d[3] = widen8(s[3]);
        }
    }
}

// Unweighted, alpha locked: colour only.
void load_row_locked(const uint8_t* s, uint16_t* d, int32_t n) noexcept {
    for (int32_t i = 0; i < n; ++i, s += 4, d += 4) {
        d[0] = widen8(s[0]);
        d[1] = widen8(s[1]);
        d[2] = widen8(s[2]);
    }
}

// Weighted. Full weight stores, zero weight skips; a partial weight:
//   layer A = 0:           colour stored, A = (srcA * 256 * w) >> 16
//   source A = 0:          colour kept,   A = (layerA * c) >> 16
//   otherwise:             every channel blended
// The row's weights are computed first; the pixel rule is then written as
// selects rather than branches, so rows of mixed weights (soft mask edges,
// textures) run without mispredictions and the compiler can vectorise.
inline void row_weights(uint32_t* out, int32_t n, const uint16_t* mask, const uint8_t* texture) noexcept {
    for (int32_t i = 0; i < n; ++i) out[i] = 65535;
    if (texture)
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t t = 2u * texture[i];
            out[i] = t == 0 ? 0u : t >= 255 ? 65535u : ((t + 1) * 65535u) >> 8;
        }
    if (mask)
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t m = mask[i] >> 8;
            out[i] = m == 0 ? 0u : m == 255 ? out[i] : (out[i] * (m + 1)) >> 8;
        }
}

template <bool Locked>
void load_row_weighted(const uint8_t* s, uint16_t* d, int32_t n, const uint16_t* mask,
                       const uint8_t* texture) noexcept {
    constexpr int32_t kChunk = 256;
    uint32_t weights[kChunk];
    for (int32_t base = 0; base < n; base += kChunk) {
        const int32_t m = std::min(kChunk, n - base);
        row_weights(weights, m, mask ? mask + base : nullptr, texture ? texture + base : nullptr);
        const uint8_t* sp = s + ptrdiff_t{base} * 4;
        uint16_t* dp = d + ptrdiff_t{base} * 4;
        for (int32_t i = 0; i < m; ++i, sp += 4, dp += 4) {
            const uint32_t w = weights[i], c = 65535u - w;
            const uint32_t da = dp[3], sa = sp[3];
            const bool full = w == 65535, none = w == 0;
            const bool take_colour = full || da == 0, keep_colour = !full && da != 0 && sa == 0;
            for (int ch = 0; ch < 3; ++ch) {
                const uint32_t S = uint32_t{sp[ch]} << 8, O = dp[ch];
                const uint32_t mixed = (((S * w) >> 8) + ((O * c) >> 8)) >> 8;
                const uint32_t v = take_colour ? S : keep_colour ? O : mixed;
                dp[ch] = static_cast<uint16_t>(none ? O : v);
            }
            if (!Locked) {
                const uint32_t SA = sa << 8;
                const uint32_t a = full       ? SA
                                   : da == 0  ? (sa * 256u * w) >> 16
                                   : sa == 0  ? (da * c) >> 16
                                              : (((SA * w) >> 8) + ((da * c) >> 8)) >> 8;
                dp[3] = static_cast<uint16_t>(none ? da : a);
            }
        }
    }
}

}  // namespace

// ---- Layer <-> RGBA64 ---------------------------------------------------------

void get_rgba64_layer(uint8_t* dst, ptrdiff_t dst_stride, int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (!dst || !l) return;
    const Extent x = canvas_overlap(*l);
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < x.h; ++y) std::memcpy(row_at(dst, dst_stride, y), v.row(y), size_t(x.w) * 8);
}

void get_rgba64_layer_rect(uint8_t* dst, ptrdiff_t dst_stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                           int32_t h) noexcept {
    Layer* l = present_layer(layer);
    if (!dst || !l || w <= 0 || h <= 0) return;
    // Clip to the layer; pixels keep their place in dst, so the parts of
    // the rectangle outside the layer are left untouched.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + w, l->width), y1 = std::min<int64_t>(int64_t{y} + h, l->height);
    if (x0 >= x1 || y0 >= y1) return;
    const Rgba64View v = view_of(*l);
    for (int64_t r = y0; r < y1; ++r)
        std::memcpy(dst + dst_stride * (r - y) + (x0 - x) * 8, v.row(int32_t(r)) + x0 * 4, size_t(x1 - x0) * 8);
}

void set_rgba64_layer(const uint8_t* src, ptrdiff_t src_stride, int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (!src || !l) return;
    const Extent x = canvas_overlap(*l);
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < x.h; ++y) std::memcpy(v.row(y), row_at(src, src_stride, y), size_t(x.w) * 8);
}

void get_layer_data(void* dst, int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (dst && l) std::memcpy(dst, l->pixels.data(), l->pixels.bytes());
}

void set_layer_data(const void* src, int32_t layer) noexcept {
    Layer* l = present_layer(layer);
    if (src && l) std::memcpy(l->pixels.data(), src, l->pixels.bytes());
}

void copy_layer_data(int32_t from, int32_t to) noexcept {
    Layer* s = present_layer(from);
    Layer* d = present_layer(to);
    if (!s || !d || s == d) return;
    // Planes of different sizes share their top-left overlap.
    const int32_t w = std::min(s->width, d->width), h = std::min(s->height, d->height);
    const Rgba64View sv = view_of(*s), dv = view_of(*d);
    for (int32_t y = 0; y < h; ++y) std::memcpy(dv.row(y), sv.row(y), size_t(w) * 8);
}

// ---- RGBA64 buffers -> 8-bit -------------------------------------------------

void rgba64_rect_to_8bit(uint8_t* dst, ptrdiff_t dst_stride, const uint8_t* src, ptrdiff_t src_stride, int32_t w,
                         int32_t h, bool with_alpha) noexcept {
    if (!dst || !src || w <= 0 || h <= 0) return;
    for (int32_t y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const uint16_t*>(row_at(src, src_stride, y));
        uint8_t* d = row_at(dst, dst_stride, y);
        if (with_alpha)
            narrow_row_rgba64_to_rgba32(s, d, w);
        else
            narrow_row_rgba64_to_rgb24(s, d, w);
    }
}

void rgba64_rect_to_rgba32_clipped(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                   int32_t src_stride_px, uint8_t* dst) noexcept {
    if (!src || !dst) return;
    const EngineState& e = engine();
    // A rectangle reaching the right or bottom canvas edge is cut one short
    // of it: hosts size their buffers by this rule.
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (int64_t{x} + w >= e.width) w = e.width - x - 1;
    if (int64_t{y} + h >= e.height) h = e.height - y - 1;
    if (w <= 0 || h <= 0) return;
    for (int32_t r = 0; r < h; ++r)
        narrow_row_rgba64_to_rgba32(src + ((int64_t{y} + r) * src_stride_px + x) * 4, dst + int64_t{r} * w * 4, w);
}

void rgba64_rect_to_rgb24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t src_stride_px,
                          uint8_t* dst) noexcept {
    if (!src || !dst || w <= 0 || h <= 0) return;
    for (int32_t r = 0; r < h; ++r)
        narrow_row_rgba64_to_rgb24(src + ((int64_t{y} + r) * src_stride_px + x) * 4, dst + int64_t{r} * w * 3, w);
}

// ---- Layers -> 8-bit ------------------------------------------------------------

void get_layer_8bit(uint8_t* dst, ptrdiff_t dst_stride, Layer* l, Narrow format) noexcept {
    if (!dst || !l || !l->present()) return;
    const Extent x = canvas_overlap(*l);
    const Rgba64View v = view_of(*l);
    const bool parallel = int64_t{x.w} * x.h > kParallelPixels;
    switch (format) {
        case Narrow::Rgba32:
#pragma omp parallel for schedule(static) if (parallel)
            for (int32_t y = 0; y < x.h; ++y) narrow_row_rgba64_to_rgba32(v.row(y), row_at(dst, dst_stride, y), x.w);
            break;
        case Narrow::Rgb24:
            for (int32_t y = 0; y < x.h; ++y) narrow_row_rgba64_to_rgb24(v.row(y), row_at(dst, dst_stride, y), x.w);
            break;
        case Narrow::AlphaGrey24:
            for (int32_t y = 0; y < x.h; ++y) alpha_row_rgba64_to_grey24(v.row(y), row_at(dst, dst_stride, y), x.w);
            break;
    }
}

void get_rgba32_layer(uint8_t* dst, int32_t dst_stride, int32_t layer) noexcept {
    get_layer_8bit(dst, dst_stride, present_layer(layer), Narrow::Rgba32);
}

int32_t get_rgba32_layer_compressed(uint8_t* dst, int32_t capacity, int32_t layer, int32_t level) {
    EngineState& e = engine();
    Layer* l = present_layer(layer);
    if (!dst || !l || capacity <= 0) return 0;
    size_t bytes;
    if (!checked_mul3(size_t(e.width), size_t(e.height), 4, &bytes) || bytes > 0xFFFFFFFFull) return 0;
    Buffer<uint8_t> image = new_char_undo_reduce(bytes);
    if (!image) return 0;
    // Parts of the canvas the layer does not cover read as transparent.
    if (l->width < e.width || l->height < e.height) std::memset(image.data(), 0, bytes);
    get_layer_8bit(image.data(), ptrdiff_t{e.width} * 4, l, Narrow::Rgba32);
    uLongf out = static_cast<uLongf>(capacity);
    if (compress2(dst, &out, image.data(), static_cast<uLong>(bytes), level) != Z_OK) return 0;
    return static_cast<int32_t>(out);
}

// ---- 8-bit -> layers ------------------------------------------------------------

void load_bgr24(const uint8_t* src, ptrdiff_t stride, int32_t w, int32_t h) noexcept {
    Layer* l = current_layer();
    if (!src || !l) return;
    const Extent x = canvas_overlap(*l);
    w = std::min(w, x.w);
    h = std::min(h, x.h);
    const Rgba64View v = view_of(*l);
    for (int32_t y = 0; y < h; ++y) widen_row_rgb24_to_rgba64(row_at(src, stride, y), v.row(y), w, true, true, 65535);
}

void load_rgb24(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept {
    Layer* l = current_layer();
    if (!src || !l) return;
    const Extent x = canvas_overlap(*l);
    const Rgba64View v = view_of(*l);
    weighted = weighted && weighting_active();
    for (int32_t y = 0; y < x.h; ++y) {
        const uint8_t* s = row_at(src, stride, y);
        uint16_t* d = v.row(y);
        if (!weighted) {
            widen_row_rgb24_to_rgba64(s, d, x.w, false, false, 0);
            continue;
        }
        const uint16_t* m = mask_row(y);
        const uint8_t* t = texture_row(y);
        for (int32_t i = 0; i < x.w; ++i, s += 3, d += 4) {
            const uint32_t wt = load_weight(t ? t + i : nullptr, m ? m + i : nullptr);
            if (wt == 0) continue;
            for (int c = 0; c < 3; ++c) d[c] = wt == 65535 ? widen8(s[c]) : blend_channel(widen8(s[c]), d[c], wt);
        }
    }
}

void load_rgb24_to_alpha(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept {
    Layer* l = current_layer();
    if (!src || !l) return;
    const Extent x = canvas_overlap(*l);
    const Rgba64View v = view_of(*l);
    weighted = weighted && weighting_active();
    for (int32_t y = 0; y < x.h; ++y) {
        const uint8_t* s = row_at(src, stride, y);
        uint16_t* d = v.row(y);
        const uint16_t* m = weighted ? mask_row(y) : nullptr;
        const uint8_t* t = weighted ? texture_row(y) : nullptr;
        for (int32_t i = 0; i < x.w; ++i, s += 3, d += 4) {
            if (d[3] == 0) continue;
            // This load weighs differently from the others:
            //   texture: t = 2 * value; t >= 255 -> 65535, else (t * 65535) >> 8
            //   mask:    the whole 16-bit m; 65535 keeps w, else (w * m) >> 16
            uint32_t w = 65535;
            if (t) {
                const uint32_t tt = 2u * t[i];
                if (tt < 255) w = (tt * 65535u) >> 8;
            }
            if (m && m[i] != 65535) w = (w * m[i]) >> 16;
            if (w == 0) continue;
            d[3] = w == 65535 ? widen8(s[0]) : blend_channel(widen8(s[0]), d[3], w);
        }
    }
}

void load_rgba32_layer(const uint8_t* src, ptrdiff_t stride, Layer* l, int32_t x, int32_t y, int32_t w, int32_t h,
                       bool weighted) noexcept {
    if (!src || !l || !l->present()) return;
    weighted = weighted && weighting_active();
    int64_t x1 = std::min<int64_t>(int64_t{x} + w, l->width), y1 = std::min<int64_t>(int64_t{y} + h, l->height);
    if (weighted) {
        // Weights exist only over the canvas.
        x1 = std::min<int64_t>(x1, engine().width);
        y1 = std::min<int64_t>(y1, engine().height);
    }
    const int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    if (x0 >= x1 || y0 >= y1) return;
    const int32_t n = static_cast<int32_t>(x1 - x0);
    const Rgba64View v = view_of(*l);
    const bool parallel = (x1 - x0) * (y1 - y0) > kParallelPixels;
    const bool locked = l->alpha_locked != 0;
    // Choose the row kernel once for the call.
    const int kernel = weighted ? (locked ? 3 : 2) : (locked ? 1 : 0);
#pragma omp parallel for schedule(static) if (parallel)
    for (int64_t row = y0; row < y1; ++row) {
        const uint8_t* s = src + stride * (row - y) + (x0 - x) * 4;
        uint16_t* d = v.row(int32_t(row)) + x0 * 4;
        switch (kernel) {
            case 0: load_row_plain(s, d, n); break;
            case 1: load_row_locked(s, d, n); break;
            case 2: {
                const uint16_t* m = mask_row(int32_t(row));
                const uint8_t* t = texture_row(int32_t(row));
                load_row_weighted<false>(s, d, n, m ? m + x0 : nullptr, t ? t + x0 : nullptr);
                break;
            }
            default: {
                const uint16_t* m = mask_row(int32_t(row));
                const uint8_t* t = texture_row(int32_t(row));
                load_row_weighted<true>(s, d, n, m ? m + x0 : nullptr, t ? t + x0 : nullptr);
                break;
            }
        }
    }
}

void load_rgba32_layer(const uint8_t* src, ptrdiff_t stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                       int32_t h, bool weighted) noexcept {
    load_rgba32_layer(src, stride, present_layer(layer), x, y, w, h, weighted);
}

void load_rgba32_current(const uint8_t* src, ptrdiff_t stride, bool weighted) noexcept {
    Layer* l = current_layer();
    if (l) load_rgba32_layer(src, stride, l, 0, 0, l->width, l->height, weighted);
}

int32_t load_rgba32_layer_compressed(const uint8_t* src, int32_t size, int32_t layer) {
    Layer* l = present_layer(layer);
    if (!src || !l || size <= 0) return 0;
    size_t bytes;
    if (!checked_mul3(size_t(l->width), size_t(l->height), 4, &bytes) || bytes > 0xFFFFFFFFull) return 0;
    Buffer<uint8_t> image = new_char_undo_reduce(bytes);
    if (!image) return 0;
    // Inflate into exactly the layer's size; a stream that is corrupt, ends
    // early or holds more than that is rejected before anything is loaded.
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return 0;
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = image.data();
    zs.avail_out = static_cast<uInt>(bytes);
    int rc = inflate(&zs, Z_FINISH);
    if (rc == Z_BUF_ERROR && zs.avail_out == 0) {
        // Output is full: the stream must end right here to fit exactly.
        uint8_t probe;
        zs.next_out = &probe;
        zs.avail_out = 1;
        rc = inflate(&zs, Z_FINISH);
        if (rc != Z_STREAM_END || zs.avail_out == 0) rc = Z_DATA_ERROR;
    }
    const bool ok = rc == Z_STREAM_END && zs.total_out == bytes;
    inflateEnd(&zs);
    if (!ok) return 0;
    load_rgba32_layer(image.data(), ptrdiff_t{l->width} * 4, l, 0, 0, l->width, l->height, false);
    return 1;
}

void set_pixel_rgb24(uint8_t* dst, ptrdiff_t stride, int32_t x, int32_t y, int32_t r, int32_t g,
                     int32_t b) noexcept {
    const EngineState& e = engine();
    if (!dst || x < 0 || y < 0 || x >= e.width || y >= e.height) return;
    uint8_t* p = row_at(dst, stride, y) + ptrdiff_t{x} * 3;
    p[0] = narrow16(uint32_t(r));
    p[1] = narrow16(uint32_t(g));
    p[2] = narrow16(uint32_t(b));
}

// ---- Row run-length transfers ---------------------------------------------------

namespace {
// Width of a canvas row inside a layer, or -1 when the row is not there.
int32_t layer_row_width(const Layer* l, int32_t row) noexcept {
    const EngineState& e = engine();
    if (!l || row < 0 || row >= e.height || row >= l->height) return -1;
    return std::min(e.width, l->width);
}
bool mask_row_ok(int32_t row) noexcept {
    const EngineState& e = engine();
    return e.mask && row >= 0 && row < e.height;
}
}  // namespace

int32_t get_layer_line_rle(uint8_t* dst, int32_t layer, int32_t row) noexcept {
    Layer* l = present_layer(layer);
    const int32_t w = layer_row_width(l, row);
    if (!dst || w < 0) return 0;
    return int32_t(rle::encode_rgba64(view_of(*l).row(row), size_t(w), dst));
}

void put_layer_line_rle(const uint8_t* src, int32_t layer, int32_t row) noexcept {
    Layer* l = present_layer(layer);
    const int32_t w = layer_row_width(l, row);
    // The stream's length is the host's: the decoder stops at the row's end.
    if (src && w >= 0) rle::decode_rgba32(src, rle::kUnboundedStream, view_of(*l).row(row), size_t(w));
}

int32_t get_mask_line_rle(uint8_t* dst, int32_t row) noexcept {
    EngineState& e = engine();
    if (!dst || !mask_row_ok(row)) return 0;
    return int32_t(rle::encode_g16(e.mask.data() + size_t(row) * e.width, size_t(e.width), dst));
}

void put_mask_line_rle(const uint8_t* src, int32_t row) noexcept {
    EngineState& e = engine();
    if (src && mask_row_ok(row)) rle::decode_g8(src, rle::kUnboundedStream, e.mask.data() + size_t(row) * e.width, size_t(e.width));
}

void get_mask_data16(void* dst) noexcept {
    EngineState& e = engine();
    if (dst && e.mask) std::memcpy(dst, e.mask.data(), e.mask.bytes());
}

void set_mask_data16(const void* src) noexcept {
    EngineState& e = engine();
    if (src && e.mask) std::memcpy(e.mask.data(), src, e.mask.bytes());
}

}  // namespace oka
