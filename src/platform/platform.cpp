#include "platform/platform.h"

#include <stdexcept>

namespace platform {

namespace {
// A plain pointer: no static destructor ever tears the window system down,
// whatever way the process ends. Whoever installed the platform ends it
// (main through uninstall), or it goes with the process.
Platform* g_platform = nullptr;
}  // namespace

Platform& current() {
    // Using the platform before main() or a test installed one is a programming error.
    if (!g_platform) throw std::logic_error("No platform installed");
    return *g_platform;
}

bool installed() {
    return g_platform != nullptr;
}

void install(std::unique_ptr<Platform> p) {
    delete g_platform;
    g_platform = p.release();
}

std::unique_ptr<Platform> uninstall() {
    std::unique_ptr<Platform> p(g_platform);
    g_platform = nullptr;
    return p;
}

}  // namespace platform
