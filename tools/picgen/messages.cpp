// The banners that pop up over the field: level title, results and the
// rating and combo praise. Big gold lettering in the house style; the five
// result banners stand on a ribbon.
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
struct Message {
    const char* name;
    const char* text;
    int kind;  // 0 praise, 1 result on a ribbon, 2 multiplier, 3 combo
};

const Message kMessages[20] = {
    {"level", N_("Level"), 1},         {"leveldone", N_("Level complete!"), 1}, {"stagedone", N_("Stage complete!"), 1},
    {"gameover", N_("Game over"), 1},  {"tryagain", N_("Try again"), 1},        {"good", N_("Good!"), 0},
    {"x3", "x3", 2},               {"x4", "x4", 2},                     {"x5", "x5", 2},
    {"verygood", N_("Very good!"), 0}, {"great", N_("Great!"), 0},              {"x8", "x8", 2},
    {"superior", N_("Superior!"), 0},  {"x10", "x10", 2},                   {"excellent", N_("Excellent!"), 0},
    {"fine", N_("Fine!"), 0},          {"marvelous", N_("Marvelous!"), 0},      {"combo1", N_("Combo!"), 3},
    {"combo2", N_("Super combo!"), 3}, {"combo3", N_("Mega combo!"), 3},
};

void ribbon(cairo_t* cr, double w, double h) {
    // A banner with folded tails.
    const double t = 26;
    cairo_move_to(cr, 0, 14);
    cairo_line_to(cr, t, 14);
    cairo_line_to(cr, t, h - 4);
    cairo_line_to(cr, 0, h - 4);
    cairo_line_to(cr, 12, (h + 10) / 2);
    cairo_close_path(cr);
    cairo_move_to(cr, w, 14);
    cairo_line_to(cr, w - t, 14);
    cairo_line_to(cr, w - t, h - 4);
    cairo_line_to(cr, w, h - 4);
    cairo_line_to(cr, w - 12, (h + 10) / 2);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.45, 0.08, 0.08);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.2, 0.03, 0.03);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    roundedRect(cr, t - 8, 6, w - 2 * t + 16, h - 16, 8);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 6, 0, h - 10);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.85, 0.2, 0.18);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.62, 0.1, 0.1);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.4, 0.05, 0.06);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 1.0, 0.8, 0.4);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
}

void message(const Message& m) {
    Lettering st;
    st.size = m.kind == 2 ? 64 : m.kind == 1 ? 44 : 50;
    st.outlineWidth = 3.5;
    st.glowRadius = 8;
    if (m.kind == 3) {
        st.top = hex(0xE8FFFF);
        st.bottom = hex(0x40B8FF);
        st.outline = hex(0x081838);
        st.glowColour = hex(0x60C0FF);
    } else if (m.kind == 2) {
        st.top = hex(0xFFF0F8);
        st.bottom = hex(0xFF5AA0);
        st.outline = hex(0x3A0818);
        st.glowColour = hex(0xFF70B0);
    }
    // Measure to size the picture.
    Canvas probe(8, 8);
    selectFace(probe.cr(), st.face, st.size);
    cairo_text_extents_t e;
    const std::string text = tr(m.text);
    cairo_text_extents(probe.cr(), text.c_str(), &e);
    const int w = int(e.width) + (m.kind == 1 ? 110 : 40), h = int(e.height) + (m.kind == 1 ? 46 : 34);
    Canvas c(w + (w & 1), h + (h & 1));
    if (m.kind == 1) ribbon(c.cr(), c.width(), c.height());
    letter(c, text, c.width() / 2.0, c.height() / 2.0 + (m.kind == 1 ? -1 : 0), st);
    if (m.kind == 0 || m.kind == 3) {
        // Twinkles around praise.
        cairo_t* cr = c.cr();
        Rng rng(uint32_t(m.text[0]) * 13 + uint32_t(w));
        for (int i = 0; i < 5; ++i) {
            const double x = rng.uniform(8, c.width() - 8), y = rng.uniform(4, 14) + (i % 2) * (c.height() - 20),
                         r = rng.uniform(3, 7);
            cairo_move_to(cr, x - r, y);
            cairo_line_to(cr, x + r, y);
            cairo_move_to(cr, x, y - r);
            cairo_line_to(cr, x, y + r);
            cairo_set_source_rgba(cr, 1, 1, 0.85, 0.9);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
    }
    c.savePack(std::string("messages//msg_") + m.name);
}
}  // namespace

void addMessageJobs(Jobs& jobs) {
    for (int i = 0; i < 20; i += 5)
        jobs.push_back([i] {
            for (int k = i; k < i + 5; ++k) message(kMessages[k]);
        });
}

}  // namespace pg
