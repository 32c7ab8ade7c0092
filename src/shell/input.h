// The input layer: window messages turned into script variables, input events
// and direct engine actions (skip and automatic modes, hiding the text window,
// the backlog, the system menu, closing, full screen), the mouse position in
// frame coordinates and the cursor shape (the state itself: core/input.h).
//
// Threading: HandleWindowMessage, RunDueInputTimers and ResetInputLayer(0)
// run on the main thread (the message pump holds lock 8 around the first
// two). Everything else here may be called from any thread: the input events
// are manual-reset events, the phase, flags and positions are atomics and the
// shortcut table has its own mutex.
#pragma once
#include <cstdint>
#include <string>

#include "core/input.h"
#include "platform/messages.h"
#include "platform/sync.h"

namespace shell {

// The input state other subsystems read is core's (core/input.h).
using enum core::InputCode;
using enum core::InputWorld;
using enum core::CursorId;
using core::ClearInputKeyPressed;
using core::ClientToFramePoint;
using core::CurrentFrameArea;
using core::CurrentInputEvent;
using core::CurrentInputWorld;
using core::CursorPosition;
using core::CursorShape;
using core::FrameArea;
using core::FrameToClientPoint;
using core::InputEvent;
using core::InputKeyPressed;
using core::InputWaiting;
using core::IsInputRaised;
using core::LastMousePosition;
using core::LeftButtonHeld;
using core::MoveCursor;
using core::ResetInputEvents;
using core::SetCursorShape;

// ---- Shortcuts ----------------------------------------------------------

constexpr int kShortcutLetters = 26;
constexpr int kShortcutNameSize = 260;
// SetShortcut(letter, script file): a letter in either case; a first argument
// that is not exactly one letter is ignored, and so is a file name that does
// not fit the 260-byte slot. An empty name clears the letter. Returns 1 when
// the table changed.
int SetShortcut(const char* letter, const char* scriptFile);
// The script of a letter 'A'..'Z' into `out` (260 bytes); false when none.
bool ShortcutScript(int letter, char* out);
void ClearShortcuts();
// The KickShortcut built-in: posts a key-down of `keyCode` to the main
// window (as the player pressing it, without a release) and lets a paused
// display run again.
void KickShortcut(int keyCode);

// ---- Script-side changes ---------------------------------------------------

// What the input layer does when a script assigned one of the system
// variables it keeps in step with the composer: skip (the composer's skip
// mode), text_erase and text_erase_lock (hiding the text window, redrawn at
// once) and menu_lock (skip off, text window shown). `change` is a
// script::SystemChange value; others are ignored. The owner of the script
// services' systemChanged entry calls this among its subsystems.
void InputOnSystemChange(int change);

// Shows the text window again when the player hid it (Space), redrawing the
// frame; nothing when it is shown. Any thread, like a script assigning
// text_erase: WaitKey calls it (script services) when its wait ends.
void ShowHiddenTextWindow();

// ---- Hooks ----------------------------------------------------------------

// What the input layer asks of subsystems built elsewhere. Every member has a
// default that answers honestly for a missing subsystem; owners install
// theirs. All are called on the main thread.
// Scroll steps of InputHooks::backlogScroll besides single rows.
constexpr int kBacklogPage = 1 << 20;
constexpr int kBacklogOldest = 1 << 29;

struct InputHooks {
    // The handler's pauses. Tests replace them. (Its timers read the engine
    // clock, core/clock.h.)
    void (*pause)(uint32_t ms);
    // Whether the display runs (the scene is not paused or suspended).
    // Default: the object system's display-running gate.
    int (*displayRuns)();
    // Whether a clickable object is under the mouse. Default: the cursor is
    // the hand (only clickable objects show it).
    int (*clickableUnderMouse)();
    // Offers a backward wheel step to the clickable object under the mouse
    // (a scroll bar); 1 when taken. Default: nothing takes it.
    int (*wheelTaken)();
    // Every mouse move and left-button release, after the position is
    // stored: lets a dragged scroll bar follow the mouse and end its drag.
    // Default: nothing is dragged.
    void (*mouseMoved)(int x, int y, int leftHeld);
    // The backlog: whether its record exists, whether a backlog object is
    // shown. Default: no backlog.
    int (*backlogReady)();
    int (*backlogShown)();
    // The shown backlog's voice icons: event 0 a mouse move, 1 a left press,
    // 2 a left release at frame (x, y); 1 when it was over an icon (a press
    // there is the icon's). Default: no icons.
    int (*backlogMouse)(int x, int y, int event);
    // Scrolls the shown backlog by `rows` (positive: toward older rows;
    // kBacklogPage and -kBacklogPage a page, kBacklogOldest and
    // -kBacklogOldest to either end); 1 when a backlog is shown and took
    // the step. Default: no backlog.
    int (*backlogScroll)(int rows);
    // Redraws the whole frame now. Default: the composer's redraw while the
    // object system runs.
    void (*redrawFrame)();
    // Suspends the scene's sounds and movies for a system screen and resumes
    // them. Default: nothing to suspend.
    void (*suspendScene)();
    void (*resumeScene)();
    // Paint: `running` (states 256 and 400) presents the frame as it is,
    // otherwise it is redrawn first. Default: the display's present.
    void (*paint)(int running);
    // The save folder F1 opens, and how it is opened. Defaults: the save
    // folder of the settings in force (else the runner's, else the per-user
    // data folder); the desktop's file browser.
    std::string (*saveFolder)();
    bool (*openFolder)(const std::string& path);
    // A full-window movie: whether the player may interrupt it, and its
    // controls (0 stop, 1 pause, 2 run). Default: SYSTEM_break_play_movie; no
    // movie to control.
    int (*movieInterruptible)();
    void (*movieControl)(int operation);
    // The arrow keys move the keyboard focus (direction 0 up, 1 down, 2 left,
    // 3 right) while the display runs; 1 when it moved. Default: no focus.
    int (*moveFocus)(int direction);
    // A gamepad's arrows: as moveFocus, or, where no object of the screen
    // has focus links, the pointer moves onto the nearest clickable object
    // that way. Default: no focus.
    int (*movePadFocus)(int direction);
};
// The hooks a fresh engine starts with (every default).
InputHooks DefaultInputHooks();
// The current engine's hooks.
InputHooks& GetInputHooks();
// Puts every hook back to its default.
void ResetInputHooks();

// ---- The message handler ---------------------------------------------------

// Which messages the window handles: one phase at a time.
enum WindowPhase : int {
    kPhaseStartup = 0,       // start-up, loading a saved game, starting a movie
    kPhaseRunning = 1,       // engine states 256 and 400
    kPhaseMovie = 2,         // a full-window movie plays
    kPhaseEndingSystem = 3,  // a system script's processes are being torn down
};
void SetWindowPhase(int phase);
int CurrentWindowPhase();

// Mode 0 (start-up, before other engine threads exist): resets the input
// layer (keys, flags, events, pending variable resets, the arrow cursor) and
// enters the start-up phase. Mode 1 (any thread): play mode, the running
// phase.
void ResetInputLayer(int mode);
// Puts SetShortcut, CursorPosition and MoveCursor into the command table
// (the engine's wiring calls it once).
void InstallInputCommands();
// The subsystem table's message handler: one window message of any phase.
void HandleWindowMessage(const void* message);
void HandleMessage(const platform::Message& message);

// Variable resets scheduled by the handler (the button variables return to 0
// 100 ms after release). The main loop bounds its message wait by
// InputTimerDueIn and runs RunDueInputTimers on every pass, so that a reset
// happens on time without a window message and without the handler ever
// sleeping for it. -1: nothing pending.
int InputTimerDueIn();
void RunDueInputTimers();

// Menu command ids of the window.
enum : int { kCommandStopMovie = 32773, kCommandHideText = 32779 };

}  // namespace shell
