// The episode map: the parchment with eleven regions ("mapa"), a fog cover
// per region ("map//NN", placed at the cover table's positions), the marker
// flag and its pulsing highlight ("map//NN_map01", "map//NN_map02", at the
// marker table's positions), and the panel with the score plaques and the
// 3 x 3 lock slots (centres 553 + 91 i, 226 + 99 j).
#include <array>
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
const int kCover[11][4] = {  // x, y, w, h
    {45, 428, 150, 110}, {88, 319, 150, 100}, {292, 390, 160, 120}, {249, 295, 120, 92},
    {372, 237, 140, 130}, {233, 193, 136, 98}, {68, 196, 160, 118}, {132, 109, 110, 84},
    {51, 29, 180, 76},    {247, 93, 82, 96},   {330, 33, 170, 100}};
const int kMarker[11][2] = {{33, 330}, {42, 447}, {87, 335}, {292, 402}, {250, 311}, {373, 256},
                            {235, 216}, {68, 210}, {131, 117}, {48, 46}, {257, 112}};
const uint32_t kLand[11] = {0x8FB86A, 0xB8A070, 0x9A7A5A, 0xA8C8D8, 0xB86A50, 0x5A8A6A,
                            0xD8B878, 0x8A6AA0, 0xA8C878, 0x6AB0B0, 0x9A7AC0};
const Rgb kBronze = hex(0xB07A30), kBronzeDark = hex(0x3A2008);

Polygon blob(double x, double y, double w, double h, uint32_t seed) {
    Polygon p;
    const double cx = x + w / 2, cy = y + h / 2;
    for (int i = 0; i < 48; ++i) {
        const double a = 2 * M_PI * i / 48;
        const double k = 0.82 + 0.18 * fbm(std::cos(a) * 1.5 + 3, std::sin(a) * 1.5 + 3, seed, 3);
        const double ca = std::cos(a), sa = std::sin(a);
        // A rounded rectangle's radius in direction a, so blobs fill their box.
        const double ex = w / 2 - 3, ey = h / 2 - 3;
        const double r = 1.0 / std::pow(std::pow(std::abs(ca) / ex, 4) + std::pow(std::abs(sa) / ey, 4), 0.25);
        p.emplace_back(cx + ca * r * k, cy + sa * r * k);
    }
    return p;
}

void mapa() {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    // Parchment.
    const int st = c.stride();
    uint32_t* px = c.pixels();
    for (int j = 0; j < c.pixelHeight(); ++j)
        for (int i = 0; i < c.pixelWidth(); ++i) {
            const double x = c.at(i), y = c.at(j);
            const double n = fbm(x * 0.01, y * 0.01, 301, 5), m = fbm(x * 0.08, y * 0.08, 302, 2);
            const Rgb col = scale(mix(hex(0xE8D2A0), hex(0xC8A86A), n), 0.9 + 0.15 * m);
            auto ch = [](double v) { return uint32_t(std::clamp(v * 255, 0.0, 255.0)); };
            px[j * st + i] = 0xFF000000u | (ch(col.r) << 16) | (ch(col.g) << 8) | ch(col.b);
        }
    cairo_surface_mark_dirty(c.surface());
    // Sea around the lands.
    roundedRect(cr, 14, 14, 500, 572, 16);
    cairo_set_source_rgba(cr, 0.35, 0.55, 0.65, 0.35);
    cairo_fill(cr);
    for (int i = 0; i < 11; ++i) {
        const auto* b = kCover[i];
        const Polygon p = blob(b[0], b[1], b[2], b[3], 400 + uint32_t(i));
        polygonPath(cr, p);
        setColour(cr, hex(kLand[i]), 0.95);
        cairo_fill_preserve(cr);
        setColour(cr, hex(0x4A3018));
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        // Hills or peaks for texture.
        Rng rng(500 + uint32_t(i));
        for (int k = 0; k < 5; ++k) {
            const double x = b[0] + rng.uniform(0.25, 0.75) * b[2], y = b[1] + rng.uniform(0.35, 0.8) * b[3];
            cairo_move_to(cr, x - 9, y);
            cairo_line_to(cr, x, y - 12);
            cairo_line_to(cr, x + 9, y);
            setColour(cr, scale(hex(kLand[i]), 0.55), 0.8);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
        Lettering n;
        n.size = 20;
        n.top = hex(0x5A3010);
        n.bottom = hex(0x3A1A08);
        n.outline = hex(0xF4E4C0);
        n.outlineWidth = 2;
        letter(c, std::to_string(i + 1), b[0] + b[2] * 0.62, b[1] + b[3] * 0.55, n);
    }
    // The road from episode to episode.
    cairo_set_dash(cr, std::array<double, 2>{6, 5}.data(), 2, 0);
    for (int e = 1; e < 10; ++e) {
        const double x0 = kMarker[e][0] + 10, y0 = kMarker[e][1] + 40;
        const double x1 = kMarker[e + 1][0] + 10, y1 = kMarker[e + 1][1] + 40;
        cairo_move_to(cr, x0, y0);
        cairo_curve_to(cr, (x0 + x1) / 2 + 20, y0, (x0 + x1) / 2 - 20, y1, x1, y1);
    }
    cairo_set_source_rgba(cr, 0.45, 0.15, 0.08, 0.7);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    // Compass rose.
    cairo_save(cr);
    cairo_translate(cr, 470, 550);
    for (int k = 0; k < 4; ++k) {
        cairo_rotate(cr, M_PI / 2);
        cairo_move_to(cr, 0, -24);
        cairo_line_to(cr, 5, 0);
        cairo_line_to(cr, -5, 0);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.35, 0.18, 0.06, 0.85);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // Panel on the right.
    roundedRect(cr, 526, 12, 262, 576, 16);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 600);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.34, 0.22, 0.14);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.16, 0.09, 0.05);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 6);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    Lettering cap;
    cap.face = Face::SansBold;
    cap.size = 13;
    cap.outlineWidth = 2;
    letter(c, tr("Score"), 625, 24, cap, 240);
    letter(c, tr("Crystals"), 625, 93, cap, 240);
    for (double y : {36.0, 105.0}) {
        roundedRect(cr, 545, y, 160, 30, 8);
        cairo_set_source_rgb(cr, 0.05, 0.03, 0.02);
        cairo_fill_preserve(cr);
        setColour(cr, kBronze);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    letter(c, tr("Locks"), 644, 160, cap, 240);
    for (int s = 0; s < 9; ++s) {
        const double x = 553 + 91 * (s % 3), y = 226 + 99 * (s / 3);
        roundedRect(cr, x - 42, y - 42, 84, 84, 12);
        cairo_set_source_rgba(cr, 0.03, 0.02, 0.02, 0.85);
        cairo_fill_preserve(cr);
        setColour(cr, kBronze);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        Lettering n = cap;
        n.size = 11;
        letter(c, std::to_string(s + 1), x - 32, y - 32, n);
    }
    c.savePack("mapa");
}

