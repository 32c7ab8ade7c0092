// Games whose scripts run end to end in velmoor-tool run --headless: results
// checked through the files the scripts write.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/support.h"

using testing_support::ReadAll;
using testing_support::RunHeadless;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

int RunGame(const TempDir& game, std::string* output, int exitAfterMs = 20000) {
    return RunHeadless(game, output, {}, exitAfterMs);
}

TEST(InterpRun, ScriptWritesAVariableAndExits) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\t$x = 6 * 7;\n"
              "\tcall_scene \"script/more.txt\";\n"
              "\tWriteFile(\"out.txt\", $x, FALSE);\n"
              "\tWriteFile(\"text.txt\", $t, FALSE);\n"
              "\tExit();\n"
              "\tWriteFile(\"never.txt\", \"x\", FALSE);\n"
              "}\n");
    game.Write("script/more.txt", Sjis("\nscene Main {\n\t$t = \"場面\" + $x;\n}\n"));
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "42");
    EXPECT_EQ(ReadAll(game.path + "/text.txt"), testing_support::SjisRaw("場面42"));
    EXPECT_FALSE(std::filesystem::exists(game.path + "/never.txt"));
}

TEST(InterpRun, WriteFileContainerIsReadBack) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tWriteFile(\"save/box.cvf\", \"秘密の箱\");\n"
              "\tWriteFile(\"save/plain.txt\", \"open\", False);\n"
              "\t$back = ReadFile(\"save/box.cvf\");\n"
              "\tWriteFile(\"back.txt\", $back, FALSE);\n"
              "\tLoadFile(\"save/plain.txt\");\n"
              "\tWriteFile(\"save/plain.txt\", \"while held\", FALSE);\n"
              "\t$held = ReadFile(\"save/plain.txt\");\n"
              "\tUnloadFile(\"save/plain.txt\");\n"
              "\tWriteFile(\"save/plain.txt\", \"after\", FALSE);\n"
              "\t$disk = ReadFile(\"save/plain.txt\");\n"
              "\t$both = $held + \"/\" + $disk;\n"
              "\tWriteFile(\"held.txt\", $both, FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::filesystem::create_directories(game.path + "/save");
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    std::string box = ReadAll(game.path + "/save/box.cvf");
    EXPECT_EQ(box.substr(0, 4), "CVSF");
    EXPECT_EQ(box.find(testing_support::SjisRaw("秘密")), std::string::npos);
    EXPECT_EQ(ReadAll(game.path + "/back.txt"), testing_support::SjisRaw("秘密の箱"));
    // A preloaded file is served from memory (and cannot be written) until
    // it is unloaded.
    EXPECT_EQ(ReadAll(game.path + "/held.txt"), "open/after");
}

TEST(InterpRun, EndlessScriptRunsUntilExitAfterAnEndedOneEndsTheRun) {
    const struct {
        const char* script;
        int exitAfterMs;
        int status;
    } cases[] = {
        // The bound leaves a slow (sanitized, loaded) machine time to reach
        // the first statement before the run is ended.
        {"chapter main {\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n\twhile (1) { $i++; }\n}\n", 3000, 3},
        // The start chapter simply ends: no process is left, a normal end,
        // long before --exit-after (and without one: it would run forever).
        {"chapter main {\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n}\n", 60000, 0},
        // A parallel process outlives the chapter that started it; the run
        // ends when it ends.
        {"chapter main {\n\tCreateProcess(\"p\", 0, 0, 0, \"Worker\");\n\tRequest(\"p\", \"Start\");\n}\n"
         "cut Worker {\nbegin:\n\tWait(300);\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n}\n",
         60000, 0},
    };
    for (const auto& c : cases) {
        TempDir game;
        WriteGame(game, c.script);
        std::string output;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunGame(game, &output, c.exitAfterMs), c.status) << c.script << output;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << c.script;
        EXPECT_EQ(ReadAll(game.path + "/started.txt"), "1") << c.script << output;
    }
}

TEST(InterpRun, ResetStartsTheGameAfresh) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\tif (AvailableFile(\"mark.txt\") == 1) {\n"
              "\t\tWriteFile(\"result.txt\", \"restarted\", FALSE);\n"
              "\t\tExit();\n"
              "\t}\n"
              "\tWriteFile(\"mark.txt\", \"once\", FALSE);\n"
              "\tReset();\n"
              "\twhile (1) { }\n"
              "}\n");
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/result.txt"), "restarted");
}

