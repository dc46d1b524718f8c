#include "gfx/damage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr ScreenRect kWholeScreen{0, 0, kScreenWidth, kScreenHeight};
// Extra area two rectangles may cover once merged before it is cheaper to
// draw them apart: every rectangle costs a pass over the frame's draws.
constexpr int64_t kMergeSlack = 48 * 48;
constexpr size_t kMaxRects = 16;
// A turned quad is cut into slices about this long (or as long as it is
// wide, if wider) along its length, and into at most kMaxBands of them.
constexpr float kBandLength = 24.0f;
constexpr int kMaxBands = 16;
// Past this share of the screen one whole redraw is cheaper than pieces.
constexpr int64_t kWholeArea = kScreenWidth * kScreenHeight * 55 / 100;
// Frames between two rebuilds of the cache picture, so a prefix that keeps
// changing does not cost a second frame each time.
constexpr int kCacheRebuildFrames = 40;

uint64_t mix(uint64_t h, uint64_t v) {
    h ^= v * 0x9E3779B97F4A7C15ull;
    h = (h << 29 | h >> 35) * 0xBF58476D1CE4E5B9ull;
    return h;
}

uint64_t hashBytes(uint64_t h, const void* data, size_t n) {
    if (n == 0) return mix(h, 0);
    const auto* p = static_cast<const unsigned char*>(data);
    while (n >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = mix(h, w);
        p += 8, n -= 8;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    return mix(h, tail ^ n);
}

uint64_t finish(uint64_t h) {
    h ^= h >> 31;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
}

ScreenRect unite(const ScreenRect& a, const ScreenRect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool meets(const ScreenRect& a, const ScreenRect& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool contains(const ScreenRect& outer, const ScreenRect& inner) {
    return !outer.empty() && outer.x0 <= inner.x0 && outer.y0 <= inner.y0 && outer.x1 >= inner.x1 &&
           outer.y1 >= inner.y1;
}

int clampCoord(float v, int hi) {
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<int>(v);
}

// Pixels a primitive over these vertices may touch, with a pixel to spare for
// rounding; anything not finite may touch the whole screen.
ScreenRect boundsOf(const Vertex* v, int n, float grow) {
    float x0 = v[0].x, y0 = v[0].y, x1 = v[0].x, y1 = v[0].y;
    for (int i = 1; i < n; ++i) {
        x0 = std::min(x0, v[i].x), x1 = std::max(x1, v[i].x);
        y0 = std::min(y0, v[i].y), y1 = std::max(y1, v[i].y);
    }
    if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1)) return kWholeScreen;
    grow += 1.0f;
    return {clampCoord(std::floor(x0 - grow), kScreenWidth), clampCoord(std::floor(y0 - grow), kScreenHeight),
            clampCoord(std::ceil(x1 + grow), kScreenWidth), clampCoord(std::ceil(y1 + grow), kScreenHeight)};
}

// Whole pixels an unrotated quad certainly covers; empty when it is turned.
ScreenRect coverOf(const Vertex* v) {
    if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[3].x || v[1].x != v[2].x) return {};
    const float x0 = std::min(v[0].x, v[1].x), x1 = std::max(v[0].x, v[1].x);
    const float y0 = std::min(v[0].y, v[3].y), y1 = std::max(v[0].y, v[3].y);
    if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1)) return {};
    return {clampCoord(std::ceil(x0), kScreenWidth), clampCoord(std::ceil(y0), kScreenHeight),
            clampCoord(std::floor(x1), kScreenWidth), clampCoord(std::floor(y1), kScreenHeight)};
}

int perPrimitive(int kind) { return kind == kQuadList ? 4 : kind == kLineList ? 2 : 3; }

uint32_t alphaOf(const Vertex& v) { return v.colour >> 24; }

// Full vertex alpha at all four corners of a quad.
bool fullAlpha(const Vertex* v) {
    return alphaOf(v[0]) == 255u && alphaOf(v[1]) == 255u && alphaOf(v[2]) == 255u && alphaOf(v[3]) == 255u;
}

}  // namespace

