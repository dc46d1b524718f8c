// What reaches the speakers: the master stage on its own, the game's mixer
// rendered offline through SDL_mixer, and a busy level of real play heard
// again from its sound log.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mix_stats.h"
#include "sound/master_bus.h"
#include "sound/testing/offline_mix.h"
#include "sound/testing/sound_log.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTwoPi = 6.283185307179586;
const std::string kSoundDir = std::string(VM_TEST_DATA_DIR) + "/sound/";

std::vector<float> stereoTone(double hz, double amplitude, double seconds, double rightShare = 1.0) {
    const size_t frames = static_cast<size_t>(seconds * 44100);
    std::vector<float> s(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(kTwoPi * hz * static_cast<double>(i) / 44100.0);
        s[i * 2] = static_cast<float>(v);
        s[i * 2 + 1] = static_cast<float>(v * rightShare);
    }
    return s;
}

float peakOf(const std::vector<float>& s, size_t from = 0) {
    float p = 0.0f;
    for (size_t i = from; i < s.size(); ++i) p = std::max(p, std::fabs(s[i]));
    return p;
}

double rmsOf(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(std::max<size_t>(to - from, 1)));
}

// ---- The master stage ------------------------------------------------------

TEST(MasterBus, AMixBelowTheThresholdPassesUntouched) {
    MasterBus bus(44100, 2);
    const auto in = stereoTone(440, 0.6, 1.0);  // -4.4 dBFS: under the -3 dBFS threshold
    auto out = in;
    bus.process(out.data(), out.size() / 2);
    EXPECT_EQ(out, in);
    EXPECT_EQ(bus.stats().limitedFrames, 0u);
}

TEST(MasterBus, EveryVoiceAtFullScaleAtOnceStaysBelowTheCeiling) {
    // 32 voices in phase at full scale: +30 dB over full scale.
    MasterBus bus(44100, 2);
    auto s = stereoTone(220, 32.0, 1.0);
    bus.process(s.data(), s.size() / 2);
    EXPECT_LE(peakOf(s), bus.ceiling());
    EXPECT_LT(bus.ceiling(), mixcheck::kFullScale);
    // Still loud, not silenced: after the first moment it sits at the threshold.
    EXPECT_NEAR(peakOf(s, 44100), bus.threshold(), 0.02);
    EXPECT_LT(bus.stats().deepestDb, -25.0);
}

TEST(MasterBus, TheGainComesBackAfterALoudPassage) {
    MasterBus bus(44100, 2);
    auto loud = stereoTone(220, 4.0, 0.5);
    bus.process(loud.data(), loud.size() / 2);
    auto quiet = stereoTone(440, 0.25, 1.5);
    const auto expected = quiet;
    bus.process(quiet.data(), quiet.size() / 2);
    // Just after, the quiet part is still held down; a second later it is back.
    EXPECT_LT(rmsOf(quiet, 0, 4410), 0.8 * rmsOf(expected, 0, 4410));
    const size_t late = quiet.size() - 8820;
    EXPECT_NEAR(rmsOf(quiet, late, quiet.size()) / rmsOf(expected, late, expected.size()), 1.0, 0.01);
}

TEST(MasterBus, BothChannelsShareOneGain) {
    MasterBus bus(44100, 2);
    auto s = stereoTone(330, 3.0, 1.0, 0.25);  // a loud left, a quiet right
    bus.process(s.data(), s.size() / 2);
    // Past the first moment the picture stays where it was: right is a quarter of left.
    for (size_t i = 8820; i < s.size(); i += 2) {
        if (std::fabs(s[i]) > 0.05f) {
            ASSERT_NEAR(s[i + 1] / s[i], 0.25f, 0.01f) << "frame " << i / 2;
        }
    }
}

TEST(MasterBus, BrokenSamplesBecomeSilenceAndLeaveNoTrace) {
    MasterBus bus(44100, 2);
    std::vector<float> s = {NAN, 0.5f, INFINITY, -INFINITY, 0.1f, -0.1f};
    bus.process(s.data(), 3);
    EXPECT_EQ(s, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f, 0.1f, -0.1f}));
    EXPECT_EQ(bus.stats().limitedFrames, 0u);
}

// ---- The game's mixer, offline ---------------------------------------------

SoundEvent at(uint64_t ms, SoundEvent::Kind kind, const std::string& file = {}, int value = 0) {
    SoundEvent e;
    e.ms = ms;
    e.kind = kind;
    e.file = file;
    e.value = value;
    return e;
}

OfflineMix render(const std::vector<SoundEvent>& events, double seconds, MixPart part = MixPart::All) {
    OfflineMix out;
    std::string error;
    EXPECT_TRUE(renderSoundLog(events, kSoundDir, seconds, part, out, error)) << error;
    return out;
}

