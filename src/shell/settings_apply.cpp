#include "shell/settings_apply.h"

#include <cstdio>
#include <cstring>

#include "files/file_handle.h"
#include "platform/encoding.h"
#include "platform/system.h"
#include "render/compose.h"
#include "save/paths.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace shell {

namespace {

std::string WithProduct(const std::string& base, const Settings& s) {
    return base + "/" + platform::SjisToUtf8(s.bland) + "/" + platform::SjisToUtf8(s.name) + "/" +
           platform::SjisToUtf8(s.version);
}

// Creates `name` with a number when it does not exist yet; returns it.
script::Variable* NumberIfMissing(const char* name, double value) {
    script::Variable* v = script::LookupExact(name);
    if (v && v->kind != script::kVarUnset) return v;
    v = script::GetOrCreateExact(name);
    if (v) script::SetNumber(v, value);
    return v;
}

script::Variable* TextIfMissing(const char* name, const char* value) {
    script::Variable* v = script::LookupExact(name);
    if (v && v->kind != script::kVarUnset) return v;
    v = script::GetOrCreateExact(name);
    if (v) script::SetText(v, value);
    return v;
}

}  // namespace

std::string DetermineSaveFolder(const Settings& settings, const char* overrideDir) {
    if (overrideDir && *overrideDir) {
        platform::MakeFolders(overrideDir);
        return overrideDir;
    }
    if (settings.bland.empty() || settings.name.empty() || settings.version.empty()) {
        platform::MakeFolders("./save");
        return "./save";
    }
    std::string folder = WithProduct(platform::DataHome(), settings);
    if (platform::MakeFolders(folder)) return folder;
    folder = WithProduct(platform::DocumentsFolder(), settings);
    platform::MakeFolders(folder);
    return folder;
}

std::string ExpectedSaveFolder(const Settings& settings, const char* overrideDir) {
    if (overrideDir && *overrideDir) return overrideDir;
    if (settings.bland.empty() || settings.name.empty() || settings.version.empty()) return "./save";
    return WithProduct(platform::DataHome(), settings);
}

const std::string& SaveFolder() { return State().saveFolder; }

void GatherSystemInfo() { State().system = platform::DescribeSystem(); }

bool ApplyGameSettings() {
    const Settings& s = core::Current().settings;
    // Nothing can run without a start script: say why it is missing, and
    // stop before anything (the save folder) is made for the game.
    if (s.startScript.empty()) {
        core::ReportStartError("cannot start: " + DescribeMissingStartScript());
        return false;
    }
    ShellContext& ctx = State();
    ctx.saveFolder = DetermineSaveFolder(s, core::Current().saveDirOverride);
    // Disk loads fall back to it, and WriteFile may write inside it.
    files::SetSaveFolder(ctx.saveFolder.c_str());
    save::SetSaveFolder(ctx.saveFolder);

    script::StoreStartup startup;
    startup.savePath = ctx.saveFolder.c_str();
    startup.informationOs = ctx.system.os.c_str();
    startup.informationCpu = ctx.system.cpu.c_str();
    startup.informationMemory = ctx.system.memory.c_str();
    startup.informationVideo = ctx.system.video.c_str();
    startup.informationDirectX = "";
    script::InitStore(startup);
    // The speed follows the step the saved globals brought (or the default).
    render::Modes().playSpeed = render::PlaySpeedOfStep(script::GetSystemValues().playSpeedStep);

    // Sound: the on/off switches, the defaults, and the volumes restored from
    // the saved globals unless this is their first run.
    const struct {
        const char* category;
        int value;
    } sounds[] = {{"bgm", s.bgmVolume}, {"se", s.seVolume}, {"voice", s.voiceVolume}};
    for (const auto& sound : sounds) {
        char name[128];
        std::snprintf(name, sizeof(name), "#SYSTEM_sound_%s", sound.category);
        NumberIfMissing(name, 1);
        script::ApplySystem(name);
        std::snprintf(name, sizeof(name), "#SYSTEM_sound_volume_%s_default", sound.category);
        if (script::Variable* v = script::GetOrCreateExact(name)) script::SetNumber(v, sound.value);
        std::snprintf(name, sizeof(name), "#SYSTEM_sound_volume_%s", sound.category);
        NumberIfMissing(name, sound.value);
        script::ApplySystem(name);
    }

    TextIfMissing("#SYSTEM_voice_enable_list", s.voiceAllName.c_str());
    script::ApplySystem("#SYSTEM_voice_enable_list");
    NumberIfMissing("#SYSTEM_voice_enable_another", 1);
    script::ApplySystem("#SYSTEM_voice_enable_another");

    NumberIfMissing("#SYSTEM_text_auto", 0);
    script::ApplySystem("#SYSTEM_text_auto");
    NumberIfMissing("#SYSTEM_text_speed", 1000);
    script::ApplySystem("#SYSTEM_text_speed");
    script::Variable* interval = script::LookupExact("$SYSTEM_text_interval");
    script::GetSystemValues().textInterval =
        interval && interval->kind == script::kVarNumber ? static_cast<int>(interval->number) : 30;
    return true;
}

}  // namespace shell
