#include "demo/hands.h"

#include "platform/platform.h"
#include "scene/sprite.h"

namespace autoplay {

void Hands::moveTo(int x, int y) {
    platform::MessageQueue q;
    input_.mouseMove(x, y, q);
    post(q);
}

void Hands::press(platform::MouseButton b) {
    platform::MessageQueue q;
    input_.mouseButton(b, true, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::release(platform::MouseButton b) {
    platform::MessageQueue q;
    input_.mouseButton(b, false, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::click(int x, int y, platform::MouseButton b) {
    moveTo(x, y);
    press(b);
    release(b);
}

void Hands::clickOn(const Sprite& s) {
    Rect r;
    s.getRect(r);
    click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Hands::type(const std::string& utf8) {
    platform::MessageQueue q;
    input_.text(utf8, q);
    post(q);
}

void Hands::key(uint32_t virtualKey) {
    platform::MessageQueue q;
    input_.key(true, virtualKey, false, q);
    input_.key(false, virtualKey, false, q);
    post(q);
}

void Hands::focus(bool on) {
    platform::MessageQueue q;
    input_.windowState(on, false, q);
    post(q);
}

void Hands::post(platform::MessageQueue& q) {
    for (const platform::Message& m : q) {
        if (deliver_)
            deliver_(m);
        else
            platform::current().postMessage(m);
    }
}

}  // namespace autoplay
