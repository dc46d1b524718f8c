#include "players/players.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "frame/errors.h"
#include "frame/settings.h"
#include "frame/system.h"
#include "frame/text_encoding.h"
#include "players/highscores.h"

namespace {

constexpr const char* kMainIni = "vm_game.ini";
// A kept player's section is read whole however large a hand edit made it;
// this only bounds the retries.
constexpr int kMaxSectionRead = 16 << 20;

PlayerRecord g_player;
int g_countUser = 0;
int g_lastActiveUser = 0;
std::string g_usersFile;
std::string g_usersNamed;  // as vm_game.ini names it, even when it could not be made
SaveWarning g_saveWarning;
bool g_saveWarningTaken = false;
int g_saveFailures = 0;
bool g_demo = false;
PlayerRecord g_beforeDemo;

int clampInt(int v, int lo, int hi) {
    return std::max(lo, std::min(hi, v));
}

std::string userSection(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "User%d", number);
    return name;
}

bool selectMain() {
    if (selectIniFile(kMainIni, false)) return true;
    debugCheck(false, "Cant load ini file : %s", kMainIni);
    return false;
}

bool selectUsers() {
    if (!g_usersFile.empty() && selectIniFile(g_usersFile, false)) return true;
    debugCheck(false, "Cant load ini file : %s", usersFileForMessage().c_str());
    return false;
}

// A hand-edited file may hold any numbers; the list and its selection must
// stay inside the sections that exist.
void setCounts(int countUser, int lastActiveUser) {
    g_countUser = clampInt(countUser, 0, kPlayerSections);
    g_lastActiveUser = clampInt(lastActiveUser, 0, std::max(0, g_countUser - 1));
}

// The users file is made on first run; an existing file that cannot be read
// is left alone rather than truncated.
bool selectOrCreateUsers(const std::string& name) {
    if (name.empty()) {
        debugCheck(false, "Cant load ini file : %s", iniFileForMessage(name, "IniUsers").c_str());
        return false;
    }
    if (selectIniFile(name, false)) return true;
    const bool plain = name.find_first_of("/\\") == std::string::npos;
    const std::string path = plain ? makeDataPath(name) : sys::normalizeSeparators(name);
    // Made whole, with the built-in top ten, in one write: a start cut short
    // leaves no half-made file.
    const std::string first = "[User]\nCountUser=0\nLastActiveUser=0\n" + defaultTopTenText();
    if (sys::fileExists(path) || !sys::writeFileAtomic(path, first)) {
        debugCheck(false, "Cannot create file `%s`", path.c_str());
        noteSaveFailure(path);
        return false;
    }
    if (!selectIniFile(name, false)) {
        debugCheck(false, "Cant load ini file : %s", name.c_str());
        return false;
    }
    return true;
}

// "key=value" entries of a section of the current file.
std::vector<std::string> readSectionEntries(const std::string& section) {
    std::vector<char> buffer(kIniSectionBufferSize);
    int length = 0;
    for (;;) {
        const int size = static_cast<int>(buffer.size());
        length = getIniSection(section.c_str(), buffer.data(), size);
        if (length < size - 2 || size >= kMaxSectionRead) break;
        buffer.resize(buffer.size() * 2);  // cut short: read it whole
    }
    std::vector<std::string> entries;
    for (int i = 0; i < length;) {
        const std::string entry(buffer.data() + i);
        if (!entry.empty()) entries.push_back(entry);
        i += static_cast<int>(entry.size()) + 1;
    }
    return entries;
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool isKey(const std::string& entry, const char* key) {
    const size_t eq = entry.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = trimmed(entry.substr(0, eq));
    std::string lowered = name;
    std::string wanted = key;
    auto lower = [](std::string& s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    };
    lower(lowered);
    lower(wanted);
    return lowered == wanted;
}

// Names live in the file as UTF-8 (a user reading or editing it sees the
// letters); inside the game they are the font's bytes.
std::string nameOfFile(const std::string& value) { return cleanPlayerName(fontTextOfFile(value)); }
std::string nameForFile(const std::string& name) { return fileText(cleanPlayerName(name)); }

// An entry of a kept player's section as it may be written back. A hand-edited
// or damaged file can hold lines the section writer refuses (an empty key, a
// stray carriage return, a broken header); such a line is dropped instead of
// blocking the whole commit and every other player with it.
bool writableEntry(std::string& entry) {
    entry.erase(std::remove_if(entry.begin(), entry.end(), [](char c) { return c == '\r' || c == '\n'; }),
                entry.end());
    const size_t eq = entry.find('=');
    const std::string head = trimmed(eq == std::string::npos ? entry : entry.substr(0, eq));
    if (head.empty()) return false;
    return head[0] != '[' && head[0] != ';';
}

// Zero-separated section text for setIniSection (c_str adds the final zero).
std::string sectionText(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& e : entries) {
        text += e;
        text += '\0';
    }
    return text;
}

