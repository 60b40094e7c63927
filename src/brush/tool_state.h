// Tool state: everything the host says about the brush before a stroke.
//
// One record, `tool()`, owned by the brush module. The dab rasteriser, the
// blend buffers, image brushes, the view renderer and the script host read
// it; only the setters below, the shape and grit builders, and the few
// fields a dab is allowed to move (brush colour, grit position, drawing-
// length counter, one-dab flags) write it. Settings survive document
// creation, resizing and deletion; the planes they describe (the brush
// shape plane and the grit buffers) live in the engine state and are rebuilt
// by set_tool() / set_brush_shape().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/engine_state.h"

namespace oka::brush {

// Largest brush edge the scale table can describe.
constexpr int32_t kScaleTableSize = 1000;
constexpr int32_t kMaxSampledSize = 999;
// Random window a dab may shift inside a grit buffer, in each direction.
constexpr int32_t kGritMargin = 25;
// The default mix type every set_tool() selects.
constexpr uint32_t kToolMixType = 32;

struct Rgba16 {
    uint16_t r = 0, g = 0, b = 0, a = 0;
};

struct ToolState {
    // --- Colours -------------------------------------------------------
    Rgba16 colour;                  // brush colour; a is always 65535
    std::array<Rgba16, 4> banks{};  // colour banks 1..4 at index 0..3, a = 65535

    // --- Size and sampling ---------------------------------------------
    // Brush edge n in pixels, 0..1000, and, while a document exists, never
    // above its maximum brush edge N at the time it was set. Readers that
    // index N-square planes use shape_size(), which also covers a document
    // created afterwards with a smaller N.
    int32_t size = 0;
    // Edge n' of a dab on the canvas: 0..n (1..999 after set_scale_size).
    int32_t sampled_size = 0;
    // scale[i], i < sampled_size: the shape column (and row) that dab column
    // (row) i samples; always below size.
    std::array<int32_t, kScaleTableSize> scale{};

    // --- Shape ---------------------------------------------------------
    float intensity = 0.0f;         // factor on every shape value when built
    uint8_t edge_softness = 0;      // soft rim width, value/255 of the radius
    uint8_t invert_shape = 0;       // non-zero: round shape is 65535 - v inside
    int32_t shape_effect_value = 0; // strength of the shape image effect
    int32_t shape_blur = 0;         // percent; 0 = sharp resample of shape image

    // --- Grit ----------------------------------------------------------
    int32_t grit_cell_size = 0;       // 0 = grit off: nothing built, switched or tested
    int32_t grit_cell_threshold = 0;  // a cell is drawn when its byte is below this
    int32_t grit_fill_threshold = 0;  // a cell pixel is set when its byte is below this
    int32_t density = 0;              // a dab skips pixels whose grit value is above this
    int32_t drawing_length = 0;       // dabs a grit buffer serves before another is picked
    int32_t drawing_counter = 0;      // dabs left on the current grit buffer
    // Current grit position: buffer index (0..19) and the offset inside it
    // that the dab reads shape index 0 from (row offset * N + column offset).
    int32_t grit_buffer = 0;
    size_t grit_offset = 0;

    // --- Colour variation ----------------------------------------------
    int32_t colour_vary = 0;          // per-dab random offset range (x 256)
    int32_t pix_colour_vary = 0;      // per-pixel colour offset range
    RandomByteArray pix_colour_noise; // modulus 1000 (low byte kept), length 3N
    int32_t pix_lum_vary = 0;         // per-pixel lighten/darken range
    RandomByteArray pix_lum_noise;    // modulus 256, length 3N

    // --- Smudging ------------------------------------------------------
    int32_t blend_strength = 0;    // 0..256; 0 = paint the plain colour
    int32_t blend_inverse = 0;     // 256 - blend strength, kept while strength is 0
    int32_t primary_strength = 0;  // 0..256, brush colour mixed into smudge colour
    int32_t primary_inverse = 0;   // 256 - primary strength, kept while it is 0
    uint8_t blend_remix = 0;       // non-zero: smudging dab writes back to its buffer
    // Colour operation of dabs and blend-buffer mixing; set_tool() selects
    // 32, the mix-mode setter of the blend buffers chooses the others.
    uint32_t mix_type = 0;

