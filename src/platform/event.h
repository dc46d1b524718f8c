// What the platform tells the game: typed input and window events. Every back
// end produces these, the hook lists and the input translator take them, and
// nothing above the platform needs to know how a window system spells them.
#pragma once

#include <cstdint>

namespace platform {

// Keys, independent of any window system. A key's number is also the key
// code the game's key handlers see: pressed = 0x100 + key (Escape pressed is
// 283), released = 0x200 + key, so these values are fixed for good. Letters
// are 'A'..'Z' and the digit row '0'..'9' by their characters.
enum class Key : uint8_t {
    None = 0,
    Backspace = 0x08,
    Tab = 0x09,
    Clear = 0x0C,  // keypad 5 without Num Lock
    Return = 0x0D,
    Shift = 0x10,
    Control = 0x11,
    Alt = 0x12,
    Pause = 0x13,
    CapsLock = 0x14,
    Escape = 0x1B,
    Space = 0x20,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    PrintScreen = 0x2C,
    Insert = 0x2D,
    Delete = 0x2E,
    Digit0 = 0x30,  // to Digit0 + 9
    A = 0x41,       // to A + 25
    LeftMeta = 0x5B,
    RightMeta = 0x5C,
    Menu = 0x5D,
    Keypad0 = 0x60,  // to Keypad0 + 9
    KeypadMultiply = 0x6A,
    KeypadPlus = 0x6B,
    KeypadComma = 0x6C,
    KeypadMinus = 0x6D,
    KeypadPeriod = 0x6E,
    KeypadDivide = 0x6F,
    F1 = 0x70,  // to F1 + 23 (F24)
    F10 = 0x79,
    F11 = 0x7A,
    F12 = 0x7B,
    F24 = 0x87,
    NumLock = 0x90,
    ScrollLock = 0x91,
    Semicolon = 0xBA,
    Equals = 0xBB,
    Comma = 0xBC,
    Minus = 0xBD,
    Period = 0xBE,
    Slash = 0xBF,
    Grave = 0xC0,
    LeftBracket = 0xDB,
    Backslash = 0xDC,
    RightBracket = 0xDD,
    Apostrophe = 0xDE,
    LessThan = 0xE2,  // the extra key beside the left Shift on some layouts
};

constexpr uint32_t keyNumber(Key k) { return static_cast<uint32_t>(k); }
constexpr Key letterKey(char upper) { return static_cast<Key>(upper); }  // 'A'..'Z'
constexpr Key digitKey(int n) { return static_cast<Key>(keyNumber(Key::Digit0) + static_cast<uint32_t>(n)); }
constexpr Key keypadKey(int n) { return static_cast<Key>(keyNumber(Key::Keypad0) + static_cast<uint32_t>(n)); }
constexpr Key functionKey(int n) { return static_cast<Key>(keyNumber(Key::F1) + static_cast<uint32_t>(n - 1)); }

enum class PointerButton : uint8_t { Left, Right };

// A game controller's buttons and axes, laid out as on the common pad with
// four face buttons (A at the bottom, B on the right), whatever the make.
enum class PadButton : uint8_t {
    A, B, X, Y, Back, Guide, Start, LeftStick, RightStick, LeftShoulder, RightShoulder,
    DpadUp, DpadDown, DpadLeft, DpadRight,
    Count
};
// Sticks run -32768..32767 (down and right positive); triggers 0..32767.
enum class PadAxis : uint8_t { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger, Count };

enum class EventType : uint8_t {
    None,
    KeyDown,        // key, repeat, alt, menuKey
    KeyUp,          // key, alt, menuKey
    Text,           // character: one typed character (also 8, 9, 13, 27 after those keys)
    PointerMove,    // x, y, held
    PointerDown,    // button, doubleClick, x, y, held (after the press)
    PointerUp,      // button, x, y, held (after the release)
    PointerLeft,    // the pointer went over the frame or out of the window
    Wheel,          // wheelX, wheelY
    FocusGained,    // active, minimised: the state after the change
    FocusLost,
    Minimised,
    Restored,
    Exposed,        // the window lost its picture or changed size
    Close,          // the player asked to close the window
    Destroyed,      // the engine closed its window (delivered, never queued)
    DisplayLost,    // the connection to the display broke
    Quit,           // the window is gone: the main loop ends here
    ControllerButton,  // controller, controllerButton (a PadButton), down
    ControllerAxis,    // controller, axis (a PadAxis), axisValue
    User,              // user: a number of the poster's own
};

// Buttons and modifiers held, as seen with a pointer event.
struct HeldState {
    bool left = false, right = false, shift = false, control = false;
    bool operator==(const HeldState&) const = default;
};

struct Event {
    EventType type = EventType::None;

