// BMP and bare DIB reader: core (12-byte) and info (40..124-byte) headers,
// 1/4/8-bit palettes, 16/24/32-bit direct colour with optional bit masks,
// and RLE8/RLE4. Every read is checked against the data's end.
#include <algorithm>
#include <bit>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

struct Palette {
    uint8_t rgb[256][3] = {};
    int count = 0;
};

// One channel mask: where its bits sit and how to widen them to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    void set(uint32_t m) noexcept {
        mask = m;
        shift = m ? std::countr_zero(m) : 0;
        max = m ? (m >> shift) : 0;
        // A mask with holes counts up to its top bit; values stay below max.
    }
    uint8_t get(uint32_t v, uint8_t absent) const noexcept {
        if (!mask) return absent;
        const uint32_t x = (v & mask) >> shift;
        return static_cast<uint8_t>((static_cast<uint64_t>(x) * 255 + max / 2) / max);
    }
};

struct Header {
    int64_t width = 0, height = 0;
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    uint32_t colours_used = 0;
    size_t header_size = 0;
    size_t palette_entry = 4;
    Channel r, g, b, a;
    bool has_masks = false;
};

inline void put(uint8_t* px, const uint8_t* rgb) noexcept {
    px[0] = rgb[0];
    px[1] = rgb[1];
    px[2] = rgb[2];
    px[3] = 255;
}

DecodeError parse_header(const uint8_t* d, size_t size, Header& h, size_t& after) {
    if (size < 4) return DecodeError::corrupt;
    h.header_size = le32(d);
    if (h.header_size == 12) {
        if (size < 12) return DecodeError::corrupt;
        h.width = le16(d + 4);
        h.height = static_cast<int16_t>(le16(d + 6));
        h.bpp = le16(d + 10);
        h.palette_entry = 3;
    } else if (h.header_size >= 40 && h.header_size <= size && h.header_size <= 1024) {
        h.width = static_cast<int32_t>(le32(d + 4));
        h.height = static_cast<int32_t>(le32(d + 8));
        h.bpp = le16(d + 14);
        h.compression = le32(d + 16);
        h.colours_used = le32(d + 32);
    } else {
        return DecodeError::corrupt;
    }
    if (h.height < 0) {
        h.top_down = true;
        h.height = -h.height;
    }
    after = h.header_size;
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
        // Masks sit inside a V2+ header, or right after a 40-byte one.
        const size_t mask_count = h.compression == kAlphaBitfields ? 4 : 3;
        size_t at = 40;
        if (h.header_size == 40) {
            if (size < 40 + 4 * mask_count) return DecodeError::corrupt;
            after = 40 + 4 * mask_count;
        } else if (h.header_size < 40 + 4 * mask_count) {
            return DecodeError::corrupt;
        }
        h.r.set(le32(d + at));
        h.g.set(le32(d + at + 4));
        h.b.set(le32(d + at + 8));
        if (mask_count == 4 || h.header_size >= 56) h.a.set(le32(d + at + 12));
        h.has_masks = true;
    } else if (h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4) {
        return DecodeError::unsupported;  // embedded JPEG/PNG and the rarer schemes
    }
    const bool ok_depth = h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 || h.bpp == 24 || h.bpp == 32;
    if (!ok_depth) return DecodeError::unsupported;
    if ((h.compression == kRle8 && h.bpp != 8) || (h.compression == kRle4 && h.bpp != 4)) return DecodeError::corrupt;
    if (h.has_masks && h.bpp != 16 && h.bpp != 32) return DecodeError::corrupt;
    if ((h.compression == kRle8 || h.compression == kRle4) && h.top_down) return DecodeError::corrupt;
    if (!h.has_masks) {
        if (h.bpp == 16) {
            h.r.set(0x7C00);
            h.g.set(0x03E0);
            h.b.set(0x001F);
        } else if (h.bpp == 32) {
            h.r.set(0x00FF0000);
            h.g.set(0x0000FF00);
            h.b.set(0x000000FF);
        }
    }
    return DecodeError::none;
}

void read_palette(const uint8_t* d, size_t size, size_t at, const Header& h, Palette& pal) {
    if (h.bpp > 8) return;
    size_t count = h.colours_used ? h.colours_used : (size_t{1} << h.bpp);
    count = std::min<size_t>(count, 256);
    for (size_t i = 0; i < count; ++i) {
        const size_t p = at + i * h.palette_entry;
        if (p + 3 > size) break;
        pal.rgb[i][0] = d[p + 2];
        pal.rgb[i][1] = d[p + 1];
        pal.rgb[i][2] = d[p];
        pal.count = static_cast<int>(i + 1);
    }
}

