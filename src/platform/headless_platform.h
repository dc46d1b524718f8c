// A platform without a window system, for tests and the autoplayer: a virtual
// clock that only moves when told to (or when the loop waits), and an input
// FIFO filled by helpers that produce exactly the events the SDL back end
// makes for the same gesture.
#pragma once

#include <string>
#include <vector>

#include "platform/keymap.h"
#include "platform/platform.h"

namespace platform {

class HeadlessPlatform : public Platform {
public:
    struct MessageBoxRecord {
        std::string text;
        std::string caption;
        uint32_t style = 0;
    };

    HeadlessPlatform() = default;
    ~HeadlessPlatform() override;
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    // Clock: starts at 1 (0 means "no time yet" to the frame clock).
    uint64_t ticks64() override { return clock_; }
    void sleepMs(uint32_t ms) override { clock_ += ms; }
    void advance(uint64_t ms) { clock_ += ms; }

    bool createWindow(const WindowDesc& desc) override;
    bool hasWindow() const override { return window_; }
    void destroyWindow() override;
    void showWindow() override;
    void minimizeWindow() override;
    void raiseWindow() override;
    void swapBuffers() override { ++frames_; }
    void* glProcAddress(const char*) override { return nullptr; }
    Viewport viewport() const override;
    bool setFullscreen(bool on) override;
    bool isFullscreen() const override { return fullscreen_; }
    void showSystemCursor(bool show) override { systemCursor_ = show; }

    bool pollEvent(Event& out) override;
    // With nothing queued the virtual clock jumps by the whole timeout, so a
    // headless main loop runs deterministically and as fast as it can.
    void waitForEvent(uint32_t timeoutMs) override;
    void postEvent(const Event& e) override { queue_.push_back(e); }

    bool leftShiftDown() override { return hasFocus() && leftShift_; }
    bool rightShiftDown() override { return hasFocus() && rightShift_; }
    void startTextInput() override {
        textInput_ = true;
        ++textInputStarts_;
    }
    void stopTextInput() override {
        textInput_ = false;
        ++textInputStops_;
    }

    void messageBox(const std::string& text, const std::string& caption, uint32_t style) override;
    // The configured folder (created on demand), whatever org and app are; by
    // default a fresh folder under /tmp that is removed with the platform.
    std::string prefPath(const std::string& org, const std::string& app) override;
    bool openUrl(const std::string& url) override;

    // --- Input, as the SDL back end would deliver it (logical pixels). ---
    void mouseMove(int x, int y);
    void mouseDown(PointerButton b = PointerButton::Left, int clicks = 1);
    void mouseUp(PointerButton b = PointerButton::Left);
    // A whole double-click at the current position: down, up, double-click, up.
    void doubleClick(PointerButton b = PointerButton::Left);
    void mouseLeave();
    void keyDown(Key k, bool repeat = false);
    void keyUp(Key k);
    // Press and release of a key, with the characters that follow Backspace,
    // Tab, Return and Escape.
    void pressKey(Key k);
    void typeChar(uint8_t c);             // one Windows-1252 character
    void typeText(const std::string& utf8);  // as a text-input event would
    void activate(bool active);
    void closeRequest();
    void wheel(int dx, int dy);
    void controllerButton(int controller, int button, bool down);
    void controllerAxis(int controller, int axis, int value);
    void setShiftKeys(bool left, bool right) {
        leftShift_ = left;
        rightShift_ = right;
    }

    // --- Inspection and configuration. ---
    size_t pendingEvents() const { return queue_.size(); }
    void clearEvents() { queue_.clear(); }
    const EventQueue& queuedEvents() const { return queue_; }
    bool failWindowCreation = false;
    // The window system refuses the next mode switches; the mode stays.
    bool failFullscreen = false;
    bool textInputActive() const { return textInput_; }
    int textInputStarts() const { return textInputStarts_; }
    int textInputStops() const { return textInputStops_; }
    bool openUrlResult = true;
    const WindowDesc& windowDesc() const { return desc_; }
    bool isMinimized() const { return minimized_; }
    bool isFocused() const { return focused_; }
    bool systemCursorVisible() const { return systemCursor_; }
    uint64_t framesSwapped() const { return frames_; }
    const std::vector<MessageBoxRecord>& messageBoxes() const { return boxes_; }
    const std::vector<std::string>& openedUrls() const { return urls_; }
    void setPrefFolder(const std::string& folder);
    void setDesktopSize(int w, int h) {
        desktopW_ = w;
        desktopH_ = h;
    }
    EventTranslator& translator() { return translator_; }

private:
    bool hasFocus() const { return window_ && focused_ && !minimized_; }
    void reportWindowState() { translator_.windowState(focused_, minimized_, queue_); }

    uint64_t clock_ = 1;
    EventQueue queue_;
    EventTranslator translator_;
    WindowDesc desc_;
    bool window_ = false;
    bool fullscreen_ = false;
    bool minimized_ = false;
    bool focused_ = true;
    bool systemCursor_ = true;
    bool leftShift_ = false, rightShift_ = false;
    bool textInput_ = false;
    int textInputStarts_ = 0, textInputStops_ = 0;
    uint64_t frames_ = 0;
    int desktopW_ = 1920, desktopH_ = 1080;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<std::string> urls_;
    std::string prefFolder_;
    bool ownsPrefFolder_ = false;
};

}  // namespace platform