std::vector<ScreenRect> mergeDamage(std::vector<ScreenRect> rects, size_t maxCount) {
    std::vector<ScreenRect> out;
    for (ScreenRect r : rects) {
        r = {std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, kScreenWidth), std::min(r.y1, kScreenHeight)};
        if (r.empty()) continue;
        for (bool merged = true; merged;) {
            merged = false;
            for (size_t k = 0; k < out.size(); ++k) {
                const ScreenRect u = unite(out[k], r);
                if (u.area() <= out[k].area() + r.area() + kMergeSlack) {
                    r = u;
                    out.erase(out.begin() + static_cast<long>(k));
                    merged = true;
                    break;
                }
            }
        }
        out.push_back(r);
    }
    if (maxCount == 0) maxCount = 1;
    while (out.size() > maxCount) {
        size_t best = 0, bestOther = 1;
        int64_t bestCost = INT64_MAX;
        for (size_t a = 0; a < out.size(); ++a)
            for (size_t b = a + 1; b < out.size(); ++b) {
                const int64_t cost = unite(out[a], out[b]).area() - out[a].area() - out[b].area();
                if (cost < bestCost) bestCost = cost, best = a, bestOther = b;
            }
        out[best] = unite(out[best], out[bestOther]);
        out.erase(out.begin() + static_cast<long>(bestOther));
    }
    return out;
}

DamageDevice::DamageDevice(std::unique_ptr<GfxDevice> inner) : inner_(std::move(inner)) {}

void DamageDevice::setEnabled(bool on) {
    on = on && inner_->keepsPicture();
    if (on == enabled_) return;
    if (inScene_) endScene();
    enabled_ = on;
    whole_ = true;
    cacheValid_ = false;
    previousValid_ = false;
    innerStateKnown_ = false;
    if (!on) {
        // Hand the inner device the state and mesh it stopped receiving.
        inner_->setTexture(texture_);
        inner_->setBlendFlags(blend_);
        if (!meshVertices_.empty() && inner_->hasMesh())
            inner_->setMeshVertices(meshVertices_.data(), static_cast<int>(meshVertices_.size()));
    }
}

DeviceError DamageDevice::create() {
    cacheValid_ = false;
    textures_.clear();
    meshIndices_.clear();
    meshVertices_.clear();
    whole_ = true;
    previousValid_ = false;
    innerStateKnown_ = false;
    inScene_ = false;
    return inner_->create();
}

void DamageDevice::release() {
    cacheValid_ = false;
    textures_.clear();
    meshIndices_.clear();
    meshVertices_.clear();
    previousValid_ = false;
    inScene_ = false;
    inner_->release();
}

bool DamageDevice::reset() {
    whole_ = true;
    cacheValid_ = false;
    innerStateKnown_ = false;
    return inner_->reset();
}

bool DamageDevice::setFullscreen(bool on) {
    whole_ = true;
    return inner_->setFullscreen(on);
}

void DamageDevice::noteClearTiles(TextureInfo& t, const uint32_t* pixels) {
    // Small pictures are not worth it: a quad of them is cheap to draw whole.
    if (!pixels || t.width < 4 * kClearTile || t.height < 4 * kClearTile) return;
    const int tilesX = (t.width + kClearTile - 1) / kClearTile, tilesY = (t.height + kClearTile - 1) / kClearTile;
    std::vector<uint8_t> clear(static_cast<size_t>(tilesX) * static_cast<size_t>(tilesY), 1);
    bool any = false;
    for (int y = 0; y < t.height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(t.width);
        uint8_t* tiles = &clear[static_cast<size_t>(y / kClearTile) * static_cast<size_t>(tilesX)];
        for (int x = 0; x < t.width; ++x)
            if ((row[x] >> 24) != 0u) tiles[x / kClearTile] = 0;
    }
    for (uint8_t c : clear) any = any || c != 0;
    if (!any) return;
    t.clearTiles = std::move(clear);
    t.tilesX = tilesX;
}

void DamageDevice::noteTexture(uint32_t handle, int width, int height, const uint32_t* pixels) {
    if (handle == 0) return;
    TextureInfo& t = textures_[handle];
    t.generation = ++generation_;
    t.width = width;
    t.height = height;
    t.clearTiles.clear();
    t.tilesX = 0;
    noteClearTiles(t, pixels);
    t.opaque = pixels != nullptr && width > 0 && height > 0;
    if (t.opaque) {
        const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (size_t i = 0; i < n; ++i)
            if ((pixels[i] >> 24) != 255u) {
                t.opaque = false;
                break;
            }
    }
}

uint32_t DamageDevice::createTexture(int width, int height, const uint32_t* pixels) {
    const uint32_t handle = inner_->createTexture(width, height, pixels);
    noteTexture(handle, width, height, pixels);
    return handle;
}

