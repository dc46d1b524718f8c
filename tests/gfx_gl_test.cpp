// The OpenGL device on a real (offscreen) context: a known scene is drawn and
// pixels of the screenshot are checked.
#include <SDL.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <string_view>

#include "gfx/gl/gl_device.h"
#include "gfx_support.h"
#include "scene/sprite.h"

namespace {

class GlTest : public GfxTest {
protected:
    void SetUp() override {
        resetGfxState();
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no video: " << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window_ = SDL_CreateWindow("gl test", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) GTEST_SKIP() << "no window: " << SDL_GetError();
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) GTEST_SKIP() << "no OpenGL 3.3 core context: " << SDL_GetError();
        GlSurface surface;
        SDL_Window* w = window_;
        surface.swap = [w] { SDL_GL_SwapWindow(w); };
        surface.viewport = [this] { return viewport_; };
        Gfx_InstallDevice(makeGlDevice(std::move(surface)));
        ASSERT_TRUE(Gfx_InitDevice()) << (Gfx_Messages().empty() ? "" : Gfx_Messages()[0]);
        static int serial = 0;
        dir = std::filesystem::temp_directory_path() /
              ("vm-gl-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(dir);
        folder = dir.string() + "/";
        textureBank().setParticleFolder(folder + "particles/");
        vmSeed(7);
    }
    void TearDown() override {
        resetGfxState();  // releases the GL objects while the context is current
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    uint32_t pixel(const std::vector<uint8_t>& rgba, int x, int y) const {
        const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * 800 + static_cast<size_t>(x)) * 4;
        return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
    static bool near(uint32_t a, uint32_t b, int tolerance = 2) {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(static_cast<int>((a >> s) & 255u) - static_cast<int>((b >> s) & 255u)) > tolerance) return false;
        return true;
    }

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    platform::Viewport viewport_{};  // where the window shows the frame
    void makeScriptedScenePictures();
};

}  // namespace

TEST_F(GlTest, KnownSceneLandsOnTheRightPixels) {
    // A 32 x 32 picture: left half opaque red, right half fully transparent blue.
    std::vector<uint32_t> half(32 * 32);
    for (size_t i = 0; i < half.size(); ++i) half[i] = (i % 32) < 16 ? 0xFFFF0000u : 0x000000FFu;
    writePng("half.png", 32, 32, half);
    writeSolidPng("white.png", 40, 10);
    writePng("pair.png", 2, 1, {0xFFFF0000u, 0xFF00FF00u});
    writeSolidPng("particles/dot.png", 8, 8);
    writeText("fx/glow.fx",
              "Emitter Velocity 0 SizeOverLife 1 10 0 SpinOverLife 1 0 0 SpinVariation 0 "
              "PartColor 1 0 0 0.5 1 0 PartLifeTime 50 PartRandomness 0 Texture dot.png\n");
    loadAllEffectsFrom(folder + "fx/");
    for (const char* f : {"half.png", "white.png", "pair.png"})
        ASSERT_TRUE(textureBank().loadFromFile(folder + f, false));
    FXSprite glow;
    glow.setLayer(10);
    glow.setPosition(400, 300);
    glow.addEffect("glow.fx");
    particlesEnableDrawing();
    particlesSetFrameTime(0.04f);
    particlesAdvance();
    ASSERT_EQ(particleSystem().liveCount(), 1);

    ASSERT_TRUE(Gfx_Clear(0));
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawQuad(10, 10, folder + "half.png", 0, 0, 32, 32, nullptr);
    SpriteParams tint;
    tint.red = 0, tint.green = 255, tint.blue = 0, tint.alpha = 128;
    Gfx_DrawQuad(100, 100, folder + "white.png", 0, 0, 20, 10, &tint);
    SpriteParams turn;
    turn.angle = static_cast<float>(std::numbers::pi / 2);
    Gfx_DrawQuad(200, 200, folder + "white.png", 0, 0, 40, 10, &turn);
    Gfx_DrawQuad(300, 300, folder + "pair.png", 0, 0, 2, 1, nullptr);
    SpriteParams dark;
    dark.red = 128, dark.green = 0, dark.blue = 0;
    Gfx_DrawQuad(380, 280, folder + "white.png", 0, 0, 40, 40, &dark);
    glow.draw(Rect{0, 0, 799, 599});
    Gfx_EndScene();

    std::vector<uint8_t> rgba;
    ASSERT_TRUE(Gfx_ReadScreen(rgba));
    ASSERT_EQ(rgba.size(), 800u * 600u * 4u);
    EXPECT_EQ(pixel(rgba, 15, 20), 0xFF0000u);
    EXPECT_EQ(pixel(rgba, 35, 20), 0x000000u) << "alpha 0 must not be written";
    EXPECT_EQ(pixel(rgba, 5, 5), 0x000000u);
    EXPECT_TRUE(near(pixel(rgba, 110, 105), 0x008000u)) << std::hex << pixel(rgba, 110, 105);
    // Turned a quarter counter-clockwise about its top left: it now rises
    // from (200, 200) to (210, 160).
    EXPECT_EQ(pixel(rgba, 205, 180), 0xFFFFFFu);
    EXPECT_EQ(pixel(rgba, 230, 205), 0x000000u);
    EXPECT_EQ(pixel(rgba, 195, 180), 0x000000u);
    // Texel centres sit on pixel centres: no bleeding between neighbours.
    EXPECT_EQ(pixel(rgba, 300, 300), 0xFF0000u);
    EXPECT_EQ(pixel(rgba, 301, 300), 0x00FF00u);
    EXPECT_EQ(pixel(rgba, 302, 300), 0x000000u);
    // The additive particle adds its blue to the dark red below it.
    EXPECT_TRUE(near(pixel(rgba, 400, 300), 0x800080u, 3)) << std::hex << pixel(rgba, 400, 300);
    EXPECT_TRUE(near(pixel(rgba, 385, 285), 0x800000u)) << std::hex << pixel(rgba, 385, 285);

    const std::string shot = folder + "shot.png";
    ASSERT_TRUE(Gfx_SaveScreenshot(shot));
    int w = 0, h = 0, n = 0;
    stbi_uc* png = stbi_load(shot.c_str(), &w, &h, &n, 4);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(png[(20 * 800 + 15) * 4], 255);
    stbi_image_free(png);
    EXPECT_EQ(Gfx_SaveNumberedScreenshot(folder), folder + "screenshot-000.png");
    EXPECT_EQ(Gfx_SaveNumberedScreenshot(folder), folder + "screenshot-001.png");
}

