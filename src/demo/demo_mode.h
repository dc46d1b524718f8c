// The game plays itself, as arcade machines do between players: started with
// --demo, or after a minute without input on the title or the main menu, the
// autoplayer's eyes and hands play a few levels of the campaign in turn at
// the game's own speed, in the window, with its pictures and sounds. Any key,
// click or real move of the mouse ends it where it came from (the title, or
// the main menu). It plays as the store's demo player, so nothing it does is
// saved: no progress, no scores, no settings.
#pragma once

#include "platform/event.h"

#include <cstdint>

namespace demo {

// A minute without input on a resting title or main menu starts the demo;
// counted on the wall clock, so that a slow machine waits no longer.
constexpr uint64_t kIdleMs = 60 * 1000;
// Each level is played until it ends or for this long, then the next one.
constexpr int kLevelTicks = 80 * 90;
// What follows the end of a level (the win, the rock fall) shows this long.
constexpr int kAfterTicks = 80 * 4;
// The mouse may shake this far (pixels) before it counts as the player's.
constexpr int kMouseSlack = 6;

// Puts the demo's hooks into the frame loop: an idle hook ahead of the game's
// frame step and a message hook ahead of every other, so that it sees the
// player's input first. With startAtOnce (--demo) it plays as soon as the
// screens are up, and gives way to the title.
void installDemoMode(bool startAtOnce);
void uninstallDemoMode();

bool demoRunning();
// Shots the demo has let go and levels it has started since installed.
int demoShots();
int demoLevelsStarted();
// The level being played (episode * 10 + level), 0 when none.
int demoLevel();

// The hooks as the frame loop calls them.
int demoIdleHook();
int demoEventHook(const platform::Event& event);

}  // namespace demo
