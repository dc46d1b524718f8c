#include "demo/fps_meter.h"

#include <sys/resource.h>

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

struct Counting {
    FpsMeter meter;
    int64_t frames = 0;
    int32_t lastTick = -1;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};
std::unique_ptr<Counting> g_counting;

int fpsHook() {
    if (!g_counting) return 1;
    Counting& c = *g_counting;
    // A logic tick is drawn and shown unless the window is minimised or the
    // game rests behind its pause picture.
    if (tickCount() != c.lastTick) {
        if (c.lastTick >= 0 && !isWindowMinimised() && !isSuspended()) ++c.frames;
        c.lastTick = tickCount();
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - c.start).count();
    const DamageStats stats = Gfx_DamageStats();
    const std::string line = c.meter.step(c.frames, static_cast<int64_t>(stats.presented),
                                           static_cast<int64_t>(stats.pixels), wall, processSeconds());
    if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

HookNode g_node{fpsHook, nullptr, 0, nullptr};

}  // namespace

std::string FpsMeter::step(int64_t frames, int64_t shown, int64_t pixels, double wall, double cpu) {
    if (!started_) {
        started_ = true;
        frames_ = frames;
        shown_ = shown;
        pixels_ = pixels;
        wall_ = wall;
        cpu_ = cpu;
        return {};
    }
    const double span = wall - wall_;
    if (span < 1.0) return {};
    const long fps = std::lround(static_cast<double>(frames - frames_) / span);
    const long shownFps = std::lround(static_cast<double>(shown - shown_) / span);
    const long percent = std::lround(100.0 * (cpu - cpu_) / span);
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
    return "fps " + std::to_string(fps) + " (shown " + std::to_string(shownFps) + ", redrawn " +
           std::to_string(redrawn) + " %, cpu " + std::to_string(percent) + " %)";
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
