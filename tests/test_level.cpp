// Level definitions: the levels file, its defaults and clamps, the mesh and
// ball lists, automatic placement and the settings-file tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "frame/settings.h"
#include "game/level.h"
#include "res/texts.h"

namespace fs = std::filesystem;

namespace {

const char* kMeshKeys =
    "MagnetVertices=9 0 0 0 1 0 0 0 1 0\n"
    "MagnetIndices=3 0 1 2\n"
    "WallVertices=9 0 0 0 1 0 0 0 1 0\n"
    "WallIndices=3 0 1 2\n"
    "BallsVertices=2 1 1\n"
    "BallsIndices=1 0\n";

class LevelFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing::TempDir() + "vm_level_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir);
        resetSettingsForTests();
        setDataFolderForTests(dir);
        std::ofstream(dir + "vm_game.ini") << "[Game]\nIniLevels=levels.ini\n";
        ASSERT_TRUE(selectIniFile("vm_game.ini", false));
        resetLevelParams();
        setLevelsFile(dir + "levels.ini");
    }
    void TearDown() override {
        resetLevelParams();
        setLevelsFile("");
        resetSettingsForTests();
        fs::remove_all(dir);
    }
    void writeLevels(const std::string& text) { std::ofstream(dir + "levels.ini") << text; }
    std::string dir;
};

TEST_F(LevelFileTest, SectionWithOnlyMeshesTakesEveryDefault) {
    writeLevels(std::string("[Level11-0]\n") + kMeshKeys);
    ASSERT_TRUE(loadLevel(11, 0));
    const LevelParams& p = levelParams();
    EXPECT_EQ(p.Time, 60);
    EXPECT_EQ(p.ColorsMax, 5);
    EXPECT_EQ(p.MaxBalls, 100);
    EXPECT_EQ(p.BallsSpawnMiss, 10);
    EXPECT_EQ(p.MagnetGravity, 10);
    EXPECT_EQ(p.GlobalGravity, 0);
    EXPECT_EQ(p.LevelName, "Vellmoor");
    EXPECT_EQ(p.BallSize, 100);
    EXPECT_FLOAT_EQ(p.magnetMass, 1.0f);
    EXPECT_EQ(p.BallsIndices, "1 0");
    // The main settings file is current again afterwards.
    EXPECT_EQ(getIniString("Game", "IniLevels", ""), "levels.ini");
}

TEST_F(LevelFileTest, ClampsAndDerivedValues) {
    writeLevels(
        "[Level11-0]\nBallSize=0\nMagnetMass=50\nColorsMax=0\n"
        "[Level12-0]\nBallSize=250\nColorsMax=12\n"
        "[Level13-0]\nColorsMax=-3\nBallSize=x\n");
    ASSERT_TRUE(loadLevel(11, 0));
    EXPECT_EQ(levelParams().BallSize, 1);
    EXPECT_NEAR(level::ballRadius(), 0.38 * 0.406, 1e-6);
    EXPECT_FLOAT_EQ(level::MagnetMass(), 0.5f);
    // A colour count of 0 would divide by zero in every colour draw.
    EXPECT_EQ(level::ColorsMax(), 1);
    ASSERT_TRUE(loadLevel(12, 0));
    EXPECT_EQ(levelParams().BallSize, 100);
    EXPECT_NEAR(level::ballRadius(), 0.38, 1e-6);
    // Colours 8 and up are the special balls.
    EXPECT_EQ(level::ColorsMax(), 8);
    ASSERT_TRUE(loadLevel(13, 0));
    EXPECT_EQ(level::ColorsMax(), 1);
    EXPECT_EQ(levelParams().BallSize, 1);  // non-numeric reads 0, clamped
}

TEST_F(LevelFileTest, Level47ReadsItsSectionAndTheEpisodeMagnets) {
    std::string text;
    for (int i = 1; i <= 9; ++i) {
        text += "[Level4" + std::to_string(i) + "-0]\nMagnet=" + std::to_string(10 + i) + "\n";
        if (i == 7) text += "Time=33\nLevelName=Deep Cog\n";
    }
    text += "[Level51-0]\nMagnet=99\n[Level47-1]\nTime=1\n";
    writeLevels(text);
    ASSERT_TRUE(loadLevel(47, 0));
    EXPECT_EQ(levelParams().Time, 33);
    EXPECT_EQ(levelParams().LevelName, "Deep Cog");
    // In another language the title comes from its texts, keyed by episode
    // and level ("4-7"), not by the section's number.
    loadTextsFromMemory("LEVELNAME_4-7   Tiefes Zahnrad\nLEVELNAME_47-0   wrong\n");
    ASSERT_TRUE(loadLevel(47, 0));
    EXPECT_EQ(levelParams().LevelName, "Tiefes Zahnrad");
    loadTextsFromMemory("");
    EXPECT_EQ(magnetOfLevel(1), 11);
    EXPECT_EQ(magnetOfLevel(9), 19);
    EXPECT_EQ(magnetOfLevel(0), 11);
    EXPECT_EQ(magnetOfLevel(12), 19);
    EXPECT_EQ(magnetOfLevel(-5), 11);
}

