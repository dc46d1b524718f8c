#include "frame/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <utility>

#include "frame/errors.h"
#include "frame/log.h"
#include "frame/profile.h"
#include "platform/platform.h"

namespace {

constexpr int kIniStringBufferSize = 32768;
constexpr const char* kDefaultFxPath = "./fx/";
constexpr const char* kDefaultPicturesPath = "./pic/";

struct EngineSettings {
    std::string fxSystemPath = kDefaultFxPath;
    std::string picturesPath = kDefaultPicturesPath;
    bool psLiveUpdate = false;
    bool shiftEnabled = false;
    bool customCursor = false;
};

std::string g_iniPath;
// The shipped settings standing in, read only, for a player's copy that was
// refused at start; empty while the copy is in use.
std::string g_mainFallback;
std::string g_settingsNotice;  // that refusal, for the player
std::string g_dataFolder;
EngineSettings g_engine;
std::function<bool()> g_fullscreenToggle;
int g_fileHandle = -1;

bool hasSeparator(const std::string& name) {
    return name.find_first_of("/\\") != std::string::npos;
}

// The paths are used as prefixes: a folder written without its final slash
// would glue the folder name to every file name.
std::string asFolderPrefix(const std::string& value) {
    std::string folder = platform::normalizeSeparators(value);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*" and "?" wildcards, letters compared without case, as the system's
// file search does.
bool wildcardMatch(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || lower(*pattern) == lower(*name)) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

int getIniInt(const char* section, const char* key, int def) {
    return profileGetInt(g_iniPath, section, key, def);
}

std::string getIniString(const char* section, const char* key, const char* def) {
    return profileGetString(g_iniPath, section, key, def ? def : "", kIniStringBufferSize);
}

bool setIniString(const char* section, const char* key, const char* value) {
    if (g_iniPath.empty() || g_iniPath == g_mainFallback) return false;
    return profileWriteString(g_iniPath, section, key, value);
}

int getIniSection(const char* section, char* buffer, int size) {
    return profileGetSection(g_iniPath, section, buffer, size);
}

bool setIniSection(const char* section, const char* text) {
    if (g_iniPath.empty() || g_iniPath == g_mainFallback) return false;
    return profileWriteSection(g_iniPath, section, text);
}

std::string newScreenshotPath(time_t when) {
    std::string folder = platform::picturesFolder();
    if (folder.empty()) folder = g_dataFolder.empty() ? "." : g_dataFolder;
    if (folder.back() != '/') folder += '/';
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "vellmoor-%Y-%m-%d-%H%M%S", &local);
    for (int n = 1; n < 1000; ++n) {
        const std::string path = folder + stamp + (n == 1 ? "" : "-" + std::to_string(n)) + ".png";
        if (!platform::fileExists(path)) return path;
    }
    return folder + stamp + ".png";
}

std::string lastWriteError() {
    const int error = platform::lastWriteErrno();
    return error != 0 ? std::strerror(error) : std::string();
}

void initDataFolder(const std::string& leaf) {
    g_dataFolder = platform::normalizeSeparators(leaf);
    if (leaf.empty() || !platform::installed()) return;
    // "\Org\App\" names the folder the platform keeps for this program.
    std::vector<std::string> parts;
    std::string part;
    for (char c : g_dataFolder + "/") {
        if (c != '/') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    if (parts.empty()) return;
    std::string org;
    std::string app = parts.back();
    if (parts.size() > 1) {
        org = parts.front();
        app.clear();
        for (size_t i = 1; i < parts.size(); ++i) app += (i > 1 ? "/" : "") + parts[i];
    }
    std::string folder = platform::current().prefPath(org, app);
    if (folder.empty()) return;
    if (folder.back() != '/') folder += '/';
    g_dataFolder = folder;
    platform::createDirectories(folder);
    // What a killed save left in this folder goes when the instance lock is
    // taken: only the lock tells a dead writer from another running copy.
}

const std::string& dataFolder() {
    return g_dataFolder;
}

std::string makeDataPath(const std::string& name) {
    return g_dataFolder.empty() ? "./" + name : g_dataFolder + name;
}

// A save cut short (the game killed while writing) leaves its temporary file
// beside the target; the first use of a file outside the game's own folder
// (which the instance lock clears) clears its leftovers of writers gone.
static std::set<std::string> g_leftoversCleared;

static void clearLeftoversOnce(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    if (!g_dataFolder.empty() && target.compare(0, slash + 1, g_dataFolder) == 0) return;
    if (!g_leftoversCleared.insert(target).second) return;
    platform::removeStaleTempFiles(slash == std::string::npos ? "." : target.substr(0, slash + 1),
                                   slash == std::string::npos ? target : target.substr(slash + 1));
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    struct stat x {};
    struct stat y {};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string stemOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ini") == 0) name.resize(name.size() - 4);
    return name;
}

// A copy made before the game kept records came from a released version.
// The shipped file of every release is kept beside the game's data
// ("released/vm_game-<version>.ini"); the copy's origin is the release it
// agrees with on the most keys, the newest of equals. None: no origin.
std::string releasedOrigin(const std::string& shipped, const std::string& copy) {
    const std::string folder = folderOf(shipped) + "released/";
    const std::string prefix = stemOf(shipped) + "-";
    std::string best;
    std::string bestVersion;
    int bestScore = -1;
    for (const std::string& entry : platform::listFolder(folder)) {
        if (entry.size() <= prefix.size() + 4 || entry.compare(0, prefix.size(), prefix) != 0 ||
            entry.compare(entry.size() - 4, 4, ".ini") != 0)
            continue;
        const std::string version = entry.substr(prefix.size(), entry.size() - prefix.size() - 4);
        const int score = profileAgreement(copy, folder + entry);
        if (score < 0) continue;
        if (score > bestScore || (score == bestScore && ::strverscmp(version.c_str(), bestVersion.c_str()) > 0)) {
            best = folder + entry;
            bestVersion = version;
            bestScore = score;
        }
    }
    return best;
}

// Keeps a copy of the shipped file the player's copy now follows.
bool keepShippedRecord(const std::string& shipped, const std::string& record) {
    std::string now;
    std::string kept;
    if (!platform::readFile(shipped, now)) return false;
    if (platform::readFile(record, kept) && kept == now) return true;
    if (platform::writeFileAtomic(record, now)) return true;
    debugCheck(false, "Settings record %s not written: %s", record.c_str(), lastWriteError().c_str());
    return false;
}

// The player's copy cannot be read: this run reads the shipped settings and
// writes none, so the copy stays for the player to mend or delete.
bool fallBackToShipped(const std::string& copy, const std::string& why, const std::string& shipped) {
    if (!profileReadable(shipped, nullptr)) return false;
    g_settingsNotice = copy.substr(copy.find_last_of('/') + 1) + " was not read: " + why;
    logLine(LogLevel::Warning, "vellmoor: the settings file " + copy + " is refused: " + why +
                                   "; this run uses the shipped settings and saves none of them");
    g_mainFallback = shipped;
    g_iniPath = shipped;
    return true;
}

}  // namespace

std::string shippedRecordPath(const std::string& copy) {
    return folderOf(copy) + stemOf(copy) + ".shipped.ini";
}

std::string takeSettingsNotice() {
    return std::exchange(g_settingsNotice, std::string());
}

bool selectIniFile(const std::string& name, bool copyDefault) {
    const bool plain = !hasSeparator(name);
    const bool main = plain && name == kMainSettingsFile;
    if (main && !g_mainFallback.empty()) {
        g_iniPath = g_mainFallback;
        return true;
    }
    const std::string target = plain ? makeDataPath(name) : platform::normalizeSeparators(name);
    const std::string source = plain ? "./" + name : target;
    clearLeftoversOnce(target);
    if (main && copyDefault) {
        std::string why;
        if (profileReadable(target, &why)) {
            // A new version's settings reach the copy; the player's own stay.
            mergeShippedSettings(source, target);
            g_iniPath = target;
            return true;
        }
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) return fallBackToShipped(target, why, source);
    } else if (openFile(target, 0)) {
        closeFile();
        g_iniPath = target;
        return true;
    }
    if (!copyDefault) return false;
    if (!platform::copyFile(source, target)) return false;
    if (main) keepShippedRecord(source, shippedRecordPath(target));
    g_iniPath = target;
    return true;
}

