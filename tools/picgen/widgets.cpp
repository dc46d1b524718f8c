// Buttons (normal, hover, pressed in a row), the option widgets, frames and
// the plates of the menus and dialogs.
//
// Button sizes come from where the screens put them: the main-menu entries
// sit 70 px apart from y 245, the in-game menu entries 77 px apart at x 296
// (208 wide, centred), the options buttons at plate offsets 39 and 212, the
// small window buttons at (754, 0) and (776, 0), the dialog frame steps its
// edge pieces by 4 px from 42 px corners.
#include <cmath>

#include "frame/language.h"
#include "gen.h"

namespace pg {

namespace {
const Rgb kGold = hex(0xFFD890), kBronze = hex(0xB07A30), kBronzeDark = hex(0x3A2008);

enum class Style { Plate, Link, Small };

void buttonFace(Canvas& c, double ox, double w, double h, int state, Style style) {
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_translate(cr, ox, state == 2 ? 1 : 0);
    if (style == Style::Link) {
        cairo_restore(cr);
        return;
    }
    const double r = style == Style::Small ? 5 : std::min(14.0, h / 3);
    if (state == 1)
        glow(c, [&](cairo_t* k) {
            roundedRect(k, ox + 3, 3, w - 6, h - 6, r);
            cairo_set_line_width(k, 3);
            cairo_stroke(k);
        }, hex(0xFFE080), 3, 1.0);
    roundedRect(cr, 2, 2, w - 4, h - 5, r);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 2, 0, h - 3);
    const double k = state == 1 ? 1.25 : state == 2 ? 0.75 : 1.0;
    cairo_pattern_add_color_stop_rgb(g, 0, 0.42 * k, 0.27 * k, 0.16 * k);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.26 * k, 0.15 * k, 0.09 * k);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.15 * k, 0.08 * k, 0.05 * k);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 3.5);
    cairo_stroke_preserve(cr);
    setColour(cr, state == 1 ? kGold : kBronze);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // Top sheen.
    roundedRect(cr, 6, 5, w - 12, (h - 10) * 0.42, r * 0.7);
    cairo_set_source_rgba(cr, 1, 0.9, 0.7, state == 2 ? 0.04 : 0.1);
    cairo_fill(cr);
    if (style == Style::Plate && w > 100)
        for (double x : {10.0, w - 10}) {
            cairo_arc(cr, x, h / 2.0 - 1, 2.5, 0, 2 * M_PI);
            setColour(cr, kGold);
            cairo_fill(cr);
        }
    cairo_restore(cr);
}

