// State transitions other threads ask for: restart (the Reset command), exit,
// entering a system script, and waking the main thread to act on a change.
#pragma once

namespace core {

// What the transitions need of other subsystems. Every member has a default
// that does nothing (or reports failure); the engine's wiring installs the
// subsystems' own. One table per engine (core::Engine::transitions).
struct TransitionHooks {
    void (*saveGlobalVariables)() = [] {};
    // Pauses the composer; a second pause while paused redraws the screen once.
    void (*pauseComposer)() = [] {};
    // Suspends the timers and text output of the main world's processes and
    // resets the hover state of selectable objects. Caller holds the SceneLock.
    void (*suspendMainWorld)() = [] {};
    // Resumes the main world's timers (after a system script could not start).
    void (*resumeMainWorld)() = [] {};
    // Starts `script` in the system world with entry "main"; false when it cannot load.
    bool (*startSystemScript)(const char* script) = [](const char*) { return false; };
    // Sets a number variable (e.g. "$SYSTEM_intrude").
    void (*setNumberVariable)(const char* name, double value) = [](const char*, double) {};
    // Puts the input layer into play mode.
    void (*inputPlayMode)() = [] {};
};

TransitionHooks& GetTransitionHooks();

// Restart: saves the global variables, closes the command gate, lets waiting
// statements return, then, under the SceneLock, sets core::StateStart and reopens
// the gate. The main loop runs the start sequence (with its teardown).
void RestartEngine();
// Exit: saves the global variables and requests quit.
void ExitEngine();
// Switches to the system world and starts `script` there. Only while
// core::StatePlay holds, commands are enabled and the command gate is free.
// Returns 1 when the script started.
int EnterSystemScript(const char* script);
// Ends a system script: back to core::StatePlay and the main world.
void LeaveSystemScript();
// Makes the main thread's blocking message wait return so that it acts on a
// state change at once.
void WakeMainThread();

}  // namespace core
