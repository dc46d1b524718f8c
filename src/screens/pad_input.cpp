#include "screens/pad_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/app.h"
#include "game/cannon.h"
#include "game/game.h"
#include "scene/actor.h"
#include "scene/engine.h"
#include "scene/input.h"
#include "ui/boxes.h"
#include "ui/buttons.h"

using platform::HeldState;
using platform::PadAxis;
using platform::PadButton;

namespace {
constexpr int kEventPriority = 0x80C0;
constexpr int kIdlePriority = 0x10000002;  // after the game's frame step
constexpr int kStepsPerSecond = 80;
constexpr int kGunY = 560;  // the pointer rests over the cannon while it aims
constexpr int kFrameW = 800, kFrameH = 600;

// The speed curve. The stick's speed grows with the square of its push past
// the dead zone: a small push aims to the pixel, a full one crosses the rail
// in about two thirds of a second. A held d-pad or key starts slowly and
// speeds up over most of a second; a tap moves the cannon a pixel or two.
constexpr int kDeadZone = 8000;
constexpr float kFastSpeed = 1000.0f;  // pixels per second
constexpr float kSlowSpeed = 60.0f;
constexpr int kRampTicks = 60;
constexpr float kTapStep = 2.0f;
// A trigger counts as pressed past the first of these and let go below the
// second, so a trigger resting half-way does not flicker.
constexpr int kTriggerOn = 12000, kTriggerOff = 6000;
// The stick moves the focus once it is pushed half-way.
constexpr int kStickFocus = 16000;
// A held direction moves the focus again after a pause, then steadily.
constexpr int kFirstRepeatTicks = 32, kRepeatTicks = 12;
// The letters a name field's picker runs through, in the font's range.
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kLetterCount = static_cast<int>(sizeof kLetters) - 1;

struct Direction {
    int pad = 0;  // the d-pad, -1..1
    int key = 0;  // the arrows (and A/D in play)
    int stick = 0;  // the stick's raw value
};

bool g_installed = false;
HookNode g_idleNode{padIdleHook, nullptr, 0, nullptr};

struct PadState {
    bool delivering = false;  // our own events pass the hook untouched
    bool active = false;      // the pad or the keys point: the cursor hides
    float x = 400;  // where the cannon is being slid to
    bool leftHeld = false;
    bool aDown = false, triggerDown = false, spaceDown = false;  // what holds the charge
    Direction horizontal, vertical;
    int heldTicks = 0;        // how long the present direction has been held
    int lastDirX = 0, lastDirY = 0;
    int32_t lastTick = -1;
    int32_t focusId = 0;
    bool returnToFocus = false;  // a slider's step button was clicked
    bool clickDown = false;      // a click on the focus waits for its release
    // The name field's letter picker.
    Actor* pickerField = nullptr;
    bool pickerOff = false;  // B gave the d-pad to the dialog's buttons
    int letter = -1;         // the letter being picked, -1 for none yet
    bool keysChoseButton = false;  // the arrows left a name field for a button
    bool swallowReturnText = false;
};
PadState g;

HeldState held() {
    HeldState h;
    h.left = g.leftHeld;
    return h;
}

void deliver(const Event& e) {
    g.delivering = true;
    deliverEvent(e);
    g.delivering = false;
}

void moveTo(int x, int y) {
    x = std::clamp(x, 0, kFrameW - 1);
    y = std::clamp(y, 0, kFrameH - 1);
    if (x == mousePosition.x && y == mousePosition.y) return;
    deliver(platform::pointerMove(x, y, held()));
}

void leftButton(bool down) {
    if (down == g.leftHeld) return;
    g.leftHeld = down;
    deliver(platform::pointerButton(PointerButton::Left, down, mousePosition.x, mousePosition.y, held()));
}

void rightClick() {
    deliver(platform::pointerButton(PointerButton::Right, true, mousePosition.x, mousePosition.y, held()));
    deliver(platform::pointerButton(PointerButton::Right, false, mousePosition.x, mousePosition.y, held()));
}

void tapKey(Key k) {
    deliver(platform::keyEvent(true, k));
    deliver(platform::keyEvent(false, k));
}

void typeCharacter(uint8_t c) { deliver(platform::textEvent(c)); }

bool answersClicks(const MouseZone* z) {
    return !(z->flags & ZF_Disabled) && (z->flags & (ZE_LeftDown | ZE_LeftUp)) && z->w > 0 && z->h > 0;
}

int centreX(const MouseZone* z) { return z->x + z->w / 2; }
int centreY(const MouseZone* z) { return z->y + z->h / 2; }

// A click at (x, y) reaches `zone`: no zone before it in the list that
// holds the point answers the click and hides what lies beneath.
bool reachable(const MouseZone* zone, int x, int y) {
    for (const MouseZone* z = zoneListHead(); z && z != zone; z = z->next)
        if (answersClicks(z) && (z->flags & ZF_Opaque) && z->contains(x, y)) return false;
    return true;
}

bool isFieldZone(const MouseZone* z) {
    const Game* game = Game::existing();
    return game && zoneHandler(z) == static_cast<const Actor*>(game);
}

bool onFrame(const MouseZone* z) {
    return z->x < kFrameW && z->y < kFrameH && z->x + z->w > 0 && z->y + z->h > 0;
}

const MouseZone* findLive(int32_t id) {
    if (id == 0) return nullptr;
    for (const MouseZone* z : focusCandidates())
        if (z->id == id) return z;
    return nullptr;
}

// Where the pointer goes for a zone: its middle, or where the pointer is
// already when that is inside it and reaches it (a field-wide zone).
void pointAt(const MouseZone* z) {
    if (z->contains(mousePosition.x, mousePosition.y) && focusCandidateAt(mousePosition.x, mousePosition.y) == z)
        return;
    moveTo(centreX(z), centreY(z));
}

void setFocus(const MouseZone* z) {
    g.focusId = z ? z->id : 0;
    if (!z) return;
    pointAt(z);
    // A list's lines have no hover look: the focus selects the line it
    // lands on, as the arrows do in any list.
    if (dynamic_cast<ListBox*>(zoneHandler(z))) {
        leftButton(true);
        leftButton(false);
    }
}

// The first focus on a screen: the zone under the pointer, else the one
// nearest to it.
const MouseZone* firstFocus() {
    if (const MouseZone* z = focusCandidateAt(mousePosition.x, mousePosition.y)) return z;
    const MouseZone* best = nullptr;
    long bestDistance = 0;
    for (const MouseZone* z : focusCandidates()) {
        const long dx = centreX(z) - mousePosition.x, dy = centreY(z) - mousePosition.y;
        const long d = dx * dx + dy * dy;
        if (!best || d < bestDistance) {
            best = z;
            bestDistance = d;
        }
    }
    return best;
}

const MouseZone* ensureFocus() {
    const MouseZone* focus = findLive(g.focusId);
    if (!focus) {
        focus = firstFocus();
        setFocus(focus);
    }
    return focus;
}

Slider* sliderOf(const MouseZone* z) { return z ? dynamic_cast<Slider*>(zoneHandler(z)) : nullptr; }

// What the focus rule measures: a zone's rectangle, a slider's knob
// widened to its whole track (the knob wanders with the value).
struct Extent {
    int left, top, right, bottom;  // right and bottom exclusive
    int middleX() const { return (left + right) / 2; }
    int middleY() const { return (top + bottom) / 2; }
};

Extent extentOf(const MouseZone* z) {
    Extent e{z->x, z->y, z->x + z->w, z->y + z->h};
    if (Slider* slider = sliderOf(z)) {
        for (const MouseZone* t = zoneListHead(); t; t = t->next) {
            if (t == z || zoneHandler(t) != slider) continue;
            e.left = std::min(e.left, t->x);
            e.top = std::min(e.top, t->y);
            e.right = std::max(e.right, t->x + t->w);
            e.bottom = std::max(e.bottom, t->y + t->h);
        }
    }
    return e;
}

const MouseZone* zoneOf(const Actor* handler) {
    for (const MouseZone* z = zoneListHead(); z; z = z->next)
        if (zoneHandler(z) == handler && answersClicks(z)) return z;
    return nullptr;
}

// One step of the focus in a direction; on a slider left and right click
// its step buttons instead, and the pointer comes back to the knob after.
void stepFocus(int dx, int dy) {
    const MouseZone* focus = findLive(g.focusId);
    if (!focus) {
        // The first press shows where the focus is, and does nothing else.
        ensureFocus();
        return;
    }
    if (dx != 0) {
        if (Slider* slider = sliderOf(focus)) {
            if (const MouseZone* step = zoneOf(dx < 0 ? slider->leftButton : slider->rightButton)) {
                moveTo(centreX(step), centreY(step));
                leftButton(true);
                leftButton(false);
                g.returnToFocus = true;
                return;
            }
        }
    }
    if (const MouseZone* next = nextFocus(focus, mousePosition.x, mousePosition.y, dx, dy)) setFocus(next);
}

EditBox* nameField() { return dynamic_cast<EditBox*>(keyboardFocus()); }

bool picking() {
    EditBox* field = nameField();
    if (field != g.pickerField) {
        // A new field (or none): the picker starts over.
        g.pickerField = field;
        g.pickerOff = false;
        g.letter = -1;
        g.keysChoseButton = false;
    }
    return field && !g.pickerOff;
}

// Up and down run through the letters at the caret, right takes the next
// letter, left rubs the last one out: all as typed keys, so the field
// checks them as it checks the keyboard's.
void pickLetter(int dx, int dy) {
    const EditBox* field = nameField();
    const bool full = field && static_cast<int>(field->text.size()) >= field->maxLength;
    if (g.letter < 0 && full && (dy != 0 || dx > 0)) return;  // a full field takes no more
    if (dy != 0) {
        const int start = dy < 0 ? 0 : kLetterCount - 1;
        const int next = g.letter < 0 ? start : (g.letter - dy + kLetterCount) % kLetterCount;
        if (g.letter >= 0) typeCharacter(8);
        typeCharacter(static_cast<uint8_t>(kLetters[next]));
        g.letter = next;
    } else if (dx > 0) {
        if (full) return;
        typeCharacter(static_cast<uint8_t>(kLetters[0]));
        g.letter = 0;
    } else if (dx < 0) {
        typeCharacter(8);
        g.letter = -1;
    }
}

void step(int dx, int dy) {
    if (picking())
        pickLetter(dx, dy);
    else
        stepFocus(dx, dy);
}

int sign(int v) { return (v > 0) - (v < 0); }

int directionOf(const Direction& d, int stickThreshold) {
    if (d.pad != 0) return d.pad;
    if (d.key != 0) return d.key;
    return std::abs(d.stick) >= stickThreshold ? sign(d.stick) : 0;
}

// A direction newly pressed acts at once; the idle step repeats it. Letting
// go of one while another is held does not step the other again.
void directionChanged() {
    if (padPlayMode()) return;
    const int dx = directionOf(g.horizontal, kStickFocus), dy = directionOf(g.vertical, kStickFocus);
    const bool newX = dx != 0 && dx != g.lastDirX, newY = dy != 0 && dy != g.lastDirY;
    g.lastDirX = dx;
    g.lastDirY = dy;
    if (!newX && !newY) return;
    g.heldTicks = 0;
    if (newY)
        step(0, dy);
    else
        step(dx, 0);
}

void becomeActive() {
    if (g.active) return;
    g.active = true;
    g.x = static_cast<float>(mousePosition.x);
    hideCursorForPad(true);
}

// The charge is held while any of its buttons is.
void updateCharge() {
    const bool hold = g.aDown || g.triggerDown || g.spaceDown;
    if (hold && !g.leftHeld && padPlayMode()) {
        // The pointer is over the cannon before the press.
        moveTo(static_cast<int>(std::lround(g.x)), kGunY);
        leftButton(true);
    } else if (!hold && g.leftHeld) {
        leftButton(false);
    }
}

// A or Enter outside play: press on the focus, release where it was
// pressed. The first press only shows where the focus is.
void clickFocus(bool down) {
    if (down) {
        const MouseZone* focus = findLive(g.focusId);
        if (!focus) {
            ensureFocus();
            return;
        }
        pointAt(focus);
        g.clickDown = true;
        leftButton(true);
    } else if (g.clickDown) {
        g.clickDown = false;
        leftButton(false);
    }
}

int padButton(const Event& e) {
    if (e.controllerButton < 0 || e.controllerButton >= static_cast<int>(PadButton::Count)) return 0;
    const auto b = static_cast<PadButton>(e.controllerButton);
    if (e.down) becomeActive();
    const bool play = padPlayMode();
    switch (b) {
        case PadButton::DpadLeft:
        case PadButton::DpadRight:
            g.horizontal.pad = e.down ? (b == PadButton::DpadLeft ? -1 : 1) : 0;
            if (play && e.down) g.x += b == PadButton::DpadLeft ? -kTapStep : kTapStep;
            directionChanged();
            break;
        case PadButton::DpadUp:
        case PadButton::DpadDown:
            g.vertical.pad = e.down ? (b == PadButton::DpadUp ? -1 : 1) : 0;
            directionChanged();
            break;
        case PadButton::A:
            if (!e.down && g.clickDown) {
                clickFocus(false);  // a click's release, wherever the game went meanwhile
            } else if (play || (g.leftHeld && !g.clickDown)) {
                g.aDown = e.down;
                updateCharge();
            } else if (picking()) {
                if (e.down) typeCharacter(13);  // the name is done, as Enter says
            } else {
                clickFocus(e.down);
            }
            break;
        case PadButton::B:
        case PadButton::X:
        case PadButton::Y:
            if (!e.down) break;
            if (play) {
                if (b != PadButton::Y) rightClick();
            } else if (nameField() && b != PadButton::X) {
                // B or Y: from the letters to the dialog's buttons, and back.
                picking();
                g.pickerOff = !g.pickerOff;
                if (g.pickerOff) ensureFocus();
            } else if (b == PadButton::B) {
                tapKey(Key::Escape);
            }
            break;
        case PadButton::Start:
        case PadButton::Back:
            if (e.down) tapKey(Key::Escape);
            break;
        default: break;
    }
    return 0;
}

int padAxis(const Event& e) {
    const int v = std::clamp(e.axisValue, -32768, 32767);
    switch (static_cast<PadAxis>(e.axis)) {
        case PadAxis::LeftX:
            g.horizontal.stick = v;
            break;
        case PadAxis::LeftY:
            g.vertical.stick = v;
            break;
        case PadAxis::RightTrigger: {
            const bool down = g.triggerDown ? v > kTriggerOff : v > kTriggerOn;
            if (down == g.triggerDown) return 0;
            if (down) becomeActive();
            g.triggerDown = down;
            if (padPlayMode() || (g.leftHeld && !g.clickDown)) updateCharge();
            return 0;
        }
        default: return 0;
    }
    if (std::abs(v) > kDeadZone) becomeActive();
    if (g.active) directionChanged();
    return 0;
}

// Keys: arrows everywhere; A, D, Space, Ctrl and S only in play, and none
// of the letters while a name field takes the keyboard.
int keyEvent(const Event& e) {
    const bool down = e.type == EventType::KeyDown;
    const bool play = padPlayMode() && !nameField();
    const Key k = e.key;
    const bool horizontalKey = k == Key::Left || k == Key::Right || (play && (k == Key::A || k == platform::letterKey('D')));
    const bool verticalKey = k == Key::Up || k == Key::Down;
    if (nameField()) {
        picking();
        // The arrows up and down go from the field to the dialog's buttons;
        // Enter then clicks the button rather than confirming the name.
        if (verticalKey) {
            if (down && !e.repeat) {
                becomeActive();
                g.keysChoseButton = true;
                const MouseZone* focus = findLive(g.focusId);
                if (!focus)
                    ensureFocus();
                else
                    stepFocus(0, k == Key::Up ? -1 : 1);
            }
            return 0;
        }
        if (k == Key::Return && g.keysChoseButton && findLive(g.focusId)) {
            if (!e.repeat) clickFocus(down);
            g.swallowReturnText = down;
            return 0;
        }
        return 1;
    }
    if (horizontalKey || verticalKey) {
        if (e.repeat) return play ? 1 : 0;  // the pad repeats by itself
        if (down) becomeActive();
        const int dir = k == Key::Left || k == Key::A || k == Key::Up ? -1 : 1;
        Direction& d = horizontalKey ? g.horizontal : g.vertical;
        if (down)
            d.key = dir;
        else if (d.key == dir)
            d.key = 0;
        if (play && down && horizontalKey) g.x += static_cast<float>(dir) * kTapStep;
        directionChanged();
        return play ? 1 : 0;
    }
    if (play && k == Key::Space) {
        if (e.repeat) return 1;
        if (down) becomeActive();
        g.spaceDown = down;
        updateCharge();
        return 1;
    }
    if (play && (k == Key::Control || k == platform::letterKey('S'))) {
        if (down && !e.repeat) {
            becomeActive();
            rightClick();
        }
        return 1;
    }
    if (!play && k == Key::Return && !e.menuKey) {
        if (e.repeat) return 0;
        if (down) becomeActive();
        // Enter lets a charge go that began in play (the game paused meanwhile).
        if (!down && g.leftHeld && !g.clickDown) {
            g.spaceDown = false;
            updateCharge();
        } else {
            clickFocus(down);
        }
        g.swallowReturnText = down;
        return 0;
    }
    return 1;
}

// Moves the cannon one logic tick's worth.
void slide(int ticks) {
    const int dir = g.horizontal.pad != 0 ? g.horizontal.pad : g.horizontal.key;
    float speed = 0;
    if (dir != 0) {
        const float ramp = std::min(1.0f, static_cast<float>(g.heldTicks) / kRampTicks);
        speed = static_cast<float>(dir) * (kSlowSpeed + (kFastSpeed - kSlowSpeed) * ramp * ramp);
    } else if (std::abs(g.horizontal.stick) > kDeadZone) {
        const float t = static_cast<float>(std::abs(g.horizontal.stick) - kDeadZone) / (32767 - kDeadZone);
        speed = static_cast<float>(sign(g.horizontal.stick)) * kFastSpeed * std::min(1.0f, t) * std::min(1.0f, t);
    }
    g.heldTicks = dir != 0 ? g.heldTicks + ticks : 0;
    g.x += speed * static_cast<float>(ticks) / kStepsPerSecond;
    g.x = std::clamp(g.x, static_cast<float>(kGunMinX), static_cast<float>(kGunMaxX));
    moveTo(static_cast<int>(std::lround(g.x)), kGunY);
}

void repeatDirection(int ticks) {
    const int dx = directionOf(g.horizontal, kStickFocus), dy = directionOf(g.vertical, kStickFocus);
    if (dx != g.lastDirX || dy != g.lastDirY) {
        directionChanged();
        if (dx != g.lastDirX || dy != g.lastDirY) return;
    }
    if (dx == 0 && dy == 0) return;
    const int before = g.heldTicks;
    g.heldTicks += ticks;
    // Every repeat moment passed since the last step.
    for (int t = before + 1; t <= g.heldTicks; ++t)
        if (t >= kFirstRepeatTicks && (t - kFirstRepeatTicks) % kRepeatTicks == 0) step(dy != 0 ? 0 : dx, dy);
}
}  // namespace

