// The game's four application hooks: start-up before the window, start-up
// after it, the frame step, and shutdown.
#pragma once

int gameInitHook();
int gameWindowHook();
int gameIdleHook();
int gameShutdownHook();

struct Language;
// Plays on in another language: its texts, and its pictures in place of the
// ones loaded (a screen built afterwards shows only the new language).
void useLanguage(const Language& language);
