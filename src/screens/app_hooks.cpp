#include "screens/app_hooks.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>

#include "frame/app.h"
#include "frame/clock.h"
#include "frame/data_manifest.h"
#include "frame/errors.h"
#include "frame/language.h"
#include "frame/log.h"
#include "frame/profile.h"
#include "frame/random.h"
#include "frame/events.h"
#include "frame/settings.h"
#include "frame/startup_options.h"
#include "frame/system.h"
#include "game/level.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "gfx/window_icon.h"
#include "players/players.h"
#include "res/map_check.h"
#include "res/picture_pack.h"
#include "res/texts.h"
#include "scene/engine.h"
#include "scene/sprite.h"
#include "screens/dispatcher.h"
#include "screens/notice.h"
#include "screens/pad_input.h"
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
        new Notice(orDefault(getText("NOTICE_SCREENSHOT_SAVED"), "Screenshot saved"), shortPath(path), Notice::kShortTicks);
    } else {
        std::fprintf(stderr, "Screenshot not saved: %s\n", path.c_str());
        new Notice(orDefault(getText("NOTICE_SCREENSHOT_FAILED"), "The screenshot could not be saved"), shortPath(path),
                   Notice::kShortTicks);
    }
    return 1;
}

void startMusic() {
    Sound_Init();
    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();
    Sound_SetMusicOrder(getIniInt("Sound", "intro", 0));
}

// The files the game cannot run without must not only be there but decode:
// a garbage font map would blank every text, a settings file over its
// limit would be read as empty.
void checkEssentialsDecode(DataCheck& data) {
    constexpr int kFontFrames = 256;
    for (const std::string& path : data.essentials) {
        std::string why;
        bool whole = true;
        if (path.ends_with(".ini")) {
            whole = profileReadable(path, &why);
        } else if (path.ends_with(".map")) {
            whole = frameMapReadsWhole(path, kFontFrames, &why);
        } else if (path.ends_with(".png") || path.ends_with(".dds")) {
            Image image;
            whole = decodeImageFile(path, image, &why);
            if (!whole && why.empty()) why = "it cannot be read";
        }
        if (whole) continue;
        logLine(LogLevel::Warning, "vellmoor: " + path + ": " + why);
        data.addDamaged(path);
    }
}

LocaleEnvironment systemLocale() {
    return {std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
}

// The words of what goes wrong before the settings are read: in the
// language of the command line or the system, from the data folder's text
// files as they are; English for anything they lack, so that a broken
// install still says what is broken.
class StartupWords {
public:
    StartupWords() {
        texts_ = readUtf8Texts("vm_texts.loc", chooseLanguage(startupOptions().language, "", systemLocale()));
    }
    std::string operator()(const char* key, const char* english) const {
        const auto it = texts_.find(key);
        return it == texts_.end() || it->second.empty() ? english : it->second;
    }
    // The text with "{name}" replaced by value.
    std::string with(const char* key, const char* english, const char* name, const std::string& value) const {
        std::string text = (*this)(key, english);
        if (const size_t at = text.find(name); at != std::string::npos) text.replace(at, std::strlen(name), value);
        return text;
    }

private:
    std::map<std::string, std::string> texts_;
};

// Where the player's files go, for a message: the folder itself.
std::string playerFolderForMessage(const StartupWords& say) {
    const std::string folder = dataFolder();
    return folder.empty() ? say("STARTUP_PLAYER_FOLDER", "the player's folder") : folder;
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
    Gfx_LoadWindowIcon("./pic/window_icon.png");
    // A broken install says what is wrong, and stops only when the game
    // could not run at all. Files changed since the build (by a packager, an
    // administrator, a mod) are used: one line says so when asked for.
    DataCheck data = checkGameData(".", logShows(LogLevel::Debug));
    checkEssentialsDecode(data);
    if (const std::string changed = describeChangedFiles(data); !changed.empty())
        logLine(LogLevel::Debug, "vellmoor: " + changed);
    const StartupWords say;
    if (const std::string problems = describeDataCheck(data); !problems.empty()) {
        logLine(data.canRun() ? LogLevel::Warning : LogLevel::Error, "vellmoor: " + problems);
        if (!data.canRun()) {
            sys::showError(describeDataCheck(data, std::cref(say)), say("STARTUP_ERROR_TITLE", "Error"));
            return 0;
        }
    }
    initDataFolder("\\Brandwick\\Vellmoor_L\\");
    if (!selectIniFile("vm_game.ini", true)) {
        // Nothing can be kept without the settings: the player is told where
        // and why (a full disk, a folder that may not be written).
        const std::string why = lastWriteError();
        sys::showError(say.with("STARTUP_SETTINGS_NOT_COPIED",
                                "The game cannot start: its settings could not be copied into {folder}", "{folder}",
                                playerFolderForMessage(say)) +
                           (why.empty() ? std::string(".") : ": " + why + "."),
                       say("STARTUP_ERROR_TITLE", "Error"));
        return 0;
    }
    setCurrentLanguage(chooseLanguage(startupOptions().language,
                                      getIniString(kLanguageSection, kLanguageKey, ""), systemLocale()));
    loadLanguageTexts(getIniString("Game", "Localization", "vm_texts.loc"));
    return 1;
}

void useLanguage(const Language& language) {
    if (&language == &currentLanguage()) return;
    setCurrentLanguage(language);
    loadLanguageTexts(getIniString("Game", "Localization", "vm_texts.loc"));
    reloadPictures();
}

int gameWindowHook() {
    if (!Gfx_InitDevice()) return 0;
    engineStart();
    setTickRate(kLogicTicksPerSecond);
    addEventHook(kScreenshotHookPriority, screenshotHook);
    installPadInput();
    loadStartup();  // a failure leaves the defaults; the game still runs
    installPictureAccessors();  // the effects are read by the title's loading steps
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
    uninstallPadInput();
    Sound_Shutdown();
    engineStop();
    killAllParticles();
    Gfx_ReleaseAll();
    return 1;
}
