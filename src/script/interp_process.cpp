// Script processes: the two worlds' lists, the process thread, parallel
// blocks and their requests, stopping everything, and the script engine's
// start with the system-script switch.
#include <string>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/encoding.h"
#include "platform/clock.h"
#include "script/dispatch.h"
#include "script/interp_internal.h"
#include "script/loader.h"
#include "script/read_marks.h"
#include "script/services.h"
#include "script/sjis.h"
#include "script/state.h"
#include "script/variables.h"
#include "core/registry.h"
#include "core/transitions.h"

namespace script {

namespace {

// --- Hook defaults ---------------------------------------------------------------
void NoObjects(ScriptProcess*, const char*) {}
void NoTree(ScriptProcess*) {}
int NoHit(ScriptBlock*, const char*) { return 0; }
void NoWorld(int) {}
void NoAction() {}
void NoMouse(int* x, int* y) { *x = *y = 0; }
int NoInputEvents(int, platform::Event**, int) { return 0; }
void NoInput(int, int* code, uint32_t* flags) {
    *code = 0;
    *flags = 0;
}
void NoTextBlock(ScriptBlock*, const char*, const char*) {}
int NoKnownTree(int32_t) { return 0; }

InterpreterHooks& Hooks() { return State().interpreterHooks; }
ProcessLists& Lists() { return State().processes; }

// --- Process lists ---------------------------------------------------------------

void AppendProcess(ScriptProcess* process) {
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.lock);
    int world = CurrentWorld();
    process->run.world = static_cast<uint8_t>(world);
    process->next = nullptr;
    process->previous = nullptr;
    ScriptProcess** link = &lists.worldFirst[world];
    ScriptProcess* last = nullptr;
    while (*link) {
        last = *link;
        link = &(*link)->next;
    }
    *link = process;
    process->previous = last;
}

void RemoveProcessLocked(ProcessLists& lists, ScriptProcess* process) {
    for (ScriptProcess*& first : lists.worldFirst) {
        for (ScriptProcess** link = &first; *link; link = &(*link)->next) {
            if (*link == process) {
                *link = process->next;
                if (process->next) process->next->previous = process->previous;
                process->next = nullptr;
                process->previous = nullptr;
                return;
            }
        }
    }
}

void RemoveProcess(ScriptProcess* process) {
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.lock);
    RemoveProcessLocked(lists, process);
}

int OwnerKeyInUse(int32_t key) {
    {
        ProcessLists& lists = Lists();
        std::lock_guard<std::mutex> lock(lists.lock);
        for (ScriptProcess* first : lists.worldFirst) {
            for (ScriptProcess* p = first; p; p = p->next) {
                if (p->ownerKey == key) return 1;
            }
        }
    }
    return Hooks().treeInUse(key);
}

void RegisterOwnerKey(ScriptProcess* process) { Hooks().addTree(process); }

ScriptProcess* FirstWorldProcess() {
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.lock);
    return lists.worldFirst[CurrentWorld()];
}

// Processes whose thread (or one of whose parallel blocks' threads) did not
// end when they were stopped. Such a thread may still read its process, so
// the process is taken out of its world but never freed: it is kept here for
// the life of the program (a deliberate leak, reported on stderr). The list
// lies outside the engine's record, as such a thread may outlive the engine.
std::mutex g_keptAsideMutex;
std::vector<ScriptProcess*>* g_keptAside = nullptr;

void KeepAside(ScriptProcess* process, const char* why) {
    std::fprintf(stderr, "velmoor: %s; its process is kept, not freed\n", why);
    std::lock_guard<std::mutex> lock(g_keptAsideMutex);
    if (!g_keptAside) g_keptAside = new std::vector<ScriptProcess*>;
    g_keptAside->push_back(process);
}

