// Score and lives: counting number displays that roll their shown value
// towards the true one, and the rules that turn matches into points, combos
// and pop-up banners.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "res/text_label.h"
#include "scene/actor.h"

// The message pictures "messages//msg_<name>" by index. 0..4 belong to the
// title card and the between-level states, 5..19 to the score banners.
enum MessageIndex {
    kMsgLevel = 0,
    kMsgLevelDone,
    kMsgStageDone,
    kMsgGameOver,
    kMsgTryAgain,
    kMsgGood,
    kMsgX3,
    kMsgX4,
    kMsgX5,
    kMsgVeryGood,
    kMsgGreat,
    kMsgX8,
    kMsgSuperior,
    kMsgX10,
    kMsgExcellent,
    kMsgFine,
    kMsgMarvelous,
    kMsgCombo1,
    kMsgCombo2,
    kMsgCombo3,
    kMessageCount
};
// "good" for kMsgGood; "" outside the table.
const char* messageName(int index);
// "messages//msg_good" for kMsgGood; "" outside the table.
std::string messagePicture(int index);

// A number display in "font1", right-aligned at its position.
class Counter : public Actor {
public:
    Counter(int x, int y);

    void add(int n) { pending += n; }
    int total() const { return shown + pending; }
    void set(int n);
    // Counts part of the pending amount in: big amounts fast, the last few
    // points one every fourth tick.
    void update() override;
    virtual void redraw();

    // The step the counter takes this tick for what is pending.
    static int stepFor(int pending, int tick);

    int32_t shown = 0;
    int32_t pending = 0;
    TextLabel label;
};

// A group of n balls pays 30 points a ball less 40: three balls 50, and
// each ball more 30 more. Smaller counts pay what three do.
constexpr int kPointsPerBall = 30;
constexpr int kGroupPointsOffset = 40;
constexpr int kSmallestGroup = 3;
constexpr int kPointsBelowGroup = 50;
// Group banners: a new best in each range of sizes.
constexpr int kSmallBannerGroup = 5;
constexpr int kMediumBannerGroup = 10;
constexpr int kLargeBannerGroup = 15;

class Scoring : public Counter {
public:
    Scoring();

    // A matched group: count balls (bonus balls counted twice); lastDelay is
    // the explosion delay of its last ball, when its group banner shows.
    void scoreMatch(int count, int lastDelay);
    void scoreBonus(int n);
    void scoreCrystal(int n);
    // Points without sound (the bonus step between levels).
    void addSilent(int n) { add(n); }
    // A shot settled without a match.
    void resetCombo() { combo = 0; }
    void startLevel();
    // After a lost level: back to the score the level started with.
    void revertLevel();
    // A new game: score 0 and no statistics.
    void resetAll();

    static int pointsFor(int count) {
        return count < kSmallestGroup ? kPointsBelowGroup : kPointsPerBall * count - kGroupPointsOffset;
    }
    // Rating banner for a combo count, or -1 when there is none.
    static int ratingFor(int combo);

    int32_t levelStart = 0;
    int32_t combo = 0;  // 0..14
    int32_t crystalTotal = 0;
    int32_t bestSmall = 0;   // groups of 5..9
    int32_t bestMedium = 0;  // 10..14
    int32_t bestLarge = 0;   // 15 and more

    // The banners are actors of the bonus code; the game actor connects
    // them. ratingBanner: message index, shown at once (layer 400, y 269,
    // speed 1). groupBanner: message index, sound and delay in ticks.
    std::function<void(int message)> ratingBanner;
    std::function<void(int message, const std::string& sound, int delay)> groupBanner;
};

class LifeCounter : public Counter {
public:
    LifeCounter();
};
