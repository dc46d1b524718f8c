// The screens around the game: the dispatcher's start-up path and states,
// the focus pause with its pause screen, the episode map and the named
// picture packs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "anim/commands.h"
#include "frame/app.h"
#include "frame/clock.h"
#include "frame/settings.h"
#include "game_support.h"
#include "platform/event.h"
#include "players/highscores.h"
#include "res/picture_pack.h"
#include "screens/app_hooks.h"
#include "screens/ask_screens.h"
#include "screens/dialog_screens.h"
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/startup_screens.h"
#include "screens/dispatcher.h"
#include "screens/map_screen.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/tooltip.h"
#include "screens/top10_screen.h"
#include "ui/buttons.h"

using gametest::played;

namespace {

struct LoadCall {
    std::string name;
    bool flag;
    int frames, perRow;
};
std::vector<LoadCall>& loads() {
    static std::vector<LoadCall> l;
    return l;
}
// 52-pixel frames, the map 800 x 600; nothing is read from disk.
void stubLoad(PicturePack& pack, const std::string& name, bool flag, int frames, int perRow) {
    loads().push_back({name, flag, frames, perRow});
    const int w = name == "mapa" ? 800 : 52, h = name == "mapa" ? 600 : 52;
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * w, (i / perRow) * h, w, h);
}

int pauseScreens() {
    int n = 0;
    for (auto* list : {&liveActors(), &newActors()})
        for (Actor* a : *list)
            if (dynamic_cast<PauseScreen*>(a) && !a->dead) ++n;
    return n;
}

template <class T>
T* liveOf() {
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<T*>(a); t && !a->dead) return t;
    for (Actor* a : newActors())
        if (auto* t = dynamic_cast<T*>(a); t && !a->dead) return t;
    return nullptr;
}

}  // namespace

class ScreensTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        loads().clear();
        setPictureLoadFunction(stubLoad);
        engineStart();
    }
    void TearDown() override {
        releaseDispatcher();
        engineStop();
        GameTest::TearDown();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }
    static void activate(bool on) { runEventHooks(platform::activationEvent(on)); }
    void storePlayer() {
        if (player::CountUser() != 0) return;
        commitPlayers({{"Ada", -1, 0}}, 0);
        loadActivePlayer();
    }
    // Straight into the game state with a stored player.
    Dispatcher& start() {
        storePlayer();
        Dispatcher& d = dispatcher();
        d.switchTo(&d.game);
        return d;
    }
    // A left click on the middle of a sprite, through the input translator.
    static void clickOn(const Sprite& s) {
        Rect r;
        s.getRect(r);
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        runEventHooks(platform::pointerMove(x, y));
        runEventHooks(platform::pointerButton(platform::PointerButton::Left, true, x, y, {.left = true}));
        runEventHooks(platform::pointerButton(platform::PointerButton::Left, false, x, y, {}));
        dispatchInput();
    }
    // From the first logo to the main menu's entries, as a player sees it:
    // both logos, the title until it offers "click here", a key.
    Dispatcher& toMainMenu(int key = 0x100 + 'A') {
        Dispatcher& d = dispatcher();
        d.switchTo(&d.logoFirst);
        EXPECT_TRUE(runUntil([&] { return d.current == &d.title; }, 2 * 204));
        EXPECT_TRUE(runUntil([&] { return d.title.screen && d.title.screen->clickButton; }, 400));
        d.onKey(key);
        if (d.current == &d.menu) {
            EXPECT_TRUE(runUntil([&] { return d.menu.menu && d.menu.menu->idle(); }, 100));
        }
        return d;
    }
    // Play in the main menu, then through the comic (or the question) into
    // the game.
    void choosePlay(Dispatcher& d) {
        ASSERT_NE(d.menu.menu, nullptr);
        clickOn(*d.menu.menu->buttons[0]->sprite());
        ASSERT_TRUE(runUntil([&] { return d.current != &d.menu; }, 100));
        if (d.current != &d.comix) return;
        auto* comic = liveOf<CComixScreen>();
        ASSERT_NE(comic, nullptr);
        run(45);
        clickOn(*comic->okButton->sprite());
        ASSERT_TRUE(runUntil([&] { return d.current == &d.game; }, 100));
    }
};

// ---------------------------------------------------------------- dispatcher

