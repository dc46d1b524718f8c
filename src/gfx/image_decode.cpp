// Image files into 32-bit ARGB. stb_image reads PNG, JPEG and TGA; DDS is our
// own reader because stb has none and the game's pictures may come as DDS.
#include <stb_image.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "gfx/texture_bank.h"

namespace {

uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t packArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Extracts one channel through its bit mask and widens it to 8 bits.
uint32_t channel(uint32_t value, uint32_t mask, uint32_t fallback) {
    if (mask == 0) return fallback;
    int shift = 0;
    while (!((mask >> shift) & 1u)) ++shift;
    const uint32_t max = mask >> shift;
    const uint32_t v = (value & mask) >> shift;
    return (v * 255u + max / 2) / max;
}

void colour565(uint16_t c, uint32_t& r, uint32_t& g, uint32_t& b) {
    const uint32_t r5 = (c >> 11) & 31u, g6 = (c >> 5) & 63u, b5 = c & 31u;
    r = (r5 << 3) | (r5 >> 2);
    g = (g6 << 2) | (g6 >> 4);
    b = (b5 << 3) | (b5 >> 2);
}

// One 4x4 colour block; with fourColour false, index 3 is transparent black.
void decodeColourBlock(const uint8_t* block, bool dxt1, uint32_t out[16]) {
    const uint16_t c0 = static_cast<uint16_t>(block[0] | block[1] << 8);
    const uint16_t c1 = static_cast<uint16_t>(block[2] | block[3] << 8);
    uint32_t r[4], g[4], b[4], a[4] = {255, 255, 255, 255};
    colour565(c0, r[0], g[0], b[0]);
    colour565(c1, r[1], g[1], b[1]);
    if (c0 > c1 || !dxt1) {
        r[2] = (2 * r[0] + r[1]) / 3, g[2] = (2 * g[0] + g[1]) / 3, b[2] = (2 * b[0] + b[1]) / 3;
        r[3] = (r[0] + 2 * r[1]) / 3, g[3] = (g[0] + 2 * g[1]) / 3, b[3] = (b[0] + 2 * b[1]) / 3;
    } else {
        r[2] = (r[0] + r[1]) / 2, g[2] = (g[0] + g[1]) / 2, b[2] = (b[0] + b[1]) / 2;
        r[3] = g[3] = b[3] = 0;
        a[3] = 0;
    }
    const uint32_t bits = read32(block + 4);
    for (int i = 0; i < 16; ++i) {
        const uint32_t k = (bits >> (2 * i)) & 3u;
        out[i] = packArgb(a[k], r[k], g[k], b[k]);
    }
}

void applyAlpha(uint32_t px[16], const uint32_t alpha[16]) {
    for (int i = 0; i < 16; ++i) px[i] = (px[i] & 0x00FFFFFFu) | alpha[i] << 24;
}

void explicitAlpha(const uint8_t* block, uint32_t alpha[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 15u;
        alpha[i] = nibble * 17u;
    }
}

void interpolatedAlpha(const uint8_t* block, uint32_t alpha[16]) {
    uint32_t a[8];
    a[0] = block[0];
    a[1] = block[1];
    if (a[0] > a[1]) {
        for (uint32_t i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1]) / 7;
    } else {
        for (uint32_t i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1]) / 5;
        a[6] = 0;
        a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) alpha[i] = a[(bits >> (3 * i)) & 7u];
}

constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40;

}  // namespace

bool decodeDds(const uint8_t* data, size_t size, Image& out) {
    if (size < 128 || std::memcmp(data, "DDS ", 4) != 0) return false;
    const uint8_t* h = data + 4;
    if (read32(h) != 124) return false;
    const uint32_t height = read32(h + 8), width = read32(h + 12);
    const uint8_t* pf = h + 72;  // pixel format block
    const uint32_t pfFlags = read32(pf + 4), fourCC = read32(pf + 8), bitCount = read32(pf + 12);
    const uint32_t rMask = read32(pf + 16), gMask = read32(pf + 20), bMask = read32(pf + 24),
                   aMask = read32(pf + 28);
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;
    const uint8_t* px = data + 128;
    const size_t avail = size - 128;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<size_t>(width) * height, 0);

    if (pfFlags & kDdpfFourCC) {
        int kind = 0;
        if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT1"))) kind = 1;
        else if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT3"))) kind = 3;
        else if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT5"))) kind = 5;
        else return false;
        const size_t blockBytes = kind == 1 ? 8 : 16;
        const size_t bw = (width + 3) / 4, bh = (height + 3) / 4;
        if (avail < bw * bh * blockBytes) return false;
        for (size_t by = 0; by < bh; ++by) {
            for (size_t bx = 0; bx < bw; ++bx) {
                const uint8_t* block = px + (by * bw + bx) * blockBytes;
                uint32_t block16[16], alpha[16];
                if (kind == 1) {
                    decodeColourBlock(block, true, block16);
                } else {
                    decodeColourBlock(block + 8, false, block16);
                    if (kind == 3) explicitAlpha(block, alpha);
                    else interpolatedAlpha(block, alpha);
                    applyAlpha(block16, alpha);
                }
                for (size_t i = 0; i < 16; ++i) {
                    const size_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    if (x < width && y < height) out.pixels[y * width + x] = block16[i];
                }
            }
        }
        return true;
    }
    if (!(pfFlags & kDdpfRgb) || (bitCount != 32 && bitCount != 24)) return false;
    const size_t bytesPerPixel = bitCount / 8;
    const size_t pitch = width * bytesPerPixel;
    if (avail < pitch * height) return false;
    const bool hasAlpha = (pfFlags & kDdpfAlphaPixels) != 0;
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            const uint8_t* p = px + y * pitch + x * bytesPerPixel;
            const uint32_t v = bytesPerPixel == 4 ? read32(p) : (p[0] | p[1] << 8 | p[2] << 16);
            out.pixels[y * width + x] = packArgb(hasAlpha ? channel(v, aMask, 255) : 255,
                                                 channel(v, rMask, 0), channel(v, gMask, 0),
                                                 channel(v, bMask, 0));
        }
    }
    return true;
}

bool decodeImageMemory(const uint8_t* data, size_t size, Image& out) {
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return decodeDds(data, size, out);
    int w = 0, h = 0, n = 0;
    if (size > static_cast<size_t>(INT32_MAX)) return false;
    stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &n, 4);
    if (!rgba) return false;
    out.width = w;
    out.height = h;
    out.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const stbi_uc* p = rgba + i * 4;
        out.pixels[i] = packArgb(p[3], p[0], p[1], p[2]);
    }
    stbi_image_free(rgba);
    return true;
}

bool decodeImageFile(const std::string& path, Image& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return false;
    return decodeImageMemory(bytes.data(), bytes.size(), out);
}
