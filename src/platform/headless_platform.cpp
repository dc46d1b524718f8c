#include "platform/headless_platform.h"

#include "platform/code_pages.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

HeadlessPlatform::~HeadlessPlatform() {
    if (ownsPrefFolder_) {
        std::error_code ec;
        fs::remove_all(prefFolder_, ec);
    }
}

bool HeadlessPlatform::createWindow(const WindowDesc& desc) {
    if (failWindowCreation || window_) return false;
    desc_ = desc;
    window_ = true;
    focused_ = true;
    minimized_ = false;
    return true;
}

void HeadlessPlatform::destroyWindow() { window_ = false; }

void HeadlessPlatform::showWindow() { raiseWindow(); }

void HeadlessPlatform::minimizeWindow() {
    if (!window_ || minimized_) return;
    minimized_ = true;
    reportWindowState();
}

void HeadlessPlatform::raiseWindow() {
    if (!window_) return;
    if (!minimized_ && focused_) return;
    minimized_ = false;
    focused_ = true;
    reportWindowState();
}

Viewport HeadlessPlatform::viewport() const {
    if (!window_) return Viewport{};
    return fullscreen_ ? letterbox(desktopW_, desktopH_) : letterbox(kLogicalWidth, kLogicalHeight);
}

bool HeadlessPlatform::setFullscreen(bool on) {
    if (on == fullscreen_) return true;
    if (failFullscreen) return false;
    fullscreen_ = on;
    return true;
}

bool HeadlessPlatform::pollEvent(Event& out) {
    if (queue_.empty()) return false;
    out = queue_.front();
    queue_.pop_front();
    return true;
}

void HeadlessPlatform::waitForEvent(uint32_t timeoutMs) {
    if (queue_.empty()) clock_ += timeoutMs;
}

void HeadlessPlatform::messageBox(const std::string& text, const std::string& caption, uint32_t style) {
    boxes_.push_back({text, caption, style});
    const bool utf8 = style & MB_UTF8_;
    std::fprintf(stderr, "%s: %s\n", (utf8 ? caption : codePageToUtf8(caption, textCodePage())).c_str(),
                 (utf8 ? text : codePageToUtf8(text, textCodePage())).c_str());
}

void HeadlessPlatform::setPrefFolder(const std::string& folder) {
    if (ownsPrefFolder_) {
        std::error_code ec;
        fs::remove_all(prefFolder_, ec);
        ownsPrefFolder_ = false;
    }
    prefFolder_ = folder;
}

std::string HeadlessPlatform::prefPath(const std::string&, const std::string&) {
    if (prefFolder_.empty()) {
        // A fresh folder per platform keeps tests from seeing each other's files.
        std::string pattern = (fs::temp_directory_path() / "vellmoor-prefs-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return {};
        }
        prefFolder_ = pattern;
        ownsPrefFolder_ = true;
    }
    std::error_code ec;
    fs::create_directories(prefFolder_, ec);
    if (ec) {
        std::fprintf(stderr, "Cannot create %s: %s\n", prefFolder_.c_str(), ec.message().c_str());
        return {};
    }
    std::string path = prefFolder_;
    if (path.back() != '/') path += '/';
    return path;
}

bool HeadlessPlatform::openUrl(const std::string& url) {
    urls_.push_back(url);
    return openUrlResult;
}

void HeadlessPlatform::mouseMove(int x, int y) { translator_.mouseMove(x, y, queue_); }

void HeadlessPlatform::mouseDown(PointerButton b, int clicks) {
    translator_.mouseButton(b, true, clicks, translator_.mouseX(), translator_.mouseY(), queue_);
}

void HeadlessPlatform::mouseUp(PointerButton b) {
    translator_.mouseButton(b, false, 1, translator_.mouseX(), translator_.mouseY(), queue_);
}

void HeadlessPlatform::doubleClick(PointerButton b) {
    mouseDown(b, 1);
    mouseUp(b);
    mouseDown(b, 2);
    mouseUp(b);
}

void HeadlessPlatform::mouseLeave() { translator_.mouseLeft(queue_); }

void HeadlessPlatform::keyDown(Key k, bool repeat) { translator_.key(true, k, repeat, queue_); }

void HeadlessPlatform::keyUp(Key k) { translator_.key(false, k, false, queue_); }

void HeadlessPlatform::pressKey(Key k) {
    keyDown(k);
    keyUp(k);
}

void HeadlessPlatform::typeChar(uint8_t c) { translator_.character(c, queue_); }

void HeadlessPlatform::typeText(const std::string& utf8) { translator_.text(utf8, queue_); }

void HeadlessPlatform::activate(bool active) {
    focused_ = active;
    if (active) minimized_ = false;
    reportWindowState();
}

void HeadlessPlatform::wheel(int dx, int dy) { translator_.wheel(dx, dy, queue_); }

void HeadlessPlatform::closeRequest() { queue_.push_back(makeEvent(EventType::Close)); }

void HeadlessPlatform::controllerButton(int controller, int button, bool down) {
    Event e = makeEvent(EventType::ControllerButton);
    e.controller = controller;
    e.controllerButton = button;
    e.down = down;
    queue_.push_back(e);
}

void HeadlessPlatform::controllerAxis(int controller, int axis, int value) {
    Event e = makeEvent(EventType::ControllerAxis);
    e.controller = controller;
    e.axis = axis;
    e.axisValue = value;
    queue_.push_back(e);
}

}  // namespace platform
