// The main menu: play, high scores, options, help and exit over the menu
// backdrop with its torches. The entries arrive first as pictures ("Play"
// slides down, the others fade in); the real buttons exist only once they
// are in place. A choice plays the arrival backwards and is reported when
// that has ended; "change player" is reported at once.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/torches.h"

class Button;
class SlideShow;
class TextLabel;

class MainMenu : public Actor {
public:
    static constexpr int kEntries = 5;
    // Report ids of its children: 0..4 the entries' buttons, then these.
    static constexpr int kClickId = 5, kAppearId = 6, kVanishId = 7;
    static constexpr int kAnimTicks = 20;
    static constexpr int kBackdropLayer = 500, kForegroundLayer = 600, kTopLayer = 601;
    static constexpr int kWelcomeX = 19, kWelcomeY = 540;
    static constexpr int kClickX = 10, kClickY = 565;

    struct Entry {
        int picture;  // index in the button family
        int y, layer;
        int report;
    };
    static const std::array<Entry, kEntries> kMenu;

    // Reports (n, 0, 0) to its owner, n being report::Play, HighScores,
    // Options, Help, Exit or ChangePlayer.
    MainMenu();
    ~MainMenu() override;
    int onNotify(int id, int msg, int a, int b) override;
    // Puts the torches out, takes every button, the welcome line and the
    // pictures off the screen at once and kills the menu.
    void close();

    bool appearing() const { return !vanishing && pending > 0; }
    bool idle() const { return buttons[0] != nullptr; }

    std::array<SlideShow*, kEntries> intro{};
    std::array<Button*, kEntries> buttons{};
    Button* clickButton = nullptr;
    std::unique_ptr<TextLabel> welcome;
    std::unique_ptr<Torches> torches;
    std::unique_ptr<PckSprite> backdrop;
    std::unique_ptr<PckSprite> foreground;
    int32_t pending = 0;  // sequences still animating
    int32_t result = 0;   // reported when the vanish has ended
    bool vanishing = false;
    bool closed = false;

private:
    void createButtons();
    void vanish(int report);
    void dropButtons();
};
