// The engine context: the engine-wide record (state, quit flag, events) and
// the records of every subsystem, reached through core::Current(), as one
// context pointer. Tests build a fresh engine instead of resetting globals.
//
// Locking: `state` and `quit` are plain 32-bit values read without locks; a
// reader tolerates a stale value for one pass of its loop. They change only
// through SetEngineState and RequestQuit (and the inline Reset path, which
// holds the SceneLock).
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "core/clock.h"
#include "core/game_watch.h"
#include "core/pointer.h"
#include "core/registry_state.h"
#include "core/settings.h"
#include "core/transitions.h"
#include "core/warning_log.h"
#include "platform/sync.h"

// Each subsystem keeps its own state record in its folder (<folder>/state.h);
// the engine holds one of each. Only the names are known here.
namespace files { struct FilesContext; }
namespace script { struct ScriptContext; }
namespace render { struct RenderContext; }
namespace scene { struct SceneContext; }
namespace text { struct TextContext; }
namespace sound { struct SoundContext; }
namespace movie { struct MovieContext; }
namespace save { struct SaveContext; }
namespace shell { struct ShellContext; }

namespace core {

enum EngineState : uint32_t {
    StateNone = 0,
    StateStart = 1,
    StatePlay = 256,
    StateSystemScript = 400,
    StateLoadRequested = 513,
    StateLoading = 514,
};

// The running range: script process threads run only while the state lies in it.
inline bool IsRunningState(uint32_t state) { return state >= 256 && state <= 511; }

// Code of the running system. Linux is not one of the table's systems.
constexpr uint32_t kOsVersionOther = 0xFFFF;

struct Engine {
    int initialised = 0;
    int showCommand = 0;
    uint32_t osVersion = 0;
    std::atomic<uint32_t> state{StateNone};
    std::atomic<uint32_t> previousState{StateNone};
    std::atomic<int> quit{0};
    // The seven engine events: unnamed, manual-reset. After process
    // initialisation commandsEnabled and commandGate are signalled.
    platform::Event* stateChanged = nullptr;
    platform::Event* quitEvent = nullptr;
    platform::Event* commandsEnabled = nullptr;
    platform::Event* commandGate = nullptr;
    platform::Event* settingsChanged = nullptr;
    platform::Event* auxEvent1 = nullptr;
    platform::Event* auxEvent2 = nullptr;
    int workerCount = 1;  // rasterizer workers: processor count, at most 2
    int processorCount = 1;
    // Shell-side failure of the last start sequence, for the tool's exit status.
    int startFailed = 0;
    // Why the last start failed, in UTF-8 (the first reason given; main
    // thread only). The player shows it in a message box as well.
    std::string startError;
    // Save folder chosen by the runner (velmoor-tool run --save-dir); empty:
    // the usual per-user folder.
    char saveDirOverride[260] = {};

    // The settings as last loaded by the start sequence (main thread writes,
    // every thread reads).
    Settings settings;
    // What the transitions call in the subsystems (wired once at build).
    TransitionHooks transitions;
    // Pointer, key and cursor state of the input layer.
    PointerState pointer;
    // The composer's frame pacing step, an index into kFrameIntervals.
    std::atomic<int> frameIndex{kDefaultFrameIndex};
    // This engine's threads and locks (InitRegistry .. EndAllThreads).
    Registry registry;
    // Author warnings (core/warnings.h): off unless the run asks for them.
    WarningLog warnings;
    // Input waits and frames, for headless runs that wait for the game.
    GameWatch watch;

    // The subsystems' records, owned by this engine: built together with it
    // and destroyed with it (shell::BuildEngine / shell::DestroyEngine). Never
    // null while the engine is current.
    files::FilesContext* files = nullptr;
    script::ScriptContext* script = nullptr;
    render::RenderContext* render = nullptr;
    scene::SceneContext* scene = nullptr;
    text::TextContext* text = nullptr;
    sound::SoundContext* sound = nullptr;
    movie::MovieContext* movie = nullptr;
    save::SaveContext* save = nullptr;
    shell::ShellContext* shell = nullptr;
};

// The engine every engine thread works for. One engine is current at a time:
// the shell makes a built engine current before any engine thread starts and
// clears it after the last one ended, so the pointer is written only while
// the process runs one thread and read freely afterwards.
extern Engine* g_current;
inline Engine& Current() { return *g_current; }
// Makes `engine` current (nullptr: none). Only while no engine thread runs.
void SetCurrentEngine(Engine* engine);

// previousState <- state; state <- value; signal stateChanged. Returns 1.
int SetEngineState(uint32_t value);
// Sets the quit flag, signals quitEvent and wakes the main thread.
void RequestQuit();
// A start failure for the author: printed on stderr as "velmoor: TEXT" and
// kept as the engine's startError when it is the first. Main thread.
void ReportStartError(const std::string& text);
inline bool Quitting() { return g_current->quit.load(std::memory_order_relaxed) != 0; }

}  // namespace core
