// The undo store: the step table's life, dirty rectangles, budgets, giving
// up history for room and for the allocators, the other-layer and
// deleted-layer cases, the pause, and the fade that reuses a step.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine_state.h"
#include "engine/memory.h"
#include "history/fade.h"
#include "history/undo_store.h"
#include "okacore.h"

namespace {

using oka::engine;
namespace history = oka::history;

using Plane = std::vector<uint16_t>;

class Undo : public ::testing::Test {
protected:
    int32_t W = 16, H = 12;

    void SetUp() override { make(16, 12); }
    void TearDown() override {
        OKA_SetMemoryLimitMB(0);
        OKA_DeleteImage();
    }
    void make(int32_t w, int32_t h) {
        W = w;
        H = h;
        OKA_CreateImage(nullptr, w, h, 4, 0);
        ASSERT_EQ(OKA_CreateLayer(2, w, h), 1);
        ASSERT_EQ(OKA_CreateLayer(3, w, h), 1);
        OKA_SetLayer(2);
        OKA_SetUndoLevels(10);
        OKA_SetUndoMB(64);
    }
    static Plane layer(int32_t i) {
        const auto& p = engine().layers[size_t(i)].pixels;
        return Plane(p.data(), p.data() + p.size());
    }
    static Plane mask() { return Plane(engine().mask.data(), engine().mask.data() + engine().mask.size()); }
    // Paint an inclusive rectangle of the current layer as a dab would:
    // change the pixels and widen the dirty rectangle.
    void paint(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint16_t v) {
        oka::Layer& l = *engine().current;
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x)
                for (int c = 0; c < 4; ++c) l.pixels[(size_t(y) * W + size_t(x)) * 4 + c] = v;
        history::widen_dirty_rect(x0, y0, x1, y1);
    }
    void paint_mask(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint16_t v) {
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x) engine().mask[size_t(y) * W + size_t(x)] = v;
        history::widen_dirty_rect(x0, y0, x1, y1);
    }
    int32_t canvas_kb() const { return int32_t(int64_t{W} * H * 10 / 1024); }
};

TEST_F(Undo, SaveUndoRedoWalkTheHistory) {
    std::vector<Plane> states{layer(2)};
    const uint16_t colours[] = {1000, 2000, 3000};
    for (int i = 0; i < 3; ++i) {
        paint(2 + i, 1 + i, 6 + i, 4 + i, colours[i]);
        OKA_SaveUndoBuffer(1, 0);
        states.push_back(layer(2));
    }
    EXPECT_EQ(OKA_GetUndoCount(), 3);
    for (int i = 3; i > 0; --i) {
        ASSERT_EQ(OKA_CanUndo(), 1);
        OKA_Undo();
        EXPECT_EQ(layer(2), states[size_t(i - 1)]) << "undo " << i;
        EXPECT_EQ(engine().undo_back_layer.data()[0], layer(2)[0]);
    }
    EXPECT_EQ(OKA_CanUndo(), 0);
    EXPECT_EQ(OKA_GetRedoCount(), 3u);
    EXPECT_EQ(OKA_GetUndoCount(), 3) << "redoable steps count too";
    OKA_Undo();
    EXPECT_EQ(layer(2), states[0]);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(OKA_CanRedo(), 1);
        OKA_Redo();
        EXPECT_EQ(layer(2), states[size_t(i)]) << "redo " << i;
    }
    EXPECT_EQ(OKA_CanRedo(), 0);
    OKA_Redo();
    EXPECT_EQ(layer(2), states[3]);
}

TEST_F(Undo, ThreeSavesOneUndoCounts) {
    for (int i = 0; i < 3; ++i) {
        paint(0, 0, 3, 3, uint16_t(100 + i));
        OKA_SaveUndoBuffer(1, 1);
    }
    OKA_Undo();
    EXPECT_EQ(OKA_GetUndoCount(), 3);
    EXPECT_EQ(OKA_GetRedoCount(), 1u);
    // Saving again discards the undone step.
    paint(5, 5, 7, 7, 9);
    OKA_SaveUndoBuffer(1, 0);
    EXPECT_EQ(OKA_CanRedo(), 0);
    EXPECT_EQ(OKA_GetRedoCount(), 0u);
    EXPECT_EQ(OKA_GetUndoCount(), 3);
}

