// A minimal FastTracker 2 (XM) module model and writer: enough for a song of
// patterns, an order list and 16-bit sampled instruments with volume
// envelopes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

constexpr uint8_t kKeyOff = 97;

struct Cell {
    uint8_t note = 0;   // 1 = C-0 ... 96 = B-7, 97 = key off
    uint8_t instr = 0;  // 1-based, 0 = none
    uint8_t vol = 0;    // volume column: 0x10..0x50 sets 0..64, 0 = none
    uint8_t fx = 0;
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;
    int channels = 0;
    std::vector<Cell> cells;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount * channelCount)) {}
    Cell& at(int row, int channel) { return cells[static_cast<size_t>(row * channels + channel)]; }
    const Cell& at(int row, int channel) const { return cells[static_cast<size_t>(row * channels + channel)]; }
};

struct Instrument {
    std::string name;
    std::vector<int16_t> data;
    bool loop = false;
    uint32_t loopStart = 0, loopLength = 0;  // in samples
    uint8_t volume = 64;
    int8_t finetune = 0;
    int8_t relativeNote = 0;
    uint8_t panning = 128;
    std::vector<std::pair<uint16_t, uint16_t>> envelope;  // (tick, 0..64)
    int sustainPoint = -1;
    uint16_t fadeout = 0;
    uint8_t vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;  // sine auto-vibrato
};

struct Module {
    std::string name;
    int channels = 8;
    int speed = 6;
    int bpm = 125;
    int restart = 0;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Throws std::invalid_argument when the module breaks a format limit.
std::vector<uint8_t> write(const Module& m);

// Relative note and finetune that make a sample recorded at `rate` with its
// fundamental at `hz` sound at the right pitch for every note.
void tune(Instrument& inst, double rate, double hz);

}  // namespace xm
