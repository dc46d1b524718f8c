// Starts the game's renderer in a window nobody sees (SDL's offscreen driver
// unless another is asked for), so tools can draw scenes into PNG files.
#pragma once

// Prints what failed, prefixed with `tool`, and returns false when there is
// no OpenGL 3.3 core context.
bool startOffscreenRenderer(const char* tool);
// Releases the renderer's objects, then the window and its context.
void stopOffscreenRenderer();
