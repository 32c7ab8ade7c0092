// The single-instance lock: a second run of the engine ends at once with
// status 1 and asks the first to bring its window forward.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/messages.h"
#include "platform/system.h"
#include "platform/video.h"
#include "support/support.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::ToolPath;

constexpr const char* kName = "CVS-0001";

std::string DemoGame() { return std::string(VELMOOR_SOURCE_DIR) + "/demo"; }

// True when some process holds the lock file (a non-blocking flock fails).
bool LockHeldByOther(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);  // releases it again when we got it
    return held;
}

TEST(SingleInstance, SecondRunEndsWithStatusOneAndRaisesTheFirst) {
    TempDir runtime, game;
    setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
    // This process plays the first instance; its raise requests arrive as
    // messages of the (headless) driver.
    ASSERT_TRUE(platform::SelectVideoDriver(true));
    ASSERT_TRUE(platform::TryLockInstance(kName));
    EXPECT_TRUE(platform::TryLockInstance(kName)) << "taking it again in the holder is harmless";

    std::string output;
    auto start = Clock::now();
    int status = RunProgram({ToolPath(), "run", "--headless", "--exit-after", "20000", game.path}, &output,
                            {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 1) << output;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15)) << "it must not wait for --exit-after";

    platform::Message m;
    bool raised = false;
    while (!raised && platform::Video().waitMessage(&m, 20000)) raised = m.code == platform::kMsgRaiseRequest;
    EXPECT_TRUE(raised) << "the first instance was asked to come forward";

    platform::UnlockInstance();
    EXPECT_FALSE(LockHeldByOther(runtime.path + "/CVS-0001.lock"));
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstance, RequestBeforeAnyDriverIsRemembered) {
    TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
    // ctest runs every test in a process of its own; run together with the
    // others, a driver may already have been chosen.
    if (platform::VideoSelected()) GTEST_SKIP() << "a video driver was chosen earlier in this process";
    ASSERT_TRUE(platform::TryLockInstance(kName));
    EXPECT_FALSE(platform::PollRaiseRequest());
    platform::AskOtherInstanceToRaise(kName);
    auto deadline = Clock::now() + std::chrono::seconds(20);
    bool seen = false;
    while (!(seen = platform::PollRaiseRequest()) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(platform::PollRaiseRequest()) << "a request is reported once";
    platform::UnlockInstance();
    unsetenv("XDG_RUNTIME_DIR");
}

// Two runs of the tool on one runtime folder: the second ends with status 1
// while the first keeps running. It needs a game that keeps running; until
// the demo game can run, the first run ends by itself and the test is skipped.
TEST(SingleInstance, TwoToolRunsOnTheDemoGame) {
    TempDir runtime;
    // The holder's raise socket appears once it has the lock. (Probing the
    // lock itself could make the first run believe another one holds it.)
    std::string socketPath = runtime.path + "/CVS-0001.sock";
    std::string envRuntime = "XDG_RUNTIME_DIR=" + runtime.path;
    std::string envData = "XDG_DATA_HOME=" + runtime.path;
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) envStrings.push_back(*e);
    envStrings.push_back(envRuntime);
    envStrings.push_back(envData);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args{ToolPath(), "run", "--headless", "--exit-after", "60000", DemoGame()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t first = 0;
    ASSERT_EQ(posix_spawn(&first, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Wait until the first run holds the lock, or has ended.
    int firstStatus = 0;
    bool firstEnded = false, held = false;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        if ((held = access(socketPath.c_str(), F_OK) == 0)) break;
        if (waitpid(first, &firstStatus, WNOHANG) == first) {
            firstEnded = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!held) {
        if (!firstEnded) {
            kill(first, SIGKILL);
            waitpid(first, &firstStatus, 0);
        }
        if (firstEnded && WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 1)
            GTEST_SKIP() << "the demo game does not keep running yet";
        FAIL() << "the first run never took the lock";
    }
    std::string output;
    int status = RunProgram({ToolPath(), "run", "--headless", "--exit-after", "60000", DemoGame()}, &output,
                            {envRuntime, envData});
    if (waitpid(first, &firstStatus, WNOHANG) == first)
        GTEST_SKIP() << "the demo game does not keep running yet";
    EXPECT_EQ(status, 1) << output;
    EXPECT_EQ(output.find("interpreter"), std::string::npos) << "the second run must not start the game";
    kill(first, SIGKILL);
    waitpid(first, &firstStatus, 0);
}

}  // namespace
