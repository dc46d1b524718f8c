#include "screens/options_menu.h"

#include <algorithm>

#include "frame/language.h"
#include "frame/settings.h"
#include "game/reports.h"
#include "gfx/effects.h"
#include "gfx/gfx.h"
#include "players/players.h"
#include "res/text_label.h"
#include "res/texts.h"
#include "scene/input.h"
#include "screens/app_hooks.h"
#include "screens/menu_parts.h"
#include "screens/pictures.h"
#include "sound/sound.h"
#include "ui/buttons.h"

namespace {

constexpr int kSliderX = 75, kMusicY = 199, kSoundY = 110;
constexpr int kBoxX = 285, kFullScreenY = 230, kHintsY = 300;
constexpr int kOkX = 39, kCancelX = 212, kButtonsY = 377;
// The language row sits under the plate (394 x 446): its caption ends where
// the chooser starts.
constexpr int kLanguageX = 170, kLanguageY = 454, kLanguageCaptionGap = 10;
// Light effects shares the language's row, left of it and clear of its
// caption: its own caption ends where its box starts.
constexpr int kLightEffectsX = -40, kScreenMargin = 10;

// Shows `value` without telling the dialog: the slider is given its owner
// afterwards, so opening stores nothing.
Slider* makeSlider(int x, int y, int value) {
    auto* s = new Slider(pictureByName("_mo_begunok"), pictureByName("_mo_menu_FIELDB"),
                         pictureByName("_mo_menu_rb"), pictureByName("_mo_menu_lb"), x, y,
                         COptionsMenu::kWidgetLayer);
    s->setValue(value);
    s->setClickSound("button_click");
    s->setHoverSound("button_point");
    s->rightButton->setClickSound("button_click");
    s->rightButton->setHoverSound("button_point");
    s->leftButton->setClickSound("button_click");
    s->leftButton->setHoverSound("button_point");
    return s;
}

ButtonFlag* makeBox(Actor* owner, int id, int x, int y, bool checked) {
    auto* box = new ButtonFlag(pictureByName("_mo_galochka"), checked ? 1 : 0, COptionsMenu::kWidgetLayer);
    box->sprite()->setPosition(x, y);
    box->setClickSound("button_click");
    box->setOwner(owner, id);
    return box;
}

}  // namespace

COptionsMenu::COptionsMenu(int x, int y) {
    backdrop = std::make_unique<PckSprite>();
    backdrop->setPicture(pictureByName("_mm_bkg"), 0);
    backdrop->setLayer(kBackdropLayer);
    plate = std::make_unique<PckSprite>();
    plate->setPicture(pictureByName("options_plate"), 0);
    plate->setLayer(kPlateLayer);
    plate->setPosition(x, y);

    // The player's record, not the sound library: without a sound device the
    // library only knows its defaults, and after a change of player it still
    // plays the previous player's volumes. Cancel puts these back.
    savedMusic = player::MusicVolume();
    savedSound = player::SoundFXVolume();
    musicSlider = makeSlider(x + kSliderX, y + kMusicY, savedMusic);
    musicSlider->setOwner(this, kMusicId);
    soundSlider = makeSlider(x + kSliderX, y + kSoundY, savedSound);
    soundSlider->setOwner(this, kSoundId);

    shownFullscreen = Gfx_IsFullscreen() ? 1 : 0;
    fullScreenBox = makeBox(this, kFullScreenId, x + kBoxX, y + kFullScreenY, shownFullscreen);
    hintsBox = makeBox(this, kHintsId, x + kBoxX, y + kHintsY, player::ShowHints() != 0);
    lightEffectsBox =
        makeBox(this, kLightEffectsId, x + kLightEffectsX, y + kLanguageY, Gfx_Effects() == EffectsLevel::Light);

    okButton = menuButton(this, kOkId, btn::options_ok, x + kOkX, y + kButtonsY, kWidgetLayer);
    cancelButton =
        menuButton(this, kCancelId, btn::options_cancel, x + kCancelX, y + kButtonsY, kWidgetLayer);

    plateX = x;
    plateY = y;
    languageCaption = std::make_unique<TextLabel>();
    languageCaption->setFont(pictureByName("font1"));
    languageCaption->setLayer(kWidgetLayer);
    languageCaption->setAlign(1);
    languageCaption->setText(getText("OPTIONS_LANGUAGE"));
    for (size_t i = 0; i < languages().size(); ++i)
        if (&languages()[i] == &currentLanguage()) languageIndex = static_cast<int>(i);
    showLanguage(languageIndex);
    lightEffectsCaption = std::make_unique<TextLabel>();
    lightEffectsCaption->setFont(pictureByName("font1"));
    lightEffectsCaption->setLayer(kWidgetLayer);
    lightEffectsCaption->setAlign(1);
    lightEffectsCaption->setText(getText("OPTIONS_LIGHT_EFFECTS"));
    // A long caption moves the box right rather than leave the screen; level
    // with the chooser's middle, as the language caption is.
    const int captionWidth = lightEffectsCaption->width();
    const int boxX = std::max(x + kLightEffectsX, kScreenMargin + captionWidth + kLanguageCaptionGap);
    const int rowMiddle = y + kLanguageY + languageButton->sprite()->height() / 2;
    lightEffectsBox->sprite()->setPosition(boxX, rowMiddle - lightEffectsBox->sprite()->height() / 2);
    lightEffectsCaption->setPosition(boxX - kLanguageCaptionGap, rowMiddle - 13);

    torches = std::make_unique<Torches>(kTorchLayer);
    // Particles are drawn by layer range, up to the layer of the effect sprite
    // being drawn. Over a paused game the field's hidden effects still have
    // particles; without this the torches would draw them over the plate.
    // Drawn just below the backdrop, they stay under it.
    underlay = std::make_unique<FXSprite>();
    underlay->setLayer(kBackdropLayer - 1);
}

