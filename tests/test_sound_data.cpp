// The generated sound folder: every effect the game plays is there, decodes,
// and has the level and shape its event calls for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "loudness.h"
#include "sound_support.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

const std::string kSoundDir = std::string(VM_TEST_DATA_DIR) + "/sound/";

std::vector<std::string> gameEffects() {
    std::vector<std::string> names = {
        "button_click", "button_point", "gun_shoot", "gun_cant_shoot", "gun_overcharge", "gun_heat", "gun_chcolor_rb",
        "collision_wall_ball", "collision_wall_bonus", "collision_magnet_ball", "collision_magnet_bonus",
        "collision_ball_ball", "collision_ball_bonus", "collision_connect", "ball_explode_common_1",
        "ball_explode_common_3", "ball_explode_common_4", "ball_combo_1", "ball_combo_2", "ball_combo_3", "score_add",
        "score_bonus", "bonus_bomb", "bonus_ink", "bonus_rocket", "bonus_degauss", "bonus_fireball",
        "bonus_fireball_mega", "bonus_lightning", "bonus_lightning_mega", "spawn_crystal", "catch_crystal", "game_new",
        "game_win", "game_end", "game_warning", "rock_fall", "wall_down", "wall_up", "doors_open", "magnit_explode",
        "magnit_map_fly", "magnit_map_epl"};
    char buf[32];
    for (int i = 1; i <= 14; ++i) {
        std::snprintf(buf, sizeof buf, "ball_explode_c%02d_2", i);
        names.push_back(buf);
    }
    for (int i = 1; i <= 15; ++i) {
        std::snprintf(buf, sizeof buf, "ball_gather%02d", i);
        names.push_back(buf);
    }
    return names;
}

const std::vector<std::string> kFrequent = {"button_point", "collision_wall_ball", "collision_wall_bonus",
                                            "collision_magnet_ball", "collision_magnet_bonus",
                                            "collision_ball_ball", "collision_ball_bonus", "collision_connect"};
const std::vector<std::string> kBigEvents = {"bonus_bomb", "bonus_lightning", "bonus_fireball_mega", "game_win",
                                             "game_end", "rock_fall", "magnit_explode", "ball_combo_3"};

DecodedSound effect(const std::string& name) { return decodeOgg(kSoundDir + name + ".ogg"); }

// The loudest 400 ms as the game plays the effect, LUFS.
double loudnessOf(const std::string& name) { return loudness::measureEffect(effect(name).mono, 44100).momentaryMax; }

// Effects are set against music at -23 LUFS, and no file peaks above -6 dBFS.
constexpr double kCeilingDb = -6.0;

TEST(SoundData, EveryEffectExistsDecodesAndIsShapedForPlay) {
    for (const auto& name : gameEffects()) {
        SCOPED_TRACE(name);
        const DecodedSound d = effect(name);
        ASSERT_TRUE(d.ok) << "missing or undecodable";
        EXPECT_EQ(d.rate, 44100);
        const double seconds = static_cast<double>(d.mono.size()) / 44100.0;
        EXPECT_GE(seconds, 0.04);
        EXPECT_LE(seconds, 3.0);
        EXPECT_LE(peakDb(d.mono), kCeilingDb + 0.05) << "leaves the mix too little headroom";
        const double lufs = loudness::measureEffect(d.mono, 44100).momentaryMax;
        EXPECT_GE(lufs, -36.0) << "too faint to hear over the music";
        EXPECT_LE(lufs, -16.0) << "louder than the music can take";
        EXPECT_GE(rmsDb(d.mono), -50.0) << "silence where a sound is expected";
        // Short fades: no click where playback starts or stops.
        EXPECT_LT(std::fabs(d.mono.front()), 0.02f);
        EXPECT_LT(std::fabs(d.mono.back()), 0.02f);
        // No dead air in front of the event: within 10 ms it is no more than
        // 40 dB below its peak.
        const float audible = std::pow(10.0f, static_cast<float>(peakDb(d.mono)) / 20.0f) * 0.01f;
        const auto loud =
            std::find_if(d.mono.begin(), d.mono.end(), [audible](float x) { return std::fabs(x) > audible; });
        EXPECT_LT(std::distance(d.mono.begin(), loud), 441) << "more than 10 ms of silence before the sound";
    }
}

TEST(SoundData, ChargingHumLoopsWithoutASeam) {
    const DecodedSound d = decodeOgg(kSoundDir + "gun_startcharge.ogg");
    ASSERT_TRUE(d.ok);
    ASSERT_GT(d.mono.size(), 4410u);
    EXPECT_GE(rmsDb(d.mono), -30.0);
    // Across the seam the wave moves no more than it does anywhere inside.
    float largestStep = 0.0f;
    for (size_t i = 1; i < d.mono.size(); ++i) largestStep = std::max(largestStep, std::fabs(d.mono[i] - d.mono[i - 1]));
    EXPECT_LE(std::fabs(d.mono.front() - d.mono.back()), largestStep * 1.5f);
}

