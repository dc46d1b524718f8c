// The platform layer: key and text translation, the letterbox, the headless
// back end's message helpers, and the SDL back end on the offscreen driver.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "frame/text_encoding.h"
#include "platform/headless_platform.h"
#include "platform/keymap.h"
#include "platform/platform.h"
#include "platform/sdl_platform.h"
#include "screens/dispatcher.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::vector<Event> drain(Platform& p) {
    std::vector<Event> out;
    Event m;
    while (p.pollEvent(m)) out.push_back(m);
    return out;
}

// What kind of event each one is, in words.
std::vector<std::string> kinds(const std::vector<Event>& ms) {
    std::vector<std::string> out;
    for (const Event& e : ms) {
        const std::string side = e.button == PointerButton::Left ? "left" : "right";
        const std::string menu = e.menuKey ? "menu " : "";
        switch (e.type) {
            case EventType::PointerMove: out.push_back("move"); break;
            case EventType::PointerDown: out.push_back(side + (e.doubleClick ? " double" : " down")); break;
            case EventType::PointerUp: out.push_back(side + " up"); break;
            case EventType::PointerLeft: out.push_back("pointer left"); break;
            case EventType::KeyDown: out.push_back(menu + "key down"); break;
            case EventType::KeyUp: out.push_back(menu + "key up"); break;
            case EventType::Text: out.push_back(menu + "char"); break;
            case EventType::Exposed: out.push_back("exposed"); break;
            case EventType::Close: out.push_back("close"); break;
            case EventType::FocusGained: out.push_back("focus gained"); break;
            case EventType::FocusLost: out.push_back("focus lost"); break;
            case EventType::Minimised: out.push_back("minimised"); break;
            case EventType::Restored: out.push_back("restored"); break;
            case EventType::Wheel: out.push_back("wheel"); break;
            case EventType::User: out.push_back("user " + std::to_string(e.user)); break;
            default: out.push_back("other"); break;
        }
    }
    return out;
}
using Kinds = std::vector<std::string>;
HeldState held(bool left, bool right, bool shift = false, bool control = false) {
    HeldState h;
    h.left = left;
    h.right = right;
    h.shift = shift;
    h.control = control;
    return h;
}

// The key code a US layout gives a scancode: letters, the digit row and the
// printable keys are their characters, every other key is named after its
// scancode (that is how SDL numbers keys without a character).
SDL_Keycode usKeycode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return SDLK_a + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return SDLK_1 + (sc - SDL_SCANCODE_1);
    switch (sc) {
        case SDL_SCANCODE_0: return SDLK_0;
        case SDL_SCANCODE_RETURN: return SDLK_RETURN;
        case SDL_SCANCODE_ESCAPE: return SDLK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE: return SDLK_BACKSPACE;
        case SDL_SCANCODE_TAB: return SDLK_TAB;
        case SDL_SCANCODE_SPACE: return SDLK_SPACE;
        case SDL_SCANCODE_MINUS: return SDLK_MINUS;
        case SDL_SCANCODE_EQUALS: return SDLK_EQUALS;
        case SDL_SCANCODE_LEFTBRACKET: return SDLK_LEFTBRACKET;
        case SDL_SCANCODE_RIGHTBRACKET: return SDLK_RIGHTBRACKET;
        case SDL_SCANCODE_BACKSLASH: return SDLK_BACKSLASH;
        case SDL_SCANCODE_NONUSHASH: return SDLK_HASH;
        case SDL_SCANCODE_SEMICOLON: return SDLK_SEMICOLON;
        case SDL_SCANCODE_APOSTROPHE: return SDLK_QUOTE;
        case SDL_SCANCODE_GRAVE: return SDLK_BACKQUOTE;
        case SDL_SCANCODE_COMMA: return SDLK_COMMA;
        case SDL_SCANCODE_PERIOD: return SDLK_PERIOD;
        case SDL_SCANCODE_SLASH: return SDLK_SLASH;
        case SDL_SCANCODE_DELETE: return SDLK_DELETE;
        default: return SDL_SCANCODE_TO_KEYCODE(sc);
    }
}

// Key numbers, so that the tables compare and print as numbers.
uint32_t sdlKey(int32_t sym, int32_t scan, bool numLock) { return keyNumber(keyFromSdl(sym, scan, numLock)); }
constexpr uint32_t n(Key k) { return keyNumber(k); }

}  // namespace

// --- Key codes and text ---

