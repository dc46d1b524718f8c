// Every picture pack the screens and the game show, reached by name or by
// family and index. Each is loaded on first use and kept until exit, so the
// same pack object serves every screen that shows it.
#pragma once

#include <string>

#include "res/picture_pack.h"  // what the lookups return is shown by sprites

// The low-level load (pack, name, load flag, frames, per row); tests replace
// it so that no image file is needed. Null restores the real one.
using PictureLoadFn = void (*)(PicturePack& pack, const std::string& name, bool loadFlag, int frames, int perRow);
void setPictureLoadFunction(PictureLoadFn fn);

// A fixed-name pack with the frame layout of its table row; names outside
// the tables are one-frame packs.
PicturePack* pictureByName(const std::string& name);
// Loads every pack loaded so far again, in place (the language changed:
// its pictures with words and its font take the others' place).
void reloadPictures();

// Indexed families. Out-of-range indices give null (comix clamps).
PicturePack* lockPicture(int i);
PicturePack* mapPicture(int episode);           // 1..11
PicturePack* mapMarkerPicture(int episode);     // "_map01"
PicturePack* mapHighlightPicture(int episode);  // "_map02"
PicturePack* gatePicture(int i);
PicturePack* spawnGunPicture(int i);
PicturePack* comixPicture(int i);
PicturePack* backPicture(int n);
PicturePack* frontPicture(int n);
PicturePack* goldPicture(int n, int k);
PicturePack* messagePack(int i);
PicturePack* buttonPicture(int i);
PicturePack* ballPicture(int i);
PicturePack* prismPicture(int i);
PicturePack* bonusPlatePicture(int i);
PicturePack* bonusPlateGlowPicture(int i);
PicturePack* profileButtonPicture(const std::string& name);

// Every single-name pack the screens and the game show.
constexpr int kFixedPictureCount = 52;
extern const char* const kFixedPictureNames[kFixedPictureCount];

// The menu buttons, "menu//Buttons_<name>", in the order of their indices:
// both the names and the btn:: indices are made from this one list.
#define VM_BUTTON_NAMES(X)                                                                                     \
    X(MM_Play) X(MM_HiScores) X(MM_Options) X(MM_Help) X(MM_Exit) X(MM_Click) X(options_ok) X(options_cancel) \
    X(hiscores_done) X(ask_load) X(ask_new) X(small_exit) X(small_mini) X(small_menu) X(ig_resume) X(ig_help) \
    X(ig_restart) X(ig_mainmenu) X(ig_options) X(ig_exit) X(help_credits) X(help_done) X(clickhere)         \
    X(ok_map) X(resume) X(yes) X(no)

// Indices of kButtonNames, for buttonPicture().
namespace btn {
enum : int {
#define VM_BUTTON_INDEX(name) name,
    VM_BUTTON_NAMES(VM_BUTTON_INDEX)
#undef VM_BUTTON_INDEX
    kCount
};
}  // namespace btn

// The name lists the families index.
constexpr int kMessageNameCount = 20, kButtonNameCount = btn::kCount, kBallNameCount = 21, kPrismNameCount = 6;
extern const char* const kMessageNames[kMessageNameCount];
extern const char* const kButtonNames[kButtonNameCount];
extern const char* const kBallNames[kBallNameCount];
extern const char* const kPrismSuffixes[kPrismNameCount];
int buttonIndex(const std::string& name);  // -1 when not a button name


// One step of the title screen's preloading (steps 0 to 34; most do nothing).
void preloadPictures(int step);
// Whether a step of preloadPictures loads anything; the others are free for
// other loading.
bool preloadStepLoadsPictures(int step);

// Routes the play field's and the HUD's picture lookups through these
// accessors, so the whole game shares one set of packs.
void installPictureAccessors();

// Number of packs created so far (tests).
int picturesCreated();
// Forgets every pack (tests only: packs are otherwise never released).
void resetPicturesForTests();
