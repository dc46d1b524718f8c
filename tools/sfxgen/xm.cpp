#include "xm.h"

#include <cmath>
#include <stdexcept>

namespace xm {

namespace {

class Out {
public:
    void u8(unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
    std::vector<uint8_t> b;
};

void packPattern(Out& o, const Pattern& p) {
    Out data;
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.channels; ++c) {
            const Cell& cell = p.at(r, c);
            uint8_t mask = 0x80;
            if (cell.note) mask |= 1;
            if (cell.instr) mask |= 2;
            if (cell.vol) mask |= 4;
            if (cell.fx) mask |= 8;
            if (cell.param) mask |= 16;
            data.u8(mask);
            if (cell.note) data.u8(cell.note);
            if (cell.instr) data.u8(cell.instr);
            if (cell.vol) data.u8(cell.vol);
            if (cell.fx) data.u8(cell.fx);
            if (cell.param) data.u8(cell.param);
        }
    }
    if (data.b.size() > 0xFFFF) throw std::invalid_argument("xm: pattern data too large");
    o.u32(9);
    o.u8(0);
    o.u16(static_cast<unsigned>(p.rows));
    o.u16(static_cast<unsigned>(data.b.size()));
    o.b.insert(o.b.end(), data.b.begin(), data.b.end());
}

void writeInstrument(Out& o, const Instrument& in) {
    if (in.envelope.size() > 12) throw std::invalid_argument("xm: envelope has more than 12 points");
    o.u32(263);
    o.text(in.name, 22);
    o.u8(0);
    o.u16(1);  // one sample
    o.u32(40);
    o.zeros(96);  // every note maps to sample 0
    for (size_t i = 0; i < 12; ++i) {
        o.u16(i < in.envelope.size() ? in.envelope[i].first : 0);
        o.u16(i < in.envelope.size() ? in.envelope[i].second : 0);
    }
    o.zeros(48);  // panning envelope
    o.u8(static_cast<unsigned>(in.envelope.size()));
    o.u8(0);
    o.u8(in.sustainPoint >= 0 ? static_cast<unsigned>(in.sustainPoint) : 0);
    o.u8(0);
    o.u8(0);
    o.zeros(3);
    unsigned volType = in.envelope.empty() ? 0 : 1;
    if (!in.envelope.empty() && in.sustainPoint >= 0) volType |= 2;
    o.u8(volType);
    o.u8(0);
    o.u8(0);  // sine
    o.u8(in.vibratoSweep);
    o.u8(in.vibratoDepth);
    o.u8(in.vibratoRate);
    o.u16(in.fadeout);
    o.zeros(22);

    // Sample header; lengths in bytes for 16-bit data.
    o.u32(static_cast<uint32_t>(in.data.size() * 2));
    o.u32(in.loop ? in.loopStart * 2 : 0);
    o.u32(in.loop ? in.loopLength * 2 : 0);
    o.u8(in.volume);
    o.u8(static_cast<uint8_t>(in.finetune));
    o.u8((in.loop ? 1u : 0u) | 0x10u);
    o.u8(in.panning);
    o.u8(static_cast<uint8_t>(in.relativeNote));
    o.u8(0);
    o.text(in.name, 22);
}

void writeSampleData(Out& o, const Instrument& in) {
    int16_t prev = 0;
    for (int16_t s : in.data) {
        o.u16(static_cast<uint16_t>(static_cast<int16_t>(s - prev)));
        prev = s;
    }
}

}  // namespace

std::vector<uint8_t> write(const Module& m) {
    if (m.orders.empty() || m.orders.size() > 256) throw std::invalid_argument("xm: 1 to 256 orders");
    if (m.patterns.size() > 256) throw std::invalid_argument("xm: at most 256 patterns");
    if (m.instruments.size() > 128) throw std::invalid_argument("xm: at most 128 instruments");
    if (m.channels < 1 || m.channels > 32) throw std::invalid_argument("xm: 1 to 32 channels");
    for (uint8_t ord : m.orders)
        if (ord >= m.patterns.size()) throw std::invalid_argument("xm: order names a missing pattern");

    Out o;
    o.text("Extended Module: ", 17);
    o.text(m.name, 20);
    o.u8(0x1A);
    o.text("vellmoor sfxgen", 20);
    o.u16(0x0104);
    o.u32(276);
    o.u16(static_cast<unsigned>(m.orders.size()));
    o.u16(static_cast<unsigned>(m.restart));
    o.u16(static_cast<unsigned>(m.channels));
    o.u16(static_cast<unsigned>(m.patterns.size()));
    o.u16(static_cast<unsigned>(m.instruments.size()));
    o.u16(1);  // linear frequency table
    o.u16(static_cast<unsigned>(m.speed));
    o.u16(static_cast<unsigned>(m.bpm));
    for (size_t i = 0; i < 256; ++i) o.u8(i < m.orders.size() ? m.orders[i] : 0);
    for (const Pattern& p : m.patterns) {
        if (p.channels != m.channels || p.rows < 1 || p.rows > 256)
            throw std::invalid_argument("xm: pattern shape does not match the module");
        packPattern(o, p);
    }
    for (const Instrument& in : m.instruments) {
        writeInstrument(o, in);
        writeSampleData(o, in);
    }
    return o.b;
}

void tune(Instrument& inst, double rate, double hz) {
    // Note C-4 with no adjustment plays the sample at 8363 Hz.
    const double semis = 12.0 * std::log2(rate * 261.6255653 / hz / 8363.0);
    int rel = static_cast<int>(std::floor(semis));
    int fine = static_cast<int>(std::lround((semis - rel) * 128.0));
    if (fine >= 128) {
        ++rel;
        fine -= 128;
    }
    if (rel < -96 || rel > 95) throw std::invalid_argument("xm: sample rate out of range");
    inst.relativeNote = static_cast<int8_t>(rel);
    inst.finetune = static_cast<int8_t>(fine > 127 ? 127 : fine);
}

}  // namespace xm
