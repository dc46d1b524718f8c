#include "frame/random.h"

namespace {
uint32_t g_state = 1;
}

void vmSeed(uint32_t seed) { g_state = seed; }

int vmRand() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

uint32_t vmRandState() { return g_state; }
