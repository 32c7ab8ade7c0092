// Part of the engine's wiring: the save files. The global variables are
// written when a game restarts or exits and read before the store's start-up
// values; the read map is read at the first start and written whenever the
// script processes are torn down; the save commands reach the save folder.
#include "core/transitions.h"
#include "save/common_data.h"
#include "save/save_commands.h"
#include "save/slot_files.h"
#include "shell/loading_screen.h"
#include "script/interp_hooks.h"
#include "shell/wiring_internal.h"

namespace shell {

namespace {

void SaveGlobalsNow() { save::SaveGlobals(); }
void SaveReadMapNow() { save::SaveReadMap(); }

}  // namespace

void WireSaveData() {
    save::InstallSaveCommands();
    core::GetTransitionHooks().saveGlobalVariables = SaveGlobalsNow;
    script::InterpreterHooks& hooks = script::GetInterpreterHooks();
    hooks.loadReadMarks = save::LoadReadMap;
    hooks.saveReadMarks = SaveReadMapNow;
    LoadingHooks& loading = GetLoadingHooks();
    loading.loadSlot = save::RestorePreparedLoad;
    loading.resumeAfterLoad = save::ResumeRestoredGame;
    loading.deleteSlotIfAsked = save::DeleteSlotIfAsked;
}

}  // namespace shell
