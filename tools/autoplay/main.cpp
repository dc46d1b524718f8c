// vellmoor-autoplay: runs the real game without a player and plays it with
// mouse input only, as fast as the processor allows, on a virtual clock.
// Deterministic for a given seed; the last line sums the run up.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "frame/app.h"
#include "frame/command_line.h"
#include "frame/language.h"
#include "frame/log.h"
#include "frame/random.h"
#include "frame/startup_options.h"
#include "game/level.h"
#include "gfx/gl/gl_device.h"
#include "gfx/testing/recording_device.h"
#include "gfx/gfx.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"
#include "platform/sdl_platform.h"
#include "player.h"
#include "tour.h"
#include "players/players.h"
#include "real_time_platform.h"
#include "scene/actor.h"
#include "screens/app_hooks.h"
#include "sound/sdl/sdl_backend.h"
#include "sound/sound_backend.h"
#include "sound/testing/sound_log.h"
#include "virtual_clock_platform.h"

namespace {

const char* kUsage =
    "usage: vellmoor-autoplay [--campaign | --episode E | --level E-L] [--seed S] [--tries N]\n"
    "                         [--shots DIR --every N] [--away T]\n"
    "                         [--seconds S] [--sound-log FILE] [--realtime]\n"
    "                         [--pad | --keys] [--front-door]\n"
    "       vellmoor-autoplay --tour DIR\n"
    "       (either with [--language CODE]: the game's language, English by default)\n"
    "       vellmoor-autoplay --help | --version\n"
    "Plays the game headless with one device's input only and prints one line per level\n"
    "attempt, a summary per episode, and last:\n"
    "  autoplay: won W lost L levels N ticks T seconds S\n"
    "  --campaign    from the first tutorial level to the end (the default)\n"
    "  --episode E   every level of episode E (0 is the tutorial)\n"
    "  --level E-L   level L of episode E\n"
    "  --seed S      random seed (default 1); a seed always plays the same game\n"
    "  --tries N     attempts per level before it is skipped (default 3)\n"
    "  --give-up T   give an attempt up after T logic ticks (default 48000, ten\n"
    "                minutes of game time)\n"
    "  --shots DIR   save screenshots (PNG) into DIR, drawn in an offscreen window\n"
    "  --every N     a screenshot every N logic ticks (default 400), and one at\n"
    "                the end of each attempt\n"
    "  --away T      at logic tick T switch to another window for a while, then\n"
    "                come back and click the pause picture away\n"
    "  --seconds S   end the run after S seconds of game time\n"
    "  --sound-log FILE  write every sound the game plays, with its game time,\n"
    "                into FILE (vm-mixcheck plays it again)\n"
    "  --realtime    game time runs with the wall clock, so the sound reaches the\n"
    "                audio driver as in play (SDL_AUDIODRIVER=disk records it)\n"
    "  --pad         play with a game controller only, --keys with the keyboard\n"
    "                only (the mouse by default)\n"
    "  --front-door  a new player, the options, the tutorial's first level,\n"
    "                and out through the in-game menu and the main menu\n"
    "  --tour DIR    visit every screen and dialog once, from the first logo to\n"
    "                the exit, saving one picture per screen into DIR; ends with\n"
    "                  tour: screens N missing M\n"
    "A run starts at the first logo and goes through the title and the main menu\n"
    "as a player would; a campaign types a new player's name first, a shorter run\n"
    "continues a saved game at its first level. The exit status is 1 when a level\n"
    "was lost on every try, when the run did not reach its end or (a campaign)\n"
    "the top ten, when a screen of the tour did not show, or when a save failed\n"
    "or the scratch folder could not be made.\n"
    "Two liberties a player does not have keep a run going to its end: lives never\n"
    "run out, and a level lost N times is skipped. An attempt longer than ten\n"
    "minutes of game time is given up and counts as lost.\n"
    "The player's data lives in a scratch folder that is removed afterwards.\n";

autoplay::Options g_options;
std::unique_ptr<autoplay::Player> g_player;
std::unique_ptr<autoplay::Tour> g_tour;
std::string g_tourDir;
int32_t g_lastTick = -1;
std::chrono::steady_clock::time_point g_launch;
double g_firstFrameMs = -1;  // wall time from launch to the first drawn frame
bool g_started = false;
constexpr int64_t kRunTickLimit = 80LL * 3600 * 6;  // six hours of game time
int64_t g_tickLimit = kRunTickLimit;
std::string g_soundLogPath;
bool g_realtime = false;
RecordingSoundBackend* g_soundLog = nullptr;

// Draws nothing and forgets each frame's draws, so memory stays flat.
class NullDevice : public RecordingDevice {
public:
    NullDevice() { recordVertices = false; }
    bool beginScene() override {
        draws.clear();
        clears.clear();
        return RecordingDevice::beginScene();
    }
};

bool parseLevel(const char* text, int& episode, int& level) {
    char tail = 0;
    return std::sscanf(text, "%d-%d%c", &episode, &level, &tail) == 2 && episode >= 0 && level >= 1 && level <= 9;
}

bool parseInt(const char* text, int& out, int min) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end != 0 || end == text || v < min || v > 1000000000L) return false;
    out = static_cast<int>(v);
    return true;
}

