// The ownership rules of render's payloads (drawables, surfaces, layers,
// cameras, loaded pictures) on scene objects: how each is released, which
// drawables borrow another object's picture or draw into it, and what a
// drawable clipped by a vanishing surface falls back to.
#include "scene/render_payloads.h"

#include <cstdlib>

#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "render/surface.h"
#include "scene/payloads.h"

namespace scene {

namespace {

using render::Drawable;
using render::Image;
using render::Layer;
using render::Surface;

// Image references: a drawable that shows a picture it does not own.
int BorrowsFrom(const SceneObject* borrower, const SceneObject* dying) {
    const Drawable* d = borrower->image;
    if (!d || !d->image || d->ownsImage) return 0;
    if (d->image->flags & render::kImgShared) return 0;
    return d->image->owner == dying;
}

void DropBorrowed(SceneObject* borrower) {
    if (borrower->image) borrower->image->image = nullptr;
}

// Drawing targets: a drawable draws into another object's picture (its
// drawable's or its loaded one) until that object goes.
int DropTarget(SceneObject* borrower, const SceneObject* dying) {
    Drawable* d = borrower->image;
    if (!d || !d->target) return 0;
    const Image* shown = dying->image ? dying->image->image : nullptr;
    if (d->target != shown && d->target != dying->picture && d->target->owner != dying) return 0;
    d->target = nullptr;
    return 1;
}

// A drawable clipped by a surface that is going away falls back to the
// screen's clip (its object keeps drawing, no longer clipped by the window).
void SurfaceDropped(SceneObject* o, const void* payload) {
    const Surface* gone = static_cast<const Surface*>(payload);
    Drawable* d = o->image;
    if (!d) return;
    const Surface* screen = render::ScreenSurface();
    if (d->clip == &gone->clip) d->clip = &screen->clip;
    if (d->rows3 == &gone->rows3) d->rows3 = &screen->rows3;
    if (d->quad && gone->rowLimits && d->quad->rowLimits == gone->rowLimits)
        d->quad->rowLimits = nullptr;
    if (d->quad && d->quad->planeMap == &gone->map) {
        d->quad->planeMap = &screen->map;
        // Shown where it is laid out again.
        if (gone->map.active)
            render::TransformQuad(d->quad, o->camera, render::kQuadRows, d->quad->x, d->quad->y);
    }
}

void ReleasePicture(void* payload) {
    Image* image = static_cast<Image*>(payload);
    render::DestroyImage(&image);
}
void ReleaseDrawable(void* payload) {
    Drawable* d = static_cast<Drawable*>(payload);
    render::DestroyDrawable(&d);
}
void ReleaseSurface(void* payload) {
    render::DestroySurface(static_cast<Surface*>(payload));
}
void ReleaseLayer(void* payload) {
    render::DestroyLayer(static_cast<Layer*>(payload));
}
// A camera begins with its view (render::CameraView), not its owner.
SceneObject* CameraOwner(const void* payload) {
    return static_cast<const Camera*>(payload)->owner;
}
void ReleaseCamera(void* payload) {
    std::free(payload);
}

}  // namespace

void RegisterRenderPayloads() {
    SetPayloadOps(kPayloadImage, {nullptr, ReleaseDrawable});
    SetPayloadOps(kPayloadSurface, {nullptr, ReleaseSurface});
    SetPayloadOps(kPayloadLayer, {nullptr, ReleaseLayer});
    SetPayloadOps(kPayloadCamera, {CameraOwner, ReleaseCamera});
    SetPayloadOps(kPayloadPicture, {nullptr, ReleasePicture});
    SetImageBorrowOps({BorrowsFrom, DropBorrowed, DropTarget});
    SetSurfaceDropped(SurfaceDropped);
    SetDefaultBlend(render::DrawDrawable);
}

}  // namespace scene
