// The interpreter's links to the input layer: a select resets and waits on
// its world's input events and records the mouse; leaving a select shows the
// arrow cursor; the end of a system script puts the input layer aside while
// the system world is torn down.
#include "scene/choice_hit.h"
#include "script/interp_internal.h"
#include "shell/input.h"

namespace script {

namespace {

void InputMode(int mode) {
    if (mode == 2) shell::SetWindowPhase(shell::kPhaseEndingSystem);
    else if (mode == 1) shell::ResetInputLayer(1);
}

}  // namespace

void InstallInputLinks() {
    InterpreterHooks& hooks = GetInterpreterHooks();
    // A select's input (its wake events, the wake's code and button, the
    // mouse, the cursor) and the case test belong to the choice machinery.
    scene::InstallChoiceHooks();
    hooks.inputMode = InputMode;
}

}  // namespace script
