// Damage drawing on the recording device: which rectangles a frame redraws,
// what it leaves alone, and when it shows nothing at all.
#include "gfx/damage.h"
#include "gfx_support.h"

namespace {

struct Item {
    const char* picture;
    float x, y;
    int alpha = 255;
    float scale = 1.0f;
    int red = 255;
};

class DamageTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        dev->keepPicture = true;
        Gfx_SetFullRedraw(false);  // takes effect on a device that keeps its picture
        writeSolidPng("solid.png", 16, 16);
        writeSolidPng("glass.png", 16, 16, 0x80FFFFFFu);
        for (const char* f : {"solid.png", "glass.png"}) ASSERT_TRUE(textureBank().loadFromFile(folder + f, false));
    }
    void TearDown() override {
        Gfx_SetFullRedraw(false);
        GfxTest::TearDown();
    }
    DamageDevice& damage() { return *static_cast<DamageDevice*>(Gfx_Device()); }

    void frame(const std::vector<Item>& items) {
        dev->draws.clear();
        dev->clears.clear();
        dev->scissors.clear();
        dev->cacheCopies.clear();
        ASSERT_TRUE(Gfx_Clear(0));
        ASSERT_TRUE(Gfx_BeginScene());
        for (const Item& it : items) {
            SpriteParams p;
            p.alpha = it.alpha;
            p.red = it.red;
            p.scaleX = p.scaleY = it.scale;
            Gfx_DrawQuad(it.x, it.y, folder + it.picture, 0, 0, 16, 16, &p);
        }
        Gfx_EndScene();
    }
    // Quads the device drew whose left edge is at x.
    int drawnAt(float x) const {
        int n = 0;
        for (const auto& d : dev->draws)
            for (size_t v = 0; v + 3 < d.vertices.size(); v += 4)
                if (d.vertices[v].x == x) ++n;
        return n;
    }
    static bool inside(const ScreenRect& r, int x0, int y0, int x1, int y1) {
        return r.x0 <= x0 && r.y0 <= y0 && r.x1 >= x1 && r.y1 >= y1;
    }
    ScreenRect onlyRect() {
        EXPECT_EQ(damage().lastDamage().size(), 1u);
        return damage().lastDamage().empty() ? ScreenRect{} : damage().lastDamage()[0];
    }
};

}  // namespace

TEST_F(DamageTest, AStillFrameDrawsAndShowsNothing) {
    const std::vector<Item> scene = {{"glass.png", 100, 100}, {"solid.png", 300, 200}};
    frame(scene);
    EXPECT_TRUE(damage().lastShown());
    ASSERT_EQ(damage().lastDamage().size(), 1u);
    EXPECT_EQ(damage().lastDamage()[0].area(), int64_t{800} * 600) << "the first frame is drawn whole";
    EXPECT_EQ(dev->clears.size(), 1u);
    EXPECT_EQ(dev->scenesEnded, 1);

    frame(scene);
    EXPECT_FALSE(damage().lastShown());
    EXPECT_TRUE(dev->draws.empty());
    EXPECT_TRUE(dev->clears.empty());
    EXPECT_EQ(dev->scenesEnded, 1);
    EXPECT_EQ(dev->scenesDiscarded, 1);
    EXPECT_EQ(Gfx_DamageStats().presented, 1u);
    EXPECT_EQ(Gfx_DamageStats().frames, 2u);

    // The window lost its picture: the same frame is drawn whole and shown.
    Gfx_RedrawAll();
    frame(scene);
    EXPECT_TRUE(damage().lastShown());
    EXPECT_EQ(onlyRect().area(), int64_t{800} * 600);
}

TEST_F(DamageTest, AMovedQuadRedrawsItsOldAndNewPlaceAndNothingFarAway) {
    frame({{"glass.png", 100, 100}, {"glass.png", 600, 500}});
    frame({{"glass.png", 120, 100}, {"glass.png", 600, 500}});
    const ScreenRect r = onlyRect();
    EXPECT_TRUE(inside(r, 100, 100, 136, 116));
    EXPECT_LE(r.area(), 44 * 24) << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
    ASSERT_FALSE(dev->scissors.empty());
    EXPECT_EQ(dev->scissors[0].x, r.x0);
    EXPECT_EQ(dev->scissors[0].w, r.x1 - r.x0);
    EXPECT_EQ(dev->scissors.back().w, 0) << "the limit is lifted before the frame is shown";
    EXPECT_EQ(dev->clears.size(), 1u) << "the damaged rectangle is cleared first";
    EXPECT_EQ(drawnAt(120), 1);
    EXPECT_EQ(drawnAt(600), 0);
    EXPECT_EQ(dev->scenesEnded, 2);
}

