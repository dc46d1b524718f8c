// What the drawing layer needs from a graphics device. The layer owns the
// batching rules; a device only uploads textures and draws finished runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "platform/platform.h"

enum class DeviceStatus { Ready, Lost, NeedsReset };

// Why a device could not start; the layer turns it into the player's message.
enum class DeviceError { None, NoContext, NoCore33, VertexBuffer, IndexBuffer, Shader };

class GfxDevice {
public:
    virtual ~GfxDevice() = default;

    // Creates the device objects (buffers, shaders, render target). Errors in
    // the batch buffers leave a device that draws nothing but still starts.
    virtual DeviceError create() = 0;
    virtual void release() = 0;
    virtual DeviceStatus status() = 0;
    // Re-creates the device objects after a loss or a mode switch.
    virtual bool reset() = 0;

    virtual bool clear(uint32_t argb) = 0;
    virtual bool beginScene() = 0;
    virtual void endScene() = 0;  // finishes the frame and shows it
    // Ends a scene that changed nothing: the window keeps what it shows.
    virtual void discardScene() {}
    // True when the device's picture survives from one frame to the next, so
    // only the changed parts of a frame need drawing.
    virtual bool keepsPicture() const { return false; }
    // Limits clears and draws to the rectangle (screen pixels, y down,
    // right and bottom exclusive); w <= 0 lifts the limit.
    virtual void setScissor(int, int, int w, int) { (void)w; }
    // A second picture that keeps the frame's unchanging first layers: draws
    // and clears go there while on. False when the device has none.
    virtual bool drawToCache(bool) { return false; }
    // Copies a rectangle of that picture into the frame (subject to the scissor).
    virtual void copyFromCache(int, int, int, int) {}

    // The driver's name for what draws (OpenGL's renderer string); empty when unknown.
    virtual std::string rendererName() const { return {}; }

    // True when the device keeps its own copy of every texture's texels, so
    // the bank need not keep them too.
    virtual bool holdsTextures() const { return false; }
    // Textures are 32-bit ARGB (alpha in the top byte), rows from the top.
    virtual uint32_t createTexture(int width, int height, const uint32_t* pixels) = 0;
    virtual void updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) = 0;
    virtual void destroyTexture(uint32_t handle) = 0;

    // Pipeline state for the following draws.
    virtual void setTexture(uint32_t handle) = 0;  // 0 = untextured
    virtual void setBlendFlags(uint32_t flags) = 0;
    // Draws count primitives of the batch: quads use the fixed 1000-quad index
    // pattern, lines and triangles the vertices in order.
    virtual void drawBatch(int kind, const Vertex* vertices, int count) = 0;

    // The particle mesh: a dynamic vertex store with its own index pattern.
    virtual bool createMesh(int maxVertices, int maxIndices) = 0;
    virtual bool hasMesh() const = 0;
    virtual bool fillMeshIndices(const uint16_t* indices, int count) = 0;
    virtual void setMeshVertices(const Vertex* vertices, int count) = 0;
    virtual void drawMesh(int firstIndex, int triangleCount) = 0;
    virtual void releaseMesh() = 0;

    // Debug primitives, untextured and unblended.
    virtual void drawLine(const Vertex& a, const Vertex& b) = 0;
    virtual void drawPoint(const Vertex& p, float size) = 0;

    // True when the window shows the asked-for mode afterwards; on false the
    // old mode is still in force.
    virtual bool setFullscreen(bool on) = 0;
    // The last finished frame as 800 x 600 RGBA rows from the top.
    virtual bool readPixels(std::vector<uint8_t>& rgba) = 0;
    // The same frame scaled to w x h as the window shows it; devices that
    // cannot scale give the frame at its own size only.
    virtual bool readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) {
        return w == 800 && h == 600 && readPixels(rgba);
    }
};

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

// Where the OpenGL device shows its frames. The game uses the platform
// window; tests and tools may bring their own context.
struct GlSurface {
    std::function<void()> swap;
    std::function<platform::Viewport()> viewport;        // letterbox rectangle in the drawable
    std::function<bool(bool)> setFullscreen;  // as GfxDevice::setFullscreen; none: stays windowed
};

// The OpenGL 3.3 core device; needs a current context when created. Frames
// are drawn into an 800 x 600 target and scaled into the window's letterbox.
std::unique_ptr<GfxDevice> makeGlDevice();  // on the platform window
std::unique_ptr<GfxDevice> makeGlDevice(GlSurface surface);
