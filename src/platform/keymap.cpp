// Only SDL's key-code constants are used here, no SDL calls, so the mapping
// can be tested without a video driver.
#include "platform/keymap.h"

#include "platform/code_pages.h"

#include <SDL_keycode.h>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

Key keypadSdlKey(int32_t keycode, bool numLock) {
    // Without Num Lock the keypad is a second set of navigation keys.
    switch (keycode) {
        case SDLK_KP_0: return numLock ? Key::Keypad0 : Key::Insert;
        case SDLK_KP_1: return numLock ? keypadKey(1) : Key::End;
        case SDLK_KP_2: return numLock ? keypadKey(2) : Key::Down;
        case SDLK_KP_3: return numLock ? keypadKey(3) : Key::PageDown;
        case SDLK_KP_4: return numLock ? keypadKey(4) : Key::Left;
        case SDLK_KP_5: return numLock ? keypadKey(5) : Key::Clear;
        case SDLK_KP_6: return numLock ? keypadKey(6) : Key::Right;
        case SDLK_KP_7: return numLock ? keypadKey(7) : Key::Home;
        case SDLK_KP_8: return numLock ? keypadKey(8) : Key::Up;
        case SDLK_KP_9: return numLock ? keypadKey(9) : Key::PageUp;
        case SDLK_KP_PERIOD: return numLock ? Key::KeypadPeriod : Key::Delete;
        case SDLK_KP_MULTIPLY: return Key::KeypadMultiply;
        case SDLK_KP_PLUS: return Key::KeypadPlus;
        case SDLK_KP_MINUS: return Key::KeypadMinus;
        case SDLK_KP_DIVIDE: return Key::KeypadDivide;
        case SDLK_KP_COMMA: return Key::KeypadComma;
        case SDLK_KP_ENTER: return Key::Return;
        default: return Key::None;
    }
}

Key namedKey(int32_t keycode) {
    switch (keycode) {
        case SDLK_ESCAPE: return Key::Escape;
        case SDLK_RETURN: return Key::Return;
        case SDLK_BACKSPACE: return Key::Backspace;
        case SDLK_TAB: return Key::Tab;
        case SDLK_SPACE: return Key::Space;
        case SDLK_LEFT: return Key::Left;
        case SDLK_UP: return Key::Up;
        case SDLK_RIGHT: return Key::Right;
        case SDLK_DOWN: return Key::Down;
        case SDLK_INSERT: return Key::Insert;
        case SDLK_DELETE: return Key::Delete;
        case SDLK_HOME: return Key::Home;
        case SDLK_END: return Key::End;
        case SDLK_PAGEUP: return Key::PageUp;
        case SDLK_PAGEDOWN: return Key::PageDown;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return Key::Shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return Key::Control;
        case SDLK_LALT:
        case SDLK_RALT: return Key::Alt;
        case SDLK_LGUI: return Key::LeftMeta;
        case SDLK_RGUI: return Key::RightMeta;
        case SDLK_APPLICATION: return Key::Menu;
        case SDLK_PAUSE: return Key::Pause;
        case SDLK_CAPSLOCK: return Key::CapsLock;
        case SDLK_NUMLOCKCLEAR: return Key::NumLock;
        case SDLK_SCROLLLOCK: return Key::ScrollLock;
        case SDLK_PRINTSCREEN: return Key::PrintScreen;
        case SDLK_SEMICOLON: return Key::Semicolon;
        case SDLK_EQUALS:
        case SDLK_PLUS: return Key::Equals;
        case SDLK_COMMA: return Key::Comma;
        case SDLK_MINUS: return Key::Minus;
        case SDLK_PERIOD: return Key::Period;
        case SDLK_SLASH: return Key::Slash;
        case SDLK_BACKQUOTE: return Key::Grave;
        case SDLK_LEFTBRACKET: return Key::LeftBracket;
        case SDLK_BACKSLASH: return Key::Backslash;
        case SDLK_RIGHTBRACKET: return Key::RightBracket;
        case SDLK_QUOTE: return Key::Apostrophe;
        case SDLK_LESS: return Key::LessThan;
        default: break;
    }
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return functionKey(1 + (keycode - SDLK_F1));
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) return functionKey(13 + (keycode - SDLK_F13));
    if (keycode >= 'a' && keycode <= 'z') return letterKey(static_cast<char>(keycode - 'a' + 'A'));
    if (keycode >= '0' && keycode <= '9') return digitKey(keycode - '0');
    return Key::None;
}

