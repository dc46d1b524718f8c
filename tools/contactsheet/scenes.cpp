// Composed test scenes: the pictures put together the way the screens place
// them (a level in play, the main menu, the map, the options dialog, the
// title with its loading bar, a tip box), so the set can be judged as one
// game. Positions follow the screens' placement rules.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/backgrounds.h"
#include "scenes.h"

namespace {

struct Pack {
    cairo_surface_t* image = nullptr;
    int frames = 1, columns = 15;
    std::vector<int> glyphX, glyphW;  // trimmed glyphs (font only)
    int fw() const { return cairo_image_surface_get_width(image) / cols(); }
    int fh() const { return cairo_image_surface_get_height(image) / rows(); }
    int cols() const { return columns < frames ? columns : frames; }
    int rows() const { return columns < frames ? (frames + columns - 1) / columns : 1; }
};

class Scene {
public:
    Scene(std::string dir) : dir_(std::move(dir)) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
        cr_ = cairo_create(surface_);
    }
    ~Scene() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
        for (auto& [n, p] : packs_) cairo_surface_destroy(p.image);
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    Pack& pack(const std::string& name, int frames = 1, int columns = 15) {
        auto it = packs_.find(name);
        if (it != packs_.end()) return it->second;
        Pack p;
        p.image = cairo_image_surface_create_from_png((dir_ + "/" + name + ".png").c_str());
        if (cairo_surface_status(p.image) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "scenes: missing picture %s\n", name.c_str());
            ok = false;
        }
        p.frames = frames;
        p.columns = columns;
        return packs_.emplace(name, p).first->second;
    }
    int width(const std::string& name) { return pack(name).fw(); }
    int height(const std::string& name) { return pack(name).fh(); }

    // Draws frame i of a pack with its top-left at (x, y); sx < 0 mirrors it
    // in place, like a sprite with scale -1 about its centre.
    void draw(const std::string& name, double x, double y, int frame = 0, double alpha = 1, double sx = 1,
              double sy = 1, double angle = 0, int frames = 1, int columns = 15) {
        Pack& p = pack(name, frames, columns);
        if (cairo_surface_status(p.image) != CAIRO_STATUS_SUCCESS) return;
        const int fw = p.fw(), fh = p.fh();
        const int fx = (frame % p.cols()) * fw, fy = (frame / p.cols()) * fh;
        cairo_save(cr_);
        cairo_translate(cr_, x + fw * std::abs(sx) / 2, y + fh * sy / 2);
        cairo_rotate(cr_, angle);
        cairo_scale(cr_, sx, sy);
        cairo_translate(cr_, -fw / 2.0, -fh / 2.0);
        cairo_rectangle(cr_, 0, 0, fw, fh);
        cairo_clip(cr_);
        cairo_set_source_surface(cr_, p.image, -fx, -fy);
        cairo_paint_with_alpha(cr_, alpha);
        cairo_restore(cr_);
    }

    // Text in font1, trimmed like the game's proportional font; align 0
    // top-left, 1 top-right, 2 centred.
    void text(const std::string& s, double x, double y, int align, double r = 1, double g = 1, double b = 1) {
        Pack& f = pack("font1", 256, 32);
        if (f.glyphX.empty()) trim(f);
        const int h = f.fh();
        double w = 0;
        for (unsigned char c : s) w += f.glyphW[c];
        double left = align == 1 ? x - w : align == 2 ? x - std::floor(w / 2) : x;
        const double top = align == 2 ? y - std::floor((h + 1) / 2.0) : y;
        for (unsigned char c : s) {
            const int gx = (c % 32) * f.fw() + f.glyphX[c], gy = (c / 32) * h;
            cairo_save(cr_);
            cairo_rectangle(cr_, left, top, f.glyphW[c], h);
            cairo_clip(cr_);
            cairo_set_source_surface(cr_, f.image, left - gx, top - gy);
            // Tint: the game modulates the light glyphs by the label colour.
            cairo_push_group(cr_);
            cairo_paint(cr_);
            cairo_set_operator(cr_, CAIRO_OPERATOR_MULTIPLY);
            cairo_set_source_rgb(cr_, r, g, b);
            cairo_paint(cr_);
            cairo_pop_group_to_source(cr_);
            cairo_mask_surface(cr_, f.image, left - gx, top - gy);
            cairo_restore(cr_);
            left += f.glyphW[c];
        }
    }

    // The dialog frame of the profile and tip screens: 42 px corners, edge
    // pieces every 4 px, the "transparent" picture scaled inside.
    void dialogFrame(double x, double y, int cols, int rows, bool pointTopLeft = false) {
        draw("transparent", x + 28, y + 30, 0, 1, (4.0 * cols + 28) / 32, (4.0 * rows + 24) / 32);
        const double r = x + 42 + 4 * cols, b = y + 42 + 4 * rows;
        draw(pointTopLeft ? "framecorners" : "frame", x, y, 0, 1, 1, 1, 0, 9, 3);
        draw("frame", r, y, 2, 1, 1, 1, 0, 9, 3);
        draw("frame", x, b, 6, 1, 1, 1, 0, 9, 3);
        draw("frame", r, b, 8, 1, 1, 1, 0, 9, 3);
        for (int i = 0; i < rows; ++i) {
            draw("frame", x, y + 42 + 4 * i, 3, 1, 1, 1, 0, 9, 3);
            draw("frame", r, y + 42 + 4 * i, 5, 1, 1, 1, 0, 9, 3);
        }
        for (int j = 0; j < cols; ++j) {
            draw("frame", x + 42 + 4 * j, y, 1, 1, 1, 1, 0, 9, 3);
            draw("frame", x + 42 + 4 * j, b, 7, 1, 1, 1, 0, 9, 3);
        }
    }

    bool save(const std::string& path) {
        return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
    }
    cairo_t* cr() { return cr_; }
    bool ok = true;

