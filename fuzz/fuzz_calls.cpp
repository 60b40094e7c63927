// The whole call surface: the input bytes choose a sequence of exports and
// their arguments, as a careless host might. Documents up to a few hundred
// pixels, any layer index (out of range included), any mode name or number,
// rectangles and dabs anywhere, random tool settings, blend buffers, masks,
// undo and redo, and pixel transfers with host buffers allocated here of
// exactly the size the public header documents for the arguments given, so
// that the address sanitizer sees any access outside them.
//
// Checks:
//   - after every call, cheap invariants of the engine state (current layer,
//     layer count, undo counts, the last-error text, the memory counter);
//   - after the sequence (and wherever the input asks for it), a fixed
//     probe: every setting is put back through the exports, a small document
//     is painted, undone, redone, merged and moved through the compressed
//     transfer, and the probe's observations must equal those of the same
//     probe on the engine as loaded. The probe also checks itself (undo
//     restores what the save saw, the compressed copy equals its source);
//   - after the probe the engine releases everything: the counted memory
//     must come back to what it was after the first probe.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "brush/tool_state.h"
#include "display/renderer.h"
#include "engine/engine_state.h"
#include "engine/layer_modes.h"
#include "engine/memory.h"
#include "fuzz_support.h"
#include "okacore.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fuzz::Input;

// Every input runs under this engine memory limit, so that an absurd size
// fails in the engine's own accounting rather than in the process.
constexpr int32_t kFuzzLimitMB = 192;
constexpr int32_t kMaxDocEdge = 320;
constexpr int32_t kMaxBrush = 64;

// ---- Files the tool setters can read ---------------------------------------

struct Files {
    std::string shape_png, grit_png, shape_tga, missing, directory;
};

Files& files() {
    static Files f;
    return f;
}

void write_png(const std::string& path, int w, int h, bool grey) {
    Bytes px(static_cast<size_t>(w) * h * (grey ? 1 : 4));
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 53 + (i / w) * 17);
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    im.width = static_cast<png_uint_32>(w);
    im.height = static_cast<png_uint_32>(h);
    im.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGBA;
    png_image_write_to_file(&im, path.c_str(), 0, px.data(), 0, nullptr);
}

void make_files() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "okacore_fuzz_calls";
    fs::create_directories(dir);
    Files& f = files();
    f.directory = dir.string();
    f.shape_png = (dir / "shape.png").string();
    f.grit_png = (dir / "grit.png").string();
    f.shape_tga = (dir / "shape.tga").string();
    f.missing = (dir / "missing.png").string();
    write_png(f.shape_png, 13, 9, true);
    write_png(f.grit_png, 40, 31, false);
    // A 3 x 2 grey TGA.
    const uint8_t tga[] = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20, 0, 128, 255, 64, 200, 10};
    if (std::FILE* out = std::fopen(f.shape_tga.c_str(), "wb")) {
        std::fwrite(tga, 1, sizeof tga, out);
        std::fclose(out);
    }
}

const char* path_arg(Input& in) {
    const Files& f = files();
    switch (in.u8() % 7) {
        case 0: return f.shape_png.c_str();
        case 1: return f.grit_png.c_str();
        case 2: return f.shape_tga.c_str();
        case 3: return f.missing.c_str();
        case 4: return f.directory.c_str();
        case 5: return "";
        default: return nullptr;
    }
}

// ---- Arguments ----------------------------------------------------------------

const char* mode_name(Input& in) {
    static const char kLong[] = "Normal-Normal-Normal-Normal-Normal-Normal-Normal-Normal";
    const auto table = oka::layer_mode_table();
    const uint8_t k = in.u8();
    if (k < 200) return table[k % table.size()].name;
    switch (k % 5) {
        case 0: return nullptr;
        case 1: return "";
        case 2: return "normal";
        case 3: return kLong;
        default: return "Multiply ";
    }
}

int32_t layer_index(Input& in) {
    switch (in.u8() % 10) {
        case 0: return in.range(0, 271);
        case 1: return in.flag() ? -1 : 272;
        case 2: return in.i32();
        case 3: return oka::engine().current_index;
        default: return in.range(0, 5);
    }
}

int32_t canvas_w() { return oka::engine().width; }
int32_t canvas_h() { return oka::engine().height; }

// A coordinate around an extent: mostly inside or near, sometimes extreme.
int32_t coord(Input& in, int32_t extent) {
    switch (in.u8() % 12) {
        case 0: return in.i32();
        case 1: return std::numeric_limits<int32_t>::min() + in.range(0, 3);
        case 2: return std::numeric_limits<int32_t>::max() - in.range(0, 3);
        default: return in.range(-70, extent + 70);
    }
}

// A rectangle edge for a host buffer: the buffer is sized by it, so it stays
// modest, but zero and negative values come up.
int32_t edge(Input& in) {
    switch (in.u8() % 10) {
        case 0: return -in.range(1, 5);
        case 1: return 0;
        default: return in.range(1, 80);
    }
}

int32_t colour16(Input& in) {
    switch (in.u8() % 8) {
        case 0: return in.i32();
        case 1: return 65535;
        default: return in.u16();
    }
}

int32_t colour8(Input& in) { return in.u8() % 8 == 0 ? in.i32() : in.u8(); }

float tool_float(Input& in) {
    switch (in.u8() % 10) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -3.5f;
        case 3: return 1e30f;
        default: return static_cast<float>(in.u8()) / 64.0f;
    }
}

double tolerance_double(Input& in) {
    switch (in.u8() % 8) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return -1.0;
        case 2: return 1e300;
        default: return in.u8() / 200.0;
    }
}

// ---- Host buffers -------------------------------------------------------------

// A host buffer of exactly n bytes with contents from the input; sometimes
// the host passes null instead.
struct HostBuf {
    Bytes bytes;
    bool null = false;
    uint8_t* p() { return null || bytes.empty() ? nullptr : bytes.data(); }
};

HostBuf host_buffer(Input& in, int64_t n) {
    HostBuf b;
    b.null = in.u8() % 24 == 0;
    if (n <= 0) return b;
    b.bytes.resize(static_cast<size_t>(n));
    const uint8_t kind = in.u8();
    const uint8_t seed = in.u8();
    for (size_t i = 0; i < b.bytes.size(); ++i) {
        switch (kind % 4) {
            case 0: b.bytes[i] = seed; break;
            case 1: b.bytes[i] = static_cast<uint8_t>(i * seed + (i >> 7)); break;
            case 2: b.bytes[i] = (i & 3) == 3 ? 255 : static_cast<uint8_t>(i * 7 + seed); break;
            default: b.bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> (seed % 24)); break;
        }
    }
    return b;
}

// Row stride in bytes for rows of row_bytes: the packed size or a little
// padding, a multiple of align (16-bit rows keep their channels aligned).
int32_t stride_for(Input& in, int64_t row_bytes, int32_t align = 1) {
    const int32_t pad = in.u8() % 4 == 0 ? in.range(1, 24) : 0;
    return static_cast<int32_t>(row_bytes + pad * align);
}

// A canvas-sized buffer of rows of bpp-byte pixels with its stride.
struct Picture {
    HostBuf buf;
    int32_t stride = 0;
};

Picture canvas_picture(Input& in, int32_t bpp) {
    Picture p;
    p.stride = stride_for(in, int64_t{canvas_w()} * bpp, bpp == 8 ? 8 : 1);
    p.buf = host_buffer(in, int64_t{p.stride} * canvas_h());
    return p;
}

