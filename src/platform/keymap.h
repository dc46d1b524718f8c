// Pure translation helpers shared by the SDL back end and the headless one:
// SDL key codes to the game's keys, UTF-8 to Windows-1252, the letterbox
// geometry, and the bookkeeping that turns input into the same events on
// every back end.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

using EventQueue = std::deque<Event>;

// The game's key for an SDL key (SDL_Keycode, SDL_Scancode as plain ints), or
// Key::None for keys that have none. Letters follow the layout; the digit
// row is always '0'..'9' (AZERTY included); punctuation the layout does not
// name falls back to the key's US position.
Key keyFromSdl(int32_t keycode, int32_t scancode, bool numLock);

// Windows-1252 bytes of UTF-8 text. Characters the code page lacks and
// malformed sequences are dropped.
std::string utf8ToCp1252(std::string_view utf8);
// True for well-formed UTF-8 (plain ASCII included).
bool isValidUtf8(std::string_view bytes);
// UTF-8 text of Windows-1252 bytes; the five unassigned bytes are dropped.
std::string cp1252ToUtf8(std::string_view cp1252);

constexpr int kLogicalWidth = 800;
constexpr int kLogicalHeight = 600;

// The largest 800:600 rectangle centred in a drawable of the given size.
Viewport letterbox(int drawableW, int drawableH);
// A position in window units (same units as windowW/H) to a logical pixel of
// the 800 x 600 frame letterboxed inside the window, clamped to the frame.
void windowToLogical(int windowW, int windowH, int wx, int wy, int& lx, int& ly);
// The same through the letterbox of the drawable the frame is really shown
// in, for windows whose drawable has more pixels than the window has units
// (high-DPI screens). Each window unit counts at its middle.
void windowToLogical(const Viewport& drawable, int windowW, int windowH, int wx, int wy, int& lx, int& ly);

// Turns input facts into events, keeping the buttons and modifiers held, the
// Alt bookkeeping of the menu keys and the activation state between calls.
class EventTranslator {
public:
    // The system's own view of modifiers and buttons; overrides what was
    // inferred from key and button events.
    void syncModifiers(bool shift, bool ctrl, bool alt);
    void syncButtons(bool left, bool right);

    HeldState held() const;
    bool hasMousePosition() const { return haveMouse_; }
    int mouseX() const { return mouseX_; }
    int mouseY() const { return mouseY_; }
    bool altHeld() const { return alt_; }

    // PointerMove at a logical position (clamped to the frame).
    void mouseMove(int x, int y, EventQueue& out);
    // Button press or release at a logical position. A press whose click
    // count is even is a double-click. When the position differs from the
    // last move a PointerMove comes first, since the input layer hit-tests
    // clicks at the last move.
    void mouseButton(PointerButton b, bool down, int clicks, int x, int y, EventQueue& out);
    // The pointer left the client area.
    void mouseLeft(EventQueue& out);
    void wheel(int dx, int dy, EventQueue& out);

    // KeyDown / KeyUp (menuKey while Alt is held without Ctrl, and for F10),
    // followed on a press of Backspace, Tab, Return or Escape by the
    // character the game's text handling expects (8, 9, 13, 27).
    void key(bool down, Key k, bool repeat, EventQueue& out);
    // Text for typed text; control characters are left to key() so they are
    // not doubled.
    void text(std::string_view utf8, EventQueue& out);
    void character(uint8_t c, EventQueue& out);

    // FocusGained, FocusLost, Minimised or Restored when the active or
    // minimised state differs from the last one reported.
    void windowState(bool focused, bool minimized, EventQueue& out);

    // Keys released while the window did not have the focus never reach us:
    // forget the modifiers held before.
    void releaseKeys();

    void reset() { *this = EventTranslator{}; }

private:
    bool left_ = false, right_ = false;
    bool shift_ = false, ctrl_ = false, alt_ = false;
    bool altAlone_ = false;  // Alt went down and no other key since
    bool haveMouse_ = false;
    int mouseX_ = 0, mouseY_ = 0;
    int lastState_ = -1;  // bit 0 active, bit 1 minimised; -1 = none reported yet
};

}  // namespace platform