private:
    void trim(Pack& f) {
        cairo_surface_flush(f.image);
        const auto* px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(f.image));
        const int stride = cairo_image_surface_get_stride(f.image) / 4;
        f.glyphX.assign(256, 0);
        f.glyphW.assign(256, f.fw());
        for (int c = 1; c < 256; ++c) {
            int bestStart = 0, bestLen = 0;
            for (int y = 0; y < f.fh(); ++y) {
                int first = -1, last = -1;
                for (int x = 0; x < f.fw(); ++x)
                    if (px[((c / 32) * f.fh() + y) * stride + (c % 32) * f.fw() + x] >> 24) {
                        if (first < 0) first = x;
                        last = x;
                    }
                if (first >= 0 && last - first + 1 > bestLen) bestStart = first, bestLen = last - first + 1;
            }
            f.glyphX[size_t(c)] = bestStart;
            f.glyphW[size_t(c)] = bestLen;
        }
    }

    std::string dir_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
    std::map<std::string, Pack> packs_;
};

std::string two(int n) {
    char s[8];
    std::snprintf(s, sizeof s, "%d%d", (n / 10) % 10, n % 10);
    return s;
}

void level(Scene& s, int back, int door, int magnet) {
    const std::string b = kBackgroundNames[back];
    s.draw("fon/" + b + "_back", 0, 0);
    s.draw("fon/common_mask", 0, 0, 0, 192 / 255.0);
    const std::string gate = "gate/gate_" + two(door + 1) + "_l";
    const int gw = s.width(gate);
    s.draw(gate, 400 - gw, 30);
    s.draw(gate, 400, 30, 0, 1, -1);
    const std::string gun = "gate/spawngun_" + two(back % 10 + 1) + "_l";
    s.draw(gun, 72 - s.width(gun) / 2, 100 - s.height(gun) / 2);
    s.draw(gun, 728 - s.width(gun) / 2, 100 - s.height(gun) / 2, 0, 1, -1);
    s.draw("rails", 0, 600 - s.height("rails"));
    const std::string lock = "lock//lock_" + two(magnet);
    const int lw = s.width(lock), lh = s.height(lock);
    s.draw(lock, 400 - lw / 2, 269 - lh / 2, 0, 1, 1, 1, 0.3);
    s.draw("fon/" + b + "_front", 0, 0);
    // Balls clinging round the magnet.
    const int colours[] = {0, 0, 1, 2, 3, 3, 3, 4, 5, 6, 7, 1, 2, 0, 4};
    for (int i = 0; i < 15; ++i) {
        const double a = i * 0.42 - 1.2, r = 120 + (i % 3) * 48;
        const double x = 400 + r * std::cos(a), y = 269 + r * std::sin(a);
        s.draw("balls//ball_shadow", x - 32, y - 32);
        s.draw("balls//ball_c" + std::to_string(colours[i] + 1), x - 26, y - 26);
    }
    s.draw("balls//ball_bonus", 250 - 26, 380 - 26, 7, 1, 1, 1, 0, 40, 19);
    s.draw("balls//ball_free0", 560 - 26, 420 - 26);
    s.draw("balls//ball_fireball_glow", 330 - 50, 180 - 50);
    s.draw("balls//ball_fireball", 330 - 26, 180 - 26);
    // A shot on its way with its glow.
    s.draw("balls//ball_glow", 470 - 42, 470 - 42);
    s.draw("balls//ball_c3", 470 - 26, 470 - 26);
    s.draw("balls//prizm3_green", 610, 330, 3, 1, 1, 1, 0, 9, 15);
    s.draw("brilliant", 400 - 22, 269 - 22, 14, 1, 1, 1, 0, 20, 10);
    // The gun at X = 420 (placement table with s = 1, no lift or shake).
    const int X = 420, w = 26, H = s.height("gun_middle") - 2;
    s.draw("gun_heat", X - (w + 74), 600 - (H + 18), 0, 0.5);
    s.draw("balls//ball_c4", X - (w + 52), 600 - (H - 8), 0, 1, 0.85, 0.85);
    s.draw("balls//ball_c4", X - (w - 52), 600 - (H - 8), 0, 1, 0.85, 0.85);
    s.draw("balls//ball_c2", X - 26, 600 - (H - 8));
    s.draw("gun_middle", X - w, 600 - (H - 4));
    s.draw("gun_zatvor_left", X - (w + 26), 600 - H);
    s.draw("gun_zatvor_right", X + w, 600 - H);
    s.draw("gun_side_left", X - (w + 59), 600 - H);
    s.draw("gun_side_right", X + w, 600 - H);
    s.draw("gun_progress_bar", X - (w + 2), 600 - (H - 50));
    s.draw("gun_progress_bar_light", X - (w - 7), 600 - (H - 54), 0, 1, 0.6, 1);
    // Heads-up display.
    s.draw("panel_info_bonus_sq", 736, 41);
    s.draw("bonusplates//bonus_plate_0", 747, 50);
    s.draw("panel_info_back", 131, 27);
    s.draw("panel_info_bar", 131 - s.width("panel_info_bar") * 0.3, 27);
    s.draw("panel_info", 0, 0);
    s.text("12345", 113, 6, 1);
    s.text("Lives", 190, 15, 2);
    s.text("3", 250, 1, 1);
    s.text("Gloomy Gate", 390, 15, 2);
    s.text("Level 1-3", 567, 15, 2);
    s.draw("menu//Buttons_small_menu", 676, 5, 0, 1, 1, 1, 0, 3);
    s.draw("menu//Buttons_small_mini", 754, 0, 0, 1, 1, 1, 0, 3);
    s.draw("menu//Buttons_small_exit", 776, 0, 0, 1, 1, 1, 0, 3);
    s.draw("messages//msg_great", 400 - s.width("messages//msg_great") / 2, 269, 0, 196 / 255.0);
}

