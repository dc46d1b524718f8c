// The game actor: the one root of a running game. It owns the gun, the
// rail, the magnet's pictures, the scenery, the score, lives, timer and
// meter, the crystals and the HUD labels, and runs one in-game state at a
// time: before a level, the play itself, after a win or a loss, the map and
// the end of the campaign.
#pragma once

#include <cstdint>
#include <memory>

#include "game/between_levels.h"
#include "game/bonuses.h"
#include "game/cannon.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/scoring.h"
#include "scene/actor.h"
#include "scene/sprite.h"

class LevelScenery;
class Magnet;
class PhysicsField;
struct FieldObject;

// A level's free balls come loose once play has run a while, and start to
// count as ordinary balls once the field has thinned out.
class FreeBallRelease {
public:
    static constexpr uint32_t kDelayMs = 2500;
    static constexpr int kArmBelowBalls = 7;
    // Before the field's step, with the milliseconds played so far.
    void beforeStep(PhysicsField& f, uint32_t playMs);
    // After it, with the balls now on the field.
    void afterStep(PhysicsField& f, int ballCount);
    int32_t phase = 0;  // 0 waiting, 1 released, 2 armed
};

// The level being played: build the field, run every gameplay step of a
// tick in order, turn clicks into shots, decide win and loss.
class GS_Physics : public GameState {
public:
    void enter() override;
    void leave() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    void onMouse(int event, int value) override;
    void tick() override;
    void pause() override;
    void resume() override;

    // One tick of the field itself: physics, matches, bonuses, removal.
    static void fieldStep(const BonusScoring& scoring);

    uint32_t lastMs = 0, nowMs = 0, dtMs = 0, playMs = 0;
    int32_t backlog = 0;  // mirrors the field's play counters after each tick
    int32_t unmatchedShots = 0;
    int32_t lastShotResult = 0;  // 0 none, 1 fired, 2 settled without a match
    FreeBallRelease freeBalls;
    uint8_t ended = 0;
    int32_t pendingReports = 0;
    uint8_t tipShown[100] = {};

private:
    void shoot();
    bool tryTip(int id, bool condition);
    void tips();
};

// A level whose meshes cannot be built ends at once: there is no editor in
// the shipped game, the state only remembers which list failed.
class GS_MeshEditor : public GameState {
public:
    void enter() override;
    const char* meshName = "";
    // The level last said to be unplayable, so that a player trying it
    // again and again reads it once.
    int toldLevel = -1;
};

// Tutorial pointer: bobs above (pointing down) or below (pointing up) the
// ball it marks and fades in.
class Arrow : public Actor {
public:
    enum Direction { kAuto = 0, kDown = 1, kUp = 2 };
    Arrow(int x, int y, Direction dir, bool big = false);
    ~Arrow() override;
    void update() override;
    void moveTo(int x, int y);
    void setShown(bool on);
    int32_t targetX = 0, targetY = 0;
    int32_t pointsUp = 0;
    int32_t bob = 0;
    int32_t alpha = 0;
    uint8_t shown = 1;
    PckSprite picture;
    static constexpr int kLayer = 310;
    static constexpr int kFadeTicks = 160;

private:
    void place();
};

class Game : public Actor {
public:
    // The single game actor, made on first call.
    static Game& instance();
    // Null when no game exists.
    static Game* existing();
    // Kills the game actor and forgets it; the next instance() builds anew.
    static void release();

    ~Game() override;
    int onZoneEvent(int event, int value) override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;
    void drawOverlay() override;

    void setState(GameState* state);
    void setLevel(int n);
    void advanceLevel();
    int levelNumber() const { return episode * 10 + level; }
    bool isLastLevel() const;
    bool isLastOfEpisode() const;
    bool isGameOver() const;
    // A lost level ends the game only this way; the last level is replayed.
    bool outOfLives() const;
    int tutorialLevel() const { return episode == 0 ? level : 0; }
    // The tutorial levels that point at groups with arrows.
    bool arrowsLevel() const { return tutorialLevel() != 0 && tutorialLevel() != 3; }

    void startGame();
    void startLevel();
    void gameNew();
    void gameWin();
    void gameEnd();
    void restartLevel();
    void finishGame();
    void pauseGame();
    void resumeGame();
    bool paused() const { return pausedFlag != 0; }

    void dropCrystal(int x, int y);
    void collectCrystals();
    void requestTip(int n);

    // Colour state of the gun (GunColours keeps it; these forward).
    int nextColourFor(int exclude) { return colours.nextColour(exclude); }
    void advanceColours(int fired) { colours.advanceColours(fired); }

    // Tutorial arrows on groups of the loaded colour; true when such a group
    // exists. removeArrows kills every ball's arrow.
    bool placeArrows();
    void removeArrows();
    // An arrow on one ball (the hint of a tip); returns it.
    Arrow* markBall(FieldObject& ball);

    // The states.
    GS_PreStart preStart;
    GS_Physics physics;
    GS_Map map;
    GS_Gameover gameover;
    GS_NextLevel nextLevel;
    GS_GameWin gameWinState;
    GS_MeshEditor meshEditor;
    GameState* current = nullptr;

    // Owned actors (killed with the game) and members.
    std::unique_ptr<LevelScenery> scenery;
    Cannon* cannon = nullptr;
    CannonRamp* ramp = nullptr;
    Magnet* magnet = nullptr;
    Scoring* scoring = nullptr;
    LifeCounter* lives = nullptr;
    ValueMeter* meter = nullptr;
    LevelTimer* timer = nullptr;
    Crystals crystals;
    GunColours colours;
    std::unique_ptr<HudLabels> labels;
    BonusScoring bonusScoring;

    int32_t level = 1, episode = 0, variant = 0, magnetType = 0;
    int32_t ballCount = 0;
    int32_t mouseX = 400;
    int32_t idleCountdown = 400;
    int32_t hintX = -1, hintY = -1;
    uint8_t pausedFlag = 0;
    // Whole-screen mouse zone that brings the field's clicks to the game.
    GroupSprite zone{800, 600};

    // Report ids of the owned parts.
    static constexpr int kSceneryId = 5;
    static constexpr int kMagnetId = 6;
    static constexpr int kSpoilerId = 7;

private:
    Game();
    void wireHooks();
    void unwireHooks();
    void teardown();
    uint8_t tornDown = 0;
};
