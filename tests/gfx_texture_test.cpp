#include <cstring>

#include "gfx_support.h"

namespace {

// A DDS file: the 128-byte header with the given pixel format and data.
std::string ddsFile(int w, int h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                    uint32_t a, const std::vector<uint8_t>& data) {
    std::vector<uint32_t> header(32, 0);
    header[0] = 0x20534444u;  // "DDS "
    header[1] = 124;
    header[2] = 0x1007;
    header[3] = static_cast<uint32_t>(h);
    header[4] = static_cast<uint32_t>(w);
    header[19] = 32;
    header[20] = pfFlags;
    header[21] = fourCC;
    header[22] = bits;
    header[23] = r, header[24] = g, header[25] = b, header[26] = a;
    std::string out(reinterpret_cast<const char*>(header.data()), 128);
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
    return out;
}

uint32_t fourCC(const char* s) {
    uint32_t v;
    std::memcpy(&v, s, 4);
    return v;
}

const std::vector<uint32_t> kPixels = {0xFFFF0000u, 0x8000FF00u, 0xFF0000FFu, 0x00000000u,
                                       0xFF000000u, 0xFFFFFFFFu, 0x40102030u, 0xFF123456u};

}  // namespace

TEST_F(GfxTest, PngLoadsWithItsSizeAndTheColourKeyClearsOpaqueBlackOnly) {
    writePng("p.png", 4, 2, kPixels);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(textureBank().loadFromFile(folder + "p.png", true, &w, &h));
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    const TextureEntry* e = textureBank().find(folder + "p.png");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->surfaceWidth, 4);
    EXPECT_EQ(e->pixels[0], 0xFFFF0000u);
    EXPECT_EQ(e->pixels[1], 0x8000FF00u);
    EXPECT_EQ(e->pixels[4], 0u);           // opaque black became transparent
    EXPECT_EQ(e->pixels[7], 0xFF123456u);

    // The same file under another name without the key keeps its black.
    std::filesystem::copy_file(folder + "p.png", folder + "q.png");
    ASSERT_TRUE(textureBank().loadFromFile(folder + "q.png", false));
    EXPECT_EQ(textureBank().find(folder + "q.png")->pixels[4], 0xFF000000u);

    // A name already in the bank succeeds without reading and keeps its size.
    std::filesystem::remove(folder + "p.png");
    w = h = 0;
    EXPECT_TRUE(textureBank().loadFromFile(folder + "p.png", false, &w, &h));
    EXPECT_EQ(w, 4u);
    EXPECT_FALSE(textureBank().loadFromFile(folder + "none.png", false));
    writeText("junk.png", "not a picture");
    EXPECT_FALSE(textureBank().loadFromFile(folder + "junk.png", false));
}

TEST_F(GfxTest, UncompressedDdsDecodesLikeThePngOfTheSamePixels) {
    writePng("ref.png", 4, 2, kPixels);
    ASSERT_TRUE(textureBank().loadFromFile(folder + "ref.png", false));
    std::vector<uint8_t> bgra, bgr;
    for (uint32_t p : kPixels) {
        for (int k = 0; k < 4; ++k) bgra.push_back(static_cast<uint8_t>(p >> (8 * k)));
        for (int k = 0; k < 3; ++k) bgr.push_back(static_cast<uint8_t>(p >> (8 * k)));
    }
    writeText("a.dds", ddsFile(4, 2, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, bgra));
    writeText("b.dds", ddsFile(4, 2, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, bgr));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "a.dds", false));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "b.dds", false));
    const auto& ref = textureBank().find(folder + "ref.png")->pixels;
    EXPECT_EQ(textureBank().find(folder + "a.dds")->pixels, ref);
    const auto& rgb = textureBank().find(folder + "b.dds")->pixels;
    for (size_t i = 0; i < ref.size(); ++i) EXPECT_EQ(rgb[i], ref[i] | 0xFF000000u) << i;
    // Truncated data is refused, not read past the end.
    writeText("c.dds", ddsFile(4, 2, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, {1, 2, 3}));
    EXPECT_FALSE(textureBank().loadFromFile(folder + "c.dds", false));
}

