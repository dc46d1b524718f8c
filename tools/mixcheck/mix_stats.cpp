#include "mix_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "loudness.h"

namespace mixcheck {

namespace {

double toDb(double v) { return v > 0 ? 20.0 * std::log10(v) : -120.0; }

constexpr std::streamoff kMaxRawBytes = 2LL << 30;

void put16(std::ofstream& f, uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    f.write(b, 2);
}
void put32(std::ofstream& f, uint32_t v) {
    put16(f, static_cast<uint16_t>(v & 0xFFFF));
    put16(f, static_cast<uint16_t>(v >> 16));
}

}  // namespace

MixStats analyse(const std::vector<float>& interleaved, int channels, int rate, double windowSeconds) {
    MixStats s;
    channels = std::max(channels, 1);
    rate = std::max(rate, 1);
    const size_t ch = static_cast<size_t>(channels);
    const size_t frames = interleaved.size() / ch;
    const size_t windowFrames = std::max<size_t>(1, static_cast<size_t>(windowSeconds * rate));
    loudness::Meter meter(rate, channels, 0.1);
    double totalSum = 0, totalPeak = 0;
    for (size_t at = 0; at + windowFrames <= frames; at += windowFrames) {
        Window w;
        w.start = static_cast<double>(at) / rate;
        double sum = 0, peak = 0;
        for (size_t i = at * ch; i < (at + windowFrames) * ch; ++i) {
            const double x = interleaved[i];
            sum += x * x;
            peak = std::max(peak, std::fabs(x));
            if (std::fabs(interleaved[i]) >= kFullScale) ++w.clipped;
        }
        meter.add(&interleaved[at * ch], windowFrames);
        w.rmsDb = toDb(std::sqrt(sum / static_cast<double>(windowFrames * ch)));
        w.peakDb = toDb(peak);
        totalSum += sum;
        totalPeak = std::max(totalPeak, peak);
        s.clipped += w.clipped;
        if (w.clipped) ++s.clippingWindows;
        s.windows.push_back(w);
    }
    const std::vector<double> shortTerm = meter.windows(3.0);
    for (Window& w : s.windows) {
        const double end = w.start + static_cast<double>(windowFrames) / rate;
        const size_t hop = static_cast<size_t>(std::lround(end / 0.1));
        w.shortTerm = hop >= 1 && hop <= shortTerm.size() ? shortTerm[hop - 1] : loudness::kSilent;
    }
    const size_t used = s.windows.size() * windowFrames * ch;
    s.rmsDb = used ? toDb(std::sqrt(totalSum / static_cast<double>(used))) : -120.0;
    s.peakDb = toDb(totalPeak);
    s.integrated = meter.integrated();
    s.shortTermMax = meter.maxWindow(3.0);
    return s;
}

Balance compareParts(const std::vector<float>& music, const std::vector<float>& effects, int channels, int rate) {
    const size_t ch = static_cast<size_t>(std::max(channels, 1));
    loudness::Meter m(rate, static_cast<int>(ch), 0.1), e(rate, static_cast<int>(ch), 0.1);
    m.add(music.data(), music.size() / ch);
    e.add(effects.data(), effects.size() / ch);
    Balance b;
    b.music = m.integrated();
    b.effects = e.integrated();
    b.lead = b.effects - b.music;
    const auto ms = m.windows(3.0), es = e.windows(3.0);
    b.loudestLead = -120.0;
    // From the first full 3 s on, wherever the effects are heard at all.
    for (size_t i = 29; i < std::min(ms.size(), es.size()); ++i)
        if (es[i] > -70.0) b.loudestLead = std::max(b.loudestLead, es[i] - ms[i]);
    return b;
}

std::string formatBalance(const Balance& b) {
    char line[240];
    std::snprintf(line, sizeof line,
                  "music alone %.1f LUFS, effects alone %.1f LUFS: effects lead by %.1f LU, at most %.1f LU over 3 s\n",
                  b.music, b.effects, b.lead, b.loudestLead);
    return line;
}

std::string formatTable(const MixStats& s) {
    std::string out = "| from s | RMS dBFS | peak dBFS | clipped samples | short-term LUFS |\n|---|---|---|---|---|\n";
    char line[160];
    for (const Window& w : s.windows) {
        std::snprintf(line, sizeof line, "| %.1f | %.1f | %.1f | %zu | %.1f |\n", w.start, w.rmsDb, w.peakDb, w.clipped,
                      w.shortTerm);
        out += line;
    }
    return out;
}

std::string formatSummary(const MixStats& s) {
    double loudestRms = -120;
    for (const Window& w : s.windows) loudestRms = std::max(loudestRms, w.rmsDb);
    char line[320];
    std::snprintf(line, sizeof line,
                  "%zu windows: RMS %.1f dBFS (loudest window %.1f), peak %.1f dBFS, %zu clipped samples in %zu "
                  "windows, integrated %.1f LUFS, short-term max %.1f LUFS\n",
                  s.windows.size(), s.rmsDb, loudestRms, s.peakDb, s.clipped, s.clippingWindows, s.integrated,
                  s.shortTermMax);
    return line;
}

bool readRaw(const std::string& path, const std::string& format, std::vector<float>& out, std::string& error) {
    out.clear();
    const bool f32 = format == "f32";
    if (!f32 && format != "s16") {
        error = "format must be s16 or f32";
        return false;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    f.seekg(0, std::ios::end);
    const std::streamoff size = f.tellg();
    if (size < 0 || size > kMaxRawBytes) {
        error = "file too large";
        return false;
    }
    f.seekg(0);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!f.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path;
        return false;
    }
    const size_t width = f32 ? 4 : 2;
    out.reserve(bytes.size() / width);
    for (size_t i = 0; i + width <= bytes.size(); i += width) {
        if (f32) {
            const uint32_t u = static_cast<uint32_t>(bytes[i]) | static_cast<uint32_t>(bytes[i + 1]) << 8 |
                               static_cast<uint32_t>(bytes[i + 2]) << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24;
            float v;
            std::memcpy(&v, &u, 4);
            out.push_back(std::isfinite(v) ? v : 0.0f);
        } else {
            const auto v = static_cast<int16_t>(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
            out.push_back(static_cast<float>(v) / 32768.0f);
        }
    }
    return true;
}

bool writeWav(const std::string& path, const std::vector<float>& interleaved, int channels, int rate) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const uint32_t bytes = static_cast<uint32_t>(interleaved.size() * 2);
    f.write("RIFF", 4);
    put32(f, 36 + bytes);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1);
    put16(f, static_cast<uint16_t>(channels));
    put32(f, static_cast<uint32_t>(rate));
    put32(f, static_cast<uint32_t>(rate * channels * 2));
    put16(f, static_cast<uint16_t>(channels * 2));
    put16(f, 16);
    f.write("data", 4);
    put32(f, bytes);
    for (float x : interleaved) {
        const long v = std::lround(std::clamp(static_cast<double>(x), -1.0, 1.0) * 32767.0);
        put16(f, static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return static_cast<bool>(f);
}

}  // namespace mixcheck
