#include "screens/menu_parts.h"

#include "res/picture_pack.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

int packWidth(const PicturePack* pack) {
    return pack ? pack->frameWidth(0) : 0;
}
int packHeight(const PicturePack* pack) {
    return pack ? pack->frameHeight(0) : 0;
}

Button* menuButton(Actor* owner, int id, int index, int x, int y, int layer) {
    auto* b = new Button(buttonPicture(index), x, y, layer);
    b->setOwner(owner, id);
    b->setHoverSound("button_point");
    b->setClickSound("button_click");
    return b;
}

namespace {
void takeOff(PckSprite& sprite) {
    sprite.setVisible(false);
    sprite.detachZone();
}
}  // namespace

void dropWidget(AbstractButton* widget) {
    if (!widget) return;
    if (PckSprite* s = widget->sprite()) takeOff(*s);
    widget->setOwner(nullptr, 0);
    widget->kill();
}

void dropButton(Button*& button) {
    dropWidget(button);
    button = nullptr;
}

void dropSlider(Slider*& slider) {
    if (!slider) return;
    takeOff(slider->knobShow->sprite);
    takeOff(slider->trackShow->sprite);
    // The step buttons die with the slider, which still holds them.
    takeOff(*slider->rightButton->sprite());
    takeOff(*slider->leftButton->sprite());
    slider->dragging = 0;
    slider->setOwner(nullptr, 0);
    slider->kill();
    slider = nullptr;
}
