// Named sound effects of the play field, played through the sound bank.
#pragma once

#include <string>

// Plays an effect by file name without extension.
void playGameSound(const std::string& name);
// Tests watch which effects the field plays.
using GameSoundSpy = void (*)(const std::string& name);
void setGameSoundSpy(GameSoundSpy spy);