TEST_F(GlTest, AScreenshotCanBeTakenAtTheSizeTheWindowShowsThePicture) {
    writePng("pair.png", 2, 1, {0xFFFF0000u, 0xFF00FF00u});
    ASSERT_TRUE(textureBank().loadFromFile(folder + "pair.png", false));
    ASSERT_TRUE(Gfx_Clear(0));
    ASSERT_TRUE(Gfx_BeginScene());
    SpriteParams wide;
    wide.scaleX = 400, wide.scaleY = 600;  // left half red, right half green
    Gfx_DrawQuad(0, 0, folder + "pair.png", 0, 0, 2, 1, &wide);
    Gfx_EndScene();
    std::vector<uint8_t> rgba;
    // Full screen on a 1920 x 1080 display shows it 1440 x 1080.
    ASSERT_TRUE(Gfx_Device()->readPixelsScaled(1440, 1080, rgba));
    ASSERT_EQ(rgba.size(), 1440u * 1080u * 4u);
    auto at = [&](int x, int y) {
        const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * 1440 + static_cast<size_t>(x)) * 4;
        return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    };
    EXPECT_EQ(at(100, 1000), 0xFF0000u);
    EXPECT_EQ(at(1300, 50), 0x00FF00u);
    // No picture larger than any window, nor an empty one.
    EXPECT_FALSE(Gfx_Device()->readPixelsScaled(100000, 100, rgba));
    EXPECT_FALSE(Gfx_Device()->readPixelsScaled(0, 0, rgba));
}

namespace {

// A scripted scene whose every frame is drawn from its number alone: an
// opaque background, sprites that move, turn, fade, scale, change colour,
// appear, vanish and swap order over each other, debug lines, particles
// that live a while and die, a flare burst, a tip box over the particles and
// a menu sliding in, after which the scene holds still.
struct ScriptedScene {
    std::string folder;
    FXSprite* glow = nullptr;

