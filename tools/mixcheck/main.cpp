// vm-mixcheck: level measures of the game's final mix.
//
//   vm-mixcheck raw FILE [--format s16|f32] [--channels N] [--rate HZ] [--skip S] [--seconds S]
//       a recording of SDL's disk audio driver (SDL_AUDIODRIVER=disk,
//       SDL_DISKAUDIOFILE=FILE), e.g. of `vellmoor-autoplay --realtime`
//   vm-mixcheck listen LOG [--sounds DIR] [--skip S] [--seconds S] [--wav OUT]
//       a sound log of `vellmoor-autoplay --sound-log` played again offline
//       through the game's mixer: the whole mix, then music and effects
//       alone for their balance
//
// Prints RMS, peak, clipped samples and short-term loudness of every half
// second, then summary lines.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mix_stats.h"
#include "sound/testing/offline_mix.h"
#include "sound/testing/sound_log.h"

namespace {

const char* kUsage =
    "usage: vm-mixcheck raw FILE [--format s16|f32] [--channels N] [--rate HZ] [--skip S] [--seconds S]\n"
    "       vm-mixcheck listen LOG [--sounds DIR] [--skip S] [--seconds S] [--wav OUT]\n";

int usage(const std::string& why) {
    std::fprintf(stderr, "vm-mixcheck: %s\n%s", why.c_str(), kUsage);
    return 2;
}

bool number(const char* text, double min, double max, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (!end || *end || end == text || !(v >= min && v <= max)) return false;
    out = v;
    return true;
}

std::vector<float> part(const std::vector<float>& s, int channels, int rate, double skip, double seconds) {
    const size_t ch = static_cast<size_t>(channels);
    const size_t from = std::min(s.size(), static_cast<size_t>(skip * rate) * ch);
    const size_t to = std::min(s.size(), from + static_cast<size_t>(std::min(seconds, 1e7) * rate) * ch);
    return std::vector<float>(s.begin() + static_cast<std::ptrdiff_t>(from), s.begin() + static_cast<std::ptrdiff_t>(to));
}

void report(const std::vector<float>& s, int channels, int rate) {
    const mixcheck::MixStats st = mixcheck::analyse(s, channels, rate);
    std::fputs(mixcheck::formatTable(st).c_str(), stdout);
    std::fputs(mixcheck::formatSummary(st).c_str(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage("nothing to do");
    const std::string mode = argv[1], file = argv[2];
    if (mode != "raw" && mode != "listen") return usage("unknown mode " + mode);
    std::string format = "s16", sounds = VM_SOUND_DIR, wav;
    double channels = 2, rate = 44100, skip = 0, seconds = 1e7;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage("missing value after " + a);
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--format" && mode == "raw")
            format = v;
        else if (a == "--channels" && mode == "raw")
            ok = number(v, 1, 8, channels);
        else if (a == "--rate" && mode == "raw")
            ok = number(v, 8000, 192000, rate);
        else if (a == "--sounds" && mode == "listen")
            sounds = v;
        else if (a == "--wav" && mode == "listen")
            wav = v;
        else if (a == "--skip")
            ok = number(v, 0, 1e6, skip);
        else if (a == "--seconds")
            ok = number(v, 0.5, 1e7, seconds);
        else
            return usage("unknown option " + a);
        if (!ok) return usage("bad value for " + a);
    }

    std::string error;
    if (mode == "raw") {
        std::vector<float> samples;
        if (!mixcheck::readRaw(file, format, samples, error)) {
            std::fprintf(stderr, "vm-mixcheck: %s\n", error.c_str());
            return 1;
        }
        const int ch = static_cast<int>(channels), hz = static_cast<int>(rate);
        report(part(samples, ch, hz, skip, seconds), ch, hz);
        return 0;
    }

    std::vector<SoundEvent> events;
    if (!readSoundLog(file, events, error)) {
        std::fprintf(stderr, "vm-mixcheck: %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    if (events.empty()) {
        std::fprintf(stderr, "vm-mixcheck: %s holds no sound\n", file.c_str());
        return 1;
    }
    if (seconds > 3600) seconds = static_cast<double>(events.back().ms) / 1000.0 + 2.0 - skip;
    const double length = std::min(skip + seconds, 3600.0);
    OfflineMix all, music, effects;
    if (!renderSoundLog(events, sounds, length, MixPart::All, all, error) ||
        !renderSoundLog(events, sounds, length, MixPart::MusicOnly, music, error) ||
        !renderSoundLog(events, sounds, length, MixPart::EffectsOnly, effects, error)) {
        std::fprintf(stderr, "vm-mixcheck: %s\n", error.c_str());
        return 1;
    }
    const auto mix = part(all.samples, all.channels, all.rate, skip, seconds);
    report(mix, all.channels, all.rate);
    const auto b = mixcheck::compareParts(part(music.samples, all.channels, all.rate, skip, seconds),
                                          part(effects.samples, all.channels, all.rate, skip, seconds), all.channels,
                                          all.rate);
    std::fputs(mixcheck::formatBalance(b).c_str(), stdout);
    const double limited = all.master.frames ? 100.0 * static_cast<double>(all.master.limitedFrames) /
                                                   static_cast<double>(all.master.frames)
                                             : 0.0;
    std::printf("master stage: limiting %.1f%% of the time, deepest %.1f dB\n", limited, all.master.deepestDb);
    if (!wav.empty() && !mixcheck::writeWav(wav, mix, all.channels, all.rate)) {
        std::fprintf(stderr, "vm-mixcheck: cannot write %s\n", wav.c_str());
        return 1;
    }
    return 0;
}
