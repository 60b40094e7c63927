#include "brush/tool_state.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "brush/brush_shape.h"
#include "brush/grit.h"
#include "engine/last_error.h"
#include "engine/lifecycle.h"
#include "engine/pixel_rows.h"
#include "engine/random.h"

namespace oka::brush {

namespace {

// Grit images are only read for windows below this edge.
constexpr int32_t kGritImageWindowLimit = 600;

// Host products truncate toward zero; out-of-range results saturate
// instead of being undefined.
int32_t trunc_to_int(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

bool longer_than_one(const char* s) noexcept { return s && s[0] && s[1]; }

Rgba16 widened(int32_t r, int32_t g, int32_t b) noexcept { return {widen8(r), widen8(g), widen8(b), 65535}; }

}  // namespace

ToolState& tool() noexcept {
    static ToolState state;
    return state;
}

int32_t ToolState::shape_size() const noexcept { return std::clamp(size, 0, std::max(engine().brush_max, 0)); }

const uint8_t* ToolState::grit_position() const noexcept {
    if (grit_buffer < 0 || grit_buffer >= kGritBufferCount) return nullptr;
    const Buffer<uint8_t>& b = engine().grit[static_cast<size_t>(grit_buffer)];
    if (!b || grit_offset >= b.size()) return nullptr;
    return b.data() + grit_offset;
}

void set_tool(const ToolArgs& a) {
    EngineState& e = engine();
    ToolState& t = tool();
    // 1. Grit and grit image offsets depend only on the seed and arguments.
    rng_seed(e.random_seed);

    // 2. Store.
    t.intensity = a.intensity;
    t.grit_cell_size = a.cell_size;
    t.grit_cell_threshold = a.cell_threshold;
    t.grit_fill_threshold = a.fill_threshold;
    t.edge_softness = static_cast<uint8_t>(a.edge_softness);
    t.colour_vary = a.colour_vary;
    t.drawing_length = a.drawing_length;
    t.blend_strength = a.blend_strength;
    t.primary_strength = a.primary_strength;
    t.blend_remix = static_cast<uint8_t>(a.remix);
    t.reserved1 = static_cast<uint8_t>(a.reserved1);
    t.invert_shape = static_cast<uint8_t>(a.invert);
    t.reserved2 = static_cast<uint8_t>(a.reserved2);
    t.shape_effect_value = a.effect_value;
    t.mix_type = kToolMixType;

    // 3. Grain from the random arrays.
    if (t.grit_cell_size != 0) {
        build_grit_from_random();
        t.drawing_counter = t.drawing_length;
    }

    // 4. Grain from an image; a failure here is silent and the rest goes on.
    if (longer_than_one(a.grit_image_path) && t.shape_size() + kGritMargin < kGritImageWindowLimit) {
        try {
            build_grit_from_image(a.grit_image_path);
        } catch (...) {
        }
    }

    // 5. Shape, with the shape builder's own failure message.
    try {
        set_brush_shape(a.shape_path, a.effect_value);
    } catch (...) {
        set_last_error("SetBrushShape Excpt");
    }

    // 6. Inverses, only for strengths above 0.
    if (t.blend_strength > 0) t.blend_inverse = 256 - t.blend_strength;
    if (t.primary_strength > 0) t.primary_inverse = 256 - t.primary_strength;

    // 7. One-dab flags.
    t.temp_blend_disable = 0;
    t.mask_maker = 0;
    t.erase = 0;
}

void set_colour(int32_t r, int32_t g, int32_t b) noexcept { tool().colour = widened(r, g, b); }

void set_colour16(int32_t r, int32_t g, int32_t b) noexcept {
    tool().colour = {static_cast<uint16_t>(r), static_cast<uint16_t>(g), static_cast<uint16_t>(b), 65535};
}

void set_colour_banks(const int32_t rgb[12]) noexcept {
    for (size_t k = 0; k < 4; ++k) tool().banks[k] = widened(rgb[k * 3], rgb[k * 3 + 1], rgb[k * 3 + 2]);
}

void set_size(int32_t n) noexcept {
    ToolState& t = tool();
    // The scale table describes at most 1000 columns, and the shape, grit
    // and blend planes of a live document are N wide.
    n = std::clamp(n, 0, kScaleTableSize);
    if (engine().brush_shape) n = std::min(n, std::max(engine().brush_max, 0));
    t.size = n;
    t.sampled_size = n;
    for (int32_t i = 0; i < n; ++i) t.scale[static_cast<size_t>(i)] = i;
}

void set_scale_size(int32_t s) noexcept {
    ToolState& t = tool();
    const int32_t n = t.size;
    if (s < 1) s = 1;
    if (s > n) s = n;
    if (s > kMaxSampledSize) s = kMaxSampledSize;
    t.sampled_size = s;  // 0 only for a brush of size 0, whose table is empty
    if (s < 1) return;
    // Entry i = trunc(step / 2 + i x step), accumulated in extended
    // precision: the sampled columns sit at the centres of s equal parts.
    const long double step = static_cast<long double>(n) / s;
    long double run = step / 2;
    for (int32_t i = 0; i < s; ++i, run += step) t.scale[static_cast<size_t>(i)] = static_cast<int32_t>(run);
}

void set_shape_blur(int32_t percent) noexcept { tool().shape_blur = percent; }

void set_blend_strength(int32_t s) noexcept {
    ToolState& t = tool();
    t.blend_strength = s;
    if (s > 0) t.blend_inverse = 256 - s;
}

void set_primary_strength(int32_t p) noexcept {
    ToolState& t = tool();
    t.primary_strength = p;
    if (p > 0) t.primary_inverse = 256 - p;
}

void set_blend_remix(int32_t flag) noexcept { tool().blend_remix = static_cast<uint8_t>(flag); }

void set_density(int32_t d) noexcept {
    tool().density = d == std::numeric_limits<int32_t>::min() ? d : d - 1;
}

void set_alpha(int32_t percent) noexcept {
    ToolState& t = tool();
    t.alpha_percent = percent;
    t.alpha_factor = trunc_to_int(percent * 1.28);
}

void set_colour_vary(int32_t v) noexcept { tool().colour_vary = v; }
void set_alpha_locked(int32_t flag) noexcept { tool().alpha_locked = flag; }
void set_colour_locked(int32_t flag) noexcept { tool().colour_locked = flag; }
void set_blob_locked(int32_t flag) noexcept { tool().blob_locked = flag; }
void set_alpha_level(uint32_t level) noexcept { tool().alpha_level = level; }
void set_image_brush_mode(int32_t flag) noexcept { tool().image_brush_mode = flag; }
void set_solid_mode(int32_t flag) noexcept { tool().solid_mode = flag; }

void set_rotate_mode(int32_t mode, int32_t degrees) noexcept {
    ToolState& t = tool();
    t.rotate_mode = mode;
    t.rotation_degrees = degrees;
    // The historical constant 3.14159, not pi: a quarter turn leaves a
    // cosine of about 1.3e-6.
    const double angle = degrees * (1.0 / 180.0) * 3.14159;
    t.angle = static_cast<float>(angle);
    t.sine = static_cast<float>(std::sin(angle));
    t.cosine = static_cast<float>(std::cos(angle));
}

void set_pix_colour_vary(int32_t v) {
    ToolState& t = tool();
    t.pix_colour_vary = v;
    if (v > 0) make_random_array(t.pix_colour_noise, 1000, static_cast<size_t>(std::max(engine().brush_max, 0)) * 3);
}

void set_pix_lum_vary(int32_t v) {
    ToolState& t = tool();
    t.pix_lum_vary = v;
    if (v > 0) make_random_array(t.pix_lum_noise, 256, static_cast<size_t>(std::max(engine().brush_max, 0)) * 3);
}

void dec_drawing_length() noexcept {
    ToolState& t = tool();
    if (t.drawing_counter > std::numeric_limits<int32_t>::min()) --t.drawing_counter;
}

void temp_disable_blend() noexcept { tool().temp_blend_disable = 1; }
void set_mask_maker_on() noexcept { tool().mask_maker = 1; }
void set_erase_mode_on() noexcept { tool().erase = 1; }

}  // namespace oka::brush
