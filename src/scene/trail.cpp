// Trails: the SetBlur command, the copies' feeds from the move, zoom and
// rotate steps, their catch-up after an action, and their drawing.
#include "scene/trail.h"

#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image_load.h"
#include "render/quad.h"
#include "scene/action.h"
#include "scene/payloads.h"
#include "scene/properties.h"
#include "core/registry.h"

namespace scene {

// The copies of one trail. `ended` holds the tables of an action that has
// reached its end while its feed's lag runs down (steps 0: none).
struct TrailCopies {
    int32_t x[kMaxTrailCopies];
    int32_t y[kMaxTrailCopies];
    render::Quad* quads;  // `count` quads, one per copy
    ActionRecord ended[kTrailFeeds];
};

namespace {

// The feed of an action kind: move 0, zoom 1, rotate 2; -1 for the others.
int FeedOf(int kind) {
    switch (kind) {
        case kActionMove:
            return 0;
        case kActionZoom:
            return 1;
        case kActionRotate:
            return 2;
        default:
            return -1;
    }
}
constexpr int kFeedKinds[kTrailFeeds] = {kActionMove, kActionZoom, kActionRotate};

bool CanCarry(const SceneObject* o) {
    const render::Drawable* d = o->image;
    return d && d->quad && d->image && !o->cube && !o->layer;
}

bool Live(const SceneObject* o) {
    return o->trail.active && o->trail.copies && CanCarry(o);
}

// Copy k's quad, pointing at the surface limits the object's quad uses now
// (they follow the object when its window goes or changes, never stale).
render::Quad* CopyQuad(const SceneObject* o, int k) {
    render::Quad* q = &o->trail.copies->quads[k];
    q->rowLimits = o->image->quad->rowLimits;
    q->planeMap = o->image->quad->planeMap;
    return q;
}

// The object's drawable as copy k: its quad and position.
render::Drawable CopyDrawable(const SceneObject* o, int k) {
    render::Drawable d = *o->image;
    d.quad = CopyQuad(o, k);
    d.x = o->trail.copies->x[k];
    d.y = o->trail.copies->y[k];
    return d;
}

void MarkCopy(const SceneObject* o, int k) {
    render::Drawable d = CopyDrawable(o, k);
    render::AddDirtyDrawable(&d);
}

void MarkShownCopies(const SceneObject* o) {
    if (!o->trail.showCopies || !Live(o)) return;
    for (int k = 0; k < o->trail.count; ++k) MarkCopy(o, k);
}

// Every copy lies on the object again.
void Collapse(SceneObject* o) {
    TrailCopies* c = o->trail.copies;
    const render::Drawable* d = o->image;
    for (int k = 0; k < o->trail.count; ++k) {
        c->x[k] = d->x;
        c->y[k] = d->y;
        std::memcpy(&c->quads[k], d->quad, sizeof(render::Quad));
    }
}

void FreeCopies(TrailCopies* c) {
    if (!c) return;
    for (ActionRecord& a : c->ended) ClearAction(&a);
    std::free(c->quads);
    std::free(c);
}

// Frees the buffer of a trail whose object may already have lost its
// picture (deletion): the copies' projected areas are redrawn from their
// corners, within the frame.
void ReleaseTrailRecord(TrailRecord* t) {
    TrailCopies* c = t->copies;
    if (!c) return;
    if (t->showCopies) {
        for (int k = 0; k < t->count; ++k) {
            const render::Quad& q = c->quads[k];
            int left = q.px[0], right = q.px[0], top = q.py[0], bottom = q.py[0];
            for (int i = 1; i < 4; ++i) {
                left = q.px[i] < left ? q.px[i] : left;
                right = q.px[i] > right ? q.px[i] : right;
                top = q.py[i] < top ? q.py[i] : top;
                bottom = q.py[i] > bottom ? q.py[i] : bottom;
            }
            left = left < 0 ? 0 : left;
            top = top < 0 ? 0 : top;
            right = right + 1 > render::kFrameWidth ? render::kFrameWidth : right + 1;
            bottom = bottom + 1 > render::kFrameHeight ? render::kFrameHeight : bottom + 1;
            if (left < right && top < bottom) render::AddDirtyRect(left, top, right - left, bottom - top);
        }
    }
    FreeCopies(c);
    t->copies = nullptr;
}

// Turns the object's trail off: its shown copies disappear.
void RemoveTrail(SceneObject* o) {
    MarkShownCopies(o);
    FreeCopies(o->trail.copies);
    o->trail = {};
}

// Moves the copies of feed `f` to the values `action` had `lag` ms (at the
// engine speed) per copy before step `index`. A copy whose step lies before
// the start stays where it is.
void PlaceCopies(SceneObject* o, int f, const ActionRecord& action, int32_t index, int32_t lag) {
    TrailCopies* c = o->trail.copies;
    const int kind = kFeedKinds[f];
    const double speed = ActionSpeed();
    int interval = core::FrameIntervalMs();
    if (interval < 1) interval = 1;
    for (int k = 0; k < o->trail.count; ++k) {
        double behind = (k + 1.0) * lag * speed / interval;
        if (behind > index) continue;  // before the start (also keeps int32 safe)
        int32_t step = index - static_cast<int32_t>(behind);
        int32_t v[3];
        if (!ActionValueAt(action, kind, step, v)) continue;
        render::Quad* q = CopyQuad(o, k);
        bool same = kind == kActionMove   ? c->x[k] == v[0] && c->y[k] == v[1]
                    : kind == kActionZoom ? q->zoom[0] == v[0] && q->zoom[1] == v[1]
                                          : std::memcmp(q->angles, v, sizeof q->angles) == 0;
        if (same) continue;
        MarkCopy(o, k);
        if (kind == kActionMove) {
            c->x[k] = v[0];
            c->y[k] = v[1];
        } else if (kind == kActionZoom) {
            q->zoom[0] = v[0];
            q->zoom[1] = v[1];
        } else {
            std::memcpy(q->angles, v, sizeof q->angles);
        }
        render::TransformQuad(q, o->camera, render::kQuadRows, c->x[k], c->y[k]);
        MarkCopy(o, k);
    }
}

bool Running(const SceneObject* o, int kind) {
    const ObjectOps& d = DefaultOps();
    switch (kind) {
        case kActionMove:
            return o->ops.moveStep != d.moveStep;
        case kActionZoom:
            return o->ops.zoomStep != d.zoomStep;
        default:
            return o->ops.rotateStep != d.rotateStep;
    }
}

// Reads a number argument within [low, high].
bool Bounded(const char* text, int64_t low, int64_t high, int32_t* out) {
    int64_t n = 0;
    if (!NumberArgument(text, &n) || n < low || n > high)
        return false;
    *out = static_cast<int32_t>(n);
    return true;
}

struct BlurJob {
    bool on;
    int32_t count, opacity, lag, before;
};

int BlurVisitor(SceneObject* o, ObjectQuery* q) {
    const BlurJob& job = *static_cast<const BlurJob*>(q->context);
    if (!job.on) {
        RemoveTrail(o);
        MarkObjectArea(o);
        q->matched += 1;
        return 1;
    }
    if (!CanCarry(o)) return 0;
    auto* c = static_cast<TrailCopies*>(std::calloc(1, sizeof(TrailCopies)));
    auto* quads = static_cast<render::Quad*>(std::calloc(job.count, sizeof(render::Quad)));
    if (!c || !quads) {
        std::free(c);
        std::free(quads);
        return 0;
    }
    c->quads = quads;
    RemoveTrail(o);
    TrailRecord& t = o->trail;
    t.active = 1;
    t.drawBefore = job.before;
    t.count = job.count;
    t.opacity = job.opacity;
    t.lagMs = job.lag;
    uint32_t now = ActionNow();
    for (int f = 0; f < kTrailFeeds; ++f) {
        t.lagLeft[f] = job.lag;
        t.updated[f] = now;
    }
    t.showCopies = 0;  // idle until the next action moves the object
    t.copies = c;
    Collapse(o);
    MarkObjectArea(o);
    q->matched += 1;
    return 1;
}

}  // namespace

int SetBlurOf(const CreateContext& ctx, const CreateArgs& a) {
    BlurJob job{};
    job.on = IsTrueText(a.at(1));
    if (job.on) {
        if (!Bounded(a.at(2), 1, kMaxTrailCopies, &job.count) ||
            !Bounded(a.at(3), 1, kMaxTrailOpacity, &job.opacity) ||
            !Bounded(a.at(4), 0, INT32_MAX, &job.lag))
            return 0;
        job.before = IsTrueText(a.at(5)) ? 1 : 0;
    }
    return VisitNamed(ctx, a.at(0), BlurVisitor, &job);
}

void FeedTrail(SceneObject* o, int kind, const ActionRecord& action, int32_t index) {
    int f = FeedOf(kind);
    if (f < 0 || !Live(o)) return;
    TrailRecord& t = o->trail;
    if (!t.showCopies) {
        // Idle copies start from where the object is now.
        Collapse(o);
        t.showCopies = 1;
    }
    ClearAction(&t.copies->ended[f]);
    t.lagLeft[f] = t.lagMs;
    t.updated[f] = ActionNow();
    PlaceCopies(o, f, action, index, t.lagMs);
}

void TrailActionEnded(SceneObject* o, int kind) {
    int f = FeedOf(kind);
    if (f < 0 || !Live(o) || !o->trail.showCopies) return;
    ActionRecord& kept = o->trail.copies->ended[f];
    ClearAction(&kept);
    kept = o->actions[kind];  // takes over the tables
    std::memset(&o->actions[kind], 0, sizeof(ActionRecord));
}

void RebuildTrail(SceneObject* o) {
    if (!Live(o)) return;
    TrailCopies* c = o->trail.copies;
    const render::Quad* shape = o->image->quad;
    for (int k = 0; k < o->trail.count; ++k) {
        if (o->trail.showCopies) MarkCopy(o, k);
        render::Quad* q = &c->quads[k];
        int32_t zoom[3], angles[3];
        std::memcpy(zoom, q->zoom, sizeof zoom);
        std::memcpy(angles, q->angles, sizeof angles);
        std::memcpy(q, shape, sizeof(render::Quad));
        std::memcpy(q->zoom, zoom, sizeof zoom);
        std::memcpy(q->angles, angles, sizeof angles);
        q->matrixValid = 0;
        render::TransformQuad(q, o->camera, render::kQuadRows, c->x[k], c->y[k]);
        if (o->trail.showCopies) MarkCopy(o, k);
    }
}

int StepTrail(SceneObject* o) {
    if (!Live(o) || !o->trail.showCopies) return 0;
    TrailRecord& t = o->trail;
    const uint32_t now = ActionNow();
    const bool frozen = ActionSpeed() <= 0;
    bool busy = false;
    for (int f = 0; f < kTrailFeeds; ++f) {
        if (Running(o, kFeedKinds[f])) {
            busy = true;  // its step feeds the copies
            continue;
        }
        ActionRecord& kept = t.copies->ended[f];
        if (kept.steps <= 0) continue;
        int32_t elapsed = static_cast<int32_t>(now - t.updated[f]);
        t.updated[f] = now;
        if (frozen) {
            busy = true;
            continue;
        }
        if (elapsed > 0) t.lagLeft[f] = elapsed >= t.lagLeft[f] ? 0 : t.lagLeft[f] - elapsed;
        PlaceCopies(o, f, kept, kept.steps, t.lagLeft[f]);
        if (t.lagLeft[f] > 0) {
            busy = true;
        } else {
            ClearAction(&kept);
        }
    }
    if (busy) return 1;
    // Every copy has reached the object: the trail idles.
    MarkShownCopies(o);
    t.showCopies = 0;
    for (int f = 0; f < kTrailFeeds; ++f) t.lagLeft[f] = t.lagMs;
    return 1;
}

int DrawTrail(SceneObject* o, int /*before*/) {
    if (!Live(o) || !o->trail.showCopies) return 0;
    const render::Drawable* d = o->image;
    int opacity = d->opacity * o->trail.opacity / kMaxTrailOpacity;
    if (opacity <= 0) return 0;
    const render::Quad* shape = d->quad;
    int result = 0;
    for (int k = o->trail.count - 1; k >= 0; --k) {
        render::Drawable copy = CopyDrawable(o, k);
        // A copy still shaped for another picture is never drawn from this one.
        const render::Quad* q = copy.quad;
        if (q->textureWidth != shape->textureWidth || q->textureHeight != shape->textureHeight ||
            std::memcmp(q->tu, shape->tu, sizeof q->tu) != 0 ||
            std::memcmp(q->tv, shape->tv, sizeof q->tv) != 0)
            continue;
        copy.opacity = static_cast<uint8_t>(opacity);
        result = o->ops.blend(&copy, o->layer, o->effectParameter, o->effectFlag);
    }
    return result;
}

bool TrailCopy(const SceneObject* o, int index, int32_t* x, int32_t* y, const render::Quad** quad) {
    if (!o->trail.active || !o->trail.copies || index < 0 || index >= o->trail.count) return false;
    *x = o->trail.copies->x[index];
    *y = o->trail.copies->y[index];
    *quad = &o->trail.copies->quads[index];
    return true;
}

void InstallTrails() {
    scene::ComposerHooks& hooks = scene::ComposerHooksTable();
    hooks.drawTrail = DrawTrail;
    hooks.stepTrail = StepTrail;
    SetTrailRelease(ReleaseTrailRecord);
}

}  // namespace scene
