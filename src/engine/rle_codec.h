// Run-length codecs for one row of 16-bit engine pixels.
//
// Two byte streams, neither with a header, a terminator or a pixel count
// (the reader is told how many pixels to produce):
//
//   RGBA32 run stream, for RGBA64 pixels: 5-byte records
//       [n][R][G][B][A]   n = 1..255 consecutive pixels whose four channels
//                         all have these high bytes
//   G8 run stream, for 16-bit mask values: 2-byte records
//       [n][V]            n = 1..255 consecutive values with high byte V
//
// Only the high byte of each channel is kept: encoding then decoding maps
// a channel v to (v >> 8) << 8, so 0xFFFF comes back as 0xFF00 and 0x00FF
// as 0. A run longer than 255 is split into records of 255 and the rest;
// neighbouring records may carry the same key.
//
// Encoders and decoders are single passes that allocate nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace oka::rle {

constexpr size_t kRgbaRecordBytes = 5;
constexpr size_t kGreyRecordBytes = 2;
constexpr uint32_t kMaxRun = 255;

// Longest stream the encoders can write for count pixels (every pixel its
// own record): the destination size a caller must provide.
constexpr size_t rgba_stream_capacity(size_t count) noexcept { return kRgbaRecordBytes * count; }
constexpr size_t grey_stream_capacity(size_t count) noexcept { return kGreyRecordBytes * count; }

// Encode count RGBA64 pixels (src: count x 4 channels R, G, B, A) into
// dst, which must hold rgba_stream_capacity(count) bytes. Returns the bytes
// written; count 0 writes nothing and returns 0.
size_t encode_rgba64(const uint16_t* src, size_t count, uint8_t* dst) noexcept;

// Encode count 16-bit values into dst (grey_stream_capacity(count) bytes).
// Returns the bytes written; count 0 writes nothing and returns 0.
size_t encode_g16(const uint16_t* src, size_t count, uint8_t* dst) noexcept;

// What a decoder did: pixels written to the destination and stream bytes
// consumed.
struct DecodeResult {
    size_t pixels = 0;
    size_t bytes = 0;
};

// Marks a stream whose size the caller does not know: the decoder then
// trusts it to hold enough records for count pixels.
constexpr size_t kUnboundedStream = std::numeric_limits<size_t>::max();

// Decode records from src (at most src_bytes bytes, whole records only)
// into dst until count pixels were produced or the stream ends. A record
// that would go past count is cut short; a record with run 0 writes
// nothing. Never writes more than count pixels (count x 4 channels for
// RGBA64) and never reads past src_bytes. Every written channel is
// key << 8.
DecodeResult decode_rgba32(const uint8_t* src, size_t src_bytes, uint16_t* dst, size_t count) noexcept;
DecodeResult decode_g8(const uint8_t* src, size_t src_bytes, uint16_t* dst, size_t count) noexcept;

}  // namespace oka::rle
