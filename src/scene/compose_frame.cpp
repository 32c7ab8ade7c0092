// One frame of the composer: stepping the objects, finding where drawing
// starts, handing the objects' draws to render, and the redraws.
#include <algorithm>
#include <cstring>

#include "render/compose.h"
#include "render/display.h"
#include "render/frame_batch.h"
#include "render/surface.h"
#include "core/game_watch.h"
#include "scene/action.h"
#include "scene/composer.h"
#include "scene/composer_internal.h"
#include "scene/state.h"
#include "core/engine.h"
#include "core/registry.h"

namespace scene {

namespace {

bool IdleDraw(DrawFn draw) {
    if (draw == NoDraw || draw == nullptr) return true;
    for (DrawFn idle : State().idleDraws)
        if (idle && idle == draw) return true;
    return false;
}

// Whether an object's drawable can hide what lies below it.
bool OccluderCandidate(const SceneObject* o) {
    const render::Drawable* d = o->image;
    if (!d || !d->image || !d->quad) return false;
    if (!(d->blendMode & 0x0100)) return false;
    uint32_t flags = d->image->flags;
    if ((flags & render::kImgAlpha) || flags == render::kImgScratch || flags == render::kImgNoCover)
        return false;
    if (IdleDraw(o->ops.draw) || d->opacity != 255) return false;
    if (o->ops.blend != DefaultOps().blend) return false;
    if (o->trail.active || o->layer || d->target) return false;
    // A transition shows what lies below through the rule's passed values.
    if (o->effectParameter) return false;
    if (o->hideable && render::Modes().hide) return false;
    // An object that is not drawn at all hides nothing.
    if (!o->drawEnabled || o->stateImage) return false;
    // Axis-aligned the upright way only: a quarter-turned picture is left to
    // draw over what lies below (its edges are walked from rotated corners).
    const render::Quad& q = *d->quad;
    return q.py[0] == q.py[1] && q.px[0] == q.px[3];
}

void AddWholeFrame() {
    render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
}

bool StepProgress(int result) {
    return result > 0;
}

// Returns true when the object ran an action or revealed text.
bool StepObject(SceneObject* o) {
    ComposerHooks& hooks = State().composerHooks;
    ObjectOps& ops = o->ops;
    bool progress = false;
    // A playing movie or sound is no action: only the others make the frame busy.
    bool media = StepProgress(ops.mediaStep(o));
    progress |= StepProgress(ops.fadeStep(o));
    progress |= StepProgress(ops.moveStep(o));
    progress |= StepProgress(ops.zoomStep(o));
    progress |= StepProgress(ops.rotateStep(o));
    progress |= StepProgress(ops.transitionStep(o));
    int text = ops.textStep(o);
    if (text <= 0 && text != -4 && ops.textStep != DefaultOps().textStep)
        ops.textStep = hooks.textIdle ? hooks.textIdle : DefaultOps().textStep;
    progress |= StepProgress(ops.shakeStep(o));
    bool busy = progress || text > 0;
    progress |= media;
    if (o->camera && !progress && o->camera->changed && o->image && o->image->quad) {
        render::Drawable* d = o->image;
        render::AddDirtyDrawable(d);
        render::TransformQuad(d->quad, o->camera, render::kQuadRows, d->quad->x, d->quad->y);
        render::AddDirtyDrawable(d);
        if (o->layer && o->layer->owner == o && hooks.rebuildLayer) hooks.rebuildLayer(o);
    }
    return busy;
}

// An object whose drawing is one span draw of its own picture and nothing
// else: its draw may be kept for band-major drawing.
bool PlainDraw(const SceneObject* o) {
    if (o->ops.draw != DrawObject || o->ops.blend != render::DrawDrawable || o->text) return false;
    return !(o->trail.active && o->trail.showCopies && State().composerHooks.drawTrail);
}

}  // namespace

ComposerHooks& ComposerHooksTable() {
    return State().composerHooks;
}

void RegisterIdleDraw(DrawFn draw) {
    for (DrawFn& slot : State().idleDraws)
        if (!slot || slot == draw) {
            slot = draw;
            return;
        }
}

int DrawObject(SceneObject* o) {
    ComposerHooks& hooks = State().composerHooks;
    if ((render::Modes().hide && o->hideable) || !o->drawEnabled) return 0;
    if (o->text) return hooks.drawText ? hooks.drawText(o) : 0;
    if (!o->image) return 0;
    bool trail = o->trail.active && o->trail.showCopies && hooks.drawTrail;
    if (trail && o->trail.drawBefore) hooks.drawTrail(o, 1);
    int result = o->ops.blend(o->image, o->layer, o->effectParameter, o->effectFlag);
    if (trail && !o->trail.drawBefore) hooks.drawTrail(o, 0);
    return result;
}

void DrawObjects(DrawListNode* start, bool trims) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    // A draw nested in another (a redraw from inside an object's routine)
    // finds the batch taken already: then everything is drawn at once.
    const bool batch = render::TakeFrameBatch();
    for (DrawListNode* n = start; n; n = n->next) {
        SceneObject* o = n->object;
        if (trims && (o->occlusion[0] || o->occlusion[1])) {
            render::DirtyRect r = render::CurrentDirty();
            r.top -= o->occlusion[0];
            r.bottom += o->occlusion[1];
            render::SetDirty(r);
        }
        if (batch && PlainDraw(o)) {
            render::BeginKeeping();
            o->ops.draw(o);
            render::EndKeeping();
        } else {
            // Its routine may change pictures or the frame in other ways.
            render::FlushFrameBatch();
            o->ops.draw(o);
        }
    }
    if (batch) render::ReleaseFrameBatch();
}