bool padPlayMode() {
    const Game* game = Game::existing();
    return game && !game->paused() && game->current == &game->physics && !game->dead;
}

std::vector<const MouseZone*> focusCandidates() {
    std::vector<const MouseZone*> small, all;
    for (const MouseZone* z = zoneListHead(); z; z = z->next) {
        if (!answersClicks(z) || !onFrame(z) || !reachable(z, centreX(z), centreY(z))) continue;
        Actor* handler = zoneHandler(z);
        // A button an owner switched off still has its zone.
        if (auto* button = dynamic_cast<AbstractButton*>(handler); button && !button->enabled) continue;
        // A slider is its knob: left and right on it do what its track and
        // its step buttons do for the mouse.
        if (dynamic_cast<Slider*>(handler) && !(z->flags & ZE_Enter)) continue;
        if (handler && dynamic_cast<Slider*>(handler->owner)) continue;
        all.push_back(z);
        if (static_cast<long>(z->w) * z->h < kFrameW * kFrameH / 2 || isFieldZone(z)) small.push_back(z);
    }
    return small.empty() ? all : small;
}

const MouseZone* focusCandidateAt(int x, int y) {
    for (const MouseZone* z : focusCandidates())
        if (z->contains(x, y) && reachable(z, x, y)) return z;
    return nullptr;
}

