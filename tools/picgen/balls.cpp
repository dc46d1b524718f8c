// Balls, their glows and shadow, and the falling crystals.
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
constexpr int kBall = 52;  // full-size ball pictures are placed by 26 x ballSizeFactor

const Rgb kTints[8] = {hex(0xFF6666), hex(0x1921FC), hex(0x13D10C), hex(0xFCFA37),
                       hex(0xFD3BD6), hex(0xFFA3A7), hex(0x1FF0F0), hex(0xAEAEAE)};

void star(cairo_t* cr, double cx, double cy, double r, double inner, int n, double rot) {
    for (int i = 0; i < 2 * n; ++i) {
        const double a = rot - M_PI / 2 + M_PI * i / n, rr = i % 2 ? r * inner : r;
        if (i == 0)
            cairo_move_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
        else
            cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
    }
    cairo_close_path(cr);
}

void ballPicture(int type) {
    Canvas c(kBall, kBall);
    const Rgb base = kTints[type];
    drawSphere(c.cr(), 26, 26, 24.5, base);
    // The symbol is pressed into the glass: a dark shape with a light lower edge.
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_translate(cr, 0, 1.2);
    ballSymbolPath(cr, type, 26, 27, 10.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_fill(cr);
    cairo_restore(cr);
    ballSymbolPath(cr, type, 26, 27, 10.5);
    setColour(cr, scale(base, 0.42), 0.78);
    cairo_fill(cr);
    // Gloss over the symbol so it sits inside the sphere.
    cairo_pattern_t* g = cairo_pattern_create_radial(19, 15, 1, 19, 15, 13);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.85);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 19, 15, 13, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    c.savePack("balls//ball_c" + std::to_string(type + 1));
}

