// The one engine-wide record: state, quit flag, events and the shell's copies
// of settings. Other subsystems keep their own records in their folders.
//
// Locking: `state` and `quit` are plain 32-bit values read without locks; a
// reader tolerates a stale value for one pass of its loop. They change only
// through SetEngineState and RequestQuit (and the inline Reset path, which
// holds the SceneLock).
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/sync.h"

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
    // Save folder chosen by the runner (velmoor-tool run --save-dir); empty:
    // the usual per-user folder.
    char saveDirOverride[260] = {};
};

extern Engine g_engine;

// previousState <- state; state <- value; signal stateChanged. Returns 1.
int SetEngineState(uint32_t value);
// Sets the quit flag, signals quitEvent and wakes the main thread.
void RequestQuit();
inline bool Quitting() { return g_engine.quit.load(std::memory_order_relaxed) != 0; }

}  // namespace core
