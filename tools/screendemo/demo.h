// The screen demo's stage: the game's data, settings, texts, pictures and
// effects loaded as at start-up (players in a scratch folder), and a logic
// clock the scripts drive tick by tick with mouse and key input that goes
// through the same translation as a player's.
#pragma once

#include <functional>
#include <string>

#include "platform/event.h"

namespace screendemo {

class Stage {
public:
    // n logic ticks: actors update, the purge runs, queued input is
    // dispatched, particles advance.
    void run(int ticks);
    // Mouse and keyboard as the platform's events.
    void moveTo(int x, int y);
    void click(int x, int y);
    void rightClick(int x, int y);
    void key(platform::Key k);  // press and release
    void type(const std::string& cp1252);
    // Saves the frame drawn now; the name is printed. Without a shot of its
    // own, a script's screen is saved when the script returns.
    bool shot(const std::string& path);

    int shots = 0;
    bool failed = false;

    std::string outPath;  // where the final picture goes
};

using Script = std::function<void(Stage&)>;

// Registers a screen under a name (from a static object in any file here).
struct Registration {
    Registration(const char* name, const char* what, Script script);
};

}  // namespace screendemo
