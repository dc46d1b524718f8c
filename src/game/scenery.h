// The pictures around the play field and their animations: background,
// foreground, mask, gate, spawn guns, information panel, bonus plate, the
// wall of a lost level, the rock fall, the gold rewards and the final comic.
// Owned by the game actor; the sequences that report (one (0, 1, 0) report
// each) report to the actor and id given at construction.
#pragma once

#include <cstdint>

#include "anim/commands.h"
#include "game/backgrounds.h"

// A picture sequence that pulses its alpha for as long as it flashes: each
// time its queue runs dry it feeds itself another pulse.
class FlashingShow : public SlideShow {
public:
    void startFlashing();
    // Stops the pulse and the sequence; the picture is left opaque.
    void stopFlashing();
    void onFinished() override;
    bool flashing = false;
};

// "first", "second", ... "title" for backgrounds 0..11 (clamped).
const char* backgroundName(int back);
// Gold pictures of a background (0 for "title" and out-of-range values) and
// the top-left corner of picture i.
int goldCount(int back);
void goldPosition(int back, int i, int& x, int& y);

class LevelScenery {
public:
    LevelScenery(Actor* reportTo, int reportId);
    ~LevelScenery();
    LevelScenery(const LevelScenery&) = delete;
    LevelScenery& operator=(const LevelScenery&) = delete;

    // Level start: every picture for the level's door and background, with
    // the gate closed, the mask on, the plate parked and no reward showing.
    void setup(int door, int back);

    // Shown while bonus balls are on the field; asking again for the state
    // the plate is already in changes nothing.
    void showBonusPlate();
    void hideBonusPlate();

    // A lost level: each reports once.
    void rockFall();
    void wallDown();
    void wallUp();  // reports once

    // A won level.
    void openGate();
    void openDoors();  // background 7 only: the great gate opens
    // Reveals one gold picture at random and returns its index; on a
    // background without gold nothing happens and the result is -1.
    int revealGold();
    void revealAllGold();
    // Any index outside the background's pictures (such as -1) only puts out
    // the torches and the rain.
    void hideGold(int i);
    void hideAllGold();
    void showComic();  // reports once

    // Tutorial side arrows: actors made by the game and kept (and killed)
    // here. A new arrow on one side removes the arrow of the other side.
    static int sideArrowSide(int targetX);  // 0: left (150, 60), 1: right (650, 60)
    static int sideArrowX(int side) { return side == 0 ? 150 : 650; }
    static int sideArrowY() { return 60; }
    Actor* sideArrow(int side) const { return side == 0 || side == 1 ? sideArrows[side] : nullptr; }
    void setSideArrow(int side, Actor* arrow);
    void removeSideArrows();

    int32_t back = 0;       // 0..11
    int32_t door = 0;       // 0..15
    int32_t gateWidth = 0;  // pixels
    uint8_t plateShown = 0;
    // Set once the side-arrow tip has been shown; the arrows stay hidden
    // before that.
    uint8_t sideArrowsEnabled = 0;

    SlideShow* background;
    SlideShow* foreground;
    SlideShow* mask;
    SlideShow* gateLeft;
    SlideShow* gateRight;  // the left half mirrored in place
    SlideShow* spawnGunLeft;
    SlideShow* spawnGunRight;  // mirrored in place
    SlideShow* panel;
    SlideShow* panelBack;
    SlideShow* plate;
    FlashingShow* plateGlow;
    SlideShow* plateFrame;
    SlideShow* wall;
    SlideShow* comic;
    SlideShow* gold[kMaxGold];
    SlideShowFX* goldEffect[kMaxGold];
    SlideShowFX* torches[2];
    SlideShow* lastGateLeft;
    SlideShow* lastGateRight;
    SlideShow* lastLandscape;
    SlideShowFX* effect;  // rock fall and rain
    Actor* sideArrows[2] = {nullptr, nullptr};

    // Layers of the effects, which the pictures' layers leave open.
    static constexpr int kGoldEffectLayer = 121;
    static constexpr int kTorchLayer = 201;
    static constexpr int kEffectLayer = 300;

private:
    void showGold(int i);
    void fadeGold(int i);
    void lightTorches();
    void putOutTorches();
    void stopPictures();

    Actor* reportTo_;
    int reportId_;
};
