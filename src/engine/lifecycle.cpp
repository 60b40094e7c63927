#include "engine/lifecycle.h"

#include <algorithm>
#include <cstring>

#include "brush/blend_buffers.h"
#include "engine/engine_state.h"
#include "engine/last_error.h"
#include "engine/random.h"
#include "history/undo_store.h"

namespace oka {

EngineState& engine() noexcept {
    static EngineState state;
    return state;
}

namespace {

// The brush edge N sizes N x N planes (blend buffers are N * N * 8 bytes
// each) and N * 4 strides held in 32-bit fields. It is kept to the canvas
// edge limit, 0..10000: a negative N has no meaning and becomes 0, and a
// larger one would only ask for tens of gigabytes.
int32_t clamp_brush_edge(int32_t n) noexcept { return std::clamp(n, 0, kMaxCanvasEdge); }

// Creation step 2: the stored geometry and the view reset.
void store_geometry(EngineState& e, void* host_window, int32_t width, int32_t height, int32_t brush_max,
                    int32_t reserved) {
    e.scale = 1.0f;
    e.width = width;
    e.stride = width * 4;
    e.host_window = host_window;
    e.height = height;
    e.brush_stride = brush_max * 4;
    e.brush_max = brush_max;
    e.reserved = reserved;
    e.zoom = 1;
    e.offset_x = 0;
    e.offset_y = 0;
}

// Creation steps 4 to 10: grit buffers, brush shape, blend buffers, mask,
// undo back buffers, history reset and the random arrays. Throws (through
// the allocating operator) and stops where it failed.
void build_planes(EngineState& e) {
    const size_t n = static_cast<size_t>(e.brush_max);
    const size_t grit_edge = n + 25;
    for (auto& g : e.grit) g = new_char_undo_reduce(grit_edge * grit_edge);

    e.brush_shape = Buffer<uint16_t>::allocate(n * n);

    brush::set_blend_buffer_count(1);

    const size_t pixels = e.canvas_pixels();
    e.mask = Buffer<uint16_t>::allocate(pixels);
    std::fill_n(e.mask.data(), pixels, uint16_t{65535});
    e.mask_stride = e.width * 2;
    e.mask_enabled = 1;
    e.tracing_mode = 0;

    e.undo_back_layer = Buffer<uint16_t>::allocate(pixels * 4);
    e.undo_back_mask = Buffer<uint16_t>::allocate(pixels);

    history::clear_undo();
    // The two back buffers cost 8 + 2 bytes per pixel.
    e.undo_memory_kb = static_cast<int32_t>(static_cast<int64_t>(e.width) * e.height * 10 / 1024);

    make_random_array(e.rand_a, 255, kRandomArrayLength);
    make_random_array(e.rand_b, 254, kRandomArrayLength);
}

// Resize step 2 and the first half of deletion, in the same order.
void release_planes(EngineState& e) {
    e.mask.reset();
    e.texture.reset();
    e.undo_back_layer.reset();
    e.undo_back_mask.reset();
    history::clear_undo();
    e.undo_memory_kb = 0;
    brush::set_blend_buffer_count(0);
    e.paint_layer.pixels.reset();
    e.brush_shape.reset();
    e.brush_shape_source.reset();
    for (auto& g : e.grit) g.reset();
    e.ipl_src32.reset();
    e.ipl_dst32.reset();
    e.ipl_src24.reset();
    e.ipl_dst24.reset();
}

}  // namespace

int32_t clamp_canvas_edge(int32_t v) noexcept { return (v < 0 || v > kMaxCanvasEdge) ? 100 : v; }

void make_random_array(RandomByteArray& a, uint32_t modulus, size_t length) {
    EngineState& e = engine();
    if (a.data && a.length == length && a.modulus == modulus && a.seed == e.random_seed) return;
    try {
        a.data.reset();
        rng_seed(e.random_seed);
        Buffer<uint8_t> fresh = Buffer<uint8_t>::allocate(length);
        uint8_t* p = fresh.data();
        // The calling thread's generator, stepped locally and stored back:
        // the same sequence without a thread-local lookup per byte.
        Lcg g{rng_state()};
        for (size_t i = 0; i < length; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(g.next()) % modulus);
        rng_seed(g.state);
        a.data = std::move(fresh);
        a.length = length;
        a.modulus = modulus;
        a.seed = e.random_seed;
    } catch (...) {
        set_last_error("MakeRandArrayByte Excpt");
    }
}

void create_image(void* host_window, int32_t width, int32_t height, int32_t brush_max, int32_t reserved) {
    EngineState& e = engine();
    width = clamp_canvas_edge(width);
    height = clamp_canvas_edge(height);
    brush_max = clamp_brush_edge(brush_max);
    // A host that creates over a live document gets the same clean slate as
    // after deletion: no plane of the old geometry (texture, paint layer,
    // blend buffers of the old N, ...) may survive into the new one, and a
    // creation that fails part-way leaves the later planes null.
    release_planes(e);
    store_geometry(e, host_window, width, height, brush_max, reserved);
    for (auto& l : e.layers) l.pixels.reset();
    e.current = nullptr;
    e.trace = &e.layers[kTraceLayer];
    // The trace reference is set with the mask (step 7); taking it before
    // the planes means a failed creation still leaves a valid reference.
    build_planes(e);
}

void new_size(void* host_window, int32_t width, int32_t height, int32_t brush_max, int32_t reserved) {
    EngineState& e = engine();
    width = clamp_canvas_edge(width);
    height = clamp_canvas_edge(height);
    brush_max = clamp_brush_edge(brush_max);
    e.height = height;
    e.host_window = host_window;
    e.width = width;
    release_planes(e);
    store_geometry(e, host_window, width, height, brush_max, reserved);
    // Layers keep their planes and sizes; the host recreates them.
    build_planes(e);
}

void delete_image() {
    EngineState& e = engine();
    release_planes(e);
    for (auto& l : e.layers) l.pixels.reset();
}

void set_random_seed(uint32_t seed) {
    engine().random_seed = seed;
    rng_seed(seed);
}

void set_start_dir(const char* path) {
    if (!path) return;
    EngineState& e = engine();
    const size_t n = strnlen(path, sizeof e.start_dir);
    if (n >= sizeof e.start_dir) return;  // 1024 or more characters: keep the old one
    std::memcpy(e.start_dir, path, n + 1);
}

}  // namespace oka
