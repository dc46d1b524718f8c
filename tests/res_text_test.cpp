#include <numbers>
#include <stdexcept>

#include "gfx_support.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "res/texts.h"

namespace {

// A font whose 'a' is 10 and 'b' 12 pixels wide, the space 4, all 20 high.
class TextTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        std::vector<uint32_t> px(32 * 21, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 22; ++x) px[static_cast<size_t>(y * 32 + x)] = x < 10 ? 0xFFFF0000u : 0xFF00FF00u;
        writePng("font1.png", 32, 21, px);
        ASSERT_TRUE(textureBank().loadFromFile(folder + "font1.png", false));
        font.textureName = folder + "font1.png";
        for (int c = 0; c < 256; ++c) {
            if (c == 'a') font.addFrame(0, 0, 10, 20);
            else if (c == 'b') font.addFrame(10, 0, 12, 20);
            else if (c == ' ') font.addFrame(22, 0, 4, 20);
            else font.addFrame(0, 0, 0, 20);
        }
    }
    std::vector<Vertex> drawn(Sprite& s) {
        dev->draws.clear();
        EXPECT_TRUE(Gfx_BeginScene());
        s.draw(Rect{0, 0, 799, 599});
        Gfx_EndScene();
        std::vector<Vertex> v;
        for (const auto& d : batches()) v.insert(v.end(), d.vertices.begin(), d.vertices.end());
        return v;
    }
    PicturePack font;
};

}  // namespace

TEST_F(TextTest, CentredLabelLaysOutAndDrawsGlyphByGlyph) {
    TextLabel label;
    label.setFont(&font);
    label.setText("ab");
    label.setPosition(400, 300);
    EXPECT_EQ(label.layoutRect.left, -11);
    EXPECT_EQ(label.layoutRect.top, -10);
    EXPECT_EQ(label.layoutRect.right, 10);
    EXPECT_EQ(label.layoutRect.bottom, 10);
    EXPECT_EQ(label.width(), 22);
    Rect r;
    label.getRect(r);
    EXPECT_EQ(r.left, 389); EXPECT_EQ(r.bottom, 310);
    const auto v = drawn(label);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_FLOAT_EQ(v[0].x, 389); EXPECT_FLOAT_EQ(v[0].y, 290);
    EXPECT_FLOAT_EQ(v[4].x, 399); EXPECT_FLOAT_EQ(v[5].x, 411);
    // The label's hot spot is restored after drawing.
    EXPECT_FLOAT_EQ(label.rs.hotX, 0); EXPECT_FLOAT_EQ(label.rs.hotY, 0);

    label.setAlign(1);
    EXPECT_EQ(label.layoutRect.left, -22);
    EXPECT_EQ(label.layoutRect.right, -1);
    EXPECT_EQ(label.layoutRect.top, 0);
    label.setAlign(3);
    EXPECT_EQ(label.layoutRect.left, -11);
    EXPECT_EQ(label.layoutRect.top, 0);
}

TEST_F(TextTest, ScaledAndRotatedLabelsTurnAsOnePiece) {
    TextLabel label;
    label.setFont(&font);
    label.setAlign(0);
    label.setText("ab");
    label.setPosition(100, 100);
    label.setScale(2, 2);
    EXPECT_EQ(label.layoutRect.right, 43);
    auto v = drawn(label);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_FLOAT_EQ(v[4].x, 120);  // advance doubled
    EXPECT_FLOAT_EQ(v[5].x, 144);  // glyph doubled
    EXPECT_FLOAT_EQ(v[6].y, 140);

    // Half a turn about the label's hot spot (its top left): 'b', drawn to the
    // right of 'a', ends up to its left.
    label.setScale(1, 1);
    label.setAngle(static_cast<float>(std::numbers::pi));
    v = drawn(label);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_NEAR(v[0].x, 100, 1e-3); EXPECT_NEAR(v[0].y, 100, 1e-3);
    EXPECT_NEAR(v[4].x, 90, 1e-3); EXPECT_NEAR(v[4].y, 100, 1e-3);
    EXPECT_NEAR(v[6].x, 78, 1e-3); EXPECT_NEAR(v[6].y, 80, 1e-3);
}

TEST_F(TextTest, CaretPointsCountSpacesAsFivePixels) {
    TextLabel label;
    label.setFont(&font);
    label.setAlign(0);
    label.setText("a b");
    label.setPosition(50, 60);
    EXPECT_EQ(label.caretPoint(0).x, 47);
    EXPECT_EQ(label.caretPoint(0).y, 60);
    EXPECT_EQ(label.caretPoint(2).x, 50 + 10 + 5 - 3);
    EXPECT_EQ(label.caretPoint(3).x, 50 + 27 - 3);
    try {
        label.caretPoint(4);
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Error: getPos in TextLabel");
    }
    EXPECT_THROW(label.caretPoint(-1), std::out_of_range);
    EXPECT_EQ(label.textWidth("ab a"), 36);
}

