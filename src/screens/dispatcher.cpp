#include "screens/dispatcher.h"

#include <initializer_list>

#include "frame/app.h"
#include "frame/clock.h"
#include "frame/settings.h"
#include "frame/system.h"
#include "game/game.h"
#include "game/reports.h"
#include "players/highscores.h"
#include "players/players.h"
#include "scene/input.h"
#include "screens/ask_screens.h"
#include "screens/dialog_screens.h"
#include "screens/help_screen.h"
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/map_screen.h"
#include "screens/options_menu.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/notice.h"
#include "screens/startup_screens.h"
#include "screens/top10_screen.h"
#include "sound/sound.h"

namespace {

Dispatcher* g_dispatcher = nullptr;

// Report numbers.
enum : int {
    kMsgOpenGameMenu = report::OpenGameMenu,
    kMsgExitGame = report::Exit,
    kMsgHelp = report::Help,
    kMsgGameMenuClosed = report::GameMenuClosed,
    kMsgOptions = report::Options,
    kMsgOptionsClosed = report::OptionsClosed,
    kMsgPlay = report::Play,
    kMsgCredits = report::Credits,
    kMsgHighScores = report::HighScores,
    kMsgMainMenu = report::MainMenu,
    kMsgChangePlayer = report::ChangePlayer,
    kMsgTipClosed = report::TipClosed,
    kMsgMinimise = report::Minimise,
    kMsgTip = report::Tip,
    kMsgTipSecond = report::TipSecond,
    kMsgGameEnded = report::GameEnded,
    kMsgDisableMenu = report::DisableMenu,
    kMsgEnableMenu = report::EnableMenu,
};

// Report ids of the screens.
enum : int {
    kIdScreen = 0,  // profile, top ten, help, ask screens
    kIdHud = 1,
    kIdGame = 2,
    kIdTitle = 3,
    kIdHelpCredits = 4,
    kIdCredits = 5,
    kIdLogo = 7,
    kIdMainMenu = 9,
    kIdOptions = 10,
    kIdComix = 12,
};

constexpr int kPauseLayer = 1000;
constexpr int kLogoLayer = 400;
constexpr int kCreditsLayer = 400;
constexpr int kComixLayer = 100;
constexpr int kOptionsX = 203, kOptionsY = 72;
constexpr int kAskLayer = 0;

}  // namespace

// ------------------------------------------------------------- dispatcher

Dispatcher::Dispatcher() {
    for (CDispatcherState* s : std::initializer_list<CDispatcherState*>{
             &logoFirst, &logoSecond, &title, &menu, &game, &quit, &profile, &top10, &help, &ask, &ask2, &ask3, &comix})
        s->d = this;
    setKeyboardHandler(this);
}

Dispatcher::~Dispatcher() { detach(); }

// The game and its screens never outlive the dispatcher that owns them. Runs
// at once on release, so that a dispatcher waiting for the purge can no
// longer release a game that a newer dispatcher has started.
void Dispatcher::detach() {
    clearKeyboardHandler(this);
    if (current == &game) {
        Menu::release();
        Game::release();
    }
    current = nullptr;
    if (g_dispatcher == this) g_dispatcher = nullptr;
}

void Dispatcher::switchTo(CDispatcherState* state) {
    if (current) current->leave();
    current = state;
    if (current) current->enter();
}

int Dispatcher::onKey(int code) {
    // Any key skips the title, and does nothing else: the screen the skip
    // opens must not take it as its own.
    if (current == &title) {
        title.skip();
        return code == kEscape || code == kPauseKey || code == kPKey ? 1 : 0;
    }
    // P or Pause pauses behind the pause picture, as leaving the window does;
    // the same key sends the picture away again.
    if (code == kPauseKey || code == kPKey) {
        if (pauseScreen)
            pauseScreen->dismiss();
        else
            showPause();
        return 1;
    }
    if (code != kEscape) return 0;
    // In a game the bar closes the open in-game menu, or opens it; the pause
    // picture, while up, has to be clicked away first.
    if (current == &game && !pauseScreen)
        if (Menu* bar = Menu::existing()) bar->escape();
    return 1;
}

void Dispatcher::showPause() {
    if (paused || frozen || !current || !current->canPause()) return;
    paused = 1;
    current->pause();
    pauseScreen = new PauseScreen(pictureByName("_pause"), kPauseLayer);
    pauseScreen->setOwner(this, kPauseScreenId);
}

void Dispatcher::update() {
    // A save that failed anywhere is told once, over whatever screen runs.
    const SaveWarning warning = takeSaveWarning();
    if (!warning.file.empty()) showSaveFailure(warning.reason);
    // So is a settings file refused at start (the terminal names its folder).
    if (const std::string refused = takeSettingsNotice(); !refused.empty())
        new Notice("The shipped settings are in use", refused, Notice::kLongTicks);
    if (isAppActive()) return;
    if (frozen)
        setSuspended(true);
    else
        showPause();
}

