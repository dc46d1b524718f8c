// Level definitions: one section of the levels file per level, read into one
// process-wide set of parameters that the field, the gun, the bonuses, the
// scenery and the HUD consult while the level runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Field units: 12 x 9 over the 800 x 600 screen, y down. The level
// generator lays out its outlines at the exact scale; the game works in float.
constexpr double kPixelsPerUnitExact = 800.0 / 12.0;
constexpr float kPixelsPerUnit = static_cast<float>(kPixelsPerUnitExact);
constexpr float kMagnetCentreXPx = 400.0f;
constexpr float kMagnetCentreYPx = 269.0f;
constexpr int kMaxColours = 8;

struct LevelParams {
    int Door = 0;
    int Back = 0;
    int Magnet = 0;
    int bombchance = 1000;
    int ColorsMax = 5;
    int BallsSpawn = 5;
    int BallsSpawnMiss = 10;
    int BallsSpawnRotate = 10;
    int BallsInitialSpawn = 100;
    std::string LevelName = "Vellmoor";
    int Time = 60;
    int SpawnGunNo = 0;
    int MagnetGravity = 10;
    int GlobalGravity = 0;
    std::string MagnetVertices = "0";
    std::string MagnetIndices = "0";
    std::string WallVertices = "0";
    std::string WallIndices = "0";
    std::string BallsVertices = "0";
    std::string BallsIndices = "0";
    int BallSize = 100;
    int MagnetMass = 100;
    float magnetMass = 1.0f;  // MagnetMass / 100
    int MaxBalls = 100;
    int MaxFreeBalls = 2;
    int FreeBallChance = 10;
    int FreeBallType = 0;
    int BonusChance = 0;
    int StartFreeBall = 0;
    int LvlBonus = 0;
};

// The current level's values (read-only for everyone but the loader; tests
// and the level checker write them through mutableLevelParams).
const LevelParams& levelParams();
LevelParams& mutableLevelParams();
void resetLevelParams();

// Start-up of the campaign: the levels file named by IniLevels of the main
// settings file (always the installed game's, so a new version's levels
// reach every player), its episode table and the spawn-gun table. False when
// the levels file cannot be read; the game goes on with the defaults.
bool loadCampaign();
// The campaign, then the players store (loadPlayers); false when either
// failed. Both are attempted: without the players the profile screen would
// create players that can never be stored.
bool loadStartup();

// The levels file; set at start-up from IniLevels. When nothing was
// set, IniLevels of the current settings file is read on first use.
void setLevelsFile(const std::string& path);
std::string levelsFile();

// Reads section "Level<levelNumber>-<variant>" of the levels file. Returns
// false (params untouched) when the file cannot be selected.
bool loadLevel(int levelNumber, int variant);
// Applies the clamps and derived values; used by loadLevel and the checker.
void finishLevelParams(LevelParams& p);
// Reads one level section from the current ini file into p (no file switch).
void readLevelSection(LevelParams& p, const std::string& section);

// Mesh lists: a count n, then n numbers.
struct Mesh {
    std::vector<float> vertices;   // x, y, z triples
    std::vector<uint32_t> indices;  // three per triangle
    int vertexCount() const { return static_cast<int>(vertices.size() / 3); }
    int triangleCount() const { return static_cast<int>(indices.size() / 3); }
};
// Parses "n v1 .. vn"; false when the count is missing, 0, negative, or fewer
// than n values follow.
bool parseFloatList(const std::string& text, std::vector<float>& out);
bool parseIntList(const std::string& text, std::vector<int>& out);
// A usable triangle mesh: both counts non-zero, at least one whole triangle,
// every index inside the vertex list.
bool parseMesh(const std::string& vertices, const std::string& indices, Mesh& out);

struct InitialBall {
    int type;
    float x, y;  // field units; (0, 0) asks for automatic placement
};
// Colours at or above ColorsMax (other than the bonus ball, 11) become
// ColorsMax - 1; negative colours become 0.
bool parseBalls(const std::string& vertices, const std::string& indices, int colorsMax,
                std::vector<InitialBall>& out);

// Automatic placement of an initial ball: h is the field's next object id,
// advanced past the cells that lie in the empty circle around the centre.
void autoPlacement(int ballsInitialSpawn, int& h, float& x, float& y);

// Magnet picture of levels 1..9 of the loaded level's episode (clamped index).
int magnetOfLevel(int i);

// [GameTuning] RotateBalls and [Debug] Spawngunpos of the settings file
// (readTuning reads both; the game actor calls it when it is built).
void readTuning();
bool rotateBalls();
void setRotateBalls(bool on);
void readSpawnGunTable();
void parseSpawnGunTable(const std::string& text);
int spawnGunLeftX(int back);
int spawnGunRightX(int back);
int spawnGunY(int back);

// Episode table ([Episodes] of the levels file, read by the players store).
void setEpisodeTable(int episodes, const std::string& levels);
int episodes();
int levelsInEpisode(int e);
// A saved level number (episode * 10 + level) moved onto a level the levels
// file has: past an episode's end to its last level, past the last episode
// to the campaign's last level.
int clampProgress(int n);

// Accessors named after the keys.
namespace level {
inline int Door() { return levelParams().Door; }
inline int Back() { return levelParams().Back; }
inline int Magnet() { return levelParams().Magnet; }
inline int ColorsMax() { return levelParams().ColorsMax; }
inline int BallsSpawnMiss() { return levelParams().BallsSpawnMiss; }
inline int BallsInitialSpawn() { return levelParams().BallsInitialSpawn; }
inline const std::string& LevelName() { return levelParams().LevelName; }
inline int Time() { return levelParams().Time; }
inline int SpawnGunNo() { return levelParams().SpawnGunNo; }
inline int MagnetGravity() { return levelParams().MagnetGravity; }
inline int GlobalGravity() { return levelParams().GlobalGravity; }
inline int BallSize() { return levelParams().BallSize; }
inline float MagnetMass() { return levelParams().magnetMass; }
inline int MaxBalls() { return levelParams().MaxBalls; }
inline int FreeBallType() { return levelParams().FreeBallType; }
inline int StartFreeBall() { return levelParams().StartFreeBall; }
inline int LvlBonus() { return levelParams().LvlBonus; }
inline float ballSizeFactor() { return 0.4f + 0.006f * static_cast<float>(levelParams().BallSize); }
inline float ballRadius() { return ballSizeFactor() * 0.38f; }
}  // namespace level
