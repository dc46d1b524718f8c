// The SDL_mixer and libopenmpt back end on SDL's dummy audio driver: real
// decoding and mixing of the generated files, nothing audible.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "frame/settings.h"
#include "sound/sdl/sdl_backend.h"
#include "sound/sound.h"

namespace {

const std::string kSoundDir = std::string(VM_TEST_DATA_DIR) + "/sound/";

class SdlSound : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
        if (!backend.start()) GTEST_SKIP() << "no dummy audio driver: " << SDL_GetError();
    }
    void TearDown() override { backend.stop(); }
    SdlSoundBackend backend;
};

TEST_F(SdlSound, AtMostTwoPlaybacksOfOneEffect) {
    const SoundHandle h = backend.loadSample(kSoundDir + "ball_gather15.ogg");
    ASSERT_NE(h, 0u);
    const SoundHandle other = backend.loadSample(kSoundDir + "game_win.ogg");
    ASSERT_NE(other, 0u);
    backend.playSample(h);
    EXPECT_EQ(backend.activePlaybacks(h), 1);
    backend.playSample(h);
    backend.playSample(h);
    backend.playSample(h);
    EXPECT_EQ(backend.activePlaybacks(h), 2);
    backend.playSample(other);
    EXPECT_EQ(backend.activePlaybacks(other), 1) << "another effect overlaps freely";
    EXPECT_EQ(backend.activePlaybacks(h), 2);
    backend.freeSample(h);
    EXPECT_EQ(backend.activePlaybacks(h), 0);
}

TEST_F(SdlSound, MissingOrBrokenFilesGiveNoHandle) {
    EXPECT_EQ(backend.loadSample(kSoundDir + "no_such_effect.ogg"), 0u);
    EXPECT_EQ(backend.loadLoop(kSoundDir + "no_such_loop.ogg"), 0u);
    EXPECT_EQ(backend.loadMusic(kSoundDir + "no_such_music.mo3"), 0u);
    const std::string junk = (std::filesystem::temp_directory_path() / "vm_sound_junk.mo3").string();
    std::ofstream(junk) << "this is not a module";
    EXPECT_EQ(backend.loadMusic(junk), 0u);
    EXPECT_EQ(backend.loadSample(junk), 0u);
    std::filesystem::remove(junk);
}

TEST_F(SdlSound, LoopPlaysUntilStopped) {
    const SoundHandle loop = backend.loadLoop(kSoundDir + "gun_startcharge.ogg");
    ASSERT_NE(loop, 0u);
    backend.playLoop(loop);
    EXPECT_TRUE(backend.loopPlaying(loop));
    SDL_Delay(1200);  // longer than the file: still going
    EXPECT_TRUE(backend.loopPlaying(loop));
    backend.stopLoop(loop);
    EXPECT_FALSE(backend.loopPlaying(loop));
}

TEST_F(SdlSound, MusicJumpsToOrdersAndIgnoresBadOnes) {
    const SoundHandle music = backend.loadMusic(kSoundDir + "music.mo3");
    ASSERT_NE(music, 0u);
    backend.playMusic(music);
    EXPECT_EQ(backend.musicOrderNow(), 0);
    backend.setMusicOrder(music, 5);
    EXPECT_EQ(backend.musicOrderNow(), 5);
    backend.setMusicOrder(music, 4000);
    EXPECT_EQ(backend.musicOrderNow(), 5);
    backend.setMusicOrder(0, 2);
    EXPECT_EQ(backend.musicOrderNow(), 5);
    backend.pause();
    SDL_Delay(100);
    EXPECT_EQ(backend.musicOrderNow(), 5);
    backend.resume();
    backend.freeMusic(music);
    EXPECT_EQ(backend.musicOrderNow(), -1);
}

// A device that cannot be opened leaves the library's reason for the
// player's one line about it, and a later start that works clears it.
TEST(SdlSoundFailure, TheLibrarySaysWhyThereIsNoSound) {
    const char* saved = SDL_getenv("SDL_AUDIODRIVER");
    const std::string savedDriver = saved ? saved : "";
    SDL_setenv("SDL_AUDIODRIVER", "vm_no_such_driver", 1);
    SdlSoundBackend backend;
    const bool started = backend.start();
    const std::string reason = backend.failureReason();
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    const bool dummyStarted = backend.start();
    const std::string afterwards = backend.failureReason();
    backend.stop();
    SDL_setenv("SDL_AUDIODRIVER", saved ? savedDriver.c_str() : "dummy", 1);
    EXPECT_FALSE(started);
    EXPECT_NE(reason.find("vm_no_such_driver"), std::string::npos) << reason;
    if (!dummyStarted) GTEST_SKIP() << "no dummy audio driver";
    EXPECT_EQ(afterwards, "");
}

// The whole bank on the real back end, as the game starts it.
TEST(SdlSoundBank, StartsFromTheShippedSettingsAndPlays) {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
    Sound_ResetForTests();
    resetSettingsForTests();
    const std::string ini = (std::filesystem::temp_directory_path() / "vm_sound_bank.ini").string();
    std::ofstream(ini) << "[Sound]\npath=" << kSoundDir << "\nintro=0\n";
    ASSERT_TRUE(selectIniFile(ini, false));
    Sound_InstallBackend(makeSdlSoundBackend());
    Sound_Init();
    if (!Sound_Enabled()) GTEST_SKIP() << "no dummy audio driver";
    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();
    Sound_SetMusicOrder(getIniInt("Sound", "intro", 0));
    Sound_PreloadFolder();
    EXPECT_EQ(Sound_GetEffectsVolume(), 100);
    EXPECT_NE(Sound_GetId("gun_shoot", kSoundEffect), 0) << "preloaded";
    Sound_Play("gun_shoot");
    Sound_PlayLoop("gun_startcharge.ogg");
    EXPECT_NE(Sound_CurrentLoop(), 0);
    Sound_SetMusicOrder(3);
    EXPECT_EQ(Sound_MusicOrder(), 3);
    Sound_Shutdown();
    Sound_ResetForTests();
    resetSettingsForTests();
    std::filesystem::remove(ini);
}

}  // namespace
