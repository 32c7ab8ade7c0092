// Deciding when a mask object's layer is rebuilt.
#include "scene/layer_refresh.h"

#include "render/layer_rebuild.h"

namespace scene {

namespace {

// The mask picture of a layer: its own drawable (a movie's) or its owner's.
const render::Drawable* MaskOf(const render::Layer* layer) {
    if (layer->mask) return layer->mask;
    return layer->owner ? layer->owner->image : nullptr;
}

// The layer the owner's parent draws through: the enclosing one.
const render::Layer* EnclosingLayer(const render::Layer* layer) {
    const SceneObject* o = layer->owner;
    const render::Layer* other = o && o->parent ? o->parent->layer : nullptr;
    return other == layer ? nullptr : other;
}

}  // namespace

int RefreshObjectLayer(SceneObject* o) {
    render::Layer* layer = o ? o->layer : nullptr;
    if (!layer || layer->owner != o) return 0;
    const render::Layer* other = EnclosingLayer(layer);
    // Enclosing layers first (a parent's mask may have moved this frame too).
    if (other && other->owner) RefreshObjectLayer(other->owner);
    const render::Drawable* mask = MaskOf(layer);
    uint64_t digest = render::LayerDigest(mask, other);
    if (!layer->changed && digest == layer->builtFrom) return 0;
    render::RebuildLayer(layer, mask, other);
    layer->builtFrom = digest;
    return 1;
}

}  // namespace scene
