// Checks of the generated pictures and the shipped effect files: every pack
// the game loads exists with its frame count and row width, and has the
// size that the positions using it demand; the magnet and wall pictures
// match the shape definitions the levels collide with; every effect file
// parses cleanly and stays within the particle pool.
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "frame/language.h"
#include "game/backgrounds.h"
#include "gfx_support.h"
#include "res/picture_pack.h"

namespace {

const std::string kData = VM_TEST_DATA_DIR;
const std::string kPic = kData + "/pic";

// ---------------------------------------------------------------------------
// Shapes: a small reader of data/shapes/shapes.txt, independent of the tools.
using Poly = std::vector<std::pair<double, double>>;
struct Shapes {
    std::map<int, std::vector<Poly>> magnets, walls;
};

Shapes readShapes() {
    std::ifstream in(std::string(VM_SOURCE_DIR) + "/data/shapes/shapes.txt");
    std::stringstream text;
    for (std::string line; std::getline(in, line);) text << line.substr(0, line.find('#')) << '\n';
    Shapes s;
    std::string kind, name, t;
    int n = 0;
    while (text >> kind >> n >> name) {
        auto& target = kind == "magnet" ? s.magnets[n] : s.walls[n];
        while (text >> t && t != "end") {
            Poly p;
            for (std::string a, b; text >> a && a != ";" && text >> b;) p.emplace_back(std::stod(a), std::stod(b));
            target.push_back(p);
        }
    }
    return s;
}

// ---------------------------------------------------------------------------
// Size rules, one row per pack. frameW/frameH 0 = free; the rule text says
// which position fixes the size.
struct PackRule {
    std::string name;
    int frames = 1, columns = 15;
    bool blackKey = false;
    int frameW = 0, frameH = 0;
    const char* why = "";
};

std::string twoDigits(int n) {
    char s[8];
    std::snprintf(s, sizeof s, "%d%d", (n / 10) % 10, n % 10);
    return s;
}

std::vector<PackRule> packRules() {
    std::vector<PackRule> r;
    auto add = [&](PackRule p) { r.push_back(std::move(p)); };
    // Balls are placed by their top-left corner at centre - 26 x ballSizeFactor.
    for (const char* b : {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "free0", "free1", "free2", "fireball",
                          "fireball_mega"})
        add({std::string("balls//ball_") + b, 1, 15, false, 52, 52, "ball: 26 px either side of its centre"});
    add({"balls//ball_bonus", 40, 19, false, 52, 52, "40 turning frames, 19 to a row"});
    for (const char* g : {"glow", "free0_glow", "free1_glow", "free2_glow", "fireball_glow", "fireball_mega_glow",
                          "shadow"})
        add({std::string("balls//ball_") + g, 1, 15, false, 0, 0, "centred on the ball"});
    for (const char* s : {"_red", "2_white", "3_brown", "3_green", "3_red", "3_white"})
        add({std::string("balls//prizm") + s, 9, 15, false, 0, 0, "crystal, 9 frames"});
    // The cannon: w = 26 (half of gun_middle), H + 2 = height of gun_middle.
    add({"gun_middle", 1, 15, false, 52, 106, "w = 26; loaded ball centre 600 - H + 34 = 530, the shot height"});
    add({"gun_side_left", 1, 15, false, 59, 106, "from X - (w + 59) to X - w"});
    add({"gun_side_right", 1, 15, false, 59, 106, "from X + w, mirror of the left"});
    add({"gun_zatvor_left", 1, 15, false, 26, 0, "breech halves meet over the ball at o = w"});
    add({"gun_zatvor_right", 1, 15, false, 26, 0, "breech halves meet over the ball at o = w"});
    add({"gun_progress_bar", 1, 15, false, 56, 0, "X - (w + 2): centred on the gun"});
    add({"gun_progress_bar_light", 1, 15, false, 38, 0, "X - (w - 7): centred on the gun"});
    add({"gun_heat", 1, 15, false, 200, 0, "X - (w + 74): centred on the gun"});
    add({"rails", 1, 15, false, 800, 0, "across the screen"});
    // Scenery.
    for (int b = 0; b < 12; ++b) {
        add({std::string("fon/") + kBackgroundNames[b] + "_back", 1, 15, false, 800, 600, "full screen"});
        add({std::string("fon/") + kBackgroundNames[b] + "_front", 1, 15, false, 800, 600, "full screen"});
        for (int k = 0; k < kGoldCount[b]; ++k)
            add({std::string("fon/") + kBackgroundNames[b] + "_gold" + twoDigits(k + 1), 1, 15, false, 0, 0, "gold"});
    }
    add({"fon/common_mask", 1, 15, false, 800, 600, "full screen"});
    for (int i = 1; i <= 16; ++i) add({"gate/gate_" + twoDigits(i) + "_l", 1, 15, false, 0, 0, "gate"});
    for (int i = 1; i <= 12; ++i)
        add({"gate/spawngun_" + twoDigits(i) + "_l", 1, 15, false, 64, 64, "muzzle at the spawn point corner"});
    add({"last_gate_left", 1, 15, false, 170, 0, "227 + w = 397, where the right half starts"});
    add({"last_gate_right", 1, 15, false, 170, 0, "from 397 to 567"});
    add({"last_landscape", 1, 15, false, 0, 0, "behind the doorway"});
    add({"wall", 1, 15, false, 800, 600, "slides down over the screen"});
    add({"fon//comix_0", 1, 15, false, 800, 600, "full page"});
    add({"fon//comix_1", 1, 15, false, 800, 600, "shown at (0, 0)"});
    // Magnet.
    for (const auto& [n, solids] : readShapes().magnets)
        add({"lock//lock_" + twoDigits(n), 1, 15, false, 0, 0, "one magnet picture per shape"});
    add({"flare", 1, 15, false, 512, 512, "at (144, 13) its centre is the magnet's (400, 269)"});
    add({"brilliant", 20, 10, false, 0, 0, "ball-count gem"});
    add({"brilliant_glow", 1, 15, false, 0, 0, "centred on the gem"});
    // Heads-up display.
    add({"panel_info", 1, 15, false, 800, 0, "top strip"});
    add({"panel_info_back", 1, 15, false, 0, 0, "time bar window at (131, 27)"});
    add({"panel_info_bar", 1, 15, false, 0, 0, "time bar"});
    add({"panel_info_bonus_sq", 1, 15, false, 0, 0, "bonus frame"});
    for (int b = 0; b < 8; ++b) {
        add({"bonusplates//bonus_plate_" + std::to_string(b), 1, 15, false, 0, 0, "bonus plate"});
        add({"bonusplates//bonus_plate_glow_" + std::to_string(b), 1, 15, false, 0, 0, "bonus plate glow"});
    }
    add({"arrow", 1, 15, false, 0, 0, "arrow"});
    add({"arrowbig", 1, 15, false, 0, 0, "arrow"});
    add({"level_no", 10, 15, false, 0, 0, "digits 0..9"});
    add({"level_line", 1, 15, false, 0, 0, "separator"});
    add({"font1", 256, 32, false, 0, 0, "Windows-1252 glyphs"});
    // Messages.
    for (const char* m : {"level", "leveldone", "stagedone", "gameover", "tryagain", "good", "x3", "x4", "x5",
                          "verygood", "great", "x8", "superior", "x10", "excellent", "fine", "marvelous", "combo1",
                          "combo2", "combo3"})
        add({std::string("messages//msg_") + m, 1, 15, false, 0, 0, "banner"});
    // Screens.
    for (const char* s : {"_logo1", "_logo2", "_help", "_mm_bkg", "_mm_bkg_foreground", "mapa"})
        add({s, 1, 15, false, 800, 600, "full screen at (0, 0)"});
    for (const char* s : {"_pause", "credits_plate", "saved", "list_users", "hiscores_plate", "coin", "black",
                          "transparent", "cursor", "arrow"})
        add({s, 1, 15, false, 0, 0, ""});
    add({"options_plate", 1, 15, false, 394, 0, "at (203, 72), symmetric on the screen"});
    add({"title_gate_left", 1, 15, false, 342, 0, "from 58 it slides to -342"});
    add({"load_bar", 1, 15, false, 0, 0, "at (226, 551)"});
    for (int e = 1; e <= 11; ++e) {
        add({"map//" + twoDigits(e), 1, 15, false, 0, 0, "region cover"});
        add({"map//" + twoDigits(e) + "_map01", 1, 15, false, 0, 0, "marker"});
        add({"map//" + twoDigits(e) + "_map02", 1, 15, false, 0, 0, "marker highlight"});
    }
    // Widgets.
    for (const char* b : {"MM_Play", "MM_HiScores", "MM_Options", "MM_Help", "MM_Exit", "MM_Click", "options_ok",
                          "options_cancel", "hiscores_done", "ask_load", "ask_new", "small_exit", "small_mini",
                          "small_menu", "ig_resume", "ig_help", "ig_restart", "ig_mainmenu", "ig_options", "ig_exit",
                          "help_credits", "help_done", "clickhere", "ok_map", "resume", "yes", "no"})
        add({std::string("menu//Buttons_") + b, 3, 15, true, 0, 0, "normal, hover, pressed"});
    for (const char* b : {"rename", "delete", "ok", "cancel"})
        add({std::string("menu//profile//button_") + b, 3, 15, false, 0, 0, "normal, hover, pressed"});
    add({"_mo_galochka", 2, 15, false, 0, 0, "unchecked, checked"});
    for (const char* s : {"_mo_begunok", "_mo_menu_lb", "_mo_menu_rb"}) add({s, 3, 15, false, 0, 0, "3 looks"});
    add({"_mo_menu_FIELDB", 1, 15, false, 0, 0, "slider track"});
    add({"frame", 9, 3, false, 42, 42, "dialog frame: corners 42 px, edges stepped by 4"});
    add({"framecorners", 9, 3, false, 42, 42, "pointing corners of the same frame"});
    add({"small_ramka", 9, 3, true, 0, 0, "button-box frame"});
    return r;
}

// Fixed size limits that are not a single exact number.
void checkExtraRules(const PicturePack& p, const std::string& name) {
    auto w = [&](int i) { return p.frameWidth(i); };
    auto h = [&](int i) { return p.frameHeight(i); };
    if (name.rfind("balls//ball_", 0) == 0 && name.find("glow") != std::string::npos) {
        // Centred on the ball: square, even, and larger than the ball.
        EXPECT_EQ(w(0), h(0)) << name;
        EXPECT_EQ(w(0) % 2, 0) << name;
        EXPECT_GT(w(0), 52) << name;
    }
    if (name.rfind("lock//lock_", 0) == 0) {
        // (400 - w/2, 269 - h/2) with the hot spot at the centre: even sizes
        // keep the rotation centre on the magnet's.
        EXPECT_EQ(w(0), h(0)) << name;
        EXPECT_EQ(w(0) % 2, 0) << name;
    }
    if (name == "panel_info") {
        EXPECT_GE(h(0), 36) << "the time bar window ends below y 27";
    }
    if (name == "panel_info_back" || name == "panel_info_bar") {
        EXPECT_LE(131 + w(0), 676) << name << " must end before the menu button";
    }
    if (name == "panel_info_bonus_sq") {
        EXPECT_LE(736 + w(0), 800) << name;
    }
    if (name.rfind("bonusplates//", 0) == 0) {
        EXPECT_LE(747 + w(0), 800) << name;
    }
    if (name.rfind("gate/gate_", 0) == 0) {
        EXPECT_LE(w(0), 400) << "a gate half ends at the screen centre";
        EXPECT_LE(30 + h(0), 600) << name;
    }
    if (name == "title_gate_left") {
        EXPECT_LE(150 + h(0), 600) << name;
    }
    if (name == "load_bar") {
        EXPECT_GE(226 + w(0), 245 + 9 * 34 + 10) << "the last coin lies inside the bar";
        EXPECT_GE(551 + h(0), 566 + 12) << "coins sit inside the bar";
    }
    if (name == "coin") {
        EXPECT_LE(w(0), 10) << "coins step 9 px apart";
        EXPECT_LE(h(0), 14) << name;
    }
    if (name == "options_plate") {
        EXPECT_GE(h(0), 377 + 48) << "the OK and Cancel buttons sit at y + 377";
    }
    if (name == "saved") {
        EXPECT_GE(105 + w(0), 421 + 190) << "the continue button lies on the plate";
        EXPECT_GE(109 + h(0), 263 + 52) << "the buttons lie on the plate";
    }
    if (name == "menu//Buttons_MM_HiScores" || name == "menu//Buttons_MM_Options" || name == "menu//Buttons_MM_Help" ||
        name == "menu//Buttons_MM_Exit") {
        EXPECT_LE(h(0), 70) << "main-menu entries are 70 px apart";
    }
    if (name.rfind("menu//Buttons_ig_", 0) == 0) {
        EXPECT_EQ(w(0), 800 - 2 * 296) << "in-game entries at x 296, centred";
        EXPECT_LE(h(0), 77) << "in-game entries are 77 px apart";
    }
    if (name == "menu//Buttons_small_mini") {
        EXPECT_LE(754 + w(0), 776) << "the exit button starts at 776";
    }
    if (name == "menu//Buttons_small_exit") {
        EXPECT_LE(776 + w(0), 800) << name;
    }
    if (name == "menu//Buttons_small_menu") {
        EXPECT_LE(676 + w(0), 754) << "the minimise button starts at 754";
    }
    if (name == "menu//Buttons_options_ok") {
        EXPECT_LE(39 + w(0), 212) << "Cancel starts at plate x 212";
    }
    if (name == "menu//Buttons_options_cancel") {
        EXPECT_LE(212 + w(0), 394) << name;
    }
    if (name == "menu//Buttons_ask_new") {
        EXPECT_LE(186 + w(0), 421) << "the continue button starts at 421";
    }
    if (name == "menu//Buttons_help_credits") {
        EXPECT_LE(37 + w(0), 546) << name;
    }
    if (name == "menu//Buttons_help_done" || name == "menu//Buttons_ok_map") {
        EXPECT_LE(546 + w(0), 800) << name;
    }
    if (name == "menu//profile//button_rename") {
        EXPECT_LE(41 + w(0), 206) << "delete starts at 206";
    }
    if (name == "_mo_begunok") {
        EXPECT_LT(w(0), 240) << "the knob travels along its track";
    }
    if (name == "brilliant") {
        EXPECT_LE(w(0), 2 * 26) << "the gem sits inside the magnet's hub";
    }
}

class ArtTest : public GfxTest {};

TEST_F(ArtTest, EveryPackLoadsWithItsFramesAndSize) {
    for (const PackRule& rule : packRules()) {
        textureBank().clear();
        clearDebugLog();
        PicturePack p;
        p.loadFrom(kPic, rule.name, rule.blackKey, rule.frames, rule.columns);
        ASSERT_GT(p.width, 0u) << "missing picture " << rule.name;
        EXPECT_EQ(p.frameCount(), rule.frames) << rule.name;
        // The grid must use the whole image: no pixels lost to the division.
        int cols = rule.frames, rows = 1;
        if (rule.columns < rule.frames) cols = rule.columns, rows = (rule.frames + cols - 1) / cols;
        EXPECT_EQ(p.width % uint32_t(cols), 0u) << rule.name;
        EXPECT_EQ(p.height % uint32_t(rows), 0u) << rule.name;
        if (rule.frameW) {
            EXPECT_EQ(p.frameWidth(0), rule.frameW) << rule.name << ": " << rule.why;
        }
        if (rule.frameH) {
            EXPECT_EQ(p.frameHeight(0), rule.frameH) << rule.name << ": " << rule.why;
        }
        checkExtraRules(p, rule.name);
        EXPECT_TRUE(debugLog().empty()) << rule.name << ": " << debugLog();
    }
}

TEST_F(ArtTest, FontGlyphsKeepTheirWidthsAfterTrimming) {
    PicturePack font;
    font.loadFrom(kPic, "font1", false, 256, 32);
    ASSERT_EQ(font.frameCount(), 256);
    const int cell = font.frameWidth(0);
    font.trimGlyphs();
    EXPECT_EQ(font.frameWidth(0), cell) << "glyph 0 is left as it is";
    EXPECT_EQ(textureBank().scanGlyph(font.textureName, font.frameX(0), font.frameY(0), cell, font.frameHeight(0)).second,
              0)
        << "glyph 0 must stay blank: the caret blinks with it";
    EXPECT_GE(font.frameWidth(' '), 4) << "the space must not vanish";
    EXPECT_GE(font.frameWidth(0xA0), 4) << "nor the no-break space";
    EXPECT_GE(font.frameHeight('|'), 20) << "the caret bar";
    EXPECT_GT(font.frameWidth('|'), 0);
    for (int c : std::string("AZaz09%?\xE9\xC4\x80"))  // letters, digits, accents, euro sign
        EXPECT_GT(font.frameWidth(c & 0xFF), 4) << "glyph " << (c & 0xFF);
    // Narrow letters are narrower than wide ones: the font is proportional.
    EXPECT_LT(font.frameWidth('i'), font.frameWidth('W'));
    for (int c = 1; c < 256; ++c) EXPECT_LE(font.frameWidth(c), cell) << c;
}

// Layouts are laid out in logical pixels from the frames and glyph widths:
// a pack of the 2x set that measured differently from its 1x picture would
// move buttons, text and hit zones when the game draws from that set.
TEST_F(ArtTest, BothSetsGiveTheSameLogicalFramesAndGlyphs) {
    const std::string sharp = kPic + "/2x";
    if (!std::filesystem::exists(sharp + "/font1.png")) GTEST_SKIP() << "the 2x set is not built (VM_ART_SCALES)";
    std::vector<std::string> folders = {"", "cp1250/", "cp1251/"};
    for (const Language& l : languages()) folders.push_back(std::string(l.code) + "/");
    std::ifstream manifest(VM_TEST_PACK_MANIFEST);
    std::string name;
    int frames = 0, columns = 0, compared = 0;
    while (manifest >> name >> frames >> columns) {
        for (const std::string& folder : folders) {
            if (!std::filesystem::exists(kPic + "/" + folder + name + ".png")) continue;
            ASSERT_TRUE(std::filesystem::exists(sharp + "/" + folder + name + ".png")) << folder << name;
            textureBank().clear();
            clearDebugLog();
            PicturePack one, two;
            one.loadFrom(kPic + "/" + folder, name, false, frames, columns);
            two.loadFrom(sharp + "/" + folder, name, false, frames, columns, 2);
            const TextureEntry* t1 = textureBank().find(one.textureName);
            const TextureEntry* t2 = textureBank().find(two.textureName);
            ASSERT_TRUE(t1 && t2) << folder << name;
            EXPECT_EQ(t2->surfaceWidth, 2 * t1->surfaceWidth) << folder << name;
            EXPECT_EQ(t2->surfaceHeight, 2 * t1->surfaceHeight) << folder << name;
            if (name == "font1") {
                one.trimGlyphs();
                two.trimGlyphs();
            }
            ASSERT_EQ(one.frameCount(), two.frameCount()) << folder << name;
            for (int i = 0; i < one.frameCount(); ++i) {
                EXPECT_EQ(one.frameWidth(i), two.frameWidth(i)) << folder << name << " frame " << i;
                EXPECT_EQ(one.frameHeight(i), two.frameHeight(i)) << folder << name << " frame " << i;
                EXPECT_EQ(one.frameX(i), two.frameX(i)) << folder << name << " frame " << i;
                EXPECT_EQ(one.frameY(i), two.frameY(i)) << folder << name << " frame " << i;
            }
            EXPECT_TRUE(debugLog().empty()) << folder << name << ": " << debugLog();
            ++compared;
        }
    }
    EXPECT_GT(compared, 300) << "the list of packs was not read";
    // The particle textures are stretched over sizes the effect files give,
    // so only their texels matter.
    for (const auto& f : std::filesystem::directory_iterator(kPic + "/particles")) {
        Image a, b;
        ASSERT_TRUE(decodeImageFile(f.path().string(), a)) << f.path();
        ASSERT_TRUE(decodeImageFile(sharp + "/particles/" + f.path().filename().string(), b)) << f.path();
        EXPECT_EQ(b.width, 2 * a.width) << f.path();
        EXPECT_EQ(b.height, 2 * a.height) << f.path();
    }
}

bool inside(const Poly& p, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if ((p[i].second > y) != (p[j].second > y) &&
            x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) + p[i].first)
            in = !in;
    return in;
}

