// Image decoding: every format against pixels it was written from, and
// clean failures for truncated, hostile and unknown data.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/memory.h"
#include "image_fixtures.h"
#include "imaging/decode.h"

namespace {

using fixtures::Bytes;
using oka::imaging::decode_file;
using oka::imaging::decode_memory;
using oka::imaging::DecodeError;
using oka::imaging::DecodeResult;

Bytes pixels_of(const DecodeResult& r) {
    return Bytes(r.image.pixels.data(), r.image.pixels.data() + r.image.pixels.size());
}

// Decodes from a heap block of exactly the data's size, so that a read
// past the end is caught by the address sanitizer.
DecodeResult decode_exact(const Bytes& data, const char* hint = nullptr) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[data.size() ? data.size() : 1]);
    if (!data.empty()) std::memcpy(block.get(), data.data(), data.size());
    return decode_memory(block.get(), data.size(), hint);
}

void expect_image(const DecodeResult& r, int w, int h, const Bytes& rgba) {
    ASSERT_TRUE(r.ok()) << oka::imaging::decode_error_text(r.error);
    ASSERT_EQ(r.image.width, w);
    ASSERT_EQ(r.image.height, h);
    EXPECT_EQ(pixels_of(r), rgba);
}

Bytes with_opaque_alpha(Bytes rgba) {
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

TEST(ImagingDecode, PngColourTypesDecodeToRgba) {
    const int w = 5, h = 3;
    const Bytes rgba = fixtures::pattern_rgba(w, h, true);
    expect_image(decode_exact(fixtures::png_bytes(w, h, PNG_FORMAT_RGBA, rgba)), w, h, rgba);

    Bytes rgb, grey, grey_rgba;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
        grey.push_back(rgba[i + 1]);
        grey_rgba.insert(grey_rgba.end(), {rgba[i + 1], rgba[i + 1], rgba[i + 1], 255});
    }
    expect_image(decode_exact(fixtures::png_bytes(w, h, PNG_FORMAT_RGB, rgb)), w, h, with_opaque_alpha(rgba));
    expect_image(decode_exact(fixtures::png_bytes(w, h, PNG_FORMAT_GRAY, grey)), w, h, grey_rgba);
}

TEST(ImagingDecode, JpegDecodesCloseToItsSource) {
    // A flat colour survives baseline JPEG within a level or two.
    const int w = 16, h = 8;
    Bytes rgb;
    for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {200, 100, 40});
    const DecodeResult r = decode_exact(fixtures::jpeg_bytes(w, h, 3, rgb));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.image.width, w);
    ASSERT_EQ(r.image.height, h);
    for (size_t i = 0; i < r.image.pixels.size(); i += 4) {
        EXPECT_NEAR(r.image.pixels[i], 200, 2);
        EXPECT_NEAR(r.image.pixels[i + 1], 100, 2);
        EXPECT_NEAR(r.image.pixels[i + 2], 40, 2);
        EXPECT_EQ(r.image.pixels[i + 3], 255);
    }
    const Bytes grey(static_cast<size_t>(w) * h, 77);
    const DecodeResult g = decode_exact(fixtures::jpeg_bytes(w, h, 1, grey));
    ASSERT_TRUE(g.ok());
    for (size_t i = 0; i < g.image.pixels.size(); i += 4) {
        EXPECT_NEAR(g.image.pixels[i], 77, 1);
        EXPECT_EQ(g.image.pixels[i], g.image.pixels[i + 2]);
    }
}

TEST(ImagingDecode, TiffKeepsUnassociatedAlpha) {
    const int w = 4, h = 3;
    Bytes rgba = fixtures::pattern_rgba(w, h, false);
    rgba[3] = 128;  // one half-transparent pixel: colour survives the premultiplied round trip
    rgba[7] = 0;    // one transparent pixel: its colour is lost, alpha stays 0
    const std::string path = fixtures::temp_path("rgba.tif");
    ASSERT_TRUE(fixtures::write_tiff_rgba(path, w, h, rgba));
    const DecodeResult r = decode_file(path.c_str());
    ASSERT_TRUE(r.ok()) << oka::imaging::decode_error_text(r.error);
    ASSERT_EQ(r.image.width, w);
    ASSERT_EQ(r.image.height, h);
    for (size_t i = 0; i < rgba.size(); ++i) {
        if (i >= 4 && i < 7) continue;
        EXPECT_NEAR(r.image.pixels[i], rgba[i], 1) << i;
    }
    EXPECT_EQ(r.image.pixels[7], 0);
}

