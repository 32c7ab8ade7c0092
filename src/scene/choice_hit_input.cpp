// The select statement's input: the world's input events a select waits on,
// the code and button state of the wake, the mouse position; and the
// installation of the choice hooks in the interpreter and the input layer.
#include "platform/sync.h"
#include "scene/choice_hit.h"
#include "scene/focus.h"
#include "script/interp_hooks.h"
#include "core/input.h"

namespace scene {

namespace {

// The input codes a select wakes on, in the order a wake is attributed.
const int kSelectCodes[] = {
    core::kInputLButton, core::kInputLButtonUp, core::kInputEnterUp, core::kInputEnter,
    core::kInputRButton, core::kInputRButtonUp, core::kInputWheelUp, core::kInputWheelDown,
    core::kInputSpace,   core::kInputEsc,       core::kInputAny,
};
constexpr int kSelectCodeCount = sizeof kSelectCodes / sizeof kSelectCodes[0];

// The events this thread announced as waited for (one select at a time per
// thread); withdrawn when the wake is read.
thread_local platform::Event* t_waiting[kSelectCodeCount] = {};
thread_local int t_waitingCount = 0;

void Withdraw() {
    for (int i = 0; i < t_waitingCount; ++i) core::InputWaiting(t_waiting[i], -1);
    t_waitingCount = 0;
}

// The events that were raised when this thread's select woke (read by
// LastInput). Resetting only those keeps a press or release that came in
// while the select was busy with its cases for the next wait.
thread_local platform::Event* t_seen[kSelectCodeCount] = {};
thread_local int t_seenCount = -1;  // -1: no wake read since the last reset

void ResetWorldInput(int world) {
    if (t_seenCount < 0) {
        core::ResetInputEvents(world);
        return;
    }
    for (int i = 0; i < t_seenCount; ++i) platform::ResetEvent(t_seen[i]);
    t_seenCount = -1;
}

void MousePosition(int* x, int* y) {
    core::LastMousePosition(x, y);
}

void SignalMouseMove(int world) {
    if (platform::Event* e = core::InputEvent(world, core::kInputAny)) platform::SetEvent(e);
}

int SelectInputEvents(int world, platform::Event** events, int capacity) {
    Withdraw();
    int n = 0;
    for (int code : kSelectCodes) {
        if (n >= capacity) break;
        platform::Event* e = core::InputEvent(world, code);
        if (!e) continue;
        events[n++] = e;
        core::InputWaiting(e, +1);
        t_waiting[t_waitingCount++] = e;
    }
    return n;
}

// Code: the first raised event in the order above; flags bit 0: the left
// button was down at the wake.
void LastInput(int world, int* code, uint32_t* flags) {
    *code = 0;
    t_seenCount = 0;
    for (int c : kSelectCodes) {
        platform::Event* e = core::InputEvent(world, c);
        if (!e || !platform::IsEventSet(e)) continue;
        if (!*code) *code = c;
        t_seen[t_seenCount++] = e;
    }
    bool down = *code == core::kInputLButton ||
                (core::LeftButtonHeld() && *code != core::kInputLButtonUp);
    *flags = down ? 1u : 0u;
    Withdraw();
}

void ArrowCursor() {
    core::SetCursorShape(core::kCursorIdArrow);
}

}  // namespace

void InstallChoiceHooks() {
    script::InterpreterHooks& h = script::GetInterpreterHooks();
    h.caseHit = CaseHit;
    h.resetHover = ResetHover;
    h.arrowCursor = ArrowCursor;
    h.resetInputEvents = ResetWorldInput;
    h.mousePosition = MousePosition;
    h.signalMouseMove = SignalMouseMove;
    h.inputEvents = SelectInputEvents;
    h.lastInput = LastInput;
}

}  // namespace scene
