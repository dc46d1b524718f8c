// The demo: a minute of rest on the title or the main menu starts it, --demo
// starts it at once, the player's input ends it where it came from, it plays
// for real (shots, a score) and it leaves the player's files as they were.
// Input comes as the window would bring it, through the message hooks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "demo/demo_mode.h"
#include "demo/fps_meter.h"
#include "frame/app.h"
#include "frame/clock.h"
#include "frame/command_line.h"
#include "game/bonuses.h"
#include "game/reports.h"
#include "game/scoring.h"
#include "game_support.h"
#include "platform/event.h"
#include "players/highscores.h"
#include "res/picture_pack.h"
#include "screens/dispatcher.h"
#include "screens/main_menu.h"
#include "screens/pictures.h"
#include "screens/startup_screens.h"

namespace {

void stubLoad(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    const int w = name == "mapa" ? 800 : 52, h = name == "mapa" ? 600 : 52;
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * w, (i / perRow) * h, w, h);
}

// Every file under a folder with its bytes and its modification time.
std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> snapshot(const std::string& dir) {
    std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[e.path().string()] = {bytes.str(), e.last_write_time()};
    }
    return files;
}

// A minute of the headless clock, in the steps that advance it.
constexpr int kIdleSteps = static_cast<int>(demo::kIdleMs * 80 / 1000);

// The player's input, as the platform hands it to the hooks.
bool send(const platform::Event& e) {
    return runEventHooks(e);  // true: somebody took it
}

}  // namespace

class DemoTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        setPictureLoadFunction(stubLoad);
        engineStart();
    }
    void TearDown() override {
        demo::uninstallDemoMode();
        releaseDispatcher();
        engineStop();
        GameTest::TearDown();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }
    void storePlayer() {
        commitPlayers({{"Ada", -1, 0}}, 0);
        loadActivePlayer();
    }
    // One pass of the frame loop: the idle hooks, a logic tick, the input.
    void step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            runHookList(HookList::Idle);
            tick();
            dispatchInput();
        }
    }
    template <class F>
    bool stepUntil(F done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) step();
        return done();
    }
    Dispatcher& toTitle() {
        Dispatcher& d = dispatcher();
        d.switchTo(&d.logoFirst);
        EXPECT_TRUE(stepUntil([&] { return d.title.screen && d.title.screen->phase == TitleScreenv2::kWaiting; },
                              1000));
        return d;
    }
    Dispatcher& toMainMenu() {
        storePlayer();
        Dispatcher& d = toTitle();
        d.onKey(0x100 + 'A');
        EXPECT_TRUE(stepUntil([&] { return d.current == &d.menu && d.menu.menu && d.menu.menu->idle(); }, 300));
        return d;
    }
};

TEST_F(DemoTest, AMinuteWithoutInputOnTheMainMenuStartsItAndAKeyEndsItOnTheMenu) {
    demo::installDemoMode(false);
    Dispatcher& d = toMainMenu();
    ASSERT_EQ(d.current, &d.menu);
    // Half a minute, a real move of the mouse: the minute starts again.
    step(kIdleSteps / 2);
    send(platform::pointerMove(100, 100));
    send(platform::pointerMove(140, 100));
    step(kIdleSteps - 10);
    EXPECT_FALSE(demo::demoRunning());
    EXPECT_EQ(d.current, &d.menu);
    step(20);
    ASSERT_TRUE(demo::demoRunning());
    ASSERT_EQ(d.current, &d.game);
    ASSERT_NE(Game::existing(), nullptr);
    EXPECT_EQ(Game::existing()->levelNumber(), demo::demoLevel());
    EXPECT_GE(demo::demoLevel(), 11);  // never the tutorial
    EXPECT_EQ(player::Name(), "Demo");
    step(200);
    // The key is the demo's: the menu never sees it.
    EXPECT_TRUE(send(platform::keyEvent(true, platform::Key::Escape)));
    EXPECT_FALSE(demo::demoRunning());
    EXPECT_EQ(d.current, &d.menu);
    step(1);
    EXPECT_EQ(Game::existing(), nullptr);
    EXPECT_EQ(player::Name(), "Ada");
    EXPECT_TRUE(stepUntil([&] { return d.menu.menu && d.menu.menu->idle(); }, 300));
    // Another minute of rest brings the demo back, at the next level.
    ASSERT_TRUE(stepUntil([] { return demo::demoRunning(); }, kIdleSteps + 10));
    EXPECT_EQ(demo::demoLevelsStarted(), 2);
}

