// Hook lists, the entry point and main loop, the frame step and the logic
// clock, run on the headless platform.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/settings.h"
#include "platform/headless_platform.h"
#include "platform/instance_call.h"
#include "test_support.h"

namespace {
std::vector<std::string> g_calls;
int g_idleRuns = 0;
int g_quitAfter = 3;

int hookA() {
    g_calls.push_back("A");
    return 1;
}
int hookB() {
    g_calls.push_back("B");
    return 1;
}
int hookC() {
    g_calls.push_back("C");
    return 1;
}
int hookFail() {
    g_calls.push_back("fail");
    return 0;
}
HookNode g_nodeA{hookA, nullptr, 0, nullptr};
HookNode g_nodeB{hookB, nullptr, 0, nullptr};
HookNode g_nodeC{hookC, nullptr, 0, nullptr};

int selfRemoving();
HookNode g_selfNode{selfRemoving, nullptr, 0, nullptr};
int selfRemoving() {
    g_calls.push_back("self");
    removeHook(&g_selfNode);
    return 1;
}

int msgLow(const platform::Event& e) {
    g_calls.push_back("low" + std::to_string(e.user));
    return 1;
}
// An idle hook that hands an event to the event hooks itself.
int nestingIdle() {
    g_calls.push_back("nest");
    runEventHooks(platform::userEvent(7));
    return 1;
}
HookNode g_nestingNode{nestingIdle, nullptr, 0, nullptr};
int msgMid(const platform::Event& e) {
    g_calls.push_back("mid" + std::to_string(e.user));
    if (e.user == 0x1234) return 0;  // consumed
    return 1;
}
int msgHigh(const platform::Event& e) {
    g_calls.push_back("high" + std::to_string(e.user));
    return 1;
}

class Ticker : public Actor {
public:
    void update() override { ++updates; }
    int updates = 0;
};

class FrameTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        auto os = std::make_unique<platform::HeadlessPlatform>();
        headless = os.get();
        platform::install(std::move(os));
        resetSettingsForTests();
        folder = std::filesystem::path(testing::TempDir()) /
                 ("vm-frame-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        setDataFolderForTests(folder.string() + "/");
        g_calls.clear();
        g_idleRuns = 0;
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

int countingIdle() {
    ++g_idleRuns;
    if (g_idleRuns == g_quitAfter) requestQuit();
    return runFrame() ? 1 : 0;
}
// The running game is minimised, then started again.
bool g_minimisedAfterKnock = true;
int knockingIdle() {
    ++g_idleRuns;
    if (g_idleRuns == 2) {
        platform::current().minimizeWindow();
        platform::knockAtRunningCopy(instanceLockPath());
    }
    if (g_idleRuns == 3)
        g_minimisedAfterKnock = static_cast<platform::HeadlessPlatform&>(platform::current()).isMinimized();
    if (g_idleRuns == 4) requestQuit();
    return runFrame() ? 1 : 0;
}
int shutdownLog() {
    g_calls.push_back("shutdown");
    return 1;
}
int windowStart() {
    engineStart();
    setTickRate(80);
    return 1;
}
}  // namespace

TEST_F(FrameTest, ListsRunByPriorityWithRegistrationOrderAmongEquals) {
    addHook(HookList::Idle, 0x8800, &g_nodeC);
    addHook(HookList::Idle, 0x8000, &g_nodeA);
    addHook(HookList::Idle, 0x8100, &g_nodeB);
    runHookList(HookList::Idle);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A", "B", "C"}));
    removeHook(&g_nodeA);
    removeHook(&g_nodeB);
    removeHook(&g_nodeC);

    // Shutdown runs high priorities first; equal ones in registration order.
    g_calls.clear();
    addHook(HookList::Shutdown, 0x8000, &g_nodeA);
    addHook(HookList::Shutdown, 0x10000000, &g_nodeB);
    addHook(HookList::Shutdown, 0x10000000, &g_nodeC);
    runHookList(HookList::Shutdown);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"B", "C", "A"}));
    removeHook(&g_nodeA);
    removeHook(&g_nodeB);
    removeHook(&g_nodeC);
    removeHook(&g_nodeC);  // a node in no list is left alone
}

