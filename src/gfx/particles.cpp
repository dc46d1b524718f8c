#include "gfx/particles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "frame/errors.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "gfx/device.h"
#include "gfx/texture_bank.h"

namespace {

constexpr float kPi = 3.14159265358979f;

float radians(float degrees) { return degrees * kPi / 180.0f; }

// Variation of x by p percent: a float in [-p*x/100, p*x/100).
float vary(float x, int p) {
    const int r = vmRand();
    return static_cast<float>(p) * x / 100.0f * static_cast<float>((r % 20000) - 10000) / 10000.0f;
}

// 1 + v(1, p), or 0 when a first draw of it is negative (two separate draws).
float clampedFactor(int p) {
    if (1.0f + vary(1.0f, p) < 0.0f) return 0.0f;
    return 1.0f + vary(1.0f, p);
}

uint32_t colourByte(float c) {
    if (c >= 1.0f) return 255u;
    if (!(c > 0.0f)) return 0u;  // NaN too
    return static_cast<uint32_t>(std::floor(c * 255.0f + 0.5f));
}

}  // namespace

// ---- curves ----

float Curve::sample(float t) {
    if (!keys || keys->empty()) return 0.0f;
    const std::vector<CurveKey>& k = *keys;
    if (k.size() == 1) return scale * k[0].value;
    for (uint32_t i = cursor; i < k.size(); ++i) {
        if (k[i].time > t) {
            cursor = i;
            // Before a first key above 0 the curve holds that key's value.
            if (i == 0) return scale * k[0].value;
            const CurveKey& a = k[i - 1];
            const CurveKey& b = k[i];
            return scale * (a.value + (t - a.time) / (b.time - a.time) * (b.value - a.value));
        }
    }
    return scale * k.back().value;
}

void ColourCurve::sample(float t, float out[4]) {
    if (!keys || keys->empty()) {
        out[0] = out[1] = out[2] = out[3] = 0.0f;
        return;
    }
    const std::vector<ColourKey>& k = *keys;
    auto put = [&](const ColourKey& c) {
        out[0] = scale * c.r, out[1] = scale * c.g, out[2] = scale * c.b, out[3] = scale * c.a;
    };
    if (k.size() == 1) return put(k[0]);
    for (uint32_t i = cursor; i < k.size(); ++i) {
        if (k[i].time > t) {
            cursor = i;
            if (i == 0) return put(k[0]);
            const ColourKey& a = k[i - 1];
            const ColourKey& b = k[i];
            const float f = (t - a.time) / (b.time - a.time);
            out[0] = scale * (a.r + f * (b.r - a.r));
            out[1] = scale * (a.g + f * (b.g - a.g));
            out[2] = scale * (a.b + f * (b.b - a.b));
            out[3] = scale * (a.a + f * (b.a - a.a));
            return;
        }
    }
    put(k.back());
}

// ---- definitions and instances ----

EmitterDef::EmitterDef() {
    speedCurve.set({{0.0f, 1.0f}});
    wobbleCurve.set({{0.0f, 0.0f}});
    spinCurve.set({{0.0f, 0.0f}});
    sizeCurve.set({{0.0f, 0.2f}, {0.5f, 0.5f}, {1.0f, 0.3f}});
    colourCurve.set({{0.0f, 1, 0, 0, 1}, {0.5f, 0, 1, 0, 1}, {1.0f, 0, 0, 1, 1}});
    massCurve.set({{0.0f, 1.0f}, {0.5f, 2.0f}, {1.0f, 4.0f}});
}

EmitterInstance::EmitterInstance(const EmitterDef& d) : def(d) {}

EmitterInstance::~EmitterInstance() {
    if (system) system->unregister(this);
}

void EmitterInstance::setTint(float r, float g, float b, float) {
    if (!def.recolour || !def.colourCurve.keys) return;
    std::vector<ColourKey> keys = *def.colourCurve.keys;
    for (ColourKey& k : keys) k.r = r, k.g = g, k.b = b;
    def.colourCurve.set(std::move(keys));
}

