// Seeding variables from the settings and choosing the save folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "shell/settings.h"
#include "shell/settings_apply.h"
#include "support/support.h"

namespace {

using testing_support::Sjis;
using testing_support::TempDir;

TEST(SettingsApply, SaveFolderChoice) {
    TempDir data;
    setenv("XDG_DATA_HOME", data.path.c_str(), 1);
    shell::Settings s = shell::ParseSettings(
        Sjis("[プロダクト]\nbland=Studio\nname=Game\nversion=1.0\n").c_str(), nullptr);
    EXPECT_EQ(shell::DetermineSaveFolder(s, nullptr), data.path + "/Studio/Game/1.0");
    EXPECT_TRUE(std::filesystem::is_directory(data.path + "/Studio/Game/1.0"));

    shell::Settings partial = shell::ParseSettings(Sjis("[プロダクト]\nbland=Studio\n").c_str(), nullptr);
    EXPECT_EQ(shell::DetermineSaveFolder(partial, nullptr), "./save") << "a missing product name";

    std::string mine = data.path + "/mine";
    EXPECT_EQ(shell::DetermineSaveFolder(s, mine.c_str()), mine);
    EXPECT_TRUE(std::filesystem::is_directory(mine));
    std::filesystem::remove_all("./save");
}

TEST(SettingsApply, SeedsSoundVoiceAndTextVariables) {
    TempDir data;
    setenv("XDG_DATA_HOME", data.path.c_str(), 1);
    std::snprintf(core::Current().saveDirOverride, sizeof(core::Current().saveDirOverride), "%s",
                  (data.path + "/save").c_str());
    core::Current().settings = shell::ParseSettings(
        Sjis("[スクリプト]\nstart=script/start.txt\n[サウンド]\nbgm_volume=700\nse_volume=2000\n[ボイス]\n"
             "all_name=alice,bob\n").c_str(), nullptr);
    ASSERT_TRUE(shell::ApplyGameSettings());

    struct {
        const char* name;
        double number;
    } numbers[] = {
        {"#SYSTEM_sound_bgm", 1},
        {"#SYSTEM_sound_volume_bgm_default", 700},
        {"#SYSTEM_sound_volume_bgm", 700},
        {"#SYSTEM_sound_volume_se_default", 2000},
        {"#SYSTEM_sound_volume_voice", 1000},
        {"#SYSTEM_voice_enable_another", 1},
        {"#SYSTEM_text_auto", 0},
        {"#SYSTEM_text_speed", 1000},
    };
    for (const auto& n : numbers) {
        script::Variable* v = script::LookupExact(n.name);
        ASSERT_NE(v, nullptr) << n.name;
        EXPECT_EQ(v->number, n.number) << n.name;
    }
    script::Variable* list = script::LookupExact("#SYSTEM_voice_enable_list");
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list->text, "alice,bob");
    EXPECT_EQ(script::GetSystemValues().volumeBgm, 700);
    EXPECT_EQ(script::GetSystemValues().volumeSe, 1000) << "the category volume is clamped";
    EXPECT_EQ(script::GetSystemValues().textInterval, 30);
    script::Variable* path = script::LookupExact("#SYSTEM_save_path");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path->text), data.path + "/save");
    core::Current().saveDirOverride[0] = 0;
}

}  // namespace
