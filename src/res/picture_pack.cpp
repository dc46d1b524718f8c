#include "res/picture_pack.h"
#include "res/map_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "frame/errors.h"
#include "frame/language.h"
#include "frame/settings.h"
#include "gfx/gfx.h"
#include "gfx/texture_bank.h"
#include "scene/sprite.h"

namespace {
bool inRange(int v) { return v >= 0 && v <= 2047; }

// A frame map lists a few hundred frames at most; a larger file is damaged.
constexpr long long kMaxMapBytes = 1 << 20;
constexpr int kMaxMapFrames = 4096;
// A damaged map can hold a bad word in every line; a few tell the story.
constexpr int kMaxBadWordReports = 8;

long long fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}
}  // namespace

std::vector<std::string> languagePictureFolders() {
    const Language& l = currentLanguage();
    std::vector<std::string> folders;
    if (playingEnglish()) return folders;
    folders.push_back(picturesPath() + l.code);
    if (l.page == platform::CodePage::Central) folders.push_back(picturesPath() + "cp1250");
    if (l.page == platform::CodePage::Cyrillic) folders.push_back(picturesPath() + "cp1251");
    return folders;
}

void PicturePack::load(const std::string& name, bool blackIsTransparent, int frameCount, int maxColumns) {
    // A language's pictures with words, and its code page's font, stand in
    // for the English ones of the same name.
    for (const std::string& folder : languagePictureFolders())
        if (fileSize(folder + "/" + name + ".png") >= 0 || fileSize(folder + "/" + name + ".dds") >= 0)
            return loadFrom(folder, name, blackIsTransparent, frameCount, maxColumns);
    loadFrom(picturesPath(), name, blackIsTransparent, frameCount, maxColumns);
}

void PicturePack::loadFrom(const std::string& folder, const std::string& name, bool blackIsTransparent,
                           int frameCount, int maxColumns) {
    clearFrames();
    // The folder setting ends with a slash and another is added; the doubled
    // slash is harmless and keeps the texture names as they always were.
    const std::string base = folder + "/" + name;
    bool loaded = false;
    for (const char* ext : {".dds", ".png", ".jpg", ".tga"}) {
        textureName = base + ext;
        uint32_t w = 0, h = 0;
        if (textureBank().loadFromFile(textureName, blackIsTransparent, &w, &h)) {
            width = w;
            height = h;
            loaded = true;
            break;
        }
    }
    if (!loaded) {
        textureName = base + ".png";  // the name a missing picture always had
        debugCheck(false, "PCK: ERROR PIC: %s", name.c_str());
        for (int i = 0; i < frameCount; ++i) addFrame(0, 0, 0, 0);
        return;
    }
    const long long mapSize = fileSize(base + ".map");
    if (mapSize > kMaxMapBytes) {
        debugCheck(false, "FRAME MAP %s.map refused: larger than %lld bytes; the picture is cut in a grid",
                   base.c_str(), kMaxMapBytes);
    } else if (mapSize >= 0) {
        readMap(base + ".map", frameCount);
        return;
    }
    int columns = frameCount, rows = 1;
    if (maxColumns < 1) maxColumns = 1;
    if (maxColumns < frameCount) {
        columns = maxColumns;
        rows = (frameCount + maxColumns - 1) / maxColumns;
    }
    for (int i = 0; i < frameCount; ++i) {
        const uint32_t fw = width / static_cast<uint32_t>(columns), fh = height / static_cast<uint32_t>(rows);
        addFrame(static_cast<int>(static_cast<uint32_t>(i % columns) * fw),
                 static_cast<int>(static_cast<uint32_t>(i / columns) * fh), static_cast<int>(fw), static_cast<int>(fh));
    }
}

void PicturePack::readMap(const std::string& path, int expected) {
    std::ifstream in(path);
    std::string token;
    int badWords = 0, cut = 0;
    while (in >> token) {
        if (token == "texture") {
            // A number that does not parse ends the reading; the frame keeps
            // the numbers read so far and zeros for the rest.
            int x = 0, y = 0, w = 0, h = 0;
            in >> x >> y >> w >> h;
            if (frameCount() >= kMaxMapFrames) {
                debugCheck(false, "FRAME MAP %s: more than %d frames; the rest are left out", path.c_str(),
                           kMaxMapFrames);
                break;
            }
            // Text layout and glyph trimming walk the frames' pixels: a frame
            // is cut to the picture's edges before anything uses it.
            const int64_t texW = width, texH = height;
            const int64_t cx = std::clamp<int64_t>(x, 0, texW), cy = std::clamp<int64_t>(y, 0, texH);
            const int64_t cw = std::clamp<int64_t>(w, 0, texW - cx), ch = std::clamp<int64_t>(h, 0, texH - cy);
            if (cx != x || cy != y || cw != w || ch != h) ++cut;
            addFrame(x, y, w, h);
            const size_t k = static_cast<size_t>(frameCount() - 1);
            xs_[k] = static_cast<int32_t>(cx), ys_[k] = static_cast<int32_t>(cy);
            widths_[k] = static_cast<int32_t>(cw), heights_[k] = static_cast<int32_t>(ch);
        } else if (++badWords <= kMaxBadWordReports) {
            debugCheck(false, "BAD MAP FILE: %s\n", textureName.c_str());
        }
    }
    debugCheck(cut == 0, "FRAME MAP %s: %d frames reach outside the %ux%u picture; cut to its edges", path.c_str(),
               cut, width, height);
    debugCheck(frameCount() == expected, "CORRUPT MAP FILE: %s\n", textureName.c_str());
}

