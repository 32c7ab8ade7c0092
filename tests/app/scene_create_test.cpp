// Scene commands end to end in velmoor-tool run --headless: objects made by
// scripts, their placement read back with Position, Request chains, Delete of
// locked objects, and a parallel process started twice with Request.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;
using testing_support::WritePicture;

namespace {

int RunGame(const TempDir& game, std::string* output, const std::vector<std::string>& extra = {}) {
    return RunHeadless(game, output, extra, 20000);
}

// Script lines that append "name=x,y;" of an object to $out.
std::string Report(const std::string& name) {
    return "\t$x = \"no\"; $y = \"no\";\n\tPosition(\"" + name + "\", $x, $y);\n\t$out = $out + \"" + name +
           "=\" + $x + \",\" + $y + \";\";\n";
}

TEST(SceneCreate, PlacementByPositionArguments) {
    TempDir game;
    WritePicture(game, "data/wide.png", 200, 40, 0xFF336699);
    WritePicture(game, "data/small.png", 30, 10, 0xFFFFFFFF);
    std::string script =
        "chapter main {\n"
        "\t$out = \"[\";\n"
        "\tCreateColor(\"plate\", 0, CENTER, MIDDLE, 100, 50, \"#FF0000\");\n"
        "\tCreateTexture(\"wide\", 0, 100, 300, \"data/wide.png\");\n"
        "\tCreateTexture(\"wide/in\", 0, INRIGHT, INBOTTOM, \"data/small.png\");\n"
        "\tCreateTexture(\"wide/at\", 0, @10, @-5, \"data/small.png\");\n"
        "\tCreateTexture(\"hash\", 0, #25%, #0P, \"data/small.png\");\n"
        "\tCreateTexture(\"bad\", 0, CENTERX, 0, \"data/small.png\");\n"
        "\tLoadImage(\"held\", \"data/small.png\");\n"
        "\tCreateTexture(\"shared\", 0, OUTRIGHT, ONBOTTOM, \"held\");\n" +
        Report("plate") + Report("wide") + Report("wide/in") + Report("wide/at") + Report("hash") +
        Report("bad") + Report("shared") +
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"),
              "[plate=462,359;wide=100,300;wide/in=270,330;wide/at=110,295;hash=753,379;bad=no,no;"
              "shared=1024,763;")
        << output;
}

