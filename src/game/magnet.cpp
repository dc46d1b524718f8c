#include "game/magnet.h"

#include <algorithm>
#include <cstdio>
#include <numbers>

#include "frame/random.h"
#include "game/game_pictures.h"
#include "gfx/effects.h"

namespace {

// rand() mod 5 shifted: a step of -2..2 (or -5..-1 when shrinking) units.
float randomStep(int shift, float unit) { return static_cast<float>(vmRand() % 5 - shift) / unit; }

}  // namespace

Magnet::Magnet() {
    for (int i = 0; i < 2; ++i) {
        locks[i] = new SlideShow;
        locks[i]->sprite.setLayer(kLockLayer);
        locks[i]->setOwner(this, i);
        flareShows[i] = new SlideShow;
        flareShows[i]->sprite.setLayer(kFlareLayer);
        // Flares grow and shrink about their centre, which stays on the magnet's.
        flareShows[i]->sprite.setScaleAboutCentre(true);
    }
    effect = new SlideShowFX;
    effect->sprite.setLayer(kEffectLayer);
    effect->sprite.setPosition(kCentreX, kCentreY);
}

Magnet::~Magnet() {
    for (int i = 0; i < 2; ++i) {
        locks[i]->setOwner(nullptr, 0);
        locks[i]->kill();
        flareShows[i]->kill();
    }
    effect->kill();
}

void Magnet::setMagnet(int newType) {
    type = std::clamp(newType, 0, kMaxMagnetType);
    PicturePack* picture = nullptr;
    if (type != 0) {
        char name[32];
        std::snprintf(name, sizeof name, "lock//lock_%d%d", type / 10 % 10, type % 10);
        picture = gamePack(name);
    }
    locks[0]->stop();
    locks[0]->sprite.setPicture(picture, 0);
    width = locks[0]->sprite.width();
    height = locks[0]->sprite.height();
    angle = flicker = flickerSpeed = 0.0f;
    for (SlideShow* lock : locks) {
        lock->stop();
        PckSprite& s = lock->sprite;
        s.setLayer(kLockLayer);
        s.setAlpha(0);
        s.setPicture(picture, 0);
        s.setPosition(kCentreX - width / 2, kCentreY - height / 2);
        s.setScale(1.0f, 1.0f);
        s.centreHotSpot();
        s.setAngle(0.0f);
        s.setVisible(true);
    }
    for (int i = 0; i < 2; ++i) {
        PckSprite& s = flareShows[i]->sprite;
        flareShows[i]->stop();
        s.setLayer(kFlareLayer);
        s.setAlpha(0);
        s.setPosition(kFlareX, kFlareY);
        s.setVisible(true);
        s.setScaleAboutCentre(true);
        s.setScale(0.1f, 0.1f);
        // The hot spot needs the picture's size; it stays when the picture goes.
        s.setPicture(gamePack("flare"), 0);
        s.centreHotSpot();
        s.setPicture(nullptr, 0);
        s.setAngle(0.0f);
        flares[i] = Flare();
    }
    auto* appear = new SSC_Appear;
    appear->setLength(20);
    locks[0]->enqueue(appear);
    locks[0]->enqueue(new SSC_Msg(1, 0));
    effect->stop();
    effect->sprite.clearEffects();
    effect->sprite.setPosition(kCentreX, kCentreY);
    effect->sprite.addEffect("fx_mag_spawn.fx");
    effect->sprite.setEmitting(true);
}

void Magnet::activate() {
    if (meterSwitch) meterSwitch(true);
    effect->sprite.setEmitting(false);
    active = 1;
}

void Magnet::dropFlares() {
    flareState = 0;
    for (SlideShow* f : flareShows) f->sprite.setPicture(nullptr, 0);
}

void Magnet::vanish() {
    if (meterSwitch) meterSwitch(false);
    active = 0;
    // update stops with active, so flares still out would hang over the
    // explosion until the next level.
    dropFlares();
    for (SlideShow* lock : locks) {
        lock->stop();
        auto* fade = new SSC_Dissapear;
        fade->setLength(40);
        lock->enqueue(fade);
        lock->enqueue(new SSC_Msg(1, 0));
    }
    effect->stop();
    effect->sprite.clearEffects();
    effect->sprite.setPosition(kCentreX, kCentreY);
    effect->sprite.addEffect("fx_nuke.fx");
    effect->sprite.setEmitting(true);
}

