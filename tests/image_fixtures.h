// Small image files made at run time for the decoder and brush shape tests:
// PNG, JPEG, TIFF and GIF written with their libraries, BMP, TGA and PCX
// assembled byte by byte.
#pragma once

#include <cstdio>  // before jpeglib.h, which needs FILE
#include <cstdlib>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fixtures {

using Bytes = std::vector<uint8_t>;

inline std::string temp_path(const std::string& name) { return ::testing::TempDir() + "okacore_h3_" + name; }

inline void write_file(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline Bytes read_file(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return out;
}

// Pixels of an RGBA32 test picture: w x h, row-major.
inline Bytes pattern_rgba(int w, int h, bool with_alpha) {
    Bytes px(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 37 + y * 11);
            p[1] = static_cast<uint8_t>(x * 5 + y * 71 + 3);
            p[2] = static_cast<uint8_t>(255 - x * 13 - y * 7);
            p[3] = with_alpha ? static_cast<uint8_t>(255 - x * 9 - y * 17) : 255;
        }
    return px;
}

// PNG through libpng's simplified writer; format is PNG_FORMAT_RGBA,
// PNG_FORMAT_RGB, PNG_FORMAT_GRAY, ... and pixels match it.
inline Bytes png_bytes(int w, int h, uint32_t format, const Bytes& pixels) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(w);
    img.height = static_cast<png_uint_32>(h);
    img.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&img, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    Bytes out(size);
    if (!png_image_write_to_memory(&img, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

// Baseline JPEG of RGB (components 3) or grey (1) pixels.
inline Bytes jpeg_bytes(int w, int h, int components, const Bytes& pixels, int quality = 95) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&pixels[static_cast<size_t>(c.next_scanline) * w * components]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

// Uncompressed RGBA TIFF with unassociated alpha, written to path.
inline bool write_tiff_rgba(const std::string& path, int w, int h, const Bytes& rgba) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(h));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(h));
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(t, const_cast<uint8_t*>(&rgba[static_cast<size_t>(y) * w * 4]), static_cast<uint32_t>(y), 0);
    TIFFClose(t);
    return true;
}

// Paletted GIF (palette of 4 colours), index `transparent` (or -1) marked
// transparent through a graphics control extension.
inline bool write_gif(const std::string& path, int w, int h, const Bytes& indices, const GifColorType palette[4],
                      int transparent) {
    int err = 0;
    GifFileType* g = EGifOpenFileName(path.c_str(), false, &err);
    if (!g) return false;
    ColorMapObject* map = GifMakeMapObject(4, palette);
    EGifPutScreenDesc(g, w, h, 2, 0, map);
    if (transparent >= 0) {
        GifByteType ext[4] = {1, 0, 0, static_cast<GifByteType>(transparent)};
        EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(g, 0, 0, w, h, false, nullptr);
    for (int y = 0; y < h; ++y)
        EGifPutLine(g, const_cast<GifByteType*>(&indices[static_cast<size_t>(y) * w]), w);
    GifFreeMapObject(map);
    EGifCloseFile(g, &err);
    return true;
}

inline void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// BMP file header + 40-byte info header; caller appends masks, palette and
// pixels. pixel_offset counts from the start of the file.
inline Bytes bmp_header(int32_t w, int32_t h, int bpp, uint32_t compression, uint32_t colours, uint32_t pixel_offset,
                        uint32_t file_size) {
    Bytes b = {'B', 'M'};
    put32(b, file_size);
    put32(b, 0);
    put32(b, pixel_offset);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put16(b, 1);
    put16(b, static_cast<uint32_t>(bpp));
    put32(b, compression);
    put32(b, 0);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
    return b;
}

// 24-bit bottom-up BMP of RGBA pixels (alpha dropped), rows padded to 4.
inline Bytes bmp24_bytes(int w, int h, const Bytes& rgba) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const uint32_t size = static_cast<uint32_t>(54 + stride * h);
    Bytes b = bmp_header(w, h, 24, 0, 0, 54, size);
    for (int y = h - 1; y >= 0; --y) {
        size_t row_start = b.size();
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            b.push_back(p[2]);
            b.push_back(p[1]);
            b.push_back(p[0]);
        }
        while (b.size() - row_start < stride) b.push_back(0);
    }
    return b;
}

// TGA header for an image of the given type, depth and descriptor.
inline Bytes tga_header(int type, int w, int h, int depth, int descriptor, int map_type = 0, int map_length = 0,
                        int map_depth = 0) {
    Bytes b = {0, static_cast<uint8_t>(map_type), static_cast<uint8_t>(type)};
    put16(b, 0);
    put16(b, static_cast<uint32_t>(map_length));
    b.push_back(static_cast<uint8_t>(map_depth));
    put16(b, 0);
    put16(b, 0);
    put16(b, static_cast<uint32_t>(w));
    put16(b, static_cast<uint32_t>(h));
    b.push_back(static_cast<uint8_t>(depth));
    b.push_back(static_cast<uint8_t>(descriptor));
    return b;
}

// Uncompressed 32-bit top-left TGA of RGBA pixels.
inline Bytes tga32_bytes(int w, int h, const Bytes& rgba) {
    Bytes b = tga_header(2, w, h, 32, 0x28);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        b.push_back(rgba[i + 2]);
        b.push_back(rgba[i + 1]);
        b.push_back(rgba[i]);
        b.push_back(rgba[i + 3]);
    }
    return b;
}

// 128-byte PCX header.
inline Bytes pcx_header(int w, int h, int bpp, int planes, int bytes_per_line, bool rle = true) {
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = rle ? 1 : 0;
    b[3] = static_cast<uint8_t>(bpp);
    b[8] = static_cast<uint8_t>((w - 1) & 0xFF);
    b[9] = static_cast<uint8_t>((w - 1) >> 8);
    b[10] = static_cast<uint8_t>((h - 1) & 0xFF);
    b[11] = static_cast<uint8_t>((h - 1) >> 8);
    b[65] = static_cast<uint8_t>(planes);
    b[66] = static_cast<uint8_t>(bytes_per_line & 0xFF);
    b[67] = static_cast<uint8_t>(bytes_per_line >> 8);
    return b;
}

// PCX run-length encoding of one scan line (plane bytes in order).
inline void pcx_encode(Bytes& out, const uint8_t* line, size_t n) {
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 63 && line[i + run] == line[i]) ++run;
        if (run > 1 || line[i] >= 0xC0) {
            out.push_back(static_cast<uint8_t>(0xC0 | run));
            out.push_back(line[i]);
        } else {
            out.push_back(line[i]);
        }
        i += run;
    }
}

}  // namespace fixtures
