// Skip mode, automatic mode, the hidden text window, the system-script and
// backlog requests, and the variable resets the handler schedules.
#include <cstring>

#include "platform/sync.h"
#include "render/compose.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "shell/settings.h"
#include "core/transitions.h"

namespace shell::input {

namespace {

script::SystemValues& S() { return script::GetSystemValues(); }

bool Due(const PendingReset& r, uint32_t now) {
    return r.pending && static_cast<int32_t>(now - r.due) >= 0;
}

}  // namespace

// ---- Variables ------------------------------------------------------------

void PulseVariablesChanged() {
    if (platform::Event* e = core::Current().settingsChanged) {
        platform::Pulse(e);
    }
}

void SetVar(const char* name, double value) {
    script::Variable* v = script::GetOrCreateExact(name);
    if (!v) return;  // a full table: nothing to write into
    script::SetNumber(v, value);
    // Variables with an effect apply it and signal the change themselves.
    if (!script::ApplySystem(name)) PulseVariablesChanged();
}

double VarNumber(const char* name) {
    const script::Variable* v = script::LookupExact(name);
    return v ? v->number : 0.0;
}

// ---- Modes ------------------------------------------------------------------

bool SkipOn() { return S().skip != 0; }

void StartSkip() {
    if (SkipOn()) return;
    SetVar("$SYSTEM_skip", 1);  // refused while skip is locked
    render::SetSkipMode(SkipOn());
}

void EndSkip() {
    State().skipEndsOnCtrlRelease = false;
    if (!SkipOn()) return;
    SetVar("$SYSTEM_skip", 0);
    render::SetSkipMode(false);
}

bool TextHidden() { return S().textErase != 0; }

// The composer's skip and hide modes follow the engine values; a change of
// the hide mode redraws the frame once.
void SyncComposerModes() {
    render::SetSkipMode(SkipOn());
    int hide = TextHidden() ? 1 : 0;
    if (render::Modes().hide == hide) return;
    render::Modes().hide = hide;
    Redraw();
}

void ShowHiddenText() {
    if (!TextHidden()) return;
    SetVar("$SYSTEM_text_erase", 0);
    SyncComposerModes();
}

void ToggleTextWindow() {
    if (TextHidden()) {
        ShowHiddenText();
        return;
    }
    SetVar("$SYSTEM_text_erase", 1);  // refused while the text window is locked
    if (TextHidden() && AutoOn()) EndAutoMode();
    SyncComposerModes();
}

bool AutoOn() { return S().textAuto != 0; }

void EndAutoMode() {
    if (AutoOn() || VarNumber("$SYSTEM_text_auto") != 0) SetVar("$SYSTEM_text_auto", 0);
}

void ToggleAutoMode() {
    if (AutoOn()) {
        EndAutoMode();
        return;
    }
    if (!NormalPlay() || !DisplayRuns()) return;
    if (SkipOn()) EndSkip();
    SetVar("$SYSTEM_text_auto", 1);
}

bool NormalPlay() {
    return core::Current().state.load() == core::StatePlay && VarNumber("$SYSTEM_menu_enable") == 0 &&
           S().menuLock == 0 && VarNumber("$SYSTEM_menu_lock") == 0;
}

}  // namespace shell::input

namespace shell {

void InputOnSystemChange(int change) {
    using script::SystemChange;
    switch (static_cast<SystemChange>(change)) {
        case SystemChange::Skip:
        case SystemChange::MenuLock:
        case SystemChange::TextErase:
            input::SyncComposerModes();
            break;
        default:
            break;
    }
}

void ShowHiddenTextWindow() {
    input::ShowHiddenText();
}

}  // namespace shell

namespace shell::input {

// ---- System scripts ----------------------------------------------------------

const char* MenuScript() { return S().scriptMenu[0] ? S().scriptMenu : core::Current().settings.menuScript.c_str(); }
const char* CloseScript() {
    return S().scriptClose[0] ? S().scriptClose : core::Current().settings.closeScript.c_str();
}

int RequestSystemScript(const char* script, const char* flagVariable, bool closeRequest) {
    InputState& s = State();
    uint32_t now = Now();
    if (s.anySystemRequest && Since(now, s.lastSystemRequest) < 300) return 0;
    s.anySystemRequest = true;
    s.lastSystemRequest = now;
    if (SkipOn()) {
        EndSkip();
        return 0;
    }
    bool menuFree = VarNumber("$SYSTEM_menu_enable") == 0 && S().menuLock == 0 &&
                    VarNumber("$SYSTEM_menu_lock") == 0;
    bool allowed = script && script[0] && (closeRequest || menuFree) && DisplayRuns() &&
                   core::Current().state.load() == core::StatePlay;
    if (allowed) {
        InputHooks& h = GetInputHooks();
        h.suspendScene();
        Redraw();
        if (core::EnterSystemScript(script)) return 1;
        h.resumeScene();
    }
    if (flagVariable) SetVar(flagVariable, 0);
    return 0;
}

int TryOpenBacklog() {
    InputHooks& h = GetInputHooks();
    const char* script = core::Current().settings.backlogScript.c_str();
    if (!script[0] || !h.backlogReady() || S().backlogLock || SkipOn() || !NormalPlay() ||
        !DisplayRuns())
        return 0;
    h.suspendScene();
    if (core::EnterSystemScript(script)) return 1;
    h.resumeScene();
    return 0;
}

// ---- Scheduled variable resets ---------------------------------------------

// The button variables return to 0 100 ms after the release. The handler
// never sleeps for that: it notes the time, and the main loop, which bounds
// its message wait by the earliest pending time (InputTimerDueIn), performs
// the reset on its next pass. A new press in between cancels the reset, so a
// quick second click is never cut short.
void ScheduleReset(PendingReset* reset, uint32_t delayMs) {
    reset->pending = true;
    reset->due = Now() + delayMs;
}

}  // namespace shell::input

namespace shell {

int InputTimerDueIn() {
    using namespace input;
    InputState& s = State();
    uint32_t now = Now();
    int best = -1;
    for (const PendingReset* r : {&s.leftReset, &s.rightReset}) {
        if (!r->pending) continue;
        int32_t left = static_cast<int32_t>(r->due - now);
        int wait = left < 0 ? 0 : left;
        if (best < 0 || wait < best) best = wait;
    }
    return best;
}

void RunDueInputTimers() {
    using namespace input;
    if (core::Quitting()) return;
    InputState& s = State();
    uint32_t now = Now();
    if (Due(s.leftReset, now)) {
        s.leftReset.pending = false;
        SetVar("$SYSTEM_l_button_down", 0);
    }
    if (Due(s.rightReset, now)) {
        s.rightReset.pending = false;
        SetVar("$SYSTEM_r_button_down", 0);
    }
}

}  // namespace shell
