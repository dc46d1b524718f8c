#include "game/level.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "frame/errors.h"
#include "frame/settings.h"
#include "players/players.h"
#include "res/texts.h"

namespace {

LevelParams g_params;
std::string g_levelsFile;
int g_magnetOfLevel[10] = {};
bool g_rotateBalls = true;
int g_spawnGunTable[33] = {};
int g_episodes = 11;
int g_levels[12] = {};

int clampInt(int v, int lo, int hi) { return std::max(lo, std::min(hi, v)); }

std::string readString(const char* section, const char* key, const char* def) {
    return getIniString(section, key, def);
}

}  // namespace

const LevelParams& levelParams() { return g_params; }
LevelParams& mutableLevelParams() { return g_params; }
void resetLevelParams() {
    g_params = LevelParams();
    std::fill(std::begin(g_magnetOfLevel), std::end(g_magnetOfLevel), 0);
}

void setLevelsFile(const std::string& path) { g_levelsFile = path; }

std::string levelsFile() {
    if (g_levelsFile.empty()) g_levelsFile = readString("Game", "IniLevels", "vm_levels.ini");
    return g_levelsFile;
}

void finishLevelParams(LevelParams& p) {
    p.BallSize = clampInt(p.BallSize, 1, 100);
    // Colour draws take rand() modulo ColorsMax and colours 8.. are the
    // special balls: keep the count to the colours that exist.
    p.ColorsMax = clampInt(p.ColorsMax, 1, kMaxColours);
    p.magnetMass = static_cast<float>(p.MagnetMass) / 100.0f;
}

void readLevelSection(LevelParams& p, const std::string& section) {
    const char* s = section.c_str();
    p.Door = getIniInt(s, "Door", 0);
    p.Back = getIniInt(s, "Back", 0);
    p.Magnet = getIniInt(s, "Magnet", 0);
    p.bombchance = getIniInt(s, "bombchance", 1000);
    p.ColorsMax = getIniInt(s, "ColorsMax", 5);
    p.BallsSpawn = getIniInt(s, "BallsSpawn", 5);
    p.BallsSpawnMiss = getIniInt(s, "BallsSpawnMiss", 10);
    p.BallsSpawnRotate = getIniInt(s, "BallsSpawnRotate", 10);
    p.BallsInitialSpawn = getIniInt(s, "BallsInitialSpawn", 100);
    p.LevelName = readString(s, "LevelName", "Vellmoor");
    // The title in the player's language, when the texts have one: section
    // "Level13-0" is level 3 of episode 1, whose title is "LEVELNAME_1-3".
    int number = 0;
    if (std::sscanf(section.c_str(), "Level%d-", &number) == 1 && number > 0)
        if (const std::string title = getText("LEVELNAME_" + std::to_string(number / 10) + "-" +
                                              std::to_string(number % 10));
            !title.empty())
            p.LevelName = title;
    p.Time = getIniInt(s, "Time", 60);
    p.SpawnGunNo = getIniInt(s, "SpawnGunNo", 0);
    p.MagnetGravity = getIniInt(s, "MagnetGravity", 10);
    p.GlobalGravity = getIniInt(s, "GlobalGravity", 0);
    p.MagnetVertices = readString(s, "MagnetVertices", "0");
    p.MagnetIndices = readString(s, "MagnetIndices", "0");
    p.WallVertices = readString(s, "WallVertices", "0");
    p.WallIndices = readString(s, "WallIndices", "0");
    p.BallsVertices = readString(s, "BallsVertices", "0");
    p.BallsIndices = readString(s, "BallsIndices", "0");
    p.BallSize = getIniInt(s, "BallSize", 100);
    p.MagnetMass = getIniInt(s, "MagnetMass", 100);
    p.MaxBalls = getIniInt(s, "MaxBalls", 100);
    p.MaxFreeBalls = getIniInt(s, "MaxFreeBalls", 2);
    p.FreeBallChance = getIniInt(s, "FreeBallChance", 10);
    p.FreeBallType = getIniInt(s, "FreeBallType", 0);
    p.BonusChance = getIniInt(s, "BonusChance", 0);
    p.StartFreeBall = getIniInt(s, "StartFreeBall", 0);
    p.LvlBonus = getIniInt(s, "LvlBonus", 0);
    finishLevelParams(p);
}

