// The composer thread and the phases of one frame.
#include "render/compose.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/clock.h"
#include "render/display.h"
#include "render/frame_batch.h"
#include "render/surface.h"
#include "scene/action.h"
#include "scene/start_signal.h"
#include "core/engine.h"
#include "core/registry.h"

namespace render {

namespace {

struct Composer {
    uint32_t lastPresent = 0;
    std::atomic<int> suspended{0};
    std::atomic<int> stop{0};
    std::atomic<int> running{0};
    core::ThreadHandle thread = -1;
    platform::Event* ended = nullptr;
    platform::Event* wake = nullptr;  // ends pacing waits when stopping
    std::atomic<uint32_t> frames{0};
    Drawable* direct[kDirectPictures] = {};
    int directIndex = -1;
};

Composer g_composer;
ComposerModes g_modes = {0, 0, 1.0, 1.0, 32.0};
ComposerHooks g_hooks = {};
scene::DrawFn g_idleDraws[4] = {};

bool IdleDraw(scene::DrawFn draw) {
    if (draw == scene::NoDraw || draw == nullptr) return true;
    for (scene::DrawFn idle : g_idleDraws)
        if (idle && idle == draw) return true;
    return false;
}

// Whether an object's drawable can hide what lies below it.
bool OccluderCandidate(const scene::SceneObject* o) {
    const Drawable* d = o->image;
    if (!d || !d->image || !d->quad) return false;
    if (!(d->blendMode & 0x0100)) return false;
    uint32_t flags = d->image->flags;
    if ((flags & kImgAlpha) || flags == kImgScratch || flags == kImgNoCover) return false;
    if (IdleDraw(o->ops.draw) || d->opacity != 255) return false;
    if (o->ops.blend != scene::DefaultOps().blend) return false;
    if (o->trail.active || o->layer || d->target) return false;
    // A transition shows what lies below through the rule's passed values.
    if (o->effectParameter) return false;
    if (o->hideable && g_modes.hide) return false;
    // An object that is not drawn at all hides nothing.
    if (!o->drawEnabled || o->stateImage) return false;
    // Axis-aligned the upright way only: a quarter-turned picture is left to
    // draw over what lies below (its edges are walked from rotated corners).
    const Quad& q = *d->quad;
    return q.py[0] == q.py[1] && q.px[0] == q.px[3];
}

void AddWholeFrame() {
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
}

bool StepProgress(int result) {
    return result > 0;
}

void StepObject(scene::SceneObject* o) {
    scene::ObjectOps& ops = o->ops;
    bool progress = false;
    progress |= StepProgress(ops.mediaStep(o));
    progress |= StepProgress(ops.fadeStep(o));
    progress |= StepProgress(ops.moveStep(o));
    progress |= StepProgress(ops.zoomStep(o));
    progress |= StepProgress(ops.rotateStep(o));
    progress |= StepProgress(ops.transitionStep(o));
    int text = ops.textStep(o);
    if (text <= 0 && text != -4 && ops.textStep != scene::DefaultOps().textStep)
        ops.textStep = g_hooks.textIdle ? g_hooks.textIdle : scene::DefaultOps().textStep;
    progress |= StepProgress(ops.shakeStep(o));
    if (o->camera && !progress && o->camera->changed && o->image && o->image->quad) {
        Drawable* d = o->image;
        AddDirtyDrawable(d);
        TransformQuad(d->quad, o->camera, kQuadRows, d->quad->x, d->quad->y);
        AddDirtyDrawable(d);
        if (o->layer && o->layer->owner == o && g_hooks.rebuildLayer) g_hooks.rebuildLayer(o);
    }
}

void WaitFor(int ms) {
    if (ms <= 0) return;
    core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, g_composer.wake, ms);
}

void ComposerMain(void*) {
    // Wait for the display to run for the first time.
    while (!core::Quitting() && !g_composer.stop.load()) {
        if (platform::WaitEvent(scene::g_objects.displayRunning, 100)) break;
    }
    if (!core::Quitting() && !g_composer.stop.load()) {
        RebaseTimes(0);
        AddWholeFrame();
    }
    while (!core::Quitting() && !g_composer.stop.load()) {
        uint32_t state = core::g_engine.state.load();
        if (state != core::StateStart && !core::IsRunningState(state)) break;
        if (!platform::IsEventSet(scene::g_objects.displayRunning)) {
            platform::Event* events[2] = {scene::g_objects.displayRunning, g_composer.wake};
            platform::WaitAny(events, 2, 1500);
            RebaseTimes(0);
            continue;
        }
        bool displayOff = g_hooks.displaySuspended && g_hooks.displaySuspended();
        if (!g_composer.suspended.load() && !displayOff) {
            ComposeOneFrame();
        } else {
            WaitFor(FrameIntervalMs());
        }
        // A transient state (other than the system script) settles first.
        bool waited = false;
        for (;;) {
            uint32_t s = core::g_engine.state.load();
            if (!core::IsRunningState(s) || s == core::StateSystemScript || (s & 0xFF) == 0)
                break;
            if (core::Quitting() || g_composer.stop.load()) break;
            platform::SleepMs(4);
            waited = true;
        }
        if (waited) RebaseTimes(0);
    }
}

}  // namespace

