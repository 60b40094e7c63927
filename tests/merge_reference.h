// An independent, straightforward transcription of the merge rules for the
// tests: every formula as written, in long double, branch tests as exact
// integer comparisons of the formula's terms over their common denominator.
// It returns what a pixel must become, with the exact (unrounded) value of
// every float-path channel so a check can allow one unit only where that
// value sits on a truncation boundary.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace mref {

using LD = long double;

struct Outcome {
    bool written = false;  // false: the destination is left as it was
    bool exact = false;    // true: px holds the exact values written
    int64_t px[4] = {0, 0, 0, 0};
    std::vector<LD> colour[3];  // float path: candidate unrounded channel values
    LD alpha = 0;               // float path: unrounded stored alpha
};

struct Prepared {
    int64_t s[3];
    int64_t A;
    int mode;      // merge rule after the preparation
    bool replace;  // destination counts as transparent
};

inline bool known(int mode) { return (mode >= 0 && mode <= 30) || (mode >= 32 && mode <= 53); }
inline bool zero_mode(int mode) { return mode == 20 || mode == 21 || mode == 27 || mode == 28 || mode == 29; }
// Floor of a value computed from a rational with a small denominator.
inline int64_t ifloor(LD v) { return int64_t(std::floor(v + 1e-9L)); }

// ---- Alpha-mode preparation, row by row of the mode table ----------------
inline int64_t lum_colour(int variant, int64_t c, int64_t sa) {
    LD f, v;
    if (variant == 46) {
        if (sa < 36863) {
            f = (36862 - sa) / 30000.0L;
            v = c - c * f;
        } else {
            f = (sa - 36862) / 28672.0L;
            v = c + (65535 - c) * f;
        }
    } else if (sa < 32768) {
        f = variant == 45 ? (32767 - sa) / 65535.0L : (32767 - sa) / 32767.0L;
        v = c - c * f;
    } else {
        f = (sa - 32767) / 32767.0L;
        v = c + (65535 - c) * f;
    }
    // Truncation toward zero, kept within the 16-bit channel.
    return std::clamp<int64_t>(v < 0 ? -ifloor(-v) : ifloor(v), 0, 65535);
}
inline int64_t soft_step(int64_t sa, int64_t omega) {
    if (sa <= 8190) return 0;
    if (sa <= 9214) return 65535 - std::min<int64_t>(64 * (9215 - sa), 65535);
    return omega;
}

inline Prepared prepare(int mode, const int64_t s[3], int64_t sa, int64_t omega) {
    Prepared p{{s[0], s[1], s[2]}, sa, 0, false};
    auto set_grey = [&](int64_t v) { p.s[0] = p.s[1] = p.s[2] = v; };
    auto shift = [&] {  // 39
        if (sa < 32767) {
            const int64_t t = 2 * (32767 - sa);
            for (auto& c : p.s) c = c < t ? 0 : c - t;
        } else {
            const int64_t t = 2 * sa - 65534;
            for (auto& c : p.s) c = std::min<int64_t>(c + t, 65535);
        }
        p.A = omega;
    };
    switch (mode) {
        case 33: set_grey(65535); p.A = 65535 - sa; break;
        case 34: case 49: if (sa >= 1 && sa <= 65279) { set_grey(0); p.A = omega; } break;
        case 35: case 36: if (sa != 0) p.A = sa >= 12287 ? omega : 65535 - sa; break;
        case 37: if (sa > 0) p.A = 65535 - sa; break;
        case 38: if (sa > 0) { set_grey(sa); p.A = omega; } break;
        case 39: if (sa > 0) shift(); break;
        case 40: if (sa > 0) shift(); p.mode = 28; break;
        case 41:
            if (sa > 0) {
                if (sa >= 32767) shift();
                else p.A = std::max<int64_t>(sa - 2 * (32767 - sa), 0);
            }
            p.mode = 28;
            break;
        case 42: if (sa > 0) p.A = sa < 32767 ? std::max<int64_t>(sa - 4 * (32767 - sa), 0) : omega; break;
        case 43: if (sa > 0) p.A = sa < 8191 ? 0 : sa > 9214 ? omega : 65535 - std::min<int64_t>(64 * (9215 - sa), 65535); break;
        case 44: case 45: case 46: case 47: case 48: {
            const int variant = mode == 47 ? 46 : mode == 48 ? 44 : mode;
            for (auto& c : p.s) c = lum_colour(variant, c, sa);
            p.A = mode <= 46 ? (sa <= 8190 ? 0 : omega) : soft_step(sa, omega);
            break;
        }
        case 50: if (sa > 32512) p.A = 0; break;
        case 51: p.A = 0; break;
        case 52: set_grey(65535); p.A = (s[0] + s[1] + s[2]) / 3; break;
        case 53: set_grey(0); p.A = 65535 - (s[0] + s[1] + s[2]) / 3; break;
        default: p.mode = mode <= 30 ? mode : 0; break;
    }
    return p;
}

