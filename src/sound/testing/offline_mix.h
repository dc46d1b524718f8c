// A run of play heard again offline: the events of a sound log played
// through the game's own mixer and master stage, as fast as the machine
// allows, and the final mix captured as the device would get it.
#pragma once

#include <string>
#include <vector>

#include "sound/master_bus.h"
#include "sound/testing/sound_log.h"

struct OfflineMix {
    std::vector<float> samples;  // interleaved
    int rate = 0;
    int channels = 0;
    MasterBus::Stats master;
};

// Which parts of the log are played: both, or one alone to measure it.
enum class MixPart { All, MusicOnly, EffectsOnly };

// Renders the first `seconds` of the log with the files of `soundFolder`.
// false with a reason when sound cannot start offline or a file is missing.
bool renderSoundLog(const std::vector<SoundEvent>& events, const std::string& soundFolder, double seconds,
                    MixPart part, OfflineMix& out, std::string& error);
