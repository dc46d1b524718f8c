#include "frame/command_line.h"

#include <getopt.h>

#include <cstdlib>
#include <string_view>

#include "frame/language.h"
#include "platform/data_location.h"

#ifndef VM_VERSION
#define VM_VERSION "unknown"
#endif

namespace {

using Action = CommandLine::Action;

// One row per option. An option another part of the game adds is one more
// row; the parser and the help text are made from this table. An option
// that takes a value names it (valueName) and gets it in apply.
struct Option {
    const char* longName;
    char shortName;         // 0: none
    const char* valueName;  // null: takes no value
    const char* help;
    void (*apply)(CommandLine& line, const char* value);
    // The words the value may be, separated by '|'; null: any value.
    const char* choices = nullptr;
    // Whether a value is one the option knows; null: any value.
    bool (*accepts)(const char* value) = nullptr;
};

const Option kOptions[] = {
    {"windowed", 0, nullptr, "play in a window this time; the saved choice stays",
     [](CommandLine& l, const char*) { l.options.display = StartupOptions::Display::Windowed; }},
    {"fullscreen", 0, nullptr, "play full screen this time; the saved choice stays",
     [](CommandLine& l, const char*) { l.options.display = StartupOptions::Display::Fullscreen; }},
    {"demo", 0, nullptr, "the game plays itself until a key or click; saves nothing",
     [](CommandLine& l, const char*) { l.options.demo = true; }},
    {"fps", 0, nullptr, "print frames per second and processor use each second",
     [](CommandLine& l, const char*) { l.options.showFps = true; }},
    {"effects", 0, "full|light", "full or light effects this time (light: still flares, for software drivers)",
     [](CommandLine& l, const char* v) {
         l.options.effects = std::string_view(v) == "light" ? StartupOptions::Effects::Light
                                                           : StartupOptions::Effects::Full;
     },
     "full|light"},
    {"render-scale", 0, "native|1",
     "draw at the screen's own resolution or at 800 x 600 scaled up, this time (1: lighter for software drivers)",
     [](CommandLine& l, const char* v) {
         l.options.renderScale = std::string_view(v) == "1" ? StartupOptions::RenderScale::One
                                                            : StartupOptions::RenderScale::Native;
     },
     "native|1"},
    {"language", 0, "CODE", "play in this language this time: en, de, fr, es, it, pt_BR, nl, sv, pl, cs or ru",
     [](CommandLine& l, const char* v) { l.options.language = v; }, nullptr,
     [](const char* v) { return findLanguage(v) != nullptr; }},
    {"verbose", 'v', nullptr, "print everything, library messages too (VELLMOOR_LOG=debug)",
     [](CommandLine& l, const char*) { l.options.logLevel = LogLevel::Debug; }},
    {"help", 'h', nullptr, "show this help and exit", [](CommandLine& l, const char*) { l.action = Action::Help; }},
    {"version", 0, nullptr, "show the version and exit",
     [](CommandLine& l, const char*) { l.action = Action::Version; }},
};
constexpr int kOptionCount = static_cast<int>(sizeof kOptions / sizeof kOptions[0]);
// getopt_long's code for option i: above every character a short option has.
constexpr int kLongCode = 0x100;

const Option* optionOfCode(int code) {
    if (code >= kLongCode && code < kLongCode + kOptionCount) return &kOptions[code - kLongCode];
    for (const Option& o : kOptions)
        if (o.shortName != 0 && code == o.shortName) return &o;
    return nullptr;
}

bool oneOf(std::string_view value, std::string_view words) {
    while (!words.empty()) {
        const size_t bar = words.find('|');
        if (words.substr(0, bar) == value) return true;
        if (bar == std::string_view::npos) break;
        words.remove_prefix(bar + 1);
    }
    return false;
}

CommandLine fail(CommandLine line, std::string error) {
    line.action = Action::Error;
    line.error = std::move(error);
    return line;
}

// The long options a "--name" may abbreviate, as getopt_long matches them.
std::vector<std::string> longMatches(std::string_view name) {
    std::vector<std::string> found;
    for (const Option& o : kOptions) {
        if (std::string_view(o.longName) == name) return {o.longName};
        if (std::string_view(o.longName).substr(0, name.size()) == name) found.emplace_back(o.longName);
    }
    return found;
}

// What was wrong with the option getopt_long refused (it answered '?').
std::string refusal(const char* arg, int code) {
    if (const Option* o = code >= kLongCode ? optionOfCode(code) : nullptr)
        return "option '--" + std::string(o->longName) + "' takes no value";
    if (code != 0) return std::string("unknown option '-") + static_cast<char>(code) + "'";
    std::string_view given(arg ? arg : "");
    given = given.substr(0, given.find('='));
    if (given.size() > 2 && given.substr(0, 2) == "--") {
        const std::vector<std::string> matches = longMatches(given.substr(2));
        if (matches.size() > 1) {
            std::string names;
            for (const std::string& m : matches) names += (names.empty() ? "--" : ", --") + m;
            return "option '" + std::string(given) + "' is ambiguous (" + names + ")";
        }
    }
    return "unknown option '" + std::string(given) + "'";
}

}  // namespace