// A folder the run writes into; false, after a line saying why, when it
// cannot be made (a read-only TMPDIR, a full disk).
bool makeFolder(const std::string& folder, const char* what) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec && std::filesystem::is_directory(folder, ec)) return true;
    std::fprintf(stderr, "vellmoor-autoplay: cannot make %s folder %s: %s\n", what, folder.c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    return false;
}

// A run whose saves did not reach the disk tested nothing it claims to.
bool savesFailed() {
    const int failures = saveFailureCount();
    if (failures == 0) return false;
    std::fprintf(stderr, "vellmoor-autoplay: %d save%s failed, the first to %s: %s\n", failures,
                 failures == 1 ? "" : "s", firstSaveFailure().file.c_str(), firstSaveFailure().reason.c_str());
    return true;
}

int usageError(const char* what) {
    std::fprintf(stderr, "vellmoor-autoplay: %s\n%s", what, kUsage);
    return 2;
}

// Before the game's start-up. A campaign starts as a new player would, with
// nothing stored: the name is typed on the profile screen. A shorter run
// comes back as a player with a saved game at its first level.
int beforeWindowHook() {
    if (g_tour || g_options.scope == autoplay::Options::Scope::Campaign) return 1;
    loadStartup();
    if (player::CountUser() == 0) {
        commitPlayers({{g_options.playerName, -1, 0}}, 0);
        loadActivePlayer();
    }
    setGameSession(1);
    setUserProgress(autoplay::firstLevel(g_options));
    setUserScore(0);
    setUserLife(3);
    return 1;
}

// After it: the run's own seed.
int afterWindowHook() {
    vmSeed(g_options.seed);
    g_started = true;
    return 1;
}

void saveShot() {
    char name[64];
    std::snprintf(name, sizeof name, "/shot-%06lld.png", static_cast<long long>(g_player->ticks()));
    Gfx_SaveScreenshot(g_options.shotsDir + name);
}

// Before each frame step: the player acts once per logic tick.
int tourIdleHook() {
    if (tickCount() == g_lastTick) return 1;
    g_lastTick = tickCount();
    const bool go = g_tour->tick();
    if (!g_tour->shotName().empty()) Gfx_SaveScreenshot(g_tourDir + "/" + g_tour->shotName() + ".png");
    return go ? 1 : 0;
}

int playerIdleHook() {
    if (isSuspended()) {
        const bool go = g_player->restingStep();
        if (g_player->wantsShot() && !g_options.shotsDir.empty()) saveShot();
        return go ? 1 : 0;
    }
    if (tickCount() == g_lastTick) return 1;
    // The first logic tick has been drawn once this hook sees the second.
    if (g_firstFrameMs < 0 && tickCount() >= 2)
        g_firstFrameMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_launch).count();
    g_lastTick = tickCount();
    if (!g_player->tick() || g_player->ticks() > g_tickLimit) return 0;
    if (!g_options.shotsDir.empty() &&
        (g_player->wantsShot() || (g_options.every > 0 && g_player->ticks() % g_options.every == 0)))
        saveShot();
    return 1;
}

