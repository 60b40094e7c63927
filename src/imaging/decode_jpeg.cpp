// JPEG through libjpeg-turbo, from memory. Like libpng it reports errors by
// longjmp: the functions holding the setjmp keep only trivial locals.
#if defined(OKACORE_HAVE_JPEG)
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
    bool premature_end;
};

void error_exit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    longjmp(err->jump, 1);
}

// Warnings are silent, except that data ending before the image does is
// remembered: the library would fill the rest with grey, and a truncated
// file should fail instead of giving a half-grey image.
void emit_message(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && err->base.msg_code == JWRN_JPEG_EOF) err->premature_end = true;
}

bool read_header(jpeg_decompress_struct* cinfo, ErrorManager* err, const uint8_t* data, size_t size) {
    if (setjmp(err->jump)) return false;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    return true;
}

bool start(jpeg_decompress_struct* cinfo, ErrorManager* err) {
    if (setjmp(err->jump)) return false;
    jpeg_start_decompress(cinfo);
    return cinfo->output_components == 4;
}

bool read_rows(jpeg_decompress_struct* cinfo, ErrorManager* err, uint8_t* pixels, size_t stride) {
    if (setjmp(err->jump)) return false;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = pixels + static_cast<size_t>(cinfo->output_scanline) * stride;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return false;
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// CMYK as the library delivers it: inverted (Adobe) or plain ink values.
void cmyk_to_rgba(uint8_t* px, size_t count, bool inverted) {
    for (size_t i = 0; i < count; ++i, px += 4) {
        unsigned c = px[0], m = px[1], y = px[2], k = px[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        px[0] = static_cast<uint8_t>((c * k + 127) / 255);
        px[1] = static_cast<uint8_t>((m * k + 127) / 255);
        px[2] = static_cast<uint8_t>((y * k + 127) / 255);
        px[3] = 255;
    }
}

}  // namespace

DecodeResult decode_jpeg(const uint8_t* data, size_t size) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = error_exit;
    err.base.emit_message = emit_message;
    err.premature_end = false;
    jpeg_create_decompress(&cinfo);
    // Whole-image coefficient buffers (progressive files) count against
    // this; there is no backing store, so beyond it decoding fails.
    const size_t limit = memory_limit_bytes();
    cinfo.mem->max_memory_to_use = static_cast<long>(limit != 0 && limit < (size_t{1} << 30) ? limit : size_t{1} << 30);

    DecodeResult result;
    if (size > static_cast<unsigned long>(-1) || !read_header(&cinfo, &err, data, size)) {
        result.error = DecodeError::corrupt;
    } else {
        result.error = allocate_image(result.image, cinfo.image_width, cinfo.image_height);
        if (result.ok()) {
            if (!start(&cinfo, &err) || cinfo.output_width != cinfo.image_width ||
                cinfo.output_height != cinfo.image_height)
                result.error = DecodeError::unsupported;
            else if (!read_rows(&cinfo, &err, result.image.pixels.data(), result.image.stride()) ||
                     err.premature_end)
                result.error = DecodeError::corrupt;
            else if (cinfo.out_color_space == JCS_CMYK)
                cmyk_to_rgba(result.image.pixels.data(),
                             static_cast<size_t>(result.image.width) * static_cast<size_t>(result.image.height),
                             cinfo.saw_Adobe_marker);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    if (!result.ok()) result.image = Rgba32Image{};
    return result;
}

}  // namespace oka::imaging::detail

#else  // built without libjpeg: the format is recognised and refused

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

DecodeResult decode_jpeg(const uint8_t*, size_t) { return failure(DecodeError::unsupported); }

}  // namespace oka::imaging::detail

#endif  // OKACORE_HAVE_JPEG