void menu(Scene& s) {
    s.draw("_mm_bkg", 0, 0);
    s.draw("menu//Buttons_MM_Play", 400 - s.pack("menu//Buttons_MM_Play", 3).fw() / 2, 60, 0, 1, 1, 1, 0, 3);
    s.draw("_mm_bkg_foreground", 0, 0);
    const char* names[] = {"MM_HiScores", "MM_Options", "MM_Help", "MM_Exit"};
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::string("menu//Buttons_") + names[i];
        s.draw(n, 400 - s.pack(n, 3).fw() / 2, 245 + 70 * i, i == 1 ? 1 : 0, 1, 1, 1, 0, 3);
    }
    s.text("Welcome, Player!", 400, 200, 2, 1.0, 1.0, 0.75);
    s.draw("menu//Buttons_MM_Click", 10, 565, 0, 1, 1, 1, 0, 3);
}

void map(Scene& s) {
    static const int cover[11][2] = {{45, 428}, {88, 319}, {292, 390}, {249, 295}, {372, 237}, {233, 193},
                                     {68, 196}, {132, 109}, {51, 29},   {247, 93},  {330, 33}};
    static const int marker[11][2] = {{33, 330}, {42, 447}, {87, 335}, {292, 402}, {250, 311}, {373, 256},
                                      {235, 216}, {68, 210}, {131, 117}, {48, 46}, {257, 112}};
    s.draw("mapa", 0, 0);
    for (int i = 2; i < 11; ++i) s.draw("map//" + two(i + 1), cover[i][0], cover[i][1]);
    s.draw("map//03_map01", marker[3][0], marker[3][1]);
    s.draw("map//03_map02", marker[3][0], marker[3][1], 0, 0.7);
    for (int slot = 0; slot < 9; ++slot) {
        const std::string lock = "lock//lock_" + two(slot * 3 + 1);
        const double w = s.width(lock), h = s.height(lock), k = 76 / std::max(w, h);
        const double cx = 553 + 91 * (slot % 3), cy = 226 + 99 * (slot / 3);
        if (slot < 4) continue;  // locks already opened
        s.draw(lock, cx - w * k / 2, cy - h * k / 2, 0, 1, k, k);
    }
    s.text("23450", 625, 50, 2);
    s.text("2000", 625, 119, 2);
    s.draw("menu//Buttons_ok_map", 524, 510, 0, 1, 1, 1, 0, 3);
}

