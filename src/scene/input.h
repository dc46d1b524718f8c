// Mouse zones, the input queue and its translation from window messages.
#pragma once

#include <cstdint>

#include "frame/events.h"

class Actor;

enum ZoneFlags : int32_t {
    ZE_Move = 1,
    ZE_Enter = 2,
    ZE_Leave = 4,
    ZE_LeftDown = 8,
    ZE_LeftUp = 16,
    ZE_RightDown = 32,
    ZE_RightUp = 64,
    ZE_LeftDouble = 128,
    ZE_RightDouble = 256,
    ZF_Disabled = 0x200,
    ZF_Opaque = 0x400,
    ZF_Inside = 0x4000,
    ZF_Allocated = 0x8000,
};

constexpr int32_t KeyboardSource = 0x2F4B4244;  // "/KBD"
constexpr int kInputQueueSize = 256;

struct MouseZone {
    int32_t id = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t flags = 0;
    int32_t priority = 0;
    MouseZone* next = nullptr;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

struct InputEvent {
    int32_t source = 0;
    int32_t code = 0;
};

struct MousePoint {
    int32_t x = 0, y = 0;
};

// The part of a sprite that owns its zone.
struct ZoneHandle {
    MouseZone* zone = nullptr;
    Actor* handler = nullptr;
    int32_t value = 0;

    void attach(int flags, Actor* newHandler, int priority, int newValue);
    void detach();
    ZoneHandle() = default;
    ~ZoneHandle() { detach(); }
    ZoneHandle(const ZoneHandle&) = delete;
    ZoneHandle& operator=(const ZoneHandle&) = delete;
};

extern MousePoint mousePosition;
extern bool leftButtonDown;

int createZone(int flags, int priority, int id);
MouseZone* findZone(int id);
bool removeZone(int id);
void setZoneRect(MouseZone* zone, int left, int top, int right, int bottom);
void setZonePriority(MouseZone* zone, int priority);
MouseZone* zoneListHead();
// The actor a zone's events go to; null for a zone no sprite owns.
Actor* zoneHandler(const MouseZone* zone);

void setInputMode(int mode);
int inputMode();
// Appends an event; when 256 events are already pending the newest is dropped
// (the queue is drained every frame step, so this only guards a stalled loop).
bool pushInput(int source, int code);
bool popInput(InputEvent& out);
int pendingInputCount();
void dispatchInput();

void setKeyboardHandler(Actor* handler);
// Forgets the handler if it is this one (it is going away).
void clearKeyboardHandler(Actor* handler);
Actor* keyboardHandler();
void setKeyboardFocus(Actor* editBox);
void releaseKeyboardFocus(Actor* editBox);
Actor* keyboardFocus();
// Told when the keyboard focus passes from nobody to an actor (true) or from
// an actor to nobody (false); a move from one actor to another says nothing.
using KeyboardFocusListener = void (*)(bool focused);
void setKeyboardFocusListener(KeyboardFocusListener listener);
void setGameActor(Actor* actor);
Actor* gameActor();

// The input translator event hook (priority 0x8100 while a mode is set).
int inputTranslatorHook(const Event& event);

// Clears zones, queue, handlers (the focus listener too) and mouse state; for
// test fixtures.
void resetInput();
