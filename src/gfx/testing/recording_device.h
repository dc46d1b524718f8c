// The device the drawing tests use instead of a GPU.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/device.h"

// Records every draw with its state and vertices, so tests can check batching
// and geometry without a GPU.
class RecordingDevice : public GfxDevice {
public:
    enum class Call { Batch, Mesh, Line, Point };
    struct Draw {
        Call call = Call::Batch;
        int kind = 0;  // primitive kind of a batch
        int count = 0; // primitives (quads, lines, triangles)
        uint32_t texture = 0;
        uint32_t blendFlags = 0;
        int firstIndex = 0;
        std::vector<Vertex> vertices;
    };

    DeviceError create() override;
    void release() override;
    DeviceStatus status() override { return status_; }
    bool reset() override;
    bool clear(uint32_t argb) override;
    bool beginScene() override;
    void endScene() override;
    void discardScene() override { ++scenesDiscarded; }
    bool keepsPicture() const override { return keepPicture; }
    void setScissor(int x, int y, int w, int h) override { scissors.push_back({x, y, w, h}); }
    bool drawToCache(bool on) override {
        cacheTargets.push_back(on);
        return keepPicture;
    }
    void copyFromCache(int x, int y, int w, int h) override { cacheCopies.push_back({x, y, w, h}); }
    uint32_t createTexture(int width, int height, const uint32_t* pixels) override;
    void updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) override;
    void destroyTexture(uint32_t handle) override;
    void setTexture(uint32_t handle) override { texture_ = handle; }
    void setBlendFlags(uint32_t flags) override { blend_ = flags; }
    void drawBatch(int kind, const Vertex* vertices, int count) override;
    bool createMesh(int maxVertices, int maxIndices) override;
    bool hasMesh() const override { return meshCapacity_ > 0; }
    bool fillMeshIndices(const uint16_t* indices, int count) override;
    void setMeshVertices(const Vertex* vertices, int count) override;
    void drawMesh(int firstIndex, int triangleCount) override;
    void releaseMesh() override;
    void drawLine(const Vertex& a, const Vertex& b) override;
    void drawPoint(const Vertex& p, float size) override;
    bool setFullscreen(bool on) override {
        if (on != fullscreen && failFullscreen) return false;
        fullscreen = on;
        return true;
    }
    bool readPixels(std::vector<uint8_t>&) override { return false; }

    // Test controls.
    DeviceError failCreate = DeviceError::None;
    bool failClear = false;
    bool failFullscreen = false;  // mode switches are refused
    bool recordVertices = true;
    bool keepPicture = false;  // behave like a device that keeps its picture
    void setStatus(DeviceStatus s) { status_ = s; }

    std::vector<Draw> draws;
    std::vector<uint32_t> clears;
    std::vector<uint16_t> meshIndices;
    struct Scissor {
        int x, y, w, h;
    };
    std::vector<Scissor> scissors, cacheCopies;
    std::vector<bool> cacheTargets;
    int scenesBegun = 0, scenesEnded = 0, scenesDiscarded = 0, resets = 0, texturesLive = 0, uploads = 0;
    bool fullscreen = false;
    uint32_t boundTexture() const { return texture_; }
    uint32_t blendFlags() const { return blend_; }

private:
    DeviceStatus status_ = DeviceStatus::Ready;
    uint32_t texture_ = 0, blend_ = 0, nextTexture_ = 1;
    int meshCapacity_ = 0;
    std::vector<Vertex> mesh_;
};
