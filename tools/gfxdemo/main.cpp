// Draws a small scene with textured, rotated, scaled and tinted quads, text in
// a bitmap font and particle effects through the OpenGL device, and saves the
// frame as a PNG. Every picture is generated here, so the demo needs no data.
#include <stb_easy_font.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "offscreen_renderer.h"
#include "frame/random.h"
#include "gfx/device.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "scene/sprite.h"

namespace {

constexpr float kPi = 3.14159265f;

bool writePng(const std::string& path, int w, int h, const std::vector<uint32_t>& argb) {
    std::vector<uint8_t> rgba(argb.size() * 4);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgba[i * 4 + 0] = static_cast<uint8_t>(argb[i] >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(argb[i] >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(argb[i]);
        rgba[i * 4 + 3] = static_cast<uint8_t>(argb[i] >> 24);
    }
    return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

uint32_t argb(float a, float r, float g, float b) {
    auto c = [](float v) { return static_cast<uint32_t>(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f + 0.5f); };
    return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

// A shaded white ball (tinted per sprite), 64 x 64.
std::vector<uint32_t> ballPicture() {
    std::vector<uint32_t> px(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - 32) / 30, dy = (static_cast<float>(y) + 0.5f - 32) / 30;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float light = std::fmax(0.0f, 1.0f - std::hypot(dx + 0.35f, dy + 0.35f) * 0.8f);
            const float edge = std::fmin(1.0f, std::fmax(0.0f, (1.0f - d) * 30.0f));
            const float shade = 0.45f + 0.55f * light;
            px[static_cast<size_t>(y * 64 + x)] = argb(edge, shade, shade, shade);
        }
    return px;
}

// A wooden crate, 64 x 64.
std::vector<uint32_t> cratePicture() {
    std::vector<uint32_t> px(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool frame = x < 6 || y < 6 || x > 57 || y > 57 || std::abs(x - y) < 4 || std::abs(x + y - 63) < 4;
            const float grain = 0.08f * std::sin(static_cast<float>(y) * 0.9f + std::sin(static_cast<float>(x) * 0.3f) * 2.0f);
            const float base = frame ? 0.55f : 0.75f;
            px[static_cast<size_t>(y * 64 + x)] = argb(1, base + grain, (base + grain) * 0.62f, (base + grain) * 0.3f);
        }
    return px;
}

// Night sky gradient, 4 x 256, stretched over the screen.
std::vector<uint32_t> skyPicture() {
    std::vector<uint32_t> px(4 * 256);
    for (int y = 0; y < 256; ++y) {
        const float t = static_cast<float>(y) / 255.0f;
        for (int x = 0; x < 4; ++x) px[static_cast<size_t>(y * 4 + x)] = argb(1, 0.05f + 0.25f * t, 0.07f + 0.12f * t, 0.22f + 0.2f * t);
    }
    return px;
}

// Soft round particle, 32 x 32.
std::vector<uint32_t> dotPicture() {
    std::vector<uint32_t> px(32 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float d = std::hypot(static_cast<float>(x) + 0.5f - 16, static_cast<float>(y) + 0.5f - 16) / 16;
            const float a = std::fmax(0.0f, 1.0f - d);
            px[static_cast<size_t>(y * 32 + x)] = argb(a * a, 1, 1, 1);
        }
    return px;
}

// A 256-glyph font sheet (rows of 32 cells of 16 x 24) rasterised from
// stb_easy_font's quads at twice their size.
std::vector<uint32_t> fontSheet() {
    const int cw = 16, ch = 24;
    std::vector<uint32_t> px(static_cast<size_t>(32 * cw * 8 * ch), 0);
    static float quads[4 * 4 * 1000];
    for (int code = 33; code < 127; ++code) {
        char text[2] = {static_cast<char>(code), 0};
        const int n = stb_easy_font_print(0, 0, text, nullptr, quads, sizeof quads);
        const int ox = (code % 32) * cw + 2, oy = (code / 32) * ch + 3;
        for (int q = 0; q < n; ++q) {
            const float* v = quads + q * 16;  // 4 vertices of x, y, z, colour
            const int x0 = static_cast<int>(v[0]) * 2, y0 = static_cast<int>(v[1]) * 2;
            const int x1 = static_cast<int>(v[8]) * 2, y1 = static_cast<int>(v[9]) * 2;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (x + ox < 32 * cw && y + oy < 8 * ch)
                        px[static_cast<size_t>((y + oy) * 32 * cw + x + ox)] = 0xFFFFFFFFu;
        }
    }
    // The space keeps a visible width after trimming: a faint pixel row.
    for (int x = 0; x < 6; ++x) px[static_cast<size_t>((1 * ch + ch - 1) * 32 * cw + x)] = 0x01000000u;
    return px;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "gfxdemo.png";
    if (!startOffscreenRenderer("gfxdemo")) return 1;

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vm-gfxdemo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "particles");
    std::filesystem::create_directories(dir / "fx");
    const std::string folder = dir.string() + "/";
    writePng(folder + "ball.png", 64, 64, ballPicture());
    writePng(folder + "crate.png", 64, 64, cratePicture());
    writePng(folder + "sky.png", 4, 256, skyPicture());
    writePng(folder + "particles/dot.png", 32, 32, dotPicture());
    writePng(folder + "font1.png", 512, 192, fontSheet());
    std::ofstream(folder + "fx/fountain.fx")
        << "Emitter\n EmitInterval 0.01 ParticlesPerEmit 6 PartLifeTime 1.6 PartRandomness 30\n"
           " VelocityDir -0.36 -1 ScatterAngle 40 0 Velocity 260 VelocityVariation 30\n"
           " Force 0 420 SizeOverLife 3 6 0 9 0.5 3 1 SizeVariation 30\n"
           " PartColor 3 1 0.9 0.3 1 0 1 0.4 0.1 0.8 0.5 0.6 0.1 0.4 0 1\n"
           " PartMass 1 1 0 SpinVariation 100 Texture dot.png\n"
           "Emitter\n EmitInterval 0.05 PartLifeTime 2.5 PartRandomness 20 VelocityDir 0 -1 ScatterAngle 30 0\n"
           " Velocity 60 SizeOverLife 2 10 0 28 1 PartColor 2 0.2 0.2 0.25 0.6 0 0.1 0.1 0.1 0 1\n"
           " PartMass 1 1 0 IsUseDarkShading 1 ShiftY -10 Texture dot.png\n";
    std::ofstream(folder + "fx/ring.fx")
        << "Emitter EmitterType 2 Radius 60 ParticlesPerEmit 3 PartLifeTime 1 PartRandomness 20\n"
           " Velocity 15 SizeOverLife 2 5 0 1 1 PartColor 2 0.3 0.8 1 1 0 0.1 0.2 1 0 1\n"
           " PartMass 1 1 0 MotionOverLife 1 2 0 Texture dot.png\n";
    textureBank().setParticleFolder(folder + "particles/");
    loadAllEffectsFrom(folder + "fx/");
    vmSeed(2024);

    PicturePack sky, ball, crate, font;
    sky.loadFrom(folder, "sky", false, 1, 1);
    ball.loadFrom(folder, "ball", false, 1, 1);
    crate.loadFrom(folder, "crate", false, 1, 1);
    font.loadFrom(folder, "font1", false, 256, 32);
    font.trimGlyphs();

    std::vector<std::unique_ptr<Sprite>> keep;
    auto background = std::make_unique<PckSprite>();
    background->setPicture(&sky, 0);
    background->setScale(200.0f, 600.0f / 256.0f);
    keep.push_back(std::move(background));

    const int colours[6][3] = {{230, 60, 60}, {60, 200, 80}, {70, 110, 240}, {240, 210, 60}, {200, 80, 220}, {60, 220, 220}};
    for (int i = 0; i < 6; ++i) {
        auto s = std::make_unique<PckSprite>();
        s->setPicture(&ball, 0);
        s->setLayer(10);
        s->setPosition(90.0f + static_cast<float>(i) * 66.0f, 470.0f - static_cast<float>(i % 2) * 40.0f);
        s->setColour(colours[i][0], colours[i][1], colours[i][2]);
        s->setScaleAboutCentre(true);
        s->setScale(0.6f + 0.12f * static_cast<float>(i), 0.6f + 0.12f * static_cast<float>(i));
        keep.push_back(std::move(s));
    }
    for (int i = 0; i < 4; ++i) {
        auto s = std::make_unique<PckSprite>();
        s->setPicture(&crate, 0);
        s->setLayer(5);
        s->centreHotSpot();
        s->setPosition(520.0f + static_cast<float>(i % 2) * 130.0f, 120.0f + static_cast<float>(i / 2) * 140.0f);
        s->setAngle(static_cast<float>(i) * kPi / 9.0f);
        s->setScale(1.0f + 0.25f * static_cast<float>(i), 1.0f + 0.25f * static_cast<float>(i));
        s->setAlpha(255 - i * 40);
        keep.push_back(std::move(s));
    }
    auto title = std::make_unique<TextLabel>();
    title->setFont(&font);
    title->setLayer(20);
    title->setText("The Vellmoor of Quorrin");
    title->setPosition(400, 40);
    title->setScale(1.5f, 1.5f);
    title->setColour(255, 230, 150);
    keep.push_back(std::move(title));
    auto tilted = std::make_unique<TextLabel>();
    tilted->setFont(&font);
    tilted->setLayer(20);
    tilted->setAlign(2);
    tilted->setText("Rotated text turns as one piece");
    tilted->setPosition(230, 250);
    tilted->setAngle(0.25f);
    tilted->setColour(150, 220, 255);
    keep.push_back(std::move(tilted));
    auto composed = std::make_unique<TextLabelEx>(&font, "Composed once: TextLabelEx");
    composed->setLayer(20);
    composed->setPosition(30, 560);
    composed->setColour(255, 160, 120);
    keep.push_back(std::move(composed));

    auto fountain = std::make_unique<FXSprite>();
    fountain->setLayer(15);
    fountain->setPosition(250, 420);
    fountain->addEffect("fountain.fx");
    auto ring = std::make_unique<FXSprite>();
    ring->setLayer(30);
    ring->setPosition(585, 190);
    ring->addEffect("ring.fx");
    particlesEnableDrawing();
    for (int tick = 0; tick < 120; ++tick) {
        particlesSetFrameTime(1.0f / 80.0f);
        particlesAdvance();
    }
    drawFrame();
    const bool ok = Gfx_SaveScreenshot(out);
    std::printf("gfxdemo: %s %s (%d particles)\n", ok ? "wrote" : "could not write", out.c_str(),
                particleSystem().liveCount());

    fountain.reset();
    ring.reset();
    keep.clear();
    stopOffscreenRenderer();
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
