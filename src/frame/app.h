// Hook lists, the application record, the entry point and the frame step.
// Modules plug callbacks into five ordered lists; the entry point runs them at
// fixed moments and the game never writes a loop of its own.
#pragma once

#include <cstdint>
#include <string>

using WindowHandle = void*;
using HookFn = int (*)();
using MessageHookFn = int (*)(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l,
                              intptr_t* result);

struct HookNode {
    HookFn fn = nullptr;
    MessageHookFn messageFn = nullptr;
    int32_t priority = 0;
    HookNode* next = nullptr;
};

enum class HookList { Init, Window, Idle, Shutdown, Message };

// Window class record; on Linux only the class name (kept as data), the
// double-click style and the cursor choice mean anything.
struct WindowClassRecord {
    uint32_t style = 0;
    void* procedure = nullptr;
    int32_t classExtra = 0;
    int32_t windowExtra = 0;
    void* instance = nullptr;
    void* icon = nullptr;  // a platform::WindowIcon the owner keeps alive
    void* cursor = nullptr;
    void* background = nullptr;
    const char* menuName = nullptr;
    std::string className = "VLIBCLASS";
};

struct AppRecord {
    AppRecord(HookFn init, HookFn window, HookFn idle, HookFn shutdown, MessageHookFn message);
    ~AppRecord();

    void* instance = nullptr;
    WindowHandle window = nullptr;
    WindowClassRecord windowClass;
    char title[256] = "dido davi ruvedar";
    uint32_t style = 0x80000000u;
    int32_t x = 0, y = 0;
    int32_t width = 200, height = 200;
    void* menu = nullptr;

    AppRecord(const AppRecord&) = delete;
    AppRecord& operator=(const AppRecord&) = delete;

private:
    HookNode* nodes_[5] = {};
};

AppRecord* appRecord();

void addHook(HookList list, int priority, HookNode* node);
void removeHook(HookNode* node);
HookNode* addMessageHook(int priority, MessageHookFn fn);
void removeMessageHook(MessageHookFn fn);
HookNode* hookListHead(HookList list);
HookNode* currentHook();
// Runs a list; returns false when a hook whose result matters returned 0.
bool runHookList(HookList list);
// Messages: returns true when a hook consumed the message (result in *result).
bool runMessageHooks(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l, intptr_t* result);

// The entry point's body (main() calls it). Returns the process exit code.
int appMain();
// Whether the last appMain() ended because another copy runs, which was
// told to come forward: a start that did what was asked, though it returned 0.
bool startHandedToRunningCopy();
intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l);
intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l);
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