ComposerModes& Modes() {
    return g_modes;
}
ComposerHooks& ComposerHooksTable() {
    return g_hooks;
}

void SetSkipMode(bool on) {
    g_modes.skip = on ? 1 : 0;
    SetDirtySkipMode(on);
}

double CurrentSpeed() {
    if (core::g_engine.state.load(std::memory_order_relaxed) == core::StateSystemScript)
        return g_modes.systemSpeed;
    if (g_modes.skip) return g_modes.skipSpeed;
    return g_modes.playSpeed;
}

void RegisterIdleDraw(scene::DrawFn draw) {
    for (scene::DrawFn& slot : g_idleDraws)
        if (!slot || slot == draw) {
            slot = draw;
            return;
        }
}

void ResetPacing() {
    core::SetFrameIndex(core::kDefaultFrameIndex);
    g_composer.lastPresent = core::NowMs();
}

int DrawObject(scene::SceneObject* o) {
    if ((g_modes.hide && o->hideable) || !o->drawEnabled) return 0;
    if (o->text) return g_hooks.drawText ? g_hooks.drawText(o) : 0;
    if (!o->image) return 0;
    bool trail = o->trail.active && o->trail.showCopies && g_hooks.drawTrail;
    if (trail && o->trail.drawBefore) g_hooks.drawTrail(o, 1);
    int result = o->ops.blend(o->image, o->layer, o->effectParameter, o->effectFlag);
    if (trail && !o->trail.drawBefore) g_hooks.drawTrail(o, 0);
    return result;
}

namespace {
// An object whose drawing is one span draw of its own picture and nothing
// else: its draw may be kept for band-major drawing.
bool PlainDraw(const scene::SceneObject* o) {
    if (o->ops.draw != DrawObject || o->ops.blend != DrawDrawable || o->text) return false;
    return !(o->trail.active && o->trail.showCopies && g_hooks.drawTrail);
}
}  // namespace

void DrawObjects(scene::DrawListNode* start, bool trims) {
    // Another thread drawing the frame now (a capture while the composer
    // draws in skip mode) holds the batch: then everything is drawn at once.
    const bool batch = TakeFrameBatch();
    for (scene::DrawListNode* n = start; n; n = n->next) {
        scene::SceneObject* o = n->object;
        if (trims && (o->occlusion[0] || o->occlusion[1])) {
            DirtyRect r = CurrentDirty();
            r.top -= o->occlusion[0];
            r.bottom += o->occlusion[1];
            SetDirty(r);
        }
        if (batch && PlainDraw(o)) {
            BeginKeeping();
            o->ops.draw(o);
            EndKeeping();
        } else {
            // Its routine may change pictures or the frame in other ways.
            FlushFrameBatch();
            o->ops.draw(o);
        }
    }
    if (batch) ReleaseFrameBatch();
}

