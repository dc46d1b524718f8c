// Tip boxes and the questions before a game: every tip the game can show,
// over a level's scenery and pointing where the game points it; the
// continue-or-new question and the two yes-or-no questions.
#include <cstdio>
#include <string>
#include <vector>

#include "demo.h"
#include "scene/sprite.h"
#include "screens/ask_screens.h"
#include "screens/pictures.h"
#include "screens/tooltip.h"

namespace {

using screendemo::Registration;
using screendemo::Stage;

struct TipShow {
    int number;
    int anchorX, anchorY;  // where the game points the box; -1, -1 none
    int back;              // background of the level it shows in
    const char* when;
};

// The anchors are the hint points the game sets for each tip: a ball of the
// field, the loaded ball at the muzzle, the bonus plate, the left spawn gun,
// the magnet's gem, the time bar.
const std::vector<TipShow> kTips = {
    {1, -1, -1, 8, "tutorial 1 starts"},
    {2, -1, -1, 8, "tutorial 2 starts"},
    {3, -1, -1, 8, "tutorial 3 starts"},
    {4, -1, -1, 8, "tutorial 4 starts"},
    {5, -1, -1, 8, "tutorial 5 starts"},
    {10, -1, -1, 8, "the tutorial is finished"},
    {11, 760, 80, 0, "a bomb bonus ball"},
    {12, 760, 80, 0, "an ink bonus ball"},
    {13, 760, 80, 0, "a rocket bonus ball"},
    {14, 760, 80, 0, "a degauss bonus ball"},
    {15, 760, 80, 0, "a fireball bonus ball"},
    {16, 760, 80, 0, "a lightning bonus ball"},
    {17, 760, 80, 0, "a mega lightning bonus ball"},
    {18, 760, 80, 0, "a mega fireball bonus ball"},
    {21, 333, 169, 8, "tutorial 1: the arrows mark a pair"},
    {22, -1, -1, 8, "tutorial 1: a shot without a match"},
    {23, 400, 530, 8, "tutorial 1: the loaded ball"},
    {25, 493, 323, 8, "tutorial 2: the arrows mark a pair"},
    {26, -1, -1, 8, "tutorial 2: a shot without a match"},
    {27, 200, 50, 8, "tutorial 2: the big side arrow"},
    {31, -1, -1, 8, "tutorial 3: a shot without a match"},
    {32, 400, 386, 8, "tutorial 3: the bonus ball"},
    {51, 230, 530, 0, "the cannon overheats"},
    {52, -1, -1, 0, "a shot without a match"},
    {53, 47, 75, 0, "the spawn guns"},
    {54, 610, 140, 0, "a grey wandering ball"},
    {55, 180, 420, 0, "a blue wandering ball"},
    {56, 700, 460, 0, "a red wandering ball"},
    {58, 400, 269, 0, "the field is nearly full"},
    {60, 520, 480, 0, "a crystal falls"},
    {61, 150, 50, 0, "the time runs short"},
};

// A level's scenery without its balls: back and front pictures.
struct Scenery {
    explicit Scenery(int back) {
        b.setPicture(backPicture(back), 0);
        b.setLayer(100);
        f.setPicture(frontPicture(back), 0);
        f.setLayer(200);
    }
    PckSprite b, f;
};

// A small cross where the box points.
struct Marker {
    Marker(int x, int y) {
        s.setPicture(pictureByName("cursor"), 0);
        s.setLayer(1000);
        s.setPosition(x - 2, y - 2);
        s.setVisible(x >= 0);
    }
    PckSprite s;
};

void showTip(Stage& s, const TipShow& t, const std::string& path) {
    Scenery scenery(t.back);
    Marker marker(t.anchorX, t.anchorY);
    auto* tip = new ToolTip(800, t.number, t.anchorX, t.anchorY);
    s.run(60);
    s.shot(path);
    tip->kill();
    s.run(1);
}

std::string numbered(const std::string& outPath, int n) {
    const size_t dot = outPath.rfind('.');
    const std::string stem = dot == std::string::npos ? outPath : outPath.substr(0, dot);
    return stem + "-" + std::to_string(n) + ".png";
}

const bool registered = [] {
    for (const TipShow& t : kTips) {
        const std::string name = "tip-" + std::to_string(t.number);
        const std::string what = std::string("tip ") + std::to_string(t.number) + ": " + t.when;
        Registration(name.c_str(), what.c_str(), [t](Stage& s) { showTip(s, t, s.outPath); });
    }
    return true;
}();

const Registration all("tips-all", "every tip the game shows, one picture each (out-N.png)", [](Stage& s) {
    for (const TipShow& t : kTips) showTip(s, t, numbered(s.outPath, t.number));
});

// One box anchored near each corner: it flips to stay on the screen and its
// pointing corner follows.
const Registration corners("tip-corners", "tip 21 anchored near the four corners of the screen",
                           [](Stage& s) {
                               Scenery scenery(0);
                               const int points[4][2] = {{60, 40}, {740, 40}, {60, 560}, {740, 560}};
                               std::vector<Marker*> markers;
                               for (const auto& p : points) {
                                   new ToolTip(800, 21, p[0], p[1]);
                                   markers.push_back(new Marker(p[0], p[1]));
                               }
                               s.run(60);
                               s.shot(s.outPath);
                               for (Marker* m : markers) delete m;
                           });

const Registration ask("ask", "continue the saved game or start a new one", [](Stage& s) {
    new AskScreen(0);
    s.run(120);
});

const Registration ask2tutorial("ask2-tutorial", "the question whether to play the tutorial (tip 100)",
                                [](Stage& s) {
                                    new AskScreen2(0, AskScreen2::kTutorialQuestion);
                                    s.run(60);
                                });

const Registration ask2giveUp("ask2-giveup", "the question whether to give up the saved game (tip 101)",
                              [](Stage& s) {
                                  new AskScreen2(0, AskScreen2::kGiveUpQuestion);
                                  s.run(60);
                              });

}  // namespace