// The US position of a key whose layout symbol has no code of its own
// (Cyrillic letters, national punctuation).
Key positionalKey(int32_t scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return letterKey(static_cast<char>('A' + (scancode - SDL_SCANCODE_A)));
    switch (scancode) {
        case SDL_SCANCODE_SEMICOLON: return Key::Semicolon;
        case SDL_SCANCODE_EQUALS: return Key::Equals;
        case SDL_SCANCODE_COMMA: return Key::Comma;
        case SDL_SCANCODE_MINUS: return Key::Minus;
        case SDL_SCANCODE_PERIOD: return Key::Period;
        case SDL_SCANCODE_SLASH: return Key::Slash;
        case SDL_SCANCODE_GRAVE: return Key::Grave;
        case SDL_SCANCODE_LEFTBRACKET: return Key::LeftBracket;
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH: return Key::Backslash;
        case SDL_SCANCODE_RIGHTBRACKET: return Key::RightBracket;
        case SDL_SCANCODE_APOSTROPHE: return Key::Apostrophe;
        case SDL_SCANCODE_NONUSBACKSLASH: return Key::LessThan;
        default: return Key::None;
    }
}

}  // namespace

Key keyFromSdl(int32_t keycode, int32_t scancode, bool numLock) {
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return digitKey(1 + (scancode - SDL_SCANCODE_1));
    if (scancode == SDL_SCANCODE_0) return Key::Digit0;
    if (Key k = keypadSdlKey(keycode, numLock); k != Key::None) return k;
    if (Key k = namedKey(keycode); k != Key::None) return k;
    return positionalKey(scancode);
}

std::string utf8ToCp1252(std::string_view utf8) { return utf8ToCodePage(utf8, CodePage::Western); }

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        uint32_t cp = 0;
        if (!nextCodePoint(bytes, i, cp)) return false;
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view cp1252) { return codePageToUtf8(cp1252, CodePage::Western); }

Viewport letterbox(int drawableW, int drawableH) {
    Viewport v;
    v.drawableW = std::max(drawableW, 0);
    v.drawableH = std::max(drawableH, 0);
    if (v.drawableW == 0 || v.drawableH == 0) {
        v.x = v.y = v.w = v.h = 0;
        return v;
    }
    const int64_t dw = v.drawableW, dh = v.drawableH;
    if (dw * kLogicalHeight >= dh * kLogicalWidth) {  // wider than 4:3: bars left and right
        v.h = v.drawableH;
        v.w = static_cast<int>(std::min<int64_t>(dw, (dh * kLogicalWidth + kLogicalHeight / 2) / kLogicalHeight));
    } else {
        v.w = v.drawableW;
        v.h = static_cast<int>(std::min<int64_t>(dh, (dw * kLogicalHeight + kLogicalWidth / 2) / kLogicalWidth));
    }
    v.x = (v.drawableW - v.w) / 2;
    v.y = (v.drawableH - v.h) / 2;
    return v;
}

void windowToLogical(int windowW, int windowH, int wx, int wy, int& lx, int& ly) {
    windowToLogical(letterbox(windowW, windowH), windowW, windowH, wx, wy, lx, ly);
}

void windowToLogical(const Viewport& v, int windowW, int windowH, int wx, int wy, int& lx, int& ly) {
    if (v.w <= 0 || v.h <= 0 || windowW <= 0 || windowH <= 0) {
        lx = ly = 0;
        return;
    }
    const double px = (static_cast<double>(wx) + 0.5) * v.drawableW / windowW;
    const double py = (static_cast<double>(wy) + 0.5) * v.drawableH / windowH;
    const double x = std::floor((px - v.x) * kLogicalWidth / v.w);
    const double y = std::floor((py - v.y) * kLogicalHeight / v.h);
    lx = static_cast<int>(std::clamp(x, 0.0, static_cast<double>(kLogicalWidth - 1)));
    ly = static_cast<int>(std::clamp(y, 0.0, static_cast<double>(kLogicalHeight - 1)));
}

// --- EventTranslator ---

void EventTranslator::syncModifiers(bool shift, bool ctrl, bool alt) {
    shift_ = shift;
    ctrl_ = ctrl;
    alt_ = alt;
}

void EventTranslator::syncButtons(bool left, bool right) {
    left_ = left;
    right_ = right;
}

HeldState EventTranslator::held() const {
    HeldState h;
    h.left = left_;
    h.right = right_;
    h.shift = shift_;
    h.control = ctrl_;
    return h;
}

