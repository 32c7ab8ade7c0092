// Timed actions on scene objects: fades, straight and Bezier moves, zooms,
// rotations and shakes. A command sets an action up on every matching object
// (armed: go flag 0), the start signal lets every armed action run, and the
// composer thread advances each running action once per frame by elapsed
// time x engine speed through the object's step slots.
//
// Units: durations and times in milliseconds of the engine clock; opacity
// 0..1000 in commands (bytes 0..255 in the drawable), zoom per mille, angles
// whole degrees, positions frame pixels.
//
// Locking: set-ups and the start signal run with the SceneLock held (the
// Setup* entry points take it themselves); steps run in the composer thread,
// which holds it for the whole frame.
#pragma once
#include <cstdint>

#include "core/clock.h"
#include "scene/object_tree.h"

namespace scene {

// --- Clock and speed ----------------------------------------------------------
// The millisecond clock steps and waits read: the engine clock.
inline uint32_t ActionNow() { return core::NowMs(); }
// Engine speed: the play-speed factor (32 in skip mode) in the play state,
// the system-script speed in the system-script state, 0 (nothing advances)
// in every other state.
double ActionSpeed();
// Whether an action or wait of `durationMs` is cut to nothing in skip mode
// (durationMs / 32 < 17).
bool SkipShortens(int32_t durationMs);

// The start signal (armed actions run, new objects show) is
// scene::StartActions of scene/start_signal.h.

// --- Set-up -------------------------------------------------------------------
// The arguments of one action command after its name.
struct ActionRequest {
    int kind = kActionMove;  // ActionKind
    int32_t durationMs = 0;
    // Targets as written: number, "@n" (relative) or "@$var" / "@#var".
    // Move: x, y (and z with `depth`); fade: opacity; zoom: x, y;
    // rotate: x, y, z; shake: x start, y start, x end, y end.
    const char* values[4] = {};
    int depth = 0;                 // MoveCube / MoveCamera: z is given
    const char* points = nullptr;  // BezierMove's segment list
    int32_t shakeRate = 1000;      // per mille of the frame rate
    const char* curve = nullptr;
    int loadingSave = 0;  // the group offset is not added
};

// Sets the action up on every object matching `path` in `ownerKey`'s tree
// (takes the SceneLock). Returns the number of objects it was set up on.
int SetupActions(int32_t ownerKey, const char* path, const ActionRequest& request);
// Sets it up on one object. Caller holds the SceneLock. 1 when set up or
// applied at once, 0 when the object cannot take it or an argument fails.
int SetupAction(SceneObject* object, const ActionRequest& request);

// The step routines installed in the slots while an action runs.
int FadeStep(SceneObject* object);
int MoveStep(SceneObject* object);
int ZoomStep(SceneObject* object);
int RotateStep(SceneObject* object);
int ShakeStep(SceneObject* object);

// --- Queries ------------------------------------------------------------------
// Wait codes: which step a wait looks for.
enum WaitCode : int32_t {
    kWaitAny = 0,
    kWaitMoveCode = 0x3001,
    kWaitFadeCode = 0x3002,
    kWaitZoomCode = 0x3003,
    kWaitRotateCode = 0x3004,
    kWaitShakeCode = 0x3005,
    kWaitTransitionCode = 0x3006,
    kWaitTextCode = 0x2002,
    kWaitPlayCode = 0x5001,
};
// Whether the activity a wait code names runs on the object (code 0: any
// action, transition, text reveal, sound, process or movie).
int ActionActive(SceneObject* object, int32_t code);

// What else counts as activity for code 0, answered by the subsystems that
// own it (defaults: nothing plays, no transition is held, every text is
// finished).
struct ActivityHooks {
    int (*transitionHeld)(SceneObject* object);
    int (*textRunning)(SceneObject* object);
    int (*soundPlaying)(SceneObject* object);
    int (*moviePlaying)(SceneObject* object);
    // Times of a sound object without a running action, answered by the
    // sound system (an ActionTimeQuery); null: 0.
    int32_t (*soundTime)(const SceneObject* object, int query);
};
ActivityHooks& GetActivityHooks();

enum ActionTimeQuery : int { kTimeRemaining = 0, kTimeDuration = 1, kTimePassed = 2 };
// Milliseconds of the first running action of the object (fade, move, zoom,
// rotate, shake in that order): left, total or passed; for a sound object
// without one, its sound's times; 0 otherwise.
int32_t ActionTime(const SceneObject* object, int query);

// The value a move, zoom or rotate action takes at step `index` (its target
// from the last step on): the path point x, y, z of a move, zoom x and y, or
// the angles x, y, z. False for other kinds or a record without tables.
bool ActionValueAt(const ActionRecord& action, int kind, int32_t index, int32_t out[3]);

// --- Shared with the step code (action_apply.cpp) ---------------------------
// Apply a kind's values to the object, adding the old and new areas to the
// redraw.
void ApplyOpacity(SceneObject* object, int32_t opacity);
void ApplyPosition3(SceneObject* object, int32_t x, int32_t y, int32_t z);
void ApplyZoom(SceneObject* object, int32_t x, int32_t y);
void ApplyAngles(SceneObject* object, int32_t x, int32_t y, int32_t z);
void ApplyShakeOffset(SceneObject* object, int32_t dx, int32_t dy);
// Adds the object's current area to the redraw.
void MarkObjectArea(SceneObject* object);
// After a window's surface transform (zoom, angles, pivot, displacement)
// changed: its map is rebuilt, every picture under it is projected again, and
// what it covered before and after is redrawn. Caller holds the SceneLock.
void RefreshWindow(SceneObject* window);

}  // namespace scene
