// The desktop back end: one SDL2 window with an OpenGL 3.3 core context, SDL
// events translated into window messages.
#pragma once

#include <map>

#include "platform/keymap.h"
#include "platform/platform.h"

struct SDL_Window;
struct _SDL_GameController;
union SDL_Event;

namespace platform {

class SdlPlatform : public Platform {
public:
    SdlPlatform() = default;
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // Milliseconds since SDL's timer started, plus one, so it is never 0.
    uint64_t ticks64() override;
    void sleepMs(uint32_t ms) override;
    uint64_t ticksMicros() override;

    // The window is visible once created: the asked-for size, or one that
    // fits the display the pointer is on, centred there; resizable, the
    // frame scaled into it with bars where the shape differs. Desktop-sized
    // when full screen was asked for before.
    bool createWindow(const WindowDesc& desc) override;
    bool hasWindow() const override { return window_ != nullptr && !retired_; }
    // Destroys the window and its context; the Quit event is the engine's.
    void destroyWindow() override;
    void showWindow() override;
    void minimizeWindow() override;
    void raiseWindow() override;
    void swapBuffers() override;
    void* glProcAddress(const char* name) override;
    Viewport viewport() const override;
    bool setFullscreen(bool on) override;
    bool isFullscreen() const override;
    void showSystemCursor(bool show) override;
    bool playerWindowSize(int& w, int& h) const override;
    bool displayPixels(int& w, int& h) const override;

    bool pollEvent(Event& out) override;
    void waitForEvent(uint32_t timeoutMs) override;
    void waitForEventMicros(uint64_t timeoutUs) override;
    void postEvent(const Event& e) override { queue_.push_back(e); }

    bool leftShiftDown() override;
    bool rightShiftDown() override;
    void startTextInput() override;
    void stopTextInput() override;

    void messageBox(const std::string& text, const std::string& caption, uint32_t style) override;
    std::string prefPath(const std::string& org, const std::string& app) override;
    bool openUrl(const std::string& url) override;

    bool hasGLContext() const { return context_ != nullptr; }

    // Turns one SDL event into events at the end of the FIFO (exposed for
    // tests that feed synthetic events).
    void translate(const SDL_Event& e);

    // Some window managers take the focus away for a moment (or minimise and
    // restore the window) while it changes mode. For this long after a
    // switch a loss of focus is held back and reported only if it outlasts
    // the period; a return of the focus meanwhile cancels it.
    static constexpr uint32_t kDefaultSettleMs = 1000;
    void setModeSwitchSettleMs(uint32_t ms) { settleMs_ = ms; }
    bool activationHeldBack() const { return statePending_; }

    // Game controllers open now (hot-plugged ones come and go with them).
    int openControllers() const { return static_cast<int>(controllers_.size()); }

private:
    void releaseWindow();
    bool initVideo();
    void pump();
    bool ownWindow(uint32_t windowId) const;
    bool hasKeyboardFocus() const;
    void logicalMouse(int wx, int wy, int& lx, int& ly) const;
    bool settling() const;
    void reportWindowState();
    // Reports a held-back loss of focus once the settle period is over.
    void flushHeldState();
    void initControllers();
    void controllerAdded(int deviceIndex);
    void controllerRemoved(int instance);

    bool videoInit_ = false;
    SDL_Window* window_ = nullptr;
    bool retired_ = false;  // closed for the player, context kept for the shutdown
    void* context_ = nullptr;
    bool fullscreen_ = false;
    int openedW_ = 0, openedH_ = 0;      // the size the window opened with
    int windowedW_ = 0, windowedH_ = 0;  // its last size as a window, not maximised
    bool focused_ = false;
    bool minimized_ = false;
    bool textInput_ = false;
    uint32_t settleMs_ = kDefaultSettleMs;
    uint64_t settleUntil_ = 0;  // SDL ticks; 0 = no switch yet
    bool statePending_ = false;
    EventQueue queue_;
    EventTranslator translator_;
    bool controllersInit_ = false;
    std::map<int, _SDL_GameController*> controllers_;  // by SDL's instance id
};

}  // namespace platform
