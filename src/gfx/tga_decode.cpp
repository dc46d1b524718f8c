// TGA pictures: true colour (16, 24 or 32 bits), grey (8 bits) and colour
// mapped (8-bit indices into a 16, 24 or 32-bit map), plain or run-length
// coded, stored from the bottom or from the top. TGA has no signature, so a
// file is only taken under its name. Every size is checked against the file
// and the caps before anything is allocated: a run-length file must be long
// enough for its pixels even at the best compression the format allows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/texture_bank.h"

namespace {

bool fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

uint32_t read16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }

// One stored value of `bytes` bytes as ARGB.
uint32_t colourOf(const uint8_t* p, int bytes, bool grey) {
    if (grey) return 0xFF000000u | static_cast<uint32_t>(p[0]) * 0x010101u;
    if (bytes == 2) {
        // 5 bits a channel, the top bit unused (many writers leave it 0).
        const uint32_t v = read16(p);
        const auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
        return 0xFF000000u | widen((v >> 10) & 31) << 16 | widen((v >> 5) & 31) << 8 | widen(v & 31);
    }
    const uint32_t a = bytes == 4 ? p[3] : 0xFFu;
    return a << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

}  // namespace

bool decodeTga(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (size < 18) return fail(why, "not a TGA file (shorter than its header)");
    if (size > kMaxImageFileBytes) return fail(why, "the TGA file is larger than the game takes");
    const uint8_t idLength = data[0], mapType = data[1], type = data[2];
    const uint32_t mapFirst = read16(data + 3), mapLength = read16(data + 5);
    const int mapBits = data[7];
    const uint32_t width = read16(data + 12), height = read16(data + 14);
    const int bits = data[16];
    const uint8_t descriptor = data[17];
    const bool rle = type >= 9;
    const int kind = rle ? type - 8 : type;  // 1 mapped, 2 true colour, 3 grey
    if (kind < 1 || kind > 3 || mapType > 1) return fail(why, "not a TGA file the game reads (type " +
                                                               std::to_string(type) + ")");
    const bool mapped = kind == 1, grey = kind == 3;
    if ((mapped && (mapType != 1 || bits != 8)) || (grey && bits != 8) ||
        (kind == 2 && bits != 16 && bits != 15 && bits != 24 && bits != 32))
        return fail(why, "a TGA of " + std::to_string(bits) + "-bit pixels is not read");
    if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return fail(why, "a TGA colour map of " + std::to_string(mapBits) + "-bit entries is not read");
    if (!imageSizeAllowed(width, height, why)) return false;

    const int pixelBytes = (bits + 7) / 8;
    const int mapBytes = mapType == 1 ? (mapBits + 7) / 8 : 0;
    const size_t mapStart = 18 + static_cast<size_t>(idLength);
    const size_t pixelStart = mapStart + static_cast<size_t>(mapLength) * static_cast<size_t>(mapBytes);
    const uint64_t count = static_cast<uint64_t>(width) * height;
    // The least the pixel data can take: all of it, or a run packet of 128
    // pixels per header byte and value.
    const uint64_t least = rle ? (count + 127) / 128 * (1 + static_cast<uint64_t>(pixelBytes))
                               : count * static_cast<uint64_t>(pixelBytes);
    if (pixelStart > size || least > size - pixelStart) return fail(why, "the TGA file ends before its pixels");

    std::vector<uint32_t> map;
    if (mapped) {
        map.resize(static_cast<size_t>(mapFirst) + mapLength, 0xFF000000u);
        for (uint32_t i = 0; i < mapLength; ++i)
            map[mapFirst + i] = colourOf(data + mapStart + static_cast<size_t>(i) * static_cast<size_t>(mapBytes),
                                         mapBytes, false);
    }
    auto value = [&](const uint8_t* p, uint32_t& argb) {
        if (!mapped) {
            argb = colourOf(p, pixelBytes, grey);
            return true;
        }
        if (static_cast<size_t>(p[0]) >= map.size()) return false;
        argb = map[p[0]];
        return true;
    };

    std::vector<uint32_t> pixels(static_cast<size_t>(count));
    const uint8_t* p = data + pixelStart;
    const uint8_t* end = data + size;
    const auto step = static_cast<size_t>(pixelBytes);
    for (size_t i = 0; i < pixels.size();) {
        if (!rle) {
            if (!value(p, pixels[i++])) return fail(why, "a TGA pixel names a colour its map lacks");
            p += step;
            continue;
        }
        if (p >= end) return fail(why, "the TGA file ends before its pixels");
        const uint8_t header = *p++;
        const size_t n = std::min<size_t>((header & 0x7F) + 1u, pixels.size() - i);
        if (header & 0x80) {
            uint32_t argb = 0;
            if (static_cast<size_t>(end - p) < step) return fail(why, "the TGA file ends before its pixels");
            if (!value(p, argb)) return fail(why, "a TGA pixel names a colour its map lacks");
            p += step;
            for (size_t k = 0; k < n; ++k) pixels[i++] = argb;
        } else {
            if (static_cast<size_t>(end - p) < n * step) return fail(why, "the TGA file ends before its pixels");
            for (size_t k = 0; k < n; ++k, p += step)
                if (!value(p, pixels[i++])) return fail(why, "a TGA pixel names a colour its map lacks");
        }
    }

    // Rows are stored from the bottom unless the descriptor says otherwise,
    // and from the left unless it says so.
    const bool fromTop = descriptor & 0x20, fromRight = descriptor & 0x10;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.resize(pixels.size());
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* src = &pixels[static_cast<size_t>(fromTop ? y : height - 1 - y) * width];
        uint32_t* dst = &out.pixels[static_cast<size_t>(y) * width];
        for (uint32_t x = 0; x < width; ++x) dst[x] = src[fromRight ? width - 1 - x : x];
    }
    return true;
}
