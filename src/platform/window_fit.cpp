#include "platform/window_fit.h"

#include "platform/keymap.h"

namespace platform {

namespace {

bool fits(int w, int h, int usableW, int usableH) {
    // Subtracted, so a damaged saved size near the int limit cannot wrap.
    return w <= usableW - kFrameRoomW && h <= usableH - kFrameRoomH;
}

}  // namespace

WindowSize firstWindowSize(int usableW, int usableH) {
    // Quarter steps: every size is whole pixels of the frame's 4:3.
    constexpr int kQuarters[] = {12, 10, 8, 6, 5, 4};  // 3, 2.5, 2, 1.5, 1.25, 1 times
    for (const int q : kQuarters) {
        const int w = kLogicalWidth * q / 4, h = kLogicalHeight * q / 4;
        if (fits(w, h, usableW, usableH)) return {w, h};
    }
    return {kLogicalWidth, kLogicalHeight};
}

WindowSize startWindowSize(int savedW, int savedH, int usableW, int usableH) {
    // Below half the frame its text cannot be read; the window may not be
    // dragged smaller either.
    const bool playable = savedW >= kLogicalWidth / 2 && savedH >= kLogicalHeight / 2;
    if (playable && fits(savedW, savedH, usableW, usableH)) return {savedW, savedH};
    return firstWindowSize(usableW, usableH);
}

}  // namespace platform
