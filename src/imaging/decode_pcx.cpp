// PCX reader: 1-, 2-, 4- and 8-bit indexed images (header or trailing
// palette, 1-bit planar up to 4 planes), 24-bit RGB and 32-bit RGBA as 8-bit
// planes; RLE or raw scan lines.
#include <algorithm>
#include <vector>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

// Run-length scan-line reader. A run may carry over into the next line;
// the reader keeps it pending rather than failing.
struct LineReader {
    const uint8_t* d;
    size_t end;
    size_t pos;
    bool rle;
    size_t pending = 0;
    uint8_t value = 0;

    bool read(uint8_t* out, size_t n) {
        size_t i = 0;
        while (i < n) {
            if (pending) {
                const size_t k = std::min(pending, n - i);
                std::memset(out + i, value, k);
                pending -= k;
                i += k;
                continue;
            }
            if (pos >= end) return false;
            const uint8_t b = d[pos++];
            if (rle && b >= 0xC0) {
                if (pos >= end) return false;
                pending = b & 0x3Fu;
                value = d[pos++];
            } else {
                out[i++] = b;
            }
        }
        return true;
    }
};

}  // namespace

DecodeResult decode_pcx(const uint8_t* d, size_t size) {
    if (size < 128 || d[0] != 0x0A) return failure(DecodeError::corrupt);
    const int bpp = d[3], planes = d[65];
    const int64_t width = int64_t{le16(d + 8)} - le16(d + 4) + 1;
    const int64_t height = int64_t{le16(d + 10)} - le16(d + 6) + 1;
    const size_t bytes_per_line = le16(d + 66);
    DecodeError e = check_image_size(width, height);
    if (e != DecodeError::none) return failure(e);

    const bool indexed8 = bpp == 8 && planes == 1;
    const bool rgb = bpp == 8 && (planes == 3 || planes == 4);
    const bool low_indexed = (bpp == 1 && planes >= 1 && planes <= 4) || ((bpp == 2 || bpp == 4) && planes == 1);
    if (!indexed8 && !rgb && !low_indexed) return failure(DecodeError::unsupported);
    if (bytes_per_line * 8 < static_cast<size_t>(width) * static_cast<size_t>(bpp)) return failure(DecodeError::corrupt);

    // Palette: 256 colours after a 0x0C marker at the end for 8-bit images
    // (grey ramp without one), else the 16 header entries; a 1-bit single
    // plane image is black and white.
    uint8_t palette[256][3];
    size_t data_end = size;
    if (indexed8) {
        if (size >= 128 + 769 && d[size - 769] == 0x0C) {
            std::memcpy(palette, d + size - 768, 768);
            data_end = size - 769;
        } else {
            for (int i = 0; i < 256; ++i) palette[i][0] = palette[i][1] = palette[i][2] = static_cast<uint8_t>(i);
        }
    } else if (bpp == 1 && planes == 1) {
        std::memset(palette, 0, sizeof palette);
        palette[1][0] = palette[1][1] = palette[1][2] = 255;
    } else {
        std::memset(palette, 0, sizeof palette);
        std::memcpy(palette, d + 16, 48);
    }

    DecodeResult r;
    r.error = allocate_image(r.image, width, height);
    if (!r.ok()) return r;
    std::vector<uint8_t> line;
    try {
        line.resize(bytes_per_line * static_cast<size_t>(planes));
    } catch (...) {
        r.image = Rgba32Image{};
        return failure(DecodeError::out_of_memory);
    }
    LineReader reader{d, data_end, 128, d[2] == 1};
    for (int32_t y = 0; y < r.image.height; ++y) {
        if (!reader.read(line.data(), line.size())) {
            r.image = Rgba32Image{};
            return failure(DecodeError::corrupt);
        }
        uint8_t* out = r.image.row(y);
        for (int32_t x = 0; x < r.image.width; ++x, out += 4) {
            if (rgb) {
                for (int c = 0; c < 3; ++c) out[c] = line[static_cast<size_t>(c) * bytes_per_line + x];
                out[3] = planes == 4 ? line[3 * bytes_per_line + x] : 255;
                continue;
            }
            int idx = 0;
            if (indexed8) {
                idx = line[x];
            } else if (planes == 1) {
                const size_t bit = static_cast<size_t>(x) * bpp;
                idx = (line[bit / 8] >> (8 - bpp - static_cast<int>(bit % 8))) & ((1 << bpp) - 1);
            } else {
                for (int p = 0; p < planes; ++p)
                    idx |= ((line[static_cast<size_t>(p) * bytes_per_line + x / 8] >> (7 - x % 8)) & 1) << p;
            }
            out[0] = palette[idx][0];
            out[1] = palette[idx][1];
            out[2] = palette[idx][2];
            out[3] = 255;
        }
    }
    return r;
}

}  // namespace oka::imaging::detail
