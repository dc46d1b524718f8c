// The game's audio: SDL_mixer plays the effects and the loop, libopenmpt
// renders the music module into SDL_mixer's music hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "sound/master_bus.h"
#include "sound/sound_backend.h"

class SdlSoundBackend : public SoundBackend {
public:
    SdlSoundBackend();
    ~SdlSoundBackend() override;

    bool start() override;
    void stop() override;
    std::string failureReason() const override;
    SoundHandle loadSample(const std::string& path) override;
    void freeSample(SoundHandle sample) override;
    void playSample(SoundHandle sample) override;
    SoundHandle loadLoop(const std::string& path) override;
    void freeLoop(SoundHandle loop) override;
    void playLoop(SoundHandle loop) override;
    void stopLoop(SoundHandle loop) override;
    SoundHandle loadMusic(const std::string& path) override;
    void freeMusic(SoundHandle music) override;
    void playMusic(SoundHandle music) override;
    void setMusicOrder(SoundHandle music, int order) override;
    void setMusicVolume(int volume) override;
    void setEffectsVolume(int volume) override;
    void pause() override;
    void resume() override;

    // For tests and the demo: playbacks of a sample under way, the loop
    // channel's state, and the order the music is at.
    int activePlaybacks(SoundHandle sample) const;
    bool loopPlaying(SoundHandle loop) const;
    int musicOrderNow() const;

    // Offline rendering for the mix checks: instead of start(), SDL's disk
    // driver writing nowhere and never waiting, so the mixer runs as fast as
    // the machine allows. false when sound was already started elsewhere.
    bool startOffline();
    // Called on the audio thread before each buffer is mixed, with the
    // frames mixed so far; the back end's calls made from it are heard from
    // that buffer on. Only the hook may call the back end while one is set.
    using BufferHook = std::function<void(uint64_t framesMixed)>;
    void setBufferHook(BufferHook hook);
    // Called on the audio thread with every finished buffer, as the device
    // gets it: interleaved float frames after the master stage.
    using OutputTap = std::function<void(const float* frames, size_t count, int channels)>;
    void setOutputTap(OutputTap tap);
    int outputRate() const;
    int outputChannels() const;
    MasterBus::Stats masterStats() const;

    SdlSoundBackend(const SdlSoundBackend&) = delete;
    SdlSoundBackend& operator=(const SdlSoundBackend&) = delete;

private:
    struct State;
    std::unique_ptr<State> s_;
};

std::unique_ptr<SoundBackend> makeSdlSoundBackend();
