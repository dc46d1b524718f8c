#include "frame/clock.h"

#include "frame/app.h"
#include "frame/settings.h"
#include "platform/platform.h"

namespace {
bool g_appActive = false;
bool g_minimised = false;  // nobody sees the window: nothing is drawn
ActivationListener g_activationListener = nullptr;
int g_tickRate = 0;
// Microseconds: a tick is 12.5 ms long, and waiting whole milliseconds for it
// would give 77 ticks a second instead of 80.
uint64_t g_lastTickTime = 0;  // 64-bit: a long suspension must not wrap the difference
HookNode* g_activationNode = nullptr;
HookNode* g_displayKeysNode = nullptr;
bool g_swallowReturn = false;  // Alt+Return switched the mode; its Return is not the game's
bool g_leftShift = false, g_rightShift = false;
float g_lastTickSeconds = 0.0f;

constexpr int kActivationPriority = 0x8800;
constexpr int kDisplayKeysPriority = 0x8040;  // ahead of every hook that passes keys to the game
constexpr int kKeyboardPriority = 0x8000;

int keyboardOpen() { return platform::installed() ? 1 : 0; }
int keyboardPoll() {
    // Read as all keys up while the window lacks the focus (the platform does that).
    platform::Platform& os = platform::current();
    g_leftShift = os.leftShiftDown();
    g_rightShift = os.rightShiftDown();
    return 1;
}
int keyboardClose() {
    g_leftShift = g_rightShift = false;
    return 1;
}

HookNode g_kbWindowNode{keyboardOpen, nullptr, 0, nullptr};
HookNode g_kbIdleNode{keyboardPoll, nullptr, 0, nullptr};
HookNode g_kbShutdownNode{keyboardClose, nullptr, 0, nullptr};

struct KeyboardModuleRegistration {
    KeyboardModuleRegistration() { installKeyboardModule(); }
    ~KeyboardModuleRegistration() {
        removeHook(&g_kbWindowNode);
        removeHook(&g_kbIdleNode);
        removeHook(&g_kbShutdownNode);
    }
} g_keyboardRegistration;
}  // namespace

void installKeyboardModule() {
    removeHook(&g_kbWindowNode);
    removeHook(&g_kbIdleNode);
    removeHook(&g_kbShutdownNode);
    addHook(HookList::Window, kKeyboardPriority, &g_kbWindowNode);
    addHook(HookList::Idle, kKeyboardPriority, &g_kbIdleNode);
    addHook(HookList::Shutdown, kKeyboardPriority, &g_kbShutdownNode);
}

bool keyboardLeftShift() { return g_leftShift; }
bool keyboardRightShift() { return g_rightShift; }

void followTextFocus(bool focused) {
    if (!platform::installed()) return;
    if (focused)
        platform::current().startTextInput();
    else
        platform::current().stopTextInput();
}

void showSystemCursor(bool show) {
    if (platform::installed()) platform::current().showSystemCursor(show);
}

void frameStart() {
    if (!g_activationNode) g_activationNode = addEventHook(kActivationPriority, activationHook);
    if (!g_displayKeysNode) g_displayKeysNode = addEventHook(kDisplayKeysPriority, displayKeysHook);
    g_swallowReturn = false;
    g_appActive = true;
    g_minimised = false;
    setSuspended(false);
    clearQuitRequest();
    readEngineSettings();
}

namespace {
void dropHook(HookNode*& node) {
    if (!node) return;
    removeHook(node);
    delete node;
    node = nullptr;
}
}  // namespace

void frameStop() {
    dropHook(g_activationNode);
    dropHook(g_displayKeysNode);
}

bool isAppActive() { return g_appActive; }
bool isWindowMinimised() { return g_minimised; }

void setActivationListener(ActivationListener listener) { g_activationListener = listener; }

