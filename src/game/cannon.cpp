#include "game/cannon.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "anim/commands.h"
#include "frame/random.h"
#include "game/field.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "res/picture_pack.h"
#include "scene/input.h"
#include "sound/sound.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kAnimTicks = 10;
constexpr int kHeatFadeTicks = 20;
constexpr int kOverchargeFxTicks = 40;
constexpr int kNextSlide = 52;  // how far the next ball travels into the breech
constexpr float kNextBallScale = 0.85f;
constexpr float kScreenBottom = 600.0f;

// Drawing order of the gun's parts, above the rail.
constexpr int kRailsLayer = 201;
constexpr int kGunBallLayer = 250;
constexpr int kGunMiddleLayer = 251;
constexpr int kGunBreechLayer = 252;
constexpr int kGunSideLayer = 253;
constexpr int kGunBarLayer = 254;
constexpr int kGunBarLightLayer = 255;
constexpr int kGunHeatLayer = 256;
constexpr int kGunEffectLayer = 257;

// Holding the button fills the charge in a hundred ticks; the gun shakes
// harder the fuller it is.
constexpr float kChargePerTick = 0.01f;
constexpr float kSteadyCharge = 0.5f;  // up to here the loaded ball sits still
constexpr float kShakyCharge = 0.85f;  // up to here it shakes a pixel, beyond it two
constexpr int kFireRecoil = 10;        // pixels the gun jumps when it fires

// Rapid fire heats the gun step by step: each step's cooldown, heat glow and
// ticks until it cools down again.
constexpr int kHeatSteps = 5;
const HeatStep kHeat[kHeatSteps] = {
    {3, 0, 20}, {6, 0, 25}, {6, 64, 25}, {12, 128, 35}, {48, 192, 64},
};
constexpr int kHotGunSoundAlpha = 150;  // from this glow on the gun hisses

// A shot's speed in field units per second: a base plus what the charge adds.
constexpr float kShotSpeedBase = 30.0f;
constexpr float kShotSpeedCharged = 30.0f;
// Shots into a field of more than this many balls and colours feed the backlog.
constexpr int kBacklogBalls = 3;
constexpr int kBacklogColours = 2;

SlideShow* makePicture(Actor* owner, const char* name, int layer) {
    auto* show = new SlideShow;
    show->setOwner(owner, 0);
    show->sprite.setPicture(name ? gamePack(name) : nullptr, 0);
    show->sprite.setLayer(layer);
    return show;
}

void dispose(SlideShowCommand* show) {
    if (!show) return;
    show->stop();
    show->kill();
}

int clampGun(int mouseX) { return std::clamp(mouseX, kGunMinX, kGunMaxX); }

int colourLimit() { return std::clamp(level::ColorsMax(), 0, kMaxColours); }

}  // namespace

const HeatStep& heatStep(int level) { return kHeat[std::clamp(level, 0, kHeatSteps - 1)]; }

// ------------------------------------------------------------------ Cannon

Cannon::Cannon() {
    middle = makePicture(this, "gun_middle", kGunMiddleLayer);
    sideLeft = makePicture(this, "gun_side_left", kGunSideLayer);
    sideRight = makePicture(this, "gun_side_right", kGunSideLayer);
    breechLeft = makePicture(this, "gun_zatvor_left", kGunBreechLayer);
    breechRight = makePicture(this, "gun_zatvor_right", kGunBreechLayer);
    progressBar = makePicture(this, "gun_progress_bar", kGunBarLayer);
    progressLight = makePicture(this, "gun_progress_bar_light", kGunBarLightLayer);
    loadedBall = makePicture(this, nullptr, kGunBallLayer);
    nextBall1 = makePicture(this, nullptr, kGunBallLayer);
    nextBall2 = makePicture(this, nullptr, kGunBallLayer);
    heat = makePicture(this, "gun_heat", kGunHeatLayer);
    heat->sprite.setAlpha(0);
    effect = new SlideShowFX;
    effect->setOwner(this, 0);
    effect->sprite.setLayer(kGunEffectLayer);

    const SpritePicture* m = middle->sprite.pack;
    w = (m ? m->frameWidth(0) : 0) / 2;
    H = (m ? m->frameHeight(0) : 0) - 2;
    // Until its first appearance the gun waits below the screen edge.
    lift = static_cast<int32_t>(2.0f * level::ballSizeFactor() * static_cast<float>(H));
    applyScale();
    rescaleLight();
    placePictures();
}

