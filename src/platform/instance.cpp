// The single-instance lock and the raise-request channel.
//
// The lock is a file "<name>.lock" in the user's runtime folder
// ($XDG_RUNTIME_DIR, else /tmp/velmoor-<uid>), held with flock for the life of
// the process: the kernel drops it when the process ends however it ends, so
// a crashed instance never blocks the next one. The first instance also
// listens on a UNIX socket "<name>.sock" beside it; a second instance that
// finds the lock taken connects there, and the listener thread posts
// kMsgRaiseRequest to the window (or notes it for PollRaiseRequest when no
// window driver is chosen yet).
//
// Every descriptor is opened close-on-exec: a program started from the
// engine (xdg-open and whatever it launches) must not inherit and keep the
// lock.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/system.h"
#include "platform/video.h"

namespace platform {

namespace {

struct InstanceState {
    std::mutex mutex;  // guards everything below except `raiseRequested`
    int lockFd = -1;
    int listenFd = -1;
    int stopPipe[2] = {-1, -1};
    std::thread listener;
    std::string socketPath;
    std::atomic<bool> raiseRequested{false};
};

// Never destroyed: a process that ends without UnlockInstance must not meet
// a joinable listener thread in its exit handlers (the kernel drops the lock).
InstanceState& I() {
    static InstanceState* s = new InstanceState;
    return *s;
}

// The runtime folder, created private to the user when it is ours to make.
// Empty when no safe folder exists.
std::string RuntimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/') {
        struct stat st;
        if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
    }
    std::string folder = "/tmp/velmoor-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    struct stat st;
    // Refuse a folder someone else made (or a link planted in its place).
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 0077) != 0) {
        std::fprintf(stderr, "velmoor: %s is not a private folder of this user\n", folder.c_str());
        return "";
    }
    return folder;
}

// Keeps file names to a safe alphabet.
std::string SafeName(const char* name) {
    std::string out;
    for (const char* p = name ? name : ""; *p; ++p) {
        char c = *p;
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.';
        out += ok ? c : '_';
    }
    if (out.empty() || out[0] == '.') out.insert(0, "instance");
    return out;
}

bool FillAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof(address->sun_path)) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size());
    return true;
}

void Listen(int listenFd, int stopFd) {
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        int n = poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int client = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // Any connection is a raise request; its content does not matter.
        close(client);
        if (VideoSelected()) {
            Message m;
            m.code = kMsgRaiseRequest;
            Video().postMessage(m);
        } else {
            I().raiseRequested = true;
        }
    }
}

// Caller holds the mutex and the lock.
void StartListener(InstanceState& s, const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) return;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    unlink(path.c_str());  // a socket left by an instance that ended
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 4) != 0 ||
        pipe2(s.stopPipe, O_CLOEXEC) != 0) {
        close(fd);
        return;
    }
    s.listenFd = fd;
    s.socketPath = path;
    s.listener = std::thread(Listen, fd, s.stopPipe[0]);
}

}  // namespace

std::string InstanceNameForFolder(const char* prefix, const std::string& folder) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : folder) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof(name), "%s-%016llx", prefix, static_cast<unsigned long long>(h));
    return name;
}

bool TryLockInstance(const char* name) {
    InstanceState& s = I();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.lockFd >= 0) return true;
    std::string folder = RuntimeFolder();
    if (folder.empty()) return true;  // cannot guard: run unguarded rather than not at all
    std::string base = folder + "/" + SafeName(name);
    int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "velmoor: cannot open the instance lock %s.lock: %s\n", base.c_str(),
                     std::strerror(errno));
        return true;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        bool held = errno == EWOULDBLOCK;
        close(fd);
        return !held;
    }
    s.lockFd = fd;
    s.raiseRequested = false;
    StartListener(s, base + ".sock");
    return true;
}

void AskOtherInstanceToRaise(const char* name) {
    std::string folder = RuntimeFolder();
    if (folder.empty()) return;
    sockaddr_un address;
    if (!FillAddress(folder + "/" + SafeName(name) + ".sock", &address)) return;
    // The other instance may hold the lock a moment before its socket
    // listens: try for a short while, then give up quietly.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        int rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        if (rc == 0) {
            // The listener may close its end first: never die of SIGPIPE.
            const char request[] = "raise\n";
            ssize_t ignored = send(fd, request, sizeof(request) - 1, MSG_NOSIGNAL);
            (void)ignored;
            close(fd);
            return;
        }
        int error = errno;
        close(fd);
        if (error != ENOENT && error != ECONNREFUSED && error != EAGAIN) return;
        SleepMs(20);
    }
}

bool PollRaiseRequest() { return I().raiseRequested.exchange(false); }

void UnlockInstance() {
    InstanceState& s = I();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.listener.joinable()) {
        ssize_t ignored = write(s.stopPipe[1], "x", 1);
        (void)ignored;
        s.listener.join();
    }
    for (int* fd : {&s.listenFd, &s.stopPipe[0], &s.stopPipe[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    // The socket is removed while the lock is still held, so it cannot be a
    // newer instance's. The lock file stays: removing it could let two
    // processes lock two different files of the same name.
    if (!s.socketPath.empty()) unlink(s.socketPath.c_str());
    s.socketPath.clear();
    if (s.lockFd >= 0) close(s.lockFd);
    s.lockFd = -1;
}

}  // namespace platform