void freeBall(int kind) {
    Canvas c(kBall, kBall);
    cairo_t* cr = c.cr();
    if (kind == 0) {
        // Random recolour: a swirl of every ball colour.
        for (int i = 0; i < 8; ++i) {
            cairo_move_to(cr, 26, 26);
            cairo_arc(cr, 26, 26, 24.5, i * M_PI / 4, (i + 1) * M_PI / 4 + 0.02);
            cairo_close_path(cr);
            setColour(cr, kTints[i]);
            cairo_fill(cr);
        }
        blur(c, 3.0);
        Canvas mask(kBall, kBall);
        cairo_arc(mask.cr(), 26, 26, 24.5, 0, 2 * M_PI);
        cairo_fill(mask.cr());
        Canvas out(kBall, kBall);
        cairo_set_source_surface(out.cr(), c.surface(), 0, 0);
        cairo_mask_surface(out.cr(), mask.surface(), 0, 0);
        drawSphere(out.cr(), 26, 26, 24.5, hex(0xFFFFFF), 0.35);
        Lettering q;
        q.face = Face::SansBold;
        q.size = 26;
        q.top = hex(0xFFFFFF);
        q.bottom = hex(0xD8D8F0);
        q.outline = hex(0x2A1A40);
        q.outlineWidth = 2;
        letter(out, "?", 26, 27, q);
        out.savePack("balls//ball_free0");
        return;
    }
    if (kind == 1) {
        // Recolour to a colour on the field: pearl with the colours orbiting it.
        drawSphere(cr, 26, 26, 24.5, hex(0xF4EEE6));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            cairo_arc(cr, 26 + 13 * std::cos(a), 26 + 13 * std::sin(a), 4.2, 0, 2 * M_PI);
            setColour(cr, kTints[i]);
            cairo_fill_preserve(cr);
            cairo_set_source_rgba(cr, 0.2, 0.15, 0.1, 0.6);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
        star(cr, 26, 26, 7, 0.45, 4, 0);
        cairo_set_source_rgba(cr, 0.55, 0.45, 0.3, 0.9);
        cairo_fill(cr);
        drawSphere(cr, 26, 26, 24.5, hex(0xFFFFFF), 0.25);
        c.savePack("balls//ball_free1");
        return;
    }
    // A plain glass bubble: no touch effect.
    cairo_pattern_t* g = cairo_pattern_create_radial(26, 26, 6, 26, 26, 24.5);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.75, 0.92, 1.0, 0.25);
    cairo_pattern_add_color_stop_rgba(g, 0.8, 0.6, 0.85, 1.0, 0.45);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.85, 0.95, 1.0, 0.95);
    cairo_set_source(cr, g);
    cairo_arc(cr, 26, 26, 24.5, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_set_line_width(cr, 1.2);
    cairo_set_source_rgba(cr, 0.15, 0.25, 0.4, 0.8);
    cairo_arc(cr, 26, 26, 24.6, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_arc(cr, 18, 16, 7, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
    cairo_fill(cr);
    cairo_arc(cr, 34, 38, 4, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_fill(cr);
    c.savePack("balls//ball_free2");
}

// The bonus ball turns with its body: frame i is the pattern turned by
// i/40 of a full turn, laid out 19 to a row.
void bonusBall() {
    constexpr int kFrames = 40, kCols = 19, kRows = 3;
    Canvas c(kBall * kCols, kBall * kRows);
    cairo_t* cr = c.cr();
    for (int i = 0; i < kFrames; ++i) {
        const double ox = (i % kCols) * kBall, oy = (i / kCols) * kBall;
        const double rot = 2 * M_PI * i / kFrames;
        cairo_save(cr);
        cairo_rectangle(cr, ox, oy, kBall, kBall);
        cairo_clip(cr);
        cairo_translate(cr, ox + 26, oy + 26);
        drawSphere(cr, 0, 0, 24.5, hex(0xF2C14E));
        cairo_save(cr);
        cairo_rotate(cr, rot);
        // Eight colour wedges (it matches every colour) around a gold star.
        for (int k = 0; k < 8; ++k) {
            cairo_move_to(cr, 0, 0);
            cairo_arc(cr, 0, 0, 19, k * M_PI / 4 + 0.06, (k + 1) * M_PI / 4 - 0.06);
            cairo_close_path(cr);
            setColour(cr, kTints[k], 0.85);
            cairo_fill(cr);
        }
        star(cr, 0, 0, 13, 0.45, 5, 0);
        cairo_set_source_rgb(cr, 1.0, 0.86, 0.35);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.45, 0.25, 0.05);
        cairo_set_line_width(cr, 1.3);
        cairo_stroke(cr);
        cairo_arc(cr, 0, -16, 2.2, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
        cairo_restore(cr);
        // Fixed gloss: the light does not turn with the ball.
        cairo_pattern_t* g = cairo_pattern_create_radial(-8, -11, 1, -8, -11, 14);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.8);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
        cairo_set_source(cr, g);
        cairo_arc(cr, -8, -11, 14, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_arc(cr, 0, 0, 24.5, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.42, 0.26, 0.04);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    c.savePack("balls//ball_bonus", kFrames, kCols);
}

void fireball(bool mega) {
    Canvas c(kBall, kBall);
    const int w = c.pixelWidth(), st = c.stride(), texels = c.scale();
    uint32_t* px = c.pixels();
    const uint32_t seed = mega ? 77 : 55;
    for (int j = 0; j < w; ++j)
        for (int i = 0; i < w; ++i) {
            const double x = c.at(i), y = c.at(j);
            const double dx = (i + 0.5) / texels - 26, dy = (j + 0.5) / texels - 26, d = std::hypot(dx, dy) / 24.5;
            if (d > 1.0) continue;
            const double n = fbm(x * 0.13, y * 0.13, seed, 4);
            const double heat = std::clamp(1.15 - d * 0.75 + (n - 0.5) * 0.9, 0.0, 1.0);
            Rgb col;
            if (!mega)
                col = heat > 0.66 ? mix(hex(0xFFB030), hex(0xFFFBE0), (heat - 0.66) / 0.34)
                                  : mix(hex(0x7A0E02), hex(0xFFB030), heat / 0.66);
            else
                col = heat > 0.66 ? mix(hex(0xB070FF), hex(0xF4F0FF), (heat - 0.66) / 0.34)
                                  : mix(hex(0x20064A), hex(0xB070FF), heat / 0.66);
            const double edge = std::clamp((1.0 - d) * 24.5 * texels, 0.0, 1.0);
            const uint32_t a = uint32_t(edge * 255);
            auto ch = [&](double v) { return uint32_t(std::clamp(v * edge * 255, 0.0, 255.0)); };
            px[j * st + i] = (a << 24) | (ch(col.r) << 16) | (ch(col.g) << 8) | ch(col.b);
        }
    cairo_surface_mark_dirty(c.surface());
    cairo_t* cr = c.cr();
    if (mega) {
        // Mega: a crackling ring marks the stronger ball.
        cairo_set_line_width(cr, 1.6);
        cairo_set_source_rgba(cr, 0.95, 0.9, 1.0, 0.9);
        for (int k = 0; k < 6; ++k) {
            const double a = k * M_PI / 3 + 0.3;
            cairo_move_to(cr, 26 + 8 * std::cos(a), 26 + 8 * std::sin(a));
            cairo_line_to(cr, 26 + 15 * std::cos(a + 0.25), 26 + 15 * std::sin(a + 0.25));
            cairo_line_to(cr, 26 + 22 * std::cos(a - 0.1), 26 + 22 * std::sin(a - 0.1));
        }
        cairo_stroke(cr);
    }
    cairo_pattern_t* g = cairo_pattern_create_radial(19, 16, 1, 19, 16, 12);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.7);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 19, 16, 12, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    c.savePack(mega ? "balls//ball_fireball_mega" : "balls//ball_fireball");
}

// Glows are centred on the ball: a soft halo with a brighter ring just
// outside the ball's edge, spun slowly by the game.
void glowPicture(const std::string& name, int size, Rgb col, double ringR, int rays) {
    Canvas c(size, size);
    cairo_t* cr = c.cr();
    const double m = size / 2.0;
    cairo_pattern_t* g = cairo_pattern_create_radial(m, m, 0, m, m, m);
    cairo_pattern_add_color_stop_rgba(g, 0, col.r, col.g, col.b, 0.0);
    cairo_pattern_add_color_stop_rgba(g, ringR / m * 0.8, col.r, col.g, col.b, 0.25);
    cairo_pattern_add_color_stop_rgba(g, ringR / m, col.r, col.g, col.b, 0.85);
    cairo_pattern_add_color_stop_rgba(g, std::min(0.99, ringR / m + 0.12), col.r, col.g, col.b, 0.3);
    cairo_pattern_add_color_stop_rgba(g, 1, col.r, col.g, col.b, 0.0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    if (rays > 0) {
        Canvas r(size, size);
        cairo_t* k = r.cr();
        for (int i = 0; i < rays; ++i) {
            const double a = 2 * M_PI * i / rays;
            cairo_move_to(k, m + ringR * 0.9 * std::cos(a - 0.12), m + ringR * 0.9 * std::sin(a - 0.12));
            cairo_line_to(k, m + (m - 2) * std::cos(a), m + (m - 2) * std::sin(a));
            cairo_line_to(k, m + ringR * 0.9 * std::cos(a + 0.12), m + ringR * 0.9 * std::sin(a + 0.12));
            cairo_close_path(k);
        }
        setColour(k, col, 0.55);
        cairo_fill(k);
        blur(r, 2.5);
        cairo_set_source_surface(cr, r.surface(), 0, 0);
        cairo_paint(cr);
    }
    c.savePack("balls//ball_" + name);
}

void shadow() {
    Canvas c(64, 64);
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_translate(cr, 36, 38);
    cairo_scale(cr, 1.0, 0.9);
    cairo_pattern_t* g = cairo_pattern_create_radial(0, 0, 10, 0, 0, 28);
    cairo_pattern_add_color_stop_rgba(g, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 0, 0, 28, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
    c.savePack("balls//ball_shadow");
}

// Crystals turn in 9 frames: the facets' light moves across and a sparkle
// flares on the middle frames.
void prism(const std::string& suffix, Rgb col, int cut) {
    constexpr int kW = 34, kH = 44, kFrames = 9;
    Canvas c(kW * kFrames, kH);
    cairo_t* cr = c.cr();
    for (int f = 0; f < kFrames; ++f) {
        cairo_save(cr);
        cairo_translate(cr, f * kW + kW / 2.0, kH / 2.0);
        const double phase = 2 * M_PI * f / kFrames;
        const int facets = cut == 1 ? 8 : 6;
        const double rx = cut == 3 ? 11.0 : 14.0, ry = cut == 3 ? 19.0 : 16.0;
        // Facets as vertical slices whose width follows the turn.
        for (int k = 0; k < facets; ++k) {
            const double a0 = phase / facets * 2 + 2 * M_PI * k / facets, a1 = a0 + 2 * M_PI / facets;
            const double x0 = rx * std::sin(a0), x1 = rx * std::sin(a1);
            if (std::cos((a0 + a1) / 2) < 0) continue;  // back facet
            const double light = 0.55 + 0.45 * std::cos((a0 + a1) / 2 - 0.6);
            cairo_move_to(cr, 0, -ry - 2);
            cairo_line_to(cr, x0, -ry * 0.45);
            cairo_line_to(cr, x0, ry * 0.45);
            cairo_line_to(cr, 0, ry + 2);
            cairo_line_to(cr, x1, ry * 0.45);
            cairo_line_to(cr, x1, -ry * 0.45);
            cairo_close_path(cr);
            setColour(cr, mix(scale(col, 0.45), mix(col, hex(0xFFFFFF), 0.45), light * light), 0.97);
            cairo_fill_preserve(cr);
            setColour(cr, scale(col, 0.3), 0.9);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
        }
        cairo_move_to(cr, 0, -ry - 2);
        cairo_line_to(cr, -rx, -ry * 0.45);
        cairo_line_to(cr, -rx, ry * 0.45);
        cairo_line_to(cr, 0, ry + 2);
        cairo_line_to(cr, rx, ry * 0.45);
        cairo_line_to(cr, rx, -ry * 0.45);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.1, 0.05, 0.05, 0.9);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        const double sp = std::max(0.0, std::sin(phase));
        if (sp > 0.2) {
            star(cr, -4 + 8 * std::cos(phase), -7, 3 + 8 * sp, 0.18, 4, 0);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }
    c.savePack("balls//prizm" + suffix, kFrames, 15);
}
}  // namespace

Rgb ballColour(int type) { return kTints[type & 7]; }

void drawSphere(cairo_t* cr, double cx, double cy, double r, Rgb base, double alpha) {
    cairo_save(cr);
    const Rgb dark = scale(base, 0.35), light = mix(base, hex(0xFFFFFF), 0.35);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.35, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(g, 0, light.r, light.g, light.b, alpha);
    cairo_pattern_add_color_stop_rgba(g, 0.55, base.r, base.g, base.b, alpha);
    cairo_pattern_add_color_stop_rgba(g, 1, dark.r, dark.g, dark.b, alpha);
    cairo_set_source(cr, g);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Reflected light along the lower rim.
    cairo_pattern_t* rim = cairo_pattern_create_radial(cx + r * 0.2, cy + r * 0.25, r * 0.6, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(rim, 0, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(rim, 0.85, light.r, light.g, light.b, 0);
    cairo_pattern_add_color_stop_rgba(rim, 1, light.r, light.g, light.b, 0.5 * alpha);
    cairo_set_source(cr, rim);
    cairo_arc(cr, cx, cy, r, 0.1 * M_PI, 0.9 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    // Specular spot.
    cairo_save(cr);
    cairo_translate(cr, cx - r * 0.34, cy - r * 0.44);
    cairo_rotate(cr, -0.6);
    cairo_scale(cr, 1.0, 0.6);
    cairo_pattern_t* s = cairo_pattern_create_radial(0, 0, 0, 0, 0, r * 0.38);
    cairo_pattern_add_color_stop_rgba(s, 0, 1, 1, 1, 0.95 * alpha);
    cairo_pattern_add_color_stop_rgba(s, 1, 1, 1, 1, 0);
    cairo_set_source(cr, s);
    cairo_arc(cr, 0, 0, r * 0.38, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(s);
    cairo_restore(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, dark.r * 0.5, dark.g * 0.5, dark.b * 0.5, 0.9 * alpha);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void ballSymbolPath(cairo_t* cr, int type, double cx, double cy, double r) {
    switch (type & 7) {
    case 0:  // diamond
        cairo_move_to(cr, cx, cy - r);
        cairo_line_to(cr, cx + r * 0.75, cy);
        cairo_line_to(cr, cx, cy + r);
        cairo_line_to(cr, cx - r * 0.75, cy);
        cairo_close_path(cr);
        break;
    case 1:  // ring
        cairo_arc(cr, cx, cy, r * 0.85, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, cx, cy, r * 0.45, 2 * M_PI, 0);
        break;
    case 2:  // triangle
        cairo_move_to(cr, cx, cy - r);
        cairo_line_to(cr, cx + r * 0.95, cy + r * 0.7);
        cairo_line_to(cr, cx - r * 0.95, cy + r * 0.7);
        cairo_close_path(cr);
        break;
    case 3:  // star
        star(cr, cx, cy, r, 0.45, 5, 0);
        break;
    case 4: {  // cross
        const double a = r * 0.9, h = r * 0.32;
        cairo_move_to(cr, cx - h, cy - a);
        cairo_line_to(cr, cx + h, cy - a);
        cairo_line_to(cr, cx + h, cy - h);
        cairo_line_to(cr, cx + a, cy - h);
        cairo_line_to(cr, cx + a, cy + h);
        cairo_line_to(cr, cx + h, cy + h);
        cairo_line_to(cr, cx + h, cy + a);
        cairo_line_to(cr, cx - h, cy + a);
        cairo_line_to(cr, cx - h, cy + h);
        cairo_line_to(cr, cx - a, cy + h);
        cairo_line_to(cr, cx - a, cy - h);
        cairo_line_to(cr, cx - h, cy - h);
        cairo_close_path(cr);
        break;
    }
    case 5:  // heart
        cairo_move_to(cr, cx, cy + r * 0.9);
        cairo_curve_to(cr, cx - r * 1.3, cy - r * 0.1, cx - r * 0.6, cy - r * 1.2, cx, cy - r * 0.4);
        cairo_curve_to(cr, cx + r * 0.6, cy - r * 1.2, cx + r * 1.3, cy - r * 0.1, cx, cy + r * 0.9);
        cairo_close_path(cr);
        break;
    case 6:  // square
        cairo_rectangle(cr, cx - r * 0.7, cy - r * 0.7, r * 1.4, r * 1.4);
        break;
    default:  // crescent
        cairo_arc(cr, cx, cy, r * 0.9, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, cx + r * 0.4, cy - r * 0.25, r * 0.7, 2 * M_PI, 0);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        break;
    }
}

void addBallJobs(Jobs& jobs) {
    jobs.push_back([] {
        for (int i = 0; i < 8; ++i) ballPicture(i);
        for (int i = 0; i < 3; ++i) freeBall(i);
    });
    jobs.push_back([] { bonusBall(); });
    jobs.push_back([] {
        fireball(false);
        fireball(true);
        glowPicture("glow", 84, hex(0xBFF4FF), 28, 0);
        glowPicture("free0_glow", 90, hex(0xFFD6FF), 29, 8);
        glowPicture("free1_glow", 90, hex(0xFFF2C8), 29, 8);
        glowPicture("free2_glow", 90, hex(0xC8ECFF), 29, 0);
        glowPicture("fireball_glow", 100, hex(0xFF9A30), 28, 12);
        glowPicture("fireball_mega_glow", 120, hex(0xB27CFF), 28, 16);
        shadow();
    });
    jobs.push_back([] {
        prism("_red", hex(0xE0102A), 1);
        prism("2_white", hex(0xC8E4FF), 2);
        prism("3_brown", hex(0xC07020), 3);
        prism("3_green", hex(0x10C050), 3);
        prism("3_red", hex(0xF02040), 3);
        prism("3_white", hex(0xD8ECFF), 3);
    });
}

}  // namespace pg