void DamageDevice::updateTexture(uint32_t handle, int width, int height, const uint32_t* pixels) {
    inner_->updateTexture(handle, width, height, pixels);
    noteTexture(handle, width, height, pixels);
}

void DamageDevice::destroyTexture(uint32_t handle) {
    textures_.erase(handle);
    innerStateKnown_ = false;  // the device may have unbound it
    if (texture_ == handle) texture_ = 0;
    inner_->destroyTexture(handle);
}

void DamageDevice::setTexture(uint32_t handle) {
    texture_ = handle;
    if (!enabled_) inner_->setTexture(handle);
}

void DamageDevice::setBlendFlags(uint32_t flags) {
    blend_ = flags;
    if (!enabled_) inner_->setBlendFlags(flags);
}

void DamageDevice::applyState(uint32_t texture, uint32_t blend) {
    if (!innerStateKnown_ || texture != innerTexture_) inner_->setTexture(texture);
    if (!innerStateKnown_ || blend != innerBlend_) inner_->setBlendFlags(blend);
    innerTexture_ = texture, innerBlend_ = blend;
    innerStateKnown_ = true;
}

bool DamageDevice::clear(uint32_t argb) {
    if (!enabled_) return inner_->clear(argb);
    if (inScene_) {
        Command& c = startCommand(Op::Clear);
        c.colour = argb;
        addPiece(c, nullptr, 0, argb);
        return true;
    }
    // The frame's clear comes before its scene; it is drawn with it.
    pendingClear_ = true;
    clearColour_ = argb;
    return true;
}

bool DamageDevice::beginScene() {
    if (!enabled_) return inner_->beginScene();
    if (!inner_->beginScene()) return false;
    // A picture of another size keeps nothing of the last frame or the cache.
    if (inner_->takePictureLost()) whole_ = true, cacheValid_ = false;
    inScene_ = true;
    frame_.clear();
    meshChanged_ = true;
    innerUpload_ = -1;
    if (pendingClear_) {
        pendingClear_ = false;
        clear(clearColour_);
    }
    return true;
}

DamageDevice::Command& DamageDevice::startCommand(Op op) {
    Command& c = frame_.commands.emplace_back();
    c.op = op;
    c.texture = texture_;
    c.blend = blend_;
    c.firstVertex = static_cast<int>(frame_.vertices.size());
    c.firstPiece = static_cast<int>(frame_.pieces.size());
    return c;
}

uint64_t DamageDevice::stateKey(const Command& c) const {
    uint64_t h = mix(0x5151u, static_cast<uint64_t>(c.op) << 32 | static_cast<uint32_t>(c.kind));
    if (c.op == Op::Batch || c.op == Op::Mesh) {
        const auto t = textures_.find(c.texture);
        h = mix(h, uint64_t{c.texture} << 32 | c.blend);
        h = mix(h, t == textures_.end() ? 0 : t->second.generation);
    }
    return h;
}

void DamageDevice::addPiece(Command& c, const Vertex* v, int n, uint64_t extra) {
    Piece& p = frame_.pieces.emplace_back();
    p.key = finish(hashBytes(mix(stateKey(c), extra), v, static_cast<size_t>(n) * sizeof(Vertex)));
    if (c.op == Op::Clear || n == 0)
        p.box = kWholeScreen;
    else
        p.box = boundsOf(v, n, c.op == Op::Point ? c.size * 0.5f : 0.0f);
    if (c.op == Op::Batch && c.kind == kQuadList && n == 4) addBands(frame_, p, v);
    c.box = unite(c.box, p.box);
    ++c.pieceCount;
}

