// System variables: clamps, locks, write-backs, ClearScore, viewed images.
#include <gtest/gtest.h>

#include <vector>

#include "script/services.h"
#include "script_test_util.h"
#include "core/engine.h"

using namespace script;
using script_test::RunStatements;
using script_test::Var;

namespace {

TEST(SystemVariables, ClampsAndWriteBacks) {
    struct Case {
        std::vector<std::string> statements;
        const char* variable;
        double variableValue;
        int SystemValues::*field;
        int fieldValue;
    };
    const Case cases[] = {
        {{"#SYSTEM_sound_volume_bgm=2000"},
         "#SYSTEM_sound_volume_bgm",
         2000,
         &SystemValues::volumeBgm,
         1000},
        {{"$SYSTEM_sound_volume_se=0-5"},
         "$SYSTEM_sound_volume_se",
         -5,
         &SystemValues::volumeSe,
         0},
        {{"#SYSTEM_play_speed=0"}, "#SYSTEM_play_speed", 0, &SystemValues::playSpeedStep, 3},
        {{"#SYSTEM_play_speed=20"}, "#SYSTEM_play_speed", 12, &SystemValues::playSpeedStep, 12},
        {{"#SYSTEM_play_speed=5", "#SYSTEM_play_speed++"},
         "#SYSTEM_play_speed",
         6,
         &SystemValues::playSpeedStep,
         6},
        {{"$SYSTEM_window_full_lock=1", "$SYSTEM_window_full=1"},
         "$SYSTEM_window_full",
         0,
         &SystemValues::fullScreenRequest,
         0},
        {{"$SYSTEM_text_auto_lock=1", "$SYSTEM_text_auto=1"},
         "$SYSTEM_text_auto",
         0,
         &SystemValues::textAuto,
         0},
        {{"$SYSTEM_skip=1", "$SYSTEM_skip_lock=1"}, "$SYSTEM_skip", 1, &SystemValues::skip, 0},
        {{"$SYSTEM_low_thread_priority=1", "$SYSTEM_low_thread_priority=2"},
         "$SYSTEM_low_thread_priority",
         2,
         &SystemValues::lowThreadPriority,
         1},
        {{"$SYSTEM_video_aspect_fixed=7"},
         "$SYSTEM_video_aspect_fixed",
         7,
         &SystemValues::videoAspectFixed,
         0},
        {{"$SYSTEM_save_thumbnail_width=0"},
         "$SYSTEM_save_thumbnail_width",
         0,
         &SystemValues::saveThumbnailWidth,
         100},
    };
    for (const Case& c : cases) {
        shell::EngineScope engine;
        RunStatements(c.statements);
        Variable* v = Var(c.variable);
        ASSERT_NE(v, nullptr) << c.variable;
        EXPECT_DOUBLE_EQ(v->number, c.variableValue) << c.variable;
        EXPECT_EQ(GetSystemValues().*c.field, c.fieldValue) << c.variable;
    }
}

TEST(SystemVariables, TextValuesAreCutAtWholeCharacters) {
    shell::EngineScope engine;
    // 258 bytes then a two-byte character: the 260-byte field keeps 258.
    std::string name(258, 'a');
    RunStatements({"$SYSTEM_script_menu=\"" + name + "表\""});
    EXPECT_EQ(std::string(GetSystemValues().scriptMenu), name);
    RunStatements({"$SYSTEM_unknown_thing=3"});
    EXPECT_EQ(Var("$SYSTEM_unknown_thing")->number, 3);
}

TEST(SystemVariables, WindowModeRequestIsAnnounced) {
    shell::EngineScope engine;
    static std::vector<SystemChange> changes;
    changes.clear();
    GetServices().systemChanged = [](SystemChange c) { changes.push_back(c); };
    core::Current().state = core::StatePlay;
    RunStatements({"$SYSTEM_window_full=1"});
    core::Current().state = core::StateNone;
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], SystemChange::WindowMode);
    EXPECT_EQ(GetSystemValues().fullScreenRequest, 1);
}

TEST(SystemVariables, ClearScoreUpperCasesItsArgument) {
    shell::EngineScope engine;
    RunStatements({"$l=1", "#g=1"});
    ClearScore("local");
    EXPECT_EQ(Var("$l"), nullptr);
    EXPECT_NE(Var("#g"), nullptr);
    ClearScore("Nothing");
    EXPECT_NE(Var("#g"), nullptr);
    ClearScore("all");
    EXPECT_EQ(Var("#g"), nullptr);
}

TEST(SystemVariables, ViewedImages) {
    shell::EngineScope engine;
    SetViewedImage("cg/ev01a.png");
    SetViewedImage("cg/ev01a.tga");
    SetViewedImage("cg/BG02.JPG");
    SetViewedImage("cg/xy01.png");
    SetViewedImage("ev.png");  // six bytes: counts
    SetViewedImage("e.png");   // five bytes: ignored
    ASSERT_NE(Var("#ev01a"), nullptr);
    EXPECT_EQ(Var("#ev01a")->kind, kVarNumber);
    EXPECT_EQ(Var("#ev01a")->number, 1);
    EXPECT_NE(Var("#ev01a.tga"), nullptr);
    EXPECT_EQ(Var("#BG02"), nullptr);
    EXPECT_EQ(Var("#xy01"), nullptr);
    EXPECT_NE(Var("#ev"), nullptr);
}

TEST(SystemVariables, InitStoreReconcilesAndSets) {
    shell::EngineScope engine;
    GetServices().loadSavedGlobals = [] {
        AssignVariable("#SYSTEM_play_speed", 30, "");
        AssignVariable("#SYSTEM_version", 0, "old");
        return 1;
    };
    StoreStartup startup;
    startup.savePath = "/tmp/save";
    startup.maxTextureSize = 1024;
    startup.videoMemoryMb = 20;
    InitStore(startup);
    EXPECT_EQ(GetSystemValues().playSpeedStep, 12);
    EXPECT_EQ(Var("#SYSTEM_play_speed")->number, 12);
    EXPECT_STREQ(Var("#SYSTEM_version")->text, "1.00");
    EXPECT_STREQ(Var("#SYSTEM_save_path")->text, "/tmp/save");
    EXPECT_EQ(Var("#SYSTEM_max_texture_size")->number, 512);
    EXPECT_EQ(Var("#SYSTEM_save_thumbnail_width")->number, 100);
    EXPECT_EQ(Var("#SYSTEM_text_speed")->number, 1000);
}

}  // namespace
