// The screens around the game: logos, title gates and loading bar, the
// main-menu backdrop and foreground, pause, help, credits, and the icon.
#include <cmath>
#include <stdexcept>

#include "gen.h"

namespace pg {

void paintBackground(Canvas& c, int b);  // scenery.cpp

namespace {
const Rgb kGold = hex(0xFFD890), kBronze = hex(0xB07A30), kBronzeDark = hex(0x3A2008);

Lettering textStyle(double size) {
    Lettering st;
    st.face = Face::SansBold;
    st.size = size;
    st.top = hex(0xFFF6D8);
    st.bottom = hex(0xE8D4A0);
    st.outlineWidth = 2;
    return st;
}

void leftText(Canvas& c, const std::string& s, double x, double y, const Lettering& st, double maxWidth = 0) {
    selectFace(c.cr(), st.face, st.size);
    const double w = textWidth(c.cr(), s);
    letter(c, s, x + (maxWidth > 0 ? std::min(w, maxWidth) : w) / 2, y, st, maxWidth);
}

// A magnet with balls clinging to it: the game's emblem.
void emblem(Canvas& c, const Shape& s, double cx, double cy, double unitPx) {
    drawMagnet(c, s, cx, cy, unitPx, 4242);
    const double r = 0.39 * unitPx;
    for (int i = 0; i < 7; ++i) {
        const double a = -M_PI / 2 + i * 2 * M_PI / 7 + 0.3;
        const double d = 1.25 * unitPx + r * 0.6;
        drawSphere(c.cr(), cx + d * std::cos(a), cy + d * std::sin(a), r, ballColour(i));
    }
}

void logo1() {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_radial(400, 260, 20, 400, 300, 520);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.16, 0.1, 0.07);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.02, 0.01, 0.01);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    // A candle flame over an anvil-shaped "B" plinth.
    glow(c, [](cairo_t* k) {
        cairo_arc(k, 400, 200, 40, 0, 2 * M_PI);
        cairo_fill(k);
    }, hex(0xFFA040), 45, 1.2);
    cairo_move_to(cr, 400, 140);
    cairo_curve_to(cr, 430, 190, 425, 230, 400, 236);
    cairo_curve_to(cr, 375, 230, 370, 190, 400, 140);
    cairo_pattern_t* f = cairo_pattern_create_linear(0, 140, 0, 236);
    cairo_pattern_add_color_stop_rgb(f, 0, 1, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgb(f, 1, 1, 0.55, 0.1);
    cairo_set_source(cr, f);
    cairo_fill(cr);
    cairo_pattern_destroy(f);
    cairo_rectangle(cr, 396, 232, 8, 18);
    cairo_set_source_rgb(cr, 0.15, 0.1, 0.08);
    cairo_fill(cr);
    roundedRect(cr, 340, 248, 120, 70, 10);
    cairo_set_source_rgb(cr, 0.85, 0.8, 0.7);
    cairo_fill(cr);
    Lettering b;
    b.size = 60;
    b.top = hex(0x4A2A10);
    b.bottom = hex(0x2A1408);
    b.outlineWidth = 0;
    letter(c, "B", 400, 284, b);
    Lettering t;
    t.size = 64;
    t.glowRadius = 10;
    letter(c, "Brandwick", 400, 388, t);
    Lettering p = textStyle(22);
    letter(c, tr("presents"), 400, 446, p, 700);
    c.savePack("_logo1");
}

void logo2(const ShapeSet& shapes) {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    cairo_pattern_t* g = cairo_pattern_create_radial(400, 250, 20, 400, 300, 520);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.1, 0.12, 0.22);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.01, 0.01, 0.04);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    if (!shapes.magnets.empty()) emblem(c, shapes.magnets.begin()->second, 400, 230, 80);
    Lettering t;
    t.size = 58;
    t.glowRadius = 10;
    letter(c, "The Vellmoor", 400, 430, t);
    Lettering s = t;
    s.size = 34;
    letter(c, "of Quorrin", 400, 490, s);
    c.savePack("_logo2");
}

