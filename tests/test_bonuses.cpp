// Bonus step, crystals and banners on the small test field.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "field_support.h"
#include "game/bonuses.h"
#include "game/cannon.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/object_cmd.h"
#include "gfx/gfx.h"
#include "res/picture_pack.h"

namespace {

std::vector<std::string> g_sounds;
void recordSound(const std::string& name) { g_sounds.push_back(name); }
int played(const std::string& name) { return static_cast<int>(std::count(g_sounds.begin(), g_sounds.end(), name)); }

PicturePack* fakePack(const std::string& name) {
    static std::map<std::string, PicturePack> packs;
    auto it = packs.find(name);
    if (it != packs.end()) return &it->second;
    PicturePack& p = packs[name];
    p.textureName = name;
    if (name == "gun_middle") {
        p.addFrame(0, 0, 52, 106);
    } else if (name == "level_no") {
        for (int i = 0; i < 10; ++i) p.addFrame(i * 30, 0, 30, 40);
    } else if (name == "messages//msg_level") {
        p.addFrame(0, 0, 200, 60);
    } else {
        p.addFrame(0, 0, 52, 52);
    }
    return &p;
}

// The wait a destroyed or struck ball was given (its first queued command).
int queuedDelay(const FieldObject& b) {
    if (!b.commandQueue || !b.commandQueue->current) return -1;
    if (auto* w = dynamic_cast<OC_Wait*>(b.commandQueue->current)) return w->param;
    if (auto* l = dynamic_cast<OC_Lightning*>(b.commandQueue->current)) return l->param;
    return 0;  // no wait: the action started at once
}

class BonusTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        setGamePackLoader(fakePack);
        setGameSoundSpy(recordSound);
        g_sounds.clear();
        mutableLevelParams().BallSize = 100;
        mutableLevelParams().ColorsMax = 6;
        ASSERT_TRUE(build());
        scoring.addSilent = [this](int n) { silent += n; };
        scoring.scoreBonus = [this](int n) { bonusPoints.push_back(n); };
    }
    void TearDown() override {
        setGameSoundSpy(nullptr);
        setGamePackLoader(nullptr);
        FieldTest::TearDown();
    }
    FieldObject& ball(int type, double x, double y) {
        return *f().createBall(type, static_cast<float>(x), static_cast<float>(y), 0, 0);
    }
    FieldObject& triggeredBonus(int kind, double x, double y) {
        mutableLevelParams().LvlBonus = kind;
        FieldObject& j = ball(kBonusBall, x, y);
        j.bonusTriggered = 1;
        return j;
    }
    // The test level's own ball would be one more target.
    void dropLevelBall() {
        ASSERT_NE(f().find(2), nullptr);
        f().find(2)->kind = kKindMarked;
        f().destroyMarked();
    }
    static void actorTicks(int n) {
        for (int i = 0; i < n; ++i) tickActors();
    }
    BonusScoring scoring;
    int silent = 0;
    std::vector<int> bonusPoints;
};

