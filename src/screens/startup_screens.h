// The screens around the menus that play by themselves: the two logos, the
// title with its loading bar and opening gates, the comic before a new game
// and the credits. Each reports (0, 0, 0) to its owner exactly once, when the
// owner may move on, and then kills itself.
#pragma once

#include <array>
#include <cstdint>

#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/torches.h"

class Button;
class PicturePack;
class SlideShow;
class SlideShowFX;

// A full-screen picture shown for 162 ticks and faded out over 40; it
// reports on the tick after the fade. Nothing the player does shortens it.
class CLogoScreen : public Actor {
public:
    enum Phase { kShowing = 0, kFading = 1, kDone = 2, kReported = 3 };
    static constexpr int kShowTicks = 162;
    static constexpr int kFadeTicks = 40;

    CLogoScreen(PicturePack* pack, int layer);
    void update() override;

    PckSprite picture;
    int32_t phase = kShowing;
    int32_t ticks = 0;
    int32_t alpha = 255;
};

// The title: its pictures fade in, a coin is added to the load bar for each
// preloading step (one step per tick), then the gates slide apart and the
// "clickhere" button waits for the player. A click on the picture, the
// button or any key (skip()) reports at once and fades the title out above
// whatever the owner builds next.
class TitleScreenv2 : public Actor {
public:
    enum Phase { kFadingIn = 0, kLoading = 1, kWaiting = 2, kOpening = 3, kLeaving = 4 };
    static constexpr int kCoins = 35;
    static constexpr int kLastStep = kCoins - 1;
    static constexpr int kButtonId = 10;
    static constexpr int kFadeInTicks = 40;
    static constexpr int kGateTicks = 80;
    static constexpr int kFadeOutTicks = 80;

    TitleScreenv2();
    ~TitleScreenv2() override;
    int onZoneEvent(int event, int value) override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;
    // Leaves like a click, once the player may leave; ignored before.
    void skip();

    SlideShow* back = nullptr;
    SlideShow* leftGate = nullptr;
    SlideShow* rightGate = nullptr;
    SlideShow* front = nullptr;
    SlideShow* loadBar = nullptr;
    std::array<SlideShow*, kCoins> coins{};
    SlideShow* blind = nullptr;
    SlideShowFX* effect = nullptr;
    Button* clickButton = nullptr;
    int32_t phase = kFadingIn;
    int32_t countdown = 0;
    int32_t step = 0;

private:
    void leave();
    void sequenceDone();
};

// The story page before a new game, with the music on the story tune. OK
// fades it out, also while it is still fading in.
class CComixScreen : public Actor {
public:
    enum Phase { kFadingIn = 0, kShown = 1, kFadingOut = 2, kGone = 3 };
    static constexpr int kOkId = 100;
    static constexpr int kFadeInTicks = 40;
    static constexpr int kButtonY = 520;

    explicit CComixScreen(int layer);
    ~CComixScreen() override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    PckSprite page;
    Button* okButton = nullptr;
    Torches torches;
    int32_t phase = kFadingIn;
    int32_t ticks = 0;
    int32_t alpha = 0;
};

// The credits plate over the menu backdrop; a click once it is fully shown
// fades it out.
class CreditsScreen : public Actor {
public:
    enum Phase { kFadingIn = 0, kShown = 1, kFadingOut = 2, kGone = 3 };
    static constexpr int kFadeInTicks = 50;

    CreditsScreen(PicturePack* background, PicturePack* platePack, int layer);
    ~CreditsScreen() override;
    void update() override;
    int onZoneEvent(int event, int value) override;

    PckSprite backdrop;
    PckSprite plate;
    Torches torches;
    int32_t phase = kFadingIn;
    int32_t ticks = 0;
    int32_t alpha = 0;
};
