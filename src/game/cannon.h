// The player's gun on its rail at the bottom of the screen: it follows the
// mouse, charges while the left button is held, heats up under rapid fire
// and animates its breech when it fires or swaps balls. The colours it is
// loaded with are chosen by GunColours, which the game actor owns.
#pragma once

#include <cstdint>
#include <memory>

#include "game/level.h"
#include "scene/actor.h"

class PckSprite;
class SlideShow;
class SlideShowFX;
struct FieldObject;

// One row of the heat table, picked by the heat level at the moment of a shot.
struct HeatStep {
    int32_t cooldown;   // ticks until the next shot is allowed
    int32_t alpha;      // alpha "gun_heat" fades to
    int32_t heatReset;  // ticks without a shot that cool the gun to level 0
};
const HeatStep& heatStep(int level);

// Gun animation states.
enum CannonAnim : int32_t {
    kGunHidden = 0,
    kGunIdle = 1,
    kGunSwapOpen = 2,
    kGunSwapClose = 3,
    kGunSlideIn = 4,
    kGunFireOpen = 5,
    kGunAppear = 6,
    kGunRetract = 7,
};

constexpr int kGunMinX = 70;
constexpr int kGunMaxX = 730;
// Shots leave the muzzle at this screen height.
constexpr int kMuzzleY = 530;
// Charge ticks at full charge before the gun gives up the shot.
constexpr int kOverchargeTicks = 120;

class Cannon : public Actor {
public:
    Cannon();
    ~Cannon() override;
    void update() override;

    void moveTo(int mouseX);
    bool startCharge();
    bool canShoot() const;
    void cancelCharge();
    // fired = 1 loads new colours without a shot (level start, a vanished
    // loaded colour); 0 after a real shot, which heats the gun.
    void shotFired(int loaded, int next, int fired);
    // Called with the game's current next and loaded colours, which trade
    // places in the gun. False while the gun is firing: no swap then.
    bool swapShown(int next, int loaded);
    void showNext(int colour);
    int muzzleX() const;
    void pause();
    void resume();
    void appear(int atX);
    void retract(int atX);

    int32_t x = 400;
    float charge = 0.0f;
    uint8_t charging = 0;
    int32_t overchargeTicks = 0;
    int32_t heatLevel = 0;
    int32_t cooldown = 0;
    int32_t heatReset = 0;
    int32_t animState = kGunHidden;
    int32_t animCounter = 0;
    int32_t shownLoaded = 0;
    int32_t shownNext = 0;
    int32_t o = 0, nx = 0, ny = 0, lift = 0, sx = 0, sy = 0;
    int32_t w = 0;  // half the width of "gun_middle"
    int32_t H = 0;  // height of "gun_middle" less 2
    uint8_t frozen = 0;

    SlideShow* middle = nullptr;
    SlideShow* sideLeft = nullptr;
    SlideShow* sideRight = nullptr;
    SlideShow* breechLeft = nullptr;
    SlideShow* breechRight = nullptr;
    SlideShow* progressBar = nullptr;
    SlideShow* progressLight = nullptr;
    SlideShow* loadedBall = nullptr;
    SlideShow* nextBall1 = nullptr;  // drawn at 0.85 of the scale
    SlideShow* nextBall2 = nullptr;
    SlideShow* heat = nullptr;
    SlideShowFX* effect = nullptr;

    // Places every picture for the current offsets (normally done by update).
    void placePictures();

private:
    void applyScale();
    void rescaleLight();
    void fadeHeat(int toAlpha);
    void showColours(int loaded, int next, bool showLoaded);
    void finishPending();
    void animate();
};

// The rail under the gun; nothing changes it during play.
class CannonRamp : public Actor {
public:
    CannonRamp();
    ~CannonRamp() override;
    std::unique_ptr<PckSprite> rails;
};

// The loaded and next colours of the game. At a level's start colours are
// drawn uniformly until each has come up once; from then on only colours
// still on the field are offered, and the next ball differs from the loaded
// one while two or more colours remain.
class GunColours {
public:
    explicit GunColours(Cannon* cannon = nullptr) : gun(cannon) {}
    // Level start: forget which colours have been seen.
    void reset();
    int nextColour(int exclude);
    void advanceColours(int fired);
    // Right button: exchanges loaded and next unless the gun refuses.
    bool swapColours();
    // Per tick while balls remain: when the next colour has left the field,
    // draws another and shows it. Returns true when it changed.
    bool refreshNext();

    Cannon* gun = nullptr;  // not owned; may be null
    int32_t loadedColour = 0;
    int32_t nextBall = 0;  // the colour shown as the next ball
    uint8_t seen[kMaxColours] = {};
    uint8_t allSeen = 0;
};

// Speed (field units per second, upwards positive) of a shot at a charge.
float shotSpeed(float charge);

// Fires the loaded ball from the muzzle and does the shot's bookkeeping: the
// next colours, "gun_shoot", one ball from the backlog, the miss penalty and
// the unmatched-shot count. The caller has checked canShoot() and that balls
// are on the field; arrows and the last-shot result stay with the caller.
FieldObject* fireLoadedBall(Cannon& gun, GunColours& colours);
