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
#include "platform/folder.h"
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


// True when some process holds the lock file (a non-blocking flock fails).
bool LockHeldByOther(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);  // releases it again when we got it
    return held;
}

// The player of a game already played ends with status 1, says so, and
// asks the first to come forward. The lock is the game folder's own.
TEST(SingleInstance, SecondPlayerOfAGameEndsWithStatusOneAndRaisesTheFirst) {
    TempDir runtime, game;
    testing_support::WriteGame(game, "chapter main {\n}\n");
    setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
    // This process plays the first instance; its raise requests arrive as
    // messages of the (headless) driver.
    ASSERT_TRUE(platform::SelectVideoDriver(true));
    std::string name = platform::InstanceNameForFolder(kName, platform::AbsolutePath(game.path.c_str()));
    ASSERT_TRUE(platform::TryLockInstance(name.c_str()));
    EXPECT_TRUE(platform::TryLockInstance(name.c_str())) << "taking it again in the holder is harmless";

    std::string output;
    auto start = Clock::now();
    int status = RunProgram({"/bin/sh", "-c", "cd \"$1\" && exec \"$2\"", "sh", game.path, VELMOOR_PLAYER},
                            &output,
                            {"SDL_VIDEODRIVER=dummy", "XDG_RUNTIME_DIR=" + runtime.path,
                             "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("this game already runs"), std::string::npos) << output;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));

    platform::Message m;
    bool raised = false;
    while (!raised && platform::Video().waitMessage(&m, 20000)) raised = m.code == platform::kMsgRaiseRequest;
    EXPECT_TRUE(raised) << "the first instance was asked to come forward";

    // A headless run of the same game takes no lock and runs.
    status = RunProgram({ToolPath(), "run", "--headless", "--exit-after", "20000", game.path}, &output,
                        {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 0) << output;

    platform::UnlockInstance();
    EXPECT_FALSE(LockHeldByOther(runtime.path + "/" + name + ".lock"));
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

}  // namespace
