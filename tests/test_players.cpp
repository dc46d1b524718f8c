// The players store: start-up load and first run, the active player's record
// and its write-through setters, the player list and its commit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/errors.h"
#include "frame/profile.h"
#include "frame/settings.h"
#include "game/level.h"
#include "players/highscores.h"
#include "players/players.h"

namespace fs = std::filesystem;

namespace {

const char* kGameIni =
    "[Game]\nIniLevels=vm_levels.ini\nIniUsers=vm_users.ini\n"
    "[Debug]\nSpawngunpos=10 20 30 11 21 31 12 22 32 13 23 33 14 24 34 15 25 35 16 26 36 17 27 37 18 28 38 "
    "19 29 39 70 80 90\n";

const char* kLevelsIni = "[Episodes]\nEpisodes=11\nLevels=3 9 9 9 9 9 9 9 9 9 9 9\n";

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The keys of a section as "key=value;..." (order kept).
std::string sectionOf(const std::string& file, const char* section) {
    std::vector<char> buffer(1 << 20);
    const int n = profileGetSection(file, section, buffer.data(), static_cast<int>(buffer.size()));
    std::string out;
    for (int i = 0; i < n;) {
        const std::string entry(buffer.data() + i);
        out += entry + ";";
        i += static_cast<int>(entry.size()) + 1;
    }
    return out;
}

class PlayersTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing::TempDir() + "vm_players_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir + "program");
        fs::create_directories(dir + "data");
        oldCwd = fs::current_path();
        fs::current_path(dir + "program");  // shipped defaults are "./name"
        resetAll();
        setDataFolderForTests(dir + "data");
        writeText(data("vm_game.ini"), kGameIni);
        writeText(program("vm_levels.ini"), kLevelsIni);
        ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        resetAll();
        fs::remove_all(dir);
    }
    void resetAll() {
        resetSettingsForTests();
        resetPlayersForTests();
        setLevelsFile("");
        setEpisodeTable(11, "");
        parseSpawnGunTable("");
        clearDebugLog();
    }
    std::string data(const std::string& name) const { return dir + "data/" + name; }
    std::string program(const std::string& name) const { return dir + "program/" + name; }
    std::string users() const { return data("vm_users.ini"); }
    void expectMainCurrent() const { EXPECT_EQ(iniPath(), data("vm_game.ini")); }

    std::string dir;
    fs::path oldCwd;
};

// ---------------------------------------------------------------------------
// Start-up

TEST_F(PlayersTest, FirstRunCreatesTheUsersFileAndGivesDefaults) {
    // Levels come with the program and are read there, never copied; a users
    // file beside the program is not the player's and must not be taken.
    writeText(program("vm_levels.ini"), "[Episodes]\nLevels=3 1 2 3 4 5 6 7 8 9 10 11 12 13\n");
    writeText(program("vm_users.ini"), "[User]\nCountUser=1\n[User0]\nName=Shipped\n");

    ASSERT_TRUE(loadStartup());
    expectMainCurrent();
    EXPECT_FALSE(fs::exists(data("vm_levels.ini")));
    ASSERT_TRUE(fs::exists(users()));
    // Whole at once: the header and the built-in top ten.
    EXPECT_EQ(readText(users()), "[User]\nCountUser=0\nLastActiveUser=0\n" + defaultTopTenText());
    EXPECT_EQ(usersFile(), "vm_users.ini");
    EXPECT_EQ(levelsFile(), "./vm_levels.ini");

    const PlayerRecord& p = activePlayer();
    EXPECT_EQ(p.Name, "Player");
    EXPECT_EQ(p.MusicVolume, 100);
    EXPECT_EQ(p.SoundFXVolume, 100);
    EXPECT_EQ(p.ShowHints, 1);
    EXPECT_EQ(p.GameSession, 0);
    EXPECT_EQ(p.UserProgress, 11);
    EXPECT_EQ(p.UserScore, 0);
    EXPECT_EQ(p.UserLife, 3);
    EXPECT_EQ(p.UserTutorialStatus, 0);
    for (int i = 0; i < kTipStatusCount; ++i) EXPECT_EQ(player::TipStatus(i), 0);
    EXPECT_EQ(player::CountUser(), 0);
    EXPECT_TRUE(listPlayers().empty());

    // Episodes defaults to 11; a list longer than 12 stops at episode 11.
    EXPECT_EQ(episodes(), 11);
    EXPECT_EQ(levelsInEpisode(0), 3);
    EXPECT_EQ(levelsInEpisode(11), 11);
    EXPECT_EQ(levelsInEpisode(12), 0);

    EXPECT_EQ(spawnGunLeftX(0), 10);
    EXPECT_EQ(spawnGunRightX(1), 21);
    EXPECT_EQ(spawnGunY(10), 90);
    EXPECT_EQ(spawnGunY(11), 90);

    // The next start finds the file and keeps what was written to it.
    ASSERT_TRUE(setUserProgress(23));
    resetPlayersForTests();
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(player::UserProgress(), 23);
}

