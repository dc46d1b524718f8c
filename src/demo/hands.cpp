#include "demo/hands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "game/cannon.h"
#include "platform/platform.h"
#include "scene/input.h"
#include "scene/sprite.h"
#include "screens/pad_input.h"

namespace demo {

namespace {
using platform::Key;
using platform::PadAxis;
using platform::PadButton;
using platform::PointerButton;

constexpr int kDeadZone = 8000;  // the game's
}  // namespace

void Hands::moveTo(int x, int y) {
    if (via_ != Via::Mouse) {
        targetX_ = std::clamp(x, kGunMinX, kGunMaxX);
        return;
    }
    platform::EventQueue q;
    input_.mouseMove(x, y, q);
    post(q);
}

bool Hands::steer() {
    if (via_ == Via::Mouse) return true;
    const int dx = targetX_ - mousePosition.x;
    const bool there = dx == 0;
    if (via_ == Via::Pad) {
        // The stick pushed as far as the distance asks: the cannon slows
        // down as it comes near (the game's speed grows with the push squared).
        int value = 0;
        if (!there) {
            const double speed = std::max(40.0, 8.0 * std::abs(dx));  // pixels per second
            const double t = std::min(1.0, std::sqrt(speed / 1000.0));
            value = static_cast<int>(kDeadZone + t * (32767 - kDeadZone)) * (dx < 0 ? -1 : 1);
        }
        // There only once the stick has been let go a tick ago: the game
        // moves the cannon once more before it hears the stick is back.
        const bool settled = there && stick_ == 0;
        if (value != stick_) padAxis(PadAxis::LeftX, value);
        stick_ = value;
        return settled;
    }
    // The keys: held while far, tapped when near.
    const Key toward = dx < 0 ? Key::Left : Key::Right;
    if (heldKey_ != Key::None && (there || std::abs(dx) <= 30 || heldKey_ != toward)) {
        keyUp(heldKey_);
        heldKey_ = Key::None;
        return false;
    }
    if (there) return true;
    if (std::abs(dx) > 30) {
        if (heldKey_ == Key::None) {
            keyDown(toward);
            heldKey_ = toward;
        }
    } else {
        keyDown(toward);
        keyUp(toward);
    }
    return false;
}

void Hands::letGo() {
    if (stick_ != 0) padAxis(PadAxis::LeftX, 0);
    stick_ = 0;
    if (heldKey_ != Key::None) keyUp(heldKey_);
    heldKey_ = Key::None;
}

void Hands::press(platform::PointerButton b) {
    const bool left = b == PointerButton::Left;
    if (via_ == Via::Pad) {
        padButton(left ? PadButton::A : PadButton::X, true);
        return;
    }
    if (via_ == Via::Keys) {
        const Key k = left ? (padPlayMode() ? Key::Space : Key::Return) : Key::Control;
        pressedKey_[left ? 0 : 1] = k;
        keyDown(k);
        return;
    }
    platform::EventQueue q;
    input_.mouseButton(b, true, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::release(platform::PointerButton b) {
    const bool left = b == PointerButton::Left;
    if (via_ == Via::Pad) {
        padButton(left ? PadButton::A : PadButton::X, false);
        return;
    }
    if (via_ == Via::Keys) {
        Key& k = pressedKey_[left ? 0 : 1];
        if (k != Key::None) keyUp(k);
        k = Key::None;
        return;
    }
    platform::EventQueue q;
    input_.mouseButton(b, false, 1, input_.mouseX(), input_.mouseY(), q);
    post(q);
}

void Hands::padButton(platform::PadButton b, bool down) {
    platform::EventQueue q{platform::padButtonEvent(b, down)};
    post(q);
}

void Hands::padAxis(platform::PadAxis a, int value) {
    platform::EventQueue q{platform::padAxisEvent(a, value)};
    post(q);
}

void Hands::keyDown(platform::Key k) {
    platform::EventQueue q;
    input_.key(true, k, false, q);
    post(q);
}

void Hands::keyUp(platform::Key k) {
    platform::EventQueue q;
    input_.key(false, k, false, q);
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
