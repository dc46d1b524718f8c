#include "levels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

namespace levels {

namespace {
// Lossy coding can lift a noisy sound's peaks a little.
constexpr double kCodingMarginDb = 0.5;
}  // namespace

double effectGainDb(const sfx::Buf& mono, double targetLufs) {
    const loudness::EffectLevels lv = loudness::measureEffect(mono, sfx::kRate);
    if (lv.momentaryMax <= loudness::kSilent || lv.peakDb <= loudness::kSilent) return 0.0;
    return std::min(targetLufs - lv.momentaryMax, kPeakCeilingDb - kCodingMarginDb - lv.peakDb);
}

MusicLevels measureMusic(const std::vector<uint8_t>& module, int order, double seconds) {
    MusicLevels out;
    try {
        std::ostringstream quiet;
        openmpt::module mod(module, quiet);
        mod.set_repeat_count(-1);
        if (order < 0 || order >= mod.get_num_orders()) return out;
        mod.set_position_order_row(order, 0);
        loudness::Meter meter(sfx::kRate, 2, 0.1);
        std::vector<float> buf(4410 * 2);
        double peak = 0;
        for (int block = 0; block < static_cast<int>(seconds * 10); ++block) {
            const size_t n = mod.read_interleaved_stereo(sfx::kRate, buf.size() / 2, buf.data());
            if (n == 0) break;
            meter.add(buf.data(), n);
            for (size_t i = 0; i < n * 2; ++i) peak = std::max(peak, static_cast<double>(std::fabs(buf[i])));
        }
        out.integrated = meter.integrated();
        out.momentaryMax = meter.maxWindow(0.4);
        out.shortTermMax = meter.maxWindow(3.0);
        out.peakDb = peak > 0 ? 20.0 * std::log10(peak) : loudness::kSilent;
        out.ok = true;
    } catch (const std::exception&) {
        out.ok = false;
    }
    return out;
}

int sectionVolume(double lufs, int current) {
    if (lufs <= loudness::kSilent) return current;
    const double v = current * std::pow(10.0, (kMusicTarget - lufs) / 20.0);
    return std::clamp(static_cast<int>(std::lround(v)), 1, 64);
}

std::string table(const std::vector<Row>& rows) {
    std::string out =
        "| sound | seconds | target LUFS | loudest 400 ms LUFS | loudest 3 s LUFS | peak dBFS | note |\n"
        "|---|---|---|---|---|---|---|\n";
    char line[256];
    for (const Row& r : rows) {
        std::snprintf(line, sizeof line, "| %s | %.2f | %.1f | %.1f | %.1f | %.1f | %s |\n", r.name.c_str(), r.seconds,
                      r.target, r.momentaryMax, r.shortTermMax, r.peakDb, r.note.c_str());
        out += line;
    }
    return out;
}

}  // namespace levels