void titleGate() {
    // Left door of the title (342 x 450 at (58, 150)); the right one is the
    // mirror image.
    Canvas c(342, 450);
    cairo_t* cr = c.cr();
    Rng rng(61);
    for (int k = 0; k < 9; ++k) {
        const double x = k * 38;
        cairo_rectangle(cr, x, 0, 38, 450);
        const double v = rng.uniform(0.85, 1.1);
        cairo_set_source_rgb(cr, 0.36 * v, 0.22 * v, 0.12 * v);
        cairo_fill(cr);
        cairo_move_to(cr, x + 0.5, 0);
        cairo_line_to(cr, x + 0.5, 450);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    grain(c, 62, 0.03, 0.3);
    for (double y : {40.0, 225.0, 400.0}) {
        cairo_rectangle(cr, 0, y - 14, 342, 28);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, y - 14, 0, y + 14);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.6, 0.62, 0.68);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.18, 0.19, 0.22);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        for (double x = 14; x < 342; x += 40) {
            cairo_arc(cr, x, y, 4, 0, 2 * M_PI);
            cairo_set_source_rgb(cr, 0.8, 0.82, 0.86);
            cairo_fill(cr);
        }
    }
    // Half of a ring handle on the meeting edge.
    cairo_arc(cr, 342, 260, 30, M_PI * 0.5, M_PI * 1.5);
    cairo_set_source_rgb(cr, 0.85, 0.65, 0.25);
    cairo_set_line_width(cr, 7);
    cairo_stroke(cr);
    c.savePack("title_gate_left");
}

void loadBar() {
    // At (226, 551); coins appear at (245 + 9 k, 566) for k = 0..34.
    Canvas c(348, 32);
    cairo_t* cr = c.cr();
    roundedRect(cr, 2, 2, 344, 28, 12);
    cairo_set_source_rgb(cr, 0.2, 0.12, 0.07);
    cairo_fill_preserve(cr);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 4);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    roundedRect(cr, 16, 12, 318, 16, 6);
    cairo_set_source_rgb(cr, 0.04, 0.03, 0.03);
    cairo_fill(cr);
    c.savePack("load_bar");
    Canvas coin(10, 12);
    cairo_t* k = coin.cr();
    roundedRect(k, 0.5, 0.5, 9, 11, 3);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 10, 12);
    cairo_pattern_add_color_stop_rgb(g, 0, 1, 0.95, 0.6);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.75, 0.45, 0.05);
    cairo_set_source(k, g);
    cairo_fill_preserve(k);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(k, 0.4, 0.22, 0.02);
    cairo_set_line_width(k, 1);
    cairo_stroke(k);
    coin.savePack("coin");
}

void menuBackdrop() {
    Canvas c(800, 600);
    paintBackground(c, 11);
    cairo_t* cr = c.cr();
    cairo_set_source_rgba(cr, 0.02, 0.02, 0.05, 0.35);
    cairo_paint(cr);
    // Every screen over this backdrop lights its two torches here.
    torchSconce(cr, 50, 160);
    torchSconce(cr, 750, 160);
    c.savePack("_mm_bkg");
}

