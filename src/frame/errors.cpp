#include "frame/errors.h"

#include <cstdarg>
#include <cstdio>

namespace {
std::string g_debugLog;
constexpr size_t kDebugLogLimit = 64 * 1024;  // keep the newest diagnostics only
}  // namespace

void internalError(const std::string& message) { throw InternalError(message); }

void debugCheck(bool condition, const char* format, ...) {
    if (condition) return;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    g_debugLog += buffer;
    if (g_debugLog.empty() || g_debugLog.back() != '\n') g_debugLog += '\n';
    if (g_debugLog.size() > kDebugLogLimit) g_debugLog.erase(0, g_debugLog.size() - kDebugLogLimit);
}

const std::string& debugLog() { return g_debugLog; }
void clearDebugLog() { g_debugLog.clear(); }
