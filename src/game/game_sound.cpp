#include "game/game_sound.h"

#include "sound/sound.h"

namespace {
GameSoundSpy g_spy = nullptr;
}

void setGameSoundSpy(GameSoundSpy spy) { g_spy = spy; }

void playGameSound(const std::string& name) {
    if (g_spy) g_spy(name);
    // The bank resolves and remembers the name (and a failed load) itself;
    // a cache here would keep a silent 0 from before the bank started.
    Sound_Play(name);
}
