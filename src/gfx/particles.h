// Particle effects: emitters described in ".fx" files, one global system with
// a fixed pool of 3000 particles, advanced on the logic tick and drawn in
// groups of equal texture, layer and blending between the sprites.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"

struct CurveKey {
    float time = 0.0f;
    float value = 0.0f;
};
struct ColourKey {
    float time = 0.0f;
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

// A curve over a particle's life (times 0..1). Keys are shared between the
// definition, its instances and their particles; each holds its own scale and
// search cursor. The cursor only moves forward, as a particle's age only grows.
struct Curve {
    std::shared_ptr<const std::vector<CurveKey>> keys;
    float scale = 1.0f;
    uint32_t cursor = 0;
    float sample(float t);
    void set(std::vector<CurveKey> k) { keys = std::make_shared<const std::vector<CurveKey>>(std::move(k)); }
};
struct ColourCurve {
    std::shared_ptr<const std::vector<ColourKey>> keys;
    float scale = 1.0f;
    uint32_t cursor = 0;
    void sample(float t, float out[4]);
    void set(std::vector<ColourKey> k) { keys = std::make_shared<const std::vector<ColourKey>>(std::move(k)); }
};

// One emitter as an effect file describes it, with the file format's defaults.
struct EmitterDef {
    EmitterDef();
    float emitInterval = 0.01f;
    int particlesPerEmit = 1;
    float cycleInterval = 1.0f;
    int cycleVariation = 0;
    int emitsPerCycle = 1;
    bool useCycle = false;
    bool singleEmit = false;
    float scatterA = 60.0f, scatterB = 0.0f;
    int emitterType = 0;
    float pointX = 0.0f, pointY = 0.0f;
    float radius = 100.0f;
    float life = 5.0f;
    int lifeVariation = 100;
    int burstSize = 1;
    float burstDelay = 0.01f;
    bool bindToEmitter = false;
    float forceX = 0.0f, forceY = 0.0f;
    int shiftX = 0, shiftY = 0;
    float dirX = 0.0f, dirY = 1.0f;
    float velocity = 300.0f;
    int velocityVariation = 0;
    Curve speedCurve;
    Curve wobbleCurve;
    int wobbleVariation = 0;
    Curve spinCurve;
    int spinVariation = 100;
    Curve sizeCurve;
    int sizeVariation = 0;
    ColourCurve colourCurve;
    Curve massCurve;
    bool recolour = false;
    bool darkShading = false;
    std::string texture;
    int textureId = 0;
};

class veParticleSystem;

// A running copy of an emitter, owned by an effect sprite and registered with
// the particle system for its whole life.
class EmitterInstance {
public:
    explicit EmitterInstance(const EmitterDef& d);
    virtual ~EmitterInstance();
    EmitterInstance(const EmitterInstance&) = delete;
    EmitterInstance& operator=(const EmitterInstance&) = delete;

    void setPosition(int nx, int ny) { x = nx, y = ny; }
    void setLayer(int n) { layer = n; }
    void setScale(float sx, float sy) { scaleX = sx, scaleY = sy; }
    // Recolouring emitters take the tint's red, green and blue for new
    // particles; alpha stays that of the colour curve.
    void setTint(float r, float g, float b, float a);
    void setEmitting(bool on);

    EmitterDef def;
    int x = 0, y = 0;
    float scaleX = 1.0f, scaleY = 1.0f;
    int layer = 0;
    veParticleSystem* system = nullptr;
    bool emitting = true;
    float nextEmission = 0.0f;
    int emitsInCycle = 0;
};

struct Particle {
    Curve spin, mass, size;
    ColourCurve colour;
    float dirX = 0, dirY = 0;
    float speedFactor = 0;
    float velX = 0, velY = 0;
    Curve wobble, speed;
    float originX = 0, originY = 0;
    float offsetX = 0, offsetY = 0;
    float forceX = 0, forceY = 0;
    float rgba[4] = {0, 0, 0, 0};
    float age = 0, life = 0, startDelay = 0;
    float sizeNow = 0, massNow = 0, spinNow = 0, startTurn = 0;
    int textureId = 0;
    bool darkShading = false;
    EmitterInstance* source = nullptr;
    int layer = 0;
    int group = 0;
    bool bound = false;

    bool live() const { return life - age > 0.0f; }
    // Returns with the looks updated; the step also moves the particle.
    void update(float dt);
};

struct ParticleGroup {
    int textureId = 0;
    int count = 0;
    int firstQuad = 0;
    int layer = 0;
    bool darkShading = false;
};

class veParticleSystem {
public:
    static constexpr int kPoolSize = 3000;
    static constexpr float kStep = 0.03f;

    veParticleSystem();
    virtual ~veParticleSystem();
    virtual void setFrameTime(float seconds);
    virtual void advance();
    virtual void fillIndices();
    virtual void releaseMesh();
    virtual void createMesh();

    void draw(int layer);
    void resetLastDrawnLayer() { lastDrawnLayer_ = -1; }
    void enableDrawing() { drawingEnabled_ = true; }
    void killAllParticles();
    void registerInstance(EmitterInstance* instance);
    void unregister(EmitterInstance* instance);

    // Empties the pool and the instance list and rewinds the clock (tests).
    void reset();

    int liveCount() const;
    const Particle& particle(int i) const { return pool_[static_cast<size_t>(i)]; }
    float clock() const { return clock_; }
    const std::vector<ParticleGroup>& groups() const { return groups_; }
    const std::vector<EmitterInstance*>& instances() const { return instances_; }
    const std::vector<Vertex>& vertices() const { return vertices_; }
    int lastDrawnLayer() const { return lastDrawnLayer_; }

private:
    void emit(EmitterInstance& e);
    void birth(Particle& p, EmitterInstance& e);
    int groupFor(const Particle& p);
    void buildGeometry();

    std::vector<Particle> pool_;
    float accumulated_ = 0.0f;
    float frameTime_ = 0.0f;
    float clock_ = 0.0f;
    int hint_ = 0;
    std::vector<EmitterInstance*> instances_;
    std::vector<ParticleGroup> groups_;
    std::vector<Vertex> vertices_;
    int lastDrawnLayer_ = -1;
    bool drawingEnabled_ = false;
};

veParticleSystem& particleSystem();

// Effect files and the cache of parsed effects. Reading stops at a word where
// a number belongs, keeping what came before; a value outside its key's range
// is clamped (an emitter type becomes the point), a NaN is ignored, and the
// rest of the file is kept. A file over 1 MB, 256 emitters or a curve over 64
// keys ends the reading where the limit is reached. Each such value or limit
// gets one debug log line naming the file and the key.
std::vector<EmitterDef> parseEffectFile(const std::string& path);
// The same on text already read; texture ids are left at 0 (file names
// only), so nothing but the text is touched.
std::vector<EmitterDef> parseEffectText(const std::string& text, const std::string& file);
// Parses every ".fx" file of the effects folder into the cache.
void loadAllEffects();
void loadAllEffectsFrom(const std::string& folder);
const std::map<std::string, std::vector<EmitterDef>>& effectCache();
void clearEffectCache();

// Creates and registers one instance per emitter of an effect file, taken
// from the loaded effects or (live update) read from the effects folder.
std::vector<std::unique_ptr<EmitterInstance>> createEffectInstances(const std::string& file);
void killAllParticles();

// Frame clock side: particles may be drawn after the first advance.
void particlesEnableDrawing();
void particlesSetFrameTime(float seconds);
void particlesAdvance();
