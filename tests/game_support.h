// A whole game on the shipped campaign: the built settings and levels in a
// scratch data folder, a fresh player, the headless platform's virtual clock,
// pictures with real sizes but no textures, and the sounds recorded.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/random.h"
#include "frame/settings.h"
#include "game/cannon.h"
#include "game/field.h"
#include "game/game.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/hud.h"
#include "game/level.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"
#include "players/players.h"
#include "res/picture_pack.h"
#include "screens/map_screen.h"
#include "game_stubs.h"
#include "test_support.h"

namespace gametest {

inline std::vector<std::string>& sounds() {
    static std::vector<std::string> s;
    return s;
}
inline void recordSound(const std::string& name) { sounds().push_back(name); }
inline int played(const std::string& name) {
    return static_cast<int>(std::count(sounds().begin(), sounds().end(), name));
}

// Reports the game sends to its owner (the screen dispatcher in the game).
class OwnerRecorder : public Actor {
public:
    int onNotify(int, int msg, int a, int) override {
        messages.push_back({msg, a});
        return 1;
    }
    int count(int msg) const {
        return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                              [msg](const std::pair<int, int>& m) { return m.first == msg; }));
    }
    std::vector<std::pair<int, int>> messages;
};

}  // namespace gametest

class GameTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        namespace fs = std::filesystem;
        const std::string data = VM_TEST_DATA_DIR;
        dir = testing::TempDir() + "vm_game_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir);
        oldCwd = fs::current_path();
        fs::current_path(data);  // the shipped copies are "./name"
        platform::install(std::make_unique<platform::HeadlessPlatform>());
        resetSettingsForTests();
        resetPlayersForTests();
        setDataFolderForTests(dir);
        ASSERT_TRUE(selectIniFile("vm_game.ini", true));
        ASSERT_TRUE(loadStartup());
        setGamePackLoader(gametest::gamePackStub);
        setHudPackLoader(gametest::hudPackStub);
        setGameSoundSpy(gametest::recordSound);
        gametest::sounds().clear();
        vmSeed(7);
        owner = new gametest::OwnerRecorder;
    }
    void TearDown() override {
        Game::release();
        destroyAllActors();
        field().clear();
        fieldHooks() = FieldHooks{};
        setGameSoundSpy(nullptr);
        setHudPackLoader(nullptr);
        setGamePackLoader(nullptr);
        resetPlayersForTests();
        resetSettingsForTests();
        resetLevelParams();
        platform::uninstall();
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
        EngineTest::TearDown();
    }

    platform::HeadlessPlatform& host() { return static_cast<platform::HeadlessPlatform&>(platform::current()); }

    // A game resumed at level number n (episode * 10 + level).
    Game& startAt(int n) {
        setGameSession(1);
        setUserProgress(n);
        setMapScreenMaker(&makeMapScreen);
        Game& g = Game::instance();
        g.setOwner(owner, 2);
        g.startGame();
        return g;
    }

    // One logic tick: 12.5 ms of the virtual clock and one actor pass.
    void tick() {
        ticks += 1;
        host().advance(ticks % 2 ? 12 : 13);
        mergeNewActors();
        updateActors();
        mergeNewActors();
        purgeDeadActors();
        advanceTickCount();
    }
    void run(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    // Runs until the condition holds; false after `limit` ticks.
    template <class F>
    bool runUntil(F done, int limit) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            tick();
        }
        return done();
    }

    // Mouse input as the zone would deliver it.
    void mouseTo(int x, int y = 300) {
        mousePosition.x = x;
        mousePosition.y = y;
        Game::instance().onZoneEvent(ZE_Move, 0);
    }
    void click(int event) { Game::instance().onZoneEvent(event, 0); }

    // A simple player: aims at the lowest ball of the loaded colour whose
    // column down to the gun is clear (swapping when only the next colour
    // has one), fires a quick shot and waits for the field to settle.
    // A bad player (`match` false) aims at balls of any other colour.
    // Returns false when nothing could be aimed at.
    bool playShot(bool match = true) {
        Game& g = Game::instance();
        auto target = [&](int colour) -> const FieldObject* {
            const FieldObject* best = nullptr;
            bool bestClear = false;
            for (auto& [id, o] : field().objects) {
                if (!o->isBall() || o->dying || (o->type == colour) != match) continue;
                bool clear = true;
                for (auto& [id2, p] : field().objects)
                    if (p.get() != o.get() && p->isBall() && !p->dying && p->y() > o->y() &&
                        std::abs(p->x() - o->x()) < p->radius + o->radius)
                        clear = false;
                if (!best || (clear && !bestClear) || (clear == bestClear && o->y() > best->y())) {
                    best = o.get();
                    bestClear = clear;
                }
            }
            return best;
        };
        const FieldObject* aim = target(g.colours.loadedColour);
        if (!aim && target(g.colours.nextBall)) {
            click(ZE_RightUp);
            run(12);
            aim = target(g.colours.loadedColour);
        }
        if (!aim) return false;
        mouseTo(std::clamp(static_cast<int>(aim->x() * kPixelsPerUnit), kGunMinX, kGunMaxX));
        run(1);
        click(ZE_LeftDown);
        run(1);
        click(ZE_LeftUp);
        run(1);
        runUntil([] { return !field().anyActiveBall(); }, 240);
        run(10);
        return true;
    }

    std::string dir;
    std::filesystem::path oldCwd;
    gametest::OwnerRecorder* owner = nullptr;
    int ticks = 0;
};
