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
#include "mesh_support.h"
#include "test_support.h"

inline void setTestLevel() {
    resetLevelParams();
    LevelParams& p = mutableLevelParams();
    auto magnet = prismLists({box(-0.5, -0.5, 0.5, 0.5)});
    p.MagnetVertices = magnet.first;
    p.MagnetIndices = magnet.second;
    auto walls = fieldWallLists();
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
