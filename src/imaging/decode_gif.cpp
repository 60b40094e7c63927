// GIF through giflib, from memory: the first frame, placed on the logical
// screen. Screen pixels the frame does not cover, and the frame's
// transparent index, become transparent black. Records are read one by one
// (not slurped), so a long animation costs nothing beyond its first frame.
#if defined(OKACORE_HAVE_GIF)
#include <gif_lib.h>

#include <algorithm>
#include <vector>

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int read_from_memory(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (n <= 0) return 0;
    const size_t count = std::min(static_cast<size_t>(n), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
    return static_cast<int>(count);
}

// Reads the frame's index rows into `indices` (width x height), undoing the
// four-pass interlace order when the frame is interlaced.
bool read_indices(GifFileType* gif, int width, int height, bool interlaced, std::vector<GifByteType>& indices) {
    const auto row = [&](int y) { return indices.data() + static_cast<size_t>(y) * static_cast<size_t>(width); };
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            if (DGifGetLine(gif, row(y), width) != GIF_OK) return false;
        return true;
    }
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            if (DGifGetLine(gif, row(y), width) != GIF_OK) return false;
    return true;
}

DecodeError decode_first_frame(GifFileType* gif, Rgba32Image& image) {
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) return DecodeError::corrupt;
        if (type == TERMINATE_RECORD_TYPE) return DecodeError::corrupt;  // no image at all
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) return DecodeError::corrupt;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) transparent = ext[4];
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK) return DecodeError::corrupt;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;

        if (DGifGetImageDesc(gif) != GIF_OK) return DecodeError::corrupt;
        const GifImageDesc& d = gif->Image;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        if (!map || d.Width <= 0 || d.Height <= 0) return DecodeError::corrupt;
        // A zero logical screen (seen in the wild) means the frame's extent.
        const int64_t sw = gif->SWidth > 0 ? gif->SWidth : int64_t{d.Left} + d.Width;
        const int64_t sh = gif->SHeight > 0 ? gif->SHeight : int64_t{d.Top} + d.Height;
        DecodeError e = allocate_image(image, sw, sh);
        if (e != DecodeError::none) return e;
        std::memset(image.pixels.data(), 0, image.pixels.bytes());

        // The frame may be larger than the screen it is cut to; its indices
        // are held whole, so the frame passes the same caps as an image.
        e = check_image_size(d.Width, d.Height);
        if (e != DecodeError::none) return e;
        std::vector<GifByteType> indices;
        try {
            indices.resize(static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height));
        } catch (...) {
            return DecodeError::out_of_memory;
        }
        if (!read_indices(gif, d.Width, d.Height, d.Interlace, indices)) return DecodeError::corrupt;

        for (int y = 0; y < d.Height; ++y) {
            const int64_t cy = int64_t{d.Top} + y;
            if (cy < 0 || cy >= image.height) continue;
            uint8_t* out = image.row(static_cast<int32_t>(cy));
            const GifByteType* in = indices.data() + static_cast<size_t>(y) * static_cast<size_t>(d.Width);
            for (int x = 0; x < d.Width; ++x) {
                const int64_t cx = int64_t{d.Left} + x;
                if (cx < 0 || cx >= image.width) continue;
                const int idx = in[x];
                if (idx == transparent) continue;
                uint8_t* px = out + cx * 4;
                if (idx < map->ColorCount) {
                    px[0] = map->Colors[idx].Red;
                    px[1] = map->Colors[idx].Green;
                    px[2] = map->Colors[idx].Blue;
                } else {
                    px[0] = px[1] = px[2] = 0;  // index beyond the map: black
                }
                px[3] = 255;
            }
        }
        return DecodeError::none;
    }
}

}  // namespace

DecodeResult decode_gif(const uint8_t* data, size_t size) {
    MemoryReader reader{data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_from_memory, &error);
    if (!gif) return failure(DecodeError::corrupt);
    DecodeResult result;
    if (gif->SWidth > 0 && gif->SHeight > 0) result.error = check_image_size(gif->SWidth, gif->SHeight);
    if (result.ok()) result.error = decode_first_frame(gif, result.image);
    DGifCloseFile(gif, &error);
    if (!result.ok()) result.image = Rgba32Image{};
    return result;
}

}  // namespace oka::imaging::detail

#else  // built without giflib: the format is recognised and refused

#include "imaging/decode_formats.h"

namespace oka::imaging::detail {

DecodeResult decode_gif(const uint8_t*, size_t) { return failure(DecodeError::unsupported); }

}  // namespace oka::imaging::detail

#endif  // OKACORE_HAVE_GIF
