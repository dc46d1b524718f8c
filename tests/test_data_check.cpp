// A broken install says what is wrong: the built data folder's manifest,
// checked against copies of the folder with one kind of file missing or
// damaged at a time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "frame/data_manifest.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = VM_TEST_DATA_DIR;

class DataCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        copy_ = testing::TempDir() + "vm_datacheck_" + std::to_string(::getpid());
        fs::remove_all(copy_);
        fs::copy(kData, copy_, fs::copy_options::recursive);
    }
    static void TearDownTestSuite() { fs::remove_all(copy_); }

    // Each case works on the copy and puts the file back afterwards.
    struct Change {
        std::string path;
        std::string saved;
        explicit Change(const std::string& rel) : path(copy_ + "/" + rel) {
            std::ifstream in(path, std::ios::binary);
            saved.assign(std::istreambuf_iterator<char>(in), {});
        }
        ~Change() { std::ofstream(path, std::ios::binary) << saved; }
        void remove() const { fs::remove(path); }
        void truncate() const { std::ofstream(path, std::ios::binary) << saved.substr(0, saved.size() / 2); }
        void flipByte() const {
            std::string bytes = saved;
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
            std::ofstream(path, std::ios::binary) << bytes;
        }
    };
    static std::string copy_;
};
std::string DataCheckTest::copy_;

TEST_F(DataCheckTest, TheBuiltFolderIsWholeAndItsManifestListsEveryDataFile) {
    const DataCheck check = checkGameData(kData, true);
    ASSERT_TRUE(check.haveManifest);
    EXPECT_TRUE(check.manifestError.empty()) << check.manifestError;
    EXPECT_TRUE(check.problems.empty()) << describeDataCheck(check);
    EXPECT_TRUE(check.changed.empty()) << describeChangedFiles(check);
    EXPECT_TRUE(check.canRun());
    EXPECT_TRUE(describeDataCheck(check).empty());
    std::ifstream in(kData + "/" + kManifestName);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* listed : {" vm_game.ini\n", " vm_levels.ini\n", " pic/font1.png\n", " sound/gun_shoot.ogg\n",
                               " fx/fx_torch.fx\n", " pic/balls/ball_c1.png\n"})
        EXPECT_NE(text.find(listed), std::string::npos) << listed;
    EXPECT_EQ(text.find("CMakeFiles"), std::string::npos);
    EXPECT_EQ(text.find(" manifest.txt"), std::string::npos);
}

TEST_F(DataCheckTest, EachKindOfMissingFileIsNamedAndOnlyTheNeededOnesStopTheStart) {
    struct Case {
        const char* path;
        bool stops;
    };
    for (const Case& c : {Case{"vm_game.ini", true}, Case{"vm_levels.ini", true}, Case{"pic/font1.png", true},
                          Case{"pic/balls/ball_c3.png", true}, Case{"sound/gun_shoot.ogg", false},
                          Case{"sound/music.mo3", false}, Case{"fx/fx_torch.fx", false},
                          Case{"pic/fon/first_back.png", false}, Case{"vm_texts.loc", false}}) {
        SCOPED_TRACE(c.path);
        Change change(c.path);
        change.remove();
        const DataCheck check = checkGameData(copy_, false);
        ASSERT_EQ(check.problems.size(), 1u);
        EXPECT_EQ(check.problems[0].path, c.path);
        EXPECT_EQ(check.problems[0].kind, DataProblem::Kind::Missing);
        EXPECT_EQ(check.canRun(), !c.stops);
        const std::string message = describeDataCheck(check);
        EXPECT_NE(message.find(std::string(c.path) + " (missing)"), std::string::npos) << message;
        EXPECT_NE(message.find(c.stops ? "cannot start" : "it runs"), std::string::npos) << message;
    }
}

