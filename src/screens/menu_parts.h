// Small pieces the menu screens share: a menu button with the menu sounds,
// and taking widgets off the screen at once.
#pragma once

class AbstractButton;
class Actor;
class Button;
class PicturePack;
class Slider;

// A button's click report is (0, 4, 0).
constexpr int kButtonClicked = 4;

// Frame 0 size of a pack that may be missing.
int packWidth(const PicturePack* pack);
int packHeight(const PicturePack* pack);

// Button `index` of the button family at (x, y) on `layer`, reporting to
// `owner` as `id`, with the hover and click sounds every menu button has.
Button* menuButton(Actor* owner, int id, int index, int x, int y, int layer);

// A killed widget is only deleted at the next purge and would still be drawn
// and clicked until then: these hide it and cut its mouse zones at once, then
// kill it and clear the pointer. Null is fine.
void dropButton(Button*& button);
void dropWidget(AbstractButton* widget);
void dropSlider(Slider*& slider);
