// Damaged and crafted picture files, frame maps and effect files: each is
// refused or cut down with a message, before it can cost memory or time.
#include <cmath>
#include <cstring>
#include <fstream>
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
    // Inflating far past its rows is stopped by the decoder's allocation limit.
    const std::vector<uint8_t> bomb = regression("png-inflates-past-its-rows.png");
    Image image;
    std::string why;
    EXPECT_FALSE(decodePng(bomb.data(), bomb.size(), image, &why));
    EXPECT_NE(why.find("damaged"), std::string::npos) << why;

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

TEST_F(GfxTest, OnlyPngAndDdsAreReadAndTheNameMustAgreeWithTheContent) {
    writeSolidPng("real.png", 4, 3);
    std::ifstream in(folder + "real.png", std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string dds = ddsHeader(2, 2, 0x41, nullptr, 32) + std::string(16, '\x7F');
    writeText("png-as.dds", png);
    writeText("png-as.tga", png);
    writeText("png-as.jpg", png);
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
                             "empty.png"}) {
        why.clear();
        EXPECT_FALSE(decodeImageFile(folder + name, image, &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
    // By content alone (no name) only the two signatures are taken.
    const std::vector<uint8_t> pgm = bytesOf("P5\n1 1\n255\n\x01");
    EXPECT_FALSE(decodeImageMemory(pgm.data(), pgm.size(), image, &why));
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
    EXPECT_FALSE(decodeImageMemory(jpeg.data(), jpeg.size(), image, &why));

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

TEST_F(HostileEffectTest, EffectValuesOutOfRangeRefuseTheEffectNamingFileAndKey) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"Emitter ParticlesPerEmit 2147483647 BurstSize 2\n", "ParticlesPerEmit is 2.14748e+09, outside 0 .. 1e+06"},
        {"Emitter ScatterAngle 3e38 0\n", "ScatterAngle is 3e+38, outside -3600 .. 3600"},
        {"Emitter PartLifeTime -1\n", "PartLifeTime is -1, outside 0 .. 3600"},
        {"Emitter Velocity 1e400\n", "the value of Velocity is too large"},
        {"Emitter ShiftX 99999999999\n", "ShiftX is 1e+11, outside -1e+06 .. 1e+06"},
        {"Emitter SizeOverLife 2000000000 1 0\n", "SizeOverLife is 2e+09, outside 0 .. 64"},
        {"Emitter PartColor 1 1 1 1 1 2\n", "PartColor is 2, outside 0 .. 1"},
        {"Emitter PartRandomness -5\n", "PartRandomness is -5, outside 0 .. 1000"},
        {"Emitter EmitterType 7\n", "EmitterType is 7, outside 0 .. 2"},
        {"Emitter Emitter Velocity 5 SizeOverLife 1 1e8 0\n", "SizeOverLife is 1e+08, outside -1e+07 .. 1e+07"},
    };
    for (const Case& c : cases) {
        clearDebugLog();
        writeText("bad.fx", c.text);
        EXPECT_TRUE(parseEffectFile(folder + "bad.fx").empty()) << c.text;
        EXPECT_EQ(debugLog(), std::string("Effect bad.fx refused: ") + c.message + "\n") << c.text;
    }
    // More emitters than any effect needs refuse it too.
    std::string many;
    for (int i = 0; i < 257; ++i) many += "Emitter\n";
    clearDebugLog();
    writeText("many.fx", many);
    EXPECT_TRUE(parseEffectFile(folder + "many.fx").empty());
    EXPECT_NE(debugLog().find("more than 256 emitters"), std::string::npos);

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
    EXPECT_EQ(debugLog().find("refused"), std::string::npos) << debugLog();
}
