// Shared between the interpreter's files: access to run state, the
// statements, calls and the links to the script core. Internal.
#pragma once
#include <cstdint>

#include "platform/sync.h"
#include "script/interp.h"
#include "script/interp_hooks.h"
#include "script/interp_state.h"
#include "script/process.h"
#include "core/engine.h"

namespace script {

inline int32_t StatusOf(const ScriptBlock* b) { return LoadShared(b->run.status); }
inline void SetStatus(ScriptBlock* b, int32_t s) { StoreShared(b->run.status, s); }
inline bool IsActive(const ScriptProcess* p) { return LoadShared(p->active) != 0; }
inline void SetActive(ScriptProcess* p, int value) { StoreShared(p->active, value); }
inline bool ParallelMode(const ScriptBlock* b) { return LoadShared(b->run.mode) == ModeParallel; }

// The running range and the quit flag.
inline bool EngineRuns() {
    return !core::Quitting() && core::IsRunningState(core::Current().state.load());
}

// Set, 1 ms, reset: wakes every waiter on a block's event.
void PulseEvent(platform::Event* event);
// Set and reset at once (the walker's pulse at the entry point).
void FlashEvent(platform::Event* event);

// Loop and select stacks.
void ClearLoopsAndSelects(ScriptBlock* block);
LoopEntry* TopLoop(ScriptBlock* block);
SelectEntry* TopSelect(ScriptBlock* block);
void PopLoop(ScriptBlock* block);
void PopSelect(ScriptBlock* block);

// Statement handlers: each returns true when the statement at the block's
// cursor was recognised (and moved the cursor).
bool TryControlStatement(ScriptProcess* process, ScriptBlock* block);
bool TryCallStatement(ScriptProcess* process, ScriptBlock* block);

// Collects the statement at the cursor, evaluates it and moves the cursor;
// returns the statement's number.
double EvaluateAtCursor(ScriptBlock* block);

// Runs a command written as text ("CreateName(\"x\");") for `block`, waiting
// for the command gate when another process holds it. Returns the handler's
// result (1 when it has none).
int RunCommandText(ScriptProcess* process, ScriptBlock* block, const char* text);

// Process lists.
void FreeProcess(ScriptProcess* process);
// Inline blocks of the process start no more (FreeProcess, before its
// block threads are stopped).
void CloseInlineBlocks(ScriptProcess* process);
// Invalidates the function-name index of a process (after loading or
// unloading a file).
void FunctionsChanged(ScriptProcess* process);
// The script engine's event (created signalled at the first start).
platform::Event* ScriptEngineEvent();

// --- Links to the script core -------------------------------------------------
// Marks the line break at `at` (in the block's file) read.
void MarkBreakRead(ScriptBlock* block, const char* at);
// Marks [start, end) of the block's file read.
void MarkRangeRead(ScriptBlock* block, const char* start, const char* end);
// Sets a text variable (created if missing).
void SetTextVariable(const char* name, const char* text);
// Sets a number variable (created if missing) with the assignment rules.
void SetNumberVariable(const char* name, double value);

}  // namespace script
