#include "mask/mask_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/engine_state.h"

namespace oka::mask {
namespace {

struct MaskSettings {
    uint8_t display = 0;
    OverlayOptions overlay;
};

MaskSettings& settings() noexcept {
    static MaskSettings s;
    return s;
}

constexpr std::array<CombineModeName, 3> kCombineModes{{
    {"Add", CombineMode::Add},
    {"Subtract", CombineMode::Subtract},
    {"Replace", CombineMode::Replace},
}};

// Plane-wide loops split rows among threads from this many values on.
constexpr int64_t kParallelValues = 1 << 16;

// The mask plane, or null when it is absent or not canvas-sized.
uint16_t* plane() noexcept {
    EngineState& e = engine();
    if (!e.mask || e.mask.size() < e.canvas_pixels()) return nullptr;
    return e.mask.data();
}

inline uint32_t grey_of(const uint8_t* px) noexcept { return (uint32_t{px[0]} + px[1] + px[2]) / 3; }

}  // namespace

uint16_t value_from_colour(int32_t r, int32_t g, int32_t b) noexcept {
    const int64_t a = (int64_t{r} + g + b) / 3;
    if (a <= 255) return 65535;
    return static_cast<uint16_t>(65280 - a);
}

void enable_mask(uint8_t on) noexcept { engine().mask_enabled = on; }
void display_mask(uint8_t on) noexcept { settings().display = on; }
uint8_t mask_displayed() noexcept { return settings().display; }

void set_mask_options(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full) noexcept {
    OverlayOptions& o = settings().overlay;
    // Stored on the 16-bit scale; the wrap of an out-of-range value is the
    // 32-bit product's, as the host's integer arithmetic would give it.
    const auto scale = [](int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) * 256u); };
    o.colour1[0] = scale(r1);
    o.colour1[1] = scale(g1);
    o.colour1[2] = scale(b1);
    o.colour2[0] = scale(r2);
    o.colour2[1] = scale(g2);
    o.colour2[2] = scale(b2);
    o.full = full;
}

const OverlayOptions& overlay_options() noexcept { return settings().overlay; }

void invert_mask() noexcept {
    uint16_t* m = plane();
    if (!m) return;
    const int64_t n = static_cast<int64_t>(engine().canvas_pixels());
#pragma omp parallel for schedule(static) if (n >= kParallelValues)
    for (int64_t i = 0; i < n; ++i) m[i] = static_cast<uint16_t>(65535 - m[i]);
}

void clear_mask(int32_t r, int32_t g, int32_t b) noexcept {
    uint16_t* m = plane();
    if (!m) return;
    std::fill_n(m, engine().canvas_pixels(), value_from_colour(r, g, b));
}

void save_mask(uint8_t* picture, int32_t stride) noexcept {
    const uint16_t* m = plane();
    if (!m || !picture) return;
    const EngineState& e = engine();
    const int32_t w = e.width, h = e.height;
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= kParallelValues)
    for (int32_t y = 0; y < h; ++y) {
        const uint16_t* src = m + static_cast<size_t>(y) * w;
        uint8_t* dst = picture + static_cast<ptrdiff_t>(y) * stride;
        for (int32_t x = 0; x < w; ++x, dst += 3) {
            const uint8_t g = grey_from_value(src[x]);
            dst[0] = g;
            dst[1] = g;
            dst[2] = g;
        }
    }
}

void load_mask(const uint8_t* picture, int32_t stride, int32_t width, int32_t height) noexcept {
    uint16_t* m = plane();
    if (!m || !picture) return;
    const EngineState& e = engine();
    // The picture's size is the host's; the plane's is the canvas.
    const int32_t w = std::clamp(width, 0, e.width);
    const int32_t h = std::clamp(height, 0, e.height);
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= kParallelValues)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = picture + static_cast<ptrdiff_t>(y) * stride;
        uint16_t* dst = m + static_cast<size_t>(y) * e.width;
        for (int32_t x = 0; x < w; ++x, src += 3) dst[x] = value_from_grey(grey_of(src));
    }
}

CombineMode combine_mode_from_name(const char* name) noexcept {
    if (name)
        for (const CombineModeName& c : kCombineModes)
            if (std::strcmp(name, c.name) == 0) return c.mode;
    return CombineMode::Add;
}

namespace {

// One value under mode M; d <= 255 (a black picture pixel) changes nothing.
template <CombineMode M>
inline uint16_t combine_one(uint16_t m, int64_t d) noexcept {
    if (d <= 255) return m;
    if constexpr (M == CombineMode::Add) return d > m ? uint16_t{0} : static_cast<uint16_t>(m - d);
    if constexpr (M == CombineMode::Subtract) return static_cast<uint16_t>(std::min<int64_t>(int64_t{m} + d, 65535));
    if constexpr (M == CombineMode::Replace) return static_cast<uint16_t>(65280 - d);
}

// The whole plane under mode M. With BlackOnly only black pixels act, with
// d = black_d; otherwise d = grey * 256.
template <CombineMode M, bool BlackOnly>
void combine_plane(uint16_t* m, int32_t w, int32_t h, const uint8_t* picture, int32_t stride, int64_t black_d) noexcept {
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= kParallelValues)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = picture + static_cast<ptrdiff_t>(y) * stride;
        uint16_t* row = m + static_cast<size_t>(y) * w;
        for (int32_t x = 0; x < w; ++x, src += 3) {
            const uint32_t v = grey_of(src);
            const int64_t d = BlackOnly ? (v == 0 ? black_d : 0) : int64_t{v} * 256;
            row[x] = combine_one<M>(row[x], d);
        }
    }
}

template <CombineMode M>
void combine_plane(uint16_t* m, int32_t w, int32_t h, const uint8_t* picture, int32_t stride, bool black_only,
                   int64_t black_d) noexcept {
    if (black_only)
        combine_plane<M, true>(m, w, h, picture, stride, black_d);
    else
        combine_plane<M, false>(m, w, h, picture, stride, black_d);
}

}  // namespace

uint16_t combine_value(uint16_t m, int64_t d, CombineMode mode) noexcept {
    switch (mode) {
        case CombineMode::Add: return combine_one<CombineMode::Add>(m, d);
        case CombineMode::Subtract: return combine_one<CombineMode::Subtract>(m, d);
        case CombineMode::Replace: return combine_one<CombineMode::Replace>(m, d);
    }
    return m;
}

void combine_mask(const uint8_t* picture, int32_t stride, int32_t invert, int32_t amount, const char* mode_name) noexcept {
    uint16_t* m = plane();
    if (!m || !picture) return;
    const EngineState& e = engine();
    // With the invert byte 1 only black pixels act, with the given amount.
    const bool black_only = (invert & 0xFF) == 1;
    const int64_t black_d = int64_t{amount} * 256;
    switch (combine_mode_from_name(mode_name)) {
        case CombineMode::Add:
            combine_plane<CombineMode::Add>(m, e.width, e.height, picture, stride, black_only, black_d);
            break;
        case CombineMode::Subtract:
            combine_plane<CombineMode::Subtract>(m, e.width, e.height, picture, stride, black_only, black_d);
            break;
        case CombineMode::Replace:
            combine_plane<CombineMode::Replace>(m, e.width, e.height, picture, stride, black_only, black_d);
            break;
    }
}

}  // namespace oka::mask