TEST_F(Undo, LevelsLimitAndClear) {
    EXPECT_EQ(OKA_SetUndoLevels(1000), 500);
    EXPECT_EQ(OKA_SetUndoLevels(-4), 0);
    paint(1, 1, 3, 3, 5);
    const Plane after = layer(2);
    OKA_SaveUndoBuffer(1, 1);
    EXPECT_EQ(OKA_GetUndoCount(), 0) << "level count 0 stores nothing";
    EXPECT_EQ(OKA_CanUndo(), 0);
    OKA_Undo();
    EXPECT_EQ(layer(2), after);
    EXPECT_EQ(engine().undo_memory_kb, canvas_kb());

    EXPECT_EQ(OKA_SetUndoLevels(3), 3);
    for (int i = 0; i < 5; ++i) {
        paint(i, 0, i + 2, 2, uint16_t(i + 1));
        OKA_SaveUndoBuffer(1, 0);
    }
    EXPECT_EQ(OKA_GetUndoCount(), 3) << "older steps fall off the end";
    OKA_Undo();
    EXPECT_EQ(OKA_SetUndoLevels(3), 3);
    EXPECT_EQ(OKA_GetUndoCount(), 0) << "setting the levels empties the store";
    EXPECT_EQ(OKA_GetRedoCount(), 0u);
    EXPECT_EQ(engine().undo_memory_kb, canvas_kb());
}

TEST_F(Undo, DirtyRectangleRules) {
    struct Row {
        const char* name;
        int32_t x0, y0, x1, y1;  // widened by
        history::DirtyRect stored;
    };
    const Row rows[] = {
        {"inside", 2, 3, 6, 5, {2, 3, 6, 5}},
        {"clamped to the canvas", -4, -2, 40, 3, {0, 0, 15, 3}},
        {"one column wide", 4, 1, 4, 9, {0, 0, 15, 11}},
        {"one row high", 1, 7, 9, 7, {0, 0, 15, 11}},
    };
    for (const Row& k : rows) {
        SCOPED_TRACE(k.name);
        OKA_ClearUndo();
        history::widen_dirty_rect(k.x0, k.y0, k.x1, k.y1);
        OKA_SaveUndoBuffer(1, 0);
        const history::StepInfo s = history::step_info(1);
        EXPECT_TRUE(s.layer_copy);
        EXPECT_EQ((history::DirtyRect{s.x0, s.y0, s.x1, s.y1}), k.stored);
        EXPECT_EQ(history::dirty_rect(), (history::DirtyRect{W - 1, H - 1, 0, 0})) << "empty after a save";
    }
    OKA_ClearUndo();
    OKA_SaveUndoBuffer(1, 0);
    EXPECT_EQ(history::step_info(1).x1, W - 1) << "an empty rectangle saves the whole canvas";
    OKA_InvalidateDirtyUndoCanvas();
    EXPECT_EQ(history::dirty_rect(), (history::DirtyRect{0, 0, W - 1, H - 1}));
}

TEST_F(Undo, MemoryInUseCountsEachCopy) {
    const int32_t base = engine().undo_memory_kb;
    ASSERT_EQ(base, canvas_kb());
    make(200, 100);  // whole canvas: 20000 px, layer copy 156 KB, mask copy 39 KB
    EXPECT_EQ(engine().undo_memory_kb, 200 * 100 * 10 / 1024);
    OKA_SaveUndoBuffer(1, 1);
    EXPECT_EQ(engine().undo_memory_kb, 195 + 20000 * 8 / 1024 + 20000 * 2 / 1024);
    paint(0, 0, 99, 49, 7);  // 5000 px: 39 + 9 KB
    OKA_SaveUndoBuffer(1, 1);
    EXPECT_EQ(engine().undo_memory_kb, 195 + 156 + 39 + 39 + 9);
    OKA_ReduceUndo(1);
    EXPECT_EQ(engine().undo_memory_kb, 195 + 39 + 9) << "the oldest (whole-canvas) step went";
    OKA_ClearUndo();
    EXPECT_EQ(engine().undo_memory_kb, 195);
    EXPECT_EQ(OKA_GetCurrentUndoMemory(), 0);
}

