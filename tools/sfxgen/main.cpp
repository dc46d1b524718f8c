// sfxgen: writes the game's synthesised sound effects (Ogg Vorbis) and its
// music module into the sound folder, or prints level statistics of a folder.
//
//   sfxgen OUTDIR           generate every effect and OUTDIR/music.mo3
//   sfxgen --stats DIR      duration, peak and RMS of every .ogg in DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "effects.h"
#include "music.h"
#include "oggio.h"
#include "xm.h"

namespace fs = std::filesystem;

namespace {

double toDb(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -120.0; }

bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    const fs::path tmp = path.string() + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!f) return false;
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    return !ec;
}

int generate(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "sfxgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    const auto effects = sfx::makeEffects();
    for (const auto& e : effects) {
        const fs::path path = dir / e.file;
        // Lossy coding moves the peaks of noisy sounds (a crackle can come
        // back several dB hotter), so the level is checked on the decoded
        // file and the effect scaled down and written again when it overshoots.
        const double target = sfx::peakOf(e.samples);
        sfx::Buf samples = e.samples;
        for (int attempt = 0;; ++attempt) {
            if (!sfx::writeOgg(path.string(), samples, 1, sfx::kRate, 0.5f)) {
                std::fprintf(stderr, "sfxgen: cannot write %s\n", path.c_str());
                return 1;
            }
            sfx::Decoded back;
            if (!sfx::readOgg(path.string(), back)) {
                std::fprintf(stderr, "sfxgen: cannot read back %s\n", path.c_str());
                return 1;
            }
            const double peak = sfx::peakOf(back.interleaved);
            if (peak <= target * 1.03 || attempt == 4) break;
            sfx::scale(samples, target / peak * 0.98);
        }
    }
    const xm::Module module = music::compose();
    const fs::path musicPath = dir / "music.mo3";
    if (!writeFile(musicPath, xm::write(module))) {
        std::fprintf(stderr, "sfxgen: cannot write %s\n", musicPath.c_str());
        return 1;
    }
    std::printf("sfxgen: %zu effects and a module of %zu orders in %s\n", effects.size(), module.orders.size(), dir.c_str());
    return 0;
}

int stats(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".ogg") files.push_back(entry.path());
    if (ec) {
        std::fprintf(stderr, "sfxgen: cannot read %s\n", dir.c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    std::printf("| file | seconds | peak dBFS | RMS dBFS | silent edges ms |\n|---|---|---|---|---|\n");
    int bad = 0;
    for (const auto& f : files) {
        sfx::Decoded d;
        if (!sfx::readOgg(f.string(), d) || d.channels < 1 || d.interleaved.empty()) {
            std::printf("| %s | unreadable | | | |\n", f.filename().c_str());
            ++bad;
            continue;
        }
        double peak = 0.0, sum = 0.0;
        for (float s : d.interleaved) {
            peak = std::max(peak, static_cast<double>(std::abs(s)));
            sum += static_cast<double>(s) * s;
        }
        const size_t frames = d.interleaved.size() / static_cast<size_t>(d.channels);
        // Leading and trailing stretch below -60 dBFS: long ones mean dead air.
        size_t first = 0, last = d.interleaved.size();
        while (first < d.interleaved.size() && std::abs(d.interleaved[first]) < 0.001f) ++first;
        while (last > first && std::abs(d.interleaved[last - 1]) < 0.001f) --last;
        const double lead = 1000.0 * static_cast<double>(first / static_cast<size_t>(d.channels)) / d.rate;
        const double tail = 1000.0 * static_cast<double>((d.interleaved.size() - last) / static_cast<size_t>(d.channels)) / d.rate;
        std::printf("| %s | %.3f | %.1f | %.1f | %.0f / %.0f |\n", f.filename().c_str(), static_cast<double>(frames) / d.rate,
                    toDb(peak), toDb(std::sqrt(sum / static_cast<double>(d.interleaved.size()))), lead, tail);
    }
    return bad ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--stats") return stats(argv[2]);
    if (argc == 2 && argv[1][0] != '-') return generate(argv[1]);
    std::fprintf(stderr, "usage: sfxgen OUTDIR | sfxgen --stats DIR\n");
    return 2;
}
