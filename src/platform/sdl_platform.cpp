#include "platform/sdl_platform.h"

#include <SDL.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/code_pages.h"
#include "platform/exit_guard.h"
#include "platform/window_fit.h"

namespace platform {

// The pad's buttons and axes are SDL's own numbers.
static_assert(static_cast<int>(PadButton::A) == SDL_CONTROLLER_BUTTON_A);
static_assert(static_cast<int>(PadButton::Start) == SDL_CONTROLLER_BUTTON_START);
static_assert(static_cast<int>(PadButton::DpadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
static_assert(static_cast<int>(PadAxis::LeftY) == SDL_CONTROLLER_AXIS_LEFTY);
static_assert(static_cast<int>(PadAxis::RightTrigger) == SDL_CONTROLLER_AXIS_TRIGGERRIGHT);

namespace {

void reportSdlError(const char* what) { std::fprintf(stderr, "%s: %s\n", what, SDL_GetError()); }

// The smallest window a player may drag the game to: half the frame.
constexpr int kMinWindowWidth = kLogicalWidth / 2;
constexpr int kMinWindowHeight = kLogicalHeight / 2;

// Drivers without a screen: a message box there could only block or fail.
bool headlessVideo() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) driver = std::getenv("SDL_VIDEODRIVER");
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Xlib's own answer to a broken connection is exit(), after which the exit
// handlers wait for ever on the dead display. This one ends the game itself.
struct _XDisplay;
using XIOErrorHandler = int (*)(_XDisplay*);

int onBrokenDisplay(_XDisplay*) { leaveForLostDisplay(); }

// Whether a connection to an X server (a socket to ".X11-unix/X<n>" or to
// TCP port 6000 + n) has been closed by the server. System calls only: it
// runs in a signal handler.
bool x11ConnectionClosed() {
    for (int fd = 0; fd < 1024; ++fd) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) continue;
        bool x11 = false;
        if (peer.ss_family == AF_UNIX) {
            const auto* un = reinterpret_cast<const sockaddr_un*>(&peer);
            const size_t length = size > offsetof(sockaddr_un, sun_path) ? size - offsetof(sockaddr_un, sun_path) : 0;
            static constexpr char kX11[] = ".X11-unix/X";
            for (size_t i = 0; !x11 && i + sizeof kX11 - 1 <= length; ++i)
                x11 = std::memcmp(un->sun_path + i, kX11, sizeof kX11 - 1) == 0;
        } else if (peer.ss_family == AF_INET || peer.ss_family == AF_INET6) {
            const uint16_t port = ntohs(peer.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in*>(&peer)->sin_port
                                                                  : reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port);
            x11 = port >= 6000 && port < 6100;
        }
        if (!x11) continue;
        char c = 0;
        const ssize_t n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && (errno == ECONNRESET || errno == EPIPE))) return true;
    }
    return false;
}

// Set before SDL opens the display, so that a server going away while SDL
// starts ends the game the same way. Looked up at run time, so the game
// needs no X11 to build or to run on other drivers; the library stays
// loaded (SDL loads the same one).
void watchX11Connection() {
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    if (wanted && *wanted && !std::strstr(wanted, "x11")) return;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
    if (!x11) return;
    using SetHandler = XIOErrorHandler (*)(XIOErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(x11, "XSetIOErrorHandler"))) set(onBrokenDisplay);
    setDisplayGoneCheck(x11ConnectionClosed);
}

// The display the pointer is on (where the player is looking when the game
// starts), else the first.
int pointerDisplay() {
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    const SDL_Point at{x, y};
    for (int i = 0, n = SDL_GetNumVideoDisplays(); i < n; ++i) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(i, &r) == 0 && SDL_PointInRect(&at, &r)) return i;
    }
    return 0;
}

// The window's size and place: the asked-for or first size on the
// pointer's display, centred in its usable area with its frame.
SDL_Rect windowPlace(const WindowDesc& desc) {
    SDL_Rect usable{0, 0, 0, 0};
    const int display = pointerDisplay();
    const bool known = SDL_GetDisplayUsableBounds(display, &usable) == 0 && usable.w > 0 && usable.h > 0;
    WindowSize size{desc.width, desc.height};
    if (known)
        size = startWindowSize(desc.width, desc.height, usable.w, usable.h);
    else if (size.w < kMinWindowWidth || size.h < kMinWindowHeight)
        size = {kLogicalWidth, kLogicalHeight};
    SDL_Rect place{desc.x, desc.y, size.w, size.h};
    if (desc.x == kWindowCentred || desc.y == kWindowCentred) {
        if (known) {
            // Window managers put the frame's corner where a window asks to be.
            place.x = usable.x + (usable.w - size.w - kFrameRoomW) / 2;
            place.y = usable.y + (usable.h - size.h - kFrameRoomH) / 2;
        } else {
            place.x = place.y = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        }
    }
    return place;
}

}  // namespace

