// The engine's side of a fade: showing the change held by an undo step
// against the state before it, by exchanging the step's layer pixels with
// the layer exactly as an undo does, without moving the redo count. The
// exchange is its own inverse, so a second start puts the layer back.
#pragma once

#include <cstdint>

namespace oka::history {

// Exchange step r + 1 (the step the next undo would apply) with its layer.
// 0 when nothing is undone (r = 0) or r + 1 lies beyond the 500-step table;
// otherwise 1, whether or not pixels were exchanged (an empty step, a step
// with only a mask copy or one whose layer has no pixels exchanges none).
int32_t start_fade();

// The fade's progress and end, and the grid entry points: the host calls
// them, the engine has nothing to do.
void update_fade(int32_t value) noexcept;
void end_fade() noexcept;

}  // namespace oka::history
