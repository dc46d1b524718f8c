// Score and lives counters, the match scoring rules with their sounds and
// banners, the level timer, the ball-count gem and the HUD labels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "frame/settings.h"
#include "game/game_sound.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/scoring.h"
#include "res/picture_pack.h"
#include "res/texts.h"
#include "test_support.h"

namespace {

std::vector<std::string> g_played;
void recordSound(const std::string& name) { g_played.push_back(name); }

// Packs with real frame sizes but no texture behind them.
std::map<std::string, std::unique_ptr<PicturePack>> g_testPacks;
PicturePack* testPack(const std::string& name, int frames, int) {
    auto& slot = g_testPacks[name];
    if (!slot) {
        slot = std::make_unique<PicturePack>();
        const int w = name == "panel_info_bar" ? 100 : name == "font1" ? 8 : 40;
        for (int i = 0; i < frames; ++i) slot->addFrame((i % 10) * w, (i / 10) * 20, w, 20);
    }
    return slot.get();
}

struct Banner {
    int message;
    std::string sound;
    int delay;
    bool operator==(const Banner&) const = default;
};

class ScoringTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setHudPackLoader(testPack);
        setGameSoundSpy(recordSound);
        g_played.clear();
        score = new Scoring;
        score->ratingBanner = [this](int m) { banners.push_back({m, "", -1}); };
        score->groupBanner = [this](int m, const std::string& s, int d) { banners.push_back({m, s, d}); };
    }
    void TearDown() override {
        setGameSoundSpy(nullptr);
        setHudPackLoader(nullptr);
        EngineTest::TearDown();
    }
    // One logic tick of a counter.
    static int tick(Counter& c) {
        advanceTickCount();
        const int before = c.pending;
        c.update();
        return before - c.pending;
    }
    static void settle(Counter& c) {
        for (int i = 0; i < 100000 && c.pending != 0; ++i) tick(c);
    }
    Scoring* score = nullptr;
    std::vector<Banner> banners;
};

TEST_F(ScoringTest, TwelveThousandCountsInByShrinkingStepsOnTheirTicks) {
    score->add(12345);
    EXPECT_EQ(score->total(), 12345);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tick(*score), 1000);
    EXPECT_EQ(score->pending, 9345);
    while (score->pending > 945) ASSERT_EQ(tick(*score), 100) << score->pending;
    EXPECT_EQ(score->pending, 945);
    while (score->pending > 95) {
        const int s = tick(*score);
        ASSERT_EQ(s, tickCount() % 2 == 0 ? 10 : 0) << "tick " << tickCount();
    }
    EXPECT_EQ(score->pending, 95);
    while (score->pending > 20) {
        const int s = tick(*score);
        ASSERT_EQ(s, tickCount() % 3 == 0 ? 5 : 0) << "tick " << tickCount();
    }
    EXPECT_EQ(score->pending, 20);
    int ones = 0;
    while (score->pending > 0) {
        const int s = tick(*score);
        ASSERT_EQ(s, tickCount() % 4 == 0 ? 1 : 0) << "tick " << tickCount();
        ones += s;
    }
    EXPECT_EQ(ones, 20);
    EXPECT_EQ(score->shown, 12345);
    EXPECT_EQ(score->label.text, "12345");
    // Idle: nothing moves.
    EXPECT_EQ(tick(*score), 0);
}

TEST_F(ScoringTest, CountersCountDownTooAndShowSevenDigits) {
    auto* lives = new LifeCounter;
    lives->set(3);
    EXPECT_EQ(lives->label.text, "3");
    EXPECT_EQ(lives->label.align, 1);
    EXPECT_EQ(lives->label.layer, kHudLayer);
    lives->add(-1);
    EXPECT_EQ(lives->total(), 2);
    settle(*lives);
    EXPECT_EQ(lives->shown, 2);
    EXPECT_EQ(lives->label.text, "2");

    score->add(-15000);
    EXPECT_EQ(tick(*score), -1000);
    settle(*score);
    EXPECT_EQ(score->shown, -15000);

    score->set(12345678);
    EXPECT_EQ(score->pending, 0);
    EXPECT_EQ(score->label.text, "2345678");
}

