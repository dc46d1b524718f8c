// The last stage of the game's mix, between the mixer and the speakers. The
// mixer sums every voice in floating point, so however many play at once
// nothing clips on the way in; here the sum gets its master gain and a
// limiter without look-ahead: a stereo-linked gain that drops within a
// couple of milliseconds when a peak passes the threshold, holds, and
// recovers slowly, then a soft clipper that bends what slips past the threshold
// towards a ceiling below full scale. Below the threshold the mix passes
// untouched.
#pragma once

#include <cstddef>
#include <cstdint>

class MasterBus {
public:
    // The assets leave the headroom: music at -23 LUFS with peaks near
    // -12 dBFS, effects at -20 LUFS or less with peaks at or below -6 dBFS,
    // so a few voices meeting at their peaks still pass untouched.
    static constexpr double kGainDb = 0.0;
    static constexpr double kThresholdDb = -3.0;
    static constexpr double kCeilingDb = -1.0;
    static constexpr double kAttackSeconds = 0.002;
    static constexpr double kHoldSeconds = 0.02;  // longer than a cycle of the lowest bass
    static constexpr double kReleaseSeconds = 0.15;

    MasterBus(int rate, int channels);

    // In place; non-finite samples become silence.
    void process(float* interleaved, size_t frames);
    void reset();

    float ceiling() const { return ceiling_; }
    float threshold() const { return threshold_; }
    // What the limiter has done since the last reset, for the mix checks.
    struct Stats {
        uint64_t frames = 0;
        uint64_t limitedFrames = 0;  // gain more than 0.1 dB below unity
        double deepestDb = 0;        // lowest limiter gain
    };
    Stats stats() const;

private:
    int channels_;
    float gain_, threshold_, ceiling_;
    double attack_, release_;
    uint32_t holdFrames_;
    double env_ = 1.0;
    uint32_t hold_ = 0;
    double lowestGain_ = 1.0;
    Stats stats_;
};
