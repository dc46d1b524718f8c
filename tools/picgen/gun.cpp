// The cannon: barrel, side housings with the next-ball windows, breech
// halves, charge bar, heat glow, and the rail it runs on.
//
// Sizes follow the cannon's placement rules: the middle is one ball wide
// (its half width w = 26) and H + 2 = 106 high, so the loaded ball sits in
// it at the shot height; the housings are 59 wide and show the next ball
// through round windows; the breech halves are 26 wide and meet over the
// loaded ball; the heat glow is 200 wide around the whole gun.
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
constexpr int kMidW = 52, kMidH = 106, kSideW = 59, kSideH = 106, kBreechW = 26;

const Rgb kBrass = hex(0xC8953C), kBrassDark = hex(0x5A3812), kBrassLight = hex(0xFFE3A0);
const Rgb kIron = hex(0x3A3E46), kIronLight = hex(0x8A93A0);

void metal(cairo_t* cr, double x0, double x1, Rgb dark, Rgb mid, Rgb light) {
    cairo_pattern_t* g = cairo_pattern_create_linear(x0, 0, x1, 0);
    cairo_pattern_add_color_stop_rgb(g, 0, dark.r, dark.g, dark.b);
    cairo_pattern_add_color_stop_rgb(g, 0.3, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(g, 0.55, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(g, 1, dark.r, dark.g, dark.b);
    cairo_set_source(cr, g);
    cairo_pattern_destroy(g);
}

void rivet(cairo_t* cr, double x, double y, double r) {
    cairo_pattern_t* g = cairo_pattern_create_radial(x - r * 0.4, y - r * 0.4, 0, x, y, r);
    cairo_pattern_add_color_stop_rgb(g, 0, 1, 0.95, 0.8);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.35, 0.22, 0.08);
    cairo_set_source(cr, g);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

void outline(cairo_t* cr, double w = 1.5) {
    cairo_set_source_rgba(cr, 0.12, 0.07, 0.02, 0.95);
    cairo_set_line_width(cr, w);
    cairo_stroke(cr);
}

void middle() {
    Canvas c(kMidW, kMidH);
    cairo_t* cr = c.cr();
    // Chamber: the loaded ball shows at y 4..56 (placed 4 px below the top).
    roundedRect(cr, 3, 8, 46, 96, 6);
    metal(cr, 3, 49, kIron, hex(0x555B66), kIronLight);
    cairo_fill_preserve(cr);
    outline(cr);
    cairo_arc(cr, 26, 30, 24, 0, 2 * M_PI);
    cairo_pattern_t* g = cairo_pattern_create_radial(26, 30, 4, 26, 30, 24);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.02, 0.05, 0.08);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.12, 0.16, 0.22);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Muzzle ring at the top.
    roundedRect(cr, 0, 0, 52, 10, 4);
    metal(cr, 0, 52, kBrassDark, kBrass, kBrassLight);
    cairo_fill_preserve(cr);
    outline(cr);
    // Base with the charge bar's seat.
    roundedRect(cr, 1, 62, 50, 42, 5);
    metal(cr, 1, 51, kBrassDark, kBrass, kBrassLight);
    cairo_fill_preserve(cr);
    outline(cr);
    for (int i = 0; i < 3; ++i) rivet(cr, 10 + i * 16, 96, 2.5);
    grain(c, 11, 0.2, 0.12);
    c.savePack("gun_middle");
}

