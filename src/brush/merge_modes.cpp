// Floating-point exceptions are never enabled in the engine, so the merge
// arithmetic may be evaluated speculatively: this lets the compiler turn
// the selects of the rules (clamps, minima, branch tests) into vector code.
// Results are unchanged; only the assumption about trapping differs.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-trapping-math")
#endif

#include "brush/merge_modes.h"

#include "engine/vector_clones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>

namespace oka {
namespace {

uint16_t g_omega = 65535;

constexpr double kFull = 65280.0;  // full channel intensity
constexpr double kInvFull = 1.0 / 65280.0;
constexpr double kInvAlpha = 1.0 / 65535.0;

// Every stored value is a truncation toward zero. When the exact result is
// an integer k, double arithmetic lands within about 1e-10 of k on either
// side, and a value just below would truncate to k - 1. Adding 2^-24 before
// truncating settles those boundaries on the exact side; it is far above
// the rounding noise and moves nothing that is not already on a boundary.
constexpr double kSnap = 1.0 / 16777216.0;

// Clamp to 0..1; a NaN (from a degenerate HSL conversion) becomes 0. The
// two selects are exactly the semantics of the max and min instructions.
inline double clamp01(double v) noexcept {
    v = v > 0.0 ? v : 0.0;
    return v < 1.0 ? v : 1.0;
}
inline uint32_t truncated(double v) noexcept { return static_cast<uint32_t>(v + kSnap); }

// ---- Inputs of the floating-point merge -------------------------------------
//
// With a = A / 65535 and d = destA / 65535, each colour channel has
//   S = s a / 65280   (premultiplied source)
//   D = t d / 65280   (premultiplied destination, t the stored channel)
// The unpremultiplied s and t are kept beside them: every comparison in
// the rules is a comparison of S, D, a, d that reduces exactly to one of s
// and t, and testing those (integers in a layer merge) keeps the tests exact.
// The renderer's accumulated destination gives t = colour x 65280, not
// necessarily an integer; the same rules serve it.
struct Chan {
    double S, D, a, d;
    double s, t;
};
struct PixelIn {
    double S[3], D[3];
    double a, d;
    double s[3], t[3];
    Chan ch(int c) const noexcept { return {S[c], D[c], a, d, s[c], t[c]}; }
};

// ---- The merge rules ------------------------------------------------------
//
// Each rule gives the premultiplied result X of one channel (or of the
// whole pixel where the rule mixes channels) and names its result alpha.

// 0 "Normal" (and 16 "Reflect", 17 "Glow", 30 "Silhoulette"):
//   X = S + D (1 - a)
struct Normal {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept { return c.S + c.D * (1.0 - c.a); }
};

// 1 "Multiply": X = S D + S (1 - d) + D (1 - a)
struct Multiply {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept { return c.S * c.D + c.S * (1.0 - c.d) + c.D * (1.0 - c.a); }
};

// 2 "Screen": X = S + D - S D
struct Screen {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept { return c.S + c.D - c.S * c.D; }
};

// 3 "Darken": X = min(S d, D a) + S (1 - d) + D (1 - a)
struct Darken {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        return std::min(c.S * c.d, c.D * c.a) + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 4 "Lighten": X = max(S d, D a) + S (1 - d) + D (1 - a)
struct Lighten {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        return std::max(c.S * c.d, c.D * c.a) + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 5 "Difference": X = S + D - 2 min(S d, D a)
struct Difference {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept { return c.S + c.D - 2.0 * std::min(c.S * c.d, c.D * c.a); }
};

// 6 "Negation" and 7 "Exclusion" (the same value): X = S + D - 2 S D
struct Negation {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept { return c.S + c.D - 2.0 * c.S * c.D; }
};

// 8 "AND", 9 "OR", 10 "XOR", bitwise on truncated integers:
//   X = (floor(S a 65535) op floor(D 65535)) / 65535
template <class Op>
struct Bitwise {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        const uint32_t x = truncated(c.S * c.a * 65535.0), y = truncated(c.D * 65535.0);
        return Op{}(x, y) * kInvAlpha;
    }
};
using BitAnd = Bitwise<std::bit_and<uint32_t>>;
using BitOr = Bitwise<std::bit_or<uint32_t>>;
using BitXor = Bitwise<std::bit_xor<uint32_t>>;

// 11 "Overlay":
//   2 D >= d:  X = a d - 2 (d - D)(a - S) + S (1 - d) + D (1 - a)
//   otherwise: X = 2 S D + S (1 - d) + D (1 - a)
// (2 D >= d  <=>  t >= 32640.)
struct Overlay {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        const double core = c.t >= 32640 ? c.a * c.d - 2.0 * (c.d - c.D) * (c.a - c.S) : 2.0 * c.S * c.D;
        return core + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 12 "Hard Light": Overlay with the test 2 S >= a  (<=>  s >= 32640).
struct HardLight {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        const double core = c.s >= 32640 ? c.a * c.d - 2.0 * (c.d - c.D) * (c.a - c.S) : 2.0 * c.S * c.D;
        return core + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 13 "Soft Light", with m = D / d (= t / 65280):
//   2 S >= a, 8 D <= d:  D (a + (2 S - a)(1 - m)(3 - 8 m))
//   2 S >= a, 8 D > d:   D a + (2 S - a)(sqrt(m) d - D)
//   2 S < a:             D (a + (2 S - a)(1 - m))
// each plus S (1 - d) + D (1 - a).  (2 S >= a <=> s >= 32640; 8 D <= d <=> t <= 8160.)
struct SoftLight {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        const double m = c.t * kInvFull, k = 2.0 * c.S - c.a;
        double core;
        if (c.s >= 32640)
            core = c.t <= 8160 ? c.D * (c.a + k * (1.0 - m) * (3.0 - 8.0 * m)) : c.D * c.a + k * (std::sqrt(m) * c.d - c.D);
        else
            core = c.D * (c.a + k * (1.0 - m));
        return core + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 14 "Dodge":
//   S d + D a >= a d:  a d
//   otherwise:         D a / (1 - S / a)
// plus S (1 - d) + D (1 - a).  (S d + D a >= a d <=> s + t >= 65280, and
// S / a = s / 65280, so the divisor is (65280 - s) / 65280 > 0.)
struct Dodge {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        const double core = c.s + c.t >= 65280 ? c.a * c.d : c.D * c.a * kFull / (kFull - c.s);
        return core + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 15 "Burn":
//   S d + D a > a d:  a (S d + D a - a d) / S  =  a d (s + t - 65280) / s
//   otherwise:        0
// plus S (1 - d) + D (1 - a). The test is s + t > 65280; with s = 0 it holds
// only for t above 65280, and the quotient is then infinite (stored 65280).
struct Burn {
    static constexpr MergeAlpha alpha = MergeAlpha::Union;
    static double channel(const Chan& c) noexcept {
        double core = 0.0;
        if (c.s + c.t > 65280)
            core = c.s == 0 ? std::numeric_limits<double>::infinity() : c.a * c.d * (c.s + c.t - 65280) / c.s;
        return core + c.S * (1.0 - c.d) + c.D * (1.0 - c.a);
    }
};

// 18 "Add": X = S + D, alpha a + d
struct Add {
    static constexpr MergeAlpha alpha = MergeAlpha::Sum;
    static double channel(const Chan& c) noexcept { return c.S + c.D; }
};

// 19 "Subtract": X = S + D - a d, alpha a + d
struct Subtract {
    static constexpr MergeAlpha alpha = MergeAlpha::Sum;
    static double channel(const Chan& c) noexcept { return c.S + c.D - c.a * c.d; }
};

// 20 "Color" (k = 1) and 21 "Hard Color" (k = 1.75), alpha d:
//   X = S + k (L - 0.5) a + D (1 - a),  L = (D_R + D_G + D_B) / 3
template <int kTimes4>
struct ColorShift {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static void pixel(const PixelIn& in, double X[3]) noexcept {
        const double L = (in.D[0] + in.D[1] + in.D[2]) / 3.0;
        const double shift = kTimes4 / 4.0 * (L - 0.5) * in.a;
        for (int c = 0; c < 3; ++c) X[c] = in.S[c] + shift + in.D[c] * (1.0 - in.a);
    }
};
using Color = ColorShift<4>;
using HardColor = ColorShift<7>;

// ---- HSL (colours as fractions, hue in degrees) ---------------------------
struct Hsl {
    double h, s, l;
};

// HSL of the colour whose channels are v_R k, v_G k, v_B k (v the integer
// channel values, k > 0 their common scale: 1 / 65280 for the source colour,
// d / 65280 for the premultiplied destination).
//   mx, mn the largest and smallest channel, L = (mx + mn) / 2; grey has hue
//   and saturation 0. Otherwise, with delta = mx - mn, saturation is
//   delta / (mx + mn) below L = 0.5 and delta / (2 - mx - mn) from it; with
//   r' = ((mx - R) / 6 + delta / 2) / delta (g', b' alike) the hue fraction
//   is b' - g' (R largest), 1/3 + r' - b' (G largest) or 2/3 + g' - r',
//   brought into 0..1 by one step of 1.
// The scale cancels from r', g', b' and from delta / (mx + mn), so those are
// taken on the unscaled values (integers in a layer merge): the hue of a
// nearly grey, nearly transparent destination then stays exact instead of
// amplifying rounding noise.
inline Hsl to_hsl(const double v[3], double k) noexcept {
    const double mx = std::max({v[0], v[1], v[2]}), mn = std::min({v[0], v[1], v[2]});
    const double l = (mx + mn) * k / 2.0;
    if (mx == mn) return {0.0, 0.0, l};
    const double delta = mx - mn;
    const double s = l < 0.5 ? delta / (mx + mn) : delta * k / (2.0 - (mx + mn) * k);
    const double rp = ((mx - v[0]) / 6.0 + delta / 2.0) / delta;
    const double gp = ((mx - v[1]) / 6.0 + delta / 2.0) / delta;
    const double bp = ((mx - v[2]) / 6.0 + delta / 2.0) / delta;
    double h;
    if (v[0] == mx)
        h = bp - gp;
    else if (v[1] == mx)
        h = 1.0 / 3.0 + rp - bp;
    else
        h = 2.0 / 3.0 + gp - rp;
    if (h < 0.0)
        h += 1.0;
    else if (h > 1.0)
        h -= 1.0;
    return {h * 360.0, s, l};
}

// One channel from the hue angle x (brought into 0..360 by one step of 360):
// a ramp P -> Q over 0..60, Q to 180, a ramp Q -> P to 240, then P.
inline double hue_channel(double p, double q, double x) noexcept {
    if (x < 0.0)
        x += 360.0;
    else if (x > 360.0)
        x -= 360.0;
    if (x < 60.0) return p + (q - p) * x / 60.0;
    if (x < 180.0) return q;
    if (x < 240.0) return p + (q - p) * (240.0 - x) / 60.0;
    return p;
}

// Q = L (1 + S) below L = 0.5, else L + S - S L; P = 2 L - Q;
// R, G, B = h(hue + 120), h(hue), h(hue - 120).
inline void from_hsl(const Hsl& c, double out[3]) noexcept {
    if (c.s == 0.0) {
        out[0] = out[1] = out[2] = c.l;
        return;
    }
    const double q = c.l < 0.5 ? c.l * (1.0 + c.s) : c.l + c.s - c.s * c.l;
    const double p = 2.0 * c.l - q;
    out[0] = hue_channel(p, q, c.h + 120.0);
    out[1] = hue_channel(p, q, c.h);
    out[2] = hue_channel(p, q, c.h - 120.0);
}

inline Hsl source_hsl(const PixelIn& in) noexcept { return to_hsl(in.s, kInvFull); }
// W (not premultiplied) laid over the destination: X = W a + D (1 - a).
inline void lay_over(const PixelIn& in, const double W[3], double X[3]) noexcept {
    for (int c = 0; c < 3; ++c) X[c] = W[c] * in.a + in.D[c] * (1.0 - in.a);
}

// 22 "Colorize", alpha d: X = W a + D (1 - a), W = RGB of (source hue,
// source saturation, Y) with Y = (3 D_R + 4 D_G + D_B) / 8.
struct Colorize {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static void pixel(const PixelIn& in, double X[3]) noexcept {
        const Hsl src = source_hsl(in);
        double W[3];
        from_hsl({src.h, src.s, (3.0 * in.D[0] + 4.0 * in.D[1] + in.D[2]) / 8.0}, W);
        lay_over(in, W, X);
    }
};

// 23..26, alpha d: X = W a + D (1 - a), W = RGB of hue, saturation and
// lightness each taken from the source colour (s / 65280) or from the
// premultiplied destination D, as the mode says.
template <bool kHue, bool kSat, bool kLum>
struct HslMix {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static void pixel(const PixelIn& in, double X[3]) noexcept {
        const Hsl src = source_hsl(in), dst = to_hsl(in.t, in.d * kInvFull);
        double W[3];
        from_hsl({kHue ? src.h : dst.h, kSat ? src.s : dst.s, kLum ? src.l : dst.l}, W);
        lay_over(in, W, X);
    }
};
using HslHue = HslMix<true, false, false>;    // 23: source hue
using HslSat = HslMix<false, true, false>;    // 24: source saturation
using HslLum = HslMix<false, false, true>;    // 25: source lightness
using HslColor = HslMix<true, true, false>;   // 26: source hue and saturation

// 27 "Texturize", alpha d, with U = D / d (= t / 65280),
// t_s = (sR + sG + sB) / 195840, V = U + (t_s - 0.5) a, M = mean of V:
//   X = U + 1.75 (M - 0.5) a
struct Texturize {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static void pixel(const PixelIn& in, double X[3]) noexcept {
        const double ts = (in.s[0] + in.s[1] + in.s[2]) / 195840.0;
        double U[3], M = 0.0;
        for (int c = 0; c < 3; ++c) {
            U[c] = in.t[c] * kInvFull;
            M += U[c] + (ts - 0.5) * in.a;
        }
        M /= 3.0;
        for (int c = 0; c < 3; ++c) X[c] = U[c] + 1.75 * (M - 0.5) * in.a;
    }
};

// 28 "Texturize2", alpha d: X = U + 1.75 (t_s - 0.5) a, U and t_s as in 27.
struct Texturize2 {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static void pixel(const PixelIn& in, double X[3]) noexcept {
        const double ts = (in.s[0] + in.s[1] + in.s[2]) / 195840.0;
        for (int c = 0; c < 3; ++c) X[c] = in.t[c] * kInvFull + 1.75 * (ts - 0.5) * in.a;
    }
};

// 29 "Texturize3", alpha d: X = D (the destination stays).
struct Texturize3 {
    static constexpr MergeAlpha alpha = MergeAlpha::Dest;
    static double channel(const Chan& c) noexcept { return c.D; }
};

using Rules = std::tuple<Normal, Multiply, Screen, Darken, Lighten, Difference, Negation, Negation, BitAnd, BitOr,
                         BitXor, Overlay, HardLight, SoftLight, Dodge, Burn, Normal, Normal, Add, Subtract, Color,
                         HardColor, Colorize, HslHue, HslSat, HslLum, HslColor, Texturize, Texturize2, Texturize3,
                         Normal>;
static_assert(std::tuple_size_v<Rules> == 31);

// Modes whose result over a transparent destination is (0, 0, 0, 0).
constexpr bool zero_over_clear(int rule) { return rule == 20 || rule == 21 || (rule >= 27 && rule <= 29); }

template <class R>
inline void apply_rule(const PixelIn& in, double X[3]) noexcept {
    if constexpr (requires(const Chan& c) { R::channel(c); }) {
        for (int c = 0; c < 3; ++c) X[c] = R::channel(in.ch(c));
    } else {
        R::pixel(in, X);
    }
}

// ---- Alpha-mode preparations ----------------------------------------------
//
// A preparation takes the source colour s, its alpha sa (after mask and
// strength) and the alpha layer opacity, and gives the colour and working
// alpha A to merge. `replace` (used by the same-alpha rules only) makes the
// destination count as transparent, so the source replaces it.
struct Prepared {
    uint32_t s[3];
    uint32_t A;
    bool replace;
};
inline Prepared keep(const uint16_t* s, uint32_t A) noexcept { return {{s[0], s[1], s[2]}, A, false}; }
inline Prepared grey(uint32_t v, uint32_t A) noexcept { return {{v, v, v}, A, false}; }

// 32 "Alpha Normal" and every merge mode: nothing changes.
struct PrepNone {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t) noexcept { return keep(s, sa); }
};
// 33 "Alpha Filter": white, A = 65535 - sa (also for sa = 0).
struct PrepFilter {
    static Prepared apply(const uint16_t*, uint32_t sa, uint32_t) noexcept { return grey(65535, 65535 - sa); }
};
// 34 "Alpha Black Outline", 49 "Alpha Overlay Outline":
// 1 <= sa <= 65279 gives black with A = omega.
struct PrepBlackOutline {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        return sa >= 1 && sa <= 65279 ? grey(0, omega) : keep(s, sa);
    }
};
// 35, 36 "Alpha Outline Tint 1/2": sa >= 12287 gives A = omega, a smaller
// non-zero sa gives A = 65535 - sa.
struct PrepOutlineTint {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        if (sa == 0) return keep(s, sa);
        return keep(s, sa >= 12287 ? omega : 65535 - sa);
    }
};
// 37 "Alpha Invert": sa > 0 gives A = 65535 - sa.
struct PrepInvert {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t) noexcept {
        return keep(s, sa > 0 ? 65535 - sa : sa);
    }
};
// 38 "Alpha Shader": sa > 0 gives the grey (sa, sa, sa) with A = omega.
struct PrepShader {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        return sa > 0 ? grey(sa, omega) : keep(s, sa);
    }
};
// 39 "Alpha Shader Color" (and 40): sa > 0 shifts the colour by the alpha's
// distance from the middle and gives A = omega:
//   sa < 32767:  t = 2 (32767 - sa), c -> c - t, or 0 when c < t
//   otherwise:   t = 2 sa - 65534,   c -> min(c + t, 65535)
struct PrepShaderColor {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        if (sa == 0) return keep(s, sa);
        Prepared p{{}, omega, false};
        if (sa < 32767) {
            const uint32_t t = 2 * (32767 - sa);
            for (int c = 0; c < 3; ++c) p.s[c] = s[c] < t ? 0 : s[c] - t;
        } else {
            const uint32_t t = 2 * sa - 65534;
            for (int c = 0; c < 3; ++c) p.s[c] = std::min<uint32_t>(s[c] + t, 65535);
        }
        return p;
    }
};
// 41 "Alpha Highlight Texture2": sa >= 32767 as 39; a smaller non-zero sa
// keeps the colour with A = sa - 2 (32767 - sa), or 0 when negative.
struct PrepHighlightTexture {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        if (sa == 0) return keep(s, sa);
        if (sa >= 32767) return PrepShaderColor::apply(s, sa, omega);
        const int32_t A = int32_t(sa) - 2 * (32767 - int32_t(sa));
        return keep(s, uint32_t(std::max(A, 0)));
    }
};
// 42 "Alpha Smooth": sa < 32767 gives A = sa - 4 (32767 - sa), or 0 when
// negative; a larger sa gives A = omega.
struct PrepSmooth {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        if (sa == 0) return keep(s, sa);
        if (sa >= 32767) return keep(s, omega);
        const int32_t A = int32_t(sa) - 4 * (32767 - int32_t(sa));
        return keep(s, uint32_t(std::max(A, 0)));
    }
};

