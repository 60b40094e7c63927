// Allocation failure. The engine memory limit makes every counted (large)
// allocation fail from a chosen call on: a limit of one byte lets nothing
// through, a limit a little above the memory in use lets some of a call's
// allocations through and not the rest. The main scenarios run under it and
// every export must either work (the document afterwards is exactly what the
// same call gives with memory to spare, and so are its outputs) or do
// nothing (document and outputs unchanged). The undo history is left out of
// the comparison: giving up history to make room is what the undo-reducing
// allocators are for. Creation and resizing are the exception the engine
// documents: work done before the failure stays done, so for them only the
// consistency of the planes is checked.
//
// After every schedule the limit is lifted, the engine must pass a fixed
// probe exactly as a fresh engine does, and releasing the document must
// return every counted byte (LeakSanitizer covers the rest in the
// sanitizer build).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "brush/tool_state.h"
#include "engine/engine_state.h"
#include "engine/memory.h"
#include "okacore.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Observing the engine --------------------------------------------------

struct Hash {
    uint64_t h = 1469598103934665603ull;
    void bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    }
    template <class T>
    void value(const T& v) {
        bytes(&v, sizeof v);
    }
    template <class T>
    void plane(const oka::Buffer<T>& b) {
        value(static_cast<bool>(b));
        value(b.size());
        if (b) bytes(b.data(), b.bytes());
    }
};

// Everything a host can observe of the document except the undo history.
uint64_t document_hash() {
    const oka::EngineState& e = oka::engine();
    Hash h;
    h.value(e.width);
    h.value(e.height);
    h.value(e.brush_max);
    h.value(e.current_index);
    h.value(e.current != nullptr);
    for (const oka::Layer& l : e.layers) {
        h.plane(l.pixels);
        if (l.present()) {
            h.value(l.width);
            h.value(l.height);
        }
        h.value(l.visible);
        h.value(l.alpha_locked);
        h.value(l.opacity);
        h.value(l.mode);
    }
    h.plane(e.mask);
    h.value(e.mask_enabled);
    h.plane(e.texture);
    // The undo back buffers are history (and hold undefined values where no
    // layer was ever copied into them): only their presence counts here;
    // what a save put there shows when a later step undoes it.
    h.value(e.undo_back_layer.size());
    h.value(e.undo_back_mask.size());
    const oka::Layer& p = e.paint_layer;
    h.plane(p.pixels);
    if (p.present()) {
        // The record's settings matter only with a plane to apply them to.
        h.value(p.mode);
        h.value(p.opacity);
        h.value(p.strength);
        h.value(p.ext_left);
        h.value(p.ext_top);
        h.value(p.ext_right);
        h.value(p.ext_bottom);
    }
    h.value(e.blend_count);
    h.value(e.blend_selected ? e.blend_selected - e.blend.data() : -1);
    for (const oka::BlendBuffer& b : e.blend) h.plane(b.pixels);
    // The shape and grit planes are allocated without contents; only their
    // presence is compared.
    h.value(e.brush_shape.size());
    for (const auto& g : e.grit) h.value(g.size());
    return h.h;
}

// Every plane that exists has the size the current geometry gives it.
void expect_consistent_planes(const std::string& where) {
    const oka::EngineState& e = oka::engine();
    const size_t px = e.canvas_pixels(), n = static_cast<size_t>(e.brush_max);
    if (e.mask) EXPECT_EQ(e.mask.size(), px) << where;
    if (e.texture) EXPECT_EQ(e.texture.size(), px) << where;
    if (e.undo_back_layer) EXPECT_EQ(e.undo_back_layer.size(), px * 4) << where;
    if (e.undo_back_mask) EXPECT_EQ(e.undo_back_mask.size(), px) << where;
    if (e.brush_shape) EXPECT_EQ(e.brush_shape.size(), n * n) << where;
    for (const auto& g : e.grit)
        if (g) EXPECT_EQ(g.size(), (n + 25) * (n + 25)) << where;
    for (int i = 0; i < oka::kBlendBufferMax; ++i) {
        const oka::BlendBuffer& b = e.blend[static_cast<size_t>(i)];
        if (b.pixels) {
            EXPECT_LT(i, e.blend_count) << where;
            EXPECT_EQ(b.pixels.size(), n * n * 4) << where;
        }
    }
    if (e.paint_layer.present())
        EXPECT_EQ(e.paint_layer.pixels.size(), static_cast<size_t>(e.paint_layer.width) * e.paint_layer.height * 4)
            << where;
    for (const oka::Layer& l : e.layers)
        if (l.present()) EXPECT_EQ(l.pixels.size(), static_cast<size_t>(l.width) * l.height * 4) << where;
    EXPECT_TRUE(e.current == nullptr || e.current == &e.layers[static_cast<size_t>(e.current_index)]) << where;
}