bool mergeShippedSettings(const std::string& shipped, const std::string& copy) {
    const std::string from = platform::normalizeSeparators(shipped), to = platform::normalizeSeparators(copy);
    if (!platform::fileExists(from)) return false;
    if (sameFile(from, to)) return true;
    const std::string record = shippedRecordPath(to);
    const std::string base = profileReadable(record, nullptr) ? record : releasedOrigin(from, to);
    if (profileMergeShipped(to, from, base) < 0) return false;
    // The copy first, then the record: a run cut in between merges again
    // next time, and finds each key it already took equal to the new value.
    keepShippedRecord(from, record);
    return true;
}

const std::string& iniPath() {
    return g_iniPath;
}

std::string iniFileForMessage(const std::string& name, const char* key) {
    if (!name.empty()) return name;
    return std::string("none named ([Game] ") + key + " of " + kMainSettingsFile + " is empty)";
}

bool openFile(const std::string& name, int flags) {
    closeFile();
    if (name.empty()) return false;
    int mode = (flags & 1) ? O_RDWR : O_RDONLY;
    if (flags & 2) mode |= O_CREAT | O_TRUNC;
    const int fd = ::open(platform::normalizeSeparators(name).c_str(), mode | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // A folder is not a file, whatever open() thinks of reading one.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    g_fileHandle = fd;
    return true;
}

void closeFile() {
    if (g_fileHandle >= 0) ::close(g_fileHandle);
    g_fileHandle = -1;
}

void splitPath(const std::string& path, std::string& folder, std::string& name, std::string& ext) {
    std::string drive;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const size_t sep = rest.find_last_of("/\\");
    const std::string dir = sep == std::string::npos ? std::string() : rest.substr(0, sep + 1);
    const std::string file = sep == std::string::npos ? rest : rest.substr(sep + 1);
    const size_t dot = file.rfind('.');
    folder = drive + dir;
    name = dot == std::string::npos ? file : file.substr(0, dot);
    ext = dot == std::string::npos ? std::string() : file.substr(dot);
}

void findFiles(std::vector<std::string>& list, const std::string& folder, const std::string& ext) {
    const std::string dir = platform::normalizeSeparators(folder);
    const std::string pattern = "*" + ext;
    for (const std::string& entry : platform::listFolder(dir)) {
        // "*.*" takes names without a dot too, as on Windows.
        if (ext != ".*" && !wildcardMatch(pattern.c_str(), entry.c_str())) continue;
        const std::string path = dir + entry;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        if (ext != ".*") {
            std::string entryFolder, entryName, entryExt;
            splitPath(entry, entryFolder, entryName, entryExt);
            if (entryExt != ext) continue;
        }
        list.push_back(path);
    }
}

void setFullscreenToggleHandler(std::function<bool()> handler) {
    g_fullscreenToggle = std::move(handler);
}

bool toggleFullscreen() {
    // Without a renderer the stored setting is all there is to flip; it
    // takes effect at the next start.
    const bool fullscreen =
        g_fullscreenToggle ? g_fullscreenToggle() : getIniInt("Game", "Fullscreen", 0) == 0;
    setIniString("Game", "Fullscreen", fullscreen ? "1" : "0");
    return fullscreen;
}

void readEngineSettings() {
    g_engine.customCursor = getIniInt("Game", "CustomCursor", 0) != 0;
    g_engine.fxSystemPath = asFolderPrefix(getIniString("Game", "FXSystemPath", kDefaultFxPath));
    g_engine.picturesPath = asFolderPrefix(getIniString("Game", "PicturesPath", kDefaultPicturesPath));
    g_engine.psLiveUpdate = getIniInt("Debug", "psLiveUpdate", 0) != 0;
    g_engine.shiftEnabled = getIniInt("Debug", "ShiftEnable", 0) != 0;
}

const std::string& fxSystemPath() {
    return g_engine.fxSystemPath;
}
const std::string& picturesPath() {
    return g_engine.picturesPath;
}
bool psLiveUpdate() {
    return g_engine.psLiveUpdate;
}
bool shiftEnabled() {
    return g_engine.shiftEnabled;
}
bool customCursorEnabled() {
    return g_engine.customCursor;
}

void resetSettingsForTests() {
    closeFile();
    g_leftoversCleared.clear();
    g_iniPath.clear();
    g_mainFallback.clear();
    g_settingsNotice.clear();
    g_dataFolder.clear();
    g_engine = EngineSettings{};
    g_fullscreenToggle = nullptr;
}

void setDataFolderForTests(const std::string& path) {
    g_dataFolder = asFolderPrefix(path);
}