// Three frames side by side: normal, hover, pressed.
void button(const std::string& name, const std::string& label, int w, int h, Style style = Style::Plate,
            double textSize = 0) {
    Canvas c(w * 3, h);
    for (int s = 0; s < 3; ++s) {
        buttonFace(c, s * w, w, h, s, style);
        Lettering st;
        st.size = textSize > 0 ? textSize : std::min(26.0, h * 0.45);
        st.outlineWidth = style == Style::Link ? 2 : 2.5;
        if (style == Style::Link) {
            st.face = Face::SansBold;
            st.top = s == 1 ? hex(0xFFF4C0) : hex(0xF0E0B0);
            st.bottom = s == 1 ? hex(0xFFC040) : hex(0xC8A060);
        } else if (s == 1) {
            st.top = hex(0xFFFFE0);
            st.bottom = hex(0xFFC040);
        } else if (s == 2) {
            st.top = hex(0xD8C080);
            st.bottom = hex(0xA06010);
        }
        letter(c, tr(label), s * w + w / 2.0, h / 2.0 - 1 + (s == 2 ? 1 : 0), st, w - 20);
        if (style == Style::Link && s == 1) {
            cairo_t* cr = c.cr();
            cairo_move_to(cr, s * w + 10, h - 4);
            cairo_line_to(cr, s * w + w - 10, h - 4);
            setColour(cr, hex(0xFFC040));
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
    }
    c.savePack(name, 3, 15);
}

void playSign() {
    // The big sign that slides down at the top of the main menu.
    const int w = 300, h = 96;
    Canvas c(w * 3, h);
    cairo_t* cr = c.cr();
    for (int s = 0; s < 3; ++s) {
        cairo_save(cr);
        cairo_translate(cr, s * w, s == 2 ? 2 : 0);
        // Chains it hangs from.
        for (double x : {40.0, w - 40.0}) {
            for (int k = 0; k < 3; ++k) {
                cairo_save(cr);
                cairo_translate(cr, x, 4 + k * 7);
                cairo_scale(cr, 0.6, 1);
                cairo_arc(cr, 0, 0, 4, 0, 2 * M_PI);
                cairo_restore(cr);
                setColour(cr, hex(0x9AA0A8));
                cairo_set_line_width(cr, 2);
                cairo_stroke(cr);
            }
        }
        cairo_restore(cr);
        Canvas plate(w, h - 22);
        buttonFace(plate, 0, w, h - 22, s, Style::Plate);
        cairo_set_source_surface(cr, plate.surface(), s * w, 22 + (s == 2 ? 1 : 0));
        cairo_paint(cr);
        Lettering st;
        st.size = 46;
        st.glowRadius = s == 1 ? 9 : 5;
        st.outlineWidth = 3;
        if (s == 2) {
            st.top = hex(0xD8C080);
            st.bottom = hex(0xA06010);
        }
        letter(c, tr("Play"), s * w + w / 2.0, 22 + (h - 22) / 2.0, st, w - 40);
    }
    c.savePack("menu//Buttons_MM_Play", 3, 15);
}

void checkBox() {
    Canvas c(72, 36);
    cairo_t* cr = c.cr();
    for (int f = 0; f < 2; ++f) {
        roundedRect(cr, f * 36 + 4, 4, 28, 28, 5);
        cairo_set_source_rgb(cr, 0.08, 0.05, 0.04);
        cairo_fill_preserve(cr);
        setColour(cr, kBronze);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
        if (f == 1) {
            cairo_move_to(cr, 36 + 9, 18);
            cairo_line_to(cr, 36 + 16, 26);
            cairo_line_to(cr, 36 + 30, 6);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_set_source_rgb(cr, 0.1, 0.05, 0.0);
            cairo_set_line_width(cr, 7);
            cairo_stroke_preserve(cr);
            cairo_set_source_rgb(cr, 0.55, 1.0, 0.4);
            cairo_set_line_width(cr, 4);
            cairo_stroke(cr);
        }
    }
    c.savePack("_mo_galochka", 2, 15);
}

void slider() {
    {
        // Knob: normal, grabbed or hovered, and a third (pressed) look.
        Canvas c(24 * 3, 32);
        for (int f = 0; f < 3; ++f) {
            cairo_t* cr = c.cr();
            roundedRect(cr, f * 24 + 3, 2, 18, 28, 6);
            cairo_pattern_t* g = cairo_pattern_create_linear(f * 24 + 3, 0, f * 24 + 21, 0);
            const double k = f == 1 ? 1.2 : f == 2 ? 0.85 : 1.0;
            cairo_pattern_add_color_stop_rgb(g, 0, 0.45 * k, 0.28 * k, 0.1 * k);
            cairo_pattern_add_color_stop_rgb(g, 0.35, std::min(1.0, 1.0 * k), std::min(1.0, 0.85 * k), 0.5 * k);
            cairo_pattern_add_color_stop_rgb(g, 1, 0.4 * k, 0.25 * k, 0.08 * k);
            cairo_set_source(cr, g);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(g);
            setColour(cr, kBronzeDark);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            for (int i = 0; i < 3; ++i) {
                cairo_move_to(cr, f * 24 + 8, 10 + i * 6);
                cairo_line_to(cr, f * 24 + 16, 10 + i * 6);
            }
            setColour(cr, kBronzeDark, 0.7);
            cairo_stroke(cr);
        }
        c.savePack("_mo_begunok", 3, 15);
    }
    {
        Canvas c(240, 20);
        cairo_t* cr = c.cr();
        roundedRect(cr, 1, 5, 238, 10, 5);
        cairo_set_source_rgb(cr, 0.06, 0.04, 0.03);
        cairo_fill_preserve(cr);
        setColour(cr, kBronze);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        for (int x = 12; x < 236; x += 22.4) {
            cairo_move_to(cr, x, 8);
            cairo_line_to(cr, x, 12);
        }
        setColour(cr, kGold, 0.4);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        c.savePack("_mo_menu_FIELDB");
    }
    for (int side = 0; side < 2; ++side) {
        Canvas c(30 * 3, 30);
        for (int f = 0; f < 3; ++f) {
            buttonFace(c, f * 30, 30, 30, f, Style::Small);
            cairo_t* cr = c.cr();
            const double cx = f * 30 + 15, cy = 14 + (f == 2 ? 1 : 0), d = side == 0 ? -1 : 1;
            cairo_move_to(cr, cx + 6 * d, cy);
            cairo_line_to(cr, cx - 4 * d, cy - 7);
            cairo_line_to(cr, cx - 4 * d, cy + 7);
            cairo_close_path(cr);
            setColour(cr, f == 1 ? hex(0xFFF0B0) : kGold);
            cairo_fill(cr);
        }
        c.savePack(side == 0 ? "_mo_menu_lb" : "_mo_menu_rb", 3, 15);
    }
}

// Nine-piece frames in a 3 x 3 grid of equal cells. The dialog frame steps
// its edge pieces 4 px apart from 42 px corners, so an edge piece carries
// its pattern in its first 4 px only and is clear beyond.
void ninePiece(const std::string& name, int cell, int border, bool edgesStep4, bool pointing, bool blackKey) {
    Canvas c(cell * 3, cell * 3);
    cairo_t* cr = c.cr();
    auto bandProfile = [&](double t) {  // colour across the border, t 0 outer .. 1 inner
        const Rgb a = scale(kBronze, 0.55), b = kGold, d = kBronzeDark;
        if (t < 0.15) return d;
        if (t < 0.45) return mix(b, kBronze, (t - 0.15) / 0.3);
        if (t < 0.7) return mix(a, hex(0x2A1A10), (t - 0.45) / 0.25);
        if (t < 0.85) return kBronze;
        return d;
    };
    auto band = [&](double x, double y, double w, double h, bool horizontal) {
        // Stripes across the border width.
        const double len = horizontal ? h : w;
        for (int i = 0; i < int(len); ++i) {
            const Rgb col = bandProfile((i + 0.5) / len);
            setColour(cr, col);
            if (horizontal)
                cairo_rectangle(cr, x, y + i, w, 1);
            else
                cairo_rectangle(cr, x + i, y, 1, h);
            cairo_fill(cr);
        }
    };
    const int span = edgesStep4 ? 4 : cell;
    // Edges: top (1), left (3), right (5), bottom (7).
    band(cell, 0, span, border, true);
    band(0, cell, border, span, false);
    cairo_save(cr);
    cairo_translate(cr, 3 * cell, 0);
    cairo_scale(cr, -1, 1);
    band(0, cell, border, span, false);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, 0, 3 * cell);
    cairo_scale(cr, 1, -1);
    band(cell, 0, span, border, true);
    cairo_restore(cr);
    // Corners: the bands meet in a mitre with a round boss.
    for (int k = 0; k < 4; ++k) {
        const bool right = k % 2, bottom = k / 2;
        cairo_save(cr);
        cairo_translate(cr, right ? 3 * cell : 0, bottom ? 3 * cell : 0);
        cairo_scale(cr, right ? -1 : 1, bottom ? -1 : 1);
        cairo_save(cr);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, cell, 0);
        cairo_line_to(cr, cell, border);
        cairo_line_to(cr, border, border);
        cairo_close_path(cr);
        cairo_clip(cr);
        band(0, 0, cell, border, true);
        cairo_restore(cr);
        cairo_save(cr);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, border, border);
        cairo_line_to(cr, border, cell);
        cairo_line_to(cr, 0, cell);
        cairo_close_path(cr);
        cairo_clip(cr);
        band(0, 0, border, cell, false);
        cairo_restore(cr);
        if (pointing) {
            // A tail that points out of the corner at the marked spot.
            cairo_move_to(cr, 0, 0);
            cairo_line_to(cr, border * 1.25, border * 0.42);
            cairo_line_to(cr, border * 0.8, border * 0.8);
            cairo_line_to(cr, border * 0.42, border * 1.25);
            cairo_close_path(cr);
            setColour(cr, kGold);
            cairo_fill_preserve(cr);
            setColour(cr, kBronzeDark);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        } else if (border >= 10) {
            cairo_arc(cr, border * 0.5, border * 0.5, border * 0.42, 0, 2 * M_PI);
            cairo_pattern_t* g = cairo_pattern_create_radial(border * 0.35, border * 0.35, 1, border * 0.5,
                                                             border * 0.5, border * 0.42);
            cairo_pattern_add_color_stop_rgb(g, 0, 1, 0.95, 0.75);
            cairo_pattern_add_color_stop_rgb(g, 1, 0.45, 0.25, 0.06);
            cairo_set_source(cr, g);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
        }
        cairo_restore(cr);
    }
    // Centre (unused by the frames, which draw a background picture there).
    if (!edgesStep4) {
        cairo_rectangle(cr, cell, cell, cell, cell);
        cairo_set_source_rgba(cr, 0.1, 0.06, 0.04, 0.85);
        cairo_fill(cr);
    }
    (void)blackKey;  // black-keyed packs: Canvas::save lifts opaque black
    c.savePack(name, 9, 3);
}

