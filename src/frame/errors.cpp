#include "frame/errors.h"

#include <cstdarg>
#include <cstdio>
#include <set>

#include "frame/log.h"

namespace {
std::string g_debugLog;
constexpr size_t kDebugLogLimit = 64 * 1024;  // keep the newest diagnostics only
constexpr size_t kToldLimit = 4096;           // distinct messages remembered as told
std::set<std::string> g_told;
bool g_printing = true;
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
    // A broken data file says so where a user or a developer looks, once.
    if (g_printing && g_told.size() < kToldLimit && g_told.insert(buffer).second) {
        std::string line = buffer;
        while (!line.empty() && line.back() == '\n') line.pop_back();
        logLine(LogLevel::Warning, "vellmoor: " + line);
    }
    if (g_debugLog.size() > kDebugLogLimit) g_debugLog.erase(0, g_debugLog.size() - kDebugLogLimit);
}

const std::string& debugLog() { return g_debugLog; }
void clearDebugLog() {
    g_debugLog.clear();
    g_told.clear();
}
void printDiagnostics(bool on) { g_printing = on; }
