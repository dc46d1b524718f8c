// The menus, driven through the real input translation and logic ticks: the
// main menu's arrival and departure, the bar and in-game menu over a running
// level, the options dialog's volumes and switches, and the help page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "frame/clock.h"
#include "frame/language.h"
#include "frame/settings.h"
#include "game/reports.h"
#include "game_support.h"
#include "gfx/effects.h"
#include "gfx/testing/recording_device.h"
#include "platform/event.h"
#include "res/text_label.h"
#include "res/texts.h"
#include "screens/dispatcher.h"
#include "screens/help_screen.h"
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/options_menu.h"
#include "screens/pad_input.h"
#include "screens/pictures.h"
#include "sound/sound.h"
#include "sound/sound_backend.h"
#include "ui/buttons.h"

namespace {

// Button pictures 200 x 60 (the bar's 22 x 22); slider knob 20 wide on a 220-pixel track.
void menuPictures(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    int w = 52, h = 52;
    if (name.rfind("menu//Buttons_", 0) == 0) w = 200, h = 60;
    if (name.rfind("menu//Buttons_small_", 0) == 0) w = 22, h = 22;
    if (name == "_mo_begunok") w = 20, h = 30;
    if (name == "_mo_menu_FIELDB") w = 220, h = 16;
    if (name == "_mo_menu_lb" || name == "_mo_menu_rb" || name == "_mo_galochka") w = 30, h = 30;
    if (name == "_mm_bkg" || name == "_mm_bkg_foreground" || name == "_help") w = 800, h = 600;
    if (name == "font1") w = 8, h = 16;
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * w, (i / perRow) * h, w, h);
}

// A sound device that takes every file and remembers the volumes.
class VolumeLog : public SoundBackend {
public:
    bool start() override { return true; }
    void stop() override {}
    SoundHandle loadSample(const std::string&) override { return 1; }
    void freeSample(SoundHandle) override {}
    void playSample(SoundHandle) override {}
    SoundHandle loadLoop(const std::string&) override { return 0; }
    void freeLoop(SoundHandle) override {}
    void playLoop(SoundHandle) override {}
    void stopLoop(SoundHandle) override {}
    SoundHandle loadMusic(const std::string&) override { return 0; }
    void freeMusic(SoundHandle) override {}
    void playMusic(SoundHandle) override {}
    void setMusicOrder(SoundHandle, int) override {}
    void setMusicVolume(int v) override { music.push_back(v); }
    void setEffectsVolume(int v) override { effects.push_back(v); }
    void pause() override {}
    void resume() override {}
    std::vector<int> music, effects;
};

// What the dispatcher's game state does with the bar's reports.
class GameStandIn : public Actor {
public:
    int onNotify(int, int msg, int, int) override {
        reports.push_back(msg);
        Game* g = Game::existing();
        Menu* bar = Menu::existing();
        if (!g || !bar) return 1;
        if (msg == report::OpenGameMenu) {
            g->pauseGame();
            bar->openInGameMenu();
        } else if (msg == report::GameMenuClosed) {
            bar->closeInGameMenu();
            g->resumeGame();
        }
        return 1;
    }
    int count(int msg) const { return static_cast<int>(std::count(reports.begin(), reports.end(), msg)); }
    std::vector<int> reports;
};

}  // namespace

class MenusTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        setPictureLoadFunction(menuPictures);
        engineStart();
        auto device = std::make_unique<RecordingDevice>();
        Gfx_InstallDevice(std::move(device));
        ASSERT_TRUE(Gfx_InitDevice());
        Sound_ResetForTests();
        auto backend = std::make_unique<VolumeLog>();
        sound = backend.get();
        Sound_InstallBackend(std::move(backend));
        Sound_Init();
        commitPlayers({{"Ada", -1, 0}}, 0);
        loadActivePlayer();
        loadTexts("vm_texts.loc");
        rec = new ReportRecorder;
    }
    void TearDown() override {
        uninstallPadInput();
        resetPadInputForTests();
        Menu::release();
        engineStop();
        GameTest::TearDown();
        setFullscreenToggleHandler(nullptr);
        Gfx_Shutdown();
        Sound_ResetForTests();
        clearTexts();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }

    static void send(bool down) {
        inputTranslatorHook(platform::pointerButton(platform::PointerButton::Left, down, mousePosition.x, mousePosition.y, {.left = down}));
        dispatchInput();
    }
    static void moveTo(int x, int y, bool held = false) {
        inputTranslatorHook(platform::pointerMove(x, y, {.left = held}));
        dispatchInput();
    }
    static void press() { send(true); }
    static void release() { send(false); }
    static void clickAt(int x, int y) {
        moveTo(x, y);
        press();
        release();
    }
    // The middle of a picture, and of a widget's picture.
    static std::pair<int, int> middleOf(const PckSprite& s) {
        return {static_cast<int>(s.x) + s.width() / 2, static_cast<int>(s.y) + s.height() / 2};
    }
    static void clickOnPicture(const PckSprite& s) {
        const auto [x, y] = middleOf(s);
        clickAt(x, y);
    }
    static void clickOn(AbstractButton* b) {
        ASSERT_NE(b, nullptr);
        clickOnPicture(*b->sprite());
    }

    // The player's volumes as the users file has them.
    std::pair<int, int> storedVolumes() {
        EXPECT_TRUE(selectIniFile(usersFile(), false));
        const std::pair<int, int> v{getIniInt("User0", "MusicVolume", -1),
                                    getIniInt("User0", "SoundFXVolume", -1)};
        EXPECT_TRUE(selectIniFile("vm_game.ini", false));
        return v;
    }

    Game& gameInPlay() {
        Game& g = startAt(23);
        EXPECT_TRUE(runUntil([&] { return g.current == &g.physics; }, 2000));
        return g;
    }
    // The bar of a running level, owned by a stand-in for the dispatcher.
    Menu& bar() {
        standIn = new GameStandIn;
        Menu& m = Menu::instance();
        m.setOwner(standIn, 1);
        m.createButtons();
        m.enableMenu();
        return m;
    }
    InGameMenu& openedInGameMenu(Menu& m) {
        m.escape();
        EXPECT_NE(m.inGameMenu, nullptr);
        EXPECT_TRUE(runUntil([&] { return m.inGameMenu && m.inGameMenu->open; }, 60));
        return *m.inGameMenu;
    }

    MainMenu* idleMainMenu() {
        auto* menu = new MainMenu;
        menu->setOwner(rec, 9);
        EXPECT_TRUE(runUntil([&] { return menu->idle(); }, 30));
        return menu;
    }

    VolumeLog* sound = nullptr;
    ReportRecorder* rec = nullptr;
    GameStandIn* standIn = nullptr;
};

// ---------------------------------------------------------------- main menu

TEST_F(MenusTest, MainMenuEntriesArriveAsPicturesAndClicksMeanwhileDoNothing) {
    auto* menu = new MainMenu;
    menu->setOwner(rec, 9);
    const PckSprite& play = menu->intro[0]->sprite;
    const PckSprite& options = menu->intro[2]->sprite;
    EXPECT_EQ(play.y, 0.0f);  // one picture height above its place
    EXPECT_EQ(play.rs.alpha, 255);
    EXPECT_EQ(options.rs.alpha, 0);
    EXPECT_EQ(menu->pending, MainMenu::kEntries);
    run(10);
    EXPECT_GT(play.y, 0.0f);
    EXPECT_LT(play.y, 60.0f);
    EXPECT_GT(options.rs.alpha, 0);
    EXPECT_LT(options.rs.alpha, 255);
    // Where "Options" is about to be: nothing to click yet.
    clickOnPicture(options);
    clickAt(20, 575);
    EXPECT_TRUE(rec->reports.empty());
    EXPECT_EQ(menu->buttons[2], nullptr);
    EXPECT_EQ(menu->welcome, nullptr);

    ASSERT_TRUE(runUntil([&] { return menu->idle(); }, 15));
    EXPECT_EQ(menu->pending, 0);
    for (int i = 0; i < MainMenu::kEntries; ++i) {
        // The button stands where its picture arrived, and in its stead.
        EXPECT_EQ(menu->buttons[i]->sprite()->y, menu->intro[i]->sprite.y) << i;
        EXPECT_EQ(menu->intro[i]->sprite.rs.alpha, 0) << i;
    }
    ASSERT_NE(menu->welcome, nullptr);
    EXPECT_EQ(menu->welcome->text, getText("MENU_WELCOME") + "Ada" + getText("MENU_AFTER_WELCOME"));
    EXPECT_NE(menu->clickButton, nullptr);
    EXPECT_TRUE(rec->reports.empty());
}

