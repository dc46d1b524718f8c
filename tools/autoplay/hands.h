// The autoplayer's hands: mouse and keyboard input posted to the platform as
// real window messages, so the game sees exactly what a player's input
// would give it.
#pragma once

#include <string>

#include "platform/keymap.h"

class Sprite;

namespace autoplay {

class Hands {
public:
    void moveTo(int x, int y);
    void press(platform::MouseButton b);
    void release(platform::MouseButton b);
    void click(int x, int y, platform::MouseButton b = platform::MouseButton::Left);
    // A click on the middle of what the sprite covers on the screen.
    void clickOn(const Sprite& s);
    // Typed text (UTF-8), and a key pressed and let go.
    void type(const std::string& utf8);
    void key(uint32_t virtualKey);
    void focus(bool on);

private:
    void post(platform::MessageQueue& q);
    platform::MessageTranslator input_;
};

}  // namespace autoplay
