// File services on plain POSIX: every back end (SDL, headless) shares them.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

int g_lockFd = -1;
std::string g_lockPath;

// Closes a descriptor on every path out of a function.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes now and reports whether the close succeeded (data may be lost otherwise).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int g_lastWriteErrno = 0;

// A symbolic link to the settings file is followed, so the link survives the
// rename and the data lands where the user pointed it.
std::string resolveTarget(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

// Creates a fresh temporary file beside target. Its mode is the target's when
// the target exists, otherwise what the umask leaves of 0666, as for any new file.
int createTempBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    mode_t mode = 0666;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (mode != 0666) (void)::fchmod(fd, mode);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

void syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) (void)::fsync(dir.get());
}

// Writes through a temporary file and renames it over the target; the rename
// is atomic, so readers and crashes see either the old or the new content.
template <typename Producer>
bool replaceFile(const std::string& path, Producer&& produce) {
    if (path.empty()) return false;
    const std::string target = resolveTarget(path);
    std::string tempPath;
    Fd out(createTempBeside(target, tempPath));
    if (!out.valid()) {
        g_lastWriteErrno = errno;
        return false;
    }
    bool ok = produce(out.get()) && ::fsync(out.get()) == 0;
    int error = ok ? 0 : errno;
    ok = out.close() && ok;
    if (ok) ok = ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        g_lastWriteErrno = error != 0 ? error : errno;
        ::unlink(tempPath.c_str());
        return false;
    }
    syncFolder(parentFolder(target));
    return true;
}

}  // namespace

std::string normalizeSeparators(std::string path) {
    const size_t first = path.find('\\');
    if (first == std::string::npos) return path;
    // A path from the root came from the system as far as it names what
    // exists (a home folder may hold a backslash in its name); what follows
    // is the game's own name, written Windows-style.
    size_t keep = 0;
    if (path[0] == '/') {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) return path;
        for (size_t slash = path.find('/', first); slash != std::string::npos; slash = path.find('/', slash + 1)) {
            if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) break;
            keep = slash + 1;
        }
    }
    for (size_t i = keep; i < path.size(); ++i)
        if (path[i] == '\\') path[i] = '/';
    return path;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool createDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool readFile(const std::string& path, std::string& out) {
    out.clear();
    if (path.empty()) return false;
    Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return false;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            out.clear();
            return false;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

int lastWriteErrno() { return g_lastWriteErrno; }

std::string picturesFolderFrom(const std::string& userDirs, const std::string& home, const std::string& fromEnv) {
    std::string value = fromEnv;
    if (value.empty()) {
        // Lines of the form XDG_PICTURES_DIR="$HOME/Pictures".
        size_t pos = 0;
        while (pos < userDirs.size()) {
            const size_t end = std::min(userDirs.find('\n', pos), userDirs.size());
            const std::string line = userDirs.substr(pos, end - pos);
            pos = end + 1;
            const std::string key = "XDG_PICTURES_DIR=";
            if (line.compare(0, key.size(), key) != 0) continue;
            value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        }
    }
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    // A relative or empty entry, or the home folder itself, is no pictures folder.
    if (value.empty() || value[0] != '/' || value == home || value == home + "/") return {};
    std::error_code ec;
    return fs::is_directory(value, ec) ? value : std::string();
}

std::string picturesFolder() {
    const char* home = std::getenv("HOME");
    const char* env = std::getenv("XDG_PICTURES_DIR");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string homeDir = home ? home : "";
    const std::string configDir = config && *config ? config : homeDir + "/.config";
    std::string userDirs;
    readFile(configDir + "/user-dirs.dirs", userDirs);
    if (userDirs.size() > 65536) userDirs.clear();  // not a user-dirs file
    return picturesFolderFrom(userDirs, homeDir, env ? env : "");
}

namespace {
// The process id of a temporary file's writer, or 0 when the name is not one
// of ours: "<target>.tmp" then the pid, "_" and the counter, digits only.
pid_t tempWriter(const std::string& name, std::string& target) {
    const size_t at = name.rfind(".tmp");
    if (at == std::string::npos || at == 0) return 0;
    const size_t underscore = name.find('_', at + 4);
    if (underscore == std::string::npos || underscore == at + 4 || underscore + 1 == name.size()) return 0;
    long long pid = 0;
    for (size_t i = at + 4; i < underscore; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 1'000'000'000) return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = underscore + 1; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return 0;
    target = name.substr(0, at);
    return static_cast<pid_t>(pid);
}

bool processGone(pid_t pid) { return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH; }
}  // namespace

namespace {
bool isStagingCopy(const std::string& name) {
    const std::string suffix = ".commit";
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Whatever writes cut short left in the folder the lock guards: no other copy
// of the game writes there while this one holds the lock, and this one has
// nothing in flight while it takes it, so every temporary and staging file is
// stale, whichever process id its name carries (ids repeat, pid 1 in every
// container among them).
void removeLeftoversUnderLock(const std::string& lockPath) {
    const std::string dir = parentFolder(lockPath);
    for (const std::string& name : listFolder(dir)) {
        std::string of;
        if (tempWriter(name, of) == 0 && !isStagingCopy(name)) continue;
        const std::string path = dir + (dir.back() == '/' ? "" : "/") + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
}
}  // namespace

int removeStaleTempFiles(const std::string& folder, const std::string& target) {
    int removed = 0;
    const std::string dir = folder.empty() ? std::string(".") : folder;
    for (const std::string& name : listFolder(dir)) {
        std::string of;
        const pid_t pid = tempWriter(name, of);
        if (pid == 0 || (!target.empty() && of != target) || !processGone(pid)) continue;
        const std::string path = dir + (dir.back() == '/' ? "" : "/") + name;
        struct stat st {};
        // Only plain files: a link or folder of that name is none of ours.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

bool writeFileAtomic(const std::string& path, const std::string& content) {
    return replaceFile(path, [&](int fd) { return writeAll(fd, content.data(), content.size()); });
}

// The copy goes through a temporary file too: a copy cut short must not look
// like a complete settings file at the next start. The copy gets the mode of
// a new file, not the source's, since the source may be a read-only install.
bool copyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return false;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return replaceFile(to, [&](int fd) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return true;
            if (!writeAll(fd, buffer, static_cast<size_t>(n))) return false;
        }
    });
}

bool acquireInstanceLock(const std::string& path) {
    if (g_lockFd >= 0) {
        if (g_lockPath == path) return true;
        releaseInstanceLock();
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // Without a lock file there is no way to tell whether another copy runs;
    // refusing to start over that would lock the player out for good.
    if (fd < 0) return true;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
    }
    // The holder's process id, for whoever wonders which copy is running.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) (void)writeAll(fd, pid.data(), pid.size());
    g_lockFd = fd;
    g_lockPath = path;
    removeLeftoversUnderLock(path);
    return true;
}

void releaseInstanceLock() {
    if (g_lockFd < 0) return;
    ::flock(g_lockFd, LOCK_UN);
    ::close(g_lockFd);
    g_lockFd = -1;
    g_lockPath.clear();
}

}  // namespace platform
