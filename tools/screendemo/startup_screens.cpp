// The screens before the menus: the logos, the title while it loads, when it
// waits for the player and while it fades out, the comic and the credits.
#include "screens/startup_screens.h"

#include "demo.h"
#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/pictures.h"

namespace {

using screendemo::Registration;
using screendemo::Stage;

constexpr int kLogoLayer = 400;

// Runs the title until "clickhere" shows.
TitleScreenv2* openTitle(Stage& s) {
    auto* title = new TitleScreenv2;
    for (int i = 0; i < 400 && title->phase != TitleScreenv2::kWaiting; ++i) s.run(1);
    return title;
}

const Registration logo1("logo1", "the first logo, fully shown", [](Stage& s) {
    new CLogoScreen(pictureByName("_logo1"), kLogoLayer);
    s.run(60);
});

const Registration logo2("logo2", "the second logo, half way through its fade", [](Stage& s) {
    new CLogoScreen(pictureByName("_logo2"), kLogoLayer);
    s.run(CLogoScreen::kShowTicks + 15);
});

const Registration titleLoading("title-loading", "the title while it loads: a dozen coins in the bar",
                                [](Stage& s) {
                                    new TitleScreenv2;
                                    s.run(TitleScreenv2::kFadeInTicks + 12);
                                });

const Registration titleGates("title-gates", "the title's gates half open", [](Stage& s) {
    new TitleScreenv2;
    s.run(TitleScreenv2::kFadeInTicks + TitleScreenv2::kCoins + TitleScreenv2::kGateTicks / 2);
});

const Registration titleWaiting("title-clickhere", "the title waiting for the player", [](Stage& s) {
    openTitle(s);
    s.run(20);
});

const Registration titleLeaving("title-leaving", "the title fading out over the menu backdrop", [](Stage& s) {
    TitleScreenv2* title = openTitle(s);
    // What the menu puts below the title as it leaves.
    PckSprite menu;
    menu.setPicture(pictureByName("_mm_bkg"), 0);
    menu.setLayer(500);
    title->skip();
    s.run(50);
    s.shot(s.outPath);
});

const Registration comic("comic", "the story page before a new game", [](Stage& s) {
    new CComixScreen(100);
    s.run(80);
});

const Registration credits("credits", "the credits over the menu backdrop", [](Stage& s) {
    new CreditsScreen(pictureByName("_mm_bkg"), pictureByName("credits_plate"), 400);
    s.run(80);
});

}  // namespace