TEST_F(PlayersTest, TheInstalledLevelsReachAPlayerWhoseFolderHoldsAnOldCopy) {
    // An earlier version copied the levels into the player's folder.
    writeText(data("vm_levels.ini"), "[Episodes]\nEpisodes=11\nLevels=3 9 9 9 9 9 9 9 9 9 9 9\n");
    writeText(program("vm_levels.ini"), "[Episodes]\nEpisodes=4\nLevels=3 5 4 2 6\n");
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(episodes(), 4);
    EXPECT_EQ(levelsInEpisode(2), 4);
    // Saved games beyond what the new file has go on at its last level.
    EXPECT_EQ(clampProgress(29), 24);
    EXPECT_EQ(clampProgress(23), 23);
    EXPECT_EQ(clampProgress(95), 46);
    EXPECT_EQ(clampProgress(30), 31);
    EXPECT_EQ(clampProgress(-4), 1);
}

TEST_F(PlayersTest, ShortLevelsListLeavesTheRestAtZero) {
    writeText(program("vm_levels.ini"), "[Episodes]\nEpisodes=2\nLevels=1 5\n");
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(episodes(), 2);
    EXPECT_EQ(levelsInEpisode(0), 1);
    EXPECT_EQ(levelsInEpisode(1), 5);
    EXPECT_EQ(levelsInEpisode(2), 0);
    EXPECT_EQ(levelsInEpisode(-1), 0);
}

TEST_F(PlayersTest, StartupFailuresAreSilentAndKeepTheSettingsFileCurrent) {
    // No levels file in the program's folder: reported as failure, yet the
    // players load; a copy in the player's folder is not taken instead.
    fs::remove(program("vm_levels.ini"));
    writeText(data("vm_levels.ini"), kLevelsIni);
    writeText(users(), "[User]\nCountUser=1\n[User0]\nName=Ann\n");
    EXPECT_FALSE(loadStartup());
    EXPECT_NE(debugLog().find("Cant load ini file : vm_levels.ini"), std::string::npos);
    EXPECT_EQ(player::Name(), "Ann");
    EXPECT_EQ(player::CountUser(), 1);
    expectMainCurrent();

    // A users file that cannot be made: defaults, and setters keep their
    // value in memory without pretending to have stored it.
    writeText(program("vm_levels.ini"), kLevelsIni);
    writeText(data("vm_game.ini"), "[Game]\nIniLevels=vm_levels.ini\nIniUsers=nowhere/users.ini\n");
    resetPlayersForTests();
    clearDebugLog();
    EXPECT_FALSE(loadStartup());
    EXPECT_NE(debugLog().find("Cannot create file `nowhere/users.ini`"), std::string::npos);
    EXPECT_EQ(player::Name(), "Player");
    EXPECT_EQ(usersFile(), "");
    EXPECT_FALSE(setUserScore(500));
    EXPECT_EQ(player::UserScore(), 500);
    EXPECT_FALSE(commitPlayers({{"Bob", -1, 0}}, 0));
    EXPECT_TRUE(listPlayers().empty());
    expectMainCurrent();

    // No file names in the settings at all: the message names the setting,
    // never an empty file name.
    writeText(data("vm_game.ini"), "[Game]\n");
    resetPlayersForTests();
    clearDebugLog();
    EXPECT_FALSE(loadStartup());
    EXPECT_EQ(debugLog().find("Cant load ini file : \n"), std::string::npos) << debugLog();
    EXPECT_NE(debugLog().find("[Game] IniUsers of vm_game.ini is empty"), std::string::npos) << debugLog();
    expectMainCurrent();
}

// ---------------------------------------------------------------------------
// The active player

