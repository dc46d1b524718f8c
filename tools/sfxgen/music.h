// The game's music: one tracker module whose sections start at fixed orders
// and each loop on themselves, so the game changes tune by jumping to an order.
#pragma once

#include <string>
#include <vector>

#include "xm.h"

namespace music {

// Entry orders of the sections, in the order they appear in the order list.
enum Section { Intro = 0, GameA = 1, GameB = 2, Win = 3, GameOver = 4, Menu = 5, Story1 = 6, Story2 = 7, Story3 = 8 };
constexpr int kSectionCount = 9;
const char* sectionName(int section);

// Each section may get its own global volume (0..64, 64 = as composed),
// set on the first row of each of its patterns so that a jump into the
// section brings its level along.
xm::Module compose(const std::vector<int>& sectionVolumes = {});

}  // namespace music
