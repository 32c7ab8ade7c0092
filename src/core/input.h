// The input state every layer reads: the input events by code and world,
// the key-pressed flag of the text reveal, the last mouse position and left
// button, the cursor shape, and the conversion between window and frame
// coordinates. The shell's input layer (shell/input.h) turns window messages
// into this state; everything else only reads it, raises events or waits on
// them.
//
// Threading: any thread. The input events are manual-reset events that live
// for the whole process; the flags and positions are atomics.
#pragma once
#include <cstdint>

#include "platform/sync.h"

namespace core {

// ---- Input events -------------------------------------------------------

// Input codes. Each names one manual-reset event per world.
enum InputCode : int {
    kInputAny = 768,  // any key, button, wheel or mouse movement
    kInputEnter = 257,
    kInputEnterUp = 273,
    kInputSpace = 258,
    kInputShift = 259,
    kInputCtrl = 260,
    kInputTab = 261,
    kInputEsc = 262,
    kInputUp = 1281,
    kInputDown = 1282,
    kInputLeft = 1283,
    kInputRight = 1284,
    kInputPageUp = 1285,
    kInputPageDown = 1286,
    kInputHome = 1287,
    kInputEnd = 1288,
    kInputLetter = 1296,
    kInputLButton = 769,
    kInputRButton = 770,
    kInputLButtonUp = 771,
    kInputRButtonUp = 772,
    kInputWheelUp = 1025,
    kInputWheelDown = 1026,
};

enum InputWorld : int { kInputMainWorld = 0, kInputSystemWorld = 1 };

// The event of `code` in `world`, or null for a code that names no event.
// The events live for the whole process.
platform::Event* InputEvent(int world, int code);
// The world whose events are in use: the system world while a system script
// runs (engine state 400), the main world otherwise.
int CurrentInputWorld();
// The current world's event of `code` (what core::WaitEngineEvents waits on).
platform::Event* CurrentInputEvent(int code);
// Non-blocking test of the current world's event.
bool IsInputRaised(int code);
// Resets every event of `world` (a select entering its body, a click stop).
void ResetInputEvents(int world);
// A script waiting on an input event says so (+1 before the wait, -1 after),
// so that raising it pauses the handler briefly and lets the script run
// before the next message can reset the event. Other events are ignored.
void InputWaiting(platform::Event* event, int delta);
// How many scripts wait on the event of `code` in `world` now (0 for a code
// that names no event).
int InputWaiterCount(int world, int code);

// ---- State other subsystems read ----------------------------------------

// The key-pressed flag of the text reveal: set by Enter and the left button,
// cleared when the left button is released or the mouse moves with no button
// held.
bool InputKeyPressed();
void ClearInputKeyPressed();
void SetInputKeyPressed(bool pressed);  // the input layer
// Last mouse position in frame coordinates and whether the left button is
// held, as of the last mouse message.
void LastMousePosition(int* x, int* y);
bool LeftButtonHeld();
// The input layer stores them from each mouse message.
void StoreMousePosition(int x, int y);
void SetLeftButtonHeld(bool held);

// Cursor shapes by their system cursor ids.
enum CursorId : int { kCursorIdArrow = 0x7F00, kCursorIdWait = 32514, kCursorIdHand = 32649 };
// Sets the shape (any thread); it is shown at once and again at every mouse
// move and cursor request. Unknown ids show the arrow.
void SetCursorShape(int id);
int CursorShape();
// Shows the current shape again (the window's cursor requests).
void ShowCursorShape();

// ---- Mouse coordinates --------------------------------------------------

// The area the 1024 x 768 frame occupies, in client coordinates.
struct FrameArea {
    int x = 0, y = 0, width = 1024, height = 768;
    // A window of any size: a client pixel maps to the frame pixel whose
    // shown block holds the client pixel's centre (the pixel the player sees
    // under the pointer), and back to the client pixel nearest that frame
    // pixel's centre. Off: full screen's rounding below.
    bool pixelCentres = false;
};
// Client position to frame position: (client - area origin) scaled by
// 1024 / area width and 768 / area height, rounded to the nearest integer
// (halves away from minus infinity). A degenerate area leaves the position.
// With pixelCentres, floor((client - origin + 0.5) x 1024 / width) instead.
void ClientToFramePoint(const FrameArea& area, int clientX, int clientY, int* frameX, int* frameY);
// The inverse, for moving the cursor to a frame position.
void FrameToClientPoint(const FrameArea& area, int frameX, int frameY, int* clientX, int* clientY);
// The area of the video driver now.
FrameArea CurrentFrameArea();
// The CursorPosition command: the cursor's position in frame coordinates.
void CursorPosition(int* x, int* y);
// The MoveCursor command: puts the cursor at a frame position (the window
// system answers with a mouse-move message).
void MoveCursor(int x, int y);

}  // namespace core