TEST_F(DamageTest, FadeColourScaleArrivalAndDepartureEachDamageTheirQuadOnly) {
    const std::vector<Item> base = {{"glass.png", 100, 100}, {"solid.png", 400, 300}, {"glass.png", 700, 50}};
    struct Change {
        const char* what;
        std::vector<Item> scene;
        int x0, y0, x1, y1;
    };
    const std::vector<Change> changes = {
        {"fade", {{"glass.png", 100, 100, 90}, base[1], base[2]}, 100, 100, 116, 116},
        {"colour", {base[0], {"solid.png", 400, 300, 255, 1.0f, 10}, base[2]}, 400, 300, 416, 316},
        {"scale", {base[0], base[1], {"glass.png", 700, 50, 255, 2.0f}}, 700, 50, 732, 82},
        {"arrival", {base[0], base[1], base[2], {"solid.png", 50, 500}}, 50, 500, 66, 516},
        {"departure", {base[0], base[2]}, 400, 300, 416, 316},
    };
    for (const Change& c : changes) {
        Gfx_RedrawAll();
        frame(base);
        frame(c.scene);
        const ScreenRect r = onlyRect();
        EXPECT_TRUE(inside(r, c.x0, c.y0, c.x1, c.y1)) << c.what;
        EXPECT_LE(r.area(), int64_t{c.x1 - c.x0 + 4} * (c.y1 - c.y0 + 4)) << c.what;
        EXPECT_TRUE(damage().lastShown()) << c.what;
    }
}

TEST_F(DamageTest, ALongTurnedQuadDamagesABandAlongItsLengthNotItsBox) {
    // 400 by 8 pixels about its centre (400, 300), turned by 45 degrees: its
    // box is 290 pixels square, of which it covers a twentieth.
    auto beam = [this](int alpha) {
        dev->draws.clear();
        ASSERT_TRUE(Gfx_Clear(0));
        ASSERT_TRUE(Gfx_BeginScene());
        SpriteParams p;
        p.scaleX = 25.0f, p.scaleY = 0.5f;
        p.hotX = 8.0f, p.hotY = 8.0f;
        p.angle = 0.785398f;
        p.alpha = alpha;
        Gfx_DrawQuad(200, 296, folder + "glass.png", 0, 0, 16, 16, &p);  // hot spot at (400, 300)
        Gfx_EndScene();
    };
    beam(200);
    beam(180);
    int64_t area = 0;
    for (const ScreenRect& r : damage().lastDamage()) area += r.area();
    EXPECT_GT(area, 400 * 8);
    EXPECT_LT(area, 290 * 290 / 3);
    // Every point along its middle is redrawn; the far corners of its box are not.
    auto covered = [this](int x, int y) {
        for (const ScreenRect& r : damage().lastDamage())
            if (r.x0 <= x && x < r.x1 && r.y0 <= y && y < r.y1) return true;
        return false;
    };
    for (int t = -140; t <= 140; t += 5) {
        EXPECT_TRUE(covered(400 + t, 300 - t)) << t;
        EXPECT_TRUE(covered(400 + t + 2, 300 - t + 2)) << t;
    }
    EXPECT_FALSE(covered(265, 165));
    EXPECT_FALSE(covered(535, 435));
    EXPECT_FALSE(dev->draws.empty());
}

TEST_F(DamageTest, AQuadOfAlphaZeroShowsNothingWhereverItGoes) {
    frame({{"glass.png", 100, 100}, {"solid.png", 0, 0, 0, 30.0f}});
    frame({{"glass.png", 100, 100}, {"solid.png", 50, 50, 0, 40.0f}});
    EXPECT_FALSE(damage().lastShown());
    // Fading in from nothing is a change like any other.
    frame({{"glass.png", 100, 100}, {"solid.png", 50, 50, 1, 40.0f}});
    EXPECT_TRUE(damage().lastShown());
}

TEST_F(DamageTest, OverlappingQuadsThatChangePlacesInTheOrderAreRedrawn) {
    frame({{"glass.png", 100, 100, 255, 1.0f, 255}, {"glass.png", 108, 100, 255, 1.0f, 0}});
    frame({{"glass.png", 108, 100, 255, 1.0f, 0}, {"glass.png", 100, 100, 255, 1.0f, 255}});
    ASSERT_FALSE(damage().lastDamage().empty());
    ScreenRect all = damage().lastDamage()[0];
    for (const ScreenRect& r : damage().lastDamage())
        all = {std::min(all.x0, r.x0), std::min(all.y0, r.y0), std::max(all.x1, r.x1), std::max(all.y1, r.y1)};
    EXPECT_TRUE(inside(all, 108, 100, 116, 116)) << "the overlap changed colour";
}

