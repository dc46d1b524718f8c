#include "platform/instance_call.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

int g_listenFd = -1;

// An abstract socket (Linux): no file to leave behind when a copy crashes,
// and no limit from the length of the data folder's path. The name follows
// the lock file, so copies with different data folders do not meet.
socklen_t socketAddress(const std::string& lockPath, sockaddr_un& address) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (const unsigned char c : lockPath) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    char name[64];
    const int n = std::snprintf(name, sizeof name, "vellmoor-%u-%016llx", static_cast<unsigned>(::getuid()),
                                static_cast<unsigned long long>(hash));
    std::memcpy(address.sun_path + 1, name, static_cast<size_t>(n));  // sun_path[0] = 0: abstract
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(n));
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

}  // namespace

bool listenForOtherStarts(const std::string& lockPath) {
    stopListeningForOtherStarts();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address;
    const socklen_t size = socketAddress(lockPath, address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return false;
    }
    g_listenFd = fd;
    return true;
}

bool takeOtherStart() {
    if (g_listenFd < 0) return false;
    bool knocked = false;
    for (;;) {
        const int fd = ::accept4(g_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            break;  // EAGAIN: nobody else waits
        }
        // The connection is the message; another user's start is not ours.
        if (sameUser(fd)) knocked = true;
        ::close(fd);
    }
    return knocked;
}

void stopListeningForOtherStarts() {
    if (g_listenFd < 0) return;
    ::close(g_listenFd);
    g_listenFd = -1;
}

bool knockAtRunningCopy(const std::string& lockPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address;
    const socklen_t size = socketAddress(lockPath, address);
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), size);
    } while (result != 0 && errno == EINTR);
    ::close(fd);
    return result == 0;
}

}  // namespace platform
