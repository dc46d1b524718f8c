// The headless platform on the wall clock: a run takes as long as the game
// time it plays, so that its sound comes out of the audio device (or SDL's
// disk driver) as a player would hear it.
#pragma once

#include <chrono>
#include <thread>

#include "platform/headless_platform.h"

namespace autoplay {

class RealTimePlatform : public platform::HeadlessPlatform {
public:
    uint64_t ticks64() override {
        const auto since = std::chrono::steady_clock::now() - start_;
        return 1 + static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    void sleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void waitForEvent(uint32_t timeoutMs) override {
        if (pendingEvents() == 0) sleepMs(timeoutMs);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace autoplay