const MouseZone* nextFocus(const MouseZone* from, int x, int y, int dx, int dy) {
    const Extent f = from ? extentOf(from) : Extent{x, y, x + 1, y + 1};
    const MouseZone* best = nullptr;
    long bestScore = 0, bestDistance = 0;
    for (const MouseZone* z : focusCandidates()) {
        if (z == from) continue;
        const Extent c = extentOf(z);
        // Beyond the focus that way, judged by the middles.
        const long along = static_cast<long>(c.middleX() - f.middleX()) * dx + static_cast<long>(c.middleY() - f.middleY()) * dy;
        if (along <= 0) continue;
        // The gap that way, and the gap sideways (none when the two overlap
        // side by side, as entries of one column or one row do).
        long gap = 0, aside = 0;
        if (dy != 0) {
            gap = dy > 0 ? c.top - f.bottom : f.top - c.bottom;
            aside = std::max(c.left - f.right, f.left - c.right);
        } else {
            gap = dx > 0 ? c.left - f.right : f.left - c.right;
            aside = std::max(c.top - f.bottom, f.top - c.bottom);
        }
        const long score = std::max(gap, 0L) + 3 * std::max(aside, 0L);
        const long mx = c.middleX() - f.middleX(), my = c.middleY() - f.middleY();
        const long distance = mx * mx + my * my;
        if (!best || score < bestScore || (score == bestScore && distance < bestDistance)) {
            best = z;
            bestScore = score;
            bestDistance = distance;
        }
    }
    return best;
}

