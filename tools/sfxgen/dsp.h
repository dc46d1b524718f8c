// Small synthesis toolkit for the generated sound effects and the music
// module's instruments: mono float buffers, oscillators, envelopes, filters.
// Everything is deterministic: noise comes from a seeded generator.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace sfx {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

using Buf = std::vector<float>;
using Curve = std::function<double(double t)>;  // a value over time in seconds

class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next() {
        // xorshift32: tiny and the same on every platform.
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double uniform() { return (next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    double bipolar() { return uniform() * 2.0 - 1.0; }                // [-1, 1)

private:
    uint32_t s_;
};

enum class Wave { Sine, Triangle, Saw, Square };

inline int samplesFor(double seconds) { return static_cast<int>(seconds * kRate + 0.5); }
inline double noteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// Oscillator with a frequency curve; band-limited saw and square (polyBLEP).
Buf osc(double seconds, Wave wave, const Curve& freq, double phase0 = 0.0, int rate = kRate);
Buf oscHz(double seconds, Wave wave, double hz, int rate = kRate);
Buf noise(double seconds, uint32_t seed);
// Sum of sine partials (ratio to the base, relative amplitude, decay time).
struct Partial {
    double ratio, amp, decay;
};
Buf bell(double seconds, double baseHz, const std::vector<Partial>& partials);
// Two-operator FM: carrier at hz, modulator at hz*ratio, index decaying.
Buf fm(double seconds, const Curve& hz, double ratio, const Curve& index);

// Envelopes (multiply in place).
void applyCurve(Buf& b, const Curve& gain);
Curve expDecay(double attack, double tau);                // linear attack, exponential decay
Curve adsr(double a, double d, double s, double hold, double r);
Curve ramp(double t0, double v0, double t1, double v1);  // linear, clamped outside
Curve expRamp(double t0, double v0, double t1, double v1);

// Filters (in place). Cutoffs in Hz, may vary over time.
void lowpass(Buf& b, const Curve& cutoff, double q = 0.707);
void highpass(Buf& b, const Curve& cutoff, double q = 0.707);
void bandpass(Buf& b, const Curve& centre, double q);
void onePoleLowpass(Buf& b, double cutoff);

// Mixing and shaping.
void mixInto(Buf& dst, const Buf& src, double gain = 1.0, double offsetSeconds = 0.0);
void scale(Buf& b, double g);
void softClip(Buf& b, double drive);
void echo(Buf& b, double delaySeconds, double feedback, double wet, double tailSeconds);
void fadeEdges(Buf& b, double inSeconds, double outSeconds);
// Scales so the largest absolute sample sits at the given level in dBFS.
void normalizePeak(Buf& b, double dbfs);
double peakOf(const Buf& b);
double rmsOf(const Buf& b);

}  // namespace sfx
