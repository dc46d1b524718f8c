// The OpenGL device on a real (offscreen) context: a known scene is drawn and
// pixels of the screenshot are checked.
#include <SDL.h>
#include <stb_image.h>

#include <cstdlib>
#include <numbers>

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
        surface.viewport = [] { return platform::Viewport{}; };
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
