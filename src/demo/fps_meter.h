// --fps: once a second, on stderr, the frames the game drew in that second,
// how many of them changed the picture and reached the window, how much of
// the screen those redrew on average, and the processor time the whole
// process used and the game's own thread used, in per cent of one core, and
// the longest time between two drawn frames in that second
// ("fps 80 (shown 25, redrawn 9 %, cpu 12 %, game thread 4 %, longest frame 13.1 ms)").
// The way to measure what the game costs a machine, and how steadily it
// runs, in play (--demo) as on the menus.
#pragma once

#include <cstdint>
#include <string>

namespace demo {

class FpsMeter {
public:
    // frames: frames drawn so far; shown: frames that reached the window so
    // far; pixels: screen pixels redrawn so far; wall, cpu and gameThreadCpu:
    // seconds of the wall clock, of the whole process's processor time and
    // of the game thread's so far. Returns the line to print once a second
    // of wall time has passed since the last one, else an empty string.
    std::string step(int64_t frames, int64_t shown, int64_t pixels, double wall, double cpu,
                     double gameThreadCpu = 0);
    // Seconds from the previous drawn frame to this one; the longest of the
    // second is printed with its line.
    void frameTook(double seconds);

private:
    bool started_ = false;
    int64_t frames_ = 0, shown_ = 0, pixels_ = 0;
    double wall_ = 0, cpu_ = 0, thread_ = 0, longest_ = 0;
};

// An idle hook after the game's frame step that prints the meter's lines.
void installFpsMeter();
void uninstallFpsMeter();

}  // namespace demo
