// Drawing real screens on OpenGL: a level in play (magnet, balls, HUD, the
// shipped pictures), the same level while the magnet's flares stand out, the
// in-game menu over it, the tutorial's first level with a tip box, and the
// main menu with its torches, each frame drawn whole
// or only where it changed. The CPU time is the whole process's, since a
// software rasteriser draws on threads of its own; each frame is finished
// before the next starts. Needs an OpenGL 3.3 context (SDL's offscreen driver
// by default); skipped without one.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/clock.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "game/field.h"
#include "game/game.h"
#include "gfx/gl/gl_device.h"
#include "gfx/effects.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"
#include "players/players.h"
#include "res/texts.h"
#include "scene/actor.h"
#include "scene/engine.h"
#include "scene/input.h"
#include "scene/sprite.h"
#include "game/magnet.h"
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/tooltip.h"
#include "screens/pictures.h"

namespace {

class DrawBench {
public:
    DrawBench() {
        namespace fs = std::filesystem;
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = std::string("no video: ") + SDL_GetError();
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window_ = SDL_CreateWindow("bench", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            error = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
            return;
        }
        finish_ = reinterpret_cast<void (*)()>(SDL_GL_GetProcAddress("glFinish"));

        dir_ = fs::temp_directory_path().string() + "/vm_bench_draw_" + std::to_string(::getpid()) + "/";
        fs::create_directories(dir_);
        oldCwd_ = fs::current_path();
        fs::current_path(VM_BENCH_DATA_DIR);
        platform::install(std::make_unique<platform::HeadlessPlatform>());
        resetSettingsForTests();
        resetPlayersForTests();
        setDataFolderForTests(dir_);
        if (!selectIniFile("vm_game.ini", true) || !loadStartup() || !loadTexts("vm_texts.loc")) {
            error = "no game data";
            return;
        }
        GlSurface surface;
        SDL_Window* w = window_;
        surface.swap = [w] { SDL_GL_SwapWindow(w); };
        surface.viewport = [] { return platform::Viewport{}; };
        Gfx_InstallDevice(makeGlDevice(std::move(surface)));
        if (!Gfx_InitDevice()) {
            error = "the drawing layer did not start";
            return;
        }
        engineStart();
        setTickRate(80);
        installPictureAccessors();
        loadAllEffects();
        commitPlayers({{"Ada", -1, 0}}, 0);
        loadActivePlayer();
        ok = true;
    }
    ~DrawBench() {
        if (ok) {
            Game::release();
            destroyAllActors();
            field().clear();
            engineStop();
            killAllParticles();
        }
        Gfx_SetFullRedraw(false);
        Gfx_Shutdown();
        textureBank().clear();
        particleSystem().reset();
        resetPicturesForTests();
        if (!dir_.empty()) {
            resetPlayersForTests();
            resetSettingsForTests();
            setTickRate(0);
            platform::uninstall();
            std::filesystem::current_path(oldCwd_);
            std::filesystem::remove_all(dir_);
        }
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void tick() {
        static_cast<platform::HeadlessPlatform&>(platform::current()).advance(13);
        frameTick();
        purgeDeadActors();
        dispatchInput();
    }
    // One frame as the loop draws it, finished by the rasteriser.
    void draw() {
        drawFrame();
        if (finish_) finish_();
    }

    bool startLevel(int progress = 11) {
        vmSeed(7);
        setGameSession(1);
        setUserProgress(progress);
        Game& g = Game::instance();
        g.startGame();
        for (int i = 0; i < 600 && g.current != &g.physics; ++i) tick();
        if (g.current != &g.physics) return false;
        for (int i = 0; i < 200; ++i) tick();
        return true;
    }
    // Ticks until the magnet's flares stand out far; false if they never do.
    bool waitForFlares() {
        Magnet* m = Game::instance().magnet;
        for (int i = 0; i < 4000 && m; ++i) {
            // Still flares (light effects) never grow: out is enough.
            const bool still = Gfx_Effects() == EffectsLevel::Light;
            if (m->flareState == 1 && (still || m->flares[0].scale > 1.2f)) return true;
            tick();
        }
        return false;
    }
    // A tip box as the tutorial shows it, faded in.
    bool showTip() {
        new ToolTip(Menu::kTipLayer, 1);
        for (int i = 0; i < 2 * ToolTip::kFadeInTicks; ++i) tick();
        return true;
    }
    bool openInGameMenu() {
        new InGameMenu;
        for (int i = 0; i < 2 * InGameMenu::kSlideTicks; ++i) tick();
        return true;
    }
    bool openMenu() {
        auto* menu = new MainMenu;
        for (int i = 0; i < 400 && !menu->idle(); ++i) tick();
        return menu->idle();
    }

    bool ok = false;
    std::string error;

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    void (*finish_)() = nullptr;
    std::string dir_;
    std::filesystem::path oldCwd_;
};

enum Screen { kLevel, kMainMenu, kTutorialTip, kFlareBurst, kLevelMenu };

bool openScreen(DrawBench& bench, int screen) {
    switch (screen) {
    case kMainMenu:
        return bench.openMenu();
    case kTutorialTip:
        return bench.startLevel(1) && bench.showTip();
    case kFlareBurst:
        return bench.startLevel() && bench.waitForFlares();
    case kLevelMenu:
        return bench.startLevel() && bench.openInGameMenu();
    default:
        return bench.startLevel();
    }
}

const char* screenName(int screen) {
    static const char* const names[] = {"level 1-1", "main menu", "tutorial 0-1 with a tip box",
                                        "level 1-1 in a flare burst", "in-game menu over level 1-1"};
    return names[screen];
}

// range(0): the screen (Screen); range(1): 0 damaged, 1 every frame whole,
// 2 damaged with light effects.
void BM_DrawScreen(benchmark::State& state) {
    DrawBench bench;
    if (!bench.ok) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    const int screen = static_cast<int>(state.range(0));
    const bool light = state.range(1) == 2;
    // The driver would choose light on a software rasteriser; each case says.
    Gfx_SetEffects(light ? EffectsLevel::Light : EffectsLevel::Full);
    if (!openScreen(bench, screen)) {
        state.SkipWithError("the screen did not open");
        return;
    }
    Gfx_SetFullRedraw(state.range(1) == 1);
    bench.draw();
    const DamageStats before = Gfx_DamageStats();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The player keeps the mouse moving over the screen.
        mousePosition.x = 300 + (++i % 40);
        mousePosition.y = 300;
        bench.tick();
        state.ResumeTiming();
        bench.draw();
    }
    const DamageStats after = Gfx_DamageStats();
    const double frames = static_cast<double>(after.frames - before.frames);
    if (frames > 0) {
        state.counters["shown"] = static_cast<double>(after.presented - before.presented) / frames;
        state.counters["redrawn"] = static_cast<double>(after.pixels - before.pixels) / frames / (800.0 * 600.0);
    }
    static const char* const ways[] = {", damaged", ", whole", ", damaged, light effects"};
    state.SetLabel(std::string(screenName(screen)) + ways[state.range(1)]);
}

}  // namespace

BENCHMARK(BM_DrawScreen)
    ->ArgsProduct({{kLevel, kMainMenu, kTutorialTip, kFlareBurst, kLevelMenu}, {1, 0, 2}})
    ->MeasureProcessCPUTime()
    ->Iterations(400)
    ->Unit(benchmark::kMillisecond);