    void frame(int f) {
        if (f == 24) particleSystem().killAllParticles();
        if (f < 24) particlesAdvance();
        const int t = std::min(f, 30);  // from frame 30 on nothing changes
        ASSERT_TRUE(Gfx_Clear(0xFF102030u));
        ASSERT_TRUE(Gfx_BeginScene());
        SpriteParams bg;
        bg.scaleX = 12.5f, bg.scaleY = 9.375f;
        Gfx_DrawQuad(0, 0, folder + "noise.png", 0, 0, 64, 64, &bg);
        Gfx_DrawQuad(static_cast<float>(40 + 7 * t), 50, folder + "half.png", 0, 0, 32, 32, nullptr);
        // Unscaled between whole pixels: filtered, never sampled as if exact.
        Gfx_DrawQuad(150.0f + 2.3f * static_cast<float>(t), 180.4f, folder + "noise.png", 0, 0, 64, 64, nullptr);
        SpriteParams fade;
        fade.alpha = (t * 23) % 256;
        fade.red = 255 - 8 * t;
        Gfx_DrawQuad(300, 120, folder + "noise.png", 0, 0, 64, 64, &fade);
        SpriteParams turn;
        turn.angle = 0.13f * static_cast<float>(t);
        turn.hotX = 20, turn.hotY = 5;
        turn.scaleX = 1.0f + 0.05f * static_cast<float>(t);
        Gfx_DrawQuad(500, 400, folder + "white.png", 0, 0, 40, 10, &turn);
        if ((t / 7) % 2 == 0) Gfx_DrawQuad(600, 80, folder + "half.png", 0, 0, 32, 32, nullptr);
        // Two overlapping translucent quads that change places every 5 frames.
        SpriteParams a, b;
        a.red = 255, a.green = 0, a.blue = 0, a.alpha = 160;
        b.red = 0, b.green = 0, b.blue = 255, b.alpha = 160;
        const bool swap = (t / 5) % 2 == 1;
        Gfx_DrawQuad(200, 300, folder + "white.png", 0, 0, 40, 10, swap ? &b : &a);
        Gfx_DrawQuad(210, 303, folder + "white.png", 0, 0, 40, 10, swap ? &a : &b);
        // An opaque quad sliding over the rest, drawn without blending.
        SpriteParams solid;
        solid.scaleX = 2.0f, solid.scaleY = 2.0f;
        Gfx_DrawQuad(static_cast<float>(100 + 11 * t) + 0.25f, 420.5f, folder + "noise.png", 8, 8, 16, 16, &solid);
        glow->draw(Rect{0, 0, 799, 599});
        SpriteParams small;
        small.scaleX = 0.5f + 0.02f * static_cast<float>(t), small.scaleY = small.scaleX;
        small.scaleAboutCentre = 1, small.width = 32, small.height = 32;
        Gfx_DrawQuad(420, 260, folder + "half.png", 0, 0, 32, 32, &small);
        Gfx_DrawLine(10, 590, static_cast<float>(10 + 20 * t), 560, 0xFF00FF00u);
        // A frame with an empty middle over all of it, whole and in part, on
        // whole pixels: its empty squares are left out where it is redrawn.
        Gfx_DrawQuad(330, 200, folder + "frame.png", 0, 0, 200, 160, nullptr);
        SpriteParams tint;
        tint.alpha = 200, tint.green = 120;
        Gfx_DrawQuad(403, 237, folder + "frame.png", 7, 3, 150, 140, &tint);
        // A flare burst: long translucent beams about one centre, growing and
        // turning, damaged as bands along their length.
        for (int k = 0; k < 2; ++k) {
            SpriteParams beam;
            beam.scaleX = 12.0f + 0.3f * static_cast<float>(t), beam.scaleY = 0.6f;
            beam.hotX = 20, beam.hotY = 5;
            beam.angle = 0.4f + 1.3f * static_cast<float>(k) + 0.07f * static_cast<float>(t);
            beam.alpha = 90 + 2 * t, beam.blue = 200;
            Gfx_DrawQuad(380, 300, folder + "white.png", 0, 0, 40, 10, &beam);
        }
        // A tip box over the glow: edge pieces every few pixels over a
        // translucent middle, still while what lies under it changes.
        SpriteParams centre;
        centre.scaleX = 5.0f, centre.scaleY = 12.0f, centre.alpha = 170, centre.red = 40;
        Gfx_DrawQuad(300, 280, folder + "white.png", 0, 0, 40, 10, &centre);
        for (int x = 300; x < 500; x += 4) {
            Gfx_DrawQuad(static_cast<float>(x), 272, folder + "half.png", 0, 0, 8, 8, nullptr);
            Gfx_DrawQuad(static_cast<float>(x), 400, folder + "half.png", 0, 0, 8, 8, nullptr);
        }
        // The in-game menu: its pictures slide in from above and then stay.
        const int menuY = std::min(-120 + 30 * f, 140);
        for (int e = 0; e < 3; ++e)
            Gfx_DrawQuad(560, static_cast<float>(menuY + 70 * e), folder + "noise.png", 0, 0, 64, 48, nullptr);
        Gfx_EndScene();
    }
};

}  // namespace

