#include "music.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "dsp.h"

namespace music {

namespace {

using sfx::Buf;
using sfx::Rng;

// Channel layout.
enum Ch { Lead = 0, Arp = 1, Bass = 2, Pad1 = 3, Pad2 = 4, Pad3 = 5, Kick = 6, Snare = 7, Hat = 8, Control = 9 };
constexpr int kChannels = 10;
constexpr int kRows = 64;  // four bars of 4/4, four rows a beat
constexpr int kBarRows = 16;

// Instruments (1-based as in the patterns).
enum Inst { ILead = 1, IFlute, IPluck, IBass, IPad, IKick, ISnare, IHat, ICrash, IBell };

// ---- Instruments ----------------------------------------------------------

std::vector<int16_t> toPcm(const Buf& b, double peak = 0.9) {
    const double p = std::max(sfx::peakOf(b), 1e-9);
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(std::clamp(b[i] / p * peak, -1.0, 1.0) * 32767.0));
    return out;
}

// A looped tone: every voice and harmonic completes whole cycles in the loop,
// so it repeats without a seam. Period 168 samples at 44.1 kHz.
constexpr int kPeriod = 168;
constexpr int kCycles = 256;

xm::Instrument loopedTone(const char* name, const std::vector<int>& detune, const std::function<double(int)>& amp,
                          uint32_t seed) {
    const int n = kPeriod * kCycles;
    Buf b(static_cast<size_t>(n), 0.0f);
    Rng rng(seed);
    for (int d : detune) {
        const int cycles = kCycles + d;
        for (int h = 1; h * cycles < n / 2 * 0.85; ++h) {
            const double a = amp(h);
            if (a < 1e-4) continue;
            const double phase = rng.uniform() * 2.0 * sfx::kPi;
            const double w = 2.0 * sfx::kPi * h * cycles / n;
            for (int i = 0; i < n; ++i) b[static_cast<size_t>(i)] += static_cast<float>(a * std::sin(w * i + phase));
        }
    }
    xm::Instrument in;
    in.name = name;
    in.data = toPcm(b);
    in.loop = true;
    in.loopStart = 0;
    in.loopLength = static_cast<uint32_t>(n);
    xm::tune(in, sfx::kRate, static_cast<double>(sfx::kRate) / kPeriod);
    return in;
}

xm::Instrument oneShot(const char* name, const Buf& b, double hz) {
    xm::Instrument in;
    in.name = name;
    Buf faded = b;
    sfx::fadeEdges(faded, 0.0005, 0.01);
    in.data = toPcm(faded);
    xm::tune(in, sfx::kRate, hz);
    return in;
}

std::vector<xm::Instrument> makeInstruments() {
    std::vector<xm::Instrument> v;
    {
        // Lead: a bright saw-and-pulse blend with a soft top.
        auto in = loopedTone("lead", {-1, 1}, [](int h) { return (h % 2 ? 1.0 : 0.55) / h * std::exp(-h / 14.0); }, 1);
        in.envelope = {{0, 0}, {2, 64}, {12, 48}, {30, 0}};
        in.sustainPoint = 2;
        in.fadeout = 1200;
        in.vibratoSweep = 24;
        in.vibratoDepth = 3;
        in.vibratoRate = 12;
        in.volume = 40;
        v.push_back(in);
    }
    {
        auto in = loopedTone("flute", {0}, [](int h) { return h == 1 ? 1.0 : h == 2 ? 0.25 : h == 3 ? 0.12 : 0.0; }, 2);
        in.envelope = {{0, 0}, {6, 64}, {16, 56}, {40, 0}};
        in.sustainPoint = 2;
        in.fadeout = 900;
        in.vibratoSweep = 40;
        in.vibratoDepth = 4;
        in.vibratoRate = 10;
        in.volume = 44;
        v.push_back(in);
    }
    {
        // Plucked string (Karplus-Strong), integer period for exact tuning.
        Rng rng(3);
        const int n = sfx::samplesFor(1.4);
        Buf b(static_cast<size_t>(n));
        std::vector<double> line(kPeriod);
        for (auto& x : line) x = rng.bipolar();
        for (int i = 0; i < n; ++i) {
            const size_t k = static_cast<size_t>(i % kPeriod);
            const double next = line[(k + 1) % kPeriod];
            const double y = line[k];
            b[static_cast<size_t>(i)] = static_cast<float>(y);
            line[k] = 0.497 * (y + next);
        }
        sfx::lowpass(b, [](double) { return 5000.0; });
        auto in = oneShot("pluck", b, static_cast<double>(sfx::kRate) / (kPeriod + 0.5));
        in.volume = 36;
        v.push_back(in);
    }
    {
        auto in = loopedTone("bass", {0}, [](int h) { return (h == 1 ? 1.6 : 1.0 / h) * std::exp(-h / 6.0); }, 4);
        in.envelope = {{0, 0}, {1, 64}, {14, 44}, {22, 0}};
        in.sustainPoint = 2;
        in.fadeout = 2000;
        in.volume = 56;
        v.push_back(in);
    }
    {
        auto in = loopedTone("pad", {-2, 0, 2}, [](int h) { return 1.0 / h * std::exp(-h / 5.0); }, 5);
        in.envelope = {{0, 0}, {24, 64}, {48, 52}, {90, 0}};
        in.sustainPoint = 2;
        in.fadeout = 600;
        in.volume = 22;
        v.push_back(in);
    }
    {
        Buf b = sfx::osc(0.35, sfx::Wave::Sine, [](double t) { return 48.0 + 110.0 * std::exp(-t / 0.03); });
        sfx::applyCurve(b, sfx::expDecay(0.001, 0.09));
        Buf click = sfx::noise(0.01, 6);
        sfx::applyCurve(click, sfx::expDecay(0.0002, 0.002));
        sfx::mixInto(b, click, 0.3);
        sfx::softClip(b, 1.5);
        auto in = oneShot("kick", b, 261.6255653);
        in.volume = 58;
        v.push_back(in);
    }
    {
        Buf b = sfx::noise(0.3, 7);
        sfx::bandpass(b, [](double) { return 2500.0; }, 0.7);
        sfx::applyCurve(b, sfx::expDecay(0.001, 0.06));
        Buf body = sfx::osc(0.3, sfx::Wave::Sine, [](double t) { return 180.0 + 60.0 * std::exp(-t / 0.02); });
        sfx::applyCurve(body, sfx::expDecay(0.001, 0.04));
        sfx::mixInto(b, body, 0.7);
        auto in = oneShot("snare", b, 261.6255653);
        in.volume = 42;
        v.push_back(in);
    }
    {
        Buf b = sfx::noise(0.08, 8);
        sfx::highpass(b, [](double) { return 7000.0; });
        sfx::applyCurve(b, sfx::expDecay(0.0005, 0.018));
        auto in = oneShot("hat", b, 261.6255653);
        in.volume = 26;
        v.push_back(in);
    }
    {
        Buf b = sfx::noise(1.6, 9);
        sfx::highpass(b, [](double) { return 4000.0; });
        sfx::applyCurve(b, sfx::expDecay(0.002, 0.45));
        auto in = oneShot("crash", b, 261.6255653);
        in.volume = 24;
        v.push_back(in);
    }
    {
        Buf b = sfx::bell(2.0, 261.6255653, {{1.0, 1.0, 0.8}, {2.0, 0.3, 0.5}, {3.0, 0.12, 0.3}, {4.07, 0.1, 0.2}, {5.2, 0.05, 0.12}});
        sfx::applyCurve(b, sfx::expDecay(0.002, 10.0));
        auto in = oneShot("bell", b, 261.6255653);
        in.volume = 34;
        v.push_back(in);
    }
    return v;
}

// ---- Harmony --------------------------------------------------------------

struct Chord {
    int root;                // semitones above the key's tonic
    std::vector<int> tones;  // intervals above the chord root
};
Chord maj(int r) { return {r, {0, 4, 7}}; }
Chord min(int r) { return {r, {0, 3, 7}}; }
Chord sus(int r) { return {r, {0, 5, 7}}; }

enum class Style { Drive, Groove, Halftime, Gentle, Fanfare, Dirge };

struct SectionPlan {
    int bpm;
    int tonic;  // MIDI note of the key's tonic near middle C
    bool minor;
    std::vector<Chord> progression;  // one chord a bar, repeated as needed
    int patterns;
    Style style;
    uint32_t seed;
    std::vector<int> phrasePlan;  // which melody each four-bar phrase uses
};

int pc(int n) { return ((n % 12) + 12) % 12; }

struct Harmony {
    std::vector<int> chordPcs;
    std::vector<int> scalePcs;  // the key's scale with the chord's own tones preferred
};

Harmony harmonyFor(const SectionPlan& s, const Chord& c) {
    static const int kMajor[] = {0, 2, 4, 5, 7, 9, 11};
    static const int kMinor[] = {0, 2, 3, 5, 7, 8, 10};
    Harmony h;
    for (int t : c.tones) h.chordPcs.push_back(pc(s.tonic + c.root + t));
    for (int d : (s.minor ? kMinor : kMajor)) {
        const int p = pc(s.tonic + d);
        bool clash = false;
        for (int cp : h.chordPcs)
            if (pc(p - cp) == 1 || pc(cp - p) == 1) clash = true;
        if (!clash) h.scalePcs.push_back(p);
    }
    for (int cp : h.chordPcs)
        if (std::find(h.scalePcs.begin(), h.scalePcs.end(), cp) == h.scalePcs.end()) h.scalePcs.push_back(cp);
    std::sort(h.scalePcs.begin(), h.scalePcs.end());
    return h;
}

bool inSet(int note, const std::vector<int>& pcs) { return std::find(pcs.begin(), pcs.end(), pc(note)) != pcs.end(); }

int stepFrom(int note, int dir, const std::vector<int>& pcs) {
    int n = note + dir;
    while (!inSet(n, pcs)) n += dir;
    return n;
}

int nearestIn(int target, const std::vector<int>& pcs, int lo, int hi) {
    int best = lo, bestD = 1000;
    for (int n = lo; n <= hi; ++n)
        if (inSet(n, pcs) && std::abs(n - target) < bestD) {
            best = n;
            bestD = std::abs(n - target);
        }
    return best;
}

// ---- Writing notes --------------------------------------------------------

class Writer {
public:
    Writer(int patterns) : rows_(patterns * kRows) {
        for (int i = 0; i < patterns; ++i) pats_.emplace_back(kRows, kChannels);
    }
    int rows() const { return rows_; }
    xm::Cell& cell(int row, int ch) { return pats_[static_cast<size_t>(row / kRows)].at(row % kRows, ch); }
    void note(int row, int ch, int midi, int inst, int vol) {
        if (row < 0 || row >= rows_) return;
        xm::Cell& c = cell(row, ch);
        c.note = static_cast<uint8_t>(std::clamp(midi - 11, 1, 96));  // MIDI 60 = C-4 = note 49
        c.instr = static_cast<uint8_t>(inst);
        c.vol = static_cast<uint8_t>(0x10 + std::clamp(vol, 0, 64));
    }
    void keyOff(int row, int ch) {
        if (row < 0 || row >= rows_) return;
        xm::Cell& c = cell(row, ch);
        if (c.note == 0) c.note = xm::kKeyOff;
    }
    std::vector<xm::Pattern>& patterns() { return pats_; }

private:
    int rows_;
    std::vector<xm::Pattern> pats_;
};

struct Hit {
    int row, len;
};
using Rhythm = std::vector<Hit>;

const std::vector<Rhythm>& busyRhythms() {
    static const std::vector<Rhythm> r = {
        {{0, 4}, {4, 4}, {8, 6}, {14, 2}}, {{0, 6}, {6, 2}, {8, 4}, {12, 4}}, {{0, 2}, {2, 2}, {4, 4}, {8, 2}, {10, 2}, {12, 4}},
        {{0, 3}, {3, 3}, {6, 2}, {8, 8}},  {{0, 4}, {6, 2}, {8, 2}, {10, 6}}};
    return r;
}
const std::vector<Rhythm>& calmRhythms() {
    static const std::vector<Rhythm> r = {{{0, 8}, {8, 8}}, {{0, 12}, {12, 4}}, {{0, 4}, {4, 4}, {8, 8}}, {{0, 6}, {6, 2}, {8, 8}}};
    return r;
}

void writeMelody(Writer& w, const SectionPlan& s, int inst, int vol, int lo, int hi) {
    const int bars = w.rows() / kBarRows;
    const bool calm = s.style == Style::Gentle || s.style == Style::Dirge;
    const auto& rhythms = calm ? calmRhythms() : busyRhythms();
    int prevEnd = -1;
    for (int phrase = 0; phrase * 4 < bars; ++phrase) {
        // Phrases with the same plan number get the same melody, so themes return.
        const int plan = s.phrasePlan.empty() ? phrase : s.phrasePlan[static_cast<size_t>(phrase) % s.phrasePlan.size()];
        Rng rng(s.seed * 131u + static_cast<uint32_t>(plan) * 7919u);
        const Rhythm& a = rhythms[rng.next() % rhythms.size()];
        const Rhythm& b = rhythms[rng.next() % rhythms.size()];
        int prev = nearestIn((lo + hi) / 2, harmonyFor(s, s.progression[0]).chordPcs, lo, hi);
        for (int k = 0; k < 4; ++k) {
            const int bar = phrase * 4 + k;
            if (bar >= bars) break;
            const Chord& chord = s.progression[static_cast<size_t>(bar) % s.progression.size()];
            const Harmony h = harmonyFor(s, chord);
            const bool last = k == 3;
            const Rhythm& r = last ? Rhythm{{0, 6}, {8, 8}} : (k == 1 ? b : a);
            for (size_t i = 0; i < r.size(); ++i) {
                const Hit& hit = r[i];
                int n;
                if (last && i + 1 == r.size()) {
                    // Phrase ends rest on the chord's root, or the tonic at the end of a period.
                    const int target = (phrase % 2 == 1) ? s.tonic : s.tonic + chord.root;
                    n = nearestIn(prev, {pc(target)}, lo, hi);
                } else if (hit.row == 0 || hit.row == 8 || hit.len >= 6) {
                    std::vector<int> cands;
                    for (int x = lo; x <= hi; ++x)
                        if (inSet(x, h.chordPcs)) cands.push_back(x);
                    std::sort(cands.begin(), cands.end(), [prev](int x, int y) { return std::abs(x - prev) < std::abs(y - prev); });
                    const size_t pick = std::min(cands.size() - 1, static_cast<size_t>(rng.next() % 3));
                    n = cands[pick];
                } else {
                    int dir = rng.uniform() < 0.5 ? -1 : 1;
                    if (prev > hi - 4) dir = -1;
                    if (prev < lo + 4) dir = 1;
                    n = stepFrom(prev, dir, h.scalePcs);
                    if (rng.uniform() < 0.2) n = stepFrom(n, dir, h.scalePcs);
                    n = std::clamp(n, lo, hi);
                    if (!inSet(n, h.scalePcs)) n = nearestIn(n, h.scalePcs, lo, hi);
                }
                const int row = bar * kBarRows + hit.row;
                const int accent = hit.row == 0 ? 0 : (hit.row % 4 == 0 ? -4 : -8);
                w.note(row, Lead, n, inst, vol + accent);
                prevEnd = row + hit.len;
                const bool nextStartsNow = i + 1 < r.size() ? r[i + 1].row == hit.row + hit.len : hit.row + hit.len == kBarRows;
                if (!nextStartsNow || (last && i + 1 == r.size())) w.keyOff(prevEnd - (calm ? 0 : 1), Lead);
                prev = n;
            }
        }
    }
}

void writeBass(Writer& w, const SectionPlan& s) {
    const int bars = w.rows() / kBarRows;
    for (int bar = 0; bar < bars; ++bar) {
        const Chord& c = s.progression[static_cast<size_t>(bar) % s.progression.size()];
        int root = s.tonic + c.root;
        while (root > 47) root -= 12;
        while (root < 36) root += 12;
        const int fifth = root + 7, oct = root + 12;
        const int base = bar * kBarRows;
        struct B {
            int row, note;
        };
        std::vector<B> line;
        switch (s.style) {
        case Style::Drive: line = {{0, root}, {2, root}, {4, oct}, {6, root}, {8, fifth}, {10, root}, {12, oct}, {14, fifth}}; break;
        case Style::Groove: line = {{0, root}, {3, root}, {6, fifth}, {8, oct}, {11, root}, {14, fifth}}; break;
        case Style::Halftime: line = {{0, root}, {6, root}, {8, fifth}}; break;
        case Style::Gentle: line = {{0, root}, {8, fifth}}; break;
        case Style::Fanfare: line = {{0, root}, {4, fifth}, {8, oct}, {12, fifth}}; break;
        case Style::Dirge: line = {{0, root}}; break;
        }
        for (const B& b : line) w.note(base + b.row, Bass, b.note, IBass, b.row == 0 ? 56 : 46);
    }
}

void writePads(Writer& w, const SectionPlan& s, int vol) {
    const int bars = w.rows() / kBarRows;
    std::vector<int> voices = {s.tonic - 5, s.tonic, s.tonic + 4};
    const Chord* prev = nullptr;
    for (int bar = 0; bar < bars; ++bar) {
        const Chord& c = s.progression[static_cast<size_t>(bar) % s.progression.size()];
        if (prev && prev->root == c.root && prev->tones == c.tones) continue;
        prev = &c;
        // Smallest total movement: each voice takes the nearest unused chord tone.
        std::vector<int> pcs;
        for (int t : c.tones) pcs.push_back(pc(s.tonic + c.root + t));
        std::vector<int> next;
        std::vector<bool> used(pcs.size(), false);
        for (int v : voices) {
            int best = v, bestD = 1000;
            size_t bestI = 0;
            for (size_t i = 0; i < pcs.size(); ++i) {
                if (used[i]) continue;
                const int cand = nearestIn(v, {pcs[i]}, 52, 76);
                if (std::abs(cand - v) < bestD) {
                    best = cand;
                    bestD = std::abs(cand - v);
                    bestI = i;
                }
            }
            used[bestI] = true;
            next.push_back(best);
        }
        voices = next;
        for (size_t i = 0; i < voices.size(); ++i) w.note(bar * kBarRows, Pad1 + static_cast<int>(i), voices[i], IPad, vol);
    }
}

void writeArp(Writer& w, const SectionPlan& s) {
    if (s.style == Style::Fanfare) return;
    const int bars = w.rows() / kBarRows;
    const bool calm = s.style == Style::Gentle || s.style == Style::Dirge;
    const int step = s.style == Style::Dirge ? 4 : 2;
    const int inst = calm ? IBell : IPluck;
    static const int kShape[] = {0, 1, 2, 3, 2, 1, 0, 1};
    for (int bar = 0; bar < bars; ++bar) {
        const Chord& c = s.progression[static_cast<size_t>(bar) % s.progression.size()];
        std::vector<int> tones;
        int base = s.tonic + c.root;
        while (base < 64) base += 12;
        while (base > 75) base -= 12;
        for (int t : c.tones) tones.push_back(base + t);
        tones.push_back(base + 12);
        for (int r = 0, k = 0; r < kBarRows; r += step, ++k) {
            const int n = tones[static_cast<size_t>(kShape[k % 8]) % tones.size()];
            w.note(bar * kBarRows + r, Arp, n, inst, (r % 4 == 0) ? 40 : 30);
        }
    }
}

void writeDrums(Writer& w, const SectionPlan& s) {
    const int bars = w.rows() / kBarRows;
    for (int bar = 0; bar < bars; ++bar) {
        const int b = bar * kBarRows;
        const bool fill = bar % 8 == 7;
        auto kick = [&](int r, int v) { w.note(b + r, Kick, 60, IKick, v); };
        auto snare = [&](int r, int v) { w.note(b + r, Snare, 60, ISnare, v); };
        auto hat = [&](int r, int v) { w.note(b + r, Hat, 60, IHat, v); };
        switch (s.style) {
        case Style::Drive:
            for (int r = 0; r < 16; r += 4) kick(r, 64);
            snare(4, 52);
            if (!fill) snare(12, 52);
            for (int r = 0; r < 16; r += 2) hat(r, r % 4 == 2 ? 40 : 22);
            break;
        case Style::Groove:
            kick(0, 64);
            kick(6, 48);
            kick(10, 56);
            snare(4, 50);
            if (!fill) snare(12, 50);
            for (int r = 0; r < 16; r += 2) hat(r, r % 4 == 2 ? 36 : 20);
            break;
        case Style::Halftime:
            kick(0, 60);
            kick(10, 48);
            snare(8, 48);
            for (int r = 0; r < 16; r += 2) hat(r, r % 4 == 0 ? 30 : 18);
            break;
        case Style::Fanfare:
            kick(0, 64);
            kick(8, 56);
            snare(4, 44);
            snare(12, 44);
            break;
        case Style::Dirge:
            kick(0, 40);
            if (bar % 2 == 1) snare(8, 28);
            break;
        case Style::Gentle:
            if (s.minor) hat(8, 16);  // a faint tick keeps the darker story page moving
            break;
        }
        if (fill && (s.style == Style::Drive || s.style == Style::Groove || s.style == Style::Fanfare))
            for (int r = 12, v = 30; r < 16; ++r, v += 8) snare(r, v);
    }
    if (s.style != Style::Gentle && s.style != Style::Dirge) w.note(0, Hat, 60, ICrash, 48);
}

std::vector<xm::Pattern> composeSection(const SectionPlan& s) {
    Writer w(s.patterns);
    const bool calm = s.style == Style::Gentle || s.style == Style::Dirge;
    writeMelody(w, s, calm ? IFlute : ILead, calm ? 48 : 44, s.tonic + 5, s.tonic + 24);
    writeBass(w, s);
    writePads(w, s, calm ? 36 : 28);
    writeArp(w, s);
    writeDrums(w, s);
    // The tempo is set on every pattern, so a jump into the section plays it
    // at its own speed whatever played before.
    for (auto& p : w.patterns()) {
        p.at(0, Control).fx = 0x0F;
        p.at(0, Control).param = static_cast<uint8_t>(s.bpm);
    }
    return std::move(w.patterns());
}

std::vector<SectionPlan> sections() {
    // Keys: intro D minor, in-game A minor and E minor, win C major, game
    // over A minor, menu G major, stories F major, D minor, B-flat major.
    return {
        {112, 62, true, {min(0), maj(8), maj(3), maj(10), min(5), min(0), maj(8), maj(7)}, 6, Style::Halftime, 11, {0, 1, 0, 2, 0, 1}},
        {128, 57, true, {min(0), maj(8), maj(3), maj(10), min(0), maj(8), maj(10), maj(7), maj(8), maj(10), min(7), min(0), min(5), maj(10), maj(3), maj(7)},
         8, Style::Drive, 23, {0, 1, 2, 3, 0, 1, 2, 1}},
        {136, 64, true, {min(0), maj(8), maj(3), maj(10), min(0), maj(8), maj(10), maj(7)}, 8, Style::Groove, 37, {0, 1, 0, 2, 3, 1, 0, 2}},
        {120, 60, false, {maj(0), maj(5), maj(7), maj(0), maj(5), maj(7), sus(0), maj(0)}, 2, Style::Fanfare, 41, {0, 1}},
        {84, 57, true, {min(0), min(5), maj(7), min(0), maj(8), min(5), sus(7), maj(7)}, 2, Style::Dirge, 53, {0, 1}},
        {110, 67, false, {maj(0), min(9), maj(5), maj(7), maj(0), min(4), maj(5), maj(7)}, 4, Style::Groove, 67, {0, 1, 0, 2}},
        {96, 65, false, {maj(0), min(9), maj(5), maj(7)}, 2, Style::Gentle, 71, {0, 1}},
        {92, 62, true, {min(0), maj(8), min(5), maj(7)}, 2, Style::Gentle, 83, {0, 1}},
        {100, 58, false, {maj(0), maj(7), min(9), maj(5), maj(0), maj(7), maj(5), maj(7)}, 2, Style::Gentle, 97, {0, 1}},
    };
}

}  // namespace

