#include "sound/voice_limiter.h"

#include <algorithm>

int VoiceLimiter::channelToReplace(uint32_t sample, const std::function<bool(int)>& stillPlaying) {
    auto it = voices_.find(sample);
    if (it == voices_.end()) return -1;
    auto& v = it->second;
    v.erase(std::remove_if(v.begin(), v.end(), [&](const Voice& x) { return !stillPlaying(x.channel); }), v.end());
    if (static_cast<int>(v.size()) < max_) return -1;
    return std::min_element(v.begin(), v.end(), [](const Voice& a, const Voice& b) { return a.startedAt < b.startedAt; })
        ->channel;
}

void VoiceLimiter::started(uint32_t sample, int channel) {
    // A channel plays one thing: whatever it played before is over.
    for (auto& [s, v] : voices_)
        v.erase(std::remove_if(v.begin(), v.end(), [channel](const Voice& x) { return x.channel == channel; }), v.end());
    voices_[sample].push_back({channel, ++clock_});
}

void VoiceLimiter::forget(uint32_t sample) { voices_.erase(sample); }

void VoiceLimiter::clear() { voices_.clear(); }
