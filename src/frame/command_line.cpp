#include "frame/command_line.h"

#include <algorithm>
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
// row; the help text is made from this table.
struct Option {
    const char* longName;
    char shortName;  // 0: none
    const char* help;
    void (*apply)(CommandLine& line);
};

const Option kOptions[] = {
    {"windowed", 0, "play in a window this time; the saved choice stays",
     [](CommandLine& l) { l.options.display = StartupOptions::Display::Windowed; }},
    {"fullscreen", 0, "play full screen this time; the saved choice stays",
     [](CommandLine& l) { l.options.display = StartupOptions::Display::Fullscreen; }},
    {"demo", 0, "the game plays itself until a key or click; saves nothing",
     [](CommandLine& l) { l.options.demo = true; }},
    {"fps", 0, "print frames per second and processor use each second",
     [](CommandLine& l) { l.options.showFps = true; }},
    {"verbose", 'v', "print everything, library messages too (VELLMOOR_LOG=debug)",
     [](CommandLine& l) { l.options.logLevel = LogLevel::Debug; }},
    // Takes a value: handled in parseCommandLine (languageOption).
    {"language", 0, "=CODE play in this language this time: en, de, fr, es, it, pt_BR, nl, sv, pl, cs or ru",
     nullptr},
    {"help", 'h', "show this help and exit", [](CommandLine& l) { l.action = Action::Help; }},
    {"version", 0, "show the version and exit", [](CommandLine& l) { l.action = Action::Version; }},
};

const Option* findLong(std::string_view name) {
    for (const Option& o : kOptions)
        if (name == o.longName) return &o;
    return nullptr;
}

const Option* findShort(char c) {
    for (const Option& o : kOptions)
        if (c != 0 && c == o.shortName) return &o;
    return nullptr;
}

CommandLine fail(CommandLine line, std::string error) {
    line.action = Action::Error;
    line.error = std::move(error);
    return line;
}

// "--language CODE" or "--language=CODE" at args[i]; moves i past the value.
// False with the error when the value is missing or names no language.
bool languageOption(const std::vector<std::string>& args, size_t& i, CommandLine& line) {
    const std::string& arg = args[i];
    std::string code;
    if (arg.size() > 11 && arg.compare(0, 11, "--language=") == 0) {
        code = arg.substr(11);
    } else if (i + 1 < args.size()) {
        code = args[++i];
    } else {
        line.error = "option '--language' needs a language code";
        return false;
    }
    if (!findLanguage(code)) {
        line.error = "unknown language '" + code + "' (en, de, fr, es, it, pt_BR, nl, sv, pl, cs or ru)";
        return false;
    }
    line.options.language = code;
    return true;
}

}  // namespace

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
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--language" || arg.compare(0, 11, "--language=") == 0) {
            if (!languageOption(args, i, line)) return fail(line, line.error);
            continue;
        }
        const Option* option = nullptr;
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::string_view body = std::string_view(arg).substr(2);
            const size_t equals = body.find('=');
            option = findLong(body.substr(0, equals));
            if (option && equals != std::string_view::npos)
                return fail(line, "option '--" + std::string(option->longName) + "' takes no value");
        } else if (arg.size() == 2 && arg[0] == '-' && arg[1] != '-') {
            option = findShort(arg[1]);
        }
        if (!option) {
            if (arg.size() > 1 && arg[0] == '-') return fail(line, "unknown option '" + arg + "'");
            return fail(line, "unexpected argument '" + arg + "'");
        }
        option->apply(line);
        // Help and version answer at once, whatever follows.
        if (line.action != Action::Play) return line;
    }
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
        std::string help = o.help;
        if (help[0] == '=') {  // the value's name follows the option
            names += help.substr(0, help.find(' '));
            help = help.substr(help.find(' ') + 1);
        }
        names.resize(std::max<size_t>(names.size() + 2, 20), ' ');
        text += names + help + "\n";
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
        "F12 a screenshot into the player's folder. See vellmoor(6).\n";
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
            std::fprintf(err, "vellmoor: %s\n%s", line.error.c_str(), usageText().c_str());
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