TEST(KeymapTest, KeysTheGameReactsToReachTheWordsItChecks) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scan;
        uint32_t vk;
    };
    // Escape opens the in-game menu, Pause and P pause, Return (either one)
    // confirms and with Alt switches the screen, F11 switches it too, F12 and
    // Print Screen save a picture; the name box edits with the arrows,
    // Delete and Backspace; Shift, Ctrl and Alt change what clicks and keys mean.
    const Case cases[] = {
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, n(Key::Escape)},
        {SDLK_PAUSE, SDL_SCANCODE_PAUSE, n(Key::Pause)},
        {SDLK_p, SDL_SCANCODE_P, 'P'},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, n(Key::Return)},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, n(Key::Return)},
        {SDLK_F11, SDL_SCANCODE_F11, n(Key::F11)},
        {SDLK_F12, SDL_SCANCODE_F12, n(Key::F12)},
        {SDLK_PRINTSCREEN, SDL_SCANCODE_PRINTSCREEN, n(Key::PrintScreen)},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, n(Key::Left)},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, n(Key::Right)},
        {SDLK_DELETE, SDL_SCANCODE_DELETE, n(Key::Delete)},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, n(Key::Backspace)},
        {SDLK_TAB, SDL_SCANCODE_TAB, n(Key::Tab)},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, n(Key::Shift)},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, n(Key::Shift)},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, n(Key::Control)},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, n(Key::Control)},
        {SDLK_LALT, SDL_SCANCODE_LALT, n(Key::Alt)},
        {SDLK_RALT, SDL_SCANCODE_RALT, n(Key::Alt)},
    };
    for (const auto& c : cases)
        for (bool numLock : {true, false})
            EXPECT_EQ(sdlKey(c.sym, c.scan, numLock), c.vk) << SDL_GetKeyName(c.sym) << " " << numLock;

    // The dispatcher waits for these key-down codes; they must be what the
    // keys really make.
    const auto down = [](SDL_Keycode sym, SDL_Scancode scan) {
        return static_cast<int>(sdlKey(sym, scan, true)) + 0x100;
    };
    EXPECT_EQ(Dispatcher::kEscape, down(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE));
    EXPECT_EQ(Dispatcher::kPauseKey, down(SDLK_PAUSE, SDL_SCANCODE_PAUSE));
    EXPECT_EQ(Dispatcher::kPKey, down(SDLK_p, SDL_SCANCODE_P));
}

TEST(KeymapTest, LettersAndDigitsAreTheirUpperCaseCharacters) {
    for (int i = 0; i < 26; ++i) {
        const auto sym = static_cast<SDL_Keycode>(SDLK_a + i);
        const auto scan = static_cast<SDL_Scancode>(SDL_SCANCODE_A + i);
        EXPECT_EQ(sdlKey(sym, scan, true), static_cast<uint32_t>('A' + i)) << SDL_GetKeyName(sym);
    }
    // SDL numbers the digit row 1..9 then 0.
    for (int d = 0; d <= 9; ++d) {
        const auto sym = static_cast<SDL_Keycode>(SDLK_0 + d);
        const auto scan = d == 0 ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + d - 1);
        EXPECT_EQ(sdlKey(sym, scan, true), static_cast<uint32_t>('0' + d)) << d;
    }
    // Function keys count up from F1 without gaps, through F24.
    for (int f = 0; f < 24; ++f) {
        const auto sym = static_cast<SDL_Keycode>(f < 12 ? SDLK_F1 + f : SDLK_F13 + f - 12);
        const auto scan = static_cast<SDL_Scancode>(f < 12 ? SDL_SCANCODE_F1 + f : SDL_SCANCODE_F13 + f - 12);
        EXPECT_EQ(sdlKey(sym, scan, true), n(Key::F1) + static_cast<uint32_t>(f)) << SDL_GetKeyName(sym);
    }
    EXPECT_EQ(n(Key::F1) + 23, n(Key::F24));
}

TEST(KeymapTest, DistinctKeysNeverShareAWordExceptTheTwinModifiers) {
    // Every key SDL names on a full keyboard, Num Lock on and off.
    std::map<uint32_t, std::vector<std::string>> byWord;
    for (bool numLock : {true, false}) {
        std::map<uint32_t, std::vector<std::string>> words;
        for (int scan = SDL_SCANCODE_A; scan < SDL_NUM_SCANCODES; ++scan) {
            const auto sc = static_cast<SDL_Scancode>(scan);
            const SDL_Keycode sym = usKeycode(sc);
            const uint32_t vk = sdlKey(sym, scan, numLock);
            EXPECT_LE(vk, 0xFFu) << SDL_GetScancodeName(sc);
            if (vk != 0) words[vk].push_back(SDL_GetScancodeName(sc));
        }
        if (numLock) byWord = words;
        for (const auto& [vk, keys] : words) {
            if (keys.size() < 2) continue;
            // Left and right Shift, Ctrl, Alt are one key to the game; Return
            // and the keypad's Enter too; without Num Lock the keypad repeats
            // the navigation keys. The key above Return comes as Backslash on
            // some keyboards and as the non-US hash on others.
            const bool twins = vk == n(Key::Shift) || vk == n(Key::Control) || vk == n(Key::Alt) || vk == n(Key::Return) ||
                               vk == n(Key::Backslash) ||
                               (!numLock && (vk == n(Key::Insert) || vk == n(Key::Delete) || vk == n(Key::Home) || vk == n(Key::End) ||
                                             vk == n(Key::PageUp) || vk == n(Key::PageDown) || vk == n(Key::Left) || vk == n(Key::Right) ||
                                             vk == n(Key::Up) || vk == n(Key::Down) || vk == n(Key::Clear)));
            EXPECT_TRUE(twins) << "word " << vk << " from " << ::testing::PrintToString(keys)
                               << (numLock ? " (Num Lock on)" : " (Num Lock off)");
        }
    }
    // The keys the game reacts to all made a word.
    for (uint32_t vk : {n(Key::Escape), n(Key::Return), n(Key::Backspace), n(Key::Delete), n(Key::Left), n(Key::Right), n(Key::Pause), n(Key::F11), n(Key::F12),
                        n(Key::PrintScreen), n(Key::Shift), n(Key::Control), n(Key::Alt)})
        EXPECT_TRUE(byWord.count(vk)) << vk;
}