Cannon::~Cannon() {
    for (SlideShowCommand* s : std::initializer_list<SlideShowCommand*>{
             middle, sideLeft, sideRight, breechLeft, breechRight, progressBar, progressLight, loadedBall,
             nextBall1, nextBall2, heat})
        dispose(s);
    if (effect) {
        effect->stop();
        effect->sprite.clearEffects();
        effect->kill();
    }
}

void Cannon::applyScale() {
    const float s = level::ballSizeFactor();
    for (SlideShow* p : {middle, sideLeft, sideRight, breechLeft, breechRight, progressBar, loadedBall,
                         nextBall2, heat})
        p->sprite.setScale(s, s);
    nextBall1->sprite.setScale(kNextBallScale * s, kNextBallScale * s);
    effect->sprite.setScale(s, s);
    rescaleLight();
}

void Cannon::rescaleLight() {
    const float s = level::ballSizeFactor();
    progressLight->sprite.setScale(s * charge, s);
}

void Cannon::placePictures() {
    const float s = level::ballSizeFactor();
    const float X = static_cast<float>(x);
    const float Hf = static_cast<float>(H), L = static_cast<float>(lift), wf = static_cast<float>(w);
    auto put = [](SlideShow* p, float px, float py) { p->sprite.setPosition(px, py); };
    put(middle, X - s * wf, kScreenBottom - s * (Hf - L - 4));
    put(sideLeft, X - s * (wf + 59), kScreenBottom - s * (Hf - L));
    put(sideRight, X + s * wf, kScreenBottom - s * (Hf - L));
    put(breechLeft, X - s * (wf - static_cast<float>(o) + 26), kScreenBottom - s * (Hf - L));
    put(breechRight, X + s * (wf - static_cast<float>(o)), kScreenBottom - s * (Hf - L));
    put(progressBar, X - s * (wf + 2), kScreenBottom - s * (Hf - L - 50));
    put(progressLight, X - s * (wf - 7), kScreenBottom - s * (Hf - L - 54));
    const float ballY = kScreenBottom - s * (Hf - L - static_cast<float>(sy) - 8);
    put(loadedBall, X - s * (26 - static_cast<float>(sx)), ballY);
    effect->sprite.setPosition(static_cast<int>(X), static_cast<int>(ballY));
    const float nextY = kScreenBottom - s * (Hf - L - 8 + static_cast<float>(ny));
    put(nextBall1, X - s * (wf - static_cast<float>(nx) + kNextSlide), nextY);
    put(nextBall2, X - s * (wf + static_cast<float>(nx) - kNextSlide), nextY);
    put(heat, X - s * (wf + 74), kScreenBottom - s * (Hf - L + 18));
}

void Cannon::moveTo(int mouseX) {
    if (animState == kGunHidden) return;
    x = clampGun(mouseX);
    placePictures();
}

bool Cannon::startCharge() {
    if (charging) return false;
    if (Sound_CurrentLoop() == 0) Sound_PlayLoop("gun_startcharge.ogg");
    charging = 1;
    return true;
}

bool Cannon::canShoot() const { return cooldown == 0 && charging; }

void Cannon::cancelCharge() {
    Sound_PlayLoop("");
    charge = 0.0f;
    charging = 0;
    overchargeTicks = 0;
    rescaleLight();
}

void Cannon::fadeHeat(int toAlpha) {
    heat->stop();
    auto* fade = new SSC_AlphaFromTo(static_cast<float>(heat->sprite.rs.alpha), static_cast<float>(toAlpha));
    fade->setLength(kHeatFadeTicks);
    heat->enqueue(fade);
}

void Cannon::showColours(int loaded, int next, bool showLoaded) {
    PicturePack* nextPack = ballPack(next);
    nextBall1->sprite.setPicture(nextPack, 0);
    nextBall2->sprite.setPicture(nextPack, 0);
    loadedBall->sprite.setPicture(ballPack(loaded), 0);
    if (showLoaded) loadedBall->sprite.setVisible(true);
}

// A new swap or shot cuts the running one short: its colours appear at once.
void Cannon::finishPending() {
    if (animState == kGunSwapOpen) showColours(shownLoaded, shownNext, false);
    if (animState == kGunFireOpen) showColours(shownLoaded, shownNext, true);
}

