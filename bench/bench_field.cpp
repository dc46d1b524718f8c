// One logic tick of the play field (physics, forces, sprites, deletion and
// the match search) with a given number of balls settled around the magnet.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "frame/random.h"
#include "game/field.h"
#include "game/game.h"
#include "game/level.h"
#include "mesh_support.h"
#include "scene/actor.h"

namespace {

void tick() {
    GS_Physics::fieldStep(BonusScoring{});
    mergeNewActors();
    updateActors();
    mergeNewActors();
    purgeDeadActors();
}

void runField(benchmark::State& state, int balls, int iterations) {
    vmSeed(7);
    resetLevelParams();
    LevelParams& p = mutableLevelParams();
    p.ColorsMax = 8;
    std::tie(p.MagnetVertices, p.MagnetIndices) = cogLists();
    std::tie(p.WallVertices, p.WallIndices) = fieldWallLists();
    // Hexagonal cells of the walled area, nearest to the magnet first;
    // colours in pairs so groups form but rarely reach three.
    p.BallSize = 60;
    const double r = level::ballRadius(), step = 2 * r * 1.02;
    std::vector<std::pair<double, double>> cells;
    for (int j = 0; j * step * 0.866 < 7.6; ++j)
        for (int i = 0; i * step < 10.7; ++i) {
            const double x = 0.6 + r + i * step + (j % 2) * step / 2, y = 0.85 + r + j * step * 0.866;
            if (x > 11.4 - r || y > 8.55 - r || std::hypot(x - 6, y - 4.035) < 1.2 + r) continue;
            cells.emplace_back(x, y);
        }
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) {
        return std::hypot(a.first - 6, a.second - 4.035) < std::hypot(b.first - 6, b.second - 4.035);
    });
    std::string verts = std::to_string(balls * 2), colours = std::to_string(balls);
    for (int k = 0; k < balls && k < static_cast<int>(cells.size()); ++k) {
        verts += " " + std::to_string(cells[static_cast<size_t>(k)].first) + " " +
                 std::to_string(cells[static_cast<size_t>(k)].second);
        colours += " " + std::to_string((k / 2) % 8);
    }
    p.BallsVertices = verts;
    p.BallsIndices = colours;

    PhysicsField& f = field();
    const int oldIterations = f.iterations;
    f.iterations = iterations;
    f.setupWorld();
    if (!f.buildLevel()) {
        state.SkipWithError("level did not build");
        return;
    }
    for (int i = 0; i < 400; ++i) tick();  // let the pack settle
    for (auto _ : state) tick();
    state.counters["balls"] = f.countBalls();
    f.clear();
    f.iterations = oldIterations;
    destroyAllActors();
}

void BM_FieldTick(benchmark::State& state) {
    runField(state, static_cast<int>(state.range(0)), field().iterations);
}

// The cost of the solver's iteration count (the field's default against the
// three of the original tuning).
void BM_FieldTickIterations(benchmark::State& state) {
    runField(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

}  // namespace

BENCHMARK(BM_FieldTick)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldTickIterations)->Args({100, 3})->Args({100, 10})->Unit(benchmark::kMicrosecond);
