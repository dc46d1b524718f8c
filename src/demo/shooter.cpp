#include "demo/shooter.h"

#include <vector>

#include "demo/aim.h"
#include "game/field.h"
#include "game/game.h"

namespace demo {

namespace {
constexpr int kGunY = 560;          // the pointer rests over the gun
constexpr int kSwapTicks = 12;      // the swap animation
constexpr int kSettleTicks = 60;    // longest wait for the field to settle
}  // namespace

// Like a player, the next look at the field comes after a short pause and
// once the last shot has settled, or after a moment when the field keeps
// moving. True while the shooter still waits.
bool Shooter::waiting(const PhysicsField& f) {
    if (wait_ > 0) {
        --wait_;
        return true;
    }
    if (f.anyActiveBall() && ++settle_ < kSettleTicks) return true;
    settle_ = 0;
    return false;
}

void Shooter::step(Game& g) {
    PhysicsField& f = field();
    switch (phase_) {
        case 0: {
            if (waiting(f)) return;
            std::vector<BallView> balls;
            for (auto& [id, o] : f.objects)
                if (o->isBall() && !o->dying)
                    balls.push_back({o->x() * kPixelsPerUnit, o->y() * kPixelsPerUnit, o->radius * kPixelsPerUnit,
                                     o->type});
            const Aim aim = chooseAim(balls, g.colours.loadedColour, g.colours.nextBall);
            if (aim.swap) {
                hands_.press(platform::PointerButton::Right);
                hands_.release(platform::PointerButton::Right);
                wait_ = kSwapTicks;
                return;
            }
            hands_.moveTo(aim.valid ? aim.x : 400, kGunY);
            hold_ = aim.holdTicks;
            phase_ = 1;
            wait_ = 2;
            return;
        }
        case 1:
            if (--wait_ > 0) return;
            // A stick or a key takes the cannon there over a few ticks.
            if (!hands_.steer()) {
                wait_ = 1;
                return;
            }
            hands_.press(platform::PointerButton::Left);
            phase_ = 2;
            return;
        case 2:
            if (--hold_ > 0) return;
            hands_.release(platform::PointerButton::Left);
            ++shots_;
            phase_ = 3;
            wait_ = 5;
            return;
        default:
            if (waiting(f)) return;
            phase_ = 0;
            wait_ = 5;
            return;
    }
}

}  // namespace demo
