// The per-frame steps of running actions (composer thread, SceneLock held),
// the activity test of the waits and the action-time queries.
#include <cstdint>

#include "core/clock.h"
#include "render/compose.h"
#include "scene/action_internal.h"
#include "scene/process_object.h"
#include "scene/state.h"
#include "scene/trail.h"

namespace scene {

// Nothing plays, no transition is held, every text is finished.
const ActivityHooks kDefaultActivityHooks = {
    [](SceneObject*) { return 0; },
    [](SceneObject*) { return 0; },
    [](SceneObject*) { return 0; },
    [](SceneObject*) { return 0; },
    nullptr,
};

// counter += trunc(speed x elapsed) x 65536 / interval x multiplier, held
// below the int32 limit so that a long pause cannot wrap it.
void AdvanceAction(const SceneObject* o, ActionRecord& a) {
    int32_t elapsed = static_cast<int32_t>(ActionNow() - o->lastStepTime);
    if (elapsed < 0) elapsed = 0;
    int64_t ms = static_cast<int64_t>(ActionSpeed() * elapsed);
    int interval = core::FrameIntervalMs();
    if (interval < 1) interval = 1;
    int64_t counter = a.counter + ms * 65536 / interval * a.multiplier;
    if (counter > INT32_MAX) counter = INT32_MAX;
    if (counter < 0) counter = 0;
    a.counter = static_cast<int32_t>(counter);
}

namespace {

void Advance(const SceneObject* o, ActionRecord& a) {
    AdvanceAction(o, a);
}

// Value of component c at index i: start + table[i] towards the target.
int32_t ValueAt(const ActionRecord& a, int c, int32_t i) {
    double t = a.curves[c][i];
    double v = a.start[c] < a.target[c] ? a.start[c] + t : a.start[c] - t;
    return static_cast<int32_t>(v);
}

// The common head of every step: 1 while waiting for the go flag, -1 to go
// on with the index in *index.
int Head(ActionRecord& a, int32_t* index) {
    if (!a.go) return 1;
    a.hold = 0;
    *index = a.counter >> 16;
    return -1;
}

}  // namespace

bool ActionValueAt(const ActionRecord& a, int kind, int32_t i, int32_t out[3]) {
    if (i < 0 || a.steps <= 0) return false;
    bool last = i >= a.steps;
    switch (kind) {
        case kActionMove: {
            if (last) {
                for (int c = 0; c < 3; ++c) out[c] = a.target[c];
                return true;
            }
            if (!a.path || a.pathPoints < 1 || !a.curves[0]) return false;
            int32_t point = static_cast<int32_t>(a.curves[0][i]);
            if (point < 0) point = 0;
            if (point >= a.pathPoints) point = a.pathPoints - 1;
            const int32_t* p = a.path + static_cast<int64_t>(point) * 3;
            for (int c = 0; c < 3; ++c) out[c] = p[c];
            return true;
        }
        case kActionZoom:
        case kActionRotate: {
            int components = kind == kActionZoom ? 2 : 3;
            for (int c = 0; c < components; ++c) {
                if (last) {
                    out[c] = a.target[c];
                } else {
                    if (!a.curves[c]) return false;
                    out[c] = ValueAt(a, c, i);
                }
            }
            if (components == 2) out[2] = 0;
            return true;
        }
        default:
            return false;
    }
}

ActivityHooks& GetActivityHooks() {
    return State().activityHooks;
}

int FadeStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionFade];
    int32_t i = 0;
    if (Head(a, &i) >= 0) return 1;
    if (i >= a.steps) {
        ApplyOpacity(o, a.target[0]);
        ReleaseAction(o, kActionFade);
        return 1;
    }
    int32_t v = ValueAt(a, 0, i);
    int changed = 0;
    if (v != CurrentOpacity(o)) {
        ApplyOpacity(o, v);
        changed = 1;
    }
    Advance(o, a);
    return changed;
}

int MoveStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionMove];
    int32_t i = 0;
    if (Head(a, &i) >= 0) return 1;
    if (i >= a.steps || !a.path || a.pathPoints < 1) {
        ApplyPosition3(o, a.target[0], a.target[1], a.target[2]);
        TrailActionEnded(o, kActionMove);
        ReleaseAction(o, kActionMove);
        return 1;
    }
    int32_t point = static_cast<int32_t>(a.curves[0][i]);
    if (point < 0) point = 0;
    if (point >= a.pathPoints) point = a.pathPoints - 1;
    const int32_t* p = a.path + static_cast<int64_t>(point) * 3;
    int changed = 0;
    if (p[0] != o->position[0] || p[1] != o->position[1] || p[2] != o->position[2]) {
        ApplyPosition3(o, p[0], p[1], p[2]);
        changed = 1;
    }
    FeedTrail(o, kActionMove, a, i);
    Advance(o, a);
    return changed;
}

int ZoomStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionZoom];
    int32_t i = 0;
    if (Head(a, &i) >= 0) return 1;
    if (i >= a.steps) {
        ApplyZoom(o, a.target[0], a.target[1]);
        TrailActionEnded(o, kActionZoom);
        ReleaseAction(o, kActionZoom);
        return 1;
    }
    int32_t now[2];
    CurrentZoom(o, now);
    int32_t x = ValueAt(a, 0, i), y = ValueAt(a, 1, i);
    int changed = 0;
    if (x != now[0] || y != now[1]) {
        ApplyZoom(o, x, y);
        changed = 1;
    }
    FeedTrail(o, kActionZoom, a, i);
    Advance(o, a);
    return changed;
}

int RotateStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionRotate];
    int32_t i = 0;
    if (Head(a, &i) >= 0) return 1;
    if (i >= a.steps) {
        ApplyAngles(o, a.target[0], a.target[1], a.target[2]);
        TrailActionEnded(o, kActionRotate);
        ReleaseAction(o, kActionRotate);
        return 1;
    }
    int32_t now[3];
    CurrentAngles(o, now);
    int32_t v[3] = {ValueAt(a, 0, i), ValueAt(a, 1, i), ValueAt(a, 2, i)};
    int changed = 0;
    if (v[0] != now[0] || v[1] != now[1] || v[2] != now[2]) {
        ApplyAngles(o, v[0], v[1], v[2]);
        changed = 1;
    }
    FeedTrail(o, kActionRotate, a, i);
    Advance(o, a);
    return changed;
}

int ShakeStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionShake];
    int32_t i = 0;
    if (Head(a, &i) >= 0) return 1;
    if (i >= a.steps) {
        ApplyShakeOffset(o, 0, 0);
        ReleaseAction(o, kActionShake);
        return 1;
    }
    int changed = 0;
    uint32_t now = ActionNow();
    uint32_t since = now - static_cast<uint32_t>(a.extra[1]);
    if (!a.extra[5] || since >= static_cast<uint32_t>(a.extra[0])) {
        int32_t sign = a.extra[2] ? a.extra[2] : 1;
        a.extra[3] = sign * ValueAt(a, 0, i);
        a.extra[4] = sign * ValueAt(a, 1, i);
        a.extra[2] = -sign;
        a.extra[1] = static_cast<int32_t>(now);
        a.extra[5] = 1;
        ApplyShakeOffset(o, a.extra[3], a.extra[4]);
        changed = 1;
    }
    Advance(o, a);
    return changed;
}

int ActionActive(SceneObject* o, int32_t code) {
    const ActivityHooks& activity = State().activityHooks;
    const ObjectOps& d = DefaultOps();
    const ObjectOps& s = o->ops;
    switch (code) {
        case kWaitMoveCode:
            return s.moveStep != d.moveStep;
        case kWaitFadeCode:
            return s.fadeStep != d.fadeStep;
        case kWaitZoomCode:
            return s.zoomStep != d.zoomStep;
        case kWaitRotateCode:
            return s.rotateStep != d.rotateStep;
        case kWaitShakeCode:
            return s.shakeStep != d.shakeStep;
        case kWaitTransitionCode:
            return s.transitionStep != d.transitionStep && !activity.transitionHeld(o);
        case kWaitTextCode:
            return s.textStep != d.textStep && activity.textRunning(o);
        default:
            break;
    }
    if (s.fadeStep != d.fadeStep || s.moveStep != d.moveStep || s.zoomStep != d.zoomStep ||
        s.rotateStep != d.rotateStep || s.shakeStep != d.shakeStep || s.extraStep != d.extraStep)
        return 1;
    if (s.transitionStep != d.transitionStep && !activity.transitionHeld(o)) return 1;
    if (s.textStep != d.textStep && activity.textRunning(o)) return 1;
    if (activity.soundPlaying(o)) return 1;
    // A process is busy unless it waits at its entry point, idles, or has
    // stopped for good (nothing will ever run in it again).
    int32_t status = ProcessObjectStatus(o);
    if (status != -1 && status != 0 && status != 17 && status != 22) return 1;
    if (o->movie && s.mediaStep != d.mediaStep && activity.moviePlaying(o)) return 1;
    return 0;
}

int32_t ActionTime(const SceneObject* o, int query) {
    static const int kKinds[] = {kActionFade, kActionMove, kActionZoom, kActionRotate,
                                 kActionShake};
    for (int kind : kKinds) {
        const ActionRecord& a = o->actions[kind];
        if (a.steps <= 0) continue;
        int32_t total = a.durationMs;
        int32_t index = a.counter >> 16;
        if (index > a.steps) index = a.steps;
        int32_t passed = static_cast<int32_t>(static_cast<int64_t>(total) * index / a.steps);
        switch (query) {
            case kTimeDuration:
                return total;
            case kTimePassed:
                return passed;
            default:
                return total - passed;
        }
    }
    if (o->sound) {
        const ActivityHooks& activity = State().activityHooks;
        if (activity.soundTime) return activity.soundTime(o, query);
    }
    return 0;
}

}  // namespace scene