// The soft alpha step of 43, 47 and 48:
//   sa <= 8190: 0;  8191..9214: 65535 - min(64 (9215 - sa), 65535);  above: omega
inline uint32_t smooth_step_alpha(uint32_t sa, uint32_t omega) noexcept {
    if (sa <= 8190) return 0;
    if (sa <= 9214) return 65535 - std::min<uint32_t>(64 * (9215 - sa), 65535);
    return omega;
}
// 43 "Alpha Smooth2": the soft step for sa > 0.
struct PrepSmooth2 {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        return keep(s, sa > 0 ? smooth_step_alpha(sa, omega) : sa);
    }
};

// Colour of the "Smooth Lum" modes: below a pivot the channel darkens,
// c - c f; from it the channel lightens, c + (65535 - c) f; truncated. Each
// form is evaluated as one exact integer quotient (the expressions are
// equal) and kept inside 0..65535.
//   44, 48: pivot 32768, darken f = (32767 - sa) / 32767 -> c sa / 32767,
//           lighten f = (sa - 32767) / 32767
//   45:     darken f = (32767 - sa) / 65535 -> c (32768 + sa) / 65535
//   46, 47: pivot 36863, darken f = (36862 - sa) / 30000 -> c (sa - 6862) / 30000,
//           lighten f = (sa - 36862) / 28672
struct LumColour44 {
    static uint32_t channel(uint32_t c, uint32_t sa) noexcept {
        if (sa < 32768) return uint32_t(uint64_t{c} * sa / 32767);
        return std::min<uint32_t>(c + uint32_t(uint64_t{65535 - c} * (sa - 32767) / 32767), 65535);
    }
};
struct LumColour45 {
    static uint32_t channel(uint32_t c, uint32_t sa) noexcept {
        if (sa < 32768) return uint32_t(uint64_t{c} * (32768 + sa) / 65535);
        return LumColour44::channel(c, sa);
    }
};
struct LumColour46 {
    static uint32_t channel(uint32_t c, uint32_t sa) noexcept {
        if (sa < 36863) return sa <= 6862 ? 0 : uint32_t(uint64_t{c} * (sa - 6862) / 30000);
        return std::min<uint32_t>(c + uint32_t(uint64_t{65535 - c} * (sa - 36862) / 28672), 65535);
    }
};
// Alpha of 44, 45, 46: 0 up to 8190, omega above.
struct LumAlphaCut {
    static uint32_t alpha(uint32_t sa, uint32_t omega) noexcept { return sa <= 8190 ? 0 : omega; }
};
// Alpha of 47, 48: the soft step.
struct LumAlphaStep {
    static uint32_t alpha(uint32_t sa, uint32_t omega) noexcept { return smooth_step_alpha(sa, omega); }
};
template <class Colour, class Alpha>
struct PrepSmoothLum {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t omega) noexcept {
        return {{Colour::channel(s[0], sa), Colour::channel(s[1], sa), Colour::channel(s[2], sa)},
                Alpha::alpha(sa, omega), false};
    }
};
// 50 "Alpha Highlight": A = 0 when sa > 32512.
struct PrepHighlight {
    static Prepared apply(const uint16_t* s, uint32_t sa, uint32_t) noexcept { return keep(s, sa > 32512 ? 0 : sa); }
};
// 51 "Layer Mask": A = 0, nothing is drawn.
struct PrepLayerMask {
    static Prepared apply(const uint16_t* s, uint32_t, uint32_t) noexcept { return keep(s, 0); }
};
// 52 "Luminance Alpha": white with A = floor((sR + sG + sB) / 3).
struct PrepLumAlpha {
    static Prepared apply(const uint16_t* s, uint32_t, uint32_t) noexcept {
        return grey(65535, (uint32_t{s[0]} + s[1] + s[2]) / 3);
    }
};
// 53 "Luminance Alpha Invert": black with A = 65535 - floor((sR + sG + sB) / 3).
struct PrepLumAlphaInvert {
    static Prepared apply(const uint16_t* s, uint32_t, uint32_t) noexcept {
        return grey(0, 65535 - (uint32_t{s[0]} + s[1] + s[2]) / 3);
    }
};