TEST_F(BonusTest, BombReachesItsRadiusWithDistanceDelaysAndFiftyPointsEach) {
    EXPECT_NEAR(bonusRadius(), 2.34, 1e-4);
    FieldObject& j = triggeredBonus(kBonusBomb, 6.0, 4.0);
    FieldObject& near = ball(0, 7.0, 4.0);         // 1.0
    FieldObject& mid = ball(1, 6.0, 6.0);          // 2.0
    FieldObject& edge = ball(2, 3.7, 4.0);         // 2.3
    FieldObject& outside = ball(3, 6.0, 6.4);      // 2.4
    FieldObject& fire = ball(kFireball, 5.0, 4.0);  // special: spared
    FieldObject& other = ball(kBonusBall, 7.2, 4.9);  // 1.5: chained

    fireBonuses(f(), scoring);

    EXPECT_EQ(silent, 1000);
    EXPECT_EQ(played("bonus_bomb"), 1);
    EXPECT_EQ(j.bonusKind, kBonusBomb);
    EXPECT_EQ(j.bonusTriggered, 0);
    EXPECT_TRUE(near.dying && mid.dying && edge.dying && other.dying);
    EXPECT_FALSE(outside.dying);
    EXPECT_FALSE(fire.dying);
    EXPECT_EQ(queuedDelay(near), 10);
    EXPECT_EQ(queuedDelay(mid), 20);
    EXPECT_EQ(queuedDelay(edge), 22);  // floor(10 x 2.3) in single precision
    EXPECT_EQ(bonusPoints, std::vector<int>(4, 50));

    // The chained bonus ball fires in its turn once its wait is over.
    fireBonuses(f(), scoring);
    EXPECT_EQ(silent, 1000);  // not yet
    actorTicks(17);
    ASSERT_EQ(other.bonusTriggered, 1);
    fireBonuses(f(), scoring);
    EXPECT_EQ(silent, 2000);
    EXPECT_EQ(played("bonus_bomb"), 2);
    EXPECT_TRUE(outside.dying);  // 1.92 from the second bomb
}

TEST_F(BonusTest, BombRadiusFollowsTheBallSize) {
    mutableLevelParams().BallSize = 50;
    EXPECT_NEAR(bonusRadius(), 156.0 * 0.7 / kPixelsPerUnit, 1e-6);
    EXPECT_NEAR(rocketHalfWidth(), 52.0 * 0.7 / kPixelsPerUnit, 1e-6);
}

TEST_F(BonusTest, InkRecoloursNearbyOrdinaryBallsToTheOneColourLeft) {
    FieldObject& j = triggeredBonus(kBonusInk, 6.0, 4.0);
    FieldObject& a = ball(3, 7.0, 4.0);
    // Colour 5 is beyond this level's colours: a ball, but not a colour
    // the gun would offer.
    mutableLevelParams().ColorsMax = 4;
    FieldObject& b = ball(5, 5.0, 4.0);
    FieldObject& far = ball(3, 2.0, 7.0);
    FieldObject& fire = ball(kFireball, 6.0, 5.0);
    FieldObject& otherBonus = ball(kBonusBall, 6.0, 3.0);
    GunColours colours;
    colours.allSeen = 1;
    dropLevelBall();
    scoring.nextColour = [&](int exclude) { return colours.nextColour(exclude); };
    ASSERT_EQ(b.type, 5);

    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_ink"), 1);
    EXPECT_EQ(queuedDelay(a), 10);
    actorTicks(20);
    for (FieldObject* o : {&a, &b, &far}) {
        EXPECT_EQ(o->type, 3);
        EXPECT_FALSE(o->dying);
    }
    EXPECT_EQ(fire.type, kFireball);
    EXPECT_EQ(otherBonus.type, kBonusBall);
    EXPECT_FALSE(otherBonus.bonusTriggered);
    EXPECT_TRUE(bonusPoints.empty());
    (void)j;
}

TEST_F(BonusTest, InkPaintsWithTheChosenColourWithinItsReachOnly) {
    triggeredBonus(kBonusInk, 6.0, 4.0);
    FieldObject& a = ball(0, 7.0, 4.0);
    FieldObject& b = ball(1, 6.0, 5.5);
    FieldObject& far = ball(1, 9.0, 4.0);
    scoring.nextColour = [](int) { return 4; };
    fireBonuses(f(), scoring);
    actorTicks(20);
    EXPECT_EQ(a.type, 4);
    EXPECT_EQ(b.type, 4);
    EXPECT_EQ(far.type, 1);

    // No colour to paint with: nothing changes and nothing breaks.
    FieldObject& j2 = triggeredBonus(kBonusInk, 9.0, 6.0);
    scoring.nextColour = [](int) { return -1; };
    fireBonuses(f(), scoring);
    actorTicks(20);
    EXPECT_EQ(far.type, 1);
    EXPECT_EQ(j2.bonusKind, kBonusInk);
}

