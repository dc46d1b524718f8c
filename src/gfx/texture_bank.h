// The texture bank: textures by file name, created once and kept for the run.
// The device copy is made when a texture is first drawn. Text labels are
// composed and font glyphs measured on the CPU, so those textures keep their
// pixels; a picture read from a file lets them go once a device that holds
// its own copy has it, and reads the file again should the device need it.
// A large picture from a file that has not been drawn for a while (another
// episode's background, a screen left long ago) also gives up its device
// copy, and is read again on its next draw.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct TextureEntry {
    std::string name;
    uint32_t width = 0, height = 0;               // image (or requested) size
    int surfaceWidth = 1, surfaceHeight = 1;      // size as created; UVs divide by it
    std::vector<uint32_t> pixels;                 // ARGB, surfaceWidth per row
    uint32_t deviceHandle = 0;
    bool dirty = true;                            // device copy is out of date
    int artScale = 1;                             // texels per logical pixel (2: the 2x pictures)
    bool fromFile = false;                        // pixels can be read again from the file `name`
    bool blackIsTransparent = false;              // as it was read
    bool keepPixels = false;                      // read on the CPU after upload (font sheets)
    uint64_t lastDrawn = 0;                       // the bank's frame when last drawn (or loaded)
};

// Decoded image as 32-bit ARGB rows from the top.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// The largest picture the game takes: a side of at most kMaxImageSide pixels
// and at most kMaxImageBytes once decoded to ARGB. The largest picture the
// game ships is far below both; a file past them is refused before its
// pixels are allocated.
constexpr uint64_t kMaxImageSide = 8192;
constexpr uint64_t kMaxImageBytes = uint64_t{64} << 20;
constexpr uint64_t kMaxImageFileBytes = uint64_t{64} << 20;

// False, with the reason in why, for a size outside the caps (or empty).
bool imageSizeAllowed(uint64_t width, uint64_t height, std::string* why = nullptr);

// PNG, DDS (uncompressed 24/32-bit and DXT1/3/5), JPEG and TGA. A file is
// read when its name ends in .png, .dds, .jpg (or .jpeg) or .tga and its
// first bytes say the same format (TGA has no signature: its header must
// hold together). False for a missing file (why left empty) and for a
// refused one (why says what is wrong with it).
bool decodeImageFile(const std::string& path, Image& out, std::string* why = nullptr);
bool decodeDds(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);
bool decodePng(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);
bool isJpeg(const uint8_t* data, size_t size);
bool decodeJpeg(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);
bool decodeTga(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);
// The format told by the first bytes alone (PNG, DDS or JPEG).
bool decodeImageMemory(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);

class CTextureBank {
public:
    CTextureBank() = default;
    ~CTextureBank();
    CTextureBank(const CTextureBank&) = delete;
    CTextureBank& operator=(const CTextureBank&) = delete;

    // Loads an image file under its name. A name already in the bank succeeds
    // without reading the file and reports the size it was loaded with.
    // blackIsTransparent turns opaque black pixels fully transparent.
    bool loadFromFile(const std::string& name, bool blackIsTransparent, uint32_t* width = nullptr,
                      uint32_t* height = nullptr);
    // A transparent ARGB texture of that size (present already: success).
    bool createBlank(const std::string& name, int width, int height);
    TextureEntry* find(const std::string& name);
    void remove(const std::string& name);
    // Copies the pixels of the source rectangle whose alpha is non-zero to
    // (dx, dy) of the destination; transparent pixels leave it unchanged.
    bool copyOpaquePixels(const std::string& dest, const std::string& source, int dx, int dy, int sx,
                          int sy, int w, int h);
    // Longest run from the first to the last non-transparent pixel over the
    // rows of the rectangle: (offset, length), first row winning ties.
    std::pair<int, int> scanGlyph(const std::string& name, int x, int y, int w, int h);
    // Makes sure the entry holds its pixels (reading its file again if they
    // were let go) and keeps them from now on; false when it cannot.
    bool holdPixels(TextureEntry* e);
    // The same for one use (an upload): the pixels may be let go again after.
    bool restorePixels(TextureEntry* e);
    // Bytes of texels the device holds, and of pixels kept on the CPU.
    uint64_t deviceBytes() const;
    uint64_t cpuBytes() const;

    // A picture from a file of at least kIdleReleaseBytes of texels that has
    // not been drawn for kIdleReleaseFrames frames is let go: its device
    // copy and its pixels. Those the CPU reads (keepPixels) and composed ones
    // (labels, blanks), which no file can give back, are never let go.
    static constexpr uint64_t kIdleReleaseBytes = uint64_t{1} << 20;
    static constexpr uint64_t kIdleReleaseFrames = 30 * 80;
    void noteDrawn(TextureEntry* e) { e->lastDrawn = frame_; }
    // A scene ended: counts the frame and lets go of idle pictures. Called
    // after the device drew the frame, so nothing it drew is let go.
    void endFrame();
    // Lets go of the pictures idle for at least that many frames; the count released.
    size_t releaseIdle(uint64_t frames);
    // Particle pictures are named by their last path component and loaded
    // from the particle folder (the 2x one first when that set is in use); the
    // id stays valid even if the file is missing.
    int particleTextureId(const std::string& fileName);
    TextureEntry* textureById(int id);
    std::string particleFolder() const;
    void setParticleFolder(const std::string& folder) { particleFolder_ = folder; }

    // The device went away: forget the device copies (they are remade on use).
    void dropDeviceTextures();
    // Empties the bank (test fixtures and shutdown).
    void clear();
    size_t size() const { return entries_.size(); }

private:
    TextureEntry* store(const std::string& name, uint32_t w, uint32_t h, Image&& image);

    std::map<std::string, std::unique_ptr<TextureEntry>> entries_;
    std::map<std::string, int> particleIds_;
    std::map<int, std::string> particleNames_;
    int lastParticleId_ = 0;
    uint64_t frame_ = 0;
    std::string particleFolder_;  // empty: "particles/" in the pictures folder
};

CTextureBank& textureBank();
