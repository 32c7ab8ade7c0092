// The interpreter: walking a block's text, control statements, calls between
// blocks, function calls with parameters, the block status machine, the
// process threads of both worlds and parallel processes.
//
// Threads: each world's process chain runs on one thread (ProcessThread);
// each parallel process on its own (BlockThread). Block status words are
// written by other threads (requests, CreateProcess, StopAllProcesses)
// without a lock; every loop re-reads them and waits at most 100 ms.
#pragma once
#include <cstdint>

namespace script {

struct ScriptBlock;
struct ScriptProcess;

// Block status values.
enum BlockStatus : int32_t {
    StatusStopped = 0,
    StatusRunning = 1,
    StatusCalling = 2,
    StatusStarting = 16,
    StatusOpened = 17,
    StatusReopen = 18,
    StatusRestart = 19,
    StatusPaused = 20,
    StatusResume = 21,
    StatusIdle = 22,
};

// Block modes.
enum BlockMode : int32_t { ModeOrdinary = 1, ModeParallel = 2 };

// --- What the dispatcher asks of a block ---------------------------------
// The block's 32 KB argument buffer.
char* BlockScratch(ScriptBlock* block);
// The block's object prefix (may be empty).
const char* BlockPrefix(ScriptBlock* block);
// In a function block: the value of the parameter named exactly `text`, or null.
const char* BlockParameterValue(ScriptBlock* block, const char* text);
bool BlockIsParallel(const ScriptBlock* block);
// Calls the script function named at `*cursor` when there is one; moves the
// cursor past the call when a call was made. Returns 1 when it called, 0
// when not, -1 when a function is named but commands are disabled (the
// statement waits for a later pass).
int TryFunctionCall(ScriptProcess* process, ScriptBlock* block, const char** cursor,
                    const char* limit);

// --- The walker ------------------------------------------------------------
// Runs the block until it yields, calls, ends or the engine leaves the
// running range.
void WalkBlock(ScriptProcess* process, ScriptBlock* block);
// Whether the process may execute now; waits while the other world runs or
// commands are disabled.
bool CanRun(ScriptProcess* process);
void EnterBlock(ScriptBlock* block);
void ExitBlock(ScriptBlock* block, ScriptProcess* process);
// Collects one statement at the block's cursor and evaluates it.
void ReadStatement(ScriptBlock* block, ScriptProcess* process);

// Thread entries.
void ProcessThread(void* process);
void BlockThread(void* block);

// --- Processes and worlds -----------------------------------------------------
// The head of a world's process list: 0 main, 1 system.
ScriptProcess* WorldHead(int world);
// The world of the current engine state (1 in the system-script state).
int CurrentWorld();

// Requests on a parallel process (from the Request command).
void RequestStart(ScriptBlock* block);
void RequestStop(ScriptBlock* block);
void RequestOpen(ScriptBlock* block);
void RequestPause(ScriptBlock* block);
void RequestResume(ScriptBlock* block);
// The block's process object was deleted: status 0 and its event signalled,
// so that its thread ends on its own (joined by the next CreateProcess of the
// block or the teardown). Never waits.
void EndParallelBlock(ScriptBlock* block);
// The block's status word (read by other threads).
int32_t BlockStatus(const ScriptBlock* block);

// The script side of CreateProcess: the first cut or function block named
// `name` gets a fresh thread (an older one is stopped first), the object
// prefix `objectName`, its cursor at its body start and status 16. The
// thread is created held; returns the block or null. The caller then makes
// the process object and calls LaunchParallelBlock, which reopens the command
// gate, lets the thread run and waits until the part before `begin:` ran.
ScriptBlock* PrepareParallelBlock(ScriptProcess* process, const char* name, const char* objectName);
void LaunchParallelBlock(ScriptBlock* block);

// --- Inline code of dialogue text ------------------------------------------
// A text block's "{ ... }" runs as an inline block of its process on a
// thread of its own when the text's reveal reaches it; the reveal polls for
// its end instead of waiting.
//
// The inline block whose body follows the "{" at `open` in the process's
// loaded text, or null. Takes the script-loading lock (blocks are appended
// under it): call it where no other engine lock is held.
ScriptBlock* FindInlineBlock(ScriptProcess* process, const char* open);
// Starts the inline block from its beginning on a new thread, with
// `objectPrefix` as its object prefix (the context of the block that made
// the text). False, with nothing started, when its previous run still goes
// on, its process is being freed or no thread could be made. Any thread
// (the composer's, with the SceneLock held): takes only a leaf mutex and
// the thread registry.
bool StartInlineBlock(ScriptBlock* block, const char* objectPrefix);
// Whether the inline block's thread still runs. Once it has ended its
// thread entry is released. False once its process is being freed. The
// caller keeps the block alive: a text object lives in the tree of the
// process that owns the block, and the tree is released only after every
// block thread of the process has been stopped.
bool InlineBlockRunning(ScriptBlock* block);

// Stops the processes of the current world (both worlds at quit, restart and
// loading), frees them and saves the read marks. Each process thread is
// waited for up to `waitMs` (StopAllProcesses: 10 s); a process whose thread
// has not ended by then, or one of whose parallel blocks' threads does not
// end, is taken out of its world and never freed (reported on stderr), as
// that thread may still use it. Returns the number of processes so kept.
void StopAllProcesses();
// True while a script of either world can still act: a process thread
// lives, or a parallel block's thread runs (or is starting).
bool AnyScriptThreadRunning();
int StopAllProcessesWithin(int waitMs);

// Fills the script services the interpreter itself provides (the process
// lists, owner keys, releasing read marks). Writes the same entries every
// time; the engine's wiring calls it once.
void InstallInterpreter();

// The script engine's start: loads `startScript` and starts the first process
// thread of the current world.
bool StartScriptEngine(const char* startScript);

// Restoring a saved game: appends a process rebuilt from the save to the
// main world's list (its owner key registered), and later starts its thread
// as a start would. Launch returns false (and frees the process) when no
// thread can be made.
void AddRestoredProcess(ScriptProcess* process);
bool LaunchRestoredProcess(ScriptProcess* process);

// What the shell's transitions ask of the interpreter. StartSystemScript
// starts `script` in the system world with entry "main" (false when it
// cannot load); SuspendMainWorld holds the main world's timers and text
// output and resets the hover state of selectable objects (caller holds the
// SceneLock); ResumeMainWorld lets the timers run on.
bool StartSystemScript(const char* script);
void SuspendMainWorld();
void ResumeMainWorld();
// Sets a number variable, creating it when needed.
void SetNumberVariable(const char* name, double value);

// Ends a block and n - 1 of its callers (the Escape command). Returns the
// cursor the walker continues at in `block` (its body end).
const char* EscapeBlocks(ScriptProcess* process, ScriptBlock* block, int count);

}  // namespace script