void EmitterInstance::setEmitting(bool on) {
    emitting = on;
    if (on) nextEmission = 0.0f;
}

// ---- particles ----

void Particle::update(float dt) {
    if (startDelay > 0.0f) {
        if (startDelay >= dt) {
            startDelay -= dt;
            return;
        }
        dt -= startDelay;
        startDelay = 0.0f;
    }
    age += dt;
    float t = life > 0.0f ? age / life : 1.0f;
    t = std::clamp(t, 0.0f, 1.0f);

    spinNow = spin.sample(t) + startTurn;
    sizeNow = size.sample(t);
    colour.sample(t, rgba);
    const float m = wobble.sample(t);
    if (m != 0.0f) {
        // Yaw-pitch-roll rotation of (x, y, 0) in row-vector order: roll about
        // z, then pitch about x, then yaw about y; z is dropped, so the wobble
        // turns and shortens the direction.
        const float a1 = radians(static_cast<float>(vmRand() % 360 - 180));
        const float a2 = radians(static_cast<float>(vmRand() % 360 - 180));
        const float a3 = radians(static_cast<float>(vmRand() % 360 - 180));
        const float yaw = dt * m * a1, pitch = dt * m * a2, roll = dt * m * a3;
        const float x1 = dirX * std::cos(roll) - dirY * std::sin(roll);
        const float y1 = dirX * std::sin(roll) + dirY * std::cos(roll);
        const float z2 = y1 * std::sin(pitch);
        dirY = y1 * std::cos(pitch);
        dirX = x1 * std::cos(yaw) + z2 * std::sin(yaw);
    }
    speedFactor = speed.sample(t);
    massNow = mass.sample(t);
    if (massNow >= 1000000.0f) return;
    velX = speedFactor * dirX;
    velY = speedFactor * dirY;
    if (massNow != 0.0f) {
        velX += age * forceX / massNow;
        velY += age * forceY / massNow;
    }
    offsetX += dt * velX;
    offsetY += dt * velY;
}

// ---- the system ----

veParticleSystem::veParticleSystem() : pool_(kPoolSize), vertices_(static_cast<size_t>(kPoolSize) * 4) {}

veParticleSystem::~veParticleSystem() {
    for (EmitterInstance* e : instances_) e->system = nullptr;
}

void veParticleSystem::setFrameTime(float seconds) { frameTime_ = seconds; }

