#include "shell/wiring.h"

#include "core/registry.h"
#include "movie/movie_commands.h"
#include "scene/commands_motion.h"
#include "scene/choice_hit.h"
#include "scene/commands_scene.h"
#include "scene/focus.h"
#include "scene/scrollbar.h"
#include "script/command_table.h"
#include "script/interp.h"
#include "script/services.h"
#include "shell/input.h"
#include "shell/system_changes.h"
#include "core/transitions.h"
#include "shell/wiring_internal.h"
#include "sound/sound_commands.h"
#include "text/font_commands.h"

namespace shell {

namespace {

void InputPlayMode() { ResetInputLayer(1); }

void SystemChanged(script::SystemChange change) { OnSystemChange(static_cast<int>(change)); }

void WireInput() {
    core::WaitSources sources = core::GetWaitSources();
    sources.inputEvent = CurrentInputEvent;
    sources.inputWaiting = InputWaiting;
    core::SetWaitSources(sources);
    script::GetServices().kickShortcut = KickShortcut;
    script::GetServices().systemChanged = SystemChanged;
    script::GetServices().showHiddenTextWindow = ShowHiddenTextWindow;
    InputHooks& input = GetInputHooks();
    input.clickableUnderMouse = scene::TakeClickOnChoice;
    input.moveFocus = scene::MoveFocus;
    input.movePadFocus = scene::MovePadFocus;
    input.wheelTaken = scene::ScrollbarTakesWheel;
    input.mouseMoved = scene::ScrollbarsFollowMouse;
    InstallInputCommands();
}

void WireTransitions() {
    core::TransitionHooks& transitions = core::GetTransitionHooks();
    transitions.startSystemScript = script::StartSystemScript;
    transitions.setNumberVariable = script::SetNumberVariable;
    transitions.suspendMainWorld = script::SuspendMainWorld;
    transitions.resumeMainWorld = script::ResumeMainWorld;
    transitions.inputPlayMode = InputPlayMode;
}

}  // namespace

void WireInterpreter() {
    script::ResetCommandHandlers();
    script::InstallInterpreter();
    WireScriptLinks();
    scene::InstallChoiceHooks();
    WireTransitions();
}

void WireEngine() {
    WireImageFiles();
    WireInterpreter();
    scene::InstallSceneCommands();
    scene::InstallActionSystem();
    text::InstallTextCommands();
    sound::InstallSoundCommands();
    movie::InstallMovieCommands();
    WireMedia();
    WireInput();
    WireBacklog();
    WireSaveData();
}

}  // namespace shell
