// The options dialog: music and effect volumes, full screen and hints, and
// under the plate light effects (for machines that draw without a GPU; OK
// applies it at once and keeps it in the game's settings) and the language
// (each click shows the next one; OK plays on in it from the next screen on,
// and keeps it for every player).
//
// The volumes are heard at once while a slider moves, and are stored in the
// player's record once the slider has settled (knob released, or a step
// button clicked) rather than on every tick of a drag. Full screen and hints
// change only on OK, like light effects; Cancel puts back the volumes the player had when the
// dialog opened. Either reports (report::OptionsClosed, 0, 0); the owner then calls close().
#pragma once

#include <cstdint>
#include <memory>

#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/torches.h"

class Button;
class ButtonFlag;
class Slider;
class TextLabel;

class COptionsMenu : public Actor {
public:
    // Report ids of its widgets.
    enum : int {
        kOkId = 100,
        kCancelId = 101,
        kFullScreenId = 102,
        kHintsId = 103,
        kMusicId = 104,
        kSoundId = 105,
        kLanguageId = 106,
        kLightEffectsId = 107
    };
    static constexpr int kBackdropLayer = 400, kPlateLayer = 401, kTorchLayer = 402, kWidgetLayer = 570;

    // (x, y) is the top left of the plate; the game uses (203, 72).
    COptionsMenu(int x, int y);
    ~COptionsMenu() override;
    int onNotify(int id, int msg, int a, int b) override;
    // F11 or Alt+Enter may switch the mode while the dialog is open: the box
    // then shows the mode in force and forgets a change not yet applied.
    void update() override;
    // Puts the torches out, takes the widgets and pictures off the screen at
    // once and kills the dialog.
    void close();

    std::unique_ptr<PckSprite> backdrop;
    std::unique_ptr<PckSprite> plate;
    Slider* musicSlider = nullptr;
    Slider* soundSlider = nullptr;
    ButtonFlag* fullScreenBox = nullptr;
    ButtonFlag* hintsBox = nullptr;
    ButtonFlag* lightEffectsBox = nullptr;
    std::unique_ptr<TextLabel> lightEffectsCaption;
    Button* okButton = nullptr;
    Button* cancelButton = nullptr;
    Button* languageButton = nullptr;
    std::unique_ptr<TextLabel> languageCaption;
    int languageIndex = 0;  // in languages(): the one shown
    std::unique_ptr<Torches> torches;
    // Carries no effect of its own: see the constructor.
    std::unique_ptr<FXSprite> underlay;
    int32_t savedMusic = 0;  // the player's volumes when the dialog opened
    int32_t savedSound = 0;
    uint8_t fullScreenChanged = 0;
    uint8_t shownFullscreen = 0;  // the mode the box was last set from
    uint8_t hintsChanged = 0;
    uint8_t lightEffectsChanged = 0;
    uint8_t answered = 0;
    uint8_t closed = 0;

private:
    void volumeMoved(Slider* slider, bool music);
    void showLanguage(int index);
    int plateX = 0, plateY = 0;
    void finish();
};
