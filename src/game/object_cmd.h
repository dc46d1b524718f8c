// Object commands: what happens to a ball over time after a game decision,
// queued on the ball's own command sequence. A wait followed by an action is
// a delayed action; the sequence carries it out over the following ticks.
#pragma once

#include <cstdint>

#include "anim/commands.h"

struct FieldObject;

class ObjectCmd : public SSC_Complex {
public:
    ObjectCmd(FieldObject* target, int parameter) : object(target), param(parameter) {}
    FieldObject* object;  // not owned
    int32_t param;
};

class OC_Wait : public ObjectCmd {
public:
    OC_Wait(FieldObject* o, int ticks) : ObjectCmd(o, ticks) {}
    void onStart() override;
};

class OC_ReColor : public ObjectCmd {
public:
    OC_ReColor(FieldObject* o, int colour) : ObjectCmd(o, colour) {}
    void onStart() override;
};

class OC_ActivateBonus : public ObjectCmd {
public:
    explicit OC_ActivateBonus(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_Delete : public ObjectCmd {
public:
    explicit OC_Delete(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_Gauss : public ObjectCmd {
public:
    explicit OC_Gauss(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_Explode : public ObjectCmd {
public:
    OC_Explode(FieldObject* o, int style) : ObjectCmd(o, style) {}
    void onStart() override;
};

class OC_FXDone : public ObjectCmd {
public:
    explicit OC_FXDone(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_Fireball : public ObjectCmd {
public:
    explicit OC_Fireball(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_FireballMega : public ObjectCmd {
public:
    explicit OC_FireballMega(FieldObject* o) : ObjectCmd(o, 0) {}
    void onStart() override;
};

class OC_Lightning : public ObjectCmd {
public:
    OC_Lightning(FieldObject* o, float fromX, float fromY, int delay)
        : ObjectCmd(o, delay), x(fromX), y(fromY) {}
    void onStart() override;
    float x, y;  // field units: the bonus ball that fired
};

class OC_LightningMega : public OC_Lightning {
public:
    OC_LightningMega(FieldObject* o, float fromX, float fromY, int delay)
        : OC_Lightning(o, fromX, fromY, delay) {}
    void onStart() override;
};

// Flies the target sprite to a (moving) ball, fast at first.
class SSC_MorphToObject : public virtual SlideShowLongCommand {
public:
    explicit SSC_MorphToObject(FieldObject* target) : object(target) {}
    void begin() override;
    void apply(int s, int n) override;
    FieldObject* object;  // not owned
    float x0 = 0, y0 = 0;
};

// Sequences queued on a ball (delays in ticks, styles of explode below).
void destroyBall(FieldObject& ball, int delay, int style);
void strikeBall(FieldObject& ball, float x, float y, int delay);
void strikeBallMega(FieldObject& ball, float x, float y, int delay);
void explodeBonusBall(FieldObject& ball, int delay);
void fireballBonusBall(FieldObject& ball, int delay);
void megaFireballBonusBall(FieldObject& ball, int delay);
void recolourBall(FieldObject& ball, int colour, int delay);
void degauss(FieldObject& magnet, int ticks);

// Explosion styles: 0 ordinary, 1 fireball, 2 lightning, 3 rocket, 4 mega
// lightning, 5 mega fireball.
void explode(FieldObject& ball, int style);
void recolour(FieldObject& ball, int colour);
void turnIntoFireball(FieldObject& ball, bool mega);
// The four explosion sounds of a ball type.
const char* explosionSound(int type, int variant);