TEST_F(ScreensTest, FirstStartAsksForAPlayerAndGoesThroughTheMenuAndTheComicIntoANewGame) {
    ASSERT_EQ(player::CountUser(), 0);
    Dispatcher& d = toMainMenu();
    // The title preloaded every picture step on its way.
    EXPECT_GE(picturesCreated(), 6 + 5 + 14 + 9 + 5 + 33 + 20 + 27 + 27);
    ASSERT_EQ(d.current, &d.profile);
    run(30);
    auto* dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    for (int c : {int{'M'}, int{'o'}, int{'r'}, 13}) keyboardFocus()->onKey(c);
    ASSERT_TRUE(runUntil([&] { return d.current == &d.menu && d.menu.menu && d.menu.menu->idle(); }, 120));
    EXPECT_EQ(player::CountUser(), 1);
    EXPECT_EQ(player::Name(), "Mor");
    choosePlay(d);
    ASSERT_EQ(d.current, &d.game);
    Game* g = Game::existing();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->owner, &d);
    EXPECT_EQ(g->ownerId, 2);
    EXPECT_EQ(g->current, &g->preStart);
    EXPECT_EQ(player::GameSession(), 1);  // the new game is the saved one now
    // A late report of a countdown state changes nothing.
    d.logoFirst.onNotify(7, 0, 0, 0);
    d.comix.onNotify(12, 0, 0, 0);
    EXPECT_EQ(d.current, &d.game);
    EXPECT_EQ(Game::existing(), g);
}

TEST_F(ScreensTest, ASavedGameIsContinuedWhereItWas) {
    storePlayer();
    setGameSession(1);
    setUserProgress(34);
    Dispatcher& d = toMainMenu();
    choosePlay(d);
    ASSERT_EQ(d.current, &d.ask);
    auto* question = liveOf<AskScreen>();
    ASSERT_NE(question, nullptr);
    run(45);
    clickOn(*question->loadButton->sprite());  // continue
    ASSERT_TRUE(runUntil([&] { return d.current == &d.game; }, 100));
    EXPECT_EQ(Game::existing()->levelNumber(), 34);
}

TEST_F(ScreensTest, ANewGameEntersTheSavedScoreAndAsksAboutTheTutorial) {
    storePlayer();
    setGameSession(1);
    setUserProgress(34);
    setUserScore(777777);
    Dispatcher& d = dispatcher();
    d.switchTo(&d.ask);
    // "New game" enters the saved score before the question is answered.
    d.ask.onNotify(0, 2, 0, 0);
    EXPECT_EQ(loadHighScores()[0].name, "Ada");
    ASSERT_EQ(d.current, &d.ask3);
    // Yes, give it up; then no tutorial: the comic, then episode 1.
    d.ask3.onNotify(0, 1, 0, 0);
    ASSERT_EQ(d.current, &d.ask2);
    d.ask2.onNotify(0, 2, 0, 0);
    EXPECT_EQ(player::UserTutorialStatus(), 1);
    ASSERT_EQ(d.current, &d.comix);
    EXPECT_EQ(player::GameSession(), 0);
    d.comix.onNotify(12, 0, 0, 0);
    ASSERT_EQ(d.current, &d.game);
    EXPECT_EQ(Game::existing()->levelNumber(), 11);
    // A question without words answers 0: the tutorial will be played.
    d.switchTo(&d.ask3);
    d.ask3.onNotify(0, 0, 0, 0);
    EXPECT_EQ(player::UserTutorialStatus(), 0);
    ASSERT_EQ(d.current, &d.ask2);
    // No, keep the saved game: back to the menu.
    d.switchTo(&d.ask3);
    d.ask3.onNotify(0, 2, 0, 0);
    EXPECT_EQ(d.current, &d.menu);
}

TEST_F(ScreensTest, ReleasingTheDispatcherTakesTheGameAndTheKeyboardAlong) {
    Dispatcher& d = start();
    EXPECT_EQ(keyboardHandler(), &d);
    releaseDispatcher();
    EXPECT_EQ(keyboardHandler(), nullptr);
    EXPECT_EQ(Game::existing(), nullptr);  // the game goes with it

    // A new dispatcher starts a game before the old one is purged: the old
    // one's end leaves the new game alone.
    Dispatcher& next = start();
    ASSERT_EQ(next.current, &next.game);
    Game* game = Game::existing();
    ASSERT_NE(game, nullptr);
    tick();
    EXPECT_EQ(Game::existing(), game);
    EXPECT_EQ(keyboardHandler(), &next);
}

