#include "engine/compositor.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <span>

#include "brush/merge_modes.h"
#include "engine/layer_modes.h"
#include "engine/layers.h"
#include "engine/pixel_rows.h"
#include "engine/pixel_transfer.h"

namespace oka {
namespace {

// Below this many pixels of work a call stays on the calling thread.
constexpr int64_t kParallelPixels = int64_t{1} << 16;

// A plane view that can be read: data, non-negative edges, and rows at
// least as long as the width (shorter strides would run past the last row).
bool usable(const Rgba64View& v) noexcept {
    return v.data && v.width > 0 && v.height > 0 && int64_t{v.stride} >= int64_t{v.width} * 4;
}

// One clipped merge. Row j of the rectangle reads src + j src_stride and
// writes dst + j dst_stride; the mask exists for the first mask_rows rows
// and, in each, the first mask_cols pixels (the parts of the source
// rectangle that lie inside the mask plane).
struct Plan {
    MergeRowFn fn = nullptr;
    const uint16_t* src = nullptr;
    const uint16_t* mask = nullptr;
    uint16_t* dst = nullptr;
    ptrdiff_t src_stride = 0, mask_stride = 0, dst_stride = 0;
    int32_t w = 0, h = 0;
    int32_t mask_rows = 0, mask_cols = 0;
    int32_t dst_row0 = 0;  // the destination plane row of rectangle row 0
    MergeRow proto;

