// Text in the bitmap font: a font is a picture pack whose frame n is the
// glyph of byte n. TextLabel draws its string glyph by glyph every frame;
// TextLabelEx composes its string once into a texture of its own.
#pragma once

#include <memory>
#include <string>

#include "scene/sprite.h"

class PicturePack;

struct CaretPos {
    int32_t x = 0, y = 0;
};

class TextLabel : public Sprite {
public:
    TextLabel() = default;
    using Sprite::setColour;

    void draw(const Rect& clip) override;
    void getRect(Rect& out) const override;
    void setScale(float sx, float sy) override;
    int width() const override;

    void setText(const std::string& s);
    void setFont(PicturePack* f);
    void setAlign(int a);
    // Components 0..1, stored as trunc(c * 255).
    void setColour(float r, float g, float b);

    int textWidth(const std::string& s) const;
    // The caret before character index; throws std::out_of_range outside
    // 0..length.
    CaretPos caretPoint(int index) const;
    void layout();

    std::string text;
    PicturePack* font = nullptr;
    int32_t align = 2;  // 0 top left, 1 top right, 2 centre, 3 top centre
    Rect layoutRect;
};

class TextLabelEx : public PckSprite {
public:
    TextLabelEx(PicturePack* font, const std::string& text);
    ~TextLabelEx() override;

    std::unique_ptr<PicturePack> ownPack;
};

// Number of composed labels so far; names their textures "TextLabel%d".
int composedLabelCount();
