#include "game/field_broadphase.h"

#include <ode/ode.h>

#include <algorithm>
#include <cmath>
#include <type_traits>

// The boxes are read straight into the entries.
static_assert(std::is_same_v<dReal, double>, "ODE is built in double precision");

namespace {

// Cells per side of a mesh's grid: fine enough that a ball beside a wall is
// told apart from one touching it, small enough to build at level start.
constexpr int kReachCells = 128;
// At most this many cells in the pair grid; a stray ball far away makes the
// cells larger instead of the grid.
constexpr int kMaxPairCells = 4096;

int cellIndex(double v, double origin, double cell, int n) {
    const double c = std::floor((v - origin) / cell);
    if (!(c >= 0)) return 0;  // also NaN
    return c >= n - 1 ? n - 1 : static_cast<int>(c);
}

}  // namespace

// ---------------------------------------------------------------- mesh reach

void MeshReach::build(const Mesh& mesh) {
    everywhere_ = true;
    sums_.clear();
    nx_ = ny_ = 0;
    const size_t tris = mesh.indices.size() / 3;
    if (tris == 0) return;
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (uint32_t index : mesh.indices) {
        if (static_cast<size_t>(index) * 3 + 2 >= mesh.vertices.size()) return;
        const double x = mesh.vertices[index * 3], y = mesh.vertices[index * 3 + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    // The narrow test works on the same single-precision corners in double;
    // the margin covers its rounding many times over.
    margin_ = 1e-3 + 1e-6 * std::max({std::fabs(minX), std::fabs(maxX), std::fabs(minY), std::fabs(maxY)});
    x0_ = minX - margin_;
    y0_ = minY - margin_;
    cell_ = std::max(maxX - minX, maxY - minY) / (kReachCells - 2) + margin_;
    nx_ = std::min(kReachCells, static_cast<int>((maxX + margin_ - x0_) / cell_) + 1);
    ny_ = std::min(kReachCells, static_cast<int>((maxY + margin_ - y0_) / cell_) + 1);
    const int w = nx_ + 1;
    // Coverage through a difference table, then occupancy summed.
    std::vector<int32_t> cover(static_cast<size_t>(w) * static_cast<size_t>(ny_ + 1), 0);
    auto at = [&](std::vector<int32_t>& t, int i, int j) -> int32_t& { return t[static_cast<size_t>(j) * w + i]; };
    for (size_t t = 0; t < tris; ++t) {
        double tx0 = HUGE_VAL, ty0 = HUGE_VAL, tx1 = -HUGE_VAL, ty1 = -HUGE_VAL;
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = mesh.indices[t * 3 + k];
            const double x = mesh.vertices[v * 3], y = mesh.vertices[v * 3 + 1];
            tx0 = std::min(tx0, x);
            tx1 = std::max(tx1, x);
            ty0 = std::min(ty0, y);
            ty1 = std::max(ty1, y);
        }
        const int i0 = cellIndex(tx0 - margin_, x0_, cell_, nx_), i1 = cellIndex(tx1 + margin_, x0_, cell_, nx_);
        const int j0 = cellIndex(ty0 - margin_, y0_, cell_, ny_), j1 = cellIndex(ty1 + margin_, y0_, cell_, ny_);
        ++at(cover, i0, j0);
        --at(cover, i1 + 1, j0);
        --at(cover, i0, j1 + 1);
        ++at(cover, i1 + 1, j1 + 1);
    }
    for (int j = 0; j < ny_; ++j)
        for (int i = 0; i < nx_; ++i)
            at(cover, i, j) += (i > 0 ? at(cover, i - 1, j) : 0) + (j > 0 ? at(cover, i, j - 1) : 0) -
                               (i > 0 && j > 0 ? at(cover, i - 1, j - 1) : 0);
    sums_.assign(static_cast<size_t>(w) * static_cast<size_t>(ny_ + 1), 0);
    for (int j = 0; j < ny_; ++j)
        for (int i = 0; i < nx_; ++i)
            at(sums_, i + 1, j + 1) = (at(cover, i, j) > 0 ? 1 : 0) + at(sums_, i, j + 1) + at(sums_, i + 1, j) -
                                      at(sums_, i, j);
    everywhere_ = false;
}

bool MeshReach::near(double x, double y, double r) const {
    if (everywhere_) return true;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r)) return true;
    const double reach = r + margin_;
    if (x + reach < x0_ || y + reach < y0_ || x - reach > x0_ + nx_ * cell_ || y - reach > y0_ + ny_ * cell_)
        return false;
    const int i0 = cellIndex(x - reach, x0_, cell_, nx_), i1 = cellIndex(x + reach, x0_, cell_, nx_) + 1;
    const int j0 = cellIndex(y - reach, y0_, cell_, ny_), j1 = cellIndex(y + reach, y0_, cell_, ny_) + 1;
    const size_t w = static_cast<size_t>(nx_) + 1;
    const int32_t n = sums_[j1 * w + i1] - sums_[j0 * w + i1] - sums_[j1 * w + i0] + sums_[j0 * w + i0];
    return n > 0;
}

