// What the autoplayer sees of the field and where it shoots: the decision is
// kept apart from the game so that it can be checked on hand-made fields.
#pragma once

#include <cstddef>
#include <vector>

#include "game/cannon.h"

namespace demo {

// A ball as the player sees it, in screen pixels (y grows downwards).
struct BallView {
    double x = 0, y = 0, r = 0;
    int colour = 0;
};

struct Aim {
    bool valid = false;  // false when no ball of either colour is on the field
    bool swap = false;   // swap the loaded and the next ball first
    int x = 400;         // where to put the gun
    int holdTicks = 1;   // how long to charge
    int group = 0;       // size of the group the shot joins
};

constexpr int kGunLeft = kGunMinX, kGunRight = kGunMaxX;  // the cannon's rails
constexpr int kBonusColour = 11;  // the bonus ball links with every colour

// The ball of `colour` that a shot straight up reaches first in its column
// and that belongs to the largest group; a swap when only the next colour
// offers a group worth more than the loaded one's.
Aim chooseAim(const std::vector<BallView>& balls, int loaded, int next);

// Size of the group of `colour` (bonus balls included) that ball `i` is in.
int groupSize(const std::vector<BallView>& balls, std::size_t i, int colour);

}  // namespace demo
