// Builds a level's scenery and magnet over its play field and saves one frame:
// "play" a few seconds into the level with the player idle (flares out, the
// bonus plate down when the level has bonus balls), "win" with the gate open
// and gold revealed, "loss" with the rocks falling and the wall down.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "offscreen_renderer.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "game/field.h"
#include "game/game.h"
#include "game/game_pictures.h"
#include "game/level.h"
#include "game/magnet.h"
#include "game/scenery.h"
#include "gfx/device.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "res/picture_pack.h"
#include "scene/actor.h"
#include "scene/sprite.h"

namespace {

const std::string kData = VM_DATA_DIR;
std::map<std::string, std::unique_ptr<PicturePack>> g_packs;
Magnet* g_magnet = nullptr;

PicturePack* loadPack(const std::string& name) {
    auto it = g_packs.find(name);
    if (it != g_packs.end()) return it->second.get();
    std::string path;
    for (char c : name)
        if (c != '/' || path.empty() || path.back() != '/') path += c;
    auto pack = std::make_unique<PicturePack>();
    const bool bonus = path == "balls/ball_bonus";
    pack->loadFrom(kData + "/pic/", path, false, bonus ? 40 : 1, bonus ? 19 : 1);
    PicturePack* raw = pack.get();
    g_packs[name] = std::move(pack);
    return raw;
}

void turnMagnet(float angle) {
    if (g_magnet) g_magnet->setAngle(angle);
}

// Counts the reports the game actor would receive.
struct Listener : Actor {
    int onNotify(int, int, int a, int) override {
        if (a != 0) ++reports;
        return 1;
    }
    int reports = 0;
};

void tick(bool physics) {
    if (physics) GS_Physics::fieldStep(BonusScoring{});
    mergeNewActors();
    updateActors();
    mergeNewActors();
    purgeDeadActors();
    advanceTickCount();
    particlesSetFrameTime(1.0f / 80.0f);
    particlesAdvance();
}

}  // namespace

int main(int argc, char** argv) {
    const int levelNumber = argc > 1 ? std::atoi(argv[1]) : 23;
    const std::string mode = argc > 2 ? argv[2] : "play";
    const std::string out = argc > 3 ? argv[3] : "scenerydemo.png";
    if (mode != "play" && mode != "win" && mode != "loss") {
        std::fprintf(stderr, "usage: vm-scenerydemo [level] [play|win|loss] [out.png]\n");
        return 2;
    }
    if (!startOffscreenRenderer("scenerydemo")) return 1;
    textureBank().setParticleFolder(kData + "/pic/particles/");
    loadAllEffectsFrom(kData + "/fx/");
    setGamePackLoader(loadPack);
    vmSeed(static_cast<uint32_t>(levelNumber));

    if (!selectIniFile(kData + "/vm_game.ini", false)) {
        std::fprintf(stderr, "scenerydemo: no %s/vm_game.ini\n", kData.c_str());
        return 1;
    }
    readTuning();
    readSpawnGunTable();
    setLevelsFile(kData + "/vm_levels.ini");
    loadLevel(levelNumber, 0);
    selectIniFile(kData + "/vm_game.ini", false);

    auto* game = new Listener;
    auto scenery = std::make_unique<LevelScenery>(game, 1);
    g_magnet = new Magnet;
    g_magnet->setOwner(game, 2);
    fieldHooks().magnetAngle = turnMagnet;
    scenery->setup(level::Door(), level::Back());
    g_magnet->setMagnet(std::clamp(level::Magnet(), 0, kMaxMagnetType));

    PhysicsField& f = field();
    f.setupWorld();
    if (!f.buildLevel()) {
        std::fprintf(stderr, "scenerydemo: level %d has an unusable %s list\n", levelNumber, f.failedMesh.c_str());
        return 1;
    }
    particlesEnableDrawing();
    for (int t = 0; t < 40; ++t) tick(true);
    g_magnet->activate();
    if (f.countType(kBonusBall) > 0 || mode == "play") scenery->showBonusPlate();
    // The player goes idle: the flares come out.
    for (int t = 0; t < 120; ++t) tick(true);
    g_magnet->sleep();
    for (int t = 0; t < 200; ++t) tick(true);

    if (mode == "win") {
        f.clear();
        scenery->hideBonusPlate();
        g_magnet->spinOut();
        for (int t = 0; t < 90; ++t) tick(false);
        g_magnet->vanish();
        scenery->openGate();
        for (int t = 0; t < 60; ++t) tick(false);
        const int shown = scenery->revealGold();
        std::printf("scenerydemo: gold picture %d of background %d\n", shown, scenery->back);
        for (int t = 0; t < 50; ++t) tick(false);
    } else if (mode == "loss") {
        scenery->hideBonusPlate();
        scenery->rockFall();
        for (int t = 0; t < 30; ++t) tick(true);
        scenery->wallDown();
        for (int t = 0; t < 70; ++t) tick(true);
    }
    drawFrame();
    const bool ok = Gfx_SaveScreenshot(out);
    std::printf("scenerydemo: level %d (door %d, back %d, magnet %d), %s, %d reports: %s %s\n", levelNumber,
                scenery->door, scenery->back, g_magnet->type, mode.c_str(), game->reports,
                ok ? "wrote" : "could not write", out.c_str());

    f.clear();
    scenery.reset();
    destroyAllActors();
    stopOffscreenRenderer();
    return ok ? 0 : 1;
}