TEST_F(PlayersTest, ActivePlayerComesFromItsSectionWithValuesKeptInRange) {
    writeText(users(),
              "[User]\nCountUser=3\nLastActiveUser=1\n"
              "[User0]\nName=Ann\nUserProgress=35\n"
              "[User1]\nName=Bob\nMusicVolume=250\nSoundFXVolume=-5\nShowHints=0\nGameSession=1\n"
              "UserProgress=23\nUserScore=1200\nUserLife=5\nUserTutorialStatus=1\n"
              "TipStatus=1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n");
    ASSERT_TRUE(loadStartup());
    const PlayerRecord& p = activePlayer();
    EXPECT_EQ(p.Name, "Bob");
    EXPECT_EQ(p.MusicVolume, 100);
    EXPECT_EQ(p.SoundFXVolume, 0);
    EXPECT_EQ(p.ShowHints, 0);
    EXPECT_EQ(p.GameSession, 1);
    EXPECT_EQ(p.UserProgress, 23);
    EXPECT_EQ(p.UserScore, 1200);
    EXPECT_EQ(p.UserLife, 5);
    EXPECT_EQ(p.UserTutorialStatus, 1);
    // 17 numbers: the 18th flag stays clear.
    for (int i = 0; i < 17; ++i) EXPECT_EQ(player::TipStatus(i), 1) << i;
    EXPECT_EQ(player::TipStatus(17), 0);
    EXPECT_EQ(player::TipStatus(18), 0);
    EXPECT_EQ(player::TipStatus(-1), 0);

    // Hand-edited counts stay inside the sections that exist.
    writeText(users(), "[User]\nCountUser=99\nLastActiveUser=42\n[User9]\nName=Last\n");
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(player::CountUser(), 10);
    EXPECT_EQ(player::LastActiveUser(), 9);
    EXPECT_EQ(player::Name(), "Last");
    EXPECT_EQ(listPlayers().size(), 10u);
    writeText(users(), "[User]\nCountUser=-4\nLastActiveUser=-1\n");
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(player::CountUser(), 0);
    EXPECT_EQ(player::LastActiveUser(), 0);
}

TEST_F(PlayersTest, TipStatusTextAndTipNumbers) {
    std::array<int, kTipStatusCount> flags{};
    flags[0] = 1;
    flags[17] = 1;
    EXPECT_EQ(formatTipStatus(flags), "1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 ");
    EXPECT_EQ(parseTipStatus(formatTipStatus(flags)), flags);
    // Extra numbers are ignored; a word ends the list.
    const auto many = parseTipStatus("1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1");
    EXPECT_EQ(many[17], 1);
    const auto cut = parseTipStatus("1 1 x 1");
    EXPECT_EQ(cut[1], 1);
    EXPECT_EQ(cut[2], 0);
    EXPECT_EQ(cut[3], 0);

    EXPECT_EQ(tipStatusIndex(11), 0);
    EXPECT_EQ(tipStatusIndex(18), 7);
    EXPECT_EQ(tipStatusIndex(51), 8);
    EXPECT_EQ(tipStatusIndex(60), 17);
    EXPECT_EQ(tipStatusIndex(10), -1);
    EXPECT_EQ(tipStatusIndex(19), -1);
    EXPECT_EQ(tipStatusIndex(50), -1);
    EXPECT_EQ(tipStatusIndex(61), -1);
}

