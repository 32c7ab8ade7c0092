// Drawables: creation, destruction, blend-mode installation and the default
// per-object blend routine.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "render/display.h"
#include "render/state.h"
#include "render/drawable.h"
#include "render/surface.h"

namespace render {

void SetRasterOps(const RasterOps& ops) {
    State().rasterOps = ops;
}
const RasterOps& Raster() {
    return State().rasterOps;
}

Drawable* CreateDrawable(scene::SceneObject* owner, const Surface* surface) {
    Drawable* d = static_cast<Drawable*>(std::calloc(1, sizeof(Drawable)));
    if (!d) return nullptr;
    d->quad = static_cast<Quad*>(std::calloc(1, sizeof(Quad)));
    if (!d->quad) {
        std::free(d);
        return nullptr;
    }
    d->owner = owner;
    d->ownsImage = 1;
    d->opacity = 255;
    d->quad->count = 4;
    d->quad->zoom[0] = d->quad->zoom[1] = d->quad->zoom[2] = 1000;
    d->quad->depth = 1000;
    if (!surface) surface = ScreenSurface();
    d->clip = &surface->clip;
    d->rows3 = &surface->rows3;
    d->quad->rowLimits = surface->rowLimits;
    d->quad->planeMap = &surface->map;
    InstallBlendMode(d, kBlendNormal);
    return d;
}

Drawable* WrapImage(scene::SceneObject* owner, Image* image, const Surface* surface) {
    Drawable* d = CreateDrawable(owner, surface);
    if (!d) return nullptr;
    d->image = image;
    InitQuad(d->quad, image ? image->displayWidth : 0, image ? image->displayHeight : 0);
    return d;
}

void DestroyDrawable(Drawable** drawable) {
    if (!drawable || !*drawable) return;
    Drawable* d = *drawable;
    if (d->kept) return;
    if (d->ownsImage && d->image) DestroyImage(&d->image);
    std::free(d->quad);
    std::free(d);
    *drawable = nullptr;
}

int InstallBlendMode(Drawable* d, int32_t mode) {
    if (!d) return 0;
    if (State().rasterOps.installMode) return State().rasterOps.installMode(d, mode);
    int32_t low = mode & 0xFFF;
    if (low == kBlendAdd || low == kBlendSub || low == kBlendOverlay || low == kBlendMul)
        d->blendMode = low;
    else
        d->blendMode = (d->blendMode & 0x1000) ? kBlendSmooth : kBlendNormal;
    return 1;
}

int DrawDrawable(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    (void)effectFlag;
    if (!d || d->opacity == 0 || !d->image || !State().rasterOps.draw) return 0;
    DirtyRect dirty = CurrentDirty();
    if (IsEmpty(dirty)) return 0;
    int stride = 0;
    bool toFrame = d->target == nullptr;
    // The frame is held while the rasterizer draws into it.
    std::optional<DisplayFrameHold> frame;
    uint8_t* destination = nullptr;
    if (toFrame) {
        frame.emplace();
        destination = reinterpret_cast<uint8_t*>(frame->pixels);
        stride = kFrameStride * 4;
    } else {
        destination = d->target->pixels;
        stride = d->target->width * 4;
        ImageChanged(d->target);
    }
    if (!destination) return 0;
    d->destination = destination;
    d->destinationStride = stride;
    SpanClip clip{dirty.left, dirty.top, dirty.right, dirty.bottom};
    if (clip.bottom > kFrameHeight - 1) clip.bottom = kFrameHeight - 1;
    int result = State().rasterOps.draw(d, layer, parameter, &clip);
    if (toFrame) MarkFrameChanged();
    return result;
}

}  // namespace render