bool sphereMayTouchMesh(dGeomID sphere, dGeomID mesh, const MeshReach& reach) {
    const dReal* p = dGeomGetPosition(sphere);
    const dReal* m = dGeomGetPosition(mesh);
    const dReal* R = dGeomGetRotation(mesh);
    const dReal dx = p[0] - m[0], dy = p[1] - m[1], dz = p[2] - m[2];
    // Into the mesh's frame: the transpose of its rotation.
    const double lx = R[0] * dx + R[4] * dy + R[8] * dz;
    const double ly = R[1] * dx + R[5] * dy + R[9] * dz;
    return reach.near(lx, ly, dGeomSphereGetRadius(sphere));
}

// ---------------------------------------------------------------- pairs

void PairFinder::test(int a, int b) {
    // a comes first in the space's list; the rest is the plain walk's own test.
    const Entry& g1 = entries_[static_cast<size_t>(a)];
    const Entry& g2 = entries_[static_cast<size_t>(b)];
    if (g1.body == g2.body && g1.body) return;
    if (((g1.category & g2.collide) || (g2.category & g1.collide)) == 0) return;
    const dReal* b1 = g1.box;
    const dReal* b2 = g2.box;
    if (b1[0] > b2[1] || b1[1] < b2[0] || b1[2] > b2[3] || b1[3] < b2[2] || b1[4] > b2[5] || b1[5] < b2[4]) return;
    keys_.push_back(static_cast<uint64_t>(a) << 32 | static_cast<uint32_t>(b));
}

PairFinder::Extent PairFinder::gather(dSpaceID space) {
    small_.clear();
    big_.clear();
    const int n = dSpaceGetNumGeoms(space);
    entries_.resize(static_cast<size_t>(std::max(n, 0)));
    Extent ext;
    double& span = ext.span;
    double &cx0 = ext.cx0, &cy0 = ext.cy0, &cx1 = ext.cx1, &cy1 = ext.cy1;
    for (int i = 0; i < n; ++i) {
        Entry& e = entries_[static_cast<size_t>(i)];
        e.geom = dSpaceGetGeom(space, i);  // in list order: each call steps on from the last
        if (!dGeomIsEnabled(e.geom)) continue;
        dGeomGetAABB(e.geom, e.box);
        e.body = dGeomGetBody(e.geom);
        e.category = dGeomGetCategoryBits(e.geom);
        e.collide = dGeomGetCollideBits(e.geom);
        bool finite = true;
        for (dReal v : e.box) finite = finite && std::isfinite(v);
        if (dGeomGetClass(e.geom) != dSphereClass || !finite) {
            big_.push_back(i);  // meshes, and anything the grid cannot place
            continue;
        }
        small_.push_back(i);
        span = std::max({span, e.box[1] - e.box[0], e.box[3] - e.box[2]});
        const double cx = (e.box[0] + e.box[1]) / 2, cy = (e.box[2] + e.box[3]) / 2;
        cx0 = std::min(cx0, cx);
        cx1 = std::max(cx1, cx);
        cy0 = std::min(cy0, cy);
        cy1 = std::max(cy1, cy);
    }
    return ext;
}