void menuForeground() {
    // Pillars with torch brackets (the torches burn at (50, 160) and
    // (750, 160)); the middle stays clear for the menu.
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    for (int side = 0; side < 2; ++side) {
        cairo_save(cr);
        if (side) {
            cairo_translate(cr, 800, 0);
            cairo_scale(cr, -1, 1);
        }
        cairo_rectangle(cr, 0, 0, 96, 600);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 96, 0);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.1, 0.09, 0.1);
        cairo_pattern_add_color_stop_rgb(g, 0.6, 0.42, 0.38, 0.36);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.16, 0.14, 0.14);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        for (int y = 0; y < 600; y += 48) {
            cairo_move_to(cr, 0, y);
            cairo_line_to(cr, 96, y);
        }
        cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        // Bracket under the torch.
        cairo_move_to(cr, 36, 168);
        cairo_line_to(cr, 64, 168);
        cairo_line_to(cr, 56, 196);
        cairo_line_to(cr, 44, 196);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.3, 0.2, 0.1);
        cairo_fill(cr);
        cairo_rectangle(cr, 46, 196, 8, 40);
        cairo_set_source_rgb(cr, 0.2, 0.18, 0.16);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    grain(c, 71, 0.05, 0.2);
    // Title under the buttons, clear of the change-player link at (10, 565).
    Lettering t;
    t.size = 30;
    t.glowRadius = 6;
    letter(c, "The Vellmoor of Quorrin", 505, 572, t);
    c.savePack("_mm_bkg_foreground");
}

void pausePlate() {
    Canvas c(420, 180);
    cairo_t* cr = c.cr();
    roundedRect(cr, 6, 6, 408, 168, 20);
    cairo_set_source_rgba(cr, 0.12, 0.07, 0.05, 0.94);
    cairo_fill_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    Lettering t;
    t.size = 52;
    t.glowRadius = 8;
    letter(c, tr("Paused"), 210, 74, t, 390);
    letter(c, tr("Click to continue"), 210, 134, textStyle(20), 390);
    c.savePack("_pause");
}