TEST_F(BonusTest, RocketDestroysItsColumnLowestFirst) {
    EXPECT_NEAR(rocketHalfWidth(), 0.78, 1e-4);
    triggeredBonus(kBonusRocket, 6.0, 4.0);
    FieldObject& top = ball(0, 6.5, 2.0);
    FieldObject& low = ball(1, 5.3, 8.0);
    FieldObject& mid = ball(2, 6.7, 5.0);
    FieldObject& wide = ball(3, 6.9, 6.0);
    FieldObject& bonus = ball(kBonusBall, 6.0, 6.5);
    FieldObject& fire = ball(kFireball, 6.0, 7.2);

    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_rocket"), 1);
    EXPECT_TRUE(top.dying && low.dying && mid.dying);
    EXPECT_FALSE(wide.dying || bonus.dying || fire.dying);
    EXPECT_EQ(queuedDelay(low), 10);
    EXPECT_EQ(queuedDelay(mid), 40);
    EXPECT_EQ(queuedDelay(top), 70);
    // Rocket-style explosions are worth 50 each through the explosion itself.
    fieldHooks().scoreBonus = [](int n) { EXPECT_EQ(n, 50); };
    actorTicks(12);
    EXPECT_EQ(low.kind, kKindBall);
    EXPECT_TRUE(bonusPoints.empty());
}

TEST_F(BonusTest, LightningStrikesEveryEligibleBallUpToItsCount) {
    triggeredBonus(kBonusLightning, 6.0, 4.0);
    dropLevelBall();
    std::vector<FieldObject*> plain = {&ball(0, 3.0, 3.0), &ball(1, 9.0, 3.0), &ball(2, 6.0, 7.0)};
    FieldObject& fire = ball(kFireball, 4.0, 6.0);
    FieldObject& free = ball(kFree2, 8.0, 6.0);
    FieldObject& bonus = ball(kBonusBall, 2.0, 7.0);
    FieldObject& dying = ball(3, 10.0, 7.0);
    destroyBall(dying, 100, 0);

    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_lightning"), 1);
    for (FieldObject* b : plain) {
        EXPECT_TRUE(b->dying);
        EXPECT_NE(dynamic_cast<OC_Lightning*>(b->commandQueue->current), nullptr);
    }
    EXPECT_EQ(queuedDelay(*plain[2]), 30);
    EXPECT_FALSE(fire.dying || free.dying || bonus.dying);
    EXPECT_EQ(dynamic_cast<OC_Lightning*>(dying.commandQueue->current), nullptr);
}

TEST_F(BonusTest, MegaLightningStrikesTenOfTwelve) {
    triggeredBonus(kBonusMegaLightning, 6.0, 1.5);
    dropLevelBall();
    std::vector<FieldObject*> plain;
    for (int i = 0; i < 12; ++i) plain.push_back(&ball(i % 6, 1.5 + (i % 6) * 1.6, 4.0 + (i / 6) * 2.0));
    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_lightning_mega"), 1);
    int struck = 0;
    for (FieldObject* b : plain) {
        if (!b->dying) continue;
        ++struck;
        EXPECT_NE(dynamic_cast<OC_LightningMega*>(b->commandQueue->current), nullptr);
    }
    EXPECT_EQ(struck, 10);
}

