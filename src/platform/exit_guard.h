// Ways the game ends that the player did not choose from the window: a quit
// signal from the session, a display that went away, a shutdown that hangs.
// Each one ends the process promptly and never by touching a dead display.
#pragma once

#include <cstdint>
#include <thread>

namespace platform {

// Exit statuses of the ends that are not a normal quit (a second signal ends
// with 128 + its number, as a shell reports a death by signal).
constexpr int kExitDisplayLost = 4;
constexpr int kExitShutdownStuck = 5;
constexpr uint32_t kDefaultWatchdogMs = 5000;

// Held by main for the whole run. Catches SIGTERM, SIGINT and SIGHUP (the
// game then closes as if the player closed the window; one the parent
// process ignores stays ignored) and keeps a watchdog
// thread that ends the process once a shutdown has taken longer than
// watchdogMs. The destructor stops the thread and gives the signals back.
class ExitGuard {
public:
    explicit ExitGuard(uint32_t watchdogMs = kDefaultWatchdogMs);
    ~ExitGuard();
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;

    bool watching() const { return thread_.joinable(); }

private:
    std::thread thread_;
    int pipe_[2] = {-1, -1};
};

// The quit signal that arrived since the last call (its number), or 0. The
// frame turns it into the close message the window's close button sends.
int takeQuitSignal();

// The shutdown starts: the watchdog is armed and any further signal ends the
// process at once. True for the first call only, so one path shuts down.
bool beginShutdown();
bool shutdownBegun();

// What the game still does when its display is gone: store and release what
// needs no display. Runs once, from leaveForLostDisplay.
using DisplayLossShutdown = void (*)();
void setDisplayLossShutdown(DisplayLossShutdown fn);

// True once the connection to the display is known to be broken: from then
// on nothing may talk to the window system, which would wait for ever.
bool displayLost();

// The display went away: says so on stderr, runs the display-loss shutdown
// unless a shutdown already runs, and ends the process with
// kExitDisplayLost. Called where the window system reports the broken
// connection; never returns to it.
[[noreturn]] void leaveForLostDisplay();

}  // namespace platform
