// Separable image resampling by named kernels.
//
// Each kernel has a name and a numeric code (the codes callers pass when
// they select a kernel by number). A resize runs two 1-D passes: every
// destination pixel is a normalised weighted sum of source pixels whose
// weights come from the kernel, stretched by the scale factor when the
// image shrinks so that every source pixel contributes (no aliasing).
// Pixels beyond the edges repeat the edge pixel. Channels are filtered
// independently; results are rounded and clamped to the channel range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace oka::imaging {

enum ResampleCode : int32_t {
    kResampleBox = 0,
    kResampleTriangle = 1,
    kResampleHamming = 2,
    kResampleGaussian = 3,
    kResampleBell = 4,
    kResampleBSpline = 5,
    kResampleCubic1 = 6,
    kResampleCubic2 = 7,
    kResampleLanczos3 = 8,
    kResampleMitchell = 9,
    kResampleSinc = 10,
    kResampleHermite = 11,
    kResampleHanning = 12,
    kResampleCatrom = 13,
    kResampleAreaAverage = 15,
    kResampleBicubic = 17,
    kResampleNearest = 18,
};

enum class KernelKind { filter, area, nearest };

struct ResampleKernel {
    const char* name;
    int32_t code;
    KernelKind kind;
    double support;            // half-width at scale 1 (filter kernels)
    double (*weight)(double);  // filter kernels only
};

// The kernel table, in code order. "Nearest Neighbor" and "Bilinear" share
// code 18 (nearest neighbour).
std::span<const ResampleKernel> resample_kernels() noexcept;
// Code of a kernel name (exact, case-sensitive); any other name, and null,
// gives Lanczos3's 8.
int32_t resample_code(const char* name) noexcept;
// Kernel of a code, or nullptr for a code that names none.
const ResampleKernel* resample_kernel(int32_t code) noexcept;

// Resize src (sw x sh pixels of `channels` values, rows src_stride values
// apart) into dst (dw x dh, rows dst_stride values apart) with the kernel
// of `code`. T is uint8_t or uint16_t. Returns false, leaving dst
// untouched, for an unknown code, a null buffer, a size below 1, a stride
// shorter than a row, a channel count outside 1..4, or a failed allocation.
template <class T>
bool resample(const T* src, int32_t sw, int32_t sh, size_t src_stride, T* dst, int32_t dw, int32_t dh,
              size_t dst_stride, int32_t channels, int32_t code);

extern template bool resample<uint8_t>(const uint8_t*, int32_t, int32_t, size_t, uint8_t*, int32_t, int32_t, size_t,
                                       int32_t, int32_t);
extern template bool resample<uint16_t>(const uint16_t*, int32_t, int32_t, size_t, uint16_t*, int32_t, int32_t,
                                        size_t, int32_t, int32_t);

}  // namespace oka::imaging
