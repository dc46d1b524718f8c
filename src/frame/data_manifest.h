// The data folder's manifest: every file the build laid out, with its size
// and checksum, in "manifest.txt" beside them. At start the game compares
// the folder with it, so that a broken install names what is wrong instead
// of showing blank pictures or never starting a level.
#pragma once

#include <cstdint>
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
    std::string path;
    bool missing = false;  // else damaged (wrong size or checksum)
    bool essential = false;
};

struct DataCheck {
    bool haveManifest = false;
    std::string manifestError;  // set when the manifest itself is unreadable
    std::vector<DataProblem> problems;
    bool canRun() const;
};

// Files the game cannot run without: the settings, the levels, the texts'
// font and the ball pictures. Everything else only looks or sounds wrong.
bool essentialDataFile(const std::string& relativePath);
// Sizes of every file; checksums too when `checksums` is set.
DataCheck checkGameData(const std::string& folder, bool checksums);
// What to tell the user: up to five files by name, then a count.
std::string describeDataCheck(const DataCheck& check);