    // KeyDown, KeyUp, Text.
    Key key = Key::None;
    bool repeat = false;   // auto-repeat of a held key
    bool alt = false;      // Alt was held
    bool menuKey = false;  // Alt without Ctrl, or F10: the combinations a window menu would take
    uint8_t character = 0;  // Windows-1252

    // Pointer events: logical pixels of the 800 x 600 frame.
    int x = 0, y = 0;
    PointerButton button = PointerButton::Left;
    bool doubleClick = false;
    HeldState held;
    int wheelX = 0, wheelY = 0;  // notches; positive is right and away from the player

    // FocusGained, FocusLost, Minimised, Restored.
    bool active = false;     // focused and not minimised
    bool minimised = false;

    // Controller events.
    int controller = 0;
    int controllerButton = 0;
    bool down = false;
    int axis = 0;
    int axisValue = 0;  // -32768..32767

    // Events the game posts itself carry a number of their own.
    uint32_t user = 0;

    bool operator==(const Event&) const = default;
};

inline Event makeEvent(EventType type) {
    Event e;
    e.type = type;
    return e;
}

// Single events as a device would make them, for code that feeds the hooks
// directly (tests, tools, the demo).
inline Event pointerMove(int x, int y, HeldState held = {}) {
    Event e = makeEvent(EventType::PointerMove);
    e.x = x;
    e.y = y;
    e.held = held;
    return e;
}
// held: the buttons and modifiers held after the press or release.
inline Event pointerButton(PointerButton b, bool down, int x, int y, HeldState held, bool doubleClick = false) {
    Event e = makeEvent(down ? EventType::PointerDown : EventType::PointerUp);
    e.button = b;
    e.x = x;
    e.y = y;
    e.held = held;
    e.doubleClick = down && doubleClick;
    return e;
}
inline Event keyEvent(bool down, Key k, bool repeat = false) {
    Event e = makeEvent(down ? EventType::KeyDown : EventType::KeyUp);
    e.key = k;
    e.repeat = down && repeat;
    return e;
}
inline Event textEvent(uint8_t character) {
    Event e = makeEvent(EventType::Text);
    e.character = character;
    return e;
}
// The window's state changed: FocusGained or FocusLost, or Minimised when it
// went to the task bar.
inline Event activationEvent(bool active, bool minimised = false) {
    Event e = makeEvent(minimised ? EventType::Minimised : active ? EventType::FocusGained : EventType::FocusLost);
    e.active = active && !minimised;
    e.minimised = minimised;
    return e;
}
inline Event padButtonEvent(PadButton b, bool down, int controller = 0) {
    Event e = makeEvent(EventType::ControllerButton);
    e.controller = controller;
    e.controllerButton = static_cast<int>(b);
    e.down = down;
    return e;
}
inline Event padAxisEvent(PadAxis a, int value, int controller = 0) {
    Event e = makeEvent(EventType::ControllerAxis);
    e.controller = controller;
    e.axis = static_cast<int>(a);
    e.axisValue = value;
    return e;
}
inline Event userEvent(uint32_t number) {
    Event e = makeEvent(EventType::User);
    e.user = number;
    return e;
}

}  // namespace platform
