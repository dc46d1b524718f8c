#include "demo/demo_mode.h"

#include <algorithm>
#include <memory>

#include "demo/hands.h"
#include "demo/shooter.h"
#include "frame/app.h"
#include "frame/settings.h"
#include "game/game.h"
#include "game/level.h"
#include "platform/platform.h"
#include "players/players.h"
#include "res/texts.h"
#include "scene/actor.h"
#include "screens/dispatcher.h"
#include "screens/main_menu.h"
#include "screens/notice.h"
#include "screens/startup_screens.h"
#include "screens/tooltip.h"
#include "sound/sound.h"
#include "ui/buttons.h"

namespace demo {

namespace {

using namespace platform;

// Ahead of every hook of the engine and the game (the lowest runs first).
constexpr int kEventPriority = 0x7F00;
constexpr int kIdlePriority = 0x0FFFFFFF;
constexpr int kReadTicks = 60;       // a look at a tip before clicking it away
constexpr int kReleaseTicks = 80;    // the release of the input that ended the demo
constexpr int kNoticeTicks = 80 * 4;

enum class From { Start, Title, Menu };

class DemoMode {
public:
    bool running = false;
    bool startAtOnce = false;
    int shots = 0;
    int levelsStarted = 0;
    int level = 0;

    void idleStep();
    int event(const Event& e);

private:
    void watchForIdle();
    void start(From from);
    void playLevel(int n);
    void play();
    void end();
    bool answerTip();
    bool beyondSlack(const Event& e);
    void clearNotice();

    From from_ = From::Start;
    uint64_t restingSince_ = 0;
    int levelTicks_ = 0;
    int afterTicks_ = 0;
    int tipTicks_ = 0;
    int swallowUps_ = 0;
    int cycle_ = 0;  // the next level of the round, kept from one demo to the next
    bool inPlay_ = false;
    bool anchored_ = false;
    int anchorX_ = 0, anchorY_ = 0;
    int32_t lastTick_ = -1;
    bool feeding_ = false;
    Notice* notice_ = nullptr;
    Hands hands_{[this](const Event& e) {
        // Straight to the hooks: the demo's own hook knows its own hands.
        feeding_ = true;
        deliverEvent(e);
        feeding_ = false;
    }};
    Shooter shooter_{hands_};
};

std::unique_ptr<DemoMode> g_demo;
HookNode g_idleNode{demoIdleHook, nullptr, 0, nullptr};

// A controller's button is the player's as much as a key; a stick or a
// trigger resting a little off centre is not.
bool isDown(const Event& e) {
    return e.type == EventType::KeyDown || e.type == EventType::PointerDown ||
           (e.type == EventType::ControllerButton && e.down);
}
// A screenshot is taken of the demo, not instead of it (Alt combinations are
// not the camera's).
bool isScreenshotKey(const Event& e) {
    return (e.type == EventType::KeyDown || e.type == EventType::KeyUp) && !e.menuKey &&
           (e.key == Key::F12 || e.key == Key::PrintScreen);
}
bool isUp(const Event& e) {
    return e.type == EventType::KeyUp || e.type == EventType::PointerUp || e.type == EventType::Text ||
           (e.type == EventType::ControllerButton && !e.down);
}

uint64_t now() { return platform::current().ticks64(); }

// The levels of a round: the first of every episode after the tutorial.
int roundLevel(int index) {
    const int n = std::max(episodes(), 1);
    return (index % n + 1) * 10 + 1;
}

}  // namespace

bool DemoMode::beyondSlack(const Event& e) {
    const int x = e.x;
    const int y = e.y;
    if (!anchored_) {
        anchored_ = true;
        anchorX_ = x;
        anchorY_ = y;
        return false;
    }
    if (std::abs(x - anchorX_) <= kMouseSlack && std::abs(y - anchorY_) <= kMouseSlack) return false;
    anchorX_ = x;
    anchorY_ = y;
    return true;
}

int DemoMode::event(const Event& e) {
    if (feeding_ || isScreenshotKey(e)) return 1;
    if (!running) {
        // The release of the key or button that ended the demo is not the
        // screen's: it never saw the press.
        if (swallowUps_ > 0 && isUp(e)) return 0;
        if (isDown(e)) swallowUps_ = 0;
        if (isDown(e) || (e.type == EventType::PointerMove && beyondSlack(e))) restingSince_ = now();
        return 1;
    }
    if (e.type == EventType::FocusGained || e.type == EventType::FocusLost || e.type == EventType::Minimised ||
        e.type == EventType::Restored) {
        // The player went elsewhere: the demo gives way, and whatever it
        // gave way to pauses as it always does.
        if (!e.active || e.minimised) end();
        return 1;
    }
    if (e.type == EventType::PointerMove) {
        // A hand resting on the mouse shakes it a little; only a real move
        // is the player's. Either way the pointer is the demo's.
        if (beyondSlack(e)) end();
        return 0;
    }
    if (isDown(e)) {
        end();
        return 0;
    }
    if (isUp(e) || e.type == EventType::ControllerAxis) return 0;
    return 1;
}

void DemoMode::idleStep() {
    if (tickCount() == lastTick_) return;
    lastTick_ = tickCount();
    if (swallowUps_ > 0) --swallowUps_;
    if (startAtOnce) {
        if (!existingDispatcher()) return;
        startAtOnce = false;
        start(From::Start);
        return;
    }
    if (running)
        play();
    else
        watchForIdle();
}

void DemoMode::watchForIdle() {
    Dispatcher* d = existingDispatcher();
    From from = From::Title;
    bool resting = false;
    if (d && !d->paused) {
        if (d->current == &d->title) {
            resting = d->title.screen && d->title.screen->phase == TitleScreenv2::kWaiting;
        } else if (d->current == &d->menu) {
            resting = d->menu.menu && d->menu.menu->idle() && !d->menu.options;
            from = From::Menu;
        }
    }
    if (!resting) {
        restingSince_ = now();
        return;
    }
    if (now() - restingSince_ >= kIdleMs) start(from);
}

void DemoMode::start(From from) {
    Dispatcher* d = existingDispatcher();
    if (!d) return;
    from_ = from;
    running = true;
    anchored_ = false;
    // The demo's own player: the volumes of whoever plays here, every tip
    // already seen, a saved game at the level to show.
    PlayerRecord record;
    record.Name = "Demo";
    record.MusicVolume = player::MusicVolume();
    record.SoundFXVolume = player::SoundFXVolume();
    record.ShowHints = 0;
    record.UserTutorialStatus = 1;
    record.TipStatus.fill(1);
    beginDemoPlayer(record);
    playLevel(roundLevel(cycle_++));
}

void DemoMode::playLevel(int n) {
    Dispatcher& d = *existingDispatcher();
    if (shooter_.charging()) hands_.release(PointerButton::Left);
    setGameSession(1);
    setUserProgress(n);
    setUserScore(0);
    setUserLife(3);
    shooter_.reset();
    inPlay_ = false;
    levelTicks_ = 0;
    afterTicks_ = 0;
    tipTicks_ = 0;
    level = n;
    ++levelsStarted;
    // Leaving the game state takes the previous level's game along.
    d.switchTo(&d.game);
    clearNotice();
    notice_ = new Notice(orDefault(getText("DEMO_TITLE"), "Demo"),
                         orDefault(getText("DEMO_PRESS_TO_PLAY"), "Press a key or click to play"), kNoticeTicks);
}

void DemoMode::clearNotice() {
    if (!notice_) return;
    for (auto* list : {&liveActors(), &newActors()})
        for (Actor* a : *list)
            if (a == notice_ && !a->dead) a->kill();
    notice_ = nullptr;
}

bool DemoMode::answerTip() {
    ToolTip* tip = nullptr;
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<ToolTip*>(a); t && !a->dead && t->phase == ToolTip::kShown) tip = t;
    if (!tip) {
        tipTicks_ = 0;
        return false;
    }
    if (tip->firstButton && ++tipTicks_ == kReadTicks) hands_.clickOn(*tip->firstButton->sprite());
    return true;
}

