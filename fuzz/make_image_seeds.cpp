// Writes the hostile-bytes seeds of fuzz_decode: one small file of each
// format and variant the decoder reads, made the way the decoder tests make
// theirs (tests/image_fixtures.h), each prefixed with the mode byte that
// decodes it as a file (0), as a ".tga" file (1) or as a bare DIB (2).
//
//   make_image_seeds <directory>
#include <cstdio>
#include <string>

#include "image_fixtures.h"

namespace {

using fixtures::Bytes;

std::string g_dir;

void seed(const std::string& name, uint8_t mode, const Bytes& file) {
    if (file.empty()) {
        std::fprintf(stderr, "make_image_seeds: no %s file\n", name.c_str());
        std::exit(1);
    }
    Bytes out{mode};
    out.insert(out.end(), file.begin(), file.end());
    fixtures::write_file(g_dir + "/seed_" + name, out);
}

Bytes from_file(const std::string& name) {
    Bytes b = fixtures::read_file(fixtures::temp_path(name));
    std::remove(fixtures::temp_path(name).c_str());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_image_seeds <directory>\n");
        return 2;
    }
    g_dir = argv[1];
    const int w = 5, h = 3;
    const Bytes rgba = fixtures::pattern_rgba(w, h, true);
    Bytes rgb, grey, indices;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), rgba.begin() + i, rgba.begin() + i + 3);
        grey.push_back(rgba[i]);
        indices.push_back(static_cast<uint8_t>(i / 4 % 4));
    }

    seed("png_rgba", 0, fixtures::png_bytes(w, h, PNG_FORMAT_RGBA, rgba));
    seed("png_grey", 0, fixtures::png_bytes(w, h, PNG_FORMAT_GRAY, grey));
    seed("jpeg_rgb", 0, fixtures::jpeg_bytes(w, h, 3, rgb, 80));
    seed("jpeg_grey", 0, fixtures::jpeg_bytes(w, h, 1, grey, 80));
    fixtures::write_tiff_rgba(fixtures::temp_path("seed.tif"), w, h, rgba);
    seed("tiff_rgba", 0, from_file("seed.tif"));
    const GifColorType palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    fixtures::write_gif(fixtures::temp_path("seed.gif"), w, h, indices, palette, 2);
    seed("gif_transparent", 0, from_file("seed.gif"));

    const Bytes bmp = fixtures::bmp24_bytes(w, h, rgba);
    seed("bmp24", 0, bmp);
    seed("dib24", 2, Bytes(bmp.begin() + 14, bmp.end()));
    // 8-bit RLE BMP: a run, an absolute run, end of line, end of bitmap.
    Bytes rle8 = fixtures::bmp_header(w, h, 8, 1, 2, 54 + 8, 0);
    fixtures::put32(rle8, 0x00FF0000u);
    fixtures::put32(rle8, 0x000000FFu);
    for (int y = 0; y < h; ++y) rle8.insert(rle8.end(), {2, 1, 0, 3, 0, 1, 0, 0, 0, 0});
    rle8.insert(rle8.end(), {0, 1});
    seed("bmp_rle8", 0, rle8);

    seed("tga32", 1, fixtures::tga32_bytes(w, h, rgba));
    Bytes tga_rle = fixtures::tga_header(10, w, h, 24, 0);
    for (int y = 0; y < h; ++y) tga_rle.insert(tga_rle.end(), {0x84, 10, 20, 30});
    seed("tga_rle24", 1, tga_rle);
    Bytes tga_map = fixtures::tga_header(1, w, h, 8, 0, 1, 2, 24);
    tga_map.insert(tga_map.end(), {0, 0, 255, 255, 0, 0});
    for (int i = 0; i < w * h; ++i) tga_map.push_back(static_cast<uint8_t>(i & 1));
    seed("tga_mapped", 1, tga_map);

    Bytes pcx = fixtures::pcx_header(w, h, 8, 3, 6);
    for (int y = 0; y < h; ++y)
        for (int c = 0; c < 3; ++c) {
            uint8_t line[6] = {};
            for (int x = 0; x < w; ++x) line[x] = rgba[(static_cast<size_t>(y) * w + x) * 4 + c];
            fixtures::pcx_encode(pcx, line, 6);
        }
    seed("pcx24", 0, pcx);
    Bytes pcx1 = fixtures::pcx_header(w, h, 1, 1, 2);
    for (int y = 0; y < h; ++y) {
        const uint8_t line[2] = {static_cast<uint8_t>(0xA8 >> y), 0};
        fixtures::pcx_encode(pcx1, line, 2);
    }
    seed("pcx_mono", 0, pcx1);
    return 0;
}