TEST_F(FrameTest, AHookRemovingItselfDoesNotStopItsList) {
    addHook(HookList::Window, 5, &g_nodeA);
    addHook(HookList::Window, 6, &g_selfNode);
    addHook(HookList::Window, 7, &g_nodeB);
    EXPECT_TRUE(runHookList(HookList::Window));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A", "self", "B"}));
    g_calls.clear();
    runHookList(HookList::Window);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A", "B"}));
    removeHook(&g_nodeA);
    removeHook(&g_nodeB);

    // A list run from inside a hook has its own cursor: the idle list goes
    // on after the nested event run.
    addHook(HookList::Idle, 5, &g_nestingNode);
    addHook(HookList::Idle, 6, &g_nodeB);
    addEventHook(1, msgLow);
    g_calls.clear();
    EXPECT_TRUE(runHookList(HookList::Idle));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"nest", "low7", "B"}));
    EXPECT_EQ(currentHook(), nullptr);
    removeEventHook(msgLow);
    removeHook(&g_nestingNode);
    removeHook(&g_nodeB);
}

TEST_F(FrameTest, EventHooksRunInOrderAndAConsumingHookStopsTheRest) {
    addEventHook(0x8800, msgHigh);
    addEventHook(0x8000, msgLow);
    addEventHook(0x8100, msgMid);
    addEventHook(0x8200, nullptr);  // nothing happens for a null callback
    EXPECT_TRUE(runEventHooks(platform::userEvent(0x1234)));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"low4660", "mid4660"}));
    g_calls.clear();
    EXPECT_FALSE(runEventHooks(platform::userEvent(0x10)));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"low16", "mid16", "high16"}));
    removeEventHook(msgMid);
    removeEventHook(msgMid);
    g_calls.clear();
    deliverEvent(platform::userEvent(0x1234));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"low4660", "high4660"}));
    removeEventHook(msgLow);
    removeEventHook(msgHigh);
}

TEST_F(FrameTest, StartUpFailures) {
    // No application record.
    EXPECT_EQ(appMain(), 1);
    ASSERT_EQ(headless->messageBoxes().size(), 1u);
    EXPECT_EQ(headless->messageBoxes()[0].text, "Problem with process description.");
    EXPECT_EQ(headless->messageBoxes()[0].caption, "Fatal Error");

    {
        // A failing init hook: no window, no shutdown hook.
        AppRecord rec(hookFail, hookA, hookB, shutdownLog, nullptr);
        EXPECT_EQ(appMain(), 1);
        EXPECT_EQ(g_calls, (std::vector<std::string>{"fail"}));
        EXPECT_FALSE(headless->hasWindow());
    }
    {
        AppRecord rec(hookA, hookB, hookC, shutdownLog, nullptr);
        headless->failWindowCreation = true;
        g_calls.clear();
        EXPECT_EQ(appMain(), 1);
        EXPECT_EQ(headless->messageBoxes().back().text, "Internal-init process failed");
        EXPECT_EQ(headless->messageBoxes().back().caption, "Error");
        EXPECT_EQ(g_calls, (std::vector<std::string>{"A"}));
        headless->failWindowCreation = false;
    }
    {
        // A second start finds the first one's lock: it knocks at the first
        // copy, and leaves with 0, no window and no message.
        AppRecord rec(hookA, hookB, hookC, shutdownLog, nullptr);
        // Another copy holds the lock (a separate open file, as another
        // process would) and listens.
        const int fd = ::open(instanceLockPath().c_str(), O_RDWR | O_CREAT, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ASSERT_TRUE(platform::listenForOtherStarts(instanceLockPath()));
        const size_t boxes = headless->messageBoxes().size();
        g_calls.clear();
        EXPECT_EQ(appMain(), 0);
        EXPECT_TRUE(startHandedToRunningCopy());
        EXPECT_FALSE(headless->hasWindow());
        EXPECT_EQ(g_calls, (std::vector<std::string>{"A"}));
        EXPECT_EQ(headless->messageBoxes().size(), boxes);
        EXPECT_TRUE(platform::takeOtherStart());
        EXPECT_FALSE(platform::takeOtherStart());  // one knock, heard once
        platform::stopListeningForOtherStarts();
        ::close(fd);
    }
}

TEST_F(FrameTest, AnotherStartBringsTheMinimisedGameForwardAndAStaleLockIsTakenOver) {
    // The lock file of a copy that crashed: its process is gone, and the
    // system dropped its lock with it.
    std::filesystem::create_directories(std::filesystem::path(instanceLockPath()).parent_path());
    { std::ofstream(instanceLockPath()) << "999999999\n"; }
    AppRecord rec(nullptr, windowStart, knockingIdle, shutdownLog, nullptr);
    g_minimisedAfterKnock = true;
    EXPECT_EQ(appMain(), 0);
    EXPECT_FALSE(startHandedToRunningCopy());
    EXPECT_FALSE(g_minimisedAfterKnock);
    std::string pid;
    ASSERT_TRUE(platform::readFile(instanceLockPath(), pid));
    EXPECT_EQ(pid, std::to_string(::getpid()) + "\n");
}

TEST_F(FrameTest, QuitRequestEndsTheLoopThroughTheShutdownHooks) {
    AppRecord rec(nullptr, windowStart, countingIdle, shutdownLog, nullptr);
    g_quitAfter = 5;
    EXPECT_EQ(appMain(), 0);
    EXPECT_EQ(g_idleRuns, 5);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"shutdown"}));
    EXPECT_FALSE(headless->hasWindow());

    // Closing the window destroys it, which posts the quit message.
    g_calls.clear();
    g_idleRuns = 0;
    g_quitAfter = 1000000;
    headless->closeRequest();
    EXPECT_EQ(appMain(), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"shutdown"}));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(FrameTest, AWindowHookThatFailsIsAFailedStartYetEverythingIsReleased) {
    AppRecord rec(nullptr, [] { return 0; }, countingIdle, shutdownLog, nullptr);
    EXPECT_EQ(appMain(), 1);
    EXPECT_EQ(g_idleRuns, 0);  // the loop never ran
    EXPECT_EQ(g_calls, (std::vector<std::string>{"shutdown"}));
}

