// Finding the game's data folder: next to the build's binary, or where the
// install layout puts it relative to the binary (share/vellmoor, or
// share/games/vellmoor beside games/), or the configured absolute folder.
#pragma once

#include <string>

// The folder holding vm_game.ini, or empty when none is found.
std::string locateGameData();
// Makes it the working directory so relative data paths ("./pic/") hold.
bool enterGameData();
