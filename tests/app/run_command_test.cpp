// velmoor-tool run: usage errors, unreachable games and failed starts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <string>

#include "support/support.h"

using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::ToolPath;

namespace {

struct RunCase {
    const char* what;
    std::vector<std::string> args;  // after "run"; "GAME" is replaced by a game folder
    std::string input;              // contents of the --input file ("" for none)
    int status;
    const char* message;  // expected in the output
};

TEST(RunCommand, ExitStatusesAndMessages) {
    const RunCase cases[] = {
        {"no game folder", {"--headless"}, "", 2, "usage"},
        {"unknown option", {"--fast", "GAME"}, "", 2, "unknown option"},
        {"bad --exit-after", {"--exit-after", "soon", "GAME"}, "", 2, "milliseconds"},
        {"missing option value", {"GAME", "--input"}, "", 2, "needs a value"},
        {"game folder that does not exist", {"--headless", "/nonexistent/velmoor-game"}, "", 1,
         "cannot enter the game folder"},
        {"malformed input line", {"--headless", "--input", "INPUT", "GAME"},
         "# a comment\n\n100 key ENTER down\n200 key ENTER sideways\n", 2, "input line 4"},
        {"unknown input event", {"--headless", "--input", "INPUT", "GAME"}, "10 jump\n", 2,
         "input line 1"},
        {"missing input file", {"--headless", "--input", "/nonexistent/input.txt", "GAME"}, "", 2,
         "cannot read the input file"},
        {"game without a start script fails to start", {"--headless", "--exit-after", "3000", "GAME"},
         "", 1, ""},
    };
    for (const RunCase& c : cases) {
        TempDir game, runtime;
        std::string inputPath = game.path + "/input.txt";
        if (!c.input.empty()) game.Write("input.txt", c.input);
        std::vector<std::string> args{ToolPath(), "run"};
        for (const std::string& a : c.args) {
            if (a == "GAME") args.push_back(game.path);
            else if (a == "INPUT") args.push_back(inputPath);
            else args.push_back(a);
        }
        std::string output;
        int status = RunProgram(args, &output, {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
        EXPECT_EQ(status, c.status) << c.what << "\n" << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.what << "\n" << output;
    }
}

TEST(RunCommand, ScreenshotIsWrittenEvenWhenTheStartFails) {
    TempDir game, runtime;
    std::string shot = game.path + "/shot.png";
    std::string output;
    int status = RunProgram({ToolPath(), "run", "--headless", "--screenshot", shot, game.path}, &output,
                            {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 1) << output;
    FILE* f = std::fopen(shot.c_str(), "rb");
    ASSERT_NE(f, nullptr) << output;
    unsigned char sig[8] = {};
    EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(sig[1], 'P');
    EXPECT_EQ(sig[2], 'N');
    EXPECT_EQ(sig[3], 'G');
}

}  // namespace

namespace {

// A broken settings file is named with what is wrong with it, and the game
// folder gets no save folder from a start that could not read its settings.
TEST(RunCommand, BrokenSettingsAreNamed) {
    const struct {
        const char* what;
        std::string settings;  // "" writes no settings file
        const char* message;
    } cases[] = {
        {"missing", "", "system/System.ini (in the game folder"},
        {"saved as UTF-8", "[スクリプト]\r\nstart=script/start.txt\r\n", "is not Shift-JIS (it looks like UTF-8 from line 1)"},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[x]\r\n", "starts with a UTF-8 byte-order mark"},
        {"no script section", testing_support::Sjis("[プロダクト]\nname=x\n"), "has no [スクリプト] section"},
        {"no start key", testing_support::Sjis("[スクリプト]\nmenu=script/menu.txt\n"), "has no start= key"},
    };
    for (const auto& c : cases) {
        TempDir game;
        if (!c.settings.empty()) game.Write("system/System.ini", c.settings);
        else game.Write("readme.txt", "no settings here");
        std::string output;
        EXPECT_EQ(testing_support::RunHeadless(game, &output), 1) << c.what << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.what << "\n" << output;
        EXPECT_FALSE(std::filesystem::exists(game.path + "/save")) << c.what;
    }
}

// Help and usage: asked for, they go to stdout with status 0; a run without a
// game folder says what is missing.
TEST(RunCommand, HelpAndMissingGameFolder) {
    for (const char* ask : {"--help", "-h", "help"}) {
        std::string output;
        EXPECT_EQ(RunProgram({ToolPath(), ask}, &output), 0) << ask;
        EXPECT_NE(output.find("velmoor-tool run [--headless]"), std::string::npos) << output;
        EXPECT_NE(output.find("--audio-report"), std::string::npos) << output;
    }
    std::string output;
    EXPECT_EQ(RunProgram({ToolPath(), "run"}, &output), 2);
    EXPECT_NE(output.find("no game folder given"), std::string::npos) << output;
    EXPECT_NE(output.find("--audio-report"), std::string::npos) << output;
    EXPECT_EQ(RunProgram({ToolPath()}, &output), 2);
    EXPECT_NE(output.find("no command given"), std::string::npos) << output;
}

// An unwritable screenshot fails the run.
TEST(RunCommand, UnwritableScreenshotIsAFailure) {
    TempDir game;
    testing_support::WriteGame(game, "chapter main {\n}\n");
    std::string output;
    EXPECT_EQ(testing_support::RunHeadless(game, &output, {"--screenshot", "/nonexistent/dir/shot.png"}), 4)
        << output;
    EXPECT_NE(output.find("cannot write the screenshot"), std::string::npos) << output;
}

}  // namespace

namespace {

// The player without a display says so and ends, instead of running unseen.
TEST(RunCommand, PlayerWithoutADisplaySaysSo) {
    TempDir game, runtime;
    testing_support::WriteGame(game, "chapter main {\n\twhile (1) { }\n}\n");
    std::string output;
    int status = RunProgram({"/bin/sh", "-c", "cd \"$1\" && exec \"$2\"", "sh", game.path, VELMOOR_PLAYER},
                            &output,
                            {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", "XDG_RUNTIME_DIR=" + runtime.path,
                             "XDG_DATA_HOME=" + runtime.path},
                            60);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("no display is available"), std::string::npos) << output;
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}

}  // namespace

namespace {

// Headless runs take no single-instance lock: several may run at once, even
// of one game, beside a player.
TEST(RunCommand, HeadlessRunsTakeNoInstanceLock) {
    TempDir game, runtime;
    testing_support::WriteGame(game, "chapter main {\n}\n");
    std::string output;
    EXPECT_EQ(RunProgram({ToolPath(), "run", "--headless", game.path}, &output,
                         {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path}),
              0)
        << output;
    for (const auto& entry : std::filesystem::directory_iterator(runtime.path))
        EXPECT_EQ(entry.path().extension(), "") << entry.path();
}

}  // namespace

namespace {

// Ctrl+C during a run ends it like a quit request: the screenshot is written
// and the status is the normal end's.
TEST(RunCommand, CtrlCEndsTheRunWithItsScreenshot) {
    TempDir game, runtime;
    testing_support::WriteGame(game,
                               "chapter main {\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n"
                               "\twhile (1) { Wait(10); }\n}\n");
    std::string shot = game.path + "/shot.png";
    std::vector<std::string> args{ToolPath(), "run", "--headless", "--exit-after", "120000", "--screenshot",
                                  shot, game.path};
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.push_back(*e);
    envStrings.push_back("XDG_RUNTIME_DIR=" + runtime.path);
    envStrings.push_back("XDG_DATA_HOME=" + runtime.path);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(game.path + "/started.txt") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(std::filesystem::exists(game.path + "/started.txt"));
    kill(child, SIGINT);
    int status = 0;
    bool ended = false;
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(ended = waitpid(child, &status, WNOHANG) == child) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "Ctrl+C did not end the run";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(testing_support::ReadAll(shot).substr(1, 3), "PNG");
}

}  // namespace

namespace {

// A windowed run on a machine without a sound card prints our one notice,
// not the sound libraries' own log lines.
TEST(RunCommand, SoundLibrariesStayQuiet) {
#if defined(__SANITIZE_THREAD__)
    // The sound libraries (OpenAL Soft and the PulseAudio client it loads)
    // are not built for the thread checker, which then reports their
    // internal locking.
    GTEST_SKIP() << "the real sound device is not opened under ThreadSanitizer";
#endif
    TempDir game, runtime;
    testing_support::WriteGame(game, "chapter main {\n}\n");
    std::string output;
    // A windowed run does not end when its scripts do: --exit-after ends it.
    int status = RunProgram({ToolPath(), "run", "--exit-after", "1000", game.path}, &output,
                            {"SDL_VIDEODRIVER=dummy", "XDG_RUNTIME_DIR=" + runtime.path,
                             "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 3) << output;
    EXPECT_EQ(output.find("ALSA lib"), std::string::npos) << output;
    EXPECT_EQ(output.find("[ALSOFT]"), std::string::npos) << output;
}

}  // namespace

namespace {

// The windowed player shows why a start failed in a message box, not only on
// stderr. (Without a real display the box falls back to stderr, marked as a
// message box, which is what this test sees.)
TEST(RunCommand, WindowedStartFailureIsShownInAMessageBox) {
    TempDir game, runtime;
    game.Write("readme.txt", "no settings here");
    std::string output;
    int status = RunProgram({ToolPath(), "run", "--exit-after", "20000", game.path}, &output,
                            {"SDL_VIDEODRIVER=dummy", "DISPLAY=", "WAYLAND_DISPLAY=",
                             "XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("[message box] Velmoor: The game could not start:\ncannot start: the settings file"),
              std::string::npos)
        << output;
}

}  // namespace
