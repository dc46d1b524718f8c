// The gun: charge and overcharge timing, heat under rapid fire and its
// cool-down, the breech animations and the picture placement, swaps refused
// while firing, rail limits; the colour choice and the shot itself.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "field_support.h"
#include "game/cannon.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "res/picture_pack.h"

namespace {

std::vector<std::string> g_sounds;
void recordSound(const std::string& name) { g_sounds.push_back(name); }
int played(const std::string& name) { return static_cast<int>(std::count(g_sounds.begin(), g_sounds.end(), name)); }

// Frames of the generated art's sizes, without reading any image.
PicturePack* fakePack(const std::string& name) {
    static std::map<std::string, PicturePack> packs;
    auto it = packs.find(name);
    if (it != packs.end()) return &it->second;
    PicturePack& p = packs[name];
    p.textureName = name;
    if (name == "gun_middle") p.addFrame(0, 0, 52, 106);
    else if (name == "rails") p.addFrame(0, 0, 800, 40);
    else if (name == "gun_heat") p.addFrame(0, 0, 200, 60);
    else p.addFrame(0, 0, 52, 52);
    return &p;
}

class CannonTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        setGamePackLoader(fakePack);
        setGameSoundSpy(recordSound);
        g_sounds.clear();
        mousePosition = MousePoint{};
    }
    void TearDown() override {
        setGameSoundSpy(nullptr);
        setGamePackLoader(nullptr);
        FieldTest::TearDown();
    }
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) tickActors();
    }
    // A gun that has risen into view and stands idle at x.
    Cannon* idleGun(int x = 400) {
        auto* gun = new Cannon;
        gun->appear(x);
        ticks(10);
        EXPECT_EQ(gun->animState, kGunIdle);
        return gun;
    }
};

TEST_F(CannonTest, ChargeFillsInAHundredTicksAndOverchargesOnThe221st) {
    Cannon* gun = idleGun();
    ASSERT_TRUE(gun->startCharge());
    EXPECT_FALSE(gun->startCharge()) << "a second press while charging is ignored";
    ticks(100);
    EXPECT_LT(gun->charge, 1.0f);
    EXPECT_EQ(gun->overchargeTicks, 0);
    EXPECT_NEAR(gun->progressLight->sprite.rs.scaleX, gun->charge, 1e-6);
    ticks(1);
    EXPECT_EQ(gun->charge, 1.0f);
    EXPECT_EQ(gun->overchargeTicks, 1);
    ticks(119);  // 220 ticks held
    EXPECT_TRUE(gun->canShoot());
    EXPECT_EQ(played("gun_overcharge"), 0);
    ticks(1);
    EXPECT_EQ(played("gun_overcharge"), 1);
    EXPECT_FALSE(gun->charging);
    EXPECT_FALSE(gun->canShoot()) << "the release after an overcharge cannot fire";
    EXPECT_EQ(gun->charge, 0.0f);
    EXPECT_EQ(gun->progressLight->sprite.rs.scaleX, 0.0f);
    EXPECT_NE(gun->effect->current, nullptr) << "the overcharge effect runs";
    ticks(45);
    EXPECT_EQ(gun->effect->current, nullptr) << "the overcharge effect ends after 40 ticks";
    EXPECT_EQ(played("gun_overcharge"), 1);
}

TEST_F(CannonTest, ChargeShakesTheLoadedBallAndPauseDropsIt) {
    Cannon* gun = idleGun();
    gun->startCharge();
    int maxShake = 0;
    for (int i = 0; i < 100; ++i) {
        ticks(1);
        const int shake = std::max(std::abs(gun->sx), std::abs(gun->sy));
        if (gun->charge <= 0.5f) {
            EXPECT_EQ(shake, 0);
        } else if (gun->charge <= 0.85f) {
            EXPECT_LE(shake, 1);
        }
        maxShake = std::max(maxShake, shake);
    }
    EXPECT_EQ(maxShake, 2);
    gun->pause();
    EXPECT_FALSE(gun->charging);
    EXPECT_EQ(gun->charge, 0.0f);
    gun->startCharge();
    ticks(5);
    EXPECT_EQ(gun->charge, 0.0f) << "a frozen gun does not charge";
}

