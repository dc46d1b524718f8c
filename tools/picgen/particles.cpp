// Particle pictures (pic/particles/): white or light shapes that the
// effects tint with their colour curves. 64 x 64 each.
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
constexpr int kS = 64;

void radial(cairo_t* cr, double r, const std::vector<std::pair<double, double>>& stops) {
    cairo_pattern_t* g = cairo_pattern_create_radial(32, 32, 0, 32, 32, r);
    for (auto [t, a] : stops) cairo_pattern_add_color_stop_rgba(g, t, 1, 1, 1, a);
    cairo_set_source(cr, g);
    cairo_arc(cr, 32, 32, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

void save(Canvas& c, const std::string& name) { c.savePack("particles/" + name); }

void dot() {
    Canvas c(kS, kS);
    radial(c.cr(), 32, {{0, 1}, {0.25, 0.8}, {0.6, 0.25}, {1, 0}});
    save(c, "dot");
}

void spark() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    radial(cr, 20, {{0, 1}, {0.4, 0.5}, {1, 0}});
    for (int k = 0; k < 4; ++k) {
        cairo_save(cr);
        cairo_translate(cr, 32, 32);
        cairo_rotate(cr, k * M_PI / 4);
        cairo_scale(cr, 1, k % 2 ? 0.05 : 0.07);
        cairo_pattern_t* g = cairo_pattern_create_radial(0, 0, 0, 0, 0, k % 2 ? 20 : 31);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 1);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
        cairo_set_source(cr, g);
        cairo_arc(cr, 0, 0, 31, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_restore(cr);
    }
    save(c, "spark");
}

void smoke() {
    Canvas c(kS, kS);
    const int st = c.stride();
    uint32_t* px = c.pixels();
    const int k = c.scale();
    for (int y = 0; y < c.pixelHeight(); ++y)
        for (int x = 0; x < c.pixelWidth(); ++x) {
            const double d = std::hypot((x + 0.5) / k - 32, (y + 0.5) / k - 32) / 31;
            const double n = fbm(c.at(x) * 0.09, c.at(y) * 0.09, 811, 4);
            const double a = std::clamp((1 - d) * 1.6, 0.0, 1.0) * std::clamp(n * 1.6 - 0.2, 0.0, 1.0) * 0.8;
            const uint32_t v = uint32_t(a * 255);
            px[y * st + x] = (v << 24) | (v << 16) | (v << 8) | v;
        }
    cairo_surface_mark_dirty(c.surface());
    save(c, "smoke");
}

void ring() {
    Canvas c(kS, kS);
    radial(c.cr(), 32, {{0, 0}, {0.62, 0}, {0.8, 1}, {0.9, 0.5}, {1, 0}});
    save(c, "ring");
}

void bolt() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    Rng rng(77);
    auto path = [&](cairo_t* k) {
        double x = 32;
        cairo_move_to(k, x, 2);
        for (int y = 8; y <= 62; y += 6) {
            x = std::clamp(x + rng.uniform(-7, 7), 14.0, 50.0);
            cairo_line_to(k, x, y);
        }
    };
    Rng keep = rng;
    glow(c, [&](cairo_t* k) {
        path(k);
        cairo_set_line_width(k, 5);
        cairo_stroke(k);
    }, hex(0xFFFFFF), 4, 1.0);
    rng = keep;
    path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    save(c, "bolt");
}

void flame() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 32, 2);
    cairo_curve_to(cr, 52, 26, 56, 46, 32, 60);
    cairo_curve_to(cr, 8, 46, 12, 26, 32, 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_fill(cr);
    blur(c, 5);
    Canvas core(kS, kS);
    radial(core.cr(), 16, {{0, 1}, {1, 0}});
    cairo_set_source_surface(cr, core.surface(), 0, 10);
    cairo_paint(cr);
    save(c, "flame");
}

void star() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 11 : 30;
        if (i == 0)
            cairo_move_to(cr, 32 + r * std::cos(a), 32 + r * std::sin(a));
        else
            cairo_line_to(cr, 32 + r * std::cos(a), 32 + r * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    blur(c, 1.5);
    save(c, "star");
}

void shard() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 32, 4);
    cairo_line_to(cr, 44, 28);
    cairo_line_to(cr, 34, 60);
    cairo_line_to(cr, 22, 30);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(22, 0, 44, 0);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.6);
    cairo_pattern_add_color_stop_rgba(g, 0.5, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0.5);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    save(c, "shard");
}

void rock() {
    Canvas c(kS, kS);
    cairo_t* cr = c.cr();
    Rng rng(91);
    for (int i = 0; i < 9; ++i) {
        const double a = 2 * M_PI * i / 9, r = rng.uniform(18, 28);
        if (i == 0)
            cairo_move_to(cr, 32 + r * std::cos(a), 32 + r * std::sin(a));
        else
            cairo_line_to(cr, 32 + r * std::cos(a), 32 + r * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(24, 22, 2, 32, 32, 30);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.85, 0.8, 0.72);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.3, 0.27, 0.24);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 0.15, 0.13, 0.12);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    save(c, "rock");
}

void halo() {
    Canvas c(kS * 2, kS * 2);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_radial(64, 64, 0, 64, 64, 64);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.9);
    cairo_pattern_add_color_stop_rgba(g, 0.3, 1, 1, 1, 0.35);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    save(c, "halo");
}
}  // namespace

void addParticleJobs(Jobs& jobs) {
    jobs.push_back([] {
        dot();
        spark();
        smoke();
        ring();
        bolt();
        flame();
        star();
        shard();
        rock();
        halo();
    });
}

}  // namespace pg
