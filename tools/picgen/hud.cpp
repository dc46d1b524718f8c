// Heads-up display: the top panel with the time-bar window, the bonus
// plates, the tutorial arrows, the level-number digits, and the cursor.
//
// Layout of the panel (800 x 44): score right-aligned at x 113, lives
// caption centred at 190 and lives right-aligned at 250, level name at 390
// and level number at 567 (all within y 1..27); the time bar's window is
// 538 x 9 at (131, 27); the small menu, minimise and exit buttons sit at
// (676, 5), (754, 0) and (776, 0); the bonus frame drops to (736, 41).
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
constexpr int kPanelH = 44, kBarX = 131, kBarY = 27, kBarW = 538, kBarH = 9;

const Rgb kWood = hex(0x3A2416), kBronze = hex(0xB07A30), kBronzeLight = hex(0xFFD890), kBronzeDark = hex(0x4A2C0C);

void bronzeStroke(cairo_t* cr, double w) {
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, w + 2);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, w);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronzeLight, 0.6);
    cairo_set_line_width(cr, w * 0.35);
    cairo_stroke(cr);
}

void inset(cairo_t* cr, double x, double y, double w, double h) {
    roundedRect(cr, x, y, w, h, 6);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.02, 0.02, 0.04, 0.9);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.1, 0.07, 0.06, 0.9);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    bronzeStroke(cr, 1.5);
}

void panel() {
    Canvas c(800, kPanelH);
    cairo_t* cr = c.cr();
    // Carved wooden beam with a scalloped lower edge.
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, 800, 0);
    cairo_line_to(cr, 800, 38);
    for (int x = 800; x >= 0; x -= 40) cairo_curve_to(cr, x - 10, 44, x - 30, 44, x - 40, 38);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, kPanelH);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.35, 0.23, 0.14);
    cairo_pattern_add_color_stop_rgb(g, 0.5, kWood.r, kWood.g, kWood.b);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.14, 0.08, 0.05);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    grain(c, 31, 0.05, 0.25);
    // Wood streaks.
    Rng rng(3);
    for (int i = 0; i < 30; ++i) {
        const double y = rng.uniform(3, 36), x = rng.uniform(0, 760);
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + 20, y + 1, x + 40, y - 1, x + rng.uniform(40, 120), y);
        cairo_set_source_rgba(cr, 0.1, 0.05, 0.02, 0.35);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, 0, 1);
    cairo_line_to(cr, 800, 1);
    bronzeStroke(cr, 2);
    // Recesses behind the labels.
    inset(cr, 8, 2, 110, 22);    // score
    inset(cr, 140, 2, 116, 22);  // lives
    inset(cr, 280, 2, 380, 22);  // level name and number
    // The time bar's window: a hole the bar shows through, with a rim.
    cairo_rectangle(cr, kBarX - 3, kBarY - 2, kBarW + 6, kBarH + 4);
    bronzeStroke(cr, 2);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, kBarX, kBarY, kBarW, kBarH);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    // Hourglass by the bar and studs.
    const double hx = kBarX - 14, hy = kBarY + 4.5;
    cairo_move_to(cr, hx - 5, hy - 6);
    cairo_line_to(cr, hx + 5, hy - 6);
    cairo_line_to(cr, hx - 5, hy + 6);
    cairo_line_to(cr, hx + 5, hy + 6);
    cairo_close_path(cr);
    setColour(cr, kBronzeLight);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    for (int x : {128, 270, 670, 790})
        if (x != 128) {
            cairo_arc(cr, x, 14, 3, 0, 2 * M_PI);
            setColour(cr, kBronzeLight);
            cairo_fill(cr);
        }
    c.savePack("panel_info");
}

