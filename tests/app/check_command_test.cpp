// velmoor-tool check: the demo is clean, a clean small game (Japanese text
// with the trail byte 0x5C included) is clean, and each small broken game
// is reported at its file and line with the status 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/support.h"

using testing_support::RunProgram;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::ToolPath;
using testing_support::WriteGame;

namespace {

int Check(const std::string& folder, std::string* output) {
    return RunProgram({ToolPath(), "check", folder}, output);
}

// A tiny valid PNG (1x1), enough for a name to be found.
const std::string kPicture = "\x89PNG\r\n\x1a\n";

TEST(CheckCommand, DemoReportsNothing) {
    std::string output;
    EXPECT_EQ(Check(std::string(VELMOOR_SOURCE_DIR) + "/demo", &output), 0) << output;
    EXPECT_EQ(output, "");
}

TEST(CheckCommand, CleanGameReportsNothing) {
    TempDir game;
    // "表" ends in the byte 0x5C, "ソ" too: neither may be read as a backslash.
    WriteGame(game,
              "// 表示のテスト: ソ\n"
              "chapter main {\n"
              "\tCreateTexture(\"bg\", 0, 0, 0, \"data/bg.png\");\n"
              "\tCreateText(\"t\", 1, 0, 0, AUTO, AUTO, \"表示\\ソ\");\n"
              "\tCreateSound(\"se\", SE, \"data/click\");\n"
              "\tcall_scene \"script/more.txt\";\n"
              "\tcall_cut Short;\n"
              "\tHelper(\"表\");\n"
              "\tExit();\n"
              "}\n"
              "cut Short {\n\tWait(10);\n}\n"
              "function Helper(text) {\n\tWait(1);\n}\n");
    game.Write("script/more.txt", Sjis("\nscene Main {\n<PRE box>\n[line]\n表示\n</PRE>\n"
                                       "\tLoadText(\"Main\", \"box\", \"line\", 900, 160, NULL, NULL);\n}\n"));
    game.Write("data/bg.png", kPicture);
    game.Write("data/click.wav", "RIFF");
    std::string output;
    EXPECT_EQ(Check(game.path, &output), 0) << output;
    EXPECT_EQ(output, "");
}

struct BrokenGame {
    const char* what;
    std::string script;                                      // script/start.txt (UTF-8 source)
    std::vector<std::pair<std::string, std::string>> files;  // more files, written as given
    std::string expected;                                    // a line of the report
    int lines = 1;                                           // lines reported in all
};

TEST(CheckCommand, EachBrokenGameIsReportedAtItsLine) {
    const std::string ini = "system/System.ini";
    const std::string settingsHead = "[プロダクト]\nbland=V\nname=T\nversion=1\n\n[スクリプト]\nstart=script/start.txt\n";
    const std::vector<BrokenGame> games = {
        {"script saved as UTF-8", "", {{"script/start.txt", "\r\nchapter main {\r\n\tWait(1); // 日本語\r\n}\r\n"}},
         "script/start.txt:3: the file is saved as UTF-8"},
        {"block without its closing brace", "chapter main {\n\tif (1) {\n\t\tWait(1);\n}\n", {},
         "script/start.txt:2: block without a matching closing brace"},
        {"a brace too many", "chapter main {\n\tWait(1);\n}\n}\n", {},
         "script/start.txt:5: a '}' that closes no '{'"},
        {"block keyword at the first byte", "", {{"script/start.txt", Sjis("chapter main {\n\tWait(1);\n}\n")}},
         "script/start.txt:1: a block keyword at the very start of the file", 2},
        {"unknown command", "chapter main {\n\tCreatTexture(\"bg\", 0, 0, 0, \"x.png\");\n}\n", {},
         "script/start.txt:3: unknown command CreatTexture"},
        {"too many arguments", "chapter main {\n\tWait(100, 200);\n}\n", {},
         "script/start.txt:3: Wait reads 1 argument; 2 are given"},
        {"plain argument in quotes", "chapter main {\n\tCreateSound(\"se\", \"SE\", \"data/a\");\n}\n",
         {{"data/a.wav", "RIFF"}}, "script/start.txt:3: CreateSound: argument 2 is read plain"},
        {"missing ';'", "chapter main {\n\tWait(100)\n\tWait(200);\n}\n", {},
         "script/start.txt:3: Wait: text after the argument list runs on"},
        {"call_scene of a missing file", "chapter main {\n\tcall_scene \"script/none.txt\";\n}\n", {},
         "script/start.txt:3: call_scene: the script file \"script/none.txt\" cannot be loaded"},
        {"call_cut of a missing cut", "chapter main {\n\tcall_cut Nowhere;\n}\n", {},
         "script/start.txt:3: call_cut: no cut \"Nowhere\" in this script"},
        {"call_chapter of a missing chapter", "chapter main {\n\tcall_chapter \"script/b.txt->other\";\n}\n",
         {{"script/b.txt", Sjis("// no chapter here\n")}},
         "script/start.txt:3: call_chapter: no chapter \"other\" in \"script/b.txt\""},
        {"LoadText of a missing box",
         "chapter main {\n<PRE box>\n[a]\nやあ\n</PRE>\n\tLoadText(\"main\", \"window\", \"a\", 900, 160, NULL, NULL);\n}\n",
         {}, "script/start.txt:7: LoadText: no text block <PRE window> holds an entry [a]"},
        {"missing picture", "chapter main {\n\tCreateTexture(\"bg\", 0, 0, 0, \"data/none.png\");\n}\n", {},
         "script/start.txt:3: CreateTexture: no picture file \"data/none.png\" in any archive or folder"},
        {"picture name in another letter case",
         "chapter main {\n\tCreateTexture(\"bg\", 0, 0, 0, \"data/bg.png\");\n}\n", {{"data/BG.png", kPicture}},
         "script/start.txt:3: CreateTexture: \"data/bg.png\" differs in letter case from the file on disk"},
        {"missing sound", "chapter main {\n\tCreateSound(\"se\", SE, \"data/none\");\n}\n", {},
         "script/start.txt:3: CreateSound: no sound file \"data/none\" (nor with .wav or .ogg)"},
        {"missing movie", "chapter main {\n\tCreateMovie(\"m\", 0, 0, 0, TRUE, FALSE, \"data/m.mkv\", 300);\n}\n", {},
         "script/start.txt:3: CreateMovie: no movie file \"data/m.mkv\""},
        {"unknown settings key", "chapter main {\n}\n", {{ini, Sjis(settingsHead + "\n[フォント]\nsiz=24\n")}},
         "system/System.ini:10: unknown key \"siz\" in [フォント]"},
        {"settings value out of range", "chapter main {\n}\n",
         {{ini, Sjis(settingsHead + "\n[サウンド]\nbgm_volume=2000\n")}},
         "system/System.ini:10: bgm_volume: 2000 is out of range (0 to 1000)"},
        {"start script missing", "chapter main {\n}\n",
         {{ini, Sjis("[スクリプト]\nstart=script/begin.txt\n")}},
         "system/System.ini:2: start: no script file \"script/begin.txt\""},
        {"scene nothing calls", "chapter main {\n\tWait(1);\n}\nscene Extra {\n\tWait(1);\n}\n", {},
         "script/start.txt:5: scene Extra: nothing calls this scene"},
        {"script file nothing calls", "chapter main {\n}\n", {{"script/old.txt", Sjis("\nchapter main {\n}\n")}},
         "script/old.txt: nothing calls this script file"},
    };
    for (const BrokenGame& g : games) {
        SCOPED_TRACE(g.what);
        TempDir game;
        WriteGame(game, g.script);
        for (const auto& [path, bytes] : g.files) game.Write(path, bytes);
        std::string output;
        EXPECT_EQ(Check(game.path, &output), 1) << output;
        EXPECT_NE(output.find(g.expected), std::string::npos) << output;
        // One fault, one line (a keyword at the first byte also leaves the
        // script without its chapter main): nothing else is reported.
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), g.lines) << output;
    }
}

TEST(CheckCommand, UsageErrors) {
    std::string output;
    EXPECT_EQ(RunProgram({ToolPath(), "check"}, &output), 2);
    EXPECT_EQ(RunProgram({ToolPath(), "check", "/nonexistent/game"}, &output), 2);
    EXPECT_NE(output.find("cannot enter"), std::string::npos) << output;
}

}  // namespace