    void run_row(int32_t j) const noexcept {
        MergeRow r = proto;
        r.src = src + j * src_stride;
        r.dst = dst + j * dst_stride;
        int32_t done = 0;
        if (mask && j < mask_rows) {
            r.mask = mask + j * mask_stride;
            r.n = mask_cols;
            fn(r);
            done = mask_cols;
        }
        if (done < w) {
            r.src += ptrdiff_t{done} * 4;
            r.dst += ptrdiff_t{done} * 4;
            r.mask = nullptr;
            r.n = w - done;
            fn(r);
        }
    }
    int64_t pixels() const noexcept { return int64_t{w} * h; }
};

// Byte span [first, last) that rows of a plan touch in one plane.
struct Span {
    const char* first = nullptr;
    const char* last = nullptr;
};
Span span_of(const uint16_t* p, ptrdiff_t stride, int32_t rows, int32_t w) noexcept {
    if (!p || rows <= 0 || w <= 0) return {};
    const uint16_t* end = p + (rows - 1) * stride + ptrdiff_t{w} * 4;
    return {reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(end)};
}
bool overlaps(Span a, Span b) noexcept { return a.first && b.first && a.first < b.last && b.first < a.last; }

// Rows may run in any order (and on any thread) when every pixel reads and
// writes only its own position: no plane read overlaps the destination,
// unless it is the destination itself, pixel for pixel.
bool rows_independent(const Plan& p, Span dst) noexcept {
    const auto same_pixels = [&](const uint16_t* q, ptrdiff_t stride) { return q == p.dst && stride == p.dst_stride; };
    if (overlaps(span_of(p.src, p.src_stride, p.h, p.w), dst) && !same_pixels(p.src, p.src_stride)) return false;
    if (overlaps(span_of(p.mask, p.mask_stride, p.mask_rows, p.mask_cols), dst) && !same_pixels(p.mask, p.mask_stride))
        return false;
    return true;
}

// Clip the merge to the source and destination planes and choose its row
// kernel. False when nothing is to be merged.
bool make_plan(const CompositeArgs& a, Plan& p) noexcept {
    if (!usable(a.src) || !usable(a.dst) || a.width <= 0 || a.height <= 0) return false;
    // Rectangle-relative bounds that stay inside both planes.
    const int64_t x0 = std::max({int64_t{0}, -int64_t{a.src_x}, -int64_t{a.dst_x}});
    const int64_t y0 = std::max({int64_t{0}, -int64_t{a.src_y}, -int64_t{a.dst_y}});
    const int64_t x1 = std::min({int64_t{a.width}, int64_t{a.src.width} - a.src_x, int64_t{a.dst.width} - a.dst_x});
    const int64_t y1 = std::min({int64_t{a.height}, int64_t{a.src.height} - a.src_y, int64_t{a.dst.height} - a.dst_y});
    if (x1 <= x0 || y1 <= y0) return false;
    const int64_t sx = a.src_x + x0, sy = a.src_y + y0, dx = a.dst_x + x0, dy = a.dst_y + y0;

    const MergeModeInfo& info = merge_mode_info(a.mode);
    p.fn = a.same_alpha ? info.same_alpha : info.composite;
    p.w = int32_t(x1 - x0);
    p.h = int32_t(y1 - y0);
    p.src_stride = a.src.stride;
    p.dst_stride = a.dst.stride;
    p.src = a.src.data + sy * p.src_stride + sx * 4;
    p.dst = a.dst.data + dy * p.dst_stride + dx * 4;
    p.dst_row0 = int32_t(dy);
    p.mask = nullptr;
    p.mask_rows = p.mask_cols = 0;
    if (a.mask_mode == kModeLayerMask && usable(a.mask)) {
        // The mask pixel of source pixel (sx + i, sy + j) is the mask plane's
        // pixel at the same coordinates; outside that plane nothing masks.
        const int64_t rows = std::clamp<int64_t>(a.mask.height - sy, 0, p.h);
        const int64_t cols = std::clamp<int64_t>(a.mask.width - sx, 0, p.w);
        if (rows > 0 && cols > 0) {
            p.mask_stride = a.mask.stride;
            p.mask = a.mask.data + sy * p.mask_stride + sx * 4;
            p.mask_rows = int32_t(rows);
            p.mask_cols = int32_t(cols);
        }
    }
    p.proto = MergeRow{};
    p.proto.strength = uint32_t(std::clamp(a.strength, 0, 255));
    p.proto.opacity = uint32_t(std::clamp(a.opacity, 0, 256));
    p.proto.omega = alpha_layer_opacity();
    p.proto.keep_alpha = a.keep_alpha;
    p.proto.in_order = !rows_independent(p, span_of(p.dst, p.dst_stride, p.h, p.w));
    return true;
}

// Destination rows [y0, y1): per row, `pre` (clearing, background), then
// each plan's row there, in plan order. A pixel's history is the same in
// any row order, so rows are shared among threads when that is safe.
template <class Pre>
void run_rows(std::span<const Plan> plans, int32_t y0, int32_t y1, Pre&& pre, bool parallel) noexcept {
#pragma omp parallel for schedule(static) if (parallel)
    for (int32_t y = y0; y < y1; ++y) {
        pre(y);
        for (const Plan& p : plans) {
            const int32_t j = y - p.dst_row0;
            if (j >= 0 && j < p.h) p.run_row(j);
        }
    }
}

// The merge of layer i's canvas rectangle into `out`, whose pixel (0, 0)
// is canvas pixel (x, y): the layer's mode and opacity, its mask layer,
// full strength, no alpha lock, no same-alpha rule.
bool layer_plan(int32_t i, Rgba64View out, int32_t x, int32_t y, int32_t w, int32_t h, Plan& p) noexcept {
    Layer* l = present_layer(i);
    if (!l) return false;
    CompositeArgs a;
    a.src = view_of(*l);
    a.src_x = x;
    a.src_y = y;
    a.width = w;
    a.height = h;
    if (Layer* m = present_layer(mask_layer_above(i)); m && m != l) {
        a.mask = view_of(*m);
        a.mask_mode = kModeLayerMask;
    }
    a.dst = out;
    a.mode = l->mode;
    a.opacity = l->opacity;
    return make_plan(a, p);
}

// A packed w x h host buffer as a plane; false when its row pitch does not fit.
bool host_view(uint16_t* dst, int32_t w, int32_t h, Rgba64View& v) noexcept {
    if (!dst || w <= 0 || h <= 0 || w > INT32_MAX / 4) return false;
    v = {dst, w, h, w * 4};
    return true;
}

}  // namespace

void composite(const CompositeArgs& args) noexcept {
    Plan p;
    if (!make_plan(args, p)) return;
    const bool parallel = p.pixels() >= kParallelPixels && !p.proto.in_order;
    run_rows(std::span<const Plan>(&p, 1), p.dst_row0, p.dst_row0 + p.h, [](int32_t) {}, parallel);
}

void merge_layer(int32_t a, int32_t b) noexcept {
    Layer* src = present_layer(a);
    Layer* dst = present_layer(b);
    if (!src || !dst) return;
    const EngineState& e = engine();
    CompositeArgs args;
    args.src = view_of(*src);
    args.width = e.width;
    args.height = e.height;
    if (Layer* m = present_layer(mask_layer_above(a)); m && m != src) {
        args.mask = view_of(*m);
        args.mask_mode = kModeLayerMask;
    }
    args.dst = view_of(*dst);
    args.mode = src->mode;
    args.opacity = src->opacity;
    args.same_alpha = src->mode == dst->mode && src->mode > 31;
    composite(args);
}

void merge_layer_into_rect(int32_t a, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept {
    Rgba64View out;
    Plan p;
    if (!host_view(dst, w, h, out) || !layer_plan(a, out, x, y, w, h, p)) return;
    const bool parallel = p.pixels() >= kParallelPixels && !p.proto.in_order;
    run_rows(std::span<const Plan>(&p, 1), p.dst_row0, p.dst_row0 + p.h, [](int32_t) {}, parallel);
}

void merge_layer_into(int32_t a, uint16_t* dst) noexcept {
    merge_layer_into_rect(a, dst, 0, 0, engine().width, engine().height);
}

void merge_rect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept {
    Rgba64View out;
    if (!host_view(dst, w, h, out)) return;
    const EngineState& e = engine();
    const ptrdiff_t row_bytes = ptrdiff_t{w} * 8;
    const bool background = e.layers[kBackgroundLayer].present() && e.layers[kBackgroundLayer].visible == 1;

    std::array<Plan, kLayerCount> plans;
    size_t n = 0;
    int64_t work = int64_t{w} * h;
    for (int32_t i = kBackgroundLayer + 1; i < kLayerCount; ++i) {
        const Layer& l = e.layers[size_t(i)];
        if (!l.present() || !l.visible) continue;
        if (layer_plan(i, out, x, y, w, h, plans[n])) work += plans[n++].pixels();
    }
    const std::span<const Plan> used(plans.data(), n);

    // Each output row: cleared, the background's row copied (not merged),
    // then every layer's row merged bottom to top.
    const auto base = [&](int32_t row) {
        uint8_t* d = reinterpret_cast<uint8_t*>(dst + ptrdiff_t{row} * out.stride);
        std::memset(d, 0, size_t(row_bytes));
        const int64_t canvas_row = int64_t{y} + row;  // rows past INT32_MAX lie outside every layer
        if (background && canvas_row <= INT32_MAX)
            get_rgba64_layer_rect(d, row_bytes, kBackgroundLayer, x, int32_t(canvas_row), w, 1);
    };

    // Working row by row keeps the output row in cache across the layers.
    // That order equals layer-by-layer order only when no plane read is the
    // output buffer itself; otherwise run the plain sequence.
    const Span dst_span = span_of(dst, out.stride, h, w);
    bool independent = true;
    if (background) {
        const Layer& bg = e.layers[kBackgroundLayer];
        independent = !overlaps(span_of(bg.pixels.data(), bg.stride, bg.height, bg.width), dst_span);
    }
    for (const Plan& p : used)
        independent = independent && !overlaps(span_of(p.src, p.src_stride, p.h, p.w), dst_span) &&
                      !overlaps(span_of(p.mask, p.mask_stride, p.mask_rows, p.mask_cols), dst_span);
    if (independent) {
        run_rows(used, 0, h, base, work >= kParallelPixels);
        return;
    }
    for (int32_t row = 0; row < h; ++row) base(row);
    for (const Plan& p : used)
        run_rows(std::span<const Plan>(&p, 1), p.dst_row0, p.dst_row0 + p.h, [](int32_t) {}, false);
}

void merge_document(uint16_t* dst) noexcept { merge_rect(dst, 0, 0, engine().width, engine().height); }

void merge_rgba32_layer(const uint8_t* picture, int32_t index, int32_t mode, int32_t opacity) {
    Layer* l = present_layer(index);
    const EngineState& e = engine();
    if (!picture || !l || e.width <= 0 || e.height <= 0) return;
    size_t n;
    if (!checked_mul3(size_t(e.width), size_t(e.height), 4, &n)) return;
    Buffer<uint16_t> plane = new_short_undo_reduce(n);
    if (!plane) return;
    const Rgba64View src{plane.data(), e.width, e.height, e.stride};
    const bool parallel = int64_t{e.width} * e.height >= kParallelPixels;
#pragma omp parallel for schedule(static) if (parallel)
    for (int32_t y = 0; y < e.height; ++y)
        widen_row_rgba32_to_rgba64(picture + ptrdiff_t{y} * e.stride, src.row(y), e.width);

    CompositeArgs args;
    args.src = src;
    args.width = e.width;
    args.height = e.height;
    args.dst = view_of(*l);
    args.mode = mode;
    args.opacity = opacity;
    args.same_alpha = mode == l->mode && mode >= 32;
    composite(args);
}

uint32_t color_at_merged(int32_t x, int32_t y) {
    const EngineState& e = engine();
    if (x < 0 || y < 0 || x >= e.width || y >= e.height) return 16777215u;
    Buffer<uint16_t> pixel = Buffer<uint16_t>::allocate(4);
    merge_rect(pixel.data(), x, y, 1, 1);
    return packed_argb_at(pixel.data(), 1, 1, 4, 0, 0);
}

}  // namespace oka
