// Finding the game's data folder: next to the build's binary, or the install
// prefix's share/vellmoor.
#pragma once

#include <string>

// The folder holding vm_game.ini, or empty when none is found.
std::string locateGameData();
// Makes it the working directory so relative data paths ("./pic/") hold.
bool enterGameData();
