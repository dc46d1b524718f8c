#include "gfx/texture_bank.h"

#include <sys/stat.h>

#include <algorithm>

#include "frame/errors.h"
#include "frame/log.h"
#include "frame/settings.h"
#include "gfx/device.h"
#include "gfx/gfx.h"

CTextureBank& textureBank() {
    static CTextureBank bank;
    return bank;
}

namespace {
int g_artScale = 1;

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool readPicture(const std::string& name, bool blackIsTransparent, Image& image, std::string* why) {
    if (!decodeImageFile(name, image, why)) return false;
    if (blackIsTransparent)
        for (uint32_t& p : image.pixels)
            if (p == 0xFF000000u) p = 0;
    return true;
}
}  // namespace

std::string Gfx_PicturesFolder(int scale) {
    std::string folder = picturesPath();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return scale > 1 ? folder + std::to_string(scale) + "x/" : folder;
}

void Gfx_SetArtScale(int scale) {
    g_artScale = 1;
    if (scale != 2) return;
    // The font is the first picture the game loads: without it there is no set.
    const std::string folder = Gfx_PicturesFolder(2);
    if (!isFile(folder + "font1.png")) {
        logPrintf(LogLevel::Warning, "The 2x pictures are not installed (no %sfont1.png); the 1x pictures are drawn",
                  folder.c_str());
        return;
    }
    g_artScale = 2;
}

int Gfx_ArtScale() { return g_artScale; }

CTextureBank::~CTextureBank() {
    // At exit the device may already be gone; only drop the CPU side.
    entries_.clear();
}

TextureEntry* CTextureBank::store(const std::string& name, uint32_t w, uint32_t h, Image&& image) {
    auto entry = std::make_unique<TextureEntry>();
    entry->name = name;
    entry->width = w;
    entry->height = h;
    entry->surfaceWidth = image.width > 0 ? image.width : 1;
    entry->surfaceHeight = image.height > 0 ? image.height : 1;
    entry->pixels = std::move(image.pixels);
    entry->pixels.resize(static_cast<size_t>(entry->surfaceWidth) * static_cast<size_t>(entry->surfaceHeight));
    entry->lastDrawn = frame_;  // just loaded: about to be drawn
    TextureEntry* raw = entry.get();
    entries_[name] = std::move(entry);
    return raw;
}