double edgeDistance(const Poly& p, double x, double y) {
    double best = 1e9;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        const double ax = p[j].first, ay = p[j].second, bx = p[i].first, by = p[i].second;
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        const double t = len2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
    }
    return best;
}

// Signed distance to a union of solids: negative inside.
double signedDistance(const std::vector<Poly>& solids, double x, double y) {
    double out = 1e9, in = 0;
    for (const Poly& p : solids) {
        const double d = edgeDistance(p, x, y);
        if (inside(p, x, y))
            in = std::max(in, d);
        else
            out = std::min(out, d);
    }
    return in > 0 ? -in : out;
}

uint32_t alphaAt(const Image& img, int x, int y) { return img.pixels[size_t(y) * size_t(img.width) + size_t(x)] >> 24; }

TEST(ArtShapes, MagnetPicturesShowWhatTheBallsHit) {
    const Shapes shapes = readShapes();
    ASSERT_GE(shapes.magnets.size(), 24u);
    int expected = 1;
    for (const auto& [n, solids] : shapes.magnets) {
        EXPECT_EQ(n, expected++) << "magnets are numbered 1..N without gaps";
        EXPECT_LE(n, 98) << "levels can name magnets up to 98";
        size_t vertices = 0;
        for (const Poly& p : solids) vertices += p.size();
        EXPECT_LE(vertices, 120u) << "magnet " << n << " is too fine for the physics";
        Image img;
        ASSERT_TRUE(decodeImageFile(kPic + "/lock//lock_" + twoDigits(n) + ".png", img)) << n;
        const double unit = 800.0 / 12.0, cx = img.width / 2.0, cy = img.height / 2.0;
        int solid = 0, clear = 0;
        for (int y = 0; y < img.height; y += 3)
            for (int x = 0; x < img.width; x += 3) {
                const double d = signedDistance(solids, (x + 0.5 - cx) / unit, (y + 0.5 - cy) / unit) * unit;
                if (d < -3) {
                    ++solid;
                    EXPECT_GT(alphaAt(img, x, y), 200u) << "magnet " << n << " has a hole at " << x << "," << y;
                } else if (d > 20) {
                    ++clear;
                    EXPECT_LT(alphaAt(img, x, y), 128u) << "magnet " << n << " draws outside its shape at " << x
                                                       << "," << y;
                }
                if (::testing::Test::HasFailure()) return;
            }
        EXPECT_GT(solid, 100) << n;
    }
}

