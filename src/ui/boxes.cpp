#include "ui/boxes.h"

#include <algorithm>

#include "frame/errors.h"
#include "frame/text_encoding.h"
#include "res/picture_pack.h"
#include "scene/input.h"

namespace {

constexpr int kDefaultLineSpacing = 18;
constexpr int kListTitleGap = 30;
constexpr int kHeaderStep = 28;
constexpr int kChoiceStep = 37;
constexpr int kLastChoiceStep = 15;
constexpr int kBoxPadding = 15;
constexpr int kFramePadding = 30;

// Virtual-key codes as the key events carry them (pressed = code + 0x100).
constexpr int kKeyLeft = 0x125, kKeyRight = 0x127, kKeyDelete = 0x12E;
constexpr int kKeyCodes = 0x100;
constexpr int kBackspace = 8, kEnter = 13;

int tileW(const PicturePack* p) { return p ? p->frameWidth(0) : 0; }
int tileH(const PicturePack* p) { return p ? p->frameHeight(0) : 0; }

TextLabel* makeLabel(PicturePack* font, const std::string& text, int layer, int align, const Colour4& colour) {
    auto* l = new TextLabel;
    l->setLayer(layer);
    l->setAlign(align);
    l->setFont(font);
    l->setText(text);
    applyColour(*l, colour);
    return l;
}

int labelHeight(const TextLabel& l) { return l.layoutRect.bottom - l.layoutRect.top + 1; }

}  // namespace

void applyColour(TextLabel& label, const Colour4& c) { label.setColour(c.r, c.g, c.b); }

// ---------------------------------------------------------------- Group

Group::Group(Actor* owner, int moverId) : groupSprite(std::make_unique<GroupSprite>(0, 0)), mover(new SlideShow) {
    mover->target = groupSprite.get();
    mover->setOwner(owner, moverId);
}

Group::~Group() {
    mover->stop();
    mover->kill();
}

void Group::dropIn() {
    const int h = bounds.bottom - bounds.top + 1;
    mover->enqueue(new SSC_Move(bounds.left, -h));
    mover->enqueue(timed<SSC_SpeedDownTo>(kSlideTicks, bounds.left, bounds.top));
    mover->enqueue(new SSC_Msg(kDropInMsg, 0));
}

void Group::liftOut(int param) {
    const int h = bounds.bottom - bounds.top + 1;
    mover->enqueue(timed<SSC_SpeedDownTo>(kSlideTicks, bounds.left, static_cast<int>(-h * 1.2)));
    mover->enqueue(new SSC_Msg(kLiftOutMsg, param));
}

// ---------------------------------------------------------------- Ramka

void Ramka::layout() {
    const float w = static_cast<float>(columns + 2) * rs.scaleX * static_cast<float>(tileW(framePack));
    const float h = static_cast<float>(rows + 2) * rs.scaleY * static_cast<float>(tileH(framePack));
    offsetLeft = offsetTop = 0;
    right = static_cast<int32_t>(w);
    bottom = static_cast<int32_t>(h);
    const int32_t rw = right - offsetLeft, rh = bottom - offsetTop;
    switch (mode) {
    case 1:
        offsetLeft = -rw - 1;
        right = -1;
        break;
    case 2:
        offsetLeft = (rw + 1) / -2;
        right = offsetLeft + rw;
        offsetTop = (rh + 1) / -2;
        bottom = offsetTop + rh;
        break;
    case 3:
        offsetLeft = (rw + 1) / -2;
        right = offsetLeft + rw;
        break;
    default: break;
    }
}

void Ramka::setMode(int newMode) {
    mode = newMode;
    layout();
    refresh();
}

void Ramka::getRect(Rect& out) const {
    const int32_t ix = static_cast<int32_t>(x), iy = static_cast<int32_t>(y);
    out = Rect{ix + offsetLeft, iy + offsetTop, ix + right, iy + bottom};
}

