// Pure translation helpers shared by the SDL back end and the headless one:
// SDL key codes to virtual-key codes, UTF-8 to Windows-1252, the letterbox
// geometry, and the bookkeeping that turns input into window messages with
// the same numbers, key-state bits and packing on every back end.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

using MessageQueue = std::deque<Message>;

// Virtual-key code of an SDL key (SDL_Keycode, SDL_Scancode as plain ints), or
// 0 for keys that have none. Letters follow the layout like Windows does; the
// digit row is always '0'..'9' (as on AZERTY under Windows); punctuation the
// layout does not name falls back to the key's US position.
uint32_t virtualKeyFromSdl(int32_t keycode, int32_t scancode, bool numLock);

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

enum class MouseButton { Left, Right };

// Turns input facts into window messages, keeping the key-state bits
// (MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL), the Alt bookkeeping of the
// system-key messages and the activation state between calls.
class MessageTranslator {
public:
    // The system's own view of modifiers and buttons; overrides what was
    // inferred from key and button messages.
    void syncModifiers(bool shift, bool ctrl, bool alt);
    void syncButtons(bool left, bool right);

    uintptr_t keyStateBits() const;
    bool hasMousePosition() const { return haveMouse_; }
    int mouseX() const { return mouseX_; }
    int mouseY() const { return mouseY_; }
    bool altHeld() const { return alt_; }

    // WM_MOUSEMOVE at a logical position (clamped to the frame).
    void mouseMove(int x, int y, MessageQueue& out);
    // Button press or release at a logical position. A press whose click
    // count is even is a double-click (WM_xBUTTONDBLCLK instead of the down
    // message). When the position differs from the last move a WM_MOUSEMOVE
    // comes first, since the input layer hit-tests clicks at the last move.
    void mouseButton(MouseButton b, bool down, int clicks, int x, int y, MessageQueue& out);
    // WM_NCMOUSEMOVE: the pointer left the client area.
    void mouseLeft(MessageQueue& out);

    // WM_KEYDOWN / WM_KEYUP (WM_SYS* while Alt is held without Ctrl, and for
    // F10), followed on a press of Backspace, Tab, Return or Escape by the
    // character Windows' message translation would make (8, 9, 13, 27).
    void key(bool down, uint32_t vk, bool repeat, MessageQueue& out);
    // WM_CHAR for typed text (WM_SYSCHAR with Alt); control characters are
    // left to key() so they are not doubled.
    void text(std::string_view utf8, MessageQueue& out);
    void character(uint8_t c, MessageQueue& out);

    // WM_ACTIVATE when the focus or minimised state differs from the last one
    // reported: low word WA_ACTIVE or WA_INACTIVE, high word 1 when minimised.
    void windowState(bool focused, bool minimized, MessageQueue& out);

    // Keys released while the window did not have the focus never reach us:
    // forget the modifiers held before.
    void releaseKeys();

    void reset() { *this = MessageTranslator{}; }

private:
    static intptr_t keyLParam(bool down, bool repeat, bool alt);

    bool left_ = false, right_ = false;
    bool shift_ = false, ctrl_ = false, alt_ = false;
    bool altAlone_ = false;  // Alt went down and no other key since
    bool haveMouse_ = false;
    int mouseX_ = 0, mouseY_ = 0;
    int lastActivation_ = -1;  // packed w of the last WM_ACTIVATE, -1 = none yet
};

}  // namespace platform
