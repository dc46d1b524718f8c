// The players store: up to nine players in the users file, each with volumes,
// hint setting, saved game, tutorial answer and seen tips, plus which one is
// active. The active player's values live in one record in memory; every
// change is written through to the file at once, there is no save step.
//
// The store also does the start-up load that finds the levels and users files
// through [Game] IniLevels and IniUsers of vm_game.ini. The episode table and
// the spawn-gun table it reads there are kept by the level module
// (game/level.h: episodes, levelsInEpisode, spawnGunLeftX, ...).
//
// Every operation that selects the users or levels file selects vm_game.ini
// again before it returns, so settings readers always find it current.
#pragma once

#include <array>
#include <string>
#include <vector>

constexpr int kTipStatusCount = 18;
// Players the profile screen lets anyone create; the file has room for one
// more section ([User0] .. [User9]).
constexpr int kMaxPlayers = 9;
constexpr int kPlayerSections = 10;

struct PlayerRecord {
    std::string Name = "Player";
    int MusicVolume = 100;
    int SoundFXVolume = 100;
    int ShowHints = 1;
    int GameSession = 0;
    int UserProgress = 11;  // episode * 10 + level
    int UserScore = 0;
    int UserLife = 3;
    int UserTutorialStatus = 0;
    std::array<int, kTipStatusCount> TipStatus{};
};

// One line of the profile screen's list. storedIndex is the player's number
// in the file, -1 for a player created on the screen and not yet stored.
struct PlayerEntry {
    std::string name;
    int storedIndex = -1;
    int lastScore = 0;
};

// Start-up of the store: the users file named by IniUsers of the main
// settings file (created empty on first run) and the active player. False
// when a file could not be found or made; the game goes on with the defaults.
bool loadPlayers();
// Reads the section of the active player into the record.
bool loadActivePlayer();
// Players 0 .. CountUser - 1 in file order.
std::vector<PlayerEntry> listPlayers();
// Stores the list as edited on the profile screen: entry p becomes player p,
// kept players move with everything they had, new ones get the new-player
// keys, the others vanish. The whole file is replaced at once. activePosition
// becomes the active player. False (nothing stored) when the file cannot be
// written.
bool commitPlayers(const std::vector<PlayerEntry>& entries, int activePosition);

// The active player's values and the list's size and selection.
const PlayerRecord& activePlayer();
namespace player {
inline const std::string& Name() {
    return activePlayer().Name;
}
inline int MusicVolume() {
    return activePlayer().MusicVolume;
}
inline int SoundFXVolume() {
    return activePlayer().SoundFXVolume;
}
inline int ShowHints() {
    return activePlayer().ShowHints;
}
inline int GameSession() {
    return activePlayer().GameSession;
}
inline int UserProgress() {
    return activePlayer().UserProgress;
}
inline int UserScore() {
    return activePlayer().UserScore;
}
inline int UserLife() {
    return activePlayer().UserLife;
}
inline int UserTutorialStatus() {
    return activePlayer().UserTutorialStatus;
}
// 0 for an index outside 0..17.
int TipStatus(int index);
int CountUser();
int LastActiveUser();
}  // namespace player

// The demo's player, who leaves no trace: while it is the active one, every
// setter keeps its value in memory only, commitPlayers stores nothing and the
// top ten is never written (highscores.h). Ending it brings back the player
// who was active before, as they were.
void beginDemoPlayer(const PlayerRecord& record);
void endDemoPlayer();
bool demoPlayerActive();

// The users file as named in vm_game.ini (empty until the start-up load found
// it); the high-score table lives there too.
const std::string& usersFile();
// The users file as a message names it: its name even when it could not be
// made, or the setting that left it unnamed.
std::string usersFileForMessage();

// Write-through setters of the active player. The value is kept in memory
// even when the file cannot be written (then they return false). Volumes are
// kept to 0..100, the range of the options sliders.
bool setMusicVolume(int volume);
bool setSoundFXVolume(int volume);
bool setGameSession(int value);
bool setUserProgress(int value);
bool setUserScore(int value);
bool setUserLife(int value);
bool setUserTutorialStatus(int value);
bool toggleShowHints();
// Ignores an index outside 0..17.
bool setTipStatus(int index, int value);

// The TipStatus flag that remembers tip number n (11..18 and 51..60), or -1
// for a tip without one.
int tipStatusIndex(int tipNumber);
// "f0 f1 ... f17 ": each flag followed by one blank.
std::string formatTipStatus(const std::array<int, kTipStatusCount>& flags);
// Missing or unreadable numbers leave their flags at 0; extra ones are ignored.
std::array<int, kTipStatusCount> parseTipStatus(const std::string& text);

// A name as the game keeps it: no control characters (a hand-edited file may
// hold any), no blanks around it.
std::string cleanPlayerName(const std::string& name);

// A failed write of the users file is told to the player once per run. The
// store keeps the first failure; the screens take it once and show it.
struct SaveWarning {
    std::string file;    // empty: nothing to tell
    std::string reason;  // the system's words, e.g. "No space left on device"
};
void noteSaveFailure(const std::string& file);
SaveWarning takeSaveWarning();
// Every failed write of the run counts, told or not; the first is kept.
int saveFailureCount();
const SaveWarning& firstSaveFailure();

// Forgets the files and the record (for test fixtures).
void resetPlayersForTests();
