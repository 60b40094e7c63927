// Small blurs of single-channel byte images.
#pragma once

#include <cstdint>

namespace oka::imaging {

// A 3 x 3 binomial blur ([1 2 1] across and down, / 16) of a w x h grey
// image, blended with the original by amount percent (100 = fully blurred).
// Edges repeat their outermost pixels. src and dst must not overlap.
// Returns false for null images or non-positive sizes.
bool blur_grey_3x3(const uint8_t* src, int32_t w, int32_t h, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                   int32_t amount_percent) noexcept;

}  // namespace oka::imaging