TEST_F(MenusTest, AChoiceIsReportedOnceTheEntriesHaveLeft) {
    MainMenu* menu = idleMainMenu();
    clickOn(menu->buttons[2]);  // options
    EXPECT_TRUE(rec->reports.empty());
    EXPECT_EQ(menu->buttons[2], nullptr);
    EXPECT_EQ(menu->welcome, nullptr);
    EXPECT_EQ(menu->clickButton, nullptr);
    EXPECT_EQ(menu->intro[0]->sprite.rs.alpha, 255);  // the pictures are back at once
    // Another entry clicked while they leave changes nothing.
    clickOnPicture(menu->intro[3]->sprite);
    run(MainMenu::kAnimTicks - 1);
    EXPECT_TRUE(rec->reports.empty());
    run(2);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{9, report::Options, 0, 0}));
    EXPECT_EQ(menu->intro[0]->sprite.y, 0.0f);  // "Play" went back up
    EXPECT_EQ(menu->intro[3]->sprite.rs.alpha, 0);
    run(30);
    EXPECT_EQ(rec->reports.size(), 1u);
}

TEST_F(MenusTest, ChangePlayerIsReportedAtOnceAndCloseTakesEverythingOff) {
    MainMenu* menu = idleMainMenu();
    clickOn(menu->clickButton);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0][1], report::ChangePlayer);
    EXPECT_EQ(menu->pending, 0);  // no departure
    EXPECT_NE(menu->buttons[0], nullptr);

    auto zones = [] {
        int n = 0;
        for (MouseZone* z = zoneListHead(); z; z = z->next) ++n;
        return n;
    };
    const int before = zones();
    const auto [playX, playY] = middleOf(*menu->buttons[0]->sprite());
    menu->close();
    EXPECT_TRUE(menu->dead);
    EXPECT_FALSE(menu->torches->burning());
    EXPECT_EQ(menu->backdrop, nullptr);
    EXPECT_EQ(before - zones(), MainMenu::kEntries + 1);  // no button takes a click any more
    clickAt(playX, playY);
    EXPECT_EQ(rec->reports.size(), 1u);
    run(2);
}

// ---------------------------------------------------------------- bar and in-game menu

TEST_F(MenusTest, EscapeOpensTheInGameMenuAndOnceItIsInEscapeResumes) {
    Game& g = gameInPlay();
    Menu& m = bar();
    m.escape();
    EXPECT_EQ(standIn->count(report::OpenGameMenu), 1);
    EXPECT_TRUE(g.paused());
    EXPECT_EQ(m.menuEnabled, 0);
    ASSERT_NE(m.inGameMenu, nullptr);
    InGameMenu* igm = m.inGameMenu;
    run(10);
    // Still sliding in: Escape is ignored.
    m.escape();
    run(InGameMenu::kSlideTicks);
    EXPECT_EQ(standIn->count(report::GameMenuClosed), 0);
    ASSERT_EQ(m.inGameMenu, igm);
    ASSERT_TRUE(igm->open);
    for (int i = 0; i < InGameMenu::kEntries; ++i) {
        EXPECT_EQ(igm->slides[i]->sprite.y, static_cast<float>(InGameMenu::kMenu[i].y)) << i;
        ASSERT_NE(igm->buttons[i], nullptr);
        EXPECT_EQ(igm->buttons[i]->enabled, 1);
    }
    m.escape();
    EXPECT_EQ(igm->buttons[0], nullptr);
    run(InGameMenu::kSlideTicks - 1);
    EXPECT_EQ(standIn->count(report::GameMenuClosed), 0);
    EXPECT_TRUE(g.paused());
    ASSERT_TRUE(runUntil([&] { return standIn->count(report::GameMenuClosed) == 1; }, 5));
    EXPECT_FALSE(g.paused());
    EXPECT_EQ(m.inGameMenu, nullptr);
    EXPECT_EQ(m.menuEnabled, 1);
    EXPECT_EQ(standIn->count(report::GameMenuClosed), 1);
    // And again with the bar's own button.
    clickOn(m.menuButton);
    EXPECT_EQ(standIn->count(report::OpenGameMenu), 2);
    EXPECT_NE(m.inGameMenu, nullptr);
}

