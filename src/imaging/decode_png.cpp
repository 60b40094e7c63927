// PNG through libpng, from memory. libpng reports errors by longjmp, so the
// functions that call into it hold only trivially destructible locals and
// every owning object lives in the caller.
#if defined(OKACORE_HAVE_PNG)
#include <png.h>

#include <csetjmp>
#include <vector>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void read_from_memory(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (n > r->size - r->pos) png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

void silent_warning(png_structp, png_const_charp) {}
void error_jump(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Header and transforms: afterwards every row is width x 4 bytes of RGBA.
bool read_header(png_structp png, png_infop info, png_uint_32* w, png_uint_32* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, w, h, &depth, &colour, &interlace, nullptr, nullptr);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(*w) * 4;
}

bool read_body(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

}  // namespace

DecodeResult decode_png(const uint8_t* data, size_t size) {
    // The size check comes first, from the IHDR chunk that must follow the
    // signature, so that an absurd declared size is reported as such.
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return failure(DecodeError::corrupt);
    const auto be32 = [](const uint8_t* p) {
        return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
    };
    const DecodeError size_error = check_image_size(be32(data + 16), be32(data + 20));
    if (size_error != DecodeError::none) return failure(size_error);

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, error_jump, silent_warning);
    if (!png) return failure(DecodeError::out_of_memory);
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return failure(DecodeError::out_of_memory);
    }
    MemoryReader reader{data, size, 0};
    png_set_read_fn(png, &reader, read_from_memory);
    // libpng's own limits, so that it rejects absurd headers and chunk
    // sizes before it allocates anything itself.
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageEdge), static_cast<png_uint_32>(kMaxImageEdge));
    png_set_chunk_malloc_max(png, 64u << 20);

    DecodeResult result;
    png_uint_32 w = 0, h = 0;
    if (!read_header(png, info, &w, &h)) {
        result.error = DecodeError::corrupt;
    } else {
        result.error = allocate_image(result.image, w, h);
        if (result.ok()) {
            std::vector<png_bytep> rows;
            try {
                rows.resize(h);
            } catch (...) {
                result.error = DecodeError::out_of_memory;
            }
            if (result.ok()) {
                for (png_uint_32 y = 0; y < h; ++y) rows[y] = result.image.row(static_cast<int32_t>(y));
                if (!read_body(png, rows.data())) result.error = DecodeError::corrupt;
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!result.ok()) result.image = Rgba32Image{};
    return result;
}

}  // namespace oka::imaging::detail

#else  // built without libpng: the format is recognised and refused

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

DecodeResult decode_png(const uint8_t*, size_t) { return failure(DecodeError::unsupported); }

}  // namespace oka::imaging::detail

#endif  // OKACORE_HAVE_PNG
