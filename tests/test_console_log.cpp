// The console log: what its levels let through, and the libraries' own
// printing (SDL's log, ALSA's errors) brought into it instead of onto stderr.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frame/log.h"

namespace {

// Catches what the log lets through instead of printing it.
class LogCapture {
public:
    explicit LogCapture(LogLevel level) : saved_(logLevel()) {
        setLogLevel(level);
        setLogSink([this](LogLevel l, const std::string& line) { lines.emplace_back(l, line); });
    }
    ~LogCapture() {
        setLogSink(nullptr);
        setLogLevel(saved_);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& [level, text] : lines) out.push_back(text);
        return out;
    }
    std::vector<std::pair<LogLevel, std::string>> lines;

private:
    LogLevel saved_;
};

}  // namespace

TEST(ConsoleLogTest, LevelsLetThroughWhatTheyShould) {
    {
        LogCapture capture(LogLevel::Info);
        logLine(LogLevel::Error, "e");
        logLine(LogLevel::Warning, "w");
        logLine(LogLevel::Info, "i");
        logLine(LogLevel::Debug, "d");
        logPrintf(LogLevel::Warning, "number %d", 7);
        EXPECT_EQ(capture.texts(), (std::vector<std::string>{"e", "w", "i", "number 7"}));
    }
    {
        LogCapture capture(LogLevel::Warning);
        logLine(LogLevel::Info, "i");
        logLine(LogLevel::Warning, "w\n");
        EXPECT_EQ(capture.texts(), (std::vector<std::string>{"w"})) << "the line break is the log's";
    }
    {
        LogCapture capture(LogLevel::Quiet);
        logLine(LogLevel::Error, "e");
        logLine(LogLevel::Quiet, "q");
        EXPECT_TRUE(capture.lines.empty());
    }
    {
        LogCapture capture(LogLevel::Debug);
        logLine(LogLevel::Debug, "d");
        EXPECT_EQ(capture.texts(), (std::vector<std::string>{"d"}));
    }
}

// SDL's log comes through the game's: what SDL calls critical or an error
// shows by default, the rest only when everything is asked for.
TEST(ConsoleLogTest, SdlMessagesArriveThroughTheLogAtItsLevel) {
    SDL_LogOutputFunction savedOutput = nullptr;
    void* savedData = nullptr;
    SDL_LogGetOutputFunction(&savedOutput, &savedData);
    {
        LogCapture capture(LogLevel::Info);
        routeLibraryLogs();
        SDL_LogCritical(SDL_LOG_CATEGORY_AUDIO, "device gone");
        SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "chatter");
        SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "more chatter");
        SDL_LogDebug(SDL_LOG_CATEGORY_VIDEO, "details");
        ASSERT_EQ(capture.lines.size(), 1u) << capture.lines.back().second;
        EXPECT_EQ(capture.lines[0].first, LogLevel::Warning);
        EXPECT_EQ(capture.lines[0].second, "SDL: device gone");
    }
    {
        LogCapture capture(LogLevel::Debug);
        routeLibraryLogs();
        SDL_LogDebug(SDL_LOG_CATEGORY_VIDEO, "details\n");
        SDL_LogVerbose(SDL_LOG_CATEGORY_AUDIO, "every detail");
        EXPECT_EQ(capture.texts(), (std::vector<std::string>{"SDL: details", "SDL: every detail"}));
    }
    SDL_LogSetOutputFunction(savedOutput, savedData);
    SDL_LogResetPriorities();
}

// ALSA prints its configuration errors to stderr by itself (a dozen when a
// machine has no sound card); routed, they are debug lines of the log.
TEST(ConsoleLogTest, AlsaErrorsStayOffTheConsole) {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) GTEST_SKIP() << "libasound is not installed";
    using PcmOpen = int (*)(void**, const char*, int, int);
    using PcmClose = int (*)(void*);
    const auto pcmOpen = reinterpret_cast<PcmOpen>(dlsym(alsa, "snd_pcm_open"));
    const auto pcmClose = reinterpret_cast<PcmClose>(dlsym(alsa, "snd_pcm_close"));
    ASSERT_NE(pcmOpen, nullptr);
    const auto openNothing = [&] {
        void* pcm = nullptr;
        if (pcmOpen(&pcm, "vm_no_such_pcm", 0, 0) == 0) pcmClose(pcm);
        return pcm == nullptr;
    };
    {
        LogCapture capture(LogLevel::Info);
        routeLibraryLogs();
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(openNothing());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_TRUE(capture.lines.empty());
    }
    {
        LogCapture capture(LogLevel::Debug);
        routeLibraryLogs();
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(openNothing());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        ASSERT_FALSE(capture.lines.empty());
        EXPECT_EQ(capture.lines[0].first, LogLevel::Debug);
        EXPECT_EQ(capture.lines[0].second.rfind("ALSA: ", 0), 0u) << capture.lines[0].second;
        EXPECT_NE(capture.lines[0].second.find("vm_no_such_pcm"), std::string::npos) << capture.lines[0].second;
    }
    SDL_LogResetPriorities();
    dlclose(alsa);
}

