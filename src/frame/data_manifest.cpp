#include "frame/data_manifest.h"

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
    if (!manifestError.empty()) return true;  // nothing known against the files
    return std::none_of(problems.begin(), problems.end(), [](const DataProblem& p) { return p.essential; });
}

DataCheck checkGameData(const std::string& folder, bool checksums) {
    DataCheck check;
    std::string text;
    if (!platform::readFile(folder + "/" + kManifestName, text)) return check;
    check.haveManifest = true;
    std::vector<ManifestEntry> entries;
    if (!parseManifest(text, entries, check.manifestError)) return check;
    for (const ManifestEntry& e : entries) {
        const std::string path = folder + "/" + e.path;
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        DataProblem problem{e.path, false, essentialDataFile(e.path)};
        if (ec) {
            problem.missing = true;
        } else if (size != e.size) {
            // damaged: a file cut short or grown
        } else if (checksums) {
            std::string bytes;
            if (platform::readFile(path, bytes) && dataChecksum(bytes) == e.sum) continue;
        } else {
            continue;
        }
        check.problems.push_back(problem);
    }
    return check;
}

std::string describeDataCheck(const DataCheck& check) {
    std::ostringstream out;
    if (!check.manifestError.empty()) {
        out << "The game's data cannot be checked: " << check.manifestError << ".";
        return out.str();
    }
    if (check.problems.empty()) return {};
    out << (check.canRun() ? "Some of the game's files are missing or damaged; it runs, but may look or sound wrong:"
                           : "The game cannot start: files it needs are missing or damaged:");
    int named = 0;
    for (const DataProblem& p : check.problems) {
        if (named == kNamed) break;
        out << "\n  " << p.path << (p.missing ? " (missing)" : " (damaged)");
        ++named;
    }
    if (check.problems.size() > kNamed) out << "\n  and " << check.problems.size() - kNamed << " more";
    out << "\nReinstalling the game puts them back.";
    return out.str();
}