void Cannon::shotFired(int loaded, int next, int fired) {
    cancelCharge();
    if (fired == 0 && cooldown == 0) {
        const HeatStep& step = heatStep(heatLevel);
        cooldown = step.cooldown;
        fadeHeat(step.alpha);
        if (step.alpha > kHotGunSoundAlpha) playGameSound("gun_heat");
        heatReset = step.heatReset;
        heatLevel = std::min(heatLevel + 1, kHeatSteps - 1);
    }
    finishPending();
    // Hidden after finishing the previous animation, which would otherwise
    // bring back the ball that has just left.
    loadedBall->sprite.setVisible(false);
    shownNext = next;
    shownLoaded = loaded;
    if (animState != kGunHidden) {
        animState = kGunFireOpen;
        animCounter = kAnimTicks;
    }
}

bool Cannon::swapShown(int next, int loaded) {
    if (animState == kGunSlideIn || animState == kGunFireOpen) return false;
    if (animState == kGunSwapOpen) finishPending();
    playGameSound("gun_chcolor_rb");
    shownLoaded = next;
    shownNext = loaded;
    animState = kGunSwapOpen;
    animCounter = kAnimTicks;
    return true;
}

void Cannon::showNext(int colour) {
    shownNext = colour;
    // Mid-swap or mid-shot the pending colours are put up at the half-way
    // point anyway; changing them now would show the next ball too early.
    if (animState == kGunSwapOpen || animState == kGunFireOpen) return;
    PicturePack* pack = ballPack(colour);
    nextBall1->sprite.setPicture(pack, 0);
    nextBall2->sprite.setPicture(pack, 0);
}

int Cannon::muzzleX() const {
    const float s = level::ballSizeFactor();
    const float width = static_cast<float>(middle->sprite.width());
    return static_cast<int>(std::lround(middle->sprite.x + s * width / 2.0f));
}

void Cannon::pause() {
    cancelCharge();
    frozen = 1;
}

void Cannon::resume() {
    frozen = 0;
    if (animState == kGunHidden) return;
    x = clampGun(mousePosition.x);
    placePictures();
}

void Cannon::appear(int atX) {
    loadedBall->sprite.setVisible(false);
    x = atX;
    animState = kGunAppear;
    animCounter = kAnimTicks;
    applyScale();
}

void Cannon::retract(int atX) {
    x = atX;
    animState = kGunRetract;
    animCounter = kAnimTicks;
}

void Cannon::update() {
    if (!frozen) {
        if (charging) {
            charge += kChargePerTick;
            if (charge > 1.0f) {
                charge = 1.0f;
                ++overchargeTicks;
            }
            rescaleLight();
        }
        if (overchargeTicks > kOverchargeTicks) {
            playGameSound("gun_overcharge");
            effect->stop();
            effect->sprite.clearEffects();
            effect->sprite.addEffect("fx_overcharge.fx");
            effect->enqueue(new SSC_Wait(kOverchargeFxTicks));
            effect->enqueue(new SSC_FXDone());
            cancelCharge();
        }
        if (cooldown > 0) --cooldown;
        if (heatReset > 0 && --heatReset == 0) {
            heatLevel = 0;
            fadeHeat(0);
        }
        if (charge <= kSteadyCharge) {
            sx = sy = 0;
        } else if (charge <= kShakyCharge) {
            sx = vmRand() % 3 - 1;
            sy = vmRand() % 3 - 1;
        } else {
            sx = vmRand() % 5 - 2;
            sy = vmRand() % 5 - 2;
        }
    }
    animate();
    placePictures();
}

void Cannon::animate() {
    if (animState < kGunSwapOpen) return;
    const int c = --animCounter;
    const bool done = c < 1;
    const float s = level::ballSizeFactor();
    switch (animState) {
        case kGunSwapOpen:
            o = nx = (kAnimTicks - c) * w / kAnimTicks;
            if (done) {
                showColours(shownLoaded, shownNext, false);
                animState = kGunSwapClose;
                animCounter = kAnimTicks;
            }
            break;
        case kGunSwapClose:
            o = nx = w * c / kAnimTicks;
            if (done) animState = kGunIdle;
            break;
        case kGunFireOpen:
            o = nx = (kAnimTicks - c) * w / kAnimTicks;
            lift = static_cast<int32_t>(std::sin((kAnimTicks - c) * kPi / kAnimTicks) * kFireRecoil);
            if (done) {
                showColours(shownLoaded, shownNext, true);
                animState = kGunSlideIn;
                animCounter = kAnimTicks;
            }
            break;
        case kGunSlideIn: {
            o = w * c / kAnimTicks;
            const double t = c * (kPi / 2) / kAnimTicks;
            nx = static_cast<int32_t>(-kNextSlide * std::sin(t));
            ny = -kNextSlide - static_cast<int32_t>(-kNextSlide * std::cos(t));
            if (done) animState = kGunIdle;
            break;
        }
        case kGunAppear:
            lift = static_cast<int32_t>(2.0f * s * static_cast<float>(H) * static_cast<float>(c) / kAnimTicks);
            if (done) animState = kGunIdle;
            break;
        case kGunRetract:
            lift = static_cast<int32_t>(2.0f * s * static_cast<float>(H) * static_cast<float>(kAnimTicks - c) /
                                        kAnimTicks);
            if (done) animState = kGunHidden;
            break;
        default:
            break;
    }
}