// The same-alpha rules of the compositor.
inline Prepared prepare_same(int mode, const int64_t s[3], int64_t a, int64_t omega) {
    Prepared p{{s[0], s[1], s[2]}, a, 0, false};
    auto zero = [&] { p.A = 0; };
    auto replace = [&] { p.replace = true; };
    if ((mode >= 32 && mode <= 42) || mode == 49) {
        if (a != 0) replace(); else zero();
    } else if (mode == 43 || mode == 47 || mode == 48) {
        if (a < 8191) zero();
        else if (a <= 9214) p.mode = 1;
        else replace();
    } else if (mode >= 44 && mode <= 46) {
        if (a > 8190) replace(); else zero();
    } else if (mode == 50) {
        if (a < 32513) zero(); else replace();
    } else if (mode == 51) {
        zero();
    } else {
        return prepare(mode, s, a, omega);
    }
    return p;
}

// ---- HSL, as written ---------------------------------------------------------
struct Hsl {
    LD h, s, l;
};
inline Hsl to_hsl(LD r, LD g, LD b) {
    const LD mx = std::max({r, g, b}), mn = std::min({r, g, b}), l = (mx + mn) / 2;
    if (mx == mn) return {0, 0, l};
    const LD dl = mx - mn;
    const LD s = l < 0.5L ? dl / (mx + mn) : dl / (2 - mx - mn);
    const LD rp = ((mx - r) / 6 + dl / 2) / dl, gp = ((mx - g) / 6 + dl / 2) / dl, bp = ((mx - b) / 6 + dl / 2) / dl;
    LD h = r == mx ? bp - gp : g == mx ? 1.0L / 3 + rp - bp : 2.0L / 3 + gp - rp;
    if (h < 0) h += 1;
    else if (h > 1) h -= 1;
    return {h * 360, s, l};
}
inline LD hue_channel(LD p, LD q, LD x) {
    if (x < 0) x += 360;
    else if (x > 360) x -= 360;
    if (x < 60) return p + (q - p) * x / 60;
    if (x < 180) return q;
    if (x < 240) return p + (q - p) * (240 - x) / 60;
    return p;
}
inline void to_rgb(Hsl c, LD out[3]) {
    if (c.s == 0) {
        out[0] = out[1] = out[2] = c.l;
        return;
    }
    const LD q = c.l < 0.5L ? c.l * (1 + c.s) : c.l + c.s - c.s * c.l, p = 2 * c.l - q;
    out[0] = hue_channel(p, q, c.h + 120);
    out[1] = hue_channel(p, q, c.h);
    out[2] = hue_channel(p, q, c.h - 120);
}