TEST(KeymapTest, LayoutsFollowWindowsConventions) {
    // AZERTY: the digit row names '&' and 'é' but is still '1', '2'.
    EXPECT_EQ(sdlKey('&', SDL_SCANCODE_1, true), '1');
    EXPECT_EQ(sdlKey(0xE9, SDL_SCANCODE_2, true), '2');
    // AZERTY's A sits on the US Q key: letters follow the layout.
    EXPECT_EQ(sdlKey(SDLK_a, SDL_SCANCODE_Q, true), 'A');
    // A Cyrillic letter and a German umlaut fall back to the key's US position.
    EXPECT_EQ(sdlKey(0x0444, SDL_SCANCODE_A, true), 'A');
    EXPECT_EQ(sdlKey(0xFC, SDL_SCANCODE_LEFTBRACKET, true), n(Key::LeftBracket));
    EXPECT_EQ(sdlKey(SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH, true), n(Key::LessThan));
    // Keys without a virtual-key code.
    EXPECT_EQ(sdlKey(0x2603, SDL_SCANCODE_UNKNOWN, true), 0u);
    EXPECT_EQ(sdlKey(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, true), 0u);
}

TEST(KeymapTest, KeypadFollowsNumLock) {
    EXPECT_EQ(sdlKey(SDLK_KP_0, SDL_SCANCODE_KP_0, true), n(Key::Keypad0));
    EXPECT_EQ(sdlKey(SDLK_KP_9, SDL_SCANCODE_KP_9, true), n(Key::Keypad0) + 9);
    EXPECT_EQ(sdlKey(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, true), n(Key::KeypadPeriod));
    EXPECT_EQ(sdlKey(SDLK_KP_0, SDL_SCANCODE_KP_0, false), n(Key::Insert));
    EXPECT_EQ(sdlKey(SDLK_KP_4, SDL_SCANCODE_KP_4, false), n(Key::Left));
    EXPECT_EQ(sdlKey(SDLK_KP_9, SDL_SCANCODE_KP_9, false), n(Key::PageUp));
    EXPECT_EQ(sdlKey(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, false), n(Key::Delete));
    // Operators and Enter do not depend on Num Lock.
    EXPECT_EQ(sdlKey(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, false), n(Key::Return));
    EXPECT_EQ(sdlKey(SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, false), n(Key::KeypadMultiply));
    EXPECT_EQ(sdlKey(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, true), n(Key::KeypadPlus));
    EXPECT_EQ(sdlKey(SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, true), n(Key::KeypadMinus));
    EXPECT_EQ(sdlKey(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, true), n(Key::KeypadDivide));
}

TEST(KeymapTest, Utf8ToCp1252KeepsWhatTheCodePageHas) {
    EXPECT_EQ(utf8ToCp1252("Hello, Quorrin!"), "Hello, Quorrin!");
    EXPECT_EQ(utf8ToCp1252("\xC3\xA9\xC3\xBF\xC2\xA0"), "\xE9\xFF\xA0");         // é ÿ nbsp
    EXPECT_EQ(utf8ToCp1252("\xE2\x82\xAC"), "\x80");                             // €
    EXPECT_EQ(utf8ToCp1252("\xE2\x84\xA2\xC5\xB8\xC5\xA0"), "\x99\x9F\x8A");     // ™ Ÿ Š
    EXPECT_EQ(utf8ToCp1252("\xE2\x80\x9C" "a" "\xE2\x80\x9D"), "\x93" "a" "\x94");  // curly quotes
    // Not in the code page: CJK, emoji, C1 controls.
    EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b\xF0\x9F\x98\x80" "c\xC2\x81"), "abc");
}

TEST(KeymapTest, Utf8ToCp1252DropsMalformedInput) {
    EXPECT_EQ(utf8ToCp1252("\x80" "a"), "a");               // stray continuation
    EXPECT_EQ(utf8ToCp1252("\xC3" "A"), "A");               // truncated, next byte survives
    EXPECT_EQ(utf8ToCp1252("x\xE2\x82"), "x");              // truncated at the end
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF" "b"), "b");           // overlong '/'
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80" "c"), "c");       // surrogate
    EXPECT_EQ(utf8ToCp1252("\xF4\x90\x80\x80" "d"), "d");   // beyond U+10FFFF
    EXPECT_EQ(utf8ToCp1252("\xFF\xFE" "e"), "e");
}

TEST(KeymapTest, Cp1252RoundTripsThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(cp1252ToUtf8("a\x81" "b"), "ab");  // unassigned bytes vanish
}

// --- Letterbox geometry ---

TEST(PlatformLetterbox, FitsTheFrameInAnyDrawable) {
    auto check = [](int dw, int dh, int x, int y, int w, int h) {
        const Viewport v = letterbox(dw, dh);
        EXPECT_EQ(v.x, x) << dw << "x" << dh;
        EXPECT_EQ(v.y, y) << dw << "x" << dh;
        EXPECT_EQ(v.w, w) << dw << "x" << dh;
        EXPECT_EQ(v.h, h) << dw << "x" << dh;
        EXPECT_EQ(v.drawableW, std::max(dw, 0));
        EXPECT_EQ(v.drawableH, std::max(dh, 0));
    };
    check(800, 600, 0, 0, 800, 600);
    check(1600, 1200, 0, 0, 1600, 1200);
    check(1920, 1080, 240, 0, 1440, 1080);   // bars left and right
    check(1080, 1920, 0, 555, 1080, 810);    // bars above and below
    check(2560, 1600, 213, 0, 2133, 1600);   // rounded width, centred
    check(0, 0, 0, 0, 0, 0);                 // minimised
    check(-5, 100, 0, 0, 0, 0);
}