TEST_F(BonusTest, DegaussStopsThePullForSixteenSeconds) {
    mutableLevelParams().MagnetGravity = 10;
    triggeredBonus(kBonusDegauss, 6.0, 2.0);
    FieldObject& plain = ball(0, 3.0, 3.0);
    FieldObject& fire = ball(kFireball, 9.0, 3.0);
    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_degauss"), 1);
    ASSERT_NE(f().magnet, nullptr);
    EXPECT_EQ(f().magnet->forceScale, 0.0f);
    EXPECT_FALSE(plain.dying || fire.dying);

    auto pulled = [&] {
        dBodySetForce(plain.body, 0, 0, 0);
        f().pullToMagnet();
        const dReal* force = dBodyGetForce(plain.body);
        return std::hypot(force[0], force[1]) > 1e-9;
    };
    actorTicks(1279);
    EXPECT_FALSE(pulled());
    actorTicks(3);
    EXPECT_EQ(f().magnet->forceScale, 1.0f);
    EXPECT_TRUE(pulled());
}

TEST_F(BonusTest, FireballsBecomeTheirOwnSequenceAndUnknownKindsStillGo) {
    FieldObject& j = triggeredBonus(kBonusFireball, 6.0, 4.0);
    FieldObject& near = ball(0, 6.5, 4.0);
    fireBonuses(f(), scoring);
    EXPECT_EQ(played("bonus_fireball"), 1);
    EXPECT_FALSE(near.dying);
    actorTicks(3);
    EXPECT_EQ(j.type, kFireball);

    FieldObject& odd = triggeredBonus(42, 3.0, 7.0);
    const size_t before = g_sounds.size();
    fireBonuses(f(), scoring);
    EXPECT_EQ(silent, 2000);
    EXPECT_EQ(odd.bonusTriggered, 0);
    EXPECT_EQ(std::count_if(g_sounds.begin() + static_cast<long>(before), g_sounds.end(),
                            [](const std::string& s) { return s.rfind("bonus_", 0) == 0; }),
              0);
}

// ---------------------------------------------------------------- crystals

class CrystalTest : public BonusTest {
protected:
    void SetUp() override {
        BonusTest::SetUp();
        gun = new Cannon;
        gun->x = 400;
        gun->placePictures();
        mergeNewActors();
        crystals.gun = gun;
        crystals.scoreCrystal = [this](int n) { caught += n; };
    }
    void TearDown() override {
        crystals.gun = nullptr;
        BonusTest::TearDown();
    }
    Crystals crystals;
    Cannon* gun = nullptr;
    int caught = 0;
};

TEST_F(CrystalTest, CatchBandFromTheGunPictures) {
    const CatchBand band = gunCatchBand(gun);
    EXPECT_DOUBLE_EQ(band.line, 504.0);
    EXPECT_EQ(band.left, 400 - 85);
    EXPECT_EQ(band.right, 400 + 26 + 52);
    EXPECT_GT(gunCatchBand(nullptr).left, gunCatchBand(nullptr).right);
}

TEST_F(CrystalTest, CrystalOverTheGunIsCaughtAndFades) {
    CBonusPlus* c = crystals.dropCrystal(380, 300);
    EXPECT_EQ(played("spawn_crystal"), 1);
    EXPECT_DOUBLE_EQ(c->vy, -6.0);
    EXPECT_GE(c->vx, -1.0);
    EXPECT_LT(c->vx, 1.0);
    c->vx = 0;  // straight down onto the gun
    int n = 0;
    while (c->state != CBonusPlus::kCaught && n < 200) {
        tickActors();
        ++n;
    }
    ASSERT_EQ(c->state, CBonusPlus::kCaught);
    EXPECT_GT(c->y, 504.0);
    EXPECT_EQ(caught, 1000);
    EXPECT_EQ(played("catch_crystal"), 1);
    actorTicks(10);
    EXPECT_EQ(c->alpha, 191);  // (1 - 0.25) x 255
    actorTicks(10);
    EXPECT_TRUE(crystals.live().empty());
    crystals.collectCrystals();
    EXPECT_EQ(caught, 1000);
}

