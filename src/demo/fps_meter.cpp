#include "demo/fps_meter.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

#include "frame/app.h"
#include "frame/clock.h"
#include "gfx/gfx.h"
#include "scene/actor.h"

namespace demo {

namespace {

// After the game's frame step, so that a tick it ran is counted at once.
constexpr int kIdlePriority = 0x10000001;
constexpr double kScreenPixels = double{kScreenWidth} * kScreenHeight;

double processSeconds() {
    rusage use{};
    if (::getrusage(RUSAGE_SELF, &use) != 0) return 0;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

// Processor time of the calling thread alone: the game's own thread, as
// against the rasteriser's and the sound's.
double threadSeconds() {
    timespec t{};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return 0;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Counting {
    FpsMeter meter;
    int64_t frames = 0;
    int32_t lastTick = -1;
    double lastFrameAt = -1;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};
std::unique_ptr<Counting> g_counting;

int fpsHook() {
    if (!g_counting) return 1;
    Counting& c = *g_counting;
    // A logic tick is drawn and shown unless the window is minimised or the
    // game rests behind its pause picture.
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - c.start).count();
    if (tickCount() != c.lastTick) {
        if (c.lastTick >= 0 && !isWindowMinimised() && !isSuspended()) {
            ++c.frames;
            if (c.lastFrameAt >= 0) c.meter.frameTook(wall - c.lastFrameAt);
        }
        c.lastTick = tickCount();
        c.lastFrameAt = wall;
    }
    const DamageStats stats = Gfx_DamageStats();
    const std::string line = c.meter.step(c.frames, static_cast<int64_t>(stats.presented),
                                           static_cast<int64_t>(stats.pixels), wall, processSeconds(),
                                           threadSeconds());
    if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

HookNode g_node{fpsHook, nullptr, 0, nullptr};

}  // namespace

void FpsMeter::frameTook(double seconds) { longest_ = std::max(longest_, seconds); }

std::string FpsMeter::step(int64_t frames, int64_t shown, int64_t pixels, double wall, double cpu,
                           double gameThreadCpu) {
    if (!started_) {
        started_ = true;
        frames_ = frames;
        shown_ = shown;
        pixels_ = pixels;
        wall_ = wall;
        cpu_ = cpu;
        thread_ = gameThreadCpu;
        longest_ = 0;
        return {};
    }
    const double span = wall - wall_;
    if (span < 1.0) return {};
    const long fps = std::lround(static_cast<double>(frames - frames_) / span);
    const long shownFps = std::lround(static_cast<double>(shown - shown_) / span);
    const long percent = std::lround(100.0 * (cpu - cpu_) / span);
    const long gamePercent = std::lround(100.0 * (gameThreadCpu - thread_) / span);
    const double longestMs = longest_ * 1000.0;
    // Of the frames shown: a frame that changed nothing redraws nothing.
    const int64_t shownFrames = shown - shown_;
    const long redrawn = shownFrames > 0 ? std::lround(100.0 * static_cast<double>(pixels - pixels_) /
                                                       (static_cast<double>(shownFrames) * kScreenPixels))
                                         : 0;
    frames_ = frames;
    shown_ = shown;
    pixels_ = pixels;
    wall_ = wall;
    cpu_ = cpu;
    thread_ = gameThreadCpu;
    longest_ = 0;
    char longest[32];
    std::snprintf(longest, sizeof longest, "%.1f", longestMs);
    return "fps " + std::to_string(fps) + " (shown " + std::to_string(shownFps) + ", redrawn " +
           std::to_string(redrawn) + " %, cpu " + std::to_string(percent) + " %, game thread " +
           std::to_string(gamePercent) + " %, longest frame " + longest + " ms)";
}

void installFpsMeter() {
    uninstallFpsMeter();
    g_counting = std::make_unique<Counting>();
    addHook(HookList::Idle, kIdlePriority, &g_node);
}

void uninstallFpsMeter() {
    removeHook(&g_node);
    g_counting.reset();
}

}  // namespace demo
