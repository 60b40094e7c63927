// TGA reader: colour-mapped, true-colour and grey images, raw or RLE, with
// 8/15/16/24/32-bit pixels and any of the four origins.
#include <algorithm>
#include <vector>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

struct TgaHeader {
    uint8_t id_length, map_type, type;
    uint16_t map_first, map_length;
    uint8_t map_depth;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

TgaHeader read_header(const uint8_t* d) noexcept {
    return {d[0], d[1], d[2], le16(d + 3), le16(d + 5), d[7], le16(d + 12), le16(d + 14), d[16], d[17]};
}

bool colour_mapped(uint8_t type) noexcept { return type == 1 || type == 9; }
bool grey(uint8_t type) noexcept { return type == 3 || type == 11; }
bool rle(uint8_t type) noexcept { return type >= 9; }

// 5-5-5 channel to 8 bits: repeat the top bits into the bottom ones.
inline uint8_t five(uint32_t v) noexcept { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// One stored colour (pixel or map entry) of `depth` bits to RGBA.
void colour_of(const uint8_t* p, int depth, bool alpha_bit, uint8_t* out) noexcept {
    switch (depth) {
        case 15:
        case 16: {
            const uint32_t v = le16(p);
            out[0] = five((v >> 10) & 31);
            out[1] = five((v >> 5) & 31);
            out[2] = five(v & 31);
            out[3] = (depth == 16 && alpha_bit) ? ((v & 0x8000) ? 255 : 0) : 255;
            break;
        }
        case 24:
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = 255;
            break;
        default:  // 32
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = p[3];
    }
}

}  // namespace

bool tga_header_plausible(const uint8_t* d, size_t size) noexcept {
    if (size < 18) return false;
    const TgaHeader h = read_header(d);
    if (h.map_type > 1 || (h.descriptor & 0xC0)) return false;
    if (colour_mapped(h.type)) {
        return h.map_type == 1 && (h.depth == 8 || h.depth == 16) &&
               (h.map_depth == 15 || h.map_depth == 16 || h.map_depth == 24 || h.map_depth == 32);
    }
    if (h.type == 2 || h.type == 10) return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    if (grey(h.type)) return h.depth == 8 || h.depth == 16;
    return false;
}

DecodeResult decode_tga(const uint8_t* d, size_t size) {
    if (!tga_header_plausible(d, size)) return failure(DecodeError::corrupt);
    const TgaHeader h = read_header(d);
    DecodeError e = check_image_size(h.width, h.height);
    if (e != DecodeError::none) return failure(e);

    const int alpha_bits = h.descriptor & 15;
    size_t pos = 18 + size_t{h.id_length};
    // Colour map, converted once; entries outside it read as opaque black.
    std::vector<uint8_t> map;
    if (h.map_type == 1) {
        const size_t entry = (h.map_depth + 7u) / 8u;
        const size_t bytes = entry * h.map_length;
        if (pos + bytes > size) return failure(DecodeError::corrupt);
        if (colour_mapped(h.type)) {
            map.resize(size_t{h.map_length} * 4);
            for (size_t i = 0; i < h.map_length; ++i)
                colour_of(d + pos + i * entry, h.map_depth, alpha_bits > 0, map.data() + i * 4);
        }
        pos += bytes;
    }

    DecodeResult r;
    r.error = allocate_image(r.image, h.width, h.height);
    if (!r.ok()) return r;

    const size_t bpp = (h.depth + 7u) / 8u;
    const size_t total = size_t{h.width} * h.height;
    const bool top = h.descriptor & 0x20, right_to_left = h.descriptor & 0x10;
    static const uint8_t kBlack[4] = {0, 0, 0, 255};
    bool any_alpha = false;
    const auto store = [&](size_t i, const uint8_t* p) {
        const size_t x = i % h.width, row = i / h.width;
        const size_t ox = right_to_left ? h.width - 1 - x : x;
        const size_t oy = top ? row : h.height - 1 - row;
        uint8_t* out = r.image.pixels.data() + (oy * h.width + ox) * 4;
        if (colour_mapped(h.type)) {
            const int64_t idx = int64_t{h.depth == 8 ? p[0] : le16(p)} - h.map_first;
            std::memcpy(out, (idx >= 0 && idx < h.map_length) ? map.data() + idx * 4 : kBlack, 4);
        } else if (grey(h.type)) {
            out[0] = out[1] = out[2] = p[0];
            out[3] = h.depth == 16 ? p[1] : 255;
        } else {
            colour_of(p, h.depth, alpha_bits > 0, out);
        }
        any_alpha |= out[3] != 0;
    };

    if (!rle(h.type)) {
        if (pos + total * bpp > size) {
            r.error = DecodeError::corrupt;
        } else {
            for (size_t i = 0; i < total; ++i) store(i, d + pos + i * bpp);
        }
    } else {
        size_t i = 0;
        while (i < total) {
            if (pos >= size) {
                r.error = DecodeError::corrupt;
                break;
            }
            const uint8_t packet = d[pos++];
            const size_t count = std::min<size_t>((packet & 127u) + 1u, total - i);
            const size_t need = (packet & 128) ? bpp : ((packet & 127u) + 1u) * bpp;
            if (pos + need > size) {
                r.error = DecodeError::corrupt;
                break;
            }
            for (size_t k = 0; k < count; ++k) store(i + k, d + pos + ((packet & 128) ? 0 : k * bpp));
            pos += need;
            i += count;
        }
    }
    // A 32-bit image that declares no alpha bits and stores only zeros in
    // the fourth byte is opaque, not invisible.
    if (r.ok() && h.depth == 32 && alpha_bits == 0 && !colour_mapped(h.type) && !any_alpha)
        for (size_t i = 3; i < r.image.pixels.size(); i += 4) r.image.pixels[i] = 255;
    if (!r.ok()) r.image = Rgba32Image{};
    return r;
}

}  // namespace oka::imaging::detail
