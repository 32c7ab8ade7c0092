// Effects that cut a texture object's picture into pieces, each its own
// drawable over the shared picture, drawn by the effect's blend routine in
// place of the picture:
//
// "TurnOver": 32 x 32 tiles (the last column and row take the remainder),
// each turning about its right edge. The number of active rows (from the
// top) moves from start x 64 / 1000 to end x 64 / 1000; every update each
// tile of an active row moves 4 pixels right, turns 4 more degrees about the
// y axis (up to 180) and grows 4 per mille. When the steps are done the
// tiles stay as they are.
//
// "SoftSplit", "Split", "HardSplit": 4 x 4, 8 x 8 or 12 x 12 cells, each two
// triangles (the halves of the cell's diagonal) that drift sideways (2 ... 6
// pixels a step one way, 4 ... 8 the other), fall faster and faster and turn
// about x and z by a factor of 1 ... 3, while the whole falls from y + (768 -
// y) x start / 1000 towards y + (768 - y) x end / 1000. Ending at the bottom
// of the frame or below, the object is left there and the pieces go; ending
// above it, the pieces stay where they are.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/image_load.h"
#include "render/quad.h"
#include "render/surface.h"
#include "scene/action.h"

namespace scene {

using namespace render;

namespace {

struct Piece {
    Drawable* drawable;
    int32_t left, top;    // where the piece lies in the picture
    double dx, dy;        // drift so far
    int32_t step;         // sideways pixels a step (splits)
    int32_t factor;       // turning and falling factor (splits)
};

struct PiecesState {
    EffectTimeline timeline;
    int32_t split;  // 0: TurnOver
    int32_t count;
    Piece* pieces;
    int32_t baseX, baseY;  // the object's place when the effect began
    int32_t running;
};

// A piece of the picture: texels [left, left + w) x [top, top + h), as one
// quad, or as the triangle of the cell's upper-left half (`triangle` 1) or
// lower-right half (2), whose fourth corner repeats the third.
Drawable* MakePiece(SceneObject* o, int32_t left, int32_t top, int32_t w, int32_t h, int triangle) {
    const Drawable* whole = o->image;
    Drawable* d = CreateDrawable(o, o->surface);
    if (!d) return nullptr;
    d->image = whole->image;
    d->ownsImage = 0;
    d->opacity = whole->opacity;
    d->clip = whole->clip;
    d->rows3 = whole->rows3;
    d->target = whole->target;
    InstallBlendMode(d, whole->blendMode);
    Quad* q = d->quad;
    q->rowLimits = whole->quad->rowLimits;
    q->planeMap = whole->quad->planeMap;
    InitQuad(q, w, h);
    for (int i = 0; i < 4; ++i) {
        q->tu[i] = static_cast<int16_t>(q->tu[i] + left);
        q->tv[i] = static_cast<int16_t>(q->tv[i] + top);
    }
    if (triangle == 1) {  // top-left, top-right, bottom-left
        q->vx[2] = q->vx[3];
        q->vy[2] = q->vy[3];
        q->tu[2] = q->tu[3];
        q->tv[2] = q->tv[3];
    } else if (triangle == 2) {  // top-right, bottom-right, bottom-left
        q->vx[0] = q->vx[1];
        q->vy[0] = q->vy[1];
        q->tu[0] = q->tu[1];
        q->tv[0] = q->tv[1];
    }
    return d;
}

void Place(SceneObject* o, Piece& p, int32_t baseX, int32_t baseY) {
    Drawable* d = p.drawable;
    d->x = baseX + p.left + static_cast<int32_t>(p.dx);
    d->y = baseY + p.top + static_cast<int32_t>(p.dy);
    TransformQuad(d->quad, o->camera, kQuadRows, d->x, d->y);
}

void MarkSurface(const SceneObject* o) {
    const ClipBytes* c = o->image ? o->image->clip : nullptr;
    if (c)
        AddDirtyRect(c->leftBytes / 4, c->top, c->widthBytes / 4, c->height);
    else
        AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
}

void FreePieces(SceneObject* o) {
    auto* s = static_cast<PiecesState*>(o->effect.state);
    if (!s) return;
    for (int32_t i = 0; i < s->count; ++i) DestroyDrawable(&s->pieces[i].drawable);
    std::free(s->pieces);
    FreeTimeline(&s->timeline);
    MarkSurface(o);
    RemoveEffect(o);
}

int PiecesBlend(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    SceneObject* o = d ? d->owner : nullptr;
    auto* s = o ? static_cast<PiecesState*>(o->effect.state) : nullptr;
    if (!s) return DrawDrawable(d, layer, parameter, effectFlag);
    int result = 0;
    for (int32_t i = 0; i < s->count; ++i) {
        Drawable* piece = s->pieces[i].drawable;
        piece->opacity = d->opacity;
        piece->image = d->image;  // a filter may have made the picture private
        result |= DrawDrawable(piece, layer, parameter, effectFlag);
    }
    return result;
}

void TurnOverUpdate(SceneObject* o, PiecesState& s) {
    const int32_t rows = TimelineValue(s.timeline);
    if (rows < 0) {
        s.running = 0;
        return;
    }
    for (int32_t i = 0; i < s.count; ++i) {
        Piece& p = s.pieces[i];
        if (p.top / 32 >= rows) continue;
        Quad* q = p.drawable->quad;
        p.dx += 4;
        q->angles[1] = std::min(q->angles[1] + 4, 180);
        q->zoom[0] += 4;
        q->zoom[1] += 4;
        Place(o, p, s.baseX, s.baseY);
    }
}

void SplitUpdate(SceneObject* o, PiecesState& s) {
    const int32_t fall = (768 - s.baseY) * TimelineValue(s.timeline) / 1000;
    const Quad* whole = o->image->quad;
    for (int32_t i = 0; i < s.count; ++i) {
        Piece& p = s.pieces[i];
        Quad* q = p.drawable->quad;
        q->angles[0] += p.factor;
        q->angles[2] += p.factor;
        q->zoom[0] = whole->zoom[0];
        q->zoom[1] = whole->zoom[1];
        p.dx += p.step;
        p.dy += p.factor;
        Place(o, p, s.baseX, s.baseY + fall);
    }
}

int PiecesStep(SceneObject* o) {
    auto* s = static_cast<PiecesState*>(o->effect.state);
    if (!s || !o->image) return 0;
    MarkSurface(o);
    if (s->split)
        SplitUpdate(o, *s);
    else
        TurnOverUpdate(o, *s);
    MarkSurface(o);
    if (!s->running || TimelineDone(s->timeline)) {
        if (s->split) {
            const int32_t endY = s->baseY + (768 - s->baseY) * s->timeline.end / 1000;
            if (endY >= 768) {
                ApplyPosition3(o, o->position[0], endY, o->position[2]);
                FreePieces(o);
            }
        }
        return 0;  // the pieces stay as they are
    }
    AdvanceTimeline(&s->timeline, o);
    return 1;
}

void ReleasePieces(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;
        return;
    }
    FreePieces(o);
}

bool AddPiece(SceneObject* o, PiecesState& s, int32_t left, int32_t top, int32_t w, int32_t h,
              int triangle) {
    Drawable* d = MakePiece(o, left, top, w, h, triangle);
    if (!d) return false;
    Piece& p = s.pieces[s.count++];
    p = {};
    p.drawable = d;
    p.left = left;
    p.top = top;
    Place(o, p, s.baseX, s.baseY);
    return true;
}

}  // namespace

