// Entry point: answer the command line, install the desktop platform, run the
// engine, report internal errors instead of crashing silently.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "demo/demo_mode.h"
#include "demo/fps_meter.h"
#include "frame/app.h"
#include "frame/command_line.h"
#include "frame/errors.h"
#include "gfx/gfx.h"
#include "gfx/gl/gl_device.h"
#include "platform/exit_guard.h"
#include "platform/platform.h"
#include "platform/sdl_platform.h"
#include "screens/app_hooks.h"
#include "sound/sdl/sdl_backend.h"
#include "sound/sound_backend.h"

namespace {
AppRecord g_gameRecord(gameInitHook, gameWindowHook, gameIdleHook, gameShutdownHook, nullptr);
}  // namespace

int main(int argc, char** argv) {
    // Help, version and a wrong command line are answered without a window.
    const CommandLine commandLine = parseCommandLine(argc, argv, std::getenv("VELLMOOR_LOG"));
    if (commandLine.action != CommandLine::Action::Play) return answerCommandLine(commandLine, stdout, stderr);
    // First, so that signals and a hung shutdown are covered from here on;
    // last to go, so that it watches the platform's own teardown too.
    platform::ExitGuard exitGuard;
    applyCommandLine(commandLine);
    // The three seams get their desktop back ends here, and only here: the
    // window system, OpenGL on its window, SDL_mixer with libopenmpt.
    platform::install(std::make_unique<platform::SdlPlatform>());
    Gfx_InstallDevice(makeGlDevice());
    Sound_InstallBackend(makeSdlSoundBackend());
    // The demo waits on the title and the menus for a minute without input,
    // or plays at once when asked to.
    demo::installDemoMode(commandLine.options.demo);
    if (commandLine.options.showFps) demo::installFpsMeter();
    int code = 1;
    try {
        code = appMain();
    } catch (const InternalError& error) {
        platform::current().messageBox(error.what(), "Error", platform::MB_ICONERROR_);
        code = kInternalErrorExitStatus;
    }
    // Whichever way appMain ended, the teardown is under the watchdog.
    platform::beginShutdown();
    demo::uninstallFpsMeter();
    demo::uninstallDemoMode();
    // Released here, as main returns, and never by an exit handler: one that
    // ran after a lost display would wait on it for ever.
    std::unique_ptr<platform::Platform> desktop = platform::uninstall();
    desktop.reset();
    // 0: the game ran and ended, or a second start brought the running game
    // forward; 1: it could not start.
    if (code == 1) std::fprintf(stderr, "vellmoor: the game could not start\n");
    return code;
}