bool loadLevel(int levelNumber, int variant) {
    char message[512];
    const std::string path = levelsFile();
    if (!selectIniFile(path, false)) {
        // Nobody is told: the level keeps the previous parameters.
        std::snprintf(message, sizeof message, "Cant load ini file : %s", path.c_str());
        return false;
    }
    char section[64];
    std::snprintf(section, sizeof section, "Level%d-%d", levelNumber, variant);
    readLevelSection(g_params, section);
    for (int i = 1; i <= 9; ++i) {
        std::snprintf(section, sizeof section, "Level%d-%d", levelNumber / 10 * 10 + i, variant);
        g_magnetOfLevel[i] = getIniInt(section, "Magnet", 0);
    }
    if (!selectIniFile("vm_game.ini", false)) {
        std::snprintf(message, sizeof message, "Cant load ini file : %s", "vm_game.ini");
        return false;
    }
    return true;
}

int magnetOfLevel(int i) { return g_magnetOfLevel[clampInt(i, 1, 9)]; }

namespace {
// "n v1 ... vn": the count, then at least that many numbers of type T.
template <typename T>
bool parseNumberList(const std::string& text, std::vector<T>& out) {
    out.clear();
    std::istringstream in(text);
    long long n = 0;
    if (!(in >> n) || n <= 0 || n > 10'000'000) return false;
    // Each number takes two characters at least: the count cannot make the
    // list reserve more than the text can fill.
    out.reserve(std::min(static_cast<size_t>(n), text.size() / 2 + 1));
    for (long long i = 0; i < n; ++i) {
        T v{};
        if (!(in >> v)) {
            out.clear();
            return false;
        }
        out.push_back(v);
    }
    return true;
}
}  // namespace

bool parseFloatList(const std::string& text, std::vector<float>& out) { return parseNumberList(text, out); }

bool parseIntList(const std::string& text, std::vector<int>& out) { return parseNumberList(text, out); }

bool parseMesh(const std::string& vertices, const std::string& indices, Mesh& out) {
    out = Mesh();
    std::vector<float> v;
    std::vector<int> ix;
    if (!parseFloatList(vertices, v) || !parseIntList(indices, ix)) return false;
    const size_t vertexCount = v.size() / 3;
    const size_t triangleCount = ix.size() / 3;
    if (vertexCount == 0 || triangleCount == 0) return false;
    for (float f : v)
        if (!std::isfinite(f)) return false;
    // An index outside the vertex list would make the collider read past it.
    for (size_t i = 0; i < triangleCount * 3; ++i)
        if (ix[i] < 0 || static_cast<size_t>(ix[i]) >= vertexCount) return false;
    out.vertices.assign(v.begin(), v.begin() + static_cast<long>(vertexCount * 3));
    out.indices.reserve(triangleCount * 3);
    for (size_t i = 0; i < triangleCount * 3; ++i) out.indices.push_back(static_cast<uint32_t>(ix[i]));
    return true;
}

bool parseBalls(const std::string& vertices, const std::string& indices, int colorsMax,
                std::vector<InitialBall>& out) {
    out.clear();
    std::vector<float> v;
    std::vector<int> colours;
    if (!parseFloatList(vertices, v) || !parseIntList(indices, colours)) return false;
    if (v.size() < colours.size() * 2) return false;
    for (size_t i = 0; i < colours.size(); ++i) {
        int c = colours[i];
        if (c < 0) c = 0;
        if (c >= colorsMax && c != 11) c = colorsMax - 1;
        float x = v[2 * i], y = v[2 * i + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) x = y = 0.0f;
        out.push_back({c, x, y});
    }
    return true;
}

