#include "ui/buttons.h"

#include <algorithm>

#include "res/picture_pack.h"
#include "scene/sprite.h"
#include "sound/sound.h"

namespace {

int frameW(const PicturePack* pack) { return pack ? pack->frameWidth(0) : 0; }
int frameH(const PicturePack* pack) { return pack ? pack->frameHeight(0) : 0; }

// A picture sequence reporting to `owner` under `id`.
SlideShow* makeShow(Actor* owner, int id) {
    auto* show = new SlideShow;
    show->setOwner(owner, id);
    return show;
}

// Owned shows die with their owner. The zone goes first so that no event can
// reach the owner between its deletion and the show's.
void disposeShow(SlideShow* show) {
    if (!show) return;
    show->sprite.detachZone();
    show->kill();
}

}  // namespace

// ---- AbstractButton ----

void AbstractButton::play(int soundId) {
    if (soundId) Sound_PlayId(soundId);
}

bool AbstractButton::pointerInside() {
    Sprite* s = zoneSprite();
    return s && s->zone.zone && (s->zone.zone->flags & ZF_Inside) != 0;
}

void AbstractButton::initZone(int layer) {
    zoneSprite()->setLayer(layer);
    zoneSprite()->attachZone(kZoneFlags, this, 0);
    updateState();
}

void AbstractButton::setZone(int flags, int zoneValue) {
    zoneSprite()->detachZone();
    zoneSprite()->attachZone(flags, this, zoneValue);
}

void AbstractButton::setHoverSound(const std::string& name) { hoverSound = Sound_GetId(name, kSoundEffect); }

void AbstractButton::setClickSound(const std::string& name) { clickSound = Sound_GetId(name, kSoundEffect); }

void AbstractButton::updateState() {
    const bool hot = enabled && pointerInside();
    if (hot && pressed) {
        showState(2);
        hovered = 1;
    }
    if (hot == (hovered != 0)) {
        if (hot && !pressed) showState(1);
        return;
    }
    if (hot) {
        // The pointer has just come onto an enabled button.
        play(hoverSound);
        showState(1);
        hovered = 1;
    } else {
        showState(0);
        hovered = 0;
    }
}

int AbstractButton::onZoneEvent(int event, int) {
    switch (event) {
    case ZE_Enter:
        // Coming back with the mouse button still held keeps the press, so
        // press, wander off, return and release still clicks.
        pressed = (pressed && leftButtonDown) ? 1 : 0;
        updateState();
        break;
    case ZE_Leave:
        updateState();
        break;
    case ZE_LeftDown:
        if (hovered) showPressed();
        pressed = 1;
        updateState();
        break;
    case ZE_LeftUp:
        if (hovered && pressed) {
            showClicked();
            play(clickSound);
            notifyOwner(0, 4, 0);
        }
        pressed = 0;
        updateState();
        break;
    default:
        break;
    }
    return 1;
}

// ---- Button ----

Button::Button(PicturePack* picturePack, int layer) : pack(picturePack), show(makeShow(this, 0)) {
    show->enqueue(new SSC_SetPck(pack, 0));
    initZone(layer);
}

Button::Button(PicturePack* picturePack, int x, int y, int layer) : pack(picturePack), show(makeShow(this, 0)) {
    show->enqueue(new SSC_SetPck(pack, 0));
    show->enqueue(new SSC_Move(x, y));
    initZone(layer);
}

Button::~Button() { disposeShow(show); }

void Button::showClicked() { show->enqueue(new SSC_SetPck(pack, 1)); }

void Button::showPressed() { show->enqueue(new SSC_SetPck(pack, 2)); }

PckSprite* Button::sprite() { return &show->sprite; }

void Button::showState(int state) { show->enqueue(new SSC_SetPck(pack, state)); }

// ---- ButtonFlag ----

ButtonFlag::ButtonFlag(PicturePack* picturePack, int isChecked, int layer)
    : pack(picturePack), show(makeShow(this, 0)) {
    show->enqueue(new SSC_SetPck(pack, 0));
    initZone(layer);
    checked = isChecked;
    showState(0);
}

ButtonFlag::~ButtonFlag() { disposeShow(show); }

PckSprite* ButtonFlag::sprite() { return &show->sprite; }

void ButtonFlag::showState(int) {
    if (checked == 1)
        show->enqueue(new SSC_Forward(pack));
    else if (checked == 0)
        show->enqueue(new SSC_Backward(pack));
}

int ButtonFlag::onZoneEvent(int event, int) {
    // Only a release inside counts, wherever the press was; a toggle has no
    // hover look.
    if (event == ZE_LeftUp && enabled && pointerInside()) {
        checked = 1 - checked;
        showState(0);
        play(clickSound);
        notifyOwner(0, 0, 0);
    }
    return 1;
}

// ---- Slider ----

