// The kept copies of settings files, their size limit, damaged lines, and
// the temporary files a killed save leaves behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/profile.h"
#include "frame/settings.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class SettingsCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = testing::TempDir() + "vm_cache_" + std::to_string(::getpid()) + "_" + info->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir);
        clearDebugLog();
    }
    void TearDown() override {
        fs::remove_all(dir);
        resetSettingsForTests();
    }
    static void write(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names = platform::listFolder(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
    // A process id that no process has: a child that has ended and been reaped.
    static pid_t deadPid() {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        int status = 0;
        ::waitpid(child, &status, 0);
        return child;
    }
    std::string dir;
};

}  // namespace

TEST_F(SettingsCacheTest, ChangesByAnotherProgramAreSeenAtOnce) {
    const std::string f = dir + "a.ini";
    write(f, "[S]\nk=1\n");
    EXPECT_EQ(profileGetString(f, "S", "k", ""), "1");
    // The same size, written within the same tick of the file clock: only
    // the bytes tell the versions apart.
    write(f, "[S]\nk=2\n");
    EXPECT_EQ(profileGetString(f, "S", "k", ""), "2");
    // Replaced by a rename (a new inode), as editors save.
    write(f + ".new", "[S]\nk=3\n");
    fs::rename(f + ".new", f);
    EXPECT_EQ(profileGetInt(f, "S", "k", 0), 3);
    // A file that is old enough is trusted on its signature; a change to it
    // still moves its times.
    write(f, "[S]\nk=4\n");
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), old, 0), 0);
    EXPECT_EQ(profileGetInt(f, "S", "k", 0), 4);
    write(f, "[S]\nk=5\n");
    EXPECT_EQ(profileGetInt(f, "S", "k", 0), 5);
    // Gone: the defaults.
    fs::remove(f);
    EXPECT_EQ(profileGetInt(f, "S", "k", 9), 9);
}

TEST_F(SettingsCacheTest, WritesThroughTheLayerAreReadBackAndReachTheDisk) {
    const std::string f = dir + "b.ini";
    write(f, "; note\r\n[S]\r\nk = old\r\nother=x\r\n");
    EXPECT_EQ(profileGetString(f, "s", "K", ""), "old");
    ASSERT_TRUE(profileWriteString(f, "S", "k", "new"));
    EXPECT_EQ(profileGetString(f, "S", "k", ""), "new");
    ASSERT_TRUE(profileWriteString(f, "T", "n", "7"));
    EXPECT_EQ(profileGetInt(f, "T", "n", 0), 7);
    ASSERT_TRUE(profileWriteSection(f, "S", "a=1\0b=2\0"));
    EXPECT_EQ(profileGetString(f, "S", "k", "gone"), "gone");
    EXPECT_EQ(profileGetString(f, "S", "b", ""), "2");
    EXPECT_EQ(read(f), "; note\r\n[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nn=7\r\n");
    // What was kept is what a fresh read finds.
    profileForgetCachedFiles();
    EXPECT_EQ(profileGetString(f, "S", "b", ""), "2");
    EXPECT_EQ(profileGetInt(f, "T", "n", 0), 7);
    // A write that fails is reported and leaves the reads on the old file.
    fs::create_directories(dir + "locked");
    const std::string g = dir + "locked/c.ini";
    write(g, "[S]\nk=1\n");
    ASSERT_EQ(::chmod((dir + "locked").c_str(), 0555), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(profileWriteString(g, "S", "k", "2"));
        EXPECT_EQ(profileGetString(g, "S", "k", ""), "1");
    }
    ::chmod((dir + "locked").c_str(), 0755);
}

TEST_F(SettingsCacheTest, AFileOverTheLimitIsRefusedAndNeverRewritten) {
    const std::string f = dir + "big.ini";
    std::string content = "[S]\nk=1\n";
    content += std::string(kMaxProfileBytes, ';');
    write(f, content);
    EXPECT_EQ(profileGetString(f, "S", "k", "def"), "def");
    EXPECT_NE(debugLog().find("Settings file " + f + " refused: larger than 4194304 bytes"), std::string::npos)
        << debugLog();
    EXPECT_FALSE(profileWriteString(f, "S", "k", "2"));
    EXPECT_EQ(fs::file_size(f), content.size());
    // Reads of a refused file cost no second look at its content.
    clearDebugLog();
    EXPECT_EQ(profileGetString(f, "S", "k", "def"), "def");
    EXPECT_TRUE(debugLog().empty());

    // A write that would grow a file past the limit fails, the file stays.
    const std::string g = dir + "grow.ini";
    write(g, "[S]\n" + std::string(kMaxProfileBytes - 100, ';') + "\n");
    EXPECT_FALSE(profileWriteString(g, "S", "k", std::string(200, 'x').c_str()));
    EXPECT_EQ(fs::file_size(g), kMaxProfileBytes - 95);
    EXPECT_TRUE(profileWriteString(g, "S", "k", "small"));
    EXPECT_EQ(profileGetString(g, "S", "k", ""), "small");
}

