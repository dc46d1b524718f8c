#include "players/highscores.h"

#include <cstdio>

#include "frame/errors.h"
#include "frame/settings.h"
#include "frame/text_encoding.h"
#include "players/players.h"

namespace {

constexpr const char* kSection = "Top10";
constexpr const char* kMainIni = "vm_game.ini";

const HighScoreEntry kDefaults[10] = {
    {100000, "Brandwick"}, {90000, "Quorrin"}, {80000, "Orvane"},   {70000, "Rookclaw"}, {60000, "Sturnel"},
    {50000, "Mr. Wrenley"}, {40000, "Outlander"}, {30000, "Torvik"}, {20000, "Brannock"}, {10000, "Grimshade"},
};

std::string key(const char* stem, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_%d", stem, i);
    return name;
}

bool selectUsersFile() {
    if (!usersFile().empty() && selectIniFile(usersFile(), false)) return true;
    debugCheck(false, "Cant load ini file : %s", usersFileForMessage().c_str());
    return false;
}

bool writeTable(const HighScoreTable& table) {
    if (demoPlayerActive()) return false;  // the demo's scores count for nobody
    // One section write: the table is replaced as a whole or not at all.
    std::string text;
    for (int i = 0; i < 10; ++i) {
        const HighScoreEntry& e = table[static_cast<size_t>(i)];
        text += key("score", i) + "=" + std::to_string(e.score);
        text.push_back('\0');
        text += key("name", i) + "=" + fileText(cleanPlayerName(e.name));
        text.push_back('\0');
    }
    if (setIniSection(kSection, text.c_str())) return true;
    noteSaveFailure(usersFile());
    return false;
}

}  // namespace

std::string defaultTopTenText() {
    std::string text = std::string("[") + kSection + "]\n";
    for (int i = 0; i < 10; ++i)
        text += key("score", i) + "=" + std::to_string(kDefaults[i].score) + "\n" + key("name", i) + "=" +
                kDefaults[i].name + "\n";
    return text;
}

HighScoreTable loadHighScores() {
    HighScoreTable table;
    const bool selected = selectUsersFile();
    int defaultsUsed = 0;
    for (int i = 0; i < 10; ++i) {
        HighScoreEntry& e = table[static_cast<size_t>(i)];
        e.score = selected ? getIniInt(kSection, key("score", i).c_str(), 0) : 0;
        e.name = selected ? cleanPlayerName(fontTextOfFile(getIniString(kSection, key("name", i).c_str(), ""))) : "";
        if (e.score == 0) {
            e.score = kDefaults[i].score;
            e.name = kDefaults[defaultsUsed].name;
            ++defaultsUsed;
        }
    }
    if (selected && defaultsUsed > 0) writeTable(table);
    selectIniFile(kMainIni, false);
    return table;
}

bool saveHighScores(const HighScoreTable& table) {
    bool saved = false;
    if (selectUsersFile())
        saved = writeTable(table);
    else
        noteSaveFailure(usersFile());
    selectIniFile(kMainIni, false);
    return saved;
}

bool insertHighScore(HighScoreTable& table, int score, const std::string& name) {
    if (score < 1) return false;
    size_t p = 10;
    while (p > 0 && score > table[p - 1].score) {
        if (p < 10) table[p] = table[p - 1];
        --p;
    }
    if (p >= 10) return false;
    table[p] = HighScoreEntry{score, name};
    return saveHighScores(table);
}

bool insertHighScore(const std::string& name, int score) {
    HighScoreTable table = loadHighScores();
    return insertHighScore(table, score, name);
}
