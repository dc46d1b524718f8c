#include "demo/hands.h"

#include "platform/platform.h"
#include "scene/sprite.h"

namespace demo {

void Hands::moveTo(int x, int y) {
    platform::EventQueue q;
    input_.mouseMove(x, y, q);
    post(q);
}

void Hands::press(platform::PointerButton b) {
    platform::EventQueue q;
    input_.mouseButton(b, true, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::release(platform::PointerButton b) {
    platform::EventQueue q;
    input_.mouseButton(b, false, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::click(int x, int y, platform::PointerButton b) {
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
    platform::EventQueue q;
    input_.text(utf8, q);
    post(q);
}

void Hands::key(platform::Key k) {
    platform::EventQueue q;
    input_.key(true, k, false, q);
    input_.key(false, k, false, q);
    post(q);
}

void Hands::focus(bool on) {
    platform::EventQueue q;
    input_.windowState(on, false, q);
    post(q);
}

void Hands::post(platform::EventQueue& q) {
    for (const platform::Event& e : q) {
        if (deliver_)
            deliver_(e);
        else
            platform::current().postEvent(e);
    }
}

}  // namespace demo
