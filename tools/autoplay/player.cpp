#include "player.h"

#include <cstdio>

#include "frame/random.h"
#include "game/field.h"
#include "game/game.h"
#include "game/level.h"
#include "game/scoring.h"
#include "platform/platform.h"
#include "platform/event.h"
#include "players/players.h"
#include "scene/actor.h"
#include "screens/ask_screens.h"
#include "screens/dispatcher.h"
#include "screens/main_menu.h"
#include "screens/profile_screen.h"
#include "screens/startup_screens.h"
#include "screens/tooltip.h"
#include "screens/top10_screen.h"
#include "ui/buttons.h"

namespace autoplay {

namespace {
constexpr int kMapOkX = 524, kMapOkY = 510;  // the map's OK button
constexpr int kMapWatchTicks = 240;        // the lock lands and settles first
constexpr int kClickPause = 80;            // a player clicks about once a second
constexpr int kShowTicks = 200;            // what a single run still shows after its end
constexpr int kReadTicks = 40;             // a look at a screen before clicking on it

template <class T>
T* liveOne() {
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<T*>(a); t && !a->dead) return t;
    return nullptr;
}
}  // namespace

int firstLevel(const Options& o) {
    switch (o.scope) {
        case Options::Scope::Level: return o.episode * 10 + o.level;
        case Options::Scope::Episode: return o.episode * 10 + 1;
        case Options::Scope::Campaign: break;
    }
    return 1;
}

int Player::levelsNeverWon() const {
    std::map<int, bool> won;
    for (const Attempt& a : attempts_) won[a.level] = won[a.level] || a.won;
    int n = 0;
    for (const auto& [level, w] : won) n += w ? 0 : 1;
    return n;
}

bool Player::tick() {
    shotNow_ = false;
    ++ticks_;
    if (opt.awayAt > 0 && ticks_ == opt.awayAt) {
        hands_.focus(false);
        away_ = true;
    }
    if (done_) return false;
    if (stopIn_ >= 0 && stopIn_-- == 0) return !(done_ = true);
    if (clickWait_ > 0) --clickWait_;
    Dispatcher* d = existingDispatcher();
    if (!d) return true;
    // Tips and questions wait for their button, in a game or before one.
    if (answerTips()) return true;
    Game* g = Game::existing();
    if (d->current != &d->game || !g) {
        frontDoor(*d);
        return true;
    }
    sawGame_ = true;
    lastScore_ = g->scoring->total();
    // Each attempt at a level is dealt from its own seed, before the level
    // builds its field: what happened earlier in the run cannot change how
    // a level goes, so a level behaves the same in a campaign as alone.
    if (g->current == &g->preStart && !restarting_) {
        const int level = g->levelNumber();
        const int attempt = losses_[level];
        if (level != seededLevel_ || attempt != seededAttempt_) {
            seededLevel_ = level;
            seededAttempt_ = attempt;
            vmSeed(opt.seed * 7919u + static_cast<uint32_t>(level) * 101u + static_cast<uint32_t>(attempt));
        }
    }
    const bool playing = g->current == &g->physics;
    if (playing && !inPlay_) {
        inPlay_ = true;
        shooter_.reset();
        mapTicks_ = 0;
        // A tutorial level started again after a miss is the same attempt.
        if (!restarting_) {
            gaveUp_ = false;
            attemptLevel_ = g->levelNumber();
            attemptStart_ = ticks_;
        }
        restarting_ = false;
    } else if (!playing && inPlay_) {
        inPlay_ = false;
        if (g->current == &g->preStart && !gaveUp_ && g->levelNumber() == attemptLevel_) {
            // The tutorial's "no match" tip starts the level again.
            restarting_ = true;
            std::printf("level %d-%d started again after a miss\n", attemptLevel_ / 10, attemptLevel_ % 10);
        } else {
            attemptEnded(*g, g->physics.ended == 0 && !gaveUp_);
        }
    }
    // Game over without a tick of play: the level could not be built. Each
    // such round is a lost try, or a broken level would loop for ever.
    if (g->current == &g->gameover && lastState_ != &g->gameover && lastState_ != &g->physics && !inPlay_) {
        attemptLevel_ = g->levelNumber();
        attemptStart_ = ticks_;
        gaveUp_ = false;
        unplayable_ = true;
        attemptEnded(*g, false);
        unplayable_ = false;
    }
    lastState_ = g->current;
    if (playing)
        play(*g);
    else if (stopIn_ < 0)
        between(*g);
    return true;
}

bool Player::clickOn(const Sprite& s) {
    // A player looks before clicking, and clicks once.
    if (clickWait_ > 0 || ++readyTicks_ < kReadTicks) return false;
    hands_.clickOn(s);
    readyTicks_ = 0;
    clickWait_ = kClickPause;
    return true;
}

