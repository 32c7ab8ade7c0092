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
