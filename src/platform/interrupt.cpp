#include "platform/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace platform {

namespace {

// Written by the signal handler, so these live outside any engine: a signal
// belongs to the process.
int g_pipe[2] = {-1, -1};
struct sigaction g_previousInt, g_previousTerm;
std::thread* g_watcher = nullptr;
std::atomic<bool> g_stop{false};

void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    // The next one takes the default action: a second Ctrl+C always ends.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

void Watch(void (*onInterrupt)()) {
    pollfd p{g_pipe[0], POLLIN, 0};
    for (;;) {
        int r = poll(&p, 1, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || g_stop.load()) return;
        char byte = 0;
        if (read(g_pipe[0], &byte, 1) == 1 && !g_stop.load()) onInterrupt();
        if (g_stop.load()) return;
    }
}

void ClosePipe() {
    for (int& fd : g_pipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

}  // namespace

bool WatchInterrupts(void (*onInterrupt)()) {
    if (g_watcher || !onInterrupt) return false;
    if (pipe2(g_pipe, O_CLOEXEC) != 0) return false;
    g_stop = false;
    try {
        g_watcher = new std::thread(Watch, onInterrupt);
    } catch (...) {
        ClosePipe();
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
    return true;
}

void StopWatchingInterrupts() {
    if (!g_watcher) return;
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    g_stop = true;
    char byte = 0;
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    g_watcher->join();
    delete g_watcher;
    g_watcher = nullptr;
    ClosePipe();
}

}  // namespace platform