scene::DrawListNode* FindDrawStart(scene::World* world, bool trims, bool* occluded) {
    *occluded = false;
    scene::DrawListNode* last = nullptr;
    for (scene::DrawListNode* n = world->list.first; n; n = n->next) {
        n->object->occlusion[0] = n->object->occlusion[1] = 0;
        last = n;
    }
    if (!last) return nullptr;
    DirtyRect r = CurrentDirty();
    for (scene::DrawListNode* n = last; n; n = n->previous) {
        scene::SceneObject* o = n->object;
        if (!OccluderCandidate(o)) continue;
        if (IsEmpty(r)) {
            *occluded = true;
            world->list.drawStart = n;
            return n;
        }
        const Quad& q = *o->image->quad;
        int minX = q.px[0], maxX = q.px[0], minY = q.py[0], maxY = q.py[0];
        for (int i = 1; i < 4; ++i) {
            minX = std::min<int>(minX, q.px[i]);
            maxX = std::max<int>(maxX, q.px[i]);
            minY = std::min<int>(minY, q.py[i]);
            maxY = std::max<int>(maxY, q.py[i]);
        }
        int w = r.right - r.left, h = r.bottom - r.top;
        const Surface* s = o->surface;
        bool surfaceOk = !s || (!s->noOcclusion[0] && !s->noOcclusion[1] && !s->noOcclusion[2] &&
                                s->boundsLeft <= r.left && s->boundsTop <= r.top &&
                                s->boundsRight >= r.right && s->boundsBottom >= r.bottom);
        if (!surfaceOk) continue;
        bool fullWidth = minX <= r.left && maxX >= r.right - 1 && maxX - minX >= w - 1;
        bool fullHeight = minY <= r.top && maxY >= r.bottom - 1 && maxY - minY >= h - 1;
        if (fullWidth && fullHeight) {
            *occluded = true;
            world->list.drawStart = n;
            return n;
        }
        if (!trims || !fullWidth) continue;
        if (minY <= r.top && maxY >= r.top && maxY < r.bottom - 1) {
            // Covers the upper part: objects below need only the rest.
            int newTop = maxY + 1;
            o->occlusion[0] = newTop - r.top;
            r.top = newTop;
            SetDirty(r);
        } else if (maxY >= r.bottom - 1 && minY > r.top && minY < r.bottom) {
            o->occlusion[1] = r.bottom - minY;
            r.bottom = minY;
            SetDirty(r);
        }
    }
    world->list.drawStart = world->list.first;
    return world->list.first;
}

void UpdatePhase(scene::World* world) {
    // The clock the steps measure elapsed time with.
    uint32_t now = scene::ActionNow();
    for (scene::DrawListNode* n = world->list.first; n; n = n->next) {
        scene::SceneObject* o = n->object;
        if (o->noStep) continue;
        StepObject(o);
        if (o->trail.active && g_hooks.stepTrail) g_hooks.stepTrail(o);
        int extra = o->ops.extraStep(o);
        if (extra <= 0 && extra != -6) o->ops.extraStep = scene::DefaultOps().extraStep;
        o->lastStepTime = now;
    }
    // Masks and stencils whose picture moved (or whose enclosing layer was
    // rebuilt) render their layers again before anything is drawn through them.
    if (g_hooks.rebuildLayer)
        for (scene::DrawListNode* n = world->list.first; n; n = n->next) {
            scene::SceneObject* o = n->object;
            if (o->layer && o->layer->owner == o) g_hooks.rebuildLayer(o);
        }
    for (scene::DrawListNode* n = world->list.first; n; n = n->next) {
        scene::SceneObject* o = n->object;
        if (o->noStep && !o->disused) continue;
        if (o->camera) o->camera->changed = 0;
        if (std::strcmp(o->effectName, "Lens") == 0 && !IsEmpty(CurrentDirty())) AddWholeFrame();
    }
    scene::DeleteDisusedObjects(world);
    if (!IsEmpty(CurrentDirty()) && g_hooks.clearScratch) g_hooks.clearScratch();
}

int DrawPhase(scene::World* world) {
    if (IsEmpty(CurrentDirty())) return 0;
    bool occluded = false;
    scene::DrawListNode* start = FindDrawStart(world, true, &occluded);
    if (!start) {
        // Nothing left to draw: what was shown there must disappear.
        ClearFrameRect(CurrentDirty());
        PresentFrame(false);
        return 1;
    }
    // Without an occluder the background is black. Only the rectangle is
    // drawn and presented, so only the rectangle needs clearing.
    if (!occluded && !g_modes.skip) ClearFrameRect(CurrentDirty());
    DrawObjects(start, true);
    if (!g_modes.skip && !g_modes.hide && g_hooks.drawCursor) g_hooks.drawCursor();
    PresentFrame(false);
    return 1;
}

void ComposeOneFrame() {
    bool locked = !g_modes.skip && !core::Quitting();
    if (locked) core::AcquireSceneLock();
    scene::World* world = scene::CurrentWorld();
    scene::SortDrawList(world);
    UpdatePhase(world);
    DrawPhase(world);
    if (locked) core::ReleaseSceneLock();
    g_composer.frames.fetch_add(1);
    // Pacing waits with the lock free, so that script threads are not held
    // up for the rest of the frame interval.
    Pace();
}