void DamageDevice::addBands(Frame& f, Piece& p, const Vertex* v) {
    // Only a parallelogram: its two triangles then cover exactly the slices.
    const float ax = v[1].x - v[0].x, ay = v[1].y - v[0].y;  // along the top edge
    const float bx = v[3].x - v[0].x, by = v[3].y - v[0].y;  // down the left edge
    if (std::fabs(v[2].x - (v[1].x + bx)) > 0.01f || std::fabs(v[2].y - (v[1].y + by)) > 0.01f) return;
    if (ax * by == 0.0f && ay * bx == 0.0f) return;  // unturned: its box is itself
    const float area = std::fabs(ax * by - ay * bx);
    if (!(area * 1.5f < static_cast<float>(p.box.area()))) return;  // the box wastes little
    const float la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    const bool alongA = la >= lb;
    const float length = alongA ? la : lb, width = alongA ? lb : la;
    const int k = std::min(kMaxBands, static_cast<int>(std::ceil(length / std::max(width, kBandLength))));
    if (k < 2) return;
    p.firstBand = static_cast<int>(f.bands.size());
    for (int i = 0; i < k; ++i) {
        const float t0 = static_cast<float>(i) / static_cast<float>(k), t1 = static_cast<float>(i + 1) / static_cast<float>(k);
        // The slice's corners: v0 moved t of the way along the long side,
        // and the same across the short one.
        const float lx = alongA ? ax : bx, ly = alongA ? ay : by, sx = alongA ? bx : ax, sy = alongA ? by : ay;
        Vertex c[4] = {v[0], v[0], v[0], v[0]};
        c[0].x = v[0].x + lx * t0, c[0].y = v[0].y + ly * t0;
        c[1].x = v[0].x + lx * t1, c[1].y = v[0].y + ly * t1;
        c[2].x = c[1].x + sx, c[2].y = c[1].y + sy;
        c[3].x = c[0].x + sx, c[3].y = c[0].y + sy;
        f.bands.push_back(boundsOf(c, 4, 0.0f));
    }
    p.bandCount = k;
}

void DamageDevice::damageOf(const Frame& f, const Piece& p, std::vector<ScreenRect>& rects) {
    if (p.bandCount == 0) {
        rects.push_back(p.box);
        return;
    }
    const auto first = f.bands.begin() + p.firstBand;
    rects.insert(rects.end(), first, first + p.bandCount);
}

void DamageDevice::drawBatch(int kind, const Vertex* vertices, int count) {
    if (!recording()) {
        if (enabled_) {
            // Drawn outside a scene: straight into the kept picture.
            applyState(texture_, blend_);
            whole_ = true;
        }
        return inner_->drawBatch(kind, vertices, count);
    }
    if (count <= 0) return;
    Command& c = startCommand(Op::Batch);
    c.kind = kind;
    const int per = perPrimitive(kind);
    for (int i = 0; i < count; ++i) {
        const Vertex* v = vertices + i * per;
        // Alpha 0 at every corner: the alpha test discards every pixel, so
        // the primitive shows nothing however it moves or blends.
        bool unseen = true;
        for (int k = 0; k < per && unseen; ++k) unseen = alphaOf(v[k]) == 0u;
        if (unseen) continue;
        frame_.vertices.insert(frame_.vertices.end(), v, v + per);
        c.vertexCount += per;
        addPiece(c, v, per, 0);
    }
    if (c.pieceCount == 0) frame_.commands.pop_back();
}

bool DamageDevice::createMesh(int maxVertices, int maxIndices) {
    meshIndices_.clear();
    meshVertices_.clear();
    meshChanged_ = true;
    innerUpload_ = -1;
    return inner_->createMesh(maxVertices, maxIndices);
}

bool DamageDevice::fillMeshIndices(const uint16_t* indices, int count) {
    const bool ok = inner_->fillMeshIndices(indices, count);
    if (ok) meshIndices_.assign(indices, indices + count);
    return ok;
}

void DamageDevice::setMeshVertices(const Vertex* vertices, int count) {
    if (count <= 0) return;
    meshVertices_.assign(vertices, vertices + count);
    meshChanged_ = true;
    if (!enabled_) inner_->setMeshVertices(vertices, count);
}

void DamageDevice::drawMesh(int firstIndex, int triangleCount) {
    if (!recording()) {
        if (enabled_) {
            applyState(texture_, blend_);
            if (!meshVertices_.empty())
                inner_->setMeshVertices(meshVertices_.data(), static_cast<int>(meshVertices_.size()));
            innerUpload_ = -1;
            whole_ = true;
        }
        return inner_->drawMesh(firstIndex, triangleCount);
    }
    if (triangleCount <= 0 || firstIndex < 0) return;
    if (meshChanged_) {
        frame_.uploads.push_back(meshVertices_);
        meshChanged_ = false;
    }
    Command& c = startCommand(Op::Mesh);
    c.kind = kTriangleList;
    c.upload = static_cast<int>(frame_.uploads.size()) - 1;
    c.firstIndex = firstIndex;
    c.triangles = triangleCount;
    // A piece per particle: two triangles, six indices.
    Vertex v[6];
    const size_t end = std::min(meshIndices_.size(), static_cast<size_t>(firstIndex) + size_t{3} * triangleCount);
    for (size_t i = static_cast<size_t>(firstIndex); i < end; i += 6) {
        const int n = static_cast<int>(std::min<size_t>(6, end - i));
        bool inside = true;
        for (int k = 0; k < n; ++k) {
            const size_t at = meshIndices_[i + static_cast<size_t>(k)];
            if (at >= meshVertices_.size()) {
                inside = false;
                break;
            }
            v[k] = meshVertices_[at];
        }
        if (inside) {
            addPiece(c, v, n, 0);
        } else {
            // Vertices the device was never given: where they land is unknown.
            addPiece(c, nullptr, 0, i);
        }
    }
    if (end < static_cast<size_t>(firstIndex) + size_t{3} * triangleCount) addPiece(c, nullptr, 0, ~0ull);
}

