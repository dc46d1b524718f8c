// The sound bank: the one process-wide table of names, ids and loaded files.
// Every rule about when a file is tried, when a call is dropped and which
// order is sent lives here; the back end only plays.
#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <vector>

#include "frame/clock.h"
#include "frame/log.h"
#include "frame/settings.h"
#include "sound/sound.h"
#include "sound/sound_backend.h"

namespace {

enum class LoadState { NotTried = 0, Failed = 1, Loaded = 2 };

struct Entry {
    SoundHandle handle = 0;
    LoadState state = LoadState::NotTried;
};

struct Bank {
    std::unique_ptr<SoundBackend> backend;
    bool enabled = false;
    bool paused = false;
    std::string path;
    std::unordered_map<std::string, int> ids;
    int nextId = 1;
    std::map<int, Entry> effects;
    std::map<int, Entry> loops;
    int currentLoop = 0;
    SoundHandle music = 0;
    int musicOrder = -1;
    int musicVolume = 100;
    int effectsVolume = 100;
    bool silenceTold = false;
};

Bank& bank() {
    static Bank b;
    return b;
}

// Diagnostics go to the log at debug level, which is off unless a developer
// asks for it: the player never sees them.
template <typename... Args>
void diagnostic(const char* format, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    logLine(LogLevel::Debug, text);
}

// The folder from the settings, with "/" separators (data written for the
// original layout may use "\") and one final "/". Empty means the current
// folder.
std::string normaliseFolder(std::string folder) {
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folder.empty()) return "./";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string soundFile(const std::string& name, const char* extension = "") {
    std::string file = name + extension;
    std::replace(file.begin(), file.end(), '\\', '/');
    return bank().path + file;
}

int idFor(const std::string& name) {
    Bank& b = bank();
    auto it = b.ids.find(name);
    if (it != b.ids.end()) return it->second;
    const int id = b.nextId++;
    b.ids.emplace(name, id);
    return id;
}

int clampVolume(int v) { return std::clamp(v, 0, 100); }

}  // namespace

void Sound_InstallBackend(std::unique_ptr<SoundBackend> backend) {
    Bank& b = bank();
    if (b.enabled) Sound_Shutdown();
    b.backend = std::move(backend);
}

void Sound_ResetForTests() {
    Bank& b = bank();
    if (b.enabled) Sound_Shutdown();
    b = Bank{};
}

void Sound_Init() {
    Bank& b = bank();
    if (b.enabled) return;
    b.currentLoop = 0;
    b.musicOrder = -1;
    b.path = normaliseFolder(getIniString("Sound", "path", ""));
    b.paused = false;
    // The program installs the back end; without one the game plays silently.
    b.enabled = b.backend && b.backend->start();
    setActivationListener([](bool active) { active ? Sound_Resume() : Sound_Pause(); });
    if (b.enabled) {
        b.backend->setMusicVolume(b.musicVolume);
        b.backend->setEffectsVolume(b.effectsVolume);
    } else if (!b.silenceTold) {
        // The game plays on silently; the player hears why once, not at
        // every later attempt.
        const std::string reason = b.backend ? b.backend->failureReason() : std::string("no sound back end installed");
        logLine(LogLevel::Warning, "no sound: " + (reason.empty() ? std::string("no audio device could be opened") : reason));
        b.silenceTold = true;
    }
}

void Sound_Shutdown() {
    Bank& b = bank();
    if (!b.enabled) return;
    b.paused = true;
    b.backend->pause();
    // The handles die with the device; names keep their ids, and a later
    // start-up loads the files again.
    for (auto& [id, e] : b.effects)
        if (e.state == LoadState::Loaded) b.backend->freeSample(e.handle);
    for (auto& [id, e] : b.loops)
        if (e.state == LoadState::Loaded) b.backend->freeLoop(e.handle);
    b.effects.clear();
    b.loops.clear();
    b.backend->freeMusic(b.music);
    b.music = 0;
    b.currentLoop = 0;
    b.backend->stop();
    b.enabled = false;
}

bool Sound_Enabled() { return bank().enabled; }

const std::string& Sound_Path() { return bank().path; }

void Sound_LoadMusic(const std::string& fileName) {
    Bank& b = bank();
    if (!b.enabled) return;
    if (b.music) b.backend->freeMusic(b.music);
    // Kept even when 0: the order calls still go out and are ignored.
    b.music = b.backend->loadMusic(soundFile(fileName));
}

void Sound_PlayMusic() {
    Bank& b = bank();
    if (!b.enabled || b.music == 0) return;
    b.backend->playMusic(b.music);
    b.musicOrder = 0;
}