int Dispatcher::onNotify(int id, int msg, int a, int b) {
    if (id == kPauseScreenId) {
        if (msg == PauseScreen::kShownMsg) frozen = 1;
        if (msg == PauseScreen::kGoneMsg) {
            paused = 0;
            frozen = 0;
            pauseScreen = nullptr;  // it ends itself
            if (current) current->resume();
        }
        return 1;
    }
    if (current) current->onNotify(id, msg, a, b);
    return 1;
}

Dispatcher& dispatcher() {
    if (!g_dispatcher) g_dispatcher = new Dispatcher;
    return *g_dispatcher;
}

Dispatcher* existingDispatcher() { return g_dispatcher; }

void releaseDispatcher() {
    if (!g_dispatcher) return;
    Dispatcher* d = g_dispatcher;
    d->detach();
    d->kill();
}

// ------------------------------------------------------------- logos, title

void DS_Logo::enter() {
    countdown = 1;
    screen = new CLogoScreen(pictureByName(picture_), kLogoLayer);
    screen->setOwner(d, kIdLogo);
}

void DS_Logo::leave() {
    if (screen && !screen->dead) screen->kill();
    screen = nullptr;
}

void DS_Logo::onNotify(int id, int, int, int) {
    if (id != kIdLogo || !countDown()) return;
    screen = nullptr;  // it has ended itself
    d->switchTo(&next_(*d));
}

void DS_Title::enter() {
    countdown = 1;
    // The title preloads the pictures in steps while it shows.
    auto* t = new TitleScreenv2;
    t->setOwner(d, kIdTitle);
    screen = t;
}

void DS_Title::onNotify(int id, int, int, int) {
    if (id != kIdTitle || !countDown()) return;
    // The title fades out on its own and then ends itself.
    screen = nullptr;
    d->switchTo(player::CountUser() != 0 ? static_cast<CDispatcherState*>(&d->menu) : &d->profile);
}

void DS_Title::leave() {
    if (screen) screen->kill();
    screen = nullptr;
}

void DS_Title::skip() {
    if (screen) screen->skip();
}

// ------------------------------------------------------------- main menu

void DS_Menu::enter() {
    options = nullptr;
    Sound_SetMusicOrder(getIniInt("Sound", "menu", 0));
    openMenu();
}

void DS_Menu::openMenu() {
    menu = new MainMenu;
    menu->setOwner(d, kIdMainMenu);
}

void DS_Menu::closeMenu() {
    if (menu) menu->close();
    menu = nullptr;
}

void DS_Menu::leave() {
    // Whatever of the menu state is still up goes with it.
    closeMenu();
    if (options) options->close();
    options = nullptr;
}

void DS_Menu::onNotify(int id, int msg, int, int) {
    if (id == kIdMainMenu) {
        switch (msg) {
            case kMsgPlay:
                closeMenu();
                d->switchTo(player::GameSession() != 0 ? static_cast<CDispatcherState*>(&d->ask) : &d->comix);
                return;
            case kMsgHighScores:
                closeMenu();
                d->switchTo(&d->top10);
                return;
            case kMsgOptions:
                closeMenu();
                options = new COptionsMenu(kOptionsX, kOptionsY);
                options->setOwner(d, kIdOptions);
                return;
            case kMsgHelp:
                closeMenu();
                d->switchTo(&d->help);
                return;
            case kMsgExitGame:
                closeMenu();
                d->switchTo(&d->quit);
                return;
            case kMsgChangePlayer:
                closeMenu();
                d->switchTo(&d->profile);
                return;
            default: return;
        }
    }
    if (id == kIdOptions && msg == kMsgOptionsClosed) {
        if (options) options->close();
        options = nullptr;
        openMenu();
    } else if (id == kIdHelpCredits && msg == kMsgCredits) {
        closeMenu();
        (new CreditsScreen(pictureByName("_mm_bkg"), pictureByName("credits_plate"), kCreditsLayer))
            ->setOwner(d, kIdCredits);
    } else if (id == kIdCredits) {
        openMenu();
    }
}

// ------------------------------------------------------------- the game

void DS_Game::enter() {
    setMapScreenMaker(&makeMapScreen);
    Game& g = Game::instance();
    g.setOwner(d, kIdGame);
    Menu& bar = Menu::instance();
    bar.setOwner(d, kIdHud);
    g.startGame();
    bar.createButtons();
    bar.enableMenu();
    pausedGame = 0;
}

void DS_Game::leave() { release(); }

void DS_Game::release() {
    Menu::release();
    Game::release();
}

