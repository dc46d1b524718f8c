#include "game/object_cmd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "frame/random.h"
#include "game/field.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"

namespace {

int toPixels(double units) { return static_cast<int>(units * kPixelsPerUnit); }

void killArrow(FieldObject& ball) {
    if (ball.arrow) {
        ball.arrow->kill();
        ball.arrow = nullptr;
    }
}

// Places the ball's effect sprite at the ball's centre (pixels).
void placeEffectAtBall(FieldObject& ball) {
    if (!ball.effect) return;
    ball.effect->sprite.setPosition(toPixels(ball.x()), toPixels(ball.y()));
    ball.effect->sprite.setVisible(ball.visible != 0);
}

void queue(FieldObject& ball, SlideShowCommand* command) {
    if (ball.commandQueue)
        ball.commandQueue->enqueue(command);
    else
        command->kill();
}

void queueWait(FieldObject& ball, int delay) {
    if (delay > 0) queue(ball, new OC_Wait(&ball, delay));
}

void queueExplosion(FieldObject& ball, int style) {
    queue(ball, new OC_Explode(&ball, style));
    queue(ball, new OC_Wait(&ball, 25));
    queue(ball, new OC_Delete(&ball));
}

bool prepareDestruction(FieldObject& ball) {
    if (ball.dying) return false;
    killArrow(ball);
    ball.activity = 0.0f;
    ball.dying = 1;
    return true;
}

void lightningFlight(FieldObject& ball, float x, float y, int delay, const char* flyer) {
    if (ball.effect) {
        ball.effect->stop();
        ball.effect->sprite.clearEffects();
        if (ball.type < 8) {
            ball.effect->sprite.addEffect(flyer);
            ball.effect->sprite.setPosition(toPixels(x), toPixels(y));
            ball.effect->sprite.setVisible(ball.visible != 0);
            auto* morph = new SSC_MorphToObject(&ball);
            morph->setLength(std::max(1, delay));
            ball.effect->enqueue(morph);
        }
    }
    ball.effectHeld = 1;
    ball.effectFree = 1;
}

}  // namespace

// ---------------------------------------------------------------- commands

void OC_Wait::onStart() {
    if (param > 0) enqueue(new SSC_Wait(param));
}

void OC_ReColor::onStart() { recolour(*object, param); }
void OC_ActivateBonus::onStart() { object->bonusTriggered = 1; }
void OC_Delete::onStart() { object->kind = kKindMarked; }
void OC_Gauss::onStart() { object->forceScale = 1.0f; }
void OC_Explode::onStart() { explode(*object, param); }

void OC_FXDone::onStart() {
    FieldObject& ball = *object;
    if (ball.effect) {
        ball.effect->sprite.clearEffects();
        if (ball.type >= 0 && ball.type < 8) {
            ball.effect->sprite.addEffect("fx_energy.fx");
            placeEffectAtBall(ball);
            int r, g, b;
            ballTint(ball.type, r, g, b);
            ball.effect->sprite.setTint(r, g, b, 255);
        }
    }
    ball.effectHeld = 0;
}

void OC_Fireball::onStart() { turnIntoFireball(*object, false); }
void OC_FireballMega::onStart() { turnIntoFireball(*object, true); }

void OC_Lightning::onStart() {
    if (param > 0) enqueue(new SSC_Wait(param));
    lightningFlight(*object, x, y, param, "fx_b_lightning_flyer.fx");
}

void OC_LightningMega::onStart() {
    if (param > 0) enqueue(new SSC_Wait(param));
    lightningFlight(*object, x, y, param, "fx_b_lightning_mega_flyer.fx");
}

void SSC_MorphToObject::begin() {
    x0 = target ? target->x : 0.0f;
    y0 = target ? target->y : 0.0f;
}

