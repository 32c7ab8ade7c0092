// The display rhythm and the waits of script threads: object waits, Wait,
// WaitKey and Draw.
#include "scene/wait.h"

#include <optional>
#include <cstring>

#include "core/clock.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/image_load.h"
#include "scene/action.h"
#include "scene/choice_hit.h"
#include "scene/start_signal.h"
#include "scene/state.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/input.h"
#include "core/registry.h"
#include "platform/text_copy.h"
#include "core/game_watch.h"

namespace scene {

namespace {

int32_t DefaultAutoDelay() {
    return 2000;
}

}  // namespace

const WaitHooks kDefaultWaitHooks = {ClickableChoiceUnderMouse, DefaultAutoDelay};

namespace {

bool Parallel(script::ScriptBlock* block) {
    return block && script::BlockIsParallel(block);
}

bool BlockRuns(script::ScriptBlock* block) {
    return !block || script::BlockStatus(block) == script::StatusRunning;
}

platform::Event* BlockEvent(script::ScriptBlock* block) {
    return block ? block->event : nullptr;
}

uint32_t EngineState() {
    return core::Current().state.load();
}

bool Running() {
    return core::IsRunningState(EngineState()) && !core::Quitting();
}

// A state inside the running range that is about to change.
bool Transient(uint32_t state) {
    return (state & 0xFF) != 0 && state != core::StateSystemScript;
}

bool DisplayRunning() {
    ObjectSystem& objects = Objects();
    return objects.displayRunning && platform::IsEventSet(objects.displayRunning);
}

double Speed() {
    double s = ActionSpeed();
    return s > 0 ? s : 1.0;
}

// Waits out a transient state in bounded steps. Returns the milliseconds
// spent, or -1 when the wait must end (quit, loading, restart).
int32_t SettleState(script::ScriptBlock* block) {
    uint32_t begin = ActionNow();
    while (!core::Quitting() && Transient(EngineState())) {
        core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, BlockEvent(block), 100);
        if (BlockEvent(block)) platform::ResetEvent(block->event);
    }
    uint32_t s = EngineState();
    if (core::Quitting() || s == core::StateLoading || s == core::StateStart) return -1;
    return static_cast<int32_t>(ActionNow() - begin);
}

int RunningVisitor(SceneObject* o, ObjectQuery* q) {
    int32_t code = static_cast<int32_t>(reinterpret_cast<intptr_t>(q->context));
    if (!ActionActive(o, code)) return 0;
    q->result = 1;
    return 1;
}

// One check: whether any matching object is active. Skipped (reported
// active) while a deletion or creation holds the gates.
bool AnyActive(ObjectQuery* q) {
    ObjectSystem& objects = Objects();
    q->result = 0;
    if (!platform::IsEventSet(objects.creationGate) || !platform::IsEventSet(objects.deletionGate))
        return true;
    platform::ResetEvent(objects.deletionGate);
    {
        core::SceneLockGuard hold;
        VisitObjects(q);
    }
    platform::SetEvent(objects.deletionGate);
    return q->result != 0;
}

double VariableNumber(const char* name, double missing = 0) {
    script::Variable* v = script::LookupExact(name);
    return v ? v->number : missing;
}

int TextWaitKey() {
    return static_cast<int>(VariableNumber("$SYSTEM_text_waitkey", 1));
}

bool SkipMode() {
    return render::Modes().skip != 0;
}
bool AutoMode() {
    return script::GetSystemValues().textAuto != 0;
}

}  // namespace

WaitHooks& GetWaitHooks() {
    return State().waitHooks;
}

void DisplayGo(script::ScriptBlock* block) {
    if (!Objects().running || core::Quitting()) return;
    if (!DisplayRunning() && !Parallel(block) && scene::ComposerRunning()) {
        scene::ResumeComposer();
        return;
    }
    core::SceneLockGuard hold;
    StartActions(1);
}

void DisplayStop(script::ScriptBlock* block) {
    if (!Objects().running || core::Quitting() || Parallel(block)) return;
    if (DisplayRunning()) scene::PauseComposer();
}

void WaitObjects(const char* name, script::ScriptBlock* block, int32_t ownerKey, int32_t timeoutMs,
                 int32_t code) {
    if (!name || !*name || !Objects().running) return;
    if (timeoutMs > 0 && SkipShortens(timeoutMs)) return;
    ObjectQuery q{};
    q.ownerKey = ownerKey;
    platform::CopyText(q.path, sizeof q.path, name);
    q.visitor = RunningVisitor;
    q.stopAtFirst = 1;
    q.context = reinterpret_cast<void*>(static_cast<intptr_t>(code));
    uint32_t start = ActionNow();
    uint32_t startState = EngineState();
    std::optional<core::TextWaitScope> textWait;
    if (code == kWaitTextCode) textWait.emplace();
    while (Running() && BlockRuns(block)) {
        uint32_t s = EngineState();
        if (Transient(s) || (startState == core::StatePlay && s == core::StateSystemScript)) {
            int32_t spent = SettleState(block);
            if (spent < 0) return;
            // A return from the system script lands here in the play state.
            startState = EngineState();
            scene::RebaseTimes(0);
            start += static_cast<uint32_t>(spent);
            DisplayStop(block);
            continue;
        }
        if (!AnyActive(&q)) break;
        if (timeoutMs >= 0 && (ActionNow() - start) * Speed() >= timeoutMs) break;
        double step = core::FrameIntervalMs() / Speed();
        if (code == kWaitTextCode && SkipMode()) step = 0;
        if (platform::Event* e = BlockEvent(block)) platform::ResetEvent(e);
        uint32_t woke = core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged,
                                               BlockEvent(block), static_cast<int>(step));
        if (woke == core::kWaitHandle) break;
        if (!Transient(EngineState()) && Running() && BlockRuns(block) && !DisplayRunning()) {
            platform::SleepMs(32);
            if (EngineState() != core::StateSystemScript) DisplayGo(block);
        }
    }
    DisplayStop(block);
}

