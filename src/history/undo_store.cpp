#include "history/undo_store.h"

#include <algorithm>
#include <array>
#include <climits>
#include <new>
#include <utility>

#include "engine/engine_state.h"
#include "engine/layers.h"
#include "engine/memory.h"
#include "imaging/rect_copy.h"
#include "platform/system_info.h"

namespace oka::history {
namespace {

// One step: the copies of a rectangle (inclusive corners) of a layer and
// of the mask. Copies are packed w-wide blocks.
struct Step {
    Buffer<uint16_t> layer_copy;  // w * h RGBA64
    Buffer<uint16_t> mask_copy;   // w * h mask values
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int32_t layer = 0;

    bool empty() const noexcept { return !layer_copy && !mask_copy; }
    int32_t w() const noexcept { return x1 - x0 + 1; }
    int32_t h() const noexcept { return y1 - y0 + 1; }
};

struct Store {
    std::array<Step, kMaxUndoLevels> steps;  // steps[0] is step 1
    uint32_t redo = 0;
    int32_t levels = 0;
    int32_t budget_kb = 0;
    bool automatic = false;
    bool paused = false;
    // Set while an undo, redo or fade runs: selecting a layer can reach the
    // undo-reducing allocators, which must not reshape the table then.
    bool busy = false;
    DirtyRect dirty;
};

Store& store() noexcept {
    static Store s;
    return s;
}

class BusyScope {
public:
    BusyScope() noexcept : was_(std::exchange(store().busy, true)) {}
    ~BusyScope() { store().busy = was_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool was_;
};

int32_t clamp_to_int32(int64_t v) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Kilobytes a copy of w x h pixels of the given size is counted as.
int64_t copy_cost_kb(int32_t w, int32_t h, int32_t bytes_per_pixel) noexcept {
    return int64_t{w} * h * bytes_per_pixel / 1024;
}

// Kilobytes the step's copies are counted as.
int64_t step_cost_kb(const Step& s) noexcept {
    return (s.layer_copy ? copy_cost_kb(s.w(), s.h(), 8) : 0) + (s.mask_copy ? copy_cost_kb(s.w(), s.h(), 2) : 0);
}

void add_in_use(int64_t kb) noexcept {
    int32_t& in_use = engine().undo_memory_kb;
    in_use = clamp_to_int32(std::max<int64_t>(0, int64_t{in_use} + kb));
}

// Release a step's copies, lowering the memory in use by their cost, and
// clear the record. Returns the bytes released.
size_t give_up(Step& s) noexcept {
    size_t bytes = 0;
    if (s.layer_copy) {
        bytes += s.layer_copy.bytes();
        add_in_use(-copy_cost_kb(s.w(), s.h(), 8));
    }
    if (s.mask_copy) {
        bytes += s.mask_copy.bytes();
        add_in_use(-copy_cost_kb(s.w(), s.h(), 2));
    }
    s = Step{};
    return bytes;
}

void drop_layer_copy(Step& s) noexcept {
    if (!s.layer_copy) return;
    s.layer_copy.reset();
    add_in_use(-copy_cost_kb(s.w(), s.h(), 8));
}

// Remove the step at table index i: the older steps close ranks.
void remove_step(size_t i) noexcept {
    auto& steps = store().steps;
    give_up(steps[i]);
    std::move(steps.begin() + static_cast<ptrdiff_t>(i) + 1, steps.end(), steps.begin() + static_cast<ptrdiff_t>(i));
    steps.back() = Step{};
}

// Free the redo steps 1..r and move the undoable ones up to position 1.
size_t discard_redo() noexcept {
    Store& st = store();
    if (st.redo == 0) return 0;
    const size_t r = std::min<size_t>(st.redo, st.steps.size());
    size_t bytes = 0;
    for (size_t i = 0; i < r; ++i) bytes += give_up(st.steps[i]);
    std::move(st.steps.begin() + static_cast<ptrdiff_t>(r), st.steps.end(), st.steps.begin());
    for (size_t i = st.steps.size() - r; i < st.steps.size(); ++i) st.steps[i] = Step{};
    st.redo = 0;
    return bytes;
}

// ---- Views of the planes the store moves pixels between ----

imaging::ImageView layer_view(Layer& l) noexcept {
    return imaging::plane_view(l.pixels.data(), l.width, l.height, l.stride, 4);
}

imaging::ImageView back_layer_view() noexcept {
    EngineState& e = engine();
    if (!e.undo_back_layer || e.undo_back_layer.size() < e.canvas_pixels() * 4) return {};
    return imaging::plane_view(e.undo_back_layer.data(), e.width, e.height, e.width * 4, 4);
}

imaging::ImageView back_mask_view() noexcept {
    EngineState& e = engine();
    if (!e.undo_back_mask || e.undo_back_mask.size() < e.canvas_pixels()) return {};
    return imaging::plane_view(e.undo_back_mask.data(), e.width, e.height, e.width, 1);
}

imaging::ImageView mask_view() noexcept {
    EngineState& e = engine();
    if (!e.mask || e.mask.size() < e.canvas_pixels()) return {};
    return imaging::plane_view(e.mask.data(), e.width, e.height, e.width, 1);
}

imaging::ImageView block_view(Buffer<uint16_t>& b, const Step& s, int32_t channels) noexcept {
    return imaging::plane_view(b.data(), s.w(), s.h(), ptrdiff_t{s.w()} * channels, channels);
}

imaging::Rect rect_of(const Step& s) noexcept { return {s.x0, s.y0, s.w(), s.h()}; }

// The exchange of an undo or redo over one plane:
//   plane <- step, step <- back (the state before), back <- plane.
void exchange(const imaging::ImageView& plane, const imaging::ImageView& back, const imaging::ImageView& block,
              const Step& s) noexcept {
    imaging::put_block(plane, s.x0, s.y0, block);
    imaging::get_block(block, back, s.x0, s.y0);
    imaging::copy_rect(back, s.x0, s.y0, plane, rect_of(s));
}

// Make the step's layer current when it is not. The layer it finally
// addresses, or null when that layer has no pixels (selection failed).
Layer* select_step_layer(const Step& s) {
    EngineState& e = engine();
    if (e.current_index != s.layer || !current_layer()) set_layer(s.layer);
    if (e.current_index != s.layer) return nullptr;
    return current_layer();
}

// Apply the step in either direction. A layer copy whose layer is gone is
// dropped rather than applied to whatever layer is current. False when the
// step is (or became) empty and nothing was applied.
bool apply_step(Step& s) {
    if (s.empty()) return false;
    Layer* l = select_step_layer(s);
    if (!l) drop_layer_copy(s);
    if (s.empty()) return false;
    if (s.layer_copy) exchange(layer_view(*l), back_layer_view(), block_view(s.layer_copy, s, 4), s);
    if (s.mask_copy) exchange(mask_view(), back_mask_view(), block_view(s.mask_copy, s, 1), s);
    return true;
}

void recompute_budget() noexcept {
    Store& st = store();
    if (!st.automatic) return;
    const platform::MemoryStatus m = platform::memory_status();
    uint64_t available = std::min(m.avail_physical, m.avail_commit);
    // Under an engine memory limit, only the headroom below it can be had.
    if (const size_t limit = memory_limit_bytes()) {
        const size_t used = memory_in_use();
        available = std::min<uint64_t>(available, limit > used ? limit - used : 0);
    }
    const EngineState& e = engine();
    st.budget_kb = automatic_budget_kb(available >> 10, e.undo_memory_kb, e.width, e.height);
}

bool try_allocate(Buffer<uint16_t>& b, size_t n, int64_t cost_kb) noexcept {
    try {
        b = Buffer<uint16_t>::allocate(n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    add_in_use(cost_kb);
    return true;
}

}  // namespace

// ---- Budgets ----

int32_t automatic_budget_kb(uint64_t available_kb, int32_t in_use_kb, int32_t width, int32_t height) noexcept {
    const int64_t s = int64_t{width} * height / 1024;
    const double raw = 0.85 * static_cast<double>(available_kb) + in_use_kb;
    const int64_t kept = raw >= static_cast<double>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<int64_t>(raw);
    const int64_t budget = std::max(kept - 20 * s, 15 * s);
    return clamp_to_int32(budget);
}

int32_t set_undo_mb(int32_t mb) noexcept {
    Store& st = store();
    if (mb != 0) {
        st.automatic = false;
        st.budget_kb = clamp_to_int32(int64_t{mb} * 1024);
    } else {
        st.automatic = true;
        recompute_budget();
    }
    return st.budget_kb;
}

int32_t total_undo_memory_mb() noexcept {
    recompute_budget();
    return store().budget_kb / 1024;
}

int32_t current_undo_memory_mb() noexcept { return engine().undo_memory_kb / 1024; }
int32_t budget_kb() noexcept { return store().budget_kb; }
bool automatic_budget() noexcept { return store().automatic; }

// ---- Dirty rectangle ----

DirtyRect dirty_rect() noexcept { return store().dirty; }

void reset_dirty_rect() noexcept {
    const EngineState& e = engine();
    store().dirty = {e.width - 1, e.height - 1, 0, 0};
}

void invalidate_dirty_canvas() noexcept {
    const EngineState& e = engine();
    store().dirty = {0, 0, e.width - 1, e.height - 1};
}

void widen_dirty_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept {
    DirtyRect& d = store().dirty;
    d.x0 = std::min(d.x0, left);
    d.y0 = std::min(d.y0, top);
    d.x1 = std::max(d.x1, right);
    d.y1 = std::max(d.y1, bottom);
}

// ---- Pause ----

void pause_undo() noexcept { store().paused = true; }
void resume_undo() noexcept { store().paused = false; }
bool undo_paused() noexcept { return store().paused; }

// ---- Queries ----

int32_t can_undo() noexcept {
    const Store& st = store();
    return (st.redo < static_cast<uint32_t>(st.levels) && !st.steps[st.redo].empty()) ? 1 : 0;
}

int32_t can_redo() noexcept { return store().redo != 0 ? 1 : 0; }
uint32_t redo_count() noexcept { return store().redo; }
int32_t undo_levels() noexcept { return store().levels; }

int32_t undo_count() noexcept {
    const auto& steps = store().steps;
    return static_cast<int32_t>(std::count_if(steps.begin(), steps.end(), [](const Step& s) { return !s.empty(); }));
}

StepInfo step_info(int32_t position) noexcept {
    if (position < 1 || position > kMaxUndoLevels) return {};
    const Step& s = store().steps[static_cast<size_t>(position - 1)];
    return {static_cast<bool>(s.layer_copy), static_cast<bool>(s.mask_copy), s.x0, s.y0, s.x1, s.y1, s.layer};
}

const uint16_t* step_layer_block(int32_t position) noexcept {
    if (position < 1 || position > kMaxUndoLevels) return nullptr;
    const Step& s = store().steps[static_cast<size_t>(position - 1)];
    return s.layer_copy ? s.layer_copy.data() : nullptr;
}

bool has_history() noexcept {
    const Store& st = store();
    if (st.busy) return false;
    return std::any_of(st.steps.begin(), st.steps.end(), [](const Step& s) { return !s.empty(); });
}

// ---- Back buffers ----

void save_back_buffer(int32_t layer) noexcept {
    if (store().paused) return;
    if (Layer* l = present_layer(layer)) imaging::copy_rect(back_layer_view(), 0, 0, layer_view(*l), {0, 0, l->width, l->height});
    const EngineState& e = engine();
    imaging::copy_rect(back_mask_view(), 0, 0, mask_view(), {0, 0, e.width, e.height});
}

void save_back_buffer() noexcept { save_back_buffer(engine().current_index); }

// ---- Clearing and reducing ----

void clear_undo() noexcept {
    Store& st = store();
    reset_dirty_rect();
    st.paused = false;
    st.redo = 0;
    for (Step& s : st.steps) s = Step{};
    const EngineState& e = engine();
    // The two back buffers: 8 + 2 bytes a canvas pixel.
    engine().undo_memory_kb = clamp_to_int32(int64_t{e.width} * e.height * 10 / 1024);
    save_back_buffer();
    recompute_budget();
}

size_t reduce_undo(int32_t kb) noexcept {
    Store& st = store();
    if (st.busy) return 0;
    size_t bytes = discard_redo();
    int64_t freed_kb = 0;
    for (int32_t j = st.levels; j >= 1 && kb > 0; --j) {
        Step& s = st.steps[static_cast<size_t>(j - 1)];
        if (s.empty()) continue;
        if (freed_kb >= kb) break;
        freed_kb += step_cost_kb(s);
        bytes += give_up(s);
    }
    return bytes;
}

int32_t set_undo_levels(int32_t n) {
    clear_undo();
    store().levels = std::clamp(n, 0, kMaxUndoLevels);
    return store().levels;
}

// ---- Saving ----

void save_undo_buffer(bool save_layer, bool save_mask) {
    Store& st = store();
    EngineState& e = engine();
    if (st.paused) return;
    // Without a document (before creation, after deletion) there are no
    // back buffers to take a before-image from.
    if (!e.undo_back_layer || !e.undo_back_mask) return;

    DirtyRect& d = st.dirty;
    d.x0 = std::max(d.x0, 0);
    d.y0 = std::max(d.y0, 0);
    d.x1 = std::min(d.x1, e.width - 1);
    d.y1 = std::min(d.y1, e.height - 1);

    discard_redo();

    // An empty rectangle, or one a single column or row across, stands for
    // the whole canvas.
    Step fresh;
    fresh.x0 = d.x0;
    fresh.y0 = d.y0;
    fresh.x1 = d.x1;
    fresh.y1 = d.y1;
    if (fresh.x0 >= fresh.x1 || fresh.y0 >= fresh.y1) {
        fresh.x0 = 0;
        fresh.y0 = 0;
        fresh.x1 = e.width - 1;
        fresh.y1 = e.height - 1;
    }
    const int32_t w = fresh.w(), h = fresh.h();
    if (w < 1 || h < 1) return;
    fresh.layer = e.current_index;
    const imaging::Rect rect = rect_of(fresh);

    // A layer copy needs a current layer to take it from.
    Layer* current = current_layer();
    const bool want_layer = save_layer && current && !back_layer_view().empty();
    const bool want_mask = save_mask && !mask_view().empty() && !back_mask_view().empty();

    recompute_budget();

    // Make room from the oldest kept step down. The oldest always goes (it
    // would fall off the end); older steps go one by one until the new one
    // fits the budget, or until only step 1's place is left, where the
    // copies are tried whatever the budget.
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const int64_t need_kb = int64_t{w} * h * 10 / 1024;
    bool obtained = false;
    for (int32_t j = st.levels; j >= 1; --j) {
        give_up(st.steps[static_cast<size_t>(j - 1)]);
        if (need_kb + e.undo_memory_kb < st.budget_kb || j == 1) {
            if (want_layer && !fresh.layer_copy) try_allocate(fresh.layer_copy, pixels * 4, copy_cost_kb(w, h, 8));
            if (want_mask && !fresh.mask_copy) try_allocate(fresh.mask_copy, pixels, copy_cost_kb(w, h, 2));
            if ((!want_layer || fresh.layer_copy) && (!want_mask || fresh.mask_copy)) {
                obtained = true;
                break;
            }
        }
    }

    if (obtained) {
        // Take the before-image from the back buffers.
        if (fresh.layer_copy) imaging::get_block(block_view(fresh.layer_copy, fresh, 4), back_layer_view(), fresh.x0, fresh.y0);
        if (fresh.mask_copy) imaging::get_block(block_view(fresh.mask_copy, fresh, 1), back_mask_view(), fresh.x0, fresh.y0);
        auto& steps = st.steps;
        const auto end = steps.begin() + st.levels;
        std::move_backward(steps.begin(), end - 1, end);
        steps[0] = std::move(fresh);
    } else {
        give_up(fresh);
    }

    // In both cases the back buffers follow the planes.
    if (save_layer && current) imaging::copy_rect(back_layer_view(), rect.x, rect.y, layer_view(*current), rect);
    if (save_mask) imaging::copy_rect(back_mask_view(), rect.x, rect.y, mask_view(), rect);

    reset_dirty_rect();
}

// ---- Undo and redo ----

void undo() {
    Store& st = store();
    if (st.paused) return;
    BusyScope busy;
    while (st.redo < static_cast<uint32_t>(st.levels) && !st.steps[st.redo].empty()) {
        if (apply_step(st.steps[st.redo])) {
            ++st.redo;
            return;
        }
        remove_step(st.redo);
    }
}

void redo() {
    Store& st = store();
    if (st.paused) return;
    BusyScope busy;
    while (st.redo > 0) {
        --st.redo;
        if (apply_step(st.steps[st.redo])) return;
        remove_step(st.redo);
    }
}

bool exchange_step_layer(int32_t position) {
    if (position < 1 || position > kMaxUndoLevels) return false;
    BusyScope busy;
    Step& s = store().steps[static_cast<size_t>(position - 1)];
    if (s.empty()) return false;
    Layer* l = select_step_layer(s);
    if (!l || !s.layer_copy) return false;
    exchange(layer_view(*l), back_layer_view(), block_view(s.layer_copy, s, 4), s);
    return true;
}

}  // namespace oka::history
