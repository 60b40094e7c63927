// Merge modes: the per-pixel rules by which a source colour with an alpha is
// combined with a destination RGBA64 pixel, and the preparations that turn
// the alpha modes (32..53) into one of those rules.
//
// One table covers every mode number. Each entry carries the row kernels
// built for it from its rule and its preparation, so callers choose a kernel
// once per call (or per row) and never dispatch per pixel: the compositor,
// OKA_MergePixel, and the renderer all run these kernels.
//
// Arithmetic conventions: a colour channel c stands for c / 65280 (65280 is
// full intensity, the widened 255), an alpha A for A / 65535.
#pragma once

#include <cstdint>
#include <span>

namespace oka {

// The alpha layer opacity: the alpha several alpha modes give the source in
// place of its own. 65535 at load.
void set_alpha_layer_opacity(int32_t percent) noexcept;
uint16_t alpha_layer_opacity() noexcept;

// One run of a merge: n source pixels onto n destination pixels, both RGBA64
// and packed. `mask`, when set, holds n mask-layer pixels beside the source.
struct MergeRow {
    const uint16_t* src = nullptr;
    const uint16_t* mask = nullptr;
    uint16_t* dst = nullptr;
    int32_t n = 0;
    // Source alpha scale before the preparation: a := ((strength + 1) a) >> 8.
    uint32_t strength = 255;
    // Alpha scale after the preparation, applied only below 255:
    // A := ((opacity + 1) A) >> 8 (255 and 256 both mean full).
    uint32_t opacity = 256;
    uint16_t omega = 65535;  // alpha layer opacity for the preparations
    bool keep_alpha = false;  // destination alpha is never written
    // Merge each pixel before reading the next: needed only when the row's
    // source or mask overlaps its destination at another position.
    bool in_order = false;
};
using MergeRowFn = void (*)(const MergeRow&) noexcept;

// Result alpha of a rule: a + d - a d ("union"), a + d, or d.
enum class MergeAlpha : uint8_t { Union, Sum, Dest };

struct MergeModeInfo {
    int32_t number;
    int32_t rule;          // merge rule (0..30) that follows the preparation
    MergeAlpha alpha;      // that rule's result alpha
    MergeRowFn composite;  // the compositor's kernel
    MergeRowFn same_alpha; // compositor kernel when both layers share this alpha mode
    MergeRowFn pixel;      // OKA_MergePixel's kernel (differs for 40 and 41)
};

// Every mode in number order: 0..30, then 32..53.
std::span<const MergeModeInfo> merge_mode_table() noexcept;
bool is_merge_mode_number(int32_t mode) noexcept;
// The entry of a mode; any number outside the table merges as 0 ("Normal").
const MergeModeInfo& merge_mode_info(int32_t mode) noexcept;

// ---- For the view renderer, which accumulates the document per pixel in
// floating point over many layers ----
// The alpha-mode preparation of `mode` applied in place to a layer pixel
// (R, G, B, A) with alpha layer opacity omega. Returns the merge rule that
// follows: the mode itself for merge modes, 28 for 40 and 41, 0 for every
// other alpha mode and for numbers outside the table.
int32_t prepare_render_pixel(int32_t mode, uint32_t px[4], uint32_t omega) noexcept;
// Blend a layer pixel px (R, G, B, A, 16-bit; after preparation and
// opacity) onto a straight, not premultiplied, accumulated pixel acc
// (colour 1.0 = 65280, alpha 1.0 = 65535; acc alpha above 0) by the
// formulas of merge rule `rule` (0..30; others blend as 0). The result
// alpha is clamped to 0..1, each colour is divided by it and clamped.
void blend_render_float(int32_t rule, const uint32_t px[4], float acc[4]) noexcept;

// Row form of the two calls above, for callers that choose the mode once
// per row. The rule that follows `mode`'s preparation (as
// prepare_render_pixel returns it) and the preparation itself: null for
// the merge modes and for numbers outside the table, which need none.
using RenderPrepFn = int32_t (*)(uint32_t* px, uint32_t omega) noexcept;
int32_t render_rule(int32_t mode) noexcept;
RenderPrepFn render_preparation(int32_t mode) noexcept;
// blend_render_float over pixels begin .. end - 1 (within kRenderChunk) of
// a chunk held as planes: s (R, G, B, A layer pixels, 0..65535; signed, as
// they convert to doubles in one vector instruction), acc (accumulated R,
// G, B, A); the results go to out. Each out pixel equals what
// blend_render_float gives for that pixel where its acc alpha is above 0;
// elsewhere it is unspecified (and the caller discards it).
constexpr int32_t kRenderChunk = 256;
struct RenderBlendChunk {
    alignas(64) int32_t s[4][kRenderChunk];
    alignas(64) float acc[4][kRenderChunk];
    alignas(64) float out[4][kRenderChunk];
};
void blend_render_chunk(int32_t rule, RenderBlendChunk& chunk, int32_t begin, int32_t end) noexcept;

// OKA_MergePixel: merge (sr, sg, sb) with alpha sa into the destination
// pixel. Channels are taken in 0..65535 and strength in 0..255; values
// outside are clamped. Only channels whose value changes are written, and
// the alpha never when keep_alpha is set. Null pointers do nothing.
void merge_pixel(int32_t* dr, int32_t* dg, int32_t* db, int32_t* da, int32_t sr, int32_t sg, int32_t sb, int32_t sa,
                 int32_t mode, int32_t strength, bool keep_alpha) noexcept;

}  // namespace oka