TEST_F(TextTest, LabelWithoutFontIsInvisibleAndMeasuresNothing) {
    TextLabel label;
    label.setText("ab");
    EXPECT_EQ(label.width(), 0);
    EXPECT_TRUE(drawn(label).empty());
}

TEST_F(TextTest, ComposedLabelsGetTheirOwnTextures) {
    const int before = composedLabelCount();
    auto one = std::make_unique<TextLabelEx>(&font, "ab");
    auto two = std::make_unique<TextLabelEx>(&font, "ab");
    EXPECT_EQ(composedLabelCount(), before + 2);
    ASSERT_NE(one->ownPack->textureName, two->ownPack->textureName);
    EXPECT_NE(one->ownPack->textureName.find("TextLabel" + std::to_string(before + 1) + ".png"), std::string::npos);
    const TextureEntry* t = textureBank().find(one->ownPack->textureName);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->surfaceWidth, 22);
    EXPECT_EQ(t->surfaceHeight, 21);
    EXPECT_EQ(t->pixels[0], 0xFFFF0000u);
    EXPECT_EQ(t->pixels[12], 0xFF00FF00u);
    EXPECT_EQ(one->width(), 22);
    const auto v = drawn(*one);
    ASSERT_EQ(v.size(), 4u);
    const std::string name = one->ownPack->textureName;
    one.reset();
    EXPECT_EQ(textureBank().find(name), nullptr);
    EXPECT_NE(textureBank().find(two->ownPack->textureName), nullptr);
}

TEST_F(TextTest, ComposedLabelsOfATwiceSizedFontKeepItsTexels) {
    // The test font drawn at 2x: 'a' in texel columns 0..19, 'b' in 20..43.
    std::vector<uint32_t> px(64 * 42, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 44; ++x) px[static_cast<size_t>(y * 64 + x)] = x < 20 ? 0xFFFF0000u : 0xFF00FF00u;
    writePng("2x/font1.png", 64, 42, px);
    PicturePack sharp;
    sharp.loadFrom(folder + "2x", "font1", false, 0, 1, 2);
    for (int c = 0; c < 256; ++c) sharp.addFrame(font.frameX(c), font.frameY(c), font.frameWidth(c), font.frameHeight(c));
    TextLabelEx one(&font, "ab"), two(&sharp, "ab");
    EXPECT_EQ(two.width(), one.width());
    EXPECT_EQ(two.height(), one.height());
    const TextureEntry* t = textureBank().find(two.ownPack->textureName);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->surfaceWidth, 44);
    EXPECT_EQ(t->surfaceHeight, 42);
    EXPECT_EQ(t->pixels[19], 0xFFFF0000u);
    EXPECT_EQ(t->pixels[20], 0xFF00FF00u);
    EXPECT_EQ(t->pixels[static_cast<size_t>(39 * 44 + 43)], 0xFF00FF00u);
    const auto a = drawn(one), b = drawn(two);
    ASSERT_EQ(a.size(), 4u);
    expectSameQuadPlaces(a, b);
}

TEST_F(GfxTest, LocalizedTextLineRules) {
    clearTexts();
    writeText("t.loc",
              "MENU_WELCOME   Hello there\r\n"
              "TABBED\tone\ttwo  \n"
              "NOSPACE\n"
              " leading space\n"
              "EMPTY    \n"
              "DUP first\n"
              "DUP second\r\n"
              "LAST no line feed");
    EXPECT_EQ(getText("MENU_WELCOME"), "");  // nothing before loading
    EXPECT_TRUE(loadTexts(folder + "t.loc"));
    EXPECT_EQ(getText("MENU_WELCOME"), "Hello there");
    EXPECT_EQ(getText("TABBED"), "one two  ");
    EXPECT_EQ(getText("NOSPACE"), "");
    EXPECT_EQ(getText("EMPTY"), "");
    EXPECT_EQ(getText("DUP"), "second");
    EXPECT_EQ(getText("LAST"), "no line feed");
    EXPECT_EQ(getText("unknown"), "");
    clearTexts();
    EXPECT_TRUE(loadTexts(folder + "missing.loc"));
    EXPECT_EQ(getText("DUP"), "");
    clearTexts();
}

TEST_F(GfxTest, LocalizedTextsAreUtf8AndComeOutInTheFontsBytes) {
    clearTexts();
    writeText("u.loc",
              "\xEF\xBB\xBF"
              "FIRST   Caf\xC3\xA9 cr\xC3\xA8me\n"  // "Café crème", after a byte-order mark
              "EURO   5 \xE2\x82\xAC\n"             // the euro sign is 0x80 in the font
              "ARROW   a\xE2\x86\x92!\n"            // the font has no arrow
              "OLD   caf\xE9\n");                   // written by an older version in the font's bytes
    ASSERT_TRUE(loadTexts(folder + "u.loc"));
    EXPECT_EQ(getText("FIRST"), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(getText("EURO"), "5 \x80");
    EXPECT_EQ(getText("ARROW"), "a!");
    EXPECT_EQ(getText("OLD"), "caf\xE9");
    clearTexts();
}
