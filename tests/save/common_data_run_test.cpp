// The data that outlives one game, end to end: global variables written at
// Exit and Reset and read before the next start, the read map written at
// teardown and read at the first start, Save(0) / Load(0) / DeleteSaveFile(0).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "save/save_fixture.h"

using testing_support::ReadAll;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(std::filesystem::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CommonDataRun, GlobalVariablesSurviveExitAndReset) {
    TempDir game, saves;
    // Reset restarts the game: the globals it wrote are read back before the
    // script starts again, so the count climbs within one run and across runs.
    WriteGame(game,
              "chapter main {\n"
              "\t#visits = #visits + 1;\n"
              "\t#name = \"表示\";\n"
              "\tif (#visits == 2) {\n"
              "\t\tReset();\n"
              "\t}\n"
              "\tWriteFile(\"visits.txt\", #visits, FALSE);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/visits.txt"), "1");
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/visits.txt"), "3") << output;
    EXPECT_EQ(ReadAll(saves.path + "/common/val.cvf").substr(0, 4), "CVSF");
}

TEST(CommonDataRun, ReadMapCarriesAlreadyReadAcrossRuns) {
    TempDir game, saves;
    WriteGame(game,
              "chapter main {\n"
              "\t$was = Conquest(\"script/start.txt\", \"Seen\");\n"
              "\tWriteFile(\"was.txt\", $was, FALSE);\n"
              "\tConquest(\"script/start.txt\", \"Seen\", TRUE);\n"
              "\tExit();\n"
              "}\n"
              "scene Seen {\n"
              "\t$a = 1;\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/was.txt"), "0");
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/was.txt"), "1") << output;
}

TEST(CommonDataRun, SaveZeroWritesOnlyTheCommonFilesAndLoadZeroReadsThemBack) {
    TempDir game, saves;
    WriteGame(game,
              "chapter main {\n"
              "\t#kept = 5;\n"
              "\tSave(0);\n"
              "\t#kept = 9;\n"
              "\tLoad(0);\n"
              "\tWriteFile(\"kept.txt\", #kept, FALSE);\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/kept.txt"), "5");
    EXPECT_EQ(Entries(saves.path),
              (std::vector<std::string>{"common", "common/cqst.cvf", "common/val.cvf"}));
}

TEST(CommonDataRun, DamagedGlobalsAreReportedAndTheGameStartsClean) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"garbage", "not a save file at all"},
        {"cut container", std::string("CVSF\x40\0\0\0\1\0\0\0\1\0\0\0\x78\x9c", 18)},
    };
    for (const auto& c : cases) {
        TempDir game, saves;
        saves.Write("common/val.cvf", c.bytes);
        WriteGame(game,
                  "chapter main {\n"
                  "\t#visits = #visits + 1;\n"
                  "\tWriteFile(\"visits.txt\", #visits, FALSE);\n"
                  "\tExit();\n"
                  "}\n");
        std::string output;
        ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << c.what << output;
        EXPECT_EQ(ReadAll(game.path + "/visits.txt"), "1") << c.what;
        EXPECT_NE(output.find("common/val.cvf"), std::string::npos) << c.what << output;
        // The damaged file was replaced by a good one at Exit.
        ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
        EXPECT_EQ(ReadAll(game.path + "/visits.txt"), "2") << c.what;
    }
}

TEST(CommonDataRun, SlotNumbersOutsideTheRangeAreRefused) {
    TempDir game, saves;
    WriteGame(game,
              "chapter main {\n"
              "\tSave(10000);\n"
              "\tSave(-1);\n"
              "\tDeleteSaveFile(12345);\n"
              "\t$e = ExistSave(10000);\n"
              "\tWriteFile(\"e.txt\", $e, FALSE);\n"
              "}\n");
    std::string output;
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output), 0) << output;
    EXPECT_EQ(ReadAll(game.path + "/e.txt"), "0");
    EXPECT_NE(output.find("Save: slot \"10000\""), std::string::npos) << output;
    EXPECT_NE(output.find("Save: slot \"-1\""), std::string::npos) << output;
    EXPECT_NE(output.find("DeleteSaveFile: slot \"12345\""), std::string::npos) << output;
}

}  // namespace
