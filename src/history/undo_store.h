// The undo store: a table of up to 500 steps, each the before-image (or,
// once undone, the after-image) of one rectangle of a layer and/or of the
// mask, kept within a level count and a memory budget in kilobytes.
//
// Painting copies nothing: the engine only widens the dirty rectangle. A
// save takes the rectangle's before-image from the two full-canvas back
// buffers (engine().undo_back_layer / undo_back_mask, which hold the
// current layer and the mask as of the last save) and then brings them up
// to date. Undo and redo exchange a step's pixels with the plane through
// the back buffer, so one record serves both directions:
//
//     plane <- step,  step <- back,  back <- plane     (over the rectangle)
//
// Steps are numbered 1 (newest) .. 500 (oldest). With redo count r, steps
// 1..r were undone and hold after-images; steps r+1.. hold before-images.
//
// Memory in use (engine().undo_memory_kb) counts the back buffers plus every
// stored copy, each as trunc(w * h * bytes_per_pixel / 1024) kilobytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::history {

constexpr int32_t kMaxUndoLevels = 500;

// ---- Used by the allocators, the layer table and the document lifetime ----

// True while the store holds a stored copy it could give up. False while
// the store itself is busy (an undo selecting its layer may allocate; the
// table must not change under it).
bool has_history() noexcept;
// Discard the redo steps, then give up the oldest steps until at least kb
// kilobytes (by the store's accounting) were freed or none are left.
// Returns the bytes actually released, redo steps included, so that a
// caller can tell a reduction that freed nothing.
size_t reduce_undo(int32_t kb) noexcept;
// Empty the store: every step, the redo count, the pause flag and the
// dirty rectangle; memory in use becomes the back buffers' cost, the back
// buffers are refreshed from the current layer and the mask, and an
// automatic budget is recomputed.
void clear_undo() noexcept;
// Copy the current layer and the mask into the back buffers.
void save_back_buffer() noexcept;

// ---- The store's operations ----

// Copy layer `layer`'s plane and the mask plane into the back buffers, each
// only where both exist (clipped to the overlap when a layer is not canvas
// sized). Nothing while paused.
void save_back_buffer(int32_t layer) noexcept;
// Store one step for the current layer over the dirty rectangle (a
// rectangle narrower or shorter than two pixels, or empty, stands for the
// whole canvas). save_layer / save_mask choose the planes; neither stores
// an empty step. Nothing while paused or without a document.
void save_undo_buffer(bool save_layer, bool save_mask);
// Undo step r + 1 / redo step r. A step whose layer no longer has pixels
// never touches the current layer: its layer copy is dropped (a mask copy
// still applies), and a step left empty is removed from the table, the
// call moving on to the next step in the same direction.
void undo();
void redo();

int32_t can_undo() noexcept;
int32_t can_redo() noexcept;
uint32_t redo_count() noexcept;
// Non-empty steps among all 500, undoable and redoable alike.
int32_t undo_count() noexcept;
int32_t undo_levels() noexcept;
// Clear the store, then keep min(n, 500) levels (a negative n keeps 0).
// Returns the stored count.
int32_t set_undo_levels(int32_t n);
// mb != 0: manual budget of mb x 1024 KB; mb == 0: automatic budget,
// computed at once. Returns the budget in KB.
int32_t set_undo_mb(int32_t mb) noexcept;
// Recompute an automatic budget, then the budget in whole megabytes.
int32_t total_undo_memory_mb() noexcept;
// Memory in use in whole megabytes.
int32_t current_undo_memory_mb() noexcept;
int32_t budget_kb() noexcept;
bool automatic_budget() noexcept;

void pause_undo() noexcept;
void resume_undo() noexcept;
bool undo_paused() noexcept;

// Automatic budget in KB from the memory available to the engine (KB),
// the memory in use (KB) and the canvas size:
//   S = width * height / 1024
//   budget = max(trunc(0.85 * available + in_use) - 20 S, 15 S)
// Two full-canvas steps (20 bytes a pixel) stay free for other work.
int32_t automatic_budget_kb(uint64_t available_kb, int32_t in_use_kb, int32_t width, int32_t height) noexcept;

// ---- The dirty rectangle (inclusive corners) ----

struct DirtyRect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    friend bool operator==(const DirtyRect&, const DirtyRect&) = default;
};
DirtyRect dirty_rect() noexcept;
// Grow the rectangle to include left..right x top..bottom (dabs).
void widen_dirty_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept;
// The whole canvas: whole-layer operations.
void invalidate_dirty_canvas() noexcept;
// The empty rectangle: (width - 1, height - 1, 0, 0).
void reset_dirty_rect() noexcept;

// ---- Step inspection and the fade's exchange ----

struct StepInfo {
    bool layer_copy = false;
    bool mask_copy = false;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int32_t layer = 0;
    bool empty() const noexcept { return !layer_copy && !mask_copy; }
};
// Step `position` (1..500); an empty record outside that range.
StepInfo step_info(int32_t position) noexcept;
// The RGBA64 block of step `position` (rows of x1 - x0 + 1 pixels covering
// its rectangle), or null when it holds no layer copy.
const uint16_t* step_layer_block(int32_t position) noexcept;

// Select the layer of step `position` and exchange the step's layer copy
// with that layer through the back buffer, as an undo does, leaving the
// redo count, the mask and the mask copy alone. Nothing for a position
// outside 1..500 or an empty step; a step whose layer has no pixels is
// left untouched and the current layer too. Returns true when pixels were
// exchanged.
bool exchange_step_layer(int32_t position);

}  // namespace oka::history
