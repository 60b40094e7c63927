// The mix operations: the colour rules of dabs and of blend-buffer mixing.
//
// Each rule combines a source colour S with a destination colour D, one
// 16-bit channel at a time unless it says otherwise (0..65535, unsigned
// 32-bit arithmetic, truncating divisions). For a dab, S is the brush or
// blend-buffer colour and D the canvas; for blend-buffer mixing, S is the
// buffer cell and D the canvas. lum is (Sr + Sg + Sb) / 3; bank k is colour
// bank k; the brush colour is the one before colour vary.
//
// Every rule is written once below, and OKA_MIX_TYPES lists them with their
// numbers. Callers choose the rule once per call with with_mix_op() and
// instantiate their own row loop for it, so nothing dispatches per pixel.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace oka::brush {

struct MixColour {
    uint16_t r = 0, g = 0, b = 0;
};

struct MixContext {
    std::array<MixColour, 4> banks{};  // colour banks 1..4
    MixColour brush;                   // the brush colour
    uint32_t posterize_shift = 0;      // 0..31
};

// How the caller uses the result X:
//   Plain    - X is the mixed colour (the amount or strength blend follows)
//   TakeD    - the destination wins: X = D and its alpha is kept
//   NoAmount - X is final, no amount blend
//   Grey     - X = D = mid grey and the alpha becomes lum
enum class MixKind : uint8_t { Plain, TakeD, NoAmount, Grey };

struct MixOut {
    uint32_t x[3];
    MixKind kind;
};

namespace mixop {

using C3 = const uint32_t*;

inline uint32_t cap(int64_t v) noexcept { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 65535)); }

template <class F>
inline void per_channel(C3 s, C3 d, MixOut& o, F f) noexcept {
    for (int c = 0; c < 3; ++c) o.x[c] = cap(f(s[c], d[c]));
    o.kind = MixKind::Plain;
}
inline void set_colour(MixOut& o, const MixColour& k, MixKind kind = MixKind::Plain) noexcept {
    o.x[0] = k.r;
    o.x[1] = k.g;
    o.x[2] = k.b;
    o.kind = kind;
}
inline void keep_s(C3 s, MixOut& o) noexcept {
    o.x[0] = s[0];
    o.x[1] = s[1];
    o.x[2] = s[2];
    o.kind = MixKind::Plain;
}
inline void take_d(C3 d, MixOut& o) noexcept {
    o.x[0] = d[0];
    o.x[1] = d[1];
    o.x[2] = d[2];
    o.kind = MixKind::TakeD;
}
// Weighted mix of two colours with t in 0..256: (a * (256 - t) + b * t) >> 8.
// The weight is kept inside 0..256; a luminance on the boundary of a branch
// would otherwise make it negative and wrap.
inline void mix_colours(MixOut& o, const MixColour& a, const MixColour& b, int64_t t) noexcept {
    t = std::clamp<int64_t>(t, 0, 256);
    o.x[0] = cap((a.r * (256 - t) + b.r * t) >> 8);
    o.x[1] = cap((a.g * (256 - t) + b.g * t) >> 8);
    o.x[2] = cap((a.b * (256 - t) + b.b * t) >> 8);
    o.kind = MixKind::Plain;
}

