// The game states between two levels: before a level starts, after a win
// (magnet explodes, gate, gold, banner), after a loss (wall, banner), the
// episode map and the end of the campaign.
#pragma once

#include <cstdint>

#include "game/game_state.h"

class Actor;
class BonusSpoiler;
class Game;

// The episode map belongs to the screens, which install its maker before a
// game starts. The map is owned by the game and reports to it with id 0 when
// it ends (at once, from its constructor, when there is nothing to show).
// Without a maker the map state ends as soon as it is entered.
using MapScreenMaker = Actor* (*)(Game& game);
void setMapScreenMaker(MapScreenMaker maker);

class GS_PreStart : public GameState {
public:
    void enter() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    int32_t countdown = 0;
};

class GS_NextLevel : public GameState {
public:
    void enter() override;
    void leave() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    void onMouse(int event, int value) override;
    BonusSpoiler* banner = nullptr;
    int32_t goldPicture = -1;
    int32_t phase = 0;  // 0 magnet explodes, 1 banner, 2 waiting for a click, 3 leaving
    int32_t countdown = 0;
    bool lastOfEpisode = false;
};

class GS_Gameover : public GameState {
public:
    void enter() override;
    void leave() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    void onMouse(int event, int value) override;
    BonusSpoiler* banner = nullptr;
    int32_t phase = 0;  // 2 waiting for a click, 3 leaving
    int32_t countdown = 0;
};

class GS_Map : public GameState {
public:
    void enter() override;
    void leave() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    Actor* screen = nullptr;  // the map screen while it runs
};

class GS_GameWin : public GameState {
public:
    void enter() override;
    void onStateNotify(int id, int msg, int a, int b) override;
    void onMouse(int event, int value) override;
    int32_t phase = 0;  // 0 doors opened, 1 comic fading in, 3 comic shown
    int32_t countdown = 0;
};
