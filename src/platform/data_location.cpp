#include "platform/data_location.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#ifndef VM_INSTALL_DATA_DIR
#define VM_INSTALL_DATA_DIR "/usr/local/share/vellmoor"
#endif
// The data folder seen from the installed binary's folder, as configured.
#ifndef VM_DATA_FROM_BIN_DIR
#define VM_DATA_FROM_BIN_DIR "../share/vellmoor"
#endif

namespace fs = std::filesystem;

namespace {
bool holdsGameData(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / "vm_game.ini", ec);
}
}  // namespace

std::string locateGameData() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path dir = exe.parent_path();
        // Build tree: build/data beside build/vellmoor or build/src/vellmoor.
        // Installed: the configured layout first, then the usual one and
        // Debian's games layout, so a moved install still finds its data.
        for (const fs::path& candidate :
             {dir / "data", dir.parent_path() / "data", dir / VM_DATA_FROM_BIN_DIR,
              dir.parent_path() / "share" / "vellmoor", dir.parent_path() / "share" / "games" / "vellmoor",
              dir.parent_path().parent_path() / "share" / "vellmoor"}) {
            if (holdsGameData(candidate)) return fs::weakly_canonical(candidate, ec).string();
        }
    }
    if (holdsGameData(VM_INSTALL_DATA_DIR)) return VM_INSTALL_DATA_DIR;
    if (holdsGameData(fs::current_path(ec))) return fs::current_path(ec).string();
    return {};
}

bool enterGameData() {
    const std::string dir = locateGameData();
    if (dir.empty()) return false;
    return ::chdir(dir.c_str()) == 0;
}