TEST(PlatformLetterbox, WindowPositionsMapToLogicalPixels) {
    int x = -1, y = -1;
    windowToLogical(800, 600, 123, 456, x, y);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
    windowToLogical(1920, 1080, 240, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    windowToLogical(1920, 1080, 1679, 1079, x, y);
    EXPECT_EQ(x, 799);
    EXPECT_EQ(y, 599);
    windowToLogical(1920, 1080, 960, 540, x, y);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    // The bars clamp to the frame's edge.
    windowToLogical(1920, 1080, 10, 540, x, y);
    EXPECT_EQ(x, 0);
    windowToLogical(1920, 1080, 1919, 540, x, y);
    EXPECT_EQ(x, 799);
    windowToLogical(800, 600, -40, 9000, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 599);
    windowToLogical(0, 0, 10, 10, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

// --- Headless back end ---

TEST(HeadlessPlatform, PointerEventsCarryPositionAndTheButtonsHeld) {
    HeadlessPlatform p;
    p.mouseMove(100, 200);
    p.mouseDown(PointerButton::Left);
    p.mouseMove(101, 202);
    p.mouseDown(PointerButton::Right);
    p.mouseUp(PointerButton::Left);
    p.mouseUp(PointerButton::Right);
    p.mouseMove(900, -3);  // clamped to the frame
    const auto ms = drain(p);
    ASSERT_EQ(ms.size(), 7u);
    EXPECT_EQ(kinds(ms), (Kinds{"move", "left down", "move", "right down", "left up", "right up", "move"}));
    EXPECT_EQ(ms[0].held, held(false, false));
    EXPECT_EQ(ms[0].x, 100);
    EXPECT_EQ(ms[0].y, 200);
    EXPECT_EQ(ms[1].held, held(true, false));  // state after the event
    EXPECT_EQ(ms[1].x, 100);
    EXPECT_EQ(ms[1].y, 200);
    EXPECT_EQ(ms[2].held, held(true, false));
    EXPECT_EQ(ms[3].held, held(true, true));
    EXPECT_EQ(ms[4].held, held(false, true));  // the released button is no longer held
    EXPECT_EQ(ms[4].x, 101);
    EXPECT_EQ(ms[4].y, 202);
    EXPECT_EQ(ms[5].held, held(false, false));
    EXPECT_EQ(ms[6].x, 799);
    EXPECT_EQ(ms[6].y, 0);
}

TEST(HeadlessPlatform, ShiftAndControlShowInPointerEvents) {
    HeadlessPlatform p;
    p.keyDown(Key::Shift);
    p.keyDown(Key::Control);
    p.clearEvents();
    p.mouseMove(5, 6);
    p.keyUp(Key::Shift);
    p.mouseMove(7, 8);
    p.keyUp(Key::Control);
    p.mouseMove(9, 9);
    const auto ms = drain(p);
    ASSERT_EQ(ms.size(), 5u);
    EXPECT_EQ(ms[0].held, held(false, false, true, true));
    EXPECT_EQ(ms[2].held, held(false, false, false, true));
    EXPECT_EQ(ms[4].held, held(false, false));
}

TEST(HeadlessPlatform, DoubleClicksComeInPairsAndClicksHitTheLastMove) {
    HeadlessPlatform p;
    p.mouseDown(PointerButton::Left);  // no move yet: one is made at the click position
    p.mouseUp(PointerButton::Left);
    p.mouseMove(40, 50);
    p.doubleClick(PointerButton::Right);
    p.mouseDown(PointerButton::Left, 3);  // a third click starts a new pair
    p.mouseDown(PointerButton::Left, 4);
    EXPECT_EQ(kinds(drain(p)), (Kinds{"move", "left down", "left up", "move", "right down", "right up",
                                      "right double", "right up", "left down", "left double"}));
}

TEST(HeadlessPlatform, KeysProduceKeyAndControlCharacterEvents) {
    HeadlessPlatform p;
    p.keyDown(Key::Escape);
    p.keyDown(Key::Escape, true);
    p.keyUp(Key::Escape);
    p.keyDown(letterKey('A'));
    p.keyDown(Key::Return);
    p.keyDown(Key::Backspace);
    p.keyDown(Key::Tab);
    p.keyDown(Key::None);  // unmapped keys make nothing
    const auto ms = drain(p);
    ASSERT_EQ(ms.size(), 12u);
    EXPECT_EQ(kinds(ms), (Kinds{"key down", "char", "key down", "char", "key up", "key down", "key down", "char",
                                "key down", "char", "key down", "char"}));
    EXPECT_EQ(keyNumber(ms[0].key), 0x1Bu);
    EXPECT_FALSE(ms[0].repeat);
    EXPECT_EQ(ms[1].character, 27u);
    EXPECT_TRUE(ms[2].repeat);  // auto-repeat
    EXPECT_FALSE(ms[4].repeat);
    EXPECT_EQ(ms[5].key, letterKey('A'));  // letters type through text input, not here
    EXPECT_EQ(ms[7].character, 13u);
    EXPECT_EQ(ms[9].character, 8u);
    EXPECT_EQ(ms[11].character, 9u);
}

TEST(HeadlessPlatform, AltMakesMenuKeys) {
    HeadlessPlatform p;
    // Alt + X: menu keys; Alt's own release after a combination is plain.
    p.keyDown(Key::Alt);
    p.keyDown(letterKey('X'));
    p.typeText("x");
    p.keyUp(letterKey('X'));
    p.keyUp(Key::Alt);
    // Alt alone: a menu key both ways.
    p.keyDown(Key::Alt);
    p.keyUp(Key::Alt);
    // Ctrl + Alt (AltGr on some systems) is not a menu combination.
    p.keyDown(Key::Control);
    p.keyDown(Key::Alt);
    p.keyDown(letterKey('Q'));
    p.keyUp(Key::Alt);
    p.keyUp(Key::Control);
    p.keyDown(Key::F10);
    const auto ms = drain(p);
    EXPECT_EQ(kinds(ms), (Kinds{"menu key down", "menu key down", "menu char", "menu key up", "key up",
                                "menu key down", "menu key up", "key down", "key down", "key down", "key up",
                                "key up", "menu key down"}));
    ASSERT_EQ(ms.size(), 13u);
    EXPECT_EQ(ms[1].key, letterKey('X'));
    EXPECT_TRUE(ms[1].alt);  // Alt held
    EXPECT_FALSE(ms[12].alt);
}

TEST(HeadlessPlatform, TypedTextBecomesCp1252Characters) {
    HeadlessPlatform p;
    p.typeText("a\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\n");  // a é € 中 and a stray newline
    p.typeChar(0xFC);
    const auto ms = drain(p);
    ASSERT_EQ(ms.size(), 4u);
    for (const auto& m : ms) EXPECT_EQ(m.type, EventType::Text);
    EXPECT_EQ(ms[0].character, 'a');
    EXPECT_EQ(ms[1].character, 0xE9u);
    EXPECT_EQ(ms[2].character, 0x80u);
    EXPECT_EQ(ms[3].character, 0xFCu);
}

TEST(HeadlessPlatform, ActivationIsReportedOnChangeOnly) {
    HeadlessPlatform p;
    ASSERT_TRUE(p.createWindow(WindowDesc{}));
    p.setShiftKeys(true, true);
    EXPECT_TRUE(p.leftShiftDown());
    EXPECT_TRUE(p.rightShiftDown());
    p.activate(false);
    p.activate(false);
    EXPECT_FALSE(p.leftShiftDown());
    EXPECT_FALSE(p.rightShiftDown());
    p.activate(true);
    p.minimizeWindow();
    EXPECT_FALSE(p.leftShiftDown());
    p.raiseWindow();
    EXPECT_TRUE(p.leftShiftDown());
    const auto ms = drain(p);
    ASSERT_EQ(ms.size(), 4u);
    EXPECT_EQ(kinds(ms), (Kinds{"focus lost", "focus gained", "minimised", "restored"}));
    const bool active[] = {false, true, false, true}, minimised[] = {false, false, true, false};
    for (size_t i = 0; i < ms.size(); ++i) {
        EXPECT_EQ(ms[i].active, active[i]) << i;
        EXPECT_EQ(ms[i].minimised, minimised[i]) << i;
    }
    p.destroyWindow();
    EXPECT_FALSE(p.leftShiftDown());  // no window, no focus
}

TEST(HeadlessPlatform, PostedAndInjectedEventsShareOneFifo) {
    HeadlessPlatform p;
    p.postEvent(userEvent(0x400));
    p.mouseMove(1, 1);
    p.closeRequest();
    p.mouseLeave();
    p.postEvent(userEvent(0x401));
    EXPECT_EQ(kinds(drain(p)), (Kinds{"user 1024", "move", "close", "pointer left", "user 1025"}));
    Event m;
    EXPECT_FALSE(p.pollEvent(m));
}

TEST(HeadlessPlatform, VirtualClockMovesOnlyWhenTold) {
    HeadlessPlatform p;
    EXPECT_EQ(p.ticks64(), 1u);
    p.sleepMs(20);
    EXPECT_EQ(p.ticks64(), 21u);
    p.advance(4);
    EXPECT_EQ(p.ticks64(), 25u);
    p.waitForEvent(100);  // nothing queued: the wait runs its whole course
    EXPECT_EQ(p.ticks64(), 125u);
    p.closeRequest();
    p.waitForEvent(100);  // a message is waiting: no time passes
    EXPECT_EQ(p.ticks64(), 125u);
}

TEST(HeadlessPlatform, OneWindowAndALetterboxedFullScreen) {
    HeadlessPlatform p;
    EXPECT_FALSE(p.hasWindow());
    p.failWindowCreation = true;
    EXPECT_FALSE(p.createWindow(WindowDesc{}));
    EXPECT_FALSE(p.hasWindow());
    p.failWindowCreation = false;
    WindowDesc desc;
    desc.title = "The Vellmoor of Quorrin";
    ASSERT_TRUE(p.createWindow(desc));
    EXPECT_EQ(p.windowDesc().title, desc.title);
    EXPECT_FALSE(p.createWindow(desc));  // one window only

    const Viewport windowed = p.viewport();
    EXPECT_EQ(windowed.w, 800);
    EXPECT_EQ(windowed.h, 600);
    ASSERT_TRUE(p.setFullscreen(true));
    EXPECT_TRUE(p.isFullscreen());
    const Viewport full = p.viewport();
    EXPECT_EQ(full.x, 240);
    EXPECT_EQ(full.w, 1440);
    EXPECT_EQ(full.h, 1080);
    p.setFullscreen(false);
    EXPECT_EQ(p.viewport().w, 800);

    p.destroyWindow();
    EXPECT_FALSE(p.hasWindow());
}

TEST(HeadlessPlatform, PrefPathIsAFreshFolderRemovedWithThePlatform) {
    std::string first, second;
    {
        HeadlessPlatform a, b;
        first = a.prefPath("Brandwick", "Vellmoor_L");
        second = b.prefPath("Brandwick", "Vellmoor_L");
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first.back(), '/');
        EXPECT_TRUE(fs::is_directory(first));
        EXPECT_NE(first, second);
        EXPECT_EQ(a.prefPath("x", "y"), first);  // stable for the platform's life
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));

    const fs::path chosen = fs::temp_directory_path() / ("vellmoor-chosen-" + std::to_string(::getpid()));
    {
        HeadlessPlatform p;
        p.setPrefFolder(chosen.string());
        EXPECT_EQ(p.prefPath("Brandwick", "Vellmoor_L"), chosen.string() + "/");
        EXPECT_TRUE(fs::is_directory(chosen));
    }
    EXPECT_TRUE(fs::exists(chosen));  // a folder it did not make is left alone
    fs::remove_all(chosen);
}

// --- SDL back end on the offscreen driver ---

class SdlPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WindowDesc desc;
        desc.title = "The Vellmoor of Quorrin";
        desc.framed = true;
        desc.x = desc.y = kWindowCentred;
        if (!sdl.createWindow(desc)) {
            const std::string error = SDL_GetError();
            // Only a machine without any EGL is excused.
            if (error.find("Could not load EGL library") != std::string::npos ||
                error.find("Could not get EGL display") != std::string::npos)
                GTEST_SKIP() << "no EGL here: " << error;
            FAIL() << "window with an OpenGL 3.3 core context: " << error;
        }
        windowId = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
        drain(sdl);  // creation events
    }

    void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
    void pushMotion(int x, int y, uint32_t state = 0) {
        SDL_Event e{};
        e.motion.type = SDL_MOUSEMOTION;
        e.motion.windowID = windowId;
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = state;
        push(e);
    }
    void pushButton(bool down, uint8_t button, uint8_t clicks, int x, int y) {
        SDL_Event e{};
        e.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = windowId;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = clicks;
        e.button.x = x;
        e.button.y = y;
        push(e);
    }
    void pushKey(bool down, SDL_Keycode sym, SDL_Scancode scan, uint16_t mod = KMOD_NONE, bool repeat = false) {
        SDL_Event e{};
        e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = windowId;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = scan;
        e.key.keysym.mod = mod;
        push(e);
    }
    void pushText(const char* utf8) {
        SDL_Event e{};
        e.text.type = SDL_TEXTINPUT;
        e.text.windowID = windowId;
        std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        push(e);
    }
    void pushWindowEvent(uint8_t event) {
        SDL_Event e{};
        e.window.type = SDL_WINDOWEVENT;
        e.window.windowID = windowId;
        e.window.event = event;
        push(e);
    }

    SdlPlatform sdl;
    uint32_t windowId = 0;
};

