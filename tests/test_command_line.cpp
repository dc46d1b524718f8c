// The command line and the start-up options: what a user at a terminal gets
// back, with which exit status, and that a display mode chosen for one start
// is not saved.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "frame/command_line.h"
#include "frame/settings.h"
#include "frame/startup_options.h"
#include "gfx_support.h"
#include "platform/exit_guard.h"
#include "platform/platform.h"
#include "platform/sdl_platform.h"

namespace fs = std::filesystem;
using Action = CommandLine::Action;
using Display = StartupOptions::Display;

namespace {

CommandLine parse(std::vector<std::string> args, const char* logEnv = nullptr) {
    return parseCommandLine(args, logEnv);
}

// Runs answerCommandLine with both streams caught.
struct Answer {
    int status = -1;
    std::string out, err;
};

std::string readAll(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

Answer answer(const CommandLine& line) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Answer a;
    a.status = answerCommandLine(line, out, err);
    a.out = readAll(out);
    a.err = readAll(err);
    return a;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

// --- Parsing ---

TEST(CommandLineTest, NoOptionsPlaysWithTheSavedDisplayAndTheDefaultLog) {
    const CommandLine line = parse({});
    EXPECT_EQ(line.action, Action::Play);
    EXPECT_EQ(line.options.display, Display::Saved);
    EXPECT_EQ(line.options.logLevel, LogLevel::Info);
    EXPECT_FALSE(line.options.showFps);
    EXPECT_TRUE(line.warnings.empty());
}

TEST(CommandLineTest, FpsAsksForTheFrameCounterAndStillPlays) {
    const CommandLine line = parse({"--windowed", "--fps"});
    EXPECT_TRUE(line.options.showFps);
    EXPECT_EQ(line.options.display, Display::Windowed);
    EXPECT_EQ(line.action, Action::Play);
    EXPECT_EQ(parse({"--fps=1"}).action, Action::Error);
}

TEST(CommandLineTest, DisplayOptionsChooseForThisStartAndTheLastOneCounts) {
    EXPECT_EQ(parse({"--windowed"}).options.display, Display::Windowed);
    EXPECT_EQ(parse({"--fullscreen"}).options.display, Display::Fullscreen);
    EXPECT_EQ(parse({"--fullscreen", "--windowed"}).options.display, Display::Windowed);
    EXPECT_EQ(parse({"--windowed", "--fullscreen"}).options.display, Display::Fullscreen);
    EXPECT_EQ(parse({"--windowed"}).action, Action::Play);
}

TEST(CommandLineTest, EffectsTakesItsLevelAsTheNextWordOrAfterAnEqualsSign) {
    using Effects = StartupOptions::Effects;
    EXPECT_EQ(parse({}).options.effects, Effects::Saved);
    EXPECT_EQ(parse({"--effects", "light", "--fps"}).options.effects, Effects::Light);
    EXPECT_TRUE(parse({"--effects", "light", "--fps"}).options.showFps) << "the value is not taken for an option";
    EXPECT_EQ(parse({"--effects=full"}).options.effects, Effects::Full);
    EXPECT_EQ(parse({"--effects=light", "--effects", "full"}).options.effects, Effects::Full);
    EXPECT_NE(answer(parse({"--help"})).out.find("--effects=full|light"), std::string::npos);
}

TEST(CommandLineTest, EveryOptionInTheHelpStandsApartFromItsDescription) {
    std::istringstream in(usageText());
    std::string line;
    int options = 0;
    while (std::getline(in, line)) {
        const size_t dashes = line.find("--");
        if (line.rfind("  ", 0) != 0 || dashes == std::string::npos || dashes > 6) continue;
        ++options;
        const size_t end = line.find(' ', dashes);
        EXPECT_TRUE(end == std::string::npos || line.compare(end, 2, "  ") == 0) << line;
    }
    EXPECT_GE(options, 8);
}

TEST(CommandLineTest, LogLevelFromTheEnvironmentAndVerbose) {
    EXPECT_EQ(parse({}, "warning").options.logLevel, LogLevel::Warning);
    EXPECT_EQ(parse({}, "DEBUG").options.logLevel, LogLevel::Debug);
    EXPECT_EQ(parse({}, "quiet").options.logLevel, LogLevel::Quiet);
    EXPECT_EQ(parse({}, "").options.logLevel, LogLevel::Info);
    EXPECT_EQ(parse({"--verbose"}, "error").options.logLevel, LogLevel::Debug);
    EXPECT_EQ(parse({"-v"}).options.logLevel, LogLevel::Debug);

    const CommandLine bad = parse({}, "loud");
    EXPECT_EQ(bad.action, Action::Play) << "a wrong variable must not stop the game";
    EXPECT_EQ(bad.options.logLevel, LogLevel::Info);
    ASSERT_EQ(bad.warnings.size(), 1u);
    EXPECT_NE(bad.warnings[0].find("VELLMOOR_LOG"), std::string::npos);
    EXPECT_NE(bad.warnings[0].find("'loud'"), std::string::npos);
}

TEST(CommandLineTest, HelpAndVersionAnswerWhateverFollows) {
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--windowed", "--help", "--no-such-option"}).action, Action::Help);
    EXPECT_EQ(parse({"--version", "--help"}).action, Action::Version);
    // What comes before is read first: a wrong option there is an error.
    EXPECT_EQ(parse({"--no-such-option", "--help"}).action, Action::Error);
}

TEST(CommandLineTest, WrongCommandLinesSayWhatWasWrong) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--no-such-option"}, "unknown option '--no-such-option'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-vx"}, "unknown option '-x'"},
        {{"---help"}, "unknown option '---help'"},
        {{"--", "level.txt"}, "unexpected argument 'level.txt'"},
        {{"-"}, "unexpected argument '-'"},
        {{"level.txt", "--help"}, "unexpected argument 'level.txt'"},
        {{""}, "unexpected argument ''"},
        {{"--windowed=yes"}, "option '--windowed' takes no value"},
        {{"--help=all"}, "option '--help' takes no value"},
        {{"--windowed", "--fullscren"}, "unknown option '--fullscren'"},
        {{"--f"}, "option '--f' is ambiguous (--fullscreen, --fps)"},
        {{"--effects"}, "option '--effects' needs a value (full|light)"},
        {{"--effects", "medium"}, "option '--effects' takes full|light, not 'medium'"},
        {{"--effects="}, "option '--effects' takes full|light, not ''"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.args);
        EXPECT_EQ(line.action, Action::Error) << c.args.front();
        EXPECT_EQ(line.error, c.error);
    }
    // Short options bundle, and a long one may be cut while it is unique.
    const CommandLine bundled = parse({"-vh"});
    EXPECT_EQ(bundled.action, Action::Help);
    EXPECT_EQ(bundled.options.logLevel, LogLevel::Debug);
    EXPECT_EQ(parse({"--wind"}).options.display, Display::Windowed);
    EXPECT_EQ(parse({"--"}).action, Action::Play);
}