bool Player::answerTips() {
    ToolTip* tip = nullptr;
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<ToolTip*>(a); t && !a->dead && t->phase == ToolTip::kShown) tip = t;
    if (!tip) return false;
    // Resume, or yes: play the tutorial, give up the saved game.
    if (tip->firstButton)
        clickOn(*tip->firstButton->sprite());
    return true;
}

void Player::frontDoor(Dispatcher& d) {
    if (d.current == &d.title) {
        if (d.title.screen && d.title.screen->clickButton) clickOn(*d.title.screen->clickButton->sprite());
    } else if (d.current == &d.profile) {
        UserName* screen = d.profile.screen;
        if (!screen) return;
        if (screen->dialog && screen->dialog->slide == 0 && keyboardFocus() == screen->dialog->field) {
            if (++readyTicks_ < kReadTicks) return;
            readyTicks_ = 0;
            // A name, then Enter, as typed on the keyboard.
            hands_.type(opt.playerName);
            hands_.key(platform::Key::Return);
        } else if (screen->list && !screen->dialog && !screen->message && !screen->list->leaving &&
                   screen->list->groupSprite->y == ListBoxUser::kY) {
            clickOn(*screen->list->buttons[2]->sprite());  // OK
        }
    } else if (d.current == &d.menu) {
        MainMenu* menu = d.menu.menu;
        // Play; once the campaign is behind it, Exit.
        if (menu && menu->idle()) clickOn(*menu->buttons[finalDone_ ? 4 : 0]->sprite());
    } else if (d.current == &d.ask) {
        // Continue the saved game the run was set up with.
        AskScreen* ask = liveOne<AskScreen>();
        if (ask && ask->phase == CAbstractScreen::kShown) clickOn(*ask->loadButton->sprite());
    } else if (d.current == &d.comix) {
        CComixScreen* comic = liveOne<CComixScreen>();
        if (comic && comic->phase == CComixScreen::kShown) clickOn(*comic->okButton->sprite());
    } else if (d.current == &d.top10) {
        Top10Table* table = d.top10.table;
        if (!table) return;
        if (topTenPlace_ < 0 && sawGame_) {
            topTenPlace_ = 0;
            for (int i = 0; i < 10; ++i)
                if (table->entries[static_cast<size_t>(i)].name == opt.playerName &&
                    table->entries[static_cast<size_t>(i)].score == lastScore_)
                    topTenPlace_ = i + 1;
            std::printf("top ten: %s with %d %s\n", opt.playerName.c_str(), lastScore_,
                        topTenPlace_ > 0 ? ("at place " + std::to_string(topTenPlace_)).c_str() : "not in the table");
            std::fflush(stdout);
            shotNow_ = true;
        }
        clickOn(*table->doneButton->sprite());
    }
}

void Player::attemptEnded(Game& g, bool won) {
    Attempt a;
    a.level = attemptLevel_;
    a.won = won;
    a.ticks = static_cast<int>(ticks_ - attemptStart_);
    a.score = g.scoring->total();
    attempts_.push_back(a);
    shotNow_ = true;
    const char* why = won             ? ""
                      : unplayable_     ? " (unplayable)"
                      : gaveUp_         ? " (too long)"
                      : g.timer->expired() ? " (time)"
                                           : " (balls)";
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
            // A campaign goes on to its final scene, the top ten and out
            // through the main menu; a shorter run ends here.
            if (opt.scope != Options::Scope::Campaign) stopIn_ = kShowTicks;
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

void Player::play(Game& g) {
    if (g.physics.ended || g.paused() || g.physics.playMs < 1000) return;
    if (ticks_ - attemptStart_ > opt.attemptTickLimit) {
        // Too long: the level is given up and played again.
        gaveUp_ = true;
        if (shooter_.charging()) hands_.release(platform::PointerButton::Left);
        g.restartLevel();
        return;
    }
    shooter_.step(g);
}

void Player::between(Game& g) {
    if (clickWait_ > 0) return;
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
    hands_.moveTo(x, y);
    hands_.press(platform::PointerButton::Left);
    hands_.release(platform::PointerButton::Left);
    clickWait_ = kClickPause;
    if (g.current == &g.map) mapTicks_ = 0;
}

bool Player::restingStep() {
    shotNow_ = restSteps_ == 0;
    // A couple of seconds elsewhere, then back, and a click on the pause
    // picture to play on.
    if (++restSteps_ == 100 && away_) {
        hands_.focus(true);
        away_ = false;
        restSteps_ = 0;
        hands_.moveTo(400, 300);
        hands_.press(platform::PointerButton::Left);
        hands_.release(platform::PointerButton::Left);
    }
    return !done_;
}

}  // namespace autoplay