TEST_F(DamageTest, OpaqueQuadsDrawWithoutBlendingAndHideWhatLiesBelow) {
    // A screen-wide opaque background leaves nothing of the clear to see.
    frame({{"solid.png", 0, 0, 255, 50.0f}, {"glass.png", 100, 100}, {"solid.png", 200, 100, 200}});
    EXPECT_TRUE(dev->clears.empty());
    ASSERT_EQ(dev->draws.size(), 3u);
    EXPECT_EQ(dev->draws[0].blendFlags, kBlendAlpha | kBlendOff) << "scaled: filtered as ever";
    // Unscaled on whole pixels: each pixel takes one texel, nearest is exact.
    EXPECT_EQ(dev->draws[1].blendFlags, kBlendAlpha | kSampleExact) << "a translucent picture blends";
    EXPECT_EQ(dev->draws[2].blendFlags, kBlendAlpha | kSampleExact) << "a faded opaque picture blends";

    // The background and the glass stayed: they are drawn once into the
    // cache picture, and the changed rectangle starts as a copy of it.
    frame({{"solid.png", 0, 0, 255, 50.0f}, {"glass.png", 100, 100}, {"solid.png", 200, 100, 180}});
    EXPECT_TRUE(dev->clears.empty());
    EXPECT_EQ(dev->cacheTargets, (std::vector<bool>{true, false}));
    EXPECT_EQ(drawnAt(0), 1);
    EXPECT_EQ(drawnAt(100), 1);
    ASSERT_EQ(dev->cacheCopies.size(), 1u);
    EXPECT_EQ(dev->cacheCopies[0].x, dev->scissors.at(1).x);
    EXPECT_EQ(dev->cacheCopies[0].w, dev->scissors.at(1).w);

    dev->cacheTargets.clear();
    dev->cacheCopies.clear();
    frame({{"solid.png", 0, 0, 255, 50.0f}, {"glass.png", 100, 100}, {"solid.png", 200, 100, 170}});
    EXPECT_TRUE(dev->cacheTargets.empty());
    EXPECT_EQ(dev->cacheCopies.size(), 1u);
    EXPECT_EQ(drawnAt(0), 0);
    EXPECT_EQ(drawnAt(100), 0);
    EXPECT_EQ(drawnAt(200), 1);

    // A change in the cached layers ends its use: the background is drawn.
    dev->cacheCopies.clear();
    frame({{"solid.png", 0, 0, 255, 50.0f}, {"glass.png", 104, 100}, {"solid.png", 200, 100, 170}});
    EXPECT_TRUE(dev->cacheCopies.empty());
    EXPECT_EQ(drawnAt(0), 1);
    EXPECT_EQ(drawnAt(104), 1);
}

TEST_F(DamageTest, ANewPictureInATextureRedrawsTheQuadsThatUseIt) {
    const std::vector<Item> scene = {{"glass.png", 100, 100}, {"solid.png", 300, 300}};
    frame(scene);
    const uint32_t glass = Gfx_DeviceTexture(textureBank().find(folder + "glass.png"));
    ASSERT_NE(glass, 0u);
    std::vector<uint32_t> pixels(16 * 16, 0xFF00FF00u);
    Gfx_Device()->updateTexture(glass, 16, 16, pixels.data());
    frame(scene);
    const ScreenRect r = onlyRect();
    EXPECT_TRUE(inside(r, 100, 100, 116, 116));
    EXPECT_EQ(drawnAt(300), 0);
    // Now opaque: drawn without blending.
    ASSERT_FALSE(dev->draws.empty());
    EXPECT_EQ(dev->draws.back().blendFlags, kBlendAlpha | kBlendOff | kSampleExact);
}

