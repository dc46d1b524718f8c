// The game actor on the shipped campaign: level start, the play state's
// rules, win and loss, and the states between levels.
#include <gtest/gtest.h>

#include "game_support.h"
#include "game/magnet.h"
#include "game/scenery.h"

using gametest::played;

namespace {
bool inPlay(Game& g) { return g.current == &g.physics; }
}  // namespace

TEST_F(GameTest, ANewSessionStartsWithThreeLivesAndNoScoreAtTheTutorial) {
    setUserScore(5000);
    setUserLife(1);
    Game& g = Game::instance();
    EXPECT_EQ(g.levelNumber(), 1);
    EXPECT_EQ(g.lives->total(), 3);
    EXPECT_EQ(g.scoring->total(), 0);
    EXPECT_EQ(player::GameSession(), 1);
    EXPECT_EQ(player::UserProgress(), 1);
    Game::release();
    destroyAllActors();
    // A saved game resumes where it was, with what it had.
    setUserProgress(34);
    setUserScore(1234);
    setUserLife(2);
    Game& again = Game::instance();
    EXPECT_EQ(again.episode, 3);
    EXPECT_EQ(again.level, 4);
    EXPECT_EQ(again.scoring->total(), 1234);
    EXPECT_EQ(again.lives->total(), 2);
    Game::release();
    destroyAllActors();
    // Saved past the end of an episode that the installed levels have
    // shortened: the game goes on at the episode's last level.
    setUserProgress(9);
    Game& shortened = Game::instance();
    EXPECT_EQ(shortened.levelNumber(), levelsInEpisode(0));
    EXPECT_EQ(player::UserProgress(), levelsInEpisode(0));
}

TEST_F(GameTest, LevelOrderWrapsEpisodesAndStopsAtTheEndOfTheCampaign) {
    Game& g = startAt(11);
    const int n = levelsInEpisode(1);
    ASSERT_GE(n, 2);
    g.setLevel(10 + n - 1);
    g.advanceLevel();
    EXPECT_EQ(g.levelNumber(), 10 + n);
    EXPECT_TRUE(g.isLastOfEpisode());
    EXPECT_FALSE(g.isLastLevel());
    g.advanceLevel();
    EXPECT_EQ(g.levelNumber(), 21);
    EXPECT_EQ(player::UserProgress(), 21);
    const int last = episodes() * 10 + levelsInEpisode(episodes());
    g.setLevel(last);
    EXPECT_TRUE(g.isLastLevel());
    EXPECT_TRUE(g.isGameOver());
    g.setLevel(11);
    g.lives->set(0);
    EXPECT_TRUE(g.isGameOver());
    // Playing the tutorial's episode 1 marks the tutorial as done.
    EXPECT_EQ(player::UserTutorialStatus(), 1);
}

TEST_F(GameTest, LevelStartsAfterTheMagnetAppearsAndClicksWaitOneSecond) {
    Game& g = startAt(11);
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_EQ(player::UserScore(), 0);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    EXPECT_EQ(played("game_new"), 1);
    EXPECT_EQ(owner->count(1011), 1);  // the menu button comes back
    EXPECT_TRUE(g.timer->started);
    const int balls = field().countBalls();
    EXPECT_GT(balls, 0);
    // Within the first second of play a click fires nothing.
    mouseTo(400);
    click(ZE_LeftDown);
    run(1);
    click(ZE_LeftUp);
    EXPECT_EQ(field().countBalls(), balls);
    EXPECT_EQ(played("gun_shoot"), 0);
    run(80);
    click(ZE_LeftDown);
    run(1);
    click(ZE_LeftUp);
    EXPECT_EQ(played("gun_shoot"), 1);
    EXPECT_EQ(g.physics.lastShotResult, 1);
}

TEST_F(GameTest, ScriptedPlayerWinsALevelAndGoesOnToTheNext) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    run(90);
    int shots = 0;
    while (inPlay(g) && shots < 300) {
        if (!playShot()) run(5);
        ++shots;
    }
    ASSERT_EQ(g.current, &g.nextLevel);
    EXPECT_GT(g.scoring->total(), 0);
    EXPECT_EQ(played("game_win"), 1);
    EXPECT_EQ(player::UserProgress(), 12);  // stored before the map
    EXPECT_EQ(g.levelNumber(), 11);
    // The banner waits for a click; clicks before it is there do nothing.
    click(ZE_LeftUp);
    EXPECT_EQ(g.nextLevel.phase, 0);
    ASSERT_TRUE(runUntil([&] { return g.nextLevel.phase == 2; }, 600));
    EXPECT_EQ(played("magnit_explode"), 1);
    ASSERT_NE(g.nextLevel.banner, nullptr);
    click(ZE_LeftUp);
    EXPECT_EQ(g.nextLevel.phase, 3);
    ASSERT_TRUE(runUntil([&] { return g.current != &g.nextLevel; }, 600));
    ASSERT_EQ(g.current, &g.map);
    ASSERT_NE(g.map.screen, nullptr);
    // The map waits for its OK button; late reports of the scenery do not end it.
    run(200);
    g.onNotify(Game::kSceneryId, 0, 0, 0);
    EXPECT_EQ(g.current, &g.map);
    g.map.screen->onNotify(1, 0, 0, 0);
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_EQ(g.levelNumber(), 12);
}

