#include "shell/transitions.h"

#include "platform/messages.h"
#include "platform/video.h"
#include "shell/engine.h"
#include "shell/registry.h"

namespace shell {

namespace {

void NoAction() {}
bool CannotStart(const char*) { return false; }
void NoVariable(const char*, double) {}

TransitionHooks g_hooks = {
    NoAction, NoAction, NoAction, NoAction, CannotStart, NoVariable, NoAction,
};

}  // namespace

TransitionHooks& GetTransitionHooks() { return g_hooks; }

void WakeMainThread() {
    platform::Message wake;
    wake.code = platform::kMsgWake;
    platform::Video().postMessage(wake);
}

void RestartEngine() {
    g_hooks.saveGlobalVariables();
    platform::WaitEvent(g_engine.commandGate, platform::kInfinite);
    platform::ResetEvent(g_engine.commandGate);
    platform::SetEvent(g_engine.stateChanged);
    // A pulse: waiting statements return, later waits are not cut short.
    platform::Pulse(g_engine.settingsChanged);
    AcquireSceneLock();
    g_engine.previousState = g_engine.state.load();
    g_engine.state = StateStart;
    platform::SetEvent(g_engine.stateChanged);
    platform::SetEvent(g_engine.commandGate);
    ReleaseSceneLock();
    // The start sequence runs on the main thread: make it look now rather
    // than at the next window message.
    WakeMainThread();
}

void ExitEngine() {
    g_hooks.saveGlobalVariables();
    RequestQuit();
}

int EnterSystemScript(const char* script) {
    if (!script || !*script) return 0;
    if (g_engine.state != StatePlay) return 0;
    if (!platform::IsEventSet(g_engine.commandsEnabled)) return 0;
    if (!platform::IsEventSet(g_engine.commandGate)) return 0;
    platform::ResetEvent(g_engine.commandsEnabled);
    platform::SetEvent(g_engine.stateChanged);
    // A pulse: waiting statements return, later waits are not cut short.
    platform::Pulse(g_engine.settingsChanged);
    g_hooks.pauseComposer();
    AcquireSceneLock();
    g_hooks.suspendMainWorld();
    SetEngineState(StateSystemScript);
    platform::SetEvent(g_engine.commandsEnabled);
    ReleaseSceneLock();
    g_hooks.pauseComposer();
    g_hooks.setNumberVariable("$SYSTEM_intrude", 1);
    if (g_hooks.startSystemScript(script)) return 1;
    // The script cannot be loaded: back to the game as it was.
    LeaveSystemScript();
    return 0;
}

void LeaveSystemScript() {
    g_hooks.setNumberVariable("$SYSTEM_intrude", 0);
    g_hooks.inputPlayMode();
    SetEngineState(StatePlay);
    g_hooks.resumeMainWorld();
    WakeMainThread();
}

}  // namespace shell
