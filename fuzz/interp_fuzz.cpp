// Fuzz target for the walker and the dispatcher: the input is a script text.
// It is preprocessed in memory and every chapter, scene, cut and function
// block is walked (following calls) on this thread with the engine in the
// play state; a watchdog ends the walk after a few milliseconds the way a
// quit does (the quit flag and its event, and the state out of the running
// range with its event), so that endless loops and every wait (a select, a
// long Wait) end at once. Commands that would act outside the process (start
// programs, write files, restart or quit) do nothing here.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "files/file_handle.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/preprocess.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/services.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

int NoBox(const char*, const char*, uint32_t) { return 1; }
void NoCommand(script::CommandCall&) {}

void Setup() {
    core::Engine& e = core::Current();
    platform::Event** events[] = {&e.stateChanged,    &e.quitEvent, &e.commandsEnabled,
                                  &e.commandGate,     &e.settingsChanged, &e.auxEvent1,
                                  &e.auxEvent2};
    for (platform::Event** ev : events) *ev = platform::CreateEvent(true, false);
    platform::SetEvent(e.commandsEnabled);
    platform::SetEvent(e.commandGate);
    core::InitRegistry();
    script::InstallInterpreter();
    script::GetServices().messageBox = NoBox;
    const char* outside[] = {"System", "Reset", "Exit", "WriteFile", "LoadFile", "UnloadFile"};
    for (const char* name : outside) script::InstallCommandHandler(name, NoCommand);
}

std::atomic<int> g_armed{0};
std::atomic<uint32_t> g_deadline{0};
// Held while the watchdog ends a walk and while a walk is disarmed and the
// engine put back, so that a late firing never reaches the next input.
std::mutex g_fire;

// Ends the walk once the deadline has passed, as a quit would.
void Watchdog(void*) {
    for (;;) {
        platform::SleepMs(2);
        std::lock_guard<std::mutex> hold(g_fire);
        if (g_armed.load() && static_cast<int32_t>(platform::TimeMs() - g_deadline.load()) >= 0) {
            core::RequestQuit();
            core::SetEngineState(core::StateStart);
            g_armed = 0;
        }
    }
}

// Disarms the watchdog and puts the engine back into the play state with
// no quit pending.
void Disarm() {
    std::lock_guard<std::mutex> hold(g_fire);
    g_armed = 0;
    core::Engine& e = core::Current();
    e.quit = 0;
    platform::ResetEvent(e.quitEvent);
    platform::ResetEvent(e.stateChanged);
    e.state = core::StatePlay;
}

void Walk(script::ScriptProcess* process, script::ScriptBlock* block) {
    core::Current().state = core::StatePlay;
    process->engineState = core::StatePlay;
    process->active = 1;
    g_deadline = platform::TimeMs() + 5;
    g_armed = 1;
    for (int hops = 0; block && hops < 16; ++hops) {
        script::WalkBlock(process, block);
        if (!core::IsRunningState(core::Current().state.load())) break;
        if (script::ScriptBlock* target = block->run.callTarget) {
            block->run.callTarget = nullptr;
            block = target;
        } else if (script::ScriptBlock* back = block->run.returnTarget) {
            block->run.returnTarget = nullptr;
            block = back;
        } else {
            break;
        }
    }
    Disarm();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = false;
    if (!ready) {
        Setup();
        platform::StartThread(Watchdog, nullptr, true);
        ready = true;
    }
    if (size > 65536) return 0;
    static int runs = 0;
    if (++runs % 200 == 0) script::ClearLocals();
    script::ScriptProcess* process = script::NewScriptProcess();
    files::FileHandle& handle = process->scripts[0].file;
    files::BindFile(&handle, "fuzz.txt");
    handle.buffer = files::AllocZeroed(size + 64);
    std::memcpy(handle.buffer, data, size);
    handle.size = static_cast<int32_t>(size);
    if (script::PreprocessScript(process, 0)) {
        int walked = 0;
        for (script::ScriptBlock* b = process->firstBlock; b && walked < 8; b = b->next) {
            if (b->kind == script::kBlockInline) continue;
            Walk(process, b);
            ++walked;
            // Every walk ends inside its text.
            if (b->cursor < b->bodyStart || b->cursor > b->bodyEnd) __builtin_trap();
        }
    }
    script::FreeScriptProcess(process);
    script::ClearReadMarks();
    return 0;
}
