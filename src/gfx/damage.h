// Damage drawing. Stands between the drawing layer and the real device: while
// on, a scene's draws are kept as a list instead of being sent, and at its end
// the list is compared with the previous frame's. Only the screen rectangles
// where the two differ are cleared and redrawn (every draw of the frame,
// clipped to them); the rest of the kept picture is already right. A frame
// with no differences draws and shows nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "gfx/device.h"

struct ScreenRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // right and bottom exclusive
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    int64_t area() const { return empty() ? 0 : int64_t{x1 - x0} * (y1 - y0); }
};

// Merges overlapping or nearby rectangles while merging costs little extra
// area, then down to at most maxCount; clipped to the screen.
std::vector<ScreenRect> mergeDamage(std::vector<ScreenRect> rects, size_t maxCount);

class DamageDevice : public GfxDevice {
public:
    explicit DamageDevice(std::unique_ptr<GfxDevice> inner);
    GfxDevice* inner() const { return inner_.get(); }

    // Off: every call goes straight to the inner device. Damage drawing needs
    // an inner device that keeps its picture.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    // The next frame is drawn whole and shown.
    void invalidate() { whole_ = true; }

    // What the last ended scene did (tests, statistics).
    const std::vector<ScreenRect>& lastDamage() const { return damage_; }
    bool lastShown() const { return shown_; }
    uint64_t frames = 0, presented = 0, pixels = 0;

    DeviceError create() override;
    void release() override;
    DeviceStatus status() override { return inner_->status(); }
    bool reset() override;
    bool clear(uint32_t argb) override;
    bool beginScene() override;
    void endScene() override;
    void discardScene() override;
    bool keepsPicture() const override { return inner_->keepsPicture(); }
    bool holdsTextures() const override { return inner_->holdsTextures(); }
    std::string rendererName() const override { return inner_->rendererName(); }
    void setNativeResolution(bool on) override { inner_->setNativeResolution(on); }
    float renderScale() const override { return inner_->renderScale(); }
    void setScissor(int x, int y, int w, int h) override { inner_->setScissor(x, y, w, h); }
    uint32_t createTexture(int width, int height, const uint32_t* pixels) override;
    void updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) override;
    void destroyTexture(uint32_t handle) override;
    void setTexture(uint32_t handle) override;
    void setBlendFlags(uint32_t flags) override;
    void drawBatch(int kind, const Vertex* vertices, int count) override;
    bool createMesh(int maxVertices, int maxIndices) override;
    bool hasMesh() const override { return inner_->hasMesh(); }
    bool fillMeshIndices(const uint16_t* indices, int count) override;
    void setMeshVertices(const Vertex* vertices, int count) override;
    void drawMesh(int firstIndex, int triangleCount) override;
    void releaseMesh() override;
    void drawLine(const Vertex& a, const Vertex& b) override;
    void drawPoint(const Vertex& p, float size) override;
    bool setFullscreen(bool on) override;
    bool readPixels(std::vector<uint8_t>& rgba) override { return inner_->readPixels(rgba); }
    bool readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) override {
        return inner_->readPixelsScaled(w, h, rgba);
    }

