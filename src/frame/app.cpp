#include "frame/app.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "frame/clock.h"
#include "frame/errors.h"
#include "frame/log.h"
#include "frame/settings.h"
#include "platform/exit_guard.h"
#include "platform/instance_call.h"
#include "platform/platform.h"

namespace {
HookNode* g_lists[5] = {};
// One cursor per list run in progress, the innermost last: a hook may run a
// list itself (a message sent from an idle hook), and that nested run must
// not move the cursor of the run around it.
std::vector<HookNode**> g_cursors;
AppRecord* g_record = nullptr;
bool g_quit = false;
bool g_suspended = false;
bool g_redrawSuspended = false;
bool g_windowDestroyed = false;
bool g_handedOver = false;
const FrameParts* g_parts = nullptr;
constexpr int kAppHookPriority = 0x10000000;
constexpr uint32_t kSuspendedSleepMs = 20;
constexpr int kExitSuccess = 0;
constexpr int kExitNotStarted = 1;

HookNode*& head(HookList list) { return g_lists[static_cast<int>(list)]; }

void insertNode(HookList list, HookNode* node) {
    // Ascending priority, except the shutdown list which runs in descending
    // order; equal priorities keep registration order in both.
    const bool descending = list == HookList::Shutdown;
    HookNode** link = &head(list);
    while (*link) {
        const int p = (*link)->priority;
        const bool before = descending ? p >= node->priority : p <= node->priority;
        if (!before) break;
        link = &(*link)->next;
    }
    node->next = *link;
    *link = node;
}

// Unlinks a node from whatever list holds it; the running cursor moves on.
bool unlinkNode(HookNode* node) {
    for (HookNode*& listHead : g_lists) {
        for (HookNode** link = &listHead; *link; link = &(*link)->next) {
            if (*link != node) continue;
            *link = node->next;
            for (HookNode** cursor : g_cursors)
                if (*cursor == node) *cursor = node->next;
            node->next = nullptr;
            return true;
        }
    }
    return false;
}

// Runs a list with the cursor rule: removing the running node moves the
// cursor to its successor, which must then run next rather than be skipped.
template <typename Call>
bool runList(HookList list, bool stopOnZero, Call call) {
    HookNode* cursor = head(list);
    struct Registration {
        explicit Registration(HookNode** c) { g_cursors.push_back(c); }
        ~Registration() { g_cursors.pop_back(); }
    } registration(&cursor);
    while (cursor) {
        HookNode* running = cursor;
        const int result = call(running);
        if (stopOnZero && result == 0) return false;
        if (!cursor) break;
        if (cursor == running) cursor = running->next;
    }
    return true;
}

void releaseInstance() {
    platform::stopListeningForOtherStarts();
    platform::releaseInstanceLock();
}

// The display went away under the game: the shutdown hooks still store and
// release what they can (the platform and the renderer leave out whatever
// would reach the display), and the lock is given back.
void shutDownWithoutDisplay() {
    runHookList(HookList::Shutdown);
    releaseInstance();
}
}  // namespace

AppRecord::AppRecord(HookFn init, HookFn window, HookFn idle, HookFn shutdown, EventHookFn event) {
    g_record = this;
    const HookFn fns[4] = {init, window, idle, shutdown};
    const HookList lists[4] = {HookList::Init, HookList::Window, HookList::Idle, HookList::Shutdown};
    for (int i = 0; i < 4; ++i) {
        if (!fns[i]) continue;
        nodes_[i] = new HookNode;
        nodes_[i]->fn = fns[i];
        addHook(lists[i], kAppHookPriority, nodes_[i]);
    }
    if (event) {
        nodes_[4] = new HookNode;
        nodes_[4]->eventFn = event;
        addHook(HookList::Event, kAppHookPriority, nodes_[4]);
    }
}

AppRecord::~AppRecord() {
    for (HookNode*& node : nodes_) {
        if (!node) continue;
        removeHook(node);
        delete node;
        node = nullptr;
    }
    if (g_record == this) g_record = nullptr;
}

AppRecord* appRecord() { return g_record; }

void addHook(HookList list, int priority, HookNode* node) {
    node->priority = priority;
    insertNode(list, node);
}