SdlPlatform::~SdlPlatform() {
    // A lost display is left alone: releasing anything on it never returns.
    if (displayLost()) return;
    releaseWindow();
    for (auto& [instance, pad] : controllers_) SDL_GameControllerClose(pad);
    controllers_.clear();
    if (controllersInit_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (videoInit_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

uint64_t SdlPlatform::ticks64() { return SDL_GetTicks64() + 1; }

void SdlPlatform::sleepMs(uint32_t ms) { SDL_Delay(ms); }

uint64_t SdlPlatform::ticksMicros() {
    static const uint64_t frequency = SDL_GetPerformanceFrequency();
    const uint64_t count = SDL_GetPerformanceCounter();
    // In two parts: count * 1000000 overflows after a few days of uptime.
    return count / frequency * 1000000 + count % frequency * 1000000 / frequency + 1;
}

bool SdlPlatform::initVideo() {
    if (videoInit_) return true;
    // Closing the window is a Close event of its own; SDL must not add a second
    // one through SDL_QUIT.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The full-screen window is only a desktop-sized one; it need not get out
    // of the way when the player switches to another program.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Quit signals are the exit guard's, which closes the game the same way
    // and also cuts a second signal or a hung shutdown short.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    watchX11Connection();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        reportSdlError("SDL_Init");
        return false;
    }
    videoInit_ = true;
    initControllers();
    return true;
}

void SdlPlatform::initControllers() {
    // SDL's own mapping database knows most pads; SDL_GAMECONTROLLERCONFIG
    // (mapping lines) and SDL_GAMECONTROLLERCONFIG_FILE (a mapping file)
    // add to it or correct it, read by SDL itself as it starts the
    // subsystem. Pads already plugged in arrive as "added" events like
    // the ones plugged in later. Without controllers the game still plays.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        reportSdlError("SDL_Init (game controllers)");
        return;
    }
    controllersInit_ = true;
}

void SdlPlatform::controllerAdded(int deviceIndex) {
    const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (instance < 0 || controllers_.count(instance)) return;  // known already: SDL tells twice at start
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        reportSdlError("SDL_GameControllerOpen");
        return;
    }
    controllers_[instance] = pad;
}

void SdlPlatform::controllerRemoved(int instance) {
    auto it = controllers_.find(instance);
    if (it == controllers_.end()) return;
    SDL_GameControllerClose(it->second);
    controllers_.erase(it);
    // A pad pulled out with a button held or the stick pushed lets go of
    // them: nothing may stay charging or moving for ever.
    for (int b = 0; b < static_cast<int>(PadButton::Count); ++b)
        queue_.push_back(padButtonEvent(static_cast<PadButton>(b), false, instance));
    for (int a = 0; a < static_cast<int>(PadAxis::Count); ++a)
        queue_.push_back(padAxisEvent(static_cast<PadAxis>(a), 0, instance));
}