// Rules. Each: static void apply(S, D, lum, context, out).
#define OKA_MIX_RULE(Name) \
    struct Name {          \
        static inline void apply(C3 s, C3 d, uint32_t lum, const MixContext& k, MixOut& o) noexcept

// No colour operation: keep the source (types without a rule).
OKA_MIX_RULE(KeepSource) { (void)d, (void)lum, (void)k; keep_s(s, o); } };
// 33: multiply, S * D >> 16.
OKA_MIX_RULE(Multiply) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(a) * b >> 16; }); } };
// 34: screen, 65535 - ((65535 - D)(65535 - S) >> 16).
OKA_MIX_RULE(Screen) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return 65535 - ((int64_t(65535 - b) * (65535 - a)) >> 16); }); } };
// 35: darken, min(S, D).
OKA_MIX_RULE(Darken) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(std::min(a, b)); }); } };
// 36: lighten, max(S, D).
OKA_MIX_RULE(Lighten) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(std::max(a, b)); }); } };
// 37: difference, |D - S|.
OKA_MIX_RULE(Difference) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return std::abs(int64_t(b) - a); }); } };
// 38: negation, 65535 - |65535 - D - S|.
OKA_MIX_RULE(Negation) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return 65535 - std::abs(65535 - int64_t(b) - a); }); } };
// 39: exclusion, D - (D * S >> 15) + S.
OKA_MIX_RULE(Exclusion) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(b) - ((int64_t(b) * a) >> 15) + a; }); } };
// 40: overlay, on D: D < 32767 ? D*S >> 15 : 65535 - ((65535-D)(65535-S) >> 15).
OKA_MIX_RULE(Overlay) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return b < 32767 ? (int64_t(b) * a) >> 15 : 65535 - ((int64_t(65535 - b) * (65535 - a)) >> 15); }); } };
// 41: hard light, the overlay rule with the test on S.
OKA_MIX_RULE(HardLight) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return a < 32767 ? (int64_t(b) * a) >> 15 : 65535 - ((int64_t(65535 - b) * (65535 - a)) >> 15); }); } };
// 42: soft light in 32-bit floats, s = S/65535, d = D/65535:
//   s >= 0.5: (2s - 1) sqrt(d) + 2d (1 - s);  else d ((1 - 2s) d + 2s)
OKA_MIX_RULE(SoftLight) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    const float sf = float(a) / 65535.0f, df = float(b) / 65535.0f;
    const float r = sf >= 0.5f ? (2.0f * sf - 1.0f) * std::sqrt(df) + 2.0f * df * (1.0f - sf)
                               : df * ((1.0f - 2.0f * sf) * df + 2.0f * sf);
    return int64_t(r * 65535.0f); }); } };
// 43: dodge, S < 65535 ? min(65535, D * 65536 / (65535 - S)) : 65535.
OKA_MIX_RULE(Dodge) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return a < 65535 ? std::min<int64_t>(65535, (int64_t(b) << 16) / (65535 - a)) : 65535; }); } };
// 44: burn, S = 0 ? 0 : max(0, 65535 - (65535 - D) * 65536 / S).
OKA_MIX_RULE(Burn) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return a == 0 ? 0 : std::max<int64_t>(0, 65535 - (int64_t(65535 - b) << 16) / a); }); } };
// 45: reflect, S < 65535 ? min(65535, D * D / (65535 - S)) : 65535.
OKA_MIX_RULE(Reflect) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return a < 65535 ? std::min<int64_t>(65535, int64_t(b) * b / (65535 - a)) : 65535; }); } };
// 46: glow, D < 65535 ? min(65535, S * S / (65535 - D)) : 65535.
OKA_MIX_RULE(Glow) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) {
    return b < 65535 ? std::min<int64_t>(65535, int64_t(a) * a / (65535 - b)) : 65535; }); } };
// 47: add, min(65535, D + S).
OKA_MIX_RULE(Add) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(a) + b; }); } };
// 48: subtract, max(0, D + S - 65535).
OKA_MIX_RULE(Subtract) { (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t b) { return int64_t(a) + b - 65535; }); } };
// 249: two-tone, lum < 32767 ? bank 1 : bank 2.
OKA_MIX_RULE(Bank2) { (void)s, (void)d; set_colour(o, lum < 32767 ? k.banks[0] : k.banks[1]); } };
// 250: three-tone at 21845 and 43690.
OKA_MIX_RULE(Bank3) { (void)s, (void)d; set_colour(o, lum < 21845 ? k.banks[0] : lum < 43690 ? k.banks[1] : k.banks[2]); } };
// 251: four-tone at 16383, 32767 and 49151.
OKA_MIX_RULE(Bank4) { (void)s, (void)d;
    set_colour(o, lum < 16383 ? k.banks[0] : lum < 32767 ? k.banks[1] : lum < 49151 ? k.banks[2] : k.banks[3]); } };
