// The engine's start and stop as the game sees them, and the picture cursor.
// The frame runs each step what the scene hands it (the frame's FrameParts):
// engineStart() connects the scene to the frame before anything else, so no
// way of starting the engine can leave the step without its scene.
#pragma once

class Sprite;

// Fills the frame's parts with the scene's actors, input and draw list, the
// particles and the renderer. engineStart() calls it; fixtures that step the
// frame without starting the engine call it themselves.
void connectSceneToFrame();
void engineStart();
void engineStop();

void setCursorSprite(Sprite* sprite, int hotX, int hotY);
Sprite* cursorSprite();
void updateCursor(bool usePicture, bool show);
// Moves the picture cursor to the mouse; true when it moved.
bool followMouse();
// Hides whichever cursor is in use while a controller or the keys point
// instead of the mouse, and brings it back.
void hideCursorForPad(bool hidden);
bool cursorHiddenForPad();

// For test fixtures: forget the cursor.
void resetCursorForTests();
