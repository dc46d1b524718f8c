#include "screens/pictures.h"

#include <cstdio>
#include <map>
#include <memory>

#include "game/backgrounds.h"
#include "game/game_pictures.h"
#include "game/hud.h"
#include "gfx/particles.h"
#include "res/picture_pack.h"

const char* const kFixedPictureNames[kFixedPictureCount] = {
    "cursor", "font1", "_logo1", "_logo2", "_help", "_mm_bkg", "_mm_bkg_foreground", "_pause", "wall",
    "credits_plate", "transparent", "_mo_galochka", "_mo_begunok", "_mo_menu_lb", "_mo_menu_rb", "_mo_menu_FIELDB",
    "flare", "brilliant_glow", "brilliant", "gun_side_left", "gun_side_right", "gun_middle", "gun_zatvor_left",
    "gun_zatvor_right", "gun_progress_bar", "gun_progress_bar_light", "gun_heat", "level_no", "level_line", "mapa",
    "load_bar", "coin", "title_gate_left", "rails", "black", "panel_info", "panel_info_back", "panel_info_bar",
    "panel_info_bonus_sq", "list_users", "options_plate", "hiscores_plate", "saved", "small_ramka", "frame",
    "framecorners", "arrow", "arrowbig", "last_gate_left", "last_gate_right", "last_landscape", "fon/common_mask"};
const char* const kMessageNames[kMessageNameCount] = {
    "level", "leveldone", "stagedone", "gameover", "tryagain", "good",     "x3",        "x4",     "x5",     "verygood",
    "great", "x8",        "superior",  "x10",      "excellent", "fine",    "marvelous", "combo1", "combo2", "combo3"};
const char* const kButtonNames[kButtonNameCount] = {
#define VM_BUTTON_NAME(name) #name,
    VM_BUTTON_NAMES(VM_BUTTON_NAME)
#undef VM_BUTTON_NAME
};
const char* const kBallNames[kBallNameCount] = {
    "c1",    "c2",       "c3",            "c4",   "c5",         "c6",         "c7",
    "c8",    "free0",    "free1",         "free2", "bonus",     "fireball",   "fireball_mega",
    "glow",  "free0_glow", "free1_glow",  "free2_glow", "fireball_glow", "fireball_mega_glow", "shadow"};
const char* const kPrismSuffixes[kPrismNameCount] = {"_red", "2_white", "3_brown", "3_green", "3_red", "3_white"};

namespace {

struct Layout {
    bool loadFlag = false;
    int frames = 1;
    int perRow = 15;
};

void realLoad(PicturePack& pack, const std::string& name, bool loadFlag, int frames, int perRow) {
    pack.load(name, loadFlag, frames, perRow);
    // The font's cells are cut to the glyphs' own widths.
    if (name == "font1") pack.trimGlyphs();
}

PictureLoadFn g_load = realLoad;

std::map<std::string, std::unique_ptr<PicturePack>>& cache() {
    static std::map<std::string, std::unique_ptr<PicturePack>> packs;
    return packs;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The frame layout of a name, from the fixed table or its family.
Layout layoutOf(const std::string& name) {
    static const std::map<std::string, Layout> fixed = {
        {"font1", {false, 256, 32}},       {"level_no", {false, 10, 15}},     {"_mo_galochka", {false, 2, 15}},
        {"_mo_begunok", {false, 3, 15}},   {"_mo_menu_lb", {false, 3, 15}},   {"_mo_menu_rb", {false, 3, 15}},
        {"small_ramka", {true, 9, 3}},     {"frame", {false, 9, 3}},          {"framecorners", {false, 9, 3}},
        {"brilliant", {false, 20, 10}},    {"balls//ball_bonus", {false, 40, 19}},
    };
    if (auto it = fixed.find(name); it != fixed.end()) return it->second;
    if (startsWith(name, "menu//Buttons_")) return {true, 3, 15};
    if (startsWith(name, "menu//profile//button_")) return {false, 3, 15};
    if (startsWith(name, "balls//prizm")) return {false, 9, 15};
    return {};
}

std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%d%d", (n / 10) % 10, n % 10);
    return text;
}

template <int N>
PicturePack* listed(const char* const (&names)[N], int i, const char* prefix, const char* suffix = "") {
    if (i < 0 || i >= N) return nullptr;
    return pictureByName(std::string(prefix) + names[i] + suffix);
}

PicturePack* mapFamily(int episode, const char* suffix) {
    if (episode < 1 || episode > 11) return nullptr;
    return pictureByName("map//" + twoDigits(episode) + suffix);
}

}  // namespace

void setPictureLoadFunction(PictureLoadFn fn) { g_load = fn ? fn : realLoad; }

PicturePack* pictureByName(const std::string& name) {
    auto& slot = cache()[name];
    if (!slot) {
        slot = std::make_unique<PicturePack>();
        const Layout l = layoutOf(name);
        g_load(*slot, name, l.loadFlag, l.frames, l.perRow);
    }
    return slot.get();
}