TEST_F(PlayersTest, SettersWriteThroughToTheActivePlayersSection) {
    writeText(users(), "[User]\nCountUser=2\nLastActiveUser=1\n[User0]\nName=Ann\n[User1]\nName=Bob\n");
    ASSERT_TRUE(loadStartup());

    EXPECT_TRUE(setMusicVolume(40));
    expectMainCurrent();
    EXPECT_TRUE(setSoundFXVolume(130));
    EXPECT_TRUE(setGameSession(1));
    EXPECT_TRUE(setUserProgress(47));
    EXPECT_TRUE(setUserScore(98765));
    EXPECT_TRUE(setUserLife(2));
    EXPECT_TRUE(setUserTutorialStatus(1));
    EXPECT_TRUE(setTipStatus(8, 1));
    EXPECT_TRUE(setTipStatus(17, 1));
    EXPECT_FALSE(setTipStatus(18, 1));
    EXPECT_FALSE(setTipStatus(-1, 1));
    expectMainCurrent();

    EXPECT_EQ(player::SoundFXVolume(), 100);
    EXPECT_EQ(profileGetInt(users(), "User1", "MusicVolume", -1), 40);
    EXPECT_EQ(profileGetInt(users(), "User1", "SoundFXVolume", -1), 100);
    EXPECT_EQ(profileGetInt(users(), "User1", "GameSession", -1), 1);
    EXPECT_EQ(profileGetInt(users(), "User1", "UserProgress", -1), 47);
    EXPECT_EQ(profileGetInt(users(), "User1", "UserScore", -1), 98765);
    EXPECT_EQ(profileGetInt(users(), "User1", "UserLife", -1), 2);
    EXPECT_EQ(profileGetInt(users(), "User1", "UserTutorialStatus", -1), 1);
    EXPECT_EQ(profileGetString(users(), "User1", "TipStatus", ""), "0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 1");
    EXPECT_EQ(sectionOf(users(), "User0"), "Name=Ann;");

    // ShowHints flips on each call and is stored each time.
    EXPECT_EQ(player::ShowHints(), 1);
    EXPECT_TRUE(toggleShowHints());
    EXPECT_EQ(player::ShowHints(), 0);
    EXPECT_EQ(profileGetInt(users(), "User1", "ShowHints", -1), 0);
    EXPECT_TRUE(toggleShowHints());
    EXPECT_EQ(profileGetInt(users(), "User1", "ShowHints", -1), 1);
    EXPECT_TRUE(setMusicVolume(-20));
    EXPECT_EQ(profileGetInt(users(), "User1", "MusicVolume", -1), 0);

    // The next start reads back what was written.
    const PlayerRecord before = activePlayer();
    resetPlayersForTests();
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(activePlayer().UserScore, before.UserScore);
    EXPECT_EQ(activePlayer().TipStatus, before.TipStatus);
    EXPECT_EQ(activePlayer().Name, "Bob");

    // The file vanished under the game: the value stays in memory.
    fs::remove(users());
    clearDebugLog();
    EXPECT_FALSE(setUserLife(1));
    EXPECT_EQ(player::UserLife(), 1);
    EXPECT_NE(debugLog().find("Cant load ini file : vm_users.ini"), std::string::npos);
    EXPECT_FALSE(fs::exists(users()));
    expectMainCurrent();
}

// ---------------------------------------------------------------------------
// The player list and its commit

class CommitTest : public PlayersTest {
protected:
    void SetUp() override {
        PlayersTest::SetUp();
        bigValue = std::string(40000, 'x');  // more than one section read holds
        writeText(users(),
                  "[User]\nCountUser=3\nLastActiveUser=0\n"
                  "[User0]\nName=Ann\nUserProgress=35\nUserScore=4000\nLastScore=77\nTipStatus=1 1 1 \n"
                  "Notes=" +
                      bigValue +
                      "\n"
                      "[User1]\nName=Bob\nUserProgress=23\nUserScore=900\nUserLife=1\nGameSession=1\n"
                      "[User2]\nName=Cid\nUserProgress=12\n"
                      "[Top10]\nname_0=Ann\nscore_0=5000\n");
        ASSERT_TRUE(loadStartup());
    }
    std::string bigValue;
};

