// The narrow operating-system layer: window, events, clock, files, keyboard.
// Everything above it takes typed events (platform/event.h), so the engine's
// hook lists behave the same on every back end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/event.h"

namespace platform {

// A window position the window system chooses (centred on its display).
constexpr int kWindowCentred = static_cast<int>(0x80000000u);

// A window's icon: square pixels as 0xAARRGGBB, row after row.
struct WindowIcon {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

struct WindowDesc {
    std::string title;
    bool framed = true;  // a frame with a title, a close and a minimise button
    // The client size in window units. A size of 0, or one that does not fit
    // the display, opens the largest simple multiple of 800 x 600 that fits.
    int x = 0, y = 0, width = 800, height = 600;
    bool openGL = true;  // ask for a 3.3 core context
    const WindowIcon* icon = nullptr;  // none: the window system's own
};

// Letterbox placement of the 800 x 600 frame inside the drawable.
struct Viewport {
    int x = 0, y = 0, w = 800, h = 600;
    int drawableW = 800, drawableH = 600;
};

// MB_UTF8_: the text and caption are UTF-8 already, not the code page's
// bytes (a box shown before the game's language is in force).
enum MessageBoxStyle : uint32_t { MB_OK_ = 0, MB_ICONERROR_ = 0x10, MB_UTF8_ = 0x10000 };

class Platform {
public:
    virtual ~Platform() = default;

    // Clock.
    virtual uint64_t ticks64() = 0;  // milliseconds since start, never wraps
    virtual void sleepMs(uint32_t ms) = 0;
    // Microseconds, never 0, for pacing logic ticks that are not whole
    // milliseconds long (80 a second). A clock that knows only milliseconds
    // counts whole ones, and pacing by it is what pacing by ticks64() was.
    virtual uint64_t ticksMicros() { return ticks64() * 1000; }

    // Window. createWindow returns false when no window can be made.
    virtual bool createWindow(const WindowDesc& desc) = 0;
    virtual bool hasWindow() const = 0;
    virtual void destroyWindow() = 0;  // the engine itself posts the Quit event
    virtual void showWindow() = 0;
    virtual void minimizeWindow() = 0;
    virtual void raiseWindow() = 0;
    virtual void swapBuffers() = 0;
    virtual void* glProcAddress(const char* name) = 0;
    virtual Viewport viewport() const = 0;
    // Desktop-sized and letterboxed, never a display-mode change. True when
    // the window is in the asked-for mode afterwards; false leaves it in the
    // mode it was in.
    virtual bool setFullscreen(bool on) = 0;
    virtual bool isFullscreen() const = 0;
    virtual void showSystemCursor(bool show) = 0;
    // The window's size in window units when the player dragged it to one
    // other than it opened with (kept while full screen); false when the
    // player did not, or left it maximised.
    virtual bool playerWindowSize(int& w, int& h) const {
        (void)w, (void)h;
        return false;
    }
    // The pixels of the display the window is on, which full screen fills.
    virtual bool displayPixels(int& w, int& h) const {
        (void)w, (void)h;
        return false;
    }

    // Events. poll fetches one event if any is queued (after pumping the
    // system's own); wait blocks until something arrives or the timeout ends.
    virtual bool pollEvent(Event& out) = 0;
    virtual void waitForEvent(uint32_t timeoutMs) = 0;
    // The same to the microsecond where the platform can; else the timeout
    // rounds up to whole milliseconds.
    virtual void waitForEventMicros(uint64_t timeoutUs) {
        const uint64_t ms = (timeoutUs + 999) / 1000;
        waitForEvent(ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms));
    }
    virtual void postEvent(const Event& e) = 0;

    // Keyboard state: true while the key is held and the window has the focus.
    virtual bool leftShiftDown() = 0;
    virtual bool rightShiftDown() = 0;
    // Typed text (Text events beyond the control keys) arrives only between these;
    // off at first, so no input method gets in the way of play.
    virtual void startTextInput() = 0;
    virtual void stopTextInput() = 0;

    // Services.
    virtual void messageBox(const std::string& text, const std::string& caption, uint32_t style) = 0;
    virtual std::string prefPath(const std::string& org, const std::string& app) = 0;
    virtual bool openUrl(const std::string& url) = 0;
};

// The process-wide platform. The game installs the SDL one, tests the headless one.
Platform& current();
bool installed();
void install(std::unique_ptr<Platform> p);
std::unique_ptr<Platform> uninstall();

// File services, shared by every back end (plain POSIX, no window system).
bool copyFile(const std::string& from, const std::string& to);  // overwrites
bool fileExists(const std::string& path);
bool createDirectories(const std::string& path);
// Entries of a folder in the order the system reports them (names only).
std::vector<std::string> listFolder(const std::string& folder);
// Replaces a file's content atomically: a crash leaves the old or the new file.
bool writeFileAtomic(const std::string& path, const std::string& content);
// Removes the temporary files that replacements cut short left in folder:
// names "<name>.tmp<pid>_<n>" whose process <pid> is gone (a running writer's
// file is never touched). With a target name, only that file's temporaries.
// Returns how many were removed.
int removeStaleTempFiles(const std::string& folder, const std::string& target = std::string());
// The system's error number of the last failed replacement (0 before any).
int lastWriteErrno();
bool readFile(const std::string& path, std::string& out);
// Where a user keeps pictures: XDG_PICTURES_DIR from the environment or from
// the user-dirs file (~/.config/user-dirs.dirs), when that folder exists;
// empty when there is none.
std::string picturesFolder();
// The same from given texts, for tests: the user-dirs file's content, the
// home folder and the environment's XDG_PICTURES_DIR (may be empty).
std::string picturesFolderFrom(const std::string& userDirs, const std::string& home, const std::string& fromEnv);

// Converts "\" separators from Windows-style data into "/", in the game's
// own names ("\Org\App\" among them). A path from the root keeps the part
// the system gave, the folders that exist as it spells them (a home folder
// may hold a backslash), and converts only what follows.
std::string normalizeSeparators(std::string path);

// Single instance: holds an advisory lock file; false if another process holds it.
// Taking it makes this copy the only writer of the lock's folder, so every
// temporary file and staging copy ("<name>.commit") a killed write left
// there is removed then, whatever process id its name carries.
bool acquireInstanceLock(const std::string& path);
void releaseInstanceLock();

}  // namespace platform