Picture packed_picture(Input& in, int32_t w, int32_t h, int32_t bpp) {
    Picture p;
    p.stride = w * bpp;
    p.buf = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * bpp);
    return p;
}

// An RGB24 picture of the layer's own size (the RGBA32 loads of the current
// layer), with its stride.
Picture current_layer_picture(Input& in, int32_t bpp) {
    const oka::Layer* l = oka::current_layer();
    Picture p;
    const int32_t w = l ? l->width : 0, h = l ? l->height : 0;
    p.stride = stride_for(in, int64_t{w} * bpp);
    p.buf = host_buffer(in, int64_t{p.stride} * h);
    return p;
}

// A run stream holding enough records for count pixels (the row decoders
// trust the host for that): fuzz records, then full runs.
Bytes run_stream(Input& in, int32_t count, size_t record) {
    Bytes s;
    const int n = in.u8() % 8;
    for (int i = 0; i < n; ++i)
        for (size_t b = 0; b < record; ++b) s.push_back(in.u8());
    for (int32_t i = 0; i <= std::max(count, 0) / 255; ++i) {
        s.push_back(255);
        for (size_t b = 1; b < record; ++b) s.push_back(in.u8());
    }
    return s;
}

// ---- Invariants after every call ---------------------------------------------

void check_invariants() {
    const oka::EngineState& e = oka::engine();
    const char* err = OKA_GetLastError();
    FUZZ_CHECK(err && std::memchr(err, 0, 512) != nullptr, "last-error text not terminated");
    const int32_t current = OKA_GetLayerNum();
    FUZZ_CHECK(current >= 0 && current < oka::kLayerCount, "current layer %d", current);
    FUZZ_CHECK(e.current == nullptr || e.current == &e.layers[static_cast<size_t>(current)],
               "current layer record is not the current index's");
    int32_t present = 0;
    for (const oka::Layer& l : e.layers) {
        if (!l.present()) continue;
        ++present;
        FUZZ_CHECK(l.pixels.size() == static_cast<size_t>(l.width) * l.height * 4, "layer plane %zu for %dx%d",
                   l.pixels.size(), l.width, l.height);
        FUZZ_CHECK(l.stride == std::min<int64_t>(int64_t{l.width} * 4, INT32_MAX), "layer stride");
    }
    FUZZ_CHECK(OKA_GetLayerCount() == present, "layer count %d, present %d", OKA_GetLayerCount(), present);
    const int32_t can_undo = OKA_CanUndo(), can_redo = OKA_CanRedo();
    FUZZ_CHECK((can_undo | can_redo) <= 1 && can_undo >= 0 && can_redo >= 0, "undo flags");
    const int64_t steps = OKA_GetUndoCount(), redo = OKA_GetRedoCount();
    FUZZ_CHECK(steps >= 0 && steps <= 500 && redo <= steps, "undo count %lld, redo count %lld",
               static_cast<long long>(steps), static_cast<long long>(redo));
    FUZZ_CHECK(can_redo == (redo > 0 ? 1 : 0), "can redo %d with %lld redo steps", can_redo, static_cast<long long>(redo));
    if (e.paint_layer.present())
        FUZZ_CHECK(e.paint_layer.pixels.size() == static_cast<size_t>(e.paint_layer.width) * e.paint_layer.height * 4,
                   "paint layer plane");
    if (e.blend_selected) FUZZ_CHECK(e.blend_selected >= &e.blend[0] && e.blend_selected < &e.blend[0] + e.blend_count,
                                     "selected blend buffer outside the count");
    // Pickers agree with each other on the current layer.
    const int32_t x = canvas_w() / 2, y = canvas_h() / 2;
    const uint32_t rgba = OKA_GetRGBAAtSurface(x, y);
    if (oka::current_layer() && x < oka::current_layer()->width && y < oka::current_layer()->height)
        FUZZ_CHECK(rgba >> 24 == static_cast<uint32_t>(OKA_GetRed64(x, y)) >> 8, "pickers disagree on red");
}

// ---- The probe ---------------------------------------------------------------