DrawListNode* FindDrawStart(World* world, bool trims, bool* occluded) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    *occluded = false;
    DrawListNode* last = nullptr;
    for (DrawListNode* n = world->list.first; n; n = n->next) {
        n->object->occlusion[0] = n->object->occlusion[1] = 0;
        last = n;
    }
    if (!last) return nullptr;
    render::DirtyRect r = render::CurrentDirty();
    for (DrawListNode* n = last; n; n = n->previous) {
        SceneObject* o = n->object;
        if (!OccluderCandidate(o)) continue;
        if (render::IsEmpty(r)) {
            *occluded = true;
            world->list.drawStart = n;
            return n;
        }
        const render::Quad& q = *o->image->quad;
        int minX = q.px[0], maxX = q.px[0], minY = q.py[0], maxY = q.py[0];
        for (int i = 1; i < 4; ++i) {
            minX = std::min<int>(minX, q.px[i]);
            maxX = std::max<int>(maxX, q.px[i]);
            minY = std::min<int>(minY, q.py[i]);
            maxY = std::max<int>(maxY, q.py[i]);
        }
        int w = r.right - r.left, h = r.bottom - r.top;
        const render::Surface* s = o->surface;
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
            render::SetDirty(r);
        } else if (maxY >= r.bottom - 1 && minY > r.top && minY < r.bottom) {
            o->occlusion[1] = r.bottom - minY;
            r.bottom = minY;
            render::SetDirty(r);
        }
    }
    world->list.drawStart = world->list.first;
    return world->list.first;
}

void UpdatePhase(World* world) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    ComposerHooks& hooks = State().composerHooks;
    // The clock the steps measure elapsed time with.
    uint32_t now = ActionNow();
    int busy = 0;
    for (DrawListNode* n = world->list.first; n; n = n->next) {
        SceneObject* o = n->object;
        if (o->noStep) continue;
        if (StepObject(o)) ++busy;
        if (o->trail.active && hooks.stepTrail) hooks.stepTrail(o);
        int extra = o->ops.extraStep(o);
        if (extra <= 0 && extra != -6) o->ops.extraStep = DefaultOps().extraStep;
        o->lastStepTime = now;
    }
    // Masks and stencils whose picture moved (or whose enclosing layer was
    // rebuilt) render their layers again before anything is drawn through them.
    if (hooks.rebuildLayer)
        for (DrawListNode* n = world->list.first; n; n = n->next) {
            SceneObject* o = n->object;
            if (o->layer && o->layer->owner == o) hooks.rebuildLayer(o);
        }
    for (DrawListNode* n = world->list.first; n; n = n->next) {
        SceneObject* o = n->object;
        if (o->noStep && !o->disused) continue;
        if (o->camera) o->camera->changed = 0;
        if (std::strcmp(o->effectName, "Lens") == 0 && !render::IsEmpty(render::CurrentDirty()))
            AddWholeFrame();
    }
    DeleteDisusedObjects(world);
    if (!render::IsEmpty(render::CurrentDirty()) && hooks.clearScratch) hooks.clearScratch();
    core::NoteFrameStepped(busy);
}

int DrawPhase(World* world) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    ComposerHooks& hooks = State().composerHooks;
    if (render::IsEmpty(render::CurrentDirty())) return 0;
    bool occluded = false;
    DrawListNode* start = FindDrawStart(world, true, &occluded);
    if (!start) {
        // Nothing left to draw: what was shown there must disappear.
        render::ClearFrameRect(render::CurrentDirty());
        render::PresentFrame(false);
        return 1;
    }
    // Without an occluder the background is black. Only the rectangle is
    // drawn and presented, so only the rectangle needs clearing.
    if (!occluded && !render::Modes().skip) render::ClearFrameRect(render::CurrentDirty());
    DrawObjects(start, true);
    if (!render::Modes().skip && !render::Modes().hide && hooks.drawCursor) hooks.drawCursor();
    render::PresentFrame(false);
    return 1;
}

void ComposeOneFrame() {
    {
        // In every mode: deletions free objects at once, and captures draw
        // through the same rasterizer, both under the SceneLock.
        core::SceneLockGuard lock;
        World* world = CurrentWorld();
        SortDrawList(world);
        UpdatePhase(world);
        DrawPhase(world);
    }
    CountComposedFrame();
    // Pacing waits with the lock free, so that script threads are not held
    // up for the rest of the frame interval.
    render::Pace(ComposerWakeEvent());
}

int RedrawScene(bool hide) {
    core::SceneLockGuard lock;
    AddWholeFrame();
    World* world = CurrentWorld();
    SortDrawList(world);
    render::ComposerModes& modes = render::Modes();
    int savedHide = modes.hide;
    if (hide) modes.hide = 1;
    render::ClearFrame();
    render::MarkFrameChanged();
    DrawObjects(world->list.first, false);
    modes.hide = savedHide;
    return 1;
}

void RedrawNow() {
    core::SceneLockGuard lock;
    AddWholeFrame();
    if (render::DrawDirectPicture()) return;
    World* world = CurrentWorld();
    SortDrawList(world);
    bool occluded = false;
    DrawListNode* start = FindDrawStart(world, false, &occluded);
    render::ClearFrame();
    render::MarkFrameChanged();
    DrawObjects(start, false);
    render::PresentFrame(false);
}

void RebaseTimes(int resume) {
    // Script threads rebase after a state change while the composer may be
    // stepping the same objects: the walk is made under the SceneLock.
    core::SceneLockGuard lock;
    ComposerHooks& hooks = State().composerHooks;
    uint32_t now = ActionNow();
    for (World& w : Objects().worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next) {
            n->object->lastStepTime = now;
            for (uint32_t& t : n->object->trail.updated) t = now;
        }
    if (hooks.rebaseOther) hooks.rebaseOther(now, resume);
}

}  // namespace scene
