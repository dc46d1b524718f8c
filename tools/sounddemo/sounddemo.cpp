// vm-sounddemo [SOUND_FOLDER] [SECONDS_PER_SECTION]
//
// Plays every effect of the folder one after another (the charging hum as the
// loop), then jumps through the music sections at orders 0 to 8. Defaults:
// ./sound/ and 8 seconds.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frame/settings.h"
#include "sound/sdl/sdl_backend.h"
#include "sound/sound.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "./sound/";
    const int sectionSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;

    // The bank reads its folder from the settings, like the game.
    const fs::path ini = fs::temp_directory_path() / "vm_sounddemo.ini";
    std::ofstream(ini) << "[Sound]\npath=" << folder << "\n";
    if (!selectIniFile(ini.string(), false)) {
        std::fprintf(stderr, "sounddemo: cannot write %s\n", ini.c_str());
        return 1;
    }
    Sound_InstallBackend(makeSdlSoundBackend());
    Sound_Init();
    fs::remove(ini);
    if (!Sound_Enabled()) {
        std::fprintf(stderr, "sounddemo: no audio device\n");
        return 1;
    }

    std::vector<std::string> files;
    findFiles(files, Sound_Path(), ".ogg");
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::string dir, name, ext;
        splitPath(file, dir, name, ext);
        if (name == "gun_startcharge") {
            std::printf("loop  %s\n", name.c_str());
            Sound_PlayLoop(name + ext);
            SDL_Delay(2000);
            Sound_PlayLoop("");
        } else {
            std::printf("play  %s\n", name.c_str());
            Sound_Play(name);
            SDL_Delay(1200);
        }
        std::fflush(stdout);
    }

    Sound_LoadMusic("music.mo3");
    Sound_PlayMusic();
    const char* names[] = {"intro", "game A", "game B", "win", "game over", "menu", "story 1", "story 2", "story 3"};
    for (int order = 0; order < 9; ++order) {
        std::printf("music order %d (%s)\n", order, names[order]);
        std::fflush(stdout);
        Sound_SetMusicOrder(order);
        SDL_Delay(static_cast<Uint32>(sectionSeconds) * 1000);
    }
    Sound_Shutdown();
    return 0;
}