void plateBase(Canvas& c, const std::string& title, double titleSize = 30) {
    cairo_t* cr = c.cr();
    const double w = c.width(), h = c.height();
    roundedRect(cr, 6, 6, w - 12, h - 12, 18);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.3, 0.2, 0.13);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.13, 0.08, 0.05);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, kBronzeDark);
    cairo_set_line_width(cr, 8);
    cairo_stroke_preserve(cr);
    setColour(cr, kBronze);
    cairo_set_line_width(cr, 4);
    cairo_stroke_preserve(cr);
    setColour(cr, kGold, 0.6);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    grain(c, uint32_t(w * 7 + h), 0.04, 0.25);
    roundedRect(cr, 16, 16, w - 32, h - 32, 12);
    setColour(cr, kBronze, 0.5);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    for (auto [x, y] : {std::pair{18.0, 18.0}, {w - 18, 18.0}, {18.0, h - 18}, {w - 18, h - 18}}) {
        cairo_arc(cr, x, y, 5, 0, 2 * M_PI);
        setColour(cr, kGold);
        cairo_fill(cr);
    }
    if (!title.empty()) {
        Lettering st;
        st.size = titleSize;
        st.glowRadius = 4;
        letter(c, tr(title), w / 2, 40, st, w - 60);
    }
}