void WaitTime(script::ScriptBlock* block, int32_t ms) {
    if (ms <= 0) {
        DisplayStop(block);
        return;
    }
    if (SkipShortens(ms)) return;
    int64_t remaining = static_cast<int64_t>(ms / Speed());
    uint32_t last = ActionNow();
    while (Running()) {
        if (Transient(EngineState())) {
            int32_t spent = SettleState(block);
            if (spent < 0) return;
            scene::RebaseTimes(0);
            last = ActionNow();
            continue;
        }
        uint32_t now = ActionNow();
        remaining -= static_cast<int32_t>(now - last);
        last = now;
        if (remaining < 1) break;
        DisplayGo(block);
        if (platform::Event* e = BlockEvent(block)) platform::ResetEvent(e);
        uint32_t woke =
            core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged | core::kWaitAux1,
                                   BlockEvent(block), static_cast<int>(remaining));
        if (woke == core::kWaitQuit || woke == core::kWaitAux1 || woke == core::kWaitHandle) break;
        if (woke == core::kWaitStateChanged) continue;
        now = ActionNow();
        remaining -= static_cast<int32_t>(now - last);
        last = now;
        if (woke == core::kWaitTimedOut) break;
    }
    DisplayStop(block);
}

void WaitForKey(script::ScriptBlock* block, int32_t timeoutMs) {
    WaitHooks& waitHooks = State().waitHooks;
    if (SkipMode()) return;
    if (AutoMode()) {
        DisplayGo(block);
        if (EngineState() == core::StatePlay && VariableNumber("$SYSTEM_menu_enable") == 0 &&
            VariableNumber("$SYSTEM_menu_lock") == 0)
            core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr,
                                   waitHooks.autoDelayMs());
        return;
    }
    int64_t remaining = timeoutMs;  // -1: none
    uint32_t last = ActionNow();
    // An ignored press stays raised until its release: leave it out of the
    // wait until then, so that the loop does not spin.
    bool ignoringPress = false;
    bool composerEnded = false;
    bool firstWait = true;
    while (Running()) {
        if (SkipMode() || AutoMode() || !BlockRuns(block)) break;
        if (Transient(EngineState())) {
            if (SettleState(block) < 0) return;
            scene::RebaseTimes(0);
            last = ActionNow();
            continue;
        }
        if (ignoringPress && !core::IsInputRaised(core::kInputEnter) &&
            !core::IsInputRaised(core::kInputLButton))
            ignoringPress = false;
        DisplayGo(block);
        uint32_t flags = 0x7F;
        if (composerEnded) flags &= ~static_cast<uint32_t>(core::kWaitComposerEnd);
        int timeout = remaining < 0 ? -1 : static_cast<int>(remaining);
        // Only the first wait drops a press held from before the command;
        // a press raised while the loop was awake belongs to this wait.
        if (!firstWait) flags |= core::kWaitKeepPress;
        // Counted where the wait takes input: a press before this point is
        // dropped as held from before the command.
        if (firstWait) core::NoteInputWait();
        firstWait = false;
        if (ignoringPress) {
            flags &= ~static_cast<uint32_t>(core::kWaitInputEnter);
            if (timeout < 0 || timeout > 16) timeout = 16;
        }
        if (platform::Event* e = BlockEvent(block)) platform::ResetEvent(e);
        uint32_t woke = core::WaitEngineEvents(flags, BlockEvent(block), timeout);
        uint32_t now = ActionNow();
        if (remaining >= 0) {
            remaining -= static_cast<int32_t>(now - last);
            if (remaining < 0) remaining = 0;
        }
        last = now;
        if (woke == core::kWaitQuit || woke == core::kWaitAux1 || woke == core::kWaitInputWheel)
            break;
        if (woke == core::kWaitTimedOut) {
            if (ignoringPress && remaining != 0) continue;
            break;
        }
        if (woke == core::kWaitInputEnter) {
            if (!waitHooks.clickableUnderMouse() && TextWaitKey() != 0) break;
            ignoringPress = true;
            continue;
        }
        if (woke == core::kWaitComposerEnd) {
            composerEnded = true;
            DisplayGo(block);
            continue;
        }
        // State or settings changes are manual-reset: consume them so that
        // the next wait does not return at once.
        if (woke == core::kWaitStateChanged) platform::ResetEvent(core::Current().stateChanged);
        if (woke == core::kWaitSettingsChanged)
            platform::ResetEvent(core::Current().settingsChanged);
        if (remaining == 0) break;
    }
    if (!SkipMode() && !AutoMode()) DisplayStop(block);
    script::GetServices().showHiddenTextWindow();
}

void DrawOnce(script::ScriptBlock* block) {
    render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
    DisplayGo(block);
    core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 4);
    DisplayStop(block);
}

}  // namespace scene
