// The drawing layer's own logic: batching, quad geometry, blend state, scene
// rules and start-up messages. Device calls go through GfxDevice only.
#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "frame/app.h"
#include "frame/log.h"
#include "frame/settings.h"
#include "frame/startup_options.h"
#include "gfx/damage.h"
#include "gfx/device.h"
#include "gfx/effects.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "platform/platform.h"

namespace {

struct RendererState {
    std::unique_ptr<DamageDevice> device;  // owns the real device behind it
    bool fullscreen = false;
    bool batchReady = false;  // false after a buffer failure: nothing is drawn
    bool inScene = false;
    std::array<Vertex, kBatchQuads * 4> vertices{};
    int count = 0;
    int kind = kQuadList;
    TextureEntry* texture = nullptr;
    uint32_t blendFlags = kBlendAlpha;
    std::vector<std::string> messages;
};

GfxSink* g_sink = nullptr;
EffectsLevel g_effects = EffectsLevel::Full;

bool& fullRedrawFlag() {
    static bool on = [] {
        const char* v = std::getenv("VM_FULL_REDRAW");
        return v && *v && *v != '0';
    }();
    return on;
}
bool g_sinkScene = false;

RendererState& st() {
    static RendererState s;
    return s;
}

void showMessage(const std::string& text) {
    st().messages.push_back(text);
    if (platform::installed()) platform::current().messageBox(text, "Error", platform::MB_ICONERROR_);
}

void applyBlendFlags(uint32_t flags) {
    RendererState& s = st();
    if (flags == s.blendFlags) return;
    s.blendFlags = flags;
    if (s.device) s.device->setBlendFlags(flags);
}

void bindTexture(TextureEntry* entry) {
    RendererState& s = st();
    if (entry == s.texture) return;
    s.texture = entry;
    if (s.device) s.device->setTexture(Gfx_DeviceTexture(entry));
}

void flush() {
    RendererState& s = st();
    if (s.count > 0 && s.device) s.device->drawBatch(s.kind, s.vertices.data(), s.count);
    s.count = 0;
}

// The batch state every scene starts from: quads, alpha blending, no texture.
void resetBatch() {
    RendererState& s = st();
    s.count = 0;
    s.kind = kQuadList;
    s.texture = nullptr;
    s.blendFlags = kBlendAlpha;
    if (s.device) {
        s.device->setBlendFlags(kBlendAlpha);
        s.device->setTexture(0);
    }
}

// Turns the device's start-up error into the player's message. Returns false
// when the game cannot draw at all.
bool reportCreate(DeviceError e) {
    RendererState& s = st();
    s.batchReady = true;
    switch (e) {
    case DeviceError::None:
        return true;
    case DeviceError::NoContext:
        showMessage("Can't create an OpenGL window. This game requires OpenGL 3.3 (core profile).");
        return false;
    case DeviceError::NoCore33:
    case DeviceError::Shader:
        showMessage("This game requires OpenGL 3.3 (core profile), which your graphics driver does not "
                    "provide. Please install the latest drivers for your video card.");
        return false;
    case DeviceError::VertexBuffer:
        showMessage("Can't create OpenGL vertex buffer");
        s.batchReady = false;
        return true;
    case DeviceError::IndexBuffer:
        showMessage("Can't create OpenGL index buffer");
        s.batchReady = false;
        return true;
    }
    return false;
}

bool createParticleObjects() {
    try {
        particleSystem().createMesh();
        particleSystem().fillIndices();
    } catch (const std::exception&) {
        showMessage("Error in particle system. Please contact support to obtain more info.");
        return false;
    }
    return true;
}

}  // namespace

bool Gfx_ConfigureWindow() {
    AppRecord* app = appRecord();
    if (!app) return true;
    std::snprintf(app->title, sizeof app->title, "%s", "The Vellmoor of Quorrin");
    app->framed = true;  // a title, a close and a minimise button
    app->width = kScreenWidth;
    app->height = kScreenHeight;
    // The window system places the window (centred on its display), never
    // the top-left corner.
    app->x = app->y = platform::kWindowCentred;
    return true;
}

