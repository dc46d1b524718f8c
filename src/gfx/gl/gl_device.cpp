// OpenGL 3.3 core device. One program draws the textured, coloured quads of
// the batch and the particle mesh; another draws the debug lines and points.
// Every frame is drawn into a target of its own, which makes screenshots
// exact and lets full screen place the frame in a letterbox. The target is
// 800 x 600, or at native resolution as large as the letterbox, so that a
// large window or screen gets pixels drawn for it rather than enlarged ones.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gfx/gl/gl_device.h"
#include "platform/device_services.h"
#include "platform/exit_guard.h"

namespace {

// Pixel (x, y) of the 800 x 600 screen, y down, whatever the target's size:
// the viewport spreads the screen over the target. OpenGL samples pixel
// centres at half-integers, so at 800 x 600 a quad from x to x + w covers
// exactly w pixels with texel centres on pixel centres, without the
// half-pixel shift an API with integer pixel centres needs.
const char* kQuadVs = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 uv;
out vec4 vColour;
out vec2 vUv;
void main() {
    gl_Position = vec4(position.x / 400.0 - 1.0, 1.0 - position.y / 300.0, 0.0, 1.0);
    vColour = colour;
    vUv = uv;
}
)";

const char* kQuadFs = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
uniform sampler2D tex;
uniform int useTexture;
uniform int colourAdd;
out vec4 fragColour;
void main() {
    vec4 t = useTexture != 0 ? texture(tex, vUv) : vec4(1.0);
    vec4 c = colourAdd != 0 ? vec4(min(t.rgb + vColour.rgb, vec3(1.0)), t.a * vColour.a) : t * vColour;
    // Alpha test: pixels of alpha 0 are never written.
    if (c.a < 0.5 / 255.0) discard;
    fragColour = c;
}
)";

// The same for frames drawn larger than 800 x 600, where a quad's edge
// pixels would filter in texels from beside its part of the picture (the
// next frame of a pack) and the transparent texels beyond a hard edge (the
// slices of a box's edge), and show seams. Texture coordinates stay within
// the part's outer texel centres (uvRect: left, top, right, bottom), colour
// is filtered weighted by alpha, and a pixel over an opaque texel stays
// opaque, as at 800 x 600.
const char* kLargerQuadVs = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 uv;
layout(location = 3) in vec4 uvRect;
out vec4 vColour;
out vec2 vUv;
flat out vec4 vRect;
void main() {
    gl_Position = vec4(position.x / 400.0 - 1.0, 1.0 - position.y / 300.0, 0.0, 1.0);
    vColour = colour;
    vUv = uv;
    vRect = uvRect;
}
)";

const char* kLargerQuadFs = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
flat in vec4 vRect;
uniform sampler2D tex;
uniform int useTexture;
uniform int colourAdd;
out vec4 fragColour;
vec4 weighted(ivec2 at, ivec2 last) {
    vec4 c = texelFetch(tex, clamp(at, ivec2(0), last), 0);
    return vec4(c.rgb * c.a, c.a);
}
void main() {
    vec4 t = vec4(1.0);
    if (useTexture != 0) {
        vec2 size = vec2(textureSize(tex, 0));
        vec2 halfTexel = 0.5 / size;
        vec2 lo = vRect.xy + halfTexel;
        vec2 uv = min(max(vUv, lo), max(vRect.zw - halfTexel, lo));
        vec2 p = uv * size - 0.5;
        vec2 f = fract(p);
        ivec2 i = ivec2(floor(p)), last = ivec2(size) - 1;
        vec4 w = mix(mix(weighted(i, last), weighted(i + ivec2(1, 0), last), f.x),
                     mix(weighted(i + ivec2(0, 1), last), weighted(i + ivec2(1, 1), last), f.x), f.y);
        t = w.a > 0.0 ? vec4(w.rgb / w.a, w.a) : vec4(0.0);
        if (texelFetch(tex, ivec2(uv * size), 0).a >= 1.0) t.a = 1.0;
    }
    vec4 c = colourAdd != 0 ? vec4(min(t.rgb + vColour.rgb, vec3(1.0)), t.a * vColour.a) : t * vColour;
    if (c.a < 0.5 / 255.0) discard;
    fragColour = c;
}
)";

