#include "support/support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/encoding.h"

extern char** environ;

namespace testing_support {

std::string SjisRaw(const std::string& utf8) { return platform::Utf8ToSjis(utf8); }

std::string Sjis(const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return platform::Utf8ToSjis(crlf);
}

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("velmoor-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path = candidate.string();
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void TempDir::Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path p = std::filesystem::path(path) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int RunProgram(const std::vector<std::string>& args, std::string* output,
               const std::vector<std::string>& env, int timeoutSeconds) {
    TempDir dir;
    std::string log = dir.path + "/output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> overrides = env;
    if (std::none_of(env.begin(), env.end(),
                     [](const std::string& e) { return e.rfind("XDG_RUNTIME_DIR=", 0) == 0; })) {
        std::string runtime = dir.path + "/runtime";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        overrides.push_back("XDG_RUNTIME_DIR=" + runtime);
    }
    // A variable given here replaces the inherited one (getenv would find the
    // inherited one first).
    auto overridden = [&](const char* entry) {
        for (const std::string& o : overrides) {
            size_t eq = o.find('=');
            if (eq != std::string::npos && std::strncmp(entry, o.c_str(), eq + 1) == 0) return true;
        }
        return false;
    };
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (!overridden(*e)) envStrings.push_back(*e);
    for (const std::string& e : overrides) envStrings.push_back(e);
    std::vector<char*> envp, argv;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argsCopy = args;
    for (auto& a : argsCopy) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (output) {
        std::ifstream in(log, std::ios::binary);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string ToolPath() { return VELMOOR_TOOL; }

int RunHeadless(const TempDir& game, std::string* output, const std::vector<std::string>& extra,
                int exitAfterMs) {
    TempDir runtime;
    std::vector<std::string> args = {ToolPath(), "run", "--headless", "--exit-after",
                                     std::to_string(exitAfterMs)};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(game.path);
    return RunProgram(args, output, {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteGame(const TempDir& game, const std::string& startScript) {
    game.Write("system/System.ini",
               Sjis("[プロダクト]\nbland=Velmoor\nname=Test\nversion=1.0\n\n[スクリプト]\n"
                    "start=script/start.txt\n"));
    game.Write("script/start.txt", Sjis("\n" + startScript));
}

std::string MonoWave8k(const std::string& pcm) {
    auto put = [](std::string& s, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    std::string w = "RIFF";
    put(w, static_cast<uint32_t>(36 + pcm.size()), 4);
    w += "WAVEfmt ";
    put(w, 16, 4);
    put(w, 1, 2);      // PCM
    put(w, 1, 2);      // mono
    put(w, 8000, 4);   // frames per second
    put(w, 16000, 4);  // bytes per second
    put(w, 2, 2);      // bytes per frame
    put(w, 16, 2);     // bits per sample
    w += "data";
    put(w, static_cast<uint32_t>(pcm.size()), 4);
    return w + pcm;
}

}  // namespace testing_support
