// The font commands in a running game (velmoor-tool run --headless) with the
// installed Japanese font: LoadFont makes an object that Delete removes, a
// face that cannot be created makes none, SetFont with bad arguments is
// harmless.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"

using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

std::string Report(const std::string& name) {
    return "\t$x = \"no\"; $y = \"no\";\n\tPosition(\"" + name + "\", $x, $y);\n\t$out = $out + \"" +
           name + "=\" + $x + \";\";\n";
}

TEST(FontRun, LoadFontObjectsAndSetFont) {
    TempDir game;
    std::string script =
        "chapter main {\n"
        "\t$out = \"[\";\n"
        "\tSetFont(\"ＭＳ ゴシック\", 24, \"#FFFFFF\", \"#000000\", BOLD, AROUND);\n"
        "\tSetFont(\"ＭＳ ゴシック\", big, \"#FFFFFF\", \"#000000\", BOLD, AROUND);\n"
        "\tSetFont(\"ＭＳ ゴシック\", 24, \"\", \"#000000\", BOLD, AROUND);\n"
        "\tLoadFont(\"set\", \"ＭＳ Ｐゴシック\", 24, \"#FFFFFF\", \"#000000\", BOLD, AROUND, \"表ソA！\");\n"
        "\tLoadFont(\"empty\", \"ＭＳ Ｐゴシック\", 24, \"#FFFFFF\", \"#000000\", NORMAL, , \"\");\n"
        "\tLoadFont(\"noface\", \"\", 24, \"#FFFFFF\", \"#000000\", NORMAL, , \"A\");\n" +
        Report("set") + Report("empty") + Report("noface") +
        "\tDelete(\"set\");\n" + Report("set") +
        "\tWriteFile(\"out.txt\", $out, FALSE);\n"
        "\tExit();\n"
        "}\n";
    WriteGame(game, script);
    std::string output;
    EXPECT_EQ(RunHeadless(game, &output, {}, 20000), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "[set=0;empty=0;noface=no;set=no;") << output;
}

}  // namespace