void DamageDevice::releaseMesh() {
    meshIndices_.clear();
    meshVertices_.clear();
    innerUpload_ = -1;
    inner_->releaseMesh();
}

void DamageDevice::drawLine(const Vertex& a, const Vertex& b) {
    if (!recording()) {
        if (enabled_) whole_ = true, innerStateKnown_ = false;
        return inner_->drawLine(a, b);
    }
    Command& c = startCommand(Op::Line);
    frame_.vertices.push_back(a);
    frame_.vertices.push_back(b);
    c.vertexCount = 2;
    addPiece(c, &frame_.vertices[static_cast<size_t>(c.firstVertex)], 2, 0);
}

void DamageDevice::drawPoint(const Vertex& p, float size) {
    if (!recording()) {
        if (enabled_) whole_ = true, innerStateKnown_ = false;
        return inner_->drawPoint(p, size);
    }
    Command& c = startCommand(Op::Point);
    c.size = size;
    frame_.vertices.push_back(p);
    c.vertexCount = 1;
    uint32_t bits;
    std::memcpy(&bits, &size, sizeof bits);
    addPiece(c, &p, 1, bits);
}

void DamageDevice::computeDamage() {
    damage_.clear();
    if (whole_ || !previousValid_) {
        damage_.push_back(kWholeScreen);
        return;
    }
    const std::vector<Piece>& now = frame_.pieces;
    const std::vector<Piece>& before = previous_.pieces;
    // Pieces of the last frame by key, each chain in drawing order.
    std::unordered_map<uint64_t, int> heads;
    heads.reserve(before.size() * 2);
    std::vector<int> next(before.size(), -1);
    for (size_t i = before.size(); i-- > 0;) {
        auto [it, added] = heads.try_emplace(before[i].key, static_cast<int>(i));
        if (!added) {
            next[i] = it->second;
            it->second = static_cast<int>(i);
        }
    }
    std::vector<char> used(before.size(), 0);
    std::vector<ScreenRect> rects;
    // Old indices of the matched pieces, in the new drawing order.
    std::vector<int>& order = matchScratch_;
    order.clear();
    std::vector<int> orderPiece;
    for (size_t j = 0; j < now.size(); ++j) {
        const auto it = heads.find(now[j].key);
        if (it == heads.end() || it->second < 0) {
            damageOf(frame_, now[j], rects);
            continue;
        }
        const int i = it->second;
        it->second = next[static_cast<size_t>(i)];
        used[static_cast<size_t>(i)] = 1;
        order.push_back(i);
        orderPiece.push_back(static_cast<int>(j));
    }
    for (size_t i = 0; i < before.size(); ++i)
        if (!used[i]) damageOf(previous_, before[i], rects);
    // Pieces that kept their place relative to each other form the longest
    // increasing run of old indices; the others changed what lies above or
    // below them, so their pixels are redrawn.
    std::vector<int> tails, tailAt, parent(order.size(), -1);
    for (size_t k = 0; k < order.size(); ++k) {
        const auto pos = std::lower_bound(tails.begin(), tails.end(), order[k]) - tails.begin();
        if (pos > 0) parent[k] = tailAt[static_cast<size_t>(pos - 1)];
        if (static_cast<size_t>(pos) == tails.size()) {
            tails.push_back(order[k]);
            tailAt.push_back(static_cast<int>(k));
        } else {
            tails[static_cast<size_t>(pos)] = order[k];
            tailAt[static_cast<size_t>(pos)] = static_cast<int>(k);
        }
    }
    std::vector<char> kept(order.size(), 0);
    for (int k = tailAt.empty() ? -1 : tailAt.back(); k >= 0; k = parent[static_cast<size_t>(k)])
        kept[static_cast<size_t>(k)] = 1;
    for (size_t k = 0; k < order.size(); ++k)
        if (!kept[k]) damageOf(frame_, now[static_cast<size_t>(orderPiece[k])], rects);

    damage_ = mergeDamage(std::move(rects), kMaxRects);
    int64_t area = 0;
    for (const ScreenRect& r : damage_) area += r.area();
    if (area >= kWholeArea) damage_.assign(1, kWholeScreen);
}