void autoPlacement(int ballsInitialSpawn, int& h, float& x, float& y) {
    const int g = std::max(1, static_cast<int>(std::floor(std::sqrt(static_cast<double>(
                                                              std::max(0, ballsInitialSpawn))) +
                                                          1.0)));
    for (;;) {
        x = static_cast<float>((static_cast<double>(h / g) + 0.5) / g * 12.0);
        y = static_cast<float>((static_cast<double>(h % g) + 0.5) / g * 9.0);
        const double dx = x - 6.0, dy = y - 4.5;
        if (dx * dx + dy * dy > 4.32) return;
        ++h;
    }
}

void readTuning() {
    g_rotateBalls = getIniInt("GameTuning", "RotateBalls", 1) == 1;
    readSpawnGunTable();
}
bool rotateBalls() { return g_rotateBalls; }
void setRotateBalls(bool on) { g_rotateBalls = on; }

void parseSpawnGunTable(const std::string& text) {
    std::fill(std::begin(g_spawnGunTable), std::end(g_spawnGunTable), 0);
    std::istringstream in(text);
    for (int& v : g_spawnGunTable)
        if (!(in >> v)) break;
}

void readSpawnGunTable() { parseSpawnGunTable(readString("Debug", "Spawngunpos", "")); }
int spawnGunLeftX(int back) { return g_spawnGunTable[clampInt(back, 0, 10) * 3]; }
int spawnGunRightX(int back) { return g_spawnGunTable[clampInt(back, 0, 10) * 3 + 1]; }
int spawnGunY(int back) { return g_spawnGunTable[clampInt(back, 0, 10) * 3 + 2]; }

void setEpisodeTable(int count, const std::string& levels) {
    g_episodes = count;
    std::fill(std::begin(g_levels), std::end(g_levels), 0);
    std::istringstream in(levels);
    for (int e = 0; e < std::min(count + 1, 12); ++e)
        if (!(in >> g_levels[e])) break;
}
int episodes() { return g_episodes; }

int clampProgress(int n) {
    if (n < 1) return 1;
    int e = n / 10, l = n % 10;
    // A newer levels file may have fewer episodes or shorter ones than the
    // saved game knew: carry on at the last level that still exists.
    if (e > g_episodes) e = g_episodes, l = 9;
    const int count = levelsInEpisode(e);
    if (count > 0 && l > count) l = count;
    return e * 10 + std::max(l, 1);
}
int levelsInEpisode(int e) { return e >= 0 && e < 12 ? g_levels[e] : 0; }

bool loadCampaign() {
    const std::string levels = getIniString("Game", "IniLevels", "");
    const std::string guns = getIniString("Debug", "Spawngunpos", "");
    bool ok = true;
    // A plain name is resolved in the game's own folder, never copied into
    // the player's.
    const bool plain = levels.find_first_of("/\\") == std::string::npos;
    const std::string levelsPath = plain && !levels.empty() ? "./" + levels : levels;
    if (!levels.empty() && selectIniFile(levelsPath, false)) {
        setLevelsFile(levelsPath);
        setEpisodeTable(getIniInt("Episodes", "Episodes", 11), getIniString("Episodes", "Levels", ""));
        // Every access to another file leaves the main one selected.
        if (!selectIniFile(kMainSettingsFile, false)) {
            debugCheck(false, "Cant load ini file : %s", kMainSettingsFile);
            ok = false;
        }
    } else {
        debugCheck(false, "Cant load ini file : %s", iniFileForMessage(levels, "IniLevels").c_str());
        ok = false;
    }
    if (!guns.empty()) parseSpawnGunTable(guns);
    return ok;
}

bool loadStartup() {
    const bool campaign = loadCampaign();
    const bool players = loadPlayers();
    return campaign && players;
}