TEST_F(FrameTest, TheLoopSleepsUntilTheNextTickInsteadOfSpinning) {
    AppRecord rec(nullptr, windowStart, countingIdle, shutdownLog, nullptr);
    auto* ticker = new Ticker;
    g_quitAfter = 200;
    const uint64_t start = headless->ticks64();
    EXPECT_EQ(appMain(), 0);
    // Each idle step either ticks or waits for exactly the time left, so
    // 200 steps cover about 200 ticks of 13 ms, not 200 busy polls.
    EXPECT_GE(ticker->updates, 190);
    EXPECT_GE(headless->ticks64() - start, 190u * 13u);
}

// A clock to the microsecond whose waits end a little late, as a real
// system's do.
class FineClockPlatform : public platform::HeadlessPlatform {
public:
    uint64_t ticks64() override { return micros / 1000; }
    uint64_t ticksMicros() override { return micros; }
    void sleepMs(uint32_t ms) override { micros += uint64_t{ms} * 1000; }
    void waitForEvent(uint32_t ms) override { micros += uint64_t{ms} * 1000 + kLate; }
    void waitForEventMicros(uint64_t us) override {
        micros += us + kLate;
        ++fineWaits;
    }
    static constexpr uint64_t kLate = 60;
    uint64_t micros = 1000;
    int fineWaits = 0;
};

TEST_F(FrameTest, TicksOfAnEightiethOfASecondComeEightyTimesASecondOnAFineClock) {
    auto owned = std::make_unique<FineClockPlatform>();
    FineClockPlatform* clock = owned.get();
    platform::install(std::move(owned));
    headless = nullptr;
    AppRecord rec(nullptr, windowStart, countingIdle, shutdownLog, nullptr);
    auto* ticker = new Ticker;
    g_quitAfter = 1000;
    const uint64_t start = clock->micros;
    EXPECT_EQ(appMain(), 0);
    ASSERT_GT(ticker->updates, 100);
    EXPECT_GT(clock->fineWaits, 0) << "the loop never waited to the microsecond";
    // Whole-millisecond waits would make each tick 13 ms long: 77 a second.
    const double seconds = static_cast<double>(clock->micros - start) / 1e6;
    const double rate = ticker->updates / seconds;
    EXPECT_GT(rate, 79.0);
    EXPECT_LE(rate, 80.0);
}

