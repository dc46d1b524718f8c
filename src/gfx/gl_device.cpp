// OpenGL 3.3 core device. One program draws the textured, coloured quads of
// the batch and the particle mesh; another draws the debug lines and points.
// Every frame is drawn into an 800 x 600 target, which makes screenshots
// exact and lets full screen scale the frame into a letterbox.
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstring>
#include <vector>

#include "gfx/device.h"
#include "platform/exit_guard.h"

namespace {

// Pixel (x, y) of the 800 x 600 screen, y down. OpenGL samples pixel centres
// at half-integers, so a quad from x to x + w covers exactly w pixels with
// texel centres on pixel centres, without the half-pixel shift an API with
// integer pixel centres needs.
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
    bool setFullscreen(bool on) override {
        if (surface_.setFullscreen) return surface_.setFullscreen(on);
        return !on;  // a surface without modes is always a window
    }
    bool readPixels(std::vector<uint8_t>& rgba) override;
    bool readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) override;

private:
    void useQuadProgram();
    void drawPlain(const Vertex* v, int n, GLenum mode, float size);

    GlSurface surface_;
    bool created_ = false;
    bool hasObjects_ = false;  // GL names may exist (a context was current)
    GLuint quadProgram_ = 0, plainProgram_ = 0;
    GLint useTextureLoc_ = -1, colourAddLoc_ = -1, pointSizeLoc_ = -1;
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
    bool createTargets();
};

