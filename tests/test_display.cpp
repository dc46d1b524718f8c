// The window on Linux: the letterbox and the mouse mapped back through it,
// full screen switched by the options, Alt+Return or F11 and remembered only
// as far as it really happened, the focus bounce of a mode switch, and text
// input that follows the keyboard focus.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame/app.h"
#include "frame/clock.h"
#include "frame/settings.h"
#include "game_support.h"
#include "gfx/gl/gl_device.h"
#include "gfx/testing/recording_device.h"
#include "gfx/gfx.h"
#include "platform/headless_platform.h"
#include "platform/keymap.h"
#include "platform/sdl_platform.h"
#include "platform/window_fit.h"
#include "platform/event.h"
#include "scene/input.h"

using namespace platform;

namespace {

std::vector<Event> drain(Platform& p) {
    std::vector<Event> out;
    Event m;
    while (p.pollEvent(m)) out.push_back(m);
    return out;
}

int inactivations(const std::vector<Event>& ms) {
    int n = 0;
    for (const Event& m : ms)
        if ((m.type == EventType::FocusLost || m.type == EventType::Minimised) && (!m.active || m.minimised)) ++n;
    return n;
}

struct Mapped {
    int x, y;
};
Mapped mapped(const Viewport& v, int ww, int wh, int wx, int wy) {
    Mapped m{-1, -1};
    windowToLogical(v, ww, wh, wx, wy, m.x, m.y);
    return m;
}

// Keeps every key code the game would be given.
class KeyRecorder : public Actor {
public:
    int onKey(int code) override {
        codes.push_back(code);
        return 1;
    }
    std::vector<int> codes;
};

}  // namespace

// ---------------------------------------------------------------- letterbox

TEST(DisplayLetterbox, ThePictureFillsTheDrawableAtFourToThreeWithBarsWhereTheShapeDiffers) {
    struct Case {
        int dw, dh;  // drawable
        int x, y, w, h;
    };
    const Case cases[] = {
        {1024, 768, 0, 0, 1024, 768},      // the same shape: no bars
        {1920, 1080, 240, 0, 1440, 1080},  // wide: bars left and right
        {800, 600, 0, 0, 800, 600},
        {600, 1000, 0, 275, 600, 450},  // tall: bars above and below
    };
    for (const Case& c : cases) {
        const Viewport v = letterbox(c.dw, c.dh);
        EXPECT_EQ(v.x, c.x) << c.dw << "x" << c.dh;
        EXPECT_EQ(v.y, c.y) << c.dw << "x" << c.dh;
        EXPECT_EQ(v.w, c.w) << c.dw << "x" << c.dh;
        EXPECT_EQ(v.h, c.h) << c.dw << "x" << c.dh;

        // The mouse goes back through the same rectangle, whether the window
        // counts in pixels or in points of half as many (high-DPI).
        for (int scale : {1, 2}) {
            const int ww = c.dw / scale, wh = c.dh / scale;
            const auto at = [&](int px, int py) { return mapped(v, ww, wh, px / scale, py / scale); };
            // The picture's corner pixels; a point of two pixels counts at its
            // middle, which may be over the neighbouring logical pixel.
            Mapped m = at(c.x, c.y);
            EXPECT_NEAR(m.x, 0, scale - 1) << c.dw << "x" << c.dh << " /" << scale;
            EXPECT_NEAR(m.y, 0, scale - 1) << c.dw << "x" << c.dh << " /" << scale;
            m = at(c.x + c.w - 1, c.y + c.h - 1);
            EXPECT_NEAR(m.x, 799, scale - 1) << c.dw << "x" << c.dh << " /" << scale;
            EXPECT_NEAR(m.y, 599, scale - 1) << c.dw << "x" << c.dh << " /" << scale;
            m = at(c.x + c.w / 2, c.y + c.h / 2);
            EXPECT_NEAR(m.x, 400, 1) << c.dw << "x" << c.dh << " /" << scale;
            EXPECT_NEAR(m.y, 300, 1) << c.dw << "x" << c.dh << " /" << scale;
            m = at(c.x + c.w / 4, c.y + 3 * c.h / 4);
            EXPECT_NEAR(m.x, 200, 1) << c.dw << "x" << c.dh << " /" << scale;
            EXPECT_NEAR(m.y, 450, 1) << c.dw << "x" << c.dh << " /" << scale;
            // The bars belong to the nearest edge of the picture.
            m = mapped(v, ww, wh, 0, 0);
            EXPECT_NEAR(m.x, 0, scale - 1);
            EXPECT_NEAR(m.y, 0, scale - 1);
            m = mapped(v, ww, wh, ww - 1, wh - 1);
            EXPECT_NEAR(m.x, 799, scale - 1);
            EXPECT_NEAR(m.y, 599, scale - 1);
            m = mapped(v, ww, wh, -50, wh + 50);  // off the window while dragging
            EXPECT_EQ(m.x, 0);
            EXPECT_EQ(m.y, 599);
        }
    }
    // A window of 960 x 540 points on a 1920 x 1080 drawable: the picture
    // spans points 120 to 839, not the pixels 240 to 1679 the point numbers
    // would hit if taken for pixels.
    const Viewport hidpi = letterbox(1920, 1080);
    EXPECT_EQ(mapped(hidpi, 960, 540, 120, 0).x, 0);
    EXPECT_EQ(mapped(hidpi, 960, 540, 121, 0).x, 1);
    EXPECT_EQ(mapped(hidpi, 960, 540, 480, 270).x, 400);
    EXPECT_EQ(mapped(hidpi, 960, 540, 480, 270).y, 300);
    EXPECT_EQ(mapped(hidpi, 960, 540, 839, 539).x, 799);
    EXPECT_EQ(mapped(hidpi, 960, 540, 839, 539).y, 599);
    EXPECT_EQ(mapped(hidpi, 960, 540, 600, 0).x, 533);  // (1201 - 240) * 800 / 1440
    // Nothing to map into: a minimised window.
    EXPECT_EQ(mapped(letterbox(0, 0), 0, 0, 5, 5).x, 0);
}

