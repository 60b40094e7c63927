// The compressed layer load against zlib itself. zlib's uncompress() tells
// whether the bytes are one complete stream of exactly the layer's
// width x height x 4 bytes; if so the load must succeed and the layer must
// hold exactly those pixels (an unweighted RGBA32 load), otherwise it must
// return 0 and leave the layer unchanged.
//
// Input: byte 0 picks the layer size and how the stream is made:
//   - raw: the rest of the input is the stream;
//   - made: the rest is the image (repeated to the layer's size), deflated
//     here at a chosen level, then optionally cut, extended or given one
//     changed byte, so that valid streams and near misses both come up.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "okacore.h"

namespace {

constexpr int32_t kLayer = 2;

std::vector<uint16_t> layer_pixels(int32_t w, int32_t h) {
    std::vector<uint16_t> px(static_cast<size_t>(w) * h * 4);
    if (!px.empty()) OKA_GetLayerData(px.data(), kLayer);
    return px;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t mode = in.u8();
    const int32_t w = in.range(1, 24), h = in.range(1, 24);
    const int32_t canvas = in.range(1, 24);
    const size_t bytes = static_cast<size_t>(w) * h * 4;

    OKA_CreateImage(nullptr, canvas, canvas, 4, 0);
    FUZZ_CHECK(OKA_CreateLayer(kLayer, w, h) == 1, "layer %dx%d", w, h);
    // A recognisable starting layer: every pixel different.
    std::vector<uint16_t> start(bytes);
    for (size_t i = 0; i < start.size(); ++i) start[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    OKA_SetLayerData(start.data(), kLayer);
    FUZZ_CHECK(layer_pixels(w, h) == start, "layer set");

    std::vector<uint8_t> stream;
    if ((mode & 3) != 0) {
        std::vector<uint8_t> image(bytes);
        const std::vector<uint8_t> seed = in.bytes(bytes);
        for (size_t i = 0; i < bytes; ++i) image[i] = seed.empty() ? uint8_t(i) : seed[i % seed.size()];
        uLongf n = compressBound(static_cast<uLong>(bytes));
        stream.resize(n);
        const int level = (mode >> 2) % 11 - 1;  // -1 (default) .. 9
        FUZZ_CHECK(compress2(stream.data(), &n, image.data(), static_cast<uLong>(bytes), level) == Z_OK, "compress");
        stream.resize(n);
        switch (mode & 3) {
            case 1: break;  // as made
            case 2:  // one byte changed
                if (!stream.empty()) stream[in.u16() % stream.size()] ^= static_cast<uint8_t>(in.u8() | 1);
                break;
            case 3: {  // cut short or extended
                const size_t k = in.u16();
                if (in.flag()) stream.resize(k % (stream.size() + 1));
                else for (size_t i = 0; i < k % 64; ++i) stream.push_back(in.u8());
                break;
            }
        }
    } else {
        stream = in.bytes(in.remaining());
    }

    // The verdict of zlib itself: one more byte of room shows a stream
    // longer than the layer.
    std::vector<uint8_t> expected(bytes + 1);
    uLongf got = static_cast<uLongf>(expected.size());
    const bool valid = !stream.empty() &&
                       uncompress(expected.data(), &got, stream.data(), static_cast<uLong>(stream.size())) == Z_OK &&
                       got == bytes;

    const int32_t r = OKA_LoadRGBA32LayerCompressed(stream.empty() ? nullptr : stream.data(), 0,
                                                    static_cast<int32_t>(stream.size()), kLayer);
    const std::vector<uint16_t> after = layer_pixels(w, h);
    if (!valid) {
        FUZZ_CHECK(r == 0, "an invalid stream of %zu bytes loaded", stream.size());
        FUZZ_CHECK(after == start, "a rejected stream changed the layer");
    } else {
        FUZZ_CHECK(r == 1, "a valid stream of %zu bytes was rejected", stream.size());
        // Unweighted RGBA32 load into an unlocked layer: channels widen by
        // << 8, and a pixel of alpha 0 stores (0, 0, 0, 0).
        for (size_t p = 0; p < bytes / 4; ++p) {
            const uint8_t* s = &expected[p * 4];
            for (int c = 0; c < 4; ++c) {
                const uint16_t want = s[3] == 0 ? 0 : static_cast<uint16_t>(s[c] << 8);
                FUZZ_CHECK(after[p * 4 + c] == want, "pixel %zu channel %d: %u, want %u", p, c, after[p * 4 + c], want);
            }
        }
    }

    // The other layers and absent ones never load.
    FUZZ_CHECK(OKA_LoadRGBA32LayerCompressed(stream.data(), 0, static_cast<int32_t>(stream.size()), 3) == 0,
               "absent layer");
    FUZZ_CHECK(OKA_LoadRGBA32LayerCompressed(stream.data(), 0, static_cast<int32_t>(stream.size()), 272) == 0,
               "index out of range");
    OKA_DeleteImage();
    return 0;
}
