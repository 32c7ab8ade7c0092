// velmoor-tool run: usage errors, unreachable games and failed starts.
#include <gtest/gtest.h>

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
