#include "imaging/decode.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <strings.h>

#include "imaging/decode_formats.h"

namespace oka::imaging {

namespace {

bool starts_with(const uint8_t* data, size_t size, const char* sig, size_t n) noexcept {
    return size >= n && std::memcmp(data, sig, n) == 0;
}

bool has_tga_extension(const char* name) noexcept {
    if (!name) return false;
    const size_t n = std::strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".tga") == 0;
}

bool has_tga_footer(const uint8_t* data, size_t size) noexcept {
    static const char kFooter[] = "TRUEVISION-XFILE.";  // followed by a 0 byte
    return size >= 18 + 26 && std::memcmp(data + size - 18, kFooter, 18) == 0;
}

bool pcx_header_plausible(const uint8_t* d, size_t size) noexcept {
    if (size < 128 || d[0] != 0x0A) return false;
    const uint8_t version = d[1];
    if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5) return false;
    if (d[2] != 0 && d[2] != 1) return false;
    const uint8_t bpp = d[3];
    return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8;
}

}  // namespace

ImageFormat sniff_format(const uint8_t* data, size_t size, const char* name_hint) noexcept {
    if (!data) return ImageFormat::unknown;
    if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) return ImageFormat::png;
    if (starts_with(data, size, "\xFF\xD8\xFF", 3)) return ImageFormat::jpeg;
    if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
        starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4))
        return ImageFormat::tiff;
    if (starts_with(data, size, "GIF87a", 6) || starts_with(data, size, "GIF89a", 6)) return ImageFormat::gif;
    if (starts_with(data, size, "BM", 2)) return ImageFormat::bmp;
    if (pcx_header_plausible(data, size)) return ImageFormat::pcx;
    if ((has_tga_extension(name_hint) || has_tga_footer(data, size)) && detail::tga_header_plausible(data, size))
        return ImageFormat::tga;
    return ImageFormat::unknown;
}

DecodeError check_image_size(int64_t width, int64_t height) noexcept {
    if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) return DecodeError::too_large;
    if (width * height > kMaxImagePixels) return DecodeError::too_large;
    const size_t bytes = static_cast<size_t>(width * height * 4);
    const size_t limit = memory_limit_bytes();
    if (limit != 0) {
        const size_t used = memory_in_use();
        if (used >= limit || bytes > limit - used) return DecodeError::out_of_memory;
    }
    return DecodeError::none;
}

DecodeError allocate_image(Rgba32Image& img, int64_t width, int64_t height) noexcept {
    const DecodeError e = check_image_size(width, height);
    if (e != DecodeError::none) return e;
    try {
        img.pixels = Buffer<uint8_t>::allocate(static_cast<size_t>(width * height * 4));
    } catch (const std::bad_alloc&) {
        return DecodeError::out_of_memory;
    }
    img.width = static_cast<int32_t>(width);
    img.height = static_cast<int32_t>(height);
    return DecodeError::none;
}

DecodeError read_file_bytes(const char* path, Buffer<uint8_t>& out) noexcept {
    if (!path || !*path) return DecodeError::open_failed;
    // Directories and devices open on some systems; only plain files count.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return DecodeError::open_failed;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return DecodeError::open_failed;
    DecodeError result = DecodeError::none;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        result = DecodeError::open_failed;  // a directory or an unseekable stream
    } else if (static_cast<unsigned long>(size) > kMaxImageFileBytes) {
        result = DecodeError::too_large;
    } else {
        try {
            Buffer<uint8_t> bytes = Buffer<uint8_t>::allocate(static_cast<size_t>(size));
            if (size > 0 && std::fread(bytes.data(), 1, static_cast<size_t>(size), f) != static_cast<size_t>(size))
                result = DecodeError::open_failed;
            else
                out = std::move(bytes);
        } catch (const std::bad_alloc&) {
            result = DecodeError::out_of_memory;
        }
    }
    std::fclose(f);
    return result;
}

DecodeResult decode_memory(const uint8_t* data, size_t size, const char* name_hint) {
    switch (sniff_format(data, size, name_hint)) {
        case ImageFormat::png: return detail::decode_png(data, size);
        case ImageFormat::jpeg: return detail::decode_jpeg(data, size);
        case ImageFormat::tiff: return detail::decode_tiff(data, size);
        case ImageFormat::gif: return detail::decode_gif(data, size);
        case ImageFormat::bmp: return detail::decode_bmp(data, size);
        case ImageFormat::tga: return detail::decode_tga(data, size);
        case ImageFormat::pcx: return detail::decode_pcx(data, size);
        case ImageFormat::unknown: break;
    }
    return detail::failure(DecodeError::unknown_format);
}

DecodeResult decode_dib(const uint8_t* data, size_t size) {
    if (!data) return detail::failure(DecodeError::corrupt);
    return detail::decode_dib(data, size);
}

DecodeResult decode_file(const char* path) {
    // Look at the signature first, so that a large file that is no image is
    // refused without reading all of it. (TGA is known by its extension
    // here; its optional footer is only consulted for data in memory.)
    uint8_t head[130] = {};
    size_t head_size = 0;
    std::error_code ec;
    if (path && std::filesystem::is_regular_file(path, ec)) {
        if (std::FILE* f = std::fopen(path, "rb")) {
            head_size = std::fread(head, 1, sizeof head, f);
            std::fclose(f);
            if (sniff_format(head, head_size, path) == ImageFormat::unknown)
                return detail::failure(DecodeError::unknown_format);
        }
    }
    Buffer<uint8_t> bytes;
    const DecodeError e = read_file_bytes(path, bytes);
    if (e != DecodeError::none) return detail::failure(e);
    return decode_memory(bytes.data(), bytes.size(), path);
}

DecodeResult decode_image_script(const char*) { return detail::failure(DecodeError::unsupported); }

const char* decode_error_text(DecodeError e) noexcept {
    switch (e) {
        case DecodeError::none: return "no error";
        case DecodeError::open_failed: return "the file cannot be opened or read";
        case DecodeError::unknown_format: return "not an image format this engine reads";
        case DecodeError::unsupported: return "an image variant this engine does not read";
        case DecodeError::corrupt: return "the image data is truncated or inconsistent";
        case DecodeError::too_large: return "the image size is zero or beyond the engine's limits";
        case DecodeError::out_of_memory: return "not enough memory for the image";
    }
    return "unknown error";
}

}  // namespace oka::imaging
