// The game's command line: the options, the help and version texts, and the
// exit statuses a terminal user and scripts expect (0 after answering help
// or version, 2 for a wrong command line). Options live in one table in
// command_line.cpp; the help lists whatever the table holds.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "frame/startup_options.h"

struct CommandLine {
    enum class Action { Play, Help, Version, Error };
    Action action = Action::Play;
    StartupOptions options;
    std::string error;                  // Action::Error: what was wrong
    std::vector<std::string> warnings;  // told once the log is set up
};

constexpr int kUsageExitStatus = 2;
constexpr int kCouldNotStartExitStatus = 1;
constexpr int kInternalErrorExitStatus = 3;

// Every status the game ends with and what it means, for the help and the
// manual page. The platform's own (a lost display, a hung shutdown, a second
// signal) are among them.
struct ExitStatus {
    const char* code;  // "0", ..., "128+n"
    const char* meaning;
};
extern const ExitStatus kExitStatuses[];
extern const int kExitStatusCount;

// args without the program name; logEnv is VELLMOOR_LOG's value or null.
CommandLine parseCommandLine(const std::vector<std::string>& args, const char* logEnv);
CommandLine parseCommandLine(int argc, char** argv, const char* logEnv);

// Help or version on out (status 0), or the error and the usage on err
// (status 2).
int answerCommandLine(const CommandLine& line, std::FILE* out, std::FILE* err);

// Makes the parsed options this start's: the log level, the libraries' logs
// routed into it, the display mode the renderer opens with.
void applyCommandLine(const CommandLine& line);

std::string usageText();
// "<program> (The Vellmoor of Quorrin) <version>" and the licence lines.
std::string versionText(const std::string& program);
const char* gameVersion();

// The player's folder (settings, players, scores) as the platform makes it:
// $XDG_DATA_HOME/Brandwick/Vellmoor_L/, else ~/.local/share/...; empty when
// neither variable is set.
std::string playerFolderFor(const char* xdgDataHome, const char* home);
