#include "screens/tooltip.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "frame/language.h"
#include "frame/settings.h"
#include "frame/text_encoding.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "res/texts.h"
#include "scene/input.h"
#include "scene/sprite.h"
#include "screens/dialog_frame.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

namespace {

constexpr int kScreenW = 800, kScreenH = 600;
constexpr int kRightClickZone = ZE_RightUp | ZF_Opaque;  // 0x440
constexpr int kFirstId = 1, kSecondId = 2;
// Sprites left free for whatever the screens around need while a box shows.
constexpr int kSpriteReserve = 100;
// Frame corners as pieces of "frame" and "framecorners".
constexpr int kTopLeft = 0, kTopRight = 2, kBottomLeft = 6, kBottomRight = 8;

// "r g b"; a missing or unreadable component stays 255.
std::array<int, 3> parseColour(const std::string& text) {
    std::array<int, 3> rgb{255, 255, 255};
    const char* p = text.c_str();
    for (int& c : rgb) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p) break;
        c = static_cast<int>(std::clamp(v, 0L, 255L));
        p = end;
    }
    return rgb;
}

// A line wider than the screen can never be seen whole; cutting it keeps a
// damaged settings file from asking for a texture of any size.
std::string cutToWidth(const std::string& text, const PicturePack* font, int maxWidth) {
    if (!font) return text;
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        width += font->frameWidth(static_cast<unsigned char>(text[i]));
        if (width > maxWidth) return text.substr(0, i);
    }
    return text;
}

// Sprites a box takes: frame pieces and centre, lines, buttons.
int spritesNeeded(const TipContent& tip) {
    const int frame = 4 + 2 * (tip.columns + tip.rows) + 1;
    const int buttons = tip.buttonType == ToolTip::kYesNo ? 2 : tip.buttonType == ToolTip::kResume ? 1 : 0;
    return frame + static_cast<int>(tip.lines.size()) + buttons;
}

}  // namespace

namespace {
TipContent readTipSection(const char* section) {
    TipContent tip;
    tip.x = getIniInt(section, "x", 0);
    tip.y = getIniInt(section, "y", 0);
    // The size is data: a box larger than the screen would also cost up to
    // hundreds of thousands of frame sprites.
    tip.columns = std::clamp(getIniInt(section, "w", 0), 0, TipContent::kMaxColumns);
    tip.rows = std::clamp(getIniInt(section, "h", 0), 0, TipContent::kMaxRows);
    // A type the box does not know gets the resume button: a box without any
    // button would leave the paused game waiting for a right click nobody
    // knows about.
    tip.buttonType = getIniInt(section, "buttontype", ToolTip::kResume);
    if (tip.buttonType < ToolTip::kNoButton || tip.buttonType > ToolTip::kYesNo)
        tip.buttonType = ToolTip::kResume;
    for (int i = 0; i < TipContent::kMaxLines; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "tl%d", i);
        const std::string raw = getIniString(section, key, "");
        if (raw.empty()) break;
        // The settings file is UTF-8; the font draws Windows-1252 bytes.
        tip.lines.push_back(fontTextOfFile(raw));
        std::snprintf(key, sizeof key, "tl%dcolors", i);
        tip.colours.push_back(parseColour(getIniString(section, key, "255 255 255")));
    }
    return tip;
}
}  // namespace

TipContent readTip(int tipNumber) {
    char section[32];
    std::snprintf(section, sizeof section, "Tip%d", tipNumber);
    // In another language the tip, sized for its own words, comes from the
    // language's tips file; one it lacks is the settings file's.
    const std::string settings = iniPath();
    if (!playingEnglish() && !settings.empty() && selectIniFile(languageDataPath(kLanguageTipsFile), false)) {
        TipContent translated = readTipSection(section);
        selectIniFile(settings, false);
        if (!translated.lines.empty()) return translated;
    }
    return readTipSection(section);
}

