#include "screens/dialog_screens.h"

#include <algorithm>

#include "res/picture_pack.h"
#include "scene/input.h"

namespace {
constexpr int kZoneMask = 1535;  // every mouse event but the wheel
}

CAbstractScreen::~CAbstractScreen() { picture.detachZone(); }

void CAbstractScreen::update() {
    switch (phase) {
        case kFadingIn:
            ++ticks;
            // A fade of no length ends at once on its end value.
            alpha = fadeIn > 0 ? fadeInAlpha(static_cast<float>(ticks) / static_cast<float>(fadeIn)) : 255;
            if (ticks >= fadeIn) {
                phase = kShown;
                alpha = 255;
                ticks = 0;
                onShown();
            }
            applyAlpha();
            break;
        case kShown:
            if (hold >= 0 && ++ticks >= hold) {
                startFadeOut();
                onDismissed();
            }
            break;
        case kFadingOut:
            ++ticks;
            alpha = fadeOut > 0
                        ? startAlpha - fadeOutAmount(static_cast<float>(ticks) / static_cast<float>(fadeOut))
                        : 0;
            if (ticks >= fadeOut) {
                alpha = 0;
                ticks = 0;
                phase = kFinished;
                onHidden();
            }
            applyAlpha();
            break;
        default: kill(); break;
    }
}

int CAbstractScreen::onNotify(int, int, int, int) {
    if (phase == kFadingIn || phase == kShown) {
        startFadeOut();
        onDismissed();
    }
    return 1;
}

// A fade-out begun before the fade-in ended would go below zero.
void CAbstractScreen::applyAlpha() { picture.setAlpha(std::clamp(alpha, 0, 255)); }
int CAbstractScreen::fadeInAlpha(float t) { return static_cast<int>(255.0f * t); }
int CAbstractScreen::fadeOutAmount(float t) { return static_cast<int>(static_cast<float>(startAlpha) * t); }

void CAbstractScreen::startFadeOut() {
    startAlpha = alpha;
    phase = kFadingOut;
    ticks = 0;
}

void CAbstractScreen::finishNow() {
    phase = kFinished;
    alpha = 0;
    applyAlpha();
    onHidden();
}

TitleScreen::TitleScreen(PicturePack* pack, int layer) {
    picture.setPicture(pack, 0);
    picture.setLayer(layer);
    picture.setPosition(400 - picture.width() / 2, 300 - picture.height() / 2);
    picture.setAlpha(0);
    picture.attachZone(kZoneMask, this, 0);
    fadeIn = 20;
    fadeOut = 10;
}

int TitleScreen::onZoneEvent(int event, int) {
    if (event != ZE_LeftUp) return 0;
    if (phase == kShown) {
        startFadeOut();
        onDismissed();
    } else if (phase == kFadingOut) {
        finishNow();
    }
    return 0;
}

void TitleScreen::onDismissed() { notifyOwner(0, 0, 0); }
int TitleScreen::fadeInAlpha(float t) { return static_cast<int>(128.0f * t + 128.0f); }
int TitleScreen::fadeOutAmount(float t) { return static_cast<int>(255.0f * t); }

void PauseScreen::onShown() { notifyOwner(kShownMsg, 0, 0); }
void PauseScreen::onHidden() { notifyOwner(kGoneMsg, 0, 0); }