// -------------------------------------------------------------- CannonRamp

CannonRamp::CannonRamp() {
    rails = std::make_unique<PckSprite>();
    rails->setPicture(gamePack("rails"), 0);
    rails->setLayer(kRailsLayer);
    rails->setPosition(0.0f, kScreenBottom - static_cast<float>(rails->height()));
}

CannonRamp::~CannonRamp() = default;

// --------------------------------------------------------------- GunColours

void GunColours::reset() {
    std::fill(seen, seen + kMaxColours, uint8_t{0});
    allSeen = 0;
}

int GunColours::nextColour(int exclude) {
    const int colours = colourLimit();
    if (colours <= 0) return 0;
    if (allSeen && field().countBalls() > 0) {
        bool present[kMaxColours];
        field().presentColours(present);
        int m = 0;
        for (int i = 0; i < kMaxColours; ++i) {
            seen[i] = present[i] ? 1 : 0;
            m += present[i] ? 1 : 0;
        }
        // Balls whose colour is outside this level's range count as balls but
        // not as present colours; drawing "until present" would never end.
        if (m > 0) {
            const bool avoid = m >= 2 && exclude >= 0;
            for (;;) {
                const int r = vmRand() % colours;
                if (present[r] && !(avoid && r == exclude)) return r;
            }
        }
        return vmRand() % colours;
    }
    const int r = vmRand() % colours;
    seen[r] = 1;
    allSeen = std::all_of(seen, seen + colours, [](uint8_t v) { return v != 0; }) ? 1 : 0;
    return r;
}

void GunColours::advanceColours(int fired) {
    bool present[kMaxColours];
    field().presentColours(present);
    const bool nextPresent = nextBall >= 0 && nextBall < kMaxColours && present[nextBall];
    loadedColour = nextPresent ? nextBall : nextColour(-1);
    nextBall = nextColour(loadedColour);
    if (gun) gun->shotFired(loadedColour, nextBall, fired);
}

bool GunColours::swapColours() {
    if (gun && !gun->swapShown(nextBall, loadedColour)) return false;
    std::swap(loadedColour, nextBall);
    return true;
}

bool GunColours::refreshNext() {
    bool present[kMaxColours];
    field().presentColours(present);
    if (nextBall >= 0 && nextBall < kMaxColours && present[nextBall]) return false;
    nextBall = nextColour(loadedColour);
    if (gun) gun->showNext(nextBall);
    return true;
}

// ------------------------------------------------------------------ shooting

float shotSpeed(float charge) { return kShotSpeedBase + kShotSpeedCharged * charge * level::ballSizeFactor(); }

FieldObject* fireLoadedBall(Cannon& gun, GunColours& colours) {
    PhysicsField& f = field();
    FieldObject* ball = f.createBall(colours.loadedColour, static_cast<float>(gun.muzzleX()) / kPixelsPerUnit,
                                     static_cast<float>(kMuzzleY) / kPixelsPerUnit, -shotSpeed(gun.charge), 0.0f);
    if (ball) {
        if (ball->glow) {
            ball->glow->setPicture(shotGlowPack(), 0);
            ball->glow->centreHotSpot();
        }
        ball->activity = 1.0f;
        ball->shot = 1;
    }
    colours.advanceColours(0);
    playGameSound("gun_shoot");
    if (playCounters().backlog > 0) f.spawnBacklogBall();
    if (f.countBalls() > kBacklogBalls && f.colourCount() > kBacklogColours) playCounters().backlog += level::BallsSpawnMiss();
    playCounters().unmatchedShots += 1;
    return ball;
}
