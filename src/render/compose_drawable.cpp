// Drawables: creation, destruction, blend-mode installation, the default
// per-object blend routine, and the render payloads' ownership rules.
#include <cstdlib>
#include <cstring>

#include "render/display.h"
#include "render/drawable.h"
#include "render/surface.h"
#include "scene/payloads.h"

namespace render {

namespace {

RasterOps g_raster = {};

uint8_t* FramePixels(int* stride) {
    *stride = kFrameStride * 4;
    return reinterpret_cast<uint8_t*>(LockDisplayFrame());
}

// Image references: a drawable that shows a picture it does not own.
int BorrowsFrom(const scene::SceneObject* borrower, const scene::SceneObject* dying) {
    const Drawable* d = borrower->image;
    if (!d || !d->image || d->ownsImage) return 0;
    if (d->image->flags & kImgShared) return 0;
    return d->image->owner == dying;
}

void DropBorrowed(scene::SceneObject* borrower) {
    if (borrower->image) borrower->image->image = nullptr;
}

// Drawing targets: a drawable draws into another object's picture (its
// drawable's or its loaded one) until that object goes.
int DropTarget(scene::SceneObject* borrower, const scene::SceneObject* dying) {
    Drawable* d = borrower->image;
    if (!d || !d->target) return 0;
    const Image* shown = dying->image ? dying->image->image : nullptr;
    if (d->target != shown && d->target != dying->picture && d->target->owner != dying) return 0;
    d->target = nullptr;
    return 1;
}

// A drawable clipped by a surface that is going away falls back to the
// screen's clip (its object keeps drawing, no longer clipped by the window).
void SurfaceDropped(scene::SceneObject* o, const void* payload) {
    const Surface* gone = static_cast<const Surface*>(payload);
    Drawable* d = o->image;
    if (!d) return;
    const Surface* screen = ScreenSurface();
    if (d->clip == &gone->clip) d->clip = &screen->clip;
    if (d->rows3 == &gone->rows3) d->rows3 = &screen->rows3;
    if (d->quad && gone->rowLimits && d->quad->rowLimits == gone->rowLimits)
        d->quad->rowLimits = nullptr;
    if (d->quad && d->quad->planeMap == &gone->map) {
        d->quad->planeMap = &screen->map;
        // Shown where it is laid out again.
        if (gone->map.active) TransformQuad(d->quad, o->camera, kQuadRows, d->quad->x, d->quad->y);
    }
}

void ReleasePicture(void* payload) {
    Image* image = static_cast<Image*>(payload);
    DestroyImage(&image);
}
void ReleaseDrawable(void* payload) {
    Drawable* d = static_cast<Drawable*>(payload);
    DestroyDrawable(&d);
}
void ReleaseSurface(void* payload) {
    DestroySurface(static_cast<Surface*>(payload));
}
void ReleaseLayer(void* payload) {
    DestroyLayer(static_cast<Layer*>(payload));
}
void ReleaseCamera(void* payload) {
    std::free(payload);
}

}  // namespace

void SetRasterOps(const RasterOps& ops) {
    g_raster = ops;
}
const RasterOps& Raster() {
    return g_raster;
}

void RegisterRenderPayloads() {
    scene::SetPayloadOps(scene::kPayloadImage, {nullptr, ReleaseDrawable});
    scene::SetPayloadOps(scene::kPayloadSurface, {nullptr, ReleaseSurface});
    scene::SetPayloadOps(scene::kPayloadLayer, {nullptr, ReleaseLayer});
    scene::SetPayloadOps(scene::kPayloadCamera, {nullptr, ReleaseCamera});
    scene::SetPayloadOps(scene::kPayloadPicture, {nullptr, ReleasePicture});
    scene::SetImageBorrowOps({BorrowsFrom, DropBorrowed, DropTarget});
    scene::SetSurfaceDropped(SurfaceDropped);
    scene::SetDefaultBlend(DrawDrawable);
}

Drawable* CreateDrawable(scene::SceneObject* owner) {
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
    const Surface* surface = owner && owner->surface ? owner->surface : ScreenSurface();
    d->clip = &surface->clip;
    d->rows3 = &surface->rows3;
    d->quad->rowLimits = surface->rowLimits;
    d->quad->planeMap = &surface->map;
    InstallBlendMode(d, kBlendNormal);
    return d;
}

Drawable* WrapImage(scene::SceneObject* owner, Image* image) {
    Drawable* d = CreateDrawable(owner);
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
    if (g_raster.installMode) return g_raster.installMode(d, mode);
    int32_t low = mode & 0xFFF;
    if (low == kBlendAdd || low == kBlendSub || low == kBlendOverlay || low == kBlendMul)
        d->blendMode = low;
    else
        d->blendMode = (d->blendMode & 0x1000) ? kBlendSmooth : kBlendNormal;
    return 1;
}

int DrawDrawable(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    (void)effectFlag;
    if (!d || d->opacity == 0 || !d->image || !g_raster.draw) return 0;
    DirtyRect dirty = CurrentDirty();
    if (IsEmpty(dirty)) return 0;
    int stride = 0;
    bool toFrame = d->target == nullptr;
    uint8_t* destination = nullptr;
    if (toFrame) {
        destination = FramePixels(&stride);
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
    int result = g_raster.draw(d, layer, parameter, &clip);
    if (toFrame) {
        MarkFrameChanged();
        UnlockDisplayFrame();
    }
    return result;
}

}  // namespace render