const ExitStatus kExitStatuses[] = {
    {"0", "the game ended normally, or --help or --version answered"},
    {"1", "the game could not start; a message said why"},
    {"2", "the command line was wrong"},
    {"3", "an internal error stopped the game; a message said which"},
    {"4", "the display went away while the game ran"},
    {"5", "the game did not finish ending within 5 seconds"},
    {"128+n", "signal n arrived while the game was already ending"},
};
const int kExitStatusCount = static_cast<int>(sizeof kExitStatuses / sizeof kExitStatuses[0]);

const char* gameVersion() { return VM_VERSION; }

CommandLine parseCommandLine(const std::vector<std::string>& args, const char* logEnv) {
    CommandLine line;
    if (logEnv && *logEnv) {
        LogLevel level = kDefaultLogLevel;
        if (logLevelFromName(logEnv, level))
            line.options.logLevel = level;
        else
            line.warnings.push_back(std::string("VELLMOOR_LOG: unknown level '") + logEnv +
                                    "' (quiet, error, warning, info or debug); using info");
    }
    // getopt_long wants a program name and writable strings.
    std::vector<std::string> storage{"vellmoor"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());
    // "+": the first argument that is not an option ends the options;
    // ":": a missing value is told apart from an unknown option.
    std::string shorts = "+:";
    std::vector<option> longs;
    for (int i = 0; i < kOptionCount; ++i) {
        const Option& o = kOptions[i];
        longs.push_back({o.longName, o.valueName ? required_argument : no_argument, nullptr, kLongCode + i});
        if (o.shortName == 0) continue;
        shorts += o.shortName;
        if (o.valueName) shorts += ':';
    }
    longs.push_back({nullptr, 0, nullptr, 0});
    optind = 0;  // a fresh scan, whatever an earlier one left
    opterr = 0;  // the messages are ours
    for (;;) {
        const int code = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr);
        if (code == -1) break;
        const char* arg = optind > 0 && optind <= argc ? argv[static_cast<size_t>(optind - 1)] : nullptr;
        if (code == '?') return fail(line, refusal(arg, optopt));
        const Option* o = optionOfCode(code == ':' ? optopt : code);
        if (!o) return fail(line, refusal(arg, 0));
        const std::string name = "--" + std::string(o->longName);
        if (code == ':') return fail(line, "option '" + name + "' needs a value (" + o->valueName + ")");
        if (o->choices && !oneOf(optarg, o->choices))
            return fail(line, "option '" + name + "' takes " + o->choices + ", not '" + optarg + "'");
        if (o->accepts && !o->accepts(optarg))
            return fail(line, "option '" + name + "' does not take '" + optarg + "'");
        o->apply(line, optarg);
        // Help and version answer at once, whatever follows.
        if (line.action != Action::Play) return line;
    }
    if (optind < argc) return fail(line, "unexpected argument '" + storage[static_cast<size_t>(optind)] + "'");
    return line;
}

