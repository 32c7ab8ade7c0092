// The subsystem services the shell starts and stops, as one record of
// function pointers checked at start-up. A subsystem that is not built yet is
// represented by a placeholder that says so honestly: it reports failure
// where the start sequence needs it to succeed.
#pragma once

namespace shell {

struct Subsystems {
    // Process initialisation and start-up sequence.
    bool (*scanArchives)();          // archive index of the current folder
    void (*clearFileTable)();        // empty the in-memory file table
    bool (*buildGreyTables)();       // tone-filter tables
    bool (*loadMenuImages)();        // built-in menu bar pictures
    void (*releaseMenuImages)();
    void (*resetInput)(int mode);    // input layer: 0 start-up, 1 play
    bool (*createDisplay)();         // display resources for the window
    void (*releaseDisplay)();
    void (*gatherSystemInfo)();      // SYSTEM_information_* texts
    void (*clearFonts)();
    void (*readBacklogSettings)();
    void (*releaseBacklogSettings)();
    // Start sequence.
    bool (*applyGameSettings)();     // seeds variables from the settings
    bool (*startWorkers)();          // rasterizer workers
    void (*stopWorkers)();
    bool (*initSound)();             // sound device
    void (*releaseSounds)();
    bool (*readTextSettings)();
    bool (*startComposer)();
    void (*stopComposer)();
    // Loads the start script and starts the first process thread.
    bool (*startScriptEngine)(const char* startScript);
    void (*stopAllProcesses)();
    // True while any script thread lives (a headless run ends when none does).
    bool (*scriptsRunning)();
    // Loading a saved game (state 513): runs the whole loading screen.
    void (*runLoadingScreen)();
    // One window message of the running phase.
    void (*handleMessage)(const void* message);
};

// The table a fresh engine starts with: each subsystem's own services, and
// placeholders where none exists.
Subsystems DefaultSubsystems();
// The table in use (the current engine's). Every member is non-null once
// ValidateSubsystems passed.
Subsystems& GetSubsystems();
// Checks that every member is set; prints the missing ones. Returns true when complete.
bool ValidateSubsystems();

}  // namespace shell
