// The pieces the screens share: the pause picture, the dialog frame with and
// without its pointing corner, the torches over the menu backdrop.
#include "demo.h"
#include "screens/dialog_frame.h"
#include "screens/dialog_screens.h"
#include "screens/pictures.h"
#include "screens/torches.h"

namespace {

using screendemo::Registration;
using screendemo::Stage;

const Registration pause("pause", "the pause picture, fully faded in", [](Stage& s) {
    new PauseScreen(pictureByName("_pause"), 1000);
    s.run(30);
});

const Registration frames("dialog-frame", "dialog frames over the menu backdrop with torches", [](Stage& s) {
    PckSprite back;
    back.setPicture(pictureByName("_mm_bkg"), 0);
    back.setLayer(400);
    Torches torches(450);
    DialogFrame big(215, 60, 72, 28);
    DialogFrame tip(120, 380, 40, 12);
    tip.setCornerPicture(0, pictureByName("framecorners"));
    s.run(120);
    s.shot(s.outPath);
});

}  // namespace
