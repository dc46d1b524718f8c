#include "screens/startup_screens.h"

#include <algorithm>

#include "anim/commands.h"
#include "frame/log.h"
#include "frame/settings.h"
#include "frame/system.h"
#include "gfx/particles.h"
#include "res/picture_pack.h"
#include "scene/input.h"
#include "screens/pictures.h"
#include "sound/sound.h"
#include "ui/buttons.h"

namespace {

constexpr int kZoneMask = 1535;        // every mouse event but the wheel, opaque
constexpr int kLeavingZoneMask = 511;  // the same, letting clicks through
constexpr int kSequenceDone = 1;       // what the title's sequences report when their animation ends
constexpr int kTitleBackground = 11;   // "title" in the background list

// Title layers, bottom to top.
constexpr int kBackLayer = 670;
constexpr int kGateLayer = 671;
constexpr int kFrontLayer = 672;
constexpr int kLoadBarLayer = 673;
constexpr int kCoinLayer = 674;
constexpr int kBlindLayer = 675;
constexpr int kLoadBarX = 226, kLoadBarY = 551;
constexpr int kFirstCoinX = 245, kCoinSpacing = 9, kCoinY = 566;
constexpr int kGateY = 150;
constexpr int kLeftGateX = 58, kRightGateX = 400;
constexpr int kLeftGateOpenX = -342, kRightGateOpenX = 800;
constexpr float kBlindScale = 100.0f;

int clampAlpha(int a) {
    return std::clamp(a, 0, 255);
}

// Fades from half to full opacity over `length` ticks.
int halfToFull(int ticks, int length) {
    return static_cast<int>(static_cast<double>(ticks) / length * 128.0 + 128.0);
}

// The comic's and the credits' page: fades in from half alpha over
// fadeInTicks, waits, then fades out by 10 a tick. Phases 0 fading in,
// 1 shown, 2 fading out, 3 gone; true on the tick the page has gone.
bool pageFadeStep(int32_t& phase, int32_t& ticks, int32_t& alpha, int fadeInTicks) {
    if (phase == 0) {
        alpha = halfToFull(++ticks, fadeInTicks);
        if (alpha > 254) {
            alpha = 255;
            phase = 1;
        }
    } else if (phase == 2) {
        alpha -= 10;
        if (alpha < 0) {
            phase = 3;
            return true;
        }
    }
    return false;
}

SlideShow* picture(Actor* owner, PicturePack* pack, int layer, int x, int y, int alpha) {
    auto* show = new SlideShow;
    show->setOwner(owner, 0);
    show->sprite.setPicture(pack, 0);
    show->sprite.setLayer(layer);
    show->sprite.setPosition(x, y);
    show->sprite.setAlpha(alpha);
    return show;
}

void setUsualSounds(Button* b) {
    b->setClickSound("button_click");
    b->setHoverSound("button_point");
}

int packWidth(PicturePack* pack) {
    return pack ? pack->frameWidth(0) : 0;
}

// Buttons and sequences die with their owner, and report nothing to it on
// the way out.
void dispose(Actor* child) {
    if (!child) return;
    child->setOwner(nullptr, 0);
    child->kill();
}

}  // namespace

// ------------------------------------------------------------- logo

CLogoScreen::CLogoScreen(PicturePack* pack, int layer) {
    picture.setPicture(pack, 0);
    picture.setLayer(layer);
    picture.setPosition(0, 0);
    picture.setAlpha(255);
}

void CLogoScreen::update() {
    switch (phase) {
        case kShowing:
            if (++ticks >= kShowTicks) {
                ticks = 0;
                phase = kFading;
            }
            break;
        case kFading: {
            ++ticks;
            const double t = static_cast<double>(ticks) / kFadeTicks;
            alpha = std::max(0, static_cast<int>((1.0 - t * t) * 255.0));
            if (ticks >= kFadeTicks) phase = kDone;
            picture.setAlpha(alpha);
            break;
        }
        case kDone:
            phase = kReported;
            notifyOwner(0, 0, 0);
            kill();
            break;
        default:
            break;
    }
}

