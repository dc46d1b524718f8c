// Image files into 32-bit ARGB. The game ships its pictures as PNG; DDS is
// read too, by our own reader, because the picture packs look for it first.
// No other format is taken: every decoder accepted is one more that a
// damaged or crafted file can reach. Sizes are checked against the caps
// before anything is allocated for the pixels.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/texture_bank.h"

// PNG through the system's libpng: its decoder fills only the rows the
// header declares, so data past them is never inflated into memory, and a
// fix to it reaches the game with the library.
#include <png.h>

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


bool fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

bool isPng(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

bool isDds(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "DDS ", 4) == 0; }

uint32_t readBig32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool hasExtension(const std::string& path, const char* ext) {
    const size_t n = std::strlen(ext);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (lowerAscii(path[path.size() - n + i]) != ext[i]) return false;
    return true;
}

}  // namespace

bool imageSizeAllowed(uint64_t width, uint64_t height, std::string* why) {
    if (width == 0 || height == 0) return fail(why, "the picture has no pixels");
    const std::string size = "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > kMaxImageSide || height > kMaxImageSide)
        return fail(why, size + ", more than the " + std::to_string(kMaxImageSide) + " a side the game takes");
    // Rounded up: a picture just over the limit must not read as equal to it.
    const uint64_t bytes = width * height * 4;
    if (bytes > kMaxImageBytes)
        return fail(why, size + ", " + std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB decoded, more than the " +
                             std::to_string(kMaxImageBytes >> 20) + " MB the game takes");
    return true;
}

bool decodeDds(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (size < 128 || !isDds(data, size)) return fail(why, "not a DDS file");
    const uint8_t* h = data + 4;
    if (read32(h) != 124) return fail(why, "the DDS header is damaged");
    const uint32_t height = read32(h + 8), width = read32(h + 12);
    const uint8_t* pf = h + 72;  // pixel format block
    const uint32_t pfFlags = read32(pf + 4), fourCC = read32(pf + 8), bitCount = read32(pf + 12);
    const uint32_t rMask = read32(pf + 16), gMask = read32(pf + 20), bMask = read32(pf + 24),
                   aMask = read32(pf + 28);
    if (!imageSizeAllowed(width, height, why)) return false;
    const uint8_t* px = data + 128;
    const size_t avail = size - 128;

    // Every size is known from the header: the pixels must all be there
    // before any memory is taken for them.
    int kind = 0;
    size_t pitch = 0, bytesPerPixel = 0;
    if (pfFlags & kDdpfFourCC) {
        if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT1"))) kind = 1;
        else if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT3"))) kind = 3;
        else if (fourCC == read32(reinterpret_cast<const uint8_t*>("DXT5"))) kind = 5;
        else return fail(why, "the DDS compression is not one the game reads (DXT1, DXT3, DXT5)");
        const size_t blockBytes = kind == 1 ? 8 : 16;
        if (avail < size_t{(width + 3) / 4} * ((height + 3) / 4) * blockBytes)
            return fail(why, "the DDS file ends before its pixels do");
    } else {
        if (!(pfFlags & kDdpfRgb) || (bitCount != 32 && bitCount != 24))
            return fail(why, "the DDS pixel format is not one the game reads (24 or 32-bit RGB)");
        bytesPerPixel = bitCount / 8;
        pitch = width * bytesPerPixel;
        if (avail < pitch * height) return fail(why, "the DDS file ends before its pixels do");
    }
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<size_t>(width) * height, 0);

    if (kind != 0) {
        const size_t blockBytes = kind == 1 ? 8 : 16;
        const size_t bw = (width + 3) / 4, bh = (height + 3) / 4;
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

bool decodePng(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (!isPng(data, size)) return fail(why, "not a PNG file");
    if (size > kMaxImageFileBytes)
        return fail(why, "the PNG file is " + std::to_string(size) + " bytes, more than the " +
                             std::to_string(kMaxImageFileBytes >> 20) + " MB the game takes");
    // The size as the header states it, before the decoder sees anything.
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0 &&
        !imageSizeAllowed(readBig32(data + 16), readBig32(data + 20), why))
        return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    // The header first: an image over the caps is refused before it is inflated.
    if (!png_image_begin_read_from_memory(&image, data, size))
        return fail(why, std::string("the PNG header is damaged (") + image.message + ")");
    if (!imageSizeAllowed(image.width, image.height, why)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(size_t{image.width} * image.height * 4);
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        const std::string message = image.message;
        png_image_free(&image);
        return fail(why, "the PNG file is damaged (" + message + ")");
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(size_t{image.width} * image.height);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const uint8_t* p = rgba.data() + i * 4;
        out.pixels[i] = packArgb(p[3], p[0], p[1], p[2]);
    }
    return true;
}

bool decodeImageMemory(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (isDds(data, size)) return decodeDds(data, size, out, why);
    if (isPng(data, size)) return decodePng(data, size, out, why);
    if (isJpeg(data, size)) return decodeJpeg(data, size, out, why);
    return fail(why, "not a picture the game reads (PNG, DDS or JPEG)");
}

bool decodeImageFile(const std::string& path, Image& out, std::string* why) {
    if (why) why->clear();
    // The name says which decoder may look at the file, and the file's first
    // bytes must agree: a picture of another format under a known name is
    // refused, not guessed at.
    const bool dds = hasExtension(path, ".dds"), png = hasExtension(path, ".png");
    const bool jpeg = hasExtension(path, ".jpg") || hasExtension(path, ".jpeg"), tga = hasExtension(path, ".tga");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;  // missing: nothing to tell, the caller tries the next name
    struct stat st {};
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return fail(why, "not a file");
    }
    if (!dds && !png && !jpeg && !tga) {
        std::fclose(f);
        return fail(why, "only .dds, .png, .jpg and .tga pictures are read");
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxImageFileBytes) {
        std::fclose(f);
        return fail(why, "the file is " + std::to_string(static_cast<uint64_t>(st.st_size)) +
                             " bytes, more than the " + std::to_string(kMaxImageFileBytes >> 20) +
                             " MB the game takes");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    if (bytes.empty()) return fail(why, "the file is empty");
    if (dds) return isDds(bytes.data(), bytes.size()) ? decodeDds(bytes.data(), bytes.size(), out, why)
                                                      : fail(why, "the file is named .dds but is not a DDS file");
    if (jpeg) return isJpeg(bytes.data(), bytes.size()) ? decodeJpeg(bytes.data(), bytes.size(), out, why)
                                                        : fail(why, "the file is named .jpg but is not a JPEG file");
    // Without a signature, a TGA is only told from the others by theirs.
    if (tga) return isPng(bytes.data(), bytes.size()) || isDds(bytes.data(), bytes.size()) ||
                            isJpeg(bytes.data(), bytes.size())
                        ? fail(why, "the file is named .tga but is another kind of picture")
                        : decodeTga(bytes.data(), bytes.size(), out, why);
    return isPng(bytes.data(), bytes.size()) ? decodePng(bytes.data(), bytes.size(), out, why)
                                             : fail(why, "the file is named .png but is not a PNG file");
}
