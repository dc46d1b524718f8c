#include "virtual_clock_platform.h"

#include "platform/keymap.h"
#include "platform/winmsg.h"

namespace autoplay {

bool VirtualClockPlatform::peekMessage(platform::Message& out) {
    if (pending_) {
        pending_ = false;
        out = next_;
        return true;
    }
    if (!posted_.empty()) {
        out = posted_.front();
        posted_.pop_front();
        return true;
    }
    while (inner_->peekMessage(out)) {
        // Nobody watches the offscreen window: losing a focus it never had
        // must not pause the game.
        if ((out.message == platform::WM_ACTIVATE && (out.w & 0xFFFF) == 0) || out.message == platform::WM_KILLFOCUS)
            continue;
        return true;
    }
    return false;
}

bool VirtualClockPlatform::createWindow(const platform::WindowDesc& desc) {
    if (!inner_->createWindow(desc)) return false;
    // It counts as the focused window from the start.
    platform::MessageQueue q;
    platform::MessageTranslator().windowState(true, false, q);
    for (const platform::Message& m : q) posted_.push_back(m);
    return true;
}

void VirtualClockPlatform::waitForMessage(uint32_t timeoutMs) {
    if (!posted_.empty()) return;
    if (!pending_ && inner_->peekMessage(next_)) {
        pending_ = true;
        return;
    }
    if (!pending_) clock_ += timeoutMs;
}

}  // namespace autoplay
