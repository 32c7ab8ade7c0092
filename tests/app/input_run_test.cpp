// The input layer through velmoor-tool run --headless --input: the close box
// and Esc end a game that has no close script, and the input commands reach
// the scripts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/support.h"

using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

int RunGame(const TempDir& game, const std::string& input, std::string* output) {
    if (input.empty()) return RunHeadless(game, output);
    game.Write("input.txt", input);
    return RunHeadless(game, output, {"--input", game.path + "/input.txt"});
}

TEST(InputRun, CloseBoxAndEscQuitAGameWithoutCloseScript) {
    const char* script =
        "chapter main {\n"
        "\tCursorPosition($x, $y);\n"
        "\tWriteFile(\"x.txt\", $x, FALSE);\n"
        "\tWriteFile(\"y.txt\", $y, FALSE);\n"
        "\twhile (1) { WaitKey(); }\n"  // only the close ends it
        "}\n";
    struct Case {
        const char* name;
        const char* input;
    };
    const Case cases[] = {
        {"close box", "wait-input\n0 close\n"},
        {"Esc", "wait-input\n0 key ESCAPE down\n50 key ESCAPE up\n"},
    };
    // The close comes once the script waits for a key, however slow the
    // start; only it ends the run (the 20 s limit would give 3).
    for (const Case& c : cases) {
        TempDir game;
        WriteGame(game, script);
        std::string output;
        // 0: a normal end; the exit-after limit would give 3.
        EXPECT_EQ(RunGame(game, c.input, &output), 0) << c.name << "\n" << output;
        // The headless mouse rests at the window's corner.
        EXPECT_EQ(ReadAll(game.path + "/x.txt"), "0") << c.name;
        EXPECT_EQ(ReadAll(game.path + "/y.txt"), "0") << c.name;
    }
}

// Space hides the text window; a WaitKey that ends (here by its timeout)
// shows it again.
TEST(InputRun, WaitKeyShowsTheHiddenTextWindowAgain) {
    const char* script =
        "chapter main {\n"
        "\tWait(4000);\n"  // the display runs all along: Space is taken
        "\t$hidden = $SYSTEM_text_erase;\n"
        "\tWaitKey(200);\n"
        "\t$r = String(\"%d %d\", $hidden, $SYSTEM_text_erase);\n"
        "\tWriteFile(\"out.txt\", $r, FALSE);\n"
        "\tExit();\n"
        "}\n";
    TempDir game;
    WriteGame(game, script);
    std::string output;
    // Space once the display runs with nothing moving: during the Wait.
    EXPECT_EQ(RunGame(game, "wait-idle\n0 key SPACE down\n50 key SPACE up\n", &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "1 0") << output;
}

}  // namespace
