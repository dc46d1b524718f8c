#include "screens/notice.h"

#include <algorithm>

#include "res/texts.h"
#include "screens/pictures.h"
#include "ui/boxes.h"

namespace {
constexpr int kColumns = 110, kRows = 6;
constexpr int kTop = 12;

void setUp(TextLabel& l, const std::string& text, int y, const Colour4& c) {
    l.setLayer(Notice::kLayer + 2);
    l.setAlign(3);
    l.setFont(pictureByName("font1"));
    l.setText(text);
    l.setPosition(400, y);
    applyColour(l, c);
}

}  // namespace

std::string orDefault(const std::string& text, const char* fallback) { return text.empty() ? fallback : text; }

Notice::Notice(const std::string& head, const std::string& why, int show)
    : frame(0, kTop, kColumns, kRows), showTicks(show) {
    frame.moveTo(400 - frame.width() / 2, kTop);
    frame.setLayers(kLayer + 1, kLayer);
    frame.centre.attachZone(ZE_LeftUp | ZF_Opaque, this, 0);
    setUp(headline, head, kTop + 34, Colour4{250.0f / 255.0f, 175.0f / 255.0f, 19.0f / 255.0f, 1.0f});
    setUp(detail, why, kTop + 60, Colour4{1.0f, 1.0f, 191.0f / 255.0f, 1.0f});
    apply();
}

Notice::~Notice() { frame.centre.detachZone(); }

void Notice::apply() {
    frame.setAlpha(alpha);
    headline.setAlpha(alpha);
    detail.setAlpha(alpha);
}

void Notice::update() {
    ++ticks;
    if (!leaving) {
        alpha = std::min(255, ticks * 255 / kFadeTicks);
        if (ticks >= showTicks) leaving = true, ticks = 0;
    } else {
        alpha = std::max(0, alpha - 255 / kFadeTicks);
        if (alpha == 0) kill();
    }
    apply();
}

int Notice::onZoneEvent(int event, int) {
    if (event == ZE_LeftUp && !leaving) {
        leaving = true;
        ticks = 0;
    }
    return 1;
}

Notice* showSaveFailure(const std::string& reason) {
    // The usual reasons in the player's words; others as the system says them.
    static const std::pair<const char*, const char*> kReasons[] = {
        {"No space left on device", "SAVE_DISK_FULL"},
        {"Disk quota exceeded", "SAVE_DISK_FULL"},
        {"Permission denied", "SAVE_NO_PERMISSION"},
        {"Read-only file system", "SAVE_READ_ONLY"},
        {"the file could not be written", "SAVE_NOT_WRITTEN"},
    };
    std::string why = reason;
    for (const auto& [system, key] : kReasons)
        if (reason == system) why = orDefault(getText(key), system);
    return new Notice(orDefault(getText("SAVE_FAILED"), "Your progress cannot be saved:"), why, Notice::kLongTicks);
}