TEST_F(GameTest, TooManyBallsLoseTheLevelAndTheWallEndsIt) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    run(10);
    const int score = g.scoring->total();
    g.scoring->add(500);  // points of this level are lost with it
    mutableLevelParams().MaxBalls = field().countBalls() - 1;
    const size_t before = gametest::sounds().size();
    tick();
    EXPECT_EQ(g.physics.ended, 1);
    const std::vector<std::string> now(gametest::sounds().begin() + static_cast<long>(before), gametest::sounds().end());
    for (const char* s : {"game_end", "rock_fall", "wall_down"})
        EXPECT_NE(std::find(now.begin(), now.end(), s), now.end()) << s;
    EXPECT_EQ(g.lives->total(), 2);
    EXPECT_EQ(g.scoring->total(), score);
    EXPECT_EQ(owner->count(1010), 1);
    int t = 0;
    ASSERT_TRUE(runUntil([&] { return ++t, g.current == &g.gameover; }, 400));
    EXPECT_NEAR(t, 81, 3);  // the wall comes down in 80 ticks
    EXPECT_EQ(g.gameover.phase, 2);
    click(ZE_LeftUp);
    EXPECT_EQ(g.gameover.phase, 3);
    ASSERT_TRUE(runUntil([&] { return g.current != &g.gameover; }, 400));
    EXPECT_EQ(g.current, &g.preStart);  // the level is played again
    EXPECT_EQ(g.levelNumber(), 11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
}

TEST_F(GameTest, ShootingWideLosesOnceMaxBallsIsPassed) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    run(90);
    // A bad player shoots at other colours; the limit follows the field so
    // that the first shot that stays on it is one ball too many.
    for (int i = 0; i < 60 && inPlay(g) && !g.physics.ended; ++i) {
        mutableLevelParams().MaxBalls = field().countBalls();
        if (!playShot(false)) run(5);
    }
    EXPECT_EQ(g.physics.ended, 1);
    EXPECT_GT(g.ballCount, levelParams().MaxBalls);
    ASSERT_TRUE(runUntil([&] { return g.current == &g.gameover; }, 400));
}

TEST_F(GameTest, TheTimerCountsOnlyActivePlayTime) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    g.timer->setLimit(60);
    mouseTo(300);  // the idle countdown starts afresh with the clock
    g.timer->clear();
    // Idle for 400 ticks stops the clock until the mouse moves again.
    run(500);
    const unsigned idle = g.timer->elapsed;
    EXPECT_NEAR(idle, 400u, 1u);
    mouseTo(300);
    run(100);
    EXPECT_EQ(g.timer->elapsed, idle + 100);
    g.pauseGame();
    run(100);
    EXPECT_EQ(g.timer->elapsed, idle + 100);
    g.resumeGame();
    for (int i = 0; i < 44 && !g.physics.ended; ++i) {
        mouseTo(300 + i % 2);
        run(100);
    }
    EXPECT_EQ(g.physics.ended, 1);
    EXPECT_EQ(g.timer->elapsed, 4800u);
}

TEST_F(GameTest, FreeBallsComeAfterTwoAndAHalfSecondsOfPlay) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    mutableLevelParams().StartFreeBall = 2;
    g.pauseGame();
    run(400);
    g.resumeGame();
    EXPECT_EQ(g.physics.freeBalls.phase, 0);
    run(199);
    EXPECT_EQ(g.physics.freeBalls.phase, 0);
    run(2);
    EXPECT_EQ(g.physics.freeBalls.phase, 1);
}

TEST_F(GameTest, TutorialLevelOneShowsItsFirstTipOnceAndPointsAtGroups) {
    Game& g = startAt(1);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    run(200);
    int firstTip = 0, arrows = 0;
    for (auto [msg, a] : owner->messages) firstTip += msg == 1025 && a == 1;
    for (auto& [id, o] : field().objects) arrows += o->arrow != nullptr;
    EXPECT_EQ(firstTip, 1);
    EXPECT_GT(arrows, 0);
    // Every arrowed ball has the loaded colour.
    for (auto& [id, o] : field().objects)
        if (o->arrow) {
            EXPECT_EQ(o->type, g.colours.loadedColour);
        }
    // The tutorial's title card does not show; no points are scored.
    EXPECT_EQ(g.scoring->total(), 0);
}