bool SdlPlatform::createWindow(const WindowDesc& desc) {
    if (retired_) releaseWindow();
    if (window_) {
        std::fprintf(stderr, "createWindow: the window already exists\n");
        return false;
    }
    if (!initVideo()) return false;

    uint32_t flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
    if (desc.openGL) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
        flags |= SDL_WINDOW_OPENGL;
    }
    if (fullscreen_) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // A window asked for without a frame gets none.
    if (!desc.framed) flags |= SDL_WINDOW_BORDERLESS;

    const SDL_Rect place = windowPlace(desc);
    const std::string title = cp1252ToUtf8(desc.title);
    window_ = SDL_CreateWindow(title.c_str(), place.x, place.y, place.w, place.h, flags);
    if (!window_) {
        reportSdlError("SDL_CreateWindow");
        return false;
    }
    openedW_ = windowedW_ = place.w;
    openedH_ = windowedH_ = place.h;
    // Smaller than this the letterboxed frame's text cannot be read.
    SDL_SetWindowMinimumSize(window_, kMinWindowWidth, kMinWindowHeight);
    // For window managers that do not find the desktop entry's icon.
    if (desc.icon && desc.icon->width > 0 &&
        desc.icon->argb.size() == static_cast<size_t>(desc.icon->width) * static_cast<size_t>(desc.icon->height)) {
        if (SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
                const_cast<uint32_t*>(desc.icon->argb.data()), desc.icon->width, desc.icon->height, 32,
                desc.icon->width * 4, SDL_PIXELFORMAT_ARGB8888)) {
            SDL_SetWindowIcon(window_, icon);
            SDL_FreeSurface(icon);
        } else {
            reportSdlError("SDL_CreateRGBSurfaceWithFormatFrom (window icon)");
        }
    }
    if (desc.openGL) {
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            reportSdlError("SDL_GL_CreateContext (OpenGL 3.3 core)");
            SDL_DestroyWindow(window_);
            window_ = nullptr;
            return false;
        }
        if (SDL_GL_MakeCurrent(window_, context_) != 0) reportSdlError("SDL_GL_MakeCurrent");
        // The frame clock paces drawing itself; waiting for vsync would stall it.
        SDL_GL_SetSwapInterval(0);
    }
    // SDL turns text input on by itself when video starts.
    if (textInput_)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
    const uint32_t state = SDL_GetWindowFlags(window_);
    focused_ = (state & SDL_WINDOW_INPUT_FOCUS) != 0;
    minimized_ = (state & SDL_WINDOW_MINIMIZED) != 0;
    translator_.reset();
    return true;
}

void SdlPlatform::destroyWindow() {
    // The player sees the window go at once, but the GL context outlives it
    // until the platform goes: the shutdown hooks that run after the window
    // was closed still release their GL objects through it.
    if (!window_ || retired_ || displayLost()) return;
    SDL_StopTextInput();
    SDL_HideWindow(window_);
    retired_ = true;
    focused_ = minimized_ = false;
}

void SdlPlatform::releaseWindow() {
    retired_ = false;
    if (displayLost()) return;
    if (context_) {
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }
    if (window_) {
        SDL_StopTextInput();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    focused_ = minimized_ = false;
}

void SdlPlatform::showWindow() {
    if (window_ && !retired_ && !displayLost()) SDL_ShowWindow(window_);
}

void SdlPlatform::minimizeWindow() {
    if (window_ && !displayLost()) SDL_MinimizeWindow(window_);
}

void SdlPlatform::raiseWindow() {
    if (!window_ || displayLost()) return;
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlPlatform::swapBuffers() {
    if (window_ && context_ && !displayLost()) SDL_GL_SwapWindow(window_);
}

void* SdlPlatform::glProcAddress(const char* name) {
    return context_ ? SDL_GL_GetProcAddress(name) : nullptr;
}

Viewport SdlPlatform::viewport() const {
    if (!window_ || displayLost()) return Viewport{};
    int w = 0, h = 0;
    if (context_)
        SDL_GL_GetDrawableSize(window_, &w, &h);
    else
        SDL_GetWindowSizeInPixels(window_, &w, &h);
    return letterbox(w, h);
}

bool SdlPlatform::setFullscreen(bool on) {
    if (!window_) {  // applied when the window is created
        fullscreen_ = on;
        return true;
    }
    if (on == isFullscreen()) return true;
    if (displayLost()) return false;
    settleUntil_ = SDL_GetTicks64() + settleMs_;
    if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        reportSdlError("SDL_SetWindowFullscreen");
        return false;
    }
    fullscreen_ = on;
    // Not every driver restores the windowed size by itself.
    if (!on && windowedW_ > 0) SDL_SetWindowSize(window_, windowedW_, windowedH_);
    return true;
}

bool SdlPlatform::playerWindowSize(int& w, int& h) const {
    if (!window_ || windowedW_ <= 0 || (windowedW_ == openedW_ && windowedH_ == openedH_)) return false;
    if (!displayLost() && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED)) return false;
    w = windowedW_;
    h = windowedH_;
    return true;
}

bool SdlPlatform::displayPixels(int& w, int& h) const {
    if (!window_ || displayLost()) return false;
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect bounds;
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return false;
    // Bounds count window units; a high-DPI window has more pixels per unit.
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    const Viewport v = viewport();
    if (ww <= 0 || wh <= 0 || v.drawableW <= 0 || v.drawableH <= 0) return false;
    w = static_cast<int>(static_cast<int64_t>(bounds.w) * v.drawableW / ww);
    h = static_cast<int>(static_cast<int64_t>(bounds.h) * v.drawableH / wh);
    return true;
}

