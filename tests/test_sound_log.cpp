// Sound logs: the recorder keeps what a run made heard, with its game time,
// and the reader takes back exactly that and nothing a damaged file holds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frame/clock.h"
#include "platform/event.h"
#include "sound/sound.h"
#include "sound/testing/sound_log.h"

namespace fs = std::filesystem;

namespace {

// Loads whatever it is given, except files called "missing".
class QuietBackend : public SoundBackend {
public:
    std::vector<std::string>* calls = nullptr;
    bool start() override { return true; }
    void stop() override {}
    SoundHandle loadSample(const std::string& p) override { return load(p); }
    void freeSample(SoundHandle) override {}
    void playSample(SoundHandle h) override { calls->push_back("play " + std::to_string(h)); }
    SoundHandle loadLoop(const std::string& p) override { return load(p); }
    void freeLoop(SoundHandle) override {}
    void playLoop(SoundHandle) override {}
    void stopLoop(SoundHandle) override {}
    SoundHandle loadMusic(const std::string& p) override { return load(p); }
    void freeMusic(SoundHandle) override {}
    void playMusic(SoundHandle) override {}
    void setMusicOrder(SoundHandle, int order) override { calls->push_back("order " + std::to_string(order)); }
    void setMusicVolume(int) override {}
    void setEffectsVolume(int) override {}
    void pause() override {}
    void resume() override {}

private:
    SoundHandle load(const std::string& p) { return p.find("missing") == std::string::npos ? next_++ : 0; }
    SoundHandle next_ = 7;
};

std::string scratch(const std::string& name) {
    return (fs::temp_directory_path() / ("vm_soundlog_" + std::to_string(::getpid()) + "_" + name)).string();
}

std::vector<std::string> lines(const std::vector<SoundEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) out.push_back(formatSoundEvent(e));
    return out;
}

TEST(SoundLog, RecorderKeepsWhatIsHeardWithGameTime) {
    std::vector<std::string> calls;
    auto inner = std::make_unique<QuietBackend>();
    inner->calls = &calls;
    uint64_t now = 5000;
    RecordingSoundBackend rec(std::move(inner), [&now] { return now; });
    const SoundHandle music = rec.loadMusic("./sound/music.mo3");
    const SoundHandle shot = rec.loadSample("./sound/gun_shoot.ogg");
    const SoundHandle hum = rec.loadLoop("./sound/gun_startcharge.ogg");
    EXPECT_EQ(rec.loadSample("./sound/missing.ogg"), 0u);
    rec.playMusic(music);
    rec.setMusicOrder(music, 2);
    now += 250;
    rec.playLoop(hum);
    rec.setEffectsVolume(140);  // clamped as the back end clamps it
    now += 500;
    rec.stopLoop(hum);
    rec.playSample(shot);
    rec.playSample(0);           // nothing loaded: nothing heard
    rec.setMusicOrder(0, 3);     // the back end ignores handle 0
    rec.pause();
    const std::vector<std::string> expected = {"0 music music.mo3",         "0 order 2",
                                               "250 loop gun_startcharge.ogg", "250 effects-volume 100",
                                               "750 loop-stop gun_startcharge.ogg", "750 effect gun_shoot.ogg",
                                               "750 pause"};
    EXPECT_EQ(lines(rec.events()), expected);
    // Every call still reached the real back end.
    EXPECT_EQ(calls, (std::vector<std::string>{"order 2", "play " + std::to_string(shot), "play 0", "order 3"}));

    const std::string path = scratch("roundtrip.log");
    ASSERT_TRUE(rec.save(path));
    std::vector<SoundEvent> back;
    std::string error;
    ASSERT_TRUE(readSoundLog(path, back, error)) << error;
    EXPECT_EQ(lines(back), expected);
    fs::remove(path);
}

TEST(SoundLog, RefusesDamagedLogs) {
    const std::string path = scratch("damaged.log");
    const std::vector<std::string> bad = {
        "12 effect ../../etc/passwd",  // no way out of the sound folder
        "12 effect sub/gun_shoot.ogg",
        "12 effect .hidden",
        "12 effect",                   // a file is needed
        "12 pause now",                // and none here
        "-5 pause",
        "12.5 pause",
        "99999999999999999999 pause",  // beyond any run
        "12 order 70000",
        "12 order -1",
        "12 music-volume 101",
        "12 explode gun_shoot.ogg",
        "12 effect gun_shoot.ogg extra",
        "20 pause\n10 resume",         // time never runs backwards
        std::string("12 effect gun\0shoot.ogg", 23),
        "12 effect " + std::string(200, 'a'),
    };
    for (const auto& text : bad) {
        SCOPED_TRACE(text);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "# a log\n0 music music.mo3\n" << text << "\n";
        std::vector<SoundEvent> events;
        std::string error;
        EXPECT_FALSE(readSoundLog(path, events, error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(events.empty()) << "nothing half-read is handed out";
    }
    std::vector<SoundEvent> events;
    std::string error;
    EXPECT_FALSE(readSoundLog(scratch("no_such.log"), events, error));
    // Windows line ends, comments and blank lines are fine.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "# a log\r\n\r\n0 music music.mo3\r\n40 order 65535\r\n";
    ASSERT_TRUE(readSoundLog(path, events, error)) << error;
    EXPECT_EQ(lines(events), (std::vector<std::string>{"0 music music.mo3", "40 order 65535"}));
    fs::remove(path);
}

}  // namespace

// The sound pauses and resumes with the window: the sound fills in the
// frame's activation listener when it starts.
TEST(SoundLog, TheSoundPausesWhileTheWindowHasNoFocus) {
    auto rec = std::make_unique<RecordingSoundBackend>(std::make_unique<QuietBackend>(), [] { return uint64_t{0}; });
    const RecordingSoundBackend* heard = rec.get();
    Sound_InstallBackend(std::move(rec));
    Sound_Init();
    auto count = [&](SoundEvent::Kind kind) {
        return std::count_if(heard->events().begin(), heard->events().end(),
                             [&](const SoundEvent& e) { return e.kind == kind; });
    };
    // Another window takes the focus, then the window comes back minimised.
    activationHook(platform::activationEvent(false));
    EXPECT_EQ(count(SoundEvent::Kind::Pause), 1);
    activationHook(platform::activationEvent(true, true));
    EXPECT_EQ(count(SoundEvent::Kind::Pause), 2);
    EXPECT_EQ(count(SoundEvent::Kind::Resume), 0);
    Sound_ResetForTests();
    setActivationListener(nullptr);
}