TEST_F(CommitTest, NewKeptAndDeletedPlayersAtOnce) {
    std::vector<PlayerEntry> list = listPlayers();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Ann");
    EXPECT_EQ(list[0].storedIndex, 0);
    EXPECT_EQ(list[0].lastScore, 77);
    EXPECT_EQ(list[2].name, "Cid");
    expectMainCurrent();

    // Bob is deleted, Dee created in his place, Cid renamed and moved first,
    // Ann moved last.
    ASSERT_TRUE(commitPlayers({{"Cyd", 2, 0}, {"Dee", -1, 0}, {"Ann", 0, 77}}, 1));
    expectMainCurrent();
    EXPECT_EQ(sectionOf(users(), "User0"), "Name=Cyd;UserProgress=12;");
    EXPECT_EQ(sectionOf(users(), "User1"),
              "MusicVolume=100;SoundFXVolume=100;LastScore=0;Name=Dee;LastEpisode=1;LastLevel=1;ShowHelp=1;");
    EXPECT_EQ(profileGetInt(users(), "User2", "UserProgress", -1), 35);
    EXPECT_EQ(profileGetString(users(), "User2", "TipStatus", ""), "1 1 1");
    EXPECT_EQ(profileGetString(users(), "User2", "Notes", "", 1 << 20), bigValue);
    for (int s = 3; s < kPlayerSections; ++s)
        EXPECT_EQ(sectionOf(users(), ("User" + std::to_string(s)).c_str()), "") << s;
    EXPECT_EQ(sectionOf(users(), "User"), "CountUser=3;LastActiveUser=1;");
    EXPECT_EQ(sectionOf(users(), "Top10"), "name_0=Ann;score_0=5000;");
    EXPECT_FALSE(fs::exists(users() + ".commit"));

    // The new player is active, with nothing of Bob's.
    EXPECT_EQ(player::CountUser(), 3);
    EXPECT_EQ(player::LastActiveUser(), 1);
    EXPECT_EQ(player::Name(), "Dee");
    EXPECT_EQ(player::UserProgress(), 11);
    EXPECT_EQ(player::UserScore(), 0);
    EXPECT_EQ(player::UserLife(), 3);
    EXPECT_EQ(player::GameSession(), 0);

    list = listPlayers();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Cyd");
    EXPECT_EQ(list[1].name, "Dee");
    EXPECT_EQ(list[1].storedIndex, 1);
    EXPECT_EQ(list[2].name, "Ann");
    EXPECT_EQ(list[2].lastScore, 77);

    // Setters now write to the new player's section.
    ASSERT_TRUE(setUserProgress(44));
    EXPECT_EQ(profileGetInt(users(), "User1", "UserProgress", -1), 44);
    EXPECT_EQ(profileGetInt(users(), "User0", "UserProgress", -1), 12);
    ASSERT_TRUE(commitPlayers(listPlayers(), 2));
    EXPECT_EQ(player::Name(), "Ann");
    EXPECT_EQ(player::UserProgress(), 35);
    EXPECT_EQ(player::UserScore(), 4000);
}

TEST_F(CommitTest, EmptyOddAndOversizedLists) {
    ASSERT_TRUE(commitPlayers({}, 3));
    EXPECT_EQ(sectionOf(users(), "User"), "CountUser=0;LastActiveUser=0;");
    for (int s = 0; s < kPlayerSections; ++s)
        EXPECT_EQ(sectionOf(users(), ("User" + std::to_string(s)).c_str()), "") << s;
    EXPECT_EQ(player::CountUser(), 0);
    EXPECT_EQ(player::Name(), "Player");
    EXPECT_EQ(player::UserProgress(), 11);
    EXPECT_TRUE(listPlayers().empty());
    EXPECT_EQ(sectionOf(users(), "Top10"), "name_0=Ann;score_0=5000;");

    // A stored number the file does not have gives an empty section; a name
    // cannot smuggle keys into the file; the list and the selection stay
    // inside the ten sections.
    std::vector<PlayerEntry> list = {{"Ghost", 7, 0}, {"Eve\nUserProgress=99\r", -1, 0}};
    for (int i = 0; i < 10; ++i) list.push_back({"P" + std::to_string(i), -1, 0});
    ASSERT_TRUE(commitPlayers(list, 15));
    EXPECT_EQ(sectionOf(users(), "User0"), "");
    EXPECT_EQ(profileGetString(users(), "User1", "Name", ""), "EveUserProgress=99");
    EXPECT_EQ(profileGetInt(users(), "User1", "UserProgress", -1), -1);
    EXPECT_EQ(profileGetString(users(), "User9", "Name", ""), "P7");
    EXPECT_EQ(sectionOf(users(), "User10"), "");
    EXPECT_EQ(player::CountUser(), 10);
    EXPECT_EQ(player::LastActiveUser(), 9);
    EXPECT_EQ(player::Name(), "P7");
    EXPECT_EQ(sectionOf(users(), "User"), "CountUser=10;LastActiveUser=9;");

    // A negative position selects the first player.
    ASSERT_TRUE(commitPlayers({{"Solo", -1, 0}}, -3));
    EXPECT_EQ(player::LastActiveUser(), 0);
    EXPECT_EQ(player::Name(), "Solo");
}