void* InstallPieces(SceneObject* o, const EffectQuery& q, int cells) {
    Drawable* d = o->image;
    if (!TakesImageAnimation(o, q)) return nullptr;
    const int32_t w = d->quad->textureWidth, h = d->quad->textureHeight;
    if (w <= 0 || h <= 0) return nullptr;
    auto* s = static_cast<PiecesState*>(std::calloc(1, sizeof(PiecesState)));
    if (!s) return nullptr;
    s->split = cells > 0;
    const int32_t across = cells > 0 ? cells : (w + 31) / 32;
    const int32_t down = cells > 0 ? cells : (h + 31) / 32;
    const int32_t cellW = cells > 0 ? std::max(w / cells, 1) : 32;
    const int32_t cellH = cells > 0 ? std::max(h / cells, 1) : 32;
    const int64_t total = static_cast<int64_t>(across) * down * (cells > 0 ? 2 : 1);
    s->pieces = static_cast<Piece*>(std::calloc(static_cast<size_t>(total), sizeof(Piece)));
    EffectQuery timeline = q;
    if (!s->split) {
        timeline.start = q.start * 64 / 1000;
        timeline.end = q.end * 64 / 1000;
    }
    bool ok = s->pieces && BuildTimeline(&s->timeline, timeline);
    s->baseX = d->x;
    s->baseY = d->y;
    std::minstd_rand random(ActionNow() + 7);
    for (int32_t row = 0; ok && row < down; ++row)
        for (int32_t col = 0; ok && col < across; ++col) {
            const int32_t left = col * cellW, top = row * cellH;
            if (left >= w || top >= h) continue;
            // The last column and row take the remainder.
            const int32_t pw = col == across - 1 ? w - left : std::min(cellW, w - left);
            const int32_t ph = row == down - 1 ? h - top : std::min(cellH, h - top);
            if (!s->split) {
                ok = AddPiece(o, *s, left, top, pw, ph, 0);
                continue;
            }
            random.seed(ActionNow() + static_cast<uint32_t>(row * 131 + col * 7 + 1));
            for (int half = 1; ok && half <= 2; ++half) {
                ok = AddPiece(o, *s, left, top, pw, ph, half);
                if (!ok) break;
                Piece& p = s->pieces[s->count - 1];
                p.step = half == 1 ? 2 + static_cast<int32_t>(random() % 5)
                                   : -4 - static_cast<int32_t>(random() % 5);
                p.factor = 1 + static_cast<int32_t>(random() % 3);
            }
        }
    o->effect.state = s;
    if (!ok) {
        FreePieces(o);
        return nullptr;
    }
    s->running = 1;
    o->effect.release = ReleasePieces;
    o->ops.extraStep = PiecesStep;
    o->ops.blend = PiecesBlend;
    return s;
}

}  // namespace scene