TEST_F(ScreensTest, GameReportsTipsAndTheEndOfTheGame) {
    Dispatcher& d = start();
    Game* g = Game::existing();
    // A tip pauses the game in its box, with the bar's menu button off,
    // until its button is clicked.
    g->requestTip(1);
    EXPECT_TRUE(g->paused());
    Menu* bar = Menu::existing();
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->tip, nullptr);
    EXPECT_FALSE(bar->menuEnabled);
    ToolTip* tip = bar->tip;
    run(45);
    ASSERT_NE(tip->firstButton, nullptr);
    clickOn(*tip->firstButton->sprite());
    ASSERT_TRUE(runUntil([&] { return !g->paused(); }, 60));
    EXPECT_EQ(bar->tip, nullptr);
    EXPECT_TRUE(bar->menuEnabled);
    // The end of the game releases it and shows the table; leaving the
    // table leads to the main menu.
    g->notifyOwner(1027, 0, 0);
    EXPECT_TRUE(g->dead);
    EXPECT_EQ(Game::existing(), nullptr);
    EXPECT_EQ(Menu::existing(), nullptr);
    ASSERT_EQ(d.current, &d.top10);
    d.top10.table->onNotify(0, 0, 4, 0);
    EXPECT_TRUE(runUntil([&] { return d.current == &d.menu; }, 60));
    // Back to the main menu from a game, too.
    d.switchTo(&d.game);
    // A new game (the allocator may well put it where the last one was).
    Game* second = Game::existing();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->dead);
    second->notifyOwner(1018, 0, 0);
    EXPECT_TRUE(second->dead);
    EXPECT_EQ(d.current, &d.menu);
}

TEST_F(ScreensTest, LosingTheFocusPausesWithThePauseScreenAndAClickResumes) {
    Dispatcher& d = start();
    Game* g = Game::existing();
    activate(false);
    run(1);
    EXPECT_EQ(d.paused, 1);
    EXPECT_TRUE(g->paused());
    EXPECT_EQ(d.game.pausedGame, 1);
    auto* screen = liveOf<PauseScreen>();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->ownerId, Dispatcher::kPauseScreenId);
    // A click while it fades in does nothing.
    screen->onZoneEvent(ZE_LeftUp, 0);
    EXPECT_EQ(screen->phase, CAbstractScreen::kFadingIn);
    run(25);
    EXPECT_EQ(d.frozen, 1);
    EXPECT_TRUE(isSuspended());
    EXPECT_EQ(liveOf<PauseScreen>(), screen);  // only one pause screen
    activate(true);
    EXPECT_FALSE(isSuspended());
    screen->onZoneEvent(ZE_LeftUp, 0);
    EXPECT_EQ(screen->phase, CAbstractScreen::kFadingOut);
    run(3);
    // A second click ends the fade at once.
    screen->onZoneEvent(ZE_LeftUp, 0);
    EXPECT_EQ(screen->phase, CAbstractScreen::kFinished);
    EXPECT_EQ(d.paused, 0);
    EXPECT_EQ(d.frozen, 0);
    EXPECT_FALSE(g->paused());
    run(2);
    EXPECT_EQ(liveOf<PauseScreen>(), nullptr);
}

TEST_F(ScreensTest, ThePauseKeyPausesBehindThePausePictureAndTheSameKeyResumes) {
    Dispatcher& d = start();
    Game* g = Game::existing();
    EXPECT_EQ(d.onKey(Dispatcher::kPKey), 1);
    EXPECT_EQ(d.paused, 1);
    EXPECT_TRUE(g->paused());
    ASSERT_NE(d.pauseScreen, nullptr);
    EXPECT_EQ(pauseScreens(), 1);
    run(25);
    EXPECT_EQ(d.frozen, 1);
    EXPECT_FALSE(isSuspended());  // the window still has the focus: keep drawing
    d.onKey(Dispatcher::kPKey);  // again: the picture fades and play goes on
    run(12);
    EXPECT_EQ(d.pauseScreen, nullptr);
    EXPECT_EQ(d.paused, 0);
    EXPECT_FALSE(g->paused());
    d.onKey(Dispatcher::kPauseKey);  // the Pause key does the same
    EXPECT_EQ(pauseScreens(), 1);
    run(25);
    d.onKey(Dispatcher::kPauseKey);
    run(12);
    EXPECT_EQ(d.paused, 0);
    EXPECT_FALSE(g->paused());
    EXPECT_EQ(pauseScreens(), 0);
    // Nothing to pause on the title: the key does nothing there.
    d.current = &d.title;
    d.onKey(Dispatcher::kPKey);
    EXPECT_EQ(d.paused, 0);
    EXPECT_EQ(pauseScreens(), 0);
    d.current = &d.game;
}