void panelBack() {
    Canvas c(kBarW, kBarH);
    cairo_t* cr = c.cr();
    cairo_set_source_rgb(cr, 0.05, 0.04, 0.06);
    cairo_paint(cr);
    for (int x = 0; x < kBarW; x += 20) {
        cairo_move_to(cr, x + 0.5, 0);
        cairo_line_to(cr, x + 0.5, kBarH);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    c.savePack("panel_info_back");
}

void panelBar() {
    Canvas c(kBarW, kBarH);
    cairo_t* cr = c.cr();
    // Slides left as time runs out; the end that stays visible longest is
    // the left, so it shades from red (left) through gold to green.
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, kBarW, 0);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.9, 0.2, 0.1);
    cairo_pattern_add_color_stop_rgb(g, 0.35, 1.0, 0.75, 0.2);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.3, 0.9, 0.45);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_pattern_t* s = cairo_pattern_create_linear(0, 0, 0, kBarH);
    cairo_pattern_add_color_stop_rgba(s, 0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(s, 0.5, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(s, 1, 0, 0, 0, 0.35);
    cairo_set_source(cr, s);
    cairo_paint(cr);
    cairo_pattern_destroy(s);
    c.savePack("panel_info_bar");
}

void bonusFrame() {
    Canvas c(56, 58);
    cairo_t* cr = c.cr();
    roundedRect(cr, 3, 3, 50, 52, 8);
    bronzeStroke(cr, 5);
    for (auto [x, y] : {std::pair{6.0, 6.0}, {50.0, 6.0}, {6.0, 52.0}, {50.0, 52.0}}) {
        cairo_arc(cr, x, y, 3, 0, 2 * M_PI);
        setColour(cr, kBronzeLight);
        cairo_fill(cr);
    }
    c.savePack("panel_info_bonus_sq");
}

// Icons of the eight bonuses, drawn in a 34 x 38 plate.
void bonusIcon(cairo_t* cr, int b) {
    const double cx = 17, cy = 19;
    auto bolt = [&](double x, double y, double s) {
        cairo_move_to(cr, x + 3 * s, y - 12 * s);
        cairo_line_to(cr, x - 5 * s, y + 1 * s);
        cairo_line_to(cr, x + 0 * s, y + 1 * s);
        cairo_line_to(cr, x - 3 * s, y + 12 * s);
        cairo_line_to(cr, x + 6 * s, y - 2 * s);
        cairo_line_to(cr, x + 1 * s, y - 2 * s);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 1.0, 0.95, 0.4);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.4, 0.25, 0.0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    };
    auto flame = [&](double x, double y, double s, Rgb outer, Rgb inner) {
        for (int k = 0; k < 2; ++k) {
            const double f = k ? 0.55 : 1.0;
            cairo_move_to(cr, x, y - 13 * s * f);
            cairo_curve_to(cr, x + 10 * s * f, y - 2 * s * f, x + 9 * s * f, y + 9 * s * f, x, y + 9 * s * f);
            cairo_curve_to(cr, x - 9 * s * f, y + 9 * s * f, x - 10 * s * f, y - 2 * s * f, x, y - 13 * s * f);
            setColour(cr, k ? inner : outer);
            cairo_fill(cr);
        }
    };
    switch (b) {
    case 0:  // bomb
        drawSphere(cr, cx - 1, cy + 3, 10, hex(0x303438));
        cairo_move_to(cr, cx + 5, cy - 5);
        cairo_curve_to(cr, cx + 8, cy - 10, cx + 11, cy - 9, cx + 12, cy - 13);
        cairo_set_source_rgb(cr, 0.6, 0.45, 0.25);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_arc(cr, cx + 12, cy - 13, 3, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 1, 0.8, 0.2);
        cairo_fill(cr);
        break;
    case 1:  // ink
        cairo_move_to(cr, cx, cy - 13);
        cairo_curve_to(cr, cx + 4, cy - 4, cx + 11, cy + 1, cx + 10, cy + 7);
        cairo_curve_to(cr, cx + 9, cy + 14, cx - 9, cy + 14, cx - 10, cy + 7);
        cairo_curve_to(cr, cx - 11, cy + 1, cx - 4, cy - 4, cx, cy - 13);
        cairo_set_source_rgb(cr, 0.25, 0.1, 0.6);
        cairo_fill(cr);
        cairo_arc(cr, cx - 4, cy + 4, 3, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.6);
        cairo_fill(cr);
        break;
    case 2:  // rocket
        cairo_move_to(cr, cx, cy - 14);
        cairo_curve_to(cr, cx + 6, cy - 8, cx + 6, cy + 2, cx + 5, cy + 7);
        cairo_line_to(cr, cx - 5, cy + 7);
        cairo_curve_to(cr, cx - 6, cy + 2, cx - 6, cy - 8, cx, cy - 14);
        cairo_set_source_rgb(cr, 0.85, 0.85, 0.9);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.3);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_move_to(cr, cx - 5, cy + 2);
        cairo_line_to(cr, cx - 10, cy + 10);
        cairo_line_to(cr, cx - 5, cy + 8);
        cairo_move_to(cr, cx + 5, cy + 2);
        cairo_line_to(cr, cx + 10, cy + 10);
        cairo_line_to(cr, cx + 5, cy + 8);
        cairo_set_source_rgb(cr, 0.85, 0.2, 0.15);
        cairo_fill(cr);
        cairo_arc(cr, cx, cy - 4, 2.5, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.3, 0.6, 1.0);
        cairo_fill(cr);
        flame(cx, cy + 13, 0.35, hex(0xFF8020), hex(0xFFF080));
        break;
    case 3: {  // degauss: a magnet struck through
        cairo_arc(cr, cx, cy, 9, M_PI, 2 * M_PI);
        cairo_line_to(cr, cx + 9, cy + 9);
        cairo_move_to(cr, cx - 9, cy);
        cairo_line_to(cr, cx - 9, cy + 9);
        cairo_set_source_rgb(cr, 0.85, 0.15, 0.15);
        cairo_set_line_width(cr, 6);
        cairo_stroke(cr);
        cairo_rectangle(cr, cx - 12, cy + 5, 6, 5);
        cairo_rectangle(cr, cx + 6, cy + 5, 6, 5);
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.95);
        cairo_fill(cr);
        cairo_move_to(cr, cx - 13, cy + 12);
        cairo_line_to(cr, cx + 13, cy - 12);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
        break;
    }
    case 4:  // fireball
        flame(cx, cy + 1, 1.0, hex(0xE83010), hex(0xFFD040));
        break;
    case 5:  // lightning
        bolt(cx, cy, 1.0);
        break;
    case 6:  // mega lightning: two bolts
        bolt(cx - 5, cy, 0.85);
        bolt(cx + 5, cy, 0.85);
        break;
    default:  // mega fireball: violet flame with a crown of sparks
        flame(cx, cy + 2, 1.05, hex(0x8030E0), hex(0xF0C0FF));
        for (int k = 0; k < 5; ++k) {
            const double a = -M_PI / 2 + (k - 2) * 0.5;
            cairo_arc(cr, cx + 14 * std::cos(a), cy + 2 + 14 * std::sin(a), 1.6, 0, 2 * M_PI);
            cairo_set_source_rgb(cr, 1, 0.9, 1);
            cairo_fill(cr);
        }
        break;
    }
}

