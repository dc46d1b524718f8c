#include "sound/master_bus.h"

#include <algorithm>
#include <cmath>

namespace {
double fromDb(double db) { return std::pow(10.0, db / 20.0); }
}  // namespace

MasterBus::MasterBus(int rate, int channels)
    : channels_(std::max(channels, 1)),
      gain_(static_cast<float>(fromDb(kGainDb))),
      threshold_(static_cast<float>(fromDb(kThresholdDb))),
      ceiling_(static_cast<float>(fromDb(kCeilingDb))),
      attack_(std::exp(-1.0 / (kAttackSeconds * std::max(rate, 1)))),
      release_(std::exp(-1.0 / (kReleaseSeconds * std::max(rate, 1)))),
      holdFrames_(static_cast<uint32_t>(kHoldSeconds * std::max(rate, 1))) {}

void MasterBus::reset() {
    env_ = 1.0;
    hold_ = 0;
    lowestGain_ = 1.0;
    stats_ = Stats{};
}

MasterBus::Stats MasterBus::stats() const {
    Stats s = stats_;
    s.deepestDb = 20.0 * std::log10(std::max(lowestGain_, 1e-6));
    return s;
}

void MasterBus::process(float* x, size_t frames) {
    const size_t ch = static_cast<size_t>(channels_);
    const double knee = threshold_, room = ceiling_ - threshold_;
    const double limitedBelow = fromDb(-0.1);
    for (size_t f = 0; f < frames; ++f) {
        float* frame = x + f * ch;
        double peak = 0;
        bool broken = false;
        for (size_t c = 0; c < ch; ++c) {
            const double v = static_cast<double>(frame[c]) * gain_;
            broken = broken || !std::isfinite(v);
            peak = std::max(peak, std::fabs(v));
        }
        if (broken) {
            std::fill(frame, frame + ch, 0.0f);
            continue;
        }
        // The gain falls within the attack time and is held through the
        // troughs of the waveform, so it does not wobble with each cycle.
        const double target = peak > threshold_ ? threshold_ / peak : 1.0;
        if (target < env_) {
            env_ = target + (env_ - target) * attack_;
            hold_ = holdFrames_;
        } else if (hold_ > 0) {
            --hold_;
        } else {
            env_ = target + (env_ - target) * release_;
        }
        for (size_t c = 0; c < ch; ++c) {
            double y = frame[c] * gain_ * env_;
            const double a = std::fabs(y);
            if (a > knee) y = std::copysign(knee + room * std::tanh((a - knee) / room), y);
            frame[c] = static_cast<float>(y);
        }
        ++stats_.frames;
        if (env_ < limitedBelow) ++stats_.limitedFrames;
        lowestGain_ = std::min(lowestGain_, env_);
    }
}
