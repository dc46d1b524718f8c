// vm-mixcheck: level measures of the game's final mix.
//
//   vm-mixcheck raw FILE [--format s16|f32] [--channels N] [--rate HZ] [--skip S] [--seconds S]
//       a recording of SDL's disk audio driver (SDL_AUDIODRIVER=disk,
//       SDL_DISKAUDIOFILE=FILE), e.g. of `vellmoor-autoplay --realtime`
//
// Prints RMS, peak, clipped samples and short-term loudness of every half
// second, then a summary line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mix_stats.h"

namespace {

const char* kUsage =
    "usage: vm-mixcheck raw FILE [--format s16|f32] [--channels N] [--rate HZ] [--skip S] [--seconds S]\n";

int usage(const char* why) {
    std::fprintf(stderr, "vm-mixcheck: %s\n%s", why, kUsage);
    return 2;
}

bool number(const char* text, double min, double max, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (!end || *end || end == text || !(v >= min && v <= max)) return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::string(argv[1]) != "raw") return usage("nothing to do");
    const std::string file = argv[2];
    std::string format = "s16";
    double channels = 2, rate = 44100, skip = 0, seconds = 1e9;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage(("missing value after " + a).c_str());
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--format")
            format = v;
        else if (a == "--channels")
            ok = number(v, 1, 8, channels);
        else if (a == "--rate")
            ok = number(v, 8000, 192000, rate);
        else if (a == "--skip")
            ok = number(v, 0, 1e6, skip);
        else if (a == "--seconds")
            ok = number(v, 0.5, 1e9, seconds);
        else
            return usage(("unknown option " + a).c_str());
        if (!ok) return usage(("bad value for " + a).c_str());
    }
    std::vector<float> samples;
    std::string error;
    if (!mixcheck::readRaw(file, format, samples, error)) {
        std::fprintf(stderr, "vm-mixcheck: %s\n", error.c_str());
        return 1;
    }
    const size_t ch = static_cast<size_t>(channels);
    const size_t from = std::min(samples.size(), static_cast<size_t>(skip * rate) * ch);
    const size_t to = std::min(samples.size(), from + static_cast<size_t>(std::min(seconds * rate, 1e12)) * ch);
    const std::vector<float> part(samples.begin() + static_cast<std::ptrdiff_t>(from),
                                  samples.begin() + static_cast<std::ptrdiff_t>(to));
    const mixcheck::MixStats s = mixcheck::analyse(part, static_cast<int>(ch), static_cast<int>(rate));
    std::fputs(mixcheck::formatTable(s).c_str(), stdout);
    std::fputs(mixcheck::formatSummary(s).c_str(), stdout);
    return 0;
}
