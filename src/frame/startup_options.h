// What the command line asked of this start. Nothing here is saved: the
// settings file keeps the player's own choices for the next start.
#pragma once

#include <string>

#include "frame/log.h"

struct StartupOptions {
    enum class Display { Saved, Windowed, Fullscreen };
    Display display = Display::Saved;
    LogLevel logLevel = kDefaultLogLevel;
    bool demo = false;     // the game plays itself until a key or a click
    bool showFps = false;  // frames per second and processor use on stderr
    // The effects level for this start; Saved: the settings file's, else
    // chosen by the graphics driver.
    enum class Effects { Saved, Full, Light };
    Effects effects = Effects::Saved;
    // Frames drawn at the window's own resolution or at 800 x 600 scaled
    // up; Saved: the settings file's, else chosen by the graphics driver.
    enum class RenderScale { Saved, Native, One };
    RenderScale renderScale = RenderScale::Saved;
    std::string language;  // --language: a code of frame/language.h, or empty
};

const StartupOptions& startupOptions();
void setStartupOptions(const StartupOptions& options);

// The mode the window opens in: the command line's for this start, else the
// one saved in the settings.
bool startFullscreen(bool saved);