void removeHook(HookNode* node) { unlinkNode(node); }

HookNode* addEventHook(int priority, EventHookFn fn) {
    if (!fn) return nullptr;
    auto* node = new HookNode;
    node->eventFn = fn;
    addHook(HookList::Event, priority, node);
    return node;
}

void removeEventHook(EventHookFn fn) {
    for (HookNode* node = head(HookList::Event); node; node = node->next) {
        if (node->eventFn == fn) {
            unlinkNode(node);
            delete node;
            return;
        }
    }
}

HookNode* hookListHead(HookList list) { return head(list); }
HookNode* currentHook() { return g_cursors.empty() ? nullptr : *g_cursors.back(); }

bool runHookList(HookList list) {
    const bool stopOnZero = list != HookList::Shutdown;
    return runList(list, stopOnZero, [](HookNode* node) { return node->fn ? node->fn() : 1; });
}

bool runEventHooks(const platform::Event& event) {
    const bool all = runList(HookList::Event, true,
                             [&](HookNode* node) { return node->eventFn ? node->eventFn(event) : 1; });
    return !all;
}

void deliverEvent(const platform::Event& event) {
    if (event.type == platform::EventType::Destroyed) {
        // The loop ends once what was queued before has been delivered.
        g_windowDestroyed = true;
        platform::current().postEvent(platform::makeEvent(platform::EventType::Quit));
    }
    if (runEventHooks(event)) return;
    if (event.type == platform::EventType::Close) destroyMainWindow();
}

bool createMainWindow() {
    AppRecord* rec = g_record;
    platform::WindowDesc desc;
    desc.title = rec->title;
    desc.framed = rec->framed;
    desc.x = rec->x;
    desc.y = rec->y;
    // Whatever the record asks for, the window is the size the player last
    // gave it, or (0) one the platform fits to the display.
    desc.width = getIniInt("Game", kWindowWidthKey, 0);
    desc.height = getIniInt("Game", kWindowHeightKey, 0);
    // The icon, when the game set one.
    desc.icon = rec->icon;
    g_windowDestroyed = false;
    if (!platform::current().createWindow(desc)) return false;
    platform::current().showWindow();
    return true;
}

// A size the player dragged the window to is the size of the next start.
void keepPlayerWindowSize() {
    int w = 0, h = 0;
    if (platform::displayLost() || !platform::current().playerWindowSize(w, h)) return;
    if (w == getIniInt("Game", kWindowWidthKey, 0) && h == getIniInt("Game", kWindowHeightKey, 0)) return;
    if (!setIniString("Game", kWindowWidthKey, std::to_string(w).c_str()) ||
        !setIniString("Game", kWindowHeightKey, std::to_string(h).c_str()))
        logLine(LogLevel::Warning, "vellmoor: the window's size could not be kept for the next start: " +
                                       lastWriteError());
}

void destroyMainWindow() {
    if (g_windowDestroyed || !platform::current().hasWindow()) return;
    keepPlayerWindowSize();
    deliverEvent(platform::makeEvent(platform::EventType::Destroyed));
    platform::current().destroyWindow();
}

bool windowDestroyed() { return g_windowDestroyed; }

void closeDown() {
    if (g_windowDestroyed) return;
    destroyMainWindow();
    // Drain what the destruction queued, up to the Quit event.
    platform::Event e;
    while (platform::current().pollEvent(e)) {
        if (e.type == platform::EventType::Quit) break;
        deliverEvent(e);
    }
}

