// The picture packs the play field shows. They are looked up by name through
// one loader that the screens install at start; without it (tests, tools)
// every pack is missing and the field's pictures simply stay blank.
#pragma once

#include <string>

#include "res/picture_pack.h"  // what the lookups return is shown by sprites

using GamePackLoader = PicturePack* (*)(const std::string& name);
void setGamePackLoader(GamePackLoader loader);
PicturePack* gamePack(const std::string& name);

// "balls//ball_<name>" of a ball type; the glow of the special types; the
// glow of a shot ball; the shadow; the spawn gun of a SpawnGunNo.
PicturePack* ballPack(int type);
PicturePack* ballGlowPack(int type);
PicturePack* shotGlowPack();
PicturePack* shadowPack();
PicturePack* spawnGunPack(int no);
const char* ballPictureName(int type);
