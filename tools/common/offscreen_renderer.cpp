#include "offscreen_renderer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "gfx/gfx.h"
#include "gfx/gl/gl_device.h"
#include "gfx/texture_bank.h"
#include "platform/platform.h"
#include "platform/sdl_platform.h"

bool startOffscreenRenderer(const char* tool) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    platform::install(std::make_unique<platform::SdlPlatform>());
    platform::WindowDesc desc;
    desc.title = tool;
    if (!platform::current().createWindow(desc)) {
        std::fprintf(stderr, "%s: no OpenGL 3.3 core context\n", tool);
        return false;
    }
    Gfx_InstallDevice(makeGlDevice());
    if (!Gfx_InitDevice()) {
        for (const std::string& m : Gfx_Messages()) std::fprintf(stderr, "%s: %s\n", tool, m.c_str());
        return false;
    }
    return true;
}

void stopOffscreenRenderer() {
    Gfx_ReleaseAll();
    textureBank().clear();
    platform::uninstall();
}
