// Per-format decoders behind decode_memory(). Each reads only data[0, size)
// and reports failures through DecodeResult; none throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imaging/decode.h"

namespace oka::imaging::detail {

DecodeResult decode_png(const uint8_t* data, size_t size);
DecodeResult decode_jpeg(const uint8_t* data, size_t size);
DecodeResult decode_tiff(const uint8_t* data, size_t size);
DecodeResult decode_gif(const uint8_t* data, size_t size);
DecodeResult decode_bmp(const uint8_t* data, size_t size);  // with the "BM" file header
DecodeResult decode_dib(const uint8_t* data, size_t size);  // info header onwards
DecodeResult decode_tga(const uint8_t* data, size_t size);
DecodeResult decode_pcx(const uint8_t* data, size_t size);

// True when the 18-byte TGA header at data is self-consistent.
bool tga_header_plausible(const uint8_t* data, size_t size) noexcept;

inline DecodeResult failure(DecodeError e) {
    DecodeResult r;
    r.error = e;
    return r;
}

// Little- and big-endian field readers; callers check the bounds first.
inline uint16_t le16(const uint8_t* p) noexcept { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) noexcept {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace oka::imaging::detail
