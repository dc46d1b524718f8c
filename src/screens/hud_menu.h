// The menu bar over the play field and the in-game menu it opens.
//
// The bar (`Menu`) has a "Menu" button and, in full screen only, exit and
// minimise buttons. It opens the in-game menu (resume, help, restart, main
// menu, options, exit) and, from there, the help page and the options
// dialog, coming back to the in-game menu when they close. Its owner, the
// game state of the screen dispatcher, gets one report (game/reports.h) per
// decision:
//   OpenGameMenu (the owner pauses the game, then calls openInGameMenu()),
//   GameMenuClosed by resume or restart (the owner calls closeInGameMenu()
//        and resumes the game),
//   Help / Options opened over the game (nothing to do),
//   Exit the game, MainMenu, Minimise the window, TipClosed.
#pragma once

#include <array>
#include <cstdint>

#include "scene/actor.h"

class Button;
class COptionsMenu;
class Help;
class ToolTip;
class SlideShow;

class InGameMenu : public Actor {
public:
    static constexpr int kEntries = 6;
    static constexpr int kX = 296;
    static constexpr int kSlideTicks = 40;
    static constexpr int kPictureLayer = 570, kButtonLayer = 571;
    // Report id of the first picture sequence, and the messages it sends.
    static constexpr int kSlideId = 100, kInMsg = 101, kOutMsg = 102;

    struct Entry {
        int picture;  // index in the button family; also the button's report id
        int y;
        int report;
    };
    static const std::array<Entry, kEntries> kMenu;

    // Slides in from above; reports (result, 0, 0) once it has slid out
    // again after a choice.
    InGameMenu();
    ~InGameMenu() override;
    int onNotify(int id, int msg, int a, int b) override;
    // Escape: resume, but only once the menu is fully in.
    void escape();
    // Takes the buttons off and kills the menu without sliding out.
    void dismiss();

    std::array<SlideShow*, kEntries> slides{};
    std::array<Button*, kEntries> buttons{};
    uint8_t open = 0;
    int32_t result = 0;
    uint8_t leaving = 0;  // a choice is made; the slide out runs

private:
    void slideOut(int report);
    void dropButtons();
};

class Menu : public Actor {
public:
    // Report ids of its children.
    enum : int {
        kMenuButtonId = 1,
        kExitButtonId = 2,
        kMiniButtonId = 3,
        kOptionsId = 4,
        kInGameMenuId = 5,
        kHelpId = 6,
        kTipId = 7,        // a tip of the first kind
        kSecondTipId = 8,  // a tip of the second kind
    };
    static constexpr int kButtonLayer = 400;
    // Enter, leave, left press, left release: the buttons let clicks through
    // to the field around them.
    static constexpr int kZoneMask = 30;
    static constexpr int kOptionsX = 203, kOptionsY = 72;
    static constexpr int kTipLayer = 800;

    // The single bar, created on first call.
    static Menu& instance();
    // Null while there is none.
    static Menu* existing();
    // Takes the bar and everything it opened off the screen at once, kills
    // it and forgets it: the next instance() builds a new one.
    static void release();

    ~Menu() override;
    int onNotify(int id, int msg, int a, int b) override;

    // The three buttons; the menu button starts disabled (enableMenu()).
    void createButtons();
    void enableMenu();
    void disableMenu();
    void openInGameMenu();
    void closeInGameMenu();
    // Escape in the game: closes the open in-game menu (once it is fully
    // in), or opens it while the menu button may be used.
    void escape();
    // Exit and minimise follow the screen mode: shown and usable in full
    // screen, hidden and inert in a window.
    void refreshWindowButtons();
    // A tip box anchored at the game's hint point; kind 1 is kept (closing
    // it resumes the game), kind 2 restarts the level when closed. The menu
    // button waits until the tip is closed.
    void showTip(int number, int kind);
    void tipClosed();

    Button* menuButton = nullptr;
    Button* exitButton = nullptr;
    Button* miniButton = nullptr;
    InGameMenu* inGameMenu = nullptr;
    COptionsMenu* options = nullptr;
    Help* help = nullptr;
    ToolTip* tip = nullptr;  // the open tip of the first kind
    uint8_t menuEnabled = 0;

private:
    Menu() = default;
    void teardown();
    void restartLevel();
    void coverBar();
    void uncoverBar();
};