// ------------------------------------------------------------- title

TitleScreenv2::TitleScreenv2() {
    back = picture(this, backPicture(kTitleBackground), kBackLayer, 0, 0, 0);
    back->sprite.setScaleAboutCentre(true);
    back->sprite.attachZone(kZoneMask, this, 0);
    PicturePack* gate = pictureByName("title_gate_left");
    leftGate = picture(this, gate, kGateLayer, kLeftGateX, kGateY, 0);
    rightGate = picture(this, gate, kGateLayer, kRightGateX, kGateY, 0);
    rightGate->sprite.setScaleAboutCentre(true);
    rightGate->sprite.setScale(-1.0f, 1.0f);
    front = picture(this, frontPicture(kTitleBackground), kFrontLayer, 0, 0, 0);
    loadBar = picture(this, pictureByName("load_bar"), kLoadBarLayer, kLoadBarX, kLoadBarY, 0);
    for (SlideShow*& coin : coins) coin = picture(this, nullptr, kCoinLayer, 0, 0, 255);
    blind = picture(this, pictureByName("black"), kBlindLayer, 0, 0, 0);
    blind->sprite.setScale(kBlindScale, kBlindScale);
    effect = new SlideShowFX;
    effect->setOwner(this, 0);

    countdown = 5;
    phase = kFadingIn;
    step = 0;
    for (SlideShow* s : {back, leftGate, rightGate, front, loadBar}) {
        s->enqueue(timed<SSC_Appear>(kFadeInTicks));
        s->enqueue(new SSC_Msg(kSequenceDone, 0));
    }
}

TitleScreenv2::~TitleScreenv2() {
    back->sprite.detachZone();
    for (SlideShow* s : {back, leftGate, rightGate, front, loadBar, blind}) dispose(s);
    for (SlideShow* coin : coins) dispose(coin);
    dispose(effect);
    dispose(clickButton);
}

void TitleScreenv2::update() {
    if (phase != kLoading) return;
    SlideShow* coin = coins[static_cast<size_t>(std::clamp(step, 0, kLastStep))];
    coin->sprite.setPicture(pictureByName("coin"), 0);
    coin->sprite.setPosition(kFirstCoinX + kCoinSpacing * step, kCoinY);
    preloadPictures(step);
    // The sound effects too, a few in each step that loads no pictures: one
    // decoded at its first play would hold up a logic tick in a game.
    if (!preloadStepLoadsPictures(step)) {
        int free = 0, index = 0;
        for (int s = 0; s <= kLastStep; ++s) {
            if (preloadStepLoadsPictures(s)) continue;
            if (s < step) ++index;
            ++free;
        }
        Sound_PreloadFolderPart(index, free);
    }
    if (++step <= kLastStep) return;

    loadBar->sprite.setPicture(nullptr, 0);
    for (SlideShow* c : coins) c->sprite.setPicture(nullptr, 0);
    countdown = 2;
    leftGate->enqueue(timed<SSC_MorphTo>(kGateTicks, kLeftGateOpenX, kGateY));
    leftGate->enqueue(new SSC_Msg(kSequenceDone, 0));
    rightGate->enqueue(timed<SSC_MorphTo>(kGateTicks, kRightGateOpenX, kGateY));
    rightGate->enqueue(new SSC_Msg(kSequenceDone, 0));
    Sound_Play("doors_open");
    phase = kOpening;
}

int TitleScreenv2::onNotify(int id, int, int a, int) {
    if (id == kButtonId) {
        leave();
    } else if (id == 0 && a == kSequenceDone) {
        sequenceDone();
    }
    return 1;
}