const char* kPlainVs = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
uniform float pointSize;
out vec4 vColour;
void main() {
    gl_Position = vec4(position.x / 400.0 - 1.0, 1.0 - position.y / 300.0, 0.0, 1.0);
    gl_PointSize = pointSize;
    vColour = colour;
}
)";

const char* kPlainFs = R"(#version 330 core
in vec4 vColour;
out vec4 fragColour;
void main() { fragColour = vColour; }
)";

GLuint compile(GLenum kind, const char* source) {
    GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(s);
        return 0;
    }
    return s;
}

GLuint link(const char* vs, const char* fs) {
    GLuint v = compile(GL_VERTEX_SHADER, vs), f = compile(GL_FRAGMENT_SHADER, fs);
    if (!v || !f) {
        if (v) glDeleteShader(v);
        if (f) glDeleteShader(f);
        return 0;
    }
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

// The 24-byte vertex: position, BGRA bytes of the ARGB colour, uv.
void vertexLayout() {
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(16));
}

class GlDevice : public GfxDevice {
public:
    explicit GlDevice(GlSurface surface) : surface_(std::move(surface)) {}
    ~GlDevice() override { release(); }

    DeviceError create() override;
    void release() override;
    DeviceStatus status() override { return DeviceStatus::Ready; }
    bool reset() override { return created_; }
    bool clear(uint32_t argb) override;
    bool beginScene() override;
    void endScene() override;
    bool keepsPicture() const override { return true; }
    bool holdsTextures() const override { return true; }
    std::string rendererName() const override {
        const auto* name = created_ ? reinterpret_cast<const char*>(glGetString(GL_RENDERER)) : nullptr;
        return name ? name : "";
    }
    void setScissor(int x, int y, int w, int h) override;
    bool drawToCache(bool on) override;
    void copyFromCache(int x, int y, int w, int h) override;
    uint32_t createTexture(int width, int height, const uint32_t* pixels) override;
    void updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) override;
    void destroyTexture(uint32_t handle) override;
    void setTexture(uint32_t handle) override;
    void setBlendFlags(uint32_t flags) override;
    void drawBatch(int kind, const Vertex* vertices, int count) override;
    bool createMesh(int maxVertices, int maxIndices) override;
    bool hasMesh() const override { return meshVao_ != 0; }
    bool fillMeshIndices(const uint16_t* indices, int count) override;
    void setMeshVertices(const Vertex* vertices, int count) override;
    void drawMesh(int firstIndex, int triangleCount) override;
    void releaseMesh() override;
    void drawLine(const Vertex& a, const Vertex& b) override;
    void drawPoint(const Vertex& p, float size) override;
    void discardScene() override { inScene_ = false; }
    void setNativeResolution(bool on) override { native_ = on; }
    float renderScale() const override {
        return unscaled() ? 1.0f : static_cast<float>(targetH_) / static_cast<float>(kScreenHeight);
    }
    bool takePictureLost() override {
        const bool lost = pictureLost_;
        pictureLost_ = false;
        return lost;
    }
    bool setFullscreen(bool on) override {
        if (surface_.setFullscreen) return surface_.setFullscreen(on);
        return !on;  // a surface without modes is always a window
    }
    bool readPixels(std::vector<uint8_t>& rgba) override;
    bool readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) override;