void Ramka::draw(const Rect&) {
    if (!framePack || !backgroundPack) {
        // A missing picture is a data fault, not worth a modal box per frame.
        if (!reported_) debugCheck(false, "pckFrame=%d pckFon=%d", framePack ? 1 : 0, backgroundPack ? 1 : 0);
        reported_ = true;
        return;
    }
    const int x0 = static_cast<int>(x) + offsetLeft, y0 = static_cast<int>(y) + offsetTop;
    const int tw = tileW(framePack), th = tileH(framePack);
    const int bw = backgroundPack->frameWidth(0), bh = backgroundPack->frameHeight(0);
    if (bw > 0 && bh > 0) {
        SpriteParams inside = rs;
        inside.scaleX *= static_cast<float>(right - offsetLeft + 1 - tw) / static_cast<float>(bw);
        inside.scaleY *= static_cast<float>(bottom - offsetTop + 1 - th) / static_cast<float>(bh);
        backgroundPack->drawFrame(0, static_cast<float>(x0) + static_cast<float>(tw) * 0.5f,
                                  static_cast<float>(y0) + static_cast<float>(th) * 0.5f, &inside);
    }
    const float stepX = static_cast<float>(tw) * rs.scaleX, stepY = static_cast<float>(th) * rs.scaleY;
    float px = static_cast<float>(x0), py = static_cast<float>(y0);
    auto tile = [&](int i) {
        framePack->drawFrame(i, static_cast<float>(static_cast<int>(px)), static_cast<float>(static_cast<int>(py)), &rs);
    };
    // Clockwise from the top-left corner.
    tile(0);
    for (int i = 0; i < columns; ++i) px += stepX, tile(1);
    px += stepX, tile(2);
    for (int i = 0; i < rows; ++i) py += stepY, tile(5);
    py += stepY, tile(8);
    for (int i = 0; i < columns; ++i) px -= stepX, tile(7);
    px -= stepX, tile(6);
    for (int i = 0; i < rows; ++i) py -= stepY, tile(3);
}

// ---------------------------------------------------------------- ButtonLabel

ButtonLabel::ButtonLabel(PicturePack* font, const std::string& text, int layer, int x, int y, const Colour4& normal,
                         const Colour4& hover, int align)
    : normalColour(normal), hoverColour(hover) {
    label.setPosition(x, y);
    label.setLayer(layer);
    label.setAlign(align);
    label.setFont(font);
    label.setText(text);
    applyColour(label, normalColour);
    initZone(layer);
}

ButtonLabel::~ButtonLabel() { label.detachZone(); }

void ButtonLabel::showState(int state) { applyColour(label, state ? hoverColour : normalColour); }

// ---------------------------------------------------------------- ButtonBox

ButtonBox::ButtonBox(PicturePack* font, PicturePack* framePack, PicturePack* backgroundPack,
                     const std::vector<std::string>& choices, const std::vector<std::string>& headers, int x, int y,
                     int layer, int initialHighlight, int vertical, bool withFrame, int zoneFlags,
                     const Colour4& normal, const Colour4& highlight)
    : Group(this, 1), highlighted(initialHighlight), normalColour(normal), highlightColour(highlight) {
    const int fontH = font ? font->frameHeight(0) : 0;
    int width = 0, height = 0;
    struct Placed {
        TextLabel* label;
        int dx, dy;
    };
    std::vector<Placed> placed;

    for (size_t i = 0; i < headers.size(); ++i) {
        auto* l = makeLabel(font, headers[i], layer, 3, normalColour);
        headerLabels.emplace_back(l);
        placed.push_back({l, 0, static_cast<int>(i) * fontH});
        height += kHeaderStep;
        width = std::max(width, l->width());
    }

    const int n = static_cast<int>(choices.size());
    if (vertical == 1) {
        for (int i = 0; i < n; ++i) {
            auto* l = makeLabel(font, choices[static_cast<size_t>(i)], layer, 3,
                                i == initialHighlight ? highlightColour : normalColour);
            choiceLabels.emplace_back(l);
            placed.push_back({l, 0, height});
            height += i + 1 < n ? kChoiceStep : kLastChoiceStep;
            width = std::max(width, l->width());
        }
    } else {
        for (int i = 0; i < n; ++i)
            choiceLabels.emplace_back(makeLabel(font, choices[static_cast<size_t>(i)], layer, 0,
                                                i == initialHighlight ? highlightColour : normalColour));
        int row = 0;
        for (int i = 0; i < n; ++i) row += choiceLabels[static_cast<size_t>(i)]->width();
        if (n > 1) row += (n - 1) * choiceLabels[0]->width();
        int at = 0;
        for (int i = 0; i < n; ++i) {
            TextLabel* l = choiceLabels[static_cast<size_t>(i)].get();
            placed.push_back({l, at - row / 2, height});
            at += 2 * l->width();  // the label and a gap of its own width
        }
        if (n > 1) height += static_cast<int>(1.1 * labelHeight(*choiceLabels[static_cast<size_t>(n - 2)]));
        width = std::max(width, row);
    }
    height += kBoxPadding;
    for (size_t i = 0; i < choiceLabels.size(); ++i)
        choiceLabels[i]->attachZone(zoneFlags, this, static_cast<int>(i));

    for (const Placed& p : placed) groupSprite->addChild(p.label, p.dx, p.dy);

    if (withFrame) {
        if (!framePack) debugCheck(false, "pckFrame=0");
        const int contentHeight = height;
        width += kFramePadding;
        height += kFramePadding;
        frame = std::make_unique<Ramka>();
        frame->framePack = framePack;
        frame->backgroundPack = backgroundPack;
        const int tw = tileW(framePack), th = tileH(framePack);
        frame->columns = tw > 0 ? width / tw : 0;
        frame->rows = th > 0 ? (contentHeight + kFramePadding) / th : 0;
        frame->setLayer(layer - 1);
        frame->setMode(3);
        const int frameHeight = frame->bottom - frame->offsetTop;
        groupSprite->addChild(frame.get(), 0, (contentHeight - frameHeight) / 2);
    }
    bounds = Rect{x, y, x + width, y + height};
    groupSprite->setPosition(x, y);
}

