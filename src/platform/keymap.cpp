// Only SDL's key-code constants are used here, no SDL calls, so the mapping
// can be tested without a video driver.
#include "platform/keymap.h"

#include "platform/code_pages.h"

#include <SDL_keycode.h>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

uint32_t keypadKey(int32_t keycode, bool numLock) {
    // Without Num Lock the keypad is a second set of navigation keys.
    switch (keycode) {
        case SDLK_KP_0: return numLock ? VK_NUMPAD0 : VK_INSERT;
        case SDLK_KP_1: return numLock ? VK_NUMPAD0 + 1 : VK_END;
        case SDLK_KP_2: return numLock ? VK_NUMPAD0 + 2 : VK_DOWN;
        case SDLK_KP_3: return numLock ? VK_NUMPAD0 + 3 : VK_NEXT;
        case SDLK_KP_4: return numLock ? VK_NUMPAD0 + 4 : VK_LEFT;
        case SDLK_KP_5: return numLock ? VK_NUMPAD0 + 5 : VK_CLEAR;
        case SDLK_KP_6: return numLock ? VK_NUMPAD0 + 6 : VK_RIGHT;
        case SDLK_KP_7: return numLock ? VK_NUMPAD0 + 7 : VK_HOME;
        case SDLK_KP_8: return numLock ? VK_NUMPAD0 + 8 : VK_UP;
        case SDLK_KP_9: return numLock ? VK_NUMPAD0 + 9 : VK_PRIOR;
        case SDLK_KP_PERIOD: return numLock ? VK_DECIMAL : VK_DELETE;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        case SDLK_KP_COMMA: return VK_SEPARATOR;
        case SDLK_KP_ENTER: return VK_RETURN;
        default: return 0;
    }
}

uint32_t namedKey(int32_t keycode) {
    switch (keycode) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_HOME: return VK_HOME;
        case SDLK_END: return VK_END;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_LGUI: return VK_LWIN;
        case SDLK_RGUI: return VK_RWIN;
        case SDLK_APPLICATION: return VK_APPS;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_CAPSLOCK: return VK_CAPITAL;
        case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
        case SDLK_SCROLLLOCK: return VK_SCROLL;
        case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
        case SDLK_SEMICOLON: return VK_OEM_1;
        case SDLK_EQUALS:
        case SDLK_PLUS: return VK_OEM_PLUS;
        case SDLK_COMMA: return VK_OEM_COMMA;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        case SDLK_SLASH: return VK_OEM_2;
        case SDLK_BACKQUOTE: return VK_OEM_3;
        case SDLK_LEFTBRACKET: return VK_OEM_4;
        case SDLK_BACKSLASH: return VK_OEM_5;
        case SDLK_RIGHTBRACKET: return VK_OEM_6;
        case SDLK_QUOTE: return VK_OEM_7;
        case SDLK_LESS: return VK_OEM_102;
        default: break;
    }
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return VK_F1 + static_cast<uint32_t>(keycode - SDLK_F1);
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) return VK_F1 + 12 + static_cast<uint32_t>(keycode - SDLK_F13);
    if (keycode >= 'a' && keycode <= 'z') return static_cast<uint32_t>(keycode - 'a' + 'A');
    if (keycode >= '0' && keycode <= '9') return static_cast<uint32_t>(keycode);
    return 0;
}

// The US position of a key whose layout symbol has no code of its own
// (Cyrillic letters, national punctuation).
uint32_t positionalKey(int32_t scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'A' + static_cast<uint32_t>(scancode - SDL_SCANCODE_A);
    switch (scancode) {
        case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
        case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
        case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
        case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
        case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH: return VK_OEM_2;
        case SDL_SCANCODE_GRAVE: return VK_OEM_3;
        case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH: return VK_OEM_5;
        case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
        case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
        case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
        default: return 0;
    }
}

}  // namespace

