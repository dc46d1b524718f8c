#include "platform/exit_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <iterator>
#include <system_error>

namespace platform {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr char kArm = 'a';
constexpr char kStop = 's';

// Everything the signal handlers and the watchdog share is lock-free and
// trivially destructible: it stays valid while the process ends.
std::atomic<int> g_pendingSignal{0};
std::atomic<bool> g_signalled{false};
std::atomic<bool> g_shuttingDown{false};
std::atomic<bool> g_displayLost{false};
std::atomic<int> g_wakeFd{-1};
std::atomic<DisplayLossShutdown> g_displayLossShutdown{nullptr};
struct sigaction g_previous[3];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// write(2) only: these run in signal handlers and on a broken display.
void say(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

const char* signalName(int sig) {
    switch (sig) {
        case SIGTERM:
            return "SIGTERM";
        case SIGINT:
            return "SIGINT";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

void wakeWatchdog(char what) {
    const int fd = g_wakeFd.load();
    if (fd < 0) return;
    while (::write(fd, &what, 1) < 0 && errno == EINTR) {
    }
}

// The first signal asks the game to close; the watchdog starts at once, so
// a game stuck where it cannot see the request still ends. Any signal after
// that, or during a shutdown, ends the process on the spot.
void onQuitSignal(int sig) {
    const int savedErrno = errno;
    if (g_shuttingDown.load() || g_signalled.exchange(true)) {
        say("vellmoor: ");
        say(signalName(sig));
        say(" while the game was already ending; ending at once\n");
        ::_exit(128 + sig);
    }
    g_pendingSignal.store(sig);
    wakeWatchdog(kArm);
    errno = savedErrno;
}

int64_t monotonicMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Sleeps until armed, then gives the shutdown watchdogMs to finish. A stop
// byte (the guard going away) ends the thread at any time.
void watch(int fd, uint32_t watchdogMs) {
    int64_t deadline = -1;
    for (;;) {
        int timeout = -1;
        if (deadline >= 0) {
            const int64_t left = deadline - monotonicMs();
            if (left <= 0) {
                say("vellmoor: the shutdown did not finish within a few seconds; ending at once\n");
                ::_exit(kExitShutdownStuck);
            }
            timeout = static_cast<int>(left);
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeout);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return;
        if (n == 1 && c == kStop) return;
        if (n == 1 && c == kArm && deadline < 0) deadline = monotonicMs() + watchdogMs;
    }
}

}  // namespace

ExitGuard::ExitGuard(uint32_t watchdogMs) {
    g_pendingSignal = 0;
    g_signalled = false;
    g_shuttingDown = false;
    g_displayLost = false;
    if (::pipe2(pipe_, O_CLOEXEC) == 0) {
        // The watchdog never takes the quit signals, so they interrupt the
        // game's threads only.
        sigset_t quit, old;
        sigemptyset(&quit);
        for (int sig : kQuitSignals) sigaddset(&quit, sig);
        pthread_sigmask(SIG_BLOCK, &quit, &old);
        try {
            thread_ = std::thread(watch, pipe_[0], watchdogMs);
        } catch (const std::system_error&) {
            // Without the thread the game still ends; it only loses the cut-off.
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        if (thread_.joinable()) g_wakeFd = pipe_[1];
    }
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A signal the parent chose to ignore (nohup, a script's background
    // job) stays ignored, as every program started that way expects.
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
        if (sigaction(kQuitSignals[i], nullptr, &g_previous[i]) != 0 || g_previous[i].sa_handler == SIG_IGN)
            continue;
        sigaction(kQuitSignals[i], &action, nullptr);
    }
}

ExitGuard::~ExitGuard() {
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    g_wakeFd = -1;
    if (thread_.joinable()) {
        const char stop = kStop;
        while (::write(pipe_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int& fd : pipe_)
        if (fd >= 0) ::close(fd);
}

int takeQuitSignal() {
    return g_pendingSignal.exchange(0);
}

bool beginShutdown() {
    if (g_shuttingDown.exchange(true)) return false;
    wakeWatchdog(kArm);
    return true;
}

bool shutdownBegun() {
    return g_shuttingDown.load();
}

void setDisplayLossShutdown(DisplayLossShutdown fn) {
    g_displayLossShutdown = fn;
}

bool displayLost() {
    return g_displayLost.load();
}

void leaveForLostDisplay() {
    // The shutdown below reached the display after all: no second attempt.
    if (g_displayLost.exchange(true)) ::_exit(kExitDisplayLost);
    say("vellmoor: the game lost its display (the X server stopped or the connection broke); ending\n");
    // A shutdown already under way is further down this very stack: it is
    // not run a second time from in here.
    if (beginShutdown()) {
        if (DisplayLossShutdown fn = g_displayLossShutdown.load()) fn();
    }
    ::_exit(kExitDisplayLost);
}

}  // namespace platform