// ---------------------------------------------------------------- the first window

TEST(DisplayFirstWindow, TakesTheLargestStepOfTheFrameThatFitsWithRoomForItsFrame) {
    struct Case {
        int usableW, usableH, w, h;
    };
    const Case cases[] = {
        {1366, 768, 800, 600},    // 1.25 times is 750 tall: no room for a title bar
        {1920, 1080, 1200, 900},  // 1.5; 2 times is taller than the screen
        {1920, 1040, 1200, 900},  // the same under a panel
        {2560, 1440, 1600, 1200},
        {3840, 2160, 2400, 1800},  // 3 times is the largest step
        {1080, 1920, 1000, 750},   // portrait: the width decides
        {1024, 600, 800, 600},     // nothing fits: the frame itself
    };
    for (const Case& c : cases) {
        const WindowSize s = firstWindowSize(c.usableW, c.usableH);
        EXPECT_EQ(s.w, c.w) << c.usableW << "x" << c.usableH;
        EXPECT_EQ(s.h, c.h) << c.usableW << "x" << c.usableH;
    }
    // A size the player gave it is kept while it fits; one that no longer
    // does (another monitor), cannot be played at, or is damaged, is not.
    struct Saved {
        int w, h, usableW, usableH, expectW, expectH;
    };
    const Saved saved[] = {
        {1000, 700, 1920, 1080, 1000, 700},
        {1904, 1032, 1920, 1080, 1904, 1032},
        {2400, 1800, 1920, 1080, 1200, 900},
        {300, 200, 1920, 1080, 1200, 900},
        {0, 0, 2560, 1440, 1600, 1200},
        {2147483647, 2147483647, 3840, 2160, 2400, 1800},
        {-5, 700, 1920, 1080, 1200, 900},
    };
    for (const Saved& c : saved) {
        const WindowSize s = startWindowSize(c.w, c.h, c.usableW, c.usableH);
        EXPECT_EQ(s.w, c.expectW) << c.w << "x" << c.h << " on " << c.usableW << "x" << c.usableH;
        EXPECT_EQ(s.h, c.expectH) << c.w << "x" << c.h << " on " << c.usableW << "x" << c.usableH;
    }
}

// ---------------------------------------------------------------- full screen switches

class DisplayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        Gfx_Shutdown();
        auto d = std::make_unique<RecordingDevice>();
        dev = d.get();
        Gfx_InstallDevice(std::move(d));
        ASSERT_TRUE(setIniString("Game", "Fullscreen", "0"));
        ASSERT_TRUE(Gfx_InitDevice());
        ASSERT_TRUE(host().createWindow(WindowDesc{}));
        engineStart();
        keys = new KeyRecorder;
        setKeyboardHandler(keys);
    }
    void TearDown() override {
        engineStop();
        Gfx_Shutdown();
        GameTest::TearDown();
    }
    // Hands what the platform queued to the window procedure, then the keys
    // to the game.
    void deliver() {
        Event m;
        while (host().pollEvent(m)) deliverEvent(m);
        dispatchInput();
    }
    int storedMode() { return getIniInt("Game", "Fullscreen", -1); }

    RecordingDevice* dev = nullptr;
    KeyRecorder* keys = nullptr;
};

