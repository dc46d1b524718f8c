// The game's graphics device: OpenGL 3.3 core through libepoxy.
#pragma once

#include <functional>
#include <memory>

#include "gfx/device.h"
#include "platform/platform.h"

// Where the OpenGL device shows its frames. The game uses the platform
// window; tests and tools may bring their own context.
struct GlSurface {
    std::function<void()> swap;
    std::function<platform::Viewport()> viewport;        // letterbox rectangle in the drawable
    std::function<bool(bool)> setFullscreen;  // as GfxDevice::setFullscreen; none: stays windowed
};

// The OpenGL 3.3 core device; needs a current context when created. Frames
// are drawn into a target of 800 x 600 or, at native resolution, of the
// letterbox's size, and copied into the window's letterbox.
std::unique_ptr<GfxDevice> makeGlDevice();  // on the platform window
std::unique_ptr<GfxDevice> makeGlDevice(GlSurface surface);
