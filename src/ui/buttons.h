// Clickable controls: push buttons, two-state toggles and sliders, plus a
// blinking picture. Every change of look is an animation command queued on
// the control's own SlideShow, so a look that is still animating (a toggle
// flipping) finishes before the next one shows.
//
// Reports to the owner: a button click is (0, 4, 0); a toggle flip and every
// slider value change are (0, 0, 0), after which the owner reads `checked` or
// `value`.
//
// Picture packs are handed in by the caller and never owned: a button pack has
// frame 0 normal, 1 hover, 2 pressed; a toggle pack runs from "off" (first
// frame) to "on" (last frame); a knob pack has frame 0 normal, 1 hover/grabbed.
#pragma once

#include <cstdint>
#include <string>

#include "anim/commands.h"
#include "scene/actor.h"
#include "scene/input.h"

class PicturePack;
class PckSprite;
class Sprite;

// Turns the zone events of one picture sprite into hover, press and click.
class AbstractButton : public Actor {
public:
    // Zone subscription of a button: enter, leave, left press, left release,
    // opaque (so a button hides presses from whatever lies beneath it).
    static constexpr int kZoneFlags = ZE_Enter | ZE_Leave | ZE_LeftDown | ZE_LeftUp | ZF_Opaque;

    AbstractButton() = default;
    int onZoneEvent(int event, int value) override;

    virtual void showClicked() {}
    virtual void showPressed() {}
    virtual PckSprite* sprite() = 0;
    // The sprite that carries the button's zone: its picture, unless the
    // button is drawn otherwise (a text button).
    virtual Sprite* zoneSprite() { return sprite(); }
    // 0 normal, 1 hover, 2 pressed.
    virtual void showState(int state) = 0;

    // Puts sprite() on `layer` and gives it the button's zone.
    void initZone(int layer);
    // Replaces the zone of sprite() by one with these flags and value.
    void setZone(int flags, int value);
    // Unknown names leave the sound silent.
    void setHoverSound(const std::string& name);
    void setClickSound(const std::string& name);
    // Brings the look in line with enabled/pressed and the pointer position.
    void updateState();

    int32_t hoverSound = 0;  // sound-bank id, 0 = none
    int32_t clickSound = 0;  // sound-bank id, 0 = none
    uint8_t enabled = 1;     // owners write it directly
    uint8_t hovered = 0;
    uint8_t pressed = 0;

protected:
    // Whether the pointer is inside the zone of sprite().
    bool pointerInside();
    static void play(int soundId);
};

class Button : public AbstractButton {
public:
    Button(PicturePack* picturePack, int layer);
    Button(PicturePack* picturePack, int x, int y, int layer);
    ~Button() override;

    void showClicked() override;
    void showPressed() override;
    PckSprite* sprite() override;
    void showState(int state) override;

    PicturePack* pack;  // not owned
    SlideShow* show;    // owned; killed with the button
};

// A two-state toggle. It has no hover look and flips on a release inside it.
class ButtonFlag : public AbstractButton {
public:
    ButtonFlag(PicturePack* picturePack, int isChecked, int layer);
    ~ButtonFlag() override;

    int onZoneEvent(int event, int value) override;
    PckSprite* sprite() override;
    // Animates towards the look of `checked`; the argument is not used.
    void showState(int state) override;

    PicturePack* pack;  // not owned
    SlideShow* show;    // owned; killed with the toggle
    int32_t checked = 0;
};

// A horizontal slider, value 0..100, with a draggable knob over a track and a
// step button at each end (id 1 right, id 2 left, 10 per click).
class Slider : public AbstractButton {
public:
    // x is the left edge of the track, y the vertical centre of the control.
    Slider(PicturePack* knob, PicturePack* track, PicturePack* rightPack, PicturePack* leftPack, int x, int y,
           int layer);
    ~Slider() override;

    int onZoneEvent(int event, int value) override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;
    PckSprite* sprite() override;
    void showState(int state) override;

    // Clamps to 0..100, places the knob and reports.
    void setValue(int v);
    // Neither moves the knob until the next setValue.
    void adjustTrack(int dx, int shrink);
    void adjustKnobY(int dy);
    void moveRightButtonBy(int dx, int dy);
    void moveLeftButtonBy(int dx, int dy);

    PicturePack* knobPack;  // not owned
    SlideShow* knobShow;    // owned
    SlideShow* trackShow;   // owned
    Button* rightButton;    // owned
    Button* leftButton;     // owned
    int32_t value = 0;
    int32_t trackX = 0;
    int32_t knobY = 0;
    int32_t range = 0;  // knob travel in pixels
    int32_t knobHalfWidth = 0;
    uint8_t dragging = 0;

private:
    int knobOffset(int v) const;
};

// Fades its picture in and out, one second each way, until killed. The owner
// sets the picture and position on `show` or on its sprite.
class FlashingSprite : public Actor {
public:
    FlashingSprite();
    ~FlashingSprite() override;
    // Keeps the cycle going; reports nothing upwards.
    int onNotify(int id, int msg, int a, int b) override;

    SlideShow* show;  // owned
    int32_t fadeTicks = 80;
};
