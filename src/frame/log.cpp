#include "frame/log.h"

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/library_log.h"

namespace {

std::atomic<LogLevel> g_level{kDefaultLogLevel};

std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}

LogSink& sink() {
    static LogSink s;
    return s;
}

// What a library calls an error is a warning to the player (it may explain
// why something is missing); everything else it says is for developers.
void fromLibrary(platform::LibrarySeverity severity, const char* source, const char* text) {
    const LogLevel level = severity == platform::LibrarySeverity::Error ? LogLevel::Warning : LogLevel::Debug;
    if (!logShows(level)) return;
    logLine(level, std::string(source) + ": " + text);
}

}  // namespace

void setLogLevel(LogLevel level) { g_level.store(level); }

LogLevel logLevel() { return g_level.load(); }

bool logShows(LogLevel level) { return level != LogLevel::Quiet && level <= g_level.load(); }

bool logLevelFromName(const std::string& name, LogLevel& out) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* name;
        LogLevel level;
    } kNames[] = {{"quiet", LogLevel::Quiet},
                  {"error", LogLevel::Error},
                  {"warning", LogLevel::Warning},
                  {"info", LogLevel::Info},
                  {"debug", LogLevel::Debug}};
    for (const auto& entry : kNames) {
        if (lower == entry.name) {
            out = entry.level;
            return true;
        }
    }
    return false;
}

void logLine(LogLevel level, const std::string& text) {
    if (!logShows(level)) return;
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::lock_guard<std::mutex> lock(sinkLock());
    if (sink()) {
        sink()(level, line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void logPrintf(LogLevel level, const char* format, ...) {
    if (!logShows(level)) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    logLine(level, text);
}

void setLogSink(LogSink s) {
    std::lock_guard<std::mutex> lock(sinkLock());
    sink() = std::move(s);
}

void routeLibraryLogs() { platform::routeLibraryLogs(&fromLibrary, logShows(LogLevel::Debug)); }