void caption(Canvas& c, const std::string& english, double x, double y, double size = 20, bool left = true,
             double maxWidth = 0) {
    const std::string text = tr(english);
    Lettering st;
    st.face = Face::SansBold;
    st.size = size;
    st.top = hex(0xFFF6D8);
    st.bottom = hex(0xE0C890);
    st.outlineWidth = 2;
    cairo_t* cr = c.cr();
    selectFace(cr, st.face, size);
    const double w = maxWidth > 0 ? std::min(maxWidth, textWidth(cr, text)) : textWidth(cr, text);
    letter(c, text, left ? x + w / 2 : x, y, st, maxWidth);
}

void recess(cairo_t* cr, double x, double y, double w, double h) {
    roundedRect(cr, x, y, w, h, 8);
    cairo_set_source_rgba(cr, 0.02, 0.01, 0.01, 0.55);
    cairo_fill_preserve(cr);
    setColour(cr, kBronze, 0.6);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

void optionsPlate() {
    // At (203, 72): sliders centred on y 110 (sound) and 199 (music) from
    // x 75, check boxes at (285, 230) and (285, 300), buttons at y 377.
    Canvas c(394, 446);
    plateBase(c, N_("Options"));
    cairo_t* cr = c.cr();
    recess(cr, 26, 62, 342, 78);
    recess(cr, 26, 150, 342, 78);
    caption(c, N_("Sound"), 75, 80, 20, true, 280);
    caption(c, N_("Music"), 75, 169, 20, true, 280);
    recess(cr, 26, 222, 342, 52);
    recess(cr, 26, 292, 342, 52);
    caption(c, N_("Full screen"), 50, 248, 20, true, 225);
    caption(c, N_("Hints"), 50, 318, 20, true, 225);
    c.savePack("options_plate");
}

void hiscoresPlate() {
    // Rows at y 85 + 28 i: names from x 75, scores right-aligned at x 360.
    Canvas c(440, 470);
    plateBase(c, N_("High scores"));
    cairo_t* cr = c.cr();
    for (int i = 0; i < 10; ++i) {
        const double y = 82 + 28 * i;
        if (i % 2 == 0) {
            roundedRect(cr, 30, y, 380, 26, 6);
            cairo_set_source_rgba(cr, 1, 0.85, 0.5, 0.06);
            cairo_fill(cr);
        }
        Lettering st;
        st.face = Face::SansBold;
        st.size = 15;
        st.top = hex(0xE0C080);
        st.bottom = hex(0xB08040);
        st.outlineWidth = 1.5;
        letter(c, std::to_string(i + 1) + ".", 52, y + 13, st);
    }
    c.savePack("hiscores_plate");
}

void listUsersPanel() {
    // Group offsets: the list at (95, 78), "new player" at (95, 50), buttons
    // at (41, 332), (206, 332), (41, 408) and (206, 408).
    Canvas c(400, 480);
    plateBase(c, "");  // the "new player" link sits at (95, 50)
    recess(c.cr(), 70, 70, 260, 240);
    c.savePack("list_users");
}

void savedPlate() {
    // At (105, 109); its buttons at (186, 263) and (421, 263), the close
    // button at (691, 118).
    Canvas c(600, 240);
    plateBase(c, N_("Saved game"), 30);
    Lettering st;
    st.face = Face::SansBold;
    st.size = 19;
    st.top = hex(0xFFF6D8);
    st.bottom = hex(0xE0C890);
    st.outlineWidth = 2;
    letter(c, tr("You have a game in progress."), 300, 88, st, 560);
    letter(c, tr("Continue it, or start a new game?"), 300, 118, st, 560);
    c.savePack("saved");
}

void smallPics() {
    {
        Canvas c(8, 8);
        cairo_set_source_rgb(c.cr(), 0, 0, 0);
        cairo_paint(c.cr());
        c.savePack("black");
    }
    {
        // Dialog background, scaled over the inside of the frames.
        Canvas c(32, 32);
        cairo_set_source_rgba(c.cr(), 0.12, 0.07, 0.05, 0.88);
        cairo_paint(c.cr());
        c.savePack("transparent");
    }
}
}  // namespace

