// The drawing layer: one 800 x 600 screen of textured, coloured, alpha-blended
// quads in pixel coordinates (origin top left, y down), batched into runs of
// equal texture and blending. The batching and geometry live here; the device
// behind it (OpenGL, or a recorder in tests) only receives finished runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Sprite parameter block handed to the renderer, in the sprite's field order.
struct SpriteParams {
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float angle = 0.0f;  // radians; positive turns counter-clockwise on screen
    float hotX = 0.0f;
    float hotY = 0.0f;
    uint8_t scaleAboutCentre = 0;
    int32_t height = 0;
    int32_t width = 0;
    int32_t red = 255;
    int32_t green = 255;
    int32_t blue = 255;
    int32_t alpha = 255;
};

// 24 bytes: position (z always 0.5), ARGB colour, texture coordinates.
struct Vertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(Vertex) == 24, "the vertex layout is shared with the device");

// Blend flags of a quad run.
enum : uint32_t {
    kBlendColourAdd = 1,  // texture colour plus vertex colour instead of their product
    kBlendAlpha = 2,      // destination factor 1 - src alpha; clear = additive
    kBlendDepthWrite = 4, // kept for completeness; there is no depth buffer
    kBlendOff = 8,        // opaque pixels: written without blending, same result, less work
    kSampleExact = 16,    // texel centres on pixel centres one to one: the nearest texel is the filtered one
};

struct TextureEntry;

// A quad: vertices top-left, top-right, bottom-right, bottom-left of the
// unrotated picture.
struct Quad {
    Vertex v[4];
    TextureEntry* texture = nullptr;
    uint32_t blendFlags = kBlendAlpha;
};

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kBatchQuads = 1000;

// Primitive kinds of the batch.
enum PrimitiveKind : int { kLineList = 2, kTriangleList = 3, kQuadList = 4 };

// The picture set the loaders take: 1, or 2 for the pictures drawn at twice
// the size under "2x/" of the pictures folder. Called before pictures, fonts
// and particle textures load; 2 falls back to 1, with one line in the log,
// when the 2x set is not installed. Packs measure frames and glyphs in
// logical pixels whichever set they came from.
void Gfx_SetArtScale(int scale);
int Gfx_ArtScale();
// The pictures folder of a set, ending in a separator.
std::string Gfx_PicturesFolder(int scale);

// Fills the application's window record (class name, style, size, title).
bool Gfx_ConfigureWindow();
// Creates the device (OpenGL unless one was installed) and the particle
// system's device objects. Shows a message captioned "Error" and returns
// false when the game cannot draw.
bool Gfx_InitDevice();
// Switches between the window and full screen. False when the window system
// refused: the old mode stays in force and Gfx_IsFullscreen() still says so.
bool Gfx_SetFullscreen(bool on);
bool Gfx_IsFullscreen();
void Gfx_RestoreDevice();
bool Gfx_Clear(uint32_t argb);
bool Gfx_BeginScene();
void Gfx_EndScene();
void Gfx_DrawQuad(float x, float y, const std::string& textureName, int srcX, int srcY, int srcW,
                  int srcH, const SpriteParams* params);
void Gfx_AddQuad(const Quad& quad);
void Gfx_DrawParticles(int layer);
void Gfx_ReleaseAll();
// Debug drawing of the mesh editor: untextured, unblended.
void Gfx_DrawLine(float x1, float y1, float x2, float y2, uint32_t argb);
void Gfx_DrawPoint(float x, float y, float size, uint32_t argb);

// Reads the last drawn frame as 800 x 600 RGBA rows from the top.
bool Gfx_ReadScreen(std::vector<uint8_t>& rgba);
bool Gfx_SaveScreenshot(const std::string& path);
// At the size the window shows the picture (larger in full screen).
bool Gfx_SaveScreenshotAsShown(const std::string& path);
// Saves "screenshot-NNN.png" with the first free number in the folder
// (ends with a separator or is empty for the working folder); returns the
// path written or an empty string.
std::string Gfx_SaveNumberedScreenshot(const std::string& folder);

bool Gfx_InScene();

// Damage drawing: devices that keep their picture between frames get only
// the parts of a frame that changed redrawn, and no frame at all when nothing
// changed. On by default; VM_FULL_REDRAW=1 in the environment or
// Gfx_SetFullRedraw(true) draws every frame whole (comparisons, benchmarks).
void Gfx_SetFullRedraw(bool on);
bool Gfx_FullRedraw();
// The next frame is drawn whole and shown (window exposed, mode switched).
void Gfx_RedrawAll();
struct DamageStats {
    uint64_t frames = 0;      // scenes ended
    uint64_t presented = 0;   // frames shown in the window
    uint64_t pixels = 0;      // pixels redrawn (sum of the damaged areas)
};
DamageStats Gfx_DamageStats();
// Messages the layer showed to the player, oldest first (for tests).
const std::vector<std::string>& Gfx_Messages();
void Gfx_ClearMessages();

class GfxDevice;
// Installs the device the layer draws with, before Gfx_InitDevice: the game
// the OpenGL one (gfx/gl), tests a recorder (gfx/testing); without one the
// start fails as it does without a context. Replacing a device releases the
// old one's objects.
void Gfx_InstallDevice(std::unique_ptr<GfxDevice> device);
GfxDevice* Gfx_Device();
// Drops the device and every piece of renderer state (test fixtures).
void Gfx_Shutdown();

// Scene-level observer for tests of the scene: while one is set, the scene's
// drawing calls (clear, begin, end, quad, particles) go to it instead of the
// renderer. The game never sets one.
class GfxSink {
public:
    virtual ~GfxSink() = default;
    virtual void clear(uint32_t argb) = 0;
    virtual bool beginScene() = 0;
    virtual void endScene() = 0;
    virtual void drawQuad(float x, float y, const std::string& textureName, int srcX, int srcY, int srcW,
                          int srcH, const SpriteParams* params) = 0;
    virtual void drawParticles(int layer) = 0;
};
void Gfx_SetSink(GfxSink* sink);
GfxSink* Gfx_Sink();

// Called by the texture bank before a texture disappears, so a pending run
// never refers to it.
void Gfx_ForgetTexture(TextureEntry* entry);
// Binds a bank texture for device use (uploads it when needed); returns the
// device handle, 0 for none.
uint32_t Gfx_DeviceTexture(TextureEntry* entry);
