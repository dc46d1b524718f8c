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

namespace {
// The language's folders below a pictures folder.
std::vector<std::string> languageFolders(const std::string& base) {
    const Language& l = currentLanguage();
    std::vector<std::string> folders;
    if (playingEnglish()) return folders;
    folders.push_back(base + l.code);
    if (l.page == platform::CodePage::Central) folders.push_back(base + "cp1250");
    if (l.page == platform::CodePage::Cyrillic) folders.push_back(base + "cp1251");
    return folders;
}

bool hasPicture(const std::string& folder, const std::string& name) {
    return fileSize(folder + "/" + name + ".png") >= 0 || fileSize(folder + "/" + name + ".dds") >= 0;
}
}  // namespace

std::vector<std::string> languagePictureFolders() { return languageFolders(picturesPath()); }

void PicturePack::load(const std::string& name, bool blackIsTransparent, int frameCount, int maxColumns) {
    // A language's pictures with words, and its code page's font, stand in
    // for the English ones of the same name; in each place the picture of
    // the set in use comes first, the 1x one stands in for it.
    const int scale = Gfx_ArtScale();
    const std::vector<std::string> plain = languageFolders(picturesPath());
    const std::vector<std::string> sharp = languageFolders(Gfx_PicturesFolder(scale));
    for (size_t i = 0; i < plain.size(); ++i) {
        if (scale > 1 && hasPicture(sharp[i], name))
            return loadFrom(sharp[i], name, blackIsTransparent, frameCount, maxColumns, scale);
        if (hasPicture(plain[i], name)) return loadFrom(plain[i], name, blackIsTransparent, frameCount, maxColumns);
    }
    if (scale > 1) {
        const std::string folder = Gfx_PicturesFolder(scale);
        if (hasPicture(folder, name)) return loadFrom(folder, name, blackIsTransparent, frameCount, maxColumns, scale);
        debugCheck(false, "PCK: no %dx picture %s; the 1x one is drawn", scale, name.c_str());
    }
    loadFrom(picturesPath(), name, blackIsTransparent, frameCount, maxColumns);
}

void PicturePack::loadFrom(const std::string& folder, const std::string& name, bool blackIsTransparent,
                           int frameCount, int maxColumns, int scale) {
    clearFrames();
    scale_ = scale < 1 ? 1 : scale;
    // The folder setting ends with a slash and another is added; the doubled
    // slash is harmless and keeps the texture names as they always were.
    const std::string base = folder + "/" + name;
    bool loaded = false;
    for (const char* ext : {".dds", ".png", ".jpg", ".tga"}) {
        textureName = base + ext;
        uint32_t w = 0, h = 0;
        if (textureBank().loadFromFile(textureName, blackIsTransparent, &w, &h)) {
            // Frames and sizes are logical pixels; the texture has scale_ texels to each.
            const uint32_t s = static_cast<uint32_t>(scale_);
            debugCheck(w % s == 0 && h % s == 0, "PCK: %s is %ux%u, not a whole number of %ux%u cells",
                       textureName.c_str(), w, h, s, s);
            textureBank().find(textureName)->artScale = scale_;
            width = w / s;
            height = h / s;
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
            // is cut to the picture's edges before anything uses it. A map of
            // the 2x set counts texels; the frames are kept in logical pixels.
            const int64_t texW = width, texH = height;
            x /= scale_, y /= scale_, w /= scale_, h /= scale_;
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

void PicturePack::createBlank(const std::string& name, int w, int h, int scale) {
    createBlankIn(picturesPath(), name, w, h, scale);
}

void PicturePack::createBlankIn(const std::string& folder, const std::string& name, int w, int h, int scale) {
    clearFrames();
    scale_ = scale < 1 ? 1 : scale;
    textureName = folder + "/" + name + ".png";
    // The size is checked before it is multiplied: a huge label is refused, not wrapped.
    const bool fits = w > 0 && h > 0 && w <= 65536 && h <= 65536;
    if (fits && textureBank().createBlank(textureName, w * scale_, h * scale_)) {
        textureBank().find(textureName)->artScale = scale_;
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
        // The scan is in texels; the run is widened to whole logical pixels.
        const int64_t s = scale_;
        const auto [texOffset, texLength] = textureBank().scanGlyph(
            textureName, static_cast<int>(std::clamp<int64_t>(frameX(i) * s, INT32_MIN, INT32_MAX)),
            static_cast<int>(std::clamp<int64_t>(frameY(i) * s, INT32_MIN, INT32_MAX)),
            static_cast<int>(std::clamp<int64_t>(frameWidth(i) * s, INT32_MIN, INT32_MAX)),
            static_cast<int>(std::clamp<int64_t>(frameHeight(i) * s, INT32_MIN, INT32_MAX)));
        const int offset = static_cast<int>(texOffset / s);
        const int length = static_cast<int>((texOffset + texLength + s - 1) / s) - offset;
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
