#include "game/game_pictures.h"

#include <cstdio>

namespace {
GamePackLoader g_loader = nullptr;

const char* const kBallNames[14] = {"c1",    "c2",    "c3",    "c4",    "c5",
                                    "c6",    "c7",    "c8",    "free0", "free1",
                                    "free2", "bonus", "fireball", "fireball_mega"};
}  // namespace

void setGamePackLoader(GamePackLoader loader) { g_loader = loader; }
PicturePack* gamePack(const std::string& name) { return g_loader ? g_loader(name) : nullptr; }

const char* ballPictureName(int type) { return type >= 0 && type < 14 ? kBallNames[type] : "c1"; }

PicturePack* ballPack(int type) { return gamePack(std::string("balls//ball_") + ballPictureName(type)); }

PicturePack* ballGlowPack(int type) {
    if (type < 8 || type == 11) return nullptr;
    return gamePack(std::string("balls//ball_") + ballPictureName(type) + "_glow");
}

PicturePack* shotGlowPack() { return gamePack("balls//ball_glow"); }
PicturePack* shadowPack() { return gamePack("balls//ball_shadow"); }

PicturePack* spawnGunPack(int no) {
    const int n = no + 1;
    char name[64];
    std::snprintf(name, sizeof name, "gate/spawngun_%d%d_l", (n / 10) % 10, n % 10);
    return gamePack(name);
}