namespace {

// A whole number, to within a rounding error of the float that carries it.
bool nearWhole(double v, int& out) {
    const double r = std::round(v);
    if (!(std::fabs(v - r) < 1e-3) || std::fabs(r) > 1e6) return false;
    out = static_cast<int>(r);
    return true;
}

}  // namespace

void DamageDevice::flushScratch(uint32_t texture, uint32_t blend) {
    if (scratch_.empty()) return;
    applyState(texture, blend);
    inner_->drawBatch(kQuadList, scratch_.data(), static_cast<int>(scratch_.size() / 4));
    scratch_.clear();
}

bool DamageDevice::texelExact(const Vertex* v, const TextureInfo& tex, ExactQuad& q) {
    // Unturned, unmirrored, and texel for pixel on whole pixels.
    if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[3].x || v[1].x != v[2].x) return false;
    if (v[0].v != v[1].v || v[2].v != v[3].v || v[0].u != v[3].u || v[1].u != v[2].u) return false;
    if (tex.width <= 0 || tex.height <= 0) return false;
    int x1, y1, tx1, ty1;
    if (!nearWhole(v[0].x, q.x0) || !nearWhole(v[0].y, q.y0) || !nearWhole(v[2].x, x1) || !nearWhole(v[2].y, y1)) return false;
    if (v[0].x != static_cast<float>(q.x0) || v[0].y != static_cast<float>(q.y0) || v[2].x != static_cast<float>(x1) ||
        v[2].y != static_cast<float>(y1))
        return false;
    const double w = tex.width, h = tex.height;
    if (!nearWhole(v[0].u * w, q.tx0) || !nearWhole(v[0].v * h, q.ty0) || !nearWhole(v[2].u * w, tx1) ||
        !nearWhole(v[2].v * h, ty1))
        return false;
    if (x1 <= q.x0 || y1 <= q.y0 || tx1 - q.tx0 != x1 - q.x0 || ty1 - q.ty0 != y1 - q.y0) return false;
    if (q.tx0 < 0 || q.ty0 < 0 || tx1 > tex.width || ty1 > tex.height) return false;
    q.x1 = x1, q.y1 = y1;
    return true;
}

bool DamageDevice::addVisibleParts(const Vertex* v, const TextureInfo& tex, const ExactQuad& q, const ScreenRect& r,
                                   uint32_t texture, uint32_t blend) {
    if (tex.clearTiles.empty()) return false;
    // One colour: then a part of the quad draws exactly what the whole draws there.
    if (v[1].colour != v[0].colour || v[2].colour != v[0].colour || v[3].colour != v[0].colour) return false;
    if (v[1].z != v[0].z || v[2].z != v[0].z || v[3].z != v[0].z) return false;
    const int x0 = q.x0, y0 = q.y0, x1 = q.x1, y1 = q.y1, tx0 = q.tx0, ty0 = q.ty0;
    const double w = tex.width, h = tex.height;

    const int sx0 = std::max(x0, r.x0), sy0 = std::max(y0, r.y0), sx1 = std::min(x1, r.x1), sy1 = std::min(y1, r.y1);
    if (sx1 <= sx0 || sy1 <= sy0) return true;  // nothing of it in r
    auto corner = [&](int px, int py) {
        Vertex out = v[0];
        out.x = static_cast<float>(px);
        out.y = static_cast<float>(py);
        out.u = static_cast<float>((px - x0 + tx0) / w);
        out.v = static_cast<float>((py - y0 + ty0) / h);
        return out;
    };
    const int dx = tx0 - x0, dy = ty0 - y0;  // texel = pixel + (dx, dy)
    for (int ty = (sy0 + dy) / kClearTile * kClearTile; ty < sy1 + dy; ty += kClearTile) {
        const int py0 = std::max(sy0, ty - dy), py1 = std::min(sy1, ty + kClearTile - dy);
        const uint8_t* tiles = &tex.clearTiles[static_cast<size_t>(ty / kClearTile) * static_cast<size_t>(tex.tilesX)];
        int runStart = -1;
        for (int tx = (sx0 + dx) / kClearTile * kClearTile;; tx += kClearTile) {
            const bool inside = tx < sx1 + dx;
            const bool shows = inside && tiles[tx / kClearTile] == 0;
            if (shows && runStart < 0) runStart = std::max(sx0, tx - dx);
            if (!shows && runStart >= 0) {
                const int runEnd = std::min(sx1, tx - dx);
                if (scratch_.size() >= size_t{kBatchQuads} * 4) flushScratch(texture, blend);
                scratch_.push_back(corner(runStart, py0));
                scratch_.push_back(corner(runEnd, py0));
                scratch_.push_back(corner(runEnd, py1));
                scratch_.push_back(corner(runStart, py1));
                runStart = -1;
            }
            if (!inside) break;
        }
    }
    return true;
}