TEST(ImagingDecode, GifFirstFrameWithTransparentIndex) {
    const int w = 3, h = 2;
    const GifColorType palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {10, 20, 30}};
    const Bytes idx = {0, 1, 2, 3, 2, 1};
    const std::string path = fixtures::temp_path("frame.gif");
    ASSERT_TRUE(fixtures::write_gif(path, w, h, idx, palette, 2));
    const Bytes expect = {0, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 0, 10, 20, 30, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    expect_image(decode_file(path.c_str()), w, h, expect);
}

TEST(ImagingDecode, Bmp24BottomUpWithRowPadding) {
    const int w = 3, h = 2;  // 9 bytes per row padded to 12
    const Bytes rgba = fixtures::pattern_rgba(w, h, false);
    expect_image(decode_exact(fixtures::bmp24_bytes(w, h, rgba)), w, h, rgba);
}

TEST(ImagingDecode, BmpPalettedAndBitfieldVariants) {
    using fixtures::put16;
    using fixtures::put32;
    // 8-bit paletted, top-down (negative height), 2 x 2.
    {
        Bytes b = fixtures::bmp_header(2, -2, 8, 0, 2, 54 + 8, 54 + 8 + 8);
        b.insert(b.end(), {30, 20, 10, 0, 60, 50, 40, 0});  // BGRx palette
        b.insert(b.end(), {0, 1, 0, 0, 1, 1, 0, 0});
        expect_image(decode_exact(b), 2, 2, {10, 20, 30, 255, 40, 50, 60, 255, 40, 50, 60, 255, 40, 50, 60, 255});
    }
    // 1-bit, 3 x 1: bits 101.
    {
        Bytes b = fixtures::bmp_header(3, 1, 1, 0, 2, 54 + 8, 54 + 8 + 4);
        b.insert(b.end(), {0, 0, 0, 0, 255, 255, 255, 0});
        b.insert(b.end(), {0xA0, 0, 0, 0});
        expect_image(decode_exact(b), 3, 1, {255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255});
    }
    // 16-bit 5-6-5 bit fields.
    {
        Bytes b = fixtures::bmp_header(2, 1, 16, 3, 0, 54 + 12, 54 + 12 + 4);
        put32(b, 0xF800);
        put32(b, 0x07E0);
        put32(b, 0x001F);
        put16(b, 0xF800);  // pure red
        put16(b, 0x07E0);  // pure green
        expect_image(decode_exact(b), 2, 1, {255, 0, 0, 255, 0, 255, 0, 255});
    }
    // 32-bit plain: an all-zero fourth byte means opaque, otherwise alpha.
    {
        Bytes b = fixtures::bmp_header(2, 1, 32, 0, 0, 54, 54 + 8);
        b.insert(b.end(), {1, 2, 3, 0, 4, 5, 6, 0});
        expect_image(decode_exact(b), 2, 1, {3, 2, 1, 255, 6, 5, 4, 255});
        b[54 + 3] = 77;
        expect_image(decode_exact(b), 2, 1, {3, 2, 1, 77, 6, 5, 4, 0});
    }
}

TEST(ImagingDecode, BmpRle8) {
    // 4 x 2, bottom-up: row 0 (bottom) = run of 3 x index 1, then index 0;
    // row 1 = absolute run 1, 0, 1 then end of bitmap (last pixel skipped).
    Bytes b = fixtures::bmp_header(4, 2, 8, 1, 2, 54 + 8, 0);
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 255, 0});  // black, red
    b.insert(b.end(), {3, 1, 1, 0, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1});
    const Bytes expect = {255, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 0,
                          255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 255};
    expect_image(decode_exact(b), 4, 2, expect);
}

TEST(ImagingDecode, TgaVariants) {
    const int w = 3, h = 2;
    const Bytes rgba = fixtures::pattern_rgba(w, h, true);
    // 32-bit top-left, recognised by the extension hint.
    expect_image(decode_exact(fixtures::tga32_bytes(w, h, rgba), "x.TGA"), w, h, rgba);
    // 24-bit bottom-left.
    {
        Bytes b = fixtures::tga_header(2, w, h, 24, 0);
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
                b.insert(b.end(), {p[2], p[1], p[0]});
            }
        expect_image(decode_exact(b, "a.tga"), w, h, with_opaque_alpha(rgba));
    }
    // RLE grey, top-left: a run of 4 x 9 and a raw packet of 2.
    {
        Bytes b = fixtures::tga_header(11, w, h, 8, 0x20);
        b.insert(b.end(), {0x83, 9, 0x01, 100, 200});
        expect_image(decode_exact(b, "g.tga"), w, h,
                     {9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255, 100, 100, 100, 255, 200, 200, 200, 255});
    }
    // Colour-mapped with a 24-bit map, top-left.
    {
        Bytes b = fixtures::tga_header(1, 2, 1, 8, 0x20, 1, 2, 24);
        b.insert(b.end(), {3, 2, 1, 6, 5, 4, 1, 0});
        expect_image(decode_exact(b, "m.tga"), 2, 1, {4, 5, 6, 255, 1, 2, 3, 255});
    }
    // Without the hint and without the footer, a TGA is not guessed at.
    EXPECT_EQ(decode_exact(fixtures::tga32_bytes(w, h, rgba)).error, DecodeError::unknown_format);
}

