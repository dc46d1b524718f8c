// Level scenery: the twelve backgrounds with their foreground frames (the
// walls of shapes.txt drawn as masonry), gold rewards, the darkening mask,
// the field gates, the spawn guns, the great gate of the last hall, the
// falling wall and the two comic pages.
#include <algorithm>
#include <cmath>

#include "gen.h"

namespace pg {

namespace {

struct Theme {
    Rgb skyTop, skyBottom, far, mid, nearC, ground, accent;
    bool moon, stars, crystals, trees, water, pillars, cave;
    uint32_t seed;
};

const Theme kThemes[12] = {
    // first: dusk over the moor
    {hex(0x1B1940), hex(0xC7708A), hex(0x5A4A78), hex(0x3A3258), hex(0x221E38), hex(0x2A2A30), hex(0xFFC080),
     true, true, false, false, false, false, false, 1},
    // second: mossy ruins in a green morning
    {hex(0x5A86A8), hex(0xD8E8C8), hex(0x7A9A88), hex(0x4A6A50), hex(0x2A4430), hex(0x30402A), hex(0xE0FF90),
     false, false, false, true, false, true, false, 2},
    // 01: torch-lit mine
    {hex(0x140C08), hex(0x4A2A16), hex(0x5A3A22), hex(0x3E2614), hex(0x24160C), hex(0x2A1C10), hex(0xFFA040),
     false, false, true, false, false, true, true, 3},
    // 02: ice cavern
    {hex(0x0E2440), hex(0x7AB8E0), hex(0x6A9AC8), hex(0x3E6A98), hex(0x1E3A60), hex(0x2A4A6A), hex(0xC0F0FF),
     false, false, true, false, true, false, true, 4},
    // 03: the forge
    {hex(0x200606), hex(0x8A2A10), hex(0x6A2418), hex(0x46160E), hex(0x260A06), hex(0x2A1410), hex(0xFF7030),
     false, false, false, false, false, true, true, 5},
    // 04: night forest
    {hex(0x050A1A), hex(0x1E3A5A), hex(0x203A50), hex(0x142A36), hex(0x0A1A20), hex(0x10201C), hex(0x90E0FF),
     true, true, false, true, false, false, false, 6},
    // 05: sand temple
    {hex(0x4A80C0), hex(0xF8D8A0), hex(0xD0A070), hex(0xA87848), hex(0x6A4828), hex(0x8A6A40), hex(0xFFE0A0),
     false, false, false, false, false, true, false, 7},
    // last: the hall of the final gate
    {hex(0x10081C), hex(0x3A1C48), hex(0x40284E), hex(0x2C1838), hex(0x1A0E22), hex(0x201428), hex(0xD080FF),
     false, false, true, false, false, true, true, 8},
    // start: dawn meadow
    {hex(0x7AB0E8), hex(0xFFE2B8), hex(0x9AB0C8), hex(0x6A9A70), hex(0x3A6A3A), hex(0x4A7A3A), hex(0xFFF0A0),
     false, false, false, true, false, false, false, 9},
    // new01: sunken lake
    {hex(0x062A34), hex(0x3AA0A8), hex(0x2A7A80), hex(0x1A5A60), hex(0x0C3A40), hex(0x104048), hex(0x80FFF0),
     false, false, true, false, true, false, true, 10},
    // new02: amethyst grotto
    {hex(0x14082A), hex(0x6A3AA8), hex(0x5A3A8A), hex(0x3E2466), hex(0x220F3E), hex(0x2A1A40), hex(0xF0A0FF),
     false, true, true, false, false, false, true, 11},
    // title: the castle over the moor at night
    {hex(0x070A20), hex(0x3A3A6A), hex(0x3A3E60), hex(0x262A48), hex(0x14162A), hex(0x181A28), hex(0xFFD070),
     true, true, false, false, true, false, false, 12},
};

void setPixel(uint32_t* p, Rgb c, double a = 1.0) {
    auto ch = [&](double v) { return uint32_t(std::clamp(v * a * 255, 0.0, 255.0)); };
    *p = (uint32_t(std::clamp(a * 255, 0.0, 255.0)) << 24) | (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
}

// A ridge line: heights from 1-D fractal noise, shaded darker towards its
// foot with a rim of the scene's light along the crest, and haze above it.
void ridge(cairo_t* cr, double base, double amp, double freq, uint32_t seed, Rgb col, double sharp,
           Rgb rimCol) {
    std::vector<std::pair<double, double>> crest;
    for (int x = 0; x <= 800; x += 4) {
        double n = fbm(x * freq, 0.5, seed, 5);
        crest.emplace_back(x, base - amp * std::pow(n, sharp));
    }
    cairo_pattern_t* haze = cairo_pattern_create_linear(0, base - amp, 0, base + 10);
    cairo_pattern_add_color_stop_rgba(haze, 0, rimCol.r, rimCol.g, rimCol.b, 0);
    cairo_pattern_add_color_stop_rgba(haze, 1, rimCol.r, rimCol.g, rimCol.b, 0.12);
    cairo_set_source(cr, haze);
    cairo_rectangle(cr, 0, base - amp, 800, amp + 10);
    cairo_fill(cr);
    cairo_pattern_destroy(haze);
    cairo_move_to(cr, 0, 600);
    for (auto [x, y] : crest) cairo_line_to(cr, x, y);
    cairo_line_to(cr, 800, 600);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, base - amp, 0, base + 160);
    const Rgb top = mix(col, rimCol, 0.18), foot = scale(col, 0.55);
    cairo_pattern_add_color_stop_rgb(g, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(g, 1, foot.r, foot.g, foot.b);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_move_to(cr, crest[0].first, crest[0].second);
    for (auto [x, y] : crest) cairo_line_to(cr, x, y);
    setColour(cr, mix(col, rimCol, 0.6), 0.55);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

void pillar(cairo_t* cr, double x, double w, double top, Rgb col, uint32_t seed) {
    Rng rng(seed);
    cairo_pattern_t* g = cairo_pattern_create_linear(x, 0, x + w, 0);
    const Rgb lt = mix(col, hex(0xFFFFFF), 0.25), dk = scale(col, 0.5);
    cairo_pattern_add_color_stop_rgb(g, 0, dk.r, dk.g, dk.b);
    cairo_pattern_add_color_stop_rgb(g, 0.35, lt.r, lt.g, lt.b);
    cairo_pattern_add_color_stop_rgb(g, 1, dk.r * 0.7, dk.g * 0.7, dk.b * 0.7);
    cairo_set_source(cr, g);
    cairo_rectangle(cr, x, top, w, 600 - top);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Capital and drums.
    cairo_rectangle(cr, x - 6, top, w + 12, 14);
    setColour(cr, lt);
    cairo_fill(cr);
    for (double y = top + 40; y < 600; y += rng.uniform(40, 70)) {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + w, y + rng.uniform(-2, 2));
        cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
}

void crystalCluster(cairo_t* cr, double x, double y, double size, Rgb col, uint32_t seed) {
    Rng rng(seed);
    const int n = rng.range(3, 6);
    for (int i = 0; i < n; ++i) {
        const double a = rng.uniform(-0.7, 0.7) - M_PI / 2, len = size * rng.uniform(0.5, 1.0),
                     w = size * rng.uniform(0.1, 0.18);
        const double tx = x + len * std::cos(a), ty = y + len * std::sin(a);
        const double nx = -std::sin(a) * w, ny = std::cos(a) * w;
        cairo_move_to(cr, x + nx, y + ny);
        cairo_line_to(cr, tx + nx * 0.8 - std::cos(a) * w, ty + ny * 0.8 - std::sin(a) * w);
        cairo_line_to(cr, tx, ty);
        cairo_line_to(cr, tx - nx * 0.8 - std::cos(a) * w, ty - ny * 0.8 - std::sin(a) * w);
        cairo_line_to(cr, x - nx, y - ny);
        cairo_close_path(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(x + nx, y + ny, x - nx, y - ny);
        const Rgb lt = mix(col, hex(0xFFFFFF), 0.6);
        cairo_pattern_add_color_stop_rgba(g, 0, lt.r, lt.g, lt.b, 0.95);
        cairo_pattern_add_color_stop_rgba(g, 1, col.r * 0.5, col.g * 0.5, col.b * 0.5, 0.95);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
}

void tree(cairo_t* cr, double x, double base, double h, Rgb col, uint32_t seed) {
    Rng rng(seed);
    cairo_rectangle(cr, x - h * 0.03, base - h * 0.35, h * 0.06, h * 0.35);
    setColour(cr, scale(col, 0.6));
    cairo_fill(cr);
    for (int i = 0; i < 4; ++i) {
        const double y = base - h * (0.25 + 0.2 * i), w = h * (0.32 - 0.06 * i);
        cairo_move_to(cr, x - w, y);
        cairo_line_to(cr, x + w, y);
        cairo_line_to(cr, x + rng.uniform(-3, 3), y - h * 0.32);
        cairo_close_path(cr);
        setColour(cr, col);
        cairo_fill(cr);
    }
}


void vignette(Canvas& c, double strength) {
    cairo_t* cr = c.cr();
    const double w = c.width(), h = c.height();
    cairo_pattern_t* g = cairo_pattern_create_radial(w / 2, h / 2, h * 0.35, w / 2, h / 2, w * 0.72);
    cairo_pattern_add_color_stop_rgba(g, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, strength);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
}

}  // namespace

void torchSconce(cairo_t* cr, double x, double y) {
    // The torch effect burns at (x, y); the bracket hangs below it.
    cairo_move_to(cr, x - 7, y + 2);
    cairo_line_to(cr, x + 7, y + 2);
    cairo_line_to(cr, x + 3, y + 26);
    cairo_line_to(cr, x - 3, y + 26);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.25, 0.16, 0.08);
    cairo_fill(cr);
    cairo_rectangle(cr, x - 9, y - 2, 18, 6);
    cairo_set_source_rgb(cr, 0.55, 0.4, 0.2);
    cairo_fill(cr);
    cairo_rectangle(cr, x - 2, y + 26, 4, 16);
    cairo_set_source_rgb(cr, 0.2, 0.18, 0.16);
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(x, y - 10, 0, x, y - 10, 60);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 0.7, 0.3, 0.35);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 0.5, 0.2, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, x, y - 10, 60, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// Paints background b, opaque, at the canvas size (800 x 600 for scenery).
void paintBackground(Canvas& c, int b) {
    const Theme& t = kThemes[b];
    const int st = c.stride();
    uint32_t* px = c.pixels();
    // Sky or cave vault with drifting cloud or rock texture.
    // Drawn in 800 x 600 units, scaled to the canvas (the comics use it
    // small).
    const double sc = c.width() / 800.0;
    for (int py = 0; py < c.pixelHeight(); ++py)
        for (int px0 = 0; px0 < c.pixelWidth(); ++px0) {
            const double x = c.at(px0) / sc, y = c.at(py) / sc;
            const double v = y / 600.0;
            Rgb col = mix(t.skyTop, t.skyBottom, std::pow(v, 0.9));
            const double n = fbm(x * 0.006, y * 0.012, t.seed, 5);
            if (t.cave)
                col = mix(col, scale(t.far, 0.6 + n), 0.55);
            else
                col = mix(col, mix(col, hex(0xFFFFFF), 0.5), std::clamp((n - 0.55) * 2.2, 0.0, 0.45));
            setPixel(&px[py * st + px0], col);
        }
    cairo_surface_mark_dirty(c.surface());
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_scale(cr, sc, sc);
    Rng rng(t.seed * 31);
    if (t.stars)
        for (int i = 0; i < 140; ++i) {
            const double x = rng.uniform(0, 800), y = rng.uniform(0, 300), r = rng.uniform(0.4, 1.4);
            cairo_arc(cr, x, y, r, 0, 2 * M_PI);
            cairo_set_source_rgba(cr, 1, 1, 0.95, rng.uniform(0.3, 0.9) * (1 - y / 340));
            cairo_fill(cr);
        }
    if (t.moon) {
        glow(c, [sc](cairo_t* k) {
            cairo_arc(k, 620 * sc, 120 * sc, 40 * sc, 0, 2 * M_PI);
            cairo_fill(k);
        }, t.accent, 30 * sc, 0.6);
        cairo_arc(cr, 620, 120, 34, 0, 2 * M_PI);
        cairo_pattern_t* g = cairo_pattern_create_radial(610, 110, 4, 620, 120, 34);
        cairo_pattern_add_color_stop_rgb(g, 0, 1, 0.98, 0.9);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.8, 0.65);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    if (t.cave) {
        // Stalactites hanging from the vault.
        for (int i = 0; i < 26; ++i) {
            const double x = rng.uniform(0, 800), len = rng.uniform(30, 120), w = rng.uniform(8, 22);
            cairo_move_to(cr, x - w, 0);
            cairo_line_to(cr, x + w, 0);
            cairo_line_to(cr, x + rng.uniform(-3, 3), len);
            cairo_close_path(cr);
            setColour(cr, scale(t.mid, rng.uniform(0.7, 1.1)));
            cairo_fill(cr);
        }
    }
    ridge(cr, 360, 170, 0.004, t.seed + 100, t.far, 1.4, t.accent);
    ridge(cr, 430, 130, 0.007, t.seed + 200, t.mid, 1.2, t.accent);
    if (t.water) {
        cairo_rectangle(cr, 0, 470, 800, 130);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 470, 0, 600);
        cairo_pattern_add_color_stop_rgb(g, 0, t.skyBottom.r * 0.8, t.skyBottom.g * 0.8, t.skyBottom.b * 0.9);
        cairo_pattern_add_color_stop_rgb(g, 1, t.nearC.r, t.nearC.g, t.nearC.b);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        for (int i = 0; i < 60; ++i) {
            const double y = rng.uniform(475, 595), x = rng.uniform(0, 800), w = rng.uniform(10, 60);
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + w, y);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    }
    ridge(cr, 520, 90, 0.011, t.seed + 300, t.nearC, 1.0, t.accent);
    if (t.trees)
        for (int i = 0; i < 14; ++i) {
            const double x = rng.uniform(0, 800);
            tree(cr, x, 520 - 40 * fbm(x * 0.011, 0.5, t.seed + 300, 5) + 30, rng.uniform(60, 130),
                 scale(t.nearC, 0.8), t.seed + uint32_t(i));
        }
    if (t.crystals) {
        // Glowing crystal clusters along the floor.
        std::vector<std::pair<double, double>> spots;
        Rng r2(t.seed * 13);
        for (int i = 0; i < 9; ++i) spots.emplace_back(r2.uniform(20, 780), r2.uniform(470, 590));
        glow(c, [&](cairo_t* k) {
            for (auto [x, y] : spots) {
                cairo_arc(k, x * sc, (y - 20) * sc, 26 * sc, 0, 2 * M_PI);
                cairo_fill(k);
            }
        }, t.accent, 18 * sc, 0.5);
        for (size_t i = 0; i < spots.size(); ++i)
            crystalCluster(cr, spots[i].first, spots[i].second, 30 + 30 * r2.uniform(), t.accent,
                           t.seed * 7 + uint32_t(i));
    }
    if (t.pillars) {
        pillar(cr, 70, 46, 90, t.far, t.seed + 1);
        pillar(cr, 684, 46, 90, t.far, t.seed + 2);
    }
    // Ground.
    cairo_rectangle(cr, 0, 560, 800, 40);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 540, 0, 600);
    cairo_pattern_add_color_stop_rgba(g, 0, t.ground.r, t.ground.g, t.ground.b, 0);
    cairo_pattern_add_color_stop_rgba(g, 0.4, t.ground.r, t.ground.g, t.ground.b, 1);
    cairo_pattern_add_color_stop_rgb(g, 1, t.ground.r * 0.6, t.ground.g * 0.6, t.ground.b * 0.6);
    cairo_set_source(cr, g);
    cairo_rectangle(cr, 0, 540, 800, 60);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Torch brackets where the reward torches burn.
    static const int torches[3][4] = {{237, 113, 563, 113}, {218, 212, 599, 212}, {184, 95, 634, 97}};
    const int ti = b == 0 ? 0 : b == 2 ? 1 : b == 4 ? 2 : -1;
    if (ti >= 0) {
        torchSconce(cr, torches[ti][0], torches[ti][1]);
        torchSconce(cr, torches[ti][2], torches[ti][3]);
    }
    cairo_restore(cr);
    grain(c, t.seed + 77, 0.35 / sc, 0.06);
    vignette(c, 0.55);
}

namespace {

void back(int b) {
    Canvas c(800, 600);
    paintBackground(c, b);
    if (b == 7) {
        // The doorway of the last hall: the landscape and the great gate are
        // drawn behind the hall through this opening.
        cairo_t* cr = c.cr();
        cairo_save(cr);
        cairo_move_to(cr, 245, 415);
        cairo_line_to(cr, 245, 240);
        cairo_arc(cr, 400, 240, 155, M_PI, 2 * M_PI);
        cairo_line_to(cr, 555, 415);
        cairo_close_path(cr);
        cairo_set_line_width(cr, 18);
        cairo_set_source_rgb(cr, 0.42, 0.3, 0.5);
        cairo_stroke_preserve(cr);
        cairo_set_line_width(cr, 8);
        cairo_set_source_rgb(cr, 0.75, 0.6, 0.85);
        cairo_stroke_preserve(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_fill(cr);
        cairo_restore(cr);
        c.savePack(std::string("fon/") + kBackgroundNames[b] + "_back");
        return;
    }
    if (b == 11) {
        // The title screen shows this background above its gates (y < 150).
        Lettering t;
        t.size = 50;
        t.glowRadius = 10;
        letter(c, "The Vellmoor of Quorrin", 400, 104, t, 640);
    }
    c.savePack(std::string("fon/") + kBackgroundNames[b] + "_back");
}

// Masonry for the wall solids: stone blocks shaded from a blurred mask.
void front(int b, const Shape* walls) {
    const Theme& t = kThemes[b];
    Canvas mask(800, 600);
    if (walls)
        for (const auto& poly : walls->solids) {
            polygonPath(mask.cr(), poly);
            cairo_set_source_rgb(mask.cr(), 1, 1, 1);
            cairo_fill(mask.cr());
        }
    Canvas soft(800, 600);
    cairo_set_source_surface(soft.cr(), mask.surface(), 0, 0);
    cairo_paint(soft.cr());
    blur(soft, 5);
    Canvas c(800, 600);
    // Shadow cast into the field along the walls.
    {
        Canvas sh(800, 600);
        cairo_set_source_surface(sh.cr(), mask.surface(), 0, 0);
        cairo_paint(sh.cr());
        blur(sh, 14);
        cairo_set_source_rgba(c.cr(), 0, 0, 0, 0.75);
        cairo_mask_surface(c.cr(), sh.surface(), 0, 0);
    }
    const int st = c.stride();
    uint32_t* m = mask.pixels();
    uint32_t* s = soft.pixels();
    uint32_t* o = c.pixels();
    const Rgb stone = mix(t.mid, hex(0x8A8478), 0.55), mortar = scale(stone, 0.35);
    const int k = c.scale(), w = c.pixelWidth(), h = c.pixelHeight();
    auto A = [&](uint32_t* p, int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return double(p[y * st + x] >> 24) / 255.0;
    };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const double a = A(m, i, j);
            if (a <= 0) continue;
            const double x = c.at(i), y = c.at(j);
            // Brick courses: 24 px high, offset every other row.
            const int row = int(y / 24);
            const int bx = int((x + (row % 2) * 23) / 46);
            const double fx = std::fmod(x + (row % 2) * 23, 46.0), fy = std::fmod(y, 24.0);
            const double edge = std::min({fx, 46 - fx, fy, 24 - fy});
            const uint32_t bh = hash32(uint32_t(bx * 131 + row * 977) + t.seed);
            const double tone = 0.82 + 0.3 * ((bh & 255) / 255.0);
            const double n = fbm(x * 0.08, y * 0.08, t.seed + 5, 4);
            Rgb col = scale(stone, tone * (0.75 + 0.5 * n));
            if (edge < 1.6) col = mortar;
            else if (edge < 3.2) col = mix(mortar, col, (edge - 1.6) / 1.6);
            const double gx = A(s, i + k, j) - A(s, i - k, j), gy = A(s, i, j + k) - A(s, i, j - k);
            const double lit = std::clamp(1.0 + (gx + gy) * 3.5, 0.55, 1.5);
            const double rim = std::clamp(A(s, i, j) * 2.2 - 0.2, 0.35, 1.0);
            col = scale(col, lit * rim);
            // Stone takes a little of the scene's light colour.
            col = mix(col, t.accent, 0.06);
            const uint32_t prev = o[j * st + i];
            const double pa = (prev >> 24) / 255.0 * (1 - a);
            auto ch = [&](double v, int shift) {
                return uint32_t(std::clamp(v * a * 255 + ((prev >> shift) & 255) * (1 - a), 0.0, 255.0));
            };
            o[j * st + i] = (uint32_t(std::clamp((a + pa) * 255, 0.0, 255.0)) << 24) | (ch(col.r, 16) << 16) |
                            (ch(col.g, 8) << 8) | ch(col.b, 0);
        }
    cairo_surface_mark_dirty(c.surface());
    // Bright edge on the field side of the walls.
    cairo_t* cr = c.cr();
    if (walls)
        for (const auto& poly : walls->solids) {
            polygonPath(cr, poly);
            setColour(cr, mix(t.accent, hex(0xFFFFFF), 0.3), 0.28);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
    c.savePack(std::string("fon/") + kBackgroundNames[b] + "_front");
}

// Treasures revealed when a level is won.
void gold(int b, int i) {
    Canvas c(72, 56);
    cairo_t* cr = c.cr();
    Rng rng(uint32_t(b * 10 + i) + 500);
    const int kind = (b + i) % 4;
    const Rgb g1 = hex(0xFFE070), g2 = hex(0xC08010), g3 = hex(0x603808);
    auto coin = [&](double x, double y, double r) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, 1, 0.55);
        cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
        cairo_pattern_t* p = cairo_pattern_create_linear(-r, -r, r, r);
        cairo_pattern_add_color_stop_rgb(p, 0, g1.r, g1.g, g1.b);
        cairo_pattern_add_color_stop_rgb(p, 1, g2.r, g2.g, g2.b);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        cairo_restore(cr);
        setColour(cr, g3);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
    };
    // A heap of coins under every treasure.
    for (int k = 0; k < 26; ++k) {
        const double x = rng.uniform(10, 62), h = 1 - std::abs(x - 36) / 30;
        coin(x, 52 - rng.uniform(0, 14 * h), 6);
    }
    if (kind == 0) {  // chest
        roundedRect(cr, 16, 18, 40, 26, 3);
        setColour(cr, hex(0x6A3A14));
        cairo_fill_preserve(cr);
        setColour(cr, g3);
        cairo_stroke(cr);
        cairo_rectangle(cr, 16, 26, 40, 4);
        setColour(cr, g2);
        cairo_fill(cr);
        cairo_rectangle(cr, 33, 24, 6, 9);
        setColour(cr, g1);
        cairo_fill(cr);
        for (int k = 0; k < 7; ++k) coin(20 + k * 5, 18 - (k % 2) * 2, 4);
    } else if (kind == 1) {  // crown
        cairo_move_to(cr, 18, 40);
        cairo_line_to(cr, 16, 18);
        cairo_line_to(cr, 26, 28);
        cairo_line_to(cr, 36, 12);
        cairo_line_to(cr, 46, 28);
        cairo_line_to(cr, 56, 18);
        cairo_line_to(cr, 54, 40);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(16, 12, 56, 40);
        cairo_pattern_add_color_stop_rgb(p, 0, g1.r, g1.g, g1.b);
        cairo_pattern_add_color_stop_rgb(p, 1, g2.r, g2.g, g2.b);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        setColour(cr, g3);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        for (int k = 0; k < 3; ++k) {
            cairo_arc(cr, 24 + k * 12, 34, 3, 0, 2 * M_PI);
            setColour(cr, ballColour(k * 2 + b));
            cairo_fill(cr);
        }
    } else if (kind == 2) {  // goblet
        cairo_move_to(cr, 24, 10);
        cairo_line_to(cr, 48, 10);
        cairo_curve_to(cr, 48, 28, 40, 30, 38, 32);
        cairo_line_to(cr, 38, 40);
        cairo_line_to(cr, 46, 46);
        cairo_line_to(cr, 26, 46);
        cairo_line_to(cr, 34, 40);
        cairo_line_to(cr, 34, 32);
        cairo_curve_to(cr, 32, 30, 24, 28, 24, 10);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(24, 0, 48, 0);
        cairo_pattern_add_color_stop_rgb(p, 0, g2.r, g2.g, g2.b);
        cairo_pattern_add_color_stop_rgb(p, 0.35, g1.r, g1.g, g1.b);
        cairo_pattern_add_color_stop_rgb(p, 1, g3.r, g3.g, g3.b);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        setColour(cr, g3);
        cairo_stroke(cr);
        cairo_arc(cr, 36, 20, 3.5, 0, 2 * M_PI);
        setColour(cr, ballColour(b + 1));
        cairo_fill(cr);
    } else {  // gem heap
        for (int k = 0; k < 6; ++k) {
            const double x = 20 + k * 6.5, y = 34 - (k % 3) * 5;
            cairo_move_to(cr, x, y - 7);
            cairo_line_to(cr, x + 6, y);
            cairo_line_to(cr, x, y + 7);
            cairo_line_to(cr, x - 6, y);
            cairo_close_path(cr);
            setColour(cr, ballColour(k + b));
            cairo_fill_preserve(cr);
            cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
            cairo_stroke(cr);
        }
    }
    // Glints.
    for (int k = 0; k < 4; ++k) {
        const double x = rng.uniform(12, 60), y = rng.uniform(12, 48), r = rng.uniform(3, 6);
        cairo_move_to(cr, x - r, y);
        cairo_line_to(cr, x + r, y);
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x, y + r);
        cairo_set_source_rgba(cr, 1, 1, 0.9, 0.9);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    char name[96];
    std::snprintf(name, sizeof name, "fon/%s_gold%d%d", kBackgroundNames[b], ((i + 1) / 10) % 10, (i + 1) % 10);
    c.savePack(name);
}

void commonMask() {
    // Laid over the scenery at alpha 192 during play, so balls stand out;
    // clearer in the middle where the magnet is.
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_radial(400, 269, 60, 400, 300, 520);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.02, 0.03, 0.08, 0.45);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.02, 0.02, 0.05, 0.92);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    c.savePack("fon/common_mask");
}

