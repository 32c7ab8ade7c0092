// Applying an action's values to an object: the drawable's opacity, the
// object's position (and what follows it: a window's surface and children, a
// camera, a cube, a picture's quad), zoom, angles and the shake's offset.
// A window's zoom, angles and shake act on its surface's transform: every
// picture under it is shown through the surface's map. Each change adds the
// area before and after it to the pending redraw.
#include <cstring>

#include "core/registry.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/surface.h"
#include "scene/action.h"
#include "scene/create_support.h"
#include "scene/cube.h"

namespace scene {

namespace {

bool OwnsSurface(const SceneObject* o) {
    return o->surface && o->surface->owner == o;
}
bool OwnsCamera(const SceneObject* o) {
    return o->camera && o->camera->owner == o;
}

void Retransform(SceneObject* o) {
    render::Drawable* d = o->image;
    if (!d || !d->quad) return;
    render::TransformQuad(d->quad, o->camera, render::kQuadRows, d->x, d->y);
}

// The map of the surface a window lies on (its parent's).
const render::PlaneMap* OuterMap(const SceneObject* window) {
    const SceneObject* p = window->parent;
    const render::Surface* s = p && p->surface ? p->surface : render::ScreenSurface();
    return &s->map;
}

// Shows an object's picture through its surface's map as it is now: the
// quad takes the surface's row limits and is projected again where it is.
void Reproject(SceneObject* o) {
    render::Drawable* d = o->image;
    if (!d || !d->quad) return;
    if (o->surface && d->clip == &o->surface->clip) d->quad->rowLimits = o->surface->rowLimits;
    render::TransformQuad(d->quad, o->camera, render::kQuadRows, d->quad->x, d->quad->y);
}

void MarkTree(SceneObject* o) {
    MarkObjectArea(o);
    for (SceneObject* c = o->firstChild; c; c = c->nextSibling) MarkTree(c);
}

// Rebuilds the maps of the windows under `o` and projects every picture
// under it again.
void ReprojectTree(SceneObject* o) {
    for (SceneObject* c = o->firstChild; c; c = c->nextSibling) {
        if (OwnsSurface(c)) render::UpdateSurfaceMap(c->surface, OuterMap(c));
        Reproject(c);
        ReprojectTree(c);
    }
}

// Moves every descendant of a window by (dx, dy) with its window; a window
// among them takes its surface along.
void ShiftChildren(SceneObject* parent, int32_t dx, int32_t dy) {
    for (SceneObject* c = parent->firstChild; c; c = c->nextSibling) {
        MarkObjectArea(c);
        c->position[0] += dx;
        c->position[1] += dy;
        if (OwnsSurface(c)) {
            render::Surface* s = c->surface;
            render::SetSurfaceRect(s, s->boundsLeft + dx, s->boundsTop + dy,
                                   s->boundsRight - s->boundsLeft, s->boundsBottom - s->boundsTop);
            render::UpdateSurfaceMap(s, OuterMap(c));
        }
        if (c->image && c->image->quad && !c->cube) TransformAtPosition(c);
        MarkObjectArea(c);
        ShiftChildren(c, dx, dy);
    }
}

}  // namespace

// The content shows through the new map.
void RefreshWindow(SceneObject* window) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    MarkTree(window);
    render::UpdateSurfaceMap(window->surface, OuterMap(window));
    ReprojectTree(window);
    MarkTree(window);
}

void MarkObjectArea(SceneObject* o) {
    if (o->image && o->image->quad) {
        render::AddDirtyDrawable(o->image);
    } else if (OwnsSurface(o)) {
        // The area the window's content shows in (its rectangle unless mapped).
        const render::ClipBytes& c = o->surface->clip;
        render::AddDirtyRect(c.leftBytes / 4, c.top, c.widthBytes / 4, c.height);
    }
}

void ApplyOpacity(SceneObject* o, int32_t opacity) {
    if (!o->image) return;
    MarkObjectArea(o);
    o->image->opacity = static_cast<uint8_t>(opacity < 0 ? 0 : opacity > 255 ? 255 : opacity);
    MarkObjectArea(o);
}

void ApplyPosition3(SceneObject* o, int32_t x, int32_t y, int32_t z) {
    int32_t dx = x - o->position[0], dy = y - o->position[1];
    MarkObjectArea(o);
    o->position[0] = x;
    o->position[1] = y;
    o->position[2] = z;
    if (OwnsSurface(o)) {
        render::Surface* s = o->surface;
        render::SetSurfaceRect(s, x, y, s->boundsRight - s->boundsLeft,
                               s->boundsBottom - s->boundsTop);
        render::UpdateSurfaceMap(s, OuterMap(o));
        ShiftChildren(o, dx, dy);
    }
    if (OwnsCamera(o)) {
        o->camera->x = x;
        o->camera->y = y;
        o->camera->z = z;
        o->camera->changed = 1;
    }
    if (o->cube) {
        o->cube->position[0] = x;
        o->cube->position[1] = y;
        o->cube->position[2] = z;
        CubeChanged(o);
    } else if (o->image && o->image->quad) {
        o->image->x = x;
        o->image->y = y;
        Retransform(o);
    }
    MarkObjectArea(o);
    if (o->ops.afterDraw != DefaultOps().afterDraw) o->ops.afterDraw(o);
}

void ApplyZoom(SceneObject* o, int32_t x, int32_t y) {
    if (o->image && o->image->quad) {
        MarkObjectArea(o);
        o->image->quad->zoom[0] = x;
        o->image->quad->zoom[1] = y;
        Retransform(o);
        MarkObjectArea(o);
    } else if (OwnsSurface(o)) {
        o->surface->transform.zoom[0] = x;
        o->surface->transform.zoom[1] = y;
        RefreshWindow(o);
    }
}

void ApplyAngles(SceneObject* o, int32_t x, int32_t y, int32_t z) {
    const int32_t angles[3] = {x, y, z};
    if (!o->cube && !OwnsCamera(o) && !o->image && OwnsSurface(o)) {
        std::memcpy(o->surface->transform.angles, angles, sizeof angles);
        RefreshWindow(o);
        return;
    }
    MarkObjectArea(o);
    if (o->cube) {
        std::memcpy(o->cube->angles, angles, sizeof angles);
        CubeChanged(o);
    } else if (OwnsCamera(o)) {
        std::memcpy(o->camera->angles, angles, sizeof angles);
        o->camera->changed = 1;
    } else if (o->image && o->image->quad) {
        std::memcpy(o->image->quad->angles, angles, sizeof angles);
        Retransform(o);
    }
    MarkObjectArea(o);
}

void ApplyShakeOffset(SceneObject* o, int32_t dx, int32_t dy) {
    if (o->cube) return;
    if (o->image && o->image->quad) {
        MarkObjectArea(o);
        o->image->x = o->position[0] + dx;
        o->image->y = o->position[1] + dy;
        Retransform(o);
        MarkObjectArea(o);
    } else if (OwnsSurface(o)) {
        // The content trembles; the window stays laid out where it is.
        render::Surface* s = o->surface;
        if (s->transform.offset[0] == dx && s->transform.offset[1] == dy) return;
        s->transform.offset[0] = dx;
        s->transform.offset[1] = dy;
        RefreshWindow(o);
    }
}

}  // namespace scene
