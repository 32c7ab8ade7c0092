// Saving and loading whole games, end to end through velmoor-tool run
// --headless: where the script resumes, what comes back, and what a damaged
// or missing slot does (the game goes on).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "save/save_fixture.h"

using testing_support::ReadAll;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

TEST(SlotRun, LoadResumesJustAfterTheSaveWithTheSavedVariables) {
    TempDir game, saves;
    // The first pass saves, changes $x and loads; the loaded game resumes
    // after Save with $x as saved. #loads (global) tells the passes apart.
    WriteGame(game,
              "chapter main {\n"
              "\t$x = 5;\n"
              "\t$name = \"保存\";\n"
              "\tSave(1);\n"
              "\t$x = $x + 1;\n"
              "\t$file = \"after\" + #loads + \".txt\";\n"
              "\t$out = $name + $x;\n"
              "\tWriteFile($file, $out, FALSE);\n"
              "\tif (#loads == 0) {\n"
              "\t\t#loads = 1;\n"
              "\t\t$x = 100;\n"
              "\t\tLoad(1);\n"
              "\t\tWriteFile(\"never.txt\", $x, FALSE);\n"
              "\t}\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/after0.txt"), testing_support::SjisRaw("保存6"));
    EXPECT_EQ(ReadAll(game.path + "/after1.txt"), testing_support::SjisRaw("保存6")) << output;
    EXPECT_FALSE(std::filesystem::exists(game.path + "/never.txt"));
    for (const char* f : {"script.cvf", "frames.cvf", "bklg.cvf", "val.cvf", "thum.cvf"})
        EXPECT_TRUE(std::filesystem::exists(saves.path + "/0001/" + f)) << f;
    EXPECT_FALSE(std::filesystem::exists(saves.path + "/0001.saving"));
}

TEST(SlotRun, ALoadRunsTheScriptTextsOfTheSaveEvenAfterTheFilesChanged) {
    TempDir game, saves;
    // The save is made inside a called scene: both scripts are loaded then.
    WriteGame(game,
              "chapter main {\n"
              "\tif (ExistSave(1) == 1) {\n"
              "\t\tLoad(1);\n"
              "\t}\n"
              "\tcall_scene \"script/called.txt\";\n"
              "\t$out = \"first:\" + $x + $t;\n"
              "\tWriteFile(\"out.txt\", $out, FALSE);\n"
              "\tExit();\n"
              "}\n");
    game.Write("script/called.txt",
               Sjis("\nscene Main {\n\t$x = 5;\n\tSave(1);\n\t$t = \"/場面\";\n}\n"));
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), testing_support::SjisRaw("first:5/場面"));
    // Both scripts change on disk, with other lengths, and the called one
    // disappears; the save still holds the texts it was made with.
    WriteGame(game,
              "// a new first line moves every position\n"
              "chapter main {\n"
              "\tif (ExistSave(1) == 1) {\n"
              "\t\tLoad(1);\n"
              "\t}\n"
              "\tWriteFile(\"out.txt\", \"second\", FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::filesystem::remove(game.path + "/script/called.txt");
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), testing_support::SjisRaw("first:5/場面")) << output;
}

