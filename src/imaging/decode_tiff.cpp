// TIFF through libtiff, from memory, first directory only. libtiff's RGBA
// interface covers every photometric interpretation and bit depth it knows;
// it returns alpha premultiplied, so colours are divided back out here.
#if defined(OKACORE_HAVE_TIFF)
#include <tiffio.h>

#include <algorithm>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

struct MemoryFile {
    const uint8_t* data;
    toff_t size;
    toff_t pos;
};

tmsize_t mem_read(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->pos >= f->size) return 0;
    const toff_t count = std::min<toff_t>(static_cast<toff_t>(n), f->size - f->pos);
    std::memcpy(buf, f->data + f->pos, static_cast<size_t>(count));
    f->pos += count;
    return static_cast<tmsize_t>(count);
}
tmsize_t mem_write(thandle_t, void*, tmsize_t) { return 0; }
toff_t mem_seek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = f->pos;
    else if (whence == SEEK_END) base = f->size;
    else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
    // Offsets are unsigned: a "negative" one wraps, and anything past the
    // end simply reads nothing.
    f->pos = base + off;
    return f->pos;
}
int mem_close(thandle_t) { return 0; }
toff_t mem_size(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int mem_map(thandle_t, void**, toff_t*) { return 0; }
void mem_unmap(thandle_t, void*, toff_t) {}

int silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

void unpremultiply_raster(uint8_t* px, size_t count) {
    for (size_t i = 0; i < count; ++i, px += 4) {
        // The raster holds native 32-bit ABGR words; unpack them portably.
        uint32_t v;
        std::memcpy(&v, px, 4);
        uint32_t r = TIFFGetR(v), g = TIFFGetG(v), b = TIFFGetB(v);
        const uint32_t a = TIFFGetA(v);
        if (a != 0 && a != 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        }
        px[0] = static_cast<uint8_t>(r);
        px[1] = static_cast<uint8_t>(g);
        px[2] = static_cast<uint8_t>(b);
        px[3] = static_cast<uint8_t>(a);
    }
}

}  // namespace

DecodeResult decode_tiff(const uint8_t* data, size_t size) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return failure(DecodeError::out_of_memory);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, silent, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(256) << 20);
    MemoryFile file{data, static_cast<toff_t>(size), 0};
    // "m": never memory-map the (already in-memory) data.
    TIFF* tif = TIFFClientOpenExt("memory", "rm", &file, mem_read, mem_write, mem_seek, mem_close, mem_size, mem_map,
                                  mem_unmap, opts);
    TIFFOpenOptionsFree(opts);
    if (!tif) return failure(DecodeError::corrupt);

    DecodeResult result;
    uint32_t w = 0, h = 0;
    char message[1024];
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) {
        result.error = DecodeError::corrupt;
    } else if ((result.error = check_image_size(w, h)) != DecodeError::none) {
        // declared size rejected before anything is allocated
    } else if (!TIFFRGBAImageOK(tif, message)) {
        result.error = DecodeError::unsupported;
    } else {
        result.error = allocate_image(result.image, w, h);
        if (result.ok()) {
            auto* raster = reinterpret_cast<uint32_t*>(result.image.pixels.data());
            if (!TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 1))
                result.error = DecodeError::corrupt;
            else
                unpremultiply_raster(result.image.pixels.data(), static_cast<size_t>(w) * h);
        }
    }
    TIFFClose(tif);
    if (!result.ok()) result.image = Rgba32Image{};
    return result;
}

}  // namespace oka::imaging::detail

#else  // built without libtiff: the format is recognised and refused

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

DecodeResult decode_tiff(const uint8_t*, size_t) { return failure(DecodeError::unsupported); }

}  // namespace oka::imaging::detail

#endif  // OKACORE_HAVE_TIFF
