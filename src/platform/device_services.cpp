#include "platform/device_services.h"

#include <SDL.h>

namespace platform {

bool glContextCurrent() { return SDL_GL_GetCurrentContext() != nullptr; }

void setVsync(bool on) { SDL_GL_SetSwapInterval(on ? 1 : 0); }

bool openAudio(std::string& why) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
    why = SDL_GetError();
    return false;
}

void closeAudio() { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

std::string audioDriverName() {
    const char* name = SDL_GetCurrentAudioDriver();
    return name ? name : "";
}

bool withAudioLogSilenced(const std::function<bool()>& open) {
    const SDL_LogPriority saved = SDL_LogGetPriority(SDL_LOG_CATEGORY_AUDIO);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    const bool ok = open();
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, saved);
    return ok;
}

}  // namespace platform
