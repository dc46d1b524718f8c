// The questions asked before a game starts, over the menu backdrop with its
// torches: continue the saved game or start a new one, and the yes-or-no
// questions (play the tutorial? give up the saved game?) whose words are
// tip boxes of the settings file.
#pragma once

#include <cstdint>

#include "screens/dialog_screens.h"
#include "screens/torches.h"

class Button;
class SlideShowFX;
class ToolTip;

// "saved" with three buttons. Reports (result, 0, 0) once it has faded out:
// 1 continue the saved game, 2 start a new one, 3 back to the menu.
class AskScreen : public CAbstractScreen {
public:
    enum Answer { kContinue = 1, kNewGame = 2, kBack = 3 };
    // The waiting sparkle twinkles in the gap between the two choices.
    static constexpr int kWaitX = 398, kWaitY = 288;

    // The backdrop goes on layer - 1, the picture on layer, the buttons on
    // layer + 2.
    explicit AskScreen(int layer);
    ~AskScreen() override;

    int onNotify(int id, int msg, int a, int b) override;
    void onShown() override;
    void onDismissed() override;
    void onHidden() override;
    void applyAlpha() override;
    int fadeInAlpha(float t) override;

    PckSprite backdrop;
    Button* loadButton = nullptr;  // owned; "ask_load", id 1
    Button* newButton = nullptr;   // owned; "ask_new", id 2
    Button* exitButton = nullptr;  // owned; "small_exit", id 3
    Torches torches;
    SlideShowFX* waitEffect = nullptr;  // owned
    int32_t result = 0;
};

// The menu backdrop with tip box 100 + mode as its question: mode 0 asks
// whether to play the tutorial, mode 1 whether to give up the saved game.
// It appears and goes at once; reports (result, 0, 0) with the box's answer:
// 1 yes, 2 no, 0 when the box had nothing to ask.
class AskScreen2 : public CAbstractScreen {
public:
    enum Mode { kTutorialQuestion = 0, kGiveUpQuestion = 1 };
    static constexpr int kFirstQuestionTip = 100;

    AskScreen2(int layer, int mode);
    ~AskScreen2() override;

    int onNotify(int id, int msg, int a, int b) override;
    void onShown() override;
    void onDismissed() override;
    void onHidden() override;
    int fadeInAlpha(float t) override;

    ToolTip* question = nullptr;  // owned until it has answered
    Torches torches;
    SlideShowFX* waitEffect = nullptr;  // owned
    int32_t mode = 0;
    int32_t result = 0;
};
