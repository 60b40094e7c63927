// The one engine state: every plane, table and setting of the document
// lives here. All zero (null planes) when the library is loaded; exactly one
// document at a time. Subsystems whose state belongs to them alone keep it
// in their own module (history, brush, ...); this record holds the shared
// document fields.
#pragma once

#include <array>
#include <cstdint>

#include "engine/memory.h"

namespace oka {

constexpr int kLayerCount = 272;
constexpr int kTraceLayer = 0;
constexpr int kBackgroundLayer = 1;
constexpr int kGritBufferCount = 20;
constexpr int kBlendBufferMax = 20;
constexpr int kMaxCanvasEdge = 10000;
constexpr int kModeNameCapacity = 50;  // up to 49 characters + terminator

// One layer: an RGBA64 plane with its options. Also the paint layer record.
struct Layer {
    Buffer<uint16_t> pixels;  // width * height * 4 channels; empty = absent
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // width * 4, in 16-bit channel units
    uint8_t visible = 0;
    uint8_t alpha_locked = 0;
    uint16_t opacity = 0;   // 0..256
    uint16_t strength = 0;  // 0..255
    char mode_name[kModeNameCapacity] = {};
    int32_t mode = 0;
    int32_t ext_left = 0, ext_top = 0, ext_right = 0, ext_bottom = 0;

    bool present() const noexcept { return static_cast<bool>(pixels); }
};

// A non-owning view of an RGBA64 plane for kernels.
struct Rgba64View {
    uint16_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // in 16-bit channel units
    uint16_t* row(int32_t y) const noexcept { return data + static_cast<size_t>(y) * stride; }
};

struct RandomByteArray {
    Buffer<uint8_t> data;
    uint32_t modulus = 0;
    uint32_t seed = 0;
    size_t length = 0;
};

struct BlendBuffer {
    Buffer<uint16_t> pixels;  // N * N RGBA64
    int32_t stride = 0;       // N * 4
};

struct EngineState {
    // Document and view.
    void* host_window = nullptr;
    int32_t width = 0, height = 0;
    int32_t stride = 0;  // width * 4
    int32_t brush_max = 0;
    int32_t brush_stride = 0;  // N * 4
    int32_t reserved = 0;
    int32_t zoom = 0;
    float scale = 0.0f;
    int32_t offset_x = 0, offset_y = 0;

    // Layers.
    std::array<Layer, kLayerCount> layers;
    int32_t current_index = 0;
    Layer* current = nullptr;  // points at a table position
    int32_t top_index = 0;
    Layer* trace = nullptr;
    uint8_t tracing_mode = 0;

    // Selection and texture.
    Buffer<uint16_t> mask;
    int32_t mask_stride = 0;  // bytes: width * 2
    uint8_t mask_enabled = 0;
    Buffer<uint8_t> texture;

    // Undo back buffers (the history image) and the memory in use (KB).
    Buffer<uint16_t> undo_back_layer;
    Buffer<uint16_t> undo_back_mask;
    int32_t undo_memory_kb = 0;

    // Brush engine planes.
    Layer paint_layer;
    std::array<Buffer<uint8_t>, kGritBufferCount> grit;
    Buffer<uint16_t> brush_shape;
    Buffer<uint8_t> brush_shape_source;
    std::array<BlendBuffer, kBlendBufferMax> blend;
    int32_t blend_count = 0;
    BlendBuffer* blend_selected = nullptr;

    // Noise sources.
    RandomByteArray rand_a, rand_b;
    uint32_t random_seed = 0;

    // Effect working buffers (RGBA32 source/destination and 24-bit twins).
    Buffer<uint8_t> ipl_src32, ipl_dst32, ipl_src24, ipl_dst24;

    char start_dir[1024] = {};

    bool has_canvas_geometry(const Layer& l) const noexcept {
        return l.present() && l.width == width && l.height == height;
    }
    size_t canvas_pixels() const noexcept { return static_cast<size_t>(width) * static_cast<size_t>(height); }
};

EngineState& engine() noexcept;

// Layer by index, or nullptr when the index is outside 0..271.
inline Layer* layer_at(int32_t index) noexcept {
    if (index < 0 || index >= kLayerCount) return nullptr;
    return &engine().layers[static_cast<size_t>(index)];
}
// Layer by index only when it has pixels.
inline Layer* present_layer(int32_t index) noexcept {
    Layer* l = layer_at(index);
    return (l && l->present()) ? l : nullptr;
}
inline Layer* current_layer() noexcept {
    Layer* l = engine().current;
    return (l && l->present()) ? l : nullptr;
}
inline Rgba64View view_of(Layer& l) noexcept { return {l.pixels.data(), l.width, l.height, l.stride}; }

}  // namespace oka