void veParticleSystem::birth(Particle& p, EmitterInstance& e) {
    const EmitterDef& d = e.def;
    const float sx = e.scaleX, sy = e.scaleY;
    p.age = 0.0f;
    p.startDelay = 0.0f;
    p.life = d.life + vary(d.life, d.lifeVariation);

    p.offsetX = p.offsetY = 0.0f;
    if (d.emitterType == 1) {
        const float k = static_cast<float>(vmRand() % 100) * 0.01f;
        p.offsetX = d.pointX * k;
        p.offsetY = d.pointY * k;
    } else if (d.emitterType == 2) {
        const float dx = static_cast<float>(vmRand() % 200 - 100);
        const float dy = static_cast<float>(vmRand() % 200 - 100);
        const float len = std::sqrt(dx * dx + dy * dy);
        // Both draws can hit the centre; a point on the circle is still meant.
        const float ux = len > 0.0f ? dx / len : 1.0f, uy = len > 0.0f ? dy / len : 0.0f;
        p.offsetX = ux * d.radius * sx;
        p.offsetY = uy * d.radius * sx;
    }
    p.originX = static_cast<float>(e.x) + static_cast<float>(d.shiftX) * sx;
    p.originY = static_cast<float>(e.y) + static_cast<float>(d.shiftY) * sy;

    const int wholeA = static_cast<int>(std::floor(d.scatterA));
    const int wholeB = static_cast<int>(std::floor(d.scatterB));
    const float a = wholeA > 0 ? radians(static_cast<float>(vmRand() % wholeA)) : 0.0f;
    const float b = wholeB > 0 ? radians(static_cast<float>(vmRand() % wholeB)) : 0.0f;
    float dx = d.dirX, dy = d.dirY;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (len > 0.0f) dx /= len, dy /= len;
    p.dirX = std::cos(b) * (dx * std::cos(a) - dy * std::sin(a));
    p.dirY = dx * std::sin(a) + dy * std::cos(a);

    p.speed = d.speedCurve;
    p.speed.scale = (d.velocity + vary(d.velocity, d.velocityVariation)) * sx;
    p.speed.cursor = 0;
    p.wobble = d.wobbleCurve;
    p.wobble.scale = clampedFactor(d.wobbleVariation);
    p.wobble.cursor = 0;
    p.colour = d.colourCurve;
    p.colour.scale = 1.0f;
    p.colour.cursor = 0;
    p.mass = d.massCurve;
    p.mass.scale = 1.0f;
    p.mass.cursor = 0;
    p.size = d.sizeCurve;
    p.size.scale = clampedFactor(d.sizeVariation) * sx;
    p.size.cursor = 0;
    const float sign = (vmRand() & 1) ? 1.0f : -1.0f;
    p.spin = d.spinCurve;
    p.spin.scale = sign * (1.0f + vary(1.0f, d.spinVariation));
    p.spin.cursor = 0;
    p.startTurn = vary(1.0f, d.spinVariation);

    p.textureId = d.textureId;
    p.layer = e.layer;
    p.darkShading = d.darkShading;
    p.bound = d.bindToEmitter;
    p.forceX = d.forceX * sx;
    p.forceY = d.forceY * sx;
    p.source = &e;
    p.velX = p.velY = 0.0f;
    p.update(0.0f);
}

void veParticleSystem::emit(EmitterInstance& e) {
    const EmitterDef& d = e.def;
    if (!(clock_ > e.nextEmission + d.emitInterval || e.nextEmission == 0.0f)) return;
    if (e.emitting) {
        const int burst = std::max(d.burstSize, 1);
        const int64_t n = int64_t{d.particlesPerEmit} * d.burstSize;
        int64_t placed = 0;
        Particle* previous = nullptr;
        for (int i = hint_; i < kPoolSize && placed < n; ++i) {
            Particle& p = pool_[static_cast<size_t>(i)];
            if (p.live()) continue;
            if (placed % burst == 0 || !previous) {
                birth(p, e);
            } else {
                p = *previous;
                p.startDelay += d.burstDelay;
            }
            previous = &p;
            hint_ = i;
            ++placed;
        }
    }
    e.nextEmission = clock_;
    if (d.useCycle) {
        if (++e.emitsInCycle >= d.emitsPerCycle) {
            const float base = d.cycleInterval - static_cast<float>(d.emitsPerCycle) * d.emitInterval;
            float pause = 0.0f;
            if (base + vary(d.cycleInterval, d.cycleVariation) >= 0.0f)
                pause = base + vary(d.cycleInterval, d.cycleVariation);
            e.nextEmission += pause;
            e.emitsInCycle = 0;
            if (d.singleEmit) e.emitting = false;
        }
    }
}

int veParticleSystem::groupFor(const Particle& p) {
    for (size_t i = 0; i < groups_.size(); ++i) {
        const ParticleGroup& g = groups_[i];
        if (g.textureId == p.textureId && g.layer == p.layer && g.darkShading == p.darkShading)
            return static_cast<int>(i);
    }
    ParticleGroup g;
    g.textureId = p.textureId;
    g.layer = p.layer;
    g.darkShading = p.darkShading;
    groups_.push_back(g);
    return static_cast<int>(groups_.size() - 1);
}