bool Gfx_InitDevice() {
    RendererState& s = st();
    // --windowed or --fullscreen choose for this start without touching the
    // saved choice.
    s.fullscreen = startFullscreen(getIniInt("Game", "Fullscreen", 0) != 0);
    s.inScene = false;
    // The program installs the device (the OpenGL one on its window); none
    // fails as a window without a context does.
    if (!s.device) {
        reportCreate(DeviceError::NoContext);
        showMessage("Graphics initialization error.");
        return false;
    }
    if (!reportCreate(s.device->create())) {
        showMessage("Graphics initialization error.");
        s.device->release();
        s.device.reset();
        return false;
    }
    // A full screen the window system refuses leaves the game in its window.
    if (!s.device->setFullscreen(s.fullscreen)) s.fullscreen = !s.fullscreen;
    setFullscreenToggleHandler([] {
        Gfx_SetFullscreen(!Gfx_IsFullscreen());
        return Gfx_IsFullscreen();
    });
    resetBatch();
    if (!s.device->clear(0)) {
        showMessage("Can't clear the screen! Please contact support to obtain more info.");
        showMessage("Graphics initialization error.");
        return false;
    }
    s.device->setEnabled(!fullRedrawFlag());
    g_effects = Gfx_ChooseEffects(getIniString("Game", "Effects", ""), s.device->rendererName());
    const bool native = Gfx_ChooseNativeResolution(getIniString("Game", "RenderScale", ""), s.device->rendererName());
    s.device->setNativeResolution(native);
    int displayW = 0, displayH = 0;
    if (platform::installed() && !platform::current().displayPixels(displayW, displayH)) displayW = displayH = 0;
    // The picture set is chosen here, once, before the first picture loads.
    Gfx_SetArtScale(Gfx_ChooseArtScale(native, displayW, displayH));
    logPrintf(LogLevel::Debug, "vellmoor: drawing %s on %s (display %d x %d), pictures at %dx",
              native ? "at the window's resolution" : "at 800 x 600", s.device->rendererName().c_str(), displayW,
              displayH, Gfx_ArtScale());
    return createParticleObjects();
}

bool Gfx_ChooseNativeResolution(const std::string& saved, const std::string& renderer) {
    switch (startupOptions().renderScale) {
    case StartupOptions::RenderScale::Native: return true;
    case StartupOptions::RenderScale::One: return false;
    case StartupOptions::RenderScale::Saved: break;
    }
    if (saved == "native") return true;
    if (saved == "1") return false;
    return !Gfx_IsSoftwareRenderer(renderer);
}

int Gfx_ChooseArtScale(bool native, int displayW, int displayH) {
    if (!native || displayW <= 0 || displayH <= 0) return 1;
    const double fullScreenScale = std::min(displayW / static_cast<double>(kScreenWidth),
                                            displayH / static_cast<double>(kScreenHeight));
    return fullScreenScale > 1.25 ? 2 : 1;
}

EffectsLevel Gfx_Effects() { return g_effects; }
void Gfx_SetEffects(EffectsLevel level) { g_effects = level; }

const char* Gfx_EffectsName(EffectsLevel level) { return level == EffectsLevel::Light ? "light" : "full"; }

bool Gfx_IsSoftwareRenderer(const std::string& renderer) {
    for (const char* soft : {"llvmpipe", "softpipe", "swrast"})
        if (renderer.find(soft) != std::string::npos) return true;
    return false;
}

EffectsLevel Gfx_ChooseEffects(const std::string& saved, const std::string& renderer) {
    switch (startupOptions().effects) {
    case StartupOptions::Effects::Full: return EffectsLevel::Full;
    case StartupOptions::Effects::Light: return EffectsLevel::Light;
    case StartupOptions::Effects::Saved: break;
    }
    if (saved == Gfx_EffectsName(EffectsLevel::Full)) return EffectsLevel::Full;
    if (saved == Gfx_EffectsName(EffectsLevel::Light)) return EffectsLevel::Light;
    return Gfx_IsSoftwareRenderer(renderer) ? EffectsLevel::Light : EffectsLevel::Full;
}