ToolTip::ToolTip(int layer, int number, int anchorX, int anchorY) : tipNumber(number) {
    TipContent tip = readTip(number);
    // A box that would push the sprite count over the limit is skipped like
    // one with nothing to say: the game goes on instead of stopping.
    if (spriteCount() + spritesNeeded(tip) > kMaxSprites - kSpriteReserve) tip.lines.clear();
    buttonType = tip.buttonType;
    lineCount = static_cast<int>(tip.lines.size());
    const int W = tip.width(), H = tip.height();
    if (anchorX == -1 && anchorY == -1) {
        // A centre off the screen would hide the box and its buttons, and
        // the game would wait for an answer nobody can give.
        centreX = std::clamp(tip.x, W / 2, kScreenW - W / 2);
        centreY = std::clamp(tip.y, H / 2, kScreenH - H / 2);
        left = centreX - W / 2;
        top = centreY - H / 2;
    } else {
        const bool right = anchorX + W < kScreenW + 1;
        const bool below = anchorY - H < 0;
        left = right ? anchorX : anchorX - W;
        top = below ? anchorY : anchorY - H;
        // A box larger than half the screen (a long translation) may fit on
        // neither side of the point: it stays on the screen, its corner as
        // near the point as it can be, rather than hiding its buttons.
        left = std::clamp(left, 0, std::max(0, kScreenW - W));
        top = std::clamp(top, 0, std::max(0, kScreenH - H));
        anchorCorner = below ? (right ? kTopLeft : kTopRight) : (right ? kBottomLeft : kBottomRight);
        centreX = left + W / 2;
        centreY = top + H / 2;
    }
    // Nothing to say: nothing is built, so nothing can be seen or clicked
    // before the first tick sends the box away.
    if (lineCount == 0) return;

    frame = std::make_unique<DialogFrame>(left, top, tip.columns, tip.rows);
    frame->setLayers(layer + 1, layer);
    if (anchorCorner >= 0) frame->setCornerPicture(anchorCorner, pictureByName("framecorners"));
    if (buttonType != kNoButton) frame->centre.attachZone(kRightClickZone, this, 0);

    auto makeButton = [&](int index, int id) {
        auto* b = new Button(buttonPicture(index), layer + 2);
        b->setOwner(this, id);
        b->setHoverSound("button_point");
        b->setClickSound("button_click");
        return b;
    };
    if (buttonType == kResume) {
        firstButton = makeButton(btn::resume, kFirstId);
    } else if (buttonType == kYesNo) {
        firstButton = makeButton(btn::yes, kFirstId);
        secondButton = makeButton(btn::no, kSecondId);
    }
    if (firstButton) {
        PckSprite* s = firstButton->sprite();
        const int y = top + H - s->height() - kButtonBottomGap;
        if (secondButton) {
            s->setPosition(centreX - kButtonGap - s->width(), y);
            secondButton->sprite()->setPosition(centreX + kButtonGap, y);
        } else {
            s->setPosition(centreX - s->width() / 2, y);
        }
    }

    PicturePack* font = pictureByName("font1");
    for (int i = 0; i < lineCount; ++i) {
        const size_t k = static_cast<size_t>(i);
        auto label =
            std::make_unique<TextLabelEx>(font, cutToWidth(tip.lines[k], font, kScreenW - kTextLeft));
        label->setLayer(layer + 2);
        label->setPosition(left + kTextLeft, top + kTextTop + kLineStep * i);
        label->setColour(tip.colours[k][0], tip.colours[k][1], tip.colours[k][2]);
        lines.push_back(std::move(label));
    }
    alpha = 0;
    phase = kFadingIn;
    applyAlpha();
}

ToolTip::~ToolTip() {
    // The buttons outlive this object until the next purge; nothing they
    // report may reach it any more.
    for (Button* b : {firstButton, secondButton}) {
        if (!b) continue;
        b->setOwner(nullptr, 0);
        b->kill();
    }
}

void ToolTip::applyAlpha() {
    const int a = std::clamp(alpha, 0, 255);
    if (frame) frame->setAlpha(a);
    for (Button* b : {firstButton, secondButton})
        if (b) b->sprite()->setAlpha(a);
    for (auto& line : lines) line->setAlpha(a);
}

void ToolTip::update() {
    if (dead) return;
    if (phase == kFadingIn) {
        if (lineCount == 0) {
            finish();
            return;
        }
        ++ticks;
        alpha = ticks * 255 / kFadeInTicks;
        if (alpha > 254) {
            alpha = 255;
            phase = kShown;
        }
    } else if (phase == kFadingOut) {
        alpha -= kFadeOutStep;
        if (alpha < 0) {
            alpha = 0;
            applyAlpha();
            finish();
            return;
        }
    }
    applyAlpha();
}

int ToolTip::onZoneEvent(int event, int) {
    if (event == ZE_RightUp) answerWith(kFirstId);
    return 1;
}

int ToolTip::onNotify(int id, int, int, int) {
    answerWith(id);
    return 1;
}

void ToolTip::answerWith(int id) {
    if (dead || buttonType == kNoButton) return;
    if (id == kFirstId || id == kSecondId) answer = id;
    if (phase == kFadingOut) {
        finish();
    } else {
        phase = kFadingOut;
    }
}

void ToolTip::finish() {
    if (reported_) return;
    reported_ = true;
    notifyOwner(0, answer, 0);
    kill();
}
