#include "platform/library_log.h"

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform {

namespace {

std::atomic<LibraryLogSink> g_sink{nullptr};

void deliver(LibrarySeverity severity, const char* source, const char* text) {
    const LibraryLogSink sink = g_sink.load();
    if (!sink) return;
    std::string line = text ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) sink(severity, source, line.c_str());
}

LibrarySeverity fromSdl(SDL_LogPriority priority) {
    switch (priority) {
        case SDL_LOG_PRIORITY_CRITICAL:
        case SDL_LOG_PRIORITY_ERROR: return LibrarySeverity::Error;
        case SDL_LOG_PRIORITY_WARN: return LibrarySeverity::Warning;
        case SDL_LOG_PRIORITY_INFO: return LibrarySeverity::Info;
        default: return LibrarySeverity::Debug;
    }
}

void sdlOutput(void*, int, SDL_LogPriority priority, const char* message) {
    deliver(fromSdl(priority), "SDL", message);
}

// ALSA calls every failed lookup of its configuration an error, and SDL's
// probe for a card that is not there fails a dozen of them: noise unless
// someone is debugging.
void alsaOutput(const char*, int, const char* function, int, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    deliver(LibrarySeverity::Debug, "ALSA", (std::string(function ? function : "?") + ": " + text).c_str());
}

using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaHandler);

// SDL opens libasound itself when it looks for a sound device; opened here
// first (and kept), it is the same library instance, so the printer set on
// it is the one SDL's probe meets.
void routeAlsa() {
    static void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    const auto set = reinterpret_cast<AlsaSetHandler>(dlsym(library, "snd_lib_error_set_handler"));
    if (set) set(&alsaOutput);
}

}  // namespace

void routeLibraryLogs(LibraryLogSink sink, bool detail) {
    g_sink.store(sink);
    SDL_LogSetOutputFunction(&sdlOutput, nullptr);
    if (detail)
        SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    else
        SDL_LogResetPriorities();
    routeAlsa();
}

}  // namespace platform