using K = SoundEvent::Kind;

TEST(OfflineMix, AllTheVoicesAtOnceNeverReachFullScale) {
    // The loudest effects twice each (the most one effect may play), all at
    // once over the music: 31 voices, far past full scale if simply added.
    std::vector<SoundEvent> log = {at(0, K::Music, "music.mo3"), at(0, K::Order, {}, 1)};
    const char* loudest[] = {"game_win", "game_end", "bonus_bomb", "rock_fall", "magnit_explode",
                             "bonus_lightning", "bonus_lightning_mega", "bonus_fireball_mega", "ball_combo_3",
                             "bonus_rocket", "wall_down", "ball_combo_2", "ball_explode_c14_2",
                             "bonus_fireball", "ball_gather15"};
    for (const char* name : loudest)
        for (int twice = 0; twice < 2; ++twice) log.push_back(at(100, K::Effect, std::string(name) + ".ogg"));
    log.push_back(at(100, K::Loop, "gun_startcharge.ogg"));
    const OfflineMix mix = render(log, 3.0);
    ASSERT_EQ(mix.channels, 2);
    ASSERT_EQ(mix.samples.size(), 3u * 44100u * 2u);
    const float peak = peakOf(mix.samples);
    EXPECT_LT(peak, mixcheck::kFullScale);
    EXPECT_LE(peak, MasterBus(44100, 2).ceiling());
    EXPECT_GT(peak, 0.5f) << "a crowd like this is loud";
    EXPECT_LT(mix.master.deepestDb, -3.0) << "the master stage took the excess";
}

TEST(OfflineMix, EventsPlayAtTheirTimeAndTheSlidersKeepTheirMeaning) {
    const auto shotAt = [](int volume) {
        return std::vector<SoundEvent>{at(0, K::EffectsVolume, {}, volume), at(1000, K::Effect, "gun_shoot.ogg")};
    };
    const OfflineMix full = render(shotAt(100), 2.0);
    const OfflineMix half = render(shotAt(50), 2.0);
    // Silent until the shot's buffer (1024 frames), then the shot.
    EXPECT_EQ(peakOf(std::vector<float>(full.samples.begin(), full.samples.begin() + 2 * 44100)), 0.0f);
    const double fullRms = rmsOf(full.samples, 2 * 44100, full.samples.size());
    EXPECT_GT(fullRms, 0.005);
    EXPECT_NEAR(rmsOf(half.samples, 2 * 44100, half.samples.size()) / fullRms, 0.5, 0.01);
    EXPECT_EQ(peakOf(render(shotAt(0), 2.0).samples), 0.0f);

    const auto musicAt = [](int volume) {
        return std::vector<SoundEvent>{at(0, K::MusicVolume, {}, volume), at(0, K::Music, "music.mo3"),
                                       at(0, K::Order, {}, 2)};
    };
    const OfflineMix music = render(musicAt(100), 2.0);
    const double musicRms = rmsOf(music.samples, 0, music.samples.size());
    EXPECT_GT(musicRms, 0.01);
    EXPECT_NEAR(rmsOf(render(musicAt(50), 2.0).samples, 0, music.samples.size()) / musicRms, 0.5, 0.01);
    EXPECT_EQ(peakOf(render(musicAt(0), 2.0).samples), 0.0f);
}

TEST(OfflineMix, TheSameLogSoundsTheSameAndPartsCanBeHeardAlone) {
    const std::vector<SoundEvent> log = {at(0, K::Music, "music.mo3"), at(0, K::Order, {}, 1),
                                         at(300, K::Effect, "gun_shoot.ogg"), at(500, K::Effect, "bonus_bomb.ogg")};
    const OfflineMix a = render(log, 1.5), b = render(log, 1.5);
    EXPECT_EQ(a.samples, b.samples);
    const OfflineMix music = render(log, 1.5, MixPart::MusicOnly), effects = render(log, 1.5, MixPart::EffectsOnly);
    // Quiet enough that the master stage leaves it alone: the parts add up to the whole.
    ASSERT_EQ(a.master.limitedFrames, 0u);
    double worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(a.samples[i]) - music.samples[i] - effects.samples[i]));
    EXPECT_LT(worst, 1e-5);
    EXPECT_EQ(peakOf(std::vector<float>(effects.samples.begin(), effects.samples.begin() + 2 * 13000)), 0.0f);
}