// Counted memory the engine holds that no document owns: the random byte
// arrays and the tool's noise arrays, both kept across documents by design.
size_t memory_outside_documents() {
    const oka::EngineState& e = oka::engine();
    const oka::brush::ToolState& t = oka::brush::tool();
    return e.rand_a.data.bytes() + e.rand_b.data.bytes() + t.pix_colour_noise.data.bytes() +
           t.pix_lum_noise.data.bytes();
}

// ---- Host buffers and outputs ---------------------------------------------

// A host output buffer prefilled with a pattern no export writes; its
// contribution to a step's output is 0 while it is untouched.
struct Out {
    Bytes b;
    explicit Out(size_t n) : b(n) {
        for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(0xA7 ^ (i * 31));
    }
    uint8_t* p() { return b.data(); }
    uint64_t seen() const {
        bool touched = false;
        for (size_t i = 0; i < b.size() && !touched; ++i) touched = b[i] != static_cast<uint8_t>(0xA7 ^ (i * 31));
        if (!touched) return 0;
        Hash h;
        h.bytes(b.data(), b.size());
        return h.h;
    }
};

Bytes picture(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * seed + (i >> 5));
    return b;
}

// ---- Scenarios ---------------------------------------------------------------

constexpr int32_t W = 48, H = 40, N = 16;