void veParticleSystem::advance() {
    accumulated_ += frameTime_;
    if (accumulated_ >= kStep) {
        hint_ = 0;
        for (size_t i = 0; i < instances_.size(); ++i) emit(*instances_[i]);
        groups_.clear();
        int lastGroup = -1;
        for (Particle& p : pool_) {
            if (!p.live()) continue;
            // Consecutive particles mostly share a group; try the last first.
            if (lastGroup >= 0) {
                const ParticleGroup& g = groups_[static_cast<size_t>(lastGroup)];
                if (!(g.textureId == p.textureId && g.layer == p.layer && g.darkShading == p.darkShading))
                    lastGroup = -1;
            }
            if (lastGroup < 0) lastGroup = groupFor(p);
            p.group = lastGroup;
            ++groups_[static_cast<size_t>(lastGroup)].count;
            p.update(accumulated_);
            if (!p.live()) --groups_[static_cast<size_t>(lastGroup)].count;
        }
        clock_ += accumulated_;
        accumulated_ = 0.0f;
    }
    buildGeometry();
}

void veParticleSystem::buildGeometry() {
    int total = 0;
    std::vector<int> fill(groups_.size());
    for (size_t g = 0; g < groups_.size(); ++g) {
        groups_[g].firstQuad = total;
        fill[g] = total;
        total += groups_[g].count;
    }
    if (total > 0) {
        for (Particle& p : pool_) {
            if (!p.live()) continue;
            if (p.bound && p.source && p.source->emitting) {
                const EmitterInstance& e = *p.source;
                p.originX = static_cast<float>(e.x) + static_cast<float>(e.def.shiftX) * e.scaleX;
                p.originY = static_cast<float>(e.y) + static_cast<float>(e.def.shiftY) * e.scaleY;
            }
            const int q = fill[static_cast<size_t>(p.group)]++;
            const float cx = p.originX + p.offsetX, cy = p.originY + p.offsetY;
            const uint32_t colour = colourByte(p.rgba[3]) << 24 | colourByte(p.rgba[0]) << 16 |
                                    colourByte(p.rgba[1]) << 8 | colourByte(p.rgba[2]);
            const float theta = 2.0f * kPi * p.spinNow + kPi / 4.0f;
            const float k = std::sqrt(2.0f) * p.sizeNow;
            const float h = k * std::cos(theta), f = k * std::sin(theta);
            Vertex* v = vertices_.data() + static_cast<size_t>(q) * 4;
            v[0] = Vertex{cx - h, cy - f, 0.0f, colour, 0.0f, 0.0f};
            v[1] = Vertex{cx + f, cy - h, 0.0f, colour, 1.0f, 0.0f};
            v[2] = Vertex{cx - f, cy + h, 0.0f, colour, 0.0f, 1.0f};
            v[3] = Vertex{cx + h, cy + f, 0.0f, colour, 1.0f, 1.0f};
        }
    }
    GfxDevice* device = Gfx_Device();
    if (device && device->hasMesh() && total > 0) device->setMeshVertices(vertices_.data(), total * 4);
}

void veParticleSystem::draw(int layer) {
    GfxDevice* device = Gfx_Device();
    if (drawingEnabled_ && device && device->hasMesh()) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool dark = pass == 1;
            bool blendSet = false;
            for (const ParticleGroup& g : groups_) {
                if (g.darkShading != dark || g.count <= 0) continue;
                if (g.layer <= lastDrawnLayer_ || g.layer > layer) continue;
                if (!blendSet) {
                    device->setBlendFlags(dark ? kBlendAlpha : 0u);
                    blendSet = true;
                }
                device->setTexture(Gfx_DeviceTexture(textureBank().textureById(g.textureId)));
                device->drawMesh(g.firstQuad * 6, g.count * 2);
            }
        }
    }
    lastDrawnLayer_ = layer;
}

void veParticleSystem::createMesh() {
    GfxDevice* device = Gfx_Device();
    if (!device || !device->createMesh(kPoolSize * 4, kPoolSize * 6))
        throw std::runtime_error("ParticleSystem : Can't create mesh!");
}