// Ends the thread of a parallel block: status 0, its event signalled, then
// waits (5 s, resume if held, 10 s); a thread that still runs is abandoned.
// Returns false when the thread still runs (the block must not be freed).
bool StopBlockThread(ScriptBlock* block) {
    if (!block->run.hasThread) return true;
    core::ThreadHandle thread = LoadShared(block->run.thread);
    bool ended = true;
    if (core::IsEngineThreadAlive(thread)) {
        SetStatus(block, StatusStopped);
        platform::SetEvent(block->event);
        if (!core::WaitEngineThread(thread, 5000)) {
            core::ResumeEngineThread(thread);
            platform::SetEvent(block->event);
            if (!core::WaitEngineThread(thread, 10000)) {
                std::fprintf(stderr, "velmoor: a script process did not stop: %s\n", block->name);
                ended = false;
            }
        }
    }
    core::ReleaseEngineThread(thread);
    block->run.hasThread = 0;
    return ended;
}

// Runs `process`'s chain (step 2 of the process thread). Returns the process
// the thread ends with (the chain may have moved to a parent).
void RunChain(ScriptProcess* process) {
    ScriptProcess* p = process;
    while (EngineRuns()) {
        ScriptBlock* b = p->currentBlock;
        if (!b) break;
        WalkBlock(p, b);
        if (!EngineRuns() || !IsActive(p)) break;
        if (ScriptBlock* target = b->run.callTarget) {
            b->run.callTarget = nullptr;
            target->run.currentMark = b->run.currentMark;
            b->run.currentMark = 0;
            p->currentBlock = target;
            continue;
        }
        if (ScriptBlock* back = b->run.returnTarget) {
            b->run.returnTarget = nullptr;
            back->run.currentMark = 1;
            b->run.currentMark = 0;
            p->currentBlock = back;
            // A called scene or cut file is released when nothing of it runs.
            int index = b->scriptIndex;
            if ((b->kind == kBlockScene || b->kind == kBlockCut) && index > 0 &&
                index < kScriptSlots && !p->scripts[index].included) {
                bool running = false;
                for (ScriptBlock* o = p->firstBlock; o; o = o->next) {
                    if (o->scriptIndex == index && (StatusOf(o) != StatusStopped || o->run.hasThread)) {
                        running = true;
                        break;
                    }
                }
                if (!running) {
                    UnloadScriptFile(p, index);
                    FunctionsChanged(p);
                }
            }
            continue;
        }
        if (ScriptProcess* next = p->successor) {
            StoreShared(next->engineState, LoadShared(p->engineState));
            SetActive(next, 1);
            SetActive(p, 0);
            p = next;
            continue;
        }
        if (ScriptProcess* parent = p->parent) {
            parent->successor = nullptr;
            p->parent = nullptr;
            FreeProcess(p);
            SetActive(parent, 1);
            p = parent;
            continue;
        }
        break;
    }
}

// Takes the command gate, waiting for it in bounded steps.
void TakeGateWaiting() {
    while (!core::Quitting()) {
        if (TryTakeCommandGate()) return;
        platform::WaitEvent(core::Current().commandGate, 100);
    }
}

// Frees every process of a world. The calling thread may run one of them: its
// own thread is not waited for.
void FreeWorld(int world) {
    ScriptProcess* list;
    {
        ProcessLists& lists = Lists();
        std::lock_guard<std::mutex> lock(lists.lock);
        list = lists.worldFirst[world];
        lists.worldFirst[world] = nullptr;
    }
    while (list) {
        ScriptProcess* next = list->next;
        list->next = nullptr;
        list->previous = nullptr;
        FreeProcess(list);
        list = next;
    }
}

// The system script ends: back to the game in the main world.
void EndSystemScript() {
    core::TransitionHooks& transitions = core::GetTransitionHooks();
    transitions.pauseComposer();
    Hooks().inputMode(2);
    FreeWorld(1);
    core::LeaveSystemScript();
    Hooks().clearPendingText();
    Hooks().markScreenDirty();
}

// Starts the thread of a world's first process. The thread is created held
// and its handle stored before it runs: a system script's thread frees its
// own process when it ends, which may be at once.
bool LaunchProcessThread(ScriptProcess* process) {
    core::ThreadHandle thread = core::CreateEngineThread(false, ProcessThread, process);
    if (thread < 0) {
        FreeProcess(process);
        return false;
    }
    process->thread = thread;
    core::ResumeEngineThread(thread);
    return true;
}

}  // namespace

