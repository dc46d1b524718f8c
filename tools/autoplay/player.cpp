#include "player.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/options_menu.h"
#include "screens/pad_input.h"
#include "screens/profile_screen.h"
#include "screens/startup_screens.h"
#include "screens/tooltip.h"
#include "screens/top10_screen.h"
#include "scene/input.h"
#include "scene/sprite.h"
#include "ui/buttons.h"

namespace autoplay {

namespace {
constexpr int kMapOkX = 524, kMapOkY = 510;  // the map's OK button
constexpr int kMapWatchTicks = 240;        // the lock lands and settles first
constexpr int kClickPause = 80;            // a player clicks about once a second
constexpr int kShowTicks = 200;            // what a single run still shows after its end
constexpr int kReadTicks = 40;             // a look at a screen before clicking on it
constexpr int kStepPause = 6;              // between two presses of a direction
constexpr int kLetterPause = 2;            // between two letters picked on a pad
// The letters the game's picker runs through, in its order.
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kLetterCount = static_cast<int>(sizeof kLetters) - 1;

int middleX(const MouseZone* z) { return z->x + z->w / 2; }
int middleY(const MouseZone* z) { return z->y + z->h / 2; }

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
    // A stick or key still pushed for a shot is let go once play stops.
    if (const Game* live = Game::existing(); !live || live->current != &live->physics || live->paused())
        hands_.letGo();
    // Tips and questions wait for their button, in a game or before one.
    if (answerTips()) return true;
    Game* g = Game::existing();
    if (d->current != &d->game || !g) {
        frontDoor(*d);
        return true;
    }
    sawGame_ = true;
    lastScore_ = g->scoring->total();
    if (opt.frontDoor && finalDone_) {
        leaveGame();
        return true;
    }
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
    if (opt.via == Hands::Via::Mouse) {
        hands_.clickOn(s);
    } else {
        Rect r;
        s.getRect(r);
        if (!focusOn((r.left + r.right) / 2, (r.top + r.bottom) / 2)) return false;
        hands_.press(platform::PointerButton::Left);
        hands_.release(platform::PointerButton::Left);
    }
    readyTicks_ = 0;
    clickWait_ = kClickPause;
    return true;
}

void Player::tapDirection(int dx, int dy) {
    using platform::Key;
    using platform::PadButton;
    if (opt.via == Hands::Via::Pad) {
        const PadButton b = dx < 0   ? PadButton::DpadLeft
                            : dx > 0 ? PadButton::DpadRight
                            : dy < 0 ? PadButton::DpadUp
                                     : PadButton::DpadDown;
        hands_.padButton(b, true);
        hands_.padButton(b, false);
    } else {
        const Key k = dx < 0 ? Key::Left : dx > 0 ? Key::Right : dy < 0 ? Key::Up : Key::Down;
        hands_.keyDown(k);
        hands_.keyUp(k);
    }
}

bool Player::focusOn(int x, int y) {
    const MouseZone* target = focusCandidateAt(x, y);
    const MouseZone* focus = padFocus();
    if (!target) return false;  // not there yet, or covered
    if (focus == target) {
        lastFocus_ = nullptr;
        return true;
    }
    clickWait_ = kStepPause;
    if (!focus) {
        tapDirection(0, 1);  // the first press shows the focus
        return false;
    }
    // The press whose step, by the game's own rule, lands on the target or
    // nearest to it, never straight back where the last one came from.
    static constexpr int kDirections[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    int chosen = -1, fallback = -1;
    long nearest = 0;
    // Left and right on a slider move the slider, not the focus.
    const int ways = dynamic_cast<Slider*>(zoneHandler(focus)) ? 2 : 4;
    for (int i = 0; i < ways; ++i) {
        const MouseZone* next = nextFocus(focus, 0, 0, kDirections[i][0], kDirections[i][1]);
        if (!next) continue;
        if (next == target) {
            chosen = i;
            break;
        }
        if (next == lastFocus_) {
            fallback = i;
            continue;
        }
        const long dx = middleX(next) - x, dy = middleY(next) - y;
        if (chosen < 0 || dx * dx + dy * dy < nearest) {
            chosen = i;
            nearest = dx * dx + dy * dy;
        }
    }
    if (chosen < 0) chosen = fallback;
    if (chosen < 0) return false;
    lastFocus_ = focus;
    tapDirection(kDirections[chosen][0], kDirections[chosen][1]);
    return false;
}

bool Player::pickName() {
    using platform::PadButton;
    if (clickWait_ > 0) return false;
    clickWait_ = kLetterPause;
    const auto tap = [this](PadButton b) {
        hands_.padButton(b, true);
        hands_.padButton(b, false);
    };
    if (namePos_ >= opt.playerName.size()) {
        tap(PadButton::A);
        namePos_ = 0;
        nameLetter_ = -1;
        return true;
    }
    const char* at = std::strchr(kLetters, opt.playerName[namePos_]);
    const int want = at ? static_cast<int>(at - kLetters) : 0;
    if (nameLetter_ < 0) {
        // Up starts a letter at A; right keeps the last one and starts the next.
        tap(namePos_ == 0 ? PadButton::DpadUp : PadButton::DpadRight);
        nameLetter_ = 0;
    } else if (nameLetter_ != want) {
        const int forward = (want - nameLetter_ + kLetterCount) % kLetterCount;
        const bool up = forward <= kLetterCount / 2;
        tap(up ? PadButton::DpadUp : PadButton::DpadDown);
        nameLetter_ = (nameLetter_ + (up ? 1 : -1) + kLetterCount) % kLetterCount;
    } else {
        ++namePos_;
        if (namePos_ < opt.playerName.size()) nameLetter_ = -1;
    }
    return false;
}

void Player::options(Dispatcher& d) {
    COptionsMenu* dialog = d.menu.options;
    if (!dialog || !dialog->musicSlider || !dialog->okButton) return;
    Slider& music = *dialog->musicSlider;
    if (optionsStep_ == 1) {
        // The music a step down: left on the knob with a pad or the keys,
        // the slider's left button with the mouse.
        if (clickWait_ > 0 || ++readyTicks_ < kReadTicks) return;
        if (opt.via == Hands::Via::Mouse) {
            if (!clickOn(*music.leftButton->sprite())) return;
        } else {
            Rect r;
            music.sprite()->getRect(r);
            if (!focusOn((r.left + r.right) / 2, (r.top + r.bottom) / 2)) return;
            tapDirection(-1, 0);
            clickWait_ = kClickPause;
        }
        readyTicks_ = 0;
        std::printf("options: music volume %d\n", music.value);
        optionsStep_ = 2;
        return;
    }
    if (optionsStep_ == 2 && clickWait_ == 0) {
        std::printf("options: music volume %d after a step\n", music.value);
        std::fflush(stdout);
        shotNow_ = true;
        optionsStep_ = 3;
        return;
    }
    if (optionsStep_ == 3) clickOn(*dialog->okButton->sprite());
}

void Player::leaveGame() {
    Menu* bar = Menu::existing();
    if (!bar) return;
    InGameMenu* menu = bar->inGameMenu;
    if (menu) {
        if (menu->open && !menu->leaving && menu->buttons[3]) clickOn(*menu->buttons[3]->sprite());  // Main menu
        return;
    }
    if (!bar->menuEnabled || clickWait_ > 0 || ++readyTicks_ < kReadTicks) return;
    readyTicks_ = 0;
    clickWait_ = kClickPause;
    switch (opt.via) {
        case Hands::Via::Mouse: hands_.clickOn(*bar->menuButton->sprite()); break;
        case Hands::Via::Pad:
            hands_.padButton(platform::PadButton::Start, true);
            hands_.padButton(platform::PadButton::Start, false);
            break;
        case Hands::Via::Keys: hands_.key(platform::Key::Escape); break;
    }
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
            if (opt.via == Hands::Via::Pad) {
                // Letter by letter with the d-pad, then A.
                readyTicks_ = kReadTicks;
                if (pickName()) readyTicks_ = 0;
                return;
            }
            // A name, then Enter, as typed on the keyboard.
            hands_.type(opt.playerName);
            hands_.key(platform::Key::Return);
        } else if (screen->list && !screen->dialog && !screen->message && !screen->list->leaving &&
                   screen->list->groupSprite->y == ListBoxUser::kY) {
            clickOn(*screen->list->buttons[2]->sprite());  // OK
        }
    } else if (d.current == &d.menu) {
        MainMenu* menu = d.menu.menu;
        if (opt.frontDoor && optionsStep_ > 0 && optionsStep_ < 4) {
            if (d.menu.options)
                options(d);
            else if (optionsStep_ == 3)
                optionsStep_ = 4;  // closed
            return;
        }
        if (opt.frontDoor && optionsStep_ == 0 && menu && menu->idle()) {
            // A picture of the focus on the options' button, then a click.
            if (!menuShot_ && opt.via != Hands::Via::Mouse && clickWait_ == 0) {
                Rect r;
                menu->buttons[2]->sprite()->getRect(r);
                const MouseZone* want = focusCandidateAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                if (want && padFocus() == want) {
                    shotNow_ = true;
                    menuShot_ = true;
                    return;
                }
            }
            if (clickOn(*menu->buttons[2]->sprite())) optionsStep_ = 1;
            return;
        }
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
        if (opt.frontDoor) {
            finalDone_ = true;  // out through the menus
            return;
        }
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
    if (opt.via != Hands::Via::Mouse) {
        if (!focusOn(x, y)) return;
    } else {
        hands_.moveTo(x, y);
    }
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
