// Keys: the 64 ms debounce, the key variables and events, Enter and Space
// with their effects on skip, automatic mode and the text window, Ctrl's
// tap-and-hold skip rule, the backlog keys, letter shortcuts and F1.
#include <cstdio>

#include "platform/video.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "shell/input_internal.h"

namespace shell::input {

namespace {

struct KeyInfo {
    uint32_t vk;
    const char* variable;  // null: the key has none
    int code;              // its event, 0: none
};

const KeyInfo kKeys[] = {
    {platform::kVkTab, nullptr, kInputTab},
    {platform::kVkReturn, "$SYSTEM_keydown_enter", kInputEnter},
    {platform::kVkShift, "$SYSTEM_keydown_shift", kInputShift},
    {platform::kVkControl, "$SYSTEM_keydown_ctrl", kInputCtrl},
    {platform::kVkEscape, "$SYSTEM_keydown_esc", kInputEsc},
    {platform::kVkSpace, "$SYSTEM_keydown_space", kInputSpace},
    {platform::kVkPageUp, "$SYSTEM_keydown_pageup", kInputPageUp},
    {platform::kVkPageDown, "$SYSTEM_keydown_pagedown", kInputPageDown},
    {platform::kVkEnd, "$SYSTEM_keydown_end", kInputEnd},
    {platform::kVkHome, "$SYSTEM_keydown_home", kInputHome},
    {platform::kVkLeft, "$SYSTEM_keydown_left", kInputLeft},
    {platform::kVkUp, "$SYSTEM_keydown_up", kInputUp},
    {platform::kVkRight, "$SYSTEM_keydown_right", kInputRight},
    {platform::kVkDown, "$SYSTEM_keydown_down", kInputDown},
};

const KeyInfo* Find(uint32_t vk) {
    for (const KeyInfo& k : kKeys)
        if (k.vk == vk) return &k;
    return nullptr;
}

bool IsLetter(uint32_t vk) { return vk >= platform::kVkA && vk <= platform::kVkZ; }

// "$SYSTEM_keydown_a" .. "$SYSTEM_keydown_z".
void LetterVariable(uint32_t vk, char (&name)[32]) {
    std::snprintf(name, sizeof(name), "$SYSTEM_keydown_%c", static_cast<char>('a' + (vk - platform::kVkA)));
}

// A held key repeats its key-down. Ctrl's repeats are what tells a held Ctrl
// from a tap, and the movement keys repeat to scroll; for every other key a
// repeat is not a new press (holding Enter must not page through the text,
// holding Space must not make the text window flicker, holding F1 must not
// open folder after folder).
bool RepeatCounts(uint32_t vk) {
    switch (vk) {
        case platform::kVkControl:
        case platform::kVkUp:
        case platform::kVkDown:
        case platform::kVkLeft:
        case platform::kVkRight:
        case platform::kVkPageUp:
        case platform::kVkPageDown:
        case platform::kVkHome:
        case platform::kVkEnd:
            return true;
        default:
            return false;
    }
}

void PostClose() {
    if (!platform::VideoSelected()) return;
    platform::Message close;
    close.code = platform::kMsgClose;
    platform::Video().postMessage(close);
}

void EnterDown() {
    SetVar("$SYSTEM_XBOX360_button_a_down", 1);
    if (DisplayRuns() && NormalPlay()) {
        if (SkipOn()) {
            EndSkip();
        } else if (TextHidden()) {
            ShowHiddenText();
        } else if (AutoOn() && !script::GetSystemValues().autoIgnoreKeyCancel) {
            EndAutoMode();
        } else if (GetInputHooks().clickableUnderMouse()) {
            return;  // the object under the mouse takes the key
        }
    } else {
        EndSkip();
    }
    core::SetInputKeyPressed(true);
    SetVar("$SYSTEM_keydown_enter", 1);
    Raise(kInputEnter);
}

// `heldOnly`: a gamepad's skip button, which skips while it is held (a pad
// button does not repeat, so the hold cannot show the way a key's does).
void CtrlDown(bool heldOnly) {
    InputState& s = State();
    SetVar("$SYSTEM_keydown_ctrl", 1);
    ++s.ctrlPresses;
    ShowHiddenText();
    if (SkipOn()) {
        // A fresh press while skipping ends skip now; a repeat of a Ctrl held
        // since skip began ends it when Ctrl is let go.
        if (s.ctrlReleased)
            EndSkip();
        else
            s.skipEndsOnCtrlRelease = true;
    } else if (NormalPlay() && DisplayRuns() && !script::GetSystemValues().skipLock) {
        StartSkip();
        if (heldOnly && SkipOn()) s.skipEndsOnCtrlRelease = true;
    }
    s.ctrlReleased = false;
    Raise(kInputCtrl);
}

void SpaceDown() {
    SetVar("$SYSTEM_keydown_space", 1);
    Raise(kInputSpace);
    if (!NormalPlay() || !DisplayRuns()) return;
    if (SkipOn()) {
        EndSkip();
        return;
    }
    ToggleTextWindow();
    Pause(100);
}

void LetterDown(uint32_t vk) {
    char name[32];
    LetterVariable(vk, name);
    SetVar(name, 1);
    char script[kShortcutNameSize];
    if (ShortcutScript(static_cast<int>(vk), script)) RequestSystemScript(script, nullptr, false);
    Raise(kInputLetter);
}

// An arrow moves the keyboard focus while the scene is shown (not while
// skipping, which the next key ends anyway). A gamepad's arrows also move
// the pointer between clickable objects where no focus links are set.
void MoveFocusWith(uint32_t vk, bool fromPad);

// What a key does to a shown backlog: Down a row toward the newest, Page
// Down a page, Home to the oldest row, End back to the newest.
int BacklogStep(uint32_t vk) {
    switch (vk) {
        case platform::kVkDown:
            return -1;
        case platform::kVkPageDown:
            return -kBacklogPage;
        case platform::kVkHome:
            return kBacklogOldest;
        default:
            return -kBacklogOldest;
    }
}

void MoveFocusWith(uint32_t vk, bool fromPad) {
    int direction = vk == platform::kVkUp     ? 0
                    : vk == platform::kVkDown ? 1
                    : vk == platform::kVkLeft ? 2
                    : vk == platform::kVkRight ? 3
                                               : -1;
    if (direction < 0 || !DisplayRuns() || SkipOn()) return;
    if (fromPad)
        GetInputHooks().movePadFocus(direction);
    else
        GetInputHooks().moveFocus(direction);
}

}  // namespace

void KeyDown(const platform::Message& m) {
    if (m.param < 0 || m.param > 255) return;
    uint32_t vk = static_cast<uint32_t>(m.param);
    InputState& s = State();
    bool kicked = m.style == kKickedKeyMark;
    bool fromPad = m.style == platform::kFromGamepad;
    bool repeat = !kicked && s.held[vk];
    if (!kicked) s.held[vk] = true;
    if (repeat && !RepeatCounts(vk)) return;

    // Keys closer than 64 ms to the last accepted one are dropped, not queued.
    uint32_t t = m.time ? m.time : Now();
    if (s.anyKeyAccepted && Since(t, s.lastKeyTime) < 64) return;
    s.anyKeyAccepted = true;
    s.lastKeyTime = t;

    if (IsLetter(vk)) {
        LetterDown(vk);
        return;
    }
    switch (vk) {
        case platform::kVkTab:
            Raise(kInputTab);
            break;
        case platform::kVkReturn:
            EnterDown();
            break;
        case platform::kVkShift:
            SetVar("$SYSTEM_keydown_shift", 1);
            Raise(kInputShift);
            break;
        case platform::kVkControl:
            CtrlDown(fromPad);
            break;
        case platform::kVkEscape:
            SetVar("$SYSTEM_keydown_esc", 1);
            Raise(kInputEsc);
            PostClose();
            break;
        case platform::kVkSpace:
            SpaceDown();
            break;
        case platform::kVkUp:
        case platform::kVkPageUp: {
            const KeyInfo* k = Find(vk);
            SetVar(k->variable, 1);
            if (GetInputHooks().backlogScroll(vk == platform::kVkUp ? 1 : kBacklogPage)) break;
            // The pad's Up moves the focus only; its backlog button is Y.
            bool padUp = fromPad && vk == platform::kVkUp;
            if (padUp || !TryOpenBacklog()) {
                Raise(kInputAny);
                Raise(k->code);
                if (vk == platform::kVkUp) MoveFocusWith(vk, fromPad);
            }
            break;
        }
        case platform::kVkDown:
        case platform::kVkLeft:
        case platform::kVkRight:
        case platform::kVkPageDown:
        case platform::kVkHome:
        case platform::kVkEnd: {
            const KeyInfo* k = Find(vk);
            SetVar(k->variable, 1);
            if (vk != platform::kVkLeft && vk != platform::kVkRight &&
                GetInputHooks().backlogScroll(BacklogStep(vk)))
                break;
            Raise(kInputAny);
            Raise(k->code);
            MoveFocusWith(vk, fromPad);
            break;
        }
        case platform::kVkF1:
            OpenSaveFolder();
            break;
        default:
            break;
    }
}

void KeyUp(const platform::Message& m) {
    if (m.param < 0 || m.param > 255) return;
    uint32_t vk = static_cast<uint32_t>(m.param);
    InputState& s = State();
    s.held[vk] = false;
    int code = 0;
    if (IsLetter(vk)) {
        char name[32];
        LetterVariable(vk, name);
        SetVar(name, 0);
        code = kInputLetter;
    } else if (const KeyInfo* k = Find(vk)) {
        if (k->variable) SetVar(k->variable, 0);
        code = k->code;
    }
    Raise(kInputAny);
    if (code) Reset(code);
    switch (vk) {
        case platform::kVkReturn:
            Raise(kInputEnterUp);
            break;
        case platform::kVkControl:
            s.ctrlReleased = true;
            if (s.skipEndsOnCtrlRelease) EndSkip();
            break;
        case platform::kVkEscape:
            EndSkip();
            break;
        default:
            break;
    }
}

}  // namespace shell::input
