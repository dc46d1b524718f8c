// The game's four application hooks: start-up before the window, start-up
// after it, the frame step, and shutdown.
#pragma once

int gameInitHook();
int gameWindowHook();
int gameIdleHook();
int gameShutdownHook();