std::string newPlayerText(const std::string& name) {
    return sectionText({"MusicVolume=100", "SoundFXVolume=100", "LastScore=0", "Name=" + nameForFile(name),
                        "LastEpisode=1", "LastLevel=1", "ShowHelp=1"});
}

std::string keptPlayerText(int storedIndex, const std::string& name) {
    std::vector<std::string> entries = readSectionEntries(userSection(storedIndex));
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](std::string& e) { return !writableEntry(e); }),
                  entries.end());
    const std::string nameEntry = "Name=" + nameForFile(name);
    auto it =
        std::find_if(entries.begin(), entries.end(), [](const std::string& e) { return isKey(e, "Name"); });
    if (it != entries.end()) {
        *it = nameEntry;
    } else {
        entries.push_back(nameEntry);
    }
    return sectionText(entries);
}

bool writeThrough(const char* key, const std::string& value) {
    if (g_demo) return true;  // kept in memory, as the setters promise
    if (!selectUsers()) {
        selectMain();
        noteSaveFailure(g_usersFile);
        return false;
    }
    const bool written = setIniString(userSection(g_lastActiveUser).c_str(), key, value.c_str());
    const bool main = selectMain();
    if (!written) noteSaveFailure(g_usersFile);
    return written && main;
}

bool writeThrough(const char* key, int value) {
    return writeThrough(key, std::to_string(value));
}

}  // namespace

bool loadPlayers() {
    if (!selectMain()) return false;
    const std::string users = getIniString("Game", "IniUsers", "");
    g_usersNamed = users;
    bool ok = true;
    if (selectOrCreateUsers(users)) {
        g_usersFile = users;
        setCounts(getIniInt("User", "CountUser", 0), getIniInt("User", "LastActiveUser", 0));
    } else {
        ok = false;
    }
    if (!selectMain()) return false;
    return loadActivePlayer() && ok;
}

bool loadActivePlayer() {
    if (g_demo) return true;  // the demo's player stays until the demo ends
    if (!selectUsers()) return false;
    const std::string section = userSection(g_lastActiveUser);
    const char* s = section.c_str();
    PlayerRecord& p = g_player;
    p.MusicVolume = clampInt(getIniInt(s, "MusicVolume", 100), 0, 100);
    p.SoundFXVolume = clampInt(getIniInt(s, "SoundFXVolume", 100), 0, 100);
    p.ShowHints = getIniInt(s, "ShowHints", 1);
    p.Name = nameOfFile(getIniString(s, "Name", "Player"));
    p.GameSession = getIniInt(s, "GameSession", 0);
    p.UserProgress = getIniInt(s, "UserProgress", 11);
    p.UserScore = getIniInt(s, "UserScore", 0);
    p.UserLife = getIniInt(s, "UserLife", 3);
    p.UserTutorialStatus = getIniInt(s, "UserTutorialStatus", 0);
    p.TipStatus = parseTipStatus(getIniString(s, "TipStatus", ""));
    return selectMain();
}

std::vector<PlayerEntry> listPlayers() {
    std::vector<PlayerEntry> list;
    if (!selectUsers()) {
        selectMain();
        return list;
    }
    for (int i = 0; i < g_countUser; ++i) {
        const std::string section = userSection(i);
        list.push_back({nameOfFile(getIniString(section.c_str(), "Name", "")), i,
                        getIniInt(section.c_str(), "LastScore", 0)});
    }
    selectMain();
    return list;
}

bool commitPlayers(const std::vector<PlayerEntry>& entries, int activePosition) {
    if (g_demo) return false;
    if (!selectUsers()) {
        selectMain();
        noteSaveFailure(g_usersFile);
        return false;
    }
    const std::string usersPath = iniPath();
    // Every section is built from the file as it stands before any is
    // replaced: kept players move to positions other players held.
    const int n = std::min(static_cast<int>(entries.size()), kPlayerSections);
    std::vector<std::string> texts(kPlayerSections);
    for (int p = 0; p < n; ++p) {
        const PlayerEntry& e = entries[static_cast<size_t>(p)];
        if (e.storedIndex == -1) {
            texts[static_cast<size_t>(p)] = newPlayerText(e.name);
        } else if (e.storedIndex >= 0 && e.storedIndex < g_countUser) {
            texts[static_cast<size_t>(p)] = keptPlayerText(e.storedIndex, e.name);
        }
    }
    const int active = n == 0 ? 0 : clampInt(activePosition, 0, n - 1);

    // The eleven writes go to a copy that then replaces the file in one step:
    // a crash half way must not leave one player twice and another lost.
    const std::string staging = usersPath + ".commit";
    std::string content;
    bool ok = sys::readFile(usersPath, content) && sys::writeFileAtomic(staging, content) &&
              selectIniFile(staging, false);
    // Places past the list lose their section altogether.
    for (int p = 0; ok && p < kPlayerSections; ++p)
        ok = setIniSection(userSection(p).c_str(), p < n ? texts[static_cast<size_t>(p)].c_str() : nullptr);
    ok = ok && setIniString("User", "CountUser", std::to_string(n).c_str()) &&
         setIniString("User", "LastActiveUser", std::to_string(active).c_str());
    ok = ok && sys::readFile(staging, content) && sys::writeFileAtomic(usersPath, content);
    std::remove(staging.c_str());
    if (!ok) {
        debugCheck(false, "Cant load ini file : %s", staging.c_str());
        noteSaveFailure(usersPath);
        selectMain();
        return false;
    }

    setCounts(n, active);
    loadActivePlayer();
    selectMain();
    return true;
}

