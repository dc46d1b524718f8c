// The loudness meter the sound tool sets every level with: the K-weighting
// curve, reference tones, gating, and how an effect is measured as played.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "loudness.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A sine at `dbfs` peak on every channel (or on the first one only).
std::vector<float> tone(double hz, double dbfs, double seconds, int channels, int rate = 44100, bool firstOnly = false) {
    const double a = std::pow(10.0, dbfs / 20.0);
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<float> out(frames * static_cast<size_t>(channels), 0.0f);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            if (c == 0 || !firstOnly)
                out[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                    static_cast<float>(a * std::sin(kTwoPi * hz * static_cast<double>(i) / rate));
    return out;
}

void append(std::vector<float>& to, const std::vector<float>& more) { to.insert(to.end(), more.begin(), more.end()); }

loudness::Meter metered(const std::vector<float>& s, int channels, int rate = 44100) {
    loudness::Meter m(rate, channels);
    m.add(s.data(), s.size() / static_cast<size_t>(channels));
    return m;
}

TEST(Loudness, FilterMatchesThePublished48kHzCoefficients) {
    const loudness::KFilter f(48000);
    const double* c = f.coefficients();
    const double expected[] = {1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241,
                               0.73248077421585, -1.99004745483398, 0.99007225036621};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(c[i], expected[i], 1e-8) << "coefficient " << i;
}

TEST(Loudness, ReferenceTonesReadTheirLevel) {
    // A 1 kHz sine at -23 dBFS on both channels reads -23 LUFS over any
    // window, at either rate.
    for (int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        const auto m = metered(tone(1000, -23, 20, 2, rate), 2, rate);
        EXPECT_NEAR(m.integrated(), -23.0, 0.1);
        EXPECT_NEAR(m.maxWindow(0.4), -23.0, 0.1);
        EXPECT_NEAR(m.maxWindow(3.0), -23.0, 0.1);
    }
    // Full scale on one channel alone: half the power of both.
    EXPECT_NEAR(metered(tone(997, 0, 5, 2, 44100, true), 2).integrated(), -3.01, 0.1);
}

TEST(Loudness, WeightingFollowsTheEar) {
    const double mid = metered(tone(1000, -20, 3, 1), 1).integrated();
    const double rumble = metered(tone(25, -20, 3, 1), 1).integrated();
    const double presence = metered(tone(4000, -20, 3, 1), 1).integrated();
    EXPECT_LT(rumble, mid - 6.0) << "the low cut";
    EXPECT_NEAR(presence - mid, 3.4, 0.6) << "the head's high shelf";
}

TEST(Loudness, GatingIgnoresQuietStretchesAndSilence) {
    // -36, -23, -36 dBFS: the quiet ends fall under the relative gate.
    std::vector<float> s = tone(1000, -36, 10, 2);
    append(s, tone(1000, -23, 60, 2));
    append(s, tone(1000, -36, 10, 2));
    EXPECT_NEAR(metered(s, 2).integrated(), -23.0, 0.1);
    // Pauses between bursts fall under the absolute gate: half the time
    // silent, yet far less than 3 dB lower (only blocks across an edge count).
    std::vector<float> bursts;
    for (int i = 0; i < 5; ++i) {
        append(bursts, tone(1000, -20, 2, 2));
        append(bursts, std::vector<float>(44100 * 2 * 2, 0.0f));
    }
    EXPECT_NEAR(metered(bursts, 2).integrated(), -20.0, 0.75);
    EXPECT_EQ(metered(std::vector<float>(44100 * 2, 0.0f), 2).integrated(), loudness::kSilent);
    EXPECT_EQ(loudness::Meter(44100, 2).maxWindow(0.4), loudness::kSilent) << "nothing measured";
}

TEST(Loudness, AnEffectIsMeasuredAsTheGamePlaysIt) {
    // Mono on both speakers reads like the same signal on two channels.
    const auto mono = tone(1000, -20, 1.0, 1);
    const loudness::EffectLevels e = loudness::measureEffect(mono, 44100);
    EXPECT_NEAR(e.momentaryMax, metered(tone(1000, -20, 1.0, 2), 2).maxWindow(0.4), 0.1);
    EXPECT_NEAR(e.momentaryMax, -20.0, 0.1);
    EXPECT_NEAR(e.peakDb, -20.0, 0.01);
    // A second of sound fills a third of the 3 s window.
    EXPECT_NEAR(e.shortTermMax, -20.0 - 10.0 * std::log10(3.0), 0.2);
    // A tenth of a second rings a quarter of the 400 ms window.
    const loudness::EffectLevels blip = loudness::measureEffect(tone(1000, -20, 0.1, 1), 44100);
    EXPECT_NEAR(blip.momentaryMax, -20.0 - 6.02, 0.3);
    EXPECT_EQ(loudness::measureEffect(std::vector<float>(4410, 0.0f), 44100).momentaryMax, loudness::kSilent);
}

}  // namespace
