// The shell folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through shell::State().
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "core/engine.h"
#include "platform/system.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "shell/loading_screen.h"
#include "shell/subsystems.h"

namespace shell {

struct ShellContext {
    // ---- Tables (written by the wiring, then read) -------------------------
    // The subsystem services the start and shutdown sequences call.
    Subsystems subsystems = DefaultSubsystems();
    // What the input layer asks of other subsystems (main thread).
    InputHooks inputHooks = DefaultInputHooks();
    // What the loading screen asks of the save files and the script engine.
    LoadingHooks loadingHooks = DefaultLoadingHooks();

    // ---- Process and window (main thread, start-up and shutdown) -----------
    bool instanceLocked = false;  // this process holds the single-instance lock
    bool windowCreated = false;   // the window exists and is ours to destroy

    // ---- Settings applied at each start (main thread) ----------------------
    // The save folder chosen by the last ApplyGameSettings (UTF-8 path).
    std::string saveFolder;
    // The SYSTEM_information_* texts, gathered once at start-up.
    platform::SystemDescription system;

    // ---- Input layer ---------------------------------------------------------
    // Which messages the window handles (WindowPhase); atomic, set from any
    // thread.
    std::atomic<int> windowPhase{kPhaseStartup};
    // The message handler's own record (main thread; see input_internal.h).
    input::InputState input;
    // Letter shortcuts: the script file of each letter 'A'..'Z' (empty: none).
    // Guarded by shortcutMutex (any thread).
    std::mutex shortcutMutex;
    char shortcutScripts[kShortcutLetters][kShortcutNameSize] = {};
};

// The current engine's record. Valid while an engine is current.
inline ShellContext& State() { return *core::Current().shell; }

}  // namespace shell