TEST_F(MenusTest, RestartFromTheInGameMenuRestartsTheLevelAndResumes) {
    Game& g = gameInPlay();
    Menu& m = bar();
    InGameMenu& igm = openedInGameMenu(m);
    clickOn(igm.buttons[2]);
    EXPECT_EQ(g.current, &g.physics);  // not before the menu has left
    ASSERT_TRUE(runUntil([&] { return standIn->count(report::GameMenuClosed) == 1; }, 50));
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_FALSE(g.paused());
    EXPECT_EQ(m.menuEnabled, 1);
}

TEST_F(MenusTest, HelpAndOptionsFromTheInGameMenuComeBackToIt) {
    Game& g = gameInPlay();
    Menu& m = bar();
    clickOn(openedInGameMenu(m).buttons[1]);  // help
    ASSERT_TRUE(runUntil([&] { return m.help != nullptr; }, 50));
    EXPECT_EQ(m.inGameMenu, nullptr);
    EXPECT_EQ(standIn->count(report::Help), 1);
    EXPECT_EQ(m.help->creditsButton, nullptr);
    EXPECT_EQ(m.help->doneButton->sprite()->x, 300.0f);  // centred
    run(2);
    clickOn(m.help->doneButton);
    EXPECT_EQ(m.help, nullptr);
    EXPECT_TRUE(g.paused());

    clickOn(openedInGameMenu(m).buttons[4]);  // options
    ASSERT_TRUE(runUntil([&] { return m.options != nullptr; }, 50));
    EXPECT_FALSE(m.menuButton->sprite()->visible);
    run(2);
    clickOn(m.options->cancelButton);
    EXPECT_EQ(m.options, nullptr);
    EXPECT_TRUE(m.menuButton->sprite()->visible);
    EXPECT_EQ(m.menuButton->enabled, 0);
    ASSERT_NE(m.inGameMenu, nullptr);
    EXPECT_TRUE(g.paused());
    EXPECT_EQ(standIn->count(report::GameMenuClosed), 0);
    // The menu can still be left for good.
    clickOn(openedInGameMenu(m).buttons[3]);
    ASSERT_TRUE(runUntil([&] { return standIn->count(report::MainMenu) == 1; }, 50));
    EXPECT_EQ(m.inGameMenu, nullptr);
}

TEST_F(MenusTest, InAWindowTheBarShowsOnlyItsMenuButtonUntilOptionsSwitchToFullScreen) {
    gameInPlay();
    Menu& m = bar();
    for (Button* b : {m.exitButton, m.miniButton}) {
        EXPECT_FALSE(b->sprite()->visible);
        EXPECT_EQ(b->enabled, 0);
    }
    EXPECT_TRUE(m.menuButton->sprite()->visible);
    clickOn(m.exitButton);  // where they would be
    clickOn(m.miniButton);
    EXPECT_TRUE(standIn->reports.empty());

    clickOn(openedInGameMenu(m).buttons[4]);
    ASSERT_TRUE(runUntil([&] { return m.options != nullptr; }, 50));
    run(2);
    clickOn(m.options->fullScreenBox);
    clickOn(m.options->okButton);
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);
    for (Button* b : {m.exitButton, m.miniButton}) {
        EXPECT_TRUE(b->sprite()->visible);
        EXPECT_EQ(b->enabled, 1);
    }
    // Covered by the dialog, the bar neither shows nor takes clicks.
    clickOn(openedInGameMenu(m).buttons[4]);
    ASSERT_TRUE(runUntil([&] { return m.options != nullptr; }, 50));
    EXPECT_FALSE(m.exitButton->sprite()->visible);
    clickOn(m.exitButton);
    EXPECT_EQ(standIn->count(report::Exit), 0);
    run(2);
    clickOn(m.options->cancelButton);
    EXPECT_TRUE(Gfx_IsFullscreen());
    clickOn(m.exitButton);
    EXPECT_EQ(standIn->count(report::Exit), 1);
}