void DamageDevice::drawQuads(const Command& c, const ScreenRect& r) {
    const TextureInfo* tex = nullptr;
    if (const auto t = textures_.find(c.texture); t != textures_.end()) tex = &t->second;
    // Opaque pixels over alpha blending give the same result without it.
    const bool solidTexture = (c.blend & kBlendAlpha) != 0 && (c.texture == 0 || (tex && tex->opaque));
    scratch_.clear();
    const bool unscaled = inner_->renderScale() == 1.0f;
    uint32_t runFlags = 0;
    auto flushRun = [&] { flushScratch(c.texture, c.blend | runFlags); };
    for (int q = 0; q < c.pieceCount; ++q) {
        if (!meets(frame_.pieces[static_cast<size_t>(c.firstPiece + q)].box, r)) continue;
        const Vertex* v = &frame_.vertices[static_cast<size_t>(c.firstVertex + q * 4)];
        const bool solid = solidTexture && fullAlpha(v);
        ExactQuad exact;
        // Drawn larger, a texel covers several pixels and filtering mixes
        // in its neighbours, transparent squares' edges included.
        const bool isExact = tex && unscaled && texelExact(v, *tex, exact);
        const uint32_t flags = (solid ? kBlendOff : 0u) | (isExact ? kSampleExact : 0u);
        if (flags != runFlags || scratch_.size() >= size_t{kBatchQuads} * 4) flushRun();
        runFlags = flags;
        // A picture with wholly transparent squares (a frame round the field)
        // is drawn without them: they cost a fill and change nothing.
        if (isExact && addVisibleParts(v, *tex, exact, r, c.texture, c.blend | flags)) continue;
        scratch_.insert(scratch_.end(), v, v + 4);
    }
    flushRun();
}

bool DamageDevice::cacheMatches() const {
    if (!cacheValid_ || frame_.commands.size() < cacheCommands_) return false;
    size_t piece = 0;
    for (size_t k = 0; k < cacheCommands_; ++k) {
        const Command& c = frame_.commands[k];
        if (c.pieceCount != cachePieces_[k]) return false;
        for (int q = 0; q < c.pieceCount; ++q, ++piece)
            if (frame_.pieces[static_cast<size_t>(c.firstPiece + q)].key != cacheKeys_[piece]) return false;
    }
    return true;
}

size_t DamageDevice::commonPrefix() const {
    if (!previousValid_) return 0;
    const size_t n = std::min(frame_.commands.size(), previous_.commands.size());
    for (size_t k = 0; k < n; ++k) {
        const Command& a = frame_.commands[k];
        const Command& b = previous_.commands[k];
        if (a.op != b.op || a.pieceCount != b.pieceCount) return k;
        for (int q = 0; q < a.pieceCount; ++q)
            if (frame_.pieces[static_cast<size_t>(a.firstPiece + q)].key !=
                previous_.pieces[static_cast<size_t>(b.firstPiece + q)].key)
                return k;
    }
    return n;
}

void DamageDevice::prepareCache() {
    usableCache_ = 0;
    ++sinceCacheBuilt_;
    if (cacheMatches()) {
        usableCache_ = cacheCommands_;
        return;
    }
    cacheValid_ = false;
    const size_t prefix = commonPrefix();
    if (prefix < 2 || sinceCacheBuilt_ < kCacheRebuildFrames || !inner_->drawToCache(true)) return;
    innerStateKnown_ = false;
    replay(kWholeScreen, prefix, 0);
    inner_->drawToCache(false);
    innerStateKnown_ = false;
    cacheValid_ = true;
    cacheCommands_ = prefix;
    cachePieces_.clear();
    cacheKeys_.clear();
    for (size_t k = 0; k < prefix; ++k) {
        const Command& c = frame_.commands[k];
        cachePieces_.push_back(c.pieceCount);
        for (int q = 0; q < c.pieceCount; ++q) cacheKeys_.push_back(frame_.pieces[static_cast<size_t>(c.firstPiece + q)].key);
    }
    sinceCacheBuilt_ = 0;
    usableCache_ = prefix;
}