void PicturePack::createBlank(const std::string& name, int w, int h) { createBlankIn(picturesPath(), name, w, h); }

void PicturePack::createBlankIn(const std::string& folder, const std::string& name, int w, int h) {
    clearFrames();
    textureName = folder + "/" + name + ".png";
    if (textureBank().createBlank(textureName, w, h)) {
        width = static_cast<uint32_t>(w);
        height = static_cast<uint32_t>(h);
        addFrame(0, 0, w, h);
    } else {
        debugCheck(false, "pic: %s\n", name.c_str());
        addFrame(0, 0, 0, 0);
    }
}

Rect PicturePack::frameRect(int i, int x, int y) const {
    return Rect{x, y, x + frameWidth(i), y + frameHeight(i)};
}

Rect PicturePack::frameRect(int i, int x, int y, float sx, float sy) const {
    return Rect{x, y, x + static_cast<int32_t>(static_cast<float>(frameWidth(i)) * sx),
                y + static_cast<int32_t>(static_cast<float>(frameHeight(i)) * sy)};
}

void PicturePack::addFrame(int x, int y, int w, int h) {
    debugCheck(inRange(h), "BAD RESOURCE: H : %s\n", textureName.c_str());
    debugCheck(inRange(w), "BAD RESOURCE: W : %s\n", textureName.c_str());
    debugCheck(inRange(x), "BAD RESOURCE: X : %s\n", textureName.c_str());
    debugCheck(inRange(y), "BAD RESOURCE: Y : %s\n", textureName.c_str());
    widths_.push_back(w);
    heights_.push_back(h);
    xs_.push_back(x);
    ys_.push_back(y);
}

void PicturePack::clearFrames() {
    widths_.clear();
    heights_.clear();
    xs_.clear();
    ys_.clear();
}

void PicturePack::drawFrame(int i, float x, float y, const SpriteParams* params) const {
    if (frameWidth(i) <= 0) return;
    Gfx_DrawQuad(x, y, textureName, frameX(i), frameY(i), frameWidth(i), frameHeight(i), params);
}

void PicturePack::trimGlyphs() {
    for (int i = 1; i < frameCount(); ++i) {
        const auto [offset, length] = textureBank().scanGlyph(textureName, frameX(i), frameY(i), frameWidth(i),
                                                              frameHeight(i));
        const size_t k = static_cast<size_t>(i);
        // The run lies inside the frame and the frame on the picture, so the
        // sum stays small; it is taken in 64 bits all the same.
        const int64_t x = int64_t{xs_[k]} + offset;
        debugCheck(inRange(length), "BAD RESOURCE: W : %s\n", textureName.c_str());
        debugCheck(x >= 0 && x <= 2047, "BAD RESOURCE: X : %s\n", textureName.c_str());
        widths_[k] = length;
        xs_[k] = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
    }
}

int frameCount(const SpritePicture* pack) { return pack ? pack->frameCount() : 0; }

bool frameMapReadsWhole(const std::string& path, int frames, std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    const long long size = fileSize(path);
    if (size < 0) return fail("it cannot be read");
    if (size > kMaxMapBytes) return fail("it is larger than a frame map may be");
    std::ifstream in(path);
    std::string token;
    int count = 0;
    while (in >> token) {
        if (token != "texture") return fail("it holds '" + token.substr(0, 20) + "' where a frame should be");
        long long v[4];
        if (!(in >> v[0] >> v[1] >> v[2] >> v[3]))
            return fail("frame " + std::to_string(count + 1) + " does not have four numbers");
        if (++count > frames) break;
    }
    if (count != frames)
        return fail("it lists " + std::to_string(count) + " frames where " + std::to_string(frames) + " belong");
    return true;
}