bool Gfx_SetFullscreen(bool on) {
    RendererState& s = st();
    if (on == s.fullscreen) return true;
    if (!s.device || !s.device->setFullscreen(on)) return false;
    s.fullscreen = on;
    Gfx_RestoreDevice();
    return true;
}

bool Gfx_IsFullscreen() { return st().fullscreen; }

void Gfx_RestoreDevice() {
    RendererState& s = st();
    particleSystem().releaseMesh();
    if (!s.device) {
        showMessage("Device Deleted. Please contact support to obtain more info.");
        return;
    }
    switch (s.device->status()) {
    case DeviceStatus::Ready:
    case DeviceStatus::NeedsReset:
        // The mode is two-state: a refused switch leaves the other one.
        if (!s.device->setFullscreen(s.fullscreen)) s.fullscreen = !s.fullscreen;
        if (!s.device->reset()) {
            showMessage("OpenGL device restore failed! Unknown error.");
            return;
        }
        resetBatch();
        break;
    case DeviceStatus::Lost:
        showMessage("OpenGL device restore failed! Device lost.");
        return;
    }
    createParticleObjects();
}

bool Gfx_Clear(uint32_t argb) {
    if (g_sink) {
        g_sink->clear(argb);
        return true;
    }
    RendererState& s = st();
    return s.device && s.device->clear(argb);
}

bool Gfx_BeginScene() {
    if (g_sink) return g_sinkScene = g_sink->beginScene();
    RendererState& s = st();
    if (!s.device) return false;
    switch (s.device->status()) {
    case DeviceStatus::Lost:
        return false;
    case DeviceStatus::NeedsReset:
        Gfx_RestoreDevice();
        break;
    case DeviceStatus::Ready:
        break;
    }
    if (s.inScene) {
        showMessage("GE_BeginScene: Scene is already being rendered");
        return false;
    }
    if (!s.device->beginScene()) return false;
    particleSystem().resetLastDrawnLayer();
    s.count = 0;
    s.inScene = true;
    return true;
}

void Gfx_EndScene() {
    if (g_sink) {
        if (g_sinkScene) g_sink->endScene();
        g_sinkScene = false;
        return;
    }
    RendererState& s = st();
    if (!s.inScene) return;
    flush();
    s.device->endScene();
    s.inScene = false;
    textureBank().endFrame();
}

bool Gfx_InScene() { return st().inScene; }

void Gfx_DrawQuad(float x, float y, const std::string& textureName, int srcX, int srcY, int srcW,
                  int srcH, const SpriteParams* params) {
    if (g_sink) return g_sink->drawQuad(x, y, textureName, srcX, srcY, srcW, srcH, params);
    Quad q;
    TextureEntry* entry = textureBank().find(textureName);
    float tw = 1.0f, th = 1.0f;
    if (entry) {
        // Source rectangles are in logical pixels; a 2x texture has two texels to each.
        tw = static_cast<float>(entry->surfaceWidth) / static_cast<float>(entry->artScale);
        th = static_cast<float>(entry->surfaceHeight) / static_cast<float>(entry->artScale);
    }
    q.texture = entry;
    const float uL = static_cast<float>(srcX) / tw, vT = static_cast<float>(srcY) / th;
    const float uR = static_cast<float>(srcX + srcW) / tw, vB = static_cast<float>(srcY + srcH) / th;
    const float us[4] = {uL, uR, uR, uL}, vs[4] = {vT, vT, vB, vB};

    uint32_t colour = 0xFFFFFFFFu;
    float px[4], py[4];
    if (!params) {
        const float r = x + static_cast<float>(srcW), b = y + static_cast<float>(srcH);
        px[0] = x, py[0] = y;
        px[1] = r, py[1] = y;
        px[2] = r, py[2] = b;
        px[3] = x, py[3] = b;
    } else {
        // Unsigned arithmetic: out-of-range components wrap as the packed
        // colour always has.
        colour = static_cast<uint32_t>(params->alpha) * 0x1000000u + static_cast<uint32_t>(params->red) * 0x10000u +
                 static_cast<uint32_t>(params->green) * 0x100u + static_cast<uint32_t>(params->blue);
        if (params->scaleAboutCentre) {
            x += static_cast<float>(params->width / 2) * (1.0f - params->scaleX);
            y += static_cast<float>(params->height / 2) * (1.0f - params->scaleY);
        }
        const float hx = params->hotX * params->scaleX, hy = params->hotY * params->scaleY;
        const float dx[4] = {-hx, static_cast<float>(srcW) * params->scaleX - hx,
                             static_cast<float>(srcW) * params->scaleX - hx, -hx};
        const float dy[4] = {-hy, -hy, static_cast<float>(srcH) * params->scaleY - hy,
                             static_cast<float>(srcH) * params->scaleY - hy};
        const float cx = x + hx, cy = y + hy;
        if (params->angle == 0.0f) {
            for (int i = 0; i < 4; ++i) px[i] = cx + dx[i], py[i] = cy + dy[i];
        } else {
            const float c = std::cos(-params->angle), s = std::sin(-params->angle);
            for (int i = 0; i < 4; ++i) {
                px[i] = cx + (c * dx[i] - s * dy[i]);
                py[i] = cy + (s * dx[i] + c * dy[i]);
            }
        }
    }
    for (int i = 0; i < 4; ++i) q.v[i] = Vertex{px[i], py[i], 0.5f, colour, us[i], vs[i]};
    q.blendFlags = kBlendAlpha;
    Gfx_AddQuad(q);
}

