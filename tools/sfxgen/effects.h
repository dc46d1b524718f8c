// The game's sound effects, each synthesised from a recipe.
#pragma once

#include <string>
#include <vector>

#include "dsp.h"

namespace sfx {

struct Effect {
    std::string file;       // file name in the sound folder, with ".ogg"
    Buf samples;            // mono, kRate Hz
    bool loop = false;      // seamless: no fades at the ends
    double loudness = -20;  // target, LUFS over the loudest 400 ms on both speakers
};

std::vector<Effect> makeEffects();

}  // namespace sfx