bool SdlPlatform::isFullscreen() const {
    // The window manager may have switched it behind our back.
    if (!window_) return fullscreen_;
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
}

void SdlPlatform::showSystemCursor(bool show) {
    if (videoInit_ && !displayLost()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlPlatform::ownWindow(uint32_t windowId) const {
    return window_ && !retired_ && (windowId == 0 || windowId == SDL_GetWindowID(window_));
}

bool SdlPlatform::hasKeyboardFocus() const {
    return window_ && !retired_ && SDL_GetKeyboardFocus() == window_;
}

void SdlPlatform::logicalMouse(int wx, int wy, int& lx, int& ly) const {
    // Mouse positions come in window units, which on high-DPI screens are
    // fewer than the drawable's pixels the frame is scaled into.
    int ww = kLogicalWidth, wh = kLogicalHeight;
    SDL_GetWindowSize(window_, &ww, &wh);
    windowToLogical(viewport(), ww, wh, wx, wy, lx, ly);
}

bool SdlPlatform::settling() const { return settleUntil_ != 0 && SDL_GetTicks64() < settleUntil_; }

void SdlPlatform::reportWindowState() {
    if ((!focused_ || minimized_) && settling()) {
        statePending_ = true;
        translator_.releaseKeys();
        return;
    }
    statePending_ = false;
    translator_.windowState(focused_, minimized_, queue_);
}

void SdlPlatform::flushHeldState() {
    if (statePending_ && !settling()) reportWindowState();
}

void SdlPlatform::translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_MOUSEMOTION: {
            if (!ownWindow(e.motion.windowID)) break;
            translator_.syncButtons((e.motion.state & SDL_BUTTON_LMASK) != 0,
                                    (e.motion.state & SDL_BUTTON_RMASK) != 0);
            int x, y;
            logicalMouse(e.motion.x, e.motion.y, x, y);
            translator_.mouseMove(x, y, queue_);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!ownWindow(e.button.windowID)) break;
            if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT) break;
            int x, y;
            logicalMouse(e.button.x, e.button.y, x, y);
            translator_.mouseButton(e.button.button == SDL_BUTTON_LEFT ? PointerButton::Left : PointerButton::Right,
                                    e.type == SDL_MOUSEBUTTONDOWN, e.button.clicks, x, y, queue_);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (!ownWindow(e.key.windowID)) break;
            const uint16_t mod = e.key.keysym.mod;
            const auto sync = [&] {
                translator_.syncModifiers(mod & KMOD_SHIFT, mod & KMOD_CTRL, mod & KMOD_ALT);
            };
            sync();
            const Key k = keyFromSdl(e.key.keysym.sym, e.key.keysym.scancode, mod & KMOD_NUM);
            translator_.key(e.type == SDL_KEYDOWN, k, e.key.repeat != 0, queue_);
            // SDL's modifiers already include this event; with both Shift keys
            // held, releasing one leaves Shift down.
            sync();
            break;
        }
        case SDL_TEXTINPUT:
            if (ownWindow(e.text.windowID)) translator_.text(e.text.text, queue_);
            break;
        case SDL_WINDOWEVENT:
            if (!ownWindow(e.window.windowID)) break;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED: focused_ = true; break;
                case SDL_WINDOWEVENT_FOCUS_LOST: focused_ = false; break;
                case SDL_WINDOWEVENT_MINIMIZED: minimized_ = true; break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED: minimized_ = false; break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    // The size a window was given, not what a mode switch
                    // or maximising passes through on the way.
                    if (!settling() && !(SDL_GetWindowFlags(window_) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED)) &&
                        e.window.data1 > 0 && e.window.data2 > 0) {
                        windowedW_ = e.window.data1;
                        windowedH_ = e.window.data2;
                    }
                    [[fallthrough]];
                case SDL_WINDOWEVENT_EXPOSED:
                    // The letterbox follows the new size at the next frame; draw
                    // it at once so the window never shows a stretched frame.
                    queue_.push_back(makeEvent(EventType::Exposed));
                    return;
                case SDL_WINDOWEVENT_CLOSE: queue_.push_back(makeEvent(EventType::Close)); return;
                case SDL_WINDOWEVENT_LEAVE: translator_.mouseLeft(queue_); return;
                default: return;
            }
            reportWindowState();
            break;
        case SDL_QUIT: queue_.push_back(makeEvent(EventType::Close)); break;
        case SDL_MOUSEWHEEL:
            if (!ownWindow(e.wheel.windowID)) break;
            translator_.wheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.x : e.wheel.x,
                              e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y, queue_);
            break;
        case SDL_CONTROLLERDEVICEADDED: controllerAdded(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: controllerRemoved(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            // Buttons SDL adds later (paddles, touchpad) have no use here.
            if (e.cbutton.button >= static_cast<int>(PadButton::Count)) break;
            queue_.push_back(padButtonEvent(static_cast<PadButton>(e.cbutton.button),
                                            e.type == SDL_CONTROLLERBUTTONDOWN, static_cast<int>(e.cbutton.which)));
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (e.caxis.axis >= static_cast<int>(PadAxis::Count)) break;
            queue_.push_back(
                padAxisEvent(static_cast<PadAxis>(e.caxis.axis), e.caxis.value, static_cast<int>(e.caxis.which)));
            break;
        default: break;
    }
}

