// The desktop platform with a clock that only moves when the loop waits, so
// a run in an offscreen window is as fast and as repeatable as a headless one.
#pragma once

#include <memory>
#include <string>

#include "platform/keymap.h"
#include "platform/platform.h"

namespace autoplay {

class VirtualClockPlatform : public platform::Platform {
public:
    VirtualClockPlatform(std::unique_ptr<platform::Platform> inner, std::string prefFolder)
        : inner_(std::move(inner)), prefFolder_(std::move(prefFolder)) {}

    uint64_t ticks64() override { return clock_; }
    void sleepMs(uint32_t ms) override { clock_ += ms; }
    // Never blocks: with nothing queued the time simply passes.
    void waitForEvent(uint32_t timeoutMs) override;
    std::string prefPath(const std::string&, const std::string&) override { return prefFolder_; }

    bool createWindow(const platform::WindowDesc& desc) override;
    bool hasWindow() const override { return inner_->hasWindow(); }
    void destroyWindow() override { inner_->destroyWindow(); }
    void showWindow() override { inner_->showWindow(); }
    void minimizeWindow() override { inner_->minimizeWindow(); }
    void raiseWindow() override { inner_->raiseWindow(); }
    void swapBuffers() override { inner_->swapBuffers(); }
    void* glProcAddress(const char* name) override { return inner_->glProcAddress(name); }
    platform::Viewport viewport() const override { return inner_->viewport(); }
    bool setFullscreen(bool on) override { return inner_->setFullscreen(on); }
    bool isFullscreen() const override { return inner_->isFullscreen(); }
    void showSystemCursor(bool show) override { inner_->showSystemCursor(show); }
    bool pollEvent(platform::Event& out) override;
    // What the autoplayer posts is never filtered.
    void postEvent(const platform::Event& m) override { posted_.push_back(m); }
    bool leftShiftDown() override { return false; }
    bool rightShiftDown() override { return false; }
    void startTextInput() override { inner_->startTextInput(); }
    void stopTextInput() override { inner_->stopTextInput(); }
    void messageBox(const std::string& text, const std::string& caption, uint32_t style) override {
        inner_->messageBox(text, caption, style);
    }
    bool openUrl(const std::string&) override { return true; }

private:
    std::unique_ptr<platform::Platform> inner_;
    std::string prefFolder_;
    uint64_t clock_ = 1;
    bool pending_ = false;
    platform::Event next_;
    platform::EventQueue posted_;
};

}  // namespace autoplay