void options(Scene& s) {
    const int x = 203, y = 72;
    s.draw("_mm_bkg", 0, 0);
    s.draw("options_plate", x, y);
    for (int row : {110, 199}) {
        const int tx = x + 75, cy = y + row, tw = s.width("_mo_menu_FIELDB");
        s.draw("_mo_menu_FIELDB", tx, cy - s.height("_mo_menu_FIELDB") / 2);
        s.draw("_mo_menu_rb", tx + tw - 10, cy - s.pack("_mo_menu_rb", 3).fh() / 2, 0, 1, 1, 1, 0, 3);
        s.draw("_mo_menu_lb", tx - s.pack("_mo_menu_lb", 3).fw() + 10, cy - s.pack("_mo_menu_lb", 3).fh() / 2, 0, 1,
               1, 1, 0, 3);
        const int range = tw - s.pack("_mo_begunok", 3).fw();
        s.draw("_mo_begunok", tx + range * (row == 110 ? 80 : 45) / 100, cy - s.pack("_mo_begunok", 3).fh() / 2, 0, 1,
               1, 1, 0, 3);
    }
    s.draw("_mo_galochka", x + 285, y + 230, 1, 1, 1, 1, 0, 2);
    s.draw("_mo_galochka", x + 285, y + 300, 0, 1, 1, 1, 0, 2);
    s.draw("menu//Buttons_options_ok", x + 39, y + 377, 0, 1, 1, 1, 0, 3);
    s.draw("menu//Buttons_options_cancel", x + 212, y + 377, 1, 1, 1, 1, 0, 3);
}

void title(Scene& s) {
    s.draw("fon/title_back", 0, 0);
    s.draw("title_gate_left", 58, 150);
    s.draw("title_gate_left", 400, 150, 0, 1, -1);
    s.draw("fon/title_front", 0, 0);
    s.draw("load_bar", 226, 551);
    for (int step = 0; step < 20; ++step) s.draw("coin", 245 + 9 * step, 566);
}

void tip(Scene& s) {
    level(s, 2, 5, 12);
    // A 60 x 22 cell tip anchored at (150, 150): it opens right of and below
    // the point, with the pointing corner there.
    const int cols = 60, rows = 22, left = 150, top = 150;
    s.dialogFrame(left, top, cols, rows, true);
    s.text("Tip: hold the left button", left + 55, top + 43, 0, 1, 1, 0.75);
    s.text("to charge a faster shot.", left + 55, top + 68, 0, 1, 1, 0.75);
    s.text("Crystals are worth 1000!", left + 55, top + 93, 0, 0.98, 0.69, 0.07);
    const std::string r = "menu//Buttons_resume";
    const int W = 4 * cols + 84, H = 4 * rows + 84;
    s.draw(r, left + W / 2 - s.pack(r, 3).fw() / 2, top + H - s.pack(r, 3).fh() - 30, 0, 1, 1, 1, 0, 3);
}

}  // namespace

int renderScenes(const std::string& picDir, const std::string& prefix) {
    struct Item {
        const char* name;
        void (*fn)(Scene&);
    };
    const Item items[] = {
        {"level_first", [](Scene& s) { level(s, 0, 0, 1); }},
        {"level_ice", [](Scene& s) { level(s, 3, 6, 17); }},
        {"level_last", [](Scene& s) {
             s.draw("last_landscape", 245, 145);
             s.draw("last_gate_left", 227 - 120, 137);
             s.draw("last_gate_right", 397 + 120, 137);
             level(s, 7, 13, 30);
         }},
        {"menu", menu},
        {"map", map},
        {"options", options},
        {"title", title},
        {"tip", tip},
    };
    bool ok = true;
    for (const Item& it : items) {
        Scene s(picDir);
        it.fn(s);
        const std::string path = prefix + it.name + ".png";
        if (!s.save(path) || !s.ok) ok = false;
        std::printf("%s\n", path.c_str());
    }
    return ok ? 0 : 1;
}
