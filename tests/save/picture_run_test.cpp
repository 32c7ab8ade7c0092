// Pictures that exist only in memory (pasted into, captured) are kept in the
// slot as picture files and come back with the object; `save show` reads a
// slot with the same checks and writes its thumbnail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "save/save_fixture.h"
#include "support/pictures.h"

using testing_support::PixelAt;
using testing_support::ReadAll;
using testing_support::TempDir;
using testing_support::WriteGame;

namespace {

TEST(PictureRun, AGeneratedPictureSurvivesSaveAndLoad) {
    TempDir game, saves;
    // A green square pasted into a black plate: the plate's picture exists
    // only in memory. After the load the plate is made again (black) and the
    // saved picture put back.
    WriteGame(game,
              "chapter main {\n"
              "\tCreateColor(\"bg\", 0, 0, 0, 1024, 768, \"#000080\");\n"
              "\tCreateColor(\"c\", 1, 800, 100, 60, 60, \"#000000\");\n"
              "\tLoadColor(\"dot\", 20, 20, \"#00FF00\");\n"
              "\tSetComposite(\"c\", 10, 10, \"dot\");\n"
              "\tWait(200);\n"
              "\tSave(1);\n"
              "\tif (#loads == 0) {\n"
              "\t\t#loads = 1;\n"
              "\t\tDelete(\"c\");\n"
              "\t\tLoad(1);\n"
              "\t}\n"
              "\tWait(300);\n"
              "\tExit();\n"
              "}\n");
    std::string output;
    std::string shot = game.path + "/shot.png";
    ASSERT_EQ(save_test::RunWithSaves(game, saves, &output, 20000, {"--screenshot", shot}), 0) << output;
    EXPECT_TRUE(std::filesystem::exists(saves.path + "/0001/image_0000.cvf"));
    EXPECT_EQ(PixelAt(shot, 815, 115) & 0xFFFFFF, 0x00FF00u) << output;
    EXPECT_EQ(PixelAt(shot, 845, 145) & 0xFFFFFF, 0x000000u) << output;

    // The tool reads the same slot with the engine's checks.
    std::string png = game.path + "/thumb.png";
    std::string shown;
    ASSERT_EQ(testing_support::RunProgram(
                  {testing_support::ToolPath(), "save", "show", saves.path, "1", "--png", png}, &shown),
              0)
        << shown;
    for (const char* expected : {"slot 0001 loads", "c (CreateColor)", "dot (LoadColor)", "thumbnail: 100x75",
                                 "script/start.txt"})
        EXPECT_NE(shown.find(expected), std::string::npos) << expected << "\n" << shown;
    // The thumbnail shows the blue background.
    EXPECT_EQ(PixelAt(png, 10, 60) & 0xFFFFFF, 0x000080u);

    // A picture file removed: the slot no longer loads, and the tool says why.
    std::filesystem::remove(saves.path + "/0001/image_0000.cvf");
    EXPECT_EQ(testing_support::RunProgram({testing_support::ToolPath(), "save", "show", saves.path, "1"}, &shown), 1);
    EXPECT_NE(shown.find("image_0000.cvf"), std::string::npos) << shown;
    EXPECT_EQ(testing_support::RunProgram({testing_support::ToolPath(), "save", "show", saves.path}, &shown), 0);
    EXPECT_NE(shown.find("slot 0001: does not load"), std::string::npos) << shown;
    EXPECT_EQ(testing_support::RunProgram({testing_support::ToolPath(), "save", "show"}, &shown), 2);
}

}  // namespace
