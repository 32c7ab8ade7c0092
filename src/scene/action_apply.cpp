// Applying an action's values to an object: the drawable's opacity, the
// object's position (and what follows it: a window's surface and children, a
// camera, a cube, a picture's quad), zoom, angles and the shake's offset.
// Each change adds the area before and after it to the pending redraw.
#include <cstring>

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

// Moves every descendant of a window by (dx, dy) with its window.
void ShiftChildren(SceneObject* parent, int32_t dx, int32_t dy) {
    for (SceneObject* c = parent->firstChild; c; c = c->nextSibling) {
        MarkObjectArea(c);
        c->position[0] += dx;
        c->position[1] += dy;
        if (c->image && c->image->quad && !c->cube) TransformAtPosition(c);
        MarkObjectArea(c);
        ShiftChildren(c, dx, dy);
    }
}

}  // namespace

void MarkObjectArea(SceneObject* o) {
    if (o->image && o->image->quad) {
        render::AddDirtyDrawable(o->image);
    } else if (OwnsSurface(o)) {
        const render::Surface* s = o->surface;
        render::AddDirtyRect(s->boundsLeft, s->boundsTop, s->boundsRight - s->boundsLeft,
                             s->boundsBottom - s->boundsTop);
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
    if (!o->image || !o->image->quad) return;
    MarkObjectArea(o);
    o->image->quad->zoom[0] = x;
    o->image->quad->zoom[1] = y;
    Retransform(o);
    MarkObjectArea(o);
}

void ApplyAngles(SceneObject* o, int32_t x, int32_t y, int32_t z) {
    const int32_t angles[3] = {x, y, z};
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
    if (!o->image || !o->image->quad || o->cube) return;
    MarkObjectArea(o);
    o->image->x = o->position[0] + dx;
    o->image->y = o->position[1] + dy;
    Retransform(o);
    MarkObjectArea(o);
}

}  // namespace scene
