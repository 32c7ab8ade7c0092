// Position arguments of the creating commands: numbers, "@" offsets from the
// parent, "#" centring of the object's own picture, and the placement
// keywords relative to the parent (CENTER, INLEFT, OUTRIGHT, ONTOP, ...).
//
// Units: frame pixels. The caller holds the SceneLock; the object has been
// created (its position is its parent's when the parent is a group, else 0)
// and carries its picture or surface, whose size the keywords use.
#pragma once
#include <cstdint>

#include "scene/scene_object.h"

namespace scene {

// Arguments of this many bytes or more are invalid.
constexpr int kPositionArgumentSize = 512;

enum Axis : int { kAxisX = 0, kAxisY = 1 };

// The object's own size for placement: its picture's display size, else its
// surface's rectangle (the whole frame for the screen).
void ObjectSize(const SceneObject* object, int* width, int* height);
// The area the keywords place against: the parent's position and picture
// size when the parent has a picture, its surface rectangle when it is a
// group, else the whole frame. Order: x, y, width, height.
void ReferenceArea(const SceneObject* object, int32_t area[4]);

// Resolves one position argument for `axis`. On success stores the new
// coordinate in *out and returns 1; 0 when the text is invalid (unknown
// keyword, trailing bytes, too long, or a "#" form without a picture).
int ResolvePosition(const SceneObject* object, const char* argument, Axis axis, int32_t* out);

// Applies both arguments to object->position and sets the group offset (the
// parent's position under a group parent, else 0). Returns 1, or 0 when an
// argument is invalid (the position is then left unchanged).
int ApplyPosition(SceneObject* object, const char* x, const char* y);

}  // namespace scene
