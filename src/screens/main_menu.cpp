#include "screens/main_menu.h"

#include "anim/commands.h"
#include "game/reports.h"
#include "players/players.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "res/texts.h"
#include "screens/menu_parts.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

namespace {
// "Play" slides down from behind the foreground; the others sit over it.
constexpr int kPlayLayer = 570;
constexpr int kAnimMsg = 1;
}  // namespace

const std::array<MainMenu::Entry, MainMenu::kEntries> MainMenu::kMenu = {{
    {btn::MM_Play, 60, kPlayLayer, report::Play},
    {btn::MM_HiScores, 245, kTopLayer, report::HighScores},
    {btn::MM_Options, 315, kTopLayer, report::Options},
    {btn::MM_Help, 385, kTopLayer, report::Help},
    {btn::MM_Exit, 455, kTopLayer, report::Exit},
}};

MainMenu::MainMenu() {
    backdrop = std::make_unique<PckSprite>();
    backdrop->setPicture(pictureByName("_mm_bkg"), 0);
    backdrop->setLayer(kBackdropLayer);
    foreground = std::make_unique<PckSprite>();
    foreground->setPicture(pictureByName("_mm_bkg_foreground"), 0);
    foreground->setLayer(kForegroundLayer);
    // Above the foreground, whose pillars carry the torch brackets.
    torches = std::make_unique<Torches>(kTopLayer);

    for (int i = 0; i < kEntries; ++i) {
        const Entry& e = kMenu[static_cast<size_t>(i)];
        PicturePack* pack = buttonPicture(e.picture);
        const int w = packWidth(pack), h = packHeight(pack);
        auto* show = new SlideShow;
        show->setOwner(this, kAppearId);
        show->sprite.setPicture(pack, 0);
        show->sprite.setLayer(e.layer);
        if (i == 0) {
            show->sprite.setAlpha(255);
            show->sprite.setPosition(400 - w / 2, e.y - h);
            show->enqueue(timed<SSC_PositionMorph>(kAnimTicks, 0, h));
        } else {
            show->sprite.setAlpha(0);
            show->sprite.setPosition(400 - w / 2, e.y);
            show->enqueue(timed<SSC_Appear>(kAnimTicks));
        }
        // The button takes the picture's place.
        show->enqueue(new SSC_SetAlpha(0));
        show->enqueue(new SSC_Msg(kAnimMsg, 0));
        intro[static_cast<size_t>(i)] = show;
        ++pending;
    }
}

MainMenu::~MainMenu() {
    dropButtons();
    for (SlideShow*& show : intro) {
        if (!show) continue;
        show->setOwner(nullptr, 0);
        show->kill();
        show = nullptr;
    }
}

void MainMenu::dropButtons() {
    for (Button*& b : buttons) dropButton(b);
    dropButton(clickButton);
    welcome.reset();
}

void MainMenu::createButtons() {
    for (int i = 0; i < kEntries; ++i) {
        const Entry& e = kMenu[static_cast<size_t>(i)];
        const int w = packWidth(buttonPicture(e.picture));
        buttons[static_cast<size_t>(i)] = menuButton(this, i, e.picture, 400 - w / 2, e.y, e.layer);
    }
    welcome = std::make_unique<TextLabel>();
    welcome->setFont(pictureByName("font1"));
    welcome->setLayer(kTopLayer);
    welcome->setPosition(kWelcomeX, kWelcomeY);
    welcome->setAlign(0);
    welcome->setText(getText("MENU_WELCOME") + player::Name() + getText("MENU_AFTER_WELCOME"));
    clickButton = menuButton(this, kClickId, btn::MM_Click, kClickX, kClickY, kTopLayer);
}

void MainMenu::vanish(int report) {
    result = report;
    vanishing = true;
    dropButtons();
    for (int i = 0; i < kEntries; ++i) {
        SlideShow* show = intro[static_cast<size_t>(i)];
        if (!show) continue;
        show->setOwner(this, kVanishId);
        ++pending;
        show->enqueue(new SSC_SetAlpha(255));
        if (i == 0)
            show->enqueue(timed<SSC_PositionMorph>(kAnimTicks, 0, -show->sprite.height()));
        else
            show->enqueue(timed<SSC_Dissapear>(kAnimTicks));
        show->enqueue(new SSC_Msg(kAnimMsg, 0));
    }
}

int MainMenu::onNotify(int id, int, int a, int) {
    if (dead || closed) return 1;
    if (id >= 0 && id < kEntries) {
        // Only the buttons of the idle menu choose; they exist only then.
        if (a == kButtonClicked && idle() && !vanishing) vanish(kMenu[static_cast<size_t>(id)].report);
    } else if (id == kClickId) {
        if (a == kButtonClicked && idle() && !vanishing) notifyOwner(report::ChangePlayer, 0, 0);
    } else if (id == kAppearId) {
        if (a == kAnimMsg && !vanishing && pending > 0 && --pending == 0) createButtons();
    } else if (id == kVanishId) {
        if (a == kAnimMsg && vanishing && pending > 0 && --pending == 0) notifyOwner(result, 0, 0);
    }
    return 1;
}

void MainMenu::close() {
    if (closed) return;
    closed = true;
    if (torches) torches->stop();
    dropButtons();
    for (SlideShow*& show : intro) {
        if (!show) continue;
        show->sprite.setVisible(false);
        show->setOwner(nullptr, 0);
        show->kill();
        show = nullptr;
    }
    backdrop.reset();
    foreground.reset();
    kill();
}
