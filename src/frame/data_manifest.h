// The data folder's manifest: every file the build laid out, with its size
// and checksum, in "manifest.txt" beside them. At start the game compares
// the folder with it, so that a broken install names what is wrong instead
// of showing blank pictures or never starting a level.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr const char* kManifestName = "manifest.txt";

struct ManifestEntry {
    std::string path;  // relative to the data folder, "/"-separated
    uint64_t size = 0;
    uint64_t sum = 0;
};

// A fast 64-bit checksum of the bytes (not for security: for damage).
uint64_t dataChecksum(const std::string& bytes);

// Whether the build lists a file there at all (its own files are not data).
bool belongsInManifest(const std::string& relativePath);
// The manifest text for every file below folder, sorted by path.
std::string makeManifest(const std::string& folder);
// False (with a reason) for a manifest that is not one: too large, too many
// lines, a line that does not parse, a path that leaves the folder.
bool parseManifest(const std::string& text, std::vector<ManifestEntry>& out, std::string& error);

struct DataProblem {
    enum class Kind { Missing, Unreadable, Damaged };
    std::string path;
    Kind kind = Kind::Missing;
    bool essential = false;
};

// What the start-up check found. Only a file the game cannot do without
// that is missing, unreadable or does not decode stops it: a file that
// differs from the manifest but reads is used as it is (an administrator,
// a packager or a mod may have changed it).
struct DataCheck {
    bool haveManifest = false;
    std::string manifestError;  // the manifest is missing, empty or unreadable
    const char* manifestErrorKey = nullptr;  // its text's key, when it has one
    std::vector<DataProblem> problems;
    std::vector<std::string> changed;     // differ from the manifest, used as they are
    std::vector<std::string> essentials;  // the essential files present, to be decoded
    bool canRun() const;
    void addDamaged(const std::string& path);
};

// Files the game cannot run without: the settings, the levels, the texts'
// font and the ball pictures. Everything else only looks or sounds wrong.
bool essentialDataFile(const std::string& relativePath);
// Every file the manifest lists is present and can be opened; with
// `checksums` the ones of the same size are compared by content too, to
// name changed files. Without a manifest the essential files are looked
// for by name.
DataCheck checkGameData(const std::string& folder, bool checksums);
// What to tell the user about missing, unreadable and damaged files: up to
// five by name, then a count; and a manifest that cannot be used. Empty
// when there is nothing to tell. `say` gives the words of a text key in
// the player's language ("{n}" stands for a number), English without it.
using StartupWording = std::function<std::string(const char* key, const char* english)>;
std::string describeDataCheck(const DataCheck& check, const StartupWording& say = {});
// One line naming the changed files (up to five), empty when there are none.
std::string describeChangedFiles(const DataCheck& check);