void printSummary(double seconds) {
    const auto& attempts = g_player->attempts();
    struct EpisodeSums {
        std::set<int> levels, firstTry;
        int lost = 0;
    };
    std::map<int, EpisodeSums> episodes;
    std::set<int> seen;
    int won = 0, lost = 0;
    for (const autoplay::Attempt& a : attempts) {
        EpisodeSums& e = episodes[a.level / 10];
        const bool first = seen.insert(a.level).second;
        e.levels.insert(a.level);
        if (a.won && first) e.firstTry.insert(a.level);
        if (a.won)
            ++won;
        else {
            ++lost;
            ++e.lost;
        }
    }
    for (const auto& [episode, e] : episodes)
        std::printf("episode %d: %zu levels, %zu won at the first try (%d%%), %d attempts lost\n", episode,
                    e.levels.size(), e.firstTry.size(),
                    static_cast<int>(100 * e.firstTry.size() / std::max<size_t>(e.levels.size(), 1)), e.lost);
    const double rate = seconds > 0 ? static_cast<double>(g_player->ticks()) / seconds : 0;
    std::printf("%.0f ticks per second, first frame %.0f ms after launch\n", rate, g_firstFrameMs);
    std::printf("autoplay: won %d lost %d levels %zu ticks %lld seconds %.2f\n", won, lost, seen.size(),
                static_cast<long long>(g_player->ticks()), seconds);
}

}  // namespace