TEST_F(CannonTest, RapidFireHeatsToLevelFourAndCoolsAfter64QuietTicks) {
    Cannon* gun = idleGun();
    std::vector<int> shots;
    std::vector<int> levels;
    for (int t = 0; t < 124; ++t) {
        if (!gun->charging) gun->startCharge();
        if (gun->canShoot()) {
            gun->shotFired(0, 1, 0);
            shots.push_back(t);
            levels.push_back(gun->heatLevel);
        }
        ticks(1);
    }
    EXPECT_EQ(shots, (std::vector<int>{0, 3, 9, 15, 27, 75, 123}));
    EXPECT_EQ(levels, (std::vector<int>{1, 2, 3, 4, 4, 4, 4}));
    EXPECT_EQ(played("gun_heat"), 3) << "from the fifth shot on";
    gun->cancelCharge();
    ticks(25);
    EXPECT_EQ(gun->heat->sprite.rs.alpha, 192);
    ticks(37);  // 63 quiet ticks after the last shot
    EXPECT_EQ(gun->heatLevel, 4);
    ticks(1);
    EXPECT_EQ(gun->heatLevel, 0);
    ticks(22);
    EXPECT_EQ(gun->heat->sprite.rs.alpha, 0);
    // Cooled down: the next shot is a level-0 shot again.
    gun->startCharge();
    ASSERT_TRUE(gun->canShoot());
    gun->shotFired(0, 1, 0);
    EXPECT_EQ(gun->cooldown, 3);
    EXPECT_EQ(gun->heatReset, 20);
}

TEST_F(CannonTest, LoadingWithoutAShotDoesNotHeat) {
    Cannon* gun = idleGun();
    gun->shotFired(2, 3, 1);
    EXPECT_EQ(gun->heatLevel, 0);
    EXPECT_EQ(gun->cooldown, 0);
    EXPECT_EQ(gun->animState, kGunFireOpen);
}

TEST_F(CannonTest, SwapIsRefusedWhileFiringAndCutsAnEarlierSwapShort) {
    Cannon* gun = idleGun();
    GunColours colours(gun);
    colours.loadedColour = 1;
    colours.nextBall = 2;
    gun->shotFired(1, 2, 0);
    EXPECT_FALSE(colours.swapColours());
    ticks(10);
    EXPECT_EQ(gun->animState, kGunSlideIn);
    EXPECT_FALSE(colours.swapColours());
    EXPECT_EQ(colours.loadedColour, 1);
    EXPECT_EQ(colours.nextBall, 2);
    EXPECT_EQ(played("gun_chcolor_rb"), 0);
    ticks(10);
    EXPECT_EQ(gun->animState, kGunIdle);
    ASSERT_TRUE(colours.swapColours());
    EXPECT_EQ(colours.loadedColour, 2);
    EXPECT_EQ(colours.nextBall, 1);
    EXPECT_EQ(played("gun_chcolor_rb"), 1);
    ticks(3);
    // A second swap before the breech is open puts the first one's balls up
    // at once and starts over.
    ASSERT_TRUE(colours.swapColours());
    EXPECT_EQ(gun->loadedBall->sprite.pack, ballPack(2));
    EXPECT_EQ(gun->animCounter, 10);
    ticks(10);
    EXPECT_EQ(gun->animState, kGunSwapClose);
    EXPECT_EQ(gun->loadedBall->sprite.pack, ballPack(1));
    EXPECT_EQ(gun->nextBall2->sprite.pack, ballPack(2));
    ticks(10);
    EXPECT_EQ(gun->animState, kGunIdle);
    EXPECT_EQ(gun->o, 0);
}

TEST_F(CannonTest, GunStaysOnItsRailAndIgnoresTheMouseWhileHidden) {
    Cannon* gun = idleGun();
    gun->moveTo(10);
    EXPECT_EQ(gun->x, 70);
    gun->moveTo(790);
    EXPECT_EQ(gun->x, 730);
    EXPECT_EQ(gun->muzzleX(), 730);
    gun->moveTo(333);
    EXPECT_EQ(gun->muzzleX(), 333);
    gun->pause();
    mousePosition.x = 795;
    gun->resume();
    EXPECT_EQ(gun->x, 730) << "resume snaps to the mouse, on the rail";
    gun->retract(500);
    ticks(10);
    EXPECT_EQ(gun->animState, kGunHidden);
    gun->moveTo(200);
    EXPECT_EQ(gun->x, 500);
    mousePosition.x = 100;
    gun->resume();
    EXPECT_EQ(gun->x, 500);
    EXPECT_GE(gun->middle->sprite.y, 600.0f) << "a retracted gun is below the screen";
}