void SdlPlatform::pump() {
    if (!videoInit_ || displayLost()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) translate(e);
    flushHeldState();
}

bool SdlPlatform::pollEvent(Event& out) {
    pump();
    if (queue_.empty()) return false;
    out = queue_.front();
    queue_.pop_front();
    return true;
}

void SdlPlatform::waitForEvent(uint32_t timeoutMs) {
    if (!queue_.empty()) return;
    // A held-back loss of focus is due when the settle period ends.
    if (statePending_ && settling()) {
        const uint64_t left = settleUntil_ - SDL_GetTicks64();
        if (left < timeoutMs) timeoutMs = static_cast<uint32_t>(left);
    }
    const int timeout = timeoutMs > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
    if (!videoInit_ || displayLost()) {
        SDL_Delay(static_cast<uint32_t>(timeout));
        return;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, timeout)) translate(e);
    flushHeldState();
}

void SdlPlatform::waitForEventMicros(uint64_t timeoutUs) {
    // Whole milliseconds wait for events; the rest of one, when that is all
    // that is left, is slept through: input waits that long at most.
    if (timeoutUs >= 1000) {
        waitForEvent(timeoutUs / 1000 > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(timeoutUs / 1000));
        return;
    }
    if (queue_.empty() && timeoutUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(timeoutUs));
}

bool SdlPlatform::leftShiftDown() {
    return hasKeyboardFocus() && SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_LSHIFT] != 0;
}

bool SdlPlatform::rightShiftDown() {
    return hasKeyboardFocus() && SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_RSHIFT] != 0;
}

void SdlPlatform::startTextInput() {
    textInput_ = true;
    if (videoInit_ && !displayLost()) SDL_StartTextInput();
}

void SdlPlatform::stopTextInput() {
    textInput_ = false;
    if (videoInit_ && !displayLost()) SDL_StopTextInput();
}

void SdlPlatform::messageBox(const std::string& text, const std::string& caption, uint32_t style) {
    const bool utf8 = style & MB_UTF8_;
    const std::string t = utf8 ? text : codePageToUtf8(text, textCodePage());
    const std::string c = utf8 ? caption : codePageToUtf8(caption, textCodePage());
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    if (headlessVideo() || displayLost()) return;
    uint32_t flags = SDL_MESSAGEBOX_INFORMATION;
    switch (style & 0xF0) {  // the icon field of the style
        case MB_ICONERROR_: flags = SDL_MESSAGEBOX_ERROR; break;
        case 0x30: flags = SDL_MESSAGEBOX_WARNING; break;
        default: break;
    }
    // Failure is fine: the text is already on stderr. The box may live in a
    // process of its own, which must not outlive the game.
    const ModalBox box;
    SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), window_);
}

std::string SdlPlatform::prefPath(const std::string& org, const std::string& app) {
    char* p = SDL_GetPrefPath(org.c_str(), app.c_str());
    if (!p) {
        reportSdlError("SDL_GetPrefPath");
        return {};
    }
    std::string path(p);
    SDL_free(p);
    return path;
}

bool SdlPlatform::openUrl(const std::string& url) {
    // A browser could not show on a display that is gone.
    if (displayLost()) return false;
    if (SDL_OpenURL(url.c_str()) != 0) {
        reportSdlError("SDL_OpenURL");
        return false;
    }
    return true;
}

}  // namespace platform
