// The one process-wide random source of the game: rand()'s range (0..32767)
// and the classic linear congruence, so a seed replays a game exactly.
#pragma once

#include <cstdint>

void vmSeed(uint32_t seed);
int vmRand();  // 0..32767
uint32_t vmRandState();
