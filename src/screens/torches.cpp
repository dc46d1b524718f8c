#include "screens/torches.h"

Torches::Torches(int layer) {
    int x = kLeftX;
    for (FXSprite* t : {&left, &right}) {
        t->setLayer(layer);
        t->setPosition(x, kY);
        t->addEffect("fx_torch.fx");
        t->setEmitting(true);
        x = kRightX;
    }
    burning_ = true;
}

void Torches::stop() {
    left.setEmitting(false);
    right.setEmitting(false);
    burning_ = false;
}
