#include "scene/engine.h"

#include "frame/app.h"
#include "frame/clock.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "scene/actor.h"
#include "scene/input.h"
#include "scene/sprite.h"

namespace {
Sprite* g_cursor = nullptr;
int g_cursorHotX = 0, g_cursorHotY = 0;
bool g_cursorShown = false;
bool g_systemCursorHidden = false;
bool g_hiddenForPad = false;
constexpr int kCursorLayer = 1000000;

// The pad's own pointer moves must not bring the cursor back.
void pointerOver(bool usePicture) {
    if (!g_hiddenForPad) updateCursor(usePicture, g_cursorShown);
}

void tickActors() {
    advanceTickCount();
    updateActors();
    mergeNewActors();
}

void tickParticles(float seconds) {
    particlesEnableDrawing();
    particlesSetFrameTime(seconds);
    particlesAdvance();
}

constexpr FrameParts kSceneParts = [] {
    FrameParts p;
    p.followMouse = followMouse;
    p.pointerOver = pointerOver;
    p.checkScene = checkDrawList;
    p.joinNewActors = mergeNewActors;
    p.tickActors = tickActors;
    p.tickParticles = tickParticles;
    p.purgeDeadActors = purgeDeadActors;
    p.dispatchInput = dispatchInput;
    p.draw = drawFrame;
    p.redrawAll = Gfx_RedrawAll;
    return p;
}();
}  // namespace

void connectSceneToFrame() { setFrameParts(&kSceneParts); }

void engineStart() {
    connectSceneToFrame();
    setInputMode(3);
    frameStart();
    setKeyboardFocusListener(followTextFocus);
    if (keyboardFocus()) followTextFocus(true);
}

void engineStop() {
    purgeDeadActors();
    frameStop();
    setKeyboardFocusListener(nullptr);
}

void setCursorSprite(Sprite* sprite, int hotX, int hotY) {
    g_cursor = sprite;
    if (sprite) {
        sprite->setLayer(kCursorLayer);
        sprite->setVisible(false);
    }
    g_cursorHotX = hotX;
    g_cursorHotY = hotY;
    g_cursorShown = true;
    updateCursor(g_systemCursorHidden, true);
}

Sprite* cursorSprite() { return g_cursor; }

void updateCursor(bool usePicture, bool show) {
    if (!g_cursor) return;
    if (usePicture) {
        if (!g_systemCursorHidden) {
            showSystemCursor(false);
            g_systemCursorHidden = true;
            g_cursorShown = false;
        }
        if (show == g_cursorShown) return;
        g_cursor->setVisible(show);
        g_cursorShown = show;
    } else if (g_systemCursorHidden) {
        showSystemCursor(true);
        g_systemCursorHidden = false;
        g_cursor->setVisible(false);
    }
}

bool followMouse() {
    if (!g_cursor) return false;
    const float x = static_cast<float>(mousePosition.x - g_cursorHotX);
    const float y = static_cast<float>(mousePosition.y - g_cursorHotY);
    if (x == g_cursor->x && y == g_cursor->y) return false;
    g_cursor->setPosition(mousePosition.x - g_cursorHotX, mousePosition.y - g_cursorHotY);
    return true;
}

void hideCursorForPad(bool hidden) {
    if (hidden == g_hiddenForPad) return;
    g_hiddenForPad = hidden;
    if (hidden) {
        if (g_cursor) g_cursor->setVisible(false);
        if (!g_systemCursorHidden) showSystemCursor(false);
        return;
    }
    if (g_cursor && g_systemCursorHidden)
        g_cursor->setVisible(g_cursorShown);
    else
        showSystemCursor(true);
}

bool cursorHiddenForPad() { return g_hiddenForPad; }

void resetCursorForTests() {
    g_hiddenForPad = false;
    g_cursor = nullptr;
    g_cursorHotX = g_cursorHotY = 0;
    g_cursorShown = false;
    g_systemCursorHidden = false;
}
