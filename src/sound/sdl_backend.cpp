#include "sound/sdl_backend.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <vector>

#include "sound/voice_limiter.h"

namespace {

constexpr int kRate = 44100;
constexpr int kMixChannels = 32;
constexpr int kLoopChannel = 0;  // reserved: effects never take it
constexpr int kEffectGroup = 1;

// libopenmpt reports through an ostream; the game has nowhere to show it.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
};

}  // namespace

struct SdlSoundBackend::State {
    bool open = false;
    bool mixInit = false;
    int rate = kRate;
    int channels = 2;
    SoundHandle next = 1;
    std::map<SoundHandle, Mix_Chunk*> samples;
    std::map<SoundHandle, Mix_Chunk*> loops;
    VoiceLimiter limiter{2};

    // Shared with the audio thread; guarded by musicLock.
    std::mutex musicLock;
    std::map<SoundHandle, std::unique_ptr<openmpt::module>> modules;
    openmpt::module* playing = nullptr;
    float musicGain = 1.0f;
    bool paused = false;
    std::vector<int16_t> scratch;

    NullBuffer nullBuffer;
    std::ostream nullLog{&nullBuffer};

    static void musicHook(void* user, Uint8* stream, int len) {
        auto* self = static_cast<State*>(user);
        std::memset(stream, 0, static_cast<size_t>(len));
        std::lock_guard<std::mutex> lock(self->musicLock);
        if (!self->playing || self->paused) return;
        auto* out = reinterpret_cast<int16_t*>(stream);
        const size_t frames = static_cast<size_t>(len) / sizeof(int16_t) / static_cast<size_t>(self->channels);
        size_t done = 0;
        if (self->channels == 1) {
            done = self->playing->read(self->rate, frames, out);
        } else {
            self->scratch.resize(frames * 2);
            done = self->playing->read_interleaved_stereo(self->rate, frames, self->scratch.data());
            for (size_t i = 0; i < done; ++i) {
                out[i * static_cast<size_t>(self->channels)] = self->scratch[i * 2];
                out[i * static_cast<size_t>(self->channels) + 1] = self->scratch[i * 2 + 1];
            }
        }
        const float gain = self->musicGain;
        if (gain < 0.999f)
            for (size_t i = 0; i < done * static_cast<size_t>(self->channels); ++i)
                out[i] = static_cast<int16_t>(static_cast<float>(out[i]) * gain);
    }
};

SdlSoundBackend::SdlSoundBackend() : s_(std::make_unique<State>()) {}

SdlSoundBackend::~SdlSoundBackend() { stop(); }

bool SdlSoundBackend::start() {
    if (s_->open) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    s_->mixInit = (Mix_Init(MIX_INIT_OGG) & MIX_INIT_OGG) != 0;
    if (Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, 1024) != 0) {
        if (s_->mixInit) Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Uint16 format = 0;
    Mix_QuerySpec(&s_->rate, &format, &s_->channels);
    Mix_AllocateChannels(kMixChannels);
    Mix_ReserveChannels(1);
    Mix_GroupChannels(1, kMixChannels - 1, kEffectGroup);
    s_->paused = false;
    s_->open = true;
    Mix_HookMusic(&State::musicHook, s_.get());
    return true;
}

void SdlSoundBackend::stop() {
    if (!s_->open) return;
    Mix_HookMusic(nullptr, nullptr);
    Mix_HaltChannel(-1);
    for (auto& [h, c] : s_->samples) Mix_FreeChunk(c);
    for (auto& [h, c] : s_->loops) Mix_FreeChunk(c);
    s_->samples.clear();
    s_->loops.clear();
    s_->limiter.clear();
    {
        std::lock_guard<std::mutex> lock(s_->musicLock);
        s_->playing = nullptr;
        s_->modules.clear();
    }
    Mix_CloseAudio();
    if (s_->mixInit) Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s_->open = false;
}

SoundHandle SdlSoundBackend::loadSample(const std::string& path) {
    if (!s_->open) return 0;
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) return 0;
    const SoundHandle h = s_->next++;
    s_->samples[h] = chunk;
    return h;
}

void SdlSoundBackend::freeSample(SoundHandle sample) {
    auto it = s_->samples.find(sample);
    if (it == s_->samples.end()) return;
    for (int ch = 0; ch < kMixChannels; ++ch)
        if (Mix_GetChunk(ch) == it->second) Mix_HaltChannel(ch);
    Mix_FreeChunk(it->second);
    s_->limiter.forget(sample);
    s_->samples.erase(it);
}

void SdlSoundBackend::playSample(SoundHandle sample) {
    auto it = s_->samples.find(sample);
    if (it == s_->samples.end()) return;
    Mix_Chunk* chunk = it->second;
    const auto playingThis = [chunk](int ch) { return Mix_Playing(ch) != 0 && Mix_GetChunk(ch) == chunk; };
    int channel = s_->limiter.channelToReplace(sample, playingThis);
    if (channel >= 0) {
        Mix_HaltChannel(channel);
        channel = Mix_PlayChannel(channel, chunk, 0);
    } else {
        channel = Mix_PlayChannel(-1, chunk, 0);
        if (channel < 0) {
            // Every channel busy: the oldest effect of all gives way.
            const int oldest = Mix_GroupOldest(kEffectGroup);
            if (oldest >= 0) {
                Mix_HaltChannel(oldest);
                channel = Mix_PlayChannel(oldest, chunk, 0);
            }
        }
    }
    if (channel >= 0) s_->limiter.started(sample, channel);
}