TEST_F(LevelFileTest, MissingLevelsFileLeavesParametersAlone) {
    writeLevels("[Level11-0]\nTime=99\n");
    ASSERT_TRUE(loadLevel(11, 0));
    setLevelsFile(dir + "nowhere.ini");
    EXPECT_FALSE(loadLevel(12, 0));
    EXPECT_EQ(levelParams().Time, 99);
    EXPECT_EQ(getIniString("Game", "IniLevels", ""), "levels.ini");
}

TEST_F(LevelFileTest, TheCampaignIsReadAndTheMainFileSelectedAgain) {
    writeLevels("[Episodes]\nEpisodes=2\nLevels=3 4 5\n");
    std::ofstream(dir + "vm_game.ini") << "[Game]\nIniLevels=" << dir << "levels.ini\n";
    ASSERT_TRUE(loadCampaign());
    EXPECT_EQ(episodes(), 2);
    EXPECT_EQ(levelsInEpisode(1), 4);
    EXPECT_EQ(getIniString("Game", "IniLevels", ""), dir + "levels.ini");
}

TEST_F(LevelFileTest, TuningAndSpawnGunTableFromTheSettingsFile) {
    std::ofstream(dir + "vm_game.ini") << "[GameTuning]\nRotateBalls=2\n[Debug]\nSpawngunpos=1 2 3 4 5 6 7\n";
    readTuning();
    EXPECT_FALSE(rotateBalls());
    readSpawnGunTable();
    EXPECT_EQ(spawnGunLeftX(0), 1);
    EXPECT_EQ(spawnGunY(1), 6);
    EXPECT_EQ(spawnGunLeftX(2), 7);
    EXPECT_EQ(spawnGunRightX(2), 0);  // missing values stay 0
    EXPECT_EQ(spawnGunLeftX(-4), 1);  // clamped to 0..10
    EXPECT_EQ(spawnGunLeftX(40), 0);
    std::ofstream(dir + "vm_game.ini") << "[Debug]\n";
    readTuning();
    EXPECT_TRUE(rotateBalls());
}

TEST(LevelLists, MeshListsNeedWholeTrianglesInsideTheVertexList) {
    Mesh m;
    EXPECT_TRUE(parseMesh("9 0 0 0 1 0 0 0 1 0", "3 0 1 2", m));
    EXPECT_EQ(m.vertexCount(), 3);
    EXPECT_EQ(m.triangleCount(), 1);
    EXPECT_FALSE(parseMesh("0", "3 0 1 2", m));                   // default "0"
    EXPECT_FALSE(parseMesh("9 0 0 0 1 0 0 0 1", "3 0 1 2", m));   // fewer values than counted
    EXPECT_FALSE(parseMesh("9 0 0 0 1 0 0 0 1 0", "3 0 1 3", m));  // index past the vertices
    EXPECT_FALSE(parseMesh("9 0 0 0 1 0 0 0 1 0", "3 0 -1 2", m));
    EXPECT_FALSE(parseMesh("9 0 0 0 1 0 0 0 1 0", "2 0 1", m));  // no whole triangle
    EXPECT_FALSE(parseMesh("", "", m));
    EXPECT_FALSE(parseMesh("x", "3 0 1 2", m));
    // Extra values past the count are ignored.
    EXPECT_TRUE(parseMesh("9 0 0 0 1 0 0 0 1 0 5 5", "4 0 1 2 7", m));
    EXPECT_EQ(m.triangleCount(), 1);
}

TEST(LevelLists, BallColoursAreSubstituted) {
    std::vector<InitialBall> balls;
    ASSERT_TRUE(parseBalls("8 1 2 3 4 5 6 0 0", "4 9 11 -2 2", 5, balls));
    ASSERT_EQ(balls.size(), 4u);
    EXPECT_EQ(balls[0].type, 4);
    EXPECT_EQ(balls[1].type, 11);
    EXPECT_EQ(balls[2].type, 0);
    EXPECT_EQ(balls[3].type, 2);
    EXPECT_FLOAT_EQ(balls[1].x, 3.0f);
    EXPECT_FLOAT_EQ(balls[1].y, 4.0f);
    EXPECT_FALSE(parseBalls("2 1 2", "2 0 0", 5, balls));  // positions for one ball only
}

TEST(LevelLists, AutomaticPlacementFillsColumnsAroundTheCentre) {
    int h = 2;  // magnet and walls come first
    float x = 0, y = 0;
    autoPlacement(100, h, x, y);  // g = 11
    EXPECT_EQ(h, 2);
    EXPECT_NEAR(x, 0.5 / 11 * 12, 1e-5);
    EXPECT_NEAR(y, 2.5 / 11 * 9, 1e-5);
    // Column 5, row 5 is the centre cell: it and its neighbours are skipped.
    h = 5 * 11 + 4;
    autoPlacement(100, h, x, y);
    EXPECT_GT(h, 5 * 11 + 4);
    EXPECT_GT((x - 6) * (x - 6) + (y - 4.5) * (y - 4.5), 4.32);
}

TEST(LevelLists, EpisodeTable) {
    setEpisodeTable(2, "5 6 7 8 9");
    EXPECT_EQ(episodes(), 2);
    EXPECT_EQ(levelsInEpisode(0), 5);
    EXPECT_EQ(levelsInEpisode(2), 7);
    EXPECT_EQ(levelsInEpisode(12), 0);
    setEpisodeTable(11, "");
}

}  // namespace
