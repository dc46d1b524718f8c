// The help page: how to play, over the menu backdrop. From the main menu it
// also leads to the credits; in a game it only has "Done".
#pragma once

#include <cstdint>

#include "scene/actor.h"
#include "scene/sprite.h"

class Button;

class Help : public Actor {
public:
    enum Mode : int { kFromMenu = 0, kInGame = 2 };
    // Report ids of its buttons.
    static constexpr int kDoneId = 1, kCreditsId = 2;
    static constexpr int kBackdropLayer = 499, kPageLayer = 500, kButtonLayer = 501;
    static constexpr int kButtonY = 522;

    // Reports once to its owner: (0, 0, 0) for "Done", (0, 0, report::Credits)
    // for the credits. The owner kills it.
    explicit Help(int mode);
    ~Help() override;
    int onNotify(int id, int msg, int a, int b) override;

    PckSprite backdrop;
    PckSprite page;
    Button* doneButton = nullptr;
    Button* creditsButton = nullptr;  // only from the main menu
    int32_t mode = kFromMenu;
    uint8_t answered = 0;
};
