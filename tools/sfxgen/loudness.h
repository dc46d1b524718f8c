// Loudness as ears weigh it: K-weighted power over sliding windows (the
// broadcast loudness meter's method), in LUFS. The sound tool sets every
// effect's level with it, and the mix checks measure the game's output.
#pragma once

#include <cstddef>
#include <vector>

namespace loudness {

constexpr double kSilent = -120.0;  // what silence measures as

// The two-stage K-weighting filter (a high shelf for the head, a high pass
// below 40 Hz) for one channel at a given sample rate.
class KFilter {
public:
    explicit KFilter(int rate);
    double process(double x);
    // Coefficients, for checks: shelf b0..b2, a1, a2, then high pass a1, a2.
    const double* coefficients() const { return c_; }

private:
    double c_[7];
    double s1a_ = 0, s1b_ = 0, s2a_ = 0, s2b_ = 0;
};

// Collects K-weighted power in hops of fixed length; windows of any length
// (whole hops) are read from it afterwards.
class Meter {
public:
    Meter(int rate, int channels, double hopSeconds = 0.1);
    // Interleaved frames; the last partial hop waits for more.
    void add(const float* interleaved, size_t frames);
    // `seconds` of silence, so that windows covering a sound's end are read.
    void addSilence(double seconds);

    // Loudness of each window of `seconds` that ends on a hop boundary,
    // from the first hop on (windows reaching before the start count the
    // time before as silence).
    std::vector<double> windows(double seconds) const;
    double maxWindow(double seconds) const;
    // Gated loudness of everything added: 400 ms blocks every 100 ms,
    // dropping blocks below -70 LUFS and then below the mean less 10 LU.
    double integrated() const;

    size_t hops() const { return power_.size(); }
    int rate() const { return rate_; }

private:
    int rate_;
    int channels_;
    size_t hopFrames_;
    std::vector<KFilter> filters_;
    std::vector<double> power_;  // mean K-weighted power of each hop, summed over channels
    double acc_ = 0;
    size_t accFrames_ = 0;
};

double powerToLufs(double power);

// A mono effect as the game plays it (the same signal on both speakers).
struct EffectLevels {
    double peakDb;        // sample peak, dBFS
    double momentaryMax;  // loudest 400 ms, LUFS
    double shortTermMax;  // loudest 3 s, LUFS
};
EffectLevels measureEffect(const std::vector<float>& mono, int rate);

}  // namespace loudness
