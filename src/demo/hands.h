// The autoplayer's hands: mouse, keyboard or controller input posted to the
// platform as the events a device would make, so the game sees exactly what
// a player's input would give it.
#pragma once

#include <functional>
#include <string>

#include "platform/keymap.h"

class Sprite;

namespace demo {

class Hands {
public:
    // Where the input goes. By default the platform's event queue, as a
    // device's input would; the game's own demo hands each event to the
    // hooks at once, so that it can tell its hands from the player's.
    using Deliver = std::function<void(const platform::Event&)>;
    Hands() = default;
    explicit Hands(Deliver deliver) : deliver_(std::move(deliver)) {}

    // What the hands hold. With a controller or the keys alone, moveTo()
    // only sets where the cannon should go and steer() takes it there;
    // press and release are the buttons or keys that stand for the mouse's
    // (the left one charges and shoots in play and clicks elsewhere).
    enum class Via { Mouse, Pad, Keys };
    void setVia(Via v) { via_ = v; }
    Via via() const { return via_; }

    void moveTo(int x, int y);
    // One logic tick's push towards the x of the last moveTo(); true once
    // the cannon is there (at once with the mouse).
    bool steer();
    // Lets go of a stick or key still pushed for steering (play stopped).
    void letGo();
    void press(platform::PointerButton b);
    void release(platform::PointerButton b);
    void padButton(platform::PadButton b, bool down);
    void padAxis(platform::PadAxis a, int value);
    void keyDown(platform::Key k);
    void keyUp(platform::Key k);
    void click(int x, int y, platform::PointerButton b = platform::PointerButton::Left);
    // A click on the middle of what the sprite covers on the screen.
    void clickOn(const Sprite& s);
    // Typed text (UTF-8), and a key pressed and let go.
    void type(const std::string& utf8);
    void key(platform::Key k);
    void focus(bool on);

private:
    void post(platform::EventQueue& q);
    Deliver deliver_;
    platform::EventTranslator input_;
    Via via_ = Via::Mouse;
    int targetX_ = 400;
    int stick_ = 0;
    platform::Key heldKey_ = platform::Key::None;
    platform::Key pressedKey_[2] = {platform::Key::None, platform::Key::None};
};

}  // namespace demo
