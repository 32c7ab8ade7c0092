// Surfaces (render targets) and layers (mask and stencil coverage).
#include "render/surface.h"

#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/state.h"

namespace render {

void SetSurfaceRect(Surface* s, int left, int top, int width, int height) {
    s->clip = {left * 4, top, width * 4, height};
    s->rows3 = {left * 3, top, width * 3, height};
    s->boundsLeft = left;
    s->boundsTop = top;
    s->boundsRight = left + width;
    s->boundsBottom = top + height;
}

Surface* CreateSurface(scene::SceneObject* owner) {
    Surface* s = static_cast<Surface*>(std::calloc(1, sizeof(Surface)));
    if (!s) return nullptr;
    s->owner = owner;
    SetSurfaceRect(s, 0, 0, kFrameWidth, kFrameHeight);
    ResetSurfaceTransform(s);
    return s;
}

void DestroySurface(Surface* s) {
    if (!s || s == &State().screen) return;
    std::free(s);
}

Surface* ScreenSurface() {
    return &State().screen;
}

void ResetScreenSurface() {
    std::memset(&State().screen, 0, sizeof State().screen);
    SetSurfaceRect(&State().screen, 0, 0, kFrameWidth, kFrameHeight);
    ResetSurfaceTransform(&State().screen);
}

Layer* CreateLayer(scene::SceneObject* owner, int32_t mode) {
    Layer* layer = static_cast<Layer*>(std::calloc(1, sizeof(Layer)));
    if (!layer) return nullptr;
    layer->pixels =
        static_cast<uint32_t*>(std::calloc(static_cast<size_t>(kFrameWidth) * kFrameHeight, 4));
    if (!layer->pixels) {
        std::free(layer);
        return nullptr;
    }
    layer->owner = owner;
    layer->mode = mode;
    for (int r = 0; r < kFrameHeight; ++r)
        layer->rows[r] = layer->pixels + static_cast<size_t>(r) * kFrameWidth;
    return layer;
}

void DestroyLayer(Layer* layer) {
    if (!layer) return;
    if (layer->mask) DestroyDrawable(&layer->mask);
    std::free(layer->pixels);
    std::free(layer);
}

}  // namespace render