// --- What the shell's transitions start and stop -----------------------------------
bool StartSystemScript(const char* script) {
    ScriptProcess* process = LoadScriptProcess(script, "main", nullptr);
    if (!process) return false;
    process->run.world = 1;
    if (process->currentBlock) process->currentBlock->run.currentMark = 1;
    return LaunchProcessThread(process);
}

void SuspendMainWorld() {
    Hooks().suspendTimers(0);
    Hooks().resetHover(0);
}

void ResumeMainWorld() { Hooks().resumeTimers(0); }

void InstallInterpreter() {
    ScriptServices& services = GetServices();
    services.appendProcess = AppendProcess;
    services.removeProcess = RemoveProcess;
    services.ownerKeyInUse = OwnerKeyInUse;
    services.registerOwnerKey = RegisterOwnerKey;
    services.firstWorldProcess = FirstWorldProcess;
    Hooks().releaseReadMarks = ClearReadMarks;
}

InterpreterHooks& GetInterpreterHooks() { return Hooks(); }

InterpreterHooks DefaultInterpreterHooks() {
    return {
        NoObjects, NoTree,   NoHit,    NoWorld,  NoAction, NoWorld,  NoMouse, NoWorld,
        NoInputEvents, NoInput, NoAction, NoWorld, NoWorld, NoWorld, NoAction, NoAction,
        NoAction, NoAction, NoAction, NoTextBlock, NoKnownTree, NoTree,
    };
}

ProcessLists::~ProcessLists() {
    if (engineEvent) platform::DestroyEvent(engineEvent);
}

void SetStartScriptOverride(const char* script) {
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.overrideLock);
    lists.startOverride[0] = 0;
    if (script) CopyCut(lists.startOverride, sizeof(lists.startOverride), script);
}

platform::Event* ScriptEngineEvent() { return Lists().engineEvent; }

int CurrentWorld() { return core::Current().state.load() == core::StateSystemScript ? 1 : 0; }

ScriptProcess* WorldHead(int world) {
    if (world < 0 || world > 1) return nullptr;
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.lock);
    return lists.worldFirst[world];
}

void FunctionsChanged(ScriptProcess* process) {
    std::atomic_ref<uint8_t>(process->run.functionIndexValid).store(0, std::memory_order_release);
}

void FreeProcess(ScriptProcess* process) {
    if (!process) return;
    CloseInlineBlocks(process);
    bool stopped = true;
    for (ScriptBlock* b = process->firstBlock; b; b = b->next)
        if (!StopBlockThread(b)) stopped = false;
    if (!stopped) {
        RemoveProcess(process);
        KeepAside(process, "a parallel block's thread did not end");
        return;
    }
    Hooks().releaseTree(process);
    RemoveProcess(process);
    if (process->thread >= 0 && process->thread != 0) {
        core::ReleaseEngineThread(process->thread);
        process->thread = -1;
    }
    FreeScriptProcess(process);
}

void ProcessThread(void* argument) {
    ScriptProcess* process = static_cast<ScriptProcess*>(argument);
    // A process stopped before its thread saw the running state never runs.
    while (!core::Quitting() && !LoadShared(process->run.stopRequested) &&
           !core::IsRunningState(core::Current().state.load()))
        core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 100);
    bool systemWorld = process->run.world == 1;
    if (!core::Quitting() && !LoadShared(process->run.stopRequested)) {
        SetActive(process, 1);
        // The state a process runs in is its world's, not whatever holds
        // when its thread first gets the processor: a main-world thread that
        // starts late, after a system script began, must stand still too.
        StoreShared(process->engineState, static_cast<uint32_t>(systemWorld ? core::StateSystemScript
                                                                             : core::StatePlay));
        RunChain(process);
    }

    uint32_t state = core::Current().state.load();
    if (state != core::StateSystemScript) core::WakeMainThread();
    TakeGateWaiting();
    if (systemWorld && state == core::StateSystemScript && !core::Quitting()) EndSystemScript();
    ReleaseCommandGate();
}

