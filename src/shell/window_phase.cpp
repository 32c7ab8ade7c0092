// The window's message handling by phase: running, a full-window movie,
// start-up and loading, the end of a system script. Also the close box, the
// menu commands, paint and the engine's own messages (cursor, display mode,
// message box, full screen).
#include <atomic>
#include <cstring>

#include "platform/clock.h"
#include "platform/msgbox.h"
#include "platform/sync.h"
#include "core/transitions.h"
#include "platform/video.h"
#include "shell/display_services.h"
#include "render/display.h"
#include "script/system_variables.h"
#include "core/engine.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "core/registry.h"
#include "shell/state.h"
#include "shell/strings.h"

namespace shell {

namespace {

// Scroll-bar codes of the vertical scroll message: a line up or down.
enum : int64_t { kScrollLineUp = 0, kScrollLineDown = 1 };

// Switches to full screen (1) or the window (0). Entering full screen is
// refused while SYSTEM_window_full_lock is set; leaving it never is, so the
// lock can always bring the window back.
void SetFullScreen(int full) {
    if (!platform::VideoSelected()) return;
    if (full && script::GetSystemValues().windowFullLock) return;
    if (full == render::CurrentWindowFull()) return;
    if (!shell::SwitchWindowFull(full)) return;
    // The display now runs in this mode: the variable follows it without
    // asking for another switch.
    script::GetSystemValues().fullScreen = full;
    input::SetVar("#SYSTEM_window_full", full);
    GetInputHooks().resumeScene();
    input::Redraw();
}

void ToggleFullScreen() { SetFullScreen(render::CurrentWindowFull() ? 0 : 1); }

void CloseBox() {
    using namespace input;
    SetVar("$SYSTEM_button_close", 1);
    Raise(kInputAny);
    if (core::Current().state.load() == core::StatePlay) {
        if (SkipOn()) {
            EndSkip();
        } else {
            const char* script = CloseScript();
            if (script[0])
                RequestSystemScript(script, nullptr, true);
            else
                core::RequestQuit();
        }
    }
    Pause(100);
}

// A headless run's "reset" line: the game restarts as its Reset command
// would, once no command holds the gate (asked again until then), and only
// while the game plays (not in a system script, start-up or loading).
void RunnerReset() {
    if (core::Current().state.load() != core::StatePlay) return;
    if (!platform::IsEventSet(core::Current().commandGate)) {
        platform::Message again;
        again.code = platform::kMsgRunnerReset;
        platform::Video().postMessage(again);
        platform::SleepMs(1);
        return;
    }
    core::RestartEngine();
}

void HideTextCommand() {
    // The menu command acts as the Space key.
    platform::Message space;
    space.code = platform::kMsgKeyDown;
    space.param = platform::kVkSpace;
    space.style = input::kKickedKeyMark;
    input::KeyDown(space);
}

void EngineMessage(const platform::Message& m) {
    switch (m.code) {
        case platform::kMsgShowCursor:
            if (platform::VideoSelected()) platform::Video().showCursor(true);
            break;
        case platform::kMsgHideCursor:
            if (platform::VideoSelected()) platform::Video().showCursor(false);
            break;
        case platform::kMsgDisplayMode1:
            SetFullScreen(1);
            break;
        case platform::kMsgDisplayMode2:
            SetFullScreen(0);
            break;
        case platform::kMsgMessageBox: {
            // The texts travel inside the message; make sure they end.
            char text[sizeof(m.text)], caption[sizeof(m.caption)];
            std::memcpy(text, m.text, sizeof(text));
            std::memcpy(caption, m.caption, sizeof(caption));
            text[sizeof(text) - 1] = 0;
            caption[sizeof(caption) - 1] = 0;
            platform::ShowMessageBox(text, caption, m.style);
            break;
        }
        case platform::kMsgToggleFullscreen:
            ToggleFullScreen();
            break;
        case platform::kMsgToggleAuto:
            input::ToggleAutoMode();
            break;
        default:
            break;
    }
}

void Running(const platform::Message& m) {
    using namespace input;
    switch (m.code) {
        case platform::kMsgKeyDown:
            KeyDown(m);
            break;
        case platform::kMsgKeyUp:
            KeyUp(m);
            break;
        case platform::kMsgLButtonDown:
            LeftDown(m, false);
            break;
        case platform::kMsgLButtonDblClk:
            LeftDown(m, true);
            break;
        case platform::kMsgLButtonUp:
            LeftUp(m);
            break;
        case platform::kMsgRButtonDown:
            RightDown(m);
            break;
        case platform::kMsgRButtonUp:
            RightUp(m);
            break;
        case platform::kMsgMouseWheel:
            if (m.param != 0) Wheel(m, m.param > 0);
            break;
        case platform::kMsgVScroll:
            if (m.param == kScrollLineUp || m.param == kScrollLineDown) Wheel(m, m.param == kScrollLineUp);
            break;
        case platform::kMsgMouseMove:
            MouseMove(m);
            break;
        case platform::kMsgSetCursor:
            ApplyCursor();
            break;
        case platform::kMsgClose:
            CloseBox();
            break;
        case platform::kMsgRunnerReset:
            RunnerReset();
            break;
        case platform::kMsgCommand:
            if (m.param == kCommandHideText) HideTextCommand();
            break;
        case platform::kMsgPaint: {
            uint32_t state = core::Current().state.load();
            GetInputHooks().paint(state == core::StatePlay || state == core::StateSystemScript ? 1 : 0);
            break;
        }
        default:
            EngineMessage(m);
            break;
    }
}

// Asks with string `id` whether to go on; true for Yes. The movie is paused
// meanwhile and runs on when the answer is No.
bool MoviePrompt(int id) {
    InputHooks& h = GetInputHooks();
    h.movieControl(1);
    bool yes = ShowResourceMessage(id, platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
    if (!yes) h.movieControl(2);
    return yes;
}

void Movie(const platform::Message& m) {
    InputHooks& h = GetInputHooks();
    input::InputState& s = input::State();
    switch (m.code) {
        case platform::kMsgClose:
            if (MoviePrompt(kStrQuitPrompt)) {
                h.movieControl(0);
                core::RequestQuit();
            }
            break;
        case platform::kMsgCommand:
            if (m.param == kCommandStopMovie && MoviePrompt(kStrQuitPrompt)) {
                h.movieControl(0);
                core::RequestQuit();
            }
            break;
        case platform::kMsgKeyDown: {
            if (m.param < 0 || m.param > 255) break;
            bool repeat = s.held[m.param];
            s.held[m.param] = true;
            if (!repeat && m.param == platform::kVkReturn && h.movieInterruptible() &&
                MoviePrompt(kStrStopMoviePrompt))
                h.movieControl(0);
            break;
        }
        case platform::kMsgKeyUp:
            if (m.param >= 0 && m.param <= 255) s.held[m.param] = false;
            break;
        case platform::kMsgLButtonDown:
            if (h.movieInterruptible() && MoviePrompt(kStrStopMoviePrompt)) h.movieControl(0);
            break;
        default:
            break;
    }
}

void Startup(const platform::Message& m) {
    switch (m.code) {
        case platform::kMsgSetCursor:
            input::ApplyCursor();
            break;
        case platform::kMsgToggleFullscreen:
            ToggleFullScreen();
            break;
        case platform::kMsgToggleAuto:
            input::ToggleAutoMode();
            break;
        default:
            break;  // the close box among them: nothing can be closed now
    }
}

void EndingSystem(const platform::Message& m) {
    switch (m.code) {
        case platform::kMsgMouseMove:
            input::MouseMove(m);
            break;
        case platform::kMsgRButtonUp:
            input::RightUp(m);
            break;
        default:
            break;
    }
}

}  // namespace

void SetWindowPhase(int phase) {
    if (phase >= kPhaseStartup && phase <= kPhaseEndingSystem) State().windowPhase = phase;
}

int CurrentWindowPhase() { return State().windowPhase; }

void ResetInputLayer(int mode) {
    // Play mode is asked for from script threads too (the end of a system
    // script): it only switches the phase.
    if (mode != 0) {
        SetWindowPhase(kPhaseRunning);
        return;
    }
    // Start-up runs before any other engine thread exists.
    input::InputState& s = input::State();
    s.anyKeyAccepted = false;
    std::memset(s.held, 0, sizeof(s.held));
    s.ctrlPresses = 0;
    s.ctrlReleased = true;
    s.skipEndsOnCtrlRelease = false;
    s.anyWheel = false;
    s.anySystemRequest = false;
    s.leftReset = input::PendingReset{};
    s.rightReset = input::PendingReset{};
    core::SetInputKeyPressed(false);
    core::SetLeftButtonHeld(false);
    ResetInputEvents(kInputMainWorld);
    ResetInputEvents(kInputSystemWorld);
    SetCursorShape(kCursorIdArrow);
    SetWindowPhase(kPhaseStartup);
}

void HandleMessage(const platform::Message& m) {
    if (core::Quitting()) return;
    RunDueInputTimers();
    if (m.code == platform::kMsgRaiseRequest) {
        if (platform::VideoSelected()) platform::Video().raise();
        return;
    }
    switch (State().windowPhase.load()) {
        case kPhaseRunning:
            Running(m);
            break;
        case kPhaseMovie:
            Movie(m);
            break;
        case kPhaseEndingSystem:
            EndingSystem(m);
            break;
        default:
            Startup(m);
            break;
    }
}

void HandleWindowMessage(const void* message) {
    if (message) HandleMessage(*static_cast<const platform::Message*>(message));
}

}  // namespace shell
