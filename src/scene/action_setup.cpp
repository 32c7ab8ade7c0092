// Setting actions up: reading an object's start values, computing targets,
// applying zero-length actions at once, and arming the rest (curve tables,
// paths, step routine) until the next start signal. Also the speed and the
// start signal itself.
#include <cmath>
#include <cstring>

#include "core/clock.h"
#include "render/compose.h"
#include "render/surface.h"
#include "scene/action_internal.h"
#include "scene/cube.h"
#include "scene/curve.h"
#include "core/engine.h"
#include "core/registry.h"
#include "platform/text_copy.h"

namespace scene {

namespace {

bool OwnsSurface(const SceneObject* o) {
    return o->surface && o->surface->owner == o;
}

// Whether the object has what the kind acts on.
bool CanTake(const SceneObject* o, int kind) {
    switch (kind) {
        case kActionFade:
            return o->image != nullptr;
        case kActionZoom:
        case kActionShake:
            return o->image || OwnsSurface(o);
        case kActionRotate:
            return o->image || o->cube || (o->camera && o->camera->owner == o) || OwnsSurface(o);
        case kActionMove:
            return true;
        default:
            return false;
    }
}

int32_t Truncate(double v) {
    if (v > 2147483647.0) return 2147483647;
    if (v < -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(v);
}


// Arms the record: tables for each component, counters, name, step routine.
bool Arm(SceneObject* o, int kind, const ActionRequest& r, int components,
         const double distances[3], bool exactEnd) {
    ActionRecord& a = o->actions[kind];
    int32_t n = StepCount(r.durationMs);
    CurveShape shape = CurveFromArgument(r.curve);
    for (int c = 0; c < components; ++c) {
        a.curves[c] = BuildCurveTable(shape, n, distances[c]);
        if (!a.curves[c]) {
            ReleaseAction(o, kind);
            return false;
        }
        if (exactEnd) a.curves[c][n] = distances[c];
    }
    a.steps = n;
    a.counter = 0;
    a.multiplier = 1;
    a.durationMs = r.durationMs;
    if (r.curve) {
        platform::CopyText(a.curveName, sizeof a.curveName, r.curve);
    }
    *StepSlot(o, kind) = StepRoutine(kind);
    return true;
}

// True for an object showing a soft-framed picture: its position is that of
// the 8-pixel margin, 8 up and left of where the picture itself stands.
bool ShowsFramedPicture(const SceneObject* o) {
    return o->image && o->image->image && o->image->image->flags == render::kImgFramed;
}

// Position target of one axis: relative forms as they are, absolute ones
// moved 8 up/left for a framed picture (so that the picture, not its margin,
// lands on the target; a target equal to the current value stays) and
// shifted by the group offset under a group parent.
bool PositionTarget(const SceneObject* o, const ActionRequest& r, const char* text, int axis,
                    int32_t* out) {
    double v = 0;
    bool absolute = true;
    if (!TargetValue(text, o->position[axis], &v, &absolute)) return false;
    int32_t t = Truncate(v);
    if (absolute && axis < 2 && t != o->position[axis] && ShowsFramedPicture(o)) t -= 8;
    if (absolute && !r.loadingSave && o->parent && o->parent->groupFlag) t += o->groupOffset[axis];
    *out = t;
    return true;
}

int SetupFade(SceneObject* o, const ActionRequest& r) {
    int32_t start = CurrentOpacity(o);
    double v = 0;
    bool absolute = true;
    if (!TargetValue(r.values[0], start * 1000.0 / 255.0, &v, &absolute)) return 0;
    if (v < 0) v = 0;
    if (v > 1000) v = 1000;
    int32_t target = static_cast<int32_t>(v * 0.255);
    o->targetOpacity = static_cast<uint8_t>(target);
    if (r.durationMs == 0 || target == start) {
        ApplyOpacity(o, target);
        if (target == 0) o->drawEnabled = 1;
        return 1;
    }
    ActionRecord& a = o->actions[kActionFade];
    a.start[0] = start;
    a.target[0] = target;
    double d[1] = {std::fabs(static_cast<double>(target - start))};
    return Arm(o, kActionFade, r, 1, d, false) ? 1 : 0;
}

int SetupMove(SceneObject* o, const ActionRequest& r) {
    int32_t start[3] = {o->position[0], o->position[1], o->position[2]};
    int32_t target[3] = {start[0], start[1], start[2]};
    int32_t* path = nullptr;
    int32_t count = 0;
    if (r.points) {
        path = BezierPath(r.points, start, &count, target);
        if (!path) return 0;
    } else {
        int axes = r.depth ? 3 : 2;
        for (int k = 0; k < axes; ++k)
            if (!PositionTarget(o, r, r.values[k], k, &target[k])) return 0;
    }
    if (r.durationMs == 0) {
        std::free(path);
        ApplyPosition3(o, target[0], target[1], target[2]);
        return 1;
    }
    if (!path) {
        path = StraightPath(start, target, &count);
        if (!path) return 0;
    }
    ActionRecord& a = o->actions[kActionMove];
    std::memcpy(a.start, start, sizeof start);
    std::memcpy(a.target, target, sizeof target);
    a.path = path;
    a.pathPoints = count;
    double d[1] = {static_cast<double>(count)};
    return Arm(o, kActionMove, r, 1, d, false) ? 1 : 0;
}

int SetupZoom(SceneObject* o, const ActionRequest& r) {
    int32_t start[2];
    CurrentZoom(o, start);
    int32_t target[2];
    for (int k = 0; k < 2; ++k) {
        double v = 0;
        bool absolute = true;
        if (!TargetValue(r.values[k], start[k], &v, &absolute)) return 0;
        target[k] = Truncate(v);
    }
    if (r.durationMs == 0) {
        ApplyZoom(o, target[0], target[1]);
        return 1;
    }
    ActionRecord& a = o->actions[kActionZoom];
    double d[2];
    for (int k = 0; k < 2; ++k) {
        a.start[k] = start[k];
        a.target[k] = target[k];
        d[k] = std::fabs(static_cast<double>(target[k]) - start[k]);
    }
    return Arm(o, kActionZoom, r, 2, d, true) ? 1 : 0;
}

int SetupRotate(SceneObject* o, const ActionRequest& r) {
    int32_t start[3];
    CurrentAngles(o, start);
    int32_t target[3];
    for (int k = 0; k < 3; ++k) {
        double v = 0;
        bool absolute = true;
        if (!TargetValue(r.values[k], start[k], &v, &absolute)) return 0;
        target[k] = Truncate(v);
    }
    if (r.durationMs == 0) {
        ApplyAngles(o, target[0], target[1], target[2]);
        return 1;
    }
    ActionRecord& a = o->actions[kActionRotate];
    double d[3];
    for (int k = 0; k < 3; ++k) {
        a.start[k] = start[k];
        a.target[k] = target[k];
        d[k] = std::fabs(static_cast<double>(target[k]) - start[k]);
    }
    return Arm(o, kActionRotate, r, 3, d, true) ? 1 : 0;
}

int SetupShake(SceneObject* o, const ActionRequest& r) {
    if (r.shakeRate > 1000) return 0;
    int32_t amp[4];
    for (int k = 0; k < 4; ++k) {
        double v = 0;
        bool absolute = true;
        if (!TargetValue(r.values[k], 0, &v, &absolute)) return 0;
        amp[k] = Truncate(v);
    }
    if (r.durationMs == 0) {
        ApplyShakeOffset(o, 0, 0);
        return 1;
    }
    ActionRecord& a = o->actions[kActionShake];
    a.start[0] = amp[0];
    a.start[1] = amp[1];
    a.target[0] = amp[2];
    a.target[1] = amp[3];
    // Ticks per second are rate / 1000 x the frame rate; a rate of 0 never
    // ticks (the picture stays put).
    double perSecond = r.shakeRate / 1000.0 * core::NominalFrameRate();
    a.extra[0] = perSecond > 0 ? Truncate(1000.0 / perSecond) : 0x7FFFFFFF;
    a.extra[1] = 0;  // time of the last tick
    a.extra[2] = 1;  // sign
    a.extra[5] = 0;  // no tick yet
    double d[2] = {std::fabs(static_cast<double>(amp[2]) - amp[0]),
                   std::fabs(static_cast<double>(amp[3]) - amp[1])};
    return Arm(o, kActionShake, r, 2, d, false) ? 1 : 0;
}

int SetupVisitor(SceneObject* o, ObjectQuery* q) {
    const ActionRequest* r = static_cast<const ActionRequest*>(q->context);
    if (SetupAction(o, *r)) ++q->matched;
    return 1;
}

}  // namespace

int32_t StepCount(int32_t durationMs) {
    double n = std::trunc(durationMs * core::NominalFrameRate() / 1000.0);
    if (n < 1) n = 1;
    if (n > kMaxSteps) n = kMaxSteps;
    return static_cast<int32_t>(n);
}

double ActionSpeed() {
    uint32_t state = core::Current().state.load(std::memory_order_relaxed);
    if (state == core::StateSystemScript) return render::Modes().systemSpeed;
    if (state == core::StatePlay) return render::CurrentSpeed();
    return 0.0;
}

bool SkipShortens(int32_t durationMs) {
    return render::Modes().skip && durationMs / 32 < 17;
}

int32_t CurrentOpacity(const SceneObject* o) {
    return o->image ? o->image->opacity : 0;
}

void CurrentZoom(const SceneObject* o, int32_t out[2]) {
    if (o->image && o->image->quad) {
        out[0] = o->image->quad->zoom[0];
        out[1] = o->image->quad->zoom[1];
    } else if (OwnsSurface(o)) {
        out[0] = o->surface->transform.zoom[0];
        out[1] = o->surface->transform.zoom[1];
    } else {
        out[0] = out[1] = 1000;
    }
}

void CurrentAngles(const SceneObject* o, int32_t out[3]) {
    const int32_t* src = nullptr;
    if (o->cube)
        src = o->cube->angles;
    else if (o->camera && o->camera->owner == o)
        src = o->camera->angles;
    else if (o->image && o->image->quad)
        src = o->image->quad->angles;
    else if (OwnsSurface(o))
        src = o->surface->transform.angles;
    for (int k = 0; k < 3; ++k) out[k] = src ? src[k] : 0;
}

StepFn* StepSlot(SceneObject* o, int kind) {
    switch (kind) {
        case kActionFade:
            return &o->ops.fadeStep;
        case kActionMove:
            return &o->ops.moveStep;
        case kActionZoom:
            return &o->ops.zoomStep;
        case kActionRotate:
            return &o->ops.rotateStep;
        case kActionShake:
            return &o->ops.shakeStep;
        default:
            return &o->ops.transitionStep;
    }
}

StepFn StepRoutine(int kind) {
    switch (kind) {
        case kActionFade:
            return FadeStep;
        case kActionMove:
            return MoveStep;
        case kActionZoom:
            return ZoomStep;
        case kActionRotate:
            return RotateStep;
        case kActionShake:
            return ShakeStep;
        default:
            return nullptr;
    }
}

void ReleaseAction(SceneObject* o, int kind) {
    ClearAction(&o->actions[kind]);
    StepFn* slot = StepSlot(o, kind);
    const ObjectOps& d = DefaultOps();
    switch (kind) {
        case kActionFade:
            *slot = d.fadeStep;
            break;
        case kActionMove:
            *slot = d.moveStep;
            break;
        case kActionZoom:
            *slot = d.zoomStep;
            break;
        case kActionRotate:
            *slot = d.rotateStep;
            break;
        case kActionShake:
            *slot = d.shakeStep;
            break;
        default:
            *slot = d.transitionStep;
            break;
    }
}

int SetupAction(SceneObject* o, const ActionRequest& request) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    int kind = request.kind;
    if (kind < kActionFade || kind > kActionShake || !CanTake(o, kind)) return 0;
    ActionRecord& a = o->actions[kind];
    if (a.hold) {
        a.hold = 0;
        return 0;
    }
    // A new action replaces a running one and starts from where it is now.
    // A running shake leaves the picture where it trembled to: put it back.
    if (kind == kActionShake && o->ops.shakeStep == ShakeStep) ApplyShakeOffset(o, 0, 0);
    ReleaseAction(o, kind);
    ActionRequest r = request;
    if (r.durationMs < 0) r.durationMs = 0;
    if (SkipShortens(r.durationMs)) r.durationMs = 0;
    switch (kind) {
        case kActionFade:
            return SetupFade(o, r);
        case kActionMove:
            return SetupMove(o, r);
        case kActionZoom:
            return SetupZoom(o, r);
        case kActionRotate:
            return SetupRotate(o, r);
        default:
            return SetupShake(o, r);
    }
}

int SetupActions(int32_t ownerKey, const char* path, const ActionRequest& request) {
    if (!path || !*path || core::Quitting()) return 0;
    ObjectQuery q{};
    q.ownerKey = ownerKey;
    platform::CopyText(q.path, sizeof q.path, path);
    q.visitor = SetupVisitor;
    q.context = const_cast<ActionRequest*>(&request);
    core::SceneLockGuard hold;
    VisitObjects(&q);
    return q.matched;
}


}  // namespace scene