void DemoMode::play() {
    Dispatcher* d = existingDispatcher();
    Game* g = Game::existing();
    if (!d || d->current != &d->game || !g) {
        // Something took the game away (it cannot end on its own while the
        // demo plays): the demo ends with it.
        end();
        return;
    }
    if (answerTip()) return;
    const bool playing = g->current == &g->physics && !g->physics.ended;
    if (playing) {
        inPlay_ = true;
        // A liberty a player does not have: the demo never reaches game over.
        if (g->lives->total() < 2) g->lives->set(3);
        if (++levelTicks_ >= kLevelTicks) {
            playLevel(roundLevel(cycle_++));
            return;
        }
        if (!g->paused() && g->physics.playMs >= 1000) {
            const int before = shooter_.shots();
            shooter_.step(*g);
            shots += shooter_.shots() - before;
        }
        return;
    }
    // The level has ended (won, lost or given up): its ending shows for a
    // moment, then the next level of the round.
    if (inPlay_ && ++afterTicks_ >= kAfterTicks) playLevel(roundLevel(cycle_++));
}

void DemoMode::end() {
    if (!running) return;
    running = false;
    if (shooter_.charging()) hands_.release(PointerButton::Left);
    shooter_.reset();
    clearNotice();
    swallowUps_ = kReleaseTicks;
    restingSince_ = now();
    level = 0;
    Dispatcher* d = existingDispatcher();
    // The game goes while the demo's player is still the active one, so
    // that nothing it does on the way out reaches the player's file.
    if (d) d->switchTo(nullptr);
    endDemoPlayer();
    if (!d) return;
    if (from_ == From::Menu) {
        d->switchTo(&d->menu);  // it plays the menu's tune itself
        return;
    }
    Sound_SetMusicOrder(getIniInt("Sound", "intro", 0));
    d->switchTo(&d->title);
}

void installDemoMode(bool startAtOnce) {
    uninstallDemoMode();
    g_demo = std::make_unique<DemoMode>();
    g_demo->startAtOnce = startAtOnce;
    addHook(HookList::Idle, kIdlePriority, &g_idleNode);
    addEventHook(kEventPriority, demoEventHook);
}

void uninstallDemoMode() {
    removeHook(&g_idleNode);
    removeEventHook(demoEventHook);
    if (demoPlayerActive()) endDemoPlayer();
    g_demo.reset();
}

bool demoRunning() { return g_demo && g_demo->running; }
int demoShots() { return g_demo ? g_demo->shots : 0; }
int demoLevelsStarted() { return g_demo ? g_demo->levelsStarted : 0; }
int demoLevel() { return g_demo ? g_demo->level : 0; }

int demoIdleHook() {
    if (g_demo) g_demo->idleStep();
    return 1;
}

int demoEventHook(const Event& e) {
    return g_demo ? g_demo->event(e) : 1;
}

}  // namespace demo
