// Undo history and fade exports.
#include "api/guard.h"
#include "history/fade.h"
#include "history/undo_store.h"

using oka::api::guarded;
namespace history = oka::history;

extern "C" {

OKA_API void OKA_CALL OKA_SaveUndoBuffer(int32_t saveLayer, int32_t saveMask) {
    // Only the low byte of each flag counts.
    guarded("SaveUndoBuf Excpt", [&] { history::save_undo_buffer((saveLayer & 0xFF) != 0, (saveMask & 0xFF) != 0); });
}

OKA_API void OKA_CALL OKA_SaveUndoBackBuffer(int32_t layer) {
    guarded("SaveUndoBackBuffer Excpt", [&] { history::save_back_buffer(layer); });
}

OKA_API void OKA_CALL OKA_Undo(void) {
    guarded("Undo Excpt", [&] { history::undo(); });
}

OKA_API void OKA_CALL OKA_Redo(void) {
    guarded("Redo Excpt", [&] { history::redo(); });
}

OKA_API int32_t OKA_CALL OKA_CanUndo(void) { return history::can_undo(); }

OKA_API int32_t OKA_CALL OKA_CanRedo(void) { return history::can_redo(); }

OKA_API uint32_t OKA_CALL OKA_GetRedoCount(void) { return history::redo_count(); }

OKA_API int32_t OKA_CALL OKA_GetUndoCount(void) { return history::undo_count(); }

OKA_API int32_t OKA_CALL OKA_SetUndoLevels(int32_t levels) {
    return guarded("SetUndoLevels Excpt", 0, [&] { return history::set_undo_levels(levels); });
}

OKA_API int32_t OKA_CALL OKA_SetUndoMB(int32_t mb) { return history::set_undo_mb(mb); }

OKA_API int32_t OKA_CALL OKA_GetTotalUndoMemory(void) { return history::total_undo_memory_mb(); }

OKA_API int32_t OKA_CALL OKA_GetCurrentUndoMemory(void) { return history::current_undo_memory_mb(); }

OKA_API void OKA_CALL OKA_ClearUndo(void) { history::clear_undo(); }

OKA_API void OKA_CALL OKA_ReduceUndo(int32_t kb) { history::reduce_undo(kb); }

OKA_API void OKA_CALL OKA_PauseUndo(void) { history::pause_undo(); }

OKA_API void OKA_CALL OKA_ResumeUndo(void) { history::resume_undo(); }

OKA_API void OKA_CALL OKA_InvalidateDirtyUndoCanvas(void) { history::invalidate_dirty_canvas(); }

OKA_API int32_t OKA_CALL OKA_StartFade(void) {
    return guarded("StartFade Excpt", 0, [&] { return history::start_fade(); });
}

OKA_API void OKA_CALL OKA_UpdateFade(int32_t value) { history::update_fade(value); }

OKA_API void OKA_CALL OKA_EndFade(void) { history::end_fade(); }

// The grid entry points are the fade's empty update.
OKA_API void OKA_CALL OKA_SetGrid(int32_t value) { history::update_fade(value); }

OKA_API void OKA_CALL OKA_SetGridSpacing(int32_t value) { history::update_fade(value); }

}  // extern "C"
