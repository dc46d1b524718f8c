// What the drawing layer needs from a graphics device. The layer owns the
// batching rules; a device only uploads textures and draws finished runs.
#pragma once

#include <cstdint>
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

    // On: frames are drawn at the size the window shows them (never below
    // 800 x 600), every call still in logical pixels. Off: at 800 x 600,
    // scaled up when shown. Takes effect at the next frame.
    virtual void setNativeResolution(bool on) { (void)on; }
    // Device pixels per logical pixel of the frame being drawn (1 at 800 x 600).
    virtual float renderScale() const { return 1.0f; }
    // True once after the kept picture was lost (the frame changed size):
    // the next frame must be drawn whole.
    virtual bool takePictureLost() { return false; }

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
    // The last finished frame as 800 x 600 RGBA rows from the top (scaled
    // down when drawn larger).
    virtual bool readPixels(std::vector<uint8_t>& rgba) = 0;
    // The same frame scaled to w x h as the window shows it (exact at the
    // size it was drawn); devices that cannot scale give 800 x 600 only.
    virtual bool readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) {
        return w == 800 && h == 600 && readPixels(rgba);
    }
};
