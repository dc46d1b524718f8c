// Tells the player, once, that progress cannot be saved and why: a framed
// note at the top of the screen over whatever is running. The game goes on
// underneath; the note fades after a while or when clicked.
#pragma once

#include <string>

#include "res/text_label.h"
#include "scene/actor.h"
#include "screens/dialog_frame.h"

class SaveNotice : public Actor {
public:
    static constexpr int kLayer = 900000;  // over every screen, under the cursor
    static constexpr int kFadeTicks = 20;
    static constexpr int kShowTicks = 80 * 8;

    explicit SaveNotice(const std::string& reason);
    ~SaveNotice() override;
    void update() override;
    int onZoneEvent(int event, int value) override;

    DialogFrame frame;
    TextLabel headline, reason;
    int32_t ticks = 0;
    int32_t alpha = 0;
    bool leaving = false;

private:
    void apply();
};