// ---------------------------------------------------------------- options

TEST_F(MenusTest, VolumesFollowTheSlidersAndAreStoredOnceSettledAndCancelRestoresThePlayers) {
    setMusicVolume(70);
    setSoundFXVolume(40);
    // The library still plays someone else's volumes.
    Sound_SetMusicVolume(100);
    Sound_SetEffectsVolume(100);
    auto* o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    EXPECT_EQ(o->musicSlider->value, 70);
    EXPECT_EQ(o->soundSlider->value, 40);
    run(2);

    // Drag the music knob to the right.
    const PckSprite* knob = o->musicSlider->sprite();
    const int kx = static_cast<int>(knob->x) + 10, ky = static_cast<int>(knob->y) + 15;
    moveTo(kx, ky);
    press();
    moveTo(kx + 30, ky, true);
    run(1);
    const int dragged = o->musicSlider->value;
    EXPECT_GT(dragged, 70);
    EXPECT_EQ(Sound_GetMusicVolume(), dragged);
    EXPECT_EQ(sound->music.back(), dragged);
    moveTo(kx + 40, ky, true);
    run(3);
    const int further = o->musicSlider->value;
    EXPECT_GT(further, dragged);
    EXPECT_EQ(Sound_GetMusicVolume(), further);
    EXPECT_EQ(player::MusicVolume(), 70);  // nothing stored while held
    EXPECT_EQ(storedVolumes().first, 70);
    release();
    run(1);
    EXPECT_EQ(player::MusicVolume(), further);
    EXPECT_EQ(storedVolumes().first, further);

    // A step button settles at once.
    clickOn(o->soundSlider->leftButton);
    EXPECT_EQ(Sound_GetEffectsVolume(), 30);
    EXPECT_EQ(storedVolumes().second, 30);

    clickOn(o->cancelButton);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0][1], report::OptionsClosed);
    EXPECT_EQ(Sound_GetMusicVolume(), 70);
    EXPECT_EQ(Sound_GetEffectsVolume(), 40);
    EXPECT_EQ(storedVolumes(), std::make_pair(70, 40));
    EXPECT_EQ(player::MusicVolume(), 70);
    o->close();
    EXPECT_TRUE(o->dead);
    EXPECT_EQ(o->musicSlider, nullptr);
}

TEST_F(MenusTest, OkKeepsTheVolumesAndAFullScreenBoxTickedTwiceChangesNothing) {
    ASSERT_EQ(player::ShowHints(), 1);
    auto* o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    EXPECT_EQ(o->fullScreenBox->checked, 0);
    EXPECT_EQ(o->hintsBox->checked, 1);
    run(2);
    clickOn(o->musicSlider->leftButton);
    clickOn(o->fullScreenBox);
    clickOn(o->fullScreenBox);
    clickOn(o->hintsBox);
    EXPECT_EQ(player::ShowHints(), 1);  // only OK applies it
    clickOn(o->okButton);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0][1], report::OptionsClosed);
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_EQ(getIniInt("Game", "Fullscreen", -1), 0);
    EXPECT_EQ(player::ShowHints(), 0);
    EXPECT_EQ(Sound_GetMusicVolume(), 90);
    EXPECT_EQ(storedVolumes().first, 90);
    // A second click before the owner closes it reports nothing more.
    clickOn(o->cancelButton);
    EXPECT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(Sound_GetMusicVolume(), 90);
}

TEST_F(MenusTest, TheLanguageChosenInTheOptionsIsKeptOnOkAndForgottenOnCancel) {
    auto* o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    ASSERT_NE(o->languageButton, nullptr);
    clickOn(o->languageButton);
    clickOn(o->languageButton);
    EXPECT_EQ(languages()[static_cast<size_t>(o->languageIndex)].code, std::string("fr"));
    clickOn(o->cancelButton);
    EXPECT_TRUE(playingEnglish());
    EXPECT_EQ(getIniString("Game", "Language", "none"), "none");
    o->close();

    o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    clickOn(o->languageButton);
    clickOn(o->okButton);
    EXPECT_EQ(std::string(currentLanguage().code), "de");
    EXPECT_EQ(getIniString("Game", "Language", "none"), "de");
    o->close();
    setCurrentLanguage(languages().front());
}