using AlphaPreps =
    std::tuple<PrepNone, PrepFilter, PrepBlackOutline, PrepOutlineTint, PrepOutlineTint, PrepInvert, PrepShader,
               PrepShaderColor, PrepShaderColor, PrepHighlightTexture, PrepSmooth, PrepSmooth2,
               PrepSmoothLum<LumColour44, LumAlphaCut>, PrepSmoothLum<LumColour45, LumAlphaCut>,
               PrepSmoothLum<LumColour46, LumAlphaCut>, PrepSmoothLum<LumColour46, LumAlphaStep>,
               PrepSmoothLum<LumColour44, LumAlphaStep>, PrepBlackOutline, PrepHighlight, PrepLayerMask, PrepLumAlpha,
               PrepLumAlphaInvert>;
static_assert(std::tuple_size_v<AlphaPreps> == 22);

// ---- Same-alpha rules -------------------------------------------------------
//
// When source and destination layers share an alpha mode the preparation is
// replaced: the colour is never adjusted, and the source either replaces
// the pixel (the destination counts as transparent), merges normally, or has
// A = 0 (a pixel with alpha stays, one without becomes (0, 0, 0, 0)).

// 32..42, 49: a != 0 replaces; a = 0 is A = 0.
struct SameReplace {
    static Prepared apply(const uint16_t* s, uint32_t a, uint32_t) noexcept {
        return {{s[0], s[1], s[2]}, a, a != 0};
    }
};
// 43, 47, 48: a < 8191 is A = 0; 8191..9214 merges (by "Multiply") with a;
// above 9214 replaces.
struct SameSmoothStep {
    static Prepared apply(const uint16_t* s, uint32_t a, uint32_t) noexcept {
        if (a < 8191) return keep(s, 0);
        return {{s[0], s[1], s[2]}, a, a > 9214};
    }
};
// 44, 45, 46: above 8190 replaces, otherwise A = 0.
struct SameLumCut {
    static Prepared apply(const uint16_t* s, uint32_t a, uint32_t) noexcept {
        return a > 8190 ? Prepared{{s[0], s[1], s[2]}, a, true} : keep(s, 0);
    }
};
// 50: below 32513 A = 0, otherwise replaces.
struct SameHighlight {
    static Prepared apply(const uint16_t* s, uint32_t a, uint32_t) noexcept {
        return a < 32513 ? keep(s, 0) : Prepared{{s[0], s[1], s[2]}, a, true};
    }
};