// 252: gradient map through banks 1, 2, 3:
//   lum < 32767: t = 2 lum >> 8, mix(bank 1, bank 2, t); else t = (2 lum - 65534) >> 8, mix(bank 2, bank 3, t)
OKA_MIX_RULE(BankGradient) { (void)s, (void)d;
    if (lum < 32767) mix_colours(o, k.banks[0], k.banks[1], (2 * int64_t(lum)) >> 8);
    else mix_colours(o, k.banks[1], k.banks[2], (2 * int64_t(lum) - 65534) >> 8); } };
// 253: lum < 32767 ? bank 1 : D.
OKA_MIX_RULE(BankDark) { if (lum < 32767) set_colour(o, k.banks[0]); else for (int c = 0; c < 3; ++c) o.x[c] = d[c], o.kind = MixKind::Plain; (void)s; } };
// 254: lum > 32767 ? bank 1 : D.
OKA_MIX_RULE(BankLight) { if (lum > 32767) set_colour(o, k.banks[0]); else for (int c = 0; c < 3; ++c) o.x[c] = d[c], o.kind = MixKind::Plain; (void)s; } };
// 255: lum < 20479 ? bank 1 : lum >= 49152 ? bank 2 : S.
OKA_MIX_RULE(BankEnds) { (void)d;
    if (lum < 20479) set_colour(o, k.banks[0]); else if (lum >= 49152) set_colour(o, k.banks[1]); else keep_s(s, o); } };
// 256: lum < 20479 ? take D : S.
OKA_MIX_RULE(KeepDarks) { (void)k; if (lum < 20479) take_d(d, o); else keep_s(s, o); } };
// 257: lum >= 49152 ? take D : S.
OKA_MIX_RULE(KeepLights) { (void)k; if (lum >= 49152) take_d(d, o); else keep_s(s, o); } };
// 258: lum < 20479 or lum >= 49152 ? take D : S.
OKA_MIX_RULE(KeepEnds) { (void)k; if (lum < 20479 || lum >= 49152) take_d(d, o); else keep_s(s, o); } };
// 259: lum > 12287 ? take D : bank 1.
OKA_MIX_RULE(BankDeepDark) { (void)s; if (lum > 12287) take_d(d, o); else set_colour(o, k.banks[0]); } };
// 260: lum <= 57342 ? take D : bank 1.
OKA_MIX_RULE(BankHighLight) { (void)s; if (lum <= 57342) take_d(d, o); else set_colour(o, k.banks[0]); } };
// 261: four levels per channel of S at 10922, 32767, 54613 -> 0, 21845, 43690, 65535.
OKA_MIX_RULE(Levels4) { (void)d, (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t) {
    return int64_t(a < 10922 ? 0 : a < 32767 ? 21845 : a < 54613 ? 43690 : 65535); }); } };
// 262: three levels per channel of S at 21845, 43690 -> 0, 32767, 65535.
OKA_MIX_RULE(Levels3) { (void)d, (void)lum, (void)k; per_channel(s, d, o, [](uint32_t a, uint32_t) {
    return int64_t(a < 21845 ? 0 : a < 43690 ? 32767 : 65535); }); } };
// 295: posterize, (S >> k) << k with the shift taken modulo 32; final.
OKA_MIX_RULE(Posterize) { (void)d, (void)lum;
    const uint32_t sh = k.posterize_shift & 31;
    for (int c = 0; c < 3; ++c) o.x[c] = (s[c] >> sh) << sh;
    o.kind = MixKind::NoAmount; } };