namespace {
std::string languageButtonName(const Language& language) {
    return std::string("menu//Buttons_language_") + language.code;
}
}  // namespace

void COptionsMenu::showLanguage(int index) {
    dropButton(languageButton);
    languageIndex = index;
    languageButton = new Button(pictureByName(languageButtonName(languages()[static_cast<size_t>(index)])),
                                plateX + kLanguageX, plateY + kLanguageY, kWidgetLayer);
    languageButton->setOwner(this, kLanguageId);
    languageButton->setHoverSound("button_point");
    languageButton->setClickSound("button_click");
    // Align 1: right-aligned on the point; the caption stands level with the
    // middle of the chooser.
    languageCaption->setPosition(plateX + kLanguageX - kLanguageCaptionGap,
                                 plateY + kLanguageY + languageButton->sprite()->height() / 2 - 13);
}

COptionsMenu::~COptionsMenu() {
    dropSlider(musicSlider);
    dropSlider(soundSlider);
    dropWidget(fullScreenBox);
    dropWidget(hintsBox);
    dropWidget(lightEffectsBox);
    dropButton(okButton);
    dropButton(cancelButton);
    dropButton(languageButton);
}

void COptionsMenu::volumeMoved(Slider* slider, bool music) {
    const int v = slider->value;
    if (music)
        Sound_SetMusicVolume(v);
    else
        Sound_SetEffectsVolume(v);
    // While the knob is held every tick reports; the record (and with it the
    // users file) is written once the value has settled.
    const bool settled = !slider->dragging || !leftButtonDown;
    if (!settled) return;
    if (music && v != player::MusicVolume()) setMusicVolume(v);
    if (!music && v != player::SoundFXVolume()) setSoundFXVolume(v);
}

void COptionsMenu::update() {
    const uint8_t mode = Gfx_IsFullscreen() ? 1 : 0;
    if (closed || answered || !fullScreenBox || mode == shownFullscreen) return;
    shownFullscreen = mode;
    fullScreenChanged = 0;
    fullScreenBox->checked = mode;
    fullScreenBox->showState(0);
}

int COptionsMenu::onNotify(int id, int, int a, int) {
    if (dead || closed || answered) return 1;
    switch (id) {
        case kMusicId:
            volumeMoved(musicSlider, true);
            break;
        case kSoundId:
            volumeMoved(soundSlider, false);
            break;
        case kFullScreenId:
            fullScreenChanged ^= 1;
            break;
        case kHintsId:
            hintsChanged ^= 1;
            break;
        case kLightEffectsId:
            lightEffectsChanged ^= 1;
            break;
        case kLanguageId:
            if (a != kButtonClicked) break;
            showLanguage((languageIndex + 1) % static_cast<int>(languages().size()));
            break;
        case kOkId:
            if (a != kButtonClicked) break;
            // A drag cannot be under way while OK is clicked, but a value
            // that never settled is stored now rather than lost.
            if (musicSlider->value != player::MusicVolume()) setMusicVolume(musicSlider->value);
            if (soundSlider->value != player::SoundFXVolume()) setSoundFXVolume(soundSlider->value);
            // The switch stores the mode actually in force.
            if (fullScreenChanged) toggleFullscreen();
            if (hintsChanged) toggleShowHints();
            if (lightEffectsChanged) {
                const EffectsLevel level =
                    Gfx_Effects() == EffectsLevel::Light ? EffectsLevel::Full : EffectsLevel::Light;
                Gfx_SetEffects(level);
                setIniString("Game", "Effects", Gfx_EffectsName(level));
            }
            if (const Language& chosen = languages()[static_cast<size_t>(languageIndex)];
                &chosen != &currentLanguage()) {
                setIniString(kLanguageSection, kLanguageKey, chosen.code);
                useLanguage(chosen);
            }
            finish();
            break;
        case kCancelId:
            if (a != kButtonClicked) break;
            Sound_SetMusicVolume(savedMusic);
            setMusicVolume(savedMusic);
            Sound_SetEffectsVolume(savedSound);
            setSoundFXVolume(savedSound);
            fullScreenChanged = 0;
            hintsChanged = 0;
            lightEffectsChanged = 0;
            finish();
            break;
        default:
            break;
    }
    return 1;
}

void COptionsMenu::finish() {
    answered = 1;
    notifyOwner(report::OptionsClosed, 0, 0);
}

void COptionsMenu::close() {
    if (closed) return;
    closed = 1;
    if (torches) torches->stop();
    dropSlider(musicSlider);
    dropSlider(soundSlider);
    dropWidget(fullScreenBox);
    fullScreenBox = nullptr;
    dropWidget(hintsBox);
    hintsBox = nullptr;
    dropWidget(lightEffectsBox);
    lightEffectsBox = nullptr;
    lightEffectsCaption.reset();
    dropButton(okButton);
    dropButton(cancelButton);
    dropButton(languageButton);
    languageCaption.reset();
    backdrop.reset();
    plate.reset();
    underlay.reset();
    kill();
}
