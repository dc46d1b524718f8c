// Tip boxes: a framed box of up to ten coloured lines, with an optional
// corner pointing at a spot of the field and none, one or two buttons. What
// a box says and how big it is are data: section [Tip<n>] of the settings
// file (x, y, w, h, buttontype, tl0..tl9, tl0colors..tl9colors). The box
// fades in, waits for the player, fades out and reports the answer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/actor.h"

class Button;
class DialogFrame;
class TextLabelEx;

// One tip section as read from the settings file, already clamped to what
// the screen and the sprite budget allow.
struct TipContent {
    static constexpr int kMaxLines = 10;
    // The frame is 4w + 84 by 4h + 84 pixels; these keep it on the screen.
    static constexpr int kMaxColumns = (800 - 84) / 4;
    static constexpr int kMaxRows = (600 - 84) / 4;

    int x = 0, y = 0;  // centre of a box without an anchor
    int columns = 0, rows = 0;
    int buttonType = 1;              // 0 none, 1 "resume", 2 "yes" and "no"
    std::vector<std::string> lines;  // in the font's bytes
    std::vector<std::array<int, 3>> colours;

    int width() const { return 4 * columns + 84; }
    int height() const { return 4 * rows + 84; }
};

// The tips of a language other than English, in the same sections, each
// box sized for the language's words: lang/<code>/tips.ini of the data.
constexpr const char* kLanguageTipsFile = "tips.ini";

// Reads [Tip<n>] from the language's tips file, else from the current
// settings file. Lines stop at the first empty one; colours out of 0..255
// are clamped; sizes are kept on screen.
TipContent readTip(int tipNumber);

class ToolTip : public Actor {
public:
    enum Phase { kFadingIn = 0, kShown = 1, kFadingOut = 2 };
    enum ButtonType { kNoButton = 0, kResume = 1, kYesNo = 2 };
    static constexpr int kFadeInTicks = 40;
    static constexpr int kFadeOutStep = 10;
    static constexpr int kTextLeft = 55, kTextTop = 43, kLineStep = 25;
    static constexpr int kButtonBottomGap = 30;
    static constexpr int kButtonGap = 10;  // each side of the centre for yes/no

    // An anchor of (-1, -1) centres the box on the section's x, y; any other
    // anchor puts a corner of the box on that point, on whichever side keeps
    // the box on the screen. The creator sets the owner, which receives
    // (0, answer, 0) once the box has gone: 1 for "resume"/"yes" or a right
    // click, 2 for "no", 0 for a tip with nothing to say.
    ToolTip(int layer, int tipNumber, int anchorX = -1, int anchorY = -1);
    ~ToolTip() override;

    int onZoneEvent(int event, int value) override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    std::unique_ptr<DialogFrame> frame;  // null for a tip without lines
    std::vector<std::unique_ptr<TextLabelEx>> lines;
    Button* firstButton = nullptr;   // owned
    Button* secondButton = nullptr;  // owned
    int32_t left = 0, top = 0, centreX = 0, centreY = 0;
    int32_t buttonType = kResume;
    int32_t lineCount = 0;
    int32_t tipNumber = 0;
    int32_t phase = kFadingIn;
    int32_t ticks = 0;
    int32_t alpha = 0;
    int32_t answer = 0;
    int32_t anchorCorner = -1;  // frame piece drawn from "framecorners", -1 none

private:
    void applyAlpha();
    void answerWith(int id);
    void finish();
    bool reported_ = false;
};