TEST(ImagingDecode, PcxPalettedAndRgb) {
    // 8-bit paletted, 3 x 2, bytes per line 4 (one pad byte), RLE.
    {
        Bytes b = fixtures::pcx_header(3, 2, 8, 1, 4);
        const uint8_t lines[2][4] = {{1, 1, 1, 0}, {2, 0xC5, 1, 0}};
        for (const auto& l : lines) fixtures::pcx_encode(b, l, 4);
        b.push_back(0x0C);
        Bytes pal(768, 0);
        pal[3] = 10, pal[4] = 20, pal[5] = 30;
        pal[6] = 40, pal[7] = 50, pal[8] = 60;
        pal[0xC5 * 3] = 7, pal[0xC5 * 3 + 1] = 8, pal[0xC5 * 3 + 2] = 9;
        b.insert(b.end(), pal.begin(), pal.end());
        expect_image(decode_exact(b), 3, 2,
                     {10, 20, 30, 255, 10, 20, 30, 255, 10, 20, 30, 255, 40, 50, 60, 255, 7, 8, 9, 255, 10, 20, 30, 255});
    }
    // 24-bit as three planes, 2 x 1.
    {
        Bytes b = fixtures::pcx_header(2, 1, 8, 3, 2);
        const uint8_t line[6] = {1, 2, 3, 4, 5, 6};
        fixtures::pcx_encode(b, line, 6);
        expect_image(decode_exact(b), 2, 1, {1, 3, 5, 255, 2, 4, 6, 255});
    }
}

TEST(ImagingDecode, MissingEmptyAndUnknownFilesFailCleanly) {
    EXPECT_EQ(decode_file(fixtures::temp_path("does_not_exist.png").c_str()).error, DecodeError::open_failed);
    EXPECT_EQ(decode_file(nullptr).error, DecodeError::open_failed);
    EXPECT_EQ(decode_file(::testing::TempDir().c_str()).error, DecodeError::open_failed);  // a directory
    const std::string empty = fixtures::temp_path("empty.png");
    fixtures::write_file(empty, {});
    EXPECT_EQ(decode_file(empty.c_str()).error, DecodeError::unknown_format);
    const std::string text = fixtures::temp_path("text.png");
    fixtures::write_file(text, Bytes{'h', 'e', 'l', 'l', 'o'});
    const DecodeResult r = decode_file(text.c_str());
    EXPECT_EQ(r.error, DecodeError::unknown_format);
    EXPECT_FALSE(r.image);
}

TEST(ImagingDecode, EveryTruncationFailsOrDecodesWithinTheData) {
    const int w = 6, h = 5;
    const Bytes rgba = fixtures::pattern_rgba(w, h, true);
    Bytes rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    const std::string tif = fixtures::temp_path("trunc.tif");
    ASSERT_TRUE(fixtures::write_tiff_rgba(tif, w, h, rgba));
    const std::string gif = fixtures::temp_path("trunc.gif");
    const GifColorType palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    Bytes idx(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint8_t>(i % 4);
    ASSERT_TRUE(fixtures::write_gif(gif, w, h, idx, palette, -1));
    Bytes pcx = fixtures::pcx_header(w, h, 8, 3, w);
    for (int y = 0; y < h; ++y) {
        Bytes line;
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < w; ++x) line.push_back(rgba[(static_cast<size_t>(y) * w + x) * 4 + c]);
        fixtures::pcx_encode(pcx, line.data(), line.size());
    }
    const struct {
        const char* name;
        Bytes data;
    } files[] = {
        {"png", fixtures::png_bytes(w, h, PNG_FORMAT_RGBA, rgba)},
        {"jpeg", fixtures::jpeg_bytes(w, h, 3, rgb)},
        {"tiff", fixtures::read_file(tif)},
        {"gif", fixtures::read_file(gif)},
        {"bmp", fixtures::bmp24_bytes(w, h, rgba)},
        {"tga", fixtures::tga32_bytes(w, h, rgba)},
        {"pcx", pcx},
    };
    for (const auto& f : files) {
        ASSERT_GT(f.data.size(), 20u) << f.name;
        const DecodeResult whole = decode_exact(f.data, "f.tga");
        ASSERT_TRUE(whole.ok()) << f.name;
        EXPECT_EQ(whole.image.width, w) << f.name;
        // Every shorter prefix either fails or (formats whose tail is not
        // pixel data) still yields the full-size image.
        for (size_t n = 0; n < f.data.size(); ++n) {
            const Bytes prefix(f.data.begin(), f.data.begin() + static_cast<ptrdiff_t>(n));
            const DecodeResult r = decode_exact(prefix, "f.tga");
            if (r.ok()) {
                EXPECT_EQ(r.image.width, w) << f.name << " " << n;
                EXPECT_EQ(r.image.height, h) << f.name << " " << n;
            } else {
                EXPECT_FALSE(r.image) << f.name << " " << n;
            }
        }
        // Cutting away the second half of the data always fails.
        const Bytes half(f.data.begin(), f.data.begin() + static_cast<ptrdiff_t>(f.data.size() / 2));
        EXPECT_FALSE(decode_exact(half, "f.tga").ok()) << f.name;
    }
}

