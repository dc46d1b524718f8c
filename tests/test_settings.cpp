// Ini files with the Windows rules the data was written against, the current
// settings file and its first-start copy, paths, and the file services below.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/profile.h"
#include "frame/settings.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeText(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// A zero-separated list as a vector, for readable comparisons.
std::vector<std::string> splitList(const char* p) {
    std::vector<std::string> out;
    for (; *p; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

// Makes every write past `bytes` fail with EFBIG, as a full disk would in the
// middle of saving; works for root too, unlike file permissions.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = old_;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// A fresh folder per test, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = testing::TempDir() + "vm_ini_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
              "_" + info->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return dir + name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names = platform::listFolder(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir;
};

// ---------------------------------------------------------------------------
// File services

using FilesTest = TempFolderTest;

TEST_F(FilesTest, AtomicWriteReplacesContentKeepsModeAndLeavesNothingBehind) {
    const std::string f = path("a.ini");
    ASSERT_TRUE(platform::writeFileAtomic(f, "first"));
    std::string got;
    ASSERT_TRUE(platform::readFile(f, got));
    EXPECT_EQ(got, "first");

    ::chmod(f.c_str(), 0640);
    ASSERT_TRUE(platform::writeFileAtomic(f, std::string("second\0with zero", 16)));
    ASSERT_TRUE(platform::readFile(f, got));
    EXPECT_EQ(got, std::string("second\0with zero", 16));
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.ini"});

    // A link to the file stays a link; the data lands in its target.
    fs::create_directories(path("real"));
    writeText(path("real/target.ini"), "old");
    fs::create_symlink(path("real/target.ini"), path("link.ini"));
    ASSERT_TRUE(platform::writeFileAtomic(path("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(path("link.ini")));
    EXPECT_EQ(readText(path("real/target.ini")), "new");
}

TEST_F(FilesTest, AtomicWriteFailureKeepsTheOldFile) {
    const std::string f = path("a.ini");
    writeText(f, "original content");
    {
        FileSizeLimit limit(8);
        EXPECT_FALSE(platform::writeFileAtomic(f, std::string(4096, 'x')));
        EXPECT_FALSE(platform::copyFile(f, path("copy.ini")));
    }
    EXPECT_EQ(readText(f), "original content");
    EXPECT_EQ(entries(), std::vector<std::string>{"a.ini"});

    // The rename itself fails: a folder sits where the file should go.
    fs::create_directories(path("taken"));
    EXPECT_FALSE(platform::writeFileAtomic(path("taken"), "x"));
    EXPECT_FALSE(platform::writeFileAtomic(path("missing/a.ini"), "x"));
    EXPECT_FALSE(platform::writeFileAtomic("", "x"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"a.ini", "taken"}));
}

TEST_F(FilesTest, CopyExistsCreateListRead) {
    writeText(path("src.ini"), "[A]\nx=1\n");
    writeText(path("dst.ini"), "something longer that must go away");
    ASSERT_TRUE(platform::copyFile(path("src.ini"), path("dst.ini")));
    EXPECT_EQ(readText(path("dst.ini")), "[A]\nx=1\n");
    EXPECT_FALSE(platform::copyFile(path("none.ini"), path("dst.ini")));
    EXPECT_EQ(readText(path("dst.ini")), "[A]\nx=1\n");
    EXPECT_FALSE(platform::copyFile(path("src.ini"), path("no/such/dir/x.ini")));

    // The copy of a read-only install file must stay writable for the player.
    ::chmod(path("src.ini").c_str(), 0444);
    ASSERT_TRUE(platform::copyFile(path("src.ini"), path("fresh.ini")));
    struct stat st {};
    ASSERT_EQ(::stat(path("fresh.ini").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);

    EXPECT_TRUE(platform::fileExists(path("src.ini")));
    EXPECT_FALSE(platform::fileExists(path("none.ini")));
    EXPECT_FALSE(platform::fileExists(dir));
    EXPECT_FALSE(platform::fileExists(""));

    EXPECT_TRUE(platform::createDirectories(path("d1/d2/d3")));
    EXPECT_TRUE(platform::createDirectories(path("d1/d2/d3")));
    EXPECT_TRUE(fs::is_directory(path("d1/d2/d3")));
    EXPECT_FALSE(platform::createDirectories(path("src.ini/sub")));

    EXPECT_EQ(entries(), (std::vector<std::string>{"d1", "dst.ini", "fresh.ini", "src.ini"}));
    EXPECT_TRUE(platform::listFolder(path("nowhere")).empty());

    std::string got = "stale";
    EXPECT_FALSE(platform::readFile(path("none.ini"), got));
    EXPECT_TRUE(got.empty());
    EXPECT_FALSE(platform::readFile(path("d1"), got));

    EXPECT_EQ(platform::normalizeSeparators("\\Brandwick\\Vellmoor_L\\x.ini"), "/Brandwick/Vellmoor_L/x.ini");
    EXPECT_EQ(platform::normalizeSeparators("a/b"), "a/b");
    // A path from the root keeps the folders the system gave as they exist,
    // a backslash in a name included; the game's part after them is converted.
    fs::create_directories(path("a\\b"));
    EXPECT_EQ(platform::normalizeSeparators(path("a\\b/c\\x.ini")), path("a\\b/c/x.ini"));
}

TEST_F(FilesTest, InstanceLockIsExclusiveUntilReleased) {
    const std::string lock = path("vellmoor.lock");
    // Another process's lock: a separate open file description conflicts like one.
    const int other = ::open(lock.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(platform::acquireInstanceLock(lock));
    ::flock(other, LOCK_UN);

    ASSERT_TRUE(platform::acquireInstanceLock(lock));
    EXPECT_TRUE(platform::acquireInstanceLock(lock));  // asking again while holding it
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    platform::releaseInstanceLock();
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);

    // No place for a lock file: the game must still start.
    EXPECT_TRUE(platform::acquireInstanceLock(path("missing/vellmoor.lock")));
    platform::releaseInstanceLock();
}

// ---------------------------------------------------------------------------
// Private-profile rules

using ProfileTest = TempFolderTest;

TEST_F(ProfileTest, NamesValuesQuotesAndComments) {
    const std::string f = path("t.ini");
    writeText(f,
              "; [Hidden]\n"
              "[ Game ]\n"
              "  Volume  =  7  \n"
              ";Muted=1\n"
              "  ; Also=comment\n"
              "dq=\"  spaced  \"\n"
              "sq='single'\n"
              "mixed=\"half'\n"
              "lone=\"\n"
              "twoq=\"\"\n"
              "semi=1 ; stays\n"
              "bare\n"
              "empty=\n"
              "[game]\n"
              "Volume=99\n");
    EXPECT_EQ(profileGetString(f, "game", "VOLUME", "d"), "7");
    EXPECT_EQ(profileGetString(f, " GAME ", " volume ", "d"), "7");
    EXPECT_EQ(profileGetInt(f, "Game", "volume", -1), 7);
    EXPECT_EQ(profileGetString(f, "Game", "Muted", "d"), "d");
    EXPECT_EQ(profileGetString(f, "Game", "; Also", "d"), "d");
    EXPECT_EQ(profileGetString(f, "Hidden", "x", "d"), "d");
    EXPECT_EQ(profileGetString(f, "Game", "dq", "d"), "  spaced  ");
    EXPECT_EQ(profileGetString(f, "Game", "sq", "d"), "single");
    EXPECT_EQ(profileGetString(f, "Game", "mixed", "d"), "\"half'");
    EXPECT_EQ(profileGetString(f, "Game", "lone", "d"), "\"");
    EXPECT_EQ(profileGetString(f, "Game", "twoq", "d"), "");
    EXPECT_EQ(profileGetString(f, "Game", "semi", "d"), "1 ; stays");
    EXPECT_EQ(profileGetString(f, "Game", "bare", "d"), "d");  // no "=": no value
    EXPECT_EQ(profileGetString(f, "Game", "empty", "d"), "");
    // Defaults lose trailing blanks; null is "".
    EXPECT_EQ(profileGetString(f, "Game", "none", "def  "), "def");
    EXPECT_EQ(profileGetString(f, "Game", "none", nullptr), "");
    // Cut to maxLen - 1, defaults too.
    EXPECT_EQ(profileGetString(f, "Game", "sq", "d", 4), "sin");
    EXPECT_EQ(profileGetString(f, "Game", "none", "default", 3), "de");
    // Key and section lists.
    EXPECT_EQ(profileGetString(f, "Game", nullptr, ""),
              std::string("Volume\0dq\0sq\0mixed\0lone\0twoq\0semi\0empty\0", 40));
    EXPECT_EQ(profileGetString(f, nullptr, nullptr, ""), std::string("Game\0", 5));
    EXPECT_EQ(profileGetString(f, "Game", nullptr, "", 10),
              std::string("Volume\0dq\0", 10).substr(0, 8) + '\0');

    // The file changes behind our back between calls: the next read sees it.
    writeText(f, "[Game]\nVolume=3\n");
    EXPECT_EQ(profileGetInt(f, "Game", "Volume", -1), 3);
}

TEST_F(ProfileTest, IntegersParseLikeWindows) {
    const std::string f = path("n.ini");
    writeText(f,
              "[N]\n"
              "a=42\nb=-17\nc=+5\nd=12abc\ne=abc\nf=0x1F\ng=0x1f\nh=-0x10\ni=0X10\nj=\nk=   \n"
              "l=\"8\"\nm=4294967295\nn=0x\no=-\np= 0012 \nq=1.9\n");
    const std::vector<std::pair<const char*, int>> cases = {
        {"a", 42}, {"b", -17}, {"c", 5}, {"d", 12}, {"e", 0}, {"f", 31}, {"g", 31}, {"h", -16}, {"i", 0},
        {"j", 77}, {"k", 77},  {"l", 8}, {"m", -1}, {"n", 0}, {"o", 0},  {"p", 12}, {"q", 1},   {"zz", 77}};
    for (const auto& [key, expected] : cases) EXPECT_EQ(profileGetInt(f, "N", key, 77), expected) << key;
    EXPECT_EQ(profileGetInt(f, "Missing", "a", 5), 5);
    EXPECT_EQ(profileGetInt(path("absent.ini"), "N", "a", 6), 6);
    EXPECT_EQ(profileGetString(path("absent.ini"), "N", "a", "x"), "x");
}

TEST_F(ProfileTest, WritesKeepEveryOtherByte) {
    const std::string f = path("w.ini");
    const std::string before =
        "; header comment\r\n"
        "[Sound]\r\n"
        "Volume = 5\r\n"
        "Unknown=keep me\r\n"
        "\r\n"
        "[Game]\r\n"
        "  Speed=2  \r\n"
        "; trailing note\r\n"
        "\r\n"
        "\r\n"
        "[Other]\r\n"
        "x=1";
    writeText(f, before);

    // Existing key: its own spelling and spacing stay, only the value changes.
    ASSERT_TRUE(profileWriteString(f, "sound", "VOLUME", "9"));
    std::string expected = before;
    expected.replace(expected.find("Volume = 5"), 10, "Volume = 9");
    EXPECT_EQ(readText(f), expected);

    // New key: after the last non-blank line of the section, CRLF like the file.
    ASSERT_TRUE(profileWriteString(f, "Game", "Level", "  3"));  // leading blanks are not kept
    expected.replace(expected.find("; trailing note\r\n") + 17, 0, "Level=3\r\n");
    EXPECT_EQ(readText(f), expected);

    // The last line had no line break: it still has none afterwards.
    ASSERT_TRUE(profileWriteString(f, "Other", "y", "2"));
    expected += "\r\ny=2";
    EXPECT_EQ(readText(f), expected);

    // New section at the end, after a blank line.
    ASSERT_TRUE(profileWriteString(f, "New", "k", "v"));
    expected += "\r\n\r\n[New]\r\nk=v";
    EXPECT_EQ(readText(f), expected);

    // Writing the same value again changes nothing.
    ASSERT_TRUE(profileWriteString(f, "Game", "speed", "2"));
    EXPECT_EQ(readText(f), expected);
    EXPECT_EQ(profileGetString(f, "Game", "Speed", ""), "2");
    EXPECT_EQ(entries(), std::vector<std::string>{"w.ini"});
}

TEST_F(ProfileTest, WritesCreateFileAndDelete) {
    const std::string f = path("sub\\new.ini");  // a Windows separator from data
    fs::create_directories(path("sub"));
    ASSERT_TRUE(profileWriteString(f, "Top10", "name_0", "Ann"));
    ASSERT_TRUE(profileWriteString(f, "Top10", "score_0", "100"));
    ASSERT_TRUE(profileWriteString(f, "User", "CountUser", "1"));
    EXPECT_EQ(readText(path("sub/new.ini")), "[Top10]\nname_0=Ann\nscore_0=100\n\n[User]\nCountUser=1\n");
    EXPECT_EQ(profileGetInt(f, "top10", "SCORE_0", 0), 100);

    // Null value deletes the key (every copy of it in the section).
    writeText(path("sub/new.ini"), "[A]\nk=1\nother=2\nK=3\n[B]\nk=4\n");
    ASSERT_TRUE(profileWriteString(f, "a", "k", nullptr));
    EXPECT_EQ(readText(path("sub/new.ini")), "[A]\nother=2\n[B]\nk=4\n");
    // Null key deletes the section, duplicates included.
    writeText(path("sub/new.ini"), "x=0\n[A]\nk=1\n; note\n\n[B]\nk=2\n[a]\nk=3\n");
    ASSERT_TRUE(profileWriteString(f, "A", nullptr, nullptr));
    EXPECT_EQ(readText(path("sub/new.ini")), "x=0\n[B]\nk=2\n");
    EXPECT_EQ(profileGetString(f, "A", "k", "gone"), "gone");

    // Deleting what is not there succeeds and creates nothing.
    EXPECT_TRUE(profileWriteString(path("absent.ini"), "A", "k", nullptr));
    EXPECT_TRUE(profileWriteString(path("absent.ini"), "A", nullptr, nullptr));
    EXPECT_FALSE(fs::exists(path("absent.ini")));

    // A missing folder or a folder in the file's place: the write fails.
    EXPECT_FALSE(profileWriteString(path("nodir/x.ini"), "A", "k", "v"));
    EXPECT_FALSE(profileWriteString(path("sub"), "A", "k", "v"));
}

TEST_F(ProfileTest, WritesRefuseWhatWouldBreakTheFile) {
    const std::string f = path("r.ini");
    const std::string before = "[A]\nk=1\n";
    writeText(f, before);
    EXPECT_FALSE(profileWriteString(f, "A", "k", "1\n[Evil]\nx=1"));
    EXPECT_FALSE(profileWriteString(f, "A", "k", "1\r"));
    EXPECT_FALSE(profileWriteString(f, "A", "a=b", "1"));
    EXPECT_FALSE(profileWriteString(f, "A", ";x", "1"));
    EXPECT_FALSE(profileWriteString(f, "A", "[x", "1"));
    EXPECT_FALSE(profileWriteString(f, "A", "  ", "1"));
    EXPECT_FALSE(profileWriteString(f, "A\nB", "k", "1"));
    EXPECT_FALSE(profileWriteString(f, "", "k", "1"));
    EXPECT_FALSE(profileWriteString(f, nullptr, "k", "1"));
    EXPECT_FALSE(profileWriteSection(f, "A", "k=1\nx=2\0"));
    EXPECT_FALSE(profileWriteSection(f, "A", "=1\0"));
    EXPECT_FALSE(profileWriteSection(f, "A", "[B]\0"));
    EXPECT_EQ(readText(f), before);
}

TEST_F(ProfileTest, SectionReadFormatAndTruncation) {
    const std::string f = path("s.ini");
    writeText(f, "[S]\n; comment\n a = 1 \n\nb=\"q\"\nbare\n[T]\nc=3\n");
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    const int n = profileGetSection(f, "s", buf, sizeof buf);
    const std::string all("a=1\0b=\"q\"\0bare\0", 15);
    EXPECT_EQ(n, 15);
    EXPECT_EQ(std::string(buf, 16), all + '\0');
    EXPECT_EQ(splitList(buf), (std::vector<std::string>{"a=1", "b=\"q\"", "bare"}));

    // Exactly fitting, then one short: cut to size - 2 and two zeros.
    EXPECT_EQ(profileGetSection(f, "S", buf, 16), 15);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(profileGetSection(f, "S", buf, 15), 13);
    EXPECT_EQ(std::string(buf, 15), std::string("a=1\0b=\"q\"\0bar\0\0", 15));
    EXPECT_EQ(profileGetSection(f, "S", buf, 6), 4);
    EXPECT_EQ(std::string(buf, 6), std::string("a=1\0\0\0", 6));

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(profileGetSection(f, "Missing", buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '\0');
    EXPECT_EQ(profileGetSection(path("absent.ini"), "S", buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '\0');
}

TEST_F(ProfileTest, SectionWriteReplacesExactlyThatSection) {
    const std::string f = path("s.ini");
    writeText(f,
              "\xEF\xBB\xBF[A]\r\na=1\r\n\r\n[ Level1-1 ] ; first\r\nold=1\r\n; old "
              "note\r\nold2=2\r\n\r\n[C]\r\nc=3\r\n");
    ASSERT_TRUE(profileWriteSection(f, "level1-1", "x = 10\0 y=  20\0z\0"));
    EXPECT_EQ(
        readText(f),
        "\xEF\xBB\xBF[A]\r\na=1\r\n\r\n[ Level1-1 ] ; first\r\nx=10\r\ny=20\r\nz\r\n\r\n[C]\r\nc=3\r\n");
    EXPECT_EQ(profileGetString(f, "A", "a", ""), "1");  // the byte order mark does not hide [A]

    // Missing section: appended. Empty list: header only. Null text: deleted.
    ASSERT_TRUE(profileWriteSection(f, "D", "d=4\0"));
    ASSERT_TRUE(profileWriteSection(f, "C", ""));
    EXPECT_EQ(readText(f),
              "\xEF\xBB\xBF[A]\r\na=1\r\n\r\n[ Level1-1 ] ; "
              "first\r\nx=10\r\ny=20\r\nz\r\n\r\n[C]\r\n\r\n[D]\r\nd=4\r\n");
    ASSERT_TRUE(profileWriteSection(f, "Level1-1", nullptr));
    EXPECT_EQ(readText(f), "\xEF\xBB\xBF[A]\r\na=1\r\n\r\n[C]\r\n\r\n[D]\r\nd=4\r\n");

    // Round trip: what a section read returns, a section write reproduces.
    writeText(path("src.ini"), "[P]\nname = \"Ann Lee\"\nscore=12\nflags=0x3\n");
    char buf[kIniSectionBufferSize];
    const int n = profileGetSection(path("src.ini"), "P", buf, sizeof buf);
    ASSERT_GT(n, 0);
    ASSERT_TRUE(profileWriteSection(path("copy.ini"), "P", buf));
    char again[kIniSectionBufferSize];
    EXPECT_EQ(profileGetSection(path("copy.ini"), "P", again, sizeof again), n);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), std::string(again, static_cast<size_t>(n)));
    EXPECT_EQ(profileGetString(path("copy.ini"), "P", "name", ""), "Ann Lee");
}

TEST_F(ProfileTest, FailedWriteLeavesTheFileIntact) {
    const std::string f = path("a.ini");
    const std::string before = "[Game]\nFullscreen=0\n";
    writeText(f, before);
    {
        FileSizeLimit limit(static_cast<rlim_t>(before.size()));
        EXPECT_FALSE(profileWriteString(f, "Game", "Long", std::string(5000, 'v').c_str()));
        EXPECT_FALSE(
            profileWriteSection(f, "Game", "a=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\0"));
    }
    EXPECT_EQ(readText(f), before);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.ini"});
    // And the file still works afterwards.
    EXPECT_TRUE(profileWriteString(f, "Game", "Fullscreen", "1"));
    EXPECT_EQ(profileGetInt(f, "Game", "Fullscreen", 0), 1);
}

// ---------------------------------------------------------------------------
// Current file, data folder, paths, engine keys

class SettingsTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        resetSettingsForTests();
        oldCwd = fs::current_path();
        fs::create_directories(path("program"));
        fs::create_directories(path("data"));
        fs::current_path(path("program"));  // the shipped defaults are "./name"
        setDataFolderForTests(path("data"));
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        resetSettingsForTests();
        platform::uninstall();
        TempFolderTest::TearDown();
    }
    fs::path oldCwd;
};

// Records what the data folder asked the platform for.
class PrefPlatform : public platform::HeadlessPlatform {
public:
    std::string prefPath(const std::string& org, const std::string& app) override {
        asked.push_back(org + "|" + app);
        return answer;
    }
    std::vector<std::string> asked;
    std::string answer;
};

TEST_F(SettingsTest, DataFolderFromPlatformOrLeaf) {
    auto owned = std::make_unique<PrefPlatform>();
    PrefPlatform* os = owned.get();
    os->answer = path("prefs/Brandwick/Vellmoor_L/");
    platform::install(std::move(owned));
    initDataFolder("\\Brandwick\\Vellmoor_L\\");
    EXPECT_EQ(os->asked, std::vector<std::string>{"Brandwick|Vellmoor_L"});
    EXPECT_EQ(dataFolder(), path("prefs/Brandwick/Vellmoor_L/"));
    EXPECT_TRUE(fs::is_directory(dataFolder()));
    EXPECT_EQ(makeDataPath("vm_game.ini"), path("prefs/Brandwick/Vellmoor_L/vm_game.ini"));

    // The platform has no folder to give: the leaf itself, nothing created.
    os->answer.clear();
    initDataFolder("\\Brandwick\\Vellmoor_L\\");
    EXPECT_EQ(dataFolder(), "/Brandwick/Vellmoor_L/");
    EXPECT_EQ(makeDataPath("vm_game.ini"), "/Brandwick/Vellmoor_L/vm_game.ini");

    platform::uninstall();
    initDataFolder("\\Brandwick\\Vellmoor_L\\");
    EXPECT_EQ(dataFolder(), "/Brandwick/Vellmoor_L/");
    EXPECT_FALSE(fs::exists("/Brandwick"));
    initDataFolder("");
    EXPECT_EQ(makeDataPath("vm_game.ini"), "./vm_game.ini");
}

TEST_F(SettingsTest, FirstStartCopiesDefaultThenKeepsUserChanges) {
    writeText(path("program/vm_game.ini"), "[Game]\nFullscreen=0\n");
    EXPECT_EQ(iniPath(), "");
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(iniPath(), path("data/vm_game.ini"));
    EXPECT_EQ(readText(path("data/vm_game.ini")), "[Game]\nFullscreen=0\n");

    ASSERT_TRUE(setIniString("Game", "Fullscreen", "1"));
    EXPECT_EQ(readText(path("program/vm_game.ini")),
              "[Game]\nFullscreen=0\n");  // the default is never written
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);

    // Deleting the copy resets to the shipped defaults at the next selection.
    fs::remove(path("data/vm_game.ini"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 7), 0);
}

TEST_F(SettingsTest, FailedSelectionKeepsTheCurrentFile) {
    writeText(path("data/vm_game.ini"), "[Game]\nFullscreen=1\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    const std::string main = iniPath();

    EXPECT_FALSE(selectIniFile("users.ini", false));
    EXPECT_EQ(iniPath(), main);
    EXPECT_FALSE(fs::exists(path("data/users.ini")));
    EXPECT_FALSE(selectIniFile("users.ini", true));  // no shipped default either
    EXPECT_EQ(iniPath(), main);
    fs::create_directories(path("data/folder.ini"));
    EXPECT_FALSE(selectIniFile("folder.ini", false));  // a folder is not a settings file
    EXPECT_EQ(iniPath(), main);
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);

    // The main file cannot be found nor copied: start-up would fail.
    resetSettingsForTests();
    setDataFolderForTests(path("data/missing/"));
    writeText(path("program/vm_game.ini"), "[Game]\n");
    EXPECT_FALSE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(iniPath(), "");
}

TEST_F(SettingsTest, NameWithSeparatorIsUsedAsItStands) {
    writeText(path("data/vm_game.ini"), "[Game]\n");
    fs::create_directories(path("program/levels"));
    writeText(path("program/levels/levels.ini"), "[Episodes]\nEpisodes=3\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));

    ASSERT_TRUE(selectIniFile("levels/levels.ini", true));
    EXPECT_EQ(iniPath(), "levels/levels.ini");
    EXPECT_EQ(getIniInt("Episodes", "Episodes", 0), 3);
    EXPECT_FALSE(fs::exists(path("data/levels.ini")));
    ASSERT_TRUE(selectIniFile("levels\\levels.ini", false));
    EXPECT_EQ(iniPath(), "levels/levels.ini");
    EXPECT_FALSE(selectIniFile("levels/none.ini", true));
    EXPECT_EQ(iniPath(), "levels/levels.ini");

    // Work on another file, then back to the main one: each write lands in its file.
    ASSERT_TRUE(setIniString("Episodes", "Levels", "12"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    ASSERT_TRUE(setIniString("Game", "IniLevels", "levels/levels.ini"));
    EXPECT_EQ(readText(path("program/levels/levels.ini")), "[Episodes]\nEpisodes=3\nLevels=12\n");
    EXPECT_EQ(readText(path("data/vm_game.ini")), "[Game]\nIniLevels=levels/levels.ini\n");
}

TEST_F(SettingsTest, AccessorsOnTheCurrentFile) {
    // Nothing selected yet: defaults, and writes fail rather than land anywhere.
    EXPECT_EQ(getIniString("Game", "X", nullptr), "");
    EXPECT_EQ(getIniInt("Game", "X", 4), 4);
    EXPECT_FALSE(setIniString("Game", "X", "1"));
    EXPECT_FALSE(setIniSection("Game", "X=1\0"));

    writeText(path("data/vm_game.ini"), "[Game]\nName=Quorrin\n[Top10]\nname_0=A\nscore_0=5\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    EXPECT_EQ(getIniString("Game", "Missing", nullptr), "");
    EXPECT_EQ(getIniString("game", "name", nullptr), "Quorrin");
    EXPECT_EQ(getIniString("Game", "Missing", "fallback"), "fallback");
    EXPECT_EQ(getIniString("Game", "Name", "x").size(), 7u);

    char buf[kIniSectionBufferSize];
    EXPECT_EQ(getIniSection("Top10", buf), 19);
    EXPECT_EQ(splitList(buf), (std::vector<std::string>{"name_0=A", "score_0=5"}));
    ASSERT_TRUE(setIniSection("Top10", "name_0=B\0score_0=9\0"));
    EXPECT_EQ(readText(path("data/vm_game.ini")), "[Game]\nName=Quorrin\n[Top10]\nname_0=B\nscore_0=9\n");

    // A value as long as the buffer is cut by the call.
    ASSERT_TRUE(setIniString("Game", "Long", std::string(40000, 'a').c_str()));
    EXPECT_EQ(getIniString("Game", "Long", nullptr).size(), 32767u);
}

TEST_F(SettingsTest, FindFilesMatchesPatternThenExactExtension) {
    fs::create_directories(path("fx/sub.fx"));
    for (const char* name : {"a.fx", "b.FX", "c.fx.bak", "d.txt", "e.Fx", "f.b.fx", "noext"})
        writeText(path("fx/") + name, "x");
    std::vector<std::string> order;  // the system's order, files only
    for (const std::string& n : platform::listFolder(path("fx")))
        if (n != "sub.fx") order.push_back(path("fx/") + n);

    std::vector<std::string> list = {"kept"};
    findFiles(list, path("fx/"), ".fx");
    std::vector<std::string> expected = {"kept"};
    for (const std::string& p : order)
        if (p.ends_with("/a.fx") || p.ends_with("/f.b.fx")) expected.push_back(p);
    EXPECT_EQ(list, expected);

    list.clear();
    findFiles(list, path("fx/"), ".FX");
    EXPECT_EQ(list, std::vector<std::string>{path("fx/b.FX")});

    list.clear();
    findFiles(list, path("fx/"), ".*");
    EXPECT_EQ(list, order);

    list.clear();
    findFiles(list, path("nowhere/"), ".*");
    EXPECT_TRUE(list.empty());
}

TEST_F(SettingsTest, SplitPathLikeTheRuntimeSplitter) {
    struct Case {
        const char *path, *folder, *name, *ext;
    };
    const Case cases[] = {
        {"./fx/smoke.fx", "./fx/", "smoke", ".fx"},
        {"C:\\games\\a.b.ini", "C:\\games\\", "a.b", ".ini"},
        {"C:x.txt", "C:", "x", ".txt"},
        {"noext", "", "noext", ""},
        {"dir.d/file", "dir.d/", "file", ""},
        {"music.mo3", "", "music", ".mo3"},
        {".hidden", "", "", ".hidden"},
        {"sound/", "sound/", "", ""},
    };
    for (const Case& c : cases) {
        std::string folder = "?", name = "?", ext = "?";
        splitPath(c.path, folder, name, ext);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        EXPECT_EQ(ext, c.ext) << c.path;
    }
}

TEST_F(SettingsTest, ToggleFullscreenStoresTheRenderersState) {
    writeText(path("data/vm_game.ini"), "[Game]\nFullscreen=0\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    bool mode = false;
    int calls = 0;
    setFullscreenToggleHandler([&] {
        ++calls;
        mode = !mode;
        return mode;
    });
    EXPECT_TRUE(toggleFullscreen());
    EXPECT_EQ(getIniString("Game", "Fullscreen", nullptr), "1");
    EXPECT_FALSE(toggleFullscreen());
    EXPECT_EQ(getIniString("Game", "Fullscreen", nullptr), "0");
    EXPECT_EQ(calls, 2);
    // The renderer refuses the switch: what it reports is what is stored.
    setFullscreenToggleHandler([] { return false; });
    EXPECT_FALSE(toggleFullscreen());
    EXPECT_EQ(getIniString("Game", "Fullscreen", nullptr), "0");

    // No renderer: the stored setting flips for the next start.
    setFullscreenToggleHandler(nullptr);
    EXPECT_TRUE(toggleFullscreen());
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);
}

TEST_F(SettingsTest, EngineKeysAndTheirDefaults) {
    EXPECT_EQ(fxSystemPath(), "./fx/");
    EXPECT_EQ(picturesPath(), "./pic/");
    writeText(path("data/vm_game.ini"),
              "[Game]\nCustomCursor=1\nFXSystemPath=./effects\nPicturesPath=art\\pic\\\n"
              "[Debug]\npsLiveUpdate=2\nShiftEnable=1\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    EXPECT_FALSE(customCursorEnabled());  // nothing read before engine start
    readEngineSettings();
    EXPECT_TRUE(customCursorEnabled());
    EXPECT_EQ(fxSystemPath(), "./effects/");
    EXPECT_EQ(picturesPath(), "art/pic/");
    EXPECT_TRUE(psLiveUpdate());
    EXPECT_TRUE(shiftEnabled());

    // Read once: later changes to the file wait for the next start.
    ASSERT_TRUE(setIniString("Debug", "ShiftEnable", "0"));
    EXPECT_TRUE(shiftEnabled());

    writeText(path("data/vm_game.ini"), "[Game]\n");
    readEngineSettings();
    EXPECT_FALSE(customCursorEnabled());
    EXPECT_EQ(fxSystemPath(), "./fx/");
    EXPECT_EQ(picturesPath(), "./pic/");
    EXPECT_FALSE(psLiveUpdate());
    EXPECT_FALSE(shiftEnabled());
}

TEST_F(SettingsTest, OpenFileFlags) {
    EXPECT_FALSE(openFile(path("data/x.bin"), 0));
    EXPECT_FALSE(openFile(path("data/x.bin"), 1));
    ASSERT_TRUE(openFile(path("data/x.bin"), 2));
    closeFile();
    EXPECT_TRUE(fs::exists(path("data/x.bin")));
    writeText(path("data/x.bin"), "content");
    ASSERT_TRUE(openFile(path("data/x.bin"), 1));
    closeFile();
    EXPECT_EQ(readText(path("data/x.bin")), "content");
    ASSERT_TRUE(openFile(path("data/x.bin"), 3));  // create or truncate
    closeFile();
    EXPECT_EQ(readText(path("data/x.bin")), "");
    EXPECT_FALSE(openFile(path("data"), 0));
    EXPECT_FALSE(openFile("", 0));
    closeFile();  // closing twice is harmless
}

// ---------------------------------------------------------------------------
// A copy made by an older version catches up with the shipped file

namespace {

ino_t inodeOf(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST_F(SettingsTest, AnOlderCopyGetsWhatWasShippedSinceAndKeepsEveryValueItHas) {
    const std::string shipped =
        "; Settings.\n[Game]\nFullscreen=0\n; Web page opened at exit.\nPublisherPage=\n"
        "[Debug]\nShiftEnable=0\n; The first tip.\n[Tip7]\nx=400\ntl0=Hello\n";
    writeText(path("program/vm_game.ini"), shipped);
    writeText(path("data/vm_game.ini"), "[Game]\nFullscreen=1\nMyOwn=5\n\n[debug]\nshiftenable=1\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(iniPath(), path("data/vm_game.ini"));
    // New keys go to the end of their section with their comments, new
    // sections to the end of the file; the player's values, own keys and
    // spelling stay.
    EXPECT_EQ(readText(path("data/vm_game.ini")),
              "[Game]\nFullscreen=1\nMyOwn=5\n; Web page opened at "
              "exit.\nPublisherPage=\n\n[debug]\nshiftenable=1\n"
              "\n; The first tip.\n[Tip7]\nx=400\ntl0=Hello\n");
    EXPECT_EQ(getIniString("Tip7", "tl0", ""), "Hello");
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);
    EXPECT_EQ(readText(path("program/vm_game.ini")), shipped);

    // Up to date now: the next start does not write at all.
    const ino_t before = inodeOf(path("data/vm_game.ini"));
    const std::string content = readText(path("data/vm_game.ini"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(inodeOf(path("data/vm_game.ini")), before);
    EXPECT_EQ(readText(path("data/vm_game.ini")), content);
    // Neither does a selection that may not copy, nor another file that has
    // a shipped default (the levels file is the game's, not the player's).
    writeText(path("program/vm_game.ini"), shipped + "[Tip8]\ntl0=More\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    EXPECT_EQ(readText(path("data/vm_game.ini")), content);
    writeText(path("program/levels.ini"), "[Level1-1]\nTime=10\n");
    writeText(path("data/levels.ini"), "[Episodes]\nEpisodes=1\n");
    ASSERT_TRUE(selectIniFile("levels.ini", true));
    EXPECT_EQ(readText(path("data/levels.ini")), "[Episodes]\nEpisodes=1\n");
}

TEST_F(SettingsTest, AnUpgradeTakesEveryShippedValueThePlayerNeverChangedAndKeepsTheirOwn) {
    const std::string copy = path("data/vm_game.ini"), record = path("data/vm_game.shipped.ini");
    const std::string v1 = "[Game]\nFullscreen=0\n[Tip1]\ntl0=Helo\n[GameTuning]\nRotateBalls=1\nSpin=3\n"
                           "[Tip9]\ntl0=Gone\n";
    writeText(path("program/vm_game.ini"), v1);
    // The first start copies the shipped file and records it.
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(readText(copy), v1);
    EXPECT_EQ(readText(record), v1);
    ASSERT_TRUE(setIniString("Game", "Fullscreen", "1"));
    ASSERT_TRUE(setIniString("GameTuning", "Spin", "4"));
    ASSERT_TRUE(setIniString("Game", "Mine", "x"));

    // The next version fixes the tip, changes the tuning key and drops a key
    // and a tip the player never touched, and one the player changed.
    const std::string v2 = "[Game]\nFullscreen=0\nNew=1\n[Tip1]\ntl0=Hello\n[GameTuning]\nRotateBalls=0\n";
    writeText(path("program/vm_game.ini"), v2);
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(readText(copy), "[Game]\nFullscreen=1\nMine=x\nNew=1\n[Tip1]\ntl0=Hello\n[GameTuning]\nRotateBalls=0\n"
                              "Spin=4\n");
    EXPECT_EQ(readText(record), v2);
    // Nothing new: nothing is written.
    const ino_t before = inodeOf(copy);
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(inodeOf(copy), before);
}

TEST_F(SettingsTest, ACopyWithoutARecordIsMergedFromTheReleaseThatMadeIt) {
    const std::string copy = path("data/vm_game.ini");
    fs::create_directories(path("program/released"));
    writeText(path("program/released/vm_game-0.9.0.ini"), "[Game]\nFullscreen=0\n[Tip1]\ntl0=A\ntl1=B\n");
    writeText(path("program/released/vm_game-0.10.0.ini"), "[Game]\nFullscreen=0\n[Tip1]\ntl0=C\ntl1=D\n");
    writeText(path("program/released/vm_game-extra.txt"), "[Tip1]\ntl0=A\ntl1=B\n");
    writeText(path("program/vm_game.ini"), "[Game]\nFullscreen=0\n[Tip1]\ntl0=E\ntl1=F\n");
    // Made by 0.9.0 (two keys agree, against one for 0.10.0); full screen and
    // the second line are the player's.
    writeText(copy, "[Game]\nFullscreen=1\n[Tip1]\ntl0=A\ntl1=Mine\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(readText(copy), "[Game]\nFullscreen=1\n[Tip1]\ntl0=E\ntl1=Mine\n");
    EXPECT_EQ(readText(path("data/vm_game.shipped.ini")), readText(path("program/vm_game.ini")));
    // Equal agreement: the newer release (by version, not by spelling).
    fs::remove(path("data/vm_game.shipped.ini"));
    writeText(copy, "[Game]\nFullscreen=0\n[Tip1]\ntl0=A\ntl1=D\n");
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(readText(copy), "[Game]\nFullscreen=0\n[Tip1]\ntl0=A\ntl1=F\n");
}

TEST_F(SettingsTest, ACopyThatCannotBeReadGivesWayToTheShippedFileForTheRunAndIsKept) {
    writeText(path("program/vm_game.ini"), "[Game]\nIniUsers=vm_users.ini\n");
    const std::string copy = path("data/vm_game.ini");
    writeText(copy, "[Game]\nIniUsers=elsewhere.ini\n");
    fs::resize_file(copy, kMaxProfileBytes + 1);
    ASSERT_TRUE(selectIniFile("vm_game.ini", true));
    EXPECT_EQ(getIniString("Game", "IniUsers", ""), "vm_users.ini");
    const std::string notice = takeSettingsNotice();
    EXPECT_NE(notice.find("vm_game.ini was not read: it is larger than the 4 MB"), std::string::npos) << notice;
    EXPECT_TRUE(takeSettingsNotice().empty());
    // Nothing is written for the run, to the shipped file or the copy, and
    // other files still are.
    EXPECT_FALSE(setIniString("Game", "Fullscreen", "1"));
    writeText(path("data/vm_users.ini"), "[User]\n");
    ASSERT_TRUE(selectIniFile("vm_users.ini", false));
    EXPECT_TRUE(setIniString("User", "CountUser", "1"));
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    EXPECT_EQ(getIniString("Game", "IniUsers", ""), "vm_users.ini");
    EXPECT_EQ(readText(path("program/vm_game.ini")), "[Game]\nIniUsers=vm_users.ini\n");
    EXPECT_EQ(fs::file_size(copy), kMaxProfileBytes + 1);
}

TEST_F(SettingsTest, ACopyThatCannotBeUpdatedIsLeftAsItWas) {
    writeText(path("program/vm_game.ini"),
              "[Game]\nFullscreen=0\n[Tip1]\ntl0=" + std::string(4000, 'x') + "\n");
    const std::string copy = "[Game]\nFullscreen=1\n";
    writeText(path("data/vm_game.ini"), copy);
    {
        FileSizeLimit limit(static_cast<rlim_t>(copy.size()));
        ASSERT_TRUE(selectIniFile("vm_game.ini", true));  // the game still starts
    }
    EXPECT_EQ(readText(path("data/vm_game.ini")), copy);
    EXPECT_EQ(std::vector<std::string>{"vm_game.ini"}, platform::listFolder(path("data")));
    EXPECT_EQ(getIniInt("Game", "Fullscreen", 0), 1);
    // Without a shipped file there is nothing to add and nothing changes.
    fs::remove(path("program/vm_game.ini"));
    EXPECT_FALSE(mergeShippedSettings("./vm_game.ini", path("data/vm_game.ini")));
    EXPECT_EQ(readText(path("data/vm_game.ini")), copy);
    // A data folder that is the program's own: the file is its own copy.
    EXPECT_TRUE(mergeShippedSettings(path("data/vm_game.ini"), path("data/./vm_game.ini")));
    EXPECT_EQ(readText(path("data/vm_game.ini")), copy);
}

TEST_F(ProfileTest, AddingMissingEntriesLooksWhereReadsLook) {
    const std::string from = path("shipped.ini"), to = path("copy.ini");
    writeText(from, "[Debug]\nShiftEnable=0\nSpawngunpos=1 2 3\nSpawngunpos=9 9 9\n");
    // Reads see only the first [Debug]: its key in the second copy is lost
    // to them, so it is added where they look.
    writeText(to, "[Debug]\r\nShiftEnable=1\r\n[Debug]\r\nSpawngunpos=7\r\n");
    EXPECT_EQ(profileAddMissing(to, from), 1);
    EXPECT_EQ(readText(to), "[Debug]\r\nShiftEnable=1\r\nSpawngunpos=1 2 3\r\n[Debug]\r\nSpawngunpos=7\r\n");
    EXPECT_EQ(profileAddMissing(to, from), 0);
    // A missing copy is not created, a missing source changes nothing.
    EXPECT_EQ(profileAddMissing(path("none.ini"), from), -1);
    EXPECT_FALSE(fs::exists(path("none.ini")));
    EXPECT_EQ(profileAddMissing(to, path("none.ini")), -1);
}

}  // namespace

TEST(ScreenshotPathTest, NamedAfterTheGameAndTheMomentInThePicturesFolderOrTheDataFolder) {
    const std::string base = testing::TempDir() + "vm_shots_" + std::to_string(::getpid());
    std::filesystem::create_directories(base + "/home/Pictures");
    std::filesystem::create_directories(base + "/data");
    setDataFolderForTests(base + "/data/");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", (base + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    ::unsetenv("XDG_PICTURES_DIR");
    std::tm noon{};
    noon.tm_year = 126, noon.tm_mon = 11, noon.tm_mday = 10, noon.tm_hour = 12, noon.tm_min = 1, noon.tm_sec = 2;
    noon.tm_isdst = -1;
    const time_t when = std::mktime(&noon);
    // No user-dirs file: the data folder.
    EXPECT_EQ(newScreenshotPath(when), base + "/data/vellmoor-2026-12-10-120102.png");
    std::filesystem::create_directories(base + "/config");
    std::ofstream(base + "/config/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n";
    const std::string first = newScreenshotPath(when);
    EXPECT_EQ(first, base + "/home/Pictures/vellmoor-2026-12-10-120102.png");
    // Two in the same second do not overwrite each other.
    std::ofstream(first) << "png";
    EXPECT_EQ(newScreenshotPath(when), base + "/home/Pictures/vellmoor-2026-12-10-120102-2.png");
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    resetSettingsForTests();
    std::filesystem::remove_all(base);
}