TEST_F(GameTest, TutorialLevelsFollowEachOtherAndTheLastShowsTheStageBanner) {
    Game& g = startAt(1);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    // Clear the field by hand: the level is won at once.
    for (auto& [id, o] : field().objects)
        if (o->isBall()) o->kind = kKindMarked;
    field().destroyMarked();
    tick();
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_EQ(g.levelNumber(), 2);
    const int lives = g.lives->total();
    g.setLevel(levelsInEpisode(0));
    g.setState(&g.preStart);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    for (auto& [id, o] : field().objects)
        if (o->isBall()) o->kind = kKindMarked;
    field().destroyMarked();
    tick();
    ASSERT_EQ(g.current, &g.nextLevel);
    ASSERT_TRUE(runUntil([&] { return g.nextLevel.phase == 2; }, 600));
    EXPECT_EQ(g.lives->total(), lives + 1);
    click(ZE_LeftUp);
    // The tutorial has no map: straight on to episode 1.
    ASSERT_TRUE(runUntil([&] { return g.current == &g.preStart; }, 600));
    EXPECT_EQ(g.levelNumber(), 11);
}

TEST_F(GameTest, TheLastLevelOfTheCampaignEndsInTheFinalComic) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    g.setLevel(episodes() * 10 + levelsInEpisode(episodes()));
    for (auto& [id, o] : field().objects)
        if (o->isBall()) o->kind = kKindMarked;
    field().destroyMarked();
    tick();
    ASSERT_TRUE(runUntil([&] { return g.nextLevel.phase == 2; }, 600));
    click(ZE_LeftUp);
    ASSERT_TRUE(runUntil([&] { return g.current == &g.gameWinState; }, 600));
    click(ZE_LeftUp);
    EXPECT_EQ(g.gameWinState.phase, 1);
    ASSERT_TRUE(runUntil([&] { return g.gameWinState.phase == 3; }, 600));
    click(ZE_LeftUp);
    EXPECT_EQ(owner->count(1027), 1);
    EXPECT_EQ(player::GameSession(), 0);
}

TEST_F(GameTest, RestartGoesBackToTheLevelStartWithTheLevelsPointsLost) {
    Game& g = startAt(11);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    const int score = g.scoring->total();
    g.scoring->add(300);
    run(200);
    g.restartLevel();
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_EQ(g.scoring->total(), score);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    // Outside the play state a restart does nothing.
    g.setState(&g.gameover);
    g.restartLevel();
    EXPECT_EQ(g.current, &g.gameover);
}

TEST_F(GameTest, LosingTheLastLevelWithLivesLeftPlaysItAgain) {
    const int last = episodes() * 10 + levelsInEpisode(episodes());
    Game& g = startAt(last);
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    mutableLevelParams().MaxBalls = field().countBalls() - 1;
    tick();
    ASSERT_TRUE(runUntil([&] { return g.current == &g.gameover; }, 400));
    click(ZE_LeftUp);
    ASSERT_TRUE(runUntil([&] { return g.current != &g.gameover; }, 400));
    EXPECT_EQ(g.current, &g.preStart);
    EXPECT_EQ(owner->count(1027), 0);
    EXPECT_EQ(player::GameSession(), 1);
    // With the last life gone the game ends.
    ASSERT_TRUE(runUntil([&] { return inPlay(g); }, 400));
    g.lives->set(1);
    mutableLevelParams().MaxBalls = field().countBalls() - 1;
    tick();
    ASSERT_TRUE(runUntil([&] { return g.current == &g.gameover; }, 400));
    click(ZE_LeftUp);
    EXPECT_TRUE(runUntil([&] { return owner->count(1027) == 1; }, 400));
    EXPECT_EQ(player::GameSession(), 0);
}

TEST_F(GameTest, AGameKilledWithoutItsReleaseIsPurgedAndLetsGoOfWhatItOwned) {
    // An actor killed before the game leaves an empty slot in the live list
    // by the time the game's destructor walks it.
    auto* before = new gametest::OwnerRecorder;
    mergeNewActors();
    Game& g = startAt(11);
    auto* banner = new gametest::OwnerRecorder;
    banner->setOwner(&g, 5);
    mergeNewActors();
    before->kill();
    g.kill();
    purgeDeadActors();
    EXPECT_EQ(Game::existing(), nullptr);
    EXPECT_EQ(banner->owner, nullptr);
}
