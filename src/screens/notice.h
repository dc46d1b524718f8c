// A short note at the top of the screen over whatever is running: that
// progress cannot be saved and why, that a screenshot was saved and where.
// The game goes on underneath; the note fades after a while or when clicked.
#pragma once

#include <string>

#include "res/text_label.h"
#include "scene/actor.h"
#include "screens/dialog_frame.h"

class Notice : public Actor {
public:
    static constexpr int kLayer = 900000;  // over every screen, under the cursor
    static constexpr int kFadeTicks = 20;
    static constexpr int kLongTicks = 80 * 8;   // something went wrong
    static constexpr int kShortTicks = 80 * 3;  // something was done

    Notice(const std::string& headline, const std::string& detail, int showTicks);
    ~Notice() override;
    void update() override;
    int onZoneEvent(int event, int value) override;

    DialogFrame frame;
    TextLabel headline, detail;
    int32_t showTicks;
    int32_t ticks = 0;
    int32_t alpha = 0;
    bool leaving = false;

private:
    void apply();
};

// A localized text, or the English when the texts lack it.
std::string orDefault(const std::string& text, const char* fallback);

// The one-time note that progress cannot be saved.
Notice* showSaveFailure(const std::string& reason);