private:
    enum class Op : uint8_t { Clear, Batch, Mesh, Line, Point };
    // One device call of the frame, with the state it ran under.
    struct Command {
        Op op = Op::Batch;
        int kind = kQuadList;
        uint32_t texture = 0, blend = 0, colour = 0;
        float size = 0.0f;
        int firstVertex = 0, vertexCount = 0;  // in vertices_ (batches, lines, points)
        int upload = 0;                        // mesh vertices in force (index into uploads_)
        int firstIndex = 0, triangles = 0;
        int firstPiece = 0, pieceCount = 0;
        ScreenRect box;
    };
    // The unit of comparison: one quad, triangle, line, point, particle or clear.
    struct Piece {
        uint64_t key = 0;
        ScreenRect box;
        // A long turned quad also notes the boxes of slices along its
        // length (in Frame::bands): where it changes, only those are redrawn,
        // not the box round all of it.
        int firstBand = 0, bandCount = 0;
    };
    struct Frame {
        std::vector<Command> commands;
        std::vector<Piece> pieces;
        std::vector<Vertex> vertices;
        std::vector<std::vector<Vertex>> uploads;
        std::vector<ScreenRect> bands;
        void clear() {
            bands.clear();
            commands.clear();
            pieces.clear();
            vertices.clear();
            uploads.clear();
        }
    };
    struct TextureInfo {
        uint64_t generation = 0;
        bool opaque = false;
        int width = 0, height = 0;
        // Per square of kClearTile texels, 1 where every texel is fully
        // transparent; empty when there is no such square.
        std::vector<uint8_t> clearTiles;
        int tilesX = 0;
    };
    static constexpr int kClearTile = 16;

    bool recording() const { return enabled_ && inScene_; }
    Command& startCommand(Op op);
    void addPiece(Command& c, const Vertex* v, int n, uint64_t extra);
    uint64_t stateKey(const Command& c) const;
    void computeDamage();
    // Notes the slices of a turned quad whose box is much larger than itself.
    static void addBands(Frame& f, Piece& p, const Vertex* v);
    // The rectangles a changed piece of frame f damages.
    static void damageOf(const Frame& f, const Piece& p, std::vector<ScreenRect>& rects);
    // Draws commands [first, end) clipped to r, starting above the last solid
    // quad that covers r; returns nothing.
    void replay(const ScreenRect& r, size_t end, size_t cached);
    void prepareCache();
    bool cacheMatches() const;
    size_t commonPrefix() const;
    void drawQuads(const Command& c, const ScreenRect& r);
    // Adds the parts of an exact quad inside r that can show anything,
    // leaving out the fully transparent squares of its picture; false when
    // the picture has none or the quad's corners differ in colour.
    // A quad that maps texels one to one onto whole pixels: its screen
    // rectangle and the texel at its top left.
    struct ExactQuad {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0, tx0 = 0, ty0 = 0;
    };
    static bool texelExact(const Vertex* v, const TextureInfo& tex, ExactQuad& q);
    bool addVisibleParts(const Vertex* v, const TextureInfo& tex, const ExactQuad& q, const ScreenRect& r,
                         uint32_t texture, uint32_t blend);
    // Draws the quads gathered in scratch_ and empties it.
    void flushScratch(uint32_t texture, uint32_t blend);
    void applyState(uint32_t texture, uint32_t blend);
    void noteTexture(uint32_t handle, int width, int height, const uint32_t* pixels);
    static void noteClearTiles(TextureInfo& t, const uint32_t* pixels);

    std::unique_ptr<GfxDevice> inner_;
    bool enabled_ = false;
    bool inScene_ = false;
    bool whole_ = true;  // the kept picture cannot be trusted
    bool shown_ = false;
    bool pendingClear_ = false;
    uint32_t clearColour_ = 0;
    uint32_t texture_ = 0, blend_ = kBlendAlpha;            // state the layer asked for
    uint32_t innerTexture_ = 0, innerBlend_ = kBlendAlpha;  // state the inner device has
    bool innerStateKnown_ = false;
    std::vector<uint16_t> meshIndices_;
    std::vector<Vertex> meshVertices_;
    bool meshChanged_ = true;  // meshVertices_ differs from the frame's last upload
    int innerUpload_ = -1;     // which upload of the frame the inner mesh holds
    uint64_t generation_ = 0;
    std::unordered_map<uint32_t, TextureInfo> textures_;
    Frame frame_, previous_;
    bool previousValid_ = false;
    std::vector<ScreenRect> damage_;
    // The first commands of the frame, when they stay the same from frame to
    // frame, are kept drawn in the device's cache picture: a damaged
    // rectangle starts as a copy of it instead of a redraw of those layers.
    bool cacheValid_ = false;
    size_t cacheCommands_ = 0;
    std::vector<uint64_t> cacheKeys_;
    std::vector<int> cachePieces_;
    int sinceCacheBuilt_ = 1 << 20;
    size_t usableCache_ = 0;
    std::vector<Vertex> scratch_;
    std::vector<int> matchScratch_;
};
