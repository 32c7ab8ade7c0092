// Trails (SetBlur): after-images of an object's picture that follow its
// moves, zooms and turns at a lag and catch up with it when the action ends.
//
// Copy k (1 ... count) lags behind the running action by
// trunc(k x lag x speed / frame interval) steps and takes the value the
// action had at that step: the path point of a move, the zoom, or the
// angles; a copy whose step lies before the action's start stays where it
// is. When the action has ended, the lag runs down by the time that passes,
// so the copies close in on the object; once every feed has run down the
// trail idles (its copies lie on the object and are not drawn) until the
// next action. Copies are drawn from the last to the first with the object's
// blend routine at the object's opacity x the copy opacity / 1000, under the
// object when the order flag is set, over it otherwise.
//
// Ownership: the copies buffer (positions, one Quad per copy, the tables of
// ended actions) belongs to the object's TrailRecord and is freed when the
// trail is turned off or the object is deleted.
//
// Locking: everything here runs with the SceneLock held (the command takes
// it; steps and draws run in the composer thread, which holds it).
#pragma once
#include <cstdint>

#include "scene/create_support.h"
#include "scene/object_tree.h"

namespace render {
struct Quad;
}

namespace scene {

constexpr int32_t kMaxTrailCopies = 128;
constexpr int32_t kMaxTrailOpacity = 1000;

// Registers the composer's trail step and draw and the release of trail
// buffers. Once, when the scene commands are installed.
void InstallTrails();

// SetBlur (name, switch, count, opacity, lag, order). Switch "TRUE" (any
// case) installs the trail afresh on every matching object with a picture
// (not cubes, windows or layers): count 1 ... 128, opacity 1 ... 1000 and a
// lag of at least 0 ms, all numbers, else nothing changes; order "TRUE"
// draws the copies under the object. Any other switch removes the trail.
// Either way the object's area (and its shown copies) are redrawn. Returns
// the number of objects changed.
int SetBlurOf(const CreateContext& c, const CreateArgs& a);

// The move, zoom or rotate step of `object` applied `action`'s value at
// step `index`: the copies follow. No-op without an active trail.
void FeedTrail(SceneObject* object, int kind, const ActionRecord& action, int32_t index);
// That step reached its end and is about to release its record: the trail
// takes the record's tables (the record is left empty) to let the copies
// catch up. No-op without an active trail.
void TrailActionEnded(SceneObject* object, int kind);
// The object's quad changed shape (a new pivot, a new picture): every copy
// takes it again, keeping its own position, zoom and angles.
void RebuildTrail(SceneObject* object);

// Composer hooks (installed by InstallTrails): the per-frame catch-up and
// idling, and the drawing of the copies (before: the copies drawn under the
// object).
int StepTrail(SceneObject* object);
int DrawTrail(SceneObject* object, int before);

// Where copy `index` (0-based) of the object's trail lies: its position and
// its quad. False when the object has no trail or no such copy.
bool TrailCopy(const SceneObject* object, int index, int32_t* x, int32_t* y,
               const render::Quad** quad);

}  // namespace scene