private:
    // Binds the quad program (the larger one for frames drawn larger) with
    // the texture and colour-add state of the following draws.
    void useQuadProgram(bool larger = false);
    void drawPlain(const Vertex* v, int n, GLenum mode, float size);
    bool unscaled() const { return targetW_ == kScreenWidth && targetH_ == kScreenHeight; }
    // Gives the targets the size of the letterbox (or 800 x 600).
    void fitTargets();
    bool sizeTargets(int w, int h);
    // A rectangle of screen pixels (y down) as target pixels (y up): those
    // whose centres lie in it, so neighbouring rectangles share none.
    struct TargetRect {
        int x, y, w, h;
    };
    TargetRect targetRect(int x, int y, int w, int h) const;
    bool readTarget(GLuint fbo, int w, int h, std::vector<uint8_t>& rgba);

    GlSurface surface_;
    bool created_ = false;
    bool hasObjects_ = false;  // GL names may exist (a context was current)
    struct QuadProgram {
        GLuint id = 0;
        GLint useTextureLoc = -1, colourAddLoc = -1;
        int useTexture = -1, colourAdd = -1;  // the uniforms' values; -1 unknown
    };
    QuadProgram quad_, largerQuad_;
    GLuint quadProgram_ = 0, plainProgram_ = 0;  // quadProgram_ is quad_.id
    GLint pointSizeLoc_ = -1;
    GLuint rectVbo_ = 0;  // each batch vertex's uvRect, when drawn larger
    std::vector<float> rects_;
    bool rectsOn_ = false;
    bool setUpQuadProgram(QuadProgram& p, const char* vs, const char* fs);
    GLuint vao_ = 0, vbo_ = 0, ebo_ = 0;
    GLuint plainVao_ = 0, plainVbo_ = 0;
    GLuint meshVao_ = 0, meshVbo_ = 0, meshEbo_ = 0;
    int meshVertices_ = 0, meshIndices_ = 0;
    GLuint fbo_ = 0, colourRb_ = 0;
    GLuint cacheFbo_ = 0, cacheRb_ = 0;  // the picture of the frame's unchanging first layers
    GLuint drawFbo_ = 0;                 // where draws go: fbo_ or cacheFbo_
    GLuint nearest_ = 0;                 // sampler for kSampleExact runs
    uint32_t texture_ = 0;
    uint32_t blend_ = kBlendAlpha;
    int targetW_ = kScreenWidth, targetH_ = kScreenHeight;
    int maxTarget_ = kScreenWidth;     // the driver's limit for a target's side
    float maxLineWidth_ = 1.0f;        // the widest line the context draws
    float lineWidth_ = 1.0f;
    bool native_ = false;
    bool pictureLost_ = false;
    bool inScene_ = false;
    bool createTargets();
};

