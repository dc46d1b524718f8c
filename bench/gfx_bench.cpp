// Renderer, particle and picture-loading costs on the recording device.
#include <benchmark/benchmark.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frame/random.h"
#include "gfx/testing/recording_device.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "res/picture_pack.h"
#include "scene/sprite.h"

namespace {

std::string scratchFolder(const char* what) {
    const auto dir = std::filesystem::temp_directory_path() / (std::string("vm-bench-") + what + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string() + "/";
}

RecordingDevice* startRecording() {
    Gfx_SetSink(nullptr);
    Gfx_Shutdown();
    textureBank().clear();
    particleSystem().reset();
    clearEffectCache();
    auto d = std::make_unique<RecordingDevice>();
    d->recordVertices = false;
    RecordingDevice* dev = d.get();
    Gfx_InstallDevice(std::move(d));
    Gfx_InitDevice();
    return dev;
}

void fillPool(const std::string& folder) {
    std::ofstream(folder + "flood.fx") << "Emitter ParticlesPerEmit 3000 PartLifeTime 1000 PartRandomness 0 "
                                          "MotionOverLife 1 0.5 0 SpinVariation 50\n";
    loadAllEffectsFrom(folder);
}

}  // namespace

// One frame: 1999 picture sprites on 20 textures, drawn in texture runs by
// layer, plus an effect sprite with 3000 live particles.
static void BM_FrameSubmit(benchmark::State& state) {
    RecordingDevice* dev = startRecording();
    const std::string folder = scratchFolder("frame");
    std::vector<std::unique_ptr<PicturePack>> packs;
    for (int t = 0; t < 20; ++t) {
        auto p = std::make_unique<PicturePack>();
        p->createBlankIn(folder, "sheet" + std::to_string(t), 256, 256);
        packs.push_back(std::move(p));
    }
    std::vector<std::unique_ptr<PckSprite>> sprites;
    for (int i = 0; i < 1999; ++i) {
        auto s = std::make_unique<PckSprite>();
        s->setPicture(packs[static_cast<size_t>(i % 20)].get(), 0);
        s->setLayer(i % 20);
        s->setPosition(static_cast<float>(i % 800), static_cast<float>(i % 600));
        s->setAngle(static_cast<float>(i) * 0.01f);
        s->setScale(0.25f, 0.25f);
        sprites.push_back(std::move(s));
    }
    fillPool(folder);
    FXSprite fx;
    fx.setLayer(100);
    fx.setPosition(400, 300);
    fx.addEffect("flood.fx");
    particlesEnableDrawing();
    particlesSetFrameTime(0.04f);
    particlesAdvance();
    size_t calls = 0;
    for (auto _ : state) {
        dev->draws.clear();
        drawFrame();
        calls = dev->draws.size();
        benchmark::DoNotOptimize(calls);
    }
    state.counters["draw_calls"] = static_cast<double>(calls);
    state.counters["texture_blend_runs"] = 20 + static_cast<double>(particleSystem().groups().size());
    state.counters["particles"] = particleSystem().liveCount();
    fx.clearEffects();
    sprites.clear();
    Gfx_Shutdown();
    textureBank().clear();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FrameSubmit)->Unit(benchmark::kMillisecond);

// One simulation step with a full pool (emission finds no free slot).
static void BM_ParticleAdvance(benchmark::State& state) {
    startRecording();
    vmSeed(1);
    const std::string folder = scratchFolder("advance");
    fillPool(folder);
    FXSprite fx;
    fx.setPosition(400, 300);
    fx.addEffect("flood.fx");
    particlesSetFrameTime(0.04f);
    particlesAdvance();
    for (auto _ : state) {
        particlesSetFrameTime(0.0375f);
        particlesAdvance();
    }
    state.counters["particles"] = particleSystem().liveCount();
    fx.clearEffects();
    Gfx_Shutdown();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ParticleAdvance)->Unit(benchmark::kMillisecond);

// Loading 100 picture packs of 256 x 256 PNG pictures.
static void BM_LoadPictures(benchmark::State& state) {
    const std::string folder = scratchFolder("pictures");
    std::vector<uint8_t> rgba(256 * 256 * 4);
    uint32_t seed = 99;
    for (int n = 0; n < 100; ++n) {
        for (size_t i = 0; i < rgba.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            // Smooth picture with some noise, like painted art.
            rgba[i] = static_cast<uint8_t>((i / 4 % 256) + ((seed >> 16) & 15u) + static_cast<uint32_t>(n));
        }
        stbi_write_png((folder + "pic" + std::to_string(n) + ".png").c_str(), 256, 256, 4, rgba.data(), 256 * 4);
    }
    for (auto _ : state) {
        state.PauseTiming();
        textureBank().clear();
        state.ResumeTiming();
        for (int n = 0; n < 100; ++n) {
            PicturePack p;
            p.loadFrom(folder, "pic" + std::to_string(n), false, 1, 1);
            benchmark::DoNotOptimize(p.width);
        }
    }
    textureBank().clear();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadPictures)->Unit(benchmark::kMillisecond);