// The frame's picture and the cache picture of its unchanging first layers.
bool GlDevice::createTargets() {
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

DeviceError GlDevice::create() {
    release();  // a second start must not leak the first one's objects
    if (!SDL_GL_GetCurrentContext()) return DeviceError::NoContext;
    hasObjects_ = true;
    GLint profile = 0;
    if (epoxy_gl_version() < 33 || epoxy_is_desktop_gl() == 0) return DeviceError::NoCore33;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    if (!(profile & GL_CONTEXT_CORE_PROFILE_BIT)) return DeviceError::NoCore33;

    quadProgram_ = link(kQuadVs, kQuadFs);
    plainProgram_ = link(kPlainVs, kPlainFs);
    if (!quadProgram_ || !plainProgram_) return DeviceError::Shader;
    glUseProgram(quadProgram_);
    glUniform1i(glGetUniformLocation(quadProgram_, "tex"), 0);
    useTextureLoc_ = glGetUniformLocation(quadProgram_, "useTexture");
    colourAddLoc_ = glGetUniformLocation(quadProgram_, "colourAdd");
    pointSizeLoc_ = glGetUniformLocation(plainProgram_, "pointSize");

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
    SDL_GL_SetSwapInterval(0);
    return DeviceError::None;
}

void GlDevice::release() {
    if (!hasObjects_) return;
    releaseMesh();
    // The context lives on the display: once that is gone, the objects go
    // with the process and a call into the driver might wait for it.
    if (!platform::displayLost()) {
        GLuint buffers[] = {vbo_, ebo_, plainVbo_};
        glDeleteBuffers(3, buffers);
        GLuint arrays[] = {vao_, plainVao_};
        glDeleteVertexArrays(2, arrays);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(1, &colourRb_);
        if (cacheFbo_) glDeleteFramebuffers(1, &cacheFbo_);
        if (cacheRb_) glDeleteRenderbuffers(1, &cacheRb_);
        glDeleteProgram(quadProgram_);
        glDeleteProgram(plainProgram_);
        if (nearest_) glDeleteSamplers(1, &nearest_);
    }
    nearest_ = 0;
    cacheFbo_ = cacheRb_ = drawFbo_ = 0;
    vbo_ = ebo_ = plainVbo_ = vao_ = plainVao_ = fbo_ = colourRb_ = quadProgram_ = plainProgram_ = 0;
    created_ = false;
    hasObjects_ = false;
}

bool GlDevice::clear(uint32_t argb) {
    if (!created_) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glClearColor(static_cast<float>((argb >> 16) & 255u) / 255.0f, static_cast<float>((argb >> 8) & 255u) / 255.0f,
                 static_cast<float>(argb & 255u) / 255.0f, static_cast<float>(argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

bool GlDevice::beginScene() {
    if (!created_) return false;
    drawFbo_ = fbo_;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, kScreenWidth, kScreenHeight);
    return true;
}

void GlDevice::setScissor(int x, int y, int w, int h) {
    if (!created_) return;
    if (w <= 0 || h <= 0) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, kScreenHeight - (y + h), w, h);  // OpenGL rows run bottom-up
}

bool GlDevice::drawToCache(bool on) {
    if (!created_ || (on && !cacheFbo_)) return false;
    drawFbo_ = on ? cacheFbo_ : fbo_;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    return true;
}

void GlDevice::copyFromCache(int x, int y, int w, int h) {
    if (!created_ || !cacheFbo_ || w <= 0 || h <= 0) return;
    const int gy = kScreenHeight - (y + h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, cacheFbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    glBlitFramebuffer(x, gy, x + w, gy + h, x, gy, x + w, gy + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
}

void GlDevice::endScene() {
    glDisable(GL_SCISSOR_TEST);
    // Scale the frame into the window's letterbox; the bars stay black.
    platform::Viewport vp;
    if (surface_.viewport) vp = surface_.viewport();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, vp.drawableW, vp.drawableH);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const int y0 = vp.drawableH - (vp.y + vp.h);
    glBlitFramebuffer(0, 0, kScreenWidth, kScreenHeight, vp.x, y0, vp.x + vp.w, y0 + vp.h, GL_COLOR_BUFFER_BIT,
                      vp.w == kScreenWidth && vp.h == kScreenHeight ? GL_NEAREST : GL_LINEAR);
    if (surface_.swap) surface_.swap();
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glViewport(0, 0, kScreenWidth, kScreenHeight);
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
    glUniform1i(useTextureLoc_, handle != 0 ? 1 : 0);
}

void GlDevice::setBlendFlags(uint32_t flags) {
    if (flags == blend_) return;
    blend_ = flags;
    if (flags & kBlendOff)
        glDisable(GL_BLEND);
    else
        glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, (flags & kBlendAlpha) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    glBindSampler(0, (flags & kSampleExact) ? nearest_ : 0);
    glUseProgram(quadProgram_);
    glUniform1i(colourAddLoc_, (flags & kBlendColourAdd) ? 1 : 0);
}

void GlDevice::useQuadProgram() {
    glUseProgram(quadProgram_);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
}

void GlDevice::drawBatch(int kind, const Vertex* vertices, int count) {
    if (!created_ || count <= 0) return;
    useQuadProgram();
    glBindVertexArray(vao_);
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
    useQuadProgram();
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

void GlDevice::drawPoint(const Vertex& p, float size) { drawPlain(&p, 1, GL_POINTS, size); }

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

bool GlDevice::readPixels(std::vector<uint8_t>& rgba) {
    if (!created_) return false;
    const size_t row = kScreenWidth * 4;
    std::vector<uint8_t> raw(row * kScreenHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kScreenWidth, kScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    if (glGetError() != GL_NO_ERROR) return false;
    flipRowsOpaque(raw, kScreenWidth, kScreenHeight, rgba);
    return true;
}

bool GlDevice::readPixelsScaled(int w, int h, std::vector<uint8_t>& rgba) {
    if (w == kScreenWidth && h == kScreenHeight) return readPixels(rgba);
    constexpr int kMaxSide = 8192;  // no window picture is larger; bounds the buffer
    if (!created_ || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
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
    glBlitFramebuffer(0, 0, kScreenWidth, kScreenHeight, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    const size_t row = static_cast<size_t>(w) * 4;
    std::vector<uint8_t> raw(row * static_cast<size_t>(h));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    const bool ok = glGetError() == GL_NO_ERROR;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (!ok) return false;
    flipRowsOpaque(raw, w, h, rgba);
    return true;
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