void PairFinder::testNeighbours(const Extent& ext) {
    const double span = ext.span, cx0 = ext.cx0, cy0 = ext.cy0, cx1 = ext.cx1, cy1 = ext.cy1;
    // Two boxes no wider than a cell overlap only if their centres lie in
    // neighbouring cells; the slack keeps rounding from splitting a pair.
    double cell = std::max(span * 1.01, 1e-9);
    cell = std::max({cell, (cx1 - cx0) / 63.0, (cy1 - cy0) / 63.0});
    const int nx = std::min(64, static_cast<int>((cx1 - cx0) / cell) + 1);
    const int ny = std::min(kMaxPairCells / 64, static_cast<int>((cy1 - cy0) / cell) + 1);
    cellOf_.resize(small_.size());
    cellStart_.assign(static_cast<size_t>(nx * ny) + 1, 0);
    for (size_t k = 0; k < small_.size(); ++k) {
        const Entry& e = entries_[static_cast<size_t>(small_[k])];
        const int c = cellIndex((e.box[1] + e.box[0]) / 2, cx0, cell, nx) +
                      nx * cellIndex((e.box[3] + e.box[2]) / 2, cy0, cell, ny);
        cellOf_[k] = c;
        ++cellStart_[static_cast<size_t>(c) + 1];
    }
    for (size_t c = 1; c < cellStart_.size(); ++c) cellStart_[c] += cellStart_[c - 1];
    cellItems_.resize(small_.size());
    fill_.assign(cellStart_.begin(), cellStart_.end() - 1);
    for (size_t k = 0; k < small_.size(); ++k)
        cellItems_[static_cast<size_t>(fill_[static_cast<size_t>(cellOf_[k])]++)] = small_[k];
    for (size_t k = 0; k < small_.size(); ++k) {
        const int a = small_[k];
        const int ci = cellOf_[k] % nx, cj = cellOf_[k] / nx;
        for (int j = std::max(cj - 1, 0); j <= std::min(cj + 1, ny - 1); ++j)
            for (int i = std::max(ci - 1, 0); i <= std::min(ci + 1, nx - 1); ++i) {
                const int c = j * nx + i;
                for (int s = cellStart_[static_cast<size_t>(c)]; s < cellStart_[static_cast<size_t>(c) + 1]; ++s) {
                    const int b = cellItems_[static_cast<size_t>(s)];
                    if (b > a) test(a, b);
                }
            }
    }
}

const std::vector<PairFinder::Pair>& PairFinder::find(dSpaceID space) {
    pairs_.clear();
    keys_.clear();
    dSpaceClean(space);
    const Extent ext = gather(space);
    if (!small_.empty()) testNeighbours(ext);
    // Large geometries against everything.
    for (size_t k = 0; k < big_.size(); ++k) {
        const int a = big_[k];
        for (int b : small_) test(std::min(a, b), std::max(a, b));
        for (size_t l = k + 1; l < big_.size(); ++l) test(std::min(a, big_[l]), std::max(a, big_[l]));
    }

    std::sort(keys_.begin(), keys_.end());
    pairs_.reserve(keys_.size());
    for (uint64_t key : keys_) {
        const dGeomID g1 = entries_[static_cast<size_t>(key >> 32)].geom;
        const dGeomID g2 = entries_[static_cast<size_t>(key & 0xffffffffu)].geom;
        pairs_.push_back({g1, g2, dGeomGetData(g1), dGeomGetData(g2)});
    }
    return pairs_;
}