TEST_F(Undo, BudgetGivesUpOldestSteps) {
    // 128 x 128: a whole-canvas layer copy costs 128 KB, a save asks for
    // 160 KB of headroom (10 bytes a pixel), the back buffers hold 160 KB.
    // Under a 1024 KB budget a save fits while 160 + 160 + 128 k < 1024,
    // i.e. with k <= 5 older steps: six steps survive.
    make(128, 128);
    EXPECT_EQ(OKA_SetUndoMB(1), 1024);
    std::vector<Plane> states{layer(2)};
    for (int i = 0; i < 8; ++i) {
        paint(0, 0, 127, 127, uint16_t(i + 1));
        OKA_SaveUndoBuffer(1, 0);
        states.push_back(layer(2));
    }
    EXPECT_EQ(OKA_GetUndoCount(), 6);
    EXPECT_EQ(engine().undo_memory_kb, 160 + 6 * 128);
    for (int i = 0; i < 6; ++i) OKA_Undo();
    EXPECT_EQ(layer(2), states[2]) << "the six newest changes were kept";
    EXPECT_EQ(OKA_CanUndo(), 0);

    // A budget below any step keeps only the newest one.
    EXPECT_EQ(OKA_SetUndoMB(-1), -1024);
    for (int i = 0; i < 3; ++i) {
        paint(0, 0, 3, 3, uint16_t(50 + i));
        OKA_SaveUndoBuffer(1, 0);
    }
    EXPECT_EQ(OKA_GetUndoCount(), 1);
}

TEST_F(Undo, ReduceDiscardsRedoThenOldest) {
    for (int i = 0; i < 3; ++i) {
        paint(0, 0, W - 1, H - 1, uint16_t(10 + i));
        OKA_SaveUndoBuffer(1, 0);
    }
    OKA_Undo();
    OKA_ReduceUndo(0);
    EXPECT_EQ(OKA_GetRedoCount(), 0u);
    EXPECT_EQ(OKA_GetUndoCount(), 2) << "0 KB discards the redo step only";
    const Plane now = layer(2);
    OKA_ReduceUndo(1);
    EXPECT_EQ(OKA_GetUndoCount(), 1);
    OKA_Undo();
    EXPECT_NE(layer(2), now) << "the newest step survived the reduction";
    EXPECT_EQ(history::reduce_undo(1 << 30), 0u + (size_t(W) * H * 8)) << "bytes given back";
    EXPECT_EQ(OKA_GetUndoCount(), 0);
    EXPECT_FALSE(history::has_history());
    EXPECT_EQ(engine().undo_memory_kb, canvas_kb());
}

TEST_F(Undo, EmptyStepBlocksUndoUntilNextSave) {
    paint(1, 1, 4, 4, 77);
    OKA_SaveUndoBuffer(1, 0);
    const Plane after = layer(2);
    OKA_SaveUndoBuffer(0, 0x100);  // low bytes 0: neither plane
    EXPECT_TRUE(history::step_info(1).empty());
    EXPECT_TRUE(history::step_info(2).layer_copy) << "the older step moved back";
    EXPECT_EQ(OKA_CanUndo(), 0);
    EXPECT_EQ(OKA_GetUndoCount(), 1);
    OKA_Undo();
    EXPECT_EQ(layer(2), after);
}

TEST_F(Undo, MaskStepsRestoreTheMask) {
    const Plane open = mask();
    paint_mask(2, 2, 5, 6, 1234);
    const Plane edited = mask();
    const Plane pixels = layer(2);
    OKA_SaveUndoBuffer(0, 1);
    OKA_Undo();
    EXPECT_EQ(mask(), open);
    EXPECT_EQ(layer(2), pixels);
    OKA_Redo();
    EXPECT_EQ(mask(), edited);
}

TEST_F(Undo, UndoOfAnotherLayerSelectsIt) {
    const Plane before2 = layer(2);
    paint(1, 1, 5, 5, 500);
    OKA_SaveUndoBuffer(1, 0);
    const Plane after2 = layer(2);
    OKA_SetLayer(3);
    paint(3, 3, 8, 8, 600);
    OKA_SaveUndoBuffer(1, 0);
    OKA_Undo();
    EXPECT_EQ(OKA_GetLayerNum(), 3);
    OKA_Undo();
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), before2);
    OKA_Redo();
    EXPECT_EQ(layer(2), after2);
    OKA_Redo();
    EXPECT_EQ(OKA_GetLayerNum(), 3);
}