// The pictures and the effect the scripted scene draws.
void GlTest::makeScriptedScenePictures() {
    std::vector<uint32_t> noise(64 * 64);
    uint32_t seed = 12345;
    for (uint32_t& px : noise) {
        seed = seed * 1664525u + 1013904223u;
        px = 0xFF000000u | (seed >> 8);
    }
    writePng("noise.png", 64, 64, noise);
    std::vector<uint32_t> half(32 * 32);
    for (size_t i = 0; i < half.size(); ++i) half[i] = (i % 32) < 16 ? 0xC0FF8000u : 0x000000FFu;
    writePng("half.png", 32, 32, half);
    writeSolidPng("white.png", 40, 10);
    std::vector<uint32_t> frame(200 * 160);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool ring = x < 24 || x >= 176 || y < 21 || y >= 139 || (x == 100 && y == 80);
            frame[static_cast<size_t>(y * 200 + x)] = ring ? noise[static_cast<size_t>((y % 64) * 64 + x % 64)] & 0xC0FFFFFFu : 0u;
        }
    writePng("frame.png", 200, 160, frame);
    writeSolidPng("particles/dot.png", 8, 8, 0x80FFFFFFu);
    writeText("fx/spray.fx",
              "Emitter Velocity 120 SizeOverLife 6 12 0 SpinOverLife 1 0 0 SpinVariation 0 "
              "PartColor 1 0.5 0 0.8 1 0 PartLifeTime 0.4 PartRandomness 1 Texture dot.png\n");
    loadAllEffectsFrom(folder + "fx/");
    for (const char* f : {"noise.png", "half.png", "white.png", "frame.png"})
        ASSERT_TRUE(textureBank().loadFromFile(folder + f, false));
    particlesEnableDrawing();
    particlesSetFrameTime(0.04f);
}

TEST_F(GlTest, DrawingOnlyTheChangesGivesTheSamePictureAsDrawingEverything) {
    makeScriptedScenePictures();
    constexpr int kFrames = 36;
    auto run = [&](bool full, std::vector<std::vector<uint8_t>>& pictures, std::vector<bool>& shown) {
        Gfx_SetFullRedraw(full);
        particleSystem().killAllParticles();
        vmSeed(7);
        FXSprite glow;
        glow.setLayer(10);
        glow.setPosition(380, 330);
        glow.addEffect("spray.fx");
        ScriptedScene scene{folder, &glow};
        for (int f = 0; f < kFrames; ++f) {
            const uint64_t before = Gfx_DamageStats().presented;
            scene.frame(f);
            shown.push_back(Gfx_DamageStats().presented != before);
            ASSERT_TRUE(Gfx_ReadScreen(pictures.emplace_back()));
        }
    };
    std::vector<std::vector<uint8_t>> damaged, whole;
    std::vector<bool> damagedShown, wholeShown;
    run(false, damaged, damagedShown);
    run(true, whole, wholeShown);
    Gfx_SetFullRedraw(false);
    ASSERT_EQ(damaged.size(), whole.size());
    for (size_t f = 0; f < damaged.size(); ++f) {
        int differ = 0, firstX = -1, firstY = -1;
        for (size_t i = 0; i < damaged[f].size(); i += 4)
            if (std::memcmp(&damaged[f][i], &whole[f][i], 3) != 0 && differ++ == 0)
                firstX = static_cast<int>(i / 4 % 800), firstY = static_cast<int>(i / 4 / 800);
        EXPECT_EQ(differ, 0) << "frame " << f << ", first at " << firstX << "," << firstY;
    }
    // Every frame is shown when drawn whole; a still scene is not shown again.
    for (bool s : wholeShown) EXPECT_TRUE(s);
    EXPECT_TRUE(damagedShown[0]);
    EXPECT_TRUE(damagedShown[10]);
    for (int f = 32; f < kFrames; ++f) EXPECT_FALSE(damagedShown[static_cast<size_t>(f)]) << "frame " << f;
    // The scene's rows differ from frame to frame, or the test proves nothing.
    EXPECT_NE(damaged[3], damaged[4]);
}

