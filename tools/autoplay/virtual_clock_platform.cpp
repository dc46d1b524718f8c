#include "virtual_clock_platform.h"

#include "platform/keymap.h"
#include "platform/event.h"

namespace autoplay {

bool VirtualClockPlatform::pollEvent(platform::Event& out) {
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
    while (inner_->pollEvent(out)) {
        // Nobody watches the offscreen window: losing a focus it never had
        // must not pause the game.
        using platform::EventType;
        const bool activation = out.type == EventType::FocusGained || out.type == EventType::FocusLost ||
                                out.type == EventType::Minimised || out.type == EventType::Restored;
        if (activation && !out.active) continue;
        return true;
    }
    return false;
}

bool VirtualClockPlatform::createWindow(const platform::WindowDesc& desc) {
    if (!inner_->createWindow(desc)) return false;
    // It counts as the focused window from the start.
    platform::EventQueue q;
    platform::EventTranslator().windowState(true, false, q);
    for (const platform::Event& m : q) posted_.push_back(m);
    return true;
}

void VirtualClockPlatform::waitForEvent(uint32_t timeoutMs) {
    if (!posted_.empty()) return;
    if (!pending_ && inner_->pollEvent(next_)) {
        pending_ = true;
        return;
    }
    if (!pending_) clock_ += timeoutMs;
}

}  // namespace autoplay
