// The magnets ("lock//lock_NN", one per outline in shapes.txt), the flare
// behind them and the ball-count gem at their centre.
#include <algorithm>
#include <cmath>

#include "gen.h"

namespace pg {

void magnetPath(cairo_t* cr, const Shape& s, double cx, double cy, double unitPx) {
    for (const auto& poly : s.solids) {
        Polygon p;
        for (auto [x, y] : poly) p.emplace_back(cx + x * unitPx, cy + y * unitPx);
        polygonPath(cr, p);
    }
}

namespace {
double extent(const Shape& s) {
    double r = 0;
    for (const auto& poly : s.solids)
        for (auto [x, y] : poly) r = std::max(r, std::hypot(x, y));
    return r;
}

struct Alloy {
    Rgb dark, mid, light, glow;
};
const Alloy kAlloys[5] = {
    {hex(0x1E2630), hex(0x5A6B7E), hex(0xC9D6E6), hex(0x4FE3FF)},  // blued steel
    {hex(0x3A2208), hex(0xA86E2A), hex(0xFFD890), hex(0xFFB640)},  // bronze
    {hex(0x10302A), hex(0x3E8C78), hex(0xB8F0DC), hex(0x60FFC0)},  // verdigris
    {hex(0x2A1038), hex(0x6E4A8E), hex(0xE0C8FF), hex(0xC080FF)},  // sorcerer's iron
    {hex(0x3A0E08), hex(0x9A3A22), hex(0xFFB89A), hex(0xFF6A40)},  // copper
};

// Shades a union mask as bevelled metal: light from the top left on the
// slopes of the blurred mask, a dark rim on the edge and a grain.
void shadeMetal(Canvas& out, Canvas& mask, const Alloy& al, uint32_t seed, double bevel) {
    Canvas soft(mask.width(), mask.height());
    cairo_set_source_surface(soft.cr(), mask.surface(), 0, 0);
    cairo_paint(soft.cr());
    blur(soft, bevel);
    const int w = out.pixelWidth(), h = out.pixelHeight(), st = out.stride(), k = out.scale();
    uint32_t* m = mask.pixels();
    uint32_t* b = soft.pixels();
    uint32_t* o = out.pixels();
    auto A = [&](uint32_t* p, int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return double(p[y * st + x] >> 24) / 255.0;
    };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const double a = A(m, i, j);
            if (a <= 0) continue;
            // Slopes over one logical pixel either side, whatever the texel size.
            const double gx = A(b, i + k, j) - A(b, i - k, j), gy = A(b, i, j + k) - A(b, i, j - k);
            const double lit = std::clamp(0.5 + (gx * 0.7 + gy * 0.7) * 2.2 * bevel / 3, 0.0, 1.0);
            const double depth = A(b, i, j);
            const double x = out.at(i), y = out.at(j);
            const double n = fbm(x * 0.09, y * 0.09, seed, 4);
            const double scratch = noise(x * 0.6, y * 0.05, seed + 9) * 0.15;
            Rgb c = lit > 0.5 ? mix(al.mid, al.light, (lit - 0.5) * 2) : mix(al.dark, al.mid, lit * 2);
            c = scale(c, 0.8 + 0.4 * n + scratch);
            const double rim = std::clamp((depth - 0.18) * 4, 0.0, 1.0);
            c = mix(scale(al.dark, 0.5), c, 0.35 + 0.65 * rim);
            auto ch = [&](double v) { return uint32_t(std::clamp(v * a * 255, 0.0, 255.0)); };
            const uint32_t aa = uint32_t(a * 255);
            o[j * st + i] = (aa << 24) | (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
        }
    cairo_surface_mark_dirty(out.surface());
}
}  // namespace

void drawMagnet(Canvas& c, const Shape& s, double cx, double cy, double unitPx, uint32_t seed) {
    const Alloy& al = kAlloys[uint32_t(s.number - 1) % 5];
    Canvas mask(c.width(), c.height());
    for (const auto& poly : s.solids) {  // each solid on its own: a true union
        Polygon p;
        for (auto [x, y] : poly) p.emplace_back(cx + x * unitPx, cy + y * unitPx);
        polygonPath(mask.cr(), p);
        cairo_set_source_rgb(mask.cr(), 1, 1, 1);
        cairo_fill(mask.cr());
    }
    const double k = unitPx / kUnit;
    // Energy halo behind the metal.
    glow(c, [&](cairo_t* cr) {
        cairo_set_source_surface(cr, mask.surface(), 0, 0);
        cairo_paint(cr);
    }, al.glow, 7 * k + 1, 0.9);
    Canvas metal(c.width(), c.height());
    shadeMetal(metal, mask, al, seed, std::max(1.5, 4.0 * k));
    cairo_set_source_surface(c.cr(), metal.surface(), 0, 0);
    cairo_paint(c.cr());
    // Glowing runes etched around the hub, and the gem's socket.
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, c.width(), c.height());
    cairo_clip(cr);
    const double hub = 0.36 * unitPx;
    cairo_arc(cr, cx, cy, hub, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, hub, 0, 2 * M_PI);
    setColour(cr, al.light, 0.8);
    cairo_set_line_width(cr, std::max(1.0, 2.0 * k));
    cairo_stroke(cr);
    Rng rng(seed);
    cairo_set_line_width(cr, std::max(0.8, 1.6 * k));
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4 + 0.2, r0 = hub + 5 * k, r1 = hub + 11 * k;
        cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
        cairo_line_to(cr, cx + r1 * std::cos(a + rng.uniform(-0.15, 0.15)), cy + r1 * std::sin(a + 0.1));
    }
    setColour(cr, al.glow, 0.85);
    cairo_stroke(cr);
    cairo_restore(cr);
}