    // --- Alpha, locks and modes ------------------------------------------
    int32_t alpha_percent = 0;
    int32_t alpha_factor = 0;  // trunc(percent x 1.28): 128 at 100
    int32_t alpha_locked = 0;  // engine-wide alpha lock
    int32_t colour_locked = 0; // dabs change alpha only
    int32_t blob_locked = 0;   // alpha written only where both alphas exceed 8191
    uint32_t alpha_level = 0;  // above 0: the alpha every painted pixel gets
    int32_t image_brush_mode = 0;
    int32_t solid_mode = 0;    // every covered pixel gets full coverage

    // --- Rotation --------------------------------------------------------
    int32_t rotate_mode = 0;       // 1 rotates the shape sampling
    int32_t rotation_degrees = 0;
    float angle = 0.0f;            // radians, degrees x (1/180) x 3.14159
    float sine = 0.0f, cosine = 0.0f;

    // --- One-dab flags ---------------------------------------------------
    uint8_t temp_blend_disable = 0;
    uint8_t mask_maker = 0;
    uint8_t erase = 0;

    // Stored and never read: two argument bytes of set_tool().
    uint8_t reserved1 = 0, reserved2 = 0;

    // Brush edge that fits the engine's N-square planes: min(size, N).
    int32_t shape_size() const noexcept;
    // First byte a dab reads from the current grit buffer, or nullptr when
    // that buffer is not allocated.
    const uint8_t* grit_position() const noexcept;
};

ToolState& tool() noexcept;

// ---- Setters (one per export; each stores what its name says) ----------

struct ToolArgs {
    float intensity = 1.0f;
    int32_t cell_size = 0, cell_threshold = 0, fill_threshold = 0;
    int32_t edge_softness = 0, colour_vary = 0, drawing_length = 0;
    int32_t blend_strength = 0, primary_strength = 0, remix = 0;
    int32_t reserved1 = 0, invert = 0, reserved2 = 0;
    const char* grit_image_path = nullptr;
    const char* shape_path = nullptr;
    int32_t effect_value = 0;
};

// The main tool call: reseed, store, grit from the random arrays, grit
// from an image, shape, inverses, clear the one-dab flags.
void set_tool(const ToolArgs& args);

void set_colour(int32_t r, int32_t g, int32_t b) noexcept;
void set_colour16(int32_t r, int32_t g, int32_t b) noexcept;
void set_colour_banks(const int32_t rgb[12]) noexcept;
void set_size(int32_t n) noexcept;
void set_scale_size(int32_t s) noexcept;
void set_shape_blur(int32_t percent) noexcept;
void set_blend_strength(int32_t s) noexcept;
void set_primary_strength(int32_t p) noexcept;
void set_blend_remix(int32_t flag) noexcept;
void set_density(int32_t d) noexcept;
void set_alpha(int32_t percent) noexcept;
void set_colour_vary(int32_t v) noexcept;
void set_alpha_locked(int32_t flag) noexcept;
void set_colour_locked(int32_t flag) noexcept;
void set_blob_locked(int32_t flag) noexcept;
void set_alpha_level(uint32_t level) noexcept;
void set_image_brush_mode(int32_t flag) noexcept;
void set_solid_mode(int32_t flag) noexcept;
void set_rotate_mode(int32_t mode, int32_t degrees) noexcept;
void set_pix_colour_vary(int32_t v);
void set_pix_lum_vary(int32_t v);
void dec_drawing_length() noexcept;
void temp_disable_blend() noexcept;
void set_mask_maker_on() noexcept;
void set_erase_mode_on() noexcept;

}  // namespace oka::brush
