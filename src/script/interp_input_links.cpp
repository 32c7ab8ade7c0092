// The interpreter's links to the input layer: a select resets and waits on
// its world's input events and records the mouse; leaving a select shows the
// arrow cursor; the end of a system script puts the input layer aside while
// the system world is torn down.
#include "script/interp_internal.h"
#include "shell/input.h"

namespace script {

namespace {

void ResetWorldInput(int world) { shell::ResetInputEvents(world); }

void MousePosition(int* x, int* y) { shell::LastMousePosition(x, y); }

void ArrowCursor() { shell::SetCursorShape(shell::kCursorIdArrow); }

// Any key, button, wheel step or mouse movement of the world wakes a select.
int WorldInputEvents(int world, platform::Event** events, int capacity) {
    if (capacity < 1) return 0;
    platform::Event* any = shell::InputEvent(world, shell::kInputAny);
    if (!any) return 0;
    events[0] = any;
    return 1;
}

void InputMode(int mode) {
    if (mode == 2) shell::SetWindowPhase(shell::kPhaseEndingSystem);
    else if (mode == 1) shell::ResetInputLayer(1);
}

}  // namespace

void InstallInputLinks() {
    InterpreterHooks& hooks = GetInterpreterHooks();
    hooks.resetInputEvents = ResetWorldInput;
    hooks.mousePosition = MousePosition;
    hooks.arrowCursor = ArrowCursor;
    hooks.inputEvents = WorldInputEvents;
    hooks.inputMode = InputMode;
}

}  // namespace script