// Drawn at the size a large window shows it, the scripted scene is the same
// picture with more pixels. Drawing only its changes gives every pixel of
// drawing it whole, at a whole and at a fractional scale; and twice the size
// scaled back down is the 800 x 600 picture within a stated tolerance: the
// channels of the pixels 2.5 levels off on average, at most 1.5 % of them
// more than 40 levels off (edges at fractional positions fall on other
// pixels, and an enlarged noise picture's texel mixes a quarter of its
// neighbours in), and no 8 x 8 block's average more than 16 levels off.
// (Measured: 1.9, 1.0 % and 12 at worst; the same picture half a pixel to
// the side gives 5, 2.5 % and 19.)
TEST_F(GlTest, AtTheWindowsResolutionTheSceneIsTheSamePictureWithMorePixels) {
    makeScriptedScenePictures();
    constexpr int kFrames = 36;
    struct Run {
        std::vector<size_t> hashes;               // of each frame at its own size
        std::vector<std::vector<int>> downscaled;  // 800 x 600 x RGB, each frame's pixel blocks averaged
    };
    auto run = [&](int scaleQuarters, bool full) {
        const int w = 800 * scaleQuarters / 4, h = 600 * scaleQuarters / 4, s = scaleQuarters / 4;
        viewport_ = platform::Viewport{0, 0, w, h, w, h};
        Gfx_Device()->setNativeResolution(true);
        Gfx_SetFullRedraw(full);
        particleSystem().killAllParticles();
        vmSeed(7);
        FXSprite glow;
        glow.setLayer(10);
        glow.setPosition(380, 330);
        glow.addEffect("spray.fx");
        ScriptedScene scene{folder, &glow};
        Run out;
        std::vector<uint8_t> rgba;
        for (int f = 0; f < kFrames; ++f) {
            scene.frame(f);
            EXPECT_EQ(Gfx_Device()->renderScale(), static_cast<float>(scaleQuarters) / 4);
            if (!Gfx_Device()->readPixelsScaled(w, h, rgba) || rgba.size() != size_t(w) * size_t(h) * 4) {
                ADD_FAILURE() << "no picture of " << w << " x " << h;
                return out;
            }
            out.hashes.push_back(std::hash<std::string_view>{}(
                std::string_view(reinterpret_cast<const char*>(rgba.data()), rgba.size())));
            if (scaleQuarters % 4 != 0) continue;
            std::vector<int>& small = out.downscaled.emplace_back(800 * 600 * 3);
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 800; ++x)
                    for (int c = 0; c < 3; ++c) {
                        int sum = 0;
                        for (int dy = 0; dy < s; ++dy)
                            for (int dx = 0; dx < s; ++dx)
                                sum += rgba[(size_t(y * s + dy) * size_t(w) + size_t(x * s + dx)) * 4 + size_t(c)];
                        small[(size_t(y) * 800 + size_t(x)) * 3 + size_t(c)] = (sum + s * s / 2) / (s * s);
                    }
        }
        return out;
    };
    for (int quarters : {6, 8}) {
        const Run damaged = run(quarters, false), whole = run(quarters, true);
        ASSERT_EQ(damaged.hashes.size(), size_t{kFrames});
        for (int f = 0; f < kFrames; ++f)
            EXPECT_EQ(damaged.hashes[size_t(f)], whole.hashes[size_t(f)]) << "frame " << f << " at " << quarters << "/4";
    }
    const Run one = run(4, true), two = run(8, true);
    ASSERT_EQ(two.downscaled.size(), size_t{kFrames});
    for (size_t f = 0; f < one.downscaled.size(); ++f) {
        const std::vector<int>&a = one.downscaled[f], &b = two.downscaled[f];
        int worstBlock = 0;
        int64_t total = 0, far = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const int d = std::abs(a[i] - b[i]);
            total += d;
            far += d > 40;
        }
        for (int by = 0; by < 600; by += 8)
            for (int bx = 0; bx < 800; bx += 8)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int y = by; y < by + 8; ++y)
                        for (int x = bx; x < bx + 8; ++x) {
                            const size_t i = (size_t(y) * 800 + size_t(x)) * 3 + size_t(c);
                            sum += a[i] - b[i];
                        }
                    worstBlock = std::max(worstBlock, std::abs(sum) / 64);
                }
        const double n = static_cast<double>(a.size());
        EXPECT_LE(static_cast<double>(total) / n, 2.5) << "frame " << f;
        EXPECT_LE(static_cast<double>(far) / n, 0.015) << "frame " << f;
        EXPECT_LE(worstBlock, 16) << "frame " << f;
    }
}
