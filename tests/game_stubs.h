// Picture packs with real sizes but no textures, for game runs without a
// renderer (tests and benchmarks).
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "res/picture_pack.h"

namespace gametest {

inline PicturePack* sizedPack(const std::string& name, int frames) {
    static std::map<std::string, std::unique_ptr<PicturePack>> packs;
    auto& slot = packs[name];
    if (!slot) {
        slot = std::make_unique<PicturePack>();
        slot->textureName = name;
        int w = 52, h = 52;
        if (name == "gun_middle") w = 52, h = 106;
        if (name.rfind("fon/", 0) == 0 || name == "wall") w = 800, h = 600;
        if (name == "font1") w = 8, h = 16;
        if (name == "panel_info_bar") w = 100, h = 10;
        if (name.rfind("messages//", 0) == 0) w = 200, h = 60;
        for (int i = 0; i < std::max(frames, 1); ++i) slot->addFrame((i % 10) * w, (i / 10) * h, w, h);
    }
    return slot.get();
}
inline PicturePack* gamePackStub(const std::string& name) {
    return sizedPack(name, name == "level_no" ? 10 : name == "balls//ball_bonus" ? 40 : 1);
}
inline PicturePack* hudPackStub(const std::string& name, int frames, int) { return sizedPack(name, frames); }

}  // namespace gametest
