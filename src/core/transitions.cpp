#include "core/transitions.h"

#include "platform/messages.h"
#include "platform/video.h"
#include "core/engine.h"
#include "core/registry.h"

namespace core {

TransitionHooks& GetTransitionHooks() { return Current().transitions; }

void WakeMainThread() {
    platform::Message wake;
    wake.code = platform::kMsgWake;
    platform::Video().postMessage(wake);
}

void RestartEngine() {
    Current().transitions.saveGlobalVariables();
    platform::WaitEvent(core::Current().commandGate, platform::kInfinite);
    platform::ResetEvent(core::Current().commandGate);
    platform::SetEvent(core::Current().stateChanged);
    // A pulse: waiting statements return, later waits are not cut short.
    platform::Pulse(core::Current().settingsChanged);
    {
        core::SceneLockGuard hold;
        core::Current().previousState = core::Current().state.load();
        core::Current().state = core::StateStart;
        platform::SetEvent(core::Current().stateChanged);
        platform::SetEvent(core::Current().commandGate);
    }
    // The start sequence runs on the main thread: make it look now rather
    // than at the next window message.
    WakeMainThread();
}

void ExitEngine() {
    Current().transitions.saveGlobalVariables();
    core::RequestQuit();
}

int EnterSystemScript(const char* script) {
    if (!script || !*script) return 0;
    if (core::Current().state != core::StatePlay) return 0;
    if (!platform::IsEventSet(core::Current().commandsEnabled)) return 0;
    if (!platform::IsEventSet(core::Current().commandGate)) return 0;
    platform::ResetEvent(core::Current().commandsEnabled);
    platform::SetEvent(core::Current().stateChanged);
    // A pulse: waiting statements return, later waits are not cut short.
    platform::Pulse(core::Current().settingsChanged);
    Current().transitions.pauseComposer();
    {
        core::SceneLockGuard hold;
        Current().transitions.suspendMainWorld();
        core::SetEngineState(core::StateSystemScript);
        platform::SetEvent(core::Current().commandsEnabled);
    }
    Current().transitions.pauseComposer();
    Current().transitions.setNumberVariable("$SYSTEM_intrude", 1);
    if (Current().transitions.startSystemScript(script)) return 1;
    // The script cannot be loaded: back to the game as it was.
    LeaveSystemScript();
    return 0;
}

void LeaveSystemScript() {
    Current().transitions.setNumberVariable("$SYSTEM_intrude", 0);
    Current().transitions.inputPlayMode();
    core::SetEngineState(core::StatePlay);
    Current().transitions.resumeMainWorld();
    WakeMainThread();
}

}  // namespace core
