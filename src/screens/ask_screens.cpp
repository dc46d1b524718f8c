#include "screens/ask_screens.h"

#include "anim/commands.h"
#include "screens/pictures.h"
#include "screens/tooltip.h"
#include "ui/buttons.h"

namespace {

constexpr int kPictureX = 105, kPictureY = 109;
constexpr int kWaitEffectId = 10;  // not an answer

Button* makeButton(Actor* owner, int index, int x, int y, int layer, int id) {
    auto* b = new Button(buttonPicture(index), x, y, layer);
    b->setOwner(owner, id);
    b->setHoverSound("button_point");
    b->setClickSound("button_click");
    b->sprite()->setAlpha(0);
    return b;
}

SlideShowFX* makeWaitEffect(Actor* owner, int layer) {
    auto* fx = new SlideShowFX;
    fx->setOwner(owner, kWaitEffectId);
    fx->sprite.setLayer(layer);
    return fx;
}

void startWait(SlideShowFX* fx, int x, int y) {
    fx->sprite.clearEffects();
    fx->sprite.setPosition(x, y);
    fx->sprite.addEffect("fx_wait1.fx");
    fx->sprite.setEmitting(true);
}

void disposeEffect(SlideShowFX* fx) {
    if (!fx) return;
    fx->setOwner(nullptr, 0);
    fx->stop();
    fx->kill();
}

}  // namespace

// ---------------------------------------------------------------- AskScreen

AskScreen::AskScreen(int layer) : torches(layer + 1) {
    backdrop.setPicture(pictureByName("_mm_bkg"), 0);
    backdrop.setLayer(layer - 1);
    picture.setPicture(pictureByName("saved"), 0);
    picture.setLayer(layer);
    picture.setPosition(kPictureX, kPictureY);
    picture.setAlpha(0);
    loadButton = makeButton(this, btn::ask_load, 421, 263, layer + 2, kContinue);
    newButton = makeButton(this, btn::ask_new, 186, 263, layer + 2, kNewGame);
    exitButton = makeButton(this, btn::small_exit, 691, 118, layer + 2, kBack);
    waitEffect = makeWaitEffect(this, layer + 1);
}

AskScreen::~AskScreen() {
    for (Button* b : {loadButton, newButton, exitButton}) {
        b->setOwner(nullptr, 0);
        b->kill();
    }
    disposeEffect(waitEffect);
}

int AskScreen::onNotify(int id, int, int, int) {
    if (id != kContinue && id != kNewGame && id != kBack) return 1;
    result = id;
    if (phase == kFadingOut) {
        finishNow();
    } else if (phase == kFadingIn || phase == kShown) {
        startFadeOut();
        onDismissed();
    }
    return 1;
}

void AskScreen::onShown() {
    startWait(waitEffect, kWaitX, kWaitY);
}

void AskScreen::onDismissed() {
    torches.stop();
    waitEffect->sprite.setEmitting(false);
}

void AskScreen::onHidden() {
    notifyOwner(result, 0, 0);
}

void AskScreen::applyAlpha() {
    CAbstractScreen::applyAlpha();
    for (Button* b : {loadButton, newButton, exitButton}) b->sprite()->setAlpha(picture.rs.alpha);
}

int AskScreen::fadeInAlpha(float t) {
    return static_cast<int>(128.0f * t + 128.0f);
}

// ---------------------------------------------------------------- AskScreen2

AskScreen2::AskScreen2(int layer, int questionMode) : torches(layer + 1), mode(questionMode) {
    picture.setPicture(pictureByName("_mm_bkg"), 0);
    picture.setLayer(layer);
    picture.setAlpha(255);
    fadeIn = 0;
    fadeOut = 0;
    question = new ToolTip(layer + 1, kFirstQuestionTip + mode, -1, -1);
    question->setOwner(this, 0);
    // Over the box, whose lines and buttons are on layer + 3.
    waitEffect = makeWaitEffect(this, layer + 4);
}

AskScreen2::~AskScreen2() {
    if (question) {
        question->setOwner(nullptr, 0);
        question->kill();
    }
    disposeEffect(waitEffect);
}

int AskScreen2::onNotify(int id, int, int a, int) {
    if (id != 0 || !question) return 1;
    // The box kills itself once it has answered.
    question = nullptr;
    result = a;
    if (phase == kFadingOut) {
        finishNow();
    } else if (phase == kFadingIn || phase == kShown) {
        startFadeOut();
        onDismissed();
    }
    return 1;
}

void AskScreen2::onShown() {
    // Between the answers, as on the saved-game question; the box's size
    // and place are data.
    int x = 400, y = 300;
    if (question) {
        x = question->centreX;
        y = question->centreY;
        if (Button* b = question->firstButton)
            y = static_cast<int>(b->sprite()->y) + b->sprite()->height() / 2;
    }
    startWait(waitEffect, x, y);
}

void AskScreen2::onDismissed() {
    torches.stop();
    waitEffect->sprite.setEmitting(false);
}

void AskScreen2::onHidden() {
    notifyOwner(result, 0, 0);
}

int AskScreen2::fadeInAlpha(float t) {
    return static_cast<int>(128.0f * t + 128.0f);
}