TEST(ArtShapes, WallsCloseTheFieldAndMatchTheForegrounds) {
    const Shapes shapes = readShapes();
    ASSERT_EQ(shapes.walls.size(), 12u);
    const double ball = 26;
    for (const auto& [b, solids] : shapes.walls) {
        ASSERT_GE(b, 0);
        ASSERT_LT(b, 12);
        // Closed on all four sides.
        for (auto [x, y] : {std::pair{400.0, 10.0}, {10.0, 300.0}, {790.0, 300.0}, {400.0, 595.0}})
            EXPECT_LT(signedDistance(solids, x, y), 0) << "background " << b << " is open at " << x << "," << y;
        // Room for the shots (centre at y 530, x 70..730), the spawn points and the magnet.
        for (double x = 70; x <= 730; x += 10)
            EXPECT_GT(signedDistance(solids, x, 530), ball) << "a shot at x " << x << " hits a wall, background " << b;
        EXPECT_GT(signedDistance(solids, 104, 132), ball) << b;
        EXPECT_GT(signedDistance(solids, 696, 132), ball) << b;
        for (double a = 0; a < 2 * M_PI; a += 0.2)
            EXPECT_GT(signedDistance(solids, 400 + 150 * std::cos(a), 269 + 150 * std::sin(a)), ball) << b;
        // The foreground draws exactly the walls.
        Image img;
        ASSERT_TRUE(decodeImageFile(kPic + "/fon/" + kBackgroundNames[b] + "_front.png", img));
        ASSERT_EQ(img.width, 800);
        for (int y = 0; y < 600; y += 4)
            for (int x = 0; x < 800; x += 4) {
                const double d = signedDistance(solids, x + 0.5, y + 0.5);
                if (d < -3) {
                    EXPECT_GT(alphaAt(img, x, y), 200u) << kBackgroundNames[b] << " wall not drawn at " << x << "," << y;
                }
                // Beyond the stone only its soft shadow falls into the field.
                if (d > 8) {
                    EXPECT_LT(alphaAt(img, x, y), 200u) << kBackgroundNames[b] << " draws into the field at " << x << "," << y;
                }
                if (::testing::Test::HasFailure()) return;
            }
    }
}

