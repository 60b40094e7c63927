// The two run-length row codecs against a straightforward reference written
// here from the stream format: [n][R][G][B][A] records (RGBA32 runs) and
// [n][V] records (G8 runs), each standing for n pixels whose channels are
// the key bytes shifted into the high byte.
//
// Input: one byte of options, a 16-bit pixel count, then the stream bytes
// (which double as the pixels of the round trip).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/rle_codec.h"
#include "fuzz_support.h"
#include "okacore.h"

namespace {

namespace rle = oka::rle;

constexpr uint16_t kUntouched = 0xA5A5;  // never key << 8, which has a zero low byte

struct Ref {
    std::vector<uint16_t> out;  // count x channels, kUntouched where nothing was written
    size_t pixels = 0;
    size_t bytes = 0;
};

// The reference decoder: whole records only, a record cut at count, run 0
// writes nothing.
Ref reference_decode(const uint8_t* src, size_t src_bytes, size_t count, size_t channels) {
    const size_t record = 1 + channels;
    Ref r;
    r.out.assign(count * channels, kUntouched);
    size_t at = 0;
    while (r.pixels < count && at + record <= src_bytes) {
        size_t n = src[at];
        if (n > count - r.pixels) n = count - r.pixels;
        for (size_t i = 0; i < n; ++i)
            for (size_t c = 0; c < channels; ++c)
                r.out[(r.pixels + i) * channels + c] = static_cast<uint16_t>(src[at + 1 + c] << 8);
        r.pixels += n;
        at += record;
    }
    r.bytes = at;
    return r;
}

// The reference encoder: a new record whenever the high bytes change or a
// run reaches 255.
std::vector<uint8_t> reference_encode(const uint16_t* px, size_t count, size_t channels) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        auto same = [&](size_t a, size_t b) {
            for (size_t c = 0; c < channels; ++c)
                if ((px[a * channels + c] >> 8) != (px[b * channels + c] >> 8)) return false;
            return true;
        };
        while (i + run < count && run < 255 && same(i, i + run)) ++run;
        out.push_back(static_cast<uint8_t>(run));
        for (size_t c = 0; c < channels; ++c) out.push_back(static_cast<uint8_t>(px[i * channels + c] >> 8));
        i += run;
    }
    return out;
}

void check_decoder(const uint8_t* stream, size_t stream_bytes, size_t count, size_t channels) {
    const Ref ref = reference_decode(stream, stream_bytes, count, channels);
    // Exactly count pixels: a write past them is an address-sanitizer report.
    std::vector<uint16_t> dst(count * channels, kUntouched);
    const rle::DecodeResult got = channels == 4 ? rle::decode_rgba32(stream, stream_bytes, dst.data(), count)
                                                : rle::decode_g8(stream, stream_bytes, dst.data(), count);
    FUZZ_CHECK(got.pixels == ref.pixels, "pixels %zu, reference %zu", got.pixels, ref.pixels);
    FUZZ_CHECK(got.bytes == ref.bytes, "bytes %zu, reference %zu", got.bytes, ref.bytes);
    FUZZ_CHECK(dst == ref.out, "decoded pixels differ (channels %zu, count %zu)", channels, count);
}

// The exports trust the stream to hold enough records: give them the fuzz
// stream followed by full runs up to count pixels.
void check_exports(const uint8_t* stream, size_t stream_bytes, size_t count, size_t channels) {
    const size_t record = 1 + channels;
    std::vector<uint8_t> s(stream, stream + stream_bytes / record * record);
    for (size_t i = 0; i < count / 255 + 1; ++i) {
        s.push_back(255);
        for (size_t c = 0; c < channels; ++c) s.push_back(static_cast<uint8_t>(0x11 * (c + 1)));
    }
    const Ref ref = reference_decode(s.data(), s.size(), count, channels);
    FUZZ_CHECK(ref.pixels == count, "padding did not cover the count");
    std::vector<uint16_t> dst(std::max<size_t>(count * channels, 1), kUntouched);
    if (channels == 4) {
        void* end = OKA_RLEUncompressRGBA32ToRGBA64(s.data(), dst.data(), static_cast<int32_t>(count));
        FUZZ_CHECK(end == dst.data() + count * 4, "result pointer is not past the last pixel");
        FUZZ_CHECK(OKA_RLEUncompressRGBA32ToRGBA64(nullptr, dst.data(), 5) == dst.data(), "null source");
    } else {
        OKA_RLEUncompressG8ToG16(s.data(), dst.data(), static_cast<int32_t>(count));
    }
    dst.resize(count * channels);
    FUZZ_CHECK(dst == ref.out, "export decoded pixels differ (channels %zu)", channels);
}

void check_round_trip(const uint8_t* raw, size_t raw_bytes, size_t channels) {
    const size_t count = raw_bytes / (2 * channels);
    std::vector<uint16_t> px(count * channels);
    if (count) std::memcpy(px.data(), raw, count * channels * 2);
    // The encoders write at most the capacity: give exactly that.
    std::vector<uint8_t> enc(channels == 4 ? rle::rgba_stream_capacity(count) : rle::grey_stream_capacity(count));
    const size_t n = channels == 4 ? rle::encode_rgba64(px.data(), count, enc.data())
                                   : rle::encode_g16(px.data(), count, enc.data());
    const std::vector<uint8_t> ref = reference_encode(px.data(), count, channels);
    FUZZ_CHECK(n == ref.size() && std::equal(ref.begin(), ref.end(), enc.begin()), "encoding differs (%zu vs %zu bytes)",
               n, ref.size());
    const int32_t via_export = channels == 4
                                   ? OKA_RLECompressRGBA64ToRGBA32(px.data(), enc.data(), static_cast<int32_t>(count))
                                   : OKA_RLECompressG16ToG8(px.data(), enc.data(), static_cast<int32_t>(count));
    FUZZ_CHECK(static_cast<size_t>(via_export) == n, "export byte count %d, expected %zu", via_export, n);

    std::vector<uint16_t> back(count * channels, kUntouched);
    const rle::DecodeResult r = channels == 4 ? rle::decode_rgba32(enc.data(), n, back.data(), count)
                                              : rle::decode_g8(enc.data(), n, back.data(), count);
    FUZZ_CHECK(r.pixels == count && r.bytes == n, "round trip consumed %zu/%zu", r.pixels, r.bytes);
    for (size_t i = 0; i < px.size(); ++i)
        FUZZ_CHECK(back[i] == (px[i] & 0xFF00), "round trip value %zu: %u from %u", i, back[i], px[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t options = in.u8();
    const size_t count = in.u16() % 4096;
    const uint8_t* stream = in.rest();
    size_t stream_bytes = in.remaining();
    // Sometimes cut the stream inside a record.
    if ((options & 1) && stream_bytes > 0) stream_bytes -= 1 + options % std::min<size_t>(stream_bytes, 7);

    check_decoder(stream, stream_bytes, count, 4);
    check_decoder(stream, stream_bytes, count, 1);
    check_exports(stream, stream_bytes, count, 4);
    check_exports(stream, stream_bytes, count, 1);
    check_round_trip(stream, stream_bytes, 4);
    check_round_trip(stream, stream_bytes, 1);
    return 0;
}