int main(int argc, char** argv) {
    g_launch = std::chrono::steady_clock::now();
    std::string language = "en";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            std::fputs(versionText("vellmoor-autoplay").c_str(), stdout);
            return 0;
        } else if (a == "--campaign") {
            g_options.scope = autoplay::Options::Scope::Campaign;
        } else if (a == "--episode" && hasValue) {
            if (!parseInt(argv[++i], g_options.episode, 0)) return usageError("--episode wants a number");
            g_options.scope = autoplay::Options::Scope::Episode;
        } else if (a == "--level" && hasValue) {
            if (!parseLevel(argv[++i], g_options.episode, g_options.level)) return usageError("--level wants E-L");
            g_options.scope = autoplay::Options::Scope::Level;
        } else if (a == "--seed" && hasValue) {
            int seed = 0;
            if (!parseInt(argv[++i], seed, 0)) return usageError("--seed wants a number");
            g_options.seed = static_cast<uint32_t>(seed);
        } else if (a == "--tries" && hasValue) {
            if (!parseInt(argv[++i], g_options.tries, 1)) return usageError("--tries wants a number above 0");
        } else if (a == "--away" && hasValue) {
            if (!parseInt(argv[++i], g_options.awayAt, 1)) return usageError("--away wants a tick above 0");
        } else if (a == "--give-up" && hasValue) {
            if (!parseInt(argv[++i], g_options.attemptTickLimit, 1))
                return usageError("--give-up wants a number of ticks above 0");
        } else if (a == "--pad") {
            g_options.via = demo::Hands::Via::Pad;
        } else if (a == "--keys") {
            g_options.via = demo::Hands::Via::Keys;
        } else if (a == "--front-door") {
            g_options.scope = autoplay::Options::Scope::Campaign;
            g_options.frontDoor = true;
        } else if (a == "--tour" && hasValue) {
            g_tourDir = argv[++i];
        } else if (a == "--language" && hasValue) {
            language = argv[++i];
            if (!findLanguage(language)) return usageError("--language wants en, de, fr, es, it, pt_BR, nl, sv, pl, cs or ru");
        } else if (a == "--shots" && hasValue) {
            g_options.shotsDir = argv[++i];
        } else if (a == "--seconds" && hasValue) {
            int seconds = 0;
            if (!parseInt(argv[++i], seconds, 1)) return usageError("--seconds wants a number above 0");
            g_tickLimit = std::min<int64_t>(kRunTickLimit, 80LL * seconds);
        } else if (a == "--sound-log" && hasValue) {
            g_soundLogPath = argv[++i];
        } else if (a == "--realtime") {
            g_realtime = true;
        } else if (a == "--every" && hasValue) {
            if (!parseInt(argv[++i], g_options.every, 1)) return usageError("--every wants a number above 0");
        } else {
            return usageError(("unknown option " + a).c_str());
        }
    }
    // The language asked for, English by default: never the locale of the
    // machine the tests run on.
    StartupOptions startup = startupOptions();
    startup.language = language;
    setStartupOptions(startup);
    // The game's console log, quiet about the libraries unless VELLMOOR_LOG
    // asks for more.
    LogLevel logLevel = kDefaultLogLevel;
    if (const char* env = std::getenv("VELLMOOR_LOG")) logLevelFromName(env, logLevel);
    setLogLevel(logLevel);
    routeLibraryLogs();
    if (!g_tourDir.empty()) {
        g_options.shotsDir = g_tourDir;  // the tour needs a window to draw in
        g_tour = std::make_unique<autoplay::Tour>();
    }
    if (!g_options.shotsDir.empty()) {
        if (!makeFolder(g_options.shotsDir, "the pictures")) return 1;
        if (g_options.every == 0) g_options.every = 400;
    }

    // Never the player's own folder: a scratch one, removed at the end.
    std::error_code tempError;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(tempError);
    if (tempError) {
        std::fprintf(stderr, "vellmoor-autoplay: no folder for temporary files (TMPDIR): %s\n",
                     tempError.message().c_str());
        return 1;
    }
    const std::string scratch = temp.string() + "/vellmoor-autoplay-" + std::to_string(::getpid()) + "/";
    if (!makeFolder(scratch, "the player's scratch")) return 1;
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (g_realtime && !g_options.shotsDir.empty()) return usageError("--realtime and --shots do not go together");
    if (g_options.shotsDir.empty()) {
        auto headless = g_realtime ? std::make_unique<autoplay::RealTimePlatform>()
                                   : std::make_unique<platform::HeadlessPlatform>();
        headless->setPrefFolder(scratch);
        platform::install(std::move(headless));
        Gfx_InstallDevice(std::make_unique<NullDevice>());
    } else {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
        platform::install(
            std::make_unique<autoplay::VirtualClockPlatform>(std::make_unique<platform::SdlPlatform>(), scratch));
        Gfx_InstallDevice(makeGlDevice());
    }

    if (!g_soundLogPath.empty()) {
        auto recorder = std::make_unique<RecordingSoundBackend>(makeSdlSoundBackend(),
                                                                [] { return platform::current().ticks64(); });
        g_soundLog = recorder.get();
        Sound_InstallBackend(std::move(recorder));
    } else {
        Sound_InstallBackend(makeSdlSoundBackend());
    }
    g_player = std::make_unique<autoplay::Player>(g_options);
    static AppRecord record(gameInitHook, gameWindowHook, gameIdleHook, gameShutdownHook, nullptr);
    HookNode beforeNode, windowNode, idleNode;
    beforeNode.fn = beforeWindowHook;
    windowNode.fn = afterWindowHook;
    idleNode.fn = g_tour ? tourIdleHook : playerIdleHook;
    addHook(HookList::Window, 0x0FFFFFFF, &beforeNode);
    addHook(HookList::Window, 0x10000001, &windowNode);
    addHook(HookList::Idle, 0x0FFFFFFF, &idleNode);

    const auto start = std::chrono::steady_clock::now();
    const int result = appMain();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    removeHook(&idleNode);
    removeHook(&windowNode);
    removeHook(&beforeNode);
    bool logSaved = true;
    if (g_soundLog) {
        logSaved = g_soundLog->save(g_soundLogPath);
        g_soundLog = nullptr;
    }
    platform::uninstall();
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);

    if (g_tour) {
        std::printf("tour: screens %d missing %d seconds %.1f\n", g_tour->screensSeen(), g_tour->screensMissing(),
                    seconds);
        const bool failed = savesFailed();
        return failed || result != 0 || !g_started || g_tour->screensMissing() > 0 ? 1 : 0;
    }
    printSummary(seconds);
    if (!logSaved) {
        std::fprintf(stderr, "vellmoor-autoplay: cannot write %s\n", g_soundLogPath.c_str());
        return 1;
    }
    if (result != 0 || !g_started) {
        std::fprintf(stderr, "vellmoor-autoplay: the game did not start\n");
        return 1;
    }
    // A run fails when it never reached its end, when a level was lost on
    // every try, when a campaign never saw its score in the top ten, or when
    // its saves failed.
    bool failed = savesFailed();
    // A run cut to a number of seconds ends where the clock stops it.
    if (!g_player->finished() && g_player->ticks() <= g_tickLimit) {
        std::fprintf(stderr, "vellmoor-autoplay: the run did not reach its last level\n");
        failed = true;
    }
    if (const int lost = g_player->levelsNeverWon(); lost > 0) {
        std::fprintf(stderr, "vellmoor-autoplay: %d level%s lost on every try\n", lost, lost == 1 ? "" : "s");
        failed = true;
    }
    if (g_options.scope == autoplay::Options::Scope::Campaign && !g_options.frontDoor && g_player->topTenPlace() < 0) {
        std::fprintf(stderr, "vellmoor-autoplay: the top ten never showed\n");
        failed = true;
    }
    return failed ? 1 : 0;
}