TEST_F(FrameTest, FrameStepOrderAndTheSuspendedPath) {
    setTickRate(80);
    auto* ticker = new Ticker;
    EXPECT_FALSE(frameTick());  // the first call only records the time
    headless->advance(13);
    EXPECT_TRUE(runFrame());
    EXPECT_EQ(ticker->updates, 1);
    const size_t drawnAfterTick = sink.calls.size();
    EXPECT_GT(drawnAfterTick, 0u);
    headless->advance(5);
    runFrame();  // no tick due: nothing drawn
    EXPECT_EQ(sink.calls.size(), drawnAfterTick);

    // Suspended: no update, input waits, a frame is drawn and 20 ms pass.
    setSuspended(true);
    pushInput(KeyboardSource, 'x');
    headless->advance(100);
    const uint64_t before = headless->ticks64();
    runFrame();
    EXPECT_EQ(ticker->updates, 1);
    EXPECT_EQ(headless->ticks64() - before, 20u);
    EXPECT_GT(sink.calls.size(), drawnAfterTick);
    EXPECT_EQ(pendingInputCount(), 1);
    setSuspended(false);
    runFrame();
    EXPECT_EQ(pendingInputCount(), 0);
    EXPECT_EQ(ticker->updates, 2);
    // The first tick after a suspension spans it.
    EXPECT_NEAR(lastTickSeconds(), 0.125f, 1e-4);
    requestQuit();
    EXPECT_FALSE(runFrame());
}

TEST_F(FrameTest, ClockTicksAtMostOncePerStepWithoutCatchingUp) {
    setTickRate(80);
    auto* ticker = new Ticker;
    frameTick();
    // Steps every 5 ms: a tick on every third step, 15 ms apart.
    int ticks = 0;
    for (int i = 0; i < 9; ++i) {
        headless->advance(5);
        if (frameTick()) {
            ++ticks;
            EXPECT_NEAR(lastTickSeconds(), 0.015f, 1e-6);
        }
    }
    EXPECT_EQ(ticks, 3);
    // A stall gives one long tick, not forty.
    headless->advance(500);
    EXPECT_TRUE(frameTick());
    EXPECT_FALSE(frameTick());
    EXPECT_NEAR(lastTickSeconds(), 0.5f, 1e-6);
    // Hours of suspension must not overflow the elapsed time.
    headless->advance(24ull * 3600 * 1000);
    EXPECT_TRUE(frameTick());
    EXPECT_NEAR(lastTickSeconds(), 24.0f * 3600.0f, 1.0f);
    headless->advance(13);
    EXPECT_TRUE(frameTick());
    EXPECT_EQ(ticker->updates, 6);
}