SoundHandle SdlSoundBackend::loadLoop(const std::string& path) {
    if (!s_->open) return 0;
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) return 0;
    const SoundHandle h = s_->next++;
    s_->loops[h] = chunk;
    return h;
}

void SdlSoundBackend::freeLoop(SoundHandle loop) {
    auto it = s_->loops.find(loop);
    if (it == s_->loops.end()) return;
    if (Mix_GetChunk(kLoopChannel) == it->second) Mix_HaltChannel(kLoopChannel);
    Mix_FreeChunk(it->second);
    s_->loops.erase(it);
}

void SdlSoundBackend::playLoop(SoundHandle loop) {
    auto it = s_->loops.find(loop);
    if (it == s_->loops.end()) return;
    Mix_HaltChannel(kLoopChannel);
    Mix_PlayChannel(kLoopChannel, it->second, -1);
}

void SdlSoundBackend::stopLoop(SoundHandle loop) {
    auto it = s_->loops.find(loop);
    if (it == s_->loops.end()) return;
    if (Mix_GetChunk(kLoopChannel) == it->second) Mix_HaltChannel(kLoopChannel);
}

SoundHandle SdlSoundBackend::loadMusic(const std::string& path) {
    if (!s_->open) return 0;
    std::ifstream f(path, std::ios::binary);
    if (!f) return 0;
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::unique_ptr<openmpt::module> mod;
    try {
        mod = std::make_unique<openmpt::module>(data, s_->nullLog);
        mod->set_repeat_count(-1);
    } catch (const std::exception&) {
        return 0;
    }
    const SoundHandle h = s_->next++;
    std::lock_guard<std::mutex> lock(s_->musicLock);
    s_->modules[h] = std::move(mod);
    return h;
}

void SdlSoundBackend::freeMusic(SoundHandle music) {
    std::lock_guard<std::mutex> lock(s_->musicLock);
    auto it = s_->modules.find(music);
    if (it == s_->modules.end()) return;
    if (s_->playing == it->second.get()) s_->playing = nullptr;
    s_->modules.erase(it);
}

void SdlSoundBackend::playMusic(SoundHandle music) {
    std::lock_guard<std::mutex> lock(s_->musicLock);
    auto it = s_->modules.find(music);
    if (it == s_->modules.end()) return;
    it->second->set_position_order_row(0, 0);
    s_->playing = it->second.get();
}

void SdlSoundBackend::setMusicOrder(SoundHandle music, int order) {
    std::lock_guard<std::mutex> lock(s_->musicLock);
    auto it = s_->modules.find(music);
    if (it == s_->modules.end()) return;
    // An order past the end is refused by the library; the tune goes on.
    if (order >= 0 && order < it->second->get_num_orders()) it->second->set_position_order_row(order, 0);
}

void SdlSoundBackend::setMusicVolume(int volume) {
    std::lock_guard<std::mutex> lock(s_->musicLock);
    s_->musicGain = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
}

void SdlSoundBackend::setEffectsVolume(int volume) {
    if (!s_->open) return;
    Mix_Volume(-1, (std::clamp(volume, 0, 100) * MIX_MAX_VOLUME + 50) / 100);
}

void SdlSoundBackend::pause() {
    if (!s_->open) return;
    Mix_Pause(-1);
    std::lock_guard<std::mutex> lock(s_->musicLock);
    s_->paused = true;
}

void SdlSoundBackend::resume() {
    if (!s_->open) return;
    Mix_Resume(-1);
    std::lock_guard<std::mutex> lock(s_->musicLock);
    s_->paused = false;
}

int SdlSoundBackend::activePlaybacks(SoundHandle sample) const {
    auto it = s_->samples.find(sample);
    if (it == s_->samples.end() || !s_->open) return 0;
    int n = 0;
    for (int ch = 0; ch < kMixChannels; ++ch)
        if (Mix_Playing(ch) && Mix_GetChunk(ch) == it->second) ++n;
    return n;
}

bool SdlSoundBackend::loopPlaying(SoundHandle loop) const {
    auto it = s_->loops.find(loop);
    return s_->open && it != s_->loops.end() && Mix_Playing(kLoopChannel) && Mix_GetChunk(kLoopChannel) == it->second;
}

int SdlSoundBackend::musicOrderNow() const {
    std::lock_guard<std::mutex> lock(s_->musicLock);
    return s_->playing ? s_->playing->get_current_order() : -1;
}

std::unique_ptr<SoundBackend> makeSdlSoundBackend() { return std::make_unique<SdlSoundBackend>(); }