TEST_F(MenusTest, LightEffectsChangeOnOkOnlyAndAreKeptInTheGameSettings) {
    Gfx_SetEffects(EffectsLevel::Full);
    auto* o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    ASSERT_NE(o->lightEffectsBox, nullptr);
    EXPECT_EQ(o->lightEffectsBox->checked, 0);
    clickOn(o->lightEffectsBox);
    // The box shares the language's row: a click on it is not a click on the chooser.
    EXPECT_TRUE(playingEnglish());
    EXPECT_EQ(languages()[static_cast<size_t>(o->languageIndex)].code, std::string("en"));
    EXPECT_EQ(Gfx_Effects(), EffectsLevel::Full);
    clickOn(o->cancelButton);
    EXPECT_EQ(Gfx_Effects(), EffectsLevel::Full);
    EXPECT_EQ(getIniString("Game", "Effects", "none"), "none");
    o->close();

    o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    clickOn(o->lightEffectsBox);
    clickOn(o->okButton);
    EXPECT_EQ(Gfx_Effects(), EffectsLevel::Light);
    EXPECT_EQ(getIniString("Game", "Effects", "none"), "light");
    o->close();

    o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    EXPECT_EQ(o->lightEffectsBox->checked, 1);
    clickOn(o->lightEffectsBox);
    clickOn(o->okButton);
    EXPECT_EQ(Gfx_Effects(), EffectsLevel::Full);
    EXPECT_EQ(getIniString("Game", "Effects", "none"), "full");
    o->close();
}

TEST_F(MenusTest, TheFullScreenBoxFollowsAModeSwitchedWhileTheDialogIsOpen) {
    gameInPlay();
    Menu& m = bar();
    clickOn(openedInGameMenu(m).buttons[4]);
    ASSERT_TRUE(runUntil([&] { return m.options != nullptr; }, 50));
    run(2);
    clickOn(m.options->fullScreenBox);  // a change asked for, not yet applied
    ASSERT_EQ(m.options->fullScreenBox->checked, 1);
    ASSERT_FALSE(Gfx_IsFullscreen());
    ASSERT_TRUE(toggleFullscreen());  // what F11 does
    run(1);
    EXPECT_EQ(m.options->fullScreenBox->checked, 1);
    // OK now keeps full screen rather than switching back to a window.
    clickOn(m.options->okButton);
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(getIniInt("Game", "Fullscreen", -1), 1);
    // And the box follows a switch back as well.
    clickOn(openedInGameMenu(m).buttons[4]);
    ASSERT_TRUE(runUntil([&] { return m.options != nullptr; }, 50));
    run(2);
    EXPECT_EQ(m.options->fullScreenBox->checked, 1);
    ASSERT_FALSE(toggleFullscreen());
    run(1);
    EXPECT_EQ(m.options->fullScreenBox->checked, 0);
}

// ---------------------------------------------------------------- help

