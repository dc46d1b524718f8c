// How large the game's window opens: a whole or simple fraction of the
// 800 x 600 frame that fits the desktop, or the size the player gave it.
#pragma once

namespace platform {

struct WindowSize {
    int w = 0, h = 0;
};

// What a window manager's frame adds round the client area (title bar and
// borders), in window units. Only known once a window is shown, so the
// first size leaves this much room.
constexpr int kFrameRoomW = 16;
constexpr int kFrameRoomH = 48;

// The client size for a display whose usable area (without panels) is
// usableW x usableH window units: the largest of 1, 1.25, 1.5, 2, 2.5 and 3
// times 800 x 600 that fits with room for the frame; 800 x 600 when even
// that does not fit.
WindowSize firstWindowSize(int usableW, int usableH);

// The size to open with: the saved one when it is a size the game can be
// played at and fits the usable area with its frame, else firstWindowSize.
WindowSize startWindowSize(int savedW, int savedH, int usableW, int usableH);

}  // namespace platform