// Every setting back to one fixed state, through the exports.
void reset_settings() {
    OKA_SetMemoryLimitMB(kFuzzLimitMB);
    OKA_ResumeUndo();
    OKA_DeletePaintLayer();
    OKA_DeleteTexture();
    OKA_SetBlendBufferCount(0);
    OKA_UnloadBrushShape();
    OKA_DeleteImage();
    OKA_SetRandomSeed(1);
    for (int32_t i = 0; i < oka::kLayerCount; ++i) OKA_SetLayerOptions(i, 1, 0, 100, "Normal");
    OKA_SetAlphaLayerOpacity(100);
    OKA_SetScale(1, 1.0f);
    OKA_SetViewSize(0, 0);
    OKA_SetOffset(0, 0);
    OKA_SetAOI(0, 0, 0, 0);
    OKA_SetTracingMode(0);
    OKA_SetMaskOptions(255, 0, 0, 0, 0, 255, 0);
    OKA_DisplayMask(0);
    OKA_EnableMask(1);
    OKA_SetColor(0, 0, 0);
    OKA_SetColorBanks(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    OKA_SetSize(0);
    OKA_SetShapeBlur(0);
    OKA_SetBlendStrength(256);
    OKA_SetBlendStrength(0);
    OKA_SetBlendPrimaryColorStrength(256);
    OKA_SetBlendPrimaryColorStrength(0);
    OKA_SetBlendRemix(0);
    OKA_SetDensity(256);
    OKA_SetAlpha(100);
    OKA_SetColorVary(0);
    OKA_SetAlphaLocked(0);
    OKA_SetColorLocked(0);
    OKA_SetBlobLocked(0);
    OKA_SetAlphaLevel(0);
    OKA_SetImageBrushMode(0);
    OKA_SetSolidBrushMode(0);
    OKA_SetRotateBrushMode(0, 0);
    OKA_SetPixColorVary(0);
    OKA_SetPixLumVary(0);
    OKA_SetMixMode(32, 0);
    OKA_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
    OKA_SetUndoMB(64);
    OKA_SetUndoLevels(20);
    OKA_SetLastError("");
}

uint64_t layer_hash(int32_t layer, uint64_t h) {
    const oka::Layer* l = oka::present_layer(layer);
    Bytes px(l ? l->pixels.bytes() : 0);
    if (!px.empty()) OKA_GetLayerData(px.data(), layer);
    return fuzz::hash_bytes(px.data(), px.size(), h);
}

// A small document painted, undone, redone, merged and copied. Returns a
// hash of everything it saw.
uint64_t probe() {
    reset_settings();
    constexpr int32_t W = 40, H = 30;
    OKA_CreateImage(nullptr, W, H, 16, 0);
    FUZZ_CHECK(canvas_w() == W && canvas_h() == H, "probe canvas %dx%d", canvas_w(), canvas_h());
    FUZZ_CHECK(OKA_CreateLayer(1, W, H) == 1 && OKA_CreateLayer(2, W, H) == 1 && OKA_CreateLayer(3, W, H) == 1,
               "probe layers");
    FUZZ_CHECK(OKA_GetLayerCount() == 3, "probe layer count %d", OKA_GetLayerCount());
    OKA_SetLayer(2);
    FUZZ_CHECK(OKA_GetLayerNum() == 2, "probe current layer");
    FUZZ_CHECK(OKA_GetColorAtLayer(5, 5, 1) == 0xFFFFFFFFu, "background %08x", OKA_GetColorAtLayer(5, 5, 1));
    FUZZ_CHECK(OKA_CanUndo() == 0 && OKA_GetUndoCount() == 0, "probe history not empty");

    uint64_t h = 0;
    // A stroke through the paint layer.
    OKA_SetSize(9);
    OKA_SetTool(1.0f, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
    OKA_SetColor(200, 40, 10);
    FUZZ_CHECK(OKA_CreatePaintLayer(100, 100, "Normal") == 0, "paint layer mode");
    OKA_DrawDabGrit(10, 10, 200 << 8, 40 << 8, 10 << 8);
    OKA_DrawDabGrit(14, 12, 200 << 8, 40 << 8, 10 << 8);
    OKA_DrawDabGrit(W - 2, H - 1, 200 << 8, 40 << 8, 10 << 8);
    OKA_MergePaintLayer(2);
    const uint64_t painted = layer_hash(2, 0);
    FUZZ_CHECK(OKA_GetAlpha64(10, 10) > 0, "the stroke left no paint");
    OKA_SaveUndoBuffer(1, 1);
    FUZZ_CHECK(OKA_CanUndo() == 1, "no undo step after the save");

    // A load, saved as a second step.
    Bytes img(static_cast<size_t>(20) * 10 * 4);
    for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 13);
    OKA_LoadRGBA32Layer(img.data(), 20 * 4, 2, 5, 5, 20, 10, 0);
    OKA_InvalidateDirtyUndoCanvas();
    OKA_SaveUndoBuffer(1, 0);
    const uint64_t loaded = layer_hash(2, 0);
    FUZZ_CHECK(loaded != painted, "the load changed nothing");
    OKA_Undo();
    FUZZ_CHECK(layer_hash(2, 0) == painted, "undo did not restore the stroke");
    OKA_Redo();
    FUZZ_CHECK(layer_hash(2, 0) == loaded, "redo did not restore the load");
    h = fuzz::hash_bytes(&painted, sizeof painted, h);
    h = fuzz::hash_bytes(&loaded, sizeof loaded, h);

    // The mask: a mask dab, then a masked fill.
    OKA_ClearMask(0, 0, 0);
    OKA_SetMaskMakerOn();
    OKA_DrawDabGritMask(20, 15);
    Bytes mask(static_cast<size_t>(W) * H * 2);
    OKA_GetMaskData16(mask.data());
    h = fuzz::hash_bytes(mask.data(), mask.size(), h);
    OKA_SetLayer(3);
    OKA_ClearMasked(0, 90, 200, 255);
    h = layer_hash(3, h);

    // Blend buffers.
    OKA_SetBlendBufferCount(2);
    OKA_SelectBlendBuffer(1);
    OKA_CopyBlendBufferLayer(2, 12, 12, 64);
    OKA_MixBlendBufferLayer(3, 18, 14, 128);
    const oka::BlendBuffer* bb = oka::engine().blend_selected;
    FUZZ_CHECK(bb && bb->pixels, "no blend buffer");
    h = fuzz::hash_bytes(bb->pixels.data(), bb->pixels.bytes(), h);

    // The merged document.
    std::vector<uint16_t> merged(static_cast<size_t>(W) * H * 4);
    OKA_Merge(merged.data());
    h = fuzz::hash_bytes(merged.data(), merged.size() * 2, h);

    // The view: one to one, reduced and magnified, with the stroke in
    // progress and the mask tint.
    OKA_CreatePaintLayer(50, 100, "Multiply");
    OKA_DrawDabGrit(25, 20, 0, 0, 65280);
    OKA_DisplayMask(1);
    OKA_SetViewSize(W * 2, H * 2);
    Bytes view(static_cast<size_t>(W) * 2 * H * 2 * 3);
    const float scales[][2] = {{1, 1.0f}, {1, 2.5f}, {2, 1.0f}};
    for (const auto& zs : scales) {
        OKA_SetScale(static_cast<int32_t>(zs[0]), zs[1]);
        FUZZ_CHECK(OKA_Render(view.data(), W * 2 * 3, 0, 0, W, H) == 1, "render");
        h = fuzz::hash_bytes(view.data(), view.size(), h);
    }
    OKA_DisplayMask(0);
    OKA_DeletePaintLayer();

    // Compressed copy of layer 2 into layer 3.
    Bytes z(static_cast<size_t>(W) * H * 8);
    const int32_t zn = OKA_GetRGBA32LayerCompressed(z.data(), 0, static_cast<int32_t>(z.size()), 2, 6);
    FUZZ_CHECK(zn > 0, "compression failed");
    FUZZ_CHECK(OKA_LoadRGBA32LayerCompressed(z.data(), 0, zn, 3) == 1, "compressed load failed");
    Bytes a(static_cast<size_t>(W) * H * 4), b(a.size());
    OKA_GetRGBA32Layer(a.data(), W * 4, 2);
    OKA_GetRGBA32Layer(b.data(), W * 4, 3);
    FUZZ_CHECK(a == b, "compressed copy differs from its source");
    h = fuzz::hash_bytes(a.data(), a.size(), h);
    const char* err = OKA_GetLastError();
    FUZZ_CHECK(err[0] == '\0', "probe failure: %s", err);
    reset_settings();
    return h;
}

// Counted memory the engine still holds once everything was released. The
// per-pixel noise arrays belong to the tool settings, which outlive every
// document; they are one array of each kind at most and are left out.
size_t retained_memory() {
    const oka::brush::ToolState& t = oka::brush::tool();
    return oka::memory_in_use() - t.pix_colour_noise.data.bytes() - t.pix_lum_noise.data.bytes();
}

struct Reference {
    uint64_t probe = 0;
    size_t memory = 0;
};

Reference& reference() {
    static Reference r;
    return r;
}

void full_check() {
    const uint64_t h = probe();
    FUZZ_CHECK(h == reference().probe, "the probe saw something else than on a fresh engine");
    FUZZ_CHECK(retained_memory() == reference().memory, "counted memory after release: %zu, fresh %zu",
               retained_memory(), reference().memory);
}

// ---- The calls ---------------------------------------------------------------

void call_one(Input& in) {
    const uint8_t op = in.u8();
    switch (op % 100) {
        // Document and memory.
        case 0: {
            int32_t w = in.range(0, kMaxDocEdge), h = in.range(0, kMaxDocEdge);
            // Tiny canvases (0 included) are where edge arithmetic breaks.
            if (in.u8() % 4 == 0) w = in.range(0, 3), h = in.range(0, 3);
            if (in.u8() % 8 == 0) w = in.flag() ? -5 : 10001;
            if (in.u8() % 8 == 0) h = in.flag() ? std::numeric_limits<int32_t>::min() : 20000;
            const int32_t n = in.u8() % 8 == 0 ? in.i32() : in.range(0, kMaxBrush);
            if (in.flag()) OKA_NewSize(nullptr, w, h, n, in.i32());
            else OKA_CreateImage(nullptr, w, h, n, in.i32());
            break;
        }
        case 1: OKA_DeleteImage(); break;
        case 2: OKA_SetMemoryLimitMB(in.range(1, kFuzzLimitMB)); break;
        case 3: OKA_SetRandomSeed(in.u32()); break;
        case 4: {
            void* p = OKA_Alloc(in.range(-8, 4096));
            if (p) OKA_Memcpy(p, &op, 1);
            OKA_Free(p);
            break;
        }
        // Layers.
        case 5:
        case 6: {
            const int32_t layer = layer_index(in);
            int32_t w = canvas_w(), h = canvas_h();
            switch (in.u8() % 6) {
                case 0: w = in.range(0, kMaxDocEdge); h = in.range(0, kMaxDocEdge); break;
                case 3: w = in.range(0, 3); h = in.range(0, 3); break;
                case 1: w = -in.range(1, 9); break;
                case 2: w = 1 << in.range(14, 30); h = 1 << in.range(10, 30); break;
                default: break;
            }
            OKA_CreateLayer(layer, w, h);
            break;
        }
        case 7: OKA_DeleteLayer(layer_index(in)); break;
        case 8: OKA_SetLayer(layer_index(in)); break;
        case 9: {
            const int32_t layer = layer_index(in);
            const uint8_t visible = in.u8(), locked = in.u8() % 4 == 0;
            const int32_t opacity = in.u8() % 8 == 0 ? in.i32() : in.range(0, 100);
            OKA_SetLayerOptions(layer, visible, locked, opacity, mode_name(in));
            break;
        }
        case 10: OKA_SwapLayers(layer_index(in), layer_index(in)); break;
        case 11: OKA_CreateTexture(layer_index(in)); break;
        case 12: OKA_DeleteTexture(); break;
        case 13: {
            int32_t l, t, r, b;
            OKA_FindDataExtentsLayer(layer_index(in), &l, &t, &r, &b);
            OKA_IsLayerTransparent(layer_index(in));
            OKA_IsSingleColor(layer_index(in));
            break;
        }
        // Tool state.
        case 14: {
            const float intensity = tool_float(in);
            int32_t v[12];
            for (int32_t& x : v) x = in.u8() % 8 == 0 ? in.i32() : in.range(0, 40);
            v[0] = in.u8() % 3 == 0 ? 0 : in.range(0, 12);  // cell size
            v[7] = in.u8() % 8 == 0 ? v[7] : in.range(0, 256);  // blend strength
            v[8] = in.u8() % 8 == 0 ? v[8] : in.range(0, 256);  // primary strength
            const char* grit = path_arg(in);
            const char* shape = path_arg(in);
            OKA_SetTool(intensity, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11],
                        grit, shape, in.u8() % 4 == 0 ? in.i32() : in.range(0, 100));
            break;
        }
        case 15: OKA_SetSize(in.u8() % 8 == 0 ? in.i32() : in.range(0, kMaxBrush + 8)); break;
        case 16: OKA_SetScaleSize(in.u8() % 8 == 0 ? in.i32() : in.range(0, kMaxBrush)); break;
        case 17: OKA_SetColor(colour8(in), colour8(in), colour8(in)); break;
        case 18: OKA_SetColor16(colour16(in), colour16(in), colour16(in)); break;
        case 19: {
            int32_t c[12];
            for (int32_t& x : c) x = colour8(in);
            OKA_SetColorBanks(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11]);
            break;
        }
        case 20: {
            const int32_t v = in.u8() % 8 == 0 ? in.i32() : in.range(0, 300);
            switch (in.u8() % 12) {
                case 0: OKA_SetShapeBlur(v); break;
                case 1: OKA_SetBlendStrength(v); break;
                case 2: OKA_SetBlendPrimaryColorStrength(v); break;
                case 3: OKA_SetBlendRemix(v); break;
                case 4: OKA_SetDensity(v); break;
                case 5: OKA_SetAlpha(v); break;
                case 6: OKA_SetColorVary(in.flag() ? v : v % 301 * 64); break;
                case 7: OKA_SetAlphaLevel(static_cast<uint32_t>(v) * 218u); break;  // unsigned: wraps
                case 8: OKA_SetPixColorVary(v); break;
                case 9: OKA_SetPixLumVary(v); break;
                case 10: OKA_SetRotateBrushMode(in.range(0, 2), in.u8() % 4 == 0 ? in.i32() : in.range(-720, 720)); break;
                default: OKA_SetAlphaLayerOpacity(v); break;
            }
            break;
        }
        case 21: {
            const int32_t v = in.u8() % 3;
            switch (in.u8() % 10) {
                case 0: OKA_SetAlphaLocked(v); break;
                case 1: OKA_SetColorLocked(v); break;
                case 2: OKA_SetBlobLocked(v); break;
                case 3: OKA_SetImageBrushMode(v); break;
                case 4: OKA_SetSolidBrushMode(v); break;
                case 5: OKA_DecDrawingLength(); break;
                case 6: OKA_TempDisableBlend(); break;
                case 7: OKA_SetMaskMakerOn(); break;
                case 8: OKA_SetEraseModeOn(); break;
                default: OKA_SetMixMode(in.u8() % 4 == 0 ? in.u32() : in.range(0, 64), in.u8() % 8 == 0 ? in.u32() : in.u8()); break;
            }
            break;
        }
        case 22: {
            const char* path = path_arg(in);
            const int32_t effect = in.u8() % 4 == 0 ? in.i32() : in.range(0, 100);
            switch (in.u8() % 3) {
                case 0: OKA_SetBrushShape(path, effect); break;
                case 1: OKA_SetBrushShape_ORIGINAL(path, effect); break;
                default: OKA_UnloadBrushShape(); break;
            }
            break;
        }
        // Dabs and the paint layer.
        case 23:
        case 24:
        case 25:
        case 26: {
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            OKA_DrawDabGrit(x, y, colour16(in), colour16(in), colour16(in));
            break;
        }
        case 27: OKA_DrawDabGritMask(coord(in, canvas_w()), coord(in, canvas_h())); break;
        case 28: {
            const int32_t opacity = in.u8() % 8 == 0 ? in.i32() : in.range(0, 100);
            const int32_t strength = in.u8() % 8 == 0 ? in.i32() : in.range(0, 100);
            OKA_CreatePaintLayer(opacity, strength, mode_name(in));
            break;
        }
        case 29: OKA_ClearPaintLayer(); break;
        case 30: OKA_ClearPaintLayer_old(); break;
        case 31: OKA_MergePaintLayer(layer_index(in)); break;
        case 32:
            OKA_SetPaintLayerExtents(coord(in, canvas_w()), coord(in, canvas_h()), coord(in, canvas_w()),
                                     coord(in, canvas_h()));
            break;
        case 33: OKA_SwapPaintLayer(layer_index(in)); break;
        case 34: OKA_DeletePaintLayer(); break;
        case 35: OKA_BlurPaintLayerAlpha(); break;
        // Blend buffers.
        case 36: OKA_SetBlendBufferCount(in.u8() % 8 == 0 ? in.i32() : in.range(0, 6)); break;
        case 37: OKA_SelectBlendBuffer(in.u8() % 8 == 0 ? in.i32() : in.range(-1, 6)); break;
        case 38: {
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            const int32_t weight = in.u8() % 8 == 0 ? in.i32() : in.range(0, 256);
            switch (in.u8() % 8) {
                case 0: {
                    HostBuf plane = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 8);
                    OKA_DoCopyBlendBuffer(x, y, plane.p(), weight, in.u8());
                    break;
                }
                case 1: OKA_CopyBlendBufferSurface(x, y, weight, in.u8()); break;
                case 2: OKA_CopyBlendBufferLayer(layer_index(in), x, y, weight); break;
                case 3: OKA_CopyBlendBufferHistory(x, y, weight); break;
                case 4: OKA_CopyBlendBufferUnderLayer(x, y, weight); break;
                case 5: OKA_CopyBlendBufferTrace(x, y, weight); break;
                default: OKA_DoCopyBlendBufferMask(x, y, weight); break;
            }
            break;
        }
        case 39: {
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            const int32_t s = in.u8() % 8 == 0 ? in.i32() : in.range(0, 256);
            switch (in.u8() % 7) {
                case 0: {
                    HostBuf plane = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 8);
                    OKA_DoMixBlendBuffer(x, y, plane.p(), s);
                    break;
                }
                case 1: OKA_MixBlendBufferSurface(x, y, s); break;
                case 2: OKA_MixBlendBufferLayer(layer_index(in), x, y, s); break;
                case 3: OKA_MixBlendBufferHistory(x, y, s); break;
                case 4: OKA_MixBlendBufferUnderLayer(x, y, s); break;
                case 5: OKA_MixBlendBufferTrace(x, y, s); break;
                default:
                    OKA_DoColorBlendBuffer(x, y, colour8(in), colour8(in), colour8(in), in.i32(), s);
                    break;
            }
            break;
        }
        case 40: {
            switch (in.u8() % 3) {
                case 0: OKA_ClearBlendBuffer(); break;
                case 1: OKA_FillBlendBuffer(in.i32(), in.i32(), in.range(-2, 300), in.range(-2, 300)); break;
                default:
                    OKA_FilterBlendBuffer(in.u8() % 8 == 0 ? in.i32() : in.range(287, 293),
                                          in.u8() % 8 == 0 ? in.i32() : in.range(0, 100));
                    break;
            }
            break;
        }
        // Pixel transfer: fills and alpha edits.
        case 41: {
            const int32_t r = colour8(in), g = colour8(in), b = colour8(in), a = colour8(in);
            switch (in.u8() % 4) {
                case 0: OKA_Clear(r, g, b, a); break;
                case 1: OKA_ClearMasked(r, g, b, a); break;
                case 2: OKA_ClearMaskedAlpha(r, g, b, a); break;
                default: OKA_SetColorAlpha(r, g, b); break;
            }
            break;
        }
        case 42: {
            const int32_t layer = layer_index(in);
            switch (in.u8() % 3) {
                case 0: OKA_InvertAlpha(layer); break;
                case 1: OKA_SetLayerAlpha(layer, colour16(in)); break;
                default: OKA_NormalizeLayerAlpha(layer); break;
            }
            break;
        }
        case 43: {
            switch (in.u8() % 7) {
                case 0: {
                    Picture p = canvas_picture(in, 8);
                    OKA_ClearRGBA64(p.buf.p(), p.stride, colour16(in), colour16(in), colour16(in), colour16(in));
                    break;
                }
                case 1: {
                    Picture p = canvas_picture(in, 4);
                    OKA_ClearRGBA32(p.buf.p(), p.stride, colour8(in), colour8(in), colour8(in), colour8(in));
                    break;
                }
                case 2: {
                    const int32_t w = edge(in), h = edge(in);
                    Picture p = packed_picture(in, w, h, 4);
                    OKA_ClearRGBA32Buf(p.buf.p(), w, h, colour8(in), colour8(in), colour8(in), colour8(in));
                    break;
                }
                case 3: {
                    HostBuf p = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 4);
                    OKA_InvertAlpha_RGBA32(p.p());
                    break;
                }
                case 4: {
                    const int32_t w = edge(in), h = edge(in);
                    Picture p = packed_picture(in, w, h, 4);
                    if (in.flag()) OKA_SetColorAlphaRGBABuf(p.buf.p(), w, h, colour8(in), colour8(in), colour8(in));
                    else OKA_SetColorRGBABuf(p.buf.p(), w, h, colour8(in), colour8(in), colour8(in));
                    break;
                }
                case 5: {
                    HostBuf p = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 4);
                    OKA_SetAlphaFromRGBAImageColor(p.p(), colour8(in), colour8(in), colour8(in));
                    break;
                }
                default: {
                    Picture p = canvas_picture(in, 3);
                    OKA_SetPixelRGB24(p.buf.p(), p.stride, coord(in, canvas_w()), coord(in, canvas_h()), colour16(in),
                                      colour16(in), colour16(in));
                    break;
                }
            }
            break;
        }
        // Layers to host buffers.
        case 44: {
            const int32_t layer = layer_index(in);
            switch (in.u8() % 7) {
                case 0: { Picture p = canvas_picture(in, 4); OKA_GetRGBA32Layer(p.buf.p(), p.stride, layer); break; }
                case 1: { Picture p = canvas_picture(in, 8); OKA_GetRGBA64Layer(p.buf.p(), p.stride, layer); break; }
                case 2: { Picture p = canvas_picture(in, 3); OKA_GetRGB24(p.buf.p(), p.stride); break; }
                case 3: { Picture p = canvas_picture(in, 3); OKA_GetRGB24Layer(p.buf.p(), p.stride, layer); break; }
                case 4: { Picture p = canvas_picture(in, 3); OKA_GetRGB24FromAlpha(p.buf.p(), p.stride); break; }
                case 5: { Picture p = canvas_picture(in, 4); OKA_GetRGBA32(p.buf.p(), p.stride); break; }
                default: {
                    const oka::Layer* l = oka::present_layer(layer);
                    HostBuf p = host_buffer(in, l ? int64_t{l->width} * l->height * 8 : 0);
                    OKA_GetLayerData(p.p(), layer);
                    break;
                }
            }
            break;
        }
        case 45: {
            const int32_t layer = layer_index(in);
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h()), w = edge(in), h = edge(in);
            const int32_t stride = stride_for(in, int64_t{std::max(w, 0)} * 8, 8);
            HostBuf p = host_buffer(in, int64_t{stride} * std::max(h, 0));
            OKA_GetRGBA64LayerRect(p.p(), stride, layer, x, y, w, h);
            break;
        }
        // Host buffers to layers.
        case 46: {
            const int32_t layer = layer_index(in);
            switch (in.u8() % 3) {
                case 0: { Picture p = canvas_picture(in, 8); OKA_SetRGBA64Layer(p.buf.p(), p.stride, layer); break; }
                case 1: {
                    const oka::Layer* l = oka::present_layer(layer);
                    HostBuf p = host_buffer(in, l ? int64_t{l->width} * l->height * 8 : 0);
                    OKA_SetLayerData(p.p(), layer);
                    break;
                }
                default: OKA_CopyLayerData(layer, layer_index(in)); break;
            }
            break;
        }
        case 47: {
            const int32_t weighted = in.u8() % 3;
            switch (in.u8() % 5) {
                case 0: {
                    const int32_t w = edge(in) * 4, h = edge(in) * 4;
                    const int32_t stride = stride_for(in, int64_t{std::max(w, 0)} * 3);
                    HostBuf p = host_buffer(in, int64_t{stride} * std::max(h, 0));
                    OKA_Load(p.p(), stride, w, h);
                    break;
                }
                case 1: { Picture p = canvas_picture(in, 3); OKA_LoadRGB24(p.buf.p(), p.stride, weighted); break; }
                case 2: { Picture p = canvas_picture(in, 3); OKA_LoadRGB24ToAlpha(p.buf.p(), p.stride, weighted); break; }
                case 3: { Picture p = current_layer_picture(in, 4); OKA_LoadRGBA32(p.buf.p(), p.stride, weighted); break; }
                default: {
                    Picture p = canvas_picture(in, 4);
                    OKA_MergeRGBA32Layer(p.buf.p(), layer_index(in), in.u8() % 8 == 0 ? in.i32() : in.range(0, 60),
                                         in.u8() % 8 == 0 ? in.i32() : in.u8());
                    break;
                }
            }
            break;
        }
        case 48: {
            const int32_t layer = layer_index(in);
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h()), w = edge(in) * 2, h = edge(in) * 2;
            const int32_t stride = stride_for(in, int64_t{std::max(w, 0)} * 4);
            HostBuf p = host_buffer(in, int64_t{stride} * std::max(h, 0));
            if (in.flag()) OKA_LoadRGBA32Layer(p.p(), stride, layer, x, y, w, h, in.u8() % 3);
            else OKA_LoadRGBA32Into(p.p(), stride, layer, x, y, w, h);
            break;
        }
        case 49: {
            // Compressed transfers: from a layer, then into one.
            const int32_t from = layer_index(in), to = layer_index(in);
            const int32_t capacity = in.u8() % 4 == 0 ? in.range(0, 64) : canvas_w() * canvas_h() * 5 + 64;
            HostBuf z = host_buffer(in, capacity);
            const int32_t n = OKA_GetRGBA32LayerCompressed(z.p(), 0, capacity, from, in.range(-2, 10));
            FUZZ_CHECK(n >= 0 && n <= std::max(capacity, 0), "compressed size %d for capacity %d", n, capacity);
            if (n > 0 && in.flag()) z.bytes[in.u16() % n] ^= 0x5A;
            const int32_t cut = n > 0 && in.u8() % 4 == 0 ? in.range(0, n) : n;
            const int32_t r = OKA_LoadRGBA32LayerCompressed(z.p(), 0, cut, to);
            FUZZ_CHECK(r == 0 || r == 1, "load result %d", r);
            break;
        }
        // Host-to-host narrowing.
        case 50: {
            const int32_t w = edge(in), h = edge(in);
            const int32_t s_stride = stride_for(in, int64_t{std::max(w, 0)} * 8, 8);
            const int32_t bpp = in.flag() ? 4 : 3;
            const int32_t d_stride = stride_for(in, int64_t{std::max(w, 0)} * bpp);
            HostBuf src = host_buffer(in, int64_t{s_stride} * std::max(h, 0));
            HostBuf dst = host_buffer(in, int64_t{d_stride} * std::max(h, 0));
            const int32_t x = in.i32(), y = in.i32();
            if (bpp == 3) OKA_GetRGB24FromRGBA64Rect(dst.p(), d_stride, src.p(), s_stride, x, y, w, h);
            else if (in.flag()) OKA_GetRGBA32FromRGBA64Rect(dst.p(), d_stride, src.p(), s_stride, x, y, w, h);
            else OKA_GetRGBA32FromRGBA64(dst.p(), d_stride, w, h, src.p(), s_stride);
            break;
        }
        case 51: {
            Picture src = canvas_picture(in, 8);
            Picture dst = canvas_picture(in, 3);
            OKA_GetRGB24FromRGBA64(dst.buf.p(), dst.stride, src.buf.p(), src.stride);
            break;
        }
        case 52: {
            // Canvas-geometry plane, clipped rectangle, packed RGBA32 out.
            const int32_t stride_px = canvas_w() + (in.u8() % 4 == 0 ? in.range(1, 8) : 0);
            HostBuf src = host_buffer(in, int64_t{stride_px} * canvas_h() * 8);
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h()), w = edge(in), h = edge(in);
            HostBuf dst = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * 4);
            OKA_RGBA64RectToRGBA32(src.p(), x, y, w, h, stride_px, in.i32(), dst.p());
            break;
        }
        case 53: {
            // Not clipped: the source holds the rectangle.
            const int32_t x = in.range(0, 40), y = in.range(0, 40), w = edge(in), h = edge(in);
            const int32_t stride_px = x + std::max(w, 0) + in.range(0, 8);
            HostBuf src = host_buffer(in, int64_t{stride_px} * (y + std::max(h, 0)) * 8);
            HostBuf dst = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * 3);
            OKA_RGBA64RectToRGBA24(src.p(), x, y, w, h, stride_px, in.i32(), dst.p());
            break;
        }
        // Pickers.
        case 54: {
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            switch (in.u8() % 8) {
                case 0: OKA_GetRed64(x, y); OKA_GetGreen64(x, y); OKA_GetBlue64(x, y); OKA_GetAlpha64(x, y); break;
                case 1: OKA_GetMask64(x, y); break;
                case 2: {
                    HostBuf p = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 8);
                    OKA_GetRGBAAt(x, y, p.p());
                    OKA_GetColorAt(x, y, p.p());
                    break;
                }
                case 3: OKA_GetRGBAAtSurface(x, y); OKA_GetColorAtSurface(x, y); break;
                case 4: OKA_GetRGBAAtUnderLayer(x, y); OKA_GetColorAtUnderLayer(x, y); break;
                case 5: OKA_GetRGBAAtLayer(x, y, layer_index(in)); OKA_GetColorAtLayer(x, y, layer_index(in)); break;
                case 6: OKA_GetRGBAAtTrace(x, y); OKA_GetColorAtTrace(x, y); OKA_GetColorAtHistory(x, y); break;
                default: OKA_GetColorAtMerged(x, y); break;
            }
            break;
        }
        // Row transfers.
        case 55: {
            const int32_t layer = layer_index(in), row = coord(in, canvas_h());
            HostBuf dst = host_buffer(in, int64_t{canvas_w()} * 5);
            const int32_t n = OKA_GetRGBA32LayerLineRLE(dst.p(), layer, row);
            FUZZ_CHECK(n >= 0 && n <= canvas_w() * 5, "row stream of %d bytes", n);
            // Either a fuzz stream or the one just read (which covers only the
            // layer's part of the row: full runs make up the rest).
            Bytes s = run_stream(in, canvas_w(), 5);
            if (n > 0 && in.flag()) s.insert(s.begin(), dst.bytes.begin(), dst.bytes.begin() + n);
            OKA_PutRGBA32LayerLineRLE(s.data(), layer_index(in), coord(in, canvas_h()));
            break;
        }
        case 56: {
            const int32_t row = coord(in, canvas_h());
            HostBuf dst = host_buffer(in, int64_t{canvas_w()} * 2);
            const int32_t n = OKA_GetMaskLineRLE(dst.p(), row);
            FUZZ_CHECK(n >= 0 && n <= canvas_w() * 2, "mask row stream of %d bytes", n);
            Bytes s = run_stream(in, canvas_w(), 2);
            if (n > 0 && in.flag()) s.insert(s.begin(), dst.bytes.begin(), dst.bytes.begin() + n);
            OKA_PutMaskLineRLE(s.data(), coord(in, canvas_h()));
            break;
        }
        case 57: {
            HostBuf p = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 2);
            if (in.flag()) OKA_GetMaskData16(p.p());
            else OKA_SetMaskData16(p.p());
            break;
        }
        // Undo and fade.
        case 58:
        case 59: OKA_SaveUndoBuffer(in.u8() % 4 == 0 ? in.i32() : in.range(0, 1), in.u8() % 4 == 0 ? in.i32() : in.range(0, 1)); break;
        case 60: OKA_SaveUndoBackBuffer(layer_index(in)); break;
        case 61:
        case 62: OKA_Undo(); break;
        case 63: OKA_Redo(); break;
        case 64: {
            switch (in.u8() % 10) {
                case 0: OKA_SetUndoLevels(in.u8() % 8 == 0 ? in.i32() : in.range(-1, 8)); break;
                case 1: OKA_SetUndoMB(in.u8() % 4 == 0 ? in.range(-2, 2) : in.range(0, 8)); break;
                case 2: OKA_ClearUndo(); break;
                case 3: OKA_ReduceUndo(in.u8() % 8 == 0 ? in.i32() : in.range(0, 2000)); break;
                case 4: OKA_PauseUndo(); break;
                case 5: OKA_ResumeUndo(); break;
                case 6: OKA_InvalidateDirtyUndoCanvas(); break;
                case 7: OKA_StartFade(); OKA_UpdateFade(in.i32()); OKA_EndFade(); break;
                case 8: OKA_GetTotalUndoMemory(); OKA_GetCurrentUndoMemory(); break;
                default: OKA_SetGrid(in.i32()); OKA_SetGridSpacing(in.i32()); break;
            }
            break;
        }
        // Mask store.
        case 65: {
            switch (in.u8() % 6) {
                case 0: OKA_EnableMask(in.u8() % 4 == 0 ? in.i32() : in.range(0, 1)); break;
                case 1: OKA_DisplayMask(in.range(0, 1)); break;
                case 2:
                    OKA_SetMaskOptions(colour8(in), colour8(in), colour8(in), colour8(in), colour8(in), colour8(in),
                                       in.u8());
                    break;
                case 3: OKA_InvertMask(); break;
                default: OKA_ClearMask(colour16(in), colour16(in), colour16(in)); break;
            }
            break;
        }
        case 66: {
            switch (in.u8() % 3) {
                case 0: { Picture p = canvas_picture(in, 3); OKA_SaveMask(p.buf.p(), p.stride); break; }
                case 1: {
                    const int32_t w = in.u8() % 4 == 0 ? edge(in) : canvas_w(), h = in.u8() % 4 == 0 ? edge(in) : canvas_h();
                    const int32_t stride = stride_for(in, int64_t{std::max(w, 0)} * 3);
                    HostBuf p = host_buffer(in, int64_t{stride} * std::max(h, 0));
                    // The host keeps width and height within the canvas.
                    OKA_LoadMask(p.p(), stride, std::min(w, canvas_w()), std::min(h, canvas_h()));
                    break;
                }
                default: {
                    Picture p = canvas_picture(in, 3);
                    static const char* const kModes[] = {"Add", "Subtract", "Replace", "add", nullptr};
                    OKA_CombineMask(p.buf.p(), p.stride, in.range(0, 2), in.u8() % 4 == 0 ? in.i32() : in.u8(),
                                    kModes[in.u8() % 5]);
                    break;
                }
            }
            break;
        }
        // Masks from pixels.
        case 67: {
            switch (in.u8() % 3) {
                case 0: OKA_CreateMaskFromImage(); break;
                case 1: OKA_CreateMaskFromImageLuma(); break;
                default: OKA_CreateMaskFromAlpha(); break;
            }
            break;
        }
        case 68: {
            const int32_t strength = in.u8() % 8 == 0 ? in.i32() : in.u8();
            const int32_t tol = in.u8() % 8 == 0 ? in.i32() : in.range(0, 100);
            HostBuf p = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 4);
            switch (in.u8() % 8) {
                case 0: OKA_CreateMaskFromRGBAImageColor(p.p(), colour8(in), colour8(in), colour8(in), strength); break;
                case 1: {
                    HostBuf q = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 3);
                    OKA_CreateMaskFromRGB24ImageColor(q.p(), colour8(in), colour8(in), colour8(in), strength);
                    break;
                }
                case 2: OKA_CreateMaskFromRGBAImageColorRange(p.p(), colour8(in), colour8(in), colour8(in), tol, strength); break;
                case 3: OKA_CreateMaskFromRGBAImageAlphaRange(p.p(), colour8(in), tol, strength); break;
                case 4: OKA_CreateMaskFromRGBAImageLuminanceRange(p.p(), colour8(in), colour8(in), colour8(in), tol, strength); break;
                case 5: OKA_CreateMaskFromRGBAImageHueRange(p.p(), colour8(in), colour8(in), colour8(in), tol, strength); break;
                case 6:
                    OKA_CreateMaskFromRGBAImageHSLRange(p.p(), colour8(in), colour8(in), colour8(in), tolerance_double(in),
                                                        tolerance_double(in), tolerance_double(in), strength);
                    break;
                default: {
                    HostBuf flood = host_buffer(in, int64_t{canvas_w()} * canvas_h());
                    for (uint8_t& b : flood.bytes) b &= 1;
                    OKA_CreateMaskFromFloodMask(flood.p(), strength);
                    break;
                }
            }
            break;
        }
        case 69: {
            HostBuf a = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 4);
            HostBuf b = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 4);
            switch (in.u8() % 4) {
                case 0: OKA_CreateMaskFromDiff_RGBA32(a.p(), b.p(), colour16(in)); break;
                case 1: OKA_ApplyMaskToAlpha_RGBA32(a.p()); break;
                case 2:
                    OKA_ReplaceFromRGBAImageAlphaRange(a.p(), colour8(in), in.range(0, 100), colour8(in), colour8(in),
                                                       colour8(in), colour8(in));
                    break;
                default: {
                    const int32_t x0 = coord(in, canvas_w()) % 400, y0 = coord(in, canvas_h()) % 400;
                    const int32_t x1 = x0 + edge(in) - 1, y1 = y0 + edge(in) - 1;
                    const int32_t stride = stride_for(in, int64_t{std::max(x1 - x0 + 1, 0)} * 4);
                    HostBuf p = host_buffer(in, int64_t{stride} * std::max(y1 - y0 + 1, 0));
                    OKA_ApplyMaskToAlphaRect_RGBA32(p.p(), stride, x0, y0, x1, y1);
                    break;
                }
            }
            break;
        }
        case 70: {
            switch (in.u8() % 3) {
                case 0: OKA_CreateImageFromMask(); break;
                default: OKA_CreateAlphaFromMask(in.u8() % 4 == 0 ? in.i32() : in.range(0, 3)); break;
            }
            break;
        }
        case 71: {
            const int32_t w = edge(in), h = edge(in);
            HostBuf rgba = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * 4);
            HostBuf rgb = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * 3);
            switch (in.u8() % 4) {
                case 0: OKA_RGBAlphaToRGB(rgb.p(), w, h, rgba.p()); break;
                case 1: OKA_RGBToRGBAlpha(rgba.p(), w, h, rgb.p()); break;
                case 2: OKA_RGBToRGBA(rgba.p(), w, h, rgb.p()); break;
                default: OKA_RGBAToRGB(rgb.p(), w, h, rgba.p()); break;
            }
            break;
        }
        // Merging.
        case 72: {
            int32_t d[4] = {colour16(in), colour16(in), colour16(in), colour16(in)};
            OKA_MergePixel(&d[0], &d[1], &d[2], &d[3], colour16(in), colour16(in), colour16(in), colour16(in),
                           in.u8() % 8 == 0 ? in.i32() : in.range(-1, 56), in.u8() % 8 == 0 ? in.i32() : in.u8(), in.u8());
            break;
        }
        case 73: OKA_MergeLayer(layer_index(in), layer_index(in)); break;
        case 74: {
            const int32_t a = layer_index(in);
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h()), w = edge(in), h = edge(in);
            HostBuf dst = host_buffer(in, int64_t{std::max(w, 0)} * std::max(h, 0) * 8);
            if (in.flag()) OKA_MergeLayerIntoRect(a, dst.p(), x, y, w, h);
            else OKA_MergeRect(dst.p(), x, y, w, h);
            break;
        }
        case 75: {
            HostBuf dst = host_buffer(in, int64_t{canvas_w()} * canvas_h() * 8);
            if (in.flag()) OKA_MergeLayerInto(layer_index(in), dst.p());
            else OKA_Merge(dst.p());
            break;
        }
        // The row codecs on host buffers.
        case 76: {
            const int32_t count = in.range(0, 300);
            HostBuf px = host_buffer(in, int64_t{count} * 8);
            Bytes enc(static_cast<size_t>(count) * 5 + 1);
            const int32_t n = OKA_RLECompressRGBA64ToRGBA32(px.p(), enc.data(), count);
            FUZZ_CHECK(n >= 0 && n <= count * 5, "row codec size");
            std::vector<uint16_t> back(static_cast<size_t>(count) * 4 + 1);
            if (n > 0) OKA_RLEUncompressRGBA32ToRGBA64(enc.data(), back.data(), count);
            break;
        }
        // Errors and odds and ends.
        case 77: {
            const Bytes text = in.bytes(in.range(0, 700));
            std::string s(text.begin(), text.end());
            OKA_SetLastError(in.flag() ? s.c_str() : nullptr);
            OKA_SetStartDir(s.c_str());
            break;
        }
        case 78: full_check(); break;
        // The view.
        case 79:
        case 80: {
            // The host's picture holds the view size in rows and columns; a
            // negative stride addresses a bottom-up picture from its last row.
            const oka::display::ViewSettings& v = oka::display::view_settings();
            const int32_t cols = std::max(v.view_width, 0), rows = std::max(v.view_height, 0);
            const int32_t row_bytes = stride_for(in, int64_t{cols} * 3);
            HostBuf dst = host_buffer(in, int64_t{row_bytes} * rows);
            const bool bottom_up = in.flag();
            uint8_t* p = dst.p();
            if (p && bottom_up) p += int64_t{row_bytes} * (rows - 1);
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            const int32_t w = in.u8() % 6 == 0 ? in.i32() : in.range(-2, canvas_w() + 10);
            const int32_t h = in.u8() % 6 == 0 ? in.i32() : in.range(-2, canvas_h() + 10);
            const int32_t r = OKA_Render(p, bottom_up ? -row_bytes : row_bytes, x, y, w, h);
            FUZZ_CHECK(r == 0 || r == 1, "render result %d", r);
            break;
        }
        case 82: {
            // The tablet readers without a tablet context (opening one would
            // reach for the machine's devices): any packet index.
            const uint32_t i = in.u8() % 4 == 0 ? in.u32() : in.u8();
            switch (in.u8() % 9) {
                case 0: FUZZ_CHECK(OKA_ReadTabletPackets() == 0, "packets without a context"); break;
                case 1: {
                    const int32_t p = OKA_ReadTabletPressure(i);
                    FUZZ_CHECK(p >= 0 && p <= 100, "pressure %d", p);
                    break;
                }
                case 2: FUZZ_CHECK(OKA_ReadRawTabletPressure(i) == 0, "raw pressure without packets"); break;
                case 3: OKA_IsPacketInvert(i); OKA_PacketStatus(i); break;
                case 4: OKA_ReadTabletX(i); OKA_ReadTabletY(i); break;
                case 5: OKA_ResetTabletPressure(); break;
                case 6: OKA_SetTabletOrigin(); break;
                default: OKA_CloseTablet(); break;
            }
            break;
        }
        case 83: {
            // System information and window services (no window system
            // here: null windows).
            switch (in.u8() % 6) {
                case 0:
                    OKA_GetTotalPhyMemory(); OKA_GetAvailPhyMemory(); OKA_GetTotalPgMemory();
                    OKA_GetAvailPgMemory(); OKA_GetTotalVirMemory(); OKA_GetAvailVirMemory();
                    break;
                case 1:
                    OKA_GetWindowBackgroundColor(); OKA_GetWindowTextColor(); OKA_GetWindowCaptionSize();
                    OKA_GetWindowSmallCaptionSize(); OKA_GetWindowFixedFrameSize(); OKA_IsCompositionEnabled();
                    break;
                case 2: FUZZ_CHECK(OKA_GetDirInfo() != nullptr, "no resource directory"); break;
                case 3: OKA_SetWindowRedraw(nullptr, in.i32()); OKA_RedrawWindow(nullptr); break;
                case 4: OKA_SetWindowBasePos(in.i32(), in.i32(), in.i32(), in.i32()); break;
                default:
                    int32_t local = 0;
                    FUZZ_CHECK(BankAdrs(&local) == &local, "BankAdrs");
                    OKA_IsDisplayChanged();
                    break;
            }
            break;
        }
        case 81: {
            switch (in.u8() % 5) {
                case 0: {
                    const int32_t zoom = in.u8() % 6 == 0 ? in.i32() : in.range(-1, 9);
                    float scale;
                    switch (in.u8() % 6) {
                        case 0: scale = tool_float(in); break;
                        case 1: scale = static_cast<float>(zoom); break;
                        default: scale = static_cast<float>(in.range(1, 64)) / static_cast<float>(in.range(1, 8)); break;
                    }
                    FUZZ_CHECK(OKA_SetScale(zoom, scale) == zoom, "set scale result");
                    break;
                }
                case 1: {
                    // The host's pictures hold the view size, so it stays modest.
                    const int32_t w = in.u8() % 8 == 0 ? -in.range(0, 3) : in.range(0, 400);
                    const int32_t h = in.u8() % 8 == 0 ? -in.range(0, 3) : in.range(0, 400);
                    FUZZ_CHECK(OKA_SetViewSize(w, h) == w, "set view size result");
                    break;
                }
                case 2: OKA_SetOffset(in.i32(), in.i32()); break;
                case 3: OKA_SetAOI(in.i32(), in.i32(), in.i32(), in.i32()); break;
                default: OKA_SetTracingMode(in.u8() % 4 == 0 ? in.i32() : in.range(0, 1)); break;
            }
            break;
        }
        default: {
            // Dabs again: the most common call of a real host, here in short
            // strokes.
            const int32_t x = coord(in, canvas_w()), y = coord(in, canvas_h());
            const int32_t n = in.range(1, 6);
            for (int32_t i = 0; i < n; ++i) {
                // Wrapping sums: the host's own arithmetic is not under test.
                const int32_t dx = static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(i * in.range(-4, 4)));
                const int32_t dy = static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(i * in.range(-4, 4)));
                OKA_DrawDabGrit(dx, dy, colour16(in), colour16(in), colour16(in));
                check_invariants();
            }
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    make_files();
    reference().probe = probe();
    reference().memory = retained_memory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    reset_settings();
    for (int calls = 0; !in.empty() && calls < 400; ++calls) {
        call_one(in);
        check_invariants();
    }
    full_check();
    return 0;
}