namespace {
void lockPicture(const Shape& s) {
    // Even size so that (400 - w/2, 269 - h/2) puts the centre on the
    // magnet's rotation centre exactly.
    const int half = int(std::ceil(extent(s) * kUnit)) + 12;
    Canvas c(2 * half, 2 * half);
    drawMagnet(c, s, half, half, kUnit, uint32_t(s.number) * 7919u);
    char name[64];
    std::snprintf(name, sizeof name, "lock//lock_%d%d", (s.number / 10) % 10, s.number % 10);
    c.savePack(name);
}

void flare() {
    // 512 x 512 placed at (144, 13): its centre is the magnet's centre.
    Canvas c(512, 512);
    cairo_t* cr = c.cr();
    Rng rng(99);
    for (int i = 0; i < 28; ++i) {
        const double a = 2 * M_PI * i / 28 + rng.uniform(-0.06, 0.06), len = rng.uniform(150, 250),
                     wdt = rng.uniform(0.02, 0.06);
        cairo_move_to(cr, 256, 256);
        cairo_line_to(cr, 256 + len * std::cos(a - wdt), 256 + len * std::sin(a - wdt));
        cairo_line_to(cr, 256 + len * std::cos(a + wdt), 256 + len * std::sin(a + wdt));
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.7, 0.95, 1.0, rng.uniform(0.25, 0.6));
        cairo_fill(cr);
    }
    blur(c, 5);
    cairo_pattern_t* g = cairo_pattern_create_radial(256, 256, 0, 256, 256, 256);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.85, 1, 1, 0.9);
    cairo_pattern_add_color_stop_rgba(g, 0.2, 0.45, 0.85, 1, 0.35);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.2, 0.5, 1, 0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    c.savePack("flare");
}

// The ball-count gem: frame 19 calm (green), frame 8 alarmed (red), frame 0
// switched off; frames 1..7 go on from red to a deep, dark red.
void brilliant() {
    constexpr int kS = 44;
    Canvas c(kS * 10, kS * 2);
    cairo_t* cr = c.cr();
    for (int f = 0; f < 20; ++f) {
        Rgb col;
        double shine = 1.0;
        if (f == 0) {
            col = hex(0x5A6068);
            shine = 0.4;
        } else if (f >= 8) {
            const double t = (19.0 - f) / 11.0;  // 0 calm .. 1 alarmed
            col = t < 0.5 ? mix(hex(0x30F070), hex(0xFFE040), t * 2) : mix(hex(0xFFE040), hex(0xFF2A1A), (t - 0.5) * 2);
        } else {
            col = mix(hex(0xFF2A1A), hex(0x901008), (8.0 - f) / 7.0);
        }
        cairo_save(cr);
        cairo_translate(cr, (f % 10) * kS + kS / 2.0, (f / 10) * kS + kS / 2.0);
        // Round brilliant cut seen from above: table, star and kite facets.
        const int n = 8;
        const double R = 19, r = 10;
        for (int i = 0; i < n; ++i) {
            const double a0 = 2 * M_PI * i / n - M_PI / 2, a1 = a0 + 2 * M_PI / n, am = (a0 + a1) / 2;
            cairo_move_to(cr, r * std::cos(a0), r * std::sin(a0));
            cairo_line_to(cr, R * std::cos(a0), R * std::sin(a0));
            cairo_line_to(cr, R * std::cos(a1), R * std::sin(a1));
            cairo_line_to(cr, r * std::cos(a1), r * std::sin(a1));
            cairo_close_path(cr);
            const double light = 0.5 + 0.5 * std::cos(am + 2.3);
            setColour(cr, mix(scale(col, 0.45), mix(col, hex(0xFFFFFF), 0.5 * shine), light));
            cairo_fill_preserve(cr);
            cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
        }
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n - M_PI / 2;
            if (i == 0)
                cairo_move_to(cr, r * std::cos(a), r * std::sin(a));
            else
                cairo_line_to(cr, r * std::cos(a), r * std::sin(a));
        }
        cairo_close_path(cr);
        setColour(cr, mix(col, hex(0xFFFFFF), 0.25 * shine));
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
        cairo_stroke(cr);
        cairo_arc(cr, 0, 0, R, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0.15, 0.1, 0.05, 0.9);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
        if (shine > 0.5) {
            cairo_arc(cr, -5, -7, 3, 0, 2 * M_PI);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }
    c.savePack("brilliant", 20, 10);
}

void brilliantGlow() {
    Canvas c(112, 112);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_radial(56, 56, 8, 56, 56, 56);
    cairo_pattern_add_color_stop_rgba(g, 0, 1.0, 0.5, 0.3, 0.95);
    cairo_pattern_add_color_stop_rgba(g, 0.4, 1.0, 0.2, 0.1, 0.6);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.8, 0.0, 0.0, 0.0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    c.savePack("brilliant_glow");
}
}  // namespace

void addMagnetJobs(Jobs& jobs, const ShapeSet& shapes) {
    std::vector<const Shape*> list;
    for (const auto& [n, s] : shapes.magnets) list.push_back(&s);
    for (size_t i = 0; i < list.size(); i += 4)
        jobs.push_back([list, i] {
            for (size_t k = i; k < std::min(list.size(), i + 4); ++k) lockPicture(*list[k]);
        });
    jobs.push_back([] {
        flare();
        brilliant();
        brilliantGlow();
    });
}

}  // namespace pg