uint32_t virtualKeyFromSdl(int32_t keycode, int32_t scancode, bool numLock) {
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + static_cast<uint32_t>(scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    if (uint32_t vk = keypadKey(keycode, numLock)) return vk;
    if (uint32_t vk = namedKey(keycode)) return vk;
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

// --- MessageTranslator ---

void MessageTranslator::syncModifiers(bool shift, bool ctrl, bool alt) {
    shift_ = shift;
    ctrl_ = ctrl;
    alt_ = alt;
}

void MessageTranslator::syncButtons(bool left, bool right) {
    left_ = left;
    right_ = right;
}

uintptr_t MessageTranslator::keyStateBits() const {
    return (left_ ? MK_LBUTTON : 0u) | (right_ ? MK_RBUTTON : 0u) | (shift_ ? MK_SHIFT : 0u) |
           (ctrl_ ? MK_CONTROL : 0u);
}

void MessageTranslator::mouseMove(int x, int y, MessageQueue& out) {
    mouseX_ = std::clamp(x, 0, kLogicalWidth - 1);
    mouseY_ = std::clamp(y, 0, kLogicalHeight - 1);
    haveMouse_ = true;
    out.push_back({WM_MOUSEMOVE, keyStateBits(),
                   makeLParam(static_cast<uint32_t>(mouseX_), static_cast<uint32_t>(mouseY_))});
}

void MessageTranslator::mouseButton(MouseButton b, bool down, int clicks, int x, int y, MessageQueue& out) {
    x = std::clamp(x, 0, kLogicalWidth - 1);
    y = std::clamp(y, 0, kLogicalHeight - 1);
    if (!haveMouse_ || x != mouseX_ || y != mouseY_) mouseMove(x, y, out);
    const bool left = b == MouseButton::Left;
    (left ? left_ : right_) = down;
    uint32_t msg;
    if (!down)
        msg = left ? WM_LBUTTONUP : WM_RBUTTONUP;
    else if (clicks >= 2 && clicks % 2 == 0)  // a third click starts a new pair, as on Windows
        msg = left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
    else
        msg = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    out.push_back({msg, keyStateBits(), makeLParam(static_cast<uint32_t>(x), static_cast<uint32_t>(y))});
}

void MessageTranslator::mouseLeft(MessageQueue& out) {
    out.push_back({WM_NCMOUSEMOVE, HTNOWHERE,
                   makeLParam(static_cast<uint32_t>(mouseX_), static_cast<uint32_t>(mouseY_))});
}

intptr_t MessageTranslator::keyLParam(bool down, bool repeat, bool alt) {
    // Repeat count 1; bit 29 Alt held; bit 30 previous state; bit 31 released.
    uint32_t l = 1;
    if (alt) l |= 1u << 29;
    if (!down) l |= (1u << 30) | (1u << 31);
    else if (repeat) l |= 1u << 30;
    return static_cast<intptr_t>(l);
}

void MessageTranslator::key(bool down, uint32_t vk, bool repeat, MessageQueue& out) {
    if (vk == 0 || vk > 0xFF) return;
    if (vk == VK_SHIFT) shift_ = down;
    if (vk == VK_CONTROL) ctrl_ = down;
    if (vk == VK_MENU) alt_ = down;

    bool sys;
    if (vk == VK_MENU) {
        // Alt pressed and released on its own is a system key both ways; after
        // an Alt combination its release is a plain key-up.
        if (down) {
            if (!repeat) altAlone_ = true;
            sys = !ctrl_;
        } else {
            sys = altAlone_ && !ctrl_;
            altAlone_ = false;
        }
    } else {
        if (down) altAlone_ = false;
        sys = !ctrl_ && (alt_ || vk == VK_F10);
    }
    const intptr_t l = keyLParam(down, repeat, alt_);
    const uint32_t msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    out.push_back({msg, vk, l});
    if (!down) return;
    uint32_t ch = 0;
    switch (vk) {
        case VK_BACK: ch = 8; break;
        case VK_TAB: ch = 9; break;
        case VK_RETURN: ch = 13; break;
        case VK_ESCAPE: ch = 27; break;
        default: return;
    }
    out.push_back({sys ? WM_SYSCHAR : WM_CHAR, ch, l});
}

void MessageTranslator::text(std::string_view utf8, MessageQueue& out) {
    // Typed in the page of the language being played.
    for (char c : utf8ToCodePage(utf8, textCodePage())) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F) continue;
        character(b, out);
    }
}

void MessageTranslator::character(uint8_t c, MessageQueue& out) {
    const bool sys = alt_ && !ctrl_;
    out.push_back({sys ? WM_SYSCHAR : WM_CHAR, c, keyLParam(true, false, alt_)});
}

void MessageTranslator::releaseKeys() { shift_ = ctrl_ = alt_ = altAlone_ = false; }

void MessageTranslator::windowState(bool focused, bool minimized, MessageQueue& out) {
    if (!focused || minimized) releaseKeys();
    const auto w = static_cast<int>(makeLParam(focused && !minimized ? WA_ACTIVE : WA_INACTIVE, minimized ? 1 : 0));
    if (w == lastActivation_) return;
    lastActivation_ = w;
    out.push_back({WM_ACTIVATE, static_cast<uintptr_t>(w), 0});
}

}  // namespace platform