TEST_F(DamageTest, TheEmptyMiddleOfAFramePictureIsNotRedrawn) {
    // 128 x 128, translucent round a fully transparent middle of 64 x 64.
    std::vector<uint32_t> ring(128 * 128, 0x80FFFFFFu);
    for (int y = 32; y < 96; ++y)
        for (int x = 32; x < 96; ++x) ring[static_cast<size_t>(y * 128 + x)] = 0;
    writePng("ring.png", 128, 128, ring);
    ASSERT_TRUE(textureBank().loadFromFile(folder + "ring.png", false));
    const uint32_t ringTexture = Gfx_DeviceTexture(textureBank().find(folder + "ring.png"));
    auto scene = [&](float ballX, float ringX) {
        dev->draws.clear();
        ASSERT_TRUE(Gfx_Clear(0));
        ASSERT_TRUE(Gfx_BeginScene());
        Gfx_DrawQuad(ballX, 160, folder + "solid.png", 0, 0, 16, 16, nullptr);
        Gfx_DrawQuad(ringX, 100, folder + "ring.png", 0, 0, 128, 128, nullptr);
        Gfx_EndScene();
    };
    // Pixels the device was asked to cover with the frame picture.
    auto ringPixels = [&](int x0, int y0, int x1, int y1) {
        int64_t n = 0;
        for (const auto& d : dev->draws) {
            if (d.texture != ringTexture) continue;
            for (size_t v = 0; v + 3 < d.vertices.size(); v += 4) {
                const int qx0 = std::max(x0, static_cast<int>(d.vertices[v].x));
                const int qy0 = std::max(y0, static_cast<int>(d.vertices[v].y));
                const int qx1 = std::min(x1, static_cast<int>(d.vertices[v + 2].x));
                const int qy1 = std::min(y1, static_cast<int>(d.vertices[v + 2].y));
                if (qx1 > qx0 && qy1 > qy0) n += int64_t{qx1 - qx0} * (qy1 - qy0);
            }
        }
        return n;
    };
    scene(150, 100);
    scene(156, 100);
    // The ball moved inside the empty middle: the frame has nothing to draw there.
    EXPECT_EQ(ringPixels(0, 0, 800, 600), 0);
    EXPECT_EQ(drawnAt(156), 1);
    // Across the frame's edge: its visible part is drawn, never the middle.
    scene(118, 100);
    EXPECT_GT(ringPixels(100, 100, 132, 228), 0);
    EXPECT_EQ(ringPixels(132, 132, 196, 196), 0);
    // Off whole pixels the picture is drawn as it is, middle and all.
    scene(150, 100.5f);
    EXPECT_GT(ringPixels(150, 132, 190, 196), 0);
    for (const auto& d : dev->draws) {
        if (d.texture == ringTexture) {
            EXPECT_EQ(d.blendFlags & kSampleExact, 0u) << "filtered between texels";
        }
    }
}

TEST_F(DamageTest, FullRedrawSendsEveryFrameWholeAsBefore) {
    Gfx_SetFullRedraw(true);
    EXPECT_TRUE(Gfx_FullRedraw());
    const std::vector<Item> scene = {{"glass.png", 100, 100}, {"solid.png", 0, 0, 255, 50.0f}};
    frame(scene);
    frame(scene);
    EXPECT_EQ(dev->scenesEnded, 2);
    EXPECT_EQ(dev->clears.size(), 1u);
    EXPECT_EQ(dev->draws.size(), 2u);
    EXPECT_TRUE(dev->scissors.empty());
    for (const auto& d : dev->draws) EXPECT_EQ(d.blendFlags & kBlendOff, 0u);
    // A device that forgets its picture is always drawn whole.
    Gfx_SetFullRedraw(false);
    dev->keepPicture = false;
    Gfx_SetFullRedraw(true);
    Gfx_SetFullRedraw(false);
    frame(scene);
    frame(scene);
    EXPECT_EQ(dev->scenesEnded, 4);
    EXPECT_EQ(dev->draws.size(), 2u);
}

TEST(DamageMerge, NearRectanglesMergeFarOnesStayApartAndTheCountIsCapped) {
    auto merged = mergeDamage({{10, 10, 50, 50}, {40, 40, 80, 80}, {500, 500, 520, 520}}, 8);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].x0, 10);
    EXPECT_EQ(merged[0].x1, 80);
    EXPECT_EQ(merged[1].x0, 500);
    // Off-screen parts are cut away, empty ones dropped.
    merged = mergeDamage({{-20, -20, 5, 5}, {790, 590, 900, 700}, {300, 300, 300, 340}}, 8);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].x0, 0);
    EXPECT_EQ(merged[1].x1, 800);
    EXPECT_EQ(merged[1].y1, 600);
    std::vector<ScreenRect> many;
    for (int i = 0; i < 30; ++i) many.push_back({i * 25, (i % 5) * 110, i * 25 + 4, (i % 5) * 110 + 4});
    merged = mergeDamage(many, 4);
    ASSERT_EQ(merged.size(), 4u);
    for (const ScreenRect& m : many) {
        bool covered = false;
        for (const ScreenRect& r : merged)
            covered = covered || (r.x0 <= m.x0 && r.y0 <= m.y0 && r.x1 >= m.x1 && r.y1 >= m.y1);
        EXPECT_TRUE(covered) << m.x0 << "," << m.y0;
    }
}
