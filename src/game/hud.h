// The heads-up display of the play screen: the level timer with its sliding
// bar, the gem that shows how full the field is, and the text labels (level
// name, level number, lives caption and two optional debug lines). The score
// and lives counters live in scoring.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "res/text_label.h"
#include "scene/actor.h"
#include "scene/sprite.h"

class PicturePack;

// The HUD's picture packs by name, frame count and columns per row. The
// default loader reads them from the pictures folder once and keeps them for
// the life of the process ("font1" is trimmed into the proportional font);
// tests install their own. nullptr restores the default.
using HudPackLoader = PicturePack* (*)(const std::string& name, int frames, int columns);
void setHudPackLoader(HudPackLoader loader);
PicturePack* hudPack(const std::string& name, int frames, int columns);
PicturePack* hudFont();

constexpr int kHudLayer = 360;
constexpr int kTicksPerSecond = 80;

// A level's time: counts logic ticks while it is running (not paused),
// started (between the level's start and end) and active (the player is not
// idle). Owners hold it through this interface.
class AbstractTimer : public Actor {
public:
    virtual void setLimit(int seconds) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void setActive(bool on) = 0;
    virtual void clear() = 0;
    virtual bool expired() const = 0;
    virtual bool threeQuarters() const = 0;
};

class LevelTimer : public AbstractTimer {
public:
    LevelTimer();

    // Limit in seconds (80 ticks each); 0 or less means no limit and no bar.
    void setLimit(int seconds) override;
    void start() override { started = true; }
    void stop() override { started = false; }
    void pause() override { running = false; }
    void resume() override { running = true; }
    void setActive(bool on) override { active = on; }
    void clear() override;
    bool expired() const override;
    bool threeQuarters() const override;
    void update() override;

    bool counting() const { return limit != 0 && running && started && active; }

    uint32_t limit = 0;    // ticks; 0 = none
    uint32_t elapsed = 0;  // ticks
    bool running = true;
    bool started = false;
    bool active = true;
    int32_t reverse = 0;
    PckSprite bar;

private:
    void placeBar();
};

// The gem in the magnet: its frame shows how full the field is, its glow
// flashes a warning.
class ValueMeter : public Actor {
public:
    ValueMeter();

    void toggle() { shown = shown ? 0 : 1; }
    void flashNow();
    bool isFlashing() const { return flash != 0; }
    // Every tick, with the balls on the field and the level's MaxBalls.
    void show(int balls, int maxBalls);
    void update() override;

    // Gem frame for a fill: 19 when empty, 8 when full, never outside the
    // 20 frames; no meter (frame 0) without a maximum.
    static int frameFor(int balls, int maxBalls);

    PckSprite gem;
    PckSprite glow;
    uint8_t shown = 0;
    int32_t flash = 0;  // 0..255
    float glowScale = 1.0f;
};

// The text labels of the play screen. The game actor owns one set; the two
// debug lines exist only when [Debug] dbgstr1 / dbgstr2 of the settings file
// are non-zero at construction.
class HudLabels {
public:
    HudLabels();

    // "<GAMEPLATE_LEVEL> episode-level"; also rewrites the build tag.
    void setLevelLabel(int episode, int level);
    void setLevelName(const std::string& name);
    // Rewrites the build tag of the first debug line (level and magnet changes).
    void showBuildTag();
    // The second debug line while the play state runs, from the level's values.
    void debugLine(int balls);
    void clearDebugLine();

    TextLabel lives;
    TextLabel levelName;
    TextLabel levelNumber;
    std::unique_ptr<TextLabel> debug1;
    std::unique_ptr<TextLabel> debug2;
};

// The build tag the first debug line shows.
inline constexpr const char* kBuildTag = "RLS_300_L";