void Gfx_AddQuad(const Quad& quad) {
    RendererState& s = st();
    // Outside a scene there is no buffer to write into; the quad is dropped.
    if (!s.inScene || !s.batchReady) return;
    if (s.kind != kQuadList || s.count >= kBatchQuads || s.texture != quad.texture ||
        s.blendFlags != quad.blendFlags) {
        flush();
        s.kind = kQuadList;
        applyBlendFlags(quad.blendFlags);
        bindTexture(quad.texture);
    }
    // Stamped per quad: a texture bound across frames is not bound again.
    if (quad.texture) textureBank().noteDrawn(quad.texture);
    Vertex* dst = s.vertices.data() + s.count * 4;
    for (int i = 0; i < 4; ++i) dst[i] = quad.v[i];
    ++s.count;
}

void Gfx_DrawParticles(int layer) {
    if (g_sink) return g_sink->drawParticles(layer);
    RendererState& s = st();
    if (!s.inScene || !s.device) return;
    flush();
    particleSystem().draw(layer);
    // The particle pass changed texture and blending behind the batch's back.
    s.device->setTexture(Gfx_DeviceTexture(s.texture));
    s.device->setBlendFlags(s.blendFlags);
}

void Gfx_ReleaseAll() {
    RendererState& s = st();
    if (!s.device) return;
    if (s.inScene) {
        s.count = 0;
        s.inScene = false;
    }
    particleSystem().releaseMesh();
    textureBank().dropDeviceTextures();
    s.device->release();
    s.device.reset();
    s.texture = nullptr;
}

void Gfx_DrawLine(float x1, float y1, float x2, float y2, uint32_t argb) {
    RendererState& s = st();
    if (!s.inScene) return;
    flush();
    s.device->drawLine(Vertex{x1, y1, 0.5f, argb, 0, 0}, Vertex{x2, y2, 0.5f, argb, 0, 0});
    s.device->setTexture(Gfx_DeviceTexture(s.texture));
    s.device->setBlendFlags(s.blendFlags);
}

void Gfx_DrawPoint(float x, float y, float size, uint32_t argb) {
    RendererState& s = st();
    if (!s.inScene) return;
    flush();
    s.device->drawPoint(Vertex{x, y, 0.5f, argb, 0, 0}, size);
    s.device->setTexture(Gfx_DeviceTexture(s.texture));
    s.device->setBlendFlags(s.blendFlags);
}

bool Gfx_ReadScreen(std::vector<uint8_t>& rgba) {
    RendererState& s = st();
    return s.device && s.device->readPixels(rgba);
}

bool Gfx_SaveScreenshot(const std::string& path) {
    std::vector<uint8_t> rgba;
    if (!Gfx_ReadScreen(rgba)) return false;
    return stbi_write_png(path.c_str(), kScreenWidth, kScreenHeight, 4, rgba.data(), kScreenWidth * 4) != 0;
}

