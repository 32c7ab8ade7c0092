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

TEST(InterpRun, EndlessScriptRunsUntilExitAfter) {
    const char* scripts[] = {
        "chapter main {\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n\twhile (1) { $i++; }\n}\n",
        "chapter main {\n\tWriteFile(\"started.txt\", \"1\", FALSE);\n}\n",  // ends; the engine idles
    };
    for (const char* script : scripts) {
        TempDir game;
        WriteGame(game, script);
        std::string output;
        EXPECT_EQ(RunGame(game, &output, 700), 3) << script << output;
        EXPECT_EQ(ReadAll(game.path + "/started.txt"), "1") << script;
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

TEST(InterpRun, SystemNeverHandsScriptTextToAShell) {
    TempDir game;
    // A program in a sub folder runs; shell syntax in a target is no command.
    game.Write("tools/mark.sh", "#!/bin/sh\necho ran > \"$(dirname \"$0\")/../ran.txt\"\n");
    std::filesystem::permissions(game.path + "/tools/mark.sh", std::filesystem::perms::owner_all);
    WriteGame(game,
              "chapter main {\n"
              "\tSystem(\"OPEN:tools/mark.sh\");\n"
              "\tSystem(\"OPEN:x; touch pwned.txt\");\n"
              "\tSystem(\"OPEN:$(touch pwned2.txt)\");\n"
              "\tSystem(\"nothing:tools/mark.sh\");\n"
              "\tWriteFile(\"done.txt\", \"1\", FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    EXPECT_EQ(RunGame(game, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/done.txt"), "1");
    // The program was started without waiting for it: give it time.
    for (int i = 0; i < 500 && !std::filesystem::exists(game.path + "/ran.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::exists(game.path + "/ran.txt"));
    EXPECT_FALSE(std::filesystem::exists(game.path + "/pwned.txt"));
    EXPECT_FALSE(std::filesystem::exists(game.path + "/pwned2.txt"));
}

}  // namespace
