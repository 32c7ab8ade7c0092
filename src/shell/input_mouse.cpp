// Mouse buttons, the wheel, mouse movement, the frame coordinates of the
// mouse and the cursor shape.
#include <cstdint>

#include "platform/video.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "shell/input_internal.h"

namespace shell {

namespace {

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// round(value * to / from) with halves rounded up, exact in integers.
int Scale(int value, int to, int from) {
    return static_cast<int>(FloorDiv(static_cast<int64_t>(value) * 2 * to + from, 2 * static_cast<int64_t>(from)));
}

platform::CursorShape ShapeOf(int id) {
    switch (id) {
        case kCursorIdWait:
            return platform::kCursorWait;
        case kCursorIdHand:
            return platform::kCursorHand;
        default:
            return platform::kCursorArrow;
    }
}

void StorePosition(const platform::Message& m) {
    int x, y;
    ClientToFramePoint(CurrentFrameArea(), m.x, m.y, &x, &y);
    input::State().mouseX = x;
    input::State().mouseY = y;
}

}  // namespace

void ClientToFramePoint(const FrameArea& area, int clientX, int clientY, int* frameX, int* frameY) {
    if (area.width <= 0 || area.height <= 0) {
        *frameX = clientX;
        *frameY = clientY;
        return;
    }
    *frameX = Scale(clientX - area.x, platform::kFrameWidth, area.width);
    *frameY = Scale(clientY - area.y, platform::kFrameHeight, area.height);
}

void FrameToClientPoint(const FrameArea& area, int frameX, int frameY, int* clientX, int* clientY) {
    if (area.width <= 0 || area.height <= 0) {
        *clientX = frameX;
        *clientY = frameY;
        return;
    }
    *clientX = area.x + Scale(frameX, area.width, platform::kFrameWidth);
    *clientY = area.y + Scale(frameY, area.height, platform::kFrameHeight);
}

FrameArea CurrentFrameArea() {
    FrameArea area;
    if (platform::VideoSelected()) platform::Video().frameArea(&area.x, &area.y, &area.width, &area.height);
    return area;
}

void CursorPosition(int* x, int* y) {
    if (!platform::VideoSelected()) {
        LastMousePosition(x, y);
        return;
    }
    int cx = 0, cy = 0;
    platform::Video().getMouse(&cx, &cy);
    ClientToFramePoint(CurrentFrameArea(), cx, cy, x, y);
}

void MoveCursor(int x, int y) {
    if (!platform::VideoSelected()) return;
    int cx, cy;
    FrameToClientPoint(CurrentFrameArea(), x, y, &cx, &cy);
    platform::Video().warpMouse(cx, cy);
}

void LastMousePosition(int* x, int* y) {
    *x = input::State().mouseX;
    *y = input::State().mouseY;
}

bool LeftButtonHeld() { return input::State().leftHeld; }
bool InputKeyPressed() { return input::State().keyPressed; }
void ClearInputKeyPressed() { input::State().keyPressed = false; }

void SetCursorShape(int id) {
    input::State().cursor = id;
    input::ApplyCursor();
}

int CursorShape() { return input::State().cursor; }

namespace input {

void ApplyCursor() {
    if (platform::VideoSelected()) platform::Video().setCursor(ShapeOf(State().cursor));
}

void LeftDown(const platform::Message& m, bool doubleClick) {
    InputState& s = State();
    s.leftHeld = true;
    StorePosition(m);
    // A double click leaves a pending reset of the variable alone: it does
    // not set the variable again.
    if (!doubleClick) s.leftReset.pending = false;
    if (DisplayRuns() && NormalPlay()) {
        if (SkipOn()) {
            EndSkip();
        } else if (TextHidden() && CursorShape() != kCursorIdHand) {
            // The click only brings the text window back.
            ShowHiddenText();
            s.keyPressed = true;
            Raise(kInputAny);
            return;
        } else if (AutoOn() && !script::g_systemValues.autoIgnoreKeyCancel) {
            EndAutoMode();
        } else if (GetInputHooks().clickableUnderMouse()) {
            return;  // the object under the mouse takes the click
        }
    }
    s.keyPressed = true;
    if (!doubleClick) SetVar("$SYSTEM_l_button_down", 1);
    Raise(kInputAny);
    Raise(kInputLButton);
    Reset(kInputLButtonUp);
}

void LeftUp(const platform::Message& m) {
    InputState& s = State();
    s.leftHeld = false;
    StorePosition(m);
    s.keyPressed = false;
    GetInputHooks().mouseMoved(s.mouseX, s.mouseY, 0);
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
    InputState& s = State();
    bool leftHeld = (m.param & platform::kMkLButton) != 0;
    s.leftHeld = leftHeld;
    if (!leftHeld) s.keyPressed = false;
    // The position first: a script woken by the event reads it at once.
    StorePosition(m);
    GetInputHooks().mouseMoved(s.mouseX, s.mouseY, leftHeld ? 1 : 0);
    Raise(kInputAny);
    ApplyCursor();
}

}  // namespace input

}  // namespace shell