TEST_F(SdlPlatformTest, OpensAnOpenGL33CoreWindow) {
    ASSERT_TRUE(sdl.hasWindow());
    ASSERT_TRUE(sdl.hasGLContext());
    using GetString = const unsigned char* (*)(unsigned);
    using GetIntegerv = void (*)(unsigned, int*);
    auto getString = reinterpret_cast<GetString>(sdl.glProcAddress("glGetString"));
    auto getIntegerv = reinterpret_cast<GetIntegerv>(sdl.glProcAddress("glGetIntegerv"));
    ASSERT_NE(getString, nullptr);
    ASSERT_NE(getIntegerv, nullptr);
    int major = 0, minor = 0, profile = 0;
    getIntegerv(0x821B, &major);    // GL_MAJOR_VERSION
    getIntegerv(0x821C, &minor);    // GL_MINOR_VERSION
    getIntegerv(0x9126, &profile);  // GL_CONTEXT_PROFILE_MASK
    EXPECT_GE(major * 10 + minor, 33) << getString(0x1F02);
    EXPECT_NE(profile & 1, 0) << "not a core profile";  // GL_CONTEXT_CORE_PROFILE_BIT
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    sdl.swapBuffers();

    const Viewport v = sdl.viewport();
    EXPECT_EQ(v.x, 0);
    EXPECT_EQ(v.y, 0);
    EXPECT_EQ(v.w, 800);
    EXPECT_EQ(v.h, 600);
    EXPECT_FALSE(sdl.isFullscreen());
    EXPECT_GT(sdl.ticks64(), 0u);
    EXPECT_FALSE(sdl.createWindow(WindowDesc{}));  // one window only
}