bool CTextureBank::loadFromFile(const std::string& name, bool blackIsTransparent, uint32_t* width,
                                uint32_t* height) {
    if (TextureEntry* e = find(name)) {
        if (width) *width = e->width;
        if (height) *height = e->height;
        return true;
    }
    Image image;
    std::string why;
    if (!readPicture(name, blackIsTransparent, image, &why)) {
        // A missing file is no news (packs try several names); a refused one is.
        debugCheck(why.empty(), "Picture %s refused: %s", name.c_str(), why.c_str());
        return false;
    }
    const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
    TextureEntry* e = store(name, w, h, std::move(image));
    e->fromFile = true;
    e->blackIsTransparent = blackIsTransparent;
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

bool CTextureBank::createBlank(const std::string& name, int width, int height) {
    if (find(name)) return true;
    if (width <= 0 || height <= 0 ||
        !imageSizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
        return false;
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    store(name, static_cast<uint32_t>(width), static_cast<uint32_t>(height), std::move(image));
    return true;
}

TextureEntry* CTextureBank::find(const std::string& name) {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second.get();
}

void CTextureBank::remove(const std::string& name) {
    auto it = entries_.find(name);
    if (it == entries_.end()) return;
    TextureEntry* e = it->second.get();
    Gfx_ForgetTexture(e);
    if (e->deviceHandle)
        if (GfxDevice* d = Gfx_Device()) d->destroyTexture(e->deviceHandle);
    entries_.erase(it);
}

bool CTextureBank::holdPixels(TextureEntry* e) {
    if (!e) return false;
    e->keepPixels = true;
    return restorePixels(e);
}

bool CTextureBank::restorePixels(TextureEntry* e) {
    const size_t count = static_cast<size_t>(e->surfaceWidth) * static_cast<size_t>(e->surfaceHeight);
    if (e->pixels.size() == count) return true;
    Image image;
    std::string why;
    // The file changed under the running game: its pictures are no longer the ones measured.
    if (!e->fromFile || !readPicture(e->name, e->blackIsTransparent, image, &why) ||
        image.width != e->surfaceWidth || image.height != e->surfaceHeight) {
        debugCheck(false, "Picture %s cannot be read again%s%s", e->name.c_str(), why.empty() ? "" : ": ",
                   why.c_str());
        return false;
    }
    e->pixels = std::move(image.pixels);
    return true;
}

uint64_t CTextureBank::deviceBytes() const {
    uint64_t sum = 0;
    for (const auto& [name, e] : entries_)
        if (e->deviceHandle) sum += uint64_t{4} * static_cast<uint64_t>(e->surfaceWidth) * static_cast<uint64_t>(e->surfaceHeight);
    return sum;
}

uint64_t CTextureBank::cpuBytes() const {
    uint64_t sum = 0;
    for (const auto& [name, e] : entries_) sum += uint64_t{4} * e->pixels.size();
    return sum;
}

void CTextureBank::endFrame() {
    ++frame_;
    // Looking once a second is soon enough for pictures idle half a minute.
    if (frame_ % 80 == 0) releaseIdle(kIdleReleaseFrames);
}

size_t CTextureBank::releaseIdle(uint64_t frames) {
    size_t released = 0;
    for (auto& [name, e] : entries_) {
        const uint64_t bytes = uint64_t{4} * static_cast<uint64_t>(e->surfaceWidth) * static_cast<uint64_t>(e->surfaceHeight);
        if (!e->fromFile || e->keepPixels || bytes < kIdleReleaseBytes || frame_ - e->lastDrawn < frames)
            continue;
        if (!e->deviceHandle && e->pixels.empty()) continue;
        Gfx_ForgetTexture(e.get());
        if (e->deviceHandle)
            if (GfxDevice* d = Gfx_Device()) d->destroyTexture(e->deviceHandle);
        e->deviceHandle = 0;
        std::vector<uint32_t>().swap(e->pixels);
        ++released;
    }
    return released;
}

bool CTextureBank::copyOpaquePixels(const std::string& dest, const std::string& source, int dx, int dy,
                                    int sx, int sy, int w, int h) {
    TextureEntry* d = find(dest);
    TextureEntry* s = find(source);
    if (!d || !s || !holdPixels(d) || !holdPixels(s)) return false;
    if (dx < 0 || dy < 0 || sx < 0 || sy < 0 || w < 0 || h < 0) return false;
    if (d->surfaceWidth < dx || d->surfaceHeight < dy) return false;
    // Sums in 64 bits: a frame map may hold any numbers.
    if (int64_t{s->surfaceWidth} < int64_t{sx} + w || int64_t{s->surfaceHeight} < int64_t{sy} + h) return false;
    const int rows = std::min(h, d->surfaceHeight - dy), cols = std::min(w, d->surfaceWidth - dx);
    for (int row = 0; row < rows; ++row) {
        const int ty = dy + row;
        for (int col = 0; col < cols; ++col) {
            const int tx = dx + col;
            const uint32_t p = s->pixels[static_cast<size_t>(sy + row) * static_cast<size_t>(s->surfaceWidth) +
                                         static_cast<size_t>(sx + col)];
            if (p >> 24)
                d->pixels[static_cast<size_t>(ty) * static_cast<size_t>(d->surfaceWidth) + static_cast<size_t>(tx)] = p;
        }
    }
    d->dirty = true;
    return true;
}

std::pair<int, int> CTextureBank::scanGlyph(const std::string& name, int x, int y, int w, int h) {
    TextureEntry* e = find(name);
    if (!e || w <= 0 || h <= 0 || !holdPixels(e)) return {0, 0};
    // Only where the rectangle overlaps the texture can there be pixels; the scan
    // never walks outside it, whatever size the frame claims.
    const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(int64_t{x} + w, e->surfaceWidth);
    const int64_t top = std::max<int64_t>(y, 0), bottom = std::min<int64_t>(int64_t{y} + h, e->surfaceHeight);
    int64_t bestOffset = 0, bestLength = 0;
    for (int64_t row = top; row < bottom; ++row) {
        int64_t first = -1, last = -1;
        const uint32_t* line = e->pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(e->surfaceWidth);
        for (int64_t col = left; col < right; ++col) {
            if (line[col] >> 24) {
                if (first < 0) first = col;
                last = col;
            }
        }
        if (first < 0) continue;
        const int64_t length = last - first + 1;
        if (length > bestLength) {
            bestLength = length;
            bestOffset = first - x;
        }
    }
    return {static_cast<int>(bestOffset), static_cast<int>(bestLength)};
}

int CTextureBank::particleTextureId(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("/\\");
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::string name = particleFolder() + base;
    auto it = particleIds_.find(name);
    if (it != particleIds_.end()) return it->second;
    const int id = ++lastParticleId_;
    particleIds_[name] = id;
    particleNames_[id] = name;
    if (find(name)) return id;
    // The 2x picture under the id's name when that set is in use, else the 1x one.
    if (particleFolder_.empty() && g_artScale > 1) {
        const std::string sharp = Gfx_PicturesFolder(g_artScale) + "particles/" + base;
        uint32_t w = 0, h = 0;
        if (isFile(sharp) && loadFromFile(sharp, false, &w, &h)) {
            TextureEntry* e = find(sharp);
            e->artScale = g_artScale;
            entries_[name] = std::move(entries_[sharp]);
            entries_.erase(sharp);
            return id;
        }
    }
    if (!loadFromFile(name, false))
        debugCheck(false, "DUvad : CTextureBank : Can't initialize texture : %s !", name.c_str());
    return id;
}

std::string CTextureBank::particleFolder() const {
    if (!particleFolder_.empty()) return particleFolder_;
    return Gfx_PicturesFolder(1) + "particles/";
}

TextureEntry* CTextureBank::textureById(int id) {
    auto it = particleNames_.find(id);
    return it == particleNames_.end() ? nullptr : find(it->second);
}

void CTextureBank::dropDeviceTextures() {
    for (auto& [name, e] : entries_) {
        e->deviceHandle = 0;
        e->dirty = true;
    }
}

void CTextureBank::clear() {
    while (!entries_.empty()) remove(entries_.begin()->first);
    particleIds_.clear();
    particleNames_.clear();
    lastParticleId_ = 0;
}