TEST_F(MenusTest, HelpFromTheMainMenuOffersCreditsAndAnswersOnce) {
    auto* h = new Help(Help::kFromMenu);
    h->setOwner(rec, 0);
    ASSERT_NE(h->creditsButton, nullptr);
    run(2);
    clickOn(h->creditsButton);
    clickOn(h->doneButton);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{0, 0, 0, report::Credits}));
    h->kill();
    run(2);

    auto* done = new Help(Help::kFromMenu);
    done->setOwner(rec, 0);
    run(2);
    clickOn(done->doneButton);
    ASSERT_EQ(rec->reports.size(), 2u);
    EXPECT_EQ(rec->reports[1], (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(MenusTest, AnotherPlayerChosenOnTheProfileScreenIsHeardAtTheirOwnVolumes) {
    ASSERT_TRUE(commitPlayers({{"Ada", 0, 0}, {"Bo", -1, 0}}, 0));
    ASSERT_TRUE(setMusicVolume(70));
    ASSERT_TRUE(setSoundFXVolume(80));
    Dispatcher& d = dispatcher();
    d.switchTo(&d.profile);
    // The screen stores Bo as the active player (OK on his name) and leaves.
    ASSERT_TRUE(commitPlayers({{"Ada", 0, 0}, {"Bo", 1, 0}}, 1));
    ASSERT_EQ(player::Name(), "Bo");
    d.profile.onNotify(0, 0, 0, 0);
    EXPECT_EQ(Sound_GetMusicVolume(), 100);
    EXPECT_EQ(Sound_GetEffectsVolume(), 100);
    ASSERT_FALSE(sound->music.empty());
    EXPECT_EQ(sound->music.back(), 100);
    // And back to Ada's own.
    d.switchTo(&d.profile);
    ASSERT_TRUE(commitPlayers({{"Ada", 0, 0}, {"Bo", 1, 0}}, 0));
    d.profile.onNotify(0, 0, 0, 0);
    EXPECT_EQ(Sound_GetMusicVolume(), 70);
    EXPECT_EQ(Sound_GetEffectsVolume(), 80);
    releaseDispatcher();
}

// ---------------------------------------------------------------- without a mouse

namespace {
using platform::PadAxis;
using platform::PadButton;

// The zone a click on the middle of a picture reaches.
const MouseZone* zoneOf(const Sprite& s) {
    Rect r;
    s.getRect(r);
    return focusCandidateAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}
const MouseZone* zoneOf(AbstractButton* b) { return b ? zoneOf(*b->sprite()) : nullptr; }

void padEvent(const platform::Event& e) {
    runEventHooks(e);
    dispatchInput();
}
void tap(PadButton b) {
    padEvent(platform::padButtonEvent(b, true));
    padEvent(platform::padButtonEvent(b, false));
}
}  // namespace

TEST_F(MenusTest, OnTheMainMenuTheFocusGoesToTheNearestEntryThatWayAndAClicksIt) {
    installPadInput();
    MainMenu* menu = idleMainMenu();
    std::array<const MouseZone*, MainMenu::kEntries> entry{};
    for (int i = 0; i < MainMenu::kEntries; ++i) {
        entry[static_cast<size_t>(i)] = zoneOf(menu->buttons[static_cast<size_t>(i)]);
        ASSERT_NE(entry[static_cast<size_t>(i)], nullptr) << i;
    }
    EXPECT_EQ(nextFocus(entry[0], 0, 0, 0, 1), entry[1]);
    EXPECT_EQ(nextFocus(entry[1], 0, 0, 0, -1), entry[0]);
    EXPECT_EQ(nextFocus(entry[3], 0, 0, 0, 1), entry[4]);
    EXPECT_EQ(nextFocus(entry[0], 0, 0, 0, -1), nullptr);
    // From a point, the entry nearest that way.
    EXPECT_EQ(nextFocus(nullptr, entry[2]->x + entry[2]->w / 2, 0, 0, 1), entry[0]);

    // The first press shows the focus under the pointer; the next ones move it.
    moveTo(entry[0]->x + 5, entry[0]->y + 5);
    tap(PadButton::DpadDown);
    EXPECT_EQ(padFocus(), entry[0]);
    tap(PadButton::DpadDown);
    tap(PadButton::DpadDown);
    EXPECT_EQ(padFocus(), entry[2]);
    EXPECT_TRUE(menu->buttons[2]->hovered);  // it shows its hover look
    EXPECT_FALSE(menu->buttons[0]->hovered);
    tap(PadButton::A);
    ASSERT_TRUE(runUntil([&] { return !rec->reports.empty(); }, MainMenu::kAnimTicks + 5));
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{9, report::Options, 0, 0}));
    // The mouse brings its cursor back and the focus goes.
    moveTo(100, 100);
    EXPECT_EQ(padFocus(), nullptr);
}