TEST_F(ScreensTest, POnTheTitleSkipsItAndDoesNotPauseTheMenuItOpens) {
    storePlayer();
    Dispatcher& d = toMainMenu(Dispatcher::kPKey);
    EXPECT_EQ(d.current, &d.menu);
    run(40);
    EXPECT_EQ(d.paused, 0);
    EXPECT_EQ(d.pauseScreen, nullptr);
    EXPECT_EQ(pauseScreens(), 0);
}

TEST_F(ScreensTest, AGamePausedByThePlayerStaysPausedAfterTheFocusPause) {
    Dispatcher& d = start();
    Game* g = Game::existing();
    g->pauseGame();
    d.game.pause();
    EXPECT_EQ(d.game.pausedGame, 0);
    d.game.resume();
    EXPECT_TRUE(g->paused());
    // The logos and the title never pause.
    d.current = &d.title;
    activate(false);
    run(2);
    EXPECT_EQ(d.paused, 0);
    EXPECT_EQ(liveOf<PauseScreen>(), nullptr);
    d.current = &d.game;
}

TEST_F(ScreensTest, ScreenFadesFollowTheirLengthsIncludingNone) {
    auto* s = new CAbstractScreen;
    s->fadeIn = 0;
    s->fadeOut = 4;
    mergeNewActors();
    run(1);
    EXPECT_EQ(s->phase, CAbstractScreen::kShown);
    EXPECT_EQ(s->alpha, 255);
    EXPECT_EQ(s->onNotify(1, 0, 0, 0), 1);  // any child's report dismisses it
    run(2);
    EXPECT_EQ(s->alpha, 255 - 127);
    run(2);
    EXPECT_EQ(s->phase, CAbstractScreen::kFinished);
    EXPECT_EQ(s->alpha, 0);
    run(1);
    EXPECT_TRUE(s->dead);
    // The title-style fade starts at half alpha.
    auto* t = new TitleScreen(pictureByName("_pause"), 1000);
    EXPECT_EQ(t->fadeInAlpha(0.05f), 134);
    EXPECT_EQ(t->picture.x, 400 - 26);
    t->kill();
}

TEST_F(ScreensTest, EscapeIsTakenInEveryStateAndOnlyPlayableStatesPauseOnFocusLoss) {
    Dispatcher& d = start();
    ASSERT_EQ(d.current, &d.game);
    CDispatcherState* all[] = {&d.logoFirst, &d.logoSecond, &d.title, &d.menu, &d.game, &d.quit,   &d.profile,
                               &d.top10,     &d.help,       &d.ask,   &d.ask2, &d.ask3, &d.comix};
    for (CDispatcherState* s : all) {
        if (s == &d.game) continue;  // below
        d.current = s;
        EXPECT_EQ(d.onKey(Dispatcher::kEscape), 1);
        EXPECT_EQ(d.onKey(32), 0);
    }
    // In the game Escape opens the in-game menu, and once it is in, closes
    // it again and play goes on.
    d.current = &d.game;
    Menu* bar = Menu::existing();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(d.onKey(Dispatcher::kEscape), 1);
    EXPECT_NE(bar->inGameMenu, nullptr);
    EXPECT_TRUE(Game::existing()->paused());
    run(45);
    d.onKey(Dispatcher::kEscape);
    ASSERT_TRUE(runUntil([&] { return bar->inGameMenu == nullptr; }, 60));
    EXPECT_FALSE(Game::existing()->paused());
    // Before the game exists and while quitting, losing the focus shows no
    // pause screen and stops nothing.
    for (CDispatcherState* s : {static_cast<CDispatcherState*>(&d.logoFirst), static_cast<CDispatcherState*>(&d.logoSecond),
                                static_cast<CDispatcherState*>(&d.title), static_cast<CDispatcherState*>(&d.quit)}) {
        d.current = s;
        activate(false);
        run(2);
        EXPECT_EQ(d.paused, 0);
        EXPECT_EQ(pauseScreens(), 0);
        EXPECT_FALSE(isSuspended());
        activate(true);
    }
    // Back in the game it does, once, however long the focus stays away.
    d.current = &d.game;
    activate(false);
    run(40);
    EXPECT_EQ(d.paused, 1);
    EXPECT_EQ(d.frozen, 1);
    EXPECT_EQ(pauseScreens(), 1);
    EXPECT_TRUE(Game::existing()->paused());
    // Reports of other screens still reach the state while it is paused.
    EXPECT_EQ(d.onNotify(2, 1010, 0, 0), 1);
    // The pause screen's "gone" resumes the game it paused.
    d.onNotify(Dispatcher::kPauseScreenId, PauseScreen::kGoneMsg, 0, 0);
    EXPECT_EQ(d.paused, 0);
    EXPECT_EQ(d.frozen, 0);
    EXPECT_FALSE(Game::existing()->paused());
}

