// Plays a level of the campaign for a few seconds with a gun that shoots by
// itself, then saves the frame: the scenery, the magnet turning with its
// body, the balls linked around it and their effects.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "offscreen_renderer.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "game/backgrounds.h"
#include "game/field.h"
#include "game/game.h"
#include "game/game_pictures.h"
#include "game/level.h"
#include "game/object_cmd.h"
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

PckSprite* g_locks[2] = {nullptr, nullptr};
void turnMagnet(float angle) {
    for (PckSprite* s : g_locks)
        if (s) s->setAngle(angle);
}

PckSprite* picture(std::vector<std::unique_ptr<PckSprite>>& keep, const std::string& name, int layer, float x,
                   float y) {
    auto s = std::make_unique<PckSprite>();
    s->setPicture(loadPack(name), 0);
    s->setLayer(layer);
    s->setPosition(x, y);
    keep.push_back(std::move(s));
    return keep.back().get();
}

}  // namespace

int main(int argc, char** argv) {
    const int levelNumber = argc > 1 ? std::atoi(argv[1]) : 23;
    const std::string out = argc > 2 ? argv[2] : "fielddemo.png";
    if (!startOffscreenRenderer("fielddemo")) return 1;
    textureBank().setParticleFolder(kData + "/pic/particles/");
    loadAllEffectsFrom(kData + "/fx/");
    setGamePackLoader(loadPack);
    vmSeed(static_cast<uint32_t>(levelNumber));

    if (!selectIniFile(kData + "/vm_game.ini", false)) {
        std::fprintf(stderr, "fielddemo: no %s/vm_game.ini\n", kData.c_str());
        return 1;
    }
    readTuning();
    readSpawnGunTable();
    setLevelsFile(kData + "/vm_levels.ini");
    loadLevel(levelNumber, 0);
    selectIniFile(kData + "/vm_game.ini", false);

    // The scenery around the field and the magnet's picture.
    const int back = std::max(0, std::min(11, level::Back()));
    std::vector<std::unique_ptr<PckSprite>> keep;
    picture(keep, std::string("fon/") + kBackgroundNames[back] + "_back", 100, 0, 0);
    picture(keep, "fon/common_mask", 120, 0, 0)->setAlpha(192);
    picture(keep, std::string("fon/") + kBackgroundNames[back] + "_front", 200, 0, 0);
    const int gun = level::SpawnGunNo() + 1;
    char name[64];
    std::snprintf(name, sizeof name, "gate/spawngun_%d%d_l", gun / 10 % 10, gun % 10);
    if (level::BallsSpawnMiss() != 0) {
        PckSprite* left = picture(keep, name, 199, 0, 0);
        const int w = left->width(), h = left->height();
        left->setPosition(spawnGunLeftX(back) - w / 2, spawnGunY(back) - h / 2);
        PckSprite* right = picture(keep, name, 199, 0, 0);
        right->setScale(-1, 1);
        right->setPosition(spawnGunRightX(back) - w / 2, spawnGunY(back) - h / 2);
    }
    const int magnet = std::max(0, std::min(98, level::Magnet()));
    std::snprintf(name, sizeof name, "lock//lock_%d%d", magnet / 10 % 10, magnet % 10);
    for (PckSprite*& lock : g_locks) {
        lock = picture(keep, name, 200, 0, 0);
        lock->setPosition(400.0f - static_cast<float>(lock->width()) / 2,
                          269.0f - static_cast<float>(lock->height()) / 2);
        lock->centreHotSpot();
    }
    fieldHooks().magnetAngle = turnMagnet;

    PhysicsField& f = field();
    f.setupWorld();
    if (!f.buildLevel()) {
        std::fprintf(stderr, "fielddemo: level %d has an unusable %s list\n", levelNumber, f.failedMesh.c_str());
        return 1;
    }
    // Four seconds of play: the gun sweeps along the rail and fires a ball of
    // a colour on the field every half second.
    particlesEnableDrawing();
    int shots = 0;
    for (int tick = 0; tick < 320; ++tick) {
        if (tick >= 40 && tick % 40 == 0 && f.countBalls() > 0) {
            bool present[8];
            f.presentColours(present);
            int colour = vmRand() % level::ColorsMax();
            for (int i = 0; i < 20 && !present[colour]; ++i) colour = vmRand() % level::ColorsMax();
            const float x = 220.0f + static_cast<float>((shots * 137) % 360);
            FieldObject* ball = f.createBall(colour, x / kPixelsPerUnit, 530.0f / kPixelsPerUnit,
                                             -(30.0f + 15.0f * level::ballSizeFactor()), 0);
            ball->activity = 1.0f;
            ball->shot = 1;
            ball->glow->setPicture(shotGlowPack(), 0);
            ++shots;
        }
        if (tick == 200) f.releaseFreeBalls(level::StartFreeBall());
        GS_Physics::fieldStep(BonusScoring{});
        mergeNewActors();
        updateActors();
        mergeNewActors();
        purgeDeadActors();
        particlesSetFrameTime(1.0f / 80.0f);
        particlesAdvance();
    }
    int links = 0;
    for (auto& [id, o] : f.objects) links += static_cast<int>(o->linkSet.size());
    drawFrame();
    const bool ok = Gfx_SaveScreenshot(out);
    std::printf("fielddemo: level %d, %d shots, %d balls, %d links: %s %s\n", levelNumber, shots, f.countBalls(),
                links / 2, ok ? "wrote" : "could not write", out.c_str());

    f.clear();
    destroyAllActors();
    keep.clear();
    stopOffscreenRenderer();
    return ok ? 0 : 1;
}