using SamePreps = std::tuple<SameReplace, SameReplace, SameReplace, SameReplace, SameReplace, SameReplace,
                             SameReplace, SameReplace, SameReplace, SameReplace, SameReplace, SameSmoothStep,
                             SameLumCut, SameLumCut, SameLumCut, SameSmoothStep, SameSmoothStep, SameReplace,
                             SameHighlight, PrepLayerMask, PrepLumAlpha, PrepLumAlphaInvert>;
static_assert(std::tuple_size_v<SamePreps> == 22);

// ---- The pixel pipeline -----------------------------------------------------

enum : unsigned {
    kSkipClearSource = 1u,  // merge modes: a source alpha of 0 writes nothing
    kZeroOverClear = 2u,    // a transparent destination becomes (0, 0, 0, 0)
    kOpaqueCopy = 4u,       // mode 0: A >= 65280 copies the source
};

inline void store(uint16_t* d, uint32_t r, uint32_t g, uint32_t b, uint32_t A, bool keep_alpha) noexcept {
    d[0] = uint16_t(r);
    d[1] = uint16_t(g);
    d[2] = uint16_t(b);
    if (!keep_alpha) d[3] = uint16_t(A);
}

// Pixels that need the floating-point merge are collected per row and
// merged together: the arithmetic then runs as one plain loop over arrays,
// which the compiler turns into vector code. Pixels are independent, so
// deferring their writes changes nothing, except where a row reads memory
// that an earlier pixel of the same call writes (a plane merged into
// itself at an offset); MergeRow::in_order then merges each pixel at once.
constexpr int32_t kBatch = 64;
struct FloatBatch {
    int32_t n = 0;
    // Signed: 16-bit values throughout, and signed integers convert to
    // doubles in one vector instruction.
    int32_t at[kBatch];    // pixel index in the row
    int32_t s[3][kBatch];  // prepared colour
    int32_t A[kBatch];     // working alpha
};

