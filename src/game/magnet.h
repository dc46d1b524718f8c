// The magnet's pictures at the centre of the field: two lock pictures that
// turn with the magnet's body (the second one flickers), two flares that grow
// while the player is idle, and an effect sprite for its appearance, its
// explosion and its spin. The body itself belongs to the play field.
//
// Owned by the game actor: the lock pictures' reports ((0, 1, 0) each) reach
// the owner under the magnet's own id.
#pragma once

#include <cstdint>
#include <functional>

#include "anim/commands.h"

constexpr int kMaxMagnetType = 98;

class Magnet : public Actor {
public:
    Magnet();
    ~Magnet() override;

    // Builds the lock pictures of magnet type 0..98 (0: none) and fades the
    // first one in; reports once. The effect sprite plays the spawn.
    void setMagnet(int type);
    // Play begins: the ball meter on, the spawn effect stops emitting.
    void activate();
    // Both lock pictures fade out (two reports) and the magnet explodes.
    void vanish();
    // A won level: both lock pictures make one turn backwards (two reports).
    void spinOut();
    // Between levels: no pictures, no effects, nothing running.
    void reset();
    void setAngle(float a);
    // Idle handling: sleep lets the flares grow, wake shrinks them away.
    void wake();
    void sleep();
    void stopEffect();
    void update() override;

    // Switches the HUD's ball-count meter on and off; set by the game.
    std::function<void(bool on)> meterSwitch;

    struct Flare {
        float scale = 0.1f, scaleSpeed = 0.0f;
        float angle = 0.0f, angleSpeed = 0.0f;
        float alpha = 0.0f, alphaSpeed = 0.0f;
    };

    int32_t active = 0;
    int32_t flareState = 0;  // 0 off, 1 growing, 3 shrinking
    Flare flares[2];
    float flicker = 0.0f;
    float flickerSpeed = 0.0f;
    float angle = 0.0f;
    int32_t width = 0, height = 0;
    int32_t type = 0;

    SlideShow* locks[2];
    SlideShow* flareShows[2];
    SlideShowFX* effect;

    static constexpr int kLockLayer = 200;
    static constexpr int kFlareLayer = 199;
    static constexpr int kEffectLayer = 205;
    static constexpr int kCentreX = 400, kCentreY = 269;
    static constexpr int kFlareX = 144, kFlareY = 13;

    // Light effects: the glow's steady dimming and the still flares' look.
    static constexpr float kSteadyFlicker = 128.0f;
    static constexpr float kStillFlareScale = 1.0f, kStillFlareTurn = 0.4f, kStillFlareAlpha = 96.0f;

private:
    void dropFlares();
    static void showStillFlare(PckSprite& s, int i);
};
