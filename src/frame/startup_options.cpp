#include "frame/startup_options.h"

namespace {
StartupOptions g_options;
}  // namespace

const StartupOptions& startupOptions() { return g_options; }

void setStartupOptions(const StartupOptions& options) { g_options = options; }

bool startFullscreen(bool saved) {
    switch (g_options.display) {
        case StartupOptions::Display::Windowed: return false;
        case StartupOptions::Display::Fullscreen: return true;
        case StartupOptions::Display::Saved: break;
    }
    return saved;
}