TEST(ArtShapes, BackgroundsAreOpaqueExceptTheLastHallsDoorway) {
    for (int b = 0; b < 12; ++b) {
        Image img;
        ASSERT_TRUE(decodeImageFile(kPic + "/fon/" + kBackgroundNames[b] + "_back.png", img));
        size_t clear = 0;
        for (uint32_t p : img.pixels) clear += (p >> 24) < 255;
        if (b == 7) {
            // The landscape (245, 145) and the great gate (227..567, 137) lie
            // behind the hall and show through its doorway.
            EXPECT_EQ(alphaAt(img, 400, 300), 0u);
            EXPECT_EQ(alphaAt(img, 250, 400), 0u);
            EXPECT_EQ(alphaAt(img, 100, 300), 255u);
        } else {
            EXPECT_EQ(clear, 0u) << kBackgroundNames[b];
        }
    }
}

// ---------------------------------------------------------------------------
// Effects.
std::vector<std::string> effectNames() {
    std::vector<std::string> n = {"fx_energy", "fx_recolor", "fx_b_bomb", "fx_b_ink", "fx_b_rocket",
                                  "fx_b_rocket_final", "fx_b_degauss", "fx_b_fireball", "fx_b_fireball_flyer",
                                  "fx_b_fireball_final", "fx_b_fireball_mega", "fx_b_fireball_mega_flyer",
                                  "fx_b_fireball_mega_final", "fx_b_lightning", "fx_b_lightning_flyer",
                                  "fx_b_lightning_final", "fx_b_lightning_mega", "fx_b_lightning_mega_flyer",
                                  "fx_b_lightning_mega_final", "fx_bonusdrop", "fx_overcharge", "fx_mag_spawn",
                                  "fx_nuke", "fx_splashes", "fx_rockfall", "fx_rain", "fx_explode", "fx_torch",
                                  "fx_title", "fx_wait1", "fx_m_splashes", "fx_m_explode", "fx_m_wait"};
    for (int t = 0; t < 14; ++t) n.push_back("fx_match3_" + std::to_string(t));
    return n;
}