TEST_F(Undo, StepOfADeletedLayerIsDroppedNotApplied) {
    OKA_SetLayer(3);
    paint(0, 0, 6, 6, 300);
    paint_mask(0, 0, 6, 6, 4000);
    OKA_SaveUndoBuffer(1, 1);  // step on layer 3, layer and mask
    OKA_SetLayer(2);
    const Plane before2 = layer(2);
    paint(8, 8, 12, 10, 200);
    OKA_SaveUndoBuffer(1, 0);  // step on layer 2
    const Plane after2 = layer(2);
    OKA_DeleteLayer(3);

    OKA_Undo();
    EXPECT_EQ(layer(2), before2);
    // The next step belongs to the deleted layer: its layer copy goes, its
    // mask copy still restores the mask, and layer 2 stays as it is.
    OKA_Undo();
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), before2);
    EXPECT_EQ(engine().mask[0], 65535);
    EXPECT_EQ(OKA_GetRedoCount(), 2u);
    EXPECT_FALSE(history::step_info(2).layer_copy);
    EXPECT_TRUE(history::step_info(2).mask_copy);
    OKA_Redo();
    EXPECT_EQ(engine().mask[0], 4000);
    OKA_Redo();
    EXPECT_EQ(layer(2), after2);
}

TEST_F(Undo, LayerOnlyStepOfADeletedLayerIsRemovedBothWays) {
    OKA_SetLayer(3);
    paint(0, 0, 6, 6, 300);
    OKA_SaveUndoBuffer(1, 0);
    OKA_SetLayer(2);
    const Plane before2 = layer(2);
    paint(8, 8, 12, 10, 200);
    OKA_SaveUndoBuffer(1, 0);
    paint(1, 8, 3, 10, 250);
    OKA_SaveUndoBuffer(1, 0);
    const Plane after2 = layer(2);

    // Undo direction: the dead step between two live ones is skipped over
    // and removed; the call still undoes one live change.
    OKA_DeleteLayer(3);
    OKA_Undo();
    OKA_Undo();
    EXPECT_EQ(layer(2), before2);
    EXPECT_EQ(OKA_CanUndo(), 1);
    OKA_Undo();
    EXPECT_EQ(OKA_GetUndoCount(), 2) << "the dead step is gone";
    EXPECT_EQ(OKA_GetRedoCount(), 2u);
    EXPECT_EQ(layer(2), before2);
    EXPECT_EQ(OKA_GetLayerNum(), 2);

    // Redo direction: a redoable step whose layer is gone by then.
    OKA_Redo();
    OKA_Redo();
    EXPECT_EQ(layer(2), after2);
    ASSERT_EQ(OKA_CreateLayer(3, W, H), 1);
    OKA_SetLayer(3);
    paint(0, 0, 2, 2, 9);
    OKA_SaveUndoBuffer(1, 0);
    OKA_Undo();
    OKA_SetLayer(2);
    OKA_DeleteLayer(3);
    OKA_Redo();
    EXPECT_EQ(OKA_GetRedoCount(), 0u);
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), after2);
    EXPECT_EQ(OKA_GetUndoCount(), 2);
}

TEST_F(Undo, PauseStopsSaveUndoRedoUntilResumeOrClear) {
    paint(1, 1, 3, 3, 40);
    OKA_SaveUndoBuffer(1, 0);
    const Plane after = layer(2);
    OKA_PauseUndo();
    OKA_Undo();
    EXPECT_EQ(layer(2), after);
    paint(5, 5, 7, 7, 41);
    OKA_SaveUndoBuffer(1, 0);
    EXPECT_EQ(OKA_GetUndoCount(), 1);
    OKA_SaveUndoBackBuffer(2);
    EXPECT_NE(engine().undo_back_layer[(5 * size_t(W) + 5) * 4], 41) << "back buffer refresh waits too";
    OKA_ResumeUndo();
    OKA_SaveUndoBackBuffer(2);
    EXPECT_EQ(engine().undo_back_layer[(5 * size_t(W) + 5) * 4], 41);
    OKA_PauseUndo();
    OKA_ClearUndo();
    EXPECT_FALSE(history::undo_paused());
}

