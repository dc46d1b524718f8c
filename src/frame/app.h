// Hook lists, the application record, the entry point and the frame step.
// Modules plug callbacks into five ordered lists; the entry point runs them at
// fixed moments and the game never writes a loop of its own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event.h"

namespace platform {
struct WindowIcon;
}

using HookFn = int (*)();
// An event hook returns 0 when it consumed the event: later hooks and the
// frame's own handling do not see it.
using EventHookFn = int (*)(const platform::Event& event);

struct HookNode {
    HookFn fn = nullptr;
    EventHookFn eventFn = nullptr;
    int32_t priority = 0;
    HookNode* next = nullptr;
};

enum class HookList { Init, Window, Idle, Shutdown, Event };

// The application record: the game's four hooks and how its window looks.
struct AppRecord {
    AppRecord(HookFn init, HookFn window, HookFn idle, HookFn shutdown, EventHookFn event);
    ~AppRecord();

    char title[256] = "dido davi ruvedar";
    bool framed = false;  // a bare 200 x 200 box unless the game asks for more
    int32_t x = 0, y = 0;
    int32_t width = 200, height = 200;
    const platform::WindowIcon* icon = nullptr;  // the owner keeps it alive

    AppRecord(const AppRecord&) = delete;
    AppRecord& operator=(const AppRecord&) = delete;

private:
    HookNode* nodes_[5] = {};
};

AppRecord* appRecord();

void addHook(HookList list, int priority, HookNode* node);
void removeHook(HookNode* node);
HookNode* addEventHook(int priority, EventHookFn fn);
void removeEventHook(EventHookFn fn);
HookNode* hookListHead(HookList list);
HookNode* currentHook();
// Runs a list; returns false when a hook whose result matters returned 0.
bool runHookList(HookList list);
// Returns true when a hook consumed the event.
bool runEventHooks(const platform::Event& event);

// The entry point's body (main() calls it). Returns the process exit code:
// 0 when the game ran and ended, 1 when it could not start.
int appMain();
// Whether the last appMain() ended because another copy runs, which was
// told to come forward: a start that did what was asked.
bool startHandedToRunningCopy();
// One event through the event hooks, then, unless a hook consumed it, the
// frame's own handling: Close closes the window.
void deliverEvent(const platform::Event& event);
// The window's client size in window units, kept in [Game] of vm_game.ini
// when the player resized it.
constexpr const char* kWindowWidthKey = "WindowWidth";
constexpr const char* kWindowHeightKey = "WindowHeight";
bool createMainWindow();
void destroyMainWindow();
bool windowDestroyed();
void closeDown();

// What a frame step runs of the engine layers above the frame: the scene's
// actors, input and draw list, the particles and the renderer. The frame is
// the lowest engine layer and includes none of them, so the scene fills this
// list in (connectSceneToFrame(), which engineStart() calls) before any step.
struct FrameParts {
    bool (*followMouse)() = nullptr;                 // the picture cursor; true when it moved
    void (*pointerOver)(bool usePicture) = nullptr;  // picture or system cursor
    void (*checkScene)() = nullptr;                  // the draw list's consistency check
    void (*joinNewActors)() = nullptr;               // actors made since the last call join
    void (*tickActors)() = nullptr;                  // one logic tick of every actor
    void (*tickParticles)(float seconds) = nullptr;
    void (*purgeDeadActors)() = nullptr;
    void (*dispatchInput)() = nullptr;
    void (*draw)() = nullptr;       // draws and shows a frame
    void (*redrawAll)() = nullptr;  // the next frame repaints everything
};
// Installs the parts; every member must be set. Null forgets them.
void setFrameParts(const FrameParts* parts);
// The installed parts; an internal error when nobody installed them, since a
// step without them would run no logic and draw nothing.
const FrameParts& frameParts();

bool runFrame();
void requestQuit();
bool quitRequested();
void clearQuitRequest();
void setSuspended(bool suspended);
bool isSuspended();

// The loop sleeps until this many microseconds have passed unless a message
// arrives first; 0 means run the idle hooks again at once.
uint64_t idleWaitMicros();

// For test fixtures: forget every hook list, the record and the loop flags.
void resetFrameForTests();
