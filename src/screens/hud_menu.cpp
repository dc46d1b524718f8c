#include "screens/hud_menu.h"

#include "anim/commands.h"
#include "game/game.h"
#include "game/reports.h"
#include "gfx/gfx.h"
#include "screens/help_screen.h"
#include "screens/tooltip.h"
#include "screens/menu_parts.h"
#include "screens/options_menu.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

namespace {
Menu* g_menu = nullptr;
constexpr int kOffScreen = 600;  // the menu slides from one screen height above
}  // namespace

// ---------------------------------------------------------------- in-game menu

const std::array<InGameMenu::Entry, InGameMenu::kEntries> InGameMenu::kMenu = {{
    {btn::ig_resume, 55, report::GameMenuClosed},
    {btn::ig_help, 132, report::Help},
    {btn::ig_restart, 209, report::Restart},
    {btn::ig_mainmenu, 286, report::MainMenu},
    {btn::ig_options, 363, report::Options},
    {btn::ig_exit, 440, report::Exit},
}};

InGameMenu::InGameMenu() {
    for (int i = 0; i < kEntries; ++i) {
        const Entry& e = kMenu[static_cast<size_t>(i)];
        auto* show = new SlideShow;
        // The entries move together; the first one speaks for all.
        if (i == 0) show->setOwner(this, kSlideId);
        show->sprite.setPicture(buttonPicture(e.picture), 0);
        show->sprite.setLayer(kPictureLayer);
        show->sprite.setPosition(kX, e.y - kOffScreen);
        show->enqueue(timed<SSC_SpeedDownTo>(kSlideTicks, kX, e.y));
        if (i == 0) show->enqueue(new SSC_Msg(kInMsg, 0));
        slides[static_cast<size_t>(i)] = show;
    }
}

InGameMenu::~InGameMenu() {
    dropButtons();
    for (SlideShow*& show : slides) {
        if (!show) continue;
        show->setOwner(nullptr, 0);
        show->kill();
        show = nullptr;
    }
}

void InGameMenu::dropButtons() {
    for (Button*& b : buttons) dropButton(b);
}

int InGameMenu::onNotify(int id, int, int a, int) {
    if (dead) return 1;
    if (id == kSlideId) {
        if (a == kInMsg && !open && !leaving) {
            open = 1;
            for (int i = 0; i < kEntries; ++i) {
                const Entry& e = kMenu[static_cast<size_t>(i)];
                Button* b = menuButton(this, e.picture, e.picture, kX, e.y, kButtonLayer);
                b->enabled = 0;
                buttons[static_cast<size_t>(i)] = b;
            }
            for (Button* b : buttons) b->enabled = 1;
        } else if (a == kOutMsg && leaving) {
            notifyOwner(result, 0, 0);
        }
        return 1;
    }
    if (a != kButtonClicked || !open) return 1;
    for (const Entry& e : kMenu)
        if (e.picture == id) slideOut(e.report);
    return 1;
}

void InGameMenu::slideOut(int report) {
    result = report;
    open = 0;
    leaving = 1;
    for (Button* b : buttons)
        if (b) b->enabled = 0;
    dropButtons();
    for (int i = 0; i < kEntries; ++i) {
        SlideShow* show = slides[static_cast<size_t>(i)];
        if (!show) continue;
        const int y = kMenu[static_cast<size_t>(i)].y;
        show->enqueue(timed<SSC_SpeedUpTo>(kSlideTicks, kX, y - kOffScreen));
        if (i == 0) show->enqueue(new SSC_Msg(kOutMsg, 0));
    }
}

void InGameMenu::escape() {
    // During the slide in there are no buttons yet, and Escape waits for
    // them like a click would.
    if (open == 1) slideOut(report::GameMenuClosed);
}

void InGameMenu::dismiss() {
    open = 0;
    dropButtons();
    for (SlideShow*& show : slides) {
        if (!show) continue;
        show->sprite.setVisible(false);
        show->setOwner(nullptr, 0);
        show->kill();
        show = nullptr;
    }
    setOwner(nullptr, 0);
    kill();
}

// ---------------------------------------------------------------- the bar

Menu& Menu::instance() {
    if (!g_menu) g_menu = new Menu;
    return *g_menu;
}

Menu* Menu::existing() {
    return g_menu;
}

void Menu::release() {
    if (!g_menu) return;
    Menu* menu = g_menu;
    g_menu = nullptr;
    menu->teardown();
    menu->setOwner(nullptr, 0);
    menu->kill();
}

Menu::~Menu() {
    teardown();
    if (g_menu == this) g_menu = nullptr;
}

// Everything the bar shows goes at once, not at the purge: the next game
// may build a new bar before this one is deleted.
void Menu::teardown() {
    dropButton(menuButton);
    dropButton(exitButton);
    dropButton(miniButton);
    closeInGameMenu();
    if (options) {
        options->setOwner(nullptr, 0);
        options->close();
        options = nullptr;
    }
    if (help) {
        help->setOwner(nullptr, 0);
        help->kill();
        help = nullptr;
    }
    if (tip) {
        tip->setOwner(nullptr, 0);
        tip->kill();
        tip = nullptr;
    }
    menuEnabled = 0;
}

