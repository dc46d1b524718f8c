#include "loudness.h"

#include <algorithm>
#include <cmath>

namespace loudness {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Both speakers carry a mono effect: twice the power of one channel.
const double kBothSpeakersDb = 10.0 * std::log10(2.0);
}  // namespace

// The filter's analogue prototype, moved to the sample rate by the bilinear
// transform, so that 44.1 kHz gets the curve the 48 kHz tables describe.
KFilter::KFilter(int rate) {
    const double fs = static_cast<double>(rate);
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        c_[0] = (vh + vb * k / q + k * k) / a0;
        c_[1] = 2.0 * (k * k - vh) / a0;
        c_[2] = (vh - vb * k / q + k * k) / a0;
        c_[3] = 2.0 * (k * k - 1.0) / a0;
        c_[4] = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / fs);
        const double a0 = 1.0 + k / q + k * k;
        c_[5] = 2.0 * (k * k - 1.0) / a0;
        c_[6] = (1.0 - k / q + k * k) / a0;
    }
}

double KFilter::process(double x) {
    // Transposed direct form II, one stage after the other.
    const double y1 = c_[0] * x + s1a_;
    s1a_ = c_[1] * x - c_[3] * y1 + s1b_;
    s1b_ = c_[2] * x - c_[4] * y1;
    const double y2 = y1 + s2a_;
    s2a_ = -2.0 * y1 - c_[5] * y2 + s2b_;
    s2b_ = y1 - c_[6] * y2;
    return y2;
}

double powerToLufs(double power) {
    if (!(power > 1e-12)) return kSilent;
    return std::max(kSilent, -0.691 + 10.0 * std::log10(power));
}

Meter::Meter(int rate, int channels, double hopSeconds)
    : rate_(std::max(rate, 1)),
      channels_(std::max(channels, 1)),
      hopFrames_(static_cast<size_t>(std::max(1.0, std::round(hopSeconds * std::max(rate, 1))))) {
    filters_.assign(static_cast<size_t>(channels_), KFilter(rate_));
}

void Meter::add(const float* interleaved, size_t frames) {
    const size_t ch = static_cast<size_t>(channels_);
    for (size_t f = 0; f < frames; ++f) {
        for (size_t c = 0; c < ch; ++c) {
            const double z = filters_[c].process(interleaved[f * ch + c]);
            acc_ += z * z;
        }
        if (++accFrames_ == hopFrames_) {
            power_.push_back(acc_ / static_cast<double>(hopFrames_));
            acc_ = 0;
            accFrames_ = 0;
        }
    }
}

void Meter::addSilence(double seconds) {
    const std::vector<float> zeros(static_cast<size_t>(channels_) * 1024, 0.0f);
    size_t left = static_cast<size_t>(std::max(0.0, seconds) * rate_);
    while (left > 0) {
        const size_t n = std::min<size_t>(left, 1024);
        add(zeros.data(), n);
        left -= n;
    }
}

std::vector<double> Meter::windows(double seconds) const {
    const double hop = static_cast<double>(hopFrames_) / rate_;
    const size_t w = static_cast<size_t>(std::max(1.0, std::round(seconds / hop)));
    std::vector<double> out;
    out.reserve(power_.size());
    double sum = 0;
    for (size_t i = 0; i < power_.size(); ++i) {
        sum += power_[i];
        if (i >= w) sum -= power_[i - w];
        out.push_back(powerToLufs(std::max(sum, 0.0) / static_cast<double>(w)));
    }
    return out;
}

double Meter::maxWindow(double seconds) const {
    const auto w = windows(seconds);
    return w.empty() ? kSilent : *std::max_element(w.begin(), w.end());
}

double Meter::integrated() const {
    const double hop = static_cast<double>(hopFrames_) / rate_;
    const size_t block = static_cast<size_t>(std::max(1.0, std::round(0.4 / hop)));
    const size_t step = static_cast<size_t>(std::max(1.0, std::round(0.1 / hop)));
    std::vector<double> blocks;
    double sum = 0;
    for (size_t i = 0; i < power_.size(); ++i) {
        sum += power_[i];
        if (i >= block) sum -= power_[i - block];
        if (i + 1 >= block && (i + 1) % step == 0) blocks.push_back(std::max(sum, 0.0) / static_cast<double>(block));
    }
    const auto gatedMean = [&blocks](double gateLufs) {
        double total = 0;
        size_t n = 0;
        for (double p : blocks)
            if (powerToLufs(p) > gateLufs) {
                total += p;
                ++n;
            }
        return n ? total / static_cast<double>(n) : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0) return kSilent;
    return powerToLufs(gatedMean(powerToLufs(absolute) - 10.0));
}

EffectLevels measureEffect(const std::vector<float>& mono, int rate) {
    EffectLevels e{kSilent, kSilent, kSilent};
    double peak = 0;
    for (float s : mono) peak = std::max(peak, static_cast<double>(std::fabs(s)));
    e.peakDb = peak > 0 ? 20.0 * std::log10(peak) : kSilent;
    // 10 ms hops: a short sound's loudest window is not missed by much.
    Meter m(rate, 1, 0.01);
    m.add(mono.data(), mono.size());
    m.addSilence(3.0);
    const double mMax = m.maxWindow(0.4), sMax = m.maxWindow(3.0);
    e.momentaryMax = mMax > kSilent ? mMax + kBothSpeakersDb : kSilent;
    e.shortTermMax = sMax > kSilent ? sMax + kBothSpeakersDb : kSilent;
    return e;
}

}  // namespace loudness
