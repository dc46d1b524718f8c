// The in-game states: the game actor runs exactly one of them at a time and
// forwards its ticks, mouse events and reports to it. States are members of
// the game actor, not actors of their own.
#pragma once

class Game;

class GameState {
public:
    virtual ~GameState() = default;
    virtual void enter() {}
    virtual void leave() {}
    virtual void onStateNotify(int /*id*/, int /*msg*/, int /*a*/, int /*b*/) {}
    virtual void onMouse(int /*event*/, int /*value*/) {}
    virtual void tick() {}
    virtual void pause() {}
    virtual void resume() {}
    virtual bool canPause() const { return true; }
    virtual void drawOverlay() {}

    Game* game = nullptr;  // set by the game actor that embeds the state
};
