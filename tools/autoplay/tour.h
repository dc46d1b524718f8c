// The autoplayer's tour: every screen and dialog of the game visited once,
// in the order a curious player would find them, with a picture of each.
// Each step waits for its screen to show, asks for a picture, then acts the
// way a player would (a click, a key, typing) to get to the next.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "demo/hands.h"

namespace autoplay {

// The hands and eyes are the demo's; the autoplayer drives them.
using demo::Hands;

class Tour {
public:
    Tour();

    // One logic tick. False once the tour is over (done or stuck).
    bool tick();
    // The screen to take a picture of now ("" for none).
    const std::string& shotName() const { return shot_; }

    int screensSeen() const { return seen_; }
    int screensMissing() const { return missing_; }
    // The pictured steps, in order: names and whether each was reached.
    std::vector<std::pair<std::string, bool>> visited() const { return visited_; }

private:
    struct Step {
        std::string name;  // the picture's name; empty for a step without one
        std::function<bool()> ready;
        std::function<void(Hands&)> act;
        int settle = 30;  // ticks the screen is watched before the picture
    };
    void build();

    std::vector<Step> steps_;
    size_t at_ = 0;
    int waited_ = 0;
    int readyFor_ = 0;
    int tipRead_ = 0;
    bool shotTaken_ = false;
    std::string shot_;
    int seen_ = 0, missing_ = 0;
    std::vector<std::pair<std::string, bool>> visited_;
    Hands hands_;
};

}  // namespace autoplay
