// A level load's settings reads: the level's section of the shipped levels
// file, key by key, as the loader reads it. "Kept" is the game's path (the
// file parsed once, then looked up); "ParsedEachRead" drops the kept copy
// before every read, which is what every read cost before files were kept.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "frame/profile.h"
#include "game/level.h"

namespace {

const std::string kLevels = std::string(VM_BENCH_DATA_DIR) + "/vm_levels.ini";

const char* const kKeys[] = {
    "Door", "Back", "Magnet", "bombchance", "ColorsMax", "BallsSpawn", "BallsSpawnMiss", "BallsSpawnRotate",
    "BallsInitialSpawn", "LevelName", "Time", "SpawnGunNo", "MagnetGravity", "GlobalGravity", "MagnetVertices",
    "MagnetIndices", "WallVertices", "WallIndices", "BallsVertices", "BallsIndices", "BallSize", "MagnetMass",
    "MaxBalls", "MaxFreeBalls", "FreeBallChance", "FreeBallType", "BonusChance", "StartFreeBall", "LvlBonus"};

// The reads of one level load: every key of its section, then the magnet of
// each level of its episode.
size_t readLevel(bool parseEachRead) {
    size_t bytes = 0;
    for (const char* key : kKeys) {
        if (parseEachRead) profileForgetCachedFiles();
        bytes += profileGetString(kLevels, "Level95-0", key, "", 32768).size();
    }
    for (int i = 1; i <= 9; ++i) {
        if (parseEachRead) profileForgetCachedFiles();
        const std::string section = "Level9" + std::to_string(i) + "-0";
        bytes += static_cast<size_t>(profileGetInt(kLevels, section.c_str(), "Magnet", 0));
    }
    return bytes;
}

void BM_LevelLoadReadsKept(benchmark::State& state) {
    readLevel(false);
    for (auto _ : state) benchmark::DoNotOptimize(readLevel(false));
    state.SetLabel("38 reads");
}
BENCHMARK(BM_LevelLoadReadsKept)->Unit(benchmark::kMicrosecond);

void BM_LevelLoadReadsParsedEachRead(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(readLevel(true));
    state.SetLabel("38 reads");
}
BENCHMARK(BM_LevelLoadReadsParsedEachRead)->Unit(benchmark::kMicrosecond);

// The whole level load through the game's loader, files selected and all.
void BM_LoadLevel(benchmark::State& state) {
    setLevelsFile(kLevels);
    for (auto _ : state) benchmark::DoNotOptimize(loadLevel(95, 0));
    setLevelsFile("");
}
BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMicrosecond);

}  // namespace