const MouseZone* padFocus() { return g.active ? findLive(g.focusId) : nullptr; }

int padEventHook(const Event& e) {
    if (g.delivering) return 1;
    switch (e.type) {
        case EventType::PointerMove:
            // The mouse is back: its cursor with it, and the focus goes.
            if (g.active) {
                g.active = false;
                g.focusId = 0;
                hideCursorForPad(false);
            }
            return 1;
        case EventType::ControllerButton: return padButton(e);
        case EventType::ControllerAxis: return padAxis(e);
        case EventType::KeyDown:
        case EventType::KeyUp: return keyEvent(e);
        case EventType::Text:
            if (e.character == '\r' && g.swallowReturnText) {
                g.swallowReturnText = false;
                return 0;
            }
            return 1;
        case EventType::FocusLost:
        case EventType::Minimised:
            // Keys and buttons let go while the window is elsewhere never
            // come back as releases.
            g.horizontal = g.vertical = Direction{};
            g.aDown = g.triggerDown = g.spaceDown = false;
            g.lastDirX = g.lastDirY = 0;
            return 1;
        default: return 1;
    }
}

int padIdleHook() {
    const int32_t now = tickCount();
    const int ticks = g.lastTick < 0 ? 1 : std::clamp(now - g.lastTick, 0, kStepsPerSecond);
    g.lastTick = now;
    if (!g.active || ticks == 0) return 1;
    if (g.returnToFocus) {
        g.returnToFocus = false;
        if (const MouseZone* focus = findLive(g.focusId)) pointAt(focus);
    }
    if (padPlayMode() && !nameField()) {
        g.lastDirX = g.lastDirY = 0;
        g.focusId = 0;
        slide(ticks);
        return 1;
    }
    if (!g.clickDown) updateCharge();  // a charge whose play ended lets go
    if (!picking() || g.keysChoseButton) {
        // The focus follows its zone as a dialog slides, and finds a new one
        // when its screen has gone.
        if (const MouseZone* focus = findLive(g.focusId)) {
            if (!g.leftHeld && !focus->contains(mousePosition.x, mousePosition.y)) pointAt(focus);
        } else {
            ensureFocus();
        }
    }
    repeatDirection(ticks);
    return 1;
}

void installPadInput() {
    if (g_installed) return;
    g_installed = true;
    addEventHook(kEventPriority, padEventHook);
    addHook(HookList::Idle, kIdlePriority, &g_idleNode);
}

void uninstallPadInput() {
    if (!g_installed) return;
    removeEventHook(padEventHook);
    removeHook(&g_idleNode);
    g_installed = false;
}

void resetPadInputForTests() {
    g = PadState{};
    hideCursorForPad(false);
}
