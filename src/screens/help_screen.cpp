#include "screens/help_screen.h"

#include "game/reports.h"
#include "res/picture_pack.h"
#include "screens/menu_parts.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

Help::Help(int helpMode) : mode(helpMode == kInGame ? kInGame : kFromMenu) {
    backdrop.setPicture(pictureByName("_mm_bkg"), 0);
    backdrop.setLayer(kBackdropLayer);
    page.setPicture(pictureByName("_help"), 0);
    page.setLayer(kPageLayer);
    if (mode == kFromMenu) {
        creditsButton = menuButton(this, kCreditsId, btn::help_credits, 37, kButtonY, kButtonLayer);
        doneButton = menuButton(this, kDoneId, btn::help_done, 546, kButtonY, kButtonLayer);
    } else {
        PicturePack* done = buttonPicture(btn::help_done);
        doneButton =
            menuButton(this, kDoneId, btn::help_done, 400 - packWidth(done) / 2, kButtonY, kButtonLayer);
    }
}

Help::~Help() {
    dropButton(doneButton);
    dropButton(creditsButton);
}

int Help::onNotify(int id, int, int a, int) {
    // One answer only: a second click before the owner has killed the page
    // would otherwise report again.
    if (dead || answered || a != kButtonClicked) return 1;
    if (id == kDoneId) {
        answered = 1;
        notifyOwner(0, 0, 0);
    } else if (id == kCreditsId && creditsButton) {
        answered = 1;
        notifyOwner(0, 0, report::Credits);
    }
    return 1;
}