const char* sectionName(int section) {
    static const char* names[] = {"intro", "game A", "game B", "win", "game over", "menu", "story 1", "story 2", "story 3"};
    return section >= 0 && section < kSectionCount ? names[section] : "?";
}

xm::Module compose(const std::vector<int>& sectionVolumes) {
    xm::Module m;
    m.name = "Vellmoor";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 112;
    m.instruments = makeInstruments();

    const auto plans = sections();
    std::vector<std::vector<int>> sectionPatterns;
    for (const auto& plan : plans) {
        std::vector<int> ids;
        for (auto& p : composeSection(plan)) {
            ids.push_back(static_cast<int>(m.patterns.size()));
            m.patterns.push_back(std::move(p));
        }
        sectionPatterns.push_back(ids);
    }

    // Each section's first pattern sits at the section's own order; the rest
    // follow the entry orders. Jumps chain them and close each loop.
    m.orders.resize(plans.size());
    std::vector<int> continuation(plans.size(), -1);
    for (size_t s = 0; s < plans.size(); ++s) {
        m.orders[s] = static_cast<uint8_t>(sectionPatterns[s][0]);
        if (sectionPatterns[s].size() > 1) continuation[s] = static_cast<int>(m.orders.size());
        for (size_t k = 1; k < sectionPatterns[s].size(); ++k) m.orders.push_back(static_cast<uint8_t>(sectionPatterns[s][k]));
    }
    auto jump = [&](int pattern, int order) {
        xm::Cell& c = m.patterns[static_cast<size_t>(pattern)].at(kRows - 1, Control);
        c.fx = 0x0B;
        c.param = static_cast<uint8_t>(order);
    };
    for (size_t s = 0; s < plans.size(); ++s) {
        const auto& ids = sectionPatterns[s];
        if (ids.size() > 1) jump(ids.front(), continuation[s]);
        jump(ids.back(), static_cast<int>(s));
    }
    for (size_t s = 0; s < plans.size() && s < sectionVolumes.size(); ++s)
        for (int id : sectionPatterns[s]) {
            // The top pad's effect column is free.
            xm::Cell& c = m.patterns[static_cast<size_t>(id)].at(0, Pad3);
            c.fx = 0x10;  // G: global volume
            c.param = static_cast<uint8_t>(std::clamp(sectionVolumes[s], 0, 64));
        }
    return m;
}

}  // namespace music
