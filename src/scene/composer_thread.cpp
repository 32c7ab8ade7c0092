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
#include "scene/state.h"
#include "core/engine.h"
#include "core/registry.h"

namespace scene {

namespace {

// The redraw before a capture: every object draws itself.
int CaptureRedraw(int hide) {
    return RedrawScene(hide != 0);
}

void ComposerMain(void*) {
    ObjectSystem& objects = Objects();
    Composer& composer = State().composer;
    // Wait for the display to run for the first time.
    while (!core::Quitting() && !composer.stop.load()) {
        if (platform::WaitEvent(objects.displayRunning, 100)) break;
    }
    if (!core::Quitting() && !composer.stop.load()) {
        RebaseTimes(0);
        render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
    }
    while (!core::Quitting() && !composer.stop.load()) {
        uint32_t state = core::Current().state.load();
        if (state != core::StateStart && !core::IsRunningState(state)) break;
        if (!platform::IsEventSet(objects.displayRunning)) {
            platform::Event* events[2] = {objects.displayRunning, composer.wake};
            platform::WaitAny(events, 2, 1500);
            RebaseTimes(0);
            continue;
        }
        const ComposerHooks& hooks = ComposerHooksTable();
        bool displayOff = hooks.displaySuspended && hooks.displaySuspended();
        if (!composer.suspended.load() && !displayOff) {
            ComposeOneFrame();
        } else {
            render::WaitFrameTime(composer.wake, render::FrameIntervalMs());
        }
        // A transient state (other than the system script) settles first.
        bool waited = false;
        for (;;) {
            uint32_t s = core::Current().state.load();
            if (!core::IsRunningState(s) || s == core::StateSystemScript || (s & 0xFF) == 0) break;
            if (core::Quitting() || composer.stop.load()) break;
            platform::SleepMs(4);
            waited = true;
        }
        if (waited) RebaseTimes(0);
    }
}

}  // namespace

void CountComposedFrame() {
    State().composer.frames.fetch_add(1);
}
platform::Event* ComposerWakeEvent() {
    return State().composer.wake;
}

void PauseComposer() {
    ObjectSystem& objects = Objects();
    if (!objects.running || core::Quitting()) return;
    State().composer.suspended = 1;
    core::SceneLockGuard lock;
    platform::ResetEvent(objects.displayRunning);
    if (!render::Modes().skip) RedrawNow();
}

void ResumeComposer() {
    ObjectSystem& objects = Objects();
    if (!objects.running || core::Quitting()) return;
    core::SceneLockGuard lock;
    // New objects and armed actions start together with the display.
    StartActions(1);
    if (!render::Modes().skip) RedrawNow();
    RebaseTimes(1);
    platform::SetEvent(objects.displayRunning);
    State().composer.suspended = 0;
}

ComposerPause::ComposerPause() {
    ObjectSystem& objects = Objects();
    if (!objects.running || !ComposerRunning() || core::Quitting()) return;
    if (!platform::IsEventSet(objects.displayRunning)) return;
    PauseComposer();
    paused_ = true;
}

ComposerPause::~ComposerPause() {
    if (!Objects().running || !ComposerRunning() || core::Quitting()) return;
    if (paused_) {
        ResumeComposer();  // draws the whole frame
        if (!render::Modes().skip) return;
    }
    RedrawNow();
}

int StartComposer() {
    Composer& composer = State().composer;
    core::WaitSources sources = core::GetWaitSources();
    sources.composerEnded = ComposerEndedEvent;
    core::SetWaitSources(sources);
    render::SetSceneRedraw(CaptureRedraw);
    if (composer.running.load()) StopComposer();
    InitObjects();
    composer.stop = 0;
    composer.suspended = 0;
    composer.frames = 0;
    render::SelectDirectPicture(-1);
    if (!composer.wake) composer.wake = platform::CreateEvent(true, false);
    platform::ResetEvent(composer.wake);
    composer.thread = core::CreateEngineThread(true, ComposerMain, nullptr);
    if (composer.thread < 0) {
        ReleaseObjects();
        return 0;
    }
    composer.ended = core::EngineThreadEndedEvent(composer.thread);
    composer.running = 1;
    // The display starts paused: scripts resume it when their scene is built.
    PauseComposer();
    return 1;
}

void StopComposer() {
    ObjectSystem& objects = Objects();
    Composer& composer = State().composer;
    if (composer.running.load()) {
        // Waits that start from now on no longer include the ending thread.
        composer.ended = nullptr;
        composer.stop = 1;
        platform::SetEvent(composer.wake);
        if (objects.displayRunning) platform::SetEvent(objects.displayRunning);
        // Every wait of the thread is bounded by 1500 ms; allow for a slow frame.
        core::WaitEngineThread(composer.thread, 10000);
        core::ReleaseEngineThread(composer.thread);
        composer.thread = -1;
        composer.running = 0;
    }
    render::ReleaseDirectPictures();
    ReleaseObjects();
}

bool ComposerRunning() {
    return State().composer.running.load() != 0;
}
platform::Event* ComposerEndedEvent() {
    return State().composer.ended.load();
}
uint32_t ComposedFrames() {
    return State().composer.frames.load();
}

}  // namespace scene
