// Tool and brush state exports.
#include "api/guard.h"
#include "brush/brush_shape.h"
#include "brush/tool_state.h"

using oka::api::guarded;
namespace brush = oka::brush;

extern "C" {

OKA_API void OKA_CALL OKA_SetTool(float intensity, int32_t cellSize, int32_t cellThreshold, int32_t fillThreshold,
                                  int32_t edgeSoftness, int32_t colourVary, int32_t drawingLength,
                                  int32_t blendStrength, int32_t primaryStrength, int32_t remix, int32_t reserved1,
                                  int32_t invert, int32_t reserved2, const char* gritImagePath, const char* shapePath,
                                  int32_t effectValue) {
    guarded("SetTool Excpt", [&] {
        brush::set_tool({intensity, cellSize, cellThreshold, fillThreshold, edgeSoftness, colourVary, drawingLength,
                         blendStrength, primaryStrength, remix, reserved1, invert, reserved2, gritImagePath, shapePath,
                         effectValue});
    });
}

OKA_API void OKA_CALL OKA_SetColor(int32_t r, int32_t g, int32_t b) { brush::set_colour(r, g, b); }
OKA_API void OKA_CALL OKA_SetColor16(int32_t r, int32_t g, int32_t b) { brush::set_colour16(r, g, b); }

OKA_API void OKA_CALL OKA_SetColorBanks(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2,
                                        int32_t r3, int32_t g3, int32_t b3, int32_t r4, int32_t g4, int32_t b4) {
    const int32_t rgb[12] = {r1, g1, b1, r2, g2, b2, r3, g3, b3, r4, g4, b4};
    brush::set_colour_banks(rgb);
}

OKA_API void OKA_CALL OKA_SetSize(int32_t n) { brush::set_size(n); }
OKA_API void OKA_CALL OKA_SetScaleSize(int32_t s) { brush::set_scale_size(s); }
OKA_API void OKA_CALL OKA_SetShapeBlur(int32_t percent) { brush::set_shape_blur(percent); }
OKA_API void OKA_CALL OKA_SetBlendStrength(int32_t s) { brush::set_blend_strength(s); }
OKA_API void OKA_CALL OKA_SetBlendPrimaryColorStrength(int32_t p) { brush::set_primary_strength(p); }
OKA_API void OKA_CALL OKA_SetBlendRemix(int32_t flag) { brush::set_blend_remix(flag); }
OKA_API void OKA_CALL OKA_SetDensity(int32_t d) { brush::set_density(d); }
OKA_API void OKA_CALL OKA_SetAlpha(int32_t percent) { brush::set_alpha(percent); }
OKA_API void OKA_CALL OKA_SetColorVary(int32_t v) { brush::set_colour_vary(v); }
OKA_API void OKA_CALL OKA_SetAlphaLocked(int32_t flag) { brush::set_alpha_locked(flag); }
OKA_API void OKA_CALL OKA_SetColorLocked(int32_t flag) { brush::set_colour_locked(flag); }
OKA_API void OKA_CALL OKA_SetBlobLocked(int32_t flag) { brush::set_blob_locked(flag); }
OKA_API void OKA_CALL OKA_SetAlphaLevel(uint32_t level) { brush::set_alpha_level(level); }
OKA_API void OKA_CALL OKA_SetImageBrushMode(int32_t flag) { brush::set_image_brush_mode(flag); }
OKA_API void OKA_CALL OKA_SetSolidBrushMode(int32_t flag) { brush::set_solid_mode(flag); }
OKA_API void OKA_CALL OKA_SetRotateBrushMode(int32_t mode, int32_t degrees) { brush::set_rotate_mode(mode, degrees); }

OKA_API void OKA_CALL OKA_SetPixColorVary(int32_t v) {
    guarded("SetPixColorVary Excpt", [&] { brush::set_pix_colour_vary(v); });
}

OKA_API void OKA_CALL OKA_SetPixLumVary(int32_t v) {
    guarded("SetPixLumVary Excpt", [&] { brush::set_pix_lum_vary(v); });
}

OKA_API void OKA_CALL OKA_DecDrawingLength(void) { brush::dec_drawing_length(); }
OKA_API void OKA_CALL OKA_TempDisableBlend(void) { brush::temp_disable_blend(); }
OKA_API void OKA_CALL OKA_SetMaskMakerOn(void) { brush::set_mask_maker_on(); }
OKA_API void OKA_CALL OKA_SetEraseModeOn(void) { brush::set_erase_mode_on(); }

OKA_API void OKA_CALL OKA_SetBrushShape(const char* path, int32_t effectValue) {
    guarded("SetBrushShape Excpt", [&] { brush::set_brush_shape(path, effectValue); });
}

OKA_API void OKA_CALL OKA_SetBrushShape_ORIGINAL(const char* path, int32_t effectValue) {
    guarded("SetBrushShape Excpt", [&] { brush::set_brush_shape_original(path, effectValue); });
}

OKA_API void OKA_CALL OKA_UnloadBrushShape(void) {
    guarded("OKA_UnloadBrushShape Excpt", [&] { brush::unload_brush_shape(); });
}

}  // extern "C"
