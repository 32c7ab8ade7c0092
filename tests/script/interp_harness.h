// Runs scripts through the interpreter inside the test program, each game in
// a fresh engine: the engine events and registry are set up as at process
// start, the scripts are written (as Shift-JIS with CR LF) into a temporary
// game folder that becomes the current folder, and the start script runs on
// its process thread until that thread ends.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/clock.h"
#include "platform/encoding.h"
#include "platform/sync.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/registry.h"
#include "shell/engine_build.h"
#include "shell/wiring.h"
#include "support/support.h"

namespace interp_test {

inline void EnsureEngineEvents() {
    core::Engine& e = core::Current();
    platform::Event** events[] = {&e.stateChanged,    &e.quitEvent,  &e.commandsEnabled,
                                  &e.commandGate,     &e.settingsChanged, &e.auxEvent1,
                                  &e.auxEvent2};
    for (platform::Event** ev : events) {
        if (!*ev) *ev = platform::CreateEvent(true, false);
    }
    platform::ResetEvent(e.quitEvent);
    platform::SetEvent(e.commandsEnabled);
    platform::SetEvent(e.commandGate);
    if (!core::RegistryInitialised()) core::InitRegistry();
}

// The text of a variable ("" when missing), as UTF-8.
inline std::string Text(const char* name) {
    script::Variable* v = script::LookupExact(testing_support::SjisRaw(name).c_str());
    return v ? platform::SjisToUtf8(v->text) : std::string();
}
inline double Number(const char* name) {
    script::Variable* v = script::LookupExact(name);
    return v ? v->number : -99999;
}

// Each game runs in a fresh engine of its own (current while the game lives):
// empty tables, no processes, wired for the interpreter alone (the object
// system is not running here, so its commands are left out, as in
// shell::WireInterpreter).
class Game {
public:
    Game() : previous_(std::filesystem::current_path()) {
        shell::WireInterpreter();
        EnsureEngineEvents();
        core::Current().quit = 0;
        core::Current().state = core::StateStart;
        std::filesystem::current_path(dir_.path);
    }
    ~Game() {
        Stop();
        std::filesystem::current_path(previous_);
        // The events were made for this game's engine.
        core::Engine& e = engine_.engine();
        for (platform::Event** ev : {&e.stateChanged, &e.quitEvent, &e.commandsEnabled,
                                     &e.commandGate, &e.settingsChanged, &e.auxEvent1, &e.auxEvent2}) {
            platform::DestroyEvent(*ev);
            *ev = nullptr;
        }
    }
    // Writes a script (UTF-8 source, stored as Shift-JIS with CR LF).
    void Script(const std::string& name, const std::string& utf8) {
        dir_.Write(name, testing_support::Sjis(utf8));
    }
    void Bytes(const std::string& name, const std::string& bytes) { dir_.Write(name, bytes); }
    const std::string& Folder() const { return dir_.path; }

    // Starts `start` (chapter main) and lets it run; returns false when the
    // script engine did not start.
    bool Start(const char* start = "start.txt") {
        if (!script::StartScriptEngine(start)) return false;
        core::SetEngineState(core::StatePlay);
        return true;
    }
    // Waits until the main world's process thread has ended (true) or
    // `timeoutMs` passed.
    bool WaitEnd(int timeoutMs = 10000) {
        script::ScriptProcess* head = script::WorldHead(0);
        if (!head) return true;
        return core::WaitEngineThread(head->thread, timeoutMs) != 0;
    }
    bool Run(const char* start = "start.txt") { return Start(start) && WaitEnd(); }
    // Waits for a condition with a generous bound.
    template <typename F>
    static bool WaitFor(F condition, int timeoutMs = 10000) {
        uint32_t begin = platform::TimeMs();
        while (!condition()) {
            if (static_cast<int>(platform::TimeMs() - begin) > timeoutMs) return false;
            platform::SleepMs(2);
        }
        return true;
    }
    // Stops every process; the read marks go as at the engine's end.
    void Stop() {
        core::SetEngineState(core::StateStart);
        script::StopAllProcesses();
        script::ClearReadMarks();
    }

private:
    shell::EngineScope engine_;  // first: built before and destroyed after the rest
    testing_support::TempDir dir_;
    std::filesystem::path previous_;
};

}  // namespace interp_test
