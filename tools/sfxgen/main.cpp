// sfxgen: writes the game's synthesised sound effects (Ogg Vorbis) and its
// music module into the sound folder, or prints level statistics of a folder.
//
//   sfxgen OUTDIR           generate every effect, OUTDIR/music.mo3 and the
//                           table of their levels, OUTDIR/levels.txt
//   sfxgen --stats DIR      duration, peak, RMS and loudness of every .ogg in DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "effects.h"
#include "levels.h"
#include "loudness.h"
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

// Writes an effect at its level: the decoded file is checked, because lossy
// coding moves the peaks of noisy sounds (a crackle can come back several dB
// hotter), and the effect is scaled down and written again when it passes
// the ceiling.
bool writeEffect(const fs::path& path, const sfx::Effect& e, levels::Row& row) {
    sfx::Buf samples = e.samples;
    sfx::scale(samples, std::pow(10.0, levels::effectGainDb(samples, e.loudness) / 20.0));
    const double ceiling = std::pow(10.0, levels::kPeakCeilingDb / 20.0);
    sfx::Decoded back;
    for (int attempt = 0;; ++attempt) {
        if (!sfx::writeOgg(path.string(), samples, 1, sfx::kRate, 0.5f)) {
            std::fprintf(stderr, "sfxgen: cannot write %s\n", path.c_str());
            return false;
        }
        if (!sfx::readOgg(path.string(), back) || back.interleaved.empty()) {
            std::fprintf(stderr, "sfxgen: cannot read back %s\n", path.c_str());
            return false;
        }
        const double peak = sfx::peakOf(back.interleaved);
        if (peak <= ceiling || attempt == 4) break;
        sfx::scale(samples, ceiling / peak * 0.98);
    }
    const loudness::EffectLevels lv = loudness::measureEffect(back.interleaved, sfx::kRate);
    row = {e.file, static_cast<double>(back.interleaved.size()) / sfx::kRate, e.loudness, lv.momentaryMax,
           lv.shortTermMax, lv.peakDb, ""};
    if (lv.momentaryMax < e.loudness - 0.5) row.note = "held back by its peak";
    if (e.loop) row.note = "loop";
    return true;
}

// The music is composed once at full volume and measured section by
// section; each section then gets the global volume that brings it to the
// music's target, and the module is measured again for the table.
bool writeMusic(const fs::path& path, std::vector<levels::Row>& rows, size_t& orders) {
    constexpr double kSeconds = 40.0;  // every section loops within this
    std::vector<int> volumes;
    const std::vector<uint8_t> loud = xm::write(music::compose());
    for (int section = 0; section < music::kSectionCount; ++section) {
        const levels::MusicLevels m = levels::measureMusic(loud, section, kSeconds);
        if (!m.ok) {
            std::fprintf(stderr, "sfxgen: the module does not play at order %d\n", section);
            return false;
        }
        volumes.push_back(levels::sectionVolume(m.integrated));
    }
    const xm::Module module = music::compose(volumes);
    const std::vector<uint8_t> bytes = xm::write(module);
    if (!writeFile(path, bytes)) {
        std::fprintf(stderr, "sfxgen: cannot write %s\n", path.c_str());
        return false;
    }
    orders = module.orders.size();
    for (int section = 0; section < music::kSectionCount; ++section) {
        const levels::MusicLevels m = levels::measureMusic(bytes, section, kSeconds);
        char name[64], note[96];
        std::snprintf(name, sizeof name, "%s order %d (%s)", path.filename().c_str(), section, music::sectionName(section));
        std::snprintf(note, sizeof note, "whole section %.1f LUFS, global volume %d/64", m.integrated,
                      volumes[static_cast<size_t>(section)]);
        rows.push_back({name, kSeconds, levels::kMusicTarget, m.momentaryMax, m.shortTermMax, m.peakDb, note});
    }
    return true;
}

int generate(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "sfxgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    const auto effects = sfx::makeEffects();
    std::vector<levels::Row> rows;
    for (const auto& e : effects) {
        levels::Row row;
        if (!writeEffect(dir / e.file, e, row)) return 1;
        rows.push_back(row);
    }
    size_t orders = 0;
    if (!writeMusic(dir / "music.mo3", rows, orders)) return 1;
    const std::string text = "# Levels of every sound, as generated. Loudness is K-weighted (LUFS); an effect\n"
                             "# counts as played on both speakers, music over its first 40 s from the order.\n\n" +
                             levels::table(rows);
    if (!writeFile(dir / "levels.txt", std::vector<uint8_t>(text.begin(), text.end()))) {
        std::fprintf(stderr, "sfxgen: cannot write %s\n", (dir / "levels.txt").c_str());
        return 1;
    }
    std::printf("sfxgen: %zu effects and a module of %zu orders in %s\n", effects.size(), orders, dir.c_str());
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
    std::printf("| file | seconds | peak dBFS | RMS dBFS | loudest 400 ms LUFS | loudest 3 s LUFS | silent edges ms |\n"
                "|---|---|---|---|---|---|---|\n");
    int bad = 0;
    for (const auto& f : files) {
        sfx::Decoded d;
        if (!sfx::readOgg(f.string(), d) || d.channels < 1 || d.interleaved.empty()) {
            std::printf("| %s | unreadable | | | | | |\n", f.filename().c_str());
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
        // Mono as the game plays it; stereo files as they are.
        loudness::Meter meter(d.rate, d.channels, 0.01);
        meter.add(d.interleaved.data(), frames);
        meter.addSilence(3.0);
        const double both = d.channels == 1 ? 10.0 * std::log10(2.0) : 0.0;
        std::printf("| %s | %.3f | %.1f | %.1f | %.1f | %.1f | %.0f / %.0f |\n", f.filename().c_str(),
                    static_cast<double>(frames) / d.rate, toDb(peak),
                    toDb(std::sqrt(sum / static_cast<double>(d.interleaved.size()))), meter.maxWindow(0.4) + both,
                    meter.maxWindow(3.0) + both, lead, tail);
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
