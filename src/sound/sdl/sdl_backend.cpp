#include "sound/sdl/sdl_backend.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <vector>

#include "frame/log.h"
#include "platform/device_services.h"
#include "sound/master_bus.h"
#include "sound/voice_limiter.h"

namespace {

constexpr int kRate = 44100;
constexpr int kMixChannels = 32;
constexpr int kLoopChannel = 0;  // reserved: effects never take it
constexpr int kEffectGroup = 1;

// libopenmpt reports through an ostream: each line goes to the game's log,
// where only a developer asking for everything sees it.
class LogLineBuffer : public std::streambuf {
protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        if (c == '\n') {
            flushLine();
        } else if (line_.size() < kMaxLine) {
            line_ += static_cast<char>(c);
        }
        return c;
    }
    int sync() override {
        flushLine();
        return 0;
    }

private:
    static constexpr size_t kMaxLine = 1000;
    void flushLine() {
        if (!line_.empty()) logLine(LogLevel::Debug, "openmpt: " + line_);
        line_.clear();
    }
    std::string line_;
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
    std::vector<float> scratch;

    std::string failure;
    LogLineBuffer logBuffer;
    std::ostream openmptLog{&logBuffer};

    // Offline renders and the mix checks; guarded by hookLock.
    std::mutex hookLock;
    SdlSoundBackend::BufferHook bufferHook;
    SdlSoundBackend::OutputTap outputTap;
    std::atomic<uint64_t> framesMixed{0};
    std::unique_ptr<MasterBus> bus;

    size_t framesIn(int len) const {
        return static_cast<size_t>(len) / sizeof(float) / static_cast<size_t>(channels);
    }

    // SDL_mixer renders the music first in every buffer, before any channel
    // is added: the one moment between two buffers where an offline render
    // can play what is due, exactly as the game's calls land between buffers.
    static void musicHook(void* user, Uint8* stream, int len) {
        auto* self = static_cast<State*>(user);
        std::memset(stream, 0, static_cast<size_t>(len));
        {
            std::lock_guard<std::mutex> hooks(self->hookLock);
            if (self->bufferHook) self->bufferHook(self->framesMixed.load());
        }
        std::lock_guard<std::mutex> lock(self->musicLock);
        if (!self->playing || self->paused) return;
        auto* out = reinterpret_cast<float*>(stream);
        const size_t ch = static_cast<size_t>(self->channels);
        const size_t frames = self->framesIn(len);
        size_t done = 0;
        if (ch == 1) {
            done = self->playing->read(self->rate, frames, out);
        } else {
            self->scratch.resize(frames * 2);
            done = self->playing->read_interleaved_stereo(self->rate, frames, self->scratch.data());
            for (size_t i = 0; i < done; ++i) {
                out[i * ch] = self->scratch[i * 2];
                out[i * ch + 1] = self->scratch[i * 2 + 1];
            }
        }
        const float gain = self->musicGain;
        if (gain < 0.999f)
            for (size_t i = 0; i < done * ch; ++i) out[i] *= gain;
    }

    // After every voice has been added: the master stage, then whoever listens.
    static void postMix(void* user, Uint8* stream, int len) {
        auto* self = static_cast<State*>(user);
        auto* out = reinterpret_cast<float*>(stream);
        const size_t frames = self->framesIn(len);
        {
            std::lock_guard<std::mutex> hooks(self->hookLock);
            if (self->bus) self->bus->process(out, frames);
            if (self->outputTap) self->outputTap(out, frames, self->channels);
        }
        self->framesMixed += frames;
    }
};

SdlSoundBackend::SdlSoundBackend() : s_(std::make_unique<State>()) {}

SdlSoundBackend::~SdlSoundBackend() { stop(); }

bool SdlSoundBackend::start() {
    if (s_->open) return true;
    s_->failure.clear();
    if (!platform::openAudio(s_->failure)) return false;
    s_->mixInit = (Mix_Init(MIX_INIT_OGG) & MIX_INIT_OGG) != 0;
    // Floating point: the voices sum without a ceiling, and the master stage
    // decides what reaches the device (SDL converts for one that wants
    // integers). The format is not among the changes SDL may make.
    Uint16 format = 0;
    const bool opened = Mix_OpenAudio(kRate, AUDIO_F32SYS, 2, 1024) == 0;
    if (!opened || !Mix_QuerySpec(&s_->rate, &format, &s_->channels) || format != AUDIO_F32SYS ||
        s_->channels < 1) {
        s_->failure = opened ? "the audio device does not take floating-point samples" : Mix_GetError();
        Mix_CloseAudio();
        if (s_->mixInit) Mix_Quit();
        platform::closeAudio();
        return false;
    }
    Mix_AllocateChannels(kMixChannels);
    Mix_ReserveChannels(1);
    Mix_GroupChannels(1, kMixChannels - 1, kEffectGroup);
    s_->paused = false;
    s_->open = true;
    s_->framesMixed = 0;
    s_->bus = std::make_unique<MasterBus>(s_->rate, s_->channels);
    Mix_HookMusic(&State::musicHook, s_.get());
    Mix_SetPostMix(&State::postMix, s_.get());
    return true;
}

bool SdlSoundBackend::startOffline() {
    if (s_->open) return false;
    // SDL's disk driver, writing nowhere and never waiting; the variables
    // are read when the device opens and put back afterwards.
    const char* names[] = {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY"};
    const char* values[] = {"disk", "/dev/null", "0"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        had[i] = v != nullptr;
        if (v) saved[i] = v;
        setenv(names[i], values[i], 1);
    }
    // The disk driver warns loudly that it is in use; here that is the point.
    const bool ok = platform::withAudioLogSilenced([this] { return start(); });
    for (int i = 0; i < 3; ++i) {
        if (had[i])
            setenv(names[i], saved[i].c_str(), 1);
        else
            unsetenv(names[i]);
    }
    if (ok && platform::audioDriverName() != "disk") {
        stop();  // the audio subsystem was already up with another driver
        return false;
    }
    return ok;
}

std::string SdlSoundBackend::failureReason() const { return s_->failure; }

void SdlSoundBackend::setBufferHook(BufferHook hook) {
    std::lock_guard<std::mutex> lock(s_->hookLock);
    s_->bufferHook = std::move(hook);
}

void SdlSoundBackend::setOutputTap(OutputTap tap) {
    std::lock_guard<std::mutex> lock(s_->hookLock);
    s_->outputTap = std::move(tap);
}

int SdlSoundBackend::outputRate() const { return s_->open ? s_->rate : 0; }
int SdlSoundBackend::outputChannels() const { return s_->open ? s_->channels : 0; }

MasterBus::Stats SdlSoundBackend::masterStats() const {
    std::lock_guard<std::mutex> lock(s_->hookLock);
    return s_->bus ? s_->bus->stats() : MasterBus::Stats{};
}

void SdlSoundBackend::stop() {
    if (!s_->open) return;
    Mix_HookMusic(nullptr, nullptr);
    Mix_SetPostMix(nullptr, nullptr);
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
    s_->bus.reset();
    if (s_->mixInit) Mix_Quit();
    platform::closeAudio();
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
        mod = std::make_unique<openmpt::module>(data, s_->openmptLog);
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