void veParticleSystem::fillIndices() {
    GfxDevice* device = Gfx_Device();
    if (!device || !device->hasMesh()) throw std::runtime_error("ParticleSystem : Can't find mesh!");
    std::vector<uint16_t> idx(static_cast<size_t>(kPoolSize) * 6);
    for (int k = 0; k < kPoolSize; ++k) {
        const uint16_t b = static_cast<uint16_t>(4 * k);
        uint16_t* o = idx.data() + static_cast<size_t>(k) * 6;
        o[0] = b, o[1] = static_cast<uint16_t>(b + 1), o[2] = static_cast<uint16_t>(b + 3);
        o[3] = b, o[4] = static_cast<uint16_t>(b + 3), o[5] = static_cast<uint16_t>(b + 2);
    }
    if (!device->fillMeshIndices(idx.data(), static_cast<int>(idx.size())))
        throw std::runtime_error("ParticleSystem : Can't LockIndexBuffer!");
}

void veParticleSystem::releaseMesh() {
    if (GfxDevice* device = Gfx_Device()) device->releaseMesh();
}

void veParticleSystem::killAllParticles() {
    for (Particle& p : pool_) p.age = p.life;
    for (EmitterInstance* e : instances_) e->nextEmission = 0.0f;
    // The groups describe the particles just killed; keep them from being drawn.
    groups_.clear();
}

void veParticleSystem::registerInstance(EmitterInstance* instance) {
    instance->system = this;
    instances_.push_back(instance);
}

void veParticleSystem::unregister(EmitterInstance* instance) {
    for (Particle& p : pool_)
        if (p.source == instance) p.source = nullptr;
    instances_.erase(std::remove(instances_.begin(), instances_.end(), instance), instances_.end());
    instance->system = nullptr;
}

void veParticleSystem::reset() {
    for (EmitterInstance* e : instances_) e->system = nullptr;
    instances_.clear();
    for (Particle& p : pool_) p = Particle();
    groups_.clear();
    accumulated_ = frameTime_ = clock_ = 0.0f;
    hint_ = 0;
    lastDrawnLayer_ = -1;
    drawingEnabled_ = false;
}

int veParticleSystem::liveCount() const {
    return static_cast<int>(std::count_if(pool_.begin(), pool_.end(), [](const Particle& p) { return p.live(); }));
}

veParticleSystem& particleSystem() {
    static veParticleSystem system;
    return system;
}

// ---- effect files ----

namespace {

std::map<std::string, std::vector<EmitterDef>>& cache() {
    static std::map<std::string, std::vector<EmitterDef>> c;
    return c;
}

// No effect needs more; a larger file is damaged or not an effect.
constexpr int kMaxEmitters = 256;
constexpr int kMaxEffectFileBytes = 1 << 20;

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every number of an effect file is read through one of these. A value
// outside its key's range is clamped to the nearest one the particle
// arithmetic takes (the ranges hold every number the shipped effects use with
// room to spare, and keep it clear of overflow and infinities); a NaN leaves
// the key as it was. Either way the rest of the file is kept, and the log
// gets one line naming the file, the key and the value. A word where a
// number belongs ends the reading, keeping what came before.
class EffectReader {
public:
    EffectReader(std::istream& in, const std::string& file) : in_(in), file_(file) {}

