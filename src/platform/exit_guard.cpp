#include "platform/exit_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
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
struct sigaction g_previousPipe;
bool g_pipeHandled = false;
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS};
struct sigaction g_previousCrash[2];
std::atomic<DisplayGoneCheck> g_displayGone{nullptr};

// A message box may be shown in a process of its own (SDL forks one on X11,
// or starts a helper). Such a process learns its pid into this pipe, so the
// watchdog can close the box when a quit signal comes while it is up; the
// main thread waits inside the box call and sees the signal only after it.
constexpr char kBox = 'b';
constexpr int kMaxBoxProcesses = 8;
std::atomic<int> g_boxDepth{0};
std::atomic<int> g_boxPidFd{-1};
std::atomic<pid_t> g_gamePid{0};
std::atomic<int> g_guardBoxFd{-1};

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

// A broken pipe or socket (the X server gone while the game writes to it) is
// the write's error to report, not a reason to die without a word.
void onBrokenPipe(int) {}

// A window-system driver may crash on a connection that broke under it (a
// reply it never checks). That is the display going away, told and ended as
// such; any other crash goes on to the handler that was there before.
void onCrash(int sig) {
    const DisplayGoneCheck gone = g_displayGone.load();
    if (gone && gone()) {
        g_displayLost = true;
        say("vellmoor: the game lost its display (the X server stopped or the connection broke); ending\n");
        ::_exit(kExitDisplayLost);
    }
    for (size_t i = 0; i < std::size(kCrashSignals); ++i)
        if (kCrashSignals[i] == sig) sigaction(sig, &g_previousCrash[i], nullptr);
    // Returning runs the faulting instruction again, under that handler.
}

// Runs in a process forked while a message box is up: the box's own. It
// dies with the game, ends on the session's signals as any program does,
// and tells the watchdog who it is.
void inBoxProcess() {
    if (g_boxDepth.load() == 0) return;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The game may have ended between the fork and the line above.
    if (::getppid() != g_gamePid.load()) ::_exit(0);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    for (int sig : kQuitSignals) sigaction(sig, &plain, nullptr);
    sigaction(SIGPIPE, &plain, nullptr);
    // A box forked after the game was asked to end is not worth showing.
    if (g_signalled.load()) ::_exit(0);
    const pid_t self = ::getpid();
    const int fd = g_boxPidFd.load();
    if (fd >= 0) (void)!::write(fd, &self, sizeof self);
    g_boxPidFd = -1;
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
// byte (the guard going away) ends the thread at any time. The processes of
// the box that is up are killed once a quit signal came: the box is what
// keeps the game from ending.
void watch(int fd, int boxFd, uint32_t watchdogMs) {
    int64_t deadline = -1;
    pid_t boxes[kMaxBoxProcesses] = {};
    int boxCount = 0;
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
        pollfd p[2] = {{fd, POLLIN, 0}, {boxFd, POLLIN, 0}};
        const int ready = ::poll(p, boxFd >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        // The wake byte first: a new box's mark comes before its process's pid.
        if (p[0].revents) {
            char c = 0;
            const ssize_t n = ::read(fd, &c, 1);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return;
            if (n == 1 && c == kStop) return;
            if (n == 1 && c == kArm && deadline < 0) deadline = monotonicMs() + watchdogMs;
            if (n == 1 && c == kBox) boxCount = 0;  // the last box's processes are gone
        }
        if (boxFd >= 0 && (p[1].revents & POLLIN)) {
            pid_t pid = 0;
            if (::read(boxFd, &pid, sizeof pid) == static_cast<ssize_t>(sizeof pid) && pid > 0 &&
                boxCount < kMaxBoxProcesses)
                boxes[boxCount++] = pid;
        }
        if (g_signalled.load() && g_boxDepth.load() > 0) {
            for (int i = 0; i < boxCount; ++i) ::kill(boxes[i], SIGKILL);
            boxCount = 0;
        }
    }
}

}  // namespace

ExitGuard::ExitGuard(uint32_t watchdogMs) {
    g_pendingSignal = 0;
    g_signalled = false;
    g_shuttingDown = false;
    g_displayLost = false;
    g_gamePid = ::getpid();
    static const bool forkHook = ::pthread_atfork(nullptr, nullptr, inBoxProcess) == 0;
    (void)forkHook;
    if (::pipe2(boxPipe_, O_CLOEXEC | O_NONBLOCK) != 0) boxPipe_[0] = boxPipe_[1] = -1;
    if (::pipe2(pipe_, O_CLOEXEC) == 0) {
        // The watchdog never takes the quit signals, so they interrupt the
        // game's threads only.
        sigset_t quit, old;
        sigemptyset(&quit);
        for (int sig : kQuitSignals) sigaddset(&quit, sig);
        pthread_sigmask(SIG_BLOCK, &quit, &old);
        try {
            thread_ = std::thread(watch, pipe_[0], boxPipe_[0], watchdogMs);
        } catch (const std::system_error&) {
            // Without the thread the game still ends; it only loses the cut-off.
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        if (thread_.joinable()) {
            g_wakeFd = pipe_[1];
            g_guardBoxFd = boxPipe_[1];
        }
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
    // A handler, not SIG_IGN: programs the game starts get the default back.
    struct sigaction pipeAction {};
    pipeAction.sa_handler = onBrokenPipe;
    sigemptyset(&pipeAction.sa_mask);
    pipeAction.sa_flags = SA_RESTART;
    g_pipeHandled = sigaction(SIGPIPE, &pipeAction, &g_previousPipe) == 0;
}

ExitGuard::~ExitGuard() {
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    if (g_pipeHandled) sigaction(SIGPIPE, &g_previousPipe, nullptr);
    g_pipeHandled = false;
    if (g_displayGone.exchange(nullptr))
        for (size_t i = 0; i < std::size(kCrashSignals); ++i) sigaction(kCrashSignals[i], &g_previousCrash[i], nullptr);
    g_wakeFd = -1;
    g_guardBoxFd = -1;
    g_boxPidFd = -1;
    if (thread_.joinable()) {
        const char stop = kStop;
        while (::write(pipe_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int& fd : pipe_)
        if (fd >= 0) ::close(fd);
    for (int& fd : boxPipe_)
        if (fd >= 0) ::close(fd);
}

ModalBox::ModalBox() {
    if (g_boxDepth.fetch_add(1) == 0) {
        wakeWatchdog(kBox);
        g_boxPidFd = g_guardBoxFd.load();
    }
}

ModalBox::~ModalBox() {
    if (g_boxDepth.fetch_sub(1) == 1) g_boxPidFd = -1;
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

void setDisplayGoneCheck(DisplayGoneCheck check) {
    if (!check || g_displayGone.exchange(check)) return;
    struct sigaction action {};
    action.sa_handler = onCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    for (size_t i = 0; i < std::size(kCrashSignals); ++i) sigaction(kCrashSignals[i], &action, &g_previousCrash[i]);
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
