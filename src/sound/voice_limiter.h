// Bookkeeping for "at most N playbacks of one effect at a time; a new one
// replaces the one that has played longest". Kept apart from the mixer so the
// rule can be checked without an audio device.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class VoiceLimiter {
public:
    explicit VoiceLimiter(int maxPerSample = 2) : max_(maxPerSample) {}

    // The channel whose playback a new playback of `sample` must take over,
    // or -1 when the sample is below its limit. `stillPlaying(channel)` says
    // whether a channel is still playing this sample (channels are shared by
    // all samples, so a remembered one may have moved on).
    int channelToReplace(uint32_t sample, const std::function<bool(int)>& stillPlaying);
    void started(uint32_t sample, int channel);
    void forget(uint32_t sample);
    void clear();

private:
    struct Voice {
        int channel;
        uint64_t startedAt;
    };
    int max_;
    uint64_t clock_ = 0;
    std::unordered_map<uint32_t, std::vector<Voice>> voices_;
};