    bool number(const char* key, float& out, double lo, double hi) {
        double v = 0.0;
        if (!read(key, v, false)) return false;
        if (usable(key, v)) out = static_cast<float>(clamp(key, v, lo, hi));
        return true;
    }
    bool number(const char* key, int& out, long long lo, long long hi) {
        double v = 0.0;
        if (!read(key, v, true)) return false;
        if (usable(key, v))
            out = static_cast<int>(clamp(key, v, static_cast<double>(lo), static_cast<double>(hi)));
        return true;
    }
    // A value outside lo .. hi becomes the fallback instead of the nearest.
    bool choice(const char* key, int& out, int lo, int hi, int fallback) {
        double v = 0.0;
        if (!read(key, v, true)) return false;
        if (!usable(key, v)) return true;
        if (v >= lo && v <= hi) {
            out = static_cast<int>(v);
        } else {
            out = fallback;
            debugCheck(false, "Effect %s: %s %s is out of range, %d used", file_.c_str(), key, shown(v).c_str(),
                       fallback);
        }
        return true;
    }
    bool flag(const char* key, bool& out) {
        int v = out ? 1 : 0;
        if (!number(key, v, INT32_MIN, INT32_MAX)) return false;
        out = v != 0;
        return true;
    }
    bool curve(const char* key, Curve& c) {
        int n = 0;
        bool more = true;
        if (!count(key, n, more)) return false;
        std::vector<CurveKey> keys;
        for (int i = 0; i < n; ++i) {
            CurveKey k;
            if (!number(key, k.value, -kMaxCurveValue, kMaxCurveValue) || !number(key, k.time, 0.0, 1.0))
                return false;
            keys.push_back(k);
        }
        c.set(std::move(keys));
        c.scale = 1.0f;
        c.cursor = 0;
        return more;
    }
    bool colourCurve(const char* key, ColourCurve& c) {
        int n = 0;
        bool more = true;
        if (!count(key, n, more)) return false;
        std::vector<ColourKey> keys;
        for (int i = 0; i < n; ++i) {
            ColourKey k;
            if (!number(key, k.r, -kMaxColour, kMaxColour) || !number(key, k.g, -kMaxColour, kMaxColour) ||
                !number(key, k.b, -kMaxColour, kMaxColour) ||
                !number(key, k.a, -kMaxColour, kMaxColour) || !number(key, k.time, 0.0, 1.0))
                return false;
            keys.push_back(k);
        }
        c.set(std::move(keys));
        c.scale = 1.0f;
        c.cursor = 0;
        return more;
    }

    static constexpr int kMaxCurveKeys = 64;
    static constexpr double kMaxCurveValue = 1e7;  // masses of a million freeze a particle
    static constexpr double kMaxColour = 255.0;  // a drawn colour saturates at 1

private:
    // Formatted extraction first, as the format is defined by it. It refuses
    // "nan", "inf" and numbers too large for the type, so on a failure the
    // word is read again and taken when it is a number after all.
    bool read(const char* key, double& v, bool integer) {
        word_.clear();
        const std::streampos at = in_.tellg();
        if (integer) {
            long long i = 0;
            if (in_ >> i) {
                v = static_cast<double>(i);
                return true;
            }
        } else if (in_ >> v) {
            return true;
        }
        in_.clear();
        in_.seekg(at);
        if (!(in_ >> word_)) return false;  // the end of the file
        char* end = nullptr;
        v = std::strtod(word_.c_str(), &end);
        if (end != word_.c_str() && *end == 0) return true;
        debugCheck(false, "Effect %s: reading stops at %s, \"%s\" is not a number", file_.c_str(), key,
                   word_.c_str());
        return false;
    }
    bool usable(const char* key, double v) {
        if (!std::isnan(v)) return true;
        debugCheck(false, "Effect %s: %s %s is not a number, ignored", file_.c_str(), key, shown(v).c_str());
        return false;
    }
    double clamp(const char* key, double v, double lo, double hi) {
        if (v >= lo && v <= hi) return v;
        const double c = std::clamp(v, lo, hi);
        debugCheck(false, "Effect %s: %s %s is out of range, %g used", file_.c_str(), key, shown(v).c_str(), c);
        return c;
    }
    // A key count: past the limit the keys up to it are read and the
    // reading ends there, since what follows cannot be told apart.
    bool count(const char* key, int& n, bool& more) {
        double v = 0.0;
        if (!read(key, v, true)) return false;
        if (!usable(key, v)) return false;  // no telling how many numbers follow
        if (v > kMaxCurveKeys) {
            debugCheck(false, "Effect %s: %s has %s keys, reading stops after %d", file_.c_str(), key,
                       shown(v).c_str(), kMaxCurveKeys);
            n = kMaxCurveKeys;
            more = false;
            return true;
        }
        n = static_cast<int>(clamp(key, v, 0.0, kMaxCurveKeys));
        return true;
    }
    // The value as the file wrote it when it was read as a word.
    std::string shown(double v) const {
        if (!word_.empty()) return word_;
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return text;
    }

