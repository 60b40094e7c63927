// Interpreter of the stroke file. Every command is one line; '#' starts a
// comment. See README.md ("Stroke files") for the format.
#include "script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "okacore.h"

namespace {

struct Brush {
    int size = 16;
    int softness = 128;
    int alpha = 100;
    int colour[3] = {0, 0, 0};
    int smudge = 0;  // blend strength 0..256
    int remix = 0;
    int mix_type = 32, mix_value = 256;
    bool erase = false;
};

struct Point {
    double x, y, pressure;
};

std::string rest_of(std::istringstream& in) {
    std::string s;
    std::getline(in, s);
    const size_t b = s.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b);
}

void apply_brush(const Brush& b) {
    OKA_SetSize(b.size);
    // Round procedural tip (no shape file), no grit.
    OKA_SetTool(1.0f, 0, 0, 0, b.softness, 0, 0, b.smudge, 0, b.remix, 0, 0, 0, "", "", 0);
    OKA_SetAlpha(b.alpha);
    OKA_SetDensity(256);
    OKA_SetMixMode(uint32_t(b.mix_type), uint32_t(b.mix_value));
}

// Dabs along the polyline, spaced a quarter of the dab size apart; the
// pressure scales the dab.
void paint_stroke(const Brush& b, const std::vector<Point>& pts, int opacity, const std::string& mode) {
    if (pts.empty()) return;
    apply_brush(b);
    // Painting accumulates in the paint layer and is committed once; an
    // eraser works on the layer itself (there is no paint to take away in
    // an empty paint layer).
    if (b.erase)
        OKA_DeletePaintLayer();
    else
        OKA_CreatePaintLayer(opacity, 100, mode.c_str());
    const int layer = OKA_GetLayerNum();
    if (b.smudge > 0) OKA_CopyBlendBufferSurface(int(pts[0].x), int(pts[0].y), 0, 0);
    auto dab = [&](double x, double y, double p) {
        const int s = std::max(1, int(b.size * std::clamp(p, 0.0, 1.0) + 0.5));
        OKA_SetScaleSize(s);
        if (b.erase) OKA_SetEraseModeOn();
        OKA_DrawDabGrit(int(std::lround(x)), int(std::lround(y)), b.colour[0] << 8, b.colour[1] << 8, b.colour[2] << 8);
        if (b.smudge > 0) OKA_MixBlendBufferSurface(int(std::lround(x)), int(std::lround(y)), 64);
    };
    dab(pts[0].x, pts[0].y, pts[0].pressure);
    for (size_t i = 1; i < pts.size(); ++i) {
        const Point& a = pts[i - 1];
        const Point& c = pts[i];
        const double len = std::hypot(c.x - a.x, c.y - a.y);
        const double step = std::max(1.0, b.size * std::max(a.pressure, 0.05) / 4.0);
        const int n = std::max(1, int(len / step));
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n;
            dab(a.x + (c.x - a.x) * t, a.y + (c.y - a.y) * t, a.pressure + (c.pressure - a.pressure) * t);
        }
    }
    if (!b.erase) OKA_MergePaintLayer(layer);
    OKA_SaveUndoBuffer(1, 0);
}

}  // namespace