bool Gfx_SaveScreenshotAsShown(const std::string& path) {
    RendererState& s = st();
    if (!s.device) return false;
    int w = kScreenWidth, h = kScreenHeight;
    if (platform::installed()) {
        const platform::Viewport vp = platform::current().viewport();
        if (vp.w > 0 && vp.h > 0) w = vp.w, h = vp.h;
    }
    std::vector<uint8_t> rgba;
    if (!s.device->readPixelsScaled(w, h, rgba)) {
        // A device that cannot scale still saves the frame itself.
        w = kScreenWidth, h = kScreenHeight;
        if (!s.device->readPixels(rgba)) return false;
    }
    return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

std::string Gfx_SaveNumberedScreenshot(const std::string& folder) {
    for (int n = 0; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot-%03d.png", n);
        const std::string path = folder + name;
        if (platform::fileExists(path)) continue;
        return Gfx_SaveScreenshot(path) ? path : std::string();
    }
    return {};
}

const std::vector<std::string>& Gfx_Messages() { return st().messages; }
void Gfx_ClearMessages() { st().messages.clear(); }

void Gfx_InstallDevice(std::unique_ptr<GfxDevice> device) {
    RendererState& s = st();
    if (s.device) Gfx_ReleaseAll();
    s.device = device ? std::make_unique<DamageDevice>(std::move(device)) : nullptr;
    s.inScene = false;
}

void Gfx_SetFullRedraw(bool on) {
    fullRedrawFlag() = on;
    RendererState& s = st();
    if (s.device && !s.inScene) s.device->setEnabled(!on);
}

bool Gfx_FullRedraw() { return fullRedrawFlag(); }

void Gfx_RedrawAll() {
    if (st().device) st().device->invalidate();
}

DamageStats Gfx_DamageStats() {
    DamageStats out;
    if (const DamageDevice* d = st().device.get()) {
        out.frames = d->frames;
        out.presented = d->presented;
        out.pixels = d->pixels;
    }
    return out;
}

void Gfx_SetSink(GfxSink* sink) {
    g_sink = sink;
    g_sinkScene = false;
}
GfxSink* Gfx_Sink() { return g_sink; }

GfxDevice* Gfx_Device() { return st().device.get(); }

void Gfx_Shutdown() {
    Gfx_ReleaseAll();
    RendererState& s = st();
    g_effects = EffectsLevel::Full;
    Gfx_SetArtScale(1);
    s.fullscreen = false;
    s.batchReady = false;
    s.count = 0;
    s.kind = kQuadList;
    s.blendFlags = kBlendAlpha;
    s.messages.clear();
}

void Gfx_ForgetTexture(TextureEntry* entry) {
    RendererState& s = st();
    if (s.texture != entry) return;
    flush();
    s.texture = nullptr;
    if (s.device) s.device->setTexture(0);
}

uint32_t Gfx_DeviceTexture(TextureEntry* entry) {
    RendererState& s = st();
    if (!entry || !s.device) return 0;
    textureBank().noteDrawn(entry);
    if (entry->deviceHandle == 0) {
        // A picture whose pixels were let go after an earlier upload is read again.
        const size_t count = static_cast<size_t>(entry->surfaceWidth) * static_cast<size_t>(entry->surfaceHeight);
        if (entry->pixels.size() != count && !textureBank().restorePixels(entry)) return 0;
        entry->deviceHandle = s.device->createTexture(entry->surfaceWidth, entry->surfaceHeight, entry->pixels.data());
        entry->dirty = false;
        // The device keeps its own copy: a picture from a file that nothing
        // reads on the CPU need not stay twice in memory.
        if (entry->deviceHandle && entry->fromFile && !entry->keepPixels && s.device->holdsTextures())
            std::vector<uint32_t>().swap(entry->pixels);
    } else if (entry->dirty) {
        s.device->updateTexture(entry->deviceHandle, entry->surfaceWidth, entry->surfaceHeight, entry->pixels.data());
        entry->dirty = false;
    }
    return entry->deviceHandle;
}
