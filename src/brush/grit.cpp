// Grit buffers from the random arrays or from a grey image.
//
// From the random arrays (cell size c, thresholds tc and tf, window edge
// m = n + 25, array length L): for every row of cells r0 = 0, c, 2c, ...
// below m, two generator outputs u1, u2 place a cursor a = u1 x ((L - 2c) /
// 32767) into array A and b = u2 x ((L - c) / 32767) into array B (unsigned,
// truncating). Along the row, each cell reads one byte of A; below tc the
// cell is drawn with the value v = next byte of B, and each of its pixels
// inside the window reads one more byte of A and takes v when that byte is
// below tf. Undrawn pixels stay 255; A holds 0..254 and B 0..253, so drawn
// pixels are 0..253.
//
// Cursors wrap at the array's end: for large cells the row's reads can run
// past the last byte, and a wrapped read keeps the fill inside the array.
#include "brush/grit.h"

#include <algorithm>
#include <cstring>

#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/random.h"
#include "imaging/decode.h"
#include "imaging/image_ops.h"

namespace oka::brush {

namespace {

constexpr int32_t kTileField = 600;

struct Cursor {
    const uint8_t* data;
    size_t length;
    size_t pos;
    uint8_t next() noexcept {
        const uint8_t v = data[pos];
        if (++pos == length) pos = 0;
        return v;
    }
};

void finish_build(ToolState& t) noexcept {
    t.grit_buffer = kGritBufferCount - 1;
    t.grit_offset = 0;
}

}  // namespace

void build_grit_from_random() {
    EngineState& e = engine();
    ToolState& t = tool();
    const RandomByteArray& A = e.rand_a;
    const RandomByteArray& B = e.rand_b;
    if (!A.data || !B.data || A.length == 0 || B.length == 0) return;

    const int64_t c = t.grit_cell_size;
    const int64_t m = int64_t{t.shape_size()} + kGritMargin;
    const size_t pitch = static_cast<size_t>(e.brush_max);
    const int32_t tc = t.grit_cell_threshold, tf = t.grit_fill_threshold;
    // The cursor strides, in the array's unsigned 32-bit arithmetic.
    const uint32_t stride_a = static_cast<uint32_t>(A.length - 2 * static_cast<uint64_t>(c)) / 32767u;
    const uint32_t stride_b = static_cast<uint32_t>(B.length - static_cast<uint64_t>(c)) / 32767u;

    for (auto& buffer : e.grit) {
        uint8_t* buf = buffer.data();
        // Every write lands below (m - 1) x pitch + m; a buffer allocated
        // for another N is left alone rather than overrun.
        if (buf && static_cast<uint64_t>(m - 1) * pitch + static_cast<uint64_t>(m) > buffer.size()) buf = nullptr;
        if (buffer) std::memset(buffer.data(), 255, buffer.size());
        // A negative cell size would never end the row loop: it draws no cells.
        if (c <= 0) continue;
        for (int64_t r0 = 0; r0 < m; r0 += c) {
            const uint32_t u1 = static_cast<uint32_t>(rng_next());
            Cursor a{A.data.data(), A.length, (u1 * stride_a) % A.length};
            const uint32_t u2 = static_cast<uint32_t>(rng_next());
            Cursor b{B.data.data(), B.length, (u2 * stride_b) % B.length};
            const int64_t rows = std::min(c, m - r0);
            for (int64_t c0 = 0; c0 < m; c0 += c) {
                if (a.next() >= tc) continue;
                const uint8_t v = b.next();
                const int64_t cols = std::min(c, m - c0);
                for (int64_t i = 0; i < rows; ++i) {
                    uint8_t* out = buf ? buf + static_cast<size_t>(r0 + i) * pitch + static_cast<size_t>(c0) : nullptr;
                    for (int64_t j = 0; j < cols; ++j)
                        if (a.next() < tf && out) out[j] = v;
                }
            }
        }
    }
    finish_build(t);
}

void fill_grit_from_grey(const uint8_t* g, int32_t w, int32_t h) {
    if (!g || w < 1 || h < 1) return;
    EngineState& e = engine();
    ToolState& t = tool();
    const int32_t n = t.shape_size();
    const int32_t m = n + kGritMargin;
    const size_t pitch = static_cast<size_t>(e.brush_max);
    const int32_t edge = std::min<int32_t>(m, e.brush_max);  // the overlay clips to N x N
    for (auto& buffer : e.grit) {
        int32_t x0 = 0, y0 = 0;
        if (w > m) x0 = rng_next() % (w - m);
        if (h > m) y0 = rng_next() % (h - m);
        if (!buffer) continue;
        std::memset(buffer.data(), 255, buffer.size());
        if (static_cast<size_t>(edge) * pitch > buffer.size()) continue;
        for (int32_t y = 0; y < edge; ++y) {
            // Rows and columns beyond a small image repeat its last ones.
            const uint8_t* src = g + static_cast<size_t>(std::min(y0 + y, h - 1)) * static_cast<size_t>(w);
            uint8_t* out = buffer.data() + static_cast<size_t>(y) * pitch;
            const int32_t inside = std::clamp(w - x0, 0, edge);
            std::memcpy(out, src + x0, static_cast<size_t>(inside));
            if (inside < edge) std::memset(out + inside, src[w - 1], static_cast<size_t>(edge - inside));
        }
    }
    t.drawing_counter = t.drawing_length;
    finish_build(t);
}

bool fill_grit_from_tile(const uint8_t* rgba, int32_t w, int32_t h) {
    if (!rgba || w < 1 || h < 1) return false;
    const size_t field_pixels = size_t{kTileField} * kTileField;
    Buffer<uint8_t> field = new_char_undo_reduce(field_pixels * 4);
    Buffer<uint8_t> grey = new_char_undo_reduce(field_pixels);
    if (!field || !grey) return false;
    std::memset(field.data(), 0, field.size());
    for (int32_t x = 0; x < kTileField; x += w)
        for (int32_t y = 0; y < kTileField; y += h)
            imaging::overlay(field.data(), kTileField, kTileField, 4, size_t{kTileField} * 4, rgba, w, h,
                             static_cast<size_t>(w) * 4, x, y, 1.0);
    imaging::to_grey8(field.data(), kTileField, kTileField, 4, size_t{kTileField} * 4, grey.data(), kTileField);
    fill_grit_from_grey(grey.data(), kTileField, kTileField);
    return true;
}

bool build_grit_from_image(const char* path) {
    if (!path) return false;
    // A stored effect chain is rendered and tiled; a script that loaded
    // ends here whether or not the rest succeeded.
    imaging::DecodeResult script = imaging::decode_image_script(path);
    if (script.ok()) return fill_grit_from_tile(script.image.pixels.data(), script.image.width, script.image.height);

    imaging::DecodeResult file = imaging::decode_file(path);
    if (!file.ok()) return false;
    const int32_t w = file.image.width, h = file.image.height;
    Buffer<uint8_t> grey = new_char_undo_reduce(static_cast<size_t>(w) * static_cast<size_t>(h));
    if (!grey) return false;
    imaging::to_grey8(file.image.pixels.data(), w, h, 4, file.image.stride(), grey.data(), static_cast<size_t>(w));
    file.image = imaging::Rgba32Image{};  // the colour copy is not needed any more
    fill_grit_from_grey(grey.data(), w, h);
    return true;
}

}  // namespace oka::brush