TEST_F(CommitTest, FailedCommitStoresNothing) {
    const std::string before = readText(users());
    // The staging copy cannot be written.
    fs::create_directories(users() + ".commit/keep");
    EXPECT_FALSE(commitPlayers({{"Dee", -1, 0}}, 0));
    EXPECT_EQ(readText(users()), before);
    EXPECT_EQ(player::CountUser(), 3);
    EXPECT_EQ(player::Name(), "Ann");
    expectMainCurrent();
    fs::remove_all(users() + ".commit");

    // The file is gone: nothing is created by the commit either.
    fs::remove(users());
    EXPECT_FALSE(commitPlayers({{"Dee", -1, 0}}, 0));
    EXPECT_FALSE(fs::exists(users()));
    EXPECT_EQ(player::Name(), "Ann");
    expectMainCurrent();
}

TEST_F(CommitTest, ADamagedRecordNeitherBreaksTheFileNorBlocksTheOtherPlayers) {
    // Hand edits and damage: blanks and a control character around a name, a
    // quoted name, a key with no name, a broken section header, a stray
    // carriage return and a zero byte inside values.
    writeText(users(), std::string("[User]\nCountUser=3\nLastActiveUser=1\n"
                                   "[User0]\nName= \x01 Ann\t\nUserProgress=35\n=orphan\nStray=a\rb\n[broken\n"
                                   "[User1]\nName=\"  Bob [=] \"\nUserScore=5\n"
                                   "[User2]\nName=Cy\nNote=x") +
                           std::string(1, '\0') + "[y\nUserProgress=12\n");
    resetPlayersForTests();
    ASSERT_TRUE(loadStartup());
    std::vector<PlayerEntry> list = listPlayers();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Ann");
    EXPECT_EQ(list[1].name, "Bob [=]");
    EXPECT_EQ(player::Name(), "Bob [=]");

    // A new player and every kept one are stored, values and all.
    list.push_back({"Dee", -1, 0});
    ASSERT_TRUE(commitPlayers(list, 3));
    list = listPlayers();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].name, "Ann");
    EXPECT_EQ(list[1].name, "Bob [=]");
    EXPECT_EQ(list[2].name, "Cy");
    EXPECT_EQ(list[3].name, "Dee");
    EXPECT_EQ(profileGetInt(users(), "User0", "UserProgress", -1), 35);
    EXPECT_EQ(profileGetInt(users(), "User1", "UserScore", -1), 5);
    EXPECT_EQ(profileGetInt(users(), "User2", "UserProgress", -1), 12);
    // Later writes go through, and the next commit is as good as the first.
    ASSERT_TRUE(setUserScore(77));
    ASSERT_TRUE(commitPlayers(listPlayers(), 1));
    EXPECT_EQ(player::Name(), "Bob [=]");
    EXPECT_EQ(player::UserScore(), 5);
    EXPECT_TRUE(takeSaveWarning().file.empty());
}

}  // namespace

// ---------------------------------------------------------------------------
// Writes that cannot reach the disk