TEST_F(CrystalTest, MissedCrystalGoesWithoutPointsEvenAtLevelEnd) {
    gun->x = 700;
    gun->placePictures();
    CBonusPlus* c = crystals.dropCrystal(100, 300);
    int n = 0;
    while (c->state != CBonusPlus::kMissed && n < 200) {
        tickActors();
        ++n;
    }
    ASSERT_EQ(c->state, CBonusPlus::kMissed);
    crystals.collectCrystals();
    actorTicks(14);
    EXPECT_EQ(crystals.live().size(), 1u);
    tickActors();
    EXPECT_TRUE(crystals.live().empty());
    EXPECT_EQ(caught, 0);
    EXPECT_EQ(played("catch_crystal"), 0);
}

TEST_F(CrystalTest, FallingCrystalsAreCollectedWhenTheFieldClears) {
    crystals.gun = nullptr;  // gun away: nothing is caught in flight
    CBonusPlus* a = crystals.dropCrystal(300, 200);
    CBonusPlus* b = crystals.dropCrystal(500, 250);
    crystals.pause();
    actorTicks(5);
    EXPECT_DOUBLE_EQ(a->y, 200.0);
    crystals.resume();
    actorTicks(5);
    EXPECT_LT(a->y, 200.0);
    crystals.collectCrystals();
    EXPECT_EQ(caught, 2000);
    EXPECT_EQ(b->state, CBonusPlus::kCaught);
    actorTicks(21);
    EXPECT_TRUE(crystals.live().empty());
}

TEST_F(CrystalTest, ListOutlivedByItsCrystalsOrTheOtherWayRound) {
    {
        Crystals temp;
        temp.dropCrystal(100, 100);
        mergeNewActors();
    }
    actorTicks(2);  // the crystal no longer reaches the gone list
    CBonusPlus* c = crystals.dropCrystal(200, 100);
    mergeNewActors();
    c->kill();
    tickActors();
    EXPECT_TRUE(crystals.live().empty());
}

// ---------------------------------------------------------------- banners

TEST_F(BonusTest, BannerPopsOutDriftsAndFadesInTurnOfDirections) {
    Bonus::nextDirection = 0;
    PicturePack* pic = gamePack("messages//msg_good");
    std::vector<Bonus*> banners;
    for (int i = 0; i < 5; ++i) banners.push_back(new Bonus(pic, 400, 269, 1.0f));
    EXPECT_FLOAT_EQ(banners[0]->x, 374.0f);
    EXPECT_GT(banners[0]->vx, 0);
    EXPECT_GT(banners[0]->vy, 0);
    EXPECT_LT(banners[1]->vx, 0);
    EXPECT_GT(banners[1]->vy, 0);
    EXPECT_LT(banners[2]->vx, 0);
    EXPECT_LT(banners[2]->vy, 0);
    EXPECT_GT(banners[3]->vx, 0);
    EXPECT_LT(banners[3]->vy, 0);
    EXPECT_FLOAT_EQ(banners[4]->vx, 6.0f);
    Bonus* b = banners[0];
    actorTicks(13);
    EXPECT_EQ(b->phase, 2);
    EXPECT_FLOAT_EQ(b->x, 374.0f + 72.0f);
    EXPECT_NEAR(b->scale, 1.0f - (12.0f / 55.0f) * (12.0f / 55.0f), 1e-6);
    EXPECT_EQ(b->alpha, 196);
    actorTicks(23);
    EXPECT_EQ(b->alpha, static_cast<int>((1.0 - (22.0 / 45.0) * (22.0 / 45.0)) * 196.0));
    actorTicks(22);
    EXPECT_EQ(b->phase, 3);
    EXPECT_FALSE(b->dead);
    tickActors();
    for (Actor* a : liveActors()) EXPECT_EQ(dynamic_cast<Bonus*>(a), nullptr);
}