TEST_F(ScreensTest, ShutdownOpensThePublisherPageOnlyWhenOneIsNamedAndReleasesTheGame) {
    start();
    ASSERT_NE(Game::existing(), nullptr);
    EXPECT_EQ(gameShutdownHook(), 1);
    EXPECT_TRUE(host().openedUrls().empty());  // shipped without a page
    EXPECT_EQ(existingDispatcher(), nullptr);
    EXPECT_EQ(Game::existing(), nullptr);
    EXPECT_EQ(keyboardHandler(), nullptr);

    engineStart();
    ASSERT_TRUE(setIniString("Game", "PublisherPage", "https://example.org/more"));
    start();
    gameShutdownHook();
    ASSERT_EQ(host().openedUrls().size(), 1u);
    EXPECT_EQ(host().openedUrls()[0], "https://example.org/more");
}

TEST_F(ScreensTest, AStoredPlayerIsKeptAndANewGameStartsAfterTheComic) {
    commitPlayers({{"Ada", -1, 0}, {"Bo", -1, 0}}, 1);
    loadActivePlayer();
    ASSERT_EQ(player::GameSession(), 0);
    Dispatcher& d = start();
    ASSERT_EQ(d.current, &d.game);
    EXPECT_EQ(player::CountUser(), 2);  // no "Player" added
    EXPECT_EQ(player::Name(), "Bo");
    EXPECT_EQ(Game::existing()->levelNumber(), 1);
    // Leaving for the main menu releases the game before anything else.
    Game* g = Game::existing();
    g->notifyOwner(1018, 0, 0);
    EXPECT_TRUE(g->dead);
}

TEST_F(ScreensTest, ATitleScreenHeldForAWhileDismissesItselfAndReportsOnce) {
    auto* rec = new ReportRecorder;
    auto* t = new TitleScreen(pictureByName("_pause"), 500);
    t->setOwner(rec, 6);
    t->hold = 3;
    mergeNewActors();
    EXPECT_EQ(t->picture.x, 400 - 26);
    EXPECT_EQ(t->picture.y, 300 - 26);
    run(20);
    EXPECT_EQ(t->phase, CAbstractScreen::kShown);
    EXPECT_EQ(t->alpha, 255);
    run(3);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{6, 0, 0, 0}));
    EXPECT_EQ(t->phase, CAbstractScreen::kFadingOut);
    run(5);
    EXPECT_EQ(t->alpha, 255 - 127);
    // Clicks while it fades out end it at once, without a second report.
    t->onZoneEvent(ZE_LeftUp, 0);
    EXPECT_EQ(t->phase, CAbstractScreen::kFinished);
    EXPECT_EQ(t->alpha, 0);
    EXPECT_EQ(rec->reports.size(), 1u);
    run(1);
    EXPECT_TRUE(t->dead);
}

TEST_F(ScreensTest, AScreenDismissedWhileFadingInFadesOutFromWhereItWas) {
    auto* rec = new ReportRecorder;
    auto* p = new PauseScreen(pictureByName("_pause"), 1000);
    p->setOwner(rec, 11);
    mergeNewActors();
    run(10);
    EXPECT_EQ(p->alpha, 128 + 64);
    // Only a child's report, not a click, ends the fade-in early.
    p->onZoneEvent(ZE_LeftUp, 0);
    EXPECT_EQ(p->phase, CAbstractScreen::kFadingIn);
    p->onNotify(3, 0, 0, 0);
    EXPECT_EQ(p->phase, CAbstractScreen::kFadingOut);
    EXPECT_TRUE(rec->reports.empty());  // never shown: no 1020, and no (0,0,0)
    // Fading out from below full alpha runs past zero before its end: the
    // picture never gets a negative alpha.
    run(9);
    EXPECT_EQ(p->phase, CAbstractScreen::kFadingOut);
    EXPECT_EQ(p->picture.rs.alpha, 0);
    run(1);
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0][1], PauseScreen::kGoneMsg);
}