void Menu::showTip(int number, int kind) {
    const Game* g = Game::existing();
    auto* box = new ToolTip(kTipLayer, number, g ? g->hintX : -1, g ? g->hintY : -1);
    if (kind == 1) {
        box->setOwner(this, kTipId);
        tip = box;
    } else {
        box->setOwner(this, kSecondTipId);
    }
    disableMenu();
}

void Menu::tipClosed() {
    tip = nullptr;
    enableMenu();
}

void Menu::createButtons() {
    teardown();
    struct Place {
        Button** slot;
        int picture, x, y, id;
    };
    for (const Place& s : {Place{&menuButton, btn::small_menu, 676, 5, kMenuButtonId},
                           Place{&exitButton, btn::small_exit, 776, 0, kExitButtonId},
                           Place{&miniButton, btn::small_mini, 754, 0, kMiniButtonId}}) {
        Button* b = ::menuButton(this, s.id, s.picture, s.x, s.y, kButtonLayer);
        b->setZone(kZoneMask, 0);
        *s.slot = b;
    }
    refreshWindowButtons();
    disableMenu();
}

void Menu::refreshWindowButtons() {
    const bool fullScreen = Gfx_IsFullscreen();
    for (Button* b : {exitButton, miniButton}) {
        if (!b) continue;
        b->sprite()->setVisible(fullScreen);
        b->enabled = fullScreen ? 1 : 0;
    }
}

// The options dialog and the help page cover the play field and the bar:
// the bar's buttons are hidden meanwhile, and must take no clicks there.
void Menu::coverBar() {
    for (Button* b : {menuButton, exitButton, miniButton}) {
        if (!b) continue;
        b->sprite()->setVisible(false);
        b->enabled = 0;
    }
}

void Menu::uncoverBar() {
    if (menuButton) {
        menuButton->sprite()->setVisible(true);
        menuButton->enabled = menuEnabled;
    }
    refreshWindowButtons();
}

void Menu::enableMenu() {
    if (menuButton) menuButton->enabled = 1;
    menuEnabled = 1;
}

void Menu::disableMenu() {
    if (menuButton) menuButton->enabled = 0;
    menuEnabled = 0;
}

void Menu::openInGameMenu() {
    closeInGameMenu();
    inGameMenu = new InGameMenu;
    inGameMenu->setOwner(this, kInGameMenuId);
}

void Menu::closeInGameMenu() {
    if (!inGameMenu) return;
    inGameMenu->dismiss();
    inGameMenu = nullptr;
}

void Menu::escape() {
    if (inGameMenu) {
        inGameMenu->escape();
    } else if (menuEnabled) {
        disableMenu();
        notifyOwner(report::OpenGameMenu, 0, 0);
    }
}

void Menu::restartLevel() {
    if (Game* g = Game::existing()) g->restartLevel();
}

int Menu::onNotify(int id, int msg, int a, int) {
    if (dead) return 1;
    switch (id) {
        case kMenuButtonId:
            if (a != kButtonClicked || !menuEnabled) return 1;
            disableMenu();
            notifyOwner(report::OpenGameMenu, 0, 0);
            return 1;
        case kExitButtonId:
            if (a == kButtonClicked) notifyOwner(report::Exit, 0, 0);
            return 1;
        case kMiniButtonId:
            if (a == kButtonClicked) notifyOwner(report::Minimise, 0, 0);
            return 1;
        case kInGameMenuId:
            switch (msg) {
                case report::GameMenuClosed:
                    enableMenu();
                    notifyOwner(report::GameMenuClosed, 0, 0);
                    return 1;
                case report::Restart:
                    restartLevel();
                    enableMenu();
                    notifyOwner(report::GameMenuClosed, 0, 0);
                    return 1;
                case report::Help:
                    closeInGameMenu();
                    coverBar();
                    help = new Help(Help::kInGame);
                    help->setOwner(this, kHelpId);
                    notifyOwner(report::Help, 0, 0);
                    return 1;
                case report::Options:
                    closeInGameMenu();
                    coverBar();
                    options = new COptionsMenu(kOptionsX, kOptionsY);
                    options->setOwner(this, kOptionsId);
                    notifyOwner(report::Options, 0, 0);
                    return 1;
                case report::Exit:
                    notifyOwner(report::Exit, 0, 0);
                    return 1;
                case report::MainMenu:
                    closeInGameMenu();
                    notifyOwner(report::MainMenu, 0, 0);
                    return 1;
                default:
                    return 1;
            }
        case kOptionsId:
            if (msg != report::OptionsClosed || !options) return 1;
            options->close();
            options = nullptr;
            // OK may have switched the screen mode.
            uncoverBar();
            openInGameMenu();
            return 1;
        case kHelpId:
            if (!help) return 1;
            help->kill();
            help = nullptr;
            uncoverBar();
            openInGameMenu();
            return 1;
        case kTipId:
            tip = nullptr;  // it ends itself after its report
            notifyOwner(report::TipClosed, 0, 0);
            return 1;
        case kSecondTipId:
            restartLevel();
            notifyOwner(report::TipClosed, 0, 0);
            return 1;
        default:
            return 1;
    }
}