void SSC_MorphToObject::apply(int s, int n) {
    if (!target || !object) return;
    const double t = static_cast<double>(s) / n;
    const double k = 1.0 - std::sqrt(1.0 - t);
    const double tx = object->x() * kPixelsPerUnit, ty = object->y() * kPixelsPerUnit;
    target->setPosition(static_cast<int>(x0 + k * (tx - x0)), static_cast<int>(y0 + k * (ty - y0)));
}

// ---------------------------------------------------------------- sequences

void destroyBall(FieldObject& ball, int delay, int style) {
    if (!prepareDestruction(ball)) return;
    queueWait(ball, delay);
    if (ball.type == kBonusBall)
        queue(ball, new OC_ActivateBonus(&ball));
    else
        queueExplosion(ball, style);
}

void strikeBall(FieldObject& ball, float x, float y, int delay) {
    if (!prepareDestruction(ball)) return;
    if (delay > 0) queue(ball, new OC_Lightning(&ball, x, y, delay));
    if (ball.type == kBonusBall)
        queue(ball, new OC_ActivateBonus(&ball));
    else
        queueExplosion(ball, 2);
}

void strikeBallMega(FieldObject& ball, float x, float y, int delay) {
    if (!prepareDestruction(ball)) return;
    if (delay > 0) queue(ball, new OC_LightningMega(&ball, x, y, delay));
    if (ball.type == kBonusBall)
        queue(ball, new OC_ActivateBonus(&ball));
    else
        queueExplosion(ball, 4);
}

void explodeBonusBall(FieldObject& ball, int delay) {
    ball.bonusTriggered = 0;
    queueWait(ball, delay);
    queueExplosion(ball, 0);
}

void fireballBonusBall(FieldObject& ball, int delay) {
    ball.bonusTriggered = 0;
    queueWait(ball, delay);
    queue(ball, new OC_Fireball(&ball));
    queue(ball, new OC_Wait(&ball, 324));
    queueExplosion(ball, 0);
}

void megaFireballBonusBall(FieldObject& ball, int delay) {
    ball.bonusTriggered = 0;
    queueWait(ball, delay);
    queue(ball, new OC_FireballMega(&ball));
    queue(ball, new OC_Wait(&ball, 540));
    queueExplosion(ball, 0);
}

void recolourBall(FieldObject& ball, int colour, int delay) {
    if (ball.dying) return;
    killArrow(ball);
    ball.activity = 0.0f;
    if (ball.commandQueue) ball.commandQueue->stop();
    queueWait(ball, delay);
    queue(ball, new OC_ReColor(&ball, colour));
    queue(ball, new OC_Wait(&ball, 5));
    queue(ball, new OC_FXDone(&ball));
}

void degauss(FieldObject& magnet, int ticks) {
    magnet.forceScale = 0.0f;
    if (magnet.effect) {
        magnet.effect->stop();
        magnet.effect->sprite.clearEffects();
        magnet.effect->sprite.addEffect("fx_b_degauss.fx");
        magnet.effect->sprite.setPosition(static_cast<int>(kMagnetCentreXPx),
                                          static_cast<int>(kMagnetCentreYPx));
        magnet.effect->sprite.setVisible(magnet.visible != 0);
        magnet.effect->enqueue(new SSC_Wait(40));
        magnet.effect->enqueue(new SSC_FXDone());
    }
    magnet.effectHeld = 1;
    magnet.effectPinned = 1;
    queue(magnet, new OC_Wait(&magnet, ticks));
    queue(magnet, new OC_Gauss(&magnet));
}

// ---------------------------------------------------------------- actions

const char* explosionSound(int type, int variant) {
    static const char* const kColour[8] = {"ball_explode_c01_2", "ball_explode_c02_2",
                                           "ball_explode_c03_2", "ball_explode_c04_2",
                                           "ball_explode_c05_2", "ball_explode_c06_2",
                                           "ball_explode_c07_2", "ball_explode_c08_2"};
    static const char* const kSpecial[6] = {"ball_explode_c09_2", "ball_explode_c10_2",
                                            "ball_explode_c11_2", "ball_explode_c12_2",
                                            "ball_explode_c13_2", "ball_explode_c14_2"};
    type = std::clamp(type, 0, 13);
    variant = std::clamp(variant, 0, 3);
    if (type >= 8) return kSpecial[type - 8];
    switch (variant) {
        case 0:
            return "ball_explode_common_1";
        case 1:
            return kColour[type];
        case 2:
            return "ball_explode_common_3";
        default:
            return "ball_explode_common_4";
    }
}

