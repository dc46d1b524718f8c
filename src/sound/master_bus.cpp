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
      release_(std::exp(-1.0 / (kReleaseSeconds * std::max(rate, 1)))) {}

void MasterBus::reset() {
    env_ = 1.0;
    stats_ = Stats{};
}

void MasterBus::process(float* x, size_t frames) {
    const size_t ch = static_cast<size_t>(channels_);
    const double knee = threshold_, room = ceiling_ - threshold_;
    const double limitedBelow = fromDb(-0.1);
    for (size_t f = 0; f < frames; ++f) {
        float* frame = x + f * ch;
        double peak = 0;
        for (size_t c = 0; c < ch; ++c) peak = std::max(peak, std::fabs(static_cast<double>(frame[c]) * gain_));
        if (!std::isfinite(peak)) {
            std::fill(frame, frame + ch, 0.0f);
            continue;
        }
        const double target = peak > threshold_ ? threshold_ / peak : 1.0;
        env_ = target + (env_ - target) * (target < env_ ? attack_ : release_);
        for (size_t c = 0; c < ch; ++c) {
            double y = frame[c] * gain_ * env_;
            const double a = std::fabs(y);
            if (a > knee) y = std::copysign(knee + room * std::tanh((a - knee) / room), y);
            frame[c] = static_cast<float>(y);
        }
        ++stats_.frames;
        if (env_ < limitedBelow) ++stats_.limitedFrames;
        stats_.deepestDb = std::min(stats_.deepestDb, 20.0 * std::log10(env_));
    }
}