TEST_F(DisplayTest, ARefusedSwitchKeepsTheOldModeAndThatIsWhatIsStored) {
    dev->failFullscreen = true;
    EXPECT_FALSE(Gfx_SetFullscreen(true));
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_EQ(dev->resets, 0);  // nothing to restore
    EXPECT_FALSE(toggleFullscreen());
    EXPECT_EQ(storedMode(), 0);

    dev->failFullscreen = false;
    EXPECT_TRUE(toggleFullscreen());
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 1);
    EXPECT_EQ(dev->resets, 1);
    // Back to the window refused: full screen stays, and is remembered.
    dev->failFullscreen = true;
    EXPECT_TRUE(toggleFullscreen());
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 1);

    // A stored full screen the window system refuses at start-up leaves the
    // game windowed.
    Gfx_Shutdown();
    auto d = std::make_unique<RecordingDevice>();
    d->failFullscreen = true;
    Gfx_InstallDevice(std::move(d));
    ASSERT_TRUE(Gfx_InitDevice());
    EXPECT_FALSE(Gfx_IsFullscreen());
}

TEST_F(DisplayTest, TheWindowDeviceReportsWhatThePlatformDid) {
    // The OpenGL device on the platform window needs no context to switch.
    Gfx_Shutdown();
    Gfx_InstallDevice(makeGlDevice());
    host().failFullscreen = true;
    EXPECT_FALSE(Gfx_SetFullscreen(true));
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_FALSE(host().isFullscreen());
    EXPECT_EQ(host().viewport().w, 800);
    EXPECT_TRUE(host().messageBoxes().empty());

    auto device = makeGlDevice();
    EXPECT_FALSE(device->setFullscreen(true));
    host().failFullscreen = false;
    EXPECT_TRUE(device->setFullscreen(true));
    EXPECT_TRUE(host().isFullscreen());
    EXPECT_EQ(host().viewport().w, 1440);
    host().failFullscreen = true;
    EXPECT_TRUE(device->setFullscreen(true));  // already there
    EXPECT_FALSE(device->setFullscreen(false));
    EXPECT_TRUE(host().isFullscreen());
}

TEST_F(DisplayTest, F11AndAltReturnSwitchAndRememberTheModeWithoutTheGameSeeingTheKeys) {
    host().pressKey(Key::F11);
    deliver();
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 1);
    // Held down, the key repeats without switching back and forth.
    host().keyDown(Key::F11);
    host().keyDown(Key::F11, true);
    host().keyDown(Key::F11, true);
    host().keyUp(Key::F11);
    deliver();
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 0);
    EXPECT_TRUE(keys->codes.empty());

    host().keyDown(Key::Alt);
    host().keyDown(Key::Return);
    host().keyDown(Key::Return, true);
    host().keyUp(Key::Return);
    host().keyUp(Key::Alt);
    deliver();
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 1);
    // Only Alt itself reached the game: no Return, no carriage return.
    EXPECT_EQ(keys->codes, (std::vector<int>{0x100 + keyNumber(Key::Alt), 0x200 + keyNumber(Key::Alt)}));

    // Alt let go first: the Return still belongs to the switch.
    keys->codes.clear();
    host().keyDown(Key::Alt);
    host().keyDown(Key::Return);
    host().keyUp(Key::Alt);
    host().keyDown(Key::Return, true);
    host().keyUp(Key::Return);
    deliver();
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_EQ(keys->codes, (std::vector<int>{0x100 + keyNumber(Key::Alt), 0x200 + keyNumber(Key::Alt)}));

    // A plain Return is the game's, with its character.
    keys->codes.clear();
    host().pressKey(Key::Return);
    deliver();
    EXPECT_EQ(keys->codes, (std::vector<int>{0x100 + keyNumber(Key::Return), 13, 0x200 + keyNumber(Key::Return)}));
    EXPECT_FALSE(Gfx_IsFullscreen());

    // A refused switch by key stores the mode that stayed.
    dev->failFullscreen = true;
    host().pressKey(Key::F11);
    deliver();
    EXPECT_FALSE(Gfx_IsFullscreen());
    EXPECT_EQ(storedMode(), 0);
}