TEST_F(MenusTest, OnTheOptionsTheFocusWalksTheControlsAndLeftAndRightMoveAVolume) {
    installPadInput();
    setMusicVolume(70);
    auto* o = new COptionsMenu(203, 72);
    o->setOwner(rec, 10);
    run(2);
    const MouseZone* music = zoneOf(o->musicSlider);
    const MouseZone* sound = zoneOf(o->soundSlider);
    const MouseZone* ok = zoneOf(o->okButton);
    const MouseZone* cancel = zoneOf(o->cancelButton);
    ASSERT_TRUE(music && sound && ok && cancel);
    const MouseZone* fullScreen = zoneOf(o->fullScreenBox);
    ASSERT_NE(fullScreen, nullptr);
    // The knobs stand for their sliders: the step buttons beside them and
    // the tracks under them are no stops of their own.
    EXPECT_EQ(nextFocus(sound, 0, 0, 0, 1), music);
    EXPECT_EQ(nextFocus(music, 0, 0, 0, -1), sound);
    EXPECT_EQ(nextFocus(music, 0, 0, 0, 1), fullScreen);
    EXPECT_EQ(nextFocus(ok, 0, 0, 1, 0), cancel);
    EXPECT_EQ(nextFocus(cancel, 0, 0, -1, 0), ok);

    // Right and left on a slider step its volume and keep the focus on it.
    moveTo(music->x + music->w / 2, music->y + music->h / 2);
    tap(PadButton::DpadRight);  // shows the focus
    ASSERT_EQ(padFocus(), music);
    tap(PadButton::DpadRight);
    EXPECT_EQ(o->musicSlider->value, 80);
    run(1);
    padIdleHook();
    EXPECT_EQ(padFocus(), music);
    EXPECT_TRUE(music->contains(mousePosition.x, mousePosition.y));
    tap(PadButton::DpadLeft);
    tap(PadButton::DpadLeft);
    EXPECT_EQ(o->musicSlider->value, 60);
    // Down leaves the sliders for the box below them, and A ticks it.
    tap(PadButton::DpadDown);
    EXPECT_EQ(padFocus(), fullScreen);
    const int wasFullScreen = o->fullScreenBox->checked;
    tap(PadButton::A);
    run(1);
    EXPECT_NE(o->fullScreenBox->checked, wasFullScreen);
}

TEST_F(MenusTest, InPlayTheStickSlidesTheCannonFineOrFastAndAChargesAsTheLeftButtonDoes) {
    installPadInput();
    Game& g = gameInPlay();
    run(200);  // past the moment after the start when shots are locked
    const auto step = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            run(1);
            padIdleHook();
            dispatchInput();
        }
    };
    // A first touch of the stick puts the pointer over the cannon.
    moveTo(400, 300);
    padEvent(platform::padAxisEvent(PadAxis::LeftX, 12000));
    step(80);
    const int fine = g.cannon->x - 400;
    EXPECT_GT(fine, 0);
    EXPECT_LT(fine, 40);  // a second of a small push: a few dozen pixels
    padEvent(platform::padAxisEvent(PadAxis::LeftX, 32767));
    step(60);
    EXPECT_EQ(g.cannon->x, kGunMaxX);  // the whole rail in well under a second
    EXPECT_EQ(mousePosition.x, kGunMaxX);
    padEvent(platform::padAxisEvent(PadAxis::LeftX, -32768));
    step(80);
    EXPECT_EQ(g.cannon->x, kGunMinX);
    padEvent(platform::padAxisEvent(PadAxis::LeftX, 0));
    tap(PadButton::DpadRight);
    step(1);
    EXPECT_EQ(g.cannon->x, kGunMinX + 2);  // a tap of the d-pad: two pixels

    // B swaps as the right button does.
    const int loaded = g.colours.loadedColour, next = g.colours.nextBall;
    tap(PadButton::B);
    EXPECT_EQ(g.colours.loadedColour, next);
    EXPECT_EQ(g.colours.nextBall, loaded);
    // A charges while held, and so does the trigger.
    padEvent(platform::padButtonEvent(PadButton::A, true));
    EXPECT_TRUE(g.cannon->charging);
    EXPECT_TRUE(leftButtonDown);
    padEvent(platform::padAxisEvent(PadAxis::RightTrigger, 30000));
    padEvent(platform::padButtonEvent(PadButton::A, false));
    EXPECT_TRUE(leftButtonDown);  // the trigger still holds it
    padEvent(platform::padAxisEvent(PadAxis::RightTrigger, 0));
    EXPECT_FALSE(leftButtonDown);
    EXPECT_FALSE(g.cannon->charging);
}
