// Rewards on the field: the bonus step that fires triggered bonus balls, the
// falling crystals the gun catches, and the pop-up banners the game uses for
// its messages (ratings, group sizes, the level title card).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/actor.h"

class Cannon;
class PhysicsField;
class PicturePack;
class SlideShow;
class SlideShowFX;

// ---------------------------------------------------------------- bonus step

enum BonusKind : int {
    kBonusBomb = 0,
    kBonusInk = 1,
    kBonusRocket = 2,
    kBonusDegauss = 3,
    kBonusFireball = 4,
    kBonusLightning = 5,
    kBonusMegaLightning = 6,
    kBonusMegaFireball = 7,
    kBonusKindCount
};

// The sound a bonus kind plays when it fires; "" outside the table.
const char* bonusSound(int kind);
// Reach of the bomb and the ink, and half the width of the rocket's column,
// in field units for the current ball size.
double bonusRadius();
double rocketHalfWidth();

// What the bonus step needs from the game. Empty members fall back to the
// field's hooks (points with a sound, the next colour) or do nothing.
struct BonusScoring {
    std::function<void(int)> addSilent;   // pending points without a sound
    std::function<void(int)> scoreBonus;  // points with "score_bonus"
    std::function<int(int)> nextColour;   // a colour on the field, not the argument
};

// Once per logic tick after the match search: fires every triggered bonus
// ball with the level's bonus kind.
void fireBonuses(PhysicsField& f, const BonusScoring& scoring);

// ---------------------------------------------------------------- crystals

// Where the gun catches: crystals below `line` (pixels) whose span overlaps
// [left, right] are caught. An empty span (left > right) catches nothing.
struct CatchBand {
    double line = 600.0;
    int left = 1;
    int right = 0;
};
CatchBand gunCatchBand(const Cannon* gun);

class Crystals;

class CBonusPlus : public Actor {
public:
    enum State : int32_t { kNew = 0, kFalling = 1, kMissed = 2, kCaught = 3, kFinished = 4 };

    CBonusPlus(int px, int py, Crystals* home);
    ~CBonusPlus() override;
    void update() override;
    // Counts the crystal: sound, points, the burst; then it fades out.
    void catchCrystal();

    int32_t state = kNew;
    int32_t ticks = 0;
    int32_t alpha = 255;
    double x = 0, y = 0, vx = 0, vy = 0, g = 0.1;
    int32_t value = 1000;
    uint8_t frozen = 0;
    SlideShow* picture = nullptr;
    SlideShowFX* effect = nullptr;
    Crystals* home = nullptr;  // not owned; cleared when the list goes first

private:
    void move();
    void place();
    void finish();
};

// The game's live crystals: dropped by large matches, counted by the gun or
// at the moment the field is cleared.
class Crystals {
public:
    Crystals() = default;
    ~Crystals();
    Crystals(const Crystals&) = delete;
    Crystals& operator=(const Crystals&) = delete;

    CBonusPlus* dropCrystal(int x, int y);
    // Level cleared: every crystal still in the air counts.
    void collectCrystals();
    void pause();
    void resume();
    void forget(CBonusPlus* crystal);
    const std::vector<CBonusPlus*>& live() const { return list_; }

    const Cannon* gun = nullptr;            // not owned; may be null
    std::function<void(int)> scoreCrystal;  // crystal total and pending points

private:
    std::vector<CBonusPlus*> list_;
};

// ---------------------------------------------------------------- banners

// A picture that pops out at the centre and drifts away; successive banners
// leave in the four diagonal directions in turn.
class Bonus : public Actor {
public:
    Bonus(PicturePack* pic, int layer, int y, float speed);
    ~Bonus() override;
    void update() override;

    // The direction the next banner takes (0..3).
    static int32_t nextDirection;

    int32_t phase = 0;
    float x = 0, y = 0, vx = 0, vy = 0;
    float scale = 1.0f;
    int32_t alpha = 196;
    int32_t shrinkTicks = 0;  // ticks of shrinking so far
    int32_t fadeTicks = 0;    // ticks of fading so far
    SlideShow* picture = nullptr;

private:
    void place();
};

// Waits, plays a sound, then pops a Bonus.
class DelayedBonusWithSound : public Actor {
public:
    DelayedBonusWithSound(PicturePack* pic, int layer, int y, const std::string& sound, int delay);
    ~DelayedBonusWithSound() override;
    int onNotify(int id, int msg, int a, int b) override;

    PicturePack* pack;  // not owned
    int32_t layer, y;
    SlideShow* sequence = nullptr;
};

// A pulsing picture that shrinks away when told to leave; it reports
// (0, 1, 0) to its owner when gone.
class BonusSpoiler : public Actor {
public:
    BonusSpoiler(PicturePack* pic, int layer, int y);
    ~BonusSpoiler() override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;
    void leave();

    int32_t phase = 1;
    int32_t t = 0;
    int32_t dir = 1;
    int32_t shrink = 0;
    float scale = 1.0f;
    float leaveScale = 1.0f;
    SlideShow* picture = nullptr;
};

// The level title card: the "level" message from the left, the level digits
// from the right; it fades out over the last ticks of its countdown.
class BonusLevelSpoiler : public Actor {
public:
    BonusLevelSpoiler(PicturePack* pic, int layer, int ignored, PicturePack* digits, int levelNumber);
    ~BonusLevelSpoiler() override;
    void update() override;
    void leave();

    static constexpr int kSlideTicks = 25;
    static constexpr int kLeaveTicks = 80;
    int32_t count = kLeaveTicks;
    uint8_t leaving = 0;
    int32_t alpha = 255;
    std::vector<SlideShow*> pictures;  // the message first, then the digits left to right
};