// 340: mid grey with alpha lum.
OKA_MIX_RULE(GreyAlpha) { (void)s, (void)d, (void)lum, (void)k; o.x[0] = o.x[1] = o.x[2] = 32767; o.kind = MixKind::Grey; } };
// 387/388: weighted lightness l = (3R + 4G + B) >> 3; take D when it is darker / lighter.
inline uint32_t lightness(C3 c) noexcept { return (3 * c[0] + 4 * c[1] + c[2]) >> 3; }
OKA_MIX_RULE(KeepDarker) { (void)lum, (void)k; if (lightness(d) < lightness(s)) take_d(d, o); else keep_s(s, o); } };
OKA_MIX_RULE(KeepLighter) { (void)lum, (void)k; if (lightness(d) > lightness(s)) take_d(d, o); else keep_s(s, o); } };
// 425: tint the brush colour B by lum:
//   lum < 32767: t = 2 lum >> 8, X = B t >> 8; else t = (2 lum - 65536) >> 8, X = (B (256 - t) + 65535 t) >> 8
OKA_MIX_RULE(BrushTint) { (void)s, (void)d;
    if (lum < 32767) mix_colours(o, MixColour{}, k.brush, (2 * int64_t(lum)) >> 8);
    else mix_colours(o, k.brush, MixColour{65535, 65535, 65535}, (2 * int64_t(lum) - 65536) >> 8); } };

#undef OKA_MIX_RULE

}  // namespace mixop

// Number, rule, name.
#define OKA_MIX_TYPES(X)                      \
    X(33, Multiply, "Multiply")                \
    X(34, Screen, "Screen")                    \
    X(35, Darken, "Darken")                    \
    X(36, Lighten, "Lighten")                  \
    X(37, Difference, "Difference")            \
    X(38, Negation, "Negation")                \
    X(39, Exclusion, "Exclusion")              \
    X(40, Overlay, "Overlay")                  \
    X(41, HardLight, "Hard Light")             \
    X(42, SoftLight, "Soft Light")             \
    X(43, Dodge, "Dodge")                      \
    X(44, Burn, "Burn")                        \
    X(45, Reflect, "Reflect")                  \
    X(46, Glow, "Glow")                        \
    X(47, Add, "Add")                          \
    X(48, Subtract, "Subtract")                \
    X(249, Bank2, "Two Tone")                  \
    X(250, Bank3, "Three Tone")                \
    X(251, Bank4, "Four Tone")                 \
    X(252, BankGradient, "Gradient Map")       \
    X(253, BankDark, "Dark Tone")              \
    X(254, BankLight, "Light Tone")            \
    X(255, BankEnds, "Tone Ends")              \
    X(256, KeepDarks, "Keep Darks")            \
    X(257, KeepLights, "Keep Lights")          \
    X(258, KeepEnds, "Keep Ends")              \
    X(259, BankDeepDark, "Deep Dark Tone")     \
    X(260, BankHighLight, "High Light Tone")   \
    X(261, Levels4, "Four Levels")             \
    X(262, Levels3, "Three Levels")            \
    X(295, Posterize, "Posterize")             \
    X(340, GreyAlpha, "Grey Alpha")            \
    X(387, KeepDarker, "Keep Darker")          \
    X(388, KeepLighter, "Keep Lighter")        \
    X(425, BrushTint, "Brush Tint")

struct MixTypeEntry {
    uint32_t type;
    const char* name;
};

inline constexpr MixTypeEntry kMixTypes[] = {
#define OKA_MIX_ENTRY(n, rule, name) {n, name},
    OKA_MIX_TYPES(OKA_MIX_ENTRY)
#undef OKA_MIX_ENTRY
};

// Call f.template operator()<Rule>() with the rule of the mix type; types
// without a rule get KeepSource.
template <class F>
decltype(auto) with_mix_op(uint32_t type, F&& f) {
    switch (type) {
#define OKA_MIX_CASE(n, rule, name) \
    case n: return f.template operator()<mixop::rule>();
        OKA_MIX_TYPES(OKA_MIX_CASE)
#undef OKA_MIX_CASE
        default: return f.template operator()<mixop::KeepSource>();
    }
}

// One colour through a rule chosen at run time (tests, single pixels).
inline MixOut mix_colour(uint32_t type, const uint32_t s[3], const uint32_t d[3], const MixContext& k) {
    const uint32_t lum = (s[0] + s[1] + s[2]) / 3;
    MixOut o{};
    with_mix_op(type, [&]<class Rule>() { Rule::apply(s, d, lum, k, o); });
    return o;
}

}  // namespace oka::brush