// Rule results of a batch: premultiplied X per channel, the result alpha,
// and the stored alpha before truncation.
struct BatchResult {
    double X[3][kBatch];
    double alpha[kBatch];
    double stored_alpha[kBatch];
};

// The conversion shared by every rule: each channel stored as
// min(max(X / alpha', 0), 1) x 65280 and the alpha as given, truncated,
// with alpha' = alpha clamped to 0..1. Here alpha > 0 (A > 0 and dA > 0),
// so only the upper clamp can apply. A NaN channel (from a degenerate HSL
// conversion) stores 0: every comparison with it fails. Written with the
// compiler's generic vectors, four lanes at a time (two instructions of
// two lanes each without AVX); the lanes do exactly what the scalar tail
// does, so results do not depend on the width.
[[gnu::always_inline]] inline void store_batch(const BatchResult& r, int32_t n, int32_t out[4][kBatch]) noexcept {
    int32_t k = 0;
#if defined(__GNUC__)
    using V = double __attribute__((vector_size(32)));
    using VI = int32_t __attribute__((vector_size(16)));
    const V zero = {0.0, 0.0, 0.0, 0.0}, one = {1.0, 1.0, 1.0, 1.0};
    for (; k + 4 <= n; k += 4) {
        V alpha, x, stored;
        std::memcpy(&alpha, &r.alpha[k], sizeof alpha);
        const V inv = one / (alpha < one ? alpha : one);
        for (int c = 0; c < 3; ++c) {
            std::memcpy(&x, &r.X[c][k], sizeof x);
            x *= inv;
            x = x > zero ? x : zero;
            x = x < one ? x : one;
            const VI q = __builtin_convertvector(x * kFull + kSnap, VI);
            std::memcpy(&out[c][k], &q, sizeof q);
        }
        std::memcpy(&stored, &r.stored_alpha[k], sizeof stored);
        const VI qa = __builtin_convertvector(stored + kSnap, VI);
        std::memcpy(&out[3][k], &qa, sizeof qa);
    }
#endif
    for (; k < n; ++k) {
        const double inv = 1.0 / (r.alpha[k] < 1.0 ? r.alpha[k] : 1.0);
        for (int c = 0; c < 3; ++c) out[c][k] = int32_t(clamp01(r.X[c][k] * inv) * kFull + kSnap);
        out[3][k] = int32_t(r.stored_alpha[k] + kSnap);
    }
}

