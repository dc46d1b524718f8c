// The autoplayer's shots: once the field has settled it looks at the balls,
// aims, swaps colours when the next ball is the better one, moves the gun,
// charges and lets go, all with its hands. Shared by the test player and the
// game's demo, so that both play the same way.
#pragma once

#include "demo/hands.h"

class Game;
class PhysicsField;

namespace demo {

class Shooter {
public:
    explicit Shooter(Hands& hands) : hands_(hands) {}

    // A new attempt: the next look at the field comes at once.
    void reset() {
        phase_ = 0;
        wait_ = 0;
    }
    // One logic tick of a level in play (the caller checks that it is).
    void step(Game& g);
    // The left button is held: whoever stops the shot lets it go.
    bool charging() const { return phase_ == 2; }
    // Shots let go since this shooter was made.
    int shots() const { return shots_; }

private:
    bool waiting(const PhysicsField& f);

    Hands& hands_;
    // The shot in progress: 0 aim, 1 gun moving, 2 charging, 3 settling.
    int phase_ = 0;
    int wait_ = 0;
    int hold_ = 0;
    int settle_ = 0;
    int shots_ = 0;
};

}  // namespace demo
