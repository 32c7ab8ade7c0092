// User folders, starting desktop programs, the system description and the
// processor check.
#include "platform/system.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "platform/video.h"

extern char** environ;

namespace platform {

namespace {

std::string Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/";
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An environment variable holding an absolute path (relative ones are
// ignored, as the desktop conventions ask), else empty.
std::string AbsoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && v[0] == '/' ? v : "";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a line XDG_DOCUMENTS_DIR="VALUE"
// where VALUE is "$HOME/..." or an absolute path. Empty when absent.
std::string DocumentsFromUserDirs() {
    std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (config.empty()) config = Home() + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        const char kKey[] = "XDG_DOCUMENTS_DIR=";
        if (line.compare(start, sizeof(kKey) - 1, kKey) != 0) continue;
        std::string value = line.substr(start + sizeof(kKey) - 1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        std::string path;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                path += value[++i];
            } else if (value.compare(i, 5, "$HOME") == 0 && i == 0) {
                path += Home();
                i += 4;
            } else {
                path += value[i];
            }
        }
        if (!path.empty() && path[0] == '/') found = path;  // the last line wins
    }
    while (found.size() > 1 && found.back() == '/') found.pop_back();
    return found;
}

// Reaps a started program so that it does not linger as a zombie.
void Reap(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Trims white space at both ends.
std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// The value after the colon of the first line of `path` whose key (before the
// colon, trimmed) is one of `keys`.
std::string ProcField(const char* path, std::initializer_list<const char*> keys) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = Trim(line.substr(0, colon));
        for (const char* k : keys)
            if (key == k) return Trim(line.substr(colon + 1));
    }
    return "";
}

// The description texts are plain ASCII in fixed 128- (512-) byte fields:
// characters outside printable ASCII become '?', and '?' is then removed
// (unless `keepQuestionMarks`), as the texts have always been cleaned.
std::string Clean(const std::string& text, size_t capacity, bool keepQuestionMarks) {
    std::string out;
    for (unsigned char c : text) {
        char ch = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
        if (ch == '?' && !keepQuestionMarks) continue;
        if (ch == ' ' && !out.empty() && out.back() == ' ') continue;
        out += ch;
    }
    out = Trim(out);
    if (out.size() > capacity - 1) out.resize(capacity - 1);
    return out;
}

}  // namespace

std::string DataHome() {
    std::string xdg = AbsoluteEnv("XDG_DATA_HOME");
    if (!xdg.empty()) return xdg;
    return Home() + "/.local/share";
}

std::string DocumentsFolder() {
    std::string env = AbsoluteEnv("XDG_DOCUMENTS_DIR");
    if (!env.empty()) return env;
    std::string dirs = DocumentsFromUserDirs();
    if (!dirs.empty()) return dirs;
    std::string documents = Home() + "/Documents";
    if (IsFolder(documents)) return documents;
    return Home();
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        // A component that exists (as a folder or not) or cannot be made:
        // the final check decides.
        if (!partial.empty()) mkdir(partial.c_str(), 0755);
        pos = slash + 1;
    }
    return IsFolder(path);
}

bool SpawnProgram(const std::string& program, const std::string& argument) {
    if (program.empty()) return false;
    std::vector<std::string> args{program, argument};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "velmoor: cannot start %s: %s\n", program.c_str(), std::strerror(rc));
        return false;
    }
    Reap(pid);
    return true;
}

bool OpenWithDesktop(const std::string& target) {
    if (target.empty()) return false;
    return SpawnProgram("xdg-open", target);
}

SystemDescription DescribeSystem() {
    SystemDescription d;
    struct utsname u;
    if (uname(&u) == 0) d.os = Clean(std::string(u.sysname) + " " + u.release + " " + u.machine, 128, false);
    std::string cpu = ProcField("/proc/cpuinfo", {"model name", "Model", "Processor", "cpu model"});
    if (cpu.empty() && uname(&u) == 0) cpu = u.machine;
    int processors = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    if (!cpu.empty() && processors > 1) cpu += " (" + std::to_string(processors) + " CPUs)";
    d.cpu = Clean(cpu, 128, false);
    std::string total = ProcField("/proc/meminfo", {"MemTotal"});
    long long kb = std::strtoll(total.c_str(), nullptr, 10);
    if (kb > 0) d.memory = Clean(std::to_string(kb / 1024) + "MB RAM", 128, true);
    if (VideoSelected()) d.video = Clean(Video().rendererName(), 512, false);
    return d;
}

bool CpuHasRequiredFeatures() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    const unsigned kMmx = 1u << 23, kSse = 1u << 25;
    return (edx & kMmx) && (edx & kSse);
#else
    return true;
#endif
}

}  // namespace platform