void Pace() {
    if (g_modes.skip) return;
    double speed = CurrentSpeed();
    if (speed <= 0) speed = 1;
    int interval = static_cast<int>(FrameIntervalMs() / speed);
    int wait = interval - static_cast<int>(core::NowMs() - g_composer.lastPresent);
    if (wait > 0) WaitFor(wait);
    g_composer.lastPresent = core::NowMs();
}

int PresentFrame(bool force) {
    uint32_t state = core::g_engine.state.load(std::memory_order_relaxed);
    if (!force && state != core::StatePlay && state != core::StateSystemScript) return 0;
    if (FrameChanged()) PresentFrameRect(CurrentDirty());
    ResetDirty();
    return 1;
}

int RedrawScene(bool hide) {
    AddWholeFrame();
    scene::World* world = scene::CurrentWorld();
    scene::SortDrawList(world);
    int savedHide = g_modes.hide;
    if (hide) g_modes.hide = 1;
    ClearFrame();
    MarkFrameChanged();
    DrawObjects(world->list.first, false);
    g_modes.hide = savedHide;
    return 1;
}

void RedrawNow() {
    AddWholeFrame();
    scene::World* world = scene::CurrentWorld();
    int index = g_composer.directIndex;
    if (index >= 0 && index < kDirectPictures && g_composer.direct[index]) {
        DrawDrawable(g_composer.direct[index], nullptr, nullptr, 0);
        PresentFrame(false);
        return;
    }
    scene::SortDrawList(world);
    bool occluded = false;
    scene::DrawListNode* start = FindDrawStart(world, false, &occluded);
    ClearFrame();
    MarkFrameChanged();
    DrawObjects(start, false);
    PresentFrame(false);
}

void SetDirectPicture(int index, Drawable* picture) {
    if (index < 0 || index >= kDirectPictures) return;
    if (g_composer.direct[index] && g_composer.direct[index] != picture)
        DestroyDrawable(&g_composer.direct[index]);
    g_composer.direct[index] = picture;
}
void SelectDirectPicture(int index) {
    g_composer.directIndex = index;
}

void PauseComposer() {
    if (!scene::g_objects.running || core::Quitting()) return;
    g_composer.suspended = 1;
    core::AcquireSceneLock();
    platform::ResetEvent(scene::g_objects.displayRunning);
    if (!g_modes.skip) RedrawNow();
    core::ReleaseSceneLock();
}

void ResumeComposer() {
    if (!scene::g_objects.running || core::Quitting()) return;
    core::AcquireSceneLock();
    // New objects and armed actions start together with the display.
    scene::StartActions(1);
    if (!g_modes.skip) RedrawNow();
    RebaseTimes(1);
    platform::SetEvent(scene::g_objects.displayRunning);
    g_composer.suspended = 0;
    core::ReleaseSceneLock();
}

void RebaseTimes(int resume) {
    uint32_t now = scene::ActionNow();
    for (scene::World& w : scene::g_objects.worlds)
        for (scene::DrawListNode* n = w.list.first; n; n = n->next) {
            n->object->lastStepTime = now;
            for (uint32_t& t : n->object->trail.updated) t = now;
        }
    if (g_hooks.rebaseOther) g_hooks.rebaseOther(now, resume);
}

int StartComposer() {
    if (g_composer.running.load()) StopComposer();
    scene::InitObjects();
    g_composer.stop = 0;
    g_composer.suspended = 0;
    g_composer.frames = 0;
    g_composer.directIndex = -1;
    if (!g_composer.wake) g_composer.wake = platform::CreateEvent(true, false);
    platform::ResetEvent(g_composer.wake);
    g_composer.thread = core::CreateEngineThread(true, ComposerMain, nullptr);
    if (g_composer.thread < 0) {
        scene::ReleaseObjects();
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
        if (scene::g_objects.displayRunning) platform::SetEvent(scene::g_objects.displayRunning);
        // Every wait of the thread is bounded by 1500 ms; allow for a slow frame.
        core::WaitEngineThread(g_composer.thread, 10000);
        core::ReleaseEngineThread(g_composer.thread);
        g_composer.thread = -1;
        g_composer.ended = nullptr;
        g_composer.running = 0;
    }
    for (Drawable*& d : g_composer.direct)
        if (d) {
            d->kept = 0;
            DestroyDrawable(&d);
            d = nullptr;
        }
    g_composer.directIndex = -1;
    scene::ReleaseObjects();
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

}  // namespace render
