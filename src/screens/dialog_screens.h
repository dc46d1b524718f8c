// Screens that fade a picture in, wait for the player and fade it out: the
// base every dialog builds on, a centred picture dismissed by a click, and
// the pause screen shown while the window has lost the focus.
#pragma once

#include <cstdint>

#include "game/reports.h"
#include "scene/actor.h"
#include "scene/input.h"
#include "scene/sprite.h"

class PicturePack;

class CAbstractScreen : public Actor {
public:
    enum Phase { kFadingIn = 0, kShown = 1, kFadingOut = 2, kFinished = 3 };

    CAbstractScreen() = default;
    ~CAbstractScreen() override;
    void update() override;
    // Any report from a child dismisses the screen.
    int onNotify(int id, int msg, int a, int b) override;

    virtual void onShown() {}
    virtual void onDismissed() {}
    virtual void onHidden() {}
    virtual void applyAlpha();
    virtual int fadeInAlpha(float t);
    virtual int fadeOutAmount(float t);

    void startFadeOut();
    // Ends the fade-out at once.
    void finishNow();

    PckSprite picture;
    int32_t phase = kFadingIn;
    int32_t ticks = 0;
    int32_t fadeIn = 40;
    int32_t hold = -1;  // ticks shown before fading out by itself; -1 until dismissed
    int32_t fadeOut = 40;
    int32_t alpha = 0;
    int32_t startAlpha = 0;
};

// A picture centred on the screen that a click sends away.
class TitleScreen : public CAbstractScreen {
public:
    TitleScreen(PicturePack* pack, int layer);
    int onZoneEvent(int event, int value) override;
    void onDismissed() override;
    int fadeInAlpha(float t) override;
    int fadeOutAmount(float t) override;
};

// Shown while the game has lost the focus; tells its owner when it is fully
// up (the frame loop may then rest) and when it has gone.
class PauseScreen : public TitleScreen {
public:
    static constexpr int kShownMsg = report::PauseShown;
    static constexpr int kGoneMsg = report::PauseGone;
    using TitleScreen::TitleScreen;
    void onShown() override;
    void onDismissed() override {}
    void onHidden() override;
    // What a click on the picture does (the pause key's second press).
    void dismiss() { onZoneEvent(ZE_LeftUp, 0); }
};
