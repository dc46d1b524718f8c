#include "gfx_support.h"
#include "res/picture_pack.h"
#include "scene/sprite.h"

namespace {

std::vector<int> frame(const PicturePack& p, int i) { return {p.frameX(i), p.frameY(i), p.frameWidth(i), p.frameHeight(i)}; }

}  // namespace

TEST_F(GfxTest, GridCutsWithoutAMapFile) {
    writeSolidPng("frame.png", 96, 96);
    writeSolidPng("brilliant.png", 200, 50);
    writeSolidPng("three.png", 100, 10);
    PicturePack a, b, c;
    a.loadFrom(folder, "frame", false, 9, 3);
    b.loadFrom(folder, "brilliant", false, 20, 10);
    c.loadFrom(folder, "three", false, 3, 15);
    ASSERT_EQ(a.frameCount(), 9);
    EXPECT_EQ(frame(a, 4), (std::vector<int>{32, 32, 32, 32}));
    EXPECT_EQ(frame(a, 8), (std::vector<int>{64, 64, 32, 32}));
    ASSERT_EQ(b.frameCount(), 20);
    EXPECT_EQ(frame(b, 13), (std::vector<int>{60, 25, 20, 25}));
    ASSERT_EQ(c.frameCount(), 3);
    EXPECT_EQ(frame(c, 2), (std::vector<int>{66, 0, 33, 10}));
    EXPECT_EQ(a.width, 96u);
    EXPECT_EQ(a.textureName, folder + "/frame.png");
    EXPECT_TRUE(debugLog().empty());
}

TEST_F(GfxTest, PictureExtensionsAreTriedInOrder) {
    writeSolidPng("both.png", 8, 8);
    writeSolidPng("both.tga", 8, 8);
    std::vector<uint8_t> px(16 * 4 * 4, 0xFF);
    std::vector<uint32_t> header(32, 0);
    header[0] = 0x20534444u, header[1] = 124, header[3] = 4, header[4] = 16, header[19] = 32, header[20] = 0x41;
    header[22] = 32, header[23] = 0xFF0000, header[24] = 0xFF00, header[25] = 0xFF, header[26] = 0xFF000000u;
    std::string dds(reinterpret_cast<const char*>(header.data()), 128);
    dds.append(reinterpret_cast<const char*>(px.data()), px.size());
    writeText("both.dds", dds);
    PicturePack p;
    p.loadFrom(folder, "both", false, 1, 1);
    EXPECT_EQ(p.textureName, folder + "/both.dds");
    EXPECT_EQ(p.width, 16u);
    EXPECT_EQ(p.height, 4u);

    // Without the DDS the PNG loads; a TGA comes after it (this one is a
    // PNG under that name, and is refused).
    PicturePack q;
    std::filesystem::remove(folder + "both.dds");
    textureBank().clear();
    q.loadFrom(folder, "both", false, 1, 1);
    EXPECT_EQ(q.textureName, folder + "/both.png");
    PicturePack r;
    std::filesystem::remove(folder + "both.png");
    textureBank().clear();
    r.loadFrom(folder, "both", false, 1, 1);
    EXPECT_EQ(r.frameWidth(0), 0);
    EXPECT_NE(debugLog().find("PCK: ERROR PIC: both"), std::string::npos);
}