TEST_F(DemoTest, OnTheTitleAShakeOfTheMouseKeepsItAndARealMoveOrTheFocusEndsIt) {
    demo::installDemoMode(false);
    Dispatcher& d = toTitle();
    ASSERT_TRUE(stepUntil([] { return demo::demoRunning(); }, kIdleSteps + 10));
    ASSERT_EQ(d.current, &d.game);
    EXPECT_EQ(d.title.screen, nullptr);  // the title went with the state
    step(100);
    // A hand on the mouse: a few pixels either way are not the player's.
    EXPECT_TRUE(send(platform::pointerMove(300, 300)));
    EXPECT_TRUE(send(platform::pointerMove(300 + demo::kMouseSlack, 300 - 2)));
    // Nor is a screenshot.
    send(platform::keyEvent(true, platform::Key::F12));
    send(platform::keyEvent(false, platform::Key::F12));
    step(1);
    EXPECT_TRUE(demo::demoRunning());
    EXPECT_TRUE(send(platform::pointerMove(300 + 3 * demo::kMouseSlack, 300)));
    EXPECT_FALSE(demo::demoRunning());
    EXPECT_EQ(d.current, &d.title);
    EXPECT_TRUE(stepUntil([&] { return d.title.screen && d.title.screen->phase == TitleScreenv2::kWaiting; }, 1000));

    // Started again, it gives way when the window loses the focus; that
    // message still reaches the engine.
    ASSERT_TRUE(stepUntil([] { return demo::demoRunning(); }, kIdleSteps + 10));
    EXPECT_FALSE(send(platform::activationEvent(false)));
    EXPECT_FALSE(demo::demoRunning());
    EXPECT_EQ(d.current, &d.title);
    EXPECT_FALSE(isAppActive());
}

TEST_F(DemoTest, NoMinuteCountsWhileAScreenIsBusy) {
    demo::installDemoMode(false);
    Dispatcher& d = toMainMenu();
    // The options dialog over the menu is the player's, however long.
    d.menu.onNotify(9, report::Options, 0, 0);
    ASSERT_NE(d.menu.options, nullptr);
    step(kIdleSteps + 100);
    EXPECT_FALSE(demo::demoRunning());
}

TEST_F(DemoTest, StartedAtOnceItPlaysShootsScoresAndLeavesEveryFileAsItWas) {
    storePlayer();
    setGameSession(1);
    setUserProgress(23);
    setUserScore(1234);
    const HighScoreTable topTen = loadHighScores();
    const auto before = snapshot(dir);
    ASSERT_FALSE(before.empty());
    demo::installDemoMode(true);  // --demo
    Dispatcher& d = dispatcher();
    d.switchTo(&d.logoFirst);  // as the game's window hook does
    step(1);
    ASSERT_TRUE(demo::demoRunning());
    ASSERT_EQ(d.current, &d.game);
    EXPECT_EQ(d.logoFirst.screen, nullptr);  // the logo went with its state
    int best = 0;
    for (int i = 0; i < 80 * 150; ++i) {
        step();
        if (Game* g = Game::existing()) best = std::max(best, g->scoring->total());
        ASSERT_TRUE(demo::demoRunning()) << "tick " << i;
        ASSERT_EQ(d.current, &d.game) << "tick " << i;
    }
    EXPECT_GE(demo::demoShots(), 10);
    EXPECT_GT(best, 0);
    EXPECT_GE(demo::demoLevelsStarted(), 2);  // the round moved on
    // A click ends it; --demo gives way to the title.
    EXPECT_TRUE(send(platform::pointerButton(platform::PointerButton::Left, true, 400, 300, {.left = true})));
    EXPECT_FALSE(demo::demoRunning());
    EXPECT_EQ(d.current, &d.title);
    step(80);
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_EQ(player::Name(), "Ada");
    EXPECT_EQ(player::UserProgress(), 23);
    EXPECT_EQ(player::UserScore(), 1234);
    const HighScoreTable after = loadHighScores();
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].name, topTen[i].name);
        EXPECT_EQ(after[i].score, topTen[i].score);
    }
}

