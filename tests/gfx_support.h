// Fixture pieces for the drawing layer, resources and particles: a recording
// device, a clean texture bank and particle system, and a scratch folder for
// pictures, maps, fonts and effect files the tests write themselves.
#pragma once

#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/random.h"
#include "gfx/testing/recording_device.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"

inline void resetGfxState() {
    Gfx_SetSink(nullptr);
    Gfx_Shutdown();
    textureBank().clear();
    textureBank().setParticleFolder("");
    particleSystem().reset();
    clearEffectCache();
    clearDebugLog();
}

// Two draws that must cover the same pixels with the same texture coordinates
// (a picture and its twice-sized counterpart).
inline void expectSameQuadPlaces(const std::vector<Vertex>& a, const std::vector<Vertex>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].x, b[i].x) << i;
        EXPECT_EQ(a[i].y, b[i].y) << i;
        EXPECT_EQ(a[i].u, b[i].u) << i;
        EXPECT_EQ(a[i].v, b[i].v) << i;
    }
}

class GfxTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGfxState();
        auto d = std::make_unique<RecordingDevice>();
        dev = d.get();
        Gfx_InstallDevice(std::move(d));
        ASSERT_TRUE(Gfx_InitDevice());
        static int serial = 0;
        dir = std::filesystem::temp_directory_path() /
              ("vm-gfx-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(dir);
        folder = dir.string() + "/";
        textureBank().setParticleFolder(folder + "particles/");
    }
    void TearDown() override {
        resetGfxState();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Writes an ARGB image as PNG (or another stb format by extension).
    void writePng(const std::string& name, int w, int h, const std::vector<uint32_t>& argb) {
        std::vector<uint8_t> rgba(argb.size() * 4);
        for (size_t i = 0; i < argb.size(); ++i) {
            rgba[i * 4 + 0] = static_cast<uint8_t>(argb[i] >> 16);
            rgba[i * 4 + 1] = static_cast<uint8_t>(argb[i] >> 8);
            rgba[i * 4 + 2] = static_cast<uint8_t>(argb[i]);
            rgba[i * 4 + 3] = static_cast<uint8_t>(argb[i] >> 24);
        }
        const std::string path = folder + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_NE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4), 0);
    }
    void writeSolidPng(const std::string& name, int w, int h, uint32_t argb = 0xFFFFFFFFu) {
        writePng(name, w, h, std::vector<uint32_t>(static_cast<size_t>(w) * static_cast<size_t>(h), argb));
    }
    void writeText(const std::string& name, const std::string& text) {
        const std::string path = folder + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<RecordingDevice::Draw> batches() const {
        std::vector<RecordingDevice::Draw> out;
        for (const auto& d : dev->draws)
            if (d.call == RecordingDevice::Call::Batch) out.push_back(d);
        return out;
    }

    RecordingDevice* dev = nullptr;
    std::filesystem::path dir;
    std::string folder;
};