// ---- The floating-point merge --------------------------------------------
// Candidate results X (premultiplied) for channel c; several only where a
// rule's own integer conversion sits on a boundary (modes 8 to 10).
inline std::vector<LD> rule(int mode, int c, const int64_t s[3], const int64_t t[3], int64_t A, int64_t dA) {
    const LD a = A / 65535.0L, d = dA / 65535.0L;
    LD S[3], D[3];
    for (int k = 0; k < 3; ++k) {
        S[k] = s[k] * a / 65280;
        D[k] = t[k] * d / 65280;
    }
    const LD Sc = S[c], Dc = D[c], tail = Sc * (1 - d) + Dc * (1 - a);
    // Exact comparisons: S = s A / (65280 65535), D = t dA / (65280 65535),
    // a = A / 65535, d = dA / 65535, multiplied out.
    const int64_t sd = s[c] * A * dA, da = t[c] * dA * A, ad = 65280 * A * dA;
    const bool twoD_ge_d = 2 * t[c] * dA >= 65280 * dA, twoS_ge_a = 2 * s[c] * A >= 65280 * A;
    switch (mode) {
        case 0: case 16: case 17: case 30: return {Sc + Dc * (1 - a)};
        case 1: return {Sc * Dc + tail};
        case 2: return {Sc + Dc - Sc * Dc};
        case 3: return {std::min(Sc * d, Dc * a) + tail};
        case 4: return {std::max(Sc * d, Dc * a) + tail};
        case 5: return {Sc + Dc - 2 * std::min(Sc * d, Dc * a)};
        case 6: case 7: return {Sc + Dc - 2 * Sc * Dc};
        case 8: case 9: case 10: {
            auto options = [](LD v) {
                std::vector<int64_t> o{int64_t(std::floor(v))};
                const LD n = std::round(v);
                if (std::fabs(v - n) < 1e-6L) o = {int64_t(n), int64_t(n) - 1};
                return o;
            };
            std::vector<LD> out;
            for (int64_t x : options(Sc * a * 65535))
                for (int64_t y : options(Dc * 65535)) {
                    if (x < 0 || y < 0) continue;
                    const int64_t r = mode == 8 ? (x & y) : mode == 9 ? (x | y) : (x ^ y);
                    out.push_back(r / 65535.0L);
                }
            return out;
        }
        case 11:
            return {(twoD_ge_d ? a * d - 2 * (d - Dc) * (a - Sc) : 2 * Sc * Dc) + tail};
        case 12:
            return {(twoS_ge_a ? a * d - 2 * (d - Dc) * (a - Sc) : 2 * Sc * Dc) + tail};
        case 13: {
            const LD m = Dc / d;
            const bool eightD_le_d = 8 * t[c] * dA <= 65280 * dA;
            LD core;
            if (twoS_ge_a && eightD_le_d) core = Dc * (a + (2 * Sc - a) * (1 - m) * (3 - 8 * m));
            else if (twoS_ge_a) core = Dc * a + (2 * Sc - a) * (std::sqrt(m) * d - Dc);
            else core = Dc * (a + (2 * Sc - a) * (1 - m));
            return {core + tail};
        }
        case 14: return {(sd + da >= ad ? a * d : Dc * a / (1 - Sc / a)) + tail};
        case 15: {
            LD core = 0;
            if (sd + da > ad) core = Sc == 0 ? INFINITY : a * (Sc * d + Dc * a - a * d) / Sc;
            return {core + tail};
        }
        case 18: return {Sc + Dc};
        case 19: return {Sc + Dc - a * d};
        case 20: case 21: {
            const LD L = (D[0] + D[1] + D[2]) / 3;
            return {Sc + (mode == 20 ? 1.0L : 1.75L) * (L - 0.5L) * a + Dc * (1 - a)};
        }
        case 22: case 23: case 24: case 25: case 26: {
            const Hsl hs = to_hsl(s[0] / 65280.0L, s[1] / 65280.0L, s[2] / 65280.0L);
            const Hsl hd = to_hsl(D[0], D[1], D[2]);
            Hsl w;
            if (mode == 22) w = {hs.h, hs.s, (3 * D[0] + 4 * D[1] + D[2]) / 8};
            else if (mode == 23) w = {hs.h, hd.s, hd.l};
            else if (mode == 24) w = {hd.h, hs.s, hd.l};
            else if (mode == 25) w = {hd.h, hd.s, hs.l};
            else w = {hs.h, hs.s, hd.l};
            LD W[3];
            to_rgb(w, W);
            return {W[c] * a + Dc * (1 - a)};
        }
        case 27: case 28: {
            const LD ts = (s[0] + s[1] + s[2]) / 195840.0L;
            LD U[3];
            for (int k = 0; k < 3; ++k) U[k] = D[k] / d;
            if (mode == 28) return {U[c] + 1.75L * (ts - 0.5L) * a};
            LD M = 0;
            for (int k = 0; k < 3; ++k) M += U[k] + (ts - 0.5L) * a;
            M /= 3;
            return {U[c] + 1.75L * (M - 0.5L) * a};
        }
        case 29: return {Dc};
        default: return {};
    }
}

