// Leaving when the player did not close the window: a quit signal closes the
// game the way its close button does, a second signal or a hung shutdown ends
// the process at once, and a lost display ends it through the shutdown hooks
// without a second shutdown. The process-ending cases run as death tests.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame/settings.h"
#include "platform/exit_guard.h"
#include "platform/headless_platform.h"
#include "test_support.h"

using namespace std::chrono_literals;

namespace {
std::vector<std::string> g_seen;
int g_frames = 0;
constexpr int kEventFrame = 3;
int g_signal = SIGTERM;

void sayOnStderr(const char* text) {
    (void)!::write(STDERR_FILENO, text, std::char_traits<char>::length(text));
}

int recordClose(const platform::Event& e) {
    if (e.type == platform::EventType::Close) g_seen.push_back("close");
    if (e.type == platform::EventType::Destroyed) g_seen.push_back("destroy");
    return 1;
}
int windowStart() {
    engineStart();
    setTickRate(80);
    return 1;
}
// A loop the event does not end stops by itself instead of hanging the test.
int signallingIdle() {
    if (++g_frames == kEventFrame) std::raise(g_signal);
    if (g_frames > 400) requestQuit();
    return runFrame() ? 1 : 0;
}
int recordShutdown() {
    g_seen.push_back("shutdown");
    return 1;
}
// As the window system's error handler does: in the middle of a frame.
int displayLosingIdle() {
    if (++g_frames == kEventFrame) platform::leaveForLostDisplay();
    return runFrame() ? 1 : 0;
}
int announcingShutdown() {
    sayOnStderr(platform::displayLost() ? "shutdown hooks ran without the display\n"
                                        : "shutdown hooks ran\n");
    return 1;
}
// A hook that reaches the dead display after all.
int displayTouchingShutdown() {
    sayOnStderr("touching the display\n");
    platform::leaveForLostDisplay();
}
int hangingShutdown() {
    std::this_thread::sleep_for(30s);
    return 1;
}

// The game's quit signals as a shell gives them to a program it starts in the
// foreground, whatever the test runner set.
void defaultQuitSignals() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, SIG_DFL);
}

class LeavingTest : public EngineTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EngineTest::SetUp();
        auto os = std::make_unique<platform::HeadlessPlatform>();
        headless = os.get();
        platform::install(std::move(os));
        resetSettingsForTests();
        folder = std::filesystem::path(testing::TempDir()) /
                 ("vm-leaving-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        setDataFolderForTests(folder.string() + "/");
        g_seen.clear();
        g_frames = 0;
        defaultQuitSignals();
    }
    void TearDown() override {
        platform::releaseInstanceLock();
        resetSettingsForTests();
        EngineTest::TearDown();
        platform::uninstall();
        std::filesystem::remove_all(folder);
    }
    platform::HeadlessPlatform* headless = nullptr;
    std::filesystem::path folder;
};

using LeavingDeathTest = LeavingTest;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

TEST_F(LeavingTest, EachQuitSignalClosesTheGameAsItsWindowDoes) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        g_seen.clear();
        g_frames = 0;
        g_signal = sig;
        platform::ExitGuard guard(60000);
        AppRecord rec(nullptr, windowStart, signallingIdle, recordShutdown, recordClose);
        EXPECT_EQ(appMain(), 0);
        // The close message, the window going and the shutdown hooks, in the
        // order a click on the close button gives, at the next turn of the loop.
        EXPECT_EQ(g_seen, (std::vector<std::string>{"close", "destroy", "shutdown"}));
        EXPECT_EQ(g_frames, kEventFrame);
        EXPECT_TRUE(windowDestroyed());
        EXPECT_TRUE(platform::shutdownBegun());
        EXPECT_EQ(platform::takeQuitSignal(), 0);  // the signal was taken once
    }
}

TEST_F(LeavingTest, ASignalTheParentIgnoresStaysIgnored) {
    std::signal(SIGHUP, SIG_IGN);
    {
        platform::ExitGuard guard(60000);
        std::raise(SIGHUP);
        EXPECT_EQ(platform::takeQuitSignal(), 0);
        std::raise(SIGTERM);
        EXPECT_EQ(platform::takeQuitSignal(), SIGTERM);
    }
    // The guard gives the signals back as it found them.
    struct sigaction action {};
    sigaction(SIGHUP, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_IGN);
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
    defaultQuitSignals();
}

