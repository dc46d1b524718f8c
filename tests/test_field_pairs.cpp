// The field's pair search against ODE's own all-pairs walk, the mesh reach
// that skips balls far from the walls and the magnet, and the plane the
// balls keep without plane joints.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "field_support.h"
#include "frame/random.h"
#include "game/field_broadphase.h"

namespace {

struct Walk {
    std::vector<std::pair<dGeomID, dGeomID>> pairs;
    static void record(void* data, dGeomID a, dGeomID b) { static_cast<Walk*>(data)->pairs.emplace_back(a, b); }
};

std::vector<std::pair<dGeomID, dGeomID>> plainWalk(dSpaceID space) {
    Walk w;
    dSpaceCollide(space, &w, &Walk::record);
    return w.pairs;
}

std::vector<std::pair<dGeomID, dGeomID>> gridWalk(PairFinder& finder, dSpaceID space) {
    std::vector<std::pair<dGeomID, dGeomID>> out;
    for (const PairFinder::Pair& p : finder.find(space)) {
        out.emplace_back(p.g1, p.g2);
        EXPECT_EQ(p.data1, dGeomGetData(p.g1));
        EXPECT_EQ(p.data2, dGeomGetData(p.g2));
    }
    return out;
}

double uniform(double lo, double hi) { return lo + (hi - lo) * (vmRand() % 100001) / 100000.0; }

// The field's cog-shaped magnet and its walls as meshes.
Mesh meshOf(const std::pair<std::string, std::string>& lists) {
    Mesh m;
    EXPECT_TRUE(parseMesh(lists.first, lists.second, m));
    return m;
}

Mesh cogMesh() { return meshOf(cogLists()); }

Mesh wallMesh() { return meshOf(fieldWallLists()); }

dGeomID meshGeom(dSpaceID space, Mesh& mesh, dTriMeshDataID& data) {
    data = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(data, mesh.vertices.data(), 3 * sizeof(float), mesh.vertexCount(), mesh.indices.data(),
                                static_cast<int>(mesh.indices.size()), 3 * sizeof(dTriIndex));
    return dCreateTriMesh(space, data, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(FieldPairs, SamePairsInTheSameOrderAsThePlainWalk) {
    (void)field();  // ODE is set up with the field
    vmSeed(11);
    dSpaceID space = dSimpleSpaceCreate(nullptr);
    Mesh walls = wallMesh();
    dTriMeshDataID wallData = nullptr;
    meshGeom(space, walls, wallData);
    std::vector<dGeomID> spheres;
    for (int i = 0; i < 120; ++i) {
        dGeomID g = dCreateSphere(space, uniform(0.2, 0.45));
        dGeomSetPosition(g, uniform(0.5, 11.5), uniform(0.5, 8.5), 0);
        dGeomSetData(g, reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)));
        spheres.push_back(g);
    }
    // Boxes exactly touching count as overlapping.
    dGeomSetPosition(spheres[0], 3.0, 3.0, 0);
    dGeomSphereSetRadius(spheres[0], 0.5);
    dGeomSetPosition(spheres[1], 4.0, 3.0, 0);
    dGeomSphereSetRadius(spheres[1], 0.5);
    // One far away stretches the grid; one off the plane overlaps nothing.
    dGeomSetPosition(spheres[2], 4000.0, -900.0, 0);
    dGeomSetPosition(spheres[3], 6.0, 4.0, 5.0);
    // Disabled, and filtered by category, on the walk's own rules.
    dGeomDisable(spheres[4]);
    dGeomSetCategoryBits(spheres[5], 2);
    dGeomSetCollideBits(spheres[5], 2);
    dGeomSetCategoryBits(spheres[6], 2);
    dGeomSetCollideBits(spheres[6], 2);
    dGeomSetPosition(spheres[6], uniform(0.5, 11.5), uniform(0.5, 8.5), 0);
    dGeomSetPosition(spheres[5], dGeomGetPosition(spheres[6])[0] + 0.1, dGeomGetPosition(spheres[6])[1], 0);
    // Two spheres on one body never pair.
    dWorldID world = dWorldCreate();
    dBodyID body = dBodyCreate(world);
    dGeomSetBody(spheres[7], body);
    dGeomSetBody(spheres[8], body);
    dBodySetPosition(body, 7.0, 7.0, 0);

    PairFinder finder;
    size_t total = 0;
    for (int round = 0; round < 6; ++round) {
        const auto plain = plainWalk(space);
        const auto grid = gridWalk(finder, space);
        ASSERT_EQ(grid, plain) << "round " << round;
        total += plain.size();
        // Moving some marks them dirty and changes the list's order.
        for (int k = 0; k < 30; ++k) {
            dGeomID g = spheres[static_cast<size_t>(9 + vmRand() % 100)];
            const dReal* p = dGeomGetPosition(g);
            dGeomSetPosition(g, p[0] + uniform(-0.3, 0.3), p[1] + uniform(-0.3, 0.3), 0);
        }
    }
    EXPECT_GT(total, 6u * 120u);  // the walls alone meet every sphere in the plane
    dSpaceDestroy(space);
    dGeomTriMeshDataDestroy(wallData);
    dWorldDestroy(world);
}

TEST(FieldPairs, MeshReachNeverSkipsATouchAndSkipsMostMisses) {
    (void)field();
    vmSeed(5);
    dSpaceID space = dSimpleSpaceCreate(nullptr);
    Mesh cog = cogMesh(), walls = wallMesh();
    dTriMeshDataID cogData = nullptr, wallData = nullptr;
    dGeomID cogGeom = meshGeom(space, cog, cogData), wallGeom = meshGeom(space, walls, wallData);
    dGeomTriMeshEnableTC(cogGeom, dSphereClass, 0);
    dGeomTriMeshEnableTC(wallGeom, dSphereClass, 0);
    MeshReach cogReach, wallReach;
    cogReach.build(cog);
    wallReach.build(walls);
    dGeomID ball = dCreateSphere(space, 0.38);
    int touches = 0, misses = 0, skipped = 0;
    for (int i = 0; i < 4000; ++i) {
        dMatrix3 R;
        dRFromAxisAndAngle(R, 0, 0, 1, uniform(0, 6.3));
        dGeomSetRotation(cogGeom, R);
        dGeomSetPosition(cogGeom, 6.0, 4.0, 0);
        // Mostly around the magnet and along the walls, where it is close.
        const double x = i % 2 ? uniform(4.2, 7.8) : uniform(-0.5, 12.5);
        const double y = i % 2 ? uniform(2.2, 5.8) : uniform(-0.5, 9.5);
        dGeomSetPosition(ball, x, y, 0);
        dGeomSphereSetRadius(ball, uniform(0.2, 0.6));
        for (auto [geom, reach] : {std::pair{cogGeom, &cogReach}, std::pair{wallGeom, &wallReach}}) {
            dContactGeom c[4];
            const int n = dCollide(ball, geom, 4, c, sizeof(dContactGeom));
            const bool near = sphereMayTouchMesh(ball, geom, *reach);
            if (n > 0) {
                ++touches;
                ASSERT_TRUE(near) << "touching sphere at " << x << ", " << y << " skipped";
            } else {
                ++misses;
                skipped += near ? 0 : 1;
            }
        }
    }
    EXPECT_GT(touches, 500);
    EXPECT_GT(skipped, misses / 2);
    // Out of the mesh's extent altogether.
    EXPECT_FALSE(wallReach.near(100.0, 4.0, 0.4));
    EXPECT_FALSE(cogReach.near(3.0, 0.0, 0.4));
    EXPECT_TRUE(cogReach.near(1.4, 0.0, 0.4));
    dSpaceDestroy(space);
    dGeomTriMeshDataDestroy(cogData);
    dGeomTriMeshDataDestroy(wallData);
}

TEST(FieldPairs, UnusableMeshesAreNearEverywhere) {
    MeshReach reach;
    EXPECT_TRUE(reach.near(50.0, 50.0, 0.1));  // never built
    Mesh broken;
    broken.vertices = {0, 0, 0, 1, 0, 0, NAN, 1, 0};
    broken.indices = {0, 1, 2};
    reach.build(broken);
    EXPECT_TRUE(reach.near(50.0, 50.0, 0.1));
    broken.vertices[6] = 0;
    broken.indices = {0, 1, 7};
    reach.build(broken);
    EXPECT_TRUE(reach.near(50.0, 50.0, 0.1));
    broken.indices = {0, 1, 2};
    reach.build(broken);
    EXPECT_FALSE(reach.near(50.0, 50.0, 0.1));
    EXPECT_TRUE(reach.near(0.5, 0.5, 0.1));
    EXPECT_TRUE(reach.near(NAN, 0.5, 0.1));
}

TEST_F(FieldTest, BallsTouchTheWallsOnlyWhenThere) {
    mutableLevelParams().MagnetGravity = 0;
    mutableLevelParams().BallsVertices = "2 6 7";  // open field
    ASSERT_TRUE(build());
    f().step();
    EXPECT_EQ(f().contactsLastStep, 0);
    // Resting on the bottom wall (its top at 0.8) and against the left one.
    FieldObject& low = *f().createBall(1, 3.0f, 0.8f + level::ballRadius() - 0.01f, 0, 0);
    FieldObject& side = *f().createBall(2, 0.55f + level::ballRadius() - 0.01f, 5.0f, 0, 0);
    f().step();
    EXPECT_GE(f().contactsLastStep, 2);  // each ball against its wall, pushed out
    EXPECT_GT(low.y(), 0.8 + level::ballRadius() - 0.01);
    EXPECT_GT(side.x(), 0.55 + level::ballRadius() - 0.01);
}
