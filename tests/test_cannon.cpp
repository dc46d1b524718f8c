// The gun: charge and overcharge timing, heat under rapid fire and its
// cool-down, the breech animations and the picture placement, swaps refused
// while firing, rail limits; the colour choice and the shot itself.
#include <ode/ode.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "field_support.h"
#include "game/cannon.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "gfx/gfx.h"
#include "res/picture_pack.h"

namespace {

std::vector<std::string> g_sounds;
void recordSound(const std::string& name) { g_sounds.push_back(name); }
int played(const std::string& name) { return static_cast<int>(std::count(g_sounds.begin(), g_sounds.end(), name)); }

// Frames of the generated art's sizes, without reading any image.
PicturePack* fakePack(const std::string& name) {
    static std::map<std::string, PicturePack> packs;
    static const std::map<std::string, std::pair<int, int>> sizes = {
        {"gun_middle", {52, 106}},      {"gun_side_left", {59, 106}},         {"gun_side_right", {59, 106}},
        {"gun_zatvor_left", {26, 106}}, {"gun_zatvor_right", {26, 106}},      {"gun_progress_bar", {56, 12}},
        {"gun_heat", {200, 60}},        {"gun_progress_bar_light", {38, 6}}, {"rails", {800, 40}},
    };
    auto it = packs.find(name);
    if (it != packs.end()) return &it->second;
    PicturePack& p = packs[name];
    p.textureName = name;
    const auto size = sizes.find(name);
    if (size != sizes.end())
        p.addFrame(0, 0, size->second.first, size->second.second);
    else
        p.addFrame(0, 0, 52, 52);  // the balls
    return &p;
}

// Where a picture covers the screen, with its own scale.
struct Extent {
    float left, right, top, bottom;
    float centreX() const { return (left + right) / 2; }
    float centreY() const { return (top + bottom) / 2; }
};
Extent extent(const SlideShow* p) {
    const auto& s = p->sprite;
    // The charge light shrinks sideways with the charge: measure it at full.
    const float sx = s.rs.scaleY;
    return {s.x, s.x + sx * static_cast<float>(s.width()), s.y, s.y + s.rs.scaleY * static_cast<float>(s.height())};
}

// The gun's pictures form one piece around x: the housings hug the middle,
// the breech halves mirror each other, the bars and the glow are centred.
void expectAssembledAround(const Cannon& gun, float x) {
    const Extent middle = extent(gun.middle);
    EXPECT_NEAR(middle.centreX(), x, 1e-3);
    EXPECT_NEAR(extent(gun.sideLeft).right, middle.left, 1e-3);
    EXPECT_NEAR(extent(gun.sideRight).left, middle.right, 1e-3);
    EXPECT_NEAR(x - extent(gun.breechLeft).right, extent(gun.breechRight).left - x, 1e-3);
    EXPECT_NEAR(extent(gun.progressBar).centreX(), x, 1e-3);
    EXPECT_NEAR(extent(gun.progressLight).centreX(), x, 1e-3);
    EXPECT_NEAR(extent(gun.heat).centreX(), x, 1e-3);
    EXPECT_EQ(extent(gun.sideLeft).top, extent(gun.sideRight).top);
    EXPECT_EQ(extent(gun.breechLeft).top, extent(gun.breechRight).top);
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
    for (int mouse = -50; mouse <= kScreenWidth + 50; mouse += 7) {
        gun->moveTo(mouse);
        ASSERT_GE(gun->x, kGunMinX) << mouse;
        ASSERT_LE(gun->x, kGunMaxX) << mouse;
        if (mouse >= kGunMinX && mouse <= kGunMaxX)
            ASSERT_EQ(gun->muzzleX(), mouse) << "inside the rail the muzzle is under the mouse";
        else
            ASSERT_EQ(gun->x, mouse < kGunMinX ? kGunMinX : kGunMaxX) << "outside it waits at the nearer end";
    }
    gun->moveTo(kGunMaxX);
    EXPECT_EQ(gun->muzzleX(), kGunMaxX);

    gun->pause();
    mousePosition.x = kScreenWidth - 1;
    gun->resume();
    EXPECT_EQ(gun->x, kGunMaxX) << "resume snaps to the mouse, on the rail";
    const int left = (kGunMinX + kGunMaxX) / 3;
    gun->retract(left);
    ticks(10);
    EXPECT_EQ(gun->animState, kGunHidden);
    gun->moveTo(left + 100);
    EXPECT_EQ(gun->x, left);
    mousePosition.x = left - 50;
    gun->resume();
    EXPECT_EQ(gun->x, left);
    EXPECT_GE(gun->middle->sprite.y, kScreenHeight) << "a retracted gun is below the screen";
}

TEST_F(CannonTest, PicturesHoldTogetherThroughEveryPhase) {
    auto* gun = new Cannon;
    const float hiddenY = gun->middle->sprite.y;
    EXPECT_GE(hiddenY, kScreenHeight) << "hidden until it first appears";
    // Rising into view, the whole gun moves as one piece.
    std::vector<SlideShow*> pictures = {gun->middle,      gun->sideLeft, gun->sideRight,   gun->breechLeft,
                                        gun->breechRight, gun->heat,     gun->progressBar, gun->nextBall2};
    gun->appear(400);
    std::vector<std::vector<float>> rise;
    float lastY = hiddenY;
    for (int t = 0; t < 10; ++t) {
        ticks(1);
        EXPECT_LT(gun->middle->sprite.y, lastY) << "rises every tick";
        lastY = gun->middle->sprite.y;
        std::vector<float> offsets;
        for (SlideShow* p : pictures) offsets.push_back(p->sprite.y - gun->middle->sprite.y);
        rise.push_back(offsets);
    }
    for (const auto& offsets : rise) EXPECT_EQ(offsets, rise.back());
    ASSERT_EQ(gun->animState, kGunIdle);
    const float idleY = gun->middle->sprite.y;
    const Extent middle = extent(gun->middle);
    EXPECT_LT(middle.top, kScreenHeight) << "standing, the gun shows";
    expectAssembledAround(*gun, 400);
    // The next ball waits in the housings, shown a little smaller.
    EXPECT_LT(gun->nextBall1->sprite.rs.scaleX, gun->nextBall2->sprite.rs.scaleX);
    EXPECT_GE(extent(gun->nextBall1).left, extent(gun->sideLeft).left);
    EXPECT_LE(extent(gun->nextBall1).right, extent(gun->sideLeft).right);
    EXPECT_GE(extent(gun->nextBall2).left, extent(gun->sideRight).left);
    EXPECT_LE(extent(gun->nextBall2).right, extent(gun->sideRight).right);

    // A shot: the breech closes over the empty muzzle while the gun recoils,
    // then opens again as the next ball slides in.
    gun->shotFired(3, 4, 0);
    EXPECT_FALSE(gun->loadedBall->sprite.visible);
    std::vector<int> breech;
    bool recoiled = false;
    while (gun->animState != kGunIdle) {
        ASSERT_LE(breech.size(), 100u);
        ticks(1);
        breech.push_back(gun->o);
        recoiled = recoiled || gun->middle->sprite.y > idleY;
        expectAssembledAround(*gun, 400);
        if (gun->o == gun->w) {
            EXPECT_NEAR(extent(gun->breechLeft).right, 400, 1e-3) << "the halves meet";
        }
        if (gun->animState == kGunSlideIn) {
            EXPECT_TRUE(gun->loadedBall->sprite.visible);
            EXPECT_EQ(gun->loadedBall->sprite.pack, ballPack(3));
            EXPECT_EQ(gun->nextBall1->sprite.pack, ballPack(4));
        }
    }
    EXPECT_TRUE(recoiled);
    const auto widest = std::max_element(breech.begin(), breech.end());
    EXPECT_EQ(*widest, gun->w) << "at its widest the breech halves meet over the muzzle";
    EXPECT_TRUE(std::is_sorted(breech.begin(), widest + 1));
    EXPECT_TRUE(std::is_sorted(widest, breech.end(), std::greater<>()));
    EXPECT_EQ(breech.back(), 0);
    EXPECT_EQ(gun->nx, 0);
    EXPECT_EQ(gun->ny, 0);
    EXPECT_EQ(gun->middle->sprite.y, idleY) << "back in place after the recoil";
    // The loaded ball sits at the muzzle, at the height shots leave from.
    EXPECT_NEAR(extent(gun->loadedBall).centreX(), gun->muzzleX(), 1e-3);
    EXPECT_NEAR(extent(gun->loadedBall).centreY(), kMuzzleY, 1e-3);

    gun->retract(400);
    ticks(10);
    EXPECT_EQ(gun->middle->sprite.y, hiddenY) << "it retreats to where it came from";
}

TEST_F(CannonTest, SmallerBallsScaleTheGun) {
    // The same gun at full size, then for smaller balls.
    auto* full = new Cannon;
    full->appear(400);
    ticks(1);
    const int fullLift = full->lift;
    ticks(9);
    const Extent fullMiddle = extent(full->middle);
    const float fullNextRatio = full->nextBall1->sprite.rs.scaleX / full->nextBall2->sprite.rs.scaleX;
    full->kill();
    ASSERT_FLOAT_EQ(level::ballSizeFactor(), 1.0f);

    for (int size : {80, 50, 20}) {
        SCOPED_TRACE(size);
        mutableLevelParams().BallSize = size;
        const float s = level::ballSizeFactor();
        ASSERT_LT(s, 1.0f);
        auto* gun = new Cannon;
        gun->appear(400);
        ticks(1);
        EXPECT_NEAR(gun->lift, s * static_cast<float>(fullLift), 1.0) << "the lift scales with the gun";
        ticks(9);
        for (SlideShow* p : {gun->middle, gun->sideLeft, gun->sideRight, gun->breechLeft, gun->breechRight,
                             gun->progressBar, gun->heat, gun->nextBall2, gun->loadedBall})
            EXPECT_NEAR(p->sprite.rs.scaleY, s, 1e-6);
        EXPECT_NEAR(gun->nextBall1->sprite.rs.scaleX / gun->nextBall2->sprite.rs.scaleX, fullNextRatio, 1e-6);
        const Extent middle = extent(gun->middle);
        EXPECT_NEAR(middle.right - middle.left, s * (fullMiddle.right - fullMiddle.left), 1e-3);
        EXPECT_EQ(gun->muzzleX(), 400) << "the muzzle stays at the gun's centre";
        expectAssembledAround(*gun, 400);
        gun->shotFired(1, 2, 1);  // loads a ball
        ticks(20);
        ASSERT_EQ(gun->animState, kGunIdle);
        EXPECT_NEAR(extent(gun->loadedBall).centreX(), gun->muzzleX(), 1e-3);
        gun->kill();
        ticks(1);
    }
}

TEST_F(CannonTest, AKilledGunTakesItsPicturesAlong) {
    const int before = spriteCount();
    auto* gun = new Cannon;
    auto* ramp = new CannonRamp;
    EXPECT_EQ(ramp->rails->y + static_cast<float>(ramp->rails->height()), kScreenHeight)
        << "the rail lies on the bottom edge";
    EXPECT_GT(spriteCount(), before);
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
    EXPECT_NEAR(quick->y(), 530 / kPixelsPerUnit, 1e-5);
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
