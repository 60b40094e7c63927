// Run-length row codec exports. Counts of 0 or less produce and consume
// nothing; null buffers are left untouched.
#include "api/guard.h"
#include "engine/rle_codec.h"

namespace rle = oka::rle;

extern "C" {

OKA_API int32_t OKA_CALL OKA_RLECompressRGBA64ToRGBA32(const void* src, void* dst, int32_t count) {
    if (!src || !dst || count <= 0) return 0;
    return static_cast<int32_t>(
        rle::encode_rgba64(static_cast<const uint16_t*>(src), static_cast<size_t>(count), static_cast<uint8_t*>(dst)));
}

OKA_API void* OKA_CALL OKA_RLEUncompressRGBA32ToRGBA64(const void* src, void* dst, int32_t count) {
    if (!src || !dst || count <= 0) return dst;
    uint16_t* out = static_cast<uint16_t*>(dst);
    const rle::DecodeResult r =
        rle::decode_rgba32(static_cast<const uint8_t*>(src), rle::kUnboundedStream, out, static_cast<size_t>(count));
    return out + r.pixels * 4;
}

OKA_API int32_t OKA_CALL OKA_RLECompressG16ToG8(const void* src, void* dst, int32_t count) {
    if (!src || !dst || count <= 0) return 0;
    return static_cast<int32_t>(
        rle::encode_g16(static_cast<const uint16_t*>(src), static_cast<size_t>(count), static_cast<uint8_t*>(dst)));
}

OKA_API void OKA_CALL OKA_RLEUncompressG8ToG16(const void* src, void* dst, int32_t count) {
    if (!src || !dst || count <= 0) return;
    rle::decode_g8(static_cast<const uint8_t*>(src), rle::kUnboundedStream, static_cast<uint16_t*>(dst),
                   static_cast<size_t>(count));
}

}  // extern "C"