void Sound_SetMusicOrder(int order) {
    Bank& b = bank();
    if (!b.enabled || order == b.musicOrder) return;
    b.musicOrder = order;
    b.backend->setMusicOrder(b.music, order & 0xFFFF);
}

int Sound_MusicOrder() { return bank().musicOrder; }

void Sound_SetMusicVolume(int volume) {
    Bank& b = bank();
    if (!b.enabled) return;
    b.musicVolume = clampVolume(volume);
    b.backend->setMusicVolume(b.musicVolume);
}

int Sound_GetMusicVolume() { return bank().musicVolume; }

void Sound_SetEffectsVolume(int volume) {
    Bank& b = bank();
    if (!b.enabled) return;
    b.effectsVolume = clampVolume(volume);
    b.backend->setEffectsVolume(b.effectsVolume);
}

int Sound_GetEffectsVolume() { return bank().effectsVolume; }

void Sound_Pause() {
    Bank& b = bank();
    if (!b.enabled) return;
    b.paused = true;
    b.backend->pause();
}

void Sound_Resume() {
    Bank& b = bank();
    if (!b.enabled) return;
    b.paused = false;
    b.backend->resume();
}

int Sound_GetId(const std::string& name, int flags) {
    Bank& b = bank();
    if (!b.enabled) return 0;
    const int id = idFor(name);
    if (flags == kSoundEffect) {
        Entry& e = b.effects[id];
        if (e.state == LoadState::Failed) return 0;
        if (e.state == LoadState::NotTried) {
            e.handle = b.backend->loadSample(soundFile(name, ".ogg"));
            if (e.handle == 0) e.handle = b.backend->loadSample(soundFile(name, ".wav"));
            if (e.handle == 0) {
                e.state = LoadState::Failed;
                diagnostic("Sound : Can't load sample : %s%s !", name.c_str(), ".wav");
                return 0;
            }
            e.state = LoadState::Loaded;
        }
        return id;
    }
    Entry& e = b.loops[id];
    if (e.state == LoadState::Failed) return 0;
    if (name.empty()) {
        e.state = LoadState::Failed;
        return 0;
    }
    if (e.state == LoadState::NotTried) {
        e.handle = b.backend->loadLoop(soundFile(name));
        if (e.handle == 0) {
            e.state = LoadState::Failed;
            diagnostic("SOUND : Cannot load %s\n", name.c_str());
            return 0;
        }
        e.state = LoadState::Loaded;
    }
    return id;
}

void Sound_PlayId(int id) {
    Bank& b = bank();
    if (id == 0 || !b.enabled || b.paused) return;
    auto it = b.effects.find(id);
    if (it == b.effects.end() || it->second.state != LoadState::Loaded) return;
    b.backend->playSample(it->second.handle);
}

void Sound_Play(const std::string& name) { Sound_PlayId(Sound_GetId(name, kSoundEffect)); }

void Sound_Preload(const std::string& name) { Sound_GetId(name, kSoundEffect); }

void Sound_PreloadFolder() { Sound_PreloadFolderPart(0, 1); }

void Sound_PreloadFolderPart(int part, int parts) {
    Bank& b = bank();
    if (!b.enabled || parts < 1 || part < 0 || part >= parts) return;
    std::vector<std::string> files;
    findFiles(files, b.path, ".ogg");
    std::sort(files.begin(), files.end());
    const int volume = b.effectsVolume;
    Sound_SetEffectsVolume(0);
    for (size_t i = static_cast<size_t>(part); i < files.size(); i += static_cast<size_t>(parts)) {
        std::string folder, name, ext;
        splitPath(files[i], folder, name, ext);
        Sound_Preload(name);
    }
    Sound_SetEffectsVolume(volume);
}

void Sound_SwitchLoop(int id) {
    Bank& b = bank();
    if (!b.enabled || b.paused) return;
    if (id == 0) {
        if (b.currentLoop != 0) b.backend->stopLoop(b.loops[b.currentLoop].handle);
        b.currentLoop = 0;
        return;
    }
    if (id == b.currentLoop) return;
    auto it = b.loops.find(id);
    if (it == b.loops.end() || it->second.state != LoadState::Loaded) return;
    if (b.currentLoop != 0) b.backend->stopLoop(b.loops[b.currentLoop].handle);
    b.backend->playLoop(it->second.handle);
    b.currentLoop = id;
}

void Sound_PlayLoop(const std::string& name) { Sound_SwitchLoop(Sound_GetId(name, kSoundLoop)); }

int Sound_CurrentLoop() { return bank().currentLoop; }