void explode(FieldObject& ball, int style) {
    PhysicsField& f = field();
    f.leaveCollisions(ball);
    for (int32_t partner : ball.linkSet)
        if (FieldObject* p = f.find(partner)) p->linkSet.erase(ball.id);

    const int px = toPixels(ball.x()), py = toPixels(ball.y());
    if (ball.effect) {
        FXSprite& fx = ball.effect->sprite;
        ball.effect->stop();
        fx.clearEffects();
        char name[64];
        std::snprintf(name, sizeof name, "fx_match3_%d.fx", ball.type);
        fx.addEffect(name);
        static const char* const kBonusFx[8] = {"fx_b_bomb.fx",      "fx_b_ink.fx", nullptr,
                                                nullptr,             "fx_b_fireball.fx",
                                                "fx_b_lightning.fx", "fx_b_lightning_mega.fx",
                                                "fx_b_fireball_mega.fx"};
        if (ball.bonusKind >= 0 && ball.bonusKind < 8 && kBonusFx[ball.bonusKind])
            fx.addEffect(kBonusFx[ball.bonusKind]);
        static const char* const kStyleFx[6] = {nullptr,
                                                "fx_b_fireball_final.fx",
                                                "fx_b_lightning_final.fx",
                                                "fx_b_rocket_final.fx",
                                                "fx_b_lightning_mega_final.fx",
                                                "fx_b_fireball_mega_final.fx"};
        if (style >= 1 && style <= 5) fx.addEffect(kStyleFx[style]);
        fx.setPosition(px, py);
        fx.setVisible(ball.visible != 0);
        if (ball.bonusKind == 2) {
            fx.clearEffects();
            fx.addEffect("fx_b_rocket.fx");
            fx.setPosition(px, 600);
        }
    }
    if (style >= 1 && style <= 5 && fieldHooks().scoreBonus) fieldHooks().scoreBonus(50);
    ball.effectHeld = 1;
    ball.effectPinned = 1;
    playGameSound(explosionSound(ball.type, vmRand() % 4));
    if (ball.dropCrystal && fieldHooks().dropCrystal) fieldHooks().dropCrystal(px, py);
    if (ball.commandQueue) ball.commandQueue->sprite.setPicture(nullptr, 0);
    if (ball.overlay) ball.overlay->setPicture(nullptr, 0);
    if (ball.glow) ball.glow->setPicture(nullptr, 0);
    if (ball.shadow) ball.shadow->setPicture(nullptr, 0);
}

void recolour(FieldObject& ball, int colour) {
    const int old = ball.type;
    ball.type = colour;
    field().buildBallPictures(ball);
    if (ball.effect) {
        ball.effect->sprite.clearEffects();
        if (colour != old && colour >= 0 && colour < 8) {
            ball.effect->sprite.addEffect("fx_recolor.fx");
            placeEffectAtBall(ball);
            int r, g, b;
            ballTint(colour, r, g, b);
            ball.effect->sprite.setTint(r, g, b, 255);
            ball.effectHeld = 1;
        }
    }
    field().unlinkAll(ball);
}

void turnIntoFireball(FieldObject& ball, bool mega) {
    recolour(ball, mega ? kMegaFireball : kFireball);
    field().setFireballMass(ball);
    field().makeSpecialGlow(ball);
    if (ball.effect) {
        ball.effect->sprite.addEffect(mega ? "fx_b_fireball_mega_flyer.fx" : "fx_b_fireball_flyer.fx");
        placeEffectAtBall(ball);
    }
    ball.effectHeld = 1;
}