// ---------------------------------------------------------------- map

class MapTest : public ScreensTest {
protected:
    CMapScreen* map(int n, bool done) {
        auto* m = new CMapScreen(owner, n, done, 12345, 60);
        mergeNewActors();
        return m;
    }
    static float centreX(const PckSprite& s) { return s.x + static_cast<float>(s.width()) / 2; }
    static float centreY(const PckSprite& s) { return s.y + static_cast<float>(s.height()) / 2; }
};

TEST_F(MapTest, TheLockFliesToItsSlotAndTheMapWaitsForOk) {
    ASSERT_TRUE(loadLevel(23, 0));
    ASSERT_NE(magnetOfLevel(1), magnetOfLevel(2));
    CMapScreen* m = map(23, false);
    // Each slot shows the magnet of its level of the episode.
    for (int s = 0; s < 3; ++s) EXPECT_EQ(m->locks[s]->sprite.pack, lockPicture(magnetOfLevel(s + 1))) << s;
    EXPECT_EQ(m->phase, CMapScreen::kLockFlying);
    EXPECT_EQ(played("magnit_map_fly"), 1);
    for (int i = 0; i < CMapScreen::kEpisodes; ++i) EXPECT_EQ(m->covers[i]->visible != 0, i >= 2) << i;
    int mx = 0, my = 0;
    ASSERT_TRUE(CMapScreen::markerAt(2, mx, my));
    EXPECT_EQ(m->marker->sprite.x, mx);
    // Earlier levels sit in their slots, fitted to 76 pixels.
    for (int s = 0; s < 2; ++s) {
        EXPECT_TRUE(m->locks[s]->sprite.visible);
        EXPECT_FLOAT_EQ(centreX(m->locks[s]->sprite), CMapScreen::slotX(s));
        EXPECT_FLOAT_EQ(m->lockScale[s], 76.0f / 52.0f);
    }
    EXPECT_FALSE(m->locks[3]->sprite.visible);
    const PckSprite& flying = m->locks[2]->sprite;
    EXPECT_NEAR(centreX(flying), mx + 26, 1);
    run(CMapScreen::kFlyTicks + 2);
    EXPECT_NEAR(centreX(flying), CMapScreen::slotX(2), 1);
    EXPECT_NEAR(centreY(flying), CMapScreen::slotY(2), 1);
    EXPECT_EQ(m->phase, CMapScreen::kLevelDone);
    EXPECT_EQ(played("magnit_map_epl"), 1);
    run(25);
    EXPECT_EQ(m->phase, CMapScreen::kIdle);
    run(100);
    EXPECT_TRUE(owner->messages.empty());
    m->onNotify(1, 0, 0, 0);
    EXPECT_EQ(owner->messages.size(), 1u);
    EXPECT_TRUE(m->dead);
}

TEST_F(MapTest, AFinishedEpisodeUncoversTheNextAndItsLocksVanish) {
    CMapScreen* m = map(35, true);
    run(CMapScreen::kFlyTicks + 2);
    EXPECT_EQ(m->phase, CMapScreen::kEpisodeDone);
    EXPECT_FALSE(m->covers[3]->visible);  // episode 4 is open now
    EXPECT_TRUE(m->covers[4]->visible);
    int mx = 0, my = 0;
    ASSERT_TRUE(CMapScreen::markerAt(4, mx, my));
    EXPECT_EQ(m->marker->sprite.x, mx);
    run(25);
    EXPECT_EQ(m->phase, CMapScreen::kIdle);
    // One after another, 20 ticks apart.
    run(CMapScreen::kFlyTicks + 2);
    EXPECT_EQ(m->locks[0]->sprite.rs.alpha, 0);
    EXPECT_GT(m->locks[4]->sprite.rs.alpha, 0);
    run(100);
    for (int s = 0; s < 5; ++s) EXPECT_EQ(m->locks[s]->sprite.rs.alpha, 0) << s;
}