TEST_F(SettingsCacheTest, LinesWithZerosOrStrayReturnsReadAsBeforeAndDoNotBlockWrites) {
    const std::string f = dir + "d.ini";
    const std::string content = std::string("[Game]\nName=Bo\0b\nKey\r=val\rue\nA=1\r\r\n[Us\rer]\nX=1\n", 48);
    write(f, content);
    EXPECT_EQ(profileGetString(f, "Game", "Name", ""), std::string("Bo\0b", 4));
    EXPECT_EQ(profileGetString(f, "Game", "Key", ""), "val\rue");
    EXPECT_EQ(profileGetString(f, "Game", "A", ""), "1");
    EXPECT_EQ(profileGetString(f, "Us\rer", "X", ""), "1");
    EXPECT_EQ(profileGetString(f, "Game", nullptr, ""), std::string("Name\0Key\0A\0", 11));
    // A write elsewhere in the file keeps those lines byte for byte.
    ASSERT_TRUE(profileWriteString(f, "Game", "New", "2"));
    const std::string after = read(f);
    EXPECT_EQ(after.substr(0, 33), content.substr(0, 33));
    EXPECT_EQ(profileGetString(f, "Game", "New", ""), "2");
    // And those keys themselves can be written.
    ASSERT_TRUE(profileWriteString(f, "Game", "Key", "plain"));
    ASSERT_TRUE(profileWriteString(f, "Game", "Name", "Bob"));
    EXPECT_EQ(profileGetString(f, "Game", "Key", ""), "plain");
    EXPECT_EQ(profileGetString(f, "Game", "Name", ""), "Bob");
    // A name with a line break is refused as always; the file stays writable.
    EXPECT_FALSE(profileWriteSection(f, "Us\rer", nullptr));
    ASSERT_TRUE(profileWriteString(f, "Game", "A", "3"));
    EXPECT_EQ(profileGetString(f, "Us\rer", "X", ""), "1");
    EXPECT_EQ(profileGetString(f, "Game", "A", ""), "3");
}

TEST_F(SettingsCacheTest, TemporaryFilesOfEndedSavesGoAtTheNextStart) {
    const pid_t dead = deadPid();
    const std::string mine = std::to_string(::getpid());
    const std::string gone = std::to_string(dead);
    for (const std::string& name : std::vector<std::string>{"vm_game.ini", "vm_game.ini.tmp" + gone + "_0", "vm_game.ini.tmp" + gone + "_17",
          "vm_users.ini.tmp" + gone + "_3", "vm_game.ini.tmp" + mine + "_1", "notes.tmp" + gone,
          "vm_game.ini.tmp" + gone + "_x", "vm_game.ini.tmp_1", ".tmp" + gone + "_1"})
        write(dir + name, "[Game]\n");
    fs::create_directories(dir + "keep.tmp" + gone + "_2");

    // Selecting a file clears its own leftovers only.
    ASSERT_TRUE(selectIniFile(dir + "vm_game.ini", false));
    EXPECT_EQ(entries(), (std::vector<std::string>{".tmp" + gone + "_1", "keep.tmp" + gone + "_2", "notes.tmp" + gone,
                                                   "vm_game.ini", "vm_game.ini.tmp" + mine + "_1",
                                                   "vm_game.ini.tmp" + gone + "_x", "vm_game.ini.tmp_1",
                                                   "vm_users.ini.tmp" + gone + "_3"}));
    // The game's folder at start: every leftover of an ended writer, nothing else.
    EXPECT_EQ(platform::removeStaleTempFiles(dir), 1);
    EXPECT_EQ(entries(), (std::vector<std::string>{".tmp" + gone + "_1", "keep.tmp" + gone + "_2", "notes.tmp" + gone,
                                                   "vm_game.ini", "vm_game.ini.tmp" + mine + "_1",
                                                   "vm_game.ini.tmp" + gone + "_x", "vm_game.ini.tmp_1"}));
    // A save of this run leaves nothing behind.
    ASSERT_TRUE(setIniString("Game", "Level", "3"));
    EXPECT_EQ(entries().size(), 7u);
    // The instance lock makes the folder ours: every leftover goes, whatever
    // id its writer had (pid 1 is alive in every container), staging copies too.
    write(dir + "vm_users.ini.tmp1_4", "[User]\n");
    write(dir + "vm_users.ini.commit", "[User]\n");
    ASSERT_TRUE(platform::acquireInstanceLock(dir + "vellmoor.lock"));
    platform::releaseInstanceLock();
    EXPECT_EQ(entries(), (std::vector<std::string>{".tmp" + gone + "_1", "keep.tmp" + gone + "_2", "notes.tmp" + gone,
                                                   "vellmoor.lock", "vm_game.ini", "vm_game.ini.tmp" + gone + "_x",
                                                   "vm_game.ini.tmp_1"}));
}
