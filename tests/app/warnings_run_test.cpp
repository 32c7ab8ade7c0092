// velmoor-tool run --warnings (and the player's VELMOOR_WARNINGS=1): the
// failures a game passes over in silence are printed once each as
// "file:line: command: reason", and a run without the option prints none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/support.h"

using testing_support::RunHeadless;
using testing_support::RunProgram;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

// Each statement fails silently; the loop runs the first one twice to show
// that a warning is printed once. Line numbers count the blank first line
// WriteGame puts in front.
void WriteBrokenGame(const TempDir& game) {
    WriteGame(game,
              "chapter main {\n"
              "\t$i = 0;\n"
              "\twhile ($i < 2) {\n"
              "\t\tCreateTexture(\"a\", 0, 0, 0, \"data/none.png\");\n"  // line 5
              "\t\t$i = $i + 1;\n"
              "\t}\n"
              "\tCreateTexture(\"b\", 0, 0, 0, \"data/broken.png\");\n"  // line 8
              "\tCreatTexture(\"c\", 0, 0, 0, \"data/none.png\");\n"     // line 9
              "\tcall_scene \"script/none.txt\";\n"                        // line 10
              "\tcall_cut Nowhere;\n"                                      // line 11
              "\tcall_chapter \"@->elsewhere\";\n"                         // line 12
              "\tCreateSound(\"s\", SE, \"data/none\");\n"                // line 13
              "\tCreateMovie(\"m\", 0, 0, 0, TRUE, FALSE, \"data/none.mkv\", 300);\n"  // line 14
              "\tHelperMissing(1);\n"                                      // line 15
              "\tExit();\n"
              "}\n");
    game.Write("data/broken.png", "\x89PNG\r\n\x1a\nnot a picture at all");
}

const char* const kExpected[] = {
    "script/start.txt:5: CreateTexture: no picture file \"data/none.png\"",
    "script/start.txt:8: CreateTexture: the picture \"data/broken.png\" cannot be decoded",
    "script/start.txt:9: CreatTexture: unknown command",
    "script/start.txt:10: call_scene: the script file \"script/none.txt\" cannot be loaded (no such file)",
    "script/start.txt:11: call_cut: no cut named \"Nowhere\" in this file",
    "script/start.txt:12: call_chapter: no chapter named \"elsewhere\" in this file",
    "script/start.txt:13: CreateSound: no sound file \"data/none\"",
    "script/start.txt:14: CreateMovie: no movie file \"data/none.mkv\"",
    "script/start.txt:15: HelperMissing: unknown command",
};

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(WarningsRun, EachSilentFailureIsPrintedOnceAtItsLine) {
    TempDir game;
    WriteBrokenGame(game);
    std::string output;
    EXPECT_EQ(RunHeadless(game, &output, {"--warnings"}), 0) << output;
    for (const char* line : kExpected) EXPECT_EQ(Count(output, line), 1u) << line << "\n" << output;
}

TEST(WarningsRun, OffByDefault) {
    TempDir game;
    WriteBrokenGame(game);
    std::string output;
    EXPECT_EQ(RunHeadless(game, &output), 0) << output;
    for (const char* line : kExpected) EXPECT_EQ(Count(output, line), 0u) << line << "\n" << output;
}

TEST(WarningsRun, PlayerTakesThemFromTheEnvironment) {
    // The player needs a display; without one it says so and stops before
    // any script runs. With the dummy driver SDL gives one.
    TempDir game, runtime;
    WriteBrokenGame(game);
    std::string output;
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path,
                                    "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "VELMOOR_WARNINGS=1",
                                    // OpenAL Soft's null output: no sound server client (and its
                                    // threads) in a test that is about warnings.
                                    "ALSOFT_DRIVERS=null",
                                    "VELMOOR_GAME_DIR_FOR_TEST=" + game.path};
    int status = RunProgram({"/bin/sh", "-c", "cd \"$VELMOOR_GAME_DIR_FOR_TEST\" && exec " VELMOOR_PLAYER}, &output,
                            env);
    if (output.find("no display") != std::string::npos) GTEST_SKIP() << "no display for the player: " << output;
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(Count(output, kExpected[0]), 1u) << output;
}

}  // namespace