ScriptResult run_script(const std::string& text) {
    ScriptResult r;
    Brush brush;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool have_canvas = false;
    std::vector<Point> points;
    bool in_stroke = false;
    int stroke_opacity = 100;
    std::string stroke_mode = "Normal";
    auto fail = [&](const std::string& msg) {
        r.ok = false;
        r.error = "line " + std::to_string(number) + ": " + msg;
        return r;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (const size_t h = line.find('#'); h != std::string::npos) line.resize(h);
        std::istringstream in(line);
        std::string cmd;
        if (!(in >> cmd)) continue;
        if (in_stroke && cmd != "end") {
            Point p{0, 0, 1.0};
            std::istringstream pin(line);
            if (!(pin >> p.x >> p.y)) return fail("expected 'x y [pressure]' or 'end'");
            pin >> p.pressure;
            points.push_back(p);
            continue;
        }
        if (cmd != "canvas" && !have_canvas) return fail("the first command must be 'canvas W H'");
        if (cmd == "canvas") {
            if (have_canvas) return fail("only one canvas");
            if (!(in >> r.width >> r.height) || r.width <= 0 || r.height <= 0 || r.width > 10000 || r.height > 10000)
                return fail("canvas W H with 1..10000 each");
            OKA_CreateImage(nullptr, r.width, r.height, 256, 0);
            OKA_SetUndoLevels(32);
            if (!OKA_CreateLayer(1, r.width, r.height)) return fail("cannot create the background");
            OKA_SetLayerOptions(1, 1, 0, 100, "Normal");
            OKA_SetLayer(1);
            have_canvas = true;
        } else if (cmd == "layer") {
            int index = 0, opacity = 100;
            if (!(in >> index >> opacity) || index < 1 || index > 271) return fail("layer INDEX OPACITY [MODE]");
            std::string mode = rest_of(in);
            if (mode.empty()) mode = "Normal";
            if (index != 1 && !OKA_CreateLayer(index, r.width, r.height)) return fail("cannot create the layer");
            OKA_SetLayerOptions(index, 1, 0, opacity, mode.c_str());
            OKA_SetLayer(index);
            r.last_layer = index;
        } else if (cmd == "fill") {
            int c[4] = {0, 0, 0, 255};
            if (!(in >> c[0] >> c[1] >> c[2])) return fail("fill R G B [A]");
            in >> c[3];
            OKA_Clear(c[0], c[1], c[2], c[3]);
            OKA_SaveUndoBuffer(1, 0);
        } else if (cmd == "brush") {
            if (!(in >> brush.size)) return fail("brush SIZE [SOFTNESS [ALPHA]]");
            in >> brush.softness >> brush.alpha;
            brush.size = std::clamp(brush.size, 1, 256);
        } else if (cmd == "color" || cmd == "colour") {
            if (!(in >> brush.colour[0] >> brush.colour[1] >> brush.colour[2])) return fail("color R G B");
        } else if (cmd == "mix") {
            if (!(in >> brush.mix_type)) return fail("mix TYPE [VALUE]");
            in >> brush.mix_value;
        } else if (cmd == "smudge") {
            if (!(in >> brush.smudge)) return fail("smudge STRENGTH [REMIX]");
            in >> brush.remix;
        } else if (cmd == "paint") {
            brush.smudge = 0, brush.remix = 0, brush.erase = false;
        } else if (cmd == "erase") {
            brush.erase = true;
        } else if (cmd == "mask") {
            // mask X Y W H: select only that rectangle (everything else protected).
            int x = 0, y = 0, w = 0, h = 0;
            if (!(in >> x >> y >> w >> h)) return fail("mask X Y W H | mask off");
            std::vector<uint8_t> pic(size_t(r.width) * r.height * 3, 255);
            for (int yy = std::max(y, 0); yy < std::min(y + h, r.height); ++yy)
                for (int xx = std::max(x, 0); xx < std::min(x + w, r.width); ++xx)
                    for (int c = 0; c < 3; ++c) pic[(size_t(yy) * r.width + xx) * 3 + c] = 0;
            OKA_LoadMask(pic.data(), r.width * 3, r.width, r.height);
            OKA_EnableMask(1);
        } else if (cmd == "nomask") {
            OKA_EnableMask(0);
        } else if (cmd == "undo") {
            OKA_Undo();
        } else if (cmd == "stroke") {
            in >> stroke_opacity;
            stroke_mode = rest_of(in);
            if (stroke_mode.empty()) stroke_mode = "Normal";
            points.clear();
            in_stroke = true;
        } else if (cmd == "end") {
            if (!in_stroke) return fail("'end' without 'stroke'");
            paint_stroke(brush, points, stroke_opacity, stroke_mode);
            in_stroke = false;
            brush.erase = false;
        } else {
            return fail("unknown command '" + cmd + "'");
        }
    }
    if (in_stroke) return fail("stroke not ended");
    if (!have_canvas) return fail("no canvas");
    r.ok = true;
    return r;
}
