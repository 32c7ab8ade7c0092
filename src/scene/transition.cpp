// Rule-image transitions: set-up on the matching objects, the per-frame
// step that moves the threshold, the end states, and the DrawTransition
// command with its wait argument.
#include "scene/transition.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/compose.h"
#include "render/drawable.h"
#include "render/transition_map.h"
#include "scene/action.h"
#include "scene/action_internal.h"
#include "scene/commands_scene.h"
#include "scene/curve.h"
#include "scene/properties.h"
#include "scene/wait.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"
#include "core/registry.h"
#include "platform/text_copy.h"

namespace scene {

namespace {

// The record's path slot holds the map (a malloc'ed block that ClearAction
// frees with the record).
render::TransitionMap* MapOf(SceneObject* o) {
    return reinterpret_cast<render::TransitionMap*>(o->actions[kActionTransition].path);
}

constexpr int kHeld = 0;  // index into the record's extra values

// Back to normal drawing: the map goes with the record.
void RemoveTransition(SceneObject* o) {
    render::TransitionMap* map = MapOf(o);
    if (!map) return;
    if (o->effectParameter == map) o->effectParameter = nullptr;
    ReleaseAction(o, kActionTransition);
    MarkObjectArea(o);
}

// The end: shown normally (e = 255), hidden (e = 0), or held at e.
void FinishTransition(SceneObject* o) {
    ActionRecord& a = o->actions[kActionTransition];
    const int32_t e = a.target[0];
    if (e >= 255) {
        RemoveTransition(o);
        return;
    }
    render::TransitionMap* map = MapOf(o);
    if (e <= 0)
        render::HideTransition(map);
    else
        render::SetTransitionThreshold(map, e + 1);
    a.extra[kHeld] = 1;
    MarkObjectArea(o);
}

struct Job {
    const TransitionRequest* request;
    render::Image* rule;  // null when cancelling
    int32_t s, e;
};

int TransitionVisitor(SceneObject* o, ObjectQuery* q) {
    const Job& job = *static_cast<const Job*>(q->context);
    if (!o->image || !o->image->quad || o->cube) return 0;
    RemoveTransition(o);
    if (!job.rule) {
        q->matched += 1;
        return 1;
    }
    const TransitionRequest& r = *job.request;
    const int32_t width = r.softness > 0 ? 255 / r.softness : 0;
    // Before the first step: nothing new shows when appearing, everything
    // up to s stays when disappearing.
    const int32_t first = job.s < job.e ? job.s : job.s + 1;
    render::TransitionMap* map = render::CreateTransitionMap(job.rule, width, first);
    if (!map) return 0;
    ActionRecord& a = o->actions[kActionTransition];
    ClearAction(&a);
    a.path = reinterpret_cast<int32_t*>(map);
    a.start[0] = job.s;
    a.target[0] = job.e;
    o->effectParameter = map;
    o->ops.transitionStep = TransitionStep;
    int32_t duration = r.durationMs < 0 ? 0 : r.durationMs;
    if (SkipShortens(duration)) duration = 0;
    if (duration == 0) {
        FinishTransition(o);
    } else {
        const int32_t n = StepCount(duration);
        a.curves[0] = BuildCurveTable(CurveFromArgument(r.curve), n, std::abs(job.e - job.s));
        if (!a.curves[0]) {
            RemoveTransition(o);
            return 0;
        }
        a.steps = n;
        a.counter = 0;
        a.multiplier = 1;
        a.durationMs = duration;
        if (r.curve) {
            platform::CopyText(a.curveName, sizeof a.curveName, r.curve);
        }
        MarkObjectArea(o);
    }
    q->matched += 1;
    return 1;
}

bool IsNullText(const char* text) {
    if (!text) return true;
    static const char kNull[] = "NULL";
    for (int i = 0; i < 4; ++i) {
        char ch = text[i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != kNull[i]) return false;
    }
    return text[4] == 0;
}

int32_t Level(int32_t value) {
    if (value < 0) value = 0;
    if (value > 1000) value = 1000;
    return static_cast<int32_t>(value * 0.255);
}

// DrawTransition (name, duration, start, end, softness, rule, curve, wait).
int DrawTransitionOf(const CreateContext& c, const CreateArgs& a) {
    TransitionRequest r;
    if (!NumericArgument(a.at(1), &r.durationMs) || !NumericArgument(a.at(2), &r.start) ||
        !NumericArgument(a.at(3), &r.end))
        return 0;
    r.softness = LeadingInteger(a.at(4));
    r.rule = a.at(5);
    r.curve = a.at(6);
    int changed = StartTransitions(c, a.at(0), r);
    // The wait argument, as the actions read it.
    const char* w = a.at(7);
    char path[script::kObjectNameSize];
    if (!changed || !w || !c.block || !a.at(0) ||
        !script::QualifyObjectName(a.at(0), path, c.prefix ? c.prefix : ""))
        return changed;
    int32_t timeout = -1;
    if (IsTrueText(w)) {
        if (r.durationMs == 0) return changed;
    } else {
        char* end = nullptr;
        long n = std::strtol(w, &end, 10);
        if (end == w || n == 0) return changed;
        timeout = static_cast<int32_t>(n);
    }
    DisplayGo(c.block);
    WaitObjects(path, c.block, c.ownerKey, timeout, kWaitTransitionCode);
    return changed;
}

void CommandDrawTransition(script::CommandCall& call) {
    CreateContext c = CommandContext(call);
    CreateArgs args{call.args, script::kMaxCommandArguments};
    call.result = DrawTransitionOf(c, args);
}

}  // namespace

int StartTransitions(const CreateContext& c, const char* path, const TransitionRequest& r) {
    Job job{&r, nullptr, Level(r.start), Level(r.end)};
    if (job.s == job.e) job.s = 0;
    bool cancel = IsNullText(r.rule);
    render::Image* rule = nullptr;
    bool ownsRule = false;
    if (!cancel) {
        {
            core::SceneLockGuard hold;
            rule = LoadedPicture(c, r.rule);
        }
        if (!rule) {
            rule = LoadPictureFile(r.rule, false);
            ownsRule = rule != nullptr;
        }
        if (!rule) return 0;
    }
    int changed = 0;
    {
        core::SceneLockGuard hold;
        // A loaded-picture object may have gone while the lock was free.
        if (rule && !ownsRule) rule = LoadedPicture(c, r.rule);
        job.rule = rule;
        changed = (cancel || rule) ? VisitNamed(c, path, TransitionVisitor, &job, true) : 0;
    }
    if (ownsRule) render::DestroyImage(&rule);
    return changed;
}

int TransitionStep(SceneObject* o) {
    ActionRecord& a = o->actions[kActionTransition];
    render::TransitionMap* map = MapOf(o);
    if (!map) {
        o->ops.transitionStep = DefaultOps().transitionStep;
        return 0;
    }
    if (a.extra[kHeld]) return 0;
    if (!a.go) return 1;
    a.hold = 0;
    const int32_t i = a.counter >> 16;
    if (i >= a.steps || !a.curves[0]) {
        FinishTransition(o);
        return 1;
    }
    const int32_t s = a.start[0], e = a.target[0];
    const int32_t moved = static_cast<int32_t>(a.curves[0][i]);
    const int32_t threshold = s < e ? s + moved + 1 : s - moved + 1;
    int changed = 0;
    if (threshold != map->threshold) {
        render::SetTransitionThreshold(map, threshold);
        MarkObjectArea(o);
        changed = 1;
    }
    AdvanceAction(o, a);
    return changed;
}

int TransitionHeld(SceneObject* o) {
    return MapOf(o) && o->actions[kActionTransition].extra[kHeld] ? 1 : 0;
}

void InstallTransitions() {
    script::InstallCommandHandler("DrawTransition", CommandDrawTransition);
    GetActivityHooks().transitionHeld = TransitionHeld;
}

}  // namespace scene