TEST_F(GfxTest, MissingPictureGivesEmptyFramesThatDrawNothing) {
    PicturePack p;
    p.loadFrom(folder, "absent", true, 4, 2);
    EXPECT_EQ(p.frameCount(), 4);
    EXPECT_EQ(frame(p, 3), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(p.textureName, folder + "/absent.png");
    EXPECT_EQ(debugLog(), "PCK: ERROR PIC: absent\n");
    ASSERT_TRUE(Gfx_BeginScene());
    p.drawFrame(0, 10, 10, nullptr);
    Gfx_EndScene();
    EXPECT_TRUE(dev->draws.empty());
}

TEST_F(GfxTest, MapFilesListFramesAndReportBadWords) {
    writeSolidPng("m.png", 64, 32);
    writeText("m.map", "junk texture 0 0 32 32\n\ttexture 32 0 16 32\r\ntexture 48 0 0 32 more\n");
    PicturePack p;
    p.loadFrom(folder, "m", false, 3, 1);
    ASSERT_EQ(p.frameCount(), 3);
    EXPECT_EQ(frame(p, 0), (std::vector<int>{0, 0, 32, 32}));
    EXPECT_EQ(frame(p, 1), (std::vector<int>{32, 0, 16, 32}));
    EXPECT_EQ(frame(p, 2), (std::vector<int>{48, 0, 0, 32}));
    const std::string bad = "BAD MAP FILE: " + folder + "/m.png\n";
    EXPECT_EQ(debugLog(), bad + bad);  // "junk" and "more"; the count matches

    // The expected count is checked, not enforced.
    clearDebugLog();
    textureBank().clear();
    PicturePack q;
    q.loadFrom(folder, "m", false, 5, 1);
    EXPECT_EQ(q.frameCount(), 3);
    EXPECT_NE(debugLog().find("CORRUPT MAP FILE: " + folder + "/m.png\n"), std::string::npos);

    // A number that does not parse ends the reading after its frame.
    writeText("m.map", "texture 1 2 x 4 texture 5 5 5 5\n");
    textureBank().clear();
    PicturePack r;
    r.loadFrom(folder, "m", false, 2, 1);
    ASSERT_EQ(r.frameCount(), 1);
    EXPECT_EQ(frame(r, 0), (std::vector<int>{1, 2, 0, 0}));

    // A zero-width frame counts but draws nothing; the others draw.
    clearDebugLog();
    ASSERT_TRUE(Gfx_BeginScene());
    p.drawFrame(2, 0, 0, nullptr);
    p.drawFrame(1, 0, 0, nullptr);
    Gfx_EndScene();
    ASSERT_EQ(batches().size(), 1u);
    EXPECT_FLOAT_EQ(batches()[0].vertices[0].u, 0.5f);
    EXPECT_FLOAT_EQ(batches()[0].vertices[1].u, 0.75f);
}

TEST_F(GfxTest, FrameRangeChecksReportInOrderAndKeepTheFrame) {
    PicturePack p;
    p.textureName = "t";
    p.addFrame(-1, 2048, 3000, -5);
    EXPECT_EQ(debugLog(), "BAD RESOURCE: H : t\nBAD RESOURCE: W : t\nBAD RESOURCE: X : t\nBAD RESOURCE: Y : t\n");
    EXPECT_EQ(p.frameCount(), 1);
    clearDebugLog();
    p.addFrame(0, 2047, 2047, 0);
    EXPECT_TRUE(debugLog().empty());
}

TEST_F(GfxTest, FrameRectsAndBlankPacks) {
    PicturePack p;
    p.createBlankIn(folder, "blank", 30, 11);
    EXPECT_EQ(p.textureName, folder + "/blank.png");
    EXPECT_NE(textureBank().find(p.textureName), nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder + "blank.png"));
    const Rect r = p.frameRect(0, 5, 6);
    EXPECT_EQ(r.left, 5); EXPECT_EQ(r.top, 6); EXPECT_EQ(r.right, 35); EXPECT_EQ(r.bottom, 17);
    const Rect s = p.frameRect(0, 5, 6, 1.5f, 0.5f);
    EXPECT_EQ(s.right, 50); EXPECT_EQ(s.bottom, 11);

    PicturePack q;
    q.createBlankIn(folder, "empty", 0, 10);
    EXPECT_EQ(debugLog(), "pic: empty\n");
    EXPECT_EQ(frame(q, 0), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(GfxTest, TrimGlyphsNarrowsEveryFrameButTheFirst) {
    // Two 8 x 4 cells; each has opaque pixels at columns 2..4 in some row.
    std::vector<uint32_t> px(16 * 4, 0);
    for (int x = 2; x <= 4; ++x) px[static_cast<size_t>(1 * 16 + x)] = 0xFFFFFFFFu;
    for (int x = 10; x <= 12; ++x) px[static_cast<size_t>(2 * 16 + x)] = 0xFFFFFFFFu;
    writePng("font.png", 16, 4, px);
    PicturePack f;
    f.loadFrom(folder, "font", false, 2, 2);
    f.trimGlyphs();
    EXPECT_EQ(frame(f, 0), (std::vector<int>{0, 0, 8, 4}));
    EXPECT_EQ(frame(f, 1), (std::vector<int>{10, 0, 3, 4}));
    EXPECT_TRUE(debugLog().empty());
}

TEST_F(GfxTest, TwiceSizedPicturesMeasureAndDrawInLogicalPixels) {
    // The same two 8 x 4 frames, drawn at 1x and at 2x; glyph ink in the 2x
    // frame covers half texels at either end and is widened to whole pixels.
    writeSolidPng("one/p.png", 16, 4);
    std::vector<uint32_t> px(32 * 8, 0);
    for (int x = 16 + 5; x <= 16 + 8; ++x) px[static_cast<size_t>(3 * 32 + x)] = 0xFFFFFFFFu;
    writePng("two/p.png", 32, 8, px);
    PicturePack one, two;
    one.loadFrom(folder + "one", "p", false, 2, 15);
    two.loadFrom(folder + "two", "p", false, 2, 15, 2);
    EXPECT_EQ(two.width, 16u);
    EXPECT_EQ(two.height, 4u);
    EXPECT_EQ(frame(two, 1), frame(one, 1));
    auto quad = [&](const PicturePack& p) {
        dev->draws.clear();
        EXPECT_TRUE(Gfx_BeginScene());
        p.drawFrame(1, 10, 20, nullptr);
        Gfx_EndScene();
        const auto b = batches();
        return b.empty() ? std::vector<Vertex>{} : b[0].vertices;
    };
    const std::vector<Vertex> a = quad(one), b = quad(two);
    ASSERT_EQ(a.size(), 4u);
    expectSameQuadPlaces(a, b);
    two.trimGlyphs();
    EXPECT_EQ(frame(two, 1), (std::vector<int>{10, 0, 3, 4}));
    EXPECT_TRUE(debugLog().empty()) << debugLog();
    // A 2x picture of an odd size is used, and named as damaged.
    writeSolidPng("two/odd.png", 15, 8);
    PicturePack odd;
    odd.loadFrom(folder + "two", "odd", false, 1, 15, 2);
    EXPECT_EQ(odd.frameWidth(0), 7);
    EXPECT_NE(debugLog().find("odd.png is 15x8"), std::string::npos) << debugLog();
}