// Field gates: the left half (364 x 544) stands at (400 - w, 30); the right
// half is the same picture mirrored. Grilles, so the darkened scene still
// shows through; every design differs in pattern, metal and medallion.
void gate(int i) {
    constexpr int W = 364, H = 544;
    Canvas c(W, H);
    cairo_t* cr = c.cr();
    static const Rgb metals[4][3] = {{hex(0x1A1C22), hex(0x4A505C), hex(0xA8B0C0)},
                                     {hex(0x3A2008), hex(0x8A5A20), hex(0xF0C878)},
                                     {hex(0x0C2A24), hex(0x2E6E5E), hex(0x9AE0C8)},
                                     {hex(0x2A1020), hex(0x6A2E50), hex(0xE0A0C8)}};
    const Rgb* m = metals[i % 4];
    const int pattern = (i / 4 + i) % 4;
    auto bar = [&](double x0, double y0, double x1, double y1, double w) {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setColour(cr, m[0], 0.9);
        cairo_set_line_width(cr, w + 2);
        cairo_stroke_preserve(cr);
        setColour(cr, m[1]);
        cairo_set_line_width(cr, w);
        cairo_stroke_preserve(cr);
        setColour(cr, m[2], 0.5);
        cairo_set_line_width(cr, w * 0.3);
        cairo_stroke(cr);
    };
    const double sp = 26 + (i % 3) * 6;
    if (pattern == 0) {
        for (double x = W - sp / 2; x > 0; x -= sp) bar(x, 0, x, H, 6);
        for (double y = 60; y < H; y += 120) bar(0, y, W, y, 8);
    } else if (pattern == 1) {
        for (double d = -H; d < W + H; d += sp * 1.4) {
            bar(d, 0, d + H * 0.6, H, 5);
            bar(d + H * 0.6, 0, d, H, 5);
        }
    } else if (pattern == 2) {
        for (double y = sp; y < H; y += sp * 2)
            for (double x = W; x > -sp; x -= sp * 2) {
                cairo_new_path(cr);
                cairo_arc(cr, x, y, sp * 0.9, 0, 2 * M_PI);
                setColour(cr, m[0], 0.9);
                cairo_set_line_width(cr, 7);
                cairo_stroke_preserve(cr);
                setColour(cr, m[1]);
                cairo_set_line_width(cr, 5);
                cairo_stroke(cr);
            }
    } else {
        // Sunburst from the meeting edge.
        for (int k = 0; k <= 14; ++k) {
            const double a = M_PI / 2 + M_PI * k / 14;
            bar(W, H / 2.0, W + 700 * std::cos(a), H / 2.0 + 700 * std::sin(a), 6);
        }
        for (double r = 90; r < 600; r += 110) {
            cairo_new_path(cr);
            cairo_arc(cr, W, H / 2.0, r, M_PI / 2, 1.5 * M_PI);
            setColour(cr, m[1]);
            cairo_set_line_width(cr, 6);
            cairo_stroke(cr);
        }
    }
    // Heavy frame: top and bottom rails, the outer stile and the meeting stile.
    auto plate = [&](double x, double y, double w, double h) {
        cairo_rectangle(cr, x, y, w, h);
        cairo_pattern_t* g = cairo_pattern_create_linear(x, y, x, y + h);
        cairo_pattern_add_color_stop_rgb(g, 0, m[2].r, m[2].g, m[2].b);
        cairo_pattern_add_color_stop_rgb(g, 0.3, m[1].r, m[1].g, m[1].b);
        cairo_pattern_add_color_stop_rgb(g, 1, m[0].r, m[0].g, m[0].b);
        cairo_set_source(cr, g);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(g);
        setColour(cr, m[0]);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    };
    plate(0, 0, W, 26);
    plate(0, H - 30, W, 30);
    plate(0, 0, 18, H);
    plate(W - 14, 0, 14, H);
    for (double y = 40; y < H - 30; y += 60) {
        cairo_arc(cr, W - 7, y, 3, 0, 2 * M_PI);
        setColour(cr, m[2]);
        cairo_fill(cr);
    }
    // Half medallion on the meeting edge: whole when both halves close.
    const double mr = 44 + (i % 4) * 6;
    cairo_arc(cr, W, H / 2.0, mr, M_PI / 2, 1.5 * M_PI);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(W - mr * 0.3, H / 2.0 - mr * 0.3, 2, W, H / 2.0, mr);
    cairo_pattern_add_color_stop_rgb(g, 0, m[2].r, m[2].g, m[2].b);
    cairo_pattern_add_color_stop_rgb(g, 1, m[0].r, m[0].g, m[0].b);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, m[0]);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_arc(cr, W, H / 2.0, mr * 0.55, M_PI / 2, 1.5 * M_PI);
    setColour(cr, ballColour(i), 0.9);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    grain(c, 600 + uint32_t(i), 0.12, 0.18);
    char name[64];
    std::snprintf(name, sizeof name, "gate/gate_%d%d_l", ((i + 1) / 10) % 10, (i + 1) % 10);
    c.savePack(name);
}

