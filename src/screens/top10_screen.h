// The table of the ten best scores on its plate, dropped in from above the
// screen; the done button lifts it out again. Reports (0, 0, 0) to its owner
// once it has left.
#pragma once

#include <memory>

#include "players/highscores.h"
#include "res/text_label.h"
#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/torches.h"
#include "ui/boxes.h"

class Button;

class Top10Table : public Actor, public Group {
public:
    static constexpr int kMoverId = 1;

    Top10Table();
    ~Top10Table() override;
    int onNotify(int id, int msg, int a, int b) override;

    Torches torches;
    PckSprite backdrop;
    PckSprite plate;
    std::unique_ptr<TextLabel> scoreLabels[10];
    std::unique_ptr<TextLabel> nameLabels[10];
    Button* doneButton;  // owned
    HighScoreTable entries;
    int rows = 0;
    bool leaving = false;
};