TEST_F(BonusTest, DelayedBannerPlaysItsSoundThenPops) {
    Bonus::nextDirection = 2;
    auto* d = new DelayedBonusWithSound(gamePack("messages//msg_combo1"), 400, 300, "ball_combo_1", 10);
    auto banners = [] {
        int n = 0;
        for (Actor* a : liveActors())
            if (dynamic_cast<Bonus*>(a)) ++n;
        return n;
    };
    actorTicks(9);
    EXPECT_EQ(banners(), 0);
    EXPECT_FALSE(d->dead);
    actorTicks(3);
    EXPECT_EQ(banners(), 1);
    EXPECT_EQ(Bonus::nextDirection, 3);
}

TEST_F(BonusTest, SpoilerPulsesThenShrinksAwayAndReports) {
    auto* owner = new ReportRecorder;
    auto* s = new BonusSpoiler(gamePack("messages//msg_great"), 400, 200);
    s->setOwner(owner, 7);
    actorTicks(41);
    EXPECT_NEAR(s->scale, 1.0 - std::sin(40.0 / 80.0 * 1.5707963) * 0.5, 1e-4);
    actorTicks(40);
    EXPECT_NEAR(s->scale, 0.5, 1e-4);
    actorTicks(40);
    EXPECT_NEAR(s->scale, 1.0 - std::sin(40.0 / 80.0 * 1.5707963) * 0.5, 1e-4);
    s->leave();
    const float from = s->scale;
    actorTicks(22);
    EXPECT_NEAR(s->scale, from * 23.0f / 45.0f, 1e-4);
    actorTicks(23);
    EXPECT_FLOAT_EQ(s->scale, 0.0f);
    EXPECT_TRUE(owner->reports.empty());
    actorTicks(2);
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0][0], 7);
    EXPECT_EQ(owner->reports[0][2], 1);
}

TEST_F(BonusTest, LevelCardSlidesInAndFadesOnlyAtTheEnd) {
    auto* card = new BonusLevelSpoiler(gamePack("messages//msg_level"), 410, 0, gamePack("level_no"), 123);
    ASSERT_EQ(card->pictures.size(), 5u);  // title, 1, 2, line, 3
    EXPECT_EQ(card->pictures[1]->sprite.frame, 1);
    EXPECT_EQ(card->pictures[2]->sprite.frame, 2);
    EXPECT_EQ(card->pictures[4]->sprite.frame, 3);
    EXPECT_LT(card->pictures[0]->sprite.x, 0.0f);
    EXPECT_GE(card->pictures[1]->sprite.x, 800.0f);
    actorTicks(30);
    // Slid in: the title centred over the number, whose pieces stand side
    // by side on one line, centred on the screen as a whole.
    const auto right = [&](size_t i) {
        return card->pictures[i]->sprite.x + static_cast<float>(card->pictures[i]->sprite.width());
    };
    const float centre = kScreenWidth / 2.0f;
    EXPECT_FLOAT_EQ((card->pictures[0]->sprite.x + right(0)) / 2, centre);
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_FLOAT_EQ(card->pictures[i]->sprite.x, right(i - 1)) << i;
        EXPECT_FLOAT_EQ(card->pictures[i]->sprite.y, card->pictures[1]->sprite.y) << i;
    }
    EXPECT_FLOAT_EQ((card->pictures[1]->sprite.x + right(4)) / 2, centre);
    EXPECT_LT(card->pictures[0]->sprite.y, card->pictures[1]->sprite.y);
    EXPECT_EQ(card->alpha, 255);
    actorTicks(34);  // count 16
    EXPECT_EQ(card->alpha, 251);
    actorTicks(8);
    EXPECT_EQ(card->alpha, 125);
    actorTicks(7);
    EXPECT_FALSE(card->dead);
    tickActors();
    for (Actor* a : liveActors()) EXPECT_EQ(dynamic_cast<BonusLevelSpoiler*>(a), nullptr);

    auto* small = new BonusLevelSpoiler(gamePack("messages//msg_level"), 410, 0, gamePack("level_no"), 34);
    EXPECT_EQ(small->pictures.size(), 4u);  // no hundreds digit
}

}  // namespace