struct Step {
    const char* name;
    // Returns what the call put in host buffers or returned as a success
    // result (0 when it produced nothing).
    std::function<uint64_t()> run;
    bool partial = false;  // creation and resizing: work done stays done
    // A failure state the engine documents for this call instead of
    // "nothing": true when the engine is in it.
    std::function<bool()> documented_failure = nullptr;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

uint64_t none() { return 0; }

// The state a blend-buffer count change leaves when memory runs out: the
// count stored, buffer 0 selected, and some of the count without a plane.
bool blend_buffers_short_of(int32_t count) {
    const oka::EngineState& e = oka::engine();
    if (e.blend_count != count || e.blend_selected != &e.blend[0]) return false;
    bool missing = false;
    for (int32_t i = 0; i < count; ++i) missing |= !e.blend[static_cast<size_t>(i)].pixels;
    return missing;
}

std::vector<Scenario> scenarios() {
    const Step create{"CreateImage", [] { OKA_CreateImage(nullptr, W, H, N, 0); return none(); }, true};
    const Step layer1{"CreateLayer 1", [] { return uint64_t(OKA_CreateLayer(1, W, H)); }};
    const Step layer2{"CreateLayer 2", [] { return uint64_t(OKA_CreateLayer(2, W, H)); }};
    const Step select{"SetLayer 2", [] { OKA_SetLayer(2); return none(); }};
    const Step tool{"SetTool", [] {
                        OKA_SetSize(11);
                        OKA_SetTool(1.0f, 0, 0, 0, 60, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
                        OKA_SetColor(220, 30, 90);
                        return none();
                    }};
    return {
        {"document",
         {create,
          {"SetUndoLevels", [] { return uint64_t(OKA_SetUndoLevels(6)); }},
          layer1,
          layer2,
          {"CreateLayer 3 (other size)", [] { return uint64_t(OKA_CreateLayer(3, 20, 70)); }},
          select,
          {"NewSize", [] { OKA_NewSize(nullptr, W + 8, H + 4, N + 4, 0); return none(); }, true},
          // A layer that cannot get its new size is left absent.
          {"CreateLayer 2 at the new size", [] { return uint64_t(OKA_CreateLayer(2, W + 8, H + 4)); }, false,
           [] { return oka::present_layer(2) == nullptr; }},
          select,
          {"Clear", [] { OKA_Clear(10, 20, 30, 255); return none(); }},
          {"DeleteImage", [] { OKA_DeleteImage(); return none(); }},
          create}},
        {"layers",
         {create,
          layer1,
          layer2,
          {"CreateLayer 4 (wide)", [] { return uint64_t(OKA_CreateLayer(4, 90, 12)); }},
          select,
          {"Clear", [] { OKA_Clear(200, 100, 50, 255); return none(); }},
          {"SetLayerOptions 2 texture", [] { OKA_SetLayerOptions(2, 1, 0, 100, "Texturize3"); return none(); }},
          {"CreateTexture", [] { return uint64_t(OKA_CreateTexture(2)); }},
          {"SwapLayers", [] { OKA_SwapLayers(2, 4); return none(); }},
          {"CopyLayerData", [] { OKA_CopyLayerData(4, 1); return none(); }},
          {"DeleteLayer", [] { OKA_DeleteLayer(4); return none(); }},
          {"CreateLayer 4 again", [] { return uint64_t(OKA_CreateLayer(4, W, H)); }},
          {"MergeLayer", [] { OKA_MergeLayer(1, 4); return none(); }}}},
        {"painting",
         {create,
          layer1,
          layer2,
          select,
          tool,
          {"CreatePaintLayer", [] { OKA_CreatePaintLayer(80, 100, "Multiply"); return none(); }},
          {"DrawDabGrit", [] { OKA_DrawDabGrit(12, 9, 220 << 8, 30 << 8, 90 << 8); return none(); }},
          {"DrawDabGrit edge", [] { OKA_DrawDabGrit(W - 2, H - 3, 220 << 8, 30 << 8, 90 << 8); return none(); }},
          {"BlurPaintLayerAlpha", [] { OKA_BlurPaintLayerAlpha(); return none(); }},
          {"MergePaintLayer", [] { OKA_MergePaintLayer(2); return none(); }},
          {"SaveUndoBuffer", [] { OKA_SaveUndoBuffer(1, 1); return none(); }},
          {"DrawDabGritMask", [] { OKA_SetMaskMakerOn(); OKA_DrawDabGritMask(30, 20); return none(); }},
          {"DeletePaintLayer", [] { OKA_DeletePaintLayer(); return none(); }},
          {"DrawDabGrit into the layer", [] { OKA_DrawDabGrit(25, 25, 0, 65280, 0); return none(); }},
          {"SaveUndoBuffer again", [] { OKA_SaveUndoBuffer(1, 1); return none(); }},
          {"Undo", [] { OKA_Undo(); return none(); }},
          {"Undo again", [] { OKA_Undo(); return none(); }},
          {"Redo", [] { OKA_Redo(); return none(); }},
          {"SetTool with grit", [] {
               OKA_SetTool(1.0f, 4, 120, 90, 30, 0, 3, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
               return none();
           }},
          {"DrawDabGrit with grit", [] { OKA_DrawDabGrit(20, 20, 0, 0, 65280); return none(); }}}},
        {"blend buffers",
         {create,
          layer1,
          layer2,
          select,
          tool,
          {"Clear", [] { OKA_Clear(40, 160, 220, 255); return none(); }},
          // The count is stored; a buffer that cannot be had stays null.
          {"SetBlendBufferCount", [] { OKA_SetBlendBufferCount(4); return none(); }, false,
           [] { return blend_buffers_short_of(4); }},
          {"SelectBlendBuffer", [] { OKA_SelectBlendBuffer(2); return none(); }},
          {"CopyBlendBufferSurface", [] { OKA_CopyBlendBufferSurface(20, 15, 64, 0); return none(); }},
          {"MixBlendBufferLayer", [] { OKA_MixBlendBufferLayer(1, 22, 16, 128); return none(); }},
          {"DoColorBlendBuffer", [] { OKA_DoColorBlendBuffer(20, 15, 255, 0, 0, 0, 100); return none(); }},
          {"FilterBlendBuffer", [] { OKA_FilterBlendBuffer(290, 0); return none(); }},
          {"smudging dab", [] {
               OKA_SetBlendStrength(200);
               OKA_DrawDabGrit(24, 18, 0, 0, 0);
               return none();
           }},
          {"SetBlendBufferCount fewer", [] { OKA_SetBlendBufferCount(2); return none(); }, false,
           [] { return blend_buffers_short_of(2); }}}},
        {"transfers",
         {create,
          layer1,
          layer2,
          select,
          {"LoadRGBA32Layer", [] {
               const Bytes src = picture(size_t(30) * 20 * 4, 7);
               OKA_LoadRGBA32Layer(src.data(), 30 * 4, 2, 9, 11, 30, 20, 0);
               return none();
           }},
          {"SetRGBA64Layer", [] {
               const Bytes src = picture(size_t(W) * H * 8, 3);
               OKA_SetRGBA64Layer(src.data(), W * 8, 1);
               return none();
           }},
          {"GetRGBA32Layer", [] {
               Out out(size_t(W) * H * 4);
               OKA_GetRGBA32Layer(out.p(), W * 4, 2);
               return out.seen();
           }},
          {"compressed transfer", [] {
               Out z(size_t(W) * H * 5);
               const int32_t n = OKA_GetRGBA32LayerCompressed(z.p(), 0, int32_t(z.b.size()), 2, 6);
               const int32_t loaded = n > 0 ? OKA_LoadRGBA32LayerCompressed(z.p(), 0, n, 1) : 0;
               return n > 0 ? z.seen() ^ uint64_t(loaded) : z.seen();
           }},
          {"LoadRGBA32LayerCompressed", [] {
               // A stream of a layer-sized image, made by zlib itself.
               static const Bytes stream = [] {
                   const Bytes img = picture(size_t(W) * H * 4, 11);
                   uLongf n = compressBound(uLong(img.size()));
                   Bytes z(n);
                   compress2(z.data(), &n, img.data(), uLong(img.size()), 1);
                   z.resize(n);
                   return z;
               }();
               return uint64_t(OKA_LoadRGBA32LayerCompressed(stream.data(), 0, int32_t(stream.size()), 2));
           }},
          {"Merge", [] {
               Out out(size_t(W) * H * 8);
               OKA_Merge(out.p());
               return out.seen();
           }},
          {"MergeRect", [] {
               Out out(size_t(20) * 10 * 8);
               OKA_MergeRect(out.p(), 5, 6, 20, 10);
               return out.seen();
           }},
          {"GetColorAtMerged", [] { return uint64_t(OKA_GetColorAtMerged(12, 13)); }},
          {"MergeRGBA32Layer", [] {
               const Bytes pic = picture(size_t(W) * H * 4, 5);
               OKA_MergeRGBA32Layer(const_cast<uint8_t*>(pic.data()), 2, 3, 200);
               return none();
           }},
          {"CreateMaskFromRGBAImageHueRange", [] {
               Bytes pic = picture(size_t(W) * H * 4, 9);
               OKA_CreateMaskFromRGBAImageHueRange(pic.data(), 200, 40, 40, 20, 0);
               return none();
           }},
          {"ClearMaskedAlpha", [] { OKA_ClearMaskedAlpha(0, 0, 255, 128); return none(); }},
          {"Render", [] {
               OKA_SetViewSize(W, H);
               OKA_SetScale(1, 1.0f);
               Out out(size_t(W) * H * 3);
               OKA_Render(out.p(), W * 3, 0, 0, W, H);
               return out.seen();
           }},
          {"SaveUndoBuffer", [] {
               OKA_InvalidateDirtyUndoCanvas();
               OKA_SaveUndoBuffer(1, 0);
               return none();
           }},
          {"Undo", [] { OKA_Undo(); return none(); }}}},
    };
}

// ---- Running scenarios under a limit ----------------------------------------

// Per step: no limit, nothing fits (a 1-byte limit), or a budget of bytes
// above what is in use when the step starts.
constexpr size_t kNoLimit = 0;
constexpr size_t kNothingFits = std::numeric_limits<size_t>::max();

struct Outcome {
    uint64_t before = 0;  // document before the step
    uint64_t after = 0;   // document after it
    uint64_t output = 0;
    bool documented_failure = false;
};

void reset_engine() {
    oka::set_memory_limit_bytes(0);
    OKA_ResumeUndo();
    OKA_DeletePaintLayer();
    OKA_SetBlendBufferCount(0);
    OKA_UnloadBrushShape();
    // The geometry and the current index outlive a document: give them
    // fixed values before the last deletion.
    OKA_CreateImage(nullptr, 1, 1, 0, 0);
    OKA_CreateLayer(0, 1, 1);
    OKA_SetLayer(0);
    OKA_DeleteImage();
    OKA_SetRandomSeed(7);
    for (int32_t i = 0; i < 8; ++i) OKA_SetLayerOptions(i, 1, 0, 100, "Normal");
    OKA_SetSize(0);
    OKA_SetBlendStrength(256);
    OKA_SetBlendStrength(0);
    OKA_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
    OKA_SetUndoMB(64);
    OKA_SetUndoLevels(20);
    OKA_EnableMask(1);
    OKA_SetLastError("");
}

// Run steps 0..last of a scenario, limits[i] applying to step i.
std::vector<Outcome> run(const Scenario& s, const std::vector<size_t>& limits, size_t last, const std::string& label) {
    reset_engine();
    std::vector<Outcome> out;
    for (size_t i = 0; i <= last && i < s.steps.size(); ++i) {
        Outcome o;
        o.before = document_hash();
        const size_t limit = limits[i];
        if (limit == kNothingFits) oka::set_memory_limit_bytes(1);
        else if (limit != kNoLimit) oka::set_memory_limit_bytes(oka::memory_in_use() + limit);
        o.output = s.steps[i].run();
        oka::set_memory_limit_bytes(0);
        o.after = document_hash();
        o.documented_failure = s.steps[i].documented_failure && o.output == 0 && s.steps[i].documented_failure();
        expect_consistent_planes(label + ", after " + s.steps[i].name);
        out.push_back(o);
    }
    return out;
}

// A fixed use of a fresh document, as a hash of what it saw.
uint64_t probe() {
    reset_engine();
    OKA_CreateImage(nullptr, 32, 24, 8, 0);
    EXPECT_EQ(OKA_CreateLayer(2, 32, 24), 1);
    OKA_SetLayer(2);
    OKA_Clear(10, 20, 30, 255);
    OKA_SaveUndoBuffer(1, 0);
    OKA_SetSize(5);
    OKA_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
    OKA_CreatePaintLayer(100, 100, "Normal");
    OKA_DrawDabGrit(16, 12, 65280, 0, 0);
    OKA_MergePaintLayer(2);
    OKA_SaveUndoBuffer(1, 0);
    Hash h;
    h.value(OKA_GetColorAtSurface(16, 12));
    OKA_Undo();
    h.value(OKA_GetColorAtSurface(16, 12));
    EXPECT_EQ(OKA_GetColorAtSurface(16, 12), 0xFF0A141Eu);
    OKA_Redo();
    h.value(OKA_GetColorAtSurface(16, 12));
    Bytes z(32 * 24 * 5);
    h.value(OKA_GetRGBA32LayerCompressed(z.data(), 0, int32_t(z.size()), 2, 1));
    h.value(document_hash());
    EXPECT_STREQ(OKA_GetLastError(), "");
    reset_engine();
    return h.h;
}

// After any schedule: the engine passes the probe as a fresh engine does
// and, once the document is gone, holds no counted memory of it.
void expect_usable_and_released(uint64_t fresh_probe, const std::string& label) {
    oka::set_memory_limit_bytes(0);
    EXPECT_EQ(probe(), fresh_probe) << label;
    EXPECT_EQ(oka::memory_in_use(), memory_outside_documents()) << label;
}

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override { fresh_probe_ = probe(); }
    void TearDown() override { oka::set_memory_limit_bytes(0); }
    uint64_t fresh_probe_ = 0;
};

void expect_works_or_nothing(const Step& step, const Outcome& got, const Outcome& ref, const std::string& label) {
    if (step.partial) return;
    const bool worked = got.after == ref.after && got.output == ref.output;
    const bool nothing = got.after == got.before && got.output == 0;
    EXPECT_TRUE(worked || nothing || got.documented_failure) << label << ": " << step.name << " did part of its work";
}

TEST_F(OutOfMemory, EachCallFailingAloneWorksOrDoesNothing) {
    // Nothing fits, then budgets that let a call's first allocations
    // through and not the later ones.
    const size_t limits[] = {kNothingFits, 1, 1024, 4096, 8192, 16384, 40000, 80000, 200000};
    for (const Scenario& s : scenarios()) {
        const size_t n = s.steps.size();
        const std::vector<Outcome> ref = run(s, std::vector<size_t>(n, kNoLimit), n - 1, s.name);
        int failed_somewhere = 0;
        for (size_t k = 0; k < n; ++k) {
            for (size_t limit : limits) {
                std::vector<size_t> schedule(n, kNoLimit);
                schedule[k] = limit;
                const std::string label = std::string(s.name) + ", step " + std::to_string(k) + ", limit " +
                                          (limit == kNothingFits ? std::string("1 byte") : "+" + std::to_string(limit));
                const std::vector<Outcome> got = run(s, schedule, n - 1, label);
                ASSERT_EQ(got[k].before, ref[k].before) << label;
                expect_works_or_nothing(s.steps[k], got[k], ref[k], label);
                failed_somewhere += got[k].after != ref[k].after || got[k].output != ref[k].output;
                expect_usable_and_released(fresh_probe_, label);
            }
        }
        // The limits did bite: some call of every scenario did nothing.
        EXPECT_GT(failed_somewhere, 0) << s.name;
    }
}

TEST_F(OutOfMemory, EveryAllocationFailingFromAPointOn) {
    for (const Scenario& s : scenarios()) {
        const size_t n = s.steps.size();
        for (size_t k = 0; k < n; ++k) {
            std::vector<size_t> schedule(n, kNoLimit);
            for (size_t j = k; j < n; ++j) schedule[j] = kNothingFits;
            const std::string label = std::string(s.name) + ", failing from step " + std::to_string(k);
            const std::vector<Outcome> got = run(s, schedule, n - 1, label);
            for (size_t j = k; j < n; ++j) {
                // What step j does with memory to spare, after the same
                // failed calls before it.
                std::vector<size_t> spare = schedule;
                spare[j] = kNoLimit;
                const std::vector<Outcome> ref = run(s, spare, j, label);
                ASSERT_EQ(ref[j].before, got[j].before) << label << ", step " << j;
                expect_works_or_nothing(s.steps[j], got[j], ref[j], label + ", step " + std::to_string(j));
            }
            expect_usable_and_released(fresh_probe_, label);
        }
    }
}

TEST_F(OutOfMemory, FailuresLeaveTheirMessage) {
    // The guarded exports that allocate record their failure; the engine
    // never clears the text itself.
    OKA_CreateImage(nullptr, W, H, N, 0);
    OKA_CreateLayer(2, W, H);
    OKA_SetLayer(2);
    OKA_SetLastError("");
    oka::set_memory_limit_bytes(1);
    OKA_CreateImage(nullptr, W, H, N, 0);
    EXPECT_STREQ(OKA_GetLastError(), "CreateImage Excpt");
    OKA_SetLastError("");
    OKA_NewSize(nullptr, W, H, N, 0);
    EXPECT_STREQ(OKA_GetLastError(), "NewSize Excpt");
    oka::set_memory_limit_bytes(0);
    expect_usable_and_released(fresh_probe_, "messages");
}

}  // namespace
