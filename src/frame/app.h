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
    void* icon = nullptr;
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
intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l);
intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t w, intptr_t l);
bool createMainWindow();
void destroyMainWindow();
bool windowDestroyed();
void closeDown();

bool runFrame();
void requestQuit();
bool quitRequested();
void clearQuitRequest();
void setSuspended(bool suspended);
bool isSuspended();

// The loop sleeps until this many milliseconds have passed unless a message
// arrives first; 0 means run the idle hooks again at once.
uint32_t idleWaitMs();

// For test fixtures: forget every hook list, the record and the loop flags.
void resetFrameForTests();
