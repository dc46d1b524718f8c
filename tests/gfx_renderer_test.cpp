#include <cmath>
#include <numbers>

#include "frame/app.h"
#include "frame/settings.h"
#include "frame/startup_options.h"
#include "gfx/effects.h"
#include "platform/event.h"
#include "gfx_support.h"

namespace {

void drawPlain(const std::string& tex, float x = 0, float y = 0) { Gfx_DrawQuad(x, y, tex, 0, 0, 8, 8, nullptr); }

}  // namespace

TEST_F(GfxTest, QuadsOfOneTextureDrawInRunsOfAThousand) {
    ASSERT_TRUE(textureBank().createBlank("sheet", 64, 64));
    ASSERT_TRUE(Gfx_BeginScene());
    for (int i = 0; i < 2500; ++i) drawPlain("sheet", static_cast<float>(i % 800), 0);
    Gfx_EndScene();
    const auto runs = batches();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].count, 1000);
    EXPECT_EQ(runs[1].count, 1000);
    EXPECT_EQ(runs[2].count, 500);
    for (const auto& r : runs) {
        EXPECT_EQ(r.kind, kQuadList);
        EXPECT_NE(r.texture, 0u);
        EXPECT_EQ(r.texture, runs[0].texture);
        EXPECT_EQ(r.blendFlags, kBlendAlpha);
    }
    // Vertex order survives the split: quad 1000 opens the second run.
    EXPECT_FLOAT_EQ(runs[1].vertices[0].x, static_cast<float>(1000 % 800));
    EXPECT_EQ(dev->scenesEnded, 1);
}

TEST_F(GfxTest, AlternatingTexturesFlushOnEveryQuadAndBlendChangesFlushToo) {
    ASSERT_TRUE(textureBank().createBlank("a", 8, 8));
    ASSERT_TRUE(textureBank().createBlank("b", 8, 8));
    ASSERT_TRUE(Gfx_BeginScene());
    for (int i = 0; i < 6; ++i) drawPlain(i % 2 ? "b" : "a", static_cast<float>(i));
    Quad q{};
    q.texture = textureBank().find("b");
    q.blendFlags = 0;  // additive
    Gfx_AddQuad(q);
    drawPlain("b");
    Gfx_EndScene();
    const auto runs = batches();
    ASSERT_EQ(runs.size(), 8u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(runs[static_cast<size_t>(i)].count, 1);
        EXPECT_FLOAT_EQ(runs[static_cast<size_t>(i)].vertices[0].x, static_cast<float>(i));
    }
    EXPECT_NE(runs[0].texture, runs[1].texture);
    EXPECT_EQ(runs[0].texture, runs[2].texture);
    EXPECT_EQ(runs[6].blendFlags, 0u);
    EXPECT_EQ(runs[7].blendFlags, kBlendAlpha);
    EXPECT_EQ(runs[6].texture, runs[7].texture);
}

TEST_F(GfxTest, QuadGeometryFollowsHotSpotScaleAndCentring) {
    ASSERT_TRUE(textureBank().createBlank("pic", 64, 32));
    SpriteParams p;
    p.hotX = 10, p.hotY = 5, p.scaleX = 2, p.scaleY = 2;
    p.alpha = 128, p.red = 10, p.green = 20, p.blue = 30;
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawQuad(100, 100, "pic", 16, 8, 32, 16, &p);
    p.scaleAboutCentre = 1;
    p.width = 40, p.height = 20;
    Gfx_DrawQuad(100, 100, "pic", 16, 8, 32, 16, &p);
    Gfx_DrawQuad(5, 6, "pic", 16, 8, 32, 16, nullptr);
    Gfx_EndScene();
    const auto runs = batches();
    ASSERT_EQ(runs.size(), 1u);
    const auto& v = runs[0].vertices;
    ASSERT_EQ(v.size(), 12u);
    // Hot spot and scale: the pivot stays where the unscaled hot spot was.
    EXPECT_FLOAT_EQ(v[0].x, 100); EXPECT_FLOAT_EQ(v[0].y, 100);
    EXPECT_FLOAT_EQ(v[1].x, 164); EXPECT_FLOAT_EQ(v[1].y, 100);
    EXPECT_FLOAT_EQ(v[2].x, 164); EXPECT_FLOAT_EQ(v[2].y, 132);
    EXPECT_FLOAT_EQ(v[3].x, 100); EXPECT_FLOAT_EQ(v[3].y, 132);
    // Scale about centre of a 40 x 20 sprite starts at (80, 90).
    EXPECT_FLOAT_EQ(v[4].x, 80); EXPECT_FLOAT_EQ(v[4].y, 90);
    // Texture coordinates over the surface; colour ARGB; z 0.5.
    EXPECT_FLOAT_EQ(v[0].u, 0.25f); EXPECT_FLOAT_EQ(v[0].v, 0.25f);
    EXPECT_FLOAT_EQ(v[2].u, 0.75f); EXPECT_FLOAT_EQ(v[2].v, 0.75f);
    EXPECT_EQ(v[0].colour, 0x800A141Eu);
    EXPECT_FLOAT_EQ(v[0].z, 0.5f);
    // Without a parameter block: unscaled, opaque white.
    EXPECT_FLOAT_EQ(v[8].x, 5); EXPECT_FLOAT_EQ(v[10].x, 37); EXPECT_FLOAT_EQ(v[10].y, 22);
    EXPECT_EQ(v[8].colour, 0xFFFFFFFFu);
}