TEST(SoundData, FrequentSoundsSitBelowTheBigEvents) {
    double loudestFrequent = -200.0, quietestBig = 0.0;
    for (const auto& n : kFrequent) loudestFrequent = std::max(loudestFrequent, loudnessOf(n));
    for (const auto& n : kBigEvents) quietestBig = std::min(quietestBig, loudnessOf(n));
    EXPECT_LT(loudestFrequent + 6.0, quietestBig);
    // Above the music, so that they are heard over it.
    for (const auto& n : kBigEvents) EXPECT_GT(loudnessOf(n), -20.0) << n;
}

// One row of the generated levels table, "| sound | seconds | target |
// loudest 400 ms | loudest 3 s | peak | note |".
struct LevelRow {
    double target = 0, momentary = 0, peak = 0;
    std::string note;
};

std::map<std::string, LevelRow> levelsTable() {
    std::map<std::string, LevelRow> rows;
    std::ifstream f(kSoundDir + "levels.txt");
    std::string line;
    while (std::getline(f, line)) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, '|')) {
            const size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
            cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
        }
        if (cells.size() < 8 || cells[1].find(".ogg") == std::string::npos) continue;
        LevelRow r;
        r.target = std::atof(cells[3].c_str());
        r.momentary = std::atof(cells[4].c_str());
        r.peak = std::atof(cells[6].c_str());
        r.note = cells[7];
        rows[cells[1].substr(0, cells[1].size() - 4)] = r;
    }
    return rows;
}

// The table the build writes tells the truth about the files, and every
// effect reaches its loudness target unless its peak holds it back.
TEST(SoundData, EveryEffectIsOnItsTargetAsTheLevelsTableSays) {
    const auto rows = levelsTable();
    ASSERT_FALSE(rows.empty()) << "no levels.txt beside the sounds";
    auto names = gameEffects();
    names.push_back("gun_startcharge");
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        auto it = rows.find(name);
        ASSERT_NE(it, rows.end()) << "missing from the table";
        const LevelRow& r = it->second;
        const DecodedSound d = effect(name);
        const loudness::EffectLevels lv = loudness::measureEffect(d.mono, 44100);
        EXPECT_NEAR(r.momentary, lv.momentaryMax, 0.15);
        EXPECT_NEAR(r.peak, lv.peakDb, 0.15);
        if (r.note == "held back by its peak") {
            EXPECT_LT(lv.momentaryMax, r.target);
            EXPECT_GT(lv.peakDb, kCeilingDb - 1.5) << "held back, yet far below the ceiling";
        } else {
            EXPECT_NEAR(lv.momentaryMax, r.target, 0.6);
        }
    }
}

// The strongest tone after the attack, scanned in quarter-semitone steps
// from 200 Hz to 4.4 kHz (Goertzel over a Hann-windowed stretch).
double dominantHz(const std::vector<float>& s) {
    const size_t start = 882, n = 4096;
    if (s.size() < start + n) return 0.0;
    double bestHz = 0.0, bestPower = -1.0;
    for (double hz = 200.0; hz < 4400.0; hz *= std::pow(2.0, 1.0 / 48.0)) {
        const double w = 2.0 * std::cos(kTwoPi * hz / 44100.0);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double window = 0.5 - 0.5 * std::cos(kTwoPi * static_cast<double>(i) / (n - 1));
            const double s0 = s[start + i] * window + w * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - w * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            bestHz = hz;
        }
    }
    return bestHz;
}

TEST(SoundData, GatherSeriesRisesStepByStep) {
    double previousRate = 0.0, previousLength = 0.0;
    char name[32];
    for (int i = 1; i <= 15; ++i) {
        std::snprintf(name, sizeof name, "ball_gather%02d", i);
        SCOPED_TRACE(name);
        const DecodedSound d = effect(name);
        ASSERT_TRUE(d.ok);
        const double rate = dominantHz(d.mono);
        EXPECT_GT(rate, previousRate * 1.03) << "each combo step sounds higher than the last";
        EXPECT_GE(static_cast<double>(d.mono.size()), previousLength);
        previousRate = rate;
        previousLength = static_cast<double>(d.mono.size());
    }
}

TEST(SoundData, EachBallTypeHasItsOwnExplosion) {
    std::vector<std::vector<float>> seen;
    char name[32];
    for (int i = 1; i <= 14; ++i) {
        std::snprintf(name, sizeof name, "ball_explode_c%02d_2", i);
        const DecodedSound d = effect(name);
        ASSERT_TRUE(d.ok) << name;
        for (const auto& other : seen) EXPECT_NE(other, d.mono) << name << " repeats another type's sound";
        seen.push_back(d.mono);
    }
}

}  // namespace
