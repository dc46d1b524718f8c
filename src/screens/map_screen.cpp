#include "screens/map_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "anim/commands.h"
#include "game/game.h"
#include "game/game_sound.h"
#include "game/scoring.h"
#include "game/level.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

namespace {

constexpr int kBackgroundLayer = 574;
constexpr int kCoverLayer = 577;
constexpr int kLabelLayer = 577;
constexpr int kMarkerLayer = 578;
constexpr int kHighlightLayer = 579;
constexpr int kLockLayer = 580;
constexpr int kFlyingLockLayer = 581;
constexpr int kButtonLayer = 582;
constexpr int kEffectLayer = 582;
constexpr int kOkButton = btn::ok_map;
constexpr int kButtonId = 1;
constexpr int kEffectId = 2;
constexpr int kSlotMsg = 1;
constexpr float kLockFit = 76.0f;
constexpr double kTwoPi = 6.283185307179586;

constexpr int kCoverX[11] = {45, 88, 292, 249, 372, 233, 68, 132, 51, 247, 330};
constexpr int kCoverY[11] = {428, 319, 390, 295, 237, 193, 196, 109, 29, 93, 33};
// Indexed by episode; there is no entry for episode 11.
constexpr int kMarkerX[11] = {33, 42, 87, 292, 250, 373, 235, 68, 131, 48, 257};
constexpr int kMarkerY[11] = {330, 447, 335, 402, 311, 256, 216, 210, 117, 46, 112};

}  // namespace

bool CMapScreen::markerAt(int e, int& x, int& y) {
    if (e < 0 || e >= static_cast<int>(std::size(kMarkerX))) return false;
    x = kMarkerX[e];
    y = kMarkerY[e];
    return true;
}

CMapScreen::CMapScreen(Actor* newOwner, int levelNumber, bool done, int scoreTotal, int crystalTotal) {
    setOwner(newOwner, 0);
    background = new SlideShow;
    background->sprite.setPicture(pictureByName("mapa"), 0);
    background->sprite.setLayer(kBackgroundLayer);
    okButton = new Button(buttonPicture(kOkButton), 524, 510, kButtonLayer);
    okButton->setOwner(this, kButtonId);
    okButton->setClickSound("button_click");
    okButton->setHoverSound("button_point");
    char text[32];
    scoreLabel = std::make_unique<TextLabel>();
    bonusLabel = std::make_unique<TextLabel>();
    for (auto [label, value, y] :
         {std::tuple{scoreLabel.get(), scoreTotal, 50}, std::tuple{bonusLabel.get(), crystalTotal, 119}}) {
        label->setFont(pictureByName("font1"));
        label->setLayer(kLabelLayer);
        label->setPosition(625, y);
        std::snprintf(text, sizeof text, "%d", value);
        label->setText(text);
    }
    for (std::unique_ptr<PckSprite>& cover : covers) {
        cover = std::make_unique<PckSprite>();
        cover->setLayer(kCoverLayer);
        cover->setVisible(false);
    }
    marker = new SlideShow;
    highlight = new SlideShow;
    for (SlideShow*& lock : locks) {
        lock = new SlideShow;
        lock->sprite.setVisible(false);
        lock->sprite.setScaleAboutCentre(true);
    }
    effect = new SlideShowFX;
    effect->sprite.setLayer(kEffectLayer);
    effect->setOwner(this, kEffectId);
    fly(levelNumber, done);
}

CMapScreen::~CMapScreen() {
    scoreLabel.reset();
    bonusLabel.reset();
    for (std::unique_ptr<PckSprite>& cover : covers) cover.reset();
    okButton->setOwner(nullptr, 0);
    okButton->kill();
    background->kill();
    marker->kill();
    highlight->kill();
    for (SlideShow* lock : locks) lock->kill();
    effect->setOwner(nullptr, 0);
    effect->kill();
}

void CMapScreen::showMarker(int e) {
    int x = 0, y = 0;
    // Episodes without a place on the map have no marker rather than one
    // read from beyond the table.
    if (!markerAt(e, x, y)) {
        marker->sprite.setPicture(nullptr, 0);
        highlight->sprite.setPicture(nullptr, 0);
        marker->sprite.setVisible(false);
        highlight->sprite.setVisible(false);
        return;
    }
    marker->sprite.setPicture(mapMarkerPicture(e), 0);
    marker->sprite.setLayer(kMarkerLayer);
    marker->sprite.setPosition(x, y);
    marker->sprite.setVisible(true);
    highlight->sprite.setPicture(mapHighlightPicture(e), 0);
    highlight->sprite.setLayer(kHighlightLayer);
    highlight->sprite.setPosition(x, y);
    highlight->sprite.setVisible(true);
}

void CMapScreen::placeLock(int slot, int layer) {
    PckSprite& s = locks[static_cast<size_t>(slot)]->sprite;
    // The magnets of the episode's levels, by their place in it.
    s.setPicture(lockPicture(magnetOfLevel(slot + 1)), 0);
    s.setLayer(layer);
    s.centreHotSpot();
    const int size = std::max(s.width(), s.height());
    const float k = size > 0 ? kLockFit / static_cast<float>(size) : 1.0f;
    lockScale[static_cast<size_t>(slot)] = k;
    s.setScale(k, k);
    s.setPosition(slotX(slot) - s.width() / 2, slotY(slot) - s.height() / 2);
    s.setVisible(true);
}

