#include "effects.h"

#include <cmath>
#include <cstdio>

namespace sfx {

namespace {

// Loudness classes, as the sound tool measures them (the loudest 400 ms,
// K-weighted, on both speakers), set against music at -23 LUFS. Single
// events sit a little above the music; an exploding group plays one layer
// per ball, so a layer sits lower and three of them together reach an
// event's level; cues and the contacts, which come by the dozen on a busy
// field, sit well below. A busy field then adds about -20 LUFS of effects
// to the music instead of burying it.
constexpr double kBig = -18.0;      // rare, field-wide events
constexpr double kEvent = -21.0;    // shots, bonuses, crystals, single events
constexpr double kLayer = -24.0;    // one ball's share of an explosion
constexpr double kCue = -25.0;      // the interface, the gun's and the score's cues
constexpr double kContact = -30.0;  // contacts: frequent, in bursts
constexpr double kTick = -33.0;     // the smallest ticks, by the dozen

// Fades against clicks; the level is set afterwards, from the target.
Buf finish(Buf b, double fadeOut = 0.015) {
    fadeEdges(b, 0.002, fadeOut);
    normalizePeak(b, -6.0);
    return b;
}

// A drum-like body: a sine whose pitch falls exponentially while it decays.
Buf thud(double len, double hz0, double hz1, double pitchTau, double tau) {
    Buf b = osc(len, Wave::Sine, [=](double t) { return hz1 + (hz0 - hz1) * std::exp(-t / pitchTau); });
    applyCurve(b, expDecay(0.002, tau));
    return b;
}

// Filtered noise with a moving cutoff and its own decay.
Buf hiss(double len, uint32_t seed, const Curve& cutoff, const Curve& gain, bool band = false, double q = 1.0) {
    Buf b = noise(len, seed);
    if (band)
        bandpass(b, cutoff, q);
    else
        lowpass(b, cutoff, q);
    applyCurve(b, gain);
    return b;
}

// Random short ticks: sparks, crackling fire, falling grit.
Buf crackle(double len, uint32_t seed, double perSecond, double brightHz, const Curve& density) {
    Rng rng(seed);
    Buf b(static_cast<size_t>(samplesFor(len)), 0.0f);
    const double p = perSecond / kRate;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (rng.uniform() < p * density(t)) {
            const double amp = 0.3 + 0.7 * rng.uniform();
            const int n = 40 + static_cast<int>(rng.uniform() * 200);
            for (int k = 0; k < n && i + static_cast<size_t>(k) < b.size(); ++k)
                b[i + static_cast<size_t>(k)] +=
                    static_cast<float>(amp * rng.bipolar() * std::exp(-k / (n * 0.25)));
        }
    }
    highpass(b, [brightHz](double) { return brightHz; });
    return b;
}

// A struck metal or glass body with slightly inharmonic partials.
Buf chime(double len, double hz, double decay, int richness) {
    std::vector<Partial> ps = {{1.0, 1.0, decay}, {2.0, 0.45, decay * 0.6}, {3.01, 0.25, decay * 0.4}};
    for (int k = 0; k < richness; ++k)
        ps.push_back({4.0 + k * 1.37, 0.18 / (1.0 + k * 0.5), decay * 0.3 / (1.0 + k * 0.3)});
    Buf b = bell(len, hz, ps);
    applyCurve(b, expDecay(0.003, 10.0));
    return b;
}

Buf metalHit(double len, double hz, double decay) {
    return bell(len, hz, {{1.0, 1.0, decay}, {2.76, 0.6, decay * 0.7}, {5.40, 0.35, decay * 0.45},
                          {8.93, 0.2, decay * 0.3}, {13.3, 0.1, decay * 0.2}});
}

Buf blip(double len, Wave w, double hz0, double hz1, double tau) {
    Buf b = osc(len, w, ramp(0.0, hz0, len, hz1));
    applyCurve(b, expDecay(0.003, tau));
    return b;
}

Buf explosion(double len, uint32_t seed, double bright, double tau, double sub) {
    Buf b = hiss(len, seed, expRamp(0.0, bright, len, 120.0), expDecay(0.004, tau), false, 0.9);
    mixInto(b, thud(len, 110.0, 38.0, 0.12, tau * 1.2), sub);
    Buf cr = crackle(len * 0.7, seed + 7, 220.0, 1500.0, expDecay(0.0, tau * 0.6));
    mixInto(b, cr, 0.35);
    softClip(b, 1.6);
    return b;
}

// Major pentatonic from C5: the colour explosions and crystal shimmer stay in
// one key with the music.
const double kPenta[] = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21, 24};