// --- Answers and exit statuses ---

TEST(CommandLineTest, HelpGoesToStdoutWithStatusZero) {
    const Answer a = answer(parse({"--help"}));
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(firstLine(a.out), "Usage: vellmoor [OPTION]...");
    EXPECT_TRUE(a.err.empty());
    // Every option the parser takes is in the help.
    for (const char* option : {"--windowed", "--fullscreen", "--verbose", "--fps", "--help", "--version"}) {
        EXPECT_NE(a.out.find(option), std::string::npos) << option;
        EXPECT_NE(parse({option}).action, Action::Error) << option;
    }
    EXPECT_NE(a.out.find("VELLMOOR_LOG"), std::string::npos);
}

TEST(CommandLineTest, VersionNamesTheProgramAndTheBuildsVersion) {
    const Answer a = answer(parse({"--version"}));
    EXPECT_EQ(a.status, 0);
    EXPECT_TRUE(a.err.empty());
    EXPECT_TRUE(std::regex_match(firstLine(a.out), std::regex(R"(vellmoor \(The Vellmoor of Quorrin\) \d+\.\d+\.\d+)")))
        << a.out;
    EXPECT_EQ(firstLine(a.out), std::string("vellmoor (The Vellmoor of Quorrin) ") + gameVersion());
    EXPECT_EQ(firstLine(versionText("vellmoor-autoplay")),
              std::string("vellmoor-autoplay (The Vellmoor of Quorrin) ") + gameVersion());
}

TEST(CommandLineTest, AWrongCommandLineGivesTheErrorAndUsageOnStderrWithStatusTwo) {
    const Answer a = answer(parse({"--no-such-option"}));
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(a.status, kUsageExitStatus);
    EXPECT_TRUE(a.out.empty());
    EXPECT_EQ(a.err, "vellmoor: unknown option '--no-such-option'\nTry 'vellmoor --help' for more information.\n");
}

