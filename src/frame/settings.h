// Settings files and paths. The engine keeps one current ini file; every
// accessor reads or writes it. Code that needs another file (levels, players)
// selects it, does its work and selects vm_game.ini again before returning.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

// Size of the buffer getIniSection fills unless told otherwise.
constexpr int kIniSectionBufferSize = 0x7FFF;

// Accessors on the current file (no file selected: reads give the defaults,
// writes fail).
int getIniInt(const char* section, const char* key, int def);
std::string getIniString(const char* section, const char* key, const char* def);  // null default = ""
bool setIniString(const char* section, const char* key, const char* value);
int getIniSection(const char* section, char* buffer, int size = kIniSectionBufferSize);
bool setIniSection(const char* section, const char* text);
// Why the last write of a file failed, in the system's words ("No space left
// on device"); empty when no write has failed.
std::string lastWriteError();

// The folder holding the writable copies. leaf is "\Org\App\": the per-user
// data folder the platform gives for Org and App, created if needed. Without
// a platform folder the leaf itself (separators normalized) stands in.
void initDataFolder(const std::string& leaf);
const std::string& dataFolder();
std::string makeDataPath(const std::string& name);
// A new screenshot's file: in the user's pictures folder (the data folder
// when there is none), named after the game and the moment, never one that
// exists already.
std::string newScreenshotPath(time_t when);

// Makes a file current. A plain name lives in the data folder; on first use
// the default copy "./name" is copied there when copyDefault is set. A name
// with a slash or backslash is used as it stands. On failure the previous
// file stays current.
// The main settings file (vm_game.ini) selected with copyDefault is the
// player's copy of the shipped file: an existing copy is first brought up to
// date with the shipped one (mergeShippedSettings). A copy that exists but
// cannot be read (too large, no permission) is refused with a message: the
// shipped file stands in for it, read only, for the rest of the run.
bool selectIniFile(const std::string& name, bool copyDefault);
const std::string& iniPath();
// The file a "Cant load ini file" message names: the name, or for an empty
// one the setting of vm_game.ini that left it unnamed.
std::string iniFileForMessage(const std::string& name, const char* key);

constexpr const char* kMainSettingsFile = "vm_game.ini";

// Upgrades the player's copy to a new shipped file by a three-way merge
// (profileMergeShipped) against the shipped file the copy last followed,
// whose copy is kept beside it (shippedRecordPath). A copy without that
// record was made by a release: the one whose shipped file, kept in
// "released/" beside the shipped one, agrees with it on the most keys.
// The copy is written first, then the record. False when the copy could
// not be brought up to date; it is then as it was.
bool mergeShippedSettings(const std::string& shipped, const std::string& copy);
// "vm_game.shipped.ini" beside "vm_game.ini".
std::string shippedRecordPath(const std::string& copy);
// Why the player's settings were refused at start ("<file>: <why>"), once;
// empty when they were not.
std::string takeSettingsNotice();

// A handle used to test for a file. Flag bit 0: read and write (else read
// only); bit 1: create or truncate (else the file must exist).
bool openFile(const std::string& name, int flags);
void closeFile();

// folder gets drive and folder with the final separator, ext its dot.
void splitPath(const std::string& path, std::string& folder, std::string& name, std::string& ext);
// Appends folder + name of every file in folder matching "*" + ext; the
// extension must match exactly (".fx" skips "a.FX"); ".*" takes every file.
void findFiles(std::vector<std::string>& list, const std::string& folder, const std::string& ext);

// Flips full screen through the handler the renderer installs (it returns the
// mode in force afterwards, the old one when the switch failed) and stores
// that mode as [Game] Fullscreen. Returns it.
bool toggleFullscreen();
void setFullscreenToggleHandler(std::function<bool()> handler);

// The engine's own keys, read from the current file at engine start.
void readEngineSettings();
const std::string& fxSystemPath();
const std::string& picturesPath();
bool psLiveUpdate();
bool shiftEnabled();
bool customCursorEnabled();

// For test fixtures.
void resetSettingsForTests();
void setDataFolderForTests(const std::string& path);