TEST(OfflineMix, RefusesWhatItCannotPlay) {
    OfflineMix out;
    std::string error;
    EXPECT_FALSE(renderSoundLog({at(0, K::Effect, "no_such_effect.ogg")}, kSoundDir, 1.0, MixPart::All, out, error));
    EXPECT_NE(error.find("no_such_effect"), std::string::npos) << error;
    EXPECT_FALSE(renderSoundLog({}, kSoundDir, 0.0, MixPart::All, out, error));
    EXPECT_FALSE(renderSoundLog({}, kSoundDir, 1e9, MixPart::All, out, error));
}

// ---- Listening to real play -------------------------------------------------

// The autoplayer plays a busy level of the real game for 42 s of game time
// and writes its sound log; the log is rendered through the game's mixer,
// whole and in parts. What a player hears must never reach full scale, and
// the effects must sit on the music, neither lost under it nor burying it.
// The part of a run's log from the level's start ("game_new") on, with the
// music as it stood then, timed from that start.
std::vector<SoundEvent> fromLevelStart(const std::vector<SoundEvent>& events) {
    const auto start = std::find_if(events.begin(), events.end(), [](const SoundEvent& e) {
        return e.kind == SoundEvent::Kind::Effect && e.file.rfind("game_new", 0) == 0;
    });
    if (start == events.end()) return {};
    std::vector<SoundEvent> out;
    for (auto it = events.begin(); it != start; ++it)
        if (it->kind != SoundEvent::Kind::Effect) out.push_back({0, it->kind, it->file, it->value});
    for (auto it = start; it != events.end(); ++it) out.push_back({it->ms - start->ms, it->kind, it->file, it->value});
    return out;
}

TEST(Listening, ABusyLevelPlaysCleanAndBalanced) {
    const std::string log = (fs::temp_directory_path() / ("vm_listen_" + std::to_string(::getpid()) + ".log")).string();
    // The run comes in through the logos, the title and the menu first; this
    // seed is a busy one (crystals caught, a bonus fired).
    const std::string command = std::string("'") + VM_AUTOPLAY + "' --level 2-5 --seed 2 --seconds 60 --sound-log '" +
                                log + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<SoundEvent> whole;
    std::string error;
    ASSERT_TRUE(readSoundLog(log, whole, error)) << error;
    fs::remove(log);
    const std::vector<SoundEvent> events = fromLevelStart(whole);
    ASSERT_FALSE(events.empty()) << "the level never started";

    // The run is busy: shooting, explosions, a bonus and crystals.
    const auto count = [&events](const std::string& prefix) {
        return std::count_if(events.begin(), events.end(), [&](const SoundEvent& e) {
            return e.kind == K::Effect && e.file.compare(0, prefix.size(), prefix) == 0;
        });
    };
    EXPECT_GE(count("gun_shoot"), 20);
    EXPECT_GE(count("ball_explode"), 40);
    EXPECT_GE(count("bonus_"), 1);
    EXPECT_GE(count("spawn_crystal"), 1);
    EXPECT_GE(count("catch_crystal"), 1);
    ASSERT_GE(events.back().ms, 40000u);

    const double seconds = 40.0;
    OfflineMix all, music, effects;
    ASSERT_TRUE(renderSoundLog(events, kSoundDir, seconds, MixPart::All, all, error)) << error;
    ASSERT_TRUE(renderSoundLog(events, kSoundDir, seconds, MixPart::MusicOnly, music, error)) << error;
    ASSERT_TRUE(renderSoundLog(events, kSoundDir, seconds, MixPart::EffectsOnly, effects, error)) << error;

    const mixcheck::MixStats st = mixcheck::analyse(all.samples, all.channels, all.rate);
    EXPECT_EQ(st.windows.size(), 80u);
    EXPECT_EQ(st.clipped, 0u) << mixcheck::formatTable(st);
    EXPECT_LE(peakOf(all.samples), MasterBus(44100, 2).ceiling());
    // The assets leave the headroom: the master stage only catches a rare peak.
    EXPECT_LT(static_cast<double>(all.master.limitedFrames), 0.05 * static_cast<double>(all.master.frames));

    // The effects lead the music by 0 to 6 LU over the run and by no more
    // than 9 LU over any 3 s; a mix whose effects buried the music led by
    // about 9 LU, and by 12 at its loudest.
    const mixcheck::Balance b = mixcheck::compareParts(music.samples, effects.samples, all.channels, all.rate);
    SCOPED_TRACE(mixcheck::formatBalance(b));
    EXPECT_NEAR(b.music, -23.0, 1.0);
    EXPECT_GE(b.lead, 0.0) << "effects lost under the music";
    EXPECT_LE(b.lead, 6.0) << "effects bury the music";
    EXPECT_LE(b.loudestLead, 9.0) << "a stretch where the effects drown the music";
    EXPECT_GT(st.integrated, b.music) << "the whole is louder than the music alone";
}

}  // namespace
