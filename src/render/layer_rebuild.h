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
// Which layers to rebuild, and when, is the object system's business
// (scene/layer_refresh.h); this is the pixel work.
//
// Locking: the caller holds the SceneLock (creation, the composer's update
// phase).
#pragma once
#include <cstdint>

#include "render/drawable.h"
#include "render/surface.h"

namespace render {

// Rebuilds `layer` from the mask picture `mask` (may be null: the layer
// then lets nothing through) through `other` (may be null). Adds what the
// mask covered before and covers now to the pending redraw. Returns 1, or 0
// when there is no picture to mask with.
int RebuildLayer(Layer* layer, const Drawable* mask, const Layer* other);

// A digest of what a rebuild reads: the mask's placement, clip and picture,
// and the enclosing layer and its rebuild count. Equal digests: a rebuild
// would give the same buffer.
uint64_t LayerDigest(const Drawable* mask, const Layer* other);

}  // namespace render
