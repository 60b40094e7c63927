#include "brush/brush_shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "imaging/decode.h"
#include "imaging/image_ops.h"
#include "imaging/resample.h"
#include "imaging/scan_smooth.h"

namespace oka::brush {

namespace {

ShapeSource& source() noexcept {
    static ShapeSource s;
    return s;
}

// v x intensity, truncated toward zero and saturated to the 16-bit range
// (intensities above 1 would otherwise overflow; negative ones give 0).
inline uint16_t scaled(float v, float intensity) noexcept {
    const float p = v * intensity;
    if (!(p > 0.0f)) return 0;  // also NaN
    if (p >= 65535.0f) return 65535;
    return static_cast<uint16_t>(p);
}

void release_source() noexcept {
    engine().brush_shape_source.reset();
    source().width = 0;
    source().height = 0;
}

void record_path(const char* path) noexcept {
    ShapeSource& s = source();
    const size_t len = strnlen(path, kShapePathCapacity);
    // A path that does not fit is not recorded, so it is never reused.
    if (len >= kShapePathCapacity)
        s.path[0] = '\0';
    else
        std::memcpy(s.path, path, len + 1);
}

// Load the path as a stored effect chain (when allowed) or an image file
// into the shape source. Returns true when a source was loaded.
bool load_source(const char* path, bool allow_script) {
    EngineState& e = engine();
    ShapeSource& s = source();
    imaging::DecodeResult r = allow_script ? imaging::decode_image_script(path) : imaging::decode_file(path);
    if (allow_script && !r.ok()) r = imaging::decode_file(path);
    if (!r.ok()) return false;
    e.brush_shape_source = std::move(r.image.pixels);
    s.width = r.image.width;
    s.height = r.image.height;
    record_path(path);
    return true;
}

enum class Builder { current, original };

// Steps of an image shape: reuse or load the source, then resample it to
// n x n, convert to grey and store grey x 256 x intensity. Returns true when
// the plane holds a complete image shape. Any exception on the way leaves
// the caller to build the round tip.
bool build_image_shape(const char* path, int32_t effect_value, Builder builder, uint16_t* plane, size_t pitch,
                       int32_t n) {
    EngineState& e = engine();
    ToolState& t = tool();
    ShapeSource& s = source();

    const bool reuse = s.held() && std::strcmp(s.path, path) == 0 && s.effect_value == effect_value;
    if (!reuse) {
        release_source();
        if (load_source(path, builder == Builder::current)) {
            // The loaded image would now get the shape effect of the stored
            // effect-chain engine with this value; without that engine the
            // image is used as loaded. The value is recorded either way.
            s.effect_value = effect_value;
        }
    }
    // No plane (no document, or its creation failed): the source stays
    // loaded for the next document, but there is nothing to draw into.
    if (!s.held() || n < 1 || !plane) return false;

    const size_t nn = static_cast<size_t>(n) * static_cast<size_t>(n);
    Buffer<uint8_t> resampled = new_char_undo_reduce(nn * 4);
    Buffer<uint8_t> grey = new_char_undo_reduce(nn);
    if (!resampled || !grey) return false;

    const int32_t w = s.width, h = s.height;
    const size_t src_stride = static_cast<size_t>(w) * 4;
    bool ok = false;
    if (builder == Builder::current && t.shape_blur >= 1) {
        // Blur: smooth a copy so that only pixels lighter than their scan
        // predecessor are pulled towards it, more for larger blur values.
        Buffer<uint8_t> copy = new_char_undo_reduce(e.brush_shape_source.size());
        if (copy) {
            std::memcpy(copy.data(), e.brush_shape_source.data(), copy.size());
            imaging::value_smooth(copy.data(), w, h, src_stride, 0.0, (100.0 - t.shape_blur) * 10 * 0.001);
            const int32_t code = n < w ? imaging::kResampleAreaAverage : imaging::kResampleTriangle;
            ok = imaging::resample<uint8_t>(copy.data(), w, h, src_stride, resampled.data(), n, n,
                                            static_cast<size_t>(n) * 4, 4, code);
        }
    } else {
        int32_t code;
        if (builder == Builder::current)
            code = n < w ? imaging::kResampleAreaAverage : imaging::kResampleLanczos3;
        else
            code = (w < 5 || h < 5 || n < 5) ? imaging::kResampleBicubic : imaging::kResampleLanczos3;
        ok = imaging::resample<uint8_t>(e.brush_shape_source.data(), w, h, src_stride, resampled.data(), n, n,
                                        static_cast<size_t>(n) * 4, 4, code);
    }
    if (ok) {
        imaging::to_grey8(resampled.data(), n, n, 4, static_cast<size_t>(n) * 4, grey.data(), static_cast<size_t>(n));
        for (int32_t y = 0; y < n; ++y) {
            uint16_t* row = plane + static_cast<size_t>(y) * pitch;
            const uint8_t* g = grey.data() + static_cast<size_t>(y) * static_cast<size_t>(n);
            for (int32_t x = 0; x < n; ++x) row[x] = scaled(static_cast<float>(g[x] * 256), t.intensity);
        }
    }
    t.drawing_counter = t.drawing_length;
    return ok;
}

void build_shape(const char* path, int32_t effect_value, Builder builder) {
    EngineState& e = engine();
    ToolState& t = tool();
    const int32_t n = t.shape_size();
    const size_t pitch = static_cast<size_t>(e.brush_max);
    uint16_t* plane = e.brush_shape.data();
    if (plane) std::fill_n(plane, e.brush_shape.size(), uint16_t{0});
    // Without a plane (no document) a source can still be loaded, but n is 0.

    bool complete = false;
    if (path && path[0] && path[1]) {
        try {
            complete = build_image_shape(path, effect_value, builder, plane, pitch, n);
        } catch (...) {
            complete = false;  // unreadable or failed image: the round tip instead
        }
    }
    if (!complete && plane) {
        build_round_shape(plane, pitch, n, t.edge_softness, t.invert_shape != 0, t.intensity,
                          builder == Builder::current ? RoundCentre::half_pixel : RoundCentre::integer);
    }
}

}  // namespace

bool ShapeSource::held() const noexcept {
    const Buffer<uint8_t>& px = engine().brush_shape_source;
    return px && width > 0 && height > 0 && px.size() == static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
}

const ShapeSource& shape_source() noexcept { return source(); }

void set_brush_shape(const char* path, int32_t effect_value) { build_shape(path, effect_value, Builder::current); }

void set_brush_shape_original(const char* path, int32_t effect_value) {
    build_shape(path, effect_value, Builder::original);
}

void unload_brush_shape() noexcept {
    if (engine().brush_shape_source) release_source();
}

void build_round_shape(uint16_t* plane, size_t pitch, int32_t n, uint8_t softness, bool invert, float intensity,
                       RoundCentre centre) noexcept {
    if (!plane || n < 1) return;
    // All in 32-bit floats: radius and centre n/2 unrounded, rim width s,
    // inner radius ri. The integer variant measures from the integer centre
    // n / 2 to integer pixel positions.
    const float r = static_cast<float>(n) * 0.5f;
    const float s = static_cast<float>(softness) * (1.0f / 255.0f) * r;
    const float ri = r - s;
    const bool half = centre == RoundCentre::half_pixel;
    const float c = half ? r : static_cast<float>(n / 2);
    const float offset = half ? 0.5f : 0.0f;
    for (int32_t y = 0; y < n; ++y) {
        uint16_t* row = plane + static_cast<size_t>(y) * pitch;
        const float dy = static_cast<float>(y) + offset - c;
        for (int32_t x = 0; x < n; ++x) {
            const float dx = static_cast<float>(x) + offset - c;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d > r) {
                row[x] = 0;
                continue;
            }
            float v = 65535.0f;
            if (softness != 0 && d > ri) v = std::clamp((s - (d - ri)) / s * 65535.0f, 0.0f, 65535.0f);
            row[x] = scaled(invert ? std::fabs(v - 65535.0f) : v, intensity);
        }
    }
}

}  // namespace oka::brush