int activationHook(const platform::Event& e) {
    using platform::EventType;
    switch (e.type) {
        case EventType::FocusGained:
        case EventType::FocusLost:
        case EventType::Minimised:
        case EventType::Restored:
            g_appActive = e.active;
            g_minimised = e.minimised;
            if (g_appActive) {
                setSuspended(false);
                frameParts().redrawAll();
                frameParts().draw();
            }
            if (g_activationListener) g_activationListener(g_appActive);
            break;
        case EventType::Exposed:
            // The window lost its picture: show all of it again.
            frameParts().redrawAll();
            if (!g_minimised) frameParts().draw();
            break;
        case EventType::PointerLeft: frameParts().pointerOver(false); break;
        case EventType::PointerMove: frameParts().pointerOver(customCursorEnabled()); break;
        // The platform scales the frame into whatever size the window has,
        // and there is no monitor-power command to answer on Linux.
        default: break;
    }
    return 1;
}

int displayKeysHook(const platform::Event& e) {
    using platform::EventType;
    using platform::Key;
    switch (e.type) {
        case EventType::KeyDown:
            if (e.key == Key::F11 || (e.key == Key::Return && e.menuKey && e.alt)) {
                if (!e.repeat) toggleFullscreen();
                if (e.key == Key::Return) g_swallowReturn = true;
                return 0;
            }
            if (e.key == Key::Return && g_swallowReturn) {
                // Held on after Alt went up: still the switch's key.
                if (e.repeat) return 0;
                g_swallowReturn = false;
            }
            break;
        case EventType::Text:
            if (e.character == '\r' && g_swallowReturn) return 0;
            break;
        case EventType::KeyUp:
            if (e.key == Key::F11) return 0;
            if (e.key == Key::Return && g_swallowReturn) {
                g_swallowReturn = false;
                return 0;
            }
            break;
        default: break;
    }
    return 1;
}

void setTickRate(int rate) { g_tickRate = rate; }
int tickRate() { return g_tickRate; }
float lastTickSeconds() { return g_lastTickSeconds; }

namespace {
constexpr uint64_t kMicrosPerSecond = 1000000;

int effectiveRate() {
    int r = g_tickRate;
    if (shiftEnabled()) {
        if (g_leftShift)
            r = g_tickRate / 10;
        else if (g_rightShift)
            r = g_tickRate * 10;
    }
    return r;
}
}  // namespace

bool frameTick() {
    const FrameParts& parts = frameParts();
    parts.joinNewActors();
    uint64_t elapsed = 0;
    const int r = effectiveRate();
    if (r != 0) {
        const uint64_t now = platform::current().ticksMicros();
        if (g_lastTickTime == 0) g_lastTickTime = now;
        elapsed = (now - g_lastTickTime) * static_cast<uint64_t>(r);
        if (elapsed < kMicrosPerSecond) return false;
        g_lastTickTime = now;
    }
    parts.tickActors();
    // Set after the actors' tick: during it they still see the last tick's.
    const double rate = g_tickRate != 0 ? static_cast<double>(g_tickRate) : 1.0;
    g_lastTickSeconds = static_cast<float>(static_cast<double>(elapsed) / (rate * static_cast<double>(kMicrosPerSecond)));
    parts.tickParticles(g_lastTickSeconds);
    return true;
}

uint64_t microsUntilNextTick() {
    const int r = effectiveRate();
    if (r <= 0 || g_lastTickTime == 0) return 0;
    const uint64_t now = platform::current().ticksMicros();
    const uint64_t needed = (kMicrosPerSecond + static_cast<uint64_t>(r) - 1) / static_cast<uint64_t>(r);
    const uint64_t passed = now - g_lastTickTime;
    return passed >= needed ? 0 : needed - passed;
}

std::string instanceLockPath() { return makeDataPath("vellmoor.lock"); }

void resetClockForTests() {
    g_appActive = false;
    g_minimised = false;
    g_tickRate = 0;
    g_lastTickTime = 0;
    dropHook(g_activationNode);
    dropHook(g_displayKeysNode);
    g_swallowReturn = false;
    g_leftShift = g_rightShift = false;
    g_lastTickSeconds = 0.0f;
}
