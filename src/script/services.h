// What the script core asks of subsystems built elsewhere (objects, images,
// sound, saves, backlog, display, input, the interpreter's process lists).
// Each entry starts as an honest "nothing there" default; the owning
// subsystem installs its function at start-up, before any script runs.
// Object names passed here are already qualified with the block's prefix.
#pragma once
#include <cstdint>

namespace script {

struct ScriptBlock;
struct ScriptProcess;

// Which engine value a system-variable assignment changed (see
// system_variables.h for the values themselves).
enum class SystemChange : int {
    PlaySpeed,
    Sound,            // on/off switches or volumes
    WindowMode,       // fullScreenRequest differs from the current mode
    LeaveFullScreen,  // window_full_lock set while in full screen
    MenuLock,         // skip stops, text window shown again
    TextAuto,
    TextErase,  // text window hidden or shown; redraw the whole screen
    Skip,
    ShowCursor,  // cursor shown: post a mouse move so it shows at once
    ThreadPriority,
    VideoAspect,  // scaling mode changed; redraw, re-apply in full screen
    TextIcon,     // an icon set was changed (SystemValues::changedIconSet)
    DataPath,
    Other,
};

enum ActionTimeKind : int { kActionRemaining = 0, kActionDuration = 1, kActionPassage = 2 };

struct ScriptServices {
    // Object queries (take the SceneLock themselves). 0 when nothing matches.
    int (*actionTime)(const char* object, int kind);
    int (*imageSize)(const char* object, int vertical);
    int (*scrollbarValue)(const char* object);
    // Amplitude of a sound object; `label` null or a voice-name part (may wait).
    double (*soundAmplitude)(const char* object, const char* label, ScriptBlock* block);
    int (*backlogEnabled)();
    int (*backlogRow)();
    int (*backlogLine)();
    int (*saveExists)(int slot);
    int (*mountSaveData)(int slot);
    // Shows a box (style: button set | icon) and returns the button's id as
    // platform::ShowMessageBox does.
    int (*messageBox)(const char* text, const char* caption, uint32_t style);
    int (*direct3DHal)();
    void (*kickShortcut)(int keyCode);
    // Shows the text window again when the player hid it (a WaitKey ending).
    void (*showHiddenTextWindow)();
    int (*writeImage)(const char* file);
    void (*lockVideo)(int freeze);
    // A system variable changed an engine value.
    void (*systemChanged)(SystemChange change);
    // Loads the saved global variables; 1 when a file was read.
    int (*loadSavedGlobals)();
    // The interpreter's process lists.
    void (*appendProcess)(ScriptProcess* process);
    void (*removeProcess)(ScriptProcess* process);
    int (*ownerKeyInUse)(int32_t key);
    void (*registerOwnerKey)(ScriptProcess* process);
    // The first process of the current world's list (for Conquest), or null.
    ScriptProcess* (*firstWorldProcess)();
};

// The current engine's table (its script record). Written by the wiring when
// the engine is built, before any script thread runs; read without a lock.
ScriptServices& GetServices();
// The table with every entry at its default.
ScriptServices DefaultScriptServices();

// Puts every entry of the current engine's table back to its default.
void ResetScriptServices();

}  // namespace script