void DS_Game::onNotify(int id, int msg, int tipNumber, int) {
    Game* g = Game::existing();
    Menu* bar = Menu::existing();
    if (!g || !bar || (id != kIdHud && id != kIdGame)) return;
    switch (msg) {
        case kMsgOpenGameMenu:
            if (id != kIdHud) return;
            g->pauseGame();
            bar->openInGameMenu();
            return;
        case kMsgGameMenuClosed:
            if (id != kIdHud) return;
            bar->closeInGameMenu();
            g->resumeGame();
            return;
        case kMsgExitGame:
            if (id != kIdHud) return;
            release();
            d->switchTo(&d->quit);
            return;
        case kMsgMainMenu:
            release();
            d->switchTo(&d->menu);
            return;
        case kMsgGameEnded:
            release();
            d->switchTo(&d->top10);
            return;
        case kMsgTipClosed:
            g->resumeGame();
            bar->tipClosed();
            return;
        case kMsgMinimise:
            if (id == kIdHud) sys::minimiseWindow();
            return;
        case kMsgTip:
        case kMsgTipSecond:
            if (msg == kMsgTipSecond && id != kIdGame) return;
            g->pauseGame();
            bar->showTip(tipNumber, msg == kMsgTip ? 1 : 2);
            return;
        case kMsgDisableMenu:
            if (id == kIdGame) bar->disableMenu();
            return;
        case kMsgEnableMenu:
            if (id == kIdGame) bar->enableMenu();
            return;
        default: return;
    }
}

void DS_Game::pause() {
    Game* g = Game::existing();
    if (!g) return;
    if (!g->paused()) {
        pausedGame = 1;
        g->pauseGame();
    } else {
        pausedGame = 0;
    }
}

void DS_Game::resume() {
    Game* g = Game::existing();
    if (pausedGame && g) g->resumeGame();
    pausedGame = 0;
}

void DS_Quit::enter() { requestQuit(); }

// ------------------------------------------------------------- profile, top ten, help

void DS_Profile::enter() {
    auto* s = new UserName;
    s->setOwner(d, kIdScreen);
    screen = s;
    s->start();
}

void DS_Profile::onNotify(int id, int, int, int) {
    if (id != kIdScreen) return;
    screen = nullptr;  // it has killed itself
    // Another player may be active now: their own volumes are heard.
    Sound_SetMusicVolume(player::MusicVolume());
    Sound_SetEffectsVolume(player::SoundFXVolume());
    d->switchTo(&d->menu);
}

void DS_Top10::enter() {
    table = new Top10Table;
    table->setOwner(d, kIdScreen);
}

void DS_Top10::leave() {
    if (table) table->kill();
    table = nullptr;
}

void DS_Top10::onNotify(int id, int, int, int) {
    if (id == kIdScreen) d->switchTo(&d->menu);
}

void DS_Help::enter() {
    help = new Help(Help::kFromMenu);
    help->setOwner(d, kIdScreen);
}

void DS_Help::onNotify(int id, int, int, int b) {
    if (id != kIdScreen) return;
    if (help) help->kill();
    help = nullptr;
    d->switchTo(&d->menu);
    if (b != 0) d->menu.onNotify(kIdHelpCredits, b, 0, 0);
}

// ------------------------------------------------------------- questions, comic

void DS_Ask::enter() { (new AskScreen(kAskLayer))->setOwner(d, kIdScreen); }

void DS_Ask::onNotify(int id, int msg, int, int) {
    if (id != kIdScreen) return;
    switch (msg) {
        case 1: d->switchTo(&d->game); return;
        case 2:
            // The saved game's score counts before the player confirms.
            insertHighScore(player::Name(), player::UserScore());
            d->switchTo(&d->ask3);
            return;
        case 3: d->switchTo(&d->menu); return;
        default: return;
    }
}

void DS_Ask_3::enter() { (new AskScreen2(kAskLayer, AskScreen2::kGiveUpQuestion))->setOwner(d, kIdScreen); }

void DS_Ask_3::onNotify(int id, int msg, int, int) {
    if (id != kIdScreen) return;
    switch (msg) {
        case 0:
            setUserTutorialStatus(0);
            d->switchTo(&d->ask2);
            return;
        case 1: d->switchTo(&d->ask2); return;
        case 2: d->switchTo(&d->menu); return;
        default: return;
    }
}

void DS_Ask_2::enter() { (new AskScreen2(kAskLayer, AskScreen2::kTutorialQuestion))->setOwner(d, kIdScreen); }

void DS_Ask_2::onNotify(int id, int msg, int, int) {
    if (id != kIdScreen) return;
    if (msg == 0 || msg == 1)
        setUserTutorialStatus(0);
    else if (msg == 2)
        setUserTutorialStatus(1);
    else
        return;
    d->switchTo(&d->comix);
}

void DS_Comix::enter() {
    // A new game starts here: the saved one is given up.
    setGameSession(0);
    countdown = 1;
    (new CComixScreen(kComixLayer))->setOwner(d, kIdComix);
}

void DS_Comix::onNotify(int id, int, int, int) {
    if (id == kIdComix && countDown()) d->switchTo(&d->game);
}
