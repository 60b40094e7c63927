// Selection mask store exports.
#include "api/guard.h"
#include "mask/mask_store.h"

namespace mask = oka::mask;

extern "C" {

OKA_API void OKA_CALL OKA_EnableMask(int32_t on) { mask::enable_mask(static_cast<uint8_t>(on)); }

OKA_API void OKA_CALL OKA_DisplayMask(int32_t on) { mask::display_mask(static_cast<uint8_t>(on)); }

OKA_API void OKA_CALL OKA_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2,
                                         int32_t full) {
    mask::set_mask_options(r1, g1, b1, r2, g2, b2, full);
}

OKA_API void OKA_CALL OKA_InvertMask(void) { mask::invert_mask(); }

OKA_API void OKA_CALL OKA_ClearMask(int32_t r, int32_t g, int32_t b) { mask::clear_mask(r, g, b); }

OKA_API void OKA_CALL OKA_SaveMask(void* picture, int32_t stride) {
    mask::save_mask(static_cast<uint8_t*>(picture), stride);
}

OKA_API void OKA_CALL OKA_LoadMask(const void* picture, int32_t stride, int32_t width, int32_t height) {
    mask::load_mask(static_cast<const uint8_t*>(picture), stride, width, height);
}

OKA_API void OKA_CALL OKA_CombineMask(const void* picture, int32_t stride, int32_t invert, int32_t amount,
                                      const char* mode) {
    mask::combine_mask(static_cast<const uint8_t*>(picture), stride, invert, amount, mode);
}

}  // extern "C"
