// Where the game finds its data: from the binary's own folder, whatever the
// working folder, and entering it makes the relative data paths hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "frame/system.h"

namespace fs = std::filesystem;

TEST(DataLocation, TheBuildTreesDataIsFoundFromAnyWorkingFolderAndEntered) {
    const fs::path before = fs::current_path();
    const fs::path data = fs::canonical(VM_TEST_DATA_DIR);
    // A working folder that looks like a data folder does not win over the
    // data beside the binary: a game started from some other game's folder
    // must still read its own files.
    const fs::path decoy = fs::path(testing::TempDir()) / ("vm_decoy_" + std::to_string(::getpid()));
    fs::create_directories(decoy);
    std::ofstream(decoy / "vm_game.ini") << "[Game]\n";
    for (const fs::path& cwd : {fs::path("/"), decoy}) {
        SCOPED_TRACE(cwd.string());
        fs::current_path(cwd);
        const std::string found = sys::locateGameData();
        EXPECT_FALSE(found.empty());
        if (!found.empty()) {
            EXPECT_EQ(fs::canonical(found), data);
        }
        EXPECT_TRUE(sys::enterGameData());
        EXPECT_EQ(fs::current_path(), data);
        EXPECT_TRUE(fs::is_regular_file("vm_game.ini"));
    }
    fs::current_path(before);
    fs::remove_all(decoy);
}
