// What the interpreter asks of subsystems built elsewhere: the object tree,
// input, the cursor, text output and save data. Every entry starts as a
// default that does nothing (or answers "no"); the engine's wiring fills the
// table once when the engine is built, before any script thread runs.
#pragma once
#include <cstdint>

namespace platform {
struct Event;
}

namespace script {

struct ScriptBlock;
struct ScriptProcess;

struct InterpreterHooks {
    // Object tree of a process: delete the object named `prefix` with its
    // descendants, or every object when the prefix is empty.
    void (*deleteObjects)(ScriptProcess* process, const char* prefix);
    // Empties and removes a process's object tree when the process is freed.
    void (*releaseTree)(ScriptProcess* process);
    // The hit test behind `case`: whether the last input of the block's
    // select chose the object `name` (already qualified).
    int (*caseHit)(ScriptBlock* block, const char* name);
    // Selectable objects of the world lose their hover state.
    void (*resetHover)(int world);
    // Shows the arrow cursor.
    void (*arrowCursor)();
    // Input of a world for `select`: reset its input events, read the mouse,
    // signal its mouse-move event, and collect its input events for a wait
    // (returns how many were written to `events`, at most `capacity`).
    void (*resetInputEvents)(int world);
    void (*mousePosition)(int* x, int* y);
    void (*signalMouseMove)(int world);
    int (*inputEvents)(int world, platform::Event** events, int capacity);
    // The input code and flags of the wake that ended a select's wait.
    void (*lastInput)(int world, int* code, uint32_t* flags);
    // Text output: forget the pending text of the current world.
    void (*clearPendingText)();
    // Timers and text output of the main world's processes.
    void (*suspendTimers)(int world);
    void (*resumeTimers)(int world);
    // Input layer modes (0 start-up, 1 play, 2 inactive).
    void (*inputMode)(int mode);
    // The whole screen is to be redrawn.
    void (*markScreenDirty)();
    // Read marks: loaded once at the first start, saved at every teardown,
    // released at quit.
    void (*loadReadMarks)();
    void (*saveReadMarks)();
    void (*releaseReadMarks)();
    // Backlog state of a new game.
    void (*resetBacklog)();
    // Text variables of the text block a walker steps over (name and label)
    // are set by the interpreter itself; this is told of the step as well.
    void (*textBlockPassed)(ScriptBlock* block, const char* name, const char* label);
    // Object trees by owner key: whether a tree with `key` exists (an owner
    // key in use), and making the tree of a new process.
    int (*treeInUse)(int32_t key);
    void (*addTree)(ScriptProcess* process);
};

// The current engine's table (its script record).
InterpreterHooks& GetInterpreterHooks();
// The table with every entry at its default.
InterpreterHooks DefaultInterpreterHooks();

// A start script chosen by the save-loading step for the next start (used
// once, then forgotten). An empty or null text clears it.
void SetStartScriptOverride(const char* script);

}  // namespace script
