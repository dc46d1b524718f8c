// Composite widgets of the profile screen and the high-score plate: a
// nine-patch frame (Ramka), a text button (ButtonLabel), a box of text
// choices (ButtonBox), a list of selectable lines (ListBox) and a one-line
// name field with a blinking caret (EditBox).
//
// The last three are also a Group: their sprites are children of one
// GroupSprite that a SlideShow moves as a whole, which gives each of them the
// same drop-in and lift-out. Reports: a ButtonBox click is (0, 4, choice + 1),
// Enter in an EditBox (0, 2, 0); the end of a drop-in is (0, 3, 0) and the end
// of a lift-out (0, 5, param).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "res/text_label.h"
#include "scene/actor.h"
#include "scene/sprite.h"
#include "ui/buttons.h"

class PicturePack;

// Red, green and blue in 0..1; the fourth value is carried but not applied.
struct Colour4 {
    float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
};
void applyColour(TextLabel& label, const Colour4& c);

// The group half of a composite widget (the widget is the Actor that owns
// the mover). The group only moves through the mover; `bounds` is the
// widget's rectangle where it rests.
class Group {
public:
    static constexpr int kSlideTicks = 16;  // a fifth of a second
    static constexpr int kDropInMsg = 3;
    static constexpr int kLiftOutMsg = 5;

    explicit Group(Actor* owner, int moverId);
    virtual ~Group();

    // Jumps just above the screen and eases down into `bounds`, then the
    // mover reports kDropInMsg.
    void dropIn();
    // Eases up beyond the top edge, then the mover reports (kLiftOutMsg, param).
    void liftOut(int param);

    Rect bounds;
    std::unique_ptr<GroupSprite> groupSprite;
    SlideShow* mover;          // owned; killed with the group

    Group(const Group&) = delete;
    Group& operator=(const Group&) = delete;
};

// A frame of nine tiles around a stretched background: tile 0 top-left, 1 top
// edge, 2 top-right, 3 left edge, 5 right edge, 6 bottom-left, 7 bottom edge,
// 8 bottom-right, all stepped by the size of tile 0.
class Ramka : public Sprite {
public:
    Ramka() = default;
    void draw(const Rect& clip) override;
    void getRect(Rect& out) const override;

    // Size from columns and rows, then the alignment of `mode`.
    void layout();
    // 0 top-left corner at the position, 1 top-right, 2 centre, 3 top centre.
    void setMode(int newMode);

    int32_t offsetLeft = 0, offsetTop = 0, right = 0, bottom = 0;  // inclusive, relative to the position
    PicturePack* framePack = nullptr;       // not owned
    PicturePack* backgroundPack = nullptr;  // not owned
    int32_t columns = 0, rows = 0;          // edge tiles between the corners
    int32_t mode = 0;

private:
    bool reported_ = false;  // a missing pack is logged once, not every frame
};

// A text that behaves like a button: hover colour instead of hover picture.
class ButtonLabel : public AbstractButton {
public:
    ButtonLabel(PicturePack* font, const std::string& text, int layer, int x, int y, const Colour4& normal,
                const Colour4& hover, int align);
    ~ButtonLabel() override;

    PckSprite* sprite() override { return nullptr; }
    Sprite* zoneSprite() override { return &label; }
    void showState(int state) override;

    TextLabel label;
    Colour4 normalColour, hoverColour;
};

// Header lines over text choices, stacked or in one row, optionally framed.
class ButtonBox : public Actor, public Group {
public:
    ButtonBox(PicturePack* font, PicturePack* framePack, PicturePack* backgroundPack,
              const std::vector<std::string>& choices, const std::vector<std::string>& headers, int x, int y,
              int layer, int initialHighlight, int vertical, bool withFrame, int zoneFlags, const Colour4& normal,
              const Colour4& highlight);
    ~ButtonBox() override;

    int onZoneEvent(int event, int index) override;
    int onNotify(int id, int msg, int a, int b) override;

    int32_t highlighted = -1;
    std::vector<std::unique_ptr<TextLabel>> headerLabels, choiceLabels;
    Colour4 normalColour, highlightColour;
    std::unique_ptr<Ramka> frame;
};

// Selectable lines under an optional title. A release on a line selects it;
// the owner reads `selected` (nothing is reported). Lists are drawn on their
// screen's own panel, so they have no frame of their own.
class ListBox : public Actor, public Group {
public:
    ListBox(PicturePack* font, const std::vector<std::string>& names, int layer, int x, int y,
            const Colour4& normal, const Colour4& selectedColour, int initialSelection, const std::string& title,
            int lineSpacing);
    ~ListBox() override;

    int onZoneEvent(int event, int index) override;

    // Out of range (below 0 or past the end) is refused and logged.
    void select(int index);
    // Appends a line, selects it and lays the list out again.
    void addItem(const std::string& name, int layer);
    // Removes the selected line; the selection moves to the previous one when
    // the last was removed. Does nothing without a valid selection.
    void removeSelected();
    void setItemsAlign(int align);
    // Changes the text of line `index`.
    void setItemText(int index, const std::string& name);
    int count() const { return static_cast<int>(entries.size()); }

    struct Entry {
        std::unique_ptr<TextLabel> label;
        std::string name;
    };

    int32_t selected = -1;
    std::unique_ptr<TextLabel> title;
    std::vector<Entry> entries;
    Colour4 normalColour, selectedColour;
    PicturePack* font;  // not owned
    int32_t lineSpacing = 0;  // 0 means 18
    int32_t x = 0, y = 0;
    int32_t listWidth = 0, listHeight = 0;
    int32_t layer = 0;

private:
    void relayout();
    void colourEntries();
};

// A one-line text field. It holds the keyboard focus from its construction
// until releaseFocus() or its end, and takes every key meanwhile.
class EditBox : public Actor, public Group {
public:
    static constexpr int kCaretGlyph = 124;  // the font's vertical bar
    static constexpr int kBlinkTicks = 22;
    static constexpr int kEnterMsg = 2;

    EditBox(PicturePack* font, const std::string& initialText, int x, int y, int layer, int maxLength, int align);
    ~EditBox() override;

    int onKey(int code) override;
    int onNotify(int id, int msg, int a, int b) override;

    void setCaret(int pos);
    void startBlink();
    void deleteAt(int pos);
    void insertChar(int ch);
    // Safe to call twice, or when another field holds the focus.
    void releaseFocus();

    std::string text;
    TextLabel label;
    PicturePack* font;  // not owned; also the caret's glyph
    SlideShow* caretShow;  // owned
    int32_t caret = -1;
    int32_t maxLength;
    uint8_t hasFocus = 0;

private:
    void placeCaret(int pos);
};