TEST_F(GfxTest, PositiveAngleTurnsCounterClockwiseAboutTheHotSpot) {
    SpriteParams p;
    p.angle = static_cast<float>(std::numbers::pi / 2);
    p.hotX = 5, p.hotY = 5;
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawQuad(100, 100, "nowhere", 0, 0, 10, 10, &p);
    Gfx_EndScene();
    const auto v = batches().at(0).vertices;
    // The top-right corner (offset (5, -5) from the pivot (105, 105)) goes to
    // the top-left on screen: (-5, -5) from the pivot.
    EXPECT_NEAR(v[1].x, 100, 1e-4);
    EXPECT_NEAR(v[1].y, 100, 1e-4);
    EXPECT_NEAR(v[0].x, 100, 1e-4);
    EXPECT_NEAR(v[0].y, 110, 1e-4);
}

TEST_F(GfxTest, UnknownTextureDrawsUntexturedWithPixelCoordinatesAsUv) {
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawQuad(0, 0, "missing.png", 3, 4, 10, 20, nullptr);
    Gfx_EndScene();
    const auto runs = batches();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].texture, 0u);
    EXPECT_FLOAT_EQ(runs[0].vertices[0].u, 3);
    EXPECT_FLOAT_EQ(runs[0].vertices[2].u, 13);
    EXPECT_FLOAT_EQ(runs[0].vertices[2].v, 24);
}

TEST_F(GfxTest, SceneRules) {
    // End without a scene does nothing; quads outside a scene are dropped.
    Gfx_EndScene();
    drawPlain("x");
    EXPECT_EQ(dev->scenesEnded, 0);
    EXPECT_TRUE(dev->draws.empty());

    ASSERT_TRUE(Gfx_BeginScene());
    EXPECT_FALSE(Gfx_BeginScene());
    ASSERT_EQ(Gfx_Messages().size(), 1u);
    EXPECT_EQ(Gfx_Messages()[0], "GE_BeginScene: Scene is already being rendered");
    Gfx_EndScene();
    EXPECT_FALSE(Gfx_InScene());
    EXPECT_TRUE(Gfx_BeginScene());
    Gfx_EndScene();
    EXPECT_EQ(Gfx_Messages().size(), 1u);

    // A lost device skips frames; one that needs a reset is restored first.
    dev->setStatus(DeviceStatus::Lost);
    EXPECT_FALSE(Gfx_BeginScene());
    dev->setStatus(DeviceStatus::NeedsReset);
    EXPECT_TRUE(Gfx_BeginScene());
    EXPECT_EQ(dev->resets, 1);
    EXPECT_TRUE(dev->hasMesh());  // the particle mesh came back with the reset
    Gfx_EndScene();
}

TEST_F(GfxTest, StartUpFailuresShowTheirMessages) {
    auto d = std::make_unique<RecordingDevice>();
    d->failCreate = DeviceError::NoCore33;
    Gfx_InstallDevice(std::move(d));
    Gfx_ClearMessages();
    EXPECT_FALSE(Gfx_InitDevice());
    ASSERT_EQ(Gfx_Messages().size(), 2u);
    EXPECT_NE(Gfx_Messages()[0].find("OpenGL 3.3"), std::string::npos);
    EXPECT_EQ(Gfx_Messages()[1], "Graphics initialization error.");
    EXPECT_EQ(Gfx_Device(), nullptr);
    EXPECT_FALSE(Gfx_BeginScene());

    // A batch buffer failure still starts, but nothing is drawn.
    d = std::make_unique<RecordingDevice>();
    d->failCreate = DeviceError::VertexBuffer;
    RecordingDevice* rec = d.get();
    Gfx_InstallDevice(std::move(d));
    Gfx_ClearMessages();
    EXPECT_TRUE(Gfx_InitDevice());
    EXPECT_EQ(Gfx_Messages(), std::vector<std::string>{"Can't create OpenGL vertex buffer"});
    ASSERT_TRUE(Gfx_BeginScene());
    drawPlain("x");
    Gfx_EndScene();
    EXPECT_TRUE(rec->draws.empty());

    d = std::make_unique<RecordingDevice>();
    d->failClear = true;
    Gfx_InstallDevice(std::move(d));
    EXPECT_FALSE(Gfx_InitDevice());
}