// One spawn gun per episode: levels name them by SpawnGunNo 0..11.
constexpr int kSpawnGuns = 12;

// Spawn guns (64 x 64, centred on the table position): a barrel aimed down
// and inwards, its muzzle at the bottom-right corner where balls appear.
void spawnGun(int i) {
    Canvas c(64, 64);
    cairo_t* cr = c.cr();
    static const Rgb bodies[5] = {hex(0x8A5A20), hex(0x4A505C), hex(0x2E6E5E), hex(0x6A2E50), hex(0x8A3018)};
    // The last two episodes' guns take the metal of their own doors (doors
    // 11 and 12: verdigris and plum) and a flared, bell-mouthed barrel.
    static const Rgb lateBodies[2] = {hex(0x2E6E5E), hex(0x6A2E50)};
    const bool late = i >= 10;
    const Rgb body = late ? lateBodies[(i - 10) % 2] : bodies[i % 5];
    const Rgb light = mix(body, hex(0xFFFFFF), 0.5), dark = scale(body, 0.35);
    // Wall mount.
    roundedRect(cr, 2, 2, 30, 30, 6);
    setColour(cr, scale(body, 0.7));
    cairo_fill_preserve(cr);
    setColour(cr, dark);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, 17, 17);
    cairo_rotate(cr, M_PI / 4);
    const double len = 50, w0 = late ? 10 : i / 5 % 2 ? 15 : 12, w1 = late ? 17 : i / 5 % 2 ? 10 : 13;
    cairo_move_to(cr, -4, -w0);
    cairo_line_to(cr, len - 8, -w1);
    cairo_line_to(cr, len - 8, w1);
    cairo_line_to(cr, -4, w0);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, -w0, 0, w0);
    cairo_pattern_add_color_stop_rgb(g, 0, dark.r, dark.g, dark.b);
    cairo_pattern_add_color_stop_rgb(g, 0.3, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(g, 1, dark.r, dark.g, dark.b);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    setColour(cr, dark);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Bands and muzzle.
    for (int k = 0; k < 2; ++k) {
        cairo_rectangle(cr, 8 + k * 14, -w0 - 1, 4, 2 * w0 + 2);
        cairo_set_source(cr, g);
        cairo_fill(cr);
    }
    cairo_rectangle(cr, len - 10, -w1 - 2, 6, 2 * w1 + 4);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    setColour(cr, dark);
    cairo_stroke(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
    // Coloured eye on the mount.
    cairo_arc(cr, 17, 17, 6, 0, 2 * M_PI);
    setColour(cr, ballColour(i + 3));
    cairo_fill_preserve(cr);
    setColour(cr, dark);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    char name[64];
    std::snprintf(name, sizeof name, "gate/spawngun_%d%d_l", ((i + 1) / 10) % 10, (i + 1) % 10);
    c.savePack(name);
}

void lastGate() {
    // Two halves of 170 x 283 behind the doorway of the last hall.
    for (int side = 0; side < 2; ++side) {
        Canvas c(170, 283);
        cairo_t* cr = c.cr();
        cairo_save(cr);
        if (side == 1) {
            cairo_translate(cr, 170, 0);
            cairo_scale(cr, -1, 1);
        }
        cairo_rectangle(cr, 0, 0, 170, 283);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 170, 0);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.16, 0.1, 0.2);
        cairo_pattern_add_color_stop_rgb(g, 0.7, 0.36, 0.24, 0.42);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.2, 0.12, 0.24);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        for (int k = 0; k < 4; ++k) {
            roundedRect(cr, 26, 26 + k * 62, 118, 50, 6);
            cairo_set_source_rgba(cr, 0.9, 0.7, 1.0, 0.25);
            cairo_set_line_width(cr, 3);
            cairo_stroke(cr);
        }
        cairo_arc(cr, 170, 141, 52, M_PI / 2, 1.5 * M_PI);
        cairo_set_source_rgb(cr, 0.85, 0.65, 0.25);
        cairo_fill(cr);
        cairo_arc(cr, 170, 141, 34, M_PI / 2, 1.5 * M_PI);
        cairo_set_source_rgb(cr, 0.75, 0.3, 0.95);
        cairo_fill(cr);
        cairo_restore(cr);
        grain(c, 700 + uint32_t(side), 0.15, 0.15);
        c.savePack(side == 0 ? "last_gate_left" : "last_gate_right");
    }
    // The free land seen through the open gate.
    Canvas c(310, 270);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 270);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.45, 0.7, 0.98);
    cairo_pattern_add_color_stop_rgb(g, 1, 1.0, 0.9, 0.7);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    glow(c, [](cairo_t* k) {
        cairo_arc(k, 155, 150, 30, 0, 2 * M_PI);
        cairo_fill(k);
    }, hex(0xFFF0B0), 40, 1.5);
    for (int layer = 0; layer < 3; ++layer) {
        cairo_move_to(cr, 0, 270);
        for (int x = 0; x <= 310; x += 5)
            cairo_line_to(cr, x, 150 + layer * 35 - 40 * fbm(x * 0.015, layer, 800 + uint32_t(layer), 4));
        cairo_line_to(cr, 310, 270);
        cairo_close_path(cr);
        const Rgb col = mix(hex(0x8AB0C0), hex(0x2E7A3A), layer / 2.0);
        setColour(cr, col);
        cairo_fill(cr);
    }
    c.savePack("last_landscape");
}

