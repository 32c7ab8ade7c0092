// DrawTransition: a rule-image transition on an object. The object's
// picture appears (or disappears) where the rule picture's green byte passes
// a threshold moving from start to end along a curve, with a soft edge.
//
// Thresholds: start and end (0 ... 1000) become s = trunc(start x 0.255) and
// e = trunc(end x 0.255); when they are equal s becomes 0. Rule values below
// the threshold show; it starts at s and moves to e + 1 by the curve (one
// step per frame at the nominal rate, as actions step). When it ends with
// e = 255 the object is drawn normally again; with e = 0 nothing of it
// shows; in between the last table is kept (the transition is then held and
// no longer counts as running for the waits).
//
// Softness n (at least 1) spreads the edge over 255 / n rule values; 0 or
// less makes it hard.
//
// The state lives in the object's transition action record (freed with it)
// and is the object's draw parameter while the transition is in place.
//
// Locking: StartTransition and the command take the SceneLock; the step runs
// in the composer thread, which holds it.
#pragma once
#include <cstdint>

#include "scene/create_support.h"
#include "scene/object_tree.h"

namespace scene {

struct TransitionRequest {
    int32_t durationMs = 0;
    int32_t start = 0, end = 1000;  // 0 ... 1000
    int32_t softness = 0;
    const char* rule = nullptr;   // picture file or loaded-picture object; "NULL" cancels
    const char* curve = nullptr;  // curve keyword (linear when absent)
};

// Sets the transition up on every object with a picture matching `path` in
// the caller's tree (armed until the next start signal; a duration of 0 or
// one that skip mode cuts applies the end at once). "NULL" as the rule (any
// case) cancels a transition in place. Returns the number of objects.
int StartTransitions(const CreateContext& c, const char* path, const TransitionRequest& request);

// The step installed in the object's transition slot.
int TransitionStep(SceneObject* object);
// Whether the object's transition has ended and holds its last table.
int TransitionHeld(SceneObject* object);

// Installs the DrawTransition command and the activity hook.
void InstallTransitions();

}  // namespace scene