TEST_F(MapTest, TheTutorialEndsAtOnceAndTheLastEpisodesStayInsideTheTables) {
    CMapScreen* m = map(3, true);
    EXPECT_TRUE(m->dead);
    ASSERT_EQ(owner->messages.size(), 1u);
    // Episode 11 has no marker entry: none is shown, every cover is gone.
    m = map(118, false);
    EXPECT_FALSE(m->marker->sprite.visible);
    for (const auto& c : m->covers) EXPECT_FALSE(c->visible);
    run(CMapScreen::kFlyTicks + 30);
    EXPECT_EQ(m->phase, CMapScreen::kIdle);
    m->kill();
    // The end of episode 10 clears the marker instead of reading entry 11.
    m = map(109, true);
    run(CMapScreen::kFlyTicks + 2);
    EXPECT_FALSE(m->marker->sprite.visible);
    EXPECT_FALSE(m->covers[10]->visible);
}

TEST_F(MapTest, OkBeforeTheLockLandsEndsTheMapAndTheHighlightPulses) {
    CMapScreen* m = map(12, false);
    run(10);
    m->onNotify(1, 0, 0, 0);
    EXPECT_TRUE(m->dead);
    EXPECT_EQ(owner->messages.size(), 1u);
    run(1);
    m = map(12, false);
    int highest = 0, lowestAfter = 255;
    for (int i = 0; i < 130; ++i) {
        m->update();
        highest = std::max(highest, m->pulse);
        if (highest == 255) lowestAfter = std::min(lowestAfter, m->pulse);
        EXPECT_GE(m->pulse, 0);
        EXPECT_LE(m->pulse, 255);
    }
    EXPECT_EQ(highest, 255);
    EXPECT_EQ(lowestAfter, 0);
}

// ---------------------------------------------------------------- pictures

TEST_F(ScreensTest, NamedPicturesFollowTheirTablesAndLoadOnce) {
    EXPECT_EQ(pictureByName("cursor"), pictureByName("cursor"));
    EXPECT_EQ(loads().size(), 1u);
    auto last = [] { return loads().back(); };
    lockPicture(7);
    EXPECT_EQ(last().name, "lock//lock_07");
    gatePicture(2);
    EXPECT_EQ(last().name, "gate/gate_03_l");
    spawnGunPicture(9);
    EXPECT_EQ(last().name, "gate/spawngun_10_l");
    comixPicture(5);
    EXPECT_EQ(last().name, "fon//comix_1");
    mapHighlightPicture(11);
    EXPECT_EQ(last().name, "map//11_map02");
    goldPicture(1, 4);
    EXPECT_EQ(last().name, "fon/second_gold05");
    ballPicture(11);
    EXPECT_EQ(last().name, "balls//ball_bonus");
    EXPECT_EQ(last().frames, 40);
    EXPECT_EQ(last().perRow, 19);
    buttonPicture(btn::ok_map);
    EXPECT_EQ(last().name, "menu//Buttons_ok_map");
    EXPECT_TRUE(last().flag);
    EXPECT_EQ(last().frames, 3);
    prismPicture(1);
    EXPECT_EQ(last().name, "balls//prizm2_white");
    EXPECT_EQ(last().frames, 9);
    pictureByName("small_ramka");
    EXPECT_TRUE(last().flag);
    EXPECT_EQ(last().frames, 9);
    EXPECT_EQ(last().perRow, 3);
    // Outside the tables: nothing, and nothing loaded.
    const size_t before = loads().size();
    for (PicturePack* p : {lockPicture(-1), mapPicture(0), mapPicture(12), backPicture(12), goldPicture(0, 5),
                           messagePack(20), buttonPicture(27), ballPicture(-1), prismPicture(6),
                           profileButtonPicture("x")})
        EXPECT_EQ(p, nullptr);
    EXPECT_EQ(loads().size(), before);
    // The game's own lookups share the packs.
    installPictureAccessors();
    EXPECT_EQ(gamePack("lock//lock_07"), lockPicture(7));
    EXPECT_EQ(hudPack("font1", 256, 32), pictureByName("font1"));
}

TEST_F(ScreensTest, PreloadStepsCreateTheirPacks) {
    const std::vector<std::pair<int, int>> steps = {{0, 6}, {3, 0}, {5, 5}, {10, 14}, {15, 9}, {20, 5},
                                                    {25, 33}, {28, 20}, {30, 27}};
    for (auto [step, count] : steps) {
        const int before = picturesCreated();
        preloadPictures(step);
        EXPECT_EQ(picturesCreated() - before, count) << "step " << step;
    }
}
