// The sound bank's rules, checked through a back end that records what it was
// asked to do: which files were tried, what played, which order was sent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/log.h"
#include "frame/settings.h"
#include "sound/sound.h"
#include "sound/sound_backend.h"
#include "sound/voice_limiter.h"

namespace fs = std::filesystem;

namespace {

struct Record {
    std::vector<std::string> calls;
    std::set<std::string> files;  // paths that load
    bool deviceWorks = true;
    std::string failure;  // what the library says when the device fails
    bool has(const std::string& c) const { return std::find(calls.begin(), calls.end(), c) != calls.end(); }
    int count(const std::string& c) const { return static_cast<int>(std::count(calls.begin(), calls.end(), c)); }
};

class RecordingBackend : public SoundBackend {
public:
    explicit RecordingBackend(std::shared_ptr<Record> r) : r_(std::move(r)) {}
    bool start() override {
        log("start");
        return r_->deviceWorks;
    }
    void stop() override { log("stop"); }
    std::string failureReason() const override { return r_->failure; }
    SoundHandle loadSample(const std::string& path) override { return load("loadSample " + path, path); }
    void freeSample(SoundHandle h) override { log("freeSample " + std::to_string(h)); }
    void playSample(SoundHandle h) override { log("playSample " + std::to_string(h)); }
    SoundHandle loadLoop(const std::string& path) override { return load("loadLoop " + path, path); }
    void freeLoop(SoundHandle h) override { log("freeLoop " + std::to_string(h)); }
    void playLoop(SoundHandle h) override { log("playLoop " + std::to_string(h)); }
    void stopLoop(SoundHandle h) override { log("stopLoop " + std::to_string(h)); }
    SoundHandle loadMusic(const std::string& path) override { return load("loadMusic " + path, path); }
    void freeMusic(SoundHandle h) override { log("freeMusic " + std::to_string(h)); }
    void playMusic(SoundHandle h) override { log("playMusic " + std::to_string(h)); }
    void setMusicOrder(SoundHandle h, int order) override {
        log("order " + std::to_string(h) + " " + std::to_string(order));
    }
    void setMusicVolume(int v) override { log("musicVolume " + std::to_string(v)); }
    void setEffectsVolume(int v) override { log("effectsVolume " + std::to_string(v)); }
    void pause() override { log("pause"); }
    void resume() override { log("resume"); }

private:
    void log(const std::string& s) { r_->calls.push_back(s); }
    SoundHandle load(const std::string& call, const std::string& path) {
        log(call);
        return r_->files.count(path) ? next_++ : 0;
    }
    std::shared_ptr<Record> r_;
    SoundHandle next_ = 100;
};

class SoundBank : public ::testing::Test {
protected:
    void SetUp() override {
        Sound_ResetForTests();
        resetSettingsForTests();
        dir = fs::temp_directory_path() / ("vm_sound_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "snd");
        useSoundPath((dir / "snd").string());
        rec = std::make_shared<Record>();
    }
    void TearDown() override {
        Sound_ResetForTests();
        resetSettingsForTests();
        fs::remove_all(dir);
    }
    void useSoundPath(const std::string& path) {
        const fs::path ini = dir / "vm_game.ini";
        std::ofstream(ini) << "[Sound]\npath=" << path << "\n";
        ASSERT_TRUE(selectIniFile(ini.string(), false));
    }
    std::string snd(const std::string& file) const { return (dir / "snd" / file).string(); }
    void start() {
        Sound_InstallBackend(std::make_unique<RecordingBackend>(rec));
        Sound_Init();
        rec->calls.clear();
    }

    fs::path dir;
    std::shared_ptr<Record> rec;
};

TEST_F(SoundBank, MissingEffectIsTriedOnceAndStaysSilent) {
    start();
    EXPECT_EQ(Sound_GetId("nothing", kSoundEffect), 0);
    Sound_Play("nothing");
    Sound_Play("nothing");
    EXPECT_EQ((std::vector<std::string>{"loadSample " + snd("nothing.ogg"), "loadSample " + snd("nothing.wav")}), rec->calls);
}

TEST_F(SoundBank, WavIsTheFallbackAfterOgg) {
    rec->files = {snd("x.wav")};
    start();
    const int id = Sound_GetId("x", kSoundEffect);
    ASSERT_NE(id, 0);
    Sound_PlayId(id);
    EXPECT_EQ((std::vector<std::string>{"loadSample " + snd("x.ogg"), "loadSample " + snd("x.wav"), "playSample 100"}),
              rec->calls);
}

TEST_F(SoundBank, IdsCountFromOneInFirstRequestOrderAndAreNeverReused) {
    rec->files = {snd("a.ogg"), snd("b.ogg"), snd("c.ogg")};
    start();
    EXPECT_EQ(Sound_GetId("a", kSoundEffect), 1);
    EXPECT_EQ(Sound_GetId("b", kSoundEffect), 2);
    EXPECT_EQ(Sound_GetId("a", kSoundEffect), 1);
    EXPECT_EQ(Sound_GetId("missing", kSoundEffect), 0);  // takes id 3 all the same
    EXPECT_EQ(Sound_GetId("c", kSoundEffect), 4);
    EXPECT_EQ(Sound_GetId("A", kSoundEffect), 0) << "names are case-sensitive";
    EXPECT_EQ(rec->count("loadSample " + snd("a.ogg")), 1) << "a loaded sample is kept";
    // Every play is a new playback; nothing is stopped early.
    Sound_PlayId(1);
    Sound_PlayId(1);
    Sound_PlayId(0);
    Sound_PlayId(99);
    EXPECT_EQ(rec->count("playSample 100"), 2);
}

TEST_F(SoundBank, OneLoopAtATime) {
    rec->files = {snd("gun_startcharge.ogg"), snd("other.ogg")};
    start();
    Sound_PlayLoop("gun_startcharge.ogg");
    const int charge = Sound_CurrentLoop();
    EXPECT_NE(charge, 0);
    Sound_PlayLoop("gun_startcharge.ogg");
    EXPECT_EQ((std::vector<std::string>{"loadLoop " + snd("gun_startcharge.ogg"), "playLoop 100"}), rec->calls);

    rec->calls.clear();
    Sound_PlayLoop("other.ogg");
    EXPECT_EQ((std::vector<std::string>{"loadLoop " + snd("other.ogg"), "stopLoop 100", "playLoop 101"}), rec->calls);
    EXPECT_NE(Sound_CurrentLoop(), charge);

    rec->calls.clear();
    Sound_PlayLoop("");
    EXPECT_EQ((std::vector<std::string>{"stopLoop 101"}), rec->calls);
    EXPECT_EQ(Sound_CurrentLoop(), 0);

    // A loop that cannot load is tried once; like the empty name it gives
    // id 0, which stops the loop playing.
    Sound_PlayLoop("gun_startcharge.ogg");
    EXPECT_EQ(Sound_CurrentLoop(), charge);
    rec->calls.clear();
    Sound_PlayLoop("absent.ogg");
    Sound_PlayLoop("absent.ogg");
    EXPECT_EQ((std::vector<std::string>{"loadLoop " + snd("absent.ogg"), "stopLoop 100"}), rec->calls);
    EXPECT_EQ(Sound_CurrentLoop(), 0);
}

TEST_F(SoundBank, MusicOrdersSendOnlyChanges) {
    rec->files = {snd("music.mo3")};
    start();
    EXPECT_EQ(Sound_MusicOrder(), -1);
    Sound_LoadMusic("music.mo3");
    Sound_SetMusicOrder(2);
    Sound_SetMusicOrder(2);
    Sound_PlayMusic();
    EXPECT_EQ(Sound_MusicOrder(), 0);
    Sound_SetMusicOrder(0);
    Sound_SetMusicOrder(2);
    EXPECT_EQ((std::vector<std::string>{"loadMusic " + snd("music.mo3"), "order 100 2", "playMusic 100", "order 100 2"}),
              rec->calls);
}

TEST_F(SoundBank, MissingMusicStaysSilentButOrdersStillGoOut) {
    start();
    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();  // nothing to play: the order memory keeps -1
    EXPECT_EQ(Sound_MusicOrder(), -1);
    Sound_SetMusicOrder(3);
    EXPECT_EQ((std::vector<std::string>{"loadMusic " + snd("music.mo3"), "order 0 3"}), rec->calls);
}

TEST_F(SoundBank, PausedEffectsAreDroppedNotQueued) {
    rec->files = {snd("click.ogg"), snd("hum.ogg")};
    start();
    const int id = Sound_GetId("click", kSoundEffect);
    Sound_Pause();
    Sound_PlayId(id);
    Sound_PlayLoop("hum.ogg");
    Sound_Resume();
    EXPECT_EQ(rec->count("playSample 100"), 0);
    EXPECT_EQ(Sound_CurrentLoop(), 0);
    EXPECT_TRUE(rec->has("pause"));
    EXPECT_TRUE(rec->has("resume"));
    Sound_PlayId(id);
    EXPECT_EQ(rec->count("playSample 100"), 1);
}

TEST_F(SoundBank, PreloadLoadsEveryOggSilentlyAndRestoresTheVolume) {
    for (const char* f : {"a.ogg", "b.ogg", "c.wav", "d.OGG"}) std::ofstream(dir / "snd" / f) << "x";
    rec->files = {snd("a.ogg"), snd("b.ogg")};
    start();
    Sound_SetEffectsVolume(70);
    rec->calls.clear();
    Sound_PreloadFolder();
    ASSERT_EQ(rec->calls.size(), 4u);
    EXPECT_EQ(rec->calls.front(), "effectsVolume 0");
    EXPECT_EQ(rec->calls.back(), "effectsVolume 70");
    EXPECT_TRUE(rec->has("loadSample " + snd("a.ogg")));
    EXPECT_TRUE(rec->has("loadSample " + snd("b.ogg")));
    EXPECT_EQ(Sound_GetEffectsVolume(), 70);
    // Preloaded names resolve without touching the files again.
    rec->calls.clear();
    EXPECT_NE(Sound_GetId("a", kSoundEffect), 0);
    EXPECT_TRUE(rec->calls.empty());
}

TEST_F(SoundBank, VolumesAreKeptInRangeAndReadBack) {
    start();
    Sound_SetMusicVolume(40);
    Sound_SetEffectsVolume(150);
    Sound_SetMusicVolume(-5);
    EXPECT_EQ(Sound_GetMusicVolume(), 0);
    EXPECT_EQ(Sound_GetEffectsVolume(), 100);
    EXPECT_EQ((std::vector<std::string>{"musicVolume 40", "effectsVolume 100", "musicVolume 0"}), rec->calls);
}

TEST_F(SoundBank, WithoutADeviceEveryCallDoesNothing) {
    rec->deviceWorks = false;
    rec->files = {snd("a.ogg"), snd("l.ogg"), snd("music.mo3")};
    start();
    EXPECT_FALSE(Sound_Enabled());
    EXPECT_EQ(Sound_GetId("a", kSoundEffect), 0);
    Sound_Play("a");
    Sound_PlayLoop("l.ogg");
    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();
    Sound_SetMusicOrder(3);
    Sound_SetMusicVolume(10);
    Sound_Pause();
    Sound_Resume();
    Sound_PreloadFolder();
    Sound_Shutdown();
    EXPECT_TRUE(rec->calls.empty());
    EXPECT_EQ(Sound_MusicOrder(), -1);
}

// Without a device the player is told once why the game is silent; a device
// that works says nothing.
TEST_F(SoundBank, NoDeviceIsToldOnceWithTheReason) {
    std::vector<std::pair<LogLevel, std::string>> lines;
    const LogLevel savedLevel = logLevel();
    setLogLevel(LogLevel::Info);
    setLogSink([&lines](LogLevel level, const std::string& line) { lines.emplace_back(level, line); });
    rec->deviceWorks = false;
    rec->failure = "ALSA: Couldn't open audio device: No such file or directory";
    start();
    Sound_Shutdown();
    Sound_Init();
    EXPECT_FALSE(Sound_Enabled());
    const std::vector<std::pair<LogLevel, std::string>> once = lines;

    Sound_ResetForTests();
    lines.clear();
    rec->failure.clear();
    start();
    const std::vector<std::pair<LogLevel, std::string>> unexplained = lines;

    Sound_ResetForTests();
    lines.clear();
    rec->deviceWorks = true;
    start();
    const std::vector<std::pair<LogLevel, std::string>> working = lines;
    setLogSink(nullptr);
    setLogLevel(savedLevel);

    ASSERT_EQ(once.size(), 1u);
    EXPECT_EQ(once[0].first, LogLevel::Warning);
    EXPECT_EQ(once[0].second, "no sound: ALSA: Couldn't open audio device: No such file or directory");
    ASSERT_EQ(unexplained.size(), 1u);
    EXPECT_EQ(unexplained[0].second.rfind("no sound: ", 0), 0u);
    EXPECT_GT(unexplained[0].second.size(), std::string("no sound: ").size());
    EXPECT_TRUE(working.empty());
}

TEST_F(SoundBank, BackslashesInTheFolderBecomeSlashes) {
    useSoundPath((dir / "snd").string() + "\\sub");
    rec->files = {snd("sub/x.ogg")};
    start();
    EXPECT_EQ(Sound_Path(), snd("sub/"));
    EXPECT_NE(Sound_GetId("x", kSoundEffect), 0);
}

TEST_F(SoundBank, ShutdownFreesEverythingAndAStartAgainReloads) {
    rec->files = {snd("a.ogg"), snd("l.ogg"), snd("music.mo3")};
    start();
    const int a = Sound_GetId("a", kSoundEffect);
    Sound_PlayLoop("l.ogg");
    Sound_LoadMusic("music.mo3");
    Sound_Shutdown();
    EXPECT_TRUE(rec->has("freeSample 100"));
    EXPECT_TRUE(rec->has("freeLoop 101"));
    EXPECT_TRUE(rec->has("freeMusic 102"));
    EXPECT_EQ(rec->calls.back(), "stop");
    EXPECT_FALSE(Sound_Enabled());

    Sound_Init();
    rec->calls.clear();
    EXPECT_EQ(Sound_GetId("a", kSoundEffect), a) << "names keep their ids";
    EXPECT_EQ(rec->count("loadSample " + snd("a.ogg")), 1) << "handles of the old device are not reused";
    EXPECT_EQ(Sound_CurrentLoop(), 0);
}

TEST(VoiceLimiter, AThirdPlaybackReplacesTheOldest) {
    VoiceLimiter v(2);
    std::set<int> busy;
    auto playing = [&](int ch) { return busy.count(ch) > 0; };
    EXPECT_EQ(v.channelToReplace(7, playing), -1);
    v.started(7, 3);
    busy.insert(3);
    EXPECT_EQ(v.channelToReplace(7, playing), -1);
    v.started(7, 5);
    busy.insert(5);
    EXPECT_EQ(v.channelToReplace(7, playing), 3);
    v.started(7, 3);  // the replacement restarts channel 3: now 5 is the oldest
    EXPECT_EQ(v.channelToReplace(7, playing), 5);
    EXPECT_EQ(v.channelToReplace(8, playing), -1) << "the limit is per sample";
}

TEST(VoiceLimiter, FinishedOrTakenChannelsFreeTheirSlot) {
    VoiceLimiter v(2);
    std::set<int> busy = {1, 2};
    auto playing = [&](int ch) { return busy.count(ch) > 0; };
    v.started(7, 1);
    v.started(7, 2);
    busy.erase(1);  // ran to its end
    EXPECT_EQ(v.channelToReplace(7, playing), -1);
    v.started(7, 4);
    busy.insert(4);
    v.started(9, 2);  // another sample took channel 2
    EXPECT_EQ(v.channelToReplace(7, playing), -1);
}

}  // namespace
