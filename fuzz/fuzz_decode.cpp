// The image decoder on every format it reads (PNG, JPEG, TIFF, GIF, BMP and
// bare DIBs, TGA, PCX).
//
// Byte 0 chooses the mode:
//   0x00..0x7F  hostile bytes: the rest of the input is a file, decoded from
//               memory (byte 0 % 3: no name, a ".tga" name, or as a bare DIB);
//   0x80..0xFF  round trip: the rest gives a small picture, written here as
//               a PNG, BMP, TGA or PCX file of a chosen variant (and
//               sometimes given one changed byte); an unchanged file must
//               decode to exactly that picture.
// Every decode is checked for a consistent result, for returning all the
// engine memory it took, and for refusing the same image when the engine
// memory limit leaves one byte too little room for it.
#include <png.h>

#include <cstdint>
#include <vector>

#include "engine/memory.h"
#include "fuzz_support.h"
#include "imaging/decode.h"

namespace {

namespace img = oka::imaging;
using Bytes = std::vector<uint8_t>;

// Room for decoded images while fuzzing: files declaring larger images are
// refused by the size check instead of being read for minutes.
constexpr size_t kFuzzImageRoom = size_t{16} << 20;

img::DecodeResult decode(int how, const uint8_t* p, size_t n) {
    switch (how) {
        case 1: return img::decode_memory(p, n, "fuzz.TGA");
        case 2: return img::decode_dib(p, n);
        default: return img::decode_memory(p, n);
    }
}

// Result consistency, memory return, and the memory limit one byte short.
void check_decode(int how, const uint8_t* p, size_t n, const Bytes* expected, int32_t ew, int32_t eh) {
    const size_t base = oka::memory_in_use();
    oka::set_memory_limit_bytes(base + kFuzzImageRoom);
    size_t image_bytes = 0;
    {
        img::DecodeResult r = decode(how, p, n);
        if (r.ok()) {
            const img::Rgba32Image& im = r.image;
            FUZZ_CHECK(static_cast<bool>(im), "success without an image");
            FUZZ_CHECK(im.width >= 1 && im.height >= 1 && im.width <= img::kMaxImageEdge && im.height <= img::kMaxImageEdge,
                       "size %dx%d", im.width, im.height);
            image_bytes = static_cast<size_t>(im.width) * im.height * 4;
            FUZZ_CHECK(im.pixels.size() == image_bytes, "block %zu for %dx%d", im.pixels.size(), im.width, im.height);
            if (how != 2) FUZZ_CHECK(img::sniff_format(p, n, how == 1 ? "fuzz.TGA" : nullptr) != img::ImageFormat::unknown,
                                     "decoded an unknown format");
        } else {
            FUZZ_CHECK(!r.image, "a failure kept an image");
            FUZZ_CHECK(img::decode_error_text(r.error) != nullptr, "error text");
        }
        if (expected) {
            FUZZ_CHECK(r.ok(), "a valid file failed: %s", img::decode_error_text(r.error));
            FUZZ_CHECK(r.image.width == ew && r.image.height == eh, "size %dx%d, want %dx%d", r.image.width,
                       r.image.height, ew, eh);
            for (size_t i = 0; i < expected->size(); ++i)
                FUZZ_CHECK(r.image.pixels[i] == (*expected)[i], "byte %zu (pixel %zu channel %zu): %u, want %u", i, i / 4,
                           i % 4, r.image.pixels[i], (*expected)[i]);
        }
    }
    FUZZ_CHECK(oka::memory_in_use() == base, "decoder kept %zu bytes", oka::memory_in_use() - base);
    if (image_bytes > 0) {
        // The image no longer fits: the decoder must say so, whatever it got
        // through before noticing.
        oka::set_memory_limit_bytes(base + image_bytes - 1);
        {
            img::DecodeResult r = decode(how, p, n);
            FUZZ_CHECK(!r.ok() && !r.image, "decoded %zu bytes with room for one less", image_bytes);
        }
        FUZZ_CHECK(oka::memory_in_use() == base, "a refused decode kept %zu bytes", oka::memory_in_use() - base);
    }
    oka::set_memory_limit_bytes(0);
}

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

Bytes png_file(int w, int h, const Bytes& rgba, bool alpha) {
    Bytes px;
    for (size_t i = 0; i < rgba.size(); i += 4) px.insert(px.end(), rgba.begin() + i, rgba.begin() + i + (alpha ? 4 : 3));
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    im.width = static_cast<png_uint_32>(w);
    im.height = static_cast<png_uint_32>(h);
    im.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&im, nullptr, &size, 0, px.data(), 0, nullptr)) return {};
    Bytes out(size);
    if (!png_image_write_to_memory(&im, out.data(), &size, 0, px.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

// 24-bit BMP, bottom-up or top-down, rows padded to 4 bytes.
Bytes bmp_file(int w, int h, const Bytes& rgba, bool top_down) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    Bytes b = {'B', 'M'};
    put32(b, static_cast<uint32_t>(54 + stride * h));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(top_down ? -h : h));
    put16(b, 1);
    put16(b, 24);
    for (int i = 0; i < 6; ++i) put32(b, i == 2 || i == 3 ? 2835 : 0);
    for (int r = 0; r < h; ++r) {
        const int y = top_down ? r : h - 1 - r;
        const size_t start = b.size();
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            b.insert(b.end(), {p[2], p[1], p[0]});
        }
        b.resize(start + stride, 0);
    }
    return b;
}