void beginDemoPlayer(const PlayerRecord& record) {
    if (!g_demo) g_beforeDemo = g_player;
    g_demo = true;
    g_player = record;
}

void endDemoPlayer() {
    if (!g_demo) return;
    g_demo = false;
    g_player = g_beforeDemo;
}

bool demoPlayerActive() { return g_demo; }

const PlayerRecord& activePlayer() {
    return g_player;
}

int player::TipStatus(int index) {
    return index >= 0 && index < kTipStatusCount ? g_player.TipStatus[static_cast<size_t>(index)] : 0;
}
int player::CountUser() {
    return g_countUser;
}
int player::LastActiveUser() {
    return g_lastActiveUser;
}

const std::string& usersFile() {
    return g_usersFile;
}

std::string usersFileForMessage() {
    return iniFileForMessage(g_usersFile.empty() ? g_usersNamed : g_usersFile, "IniUsers");
}

bool setMusicVolume(int volume) {
    g_player.MusicVolume = clampInt(volume, 0, 100);
    return writeThrough("MusicVolume", g_player.MusicVolume);
}

bool setSoundFXVolume(int volume) {
    g_player.SoundFXVolume = clampInt(volume, 0, 100);
    return writeThrough("SoundFXVolume", g_player.SoundFXVolume);
}

bool setGameSession(int value) {
    g_player.GameSession = value;
    return writeThrough("GameSession", value);
}

bool setUserProgress(int value) {
    g_player.UserProgress = value;
    return writeThrough("UserProgress", value);
}

bool setUserScore(int value) {
    g_player.UserScore = value;
    return writeThrough("UserScore", value);
}

bool setUserLife(int value) {
    g_player.UserLife = value;
    return writeThrough("UserLife", value);
}

bool setUserTutorialStatus(int value) {
    g_player.UserTutorialStatus = value;
    return writeThrough("UserTutorialStatus", value);
}

bool toggleShowHints() {
    g_player.ShowHints = g_player.ShowHints == 0 ? 1 : 0;
    return writeThrough("ShowHints", g_player.ShowHints);
}

bool setTipStatus(int index, int value) {
    if (index < 0 || index >= kTipStatusCount) return false;
    g_player.TipStatus[static_cast<size_t>(index)] = value;
    return writeThrough("TipStatus", formatTipStatus(g_player.TipStatus));
}

int tipStatusIndex(int tipNumber) {
    if (tipNumber >= 11 && tipNumber <= 18) return tipNumber - 11;
    if (tipNumber >= 51 && tipNumber <= 60) return tipNumber - 43;
    return -1;
}

std::string formatTipStatus(const std::array<int, kTipStatusCount>& flags) {
    std::string text;
    for (int f : flags) text += std::to_string(f) + " ";
    return text;
}

std::array<int, kTipStatusCount> parseTipStatus(const std::string& text) {
    std::array<int, kTipStatusCount> flags{};
    std::istringstream in(text);
    for (int& f : flags) {
        int v = 0;
        if (!(in >> v)) break;
        f = v;
    }
    return flags;
}

std::string cleanPlayerName(const std::string& name) {
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) out += c;
    }
    return trimmed(out);
}

void noteSaveFailure(const std::string& file) {
    ++g_saveFailures;
    if (!g_saveWarning.file.empty()) return;  // the first failure is the one to tell
    const bool plain = file.find_first_of("/\\") == std::string::npos;
    g_saveWarning.file = file.empty() ? "(no users file)" : plain ? makeDataPath(file) : file;
    g_saveWarning.reason = lastWriteError();
    if (g_saveWarning.reason.empty()) g_saveWarning.reason = "the file could not be written";
    std::fprintf(stderr, "Cannot save to %s: %s\n", g_saveWarning.file.c_str(), g_saveWarning.reason.c_str());
}

int saveFailureCount() { return g_saveFailures; }
const SaveWarning& firstSaveFailure() { return g_saveWarning; }

SaveWarning takeSaveWarning() {
    if (g_saveWarning.file.empty() || g_saveWarningTaken) return {};
    g_saveWarningTaken = true;
    return g_saveWarning;
}

void resetPlayersForTests() {
    g_saveFailures = 0;
    g_saveWarning = SaveWarning();
    g_saveWarningTaken = false;
    g_player = PlayerRecord();
    g_demo = false;
    g_beforeDemo = PlayerRecord();
    g_countUser = 0;
    g_lastActiveUser = 0;
    g_usersFile.clear();
    g_usersNamed.clear();
}
