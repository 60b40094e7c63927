#include "engine/rle_codec.h"

#include <algorithm>
#include <cstring>

namespace oka::rle {
namespace {

// The four high bytes of an RGBA64 pixel packed R, G, B, A from the low
// end, so that two pixels match exactly when their keys are equal.
inline uint32_t rgba_key(const uint16_t* p) noexcept {
    return uint32_t{static_cast<uint8_t>(p[0] >> 8)} | uint32_t{static_cast<uint8_t>(p[1] >> 8)} << 8 |
           uint32_t{static_cast<uint8_t>(p[2] >> 8)} << 16 | uint32_t{static_cast<uint8_t>(p[3] >> 8)} << 24;
}

inline uint8_t* put_rgba(uint8_t* d, uint32_t run, uint32_t key) noexcept {
    d[0] = static_cast<uint8_t>(run);
    d[1] = static_cast<uint8_t>(key);
    d[2] = static_cast<uint8_t>(key >> 8);
    d[3] = static_cast<uint8_t>(key >> 16);
    d[4] = static_cast<uint8_t>(key >> 24);
    return d + kRgbaRecordBytes;
}

inline uint8_t* put_grey(uint8_t* d, uint32_t run, uint8_t key) noexcept {
    d[0] = static_cast<uint8_t>(run);
    d[1] = key;
    return d + kGreyRecordBytes;
}

}  // namespace

size_t encode_rgba64(const uint16_t* src, size_t count, uint8_t* dst) noexcept {
    if (count == 0) return 0;
    uint8_t* d = dst;
    uint32_t key = rgba_key(src);
    uint32_t run = 1;
    for (size_t i = 1; i < count; ++i) {
        const uint32_t k = rgba_key(src + i * 4);
        if (k == key && run < kMaxRun) {
            ++run;
        } else {
            d = put_rgba(d, run, key);
            key = k;
            run = 1;
        }
    }
    d = put_rgba(d, run, key);
    return static_cast<size_t>(d - dst);
}

size_t encode_g16(const uint16_t* src, size_t count, uint8_t* dst) noexcept {
    if (count == 0) return 0;
    uint8_t* d = dst;
    uint8_t key = static_cast<uint8_t>(src[0] >> 8);
    uint32_t run = 1;
    for (size_t i = 1; i < count; ++i) {
        const uint8_t k = static_cast<uint8_t>(src[i] >> 8);
        if (k == key && run < kMaxRun) {
            ++run;
        } else {
            d = put_grey(d, run, key);
            key = k;
            run = 1;
        }
    }
    d = put_grey(d, run, key);
    return static_cast<size_t>(d - dst);
}

DecodeResult decode_rgba32(const uint8_t* src, size_t src_bytes, uint16_t* dst, size_t count) noexcept {
    DecodeResult r;
    while (r.pixels < count && src_bytes - r.bytes >= kRgbaRecordBytes) {
        const uint8_t* rec = src + r.bytes;
        r.bytes += kRgbaRecordBytes;
        const size_t n = std::min<size_t>(rec[0], count - r.pixels);
        const uint16_t px[4] = {static_cast<uint16_t>(rec[1] << 8), static_cast<uint16_t>(rec[2] << 8),
                                static_cast<uint16_t>(rec[3] << 8), static_cast<uint16_t>(rec[4] << 8)};
        // One 8-byte store per pixel (the row need not be 8-byte aligned).
        uint64_t block;
        std::memcpy(&block, px, sizeof block);
        uint8_t* d = reinterpret_cast<uint8_t*>(dst + r.pixels * 4);
        for (size_t i = 0; i < n; ++i, d += sizeof block) std::memcpy(d, &block, sizeof block);
        r.pixels += n;
    }
    return r;
}

DecodeResult decode_g8(const uint8_t* src, size_t src_bytes, uint16_t* dst, size_t count) noexcept {
    DecodeResult r;
    while (r.pixels < count && src_bytes - r.bytes >= kGreyRecordBytes) {
        const uint8_t* rec = src + r.bytes;
        r.bytes += kGreyRecordBytes;
        const size_t n = std::min<size_t>(rec[0], count - r.pixels);
        std::fill_n(dst + r.pixels, n, static_cast<uint16_t>(rec[1] << 8));
        r.pixels += n;
    }
    return r;
}

}  // namespace oka::rle
