// Building the selection mask from pixels, and the way back.
//
// The markers run one tight loop over the canvas with the test chosen once
// per call. A pixel that fails keeps its mask value; the loops write that
// value back (m = pass ? value : m) rather than branch, which leaves the
// plane identical to "write only the pixels that pass" (nothing else reads
// the plane during the call) and lets the compiler vectorise the loop.
#include "mask/mask_from_pixels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/colour_models.h"
#include "engine/engine_state.h"
#include "mask/mask_store.h"

namespace oka {

namespace {

// The mask plane when it exists and covers the canvas.
uint16_t* mask_plane() noexcept {
    EngineState& e = engine();
    if (!e.mask || e.width <= 0 || e.height <= 0 || e.mask.size() < e.canvas_pixels()) return nullptr;
    return e.mask.data();
}

// Shared by every marker: picture pixel i (Bpp bytes each) against mask
// value i, over the canvas in row order.
template <size_t Bpp, class Pass>
void mark_where(const uint8_t* pic, uint16_t value, Pass pass) noexcept {
    uint16_t* m = mask_plane();
    if (!m || !pic) return;
    const size_t n = engine().canvas_pixels();
    for (size_t i = 0; i < n; ++i) m[i] = pass(pic + i * Bpp) ? value : m[i];
}

// An inclusive interval of byte values. The tolerance tests
// abs(v - centre) <= t are intervals in v; intersected with 0..255 they
// become one unsigned compare per channel.
struct ByteRange {
    uint32_t lo = 1, span = 0;  // v passes when (v - lo) <= span, unsigned
    bool empty = true;
    bool contains(uint32_t v) const noexcept { return v - lo <= span; }
};

ByteRange byte_range(int64_t centre, int64_t t) noexcept {
    const int64_t lo = std::max<int64_t>(centre - t, 0);
    const int64_t hi = std::min<int64_t>(centre + t, 255);
    ByteRange r;
    if (t < 0 || lo > hi) return r;
    r.lo = static_cast<uint32_t>(lo);
    r.span = static_cast<uint32_t>(hi - lo);
    r.empty = false;
    return r;
}

// The hue test on the circle: within T directly, or across the 0/360 seam
// either way, in that order and in double precision.
inline bool hue_within(double h, double h0, double t) noexcept {
    const double d = h - h0;
    return std::fabs(d) <= t || std::fabs(d + 360) <= t || std::fabs(d - 360) <= t;
}

// ---- Hue range over a picture ------------------------------------------------------
//
// The exact test needs the double hue of every pixel (a division) and three
// compares, about ten cycles a pixel. Almost every pixel is far from the
// edges of the passing arc, though, so the picture is first classified four
// or eight pixels at a time in single precision and only pixels whose hue
// lands within kHueMargin degrees of an edge take the exact double test.
//
// Why the margin is safe: the float hue is 60 * (num / d + sector) with
// num, d exact small integers; its error is below 1e-4 degrees (one
// rounding of the quotient, the sum, the product and the +360 wrap, each at
// most half an ulp of 360 in float, 1.5e-5). The double hue and its double
// differences with H0 are within 1e-12 of the true rational values. The
// circular distance c = min(|H - H0|, ||H - H0| - 360|) equals the smallest
// of the three wrapped distances of the exact test for every H and H0 in
// [-1, 360). So c <= T - margin in float means the exact test passes and
// c > T + margin means it fails; only the band between is recomputed.
// Greys (d = 0, hue -1) all share one verdict, computed once exactly.
struct HueRangeTest {
    double h0 = 0, t = 0;
    uint16_t value = 0;
    bool pass_exact(const uint8_t* p) const noexcept { return hue_within(RgbToHue(p[0], p[1], p[2]), h0, t); }
};

constexpr double kHueMargin = 1e-3;

// Lanes of N pixels in the compiler's vector extension: one source for the
// 4-lane (SSE2, NEON) and 8-lane (AVX2) builds of the classifier.
template <int N>
struct HueLanes {
    typedef float F __attribute__((vector_size(4 * N)));
    typedef int32_t I __attribute__((vector_size(4 * N)));
    typedef uint32_t U __attribute__((vector_size(4 * N)));
    typedef int16_t S __attribute__((vector_size(2 * N)));
    typedef int16_t S2 __attribute__((vector_size(4 * N)));   // I seen as 16-bit halves
    typedef uint64_t Q __attribute__((vector_size(4 * N)));   // I seen as 64-bit words
};

// The low 16-bit half of every 32-bit lane (all lanes here are 0 or -1).
template <int N>
[[gnu::always_inline]] inline typename HueLanes<N>::S low_halves(const typename HueLanes<N>::I& v) noexcept {
    const auto h = reinterpret_cast<typename HueLanes<N>::S2>(v);
    if constexpr (N == 4) {
#if defined(__SSE2__)
        // One saturating pack; the compiler's own lowering of the shuffle
        // below goes through general registers on SSE2.
        const __m128i packed = _mm_packs_epi32(reinterpret_cast<__m128i>(v), reinterpret_cast<__m128i>(v));
        const auto p16 = reinterpret_cast<typename HueLanes<N>::S2>(packed);
        return __builtin_shufflevector(p16, p16, 0, 1, 2, 3);
#else
        return __builtin_shufflevector(h, h, 0, 2, 4, 6);
#endif
    } else
        return __builtin_shufflevector(h, h, 0, 2, 4, 6, 8, 10, 12, 14);
}

template <int N>
[[gnu::always_inline]] inline void mark_hue_lanes(const uint8_t* rgba, uint16_t* m, size_t n,
                                                  const HueRangeTest& test) noexcept {
    using F = typename HueLanes<N>::F;
    using I = typename HueLanes<N>::I;
    using U = typename HueLanes<N>::U;
    using S = typename HueLanes<N>::S;
    using Q = typename HueLanes<N>::Q;
    const F zero = {};
    const F one = zero + 1.0f, two = zero + 2.0f, four = zero + 4.0f, sixty = zero + 60.0f, full = zero + 360.0f;
    const F h0 = zero + static_cast<float>(test.h0);
    const F t_in = zero + static_cast<float>(test.t - kHueMargin);
    const F t_out = zero + static_cast<float>(test.t + kHueMargin);
    const I grey_pass = I{} + (hue_within(-1.0, test.h0, test.t) ? -1 : 0);
    const S value = S{} + static_cast<int16_t>(test.value);

    size_t i = 0;
    for (; i + N <= n; i += N) {
        const uint8_t* p = rgba + 4 * i;
        U px;
        std::memcpy(&px, p, sizeof px);  // little-endian: red is the low byte
        const F r = __builtin_convertvector(reinterpret_cast<I>(px & 0xFF), F);
        const F g = __builtin_convertvector(reinterpret_cast<I>((px >> 8) & 0xFF), F);
        const F b = __builtin_convertvector(reinterpret_cast<I>((px >> 16) & 0xFF), F);
        const F gb_max = g > b ? g : b, gb_min = g < b ? g : b;
        const F mx = r > gb_max ? r : gb_max;
        const F d = mx - (r < gb_min ? r : gb_min);
        // Sectors in the exact conversion's order: red, then blue unless
        // green holds the maximum.
        const I red = r == mx;
        const I green = ~red & (g == mx);
        const F num = red ? g - b : (green ? b - r : r - g);
        const F off = red ? zero : (green ? two : four);
        F h = (num / (d > one ? d : one) + off) * sixty;
        h = h < zero ? h + full : h;
        const F a = reinterpret_cast<F>(reinterpret_cast<I>(h - h0) & 0x7FFFFFFF);
        const F a360 = reinterpret_cast<F>(reinterpret_cast<I>(a - full) & 0x7FFFFFFF);
        const F c = a < a360 ? a : a360;
        const I grey = d == zero;
        const I pass = grey ? grey_pass : (c <= t_in);
        const I unsure = ~(grey | pass) & (c <= t_out);
        // Any lane unsure? OR the vector's 64-bit words.
        const Q unsure_words = reinterpret_cast<Q>(unsure);
        uint64_t any_unsure = 0;
        for (size_t w = 0; w < sizeof(Q) / 8; ++w) any_unsure |= unsure_words[w];
        if (!any_unsure) {
            const S pass16 = low_halves<N>(pass);
            S old;
            std::memcpy(&old, m + i, sizeof old);
            const S out = (pass16 & value) | (~pass16 & old);
            std::memcpy(m + i, &out, sizeof out);
        } else {
            for (int j = 0; j < N; ++j)
                if (pass[j] || (unsure[j] && test.pass_exact(p + 4 * j))) m[i + j] = test.value;
        }
    }
    for (; i < n; ++i)
        if (test.pass_exact(rgba + 4 * i)) m[i] = test.value;
}

void mark_hue_range_4(const uint8_t* rgba, uint16_t* m, size_t n, const HueRangeTest& test) noexcept {
    mark_hue_lanes<4>(rgba, m, n, test);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OKA_HUE_AVX2 1
[[gnu::target("avx2")]] void mark_hue_range_8(const uint8_t* rgba, uint16_t* m, size_t n,
                                               const HueRangeTest& test) noexcept {
    mark_hue_lanes<8>(rgba, m, n, test);
}
#endif

void mark_hue_range(const uint8_t* rgba, uint16_t* m, size_t n, const HueRangeTest& test, bool wide) noexcept {
    if constexpr (std::endian::native != std::endian::little) {  // the lanes read red as the low byte
        for (size_t i = 0; i < n; ++i)
            if (test.pass_exact(rgba + 4 * i)) m[i] = test.value;
        return;
    }
#if defined(OKA_HUE_AVX2)
    if (wide && __builtin_cpu_supports("avx2")) return mark_hue_range_8(rgba, m, n, test);
#endif
    (void)wide;
    mark_hue_range_4(rgba, m, n, test);
}

// The part of the current layer that lies on the canvas, with the mask.
struct LayerAndMask {
    uint16_t* mask = nullptr;
    Layer* layer = nullptr;
    int32_t width = 0, height = 0;  // overlap of layer and canvas

    uint16_t* layer_row(int32_t y) const noexcept { return layer->pixels.data() + static_cast<size_t>(y) * layer->stride; }
    uint16_t* mask_row(int32_t y) const noexcept { return mask + static_cast<size_t>(y) * engine().width; }
};

bool current_layer_and_mask(LayerAndMask& out) noexcept {
    out.mask = mask_plane();
    out.layer = current_layer();
    if (!out.mask || !out.layer) return false;
    const Layer& l = *out.layer;
    if (l.stride < l.width * 4 || l.pixels.size() < static_cast<size_t>(l.stride) * static_cast<size_t>(l.height))
        return false;
    out.width = std::min(l.width, engine().width);
    out.height = std::min(l.height, engine().height);
    return out.width > 0 && out.height > 0;
}

template <class Grey>
void mask_from_layer(Grey grey) noexcept {
    LayerAndMask lm;
    if (!current_layer_and_mask(lm)) return;
    for (int32_t y = 0; y < lm.height; ++y) {
        const uint16_t* p = lm.layer_row(y);
        uint16_t* m = lm.mask_row(y);
        for (int32_t x = 0; x < lm.width; ++x, p += 4) m[x] = grey(p);
    }
}

}  // namespace

int64_t percent_tolerance(int32_t percent) noexcept {
    return static_cast<int64_t>(std::trunc(percent * 2.56));
}

// ---- From the current layer ---------------------------------------------------------

void mask_from_layer_grey() noexcept {
    mask_from_layer([](const uint16_t* p) {
        return mask_value_from_grey16((uint32_t{p[0]} + p[1] + p[2]) / 3);
    });
}

void mask_from_layer_luma() noexcept {
    // 3/8 red, 4/8 green, 1/8 blue, summed before the shift.
    mask_from_layer([](const uint16_t* p) {
        return mask_value_from_grey16((3 * uint32_t{p[0]} + 4 * uint32_t{p[1]} + p[2]) >> 3);
    });
}

void mask_from_layer_alpha() noexcept {
    mask_from_layer([](const uint16_t* p) { return p[3]; });
}

// ---- Marking from host pictures ----------------------------------------------------

void mark_rgba_colour(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept {
    // A target outside 0..255 can never equal a byte: the loop then only
    // rewrites what is there, so skip it.
    if ((r | g | b) & ~0xFF) return;
    const uint8_t r8 = uint8_t(r), g8 = uint8_t(g), b8 = uint8_t(b);
    mark_where<4>(rgba, mask::value_from_strength(strength),
                  [=](const uint8_t* p) { return (p[0] == r8) & (p[1] == g8) & (p[2] == b8); });
}

void mark_rgb24_colour(const uint8_t* rgb, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept {
    if ((r | g | b) & ~0xFF) return;
    const uint8_t r8 = uint8_t(r), g8 = uint8_t(g), b8 = uint8_t(b);
    mark_where<3>(rgb, mask::value_from_strength(strength),
                  [=](const uint8_t* p) { return (p[0] == r8) & (p[1] == g8) & (p[2] == b8); });
}

void mark_rgba_colour_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                            int32_t strength) noexcept {
    const int64_t t = percent_tolerance(tolerance);
    const ByteRange rr = byte_range(r, t), gr = byte_range(g, t), br = byte_range(b, t);
    if (rr.empty || gr.empty || br.empty) return;
    mark_where<4>(rgba, mask::value_from_strength(strength), [=](const uint8_t* p) {
        return rr.contains(p[0]) & gr.contains(p[1]) & br.contains(p[2]);
    });
}

void mark_rgba_alpha_range(const uint8_t* rgba, int32_t alpha, int32_t tolerance, int32_t strength) noexcept {
    const ByteRange ar = byte_range(alpha, percent_tolerance(tolerance));
    if (ar.empty) return;
    mark_where<4>(rgba, mask::value_from_strength(strength), [=](const uint8_t* p) { return ar.contains(p[3]); });
}

void mark_rgba_luminance_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                               int32_t strength) noexcept {
    // abs(S / 3 - L0) <= t over the byte sums S = R + G + B (0..765). S / 3
    // never decreases as S grows, so the passing sums form one interval:
    // find it once from the rule itself, then test each pixel's sum against
    // it with a single unsigned compare.
    const int64_t l0 = (int64_t{r} + g + b) / 3;  // truncating, as the host's integer average
    const int64_t t = percent_tolerance(tolerance);
    int32_t lo = -1, hi = -1;
    for (int32_t s = 0; s <= 765; ++s) {
        const int64_t d = s / 3 - l0;
        if ((d < 0 ? -d : d) <= t) {
            if (lo < 0) lo = s;
            hi = s;
        }
    }
    if (lo < 0) return;
    const uint32_t ulo = uint32_t(lo), span = uint32_t(hi - lo);
    mark_where<4>(rgba, mask::value_from_strength(strength),
                  [=](const uint8_t* p) { return uint32_t{p[0]} + p[1] + p[2] - ulo <= span; });
}

void mark_rgba_hue_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                         int32_t strength) noexcept {
    detail::mark_rgba_hue_range_lanes(rgba, r, g, b, tolerance, strength, true);
}

void detail::mark_rgba_hue_range_lanes(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, int32_t tolerance,
                                       int32_t strength, bool allow_wide) noexcept {
    uint16_t* m = mask_plane();
    if (!m || !rgba) return;
    // A percentage of a half turn, truncated to whole degrees: 100 -> 180.
    const double t = std::trunc(tolerance * 1.8);
    if (t < 0) return;  // no distance is at most a negative tolerance
    HueRangeTest test;
    test.h0 = RgbToHue(r, g, b);
    test.t = t;
    test.value = mask::value_from_strength(strength);
    mark_hue_range(rgba, m, engine().canvas_pixels(), test, allow_wide);
}

void mark_rgba_hsl_range(const uint8_t* rgba, int32_t r, int32_t g, int32_t b, double hue_tol, double sat_tol,
                         double light_tol, int32_t strength) noexcept {
    const double t = hue_tol * 180;  // a fraction of a half turn, kept fractional
    const Hsl ref = RgbToHsl(r, g, b);
    // RgbToHsl costs several divisions; pictures are mostly runs of equal
    // colours, so the last colour's verdict is kept.
    uint32_t last_rgb = 0xFFFFFFFFu;
    bool last_pass = false;
    mark_where<4>(rgba, mask::value_from_strength(strength), [&](const uint8_t* p) {
        const uint32_t rgb = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        if (rgb != last_rgb) {
            const Hsl c = RgbToHsl(p[0], p[1], p[2]);
            last_pass = hue_within(c.h, ref.h, t) && std::fabs(c.s - ref.s) <= sat_tol &&
                        std::fabs(c.l - ref.l) <= light_tol;
            last_rgb = rgb;
        }
        return last_pass;
    });
}

void mark_flood(const uint8_t* flood, int32_t strength) noexcept {
    mark_where<1>(flood, mask::value_from_strength(strength), [](const uint8_t* p) { return *p == 1; });
}

void mark_difference(const uint8_t* a, const uint8_t* b, int32_t value) noexcept {
    uint16_t* m = mask_plane();
    if (!m || !a || !b) return;
    const uint16_t v = static_cast<uint16_t>(value);
    const size_t n = engine().canvas_pixels();
    for (size_t i = 0; i < n; ++i) {
        uint32_t pa, pb;
        std::memcpy(&pa, a + 4 * i, 4);
        std::memcpy(&pb, b + 4 * i, 4);
        m[i] = pa != pb ? v : m[i];
    }
}

// ---- The mask into the current layer --------------------------------------------------

void layer_from_mask() noexcept {
    LayerAndMask lm;
    if (!current_layer_and_mask(lm)) return;
    for (int32_t y = 0; y < lm.height; ++y) {
        uint16_t* p = lm.layer_row(y);
        const uint16_t* m = lm.mask_row(y);
        for (int32_t x = 0; x < lm.width; ++x, p += 4) {
            const uint16_t grey = static_cast<uint16_t>(std::min<uint32_t>(65535u - m[x], 65280u));
            p[0] = p[1] = p[2] = grey;
            p[3] = 65535;
        }
    }
}

void layer_alpha_from_mask(int32_t kind) noexcept {
    if (kind < 0 || kind > 2) return;
    LayerAndMask lm;
    if (!current_layer_and_mask(lm)) return;
    for (int32_t y = 0; y < lm.height; ++y) {
        uint16_t* p = lm.layer_row(y) + 3;
        const uint16_t* m = lm.mask_row(y);
        switch (kind) {
            case 0:
                for (int32_t x = 0; x < lm.width; ++x) p[4 * x] = m[x];
                break;
            case 1:
                for (int32_t x = 0; x < lm.width; ++x)
                    p[4 * x] = static_cast<uint16_t>(std::min<uint32_t>(uint32_t{p[4 * x]} + m[x], 65535u));
                break;
            default:
                for (int32_t x = 0; x < lm.width; ++x)
                    p[4 * x] = static_cast<uint16_t>(p[4 * x] > m[x] ? p[4 * x] - m[x] : 0);
                break;
        }
    }
}

// ---- The mask applied to a host picture's alpha ------------------------------------------

void apply_mask_to_alpha_rect(uint8_t* rgba, int32_t stride, int32_t x0, int32_t y0, int32_t x1,
                              int32_t y1) noexcept {
    const uint16_t* mask = mask_plane();
    if (!mask || !rgba || y0 > y1 || x0 > x1) return;
    const EngineState& e = engine();
    // Visit only the canvas part of the rectangle; the picture keeps its
    // origin at (x0, y0) whatever is clipped.
    const int32_t cx0 = std::max(x0, 0), cx1 = std::min(x1, e.width - 1);
    const int32_t cy0 = std::max(y0, 0), cy1 = std::min(y1, e.height - 1);
    if (cx0 > cx1 || cy0 > cy1) return;
    for (int32_t y = cy0; y <= cy1; ++y) {
        uint8_t* a = rgba + (int64_t{y} - y0) * stride + (int64_t{cx0} - x0) * 4 + 3;
        const uint16_t* m = mask + static_cast<size_t>(y) * e.width + cx0;
        // h = 0 gives 0 and h = 255 keeps a: both fall out of (a * (h + 1)) >> 8.
        for (int32_t i = 0, n = cx1 - cx0 + 1; i < n; ++i)
            a[4 * i] = static_cast<uint8_t>((uint32_t{a[4 * i]} * ((m[i] >> 8) + 1u)) >> 8);
    }
}

void apply_mask_to_alpha(uint8_t* rgba) noexcept {
    const EngineState& e = engine();
    if (e.width <= 0 || e.height <= 0) return;
    apply_mask_to_alpha_rect(rgba, e.width * 4, 0, 0, e.width - 1, e.height - 1);
}

}  // namespace oka