TEST(SlotRun, AMovingObjectComesBackMidMoveAndFinishesOnItsTarget) {
    TempDir game, saves;
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tCreateColor(\"box\", 10, 100, 100, 50, 50, \"#FF0000\");\n"
              "\tSetAlias(\"box\", \"redbox\");\n"
              "\tMove(\"box\", 1500, 600, 400, NULL, 300);\n"
              "\tSave(1);\n"
              "\tif (#loads == 0) {\n"
              "\t\t#loads = 1;\n"
              "\t\tDelete(\"box\");\n"
              "\t\tCreateColor(\"stray\", 10, 0, 0, 10, 10, \"#00FF00\");\n"
              "\t\tLoad(1);\n"
              "\t}\n"
              "\t$remain = RemainTime(\"box\");\n"
              "\tWaitMove(\"box\", TRUE);\n"
              "\t$x = \"no\"; $y = \"no\"; $sx = \"none\";\n"
              "\tPosition(\"box\", $x, $y);\n"
              "\tPosition(\"stray\", $sx, $sy);\n"
              "\t$out = String(\"%d,%d,%d,\", $remain, $x, $y) + $sx;\n"
              "\tWriteFile(\"out.txt\", $out, FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    int remain = -1, x = 0, y = 0;
    char stray[16] = {};
    std::string out = ReadAll(game.path + "/out.txt");
    ASSERT_EQ(std::sscanf(out.c_str(), "%d,%d,%d,%15s", &remain, &x, &y, stray), 4) << out << output;
    EXPECT_GT(remain, 0) << out;
    EXPECT_LT(remain, 1500) << out;
    EXPECT_EQ(x, 600);
    EXPECT_EQ(y, 400);
    // The object made after the save is gone with the game it belonged to.
    EXPECT_STREQ(stray, "none") << out;
}

// A slot that cannot be read is reported by file and reason, and the game
// goes on where it was.
TEST(SlotRun, ADamagedSlotIsReportedAndTheGameGoesOn) {
    const struct {
        const char* what;
        const char* file;
        const char* reason;
        void (*damage)(const std::string& path);
    } cases[] = {
        {"missing frames", "frames.cvf", "cannot open", [](const std::string& p) { std::filesystem::remove(p); }},
        {"cut short", "script.cvf", "container",
         [](const std::string& p) { std::filesystem::resize_file(p, std::filesystem::file_size(p) / 2); }},
        {"not a container", "val.cvf", "not a CVSF container",
         [](const std::string& p) { std::ofstream(p, std::ios::binary) << "garbage"; }},
    };
    for (const auto& c : cases) {
        TempDir game, saves;
        WriteGame(game,
                  "chapter main {\n"
                  "\t$x = 1;\n"
                  "\tif (ExistSave(1) == 1) {\n"
                  "\t\t$x = 2;\n"
                  "\t\tLoad(1);\n"
                  "\t\t$x = 3;\n"
                  "\t}\n"
                  "\tSave(1);\n"
                  "\tWriteFile(\"out.txt\", $x, FALSE);\n"
                  "\tExit();\n"
                  "}\n");
        std::string output;
        ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
        c.damage(saves.path + "/0001/" + c.file);
        ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << c.what << output;
        EXPECT_EQ(ReadAll(game.path + "/out.txt"), std::string(c.file) == "frames.cvf" ? "1" : "3")
            << c.what << output;
        if (std::string(c.file) != "frames.cvf") {
            EXPECT_NE(output.find(std::string("0001/") + c.file), std::string::npos) << c.what << output;
            EXPECT_NE(output.find(c.reason), std::string::npos) << c.what << output;
        }
    }
}

TEST(SlotRun, LoadWithDeleteRemovesTheSlotAndExistSaveFollowsTheFiles) {
    TempDir game, saves;
    WriteGame(game,
              "chapter main {\n"
              "\t$before = ExistSave(2);\n"
              "\tSave(2);\n"
              "\tif (#loads == 0) {\n"
              "\t\t#loads = 1;\n"
              "\t\t$saved = ExistSave(2);\n"
              "\t\t$out = String(\"%d,%d\", $before, $saved);\n"
              "\t\tWriteFile(\"saved.txt\", $out, FALSE);\n"
              "\t\tLoad(2, true);\n"
              "\t}\n"
              "\t$after = ExistSave(2);\n"
              "\tWriteFile(\"after.txt\", $after, FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/saved.txt"), "0,1");
    EXPECT_EQ(ReadAll(game.path + "/after.txt"), "0") << output;
    EXPECT_FALSE(std::filesystem::exists(saves.path + "/0002"));
}

TEST(SlotRun, MountedDataServesOnlyALoadOfItsOwnSlot) {
    TempDir game, saves;
    // Slot 1 holds $x = 1, slot 2 $x = 2. Slot 1 is mounted, then slot 1's
    // files are removed and slot 2 is loaded: the load must read slot 2.
    WriteGame(game,
              "chapter main {\n"
              "\t$x = 1;\n"
              "\tSave(1);\n"
              "\tif (#loads == 0) {\n"
              "\t\t$x = 2;\n"
              "\t\tSave(2);\n"
              "\t}\n"
              "\tif (#loads == 0) {\n"
              "\t\t#loads = 1;\n"
              "\t\tMountSavedata(1);\n"
              "\t\tLoad(2);\n"
              "\t}\n"
              "\tWriteFile(\"out.txt\", $x, FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/out.txt"), "2") << output;
}

}  // namespace

namespace {

// A save that cannot write its files says which and why, and the slot it
// would have replaced stays as it was. The second run may write no file
// larger than 4 KB (so the thumbnail fails, as on a full disk); permissions
// would not stop a test that runs as root.
TEST(SlotRun, AFailedSaveIsReportedAndKeepsTheOldSlot) {
    TempDir game, saves, runtime;
    WriteGame(game,
              "chapter main {\n"
              "\t$x = #runs;\n"
              "\t#runs = #runs + 1;\n"
              "\tSave(1);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    const std::string before = ReadAll(saves.path + "/0001/val.cvf");
    ASSERT_FALSE(before.empty());
    int status = testing_support::RunProgram(
        {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"", testing_support::ToolPath(), "run",
         "--headless", "--exit-after", "20000", "--save-dir", saves.path, game.path},
        &output, {"XDG_RUNTIME_DIR=" + runtime.path, "XDG_DATA_HOME=" + runtime.path});
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("cannot save " + saves.path + "/0001/thum.cvf"), std::string::npos) << output;
    EXPECT_NE(output.find("File too large"), std::string::npos) << output;
    EXPECT_EQ(ReadAll(saves.path + "/0001/val.cvf"), before);
    EXPECT_FALSE(std::filesystem::exists(saves.path + "/0001.saving"));
}

}  // namespace