TEST_F(SdlPlatformTest, PushedEventsArriveInOrder) {
    sdl.postEvent(userEvent(0x400));  // posted before the events are pumped
    pushMotion(123, 45);
    pushButton(true, SDL_BUTTON_LEFT, 1, 123, 45);
    pushMotion(130, 50, SDL_BUTTON_LMASK);
    pushButton(false, SDL_BUTTON_LEFT, 1, 130, 50);
    pushButton(true, SDL_BUTTON_LEFT, 2, 130, 50);
    pushButton(true, SDL_BUTTON_MIDDLE, 1, 130, 50);  // no event for the middle button
    pushKey(true, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    pushKey(false, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    pushKey(true, SDLK_x, SDL_SCANCODE_X, KMOD_LALT);
    pushText("\xC3\xA9");
    pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindowEvent(SDL_WINDOWEVENT_LEAVE);
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);

    const auto ms = drain(sdl);
    ASSERT_EQ(kinds(ms), (Kinds{"user 1024", "move", "left down", "move", "left up", "left double", "key down",
                                "char", "key up", "menu key down", "menu char", "exposed", "focus lost",
                                "pointer left", "close"}));
    EXPECT_EQ(ms[1].x, 123);
    EXPECT_EQ(ms[1].y, 45);
    EXPECT_EQ(ms[1].held, held(false, false));
    EXPECT_EQ(ms[2].held, held(true, false));
    EXPECT_EQ(ms[3].held, held(true, false));
    EXPECT_EQ(ms[3].x, 130);
    EXPECT_EQ(ms[3].y, 50);
    EXPECT_EQ(ms[4].held, held(false, false));
    EXPECT_EQ(ms[5].held, held(true, false));
    EXPECT_EQ(keyNumber(ms[6].key), 0x1Bu);
    EXPECT_EQ(ms[7].character, 27u);
    EXPECT_EQ(ms[9].key, letterKey('X'));
    EXPECT_EQ(ms[10].character, 0xE9u);
    EXPECT_FALSE(ms[12].active);
    EXPECT_FALSE(ms[12].minimised);
}

// A pad plugged in while the game runs is opened; its buttons and sticks
// arrive as the game's own pad words, and pulling it out lets go of
// whatever it held, so nothing keeps charging or moving.
TEST_F(SdlPlatformTest, AVirtualPadIsOpenedItsInputArrivesAndUnpluggingItLetsGo) {
    // The offscreen window may not hold the focus, and a pad's input
    // normally goes only to the window that does.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Vellmoor test pad";
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    drain(sdl);  // the pad's arrival
    ASSERT_EQ(sdl.openControllers(), 1);
    SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    ASSERT_NE(stick, nullptr);

    ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED), 0);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, -20000), 0);
    ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_PRESSED), 0);
    SDL_JoystickUpdate();
    std::vector<Event> pad;
    for (const Event& e : drain(sdl))
        if (e.type == EventType::ControllerButton || e.type == EventType::ControllerAxis) pad.push_back(e);
    const auto has = [&](EventType type, int what, int value) {
        return std::any_of(pad.begin(), pad.end(), [&](const Event& e) {
            return e.type == type && (type == EventType::ControllerButton
                                          ? e.controllerButton == what && e.down == (value != 0)
                                          : e.axis == what && e.axisValue == value);
        });
    };
    EXPECT_TRUE(has(EventType::ControllerButton, static_cast<int>(PadButton::A), 1));
    EXPECT_TRUE(has(EventType::ControllerButton, static_cast<int>(PadButton::DpadUp), 1));
    EXPECT_TRUE(has(EventType::ControllerAxis, static_cast<int>(PadAxis::LeftX), -20000));

    ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
    pad.clear();
    for (const Event& e : drain(sdl))
        if (e.type == EventType::ControllerButton || e.type == EventType::ControllerAxis) pad.push_back(e);
    EXPECT_EQ(sdl.openControllers(), 0);
    EXPECT_TRUE(has(EventType::ControllerButton, static_cast<int>(PadButton::A), 0));
    EXPECT_TRUE(has(EventType::ControllerAxis, static_cast<int>(PadAxis::LeftX), 0));
}