void CMapScreen::fly(int n, bool done) {
    phase = kBuilt;
    episode = -1;
    pulse = 0;
    pulseStep = 5;
    level = n % 10;
    const int e = n / 10;
    if (e == 0) {
        notifyOwner(0, 0, 0);
        kill();
        return;
    }
    episode = e;
    episodeDone = done;
    const int c = std::min(e, kEpisodes);
    for (int i = c; i < kEpisodes; ++i) {
        covers[static_cast<size_t>(i)]->setPicture(mapPicture(i + 1), 0);
        covers[static_cast<size_t>(i)]->setPosition(kCoverX[i], kCoverY[i]);
        covers[static_cast<size_t>(i)]->setVisible(true);
    }
    showMarker(c);
    // Where the lock and the splash set off: the marker's middle.
    int fromX = 400, fromY = 300;
    if (marker->sprite.visible && marker->sprite.pack) {
        fromX = static_cast<int>(marker->sprite.x) + marker->sprite.width() / 2;
        fromY = static_cast<int>(marker->sprite.y) + marker->sprite.height() / 2;
    }
    const int slot = std::clamp(level - 1, 0, kSlots - 1);
    for (int s = 0; s < slot; ++s) placeLock(s, kLockLayer);

    placeLock(slot, kFlyingLockLayer);
    SlideShow* flying = locks[static_cast<size_t>(slot)];
    const int w = flying->sprite.width(), h = flying->sprite.height();
    flying->sprite.setPosition(fromX - w / 2, fromY - h / 2);
    flying->sprite.setAlpha(96);
    flying->enqueue(new SSC_Dual(timed<SSC_DamperedMorphTo>(kFlyTicks, slotX(slot) - w / 2, slotY(slot) - h / 2),
                                 timed<SSC_RotateFromTo>(kFlyTicks, kTwoPi, 0.0),
                                 timed<SSC_AlphaFromTo>(kFlyTicks, 96.0f, 255.0f)));
    playGameSound("magnit_map_fly");

    effect->sprite.setPosition(fromX, fromY);
    effect->sprite.addEffect("fx_m_splashes.fx");
    effect->enqueue(timed<SSC_DamperedMorphTo>(kFlyTicks, slotX(slot), slotY(slot)));
    effect->enqueue(new SSC_Msg(kSlotMsg, slot));
    phase = kLockFlying;
}

int CMapScreen::onNotify(int id, int, int a, int b) {
    if (id == kButtonId) {
        finish();
        return 1;
    }
    if (id != kEffectId || a != kSlotMsg || dead) return 1;
    const int s = std::clamp(b, 0, kSlots - 1);
    const int x = slotX(s), y = slotY(s);
    switch (phase) {
        case kLockFlying:
            playGameSound("magnit_map_epl");
            effect->sprite.clearEffects();
            effect->sprite.setPosition(x, y);
            effect->sprite.addEffect("fx_m_explode.fx");
            effect->enqueue(new SSC_Wait(20));
            effect->enqueue(new SSC_Msg(kSlotMsg, s));
            if (episodeDone) {
                if (episode >= 0 && episode < kEpisodes) covers[static_cast<size_t>(episode)]->setVisible(false);
                showMarker(episode + 1);
                phase = kEpisodeDone;
            } else {
                phase = kLevelDone;
            }
            break;
        case kLevelDone:
            effect->sprite.clearEffects();
            effect->sprite.setPosition(x, y);
            effect->sprite.addEffect("fx_m_wait.fx");
            phase = kIdle;
            break;
        case kEpisodeDone:
            effect->sprite.clearEffects();
            for (int i = 0; i < level && i < kSlots; ++i) {
                SlideShow* lock = locks[static_cast<size_t>(i)];
                const double k = lockScale[static_cast<size_t>(i)];
                lock->enqueue(new SSC_Wait(20 * i + 1));
                lock->enqueue(new SSC_Dual(timed<SSC_ScaleFromTo>(kFlyTicks, k, 5 * k),
                                           timed<SSC_RotateFromTo>(kFlyTicks, kTwoPi, 0.0),
                                           timed<SSC_Dissapear>(kFlyTicks)));
            }
            phase = kIdle;
            break;
        default: break;
    }
    return 1;
}

void CMapScreen::finish() {
    if (dead) return;
    effect->sprite.setEmitting(false);
    notifyOwner(0, 0, 0);
    kill();
}

void CMapScreen::update() {
    pulse += pulseStep;
    if (pulse >= 256) {
        pulseStep = -pulseStep;
        pulse = 255;
    }
    if (pulse < 0) {
        pulseStep = -pulseStep;
        pulse = 0;
    }
    highlight->sprite.setAlpha(pulse);
}

Actor* makeMapScreen(Game& g) {
    return new CMapScreen(&g, g.levelNumber(), g.isLastOfEpisode(), g.scoring->total(), g.scoring->crystalTotal);
}