    std::istream& in_;
    const std::string& file_;
    std::string word_;
};

// Limits of the plain numbers. Times in seconds, angles in degrees,
// distances in pixels, variations in percent.
constexpr double kMaxSeconds = 3600.0;
constexpr double kMaxDistance = 1e6;
constexpr int kMaxPercent = 1000;
// Counts past the pool only fill it; the product of two is taken in 64 bits.
constexpr int kMaxCount = 1000000;

}  // namespace

std::vector<EmitterDef> parseEffectText(const std::string& text, const std::string& file) {
    std::vector<EmitterDef> list;
    std::istringstream in(text);
    EffectReader r(in, file);
    // Keywords before the first "Emitter" have no emitter to apply to; their
    // values are read into a scratch definition and dropped.
    EmitterDef scratch;
    std::string token, last;
    while (in >> token) {
        if (list.size() >= kMaxEmitters && token == "Emitter") {
            debugCheck(false, "Effect %s: more than %d emitters, reading stops there", file.c_str(), kMaxEmitters);
            break;
        }
        EmitterDef& d = list.empty() ? scratch : list.back();
        const char* k = token.c_str();
        bool ok = true;
        if (token == "Emitter") list.emplace_back();
        else if (token == "EmitInterval") ok = r.number(k, d.emitInterval, 0.0, kMaxSeconds);
        else if (token == "ParticlesPerEmit") ok = r.number(k, d.particlesPerEmit, 0, kMaxCount);
        else if (token == "CycleInterval") ok = r.number(k, d.cycleInterval, 0.0, kMaxSeconds);
        else if (token == "CycleVariation") ok = r.number(k, d.cycleVariation, 0, kMaxPercent);
        else if (token == "EmitsPerCycle") ok = r.number(k, d.emitsPerCycle, 0, 1000000);
        else if (token == "UseCycle") ok = r.flag(k, d.useCycle);
        else if (token == "SingleEmit") ok = r.flag(k, d.singleEmit);
        else if (token == "ScatterAngle")
            ok = r.number(k, d.scatterA, -3600.0, 3600.0) && r.number(k, d.scatterB, -3600.0, 3600.0);
        else if (token == "EmitterType") ok = r.choice(k, d.emitterType, 0, 2, 0);  // an unknown type emits at the point
        else if (token == "Point")
            ok = r.number(k, d.pointX, -kMaxDistance, kMaxDistance) && r.number(k, d.pointY, -kMaxDistance, kMaxDistance);
        else if (token == "Radius") ok = r.number(k, d.radius, -kMaxDistance, kMaxDistance);
        else if (token == "PartLifeTime") ok = r.number(k, d.life, 0.0, kMaxSeconds);
        else if (token == "PartRandomness") ok = r.number(k, d.lifeVariation, 0, kMaxPercent);
        else if (token == "BurstSize") ok = r.number(k, d.burstSize, 0, kMaxCount);
        else if (token == "BurstDelay") ok = r.number(k, d.burstDelay, 0.0, kMaxSeconds);
        else if (token == "BindToEmitter") ok = r.flag(k, d.bindToEmitter);
        else if (token == "Force")
            ok = r.number(k, d.forceX, -kMaxDistance, kMaxDistance) && r.number(k, d.forceY, -kMaxDistance, kMaxDistance);
        else if (token == "ShiftX") ok = r.number(k, d.shiftX, -1000000, 1000000);
        else if (token == "ShiftY") ok = r.number(k, d.shiftY, -1000000, 1000000);
        else if (token == "VelocityDir") ok = r.number(k, d.dirX, -kMaxDistance, kMaxDistance) &&
                                              r.number(k, d.dirY, -kMaxDistance, kMaxDistance);
        else if (token == "Velocity") ok = r.number(k, d.velocity, -kMaxDistance, kMaxDistance);
        else if (token == "VelocityVariation") ok = r.number(k, d.velocityVariation, 0, kMaxPercent);
        else if (token == "VelocityOverLife") ok = r.curve(k, d.speedCurve);
        else if (token == "MotionOverLife") ok = r.curve(k, d.wobbleCurve);
        else if (token == "MotionVariation") ok = r.number(k, d.wobbleVariation, 0, kMaxPercent);
        else if (token == "SpinOverLife") ok = r.curve(k, d.spinCurve);
        else if (token == "SpinVariation") ok = r.number(k, d.spinVariation, 0, kMaxPercent);
        else if (token == "SizeOverLife") ok = r.curve(k, d.sizeCurve);
        else if (token == "SizeVariation") ok = r.number(k, d.sizeVariation, 0, kMaxPercent);
        else if (token == "PartColor") ok = r.colourCurve(k, d.colourCurve);
        else if (token == "PartMass") ok = r.curve(k, d.massCurve);
        else if (token == "ReColor") ok = r.flag(k, d.recolour);
        else if (token == "IsUseDarkShading") ok = r.flag(k, d.darkShading);
        else if (token == "Texture") ok = static_cast<bool>(in >> d.texture);
        else {
            debugCheck(false, "Sprite: error while reading emmiter %s, string: %s, laststring:%s", file.c_str(),
                       token.c_str(), last.c_str());
        }
        if (!ok) break;
        last = token;
    }
    return list;
}

