// The field's pair search: which geometries are worth a narrow test. It gives
// the same pairs in the same order, with the same argument order, as ODE's
// plain all-pairs space walk, so the solver sees the same contacts in the
// same sequence and the game plays exactly as before; it only gets there
// with a grid instead of testing every pair.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "game/level.h"
#include "game/physics_ids.h"

// Where a triangle mesh has anything at all, in its own frame: a grid over
// the mesh's extent counting the triangles' boxes in each cell, summed so
// that any rectangle is asked with four reads.
class MeshReach {
public:
    // An empty mesh or one with unusable coordinates answers "maybe" everywhere.
    void build(const Mesh& mesh);
    // False only when no triangle's box comes within r of (x, y) in the
    // mesh's frame (z is not looked at, so the answer errs towards "maybe").
    bool near(double x, double y, double r) const;

private:
    bool everywhere_ = true;
    double x0_ = 0, y0_ = 0, cell_ = 1, margin_ = 0;
    int nx_ = 0, ny_ = 0;
    std::vector<int32_t> sums_;  // (nx + 1) x (ny + 1) running totals
};

// False when the sphere cannot touch the mesh geometry (position and
// rotation of both as the next narrow test would see them).
bool sphereMayTouchMesh(dGeomID sphere, dGeomID mesh, const MeshReach& reach);

class PairFinder {
public:
    struct Pair {
        dGeomID g1, g2;
        void *data1, *data2;  // the geometries' user data when found
    };
    // Every pair of enabled geometries of the space whose boxes overlap, in
    // the order and argument order dSpaceCollide on a simple space calls its
    // callback. Cleans the space first, as that call does.
    const std::vector<Pair>& find(dSpaceID space);

private:
    struct Entry {
        double box[6];  // dReal: ODE is built in double precision
        dGeomID geom;
        dBodyID body;
        unsigned long category, collide;
    };
    // Where the spheres' centres lie and how wide the widest box is.
    struct Extent {
        double span = 0, cx0 = HUGE_VAL, cy0 = HUGE_VAL, cx1 = -HUGE_VAL, cy1 = -HUGE_VAL;
    };
    // Reads the space's enabled geometries into entries_, spheres into
    // small_ and the rest into big_.
    Extent gather(dSpaceID space);
    // Tests the spheres against their neighbours on a grid of cells.
    void testNeighbours(const Extent& ext);
    void test(int a, int b);
    std::vector<Entry> entries_;
    std::vector<int> small_, big_, cellOf_, cellStart_, cellItems_, fill_;
    std::vector<uint64_t> keys_;
    std::vector<Pair> pairs_;
};