// Blank pictures are as wide as asked rounded up to 4 pixels, in their rows
// and as drawn: a plate, a loaded colour, a clipped texture (the columns past
// the rectangle zero, drawn black as the opaque picture's flags say), a
// difference (its empty columns transparent) and a frame's canvas (16 wider
// than its picture). ImageHorizon answers the drawn width.
TEST(SceneCreate, BlankPicturesRoundTheirWidthUpToFour) {
    TempDir game;
    WritePicture(game, "data/six.png", 6, 20, 0xFF00FF00);
    WritePicture(game, "data/blue.png", 6, 20, 0xFF0000FF);
    struct Case {
        const char* name;
        const char* make;
        int horizon;
    };
    const Case cases[] = {
        {"plate", "CreateColor(\"plate\", 1, 100, 100, 5, 20, \"#FF0000\");", 8},
        {"held", "LoadColor(\"five\", 5, 20, \"#FFFF00\");\n\tCreateTexture(\"held\", 1, 200, 100, \"five\");", 8},
        {"clip", "CreateClipTexture(\"clip\", 1, 300, 100, 0, 0, 5, 20, \"data/six.png\");", 8},
        {"diff", "CreateDifferenceTexture(\"diff\", 1, 400, 100, \"data/six.png\", \"data/blue.png\");", 8},
        {"frame", "CreateFrame(\"frame\", 1, 500, 100, \"#FFFFFF\", \"data/six.png\");", 24},
    };
    std::string script =
        "chapter main {\n\t$out = \"[\";\n\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n";
    std::string expected = "[";
    for (const Case& c : cases) {
        script += std::string("\t") + c.make + "\n\t$w = ImageHorizon(\"" + c.name + "\");\n\t$out = $out + \"" +
                  c.name + "=\" + $w + \";\";\n";
        expected += std::string(c.name) + "=" + std::to_string(c.horizon) + ";";
    }
    script += "\tWriteFile(\"out.txt\", $out, FALSE);\n\tWait(200);\n\tExit();\n}\n";
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), expected) << output;
    struct Probe {
        int x, y;
        uint32_t rgb;
    } probes[] = {
        {106, 110, 0xFF0000}, {109, 110, 0x000080},  // the plate, 8 wide
        {206, 110, 0xFFFF00}, {209, 110, 0x000080},  // the loaded colour, 8 wide
        {304, 110, 0x00FF00}, {306, 110, 0x000000},  // clipped: 5 columns, 3 zero
        {309, 110, 0x000080},
        {405, 110, 0x00FF00}, {407, 110, 0x000080},  // the difference: 6 columns, 2 empty
    };
    for (const Probe& p : probes)
        EXPECT_EQ(testing_support::PixelAt(shot, p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y;
}

// A CVSI picture file (the engine's raw format) of one colour, 0xAARRGGBB.
std::string Cvsi(int w, int h, uint32_t colour) {
    std::string bytes = "CVSI";
    auto put = [&bytes](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(0xF1F1FAC4u, 4);
    put(0x0101, 2);  // a picture with alpha
    put(static_cast<uint32_t>(w), 4);
    put(static_cast<uint32_t>(w), 4);
    put(static_cast<uint32_t>(h), 4);
    put(static_cast<uint32_t>(h), 4);
    for (int i = 0; i < w * h; ++i) put(colour, 4);
    return bytes;
}

// A mask made from a picture lets nothing through where the picture's alpha
// is 0, whatever colour those pixels carry; an opaque white mask lets its
// children through whole. The same from a loaded picture.
TEST(SceneCreate, MaskPixelsWithAlphaZeroLetNothingThrough) {
    TempDir game;
    game.Write("data/clear.cvsi", Cvsi(400, 300, 0x00FFFFFF));
    game.Write("data/solid.cvsi", Cvsi(400, 300, 0xFFFFFFFF));
    struct Case {
        const char* source;
        int x, y;
        bool through;
    };
    const Case cases[] = {
        {"data/clear.cvsi", 0, 0, false},
        {"data/solid.cvsi", 500, 0, true},
        {"held", 0, 400, false},
    };
    std::string script =
        "chapter main {\n\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
        "\tLoadImage(\"held\", \"data/clear.cvsi\");\n";
    int i = 0;
    for (const Case& c : cases) {
        std::string mask = "m" + std::to_string(i++);
        script += "\tCreateMask(\"" + mask + "\", 1, " + std::to_string(c.x) + ", " + std::to_string(c.y) +
                  ", \"" + c.source + "\", FALSE);\n\tCreateColor(\"" + mask + "/p\", 1, " +
                  std::to_string(c.x + 100) + ", " + std::to_string(c.y + 100) + ", 100, 100, \"#FF0000\");\n";
    }
    script += "\tWait(200);\n\tExit();\n}\n";
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunGame(game, &output, {"--screenshot", shot}), 0) << output;
    for (const Case& c : cases) {
        uint32_t p = testing_support::PixelAt(shot, c.x + 150, c.y + 150) & 0xFFFFFF;
        if (c.through) {
            // The layer's weights are 255/256 at most: red within a step or two.
            EXPECT_GE(p >> 16, 0xF0u) << c.source << std::hex << " " << p;
            EXPECT_LE(p & 0xFF, 0x10u) << c.source << std::hex << " " << p;
        } else {
            EXPECT_EQ(p, 0x000080u) << c.source << std::hex << " " << p;
        }
    }
}

TEST(SceneCreate, RequestLockDeleteAndParentDelete) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\t$out = \"[\";\n"
        "\tCreateColor(\"a\", 0, 5, 6, 10, 10, \"#FFFFFF\");\n"
        "\tCreateColor(\"a/b\", 0, 1, 2, 10, 10, \"#FFFFFF\");\n"
        "\tRequest(\"a/b\", \"Lock\");\n"
        "\tDelete(\"a/b\");\n" +
        Report("a/b") +
        "\tRequest(\"a/b\", \"UnLock\");\n"
        "\tRequest(\"a\", \"Lock\");\n"
        "\tDelete(\"a/b\");\n" +  // unlocked now: gone
        Report("a/b") +
        "\tCreateColor(\"a/c\", 0, 0, 0, 10, 10, \"#FFFFFF\");\n"
        "\tRequest(\"a/c\", \"Lock\");\n"
        "\tDelete(\"a\");\n" +  // the group itself is locked
        Report("a") +
        "\tRequest(\"a\", \"UnLock\");\n"
        "\tDelete(\"a\");\n" +  // takes the locked child along
        Report("a") + Report("a/c") +
        "\tCreateName(\"n\");\n"
        "\tSetAlias(\"n\", \"al\");\n" +
        Report("@al") +
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "[a/b=6,8;a/b=no,no;a=5,6;a=no,no;a/c=no,no;@al=0,0;") << output;
}

TEST(SceneCreate, ParallelProcessStartedTwiceWithRequest) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\t$pre = 0; $passes = 0;\n"
        "\tCreateProcess(\"proc\", 0, 0, 0, \"worker\");\n"
        "\t$after = $pre + \"/\" + $passes;\n"
        "\tRequest(\"proc\", \"Start\");\n"
        "\tWaitAction(\"proc\", TRUE);\n"
        "\tRequest(\"proc\", \"Start\");\n"
        "\tWaitAction(\"proc\");\n"
        "\t$out = $after + \" \" + $pre + \"/\" + $passes;\n"
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tDelete(\"proc\");\n"
        "\tExit();\n"
        "}\n"
        "cut worker {\n"
        "\t$pre++;\n"
        "begin:\n"
        "\t$passes++;\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "1/0 1/2") << output;
}

}  // namespace
