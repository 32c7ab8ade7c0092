// Actions, waits and choices end to end in velmoor-tool run --headless:
// a Move waited for and shown in the screenshot, Fade values, a choice
// hovered and clicked by scripted input, WaitKey ignoring a click on a
// clickable object, and a parallel process waited for with WaitAction.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::PixelAt;
using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

int RunGame(const TempDir& game, std::string* output, const std::vector<std::string>& extra = {}) {
    return RunHeadless(game, output, extra, 30000);
}

std::string Report(const std::string& name) {
    return "\t$x = \"no\"; $y = \"no\";\n\tPosition(\"" + name +
           "\", $x, $y);\n\t$out = $out + \"" + name + "=\" + $x + \",\" + $y + \";\";\n";
}

TEST(MotionRun, MoveWaitedForEndsOnItsTargetAndShowsThere) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\t$out = \"[\";\n"
        "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
        "\tCreateColor(\"box\", 10, 100, 100, 50, 50, \"#FF0000\");\n"
        "\tMove(\"box\", 1000, 600, 400, NULL, 300);\n"  // waits 300 ms: under way
        "\t$mid = RemainTime(\"box\");\n" +
        Report("box") + "\tWaitMove(\"box\", TRUE);\n" + Report("box") +
        "\tFade(\"box\", 0, 500, NULL, FALSE);\n"
        "\tWait(100);\n"
        "\t$out = $out + String(\"remain=%d;w=%d;h=%d\", $mid, ImageHorizon(\"box\"), "
        "ImageVertical(\"box\"));\n"
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    EXPECT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    std::string out = ReadAll(game.path + "/out.txt");
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, remain = -1, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "[box=%d,%d;box=%d,%d;remain=%d;w=%d;h=%d", &x1, &y1, &x2,
                          &y2, &remain, &w, &h),
              7)
        << out << output;
    EXPECT_GT(x1, 100) << out;
    EXPECT_LT(x1, 600) << out;
    EXPECT_GT(remain, 0) << out;
    EXPECT_LT(remain, 1000) << out;
    EXPECT_EQ(x2, 600);
    EXPECT_EQ(y2, 400);
    EXPECT_EQ(w, 52);  // ImageHorizon: a blank 50-pixel plate is 52 wide
    EXPECT_EQ(h, 50);
    // The plate at its target at half opacity over the blue background.
    uint32_t p = PixelAt(shot, 620, 420);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 127, 3) << std::hex << p;
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 128 / 2, 3) << std::hex << p;
    EXPECT_EQ(PixelAt(shot, 120, 120) & 0xFFFFFF, 0x000080u);
}

