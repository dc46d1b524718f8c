// The top-level screen state machine: one actor owning one state per screen
// of the game (logos, title, menus, the game itself...). Screens it creates
// report back to it; it switches states, pauses the running one when the
// window loses the focus, and takes every key nobody else wanted.
#pragma once

#include <cstdint>

#include "scene/actor.h"

class Dispatcher;
class CLogoScreen;
class COptionsMenu;
class Help;
class MainMenu;
class PauseScreen;
class TitleScreenv2;
class Top10Table;
class UserName;

class CDispatcherState {
public:
    virtual ~CDispatcherState() = default;
    virtual void enter() {}
    virtual void leave() {}
    virtual void onNotify(int /*id*/, int /*msg*/, int /*a*/, int /*b*/) {}
    virtual void onMouse(int /*event*/, int /*value*/) {}
    virtual void tick() {}
    virtual void pause() {}
    virtual void resume() {}
    virtual bool canPause() const { return true; }

    Dispatcher* d = nullptr;
};

// The first report brings the countdown from 1 to 0 and switches; later
// reports from the same screen are ignored.
class CountdownState : public CDispatcherState {
public:
    int32_t countdown = 0;

protected:
    bool countDown() { return countdown > 0 && --countdown == 0; }
};

// A logo screen: shows its picture until the screen ends itself, then
// switches to the state after it. Both logos are this one class.
class DS_Logo : public CountdownState {
public:
    using Next = CDispatcherState& (*)(Dispatcher& d);
    DS_Logo(const char* picture, Next next) : picture_(picture), next_(next) {}
    void enter() override;
    // Left before the logo ended itself (the demo starts): it goes at once.
    void leave() override;
    void onNotify(int id, int msg, int a, int b) override;
    bool canPause() const override { return false; }
    CLogoScreen* screen = nullptr;

private:
    const char* picture_;
    Next next_;
};
using DS_Logo_First = DS_Logo;
using DS_Logo_Second = DS_Logo;

class DS_Title : public CountdownState {
public:
    void enter() override;
    // Left before the player did (the demo starts): the screen goes at once.
    void leave() override;
    void onNotify(int id, int msg, int a, int b) override;
    bool canPause() const override { return false; }
    // Tells the title screen to skip to its end.
    void skip();
    TitleScreenv2* screen = nullptr;
};

class DS_Menu : public CDispatcherState {
public:
    void enter() override;
    void leave() override;
    void onNotify(int id, int msg, int a, int b) override;
    MainMenu* menu = nullptr;
    COptionsMenu* options = nullptr;

private:
    void openMenu();
    void closeMenu();
};

class DS_Game : public CDispatcherState {
public:
    void enter() override;
    // The game and its bar go with the state, however it is left.
    void leave() override;
    void onNotify(int id, int msg, int a, int b) override;
    void pause() override;
    void resume() override;
    uint8_t pausedGame = 0;

private:
    void release();
};

class DS_Quit : public CDispatcherState {
public:
    void enter() override;
    bool canPause() const override { return false; }
};

class DS_Profile : public CDispatcherState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
    UserName* screen = nullptr;
};

class DS_Top10 : public CDispatcherState {
public:
    void enter() override;
    void leave() override;
    void onNotify(int id, int msg, int a, int b) override;
    Top10Table* table = nullptr;
};

class DS_Help : public CDispatcherState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
    Help* help = nullptr;
};

class DS_Ask : public CDispatcherState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
};

class DS_Ask_2 : public CDispatcherState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
};

class DS_Ask_3 : public CDispatcherState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
};

class DS_Comix : public CountdownState {
public:
    void enter() override;
    void onNotify(int id, int msg, int a, int b) override;
};

class Dispatcher : public Actor {
public:
    Dispatcher();
    ~Dispatcher() override;
    int onKey(int code) override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    void switchTo(CDispatcherState* state);

    DS_Logo_First logoFirst{"_logo1", [](Dispatcher& d) -> CDispatcherState& { return d.logoSecond; }};
    DS_Logo_Second logoSecond{"_logo2", [](Dispatcher& d) -> CDispatcherState& { return d.title; }};
    DS_Title title;
    DS_Menu menu;
    DS_Game game;
    DS_Quit quit;
    DS_Profile profile;
    DS_Top10 top10;
    DS_Help help;
    DS_Ask ask;
    DS_Ask_2 ask2;
    DS_Ask_3 ask3;
    DS_Comix comix;
    CDispatcherState* current = nullptr;
    uint8_t paused = 0;
    uint8_t frozen = 0;

    // The pause picture while it is up (it ends itself).
    PauseScreen* pauseScreen = nullptr;

    // Report ids of the screens it creates.
    static constexpr int kPauseScreenId = 11;
    // Key-down codes.
    static constexpr int kEscape = 283;
    static constexpr int kPauseKey = 0x100 + 0x13;
    static constexpr int kPKey = 0x100 + 'P';

private:
    friend void releaseDispatcher();
    void detach();
    void showPause();
};

// The single dispatcher, created on first call.
Dispatcher& dispatcher();
Dispatcher* existingDispatcher();
// Kills it and forgets it.
void releaseDispatcher();
