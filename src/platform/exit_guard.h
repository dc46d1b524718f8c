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
// process ignores stays ignored), turns SIGPIPE into the failed write it
// stands for (a display that went away is then told and ends with
// kExitDisplayLost, not by the signal) and keeps a watchdog
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
    int boxPipe_[2] = {-1, -1};
};

// Held while a message box is up. A process forked meanwhile (the box's
// own, where the window system shows it from a child) dies with the game
// and takes the session's signals as any program does; a quit signal that
// comes while the box is up closes the box, so the game goes on to end.
class ModalBox {
public:
    ModalBox();
    ~ModalBox();
    ModalBox(const ModalBox&) = delete;
    ModalBox& operator=(const ModalBox&) = delete;
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

// Tells, from a signal handler, whether the display's connection is closed.
// Once one is set (while a guard is held), a crash with the connection
// closed ends the game as a lost display does, without the shutdown hooks;
// any other crash is left to the handler that was there before.
using DisplayGoneCheck = bool (*)();
void setDisplayGoneCheck(DisplayGoneCheck check);

// True once the connection to the display is known to be broken: from then
// on nothing may talk to the window system, which would wait for ever.
bool displayLost();

// The display went away: says so on stderr, runs the display-loss shutdown
// unless a shutdown already runs, and ends the process with
// kExitDisplayLost. Called where the window system reports the broken
// connection; never returns to it.
[[noreturn]] void leaveForLostDisplay();

}  // namespace platform
