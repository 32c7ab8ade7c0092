// A scrollbar end to end in velmoor-tool run --headless: the thumb dragged by
// scripted mouse input and stepped by the wheel while a select waits on it,
// the value read back with ScrollbarValue and the thumb seen in the
// screenshot.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::PixelAt;
using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;
using testing_support::WritePicture;

namespace {

struct Outcome {
    int start = -1, value = -1, x = -1, y = -1, moves = -1;
    std::string shot, log;
};

// A slider on a track and a "done" button; a select waits on both until
// "done" is clicked. The mouse takes the thumb 10 pixels in, drags it right
// (off the track's line on the way), lets go, and turns the wheel back over
// it. Path x 100 ... 500 at y 385: 400 points, starting at 250 per mille
// (index 100, x 200), step 40.
Outcome RunSlider(const TempDir& game, bool clickable) {
    Outcome r;
    WritePicture(game, "data/knob.png", 20, 30, 0xFFFF0000);
    std::string script =
        "chapter main {\n"
        "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
        "\tCreateColor(\"track\", 1, 100, 395, 420, 10, \"#404040\");\n"
        "\tCreateScrollbar(\"slider\", 10, 100, 385, 500, 385, 250, HORIZONTAL, "
        "\"data/knob.png\");\n"
        "\tSetScrollbar(\"slider\", \"slider\");\n"
        "\tSetScrollSpeed(\"slider\", 40);\n" +
        std::string(clickable ? "\tRequest(\"slider\", \"Clickable\");\n" : "") +
        "\tCreateChoice(\"done\");\n"
        "\tCreateColor(\"done/MouseUsual/p\", 5, 800, 100, 100, 50, \"#0000FF\");\n"
        "\t$start = ScrollbarValue(\"slider\");\n"
        "\t$moves = 0; $finished = 0;\n"
        "\twhile ($finished == 0) {\n"
        "\t\tselect {\n"
        "\t\t\tcase \"slider\": { $moves++; }\n"
        "\t\t\tcase \"done\": { $finished = 1; }\n"
        "\t\t}\n"
        "\t}\n"
        "\tPosition(\"slider\", $x, $y);\n"
        "\t$out = String(\"%d %d %d %d %d\", $start, ScrollbarValue(\"slider\"), $x, $y, $moves);\n"
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tselect {\n"  // waits: the screenshot shows the thumb where it ended
        "\t\tcase \"done\": { Exit(); }\n"
        "\t}\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    // The input waits for the select: a slow start under load changes nothing.
    game.Write("input.txt",
               "wait-input\n"
               "0 move 210 400\n"
               "200 press 210 400\n"  // 10 pixels into the thumb
               "400 move 310 420\n"   // dragged: index 200
               "600 move 410 370\n"   // index 300, above the track
               "800 release 410 400\n"
               "1000 wheel down\n"    // over the thumb
               "1300 click 850 120\n" // "done"
               "wait-input\n"         // the last select waits
               "0 wait-idle\n"        // and the thumb stands still
               "0 close\n");
    r.shot = game.path + "/shot.png";
    RunHeadless(game, &r.log, {"--input", game.path + "/input.txt", "--screenshot", r.shot}, 15000);
    std::string out = ReadAll(game.path + "/out.txt");
    r.log = out + "\n" + r.log;
    std::sscanf(out.c_str(), "%d %d %d %d %d", &r.start, &r.value, &r.x, &r.y, &r.moves);
    return r;
}

TEST(ScrollbarRun, ClickableThumbDraggedAndSteppedByTheWheel) {
    TempDir game;
    Outcome r = RunSlider(game, true);
    EXPECT_EQ(r.start, 250) << r.log;
    EXPECT_EQ(r.value, 850) << r.log;  // dragged to index 300, one wheel step of 40
    EXPECT_EQ(r.x, 440) << r.log;
    EXPECT_EQ(r.y, 385) << r.log;
    EXPECT_GE(r.moves, 1) << r.log;  // the case saw the player's moves
    // The red thumb stands at its new place on the track; its old place
    // shows the track.
    EXPECT_EQ(PixelAt(r.shot, 450, 400) & 0xFFFFFF, 0xFF0000u)
        << std::hex << PixelAt(r.shot, 450, 400);
    EXPECT_EQ(PixelAt(r.shot, 210, 400) & 0xFFFFFF, 0x404040u)
        << std::hex << PixelAt(r.shot, 210, 400);
}

TEST(ScrollbarRun, PlainThumbDraggedThroughTheCaseTest) {
    // Not clickable: the press reaches the select, whose case test starts
    // the drag; the wheel is not the scrollbar's.
    TempDir game;
    Outcome r = RunSlider(game, false);
    EXPECT_EQ(r.start, 250) << r.log;
    EXPECT_EQ(r.value, 750) << r.log;
    EXPECT_EQ(r.x, 400) << r.log;
    EXPECT_GE(r.moves, 1) << r.log;
    EXPECT_EQ(PixelAt(r.shot, 410, 400) & 0xFFFFFF, 0xFF0000u)
        << std::hex << PixelAt(r.shot, 410, 400);
}

}  // namespace
