// The table of subsystem services. Each entry points at the subsystem's own
// implementation once that subsystem exists; until then a placeholder stands
// in and does only what is true of a missing subsystem.
#include "shell/subsystems.h"

#include <cstdio>

#include "files/file_handle.h"
#include "render/filters.h"
#include "render/compose_shell.h"
#include "render/raster.h"
#include "shell/input.h"
#include "shell/settings_apply.h"

namespace shell {

namespace {

bool Succeed() { return true; }
void Nothing() {}
bool NoScriptEngine(const char*) {
    // Without an interpreter no start script can run: the start sequence fails
    // exactly as it does when the start script cannot be loaded.
    std::fprintf(stderr, "velmoor: the script interpreter is not available; cannot start the game\n");
    return false;
}

Subsystems g_subsystems = {
    /*scanArchives*/ files::ScanArchives,
    /*clearFileTable*/ files::ClearFileTable,
    /*buildGreyTables*/ render::BuildGreyTables,
    /*loadMenuImages*/ Succeed,
    /*releaseMenuImages*/ Nothing,
    /*resetInput*/ ResetInputLayer,
    /*createDisplay*/ render::ShellCreateDisplay,
    /*releaseDisplay*/ render::ShellReleaseDisplay,
    /*gatherSystemInfo*/ GatherSystemInfo,
    /*clearFonts*/ Nothing,
    /*readBacklogSettings*/ Nothing,
    /*releaseBacklogSettings*/ Nothing,
    /*applyGameSettings*/ ApplyGameSettings,
    /*startWorkers*/ render::StartWorkers,
    /*stopWorkers*/ render::StopWorkers,
    /*initSound*/ Succeed,
    /*releaseSounds*/ Nothing,
    /*readTextSettings*/ Succeed,
    /*startComposer*/ render::ShellStartComposer,
    /*stopComposer*/ render::ShellStopComposer,
    /*startScriptEngine*/ NoScriptEngine,
    /*stopAllProcesses*/ Nothing,
    /*runLoadingScreen*/ Nothing,
    /*handleMessage*/ HandleWindowMessage,
};

}  // namespace

Subsystems& GetSubsystems() { return g_subsystems; }

bool ValidateSubsystems() {
    const void* const* slots = reinterpret_cast<const void* const*>(&g_subsystems);
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
