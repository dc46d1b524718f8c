// contactsheet: lays every generated picture pack out on PNG pages with its
// name, size and frame numbers, for reviewing the whole set at a glance.
// Usage: vm-contactsheet <pack manifest> <pictures dir> <output prefix> [filter [zoom]]
//        vm-contactsheet --scenes <pictures dir> <output prefix>
// The manifest lists "name frames columns" per line (written by picgen);
// frames are cut the way the game's loader cuts a grid.
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenes.h"

namespace {
constexpr int kPageW = 1600, kPageH = 1200, kMargin = 12, kLabel = 16;

struct Pack {
    std::string name;
    int frames = 1, columns = 15;
    cairo_surface_t* image = nullptr;
    double scale = 1.0;
    int boxW = 0, boxH = 0;
};

void checker(cairo_t* cr, double x, double y, double w, double h) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    for (int j = 0; j * 8 < h; ++j)
        for (int i = 0; i * 8 < w; ++i) {
            const double v = (i + j) % 2 ? 0.42 : 0.34;
            cairo_set_source_rgb(cr, v, v, v + 0.04);
            cairo_rectangle(cr, x + i * 8, y + j * 8, 8, 8);
            cairo_fill(cr);
        }
    cairo_restore(cr);
}

void drawPack(cairo_t* cr, const Pack& p, double x, double y) {
    const int iw = cairo_image_surface_get_width(p.image), ih = cairo_image_surface_get_height(p.image);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.85);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 11);
    char caption[512];
    std::snprintf(caption, sizeof caption, "%s  %dx%d  %d fr%s", p.name.c_str(), iw, ih, p.frames,
                  p.scale < 1 ? "  (scaled)" : "");
    cairo_move_to(cr, x, y + 11);
    cairo_show_text(cr, caption);
    const double top = y + kLabel, w = iw * p.scale, h = ih * p.scale;
    checker(cr, x, top, w, h);
    cairo_save(cr);
    cairo_translate(cr, x, top);
    cairo_scale(cr, p.scale, p.scale);
    cairo_set_source_surface(cr, p.image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), p.scale > 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    if (p.frames > 1) {
        int cols = p.frames, rows = 1;
        if (p.columns < p.frames) {
            cols = p.columns;
            rows = (p.frames + p.columns - 1) / p.columns;
        }
        const int fw = iw / cols, fh = ih / rows;
        cairo_set_font_size(cr, 9);
        for (int i = 0; i < p.frames; ++i) {
            const double fx = x + (i % cols) * fw * p.scale, fy = top + (i / cols) * fh * p.scale;
            cairo_set_source_rgba(cr, 1.0, 0.3, 0.3, 0.7);
            cairo_set_line_width(cr, 1);
            cairo_rectangle(cr, fx + 0.5, fy + 0.5, fw * p.scale - 1, fh * p.scale - 1);
            cairo_stroke(cr);
            cairo_set_source_rgb(cr, 1.0, 1.0, 0.3);
            cairo_move_to(cr, fx + 2, fy + 9);
            cairo_show_text(cr, std::to_string(i).c_str());
        }
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--scenes") return renderScenes(argv[2], argv[3]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <manifest> <pictures dir> <output prefix> [name filter [zoom]]\n", argv[0]);
        return 2;
    }
    const std::string filter = argc > 4 ? argv[4] : "";
    const double zoom = argc > 5 ? std::max(0.1, std::atof(argv[5])) : 1.0;
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "contactsheet: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<Pack> packs;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        Pack p;
        if (!(ls >> p.name >> p.frames >> p.columns)) continue;
        if (!filter.empty() && p.name.find(filter) == std::string::npos) continue;
        const std::string path = std::string(argv[2]) + "/" + p.name + ".png";
        p.image = cairo_image_surface_create_from_png(path.c_str());
        if (cairo_surface_status(p.image) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "contactsheet: cannot read %s\n", path.c_str());
            return 1;
        }
        const int iw = cairo_image_surface_get_width(p.image), ih = cairo_image_surface_get_height(p.image);
        p.scale = std::min({zoom, (kPageW - 2.0 * kMargin) / iw, (kPageH / 2.0 - kLabel - kMargin) / ih});
        p.boxW = std::max(int(iw * p.scale), 240);
        p.boxH = int(ih * p.scale) + kLabel;
        packs.push_back(p);
    }
    // Shelf packing, page by page, in manifest order.
    int page = 0;
    size_t i = 0;
    while (i < packs.size()) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPageW, kPageH);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, 0.16, 0.16, 0.2);
        cairo_paint(cr);
        int x = kMargin, y = kMargin, shelf = 0;
        for (; i < packs.size(); ++i) {
            const Pack& p = packs[i];
            if (x + p.boxW > kPageW - kMargin) {
                x = kMargin;
                y += shelf + kMargin;
                shelf = 0;
            }
            if (y + p.boxH > kPageH - kMargin) break;
            drawPack(cr, p, x, y);
            x += p.boxW + kMargin;
            shelf = std::max(shelf, p.boxH);
        }
        cairo_destroy(cr);
        char name[1024];
        std::snprintf(name, sizeof name, "%s%02d.png", argv[3], page++);
        if (cairo_surface_write_to_png(s, name) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "contactsheet: cannot write %s\n", name);
            return 1;
        }
        cairo_surface_destroy(s);
        std::printf("%s\n", name);
    }
    for (auto& p : packs) cairo_surface_destroy(p.image);
    return 0;
}
