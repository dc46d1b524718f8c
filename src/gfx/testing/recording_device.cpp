#include "gfx/testing/recording_device.h"

DeviceError RecordingDevice::create() { return failCreate; }

void RecordingDevice::release() { releaseMesh(); }

bool RecordingDevice::reset() {
    ++resets;
    status_ = DeviceStatus::Ready;
    return true;
}

bool RecordingDevice::clear(uint32_t argb) {
    if (failClear) return false;
    clears.push_back(argb);
    return true;
}

bool RecordingDevice::beginScene() {
    ++scenesBegun;
    return true;
}

void RecordingDevice::endScene() { ++scenesEnded; }

uint32_t RecordingDevice::createTexture(int, int, const uint32_t*) {
    ++texturesLive;
    ++uploads;
    return nextTexture_++;
}

void RecordingDevice::updateTexture(uint32_t, int, int, const uint32_t*) { ++uploads; }

void RecordingDevice::destroyTexture(uint32_t) { --texturesLive; }

void RecordingDevice::drawBatch(int kind, const Vertex* vertices, int count) {
    Draw d;
    d.call = Call::Batch;
    d.kind = kind;
    d.count = count;
    d.texture = texture_;
    d.blendFlags = blend_;
    if (recordVertices) {
        const int perPrimitive = kind == kQuadList ? 4 : kind == kLineList ? 2 : 3;
        d.vertices.assign(vertices, vertices + count * perPrimitive);
    }
    draws.push_back(std::move(d));
}

bool RecordingDevice::createMesh(int maxVertices, int) {
    meshCapacity_ = maxVertices;
    mesh_.clear();
    return true;
}

bool RecordingDevice::fillMeshIndices(const uint16_t* indices, int count) {
    if (!hasMesh()) return false;
    meshIndices.assign(indices, indices + count);
    return true;
}

void RecordingDevice::setMeshVertices(const Vertex* vertices, int count) {
    mesh_.assign(vertices, vertices + count);
}

void RecordingDevice::drawMesh(int firstIndex, int triangleCount) {
    Draw d;
    d.call = Call::Mesh;
    d.kind = kTriangleList;
    d.count = triangleCount;
    d.firstIndex = firstIndex;
    d.texture = texture_;
    d.blendFlags = blend_;
    if (recordVertices) {
        // Each particle is 6 indices over 4 vertices, so the run's vertices
        // start at firstIndex / 6 * 4.
        const size_t first = static_cast<size_t>(firstIndex / 6 * 4);
        const size_t n = static_cast<size_t>(triangleCount / 2 * 4);
        if (first + n <= mesh_.size())
            d.vertices.assign(mesh_.begin() + static_cast<long>(first),
                              mesh_.begin() + static_cast<long>(first + n));
    }
    draws.push_back(std::move(d));
}

void RecordingDevice::releaseMesh() {
    meshCapacity_ = 0;
    mesh_.clear();
}

void RecordingDevice::drawLine(const Vertex& a, const Vertex& b) {
    Draw d;
    d.call = Call::Line;
    d.count = 1;
    d.vertices = {a, b};
    draws.push_back(std::move(d));
}

void RecordingDevice::drawPoint(const Vertex& p, float) {
    Draw d;
    d.call = Call::Point;
    d.count = 1;
    d.vertices = {p};
    draws.push_back(std::move(d));
}