TEST_F(ScoringTest, CombosPlayRisingSoundsAndRatingBanners) {
    score->scoreMatch(3, 10);
    EXPECT_EQ(g_played, (std::vector<std::string>{"ball_gather01", "score_add"}));
    EXPECT_TRUE(banners.empty());
    EXPECT_EQ(score->pending, 50);

    g_played.clear();
    score->scoreMatch(3, 10);
    EXPECT_EQ(g_played, (std::vector<std::string>{"ball_gather02", "score_add"}));
    ASSERT_EQ(banners.size(), 1u);
    EXPECT_EQ(banners[0].message, kMsgGood);
    EXPECT_EQ(messagePicture(banners[0].message), "messages//msg_good");

    // Up to the cap: combo 14 keeps playing the fifteenth sound.
    const std::vector<std::string> expected = {"x3",   "x4",        "x5",        "verygood",  "great",
                                               "x8",   "superior",  "x10",       "fine",      "marvelous",
                                               "excellent", "excellent", "excellent", "excellent"};
    for (const std::string& name : expected) {
        banners.clear();
        g_played.clear();
        score->scoreMatch(3, 10);
        ASSERT_EQ(banners.size(), 1u);
        EXPECT_STREQ(messageName(banners[0].message), name.c_str()) << "combo " << score->combo;
    }
    EXPECT_EQ(score->combo, 14);
    EXPECT_EQ(g_played.front(), "ball_gather15");

    // A shot that matched nothing starts the count again.
    score->resetCombo();
    banners.clear();
    g_played.clear();
    score->scoreMatch(4, 10);
    EXPECT_EQ(g_played.front(), "ball_gather01");
    EXPECT_TRUE(banners.empty());
}

TEST_F(ScoringTest, GroupBannersOncePerSizeRangeForANewBest) {
    auto groups = [this] {
        std::vector<Banner> out;
        for (const Banner& b : banners)
            if (b.message >= kMsgCombo1) out.push_back(b);
        banners.clear();
        return out;
    };
    score->scoreMatch(7, 33);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo1, "ball_combo_1", 33}}));
    score->scoreMatch(6, 20);
    EXPECT_TRUE(groups().empty()) << "7 is already the best small group";
    score->scoreMatch(4, 20);
    EXPECT_TRUE(groups().empty()) << "no banner below 5";
    score->scoreMatch(10, 41);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo2, "ball_combo_2", 41}}));
    score->scoreMatch(9, 12);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo1, "ball_combo_1", 12}})) << "9 beats 7";
    score->scoreMatch(15, 50);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo3, "ball_combo_3", 50}}));
    score->scoreMatch(15, 50);
    EXPECT_TRUE(groups().empty());
    score->scoreMatch(22, 60);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo3, "ball_combo_3", 60}}));

    // A new level rewards its own groups again.
    score->startLevel();
    score->scoreMatch(5, 8);
    EXPECT_EQ(groups(), (std::vector<Banner>{{kMsgCombo1, "ball_combo_1", 8}}));
}

TEST_F(ScoringTest, PointsOfMatchesBonusesAndCrystals) {
    // Two red balls and a bonus ball: the bonus counts twice.
    score->scoreMatch(2 + 2, 0);
    EXPECT_EQ(score->total(), 80);
    const std::pair<int, int> points[] = {{1, 50}, {2, 50}, {3, 50}, {5, 110}, {6, 140}, {15, 410}};
    for (auto [count, expected] : points) EXPECT_EQ(Scoring::pointsFor(count), expected) << count;

    g_played.clear();
    score->scoreBonus(0);
    score->scoreCrystal(0);
    EXPECT_TRUE(g_played.empty());
    EXPECT_EQ(score->total(), 80);

    score->scoreBonus(150);
    score->scoreCrystal(1000);
    score->scoreCrystal(1000);
    EXPECT_EQ(g_played, (std::vector<std::string>(3, "score_bonus")));
    EXPECT_EQ(score->crystalTotal, 2000);
    EXPECT_EQ(score->total(), 80 + 150 + 2000);

    g_played.clear();
    score->addSilent(1000);
    EXPECT_TRUE(g_played.empty());
    EXPECT_EQ(score->total(), 3230);
}

TEST_F(ScoringTest, ALostLevelGoesBackToItsStartScore) {
    score->set(1200);
    score->startLevel();
    EXPECT_EQ(score->levelStart, 1200);
    score->scoreMatch(6, 0);
    score->scoreCrystal(1000);
    for (int i = 0; i < 5; ++i) tick(*score);
    ASSERT_GT(score->shown, 1200);
    ASSERT_NE(score->pending, 0) << "points still counting in when the level is lost";

    score->revertLevel();
    EXPECT_EQ(score->shown, 1200);
    EXPECT_EQ(score->label.text, "1200");
    settle(*score);
    EXPECT_EQ(score->total(), 1200) << "the lost level's points never arrive";

    // The next try starts from the same score with clean statistics.
    score->combo = 5;
    score->startLevel();
    EXPECT_EQ(score->levelStart, 1200);
    EXPECT_EQ(score->combo, 0);
    EXPECT_EQ(score->crystalTotal, 0);

    score->resetAll();
    EXPECT_EQ(score->total(), 0);
    EXPECT_EQ(score->levelStart, 0);
}