void reloadPictures() {
    for (auto& [name, pack] : cache()) {
        const Layout l = layoutOf(name);
        g_load(*pack, name, l.loadFlag, l.frames, l.perRow);
    }
}

PicturePack* lockPicture(int i) { return i < 0 || i > 99 ? nullptr : pictureByName("lock//lock_" + twoDigits(i)); }
PicturePack* mapPicture(int episode) { return mapFamily(episode, ""); }
PicturePack* mapMarkerPicture(int episode) { return mapFamily(episode, "_map01"); }
PicturePack* mapHighlightPicture(int episode) { return mapFamily(episode, "_map02"); }
PicturePack* gatePicture(int i) {
    return i < 0 || i > 98 ? nullptr : pictureByName("gate/gate_" + twoDigits(i + 1) + "_l");
}
PicturePack* spawnGunPicture(int i) {
    return i < 0 || i > 98 ? nullptr : pictureByName("gate/spawngun_" + twoDigits(i + 1) + "_l");
}
PicturePack* comixPicture(int i) { return pictureByName("fon//comix_" + std::to_string(i < 0 ? 0 : i > 1 ? 1 : i)); }
PicturePack* backPicture(int n) { return listed(kBackgroundNames, n, "fon/", "_back"); }
PicturePack* frontPicture(int n) { return listed(kBackgroundNames, n, "fon/", "_front"); }
PicturePack* goldPicture(int n, int k) {
    if (n < 0 || n >= kBackgrounds || k < 0 || k >= kMaxGold) return nullptr;
    return pictureByName(std::string("fon/") + kBackgroundNames[n] + "_gold" + twoDigits(k + 1));
}
PicturePack* messagePack(int i) { return listed(kMessageNames, i, "messages//msg_"); }
PicturePack* buttonPicture(int i) { return listed(kButtonNames, i, "menu//Buttons_"); }
PicturePack* ballPicture(int i) { return listed(kBallNames, i, "balls//ball_"); }
PicturePack* prismPicture(int i) { return listed(kPrismSuffixes, i, "balls//prizm"); }
PicturePack* bonusPlatePicture(int i) {
    return i < 0 ? nullptr : pictureByName("bonusplates//bonus_plate_" + std::to_string(i));
}
PicturePack* bonusPlateGlowPicture(int i) {
    return i < 0 ? nullptr : pictureByName("bonusplates//bonus_plate_glow_" + std::to_string(i));
}
PicturePack* profileButtonPicture(const std::string& name) {
    for (const char* n : {"rename", "delete", "ok", "cancel"})
        if (name == n) return pictureByName("menu//profile//button_" + name);
    return nullptr;
}

int buttonIndex(const std::string& name) {
    for (int i = 0; i < kButtonNameCount; ++i)
        if (name == kButtonNames[i]) return i;
    return -1;
}

void preloadPictures(int step) {
    auto names = [](std::initializer_list<const char*> list) {
        for (const char* n : list) pictureByName(n);
    };
    switch (step) {
        case 0: names({"cursor", "font1", "_mm_bkg", "_mm_bkg_foreground", "wall", "transparent"}); break;
        case 5: names({"_mo_galochka", "_mo_begunok", "_mo_menu_lb", "_mo_menu_rb", "_mo_menu_FIELDB"}); break;
        case 10:
            names({"flare", "brilliant", "brilliant_glow", "gun_side_left", "gun_side_right", "gun_middle",
                   "gun_zatvor_left", "gun_zatvor_right", "gun_progress_bar", "gun_progress_bar_light", "gun_heat",
                   "level_no", "level_line", "mapa"});
            break;
        case 15:
            names({"load_bar", "coin", "title_gate_left", "rails", "black", "panel_info", "panel_info_back",
                   "panel_info_bar", "panel_info_bonus_sq"});
            break;
        case 20: names({"small_ramka", "frame", "framecorners", "arrow", "arrowbig"}); break;
        case 25:
            for (int e = 1; e <= 11; ++e) {
                mapPicture(e);
                mapMarkerPicture(e);
                mapHighlightPicture(e);
            }
            break;
        case 28:
            for (int i = 0; i < kMessageNameCount; ++i) messagePack(i);
            break;
        case 30:
            for (int i = 0; i < kButtonNameCount; ++i) buttonPicture(i);
            break;
        case 34:
            for (int i = 0; i < kBallNameCount; ++i) ballPicture(i);
            for (int i = 0; i < kPrismNameCount; ++i) prismPicture(i);
            loadAllEffects();
            break;
        default: break;
    }
}

bool preloadStepLoadsPictures(int step) {
    for (int s : {0, 5, 10, 15, 20, 25, 28, 30, 34})
        if (step == s) return true;
    return false;
}

void installPictureAccessors() {
    setGamePackLoader([](const std::string& name) { return pictureByName(name); });
    setHudPackLoader([](const std::string& name, int, int) { return pictureByName(name); });
}

int picturesCreated() { return static_cast<int>(cache().size()); }
void resetPicturesForTests() { cache().clear(); }