// True-colour TGA: 32-bit top-left raw, 24-bit bottom-left raw, or 32-bit
// top-left RLE (runs of equal pixels up to 128).
Bytes tga_file(int w, int h, const Bytes& rgba, int variant) {
    const bool rle = variant == 2, depth32 = variant != 1;
    Bytes b = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(b, static_cast<uint32_t>(w));
    put16(b, static_cast<uint32_t>(h));
    b.push_back(depth32 ? 32 : 24);
    b.push_back(depth32 ? 0x28 : 0x00);
    auto pixel = [&](size_t i) {
        b.insert(b.end(), {rgba[i + 2], rgba[i + 1], rgba[i]});
        if (depth32) b.push_back(rgba[i + 3]);
    };
    const size_t n = static_cast<size_t>(w) * h;
    if (!rle) {
        for (int r = 0; r < h; ++r) {
            const int y = depth32 ? r : h - 1 - r;
            for (int x = 0; x < w; ++x) pixel((static_cast<size_t>(y) * w + x) * 4);
        }
        return b;
    }
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && run < 128 && std::memcmp(&rgba[i * 4], &rgba[(i + run) * 4], 4) == 0) ++run;
        if (run > 1) {
            b.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            pixel(i * 4);
        } else {
            b.push_back(0);
            pixel(i * 4);
        }
        i += run;
    }
    return b;
}

// PCX: 24-bit as three 8-bit planes, or 8-bit indexed with a trailing
// palette (the picture's colours are then taken through that palette);
// RLE scan lines.
Bytes pcx_file(int w, int h, Bytes& rgba, bool indexed) {
    const int bpl = (w + 1) & ~1;
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = 1;
    b[3] = 8;
    b[8] = static_cast<uint8_t>(w - 1);
    b[10] = static_cast<uint8_t>(h - 1);
    b[65] = indexed ? 1 : 3;
    b[66] = static_cast<uint8_t>(bpl);
    uint8_t palette[256][3];
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) palette[i][c] = static_cast<uint8_t>(i * (37 + 54 * c) + c);
    auto encode = [&](const Bytes& line) {
        for (size_t i = 0; i < line.size();) {
            size_t run = 1;
            while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
            if (run > 1 || line[i] >= 0xC0) b.insert(b.end(), {static_cast<uint8_t>(0xC0 | run), line[i]});
            else b.push_back(line[i]);
            i += run;
        }
    };
    for (int y = 0; y < h; ++y) {
        Bytes line(static_cast<size_t>(bpl) * (indexed ? 1 : 3), 0);
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            if (indexed) {
                line[x] = p[0];
                std::memcpy(p, palette[p[0]], 3);
            } else {
                for (int c = 0; c < 3; ++c) line[static_cast<size_t>(c) * bpl + x] = p[c];
            }
            p[3] = 255;
        }
        encode(line);
    }
    if (indexed) {
        b.push_back(0x0C);
        b.insert(b.end(), &palette[0][0], &palette[0][0] + 768);
    }
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    if (mode < 0x80) {
        check_decode(mode % 3, data + 1, size - 1, nullptr, 0, 0);
        return 0;
    }
    fuzz::Input in(data + 1, size - 1);
    const int w = in.range(1, 16), h = in.range(1, 16);
    Bytes rgba(static_cast<size_t>(w) * h * 4);
    const Bytes seed = in.bytes(rgba.size());
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = seed.empty() ? static_cast<uint8_t>(i * 29) : seed[i % seed.size()];
    Bytes file;
    switch ((mode >> 1) % 9) {
        case 0: file = png_file(w, h, rgba, true); break;
        case 1: file = png_file(w, h, rgba, false); for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255; break;
        case 2: file = bmp_file(w, h, rgba, false); for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255; break;
        case 3: file = bmp_file(w, h, rgba, true); for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255; break;
        case 4: file = tga_file(w, h, rgba, 0); break;
        case 5: file = tga_file(w, h, rgba, 1); for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255; break;
        case 6: file = tga_file(w, h, rgba, 2); break;
        case 7: file = pcx_file(w, h, rgba, false); break;
        default: file = pcx_file(w, h, rgba, true); break;
    }
    FUZZ_CHECK(!file.empty(), "writer failed");
    const int how = ((mode >> 1) % 9 >= 4 && (mode >> 1) % 9 <= 6) ? 1 : 0;  // TGA by name
    if (mode & 1) {
        // One byte changed: anything may come out, but consistently.
        const size_t at = in.u16() % file.size();
        file[at] ^= static_cast<uint8_t>(in.u8() | 1);
        check_decode(how, file.data(), file.size(), nullptr, 0, 0);
    } else {
        check_decode(how, file.data(), file.size(), &rgba, w, h);
        // A BMP without its 14-byte file header is the clipboard's DIB.
        if (file[0] == 'B') check_decode(2, file.data() + 14, file.size() - 14, &rgba, w, h);
    }
    return 0;
}
