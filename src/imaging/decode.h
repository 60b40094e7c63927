// Image decoding: PNG, JPEG, TIFF and GIF through their reference libraries,
// BMP (and bare DIBs), TGA and PCX through small readers of our own. Every
// decoder produces one RGBA32 image (rows of width x 4 bytes, no padding).
//
// Hostile input: a decoder reads only inside the bytes it was given, checks
// the declared width and height against a fixed cap and against the engine
// memory limit before allocating, and reports a failure instead of throwing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/memory.h"

namespace oka::imaging {

// Edge and area caps for decoded images, whatever the format allows.
constexpr int64_t kMaxImageEdge = 65535;
constexpr int64_t kMaxImagePixels = int64_t{1} << 28;  // 1 GiB of RGBA32
// Largest file read into memory for decoding.
constexpr size_t kMaxImageFileBytes = size_t{1} << 30;

struct Rgba32Image {
    Buffer<uint8_t> pixels;  // width * height * 4 bytes
    int32_t width = 0;
    int32_t height = 0;

    size_t stride() const noexcept { return static_cast<size_t>(width) * 4; }
    uint8_t* row(int32_t y) noexcept { return pixels.data() + static_cast<size_t>(y) * stride(); }
    const uint8_t* row(int32_t y) const noexcept { return pixels.data() + static_cast<size_t>(y) * stride(); }
    explicit operator bool() const noexcept { return pixels && width > 0 && height > 0; }
};

enum class DecodeError {
    none,
    open_failed,     // missing or unreadable file
    unknown_format,  // no decoder recognises the data
    unsupported,     // recognised, but a variant this engine does not read
    corrupt,         // truncated or inconsistent data
    too_large,       // declared size beyond the caps (or zero)
    out_of_memory,   // the engine memory limit or the heap refused the image
};

struct DecodeResult {
    Rgba32Image image;
    DecodeError error = DecodeError::none;
    bool ok() const noexcept { return error == DecodeError::none; }
};

enum class ImageFormat { unknown, png, jpeg, tiff, gif, bmp, tga, pcx };

// Format by signature. TGA has none; it is taken when name_hint ends in
// ".tga" (any case) or the data carries the TGA 2 footer, and the header is
// consistent.
ImageFormat sniff_format(const uint8_t* data, size_t size, const char* name_hint = nullptr) noexcept;

// Decode a whole file (read into memory first) or a block of memory.
DecodeResult decode_file(const char* path);
DecodeResult decode_memory(const uint8_t* data, size_t size, const char* name_hint = nullptr);
// A bare device-independent bitmap (a BMP without its 14-byte file header),
// the clipboard's image format.
DecodeResult decode_dib(const uint8_t* data, size_t size);

// Stored effect chains ("image scripts") are not read by this engine yet:
// this always reports DecodeError::unsupported, and callers fall back to
// reading the path as an image file.
DecodeResult decode_image_script(const char* path);

const char* decode_error_text(DecodeError e) noexcept;

// Size check shared by the decoders: edges 1..kMaxImageEdge, area at most
// kMaxImagePixels, and the RGBA32 block within what the engine memory limit
// still allows.
DecodeError check_image_size(int64_t width, int64_t height) noexcept;
// check_image_size, then allocate img (contents undefined).
DecodeError allocate_image(Rgba32Image& img, int64_t width, int64_t height) noexcept;

// Read a whole file into a counted block (at most kMaxImageFileBytes).
DecodeError read_file_bytes(const char* path, Buffer<uint8_t>& out) noexcept;

}  // namespace oka::imaging
