// The autoplayer's hands: mouse and keyboard input posted to the platform as
// the events a device would make, so the game sees exactly what a player's
// input would give it.
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

    void moveTo(int x, int y);
    void press(platform::PointerButton b);
    void release(platform::PointerButton b);
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
};

}  // namespace demo
