// The pictures of the field objects: created with the object, kept on the
// body's position every tick.
#include <ode/ode.h>

#include <cmath>

#include "anim/commands.h"
#include "frame/random.h"
#include "game/field.h"
#include "game/game_pictures.h"
#include "res/picture_pack.h"

namespace {

constexpr int kShadowLayer = 295;
constexpr int kBallLayer = 300;
constexpr int kOverlayLayer = 301;
constexpr int kGlowLayer = 302;
constexpr int kEffectLayer = 303;
constexpr float kBonusFrameStep = 0.15707964f;

void centreOn(PckSprite& s, float cx, float cy, float scale) {
    const float w = static_cast<float>(s.rs.width) * scale;
    const float h = static_cast<float>(s.rs.height) * scale;
    s.setPosition(cx - w / 2, cy - h / 2);
}

}  // namespace

void PhysicsField::createSprites(FieldObject& o) {
    o.commandQueue = new SlideShow();
    o.effect = new SlideShowFX();
    o.effect->sprite.setLayer(kEffectLayer);
    if (o.kind != kKindBall) return;
    o.commandQueue->sprite.setLayer(kBallLayer);
    o.overlay = std::make_unique<PckSprite>();
    o.overlay->setLayer(kOverlayLayer);
    o.glow = std::make_unique<PckSprite>();
    o.glow->setLayer(kGlowLayer);
    o.shadow = std::make_unique<PckSprite>();
    o.shadow->setLayer(kShadowLayer);
}

void PhysicsField::buildBallPictures(FieldObject& ball) {
    if (!ball.commandQueue || !ball.overlay) return;
    const float s = level::ballSizeFactor();
    PicturePack* pack = ballPack(ball.type);
    ball.commandQueue->sprite.setPicture(pack, 0);
    ball.commandQueue->sprite.setScale(s, s);
    ball.overlay->setPicture(pack, 0);
    ball.overlay->setScale(s, s);
    ball.glow->setPicture(nullptr, 0);
    ball.glow->setScale(s, s);
    ball.glow->centreHotSpot();
    ball.shadow->setPicture(shadowPack(), 0);
    ball.shadow->setScale(s, s);
    ball.effectHeld = 0;
}

void PhysicsField::startEnergyEffect(FieldObject& ball) {
    if (!ball.effect || ball.type < 0 || ball.type >= 8) return;
    ball.effect->sprite.addEffect("fx_energy.fx");
    int r, g, b;
    ballTint(ball.type, r, g, b);
    ball.effect->sprite.setTint(r, g, b, 255);
}

void PhysicsField::makeSpecialGlow(FieldObject& ball) {
    if (ball.glow) {
        ball.glow->setPicture(ballGlowPack(ball.type), 0);
        ball.glow->centreHotSpot();
    }
    ball.activity = 1.0f;
}

void PhysicsField::hideAll() {
    for (auto& [id, o] : objects) {
        o->visible = 0;
        if (o->commandQueue) o->commandQueue->sprite.setVisible(false);
        if (o->overlay) o->overlay->setVisible(false);
        if (o->glow) o->glow->setVisible(false);
        if (o->shadow) o->shadow->setVisible(false);
        if (o->effect) o->effect->sprite.setVisible(false);
    }
}

void PhysicsField::showAll() {
    for (auto& [id, o] : objects) {
        o->visible = 1;
        if (o->commandQueue) o->commandQueue->sprite.setVisible(true);
        if (o->overlay) o->overlay->setVisible(true);
        if (o->glow) o->glow->setVisible(true);
        if (o->shadow) o->shadow->setVisible(true);
        if (o->effect) o->effect->sprite.setVisible(true);
    }
}

void PhysicsField::syncSprites() {
    const float s = level::ballSizeFactor();
    for (auto& [id, op] : objects) {
        FieldObject& o = *op;
        if (!o.body) continue;
        const dReal* q = dBodyGetQuaternion(o.body);
        const float angle = static_cast<float>(
            std::atan2(2.0 * (q[0] * q[3] + q[1] * q[2]), 1.0 - 2.0 * (q[2] * q[2] + q[3] * q[3])) +
            3.14159265358979323846);
        if (o.kind == kKindMagnet) {
            if (fieldHooks().magnetAngle) fieldHooks().magnetAngle(angle);
            continue;
        }
        if (!o.isBall() || !o.commandQueue) continue;
        PckSprite& main = o.commandQueue->sprite;
        if (o.type == kBonusBall && main.pack) {
            if (rotateBalls()) {
                const float steps = angle / kBonusFrameStep;
                int frame = static_cast<int>(std::floor(steps));
                frame = frame < 0 ? 0 : (frame > 39 ? 39 : frame);
                const float frac = steps - std::floor(steps);
                main.setPicture(main.pack, frame);
                o.overlay->setPicture(main.pack, (frame + 1) % 40);
                o.overlay->setAlpha(static_cast<int>(255.0f * frac));
            } else {
                o.overlay->setAlpha(0);
            }
        }
        const float cx = static_cast<float>(o.x()) * kPixelsPerUnit;
        const float cy = static_cast<float>(o.y()) * kPixelsPerUnit;
        main.setPosition(cx - 26 * s, cy - 26 * s);
        o.overlay->setPosition(cx - 26 * s, cy - 26 * s);
        if (o.glow->pack) {
            centreOn(*o.glow, cx, cy, s);
            o.glow->setAlpha(static_cast<int>(255.0f * o.activity));
        }
        if (o.shadow->pack) centreOn(*o.shadow, cx, cy, s);
        if (o.effect && !o.effectPinned) {
            if (!o.effectHeld) {
                o.glowPhase += o.glowSpeed;
                if (o.glowPhase > 0.8f) {
                    o.glowPhase = 0.0f;
                    o.glowSpeed = static_cast<float>(vmRand() % 10 + 10) / 1000.0f;
                }
                o.effect->sprite.setPosition(
                    static_cast<int>(cx + o.glowPhase * (kMagnetCentreXPx - cx)),
                    static_cast<int>(cy + o.glowPhase * (kMagnetCentreYPx - cy)));
            } else if (!o.effectFree) {
                o.effect->sprite.setPosition(static_cast<int>(cx), static_cast<int>(cy));
            }
        }
        if (o.arrow && fieldHooks().moveArrow)
            fieldHooks().moveArrow(o.arrow, static_cast<int>(cx), static_cast<int>(cy));
    }
}
