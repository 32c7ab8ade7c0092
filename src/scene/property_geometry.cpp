// SetVertex, SetSurface, SetFov and SetNextFocus, and the visit every
// property command runs.
#include <cstdlib>
#include <cstring>

#include "render/drawable.h"
#include "render/quad.h"
#include "render/surface.h"
#include "scene/action.h"
#include "scene/cube.h"
#include "scene/properties.h"
#include "scene/trail.h"
#include "script/object_names.h"
#include "script/variables.h"
#include "core/registry.h"

namespace scene {

namespace {

// Longest anchor text that is read.
constexpr size_t kMaxAnchorLength = 15;

bool OwnsSurface(const SceneObject* o) {
    return o->surface && o->surface->owner == o;
}

// The pivot offset an anchor gives along an axis (0: across, 1: down) of
// `size` pixels; false when the anchor leaves that axis alone.
bool AnchorOffset(const char* text, int axis, int32_t size, int32_t* out) {
    if (!text) return false;
    size_t length = 0;
    while (text[length] && length <= kMaxAnchorLength) ++length;
    if (length > kMaxAnchorLength) return false;
    if (std::strcmp(text, axis == 0 ? "left" : "top") == 0) {
        *out = 0;
    } else if (std::strcmp(text, axis == 0 ? "right" : "bottom") == 0) {
        *out = size;
    } else if (std::strcmp(text, axis == 0 ? "center" : "middle") == 0) {
        *out = size / 2;
    } else {
        int64_t n = 0;
        if (!NumberArgument(text, &n) || n < 0 || n > size) return false;
        *out = static_cast<int32_t>(n);
    }
    return true;
}

struct VertexJob {
    const char* x;
    const char* y;
};

int VertexVisitor(SceneObject* o, ObjectQuery* q) {
    const VertexJob& job = *static_cast<const VertexJob*>(q->context);
    bool changed = false;
    render::Drawable* d = o->image;
    if (d && d->quad) {
        render::Quad* quad = d->quad;
        int32_t px = 0, py = 0;
        bool hasX = AnchorOffset(job.x, 0, quad->textureWidth, &px);
        bool hasY = AnchorOffset(job.y, 1, quad->textureHeight, &py);
        if (hasX || hasY) {
            MarkObjectArea(o);
            if (hasX) render::SetQuadPivot(quad, 0, px);
            if (hasY) render::SetQuadPivot(quad, 1, py);
            render::TransformQuad(quad, o->camera, render::kQuadRows, quad->x, quad->y);
            MarkObjectArea(o);
            RebuildTrail(o);
            changed = true;
        }
    }
    if (OwnsSurface(o)) {
        // A window turns and zooms about its surface's pivot.
        render::Surface* s = o->surface;
        int32_t px = 0, py = 0;
        bool hasX = AnchorOffset(job.x, 0, s->boundsRight - s->boundsLeft, &px);
        bool hasY = AnchorOffset(job.y, 1, s->boundsBottom - s->boundsTop, &py);
        if (hasX || hasY) {
            if (hasX) s->transform.pivot[0] = px;
            if (hasY) s->transform.pivot[1] = py;
            RefreshWindow(o);
            changed = true;
        }
    }
    if (!changed) return 0;
    q->matched += 1;
    return 1;
}

struct SurfaceJob {
    SceneObject* surface;     // null: draw into the frame again
    render::Image* picture;   // the surface's own picture, made on first use
};

bool HasPicture(const SceneObject* o) {
    return (o->image && o->image->image) || (!o->image && o->picture);
}

int SurfaceVisitor(SceneObject* o, ObjectQuery* q) {
    SurfaceJob& job = *static_cast<SurfaceJob*>(q->context);
    render::Drawable* d = o->image;
    if (!d) return 0;
    render::Image* target = nullptr;
    if (job.surface) {
        if (o == job.surface) return 0;  // never into the picture it shows itself
        if (!job.picture) job.picture = OwnPicture(job.surface);
        if (!job.picture) return 0;
        target = job.picture;
    }
    if (d->target != target) {
        // What it drew into the frame goes; what it draws into the picture
        // shows where the surface object lies over the same area.
        MarkObjectArea(o);
        d->target = target;
        MarkObjectArea(o);
    }
    q->matched += 1;
    return 1;
}

int FovVisitor(SceneObject* o, ObjectQuery* q) {
    if (!o->cube) return 0;
    o->cube->fov = *static_cast<const int32_t*>(q->context);
    CubeChanged(o);
    q->matched += 1;
    return 1;
}

bool Qualify(const CreateContext& c, const char* name, char* out) {
    return name && script::QualifyObjectName(name, out, c.prefix ? c.prefix : "") && out[0];
}

}  // namespace

bool NumberArgument(const char* text, int64_t* out) {
    if (!text || !script::IsNumericText(text)) return false;
    long long v = std::strtoll(text, nullptr, 10);
    // Far beyond any coordinate: keeps the value inside int32 for callers.
    constexpr long long kLimit = 1LL << 30;
    *out = v > kLimit ? kLimit : v < -kLimit ? -kLimit : v;
    return true;
}

int VisitNamed(const CreateContext& c, const char* name, VisitorFn visitor, void* data, bool locked) {
    char path[script::kObjectNameSize];
    if (!Qualify(c, name, path)) return 0;
    ObjectQuery q{};
    q.ownerKey = c.ownerKey;
    std::memcpy(q.path, path, sizeof q.path);
    q.path[kNameSize - 1] = 0;
    q.visitor = visitor;
    q.context = data;
    if (locked) VELMOOR_ASSERT_SCENE_LOCK_HELD();
    // Recursive: a caller that holds the lock already keeps it.
    core::SceneLockGuard hold;
    VisitObjects(&q);
    return q.matched;
}

int SetVertexOf(const CreateContext& c, const CreateArgs& a) {
    VertexJob job{a.at(1), a.at(2)};
    return VisitNamed(c, a.at(0), VertexVisitor, &job);
}

int SetSurfaceOf(const CreateContext& c, const CreateArgs& a) {
    char surfacePath[script::kObjectNameSize];
    bool named = Qualify(c, a.at(1), surfacePath);
    core::SceneLockGuard hold;
    SurfaceJob job{named ? FindObject(c.ownerKey, surfacePath) : nullptr, nullptr};
    int changed = 0;
    if (!job.surface || HasPicture(job.surface)) changed = VisitNamed(c, a.at(0), SurfaceVisitor, &job, true);
    return changed;
}

int SetFovOf(const CreateContext& c, const CreateArgs& a) {
    int64_t fov = 0;
    if (!NumberArgument(a.at(1), &fov) || fov < 0) return 0;
    int32_t value = static_cast<int32_t>(fov);
    return VisitNamed(c, a.at(0), FovVisitor, &value);
}

int FocusDirection(const char* text) {
    struct Direction {
        const char* name;  // upper case; all of it must match
        int index;
    };
    static const Direction kDirections[] = {{"UP", 0}, {"DOWN", 1}, {"LEFT", 2}, {"RIGHT", 3}};
    if (!text) return -1;
    for (const Direction& d : kDirections) {
        size_t i = 0;
        while (d.name[i]) {
            char ch = text[i];
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
            if (ch != d.name[i]) break;
            ++i;
        }
        if (!d.name[i]) return d.index;
    }
    return -1;
}

int SetNextFocusOf(const CreateContext& c, const CreateArgs& a) {
    char from[script::kObjectNameSize], to[script::kObjectNameSize];
    int direction = FocusDirection(a.at(2));
    if (direction < 0 || !Qualify(c, a.at(0), from) || !Qualify(c, a.at(1), to)) return 0;
    core::SceneLockGuard hold;
    SceneObject* source = FindObject(c.ownerKey, from);
    SceneObject* neighbour = FindObject(c.ownerKey, to);
    if (source && neighbour) source->focus[direction] = neighbour;
    return source && neighbour ? 1 : 0;
}

}  // namespace scene