void fallingWall() {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Canvas mask(800, 600);
    cairo_set_source_rgb(mask.cr(), 1, 1, 1);
    cairo_paint(mask.cr());
    // Big ashlar blocks.
    const int st = c.stride();
    uint32_t* px = c.pixels();
    for (int j = 0; j < c.pixelHeight(); ++j)
        for (int i = 0; i < c.pixelWidth(); ++i) {
            const double x = c.at(i), y = c.at(j);
            const int row = int(y / 60);
            const double off = (row % 2) * 50.0;
            const double fx = std::fmod(x + off, 100.0), fy = std::fmod(y, 60.0);
            const double edge = std::min({fx, 100 - fx, fy, 60 - fy});
            const uint32_t bh = hash32(uint32_t(int((x + off) / 100)) * 7 + uint32_t(row) * 1031);
            const double n = fbm(x * 0.05, y * 0.05, 901, 5);
            Rgb col = scale(hex(0x6A6258), (0.75 + 0.25 * ((bh & 255) / 255.0)) * (0.7 + 0.6 * n));
            if (edge < 3) col = hex(0x1E1A16);
            else if (edge < 7) col = scale(col, fy < 7 || fx < 7 ? 1.25 : 0.7);
            setPixel(&px[j * st + i], col);
        }
    cairo_surface_mark_dirty(c.surface());
    // A carved seal in the middle.
    cairo_arc(cr, 400, 300, 90, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_set_line_width(cr, 10);
    cairo_stroke(cr);
    Lettering st2;
    st2.size = 96;
    st2.top = hex(0x9A9080);
    st2.bottom = hex(0x4A4238);
    st2.outline = hex(0x1A1612);
    st2.outlineWidth = 2;
    letter(c, "V", 400, 300, st2);
    vignette(c, 0.5);
    c.savePack("wall");
}

void comicPanel(Canvas& c, double x, double y, double w, double h, int scene, const std::string& caption) {
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    Canvas small(400, 300);
    paintBackground(small, scene);
    cairo_translate(cr, x, y);
    cairo_scale(cr, w / 400, h / 300);
    cairo_set_source_surface(cr, small.surface(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source_rgb(cr, 0.1, 0.07, 0.04);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    // Caption box.
    roundedRect(cr, x + 10, y + h - 48, w - 20, 38, 6);
    cairo_set_source_rgba(cr, 0.98, 0.93, 0.78, 0.93);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.3, 0.2, 0.1);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    Lettering t;
    t.face = Face::SerifBold;
    t.size = 15;
    t.top = hex(0x3A2410);
    t.bottom = hex(0x3A2410);
    t.outlineWidth = 0;
    letter(c, tr(caption), x + w / 2, y + h - 29, t, w - 30);
}

void comic(int n) {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 600);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.22, 0.14, 0.08);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.1, 0.06, 0.03);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    Lettering title;
    title.size = 34;
    title.glowRadius = 8;
    if (n == 0) {
        letter(c, "The Vellmoor of Quorrin", 400, 34, title);
        comicPanel(c, 20, 66, 370, 210, 11, N_("Quorrin the sorcerer sealed the moor with magnet locks."));
        comicPanel(c, 410, 66, 370, 210, 2, N_("Its gems lie trapped behind iron gates."));
        comicPanel(c, 20, 290, 370, 210, 3, N_("Only a cannon of coloured spheres can break a lock."));
        comicPanel(c, 410, 290, 370, 210, 8, N_("Match three of a colour and the lock gives way!"));
    } else {
        letter(c, tr("The Vellmoor is free!"), 400, 34, title, 760);
        comicPanel(c, 20, 66, 370, 210, 7, N_("The last lock shatters in the hall of the great gate."));
        comicPanel(c, 410, 66, 370, 210, 10, N_("Quorrin's spell fades from every cave and hall."));
        comicPanel(c, 20, 290, 760, 210, 8, N_("Sunlight returns to the moor. Thank you for playing!"));
    }
    grain(c, 950 + uint32_t(n), 0.3, 0.05);
    c.savePack("fon//comix_" + std::to_string(n));
}
}  // namespace

void addSceneryJobs(Jobs& jobs, const ShapeSet& shapes) {
    for (int b = 0; b < 12; ++b) {
        const Shape* w = shapes.walls.count(b) ? &shapes.walls.at(b) : nullptr;
        jobs.push_back([b] { back(b); });
        jobs.push_back([b, w] { front(b, w); });
    }
    jobs.push_back([] {
        for (int b = 0; b < 12; ++b)
            for (int i = 0; i < kGoldCount[b]; ++i) gold(b, i);
        commonMask();
    });
    jobs.push_back([] {
        for (int i = 0; i < 8; ++i) gate(i);
    });
    jobs.push_back([] {
        for (int i = 8; i < 16; ++i) gate(i);
        for (int i = 0; i < kSpawnGuns; ++i) spawnGun(i);
    });
    jobs.push_back([] {
        lastGate();
        fallingWall();
    });
    addSceneryWordJobs(jobs);
}

void addSceneryWordJobs(Jobs& jobs) {
    jobs.push_back([] { comic(0); });
    jobs.push_back([] { comic(1); });
}

}  // namespace pg