TEST(InterpRun, MissingStartScriptFailsTheStart) {
    TempDir game;
    WriteGame(game, "chapter other {\n}\n");  // no chapter main
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 1) << output;
    EXPECT_NE(output.find("start script"), std::string::npos) << output;
}

// A headless run starts no program and no browser: it says what it would
// have opened (that a started program never sees a shell is the platform's
// own test).
TEST(InterpRun, HeadlessSystemOpenStartsNothingAndSaysSo) {
    TempDir game;
    game.Write("tools/mark.sh", "#!/bin/sh\necho ran > \"$(dirname \"$0\")/../ran.txt\"\n");
    std::filesystem::permissions(game.path + "/tools/mark.sh", std::filesystem::perms::owner_all);
    WriteGame(game,
              "chapter main {\n"
              "\tSystem(\"OPEN:tools/mark.sh\");\n"
              "\tSystem(\"OPEN:x; touch pwned.txt\");\n"
              "\tSystem(\"OPEN:https://example.org/\");\n"
              "\tSystem(\"OPEN:説明書.html\");\n"
              "\tWriteFile(\"done.txt\", \"1\", FALSE);\n"
              "}\n");
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/done.txt"), "1");
    for (const char* target : {"tools/mark.sh", "x; touch pwned.txt", "https://example.org/", "説明書.html"})
        EXPECT_NE(output.find(std::string("would open ") + target), std::string::npos) << target << output;
    EXPECT_FALSE(std::filesystem::exists(game.path + "/ran.txt"));
    EXPECT_FALSE(std::filesystem::exists(game.path + "/pwned.txt"));
}

}  // namespace

namespace {

// A chapter that calls itself without end: the call past the depth limit is
// refused and named by file and line, and the calls made so far return, so
// the run ends on its own.
TEST(InterpRun, RunawayChapterRecursionIsCappedAndNamed) {
    TempDir game;
    WriteGame(game,
              "chapter main {\n"
              "\t$depth++;\n"
              "\tcall_chapter \"script/start.txt\";\n"
              "\tWriteFile(\"unwound.txt\", \"yes\", FALSE);\n"
              "}\n");
    std::string output;
    EXPECT_EQ(RunGame(game, &output, 120000), 0) << output;
    EXPECT_NE(output.find("script/start.txt, line 4: call_chapter nested more than 1000 chapters deep"),
              std::string::npos)
        << output;
    EXPECT_EQ(ReadAll(game.path + "/unwound.txt"), "yes");
}

}  // namespace

namespace {

// WriteFile names are Shift-JIS in the script and UTF-8 on disk; a loose
// file is found by its UTF-8 name and in any letter case; and a game cannot
// write outside its game and save folders.
TEST(InterpRun, WriteFileNamesAndWhereAGameMayWrite) {
    TempDir game, save;
    game.Write("Data/BG/Red.TXT", "red");
    game.Write("台詞/表.txt", "kanji");  // UTF-8 names, as unzipped on Linux
    WriteGame(game,
              "chapter main {\n"
              "\tWriteFile(\"結果.txt\", \"done\", FALSE);\n"
              "\t$a = ReadFile(\"data/bg/red.txt\");\n"
              "\t$b = ReadFile(\"台詞\\表.txt\");\n"
              "\t$c = AvailableFile(\"DATA/bg/RED.txt\");\n"
              "\t$r = $a + \"/\" + $b + \"/\" + $c;\n"
              "\tWriteFile(\"read.txt\", $r, FALSE);\n"
              "\tWriteFile(\"../escape.txt\", \"x\", FALSE);\n"
              "\tWriteFile(\"/tmp/velmoor-escape.txt\", \"x\", FALSE);\n"
              "\tWriteFile(\"" + save.path + "/slot.txt\", \"saved\", FALSE);\n"
              "}\n");
    std::string output;
    EXPECT_EQ(RunHeadless(game, &output, {"--save-dir", save.path}), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/結果.txt"), "done");
    EXPECT_EQ(ReadAll(save.path + "/slot.txt"), "saved");
    EXPECT_EQ(ReadAll(game.path + "/read.txt"), testing_support::SjisRaw("red/kanji/1"));
    EXPECT_FALSE(std::filesystem::exists(game.path + "/../escape.txt"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/velmoor-escape.txt"));
    EXPECT_NE(output.find("WriteFile(\"../escape.txt\") refused"), std::string::npos) << output;
    EXPECT_NE(output.find("WriteFile(\"/tmp/velmoor-escape.txt\") refused"), std::string::npos) << output;
}

}  // namespace
