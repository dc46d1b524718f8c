// The two burning torches of the menu backdrop, on the pillars at (50, 160)
// and (750, 160). Every screen over "_mm_bkg" shows them; they burn from the
// screen's construction until it closes.
#pragma once

#include "scene/sprite.h"

class Torches {
public:
    static constexpr int kLeftX = 50, kRightX = 750, kY = 160;

    // Lit at once, on `layer` (above the backdrop the screen uses).
    explicit Torches(int layer);
    // Stops emitting: the flames die out over the particles' own lifetimes.
    void stop();
    bool burning() const { return burning_; }

    FXSprite left, right;

private:
    bool burning_ = false;
};