TEST_F(FrameTest, ShiftSlowsOrSpeedsTheClockOnlyWhenEnabled) {
    setTickRate(80);
    installKeyboardModule();
    ASSERT_TRUE(headless->createWindow(platform::WindowDesc{}));
    headless->setShiftKeys(true, false);
    runHookList(HookList::Idle);  // the keyboard module polls the keys
    EXPECT_TRUE(keyboardLeftShift());
    frameTick();
    headless->advance(20);
    EXPECT_TRUE(frameTick());  // ShiftEnable is off: Shift changes nothing

    setDataFolderForTests(folder.string() + "/");
    ASSERT_TRUE(platform::writeFileAtomic(folder.string() + "/vm_game.ini", "[Debug]\nShiftEnable=1\n"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    readEngineSettings();
    ASSERT_TRUE(shiftEnabled());
    headless->advance(20);
    EXPECT_FALSE(frameTick());
    headless->advance(105);
    EXPECT_TRUE(frameTick());
    EXPECT_NEAR(lastTickSeconds(), 0.0125f, 1e-5);  // each still about 1/80 s

    headless->setShiftKeys(false, true);
    runHookList(HookList::Idle);
    headless->advance(2);
    EXPECT_TRUE(frameTick());  // ten times faster: 1.25 ms suffice
}

TEST_F(FrameTest, ActivationRepaintsAndTheCursorFollowsTheSetting) {
    ASSERT_TRUE(platform::writeFileAtomic(folder.string() + "/vm_game.ini", "[Game]\nCustomCursor=1\n"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    engineStart();
    struct Arrow : Sprite {
        void draw(const Rect&) override { Gfx_DrawQuad(x, y, "cursor", 0, 0, 1, 1, nullptr); }
        void getRect(Rect& r) const override { r = Rect{0, 0, -1, -1}; }
    } cursor;
    setCursorSprite(&cursor, 10, 5);
    EXPECT_EQ(cursor.layer, 1000000);
    EXPECT_FALSE(cursor.visible);

    setSuspended(true);
    sink.calls.clear();
    deliverEvent(platform::activationEvent(true));
    EXPECT_FALSE(isSuspended());
    EXPECT_TRUE(isAppActive());
    EXPECT_FALSE(sink.calls.empty());  // repainted at once
    deliverEvent(platform::activationEvent(false));
    EXPECT_FALSE(isAppActive());
    deliverEvent(platform::activationEvent(true, true));
    EXPECT_FALSE(isAppActive());  // minimised counts as inactive

    // The picture replaces the system cursor in the client area...
    deliverEvent(platform::pointerMove(100, 50));
    EXPECT_FALSE(headless->systemCursorVisible());
    EXPECT_TRUE(cursor.visible);
    followMouse();
    EXPECT_EQ(cursor.x, 90);
    EXPECT_EQ(cursor.y, 45);
    // ...and gives way to it over the frame.
    deliverEvent(platform::makeEvent(platform::EventType::PointerLeft));
    EXPECT_TRUE(headless->systemCursorVisible());
    EXPECT_FALSE(cursor.visible);
    deliverEvent(platform::pointerMove(100, 50));
    EXPECT_TRUE(cursor.visible);
    engineStop();
    setCursorSprite(nullptr, 0, 0);
}

TEST_F(FrameTest, NothingIsDrawnWhileMinimisedAndAFrozenPictureOnlyWhenTheCursorMoves) {
    engineStart();
    setTickRate(80);
    struct Arrow : Sprite {
        void draw(const Rect&) override { Gfx_DrawQuad(x, y, "cursor", 0, 0, 1, 1, nullptr); }
        void getRect(Rect& r) const override { r = Rect{0, 0, -1, -1}; }
    } cursor;
    setCursorSprite(&cursor, 0, 0);
    auto scenes = [this] {
        return std::count_if(sink.calls.begin(), sink.calls.end(), [](const RecordedDraw& d) { return d.kind == "end"; });
    };
    auto* ticker = new Ticker;
    frameTick();
    // Minimised: the logic goes on, no frame is drawn or shown.
    deliverEvent(platform::activationEvent(false, true));
    ASSERT_TRUE(isWindowMinimised());
    sink.calls.clear();
    for (int i = 0; i < 20; ++i) {
        headless->advance(13);
        runFrame();
    }
    EXPECT_GE(ticker->updates, 19);
    EXPECT_EQ(scenes(), 0);
    deliverEvent(platform::makeEvent(platform::EventType::Exposed));
    EXPECT_EQ(scenes(), 0);
    // Frozen behind the pause picture while still shown: the picture once,
    // then a frame only when the cursor moves.
    deliverEvent(platform::activationEvent(false));
    EXPECT_FALSE(isWindowMinimised());
    setSuspended(true);
    sink.calls.clear();
    for (int i = 0; i < 10; ++i) runFrame();
    EXPECT_EQ(scenes(), 1);
    mousePosition = {300, 200};
    runFrame();
    runFrame();
    EXPECT_EQ(scenes(), 2);
    setSuspended(false);
    engineStop();
    setCursorSprite(nullptr, 0, 0);
}

TEST_F(FrameTest, AStepWithoutTheSceneIsAnInternalErrorAndEngineStartConnectsIt) {
    setTickRate(80);
    auto* ticker = new Ticker;
    setFrameParts(nullptr);
    // Nothing ticked, drawn or repainted in silence: every way in says so.
    EXPECT_THROW(runFrame(), InternalError);
    EXPECT_THROW(frameTick(), InternalError);
    FrameParts partial;
    partial.draw = [] {};
    EXPECT_THROW(setFrameParts(&partial), InternalError);
    EXPECT_THROW(runFrame(), InternalError);  // the refused list was not kept
    EXPECT_EQ(ticker->updates, 0);
    EXPECT_TRUE(sink.calls.empty());

    // engineStart() hands the frame the scene: the step ticks and draws it.
    engineStart();
    frameTick();
    headless->advance(13);
    EXPECT_TRUE(runFrame());
    EXPECT_EQ(ticker->updates, 1);
    EXPECT_NE(std::find_if(sink.calls.begin(), sink.calls.end(),
                           [](const RecordedDraw& d) { return d.kind == "end"; }),
              sink.calls.end());
    engineStop();
}