void helpPage(const ShapeSet& shapes) {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    roundedRect(cr, 16, 14, 768, 496, 20);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 510);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.95, 0.88, 0.7);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.74, 0.52);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
    grain(c, 81, 0.03, 0.12);
    Lettering title;
    title.size = 34;
    title.glowRadius = 3;
    letter(c, tr("How to play"), 400, 44, title, 700);
    Lettering body;
    body.face = Face::Sans;
    body.size = 13;  // nine topics share the page
    body.top = hex(0x2A1808);
    body.bottom = hex(0x2A1808);
    body.outlineWidth = 0;
    Lettering head = body;
    head.face = Face::SansBold;
    head.size = 14;
    head.top = head.bottom = hex(0x6A1A08);
    // Each topic is one sentence or two for the translators, wrapped here
    // into the two lines it has room for, smaller if it must.
    struct Item {
        const char* head;
        const char* text;
    };
    constexpr int kTopics = 9;
    const Item items[kTopics] = {
        {N_("Shooting"), N_("Move the mouse to slide the cannon; click to fire a ball straight up at the spinning magnet.")},
        {N_("Charging"), N_("Hold the left button to charge a faster shot. Hold it too long and the cannon overcharges and drops the shot.")},
        {N_("Swapping"), N_("Click the right button to swap the loaded ball with the next one, shown in the cannon's windows.")},
        {N_("Groups"), N_("Three or more touching balls of one colour explode. Clear every coloured ball to open the gate.")},
        {N_("Bonuses"), N_("The gold bonus ball matches any colour and sets off the level's bonus: bomb, ink, rocket, lightning and more.")},
        {N_("Crystals"), N_("Big groups drop crystals: catch them with the cannon for 1000 points each.")},
        {N_("Heat"), N_("Rapid fire heats the cannon and slows it down. Pause a moment and it cools again.")},
        {N_("Controller"), N_("Stick or d-pad: slide the cannon. A or right trigger: charge and shoot. B or X: swap. Start: menu. Elsewhere the d-pad picks, A clicks, B goes back.")},
        {N_("Keyboard"), N_("Arrows or A and D: slide the cannon. Space: charge and shoot. Ctrl or S: swap. Esc: menu. Elsewhere the arrows pick and Enter clicks.")},
    };
    constexpr double kTopicWidth = 425;  // the topics end where the emblem on the right begins
    for (int i = 0; i < kTopics; ++i) {
        const double y = 78 + i * 47;
        leftText(c, tr(items[i].head), 130, y, head, kTopicWidth);
        Lettering fitted = body;
        std::vector<std::string> lines;
        for (;; fitted.size *= 0.95) {
            selectFace(cr, fitted.face, fitted.size);
            lines = wrapText(cr, tr(items[i].text), kTopicWidth);
            if (lines.size() <= 2 || fitted.size < 8) break;
        }
        noteFit(items[i].text, fitted.size < body.size ? body.size / fitted.size : 1.0);
        for (size_t k = 0; k < lines.size() && k < 2; ++k)
            leftText(c, lines[k], 130, y + 17 + 15 * double(k), fitted, kTopicWidth);
        // A small picture for each topic.
        const double ix = 76, iy = y + 18;
        switch (i) {
        case 0:
        case 1:
        case 2:
            drawSphere(cr, ix, iy, 16, ballColour(i));
            break;
        case 3:
            for (int k = 0; k < 3; ++k) drawSphere(cr, ix - 16 + k * 16, iy + (k == 1 ? -6 : 6), 9, ballColour(2));
            break;
        case 4:
            drawSphere(cr, ix, iy, 16, hex(0xF2C14E));
            break;
        case 5:
            cairo_move_to(cr, ix, iy - 18);
            cairo_line_to(cr, ix + 12, iy - 6);
            cairo_line_to(cr, ix + 12, iy + 6);
            cairo_line_to(cr, ix, iy + 18);
            cairo_line_to(cr, ix - 12, iy + 6);
            cairo_line_to(cr, ix - 12, iy - 6);
            cairo_close_path(cr);
            cairo_set_source_rgb(cr, 0.3, 0.8, 0.5);
            cairo_fill_preserve(cr);
            cairo_set_source_rgb(cr, 0.1, 0.3, 0.2);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            break;
        case 7:
            // A pad: its body, a cross on the left, two buttons on the right.
            roundedRect(cr, ix - 20, iy - 11, 40, 22, 10);
            cairo_set_source_rgb(cr, 0.25, 0.22, 0.28);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.85, 0.82, 0.75);
            cairo_rectangle(cr, ix - 15, iy - 2, 10, 4);
            cairo_rectangle(cr, ix - 12, iy - 5, 4, 10);
            cairo_fill(cr);
            drawSphere(cr, ix + 8, iy + 3, 3, ballColour(1));
            drawSphere(cr, ix + 13, iy - 3, 3, ballColour(0));
            break;
        case 8:
            // Keys: two rows of caps and a space bar.
            for (int row = 0; row < 2; ++row)
                for (int k = 0; k < 4; ++k) {
                    roundedRect(cr, ix - 19 + k * 10, iy - 13 + row * 9, 8, 7, 2);
                    setColour(cr, kBronzeDark);
                    cairo_fill(cr);
                }
            roundedRect(cr, ix - 12, iy + 5, 24, 7, 2);
            cairo_fill(cr);
            break;
        default: {
            cairo_pattern_t* h = cairo_pattern_create_radial(ix, iy, 2, ix, iy, 20);
            cairo_pattern_add_color_stop_rgba(h, 0, 1, 0.8, 0.2, 1);
            cairo_pattern_add_color_stop_rgba(h, 1, 0.9, 0.2, 0.0, 0);
            cairo_set_source(cr, h);
            cairo_arc(cr, ix, iy, 20, 0, 2 * M_PI);
            cairo_fill(cr);
            cairo_pattern_destroy(h);
        }
        }
    }
    // The field in miniature on the right: a magnet with balls clinging to it.
    if (!shapes.magnets.empty()) emblem(c, shapes.magnets.begin()->second, 668, 250, 44);
    Lettering cap = head;
    cap.size = 14;
    letter(c, tr("Clear the magnet"), 668, 392, cap, 220);
    letter(c, tr("of every ball!"), 668, 412, cap, 220);
    c.savePack("_help");
}