DecodeError decode_rows(const uint8_t* pixels, size_t avail, const Header& h, const Palette& pal, Rgba32Image& img) {
    const size_t stride = ((static_cast<size_t>(h.width) * static_cast<size_t>(h.bpp) + 31) / 32) * 4;
    if (stride * static_cast<size_t>(h.height) > avail) return DecodeError::corrupt;
    bool any_alpha = false;
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = pixels + static_cast<size_t>(y) * stride;
        const int32_t out_y = static_cast<int32_t>(h.top_down ? y : h.height - 1 - y);
        uint8_t* out = img.row(out_y);
        for (int64_t x = 0; x < h.width; ++x, out += 4) {
            switch (h.bpp) {
                case 1:
                case 4:
                case 8: {
                    const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(h.bpp);
                    const int idx = (src[bit / 8] >> (8 - h.bpp - static_cast<int>(bit % 8))) & ((1 << h.bpp) - 1);
                    put(out, pal.rgb[idx]);  // entries beyond the palette read as black
                    break;
                }
                case 16: {
                    const uint32_t v = le16(src + x * 2);
                    out[0] = h.r.get(v, 0);
                    out[1] = h.g.get(v, 0);
                    out[2] = h.b.get(v, 0);
                    out[3] = h.a.get(v, 255);
                    break;
                }
                case 24:
                    out[0] = src[x * 3 + 2];
                    out[1] = src[x * 3 + 1];
                    out[2] = src[x * 3];
                    out[3] = 255;
                    break;
                default: {  // 32
                    const uint32_t v = le32(src + x * 4);
                    out[0] = h.r.get(v, 0);
                    out[1] = h.g.get(v, 0);
                    out[2] = h.b.get(v, 0);
                    if (h.has_masks) {
                        out[3] = h.a.get(v, 255);
                    } else {
                        out[3] = static_cast<uint8_t>(v >> 24);
                        any_alpha |= out[3] != 0;
                    }
                }
            }
        }
    }
    // Plain 32-bit rows usually leave the fourth byte 0 ("unused"): an image
    // whose fourth bytes are all 0 is opaque, otherwise they are its alpha.
    if (h.bpp == 32 && !h.has_masks && !any_alpha)
        for (size_t i = 3; i < img.pixels.size(); i += 4) img.pixels[i] = 255;
    return DecodeError::none;
}

// RLE8 and RLE4 streams, bottom-up. Pixels the stream skips stay
// transparent black; runs past a row's end or the last row are clipped.
DecodeError decode_rle(const uint8_t* p, size_t avail, const Header& h, const Palette& pal, Rgba32Image& img) {
    std::memset(img.pixels.data(), 0, img.pixels.bytes());
    const bool four = h.compression == kRle4;
    int64_t x = 0, y = 0;
    size_t i = 0;
    const auto plot = [&](int idx) {
        if (x < h.width && y < h.height) put(img.row(static_cast<int32_t>(h.height - 1 - y)) + x * 4, pal.rgb[idx]);
        ++x;
    };
    while (y < h.height) {
        if (i + 2 > avail) return DecodeError::corrupt;
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) plot(four ? ((k & 1) ? (value & 15) : (value >> 4)) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return DecodeError::none;
        } else if (value == 2) {
            if (i + 2 > avail) return DecodeError::corrupt;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else {
            const size_t bytes = four ? (value + 1u) / 2u : value;
            const size_t padded = (bytes + 1) & ~size_t{1};
            if (i + padded > avail) return DecodeError::corrupt;
            for (int k = 0; k < value; ++k) plot(four ? ((k & 1) ? (p[i + k / 2] & 15) : (p[i + k / 2] >> 4)) : p[i + k]);
            i += padded;
        }
    }
    return DecodeError::none;
}

DecodeResult decode_info(const uint8_t* d, size_t size, int64_t pixel_offset) {
    Header h;
    size_t after = 0;
    DecodeError e = parse_header(d, size, h, after);
    if (e != DecodeError::none) return failure(e);
    e = check_image_size(h.width, h.height);
    if (e != DecodeError::none) return failure(e);
    Palette pal;
    read_palette(d, size, after, h, pal);
    if (h.bpp <= 8 && pal.count == 0) return failure(DecodeError::corrupt);
    if (pixel_offset < 0) {
        const size_t palette_bytes =
            h.bpp <= 8 ? static_cast<size_t>(h.colours_used ? std::min<uint32_t>(h.colours_used, 256) : 1u << h.bpp) *
                             h.palette_entry
                       : 0;
        pixel_offset = static_cast<int64_t>(after + palette_bytes);
    }
    if (static_cast<uint64_t>(pixel_offset) > size) return failure(DecodeError::corrupt);
    DecodeResult r;
    r.error = allocate_image(r.image, h.width, h.height);
    if (!r.ok()) return r;
    const uint8_t* pixels = d + pixel_offset;
    const size_t avail = size - static_cast<size_t>(pixel_offset);
    r.error = (h.compression == kRle8 || h.compression == kRle4) ? decode_rle(pixels, avail, h, pal, r.image)
                                                                 : decode_rows(pixels, avail, h, pal, r.image);
    if (!r.ok()) r.image = Rgba32Image{};
    return r;
}

}  // namespace

DecodeResult decode_bmp(const uint8_t* data, size_t size) {
    if (size < 14 + 12) return failure(DecodeError::corrupt);
    const uint32_t off = le32(data + 10);
    // The file header's pixel offset counts from the file's start; an
    // offset inside the headers is a damaged file header, so fall back to
    // "right after the palette".
    const int64_t pixel_offset = off >= 14 + 12 ? static_cast<int64_t>(off) - 14 : -1;
    return decode_info(data + 14, size - 14, pixel_offset);
}

DecodeResult decode_dib(const uint8_t* data, size_t size) { return decode_info(data, size, -1); }

}  // namespace oka::imaging::detail