TEST_F(SdlPlatformTest, MatchesTheHeadlessHelpersForTheSameGestures) {
    HeadlessPlatform h;
    pushMotion(10, 20);
    h.mouseMove(10, 20);
    pushButton(true, SDL_BUTTON_RIGHT, 1, 10, 20);
    h.mouseDown(PointerButton::Right);
    pushButton(false, SDL_BUTTON_RIGHT, 1, 10, 20);
    h.mouseUp(PointerButton::Right);
    pushKey(true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
    h.keyDown(Key::Shift);
    pushMotion(11, 21);
    h.mouseMove(11, 21);
    pushKey(true, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LSHIFT);
    h.keyDown(Key::Return);
    pushKey(true, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LSHIFT, true);
    h.keyDown(Key::Return, true);
    pushText("\xE2\x82\xAC");
    h.typeText("\xE2\x82\xAC");
    pushKey(false, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    h.keyUp(Key::Shift);
    pushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    h.keyDown(Key::Alt);
    pushKey(false, SDLK_LALT, SDL_SCANCODE_LALT);
    h.keyUp(Key::Alt);
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    h.closeRequest();

    const auto fromSdl = drain(sdl);
    const auto fromHeadless = drain(h);
    ASSERT_EQ(fromSdl.size(), fromHeadless.size());
    for (size_t i = 0; i < fromSdl.size(); ++i) EXPECT_TRUE(fromSdl[i] == fromHeadless[i]) << i;
}

TEST_F(SdlPlatformTest, WaitingKeepsTheEventThatEndedTheWait) {
    pushKey(true, SDLK_SPACE, SDL_SCANCODE_SPACE);
    const uint64_t before = sdl.ticks64();
    sdl.waitForEvent(2000);
    EXPECT_LT(sdl.ticks64() - before, 1000u);
    Event m;
    ASSERT_TRUE(sdl.pollEvent(m));
    EXPECT_EQ(m.type, EventType::KeyDown);
    EXPECT_EQ(m.key, Key::Space);
    // Something queued: the wait returns at once.
    sdl.postEvent(userEvent(0x400));
    const uint64_t start = sdl.ticks64();
    sdl.waitForEvent(2000);
    EXPECT_LT(sdl.ticks64() - start, 1000u);
}

TEST_F(SdlPlatformTest, FullscreenStaysLetterboxedAndMapsTheMouse) {
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    ASSERT_TRUE(sdl.setFullscreen(true));
    EXPECT_TRUE(sdl.isFullscreen());
    drain(sdl);
    const Viewport v = sdl.viewport();
    EXPECT_EQ(v.drawableW, desktop.w);
    EXPECT_EQ(v.drawableH, desktop.h);
    EXPECT_LE(std::abs(v.w * 600 - v.h * 800), 800) << v.w << "x" << v.h;  // 4:3 within a pixel
    EXPECT_TRUE(v.w == v.drawableW || v.h == v.drawableH);
    EXPECT_EQ(v.x, (v.drawableW - v.w) / 2);
    EXPECT_EQ(v.y, (v.drawableH - v.h) / 2);
    // The desktop's display mode is left as it was.
    SDL_DisplayMode after;
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &after), 0);
    EXPECT_EQ(after.w, desktop.w);
    EXPECT_EQ(after.h, desktop.h);

    int ww = 0, wh = 0;
    SDL_GetWindowSize(SDL_GL_GetCurrentWindow(), &ww, &wh);
    pushMotion(ww - 1, wh - 1);
    pushMotion(ww / 2, wh / 2);
    const auto ms = drain(sdl);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[0].x, 799);
    EXPECT_EQ(ms[0].y, 599);
    EXPECT_EQ(ms[1].x, 400);
    EXPECT_EQ(ms[1].y, 300);

    ASSERT_TRUE(sdl.setFullscreen(false));
    EXPECT_FALSE(sdl.isFullscreen());
    drain(sdl);
    const Viewport back = sdl.viewport();
    EXPECT_EQ(back.w, 800);
    EXPECT_EQ(back.h, 600);
    EXPECT_EQ(back.x, 0);
}

