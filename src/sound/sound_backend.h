// What the sound bank needs from an audio library. The game uses the SDL_mixer
// and libopenmpt back end (sound/sdl); tests install a double that records the calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

using SoundHandle = uint32_t;  // 0 = nothing loaded

class SoundBackend {
public:
    virtual ~SoundBackend() = default;

    // The default output device at 44 100 Hz stereo. false: no sound at all.
    virtual bool start() = 0;
    virtual void stop() = 0;  // stops and frees everything
    // Why the last start() failed, in the library's words; empty when it
    // does not say.
    virtual std::string failureReason() const { return {}; }

    // Effects, decoded whole into memory. Each play overlaps the others; at
    // most two playbacks of one sample at a time, a third replaces the oldest.
    virtual SoundHandle loadSample(const std::string& path) = 0;
    virtual void freeSample(SoundHandle sample) = 0;
    virtual void playSample(SoundHandle sample) = 0;

    // Looping effects.
    virtual SoundHandle loadLoop(const std::string& path) = 0;
    virtual void freeLoop(SoundHandle loop) = 0;
    virtual void playLoop(SoundHandle loop) = 0;  // from the start
    virtual void stopLoop(SoundHandle loop) = 0;

    // The music module. Calls with handle 0 are ignored.
    virtual SoundHandle loadMusic(const std::string& path) = 0;
    virtual void freeMusic(SoundHandle music) = 0;
    virtual void playMusic(SoundHandle music) = 0;  // from the start, looping
    virtual void setMusicOrder(SoundHandle music, int order) = 0;

    virtual void setMusicVolume(int volume) = 0;    // 0..100
    virtual void setEffectsVolume(int volume) = 0;  // 0..100, samples and loops
    virtual void pause() = 0;                       // everything stops where it is
    virtual void resume() = 0;
};

// The bank plays through the back end the program installs before Sound_Init
// (the game: the SDL one; tests: a double); without one it stays silent.
// Reset forgets all bank state.
void Sound_InstallBackend(std::unique_ptr<SoundBackend> backend);
void Sound_ResetForTests();
