#include "player.h"

#include <cstdio>

#include "aim.h"
#include "game/field.h"
#include "game/game.h"
#include "game/level.h"
#include "platform/platform.h"
#include "players/players.h"

namespace autoplay {

namespace {
constexpr int kGunY = 560;                 // the pointer rests over the gun
constexpr int kMapOkX = 524, kMapOkY = 510;  // the map's OK button
constexpr int kMapWatchTicks = 240;        // the lock lands and settles first
constexpr int kClickPause = 80;            // a player clicks about once a second
constexpr int kShowTicks = 200;            // what a single run still shows after its end
constexpr int kEndTicks = 2000;            // the campaign's last click-through
constexpr int kSwapTicks = 12;             // the swap animation
constexpr int kSettleTicks = 60;           // longest wait for the field to settle
}  // namespace

int firstLevel(const Options& o) {
    switch (o.scope) {
        case Options::Scope::Level: return o.episode * 10 + o.level;
        case Options::Scope::Episode: return o.episode * 10 + 1;
        case Options::Scope::Campaign: break;
    }
    return 1;
}

bool Player::tick() {
    shotNow_ = false;
    ++ticks_;
    if (opt.awayAt > 0 && ticks_ == opt.awayAt) {
        focus(false);
        away_ = true;
    }
    if (done_) return false;
    if (stopIn_ >= 0 && stopIn_-- == 0) return !(done_ = true);
    Game* g = Game::existing();
    if (!g) {
        // The game actor goes when the campaign has ended.
        if (sawGame_) {
            done_ = true;
            return false;
        }
        return true;
    }
    sawGame_ = true;
    // With the run's last level behind it, a new game starting means the
    // campaign has been played through.
    if (finalDone_ && !inPlay_ && g->current == &g->preStart) {
        done_ = true;
        return false;
    }
    const bool playing = g->current == &g->physics;
    if (playing && !inPlay_) {
        inPlay_ = true;
        gaveUp_ = false;
        attemptLevel_ = g->levelNumber();
        attemptStart_ = ticks_;
        shotPhase_ = 0;
        wait_ = 0;
        mapTicks_ = 0;
    } else if (!playing && inPlay_) {
        inPlay_ = false;
        attemptEnded(*g, g->physics.ended == 0 && !gaveUp_);
    }
    if (playing)
        play(*g);
    else if (stopIn_ < 0 || opt.scope == Options::Scope::Campaign)
        between(*g);
    return true;
}

void Player::attemptEnded(Game& g, bool won) {
    Attempt a;
    a.level = attemptLevel_;
    a.won = won;
    a.ticks = static_cast<int>(ticks_ - attemptStart_);
    a.score = g.scoring->total();
    attempts_.push_back(a);
    shotNow_ = true;
    const char* why = won ? "" : gaveUp_ ? " (too long)" : g.timer->expired() ? " (time)" : " (balls)";
    std::printf("level %d-%d %s ticks %d score %d%s\n", a.level / 10, a.level % 10, won ? "won" : "lost", a.ticks,
                a.score, why);
    std::fflush(stdout);
    // Judged on the level just played: after a tutorial win the game is
    // already on the next one.
    const bool single = opt.scope == Options::Scope::Level;
    const bool lastOfEpisode = a.level % 10 >= levelsInEpisode(a.level / 10);
    const bool lastOfRun =
        single || (lastOfEpisode && (opt.scope == Options::Scope::Episode || a.level / 10 >= episodes()));
    if (won) {
        if (lastOfRun) {
            finalDone_ = true;
            stopIn_ = opt.scope == Options::Scope::Campaign ? kEndTicks : kShowTicks;
        }
        return;
    }
    // Two liberties a player does not have, so that a run reaches its end:
    // lives never run out, and a level lost `tries` times is skipped.
    if (g.lives->total() < 2) g.lives->set(3);
    if (++losses_[a.level] < opt.tries) return;
    if (lastOfRun) {
        finalDone_ = true;
        stopIn_ = kShowTicks;
        return;
    }
    g.advanceLevel();
}

// Like a player, the next look at the field comes after a short pause and
// once the last shot has settled, or after a moment when the field keeps
// moving. True while the player still waits.
bool Player::waiting(const PhysicsField& f) {
    if (wait_ > 0) {
        --wait_;
        return true;
    }
    if (f.anyActiveBall() && ++settle_ < kSettleTicks) return true;
    settle_ = 0;
    return false;
}

void Player::play(Game& g) {
    if (g.physics.ended || g.paused() || g.physics.playMs < 1000) return;
    if (ticks_ - attemptStart_ > opt.attemptTickLimit) {
        // Too long: the level is given up and played again.
        gaveUp_ = true;
        if (shotPhase_ == 2) release(platform::MouseButton::Left);
        g.restartLevel();
        return;
    }
    PhysicsField& f = field();
    switch (shotPhase_) {
        case 0: {
            if (waiting(f)) return;
            std::vector<BallView> balls;
            for (auto& [id, o] : f.objects)
                if (o->isBall() && !o->dying)
                    balls.push_back({o->x() * kPixelsPerUnit, o->y() * kPixelsPerUnit, o->radius * kPixelsPerUnit,
                                     o->type});
            const Aim aim = chooseAim(balls, g.colours.loadedColour, g.colours.nextBall);
            if (aim.swap) {
                press(platform::MouseButton::Right);
                release(platform::MouseButton::Right);
                wait_ = kSwapTicks;
                return;
            }
            moveTo(aim.valid ? aim.x : 400, kGunY);
            hold_ = aim.holdTicks;
            shotPhase_ = 1;
            wait_ = 2;
            return;
        }
        case 1:
            if (--wait_ > 0) return;
            press(platform::MouseButton::Left);
            shotPhase_ = 2;
            return;
        case 2:
            if (--hold_ > 0) return;
            release(platform::MouseButton::Left);
            shotPhase_ = 3;
            wait_ = 5;
            return;
        default:
            if (waiting(f)) return;
            shotPhase_ = 0;
            wait_ = 5;
            return;
    }
}

void Player::between(Game& g) {
    if (clickWait_ > 0) {
        --clickWait_;
        return;
    }
    bool click = false;
    int x = 400, y = 300;
    if (g.current == &g.map) {
        // Watch the lock fly to its place, then OK.
        click = ++mapTicks_ > kMapWatchTicks;
        x = kMapOkX;
        y = kMapOkY;
    } else if (g.current == &g.nextLevel) {
        click = g.nextLevel.phase == 2;
    } else if (g.current == &g.gameover) {
        click = g.gameover.phase == 2;
    } else if (g.current == &g.gameWinState) {
        click = true;
    }
    if (!click) return;
    moveTo(x, y);
    press(platform::MouseButton::Left);
    release(platform::MouseButton::Left);
    clickWait_ = kClickPause;
    if (g.current == &g.map) mapTicks_ = 0;
}

bool Player::restingStep() {
    shotNow_ = restSteps_ == 0;
    // A couple of seconds elsewhere, then back, and a click on the pause
    // picture to play on.
    if (++restSteps_ == 100 && away_) {
        focus(true);
        away_ = false;
        restSteps_ = 0;
        moveTo(400, 300);
        press(platform::MouseButton::Left);
        release(platform::MouseButton::Left);
    }
    return !done_;
}

void Player::focus(bool on) {
    platform::MessageQueue q;
    input_.windowState(on, false, q);
    post(q);
}

void Player::moveTo(int x, int y) {
    platform::MessageQueue q;
    input_.mouseMove(x, y, q);
    post(q);
}

void Player::press(platform::MouseButton b) {
    platform::MessageQueue q;
    input_.mouseButton(b, true, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Player::release(platform::MouseButton b) {
    platform::MessageQueue q;
    input_.mouseButton(b, false, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Player::post(platform::MessageQueue& q) {
    for (const platform::Message& m : q) platform::current().postMessage(m);
}

}  // namespace autoplay
