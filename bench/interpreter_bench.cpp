// The interpreter's hot path: a counting loop and a loop that calls a script
// function with two arguments, walked from script text on a process thread
// exactly as a game runs them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/sync.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

void EnsureEngine() {
    core::Engine& e = core::Current();
    platform::Event** events[] = {&e.stateChanged,    &e.quitEvent, &e.commandsEnabled,
                                  &e.commandGate,     &e.settingsChanged, &e.auxEvent1,
                                  &e.auxEvent2};
    for (platform::Event** ev : events) {
        if (!*ev) *ev = platform::CreateEvent(true, false);
    }
    platform::SetEvent(e.commandsEnabled);
    platform::SetEvent(e.commandGate);
    if (!core::RegistryInitialised()) core::InitRegistry();
}

// Writes `script` (LF line ends become CR LF) as start.txt in a fresh folder
// that becomes the current folder; returns the folder.
std::filesystem::path WriteScript(const std::string& script) {
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() / ("velmoor-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    std::string crlf;
    for (char c : script) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::ofstream(dir / "start.txt", std::ios::binary) << crlf;
    std::filesystem::current_path(dir);
    return dir;
}

// Runs the start script to its end on the main world's process thread.
bool RunToEnd() {
    core::Current().state = core::StateStart;
    if (!script::StartScriptEngine("start.txt")) return false;
    core::SetEngineState(core::StatePlay);
    script::ScriptProcess* head = script::WorldHead(0);
    bool ended = head && core::WaitEngineThread(head->thread, 600000);
    core::SetEngineState(core::StateStart);
    script::StopAllProcesses();
    return ended;
}

void RunLoopBenchmark(benchmark::State& state, const std::string& script, int iterations,
                      int statementsPerIteration) {
    EnsureEngine();
    auto previous = std::filesystem::current_path();
    auto dir = WriteScript(script);
    for (auto _ : state) {
        script::ClearLocals();
        if (!RunToEnd()) {
            state.SkipWithError("the script did not run to its end");
            break;
        }
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
    double loops = static_cast<double>(state.iterations()) * iterations;
    state.counters["loop_iterations_per_s"] = benchmark::Counter(loops, benchmark::Counter::kIsRate);
    state.counters["statements_per_s"] =
        benchmark::Counter(loops * statementsPerIteration, benchmark::Counter::kIsRate);
}

// `while ($i < 1000000) { $i++; }`: per iteration the increment and the
// condition at the loop's end.
void BM_CountingLoop(benchmark::State& state) {
    RunLoopBenchmark(state,
                     "\nchapter main {\n"
                     "\t$i = 0;\n"
                     "\twhile ($i < 1000000) { $i++; }\n"
                     "}\n",
                     1000000, 2);
}
BENCHMARK(BM_CountingLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A loop calling a function with two arguments: the condition, the call, the
// function's statement and the increment.
void BM_FunctionCallLoop(benchmark::State& state) {
    RunLoopBenchmark(state,
                     "\nchapter main {\n"
                     "\t$i = 0;\n"
                     "\twhile ($i < 100000) {\n"
                     "\t\tadd($i, 2);\n"
                     "\t\t$i++;\n"
                     "\t}\n"
                     "}\n"
                     "function add($a, $b) {\n"
                     "\t$sum = $a + $b;\n"
                     "}\n",
                     100000, 4);
}
BENCHMARK(BM_FunctionCallLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