TEST_F(DataCheckTest, FilesThatDifferFromTheManifestAreUsedAndNamedOnceOnlyUnreadableOnesCount) {
    {
        // A packager's change of size, and one of content only: the game
        // runs on both and one line names them.
        Change sound("sound/bonus_ink.ogg");
        sound.truncate();
        Change ball("pic/balls/ball_c1.png");
        ball.flipByte();
        const DataCheck bySize = checkGameData(copy_, false);
        EXPECT_TRUE(bySize.problems.empty());
        EXPECT_TRUE(bySize.canRun());
        EXPECT_EQ(bySize.changed, std::vector<std::string>{"sound/bonus_ink.ogg"});
        EXPECT_TRUE(describeDataCheck(bySize).empty());
        const DataCheck byContent = checkGameData(copy_, true);
        EXPECT_TRUE(byContent.canRun());
        EXPECT_EQ(byContent.changed, (std::vector<std::string>{"pic/balls/ball_c1.png", "sound/bonus_ink.ogg"}));
        const std::string line = describeChangedFiles(byContent);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 0) << line;
        EXPECT_NE(line.find("2 files differ"), std::string::npos) << line;
        // The ball is essential: it is handed on to be decoded.
        EXPECT_NE(std::find(byContent.essentials.begin(), byContent.essentials.end(), "pic/balls/ball_c1.png"),
                  byContent.essentials.end());
    }
    if (::geteuid() != 0) {
        // One the game cannot open stops it when it is needed.
        Change levels("vm_levels.ini");
        fs::permissions(levels.path, fs::perms::none);
        const DataCheck check = checkGameData(copy_, false);
        fs::permissions(levels.path, fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_EQ(check.problems.size(), 1u);
        EXPECT_EQ(check.problems[0].kind, DataProblem::Kind::Unreadable);
        EXPECT_FALSE(check.canRun());
        EXPECT_NE(describeDataCheck(check).find("vm_levels.ini (unreadable)"), std::string::npos);
    }
    // Many at once: five named, the rest counted.
    std::vector<std::unique_ptr<Change>> many;
    for (const char* p : {"fx/fx_rain.fx", "fx/fx_nuke.fx", "fx/fx_energy.fx", "fx/fx_explode.fx", "fx/fx_splashes.fx",
                          "fx/fx_title.fx", "fx/fx_wait1.fx"}) {
        many.push_back(std::make_unique<Change>(p));
        many.back()->remove();
    }
    const std::string message = describeDataCheck(checkGameData(copy_, false));
    EXPECT_NE(message.find("and 2 more"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 7) << message;
}

TEST(DataManifest, AManifestThatIsNotOneIsRefusedWithAReason) {
    std::vector<ManifestEntry> entries;
    std::string error;
    EXPECT_TRUE(parseManifest("# comment\n12 00000000000000ff pic/a.png\n", entries, error));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, 12u);
    EXPECT_EQ(entries[0].sum, 0xFFu);
    EXPECT_EQ(entries[0].path, "pic/a.png");
    for (const char* bad : {"twelve ff a.png\n", "12 ff\n", "12 ff ../../etc/passwd\n", "12 ff /etc/passwd\n"}) {
        error.clear();
        EXPECT_FALSE(parseManifest(bad, entries, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(parseManifest(std::string(5 << 20, '#'), entries, error));
    // An unreadable manifest does not stop the game: nothing is known
    // against the files but what it needs.
    DataCheck unreadable;
    unreadable.haveManifest = true;
    unreadable.manifestError = "line 2 of the manifest does not parse";
    EXPECT_TRUE(unreadable.canRun());
    EXPECT_NE(describeDataCheck(unreadable).find("cannot be checked"), std::string::npos);
    unreadable.addDamaged("pic/font1.map");
    EXPECT_FALSE(unreadable.canRun());
    EXPECT_NE(describeDataCheck(unreadable).find("pic/font1.map (damaged)"), std::string::npos);
    // Checksums tell one changed byte, and the length, apart.
    EXPECT_NE(dataChecksum("abcdefghij"), dataChecksum("abcdefghik"));
    EXPECT_NE(dataChecksum(std::string(8, '\0')), dataChecksum(std::string(9, '\0')));
    EXPECT_EQ(dataChecksum("same"), dataChecksum("same"));
}

}  // namespace