// The floating-point merge of a batch: X and the result alpha per the rule,
// then the shared conversion. The stored alpha is exact: with
// N = 65535 (A + dA) - A dA (an integer, exact in a double),
// floor((a + d - a d) 65535) = floor(N / 65535), and a quotient that is not
// an integer lies at least 1/65535 from one, far beyond the rounding of
// N x (1 / 65535) and the snap.
template <class Rule>
OKA_VECTOR_CLONES void float_merge(const FloatBatch& b, uint16_t* dst, bool keep_alpha) noexcept {
    const int32_t n = b.n;
    int32_t t[4][kBatch];
    for (int32_t k = 0; k < n; ++k) {
        const uint16_t* px = dst + ptrdiff_t{b.at[k]} * 4;
        for (int c = 0; c < 4; ++c) t[c][k] = px[c];
    }
    BatchResult r;
    for (int32_t k = 0; k < n; ++k) {
        const double A = b.A[k], dA = t[3][k];
        PixelIn in;
        in.a = A * kInvAlpha;
        in.d = dA * kInvAlpha;
        const double sa = in.a * kInvFull, da = in.d * kInvFull;
        for (int c = 0; c < 3; ++c) {
            in.s[c] = b.s[c][k];
            in.t[c] = t[c][k];
            in.S[c] = b.s[c][k] * sa;
            in.D[c] = t[c][k] * da;
        }
        double X[3];
        apply_rule<Rule>(in, X);
        for (int c = 0; c < 3; ++c) r.X[c][k] = X[c];
        if constexpr (Rule::alpha == MergeAlpha::Union) {
            r.alpha[k] = in.a + in.d - in.a * in.d;
            r.stored_alpha[k] = (65535.0 * (A + dA) - A * dA) * kInvAlpha;
        } else if constexpr (Rule::alpha == MergeAlpha::Sum) {
            r.alpha[k] = in.a + in.d;
            r.stored_alpha[k] = A + dA < 65535.0 ? A + dA : 65535.0;
        } else {
            r.alpha[k] = in.d;
            r.stored_alpha[k] = dA;
        }
    }
    int32_t out[4][kBatch];
    store_batch(r, n, out);
    for (int32_t k = 0; k < n; ++k) {
        uint16_t* px = dst + ptrdiff_t{b.at[k]} * 4;
        for (int c = 0; c < 3; ++c) px[c] = uint16_t(out[c][k]);
        if (!keep_alpha) px[3] = uint16_t(out[3][k]);
    }
}

// Steps after the preparation and the opacity: the integer cases at once,
// the rest into the batch. True when the batch took the pixel.
template <unsigned F>
inline bool merge_prepared(const Prepared& p, uint16_t* d, bool keep_alpha) noexcept {
    if (p.replace || d[3] == 0) {
        if (((F & kZeroOverClear) && !p.replace) || p.A == 0)
            store(d, 0, 0, 0, 0, keep_alpha);
        else
            store(d, p.s[0], p.s[1], p.s[2], p.A, keep_alpha);
        return false;
    }
    if (p.A == 0) return false;
    if constexpr ((F & kOpaqueCopy) != 0) {
        if (p.A >= 65280) {
            store(d, p.s[0], p.s[1], p.s[2], p.A, keep_alpha);
            return false;
        }
    }
    return true;
}

// Runs of the two commonest stretches of a layer, four pixels per step:
// transparent source pixels (which a merge mode skips) and opaque ones
// (which "Normal" copies as they are).
inline int32_t end_of_clear_run(const uint16_t* src, int32_t i, int32_t n) noexcept {
    for (; i + 4 <= n; i += 4) {
        const uint16_t* s = src + ptrdiff_t{i} * 4;
        if ((s[3] | s[7] | s[11] | s[15]) != 0) break;
    }
    while (i < n && src[ptrdiff_t{i} * 4 + 3] == 0) ++i;
    return i;
}
// Copy the run of opaque source pixels that starts at i; returns its end.
// One pass: each group of four is checked and stored together.
inline int32_t copy_opaque_run(const uint16_t* src, uint16_t* dst, int32_t i, int32_t n) noexcept {
    for (; i + 4 <= n; i += 4) {
        const uint16_t* s = src + ptrdiff_t{i} * 4;
        if ((s[3] & s[7] & s[11] & s[15]) < 65280) break;
        std::memmove(dst + ptrdiff_t{i} * 4, s, 32);
    }
    for (; i < n && src[ptrdiff_t{i} * 4 + 3] >= 65280; ++i)
        std::memmove(dst + ptrdiff_t{i} * 4, src + ptrdiff_t{i} * 4, 8);
    return i;
}

// The row kernel of one mode: per pixel, the source alpha is scaled by the
// mask layer's grey, (((mR + mG + mB) / 3) a) >> 16, where the mask pixel
// has alpha, then by the strength; the preparation follows, then the
// opacity, then the merge.
template <class Prep, class Rule, unsigned F>
void merge_row(const MergeRow& r) noexcept {
    const bool scale_strength = r.strength < 255, scale_opacity = r.opacity < 255;
    const uint32_t strength1 = r.strength + 1, opacity1 = r.opacity + 1, omega = r.omega;
    const bool keep_alpha = r.keep_alpha;
    const int32_t flush_at = r.in_order ? 1 : kBatch, n = r.n;
    const uint16_t* const src = r.src;
    const uint16_t* const mask = r.mask;
    uint16_t* const dst = r.dst;
    // "Normal" with nothing scaling the alpha: a source pixel of alpha
    // 65280 or more becomes the destination pixel (over a transparent one
    // by the copy, over any other by the opaque shortcut), so such runs are
    // block copies. Not when the row overlaps itself elsewhere.
    constexpr bool kNormalCopies = std::is_same_v<Prep, PrepNone> && (F & kOpaqueCopy) != 0;
    const bool copy_runs =
        kNormalCopies && !mask && !scale_strength && !scale_opacity && !keep_alpha && !r.in_order;
    FloatBatch batch;
    for (int32_t i = 0; i < n; ++i) {
        const uint16_t* s = src + ptrdiff_t{i} * 4;
        uint32_t a = s[3];
        if constexpr ((F & kSkipClearSource) != 0) {
            if (a == 0) {
                i = end_of_clear_run(src, i, n) - 1;
                continue;
            }
        }
        if constexpr (kNormalCopies) {
            if (copy_runs && a >= 65280) {
                i = copy_opaque_run(src, dst, i, n) - 1;
                continue;
            }
        }
        if (mask) {
            const uint16_t* m = mask + ptrdiff_t{i} * 4;
            if (m[3] != 0) a = (((uint32_t{m[0]} + m[1] + m[2]) / 3) * a) >> 16;
        }
        if (scale_strength) a = (strength1 * a) >> 8;
        if constexpr ((F & kSkipClearSource) != 0) {
            if (a == 0) continue;
        }
        Prepared p = Prep::apply(s, a, omega);
        if (scale_opacity) p.A = (opacity1 * p.A) >> 8;
        if (!merge_prepared<F>(p, dst + ptrdiff_t{i} * 4, keep_alpha)) continue;
        const int32_t k = batch.n++;
        batch.at[k] = i;
        for (int c = 0; c < 3; ++c) batch.s[c][k] = int32_t(p.s[c]);
        batch.A[k] = int32_t(p.A);
        if (batch.n == flush_at) {
            float_merge<Rule>(batch, dst, keep_alpha);
            batch.n = 0;
        }
    }
    if (batch.n) float_merge<Rule>(batch, dst, keep_alpha);
}