TEST(ImagingDecode, HostileAndZeroSizesAreRejectedBeforeAllocating) {
    using fixtures::put32;
    // PNG whose IHDR declares 100000 x 100000.
    Bytes png = fixtures::png_bytes(1, 1, PNG_FORMAT_RGBA, Bytes{1, 2, 3, 4});
    png[16] = 0, png[17] = 1, png[18] = 0x86, png[19] = 0xA0;
    png[20] = 0, png[21] = 1, png[22] = 0x86, png[23] = 0xA0;
    EXPECT_EQ(decode_exact(png).error, DecodeError::too_large);
    // BMP of 2^30 x 2 and of 0 x 5.
    EXPECT_EQ(decode_exact(fixtures::bmp_header(1 << 30, 2, 24, 0, 0, 54, 54)).error, DecodeError::too_large);
    EXPECT_EQ(decode_exact(fixtures::bmp_header(0, 5, 24, 0, 0, 54, 54)).error, DecodeError::too_large);
    // TGA of 65535 x 65535 with no pixels, and of width 0.
    EXPECT_EQ(decode_exact(fixtures::tga_header(2, 65535, 65535, 32, 0), "h.tga").error, DecodeError::too_large);
    EXPECT_EQ(decode_exact(fixtures::tga_header(2, 0, 4, 32, 0), "h.tga").error, DecodeError::too_large);
    // TGA of 60000 x 4000: within the caps, but the data stops after the header.
    EXPECT_EQ(decode_exact(fixtures::tga_header(2, 60000, 4000, 32, 0), "h.tga").error, DecodeError::corrupt);
    // PCX with xmax below xmin.
    Bytes pcx = fixtures::pcx_header(1, 1, 8, 3, 2);
    pcx[4] = 9;
    EXPECT_EQ(decode_exact(pcx).error, DecodeError::too_large);
    // JPEG whose frame header claims 65500 x 65500 but carries no scan.
    Bytes rgb(8 * 8 * 3, 90);
    Bytes jpg = fixtures::jpeg_bytes(8, 8, 3, rgb);
    for (size_t i = 2; i + 8 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && jpg[i + 1] == 0xC0) {
            jpg[i + 5] = 0xFF, jpg[i + 6] = 0xDC, jpg[i + 7] = 0xFF, jpg[i + 8] = 0xDC;
            break;
        }
    EXPECT_FALSE(decode_exact(Bytes(jpg.begin(), jpg.begin() + 200)).ok());
}

TEST(ImagingDecode, EngineMemoryLimitRefusesTheImage) {
    const Bytes rgba = fixtures::pattern_rgba(64, 64, true);
    const Bytes png = fixtures::png_bytes(64, 64, PNG_FORMAT_RGBA, rgba);
    const size_t old_limit = oka::memory_limit_bytes();
    oka::set_memory_limit_bytes(oka::memory_in_use() + 1000);  // 64 x 64 x 4 bytes do not fit
    const DecodeResult r = decode_exact(png);
    oka::set_memory_limit_bytes(old_limit);
    EXPECT_EQ(r.error, DecodeError::out_of_memory);
    EXPECT_TRUE(decode_exact(png).ok());
}

TEST(ImagingDecode, DibWithoutFileHeader) {
    const Bytes bmp = fixtures::bmp24_bytes(2, 2, fixtures::pattern_rgba(2, 2, false));
    const Bytes dib(bmp.begin() + 14, bmp.end());
    const DecodeResult r = oka::imaging::decode_dib(dib.data(), dib.size());
    expect_image(r, 2, 2, fixtures::pattern_rgba(2, 2, false));
}

TEST(ImagingDecode, ImageScriptsAreNotReadYet) {
    EXPECT_EQ(oka::imaging::decode_image_script("anything.isl").error, DecodeError::unsupported);
}

}  // namespace
