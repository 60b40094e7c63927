#include "history/fade.h"

#include "history/undo_store.h"

namespace oka::history {

int32_t start_fade() {
    const uint32_t r = redo_count();
    // Step r + 1 must exist in the table: with all 500 steps undone there
    // is no step behind them to show.
    if (r == 0 || r >= static_cast<uint32_t>(kMaxUndoLevels)) return 0;
    exchange_step_layer(static_cast<int32_t>(r) + 1);
    return 1;
}

void update_fade(int32_t) noexcept {}
void end_fade() noexcept {}

}  // namespace oka::history
