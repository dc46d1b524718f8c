// The menus: the main menu arriving, waiting, under the pointer and leaving,
// the options dialog, the help page in both its forms and the in-game menu
// over a level.
#include "demo.h"
#include "game/game.h"
#include "players/players.h"
#include "screens/help_screen.h"
#include "screens/hud_menu.h"
#include "screens/map_screen.h"
#include "screens/main_menu.h"
#include "screens/options_menu.h"
#include "ui/buttons.h"

namespace {

using screendemo::Registration;
using screendemo::Stage;

// A player with a name for the welcome line.
void namedPlayer() {
    commitPlayers({{"Rowena", -1, 0}}, 0);
    loadActivePlayer();
}

const Registration appearing("main-menu-appearing", "the main menu half way through its arrival",
                             [](Stage& s) {
                                 namedPlayer();
                                 new MainMenu;
                                 s.run(11);
                             });

const Registration idle("main-menu", "the main menu waiting, with the welcome line and burning torches",
                        [](Stage& s) {
                            namedPlayer();
                            new MainMenu;
                            s.run(120);
                        });

const Registration hover("main-menu-hover", "the main menu with the pointer on Options", [](Stage& s) {
    namedPlayer();
    new MainMenu;
    s.run(40);
    s.moveTo(400, 340);
    s.run(4);
});

const Registration leaving("main-menu-vanishing", "the main menu leaving after a click on Help",
                           [](Stage& s) {
                               namedPlayer();
                               new MainMenu;
                               s.run(40);
                               s.click(400, 410);
                               s.run(9);
                           });

const Registration options("options", "the options dialog over the menu backdrop", [](Stage& s) {
    setMusicVolume(60);
    setSoundFXVolume(35);
    new COptionsMenu(203, 72);
    s.run(100);
});

const Registration optionsHover("options-hover", "the options dialog with the pointer on the music knob",
                                [](Stage& s) {
                                    auto* o = new COptionsMenu(203, 72);
                                    s.run(20);
                                    const PckSprite* knob = o->musicSlider->sprite();
                                    s.moveTo(static_cast<int>(knob->x) + 5, static_cast<int>(knob->y) + 5);
                                    s.run(20);
                                });

const Registration help("help", "the help page from the main menu (credits and done)", [](Stage& s) {
    new Help(Help::kFromMenu);
    s.run(5);
});

const Registration helpGame("help-game", "the help page in a game (done only, centred)", [](Stage& s) {
    new Help(Help::kInGame);
    s.run(5);
});

// A level under way, its bar and the in-game menu opened as Escape would.
void inGameMenu(Stage& s, int ticks) {
    setGameSession(1);
    setUserProgress(23);
    setMapScreenMaker(&makeMapScreen);
    Game::instance().startGame();
    s.run(400);
    Menu& bar = Menu::instance();
    bar.createButtons();
    bar.enableMenu();
    bar.escape();
    Game::instance().pauseGame();
    bar.openInGameMenu();
    s.run(ticks);
}

const Registration gameMenu("in-game-menu", "the in-game menu fully in over a level",
                            [](Stage& s) { inGameMenu(s, 60); });

const Registration gameMenuSliding("in-game-menu-sliding", "the in-game menu sliding in over a level",
                                   [](Stage& s) { inGameMenu(s, 12); });

// Options chosen in the in-game menu: the dialog covers the level and the bar.
const Registration gameOptions("in-game-options", "the options dialog opened from the in-game menu",
                               [](Stage& s) {
                                   inGameMenu(s, 60);
                                   s.click(400, 363 + 30);
                                   s.run(60);
                               });

const Registration gameBar("hud-bar", "a level with the menu bar (windowed: the menu button only)",
                           [](Stage& s) {
                               setGameSession(1);
                               setUserProgress(23);
                               Game::instance().startGame();
                               s.run(400);
                               Menu::instance().createButtons();
                               Menu::instance().enableMenu();
                               s.moveTo(700, 12);
                               s.run(3);
                           });

}  // namespace