void BlockThread(void* argument) {
    ScriptBlock* block = static_cast<ScriptBlock*>(argument);
    StoreShared(block->run.finished, 0);
    if (StatusOf(block) == StatusStopped) {
        StoreShared(block->run.finished, 1);
        return;
    }
    ScriptProcess* process = block->process;
    if (core::Current().state.load() == core::StateLoading) {
        // Restored from a save: wait for the loading to end.
        while (!core::Quitting() && core::Current().state.load() == core::StateLoading)
            core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 100);
        Hooks().markScreenDirty();
    } else {
        SetStatus(block, StatusStarting);
        StoreShared(block->run.mode, block->kind == kBlockInline ? ModeOrdinary : ModeParallel);
        if (block->kind != kBlockInline) MarkRangeRead(block, block->bodyStart, block->bodyEnd);
    }
    ScriptBlock* b = block;
    while (EngineRuns()) {
        WalkBlock(process, b);
        if (ScriptBlock* target = b->run.callTarget) {
            b->run.callTarget = nullptr;
            target->run.returnTarget = b;
            b = target;
            continue;
        }
        if (ScriptBlock* back = b->run.returnTarget) {
            b->run.returnTarget = nullptr;
            b = back;
            continue;
        }
        break;
    }
    StoreShared(block->run.finished, 1);
}

ScriptBlock* PrepareParallelBlock(ScriptProcess* process, const char* name, const char* objectName) {
    if (!process || !name) return nullptr;
    ScriptBlock* block = FindBlock(process, name, kBlockCut | kBlockFunction);
    if (!block) return nullptr;
    StopBlockThread(block);
    if (core::Current().state.load() != core::StateLoading) {
        CopyCut(block->objectPrefix, kBlockNameSize, objectName ? objectName : "");
        block->run.callTarget = nullptr;
        block->run.returnTarget = nullptr;
        ClearLoopsAndSelects(block);
        block->cursor = block->bodyStart;
        block->run.resumePosition = block->bodyStart;
        SetStatus(block, StatusStarting);
        platform::ResetEvent(block->event);
    }
    core::ThreadHandle thread = core::CreateEngineThread(false, BlockThread, block);
    if (thread < 0) return nullptr;
    StoreShared(block->run.thread, thread);
    block->run.hasThread = 1;
    return block;
}

void LaunchParallelBlock(ScriptBlock* block) {
    if (!block || !block->run.hasThread) return;
    core::ThreadHandle thread = LoadShared(block->run.thread);
    ReleaseCommandGate();
    for (;;) {
        if (core::EngineThreadState(thread) == core::kThreadSuspended)
            core::ResumeEngineThread(thread);
        int32_t st = StatusOf(block);
        if (st == StatusStopped || st == StatusOpened || st == StatusIdle) break;
        if (!EngineRuns()) break;
        if (!core::IsEngineThreadAlive(thread)) break;
        platform::SleepMs(4);
    }
}

void RequestStart(ScriptBlock* block) {
    int32_t st = StatusOf(block);
    if (st == StatusRunning || st == StatusCalling) return;
    SetStatus(block, st == StatusPaused ? StatusResume : StatusRestart);
    PulseEvent(block->event);
}

void RequestStop(ScriptBlock* block) {
    SetStatus(block, StatusIdle);
    PulseEvent(block->event);
}

void RequestOpen(ScriptBlock* block) {
    if (StatusOf(block) != StatusOpened) SetStatus(block, StatusReopen);
    PulseEvent(block->event);
}

void RequestPause(ScriptBlock* block) {
    if (StatusOf(block) == StatusRunning) SetStatus(block, StatusPaused);
    PulseEvent(block->event);
}

void RequestResume(ScriptBlock* block) {
    if (StatusOf(block) == StatusPaused) SetStatus(block, StatusResume);
    PulseEvent(block->event);
}

void EndParallelBlock(ScriptBlock* block) {
    if (!block) return;
    SetStatus(block, StatusStopped);
    platform::SetEvent(block->event);
}

int32_t BlockStatus(const ScriptBlock* block) { return block ? StatusOf(block) : -1; }

void StopAllProcesses() { StopAllProcessesWithin(10000); }