TEST_F(CannonTest, PicturesFollowTheOffsetsOfEachPhase) {
    auto* gun = new Cannon;
    EXPECT_EQ(gun->w, 26);
    EXPECT_EQ(gun->H, 104);
    EXPECT_GE(gun->middle->sprite.y, 600.0f) << "hidden until it first appears";
    gun->appear(400);
    ticks(5);
    EXPECT_EQ(gun->lift, 104);
    ticks(5);
    ASSERT_EQ(gun->lift, 0);
    EXPECT_FLOAT_EQ(gun->middle->sprite.x, 374);
    EXPECT_FLOAT_EQ(gun->middle->sprite.y, 500);
    EXPECT_FLOAT_EQ(gun->loadedBall->sprite.x, 374);
    EXPECT_FLOAT_EQ(gun->loadedBall->sprite.y, 504) << "ball centre at the muzzle height, 530";
    EXPECT_FLOAT_EQ(gun->sideLeft->sprite.x, 315);
    EXPECT_FLOAT_EQ(gun->sideRight->sprite.x, 426);
    EXPECT_FLOAT_EQ(gun->breechLeft->sprite.x, 348);
    EXPECT_FLOAT_EQ(gun->breechRight->sprite.x, 426);
    EXPECT_FLOAT_EQ(gun->progressBar->sprite.y, 546);
    EXPECT_FLOAT_EQ(gun->progressLight->sprite.x, 381);
    EXPECT_FLOAT_EQ(gun->heat->sprite.x, 300);
    EXPECT_FLOAT_EQ(gun->heat->sprite.y, 478);
    EXPECT_FLOAT_EQ(gun->nextBall1->sprite.x, 322);
    EXPECT_FLOAT_EQ(gun->nextBall2->sprite.x, 426);
    EXPECT_FLOAT_EQ(gun->nextBall1->sprite.rs.scaleX, 0.85f);

    gun->shotFired(3, 4, 0);
    EXPECT_FALSE(gun->loadedBall->sprite.visible);
    ticks(5);  // c = 5: the breech is half open at the top of the recoil
    EXPECT_EQ(gun->o, 13);
    EXPECT_EQ(gun->nx, 13);
    EXPECT_EQ(gun->lift, 10);
    EXPECT_FLOAT_EQ(gun->breechRight->sprite.x, 413);
    EXPECT_FLOAT_EQ(gun->middle->sprite.y, 510);
    ticks(5);
    EXPECT_EQ(gun->animState, kGunSlideIn);
    EXPECT_TRUE(gun->loadedBall->sprite.visible);
    EXPECT_EQ(gun->loadedBall->sprite.pack, ballPack(3));
    EXPECT_EQ(gun->nextBall1->sprite.pack, ballPack(4));
    ticks(5);  // t = pi/4
    EXPECT_EQ(gun->nx, -36);
    EXPECT_EQ(gun->ny, -16);
    EXPECT_EQ(gun->o, 13);
    ticks(5);
    EXPECT_EQ(gun->animState, kGunIdle);
    EXPECT_EQ(gun->nx, 0);
    EXPECT_EQ(gun->ny, 0);
    EXPECT_EQ(gun->o, 0);

    // The retreat goes twice the gun's height down.
    gun->retract(400);
    ticks(10);
    EXPECT_EQ(gun->lift, 208);
    EXPECT_FLOAT_EQ(gun->middle->sprite.y, 708);
}

TEST_F(CannonTest, SmallerBallsScaleTheGun) {
    mutableLevelParams().BallSize = 50;  // factor 0.7
    auto* gun = new Cannon;
    gun->appear(400);
    ticks(1);
    EXPECT_EQ(gun->lift, 131);  // trunc(2 * 0.7 * 104 * 9 / 10)
    ticks(9);
    EXPECT_NEAR(gun->middle->sprite.rs.scaleX, 0.7f, 1e-6);
    EXPECT_NEAR(gun->middle->sprite.x, 400 - 0.7 * 26, 1e-3);
    EXPECT_EQ(gun->muzzleX(), 400);
}

TEST_F(CannonTest, AKilledGunTakesItsPicturesAlong) {
    const int before = spriteCount();
    auto* gun = new Cannon;
    auto* ramp = new CannonRamp;
    EXPECT_EQ(ramp->rails->y, 560.0f) << "the rail lies on the bottom edge";
    EXPECT_EQ(spriteCount(), before + 13);
    gun->shotFired(0, 1, 0);  // a running heat fade
    tickActors();
    gun->kill();
    ramp->kill();
    tickActors();
    tickActors();
    EXPECT_EQ(spriteCount(), before);
}

// ------------------------------------------------------------------ colours

TEST_F(CannonTest, ColoursAreUniformUntilEachHasComeUpOnce) {
    mutableLevelParams().ColorsMax = 4;
    GunColours colours;
    bool drawn[8] = {};
    int draws = 0;
    while (!colours.allSeen) {
        const int c = colours.nextColour(-1);
        ASSERT_GE(c, 0);
        ASSERT_LT(c, 4);
        drawn[c] = true;
        ++draws;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(colours.seen[i] != 0, drawn[i]);
        ASSERT_LT(draws, 1000);
    }
    EXPECT_TRUE(std::all_of(drawn, drawn + 4, [](bool b) { return b; }));
    colours.reset();
    EXPECT_EQ(colours.allSeen, 0);
    EXPECT_EQ(colours.seen[0], 0);
}

