#include "entries.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/profile.h"
#include "game/level.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "players/players.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "res/texts.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what) {
    if (!ok) broken(what);
}

// A scratch folder of this process for the readers that take a file name,
// removed when the process ends.
struct Scratch {
    Scratch()
        : folder((std::filesystem::temp_directory_path() / ("vm-fuzz-" + std::to_string(::getpid()))).string()) {
        std::filesystem::create_directories(folder);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
};

const std::string& scratch() {
    static const Scratch s;
    return s.folder;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) broken("cannot write the scratch file");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) broken("cannot write the scratch file");
    std::fclose(f);
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
           });
}

std::vector<std::string> zeroList(const std::string& list) {
    std::vector<std::string> out;
    for (size_t i = 0; i < list.size();) {
        out.emplace_back(list.c_str() + i);
        i += out.back().size() + 1;
    }
    return out;
}

}  // namespace

void fuzzIniText(const uint8_t* data, size_t size) {
    const std::string path = scratch() + "/fuzz.ini";
    writeFile(path, data, size);
    profileForgetCachedFiles();
    clearDebugLog();

    // Everything reads the way a fresh parse reads it: the kept copy and a
    // new one give the same answers.
    std::string seen;
    const std::vector<std::string> sections = zeroList(profileGetString(path, nullptr, nullptr, "", 1 << 20));
    size_t asked = 0;
    for (const std::string& s : sections) {
        if (++asked > 16) break;
        seen += profileGetString(path, s.c_str(), nullptr, "", 1 << 20);
        std::vector<char> buffer(4096);
        const int n = profileGetSection(path, s.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        check(n >= 0 && n <= 4095, "a section read fits its buffer");
        seen.append(buffer.data(), static_cast<size_t>(n));
        for (const std::string& k : zeroList(profileGetString(path, s.c_str(), nullptr, "", 1 << 20))) {
            if (++asked > 64) break;
            seen += profileGetString(path, s.c_str(), k.c_str(), "def");
            seen += std::to_string(profileGetInt(path, s.c_str(), k.c_str(), 7));
        }
    }
    profileForgetCachedFiles();
    std::string again;
    asked = 0;
    for (const std::string& s : zeroList(profileGetString(path, nullptr, nullptr, "", 1 << 20))) {
        if (++asked > 16) break;
        again += profileGetString(path, s.c_str(), nullptr, "", 1 << 20);
        std::vector<char> buffer(4096);
        const int n = profileGetSection(path, s.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        again.append(buffer.data(), static_cast<size_t>(n));
        for (const std::string& k : zeroList(profileGetString(path, s.c_str(), nullptr, "", 1 << 20))) {
            if (++asked > 64) break;
            again += profileGetString(path, s.c_str(), k.c_str(), "def");
            again += std::to_string(profileGetInt(path, s.c_str(), k.c_str(), 7));
        }
    }
    check(seen == again, "a kept file reads as a fresh parse");

    // A write through the layer is read back at once, and leaves the other
    // keys as they were.
    const std::string before = sections.empty() ? std::string() : sections.front();
    const std::string otherKey = before.empty() ? std::string() : [&] {
        const auto keys = zeroList(profileGetString(path, before.c_str(), nullptr, "", 1 << 20));
        return keys.empty() ? std::string() : keys.front();
    }();
    const std::string otherValue =
        otherKey.empty() ? std::string() : profileGetString(path, before.c_str(), otherKey.c_str(), "");
    if (profileWriteString(path, "Fuzz", "Written", "value 1")) {
        check(profileGetString(path, "Fuzz", "Written", "") == "value 1", "a write reads back");
        if (!otherKey.empty() && !sameName(before, "Fuzz"))
            check(profileGetString(path, before.c_str(), otherKey.c_str(), "") == otherValue,
                  "a write leaves other keys alone");
        profileForgetCachedFiles();
        check(profileGetString(path, "Fuzz", "Written", "") == "value 1", "a write reaches the disk");
    }
    profileWriteSection(path, "Fuzz", "a=1\0b=2\0");
}

void fuzzFrameMap(const uint8_t* data, size_t size) {
    // A font sheet of 16 x 16 cells of 8 x 8 pixels with a glyph in each.
    const std::string folder = scratch();
    const std::string picture = folder + "/" + "font.png";
    textureBank().clear();
    clearDebugLog();
    check(textureBank().createBlank(picture, 128, 128), "the sheet is made");
    TextureEntry* sheet = textureBank().find(picture);
    for (size_t i = 0; i < sheet->pixels.size(); ++i)
        if ((i * 2654435761u) % 7 < 3) sheet->pixels[i] = 0xFFFFFFFFu;
    writeFile(folder + "/font.map", data, size);

    PicturePack font;
    font.loadFrom(folder, "font", false, 256, 16);
    for (int i = 0; i < font.frameCount(); ++i) {
        check(font.frameX(i) >= 0 && font.frameY(i) >= 0 && font.frameWidth(i) >= 0 && font.frameHeight(i) >= 0,
              "frames are not negative");
        check(font.frameX(i) + font.frameWidth(i) <= 128 && font.frameY(i) + font.frameHeight(i) <= 128,
              "frames lie on the picture");
    }
    font.trimGlyphs();
    for (int i = 0; i < font.frameCount(); ++i)
        check(font.frameX(i) >= 0 && font.frameX(i) + font.frameWidth(i) <= 128, "trimmed frames stay on it");

    std::string text;
    for (int c = 1; c < 256; ++c) text += static_cast<char>(c);
    TextLabel label;
    label.setFont(&font);
    label.setText(text);
    label.setScale(3.5f, 2.0f);
    (void)label.textWidth(text);
    (void)label.caretPoint(static_cast<int>(text.size()));
    {
        TextLabelEx composed(&font, text);
    }
    textureBank().clear();
}

namespace {
// What holds for any picture decoder's answer.
void checkPicture(bool decoded, const Image& image, const std::string& why) {
    if (decoded) {
        check(image.width > 0 && image.height > 0, "a picture has pixels");
        check(imageSizeAllowed(static_cast<uint64_t>(image.width), static_cast<uint64_t>(image.height)),
              "a picture is within the caps");
        check(image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height),
              "a picture has all its pixels");
    } else {
        check(!why.empty(), "a refusal says why");
    }
}
}  // namespace

void fuzzPicture(const uint8_t* data, size_t size) {
    Image image;
    std::string why;
    checkPicture(decodeImageMemory(data, size, image, &why), image, why);
}

void fuzzJpeg(const uint8_t* data, size_t size) {
    Image image;
    std::string why;
    checkPicture(decodeJpeg(data, size, image, &why), image, why);
}

// TGA has no signature: the game reads one only under its name.
void fuzzTga(const uint8_t* data, size_t size) {
    Image image;
    std::string why;
    checkPicture(decodeTga(data, size, image, &why), image, why);
}

void fuzzEffect(const uint8_t* data, size_t size) {
    clearDebugLog();
    const std::vector<EmitterDef> defs =
        parseEffectText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.fx");
    for (const EmitterDef& d : defs) {
        const float values[] = {d.emitInterval, d.cycleInterval, d.scatterA, d.scatterB, d.pointX, d.pointY,
                                d.radius,       d.life,          d.burstDelay, d.forceX, d.forceY, d.dirX,
                                d.dirY,         d.velocity};
        for (float v : values) check(std::isfinite(v) && std::fabs(v) <= 1e6f, "effect numbers are in range");
        check(std::fabs(d.scatterA) < 1e5f && std::fabs(d.scatterB) < 1e5f, "angles fit an int");
        // Their product is taken in 64 bits; each must stay far below 2^31.
        check(d.particlesPerEmit >= 0 && d.particlesPerEmit <= 1000000 && d.burstSize >= 0 &&
                  d.burstSize <= 1000000 && d.emitsPerCycle >= 0 && d.emitsPerCycle <= 1000000,
              "particle counts are sane");
        for (int p : {d.lifeVariation, d.cycleVariation, d.velocityVariation, d.wobbleVariation, d.spinVariation,
                      d.sizeVariation})
            check(p >= 0 && p <= 100000, "variations are percentages");
        for (const Curve* c : {&d.speedCurve, &d.wobbleCurve, &d.spinCurve, &d.sizeCurve, &d.massCurve}) {
            check(c->keys && c->keys->size() <= 1024, "curves are short");
            for (const CurveKey& k : *c->keys)
                check(std::isfinite(k.value) && std::isfinite(k.time), "curve points are finite");
        }
        check(d.colourCurve.keys && d.colourCurve.keys->size() <= 1024, "colour curves are short");
        for (const ColourKey& k : *d.colourCurve.keys)
            check(std::isfinite(k.r) && std::isfinite(k.g) && std::isfinite(k.b) && std::isfinite(k.a) &&
                      std::isfinite(k.time),
                  "colours are finite");
    }
    // Run what was read: the arithmetic of emission and motion must hold
    // for every value the reader lets through.
    veParticleSystem& system = particleSystem();
    system.reset();
    std::vector<std::unique_ptr<EmitterInstance>> instances;
    for (const EmitterDef& d : defs) {
        instances.push_back(std::make_unique<EmitterInstance>(d));
        instances.back()->setPosition(400, 300);
        instances.back()->setScale(1.5f, 0.5f);
        system.registerInstance(instances.back().get());
    }
    system.setFrameTime(0.05f);
    for (int i = 0; i < 8; ++i) system.advance();
    instances.clear();
    system.advance();
    system.reset();
}

void fuzzTexts(const uint8_t* data, size_t size) {
    clearTexts();
    const std::string content(reinterpret_cast<const char*>(data), size);
    loadTextsFromMemory(content);
    // Every key of the file is found, and no text holds a line break.
    for (size_t i = 0, n = 0; i < content.size() && n < 64; ++n) {
        const size_t end = std::min(content.find('\n', i), content.size());
        const std::string line = content.substr(i, end - i);
        i = end + 1;
        const size_t space = line.find_first_of(" \t");
        if (space == std::string::npos || space == 0) continue;
        const std::string text = getText(line.substr(0, space));
        check(text.find_first_of("\r\n") == std::string::npos, "texts are one line");
    }
    clearTexts();
}

void fuzzMeshLists(const uint8_t* data, size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(all.find('\n'), all.size());
    const std::string vertices = all.substr(0, split);
    const std::string indices = split < all.size() ? all.substr(split + 1) : std::string();
    Mesh mesh;
    if (parseMesh(vertices, indices, mesh)) {
        check(mesh.vertexCount() > 0 && mesh.triangleCount() > 0, "a mesh has triangles");
        for (uint32_t i : mesh.indices) check(i < static_cast<uint32_t>(mesh.vertexCount()), "indices stay in the mesh");
        for (float v : mesh.vertices) check(std::isfinite(v), "vertices are finite");
    }
    std::vector<InitialBall> balls;
    if (parseBalls(vertices, indices, 5, balls))
        for (const InitialBall& b : balls) {
            check((b.type >= 0 && b.type < 5) || b.type == 11, "ball colours exist");
            check(std::isfinite(b.x) && std::isfinite(b.y), "ball places are finite");
        }
}

void fuzzTipStatus(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::array<int, kTipStatusCount> flags = parseTipStatus(text);
    check(parseTipStatus(formatTipStatus(flags)) == flags, "tip flags survive a save");
}

FuzzEntry fuzzEntry(const std::string& target) {
    if (target == "ini") return fuzzIniText;
    if (target == "map") return fuzzFrameMap;
    if (target == "picture") return fuzzPicture;
    if (target == "jpeg") return fuzzJpeg;
    if (target == "tga") return fuzzTga;
    if (target == "effect") return fuzzEffect;
    if (target == "texts") return fuzzTexts;
    if (target == "mesh") return fuzzMeshLists;
    if (target == "tips") return fuzzTipStatus;
    return nullptr;
}