void cover(int i) {
    const auto* b = kCover[i];
    Canvas c(b[2], b[3]);
    cairo_t* cr = c.cr();
    const Polygon p = blob(0, 0, b[2], b[3], 400 + uint32_t(i));
    // Fog of the unknown over the region, with a padlock.
    Canvas fog(b[2], b[3]);
    const int st = fog.stride();
    uint32_t* px = fog.pixels();
    for (int y = 0; y < fog.pixelHeight(); ++y)
        for (int x = 0; x < fog.pixelWidth(); ++x) {
            const double n = fbm(fog.at(x) * 0.05, fog.at(y) * 0.05, 600 + uint32_t(i), 4);
            const Rgb col = mix(hex(0x7A7A88), hex(0xD8D8E0), n);
            auto ch = [](double v) { return uint32_t(std::clamp(v * 255, 0.0, 255.0)); };
            px[y * st + x] = 0xFF000000u | (ch(col.r) << 16) | (ch(col.g) << 8) | ch(col.b);
        }
    cairo_surface_mark_dirty(fog.surface());
    cairo_save(cr);
    polygonPath(cr, p);
    cairo_clip(cr);
    cairo_set_source_surface(cr, fog.surface(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    polygonPath(cr, p);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.36);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    const double cx = b[2] * 0.62, cy = b[3] * 0.55;
    roundedRect(cr, cx - 10, cy - 4, 20, 16, 3);
    cairo_set_source_rgb(cr, 0.85, 0.65, 0.25);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.3, 0.18, 0.05);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy - 4, 6, M_PI, 2 * M_PI);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    char name[32];
    std::snprintf(name, sizeof name, "map//%d%d", ((i + 1) / 10) % 10, (i + 1) % 10);
    c.savePack(name);
}

void marker(int e) {
    {
        Canvas c(40, 44);
        cairo_t* cr = c.cr();
        cairo_move_to(cr, 10, 42);
        cairo_line_to(cr, 10, 4);
        cairo_set_source_rgb(cr, 0.25, 0.15, 0.08);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
        cairo_move_to(cr, 11, 5);
        cairo_curve_to(cr, 22, 2, 26, 12, 36, 8);
        cairo_line_to(cr, 34, 24);
        cairo_curve_to(cr, 26, 28, 22, 18, 11, 22);
        cairo_close_path(cr);
        setColour(cr, ballColour(e));
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.08, 0.04);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_save(cr);
        cairo_translate(cr, 10, 42);
        cairo_scale(cr, 1, 0.4);
        cairo_arc(cr, 0, 0, 7, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
        cairo_fill(cr);
        char name[40];
        std::snprintf(name, sizeof name, "map//%d%d_map01", ((e + 1) / 10) % 10, (e + 1) % 10);
        c.savePack(name);
    }
    {
        Canvas c(40, 44);
        glow(c, [](cairo_t* k) {
            cairo_arc(k, 20, 24, 15, 0, 2 * M_PI);
            cairo_set_line_width(k, 4);
            cairo_stroke(k);
        }, hex(0xFFF0A0), 3, 1.5);
        char name[40];
        std::snprintf(name, sizeof name, "map//%d%d_map02", ((e + 1) / 10) % 10, (e + 1) % 10);
        c.savePack(name);
    }
}
}  // namespace

void addMapWordJobs(Jobs& jobs) {
    jobs.push_back([] { mapa(); });
}

void addMapJobs(Jobs& jobs, const ShapeSet&) {
    addMapWordJobs(jobs);
    jobs.push_back([] {
        for (int i = 0; i < 11; ++i) {
            cover(i);
            marker(i);
        }
    });
}

}  // namespace pg
