// The tracker-module writer of the sound generator: what it writes is what
// libopenmpt reads back, notes play at their pitch, and format limits are
// refused instead of written as a broken file.
#include <gtest/gtest.h>

#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "xm.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// One cycle of a sine 168 samples long, repeated: 262.5 Hz at 44.1 kHz.
xm::Instrument sineInstrument() {
    xm::Instrument in;
    in.name = "sine";
    for (int i = 0; i < 168 * 64; ++i)
        in.data.push_back(static_cast<int16_t>(20000.0 * std::sin(kTwoPi * (i % 168) / 168.0)));
    in.loop = true;
    in.loopStart = 0;
    in.loopLength = static_cast<uint32_t>(in.data.size());
    in.envelope = {{0, 64}, {10, 64}, {20, 0}};
    in.sustainPoint = 1;
    xm::tune(in, 44100.0, 44100.0 / 168.0);
    return in;
}

xm::Module twoPatterns() {
    xm::Module m;
    m.name = "test";
    m.channels = 4;
    m.instruments = {sineInstrument()};
    m.patterns.emplace_back(64, 4);
    m.patterns.emplace_back(32, 4);
    m.patterns[0].at(0, 0) = {49, 1, 0x50, 0, 0};  // C-4, full volume
    m.patterns[0].at(16, 0).note = xm::kKeyOff;
    m.patterns[1].at(31, 3) = {0, 0, 0, 0x0B, 1};  // jump to order 1: loops on itself
    m.orders = {0, 1};
    return m;
}

std::unique_ptr<openmpt::module> load(const xm::Module& m) {
    std::ostringstream quiet;
    return std::make_unique<openmpt::module>(xm::write(m), quiet);
}

double dominantHz(const std::vector<float>& s, size_t start, size_t n) {
    double bestHz = 0.0, bestPower = -1.0;
    for (double hz = 100.0; hz < 2000.0; hz *= std::pow(2.0, 1.0 / 96.0)) {
        const double w = 2.0 * std::cos(kTwoPi * hz / 44100.0);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = start; i < start + n; ++i) {
            const double s0 = s[i] + w * s1 - s2;
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

TEST(SoundXm, WrittenModuleReadsBack) {
    auto mod = load(twoPatterns());
    EXPECT_EQ(mod->get_metadata("type"), "xm");
    EXPECT_EQ(mod->get_metadata("title"), "test");
    EXPECT_EQ(mod->get_num_channels(), 4);
    EXPECT_EQ(mod->get_num_orders(), 2);
    EXPECT_EQ(mod->get_num_patterns(), 2);
    EXPECT_EQ(mod->get_num_instruments(), 1);
    EXPECT_EQ(mod->get_pattern_num_rows(1), 32);
    EXPECT_EQ(mod->get_instrument_names().at(0), "sine");
    EXPECT_EQ(mod->get_pattern_row_channel_command(0, 0, 0, openmpt::module::command_instrument), 1);
    EXPECT_EQ(mod->get_pattern_row_channel_command(1, 31, 3, openmpt::module::command_parameter), 1);
    EXPECT_EQ(mod->get_num_subsongs(), 1) << "the jump closes a loop inside the song";
}

TEST(SoundXm, MiddleCSoundsAtItsPitchAndTheKeyOffEndsIt) {
    auto mod = load(twoPatterns());
    std::vector<float> pcm(44100 * 3);
    ASSERT_EQ(mod->read(44100, pcm.size(), pcm.data()), pcm.size());
    // Default tempo: 6 ticks of 20 ms a row, so the key-off comes at 1.92 s
    // and the release envelope is over 0.2 s later.
    const double hz = dominantHz(pcm, 4410, 16384);
    EXPECT_NEAR(hz, 261.63, 261.63 * 0.01);
    double tail = 0.0;
    for (size_t i = 44100 * 5 / 2; i < pcm.size(); ++i) tail = std::max(tail, static_cast<double>(std::fabs(pcm[i])));
    EXPECT_LT(tail, 0.001);
}

TEST(SoundXm, TuningCoversSampleRatesAndRefusesAbsurdOnes) {
    xm::Instrument in;
    xm::tune(in, 8363.0, 261.6255653);
    EXPECT_EQ(in.relativeNote, 0);
    EXPECT_EQ(in.finetune, 0);
    xm::tune(in, 16726.0, 261.6255653);  // twice the rate: an octave up
    EXPECT_EQ(in.relativeNote, 12);
    EXPECT_EQ(in.finetune, 0);
    xm::tune(in, 44100.0, 44100.0 / 168.0);
    EXPECT_EQ(in.relativeNote, 28);
    EXPECT_NEAR(in.finetune, 94, 1);
    EXPECT_THROW(xm::tune(in, 1e12, 1.0), std::invalid_argument);
}

TEST(SoundXm, FormatLimitsAreRefused) {
    xm::Module m = twoPatterns();
    m.orders.push_back(7);
    EXPECT_THROW(xm::write(m), std::invalid_argument) << "order names a missing pattern";

    m = twoPatterns();
    m.orders.assign(257, 0);
    EXPECT_THROW(xm::write(m), std::invalid_argument);

    m = twoPatterns();
    m.orders.clear();
    EXPECT_THROW(xm::write(m), std::invalid_argument);

    m = twoPatterns();
    m.patterns.emplace_back(64, 6);
    EXPECT_THROW(xm::write(m), std::invalid_argument) << "pattern of another channel count";

    m = twoPatterns();
    m.instruments[0].envelope.assign(13, {0, 64});
    EXPECT_THROW(xm::write(m), std::invalid_argument);
}

}  // namespace