TEST_F(LeavingTest, ABrokenPipeIsAFailedWriteAndABoxProcessGoesWithAQuitSignal) {
    std::signal(SIGPIPE, SIG_DFL);
    platform::ExitGuard guard(60000);
    // The display's socket gone: the write fails and the game lives to say so.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    errno = 0;
    EXPECT_EQ(::write(fds[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(fds[1]);

    // A box shown from a process of its own, which waits for a click that
    // never comes: the session's SIGTERM closes it, so the game can end.
    const platform::ModalBox box;
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;) ::pause();
    }
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(50ms);
    std::raise(SIGTERM);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 500 && done == 0; ++i) {
        done = ::waitpid(child, &status, WNOHANG);
        if (done == 0) std::this_thread::sleep_for(10ms);
    }
    if (done == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    EXPECT_EQ(done, child) << "the box's process was still there 5 s after the signal";
    EXPECT_EQ(platform::takeQuitSignal(), SIGTERM);
}

TEST_F(LeavingDeathTest, ASignalWhileEndingEndsAtOnce) {
    // A second signal before the first was even seen.
    EXPECT_EXIT(
        {
            platform::ExitGuard guard(60000);
            std::raise(SIGTERM);
            std::raise(SIGINT);
            std::this_thread::sleep_for(30s);
            ::_exit(0);
        },
        testing::ExitedWithCode(128 + SIGINT), "SIGINT while the game was already ending");
    // A first signal once the shutdown runs (the window was closed).
    EXPECT_EXIT(
        {
            platform::ExitGuard guard(60000);
            EXPECT_TRUE(platform::beginShutdown());
            std::raise(SIGHUP);
            std::this_thread::sleep_for(30s);
            ::_exit(0);
        },
        testing::ExitedWithCode(128 + SIGHUP), "SIGHUP while the game was already ending");
}

TEST_F(LeavingDeathTest, TheWatchdogCutsAHungShutdownShort) {
    for (const bool bySignal : {false, true}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EXIT(
            {
                platform::ExitGuard guard(200);
                if (bySignal)
                    std::raise(SIGTERM);  // a game that never sees the request
                else
                    platform::beginShutdown();
                std::this_thread::sleep_for(30s);
                ::_exit(0);
            },
            testing::ExitedWithCode(platform::kExitShutdownStuck), "shutdown did not finish");
        EXPECT_LT(secondsSince(start), 15.0);
    }
    // Unarmed it waits for ever; a shutdown that finishes (the guard goes
    // with main) stops it before its time.
    EXPECT_EXIT(
        {
            {
                platform::ExitGuard guard(150);
                std::this_thread::sleep_for(400ms);
                platform::beginShutdown();
            }
            std::this_thread::sleep_for(400ms);
            ::_exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(LeavingDeathTest, ALostDisplayEndsThroughTheShutdownHooksOnce) {
    {
        AppRecord rec(nullptr, windowStart, displayLosingIdle, announcingShutdown, nullptr);
        EXPECT_EXIT(
            {
                platform::ExitGuard guard(60000);
                appMain();
                ::_exit(0);
            },
            testing::ExitedWithCode(platform::kExitDisplayLost),
            "lost its display.*shutdown hooks ran without the display");
    }
    {
        // A hook that reaches the display again ends it on the spot.
        AppRecord rec(nullptr, windowStart, displayLosingIdle, displayTouchingShutdown, nullptr);
        EXPECT_EXIT(
            {
                platform::ExitGuard guard(60000);
                appMain();
                ::_exit(0);
            },
            testing::ExitedWithCode(platform::kExitDisplayLost), "lost its display.*touching the display");
    }
    {
        // A shutdown hook stuck on the dead display meets the watchdog.
        AppRecord rec(nullptr, windowStart, displayLosingIdle, hangingShutdown, nullptr);
        EXPECT_EXIT(
            {
                platform::ExitGuard guard(200);
                appMain();
                ::_exit(0);
            },
            testing::ExitedWithCode(platform::kExitShutdownStuck),
            "lost its display.*shutdown did not finish");
    }
    // The display lost while the shutdown already runs: that shutdown is the
    // only one, the display-loss one does not start.
    EXPECT_EXIT(
        {
            platform::ExitGuard guard(60000);
            platform::setDisplayLossShutdown([] { ::_exit(9); });
            platform::beginShutdown();
            platform::leaveForLostDisplay();
        },
        testing::ExitedWithCode(platform::kExitDisplayLost), "lost its display");
}
