// Timed and instant commands. Every operation on the target tolerates a
// missing target (a command started directly by code that forgot to set one)
// and, for the picture and effect commands, a target of the wrong kind.
#include "anim/commands.h"

#include <cmath>
#include <cstdlib>

#include "res/picture_pack.h"
#include "sound/sound.h"

namespace {
double fraction(int s, int n) { return static_cast<double>(s) / static_cast<double>(n); }
}  // namespace

// ---- SlideShowLongCommand ----

void SlideShowLongCommand::update() {
    if (step < 1 || step > length) return;
    apply(step, length);
    ++step;
    if (step > length) notifyOwner(0, 0, 0);
}

bool SlideShowLongCommand::start() {
    step = 1;
    startTick = tickCount() - 1;
    begin();
    // The first apply comes with the next update, never inside start().
    return false;
}

void SlideShowLongCommand::stop() { step = 0; }

int SlideShowLongCommand::lin(int a, int b) const {
    if (length == 1) return a;
    // Widened only so that extreme inputs cannot overflow; for any values
    // that fit, this equals the 32-bit truncating computation.
    const int64_t span = static_cast<int64_t>(b) - a;
    return static_cast<int>(a + span * (step - 1) / (length - 1));
}

// ---- alpha ----

void SSC_Appear::begin() { value = 0.0; }

void SSC_Appear::apply(int s, int n) {
    value = 255.0 * fraction(s, n);
    if (target) target->setAlpha(static_cast<int>(value));
}

void SSC_Dissapear::begin() { value = 255.0; }

void SSC_Dissapear::apply(int s, int n) {
    value = (1.0 - fraction(s, n)) * 255.0;
    if (target) target->setAlpha(static_cast<int>(value));
}

void SSC_AlphaFromTo::begin() { value = from; }

void SSC_AlphaFromTo::apply(int s, int n) {
    value = from + (to - from) * static_cast<float>(s) / static_cast<float>(n);
    if (target) target->setAlpha(static_cast<int>(value));
}

// ---- rotation and scale ----

void SSC_RotateFromTo::begin() {
    if (target) target->centreHotSpot();
    value = 0.0;
}

void SSC_RotateFromTo::apply(int s, int n) {
    value = from + fraction(s, n) * (to - from);
    if (target) target->setAngle(static_cast<float>(value));
}

void SSC_ScaleFromTo::begin() {
    if (target) target->setScaleAboutCentre(true);
    value = from;
}

void SSC_ScaleFromTo::apply(int s, int n) {
    value = from + (to - from) * fraction(s, n);
    const float f = static_cast<float>(value);
    if (target) target->setScale(f, f);
}

// ---- movement ----

void SSC_MorphTo::begin() {
    if (!target) return;
    x0 = static_cast<int>(target->x);
    y0 = static_cast<int>(target->y);
}

void SSC_MorphTo::apply(int, int) {
    if (target) target->setPosition(lin(x0, x1), lin(y0, y1));
}

void SSC_PositionMorph::begin() {
    if (target) {
        x0 = static_cast<int>(target->x);
        y0 = static_cast<int>(target->y);
    }
    x1 = x0 + dx_;
    y1 = y0 + dy_;
}

void SSC_PositionMorph::apply(int, int) {
    if (target) target->setPosition(lin(x0, x1), lin(y0, y1));
}

void SSC_DamperedMorphTo::begin() {
    if (!target) return;
    x0 = static_cast<int>(target->x);
    y0 = static_cast<int>(target->y);
}

void SSC_DamperedMorphTo::apply(int s, int n) {
    const double f = 1.0 - std::sqrt(1.0 - fraction(s, n));
    const int nx = static_cast<int>(x0 + f * (x1 - x0));
    const int ny = static_cast<int>(y0 + f * (y1 - y0));
    if (target) target->setPosition(nx, ny);
}

void SSC_SpeedyMorph::begin() {
    if (!target) return;
    x0 = static_cast<int>(target->x);
    y0 = static_cast<int>(target->y);
}

void SSC_SpeedyMorph::apply(int s, int n) {
    const double f = ease(fraction(s, n));
    const int nx = x0 + static_cast<int>(f * (x1 - x0));
    const int ny = y0 + static_cast<int>(f * (y1 - y0));
    if (target) target->setPosition(nx, ny);
}

double SSC_SpeedDownTo::ease(double t) const { return std::sqrt(t); }

// ---- frames ----

SSC_FrameMorph::SSC_FrameMorph(PicturePack* framePack, int fromFrame, int toFrame)
    : from(fromFrame), to(toFrame), pack(framePack) {
    setLength(std::abs(from - to) + 1);
}

void SSC_FrameMorph::apply(int, int) {
    if (auto* picture = dynamic_cast<PckSprite*>(target)) picture->setPicture(pack, lin(from, to));
}

SSC_Forward::SSC_Forward(PicturePack* framePack) : SSC_FrameMorph(framePack, 0, frameCount(framePack) - 1) {}

SSC_Backward::SSC_Backward(PicturePack* framePack)
    : SSC_FrameMorph(framePack, frameCount(framePack) - 1, 0) {}

// ---- instant commands ----

bool SSC_SetAlpha::start() {
    if (target) target->setAlpha(alpha);
    return true;
}

bool SSC_SetLayer::start() {
    if (target) target->setLayer(layer);
    return true;
}

bool SSC_SetPck::start() {
    if (auto* picture = dynamic_cast<PckSprite*>(target)) picture->setPicture(pack, frame);
    return true;
}

bool SSC_Move::start() {
    if (target) target->setPosition(x, y);
    return true;
}

bool SSC_Msg::start() {
    notifyOwner(0, message, param);
    return true;
}

SSC_Sound::SSC_Sound(const std::string& name) : sound(Sound_GetId(name, 0)) {}

bool SSC_Sound::start() {
    Sound_PlayId(sound);
    return true;
}

bool SSC_FXDone::start() {
    if (auto* fx = dynamic_cast<FXSprite*>(target)) fx->clearEffects();
    return true;
}
