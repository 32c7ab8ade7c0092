// Running the engine: the player's whole life from process initialisation to
// shutdown. The player and `velmoor-tool run` both come through here.
#pragma once
#include <string>
#include <vector>

namespace shell {

struct RunOptions {
    bool headless = false;
    std::string inputFile;       // timed input events (headless runs)
    std::string screenshotPath;  // PNG of the last presented frame at the end
    int exitAfterMs = -1;        // end the run after this many ms (-1: never)
    std::string saveDir;         // save folder override
    bool warnings = false;       // print silent failures for the author (core/warnings.h)
};

enum RunResult : int {
    kRunNormal = 0,
    kRunStartFailed = 1,
    kRunUsageError = 2,
    kRunExitAfter = 3,
    kRunScreenshotFailed = 4,  // the run ended, but its screenshot could not be written
};

// Runs a fresh engine (shell::EngineScope) on the game in the current
// folder. Returns a RunResult.
int RunEngine(const RunOptions& options);

}  // namespace shell