bool AnyScriptThreadRunning() {
    if (core::CountLiveEngineThreads(ProcessThread) > 0) return true;
    // Without a process thread, a parallel block counts only while it runs
    // or is about to: an idle or paused one waits for a request that no
    // script is left to make.
    core::LockGuard loading(core::kLockScriptLoad);  // blocks are appended under it
    ProcessLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.lock);
    for (ScriptProcess* first : lists.worldFirst) {
        for (ScriptProcess* p = first; p; p = p->next) {
            for (ScriptBlock* b = p->firstBlock; b; b = b->next) {
                if (!b->run.hasThread || !core::IsEngineThreadAlive(LoadShared(b->run.thread))) continue;
                int32_t st = StatusOf(b);
                if (st != StatusStopped && st != StatusOpened && st != StatusIdle && st != StatusPaused)
                    return true;
            }
        }
    }
    return false;
}

int StopAllProcessesWithin(int waitMs) {
    uint32_t state = core::Current().state.load();
    bool quitting = core::Quitting();
    bool both = quitting || state == core::StateStart || state == core::StateLoading;
    int worlds[2] = {CurrentWorld(), -1};
    if (both) {
        worlds[0] = 0;
        worlds[1] = 1;
    }
    int kept = 0;
    for (int world : worlds) {
        if (world < 0) continue;
        std::vector<ScriptProcess*> running;
        {
            ProcessLists& lists = Lists();
            std::lock_guard<std::mutex> lock(lists.lock);
            for (ScriptProcess* p = lists.worldFirst[world]; p; p = p->next) {
                StoreShared(p->run.stopRequested, 1);
                SetActive(p, 0);
                if (p->thread > 0) running.push_back(p);
            }
        }
        // A process whose thread is still running after the wait is taken
        // out of the world and kept: freeing it would pull its memory from
        // under that thread.
        for (ScriptProcess* p : running) {
            if (!core::IsEngineThreadAlive(p->thread) || core::WaitEngineThread(p->thread, waitMs))
                continue;
            // Its thread stays registered: the end of the engine waits for
            // it once more and reports it if it still runs.
            RemoveProcess(p);
            KeepAside(p, "a script process thread did not end");
            ++kept;
        }
        FreeWorld(world);
    }
    Hooks().saveReadMarks();
    if (quitting) Hooks().releaseReadMarks();
    return kept;
}

bool StartScriptEngine(const char* startScript) {
    ProcessLists& lists = Lists();
    if (!lists.engineStarted) {
        lists.engineStarted = true;
        FreeWorld(0);
        FreeWorld(1);
        if (!lists.engineEvent) lists.engineEvent = platform::CreateEvent(true, true);
        Hooks().loadReadMarks();
    }
    FreeWorld(0);
    FreeWorld(1);
    Hooks().resetBacklog();
    char script[kFileNameSize];
    {
        std::lock_guard<std::mutex> lock(lists.overrideLock);
        if (lists.startOverride[0]) {
            CopyCut(script, sizeof(script), lists.startOverride);
            lists.startOverride[0] = 0;
        } else {
            CopyCut(script, sizeof(script), startScript ? startScript : "");
        }
    }
    if (!script[0]) {
        core::ReportStartError("the settings name no start script");
        return false;
    }
    ScriptProcess* process = LoadScriptProcess(script, "main", nullptr);
    if (!process) {
        core::ReportStartError(std::string("cannot load the start script ") + platform::SjisToUtf8(script) +
                               " (or its chapter main)");
        return false;
    }
    if (process->currentBlock) process->currentBlock->run.currentMark = 1;
    core::GetTransitionHooks().inputPlayMode();
    return LaunchProcessThread(process);
}

void AddRestoredProcess(ScriptProcess* process) {
    if (!process) return;
    process->run.world = 0;
    AppendProcess(process);
    RegisterOwnerKey(process);
}

bool LaunchRestoredProcess(ScriptProcess* process) {
    if (!process) return false;
    if (process->currentBlock) process->currentBlock->run.currentMark = 1;
    return LaunchProcessThread(process);
}

// --- Links to the script core ----------------------------------------------------------

void SetTextVariable(const char* name, const char* text) {
    if (Variable* v = GetOrCreateExact(name)) SetText(v, text);
}

void SetNumberVariable(const char* name, double value) { AssignVariable(name, value, ""); }

}  // namespace script
