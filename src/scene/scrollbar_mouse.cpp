// The mouse on scrollbars: the hit test, dragging the thumb, the case test of
// a select naming a scrollbar, and the input layer's click, move and wheel
// hooks.
#include <atomic>
#include <cstdlib>

#include "platform/sync.h"
#include "render/drawable.h"
#include "render/quad.h"
#include "scene/create_support.h"
#include "scene/scrollbar.h"
#include "scene/state.h"
#include "core/engine.h"
#include "core/input.h"
#include "core/registry.h"

namespace scene {

namespace {

bool Horizontal(const Scrollbar* s) {
    return s->kind == kScrollbarHorizontal;
}

// The path point nearest to `value` along the axis; the current point wins
// a tie, so that a mouse off the path's reach leaves the thumb where it is.
int32_t Nearest(const Scrollbar* s, int32_t value) {
    int axis = Horizontal(s) ? 0 : 1;
    int32_t best = s->index;
    int64_t bestDistance = std::llabs(static_cast<int64_t>(s->points[best * 2 + axis]) - value);
    for (int32_t i = 0; i <= s->lastIndex; ++i) {
        int64_t d = std::llabs(static_cast<int64_t>(s->points[i * 2 + axis]) - value);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// Puts the thumb at the point nearest to the mouse (less the grab).
void Follow(SceneObject* o, int x, int y) {
    Scrollbar* s = o->scrollbar;
    int32_t target = (Horizontal(s) ? x : y) - s->grab;
    int32_t index = Nearest(s, target);
    if (index == s->index) return;
    MoveThumbTo(o, index);
    s->moved = 1;
}

void BeginDrag(SceneObject* o, int x, int y) {
    Scrollbar* s = o->scrollbar;
    int w = 0, h = 0;
    ScrollbarThumbSize(o, &w, &h);
    int32_t left = o->position[0], top = o->position[1];
    bool onThumb = x >= left && x < left + w && y >= top && y < top + h;
    // Taken by the thumb: it keeps its place under the mouse. On the track:
    // the thumb's middle jumps under the mouse.
    if (onThumb)
        s->grab = Horizontal(s) ? x - left : y - top;
    else
        s->grab = (Horizontal(s) ? w : h) / 2;
    if (!s->dragging) {
        s->dragging = 1;
        State().drags.fetch_add(1);
    }
    s->dragOrigin[0] = x;
    s->dragOrigin[1] = y;
}

void EndDrag(Scrollbar* s) {
    s->dragging = 0;
    s->dragOrigin[0] = s->dragOrigin[1] = kNoDrag;
    State().drags.fetch_sub(1);
}

bool Shown(const SceneObject* o) {
    return o->ops.draw != ErasedDraw;
}

// Where frame point (x, y) falls in the scrollbar's own layout: the same
// point, or for a scrollbar inside a zoomed or turned window the point its
// content shows there. False when the window's map folds the point away.
bool ToLayout(const SceneObject* o, int x, int y, int* lx, int* ly) {
    *lx = x;
    *ly = y;
    const render::Quad* q = o->image ? o->image->quad : nullptr;
    if (!q || !q->planeMap || !q->planeMap->active) return true;
    return render::UnmapFramePoint(*q->planeMap, x, y, lx, ly);
}

// Whether frame point (x, y) lies where the scrollbar's window shows its
// content (its clip and, when turned, its row limits).
bool InShownArea(const SceneObject* o, int x, int y) {
    const render::Drawable* d = o->image;
    if (!d) return true;
    if (const render::ClipBytes* c = d->clip) {
        const int left = c->leftBytes / 4, width = c->widthBytes / 4;
        if (x < left || x >= left + width || y < c->top || y >= c->top + c->height) return false;
    }
    const render::Quad* q = d->quad;
    if (q && q->rowLimits &&
        (y < 0 || y >= render::kQuadRows || x < q->rowLimits->left[y] ||
         x >= q->rowLimits->right[y]))
        return false;
    return true;
}

// The hit test in layout coordinates: the path's box grown by the thumb.
bool UnderLayoutPoint(const SceneObject* o, int x, int y) {
    const Scrollbar* s = o->scrollbar;
    int w = 0, h = 0;
    ScrollbarThumbSize(o, &w, &h);
    int64_t right = static_cast<int64_t>(s->box[2]) + (w > 0 ? w : 1) - 1;
    int64_t bottom = static_cast<int64_t>(s->box[3]) + (h > 0 ? h : 1) - 1;
    return x >= s->box[0] && x <= right && y >= s->box[1] && y <= bottom;
}

// Lets a select waiting on the current world look at its cases again.
void WakeSelect() {
    if (platform::Event* e = core::InputEvent(core::CurrentInputWorld(), core::kInputAny))
        platform::SetEvent(e);
}

}  // namespace

bool ScrollbarUnderMouse(const SceneObject* o, int x, int y) {
    const Scrollbar* s = o ? o->scrollbar : nullptr;
    if (!s || !Shown(o) || !InShownArea(o, x, y)) return false;
    int lx, ly;
    return ToLayout(o, x, y, &lx, &ly) && UnderLayoutPoint(o, lx, ly);
}

int ScrollbarMouse(SceneObject* o, int x, int y, int event) {
    Scrollbar* s = o ? o->scrollbar : nullptr;
    if (!s) return 0;
    // The thumb follows the mouse in the scrollbar's own layout; a point the
    // window's map folds away leaves it where it is.
    int lx, ly;
    const bool mapped = ToLayout(o, x, y, &lx, &ly);
    switch (event) {
        case kScrollPress:
            if (!s->enabled || !ScrollbarUnderMouse(o, x, y)) return 0;
            BeginDrag(o, lx, ly);
            Follow(o, lx, ly);
            return 1;
        case kScrollHold:
            if (!s->dragging) return 0;
            if (mapped) Follow(o, lx, ly);
            return 1;
        default:
            if (!s->dragging) return 0;
            if (mapped) Follow(o, lx, ly);
            EndDrag(s);
            return 1;
    }
}

int ScrollbarCaseHit(SceneObject* o, int x, int y, bool down, bool press) {
    Scrollbar* s = o ? o->scrollbar : nullptr;
    if (!s) return 0;
    // A press the input layer already took has begun the drag.
    if (press && !s->dragging)
        ScrollbarMouse(o, x, y, kScrollPress);
    else
        ScrollbarMouse(o, x, y, down ? kScrollHold : kScrollRelease);
    bool over = s->enabled && o->clickable && (s->dragging || ScrollbarUnderMouse(o, x, y));
    if (over) {
        s->hovered = 1;
        core::SetCursorShape(core::kCursorIdHand);
    } else if (s->hovered) {
        s->hovered = 0;
        core::SetCursorShape(core::kCursorIdArrow);
    }
    int moved = s->moved;
    s->moved = 0;
    return moved;
}

int ScrollbarTakesClick(SceneObject* o, int x, int y, bool take) {
    Scrollbar* s = o ? o->scrollbar : nullptr;
    if (!s || !s->enabled || !o->clickable || !ScrollbarUnderMouse(o, x, y)) return 0;
    if (take) {
        ScrollbarMouse(o, x, y, kScrollPress);
        WakeSelect();
    }
    return 1;
}

void ScrollbarsFollowMouse(int x, int y, int leftHeld) {
    ObjectSystem& objects = Objects();
    if (State().drags.load() <= 0 || !objects.running || core::Quitting()) return;
    core::SceneLockGuard hold;
    for (World& w : objects.worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next) {
            SceneObject* o = n->object;
            if (o->scrollbar && o->scrollbar->dragging)
                ScrollbarMouse(o, x, y, leftHeld ? kScrollHold : kScrollRelease);
        }
}

int ScrollbarTakesWheel() {
    if (!Objects().running || core::Quitting()) return 0;
    int x = 0, y = 0;
    core::LastMousePosition(&x, &y);
    int taken = 0;
    {
        core::SceneLockGuard hold;
        for (DrawListNode* n = CurrentWorld()->list.first; n && !taken; n = n->next) {
            SceneObject* o = n->object;
            Scrollbar* s = o->scrollbar;
            if (!s || !s->enabled || !o->clickable || !ScrollbarUnderMouse(o, x, y)) continue;
            taken = 1;
            int32_t before = s->index;
            MoveThumbTo(o, static_cast<int64_t>(s->index) + s->step);
            if (s->index != before) s->moved = 1;
        }
    }
    if (taken) WakeSelect();
    return taken;
}

void ScrollbarDragEnded() {
    State().drags.fetch_sub(1);
}

}  // namespace scene