void EventTranslator::mouseMove(int x, int y, EventQueue& out) {
    mouseX_ = std::clamp(x, 0, kLogicalWidth - 1);
    mouseY_ = std::clamp(y, 0, kLogicalHeight - 1);
    haveMouse_ = true;
    Event e = makeEvent(EventType::PointerMove);
    e.x = mouseX_;
    e.y = mouseY_;
    e.held = held();
    out.push_back(e);
}

void EventTranslator::mouseButton(PointerButton b, bool down, int clicks, int x, int y, EventQueue& out) {
    x = std::clamp(x, 0, kLogicalWidth - 1);
    y = std::clamp(y, 0, kLogicalHeight - 1);
    if (!haveMouse_ || x != mouseX_ || y != mouseY_) mouseMove(x, y, out);
    const bool left = b == PointerButton::Left;
    (left ? left_ : right_) = down;
    Event e = makeEvent(down ? EventType::PointerDown : EventType::PointerUp);
    e.button = b;
    // A third click starts a new pair, as the game's double-clicks always did.
    e.doubleClick = down && clicks >= 2 && clicks % 2 == 0;
    e.x = x;
    e.y = y;
    e.held = held();
    out.push_back(e);
}

void EventTranslator::mouseLeft(EventQueue& out) {
    Event e = makeEvent(EventType::PointerLeft);
    e.x = mouseX_;
    e.y = mouseY_;
    e.held = held();
    out.push_back(e);
}

void EventTranslator::wheel(int dx, int dy, EventQueue& out) {
    if (dx == 0 && dy == 0) return;
    Event e = makeEvent(EventType::Wheel);
    e.wheelX = dx;
    e.wheelY = dy;
    e.x = mouseX_;
    e.y = mouseY_;
    e.held = held();
    out.push_back(e);
}

void EventTranslator::key(bool down, Key k, bool repeat, EventQueue& out) {
    if (k == Key::None) return;
    if (k == Key::Shift) shift_ = down;
    if (k == Key::Control) ctrl_ = down;
    if (k == Key::Alt) alt_ = down;

    bool menu;
    if (k == Key::Alt) {
        // Alt pressed and released on its own is a menu key both ways; after
        // an Alt combination its release is a plain key-up.
        if (down) {
            if (!repeat) altAlone_ = true;
            menu = !ctrl_;
        } else {
            menu = altAlone_ && !ctrl_;
            altAlone_ = false;
        }
    } else {
        if (down) altAlone_ = false;
        menu = !ctrl_ && (alt_ || k == Key::F10);
    }
    Event e = makeEvent(down ? EventType::KeyDown : EventType::KeyUp);
    e.key = k;
    e.repeat = down && repeat;
    e.alt = alt_;
    e.menuKey = menu;
    out.push_back(e);
    if (!down) return;
    uint8_t ch = 0;
    switch (k) {
        case Key::Backspace: ch = 8; break;
        case Key::Tab: ch = 9; break;
        case Key::Return: ch = 13; break;
        case Key::Escape: ch = 27; break;
        default: return;
    }
    Event t = makeEvent(EventType::Text);
    t.character = ch;
    t.alt = alt_;
    t.menuKey = menu;
    out.push_back(t);
}

void EventTranslator::text(std::string_view utf8, EventQueue& out) {
    // Typed in the page of the language being played.
    for (char c : utf8ToCodePage(utf8, textCodePage())) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F) continue;
        character(b, out);
    }
}

void EventTranslator::character(uint8_t c, EventQueue& out) {
    Event e = makeEvent(EventType::Text);
    e.character = c;
    e.alt = alt_;
    e.menuKey = alt_ && !ctrl_;
    out.push_back(e);
}

void EventTranslator::releaseKeys() { shift_ = ctrl_ = alt_ = altAlone_ = false; }

void EventTranslator::windowState(bool focused, bool minimized, EventQueue& out) {
    if (!focused || minimized) releaseKeys();
    const bool active = focused && !minimized;
    const int state = (active ? 1 : 0) | (minimized ? 2 : 0);
    if (state == lastState_) return;
    // One event per change, named by what changed most: a minimised window
    // is also inactive, so minimising says Minimised rather than FocusLost.
    EventType type;
    if (lastState_ >= 0 && ((lastState_ & 2) != 0) != minimized)
        type = minimized ? EventType::Minimised : EventType::Restored;
    else if (minimized)
        type = EventType::Minimised;
    else
        type = active ? EventType::FocusGained : EventType::FocusLost;
    lastState_ = state;
    Event e = makeEvent(type);
    e.active = active;
    e.minimised = minimized;
    out.push_back(e);
}

}  // namespace platform