TEST_F(GfxTest, CompressedDdsBlocksDecode) {
    // DXT1, 4 x 4: colour 0 pure red (0xF800), colour 1 pure blue (0x001F),
    // four-colour mode; row 0 uses indices 0,1,2,3.
    std::vector<uint8_t> dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    writeText("d1.dds", ddsFile(4, 4, 0x4, fourCC("DXT1"), 0, 0, 0, 0, 0, dxt1));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "d1.dds", false));
    const auto& p1 = textureBank().find(folder + "d1.dds")->pixels;
    EXPECT_EQ(p1[0], 0xFFFF0000u);
    EXPECT_EQ(p1[1], 0xFF0000FFu);
    EXPECT_EQ(p1[2], 0xFFAA0055u);  // two thirds red
    EXPECT_EQ(p1[3], 0xFF5500AAu);
    EXPECT_EQ(p1[4], 0xFFFF0000u);  // row 1: all index 0

    // Three-colour mode (colour 0 <= colour 1): index 3 is transparent black.
    std::vector<uint8_t> dxt1b = {0x1F, 0x00, 0x00, 0xF8, 0xC0, 0x00, 0x00, 0x00};
    writeText("d1b.dds", ddsFile(4, 4, 0x4, fourCC("DXT1"), 0, 0, 0, 0, 0, dxt1b));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "d1b.dds", false));
    EXPECT_EQ(textureBank().find(folder + "d1b.dds")->pixels[3], 0u);

    // DXT5: alpha endpoints 255 and 0, first pixel index 1 (alpha 0), the
    // second index 0 (255); colour all white.
    std::vector<uint8_t> dxt5 = {0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
    writeText("d5.dds", ddsFile(4, 4, 0x4, fourCC("DXT5"), 0, 0, 0, 0, 0, dxt5));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "d5.dds", false));
    const auto& p5 = textureBank().find(folder + "d5.dds")->pixels;
    EXPECT_EQ(p5[0], 0x00FFFFFFu);
    EXPECT_EQ(p5[1], 0xFFFFFFFFu);

    // DXT3: explicit 4-bit alpha, first pixel 0x8 -> 0x88.
    std::vector<uint8_t> dxt3 = {0x08, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    writeText("d3.dds", ddsFile(4, 4, 0x4, fourCC("DXT3"), 0, 0, 0, 0, 0, dxt3));
    ASSERT_TRUE(textureBank().loadFromFile(folder + "d3.dds", false));
    EXPECT_EQ(textureBank().find(folder + "d3.dds")->pixels[0], 0x88FF0000u);
}

TEST_F(GfxTest, CopyOpaquePixelsWritesOnlyVisiblePixelsInsideBothSurfaces) {
    CTextureBank& bank = textureBank();
    ASSERT_TRUE(bank.createBlank("dst", 4, 2));
    writePng("src.png", 4, 2, kPixels);
    const std::string src = folder + "src.png";
    ASSERT_TRUE(bank.loadFromFile(src, false));
    TextureEntry* d = bank.find("dst");
    for (auto& p : d->pixels) p = 0x11111111u;
    ASSERT_TRUE(bank.copyOpaquePixels("dst", src, 1, 0, 0, 0, 4, 2));
    EXPECT_EQ(d->pixels[0], 0x11111111u);
    EXPECT_EQ(d->pixels[1], 0xFFFF0000u);
    EXPECT_EQ(d->pixels[2], 0x8000FF00u);
    EXPECT_EQ(d->pixels[3], 0xFF0000FFu);  // the fourth source column fell outside
    EXPECT_EQ(d->pixels[4], 0x11111111u);
    EXPECT_TRUE(d->dirty);
    // The source rectangle must fit; nothing is copied when it does not.
    EXPECT_FALSE(bank.copyOpaquePixels("dst", src, 0, 0, 2, 0, 3, 2));
    EXPECT_FALSE(bank.copyOpaquePixels("dst", "absent", 0, 0, 0, 0, 1, 1));
    // Transparent source pixels leave the destination as it was.
    ASSERT_TRUE(bank.copyOpaquePixels("dst", src, 0, 0, 3, 0, 1, 1));
    EXPECT_EQ(d->pixels[0], 0x11111111u);
}