TEST(CommandLineTest, TheManualPageAndTheHelpListEveryExitStatusTheGameEndsWith) {
    // The statuses the code ends with, wherever they are defined.
    std::set<std::string> code = {"0", std::to_string(kCouldNotStartExitStatus), std::to_string(kUsageExitStatus),
                                  std::to_string(kInternalErrorExitStatus),
                                  std::to_string(platform::kExitDisplayLost),
                                  std::to_string(platform::kExitShutdownStuck), "128+n"};
    std::set<std::string> listed;
    for (int i = 0; i < kExitStatusCount; ++i) listed.insert(kExitStatuses[i].code);
    EXPECT_EQ(listed, code);

    std::ifstream in(VM_TEST_MANUAL);
    ASSERT_TRUE(in) << VM_TEST_MANUAL;
    std::string line, previous;
    std::set<std::string> manual;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind(".SH", 0) == 0) inside = line == ".SH EXIT STATUS";
        // Each status is the tag of a paragraph: ".TP" then ".B <status>".
        if (inside && previous == ".TP" && line.rfind(".B ", 0) == 0) manual.insert(line.substr(3));
        previous = line;
    }
    EXPECT_EQ(manual, code);
    const std::string help = usageText();
    for (const std::string& status : code)
        EXPECT_NE(help.find("\n  " + status + " "), std::string::npos) << status;
}

// --- The player's folder named in the help ---

TEST(CommandLineTest, PlayerFolderFollowsXdgDataHomeThenHome) {
    EXPECT_EQ(playerFolderFor("/x/data", "/home/p"), "/x/data/Brandwick/Vellmoor_L/");
    EXPECT_EQ(playerFolderFor("/x/data/", "/home/p"), "/x/data/Brandwick/Vellmoor_L/");
    EXPECT_EQ(playerFolderFor(nullptr, "/home/p"), "/home/p/.local/share/Brandwick/Vellmoor_L/");
    EXPECT_EQ(playerFolderFor(nullptr, nullptr), "");
}

TEST(CommandLineTest, PlayerFolderIsTheOneThePlatformMakes) {
    const fs::path xdg = fs::temp_directory_path() / ("vm-xdg-" + std::to_string(::getpid()));
    fs::remove_all(xdg);
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const std::string saved = savedXdg ? savedXdg : "";
    ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    platform::SdlPlatform sdl;
    const std::string made = sdl.prefPath("Brandwick", "Vellmoor_L");
    const std::string named = playerFolderFor(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (savedXdg)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(named, made);
    EXPECT_TRUE(fs::is_directory(named));
    fs::remove_all(xdg);
}

// --- The display mode of one start ---

class StartDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGfxState();
        resetSettingsForTests();
        dir = fs::temp_directory_path() / ("vm-start-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        setStartupOptions({});
        resetGfxState();
        resetSettingsForTests();
        fs::remove_all(dir);
    }
    // Starts the renderer on settings that save `saved` with the command
    // line's choice; returns the mode it opened in.
    bool start(const char* saved, Display display) {
        const fs::path ini = dir / "vm_game.ini";
        std::ofstream(ini) << "[Game]\nFullscreen=" << saved << "\n";
        EXPECT_TRUE(selectIniFile(ini.string(), false));
        StartupOptions options;
        options.display = display;
        setStartupOptions(options);
        auto device = std::make_unique<RecordingDevice>();
        dev = device.get();
        Gfx_InstallDevice(std::move(device));
        EXPECT_TRUE(Gfx_InitDevice());
        EXPECT_EQ(dev->fullscreen, Gfx_IsFullscreen());
        return Gfx_IsFullscreen();
    }
    fs::path dir;
    RecordingDevice* dev = nullptr;
};

TEST_F(StartDisplayTest, TheSavedChoiceWithoutOptions) {
    EXPECT_TRUE(start("1", Display::Saved));
    EXPECT_FALSE(start("0", Display::Saved));
}

TEST_F(StartDisplayTest, OptionsWinForThisStartAndAreNotSaved) {
    EXPECT_FALSE(start("1", Display::Windowed));
    EXPECT_EQ(getIniInt("Game", "Fullscreen", -1), 1);
    EXPECT_TRUE(start("0", Display::Fullscreen));
    EXPECT_EQ(getIniInt("Game", "Fullscreen", -1), 0);
}

TEST_F(StartDisplayTest, SwitchingInTheGameIsSavedAsBefore) {
    EXPECT_FALSE(start("1", Display::Windowed));
    EXPECT_TRUE(toggleFullscreen());
    EXPECT_EQ(getIniInt("Game", "Fullscreen", -1), 1);
    EXPECT_TRUE(dev->fullscreen);
}