// Live particles an emitter keeps: a one-shot emitter its whole output, a
// running one its rate times the longest life. Steps come every 3 ticks at
// 80 per second, and an emission needs the clock past the last one plus the
// interval.
double particleLoad(const EmitterDef& d) {
    const double step = 3.0 / 80.0;
    const double period = (std::floor(d.emitInterval / step) + 1) * step;
    const double perEmit = double(d.particlesPerEmit) * d.burstSize;
    if (d.useCycle && d.singleEmit) return perEmit * d.emitsPerCycle;
    const double life = d.life * (1 + d.lifeVariation / 100.0);
    return perEmit * std::ceil(life / period);
}

TEST_F(ArtTest, EffectFilesParseCleanlyAndFitThePool) {
    textureBank().setParticleFolder(kPic + "/particles/");
    double torch = 0, energy = 0;
    for (const std::string& name : effectNames()) {
        const std::string path = kData + "/fx/" + name + ".fx";
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        clearDebugLog();
        const std::vector<EmitterDef> list = parseEffectFile(path);
        EXPECT_TRUE(debugLog().empty()) << name << ": " << debugLog();
        ASSERT_FALSE(list.empty()) << name;
        double load = 0;
        for (const EmitterDef& d : list) {
            ASSERT_FALSE(d.texture.empty()) << name << " draws untextured squares";
            const TextureEntry* tex = textureBank().textureById(d.textureId);
            ASSERT_NE(tex, nullptr) << name << ": " << d.texture;
            EXPECT_GT(tex->width, 0u) << name << ": " << d.texture << " did not load";
            EXPECT_GT(d.life, 0) << name;
            load += particleLoad(d);
        }
        if (name == "fx_torch") torch = load;
        if (name == "fx_energy") energy = load;
        EXPECT_LE(load, 250) << name << " would starve the pool of 3000 particles";
    }
    // A full field: a hundred balls each with its energy drift, two torches,
    // and room left for the explosions.
    EXPECT_LE(100 * energy + 2 * torch, 1000) << "steady effects leave too little of the pool";
}

}  // namespace