void creditsPlate() {
    Canvas c(520, 460);
    cairo_t* cr = c.cr();
    roundedRect(cr, 6, 6, 508, 448, 20);
    cairo_set_source_rgba(cr, 0.12, 0.07, 0.05, 0.95);
    cairo_fill_preserve(cr);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 8);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    Lettering t;
    t.size = 36;
    t.glowRadius = 6;
    letter(c, tr("Credits"), 260, 44, t, 480);
    Lettering h = textStyle(18);
    h.top = hex(0xFFD070);
    h.bottom = hex(0xE09030);
    const Lettering b = textStyle(15);
    const char* lines[][2] = {
        {"The Vellmoor of Quorrin", nullptr},
        {N_("Made by the Brandwick team"), nullptr},
        {N_("Design, code, pictures and sounds"), nullptr},
        {"Brandwick", nullptr},
        {N_("Built with"), nullptr},
        {"SDL2, OpenGL, libepoxy, ODE", nullptr},
        {"SDL2_mixer, libopenmpt, Cairo", nullptr},
        {"DejaVu fonts, GoogleTest", nullptr},
        {N_("Thank you for playing!"), nullptr},
    };
    const double ys[9] = {100, 130, 178, 204, 252, 278, 302, 326, 394};
    const bool heads[9] = {true, false, true, false, true, false, false, false, true};
    for (int i = 0; i < 9; ++i) letter(c, tr(lines[i][0]), 260, ys[i], heads[i] ? h : b, 480);
    c.savePack("credits_plate");
}

// The desktop icon: the magnet with six balls around it. Every size is drawn
// from the same outline at its own scale, so small icons stay sharp; 128 is
// the size the composition was made at.
void icon(const ShapeSet& shapes, int size, const std::string& path) {
    Canvas c(size, size);
    const double k = size / 128.0;
    // At 32 pixels and below six balls shrink to specks: one ball, large,
    // on a cog that fills the icon reads better.
    if (size <= 32 && !shapes.magnets.empty()) {
        drawMagnet(c, shapes.magnets.begin()->second, 64 * k, 64 * k, 58 * k, 4242);
        cairo_t* cr = c.cr();
        cairo_save(cr);
        cairo_scale(cr, k, k);
        drawSphere(cr, 64, 64, 34, ballColour(0));
        cairo_restore(cr);
    } else if (!shapes.magnets.empty()) {
        drawMagnet(c, shapes.magnets.begin()->second, 64 * k, 64 * k, 40 * k, 4242);
        cairo_t* cr = c.cr();
        cairo_save(cr);
        cairo_scale(cr, k, k);
        for (int i = 0; i < 6; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 3 + 0.5;
            drawSphere(cr, 64 + 50 * std::cos(a), 64 + 50 * std::sin(a), 12, ballColour(i));
        }
        cairo_restore(cr);
    }
    cairo_surface_flush(c.surface());
    if (cairo_surface_write_to_png(c.surface(), path.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + path);
}
}  // namespace

void addScreenWordJobs(Jobs& jobs, const ShapeSet& shapes) {
    jobs.push_back([] { logo1(); });
    jobs.push_back([] {
        pausePlate();
        creditsPlate();
    });
    jobs.push_back([&shapes] { helpPage(shapes); });
}

void addScreenJobs(Jobs& jobs, const ShapeSet& shapes) {
    addScreenWordJobs(jobs, shapes);
    jobs.push_back([&shapes] { logo2(shapes); });
    jobs.push_back([] {
        titleGate();
        loadBar();
    });
    jobs.push_back([] { menuBackdrop(); });
    jobs.push_back([] { menuForeground(); });
}

void addIconJobs(Jobs& jobs, const ShapeSet& shapes, const std::string& iconDir, const std::vector<int>& sizes) {
    for (int size : sizes)
        jobs.push_back([&shapes, iconDir, size] {
            icon(shapes, size, iconDir + "/vellmoor-" + std::to_string(size) + ".png");
        });
}

}  // namespace pg
