#include "frame/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <utility>

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
    if (g_iniPath.empty()) return false;
    return profileWriteString(g_iniPath, section, key, value);
}

int getIniSection(const char* section, char* buffer, int size) {
    return profileGetSection(g_iniPath, section, buffer, size);
}

bool setIniSection(const char* section, const char* text) {
    if (g_iniPath.empty()) return false;
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

bool selectIniFile(const std::string& name, bool copyDefault) {
    const bool plain = !hasSeparator(name);
    const std::string target = plain ? makeDataPath(name) : platform::normalizeSeparators(name);
    clearLeftoversOnce(target);
    if (openFile(target, 0)) {
        closeFile();
        // A copy made by an older version never saw what was shipped since.
        if (copyDefault && plain && name == kMainSettingsFile) addShippedSettings("./" + name, target);
        g_iniPath = target;
        return true;
    }
    if (!copyDefault) return false;
    const std::string source = plain ? "./" + name : target;
    if (!platform::copyFile(source, target)) return false;
    g_iniPath = target;
    return true;
}

bool addShippedSettings(const std::string& shipped, const std::string& copy) {
    const std::string from = platform::normalizeSeparators(shipped), to = platform::normalizeSeparators(copy);
    struct stat a {};
    struct stat b {};
    if (::stat(from.c_str(), &a) != 0) return false;
    if (::stat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino) return true;
    return profileAddMissing(to, from) >= 0;
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
    g_dataFolder.clear();
    g_engine = EngineSettings{};
    g_fullscreenToggle = nullptr;
}

void setDataFolderForTests(const std::string& path) {
    g_dataFolder = asFolderPrefix(path);
}
