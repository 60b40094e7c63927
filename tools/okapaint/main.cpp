// okapaint: the command-line host. It drives the engine only through the
// public C interface, as a paint program would.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "okacore.h"
#include "png_writer.h"
#include "script.h"

namespace {

const char* const kExportNames[] = {
#include "okacore_export_names.inc"
};

void* find_export(const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("okacore.dll"), name));
#else
    return dlsym(RTLD_DEFAULT, name);
#endif
}

int usage() {
    std::fprintf(stderr,
                 "usage: okapaint info [--check]\n"
                 "       okapaint layers OUT.png\n"
                 "       okapaint stroke FILE OUT.png\n"
                 "       okapaint paint OUT.png [FILE] [--zoom N] [--scale S]\n");
    return 2;
}

// Print the version and the export count; with --check fail when an
// export the header declares is missing from the loaded library.
int cmd_info(bool check) {
    size_t total = sizeof kExportNames / sizeof kExportNames[0];
    size_t found = 0;
    for (const char* name : kExportNames) {
        if (find_export(name))
            ++found;
        else if (check)
            std::fprintf(stderr, "missing export: %s\n", name);
    }
    std::printf("okacore 0.1.0\nexports: %zu of %zu declared\n", found, total);
    return (check && found != total) ? 1 : 0;
}

// Build a small document of several layers and write the background.
int cmd_layers(const std::string& out) {
    const int w = 256, h = 192;
    OKA_SetLastError("");
    OKA_CreateImage(nullptr, w, h, 64, 0);
    if (!OKA_CreateLayer(1, w, h) || !OKA_CreateLayer(2, w, h) || !OKA_CreateLayer(3, w, h)) {
        std::fprintf(stderr, "okapaint: cannot create layers: %s\n", OKA_GetLastError());
        return 1;
    }
    OKA_SetLayerOptions(1, 1, 0, 100, "Normal");
    OKA_SetLayerOptions(2, 1, 0, 80, "Multiply");
    OKA_SetLayerOptions(3, 1, 0, 50, "Screen");
    OKA_SetLayer(2);
    OKA_Clear(200, 40, 40, 255);
    OKA_SetLayer(3);
    OKA_Clear(40, 80, 220, 128);
    OKA_SetLayer(1);
    OKA_Clear(238, 232, 213, 255);

    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    OKA_GetRGBA32Layer(rgba.data(), w * 4, 1);
    std::printf("layers: %d, current %d\n", OKA_GetLayerCount(), OKA_GetLayerNum());
    OKA_DeleteImage();
    if (!write_png(out, rgba.data(), w, h, 4, w * 4)) {
        std::fprintf(stderr, "okapaint: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s (%dx%d)\n", out.c_str(), w, h);
    return 0;
}

std::string read_file(const std::string& path, bool& ok) {
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    ok = f != nullptr;
    if (!f) return text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

// Paint a stroke file and write the layer painted last.
int cmd_stroke(const std::string& file, const std::string& out) {
    bool ok;
    const std::string text = read_file(file, ok);
    if (!ok) {
        std::fprintf(stderr, "okapaint: cannot read %s\n", file.c_str());
        return 1;
    }
    const ScriptResult r = run_script(text);
    if (!r.ok) {
        std::fprintf(stderr, "okapaint: %s: %s\n", file.c_str(), r.error.c_str());
        OKA_DeleteImage();
        return 1;
    }
    std::vector<uint8_t> rgba(static_cast<size_t>(r.width) * r.height * 4);
    OKA_GetRGBA32Layer(rgba.data(), r.width * 4, r.last_layer);
    OKA_DeleteImage();
    if (!write_png(out, rgba.data(), r.width, r.height, 4, r.width * 4)) {
        std::fprintf(stderr, "okapaint: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s (%dx%d, layer %d)\n", out.c_str(), r.width, r.height, r.last_layer);
    return 0;
}

const char kDemo[] =
#include "okapaint_demo.inc"
    ;

// Paint the built-in demo (or a stroke file) and write the rendered view.
int cmd_paint(int argc, char** argv) {
    std::string out, file;
    int zoom = 1;
    float scale = 1.0f;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--zoom" && i + 1 < argc) {
            zoom = std::atoi(argv[++i]);
        } else if (a == "--scale" && i + 1 < argc) {
            scale = float(std::atof(argv[++i]));
        } else if (out.empty()) {
            out = a;
        } else if (file.empty()) {
            file = a;
        } else {
            return usage();
        }
    }
    if (out.empty() || zoom < 1 || zoom > 64 || !(scale > 0.0f) || scale > 64.0f) return usage();
    std::string text = kDemo;
    if (!file.empty()) {
        bool ok;
        text = read_file(file, ok);
        if (!ok) {
            std::fprintf(stderr, "okapaint: cannot read %s\n", file.c_str());
            return 1;
        }
    }
    const ScriptResult r = run_script(text);
    if (!r.ok) {
        std::fprintf(stderr, "okapaint: %s: %s\n", file.empty() ? "demo" : file.c_str(), r.error.c_str());
        OKA_DeleteImage();
        return 1;
    }
    // The view: the whole canvas at the chosen magnification or reduction.
    OKA_SetScale(zoom, scale);
    int vw, vh;
    if (scale < float(zoom)) {
        vw = r.width * zoom, vh = r.height * zoom;
    } else if (scale > float(zoom)) {
        vw = int(float(r.width) / scale), vh = int(float(r.height) / scale);
    } else {
        vw = r.width, vh = r.height;
    }
    vw = std::max(vw, 1), vh = std::max(vh, 1);
    OKA_SetViewSize(vw, vh);
    std::vector<uint8_t> bgr(static_cast<size_t>(vw) * vh * 3, 0);
    const int32_t drawn = OKA_Render(bgr.data(), vw * 3, 0, 0, r.width, r.height);
    OKA_DeleteImage();
    if (!drawn) {
        std::fprintf(stderr, "okapaint: nothing to render (no current layer)\n");
        return 1;
    }
    for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);  // B,G,R -> R,G,B
    if (!write_png(out, bgr.data(), vw, vh, 3, vw * 3)) {
        std::fprintf(stderr, "okapaint: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s (%dx%d view of a %dx%d document)\n", out.c_str(), vw, vh, r.width, r.height);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string cmd = argv[1];
    if (cmd == "info") return cmd_info(argc > 2 && std::strcmp(argv[2], "--check") == 0);
    if (cmd == "layers" && argc > 2) return cmd_layers(argv[2]);
    if (cmd == "stroke" && argc > 3) return cmd_stroke(argv[2], argv[3]);
    if (cmd == "paint") return cmd_paint(argc, argv);
    return usage();
}