inline LD clamp01(LD v) { return v != v ? 0 : std::clamp<LD>(v, 0, 1); }

// Steps 4 to 7 after the preparation and the alpha scale.
inline Outcome finish(const Prepared& p, const int64_t d[4], bool zero_over_clear) {
    Outcome o;
    const int64_t dA = p.replace ? 0 : d[3];
    if (dA == 0) {
        o.written = o.exact = true;
        if ((zero_over_clear && !p.replace) || p.A == 0) return o;
        for (int c = 0; c < 3; ++c) o.px[c] = p.s[c];
        o.px[3] = p.A;
        return o;
    }
    if (p.A == 0) return o;
    o.written = true;
    if (p.A >= 65280 && p.mode == 0) {
        o.exact = true;
        for (int c = 0; c < 3; ++c) o.px[c] = p.s[c];
        o.px[3] = p.A;
        return o;
    }
    const LD a = p.A / 65535.0L, dd = dA / 65535.0L;
    const int m = p.mode;
    const LD alpha = (m == 18 || m == 19) ? a + dd : (m >= 20 && m <= 29) ? dd : a + dd - a * dd;
    const LD ap = clamp01(alpha);
    const int64_t t[3] = {d[0], d[1], d[2]};
    for (int c = 0; c < 3; ++c)
        for (LD X : rule(m, c, p.s, t, p.A, dA)) o.colour[c].push_back(clamp01(X / ap) * 65280);
    o.alpha = ap * 65535;
    return o;
}

// OKA_MergePixel.
inline Outcome merge_pixel(const int64_t d[4], const int64_t s[3], int64_t sa, int mode, int64_t strength,
                           int64_t omega) {
    if (!known(mode)) mode = 0;
    if (sa == 0 && mode <= 31) return {};
    Prepared p = prepare(mode, s, sa, omega);
    if (strength < 255) p.A = ((strength + 1) * p.A) >> 8;
    return finish(p, d, zero_mode(p.mode));
}

// The compositor, for one pixel; mask null when there is no mask layer.
inline Outcome composite(const int64_t d[4], const int64_t src[4], const int64_t* mask, int64_t strength, int mode,
                         int64_t opacity, bool same_alpha, int64_t omega) {
    if (!known(mode)) mode = 0;
    if (src[3] == 0 && mode < 32) return {};
    int64_t a = src[3];
    if (mask && mask[3] != 0) a = (((mask[0] + mask[1] + mask[2]) / 3) * a) >> 16;
    a = ((strength + 1) * a) >> 8;
    if (a == 0 && mode <= 31) return {};
    Prepared p = same_alpha && mode >= 32 ? prepare_same(mode, src, a, omega) : prepare(mode, src, a, omega);
    if (opacity < 255) p.A = ((opacity + 1) * p.A) >> 8;
    return finish(p, d, zero_mode(mode));
}

// A truncated value r agrees with the unrounded v when it is its floor, or
// v lies on a boundary (within tol of an integer n) and r is n or n - 1.
inline bool agrees(int64_t r, LD v, LD tol = 1e-6L) {
    if (r == int64_t(std::floor(v))) return true;
    const LD n = std::round(v);
    return std::fabs(v - n) < tol && (r == int64_t(n) || r == int64_t(n) - 1);
}

// The pixel `after` (from `before`) matches the outcome; keep: alpha untouched.
inline bool matches(const Outcome& o, const int64_t before[4], const int64_t after[4], bool keep) {
    if (!o.written) {
        for (int c = 0; c < 4; ++c)
            if (after[c] != before[c]) return false;
        return true;
    }
    if (keep ? after[3] != before[3] : false) return false;
    if (o.exact) {
        for (int c = 0; c < 3; ++c)
            if (after[c] != o.px[c]) return false;
        return keep || after[3] == o.px[3];
    }
    for (int c = 0; c < 3; ++c)
        if (!std::any_of(o.colour[c].begin(), o.colour[c].end(), [&](LD v) { return agrees(after[c], v); }))
            return false;
    return keep || agrees(after[3], o.alpha);
}

}  // namespace mref
