// A whole play tick of the real game on the shipped campaign: the game actor
// with its play state (field, bonuses, gun, crystals), the HUD and the
// particles, as the frame step runs them. Pictures are sized stubs and
// sounds go nowhere, so only the logic is measured.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/clock.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "game/bonuses.h"
#include "game/field.h"
#include "game/game.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/hud.h"
#include "game/level.h"
#include "game_stubs.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"
#include "players/players.h"
#include "scene/actor.h"
#include "scene/engine.h"
#include "scene/input.h"

namespace {

class PlayBench {
public:
    PlayBench() {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path().string() + "/vm_bench_play_" + std::to_string(::getpid()) + "/";
        fs::create_directories(dir);
        oldCwd = fs::current_path();
        fs::current_path(VM_BENCH_DATA_DIR);
        platform::install(std::make_unique<platform::HeadlessPlatform>());
        resetSettingsForTests();
        resetPlayersForTests();
        setDataFolderForTests(dir);
        ok = selectIniFile("vm_game.ini", true) && loadStartup();
        setGamePackLoader(gametest::gamePackStub);
        setHudPackLoader(gametest::hudPackStub);
        setGameSoundSpy([](const std::string&) {});
        connectSceneToFrame();  // the frame's tick runs the scene's actors
        setTickRate(80);
    }
    ~PlayBench() {
        Game::release();
        destroyAllActors();
        field().clear();
        setGameSoundSpy(nullptr);
        setHudPackLoader(nullptr);
        setGamePackLoader(nullptr);
        resetPlayersForTests();
        resetSettingsForTests();
        resetLevelParams();
        setTickRate(0);
        platform::uninstall();
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
    }

    // One frame step that runs a logic tick.
    void tick() {
        static_cast<platform::HeadlessPlatform&>(platform::current()).advance(13);
        frameTick();
        purgeDeadActors();
    }

    // Level 1-1 in play, its own balls replaced by `balls` balls in rings
    // around the magnet, colours in pairs so few groups explode, settled.
    Game* play(int balls, int ballSize) {
        vmSeed(7);
        setGameSession(1);
        setUserProgress(11);
        Game& g = Game::instance();
        g.startGame();
        for (int i = 0; i < 600 && g.current != &g.physics; ++i) tick();
        if (g.current != &g.physics) return nullptr;
        LevelParams& p = mutableLevelParams();
        p.MaxBalls = 1000;
        p.Time = 0;
        p.StartFreeBall = 0;
        p.ColorsMax = 8;
        p.BallSize = ballSize;
        PhysicsField& f = field();
        for (auto& [id, o] : f.objects)
            if (o->isBall()) o->kind = kKindMarked;
        f.destroyMarked();
        const double r = level::ballRadius(), cx = f.magnet->x(), cy = f.magnet->y();
        int made = 0;
        for (int ring = 0; made < balls && ring < 40; ++ring) {
            const double d = 1.3 + r + ring * 2.05 * r;
            const int n = static_cast<int>(2 * M_PI * d / (2.05 * r));
            for (int k = 0; k < n && made < balls; ++k, ++made) {
                const double a = 2 * M_PI * k / n;
                f.createBall((made / 2) % 8, static_cast<float>(cx + d * std::cos(a)),
                             static_cast<float>(cy + d * std::sin(a)), 0, 0);
            }
        }
        for (int i = 0; i < 300; ++i) {
            moveMouse(i);
            tick();
        }
        return &g;
    }

    // A player who keeps the mouse moving never goes idle.
    static void moveMouse(int i) {
        mousePosition.x = 300 + i % 2;
        mousePosition.y = 300;
        Game::instance().onZoneEvent(ZE_Move, 0);
    }

    bool ok = false;
    std::string dir;
    std::filesystem::path oldCwd;
};

void BM_PlayTick(benchmark::State& state) {
    PlayBench bench;
    Game* g = bench.ok ? bench.play(static_cast<int>(state.range(0)), 60) : nullptr;
    if (!g) {
        state.SkipWithError("the level did not start");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        PlayBench::moveMouse(++i);
        bench.tick();
    }
    state.counters["balls"] = field().countBalls();
}

// The same while a bomb in the middle of the pack blows up its neighbours:
// each iteration settles a fresh pack (not timed) and times the ticks until
// the last delayed explosion has gone.
void BM_PlayTickBomb(benchmark::State& state) {
    PlayBench bench;
    if (!bench.ok) {
        state.SkipWithError("no game data");
        return;
    }
    constexpr int kTicks = 60;
    int exploded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Game::release();
        destroyAllActors();
        field().clear();
        Game* g = bench.play(100, 100);
        if (!g) {
            state.SkipWithError("the level did not start");
            return;
        }
        mutableLevelParams().LvlBonus = kBonusBomb;
        PhysicsField& f = field();
        // The bonus takes the place of the ball nearest the magnet's lower edge.
        FieldObject* nearest = nullptr;
        for (auto& [id, o] : f.objects)
            if (o->isBall() && (!nearest || std::hypot(o->x() - f.magnet->x(), o->y() - f.magnet->y() - 2) <
                                                std::hypot(nearest->x() - f.magnet->x(), nearest->y() - f.magnet->y() - 2)))
                nearest = o.get();
        nearest->type = kBonusBall;
        nearest->bonusTriggered = 1;
        const int before = f.countBalls();
        state.ResumeTiming();
        for (int i = 0; i < kTicks; ++i) {
            PlayBench::moveMouse(i);
            bench.tick();
        }
        state.PauseTiming();
        exploded = before - f.countBalls();
        state.ResumeTiming();
    }
    state.counters["exploded"] = exploded;
    state.counters["per_tick"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTicks,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_PlayTick)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlayTickBomb)->Iterations(6)->Unit(benchmark::kMillisecond);
