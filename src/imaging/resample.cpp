#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include <omp.h>

namespace oka::imaging {

namespace {

constexpr double kPi = 3.14159265358979323846;

double sinc(double x) {
    if (x == 0.0) return 1.0;
    x *= kPi;
    return std::sin(x) / x;
}

// The Mitchell-Netravali two-parameter cubic family, support 2. (B, C) =
// (1, 0) is the cubic B-spline, (0, C) the Keys cubic with a = -C, (0, 0.5)
// Catmull-Rom, (1/3, 1/3) Mitchell's recommendation.
template <int B12, int C12>  // B and C in twelfths, so they can be template arguments
double cubic_bc(double x) {
    constexpr double B = B12 / 12.0, C = C12 / 12.0;
    x = std::fabs(x);
    if (x < 1.0) return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6.0;
    if (x < 2.0)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6.0;
    return 0.0;
}

double box(double x) { return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0; }
double triangle(double x) { return std::max(0.0, 1.0 - std::fabs(x)); }
double hamming(double x) { return std::fabs(x) < 1.0 ? sinc(x) * (0.54 + 0.46 * std::cos(kPi * x)) : 0.0; }
double hanning(double x) { return std::fabs(x) < 1.0 ? sinc(x) * (0.5 + 0.5 * std::cos(kPi * x)) : 0.0; }
double gaussian(double x) { return std::fabs(x) < 1.25 ? std::exp(-2.0 * x * x) : 0.0; }
double bell(double x) {
    x = std::fabs(x);
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}
double hermite(double x) {
    x = std::fabs(x);
    return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}
double lanczos3(double x) { return std::fabs(x) < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0; }
double sinc4(double x) { return std::fabs(x) < 4.0 ? sinc(x) : 0.0; }

constexpr ResampleKernel kKernels[] = {
    {"Box", kResampleBox, KernelKind::filter, 0.5, box},
    {"Triangle", kResampleTriangle, KernelKind::filter, 1.0, triangle},
    {"Hamming", kResampleHamming, KernelKind::filter, 1.0, hamming},
    {"Gaussian", kResampleGaussian, KernelKind::filter, 1.25, gaussian},
    {"Bell", kResampleBell, KernelKind::filter, 1.5, bell},
    {"B-Spline", kResampleBSpline, KernelKind::filter, 2.0, cubic_bc<12, 0>},
    {"Cubic 1", kResampleCubic1, KernelKind::filter, 2.0, cubic_bc<0, 12>},  // Keys a = -1
    {"Cubic 2", kResampleCubic2, KernelKind::filter, 2.0, cubic_bc<6, 3>},   // B = 1/2, C = 1/4
    {"Lanczos3", kResampleLanczos3, KernelKind::filter, 3.0, lanczos3},
    {"Mitchell", kResampleMitchell, KernelKind::filter, 2.0, cubic_bc<4, 4>},
    {"Sinc", kResampleSinc, KernelKind::filter, 4.0, sinc4},
    {"Hermite", kResampleHermite, KernelKind::filter, 1.0, hermite},
    {"Hanning", kResampleHanning, KernelKind::filter, 1.0, hanning},
    {"Catrom", kResampleCatrom, KernelKind::filter, 2.0, cubic_bc<0, 6>},
    {"Area Average", kResampleAreaAverage, KernelKind::area, 0.0, nullptr},
    {"Bicubic", kResampleBicubic, KernelKind::filter, 2.0, cubic_bc<0, 9>},  // Keys a = -3/4
    {"Nearest Neighbor", kResampleNearest, KernelKind::nearest, 0.0, nullptr},
    {"Bilinear", kResampleNearest, KernelKind::nearest, 0.0, nullptr},
};

// Weights of one axis: destination i takes taps first[i] .. first[i] +
// count[i] - 1 with weights w[i * stride ...], summing to 1.
struct Axis {
    std::vector<int32_t> first, count;
    std::vector<float> w;
    size_t stride = 0;
};

Axis build_axis(const ResampleKernel& k, int32_t src, int32_t dst) {
    Axis a;
    a.first.resize(static_cast<size_t>(dst));
    a.count.resize(static_cast<size_t>(dst));
    const double scale = static_cast<double>(src) / dst;  // source pixels per destination pixel

    if (k.kind == KernelKind::nearest) {
        a.stride = 1;
        a.w.assign(static_cast<size_t>(dst), 1.0f);
        for (int32_t i = 0; i < dst; ++i) {
            a.first[i] = std::min(static_cast<int32_t>((i + 0.5) * scale), src - 1);
            a.count[i] = 1;
        }
        return a;
    }

    // Taps: every source pixel j whose centre j + 0.5 lies within the
    // kernel's reach of the destination centre (i + 0.5) x scale; indices
    // beyond the edges fold onto the edge pixel, so the tap range is always
    // a contiguous part of 0 .. src - 1.
    const double stretch = (k.kind == KernelKind::filter && scale > 1.0) ? scale : 1.0;
    const double reach = k.kind == KernelKind::area ? std::max(scale, 1.0) + 1.0 : k.support * stretch;
    a.stride = static_cast<size_t>(std::ceil(2.0 * reach)) + 2;
    a.w.assign(static_cast<size_t>(dst) * a.stride, 0.0f);
    std::vector<double> acc(a.stride);
    for (int32_t i = 0; i < dst; ++i) {
        const double centre = (i + 0.5) * scale;
        const int64_t lo = static_cast<int64_t>(std::floor(centre - reach));
        const int64_t hi = static_cast<int64_t>(std::ceil(centre + reach));
        const int32_t first = static_cast<int32_t>(std::clamp<int64_t>(lo, 0, src - 1));
        const int32_t last = static_cast<int32_t>(std::clamp<int64_t>(hi, 0, src - 1));
        std::fill(acc.begin(), acc.end(), 0.0);
        double sum = 0.0;
        for (int64_t j = lo; j <= hi; ++j) {
            double wt;
            if (k.kind == KernelKind::area) {
                // Exact overlap of source pixel [j, j + 1) with the
                // destination footprint [i, i + 1) x scale.
                const double a0 = std::max<double>(j, i * scale), a1 = std::min<double>(j + 1, (i + 1) * scale);
                wt = std::max(0.0, a1 - a0);
            } else {
                wt = k.weight((j + 0.5 - centre) / stretch);
            }
            if (wt == 0.0) continue;
            const int32_t t = static_cast<int32_t>(std::clamp<int64_t>(j, 0, src - 1));
            acc[static_cast<size_t>(t - first)] += wt;
            sum += wt;
        }
        if (std::fabs(sum) < 1e-12) {  // a kernel that missed every tap: nearest pixel
            acc.assign(a.stride, 0.0);
            acc[static_cast<size_t>(std::clamp(static_cast<int32_t>(centre), first, last) - first)] = 1.0;
            sum = 1.0;
        }
        a.first[i] = first;
        a.count[i] = last - first + 1;
        for (int32_t t = 0; t < a.count[i]; ++t)
            a.w[static_cast<size_t>(i) * a.stride + static_cast<size_t>(t)] = static_cast<float>(acc[t] / sum);
    }
    return a;
}

template <class T>
T to_channel(float v) {
    constexpr float top = static_cast<float>(std::numeric_limits<T>::max());
    if (!(v > 0.0f)) return 0;
    if (v >= top) return std::numeric_limits<T>::max();
    return static_cast<T>(v + 0.5f);
}

// Horizontal pass: src rows -> tmp rows of dw x CH floats.
template <class T, int CH>
void horizontal(const T* src, int32_t sh, size_t src_stride, float* tmp, int32_t dw, const Axis& ax) {
    const size_t tmp_stride = static_cast<size_t>(dw) * CH;
#pragma omp parallel for schedule(static) if (static_cast<int64_t>(sh) * dw > 65536)
    for (int32_t y = 0; y < sh; ++y) {
        const T* s = src + static_cast<size_t>(y) * src_stride;
        float* t = tmp + static_cast<size_t>(y) * tmp_stride;
        for (int32_t x = 0; x < dw; ++x) {
            float acc[CH] = {};
            const float* w = ax.w.data() + static_cast<size_t>(x) * ax.stride;
            const T* p = s + static_cast<size_t>(ax.first[x]) * CH;
            for (int32_t k = 0; k < ax.count[x]; ++k, p += CH)
                for (int c = 0; c < CH; ++c) acc[c] += w[k] * static_cast<float>(p[c]);
            for (int c = 0; c < CH; ++c) t[static_cast<size_t>(x) * CH + c] = acc[c];
        }
    }
}

// Vertical pass: tmp rows -> dst rows, one destination row at a time.
template <class T>
void vertical(const float* tmp, int32_t dw, int32_t channels, T* dst, int32_t dh, size_t dst_stride, const Axis& ay) {
    const size_t row = static_cast<size_t>(dw) * static_cast<size_t>(channels);
    // One accumulator row per thread, allocated here: nothing may throw
    // inside the parallel region.
    std::vector<float> accs(row * static_cast<size_t>(omp_get_max_threads()));
#pragma omp parallel if (static_cast<int64_t>(dh) * dw > 65536)
    {
        float* acc = accs.data() + row * static_cast<size_t>(omp_get_thread_num());
#pragma omp for schedule(static)
        for (int32_t y = 0; y < dh; ++y) {
            std::fill(acc, acc + row, 0.0f);
            const float* w = ay.w.data() + static_cast<size_t>(y) * ay.stride;
            for (int32_t k = 0; k < ay.count[y]; ++k) {
                const float* t = tmp + static_cast<size_t>(ay.first[y] + k) * row;
                const float wk = w[k];
                for (size_t i = 0; i < row; ++i) acc[i] += wk * t[i];
            }
            T* d = dst + static_cast<size_t>(y) * dst_stride;
            for (size_t i = 0; i < row; ++i) d[i] = to_channel<T>(acc[i]);
        }
    }
}

}  // namespace

std::span<const ResampleKernel> resample_kernels() noexcept { return kKernels; }

int32_t resample_code(const char* name) noexcept {
    if (name)
        for (const auto& k : kKernels)
            if (std::strcmp(k.name, name) == 0) return k.code;
    return kResampleLanczos3;
}

const ResampleKernel* resample_kernel(int32_t code) noexcept {
    for (const auto& k : kKernels)
        if (k.code == code) return &k;
    return nullptr;
}

template <class T>
bool resample(const T* src, int32_t sw, int32_t sh, size_t src_stride, T* dst, int32_t dw, int32_t dh,
              size_t dst_stride, int32_t channels, int32_t code) {
    const ResampleKernel* k = resample_kernel(code);
    if (!k || !src || !dst || sw < 1 || sh < 1 || dw < 1 || dh < 1 || channels < 1 || channels > 4) return false;
    if (src_stride < static_cast<size_t>(sw) * channels || dst_stride < static_cast<size_t>(dw) * channels) return false;
    try {
        const Axis ax = build_axis(*k, sw, dw);
        const Axis ay = build_axis(*k, sh, dh);
        std::vector<float> tmp(static_cast<size_t>(dw) * static_cast<size_t>(channels) * static_cast<size_t>(sh));
        switch (channels) {
            case 1: horizontal<T, 1>(src, sh, src_stride, tmp.data(), dw, ax); break;
            case 2: horizontal<T, 2>(src, sh, src_stride, tmp.data(), dw, ax); break;
            case 3: horizontal<T, 3>(src, sh, src_stride, tmp.data(), dw, ax); break;
            default: horizontal<T, 4>(src, sh, src_stride, tmp.data(), dw, ax); break;
        }
        vertical<T>(tmp.data(), dw, channels, dst, dh, dst_stride, ay);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

template bool resample<uint8_t>(const uint8_t*, int32_t, int32_t, size_t, uint8_t*, int32_t, int32_t, size_t, int32_t,
                                int32_t);
template bool resample<uint16_t>(const uint16_t*, int32_t, int32_t, size_t, uint16_t*, int32_t, int32_t, size_t,
                                 int32_t, int32_t);

}  // namespace oka::imaging
