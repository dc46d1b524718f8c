// The episode map shown after a won level: the episodes still to come are
// covered, the current one pulses, and the lock of the level just won flies
// from the episode to its slot on the board. After the last level of an
// episode every lock of it vanishes and the next episode is uncovered.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "scene/actor.h"
#include "scene/sprite.h"

class Button;
class Game;
class SlideShow;
class SlideShowFX;
class TextLabel;

class CMapScreen : public Actor {
public:
    enum Phase { kLockFlying = 0, kLevelDone = 1, kEpisodeDone = 2, kIdle = 3, kBuilt = 4 };
    static constexpr int kEpisodes = 11;
    static constexpr int kSlots = 9;
    static constexpr int kFlyTicks = 80;

    // Reports (0, 0, 0) to `owner` (id 0) when the player presses OK. The
    // tutorial has no map: for episode 0 the report comes at once, from
    // inside the constructor, and the screen is already dead when it returns.
    CMapScreen(Actor* owner, int levelNumber, bool episodeDone, int scoreTotal, int crystalTotal);
    ~CMapScreen() override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    void fly(int n, bool done);

    // The centre of lock slot s.
    static int slotX(int s) { return 553 + 91 * (s % 3); }
    static int slotY(int s) { return 226 + 99 * (s / 3); }
    // The marker's place for an episode; false when the table has none.
    static bool markerAt(int episode, int& x, int& y);

    SlideShow* background = nullptr;
    Button* okButton = nullptr;
    std::unique_ptr<TextLabel> scoreLabel;
    std::unique_ptr<TextLabel> bonusLabel;
    std::array<std::unique_ptr<PckSprite>, kEpisodes> covers;
    SlideShow* marker = nullptr;
    SlideShow* highlight = nullptr;
    std::array<SlideShow*, kSlots> locks{};
    std::array<float, kSlots> lockScale{};
    SlideShowFX* effect = nullptr;
    int32_t level = 0;
    int32_t episode = -1;
    bool episodeDone = false;
    int32_t phase = kBuilt;
    int32_t pulse = 0;
    int32_t pulseStep = 5;

private:
    void showMarker(int e);
    void placeLock(int slot, int layer);
    void finish();
};

// The map between two levels of a running game, owned by the game; the
// screens install it with setMapScreenMaker before a game starts.
Actor* makeMapScreen(Game& game);
