// Level measures of a finished mix, half a second at a time: what reaches the
// speakers, how loud, and how often it hits full scale.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mixcheck {

// A sample at or above this size is the converter's largest value: clipped.
constexpr float kFullScale = 32767.0f / 32768.0f;

struct Window {
    double start = 0;      // seconds
    double rmsDb = 0;      // dBFS, all channels
    double peakDb = 0;     // dBFS
    size_t clipped = 0;    // samples at full scale
    double shortTerm = 0;  // LUFS of the 3 s ending with this window
};

struct MixStats {
    std::vector<Window> windows;
    double rmsDb = 0, peakDb = 0;
    size_t clipped = 0;
    size_t clippingWindows = 0;
    double integrated = 0;    // gated loudness of the whole, LUFS
    double shortTermMax = 0;  // LUFS
};

// The effects against the music, each measured alone over the same run.
struct Balance {
    double music = 0;       // gated loudness of the music alone, LUFS
    double effects = 0;     // gated loudness of the effects alone, LUFS
    double lead = 0;        // effects less music, LU
    double loudestLead = 0; // the effects' greatest lead over any 3 s, LU
};
Balance compareParts(const std::vector<float>& music, const std::vector<float>& effects, int channels, int rate);
std::string formatBalance(const Balance& b);

MixStats analyse(const std::vector<float>& interleaved, int channels, int rate, double windowSeconds = 0.5);
// A Markdown table of the windows and a summary line.
std::string formatTable(const MixStats& s);
std::string formatSummary(const MixStats& s);

// Raw little-endian PCM as SDL's disk driver writes it: "s16" or "f32".
bool readRaw(const std::string& path, const std::string& format, std::vector<float>& out, std::string& error);
// 16-bit PCM WAV, for listening to a render.
bool writeWav(const std::string& path, const std::vector<float>& interleaved, int channels, int rate);

}  // namespace mixcheck