void bonusPlate(int b) {
    {
        Canvas c(34, 38);
        cairo_t* cr = c.cr();
        roundedRect(cr, 1, 1, 32, 36, 6);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 38);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.32, 0.22, 0.14);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.12, 0.07, 0.04);
        cairo_set_source(cr, g);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(g);
        setColour(cr, kBronze);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        bonusIcon(cr, b);
        c.savePack("bonusplates//bonus_plate_" + std::to_string(b));
    }
    {
        // Flashing glow laid over the plate at the same place.
        Canvas c(34, 38);
        glow(c, [b](cairo_t* k) {
            roundedRect(k, 4, 4, 26, 30, 6);
            cairo_set_line_width(k, 3);
            cairo_stroke(k);
            (void)b;
        }, hex(0xFFE070), 3, 1.6);
        // The icon's silhouette lit up in pale gold.
        Canvas icon(34, 38);
        bonusIcon(icon.cr(), b);
        blur(icon, 1.5);
        cairo_set_source_rgba(c.cr(), 1.0, 0.95, 0.7, 0.75);
        cairo_mask_surface(c.cr(), icon.surface(), 0, 0);
        c.savePack("bonusplates//bonus_plate_glow_" + std::to_string(b));
    }
}

void arrow(const std::string& name, double w, double h) {
    Canvas c{int(w), int(h)};
    cairo_t* cr = c.cr();
    // Points down at the thing it marks.
    auto path = [&](cairo_t* k) {
        cairo_move_to(k, w * 0.5, h - 3);
        cairo_line_to(k, w - 3, h * 0.5);
        cairo_line_to(k, w * 0.68, h * 0.5);
        cairo_line_to(k, w * 0.68, 3);
        cairo_line_to(k, w * 0.32, 3);
        cairo_line_to(k, w * 0.32, h * 0.5);
        cairo_line_to(k, 3, h * 0.5);
        cairo_close_path(k);
    };
    glow(c, [&](cairo_t* k) {
        path(k);
        cairo_fill(k);
    }, hex(0xFFE070), 3, 1.0);
    path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.95, 0.6);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.95, 0.55, 0.1);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 0.35, 0.18, 0.02);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    c.savePack(name);
}

