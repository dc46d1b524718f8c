// The level stage of the sound tool: every effect set to its loudness target
// within the peak ceiling, every music section to the music's target, and
// the table of what came out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dsp.h"
#include "loudness.h"

namespace levels {

// The music is the reference the effects are set against.
constexpr double kMusicTarget = -23.0;  // LUFS, each section on its own
// No effect file peaks above this: several can meet at their peaks before
// the game's master stage has anything to do.
constexpr double kPeakCeilingDb = -6.0;

// The gain in dB that brings an effect to `targetLufs`, or as near as the
// peak ceiling (less a margin for lossy coding) allows.
double effectGainDb(const sfx::Buf& mono, double targetLufs);

struct MusicLevels {
    bool ok = false;
    double integrated = loudness::kSilent;
    double momentaryMax = loudness::kSilent;
    double shortTermMax = loudness::kSilent;
    double peakDb = loudness::kSilent;
};
// Plays a module (its file bytes) from `order` for `seconds` at the game's
// rate and measures it.
MusicLevels measureMusic(const std::vector<uint8_t>& module, int order, double seconds);
// The global volume (0..64) that brings a section measured at `lufs` to the
// target; a section already quieter keeps full volume.
int sectionVolume(double lufs, int current = 64);

struct Row {
    std::string name;
    double seconds = 0;
    double target = 0;
    double momentaryMax = 0, shortTermMax = 0, peakDb = 0;
    std::string note;
};
std::string table(const std::vector<Row>& rows);

}  // namespace levels