TEST_F(GfxTest, GlyphScanFindsTheLongestOpaqueRun) {
    // Row 0: opaque at 2..3; row 1: at 1 and 5 (run 1..5); row 2: 0..4 (same
    // length, later row loses); row 3 transparent.
    std::vector<uint32_t> px(8 * 4, 0);
    auto set = [&](int x, int y) { px[static_cast<size_t>(y * 8 + x)] = 0x01FFFFFFu; };
    set(2, 0), set(3, 0), set(1, 1), set(5, 1), set(0, 2), set(4, 2);
    writePng("g.png", 8, 4, px);
    ASSERT_TRUE(textureBank().loadFromFile(folder + "g.png", false));
    EXPECT_EQ(textureBank().scanGlyph(folder + "g.png", 0, 0, 8, 4), std::make_pair(1, 5));
    EXPECT_EQ(textureBank().scanGlyph(folder + "g.png", 2, 0, 6, 1), std::make_pair(0, 2));
    EXPECT_EQ(textureBank().scanGlyph(folder + "g.png", 0, 3, 8, 1), std::make_pair(0, 0));
}

TEST_F(GfxTest, ParticleTexturesAreNamedByTheirLastPathComponent) {
    writeSolidPng("particles/spark.png", 4, 4);
    CTextureBank& bank = textureBank();
    const int id = bank.particleTextureId("..\\whatever/dir/spark.png");
    EXPECT_EQ(id, 1);
    EXPECT_EQ(bank.particleTextureId("spark.png"), 1);
    ASSERT_NE(bank.textureById(1), nullptr);
    EXPECT_EQ(bank.textureById(1)->name, folder + "particles/spark.png");
    // A missing picture still gets an id, reports once and draws untextured.
    EXPECT_EQ(bank.particleTextureId("gone.png"), 2);
    EXPECT_EQ(bank.textureById(2), nullptr);
    EXPECT_NE(debugLog().find("DUvad : CTextureBank : Can't initialize texture : " + folder + "particles/gone.png !"),
              std::string::npos);
    EXPECT_EQ(bank.textureById(7), nullptr);
}

namespace {
// A device that keeps its own copy of every texture, as OpenGL does; it
// notes the first texel of each upload.
class HoldingDevice : public RecordingDevice {
public:
    bool holdsTextures() const override { return true; }
    uint32_t createTexture(int w, int h, const uint32_t* pixels) override {
        firstTexels.push_back(pixels && w > 0 && h > 0 ? pixels[0] : 0);
        return RecordingDevice::createTexture(w, h, pixels);
    }
    std::vector<uint32_t> firstTexels;
};
}  // namespace

