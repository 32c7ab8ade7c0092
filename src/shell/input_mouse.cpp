// Mouse buttons, the wheel, mouse movement, the frame coordinates of the
// mouse and the cursor shape.
#include <cstdint>

#include "platform/video.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "shell/input_internal.h"

namespace shell {

namespace {

void StorePosition(const platform::Message& m) {
    int x, y;
    ClientToFramePoint(CurrentFrameArea(), m.x, m.y, &x, &y);
    core::StoreMousePosition(x, y);
}

}  // namespace

namespace input {

void ApplyCursor() { core::ShowCursorShape(); }

void LeftDown(const platform::Message& m, bool doubleClick) {
    InputState& s = State();
    core::SetLeftButtonHeld(true);
    StorePosition(m);
    // A double click leaves a pending reset of the variable alone: it does
    // not set the variable again.
    if (!doubleClick) s.leftReset.pending = false;
    {
        int x, y;
        LastMousePosition(&x, &y);
        // A press on a backlog voice icon is the icon's.
        if (GetInputHooks().backlogMouse(x, y, 1)) {
            Raise(kInputAny);
            return;
        }
    }
    if (DisplayRuns() && NormalPlay()) {
        if (SkipOn()) {
            EndSkip();
        } else if (TextHidden() && CursorShape() != kCursorIdHand) {
            // The click only brings the text window back.
            ShowHiddenText();
            core::SetInputKeyPressed(true);
            Raise(kInputAny);
            return;
        } else if (AutoOn() && !script::GetSystemValues().autoIgnoreKeyCancel) {
            EndAutoMode();
        } else if (GetInputHooks().clickableUnderMouse()) {
            return;  // the object under the mouse takes the click
        }
    }
    core::SetInputKeyPressed(true);
    if (!doubleClick) SetVar("$SYSTEM_l_button_down", 1);
    Raise(kInputAny);
    Raise(kInputLButton);
    Reset(kInputLButtonUp);
}

void LeftUp(const platform::Message& m) {
    InputState& s = State();
    core::SetLeftButtonHeld(false);
    StorePosition(m);
    core::SetInputKeyPressed(false);
    int x, y;
    LastMousePosition(&x, &y);
    GetInputHooks().mouseMoved(x, y, 0);
    GetInputHooks().backlogMouse(x, y, 2);
    Raise(kInputLButtonUp);
    Reset(kInputLButton);
    ScheduleReset(&s.leftReset, 100);
}

void RightDown(const platform::Message& m) {
    InputState& s = State();
    StorePosition(m);
    s.rightReset.pending = false;
    Raise(kInputRButton);
    Reset(kInputRButtonUp);
    if (SkipOn()) {
        EndSkip();
        Pause(500);
    } else if (GetInputHooks().backlogShown()) {
        // The backlog script closes itself when it sees this.
        SetVar("$SYSTEM_backlog_enable", 0);
        Pause(200);
    } else {
        RequestSystemScript(MenuScript(), "$SYSTEM_menu_enable", false);
    }
    SetVar("$SYSTEM_r_button_down", 1);
    Raise(kInputAny);
}

void RightUp(const platform::Message& m) {
    InputState& s = State();
    StorePosition(m);
    Raise(kInputRButtonUp);
    Reset(kInputRButton);
    ScheduleReset(&s.rightReset, 100);
}

void Wheel(const platform::Message& m, bool forward) {
    InputState& s = State();
    if (SkipOn()) {
        EndSkip();
        Pause(500);
        return;
    }
    if (TextHidden()) {
        ShowHiddenText();
        return;
    }
    // A shown backlog scrolls: forward toward older rows.
    if (GetInputHooks().backlogScroll(forward ? 1 : -1)) return;
    if (forward && TryOpenBacklog()) return;
    if (!forward && GetInputHooks().wheelTaken()) return;
    if (!DisplayRuns()) return;
    uint32_t t = m.time ? m.time : Now();
    if (s.anyWheel && Since(t, s.lastWheelTime) < 64) return;
    s.anyWheel = true;
    s.lastWheelTime = t;
    SetVar(forward ? "$SYSTEM_mousewheel_up" : "$SYSTEM_mousewheel_down", 1);
    Raise(kInputAny);
    Raise(forward ? kInputWheelUp : kInputWheelDown);
}

void MouseMove(const platform::Message& m) {
    bool leftHeld = (m.param & platform::kMkLButton) != 0;
    core::SetLeftButtonHeld(leftHeld);
    if (!leftHeld) core::SetInputKeyPressed(false);
    // The position first: a script woken by the event reads it at once.
    StorePosition(m);
    int x, y;
    LastMousePosition(&x, &y);
    GetInputHooks().mouseMoved(x, y, leftHeld ? 1 : 0);
    GetInputHooks().backlogMouse(x, y, 0);
    Raise(kInputAny);
    ApplyCursor();
}

}  // namespace input

}  // namespace shell