void Magnet::spinOut() {
    flareState = 0;
    for (SlideShow* lock : locks) {
        auto* turn = new SSC_RotateFromTo(angle, angle - 2.0 * std::numbers::pi);
        turn->setLength(80);
        lock->enqueue(turn);
        lock->enqueue(new SSC_Msg(1, 0));
    }
    effect->sprite.setPosition(kCentreX, kCentreY);
    effect->sprite.addEffect("fx_splashes.fx");
    effect->sprite.setEmitting(true);
}

void Magnet::reset() {
    active = 0;
    flareState = 0;
    for (SlideShow* show : {locks[0], locks[1], flareShows[0], flareShows[1]}) {
        show->stop();
        PckSprite& s = show->sprite;
        s.setHotSpot(0.0f, 0.0f);
        s.setAngle(0.0f);
        s.setScale(1.0f, 1.0f);
        s.setPicture(nullptr, 0);
    }
    effect->stop();
    effect->sprite.clearEffects();
}

void Magnet::setAngle(float a) {
    angle = a;
    for (SlideShow* lock : locks) lock->sprite.setAngle(a);
}

void Magnet::wake() {
    if (flareState != 0) flareState = 3;
}

void Magnet::sleep() {
    if (!active) return;
    for (SlideShow* f : flareShows) f->sprite.setPicture(gamePack("flare"), 0);
    flareState = 1;
}

void Magnet::stopEffect() { effect->sprite.setEmitting(false); }

void Magnet::update() {
    if (!active) return;
    // Light effects change only what is shown: the flares and the flicker
    // run on as in full, so a seed plays the same game whatever the driver.
    const bool light = Gfx_Effects() == EffectsLevel::Light;
    if (flareState == 0) {
        for (SlideShow* f : flareShows) f->sprite.setPicture(nullptr, 0);
    } else {
        const bool shrinking = flareState == 3;
        for (int i = 0; i < 2; ++i) {
            Flare& f = flares[i];
            f.scaleSpeed = std::clamp(f.scaleSpeed + randomStep(shrinking ? 5 : 2, 100.0f), -0.03f, 0.03f);
            f.scale = std::clamp(f.scale + f.scaleSpeed, 0.1f, 2.0f);
            f.angleSpeed = std::clamp(f.angleSpeed + randomStep(2, 1000.0f), -0.03f, 0.03f);
            f.angle += f.angleSpeed;
            f.alphaSpeed = std::clamp(f.alphaSpeed + randomStep(2, 10.0f), -2.0f, 2.0f);
            f.alpha = std::clamp(f.alpha + f.alphaSpeed, 64.0f, 128.0f);
            PckSprite& s = flareShows[i]->sprite;
            if (light) {
                showStillFlare(s, i);
            } else {
                s.setScale(f.scale, f.scale);
                s.setAngle(f.angle);
                s.setAlpha(static_cast<int>(f.alpha));
            }
        }
        if (shrinking && flares[0].scale < 0.15f && flares[1].scale < 0.15f) flareState = 0;
    }
    flickerSpeed = std::clamp(flickerSpeed + randomStep(2, 10.0f), -20.0f, 20.0f);
    flicker = std::clamp(flicker + flickerSpeed, 0.0f, 255.0f);
    // Light: a steady glow at its mean brightness.
    locks[1]->sprite.setAlpha(static_cast<int>(255.0f - (light ? kSteadyFlicker : flicker)));
}

void Magnet::showStillFlare(PckSprite& s, int i) {
    // Crossed, at their middle size and brightness, and never moving: a
    // flare that grows, turns or fades changes most of the field each frame.
    s.setScale(kStillFlareScale, kStillFlareScale);
    s.setAngle(static_cast<float>(i) * kStillFlareTurn);
    s.setAlpha(static_cast<int>(kStillFlareAlpha));
}
