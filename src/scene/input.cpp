#include "scene/input.h"

#include <map>

#include "frame/app.h"
#include "frame/errors.h"
#include "frame/events.h"
#include "scene/actor.h"

MousePoint mousePosition;
bool leftButtonDown = false;

namespace {
MouseZone* g_zones = nullptr;
std::map<int32_t, ZoneHandle*> g_zoneMap;
InputEvent g_queue[kInputQueueSize];
int g_write = 0;
int g_read = 0;
int g_mode = 0;
Actor* g_keyboardHandler = nullptr;
Actor* g_focus = nullptr;
KeyboardFocusListener g_focusListener = nullptr;
Actor* g_gameActor = nullptr;
constexpr int32_t kFirstAutoZoneId = 0x4FFFFFFF;
constexpr int kTranslatorPriority = 0x8100;

void insertZone(MouseZone* zone) {
    // Descending priority; a new zone goes after all zones of equal or higher priority.
    MouseZone** link = &g_zones;
    while (*link && (*link)->priority >= zone->priority) link = &(*link)->next;
    zone->next = *link;
    *link = zone;
}

bool unlinkZone(MouseZone* zone) {
    for (MouseZone** link = &g_zones; *link; link = &(*link)->next) {
        if (*link == zone) {
            *link = zone->next;
            zone->next = nullptr;
            return true;
        }
    }
    return false;
}

void clickPass(int event) {
    for (MouseZone* z = g_zones; z; z = z->next) {
        if (z->flags & ZF_Disabled) continue;
        if (!z->contains(mousePosition.x, mousePosition.y) || !(z->flags & event)) continue;
        pushInput(z->id, event);
        if (z->flags & ZF_Opaque) break;
    }
}

void hoverPass(int px, int py) {
    bool blocked = false;
    for (MouseZone* z = g_zones; z; z = z->next) {
        if (z->flags & ZF_Disabled) continue;
        const bool inside = z->contains(px, py);
        if ((z->flags & ZF_Inside) && (z->flags & ZE_Leave) && (!inside || blocked)) {
            z->flags &= ~ZF_Inside;
            pushInput(z->id, ZE_Leave);
        }
        if (inside && !blocked) {
            if (!(z->flags & ZF_Inside) && (z->flags & ZE_Enter)) {
                z->flags |= ZF_Inside;
                pushInput(z->id, ZE_Enter);
            }
            if (z->flags & ZE_Move) pushInput(z->id, ZE_Move);
            if ((z->flags & ZF_Opaque) && (z->flags & (ZE_Move | ZE_Enter))) blocked = true;
        }
    }
}
}  // namespace

int createZone(int flags, int priority, int id) {
    if (id != 0) {
        removeZone(id);
    } else {
        id = kFirstAutoZoneId;
        while (findZone(id)) ++id;
    }
    auto* zone = new MouseZone;
    zone->id = id;
    zone->flags = flags | ZF_Allocated;
    zone->priority = priority;
    insertZone(zone);
    return id;
}

MouseZone* findZone(int id) {
    for (MouseZone* z = g_zones; z; z = z->next)
        if (z->id == id) return z;
    return nullptr;
}

bool removeZone(int id) {
    MouseZone* zone = findZone(id);
    if (!zone) return false;
    // A handle whose zone goes (a new zone taking its id) is detached with
    // it, so it neither points at the freed zone nor removes the new one.
    if (auto it = g_zoneMap.find(id); it != g_zoneMap.end() && it->second->zone == zone) {
        it->second->zone = nullptr;
        it->second->handler = nullptr;
        it->second->value = 0;
        g_zoneMap.erase(it);
    }
    unlinkZone(zone);
    if (zone->flags & ZF_Allocated) delete zone;
    return true;
}

void setZoneRect(MouseZone* zone, int left, int top, int right, int bottom) {
    zone->x = left;
    zone->y = top;
    zone->w = right - left + 1;
    zone->h = bottom - top + 1;
}

void setZonePriority(MouseZone* zone, int priority) {
    if (zone->priority == priority) return;
    unlinkZone(zone);
    zone->priority = priority;
    insertZone(zone);
}

MouseZone* zoneListHead() { return g_zones; }

Actor* zoneHandler(const MouseZone* zone) {
    if (!zone) return nullptr;
    auto it = g_zoneMap.find(zone->id);
    return it != g_zoneMap.end() && it->second->zone == zone ? it->second->handler : nullptr;
}

void ZoneHandle::attach(int flags, Actor* newHandler, int priority, int newValue) {
    detach();
    handler = newHandler;
    value = newValue;
    const int id = createZone(flags, priority, 0);
    zone = findZone(id);
    g_zoneMap[id] = this;
}

