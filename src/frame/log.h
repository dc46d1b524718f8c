// The console log: what the game prints on stderr, filtered by one level.
// The game's own notices show by default; what the libraries say (SDL, the
// sound libraries) comes in below them and shows with VELLMOOR_LOG=debug or
// --verbose, so a player's terminal stays quiet.
#pragma once

#include <functional>
#include <string>

enum class LogLevel { Quiet = 0, Error, Warning, Info, Debug };

constexpr LogLevel kDefaultLogLevel = LogLevel::Info;

void setLogLevel(LogLevel level);
LogLevel logLevel();
bool logShows(LogLevel level);

// "quiet", "error", "warning", "info" or "debug", in any case; false for
// anything else, leaving out untouched.
bool logLevelFromName(const std::string& name, LogLevel& out);

// One line to the log when the level lets it through. Safe from any thread
// (the audio libraries report from theirs).
void logLine(LogLevel level, const std::string& text);
void logPrintf(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Where the lines that pass go; stderr when none is set. For tests.
using LogSink = std::function<void(LogLevel level, const std::string& line)>;
void setLogSink(LogSink sink);

// Takes over SDL's log and ALSA's error printer (which otherwise write to
// stderr by themselves) and lets SDL's own filters follow the level. Call
// again after changing the level.
void routeLibraryLogs();