// A window zoomed over 300 ms and waited for: its picture shows doubled
// about the window's top-left, and nothing is left where it stood.
TEST(MotionRun, WindowZoomWaitedForShowsItsPictureDoubled) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tCreateWindow(\"win\", 1, 100, 100, 200, 100, FALSE);\n"
              "\tCreateColor(\"win/box\", 2, 110, 110, 40, 40, \"#FF0000\");\n"
              "\tZoom(\"win\", 300, 2000, 2000, NULL, TRUE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    // The box covers 120 .. 199 across once doubled.
    struct Probe {
        int x, y;
        uint32_t rgb;
    } probes[] = {{125, 125, 0xFF0000}, {195, 190, 0xFF0000}, {115, 115, 0x000080},
                  {205, 150, 0x000080}, {150, 215, 0x000080}};
    for (const Probe& p : probes)
        EXPECT_EQ(PixelAt(shot, p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y;
}

// Two choice buttons; the mouse goes over "no", then to "yes" and clicks.
std::string ChoiceScene() {
    return "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
           "\tCreateChoice(\"yes\");\n"
           "\tCreateColor(\"yes/MouseUsual/p\", 5, 100, 100, 200, 50, \"#0000FF\");\n"
           "\tCreateColor(\"yes/MouseOver/p\", 5, 100, 100, 200, 50, \"#00FF00\");\n"
           "\tCreateColor(\"yes/MouseClick/p\", 5, 100, 100, 200, 50, \"#FF0000\");\n"
           "\tCreateChoice(\"no\", 0, 0, 0, 0, 0, 0);\n"
           "\tCreateColor(\"no/MouseUsual/p\", 5, 100, 300, 200, 50, \"#0000FF\");\n"
           "\tCreateColor(\"no/MouseOver/p\", 5, 100, 300, 200, 50, \"#00FF00\");\n";
}

TEST(MotionRun, ChoiceHoveredAndClickedSelectsItsCase) {
    TempDir game;
    std::string script = "chapter main {\n" + ChoiceScene() +
                         "\t$picked = \"\";\n"
                         "\tselect {\n"
                         "\t\tcase \"yes\": { $picked = \"yes\"; }\n"
                         "\t\tcase \"no\": { $picked = \"no\"; }\n"
                         "\t}\n"
                         "\tWriteFile(\"out.txt\", $picked, FALSE);\n"
                         "\tselect {\n"  // waits again: the screenshot shows the hover state
                         "\t\tcase \"yes\": { Exit(); }\n"
                         "\t\tcase \"no\": { Exit(); }\n"
                         "\t}\n"
                         "\tExit();\n"
                         "}\n";
    WriteGame(game, script);
    // Each part waits for the game: a slow start under load changes nothing.
    game.Write("input.txt",
               "wait-input\n"          // the first select waits
               "0 move 150 320\n"      // over "no": hovered, not chosen
               "300 move 150 120\n"    // over "yes"
               "600 click 150 120\n"
               "wait-input\n"          // the second select waits
               "0 move 150 320\n"      // over "no" again
               "300 wait-idle\n"       // its hover picture is in
               "0 close\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    RunGame(game, &output,
            {"--input", game.path + "/input.txt", "--screenshot", shot, "--exit-after", "15000"});
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "yes") << output;
    // "no" shows its hover picture, "yes" is back to its usual one.
    EXPECT_EQ(PixelAt(shot, 150, 320) & 0xFFFFFF, 0x00FF00u) << std::hex << PixelAt(shot, 150, 320);
    EXPECT_EQ(PixelAt(shot, 150, 120) & 0xFFFFFF, 0x0000FFu) << std::hex << PixelAt(shot, 150, 120);
}

// The keyboard alone: the first arrow goes to the first linked button, the
// next follows its link, Enter chooses.
TEST(MotionRun, ArrowKeysAndEnterChooseAlongFocusLinks) {
    TempDir game;
    std::string script = "chapter main {\n" + ChoiceScene() +
                         "\tSetNextFocus(\"yes\", \"no\", DOWN);\n"
                         "\tSetNextFocus(\"no\", \"yes\", UP);\n"
                         "\t$picked = \"\";\n"
                         "\tselect {\n"
                         "\t\tcase \"yes\": { $picked = \"yes\"; }\n"
                         "\t\tcase \"no\": { $picked = \"no\"; }\n"
                         "\t}\n"
                         "\tWriteFile(\"out.txt\", $picked, FALSE);\n"
                         "\tExit();\n"
                         "}\n";
    WriteGame(game, script);
    game.Write("input.txt",
               "wait-input\n"
               "0 key DOWN down\n"  // nothing focused yet: to "yes"
               "100 key DOWN up\n"
               "300 key DOWN down\n"  // "yes" down to "no"
               "400 key DOWN up\n"
               "600 key ENTER down\n"
               "700 key ENTER up\n");
    std::string output;
    RunGame(game, &output, {"--input", game.path + "/input.txt", "--exit-after", "15000"});
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "no") << output;
}

TEST(MotionRun, WaitKeyIgnoresAClickOnAClickableObject) {
    TempDir game;
    std::string script = "chapter main {\n" + ChoiceScene() +
                         "\tWaitKey();\n"
                         "\t$r = String(\"%d\", $SYSTEM_keydown_a);\n"
                         "\tWriteFile(\"out.txt\", $r, FALSE);\n"
                         "\tExit();\n"
                         "}\n";
    WriteGame(game, script);
    game.Write("input.txt",
               "wait-input\n"
               "0 click 150 120\n"  // on the "yes" button: ignored
               "300 key A down\n"
               "600 click 600 600\n");  // elsewhere: ends the wait
    std::string output;
    EXPECT_EQ(RunGame(game, &output, {"--input", game.path + "/input.txt"}), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "1") << output;
}

TEST(MotionRun, ParallelProcessWaitedForWithWaitAction) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\t$passes = 0;\n"
        "\tCreateColor(\"box\", 0, 0, 0, 20, 20, \"#FFFFFF\");\n"
        "\tCreateProcess(\"proc\", 0, 0, 0, \"worker\");\n"
        "\tRequest(\"proc\", \"Start\");\n"
        "\tWaitAction(\"proc\", TRUE);\n"
        "\t$first = $passes;\n"
        "\tRequest(\"proc\", \"Start\");\n"
        "\tWaitAction(\"proc\");\n"
        "\t$r = String(\"%d %d\", $first, $passes);\n"
        "\tWriteFile(\"out.txt\", $r, FALSE);\n"
        "\tExit();\n"
        "}\n"
        "cut worker {\n"
        "begin:\n"
        "\tMove(\"box\", 200, @10, 0, NULL, TRUE);\n"
        "\tWait(50);\n"
        "\t$passes++;\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "1 2") << output;
}

}  // namespace