int appMain() {
    if (!g_record || !platform::installed()) {
        if (platform::installed())
            platform::current().messageBox("Problem with process description.", "Fatal Error",
                                           platform::MB_ICONERROR_);
        else
            std::fprintf(stderr, "Fatal Error: Problem with process description.\n");
        return kExitNotStarted;
    }
    platform::setDisplayLossShutdown(shutDownWithoutDisplay);
    g_handedOver = false;
    if (!runHookList(HookList::Init)) return kExitNotStarted;
    // A second start finds the lock held by the first: the first brings its
    // window forward, and this one ends without a word. (A lock left by a
    // copy that crashed is free again: the system drops it with the process.)
    const std::string lockPath = instanceLockPath();
    if (!platform::acquireInstanceLock(lockPath)) {
        if (!platform::knockAtRunningCopy(lockPath))
            logLine(LogLevel::Warning, "vellmoor: another copy of the game holds " + lockPath +
                                           " but does not answer; this start ends");
        g_handedOver = true;
        return kExitSuccess;
    }
    platform::listenForOtherStarts(lockPath);
    if (!createMainWindow()) {
        platform::current().messageBox("Internal-init process failed", "Error", platform::MB_ICONERROR_);
        releaseInstance();
        return kExitNotStarted;
    }
    // A start that never reached the loop is a failed start, even though
    // the shutdown hooks still run to release what was made.
    const bool started = runHookList(HookList::Window);
    if (started) {
        platform::Platform& os = platform::current();
        logLine(LogLevel::Debug, "the game is running");
        for (;;) {
            // A session's quit signal closes the game as its close button does.
            if (const int sig = platform::takeQuitSignal()) {
                logPrintf(LogLevel::Debug, "vellmoor: %s (signal %d): ending the game", strsignal(sig), sig);
                os.postEvent(platform::makeEvent(platform::EventType::Close));
            }
            if (platform::takeOtherStart()) {
                logLine(LogLevel::Info, "vellmoor: the game was started again; its window comes forward");
                os.raiseWindow();
            }
            platform::Event e;
            if (os.pollEvent(e)) {
                if (e.type == platform::EventType::Quit) break;
                deliverEvent(e);
                continue;
            }
            if (!runHookList(HookList::Idle)) break;
            // Sleep until the next logic tick is due unless input arrives.
            const uint64_t wait = idleWaitMicros();
            if (wait > 0) os.waitForEventMicros(wait);
        }
    }
    platform::beginShutdown();
    runHookList(HookList::Shutdown);
    closeDown();
    releaseInstance();
    return started ? kExitSuccess : kExitNotStarted;
}

bool startHandedToRunningCopy() { return g_handedOver; }

void setFrameParts(const FrameParts* parts) {
    if (parts) {
        const FrameParts& p = *parts;
        const bool complete = p.followMouse && p.pointerOver && p.checkScene && p.joinNewActors && p.tickActors &&
                              p.tickParticles && p.purgeDeadActors && p.dispatchInput && p.draw && p.redrawAll;
        if (!complete) internalError("the frame was handed an incomplete list of parts");
    }
    g_parts = parts;
}

const FrameParts& frameParts() {
    if (!g_parts) internalError("the frame step has no scene to run: connectSceneToFrame() was not called");
    return *g_parts;
}

bool runFrame() {
    const FrameParts& parts = frameParts();
    if (g_suspended) {
        // Frozen behind the pause picture: only the cursor can change what is
        // on the screen, so a frame is drawn when it moves and not otherwise.
        const bool moved = parts.followMouse();
        if ((moved || g_redrawSuspended) && !isWindowMinimised()) parts.draw();
        g_redrawSuspended = false;
        platform::current().sleepMs(kSuspendedSleepMs);
    } else {
        parts.followMouse();
        parts.checkScene();
        const bool ticked = frameTick();
        parts.purgeDeadActors();
        parts.dispatchInput();
        // Nobody looks at a minimised window: the logic runs, drawing waits.
        if (ticked && !isWindowMinimised()) parts.draw();
    }
    return !g_quit;
}

void requestQuit() { g_quit = true; }
bool quitRequested() { return g_quit; }
void clearQuitRequest() { g_quit = false; }
void setSuspended(bool suspended) {
    if (suspended && !g_suspended) g_redrawSuspended = true;  // the frozen picture, once
    g_suspended = suspended;
}
bool isSuspended() { return g_suspended; }

uint64_t idleWaitMicros() {
    if (g_quit) return 0;
    if (g_suspended) return 0;  // the suspended frame step sleeps by itself
    return microsUntilNextTick();
}

void resetFrameForTests() {
    for (HookNode*& listHead : g_lists) listHead = nullptr;
    g_record = nullptr;
    g_quit = false;
    g_suspended = false;
    g_windowDestroyed = false;
}