// ---- meter ----

TEST_F(ScoringTest, MeterFrameFollowsTheFillAndStaysInsideItsFrames) {
    auto* meter = new ValueMeter;
    EXPECT_GT(meter->glow.layer, meter->gem.layer) << "the flash glows over the gem";
    // Both centred on the magnet.
    for (const PckSprite* s : {&meter->gem, &meter->glow}) {
        EXPECT_FLOAT_EQ(s->x - s->rs.hotX + static_cast<float>(s->width()) / 2, kMagnetCentreXPx);
        EXPECT_FLOAT_EQ(s->y - s->rs.hotY + static_cast<float>(s->height()) / 2, kMagnetCentreYPx);
    }

    meter->show(50, 100);
    EXPECT_EQ(meter->gem.frame, 0) << "the meter starts switched off";
    meter->toggle();
    meter->show(50, 100);
    EXPECT_EQ(meter->gem.frame, 14);
    meter->show(0, 100);
    EXPECT_EQ(meter->gem.frame, 19);
    meter->show(100, 100);
    EXPECT_EQ(meter->gem.frame, 8);
    // More balls than the maximum (the loss tick) or a level without one.
    meter->show(250, 100);
    EXPECT_EQ(meter->gem.frame, 0);
    meter->show(40, 0);
    EXPECT_EQ(meter->gem.frame, 0);
    EXPECT_EQ(meter->glow.rs.alpha, 0);
    EXPECT_EQ(ValueMeter::frameFor(-3, 100), 19);
}

TEST_F(ScoringTest, MeterFlashFadesOverEightyFiveTicks) {
    auto* meter = new ValueMeter;
    meter->toggle();
    meter->show(90, 100);
    EXPECT_EQ(meter->glow.rs.alpha, 0);
    EXPECT_FALSE(meter->isFlashing());

    meter->flashNow();
    meter->show(90, 100);
    EXPECT_EQ(meter->glow.rs.alpha, 229);  // 255 * 90 / 100
    EXPECT_FLOAT_EQ(meter->glow.rs.scaleX, 1.0f);
    meter->show(200, 100);
    EXPECT_EQ(meter->glow.rs.alpha, 255);

    for (int i = 0; i < 84; ++i) meter->update();
    EXPECT_TRUE(meter->isFlashing());
    meter->update();
    EXPECT_FALSE(meter->isFlashing());
    meter->update();
    EXPECT_EQ(meter->flash, 0);
    meter->show(90, 100);
    EXPECT_EQ(meter->glow.rs.alpha, 0);
    EXPECT_NEAR(meter->glow.rs.scaleX, 1.0f + 86 * 0.05f, 1e-3);

    meter->toggle();
    meter->flashNow();
    meter->show(90, 100);
    EXPECT_EQ(meter->gem.frame, 0);
    EXPECT_EQ(meter->glow.rs.alpha, 0) << "a switched-off meter does not glow";
    EXPECT_FLOAT_EQ(meter->glow.rs.scaleX, 1.0f);
}

// ---- timer ----

TEST_F(ScoringTest, TimerCountsOnlyWhileRunningStartedAndActive) {
    auto* timer = new LevelTimer;
    timer->setLimit(60);
    EXPECT_EQ(timer->limit, 4800u);
    EXPECT_EQ(timer->bar.pack, testPack("panel_info_bar", 1, 1));
    // The bar slides out to the left by its own width as the time runs.
    const float full = timer->bar.x;
    const auto width = static_cast<float>(timer->bar.width());
    ASSERT_GT(width, 0.0f);

    for (int i = 0; i < 100; ++i) timer->update();
    EXPECT_EQ(timer->elapsed, 0u) << "not started";
    timer->start();
    for (int i = 0; i < 100; ++i) timer->update();
    timer->pause();
    for (int i = 0; i < 100; ++i) timer->update();
    timer->resume();
    timer->setActive(false);  // the player went idle
    for (int i = 0; i < 100; ++i) timer->update();
    timer->setActive(true);
    EXPECT_EQ(timer->elapsed, 100u);

    for (int i = 0; i < 3499; ++i) timer->update();
    EXPECT_FALSE(timer->threeQuarters());
    timer->update();
    EXPECT_TRUE(timer->threeQuarters());
    EXPECT_FLOAT_EQ(timer->bar.x, full - 0.75f * width);

    for (int i = 0; i < 1199; ++i) timer->update();
    EXPECT_FALSE(timer->expired());
    timer->update();
    EXPECT_TRUE(timer->expired());
    EXPECT_FLOAT_EQ(timer->bar.x, full - width);
    timer->update();
    EXPECT_FLOAT_EQ(timer->bar.x, full - width) << "the bar stops at its end";

    timer->stop();
    timer->clear();
    timer->update();
    EXPECT_EQ(timer->elapsed, 0u);
    EXPECT_FALSE(timer->expired());
    EXPECT_FLOAT_EQ(timer->bar.x, full);
}

