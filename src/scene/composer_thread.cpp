// The composer thread: its start and stop, waiting for the display to run,
// and pausing and resuming it.
#include <atomic>

#include "platform/clock.h"
#include "render/compose.h"
#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/surface.h"
#include "scene/action.h"
#include "scene/composer.h"
#include "scene/composer_internal.h"
#include "scene/start_signal.h"
#include "core/engine.h"
#include "core/registry.h"

namespace scene {

namespace {

struct Composer {
    std::atomic<int> suspended{0};
    std::atomic<int> stop{0};
    std::atomic<int> running{0};
    core::ThreadHandle thread = -1;
    platform::Event* ended = nullptr;
    platform::Event* wake = nullptr;  // ends pacing waits when stopping
    std::atomic<uint32_t> frames{0};
};

Composer g_composer;

// RebaseTimes for the composer thread, which walks the worlds under the
// SceneLock like every other reader of the tree.
void RebaseTimesLocked() {
    core::SceneLockGuard lock;
    RebaseTimes(0);
}

// The redraw before a capture: every object draws itself.
int CaptureRedraw(int hide) {
    return RedrawScene(hide != 0);
}

void ComposerMain(void*) {
    // Wait for the display to run for the first time.
    while (!core::Quitting() && !g_composer.stop.load()) {
        if (platform::WaitEvent(g_objects.displayRunning, 100)) break;
    }
    if (!core::Quitting() && !g_composer.stop.load()) {
        RebaseTimesLocked();
        render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
    }
    while (!core::Quitting() && !g_composer.stop.load()) {
        uint32_t state = core::Current().state.load();
        if (state != core::StateStart && !core::IsRunningState(state)) break;
        if (!platform::IsEventSet(g_objects.displayRunning)) {
            platform::Event* events[2] = {g_objects.displayRunning, g_composer.wake};
            platform::WaitAny(events, 2, 1500);
            RebaseTimesLocked();
            continue;
        }
        const ComposerHooks& hooks = ComposerHooksTable();
        bool displayOff = hooks.displaySuspended && hooks.displaySuspended();
        if (!g_composer.suspended.load() && !displayOff) {
            ComposeOneFrame();
        } else {
            render::WaitFrameTime(g_composer.wake, render::FrameIntervalMs());
        }
        // A transient state (other than the system script) settles first.
        bool waited = false;
        for (;;) {
            uint32_t s = core::Current().state.load();
            if (!core::IsRunningState(s) || s == core::StateSystemScript || (s & 0xFF) == 0)
                break;
            if (core::Quitting() || g_composer.stop.load()) break;
            platform::SleepMs(4);
            waited = true;
        }
        if (waited) RebaseTimesLocked();
    }
}

}  // namespace

void CountComposedFrame() {
    g_composer.frames.fetch_add(1);
}
platform::Event* ComposerWakeEvent() {
    return g_composer.wake;
}

void PauseComposer() {
    if (!g_objects.running || core::Quitting()) return;
    g_composer.suspended = 1;
    core::SceneLockGuard lock;
    platform::ResetEvent(g_objects.displayRunning);
    if (!render::Modes().skip) RedrawNow();
}

void ResumeComposer() {
    if (!g_objects.running || core::Quitting()) return;
    core::SceneLockGuard lock;
    // New objects and armed actions start together with the display.
    StartActions(1);
    if (!render::Modes().skip) RedrawNow();
    RebaseTimes(1);
    platform::SetEvent(g_objects.displayRunning);
    g_composer.suspended = 0;
}

int StartComposer() {
    core::WaitSources sources = core::GetWaitSources();
    sources.composerEnded = ComposerEndedEvent;
    core::SetWaitSources(sources);
    render::SetSceneRedraw(CaptureRedraw);
    if (g_composer.running.load()) StopComposer();
    InitObjects();
    g_composer.stop = 0;
    g_composer.suspended = 0;
    g_composer.frames = 0;
    render::SelectDirectPicture(-1);
    if (!g_composer.wake) g_composer.wake = platform::CreateEvent(true, false);
    platform::ResetEvent(g_composer.wake);
    g_composer.thread = core::CreateEngineThread(true, ComposerMain, nullptr);
    if (g_composer.thread < 0) {
        ReleaseObjects();
        return 0;
    }
    g_composer.ended = core::EngineThreadEndedEvent(g_composer.thread);
    g_composer.running = 1;
    // The display starts paused: scripts resume it when their scene is built.
    PauseComposer();
    return 1;
}

void StopComposer() {
    if (g_composer.running.load()) {
        g_composer.stop = 1;
        platform::SetEvent(g_composer.wake);
        if (g_objects.displayRunning) platform::SetEvent(g_objects.displayRunning);
        // Every wait of the thread is bounded by 1500 ms; allow for a slow frame.
        core::WaitEngineThread(g_composer.thread, 10000);
        core::ReleaseEngineThread(g_composer.thread);
        g_composer.thread = -1;
        g_composer.ended = nullptr;
        g_composer.running = 0;
    }
    render::ReleaseDirectPictures();
    ReleaseObjects();
}

bool ComposerRunning() {
    return g_composer.running.load() != 0;
}
platform::Event* ComposerEndedEvent() {
    return g_composer.ended;
}
uint32_t ComposedFrames() {
    return g_composer.frames.load();
}

}  // namespace scene