// ---- The renderer's floating-point blend ------------------------------------

// The same rules on the renderer's accumulator: d = Af, D = Cf Af, and the
// unpremultiplied destination value t = Cf x 65280. Gives X per channel and
// returns the result alpha clamped to 0..1; px is the layer pixel (colour
// and alpha A as 16-bit values), acc the accumulated colour.
template <class Rule>
[[gnu::always_inline]] inline double render_terms(const double px[3], double A, const double acc[3], double d,
                                                  double X[3]) noexcept {
    PixelIn in;
    in.a = A * kInvAlpha;
    in.d = d;
    const double sa = in.a * kInvFull;
    for (int c = 0; c < 3; ++c) {
        in.s[c] = px[c];
        in.t[c] = acc[c] * kFull;
        in.S[c] = px[c] * sa;
        in.D[c] = acc[c] * in.d;
    }
    apply_rule<Rule>(in, X);
    double alpha;
    if constexpr (Rule::alpha == MergeAlpha::Union)
        alpha = in.a + in.d - in.a * in.d;
    else if constexpr (Rule::alpha == MergeAlpha::Sum)
        alpha = in.a + in.d;
    else
        alpha = in.d;
    return clamp01(alpha);
}

template <class Rule>
void blend_float(const uint32_t px[4], float acc[4]) noexcept {
    const double p[3] = {double(px[0]), double(px[1]), double(px[2])};
    const double a[3] = {double(acc[0]), double(acc[1]), double(acc[2])};
    double X[3];
    const double alpha = render_terms<Rule>(p, double(px[3]), a, double(acc[3]), X);
    for (int c = 0; c < 3; ++c) acc[c] = float(clamp01(X[c] / alpha));
    acc[3] = float(alpha);
}

// The same blend over a run of pixels held plane by plane, with results
// identical to blend_float's for every pixel; as plain loops over arrays
// it becomes vector code (all the rules' branches are selects).
//
// The three divisions X / alpha are the slowest step. Each stored value is
// float(clamp01(RN(X / alpha))), RN the double rounding. The quotient is
// first taken as q' = RN(X RN(1 / alpha)), one division per pixel; its
// relative error is below 2^-51, so RN(X / alpha) lies within
// q' (1 -+ 2^-50). Rounding to float is monotone: when the two ends
// RN(q' (1 - 2^-49)) and RN(q' (1 + 2^-49)) round to the same float, so does
// everything between them, RN(X / alpha) included, and both give the same
// stored value (clamping to 0 and 1, which are floats, commutes with the
// rounding). Only where the ends differ, near a midpoint between two
// floats (or for a NaN), is the division done exactly, in a second pass
// that in practice almost never runs. Infinity (alpha 0) comes out of both
// forms alike.
template <class Rule>
[[gnu::always_inline]] inline void blend_terms(const RenderBlendChunk& r, int32_t j, double X[3], double& alpha) noexcept {
    const double px[3] = {double(r.s[0][j]), double(r.s[1][j]), double(r.s[2][j])};
    const double acc[3] = {double(r.acc[0][j]), double(r.acc[1][j]), double(r.acc[2][j])};
    alpha = render_terms<Rule>(px, double(r.s[3][j]), acc, double(r.acc[3][j]), X);
}

// True when the float rounding of q' may differ from that of the exact
// quotient (see above).
inline bool near_float_midpoint(double q) noexcept {
    constexpr double kBelow = 1.0 - 0x1p-49, kAbove = 1.0 + 0x1p-49;
    return !(float(q * kBelow) == float(q * kAbove));
}

template <class Rule>
OKA_VECTOR_CLONES void blend_render_dense(RenderBlendChunk& r, int32_t begin, int32_t end) noexcept {
    begin = std::clamp(begin, 0, kRenderChunk);
    end = std::clamp(end, begin, kRenderChunk);
    int32_t redo[kRenderChunk];
    int32_t any = 0;
    for (int32_t j = begin; j < end; ++j) {
        double X[3], alpha;
        blend_terms<Rule>(r, j, X, alpha);
        const double inv = 1.0 / alpha;
        const double q0 = X[0] * inv, q1 = X[1] * inv, q2 = X[2] * inv;
        r.out[0][j] = float(clamp01(q0));
        r.out[1][j] = float(clamp01(q1));
        r.out[2][j] = float(clamp01(q2));
        r.out[3][j] = float(alpha);
        redo[j] = near_float_midpoint(q0) | near_float_midpoint(q1) | near_float_midpoint(q2);
        any |= redo[j];
    }
    if (!any) return;
    for (int32_t j = begin; j < end; ++j) {
        if (!redo[j]) continue;
        double X[3], alpha;
        blend_terms<Rule>(r, j, X, alpha);
        for (int c = 0; c < 3; ++c) r.out[c][j] = float(clamp01(X[c] / alpha));
    }
}
using RenderRowFn = void (*)(RenderBlendChunk&, int32_t, int32_t) noexcept;
template <size_t... I>
constexpr std::array<RenderRowFn, sizeof...(I)> make_render_rows(std::index_sequence<I...>) {
    return {&blend_render_dense<std::tuple_element_t<I, Rules>>...};
}
constexpr auto kRenderRow = make_render_rows(std::make_index_sequence<31>{});

using RenderBlendFn = void (*)(const uint32_t*, float*) noexcept;
template <size_t... I>
constexpr std::array<RenderBlendFn, sizeof...(I)> make_render_blends(std::index_sequence<I...>) {
    return {&blend_float<std::tuple_element_t<I, Rules>>...};
}
constexpr auto kRenderBlend = make_render_blends(std::make_index_sequence<31>{});

