// The table of subsystem services. Each entry points at the subsystem's own
// implementation once that subsystem exists; until then a placeholder stands
// in and does only what is true of a missing subsystem.
#include "shell/subsystems.h"

#include <cstdio>

#include "files/file_handle.h"
#include "render/filters.h"
#include "shell/display_services.h"
#include "render/raster.h"
#include "scene/commands_scene.h"
#include "scene/composer.h"
#include "script/interp.h"
#include "shell/input.h"
#include "shell/loading_screen.h"
#include "shell/settings_apply.h"
#include "shell/state.h"
#include "sound/sound_commands.h"
#include "text/font.h"
#include "text/backlog.h"
#include "text/font_commands.h"

namespace shell {

namespace {

bool Succeed() { return true; }
void Nothing() {}

}  // namespace

Subsystems DefaultSubsystems() {
    return {
        /*scanArchives*/ files::ScanArchives,
        /*clearFileTable*/ files::ClearFileTable,
        /*buildGreyTables*/ render::BuildGreyTables,
        /*loadMenuImages*/ Succeed,
        /*releaseMenuImages*/ Nothing,
        /*resetInput*/ ResetInputLayer,
        /*createDisplay*/ shell::CreateDisplay,
        /*releaseDisplay*/ shell::ReleaseDisplay,
        /*gatherSystemInfo*/ GatherSystemInfo,
        /*clearFonts*/ text::ClearFonts,
        /*readBacklogSettings*/ text::BacklogReadSettings,
        /*releaseBacklogSettings*/ Nothing,
        /*applyGameSettings*/ ApplyGameSettings,
        /*startWorkers*/ render::StartWorkers,
        /*stopWorkers*/ render::StopWorkers,
        /*initSound*/ sound::InitSoundSystem,
        /*releaseSounds*/ sound::ReleaseSoundSystem,
        /*readTextSettings*/ text::ReadTextSettings,
        /*startComposer*/ scene::StartSceneSystem,
        /*stopComposer*/ scene::StopComposer,
        /*startScriptEngine*/ script::StartScriptEngine,
        /*stopAllProcesses*/ script::StopAllProcesses,
        /*scriptsRunning*/ script::AnyScriptThreadRunning,
        /*runLoadingScreen*/ RunLoadingScreen,
        /*handleMessage*/ HandleWindowMessage,
    };
}

Subsystems& GetSubsystems() { return State().subsystems; }

bool ValidateSubsystems() {
    const void* const* slots = reinterpret_cast<const void* const*>(&State().subsystems);
    size_t count = sizeof(Subsystems) / sizeof(void*);
    bool ok = true;
    for (size_t i = 0; i < count; ++i) {
        if (!slots[i]) {
            std::fprintf(stderr, "velmoor: subsystem service %zu is missing\n", i);
            ok = false;
        }
    }
    return ok;
}

}  // namespace shell