std::vector<EmitterDef> parseEffectFile(const std::string& path) {
    const std::string file = baseName(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0) return {};
    std::streamoff take = size;
    if (size > kMaxEffectFileBytes) {
        debugCheck(false, "Effect %s: larger than %d bytes, reading stops there", file.c_str(),
                   kMaxEffectFileBytes);
        take = kMaxEffectFileBytes;
    }
    std::string text(static_cast<size_t>(take), '\0');
    in.read(text.data(), take);
    text.resize(static_cast<size_t>(in.gcount()));
    // A cut file ends at its last whole token.
    if (take < size) {
        const size_t space = text.find_last_of(" \t\r\n");
        text.resize(space == std::string::npos ? 0 : space);
    }
    std::vector<EmitterDef> list = parseEffectText(text, file);
    for (EmitterDef& d : list)
        if (!d.texture.empty()) d.textureId = textureBank().particleTextureId(d.texture);
    return list;
}

void loadAllEffectsFrom(const std::string& folder) {
    std::vector<std::string> files;
    findFiles(files, folder, ".fx");
    for (const std::string& path : files) cache()[baseName(path)] = parseEffectFile(path);
}

void loadAllEffects() { loadAllEffectsFrom(fxSystemPath()); }

const std::map<std::string, std::vector<EmitterDef>>& effectCache() { return cache(); }
void clearEffectCache() { cache().clear(); }

std::vector<std::unique_ptr<EmitterInstance>> createEffectInstances(const std::string& file) {
    std::vector<EmitterDef> live;
    const std::vector<EmitterDef>* defs = nullptr;
    if (psLiveUpdate()) {
        live = parseEffectFile(fxSystemPath() + file);
        defs = &live;
    } else {
        auto it = cache().find(file);
        if (it != cache().end()) defs = &it->second;
    }
    std::vector<std::unique_ptr<EmitterInstance>> out;
    if (!defs) return out;
    for (const EmitterDef& d : *defs) {
        auto instance = std::make_unique<EmitterInstance>(d);
        particleSystem().registerInstance(instance.get());
        out.push_back(std::move(instance));
    }
    return out;
}

void killAllParticles() { particleSystem().killAllParticles(); }
void particlesEnableDrawing() { particleSystem().enableDrawing(); }
void particlesSetFrameTime(float seconds) { particleSystem().setFrameTime(seconds); }
void particlesAdvance() { particleSystem().advance(); }
