// A sound log: what the sound bank asked of its back end during a run, with
// the game time of each call. The autoplayer writes one; the mix checks play
// it again through the real mixer to hear that run of play offline.
//
// One event a line, "<ms> <what> [<argument>]":
//   effect <file>   loop <file>   loop-stop <file>   music <file>
//   order <n>   music-volume <0..100>   effects-volume <0..100>   pause   resume
// Files are names inside the sound folder.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sound/sound_backend.h"

struct SoundEvent {
    enum class Kind { Effect, Loop, LoopStop, Music, Order, MusicVolume, EffectsVolume, Pause, Resume };
    uint64_t ms = 0;
    Kind kind = Kind::Effect;
    std::string file;  // Effect, Loop, LoopStop, Music
    int value = 0;     // Order, MusicVolume, EffectsVolume
};

std::string formatSoundEvent(const SoundEvent& e);
// false with a reason for anything a log written by this game cannot hold:
// unknown words, names with a folder in them, values out of range, time
// going backwards, more than a million events or a file over 64 MiB.
bool readSoundLog(const std::string& path, std::vector<SoundEvent>& out, std::string& error);

// Passes every call on to the real back end and records the ones that are
// heard, timed by `nowMs`, relative to the first call made.
class RecordingSoundBackend : public SoundBackend {
public:
    RecordingSoundBackend(std::unique_ptr<SoundBackend> inner, std::function<uint64_t()> nowMs);

    bool start() override { return inner_->start(); }
    void stop() override { inner_->stop(); }
    std::string failureReason() const override { return inner_->failureReason(); }
    SoundHandle loadSample(const std::string& path) override { return remember(samples_, inner_->loadSample(path), path); }
    void freeSample(SoundHandle sample) override { inner_->freeSample(sample); }
    void playSample(SoundHandle sample) override;
    SoundHandle loadLoop(const std::string& path) override { return remember(loops_, inner_->loadLoop(path), path); }
    void freeLoop(SoundHandle loop) override { inner_->freeLoop(loop); }
    void playLoop(SoundHandle loop) override;
    void stopLoop(SoundHandle loop) override;
    SoundHandle loadMusic(const std::string& path) override { return remember(music_, inner_->loadMusic(path), path); }
    void freeMusic(SoundHandle music) override { inner_->freeMusic(music); }
    void playMusic(SoundHandle music) override;
    void setMusicOrder(SoundHandle music, int order) override;
    void setMusicVolume(int volume) override;
    void setEffectsVolume(int volume) override;
    void pause() override;
    void resume() override;

    const std::vector<SoundEvent>& events() const { return events_; }
    bool save(const std::string& path) const;

private:
    using Names = std::map<SoundHandle, std::string>;
    static SoundHandle remember(Names& names, SoundHandle h, const std::string& path);
    void record(SoundEvent::Kind kind, const std::string& file = {}, int value = 0);
    static std::string nameOf(const Names& names, SoundHandle h);

    std::unique_ptr<SoundBackend> inner_;
    std::function<uint64_t()> now_;
    bool started_ = false;
    uint64_t origin_ = 0;
    Names samples_, loops_, music_;
    std::vector<SoundEvent> events_;
};
