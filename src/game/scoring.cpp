#include "game/scoring.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/game_sound.h"
#include "game/hud.h"

namespace {

const char* const kMessageNames[kMessageCount] = {
    "level", "leveldone", "stagedone", "gameover", "tryagain", "good",      "x3",     "x4",     "x5",    "verygood",
    "great", "x8",        "superior",  "x10",      "excellent", "fine",     "marvelous", "combo1", "combo2", "combo3"};

// Rating banners by combo count 2..14.
const int kRatings[15] = {-1,          -1,    kMsgGood,     kMsgX3,        kMsgX4,
                          kMsgX5,      kMsgVeryGood, kMsgGreat, kMsgX8,  kMsgSuperior,
                          kMsgX10,     kMsgFine,     kMsgMarvelous, kMsgExcellent, kMsgExcellent};

constexpr int kMaxCombo = 14;
constexpr int kShownModulus = 10000000;  // the display has room for seven digits

}  // namespace

const char* messageName(int index) { return index >= 0 && index < kMessageCount ? kMessageNames[index] : ""; }

std::string messagePicture(int index) {
    if (index < 0 || index >= kMessageCount) return {};
    return std::string("messages//msg_") + kMessageNames[index];
}

// ---- Counter ----

Counter::Counter(int x, int y) {
    label.setFont(hudFont());
    label.setAlign(1);
    label.setLayer(kHudLayer);
    label.setPosition(x, y);
    redraw();
}

void Counter::set(int n) {
    shown = n;
    pending = 0;
    redraw();
}

int Counter::stepFor(int p, int tick) {
    // The further the display lags, the faster it counts: a step every so
    // many ticks, by more the larger what is still to come.
    struct Pace {
        int64_t above;
        int step, everyTicks;
    };
    static constexpr Pace kPaces[] = {{10000, 1000, 1}, {1000, 100, 1}, {100, 10, 2}, {20, 5, 3}, {-1, 1, 4}};
    const int64_t a = std::llabs(static_cast<int64_t>(p));
    for (const Pace& pace : kPaces) {
        if (a <= pace.above) continue;
        const int s = tick % pace.everyTicks == 0 ? pace.step : 0;
        return p < 0 ? -s : s;
    }
    return 0;
}

void Counter::update() {
    if (pending == 0) return;
    const int s = stepFor(pending, tickCount());
    shown += s;
    pending -= s;
    redraw();
}

void Counter::redraw() {
    char text[16];
    std::snprintf(text, sizeof text, "%d", shown % kShownModulus);
    label.setText(text);
}

// ---- Scoring ----

Scoring::Scoring() : Counter(113, 6) {}

int Scoring::ratingFor(int c) { return c >= 0 && c <= kMaxCombo ? kRatings[c] : -1; }

void Scoring::scoreMatch(int count, int lastDelay) {
    char sound[32];
    std::snprintf(sound, sizeof sound, "ball_gather%02d", combo + 1);
    playGameSound(sound);
    combo = std::min(combo + 1, kMaxCombo);
    if (combo >= 2) {
        const int rating = ratingFor(combo);
        if (rating >= 0 && ratingBanner) ratingBanner(rating);
    }
    playGameSound("score_add");

    // A group banner once per size range and level, for a new best; it pops
    // up when the group's last ball explodes.
    int banner = -1;
    const char* bannerSound = nullptr;
    if (count >= kSmallBannerGroup && count < kMediumBannerGroup && count > bestSmall) {
        bestSmall = count;
        banner = kMsgCombo1, bannerSound = "ball_combo_1";
    } else if (count >= kMediumBannerGroup && count < kLargeBannerGroup && count > bestMedium) {
        bestMedium = count;
        banner = kMsgCombo2, bannerSound = "ball_combo_2";
    } else if (count >= kLargeBannerGroup && count > bestLarge) {
        bestLarge = count;
        banner = kMsgCombo3, bannerSound = "ball_combo_3";
    }
    if (banner >= 0 && groupBanner) groupBanner(banner, bannerSound, lastDelay);

    add(pointsFor(count));
}

void Scoring::scoreBonus(int n) {
    if (n == 0) return;
    playGameSound("score_bonus");
    add(n);
}

void Scoring::scoreCrystal(int n) {
    if (n == 0) return;
    crystalTotal += n;
    playGameSound("score_bonus");
    add(n);
}

void Scoring::startLevel() {
    levelStart = total();
    combo = 0;
    crystalTotal = 0;
    bestSmall = bestMedium = bestLarge = 0;
}

void Scoring::revertLevel() {
    // Points of the lost level still counting in must not arrive afterwards:
    // the total, not only the display, goes back to the level's start.
    set(levelStart);
}

void Scoring::resetAll() {
    set(0);
    startLevel();
}

// ---- LifeCounter ----

LifeCounter::LifeCounter() : Counter(250, 1) {}