void addWidgetWordJobs(Jobs& jobs) {
    jobs.push_back([] {
        playSign();
        button("menu//Buttons_MM_HiScores", N_("High scores"), 240, 60);
        button("menu//Buttons_MM_Options", N_("Options"), 240, 60);
        button("menu//Buttons_MM_Help", N_("Help"), 240, 60);
        button("menu//Buttons_MM_Exit", N_("Exit"), 240, 60);
        button("menu//Buttons_MM_Click", N_("Click here to change player"), 280, 30, Style::Link, 15);
    });
    jobs.push_back([] {
        button("menu//Buttons_options_ok", N_("OK"), 144, 48);
        button("menu//Buttons_options_cancel", N_("Cancel"), 144, 48);
        button("menu//Buttons_hiscores_done", N_("Done"), 160, 48);
        button("menu//Buttons_ask_load", N_("Continue"), 190, 52);
        button("menu//Buttons_ask_new", N_("New game"), 190, 52);
        button("menu//Buttons_small_exit", "x", 22, 22, Style::Small, 14);
        button("menu//Buttons_small_mini", "_", 22, 22, Style::Small, 14);
        button("menu//Buttons_small_menu", N_("Menu"), 72, 22, Style::Small, 13);
    });
    jobs.push_back([] {
        button("menu//Buttons_ig_resume", N_("Resume"), 208, 64);
        button("menu//Buttons_ig_help", N_("Help"), 208, 64);
        button("menu//Buttons_ig_restart", N_("Restart"), 208, 64);
        button("menu//Buttons_ig_mainmenu", N_("Main menu"), 208, 64);
        button("menu//Buttons_ig_options", N_("Options"), 208, 64);
        button("menu//Buttons_ig_exit", N_("Exit"), 208, 64);
    });
    jobs.push_back([] {
        button("menu//Buttons_help_credits", N_("Credits"), 200, 56);
        button("menu//Buttons_help_done", N_("Done"), 200, 56);
        button("menu//Buttons_clickhere", N_("Click here"), 240, 56);
        button("menu//Buttons_ok_map", N_("OK"), 200, 56);
        button("menu//Buttons_resume", N_("Resume"), 150, 46);
        button("menu//Buttons_yes", N_("Yes"), 130, 46);
        button("menu//Buttons_no", N_("No"), 130, 46);
        for (auto [n, t] : {std::pair{"rename", N_("Rename")}, {"delete", N_("Delete")}, {"ok", N_("OK")}, {"cancel", N_("Cancel")}})
            button(std::string("menu//profile//button_") + n, t, 152, 52);
    });
    jobs.push_back([] {
        optionsPlate();
        hiscoresPlate();
        savedPlate();
    });
}

void addWidgetJobs(Jobs& jobs) {
    addWidgetWordJobs(jobs);
    jobs.push_back([] {
        checkBox();
        slider();
        ninePiece("frame", 42, 30, true, false, false);
        ninePiece("framecorners", 42, 30, true, true, false);
        ninePiece("small_ramka", 12, 10, false, false, true);
        smallPics();
        listUsersPanel();
    });
    // The options' language chooser: each language's name in its own words,
    // the same in every language.
    jobs.push_back([] {
        for (const Language& l : languages())
            button(std::string("menu//Buttons_language_") + l.code, l.name, 220, 48);
    });
}

}  // namespace pg
