#include "sound/testing/offline_mix.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "sound/sdl/sdl_backend.h"

namespace {

bool wanted(const SoundEvent& e, MixPart part) {
    using K = SoundEvent::Kind;
    const bool music = e.kind == K::Music || e.kind == K::Order;
    const bool effect = e.kind == K::Effect || e.kind == K::Loop || e.kind == K::LoopStop;
    if (part == MixPart::MusicOnly) return !effect;
    if (part == MixPart::EffectsOnly) return !music;
    return true;
}

}  // namespace

bool renderSoundLog(const std::vector<SoundEvent>& events, const std::string& soundFolder, double seconds,
                    MixPart part, OfflineMix& out, std::string& error) {
    out = OfflineMix{};
    if (!(seconds > 0 && seconds <= 3600)) {
        error = "a render lasts between a moment and an hour";
        return false;
    }
    SdlSoundBackend backend;
    if (!backend.startOffline()) {
        error = "sound cannot start offline";
        return false;
    }
    std::string folder = soundFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';

    // Every file is loaded before the first buffer: nothing is decoded on
    // the audio thread.
    using K = SoundEvent::Kind;
    std::map<std::string, SoundHandle> samples, loops, modules;
    std::vector<SoundEvent> play;
    for (const SoundEvent& e : events) {
        if (!wanted(e, part)) continue;
        std::map<std::string, SoundHandle>* table = e.kind == K::Effect                           ? &samples
                                                    : e.kind == K::Loop || e.kind == K::LoopStop ? &loops
                                                    : e.kind == K::Music                         ? &modules
                                                                                                 : nullptr;
        if (table && !table->count(e.file)) {
            const std::string path = folder + e.file;
            const SoundHandle h = table == &samples ? backend.loadSample(path)
                                  : table == &loops ? backend.loadLoop(path)
                                                    : backend.loadMusic(path);
            if (h == 0) {
                error = "cannot load " + path;
                return false;
            }
            (*table)[e.file] = h;
        }
        play.push_back(e);
    }

    const int rate = backend.outputRate(), channels = backend.outputChannels();
    const uint64_t wantFrames = static_cast<uint64_t>(seconds * rate);
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;
    size_t next = 0;
    SoundHandle music = 0;
    out.samples.reserve(static_cast<size_t>(wantFrames) * static_cast<size_t>(channels));

    // The device runs from the moment it opens: the render's time starts
    // with the first buffer the hook sees, and the tap (installed first, so
    // that it misses none) keeps buffers from that one on.
    bool started = false;
    uint64_t origin = 0;
    backend.setOutputTap([&](const float* frames, size_t count, int ch) {
        std::lock_guard<std::mutex> lock(doneLock);
        if (done || !started) return;
        const size_t have = out.samples.size() / static_cast<size_t>(ch);
        const size_t take = std::min<size_t>(count, static_cast<size_t>(wantFrames) - have);
        out.samples.insert(out.samples.end(), frames, frames + take * static_cast<size_t>(ch));
        if (have + take >= wantFrames) {
            done = true;
            doneSignal.notify_all();
        }
    });
    backend.setBufferHook([&](uint64_t framesMixed) {
        if (!started) {
            std::lock_guard<std::mutex> lock(doneLock);
            started = true;
            origin = framesMixed;
        }
        const uint64_t now = framesMixed - origin;
        // Everything due by the start of this buffer, in the log's order.
        while (next < play.size() && play[next].ms * static_cast<uint64_t>(rate) / 1000 <= now) {
            const SoundEvent& e = play[next++];
            switch (e.kind) {
            case K::Effect: backend.playSample(samples[e.file]); break;
            case K::Loop: backend.playLoop(loops[e.file]); break;
            case K::LoopStop: backend.stopLoop(loops[e.file]); break;
            case K::Music:
                music = modules[e.file];
                backend.playMusic(music);
                break;
            case K::Order: backend.setMusicOrder(music, e.value); break;
            case K::MusicVolume: backend.setMusicVolume(e.value); break;
            case K::EffectsVolume: backend.setEffectsVolume(e.value); break;
            case K::Pause: backend.pause(); break;
            case K::Resume: backend.resume(); break;
            }
        }
    });

    // A render runs many times faster than play; the limit only catches a
    // device that stopped delivering buffers.
    const auto limit = std::chrono::seconds(60) + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    bool finished = false;
    {
        std::unique_lock<std::mutex> lock(doneLock);
        finished = doneSignal.wait_for(lock, limit, [&] { return done; });
        done = true;  // nothing more is taken after this
    }
    backend.setBufferHook(nullptr);
    backend.setOutputTap(nullptr);
    out.master = backend.masterStats();
    backend.stop();
    if (!finished) {
        error = "the mixer stopped delivering sound";
        return false;
    }
    out.rate = rate;
    out.channels = channels;
    return true;
}
