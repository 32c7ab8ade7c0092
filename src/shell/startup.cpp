// Process initialisation, the start-up sequence, the main loop with its state
// machine, the start and teardown sequences, and shutdown.
#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include <string>

#include "platform/encoding.h"
#include "platform/folder.h"
#include "platform/msgbox.h"
#include "platform/system.h"
#include "platform/thread.h"
#include "platform/video.h"
#include "core/engine.h"
#include "shell/input.h"
#include "core/registry.h"
#include "shell/run.h"
#include "shell/settings.h"
#include "shell/settings_apply.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "shell/strings.h"
#include "shell/subsystems.h"
#include "shell/window_memory.h"

namespace shell {

namespace {

constexpr const char* kInstanceName = "CVS-0001";

// The seven engine events of the current engine.
struct EngineEventSlots {
    platform::Event** slots[7];
};
EngineEventSlots EngineEvents() {
    core::Engine& e = core::Current();
    return {{&e.stateChanged, &e.quitEvent, &e.commandsEnabled, &e.commandGate,
             &e.settingsChanged, &e.auxEvent1, &e.auxEvent2}};
}

}  // namespace

int ProcessInitialise() {
    if (core::Current().initialised) return 0;
    Subsystems& sub = GetSubsystems();
    core::Current().processorCount = platform::ProcessorCount();
    core::Current().quit = 0;
    core::Current().state = core::StateNone;
    core::Current().previousState = core::StateNone;
    core::Current().startFailed = 0;
    sub.clearFileTable();

    if (!platform::CpuHasRequiredFeatures()) {
        int answer = ShowResourceMessage(kStrCpuCheck, platform::kMbYesNo | platform::kMbIconWarning);
        if (answer == platform::kIdYes) return 0;
    }
    if (!sub.scanArchives()) return 0;

    // One player per game: the lock is keyed on the game folder, so other
    // games (and headless runs, which take no lock) start freely.
    if (!platform::IsHeadless()) {
        std::string lockName = platform::InstanceNameForFolder(kInstanceName, platform::AbsolutePath("."));
        if (!platform::TryLockInstance(lockName.c_str())) {
            platform::AskOtherInstanceToRaise(lockName.c_str());
            std::fprintf(stderr,
                         "velmoor: this game already runs; its window was brought forward and this "
                         "copy ends\n");
            return 0;
        }
        State().instanceLocked = true;
    }

    if (!core::RegistryInitialised() && !core::InitRegistry()) return 0;

    core::Current().osVersion = core::kOsVersionOther;
    for (platform::Event** e : EngineEvents().slots) *e = platform::CreateEvent(true, false);
    platform::SetEvent(core::Current().commandsEnabled);
    platform::SetEvent(core::Current().commandGate);
    core::Current().workerCount = core::Current().processorCount < 2 ? core::Current().processorCount : 2;
    if (core::Current().workerCount < 1) core::Current().workerCount = 1;
    core::Current().initialised = 1;
    return 1;
}

int StartupSequence() {
    Subsystems& sub = GetSubsystems();
    if (!ProcessInitialise()) return 0;
    if (!sub.buildGreyTables()) return 0;
    core::Current().settings = LoadSettings();
    if (!sub.loadMenuImages()) return 0;
    sub.resetInput(0);
    RestoreWindowPlacement(ExpectedSaveFolder(core::Current().settings, core::Current().saveDirOverride));
    std::string title = platform::SjisToUtf8(core::Current().settings.windowTitle);
    if (!platform::Video().createWindow(title.c_str(), platform::kFrameWidth,
                                        platform::kFrameHeight)) {
        ShowResourceMessage(kStrDeviceFailed, platform::kMbOk | platform::kMbIconError);
        return 0;
    }
    State().windowCreated = true;
    if (!sub.createDisplay()) {
        ShowResourceMessage(kStrDeviceFailed, platform::kMbOk | platform::kMbIconError);
        return 0;
    }
    sub.gatherSystemInfo();
    sub.clearFonts();
    sub.readBacklogSettings();
    core::SetEngineState(core::StateStart);
    return 1;
}

void TeardownSequence() {
    Subsystems& sub = GetSubsystems();
    sub.stopComposer();
    sub.stopAllProcesses();
    sub.releaseSounds();
    sub.stopWorkers();
    if (core::RegistryInitialised()) core::EndAllThreads();
}

int StartSequence() {
    Subsystems& sub = GetSubsystems();
    uint32_t previous = core::Current().previousState;
    if (previous == core::StatePlay || previous == core::StateSystemScript) TeardownSequence();
    core::Current().settings = LoadSettings();
    if (!sub.applyGameSettings()) return 0;
    if (!core::RegistryInitialised() && !core::InitRegistry()) return 0;
    if (!sub.startWorkers()) return 0;
    if (!sub.initSound()) {
        ShowResourceMessage(kStrSoundInitFailed, platform::kMbOk | platform::kMbIconError);
        return 0;
    }
    if (!sub.readTextSettings()) return 0;
    if (!sub.startComposer()) return 0;
    // The window takes the game's input from the moment its first process
    // can run.
    sub.resetInput(1);
    if (!sub.startScriptEngine(core::Current().settings.startScript.c_str())) return 0;
    core::SetEngineState(core::StatePlay);
    return 1;
}

void ShutdownSequence() {
    Subsystems& sub = GetSubsystems();
    TeardownSequence();
    // The fonts scripts selected belong to this engine: close them while the
    // glyph source that opened them is still there.
    sub.clearFonts();
    sub.releaseDisplay();
    sub.releaseMenuImages();
    sub.releaseBacklogSettings();
    ShellContext& ctx = State();
    if (ctx.windowCreated) {
        RememberWindowPlacement(ctx.saveFolder);
        platform::Video().destroyWindow();
        ctx.windowCreated = false;
    }
    if (!core::Current().initialised) {
        if (ctx.instanceLocked) platform::UnlockInstance();
        ctx.instanceLocked = false;
        return;
    }
    core::RequestQuit();
    core::Current().initialised = 0;
    for (platform::Event** e : EngineEvents().slots) {
        platform::DestroyEvent(*e);
        *e = nullptr;
    }
    sub.clearFileTable();
    if (ctx.instanceLocked) platform::UnlockInstance();
    ctx.instanceLocked = false;
}

int MainLoop(int exitAfterMs, bool* exitedByTimer, bool endWhenIdle) {
    Subsystems& sub = GetSubsystems();
    uint32_t start = core::NowMs();
    *exitedByTimer = false;
    bool idleSeen = false;
    while (!core::Quitting()) {
        uint32_t state = core::Current().state;
        if (state == core::StateStart) {
            if (!StartSequence()) return 0;
        } else if (state == core::StateLoadRequested) {
            sub.runLoadingScreen();
        }
        if (core::Quitting()) break;
        if (endWhenIdle && core::Current().state.load() == core::StatePlay && !sub.scriptsRunning()) {
            // Idle at two looks in a row, the second a check interval later:
            // the composer has had several frames to show the last changes.
            if (idleSeen) {
                core::RequestQuit();
                break;
            }
            idleSeen = true;
        } else {
            idleSeen = false;
        }
        int timeout = platform::kInfinite;
        if (exitAfterMs >= 0) {
            int elapsed = static_cast<int>(core::NowMs() - start);
            if (elapsed >= exitAfterMs) {
                *exitedByTimer = true;
                core::RequestQuit();
                break;
            }
            timeout = exitAfterMs - elapsed;
        }
        // Variable resets the input layer scheduled fall due without a
        // window message: the wait ends in time for them.
        // A script thread's end wakes this loop, but the thread may still be
        // winding down then: look again a little later.
        constexpr int kIdleCheckMs = 100;
        if (endWhenIdle && (timeout < 0 || timeout > kIdleCheckMs)) timeout = kIdleCheckMs;
        int inputDue = InputTimerDueIn();
        if (inputDue >= 0 && (timeout < 0 || inputDue < timeout)) timeout = inputDue;
        platform::Message message;
        bool got = platform::Video().waitMessage(&message, timeout);
        {
            core::LockGuard hold(core::kLockMessages);
            RunDueInputTimers();
        }
        if (!got) continue;
        if (message.code == platform::kMsgWake) continue;
        if (core::Quitting()) break;
        core::LockGuard hold(core::kLockMessages);
        sub.handleMessage(&message);
    }
    return 1;
}

}  // namespace shell