void ZoneHandle::detach() {
    if (zone) removeZone(zone->id);  // erases the map entry too
    zone = nullptr;
    handler = nullptr;
    value = 0;
}

void setInputMode(int mode) {
    const bool wanted = (mode & 3) != 0;
    const bool active = (g_mode & 3) != 0;
    if (wanted && !active) addEventHook(kTranslatorPriority, inputTranslatorHook);
    if (!wanted && active) removeEventHook(inputTranslatorHook);
    g_mode = mode;
}

int inputMode() { return g_mode; }

bool pushInput(int source, int code) {
    const int next = (g_write + 1) % kInputQueueSize;
    if (next == g_read) return false;  // full: drop the newest
    g_queue[g_write] = InputEvent{source, code};
    g_write = next;
    return true;
}

bool popInput(InputEvent& out) {
    if (g_read == g_write) return false;
    out = g_queue[g_read];
    g_read = (g_read + 1) % kInputQueueSize;
    return true;
}

int pendingInputCount() { return (g_write - g_read + kInputQueueSize) % kInputQueueSize; }

void dispatchInput() {
    InputEvent event;
    while (popInput(event)) {
        if (event.source == KeyboardSource) {
            int consumed = 0;
            if (g_focus) consumed = g_focus->onKey(event.code);
            if (!consumed && g_keyboardHandler) g_keyboardHandler->onKey(event.code);
            continue;
        }
        auto it = g_zoneMap.find(event.source);
        if (it == g_zoneMap.end()) continue;  // zone removed after its event was queued
        ZoneHandle* handle = it->second;
        if (handle->handler) handle->handler->onZoneEvent(event.code, handle->value);
    }
}

void setKeyboardHandler(Actor* handler) {
    if (g_keyboardHandler) internalError("Only one keyboard handler allowed");
    g_keyboardHandler = handler;
}
void clearKeyboardHandler(Actor* handler) {
    if (g_keyboardHandler == handler) g_keyboardHandler = nullptr;
}
Actor* keyboardHandler() { return g_keyboardHandler; }
void setKeyboardFocus(Actor* editBox) {
    const bool before = g_focus != nullptr;
    g_focus = editBox;
    const bool now = g_focus != nullptr;
    if (before != now && g_focusListener) g_focusListener(now);
}
void releaseKeyboardFocus(Actor* editBox) {
    if (editBox != g_focus) internalError("Wrong release of keyboard focus!");
    setKeyboardFocus(nullptr);
}
void setKeyboardFocusListener(KeyboardFocusListener listener) { g_focusListener = listener; }
Actor* keyboardFocus() { return g_focus; }
void setGameActor(Actor* actor) { g_gameActor = actor; }
Actor* gameActor() { return g_gameActor; }

int inputTranslatorHook(const Event& e) {
    if (g_mode & 1) {
        const bool left = e.button == PointerButton::Left;
        int event = 0;
        bool mouse = true;
        switch (e.type) {
            case EventType::PointerMove:
                // Positions arrive as the 16-bit words they always were.
                mousePosition.x = static_cast<int32_t>(static_cast<uint16_t>(e.x));
                mousePosition.y = static_cast<int32_t>(static_cast<uint16_t>(e.y));
                hoverPass(mousePosition.x, mousePosition.y);
                break;
            case EventType::PointerDown:
                if (e.doubleClick)
                    event = left ? ZE_LeftDouble : ZE_RightDouble;
                else
                    event = left ? ZE_LeftDown : ZE_RightDown;
                break;
            case EventType::PointerUp: event = left ? ZE_LeftUp : ZE_RightUp; break;
            default: mouse = false; break;
        }
        if (event) clickPass(event);
        if (mouse) leftButtonDown = e.held.left;
    }
    if (g_mode & 2) {
        switch (e.type) {
            case EventType::KeyDown: pushInput(KeyboardSource, static_cast<int>(platform::keyNumber(e.key)) + 0x100); break;
            case EventType::KeyUp: pushInput(KeyboardSource, static_cast<int>(platform::keyNumber(e.key)) + 0x200); break;
            case EventType::Text: pushInput(KeyboardSource, static_cast<int>(e.character)); break;
            default: break;
        }
    }
    return 1;
}

void resetInput() {
    if (g_mode & 3) removeEventHook(inputTranslatorHook);
    g_mode = 0;
    for (auto& [id, handle] : g_zoneMap) handle->zone = nullptr;
    g_zoneMap.clear();
    while (g_zones) {
        MouseZone* z = g_zones;
        g_zones = z->next;
        if (z->flags & ZF_Allocated) delete z;
    }
    g_read = g_write = 0;
    g_keyboardHandler = nullptr;
    g_focus = nullptr;
    g_focusListener = nullptr;
    g_gameActor = nullptr;
    mousePosition = {};
    leftButtonDown = false;
}