void TitleScreenv2::sequenceDone() {
    if (countdown <= 0 || --countdown > 0) return;
    switch (phase) {
        case kFadingIn:
            phase = kLoading;
            break;
        case kOpening:
            for (SlideShow* s : {leftGate, rightGate, front}) s->sprite.setPicture(nullptr, 0);
            clickButton = new Button(buttonPicture(btn::clickhere), kLoadBarX, kLoadBarY, kCoinLayer);
            clickButton->setOwner(this, kButtonId);
            setUsualSounds(clickButton);
            phase = kWaiting;
            // How long a start takes, for whoever measures it (-v).
            logPrintf(LogLevel::Debug, "vellmoor: the title is ready %llu ms after the start",
                      static_cast<unsigned long long>(sys::ticksMs()));
            break;
        case kLeaving:
            effect->sprite.setEmitting(false);
            kill();
            break;
        default:
            break;
    }
}

int TitleScreenv2::onZoneEvent(int event, int) {
    if (event == ZE_LeftUp) leave();
    return 0;
}

void TitleScreenv2::skip() {
    leave();
}

void TitleScreenv2::leave() {
    if (phase != kWaiting) return;
    phase = kLeaving;
    effect->sprite.clearEffects();
    effect->sprite.setPosition(400, 300);
    effect->sprite.addEffect("fx_title.fx");
    effect->sprite.setEmitting(true);
    dispose(clickButton);
    clickButton = nullptr;
    countdown = 2;
    back->enqueue(timed<SSC_Dissapear>(kFadeOutTicks));
    back->enqueue(new SSC_Msg(kSequenceDone, 0));
    back->sprite.attachZone(kLeavingZoneMask, this, 0);
    blind->enqueue(new SSC_Msg(kSequenceDone, 0));
    Sound_Play("button_click");
    // At once, so the next screen builds while the title fades out above it.
    notifyOwner(0, 0, 0);
}

// ------------------------------------------------------------- comic

CComixScreen::CComixScreen(int layer) : torches(layer + 1) {
    page.setPicture(comixPicture(0), 0);
    page.setLayer(layer);
    page.setPosition(400 - page.width() / 2, 300 - page.height() / 2);
    page.setAlpha(0);
    Sound_SetMusicOrder(getIniInt("Sound", "story1", 0));
    PicturePack* ok = buttonPicture(btn::options_ok);
    okButton = new Button(ok, 400 - packWidth(ok) / 2, kButtonY, layer + 1);
    okButton->setOwner(this, kOkId);
    setUsualSounds(okButton);
    okButton->sprite()->setAlpha(0);
    phase = kFadingIn;
}

CComixScreen::~CComixScreen() {
    killAllParticles();
    dispose(okButton);
}

void CComixScreen::update() {
    if (pageFadeStep(phase, ticks, alpha, kFadeInTicks)) {
        notifyOwner(0, 0, 0);
        kill();
    }
    page.setAlpha(clampAlpha(alpha));
    okButton->sprite()->setAlpha(clampAlpha(alpha));
}

int CComixScreen::onNotify(int id, int, int, int) {
    if (id == kOkId && (phase == kFadingIn || phase == kShown)) {
        torches.stop();
        phase = kFadingOut;
    }
    return 1;
}

// ------------------------------------------------------------- credits

CreditsScreen::CreditsScreen(PicturePack* background, PicturePack* platePack, int layer)
    : torches(layer + 1) {
    backdrop.setPicture(background, 0);
    backdrop.setLayer(layer);
    backdrop.setPosition(0, 0);
    backdrop.setAlpha(255);
    backdrop.attachZone(kZoneMask, this, 0);
    plate.setPicture(platePack, 0);
    plate.setLayer(layer + 1);
    plate.setPosition(400 - plate.width() / 2, 300 - plate.height() / 2);
    plate.setAlpha(0);
    plate.attachZone(kZoneMask, this, 1);
}

CreditsScreen::~CreditsScreen() {
    backdrop.detachZone();
    plate.detachZone();
    torches.stop();
}

void CreditsScreen::update() {
    if (pageFadeStep(phase, ticks, alpha, kFadeInTicks)) {
        notifyOwner(0, 0, 0);
        kill();
    }
    plate.setAlpha(clampAlpha(alpha));
}

int CreditsScreen::onZoneEvent(int event, int) {
    if (event == ZE_LeftUp && phase == kShown) phase = kFadingOut;
    return 0;
}
