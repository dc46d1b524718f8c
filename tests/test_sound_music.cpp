// The generated music module: it loads, every section the game jumps to plays
// sound and keeps looping inside itself, and the settings name real sections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/settings.h"
#include "loudness.h"

namespace {

const std::string kMusic = std::string(VM_TEST_DATA_DIR) + "/sound/music.mo3";
constexpr int kSections = 9;  // entry orders 0..8

std::unique_ptr<openmpt::module> loadMusic() {
    std::ifstream f(kMusic, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::ostringstream quiet;
    return std::make_unique<openmpt::module>(data, quiet);
}

double rmsDb(const std::vector<int16_t>& s) {
    double sum = 0.0;
    for (int16_t x : s) sum += static_cast<double>(x) * x;
    return 20.0 * std::log10(std::sqrt(sum / static_cast<double>(s.size())) / 32768.0 + 1e-12);
}

TEST(SoundMusic, ModuleHasTheSectionOrders) {
    auto mod = loadMusic();
    EXPECT_EQ(mod->get_metadata("type"), "xm");
    EXPECT_GE(mod->get_num_orders(), kSections);
    EXPECT_EQ(mod->get_num_subsongs(), kSections) << "each section is a tune of its own";
    EXPECT_GT(mod->get_duration_seconds(), 20.0);
}

TEST(SoundMusic, EverySectionPlaysAndLoopsOnItself) {
    auto mod = loadMusic();
    mod->set_repeat_count(-1);
    double total = 0.0;
    const int rate = 8000;  // positions do not depend on the rate; keep it cheap
    std::vector<int16_t> buf(static_cast<size_t>(rate / 10) * 2);
    for (int section = 0; section < kSections; ++section) {
        SCOPED_TRACE("section at order " + std::to_string(section));
        mod->set_position_order_row(section, 0);
        std::set<int> visited;
        int prevOrder = section, prevRow = 0;
        bool looped = false;
        double seconds = 0.0, firstLoop = 0.0;
        std::vector<int16_t> audio;
        for (; seconds < 150.0 && !looped; seconds += 0.1) {
            ASSERT_GT(mod->read_interleaved_stereo(rate, buf.size() / 2, buf.data()), 0u);
            if (seconds < 4.0) audio.insert(audio.end(), buf.begin(), buf.end());
            const int order = mod->get_current_order(), row = mod->get_current_row();
            visited.insert(order);
            if (order == section && (prevOrder != section || row < prevRow)) {
                looped = true;
                firstLoop = seconds;
            }
            prevOrder = order;
            prevRow = row;
        }
        EXPECT_TRUE(looped) << "the section never came back to its start";
        for (int other = 0; other < kSections; ++other) {
            if (other != section) {
                EXPECT_FALSE(visited.count(other)) << "ran into the section at order " << other;
            }
        }
        EXPECT_GT(rmsDb(audio), -35.0) << "silent";
        total += firstLoop;
    }
    EXPECT_GT(total, 180.0) << "several minutes of music in all";
}

TEST(SoundMusic, SettingsNameTheRightSections) {
    resetSettingsForTests();
    ASSERT_TRUE(selectIniFile(std::string(VM_TEST_DATA_DIR) + "/vm_game.ini", false));
    EXPECT_EQ(getIniString("Sound", "path", ""), "./sound/");
    std::set<int> orders;
    for (const char* key : {"intro", "menu", "story1", "story2", "story3"}) {
        const int order = getIniInt("Sound", key, -1);
        EXPECT_GE(order, 0) << key;
        EXPECT_LT(order, kSections) << key;
        orders.insert(order);
    }
    EXPECT_EQ(orders.size(), 5u) << "every key has its own tune";
    EXPECT_EQ(getIniInt("Sound", "intro", -1), 0);
    for (int ingame = 1; ingame <= 4; ++ingame) EXPECT_FALSE(orders.count(ingame)) << "orders 1 to 4 belong to play";
    resetSettingsForTests();
}

// Every section plays at the music's loudness, the level the effects are set
// against, with its peaks well clear of full scale. The sections are played
// one after another from one module, as the game jumps between them, so
// each must bring its own level along.
TEST(SoundMusic, EverySectionPlaysAtTheMusicLevel) {
    auto mod = loadMusic();
    mod->set_repeat_count(-1);
    std::vector<float> buf(4410 * 2);
    for (int section = kSections - 1; section >= 0; --section) {
        SCOPED_TRACE("section at order " + std::to_string(section));
        mod->set_position_order_row(section, 0);
        loudness::Meter meter(44100, 2);
        float peak = 0.0f;
        for (int block = 0; block < 400; ++block) {  // 40 s: every section loops within it
            const size_t n = mod->read_interleaved_stereo(44100, buf.size() / 2, buf.data());
            ASSERT_GT(n, 0u);
            meter.add(buf.data(), n);
            for (size_t i = 0; i < n * 2; ++i) peak = std::max(peak, std::fabs(buf[i]));
        }
        EXPECT_NEAR(meter.integrated(), -23.0, 1.0);
        EXPECT_LT(peak, 0.5f) << "peaks above -6 dBFS";
    }
}

#ifdef VM_OPENMPT123
// The stock player agrees: it reads the file, finds the nine tunes, and each
// one renders audible sound.
std::string run(const std::string& command, std::string* out) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return "cannot start";
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, p)) > 0) out->append(chunk, n);
    const int status = pclose(p);
    return status == 0 ? "" : "exit status " + std::to_string(status);
}

TEST(SoundMusic, Openmpt123PlaysEverySection) {
    std::string info;
    ASSERT_EQ(run(std::string(VM_OPENMPT123) + " --info '" + kMusic + "' 2>&1", &info), "");
    EXPECT_NE(info.find("Subsongs...: 9"), std::string::npos) << info;
    EXPECT_NE(info.find("xm"), std::string::npos) << info;
    for (int section = 0; section < kSections; ++section) {
        std::string raw;
        const std::string cmd = std::string(VM_OPENMPT123) + " -q --batch --stdout --no-float --samplerate 22050 --end-time 3 --subsong " +
                                std::to_string(section) + " '" + kMusic + "' 2>/dev/null";
        ASSERT_EQ(run(cmd, &raw), "") << cmd;
        std::vector<int16_t> pcm(raw.size() / 2);
        std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
        ASSERT_GT(pcm.size(), 22050u * 2u) << "section " << section << " rendered less than a second";
        EXPECT_GT(rmsDb(pcm), -35.0) << "section " << section;
    }
}
#endif

}  // namespace
