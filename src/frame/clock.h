// Between the window system and the scene: activation, the system cursor,
// keyboard polling, the frame's half of the engine start and stop, and the
// logic clock.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event.h"

// The frame's half of the engine's start and stop (the scene's engineStart()
// and engineStop() wrap them): the activation and display-key hooks, the
// loop flags and the engine settings.
void frameStart();
void frameStop();
bool isAppActive();
// The window is minimised: frames are neither drawn nor shown.
bool isWindowMinimised();

// The window system's own pointer, hidden while a picture cursor stands in.
void showSystemCursor(bool show);
// Typed text is only wanted while an edit box has the keyboard.
void followTextFocus(bool focused);

void setTickRate(int rate);
int tickRate();
// Runs at most one logic tick; returns true when one ran.
bool frameTick();
// Microseconds until frameTick() would tick; 0 when due (or no rate set).
uint64_t microsUntilNextTick();
// The simulated seconds handed to the particles by the last tick.
float lastTickSeconds();

// Keyboard module: the state of the two Shift keys, polled each idle step.
bool keyboardLeftShift();
bool keyboardRightShift();
// Registers the module's three hooks (done at program load; tests that
// reset the hook lists call it again).
void installKeyboardModule();

// Told when the window gains or loses the focus; the sound fills it in when
// it starts, so that it pauses with the window. One listener; null for none.
using ActivationListener = void (*)(bool active);
void setActivationListener(ActivationListener listener);

// The activation, cursor and repaint hook (event hook, priority 0x8800).
int activationHook(const platform::Event& event);
// Alt+Return and F11 switch between the window and full screen through
// toggleFullscreen(), so the choice is remembered like the options dialog's.
// Their keys never reach the game. Registered by engineStart().
int displayKeysHook(const platform::Event& event);

std::string instanceLockPath();

// For test fixtures: forget the clock and the activation state.
void resetClockForTests();
