// Where the game finds its data: from the binary's own folder, whatever the
// working folder, and entering it makes the relative data paths hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "frame/system.h"

namespace fs = std::filesystem;

TEST(DataFolder, TheBuildTreesDataIsFoundFromAnyWorkingFolderAndEntered) {
    const fs::path before = fs::current_path();
    const fs::path data = fs::canonical(VM_TEST_DATA_DIR);
    fs::current_path("/");
    const std::string found = sys::locateGameData();
    EXPECT_FALSE(found.empty());
    if (!found.empty()) {
        EXPECT_EQ(fs::canonical(found), data);
    }
    EXPECT_TRUE(sys::enterGameData());
    EXPECT_EQ(fs::current_path(), data);
    EXPECT_TRUE(fs::is_regular_file("vm_game.ini"));
    fs::current_path(before);
}