TEST_F(Undo, BudgetsManualAndAutomatic) {
    EXPECT_EQ(OKA_SetUndoMB(64), 65536);
    EXPECT_EQ(OKA_GetTotalUndoMemory(), 64);
    const int32_t kb = OKA_SetUndoMB(0);
    EXPECT_TRUE(history::automatic_budget());
    EXPECT_GE(kb, 15 * (W * H / 1024));
    EXPECT_EQ(OKA_GetTotalUndoMemory(), history::budget_kb() / 1024);

    struct Row {
        uint64_t avail;
        int32_t in_use, w, h, budget;
    };
    const Row rows[] = {
        {1000000, 0, 1000, 1000, 850000 - 20 * 976},
        {1000000, 9765, 1000, 1000, 859765 - 20 * 976},
        {1000, 0, 1000, 1000, 15 * 976},  // below the floor
        {0, 0, 0, 0, 0},
        {uint64_t(1) << 40, 0, 10, 10, INT32_MAX},
    };
    for (const Row& k : rows)
        EXPECT_EQ(history::automatic_budget_kb(k.avail, k.in_use, k.w, k.h), k.budget) << k.avail;

    // Under the engine memory limit only the headroom below it counts.
    OKA_SetMemoryLimitMB(int32_t(oka::memory_in_use() >> 20) + 2);
    OKA_SetUndoMB(0);
    const size_t headroom = oka::memory_limit_bytes() - oka::memory_in_use();
    EXPECT_LE(history::budget_kb(), history::automatic_budget_kb(headroom >> 10, engine().undo_memory_kb, W, H));
    OKA_SetUndoMB(64);
}

TEST_F(Undo, AllocatorsGiveUpHistoryUnderTheMemoryLimit) {
    struct Row {
        const char* name;
        bool (*request)();  // asks for 1.5 MB, true on success
    };
    const Row rows[] = {
        {"char", [] { return static_cast<bool>(oka::new_char_undo_reduce(3 << 19)); }},
        {"short", [] { return static_cast<bool>(oka::new_short_undo_reduce(3 << 18)); }},
        {"host", [] {
             void* p = OKA_Alloc(3 << 19);
             OKA_Free(p);
             return p != nullptr;
         }},
    };
    for (const Row& k : rows) {
        SCOPED_TRACE(k.name);
        OKA_SetMemoryLimitMB(0);
        make(256, 256);  // a whole-canvas layer copy is 512 KB
        for (int i = 0; i < 4; ++i) {
            paint(0, 0, 255, 255, uint16_t(i + 1));
            OKA_SaveUndoBuffer(1, 0);
        }
        ASSERT_EQ(OKA_GetUndoCount(), 4);
        // Leave under 1 MB free: the request must give up history, and
        // only as much as it needs (three 512 KB steps).
        OKA_SetMemoryLimitMB(int32_t((oka::memory_in_use() + (1 << 20)) >> 20));
        EXPECT_TRUE(k.request());
        EXPECT_EQ(OKA_GetUndoCount(), 1);
        // The newest change is the one kept.
        const Plane now = layer(2);
        OKA_Undo();
        EXPECT_EQ(layer(2)[0], 3);
        EXPECT_NE(layer(2), now);
    }
    // With nothing left to give up the request fails at once.
    OKA_ClearUndo();
    EXPECT_FALSE(oka::new_short_undo_reduce(size_t(64) << 20));
    EXPECT_EQ(OKA_Alloc(64 << 20), nullptr);
}

TEST_F(Undo, SaveThatCannotFitStoresNothingButKeepsBackBuffersCurrent) {
    make(256, 256);
    paint(0, 0, 255, 255, 1);
    OKA_SaveUndoBuffer(1, 0);
    ASSERT_EQ(OKA_GetUndoCount(), 1);
    // No room for another 512 KB copy even once every step is given up.
    OKA_SetMemoryLimitMB(int32_t((oka::memory_in_use() - (512 << 10)) >> 20));
    paint(0, 0, 255, 255, 2);
    OKA_SaveUndoBuffer(1, 0);
    EXPECT_EQ(OKA_GetUndoCount(), 0);
    EXPECT_EQ(engine().undo_memory_kb, canvas_kb());
    EXPECT_EQ(engine().undo_back_layer[0], 2);
}

TEST_F(Undo, NothingWithoutADocument) {
    paint(0, 0, 3, 3, 5);
    OKA_SaveUndoBuffer(1, 1);
    OKA_DeleteImage();
    EXPECT_EQ(OKA_GetUndoCount(), 0);
    EXPECT_EQ(engine().undo_memory_kb, 0);
    OKA_SaveUndoBuffer(1, 1);
    OKA_Undo();
    OKA_Redo();
    OKA_SaveUndoBackBuffer(2);
    EXPECT_EQ(OKA_StartFade(), 0);
    EXPECT_EQ(OKA_CanUndo(), 0);
    EXPECT_EQ(OKA_GetUndoCount(), 0);
}

