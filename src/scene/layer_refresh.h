// When mask and stencil layers are rebuilt: the object side of the layers
// whose pixel work is render/layer_rebuild.h.
//
// Locking: the caller holds the SceneLock (creation, the composer's update
// phase).
#pragma once

#include "scene/scene_object.h"

namespace scene {

// For a mask or stencil object: rebuilds its own layer when it is marked
// changed or what it is built from has changed (the mask moved, zoomed,
// turned or got another picture, or the enclosing layer was rebuilt),
// enclosing layers first. Returns 1 when it rebuilt.
int RefreshObjectLayer(SceneObject* maskObject);

}  // namespace scene