Slider::Slider(PicturePack* knob, PicturePack* track, PicturePack* rightPack, PicturePack* leftPack, int x, int y,
               int layer)
    : knobPack(knob), knobShow(makeShow(this, 0)), trackShow(nullptr), rightButton(nullptr), leftButton(nullptr) {
    knobShow->enqueue(new SSC_SetPck(knobPack, 0));
    knobShow->sprite.setPosition(x, y - frameH(knobPack) / 2);
    knobShow->sprite.setLayer(layer + 1);
    knobShow->sprite.attachZone(kZoneFlags, this, 0);

    trackShow = makeShow(this, 0);
    trackShow->enqueue(new SSC_SetPck(track, 0));
    trackShow->sprite.setPosition(x, y - frameH(track) / 2);
    trackShow->sprite.setLayer(layer - 1);
    // Presses on the bare track are swallowed, not passed to what lies below.
    trackShow->sprite.attachZone(ZE_LeftDown | ZE_LeftUp | ZF_Opaque, this, 0);

    rightButton = new Button(rightPack, layer);
    rightButton->sprite()->setPosition(x + frameW(track) - 10, y - frameH(rightPack) / 2);
    rightButton->setOwner(this, 1);

    leftButton = new Button(leftPack, layer);
    leftButton->sprite()->setPosition(x - frameW(leftPack) + 10, y - frameH(leftPack) / 2);
    leftButton->setOwner(this, 2);

    range = frameW(track) - frameW(knobPack);
    value = 0;
    trackX = x;
    knobY = y - frameH(knobPack) / 2;
    knobHalfWidth = frameW(knobPack) / 2;
    dragging = 0;
    updateState();
}

Slider::~Slider() {
    disposeShow(knobShow);
    disposeShow(trackShow);
    if (rightButton) rightButton->kill();
    if (leftButton) leftButton->kill();
}

PckSprite* Slider::sprite() { return &knobShow->sprite; }

void Slider::showState(int state) { knobShow->enqueue(new SSC_SetPck(knobPack, state ? 1 : 0)); }

int Slider::knobOffset(int v) const {
    // A track no wider than the knob leaves no travel: the knob stays put.
    return range > 0 ? v * range / 100 : 0;
}

void Slider::setValue(int v) {
    value = std::clamp(v, 0, 100);
    knobShow->sprite.setPosition(knobOffset(value) + trackX, knobY);
    notifyOwner(0, 0, 0);
}

void Slider::adjustTrack(int dx, int shrink) {
    trackX += dx;
    range -= dx + shrink;
    updateState();
}

void Slider::adjustKnobY(int dy) {
    knobY += dy;
    updateState();
}

void Slider::moveRightButtonBy(int dx, int dy) {
    PckSprite* s = rightButton->sprite();
    s->setPosition(static_cast<int>(s->x) + dx, static_cast<int>(s->y) + dy);
}

void Slider::moveLeftButtonBy(int dx, int dy) {
    PckSprite* s = leftButton->sprite();
    s->setPosition(static_cast<int>(s->x) + dx, static_cast<int>(s->y) + dy);
}

int Slider::onZoneEvent(int event, int) {
    // Events of the knob zone and of the track zone alike.
    switch (event) {
    case ZE_Enter:
    case ZE_Leave:
        updateState();
        break;
    case ZE_LeftDown:
        // Only a press on the knob itself grabs it.
        if (enabled && pointerInside()) {
            showState(1);
            play(clickSound);
            dragging = 1;
        }
        break;
    case ZE_LeftUp:
        if (dragging) {
            showState(0);
            play(clickSound);
            notifyOwner(0, 0, 0);
        }
        dragging = 0;
        break;
    default:
        break;
    }
    return 1;
}

void Slider::update() {
    if (!enabled || !dragging) return;
    // A release outside every zone is only seen here; this tick still follows
    // the pointer.
    if (!leftButtonDown) dragging = 0;
    if (range <= 0) {
        // No travel to map the pointer onto: the knob stays at the track's
        // start and the value as it was.
        knobShow->sprite.setPosition(trackX, knobY);
        notifyOwner(0, 0, 0);
        return;
    }
    const int p = std::clamp(mousePosition.x - knobHalfWidth - trackX, 0, range);
    setValue(p * 100 / range);
}

int Slider::onNotify(int id, int, int, int) {
    if (id == 1)
        setValue(value + 10);
    else if (id == 2)
        setValue(value - 10);
    return 1;
}

// ---- FlashingSprite ----

FlashingSprite::FlashingSprite() : show(makeShow(this, 0)) {
    show->enqueue(new SSC_Move(0, 0));
    show->enqueue(new SSC_SetPck(nullptr, 0));
    show->enqueue(new SSC_Msg(1, 0));
}

FlashingSprite::~FlashingSprite() { disposeShow(show); }

int FlashingSprite::onNotify(int, int, int a, int) {
    if (a != 1) return 1;
    // A zero length would never finish and freeze the blinking.
    const int ticks = std::max(1, fadeTicks);
    auto* in = new SSC_Appear;
    in->setLength(ticks);
    auto* out = new SSC_Dissapear;
    out->setLength(ticks);
    show->enqueue(in);
    show->enqueue(out);
    show->enqueue(new SSC_Msg(1, 0));
    return 1;
}
