// A small play field for the field tests: a square magnet in the middle of a
// walled 12 x 9 field, and a tick that runs the play state's physics order.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "frame/random.h"
#include "game/field.h"
#include "game/level.h"
#include "test_support.h"

// Mesh lists of a convex polygon (counter-clockwise) as a closed prism in z.
inline std::pair<std::string, std::string> prismLists(const std::vector<std::vector<std::pair<double, double>>>& solids) {
    std::vector<double> v;
    std::vector<int> ix;
    for (const auto& poly : solids) {
        const int base = static_cast<int>(v.size() / 3);
        const int n = static_cast<int>(poly.size());
        for (double z : {1.0, -1.0})
            for (const auto& p : poly) v.insert(v.end(), {p.first, p.second, z});
        for (int i = 1; i + 1 < n; ++i) {
            ix.insert(ix.end(), {base, base + i, base + i + 1});
            ix.insert(ix.end(), {base + n, base + n + i + 1, base + n + i});
        }
        for (int i = 0; i < n; ++i) {
            const int a = i, b = (i + 1) % n;
            ix.insert(ix.end(), {base + n + a, base + n + b, base + b});
            ix.insert(ix.end(), {base + n + a, base + b, base + a});
        }
    }
    std::string vs = std::to_string(v.size()), is = std::to_string(ix.size());
    char buf[32];
    for (double d : v) {
        std::snprintf(buf, sizeof buf, " %.4f", d);
        vs += buf;
    }
    for (int i : ix) is += " " + std::to_string(i);
    return {vs, is};
}

inline std::vector<std::pair<double, double>> box(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

inline void setTestLevel() {
    resetLevelParams();
    LevelParams& p = mutableLevelParams();
    auto magnet = prismLists({box(-0.5, -0.5, 0.5, 0.5)});
    p.MagnetVertices = magnet.first;
    p.MagnetIndices = magnet.second;
    auto walls = prismLists({box(-1, -1, 13, 0.8), box(-1, 8.6, 13, 10), box(-1, -1, 0.55, 10),
                             box(11.45, -1, 13, 10)});
    p.WallVertices = walls.first;
    p.WallIndices = walls.second;
    p.BallsVertices = "2 10.5 8";
    p.BallsIndices = "1 0";
    parseSpawnGunTable(
        "72 728 100 72 728 100 72 728 100 72 728 100 72 728 100 72 728 100 72 728 100 72 728 100 "
        "72 728 100 72 728 100 72 728 100");
}

class FieldTest : public EngineTest {
protected:
    void SetUp() override {
        field().clear();
        EngineTest::SetUp();
        vmSeed(1);
        playCounters() = PlayCounters();
        fieldHooks() = FieldHooks();
        setTestLevel();
    }
    void TearDown() override {
        field().clear();
        fieldHooks() = FieldHooks();
        playCounters() = PlayCounters();
        resetLevelParams();
        EngineTest::TearDown();
    }
    // Level start with the current parameters.
    bool build() {
        f().setupWorld();
        return f().buildLevel();
    }
    PhysicsField& f() { return field(); }
    static void tickActors() {
        mergeNewActors();
        updateActors();
        mergeNewActors();
        purgeDeadActors();
    }
    // One logic tick of the play state's field work.
    void tick() {
        f().step();
        f().constrainRotation();
        f().damp();
        f().pullToMagnet();
        f().updateActivity(1.0f / 80.0f);
        f().syncSprites();
        f().findMatches();
        f().destroyMarked();
        tickActors();
    }
};
