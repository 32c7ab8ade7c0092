// Mask and stencil layers: the coverage buffer a mask object's children are
// drawn through (their weights are multiplied by it, byte by byte).
//
// The buffer starts as a copy of the enclosing layer's (the parent's), or
// cleared when there is none, so that nothing is drawn outside the mask.
// Then every frame row the mask's quad covers (inside its drawable's clip
// and row limits) takes the mask texels stepped along the row (nearest
// texel): copied as they are without an enclosing layer; with one, only
// pixels the enclosing layer lets through change: a white one takes the
// texel, otherwise a stencil multiplies (p x t >> 8) and a mask moves the
// pixel towards the texel (p + (p x (t - p) >> 8)), byte by byte.
//
// Locking: the caller holds the SceneLock (creation, the composer's update
// phase).
#pragma once
#include <cstdint>

#include "render/surface.h"

namespace render {

// Rebuilds `layer` from its owner's mask picture through `other` (may be
// null). Adds what the mask covered before and covers now to the pending
// redraw. Returns 1, or 0 when the owner has no picture to mask with.
int RebuildLayer(Layer* layer, const Layer* other);

// The composer's hook for a mask or stencil object: rebuilds its own layer
// when it is marked changed or what it is built from has changed (the mask
// moved, zoomed, turned or got another picture, or the enclosing layer was
// rebuilt), enclosing layers first. Returns 1 when it rebuilt.
int RefreshObjectLayer(scene::SceneObject* maskObject);

}  // namespace render
