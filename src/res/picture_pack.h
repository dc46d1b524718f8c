// A picture pack: one texture plus the rectangles of its frames. The frames
// come from a ".map" file beside the image or from a regular grid cut.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/sprite.h"

class PicturePack final : public SpritePicture {
public:
    // Fills the pack from the pictures folder (the language's own folders
    // first, see languagePictureFolders): the first of name.dds and
    // name.png that loads, framed by name.map or cut into frameCount frames
    // in rows of maxColumns. A missing picture leaves frameCount empty
    // frames. The map's frames are cut to the picture's edges (reported);
    // a map over 1 MB is refused and the grid cut used instead.
    void load(const std::string& name, bool blackIsTransparent, int frameCount, int maxColumns);
    // From one folder; scale is the texels to a logical pixel of its pictures.
    void loadFrom(const std::string& folder, const std::string& name, bool blackIsTransparent, int frameCount,
                  int maxColumns, int scale = 1);
    // One frame of w x h logical pixels over a new blank texture of the bank,
    // scale texels to each (nothing is read or written).
    void createBlank(const std::string& name, int w, int h, int scale = 1);
    void createBlankIn(const std::string& folder, const std::string& name, int w, int h, int scale = 1);
    // Texels to a logical pixel of the texture (2 for the 2x pictures).
    int artScale() const { return scale_; }

    int frameCount() const override { return static_cast<int>(widths_.size()); }
    int frameWidth(int i) const override { return valid(i) ? widths_[static_cast<size_t>(i)] : 0; }
    int frameHeight(int i) const override { return valid(i) ? heights_[static_cast<size_t>(i)] : 0; }
    int frameX(int i) const override { return valid(i) ? xs_[static_cast<size_t>(i)] : 0; }
    int frameY(int i) const override { return valid(i) ? ys_[static_cast<size_t>(i)] : 0; }
    const std::string& texture() const override { return textureName; }
    // Screen rectangle of frame i drawn at (x, y), optionally scaled.
    Rect frameRect(int i, int x, int y) const;
    Rect frameRect(int i, int x, int y, float sx, float sy) const;

    // Appends a frame; values outside 0..2047 are reported, the frame is kept.
    void addFrame(int x, int y, int w, int h);
    void clearFrames();
    void drawFrame(int i, float x, float y, const SpriteParams* params) const;
    // Proportional font: narrows every frame but 0 to the widest opaque run
    // of its pixel rows.
    void trimGlyphs();

    std::string textureName;
    uint32_t width = 0;
    uint32_t height = 0;

private:
    bool valid(int i) const { return i >= 0 && static_cast<size_t>(i) < widths_.size(); }
    void readMap(const std::string& path, int expected);
    std::vector<int32_t> widths_, heights_, xs_, ys_;
    int scale_ = 1;
};

// frameCount for callers that may hold no pack.
int frameCount(const SpritePicture* pack);

// The folders whose pictures stand in for the shared ones in the language
// being played, first first: "<pictures>/<code>" (pictures with words) and
// "<pictures>/cp1250" or "cp1251" (the font of the language's code page).
// Empty in English.
std::vector<std::string> languagePictureFolders();
