// The benchmarks' entry: one engine is current while they run.
#include <benchmark/benchmark.h>

#include "shell/engine_build.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    shell::EngineScope engine;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
