// Between the window system and the scene: activation, the picture cursor,
// keyboard polling, engine start and stop, and the logic clock.
#pragma once

#include <cstdint>
#include <string>

class Sprite;

void engineStart();
void engineStop();
bool isAppActive();
// The window is minimised: frames are neither drawn nor shown.
bool isWindowMinimised();

void setCursorSprite(Sprite* sprite, int hotX, int hotY);
Sprite* cursorSprite();
void updateCursor(bool usePicture, bool show);
// Moves the picture cursor to the mouse; true when it moved.
bool followMouse();

void setTickRate(int rate);
int tickRate();
// Runs at most one logic tick; returns true when one ran.
bool frameTick();
// Milliseconds until frameTick() would tick; 0 when due (or no rate set).
uint32_t msUntilNextTick();
uint64_t lastTickTime();
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

// The activation, cursor and repaint hook (message hook, priority 0x8800).
int activationHook(void* window, uint32_t message, uintptr_t w, intptr_t l, intptr_t* result);
// Alt+Return and F11 switch between the window and full screen through
// toggleFullscreen(), so the choice is remembered like the options dialog's.
// Their keys never reach the game. Registered by engineStart().
int displayKeysHook(void* window, uint32_t message, uintptr_t w, intptr_t l, intptr_t* result);

std::string instanceLockPath();

// For test fixtures: forget the clock, the cursor and the activation state.
void resetClockForTests();