TEST_F(DisplayTest, AReturnWhoseReleaseWasLostElsewhereIsTheGamesAgain) {
    host().keyDown(Key::Alt);
    host().keyDown(Key::Return);
    host().activate(false);  // both keys go up in another window
    host().activate(true);
    host().pressKey(Key::Return);
    deliver();
    EXPECT_TRUE(Gfx_IsFullscreen());
    EXPECT_EQ(keys->codes, (std::vector<int>{0x100 + keyNumber(Key::Alt), 0x100 + keyNumber(Key::Return), 13, 0x200 + keyNumber(Key::Return)}));
}

// ---------------------------------------------------------------- text input

TEST_F(DisplayTest, TextInputRunsOnlyWhileSomeoneHasTheKeyboard) {
    EXPECT_FALSE(host().textInputActive());
    auto* box = new KeyRecorder;
    auto* other = new KeyRecorder;
    setKeyboardFocus(box);
    EXPECT_TRUE(host().textInputActive());
    EXPECT_EQ(host().textInputStarts(), 1);
    setKeyboardFocus(other);  // from one edit box to the next: nothing to change
    EXPECT_EQ(host().textInputStarts(), 1);
    EXPECT_EQ(host().textInputStops(), 0);
    releaseKeyboardFocus(other);
    EXPECT_FALSE(host().textInputActive());
    EXPECT_EQ(host().textInputStops(), 1);
    setKeyboardFocus(nullptr);  // nobody to nobody
    EXPECT_EQ(host().textInputStops(), 1);
    setKeyboardFocus(box);
    setKeyboardFocus(nullptr);
    EXPECT_EQ(host().textInputStarts(), 2);
    EXPECT_EQ(host().textInputStops(), 2);

    // A focus still held when the engine starts turns text input on.
    engineStop();
    setKeyboardFocus(box);
    EXPECT_EQ(host().textInputStarts(), 2);  // no listener while stopped
    engineStart();
    EXPECT_TRUE(host().textInputActive());
    releaseKeyboardFocus(box);
    EXPECT_FALSE(host().textInputActive());
}

TEST(KeyboardFocusListener, HearsOnlyTheChangesBetweenNobodyAndSomebody) {
    resetInput();
    static std::vector<bool> heard;
    heard.clear();
    setKeyboardFocusListener([](bool focused) { heard.push_back(focused); });
    auto* a = new Actor;
    auto* b = new Actor;
    setKeyboardFocus(a);
    setKeyboardFocus(b);
    setKeyboardFocus(a);
    releaseKeyboardFocus(a);
    releaseKeyboardFocus(nullptr);
    setKeyboardFocus(b);
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true}));
    resetInput();  // forgets the listener too
    setKeyboardFocus(a);
    EXPECT_EQ(heard.size(), 3u);
    resetInput();
    destroyAllActors();
}

// ---------------------------------------------------------------- the SDL window

class SdlDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WindowDesc desc;
        desc.title = "The Vellmoor of Quorrin";
        desc.x = desc.y = kWindowCentred;
        if (!sdl.createWindow(desc)) {
            const std::string error = SDL_GetError();
            if (error.find("EGL") != std::string::npos) GTEST_SKIP() << "no EGL here: " << error;
            FAIL() << "window with an OpenGL 3.3 core context: " << error;
        }
        window = SDL_GL_GetCurrentWindow();
        windowId = SDL_GetWindowID(window);
        drain(sdl);
    }
    void feed(uint8_t windowEvent) {
        SDL_Event e{};
        e.window.type = SDL_WINDOWEVENT;
        e.window.windowID = windowId;
        e.window.event = windowEvent;
        sdl.translate(e);
    }

    SdlPlatform sdl;
    SDL_Window* window = nullptr;
    uint32_t windowId = 0;
};