Effect fx(const char* name, double loudness, Buf b) {
    return Effect{std::string(name) + ".ogg", std::move(b), false, loudness};
}

}  // namespace

std::vector<Effect> makeEffects() {
    std::vector<Effect> out;

    // Widgets.
    {
        Buf b = hiss(0.05, 11, [](double) { return 5000.0; }, expDecay(0.0005, 0.006), true, 1.5);
        mixInto(b, blip(0.06, Wave::Sine, 2100.0, 1700.0, 0.012), 0.8);
        mixInto(b, thud(0.06, 420.0, 260.0, 0.01, 0.015), 0.5);
        out.push_back(fx("button_click", kCue, finish(b, 0.01)));
    }
    {
        Buf b = blip(0.07, Wave::Triangle, 1500.0, 1900.0, 0.02);
        lowpass(b, [](double) { return 4000.0; });
        out.push_back(fx("button_point", kTick, finish(b, 0.02)));
    }

    // Gun.
    {
        Buf b = thud(0.35, 190.0, 55.0, 0.04, 0.09);
        mixInto(b, hiss(0.35, 21, expRamp(0.0, 3500.0, 0.3, 500.0), expDecay(0.003, 0.07), true, 1.2), 0.7);
        mixInto(b, hiss(0.05, 22, [](double) { return 7000.0; }, expDecay(0.0005, 0.008)), 0.4);
        softClip(b, 1.4);
        out.push_back(fx("gun_shoot", kEvent, finish(b, 0.05)));
    }
    {
        // Seamless hum: every partial and the wobble complete whole cycles in
        // the loop's one second, and there are no fades.
        const double len = 1.0;
        Buf b(static_cast<size_t>(samplesFor(len)), 0.0f);
        const double parts[][2] = {{110, 0.6}, {111, 0.35}, {220, 0.35}, {221, 0.2}, {330, 0.2}, {440, 0.12}, {662, 0.06}};
        for (const auto& p : parts)
            for (size_t i = 0; i < b.size(); ++i)
                b[i] += static_cast<float>(p[1] * std::sin(2.0 * kPi * p[0] * static_cast<double>(i) / kRate));
        for (size_t i = 0; i < b.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            b[i] *= static_cast<float>(0.8 + 0.2 * std::sin(2.0 * kPi * 6.0 * t));
        }
        softClip(b, 1.3);
        // A held hum under every charged shot: below the cues.
        normalizePeak(b, -6.0);
        out.push_back(Effect{"gun_startcharge.ogg", std::move(b), true, kCue - 2.0});
    }
    {
        Buf b(0, 0.0f);
        for (int k = 0; k < 2; ++k) {
            Buf p = osc(0.09, Wave::Square, ramp(0.0, 196.0, 0.09, 150.0));
            lowpass(p, [](double) { return 1400.0; });
            applyCurve(p, adsr(0.004, 0.02, 0.7, 0.04, 0.025));
            mixInto(b, p, 1.0, k * 0.12);
        }
        mixInto(b, hiss(0.05, 31, [](double) { return 900.0; }, expDecay(0.001, 0.01)), 0.5);
        out.push_back(fx("gun_cant_shoot", kCue, finish(b, 0.02)));
    }
    {
        const double len = 0.8;
        Buf b = osc(len, Wave::Saw, expRamp(0.0, 180.0, 0.25, 1400.0));
        lowpass(b, expRamp(0.0, 800.0, 0.25, 6000.0), 2.0);
        applyCurve(b, [](double t) { return (t < 0.25 ? 0.3 + 2.8 * t : std::exp(-(t - 0.25) / 0.08)); });
        mixInto(b, crackle(len, 41, 900.0, 2500.0, expDecay(0.2, 0.2)), 0.7);
        mixInto(b, explosion(0.5, 42, 6000.0, 0.12, 0.5), 0.8, 0.22);
        out.push_back(fx("gun_overcharge", kEvent, finish(b, 0.06)));
    }
    {
        Buf b = hiss(0.8, 51, [](double) { return 3500.0; }, adsr(0.03, 0.2, 0.5, 0.2, 0.35));
        highpass(b, [](double) { return 2500.0; });
        Buf s = hiss(0.8, 52, [](double t) { return 5200.0 - 1500.0 * t; }, adsr(0.03, 0.2, 0.5, 0.2, 0.35), true, 4.0);
        mixInto(b, s, 0.5);
        out.push_back(fx("gun_heat", kCue, finish(b, 0.1)));
    }
    {
        Buf b(0, 0.0f);
        for (int k = 0; k < 3; ++k)
            mixInto(b, hiss(0.02, 61 + static_cast<uint32_t>(k), [](double) { return 3000.0; }, expDecay(0.0005, 0.004), true, 2.0),
                    1.0 - 0.2 * k, 0.03 * k);
        mixInto(b, blip(0.12, Wave::Triangle, 600.0, 950.0, 0.04), 0.6, 0.05);
        out.push_back(fx("gun_chcolor_rb", kCue, finish(b, 0.02)));
    }

    // Contacts: short and quiet, they come in bursts.
    {
        Buf b = thud(0.14, 150.0, 85.0, 0.02, 0.035);
        mixInto(b, hiss(0.03, 71, [](double) { return 1200.0; }, expDecay(0.0005, 0.006)), 0.5);
        out.push_back(fx("collision_wall_ball", kContact, finish(b)));
    }
    {
        Buf b = thud(0.25, 170.0, 95.0, 0.02, 0.04);
        mixInto(b, metalHit(0.25, 620.0, 0.07), 0.45);
        out.push_back(fx("collision_wall_bonus", kContact + 1.0, finish(b, 0.03)));
    }
    {
        Buf b = metalHit(0.35, 415.0, 0.08);
        mixInto(b, thud(0.1, 240.0, 160.0, 0.01, 0.02), 0.6);
        out.push_back(fx("collision_magnet_ball", kContact, finish(b, 0.05)));
    }
    {
        Buf b = metalHit(0.45, 523.0, 0.12);
        mixInto(b, chime(0.45, 1568.0, 0.12, 2), 0.35, 0.01);
        out.push_back(fx("collision_magnet_bonus", kContact + 1.0, finish(b, 0.06)));
    }
    {
        Buf b = bell(0.08, 2200.0, {{1.0, 1.0, 0.012}, {1.52, 0.6, 0.009}, {2.3, 0.3, 0.006}});
        mixInto(b, hiss(0.01, 81, [](double) { return 6000.0; }, expDecay(0.0003, 0.002)), 0.3);
        out.push_back(fx("collision_ball_ball", kTick, finish(b, 0.01)));
    }
    {
        Buf b = bell(0.15, 1760.0, {{1.0, 1.0, 0.02}, {1.5, 0.7, 0.02}, {2.51, 0.3, 0.012}});
        mixInto(b, bell(0.12, 2637.0, {{1.0, 0.6, 0.025}}), 1.0, 0.025);
        out.push_back(fx("collision_ball_bonus", kTick + 2.0, finish(b, 0.02)));
    }
    {
        Buf b = blip(0.12, Wave::Sine, 800.0, 1700.0, 0.035);
        mixInto(b, hiss(0.015, 91, [](double) { return 4000.0; }, expDecay(0.0003, 0.003), true, 2.0), 0.6);
        out.push_back(fx("collision_connect", kContact, finish(b, 0.02)));
    }

    // Explosions: a shared pop, a spark tail and a low thump, plus one
    // character sound per ball type.
    {
        Buf b = hiss(0.3, 101, expRamp(0.0, 2500.0, 0.2, 600.0), expDecay(0.002, 0.05), true, 1.0);
        mixInto(b, thud(0.3, 420.0, 110.0, 0.03, 0.06), 0.7);
        out.push_back(fx("ball_explode_common_1", kLayer, finish(b, 0.03)));
    }
    {
        Buf b = crackle(0.6, 111, 260.0, 2500.0, expDecay(0.0, 0.2));
        mixInto(b, chime(0.6, 2637.0, 0.15, 3), 0.15, 0.02);
        out.push_back(fx("ball_explode_common_3", kLayer - 2.0, finish(b, 0.08)));
    }
    {
        Buf b = hiss(0.7, 121, expRamp(0.0, 900.0, 0.6, 150.0), expDecay(0.005, 0.16));
        mixInto(b, thud(0.7, 90.0, 45.0, 0.1, 0.2), 0.8);
        out.push_back(fx("ball_explode_common_4", kLayer - 1.0, finish(b, 0.1)));
    }
    for (int type = 0; type < 14; ++type) {
        Buf b;
        const uint32_t seed = 200 + static_cast<uint32_t>(type) * 3;
        if (type < 8) {
            // Colours: a glassy burst tuned to its own pentatonic note, each
            // with its own brightness.
            const double hz = noteHz(72 + kPenta[type]);
            b = chime(0.7, hz, 0.22, 1 + type % 4);
            Buf shards = hiss(0.4, seed, expRamp(0.0, 7000.0 - type * 300.0, 0.3, 2000.0), expDecay(0.001, 0.05), true, 1.4);
            mixInto(b, shards, 0.6);
            Buf fmPart = fm(0.5, [hz](double) { return hz * 0.5; }, 1.0 + 0.5 * (type % 3), expRamp(0.0, 4.0, 0.5, 0.1));
            applyCurve(fmPart, expDecay(0.003, 0.1));
            mixInto(b, fmPart, 0.4);
        } else if (type < 11) {
            // Free balls: bubbly pops.
            const double base = 300.0 + (type - 8) * 140.0;
            b = Buf(0, 0.0f);
            for (int k = 0; k < 3 + (type - 8); ++k) {
                Buf p = osc(0.12, Wave::Sine, expRamp(0.0, base * (1.0 + 0.25 * k), 0.1, base * (2.2 + 0.3 * k)));
                applyCurve(p, expDecay(0.003, 0.03));
                mixInto(b, p, 1.0 - 0.15 * k, 0.055 * k);
            }
        } else if (type == 11) {
            // The bonus ball: a sparkling upward arpeggio.
            b = Buf(0, 0.0f);
            for (int k = 0; k < 5; ++k) mixInto(b, chime(0.5, noteHz(76 + kPenta[k + 2]), 0.15, 3), 0.8, 0.05 * k);
            mixInto(b, crackle(0.6, seed, 300.0, 5000.0, expDecay(0.0, 0.2)), 0.25);
        } else {
            // Fireballs: a roaring burst, the mega one longer and lower.
            const bool mega = type == 13;
            const double len = mega ? 1.3 : 0.8;
            b = hiss(len, seed, expRamp(0.0, mega ? 2500.0 : 4000.0, len, 300.0), expDecay(0.01, mega ? 0.35 : 0.2), false, 1.2);
            mixInto(b, crackle(len, seed + 1, 500.0, 1800.0, expDecay(0.0, mega ? 0.5 : 0.3)), 0.6);
            mixInto(b, thud(len, 120.0, 40.0, 0.1, mega ? 0.4 : 0.2), mega ? 0.9 : 0.5);
            softClip(b, 1.5);
        }
        char name[40];
        std::snprintf(name, sizeof name, "ball_explode_c%02d_2", type + 1);
        // Colours are one layer of a group's explosion; the special balls
        // go off on their own.
        const double level = type < 8 ? kLayer : type < 11 ? kLayer + 1.0 : type == 13 ? kEvent + 1.0 : kEvent;
        out.push_back(fx(name, level, finish(b, 0.06)));
    }

    // Scoring. The gather series climbs a major scale, and each step adds
    // partials and a layered upper voice, so a long combo sounds ever richer.
    {
        const int major[] = {0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19, 21, 23, 24};
        for (int k = 0; k < 15; ++k) {
            const double hz = noteHz(67 + major[k]);
            const double len = 0.35 + 0.03 * k;
            Buf b = chime(len, hz, 0.12 + 0.01 * k, k / 2);
            if (k >= 3) mixInto(b, chime(len, hz * 1.5, 0.1 + 0.008 * k, k / 3), 0.25 + 0.02 * k, 0.03);
            if (k >= 7) mixInto(b, chime(len, hz * 2.0, 0.1, k / 4), 0.2 + 0.02 * k, 0.06);
            if (k >= 11) mixInto(b, crackle(len, 300 + static_cast<uint32_t>(k), 200.0 + 40.0 * k, 6000.0, expDecay(0.0, 0.15)), 0.12);
            char name[40];
            std::snprintf(name, sizeof name, "ball_gather%02d", k + 1);
            out.push_back(fx(name, kEvent - 2.0 + k * 0.2, finish(b, 0.05)));
        }
    }
    for (int level = 1; level <= 3; ++level) {
        // Banner fanfares: longer and wider arpeggios for bigger groups.
        const int notes = 2 + level * 2;
        const double chord[] = {0, 4, 7, 12, 16, 19, 24, 28};
        Buf b(0, 0.0f);
        for (int k = 0; k < notes; ++k) {
            Buf n = osc(0.5 + 0.2 * level, Wave::Saw, [k, &chord](double t) {
                return noteHz(67 + chord[k]) * (1.0 + 0.003 * std::sin(2.0 * kPi * 5.5 * t));
            });
            lowpass(n, expRamp(0.0, 5000.0, 0.5, 1500.0));
            applyCurve(n, adsr(0.01, 0.1, 0.6, 0.15 + 0.1 * level, 0.25));
            mixInto(b, n, 0.5, 0.07 * k);
        }
        if (level >= 2) mixInto(b, crackle(0.8, 400 + static_cast<uint32_t>(level), 300.0, 6000.0, expDecay(0.1, 0.3)), 0.15);
        echo(b, 0.11, 0.3, 0.3, 0.3);
        char name[40];
        std::snprintf(name, sizeof name, "ball_combo_%d", level);
        out.push_back(fx(name, level == 3 ? kBig : kEvent + level, finish(b, 0.12)));
    }
    {
        Buf b = blip(0.09, Wave::Square, 988.0, 988.0, 0.05);
        lowpass(b, [](double) { return 5000.0; });
        Buf c = blip(0.2, Wave::Square, 1319.0, 1319.0, 0.07);
        lowpass(c, [](double) { return 5000.0; });
        mixInto(b, c, 1.0, 0.07);
        out.push_back(fx("score_add", kCue, finish(b, 0.04)));
    }
    {
        Buf b = chime(0.25, 1760.0, 0.06, 2);
        mixInto(b, chime(0.2, 2637.0, 0.05, 1), 0.5, 0.03);
        out.push_back(fx("score_bonus", kCue, finish(b, 0.03)));
    }

    // Bonuses and crystals.
    out.push_back(fx("bonus_bomb", kBig, finish(explosion(1.4, 501, 5000.0, 0.3, 1.0), 0.15)));
    {
        Buf b = hiss(0.7, 511, expRamp(0.0, 3000.0, 0.25, 300.0), expDecay(0.004, 0.12), false, 2.5);
        for (int k = 0; k < 4; ++k) {
            Buf g = osc(0.1, Wave::Sine, expRamp(0.0, 180.0 + 40.0 * k, 0.1, 420.0 + 50.0 * k));
            applyCurve(g, expDecay(0.005, 0.025));
            mixInto(b, g, 0.5, 0.12 + 0.09 * k);
        }
        out.push_back(fx("bonus_ink", kEvent, finish(b, 0.08)));
    }
    {
        const double len = 1.3;
        Buf b = hiss(len, 521, expRamp(0.0, 400.0, 0.9, 4500.0), adsr(0.15, 0.1, 0.9, 0.6, 0.45), true, 1.5);
        Buf engine = osc(len, Wave::Saw, expRamp(0.0, 70.0, 0.9, 160.0));
        lowpass(engine, [](double) { return 900.0; });
        applyCurve(engine, adsr(0.1, 0.1, 0.8, 0.7, 0.3));
        mixInto(b, engine, 0.35);
        mixInto(b, explosion(0.4, 522, 3000.0, 0.08, 0.6), 0.7, 0.9);
        out.push_back(fx("bonus_rocket", kEvent + 1.0, finish(b, 0.1)));
    }
    {
        const double len = 1.1;
        Buf b = osc(len, Wave::Saw, [](double t) { return 800.0 * std::exp(-t * 2.3) * (1.0 + 0.15 * std::sin(2.0 * kPi * 9.0 * t)); });
        lowpass(b, expRamp(0.0, 6000.0, len, 300.0), 3.0);
        applyCurve(b, adsr(0.01, 0.2, 0.8, 0.5, 0.38));
        mixInto(b, crackle(len, 531, 150.0, 3000.0, expDecay(0.0, 0.3)), 0.3);
        out.push_back(fx("bonus_degauss", kEvent, finish(b, 0.1)));
    }
    for (int mega = 0; mega < 2; ++mega) {
        const double len = mega ? 1.7 : 1.0;
        Buf b = hiss(len, 541 + static_cast<uint32_t>(mega), [len](double t) { return 300.0 + 2500.0 * std::sin(kPi * t / len); },
                     adsr(0.06, 0.25, 0.8, len * 0.3, len * 0.45), false, 1.5);
        mixInto(b, crackle(len, 543 + static_cast<uint32_t>(mega), mega ? 700.0 : 450.0, 1500.0, adsr(0.03, 0.1, 1.0, len * 0.4, len * 0.4)), 0.5);
        if (mega) mixInto(b, thud(len, 70.0, 35.0, 0.3, 0.6), 0.7);
        softClip(b, 1.3);
        out.push_back(fx(mega ? "bonus_fireball_mega" : "bonus_fireball", mega ? kBig : kEvent + 1.0, finish(b, 0.15)));
    }
    for (int mega = 0; mega < 2; ++mega) {
        const double len = mega ? 1.9 : 1.1;
        Rng rng(551 + static_cast<uint32_t>(mega));
        // Electric crackle gated in random bursts, then a thunder tail.
        Buf zap = noise(len, 552 + static_cast<uint32_t>(mega));
        highpass(zap, [](double) { return 1800.0; });
        double gate = 1.0;
        for (size_t i = 0; i < zap.size(); ++i) {
            if (i % 441 == 0) gate = rng.uniform() < 0.6 ? 1.0 : 0.15;
            zap[i] *= static_cast<float>(gate);
        }
        applyCurve(zap, expDecay(0.002, mega ? 0.35 : 0.18));
        Buf b = zap;
        Buf buzz = osc(len * 0.5, Wave::Saw, [](double t) { return 120.0 + 40.0 * std::sin(2.0 * kPi * 23.0 * t); });
        applyCurve(buzz, expDecay(0.002, 0.1));
        mixInto(b, buzz, 0.35);
        mixInto(b, hiss(len, 553 + static_cast<uint32_t>(mega), expRamp(0.0, 800.0, len, 120.0), expDecay(0.05, mega ? 0.6 : 0.35)), 1.2, 0.06);
        softClip(b, 1.8);
        out.push_back(fx(mega ? "bonus_lightning_mega" : "bonus_lightning", kBig, finish(b, 0.15)));
    }
    {
        Buf b(0, 0.0f);
        for (int k = 0; k < 6; ++k) mixInto(b, chime(0.5, noteHz(84 + kPenta[k]), 0.12, 2), 0.7, 0.06 * k);
        mixInto(b, hiss(0.8, 561, expRamp(0.0, 3000.0, 0.7, 9000.0), adsr(0.2, 0.1, 0.6, 0.2, 0.3), true, 3.0), 0.2);
        echo(b, 0.09, 0.35, 0.3, 0.25);
        out.push_back(fx("spawn_crystal", kEvent - 1.0, finish(b, 0.1)));
    }
    {
        Buf b = chime(0.9, noteHz(79), 0.3, 3);
        mixInto(b, chime(0.9, noteHz(83), 0.3, 2), 0.7, 0.04);
        mixInto(b, chime(0.9, noteHz(86), 0.3, 2), 0.6, 0.08);
        mixInto(b, crackle(0.8, 571, 350.0, 7000.0, expDecay(0.0, 0.25)), 0.2);
        out.push_back(fx("catch_crystal", kEvent, finish(b, 0.1)));
    }

    // Game flow.
    {
        Buf b(0, 0.0f);
        const double notes[] = {67, 72, 79};
        for (int k = 0; k < 3; ++k) {
            const double len = k == 2 ? 0.6 : 0.14;
            Buf n = osc(len, Wave::Square, [k, &notes](double) { return noteHz(notes[k]); });
            lowpass(n, [](double) { return 3500.0; });
            applyCurve(n, adsr(0.005, 0.05, 0.7, len - 0.12, 0.06));
            mixInto(b, n, 0.6, 0.15 * k);
        }
        echo(b, 0.12, 0.25, 0.25, 0.2);
        out.push_back(fx("game_new", kEvent, finish(b, 0.08)));
    }
    {
        Buf b(0, 0.0f);
        const double notes[] = {60, 64, 67, 72, 76, 79, 84};
        for (int k = 0; k < 7; ++k) {
            const double len = 2.2 - 0.1 * k;
            Buf n = osc(len, Wave::Saw, [k, &notes](double t) {
                return noteHz(notes[k]) * (1.0 + 0.004 * std::sin(2.0 * kPi * 5.0 * t));
            });
            lowpass(n, expRamp(0.0, 6000.0, len, 1200.0));
            applyCurve(n, adsr(0.01, 0.2, 0.6, len - 0.8, 0.55));
            mixInto(b, n, 0.35, 0.08 * k);
        }
        mixInto(b, crackle(1.5, 581, 300.0, 6000.0, expDecay(0.3, 0.5)), 0.1);
        echo(b, 0.15, 0.3, 0.25, 0.3);
        out.push_back(fx("game_win", kBig, finish(b, 0.25)));
    }
    {
        Buf b(0, 0.0f);
        const double notes[] = {67, 63, 60, 55};
        for (int k = 0; k < 4; ++k) {
            const double len = k == 3 ? 1.2 : 0.4;
            Buf n = osc(len, Wave::Triangle, [k, &notes](double t) {
                return noteHz(notes[k]) * (k == 3 ? 1.0 - 0.03 * t : 1.0);
            });
            applyCurve(n, adsr(0.01, 0.1, 0.7, len - 0.35, 0.24));
            mixInto(b, n, 0.7, 0.35 * k);
        }
        Buf low = osc(2.3, Wave::Saw, [](double) { return noteHz(36); });
        lowpass(low, [](double) { return 300.0; });
        applyCurve(low, adsr(0.3, 0.5, 0.6, 1.0, 0.5));
        mixInto(b, low, 0.4);
        out.push_back(fx("game_end", kBig, finish(b, 0.25)));
    }
    {
        Buf b(0, 0.0f);
        for (int k = 0; k < 4; ++k) {
            Buf n = oscHz(0.16, Wave::Square, k % 2 == 0 ? 880.0 : 660.0);
            lowpass(n, [](double) { return 3000.0; });
            applyCurve(n, adsr(0.005, 0.02, 0.8, 0.1, 0.03));
            mixInto(b, n, 1.0, 0.2 * k);
        }
        out.push_back(fx("game_warning", kEvent, finish(b, 0.03)));
    }
    {
        // Rocks: a rumble with heavy impacts scattered over it.
        const double len = 1.6;
        Buf b = hiss(len, 591, [](double) { return 350.0; }, adsr(0.05, 0.3, 0.7, 0.6, 0.6), false, 0.9);
        Rng rng(592);
        for (int k = 0; k < 9; ++k) {
            const double at = rng.uniform() * 1.1;
            mixInto(b, thud(0.3, 140.0 + rng.uniform() * 80.0, 50.0, 0.03, 0.06), 0.6 + 0.4 * rng.uniform(), at);
            mixInto(b, hiss(0.08, 593 + static_cast<uint32_t>(k), [](double) { return 2500.0; }, expDecay(0.001, 0.02), true, 1.0), 0.3, at);
        }
        softClip(b, 1.4);
        out.push_back(fx("rock_fall", kBig, finish(b, 0.2)));
    }
    {
        // The wall slides down for one second and lands.
        Buf b = hiss(1.0, 601, [](double t) { return 500.0 + 300.0 * std::sin(2.0 * kPi * 7.0 * t); }, ramp(0.0, 0.2, 1.0, 0.7), true, 2.0);
        Buf grind = osc(1.0, Wave::Saw, [](double t) { return 55.0 + 10.0 * t; });
        lowpass(grind, [](double) { return 400.0; });
        applyCurve(grind, ramp(0.0, 0.1, 1.0, 0.4));
        mixInto(b, grind, 0.5);
        mixInto(b, explosion(0.6, 602, 1500.0, 0.15, 1.2), 1.0, 0.98);
        out.push_back(fx("wall_down", kEvent + 1.0, finish(b, 0.12)));
    }
    {
        Buf b = hiss(0.45, 611, expRamp(0.0, 400.0, 0.3, 1600.0), adsr(0.03, 0.1, 0.7, 0.15, 0.17), true, 2.0);
        Buf grind = osc(0.45, Wave::Saw, ramp(0.0, 60.0, 0.3, 110.0));
        lowpass(grind, [](double) { return 600.0; });
        applyCurve(grind, adsr(0.03, 0.1, 0.6, 0.15, 0.17));
        mixInto(b, grind, 0.5);
        out.push_back(fx("wall_up", kEvent, finish(b, 0.06)));
    }
    {
        // Gates: a latch clunk, a creak and a long slide.
        const double len = 1.4;
        Buf b = thud(0.3, 180.0, 70.0, 0.03, 0.07);
        Buf creak = osc(0.5, Wave::Saw, [](double t) { return 230.0 + 60.0 * std::sin(2.0 * kPi * 3.0 * t); });
        bandpass(creak, [](double) { return 1100.0; }, 4.0);
        applyCurve(creak, adsr(0.05, 0.1, 0.7, 0.2, 0.15));
        mixInto(b, creak, 0.4, 0.08);
        mixInto(b, hiss(len, 621, [](double) { return 700.0; }, adsr(0.15, 0.2, 0.6, 0.5, 0.5), true, 1.5), 0.6, 0.05);
        out.push_back(fx("doors_open", kEvent, finish(b, 0.15)));
    }
    {
        Buf b = explosion(2.2, 631, 7000.0, 0.5, 1.2);
        Buf zap = noise(0.6, 632);
        highpass(zap, [](double) { return 2500.0; });
        applyCurve(zap, expDecay(0.002, 0.12));
        mixInto(b, zap, 0.6);
        mixInto(b, osc(2.2, Wave::Sine, expRamp(0.0, 900.0, 1.5, 60.0)), 0.15);
        echo(b, 0.17, 0.3, 0.3, 0.4);
        out.push_back(fx("magnit_explode", kBig, finish(b, 0.3)));
    }
    {
        const double len = 1.1;
        Buf b = hiss(len, 641, [len](double t) { return 600.0 + 3000.0 * std::sin(kPi * t / len); }, adsr(0.25, 0.2, 0.8, 0.3, 0.35), true, 2.0);
        for (int k = 0; k < 5; ++k) mixInto(b, chime(0.4, noteHz(79 + kPenta[k]), 0.1, 1), 0.25, 0.15 * k);
        out.push_back(fx("magnit_map_fly", kCue + 1.0, finish(b, 0.12)));
    }
    {
        Buf b = explosion(0.9, 651, 5000.0, 0.18, 0.9);
        mixInto(b, crackle(0.8, 652, 400.0, 5000.0, expDecay(0.05, 0.25)), 0.3, 0.05);
        out.push_back(fx("magnit_map_epl", kEvent, finish(b, 0.1)));
    }
    return out;
}

}  // namespace sfx