namespace {

// A file-size limit below the users file's size: every rewrite of it fails
// part way, as on a full disk, and the old file must stay as it was.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace

TEST_F(PlayersTest, FailedWritesAreReportedKeepTheFileAndAreToldOnce) {
    ASSERT_TRUE(loadStartup());
    ASSERT_TRUE(commitPlayers({{"Ann", -1, 0}, {"Bob", -1, 0}}, 0));
    HighScoreTable table = loadHighScores();
    const std::string before = readText(users());
    ASSERT_GT(before.size(), 200u);
    {
        FullDisk full(64);
        EXPECT_FALSE(setUserScore(500));
        EXPECT_EQ(player::UserScore(), 500);  // kept for the game in memory
        EXPECT_FALSE(insertHighScore(table, 200000, "Ann"));
        EXPECT_FALSE(insertHighScore("Ann", 300000));
        EXPECT_FALSE(commitPlayers({{"Cy", -1, 0}}, 0));
        EXPECT_FALSE(toggleShowHints());
    }
    EXPECT_EQ(readText(users()), before);
    expectMainCurrent();
    for (const auto& e : fs::directory_iterator(dir + "data"))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    // The player hears of it once, with the system's reason.
    const SaveWarning warning = takeSaveWarning();
    EXPECT_EQ(warning.file, users());
    EXPECT_EQ(warning.reason, "File too large");
    EXPECT_TRUE(takeSaveWarning().file.empty());

    // Room again: the writes work and say so.
    EXPECT_TRUE(setUserScore(600));
    EXPECT_TRUE(insertHighScore("Ann", 300000));
    EXPECT_EQ(loadHighScores()[0].name, "Ann");
    EXPECT_TRUE(takeSaveWarning().file.empty());
}

TEST_F(PlayersTest, AFirstStartCutShortLeavesNoHalfMadeUsersFile) {
    {
        FullDisk full(100);  // room for the header, not for the top ten
        EXPECT_FALSE(loadStartup());
    }
    EXPECT_FALSE(fs::exists(users()));
    for (const auto& e : fs::directory_iterator(dir + "data"))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    // The next start makes it whole.
    resetPlayersForTests();
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(loadHighScores()[9].name, "Grimshade");
    EXPECT_NE(readText(users()).find("name_9=Grimshade"), std::string::npos);
}

TEST_F(PlayersTest, AUsersFileThatCannotBeMadeIsToldWithItsReason) {
    fs::remove_all(dir + "data");
    fs::create_directories(dir + "data");
    writeText(data("vm_game.ini"), kGameIni);
    fs::create_directories(data("vm_users.ini") + "/x");  // a folder where the file should be
    EXPECT_FALSE(loadStartup());
    EXPECT_EQ(player::Name(), "Player");
    const SaveWarning warning = takeSaveWarning();
    EXPECT_EQ(warning.file, users());
    EXPECT_FALSE(warning.reason.empty());
}

// ---------------------------------------------------------------------------
// The top-ten table

TEST_F(PlayersTest, TopTenFirstRunStoresTheBuiltInTableAndKeepsTheMainFileCurrent) {
    ASSERT_TRUE(loadStartup());
    const HighScoreTable t = loadHighScores();
    expectMainCurrent();
    EXPECT_EQ(t[0].score, 100000);
    EXPECT_EQ(t[0].name, "Brandwick");
    EXPECT_EQ(t[9].score, 10000);
    EXPECT_EQ(t[9].name, "Grimshade");
    // Written back in full so the file holds the table from now on.
    const std::string s = sectionOf(users(), "Top10");
    EXPECT_NE(s.find("score_0=100000;name_0=Brandwick;"), std::string::npos);
    EXPECT_NE(s.find("score_9=10000;name_9=Grimshade;"), std::string::npos);
}

TEST_F(PlayersTest, TopTenGapsTakeTheBuiltInNamesInOrder) {
    ASSERT_TRUE(loadStartup());
    writeText(users(), "[User]\nCountUser=0\n[Top10]\nscore_0=500000\nname_0=Ada\nscore_3=0\n");
    const HighScoreTable t = loadHighScores();
    EXPECT_EQ(t[0].name, "Ada");
    EXPECT_EQ(t[0].score, 500000);
    // The gaps take the defaults' scores of their place but the names in turn.
    EXPECT_EQ(t[1].score, 90000);
    EXPECT_EQ(t[1].name, "Brandwick");
    EXPECT_EQ(t[2].name, "Quorrin");
}

TEST_F(PlayersTest, TopTenInsertionOrderTiesAndTheLastPlace) {
    ASSERT_TRUE(loadStartup());
    HighScoreTable t = loadHighScores();
    EXPECT_FALSE(insertHighScore(t, 0, "Nobody"));
    EXPECT_FALSE(insertHighScore(t, 10000, "Tie at the bottom"));  // a tie goes below: out
    EXPECT_TRUE(insertHighScore(t, 90000, "Tied"));
    EXPECT_EQ(t[1].name, "Quorrin");
    EXPECT_EQ(t[2].name, "Tied");
    EXPECT_EQ(t[9].name, "Brannock");  // the old tenth is gone
    EXPECT_TRUE(insertHighScore(t, 1000000, "Top"));
    EXPECT_EQ(t[0].name, "Top");
    EXPECT_EQ(t[1].name, "Brandwick");
    // Stored: a fresh load sees the same table.
    const HighScoreTable again = loadHighScores();
    for (size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(again[i].score, t[i].score) << i;
        EXPECT_EQ(again[i].name, t[i].name) << i;
    }
    EXPECT_FALSE(insertHighScore("Too late", 15000));
    EXPECT_TRUE(insertHighScore("Late", 35000));
    EXPECT_EQ(loadHighScores()[9].name, "Late");
    expectMainCurrent();
}
