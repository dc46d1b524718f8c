#include "demo/aim.h"

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

// Balls touch when their gap is within a tenth of a radius: the field links
// them at contact, and settled balls rest a hair apart.
bool touching(const BallView& a, const BallView& b) {
    return std::hypot(a.x - b.x, a.y - b.y) < (a.r + b.r) * 1.1;
}

bool matches(int ballColour, int colour) { return ballColour == colour || ballColour == kBonusColour; }

// True when nothing lies between the ball and the gun below it.
bool columnClear(const std::vector<BallView>& balls, size_t i) {
    const BallView& t = balls[i];
    for (size_t k = 0; k < balls.size(); ++k) {
        const BallView& o = balls[k];
        if (k != i && o.y > t.y && std::abs(o.x - t.x) < o.r + t.r) return false;
    }
    return true;
}

struct Choice {
    double score = -1;
    int x = 400, holdTicks = 1, group = 0;
};

Choice best(const std::vector<BallView>& balls, int colour) {
    Choice c;
    for (size_t i = 0; i < balls.size(); ++i) {
        if (balls[i].colour != colour) continue;
        const bool clear = columnClear(balls, i);
        const int group = groupSize(balls, i, colour);
        // A clear shot at a pair completes a group; lower targets are reached
        // sooner and drift less on the way.
        const double score = std::min(group, 3) * 10.0 + (clear ? 25.0 : 0.0) + balls[i].y / 100.0;
        if (score <= c.score) continue;
        c.score = score;
        c.group = group;
        c.x = std::clamp(static_cast<int>(std::lround(balls[i].x)), kGunLeft, kGunRight);
        c.holdTicks = std::clamp(static_cast<int>((530.0 - balls[i].y) / 6.0), 10, 60);
    }
    return c;
}

}  // namespace

int groupSize(const std::vector<BallView>& balls, size_t i, int colour) {
    std::vector<char> seen(balls.size(), 0);
    std::vector<size_t> open{i};
    seen[i] = 1;
    int n = 0;
    while (!open.empty()) {
        const size_t k = open.back();
        open.pop_back();
        ++n;
        for (size_t j = 0; j < balls.size(); ++j)
            if (!seen[j] && matches(balls[j].colour, colour) && touching(balls[k], balls[j])) {
                seen[j] = 1;
                open.push_back(j);
            }
    }
    return n;
}

Aim chooseAim(const std::vector<BallView>& balls, int loaded, int next) {
    const Choice a = best(balls, loaded), b = next != loaded ? best(balls, next) : Choice{};
    Aim aim;
    const bool swap = b.score > a.score + 5.0;
    const Choice& c = swap ? b : a;
    if (c.score < 0) return aim;
    aim.valid = true;
    aim.swap = swap;
    aim.x = c.x;
    aim.holdTicks = c.holdTicks;
    aim.group = c.group;
    return aim;
}

}  // namespace demo
