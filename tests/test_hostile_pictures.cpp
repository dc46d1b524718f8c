// Damaged and crafted picture files, frame maps and effect files: each is
// refused or cut down with a message, before it can cost memory or time.
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "gfx_support.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "scene/sprite.h"

namespace {

std::string ddsHeader(uint32_t width, uint32_t height, uint32_t flags, const char* fourCC, uint32_t bits) {
    std::vector<uint32_t> h(32, 0);
    h[0] = 0x20534444u, h[1] = 124, h[3] = height, h[4] = width, h[19] = 32, h[20] = flags, h[22] = bits;
    if (fourCC) std::memcpy(&h[21], fourCC, 4);
    h[23] = 0xFF0000, h[24] = 0xFF00, h[25] = 0xFF, h[26] = 0xFF000000u;
    return std::string(reinterpret_cast<const char*>(h.data()), 128);
}

std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> regression(const std::string& name) {
    std::ifstream in(std::string(VM_SOURCE_DIR) + "/fuzz/regressions/picture/" + name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class HostileEffectTest : public GfxTest {
protected:
    void effect(const std::string& name, const std::string& text) {
        writeText("fx/" + name, text);
        loadAllEffectsFrom(folder + "fx/");
    }
};

}  // namespace

TEST_F(GfxTest, PictureSizesAreCheckedBeforeAnyPixelIsAllocated) {
    // Headers alone, claiming more than the caps or more than the file holds:
    // refused with the reason, and the image is never given pixels.
    struct Case {
        std::string file;
        const char* reason;
    };
    const Case cases[] = {
        {ddsHeader(16384, 16384, 0x41, nullptr, 32), "more than the 8192 a side the game takes"},
        {ddsHeader(16384, 16384, 0x4, "DXT1", 0), "more than the 8192 a side the game takes"},
        // A side fits, 256 MB does not: the message names the limit it broke.
        {ddsHeader(8192, 8192, 0x41, nullptr, 32), "8192 x 8192 pixels, 256 MB decoded, more than the 64 MB"},
        {ddsHeader(4096, 4096, 0x41, nullptr, 32), "ends before its pixels"},
        {ddsHeader(4096, 4096, 0x4, "DXT5", 0) + std::string(1000, '\0'), "ends before its pixels"},
        {ddsHeader(0, 10, 0x41, nullptr, 32), "no pixels"},
    };
    for (const Case& c : cases) {
        Image image;
        std::string why;
        const std::vector<uint8_t> bytes = bytesOf(c.file);
        EXPECT_FALSE(decodeDds(bytes.data(), bytes.size(), image, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_EQ(image.pixels.capacity(), 0u);
    }

    // PNGs past the caps are refused from their header, before inflating;
    // small files that would decode to 67 MB or 8193 pixels across.
    for (const auto& [name, limit] : {std::pair{"png-over-64mb-decoded.png", "MB decoded, more than the 64 MB"},
                                      std::pair{"png-wider-than-8192.png", "more than the 8192 a side"},
                                      std::pair{"png-12000-square.png", "more than the 8192 a side"}}) {
        const std::vector<uint8_t> bytes = regression(name);
        ASSERT_FALSE(bytes.empty()) << name;
        Image image;
        std::string why;
        EXPECT_FALSE(decodePng(bytes.data(), bytes.size(), image, &why)) << name;
        EXPECT_NE(why.find(limit), std::string::npos) << why;
        EXPECT_EQ(image.pixels.capacity(), 0u);
    }
    // Data far past its rows is never inflated: the decoder fills the rows the
    // header declares, and the picture is just that size.
    const std::vector<uint8_t> bomb = regression("png-inflates-past-its-rows.png");
    ASSERT_GE(bomb.size(), 24u);
    Image image;
    std::string why;
    ASSERT_TRUE(decodePng(bomb.data(), bomb.size(), image, &why)) << why;
    const auto big32 = [&](size_t at) {
        return uint32_t{bomb[at]} << 24 | uint32_t{bomb[at + 1]} << 16 | uint32_t{bomb[at + 2]} << 8 | bomb[at + 3];
    };
    EXPECT_EQ(static_cast<uint32_t>(image.width), big32(16));
    EXPECT_EQ(static_cast<uint32_t>(image.height), big32(20));
    EXPECT_EQ(image.pixels.size(), size_t{big32(16)} * big32(20));

    // The caps themselves: 8192 a side, 64 MB decoded.
    EXPECT_TRUE(imageSizeAllowed(8192, 2048));
    EXPECT_TRUE(imageSizeAllowed(4096, 4096));
    EXPECT_FALSE(imageSizeAllowed(4096, 4097));
    EXPECT_FALSE(imageSizeAllowed(8193, 1));
    EXPECT_FALSE(imageSizeAllowed(0, 1));
    // Blank textures (composed labels) keep to the same caps.
    EXPECT_FALSE(textureBank().createBlank("big", 8192, 4097));
    EXPECT_TRUE(textureBank().createBlank("fits", 4096, 4096));
}

TEST_F(GfxTest, PicturesAreReadWhenTheNameAndTheContentAgree) {
    writeSolidPng("real.png", 4, 3);
    std::ifstream in(folder + "real.png", std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string dds = ddsHeader(2, 2, 0x41, nullptr, 32) + std::string(16, '\x7F');
    writeText("png-as.dds", png);
    writeText("png-as.tga", png);
    writeText("png-as.jpg", png);
    writeText("png-as.bmp", png);
    writeText("dds-as.png", dds);
    writeText("real.dds", dds);
    writeText("two-bytes.png", "P5");
    writeText("pgm.png", "P5\n1 1\n255\n\x01");
    writeText("empty.png", "");

    Image image;
    std::string why;
    EXPECT_TRUE(decodeImageFile(folder + "real.png", image, &why));
    EXPECT_EQ(image.width, 4);
    EXPECT_TRUE(decodeImageFile(folder + "real.dds", image, &why));
    EXPECT_EQ(image.width, 2);
    for (const char* name : {"png-as.dds", "png-as.tga", "png-as.jpg", "dds-as.png", "two-bytes.png", "pgm.png",
                             "empty.png", "png-as.bmp"}) {
        why.clear();
        EXPECT_FALSE(decodeImageFile(folder + name, image, &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
    // By content alone (no name) only the signatures are taken; a JPEG that
    // ends in its header is refused with the reason.
    const std::vector<uint8_t> pgm = bytesOf("P5\n1 1\n255\n\x01");
    EXPECT_FALSE(decodeImageMemory(pgm.data(), pgm.size(), image, &why));
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
    EXPECT_FALSE(decodeImageMemory(jpeg.data(), jpeg.size(), image, &why));
    EXPECT_NE(why.find("the JPEG file is damaged"), std::string::npos) << why;

    // The bank says why it refused a file that is there, and nothing for a
    // file that is not (packs look for several names).
    clearDebugLog();
    EXPECT_FALSE(textureBank().loadFromFile(folder + "absent.png", false));
    EXPECT_TRUE(debugLog().empty());
    EXPECT_FALSE(textureBank().loadFromFile(folder + "dds-as.png", false));
    EXPECT_NE(debugLog().find("Picture " + folder + "dds-as.png refused: the file is named .png but is not a PNG"),
              std::string::npos)
        << debugLog();
}

TEST_F(GfxTest, JpegAndTgaPacksLoadAfterDdsAndPngAndLyingHeadersAreRefused) {
    const std::vector<uint8_t> jpeg = regression("../jpeg/baseline-4x3.jpg");
    ASSERT_FALSE(jpeg.empty());
    writeText("j.jpg", std::string(jpeg.begin(), jpeg.end()));
    // A 2 x 2 TGA stored from the bottom: blue, green / red, white.
    auto tgaHeader = [](int type, int w, int h, int bits, int descriptor) {
        const uint8_t b[18] = {0, 0, static_cast<uint8_t>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(h),
                               static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(bits),
                               static_cast<uint8_t>(descriptor)};
        return std::string(reinterpret_cast<const char*>(b), 18);
    };
    writeText("t.tga", tgaHeader(2, 2, 2, 24, 0) + std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12));
    PicturePack j, t;
    j.loadFrom(folder, "j", false, 1, 1);
    t.loadFrom(folder, "t", false, 1, 1);
    EXPECT_EQ(j.textureName, folder + "/j.jpg");
    EXPECT_EQ(j.width, 4u);
    EXPECT_EQ(j.height, 3u);
    EXPECT_EQ(t.textureName, folder + "/t.tga");
    EXPECT_EQ(t.width, 2u);
    Image image;
    std::string why;
    ASSERT_TRUE(decodeImageFile(folder + "t.tga", image, &why)) << why;
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF00FF00u}));
    ASSERT_TRUE(decodeImageFile(folder + "j.jpg", image, &why)) << why;
    EXPECT_EQ(image.pixels.size(), 12u);
    EXPECT_EQ(image.pixels[0] >> 24, 0xFFu);  // opaque

    // Headers that claim more than the caps or than the file holds are
    // refused before a pixel is allocated.
    struct Case {
        std::string name, bytes;
        const char* reason;
    };
    const std::string jpegText(jpeg.begin(), jpeg.end());
    std::string jpegHuge = jpegText;
    const size_t sof = jpegHuge.find("\xff\xc0");
    ASSERT_NE(sof, std::string::npos);
    jpegHuge[sof + 5] = jpegHuge[sof + 7] = '\xea';  // 60000 x 60000
    jpegHuge[sof + 6] = jpegHuge[sof + 8] = '\x60';
    const Case cases[] = {
        {"huge.jpg", jpegHuge, "more than the 8192 a side the game takes"},
        {"cut.jpg", jpegText.substr(0, 300), "the JPEG file is damaged"},
        {"huge.tga", tgaHeader(2, 16384, 16384, 32, 0), "more than the 8192 a side the game takes"},
        {"short.tga", tgaHeader(2, 100, 100, 24, 0) + std::string(12, '\0'), "ends before its pixels"},
        {"rle.tga", tgaHeader(10, 4096, 2048, 32, 0) + std::string(5, '\x7f'), "ends before its pixels"},
        {"bits.tga", tgaHeader(2, 2, 2, 7, 0) + std::string(12, '\0'), "7-bit pixels is not read"},
    };
    for (const Case& c : cases) {
        writeText(c.name, c.bytes);
        why.clear();
        EXPECT_FALSE(decodeImageFile(folder + c.name, image, &why)) << c.name;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
    }
}

TEST_F(GfxTest, FrameMapsAreCutToTheirPictureAndGlyphScansStayOnIt) {
    // A 64 x 32 sheet, opaque in columns 4..9 of every row.
    std::vector<uint32_t> px(64 * 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 4; x <= 9; ++x) px[static_cast<size_t>(y * 64 + x)] = 0xFFFFFFFFu;
    writePng("f.png", 64, 32, px);
    writeText("f.map",
              "texture 0 0 16 16\n"
              "texture 2000000000 -5 2147483647 2147483647\n"
              "texture -2147483648 0 2147483647 5\n"
              "texture 0 0 99999 20\n"
              "texture 60 30 -7 9\n");
    PicturePack p;
    p.loadFrom(folder, "f", false, 5, 1);
    ASSERT_EQ(p.frameCount(), 5);
    const std::vector<std::vector<int>> expected = {
        {0, 0, 16, 16}, {64, 0, 0, 32}, {0, 0, 64, 5}, {0, 0, 64, 20}, {60, 30, 0, 2}};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ((std::vector<int>{p.frameX(i), p.frameY(i), p.frameWidth(i), p.frameHeight(i)}), expected[i]) << i;
    EXPECT_NE(debugLog().find("FRAME MAP " + folder + "/f.map: 4 frames reach outside the 64x32 picture"),
              std::string::npos)
        << debugLog();

    // Trimming finds the opaque run inside each frame, never outside it.
    p.trimGlyphs();
    EXPECT_EQ(p.frameX(2), 4);
    EXPECT_EQ(p.frameWidth(2), 6);
    EXPECT_EQ(p.frameWidth(1), 0);
    // The scan itself clips any rectangle to the texture.
    EXPECT_EQ(textureBank().scanGlyph(folder + "/f.png", -2000000000, -5, 2147483647, 2147483647),
              (std::pair<int, int>{2000000004, 6}));
    EXPECT_EQ(textureBank().scanGlyph(folder + "/f.png", 10, 0, 2147483647, 32), (std::pair<int, int>{0, 0}));

    // Text in this font has sizes an int holds, however long.
    TextLabel label;
    label.setFont(&p);
    label.setText(std::string(100000, '\x03'));
    EXPECT_EQ(label.textWidth(label.text), 600000);
    label.setScale(1e30f, 1e30f);
    EXPECT_GT(label.layoutRect.right, 0);
    EXPECT_LT(label.layoutRect.left, 0);

    // A map past 1 MB is not read: the picture is cut in a grid instead.
    writePng("g.png", 64, 32, px);
    writeText("g.map", std::string((1 << 20) + 1, ' '));
    clearDebugLog();
    PicturePack q;
    q.loadFrom(folder, "g", false, 4, 4);
    ASSERT_EQ(q.frameCount(), 4);
    EXPECT_EQ(q.frameWidth(3), 16);
    EXPECT_NE(debugLog().find("g.map refused: larger than 1048576 bytes"), std::string::npos) << debugLog();
}

TEST_F(HostileEffectTest, EffectValuesOutOfRangeAreClampedOneLineEachAndTheOtherEmittersKept) {
    // Each bad value sits in the first of two emitters, followed by a key of
    // its own: the value is clamped (or ignored), the emitter keeps its
    // other keys, the second emitter is read, and one line names it all.
    struct Case {
        const char* value;
        const char* message;
        std::function<bool(const EmitterDef&)> check;
    };
    const Case cases[] = {
        {"ParticlesPerEmit 2147483647", "ParticlesPerEmit 2.14748e+09 is out of range, 1e+06 used",
         [](const EmitterDef& d) { return d.particlesPerEmit == 1000000; }},
        {"ScatterAngle 3e38 0", "ScatterAngle 3e+38 is out of range, 3600 used",
         [](const EmitterDef& d) { return d.scatterA == 3600.0f && d.scatterB == 0.0f; }},
        {"PartLifeTime -1", "PartLifeTime -1 is out of range, 0 used",
         [](const EmitterDef& d) { return d.life == 0.0f; }},
        {"CycleVariation -20", "CycleVariation -20 is out of range, 0 used",
         [](const EmitterDef& d) { return d.cycleVariation == 0; }},
        {"Velocity 1e400", "Velocity 1e400 is out of range, 1e+06 used",
         [](const EmitterDef& d) { return d.velocity == 1e6f; }},
        {"Velocity -inf", "Velocity -inf is out of range, -1e+06 used",
         [](const EmitterDef& d) { return d.velocity == -1e6f; }},
        {"ShiftX 99999999999999999999", "ShiftX 99999999999999999999 is out of range, 1e+06 used",
         [](const EmitterDef& d) { return d.shiftX == 1000000; }},
        {"EmitterType 3", "EmitterType 3 is out of range, 0 used",
         [](const EmitterDef& d) { return d.emitterType == 0; }},
        {"SizeOverLife 2 5 0 7 1.5", "SizeOverLife 1.5 is out of range, 1 used",
         [](const EmitterDef& d) { return d.sizeCurve.keys->size() == 2 && d.sizeCurve.keys->at(1).time == 1.0f; }},
        {"PartColor 1 300 0 0 1 0", "PartColor 300 is out of range, 255 used",
         [](const EmitterDef& d) { return d.colourCurve.keys->size() == 1 && d.colourCurve.keys->at(0).r == 255.0f; }},
        {"SizeOverLife -3", "SizeOverLife -3 is out of range, 0 used",
         [](const EmitterDef& d) { return d.sizeCurve.keys->empty(); }},
        // A NaN keeps what the key had, whatever its type.
        {"Velocity nan", "Velocity nan is not a number, ignored",
         [](const EmitterDef& d) { return d.velocity == 300.0f; }},
        {"BurstSize -NaN", "BurstSize -NaN is not a number, ignored",
         [](const EmitterDef& d) { return d.burstSize == 1; }},
    };
    for (const Case& c : cases) {
        clearDebugLog();
        writeText("bad.fx", std::string("Emitter ") + c.value + " Radius 7\nEmitter Radius 9\n");
        const std::vector<EmitterDef> list = parseEffectFile(folder + "bad.fx");
        ASSERT_EQ(list.size(), 2u) << c.value;
        EXPECT_TRUE(c.check(list[0])) << c.value;
        EXPECT_EQ(list[0].radius, 7.0f) << c.value;
        EXPECT_EQ(list[1].radius, 9.0f) << c.value;
        EXPECT_EQ(debugLog(), std::string("Effect bad.fx: ") + c.message + "\n") << c.value;
    }
    // The limits on memory still end the reading, where they are reached:
    // more emitters than any effect needs, more curve keys than any curve.
    std::string many;
    for (int i = 0; i < 257; ++i) many += "Emitter\n";
    clearDebugLog();
    writeText("many.fx", many);
    EXPECT_EQ(parseEffectFile(folder + "many.fx").size(), 256u);
    EXPECT_EQ(debugLog(), "Effect many.fx: more than 256 emitters, reading stops there\n");
    std::string keys = "Emitter Radius 3 PartMass 65";
    for (int i = 0; i < 65; ++i) keys += " 1 0";
    clearDebugLog();
    writeText("keys.fx", keys + " Emitter\n");
    const std::vector<EmitterDef> cut = parseEffectFile(folder + "keys.fx");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].radius, 3.0f);
    EXPECT_EQ(cut[0].massCurve.keys->size(), 64u);
    EXPECT_EQ(debugLog(), "Effect keys.fx: PartMass has 65 keys, reading stops after 64\n");
    // A word where a number belongs ends the reading, saying so.
    clearDebugLog();
    writeText("word.fx", "Emitter Radius 4 Velocity fast Emitter\n");
    const std::vector<EmitterDef> word = parseEffectFile(folder + "word.fx");
    ASSERT_EQ(word.size(), 1u);
    EXPECT_EQ(word[0].radius, 4.0f);
    EXPECT_EQ(debugLog(), "Effect word.fx: reading stops at Velocity, \"fast\" is not a number\n");

    // Values at the edges of their ranges are read and run.
    clearDebugLog();
    effect("edge.fx", "Emitter ParticlesPerEmit 1000000 BurstSize 1000000 ScatterAngle 3600 -3600 "
                      "PartLifeTime 3600 Velocity 1000000 VelocityVariation 1000 SizeOverLife 1 10000000 1\n");
    ASSERT_EQ(effectCache().at("edge.fx").size(), 1u);
    EXPECT_TRUE(debugLog().empty()) << debugLog();
    FXSprite sprite;
    sprite.addEffect("edge.fx");
    for (int i = 0; i < 3; ++i) {
        particlesSetFrameTime(0.05f);
        particlesAdvance();
    }
    EXPECT_EQ(particleSystem().liveCount(), veParticleSystem::kPoolSize);
}

TEST_F(GfxTest, EveryShippedEffectIsReadWithoutARefusal) {
    const std::string fx = std::string(VM_TEST_DATA_DIR) + "/fx/";
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(fx)) {
        if (e.path().extension() != ".fx") continue;
        ++files;
        EXPECT_FALSE(parseEffectFile(e.path().string()).empty()) << e.path();
    }
    EXPECT_GT(files, 10);
    EXPECT_EQ(debugLog().find("Effect "), std::string::npos) << debugLog();
}
