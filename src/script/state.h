// The script folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through script::State().
//
// Include from .cpp files only. Hot paths (per statement) read State() once
// per call into a local reference.
//
// Ending an engine: every script process thread must have been stopped
// (StopAllProcesses) before its record is destroyed.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/engine.h"
#include "script/command_table.h"
#include "script/diagnostics.h"
#include "script/dispatch.h"
#include "script/interp_hooks.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variable_index.h"

namespace platform {
struct Event;
}

namespace script {

// The two worlds' process lists and the script engine's start (interp_process.cpp).
struct ProcessLists {
    std::mutex lock;  // guards worldFirst and every process's next/previous links
    ScriptProcess* worldFirst[2] = {nullptr, nullptr};  // 0 main world, 1 system script
    // Made at the first start (manual reset, signalled); destroyed with the record.
    platform::Event* engineEvent = nullptr;
    bool engineStarted = false;  // the first start has run (start thread only)
    std::mutex overrideLock;     // guards startOverride
    char startOverride[kFileNameSize] = {};  // start script chosen by loading; empty: none
    // Guards the thread fields of inline blocks and every process's
    // inlineClosed flag (inline_code.cpp); a leaf lock, held briefly.
    std::mutex inlineLock;

    ProcessLists() = default;
    ~ProcessLists();
    ProcessLists(const ProcessLists&) = delete;
    ProcessLists& operator=(const ProcessLists&) = delete;
};

// The data-folder prefix scripts set (file_support.cpp): two buffers, so that
// a reader holding the previous text is not overwritten at once.
struct DataPrefixBuffers {
    std::mutex lock;  // guards both buffers and `current`
    char text[2][260] = {};
    int current = 0;  // index of the buffer in use
};

// The read marks of every script seen (read_marks.cpp). The record owns them
// and frees them when destroyed.
struct ReadMarkTable {
    std::mutex lock;  // guards `records` and every record's marks
    std::vector<ReadMarkRecord*> records;  // calloc'd, with calloc'd marks

    ReadMarkTable() = default;
    ~ReadMarkTable();
    ReadMarkTable(const ReadMarkTable&) = delete;
    ReadMarkTable& operator=(const ReadMarkTable&) = delete;
};

// This engine's copy of the command table (command_table.cpp): the names and
// argument rules are constant, the handlers are installed by the wiring.
struct CommandTableCopy {
    CommandEntry entries[kCommandCount];
    CommandTableCopy();  // copies the defined table (handlers of this folder only)
};

struct ScriptContext {
    // --- Variables ------------------------------------------------------------
    // The global and local tables with their indexes (variables.cpp; locking
    // rules in variables.h).
    VariableStore variables;
    // Values the system variables set (system_variables.h). Plain fields read
    // without a lock; script threads and the input layer tolerate a stale read.
    SystemValues systemValues;
    // `$SYSTEM_present_process`'s record, remembered across block entries
    // (interp_walk.cpp); checked before each use as tables may be cleared.
    std::atomic<Variable*> presentProcessVariable{nullptr};

    // --- Tables filled by the wiring (before any script thread runs) -----------
    ScriptServices services = DefaultScriptServices();
    InterpreterHooks interpreterHooks = DefaultInterpreterHooks();
    ComposerHooks composerHooks = DefaultComposerHooks();
    CommandTableCopy commands;

    // --- Processes ----------------------------------------------------------------
    ProcessLists processes;
    // Serialises rebuilding a process's function-name index (interp_calls.cpp).
    std::mutex functionIndexLock;
    // Serialises the test-and-close of the command gate (dispatch.cpp).
    std::mutex gateLock;
    // Seed of the owner keys handed to new processes (loader.cpp; one loader
    // at a time: loads run under the command gate or at start).
    uint32_t ownerKeySeed = 0;
    // Names of inline blocks: the last number given (preprocess.cpp).
    std::atomic<unsigned> inlineBlockNumber{0};
    // Calls of Random so far, mixed into its seed (builtins_engine.cpp).
    std::atomic<uint32_t> randomCalls{0};

    // --- Files and read marks -------------------------------------------------------
    DataPrefixBuffers dataPrefix;
    ReadMarkTable readMarks;

    // Where problems in scripts' text are reported (diagnostics.h).
    ProblemSink problemSink;
};

// The current engine's record. Valid while an engine is current.
inline ScriptContext& State() { return *core::Current().script; }

}  // namespace script
