#include "screens/app_hooks.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "frame/app.h"
#include "frame/clock.h"
#include "frame/data_manifest.h"
#include "frame/errors.h"
#include "frame/random.h"
#include "frame/events.h"
#include "frame/settings.h"
#include "frame/system.h"
#include "game/level.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "players/players.h"
#include "res/picture_pack.h"
#include "res/texts.h"
#include "scene/engine.h"
#include "scene/sprite.h"
#include "screens/dispatcher.h"
#include "screens/notice.h"
#include "screens/pictures.h"
#include "sound/sound.h"

namespace {
constexpr int kLogicTicksPerSecond = 80;

// "~/Pictures/x.png" for a path in the home folder: short enough for a note.
std::string shortPath(const std::string& path) {
    const char* home = std::getenv("HOME");
    const std::string h = home ? home : "";
    return !h.empty() && path.compare(0, h.size() + 1, h + "/") == 0 ? "~" + path.substr(h.size()) : path;
}
constexpr int kScreenshotHookPriority = 0x8080;  // ahead of the input translator
constexpr int kCursorLayer = 1000000;
PckSprite* g_cursor = nullptr;

// F12 or Print saves the picture as the window shows it into the user's
// pictures folder and says where in a short note. The key still goes on to
// the game, which gives it no meaning.
int screenshotHook(const Event& e) {
    // Alt combinations are the window menu's, not the camera's.
    if (e.type != EventType::KeyDown || e.menuKey || e.repeat || (e.key != Key::F12 && e.key != Key::PrintScreen))
        return 1;
    const std::string path = newScreenshotPath(std::time(nullptr));
    if (Gfx_SaveScreenshotAsShown(path)) {
        std::fprintf(stderr, "Screenshot saved: %s\n", path.c_str());
        new Notice("Screenshot saved", shortPath(path), Notice::kShortTicks);
    } else {
        std::fprintf(stderr, "Screenshot not saved: %s\n", path.c_str());
        new Notice("The screenshot could not be saved", shortPath(path), Notice::kShortTicks);
    }
    return 1;
}

void startMusic() {
    Sound_Init();
    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();
    Sound_SetMusicOrder(getIniInt("Sound", "intro", 0));
}
}  // namespace

int gameInitHook() {
    // Numbers in data files use the dot whatever the user's locale says.
    std::setlocale(LC_ALL, "C");
    Gfx_ConfigureWindow();
    if (!sys::enterGameData()) {
        sys::showError("The game data folder (vm_game.ini) was not found.");
        return 0;
    }
    // A broken install says what is wrong, and stops only when the game
    // could not run at all.
    const DataCheck data = checkGameData(".", true);
    if (const std::string problems = describeDataCheck(data); !problems.empty()) {
        std::fprintf(stderr, "vellmoor: %s\n", problems.c_str());
        if (!data.canRun()) {
            sys::showError(problems);
            return 0;
        }
    }
    initDataFolder("\\Brandwick\\Vellmoor_L\\");
    if (!selectIniFile("vm_game.ini", true)) {
        debugCheck(false, "Cant load ini file : %s", "vm_game.ini");
        return 0;
    }
    loadTexts(getIniString("Game", "Localization", "vm_texts.loc"));
    return 1;
}

int gameWindowHook() {
    if (!Gfx_InitDevice()) return 0;
    engineStart();
    setTickRate(kLogicTicksPerSecond);
    addEventHook(kScreenshotHookPriority, screenshotHook);
    loadStartup();  // a failure leaves the defaults; the game still runs
    installPictureAccessors();
    loadAllEffects();
    startMusic();
    Sound_SetMusicVolume(player::MusicVolume());
    Sound_SetEffectsVolume(player::SoundFXVolume());
    vmSeed(static_cast<uint32_t>(sys::ticksMs()));
    dispatcher().switchTo(&dispatcher().logoFirst);
    g_cursor = new PckSprite;
    g_cursor->setPicture(pictureByName("cursor"), 0);
    g_cursor->setLayer(kCursorLayer);
    setCursorSprite(g_cursor, 10, 5);
    return 1;
}

int gameIdleHook() { return runFrame() ? 1 : 0; }

int gameShutdownHook() {
    // The publisher's page, when the build names one.
    const std::string page = getIniString("Game", "PublisherPage", "");
    if (!page.empty()) sys::openWebPage(page);
    setCursorSprite(nullptr, 0, 0);
    delete g_cursor;
    g_cursor = nullptr;
    releaseDispatcher();
    removeEventHook(screenshotHook);
    Sound_Shutdown();
    engineStop();
    killAllParticles();
    Gfx_ReleaseAll();
    return 1;
}
