// Text objects in a running game (velmoor-tool run --headless) with the
// installed Japanese font: CreateText shows its whole text in the composed
// frame with the outline copy, a deleted text leaves nothing, a bad size
// creates nothing, and the Request keywords are accepted.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/pictures.h"
#include "support/support.h"

using testing_support::AllPixels;
using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

TEST(TextRun, CreateTextShowsItsTextInTheFrame) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000000\");\n"
        "\tSetFont(\"ＭＳ ゴシック\", 32, \"#FFFFFF\", \"#FF0000\", NORMAL, RIGHT);\n"
        "\tCreateText(\"t\", 10, 100, 200, AUTO, AUTO, \"表ソ Velmoor&.\");\n"
        "\tCreateText(\"gone\", 10, 100, 400, 400, 100, \"Deleted text\");\n"
        "\tDelete(\"gone\");\n"
        "\tCreateText(\"bad\", 10, 100, 600, wide, 100, \"never\");\n"
        "\tRequest(\"t\", \"NoLog\");\n"
        "\tRequest(\"t\", \"PushText\");\n"
        "\tRequest(\"t\", \"Enter\");\n"
        "\tSetBaseTextInterval(40);\n"
        "\t$x = \"no\"; $y = \"no\";\n"
        "\tPosition(\"bad\", $x, $y);\n"
        "\t$out = String(\"w=%d;h=%d;bad=\", ImageHorizon(\"t\"), ImageVertical(\"t\")) + $x + "
        "String(\";interval=%d\", $SYSTEM_text_interval);\n"
        "\tWait(300);\n"
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(RunHeadless(game, &output, {"--screenshot", shot}, 30000), 0) << output;
    std::string out = ReadAll(game.path + "/out.txt");
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "w=%d;h=%d;", &w, &h), 2) << out << output;
    EXPECT_NE(out.find(";bad=no;"), std::string::npos) << out;
    EXPECT_NE(out.find("interval=40"), std::string::npos) << out;
    // Ten characters of a 32-pixel font on one line, plus 32.
    EXPECT_GT(w, 32 + 120) << out;
    EXPECT_LT(w, 32 + 400) << out;
    EXPECT_GE(h, 10 + 28 + 32) << out;
    EXPECT_LT(h, 10 + 64 + 32) << out;

    int fw = 0, fh = 0;
    std::vector<uint32_t> px = AllPixels(shot, &fw, &fh);
    ASSERT_EQ(fw, 1024);
    ASSERT_EQ(fh, 768);
    int white = 0, red = 0, elsewhere = 0;
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            uint32_t p = px[static_cast<size_t>(y) * fw + x] & 0xFFFFFF;
            bool inside = x >= 100 && x < 100 + w + 2 && y >= 200 && y < 200 + h;
            if (!inside) {
                if (p != 0) ++elsewhere;
                continue;
            }
            if (p == 0xFFFFFF) ++white;
            if (p == 0xFF0000) ++red;
        }
    EXPECT_GT(white, 200) << "the glyph bodies in the fill colour";
    EXPECT_GT(red, 20) << "the outline copy two pixels to the right";
    EXPECT_EQ(elsewhere, 0) << "the deleted text left nothing";
}

}  // namespace
