// The loading screen of state core::StateLoadRequested: an optional full-screen
// overlay fades in, the saved game is read, the overlay fades out, and play
// resumes. Runs on the main thread.
#pragma once

namespace shell {

// What the loading screen needs of the save files and the script engine.
// Defaults: no loading step exists (it fails), the rest do nothing.
struct LoadingHooks {
    // Reads the slot's variables, backlog, script state and frames (after
    // the composer and processes were torn down and the composer restarted).
    // Returns false on any failure.
    bool (*loadSlot)();
    // After loading: re-applies menu settings and sound effects, restarts
    // timers and text output, resumes the current world's process thread.
    void (*resumeAfterLoad)();
    // Deletes the slot's files when the Load command asked for it.
    void (*deleteSlotIfAsked)();
};
// The hooks a fresh engine starts with (the defaults above).
LoadingHooks DefaultLoadingHooks();
// The current engine's hooks.
LoadingHooks& GetLoadingHooks();

// The whole sequence; ends in core::StatePlay, or quits after a failed load.
void RunLoadingScreen();

// The overlay's position: a missing coordinate centres it.
void LoadingOverlayPosition(int width, int height, const double* x, const double* y, int* outX,
                            int* outY);

}  // namespace shell