template <class Prep, int32_t kRule>
int32_t prepare_in_place(uint32_t px[4], uint32_t omega) noexcept {
    const uint16_t s[3] = {uint16_t(std::min<uint32_t>(px[0], 65535)), uint16_t(std::min<uint32_t>(px[1], 65535)),
                           uint16_t(std::min<uint32_t>(px[2], 65535))};
    const Prepared p = Prep::apply(s, std::min<uint32_t>(px[3], 65535), std::min<uint32_t>(omega, 65535));
    for (int c = 0; c < 3; ++c) px[c] = p.s[c];
    px[3] = p.A;
    return kRule;
}
template <size_t... I>
constexpr std::array<RenderPrepFn, sizeof...(I)> make_render_preps(std::index_sequence<I...>) {
    return {&prepare_in_place<std::tuple_element_t<I, AlphaPreps>, (I == 8 || I == 9) ? 28 : 0>...};
}
constexpr auto kRenderPrep = make_render_preps(std::make_index_sequence<22>{});

// ---- The table ----------------------------------------------------------------

constexpr int32_t mode_number_at(size_t index) { return index <= 30 ? int32_t(index) : int32_t(index) + 1; }

template <int32_t N>
constexpr MergeModeInfo make_entry() {
    if constexpr (N <= 30) {
        using R = std::tuple_element_t<N, Rules>;
        constexpr unsigned f =
            kSkipClearSource | (zero_over_clear(N) ? kZeroOverClear : 0u) | (N == 0 ? kOpaqueCopy : 0u);
        constexpr MergeRowFn k = &merge_row<PrepNone, R, f>;
        return {N, N, R::alpha, k, k, k};
    } else {
        // Alpha modes merge by "Normal" after their preparation, 40 and 41
        // by "Texturize2". The compositor recognises the modes that clear a
        // transparent destination by the mode passed in (never an alpha
        // mode); OKA_MergePixel by the mode after the preparation.
        constexpr int rule = (N == 40 || N == 41) ? 28 : 0;
        using P = std::tuple_element_t<size_t(N - 32), AlphaPreps>;
        using R = std::tuple_element_t<rule, Rules>;
        constexpr unsigned f = rule == 0 ? kOpaqueCopy : 0u;
        constexpr unsigned pixel_f = f | (zero_over_clear(rule) ? kZeroOverClear : 0u);
        // Same alpha: 43, 47 and 48 merge their soft step by "Multiply".
        constexpr int same_rule = (N == 43 || N == 47 || N == 48) ? 1 : 0;
        using SP = std::tuple_element_t<size_t(N - 32), SamePreps>;
        using SR = std::tuple_element_t<same_rule, Rules>;
        constexpr unsigned same_f = same_rule == 0 ? kOpaqueCopy : 0u;
        return {N, rule, R::alpha, &merge_row<P, R, f>, &merge_row<SP, SR, same_f>, &merge_row<P, R, pixel_f>};
    }
}

template <size_t... I>
constexpr std::array<MergeModeInfo, sizeof...(I)> make_table(std::index_sequence<I...>) {
    return {make_entry<mode_number_at(I)>()...};
}

constexpr std::array<MergeModeInfo, 53> kTable = make_table(std::make_index_sequence<53>{});

inline uint16_t clamp16(int32_t v) noexcept { return static_cast<uint16_t>(std::clamp(v, 0, 65535)); }

}  // namespace

void set_alpha_layer_opacity(int32_t percent) noexcept {
    // percent x 0.01 x 65535, truncated toward zero (100 -> 65535, 50 -> 32767).
    const double v = percent * 0.01 * 65535.0;
    g_omega = static_cast<uint16_t>(std::clamp(v, 0.0, 65535.0));
}

uint16_t alpha_layer_opacity() noexcept { return g_omega; }

std::span<const MergeModeInfo> merge_mode_table() noexcept { return kTable; }

bool is_merge_mode_number(int32_t mode) noexcept { return (mode >= 0 && mode <= 30) || (mode >= 32 && mode <= 53); }

const MergeModeInfo& merge_mode_info(int32_t mode) noexcept {
    if (mode >= 0 && mode <= 30) return kTable[size_t(mode)];
    if (mode >= 32 && mode <= 53) return kTable[size_t(mode) - 1];
    return kTable[0];
}

int32_t prepare_render_pixel(int32_t mode, uint32_t px[4], uint32_t omega) noexcept {
    if (mode >= 0 && mode <= 30) return mode;
    if (mode >= 32 && mode <= 53) return kRenderPrep[size_t(mode - 32)](px, omega);
    return 0;
}

void blend_render_float(int32_t rule, const uint32_t px[4], float acc[4]) noexcept {
    kRenderBlend[rule >= 0 && rule <= 30 ? size_t(rule) : 0](px, acc);
}

int32_t render_rule(int32_t mode) noexcept { return merge_mode_info(mode).rule; }

RenderPrepFn render_preparation(int32_t mode) noexcept {
    return mode >= 32 && mode <= 53 ? kRenderPrep[size_t(mode - 32)] : nullptr;
}

void blend_render_chunk(int32_t rule, RenderBlendChunk& chunk, int32_t begin, int32_t end) noexcept {
    kRenderRow[rule >= 0 && rule <= 30 ? size_t(rule) : 0](chunk, begin, end);
}

void merge_pixel(int32_t* dr, int32_t* dg, int32_t* db, int32_t* da, int32_t sr, int32_t sg, int32_t sb, int32_t sa,
                 int32_t mode, int32_t strength, bool keep_alpha) noexcept {
    if (!dr || !dg || !db || !da) return;
    int32_t* const out[4] = {dr, dg, db, da};
    const uint16_t src[4] = {clamp16(sr), clamp16(sg), clamp16(sb), clamp16(sa)};
    uint16_t before[4], px[4];
    for (int c = 0; c < 4; ++c) before[c] = px[c] = clamp16(*out[c]);
    // The single pixel runs through the compositor's kernel with no mask and
    // full strength; this export's strength acts where the compositor's
    // opacity does, after the preparation.
    MergeRow row;
    row.src = src;
    row.dst = px;
    row.n = 1;
    row.strength = 255;
    row.opacity = uint32_t(std::clamp(strength, 0, 255));
    row.omega = g_omega;
    row.keep_alpha = keep_alpha;
    merge_mode_info(mode).pixel(row);
    for (int c = 0; c < 4; ++c)
        if (px[c] != before[c]) *out[c] = px[c];
}

}  // namespace oka
