// State and helpers shared by the input layer's files (not for other
// subsystems: they use shell/input.h).
//
// Threading: InputState is written by the main thread's handler; the fields
// other threads read are atomics.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/messages.h"
#include "shell/input.h"

namespace shell::input {

// A variable reset the handler scheduled instead of sleeping for it.
struct PendingReset {
    bool pending = false;
    uint32_t due = 0;
};

struct InputState {
    int phase = kPhaseStartup;
    // Debounce: time of the last accepted key-down.
    bool anyKeyAccepted = false;
    uint32_t lastKeyTime = 0;
    // Keys held down now (by virtual-key code), to tell a held key's repeats
    // from new presses.
    bool held[256] = {};
    // Ctrl: accepted presses, whether it was released since its previous
    // accepted press, and whether skip ends when it is released.
    int ctrlPresses = 0;
    bool ctrlReleased = true;
    bool skipEndsOnCtrlRelease = false;
    // Wheel: at most one raised step per 64 ms.
    bool anyWheel = false;
    uint32_t lastWheelTime = 0;
    // System scripts: at most one request per 300 ms.
    bool anySystemRequest = false;
    uint32_t lastSystemRequest = 0;
    PendingReset leftReset, rightReset;
    // The key-pressed flag, mouse position, left button and cursor shape
    // other subsystems read are core's (core/input.h).
};

// The current engine's input record (part of shell::State()).
InputState& State();

// Milliseconds since `earlier` on the wrapping clock (0 when it lies ahead).
inline uint32_t Since(uint32_t now, uint32_t earlier) {
    int32_t d = static_cast<int32_t>(now - earlier);
    return d < 0 ? 0 : static_cast<uint32_t>(d);
}
uint32_t Now();  // the engine clock
void Pause(uint32_t ms);

// Events of the current world. Raising one a script waits for pauses the
// handler 32 ms (not for 768 and 260) so that the waiter runs first.
void Raise(int code);
void Reset(int code);

// Variables.
void SetVar(const char* name, double value);
double VarNumber(const char* name);  // 0 when missing
void PulseVariablesChanged();

// Modes.
bool SkipOn();
void StartSkip();
void EndSkip();
bool TextHidden();
void SyncComposerModes();
void ShowHiddenText();  // shows the text window again when it is hidden
void ToggleTextWindow();
bool AutoOn();
void EndAutoMode();
// Automatic mode off when on; on in normal play while the display runs.
void ToggleAutoMode();
bool NormalPlay();
bool DisplayRuns();
void Redraw();

// Requests of system scripts. `flagVariable` (or null) is set to 0 when the
// script cannot start. Returns 1 when it started.
int RequestSystemScript(const char* script, const char* flagVariable, bool closeRequest);
// Opens the backlog; 1 when it opened.
int TryOpenBacklog();
const char* MenuScript();
const char* CloseScript();

// Handlers by message kind.
void KeyDown(const platform::Message& m);
void KeyUp(const platform::Message& m);
void LeftDown(const platform::Message& m, bool doubleClick);
void LeftUp(const platform::Message& m);
void RightDown(const platform::Message& m);
void RightUp(const platform::Message& m);
void Wheel(const platform::Message& m, bool forward);
void MouseMove(const platform::Message& m);
void ApplyCursor();
void OpenSaveFolder();
void ScheduleReset(PendingReset* reset, uint32_t delayMs);

// Key-down messages posted by KickShortcut carry this mark in `style`: they
// are presses without a release and take no part in the held-key tracking.
constexpr uint32_t kKickedKeyMark = 0x4B49434Bu;

}  // namespace shell::input