void levelDigits() {
    constexpr int kW = 40, kH = 56;
    Canvas c(kW * 10, kH);
    Lettering st;
    st.size = 46;
    st.glowRadius = 5;
    st.outlineWidth = 3;
    for (int d = 0; d < 10; ++d) letter(c, std::to_string(d), d * kW + kW / 2.0, kH / 2.0, st);
    c.savePack("level_no", 10, 15);
    Canvas line(26, kH);
    cairo_t* cr = line.cr();
    roundedRect(cr, 4, kH / 2.0 - 4, 18, 8, 3);
    cairo_set_source_rgb(cr, 1.0, 0.85, 0.4);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.16, 0.08, 0.03);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    line.savePack("level_line");
}

void cursor() {
    // Tip at (10, 5): the game draws the picture 10 left and 5 above the mouse.
    Canvas c(40, 40);
    cairo_t* cr = c.cr();
    auto path = [](cairo_t* k) {
        cairo_move_to(k, 10, 5);
        cairo_line_to(k, 30, 25);
        cairo_line_to(k, 21, 26);
        cairo_line_to(k, 26, 36);
        cairo_line_to(k, 21, 38);
        cairo_line_to(k, 16, 28);
        cairo_line_to(k, 10, 33);
        cairo_close_path(k);
    };
    Canvas sh(40, 40);
    cairo_translate(sh.cr(), 2, 2);
    path(sh.cr());
    cairo_set_source_rgba(sh.cr(), 0, 0, 0, 0.5);
    cairo_fill(sh.cr());
    blur(sh, 2);
    cairo_set_source_surface(cr, sh.surface(), 0, 0);
    cairo_paint(cr);
    path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(10, 5, 26, 36);
    cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.55, 0.15);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 0.25, 0.12, 0.02);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    c.savePack("cursor");
}
}  // namespace

void addHudJobs(Jobs& jobs) {
    jobs.push_back([] {
        panel();
        panelBack();
        panelBar();
        bonusFrame();
        for (int b = 0; b < 8; ++b) bonusPlate(b);
    });
    jobs.push_back([] {
        arrow("arrow", 36, 44);
        arrow("arrowbig", 56, 72);
        levelDigits();
        cursor();
    });
}

}  // namespace pg