TEST_F(SdlDisplayTest, TheWindowResizesAndTheLetterboxAndMouseFollowItsRealSize) {
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE, 0u);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    SDL_SetWindowSize(window, 600, 1000);
    SDL_GL_GetDrawableSize(window, &w, &h);
    ASSERT_EQ(w, 600);
    ASSERT_EQ(h, 1000);
    const Viewport v = sdl.viewport();
    EXPECT_EQ(v.drawableW, 600);
    EXPECT_EQ(v.drawableH, 1000);
    EXPECT_EQ(v.y, 275);
    EXPECT_EQ(v.h, 450);
    drain(sdl);
    SDL_Event e{};
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.windowID = windowId;
    e.motion.x = 300;
    e.motion.y = 275 + 225;
    sdl.translate(e);
    e.motion.y = 10;  // the bar above the picture
    sdl.translate(e);
    const auto ms = drain(sdl);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[0].x, 400);
    EXPECT_EQ(ms[0].y, 300);
    EXPECT_EQ(ms[1].x, 400);
    EXPECT_EQ(ms[1].y, 0);
    // A new size is drawn at once.
    feed(SDL_WINDOWEVENT_SIZE_CHANGED);
    const auto paint = drain(sdl);
    ASSERT_EQ(paint.size(), 1u);
    EXPECT_EQ(paint[0].type, EventType::Exposed);
}

TEST_F(SdlDisplayTest, TheMouseFindsTheSameLogicalPixelAtEveryScaleOfTheWindow) {
    for (const int quarters : {4, 6, 8}) {  // 1, 1.5 and 2 times the frame
        SDL_SetWindowSize(window, 800 * quarters / 4, 600 * quarters / 4);
        drain(sdl);
        const std::pair<int, int> points[] = {{0, 0}, {1, 1}, {123, 457}, {400, 300}, {555, 2}, {798, 598}, {799, 599}};
        for (const auto& [x, y] : points) {
            // The window point under the middle of logical pixel (x, y).
            SDL_Event e{};
            e.motion.type = SDL_MOUSEMOTION;
            e.motion.windowID = windowId;
            e.motion.x = (2 * x + 1) * quarters / 8;
            e.motion.y = (2 * y + 1) * quarters / 8;
            sdl.translate(e);
            const auto ms = drain(sdl);
            ASSERT_EQ(ms.size(), 1u);
            EXPECT_EQ(ms[0].x, x) << quarters << "/4";
            EXPECT_EQ(ms[0].y, y) << quarters << "/4";
        }
    }
}

TEST_F(SdlDisplayTest, TheFocusBounceOfAModeSwitchDoesNotDeactivateTheGame) {
    sdl.setModeSwitchSettleMs(150);
    // Long after any switch a loss of focus is reported at once.
    feed(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(inactivations(drain(sdl)), 1);
    feed(SDL_WINDOWEVENT_FOCUS_GAINED);
    drain(sdl);

    ASSERT_TRUE(sdl.setFullscreen(true));
    drain(sdl);
    // Focus away and back, then minimised and restored, while it settles.
    feed(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_TRUE(sdl.activationHeldBack());
    auto ms = drain(sdl);
    feed(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_FALSE(sdl.activationHeldBack());
    feed(SDL_WINDOWEVENT_MINIMIZED);
    for (const Event& m : drain(sdl)) ms.push_back(m);
    feed(SDL_WINDOWEVENT_RESTORED);
    for (const Event& m : drain(sdl)) ms.push_back(m);
    SDL_Delay(200);
    for (const Event& m : drain(sdl)) ms.push_back(m);
    EXPECT_EQ(inactivations(ms), 0);

    // Back to the window, and this time the focus really goes: reported once
    // the switch has settled, and a waiting loop wakes up for it.
    ASSERT_TRUE(sdl.setFullscreen(false));
    drain(sdl);
    const uint64_t switched = SDL_GetTicks64();
    feed(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(inactivations(drain(sdl)), 0);
    int seen = 0;
    uint64_t waited = 0;
    while (seen == 0 && waited < 3000) {
        sdl.waitForEvent(5000);  // other window events may end a wait early
        waited = SDL_GetTicks64() - switched;
        seen = inactivations(drain(sdl));
    }
    ASSERT_EQ(seen, 1);
    EXPECT_GE(waited, 140u);
    EXPECT_LT(waited, 1000u);
    EXPECT_FALSE(sdl.activationHeldBack());
    EXPECT_EQ(inactivations(drain(sdl)), 0);  // once
}

TEST_F(SdlDisplayTest, TextInputIsOffUntilAskedFor) {
    EXPECT_FALSE(SDL_IsTextInputActive());
    sdl.startTextInput();
    EXPECT_TRUE(SDL_IsTextInputActive());
    sdl.stopTextInput();
    EXPECT_FALSE(SDL_IsTextInputActive());
    // Asked for before a window exists, it holds for the window.
    sdl.destroyWindow();
    sdl.startTextInput();
    ASSERT_TRUE(sdl.createWindow(WindowDesc{}));
    EXPECT_TRUE(SDL_IsTextInputActive());
    sdl.stopTextInput();
}