TEST_F(SdlPlatformTest, DestroyEndsTheWindowAndItsEvents) {
    sdl.destroyWindow();
    EXPECT_FALSE(sdl.hasWindow());
    // The context outlives the closed window so the shutdown can release
    // its GL objects; it goes with the next window or the platform.
    EXPECT_TRUE(sdl.hasGLContext());
    EXPECT_NE(sdl.glProcAddress("glClear"), nullptr);
    EXPECT_FALSE(sdl.leftShiftDown());
    EXPECT_FALSE(sdl.rightShiftDown());
    pushMotion(5, 5);  // for a window that no longer exists
    EXPECT_TRUE(drain(sdl).empty());
    // A new window can be made afterwards, here without OpenGL and with full
    // screen asked for before it exists.
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    EXPECT_TRUE(sdl.setFullscreen(true));
    WindowDesc desc;
    desc.openGL = false;
    ASSERT_TRUE(sdl.createWindow(desc));
    EXPECT_FALSE(sdl.hasGLContext());
    EXPECT_TRUE(sdl.isFullscreen());
    EXPECT_EQ(sdl.viewport().drawableW, desktop.w);
    EXPECT_EQ(sdl.viewport().drawableH, desktop.h);
    ASSERT_TRUE(sdl.setFullscreen(false));
    EXPECT_EQ(sdl.viewport().w, 800);
    sdl.destroyWindow();
    EXPECT_FALSE(sdl.hasWindow());
}

TEST(SdlPlatform, PrefPathIsCreatedBelowTheDataHome) {
    const fs::path home = fs::temp_directory_path() / ("vellmoor-xdg-" + std::to_string(::getpid()));
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    SdlPlatform sdl;
    const std::string path = sdl.prefPath("Brandwick", "Vellmoor_L");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(path, (home / "Brandwick" / "Vellmoor_L").string() + "/");
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove_all(home);
}

// ---------------------------------------------------------------- text at the file's edge

TEST(TextEncodingTest, FilesInUtf8OrInTheFontsBytesBothReadAsTheFontsBytes) {
    EXPECT_EQ(fontTextOfFile("Zo\xC3\xAB"), "Zo\xEB");         // UTF-8 e with diaeresis
    EXPECT_EQ(fontTextOfFile("Zo\xEB"), "Zo\xEB");             // an older file's byte
    EXPECT_EQ(fileText("Zo\xEB"), "Zo\xC3\xAB");
    EXPECT_EQ(fontText(fileText("\x80\x8A\xFF")), "\x80\x8A\xFF");  // euro, S caron, y diaeresis
    EXPECT_TRUE(isUtf8("plain"));
    EXPECT_FALSE(isUtf8("\xC3"));          // cut short
    EXPECT_FALSE(isUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));  // surrogate
}

TEST(TextEncodingTest, LettersAndDigitsOfTheFontsCodePage) {
    for (unsigned char c : std::string("az09AZ\xC0\xD6\xD8\xF6\xF8\xFF\x8A\x9F")) EXPECT_TRUE(isFontAlnum(c)) << int(c);
    for (unsigned char c : std::string("%'. _-\xD7\xF7\xA9\xB2\x80\x7F")) EXPECT_FALSE(isFontAlnum(c)) << int(c);
}

// ---------------------------------------------------------------- pictures folder

TEST(PicturesFolderTest, TheUserDirsEntryOrTheEnvironmentNamesItWhenTheFolderExists) {
    const std::string home = testing::TempDir() + "vm_pics_" + std::to_string(::getpid());
    std::filesystem::create_directories(home + "/Bilder");
    const std::string dirs = "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                             "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(platform::picturesFolderFrom(dirs, home, ""), home + "/Bilder");
    // The environment wins over the file.
    std::filesystem::create_directories(home + "/Shots");
    EXPECT_EQ(platform::picturesFolderFrom(dirs, home, home + "/Shots"), home + "/Shots");
    // A folder that is not there, the home folder itself, a relative entry or
    // no entry at all: no pictures folder.
    EXPECT_EQ(platform::picturesFolderFrom("XDG_PICTURES_DIR=\"$HOME/Gone\"\n", home, ""), "");
    EXPECT_EQ(platform::picturesFolderFrom("XDG_PICTURES_DIR=\"$HOME/\"\n", home, ""), "");
    EXPECT_EQ(platform::picturesFolderFrom("XDG_PICTURES_DIR=\"Bilder\"\n", home, ""), "");
    EXPECT_EQ(platform::picturesFolderFrom("", home, ""), "");
    std::filesystem::remove_all(home);
}