TEST_F(CannonTest, OnceAllSeenOnlyColoursOnTheFieldAreOffered) {
    f().setupWorld();
    GunColours colours;
    colours.allSeen = 1;
    f().createBall(1, 3, 3, 0, 0);
    f().createBall(4, 6, 3, 0, 0);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(colours.nextColour(1), 4);
        const int c = colours.nextColour(-1);
        EXPECT_TRUE(c == 1 || c == 4) << c;
    }
    // One colour left: loaded and next both have it.
    f().setupWorld();
    f().createBall(3, 3, 3, 0, 0);
    auto* gun = new Cannon;
    colours.gun = gun;
    colours.nextBall = 0;
    colours.advanceColours(1);
    EXPECT_EQ(colours.loadedColour, 3);
    EXPECT_EQ(colours.nextBall, 3);
    EXPECT_EQ(gun->shownLoaded, 3);
    EXPECT_EQ(gun->shownNext, 3);
}

TEST_F(CannonTest, BallsOutsideTheLevelsColoursDoNotHangTheDraw) {
    mutableLevelParams().ColorsMax = 3;
    f().setupWorld();
    f().createBall(6, 3, 3, 0, 0);  // counted as a ball, not a present colour
    GunColours colours;
    colours.allSeen = 1;
    const int c = colours.nextColour(0);
    EXPECT_GE(c, 0);
    EXPECT_LT(c, 3);
}

TEST_F(CannonTest, AdvanceKeepsAPresentNextAndRefreshReplacesAVanishedOne) {
    f().setupWorld();
    f().createBall(0, 3, 3, 0, 0);
    f().createBall(2, 6, 3, 0, 0);
    auto* gun = idleGun();
    GunColours colours(gun);
    colours.allSeen = 1;
    colours.loadedColour = 0;
    colours.nextBall = 2;
    colours.advanceColours(0);
    EXPECT_EQ(colours.loadedColour, 2);
    EXPECT_EQ(colours.nextBall, 0);
    EXPECT_EQ(gun->heatLevel, 1);
    ticks(20);
    EXPECT_FALSE(colours.refreshNext()) << "the next colour is still on the field";
    colours.nextBall = 1;  // as if the last ball of colour 1 had exploded
    ASSERT_TRUE(colours.refreshNext());
    EXPECT_EQ(colours.nextBall, 0) << "differs from the loaded 2 while two colours remain";
    EXPECT_EQ(gun->nextBall1->sprite.pack, ballPack(0));
    EXPECT_EQ(gun->shownNext, 0);
}

// ------------------------------------------------------------------ the shot

TEST_F(CannonTest, ShotSpeedGrowsWithTheChargeAndTheMissIsCounted) {
    mutableLevelParams().BallsSpawnMiss = 2;
    f().setupWorld();
    f().createBall(0, 2, 2, 0, 0);
    f().createBall(1, 4, 2, 0, 0);
    f().createBall(2, 6, 2, 0, 0);
    auto* gun = idleGun(400);
    GunColours colours(gun);
    colours.allSeen = 1;
    colours.loadedColour = 1;
    colours.nextBall = 2;

    gun->startCharge();
    FieldObject* quick = fireLoadedBall(*gun, colours);
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(quick->type, 1);
    EXPECT_TRUE(quick->shot);
    EXPECT_EQ(quick->activity, 1.0f);
    EXPECT_NEAR(quick->x(), 6.0, 1e-5);
    EXPECT_NEAR(quick->y(), 530 / 66.666664, 1e-5);
    EXPECT_NEAR(dBodyGetLinearVel(quick->body)[1], -30.0, 1e-4);
    EXPECT_EQ(played("gun_shoot"), 1);
    EXPECT_EQ(playCounters().unmatchedShots, 1);
    EXPECT_EQ(playCounters().backlog, 2) << "four balls in three colours: the miss adds to the backlog";
    EXPECT_EQ(colours.loadedColour, 2);
    EXPECT_FALSE(gun->charging);

    ticks(20);
    playCounters().backlog = 0;
    gun->startCharge();
    ticks(101);
    EXPECT_EQ(gun->charge, 1.0f);
    FieldObject* full = fireLoadedBall(*gun, colours);
    EXPECT_NEAR(dBodyGetLinearVel(full->body)[1], -60.0, 1e-4);
    EXPECT_EQ(shotSpeed(0.0f), 30.0f);
}

}  // namespace