TEST_F(Undo, BackBuffersFollowLayerSelectionAndOddLayerSizes) {
    OKA_SetLayer(3);
    paint(0, 0, 2, 2, 33);
    OKA_SetLayer(2);
    OKA_SaveUndoBackBuffer(3);
    EXPECT_EQ(engine().undo_back_layer[0], 33);
    // A layer smaller than the canvas: copies stay inside its plane.
    ASSERT_EQ(OKA_CreateLayer(4, 5, 3), 1);
    OKA_SetLayer(4);
    for (auto i = 0u; i < 5 * 3 * 4; ++i) engine().layers[4].pixels[i] = 77;
    history::widen_dirty_rect(0, 0, 10, 10);
    OKA_SaveUndoBuffer(1, 0);
    for (auto i = 0u; i < 5 * 3 * 4; ++i) engine().layers[4].pixels[i] = 88;
    OKA_InvalidateDirtyUndoCanvas();
    OKA_SaveUndoBuffer(1, 0);
    OKA_Undo();
    for (auto i = 0u; i < 5 * 3 * 4; ++i) ASSERT_EQ(engine().layers[4].pixels[i], 77);
}

// ---- Fade ----

TEST_F(Undo, FadeExchangesTheNextUndoStepAndBack) {
    EXPECT_EQ(OKA_StartFade(), 0);
    const Plane start = layer(2);
    paint(1, 1, 4, 4, 111);
    OKA_SaveUndoBuffer(1, 0);
    paint(6, 6, 9, 9, 222);
    OKA_SaveUndoBuffer(1, 0);
    const Plane unchanged = layer(2);
    EXPECT_EQ(OKA_StartFade(), 0) << "nothing undone";
    EXPECT_EQ(layer(2), unchanged);

    OKA_Undo();
    const Plane after_first = layer(2);
    OKA_StartFade();
    EXPECT_EQ(layer(2), start) << "step 2 holds the state before the first change";
    EXPECT_EQ(OKA_GetRedoCount(), 1u);
    OKA_StartFade();
    EXPECT_EQ(layer(2), after_first) << "the exchange is its own inverse";
    OKA_UpdateFade(50);
    OKA_EndFade();
    OKA_SetGrid(1);
    OKA_SetGridSpacing(8);
    EXPECT_EQ(layer(2), after_first);
    EXPECT_EQ(OKA_GetRedoCount(), 1u);
}

TEST_F(Undo, FadeOfMaskOnlyStepSelectsButChangesNoPixels) {
    paint_mask(0, 0, 3, 3, 9);
    OKA_SaveUndoBuffer(0, 1);
    OKA_SetLayer(3);
    paint(0, 0, 3, 3, 5);
    OKA_SaveUndoBuffer(1, 0);
    OKA_Undo();
    const Plane l2 = layer(2), l3 = layer(3), m = mask();
    OKA_StartFade();
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), l2);
    EXPECT_EQ(layer(3), l3);
    EXPECT_EQ(mask(), m);
}

TEST_F(Undo, FadeNeverReadsPastTheTable) {
    make(2, 2);
    OKA_SetUndoLevels(500);
    for (int i = 0; i < 500; ++i) {
        paint(0, 0, 1, 1, uint16_t(i));
        OKA_SaveUndoBuffer(1, 0);
    }
    for (int i = 0; i < 500; ++i) OKA_Undo();
    ASSERT_EQ(OKA_GetRedoCount(), 500u);
    const Plane now = layer(2);
    EXPECT_EQ(OKA_StartFade(), 0);
    EXPECT_EQ(layer(2), now);
    OKA_Undo();
    EXPECT_EQ(OKA_GetRedoCount(), 500u);
    for (int i = 0; i < 500; ++i) OKA_Redo();
    EXPECT_EQ(layer(2)[0], 499);
}

TEST_F(Undo, FadeOfDeletedLayerLeavesCurrentLayerAlone) {
    OKA_SetLayer(3);
    paint(0, 0, 3, 3, 5);
    OKA_SaveUndoBuffer(1, 0);
    OKA_SetLayer(2);
    paint(0, 0, 3, 3, 6);
    OKA_SaveUndoBuffer(1, 0);
    OKA_Undo();
    OKA_DeleteLayer(3);
    const Plane l2 = layer(2);
    OKA_StartFade();
    EXPECT_EQ(OKA_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), l2);
    EXPECT_TRUE(history::step_info(2).layer_copy) << "a fade only looks; it drops nothing";
}

}  // namespace
