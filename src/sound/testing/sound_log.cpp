#include "sound/testing/sound_log.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr size_t kMaxEvents = 1000000;
constexpr std::streamoff kMaxBytes = 64LL << 20;
constexpr uint64_t kMaxMs = 1000ULL * 3600 * 24 * 365;  // a year of play
constexpr size_t kMaxName = 128;

struct KindName {
    SoundEvent::Kind kind;
    const char* word;
    enum { None, File, Number, Volume } argument;
};
constexpr KindName kKinds[] = {
    {SoundEvent::Kind::Effect, "effect", KindName::File},
    {SoundEvent::Kind::Loop, "loop", KindName::File},
    {SoundEvent::Kind::LoopStop, "loop-stop", KindName::File},
    {SoundEvent::Kind::Music, "music", KindName::File},
    {SoundEvent::Kind::Order, "order", KindName::Number},
    {SoundEvent::Kind::MusicVolume, "music-volume", KindName::Volume},
    {SoundEvent::Kind::EffectsVolume, "effects-volume", KindName::Volume},
    {SoundEvent::Kind::Pause, "pause", KindName::None},
    {SoundEvent::Kind::Resume, "resume", KindName::None},
};

const KindName& describe(SoundEvent::Kind k) {
    for (const auto& d : kKinds)
        if (d.kind == k) return d;
    return kKinds[0];
}

// A plain file name: the log never points outside the sound folder.
bool plainName(const std::string& s) {
    if (s.empty() || s.size() > kMaxName || s[0] == '.') return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.';
    });
}

bool parseNumber(const std::string& s, uint64_t limit, uint64_t& out) {
    if (s.empty() || s.size() > 15) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > limit) return false;
    out = v;
    return true;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string formatSoundEvent(const SoundEvent& e) {
    const KindName& d = describe(e.kind);
    std::string line = std::to_string(e.ms) + " " + d.word;
    if (d.argument == KindName::File) line += " " + e.file;
    if (d.argument == KindName::Number || d.argument == KindName::Volume) line += " " + std::to_string(e.value);
    return line;
}

bool readSoundLog(const std::string& path, std::vector<SoundEvent>& out, std::string& error) {
    out.clear();
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    f.seekg(0, std::ios::end);
    const std::streamoff size = f.tellg();
    if (size < 0 || size > kMaxBytes) {
        error = "not a sound log of a sensible size";
        return false;
    }
    f.seekg(0);
    std::string line;
    size_t lineNo = 0;
    uint64_t last = 0;
    const auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        out.clear();
        return false;
    };
    while (std::getline(f, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string msText, word, argument, extra;
        words >> msText >> word >> argument >> extra;
        if (!extra.empty()) return fail("too many words");
        SoundEvent e;
        if (!parseNumber(msText, kMaxMs, e.ms)) return fail("bad time");
        if (e.ms < last) return fail("time goes backwards");
        last = e.ms;
        const KindName* d = nullptr;
        for (const auto& k : kKinds)
            if (word == k.word) d = &k;
        if (!d) return fail("unknown event '" + word.substr(0, 32) + "'");
        e.kind = d->kind;
        uint64_t v = 0;
        switch (d->argument) {
        case KindName::None:
            if (!argument.empty()) return fail("unexpected argument");
            break;
        case KindName::File:
            if (!plainName(argument)) return fail("bad file name");
            e.file = argument;
            break;
        case KindName::Number:
            if (!parseNumber(argument, 0xFFFF, v)) return fail("bad order");
            e.value = static_cast<int>(v);
            break;
        case KindName::Volume:
            if (!parseNumber(argument, 100, v)) return fail("bad volume");
            e.value = static_cast<int>(v);
            break;
        }
        if (out.size() >= kMaxEvents) return fail("too many events");
        out.push_back(std::move(e));
    }
    return true;
}

RecordingSoundBackend::RecordingSoundBackend(std::unique_ptr<SoundBackend> inner, std::function<uint64_t()> nowMs)
    : inner_(std::move(inner)), now_(std::move(nowMs)) {}

SoundHandle RecordingSoundBackend::remember(Names& names, SoundHandle h, const std::string& path) {
    if (h != 0) names[h] = baseName(path);
    return h;
}

std::string RecordingSoundBackend::nameOf(const Names& names, SoundHandle h) {
    auto it = names.find(h);
    return it == names.end() ? std::string() : it->second;
}

void RecordingSoundBackend::record(SoundEvent::Kind kind, const std::string& file, int value) {
    const uint64_t now = now_();
    if (!started_) {
        started_ = true;
        origin_ = now;
    }
    SoundEvent e;
    e.ms = now >= origin_ ? now - origin_ : 0;
    if (!events_.empty()) e.ms = std::max(e.ms, events_.back().ms);
    e.kind = kind;
    e.file = file;
    e.value = value;
    events_.push_back(std::move(e));
}

void RecordingSoundBackend::playSample(SoundHandle sample) {
    inner_->playSample(sample);
    const std::string name = nameOf(samples_, sample);
    if (!name.empty()) record(SoundEvent::Kind::Effect, name);
}

void RecordingSoundBackend::playLoop(SoundHandle loop) {
    inner_->playLoop(loop);
    const std::string name = nameOf(loops_, loop);
    if (!name.empty()) record(SoundEvent::Kind::Loop, name);
}

void RecordingSoundBackend::stopLoop(SoundHandle loop) {
    inner_->stopLoop(loop);
    const std::string name = nameOf(loops_, loop);
    if (!name.empty()) record(SoundEvent::Kind::LoopStop, name);
}

void RecordingSoundBackend::playMusic(SoundHandle music) {
    inner_->playMusic(music);
    const std::string name = nameOf(music_, music);
    if (!name.empty()) record(SoundEvent::Kind::Music, name);
}

void RecordingSoundBackend::setMusicOrder(SoundHandle music, int order) {
    inner_->setMusicOrder(music, order);
    if (!nameOf(music_, music).empty()) record(SoundEvent::Kind::Order, {}, order);
}

void RecordingSoundBackend::setMusicVolume(int volume) {
    inner_->setMusicVolume(volume);
    record(SoundEvent::Kind::MusicVolume, {}, std::clamp(volume, 0, 100));
}

void RecordingSoundBackend::setEffectsVolume(int volume) {
    inner_->setEffectsVolume(volume);
    record(SoundEvent::Kind::EffectsVolume, {}, std::clamp(volume, 0, 100));
}

void RecordingSoundBackend::pause() {
    inner_->pause();
    record(SoundEvent::Kind::Pause);
}

void RecordingSoundBackend::resume() {
    inner_->resume();
    record(SoundEvent::Kind::Resume);
}

bool RecordingSoundBackend::save(const std::string& path) const {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << "# sound log: <ms> <what> [<argument>]\n";
    for (const SoundEvent& e : events_) f << formatSoundEvent(e) << '\n';
    return static_cast<bool>(f);
}