CommandLine parseCommandLine(int argc, char** argv, const char* logEnv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return parseCommandLine(args, logEnv);
}

std::string playerFolderFor(const char* xdgDataHome, const char* home) {
    // The platform asks SDL for the folder, which takes XDG_DATA_HOME when it
    // is set at all and ~/.local/share otherwise.
    std::string base;
    if (xdgDataHome)
        base = xdgDataHome;
    else if (home)
        base = std::string(home) + "/.local/share";
    else
        return {};
    if (base.empty() || base.back() != '/') base += '/';
    return base + "Brandwick/Vellmoor_L/";
}

std::string usageText() {
    std::string text =
        "Usage: vellmoor [OPTION]...\n"
        "The Vellmoor of Quorrin: shoot coloured balls at a spinning magnet and blow up\n"
        "groups of three or more of a colour.\n"
        "\n"
        "Options:\n";
    for (const Option& o : kOptions) {
        std::string names = o.shortName ? std::string("  -") + o.shortName + ", " : std::string("      ");
        names += "--";
        names += o.longName;
        if (o.valueName) names += std::string("=") + o.valueName;
        // A name too long for the column puts its help on the next line, as
        // other programs' --help does, rather than run into it.
        if (names.size() > 18) names += "\n";
        names.resize(names.size() > 18 ? names.size() + 20 : 20, ' ');
        text += names + o.help + "\n";
    }
    const std::string players = playerFolderFor(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    const std::string data = locateGameData();
    text += "\nFiles:\n";
    text += "  Settings, players, saved games and scores:\n    " +
            (players.empty() ? std::string("(no home folder)") : players) + "\n";
    text += "  Game data (pictures, sounds, levels; read only):\n    " +
            (data.empty() ? std::string("(not found)") : data + "/") + "\n";
    text +=
        "  Deleting vm_game.ini in the first folder brings back the shipped settings.\n"
        "\n"
        "Environment:\n"
        "  VELLMOOR_LOG    what to print: quiet, error, warning, info (the default) or debug\n"
        "  XDG_DATA_HOME   where the player's folder is made (default ~/.local/share)\n"
        "  LANGUAGE, LC_ALL, LC_MESSAGES, LANG\n"
        "                  the language, unless chosen in the options or with --language\n"
        "\n"
        "Keys: F11 or Alt+Return full screen, Escape the in-game menu, P pause,\n"
        "F12 a screenshot, saved as vellmoor-DATE-TIME.png in your pictures folder\n"
        "(XDG_PICTURES_DIR; the player's folder when there is none).\n"
        "\n"
        "Exit status:\n";
    for (int i = 0; i < kExitStatusCount; ++i) {
        std::string code = std::string("  ") + kExitStatuses[i].code;
        code.resize(9, ' ');
        text += code + kExitStatuses[i].meaning + "\n";
    }
    text += "\nSee vellmoor(6).\n";
    return text;
}

std::string versionText(const std::string& program) {
    return program + " (The Vellmoor of Quorrin) " + gameVersion() +
           "\n"
           "Copyright (c) 2026 The Vellmoor of Quorrin developers (Brandwick).\n"
           "MIT licence. The bitmap font is rendered from the DejaVu fonts\n"
           "(Bitstream Vera licence).\n";
}

int answerCommandLine(const CommandLine& line, std::FILE* out, std::FILE* err) {
    switch (line.action) {
        case Action::Help: std::fputs(usageText().c_str(), out); return 0;
        case Action::Version: std::fputs(versionText("vellmoor").c_str(), out); return 0;
        case Action::Error:
            std::fprintf(err, "vellmoor: %s\nTry 'vellmoor --help' for more information.\n", line.error.c_str());
            return kUsageExitStatus;
        case Action::Play: break;
    }
    return 0;
}

void applyCommandLine(const CommandLine& line) {
    setLogLevel(line.options.logLevel);
    routeLibraryLogs();
    for (const std::string& warning : line.warnings) logLine(LogLevel::Warning, warning);
    setStartupOptions(line.options);
}
