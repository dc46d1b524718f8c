// The autoplayer's player: once per logic tick it looks at the running game
// the way a player looks at the screen and answers with mouse input only,
// posted to the platform like real events.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "demo/hands.h"
#include "demo/shooter.h"

class Dispatcher;
struct MouseZone;
class Game;
class Sprite;

namespace autoplay {

// The hands and eyes are the demo's; the autoplayer drives them.
using demo::Hands;
using demo::Shooter;

struct Options {
    enum class Scope { Level, Episode, Campaign };
    Scope scope = Scope::Campaign;
    int episode = 0;  // Level and Episode
    int level = 1;    // Level
    uint32_t seed = 1;
    int tries = 3;
    std::string shotsDir;
    int every = 0;
    // Logic tick at which the player switches to another window for a
    // while (0 = never), to see the game pause itself.
    int awayAt = 0;
    // Game time an attempt may take before it is given up (10 minutes).
    int attemptTickLimit = 80 * 600;
    // The name typed for the first player.
    std::string playerName = "Autoplay";
    // What the player holds: the mouse, a controller or the keyboard.
    demo::Hands::Via via = demo::Hands::Via::Mouse;
    // The front door only: a new player, the options, the tutorial's first
    // level won, and out through the in-game menu and the main menu.
    bool frontDoor = false;
};

// The first level a run starts at, as episode * 10 + level.
int firstLevel(const Options& o);

struct Attempt {
    int level = 0;  // episode * 10 + level
    bool won = false;
    int ticks = 0;
    int score = 0;
};

class Player {
public:
    explicit Player(const Options& options) : opt(options) { hands_.setVia(opt.via); }

    // One logic tick: observe, then move, press or release. False once the
    // run has reached its end.
    bool tick();

    const std::vector<Attempt>& attempts() const { return attempts_; }
    // Levels of the run that no attempt won.
    int levelsNeverWon() const;
    // The final score's place in the top ten (1..10), 0 when it is not
    // there, -1 when the table was never reached.
    int topTenPlace() const { return topTenPlace_; }
    bool finished() const { return finalDone_; }
    int64_t ticks() const { return ticks_; }
    // While the frame loop rests (the game paused itself, the window is in
    // the background): once per frame step. False once the run has ended.
    bool restingStep();
    // Called for screenshots at the moments worth keeping.
    bool wantsShot() const { return shotNow_; }

private:
    // Outside the game: logos, title, profile, menu, questions, comic, top ten.
    void frontDoor(Dispatcher& d);
    // Clicks the first button of a tip or question box once it is shown.
    bool answerTips();
    // A click on the middle of a sprite, after a player's pause; with a
    // controller or the keys, the focus goes there first, a step at a time.
    bool clickOn(const Sprite& s);
    // One step of the focus towards the zone a click at (x, y) reaches;
    // true once it is there.
    bool focusOn(int x, int y);
    // A direction pressed and let go on the d-pad or the arrows.
    void tapDirection(int dx, int dy);
    // The letters of the name, one d-pad press a tick; true once typed.
    bool pickName();
    // The options dialog: a volume moved by a step, then OK.
    void options(Dispatcher& d);
    // Out of the game through its menu, once the front door's level is won.
    void leaveGame();
    void play(Game& g);
    void between(Game& g);
    void attemptEnded(Game& g, bool won);

    Options opt;
    Hands hands_;
    Shooter shooter_{hands_};
    std::vector<Attempt> attempts_;
    std::map<int, int> losses_;
    int64_t ticks_ = 0;
    bool shotNow_ = false;
    bool sawGame_ = false;
    bool done_ = false;
    bool finalDone_ = false;  // the run's last level is behind it
    int stopIn_ = -1;  // ticks left to show before quitting

    // Attempt in progress.
    bool inPlay_ = false;
    int attemptLevel_ = 0;
    int64_t attemptStart_ = 0;
    bool gaveUp_ = false;
    bool restarting_ = false;
    int seededLevel_ = -1, seededAttempt_ = -1;
    int mapTicks_ = 0;
    // The game state seen at the previous tick, and whether the attempt
    // ended without play: a level that cannot be built goes from its start
    // straight to game over.
    const void* lastState_ = nullptr;
    bool unplayable_ = false;

    int clickWait_ = 0;
    int restSteps_ = 0;
    bool away_ = false;
    int readyTicks_ = 0;  // ticks the thing to click has been there
    int topTenPlace_ = -1;
    int lastScore_ = 0;
    bool typedName_ = false;
    // The focus before the last step towards a target.
    const MouseZone* lastFocus_ = nullptr;
    // The name picked on a pad: letters done, and the letter at the caret.
    size_t namePos_ = 0;
    int nameLetter_ = -1;
    // The options dialog's visit: 0 not yet, 1 open, 2 a step made, 3 done.
    int optionsStep_ = 0;
    bool menuShot_ = false;
    bool leaving_ = false;  // the run is over: out through the main menu
};

}  // namespace autoplay