// Housing on one side; the window is where the next-ball picture sits.
void side(bool left) {
    Canvas c(kSideW, kSideH);
    cairo_t* cr = c.cr();
    const double winX = left ? 29 : 22, winY = 30, winR = 21;
    cairo_move_to(cr, left ? 10 : 0, 8);
    cairo_line_to(cr, left ? 59 : 49, 8);
    cairo_line_to(cr, left ? 59 : 57, 106);
    cairo_line_to(cr, left ? 2 : 0, 106);
    cairo_close_path(cr);
    metal(cr, 0, 59, kBrassDark, kBrass, kBrassLight);
    cairo_fill_preserve(cr);
    outline(cr);
    // Window: the glass is left clear so the ball behind shows.
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_arc(cr, winX, winY, winR, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_arc(cr, winX, winY, winR + 1.5, 0, 2 * M_PI);
    cairo_set_line_width(cr, 4);
    metal(cr, winX - winR, winX + winR, kIron, kIronLight, hex(0xD8E0EA));
    cairo_stroke(cr);
    cairo_arc(cr, winX, winY, winR, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0.8, 0.95, 1.0, 0.12);
    cairo_fill(cr);
    cairo_arc(cr, winX - 7, winY - 8, 5, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_fill(cr);
    // Fins and rivets below the window.
    for (int i = 0; i < 3; ++i) {
        cairo_rectangle(cr, left ? 12 : 6, 62 + i * 12, 40, 5);
        cairo_set_source_rgba(cr, 0.25, 0.14, 0.04, 0.55);
        cairo_fill(cr);
    }
    rivet(cr, left ? 14 : 45, 98, 2.5);
    rivet(cr, left ? 50 : 9, 98, 2.5);
    grain(c, left ? 12 : 13, 0.2, 0.12);
    c.savePack(left ? "gun_side_left" : "gun_side_right");
}

// Breech jaw: closes over the loaded ball from its side.
void breech(bool left) {
    Canvas c(kBreechW, kSideH);
    cairo_t* cr = c.cr();
    cairo_save(cr);
    if (!left) {
        cairo_translate(cr, kBreechW, 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_move_to(cr, 0, 6);
    cairo_line_to(cr, 14, 6);
    cairo_curve_to(cr, 26, 12, 27, 48, 16, 56);
    cairo_line_to(cr, 0, 56);
    cairo_close_path(cr);
    metal(cr, 0, 26, kIron, hex(0x6A7380), hex(0xC8D0DC));
    cairo_fill_preserve(cr);
    outline(cr, 1.2);
    for (int i = 0; i < 4; ++i) {
        cairo_move_to(cr, 3, 14 + i * 11);
        cairo_line_to(cr, 15, 14 + i * 11);
    }
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.12, 0.5);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
    c.savePack(left ? "gun_zatvor_left" : "gun_zatvor_right");
}

void progressBars() {
    {
        Canvas c(56, 12);
        cairo_t* cr = c.cr();
        roundedRect(cr, 0.5, 0.5, 55, 11, 4);
        metal(cr, 0, 56, kBrassDark, kBrass, kBrassLight);
        cairo_fill_preserve(cr);
        outline(cr, 1);
        roundedRect(cr, 8, 3.5, 40, 5, 2);
        cairo_set_source_rgb(cr, 0.06, 0.05, 0.05);
        cairo_fill(cr);
        c.savePack("gun_progress_bar");
    }
    {
        // Scaled horizontally by the charge from its left edge.
        Canvas c(38, 5);
        cairo_t* cr = c.cr();
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 38, 0);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.2, 0.9, 0.3);
        cairo_pattern_add_color_stop_rgb(g, 0.6, 1.0, 0.9, 0.2);
        cairo_pattern_add_color_stop_rgb(g, 1, 1.0, 0.3, 0.1);
        cairo_set_source(cr, g);
        cairo_rectangle(cr, 0, 0, 38, 5);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_rectangle(cr, 0, 0, 38, 1.5);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
        cairo_fill(cr);
        c.savePack("gun_progress_bar_light");
    }
}

void heat() {
    // Drawn 100 px left of the gun's centre and 18 px above its housings.
    Canvas c(200, 128);
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_translate(cr, 100, 80);
    cairo_scale(cr, 1.0, 0.8);
    cairo_pattern_t* g = cairo_pattern_create_radial(0, 0, 10, 0, 0, 98);
    cairo_pattern_add_color_stop_rgba(g, 0, 1.0, 0.85, 0.3, 0.0);
    cairo_pattern_add_color_stop_rgba(g, 0.45, 1.0, 0.55, 0.1, 0.55);
    cairo_pattern_add_color_stop_rgba(g, 0.75, 0.9, 0.15, 0.02, 0.35);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.6, 0.0, 0.0, 0.0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 0, 0, 98, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
    // Heat shimmer.
    const int st = c.stride();
    uint32_t* px = c.pixels();
    for (int y = 0; y < c.pixelHeight(); ++y)
        for (int x = 0; x < c.pixelWidth(); ++x) {
            uint32_t& p = px[y * st + x];
            const double k = 0.6 + 0.8 * fbm(c.at(x) * 0.05, c.at(y) * 0.09, 21, 3);
            auto ch = [&](int s) { return uint32_t(std::min(255.0, ((p >> s) & 255) * k)) << s; };
            const uint32_t a = uint32_t(std::min(255.0, (p >> 24) * k));
            p = (a << 24) | std::min(ch(16), a << 16) | std::min(ch(8), a << 8) | std::min(ch(0), a);
        }
    cairo_surface_mark_dirty(c.surface());
    c.savePack("gun_heat");
}

void rails() {
    Canvas c(800, 34);
    cairo_t* cr = c.cr();
    // Sleepers, then two rails.
    Rng rng(5);
    for (int x = 6; x < 800; x += 28) {
        roundedRect(cr, x, 12, 18, 22, 2);
        const double v = rng.uniform(0.8, 1.0);
        cairo_set_source_rgb(cr, 0.32 * v, 0.22 * v, 0.13 * v);
        cairo_fill_preserve(cr);
        outline(cr, 1);
    }
    for (int r = 0; r < 2; ++r) {
        const double y = 14 + r * 10;
        cairo_rectangle(cr, 0, y, 800, 5);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + 5);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.85, 0.88, 0.92);
        cairo_pattern_add_color_stop_rgb(g, 0.5, 0.45, 0.48, 0.54);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.15, 0.16, 0.2);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    grain(c, 14, 0.15, 0.2);
    c.savePack("rails");
}
}  // namespace

void addGunJobs(Jobs& jobs) {
    jobs.push_back([] {
        middle();
        side(true);
        side(false);
        breech(true);
        breech(false);
        progressBars();
        heat();
        rails();
    });
}

}  // namespace pg