// The store itself: the demo's player writes nothing, whatever is asked of it.
TEST_F(GameTest, TheDemosPlayerKeepsEverythingInMemoryAndTheStoreWritesNothing) {
    commitPlayers({{"Ada", -1, 0}}, 0);
    loadActivePlayer();
    const std::string users = makeDataPath(usersFile());
    std::string bytes;
    ASSERT_TRUE(platform::readFile(users, bytes));
    const auto mtime = std::filesystem::last_write_time(users);
    PlayerRecord demoPlayer;
    demoPlayer.Name = "Demo";
    beginDemoPlayer(demoPlayer);
    EXPECT_TRUE(demoPlayerActive());
    EXPECT_TRUE(setUserProgress(57));
    EXPECT_EQ(player::UserProgress(), 57);
    EXPECT_TRUE(setMusicVolume(10));
    EXPECT_TRUE(setTipStatus(3, 1));
    EXPECT_FALSE(insertHighScore("Demo", 999999));
    EXPECT_FALSE(commitPlayers({{"Other", -1, 0}}, 0));
    EXPECT_EQ(loadHighScores()[0].name, "Brandwick");
    std::string now;
    ASSERT_TRUE(platform::readFile(users, now));
    EXPECT_EQ(now, bytes);
    EXPECT_EQ(std::filesystem::last_write_time(users), mtime);
    EXPECT_TRUE(takeSaveWarning().file.empty());  // nothing failed, nothing to tell
    endDemoPlayer();
    EXPECT_FALSE(demoPlayerActive());
    EXPECT_EQ(player::Name(), "Ada");
    EXPECT_EQ(player::MusicVolume(), 100);
    // The real player writes through again.
    EXPECT_TRUE(setUserProgress(12));
    ASSERT_TRUE(platform::readFile(users, now));
    EXPECT_NE(now, bytes);
}

TEST(DemoCommandLine, DemoAndFpsParseAndAreListed) {
    const CommandLine line = parseCommandLine(std::vector<std::string>{"--demo", "--fps"}, nullptr);
    EXPECT_EQ(line.action, CommandLine::Action::Play);
    EXPECT_TRUE(line.options.demo);
    EXPECT_TRUE(line.options.showFps);
    const CommandLine plain = parseCommandLine(std::vector<std::string>{}, nullptr);
    EXPECT_FALSE(plain.options.demo);
    EXPECT_FALSE(plain.options.showFps);
    EXPECT_EQ(parseCommandLine(std::vector<std::string>{"--demo=1"}, nullptr).action, CommandLine::Action::Error);
    const std::string help = usageText();
    EXPECT_NE(help.find("      --demo "), std::string::npos);
    EXPECT_NE(help.find("      --fps "), std::string::npos);
}

TEST(DemoFpsMeter, ALineOncePerSecondWithFramesRedrawnShareProcessorShareAndLongestFrame) {
    demo::FpsMeter meter;
    constexpr int64_t screen = 800 * 600;
    EXPECT_EQ(meter.step(0, 0, 0, 0.0, 0.0, 0.0), "");
    meter.frameTook(0.0125);
    meter.frameTook(0.031);
    EXPECT_EQ(meter.step(40, 10, screen, 0.5, 0.05, 0.01), "");
    meter.frameTook(0.0129);
    // 25 frames shown, together 2.25 screens redrawn: 9 % each.
    EXPECT_EQ(meter.step(80, 25, screen * 9 / 4, 1.0, 0.12, 0.04),
              "fps 80 (shown 25, redrawn 9 %, cpu 12 %, game thread 4 %, longest frame 31.0 ms)");
    EXPECT_EQ(meter.step(100, 30, screen * 3, 1.9, 0.2, 0.05), "");
    // Two seconds with a stall: the share is of the time that passed, and
    // the longest frame is that second's own, not the earlier one's.
    meter.frameTook(0.0126);
    EXPECT_EQ(meter.step(200, 145, screen * 123 / 4, 3.0, 2.12, 0.1),
              "fps 60 (shown 60, redrawn 24 %, cpu 100 %, game thread 3 %, longest frame 12.6 ms)");
    // Nothing shown: nothing redrawn, and no division by zero.
    EXPECT_EQ(meter.step(280, 145, screen * 123 / 4, 4.0, 2.14, 0.1),
              "fps 80 (shown 0, redrawn 0 %, cpu 2 %, game thread 0 %, longest frame 0.0 ms)");
}

// The demo leaves levels at any moment, as the in-game menu's way out does: a
// banner still fading when its game goes must not report to it afterwards.
TEST_F(GameTest, ABannerOutlivingItsGameNoLongerReportsToIt) {
    Game& g = startAt(11);
    auto* banner = new BonusSpoiler(gametest::gamePackStub("message"), 400, 250);
    banner->setOwner(&g, Game::kSpoilerId);
    run(2);
    banner->leave();
    Game::release();
    EXPECT_EQ(banner->owner, nullptr);
    run(200);  // it fades, reports to nobody and ends itself
    EXPECT_EQ(Game::existing(), nullptr);
}