TEST_F(ScoringTest, TimerWithoutALimitHasNoBarAndNeverRunsOut) {
    auto* timer = new LevelTimer;
    timer->setLimit(30);
    timer->start();
    for (int i = 0; i < 10; ++i) timer->update();
    timer->setLimit(0);
    EXPECT_EQ(timer->bar.pack, nullptr);
    EXPECT_EQ(timer->elapsed, 0u);
    for (int i = 0; i < 10000; ++i) timer->update();
    EXPECT_FALSE(timer->expired());
    EXPECT_FALSE(timer->threeQuarters());
    timer->setLimit(-5);
    EXPECT_EQ(timer->limit, 0u);
    timer->setLimit(100000000);  // does not wrap round to a short limit
    EXPECT_EQ(timer->limit, UINT32_MAX);
}

// ---- labels ----

class HudLabelTest : public ScoringTest {
protected:
    void TearDown() override {
        clearTexts();
        resetSettingsForTests();
        resetLevelParams();
        ScoringTest::TearDown();
    }
};

TEST_F(HudLabelTest, ShippedTextsNameTheLevelAndTheLives) {
    loadTexts(std::string(VM_SOURCE_DIR) + "/data/vm_texts.loc");
    ASSERT_FALSE(getText("GAMEPLATE_LEVEL").empty());
    ASSERT_FALSE(getText("GAMEPLATE_LIFES").empty());

    HudLabels hud;
    EXPECT_EQ(hud.lives.text, getText("GAMEPLATE_LIFES"));
    hud.setLevelLabel(2, 3);
    EXPECT_EQ(hud.levelNumber.text, getText("GAMEPLATE_LEVEL") + " 2-3");
    hud.setLevelName("Ashen Gate");
    EXPECT_EQ(hud.levelName.text, "Ashen Gate");
    for (TextLabel* l : {&hud.lives, &hud.levelName, &hud.levelNumber}) {
        EXPECT_EQ(l->align, 2);
        EXPECT_EQ(l->layer, kHudLayer);
        EXPECT_NE(l->font, nullptr);
    }
    EXPECT_FLOAT_EQ(hud.levelNumber.x, 567.0f);
    // Without the debug keys there are no debug lines, and asking is harmless.
    EXPECT_EQ(hud.debug1, nullptr);
    EXPECT_EQ(hud.debug2, nullptr);
    hud.debugLine(12);
    hud.showBuildTag();
}

TEST_F(HudLabelTest, DebugLinesWhenTheSettingsAskForThem) {
    const auto dir = std::filesystem::temp_directory_path() / ("vm_hud_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string ini = (dir / "vm_game.ini").string();
    std::ofstream(ini) << "[Debug]\ndbgstr1=1\ndbgstr2=1\n";
    ASSERT_TRUE(selectIniFile(ini, false));

    HudLabels hud;
    ASSERT_NE(hud.debug1, nullptr);
    ASSERT_NE(hud.debug2, nullptr);
    EXPECT_FLOAT_EQ(hud.debug2->y, 580.0f);
    EXPECT_EQ(hud.debug2->align, 0);
    hud.setLevelLabel(1, 4);
    EXPECT_EQ(hud.debug1->text, "RLS_300_L");

    LevelParams& p = mutableLevelParams();
    p.MaxBalls = 60, p.BallSize = 90, p.MagnetGravity = 12, p.GlobalGravity = 1, p.LvlBonus = 3;
    p.StartFreeBall = 2, p.BallsSpawnMiss = 7, p.FreeBallType = 1, p.SpawnGunNo = 4;
    hud.debugLine(41);
    EXPECT_EQ(hud.debug2->text, "Balls(41:60) R(90) MF(12) GF(1) BnsN(3) Strt(2) Mss(7) T(1) Gun(4)");
    hud.clearDebugLine();
    EXPECT_EQ(hud.debug2->text, "");
    std::filesystem::remove_all(dir);
}

}  // namespace
