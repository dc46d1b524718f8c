#include "res/text_label.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "gfx/texture_bank.h"
#include "res/picture_pack.h"

namespace {
int g_composed = 0;

int code(char c) { return static_cast<unsigned char>(c); }

// Frames come from files and scales from callers; a long text in a wide
// font can sum past what an int holds. Sizes saturate instead.
int32_t toInt32(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}
}  // namespace

int composedLabelCount() { return g_composed; }

void TextLabel::layout() {
    if (!font) return;
    float w = 0.0f;
    for (char c : text) w += static_cast<float>(font->frameWidth(code(c))) * rs.scaleX;
    // The height comes from the first character (the terminating zero of an
    // empty string) and is one pixel more than its frame.
    const int first = text.empty() ? 0 : code(text[0]);
    const float h = static_cast<float>(font->frameHeight(first) + 1) * rs.scaleY;
    // Kept to half the int range, so the alignment sums below cannot overflow.
    constexpr double kLimit = INT32_MAX / 4;
    layoutRect = Rect{0, 0, toInt32(std::clamp<double>(w - 1.0f, -kLimit, kLimit)),
                      toInt32(std::clamp<double>(h - 1.0f, -kLimit, kLimit))};
    const int32_t rw = layoutRect.right - layoutRect.left + 1, rh = layoutRect.bottom - layoutRect.top + 1;
    int32_t dx = 0, dy = 0;
    switch (align) {
    case 1: dx = -rw; break;
    case 2: dx = -(rw / 2), dy = -(rh / 2); break;
    case 3: dx = -(rw / 2); break;
    default: break;
    }
    layoutRect.left += dx, layoutRect.right += dx;
    layoutRect.top += dy, layoutRect.bottom += dy;
}

void TextLabel::draw(const Rect&) {
    if (!font) return;
    const float cx = rs.hotX, cy = rs.hotY, sx = rs.scaleX, sy = rs.scaleY;
    // Each glyph is drawn at its own place with the hot spot shifted back to
    // the label's, so rotation and scaling turn the label as one piece.
    rs.hotY = cy - static_cast<float>(layoutRect.top) / sy;
    float b = static_cast<float>(layoutRect.left);
    const int ix = toInt32(x), iy = toInt32(y);
    for (char ch : text) {
        const int c = toInt32(b);
        rs.hotX = cx - static_cast<float>(c) / sx;
        font->drawFrame(code(ch), static_cast<float>(int64_t{c} + ix), static_cast<float>(int64_t{iy} + layoutRect.top),
                        &rs);
        b += static_cast<float>(font->frameWidth(code(ch))) * sx;
    }
    rs.hotX = cx;
    rs.hotY = cy;
}

void TextLabel::getRect(Rect& out) const {
    const int32_t ix = static_cast<int32_t>(x), iy = static_cast<int32_t>(y);
    out = Rect{layoutRect.left + ix, layoutRect.top + iy, layoutRect.right + ix, layoutRect.bottom + iy};
}

void TextLabel::setScale(float sx, float sy) {
    Sprite::setScale(sx, sy);
    layout();
}

int TextLabel::width() const { return textWidth(text); }

void TextLabel::setText(const std::string& s) {
    text = s;
    layout();
    refresh();
}

void TextLabel::setFont(PicturePack* f) {
    font = f;
    layout();
    refresh();
}

void TextLabel::setAlign(int a) {
    if (a == align) return;
    align = a;
    layout();
    refresh();
}

void TextLabel::setColour(float r, float g, float b) {
    setColour(static_cast<int>(r * 255.0f), static_cast<int>(g * 255.0f), static_cast<int>(b * 255.0f));
}

int TextLabel::textWidth(const std::string& s) const {
    if (!font) return 0;
    int64_t sum = 0;
    for (char c : s) sum += font->frameWidth(code(c));
    return static_cast<int>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

CaretPos TextLabel::caretPoint(int index) const {
    if (index < 0 || static_cast<size_t>(index) > text.size()) throw std::out_of_range("Error: getPos in TextLabel");
    int64_t sum = 0;
    for (int k = 0; k < index && font; ++k) {
        const int c = code(text[static_cast<size_t>(k)]);
        // The caret counts a space as 5 pixels whatever the font's space is.
        const float w = c == 32 ? 5.0f * rs.scaleX : static_cast<float>(font->frameWidth(c)) * rs.scaleX;
        sum += toInt32(w);
    }
    return CaretPos{toInt32(static_cast<double>(layoutRect.left + sum - 3) + toInt32(x)),
                    toInt32(static_cast<double>(layoutRect.top) + toInt32(y))};
}

TextLabelEx::TextLabelEx(PicturePack* font, const std::string& text) {
    if (!font) return;
    float sum = 0.0f;
    for (char c : text) sum += static_cast<float>(font->frameWidth(code(c)));
    const int w = toInt32(sum);
    const int first = text.empty() ? 0 : code(text[0]);
    const int h = font->frameHeight(first) + 1;
    char name[32];
    std::snprintf(name, sizeof name, "TextLabel%d", ++g_composed);
    // The label's texture has as many texels to a pixel as the font's.
    const int s = font->artScale();
    ownPack = std::make_unique<PicturePack>();
    ownPack->createBlank(name, w, h, s);
    CTextureBank& bank = textureBank();
    const TextureEntry* source = bank.find(font->textureName);
    int at = 0;
    for (char ch : text) {
        const int c = code(ch);
        // One row below the glyph is copied too; glyphs on the sheet's last
        // row have no such row, and are copied without it instead of not at all.
        int rows = font->frameHeight(c) + 1;
        if (source) rows = std::min(rows, source->surfaceHeight / s - font->frameY(c));
        bank.copyOpaquePixels(ownPack->textureName, font->textureName, at * s, 0, font->frameX(c) * s,
                              font->frameY(c) * s, font->frameWidth(c) * s, rows * s);
        at += font->frameWidth(c);
    }
    setPicture(ownPack.get(), 0);
}

TextLabelEx::~TextLabelEx() {
    if (ownPack) textureBank().remove(ownPack->textureName);
}