TEST_F(GfxTest, ParticlesBetweenQuadsRestoreTheBatchState) {
    ASSERT_TRUE(textureBank().createBlank("pic", 8, 8));
    ASSERT_TRUE(Gfx_BeginScene());
    drawPlain("pic");
    const uint32_t handle = dev->boundTexture();
    dev->setBlendFlags(0);
    dev->setTexture(0);
    Gfx_DrawParticles(5);
    EXPECT_EQ(batches().size(), 1u);  // the pending quad was flushed first
    EXPECT_EQ(dev->boundTexture(), handle);
    EXPECT_EQ(dev->blendFlags(), kBlendAlpha);
    drawPlain("pic");
    Gfx_EndScene();
    EXPECT_EQ(batches().size(), 2u);
}

TEST_F(GfxTest, RemovingATextureFlushesTheRunThatUsesIt) {
    ASSERT_TRUE(textureBank().createBlank("label", 8, 8));
    ASSERT_TRUE(Gfx_BeginScene());
    drawPlain("label");
    drawPlain("label");
    textureBank().remove("label");
    drawPlain("label");  // now unknown: untextured
    Gfx_EndScene();
    const auto runs = batches();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].count, 2);
    EXPECT_NE(runs[0].texture, 0u);
    EXPECT_EQ(runs[1].texture, 0u);
    EXPECT_EQ(dev->texturesLive, 0);
}

TEST_F(GfxTest, DebugLinesAndPointsAreDrawnBetweenRuns) {
    ASSERT_TRUE(Gfx_BeginScene());
    drawPlain("x");
    Gfx_DrawLine(1, 2, 3, 4, 0xFFFF0000u);
    Gfx_DrawPoint(5, 6, 3, 0xFF00FF00u);
    Gfx_EndScene();
    ASSERT_EQ(dev->draws.size(), 3u);
    EXPECT_EQ(dev->draws[0].call, RecordingDevice::Call::Batch);
    EXPECT_EQ(dev->draws[1].call, RecordingDevice::Call::Line);
    EXPECT_FLOAT_EQ(dev->draws[1].vertices[1].y, 4);
    EXPECT_EQ(dev->draws[2].call, RecordingDevice::Call::Point);
    EXPECT_EQ(dev->draws[2].vertices[0].colour, 0xFF00FF00u);
}

TEST_F(GfxTest, FullScreenSwitchRestoresTheDeviceInTheNewMode) {
    EXPECT_FALSE(Gfx_IsFullscreen());
    Gfx_SetFullscreen(true);
    EXPECT_TRUE(dev->fullscreen);
    EXPECT_EQ(dev->resets, 1);
    EXPECT_TRUE(dev->hasMesh());
    Gfx_SetFullscreen(true);  // no change, no restore
    EXPECT_EQ(dev->resets, 1);
    // The options menu flips it through the settings layer.
    EXPECT_FALSE(toggleFullscreen());
    EXPECT_FALSE(dev->fullscreen);
    EXPECT_EQ(dev->resets, 2);
}

TEST(GfxWindow, TheGameLetsTheWindowSystemPlaceItsWindow) {
    AppRecord record(nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(Gfx_ConfigureWindow());
    EXPECT_EQ(record.x, platform::kWindowCentred);
    EXPECT_EQ(record.y, platform::kWindowCentred);
    EXPECT_EQ(record.width, 800);
    EXPECT_EQ(record.height, 600);
}

TEST(GfxEffects, SoftwareRasterisersGetLightEffectsUnlessTheSettingsOrTheCommandLineSayOtherwise) {
    const StartupOptions saved = startupOptions();
    setStartupOptions({});
    EXPECT_EQ(Gfx_ChooseEffects("", "llvmpipe (LLVM 15.0.6, 256 bits)"), EffectsLevel::Light);
    EXPECT_EQ(Gfx_ChooseEffects("", "softpipe"), EffectsLevel::Light);
    EXPECT_EQ(Gfx_ChooseEffects("", "Mesa Intel(R) UHD Graphics 620 (KBL GT2)"), EffectsLevel::Full);
    EXPECT_EQ(Gfx_ChooseEffects("", ""), EffectsLevel::Full) << "a driver that does not say is trusted";
    EXPECT_EQ(Gfx_ChooseEffects("full", "llvmpipe"), EffectsLevel::Full);
    EXPECT_EQ(Gfx_ChooseEffects("light", "AMD Radeon RX 580"), EffectsLevel::Light);
    EXPECT_EQ(Gfx_ChooseEffects("bright", "llvmpipe"), EffectsLevel::Light) << "an unknown word lets the driver choose";
    StartupOptions full;
    full.effects = StartupOptions::Effects::Full;
    setStartupOptions(full);
    EXPECT_EQ(Gfx_ChooseEffects("light", "llvmpipe"), EffectsLevel::Full);
    setStartupOptions(saved);
}