TEST_F(GfxTest, PicturesLetGoOfTheirPixelsOnlyWhenTheDeviceHoldsThemAndReadThemAgainWhenNeeded) {
    writeSolidPng("p.png", 4, 4, 0xFF112233u);
    writeSolidPng("q.png", 4, 4, 0xFF445566u);
    auto draw = [](const std::string& name) {
        ASSERT_TRUE(Gfx_BeginScene());
        Gfx_DrawQuad(0, 0, name, 0, 0, 4, 4, nullptr);
        Gfx_EndScene();
    };
    CTextureBank& bank = textureBank();
    const std::string p = folder + "p.png", q = folder + "q.png";
    ASSERT_TRUE(bank.loadFromFile(p, false));
    ASSERT_TRUE(bank.loadFromFile(q, false));
    draw(p);
    EXPECT_EQ(bank.find(p)->pixels.size(), 16u) << "a recording device holds nothing: the bank keeps the pixels";

    Gfx_InstallDevice(std::make_unique<HoldingDevice>());
    ASSERT_TRUE(Gfx_InitDevice());
    draw(p);
    draw(q);
    EXPECT_TRUE(bank.find(p)->pixels.empty());
    EXPECT_EQ(bank.deviceBytes(), 2u * 4 * 4 * 4);
    EXPECT_EQ(bank.cpuBytes(), 0u);
    // Composing from a picture reads it again, and from then on keeps it.
    ASSERT_TRUE(bank.createBlank("label", 4, 4));
    ASSERT_TRUE(bank.copyOpaquePixels("label", p, 0, 0, 0, 0, 4, 4));
    EXPECT_EQ(bank.find("label")->pixels[5], 0xFF112233u);
    EXPECT_EQ(bank.find(p)->pixels.size(), 16u);
    // A new device gets every picture again, from the file where the bank let go.
    auto second = std::make_unique<HoldingDevice>();
    HoldingDevice* d2 = second.get();
    Gfx_InstallDevice(std::move(second));
    ASSERT_TRUE(Gfx_InitDevice());
    draw(q);
    draw(p);
    EXPECT_EQ(d2->firstTexels, (std::vector<uint32_t>{0xFF445566u, 0xFF112233u}));
    EXPECT_TRUE(bank.find(q)->pixels.empty());
    EXPECT_EQ(bank.find(p)->pixels.size(), 16u);
}

TEST_F(GfxTest, LargePicturesIdleForAWhileLetGoOfTheirDeviceCopyAndAreReadAgainWhenDrawn) {
    writeSolidPng("back.png", 512, 512, 0xFF336699u);  // 1 MB of texels: large enough
    writeSolidPng("ball.png", 8, 8, 0xFFAA0000u);
    auto device = std::make_unique<HoldingDevice>();
    HoldingDevice* d = device.get();
    Gfx_InstallDevice(std::move(device));
    ASSERT_TRUE(Gfx_InitDevice());
    auto draw = [](const std::string& name) {
        ASSERT_TRUE(Gfx_BeginScene());
        Gfx_DrawQuad(0, 0, name, 0, 0, 8, 8, nullptr);
        Gfx_EndScene();
    };
    CTextureBank& bank = textureBank();
    const std::string back = folder + "back.png", ball = folder + "ball.png";
    ASSERT_TRUE(bank.loadFromFile(back, false));
    ASSERT_TRUE(bank.loadFromFile(ball, false));
    ASSERT_TRUE(bank.createBlank("label", 512, 512));  // composed: no file gives it back
    draw("label");
    draw(back);
    const uint32_t first = bank.find(back)->deviceHandle;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(bank.releaseIdle(2), 0u) << "drawn in the last frame";

    // Idle long enough while the renderer still has it bound from the last draw.
    EXPECT_EQ(bank.releaseIdle(1), 1u);
    EXPECT_EQ(bank.find(back)->deviceHandle, 0u);
    EXPECT_TRUE(bank.find(back)->pixels.empty());
    EXPECT_NE(bank.find("label")->deviceHandle, 0u);
    EXPECT_EQ(bank.find("label")->pixels.size(), 512u * 512u);
    EXPECT_EQ(bank.deviceBytes(), 4u * 512 * 512);
    // Drawn again: read from its file, uploaded anew and bound, not the handle let go.
    draw(back);
    const uint32_t again = bank.find(back)->deviceHandle;
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, first);
    ASSERT_FALSE(d->draws.empty());
    EXPECT_EQ(d->draws.back().texture, again);
    EXPECT_EQ(d->firstTexels.back(), 0xFF336699u);

    // The frames the renderer ends do the same on their own; a small picture stays.
    draw(ball);
    const int live = d->texturesLive;
    for (uint64_t i = 0; i < CTextureBank::kIdleReleaseFrames + 80; ++i) draw(ball);
    EXPECT_EQ(bank.find(back)->deviceHandle, 0u);
    EXPECT_NE(bank.find(ball)->deviceHandle, 0u);
    EXPECT_EQ(d->texturesLive, live - 1);
}
