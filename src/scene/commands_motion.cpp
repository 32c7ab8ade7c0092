// The action commands as the dispatcher calls them: Move, MoveCube,
// MoveCamera, BezierMove, Fade, Zoom, Rotate and Shake. Each sets its action
// up on the matching objects and then, by its wait argument, gives the start
// signal and waits for that kind of action to finish.
#include <cstdlib>
#include <cstring>

#include "scene/action.h"
#include "scene/commands_motion.h"
#include "scene/create_support.h"
#include "scene/wait.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"

namespace scene {

namespace {

bool QualifiedName(const script::CommandCall& call, char* out) {
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    return call.args[0] && script::QualifyObjectName(call.args[0], out, prefix ? prefix : "") &&
           out[0];
}

int32_t OwnerKey(const script::CommandCall& call) {
    return call.process ? call.process->ownerKey : kFreeKey;
}

// Reads a duration: numeric only for the moves, leading digits otherwise.
bool Duration(const char* text, bool strict, int32_t* out) {
    if (strict) return NumericArgument(text, out);
    *out = LeadingInteger(text);
    return true;
}

int32_t WaitCodeOf(int kind) {
    switch (kind) {
        case kActionFade:
            return kWaitFadeCode;
        case kActionZoom:
            return kWaitZoomCode;
        case kActionRotate:
            return kWaitRotateCode;
        case kActionShake:
            return kWaitShakeCode;
        default:
            return kWaitMoveCode;
    }
}

// The wait argument: TRUE with a non-zero duration waits without limit, a
// non-zero number waits at most that long, anything else does not wait.
void ApplyWaitArgument(script::CommandCall& call, const char* name, const char* waitText, int kind,
                       int32_t durationMs) {
    const char* w = waitText;
    if (!w) return;
    int32_t timeout = -1;
    if (IsTrueText(w)) {
        if (durationMs == 0) return;
    } else {
        char* end = nullptr;
        long n = std::strtol(w, &end, 10);
        if (end == w || n == 0) return;
        timeout = static_cast<int32_t>(n);
    }
    DisplayGo(call.block);
    WaitObjects(name, call.block, OwnerKey(call), timeout, WaitCodeOf(kind));
}

// Common body: name, duration (strict or not), the request's values taken
// from args[2 .. 2 + valueCount - 1], then curve and wait.
void Action(script::CommandCall& call, int kind, bool strictDuration, int valueCount, int depth) {
    char name[script::kObjectNameSize];
    if (!QualifiedName(call, name)) return;
    ActionRequest r;
    r.kind = kind;
    r.depth = depth;
    if (!Duration(call.args[1], strictDuration, &r.durationMs)) return;
    for (int i = 0; i < valueCount && i < 4; ++i) r.values[i] = call.args[2 + i];
    int next = 2 + valueCount;
    if (kind == kActionShake) {
        r.shakeRate = LeadingInteger(call.args[next]);
        if (r.shakeRate > 1000) return;
        ++next;
    }
    r.curve = call.args[next];
    SetupActions(OwnerKey(call), name, r);
    ApplyWaitArgument(call, name, call.args[next + 1], kind, r.durationMs);
}

void CommandMove(script::CommandCall& call) {
    Action(call, kActionMove, true, 2, 0);
}
void CommandMoveCube(script::CommandCall& call) {
    Action(call, kActionMove, true, 3, 1);
}
void CommandFade(script::CommandCall& call) {
    Action(call, kActionFade, false, 1, 0);
}
void CommandZoom(script::CommandCall& call) {
    Action(call, kActionZoom, false, 2, 0);
}
void CommandRotate(script::CommandCall& call) {
    Action(call, kActionRotate, false, 3, 0);
}
void CommandShake(script::CommandCall& call) {
    Action(call, kActionShake, false, 4, 0);
}

void CommandBezierMove(script::CommandCall& call) {
    char name[script::kObjectNameSize];
    if (!QualifiedName(call, name)) return;
    ActionRequest r;
    r.kind = kActionMove;
    if (!Duration(call.args[1], true, &r.durationMs)) return;
    r.points = call.args[2];
    if (!r.points) return;
    r.curve = call.args[3];
    SetupActions(OwnerKey(call), name, r);
    ApplyWaitArgument(call, name, call.args[4], kActionMove, r.durationMs);
}

struct Entry {
    const char* name;
    script::CommandHandler handler;
};

const Entry kCommands[] = {
    {"Move", CommandMove},           {"MoveCube", CommandMoveCube},
    {"MoveCamera", CommandMoveCube}, {"BezierMove", CommandBezierMove},
    {"Fade", CommandFade},           {"Zoom", CommandZoom},
    {"Rotate", CommandRotate},       {"Shake", CommandShake},
};

}  // namespace

void InstallMotionCommands() {
    for (const Entry& e : kCommands) script::InstallCommandHandler(e.name, e.handler);
}

}  // namespace scene