// The frame's picture and the cache picture of its unchanging first layers.
bool GlDevice::createTargets() {
    targetW_ = kScreenWidth, targetH_ = kScreenHeight;
    glGenFramebuffers(1, &fbo_);
    glGenRenderbuffers(1, &colourRb_);
    glBindRenderbuffer(GL_RENDERBUFFER, colourRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kScreenWidth, kScreenHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourRb_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    glGenFramebuffers(1, &cacheFbo_);
    glGenRenderbuffers(1, &cacheRb_);
    glBindRenderbuffer(GL_RENDERBUFFER, cacheRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kScreenWidth, kScreenHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, cacheFbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, cacheRb_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        // Without it every frame is drawn from its first layer: slower, same picture.
        glDeleteFramebuffers(1, &cacheFbo_);
        glDeleteRenderbuffers(1, &cacheRb_);
        cacheFbo_ = cacheRb_ = 0;
    }
    return true;
}

bool GlDevice::setUpQuadProgram(QuadProgram& p, const char* vs, const char* fs) {
    p = QuadProgram{};
    p.id = link(vs, fs);
    if (!p.id) return false;
    glUseProgram(p.id);
    glUniform1i(glGetUniformLocation(p.id, "tex"), 0);
    p.useTextureLoc = glGetUniformLocation(p.id, "useTexture");
    p.colourAddLoc = glGetUniformLocation(p.id, "colourAdd");
    return true;
}

bool GlDevice::sizeTargets(int w, int h) {
    // Only this allocation's errors count (a lost context may report forever).
    for (int n = 0; n < 16 && glGetError() != GL_NO_ERROR; ++n) {
    }
    glBindRenderbuffer(GL_RENDERBUFFER, colourRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    if (cacheRb_) {
        glBindRenderbuffer(GL_RENDERBUFFER, cacheRb_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    }
    targetW_ = w, targetH_ = h;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    bool ok = glGetError() == GL_NO_ERROR && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (ok && cacheFbo_) {
        glBindFramebuffer(GL_FRAMEBUFFER, cacheFbo_);
        ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glViewport(0, 0, w, h);
    // A wide line covers as many pixels across as a thin one at 800 x 600.
    lineWidth_ = std::clamp(std::round(renderScale()), 1.0f, maxLineWidth_);
    // One texel to a pixel holds only at 800 x 600.
    glBindSampler(0, (blend_ & kSampleExact) && unscaled() ? nearest_ : 0);
    return ok;
}

void GlDevice::fitTargets() {
    int w = kScreenWidth, h = kScreenHeight;
    if (native_ && surface_.viewport) {
        const platform::Viewport vp = surface_.viewport();
        // A window smaller than the frame shows it scaled down: drawn that
        // small, text and edges would lose whole pixels.
        if (vp.w > w && vp.h > h && vp.w <= maxTarget_ && vp.h <= maxTarget_) w = vp.w, h = vp.h;
    }
    if (w == targetW_ && h == targetH_) return;
    pictureLost_ = true;
    if (sizeTargets(w, h)) return;
    // No memory for one that large: 800 x 600 as before, and no second try
    // at that size every frame.
    maxTarget_ = std::max(kScreenWidth, std::max(w, h) - 1);
    if (!sizeTargets(kScreenWidth, kScreenHeight)) created_ = false;
}

GlDevice::TargetRect GlDevice::targetRect(int x, int y, int w, int h) const {
    const auto edge = [](int v, int target, int screen) {
        return static_cast<int>(std::ceil(static_cast<double>(v) * target / screen - 0.5));
    };
    const int x0 = edge(x, targetW_, kScreenWidth), x1 = edge(x + w, targetW_, kScreenWidth);
    const int top = edge(y, targetH_, kScreenHeight), bottom = edge(y + h, targetH_, kScreenHeight);
    return {x0, targetH_ - bottom, x1 - x0, bottom - top};  // OpenGL rows run bottom-up
}

DeviceError GlDevice::create() {
    release();  // a second start must not leak the first one's objects
    if (!platform::glContextCurrent()) return DeviceError::NoContext;
    hasObjects_ = true;
    GLint profile = 0;
    if (epoxy_gl_version() < 33 || epoxy_is_desktop_gl() == 0) return DeviceError::NoCore33;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    if (!(profile & GL_CONTEXT_CORE_PROFILE_BIT)) return DeviceError::NoCore33;

    plainProgram_ = link(kPlainVs, kPlainFs);
    if (!setUpQuadProgram(largerQuad_, kLargerQuadVs, kLargerQuadFs) ||
        !setUpQuadProgram(quad_, kQuadVs, kQuadFs) || !plainProgram_)
        return DeviceError::Shader;
    quadProgram_ = quad_.id;
    pointSizeLoc_ = glGetUniformLocation(plainProgram_, "pointSize");
    rectsOn_ = false;

    GLint maxSide = 0, dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    constexpr int kLargestTarget = 8192;
    maxTarget_ = std::max<int>(kScreenWidth, std::min({maxSide, dims[0], dims[1], kLargestTarget}));
    // Lines wider than one pixel exist unless the context dropped them.
    GLint contextFlags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &contextFlags);
    GLfloat lineRange[2] = {1.0f, 1.0f};
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, lineRange);
    maxLineWidth_ = (contextFlags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) ? 1.0f : std::max(1.0f, lineRange[1]);
    lineWidth_ = 1.0f;
    pictureLost_ = inScene_ = false;
    if (!createTargets()) return DeviceError::NoCore33;
    drawFbo_ = fbo_;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, kScreenWidth, kScreenHeight);
    created_ = true;

    glGenVertexArrays(1, &plainVao_);
    glGenBuffers(1, &plainVbo_);
    glBindVertexArray(plainVao_);
    glBindBuffer(GL_ARRAY_BUFFER, plainVbo_);
    glBufferData(GL_ARRAY_BUFFER, 2 * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    vertexLayout();

    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenBuffers(1, &vbo_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, kBatchQuads * 4 * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    if (glGetError() != GL_NO_ERROR) return DeviceError::VertexBuffer;
    vertexLayout();
    glGenBuffers(1, &rectVbo_);
    glBindBuffer(GL_ARRAY_BUFFER, rectVbo_);
    glBufferData(GL_ARRAY_BUFFER, kBatchQuads * 4 * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);  // enabled when drawn larger
    if (glGetError() != GL_NO_ERROR) return DeviceError::VertexBuffer;
    // Quad n is the triangles (4n, 4n+1, 4n+2) and (4n+2, 4n+3, 4n).
    std::vector<uint16_t> idx(kBatchQuads * 6);
    for (int n = 0; n < kBatchQuads; ++n) {
        const uint16_t b = static_cast<uint16_t>(4 * n);
        uint16_t* o = idx.data() + n * 6;
        o[0] = b, o[1] = static_cast<uint16_t>(b + 1), o[2] = static_cast<uint16_t>(b + 2);
        o[3] = static_cast<uint16_t>(b + 2), o[4] = static_cast<uint16_t>(b + 3), o[5] = b;
    }
    glGenBuffers(1, &ebo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(idx.size() * 2), idx.data(), GL_STATIC_DRAW);
    if (glGetError() != GL_NO_ERROR) return DeviceError::IndexBuffer;

    // Where every pixel takes one texel whole, filtering weighs nothing but
    // still costs a software rasteriser four reads and the mixing.
    glGenSamplers(1, &nearest_);
    glSamplerParameteri(nearest_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(nearest_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(nearest_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(nearest_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glEnable(GL_PROGRAM_POINT_SIZE);
    blend_ = ~0u;
    setBlendFlags(kBlendAlpha);
    setTexture(0);
    // Vertical sync off: the frame loop paces itself.
    platform::setVsync(false);
    return DeviceError::None;
}

void GlDevice::release() {
    if (!hasObjects_) return;
    releaseMesh();
    // The context lives on the display: once that is gone, the objects go
    // with the process and a call into the driver might wait for it.
    if (!platform::displayLost()) {
        GLuint buffers[] = {vbo_, ebo_, plainVbo_, rectVbo_};
        glDeleteBuffers(4, buffers);
        GLuint arrays[] = {vao_, plainVao_};
        glDeleteVertexArrays(2, arrays);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(1, &colourRb_);
        if (cacheFbo_) glDeleteFramebuffers(1, &cacheFbo_);
        if (cacheRb_) glDeleteRenderbuffers(1, &cacheRb_);
        glDeleteProgram(quad_.id);
        glDeleteProgram(largerQuad_.id);
        glDeleteProgram(plainProgram_);
        if (nearest_) glDeleteSamplers(1, &nearest_);
    }
    nearest_ = 0;
    cacheFbo_ = cacheRb_ = drawFbo_ = 0;
    vbo_ = ebo_ = plainVbo_ = vao_ = plainVao_ = fbo_ = colourRb_ = quadProgram_ = plainProgram_ = rectVbo_ = 0;
    quad_ = largerQuad_ = QuadProgram{};
    created_ = false;
    hasObjects_ = false;
}

bool GlDevice::clear(uint32_t argb) {
    // The frame's first clear may come before its scene: the size it is
    // drawn at is settled then.
    if (created_ && !inScene_) fitTargets();
    if (!created_) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glClearColor(static_cast<float>((argb >> 16) & 255u) / 255.0f, static_cast<float>((argb >> 8) & 255u) / 255.0f,
                 static_cast<float>(argb & 255u) / 255.0f, static_cast<float>(argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

bool GlDevice::beginScene() {
    if (created_) fitTargets();
    if (!created_) return false;
    drawFbo_ = fbo_;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, targetW_, targetH_);
    inScene_ = true;
    return true;
}

void GlDevice::setScissor(int x, int y, int w, int h) {
    if (!created_) return;
    if (w <= 0 || h <= 0) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    const TargetRect r = targetRect(x, y, w, h);
    glScissor(r.x, r.y, r.w, r.h);
}

bool GlDevice::drawToCache(bool on) {
    if (!created_ || (on && !cacheFbo_)) return false;
    drawFbo_ = on ? cacheFbo_ : fbo_;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    return true;
}

void GlDevice::copyFromCache(int x, int y, int w, int h) {
    if (!created_ || !cacheFbo_ || w <= 0 || h <= 0) return;
    const TargetRect r = targetRect(x, y, w, h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, cacheFbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    glBlitFramebuffer(r.x, r.y, r.x + r.w, r.y + r.h, r.x, r.y, r.x + r.w, r.y + r.h, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
}

void GlDevice::endScene() {
    inScene_ = false;
    glDisable(GL_SCISSOR_TEST);
    // Copy the frame into the window's letterbox, one to one when it was
    // drawn at the letterbox's size; the bars stay black.
    platform::Viewport vp;
    if (surface_.viewport) vp = surface_.viewport();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, vp.drawableW, vp.drawableH);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const int y0 = vp.drawableH - (vp.y + vp.h);
    glBlitFramebuffer(0, 0, targetW_, targetH_, vp.x, y0, vp.x + vp.w, y0 + vp.h, GL_COLOR_BUFFER_BIT,
                      vp.w == targetW_ && vp.h == targetH_ ? GL_NEAREST : GL_LINEAR);
    if (surface_.swap) surface_.swap();
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glViewport(0, 0, targetW_, targetH_);
}

uint32_t GlDevice::createTexture(int width, int height, const uint32_t* pixels) {
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    glBindTexture(GL_TEXTURE_2D, texture_);
    return t;
}

void GlDevice::updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) {
    glBindTexture(GL_TEXTURE_2D, handle);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    glBindTexture(GL_TEXTURE_2D, texture_);
}

void GlDevice::destroyTexture(uint32_t handle) {
    const GLuint t = handle;
    if (platform::displayLost()) return;  // see release()
    if (texture_ == handle) setTexture(0);
    glDeleteTextures(1, &t);
}

void GlDevice::setTexture(uint32_t handle) {
    texture_ = handle;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, handle);
    glUseProgram(quadProgram_);
    glUniform1i(quad_.useTextureLoc, handle != 0 ? 1 : 0);
}

void GlDevice::setBlendFlags(uint32_t flags) {
    if (flags == blend_) return;
    blend_ = flags;
    if (flags & kBlendOff)
        glDisable(GL_BLEND);
    else
        glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, (flags & kBlendAlpha) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    glBindSampler(0, (flags & kSampleExact) && unscaled() ? nearest_ : 0);
    glUseProgram(quadProgram_);
    glUniform1i(quad_.colourAddLoc, (flags & kBlendColourAdd) ? 1 : 0);
}

void GlDevice::useQuadProgram(bool larger) {
    if (!larger) {
        glUseProgram(quadProgram_);
    } else {
        // Its uniforms follow the state only when it is used.
        QuadProgram& p = largerQuad_;
        glUseProgram(p.id);
        const int useTexture = texture_ != 0 ? 1 : 0, colourAdd = (blend_ & kBlendColourAdd) ? 1 : 0;
        if (p.useTexture != useTexture) glUniform1i(p.useTextureLoc, p.useTexture = useTexture);
        if (p.colourAdd != colourAdd) glUniform1i(p.colourAddLoc, p.colourAdd = colourAdd);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
}

void GlDevice::drawBatch(int kind, const Vertex* vertices, int count) {
    if (!created_ || count <= 0) return;
    const bool keep = kind == kQuadList && !unscaled();
    useQuadProgram(keep);
    glBindVertexArray(vao_);
    if (keep != rectsOn_) {
        rectsOn_ = keep;
        if (keep)
            glEnableVertexAttribArray(3);
        else
            glDisableVertexAttribArray(3);
    }
    if (keep) {
        rects_.resize(static_cast<size_t>(count) * 16);
        for (int q = 0; q < count; ++q) {
            const Vertex* v = vertices + q * 4;
            const float u0 = std::min({v[0].u, v[1].u, v[2].u, v[3].u}), u1 = std::max({v[0].u, v[1].u, v[2].u, v[3].u});
            const float v0 = std::min({v[0].v, v[1].v, v[2].v, v[3].v}), v1 = std::max({v[0].v, v[1].v, v[2].v, v[3].v});
            float* r = rects_.data() + static_cast<size_t>(q) * 16;
            for (int i = 0; i < 4; ++i) r[i * 4] = u0, r[i * 4 + 1] = v0, r[i * 4 + 2] = u1, r[i * 4 + 3] = v1;
        }
        glBindBuffer(GL_ARRAY_BUFFER, rectVbo_);
        glBufferData(GL_ARRAY_BUFFER, kBatchQuads * 4 * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(rects_.size() * sizeof(float)), rects_.data());
    }
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    const int perPrimitive = kind == kQuadList ? 4 : kind == kLineList ? 2 : 3;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(count) * perPrimitive * static_cast<GLsizeiptr>(sizeof(Vertex));
    // Orphan the store so the driver never waits for the previous run.
    glBufferData(GL_ARRAY_BUFFER, kBatchQuads * 4 * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices);
    if (kind == kQuadList)
        glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_SHORT, nullptr);
    else
        glDrawArrays(kind == kLineList ? GL_LINES : GL_TRIANGLES, 0, count * perPrimitive);
}

bool GlDevice::createMesh(int maxVertices, int maxIndices) {
    if (!created_) return false;
    releaseMesh();
    glGenVertexArrays(1, &meshVao_);
    glBindVertexArray(meshVao_);
    glGenBuffers(1, &meshVbo_);
    glBindBuffer(GL_ARRAY_BUFFER, meshVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(maxVertices) * static_cast<GLsizeiptr>(sizeof(Vertex)),
                 nullptr, GL_STREAM_DRAW);
    vertexLayout();
    glGenBuffers(1, &meshEbo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, meshEbo_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(maxIndices) * 2, nullptr, GL_STATIC_DRAW);
    meshVertices_ = maxVertices;
    meshIndices_ = maxIndices;
    glBindVertexArray(vao_);
    return glGetError() == GL_NO_ERROR;
}

bool GlDevice::fillMeshIndices(const uint16_t* indices, int count) {
    if (!meshVao_ || count > meshIndices_) return false;
    glBindVertexArray(meshVao_);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count) * 2, indices);
    glBindVertexArray(vao_);
    return glGetError() == GL_NO_ERROR;
}

void GlDevice::setMeshVertices(const Vertex* vertices, int count) {
    if (!meshVao_ || count <= 0) return;
    if (count > meshVertices_) count = meshVertices_;
    glBindBuffer(GL_ARRAY_BUFFER, meshVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(meshVertices_) * static_cast<GLsizeiptr>(sizeof(Vertex)),
                 nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count) * static_cast<GLsizeiptr>(sizeof(Vertex)),
                    vertices);
}

void GlDevice::drawMesh(int firstIndex, int triangleCount) {
    if (!meshVao_ || triangleCount <= 0) return;
    useQuadProgram();  // particles use whole pictures
    glBindVertexArray(meshVao_);
    glDrawElements(GL_TRIANGLES, triangleCount * 3, GL_UNSIGNED_SHORT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(firstIndex) * 2));
    glBindVertexArray(vao_);
}

void GlDevice::releaseMesh() {
    if (!meshVao_) return;
    if (!platform::displayLost()) {
        GLuint buffers[] = {meshVbo_, meshEbo_};
        glDeleteBuffers(2, buffers);
        glDeleteVertexArrays(1, &meshVao_);
    }
    meshVao_ = meshVbo_ = meshEbo_ = 0;
    meshVertices_ = meshIndices_ = 0;
}

void GlDevice::drawPlain(const Vertex* v, int n, GLenum mode, float size) {
    if (!created_) return;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glUseProgram(plainProgram_);
    glUniform1f(pointSizeLoc_, size);
    glBindVertexArray(plainVao_);
    glBindBuffer(GL_ARRAY_BUFFER, plainVbo_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, n * static_cast<GLsizeiptr>(sizeof(Vertex)), v);
    if (mode == GL_LINES) glLineWidth(lineWidth_);
    glDisable(GL_BLEND);
    glDrawArrays(mode, 0, n);
    if (!(blend_ & kBlendOff)) glEnable(GL_BLEND);
    glBindVertexArray(vao_);
    glUseProgram(quadProgram_);
}

void GlDevice::drawLine(const Vertex& a, const Vertex& b) {
    const Vertex v[2] = {a, b};
    drawPlain(v, 2, GL_LINES, 1.0f);
}

void GlDevice::drawPoint(const Vertex& p, float size) { drawPlain(&p, 1, GL_POINTS, size * renderScale()); }

// OpenGL rows run bottom-up; the screen has no alpha of its own.
void flipRowsOpaque(const std::vector<uint8_t>& raw, int w, int h, std::vector<uint8_t>& rgba) {
    const size_t row = static_cast<size_t>(w) * 4;
    rgba.resize(raw.size());
    for (int y = 0; y < h; ++y) {
        uint8_t* dst = rgba.data() + static_cast<size_t>(y) * row;
        std::memcpy(dst, raw.data() + static_cast<size_t>(h - 1 - y) * row, row);
        for (size_t x = 0; x < row; x += 4) dst[x + 3] = 255;
    }
}

bool GlDevice::readTarget(GLuint fbo, int w, int h, std::vector<uint8_t>& rgba) {
    const size_t row = static_cast<size_t>(w) * 4;
    std::vector<uint8_t> raw(row * static_cast<size_t>(h));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    if (glGetError() != GL_NO_ERROR) return false;
    flipRowsOpaque(raw, w, h, rgba);
    return true;
}

bool GlDevice::readPixels(std::vector<uint8_t>& rgba) { return readPixelsScaled(kScreenWidth, kScreenHeight, rgba); }

bool GlDevice::readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) {
    if (!created_) return false;
    if (w == targetW_ && h == targetH_) return readTarget(fbo_, w, h, rgba);
    constexpr int kMaxSide = 8192;  // no window picture is larger; bounds the buffer
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
    // The frame scaled the way the window shows it, into a picture of its own.
    glDisable(GL_SCISSOR_TEST);
    GLuint target = 0, fbo = 0;
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBlitFramebuffer(0, 0, targetW_, targetH_, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    const bool ok = readTarget(fbo, w, h, rgba);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, texture_);
    return ok;
}

}  // namespace

std::unique_ptr<GfxDevice> makeGlDevice(GlSurface surface) { return std::make_unique<GlDevice>(std::move(surface)); }

std::unique_ptr<GfxDevice> makeGlDevice() {
    GlSurface s;
    s.swap = [] {
        if (platform::installed()) platform::current().swapBuffers();
    };
    s.viewport = [] { return platform::installed() ? platform::current().viewport() : platform::Viewport{}; };
    s.setFullscreen = [](bool on) { return platform::installed() && platform::current().setFullscreen(on); };
    return std::make_unique<GlDevice>(std::move(s));
}
