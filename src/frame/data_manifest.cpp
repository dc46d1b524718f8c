#include "frame/data_manifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxManifestBytes = 4 << 20;
constexpr size_t kMaxEntries = 100000;
constexpr int kNamed = 5;

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool endsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

uint64_t dataChecksum(const std::string& bytes) {
    // Eight bytes at a time, so that checking the whole folder at start
    // costs milliseconds.
    uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w = 0;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ mix(w)) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    return mix(h ^ mix(tail + (bytes.size() - i)));
}

bool belongsInManifest(const std::string& p) {
    if (p == kManifestName || startsWith(p, "CMakeFiles/") || p == "cmake_install.cmake" ||
        p == "CTestTestfile.cmake" || startsWith(p, "campaign/") || startsWith(p, "shapes/"))
        return false;
    const std::string name = p.substr(p.find_last_of('/') + 1);
    // Written beside the data by the game or the tools, never shipped.
    return !endsWith(name, ".lock") && name != "levels.txt" && !startsWith(name, "screenshot-");
}

std::string makeManifest(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string rel = fs::relative(it->path(), folder, ec).generic_string();
        if (belongsInManifest(rel)) paths.push_back(rel);
    }
    std::sort(paths.begin(), paths.end());
    std::ostringstream out;
    out << "# size checksum path: the game's data as the build laid it out\n";
    for (const std::string& rel : paths) {
        std::string bytes;
        if (!platform::readFile(folder + "/" + rel, bytes)) continue;
        char sum[17];
        std::snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(dataChecksum(bytes)));
        out << bytes.size() << ' ' << sum << ' ' << rel << '\n';
    }
    return out.str();
}

bool parseManifest(const std::string& text, std::vector<ManifestEntry>& out, std::string& error) {
    out.clear();
    if (text.size() > kMaxManifestBytes) {
        error = "the manifest is too large";
        return false;
    }
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        ManifestEntry e;
        unsigned long long size = 0, sum = 0;
        int consumed = 0;
        if (std::sscanf(line.c_str(), "%llu %16llx %n", &size, &sum, &consumed) != 2 || consumed <= 0 ||
            static_cast<size_t>(consumed) >= line.size()) {
            error = "line " + std::to_string(number) + " of the manifest does not parse";
            return false;
        }
        e.size = size;
        e.sum = sum;
        e.path = line.substr(static_cast<size_t>(consumed));
        // Only plain paths inside the folder.
        if (e.path[0] == '/' || e.path.find("..") != std::string::npos || e.path.find('\0') != std::string::npos) {
            error = "line " + std::to_string(number) + " of the manifest names a file outside the data";
            return false;
        }
        if (out.size() >= kMaxEntries) {
            error = "the manifest lists too many files";
            return false;
        }
        out.push_back(std::move(e));
    }
    return true;
}

bool essentialDataFile(const std::string& p) {
    return p == "vm_game.ini" || p == "vm_levels.ini" || startsWith(p, "pic/font1.") || startsWith(p, "pic/balls/");
}

bool DataCheck::canRun() const {
    return std::none_of(problems.begin(), problems.end(), [](const DataProblem& p) { return p.essential; });
}

void DataCheck::addDamaged(const std::string& path) {
    problems.push_back(DataProblem{path, DataProblem::Kind::Damaged, essentialDataFile(path)});
}

namespace {

// Whether the file can be opened and read at all.
bool opens(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char byte;
    const bool ok = ::read(fd, &byte, 1) >= 0;
    ::close(fd);
    return ok;
}

// A frame map the build does not make but that the game reads when it is
// there: one beside the font replaces the font's grid.
void addOptionalEssentials(const std::string& folder, DataCheck& check) {
    for (const char* name : {"pic/font1.map"}) {
        std::error_code ec;
        if (fs::exists(folder + "/" + name, ec) &&
            std::find(check.essentials.begin(), check.essentials.end(), name) == check.essentials.end())
            check.essentials.emplace_back(name);
    }
}

// Without a manifest: the essential files by name, the balls by listing.
void findEssentials(const std::string& folder, DataCheck& check) {
    for (const char* name : {"vm_game.ini", "vm_levels.ini", "pic/font1.png"}) {
        std::error_code ec;
        if (fs::is_regular_file(folder + "/" + name, ec))
            check.essentials.emplace_back(name);
        else
            check.problems.push_back(DataProblem{name, DataProblem::Kind::Missing, true});
    }
    std::vector<std::string> balls;
    for (const std::string& entry : platform::listFolder(folder + "/pic/balls/"))
        if (endsWith(entry, ".png")) balls.push_back("pic/balls/" + entry);
    std::sort(balls.begin(), balls.end());
    check.essentials.insert(check.essentials.end(), balls.begin(), balls.end());
}

}  // namespace

