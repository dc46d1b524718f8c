#include "screens/top10_screen.h"

#include "screens/pictures.h"
#include "ui/buttons.h"

namespace {
constexpr int kBackdropLayer = 500;
constexpr int kTorchLayer = 501;
constexpr int kPlateLayer = 800;
constexpr int kTextLayer = 801;
constexpr int kFirstRow = 85, kRowStep = 28;
constexpr int kScoreRight = 360, kNameLeft = 75;
const Colour4 kScoreColour{1.0f, 1.0f, 191.0f / 255.0f, 1.0f};

std::unique_ptr<TextLabel> label(const std::string& text, int align) {
    auto l = std::make_unique<TextLabel>();
    l->setLayer(kTextLayer);
    l->setAlign(align);
    l->setFont(pictureByName("font1"));
    l->setText(text);
    applyColour(*l, kScoreColour);
    return l;
}
}  // namespace

Top10Table::Top10Table() : Group(this, kMoverId), torches(kTorchLayer) {
    backdrop.setPicture(pictureByName("_mm_bkg"), 0);
    backdrop.setLayer(kBackdropLayer);
    plate.setPicture(pictureByName("hiscores_plate"), 0);
    plate.setLayer(kPlateLayer);
    const int w = plate.width(), h = plate.height();
    const int px = 400 - w / 2, py = 300 - h / 2;

    doneButton = new Button(buttonPicture(btn::hiscores_done), kTextLayer);
    doneButton->setOwner(this, 0);
    doneButton->setHoverSound("button_point");
    doneButton->setClickSound("button_click");
    const int bw = doneButton->sprite()->width(), bh = doneButton->sprite()->height();

    groupSprite->addChild(&plate, 0, 0);
    groupSprite->addChild(doneButton->sprite(), w / 2 - bw / 2, h - bh - 30);

    entries = loadHighScores();
    for (int i = 0; i < 10 && entries[static_cast<size_t>(i)].score != 0; ++i) {
        const HighScoreEntry& e = entries[static_cast<size_t>(i)];
        scoreLabels[i] = label(std::to_string(e.score), 1);
        nameLabels[i] = label(e.name, 0);
        groupSprite->addChild(scoreLabels[i].get(), kScoreRight, kFirstRow + kRowStep * i);
        groupSprite->addChild(nameLabels[i].get(), kNameLeft, kFirstRow + kRowStep * i);
        rows = i + 1;
    }
    bounds = Rect{px, py, px + w - 1, py + h - 1};
    groupSprite->setPosition(px, py);
    dropIn();
}

Top10Table::~Top10Table() {
    doneButton->kill();
    torches.stop();
}

int Top10Table::onNotify(int id, int, int a, int) {
    if (id == 0 && a == 4 && !leaving) {
        // Done may come before the drop-in has ended: the lift-out waits
        // behind it in the mover's queue. A second click changes nothing.
        leaving = true;
        liftOut(0);
    } else if (id == kMoverId && a == kLiftOutMsg) {
        notifyOwner(0, 0, 0);
    }
    return 1;
}
