#include "dsp.h"

#include <algorithm>
#include <cmath>

namespace sfx {

namespace {

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Topology-preserving state-variable filter: stays stable while its cutoff
// moves every sample, which the sweeps rely on.
enum class Mode { Low, High, Band };
void svf(Buf& b, const Curve& cutoff, double q, Mode mode) {
    double ic1 = 0.0, ic2 = 0.0;
    const double k = 1.0 / std::max(q, 0.05);
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double fc = std::clamp(cutoff(t), 10.0, kRate * 0.45);
        const double g = std::tan(kPi * fc / kRate);
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v0 = b[i];
        const double v3 = v0 - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        double out = v2;
        if (mode == Mode::High) out = v0 - k * v1 - v2;
        if (mode == Mode::Band) out = v1 * k;  // unity gain at the centre
        b[i] = static_cast<float>(out);
    }
}

}  // namespace

Buf osc(double seconds, Wave wave, const Curve& freq, double phase0, int rate) {
    const int n = static_cast<int>(seconds * rate + 0.5);
    Buf out(static_cast<size_t>(std::max(n, 0)));
    double phase = phase0 - std::floor(phase0);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double dt = std::clamp(freq(t) / rate, 0.0, 0.49);
        double v = 0.0;
        switch (wave) {
        case Wave::Sine: v = std::sin(2.0 * kPi * phase); break;
        case Wave::Triangle: v = 1.0 - 4.0 * std::abs(phase - 0.5); break;
        case Wave::Saw: v = 2.0 * phase - 1.0 - polyBlep(phase, dt); break;
        case Wave::Square: {
            double p2 = phase + 0.5;
            if (p2 >= 1.0) p2 -= 1.0;
            v = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(p2, dt);
            break;
        }
        }
        out[static_cast<size_t>(i)] = static_cast<float>(v);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
    }
    return out;
}

Buf oscHz(double seconds, Wave wave, double hz, int rate) {
    return osc(seconds, wave, [hz](double) { return hz; }, 0.0, rate);
}

Buf noise(double seconds, uint32_t seed) {
    Rng rng(seed);
    Buf out(static_cast<size_t>(samplesFor(seconds)));
    for (auto& s : out) s = static_cast<float>(rng.bipolar());
    return out;
}

Buf bell(double seconds, double baseHz, const std::vector<Partial>& partials) {
    Buf out(static_cast<size_t>(samplesFor(seconds)), 0.0f);
    for (const auto& p : partials) {
        const double hz = baseHz * p.ratio;
        if (hz >= kRate * 0.45) continue;
        for (size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            out[i] += static_cast<float>(p.amp * std::exp(-t / p.decay) * std::sin(2.0 * kPi * hz * t));
        }
    }
    return out;
}

Buf fm(double seconds, const Curve& hz, double ratio, const Curve& index) {
    Buf out(static_cast<size_t>(samplesFor(seconds)));
    double pc = 0.0, pm = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = hz(t);
        out[i] = static_cast<float>(std::sin(2.0 * kPi * pc + index(t) * std::sin(2.0 * kPi * pm)));
        pc += f / kRate;
        pm += f * ratio / kRate;
        pc -= std::floor(pc);
        pm -= std::floor(pm);
    }
    return out;
}

void applyCurve(Buf& b, const Curve& gain) {
    for (size_t i = 0; i < b.size(); ++i) b[i] *= static_cast<float>(gain(static_cast<double>(i) / kRate));
}

Curve expDecay(double attack, double tau) {
    return [attack, tau](double t) {
        if (t < attack) return t / attack;
        return std::exp(-(t - attack) / tau);
    };
}

Curve adsr(double a, double d, double s, double hold, double r) {
    return [=](double t) {
        if (t < a) return t / a;
        if (t < a + d) return 1.0 - (1.0 - s) * (t - a) / d;
        if (t < a + d + hold) return s;
        const double x = (t - a - d - hold) / r;
        return x >= 1.0 ? 0.0 : s * (1.0 - x);
    };
}

Curve ramp(double t0, double v0, double t1, double v1) {
    return [=](double t) {
        if (t <= t0) return v0;
        if (t >= t1) return v1;
        return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
    };
}

Curve expRamp(double t0, double v0, double t1, double v1) {
    return [=](double t) {
        if (t <= t0) return v0;
        if (t >= t1) return v1;
        return v0 * std::pow(v1 / v0, (t - t0) / (t1 - t0));
    };
}

void lowpass(Buf& b, const Curve& cutoff, double q) { svf(b, cutoff, q, Mode::Low); }
void highpass(Buf& b, const Curve& cutoff, double q) { svf(b, cutoff, q, Mode::High); }
void bandpass(Buf& b, const Curve& centre, double q) { svf(b, centre, q, Mode::Band); }

void onePoleLowpass(Buf& b, double cutoff) {
    const double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
    double y = 0.0;
    for (auto& s : b) {
        y += a * (s - y);
        s = static_cast<float>(y);
    }
}

void mixInto(Buf& dst, const Buf& src, double gain, double offsetSeconds) {
    const size_t off = static_cast<size_t>(samplesFor(offsetSeconds));
    if (dst.size() < off + src.size()) dst.resize(off + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i) dst[off + i] += static_cast<float>(src[i] * gain);
}

void scale(Buf& b, double g) {
    for (auto& s : b) s = static_cast<float>(s * g);
}

void softClip(Buf& b, double drive) {
    const double norm = std::tanh(drive);
    for (auto& s : b) s = static_cast<float>(std::tanh(s * drive) / norm);
}

void echo(Buf& b, double delaySeconds, double feedback, double wet, double tailSeconds) {
    const size_t d = static_cast<size_t>(std::max(1, samplesFor(delaySeconds)));
    b.resize(b.size() + static_cast<size_t>(samplesFor(tailSeconds)), 0.0f);
    std::vector<float> line(d, 0.0f);
    size_t pos = 0;
    for (auto& s : b) {
        const float delayed = line[pos];
        line[pos] = static_cast<float>(s + delayed * feedback);
        s = static_cast<float>(s + delayed * wet);
        pos = (pos + 1) % d;
    }
}

void fadeEdges(Buf& b, double inSeconds, double outSeconds) {
    const size_t nIn = std::min(b.size(), static_cast<size_t>(samplesFor(inSeconds)));
    const size_t nOut = std::min(b.size(), static_cast<size_t>(samplesFor(outSeconds)));
    for (size_t i = 0; i < nIn; ++i) b[i] *= static_cast<float>(i) / static_cast<float>(nIn);
    for (size_t i = 0; i < nOut; ++i) b[b.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(nOut);
}

double peakOf(const Buf& b) {
    double p = 0.0;
    for (float s : b) p = std::max(p, static_cast<double>(std::abs(s)));
    return p;
}

double rmsOf(const Buf& b) {
    if (b.empty()) return 0.0;
    double sum = 0.0;
    for (float s : b) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(b.size()));
}

void normalizePeak(Buf& b, double dbfs) {
    const double p = peakOf(b);
    if (p <= 0.0) return;
    scale(b, std::pow(10.0, dbfs / 20.0) / p);
}

}  // namespace sfx
