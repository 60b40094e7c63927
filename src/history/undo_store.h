// The undo store's interface as the rest of the engine sees it. The store
// itself (steps, budgets, undo and redo) lives in history/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka::history {

// True while some step can be undone or redone: the allocators may then
// give up history to satisfy a request.
bool has_history() noexcept;
// Give up the oldest steps until at least kb kilobytes were freed (or none
// are left). Returns the bytes actually freed.
size_t reduce_undo(int32_t kb) noexcept;
// Forget every step and release their stored blocks.
void clear_undo() noexcept;
// Copy the current layer and the mask into the undo back buffers.
void save_back_buffer() noexcept;

}  // namespace oka::history
