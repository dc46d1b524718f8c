// The sound bank: effects and the looping effect by name, the music module by
// order, global volumes. Names become small ids on first request; a file that
// failed to load is never tried again. While sound could not be started every
// call does nothing and the game runs silently.
#pragma once

#include <string>

// Kinds for Sound_GetId.
constexpr int kSoundEffect = 0;
constexpr int kSoundLoop = 1;

void Sound_Init();
void Sound_Shutdown();
bool Sound_Enabled();

// The music module, from the sound folder; the format is found from the content.
void Sound_LoadMusic(const std::string& fileName);
void Sound_PlayMusic();                // from the start, looping; the order memory becomes 0
void Sound_SetMusicOrder(int order);   // a repeat of the last order sends nothing
int Sound_MusicOrder();                // -1 after start-up

// Volumes 0..100, linear. Effects and the loop share one volume.
void Sound_SetMusicVolume(int volume);
int Sound_GetMusicVolume();
void Sound_SetEffectsVolume(int volume);
int Sound_GetEffectsVolume();

// Window focus: while paused everything stops where it is and effects asked
// for are dropped, not queued.
void Sound_Pause();
void Sound_Resume();

// kind 0: an effect by name without extension (".ogg", else ".wav");
// kind 1: a loop by its full file name. Returns 0 for no sound.
int Sound_GetId(const std::string& name, int flags);
void Sound_PlayId(int id);
void Sound_Play(const std::string& name);
void Sound_Preload(const std::string& name);
// Loads every ".ogg" of the sound folder as an effect, silently.
void Sound_PreloadFolder();
// The same spread over `parts` calls, so that no single one takes long:
// part i loads every parts-th file of the folder (sorted by name) from the
// i-th on.
void Sound_PreloadFolderPart(int part, int parts);

// One loop at a time: switching stops the previous one, id 0 stops it.
void Sound_SwitchLoop(int id);
void Sound_PlayLoop(const std::string& name);  // empty name stops the loop
int Sound_CurrentLoop();                       // id of the loop playing, 0 for none

// The folder sound files are read from, with "/" separators and a final "/".
const std::string& Sound_Path();