void DamageDevice::replay(const ScreenRect& r, size_t end, size_t cached) {
    const bool whole = r.x0 == 0 && r.y0 == 0 && r.x1 == kScreenWidth && r.y1 == kScreenHeight;
    inner_->setScissor(r.x0, r.y0, whole ? 0 : r.x1 - r.x0, r.y1 - r.y0);
    // Everything below the last solid unturned quad covering the rectangle is
    // hidden by it and need not be drawn. Drawn larger, a quad's edge on the
    // rectangle's may pass through pixel centres the scissor gives to the
    // rectangle and the rasteriser not to the quad: it must reach a pixel past.
    ScreenRect hidden = r;
    if (inner_->renderScale() != 1.0f)
        hidden = {std::max(r.x0 - 1, 0), std::max(r.y0 - 1, 0), std::min(r.x1 + 1, kScreenWidth),
                  std::min(r.y1 + 1, kScreenHeight)};
    size_t firstCommand = 0;
    for (size_t k = end; k-- > 0 && firstCommand == 0;) {
        const Command& c = frame_.commands[k];
        if (c.op != Op::Batch || c.kind != kQuadList || !meets(c.box, r) || !(c.blend & kBlendAlpha)) continue;
        const auto t = textures_.find(c.texture);
        if (c.texture != 0 && (t == textures_.end() || !t->second.opaque)) continue;
        for (int q = c.pieceCount; q-- > 0;) {
            const Vertex* v = &frame_.vertices[static_cast<size_t>(c.firstVertex + q * 4)];
            if (fullAlpha(v) && contains(coverOf(v), hidden)) {
                firstCommand = k;
                break;
            }
        }
    }
    if (cached > firstCommand) {
        // The layers below are the same as in the cache picture.
        inner_->copyFromCache(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
        firstCommand = cached;
    }
    for (size_t k = firstCommand; k < end; ++k) {
        const Command& c = frame_.commands[k];
        if (!meets(c.box, r)) continue;
        switch (c.op) {
        case Op::Clear:
            inner_->clear(c.colour);
            break;
        case Op::Batch:
            if (c.kind == kQuadList) {
                drawQuads(c, r);
            } else {
                applyState(c.texture, c.blend);
                inner_->drawBatch(c.kind, &frame_.vertices[static_cast<size_t>(c.firstVertex)],
                                  c.vertexCount / perPrimitive(c.kind));
            }
            break;
        case Op::Mesh: {
            applyState(c.texture, c.blend);
            if (innerUpload_ != c.upload) {
                const std::vector<Vertex>& up = frame_.uploads[static_cast<size_t>(c.upload)];
                if (!up.empty()) inner_->setMeshVertices(up.data(), static_cast<int>(up.size()));
                innerUpload_ = c.upload;
            }
            inner_->drawMesh(c.firstIndex, c.triangles);
            break;
        }
        case Op::Line:
            inner_->drawLine(frame_.vertices[static_cast<size_t>(c.firstVertex)],
                             frame_.vertices[static_cast<size_t>(c.firstVertex) + 1]);
            innerStateKnown_ = false;
            break;
        case Op::Point:
            inner_->drawPoint(frame_.vertices[static_cast<size_t>(c.firstVertex)], c.size);
            innerStateKnown_ = false;
            break;
        }
    }
}

void DamageDevice::endScene() {
    if (!enabled_) {
        ++frames, ++presented;
        pixels += static_cast<uint64_t>(kWholeScreen.area());
        return inner_->endScene();
    }
    if (!inScene_) return;
    inScene_ = false;
    computeDamage();
    ++frames;
    if (damage_.empty()) {
        shown_ = false;
        inner_->discardScene();
    } else {
        prepareCache();
        for (const ScreenRect& r : damage_) {
            replay(r, frame_.commands.size(), usableCache_);
            pixels += static_cast<uint64_t>(r.area());
        }
        inner_->setScissor(0, 0, 0, 0);
        inner_->endScene();
        ++presented;
        shown_ = true;
        whole_ = false;
    }
    std::swap(frame_, previous_);
    previousValid_ = true;
    innerUpload_ = -1;
}

void DamageDevice::discardScene() {
    if (!enabled_) return inner_->discardScene();
    inScene_ = false;
    inner_->discardScene();
}