ButtonBox::~ButtonBox() {
    for (auto& l : choiceLabels) l->detachZone();
}

int ButtonBox::onZoneEvent(int event, int index) {
    const int n = static_cast<int>(choiceLabels.size());
    if (index < 0 || index >= n) return 1;
    auto recolour = [this, n](int i, const Colour4& c) {
        if (i >= 0 && i < n) applyColour(*choiceLabels[static_cast<size_t>(i)], c);
    };
    switch (event) {
    case ZE_Enter:
        if (index != highlighted) {
            recolour(highlighted, normalColour);
            recolour(index, highlightColour);
            highlighted = index;
        }
        break;
    case ZE_Leave:
        recolour(highlighted, normalColour);
        highlighted = -1;
        break;
    case ZE_LeftUp:
        if (index == highlighted) notifyOwner(0, 4, index + 1);
        break;
    default: break;
    }
    return 1;
}

int ButtonBox::onNotify(int id, int, int a, int b) {
    if (id == 1 && (a == kDropInMsg || a == kLiftOutMsg)) notifyOwner(0, a, b);
    return 1;
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(PicturePack* listFont, const std::vector<std::string>& names, int listLayer, int listX, int listY,
                 const Colour4& normal, const Colour4& selectedLine, int initialSelection,
                 const std::string& titleText, int spacing)
    : Group(this, 0),
      selected(initialSelection),
      normalColour(normal),
      selectedColour(selectedLine),
      font(listFont),
      lineSpacing(spacing),
      x(listX),
      y(listY),
      layer(listLayer) {
    if (!titleText.empty()) title.reset(makeLabel(font, titleText, layer, 2, normalColour));
    for (const std::string& name : names)
        entries.push_back({std::unique_ptr<TextLabel>(makeLabel(font, name, layer, 2, normalColour)), name});
    relayout();
}

ListBox::~ListBox() {
    for (Entry& e : entries) e.label->detachZone();
}

void ListBox::colourEntries() {
    for (int i = 0; i < count(); ++i)
        applyColour(*entries[static_cast<size_t>(i)].label, i == selected ? selectedColour : normalColour);
}

void ListBox::relayout() {
    groupSprite->clearChildren();
    int at = 0;
    if (title) {
        groupSprite->addChild(title.get(), 0, 0);
        at = kListTitleGap;
    }
    listWidth = 0;
    const int step = lineSpacing != 0 ? lineSpacing : kDefaultLineSpacing;
    for (int i = 0; i < count(); ++i) {
        TextLabel& l = *entries[static_cast<size_t>(i)].label;
        groupSprite->addChild(&l, 0, at);
        l.detachZone();
        l.attachZone(ZE_LeftUp, this, i);
        at += step;
        listWidth = std::max(listWidth, l.width());
    }
    colourEntries();
    listHeight = at;
    bounds = Rect{x, y, x + listWidth, y + listHeight};
    groupSprite->setPosition(x, y);
}

int ListBox::onZoneEvent(int event, int index) {
    if (event == ZE_LeftUp) select(index);
    return 1;
}

void ListBox::select(int index) {
    if (index < 0 || index >= count()) {
        debugCheck(false, "current num > list size");
        return;
    }
    if (index == selected) return;
    if (selected >= 0 && selected < count()) applyColour(*entries[static_cast<size_t>(selected)].label, normalColour);
    applyColour(*entries[static_cast<size_t>(index)].label, selectedColour);
    selected = index;
}

void ListBox::addItem(const std::string& name, int itemLayer) {
    const int align = entries.empty() ? 2 : entries.back().label->align;
    entries.push_back({std::unique_ptr<TextLabel>(makeLabel(font, name, itemLayer, align, normalColour)), name});
    selected = count() - 1;
    relayout();
}

void ListBox::removeSelected() {
    if (selected < 0 || selected >= count()) return;
    entries.erase(entries.begin() + selected);
    if (selected >= count()) selected = count() - 1;
    relayout();
}

void ListBox::setItemsAlign(int align) {
    for (Entry& e : entries) e.label->setAlign(align);
}

void ListBox::setItemText(int index, const std::string& name) {
    if (index < 0 || index >= count()) return;
    Entry& e = entries[static_cast<size_t>(index)];
    e.name = name;
    e.label->setText(name);
    relayout();
}

// ---------------------------------------------------------------- EditBox

EditBox::EditBox(PicturePack* editFont, const std::string& initialText, int x, int y, int layer, int maximum,
                 int align)
    : Group(this, 0), text(initialText), font(editFont), caretShow(new SlideShow), maxLength(maximum) {
    label.setFont(font);
    label.setText(text);
    label.setPosition(x, y);
    label.setAlign(align);
    label.setLayer(layer);
    caretShow->enqueue(new SSC_SetLayer(layer + 1));
    caretShow->setOwner(this, 1);
    groupSprite->addChild(&label, 0, 0);
    groupSprite->addChild(&caretShow->sprite, 0, 0);
    groupSprite->setPosition(x, y);
    setCaret(static_cast<int>(text.size()));
    startBlink();
    setKeyboardFocus(this);
    hasFocus = 1;
    bounds = Rect{x, y, x + label.width(), y + (font ? font->frameHeight(kCaretGlyph) : 0)};
}

EditBox::~EditBox() {
    releaseFocus();
    caretShow->stop();
    caretShow->kill();
}

void EditBox::placeCaret(int pos) {
    const CaretPos p = label.caretPoint(pos);
    caretShow->stop();
    caretShow->enqueue(new SSC_Move(p.x, p.y));
    groupSprite->setChildOffset(&caretShow->sprite, p.x - static_cast<int>(groupSprite->x),
                                p.y - static_cast<int>(groupSprite->y));
    startBlink();
}

void EditBox::setCaret(int pos) {
    if (pos == caret || pos < 0 || pos > static_cast<int>(text.size())) return;
    caret = pos;
    placeCaret(pos);
}

void EditBox::startBlink() {
    caretShow->enqueue(new SSC_SetPck(font, kCaretGlyph));
    caretShow->enqueue(new SSC_Wait(kBlinkTicks));
    caretShow->enqueue(new SSC_SetPck(font, 0));
    caretShow->enqueue(new SSC_Wait(kBlinkTicks));
    caretShow->enqueue(new SSC_Msg(1, 0));
}

int EditBox::onNotify(int id, int, int, int) {
    if (id == 1) startBlink();
    return 1;
}

void EditBox::deleteAt(int pos) {
    if (pos < 0 || pos >= static_cast<int>(text.size())) return;
    text.erase(static_cast<size_t>(pos), 1);
    label.setText(text);
    caret = pos;
    placeCaret(pos);
}

void EditBox::insertChar(int ch) {
    if (static_cast<int>(text.size()) >= maxLength) return;
    text.insert(static_cast<size_t>(caret), 1, static_cast<char>(ch));
    label.setText(text);
    setCaret(caret + 1);
}

int EditBox::onKey(int code) {
    switch (code) {
    case kKeyLeft: setCaret(caret - 1); break;
    case kKeyRight: setCaret(caret + 1); break;
    case kKeyDelete: deleteAt(caret); break;
    case kBackspace: deleteAt(caret - 1); break;
    case kEnter: notifyOwner(0, kEnterMsg, 0); break;
    default:
        // Names are letters and digits the font can draw, whatever the
        // system's locale classifies as such.
        if (code >= 32 && code < kKeyCodes && isFontAlnum(static_cast<unsigned char>(code))) insertChar(code);
        break;
    }
    return 1;
}

void EditBox::releaseFocus() {
    hasFocus = 0;
    if (keyboardFocus() == this) releaseKeyboardFocus(this);
}
