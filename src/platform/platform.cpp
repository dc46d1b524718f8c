#include <stdexcept>

#include "platform/platform.h"

namespace platform {

namespace {
std::unique_ptr<Platform> g_platform;
}

Platform& current() {
    // Using the platform before main() or a test installed one is a programming error.
    if (!g_platform) throw std::logic_error("No platform installed");
    return *g_platform;
}

bool installed() { return g_platform != nullptr; }

void install(std::unique_ptr<Platform> p) { g_platform = std::move(p); }

std::unique_ptr<Platform> uninstall() { return std::move(g_platform); }

}  // namespace platform