DataCheck checkGameData(const std::string& folder, bool checksums) {
    DataCheck check;
    std::string text;
    std::vector<ManifestEntry> entries;
    std::error_code ec;
    if (!fs::exists(folder + "/" + kManifestName, ec)) {
        check.manifestError = std::string(kManifestName) + " is missing";
        check.manifestErrorKey = "STARTUP_MANIFEST_MISSING";
    } else if (!platform::readFile(folder + "/" + kManifestName, text)) {
        check.manifestError = std::string(kManifestName) + " cannot be read";
        check.manifestErrorKey = "STARTUP_MANIFEST_UNREADABLE";
    } else if (!parseManifest(text, entries, check.manifestError)) {
        check.haveManifest = true;
    } else if (entries.empty()) {
        check.haveManifest = true;
        check.manifestError = std::string(kManifestName) + " lists no files";
        check.manifestErrorKey = "STARTUP_MANIFEST_EMPTY";
    }
    if (!check.manifestError.empty()) {
        findEssentials(folder, check);
        addOptionalEssentials(folder, check);
        return check;
    }
    check.haveManifest = true;
    for (const ManifestEntry& e : entries) {
        const std::string path = folder + "/" + e.path;
        const bool essential = essentialDataFile(e.path);
        std::error_code sizeError;
        const auto size = fs::file_size(path, sizeError);
        if (sizeError) {
            check.problems.push_back(DataProblem{e.path, DataProblem::Kind::Missing, essential});
            continue;
        }
        if (!opens(path)) {
            check.problems.push_back(DataProblem{e.path, DataProblem::Kind::Unreadable, essential});
            continue;
        }
        if (essential) check.essentials.push_back(e.path);
        if (size != e.size) {
            check.changed.push_back(e.path);
        } else if (checksums) {
            std::string bytes;
            if (platform::readFile(path, bytes) && dataChecksum(bytes) != e.sum) check.changed.push_back(e.path);
        }
    }
    addOptionalEssentials(folder, check);
    return check;
}

std::string describeDataCheck(const DataCheck& check, const StartupWording& wording) {
    auto say = [&](const char* key, const char* english) { return wording ? wording(key, english) : english; };
    std::ostringstream out;
    if (!check.manifestError.empty()) {
        out << say("STARTUP_DATA_UNCHECKED", "The game's data cannot be checked:") << " "
            << (check.manifestErrorKey ? say(check.manifestErrorKey, check.manifestError.c_str()) : check.manifestError)
            << ".";
        if (check.problems.empty()) return out.str();
        out << "\n";
    }
    if (check.problems.empty()) return {};
    out << (check.canRun() ? say("STARTUP_DATA_DAMAGED",
                                 "Some of the game's files are missing or damaged; it runs, but may look or sound wrong:")
                           : say("STARTUP_DATA_BROKEN", "The game cannot start: files it needs are missing or damaged:"));
    int named = 0;
    for (const DataProblem& p : check.problems) {
        if (named == kNamed) break;
        const std::string what = p.kind == DataProblem::Kind::Missing      ? say("STARTUP_FILE_MISSING", "(missing)")
                                 : p.kind == DataProblem::Kind::Unreadable ? say("STARTUP_FILE_UNREADABLE", "(unreadable)")
                                                                           : say("STARTUP_FILE_DAMAGED", "(damaged)");
        out << "\n  " << p.path << " " << what;
        ++named;
    }
    if (check.problems.size() > kNamed) {
        std::string more = say("STARTUP_MORE_FILES", "and {n} more");
        if (const size_t at = more.find("{n}"); at != std::string::npos)
            more.replace(at, 3, std::to_string(check.problems.size() - kNamed));
        out << "\n  " << more;
    }
    out << "\n" << say("STARTUP_REINSTALL", "Reinstalling the game puts them back.");
    return out.str();
}

std::string describeChangedFiles(const DataCheck& check) {
    if (check.changed.empty()) return {};
    std::ostringstream out;
    out << check.changed.size() << (check.changed.size() == 1 ? " file differs" : " files differ")
        << " from the build's manifest and " << (check.changed.size() == 1 ? "is" : "are") << " used as "
        << (check.changed.size() == 1 ? "it is" : "they are") << ":";
    for (size_t i = 0; i < check.changed.size() && i < kNamed; ++i) out << (i ? ", " : " ") << check.changed[i];
    if (check.changed.size() > kNamed) out << " and " << check.changed.size() - kNamed << " more";
    return out.str();
}
